// The GUI module base in process: dispatcher, the static pin accessor, pin
// value and text operations, with a recording module class and a fake host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/GuiModule.h"
#include "support/Bits.h"
#include "support/FakeHost.h"

namespace {

using testsupport::bitsOf;
using testsupport::FakeHost;

class GuiRecorder : public GuiModule {
 public:
  explicit GuiRecorder(HostCallback cb) : GuiModule(cb, 5) {}
  void initialise(bool keep) noexcept override { log.push_back(keep ? "init keep" : "init reset"); }
  void onPinChanged(GuiPin& p) noexcept override {
    seenIndex = p.index;
    seenModule = p.module;
    // Use the static accessor for another object meanwhile: p must not move.
    if (other != nullptr) other->pin(99);
    seenIndexAfter = p.index;
    seenModuleAfter = p.module;
  }
  void onClose() noexcept override { log.push_back("close"); }
  intptr_t dispatch(int32_t op, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
    return hostRecord()->dispatcher(hostRecord(), op, index, value, ptr, opt);
  }
  std::vector<std::string> log;
  GuiModule* other = nullptr;
  int32_t seenIndex = -1, seenIndexAfter = -1;
  GuiModule* seenModule = nullptr;
  GuiModule* seenModuleAfter = nullptr;
};

TEST(GuiModuleBase, DispatcherOpcodes) {
  FakeHost host;
  auto* m = new GuiRecorder(&FakeHost::callback);
  EXPECT_EQ(0, m->dispatch(0, 1));
  EXPECT_EQ(0, m->dispatch(0, 0));
  EXPECT_EQ(0, m->dispatch(0, 2));
  EXPECT_EQ((std::vector<std::string>{"init keep", "init reset", "init reset"}), m->log);
  for (int32_t op : {13, 99, static_cast<int32_t>(0xFFFFFFFF), 2, 3, 4, 5, 6, 8, 9, 11, 12})
    EXPECT_EQ(0, m->dispatch(op, 1, 2)) << op;
  EXPECT_EQ(0, m->dispatch(10));  // onGuiOp10 not overridden
  EXPECT_EQ(3u, m->log.size());
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(1, m->dispatch(1));  // close: onClose, then the object is gone
}

TEST(GuiModuleBase, PinChangedGetsItsOwnAccessor) {
  FakeHost host;
  auto* a = new GuiRecorder(&FakeHost::callback);
  auto* b = new GuiRecorder(&FakeHost::callback);
  a->other = b;
  b->pin(3);  // the static accessor names b
  a->dispatch(7, 5);
  EXPECT_EQ(5, a->seenIndex);
  EXPECT_EQ(a, a->seenModule);
  EXPECT_EQ(5, a->seenIndexAfter);
  EXPECT_EQ(a, a->seenModuleAfter);
  a->dispatch(1);
  b->dispatch(1);
}

TEST(GuiModuleBase, TheStaticAccessorIsSharedByTheLibrary) {
  FakeHost host;
  auto* a = new GuiRecorder(&FakeHost::callback);
  auto* b = new GuiRecorder(&FakeHost::callback);
  GuiPin& first = a->pin(1);
  GuiPin& second = b->pin(0);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(0, first.index);
  EXPECT_EQ(b, first.module);
  a->dispatch(1);
  b->dispatch(1);
}

TEST(GuiModuleBase, ValueOperationsAsHostCalls) {
  FakeHost host;
  auto* m = new GuiRecorder(&FakeHost::callback);
  m->pin(4).setFloat(1.0f);
  m->pin(6).setInt(7);
  host.fillValue = [](void* buffer) {
    const int32_t v = -12;
    std::memcpy(buffer, &v, 4);
  };
  EXPECT_EQ(-12, m->pin(2).getInt());
  host.fillValue = [](void* buffer) {
    const uint32_t v = 0x7FC00001u;
    std::memcpy(buffer, &v, 4);
  };
  EXPECT_EQ(0x7FC00001u, bitsOf(m->pin(3).getFloat()));
  ASSERT_EQ(4u, host.calls.size());
  EXPECT_EQ(hostSetPinValue, host.calls[0].opcode);
  EXPECT_EQ(4, host.calls[0].index);
  EXPECT_EQ(0, host.calls[0].value);
  EXPECT_EQ(nullptr, host.calls[0].ptr);
  EXPECT_EQ(bitsOf(1.0f), bitsOf(host.calls[0].opt));
  EXPECT_EQ(6, host.calls[1].index);
  EXPECT_EQ(7, host.calls[1].value);
  EXPECT_EQ(0u, bitsOf(host.calls[1].opt));
  EXPECT_EQ(hostGetPinValue, host.calls[2].opcode);
  EXPECT_EQ(2, host.calls[2].index);
  EXPECT_NE(nullptr, host.calls[2].ptr);
  EXPECT_EQ(m->hostRecord(), host.calls[2].record);
  m->dispatch(1);
}

TEST(GuiModuleBase, TextOperations) {
  FakeHost host;
  auto* m = new GuiRecorder(&FakeHost::callback);
  m->pin(2).setText("");
  ASSERT_EQ(1u, host.calls.size());
  EXPECT_EQ(hostSetPinText, host.calls[0].opcode);
  EXPECT_EQ(2, host.calls[0].index);
  EXPECT_FALSE(host.textPtrNull);  // an empty text is an empty string, never null
  EXPECT_EQ("", host.text);
  m->pin(2).setText("abc");
  EXPECT_EQ("abc", host.text);
  host.calls.clear();

  static const char text[] = "hello";
  host.answers[hostGetPinText] = reinterpret_cast<intptr_t>(text);
  EXPECT_EQ("hello", m->pin(2).getText());
  host.answers[hostGetPinText] = 0;
  EXPECT_EQ("", m->pin(2).getText());  // a null address reads as empty

  struct Wide {
    static intptr_t sized(int32_t value, void* ptr) {
      if (ptr == nullptr) return 4;
      const char16_t t[] = u"abc";
      std::memcpy(ptr, t, sizeof(char16_t) * static_cast<size_t>(value));
      return 4;
    }
    static intptr_t unterminated(int32_t value, void* ptr) {
      if (ptr == nullptr) return 2;
      auto* out = static_cast<char16_t*>(ptr);
      for (int32_t k = 0; k < value; ++k) out[k] = u'x';
      return 2;
    }
    static intptr_t none(int32_t, void*) { return 0; }
    static intptr_t negative(int32_t, void*) { return -4; }
    static intptr_t huge(int32_t, void*) { return INT32_MAX; }
  };
  host.wideText = &Wide::sized;
  EXPECT_EQ(u"abc", m->pin(1).getWideText());
  host.wideText = &Wide::unterminated;
  EXPECT_EQ(u"xx", m->pin(1).getWideText());
  for (auto fn : {&Wide::none, &Wide::negative, &Wide::huge}) {
    host.wideText = fn;
    EXPECT_EQ(u"", m->pin(1).getWideText());
  }
  m->dispatch(1);
}

TEST(GuiModuleBase, NullCallbackReadsZeroAndCallsNothing) {
  auto* m = new GuiRecorder(nullptr);
  EXPECT_EQ(0, m->pin(0).getInt());
  EXPECT_EQ(0u, bitsOf(m->pin(0).getFloat()));
  EXPECT_EQ(0, m->pin(0).setInt(3));
  EXPECT_EQ("", m->pin(0).getText());
  EXPECT_EQ(u"", m->pin(0).getWideText());
  EXPECT_EQ(1, m->dispatch(1));
}

TEST(GuiModuleBase, ForwardersPassTheirArguments) {
  FakeHost host;
  auto* m = new GuiRecorder(&FakeHost::callback);
  int dummy = 0;
  host.answers[20] = 3;
  m->hostRequest8(1, 2, &dummy);
  m->hostRequest18(&dummy);
  m->hostRequest19(&dummy);
  EXPECT_TRUE(m->hostQuery20(&dummy));
  ASSERT_EQ((std::vector<int32_t>{8, 18, 19, 20}), host.opcodes());
  EXPECT_EQ(1, host.calls[0].index);
  EXPECT_EQ(2, host.calls[0].value);
  EXPECT_EQ(&dummy, host.calls[0].ptr);
  EXPECT_EQ(&dummy, host.calls[1].ptr);
  m->dispatch(1);
}

}  // namespace
