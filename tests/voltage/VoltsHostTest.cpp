// The three voltage plug-ins as a host sees them: texts and pins, the open
// sequence, routine selection by input status with its host calls, the
// countdown to hostSleep, the marked fills, formula and Cap changes, the
// worked values, and a host that misbehaves.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "formula/Formula.h"
#include "framework/host_callback.h"
#include "modules/Maker.h"
#include "voltage/VoltsHarness.h"

namespace {

using namespace voltstest;
using semhost::Side;
using semhost::TraceEntry;
using testsupport::bitsOf;

class VoltsEachModule : public ::testing::TestWithParam<const Module*> {
 protected:
  const Module& m() const { return *GetParam(); }
};

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

std::string expectedAbout(const Module& m) {
  std::vector<std::string> lines = {
      std::string(m.name) + ", v1.0.0",
      "By Tovin Ashgrove, 07-Oct-06",
      "",
      std::string("Website: ") + OSTREL_WEBSITE,
      "",
      std::string("Email: ") + OSTREL_EMAIL,
      "",
      "This module allows various binary functions to be performed with Voltage pins.",
      "",
      "Formula chooses the formula you wish to perform.",
      "A, B, and C are the inputs/outputs for the formulas."};
  if (m.variant == Variant::Cap)
    lines.push_back("Cap is used to cap the output value to a reasonable limit, between Cap and -Cap.");
  lines.insert(lines.end(), {"", "Formula changes take effect immediately.", ""});
  if (m.variant == Variant::Dn) {
    lines.push_back("This version does strip denormals before outputting the new voltage.");
  } else {
    lines.push_back(
        "WARNING: This module can produce numerous denormals quite easily, so follow it with a");
    lines.push_back(
        "     Denormal Cleaner module to prevent other modules from being adversely affected.");
  }
  return joinLines(lines);
}

// The DSP side's calls to the host, as (opcode, index, value, time) rows.
struct Call {
  int32_t opcode, index, value;
  intptr_t ptr;
};
std::vector<Call> dspCalls(const semhost::Instance& inst) {
  std::vector<Call> out;
  for (const TraceEntry& e : inst.hostCalls(Side::Dsp)) out.push_back({e.opcode, e.index, e.value, e.ptr});
  return out;
}
void expectCalls(const std::vector<Call>& want, const semhost::Instance& inst, const std::string& what) {
  const auto got = dspCalls(inst);
  ASSERT_EQ(want.size(), got.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(want[i].opcode, got[i].opcode) << what << ", call " << i;
    EXPECT_EQ(want[i].index, got[i].index) << what << ", call " << i;
    EXPECT_EQ(want[i].value, got[i].value) << what << ", call " << i;
    EXPECT_EQ(want[i].ptr, got[i].ptr) << what << ", call " << i;
  }
}

// ------------------------------------------------------------ texts and pins

TEST_P(VoltsEachModule, PropertiesNameTheModuleAndGiveTheAboutText) {
  const ModuleProperties p = testsupport::plugin(m().plugin).properties();
  EXPECT_STREQ(m().name, p.name);
  EXPECT_STREQ(m().name, p.identifier);
  EXPECT_EQ(expectedAbout(m()), std::string(p.about));
}

TEST_P(VoltsEachModule, DescribesItsPins) {
  semhost::Instance inst(testsupport::plugin(m().plugin));
  struct Want {
    const char* name;
    int32_t direction, datatype;
    uint32_t flags;
    const char* defaultText;
    const char* listText;
    int32_t dspIndex;
  };
  std::vector<Want> want = {{"GUI 2 DSP", pinInput, Int, 0x28500u, nullptr, nullptr, 0},
                            {"Formula", pinInput, List, 0x400u, "0", formula::kListText, -1}};
  if (m().variant == Variant::Cap) want.push_back({"Cap", pinInput, Float, 0, "0", nullptr, 1});
  want.push_back({"A", pinInput, Voltage, 0, "0", nullptr, m().dspA});
  want.push_back({"B", pinInput, Voltage, 0, "0", nullptr, m().dspB});
  want.push_back({"C", pinOutput, Voltage, 0, "0", nullptr, m().dspC});
  const auto& pins = inst.pins();
  ASSERT_EQ(want.size(), pins.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const auto& p = pins[i];
    EXPECT_EQ(want[i].name, p.name) << i;
    EXPECT_EQ(want[i].direction, p.direction) << p.name;
    EXPECT_EQ(want[i].datatype, p.datatype) << p.name;
    EXPECT_EQ(want[i].flags, p.flags) << p.name;
    EXPECT_EQ(want[i].defaultText != nullptr, p.hasDefault) << p.name;
    if (want[i].defaultText) {
      EXPECT_EQ(want[i].defaultText, p.defaultText) << p.name;
    }
    EXPECT_EQ(want[i].listText != nullptr, p.hasList) << p.name;
    if (want[i].listText) {
      EXPECT_EQ(want[i].listText, p.listText) << p.name;
    }
    EXPECT_EQ(want[i].dspIndex, p.dspIndex) << p.name;
    EXPECT_NE(nullptr, p.valuePtr) << p.name;
    for (size_t j = 0; j < i; ++j) EXPECT_NE(pins[j].valuePtr, p.valuePtr) << p.name;
  }
  // No pin past the last, none below 0; the host's unwritten fields survive.
  PinDescription d;
  const auto last = static_cast<int32_t>(want.size());
  for (int32_t index : {last, last + 1, -1, INT32_MIN})
    EXPECT_EQ(0, inst.dspDispatch(dspDescribePin, index, 0, &d, 0.0f)) << index;
  std::memset(&d, 0xAB, sizeof d);
  const PinDescription before = d;
  ASSERT_EQ(1, inst.dspDispatch(dspDescribePin, m().descA, 0, &d, 0.0f));
  EXPECT_EQ(before.listText, d.listText);
  EXPECT_EQ(before.reserved, d.reserved);
}

// ------------------------------------------------------------ open

TEST_P(VoltsEachModule, OpenInstallsTheCountdownAndComputesAAndBUntilTheFirstStatus) {
  semhost::Instance inst(testsupport::plugin(m().plugin));
  inst.open();
  // The process routine is announced once; the pin count is the only question.
  expectCalls({{hostProcessChanged, 0, 0, 0}, {hostGetPinCount, 0, 0, 0}}, inst, "open");
  EXPECT_EQ(1, inst.processChanges());
  ASSERT_NE(nullptr, inst.processEntry());
  EXPECT_EQ(inst.dspRecord()->process, inst.processEntry());
  const auto* info = reinterpret_cast<const ProcessInfo*>(
      inst.dspDispatch(dspGetProcessInfo, 0, 0, nullptr, 0.0f));
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(inst.dspRecord()->process, info->entries->entry);
  EXPECT_EQ(inst.processEntry(), info->entries->entry);
  EXPECT_EQ(0, info->entries->word1);

  fillCells(inst, m().descA, 0, 64, 0x3F000000u);  // 0.5
  fillCells(inst, m().descB, 0, 64, 0x3E800000u);  // 0.25
  const uint32_t cap = m().variant == Variant::Cap ? 0x41200000u : 0u;
  if (m().variant == Variant::Cap) inst.pokeVariable(m().descCap, cap);
  inst.runBlock(64);
  for (int32_t i = 0; i < 64; ++i) ASSERT_EQ(0x3E800000u, cell(inst, m().descC, i)) << i;
  EXPECT_EQ(0, inst.sleepRequests());
  EXPECT_TRUE(inst.outputs().empty());
}

// ------------------------------------------------------------ selection

// The four rows, each reached by one status from the state before it, at
// clock 100 inside a block that began at 0: a held input is read at cell 100.
TEST_P(VoltsEachModule, SelectionReadsHeldInputsAtTheClockAndAnnouncesC) {
  const Module& mod = m();
  const uint32_t cap = 0x41200000u;  // 10: leaves the values below alone
  struct Row {
    const char* what;
    int32_t before;  // DSP pin set streaming first, or -1
    int32_t pin, status;
    std::vector<int32_t> reads;  // DSP pins read with streamValue, in order
    int32_t cStatus;
    bool announced;  // hostProcessChanged expected
  };
  const Row rows[] = {
      {"A streams, B held", -1, mod.dspA, 2, {mod.dspB}, 2, true},
      {"B streams, A held", -1, mod.dspB, 2, {mod.dspA}, 2, true},
      {"both stream", mod.dspA, mod.dspB, 2, {}, 2, true},
      {"both held (A changed once)", -1, mod.dspA, 1, {mod.dspA, mod.dspB}, 1, false},
  };
  for (const Row& row : rows) {
    semhost::Instance inst(testsupport::plugin(mod.plugin));
    inst.open();
    if (mod.variant == Variant::Cap) inst.pokeVariable(mod.descCap, cap);
    inst.pokeVariable(kDescGuiToDsp, 0);  // a AND b
    if (row.before >= 0) inst.deliverStatus(row.before, statusStreaming);
    fillCells(inst, mod.descA, 0, 400, 0x3F800000u);  // 1.0 ...
    fillCells(inst, mod.descB, 0, 400, 0x3F800000u);
    setCell(inst, mod.descA, 100, 0x3F000000u);       // ... but 0.5 and 0.25 at the clock
    setCell(inst, mod.descB, 100, 0x3E800000u);
    inst.runBlock(100);
    ASSERT_EQ(100, inst.clock());
    const auto changesBefore = inst.processChanges();
    inst.clearTrace();
    inst.clearOutputs();
    inst.deliverStatus(row.pin, row.status);

    std::vector<Call> want;
    for (int32_t pin : row.reads) {
      want.push_back({hostGetBufferStartClock, pin, 0, 0});
      want.push_back({hostGetSampleClock, 0, 0, 0});
    }
    if (row.announced) want.push_back({hostProcessChanged, 0, 0, 0});
    want.push_back({hostGetSampleClock, 0, 0, 0});
    want.push_back({hostPinStatusChange, mod.dspC, row.cStatus, 100});
    expectCalls(want, inst, row.what);
    EXPECT_EQ(changesBefore + (row.announced ? 1 : 0), inst.processChanges()) << row.what;
    ASSERT_EQ(1u, inst.outputs().size()) << row.what;
    EXPECT_EQ(100, inst.outputs()[0].time) << row.what;
    EXPECT_EQ(row.cStatus, inst.outputs()[0].status) << row.what;

    // C from the held samples at cell 100 and the streaming cells.
    inst.callProcess(0, 8);
    const bool aHeld = row.reads.size() == 2 || (row.reads.size() == 1 && row.reads[0] == mod.dspA);
    const bool bHeld = row.reads.size() == 2 || (row.reads.size() == 1 && row.reads[0] == mod.dspB);
    const uint32_t a = aHeld ? 0x3F000000u : 0x3F800000u;
    const uint32_t b = bHeld ? 0x3E800000u : 0x3F800000u;
    const uint32_t c = voltsref::element(mod.variant, 0, a, b, cap, row.cStatus == 1);
    for (int32_t i = 1; i < 8; ++i) EXPECT_EQ(c, cell(inst, mod.descC, i)) << row.what << " " << i;
  }
}

TEST_P(VoltsEachModule, HeldStreamOfBIsComputedPerElementAndCStreams) {
  // A streaming, B static at 0.25, "b -> c": every element is 0.25.
  auto inst = openModule(m());
  if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, 0x41200000u);
  inst->pokeVariable(kDescGuiToDsp, 7);
  setCell(*inst, m().descB, 0, 0x3E800000u);
  inst->deliverStatus(m().dspA, statusStreaming);
  ASSERT_FALSE(inst->outputs().empty());
  EXPECT_EQ(statusStreaming, inst->outputs().back().status);
  for (int32_t i = 0; i < 300; ++i) setCell(*inst, m().descA, i, 0x40000000u + 977u * static_cast<uint32_t>(i));
  for (int32_t i = 0; i < 300; ++i) setCell(*inst, m().descB, i, 0x7FC00000u);  // not read
  for (int block = 0; block < 4; ++block) inst->runBlock(300);
  for (int32_t i = 0; i < 300; ++i) ASSERT_EQ(0x3E800000u, cell(*inst, m().descC, i)) << i;
  EXPECT_EQ(0, inst->sleepRequests());
}

