// Deliverable ostrel_binary_f: C = formula(A, B) on event-rate Float pins,
// acting on the values' bit patterns.
#include "BinaryValueModule.h"
#include "modules/Maker.h"
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"

namespace {
constexpr char binaryFloatName[] = "Ostrel Binary Float";
constexpr char binaryFloatAbout[] =
    OSTREL_ABOUT_INTRO("Ostrel Binary Float", "07-Oct-06", "Float") OSTREL_INTEGER_BIT_NOTE;
}  // namespace

SEM_MODULE_ENTRY(BinaryFloatModule, FormulaRelay, binaryFloatName, binaryFloatAbout)
