// The GUI-side object of the three GUI-only modules, written once over the kind
// of value its A, B and C pins carry.
//
// Pins: 0 "Formula"; A, B and C as inputs (1, 2, 3) and again as outputs
// (4, 5, 6). A value arriving on either A pin is copied to the other, the same
// for B, and both C pins show formula(A, B). The object keeps the formula
// index and the last A, B and C; it reads and writes pins only through the
// host, taking a fresh accessor from pin() right before every single get or
// set, since that accessor is shared by every object of the library.
//
// A Cell supplies the value type and its pin access:
//   Value                        the type of a, b and c
//   read(GuiPin&), write(GuiPin&, Value)
//   word(Value), fromWord(uint32_t)   to and from the 32-bit formula word
//   fallback(Value c)            the word applyFormula falls back on
//   kPublishOnInitialise         whether initialise writes the C pins
#pragma once

#include <cstdint>

#include "formula/Formula.h"
#include "framework/GuiModule.h"

template <class Cell>
class GuiOnlyModule : public GuiModule {
 public:
  using Value = typename Cell::Value;

  static constexpr int32_t kFormulaPin = 0;
  static constexpr int32_t kInA = 1;
  static constexpr int32_t kInB = 2;
  static constexpr int32_t kInC = 3;
  static constexpr int32_t kOutA = 4;
  static constexpr int32_t kOutB = 5;
  static constexpr int32_t kOutC = 6;

  GuiOnlyModule(HostCallback callback, intptr_t hostData) noexcept
      : GuiModule(callback, hostData), formula(0), a(), b(), c(), busy(false) {}
  ~GuiOnlyModule() override = default;

  // host: GUI thread, dispatcher opcode 0. Resets all seven pins first unless
  // keepValues; pins 4 and 5 are otherwise left alone.
  void initialise(bool keepValues) noexcept override {
    busy = true;
    GuiModule::initialise(keepValues);
    if (!keepValues) {
      pin(kFormulaPin).setInt(0);
      for (const int32_t index : {kInA, kOutA, kInB, kOutB, kInC, kOutC}) write(index, Value());
    }
    readFormula();
    a = read(kInA);
    b = read(kInB);
    compute();
    if constexpr (Cell::kPublishOnInitialise) publish();
    busy = false;
  }

  // host: GUI thread, dispatcher opcode 7. Mirrors the changed pin onto its
  // twin, then republishes C whatever the index, unknown ones included. A C
  // pin set from outside is overwritten with the stored result.
  void onPinChanged(GuiPin& changed) noexcept override {
    if (busy) return;
    busy = true;
    switch (changed.index) {
      case kFormulaPin:
        readFormula();
        break;
      case kInA:
        a = read(kInA);
        write(kOutA, a);
        break;
      case kInB:
        b = read(kInB);
        write(kOutB, b);
        break;
      case kInC:
        write(kOutC, c);
        break;
      case kOutA:
        a = read(kOutA);
        write(kInA, a);
        break;
      case kOutB:
        b = read(kOutB);
        write(kInB, b);
        break;
      case kOutC:
        write(kInC, c);
        break;
      default:
        break;
    }
    compute();
    publish();
    busy = false;
  }

 private:
  // Always inlined so that a float read never returns through the x87 stack.
  [[gnu::always_inline]] Value read(int32_t index) noexcept { return Cell::read(pin(index)); }
  void write(int32_t index, Value v) noexcept { Cell::write(pin(index), v); }

  // Takes the Formula pin into 0..15, writing a corrected value back only
  // when it was out of range.
  void readFormula() noexcept {
    int32_t v = pin(kFormulaPin).getInt();
    if (clampFormulaIndex(v)) pin(kFormulaPin).setInt(v);
    formula = static_cast<int16_t>(v);
  }

  void compute() noexcept {
    c = Cell::fromWord(applyFormula(formula, Cell::word(a), Cell::word(b), Cell::fallback(c)));
  }

  void publish() noexcept {
    write(kInC, c);
    write(kOutC, c);
  }

  int16_t formula;  // 0..15, last read from pin 0
  Value a;          // last value of A
  Value b;          // last value of B
  Value c;          // last computed result
  // Set for the whole of initialise and onPinChanged: notifications the host
  // sends for the object's own writes while it is still inside do nothing, so
  // a mirror write never copies back or computes twice.
  bool busy;
};