TEST_P(VoltsEachModule, SingleChangeOfAWhileBStreamsHoldsThatSample) {
  auto inst = openModule(m());
  const uint32_t cap = 0x41200000u;
  if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, cap);
  inst->pokeVariable(kDescGuiToDsp, 4);
  inst->deliverStatus(m().dspB, statusStreaming);
  inst->runBlock(40);
  // A changes once at clock 50 inside the next block; its cell 10 then holds.
  fillCells(*inst, m().descA, 0, 64, 0x3F800000u);
  setCell(*inst, m().descA, 10, 0x3F000000u);
  fillCells(*inst, m().descB, 0, 64, 0x3E800000u);
  inst->queueStatus(m().dspA, statusChanged, 50);
  inst->runBlock(64);
  // Before the change A is held at the sample of the first selection, 0.0.
  const uint32_t before = voltsref::element(m().variant, 4, 0u, 0x3E800000u, cap);
  const uint32_t after = voltsref::element(m().variant, 4, 0x3F000000u, 0x3E800000u, cap);
  for (int32_t i = 0; i < 64; ++i)
    ASSERT_EQ(i < 10 ? before : after, cell(*inst, m().descC, i)) << i;
  // The change is over once delivered: the next selection re-reads A as held.
  inst->clearTrace();
  inst->deliverStatus(m().dspB, statusStreaming);
  EXPECT_EQ(hostGetBufferStartClock, dspCalls(*inst).at(0).opcode);
  EXPECT_EQ(m().dspA, dspCalls(*inst).at(0).index);
}

