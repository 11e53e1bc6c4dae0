// The composer's buffers for one run: the BETA maps, the work image, the
// tables, three line buffers and the composed output. Allocated in a fixed
// order when a run starts, resized in another when sizes change, freed in
// reverse when it ends; every failure names its buffer on the text window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "composer/tables.h"

namespace composer {

struct Params;

struct Buffers {
  Maps maps;                      // the BETA maps
  std::uint32_t* work = nullptr;  // the work image
  Tables tables;                  // length: T = S·N + M of the last (re)allocation
  std::uint32_t* line_1 = nullptr;
  std::uint32_t* line_2 = nullptr;
  std::uint32_t* line_3 = nullptr;
  std::uint32_t* display_buff = nullptr;
};

// Allocates every buffer for the current sizes, then builds the work image.
// On a failure prints "malloc: <name>\n", frees what it had allocated (in
// reverse order) and returns the buffer's name; nullptr when all is done.
const char* allocate_buffers(const Params& p, Buffers& b);
// Resizes every buffer to the current sizes, keeping contents up to the
// smaller size, then rebuilds the work image. On a failure prints
// "realloc: <name>\n", frees that buffer's old block (it is left empty) and
// returns its name; the caller then frees the rest.
const char* reallocate_buffers(const Params& p, Buffers& b);
// The bytes every buffer takes together for the current sizes.
std::uint64_t buffer_bytes(const Params& p);
// Frees every buffer, in the reverse of the allocation order.
void free_buffers(Buffers& b);

// The allocator the buffers use; tests make it fail.
using Allocate = void* (*)(std::size_t bytes);
using Reallocate = void* (*)(void* block, std::size_t bytes);
void set_allocator_for_tests(Allocate allocate, Reallocate reallocate);

}  // namespace composer
