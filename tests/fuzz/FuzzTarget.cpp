// libFuzzer target: the fuzzer's bytes become a sequence of host calls
// against one of the nine modules, loaded from its .sem file.
//
// The fuzz host here is a host of its own, small and exact, so that the
// oracle (the reference model, through Oracle.h) can be told precisely what
// the host did: dispatcher opcodes on both sides with any index, value and
// float, pin-status events of kind 0 with any status and any pin index, events
// of kind 2 and of other kinds (never 21: its handler would come from the
// fuzzer), process calls at any offset and size inside the host buffers, any
// bit pattern in the input buffers, GUI notifications for any index, GUI value
// writes and formula changes carried from the GUI side to the DSP side.
//
// Checked after every step: each output sample of the voltage modules and
// every buffer cell around and outside the block (guard cells included), C and
// its announcements in the value modules, the exact order of GUI-side reads
// and writes and every GUI pin value, sleep requests, the process entry the
// host holds against the record, that calls which must not reach the host do
// not, and that nothing allocates where it may not. AddressSanitizer and
// UndefinedBehaviorSanitizer watch the rest.
//
// Input layout: byte 0 picks the module, bytes 1 and 2 the host's setup
// (notification mode, reported pin count, a second instance, a null DSP
// callback or no buffers handed over, buffer capacity, start clock), then one
// operation after another until the bytes run out (make_corpus.py writes
// seeds in this format).
#include <algorithm>
#include <cstddef>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <sanitizer/allocator_interface.h>

#include "Oracle.h"
#include "framework/dsp_record.h"
#include "framework/gui_record.h"
#include "framework/host_callback.h"
#include "framework/module_properties.h"
#include "framework/pin_description.h"
#include "host/PluginLibrary.h"

#ifndef SEM_FUZZ_PLUGIN_DIR
#define SEM_FUZZ_PLUGIN_DIR "plugins"
#endif

namespace {

using fuzzoracle::Family;

constexpr int32_t kGuard = 16;                 // guard cells on each side of a buffer
constexpr uint32_t kGuardWord = 0x7FA5A5A5u;   // a NaN pattern no module produces
constexpr int kMaxOps = 400;                   // operations per input
constexpr int kMaxDrainRounds = 1000;          // deferred notifications per drain
constexpr int32_t kGuiSlots = 16;              // GUI pin values kept by the host
constexpr int32_t kMaxDescribed = 64;          // descriptions asked before giving up

constexpr const char* kLibraries[9] = {
    "ostrel_binary_v",  "ostrel_binary_v_8", "ostrel_binary_v_dn",
    "ostrel_binary_i",  "ostrel_binary_f",   "ostrel_binary_b",
    "ostrel_binary_gi", "ostrel_binary_gf",  "ostrel_binary_gb"};

struct Library {
  std::unique_ptr<semhost::PluginLibrary> file;
  std::string name;  // module name from getModuleProperties
};
Library gLibraries[9];

// What the current input is doing, for the failure report.
const char* gModule = "";
int gStep = -1;

// SEM_FUZZ_STATS=1: a line per input with what was checked (to see what a
// seed reaches when running it alone).
bool gStats = false;
struct Stats {
  long processCalls = 0, samplesChecked = 0, selections = 0, evaluations = 0,
       announcements = 0, guiCalls = 0, sleeps = 0, ignoredEvents = 0, dspOpcodes = 0;
} gCounts;

[[noreturn]] void fail(const char* format, ...) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED (%s, step %d): ", gModule, gStep);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::abort();
}

#define FUZZ_CHECK(cond, ...) \
  do {                        \
    if (!(cond)) fail(__VA_ARGS__); \
  } while (0)

// Module code that may not allocate or free (process routines, event entries,
// the GUI object's handlers with their pin reads and writes, the opcodes that
// do nothing) runs watched; the host's own work in its callback is not
// counted.
int gWatching = 0;
long gAllocations = 0;

void countMalloc(const volatile void*, size_t) {
  if (gWatching > 0) ++gAllocations;
}
void countFree(const volatile void*) {
  if (gWatching > 0) ++gAllocations;
}

template <class F>
void noAllocation(const char* what, F&& f) {
  const long before = gAllocations;
  ++gWatching;
  f();
  --gWatching;
  FUZZ_CHECK(gAllocations == before, "%s allocated or freed memory", what);
}

// Inside a host callback: the host's allocations are its own affair.
class HostSide {
 public:
  HostSide() : saved_(gWatching) { gWatching = 0; }
  ~HostSide() { gWatching = saved_; }
  HostSide(const HostSide&) = delete;
  HostSide& operator=(const HostSide&) = delete;

 private:
  int saved_;
};

uint32_t floatBits(float f) {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}

float bitsFloat(uint32_t w) {
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}

// ------------------------------------------------------------------ input

