// The memory a single job may ask for: what the machine has, less what the
// process's own limits allow. Large allocations (decoded pictures, the
// composer's buffers) are checked against it first, so a picture or a render
// too large for this machine is refused at once instead of paging until the
// kernel kills the process (overcommit lets every allocation succeed).
#pragma once

#include <cstdint>

namespace platform {

// Bytes one job may take: the smaller of physical memory and the
// RLIMIT_AS / RLIMIT_DATA soft limits when they are set. Read once.
std::uint64_t memory_budget();

// Whether `bytes` more fit in the budget. Counts are saturated, never wrapped.
bool fits_memory_budget(std::uint64_t bytes);

// Replaces the budget (0 restores the machine's); for tests.
void set_memory_budget_for_tests(std::uint64_t bytes);

}  // namespace platform
