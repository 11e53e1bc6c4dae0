// Allocation, reallocation and release of the composer's buffers.
#include "composer/buffers.h"

#include <algorithm>
#include <cstdlib>

#include "composer/output_window.h"
#include "composer/params.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

Allocate g_allocate = std::malloc;
Reallocate g_reallocate = std::realloc;

bool fits_budget(std::uint64_t bytes) {
  return bytes <= ORV_MemoryBudget();
}

// One buffer: its name, where its pointer lives and how many bytes it needs.
struct Slot {
  const char* name;
  void** pointer;
  std::size_t bytes;
};

template <class T>
Slot slot(const char* name, T*& pointer, long long count) {
  // Never a zero-sized block: its null pointer would read as a failure.
  std::size_t n = std::size_t(std::max(1LL, count));
  return {name, reinterpret_cast<void**>(&pointer), n * sizeof(T)};
}

struct Sizes {
  long long map, work, table, line, display;
};

Sizes sizes_of(const Params& p) {
  long long s = p.subpixels, n = p.scaled_width, m = p.scaled_height, r = s > 0 ? m / s : 0;
  return {r * s * (n + m), r * s * n * p.pic_num, s * n + m, 2 * s * n, n * m};
}

// The allocation order.
constexpr int kBufferCount = 17;
void allocation_order(Buffers& b, const Sizes& z, Slot (&out)[kBufferCount]) {
  Slot order[kBufferCount] = {slot("pos_map", b.maps.pos_map, z.map),
                              slot("point_map", b.maps.point_map, z.map),
                              slot("th_flg_map", b.maps.th_flg_map, z.map),
                              slot("aa_map", b.maps.aa_map, z.map),
                              slot("aa_pos_map", b.maps.aa_pos_map, z.map),
                              slot("th_map", b.maps.th_map, z.map),
                              slot("work", b.work, z.work),
                              slot("pos_table", b.tables.pos_table, z.table),
                              slot("point_table", b.tables.point_table, z.table),
                              slot("th_flg_table", b.tables.th_flg_table, z.table),
                              slot("aa_table", b.tables.aa_table, z.table),
                              slot("aa_pos_table", b.tables.aa_pos_table, z.table),
                              slot("th_tablep", b.tables.th_tablep, z.table),
                              slot("line_1", b.line_1, z.line),
                              slot("line_2", b.line_2, z.line),
                              slot("line_3", b.line_3, z.line),
                              slot("display_buff", b.display_buff, z.display)};
  std::copy(std::begin(order), std::end(order), out);
}

// The reallocation order: the line buffers first.
constexpr int kReallocationOrder[kBufferCount] = {13, 14, 15, 0, 1,  2,  3,  4, 5,
                                                  6,  7,  8,  9, 10, 11, 12, 16};

}  // namespace

const char* allocate_buffers(const Params& p, Buffers& b) {
  Slot order[kBufferCount];
  allocation_order(b, sizes_of(p), order);
  std::uint64_t total = 0;
  for (int i = 0; i < kBufferCount; ++i) {
    // Over the budget counts as out of memory: with overcommit the
    // allocation itself would succeed and the machine would page instead.
    total += order[i].bytes;
    *order[i].pointer = fits_budget(total) ? g_allocate(order[i].bytes) : nullptr;
    if (*order[i].pointer) continue;
    ORV_Print("malloc: %s\n", order[i].name);
    free_buffers(b);
    return order[i].name;
  }
  b.tables.length = int(sizes_of(p).table);
  build_work_image_from_source(p, b.work);
  return nullptr;
}

const char* reallocate_buffers(const Params& p, Buffers& b) {
  Slot order[kBufferCount];
  allocation_order(b, sizes_of(p), order);
  std::uint64_t total = 0;
  for (int i : kReallocationOrder) {
    total += order[i].bytes;
    void* grown = fits_budget(total) ? g_reallocate(*order[i].pointer, order[i].bytes) : nullptr;
    if (grown) {
      *order[i].pointer = grown;
      continue;
    }
    ORV_Print("realloc: %s\n", order[i].name);
    std::free(*order[i].pointer);
    *order[i].pointer = nullptr;
    return order[i].name;
  }
  b.tables.length = int(sizes_of(p).table);
  build_work_image_from_source(p, b.work);
  return nullptr;
}

std::uint64_t buffer_bytes(const Params& p) {
  Buffers none;
  Slot order[kBufferCount];
  allocation_order(none, sizes_of(p), order);
  std::uint64_t total = 0;
  for (const Slot& slot : order) total += slot.bytes;
  return total;
}

void free_buffers(Buffers& b) {
  Slot order[kBufferCount];
  allocation_order(b, {}, order);
  for (int i = kBufferCount - 1; i >= 0; --i) {
    std::free(*order[i].pointer);
    *order[i].pointer = nullptr;
  }
  b.tables.length = 0;
}

void set_allocator_for_tests(Allocate allocate, Reallocate reallocate) {
  g_allocate = allocate ? allocate : std::malloc;
  g_reallocate = reallocate ? reallocate : std::realloc;
}

}  // namespace composer
