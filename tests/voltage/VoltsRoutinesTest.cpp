// Every per-sample routine and the held output of every formula, in all three
// plug-ins, bit for bit against the scalar model in tools/semhost/reference/VoltsElement.h: 16
// formulas x 3 input cases x 3 variants, through the real entry points and
// the simulated host. Inputs are edge patterns (zeros, denormal and normal
// extremes, infinities, quiet and signalling NaNs with payloads, pairs whose
// scaled patterns XOR to a denormal) in every pairing, then random patterns
// with a fixed seed; calls of 0, 1 and odd lengths at running offsets, with
// every cell outside the called range checked untouched.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "voltage/VoltsHarness.h"

namespace {

using namespace voltstest;

// A signalling NaN: no routine writes it, since every NaN they output is quiet.
constexpr uint32_t kUnwritten = 0x7FBADBADu;

struct Streams {
  std::vector<uint32_t> a, b;
};

// Every pairing of the edge patterns, then random patterns: fully random
// ones, and pairs sharing sign and exponent (their scaled patterns often XOR
// to a denormal or zero exponent).
Streams makeStreams(uint32_t seed) {
  Streams s;
  for (uint32_t x : edgePatterns())
    for (uint32_t y : edgePatterns()) {
      s.a.push_back(x);
      s.b.push_back(y);
    }
  std::mt19937 rng(seed);
  for (int i = 0; i < 300; ++i) {
    s.a.push_back(rng());
    s.b.push_back(rng());
  }
  for (int i = 0; i < 211; ++i) {
    const uint32_t x = rng();
    s.a.push_back(x);
    s.b.push_back((x & 0xFF800000u) | (rng() & 0x7FFFFFu));
  }
  return s;
}

const Streams& streams() {
  static const Streams s = makeStreams(20061007u);
  return s;
}

// Call lengths, run one after the other from offset 0; the rest of the
// streams goes in one last (odd) call.
constexpr int32_t kCalls[] = {0, 1, 0, 2, 1, 7, 33, 255, 1, 0, 63};

std::vector<uint32_t> capsFor(const Module& m) {
  if (m.variant != Variant::Cap) return {0u};
  return {0x00000000u,  // the default, 0
          0x40000000u,  // 2
          0x41200000u,  // 10
          0xC0400000u,  // -3: -Cap lies above Cap
          0x7F800000u,  // +inf
          0x7FC00000u,  // NaN: nothing is capped
          0x00000010u,  // a denormal
          0x7149F2CAu}; // 1e30
}

const char* caseName(Case c) {
  switch (c) {
    case Case::Both: return "both streaming";
    case Case::AStreams: return "A streaming";
    case Case::BStreams: return "B streaming";
    default: return "both static";
  }
}

std::string label(const Module& m, int k, Case c, uint32_t cap) {
  char text[160];
  std::snprintf(text, sizeof text, "%s, formula %d, %s, cap 0x%08X", m.plugin, k, caseName(c),
                cap);
  return text;
}

// Compares C[from, to) with the expected patterns and C[to, end) with the
// unwritten marker; reports the first few differences only.
void checkC(semhost::Instance& inst, const Module& m, const std::vector<uint32_t>& expected,
            int32_t from, int32_t to, int32_t end, const std::string& what, int& reported) {
  for (int32_t i = from; i < end; ++i) {
    const uint32_t want = i < to ? expected[static_cast<size_t>(i)] : kUnwritten;
    const uint32_t got = cell(inst, m.descC, i);
    if (got != want && reported < 5) {
      ++reported;
      ADD_FAILURE() << what << ": C[" << i << "] = 0x" << std::hex << got << ", expected 0x"
                    << want << (i < to ? "" : " (outside the called range)");
    }
  }
}

class VoltsEveryRoutine : public ::testing::TestWithParam<const Module*> {};

TEST_P(VoltsEveryRoutine, StreamingRoutinesMatchTheModelBitForBit) {
  const Module& m = *GetParam();
  const Streams& s = streams();
  const auto n = static_cast<int32_t>(s.a.size());
  std::mt19937 rng(7u);
  for (int k = 0; k < 16; ++k) {
    for (Case c : {Case::Both, Case::AStreams, Case::BStreams}) {
      auto inst = openModule(m);
      for (uint32_t cap : capsFor(m)) {
        if (m.variant == Variant::Cap) inst->setInput(m.descCap, cap);
        inst->setInput(kDescGuiToDsp, static_cast<uint32_t>(k));
        // Held operands: ordinary values, a signalling NaN against a denormal,
        // and random patterns. With both streaming nothing is held.
        std::vector<std::pair<uint32_t, uint32_t>> held = {{0x3F000000u, 0x3E800000u}};
        if (c != Case::Both) {
          held.push_back({0x7F812345u, 0x80000001u});
          held.push_back({rng(), rng()});
        }
        for (const auto& [heldA, heldB] : held) {
          const std::string what = label(m, k, c, cap);
          // The selection takes the held operand from the sample at the clock.
          setCell(*inst, m.descA, 0, heldA);
          setCell(*inst, m.descB, 0, heldB);
          selectCase(*inst, m, c);
          std::vector<uint32_t> expected(static_cast<size_t>(n));
          for (int32_t i = 0; i < n; ++i) {
            const uint32_t a = c == Case::BStreams ? heldA : s.a[static_cast<size_t>(i)];
            const uint32_t b = c == Case::AStreams ? heldB : s.b[static_cast<size_t>(i)];
            expected[static_cast<size_t>(i)] = voltsref::element(m.variant, k, a, b, cap);
          }
          for (int32_t i = 0; i < n; ++i) {
            setCell(*inst, m.descA, i, s.a[static_cast<size_t>(i)]);
            setCell(*inst, m.descB, i, s.b[static_cast<size_t>(i)]);
          }
          fillCells(*inst, m.descC, 0, n + 8, kUnwritten);
          int reported = 0;
          int32_t offset = 0;
          for (int32_t frames : kCalls) {
            inst->callProcess(offset, frames);
            checkC(*inst, m, expected, 0, offset + frames, n + 8, what, reported);
            offset += frames;
          }
          inst->callProcess(offset, n - offset);
          checkC(*inst, m, expected, 0, n, n + 8, what, reported);
          EXPECT_TRUE(inst->guardsIntact(m.descC)) << what;
          // A negative length writes nothing either.
          inst->callProcess(3, -5);
          checkC(*inst, m, expected, 0, n, n + 8, what, reported);
          if (reported > 0) return;
        }
      }
    }
  }
}

TEST_P(VoltsEveryRoutine, HeldOutputMatchesTheModelForEveryFormula) {
  const Module& m = *GetParam();
  const auto& edges = edgePatterns();
  std::mt19937 rng(11u);
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  for (size_t i = 0; i < edges.size(); ++i) pairs.push_back({edges[i], edges[(i * 7 + 3) % edges.size()]});
  for (int i = 0; i < 16; ++i) pairs.push_back({rng(), rng()});
  for (int k = 0; k < 16; ++k) {
    auto inst = openModule(m);
    // Use up the marked fills of the first three static selections.
    for (int i = 0; i < 3; ++i) selectCase(*inst, m, Case::Static);
    for (uint32_t cap : capsFor(m)) {
      if (m.variant == Variant::Cap) inst->setInput(m.descCap, cap);
      inst->setInput(kDescGuiToDsp, static_cast<uint32_t>(k));
      for (const auto& [a, b] : pairs) {
        setCell(*inst, m.descA, 0, a);
        setCell(*inst, m.descB, 0, b);
        inst->deliverStatus(m.dspA, statusStatic);
        const uint32_t want = voltsref::element(m.variant, k, a, b, cap, true);
        fillCells(*inst, m.descC, 0, 16, kUnwritten);
        inst->callProcess(3, 5);
        const std::string what = label(m, k, Case::Static, cap);
        for (int32_t i = 0; i < 16; ++i) {
          const uint32_t expect = i >= 3 && i < 8 ? want : kUnwritten;
          ASSERT_EQ(expect, cell(*inst, m.descC, i))
              << what << ", A 0x" << std::hex << a << ", B 0x" << b << ", cell " << std::dec << i;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Volts, VoltsEveryRoutine, ::testing::ValuesIn(kModules),
                         [](const auto& info) { return std::string(info.param->plugin); });

// The model itself, against the worked values the three modules are known by,
// so that a fault shared by model and module cannot hide.
TEST(VoltsModel, KnownValues) {
  using voltsref::element;
  struct Row {
    Variant v;
    int k;
    uint32_t a, b, cap, c;
  };
  const Row rows[] = {
      {Variant::Plain, 4, 0x3F000000u, 0x3E800000u, 0, 0x000CCCCDu},
      {Variant::Plain, 0, 0x3F000000u, 0x3E800000u, 0, 0x3E800000u},
      {Variant::Plain, 1, 0x3F000000u, 0x3E800000u, 0, 0x3F000000u},
      {Variant::Plain, 8, 0x3F000000u, 0, 0, 0xBDB33333u},
      {Variant::Plain, 8, 0, 0, 0, 0xFFFFFFFFu},
      {Variant::Plain, 5, 0x3F000000u, 0x3F000000u, 0, 0xFFFFFFFFu},
      {Variant::Cap, 4, 0x3F000000u, 0x3E800000u, 0x41200000u, 0},
      {Variant::Cap, 1, 0x3F000000u, 0x3E800000u, 0x40000000u, 0x3E4CCCCDu},
      {Variant::Cap, 0, 0x3F000000u, 0x3E800000u, 0x41200000u, 0x3E800000u},
      {Variant::Cap, 15, 0x3F000000u, 0x3E800000u, 0x41200000u, 0},
      {Variant::Dn, 4, 0x3F000000u, 0x3E800000u, 0, 0},
      {Variant::Dn, 0, 0x3F000000u, 0x3E800000u, 0, 0x3E800000u},
      {Variant::Dn, 15, 0, 0, 0, 0xFFFFFFFFu},
  };
  for (const Row& r : rows)
    EXPECT_EQ(r.c, element(r.v, r.k, r.a, r.b, r.cap))
        << "variant " << static_cast<int>(r.v) << " formula " << r.k;
  // The small-value strip: 2^-100 passes, 1.5 x 2^-113 becomes 2^-112, and
  // 2^-113 itself (a tie) goes to the even multiple, zero.
  EXPECT_EQ(0x0D800000u, voltsref::smallStripped(0x0D800000u));
  EXPECT_EQ(0x07800000u, voltsref::smallStripped(0x07400000u));
  EXPECT_EQ(0u, voltsref::smallStripped(0x07000000u));
  EXPECT_EQ(0u, voltsref::smallStripped(0x80000000u));
  EXPECT_EQ(0x87800000u, voltsref::smallStripped(0x87400000u));
}

}  // namespace
