// The DSP-side object of the Int and Float modules: C = formula(A, B) on
// event-rate pins, re-evaluated whenever the host delivers a pin status.
//
// One implementation for both: the formulas act on the 32-bit pattern of a
// value, so the class only needs the value type (stored as is, never
// converted) and the datatype code the pins report.
#pragma once

#include <bit>
#include <cstdint>

#include "formula/Formula.h"
#include "framework/DspModule.h"
#include "ValuePins.h"

template <class Value, int32_t kDatatype>
class BinaryValueModule : public DspModule {
  static_assert(sizeof(Value) == 4, "A, B and C are 32-bit values");

 public:
  // The first evaluations after open are stamped this many samples ahead,
  // one less each time, until they match the clock.
  static constexpr int32_t kStartupOffset = 3;

  BinaryValueModule(HostCallback callback, intptr_t hostData) noexcept
      : DspModule(callback, hostData),
        formulaIndex(0),
        startupOffset(0),
        formulaPinValue(0),
        valueA(),
        valueB(),
        valueC() {}
  ~BinaryValueModule() override = default;

  // host: audio thread, after the new value is in its variable. Evaluates with
  // the current index, A and B whichever pin changed, and announces C even when
  // it kept its value.
  void onPinUpdate(DspPin&) noexcept override {
    const uint32_t r = applyFormula(formulaIndex, std::bit_cast<uint32_t>(valueA),
                                    std::bit_cast<uint32_t>(valueB), 0u);
    valueC = std::bit_cast<Value>(r);
    // A host that reported fewer pins at open has no "C" to announce; the
    // result is still kept in valueC.
    if (DspPin* c = findPin(valuepins::kOutputDspPin)) {
      // Unsigned so that a clock near the top of its range wraps instead of
      // overflowing.
      const auto t = static_cast<int32_t>(static_cast<uint32_t>(sampleClock()) +
                                          static_cast<uint32_t>(startupOffset));
      c->sendStatus(t, statusChanged);
    }
    if (startupOffset > 0) --startupOffset;
  }

  // host: before processing. Sleeps until an event arrives.
  void open() noexcept override {
    setProcess(&DspModule::sleepProcess, 0, 0, 0);
    DspModule::open();
    startupOffset = kStartupOffset;
  }

  // host: any time.
  bool describePin(int32_t index, PinDescription* d) noexcept override {
    return valuepins::describe(index, d, kDatatype,
                               {&formulaIndex, &formulaPinValue, &valueA, &valueB, &valueC});
  }

 private:
  int32_t formulaIndex;      // written by the host: the value of "GUI 2 DSP"
  int32_t startupOffset;     // added to the clock when C is announced
  int32_t formulaPinValue;   // storage for "Formula"; never read here
  Value valueA;              // written by the host
  Value valueB;              // written by the host
  Value valueC;              // written here, read by the host
};

using BinaryIntModule = BinaryValueModule<int32_t, Int>;
using BinaryFloatModule = BinaryValueModule<float, Float>;