// ------------------------------------------------------------ countdown

TEST_P(VoltsEachModule, SleepsAfterABlockSizeOfSamplesAndStartsAgainFromAFullBlock) {
  auto inst = openModule(m());  // block size 1024
  // From open: 256-sample calls, sleep after the fourth.
  for (int call = 1; call <= 4; ++call) {
    inst->runBlock(256);
    EXPECT_EQ(call == 4 ? 1 : 0, inst->sleepRequests()) << call;
  }
  const auto hostCallsBefore = dspCalls(*inst);
  EXPECT_EQ(hostSleep, hostCallsBefore.back().opcode);
  // Both held: the countdown is back at 1024.
  inst->deliverStatus(m().dspA, statusStatic);
  for (int call = 1; call <= 4; ++call) {
    inst->runBlock(256);
    EXPECT_EQ(call == 4 ? 2 : 1, inst->sleepRequests()) << call;
  }
  // A streaming stretch does not touch the countdown: two calls before it,
  // two after it reach the block size.
  inst->deliverStatus(m().dspA, statusStatic);
  inst->runBlock(256);
  inst->runBlock(256);
  inst->deliverStatus(m().dspA, statusStreaming);
  for (int call = 0; call < 6; ++call) inst->runBlock(256);
  EXPECT_EQ(2, inst->sleepRequests());
  inst->deliverStatus(m().dspA, statusStatic);
  inst->runBlock(256);
  EXPECT_EQ(2, inst->sleepRequests());
  inst->runBlock(256);
  EXPECT_EQ(3, inst->sleepRequests());
}

