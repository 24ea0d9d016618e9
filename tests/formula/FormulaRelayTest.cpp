// The formula relay, driven through a real plug-in's GUI-side object: the
// exact host calls it makes, read from the simulated host's trace.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/host_callback.h"
#include "host/Instance.h"
#include "support/Plugins.h"

namespace {

using semhost::GuiNotify;
using semhost::Instance;
using semhost::InstanceOptions;
using semhost::Side;

constexpr int32_t kGuiToDsp = 0;
constexpr int32_t kFormula = 1;

const semhost::PluginLibrary& intPlugin() { return testsupport::plugin("ostrel_binary_i"); }

InstanceOptions withNotify(GuiNotify notify) {
  InstanceOptions o;
  o.notify = notify;
  return o;
}

// The GUI object's host calls as "get PIN" and "set PIN VALUE"; anything else
// is shown by its opcode so that it fails the comparison.
std::vector<std::string> guiCalls(const Instance& inst) {
  std::vector<std::string> out;
  for (const auto& e : inst.hostCalls(Side::Gui)) {
    if (e.opcode == hostGetPinValue)
      out.push_back("get " + std::to_string(e.index));
    else if (e.opcode == hostSetPinValue)
      out.push_back("set " + std::to_string(e.index) + " " + std::to_string(e.value));
    else
      out.push_back("opcode " + std::to_string(e.opcode));
  }
  return out;
}

using Calls = std::vector<std::string>;

// A Formula value as the host holds it, what the relay publishes, and whether
// it writes a corrected value back.
struct ClampCase {
  uint32_t formula;
  int32_t published;
  bool corrected;
};
const ClampCase kClampCases[] = {
    {7, 7, false},           {0, 0, false},          {15, 15, false},       {16, 15, true},
    {0xFFFFFFFFu, 0, true},  {0x7FFFFFFFu, 15, true}, {0x80000000u, 0, true},
};

Calls expectedClampCalls(const ClampCase& c) {
  Calls calls = {"get 1"};
  if (c.corrected) calls.push_back("set 1 " + std::to_string(c.published));
  calls.push_back("set 0 " + std::to_string(c.published));
  return calls;
}

TEST(FormulaRelay, InitialiseWithoutKeepingValuesResetsBothPinsBeforeReading) {
  for (const char* name : {"ostrel_binary_i", "ostrel_binary_f", "ostrel_binary_b"}) {
    Instance inst(testsupport::plugin(name), withNotify(GuiNotify::None));
    ASSERT_TRUE(inst.created());
    inst.primeGuiPin(kFormula, 9);
    inst.primeGuiPin(kGuiToDsp, 9);
    inst.clearTrace();
    inst.initialiseGui(false);
    EXPECT_EQ((Calls{"set 1 0", "set 0 0", "get 1", "set 0 0"}), guiCalls(inst)) << name;
    EXPECT_EQ(0, inst.guiInt(kFormula));
    EXPECT_EQ(0, inst.guiInt(kGuiToDsp));
  }
}

TEST(FormulaRelay, InitialiseKeepingValuesClampsAndPublishes) {
  for (const ClampCase& c : kClampCases) {
    Instance inst(intPlugin(), withNotify(GuiNotify::None));
    inst.primeGuiPin(kFormula, c.formula);
    inst.clearTrace();
    inst.initialiseGui(true);
    EXPECT_EQ(expectedClampCalls(c), guiCalls(inst)) << std::hex << c.formula;
    EXPECT_EQ(c.corrected ? static_cast<uint32_t>(c.published) : c.formula,
              inst.guiWord(kFormula));
    EXPECT_EQ(c.published, inst.guiInt(kGuiToDsp));
  }
}

TEST(FormulaRelay, ChangeOfFormulaClampsAndPublishes) {
  for (const ClampCase& c : kClampCases) {
    Instance inst(intPlugin(), withNotify(GuiNotify::None));
    inst.initialiseGui(true);
    inst.clearTrace();
    inst.setGuiPin(kFormula, c.formula);
    EXPECT_EQ(expectedClampCalls(c), guiCalls(inst)) << std::hex << c.formula;
    EXPECT_EQ(c.published, inst.guiInt(kGuiToDsp));
  }
}

TEST(FormulaRelay, ChangesOfOtherPinsMakeNoHostCall) {
  Instance inst(intPlugin(), withNotify(GuiNotify::None));
  inst.initialiseGui(true);
  inst.clearTrace();
  for (int32_t index : {0, 2, 3, 4, 5, -1, 1000, INT32_MIN})
    inst.guiDispatch(7, index, 0, nullptr, 0.0f);
  inst.setGuiPinInt(kGuiToDsp, 12);
  EXPECT_TRUE(inst.hostCalls().empty());
}

// The host reports each of the relay's own writes at once, from inside the
// write: those notifications reach the object but do nothing.
TEST(FormulaRelay, NotificationsWhileBusyMakeNoHostCall) {
  Instance inst(intPlugin(), withNotify(GuiNotify::Reentrant));
  inst.clearTrace();
  inst.initialiseGui(false);
  EXPECT_EQ((Calls{"set 1 0", "set 0 0", "get 1", "set 0 0"}), guiCalls(inst));

  inst.clearTrace();
  inst.setGuiPin(kFormula, 16);
  EXPECT_EQ((Calls{"get 1", "set 1 15", "set 0 15"}), guiCalls(inst));
  // One notification from outside and one for each of the relay's two writes.
  int32_t notifications = 0;
  for (const auto& e : inst.trace())
    if (e.direction == semhost::Direction::ToModule && e.side == Side::Gui && e.opcode == 7)
      ++notifications;
  EXPECT_EQ(3, notifications);

  // The flag is clear again afterwards: the next change is handled.
  inst.clearTrace();
  inst.setGuiPin(kFormula, 3);
  EXPECT_EQ((Calls{"get 1", "set 0 3"}), guiCalls(inst));
}

// A notification that comes after the relay returned is an ordinary change:
// the corrected Formula value is read and published once more.
TEST(FormulaRelay, NotificationAfterReturnRepublishesTheCorrectedValue) {
  Instance inst(intPlugin(), withNotify(GuiNotify::Deferred));
  inst.initialiseGui(true);
  inst.clearTrace();
  inst.setGuiPin(kFormula, 0x80000000u);
  EXPECT_EQ((Calls{"get 1", "set 1 0", "set 0 0", "get 1", "set 0 0"}), guiCalls(inst));
  EXPECT_EQ(0, inst.guiInt(kFormula));
}

}  // namespace
