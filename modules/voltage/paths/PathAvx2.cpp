// The AVX2 path: eight lanes, with FMA. Products whose tenth would be
// denormal are formed without the hardware ever producing a denormal from
// normal operands (see kTinyExponentBits in VoltsSimd.h); the results are the
// same bits.
#include "modules/voltage/paths/VoltsSimd.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstring>

namespace volts::avx2 {
namespace {

using simd::kInfinity;
using simd::kMagnitude;
using simd::kSignBit;
using simd::kSmallestNormal;
using simd::kStripLimit;
using simd::kTinyExponentBits;
using simd::kTinyLimit;
using simd::kZeroLimit;

__m256i splat32(uint32_t w) { return _mm256_set1_epi32(static_cast<int32_t>(w)); }
__m256 splatF(uint32_t w) { return _mm256_castsi256_ps(splat32(w)); }
// single(x * -1.0), as the scalar code forms -cap (a NaN stays as it is).
__m256 negated(__m256 x) { return _mm256_mul_ps(x, _mm256_set1_ps(kMinusOne)); }
// single(R x 0.1) for every lane, tiny products included, exactly.
__m256i tenth(__m256i r) {
  const __m256i tiny =
      _mm256_cmpeq_epi32(_mm256_and_si256(r, splat32(kTinyExponentBits)), _mm256_setzero_si256());
  const __m256i bias = _mm256_and_si256(tiny, splat32(kSmallestNormal));
  const __m256i addend = _mm256_or_si256(_mm256_and_si256(r, splat32(kSignBit)), bias);
  const __m256 y =
      _mm256_fmadd_ps(_mm256_castsi256_ps(r), _mm256_set1_ps(kTenth), _mm256_castsi256_ps(addend));
  return _mm256_sub_epi32(_mm256_castps_si256(y), bias);
}

struct Isa {
  static constexpr int32_t kLanes = 8;

  struct Word {
    __m256i v;
    friend Word operator&(Word x, Word y) noexcept { return {_mm256_and_si256(x.v, y.v)}; }
    friend Word operator|(Word x, Word y) noexcept { return {_mm256_or_si256(x.v, y.v)}; }
    friend Word operator^(Word x, Word y) noexcept { return {_mm256_xor_si256(x.v, y.v)}; }
    friend Word operator~(Word x) noexcept {
      return {_mm256_xor_si256(x.v, _mm256_set1_epi32(-1))};
    }
  };

  static Word load(const void* p) noexcept {
    return {_mm256_loadu_si256(static_cast<const __m256i*>(p))};
  }
  static Word loadPartial(const void* p, int32_t n) noexcept {
    uint32_t lanes[kLanes] = {};
    std::memcpy(lanes, p, static_cast<size_t>(n) * sizeof(float));
    return load(lanes);
  }
  static Word splat(uint32_t w) noexcept { return {splat32(w)}; }
  static Word scale(Word x) noexcept {
    return {_mm256_castps_si256(_mm256_mul_ps(_mm256_castsi256_ps(x.v), _mm256_set1_ps(kTen)))};
  }
  static void store(void* p, Word w) noexcept {
    _mm256_storeu_si256(static_cast<__m256i*>(p), w.v);
  }
  static void storePartial(void* p, Word w, int32_t n) noexcept {
    uint32_t lanes[kLanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), w.v);
    std::memcpy(p, lanes, static_cast<size_t>(n) * sizeof(float));
  }

  static Word tenth(Word r) noexcept { return {avx2::tenth(r.v)}; }
  static Word tenthOfNormal(Word r) noexcept {
    return {_mm256_castps_si256(_mm256_mul_ps(_mm256_castsi256_ps(r.v), _mm256_set1_ps(kTenth)))};
  }
  // Small words add and subtract 2^-89 with their sign; the others -0.0,
  // which leaves them as they are.
  static Word stripSmall(Word r) noexcept {
    const __m256i large =
        _mm256_cmpgt_epi32(_mm256_and_si256(r.v, splat32(kMagnitude)), splat32(kStripLimit - 1u));
    const __m256i sign = _mm256_and_si256(_mm256_or_si256(r.v, large), splat32(kSignBit));
    const __m256 offset = _mm256_castsi256_ps(
        _mm256_or_si256(sign, _mm256_andnot_si256(large, splat32(kStripLimit))));
    const __m256 x = _mm256_castsi256_ps(r.v);
    return {_mm256_castps_si256(_mm256_sub_ps(_mm256_add_ps(x, offset), offset))};
  }

  // The capped variant's steps (see simd::CapOutput): the cap, as a clamp or,
  // for a negative Cap, with the comparison; then the tenth with denormals
  // and NaNs stripped.
  using Float = __m256;
  static Float splatFloat(uint32_t w) noexcept { return splatF(w); }
  static Float negated(Float x) noexcept { return volts::avx2::negated(x); }
  template <bool kNegativeCap>
  static __m256i capped(Word r, Float cap, Float negativeCap) noexcept {
    const __m256 x = _mm256_castsi256_ps(r.v);
    if constexpr (kNegativeCap)
      return _mm256_castps_si256(
          _mm256_blendv_ps(_mm256_max_ps(negativeCap, x), cap, _mm256_cmp_ps(x, cap, _CMP_GT_OQ)));
    else
      return _mm256_castps_si256(_mm256_min_ps(cap, _mm256_max_ps(negativeCap, x)));
  }
  static Word strippedTenth(__m256i capped) noexcept {
    // A word whose tenth would be denormal, and a NaN, come out +0.0: zeroed
    // before the multiply, which so never makes a denormal. Tenths that round
    // to zero keep their sign. The range test kZeroLimit <= mag < kTinyLimit
    // is one signed comparison once the range is moved to the bottom.
    const __m256i mag = _mm256_and_si256(capped, splat32(kMagnitude));
    const __m256i tiny = _mm256_cmpgt_epi32(splat32(kSignBit + (kTinyLimit - kZeroLimit)),
                                            _mm256_add_epi32(mag, splat32(kSignBit - kZeroLimit)));
    const __m256i nan = _mm256_cmpgt_epi32(mag, splat32(kInfinity));
    const __m256i kept = _mm256_andnot_si256(_mm256_or_si256(tiny, nan), capped);
    return tenthOfNormal({kept});
  }
};

}  // namespace

const KernelTable* table(VariantId variant) noexcept {
  return &simd::PathTables<Isa>::kTables[static_cast<int32_t>(variant)];
}

}  // namespace volts::avx2

#endif
