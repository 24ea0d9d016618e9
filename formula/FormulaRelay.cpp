#include "FormulaRelay.h"

#include "Formula.h"

FormulaRelay::FormulaRelay(HostCallback callback, intptr_t hostData) noexcept
    : GuiModule(callback, hostData), busy(false) {}

FormulaRelay::~FormulaRelay() = default;

void FormulaRelay::clampAndPublish() noexcept {
  int32_t v = pin(kFormulaPin).getInt();
  if (clampFormulaIndex(v)) pin(kFormulaPin).setInt(v);
  pin(kGuiToDspPin).setInt(v);
}

void FormulaRelay::initialise(bool keepValues) noexcept {
  busy = true;
  GuiModule::initialise(keepValues);
  if (!keepValues) {
    pin(kFormulaPin).setInt(0);
    pin(kGuiToDspPin).setInt(0);
  }
  clampAndPublish();
  busy = false;
}

void FormulaRelay::onPinChanged(GuiPin& changed) noexcept {
  if (busy) return;
  busy = true;
  if (changed.index == kFormulaPin) clampAndPublish();
  busy = false;
}
