// The memory budget from physical memory and the process's resource limits.
#include "platform/codec/memory_budget.h"

#include <atomic>

#include <cstdlib>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<std::uint64_t> g_test_budget{0};

std::uint64_t limit_of(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return std::uint64_t(limit.rlim_cur);
}

std::uint64_t machine_budget() {
  long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGE_SIZE);
  std::uint64_t physical =
      pages > 0 && page > 0 ? std::uint64_t(pages) * std::uint64_t(page) : UINT64_MAX;
  std::uint64_t budget = physical;
  for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    std::uint64_t limit = limit_of(resource);
    if (limit < budget) budget = limit;
  }
  return budget;
}

}  // namespace

std::uint64_t memory_budget() {
  std::uint64_t forced = g_test_budget.load();
  if (forced != 0) return forced;
  static const std::uint64_t budget = machine_budget();
  return budget;
}

bool fits_memory_budget(std::uint64_t bytes) {
  return bytes <= memory_budget();
}

void* allocate_large(std::size_t bytes) {
  constexpr std::size_t kHugePage = std::size_t(2) << 20;
  if (bytes < 4 * kHugePage) return std::malloc(bytes == 0 ? 1 : bytes);
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (block) madvise(block, rounded, MADV_HUGEPAGE);  // only advice: failure changes nothing
  return block;
}

void set_memory_budget_for_tests(std::uint64_t bytes) {
  g_test_budget = bytes;
}

}  // namespace platform
