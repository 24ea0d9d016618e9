// Deliverable ostrel_binary_f: C = formula(A, B) on event-rate Float pins,
// acting on the values' bit patterns.
#include "BinaryValueModule.h"
#include "ValueTexts.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryFloatName[] = "Ostrel Binary Float";
constexpr char binaryFloatAbout[] =
    OSTREL_VALUE_ABOUT("Ostrel Binary Float", "Float") OSTREL_BIT_LEVEL_NOTE;
}  // namespace

SEM_MODULE_ENTRY(BinaryFloatModule, FormulaRelay, binaryFloatName, binaryFloatAbout)