// Reads the input from the front; past its end every read gives 0.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return size_ == 0; }
  uint8_t u8() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  uint16_t u16() {
    const uint16_t lo = u8();
    const uint16_t hi = u8();
    return static_cast<uint16_t>(lo | hi << 8);
  }
  uint32_t u32() {
    const uint32_t lo = u16();
    const uint32_t hi = u16();
    return lo | hi << 16;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Sample and value patterns of every class: zeros of both signs, denormals,
// the smallest normals, values whose scaled patterns overlap, infinities,
// quiet and signalling NaNs with payloads, all bits set, and values near the
// strip threshold of the denormal-stripping variant.
constexpr uint32_t kSpecialWords[] = {
    0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x00400000u, 0x00800000u,
    0x80800000u, 0x3F800000u, 0xBF800000u, 0x3F000000u, 0x3E800000u, 0x40000000u,
    0x7F7FFFFFu, 0xFF7FFFFFu, 0x7F800000u, 0xFF800000u, 0x7FC00000u, 0xFFC00001u,
    0x7F800001u, 0xFFA00005u, 0xFFFFFFFFu, 0x7FA5A5A5u, 0x0D800000u, 0x07400000u,
    0x06C00000u, 0x219392EFu, 0x3DCCCCCDu, 0x41200000u, 0x00000005u, 0x0000000Fu,
    0x7FFFFFFFu, 0x00000010u};
constexpr size_t kSpecialCount = sizeof kSpecialWords / sizeof kSpecialWords[0];

// A sample or value word: mostly one of the special patterns, else raw bits.
uint32_t sampleWord(Reader& r) {
  const uint8_t b = r.u8();
  if (b < 0xC0) return kSpecialWords[b % kSpecialCount];
  return r.u32();
}

// An integer argument: mostly small (-32..191), else extremes or raw bits.
int32_t intArg(Reader& r) {
  static constexpr int32_t kExtremes[] = {INT32_MIN, INT32_MAX, -1, 0x10000, 0x7FFF,
                                          0x8000,    0xFFFF,    -65536};
  const uint8_t b = r.u8();
  if (b < 0xE0) return static_cast<int32_t>(b) - 32;
  if (b < 0xF0) return kExtremes[b % 8];
  return static_cast<int32_t>(r.u32());
}

// A pin status: mostly 0, 1 or 2, else anything.
int32_t statusArg(Reader& r) {
  const uint8_t b = r.u8();
  if (b < 0xC0) return b % 3;
  if (b < 0xF0) return static_cast<int32_t>(b) - 0xD0;
  return static_cast<int32_t>(r.u32());
}

// A formula index: mostly 0..15, sometimes out of range either way.
int32_t formulaArg(Reader& r) {
  const uint8_t b = r.u8();
  if (b < 0xE0) return b % 16;
  return intArg(r);
}

// ------------------------------------------------------------------ GUI side

enum class Notify { Deferred, Reentrant, None };

struct GuiCall {
  int32_t opcode;
  int32_t index;
  uint32_t word;
  bool operator==(const GuiCall& o) const {
    return opcode == o.opcode && index == o.index && word == o.word;
  }
};

// The host's GUI pin values and the GUI-side calls it received, for one side
// of the comparison: the module's object or the model.
struct GuiStore {
  std::array<uint32_t, kGuiSlots> values{};
  std::vector<GuiCall> calls;
  std::deque<int32_t> pending;
  int depth = 0;
  bool draining = false;
  bool closed = false;
};

std::string describeCalls(const std::vector<GuiCall>& calls) {
  std::string s;
  for (const GuiCall& c : calls) {
    char line[96];
    if (c.opcode == hostGetPinValue)
      std::snprintf(line, sizeof line, " get(%d)", c.index);
    else if (c.opcode == hostSetPinValue)
      std::snprintf(line, sizeof line, " set(%d,0x%08X)", c.index, c.word);
    else
      std::snprintf(line, sizeof line, " op%d(%d,%u)", c.opcode, c.index, c.word);
    s += line;
  }
  return s.empty() ? " (none)" : s;
}

// ------------------------------------------------------------------ instance

struct PinInfo {
  int32_t dsp = -1;  // DSP pin index, -1 for a GUI-side pin only
  int32_t direction = 0;
  int32_t datatype = 0;
  uint32_t flags = 0;
  void* valuePtr = nullptr;
  bool guiToDsp() const { return (flags & FlagGui) != 0 && (flags & FlagGuiToDsp) != 0; }
};

struct Announce {
  int32_t index;
  int32_t status;
  int32_t time;
  uint32_t word;
};

struct Setup {
  Notify notify = Notify::Deferred;
  bool dspCallback = true;
  bool handBuffers = true;
  int countMode = 0;  // 0 exact, 1 zero, 2 fewer, 3 more, 4 negative
  int32_t countArg = 0;
  int32_t capacity = 256;
  uint32_t startClock = 0;
};

class Instance;

// The model's side of the GUI comparison.
class ModelGuiHost final : public fuzzoracle::GuiHost {
 public:
  explicit ModelGuiHost(Instance& in) : in_(in) {}
  uint32_t get(int32_t index) override;
  void set(int32_t index, uint32_t word) override;

 private:
  Instance& in_;
};

class Instance {
 public:
  Instance(const Library& lib, const Setup& setup)
      : lib_(lib), setup_(setup), modelHost_(*this) {
    oracle_ = fuzzoracle::Module::forName(lib.name);
    guiModel_ = fuzzoracle::GuiObject::forName(lib.name);
    FUZZ_CHECK(oracle_ && guiModel_, "no reference model for \"%s\"", lib.name.c_str());
    family_ = oracle_->family();

    const auto self = reinterpret_cast<intptr_t>(this);
    dsp_ = static_cast<DspHostRecord*>(lib.file->makeModule()(
        0, objectTypeDsp, setup.dspCallback ? &Instance::callback : nullptr, self));
    gui_ = static_cast<GuiHostRecord*>(
        lib.file->makeModule()(0, objectTypeGui, &Instance::callback, self));
    FUZZ_CHECK(dsp_ != nullptr && gui_ != nullptr, "makeModule returned null");
    FUZZ_CHECK(dsp_->magic == SEM_DSP_MAGIC && dsp_->version == 1 && dsp_->hostData == self &&
                   dsp_->object != nullptr && dsp_->reserved16 == 0,
               "DSP record not filled as made");
    FUZZ_CHECK(gui_->magic == SEM_GUI_MAGIC && gui_->version == 1 && gui_->hostData == self &&
                   gui_->object != nullptr,
               "GUI record not filled as made");
    entry_ = dsp_->process;
    describe();

    switch (setup.countMode) {
      case 1: reported_ = 0; break;
      case 2: reported_ = dspCount_ > 0 ? setup.countArg % dspCount_ : 0; break;
      case 3: reported_ = dspCount_ + 1 + setup.countArg % 64; break;
      case 4: reported_ = -1 - setup.countArg; break;
      default: reported_ = dspCount_; break;
    }
    buffers_.resize(static_cast<size_t>(dspCount_));
    expected_.resize(static_cast<size_t>(dspCount_));
    for (int32_t d = 0; d < dspCount_; ++d) {
      if (pins_[static_cast<size_t>(descOf(d))].datatype != Voltage) continue;
      auto& b = buffers_[static_cast<size_t>(d)];
      b.assign(static_cast<size_t>(setup.capacity + 2 * kGuard), kGuardWord);
      std::fill(b.begin() + kGuard, b.end() - kGuard, 0u);
      expected_[static_cast<size_t>(d)] = b;
    }
    scratch_.assign(static_cast<size_t>(setup.capacity), 0u);
    scratchOut_.assign(static_cast<size_t>(setup.capacity), 0u);
    clock_ = setup.startClock;
    vars_.assign(pins_.size(), 0u);
    // The host starts every input variable at its default value, 0.
    for (size_t j = 0; j < pins_.size(); ++j) {
      const PinInfo& p = pins_[j];
      if (p.dsp < 0 || p.direction != pinInput) continue;
      if (p.datatype == Int || p.datatype == Float) writeVariable(static_cast<int32_t>(j), 0u, 4);
      if (p.datatype == Bool) writeVariable(static_cast<int32_t>(j), 0u, 1);
    }
  }

  ~Instance() {
    if (gui_ != nullptr) guiCall(guiClose, 0, 0, nullptr, 0.0f);
    if (dsp_ != nullptr) dspCall(dspClose, 0, 0, nullptr, 0.0f);
  }

  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // ---------------------------------------------------------------- steps

  void step(uint8_t op, Reader& r) {
    switch (op % 13) {
      case 0: dspOpcode(r); break;
      case 1: guiOpcode(r); break;
      case 2: userWrite(r); break;
      case 3: flushToDsp(); break;
      case 4: pinEvent(r); break;
      case 5: otherEvent(r); break;
      case 6: setClock(r); break;
      case 7: fill(r); break;
      case 8: {
        const int32_t offset = r.u16() % (setup_.capacity + 1);
        const int32_t frames = r.u16() % (setup_.capacity - offset + 1);
        process(offset, frames);
        break;
      }
      case 9: poke(r); break;
      case 10: {
        const int32_t block = blockSize_ > 0 ? blockSize_ : setup_.capacity;
        process(0, std::min(block, setup_.capacity));
        break;
      }
      case 11: prime(r); break;
      default: libraryCalls(r); break;
    }
  }

  // Opcodes of the DSP dispatcher: open, close, rate, block size, describe,
  // process info, and the ones that must do nothing.
  void dspOpcode(Reader& r) {
    if (dsp_ == nullptr) return;
    const uint8_t b = r.u8();
    int32_t opcode = b < 0xF0 ? b % 16 : intArg(r);
    const int32_t index = intArg(r);
    const int32_t value = intArg(r);
    const uint32_t optBits = sampleWord(r);
    const int32_t callsBefore = dspHostCalls_;
    std::array<uint8_t, 64> scratch{};
    ++gCounts.dspOpcodes;

    switch (opcode) {
      case dspOpen: {
        anns_.clear();
        FUZZ_CHECK(dspCall(dspOpen, index, value, &scratch, bitsFloat(optBits)) == 0,
                   "open returned non-zero");
        opened_ = true;
        live_ = liveCount();
        status_.assign(static_cast<size_t>(live_), 0);
        handBuffers();
        if (family_ == Family::Voltage) oracle_->voltsOpen(blockSize_);
        if (family_ == Family::Value) oracle_->valueOpen();
        sleepTracked_ = true;
        FUZZ_CHECK(anns_.empty(), "open announced a pin status");
        break;
      }
      case dspClose:
        FUZZ_CHECK(dspCall(dspClose, index, value, &scratch, bitsFloat(optBits)) == 1,
                   "close did not return 1");
        return;
      case dspSetBlockSize:
        FUZZ_CHECK(dspCall(opcode, index, value, &scratch, bitsFloat(optBits)) == 0,
                   "opcode 3 returned non-zero");
        blockSize_ = value;
        if (opened_) sleepTracked_ = false;  // the model takes the size at open
        FUZZ_CHECK(dspHostCalls_ == callsBefore, "opcode 3 called the host");
        break;
      case dspDescribePin: describeCheck(index); break;
      case dspGetProcessInfo: processInfoCheck(index, value); break;
      default: {
        const ProcessRoutine before = dsp_->process;
        const intptr_t result = dspCall(opcode, index, value, &scratch, bitsFloat(optBits));
        FUZZ_CHECK(result == 0, "DSP opcode %d returned %ld", opcode, static_cast<long>(result));
        FUZZ_CHECK(dspHostCalls_ == callsBefore, "DSP opcode %d called the host", opcode);
        FUZZ_CHECK(dsp_->process == before, "DSP opcode %d changed the process entry", opcode);
        break;
      }
    }
    checkEntry();
  }

  // Opcodes of the GUI dispatcher, with any index: initialise, notifications,
  // close, and the ones that must do nothing.
  void guiOpcode(Reader& r) {
    if (gui_ == nullptr) return;
    const uint8_t b = r.u8();
    const int32_t opcode = b < 0xF0 ? b % 14 : intArg(r);
    const int32_t index = (b & 0x10) ? static_cast<int32_t>(r.u8() % 10) - 1 : intArg(r);
    const int32_t value = intArg(r);
    const uint32_t optBits = sampleWord(r);
    std::array<uint8_t, 64> scratch{};
    const intptr_t result = guiCall(opcode, index, value, &scratch, bitsFloat(optBits));
    switch (opcode) {
      case guiInitialise:
        modelRun([&] { guiModel_->initialise(modelHost_, index == 1); });
        break;
      case guiPinChanged:
        modelRun([&] { guiModel_->pinChanged(modelHost_, index); });
        break;
      case guiClose:
        model_.closed = true;
        break;
      default:
        break;
    }
    const intptr_t want = opcode == guiClose ? 1 : 0;
    FUZZ_CHECK(result == want, "GUI opcode %d returned %ld", opcode, static_cast<long>(result));
    compareGui("GUI opcode");
  }

  // The user changes a GUI pin: stored, carried to the DSP side for a
  // GUI-to-DSP pin, and announced to the GUI object.
  void userWrite(Reader& r) {
    if (gui_ == nullptr || pins_.empty()) return;
    const auto pin = static_cast<int32_t>(r.u8() % pins_.size());
    const uint32_t word = pins_[static_cast<size_t>(pin)].datatype == List
                              ? static_cast<uint32_t>(formulaArg(r))
                              : sampleWord(r);
    store(real_, pin, word, false);
    store(model_, pin, word, false);
    guiCall(guiPinChanged, pin, 0, nullptr, 0.0f);
    modelRun([&] { guiModel_->pinChanged(modelHost_, pin); });
    compareGui("user write");
  }

  // A GUI pin value set without telling anybody (a state the host restores).
  void prime(Reader& r) {
    if (pins_.empty()) return;
    const auto pin = static_cast<int32_t>(r.u8() % pins_.size());
    const uint32_t word = pins_[static_cast<size_t>(pin)].datatype == List
                              ? static_cast<uint32_t>(intArg(r))
                              : sampleWord(r);
    real_.values[static_cast<size_t>(pin)] = word;
    model_.values[static_cast<size_t>(pin)] = word;
  }

  // Values the GUI side wrote to a GUI-to-DSP pin reach the DSP side: the
  // variable first, then a single change on that pin once the DSP is open.
  void flushToDsp() {
    std::vector<std::pair<int32_t, uint32_t>> due;
    due.swap(toDsp_);
    for (const auto& [desc, word] : due) {
      if (dsp_ == nullptr) return;
      writeVariable(desc, word, 4);
      if (opened_) deliverStatus(pins_[static_cast<size_t>(desc)].dsp, statusChanged, 0);
    }
  }

  // A kind-0 event for any pin index with any status, after an optional new
  // value in the pin's variable.
  void pinEvent(Reader& r) {
    if (!opened_ || dsp_ == nullptr) return;
    const uint8_t b = r.u8();
    const int32_t pin = b < 0xE0 ? static_cast<int32_t>(b % (dspCount_ + 3)) - 1 : intArg(r);
    const int32_t status = statusArg(r);
    const uint8_t how = r.u8();
    if ((how & 1) != 0 && pin >= 0 && pin < dspCount_) {
      const int32_t desc = descOf(pin);
      const int32_t type = pins_[static_cast<size_t>(desc)].datatype;
      const uint32_t word = pins_[static_cast<size_t>(desc)].guiToDsp()
                                ? static_cast<uint32_t>(formulaArg(r))
                                : sampleWord(r);
      if (type == Int || type == Float) writeVariable(desc, word, 4);
      if (type == Bool) writeVariable(desc, (how & 2) != 0 ? word : (word & 1u), (how & 2) ? 4 : 1);
    }
    deliverStatus(pin, status, static_cast<int32_t>(how) - 128);
  }

  // Events of kind 2 and of kinds nobody handles: nothing may happen.
  void otherEvent(Reader& r) {
    if (!opened_ || dsp_ == nullptr) return;
    int32_t kind = intArg(r);
    if (kind == eventPinStatus || kind == eventDeferredCall) kind = eventKindTwo;
    DspEvent event{static_cast<int32_t>(clock_), kind, intArg(r), intArg(r), intArg(r), nullptr};
    const int32_t callsBefore = dspHostCalls_;
    const ProcessRoutine before = dsp_->process;
    noAllocation("an event", [&] { dsp_->eventEntry(dsp_->object, &event); });
    ++gCounts.ignoredEvents;
    FUZZ_CHECK(dspHostCalls_ == callsBefore, "event kind %d called the host", kind);
    FUZZ_CHECK(dsp_->process == before, "event kind %d changed the process entry", kind);
  }

  // The sample clock moves within the current buffers (voltage modules) or
  // anywhere (the others).
  void setClock(Reader& r) {
    const uint32_t pos = family_ == Family::Voltage
                             ? static_cast<uint32_t>(r.u16() % setup_.capacity)
                             : r.u32();
    clock_ = setup_.startClock + pos;
  }

  // New data in part of an input buffer (or of C, which the module must
  // overwrite inside the block only).
  void fill(Reader& r) {
    if (family_ != Family::Voltage) return;
    const uint8_t sel = r.u8();
    const int32_t which = sel % 4;  // A, B, C, or A and B
    const int mode = (sel >> 2) % 4;
    const int32_t offset = r.u16() % setup_.capacity;
    const int32_t count = r.u16() % (setup_.capacity - offset + 1);
    uint32_t seed = r.u32() | 1u;
    const uint32_t constant = mode == 1 ? sampleWord(r) : 0u;
    auto next = [&]() {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      return seed;
    };
    std::vector<int32_t> targets;
    if (which == 0 || which == 3) targets.push_back(oracle_->pinA());
    if (which == 1 || which == 3) targets.push_back(oracle_->pinB());
    if (which == 2) targets.push_back(oracle_->pinC());
    for (int32_t n = 0; n < count; ++n) {
      for (const int32_t d : targets) {
        uint32_t w;
        switch (mode) {
          case 0: w = n < 48 ? sampleWord(r) : next(); break;
          case 1: w = constant; break;
          case 2: w = next(); break;
          default: w = kSpecialWords[next() % kSpecialCount]; break;
        }
        buffers_[static_cast<size_t>(d)][static_cast<size_t>(kGuard + offset + n)] = w;
        expected_[static_cast<size_t>(d)][static_cast<size_t>(kGuard + offset + n)] = w;
      }
    }
  }

  // A whole 32-bit word in the variable of an input pin (formula index, Cap,
  // the cells of A and B).
  void poke(Reader& r) {
    if (dsp_ == nullptr || dspCount_ == 0) return;
    const int32_t desc = descOf(static_cast<int32_t>(r.u8() % dspCount_));
    const PinInfo& p = pins_[static_cast<size_t>(desc)];
    const uint32_t word = p.guiToDsp() ? static_cast<uint32_t>(intArg(r)) : sampleWord(r);
    if (p.direction != pinInput || p.datatype == Voltage || p.datatype == List) return;
    writeVariable(desc, word, 4);
  }

  // The two exports with arguments that must fail, and module index 0.
  void libraryCalls(Reader& r) {
    const int32_t index = intArg(r);
    ModuleProperties props;
    std::memset(&props, 0xA5, sizeof props);
    ModuleProperties before = props;
    const int32_t result = lib_.file->getModuleProperties()(index, &props);
    FUZZ_CHECK(props.interfaceVersion == 2230, "interfaceVersion not 2230 for index %d", index);
    FUZZ_CHECK(props.hostField12 == before.hostField12 && props.hostField16 == before.hostField16,
               "getModuleProperties wrote the host's fields");
    if (index == 0) {
      FUZZ_CHECK(result == 1 && props.name == props.identifier && props.name != nullptr &&
                     props.about != nullptr && lib_.name == props.name,
                 "getModuleProperties(0) did not fill the texts");
    } else {
      FUZZ_CHECK(result == 0 &&
                     std::memcmp(&props, &before, offsetof(ModuleProperties, hostField12)) == 0,
                 "getModuleProperties(%d) returned %d or wrote a text", index, result);
    }
    const int32_t type = intArg(r);
    if (index == 0 && (type == objectTypeDsp || type == objectTypeGui)) return;
    void* made = lib_.file->makeModule()(index, type, &Instance::callback, 0);
    FUZZ_CHECK(made == nullptr, "makeModule(%d, %d) made an object", index, type);
  }

  // ---------------------------------------------------------------- checks

  void checkEntry() const {
    if (dsp_ != nullptr && setup_.dspCallback)
      FUZZ_CHECK(entry_ == dsp_->process,
                 "the record's process entry changed without hostProcessChanged");
  }

  void describeCheck(int32_t index) {
    PinDescription d;
    std::memset(&d, 0x5A, sizeof d);
    const PinDescription before = d;
    const int32_t callsBefore = dspHostCalls_;
    const intptr_t result = dspCall(dspDescribePin, index, 0, &d, 0.0f);
    FUZZ_CHECK(dspHostCalls_ == callsBefore, "describePin called the host");
    const std::vector<fuzzoracle::PinRow> rows = oracle_->pins();
    if (index < 0 || index >= static_cast<int32_t>(rows.size())) {
      FUZZ_CHECK(result == 0, "describePin(%d) returned %ld", index, static_cast<long>(result));
      FUZZ_CHECK(std::memcmp(&d, &before, sizeof d) == 0, "describePin(%d) wrote the record",
                 index);
      return;
    }
    const fuzzoracle::PinRow& row = rows[static_cast<size_t>(index)];
    FUZZ_CHECK(result == 1, "describePin(%d) returned %ld", index, static_cast<long>(result));
    FUZZ_CHECK(d.name != nullptr && row.name == d.name, "describePin(%d) name", index);
    FUZZ_CHECK(d.direction == row.direction && d.datatype == row.datatype,
               "describePin(%d) direction or datatype", index);
    FUZZ_CHECK(row.flags == 0 || d.flags == row.flags, "describePin(%d) flags 0x%X", index,
               d.flags);
    FUZZ_CHECK(d.reserved == before.reserved, "describePin(%d) wrote the reserved word", index);
  }

  void processInfoCheck(int32_t index, int32_t value) {
    const int32_t callsBefore = dspHostCalls_;
    const intptr_t result = dspCall(dspGetProcessInfo, index, value, nullptr, 0.0f);
    FUZZ_CHECK(dspHostCalls_ == callsBefore, "opcode 13 called the host");
    const auto* info = reinterpret_cast<const ProcessInfo*>(result);
    FUZZ_CHECK(info != nullptr, "opcode 13 returned null");
    // 16 bytes on the 32-bit targets; the size of the record here.
    FUZZ_CHECK(info->count == 1 &&
                   info->entrySize == static_cast<int32_t>(sizeof(ProcessDescriptor)) &&
                   info->reserved == 0 &&
                   info->entries != nullptr,
               "ProcessInfo {%d, %d, %p, %d}", info->count, info->entrySize,
               static_cast<const void*>(info->entries), info->reserved);
    const ProcessDescriptor& pd = *info->entries;
    FUZZ_CHECK(pd.entry == dsp_->process && pd.word1 == 0 && pd.word2 == 0 && pd.word3 == 0,
               "process descriptor does not match the record");
  }

  void compareGui(const char* what) {
    if (real_.calls != model_.calls) {
      fail("%s: GUI host calls differ\n  module:%s\n  model: %s", what,
           describeCalls(real_.calls).c_str(), describeCalls(model_.calls).c_str());
    }
    for (int32_t i = 0; i < kGuiSlots; ++i) {
      FUZZ_CHECK(real_.values[static_cast<size_t>(i)] == model_.values[static_cast<size_t>(i)],
                 "%s: GUI pin %d holds 0x%08X, model 0x%08X", what, i,
                 real_.values[static_cast<size_t>(i)], model_.values[static_cast<size_t>(i)]);
    }
    gCounts.guiCalls += static_cast<long>(real_.calls.size());
    real_.calls.clear();
    model_.calls.clear();
  }

  // ---------------------------------------------------------------- DSP

  // A kind-0 event and what the module must do with it.
  void deliverStatus(int32_t pin, int32_t status, int32_t value2) {
    DspEvent event{static_cast<int32_t>(clock_), eventPinStatus, status, value2, pin, nullptr};
    const int32_t callsBefore = dspHostCalls_;
    anns_.clear();
    noAllocation("a pin status event", [&] { dsp_->eventEntry(dsp_->object, &event); });
    checkEntry();
    if (pin < 0 || pin >= live_) {
      ++gCounts.ignoredEvents;
      FUZZ_CHECK(dspHostCalls_ == callsBefore,
                 "a status for pin %d (the module has %d) called the host", pin, live_);
      return;
    }
    status_[static_cast<size_t>(pin)] = status;
    std::vector<Announce> want;
    const auto now = static_cast<int32_t>(clock_);
    if (family_ == Family::Voltage) {
      const int32_t a = oracle_->pinA(), b = oracle_->pinB(), c = oracle_->pinC();
      const int32_t sA = a < live_ ? status_[static_cast<size_t>(a)] : 0;
      const int32_t sB = b < live_ ? status_[static_cast<size_t>(b)] : 0;
      ++gCounts.selections;
      const int32_t cStatus = oracle_->voltsSelect(sA, sB, currentSample(a), currentSample(b));
      if (c < live_) want.push_back(Announce{c, cStatus, now, 0});
      compareAnnouncements(want, false);
    } else if (family_ == Family::Value) {
      const int32_t descC = descOf(3);
      const bool hasC = 3 < live_;
      ++gCounts.evaluations;
      std::vector<fuzzoracle::Announcement> got;
      const uint32_t c = oracle_->valueEvaluate(static_cast<int32_t>(vars_[0]), vars_[2],
                                                vars_[3], now, hasC, &got);
      for (const auto& g : got) want.push_back(Announce{3, statusChanged, g.time, g.word});
      compareAnnouncements(want, true);
      uint32_t held;
      std::memcpy(&held, pins_[static_cast<size_t>(descC)].valuePtr, 4);
      FUZZ_CHECK(held == c, "C holds 0x%08X, model 0x%08X", held, c);
    } else {
      fail("a GUI-only module has a DSP pin %d", pin);
    }
    if (status == statusChanged) status_[static_cast<size_t>(pin)] = statusStatic;
  }

  void compareAnnouncements(const std::vector<Announce>& want, bool withWord) {
    bool same = want.size() == anns_.size();
    for (size_t k = 0; same && k < want.size(); ++k) {
      same = want[k].index == anns_[k].index && want[k].status == anns_[k].status &&
             want[k].time == anns_[k].time && (!withWord || want[k].word == anns_[k].word);
    }
    gCounts.announcements += static_cast<long>(anns_.size());
    if (same) return;
    std::string s = "announcements differ\n  module:";
    char line[80];
    for (const Announce& a : anns_) {
      std::snprintf(line, sizeof line, " (pin %d status %d time %d word 0x%08X)", a.index,
                    a.status, a.time, a.word);
      s += line;
    }
    s += "\n  model: ";
    for (const Announce& a : want) {
      std::snprintf(line, sizeof line, " (pin %d status %d time %d word 0x%08X)", a.index,
                    a.status, a.time, a.word);
      s += line;
    }
    fail("%s", s.c_str());
  }

  // What a voltage input's current sample is for the module: the host's
  // buffer at the clock's place in it. A clock outside the block the module
  // was told about, or a pin without a buffer, reads as 0.
  uint32_t currentSample(int32_t dspPin) const {
    if (dspPin >= live_ || !setup_.handBuffers) return 0u;
    const auto offset = static_cast<int32_t>(clock_ - setup_.startClock);
    if (offset < 0 || offset >= blockSize_ || offset >= setup_.capacity) return 0u;
    return buffers_[static_cast<size_t>(dspPin)][static_cast<size_t>(kGuard + offset)];
  }

  void process(int32_t offset, int32_t frames) {
    if (!opened_ || dsp_ == nullptr) return;
    handBuffers();
    const int32_t callsBefore = dspHostCalls_;
    const int32_t sleepsBefore = sleeps_;
    anns_.clear();
    // Without a callback the host never hears of a new routine: it reads the
    // record's entry itself.
    const ProcessRoutine routine = setup_.dspCallback ? entry_ : dsp_->process;
    noAllocation("a process routine", [&] { routine(dsp_->object, offset, frames); });
    const int32_t calls = dspHostCalls_ - callsBefore;
    const int32_t sleeps = sleeps_ - sleepsBefore;
    FUZZ_CHECK(calls == sleeps, "a process call made %d host calls besides %d sleeps",
               calls - sleeps, sleeps);
    checkEntry();
    ++gCounts.processCalls;
    gCounts.sleeps += sleeps;
    if (family_ != Family::Voltage) {
      FUZZ_CHECK(sleeps == (setup_.dspCallback ? 1 : 0), "sleepProcess made %d sleep requests",
                 sleeps);
      return;
    }
    const int32_t a = oracle_->pinA(), b = oracle_->pinB(), c = oracle_->pinC();
    bool mustSleep;
    if (setup_.handBuffers) {
      mustSleep = oracle_->voltsProcess(expected_[static_cast<size_t>(a)].data() + kGuard,
                                        expected_[static_cast<size_t>(b)].data() + kGuard,
                                        expected_[static_cast<size_t>(c)].data() + kGuard,
                                        offset, frames);
    } else {
      mustSleep = oracle_->voltsProcess(scratch_.data(), scratch_.data(), scratchOut_.data(),
                                        offset, frames);
    }
    if (setup_.handBuffers && frames > 0) gCounts.samplesChecked += frames;
    for (const int32_t d : {a, b, c}) {
      const auto& got = buffers_[static_cast<size_t>(d)];
      const auto& want = expected_[static_cast<size_t>(d)];
      if (got == want) continue;
      for (size_t k = 0; k < got.size(); ++k) {
        if (got[k] == want[k]) continue;
        fail("process(%d, %d): DSP pin %d cell %ld (block element %ld) is 0x%08X, model 0x%08X",
             offset, frames, d, static_cast<long>(k) - kGuard,
             static_cast<long>(k) - kGuard - offset, got[k], want[k]);
      }
    }
    if (setup_.dspCallback && sleepTracked_)
      FUZZ_CHECK(sleeps == (mustSleep ? 1 : 0), "process(%d, %d): %d sleep requests, model %d",
                 offset, frames, sleeps, mustSleep ? 1 : 0);
  }

  // ---------------------------------------------------------------- host

  static intptr_t SEM_CALL callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt) {
    FUZZ_CHECK(record != nullptr, "host call without a record");
    HostSide hostSide;
    uint32_t magic;
    std::memcpy(&magic, record, sizeof magic);
    if (magic == SEM_DSP_MAGIC) {
      auto* self =
          reinterpret_cast<Instance*>(static_cast<DspHostRecord*>(record)->hostData);
      return self->onDspCall(opcode, index, value, ptr);
    }
    FUZZ_CHECK(magic == SEM_GUI_MAGIC, "host call with an unknown record");
    auto* self = reinterpret_cast<Instance*>(static_cast<GuiHostRecord*>(record)->hostData);
    return self->onGuiCall(opcode, index, value, ptr, opt);
  }

  intptr_t onDspCall(int32_t opcode, int32_t index, int32_t value, void* ptr) {
    FUZZ_CHECK(setup_.dspCallback, "a DSP object made without a callback called the host");
    ++dspHostCalls_;
    switch (opcode) {
      case hostPinStatusChange: {
        uint32_t word = 0;
        if (index >= 0 && index < dspCount_) {
          const PinInfo& p = pins_[static_cast<size_t>(descOf(index))];
          if (p.valuePtr != nullptr && p.datatype != Voltage) std::memcpy(&word, p.valuePtr, 4);
        }
        FUZZ_CHECK(index >= 0 && index < live_, "status for pin %d, which the module lacks",
                   index);
        anns_.push_back(Announce{index, value,
                                 static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr)), word});
        return 0;
      }
      case hostGetSampleClock: return static_cast<int32_t>(clock_);
      case hostGetPinBuffer:
        if (index < 0 || index >= dspCount_ || buffers_[static_cast<size_t>(index)].empty())
          return 0;
        return reinterpret_cast<intptr_t>(buffers_[static_cast<size_t>(index)].data() + kGuard);
      case hostGetBufferStartClock: return static_cast<int32_t>(setup_.startClock);
      case hostSleep: ++sleeps_; return 0;
      case hostGetPinCount: return reported_;
      case hostProcessChanged:
        if (dsp_ != nullptr) entry_ = dsp_->process;
        return 0;
      case hostQueueEvent: fail("a module queued an event");
      default: fail("unknown DSP host call %d", opcode);
    }
  }

  intptr_t onGuiCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    switch (opcode) {
      case hostGetPinValue: {
        real_.calls.push_back(GuiCall{opcode, index, 0});
        const uint32_t w = slot(index) ? real_.values[static_cast<size_t>(index)] : 0u;
        if (ptr != nullptr) std::memcpy(ptr, &w, 4);
        return 1;
      }
      case hostSetPinValue: {
        const bool isFloat =
            index >= 0 && index < static_cast<int32_t>(pins_.size()) &&
            pins_[static_cast<size_t>(index)].datatype == Float;
        const uint32_t word = isFloat ? floatBits(opt) : static_cast<uint32_t>(value);
        real_.calls.push_back(GuiCall{opcode, index, word});
        store(real_, index, word, true);
        return 1;
      }
      default:
        real_.calls.push_back(GuiCall{opcode, index, static_cast<uint32_t>(value)});
        return 0;
    }
  }

  // ---------------------------------------------------------------- model GUI host

  uint32_t modelGet(int32_t index) {
    model_.calls.push_back(GuiCall{hostGetPinValue, index, 0});
    return slot(index) ? model_.values[static_cast<size_t>(index)] : 0u;
  }
  void modelSet(int32_t index, uint32_t word) {
    model_.calls.push_back(GuiCall{hostSetPinValue, index, word});
    store(model_, index, word, true);
  }

 private:
  bool isModel(const GuiStore& s) const { return &s == &model_; }
  static bool slot(int32_t index) { return index >= 0 && index < kGuiSlots; }

  int32_t descOf(int32_t dspPin) const { return dspToDesc_[static_cast<size_t>(dspPin)]; }

  int32_t liveCount() const {
    if (!setup_.dspCallback || reported_ <= 0) return 0;
    return std::min(reported_, dspCount_);
  }

  void describe() {
    for (int32_t j = 0; j < kMaxDescribed; ++j) {
      PinDescription d;
      std::memset(&d, 0, sizeof d);
      if (dspCall(dspDescribePin, j, 0, &d, 0.0f) == 0) break;
      PinInfo p;
      p.direction = d.direction;
      p.datatype = d.datatype;
      p.flags = d.flags;
      p.valuePtr = d.valuePtr;
      if ((p.flags & FlagGui) == 0 || p.guiToDsp()) {
        p.dsp = dspCount_++;
        dspToDesc_.push_back(j);
      }
      pins_.push_back(p);
    }
    FUZZ_CHECK(pins_.size() == oracle_->pins().size(), "%zu pins described, model has %zu",
               pins_.size(), oracle_->pins().size());
    FUZZ_CHECK(pins_.size() <= static_cast<size_t>(kGuiSlots), "too many pins");
  }

  // The host stores a value in a pin's variable: 4 bytes, or the first byte
  // of a Bool cell; the model hears of the formula index and of Cap.
  void writeVariable(int32_t desc, uint32_t word, int bytes) {
    const PinInfo& p = pins_[static_cast<size_t>(desc)];
    if (p.valuePtr == nullptr) return;
    std::memcpy(p.valuePtr, &word, static_cast<size_t>(bytes));
    uint32_t& mirror = vars_[static_cast<size_t>(desc)];
    if (bytes == 4) mirror = word;
    else mirror = (mirror & 0xFFFFFF00u) | (word & 0xFFu);
    if (family_ != Family::Voltage) return;
    if (p.guiToDsp()) oracle_->setFormula(static_cast<int32_t>(mirror));
    if (oracle_->pinCap() >= 0 && p.dsp == oracle_->pinCap()) oracle_->setCap(mirror);
  }

  // Before open and before every block the host puts the buffer addresses
  // into the variables of the voltage pins.
  void handBuffers() {
    if (!setup_.handBuffers || dsp_ == nullptr) return;
    for (int32_t d = 0; d < dspCount_; ++d) {
      const PinInfo& p = pins_[static_cast<size_t>(descOf(d))];
      if (p.datatype != Voltage || p.valuePtr == nullptr) continue;
      uint32_t* data = buffers_[static_cast<size_t>(d)].data() + kGuard;
      std::memcpy(p.valuePtr, &data, sizeof data);
    }
  }

  intptr_t dspCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    DspHostRecord* rec = dsp_;
    if (opcode == dspClose) {
      dsp_ = nullptr;
      opened_ = false;
    }
    // Open builds the pin array and close frees it; nothing else allocates.
    if (opcode == dspOpen || opcode == dspClose)
      return rec->dispatcher(rec, opcode, index, value, ptr, opt);
    intptr_t result = 0;
    noAllocation("a DSP opcode",
                 [&] { result = rec->dispatcher(rec, opcode, index, value, ptr, opt); });
    return result;
  }

  intptr_t guiCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (gui_ == nullptr) return 0;
    GuiHostRecord* rec = gui_;
    if (opcode == guiClose) gui_ = nullptr;
    ++real_.depth;
    intptr_t result = 0;
    if (opcode == guiClose) {
      result = rec->dispatcher(rec, opcode, index, value, ptr, opt);
    } else {
      noAllocation("the GUI object",
                   [&] { result = rec->dispatcher(rec, opcode, index, value, ptr, opt); });
    }
    --real_.depth;
    if (real_.depth == 0) drain(real_);
    return result;
  }

  template <class F>
  void modelRun(F&& f) {
    if (model_.closed) return;
    ++model_.depth;
    f();
    --model_.depth;
    if (model_.depth == 0) drain(model_);
  }

  void notify(GuiStore& side, int32_t index) {
    if (isModel(side)) modelRun([&] { guiModel_->pinChanged(modelHost_, index); });
    else guiCall(guiPinChanged, index, 0, nullptr, 0.0f);
  }

  // A GUI pin write: stored, queued for the DSP side on a GUI-to-DSP pin, and
  // for a module's own write, notified as the host's mode says.
  void store(GuiStore& side, int32_t index, uint32_t word, bool fromModule) {
    if (!slot(index)) return;
    const bool changed = side.values[static_cast<size_t>(index)] != word;
    side.values[static_cast<size_t>(index)] = word;
    if (!isModel(side) && index < static_cast<int32_t>(pins_.size()) &&
        pins_[static_cast<size_t>(index)].guiToDsp())
      toDsp_.emplace_back(index, word);
    if (!fromModule) return;
    switch (setup_.notify) {
      case Notify::Reentrant: notify(side, index); break;
      case Notify::Deferred:
        if (changed) side.pending.push_back(index);
        break;
      case Notify::None: break;
    }
  }

  void drain(GuiStore& side) {
    if (side.draining) return;
    side.draining = true;
    for (int round = 0; round < kMaxDrainRounds && !side.pending.empty(); ++round) {
      const int32_t index = side.pending.front();
      side.pending.pop_front();
      notify(side, index);
    }
    side.pending.clear();
    side.draining = false;
  }

  const Library& lib_;
  Setup setup_;
  Family family_ = Family::Voltage;
  std::unique_ptr<fuzzoracle::Module> oracle_;
  std::unique_ptr<fuzzoracle::GuiObject> guiModel_;
  ModelGuiHost modelHost_;

  DspHostRecord* dsp_ = nullptr;
  GuiHostRecord* gui_ = nullptr;
  ProcessRoutine entry_ = nullptr;  // the process entry as the host last read it
  std::vector<PinInfo> pins_;
  std::vector<int32_t> dspToDesc_;
  int32_t dspCount_ = 0;
  int32_t reported_ = 0;
  int32_t live_ = 0;  // DSP pins the module built at open
  bool opened_ = false;
  int32_t blockSize_ = 1024;  // as the module was last told
  bool sleepTracked_ = true;

  std::vector<std::vector<uint32_t>> buffers_;   // by DSP pin, guard cells around
  std::vector<std::vector<uint32_t>> expected_;  // what they must hold
  std::vector<uint32_t> scratch_, scratchOut_;
  uint32_t clock_ = 0;
  std::vector<int32_t> status_;  // per DSP pin the module has
  std::vector<uint32_t> vars_;   // words the host stored in the variables, by pin
  int32_t dspHostCalls_ = 0;
  int32_t sleeps_ = 0;
  std::vector<Announce> anns_;

  GuiStore real_, model_;
  std::vector<std::pair<int32_t, uint32_t>> toDsp_;  // (pin, word) not yet delivered
};

