// The validator's reference model against worked examples of the modules'
// behaviour, so that the oracle is checked apart from the modules it judges.
#include <gtest/gtest.h>

#include <vector>

#include "support/Bits.h"
#include "tools/semhost/reference/Reference.h"

namespace {

using semref::Kind;
using testsupport::bitsOf;

TEST(ReferenceFormulas, IntAndFloatWordsForEveryFormula) {
  const int32_t ints[16] = {1, 7, -2, -8, 6, -7, 5, 3, -6, -4, 4, 2, -3, -5, 0, -1};
  for (int32_t k = 0; k < 16; ++k)
    EXPECT_EQ(static_cast<int32_t>(semref::formulaWord(k, 5u, 3u)), ints[k]) << "formula " << k;
  const uint32_t one = bitsOf(1.0f), two = bitsOf(2.0f);
  EXPECT_EQ(semref::formulaWord(0, one, two), 0u);
  EXPECT_EQ(semref::formulaWord(1, one, two), 0x7F800000u);
  EXPECT_EQ(semref::formulaWord(4, one, two), 0x7F800000u);
  EXPECT_EQ(semref::formulaWord(8, one, two), 0xC07FFFFFu);
  EXPECT_EQ(semref::formulaWord(15, one, two), 0xFFFFFFFFu);
  EXPECT_STREQ(semref::formulaLabel(4), " a XOR b -> c");
  EXPECT_STREQ(semref::formulaLabel(15), "SET -> c");
}

// Both inputs streaming: one process call over one element.
uint32_t streamed(Kind kind, int32_t formula, float a, float b, uint32_t cap = 0) {
  semref::VoltsModel m(kind);
  m.open(1024);
  m.setFormulaVariable(formula);
  m.setCapVariable(cap);
  EXPECT_EQ(m.select(2, 2, 0, 0), 2);
  const uint32_t in[2] = {bitsOf(a), bitsOf(b)};
  uint32_t out = 0xDEADBEEFu;
  EXPECT_FALSE(m.process(&in[0], &in[1], &out, 0, 1));
  return out;
}

TEST(ReferenceVolts, PerSampleArithmeticOfTheThreeVariants) {
  struct Case {
    Kind kind;
    int32_t formula;
    float a, b;
    uint32_t cap, expected;
  };
  const Case cases[] = {
      {Kind::Volts, 4, 0.5f, 0.25f, 0, 0x000CCCCDu},
      {Kind::Volts, 0, 0.5f, 0.25f, 0, 0x3E800000u},
      {Kind::Volts, 1, 0.5f, 0.25f, 0, 0x3F000000u},
      {Kind::Volts, 8, 0.5f, 0.0f, 0, 0xBDB33333u},
      {Kind::Volts, 8, 0.0f, 0.0f, 0, 0xFFFFFFFFu},
      {Kind::Volts, 5, 0.5f, 0.5f, 0, 0xFFFFFFFFu},
      {Kind::VoltsCap, 4, 0.5f, 0.25f, bitsOf(10.0f), 0u},
      {Kind::VoltsCap, 1, 0.5f, 0.25f, bitsOf(2.0f), 0x3E4CCCCDu},
      {Kind::VoltsCap, 0, 0.5f, 0.25f, bitsOf(10.0f), 0x3E800000u},
      {Kind::VoltsCap, 15, 0.5f, 0.25f, bitsOf(10.0f), 0u},
      {Kind::VoltsCap, 1, 0.5f, 0.25f, 0u, 0u},
      {Kind::VoltsDn, 4, 0.5f, 0.25f, 0, 0u},
      {Kind::VoltsDn, 0, 0.5f, 0.25f, 0, 0x3E800000u},
      {Kind::VoltsDn, 15, 0.5f, 0.25f, 0, 0xFFFFFFFFu},
      {Kind::VoltsDn, 14, 0.5f, 0.25f, 0, 0u},
  };
  for (const Case& c : cases)
    EXPECT_EQ(streamed(c.kind, c.formula, c.a, c.b, c.cap), c.expected)
        << semref::kindName(c.kind) << " formula " << c.formula;
}

TEST(ReferenceVolts, HeldOutputMarksTheFirstThreeSelectionsAndCountsDown) {
  semref::VoltsModel m(Kind::Volts);
  m.open(1024);
  std::vector<uint32_t> c(256);
  const uint32_t a = bitsOf(0.5f), b = bitsOf(0.25f);
  for (int32_t selection = 1; selection <= 4; ++selection) {
    EXPECT_EQ(m.select(0, 1, a, b), 1);
    int32_t sleeps = 0;
    for (int32_t call = 0; call < 4; ++call) {
      sleeps += m.process(nullptr, nullptr, c.data(), 0, 256) ? 1 : 0;
      EXPECT_EQ(c[0], selection <= 3 ? 0x3E800001u : 0x3E800000u) << "selection " << selection;
      EXPECT_EQ(c[255], 0x3E800000u);
    }
    EXPECT_EQ(sleeps, 1) << "one sleep request per block size's worth of samples";
  }
  // A held +0.0 is marked 0x00000001; the capped variant flips the sign, the
  // stripping variant marks its unstripped held result.
  semref::VoltsModel zero(Kind::Volts), capped(Kind::VoltsCap), dn(Kind::VoltsDn);
  for (semref::VoltsModel* v : {&zero, &capped, &dn}) {
    v->open(1024);
    v->setFormulaVariable(v == &dn ? 4 : 14);
    v->setCapVariable(bitsOf(10.0f));
    v->select(0, 0, a, b);
  }
  zero.process(nullptr, nullptr, c.data(), 0, 2);
  EXPECT_EQ(c[0], 0x00000001u);
  capped.process(nullptr, nullptr, c.data(), 0, 2);
  EXPECT_EQ(c[0], 0x80000000u);
  dn.process(nullptr, nullptr, c.data(), 0, 2);
  EXPECT_EQ(c[0], 0x000CCC00u);
  EXPECT_EQ(c[1], 0x000CCCCDu);
}

TEST(ReferenceVolts, HeldSampleOutsideTheBlockIsZero) {
  const uint32_t buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(semref::heldSample(buffer, 2, 4), 3u);
  EXPECT_EQ(semref::heldSample(buffer, 4, 4), 0u);
  EXPECT_EQ(semref::heldSample(buffer, -1, 4), 0u);
  EXPECT_EQ(semref::heldSample(nullptr, 0, 4), 0u);
}

TEST(ReferenceValue, AnnouncementsOfIntAndBool) {
  semref::ValueModel ints(Kind::Int);
  ints.open();
  std::vector<semref::Announcement> out;
  for (int32_t n = 0; n < 5; ++n) ints.evaluate(0, 5u, 3u, 100, true, &out);
  ASSERT_EQ(out.size(), 5u);
  const int32_t times[5] = {103, 102, 101, 100, 100};
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(out[k].time, times[k]);
    EXPECT_EQ(out[k].word, 1u);
  }
  out.clear();
  EXPECT_EQ(ints.evaluate(16, 5u, 3u, 7, true, &out), 0u);