TEST_P(VoltsEachModule, ShortfallIsNotCarriedOver) {
  semhost::InstanceOptions options;
  options.blockSize = 100;
  auto inst = openModule(m(), options);
  inst->deliverStatus(m().dspA, statusStatic);
  // 30-sample calls: 120 reach 100 on the fourth; the 20 over are dropped.
  for (int call = 1; call <= 8; ++call) {
    inst->deliverStatus(m().dspA, statusStatic);  // wakes the host; the count goes on
    inst->runBlock(30);
    EXPECT_EQ(call / 4, inst->sleepRequests()) << call;
  }
}

TEST_P(VoltsEachModule, CountdownSurvivesExtremeLengthsAndBlockSizes) {
  {
    auto inst = openModule(m());
    inst->deliverStatus(m().dspA, statusStatic);
    // Negative lengths write nothing and push the countdown up, saturating.
    inst->callProcess(0, INT32_MIN);
    inst->callProcess(0, INT32_MIN);
    inst->callProcess(0, -1);
    EXPECT_EQ(0, inst->sleepRequests());
  }
  {
    semhost::InstanceOptions options;
    options.blockSize = 0;  // sent by hand below
    semhost::Instance inst(testsupport::plugin(m().plugin), options);
    inst.dspDispatch(dspSetBlockSize, 0, INT32_MIN, nullptr, 0.0f);
    inst.open();
    inst.deliverStatus(m().dspA, statusStatic);
    for (int call = 1; call <= 3; ++call) {
      inst.callProcess(0, 1);
      EXPECT_EQ(call, inst.sleepRequests());
    }
    inst.callProcess(0, 0);  // even an empty call reaches the end of the count
    EXPECT_EQ(4, inst.sleepRequests());
  }
}

// ------------------------------------------------------------ marked fills

