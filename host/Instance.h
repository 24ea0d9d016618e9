// One module instance driven as a host drives it: both objects, their pins,
// GUI pin values, DSP value variables, voltage buffers, events and blocks.
//
// The host answers every callback operation with the meaning modules rely on
// and records every call in a trace. It is single-threaded: GUI and DSP calls
// are made one at a time, as the libraries require.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "PluginLibrary.h"
#include "Trace.h"
#include "framework/dsp_record.h"
#include "framework/gui_record.h"
#include "framework/pin_description.h"

namespace semhost {

// One pin as the DSP-side object describes it.
struct PinInfo {
  int32_t descIndex = 0;
  int32_t dspIndex = -1;  // -1: a GUI-side pin only
  std::string name;
  int32_t direction = 0;
  int32_t datatype = 0;
  uint32_t flags = 0;
  bool hasDefault = false;
  std::string defaultText;
  bool hasList = false;
  std::string listText;
  void* valuePtr = nullptr;

  bool guiSide() const { return (flags & FlagGui) != 0; }
  bool guiToDsp() const { return (flags & FlagGui) && (flags & FlagGuiToDsp); }
  std::vector<std::string> listItems() const;
};

// A status change the DSP object sent for one of its pins, with the value its
// variable held at that moment (for voltage pins, the buffer address bits).
struct OutputChange {
  int32_t dspIndex;
  int32_t status;
  int32_t time;
  uint32_t word;
  int32_t clock;  // host clock when it was sent
};

// How the host tells the GUI object about writes the object made itself.
enum class GuiNotify {
  None,       // never
  Reentrant,  // at once, from inside the hostSetPinValue call, on every write
  Deferred    // after the host's call into the object returns, for changed values
};

struct InstanceOptions {
  bool dspCallback = true;          // false: the DSP object gets a null callback
  std::optional<int32_t> pinCountOverride;  // answer to hostGetPinCount; unset: the described count
  GuiNotify notify = GuiNotify::Deferred;
  float sampleRate = 44100.0f;      // sent with opcode 2 before open
  int32_t blockSize = 1024;         // sent with opcode 3 before open; 0: not sent
  int32_t bufferCapacity = 8192;    // samples per voltage buffer
  int32_t startClock = 0;
};

class Instance {
 public:
  Instance(const PluginLibrary& library, InstanceOptions options = {});
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool created() const { return dsp_ != nullptr && gui_ != nullptr; }
  DspHostRecord* dspRecord() const { return dsp_; }
  GuiHostRecord* guiRecord() const { return gui_; }
  const InstanceOptions& options() const { return options_; }

  // ---- pins
  const std::vector<PinInfo>& pins() const { return pins_; }
  const PinInfo* pinByName(const std::string& name, int32_t direction = -1) const;
  int32_t dspPinCount() const { return dspPinCount_; }

  // ---- DSP side
  intptr_t dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  // Sample rate and block size (opcodes 2, 3), then open (opcode 0); then the
  // voltage buffers are handed to the value variables.
  void open();
  void closeDsp();
  bool isOpen() const { return opened_; }
  // Writes the new value into the pin's value variable, then delivers a kind-0
  // event with that status at the current clock.
  void setInput(int32_t descIndex, uint32_t word, int32_t status = statusChanged);
  // Writes a whole 32-bit word into a pin's value variable, nothing else.
  void pokeVariable(int32_t descIndex, uint32_t word);
  // Delivers a kind-0 event for a DSP pin at once, without a value.
  void deliverStatus(int32_t dspIndex, int32_t status);
  // Queues a kind-0 event for a DSP pin at a sample time; a value word, when
  // given, is written into the variable just before delivery.
  void queueStatus(int32_t dspIndex, int32_t status, int32_t time);
  void queueInput(int32_t descIndex, uint32_t word, int32_t status, int32_t time);
  // Delivers every queued event due by the current clock.
  void deliverDueEvents();
  // Runs one block of frames samples: events due inside it split it, the
  // process entry is called for each part unless the module sleeps, and the
  // clock advances by frames. Input buffers are filled by the caller first.
  void runBlock(int32_t frames);
  // Calls the current process entry once, as it stands, with no event logic.
  void callProcess(int32_t bufferOffset, int32_t sampleFrames);

  // The host buffer of a voltage pin (by description index), capacity samples
  // long, with guard cells around it.
  float* buffer(int32_t descIndex);
  bool guardsIntact(int32_t descIndex) const;
  static constexpr int32_t kGuardCells = 16;
  static constexpr uint32_t kGuardPattern = 0x7FA5A5A5u;  // a NaN no routine produces

