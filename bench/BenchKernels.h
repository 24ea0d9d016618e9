// The reference loops the voltage benchmark times beside the modules'
// routines: the floor (the loads and stores of a routine with one integer XOR
// in place of the arithmetic), one build per instruction set, and a naive
// scalar module that decides formula and input case per element.
#pragma once

#include <cstdint>

#include "modules/voltage/VoltsPaths.h"

namespace bench {

// The floor loops of one instruction set, each with the arguments of a
// volts::Kernel so that a call costs what a routine's call costs.
//   both:  c = a ^ b          (reads A and B)
//   aOnly: c = a ^ scaledB    (reads A; B's word held)
//   bOnly: c = scaledA ^ b    (reads B; A's word held)
//   store: c = result         (reads nothing: a plain store loop)
// scaledA, scaledB and result come back holding the last words, as a routine's do.
struct FloorSet {
  volts::Kernel both;
  volts::Kernel aOnly;
  volts::Kernel bOnly;
  volts::Kernel store;
};

// Each is compiled for its own instruction set: call one only where
// volts::pathRuns says the matching path runs.
namespace floor_sse2 {
const FloorSet& kernels() noexcept;
}
namespace floor_avx2 {
const FloorSet& kernels() noexcept;
}
namespace floor_avx512 {
const FloorSet& kernels() noexcept;
}

// The floor set of a path's instruction set; the scalar path is measured
// against the baseline (SSE2) floor.
const FloorSet& floorFor(volts::Path path) noexcept;

// A voltage module written the straightforward way: one process routine that
// per element reads the streaming inputs, switches on the formula, then
// applies the variant's output stage. Built without auto-vectorisation, so it
// stands for the scalar code a first implementation would have.
struct NaiveModule {
  const float* a = nullptr;
  const float* b = nullptr;
  float* c = nullptr;
  int32_t formula = 0;
  bool streamingA = true;
  bool streamingB = true;
  volts::VariantId variant = volts::VariantId::Plain;
  float cap = 10.0f;       // volts, capped variant only
  uint32_t heldA = 0;      // held operands in volts, as patterns (taken at selection)
  uint32_t heldB = 0;
  uint32_t result = 0;     // last output
};

// host-style process routine: elements offset .. offset+frames-1 of m->c.
void naiveProcess(void* object, int32_t offset, int32_t frames) noexcept;

}  // namespace bench
