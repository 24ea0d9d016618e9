// The framework through the example plug-in's real entry points, driven by the
// simulated host: open and the pin array, events, process, GUI-to-DSP values.
#include <gtest/gtest.h>

#include <vector>

#include "host/Instance.h"
#include "support/Bits.h"
#include "support/Plugins.h"

namespace {

using semhost::Instance;
using semhost::InstanceOptions;
using semhost::Side;
using testsupport::bitsOf;

constexpr int32_t kEchoDsp = 7;

const semhost::PluginLibrary& example() { return testsupport::plugin("example_module"); }

std::vector<int32_t> opcodes(const std::vector<semhost::TraceEntry>& calls) {
  std::vector<int32_t> out;
  for (const auto& c : calls) out.push_back(c.opcode);
  return out;
}

// The echo values the module sent, in order.
std::vector<int32_t> echoes(const Instance& in) {
  std::vector<int32_t> out;
  for (const auto& o : in.outputs())
    if (o.dspIndex == kEchoDsp) out.push_back(static_cast<int32_t>(o.word));
  return out;
}

TEST(ExampleModule, DescribedPinsAndTheirDspNumbering) {
  Instance in(example());
  ASSERT_TRUE(in.created());
  ASSERT_EQ(10u, in.pins().size());
  const int32_t expected[] = {0, -1, 1, 2, 3, 4, 5, 6, 7, 8};
  for (size_t j = 0; j < in.pins().size(); ++j) EXPECT_EQ(expected[j], in.pins()[j].dspIndex) << j;
  EXPECT_EQ(9, in.dspPinCount());
  EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}), in.pins()[1].listItems());
}

TEST(ExampleModule, OpenInstallsTheProcessThenBuildsPins) {
  Instance in(example());
  in.clearTrace();
  in.open();
  // The process routine first, then the pin count, then the one voltage pin
  // without a module variable asks for its buffer.
  EXPECT_EQ((std::vector<int32_t>{hostProcessChanged, hostGetPinCount, hostGetPinBuffer}),
            opcodes(in.hostCalls(Side::Dsp)));
  EXPECT_EQ(6, in.hostCalls(Side::Dsp)[2].index);
  EXPECT_EQ(1, in.processChanges());
  EXPECT_NE(in.processEntry(), nullptr);
}

TEST(ExampleModule, EveryDspPinDeliversAndBadIndicesAreIgnored) {
  Instance in(example());
  in.open();
  for (int32_t pin = 0; pin < 9; ++pin) in.deliverStatus(pin, 1);
  in.deliverStatus(9, 1);
  in.deliverStatus(-1, 1);
  in.deliverStatus(2, 2);
  EXPECT_EQ((std::vector<int32_t>{1, 101, 201, 301, 401, 501, 601, 701, 801, 202}), echoes(in));
}

TEST(ExampleModule, AutoDuplicatedPinsExistOnlyWhenTheLastPinIsDspSide) {
  InstanceOptions more;
  more.pinCountOverride = 11;
  Instance dup(example(), more);
  dup.open();
  dup.deliverStatus(10, 1);
  dup.deliverStatus(11, 1);
  EXPECT_EQ((std::vector<int32_t>{1001}), echoes(dup));

  Instance guiLast(testsupport::plugin("example_gui_last"), more);
  EXPECT_EQ(8, guiLast.dspPinCount());
  guiLast.open();
  guiLast.deliverStatus(8, 1);
  guiLast.deliverStatus(10, 1);
  guiLast.deliverStatus(7, 1);
  EXPECT_EQ((std::vector<int32_t>{701}), echoes(guiLast));
}

TEST(ExampleModule, FewerHostPinsThanDescribed) {
  InstanceOptions two;
  two.pinCountOverride = 2;
  Instance in(example(), two);
  in.open();
  in.clearTrace();
  in.deliverStatus(1, 7);  // pin 1 exists: the update queues a deferred call
  in.deliverStatus(2, 7);  // pin 2 does not: nothing
  EXPECT_EQ((std::vector<int32_t>{hostGetSampleClock, hostQueueEvent}),
            opcodes(in.hostCalls(Side::Dsp)));
  EXPECT_TRUE(echoes(in).empty());  // "Echo" has no pin: nothing is sent
}

TEST(ExampleModule, AbsurdPinCountBuildsNoPinsAndTheObjectStillCloses) {
  for (int32_t count : {0, -1, INT32_MAX}) {
    InstanceOptions o;
    o.pinCountOverride = count;
    Instance in(example(), o);
    in.open();
    in.deliverStatus(0, 1);
    EXPECT_TRUE(echoes(in).empty()) << count;
    EXPECT_EQ(10u, in.pins().size());
    in.closeDsp();
  }
}

TEST(ExampleModule, NullDspCallbackOpensDescribesAndCloses) {
  InstanceOptions o;
  o.dspCallback = false;
  Instance in(example(), o);
  in.open();
  in.deliverStatus(0, 1);
  in.runBlock(16);
  EXPECT_TRUE(in.hostCalls(Side::Dsp).empty());
  in.closeDsp();
}

TEST(ExampleModule, DeferredCallQueuedByTheModuleRunsAtItsTime) {
  Instance in(example());
  in.open();
  in.setClock(100);
  in.deliverStatus(3, 7);  // echo 307 at 100, and a deferred call for 105
  in.runBlock(16);
  ASSERT_EQ((std::vector<int32_t>{307, 4242}), echoes(in));
  EXPECT_EQ(105, in.outputs().back().time);
}

TEST(ExampleModule, ProcessRunsOnHostBuffersAndOwnStorageHoldsTheHostBuffer) {
  Instance in(example());
  in.open();
  in.setInput(2, bitsOf(0.5f));  // "Level"
  float* input = in.buffer(5);
  for (int32_t i = 0; i < 64; ++i) input[i] = static_cast<float>(i);
  in.runBlock(64);
  const float* out = in.buffer(7);
  for (int32_t i = 0; i < 64; ++i) ASSERT_EQ(bitsOf(i * 0.5f), bitsOf(out[i])) << i;
  EXPECT_TRUE(in.guardsIntact(7));
}

TEST(ExampleModule, GuiWriteOnAGuiToDspPinReachesTheDspVariable) {
  Instance in(example());
  in.open();
  in.initialiseGui(false);
  in.setGuiPinInt(1, 4);  // the GUI object writes 40 to pin 0
  EXPECT_EQ(40, in.guiInt(0));
  in.deliverDueEvents();
  EXPECT_EQ(40u, in.variableWord(0));
  EXPECT_EQ((std::vector<int32_t>{1}), echoes(in));  // DSP pin 0, status 1
}

}  // namespace
