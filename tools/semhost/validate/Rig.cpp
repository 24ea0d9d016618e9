#include "Rig.h"

#include <cstring>

#include "AllocCounter.h"
#include "framework/host_callback.h"

namespace semvalidate {

namespace {
// More descriptions than this means a module that never stops describing.
constexpr int32_t kMaxPins = 256;
// The most DSP pins the rig keeps buffers for.
constexpr int32_t kMaxBuffers = 64;
}  // namespace

Rig::Rig(MakeModuleFn make, RigOptions options) : notify(options.notify), options_(options) {
  statuses.reserve(kMaxLog);
  writes.reserve(kMaxLog);
  const auto self = reinterpret_cast<intptr_t>(this);
  dsp_ = static_cast<DspHostRecord*>(
      make(0, objectTypeDsp, options_.dspCallback ? &Rig::callback : nullptr, self));
  gui_ = static_cast<GuiHostRecord*>(
      make(0, objectTypeGui, options_.guiCallback ? &Rig::callback : nullptr, self));
  if (dsp_ == nullptr) return;
  knownProcess = dsp_->process;
  for (int32_t j = 0; j < kMaxPins; ++j) {
    Pin pin;
    std::memset(&pin.d, 0, sizeof pin.d);
    if (dsp_->dispatcher(dsp_, dspDescribePin, j, 0, &pin.d, 0.0f) == 0) break;
    const bool guiOnly = (pin.d.flags & FlagGui) != 0 && (pin.d.flags & FlagGuiToDsp) == 0;
    pin.dspIndex = guiOnly ? -1 : describedDsp_++;
    pins_.push_back(pin);
  }
  const int32_t count = options_.pinCount < 0 ? describedDsp_ : options_.pinCount;
  const int32_t n = count < kMaxBuffers ? count : kMaxBuffers;
  buffers_.resize(static_cast<size_t>(n > 0 ? n : 0));
  for (auto& b : buffers_) b.assign(static_cast<size_t>(options_.capacity + 2 * kGuard), kGuardWord);
  for (auto& b : buffers_) std::fill(b.begin() + kGuard, b.end() - kGuard, 0u);
}

Rig::~Rig() {
  closeGui();
  closeDsp();
}

int32_t Rig::descIndexOfDsp(int32_t dspIndex) const {
  for (size_t j = 0; j < pins_.size(); ++j)
    if (pins_[j].dspIndex == dspIndex && dspIndex >= 0) return static_cast<int32_t>(j);
  return -1;
}

intptr_t Rig::dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (dsp_ == nullptr) return 0;
  DspHostRecord* rec = dsp_;
  if (opcode == dspClose) {
    dsp_ = nullptr;
    open_ = false;
  }
  return rec->dispatcher(rec, opcode, index, value, ptr, opt);
}

void Rig::open(float rate, int32_t blockSize, bool sendBlock) {
  if (dsp_ == nullptr) return;
  dspDispatch(dspSetSampleRate, 0, 0, nullptr, rate);
  if (sendBlock) dspDispatch(dspSetBlockSize, 0, blockSize, nullptr, 0.0f);
  dspDispatch(dspOpen, 0, 0, nullptr, 0.0f);
  open_ = true;
  for (const Pin& p : pins_) {
    if (p.d.datatype != Voltage || p.d.valuePtr == nullptr || p.dspIndex < 0) continue;
    uint32_t* data = buffer(p.dspIndex);
    if (data == nullptr) continue;
    float* address = reinterpret_cast<float*>(data);
    std::memcpy(p.d.valuePtr, &address, sizeof address);
  }
}

void Rig::closeDsp() {
  if (dsp_ != nullptr) dspDispatch(dspClose, 0, 0, nullptr, 0.0f);
}

uint32_t* Rig::buffer(int32_t dspIndex) {
  if (dspIndex < 0 || dspIndex >= static_cast<int32_t>(buffers_.size())) return nullptr;
  return buffers_[static_cast<size_t>(dspIndex)].data() + kGuard;
}

bool Rig::guardsIntact() const {
  for (const auto& b : buffers_) {
    for (int32_t k = 0; k < kGuard; ++k) {
      if (b[static_cast<size_t>(k)] != kGuardWord) return false;
      if (b[b.size() - 1 - static_cast<size_t>(k)] != kGuardWord) return false;
    }
  }
  return true;
}

void Rig::writeVariable(int32_t dspIndex, uint32_t word) {
  const int32_t j = descIndexOfDsp(dspIndex);
  if (j < 0) return;
  const PinDescription& d = pins_[static_cast<size_t>(j)].d;
  if (d.valuePtr == nullptr) return;
  switch (d.datatype) {
    case Bool: {
      const auto byte = static_cast<uint8_t>(word);
      std::memcpy(d.valuePtr, &byte, 1);
      break;
    }
    case List: {
      const auto half = static_cast<uint16_t>(word);
      std::memcpy(d.valuePtr, &half, 2);
      break;
    }
    case Int:
    case Float:
      std::memcpy(d.valuePtr, &word, 4);
      break;
    default:
      break;
  }
}

void Rig::event(int32_t kind, int32_t dspIndex, int32_t status, int32_t value2) {
  if (dsp_ == nullptr || !open_) return;
  DspEvent e{clock, kind, status, value2, static_cast<intptr_t>(dspIndex), nullptr};
  dsp_->eventEntry(dsp_->object, &e);
}

