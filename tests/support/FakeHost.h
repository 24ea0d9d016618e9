// A minimal in-process host for framework tests that construct module objects
// directly: records every callback and answers from a table the test sets.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/dsp_record.h"
#include "framework/host_callback.h"

namespace testsupport {

struct FakeCall {
  void* record;
  int32_t opcode;
  int32_t index;
  int32_t value;
  void* ptr;
  float opt;
};

struct FakeHost {
  std::vector<FakeCall> calls;
  std::map<int32_t, intptr_t> answers;  // result per opcode; 0 when absent
  DspEvent queued{};                    // copy of the last hostQueueEvent
  bool textPtrNull = true;              // last hostSetPinText: was ptr null
  std::string text;                     // last hostSetPinText: the characters
  // Called for hostGetPinValue with the buffer, when set.
  void (*fillValue)(void* buffer) = nullptr;
  // Called for hostGetPinWideText with (value, ptr), when set.
  intptr_t (*wideText)(int32_t value, void* ptr) = nullptr;

  // The callback; the host object is found through a global, one at a time.
  static intptr_t SEM_CALL callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt);
  static FakeHost*& current();

  FakeHost() { current() = this; }
  ~FakeHost() { current() = nullptr; }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  std::vector<int32_t> opcodes() const {
    std::vector<int32_t> out;
    for (const auto& c : calls) out.push_back(c.opcode);
    return out;
  }
};

inline FakeHost*& FakeHost::current() {
  static FakeHost* host = nullptr;
  return host;
}

inline intptr_t SEM_CALL FakeHost::callback(void* record, int32_t opcode, int32_t index,
                                            int32_t value, void* ptr, float opt) {
  FakeHost* self = current();
  if (self == nullptr) return 0;
  self->calls.push_back(FakeCall{record, opcode, index, value, ptr, opt});
  if (opcode == hostGetPinValue && self->fillValue && ptr) self->fillValue(ptr);
  if (opcode == hostSetPinText && record && *static_cast<uint32_t*>(record) != SEM_DSP_MAGIC) {
    self->textPtrNull = ptr == nullptr;
    self->text = ptr ? static_cast<const char*>(ptr) : "";
  }
  if (opcode == hostQueueEvent && ptr && record && *static_cast<uint32_t*>(record) == SEM_DSP_MAGIC)
    self->queued = *static_cast<DspEvent*>(ptr);
  if (opcode == hostGetPinWideText && self->wideText) return self->wideText(value, ptr);
  auto it = self->answers.find(opcode);
  return it == self->answers.end() ? 0 : it->second;
}

}  // namespace testsupport
