#include "DspModule.h"

#include <cstring>
#include <new>

namespace {

// Answer of opcode 13, shared by every object of the library; the host reads it
// right after the call, one call at a time.
ProcessInfo processInfo;

// More DSP pins than any module could use: a host count above this is treated
// like an allocation that failed, so a bogus count costs nothing.
constexpr int32_t kMaxDspPins = 1 << 16;

}  // namespace

// ---------------------------------------------------------------- DspPin

void DspPin::init(DspModule* owner, int32_t dspIndex, int32_t type, void* variable) noexcept {
  module = owner;
  index = dspIndex;
  datatype = type;
  valuePtr = variable;
  status = 0;
  if (variable != nullptr) {
    storage = 0;
    return;
  }
  switch (type) {
    case List:
      storage &= ~static_cast<uintptr_t>(0xFFFF);
      break;
    case Bool:
      storage &= ~static_cast<uintptr_t>(0xFF);
      break;
    case Float:
    case Int:
      storage = 0;
      break;
    case Voltage:
      storage = static_cast<uintptr_t>(
          owner->callHost(hostGetPinBuffer, dspIndex, 0, nullptr, 0.0f));
      break;
    default:
      return;
  }
  valuePtr = &storage;
}

void DspPin::deliver(int32_t newStatus) noexcept {
  status = newStatus;
  module->onPinUpdate(*this);
  if (newStatus == statusChanged) status = statusStatic;
}

intptr_t DspPin::sendStatus(int32_t time, int32_t newStatus) noexcept {
  return module->callHost(hostPinStatusChange, index, newStatus,
                          reinterpret_cast<void*>(static_cast<intptr_t>(time)), 0.0f);
}

float DspPin::streamValue() noexcept {
  const float* buffer = valuePtr ? *static_cast<float* const*>(valuePtr) : nullptr;
  if (buffer == nullptr) return 0.0f;
  const auto start = static_cast<int32_t>(module->callHost(hostGetBufferStartClock, index, 0, nullptr, 0.0f));
  const int32_t now = module->sampleClock();
  // A clock outside the block (before the buffer's start, or a block size on)
  // is a host fault: read nothing rather than past the buffer.
  const auto offset = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(start));
  if (offset < 0 || offset >= module->getBlockSize()) return 0.0f;
  return buffer[offset];
}

// ---------------------------------------------------------------- DspModule

DspModule::DspModule(HostCallback hostCallback, intptr_t hostData) noexcept
    : callback(hostCallback), pins(nullptr), pinArraySize(0), livePins(0) {
  std::memset(&record, 0, sizeof record);
  record.magic = SEM_DSP_MAGIC;
  record.version = SEM_RECORD_VERSION;
  record.hostData = hostData;
  record.object = this;
  record.dispatcher = &DspModule::dispatcherEntry;
  record.eventEntry = &DspModule::eventEntryPoint;
  record.process = &DspModule::idleProcess;
  processDescriptor = ProcessDescriptor{&DspModule::idleProcess, 0, 0, 0};
  sampleRate = 44100.0f;
  blockSize = 1024;
}

DspModule::~DspModule() { releasePins(); }

void DspModule::releasePins() noexcept {
  if (pins == nullptr) return;
  for (int32_t i = 0; i < pinArraySize; ++i) pins[i].~DspPin();
  ::operator delete(static_cast<void*>(pins));
  pins = nullptr;
  pinArraySize = 0;
  livePins = 0;
}

void DspModule::onPinUpdate(DspPin&) noexcept {}

void DspModule::handleEvent(const DspEvent* event) noexcept {
  if (event == nullptr) return;
  switch (event->kind) {
    case eventPinStatus:
      // A pin index the host never had a pin for is ignored.
      if (DspPin* pin = findPin(static_cast<int32_t>(event->extra))) pin->deliver(event->value);
      break;
    case eventKindTwo:
      onEventKindTwo(event->time, event->value, static_cast<int16_t>(event->value2 & 0xFFFF));
      break;
    case eventDeferredCall:
      if (event->extra != 0) reinterpret_cast<DeferredHandler>(event->extra)(this);
      break;
    default:
      break;
  }
}

intptr_t DspModule::dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                               float opt) noexcept {
  switch (static_cast<uint32_t>(opcode)) {
    case dspOpen:
      open();
      return 0;
    case dspClose:
      onClose();
      delete this;
      return 1;
    case dspSetSampleRate:
      setSampleRate(opt);
      return 0;
    case dspSetBlockSize:
      setBlockSize(value);
      return 0;
    case dspDescribePin:
      return describePin(index, static_cast<PinDescription*>(ptr)) ? 1 : 0;
    case dspOpcodeEight:
      onOpcodeEight();
      if (index > 0) onOpcodeEightCount(index);
      return 0;
    case dspOpcodeTwelve:
      onOpcodeTwelve(value, index, ptr);
      return 0;
    case dspGetProcessInfo:
      processInfo.reserved = 0;
      processInfo.entries = &processDescriptor;
      processInfo.count = 1;
      processInfo.entrySize = static_cast<int32_t>(sizeof(ProcessDescriptor));
      return reinterpret_cast<intptr_t>(&processInfo);
    default:
      return 0;
  }
}

