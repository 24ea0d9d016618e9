// The naive voltage module: everything decided per element, inside the loop.
// This file is built with -fno-tree-vectorize -fno-tree-slp-vectorize, so the
// loop stays scalar as a first implementation's would be; the benchmark checks
// at start-up that it gives the modules' bits.
#include <cstring>

#include "bench/BenchKernels.h"

namespace bench {
namespace {

uint32_t bitsOf(float f) noexcept {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}
float floatOf(uint32_t w) noexcept {
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}

}  // namespace

void naiveProcess(void* object, int32_t offset, int32_t frames) noexcept {
  NaiveModule* m = static_cast<NaiveModule*>(object);
  for (int32_t i = offset; i < offset + frames; ++i) {
    uint32_t a = m->heldA;
    uint32_t b = m->heldB;
    if (m->streamingA) a = bitsOf(m->a[i] * 10.0f);
    if (m->streamingB) b = bitsOf(m->b[i] * 10.0f);
    uint32_t r = 0;
    switch (m->formula) {
      case 0: r = a & b; break;
      case 1: r = a | b; break;
      case 2: r = ~(a & b); break;
      case 3: r = ~(a | b); break;
      case 4: r = a ^ b; break;
      case 5: r = ~(a ^ b); break;
      case 6: r = a; break;
      case 7: r = b; break;
      case 8: r = ~a; break;
      case 9: r = ~b; break;
      case 10: r = a & ~b; break;
      case 11: r = ~a & b; break;
      case 12: r = a | ~b; break;
      case 13: r = ~a | b; break;
      case 14: r = 0; break;
      default: r = 0xFFFFFFFFu; break;
    }
    float volts = floatOf(r);
    uint32_t out = 0;
    switch (m->variant) {
      case volts::VariantId::Plain:
        out = bitsOf(volts * 0.1f);
        break;
      case volts::VariantId::Capped: {
        const float negativeCap = m->cap * -1.0f;
        if (volts > m->cap) volts = m->cap;
        else if (negativeCap > volts) volts = negativeCap;
        out = bitsOf(volts * 0.1f);
        const uint32_t exponent = (out >> 23) & 0xFFu;
        if ((exponent == 0u || exponent == 0xFFu) && (out & 0x7FFFFFu) != 0u) out = 0u;
        break;
      }
      case volts::VariantId::DenormalStrip: {
        // Through double with a small offset: tiny results round to zero.
        const double offsetD = static_cast<double>(1.0e-18f);
        const float stripped = static_cast<float>((static_cast<double>(volts) + offsetD) - offsetD);
        out = bitsOf(stripped * 0.1f);
        break;
      }
    }
    std::memcpy(&m->c[i], &out, sizeof out);
    m->result = out;
  }
}

}  // namespace bench
