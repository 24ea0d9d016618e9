#include "GuiModule.h"

#include <cstring>
#include <new>

namespace {
// The library's one pin accessor, zero at load; see GuiPin.
GuiPin staticPin = {0, nullptr};

// Pin texts longer than this are taken as a host that misreports the size:
// the text reads as empty instead of costing a huge allocation.
constexpr intptr_t kMaxWideTextUnits = intptr_t{1} << 20;
}  // namespace

// ---------------------------------------------------------------- GuiPin

int32_t GuiPin::getInt() const noexcept {
  const GuiPin self = *this;
  int32_t buffer = 0;
  self.module->callHost(hostGetPinValue, self.index, 0, &buffer, 0.0f);
  return buffer;
}

intptr_t GuiPin::setInt(int32_t v) const noexcept {
  const GuiPin self = *this;
  return self.module->callHost(hostSetPinValue, self.index, v, nullptr, 0.0f);
}

intptr_t GuiPin::setFloat(float v) const noexcept {
  const GuiPin self = *this;
  return self.module->callHost(hostSetPinValue, self.index, 0, nullptr, v);
}

std::string GuiPin::getText() const {
  const GuiPin self = *this;
  const auto* text = reinterpret_cast<const char*>(
      self.module->callHost(hostGetPinText, self.index, 0, nullptr, 0.0f));
  return text != nullptr ? std::string(text) : std::string();
}

void GuiPin::setText(const std::string& text) const {
  const GuiPin self = *this;
  self.module->callHost(hostSetPinText, self.index, 0, const_cast<char*>(text.c_str()), 0.0f);
}

std::u16string GuiPin::getWideText() const {
  const GuiPin self = *this;
  const intptr_t size = self.module->callHost(hostGetPinWideText, self.index, 0, nullptr, 0.0f);
  if (size <= 0 || size > kMaxWideTextUnits) return std::u16string();
  const auto n = static_cast<int32_t>(size);
  char16_t* buffer = new (std::nothrow) char16_t[static_cast<size_t>(n)];
  if (buffer == nullptr) return std::u16string();
  std::memset(buffer, 0, sizeof(char16_t) * static_cast<size_t>(n));
  self.module->callHost(hostGetPinWideText, self.index, n, buffer, 0.0f);
  // A host that leaves no terminator within the buffer gets its n units.
  int32_t length = 0;
  while (length < n && buffer[length] != 0) ++length;
  std::u16string result(buffer, static_cast<size_t>(length));
  delete[] buffer;
  return result;
}

// ---------------------------------------------------------------- GuiModule

GuiModule::GuiModule(HostCallback hostCallback, intptr_t hostData) noexcept
    : callback(hostCallback) {
  std::memset(&record, 0, sizeof record);
  record.magic = SEM_GUI_MAGIC;
  record.version = 1;
  record.dispatcher = &guiDispatchEntry;
  record.hostData = hostData;
  record.object = this;
}

GuiModule::~GuiModule() = default;

intptr_t GuiModule::guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                                float opt) noexcept {
  switch (static_cast<uint32_t>(opcode)) {
    case 0:
      initialise(index == 1);
      return 0;
    case 1:
      onClose();
      delete this;
      return 1;
    case 2:
      onGuiOp2(index, ptr);
      return 0;
    case 3:
      onGuiOp3(ptr, opt, GuiValuePair{index, value});
      return 0;
    case 4:
      onGuiOp4(ptr, opt, GuiValuePair{index, value});
      return 0;
    case 5:
      onGuiOp5(ptr, opt, GuiValuePair{index, value});
      return 0;
    case 6:
      onGuiOp6(value, index, ptr);
      return 0;
    case 7: {
      // A pin of its own for this call, so a nested pin() cannot rename it.
      GuiPin changed{index, this};
      onPinChanged(changed);
      return 0;
    }
    case 8:
      onGuiOp8(ptr);
      return 0;
    case 9:
      onGuiOp9(ptr);
      return 0;
    case 10:
      return onGuiOp10() ? 1 : 0;
    case 11:
      onGuiOp11(index);
      return 0;
    case 12:
      onGuiOp12(index);
      return 0;
    default:
      return 0;
  }
}

void GuiModule::initialise(bool) noexcept {}
void GuiModule::onClose() noexcept {}
void GuiModule::onGuiOp2(int32_t, void*) noexcept {}
void GuiModule::onGuiOp3(void*, float, GuiValuePair) noexcept {}
void GuiModule::onGuiOp4(void*, float, GuiValuePair) noexcept {}
void GuiModule::onGuiOp5(void*, float, GuiValuePair) noexcept {}
void GuiModule::onGuiOp8(void*) noexcept {}
void GuiModule::onGuiOp9(void*) noexcept {}
bool GuiModule::onGuiOp10() noexcept { return false; }
void GuiModule::onGuiOp11(int32_t) noexcept {}
void GuiModule::onGuiOp12(int32_t) noexcept {}
void GuiModule::onGuiOp6(int32_t, int32_t, void*) noexcept {}
void GuiModule::onPinChanged(GuiPin&) noexcept {}

intptr_t GuiModule::callHost(int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) noexcept {
  // A GUI object made without a callback reads every pin as 0 instead of
  // jumping through a null pointer.
  if (callback == nullptr) return 0;
  return callback(&record, opcode, index, value, ptr, opt);
}

GuiPin& GuiModule::pin(int32_t index) noexcept {
  staticPin.index = index;
  staticPin.module = this;
  return staticPin;
}

intptr_t GuiModule::hostRequest8(int32_t x, int32_t y, void* z) noexcept {
  return callHost(8, x, y, z, 0.0f);
}
intptr_t GuiModule::hostRequest18(void* v) noexcept { return callHost(18, 0, 0, v, 0.0f); }
intptr_t GuiModule::hostRequest19(void* v) noexcept { return callHost(19, 0, 0, v, 0.0f); }
bool GuiModule::hostQuery20(void* v) noexcept { return callHost(20, 0, 0, v, 0.0f) != 0; }

intptr_t SEM_CALL guiDispatchEntry(GuiHostRecord* record, int32_t opcode, int32_t index,
                                   int32_t value, void* ptr, float opt) {
  return static_cast<GuiModule*>(record->object)->guiDispatch(opcode, index, value, ptr, opt);
}
