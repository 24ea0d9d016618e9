// The DSP-side object of the three GUI-only modules. All their pins live on the
// GUI side, so it has no DSP pins: it describes the pin list and sleeps.
#pragma once

#include <cstdint>

#include "framework/DspModule.h"
#include "framework/pin_description.h"

// Fills one entry of the GUI-only pin list: 0 "Formula", 1..3 "A", "B", "C" as
// inputs and 4..6 "A", "B", "C" as outputs of datatype valueType, every one
// flagged FlagGui alone. valuePtr is left as the caller had it. False for any
// index outside 0..6.
bool describeGuiOnlyPin(int32_t index, int32_t valueType, PinDescription* description) noexcept;

// ValueType: the datatype of pins 1 to 6 (Int, Float or Bool).
template <int32_t ValueType>
class GuiOnlyDspModule final : public DspModule {
 public:
  using DspModule::DspModule;
  ~GuiOnlyDspModule() override = default;

  // Never called: there are no DSP-side pins to report.
  void onPinUpdate(DspPin&) noexcept override {}

  // host: before any process call. All work happens on the GUI side, so the
  // process routine only asks the host to stop calling it.
  void open() noexcept override {
    setProcess(&DspModule::sleepProcess, 0, 0, 0);
    DspModule::open();
  }

  bool describePin(int32_t index, PinDescription* description) noexcept override {
    return describeGuiOnlyPin(index, ValueType, description);
  }
};