  // A value variable of a DSP pin, read as a word (for checks).
  uint32_t variableWord(int32_t descIndex) const;

  int32_t clock() const { return clock_; }
  void setClock(int32_t clock) { clock_ = clock; }
  bool sleeping() const { return sleeping_; }
  int32_t sleepRequests() const { return sleepRequests_; }
  int32_t processChanges() const { return processChanges_; }
  ProcessRoutine processEntry() const { return processEntry_; }
  const std::vector<OutputChange>& outputs() const { return outputs_; }
  void clearOutputs() { outputs_.clear(); }

  // ---- GUI side
  intptr_t guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  void initialiseGui(bool keepValues);
  void closeGui();
  // A change from outside (the user): stored, carried to the DSP side for a
  // GUI-to-DSP pin, and announced to the GUI object with opcode 7.
  void setGuiPin(int32_t descIndex, uint32_t word);
  void setGuiPinInt(int32_t descIndex, int32_t v) { setGuiPin(descIndex, static_cast<uint32_t>(v)); }
  void setGuiPinFloat(int32_t descIndex, float v);
  // Stores a value without telling anybody (to prepare a state).
  void primeGuiPin(int32_t descIndex, uint32_t word);
  uint32_t guiWord(int32_t descIndex) const;
  int32_t guiInt(int32_t descIndex) const { return static_cast<int32_t>(guiWord(descIndex)); }
  float guiFloat(int32_t descIndex) const;
  void setGuiText(int32_t descIndex, const std::string& text) { texts_[descIndex] = text; }
  const std::string& guiText(int32_t descIndex) { return texts_[descIndex]; }
  void setNotify(GuiNotify notify) { options_.notify = notify; }

  // ---- trace
  const std::vector<TraceEntry>& trace() const { return trace_; }
  // The module's calls to the host only, optionally of one side.
  std::vector<TraceEntry> hostCalls() const;
  std::vector<TraceEntry> hostCalls(Side side) const;
  void clearTrace() { trace_.clear(); }
  void setTracing(bool on) { tracing_ = on; }

  // The callback handed to both objects. Finds the instance through hostData.
  static intptr_t SEM_CALL callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt);

 private:
  struct PinBuffer {
    std::vector<float> cells;  // guard, capacity, guard
    float* data() { return cells.data() + kGuardCells; }
    const float* data() const { return cells.data() + kGuardCells; }
  };
  struct Pending {
    DspEvent event;
    bool hasValue;
    int32_t descIndex;
    uint32_t word;
    uint64_t order;
  };

  void describe();
  intptr_t onDspCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  intptr_t onGuiCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  void record(Direction d, Side s, int32_t opcode, int32_t index, int32_t value, intptr_t ptr,
              float opt);
  void deliver(const DspEvent& event);
  void writeVariable(const PinInfo& pin, uint32_t word);
  void storeGuiWrite(int32_t descIndex, uint32_t word, bool fromModule);
  void drainGuiNotifications();
  int32_t reportedPinCount() const;
  void callOrHold(int32_t offset, int32_t frames);
  PinBuffer& bufferForDsp(int32_t dspIndex);
  const PinInfo* pinByDsp(int32_t dspIndex) const;
  void handBuffers();
  void holdOutputs(int32_t offset, int32_t frames);

  const PluginLibrary& library_;
  InstanceOptions options_;
  DspHostRecord* dsp_ = nullptr;
  GuiHostRecord* gui_ = nullptr;
  std::vector<PinInfo> pins_;
  int32_t dspPinCount_ = 0;
  bool opened_ = false;

  int32_t clock_ = 0;
  int32_t bufferStart_ = 0;
  bool sleeping_ = false;
  int32_t sleepRequests_ = 0;
  int32_t processChanges_ = 0;
  ProcessRoutine processEntry_ = nullptr;
  std::map<int32_t, PinBuffer> buffers_;  // by DSP pin index
  std::map<int32_t, float> heldOutput_;   // last sample of each voltage output
  std::vector<Pending> queue_;
  uint64_t queueOrder_ = 0;
  std::vector<OutputChange> outputs_;

  std::map<int32_t, uint32_t> guiValues_;
  std::map<int32_t, std::string> texts_;
  std::map<int32_t, std::u16string> wideTexts_;
  std::deque<int32_t> guiPending_;
  int32_t guiDepth_ = 0;
  bool draining_ = false;

  std::vector<TraceEntry> trace_;
  bool tracing_ = true;
};

}  // namespace semhost
