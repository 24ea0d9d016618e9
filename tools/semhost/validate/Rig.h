// A raw host for `semhost validate`: makes the two objects of one module and
// drives their records directly, with every answer under the validator's
// control (pin count, buffers, clock, notification policy) and nothing that
// allocates inside a callback, so allocation counts and timing belong to the
// module alone.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/dsp_record.h"
#include "framework/gui_record.h"
#include "framework/module_properties.h"
#include "framework/pin_description.h"

namespace semvalidate {

// How the rig tells the GUI object about writes the object made itself.
enum class Notify { None, Reentrant, Deferred };

struct RigStatus {
  int32_t dspIndex;
  int32_t status;
  int32_t time;
  uint32_t word;  // the pin's variable at the moment of the call
};

struct RigWrite {
  int32_t index;
  uint32_t word;
};

struct RigOptions {
  bool dspCallback = true;
  bool guiCallback = true;
  int32_t pinCount = -1;        // answer to hostGetPinCount; -1: the described DSP pins
  int32_t capacity = 8192;      // samples per voltage buffer
  Notify notify = Notify::Deferred;
};

class Rig {
 public:
  static constexpr int32_t kGuard = 64;
  static constexpr uint32_t kGuardWord = 0x7FBADBADu;  // a NaN no module writes
  static constexpr int32_t kMaxLog = 1 << 16;

  Rig(MakeModuleFn make, RigOptions options);
  ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  DspHostRecord* dsp() const { return dsp_; }
  GuiHostRecord* gui() const { return gui_; }

  // ---- description (done at construction)
  struct Pin {
    PinDescription d;
    int32_t dspIndex;
  };
  const std::vector<Pin>& pins() const { return pins_; }
  int32_t describedDspPins() const { return describedDsp_; }
  int32_t descIndexOfDsp(int32_t dspIndex) const;

  // ---- DSP side
  intptr_t dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  // Rate, block size (unless sendBlock is false), open, then the buffers
  // handed to the voltage pins the host counts.
  void open(float rate, int32_t blockSize, bool sendBlock = true);
  void closeDsp();
  bool isOpen() const { return open_; }
  // The buffer of a DSP pin (capacity samples, guards around), or null for
  // a pin the host does not count.
  uint32_t* buffer(int32_t dspIndex);
  bool guardsIntact() const;
  void writeVariable(int32_t dspIndex, uint32_t word);
  // A kind-0 (or any) event, delivered at once through the record's entry.
  void event(int32_t kind, int32_t dspIndex, int32_t status, int32_t value2 = 0);
  // The routine the host was last told about (hostProcessChanged), called
  // with the buffers placed so that element offset is the current clock.
  void process(int32_t offset, int32_t frames);
  int32_t clock = 0;
  int32_t bufferStart = 0;
  ProcessRoutine knownProcess = nullptr;
  int32_t sleepRequests = 0;
  int32_t processChanges = 0;
  int32_t queuedEvents = 0;
  std::vector<RigStatus> statuses;  // reserved; never grows inside a callback
  bool logOverflow = false;

  // ---- GUI side
  intptr_t guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  void closeGui();
  // A change from outside: stored, then opcode 7.
  void userSet(int32_t index, uint32_t word);
  uint32_t guiValues[64] = {};
  std::vector<RigWrite> writes;  // reserved
  Notify notify;
  // Called on every write of the GUI object, after it is stored (hostile
  // hosts poke other instances from here); null: nothing.
  void (*onWrite)(Rig* rig, int32_t index, void* context) = nullptr;
  void* onWriteContext = nullptr;

  // The callback handed to both objects.
  static intptr_t SEM_CALL callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt);

 private:
  intptr_t onDsp(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  intptr_t onGui(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  void drain();

  RigOptions options_;
  DspHostRecord* dsp_ = nullptr;
  GuiHostRecord* gui_ = nullptr;
  std::vector<Pin> pins_;
  int32_t describedDsp_ = 0;
  bool open_ = false;
  std::vector<std::vector<uint32_t>> buffers_;  // by DSP pin index
  int32_t guiDepth_ = 0;
  int32_t pending_[256] = {};
  int32_t pendingCount_ = 0;
  bool draining_ = false;
  char text_[4] = {'0', 0, 0, 0};
};

}  // namespace semvalidate
