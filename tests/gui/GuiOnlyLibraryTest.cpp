// The three GUI-only libraries through their exports: properties and texts,
// and the DSP-side object that only describes the pins and sleeps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "GuiOnlyCalls.h"
#include "formula/Formula.h"
#include "framework/dsp_record.h"
#include "support/Plugins.h"

namespace {

using guitest::Kind;
using semhost::Instance;
using semhost::Side;

class GuiOnlyLibrary : public ::testing::TestWithParam<Kind> {
 protected:
  const semhost::PluginLibrary& library() const { return testsupport::plugin(GetParam().library); }
};

std::string aboutText(const std::string& kind, const char* note) {
  return "Ostrel Binary " + kind +
         ", v1.0.0\n"
         "By Tovin Ashgrove, 05-Oct-06\n"
         "\n"
         "Website: https://ostrel.example/\n"
         "\n"
         "Email: tovin@ostrel.example\n"
         "\n"
         "This module allows various binary functions to be performed with " +
         kind +
         " pins.\n"
         "\n"
         "Formula chooses the formula you wish to perform.\n"
         "A, B, and C are the inputs/outputs for the formulas." +
         note;
}

TEST_P(GuiOnlyLibrary, PropertiesNameTheModuleWithOneTextAndItsAbout) {
  const Kind& kind = GetParam();
  ModuleProperties p;
  std::memset(&p, 0x5A, sizeof p);
  const int32_t keep12 = p.hostField12, keep16 = p.hostField16;
  ASSERT_EQ(1, library().getModuleProperties()(0, &p));
  EXPECT_EQ("Ostrel Binary " + std::string(kind.name), p.name);
  EXPECT_EQ(p.name, p.identifier);
  EXPECT_EQ(2230, p.interfaceVersion);
  EXPECT_EQ(keep12, p.hostField12);
  EXPECT_EQ(keep16, p.hostField16);

  std::string expected;
  if (kind.datatype == Int)
    expected = aboutText(kind.name,
                         "\n\nNote that this module operates at the bit level of the integer, so "
                         "unexpected results may\n     occur, if this is not taken into account.");
  else if (kind.datatype == Float)
    expected = aboutText(kind.name,
                         "\n\nNote that this module operates at the bit level of the float value, "
                         "so unexpected\n     results may occur, if this is not taken into account.");
  else
    expected = aboutText(kind.name, "");
  EXPECT_EQ(expected, p.about);

  ModuleProperties q;
  std::memset(&q, 0, sizeof q);
  EXPECT_EQ(0, library().getModuleProperties()(1, &q));
  EXPECT_EQ(nullptr, q.name);
  EXPECT_EQ(2230, q.interfaceVersion);
}

TEST_P(GuiOnlyLibrary, DescribesSevenGuiSidePinsAndNoMore) {
  const Kind& kind = GetParam();
  Instance inst(library());
  ASSERT_TRUE(inst.created());
  struct Row {
    const char* name;
    int32_t direction;
  };
  const Row rows[] = {{"Formula", pinInput}, {"A", pinInput},  {"B", pinInput}, {"C", pinInput},
                      {"A", pinOutput},      {"B", pinOutput}, {"C", pinOutput}};
  ASSERT_EQ(7u, inst.pins().size());
  for (int32_t i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    const semhost::PinInfo& p = inst.pins()[static_cast<size_t>(i)];
    EXPECT_EQ(rows[i].name, p.name);
    EXPECT_EQ(rows[i].direction, p.direction);
    EXPECT_EQ(i == 0 ? List : kind.datatype, p.datatype);
    EXPECT_TRUE(p.hasDefault);
    EXPECT_EQ("0", p.defaultText);
    EXPECT_EQ(i == 0, p.hasList);
    if (i == 0) {
      EXPECT_EQ(formula::kListText, p.listText);
      EXPECT_EQ(16u, p.listItems().size());
    }
    EXPECT_EQ(0x400u, p.flags);
    EXPECT_EQ(-1, p.dspIndex);
    EXPECT_EQ(nullptr, p.valuePtr);
  }
  EXPECT_EQ(0, inst.dspPinCount());

  PinDescription d;
  for (int32_t index : {7, 8, 100, -1, INT32_MIN}) {
    std::memset(&d, 0, sizeof d);
    EXPECT_EQ(0, inst.dspDispatch(dspDescribePin, index, 0, &d, 0.0f)) << index;
  }
}

TEST_P(GuiOnlyLibrary, DescribePinLeavesTheFieldsItDoesNotNeedAsTheHostHadThem) {
  Instance inst(library());
  int32_t hostVariable = 0;
  const char* hostList = "host list";
  for (int32_t i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    PinDescription d;
    std::memset(&d, 0, sizeof d);
    d.valuePtr = &hostVariable;
    d.listText = hostList;
    d.reserved = 0x1234;
    ASSERT_EQ(1, inst.dspDispatch(dspDescribePin, i, 0, &d, 0.0f));
    EXPECT_EQ(&hostVariable, d.valuePtr);
    EXPECT_EQ(0x1234, d.reserved);
    if (i == 0)
      EXPECT_STREQ(formula::kListText, d.listText);
    else
      EXPECT_EQ(hostList, d.listText);
  }
}

// The DSP side has no pins: open installs sleepProcess (the host hears
// hostProcessChanged) and asks for the pin count, which the host answers 0;
// the first process call asks the host to sleep, and a sleeping module is not
// called again.
TEST_P(GuiOnlyLibrary, OpenInstallsASleepingProcessAndBuildsNoPins) {
  Instance inst(library());
  inst.clearTrace();
  inst.open();
  const auto openCalls = inst.hostCalls(Side::Dsp);
  ASSERT_EQ(2u, openCalls.size());
  EXPECT_EQ(hostProcessChanged, openCalls[0].opcode);
  EXPECT_EQ(0, openCalls[0].index);
  EXPECT_EQ(0, openCalls[0].value);
  EXPECT_EQ(0, openCalls[0].ptr);
  EXPECT_EQ(hostGetPinCount, openCalls[1].opcode);
  EXPECT_EQ(1, inst.processChanges());
  ASSERT_NE(nullptr, inst.processEntry());
  EXPECT_EQ(inst.processEntry(), inst.dspRecord()->process);

  const auto* info =
      reinterpret_cast<const ProcessInfo*>(inst.dspDispatch(dspGetProcessInfo, 0, 0, nullptr, 0));
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(inst.processEntry(), info->entries->entry);
  EXPECT_EQ(0, info->entries->word1);
  EXPECT_EQ(0, info->entries->word2);
  EXPECT_EQ(0, info->entries->word3);

  inst.clearTrace();
  inst.runBlock(100);
  const auto firstBlock = inst.hostCalls(Side::Dsp);
  ASSERT_EQ(1u, firstBlock.size());
  EXPECT_EQ(hostSleep, firstBlock[0].opcode);
  EXPECT_EQ(0, firstBlock[0].index);
  EXPECT_EQ(0, firstBlock[0].value);
  EXPECT_EQ(0, firstBlock[0].ptr);
  EXPECT_TRUE(inst.sleeping());

  inst.clearTrace();
  inst.runBlock(100);
  EXPECT_TRUE(inst.trace().empty());
  EXPECT_EQ(1, inst.sleepRequests());
}

// A host that reports DSP pins anyway, then sends events for them: nothing
// reaches the module and nothing is called on the host.
TEST_P(GuiOnlyLibrary, EventsForPinsItNeverHadAreIgnored) {
  semhost::InstanceOptions options;
  options.pinCountOverride = 3;
  Instance inst(library(), options);
  inst.open();
  inst.clearTrace();
  for (int32_t dspIndex : {0, 2, 3, -1}) inst.deliverStatus(dspIndex, statusChanged);
  EXPECT_TRUE(inst.hostCalls().empty());
  EXPECT_TRUE(inst.outputs().empty());
}

INSTANTIATE_TEST_SUITE_P(All, GuiOnlyLibrary,
                         ::testing::Values(guitest::kGuiInt, guitest::kGuiFloat, guitest::kGuiBool),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
