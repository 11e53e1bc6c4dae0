// Eight pixels' or sub-pixels' arithmetic in lanes. Each lane does exactly
// the operations the per-pixel code does, in the same order, so the
// results are the same to the bit (the composer is built without
// floating-point contraction); the loops that use these are built for AVX2
// too and pick the instruction set when the program starts.
#pragma once

#include <atomic>
#include <cstdint>

namespace composer {

// The processor's features the loops may use: each asked once, after the
// processor is identified, and allowed unless turned off (tests turn them
// off to run the loops every other processor runs, which must give the
// same pixels).
inline std::atomic<bool> wide_lanes_allowed{true}, sample_gathers_allowed{true};

// The loops built for AVX-512.
inline void allow_wide_lanes(bool allowed) {
  wide_lanes_allowed.store(allowed, std::memory_order_relaxed);
}
inline bool wide_lanes() {
  static const bool has = (__builtin_cpu_init(),
                           __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"));
  return has && wide_lanes_allowed.load(std::memory_order_relaxed);
}

// BETA from the source fetching its samples eight at a time with AVX2
// gathers (off: the plain loop).
inline void allow_sample_gathers(bool allowed) {
  sample_gathers_allowed.store(allowed, std::memory_order_relaxed);
}
inline bool sample_gathers() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has && sample_gathers_allowed.load(std::memory_order_relaxed);
}

typedef std::uint32_t Words8 __attribute__((vector_size(32)));
typedef std::int32_t Ints8 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));
typedef std::uint32_t Words4 __attribute__((vector_size(16)));
typedef std::int32_t Ints4 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));

// Eight copies of v. Written lane by lane, which GCC turns into one
// broadcast for every instruction set; multiplying by the scalar itself,
// when its vector is used more than once, had GCC build the copies in
// memory with eight scalar stores for AVX2, and reading them back as
// vectors then stalled.
[[gnu::always_inline]] inline Doubles8 splat8(double v) {
  Doubles8 copies;
  for (int l = 0; l < 8; ++l) copies[l] = v;
  return copies;
}

[[gnu::always_inline]] inline Doubles4 splat4(double v) {
  Doubles4 copies;
  for (int l = 0; l < 4; ++l) copies[l] = v;
  return copies;
}

// Lanes 4h .. 4h + 3 of eight words, and two halves of four doubles as one
// vector of eight.
[[gnu::always_inline]] inline Words4 half(const Words8& v, int h) {
  return h == 0 ? __builtin_shufflevector(v, v, 0, 1, 2, 3)
                : __builtin_shufflevector(v, v, 4, 5, 6, 7);
}
[[gnu::always_inline]] inline Doubles8 join(const Doubles4& low, const Doubles4& high) {
  return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

[[gnu::always_inline]] inline Doubles4 channel4(const Words4& colours, int shift) {
  return __builtin_convertvector(Ints4((colours >> shift) & 0xFF), Doubles4);
}

// The channel at `shift` (16 red, 8 green, 0 blue) of eight colours.
//
// Every function that takes or returns these vectors by value is inlined
// always, lambdas included: a vector passed between a function built for
// AVX2 and one built without would not be where the other looks for it.
[[gnu::always_inline]] inline Doubles8 channel8(const Words8& colours, int shift) {
  return __builtin_convertvector(Ints8((colours >> shift) & 0xFF), Doubles8);
}

// Red, green and blue values of eight pixels, truncated as int() does (and
// kept to their low byte) into colours.
[[gnu::always_inline]] inline Words8 colours8(const Doubles8 (&value)[3]) {
  Words8 out = {};
  for (int k = 0; k < 3; ++k)
    out |= (Words8(__builtin_convertvector(value[k], Ints8)) & 0xFF) << (16 - 8 * k);
  return out;
}

// The same rounded as int(v + 0.5) and clamped to 0..255.
[[gnu::always_inline]] inline Words8 rounded_colours8(const Doubles8 (&value)[3]) {
  Words8 out = {};
  for (int k = 0; k < 3; ++k) {
    Ints8 v = __builtin_convertvector(value[k] + 0.5, Ints8);
    v = v < 0 ? 0 : v;
    v = v > 255 ? 255 : v;
    out |= Words8(v) << (16 - 8 * k);
  }
  return out;
}

// Eight words base[index[l]] in one gather; only for loops built for AVX2.
[[gnu::always_inline, gnu::target("avx2")]] inline Ints8 gather8(const int* base,
                                                                 const Ints8& index) {
  return __builtin_ia32_gathersiv8si(Ints8{}, base, index, Ints8{} - 1, 4);
}

// Eight words stored past the cache, at a 16-byte boundary (in two halves:
// the base instruction set has only 16-byte streaming stores). The writer
// fences (sfence) before another thread reads them.
[[gnu::always_inline]] inline void stream_store(const Words8& v, std::uint32_t* at) {
  typedef long long Halves __attribute__((vector_size(16)));
  Halves h[2];
  __builtin_memcpy(h, &v, sizeof h);
  __builtin_ia32_movntdq(reinterpret_cast<Halves*>(at), h[0]);
  __builtin_ia32_movntdq(reinterpret_cast<Halves*>(at + 4), h[1]);
}

// Eight samples a and b blended with weights w, per channel
// int((1 − w)·a + w·b) as blend() computes it.
[[gnu::always_inline]] inline Words8 blend8(const Doubles8& w, const Words8& a, const Words8& b) {
  const Doubles8 u = 1 - w;
  Doubles8 value[3];
  for (int k = 0; k < 3; ++k) value[k] = u * channel8(a, 16 - 8 * k) + w * channel8(b, 16 - 8 * k);
  return colours8(value);
}

}  // namespace composer
