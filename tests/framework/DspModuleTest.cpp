// The DSP module base in process: dispatcher, process switching, host calls,
// pins and events, with a recording module class and a fake host.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/DspModule.h"
#include "support/Bits.h"
#include "support/FakeHost.h"

namespace {

using testsupport::FakeHost;

void SEM_CALL otherProcess(void*, int32_t, int32_t) {}

// Records what the base calls; describes the pins a test gives it.
class Recorder : public DspModule {
 public:
  Recorder(HostCallback cb, std::vector<PinDescription> described = {})
      : DspModule(cb, 77), descriptions(std::move(described)) {}

  void onPinUpdate(DspPin& pin) noexcept override {
    updates.push_back({pin.index, pin.status});
  }
  bool describePin(int32_t index, PinDescription* d) noexcept override {
    asked.push_back(index);
    if (index < 0 || index >= static_cast<int32_t>(descriptions.size())) return false;
    *d = descriptions[static_cast<size_t>(index)];
    return true;
  }
  void onOpcodeEight() noexcept override { log.push_back("eight"); }
  void onOpcodeEightCount(int32_t n) noexcept override { log.push_back("count" + std::to_string(n)); }
  void onEventKindTwo(int32_t t, int32_t v, int16_t v2) noexcept override {
    log.push_back("two " + std::to_string(t) + " " + std::to_string(v) + " " + std::to_string(v2));
  }
  void onOpcodeTwelve(int32_t v, int32_t i, void*) noexcept override {
    log.push_back("twelve " + std::to_string(v) + " " + std::to_string(i));
  }
  void onClose() noexcept override { ++*closed; }

  intptr_t dispatch(int32_t op, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
    return hostRecord()->dispatcher(hostRecord(), op, index, value, ptr, opt);
  }

