// The floor loops on 128-bit SSE2 vectors: the baseline every x86 processor
// the modules run on has.
#include <emmintrin.h>

#include "bench/FloorLoops.h"

namespace bench::floor_sse2 {
namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr int kWidth = 4;
  static V load(const float* p) noexcept { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static V splat(uint32_t w) noexcept { return _mm_set1_epi32(static_cast<int>(w)); }
  static V xor_(V x, V y) noexcept { return _mm_xor_si128(x, y); }
  static void store(float* p, V v) noexcept { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
};

}  // namespace

const FloorSet& kernels() noexcept { return FloorLoops<Sse2>::set(); }

}  // namespace bench::floor_sse2
