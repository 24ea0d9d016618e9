// Deliverable ostrel_binary_i: C = formula(A, B) on event-rate Int pins.
#include "BinaryValueModule.h"
#include "modules/Maker.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryIntName[] = "Ostrel Binary Int";
constexpr char binaryIntAbout[] = OSTREL_ABOUT_INTRO("Ostrel Binary Int", "07-Oct-06", "Int") OSTREL_INTEGER_BIT_NOTE;
}  // namespace

SEM_MODULE_ENTRY(BinaryIntModule, FormulaRelay, binaryIntName, binaryIntAbout)
