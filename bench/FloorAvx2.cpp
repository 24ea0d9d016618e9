// The floor loops on 256-bit AVX2 vectors (this file is built with -mavx2 -mfma).
#include <immintrin.h>

#include "bench/FloorLoops.h"

namespace bench::floor_avx2 {
namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr int kWidth = 8;
  static V load(const float* p) noexcept {
    return _mm256_loadu_si256(reinterpret_cast<const V*>(p));
  }
  static V splat(uint32_t w) noexcept { return _mm256_set1_epi32(static_cast<int>(w)); }
  static V xor_(V x, V y) noexcept { return _mm256_xor_si256(x, y); }
  static void store(float* p, V v) noexcept { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
};

}  // namespace

const FloorSet& kernels() noexcept { return FloorLoops<Avx2>::set(); }

}  // namespace bench::floor_avx2
