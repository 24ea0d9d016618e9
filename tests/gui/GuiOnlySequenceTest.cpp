// The exact host calls of the GUI-side objects, for all three libraries, with
// a host that reports every write of the module back to it at once, from
// inside the write, as a real host may: the busy guard has to hold them off.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GuiOnlyCalls.h"
#include "support/Plugins.h"

namespace {

using guitest::Call;
using guitest::getI;
using guitest::Kind;
using guitest::setI;
using semhost::GuiNotify;
using semhost::Instance;

// A state to start from and, per kind, the values a change leads to.
struct Scenario {
  Kind kind;
  int32_t formula;     // in force at the start
  uint32_t a, b, c;    // A, B and the result of formula on them
  int32_t newFormula;  // a change of pin 0 ...
  uint32_t cFormula;   // ... gives this C
  uint32_t aRaw, aRead, cA;  // a change of an A pin to aRaw reads as aRead, gives cA
  uint32_t bRaw, bRead, cB;
  uint32_t outsideC;   // put on a C pin from outside
  uint32_t set15;      // C under "SET -> c"
  uint32_t and0;       // C under "a AND b -> c" on a and b
};

const Scenario kScenarios[] = {
    // 12 XOR 10 = 6; 12 OR 10 = 14; 5 XOR 10 = 15; 12 XOR 3 = 15.
    {guitest::kGuiInt, 4, 12, 10, 6, 1, 14, 5, 5, 15, 3, 3, 15, 99, 0xFFFFFFFFu, 8},
    // 1.0 XOR 2.0 is +infinity; -0.0 XOR 2.0 is -2.0; 1.0 XOR a signalling
    // NaN pattern is 0x40200001. All by bits.
    {guitest::kGuiFloat, 4, 0x3F800000u, 0x40000000u, 0x7F800000u, 0, 0, 0x80000000u,
     0x80000000u, 0xC0000000u, 0x7FA00001u, 0x7FA00001u, 0x40200001u, 0x12345678u,
     0xFFFFFFFFu, 0},
    // Only bit 0 of a pin counts: 0x100 reads as 0 and 3 as 1.
    {guitest::kGuiBool, 4, 1, 0, 1, 5, 0, 0x100u, 0, 0, 3u, 1, 0, 0, 1, 0},
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.kind.name; }

class GuiOnlySequence : public ::testing::TestWithParam<Scenario> {
 protected:
  const Kind& kind() const { return GetParam().kind; }
  const semhost::PluginLibrary& library() const { return testsupport::plugin(kind().library); }

