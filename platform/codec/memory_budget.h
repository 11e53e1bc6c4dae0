// The memory a single job may ask for: what the machine has, less what the
// process's own limits allow. Large allocations (decoded pictures, the
// composer's buffers) are checked against it first, so a picture or a render
// too large for this machine is refused at once instead of paging until the
// kernel kills the process (overcommit lets every allocation succeed).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Bytes one job may take: the smaller of physical memory and the
// RLIMIT_AS / RLIMIT_DATA soft limits when they are set. Read once.
std::uint64_t memory_budget();

// Whether `bytes` more fit in the budget. Counts are saturated, never wrapped.
bool fits_memory_budget(std::uint64_t bytes);

// A block for a large picture or buffer, not zero-filled, freed with
// std::free. Blocks of megabytes are aligned to 2 MiB and asked to be backed
// by huge pages, so that touching them costs one page fault in 512. nullptr
// when it cannot be had.
void* allocate_large(std::size_t bytes);

// Replaces the budget (0 restores the machine's); for tests.
void set_memory_budget_for_tests(std::uint64_t bytes);

}  // namespace platform
