// The checks of `semhost validate` and what they share.
#pragma once

#include <cstdint>
#include <string>

#include "framework/module_properties.h"
#include "reference/Reference.h"

namespace semvalidate {

// Deterministic on every platform: the same seed gives the same run.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t word() { return static_cast<uint32_t>(next() >> 32); }
  // 0 .. n-1 (n > 0).
  int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }
  bool chance(int32_t percent) { return below(100) < percent; }

 private:
  uint64_t state_;
};

struct CheckContext {
  GetModulePropertiesFn getProperties = nullptr;
  MakeModuleFn make = nullptr;
  semref::Kind kind = semref::Kind::Int;
  uint64_t seed = 0;  // this check's own seed
  int32_t iterations = 10;
  int32_t level = 2;
  std::string failure;  // the first failure, one line

  // Records the first failure; always returns false.
  bool fail(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
};

using CheckFn = bool (*)(CheckContext& ctx);

bool checkLibrary(CheckContext& ctx);
bool checkRecords(CheckContext& ctx);
bool checkPins(CheckContext& ctx);
bool checkLifecycle(CheckContext& ctx);
bool checkProcessing(CheckContext& ctx);
bool checkEvents(CheckContext& ctx);
bool checkGui(CheckContext& ctx);
bool checkRealtime(CheckContext& ctx);
bool checkDeterminism(CheckContext& ctx);

}  // namespace semvalidate
