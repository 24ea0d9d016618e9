// The pin list shared by the Int, Float and Bool modules. Only the datatype of
// A, B and C and the variables behind the pins differ between them.
#pragma once

#include <cstdint>

#include "formula/Formula.h"
#include "framework/pin_description.h"

namespace valuepins {

inline constexpr int32_t kPinCount = 5;
// The DSP pin index of "C": "Formula" lives on the GUI side only and has no
// DSP pin, so the DSP pins are "GUI 2 DSP", "A", "B", "C".
inline constexpr int32_t kOutputDspPin = 3;
// "GUI 2 DSP": a GUI-side pin whose value also reaches the DSP side. 0x100 and
// 0x20000 are passed on to the host and never tested here.
inline constexpr uint32_t kGuiToDspFlags = 0x28500;

// The module's variables, in pin order.
struct Variables {
  void* formulaIndex;
  void* formulaPinValue;
  void* a;
  void* b;
  void* c;
};

// Fills the fields pin index needs and leaves the others as the caller had
// them. Any other index (compared unsigned, so negatives too) and a null record
// write nothing and give false.
inline bool describe(int32_t index, PinDescription* d, int32_t datatype,
                     const Variables& v) noexcept {
  if (d == nullptr || static_cast<uint32_t>(index) >= static_cast<uint32_t>(kPinCount))
    return false;
  switch (index) {
    case 0:
      d->name = "GUI 2 DSP";
      d->direction = pinInput;
      d->datatype = Int;
      d->valuePtr = v.formulaIndex;
      d->flags = kGuiToDspFlags;
      break;
    case 1:
      d->name = "Formula";
      d->direction = pinInput;
      d->datatype = List;
      d->valuePtr = v.formulaPinValue;
      d->defaultText = "0";
      d->listText = formula::kListText;
      d->flags = FlagGui;
      break;
    case 2:
      d->name = "A";
      d->direction = pinInput;
      d->datatype = datatype;
      d->valuePtr = v.a;
      d->defaultText = "0";
      break;
    case 3:
      d->name = "B";
      d->direction = pinInput;
      d->datatype = datatype;
      d->valuePtr = v.b;
      d->defaultText = "0";
      break;
    default:
      d->name = "C";
      d->direction = pinOutput;
      d->datatype = datatype;
      d->valuePtr = v.c;
      d->defaultText = "0";
      break;
  }
  return true;
}

}  // namespace valuepins