void DspModule::open() noexcept {
  // A second open starts from scratch instead of leaking the first array.
  releasePins();

  int32_t n = 0;
  if (callback != nullptr) n = static_cast<int32_t>(callHost(hostGetPinCount, 0, 0, nullptr, 0.0f));
  if (n > 0 && n <= kMaxDspPins) {
    void* memory = ::operator new(sizeof(DspPin) * static_cast<size_t>(n), std::nothrow);
    if (memory != nullptr) {
      pins = static_cast<DspPin*>(memory);
      for (int32_t k = 0; k < n; ++k) new (&pins[k]) DspPin();
      pinArraySize = n;
    }
  }
  // Without an array no pin may be initialised: the walk below still asks the
  // descriptions, as a module expects, but against a count of 0.
  if (pins == nullptr) n = 0;

  PinDescription description;
  std::memset(&description, 0, sizeof description);
  int32_t j = 0;
  int32_t i = 0;
  bool more = describePin(j, &description);
  while (more && i < n) {
    if ((description.flags & FlagGui) == 0 || (description.flags & FlagGuiToDsp) != 0) {
      pins[i].init(this, i, description.datatype, description.valuePtr);
      ++i;
    }
    std::memset(&description, 0, sizeof description);
    ++j;
    more = describePin(j, &description);
  }

  std::memset(&description, 0, sizeof description);
  describePin(j - 1, &description);
  const bool guiOnly =
      (description.flags & FlagGui) != 0 && (description.flags & FlagGuiToDsp) == 0;
  if (!guiOnly && (description.flags & FlagAutoDuplicate) != 0) {
    for (; i < n; ++i) pins[i].init(this, i, description.datatype, nullptr);
  }
  livePins = i;
}

void DspModule::onClose() noexcept {}
void DspModule::spareHook(int32_t, int32_t) noexcept {}
void DspModule::setSampleRate(float rate) noexcept { sampleRate = rate; }
void DspModule::setBlockSize(int32_t size) noexcept { blockSize = size; }
float DspModule::getSampleRate() noexcept { return sampleRate; }
int32_t DspModule::getBlockSize() noexcept { return blockSize; }
bool DspModule::describePin(int32_t, PinDescription*) noexcept { return false; }
bool DspModule::spareQueryA(int32_t) noexcept { return false; }
bool DspModule::spareQueryB(int32_t) noexcept { return false; }
void DspModule::onOpcodeEight() noexcept {}
void DspModule::onOpcodeEightCount(int32_t) noexcept {}
void DspModule::onEventKindTwo(int32_t, int32_t, int16_t) noexcept {}
void DspModule::onOpcodeTwelve(int32_t, int32_t, void*) noexcept {}

intptr_t DspModule::callHost(int32_t opcode, int32_t index, int32_t value, void* ptr,
                            float opt) noexcept {
  if (callback == nullptr) return 0;
  return callback(&record, opcode, index, value, ptr, opt);
}

int32_t DspModule::sampleClock() noexcept {
  return static_cast<int32_t>(callHost(hostGetSampleClock, 0, 0, nullptr, 0.0f));
}

int32_t DspModule::setProcess(ProcessRoutine entry, int32_t word1, int32_t word2,
                              int32_t word3) noexcept {
  if (entry == processDescriptor.entry &&
      (entry == nullptr || (word1 == processDescriptor.word1 &&
                            word2 == processDescriptor.word2 &&
                            word3 == processDescriptor.word3)))
    return 0;
  processDescriptor = ProcessDescriptor{entry, word1, word2, word3};
  record.process = entry;
  if (callback != nullptr) callHost(hostProcessChanged, 0, 0, nullptr, 0.0f);
  return 1;
}

DspPin* DspModule::findPin(int32_t index) noexcept {
  if (pins == nullptr || index < 0 || index >= livePins) return nullptr;
  return &pins[index];
}

intptr_t DspModule::postEvent(int32_t time, int32_t kind, int32_t value, int32_t value2,
                             intptr_t extra) noexcept {
  DspEvent event{time, kind, value, value2, extra, nullptr};
  return callHost(hostQueueEvent, 0, 0, &event, 0.0f);
}

intptr_t DspModule::postDeferredCall(int32_t time, DeferredHandler handler) noexcept {
  return postEvent(time, eventDeferredCall, 0, 0, reinterpret_cast<intptr_t>(handler));
}

void SEM_CALL DspModule::idleProcess(void*, int32_t, int32_t) {}

void SEM_CALL DspModule::sleepProcess(void* object, int32_t, int32_t) {
  fromObject(object)->callHost(hostSleep, 0, 0, nullptr, 0.0f);
}

intptr_t SEM_CALL DspModule::dispatcherEntry(DspHostRecord* record, int32_t opcode,
                                            int32_t index, int32_t value, void* ptr,
                                            float opt) {
  return static_cast<DspModule*>(record->object)->dspDispatch(opcode, index, value, ptr, opt);
}

void SEM_CALL DspModule::eventEntryPoint(void* object, DspEvent* event) {
  fromObject(object)->handleEvent(event);
}