  semref::ValueModel bools(Kind::Bool);
  bools.open();
  out.clear();
  EXPECT_EQ(bools.evaluate(1, 0xFFFFFF00u, 0x00000100u, INT32_MAX, true, &out), 0u);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].time, INT32_MAX);
  EXPECT_EQ(out[0].word, 1u);
  EXPECT_EQ(out[1].time, INT32_MIN);
  EXPECT_EQ(out[1].word, 0u);
}

// A pin store that logs writes and never notifies.
struct Log : semref::GuiPins {
  uint32_t values[8] = {};
  std::vector<std::pair<int32_t, uint32_t>> writes;
  uint32_t get(int32_t i) override { return values[i]; }
  void set(int32_t i, uint32_t w) override {
    values[i] = w;
    writes.emplace_back(i, w);
  }
};

TEST(ReferenceGui, RelayClampsAndGuiOnlyWritesInItsOrder) {
  semref::GuiModel relay(Kind::Int);
  Log host;
  host.values[1] = 16;
  relay.initialise(host, true);
  EXPECT_EQ(host.writes, (std::vector<std::pair<int32_t, uint32_t>>{{1, 15}, {0, 15}}));

  semref::GuiModel gui(Kind::GuiInt);
  Log g;
  gui.initialise(g, false);
  EXPECT_EQ(g.writes, (std::vector<std::pair<int32_t, uint32_t>>{
                          {0, 0}, {1, 0}, {4, 0}, {2, 0}, {5, 0}, {3, 0}, {6, 0}, {3, 0}, {6, 0}}));
  g.writes.clear();
  g.values[1] = 5;
  g.values[2] = 3;
  gui.pinChanged(g, 1);
  EXPECT_EQ(g.writes, (std::vector<std::pair<int32_t, uint32_t>>{{4, 5}, {3, 0}, {6, 0}}));

  semref::GuiModel boolean(Kind::GuiBool);
  Log b;
  b.values[0] = 1;  // OR
  b.values[1] = 0xFFFFFF00u;
  b.values[2] = 0x3u;
  boolean.initialise(b, true);
  EXPECT_TRUE(b.writes.empty()) << "GuiBool computes C at initialise but writes no pin";
  boolean.pinChanged(b, 99);
  EXPECT_EQ(b.writes, (std::vector<std::pair<int32_t, uint32_t>>{{3, 1}, {6, 1}}));
}

}  // namespace
