// The Int, Float and Bool modules driven end to end as a host drives them:
// both objects made, the GUI side initialised, "Formula" chosen on the GUI
// side and carried by the relay to "GUI 2 DSP", A and B written with their
// events, and C read back with status and time stamp from what the DSP object
// sent.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/dsp_record.h"
#include "framework/host_callback.h"
#include "framework/pin_description.h"
#include "host/Instance.h"
#include "support/Bits.h"
#include "support/Plugins.h"

namespace {

using semhost::Instance;
using semhost::InstanceOptions;
using semhost::OutputChange;
using semhost::Side;
using testsupport::bitsOf;

// Pin list positions, and the DSP pin index of "C".
constexpr int32_t kGuiToDsp = 0;
constexpr int32_t kFormula = 1;
constexpr int32_t kA = 2;
constexpr int32_t kB = 3;
constexpr int32_t kC = 4;
constexpr int32_t kDspC = 3;

constexpr int32_t kT = 1000;  // the clock the instances start at

const semhost::PluginLibrary& lib(const char* name) { return testsupport::plugin(name); }

// One instance, GUI side initialised (the relay publishes formula 0 before
// the DSP side opens, so nothing is pending), then opened.
struct Rig {
  explicit Rig(const char* plugin, InstanceOptions options = defaults())
      : inst(lib(plugin), options) {
    inst.initialiseGui(false);
    inst.open();
    inst.clearOutputs();
    inst.clearTrace();
  }
  static InstanceOptions defaults() {
    InstanceOptions o;
    o.startClock = kT;
    return o;
  }
  // The user picks a formula; the relay's write reaches the DSP side as an
  // event, delivered here.
  void chooseFormula(int32_t k) {
    inst.setGuiPinInt(kFormula, k);
    inst.deliverDueEvents();
  }
  // The output changes since the last call, forgotten afterwards.
  std::vector<OutputChange> take() {
    auto out = inst.outputs();
    inst.clearOutputs();
    return out;
  }

