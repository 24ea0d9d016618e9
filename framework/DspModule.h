// The base of every DSP-side object: host record, dispatcher, process routine
// switching, pins and events.
#pragma once

#include <cstdint>

#include "dsp_record.h"
#include "host_callback.h"
#include "pin_description.h"

class DspModule;

// One DSP-side pin. The array of them is built at open and owned by the module.
// Fields are public: modules read a pin's status and value pointer directly.
class DspPin {
 public:
  DspPin() noexcept = default;
  DspPin(const DspPin&) = delete;
  DspPin& operator=(const DspPin&) = delete;
  virtual ~DspPin() = default;

  // Prepares the pin; without a module variable the pin uses its own storage
  // (a voltage pin asks the host for its buffer).
  void init(DspModule* owner, int32_t dspIndex, int32_t type, void* variable) noexcept;
  // Stores the status, lets the module react, and ends a single change (1).
  void deliver(int32_t newStatus) noexcept;
  // Tells the host this output changed at sample clock time. The module has
  // written the new value into the pin's value variable before.
  intptr_t sendStatus(int32_t time, int32_t newStatus) noexcept;
  // The sample of a voltage pin at the current sample clock; 0.0 when the pin
  // has no buffer or the clock lies outside the current block.
  float streamValue() noexcept;

  void* valuePtr = nullptr;      // the pin's value variable (module's or storage), or null
  DspModule* module = nullptr;   // owner
  int32_t index = 0;             // DSP pin index
  int32_t status = 0;            // status of the event being delivered; 0 after init
  int32_t datatype = 0;          // PinDatatype
  uintptr_t storage = 0;         // own value when the module supplies no variable (a
                                 // 32-bit word on the 32-bit ABI; wide enough for a buffer address)
};

// A no-argument operation of a module, run by a kind-21 event it queued.
using DeferredHandler = void (*)(DspModule* module);

class DspModule {
 public:
  DspModule(HostCallback callback, intptr_t hostData) noexcept;
  DspModule(const DspModule&) = delete;
  DspModule& operator=(const DspModule&) = delete;

  // Virtual operations, in the order of the virtual table. Every module class
  // overrides the destructor, onPinUpdate, open and describePin; nothing else.
  virtual ~DspModule();
  virtual void onPinUpdate(DspPin& pin) noexcept;
  virtual void handleEvent(const DspEvent* event) noexcept;
  virtual intptr_t dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                              float opt) noexcept;
  virtual void open() noexcept;
  virtual void onClose() noexcept;
  virtual void spareHook(int32_t a, int32_t b) noexcept;
  virtual void setSampleRate(float rate) noexcept;
  virtual void setBlockSize(int32_t size) noexcept;
  virtual float getSampleRate() noexcept;
  virtual int32_t getBlockSize() noexcept;
  virtual bool describePin(int32_t index, PinDescription* description) noexcept;
  virtual bool spareQueryA(int32_t a) noexcept;
  virtual bool spareQueryB(int32_t a) noexcept;
  virtual void onOpcodeEight() noexcept;
  virtual void onOpcodeEightCount(int32_t count) noexcept;
  virtual void onEventKindTwo(int32_t time, int32_t value, int16_t value2) noexcept;
  virtual void onOpcodeTwelve(int32_t value, int32_t index, void* ptr) noexcept;

  DspHostRecord* hostRecord() noexcept { return &record; }
  const ProcessDescriptor& currentProcess() const noexcept { return processDescriptor; }

  // Calls the host with this object's record; 0 without a callback.
  intptr_t callHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) noexcept;
  // hostGetSampleClock; 0 without a callback.
  int32_t sampleClock() noexcept;
  // Installs a process routine; the host hears hostProcessChanged only when the
  // entry or one of its words really changes.
  int32_t setProcess(ProcessRoutine entry, int32_t word1, int32_t word2, int32_t word3) noexcept;

  // The pin with that DSP pin index; the caller passes a valid index.
  DspPin& pinAt(int32_t index) noexcept { return pins[index]; }
  // The pin with that DSP pin index, or null when open built no such pin.
  DspPin* findPin(int32_t index) noexcept;
  // DSP pins built and initialised at open.
  int32_t pinCount() const noexcept { return livePins; }

  intptr_t postEvent(int32_t time, int32_t kind, int32_t value, int32_t value2,
                    intptr_t extra) noexcept;
  intptr_t postDeferredCall(int32_t time, DeferredHandler handler) noexcept;

  // The two process routines of the base. idleProcess does nothing;
  // sleepProcess asks the host to stop calling.
  static void SEM_CALL idleProcess(void* object, int32_t bufferOffset, int32_t sampleFrames);
  static void SEM_CALL sleepProcess(void* object, int32_t bufferOffset, int32_t sampleFrames);

  // The object behind a process or event entry's first argument.
  static DspModule* fromObject(void* object) noexcept { return static_cast<DspModule*>(object); }

 private:
  static intptr_t SEM_CALL dispatcherEntry(DspHostRecord* record, int32_t opcode, int32_t index,
                                          int32_t value, void* ptr, float opt);
  static void SEM_CALL eventEntryPoint(void* object, DspEvent* event);
  void releasePins() noexcept;

  HostCallback callback;
  DspHostRecord record;
  float sampleRate;
  int32_t blockSize;
  DspPin* pins;
  ProcessDescriptor processDescriptor;
  int32_t pinArraySize;  // entries allocated (the host's count at open)
  int32_t livePins;      // entries initialised; events beyond them are ignored
};
