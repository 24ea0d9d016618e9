// The AVX-512 path: sixteen lanes, with FMA, mask registers and masked loads
// and stores for the last partial vector. Products whose tenth would be
// denormal are formed without the hardware ever producing a denormal from
// normal operands (see kTinyExponentBits in VoltsSimd.h); the results are the
// same bits.
#include "modules/voltage/paths/VoltsSimd.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// GCC 12's AVX-512 min and max intrinsics start from an undefined register
// and warn about it wherever they are inlined; the value is never read.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace volts::avx512 {
namespace {

using simd::kInfinity;
using simd::kMagnitude;
using simd::kSignBit;
using simd::kSmallestNormal;
using simd::kStripLimit;
using simd::kTinyExponentBits;
using simd::kTinyLimit;
using simd::kZeroLimit;

__m512i splat32(uint32_t w) { return _mm512_set1_epi32(static_cast<int32_t>(w)); }
__m512 splatF(uint32_t w) { return _mm512_castsi512_ps(splat32(w)); }
// single(x * -1.0), as the scalar code forms -cap (a NaN stays as it is).
__m512 negated(__m512 x) { return _mm512_mul_ps(x, _mm512_set1_ps(kMinusOne)); }
__mmask16 firstLanes(int32_t n) { return static_cast<__mmask16>((1u << n) - 1u); }

// Truth table of (A & B) | C for vpternlogd.
constexpr int kAAndBOrC = 0xEA;

// single(R x 0.1) for every lane, tiny products included, exactly.
__m512i tenth(__m512i r) {
  const __mmask16 tiny = _mm512_testn_epi32_mask(r, splat32(kTinyExponentBits));
  // Tiny lanes add (R's sign | 2^-126), the others -0.0.
  const __m512i addend = _mm512_mask_ternarylogic_epi32(splat32(kSignBit), tiny, r,
                                                        splat32(kSmallestNormal), kAAndBOrC);
  const __m512 y =
      _mm512_fmadd_ps(_mm512_castsi512_ps(r), _mm512_set1_ps(kTenth), _mm512_castsi512_ps(addend));
  const __m512i bits = _mm512_castps_si512(y);
  return _mm512_mask_sub_epi32(bits, tiny, bits, splat32(kSmallestNormal));
}

struct Isa {
  static constexpr int32_t kLanes = 16;

  struct Word {
    __m512i v;
    friend Word operator&(Word x, Word y) noexcept { return {_mm512_and_si512(x.v, y.v)}; }
    friend Word operator|(Word x, Word y) noexcept { return {_mm512_or_si512(x.v, y.v)}; }
    friend Word operator^(Word x, Word y) noexcept { return {_mm512_xor_si512(x.v, y.v)}; }
    friend Word operator~(Word x) noexcept {
      return {_mm512_ternarylogic_epi32(x.v, x.v, x.v, 0x55)};
    }
  };

  static Word load(const void* p) noexcept { return {_mm512_loadu_si512(p)}; }
  static Word loadPartial(const void* p, int32_t n) noexcept {
    return {_mm512_maskz_loadu_epi32(firstLanes(n), p)};
  }
  static Word splat(uint32_t w) noexcept { return {splat32(w)}; }
  static Word scale(Word x) noexcept {
    return {_mm512_castps_si512(_mm512_mul_ps(_mm512_castsi512_ps(x.v), _mm512_set1_ps(kTen)))};
  }
  static void store(void* p, Word w) noexcept { _mm512_storeu_si512(p, w.v); }
  static Word tenth(Word r) noexcept { return {avx512::tenth(r.v)}; }
  static Word tenthOfNormal(Word r) noexcept {
    return {_mm512_castps_si512(_mm512_mul_ps(_mm512_castsi512_ps(r.v), _mm512_set1_ps(kTenth)))};
  }
  // Small words add and subtract 2^-89 with their sign; the others -0.0,
  // which leaves them as they are.
  static Word stripSmall(Word r) noexcept {
    const __mmask16 small =
        _mm512_cmplt_epu32_mask(_mm512_and_si512(r.v, splat32(kMagnitude)), splat32(kStripLimit));
    const __m512 offset = _mm512_castsi512_ps(_mm512_mask_ternarylogic_epi32(
        splat32(kSignBit), small, r.v, splat32(kStripLimit), kAAndBOrC));
    const __m512 x = _mm512_castsi512_ps(r.v);
    return {_mm512_castps_si512(_mm512_sub_ps(_mm512_add_ps(x, offset), offset))};
  }
  static void storePartial(void* p, Word w, int32_t n) noexcept {
    _mm512_mask_storeu_epi32(p, firstLanes(n), w.v);
  }

  // The capped variant's steps (see simd::CapOutput): the cap, as a clamp or,
  // for a negative Cap, with the comparison; then the tenth with denormals
  // and NaNs stripped.
  using Float = __m512;
  static Float splatFloat(uint32_t w) noexcept { return splatF(w); }
  static Float negated(Float x) noexcept { return volts::avx512::negated(x); }
  template <bool kNegativeCap>
  static __m512i capped(Word r, Float cap, Float negativeCap) noexcept {
    const __m512 x = _mm512_castsi512_ps(r.v);
    if constexpr (kNegativeCap)
      return _mm512_castps_si512(
          _mm512_mask_max_ps(cap, _mm512_cmp_ps_mask(x, cap, _CMP_NGT_UQ), negativeCap, x));
    else
      return _mm512_castps_si512(_mm512_min_ps(cap, _mm512_max_ps(negativeCap, x)));
  }
  static Word strippedTenth(__m512i capped) noexcept {
    // The exact tenth (tiny products formed without the hardware making a
    // denormal), then denormals and NaNs (quiet 0x01, denormal 0x20,
    // signalling 0x80) become +0.0; zeros keep their sign.
    const __m512i y = avx512::tenth(capped);
    const __mmask16 strip = _mm512_fpclass_ps_mask(_mm512_castsi512_ps(y), 0x01 | 0x20 | 0x80);
    return {_mm512_mask_mov_epi32(y, strip, _mm512_setzero_si512())};
  }
};

}  // namespace

const KernelTable* table(VariantId variant) noexcept {
  return &simd::PathTables<Isa>::kTables[static_cast<int32_t>(variant)];
}

}  // namespace volts::avx512

#endif
