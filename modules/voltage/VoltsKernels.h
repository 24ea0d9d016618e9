// The per-sample arithmetic of the three voltage modules and the straight
// loop built from it (run<Variant, K, In>: 16 formulas x 3 input cases per
// variant, instantiated from formula::eval): the scalar path of VoltsPaths.h,
// which the vector paths in paths/ match bit for bit. No framework types, so a
// test or a benchmark can include this header alone and call a loop directly.
//
// Every value crosses a function boundary as its 32-bit pattern, never as a
// float: on 32-bit x86 a float result travels through the x87 stack, which
// would quiet a signalling NaN on the way. Float arithmetic happens only
// inside these inline functions, in SSE registers.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "formula/Formula.h"

namespace volts {

// A sample value s stands for 10 s volts.
inline constexpr float kTen = 10.0f;
inline constexpr float kTenth = 0.1f;
inline constexpr float kMinusOne = -1.0f;
// Sum and difference with this offset, in double, round every small result
// to a multiple of 2^-112 and so remove denormals.
inline constexpr float kStripOffset = 1.0e-18f;
static_assert(std::bit_cast<uint32_t>(kTen) == 0x41200000u);
static_assert(std::bit_cast<uint32_t>(kTenth) == 0x3DCCCCCDu);
static_assert(std::bit_cast<uint32_t>(kMinusOne) == 0xBF800000u);
static_assert(std::bit_cast<uint32_t>(kStripOffset) == 0x219392EFu);

// Which inputs stream. A held operand is not read from its buffer: its scaled
// pattern was taken once, when the routine was selected.
enum class Inputs : int { Both = 0, AStreams = 1, BStreams = 2 };
inline constexpr int kInputCases = 3;

// single(sample x 10.0), as a pattern.
inline uint32_t toVolts(float sample) noexcept { return std::bit_cast<uint32_t>(sample * kTen); }

// single(volts x 0.1), as a pattern. A NaN comes out quiet, sign and payload kept.
inline uint32_t toSamples(uint32_t volts) noexcept {
  return std::bit_cast<uint32_t>(std::bit_cast<float>(volts) * kTenth);
}

// Limits r to -cap..cap, the two comparisons in this order. A NaN on either
// side fails both, so a NaN r or a NaN cap leaves r as it is. With a negative
// cap, -cap lies above cap: every ordered r above cap becomes cap, every other
// ordered r becomes -cap.
inline uint32_t capVolts(uint32_t r, uint32_t capBits) noexcept {
  const float value = std::bit_cast<float>(r);
  const float cap = std::bit_cast<float>(capBits);
  const float negativeCap = cap * kMinusOne;
  if (value > cap) return capBits;
  if (negativeCap > value) return std::bit_cast<uint32_t>(negativeCap);
  return r;
}

// +0.0 for a denormal or NaN pattern (exponent field all clear or all set with
// a fraction); zeros and infinities pass.
inline uint32_t stripDenormalOrNaN(uint32_t w) noexcept {
  const uint32_t exponent = (w >> 23) & 0xFFu;
  const uint32_t fraction = w & 0x7FFFFFu;
  return ((exponent == 0u || exponent == 0xFFu) && fraction != 0u) ? 0u : w;
}

// (r + offset) - offset carried in double, only the difference rounded to
// single: magnitudes from 2^-89 up pass unchanged, smaller ones become the
// nearest multiple of 2^-112, so everything up to 2^-113 (all denormals, both
// zeros) becomes +0.0. Infinities and NaNs pass (a NaN comes out quiet).
inline uint32_t stripSmall(uint32_t r) noexcept {
  const double offset = static_cast<double>(kStripOffset);
  const double sum = static_cast<double>(std::bit_cast<float>(r)) + offset;
  return std::bit_cast<uint32_t>(static_cast<float>(sum - offset));
}

// The variants: how the formula's word R becomes an output sample, per
// element and for the held output of the both-static row, and how the first
// element of a marked fill is marked.
enum class VariantId : int32_t { Plain = 0, Capped = 1, DenormalStrip = 2 };
inline constexpr int32_t kVariantCount = 3;

struct PlainVolts {
  static constexpr VariantId kId = VariantId::Plain;
  static constexpr bool kHasCap = false;
  static uint32_t perSample(uint32_t r, uint32_t) noexcept { return toSamples(r); }
  static uint32_t held(uint32_t r, uint32_t) noexcept { return toSamples(r); }
  // The low byte becomes 1 where it was 0 and 0 otherwise, so the first
  // element differs from the held value whatever it is.
  static uint32_t mark(uint32_t w) noexcept {
    return (w & ~0xFFu) | ((w & 0xFFu) == 0u ? 1u : 0u);
  }
};

struct CappedVolts {
  static constexpr VariantId kId = VariantId::Capped;
  static constexpr bool kHasCap = true;
  static uint32_t perSample(uint32_t r, uint32_t capBits) noexcept {
    return stripDenormalOrNaN(toSamples(capVolts(r, capBits)));
  }
  static uint32_t held(uint32_t r, uint32_t capBits) noexcept { return perSample(r, capBits); }
  // The output is never denormal or NaN, so the sign bit carries the mark.
  static uint32_t mark(uint32_t w) noexcept { return w ^ 0x80000000u; }
};

struct DenormalStripVolts {
  static constexpr VariantId kId = VariantId::DenormalStrip;
  static constexpr bool kHasCap = false;
  static uint32_t perSample(uint32_t r, uint32_t) noexcept { return toSamples(stripSmall(r)); }
  // The held output skips the strip, so it can be denormal.
  static uint32_t held(uint32_t r, uint32_t) noexcept { return toSamples(r); }
  static uint32_t mark(uint32_t w) noexcept { return PlainVolts::mark(w); }
};

// The buffers a routine reads: none for an operand the formula ignores or
// that is held.
template <int K, Inputs In>
inline constexpr bool kReadsA = In != Inputs::BStreams && formula::usesA<K>();
template <int K, Inputs In>
inline constexpr bool kReadsB = In != Inputs::AStreams && formula::usesB<K>();

// One per-sample routine: elements offset .. offset+frames-1 of c from those
// of a and b (only the buffers it reads are touched; the others may be null).
// scaledA and scaledB hold the held operands on entry and the last operands
// on return; result holds the last output. Nothing happens for frames < 1.
// The loop has no branch on formula or input case; a "constant" routine
// still computes and writes every element.
template <class Variant, int K, Inputs In>
void run(const float* a, const float* b, float* c, int32_t offset, int32_t frames,
         uint32_t& scaledA, uint32_t& scaledB, uint32_t& result, uint32_t capBits) noexcept {
  if (frames < 1) return;
  uint32_t wa = scaledA;
  uint32_t wb = scaledB;
  uint32_t out = result;
  float* dst = c + offset;
  for (int32_t n = 0; n < frames; ++n) {
    if constexpr (kReadsA<K, In>) wa = toVolts(a[offset + n]);
    if constexpr (kReadsB<K, In>) wb = toVolts(b[offset + n]);
    out = Variant::perSample(formula::eval<K, uint32_t>(wa, wb), capBits);
    std::memcpy(dst + n, &out, sizeof out);
  }
  scaledA = wa;
  scaledB = wb;
  result = out;
}

// Writes pattern into elements offset .. offset+frames-1 of c.
inline void fill(float* c, int32_t offset, int32_t frames, uint32_t pattern) noexcept {
  float* dst = c + offset;
  for (int32_t n = 0; n < frames; ++n) std::memcpy(dst + n, &pattern, sizeof pattern);
}

}  // namespace volts
