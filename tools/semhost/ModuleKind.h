// What a loaded module is, read off its pins: which family, which value type,
// and the description indices of its Formula, A, B, C and Cap pins.
#pragma once

#include <string>

#include "host/Instance.h"

namespace semhost {

enum class Family { Voltage, Value, GuiOnly, Unknown };

struct ModuleKind {
  Family family = Family::Unknown;
  int32_t valueType = 0;  // PinDatatype of A, B and C
  int32_t formula = -1;   // "Formula"
  int32_t a = -1, b = -1, c = -1;  // inputs A, B and output C (GUI-only: pins 1, 2, 3)
  int32_t cap = -1;       // "Cap", voltage modules only
};

ModuleKind classify(const Instance& instance);
const char* datatypeName(int32_t datatype);
const char* familyName(Family family);

}  // namespace semhost
