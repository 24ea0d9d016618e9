// Float bit patterns for tests: floats are compared by their bits.
#pragma once

#include <cstdint>
#include <cstring>

namespace testsupport {

inline uint32_t bitsOf(float f) {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}

inline float floatOf(uint32_t w) {
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}

}  // namespace testsupport
