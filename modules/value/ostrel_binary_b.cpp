// Deliverable ostrel_binary_b: C = formula(A, B) as logic on event-rate Bool
// pins.
#include "BinaryBoolModule.h"
#include "ValueTexts.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryBoolName[] = "Ostrel Binary Bool";
constexpr char binaryBoolAbout[] = OSTREL_VALUE_ABOUT("Ostrel Binary Bool", "Bool");
}  // namespace

SEM_MODULE_ENTRY(BinaryBoolModule, FormulaRelay, binaryBoolName, binaryBoolAbout)
