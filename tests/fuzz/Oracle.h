// The fuzz host's view of the independent reference model: what each module
// must write, announce and request for the host calls the fuzzer makes.
//
// This adapter is the only file of the fuzz target that knows the reference
// model's own interface; the harness speaks to the oracle through it alone.
// Values cross as 32-bit patterns, never as float.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fuzzoracle {

enum class Family { Voltage, Value, GuiOnly };

// One row of a module's pin list as describePin reports it.
struct PinRow {
  std::string name;
  int32_t direction;
  int32_t datatype;
  uint32_t flags;  // 0: not checked (some modules leave the caller's flags)
};

// One status change of C: its time and (value modules) the word C held.
struct Announcement {
  int32_t time;
  uint32_t word;
};

// The module behind a library's name; false when the name is unknown.
class Module {
 public:
  static std::unique_ptr<Module> forName(const std::string& moduleName);
  virtual ~Module() = default;

  virtual Family family() const = 0;
  virtual std::vector<PinRow> pins() const = 0;

  // ---- voltage modules (DSP pin indices of Cap, A, B and C; cap -1 if none)
  virtual int32_t pinCap() const { return -1; }
  virtual int32_t pinA() const { return -1; }
  virtual int32_t pinB() const { return -1; }
  virtual int32_t pinC() const { return -1; }
  virtual void voltsOpen(int32_t /*blockSize*/) {}
  virtual void setFormula(int32_t /*index*/) {}
  virtual void setCap(uint32_t /*bits*/) {}
  // A kind-0 event for a pin the module has; returns the status of C.
  virtual int32_t voltsSelect(int32_t /*statusA*/, int32_t /*statusB*/, uint32_t /*sampleA*/,
                              uint32_t /*sampleB*/) {
    return 0;
  }
  // One process call over the expected C buffer; true when it must end with
  // a sleep request.
  virtual bool voltsProcess(const uint32_t* /*a*/, const uint32_t* /*b*/, uint32_t* /*c*/,
                            int32_t /*offset*/, int32_t /*frames*/) {
    return false;
  }

  // ---- value modules
  virtual void valueOpen() {}
  // A kind-0 event for a pin the module has: appends C's announcements and
  // returns the word C then holds.
  virtual uint32_t valueEvaluate(int32_t /*formula*/, uint32_t /*a*/, uint32_t /*b*/,
                                 int32_t /*clock*/, bool /*hasC*/,
                                 std::vector<Announcement>* /*out*/) {
    return 0;
  }
};

// The GUI-side pins of a host as the GUI model reads and writes them.
class GuiHost {
 public:
  virtual ~GuiHost() = default;
  virtual uint32_t get(int32_t index) = 0;
  virtual void set(int32_t index, uint32_t word) = 0;
};

// The GUI-side object of a module (relay or GUI-only object).
class GuiObject {
 public:
  static std::unique_ptr<GuiObject> forName(const std::string& moduleName);
  virtual ~GuiObject() = default;
  virtual void initialise(GuiHost& host, bool keepValues) = 0;
  virtual void pinChanged(GuiHost& host, int32_t index) = 0;
};

}  // namespace fuzzoracle
