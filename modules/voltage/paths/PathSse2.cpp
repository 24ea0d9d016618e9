// The SSE2 path: four lanes, what every processor these modules run on has.
// The multiplies are the hardware's own: on the processors measured, a
// denormal product of a 128-bit multiply costs less than any exact
// replacement without FMA would (the benchmarks show both).
#include "modules/voltage/paths/VoltsSimd.h"

#if defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>

#include <cstring>

namespace volts::sse2 {
namespace {

using simd::kInfinity;
using simd::kMagnitude;
using simd::kSignBit;
using simd::kStripLimit;
using simd::kTinyLimit;
using simd::kZeroLimit;

__m128i splat32(uint32_t w) { return _mm_set1_epi32(static_cast<int32_t>(w)); }
__m128 splatF(uint32_t w) { return _mm_castsi128_ps(splat32(w)); }
// single(x * -1.0), as the scalar code forms -cap (a NaN stays as it is).
__m128 negated(__m128 x) { return _mm_mul_ps(x, _mm_set1_ps(kMinusOne)); }
// Lanes of m (all ones or zero) take x, the others y.
__m128i select(__m128i m, __m128i x, __m128i y) {
  return _mm_or_si128(_mm_and_si128(m, x), _mm_andnot_si128(m, y));
}

struct Isa {
  static constexpr int32_t kLanes = 4;

  struct Word {
    __m128i v;
    friend Word operator&(Word x, Word y) noexcept { return {_mm_and_si128(x.v, y.v)}; }
    friend Word operator|(Word x, Word y) noexcept { return {_mm_or_si128(x.v, y.v)}; }
    friend Word operator^(Word x, Word y) noexcept { return {_mm_xor_si128(x.v, y.v)}; }
    friend Word operator~(Word x) noexcept { return {_mm_xor_si128(x.v, _mm_set1_epi32(-1))}; }
  };

  static Word load(const void* p) noexcept {
    return {_mm_loadu_si128(static_cast<const __m128i*>(p))};
  }
  static Word loadPartial(const void* p, int32_t n) noexcept {
    uint32_t lanes[kLanes] = {};
    std::memcpy(lanes, p, static_cast<size_t>(n) * sizeof(float));
    return load(lanes);
  }
  static Word splat(uint32_t w) noexcept { return {splat32(w)}; }
  static Word scale(Word x) noexcept {
    return {_mm_castps_si128(_mm_mul_ps(_mm_castsi128_ps(x.v), _mm_set1_ps(kTen)))};
  }
  static void store(void* p, Word w) noexcept { _mm_storeu_si128(static_cast<__m128i*>(p), w.v); }
  static void storePartial(void* p, Word w, int32_t n) noexcept {
    uint32_t lanes[kLanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), w.v);
    std::memcpy(p, lanes, static_cast<size_t>(n) * sizeof(float));
  }

  // The hardware multiply, for every word: see the note at the top.
  static Word tenth(Word r) noexcept {
    return {_mm_castps_si128(_mm_mul_ps(_mm_castsi128_ps(r.v), _mm_set1_ps(kTenth)))};
  }
  static Word tenthOfNormal(Word r) noexcept { return tenth(r); }
  // Small words add and subtract 2^-89 with their sign; the others -0.0,
  // which leaves them as they are.
  static Word stripSmall(Word r) noexcept {
    const __m128i large =
        _mm_cmpgt_epi32(_mm_and_si128(r.v, splat32(kMagnitude)), splat32(kStripLimit - 1u));
    const __m128i sign = _mm_and_si128(_mm_or_si128(r.v, large), splat32(kSignBit));
    const __m128 offset =
        _mm_castsi128_ps(_mm_or_si128(sign, _mm_andnot_si128(large, splat32(kStripLimit))));
    const __m128 x = _mm_castsi128_ps(r.v);
    return {_mm_castps_si128(_mm_sub_ps(_mm_add_ps(x, offset), offset))};
  }

  // The capped variant's steps (see simd::CapOutput): the cap, as a clamp or,
  // for a negative Cap, with the comparison; then the tenth with denormals
  // and NaNs stripped.
  using Float = __m128;
  static Float splatFloat(uint32_t w) noexcept { return splatF(w); }
  static Float negated(Float x) noexcept { return volts::sse2::negated(x); }
  template <bool kNegativeCap>
  static __m128i capped(Word r, Float cap, Float negativeCap) noexcept {
    const __m128 x = _mm_castsi128_ps(r.v);
    if constexpr (kNegativeCap)
      return select(_mm_castps_si128(_mm_cmpgt_ps(x, cap)), _mm_castps_si128(cap),
                    _mm_castps_si128(_mm_max_ps(negativeCap, x)));
    else
      return _mm_castps_si128(_mm_min_ps(cap, _mm_max_ps(negativeCap, x)));
  }
  static Word strippedTenth(__m128i capped) noexcept {
    // A word whose tenth would be denormal, and a NaN, come out +0.0: zeroed
    // before the multiply, which so never makes a denormal. Tenths that round
    // to zero keep their sign. The range test kZeroLimit <= mag < kTinyLimit
    // is one signed comparison once the range is moved to the bottom.
    const __m128i mag = _mm_and_si128(capped, splat32(kMagnitude));
    const __m128i tiny = _mm_cmplt_epi32(_mm_add_epi32(mag, splat32(kSignBit - kZeroLimit)),
                                         splat32(kSignBit + (kTinyLimit - kZeroLimit)));
    const __m128i nan = _mm_cmpgt_epi32(mag, splat32(kInfinity));
    const __m128i kept = _mm_andnot_si128(_mm_or_si128(tiny, nan), capped);
    return tenthOfNormal({kept});
  }
};

}  // namespace

const KernelTable* table(VariantId variant) noexcept {
  return &simd::PathTables<Isa>::kTables[static_cast<int32_t>(variant)];
}

}  // namespace volts::sse2

#endif