TEST(VoltsMarkedFill, OnlyTheFirstThreeBothStaticSelectionsMarkTheFirstElementOfEachCall) {
  struct Row {
    const Module* m;
    int32_t k;
    uint32_t a, b, cap, result, first;
  };
  const Row rows[] = {
      {&kPlain, 0, 0x3F000000u, 0x3E800000u, 0, 0x3E800000u, 0x3E800001u},
      {&kPlain, 14, 0x3F000000u, 0x3E800000u, 0, 0x00000000u, 0x00000001u},
      {&kPlain, 15, 0, 0, 0, 0xFFFFFFFFu, 0xFFFFFF00u},
      {&kCap, 14, 0x3F000000u, 0x3E800000u, 0x41200000u, 0x00000000u, 0x80000000u},
      {&kCap, 0, 0x3F000000u, 0x3E800000u, 0x41200000u, 0x3E800000u, 0xBE800000u},
      {&kDn, 4, 0x3F000000u, 0x3E800000u, 0, 0x000CCCCDu, 0x000CCC00u},
      {&kDn, 0, 0x3F000000u, 0x3E800000u, 0, 0x3E800000u, 0x3E800001u},
  };
  for (const Row& r : rows) {
    const Module& m = *r.m;
    const std::string what = std::string(m.plugin) + " formula " + std::to_string(r.k);
    auto inst = openModule(m);
    inst->pokeVariable(kDescGuiToDsp, static_cast<uint32_t>(r.k));
    if (m.variant == Variant::Cap) inst->pokeVariable(m.descCap, r.cap);
    setCell(*inst, m.descA, 0, r.a);
    setCell(*inst, m.descB, 0, r.b);
    for (int selection = 1; selection <= 5; ++selection) {
      inst->clearOutputs();
      inst->deliverStatus(m.dspA, statusStatic);
      ASSERT_EQ(1u, inst->outputs().size()) << what;
      EXPECT_EQ(statusChanged, inst->outputs()[0].status) << what;
      const uint32_t first = selection <= 3 ? r.first : r.result;
      fillCells(*inst, m.descC, 0, 24, 0x7FBADBADu);
      inst->callProcess(0, 10);
      inst->callProcess(10, 7);
      inst->callProcess(17, 0);
      for (int32_t i = 0; i < 24; ++i) {
        const uint32_t want = i == 0 || i == 10 ? first : i < 17 ? r.result : 0x7FBADBADu;
        ASSERT_EQ(want, cell(*inst, m.descC, i)) << what << ", selection " << selection << ", cell " << i;
      }
      // Streaming selections in between do not count.
      inst->deliverStatus(m.dspA, statusStreaming);
      inst->deliverStatus(m.dspB, statusStreaming);
      inst->deliverStatus(m.dspB, statusStatic);
    }
  }
}

// ------------------------------------------------------------ formula and Cap changes

TEST_P(VoltsEachModule, FormulaChosenOnTheGuiSideReselects) {
  auto inst = openModule(m());
  const uint32_t cap = 0x41200000u;
  if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, cap);
  inst->initialiseGui(false);
  inst->deliverDueEvents();
  fillCells(*inst, m().descA, 0, 32, 0x3F000000u);
  fillCells(*inst, m().descB, 0, 32, 0x3E800000u);
  inst->deliverStatus(m().dspA, statusStreaming);
  inst->deliverStatus(m().dspB, statusStreaming);
  const auto expectC = [&](int k, const char* what) {
    inst->callProcess(0, 32);
    const uint32_t c = voltsref::element(m().variant, k, 0x3F000000u, 0x3E800000u, cap);
    for (int32_t i = 0; i < 32; ++i) ASSERT_EQ(c, cell(*inst, m().descC, i)) << what << " " << i;
  };
  expectC(0, "formula 0");
  for (const auto& [chosen, inForce] : {std::pair{4, 4}, std::pair{99, 15}, std::pair{-7, 0}, std::pair{8, 8}}) {
    inst->clearOutputs();
    inst->setGuiPinInt(kDescFormula, chosen);
    inst->deliverDueEvents();
    EXPECT_EQ(static_cast<uint32_t>(inForce), inst->variableWord(kDescGuiToDsp));
    ASSERT_FALSE(inst->outputs().empty()) << chosen;
    EXPECT_EQ(statusStreaming, inst->outputs().back().status);
    EXPECT_EQ(m().dspC, inst->outputs().back().dspIndex);
    expectC(inForce, "chosen formula");
  }
  // Both held: the held result is computed anew and C is a single change again.
  inst->deliverStatus(m().dspA, statusStatic);
  inst->deliverStatus(m().dspB, statusStatic);
  inst->clearOutputs();
  inst->setGuiPinInt(kDescFormula, 1);
  inst->deliverDueEvents();
  ASSERT_EQ(1u, inst->outputs().size());
  EXPECT_EQ(statusChanged, inst->outputs()[0].status);
  inst->callProcess(0, 8);
  const uint32_t held = voltsref::element(m().variant, 1, 0x3F000000u, 0x3E800000u, cap, true);
  for (int32_t i = 1; i < 8; ++i) EXPECT_EQ(held, cell(*inst, m().descC, i)) << i;
}