  std::vector<PinDescription> descriptions;
  std::vector<std::pair<int32_t, int32_t>> updates;
  std::vector<int32_t> asked;
  std::vector<std::string> log;
  int* closed = &closedSink;
  int closedSink = 0;
};

PinDescription pinOf(int32_t type, uint32_t flags = 0, void* variable = nullptr) {
  PinDescription d;
  std::memset(&d, 0, sizeof d);
  d.name = "p";
  d.datatype = type;
  d.flags = flags;
  d.valuePtr = variable;
  return d;
}

TEST(DspModuleBase, SampleRateAndBlockSizeComeThroughTheirOpcodes) {
  auto* m = new Recorder(nullptr);
  EXPECT_EQ(testsupport::bitsOf(44100.0f), testsupport::bitsOf(m->getSampleRate()));
  EXPECT_EQ(1024, m->getBlockSize());
  EXPECT_EQ(0, m->dispatch(2, 0, 7, nullptr, 48000.0f));
  EXPECT_EQ(testsupport::bitsOf(48000.0f), testsupport::bitsOf(m->getSampleRate()));
  EXPECT_EQ(0, m->dispatch(3, 0, 256));
  EXPECT_EQ(256, m->getBlockSize());
  EXPECT_EQ(1, m->dispatch(1));
}

TEST(DspModuleBase, OpcodesWithoutActionAndTheSpareSlots) {
  auto* m = new Recorder(nullptr);
  for (int32_t op : {4, 5, 7, 9, 10, 11, 14, 99, -1, INT32_MIN}) EXPECT_EQ(0, m->dispatch(op)) << op;
  m->dispatch(8, 0);
  m->dispatch(8, -5);
  m->dispatch(8, 3);
  m->dispatch(12, 4, 9);
  EXPECT_EQ((std::vector<std::string>{"eight", "eight", "eight", "count3", "twelve 9 4"}), m->log);
  EXPECT_EQ(1, m->dispatch(1));
}

TEST(DspModuleBase, CloseRunsOnCloseAndReturnsOne) {
  int closed = 0;
  auto* m = new Recorder(nullptr);
  m->closed = &closed;
  EXPECT_EQ(1, m->dispatch(1));
  EXPECT_EQ(1, closed);
}

TEST(DspModuleBase, SetProcessTellsTheHostOnlyOfRealChanges) {
  FakeHost host;
  auto* m = new Recorder(&FakeHost::callback);
  // Same entry and words as installed: nothing.
  EXPECT_EQ(0, m->setProcess(&DspModule::idleProcess, 0, 0, 0));
  EXPECT_TRUE(host.calls.empty());
  // One word differs: stored, and the host hears of it.
  m->setProcess(&DspModule::idleProcess, 0, 5, 0);
  ASSERT_EQ(1u, host.calls.size());
  EXPECT_EQ(hostProcessChanged, host.calls[0].opcode);
  EXPECT_EQ(m->hostRecord(), host.calls[0].record);
  EXPECT_EQ(5, m->currentProcess().word2);
  // A new entry reaches the record.
  m->setProcess(&otherProcess, 0, 0, 0);
  EXPECT_EQ(&otherProcess, m->hostRecord()->process);
  EXPECT_EQ(2u, host.calls.size());
  // Null entry when null is installed: nothing, whatever the words.
  m->setProcess(nullptr, 1, 2, 3);
  EXPECT_EQ(3u, host.calls.size());
  m->setProcess(nullptr, 4, 5, 6);
  EXPECT_EQ(3u, host.calls.size());
  EXPECT_EQ(1, m->currentProcess().word1);
  EXPECT_EQ(1, m->dispatch(1));
}

TEST(DspModuleBase, ProcessInfoIsOneRecordForTheLibrary) {
  auto* a = new Recorder(nullptr);
  auto* b = new Recorder(nullptr);
  auto* infoA = reinterpret_cast<ProcessInfo*>(a->dispatch(13));
  EXPECT_EQ(1, infoA->count);
  EXPECT_EQ(static_cast<int32_t>(sizeof(ProcessDescriptor)), infoA->entrySize);  // 16 on 32-bit
  EXPECT_EQ(&a->currentProcess(), infoA->entries);
  EXPECT_EQ(0, infoA->reserved);
  auto* infoB = reinterpret_cast<ProcessInfo*>(b->dispatch(13));
  EXPECT_EQ(infoA, infoB);
  EXPECT_EQ(&b->currentProcess(), infoA->entries);
  a->dispatch(1);
  b->dispatch(1);
}

TEST(DspModuleBase, NullCallbackMakesNoCallAndTheObjectStillWorks) {
  auto* m = new Recorder(nullptr, {pinOf(Int)});
  EXPECT_EQ(0, m->sampleClock());
  m->setProcess(&otherProcess, 0, 0, 0);
  EXPECT_EQ(&otherProcess, m->hostRecord()->process);
  m->dispatch(0);  // open: no pin count asked, no array
  EXPECT_EQ(0, m->pinCount());
  EXPECT_EQ(nullptr, m->findPin(0));
  // The walk still asks for index 0 and for index -1.
  EXPECT_EQ((std::vector<int32_t>{0, -1}), m->asked);
  DspEvent e{0, 0, 1, 0, 0, nullptr};
  m->hostRecord()->eventEntry(m->hostRecord()->object, &e);
  EXPECT_TRUE(m->updates.empty());
  EXPECT_EQ(1, m->dispatch(1));
}

TEST(DspModuleBase, SleepProcessAsksTheHostToSleep) {
  FakeHost host;
  auto* m = new Recorder(&FakeHost::callback);
  DspModule::sleepProcess(m, 0, 64);
  ASSERT_EQ(1u, host.calls.size());
  EXPECT_EQ(hostSleep, host.calls[0].opcode);
  EXPECT_EQ(0, host.calls[0].index);
  EXPECT_EQ(0, host.calls[0].value);
  EXPECT_EQ(nullptr, host.calls[0].ptr);
  m->dispatch(1);
}

// ------------------------------------------------------------- pins at open

struct PinCase {
  const char* what;
  std::vector<PinDescription> pins;
  int32_t hostCount;
  int32_t expectedPins;           // DspPins initialised
  std::vector<int32_t> datatypes; // of those pins
};

class OpenBuildsPins : public testing::TestWithParam<int> {};

TEST(DspModulePins, OpenBuildsOnePinPerDspSidePin) {
  int32_t g2d = 0, formula = 0, a = 0, b = 0, c = 0;
  const std::vector<PinDescription> described = {
      pinOf(Int, 0x28500, &g2d), pinOf(List, 0x400, &formula), pinOf(Int, 0, &a),
      pinOf(Int, 0, &b), pinOf(Int, 0, &c)};
  struct Case {
    int32_t hostCount;
    int32_t built;
  } cases[] = {{4, 4}, {2, 2}, {0, 0}, {-3, 0}, {6, 4}, {INT32_MAX, 0}};
  for (const auto& tc : cases) {
    FakeHost host;
    host.answers[hostGetPinCount] = tc.hostCount;
    auto* m = new Recorder(&FakeHost::callback, described);
    m->dispatch(0);
    EXPECT_EQ(tc.built, m->pinCount()) << tc.hostCount;
    void* vars[] = {&g2d, &a, &b, &c};
    for (int32_t i = 0; i < tc.built; ++i) {
      ASSERT_NE(nullptr, m->findPin(i));
      EXPECT_EQ(vars[i], m->findPin(i)->valuePtr) << i;
      EXPECT_EQ(i, m->findPin(i)->index);
      EXPECT_EQ(0, m->findPin(i)->status);
    }
    EXPECT_EQ(nullptr, m->findPin(tc.built));
    EXPECT_EQ(nullptr, m->findPin(-1));
    // Surplus entries never reach onPinUpdate.
    DspEvent e{0, 0, 1, 0, tc.built, nullptr};
    m->hostRecord()->eventEntry(m, &e);
    EXPECT_TRUE(m->updates.empty());
    m->dispatch(1);
  }
}

TEST(DspModulePins, AutoDuplicateMakesExtraPinsLikeTheLastOne) {
  struct Case {
    uint32_t lastFlags;
    int32_t built;
  } cases[] = {{FlagAutoDuplicate, 4}, {FlagAutoDuplicate | FlagGui, 2}, {0, 2},
               {FlagAutoDuplicate | FlagGui | FlagGuiToDsp, 4}};
  for (const auto& tc : cases) {
    FakeHost host;
    host.answers[hostGetPinCount] = 4;
    int32_t a = 5, last = 9;
    auto* m = new Recorder(&FakeHost::callback, {pinOf(Float, 0, &a), pinOf(Int, tc.lastFlags, &last)});
    m->dispatch(0);
    const int32_t dspPinsDescribed = (tc.lastFlags & FlagGui) && !(tc.lastFlags & FlagGuiToDsp) ? 1 : 2;
    EXPECT_EQ(tc.built == 2 && dspPinsDescribed == 1 ? 1 : tc.built, m->pinCount()) << tc.lastFlags;
    for (int32_t i = dspPinsDescribed; i < m->pinCount(); ++i) {
      DspPin* p = m->findPin(i);
      EXPECT_EQ(Int, p->datatype);
      EXPECT_EQ(&p->storage, p->valuePtr);
      EXPECT_EQ(0, *static_cast<int32_t*>(p->valuePtr));
    }
    // The last description is asked again after the walk.
    EXPECT_EQ(1, m->asked.back());
    m->dispatch(1);
  }
}

TEST(DspModulePins, OwnStorageByDatatypeAndVoltageBuffersFromTheHost) {
  FakeHost host;
  float hostBuffer[8] = {};
  host.answers[hostGetPinCount] = 6;
  host.answers[hostGetPinBuffer] = reinterpret_cast<intptr_t>(hostBuffer);
  auto* m = new Recorder(&FakeHost::callback, {pinOf(List), pinOf(Bool), pinOf(Voltage),
                                               pinOf(Float), pinOf(Int), pinOf(3)});
  m->dispatch(0);
  ASSERT_EQ(6, m->pinCount());
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(&m->findPin(i)->storage, m->findPin(i)->valuePtr) << i;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(hostBuffer), m->findPin(2)->storage);
  EXPECT_EQ(nullptr, m->findPin(5)->valuePtr);  // a datatype without storage
  // The buffer was asked for by DSP pin index.
  bool asked = false;
  for (const auto& c : host.calls)
    if (c.opcode == hostGetPinBuffer) asked = c.index == 2;
  EXPECT_TRUE(asked);
  m->dispatch(1);
}