uint32_t ModelGuiHost::get(int32_t index) { return in_.modelGet(index); }
void ModelGuiHost::set(int32_t index, uint32_t word) { in_.modelSet(index, word); }

std::string pluginDir() {
  const char* env = std::getenv("SEM_FUZZ_PLUGIN_DIR");
  return env != nullptr && *env != 0 ? env : SEM_FUZZ_PLUGIN_DIR;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every library is loaded once, before fuzzing starts, so that the coverage
  // counters of all nine are known from the first input on.
  const std::string dir = pluginDir();
  for (int k = 0; k < 9; ++k) {
    std::string error;
    const std::string path = dir + "/" + kLibraries[k] + ".sem";
    gLibraries[k].file = semhost::PluginLibrary::load(path, &error);
    if (!gLibraries[k].file) {
      std::fprintf(stderr, "sem_fuzz: %s\n", error.c_str());
      std::exit(2);
    }
    const ModuleProperties props = gLibraries[k].file->properties();
    gLibraries[k].name = props.name != nullptr ? props.name : "";
  }
  __sanitizer_install_malloc_and_free_hooks(countMalloc, countFree);
  const char* stats = std::getenv("SEM_FUZZ_STATS");
  gStats = stats != nullptr && *stats == '1';
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  Reader r(data, size);
  const Library& lib = gLibraries[r.u8() % 9];
  gModule = lib.name.c_str();
  gStep = -1;

  Setup setup;
  const uint8_t b1 = r.u8();
  const uint8_t b2 = r.u8();
  static constexpr Notify kModes[4] = {Notify::Deferred, Notify::Reentrant, Notify::None,
                                       Notify::Deferred};
  setup.notify = kModes[b1 & 3];
  static constexpr int kCountModes[8] = {0, 0, 0, 1, 2, 3, 4, 0};
  setup.countMode = kCountModes[(b1 >> 2) & 7];
  const bool twoInstances = (b1 & 0x20) != 0;
  setup.dspCallback = (b1 & 0xC0) != 0xC0;
  setup.handBuffers = (b1 & 0xC0) != 0x80;
  static constexpr int32_t kCapacities[8] = {256, 64, 16, 1024, 4096, 33, 1, 2};
  setup.capacity = kCapacities[b2 & 7];
  switch ((b2 >> 3) & 3) {
    case 1: setup.startClock = 0x7FFFFFFFu - 40u; break;  // the clock wraps inside
    case 2: setup.startClock = 1000u; break;
    case 3: setup.startClock = r.u32(); break;
    default: setup.startClock = 0u; break;
  }
  if (setup.countMode >= 2) setup.countArg = r.u8();

  std::unique_ptr<Instance> instances[2];
  instances[0] = std::make_unique<Instance>(lib, setup);
  if (twoInstances) instances[1] = std::make_unique<Instance>(lib, setup);

  for (gStep = 0; gStep < kMaxOps && !r.empty(); ++gStep) {
    const uint8_t op = r.u8();
    Instance& in = (op & 0x80) != 0 && instances[1] ? *instances[1] : *instances[0];
    in.step(op & 0x7F, r);
  }
  const int steps = gStep;
  gStep = -2;  // closing
  if (gStats) {
    const Stats& c = gCounts;
    std::fprintf(stderr,
                 "%s: %d steps, %ld DSP opcodes, %ld process calls, %ld samples checked, "
                 "%ld sleeps, %ld selections, %ld evaluations, %ld announcements, "
                 "%ld GUI calls, %ld events ignored\n",
                 gModule, steps, c.dspOpcodes, c.processCalls, c.samplesChecked, c.sleeps,
                 c.selections, c.evaluations, c.announcements, c.guiCalls, c.ignoredEvents);
    gCounts = Stats{};
  }
  return 0;
}
