// The base of every GUI-side object: host record, dispatcher and pin accessor.
#pragma once

#include <cstdint>
#include <string>

#include "gui_record.h"
#include "host_callback.h"

class GuiModule;

// The two values dispatcher opcodes 3 to 5 pass on after ptr and opt.
struct GuiValuePair {
  int32_t index;
  int32_t value;
};

// Names one pin of one GUI-side object. The library keeps a single static one
// (see GuiModule::pin): valid until the next pin() call anywhere in the library,
// so callers take it immediately before one get or set and never keep it. Each
// operation copies index and module before calling the host, so a nested pin()
// during that call cannot redirect it.
struct GuiPin {
  int32_t index;
  GuiModule* module;

  // hostGetPinValue; 0 when the host leaves the buffer untouched.
  int32_t getInt() const noexcept;
  // Always inlined (defined below): on 32-bit x86 a float returned from an
  // out-of-line function passes through the x87 stack, which turns a
  // signalling NaN pattern into a quiet one.
  [[gnu::always_inline]] inline float getFloat() const noexcept;
  // hostSetPinValue: an integer in value, a float in opt.
  intptr_t setInt(int32_t v) const noexcept;
  intptr_t setFloat(float v) const noexcept;
  // Pin texts. These allocate, so they are never used on a value path.
  std::string getText() const;
  void setText(const std::string& text) const;
  std::u16string getWideText() const;
};

class GuiModule {
 public:
  GuiModule(HostCallback callback, intptr_t hostData) noexcept;
  GuiModule(const GuiModule&) = delete;
  GuiModule& operator=(const GuiModule&) = delete;

  // Virtual operations, in the order of the virtual table. Module classes
  // override the destructor, initialise and onPinChanged; nothing else.
  virtual ~GuiModule();
  virtual intptr_t guiDispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                               float opt) noexcept;
  virtual void initialise(bool keepValues) noexcept;
  virtual void onClose() noexcept;
  virtual void onGuiOp2(int32_t index, void* ptr) noexcept;
  virtual void onGuiOp3(void* ptr, float opt, GuiValuePair pair) noexcept;
  virtual void onGuiOp4(void* ptr, float opt, GuiValuePair pair) noexcept;
  virtual void onGuiOp5(void* ptr, float opt, GuiValuePair pair) noexcept;
  virtual void onGuiOp8(void* ptr) noexcept;
  virtual void onGuiOp9(void* ptr) noexcept;
  virtual bool onGuiOp10() noexcept;
  virtual void onGuiOp11(int32_t index) noexcept;
  virtual void onGuiOp12(int32_t index) noexcept;
  virtual void onGuiOp6(int32_t value, int32_t index, void* ptr) noexcept;
  virtual void onPinChanged(GuiPin& pin) noexcept;

  GuiHostRecord* hostRecord() noexcept { return &record; }

  // Calls the host with this object's record; 0 without a callback.
  intptr_t callHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) noexcept;
  // Fills the library's one static accessor with (index, this) and returns it.
  GuiPin& pin(int32_t index) noexcept;

  int32_t getPinInt(int32_t index) noexcept { return pin(index).getInt(); }
  intptr_t setPinInt(int32_t index, int32_t v) noexcept { return pin(index).setInt(v); }

  // Plain forwarders to host operations no module of the family uses.
  intptr_t hostRequest8(int32_t x, int32_t y, void* z) noexcept;
  intptr_t hostRequest18(void* v) noexcept;
  intptr_t hostRequest19(void* v) noexcept;
  bool hostQuery20(void* v) noexcept;

 private:

  HostCallback callback;
  GuiHostRecord record;
};

float GuiPin::getFloat() const noexcept {
  const GuiPin self = *this;
  float buffer = 0.0f;
  self.module->callHost(hostGetPinValue, self.index, 0, &buffer, 0.0f);
  return buffer;
}

// The dispatcher entry stored in every GuiHostRecord.
extern "C" intptr_t SEM_CALL guiDispatchEntry(GuiHostRecord* record, int32_t opcode,
                                              int32_t index, int32_t value, void* ptr,
                                              float opt);
