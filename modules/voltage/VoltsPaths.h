// The per-sample routines of the voltage modules come in several builds of
// the same loops, one per instruction set: a scalar one, SSE2 (what every
// 32-bit x86 processor these modules run on has), AVX2 with FMA, and AVX-512.
// Each is generated from the one definition of the formulas (formula::eval)
// and gives the same bits as the scalar arithmetic of VoltsKernels.h on every
// input, denormals and NaN payloads included.
//
// The library picks one path, once, when it is loaded: the widest one this
// processor supports and whose registers the operating system saves. Nothing
// but the processor decides; a module's behaviour is set only through its
// pins. Tests and benchmarks can ask for any compiled path by name.
//
// No vector types appear here: the paths live in modules/voltage/paths/.
#pragma once

#include <cstdint>
#include <utility>

#include "formula/Formula.h"
#include "modules/voltage/VoltsKernels.h"

namespace volts {

enum class Path : int32_t { Scalar = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3 };
inline constexpr int32_t kPathCount = 4;

// "scalar", "sse2", "avx2", "avx512".
const char* pathName(Path path) noexcept;

// One per-sample routine: the arguments and effect of run<Variant, K, In>.
using Kernel = void (*)(const float* a, const float* b, float* c, int32_t offset,
                        int32_t frames, uint32_t& scaledA, uint32_t& scaledB,
                        uint32_t& result, uint32_t capBits) noexcept;

// The variant's output step alone (cap, tenth, strips) on count formula
// words: what every routine applies after the formula.
using OutputStep = void (*)(const uint32_t* words, uint32_t* out, int32_t count,
                            uint32_t capBits) noexcept;

// Writes pattern into elements offset .. offset+frames-1 of c (nothing for
// frames < 1): the held output while both inputs are static.
using FillStep = void (*)(float* c, int32_t offset, int32_t frames, uint32_t pattern) noexcept;

// The 48 routines of one variant on one path, by input case and formula.
struct KernelTable {
  Kernel routine[kInputCases][formula::kCount];
  OutputStep outputs;
  FillStep fill;
};

// Builds a table from Routines::template get<In, K>(), a routine per input
// case and formula, Routines::kOutputs and Routines::kFill.
template <class Routines>
constexpr KernelTable makeKernelTable() noexcept {
  KernelTable table{};
  table.outputs = Routines::kOutputs;
  table.fill = Routines::kFill;
  [&]<int... K>(std::integer_sequence<int, K...>) {
    ((table.routine[static_cast<int32_t>(Inputs::Both)][K] =
          Routines::template get<Inputs::Both, K>()), ...);
    ((table.routine[static_cast<int32_t>(Inputs::AStreams)][K] =
          Routines::template get<Inputs::AStreams, K>()), ...);
    ((table.routine[static_cast<int32_t>(Inputs::BStreams)][K] =
          Routines::template get<Inputs::BStreams, K>()), ...);
  }(std::make_integer_sequence<int, formula::kCount>{});
  return table;
}

// The routines of a variant on a path; null when the path is not compiled
// into this build (another processor family).
const KernelTable* compiledTable(VariantId variant, Path path) noexcept;

// Whether this processor and operating system can run a compiled path.
bool pathRuns(Path path) noexcept;

// The path this library uses: chosen once, at load.
Path activePath() noexcept;

// The routines of a variant on the active path.
const KernelTable& activeTable(VariantId variant) noexcept;

}  // namespace volts
