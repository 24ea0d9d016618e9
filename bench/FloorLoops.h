// The floor loops written once over a vector type; FloorSse2.cpp,
// FloorAvx2.cpp and FloorAvx512.cpp instantiate them with their own traits
// (and their own compiler flags). A Traits type supplies:
//   using V; static constexpr int kWidth;        lanes of 32 bits
//   static V load(const float*), splat(uint32_t), xor_(V, V);
//   static void store(float*, V);
// Loads and stores are unaligned, as a routine cannot assume the host's
// alignment; the remainder below one vector runs element by element.
#pragma once

#include <cstdint>
#include <cstring>

#include "bench/BenchKernels.h"

namespace bench {

template <class T>
struct FloorLoops {
  static uint32_t word(const float* p) noexcept {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }
  static void put(float* p, uint32_t w) noexcept { std::memcpy(p, &w, sizeof w); }

  static void both(const float* a, const float* b, float* c, int32_t offset, int32_t frames,
                   uint32_t& scaledA, uint32_t& scaledB, uint32_t& result, uint32_t) noexcept {
    if (frames < 1) return;
    const float* pa = a + offset;
    const float* pb = b + offset;
    float* pc = c + offset;
    int32_t n = 0;
    for (; n + T::kWidth <= frames; n += T::kWidth)
      T::store(pc + n, T::xor_(T::load(pa + n), T::load(pb + n)));
    for (; n < frames; ++n) put(pc + n, word(pa + n) ^ word(pb + n));
    scaledA = word(pa + frames - 1);
    scaledB = word(pb + frames - 1);
    result = word(pc + frames - 1);
  }

  static void aOnly(const float* a, const float*, float* c, int32_t offset, int32_t frames,
                    uint32_t& scaledA, uint32_t& scaledB, uint32_t& result, uint32_t) noexcept {
    if (frames < 1) return;
    const float* pa = a + offset;
    float* pc = c + offset;
    const uint32_t held = scaledB;
    const typename T::V h = T::splat(held);
    int32_t n = 0;
    for (; n + T::kWidth <= frames; n += T::kWidth) T::store(pc + n, T::xor_(T::load(pa + n), h));
    for (; n < frames; ++n) put(pc + n, word(pa + n) ^ held);
    scaledA = word(pa + frames - 1);
    result = word(pc + frames - 1);
  }

  static void bOnly(const float*, const float* b, float* c, int32_t offset, int32_t frames,
                    uint32_t& scaledA, uint32_t& scaledB, uint32_t& result, uint32_t) noexcept {
    if (frames < 1) return;
    const float* pb = b + offset;
    float* pc = c + offset;
    const uint32_t held = scaledA;
    const typename T::V h = T::splat(held);
    int32_t n = 0;
    for (; n + T::kWidth <= frames; n += T::kWidth) T::store(pc + n, T::xor_(h, T::load(pb + n)));
    for (; n < frames; ++n) put(pc + n, held ^ word(pb + n));
    scaledB = word(pb + frames - 1);
    result = word(pc + frames - 1);
  }

  static void store(const float*, const float*, float* c, int32_t offset, int32_t frames,
                    uint32_t&, uint32_t&, uint32_t& result, uint32_t) noexcept {
    if (frames < 1) return;
    float* pc = c + offset;
    const uint32_t w = result;
    const typename T::V v = T::splat(w);
    int32_t n = 0;
    for (; n + T::kWidth <= frames; n += T::kWidth) T::store(pc + n, v);
    for (; n < frames; ++n) put(pc + n, w);
  }

  static const FloorSet& set() noexcept {
    static const FloorSet s{&both, &aOnly, &bOnly, &store};
    return s;
  }
};

}  // namespace bench
