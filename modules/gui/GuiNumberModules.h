// GuiInt and GuiFloat: the GUI-only modules on integer and float pins. The
// formula works on the 32-bit patterns of A and B, floats included, and falls
// back on the previous C (never taken: the index is always clamped).
#pragma once

#include <bit>
#include <cstdint>

#include "GuiOnlyModule.h"

struct GuiIntCell {
  using Value = int32_t;
  static Value read(const GuiPin& p) noexcept { return p.getInt(); }
  static void write(const GuiPin& p, Value v) noexcept { p.setInt(v); }
  static uint32_t word(Value v) noexcept { return static_cast<uint32_t>(v); }
  static Value fromWord(uint32_t w) noexcept { return static_cast<Value>(w); }
  static uint32_t fallback(Value c) noexcept { return word(c); }
  static constexpr bool kPublishOnInitialise = true;
};

// Values move as bit patterns; nothing here converts a float numerically, so
// NaNs, infinities, denormals and -0.0 pass unchanged. What returns a float is
// always inlined: on 32-bit x86 a float returned from an out-of-line function
// goes through the x87 stack, which quiets a signalling NaN.
struct GuiFloatCell {
  using Value = float;
  [[gnu::always_inline]] static Value read(const GuiPin& p) noexcept { return p.getFloat(); }
  static void write(const GuiPin& p, Value v) noexcept { p.setFloat(v); }
  static uint32_t word(Value v) noexcept { return std::bit_cast<uint32_t>(v); }
  [[gnu::always_inline]] static Value fromWord(uint32_t w) noexcept {
    return std::bit_cast<Value>(w);
  }
  static uint32_t fallback(Value c) noexcept { return word(c); }
  static constexpr bool kPublishOnInitialise = true;
};

class GuiIntModule final : public GuiOnlyModule<GuiIntCell> {
 public:
  using GuiOnlyModule::GuiOnlyModule;
  ~GuiIntModule() override = default;
};

class GuiFloatModule final : public GuiOnlyModule<GuiFloatCell> {
 public:
  using GuiOnlyModule::GuiOnlyModule;
  ~GuiFloatModule() override = default;

  [[gnu::always_inline]] float getPinFloat(int32_t index) noexcept {
    return pin(index).getFloat();
  }
  intptr_t setPinFloat(int32_t index, float v) noexcept { return pin(index).setFloat(v); }
};