TEST_P(VoltsEachModule, FormulaIndexOutsideTheRangeGivesTheClearWord) {
  for (int32_t index : {16, 99, -1, INT32_MIN, INT32_MAX}) {
    auto inst = openModule(m());
    if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, 0x41200000u);
    fillCells(*inst, m().descA, 0, 16, 0x3F000000u);
    fillCells(*inst, m().descB, 0, 16, 0x3E800000u);
    inst->setInput(kDescGuiToDsp, static_cast<uint32_t>(index));
    for (Case c : {Case::Both, Case::AStreams, Case::BStreams, Case::Static}) {
      for (int i = 0; i < 4; ++i) selectCase(*inst, m(), c);  // past the marked fills
      fillCells(*inst, m().descC, 0, 16, 0x7FBADBADu);
      inst->callProcess(0, 16);
      for (int32_t i = 0; i < 16; ++i)
        ASSERT_EQ(0u, cell(*inst, m().descC, i)) << "index " << index << ", case " << static_cast<int>(c);
    }
  }
}

TEST(VoltsCap, CapChangeReselectsAndTakesEffectFromTheNextElement) {
  const Module& m = kCap;
  auto inst = openModule(m);
  inst->pokeVariable(kDescGuiToDsp, 1);  // OR: R = 5.0 from 0.5 and 0.25
  inst->setInput(m.descCap, 0x41200000u);
  fillCells(*inst, m.descA, 0, 16, 0x3F000000u);
  fillCells(*inst, m.descB, 0, 16, 0x3E800000u);
  inst->deliverStatus(m.dspA, statusStreaming);
  inst->callProcess(0, 16);
  EXPECT_EQ(0x3F000000u, cell(*inst, m.descC, 15));
  // A status for Cap reselects: C is announced as streaming again.
  inst->clearOutputs();
  inst->setInput(m.descCap, 0x40000000u);  // 2
  ASSERT_EQ(1u, inst->outputs().size());
  EXPECT_EQ(statusStreaming, inst->outputs()[0].status);
  EXPECT_EQ(m.dspC, inst->outputs()[0].dspIndex);
  inst->callProcess(0, 16);
  for (int32_t i = 0; i < 16; ++i) ASSERT_EQ(0x3E4CCCCDu, cell(*inst, m.descC, i)) << i;
  // Both held: the held result takes the new Cap and C is a single change.
  inst->deliverStatus(m.dspA, statusStatic);
  inst->clearOutputs();
  inst->setInput(m.descCap, 0x3F800000u);  // 1
  ASSERT_EQ(1u, inst->outputs().size());
  EXPECT_EQ(statusChanged, inst->outputs()[0].status);
  inst->callProcess(0, 16);
  for (int32_t i = 1; i < 16; ++i) ASSERT_EQ(0x3DCCCCCDu, cell(*inst, m.descC, i)) << i;
}

// ------------------------------------------------------------ worked values

// One input pair through every routine of the plug-in: the three streaming
// cases, and the held output (which skips the DN strip).
void expectEverywhere(const Module& m, int32_t k, uint32_t a, uint32_t b, uint32_t cap,
                      uint32_t streaming, uint32_t held, const std::string& what) {
  auto inst = openModule(m);
  for (int i = 0; i < 3; ++i) selectCase(*inst, m, Case::Static);  // past the marked fills
  inst->pokeVariable(kDescGuiToDsp, static_cast<uint32_t>(k));
  if (m.variant == Variant::Cap) inst->pokeVariable(m.descCap, cap);
  for (Case c : {Case::Both, Case::AStreams, Case::BStreams, Case::Static}) {
    fillCells(*inst, m.descA, 0, 8, a);
    fillCells(*inst, m.descB, 0, 8, b);
    selectCase(*inst, m, c);
    inst->callProcess(0, 8);
    const uint32_t want = c == Case::Static ? held : streaming;
    for (int32_t i = 0; i < 8; ++i)
      ASSERT_EQ(want, cell(*inst, m.descC, i)) << what << ", case " << static_cast<int>(c) << ", cell " << i;
  }
}

