// The per-sample loop of the voltage modules over vectors of lanes, written
// once for every instruction set. Each path's source file defines an Isa
// struct in a namespace of its own and instantiates run<Isa, ...>; since every
// template here depends on Isa, no code compiled for a wider instruction set
// can stand in for another path's (the linker merges only identical
// instantiations).
//
// An Isa provides:
//   kLanes                 lanes per vector
//   Word                   a vector of 32-bit patterns with & | ^ ~
//   load(p) / loadPartial(p, n)   kLanes patterns (first n, the rest 0)
//   splat(w)               w in every lane
//   scale(x)               patterns of single(x * 10.0), lane by lane
//   store(p, w) / storePartial(p, w, n)
//   tenth(r)               patterns of single(R x 0.1) for any formula word R,
//                          denormal tenths included
//   tenthOfNormal(r)       the same for words whose tenth is never denormal
//   stripSmall(r)          the denormal-stripping variant's strip of R
//   Float, splatFloat, negated, capped<kNegativeCap>, strippedTenth
//                          the steps of the capped variant (CapOutput below)
// and every lane comes out exactly as the scalar arithmetic of
// VoltsKernels.h would compute it.
#pragma once

#include <emmintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "formula/Formula.h"
#include "modules/voltage/VoltsPaths.h"

