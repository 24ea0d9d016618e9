// The GUI-side object of the six modules that compute on the DSP side: carries
// the chosen formula, clamped to 0..15, from "Formula" to "GUI 2 DSP".
#pragma once

#include "framework/GuiModule.h"

class FormulaRelay : public GuiModule {
 public:
  // Pin indices, the same in all six modules.
  static constexpr int32_t kGuiToDspPin = 0;
  static constexpr int32_t kFormulaPin = 1;

  FormulaRelay(HostCallback callback, intptr_t hostData) noexcept;
  ~FormulaRelay() override;

  // host: GUI thread. Resets both pins first unless keepValues.
  void initialise(bool keepValues) noexcept override;
  // host: GUI thread. Only a change of "Formula" does anything.
  void onPinChanged(GuiPin& pin) noexcept override;

 private:
  void clampAndPublish() noexcept;

  // Set for the whole of initialise and onPinChanged, so that notifications the
  // host sends for the relay's own writes, while it is still inside, do nothing.
  bool busy;
};