TEST(VoltsWorkedValues, Plain) {
  const uint32_t half = 0x3F000000u, quarter = 0x3E800000u;
  struct Row { int32_t k; uint32_t a, b, c; const char* what; };
  const Row rows[] = {
      {4, half, quarter, 0x000CCCCDu, "XOR: smallest normal in volts, denormal out"},
      {0, half, quarter, 0x3E800000u, "AND gives 0.25"},
      {1, half, quarter, 0x3F000000u, "OR gives 0.5"},
      {8, half, quarter, 0xBDB33333u, "NOT a of 0.5"},
      {8, 0, quarter, 0xFFFFFFFFu, "NOT a of 0 is a NaN"},
      {5, half, half, 0xFFFFFFFFu, "XNOR of equal inputs"},
      {14, half, quarter, 0x00000000u, "CLEAR"},
      {15, half, quarter, 0xFFFFFFFFu, "SET"},
      {6, 0x80000000u, 0, 0x80000000u, "-0 passes"},
      {6, 0x7F800001u, 0, 0x7FC00001u, "a signalling NaN comes out quiet, payload kept"},
      {6, 0xFF812345u, 0, 0xFFC12345u, "sign kept"},
      {6, 0x7F7FFFFFu, 0, 0x7F800000u, "largest normal overflows to infinity in volts"},
  };
  for (const Row& r : rows) expectEverywhere(kPlain, r.k, r.a, r.b, 0, r.c, r.c, r.what);
}

TEST(VoltsWorkedValues, Cap) {
  const uint32_t half = 0x3F000000u, quarter = 0x3E800000u;
  struct Row { int32_t k; uint32_t a, b, cap, c; const char* what; };
  const Row rows[] = {
      {4, half, quarter, 0x41200000u, 0, "inside the cap, denormal out, stripped"},
      {1, half, quarter, 0x40000000u, 0x3E4CCCCDu, "5.0 above Cap 2"},
      {0, half, quarter, 0x41200000u, 0x3E800000u, "2.5 inside Cap 10"},
      {15, half, quarter, 0x41200000u, 0, "SET: NaN stripped"},
      {8, 0, quarter, 0x41200000u, 0, "NOT a of 0: NaN stripped"},
      {1, half, quarter, 0, 0, "Cap 0: a positive R becomes +0"},
      {8, half, quarter, 0, 0x80000000u, "Cap 0: a negative R becomes -0"},
      {6, 0x7F7FFFFFu, 0, 0x40000000u, 0x3E4CCCCDu, "+inf capped to Cap"},
      {6, 0xFF7FFFFFu, 0, 0x40000000u, 0xBE4CCCCDu, "-inf capped to -Cap"},
      {0, half, quarter, 0xC0400000u, 0xBE99999Au, "Cap -3: 2.5 lies above Cap, becomes Cap"},
      {6, 0xBDCCCCCDu, 0, 0xC0400000u, 0xBE99999Au, "Cap -3: -1 lies above Cap too"},
      {6, 0xBF800000u, 0, 0xC0400000u, 0x3E99999Au, "Cap -3: -10 becomes -Cap"},
      {1, half, quarter, 0x7FC00000u, 0x3F000000u, "NaN Cap caps nothing"},
      {6, 0x7F800000u, 0, 0x7F800000u, 0x7F800000u, "inf within an infinite Cap passes"},
  };
  for (const Row& r : rows) expectEverywhere(kCap, r.k, r.a, r.b, r.cap, r.c, r.c, r.what);
}

TEST(VoltsWorkedValues, DenormalStrip) {
  const uint32_t half = 0x3F000000u, quarter = 0x3E800000u;
  // Inputs whose scaled patterns are 2^-100 and 1.5 x 2^-113.
  const uint32_t r100 = sampleScalingTo(0x0D800000u);
  const uint32_t r113 = sampleScalingTo(0x07400000u);
  ASSERT_NE(0xFFFFFFFFu, r100);
  ASSERT_NE(0xFFFFFFFFu, r113);
  struct Row { int32_t k; uint32_t a, b, c, held; const char* what; };
  const Row rows[] = {
      {4, half, quarter, 0, 0x000CCCCDu, "smallest normal stripped; held output is not"},
      {0, half, quarter, 0x3E800000u, 0x3E800000u, "AND untouched"},
      {6, r100, 0, 0x0BCCCCCDu, 0x0BCCCCCDu, "2^-100 passes the strip"},
      {6, r113, 0, 0x05CCCCCDu, voltsref::toSamples(0x07400000u), "1.5 x 2^-113 becomes 2^-112"},
      {15, half, quarter, 0xFFFFFFFFu, 0xFFFFFFFFu, "SET"},
      {14, half, quarter, 0, 0, "CLEAR"},
      {6, 0x80000000u, 0, 0, 0x80000000u, "-0 becomes +0 per sample"},
      {6, 0x00000001u, 0, 0, voltsref::toSamples(voltsref::toVolts(1u)), "a denormal input"},
  };
  for (const Row& r : rows) expectEverywhere(kDn, r.k, r.a, r.b, 0, r.c, r.held, r.what);
}

// ------------------------------------------------------------ a misbehaving host

