#include "Instance.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/host_callback.h"
#include "framework/module_properties.h"

namespace semhost {

namespace {

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

// The value a pin starts with, from its default text.
uint32_t defaultWord(const PinInfo& pin) {
  if (!pin.hasDefault || pin.defaultText.empty()) return 0;
  if (pin.datatype == Float || pin.datatype == Voltage)
    return floatBits(std::strtof(pin.defaultText.c_str(), nullptr));
  return static_cast<uint32_t>(std::strtol(pin.defaultText.c_str(), nullptr, 0));
}

// More descriptions than this means a module that never says "no more pins".
constexpr int32_t kMaxDescribedPins = 4096;
// Deferred GUI notifications that keep causing each other stop here.
constexpr int32_t kMaxNotificationRounds = 10000;

}  // namespace

std::vector<std::string> PinInfo::listItems() const {
  std::vector<std::string> items;
  if (!hasList) return items;
  std::string::size_type start = 0;
  while (true) {
    const auto comma = listText.find(',', start);
    items.push_back(listText.substr(start, comma == std::string::npos ? std::string::npos
                                                                       : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

Instance::Instance(const PluginLibrary& library, InstanceOptions options)
    : library_(library), options_(options), clock_(options.startClock),
      bufferStart_(options.startClock) {
  const auto self = reinterpret_cast<intptr_t>(this);
  dsp_ = static_cast<DspHostRecord*>(library_.makeModule()(
      0, objectTypeDsp, options_.dspCallback ? &Instance::callback : nullptr, self));
  gui_ = static_cast<GuiHostRecord*>(
      library_.makeModule()(0, objectTypeGui, &Instance::callback, self));
  if (dsp_ != nullptr) {
    processEntry_ = dsp_->process;
    describe();
  }
}

Instance::~Instance() {
  closeGui();
  closeDsp();
}

void Instance::describe() {
  pins_.clear();
  int32_t dspIndex = 0;
  for (int32_t j = 0; j < kMaxDescribedPins; ++j) {
    PinDescription d;
    std::memset(&d, 0, sizeof d);
    if (dspDispatch(dspDescribePin, j, 0, &d, 0.0f) == 0) break;
    PinInfo pin;
    pin.descIndex = j;
    pin.name = d.name ? d.name : "";
    pin.direction = d.direction;
    pin.datatype = d.datatype;
    pin.flags = d.flags;
    pin.hasDefault = d.defaultText != nullptr;
    pin.defaultText = d.defaultText ? d.defaultText : "";
    pin.hasList = d.listText != nullptr;
    pin.listText = d.listText ? d.listText : "";
    pin.valuePtr = d.valuePtr;
    if (!pin.guiSide() || pin.guiToDsp()) pin.dspIndex = dspIndex++;
    guiValues_[j] = defaultWord(pin);
    texts_[j] = pin.defaultText;
    pins_.push_back(pin);
  }
  dspPinCount_ = dspIndex;
}

const PinInfo* Instance::pinByName(const std::string& name, int32_t direction) const {
  for (const auto& p : pins_)
    if (p.name == name && (direction < 0 || p.direction == direction)) return &p;
  return nullptr;
}

const PinInfo* Instance::pinByDsp(int32_t dspIndex) const {
  for (const auto& p : pins_)
    if (p.dspIndex == dspIndex) return &p;
  return nullptr;
}

int32_t Instance::reportedPinCount() const {
  return options_.pinCountOverride ? *options_.pinCountOverride : dspPinCount_;
}

void Instance::record(Direction d, Side s, int32_t opcode, int32_t index, int32_t value,
                      intptr_t ptr, float opt) {
  if (tracing_) trace_.push_back(TraceEntry{d, s, opcode, index, value, ptr, opt, clock_});
}

std::vector<TraceEntry> Instance::hostCalls() const {
  std::vector<TraceEntry> out;
  for (const auto& e : trace_)
    if (e.direction == Direction::ToHost) out.push_back(e);
  return out;
}

std::vector<TraceEntry> Instance::hostCalls(Side side) const {
  std::vector<TraceEntry> out;
  for (const auto& e : trace_)
    if (e.direction == Direction::ToHost && e.side == side) out.push_back(e);
  return out;
}

// ------------------------------------------------------------------ DSP side

intptr_t Instance::dspDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                               float opt) {
  if (dsp_ == nullptr) return 0;
  record(Direction::ToModule, Side::Dsp, opcode, index, value, reinterpret_cast<intptr_t>(ptr),
         opt);
  DspHostRecord* rec = dsp_;
  if (opcode == dspClose) {
    dsp_ = nullptr;
    opened_ = false;
  }
  return rec->dispatcher(rec, opcode, index, value, ptr, opt);
}

void Instance::open() {
  if (dsp_ == nullptr) return;
  dspDispatch(dspSetSampleRate, 0, 0, nullptr, options_.sampleRate);
  if (options_.blockSize > 0) dspDispatch(dspSetBlockSize, 0, options_.blockSize, nullptr, 0.0f);
  dspDispatch(dspOpen, 0, 0, nullptr, 0.0f);
  opened_ = dsp_ != nullptr;
  handBuffers();
}

void Instance::closeDsp() {
  if (dsp_ != nullptr) dspDispatch(dspClose, 0, 0, nullptr, 0.0f);
}

Instance::PinBuffer& Instance::bufferForDsp(int32_t dspIndex) {
  auto it = buffers_.find(dspIndex);
  if (it == buffers_.end()) {
    PinBuffer b;
    b.cells.assign(static_cast<size_t>(options_.bufferCapacity + 2 * kGuardCells),
                   bitsFloat(kGuardPattern));
    std::fill(b.data(), b.data() + options_.bufferCapacity, 0.0f);
    it = buffers_.emplace(dspIndex, std::move(b)).first;
  }
  return it->second;
}

void Instance::handBuffers() {
  if (dsp_ == nullptr) return;
  for (const auto& p : pins_) {
    if (p.datatype != Voltage || p.valuePtr == nullptr || p.dspIndex < 0) continue;
    float* data = bufferForDsp(p.dspIndex).data();
    std::memcpy(p.valuePtr, &data, sizeof data);
  }
}

float* Instance::buffer(int32_t descIndex) {
  if (descIndex < 0 || descIndex >= static_cast<int32_t>(pins_.size())) return nullptr;
  const PinInfo& p = pins_[static_cast<size_t>(descIndex)];
  if (p.dspIndex < 0) return nullptr;
  return bufferForDsp(p.dspIndex).data();
}

bool Instance::guardsIntact(int32_t descIndex) const {
  const PinInfo& p = pins_.at(static_cast<size_t>(descIndex));
  auto it = buffers_.find(p.dspIndex);
  if (it == buffers_.end()) return true;
  const auto& cells = it->second.cells;
  for (int32_t k = 0; k < kGuardCells; ++k) {
    if (floatBits(cells[static_cast<size_t>(k)]) != kGuardPattern) return false;
    if (floatBits(cells[cells.size() - 1 - static_cast<size_t>(k)]) != kGuardPattern) return false;
  }
  return true;
}

void Instance::writeVariable(const PinInfo& pin, uint32_t word) {
  if (pin.valuePtr == nullptr) return;
  switch (pin.datatype) {
    case Bool: {
      const auto byte = static_cast<uint8_t>(word);
      std::memcpy(pin.valuePtr, &byte, 1);
      break;
    }
    case List: {
      const auto half = static_cast<uint16_t>(word);
      std::memcpy(pin.valuePtr, &half, 2);
      break;
    }
    case Int:
    case Float:
      std::memcpy(pin.valuePtr, &word, 4);
      break;
    default:
      break;
  }
}

void Instance::pokeVariable(int32_t descIndex, uint32_t word) {
  const PinInfo& p = pins_.at(static_cast<size_t>(descIndex));
  if (p.valuePtr != nullptr) std::memcpy(p.valuePtr, &word, 4);
}

uint32_t Instance::variableWord(int32_t descIndex) const {
  const PinInfo& p = pins_.at(static_cast<size_t>(descIndex));
  uint32_t w = 0;
  if (p.valuePtr != nullptr) std::memcpy(&w, p.valuePtr, 4);
  return w;
}

void Instance::deliver(const DspEvent& event) {
  if (dsp_ == nullptr || !opened_) return;
  DspEvent copy = event;
  copy.next = nullptr;
  record(Direction::ToModule, Side::Dsp, kEventCall, copy.kind, copy.value, copy.extra, 0.0f);
  sleeping_ = false;
  dsp_->eventEntry(dsp_->object, &copy);
}

void Instance::setInput(int32_t descIndex, uint32_t word, int32_t status) {
  const PinInfo& p = pins_.at(static_cast<size_t>(descIndex));
  writeVariable(p, word);
  deliverStatus(p.dspIndex, status);
}

void Instance::deliverStatus(int32_t dspIndex, int32_t status) {
  deliver(DspEvent{clock_, eventPinStatus, status, 0, dspIndex, nullptr});
}

void Instance::queueStatus(int32_t dspIndex, int32_t status, int32_t time) {
  queue_.push_back(Pending{DspEvent{time, eventPinStatus, status, 0, dspIndex, nullptr}, false,
                           -1, 0, queueOrder_++});
}

void Instance::queueInput(int32_t descIndex, uint32_t word, int32_t status, int32_t time) {
  const PinInfo& p = pins_.at(static_cast<size_t>(descIndex));
  queue_.push_back(Pending{DspEvent{time, eventPinStatus, status, 0, p.dspIndex, nullptr}, true,
                           descIndex, word, queueOrder_++});
}

void Instance::deliverDueEvents() {
  while (true) {
    auto best = queue_.end();
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
      if (it->event.time - clock_ > 0) continue;
      if (best == queue_.end() || it->event.time - best->event.time < 0 ||
          (it->event.time == best->event.time && it->order < best->order))
        best = it;
    }
    if (best == queue_.end()) return;
    const Pending due = *best;
    queue_.erase(best);
    if (due.hasValue) writeVariable(pins_.at(static_cast<size_t>(due.descIndex)), due.word);
    deliver(due.event);
  }
}

void Instance::callProcess(int32_t bufferOffset, int32_t sampleFrames) {
  if (dsp_ == nullptr || !opened_ || processEntry_ == nullptr) return;
  record(Direction::ToModule, Side::Dsp, kProcessCall, bufferOffset, sampleFrames, 0, 0.0f);
  processEntry_(dsp_->object, bufferOffset, sampleFrames);
}

void Instance::holdOutputs(int32_t offset, int32_t frames) {
  for (const auto& p : pins_) {
    if (p.datatype != Voltage || p.direction != pinOutput || p.dspIndex < 0) continue;
    float* data = bufferForDsp(p.dspIndex).data();
    const float held = heldOutput_.count(p.dspIndex) ? heldOutput_[p.dspIndex] : 0.0f;
    std::fill(data + offset, data + offset + frames, held);
  }
}

void Instance::callOrHold(int32_t offset, int32_t frames) {
  if (frames <= 0) return;
  if (sleeping_) {
    holdOutputs(offset, frames);
    return;
  }
  callProcess(offset, frames);
  for (const auto& p : pins_) {
    if (p.datatype != Voltage || p.direction != pinOutput || p.dspIndex < 0) continue;
    heldOutput_[p.dspIndex] = bufferForDsp(p.dspIndex).data()[offset + frames - 1];
  }
}

void Instance::runBlock(int32_t frames) {
  if (dsp_ == nullptr || !opened_) return;
  frames = std::clamp(frames, 0, options_.bufferCapacity);
  handBuffers();
  bufferStart_ = clock_;
  int32_t pos = 0;
  while (pos < frames) {
    deliverDueEvents();
    int32_t end = frames;
    for (const auto& e : queue_) {
      const int32_t at = e.event.time - bufferStart_;
      if (at > pos && at < end) end = at;
    }
    callOrHold(pos, end - pos);
    pos = end;
    clock_ = bufferStart_ + pos;
  }
}

intptr_t Instance::onDspCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float) {
  switch (opcode) {
    case hostPinStatusChange: {
      uint32_t word = 0;
      const PinInfo* p = pinByDsp(index);
      if (p != nullptr && p->valuePtr != nullptr && p->datatype != Voltage)
        std::memcpy(&word, p->valuePtr, 4);
      outputs_.push_back(OutputChange{index, value,
                                      static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr)), word,
                                      clock_});
      return 0;
    }
    case hostGetSampleClock:
      return clock_;
    case hostGetPinBuffer:
      if (index < 0 || index >= reportedPinCount()) return 0;
      return reinterpret_cast<intptr_t>(bufferForDsp(index).data());
    case hostGetBufferStartClock:
      return bufferStart_;
    case hostSleep:
      sleeping_ = true;
      ++sleepRequests_;
      return 0;
    case hostGetPinCount:
      return reportedPinCount();
    case hostQueueEvent:
      if (ptr != nullptr)
        queue_.push_back(Pending{*static_cast<DspEvent*>(ptr), false, -1, 0, queueOrder_++});
      return 0;
    case hostProcessChanged:
      if (dsp_ != nullptr) processEntry_ = dsp_->process;
      ++processChanges_;
      sleeping_ = false;
      return 0;
    default:
      return 0;
  }
}

