// GuiBool: the GUI-only module on boolean pins. A pin's value counts only by
// its bit 0; the module always writes 0 or 1. initialise computes C but leaves
// the C pins as they are.
#pragma once

#include <cstdint>

#include "GuiOnlyModule.h"

struct GuiBoolCell {
  using Value = int32_t;  // 0 or 1
  // Hosts may leave anything in the other 31 bits: 2 and 0x100 read as 0.
  static Value read(const GuiPin& p) noexcept { return p.getInt() & 1; }
  static void write(const GuiPin& p, Value v) noexcept { p.setInt(v & 1); }
  static uint32_t word(Value v) noexcept { return static_cast<uint32_t>(v); }
  // Bit 0 of the result depends only on bit 0 of a and b, so this is the
  // formula applied as logic.
  static Value fromWord(uint32_t w) noexcept { return static_cast<Value>(w & 1u); }
  static uint32_t fallback(Value) noexcept { return 0; }
  static constexpr bool kPublishOnInitialise = false;
};

class GuiBoolModule final : public GuiOnlyModule<GuiBoolCell> {
 public:
  using GuiOnlyModule::GuiOnlyModule;
  ~GuiBoolModule() override = default;

  bool getPinBool(int32_t index) noexcept { return (pin(index).getInt() & 1) != 0; }
  intptr_t setPinBool(int32_t index, int32_t v) noexcept { return pin(index).setInt(v & 1); }
};
