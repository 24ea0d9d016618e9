#include "GuiOnlyDspModule.h"

#include "formula/Formula.h"

namespace {

struct PinRow {
  const char* name;
  int32_t direction;
  bool isFormula;
};

constexpr PinRow kPins[] = {
    {"Formula", pinInput, true},
    {"A", pinInput, false},  {"B", pinInput, false},  {"C", pinInput, false},
    {"A", pinOutput, false}, {"B", pinOutput, false}, {"C", pinOutput, false},
};
constexpr int32_t kPinCount = static_cast<int32_t>(sizeof kPins / sizeof kPins[0]);

}  // namespace

bool describeGuiOnlyPin(int32_t index, int32_t valueType, PinDescription* description) noexcept {
  if (index < 0 || index >= kPinCount) return false;
  // A host that asks about a real pin without a record gets the answer but no
  // write through a null pointer.
  if (description == nullptr) return true;
  const PinRow& row = kPins[index];
  description->name = row.name;
  description->direction = row.direction;
  description->datatype = row.isFormula ? List : valueType;
  description->defaultText = "0";
  if (row.isFormula) description->listText = formula::kListText;
  description->flags = FlagGui;
  return true;
}
