// An independent model of the nine modules of the family, for checking them
// from the outside: what each one describes, what it writes, announces and
// requests for a given sequence of host calls.
//
// Written from the modules' documented behaviour and nothing else: it shares
// no code with the modules or the formula table, so a fault in either shows up
// as a difference. Values cross every function boundary as 32-bit patterns,
// never as float, so that no signalling NaN is quieted on the way (a float
// returned on 32-bit x86 passes through the x87 stack).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace semref {

enum class Kind { Volts, VoltsCap, VoltsDn, Int, Float, Bool, GuiInt, GuiFloat, GuiBool };
enum class Family { Voltage, Value, GuiOnly };

// The kind whose module name this is; false for a name of no module here.
bool kindFromName(const std::string& moduleName, Kind* kind);
Family familyOf(Kind kind);
const char* kindName(Kind kind);

// ---- formulas

// The result word of formula k (0..15) on the words a and b.
uint32_t formulaWord(int32_t k, uint32_t a, uint32_t b);
// Label k of the Formula list, exactly as the list shows it.
const char* formulaLabel(int32_t k);

// ---- pins

// One row of a module's pin list as describePin must report it.
struct PinRow {
  const char* name;
  int32_t direction;    // 0 input, 1 output
  int32_t datatype;     // 0 List, 4 Bool, 5 Voltage, 6 Float, 8 Int
  uint32_t flags;
  const char* defaultText;  // null: none
  bool formulaList;         // listText is the Formula list
  bool hasVariable;         // valuePtr is the module's own variable
};
std::vector<PinRow> pinTable(Kind kind);
// DSP pin index of each described pin (-1 for a GUI-side pin only).
std::vector<int32_t> dspNumbering(Kind kind);

// ---- voltage modules

// DSP pin indices of the voltage modules.
struct VoltsPins {
  int32_t formula = 0;  // "GUI 2 DSP"
  int32_t cap = -1;     // "Cap", capped variant only
  int32_t a = 1, b = 2, c = 3;
};
VoltsPins voltsPins(Kind kind);

// The sample a held input contributes at a selection: element offset of the
// pin's buffer, where offset is the current clock less the buffer's start
// clock. A pin without a buffer, and a clock outside the current block
// (offset below 0 or not below the block size, a host fault), give 0.0.
uint32_t heldSample(const uint32_t* buffer, int32_t offset, int32_t blockSize);

// The DSP side of a voltage module from open on. The harness tells it what
// the host does; it answers with what the module must do.
class VoltsModel {
 public:
  explicit VoltsModel(Kind kind) : kind_(kind) {}
  // Opcode 0 after the block size (the module's default is 1024).
  void open(int32_t blockSize);
  // Values the host stored in the module's variables.
  void setFormulaVariable(int32_t index) { formula_ = index; }
  void setCapVariable(uint32_t bits) { cap_ = bits; }
  // A kind-0 event for any DSP pin the module has: the new statuses of A and
  // B (2 streams, anything else is held) and the samples of A and B at the
  // current clock (0 for a pin without a buffer). Returns the status the
  // module then announces for C.
  int32_t select(int32_t statusA, int32_t statusB, uint32_t sampleA, uint32_t sampleB);
  // One process call: writes the expected elements offset .. offset+frames-1
  // of c (a, b: the input buffers; either may be null when not read). Returns
  // true when the call must end with a sleep request.
  bool process(const uint32_t* a, const uint32_t* b, uint32_t* c, int32_t offset,
               int32_t frames);
  // True while a per-sample routine itself is the process routine.
  bool streaming() const { return mode_ == Mode::PerSample; }

 private:
  enum class Mode { Countdown, PerSample };
  enum class Routine { PerSample, Fill, FillMarked };
  enum class Case { Both, AStreams, BStreams };

  uint32_t sampleOut(uint32_t r) const;  // per-sample path of the variant
  uint32_t heldOut(uint32_t r) const;    // held (both-static) path
  uint32_t mark(uint32_t w) const;
  void runRoutine(const uint32_t* a, const uint32_t* b, uint32_t* c, int32_t offset,
                  int32_t frames);

  Kind kind_;
  int32_t formula_ = 0;
  uint32_t cap_ = 0;
  int32_t blockSize_ = 1024;
  int32_t countdown_ = 0;
  int32_t marks_ = 0;
  Mode mode_ = Mode::Countdown;
  Routine routine_ = Routine::PerSample;
  Case case_ = Case::Both;
  int32_t routineFormula_ = 0;
  uint32_t scaledA_ = 0, scaledB_ = 0, result_ = 0;
};

// ---- value modules

// One status change the DSP side announces for C: its time and the word C's
// variable holds at that moment.
struct Announcement {
  int32_t time;
  uint32_t word;
};

// The DSP side of the Int, Float and Bool modules from open on.
class ValueModel {
 public:
  explicit ValueModel(Kind kind) : kind_(kind) {}
  void open();
  // A kind-0 event for any DSP pin the module has, with the words in the
  // formula, A and B variables and the clock. Appends the announcements for
  // C (none when the host gave the module no pin C) and returns C's word.
  uint32_t evaluate(int32_t formula, uint32_t a, uint32_t b, int32_t clock, bool hasC,
                    std::vector<Announcement>* out);

 private:
  Kind kind_;
  int32_t offset_ = 0;
};

// ---- GUI side

// The pins and notifications of a host, as a GUI model sees them. The model
// reads and writes only through this, in the order the module must.
class GuiPins {
 public:
  virtual ~GuiPins() = default;
  virtual uint32_t get(int32_t index) = 0;
  // A write; integer pins take value, float pins take the float's pattern.
  virtual void set(int32_t index, uint32_t word) = 0;
};

// The GUI-side object of any module of the family: the formula relay of the
// six DSP modules, or the GUI-only object of the other three.
class GuiModel {
 public:
  explicit GuiModel(Kind kind) : kind_(kind) {}
  void initialise(GuiPins& host, bool keepValues);
  void pinChanged(GuiPins& host, int32_t index);
  bool busy() const { return busy_; }

 private:
  int32_t readFormula(GuiPins& host, int32_t pin);
  uint32_t readValue(GuiPins& host, int32_t pin);
  void writeValue(GuiPins& host, int32_t pin, uint32_t v);
  void compute();

  Kind kind_;
  bool busy_ = false;
  int32_t formula_ = 0;
  uint32_t a_ = 0, b_ = 0, c_ = 0;
};

}  // namespace semref