  Instance inst;
};

// Every announcement is for "C" with status 1 (changed once).
void expectAnnouncesC(const std::vector<OutputChange>& changes) {
  for (const auto& c : changes) {
    EXPECT_EQ(kDspC, c.dspIndex);
    EXPECT_EQ(statusChanged, c.status);
  }
}

// ------------------------------------------------------------ texts and pins

struct Texts {
  const char* plugin;
  const char* name;
  const char* about;
};

const Texts kTexts[] = {
    {"ostrel_binary_i", "Ostrel Binary Int",
     "Ostrel Binary Int, v1.0.0\n"
     "By Tovin Ashgrove, 07-Oct-06\n"
     "\n"
     "Website: https://ostrel.example/\n"
     "\n"
     "Email: tovin@ostrel.example\n"
     "\n"
     "This module allows various binary functions to be performed with Int pins.\n"
     "\n"
     "Formula chooses the formula you wish to perform.\n"
     "A, B, and C are the inputs/outputs for the formulas.\n"
     "\n"
     "Note that this module operates at the bit level of the integer, so unexpected results may\n"
     "     occur, if this is not taken into account."},
    {"ostrel_binary_f", "Ostrel Binary Float",
     "Ostrel Binary Float, v1.0.0\n"
     "By Tovin Ashgrove, 07-Oct-06\n"
     "\n"
     "Website: https://ostrel.example/\n"
     "\n"
     "Email: tovin@ostrel.example\n"
     "\n"
     "This module allows various binary functions to be performed with Float pins.\n"
     "\n"
     "Formula chooses the formula you wish to perform.\n"
     "A, B, and C are the inputs/outputs for the formulas.\n"
     "\n"
     "Note that this module operates at the bit level of the integer, so unexpected results may\n"
     "     occur, if this is not taken into account."},
    {"ostrel_binary_b", "Ostrel Binary Bool",
     "Ostrel Binary Bool, v1.0.0\n"
     "By Tovin Ashgrove, 07-Oct-06\n"
     "\n"
     "Website: https://ostrel.example/\n"
     "\n"
     "Email: tovin@ostrel.example\n"
     "\n"
     "This module allows various binary functions to be performed with Bool pins.\n"
     "\n"
     "Formula chooses the formula you wish to perform.\n"
     "A, B, and C are the inputs/outputs for the formulas."},
};

TEST(ValueModuleTexts, NameIdentifierAndAboutAreExact) {
  for (const Texts& t : kTexts) {
    const ModuleProperties p = lib(t.plugin).properties();
    EXPECT_STREQ(t.name, p.name) << t.plugin;
    EXPECT_STREQ(t.name, p.identifier) << t.plugin;
    EXPECT_STREQ(t.about, p.about) << t.plugin;
    EXPECT_EQ(2230, p.interfaceVersion);
  }
}

constexpr char kListText[] =
    "a AND b -> c,a OR b -> c,a NAND b -> c,a NOR b -> c, a XOR b -> c,a XNOR b -> c,"
    "a -> c,b -> c, NOT a -> c, NOT b -> c,a AND !b -> c,!a AND b -> c,a OR !b -> c,"
    "!a OR b -> c,CLEAR -> c,SET -> c";

// The description of pin index, asked through the real dispatcher on a record
// filled with a pattern, so fields the module leaves alone show as the pattern.
PinDescription describeOnPattern(DspHostRecord* rec, int32_t index, intptr_t* result) {
  PinDescription d;
  std::memset(&d, 0xA5, sizeof d);
  *result = rec->dispatcher(rec, dspDescribePin, index, 0, &d, 0.0f);
  return d;
}

bool isPattern(const void* field, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(field);
  for (size_t k = 0; k < size; ++k)
    if (bytes[k] != 0xA5) return false;
  return true;
}

TEST(ValuePins, EachPinWritesExactlyItsFields) {
  struct Plugin {
    const char* name;
    int32_t datatype;
  };
  for (const Plugin pl : {Plugin{"ostrel_binary_i", Int}, Plugin{"ostrel_binary_f", Float},
                          Plugin{"ostrel_binary_b", Bool}}) {
    SCOPED_TRACE(pl.name);
    Instance inst(lib(pl.name));
    ASSERT_TRUE(inst.created());
    DspHostRecord* rec = inst.dspRecord();

    struct Expected {
      const char* name;
      int32_t direction, datatype;
      const char* defaultText;  // null: not written
      const char* listText;     // null: not written
      uint32_t flags;           // 0: not written
    };
    const Expected pins[5] = {
        {"GUI 2 DSP", pinInput, Int, nullptr, nullptr, 0x28500},
        {"Formula", pinInput, List, "0", kListText, 0x400},
        {"A", pinInput, pl.datatype, "0", nullptr, 0},
        {"B", pinInput, pl.datatype, "0", nullptr, 0},
        {"C", pinOutput, pl.datatype, "0", nullptr, 0},
    };
    for (int32_t k = 0; k < 5; ++k) {
      SCOPED_TRACE(k);
      intptr_t result = 0;
      const PinDescription d = describeOnPattern(rec, k, &result);
      EXPECT_EQ(1, result);
      EXPECT_STREQ(pins[k].name, d.name);
      EXPECT_EQ(pins[k].direction, d.direction);
      EXPECT_EQ(pins[k].datatype, d.datatype);
      // Each pin has a variable of its own inside the object.
      EXPECT_FALSE(isPattern(&d.valuePtr, sizeof d.valuePtr));
      EXPECT_EQ(inst.pins()[static_cast<size_t>(k)].valuePtr, d.valuePtr);
      if (pins[k].defaultText) EXPECT_STREQ(pins[k].defaultText, d.defaultText);
      else EXPECT_TRUE(isPattern(&d.defaultText, sizeof d.defaultText));
      if (pins[k].listText) EXPECT_STREQ(pins[k].listText, d.listText);
      else EXPECT_TRUE(isPattern(&d.listText, sizeof d.listText));
      if (pins[k].flags) EXPECT_EQ(pins[k].flags, d.flags);
      else EXPECT_TRUE(isPattern(&d.flags, sizeof d.flags));
      EXPECT_TRUE(isPattern(&d.reserved, sizeof d.reserved));
    }
    for (int32_t k = 0; k < 4; ++k)
      for (int32_t j = k + 1; j < 5; ++j)
        EXPECT_NE(inst.pins()[static_cast<size_t>(k)].valuePtr,
                  inst.pins()[static_cast<size_t>(j)].valuePtr);
    // "Formula" is a GUI-side pin only: the DSP pins are GUI 2 DSP, A, B, C.
    EXPECT_EQ(4, inst.dspPinCount());
    EXPECT_EQ(kDspC, inst.pins()[kC].dspIndex);
  }
}

TEST(ValuePins, OtherIndicesFailAndLeaveTheRecordUntouched) {
  for (const char* name : {"ostrel_binary_i", "ostrel_binary_f", "ostrel_binary_b"}) {
    Instance inst(lib(name));
    for (int32_t index : {5, 6, -1, INT32_MIN, INT32_MAX}) {
      intptr_t result = 1;
      const PinDescription d = describeOnPattern(inst.dspRecord(), index, &result);
      EXPECT_EQ(0, result) << name << " " << index;
      EXPECT_TRUE(isPattern(&d, sizeof d)) << name << " " << index;
    }
    // A host that passes no record gets a refusal, not a crash.
    EXPECT_EQ(0, inst.dspDispatch(dspDescribePin, 0, 0, nullptr, 0.0f)) << name;
  }
}

TEST(ValuePins, IntAndFloatDifferOnlyInTheDatatypeOfABAndC) {
  Instance i(lib("ostrel_binary_i")), f(lib("ostrel_binary_f"));
  ASSERT_EQ(5u, i.pins().size());
  ASSERT_EQ(5u, f.pins().size());
  for (size_t k = 0; k < 5; ++k) {
    const auto &pi = i.pins()[k], &pf = f.pins()[k];
    EXPECT_EQ(pi.name, pf.name);
    EXPECT_EQ(pi.direction, pf.direction);
    EXPECT_EQ(pi.flags, pf.flags);
    EXPECT_EQ(pi.hasDefault, pf.hasDefault);
    EXPECT_EQ(pi.defaultText, pf.defaultText);
    EXPECT_EQ(pi.hasList, pf.hasList);
    EXPECT_EQ(pi.listText, pf.listText);
    EXPECT_EQ(pi.dspIndex, pf.dspIndex);
    EXPECT_EQ(k >= 2 ? Int : pi.datatype, pi.datatype);
    EXPECT_EQ(k >= 2 ? Float : pi.datatype, pf.datatype);
  }
}

// ------------------------------------------------------------ lifecycle

TEST(ValueModules, OpenInstallsTheSleepRoutineAndTheFirstBlockSleeps) {
  for (const char* name : {"ostrel_binary_i", "ostrel_binary_f", "ostrel_binary_b"}) {
    SCOPED_TRACE(name);
    Instance inst(lib(name));
    inst.clearTrace();
    inst.open();
    std::vector<int32_t> opcodes;
    for (const auto& e : inst.hostCalls(Side::Dsp)) opcodes.push_back(e.opcode);
    EXPECT_EQ((std::vector<int32_t>{hostProcessChanged, hostGetPinCount}), opcodes);
    EXPECT_EQ(1, inst.processChanges());

    inst.clearTrace();
    inst.runBlock(64);
    inst.runBlock(64);
    EXPECT_EQ(1, inst.sleepRequests());
    ASSERT_EQ(1u, inst.hostCalls(Side::Dsp).size());
    EXPECT_EQ(hostSleep, inst.hostCalls(Side::Dsp)[0].opcode);
    EXPECT_TRUE(inst.outputs().empty());
  }
}

// ------------------------------------------------------------ Int and Float

TEST(IntModule, FiveAndThreeOverAllFormulasChosenOnTheGuiSide) {
  const int32_t expected[16] = {1, 7, -2, -8, 6, -7, 5, 3, -6, -4, 4, 2, -3, -5, 0, -1};
  Rig rig("ostrel_binary_i");
  rig.inst.setInput(kA, 5);
  rig.inst.setInput(kB, 3);
  rig.take();
  for (int32_t k = 0; k < 16; ++k) {
    rig.chooseFormula(k);
    EXPECT_EQ(static_cast<uint32_t>(k), rig.inst.variableWord(kGuiToDsp));
    const auto out = rig.take();
    ASSERT_EQ(1u, out.size()) << k;
    expectAnnouncesC(out);
    EXPECT_EQ(expected[k], static_cast<int32_t>(out[0].word)) << k;
    EXPECT_EQ(out[0].word, rig.inst.variableWord(kC)) << k;
  }
}

TEST(FloatModule, PatternsOfOneAndTwoPassUnconverted) {
  struct Case {
    int32_t formula;
    uint32_t c;
  };
  const Case cases[] = {{0, 0x00000000}, {1, 0x7F800000}, {4, 0x7F800000}, {8, 0xC07FFFFF},
                        {9, 0xBFFFFFFF}, {14, 0x00000000}, {15, 0xFFFFFFFF}, {3, 0x807FFFFF}};
  Rig rig("ostrel_binary_f");
  rig.inst.setInput(kA, bitsOf(1.0f));
  rig.inst.setInput(kB, bitsOf(2.0f));
  for (const Case& c : cases) {
    rig.take();
    rig.chooseFormula(c.formula);
    const auto out = rig.take();
    ASSERT_EQ(1u, out.size()) << c.formula;
    expectAnnouncesC(out);
    EXPECT_EQ(c.c, out[0].word) << c.formula;
  }
}

// "a -> c" carries A's 32 bits as they are: -0.0, quiet and signalling NaNs,
// infinity and denormals included.
TEST(FloatModule, ACopiedToCKeepsEveryPattern) {
  Rig rig("ostrel_binary_f");
  rig.chooseFormula(6);
  for (uint32_t a : {0x80000000u, 0x7FC00000u, 0xFFC00001u, 0x7F800001u, 0xFF800123u,
                     0x7F800000u, 0x00000001u, 0x807FFFFFu}) {
    rig.take();
    rig.inst.setInput(kA, a);
    const auto out = rig.take();
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(a, out[0].word) << std::hex << a;
    EXPECT_EQ(a, rig.inst.variableWord(kC)) << std::hex << a;
  }
}

TEST(IntAndFloatModules, FirstAnnouncementsAfterOpenAreStampedAheadThenAtTheClock) {
  for (const char* name : {"ostrel_binary_i", "ostrel_binary_f"}) {
    SCOPED_TRACE(name);
    Rig rig(name);
    rig.inst.setInput(kA, 5);                  // first evaluation
    rig.inst.setInput(kB, 3);                  // second
    rig.chooseFormula(4);                      // third, through the relay
    rig.inst.deliverStatus(kGuiToDsp, statusChanged);  // fourth: "GUI 2 DSP" alone
    rig.inst.setInput(kA, 6);                  // fifth
    const auto out = rig.take();
    ASSERT_EQ(5u, out.size());
    expectAnnouncesC(out);
    const int32_t times[5] = {kT + 3, kT + 2, kT + 1, kT, kT};
    for (size_t k = 0; k < 5; ++k) {
      EXPECT_EQ(times[k], out[k].time) << k;
      EXPECT_EQ(kT, out[k].clock) << k;
    }
    EXPECT_EQ(6u ^ 3u, out[4].word);

    // Each evaluation reads the clock, then announces C: no other host call.
    rig.inst.clearTrace();
    rig.inst.setInput(kB, 1);
    const auto calls = rig.inst.hostCalls(Side::Dsp);
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(hostGetSampleClock, calls[0].opcode);
    EXPECT_EQ(hostPinStatusChange, calls[1].opcode);
    EXPECT_EQ(kDspC, calls[1].index);
    EXPECT_EQ(statusChanged, calls[1].value);
    EXPECT_EQ(kT, static_cast<int32_t>(calls[1].ptr));
    EXPECT_EQ(0u, bitsOf(calls[1].opt));
  }
}

// Events queued inside a block are handled at their own sample time, and the
// module wakes from its sleep for them.
TEST(IntModule, QueuedInputsAreStampedWithTheirSampleTime) {
  Rig rig("ostrel_binary_i");
  rig.inst.runBlock(32);
  rig.inst.queueInput(kA, 12, statusChanged, kT + 40);
  rig.inst.queueInput(kB, 10, statusChanged, kT + 50);
  rig.inst.runBlock(64);
  const auto out = rig.take();
  ASSERT_EQ(2u, out.size());
  expectAnnouncesC(out);
  EXPECT_EQ(kT + 40 + 3, out[0].time);
  EXPECT_EQ(kT + 50 + 2, out[1].time);
  EXPECT_EQ(12u & 10u, out[1].word);
}

TEST(IntAndFloatModules, IndexOutsideTheTableGivesZeroAndStillAnnounces) {
  for (const char* name : {"ostrel_binary_i", "ostrel_binary_f"}) {
    Rig rig(name);
    rig.inst.setInput(kA, 0x3F800000u);
    rig.inst.setInput(kB, 0x40000000u);
    for (uint32_t index : {16u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
      rig.chooseFormula(1);
      rig.take();
      rig.inst.setInput(kGuiToDsp, index);
      const auto out = rig.take();
      ASSERT_EQ(1u, out.size()) << name << " " << std::hex << index;
      expectAnnouncesC(out);
      EXPECT_EQ(0u, out[0].word) << name << " " << std::hex << index;
    }
  }
}

// The relay clamps what the user enters before the DSP side sees it.
TEST(IntModule, FormulaOutOfRangeOnTheGuiSideReachesTheDspSideClamped) {
  Rig rig("ostrel_binary_i");
  rig.inst.setInput(kA, 5);
  rig.inst.setInput(kB, 3);
  rig.chooseFormula(16);
  EXPECT_EQ(15, rig.inst.guiInt(kFormula));
  EXPECT_EQ(15u, rig.inst.variableWord(kGuiToDsp));
  EXPECT_EQ(0xFFFFFFFFu, rig.inst.variableWord(kC));
  rig.chooseFormula(-1);
  EXPECT_EQ(0, rig.inst.guiInt(kFormula));
  EXPECT_EQ(0u, rig.inst.variableWord(kGuiToDsp));
  EXPECT_EQ(1u, rig.inst.variableWord(kC));
}

// ------------------------------------------------------------ Bool

// Result of each formula for (a, b) = (0,0), (0,1), (1,0), (1,1).
const char* const kTruthTable[16] = {
    "0001", "0111", "1110", "1000", "0110", "1001", "0011", "0101",
    "1100", "1010", "0010", "0100", "1011", "1101", "0000", "1111",
};

TEST(BoolModule, EveryEvaluationAnnouncesTheInverseAtTheClockThenTheResult) {
  Rig rig("ostrel_binary_b");
  for (int32_t k = 0; k < 16; ++k) {
    rig.chooseFormula(k);
    for (uint32_t ab = 0; ab < 4; ++ab) {
      SCOPED_TRACE(testing::Message() << "formula " << k << " ab " << ab);
      rig.inst.setInput(kA, ab >> 1);
      rig.take();
      rig.inst.setInput(kB, ab & 1u);
      const uint32_t x = static_cast<uint32_t>(kTruthTable[k][ab] - '0');
      const auto out = rig.take();
      ASSERT_EQ(2u, out.size());
      expectAnnouncesC(out);
      EXPECT_EQ(1u - x, out[0].word);
      EXPECT_EQ(kT, out[0].time);
      EXPECT_EQ(x, out[1].word);
      EXPECT_EQ(kT + 1, out[1].time);
      EXPECT_EQ(x, rig.inst.variableWord(kC));
    }
  }
}

TEST(BoolModule, HostCallsOfOneEvaluationAndNoStartupOffset) {
  Rig rig("ostrel_binary_b");
  rig.inst.setInput(kA, 1);  // the first evaluation after open: formula 0, B false
  const auto calls = rig.inst.hostCalls(Side::Dsp);
  ASSERT_EQ(4u, calls.size());
  EXPECT_EQ(hostGetSampleClock, calls[0].opcode);
  EXPECT_EQ(hostPinStatusChange, calls[1].opcode);
  EXPECT_EQ(hostGetSampleClock, calls[2].opcode);
  EXPECT_EQ(hostPinStatusChange, calls[3].opcode);
  for (size_t k : {1u, 3u}) {
    EXPECT_EQ(kDspC, calls[k].index);
    EXPECT_EQ(statusChanged, calls[k].value);
    EXPECT_EQ(0u, bitsOf(calls[k].opt));
  }
  EXPECT_EQ(kT, static_cast<int32_t>(calls[1].ptr));
  EXPECT_EQ(kT + 1, static_cast<int32_t>(calls[3].ptr));
  const auto out = rig.take();
  ASSERT_EQ(2u, out.size());
  EXPECT_EQ(1u, out[0].word);
  EXPECT_EQ(0u, out[1].word);

  // The same inputs again show the same pulse.
  rig.inst.deliverStatus(kGuiToDsp, statusChanged);
  const auto again = rig.take();
  ASSERT_EQ(2u, again.size());
  EXPECT_EQ(1u, again[0].word);
  EXPECT_EQ(kT, again[0].time);
  EXPECT_EQ(0u, again[1].word);
  EXPECT_EQ(kT + 1, again[1].time);
}

// Only bit 0 of an input cell counts, and C is always the whole word 0 or 1.
TEST(BoolModule, OnlyBitZeroOfACellIsReadAndCIsZeroOrOne) {
  struct Case {
    int32_t formula;
    uint32_t a, b;
    uint32_t c;
  };
  const Case cases[] = {
      {0, 0xFFFFFF01u, 0x00000100u, 0},  // true AND false
      {1, 0xFFFFFF01u, 0x00000100u, 1},  // true OR false
      {9, 0xFFFFFF01u, 0x00000100u, 1},  // NOT b: b false
      {8, 0xFFFFFF00u, 0xFFFFFFFFu, 1},  // NOT a: a false
      {2, 0x00000101u, 0xFFFFFFFFu, 0},  // NAND of two trues
      {15, 0x00000000u, 0x00000000u, 1},
      {14, 0xFFFFFFFFu, 0xFFFFFFFFu, 0},
      {5, 0xFFFFFFFEu, 0x00000000u, 1},  // XNOR of two falses
  };
  Rig rig("ostrel_binary_b");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    rig.chooseFormula(c.formula);
    rig.inst.pokeVariable(kA, c.a);
    rig.inst.pokeVariable(kB, c.b);
    rig.take();
    rig.inst.deliverStatus(1, statusChanged);  // an event on A, value already in place
    const auto out = rig.take();
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(1u - c.c, out[0].word);
    EXPECT_EQ(c.c, out[1].word);
    EXPECT_EQ(c.c, rig.inst.variableWord(kC));
  }
}

TEST(BoolModule, IndexOutsideTheTableGivesFalse) {
  Rig rig("ostrel_binary_b");
  rig.inst.setInput(kA, 1);
  rig.inst.setInput(kB, 1);
  for (uint32_t index : {16u, 0xFFFFFFFFu, 0x80000000u}) {
    rig.take();
    rig.inst.setInput(kGuiToDsp, index);
    const auto out = rig.take();
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(1u, out[0].word);
    EXPECT_EQ(0u, out[1].word);
  }
}

// ------------------------------------------------------------ too few pins

// A host that reports fewer than four DSP pins at open, or gives the DSP side
// no callback at all: evaluations still store C, but nothing is announced for
// a pin that was never built.
TEST(ValueModules, FewerDspPinsStoreCAndAnnounceNothing) {
  struct Plugin {
    const char* name;
    uint32_t a, b, c;  // inputs and C under formula 1 (OR)
  };
  for (const Plugin pl : {Plugin{"ostrel_binary_i", 5, 3, 7},
                          Plugin{"ostrel_binary_f", 0x3F800000u, 0x40000000u, 0x7F800000u},
                          Plugin{"ostrel_binary_b", 0, 1, 1}}) {
    for (int32_t count : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << pl.name << " count " << count);
      InstanceOptions o = Rig::defaults();
      o.pinCountOverride = count;
      Rig rig(pl.name, o);
      rig.chooseFormula(1);
      rig.inst.setInput(kA, pl.a);
      rig.inst.pokeVariable(kB, pl.b);
      rig.inst.deliverStatus(kGuiToDsp, statusChanged);
      rig.inst.deliverStatus(kDspC, statusChanged);  // no such pin: ignored
      EXPECT_EQ(pl.c, rig.inst.variableWord(kC));
      EXPECT_TRUE(rig.inst.outputs().empty());
      for (const auto& e : rig.inst.hostCalls(Side::Dsp))
        EXPECT_NE(hostPinStatusChange, e.opcode);
    }

    // No pin array at all: events find no pin and nothing reaches the host.
    for (const bool callback : {false, true}) {
      SCOPED_TRACE(testing::Message() << pl.name << (callback ? " count 0" : " no callback"));
      InstanceOptions o = Rig::defaults();
      o.dspCallback = callback;
      o.pinCountOverride = 0;
      Rig rig(pl.name, o);
      rig.inst.setInput(kA, pl.a);
      rig.inst.setInput(kB, pl.b);
      rig.inst.deliverStatus(kDspC, statusChanged);
      rig.inst.runBlock(16);
      EXPECT_TRUE(rig.inst.outputs().empty());
      for (const auto& e : rig.inst.hostCalls(Side::Dsp))
        EXPECT_NE(hostPinStatusChange, e.opcode);
    }
  }
}

}  // namespace