// ------------------------------------------------------------------ GUI side

intptr_t Instance::guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                               float opt) {
  if (gui_ == nullptr) return 0;
  record(Direction::ToModule, Side::Gui, opcode, index, value, reinterpret_cast<intptr_t>(ptr),
         opt);
  GuiHostRecord* rec = gui_;
  if (opcode == 1) gui_ = nullptr;
  ++guiDepth_;
  const intptr_t result = rec->dispatcher(rec, opcode, index, value, ptr, opt);
  --guiDepth_;
  if (guiDepth_ == 0) drainGuiNotifications();
  return result;
}

void Instance::initialiseGui(bool keepValues) {
  guiDispatch(guiInitialise, keepValues ? 1 : 0, 0, nullptr, 0.0f);
}

void Instance::closeGui() {
  if (gui_ != nullptr) guiDispatch(guiClose, 0, 0, nullptr, 0.0f);
}

void Instance::drainGuiNotifications() {
  if (draining_) return;
  draining_ = true;
  for (int32_t round = 0; round < kMaxNotificationRounds && !guiPending_.empty(); ++round) {
    const int32_t index = guiPending_.front();
    guiPending_.pop_front();
    guiDispatch(guiPinChanged, index, 0, nullptr, 0.0f);
  }
  guiPending_.clear();
  draining_ = false;
}