TEST_P(VoltsEachModule, MissingPinsCountAsHeldZeroAndMissingCIsNotAnnounced) {
  // Two DSP pins: the plain and DN modules get "GUI 2 DSP" and A, the Cap
  // module "GUI 2 DSP" and Cap.
  semhost::InstanceOptions options;
  options.pinCountOverride = 2;
  auto inst = openModule(m(), options);
  inst->pokeVariable(kDescGuiToDsp, 1);  // OR
  fillCells(*inst, m().descA, 0, 16, 0x3F000000u);
  fillCells(*inst, m().descB, 0, 16, 0x3E800000u);  // never read
  const uint32_t cap = m().variant == Variant::Cap ? 0x41200000u : 0u;
  if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, cap);
  inst->clearTrace();
  inst->deliverStatus(1, statusChanged);
  inst->deliverStatus(m().dspA, statusStreaming);  // ignored where A is missing
  inst->deliverStatus(m().dspB, statusStreaming);  // ignored: B is missing
  for (const Call& call : dspCalls(*inst)) {
    EXPECT_NE(hostPinStatusChange, call.opcode);
    if (call.opcode == hostGetBufferStartClock) {
      EXPECT_EQ(m().dspA, call.index);
      EXPECT_EQ(1, call.index);
    }
  }
  inst->callProcess(0, 16);
  // A streams where it exists; B is held at 0.0 (the Cap module holds both).
  const bool aStreams = m().variant != Variant::Cap;
  const uint32_t a = aStreams ? 0x3F000000u : 0u;
  const uint32_t c = voltsref::element(m().variant, 1, a, 0u, cap, !aStreams);
  for (int32_t i = 1; i < 16; ++i) EXPECT_EQ(c, cell(*inst, m().descC, i)) << i;
}

TEST_P(VoltsEachModule, NoPinsOrNoCallbackAreSurvived) {
  {
    semhost::InstanceOptions options;
    options.pinCountOverride = 0;
    auto inst = openModule(m(), options);
    for (int32_t pin = -1; pin < 7; ++pin) inst->deliverStatus(pin, statusStreaming);
    fillCells(*inst, m().descA, 0, 8, 0x3F000000u);
    fillCells(*inst, m().descB, 0, 8, 0x3E800000u);
    if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, 0x41200000u);
    inst->runBlock(8);  // still the a AND b of open
    for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(0x3E800000u, cell(*inst, m().descC, i)) << i;
  }
  {
    semhost::InstanceOptions options;
    options.dspCallback = false;
    auto inst = openModule(m(), options);
    fillCells(*inst, m().descA, 0, 8, 0x3F000000u);
    fillCells(*inst, m().descB, 0, 8, 0x3E800000u);
    if (m().variant == Variant::Cap) inst->pokeVariable(m().descCap, 0x41200000u);
    DspHostRecord* rec = inst->dspRecord();
    for (int call = 0; call < 8; ++call) rec->process(rec->object, 0, 256);
    EXPECT_EQ(0x3E800000u, cell(*inst, m().descC, 7));
    EXPECT_TRUE(inst->hostCalls(Side::Dsp).empty());
  }
}

// A host that answers nothing but the pin count and never hands a buffer over.
int32_t barePinCount = 0;
intptr_t SEM_CALL bareHost(void*, int32_t opcode, int32_t, int32_t, void*, float) {
  return opcode == hostGetPinCount ? barePinCount : 0;
}

TEST_P(VoltsEachModule, BuffersNeverHandedOverAreNotTouched) {
  barePinCount = m().dspC + 1;
  auto* rec = static_cast<DspHostRecord*>(
      testsupport::plugin(m().plugin).makeModule()(0, objectTypeDsp, &bareHost, 0));
  ASSERT_NE(nullptr, rec);
  rec->dispatcher(rec, dspOpen, 0, 0, nullptr, 0.0f);
  rec->process(rec->object, 0, 64);
  for (int32_t a : {0, 1, 2})
    for (int32_t b : {0, 1, 2}) {
      DspEvent ea{0, eventPinStatus, a, 0, m().dspA, nullptr};
      DspEvent eb{0, eventPinStatus, b, 0, m().dspB, nullptr};
      rec->eventEntry(rec->object, &ea);
      rec->eventEntry(rec->object, &eb);
      rec->process(rec->object, 0, 64);
    }
  EXPECT_EQ(1, rec->dispatcher(rec, dspClose, 0, 0, nullptr, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(Volts, VoltsEachModule, ::testing::ValuesIn(kModules),
                         [](const auto& info) { return std::string(info.param->plugin); });

}  // namespace