  // An instance that holds the scenario's start state, initialised with
  // keepValues, its trace cleared.
  void prime(Instance& inst) const {
    const Scenario& s = GetParam();
    inst.primeGuiPin(0, static_cast<uint32_t>(s.formula));
    inst.primeGuiPin(1, s.a);
    inst.primeGuiPin(4, s.a);
    inst.primeGuiPin(2, s.b);
    inst.primeGuiPin(5, s.b);
    inst.primeGuiPin(3, s.c);
    inst.primeGuiPin(6, s.c);
    inst.initialiseGui(true);
    inst.clearTrace();
  }
};

TEST_P(GuiOnlySequence, InitialiseWithoutKeepingResetsSevenPinsThenReads) {
  const Kind& k = kind();
  Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
  for (int32_t i = 0; i < 7; ++i) inst.primeGuiPin(i, 0x11u * static_cast<uint32_t>(i + 1));
  inst.clearTrace();
  inst.initialiseGui(false);
  // A write of 0 is value 0 and opt 0 for every kind.
  std::vector<Call> expected = {setI(0, 0), k.put(1, 0), k.put(4, 0), k.put(2, 0), k.put(5, 0),
                                k.put(3, 0), k.put(6, 0), getI(0),     k.get(1),    k.get(2)};
  EXPECT_EQ(setI(3, 0), k.put(3, 0));
  if (k.publishOnInitialise) {
    expected.push_back(k.put(3, 0));
    expected.push_back(k.put(6, 0));
  }
  EXPECT_EQ(expected, guitest::guiCalls(inst));
  for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(0u, inst.guiWord(i)) << i;
}

TEST_P(GuiOnlySequence, InitialiseKeepingValuesReadsFormulaABAndLeavesTheOutputMirrors) {
  const Scenario& s = GetParam();
  const Kind& k = kind();
  Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
  inst.primeGuiPin(0, static_cast<uint32_t>(s.formula));
  inst.primeGuiPin(1, s.a);
  inst.primeGuiPin(2, s.b);
  inst.primeGuiPin(3, s.outsideC);
  inst.primeGuiPin(4, 0x4444u);
  inst.primeGuiPin(5, 0x5555u);
  inst.primeGuiPin(6, s.outsideC);
  inst.clearTrace();
  inst.initialiseGui(true);
  std::vector<Call> expected = {getI(0), k.get(1), k.get(2)};
  if (k.publishOnInitialise) {
    expected.push_back(k.put(3, s.c));
    expected.push_back(k.put(6, s.c));
  }
  EXPECT_EQ(expected, guitest::guiCalls(inst));
  EXPECT_EQ(0x4444u, inst.guiWord(4));
  EXPECT_EQ(0x5555u, inst.guiWord(5));
  const uint32_t shown = k.publishOnInitialise ? s.c : s.outsideC;
  EXPECT_EQ(shown, inst.guiWord(3));
  EXPECT_EQ(shown, inst.guiWord(6));

  // The stored C is the computed one even where it was not published: the
  // next notification, for a pin without an action, shows it.
  inst.clearTrace();
  inst.guiDispatch(guiPinChanged, 9, 0, nullptr, 0.0f);
  EXPECT_EQ((std::vector<Call>{k.put(3, s.c), k.put(6, s.c)}), guitest::guiCalls(inst));
}

// One change from outside per row, each on a fresh instance in the start state.
TEST_P(GuiOnlySequence, EachPinChangeMakesItsExactCalls) {
  const Scenario& s = GetParam();
  const Kind& k = kind();
  struct Row {
    int32_t index;
    bool fromOutside;  // false: a bare notification, the host stores nothing
    uint32_t raw;
    std::vector<Call> calls;
    std::vector<std::pair<int32_t, uint32_t>> after;  // pin, word
  };
  const std::vector<Row> rows = {
      {0, true, static_cast<uint32_t>(s.newFormula),
       {getI(0), k.put(3, s.cFormula), k.put(6, s.cFormula)},
       {{0, static_cast<uint32_t>(s.newFormula)}, {3, s.cFormula}, {6, s.cFormula}}},
      {1, true, s.aRaw,
       {k.get(1), k.put(4, s.aRead), k.put(3, s.cA), k.put(6, s.cA)},
       {{1, s.aRaw}, {4, s.aRead}, {3, s.cA}, {6, s.cA}}},
      {2, true, s.bRaw,
       {k.get(2), k.put(5, s.bRead), k.put(3, s.cB), k.put(6, s.cB)},
       {{2, s.bRaw}, {5, s.bRead}, {3, s.cB}, {6, s.cB}}},
      {3, true, s.outsideC,
       {k.put(6, s.c), k.put(3, s.c), k.put(6, s.c)},
       {{3, s.c}, {6, s.c}}},
      {4, true, s.aRaw,
       {k.get(4), k.put(1, s.aRead), k.put(3, s.cA), k.put(6, s.cA)},
       {{4, s.aRaw}, {1, s.aRead}, {3, s.cA}, {6, s.cA}}},
      {5, true, s.bRaw,
       {k.get(5), k.put(2, s.bRead), k.put(3, s.cB), k.put(6, s.cB)},
       {{5, s.bRaw}, {2, s.bRead}, {3, s.cB}, {6, s.cB}}},
      {6, true, s.outsideC,
       {k.put(3, s.c), k.put(3, s.c), k.put(6, s.c)},
       {{3, s.c}, {6, s.c}}},
      {7, false, 0, {k.put(3, s.c), k.put(6, s.c)}, {{3, s.c}, {6, s.c}}},
      {9, false, 0, {k.put(3, s.c), k.put(6, s.c)}, {{3, s.c}, {6, s.c}}},
      {-1, false, 0, {k.put(3, s.c), k.put(6, s.c)}, {{3, s.c}, {6, s.c}}},
      {INT32_MIN, false, 0, {k.put(3, s.c), k.put(6, s.c)}, {{3, s.c}, {6, s.c}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("pin " + std::to_string(row.index));
    Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
    prime(inst);
    if (row.fromOutside)
      inst.setGuiPin(row.index, row.raw);
    else
      inst.guiDispatch(guiPinChanged, row.index, 0, nullptr, 0.0f);
    EXPECT_EQ(row.calls, guitest::guiCalls(inst));
    for (const auto& [pin, word] : row.after) EXPECT_EQ(word, inst.guiWord(pin)) << "pin " << pin;
  }
}

// The whole trace of one change: every write the module makes is reported back
// into it at once, and each of those notifications makes no call at all.
TEST_P(GuiOnlySequence, NotificationsWhileBusyDoNothing) {
  const Scenario& s = GetParam();
  const Kind& k = kind();
  Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
  prime(inst);
  inst.setGuiPin(1, s.aRaw);

  struct Step {
    semhost::Direction direction;
    int32_t opcode;
    int32_t index;
  };
  using semhost::Direction;
  const Step steps[] = {
      {Direction::ToModule, guiPinChanged, 1}, {Direction::ToHost, hostGetPinValue, 1},
      {Direction::ToHost, hostSetPinValue, 4}, {Direction::ToModule, guiPinChanged, 4},
      {Direction::ToHost, hostSetPinValue, 3}, {Direction::ToModule, guiPinChanged, 3},
      {Direction::ToHost, hostSetPinValue, 6}, {Direction::ToModule, guiPinChanged, 6},
  };
  const auto& trace = inst.trace();
  ASSERT_EQ(std::size(steps), trace.size());
  for (size_t i = 0; i < trace.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(steps[i].direction, trace[i].direction);
    EXPECT_EQ(semhost::Side::Gui, trace[i].side);
    EXPECT_EQ(steps[i].opcode, trace[i].opcode);
    EXPECT_EQ(steps[i].index, trace[i].index);
  }
  EXPECT_EQ(s.aRead, inst.guiWord(4));
  EXPECT_EQ(s.cA, inst.guiWord(3));

  // The same holds inside initialise: ten writes, ten ignored notifications.
  inst.clearTrace();
  inst.initialiseGui(false);
  int32_t notifications = 0;
  for (const auto& e : inst.trace())
    if (e.direction == Direction::ToModule && e.opcode == guiPinChanged) ++notifications;
  EXPECT_EQ(k.publishOnInitialise ? 9 : 7, notifications);
  EXPECT_EQ(k.publishOnInitialise ? 12u : 10u, guitest::guiCalls(inst).size());
}

// The Formula pin outside 0..15 is written back clamped, at initialise and on
// a change; the clamped formula is the one in force.
TEST_P(GuiOnlySequence, FormulaOutOfRangeIsRewrittenAndClamped) {
  const Scenario& s = GetParam();
  const Kind& k = kind();
  struct Case {
    int32_t raw;
    int32_t clamped;
    uint32_t c;
  };
  const Case cases[] = {{16, 15, s.set15},      {INT32_MAX, 15, s.set15}, {-1, 0, s.and0},
                        {INT32_MIN, 0, s.and0}, {15, 15, s.set15},        {0, 0, s.and0}};
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.raw);
    const bool outOfRange = cs.raw != cs.clamped;
    {
      Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
      inst.primeGuiPin(0, static_cast<uint32_t>(cs.raw));
      inst.primeGuiPin(1, s.a);
      inst.primeGuiPin(2, s.b);
      inst.initialiseGui(true);
      std::vector<Call> expected = {getI(0)};
      if (outOfRange) expected.push_back(setI(0, cs.clamped));
      expected.push_back(k.get(1));
      expected.push_back(k.get(2));
      if (k.publishOnInitialise) {
        expected.push_back(k.put(3, cs.c));
        expected.push_back(k.put(6, cs.c));
      }
      EXPECT_EQ(expected, guitest::guiCalls(inst));
      EXPECT_EQ(static_cast<uint32_t>(cs.clamped), inst.guiWord(0));
    }
    {
      Instance inst(library(), guitest::notifying(GuiNotify::Reentrant));
      prime(inst);
      inst.setGuiPinInt(0, cs.raw);
      std::vector<Call> expected = {getI(0)};
      if (outOfRange) expected.push_back(setI(0, cs.clamped));
      expected.push_back(k.put(3, cs.c));
      expected.push_back(k.put(6, cs.c));
      EXPECT_EQ(expected, guitest::guiCalls(inst));
      EXPECT_EQ(static_cast<uint32_t>(cs.clamped), inst.guiWord(0));
      EXPECT_EQ(cs.c, inst.guiWord(3));
      EXPECT_EQ(cs.c, inst.guiWord(6));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, GuiOnlySequence, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.kind.name); });

}  // namespace