void Instance::storeGuiWrite(int32_t descIndex, uint32_t word, bool fromModule) {
  const bool changed = !guiValues_.count(descIndex) || guiValues_[descIndex] != word;
  guiValues_[descIndex] = word;
  if (descIndex >= 0 && descIndex < static_cast<int32_t>(pins_.size())) {
    const PinInfo& p = pins_[static_cast<size_t>(descIndex)];
    if (p.guiToDsp()) {
      if (opened_)
        queue_.push_back(Pending{DspEvent{clock_, eventPinStatus, statusChanged, 0, p.dspIndex,
                                          nullptr},
                                 true, descIndex, word, queueOrder_++});
      else if (dsp_ != nullptr)
        writeVariable(p, word);
    }
  }
  if (!fromModule) {
    guiDispatch(guiPinChanged, descIndex, 0, nullptr, 0.0f);
    return;
  }
  switch (options_.notify) {
    case GuiNotify::Reentrant:
      guiDispatch(guiPinChanged, descIndex, 0, nullptr, 0.0f);
      break;
    case GuiNotify::Deferred:
      if (changed) guiPending_.push_back(descIndex);
      break;
    case GuiNotify::None:
      break;
  }
}

void Instance::setGuiPin(int32_t descIndex, uint32_t word) { storeGuiWrite(descIndex, word, false); }