namespace volts::simd {

// The pattern of single(*p x 10.0), computed and handed over in an SSE
// register: the operand carried out of a call for the last element. The
// unused Isa keeps one instantiation per path, compiled for that path.
template <class Isa>
uint32_t scaleOne(const float* p) noexcept {
  return static_cast<uint32_t>(
      _mm_cvtsi128_si32(_mm_castps_si128(_mm_mul_ss(_mm_load_ss(p), _mm_set_ss(kTen)))));
}

// The output steps of the variants: how a formula word R becomes an output.
template <class Isa>
struct PlainOutput {
  typename Isa::Word operator()(typename Isa::Word r) const noexcept { return Isa::tenth(r); }
};

// The stripped word is 0 or at least 2^-112, so its tenth is never denormal.
template <class Isa>
struct StripOutput {
  typename Isa::Word operator()(typename Isa::Word r) const noexcept {
    return Isa::tenthOfNormal(Isa::stripSmall(r));
  }
};

// The capped variant's output step. For a Cap of 0 or more (or a NaN) the cap
// is a clamp, min(cap, max(-cap, R)); a negative Cap puts -cap above cap, every
// ordered R above cap becomes cap and every other one -cap, which needs the
// comparison. Both keep the rule: R > cap first, then -cap > R; a NaN on either
// side fails both (max and min return their second operand then, here R).
// -cap is single(cap x -1.0), as the scalar code forms it.
template <class Isa, bool kNegativeCap>
struct CapOutput {
  typename Isa::Float cap;
  typename Isa::Float negativeCap;
  explicit CapOutput(uint32_t capBits) noexcept
      : cap(Isa::splatFloat(capBits)), negativeCap(Isa::negated(Isa::splatFloat(capBits))) {}
  typename Isa::Word operator()(typename Isa::Word r) const noexcept {
    return Isa::strippedTenth(Isa::template capped<kNegativeCap>(r, cap, negativeCap));
  }
};

// A Cap below zero (not a NaN, not -0.0).
constexpr bool isNegativeCap(uint32_t capBits) noexcept {
  return capBits > 0x80000000u && capBits <= 0xFF800000u;
}

// Calls f with the variant's output step; for the capped variant the choice
// between clamp and comparison is made here, once per call.
template <class Isa, class Variant, class F>
void withOutput(uint32_t capBits, F&& f) noexcept {
  if constexpr (Variant::kId == VariantId::Capped) {
    if (isNegativeCap(capBits))
      f(CapOutput<Isa, true>(capBits));
    else
      f(CapOutput<Isa, false>(capBits));
  } else if constexpr (Variant::kId == VariantId::DenormalStrip) {
    f(StripOutput<Isa>());
  } else {
    f(PlainOutput<Isa>());
  }
}

// The loop of run below with its output step.
template <class Isa, int K, Inputs In, class Output>
void runWith(const Output& output, const float* a, const float* b, float* c, int32_t offset,
             int32_t frames, uint32_t& scaledA, uint32_t& scaledB, uint32_t& result) noexcept {
  if (frames < 1) return;
  using Word = typename Isa::Word;
  constexpr int32_t kLanes = Isa::kLanes;
  constexpr bool kA = kReadsA<K, In>;
  constexpr bool kB = kReadsB<K, In>;
  const Word heldA = Isa::splat(scaledA);
  const Word heldB = Isa::splat(scaledB);
  const float* pa = kA ? a + offset : nullptr;
  const float* pb = kB ? b + offset : nullptr;
  float* pc = c + offset;
  // Nothing computed is kept from one vector to the next: on some processors
  // merely copying a register that holds a denormal costs as much as a
  // denormal product, so the carried values are taken after the loop.
  int32_t n = 0;
#pragma GCC unroll 2
  for (; n + kLanes <= frames; n += kLanes) {
    const Word wa = kA ? Isa::scale(Isa::load(pa + n)) : heldA;
    const Word wb = kB ? Isa::scale(Isa::load(pb + n)) : heldB;
    Isa::store(pc + n, output(formula::eval<K, Word>(wa, wb)));
  }
  if (n < frames) {
    const int32_t rest = frames - n;
    const Word wa = kA ? Isa::scale(Isa::loadPartial(pa + n, rest)) : heldA;
    const Word wb = kB ? Isa::scale(Isa::loadPartial(pb + n, rest)) : heldB;
    Isa::storePartial(pc + n, output(formula::eval<K, Word>(wa, wb)), rest);
  }
  // The operands and output of the last element.
  const int32_t last = frames - 1;
  if constexpr (kA) scaledA = scaleOne<Isa>(pa + last);
  if constexpr (kB) scaledB = scaleOne<Isa>(pb + last);
  std::memcpy(&result, pc + last, sizeof result);
}

// Elements offset .. offset+frames-1, as volts::run: the held operands come in
// through scaledA and scaledB, the last operands and output go out through
// them and result. The loop has no branch on formula or input case; the last
// partial vector goes through the same arithmetic as the others.
template <class Isa, class Variant, int K, Inputs In>
void run(const float* a, const float* b, float* c, int32_t offset, int32_t frames,
         uint32_t& scaledA, uint32_t& scaledB, uint32_t& result, uint32_t capBits) noexcept {
  withOutput<Isa, Variant>(capBits, [&](const auto& output) {
    runWith<Isa, K, In>(output, a, b, c, offset, frames, scaledA, scaledB, result);
  });
}

// The output step alone, on formula words: what a routine does after the
// formula, for tests that sweep whole ranges of words.
template <class Isa, class Variant>
void outputs(const uint32_t* words, uint32_t* out, int32_t count, uint32_t capBits) noexcept {
  if (count < 1) return;
  withOutput<Isa, Variant>(capBits, [&](const auto& output) {
    int32_t n = 0;
    for (; n + Isa::kLanes <= count; n += Isa::kLanes)
      Isa::store(out + n, output(Isa::load(words + n)));
    if (n < count)
      Isa::storePartial(out + n, output(Isa::loadPartial(words + n, count - n)), count - n);
  });
}

// The held output in every element of the range, a vector at a time: a
// partial vector up to the first address aligned to a whole vector, so that
// no store of the loop straddles two cache lines.
template <class Isa>
void fill(float* c, int32_t offset, int32_t frames, uint32_t pattern) noexcept {
  if (frames < 1) return;
  const typename Isa::Word w = Isa::splat(pattern);
  float* dst = c + offset;
  constexpr uintptr_t kVectorBytes = sizeof(float) * Isa::kLanes;
  const auto head = static_cast<int32_t>(
      ((kVectorBytes - reinterpret_cast<uintptr_t>(dst) % kVectorBytes) % kVectorBytes) /
      sizeof(float));
  int32_t n = head < frames ? head : frames;
  if (n > 0) Isa::storePartial(dst, w, n);
#pragma GCC unroll 4
  for (; n + Isa::kLanes <= frames; n += Isa::kLanes) Isa::store(dst + n, w);
  if (n < frames) Isa::storePartial(dst + n, w, frames - n);
}

template <class Isa, class Variant>
struct Routines {
  static constexpr OutputStep kOutputs = &outputs<Isa, Variant>;
  static constexpr FillStep kFill = &fill<Isa>;
  template <Inputs In, int K>
  static constexpr Kernel get() noexcept {
    return &run<Isa, Variant, K, In>;
  }
};

// The three variants' tables of one path, in VariantId order.
template <class Isa>
struct PathTables {
  static constexpr KernelTable kTables[kVariantCount] = {
      makeKernelTable<Routines<Isa, PlainVolts>>(),
      makeKernelTable<Routines<Isa, CappedVolts>>(),
      makeKernelTable<Routines<Isa, DenormalStripVolts>>(),
  };
};

// Constants of the arithmetic, as patterns.
inline constexpr uint32_t kSignBit = 0x80000000u;
inline constexpr uint32_t kMagnitude = 0x7FFFFFFFu;
inline constexpr uint32_t kInfinity = 0x7F800000u;        // above it in magnitude: NaNs
inline constexpr uint32_t kSmallestNormal = 0x00800000u;  // 2^-126
// A formula word whose exponent field is below 4 (|R| < 2^-123) has a tenth
// below 2^-126: the hardware would produce a denormal from a normal operand,
// which costs many times a normal multiply. These lanes are computed as
// fma(R, 0.1, +-2^-126), whose exact sum lies in [2^-126, 2^-125] where the
// spacing of floats is that of the denormals, so the one rounding of the FMA
// is the rounding of R x 0.1; subtracting 2^-126's pattern leaves the
// denormal's pattern. Other lanes add -0.0 or a zero with R's sign, which
// leaves fma(R, 0.1, zero) equal to R x 0.1.
inline constexpr uint32_t kTinyExponentBits = 0x7E000000u;
// Exactly the words below this magnitude have a tenth below 2^-126, exact or
// rounded (R = 1.25 x 2^-123, whose tenth rounds to 2^-126, is the first that
// does not); of them, those below kZeroLimit have a tenth that rounds to zero.
// The capped variant strips denormal tenths to +0.0 and keeps zeros with
// their sign, so it zeroes the words from kZeroLimit up to kTinyLimit before
// the multiply instead of letting it produce denormals.
inline constexpr uint32_t kTinyLimit = 0x02200000u;
inline constexpr uint32_t kZeroLimit = 5u;
// The strip of the denormal-stripping variant: below 2^-89 (pattern
// 0x13000000) a word is rounded to a multiple of 2^-112 by adding and
// subtracting 2^-89 with R's sign: the sum lies in [2^-89, 2^-88), where floats
// are 2^-112 apart, and 2^-89 is an even multiple, so ties go to even as in
// the double-precision sum and difference the scalar code carries out.
inline constexpr uint32_t kStripLimit = 0x13000000u;

static_assert(std::bit_cast<uint32_t>(std::bit_cast<float>(kTinyLimit - 1u) * kTenth) <
                      kSmallestNormal &&
                  std::bit_cast<uint32_t>(std::bit_cast<float>(kTinyLimit) * kTenth) ==
                      kSmallestNormal,
              "kTinyLimit is the first word whose tenth is normal");
static_assert(std::bit_cast<uint32_t>(std::bit_cast<float>(kZeroLimit - 1u) * kTenth) == 0u &&
                  std::bit_cast<uint32_t>(std::bit_cast<float>(kZeroLimit) * kTenth) != 0u,
              "kZeroLimit is the first word whose tenth is not zero");

}  // namespace volts::simd
