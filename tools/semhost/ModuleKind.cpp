#include "ModuleKind.h"

namespace semhost {

const char* datatypeName(int32_t datatype) {
  switch (datatype) {
    case List: return "List";
    case Bool: return "Bool";
    case Voltage: return "Voltage";
    case Float: return "Float";
    case Int: return "Int";
    default: return "?";
  }
}

const char* familyName(Family family) {
  switch (family) {
    case Family::Voltage: return "voltage";
    case Family::Value: return "value";
    case Family::GuiOnly: return "GUI-only";
    default: return "unknown";
  }
}

ModuleKind classify(const Instance& in) {
  ModuleKind k;
  const PinInfo* formula = in.pinByName("Formula");
  const PinInfo* a = in.pinByName("A", pinInput);
  const PinInfo* b = in.pinByName("B", pinInput);
  const PinInfo* c = in.pinByName("C", pinInput);
  const PinInfo* cOut = in.pinByName("C", pinOutput);
  if (formula == nullptr || a == nullptr || b == nullptr) return k;
  k.formula = formula->descIndex;
  k.a = a->descIndex;
  k.b = b->descIndex;
  k.valueType = a->datatype;
  if (in.pinByName("GUI 2 DSP") != nullptr && cOut != nullptr) {
    k.family = a->datatype == Voltage ? Family::Voltage : Family::Value;
    k.c = cOut->descIndex;
    if (const PinInfo* cap = in.pinByName("Cap")) k.cap = cap->descIndex;
  } else if (a->guiSide() && c != nullptr) {
    k.family = Family::GuiOnly;
    k.c = c->descIndex;
  }
  return k;
}

}  // namespace semhost
