// Shared by the GUI-only module tests: the three libraries described by what
// their tests need to know, and GUI-side host calls in a comparable form.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "framework/host_callback.h"
#include "framework/pin_description.h"
#include "host/Instance.h"
#include "support/Bits.h"

namespace guitest {

// One GUI-side host call as the module made it; opt by its bits. hasPtr tells
// a read (a buffer address in ptr) from a write (null ptr).
struct Call {
  int32_t opcode;
  int32_t index;
  int32_t value;
  uint32_t opt;
  bool hasPtr;
  bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
  os << "{op " << c.opcode << " pin " << c.index << " value " << c.value << " opt 0x" << std::hex
     << c.opt << std::dec << (c.hasPtr ? " ptr" : "") << "}";
  return os;
}

inline std::vector<Call> guiCalls(const semhost::Instance& inst) {
  std::vector<Call> out;
  for (const auto& e : inst.hostCalls(semhost::Side::Gui))
    out.push_back(Call{e.opcode, e.index, e.value, testsupport::bitsOf(e.opt), e.ptr != 0});
  return out;
}

// Integer read and write, as every module does on pin 0.
inline Call getI(int32_t pin) { return Call{hostGetPinValue, pin, 0, 0, true}; }
inline Call setI(int32_t pin, int32_t v) { return Call{hostSetPinValue, pin, v, 0, false}; }

// One library and how its value pins 1 to 6 travel.
struct Kind {
  const char* library;
  const char* name;
  int32_t datatype;
  bool publishOnInitialise;

  // A read of a value pin: the same host call for every kind.
  Call get(int32_t pin) const { return getI(pin); }
  // A write of word w to a value pin: a float travels in opt, the rest in value.
  Call put(int32_t pin, uint32_t w) const {
    if (datatype == Float) return Call{hostSetPinValue, pin, 0, w, false};
    return Call{hostSetPinValue, pin, static_cast<int32_t>(w), 0, false};
  }
};

// How a test parameter prints: by name. Without it the test framework dumps
// the struct's bytes, padding included, which memory checkers report as a
// read of uninitialised memory.
inline void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.name; }

inline const Kind kGuiInt{"ostrel_binary_gi", "GuiInt", Int, true};
inline const Kind kGuiFloat{"ostrel_binary_gf", "GuiFloat", Float, true};
inline const Kind kGuiBool{"ostrel_binary_gb", "GuiBool", Bool, false};

inline semhost::InstanceOptions notifying(semhost::GuiNotify mode) {
  semhost::InstanceOptions o;
  o.notify = mode;
  return o;
}

}  // namespace guitest
