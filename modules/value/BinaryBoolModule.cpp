#include "BinaryBoolModule.h"

#include "ValuePins.h"
#include "formula/Formula.h"

BinaryBoolModule::BinaryBoolModule(HostCallback callback, intptr_t hostData) noexcept
    : DspModule(callback, hostData),
      formulaIndex(0),
      formulaPinValue(0),
      valueA(0),
      valueB(0),
      valueC(0) {}

BinaryBoolModule::~BinaryBoolModule() = default;

void BinaryBoolModule::onPinUpdate(DspPin&) noexcept {
  // Formulas work bit by bit, so bit 0 of the word is the formula applied as
  // logic to bit 0 of A and B; the other bits of the cells never matter.
  const uint32_t x = applyFormula(formulaIndex, valueA, valueB, 0u) & 1u;
  // A host that reported fewer pins at open has no "C" to announce; valueC
  // still ends holding the result.
  DspPin* c = findPin(valuepins::kOutputDspPin);
  valueC = 1u - x;
  if (c != nullptr) c->sendStatus(sampleClock(), statusChanged);
  valueC = x;
  if (c != nullptr) {
    // The clock is read again; unsigned so that its top value wraps.
    const auto t = static_cast<int32_t>(static_cast<uint32_t>(sampleClock()) + 1u);
    c->sendStatus(t, statusChanged);
  }
}

void BinaryBoolModule::open() noexcept {
  setProcess(&DspModule::sleepProcess, 0, 0, 0);
  DspModule::open();
}

bool BinaryBoolModule::describePin(int32_t index, PinDescription* d) noexcept {
  return valuepins::describe(index, d, Bool,
                             {&formulaIndex, &formulaPinValue, &valueA, &valueB, &valueC});
}
