// Deliverable ostrel_binary_i: C = formula(A, B) on event-rate Int pins.
#include "BinaryValueModule.h"
#include "ValueTexts.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryIntName[] = "Ostrel Binary Int";
constexpr char binaryIntAbout[] = OSTREL_VALUE_ABOUT("Ostrel Binary Int", "Int") OSTREL_BIT_LEVEL_NOTE;
}  // namespace

SEM_MODULE_ENTRY(BinaryIntModule, FormulaRelay, binaryIntName, binaryIntAbout)