void Rig::process(int32_t offset, int32_t frames) {
  if (dsp_ == nullptr || !open_ || knownProcess == nullptr) return;
  bufferStart = static_cast<int32_t>(static_cast<uint32_t>(clock) - static_cast<uint32_t>(offset));
  knownProcess(dsp_->object, offset, frames);
  if (frames > 0)
    clock = static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(frames));
}

intptr_t Rig::onDsp(int32_t opcode, int32_t index, int32_t value, void* ptr, float) {
  const int32_t count = options_.pinCount < 0 ? describedDsp_ : options_.pinCount;
  switch (opcode) {
    case hostPinStatusChange: {
      uint32_t word = 0;
      const int32_t j = descIndexOfDsp(index);
      if (j >= 0) {
        const PinDescription& d = pins_[static_cast<size_t>(j)].d;
        if (d.valuePtr != nullptr && d.datatype != Voltage) std::memcpy(&word, d.valuePtr, 4);
      }
      if (statuses.size() < statuses.capacity())
        statuses.push_back(RigStatus{index, value,
                                     static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr)), word});
      else
        logOverflow = true;
      return 0;
    }
    case hostGetSampleClock:
      return clock;
    case hostGetPinBuffer:
      if (index < 0 || index >= count) return 0;
      return reinterpret_cast<intptr_t>(buffer(index));
    case hostGetBufferStartClock:
      return bufferStart;
    case hostSleep:
      ++sleepRequests;
      return 0;
    case hostGetPinCount:
      return count;
    case hostQueueEvent:
      ++queuedEvents;
      return 0;
    case hostProcessChanged:
      if (dsp_ != nullptr) knownProcess = dsp_->process;
      ++processChanges;
      return 0;
    default:
      return 0;
  }
}

intptr_t Rig::guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (gui_ == nullptr) return 0;
  GuiHostRecord* rec = gui_;
  if (opcode == guiClose) gui_ = nullptr;
  ++guiDepth_;
  const intptr_t result = rec->dispatcher(rec, opcode, index, value, ptr, opt);
  --guiDepth_;
  if (guiDepth_ == 0) drain();
  return result;
}

void Rig::closeGui() {
  if (gui_ != nullptr) guiDispatch(guiClose, 0, 0, nullptr, 0.0f);
}

void Rig::drain() {
  if (draining_) return;
  draining_ = true;
  // Bounded: a module whose writes keep causing each other stops here.
  for (int32_t round = 0; round < 10000 && pendingCount_ > 0; ++round) {
    const int32_t index = pending_[0];
    std::memmove(pending_, pending_ + 1, sizeof(int32_t) * static_cast<size_t>(pendingCount_ - 1));
    --pendingCount_;
    guiDispatch(guiPinChanged, index, 0, nullptr, 0.0f);
  }
  pendingCount_ = 0;
  draining_ = false;
}

void Rig::userSet(int32_t index, uint32_t word) {
  if (index >= 0 && index < 64) guiValues[index] = word;
  guiDispatch(guiPinChanged, index, 0, nullptr, 0.0f);
}

intptr_t Rig::onGui(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  const bool known = index >= 0 && index < 64;
  switch (opcode) {
    case hostGetPinValue:
      if (ptr != nullptr) {
        const uint32_t w = known ? guiValues[index] : 0u;
        std::memcpy(ptr, &w, 4);
      }
      return 1;
    case hostSetPinValue: {
      uint32_t word = static_cast<uint32_t>(value);
      if (index >= 0 && index < static_cast<int32_t>(pins_.size()) &&
          pins_[static_cast<size_t>(index)].d.datatype == Float)
        std::memcpy(&word, &opt, 4);
      const bool changed = !known || guiValues[index] != word;
      if (known) guiValues[index] = word;
      if (writes.size() < writes.capacity())
        writes.push_back(RigWrite{index, word});
      else
        logOverflow = true;
      if (onWrite != nullptr) onWrite(this, index, onWriteContext);
      if (notify == Notify::Reentrant) {
        guiDispatch(guiPinChanged, index, 0, nullptr, 0.0f);
      } else if (notify == Notify::Deferred && changed && pendingCount_ < 256) {
        pending_[pendingCount_++] = index;
      }
      return 1;
    }
    case hostSetPinText:
      return 1;
    case hostGetPinText:
      return reinterpret_cast<intptr_t>(text_);
    case hostGetPinWideText:
      if (ptr == nullptr) return 2;
      if (value >= 1) static_cast<char16_t*>(ptr)[0] = value >= 2 ? u'0' : 0;
      if (value >= 2) static_cast<char16_t*>(ptr)[1] = 0;
      return 2;
    default:
      return 0;
  }
}

intptr_t SEM_CALL Rig::callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                void* ptr, float opt) {
  PausedScope hostCode;
  if (record == nullptr) return 0;
  uint32_t magic;
  std::memcpy(&magic, record, sizeof magic);
  if (magic == SEM_DSP_MAGIC) {
    auto* self = reinterpret_cast<Rig*>(static_cast<DspHostRecord*>(record)->hostData);
    return self->onDsp(opcode, index, value, ptr, opt);
  }
  if (magic == SEM_GUI_MAGIC) {
    auto* self = reinterpret_cast<Rig*>(static_cast<GuiHostRecord*>(record)->hostData);
    // A GUI callback runs module code again (re-entrant notifications): that
    // part is counted as the module's own.
    resumeAllocCounter();
    const intptr_t r = self->onGui(opcode, index, value, ptr, opt);
    pauseAllocCounter();
    return r;
  }
  return 0;
}

}  // namespace semvalidate
