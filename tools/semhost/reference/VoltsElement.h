// A plain scalar model of what the three voltage modules output for one
// element, written apart from the modules' code so the two can be compared
// bit for bit. The voltage tests use it directly; the validator's and the
// fuzz target's model of a whole module (Reference.h) builds on it. It spells each rule out directly: a switch over the formulas,
// NaN quieting by setting bit 22, the cap's two comparisons, the strip of
// denormals and NaNs by classification, and the small-value strip of the DN
// variant as "round to a multiple of 2^-112 below 2^-89" in integers.
//
// Every function takes and returns bit patterns: on 32-bit x86 a float that
// is returned from a function passes through the x87 stack, which would
// quiet a signalling NaN before the model looks at it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace voltsref {

enum class Variant { Plain, Cap, Dn };
enum class Case { Both, AStreams, BStreams, Static };

inline float asFloat(uint32_t w) {
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}
inline uint32_t asBits(float f) {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}
inline bool isNaN(uint32_t w) { return (w & 0x7F800000u) == 0x7F800000u && (w & 0x7FFFFFu) != 0; }
inline uint32_t quiet(uint32_t w) { return w | 0x00400000u; }

inline uint32_t formulaWord(int k, uint32_t a, uint32_t b) {
  switch (k) {
    case 0: return a & b;
    case 1: return a | b;
    case 2: return ~(a & b);
    case 3: return ~(a | b);
    case 4: return a ^ b;
    case 5: return ~(a ^ b);
    case 6: return a;
    case 7: return b;
    case 8: return ~a;
    case 9: return ~b;
    case 10: return a & ~b;
    case 11: return ~a & b;
    case 12: return a | ~b;
    case 13: return ~a | b;
    case 14: return 0u;
    default: return 0xFFFFFFFFu;
  }
}

// Which operands formula k looks at.
inline bool usesA(int k) { return k != 7 && k != 9 && k != 14 && k != 15; }
inline bool usesB(int k) { return k != 6 && k != 8 && k != 14 && k != 15; }

// A single-precision product with a NaN operand: the NaN, made quiet.
inline uint32_t times(uint32_t w, float factor) {
  if (isNaN(w)) return quiet(w);
  return asBits(asFloat(w) * factor);
}

inline uint32_t toVolts(uint32_t sample) { return times(sample, 10.0f); }
inline uint32_t toSamples(uint32_t volts) { return times(volts, asFloat(0x3DCCCCCDu)); }

inline uint32_t capped(uint32_t r, uint32_t capBits) {
  const float value = asFloat(r);
  const float cap = asFloat(capBits);
  const float negativeCap = cap * -1.0f;
  if (value > cap) return capBits;
  if (negativeCap > value) return asBits(negativeCap);
  return r;
}

inline uint32_t stripped(uint32_t w) {
  const int kind = std::fpclassify(asFloat(w));
  if (kind == FP_SUBNORMAL || isNaN(w)) return 0u;
  return w;
}

// Below 2^-89 in magnitude: the nearest multiple of 2^-112, ties to even,
// +0.0 when that is zero. NaNs come out quiet; everything else passes.
inline uint32_t smallStripped(uint32_t r) {
  if (isNaN(r)) return quiet(r);
  const uint32_t magnitude = r & 0x7FFFFFFFu;
  if (magnitude >= (38u << 23)) return r;  // 2^-89
  const uint32_t exponent = magnitude >> 23;
  const uint64_t mantissa = exponent == 0 ? (magnitude & 0x7FFFFFu)
                                          : ((magnitude & 0x7FFFFFu) | 0x800000u);
  // value = mantissa * 2^(e), e = exponent - 150 (or -149 for denormals);
  // in units of 2^-112 that is mantissa / 2^shift.
  const int shift = exponent == 0 ? 37 : 150 - 112 - static_cast<int>(exponent);
  uint64_t q = mantissa >> shift;
  const uint64_t rest = mantissa & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (q & 1u) != 0)) ++q;
  if (q == 0) return 0u;
  const float value = std::ldexp(static_cast<float>(q), -112);
  return asBits(value) | (r & 0x80000000u);
}

// The output element for the formula's word r.
inline uint32_t output(Variant v, uint32_t r, uint32_t capBits, bool heldRow) {
  switch (v) {
    case Variant::Plain: return toSamples(r);
    case Variant::Cap: return stripped(toSamples(capped(r, capBits)));
    default: return heldRow ? toSamples(r) : toSamples(smallStripped(r));
  }
}

// One element: samples a and b (patterns) as the routine sees them, where a
// held operand is the sample taken at selection.
inline uint32_t element(Variant v, int k, uint32_t a, uint32_t b, uint32_t capBits,
                        bool heldRow = false) {
  return output(v, formulaWord(k, toVolts(a), toVolts(b)), capBits, heldRow);
}

// The first element of a marked fill.
inline uint32_t marked(Variant v, uint32_t w) {
  if (v == Variant::Cap) return w ^ 0x80000000u;
  return (w & 0xFFFFFF00u) | ((w & 0xFFu) == 0 ? 1u : 0u);
}

}  // namespace voltsref