TEST(DspModulePins, SecondOpenRebuildsInsteadOfLeaking) {
  FakeHost host;
  host.answers[hostGetPinCount] = 2;
  auto* m = new Recorder(&FakeHost::callback, {pinOf(Int), pinOf(Int)});
  m->dispatch(0);
  DspPin* first = m->findPin(1);
  m->findPin(1)->status = 2;
  m->dispatch(0);
  ASSERT_EQ(2, m->pinCount());
  EXPECT_EQ(0, m->findPin(1)->status);
  (void)first;
  m->dispatch(1);  // the sanitizer build shows nothing leaked
}

// ------------------------------------------------------------- events

TEST(DspModuleEvents, PinStatusReachesOnPinUpdateAndASingleChangeEnds) {
  FakeHost host;
  host.answers[hostGetPinCount] = 3;
  auto* m = new Recorder(&FakeHost::callback, {pinOf(Int), pinOf(Int), pinOf(Int)});
  m->dispatch(0);
  DspEvent one{10, 0, 1, 0, 2, nullptr};
  m->hostRecord()->eventEntry(m->hostRecord()->object, &one);
  EXPECT_EQ((std::vector<std::pair<int32_t, int32_t>>{{2, 1}}), m->updates);
  EXPECT_EQ(0, m->findPin(2)->status);
  DspEvent two{10, 0, 2, 0, 2, nullptr};
  m->hostRecord()->eventEntry(m->hostRecord()->object, &two);
  EXPECT_EQ(2, m->findPin(2)->status);
  // Bad pin indices and unknown kinds change nothing.
  for (intptr_t bad : {intptr_t{3}, intptr_t{-1}, intptr_t{1000}}) {
    DspEvent e{0, 0, 1, 0, bad, nullptr};
    m->hostRecord()->eventEntry(m->hostRecord()->object, &e);
  }
  DspEvent five{0, 5, 1, 0, 0, nullptr};
  m->hostRecord()->eventEntry(m->hostRecord()->object, &five);
  EXPECT_EQ(2u, m->updates.size());
  EXPECT_TRUE(m->log.empty());
  // Kind 2 hands on time, value and the low 16 bits of value2.
  DspEvent kindTwo{7, 2, 8, 0x12348001, 0, nullptr};
  m->hostRecord()->eventEntry(m->hostRecord()->object, &kindTwo);
  EXPECT_EQ((std::vector<std::string>{"two 7 8 -32767"}), m->log);
  m->dispatch(1);
}

