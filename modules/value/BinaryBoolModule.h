// The DSP-side object of the Bool module: C = formula(A, B) as logic on bit 0
// of A and B, re-evaluated whenever the host delivers a pin status.
#pragma once

#include <cstdint>

#include "framework/DspModule.h"

class BinaryBoolModule : public DspModule {
 public:
  BinaryBoolModule(HostCallback callback, intptr_t hostData) noexcept;
  ~BinaryBoolModule() override;

  // host: audio thread, after the new value is in its variable. Announces C
  // twice: the inverted result at the clock, then the result one sample later,
  // so every evaluation shows as an edge even when the result did not change.
  void onPinUpdate(DspPin& pin) noexcept override;
  // host: before processing. Sleeps until an event arrives.
  void open() noexcept override;
  // host: any time. Any other index, negatives included, writes nothing.
  bool describePin(int32_t index, PinDescription* description) noexcept override;

 private:
  int32_t formulaIndex;     // written by the host: the value of "GUI 2 DSP"
  uint32_t formulaPinValue; // storage for "Formula"; never read here
  uint32_t valueA;          // the host writes a bool into the first byte; bit 0 counts
  uint32_t valueB;          // likewise
  uint32_t valueC;          // written here as a whole word, 0 or 1
};
