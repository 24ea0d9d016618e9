// The sixteen formulas of the family, defined once.
//
// Each formula is a bit function of two 32-bit words. eval<K> is written for
// any word type with the bit operators (uint32_t, or a vector of them), so every
// evaluation path -- applyFormula, the per-sample voltage routines, the GUI-only
// modules -- is an instantiation of this one table.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

namespace formula {

inline constexpr int32_t kCount = 16;

// The Formula list pin's item texts, in index order. No space after the commas;
// the labels at 4, 8 and 9 begin with one.
inline constexpr char kListText[] =
    "a AND b -> c,a OR b -> c,a NAND b -> c,a NOR b -> c, a XOR b -> c,a XNOR b -> c,"
    "a -> c,b -> c, NOT a -> c, NOT b -> c,a AND !b -> c,!a AND b -> c,a OR !b -> c,"
    "!a OR b -> c,CLEAR -> c,SET -> c";
static_assert(sizeof(kListText) - 1 == 191, "Formula list text is 191 characters");

// Formula k applied bit by bit to a and b.
template <int K, class W>
constexpr W eval(W a, W b) noexcept {
  static_assert(K >= 0 && K < kCount, "formula index");
  if constexpr (K == 0) return a & b;
  else if constexpr (K == 1) return a | b;
  else if constexpr (K == 2) return ~(a & b);
  else if constexpr (K == 3) return ~(a | b);
  else if constexpr (K == 4) return a ^ b;
  else if constexpr (K == 5) return ~(a ^ b);
  else if constexpr (K == 6) return a;
  else if constexpr (K == 7) return b;
  else if constexpr (K == 8) return ~a;
  else if constexpr (K == 9) return ~b;
  else if constexpr (K == 10) return a & ~b;
  else if constexpr (K == 11) return ~a & b;
  else if constexpr (K == 12) return a | ~b;
  else if constexpr (K == 13) return ~a | b;
  else if constexpr (K == 14) return a ^ a;          // all bits clear
  else return ~(a ^ a);                              // all bits set
}

// Whether formula k depends on an operand, read off the definition itself: a
// routine for a formula that ignores an operand never reads that buffer.
template <int K>
constexpr bool usesA() noexcept {
  return eval<K, uint32_t>(0u, 0u) != eval<K, uint32_t>(~0u, 0u) ||
         eval<K, uint32_t>(0u, ~0u) != eval<K, uint32_t>(~0u, ~0u);
}
template <int K>
constexpr bool usesB() noexcept {
  return eval<K, uint32_t>(0u, 0u) != eval<K, uint32_t>(0u, ~0u) ||
         eval<K, uint32_t>(~0u, 0u) != eval<K, uint32_t>(~0u, ~0u);
}

// Builds a 16-entry table from a template over the formula index:
// makeTable<Make>() yields {Make::template get<0>(), ..., Make::template get<15>()}.
template <class Make, std::size_t... K>
constexpr auto makeTableImpl(std::index_sequence<K...>) noexcept {
  return std::array{Make::template get<static_cast<int>(K)>()...};
}
template <class Make>
constexpr auto makeTable() noexcept {
  return makeTableImpl<Make>(std::make_index_sequence<kCount>{});
}

// True when index names a formula; compared unsigned, so negatives are out.
constexpr bool isValid(int32_t index) noexcept {
  return static_cast<uint32_t>(index) < static_cast<uint32_t>(kCount);
}

namespace detail {
using WordFn = uint32_t (*)(uint32_t, uint32_t) noexcept;
struct WordTable {
  template <int K>
  static constexpr WordFn get() noexcept {
    return [](uint32_t a, uint32_t b) noexcept { return eval<K, uint32_t>(a, b); };
  }
};
inline constexpr auto kWordTable = makeTable<WordTable>();
}  // namespace detail

}  // namespace formula

// The result word of formula index on a and b; fallback for any index outside
// 0..15. No state, no side effects.
constexpr uint32_t applyFormula(int32_t index, uint32_t a, uint32_t b, uint32_t fallback) noexcept {
  return formula::isValid(index) ? formula::detail::kWordTable[static_cast<uint32_t>(index)](a, b)
                                 : fallback;
}

// Clamps a Formula pin value into 0..15; returns true when it had to change it.
constexpr bool clampFormulaIndex(int32_t& index) noexcept {
  if (index > formula::kCount - 1) {
    index = formula::kCount - 1;
    return true;
  }
  if (index < 0) {
    index = 0;
    return true;
  }
  return false;
}