int deferredRuns = 0;
void countDeferred(DspModule*) { ++deferredRuns; }

TEST(DspModuleEvents, QueuedEventsGoToTheHostAndADeferredCallRunsOnce) {
  FakeHost host;
  auto* m = new Recorder(&FakeHost::callback);
  host.answers[hostQueueEvent] = 1;
  EXPECT_EQ(1, m->postDeferredCall(123, &countDeferred));
  ASSERT_EQ(1u, host.calls.size());
  EXPECT_EQ(hostQueueEvent, host.calls[0].opcode);
  // The event lives only during the call: the host keeps the copy it took.
  DspEvent copy = host.queued;
  EXPECT_EQ(123, copy.time);
  EXPECT_EQ(21, copy.kind);
  EXPECT_EQ(0, copy.value);
  EXPECT_EQ(0, copy.value2);
  EXPECT_EQ(reinterpret_cast<intptr_t>(&countDeferred), copy.extra);
  EXPECT_EQ(nullptr, copy.next);
  deferredRuns = 0;
  m->hostRecord()->eventEntry(m->hostRecord()->object, &copy);
  EXPECT_EQ(1, deferredRuns);
  m->dispatch(1);
}

TEST(DspModuleEvents, SendStatusAndStreamValueAsTheHostSeesThem) {
  FakeHost host;
  float samples[8] = {0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f};
  float* bufferVariable = samples;
  host.answers[hostGetPinCount] = 4;
  host.answers[hostGetBufferStartClock] = 1000;
  host.answers[hostGetSampleClock] = 1003;
  auto* m = new Recorder(&FakeHost::callback, {pinOf(Int), pinOf(Int), pinOf(Int),
                                               pinOf(Voltage, 0, &bufferVariable)});
  m->dispatch(0);
  host.calls.clear();
  m->findPin(3)->sendStatus(500, 1);
  ASSERT_EQ(1u, host.calls.size());
  EXPECT_EQ(hostPinStatusChange, host.calls[0].opcode);
  EXPECT_EQ(3, host.calls[0].index);
  EXPECT_EQ(1, host.calls[0].value);
  EXPECT_EQ(500, static_cast<int32_t>(reinterpret_cast<intptr_t>(host.calls[0].ptr)));
  EXPECT_EQ(0u, testsupport::bitsOf(host.calls[0].opt));
  EXPECT_EQ(testsupport::bitsOf(3.5f), testsupport::bitsOf(m->findPin(3)->streamValue()));
  // A clock outside the block reads nothing past the buffer.
  host.answers[hostGetSampleClock] = 999;
  EXPECT_EQ(0u, testsupport::bitsOf(m->findPin(3)->streamValue()));
  m->dispatch(3, 0, 8);
  host.answers[hostGetSampleClock] = 1008;
  EXPECT_EQ(0u, testsupport::bitsOf(m->findPin(3)->streamValue()));
  host.answers[hostGetSampleClock] = 1007;
  EXPECT_EQ(testsupport::bitsOf(7.5f), testsupport::bitsOf(m->findPin(3)->streamValue()));
  // A voltage pin whose buffer pointer is null reads 0.0.
  bufferVariable = nullptr;
  EXPECT_EQ(0u, testsupport::bitsOf(m->findPin(3)->streamValue()));
  m->dispatch(1);
}

}  // namespace
