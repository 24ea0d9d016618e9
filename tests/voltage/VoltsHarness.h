// What the voltage tests need to drive one of the three plug-ins through the
// simulated host: which file, where its pins are, and a few steps that recur.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/Instance.h"
#include "support/Bits.h"
#include "support/Plugins.h"
#include "tools/semhost/reference/VoltsElement.h"

namespace voltstest {

using voltsref::Case;
using voltsref::Variant;

struct Module {
  const char* plugin;
  const char* name;
  Variant variant;
  // Description indices (the host's view) and DSP pin indices.
  int32_t descCap, descA, descB, descC;
  int32_t dspCap, dspA, dspB, dspC;
};

inline constexpr int32_t kDescGuiToDsp = 0;
inline constexpr int32_t kDescFormula = 1;

inline const Module kPlain{"ostrel_binary_v", "Ostrel Binary Volts", Variant::Plain,
                           -1, 2, 3, 4, -1, 1, 2, 3};
inline const Module kCap{"ostrel_binary_v_8", "Ostrel Binary Volts Cap", Variant::Cap,
                         2, 3, 4, 5, 1, 2, 3, 4};
inline const Module kDn{"ostrel_binary_v_dn", "Ostrel Binary Volts DN", Variant::Dn,
                        -1, 2, 3, 4, -1, 1, 2, 3};
inline const Module* const kModules[] = {&kPlain, &kCap, &kDn};

inline std::unique_ptr<semhost::Instance> openModule(const Module& m,
                                                     semhost::InstanceOptions options = {}) {
  auto inst = std::make_unique<semhost::Instance>(testsupport::plugin(m.plugin), options);
  inst->open();
  return inst;
}

// Pattern of a sample: a cell of a host buffer.
inline uint32_t cell(semhost::Instance& inst, int32_t desc, int32_t i) {
  return testsupport::bitsOf(inst.buffer(desc)[i]);
}
inline void setCell(semhost::Instance& inst, int32_t desc, int32_t i, uint32_t w) {
  inst.buffer(desc)[i] = testsupport::floatOf(w);
}
inline void fillCells(semhost::Instance& inst, int32_t desc, int32_t from, int32_t to, uint32_t w) {
  for (int32_t i = from; i < to; ++i) setCell(inst, desc, i, w);
}

// Statuses for A and B that select the routine of an input case; the held
// operand is the sample at the current clock.
inline void selectCase(semhost::Instance& inst, const Module& m, Case c) {
  const bool aStreams = c == Case::Both || c == Case::AStreams;
  const bool bStreams = c == Case::Both || c == Case::BStreams;
  inst.deliverStatus(m.dspA, aStreams ? statusStreaming : statusStatic);
  inst.deliverStatus(m.dspB, bStreams ? statusStreaming : statusStatic);
}

// A sample whose single(s x 10.0) has exactly the pattern scaled, searched
// around scaled / 10; 0xFFFFFFFF stands for "none found".
inline uint32_t sampleScalingTo(uint32_t scaled) {
  float guess = testsupport::floatOf(scaled) / 10.0f;
  for (int step = 0; step < 8; ++step) guess = std::nextafter(guess, 0.0f);
  for (int step = 0; step < 16; ++step) {
    if (voltsref::toVolts(testsupport::bitsOf(guess)) == scaled) return testsupport::bitsOf(guess);
    guess = std::nextafter(guess, testsupport::floatOf(scaled));
  }
  return 0xFFFFFFFFu;
}

// Sample patterns at the edges of the arithmetic: zeros, denormal and normal
// extremes, infinities, quiet and signalling NaNs with payloads, pairs whose
// scaled patterns XOR to a denormal.
inline const std::vector<uint32_t>& edgePatterns() {
  static const std::vector<uint32_t> s = {
      0x00000000u, 0x80000000u,  // +-0
      0x00000001u, 0x80000001u,  // smallest denormals
      0x007FFFFFu, 0x807FFFFFu,  // largest denormals
      0x00800000u, 0x80800000u,  // smallest normals
      0x7F7FFFFFu, 0xFF7FFFFFu,  // largest normals (x 10 overflows)
      0x7F800000u, 0xFF800000u,  // infinities
      0x7FC00000u, 0xFFC00000u,  // quiet NaNs
      0x7FC12345u, 0xFFEABCDEu,  // quiet NaNs with payloads
      0x7F800001u, 0xFFA5A5A5u,  // signalling NaNs with payloads
      0x3F000000u, 0x3E800000u,  // 0.5 and 0.25: scaled, XOR to the smallest normal
      0x3F19999Au,               // 0.6: scaled 6.0, XOR with 0.5's 5.0 is a denormal
      0x3F800000u, 0xBF800000u,  // +-1
      0x3DCCCCCDu,               // 0.1
      0x0D800000u,               // 2^-100
      0x1E3CE508u,               // about 1e-20
      0x4479FFFFu,               // about 1000
      0x0CCCCCCDu, 0x8CCCCCCDu,  // small normals whose tenth is tiny
  };
  return s;
}

}  // namespace voltstest