void Instance::setGuiPinFloat(int32_t descIndex, float v) { setGuiPin(descIndex, floatBits(v)); }

void Instance::primeGuiPin(int32_t descIndex, uint32_t word) { guiValues_[descIndex] = word; }

uint32_t Instance::guiWord(int32_t descIndex) const {
  auto it = guiValues_.find(descIndex);
  return it == guiValues_.end() ? 0u : it->second;
}

float Instance::guiFloat(int32_t descIndex) const { return bitsFloat(guiWord(descIndex)); }

intptr_t Instance::onGuiCall(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  switch (opcode) {
    case hostGetPinValue:
      if (ptr != nullptr) {
        const uint32_t w = guiWord(index);
        std::memcpy(ptr, &w, 4);
      }
      return 1;
    case hostSetPinValue: {
      uint32_t word = static_cast<uint32_t>(value);
      if (index >= 0 && index < static_cast<int32_t>(pins_.size()) &&
          pins_[static_cast<size_t>(index)].datatype == Float)
        word = floatBits(opt);
      storeGuiWrite(index, word, true);
      return 1;
    }
    case hostSetPinText:
      texts_[index] = ptr != nullptr ? static_cast<const char*>(ptr) : "";
      return 1;
    case hostGetPinText:
      return reinterpret_cast<intptr_t>(texts_[index].c_str());
    case hostGetPinWideText: {
      const std::string& text = texts_[index];
      std::u16string wide(text.begin(), text.end());
      if (ptr == nullptr) return static_cast<intptr_t>(wide.size() + 1);
      const size_t room = value > 0 ? static_cast<size_t>(value) : 0;
      auto* out = static_cast<char16_t*>(ptr);
      size_t k = 0;
      for (; k < wide.size() && k + 1 < room; ++k) out[k] = wide[k];
      if (room > 0) out[k] = 0;
      return static_cast<intptr_t>(wide.size() + 1);
    }
    default:
      return 0;
  }
}

intptr_t SEM_CALL Instance::callback(void* rec, int32_t opcode, int32_t index, int32_t value,
                                     void* ptr, float opt) {
  if (rec == nullptr) return 0;
  uint32_t magic;
  std::memcpy(&magic, rec, sizeof magic);
  if (magic == SEM_DSP_MAGIC) {
    auto* self = reinterpret_cast<Instance*>(static_cast<DspHostRecord*>(rec)->hostData);
    self->record(Direction::ToHost, Side::Dsp, opcode, index, value,
                 reinterpret_cast<intptr_t>(ptr), opt);
    return self->onDspCall(opcode, index, value, ptr, opt);
  }
  if (magic == SEM_GUI_MAGIC) {
    auto* self = reinterpret_cast<Instance*>(static_cast<GuiHostRecord*>(rec)->hostData);
    self->record(Direction::ToHost, Side::Gui, opcode, index, value,
                 reinterpret_cast<intptr_t>(ptr), opt);
    return self->onGuiCall(opcode, index, value, ptr, opt);
  }
  return 0;
}

}  // namespace semhost
