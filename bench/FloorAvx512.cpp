// The floor loops on 512-bit AVX-512 vectors (this file is built with
// -mavx512f -mavx512dq -mavx512bw -mavx512vl).
#include <immintrin.h>

#include "bench/FloorLoops.h"

namespace bench::floor_avx512 {
namespace {

struct Avx512 {
  using V = __m512i;
  static constexpr int kWidth = 16;
  static V load(const float* p) noexcept { return _mm512_loadu_si512(p); }
  static V splat(uint32_t w) noexcept { return _mm512_set1_epi32(static_cast<int>(w)); }
  static V xor_(V x, V y) noexcept { return _mm512_xor_si512(x, y); }
  static void store(float* p, V v) noexcept { _mm512_storeu_si512(p, v); }
};

}  // namespace

const FloorSet& kernels() noexcept { return FloorLoops<Avx512>::set(); }

}  // namespace bench::floor_avx512
