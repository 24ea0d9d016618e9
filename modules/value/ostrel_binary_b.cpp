// Deliverable ostrel_binary_b: C = formula(A, B) as logic on event-rate Bool
// pins.
#include "BinaryBoolModule.h"
#include "modules/Maker.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryBoolName[] = "Ostrel Binary Bool";
constexpr char binaryBoolAbout[] = OSTREL_ABOUT_INTRO("Ostrel Binary Bool", "07-Oct-06", "Bool");
}  // namespace

SEM_MODULE_ENTRY(BinaryBoolModule, FormulaRelay, binaryBoolName, binaryBoolAbout)
