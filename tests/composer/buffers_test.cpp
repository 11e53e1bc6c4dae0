// The composer's buffers: each allocation and each resize made to fail in
// turn names its buffer, and nothing leaks (the sanitizer checks at exit).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "composer/buffers.h"
#include "composer/params.h"
#include "platform/codec/memory_budget.h"

namespace {

int g_calls = 0;
int g_fail_at = -1;

void* failing_allocate(std::size_t bytes) {
  return g_calls++ == g_fail_at ? nullptr : std::malloc(bytes);
}
void* failing_reallocate(void* block, std::size_t bytes) {
  return g_calls++ == g_fail_at ? nullptr : std::realloc(block, bytes);
}

struct FailingAllocator {
  FailingAllocator() { composer::set_allocator_for_tests(failing_allocate, failing_reallocate); }
  ~FailingAllocator() { composer::set_allocator_for_tests(nullptr, nullptr); }
  void fail_at(int call) {
    g_calls = 0;
    g_fail_at = call;
  }
};

bool all_empty(const composer::Buffers& b) {
  const void* pointers[] = {b.maps.pos_map,
                            b.maps.point_map,
                            b.maps.th_flg_map,
                            b.maps.aa_map,
                            b.maps.aa_pos_map,
                            b.maps.th_map,
                            b.work,
                            b.tables.pos_table,
                            b.tables.point_table,
                            b.tables.th_flg_table,
                            b.tables.aa_table,
                            b.tables.aa_pos_table,
                            b.tables.th_tablep,
                            b.line_1,
                            b.line_2,
                            b.line_3,
                            b.display_buff};
  for (const void* p : pointers)
    if (p) return false;
  return true;
}

composer::Params small() {
  composer::Params p;
  p.scaled_width = 10;
  p.scaled_height = 9;
  return p;
}

TEST(ComposerBuffersTest, AnAllocationFailureNamesItsBufferAndFreesTheRest) {
  const std::vector<std::string> order = {
      "pos_map",   "point_map", "th_flg_map",  "aa_map",       "aa_pos_map",  "th_map",
      "work",      "pos_table", "point_table", "th_flg_table", "aa_table",    "aa_pos_table",
      "th_tablep", "line_1",    "line_2",      "line_3",       "display_buff"};
  FailingAllocator allocator;
  composer::Params p = small();
  for (int k = 0; k < int(order.size()); ++k) {
    composer::Buffers b;
    allocator.fail_at(k);
    const char* failed = composer::allocate_buffers(p, b);
    ASSERT_TRUE(failed) << k;
    EXPECT_EQ(failed, order[std::size_t(k)]);
    EXPECT_TRUE(all_empty(b)) << k;
  }
  composer::Buffers b;
  allocator.fail_at(-1);
  // Over the memory budget counts as a failure before anything is asked of
  // the allocator: the six maps take 5 x 684 + 1368 = 4788 bytes (3 row
  // groups of 3 x (10 + 9) entries), the work image 720 more.
  platform::set_memory_budget_for_tests(5000);
  EXPECT_STREQ(composer::allocate_buffers(p, b), "work");
  EXPECT_TRUE(all_empty(b));
  platform::set_memory_budget_for_tests(0);
  EXPECT_EQ(composer::allocate_buffers(p, b), nullptr);
  EXPECT_EQ(b.tables.length, 3 * 10 + 9);
  composer::free_buffers(b);
  EXPECT_TRUE(all_empty(b));
}

TEST(ComposerBuffersTest, AResizeFailureLeavesThatBufferEmptyForTheCallerToFreeTheRest) {
  const std::vector<std::string> order = {
      "line_1",       "line_2",     "line_3",       "pos_map",   "point_map",   "th_flg_map",
      "aa_map",       "aa_pos_map", "th_map",       "work",      "pos_table",   "point_table",
      "th_flg_table", "aa_table",   "aa_pos_table", "th_tablep", "display_buff"};
  FailingAllocator allocator;
  composer::Params p = small();
  for (int k = 0; k < int(order.size()); ++k) {
    composer::Buffers b;
    allocator.fail_at(-1);
    ASSERT_EQ(composer::allocate_buffers(p, b), nullptr);
    p.scale = 200;
    p.scaled_width = 20;  // grown: every block moves or grows
    allocator.fail_at(k);
    const char* failed = composer::reallocate_buffers(p, b);
    ASSERT_TRUE(failed) << k;
    EXPECT_EQ(failed, order[std::size_t(k)]);
    composer::free_buffers(b);
    p = small();
  }
  composer::Buffers b;
  allocator.fail_at(-1);
  ASSERT_EQ(composer::allocate_buffers(p, b), nullptr);
  p.scaled_width = 30;
  EXPECT_EQ(composer::reallocate_buffers(p, b), nullptr);
  EXPECT_EQ(b.tables.length, 3 * 30 + 9);
  composer::free_buffers(b);
}

}  // namespace
