// Every compiled path of the per-sample routines (scalar, SSE2, AVX2,
// AVX-512), called directly, bit for bit against the scalar model in
// tools/semhost/reference/VoltsElement.h: all 48 routines of each variant over
// edge, random and tiny-result streams, in calls of every length around the
// vector widths at unaligned offsets, with the carried operands and result
// checked after each call and the cells around the range untouched; the fill of
// the held output likewise. The output
// step alone is swept over the bands of words where the exact arithmetic is
// hand-made (tenths below 2^-126, the strip below 2^-89). A path this
// processor cannot run is reported as skipped.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "modules/voltage/VoltsPaths.h"
#include "voltage/VoltsHarness.h"

namespace {

using volts::Path;
using volts::VariantId;
using voltsref::Variant;

constexpr uint32_t kUnwritten = 0x7FBADBADu;  // a signalling NaN: no routine writes one
constexpr int32_t kGuard = 24;                // cells checked on either side of a call

const Variant kModelOf[] = {Variant::Plain, Variant::Cap, Variant::Dn};

std::vector<uint32_t> capsOf(VariantId v) {
  if (v != VariantId::Capped) return {0u};
  return {0x00000000u, 0x41200000u, 0xC0400000u, 0x7F800000u, 0x7FC00000u, 0x00000010u};
}

// A sample whose pattern has the given exponent field and random sign and
// fraction: exponents near the bottom give scaled words, and words combined
// from them, whose tenth is tiny or denormal.
uint32_t withExponent(std::mt19937& rng, uint32_t exponent) {
  return (rng() & 0x807FFFFFu) | (exponent << 23);
}

struct Streams {
  std::vector<uint32_t> a, b;
};

Streams makeStreams() {
  Streams s;
  const auto& edges = voltstest::edgePatterns();
  for (uint32_t x : edges)
    for (uint32_t y : edges) {
      s.a.push_back(x);
      s.b.push_back(y);
    }
  std::mt19937 rng(8u);
  for (int i = 0; i < 400; ++i) {
    // Exponents 0..6 and around 2^-89 / 10 (field 34..38), and pairs sharing
    // the sign and exponent, whose scaled words XOR to tiny ones.
    const uint32_t e = (i % 3 == 0) ? rng() % 7 : (i % 3 == 1 ? 34 + rng() % 5 : rng() % 256);
    const uint32_t x = withExponent(rng, e);
    s.a.push_back(x);
    s.b.push_back(i % 2 == 0 ? ((x & 0xFF800000u) | (rng() & 0x7FFFFFu)) : rng());
  }
  return s;
}

const Streams& streams() {
  static const Streams s = makeStreams();
  return s;
}

// Lengths around every vector width, run one after the other.
constexpr int32_t kCalls[] = {0,  1,  2,  3,  4,  5,  7,  8,   9,  15,
                              16, 17, 31, 32, 33, 47, 64, 100, -3, 255};

std::string what(Path p, VariantId v, int k, volts::Inputs in, uint32_t cap) {
  char text[120];
  std::snprintf(text, sizeof text, "%s, variant %d, formula %d, input case %d, cap 0x%08X",
                volts::pathName(p), static_cast<int>(v), k, static_cast<int>(in), cap);
  return text;
}

class VoltsPath : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    if (volts::compiledTable(VariantId::Plain, GetParam()) == nullptr)
      GTEST_SKIP() << volts::pathName(GetParam()) << " is not built into this build";
    if (!volts::pathRuns(GetParam()))
      GTEST_SKIP() << volts::pathName(GetParam()) << " does not run on this processor";
  }
};

TEST_P(VoltsPath, EveryRoutineMatchesTheModelBitForBit) {
  const Path path = GetParam();
  const Streams& s = streams();
  const auto n = static_cast<int32_t>(s.a.size());
  // One cell of slack in front, so that the routines see unaligned buffers.
  std::vector<float> a(static_cast<size_t>(n) + 1), b(a.size()),
      c(static_cast<size_t>(n) + 2 * kGuard);
  for (int32_t i = 0; i < n; ++i) {
    a[static_cast<size_t>(i) + 1] = testsupport::floatOf(s.a[static_cast<size_t>(i)]);
    b[static_cast<size_t>(i) + 1] = testsupport::floatOf(s.b[static_cast<size_t>(i)]);
  }
  const float* pa = a.data() + 1;
  const float* pb = b.data() + 1;
  float* pc = c.data() + kGuard;
  const auto cellOf = [&](int32_t i) { return testsupport::bitsOf(pc[i]); };
  for (int32_t v = 0; v < volts::kVariantCount; ++v) {
    const auto variant = static_cast<VariantId>(v);
    const volts::KernelTable& table = *volts::compiledTable(variant, path);
    for (uint32_t cap : capsOf(variant)) {
      for (int32_t in = 0; in < volts::kInputCases; ++in) {
        const auto inputs = static_cast<volts::Inputs>(in);
        const bool readsA = inputs != volts::Inputs::BStreams;
        const bool readsB = inputs != volts::Inputs::AStreams;
        for (int k = 0; k < formula::kCount; ++k) {
          const std::string label = what(path, variant, k, inputs, cap);
          // Held operands: a signalling NaN and a denormal, already in volts.
          const uint32_t heldA = 0x7F812345u, heldB = 0x80000001u;
          uint32_t scaledA = heldA, scaledB = heldB, result = 0x12345678u;
          for (float& cell : c) cell = testsupport::floatOf(kUnwritten);
          int32_t offset = 0;
          int failures = 0;
          std::vector<int32_t> calls(std::begin(kCalls), std::end(kCalls));
          calls.push_back(0);  // the rest of the streams, filled in below
          for (int32_t& frames : calls) {
            if (&frames == &calls.back()) frames = n - offset;
            const uint32_t beforeA = scaledA, beforeB = scaledB, beforeResult = result;
            table.routine[in][k](pa, pb, pc, offset, frames, scaledA, scaledB, result, cap);
            const int32_t written = frames > 0 ? frames : 0;
            for (int32_t i = offset - kGuard; i < offset + written + kGuard; ++i) {
              const bool inside = i >= offset && i < offset + written;
              if (!inside && (i >= offset || i < 0)) {
                if (cellOf(i) != kUnwritten && failures++ < 3)
                  ADD_FAILURE() << label << ": C[" << i << "] written outside the call";
                continue;
              }
              if (!inside) continue;
              const uint32_t x = readsA ? s.a[static_cast<size_t>(i)] : 0u;
              const uint32_t y = readsB ? s.b[static_cast<size_t>(i)] : 0u;
              const uint32_t wa = readsA ? voltsref::toVolts(x) : heldA;
              const uint32_t wb = readsB ? voltsref::toVolts(y) : heldB;
              const uint32_t want =
                  voltsref::output(kModelOf[v], voltsref::formulaWord(k, wa, wb), cap, false);
              if (cellOf(i) != want && failures++ < 3)
                ADD_FAILURE() << label << ": C[" << i << "] = 0x" << std::hex << cellOf(i)
                              << ", expected 0x" << want << " (a 0x" << x << ", b 0x" << y << ")";
            }
            if (written == 0) {
              EXPECT_EQ(scaledA, beforeA) << label;
              EXPECT_EQ(scaledB, beforeB) << label;
              EXPECT_EQ(result, beforeResult) << label;
            } else {
              const int32_t last = offset + written - 1;
              const bool usesA = voltsref::usesA(k), usesB = voltsref::usesB(k);
              const uint32_t wantA =
                  readsA && usesA ? voltsref::toVolts(s.a[static_cast<size_t>(last)]) : beforeA;
              const uint32_t wantB =
                  readsB && usesB ? voltsref::toVolts(s.b[static_cast<size_t>(last)]) : beforeB;
              EXPECT_EQ(scaledA, wantA) << label << ", after " << frames;
              EXPECT_EQ(scaledB, wantB) << label << ", after " << frames;
              EXPECT_EQ(result, cellOf(last)) << label << ", after " << frames;
            }
            offset += written;
          }
          ASSERT_EQ(failures, 0) << label;
        }
      }
    }
  }
}

// Words from the bands where the paths do their own exact arithmetic: tenths
// below 2^-126 (exponent fields 0..5), the strip limit 2^-89 (fields 34..40),
// the largest words, and a stride through all of them.
std::vector<uint32_t> sweepWords() {
  std::vector<uint32_t> words;
  for (uint32_t sign : {0u, 0x80000000u}) {
    for (uint32_t e : {0u, 1u, 2u, 3u, 4u, 5u, 34u, 35u, 36u, 37u, 38u, 39u, 40u, 254u, 255u}) {
      const uint32_t base = sign | (e << 23);
      for (uint32_t f = 0; f < 0x800000u; f += 193) words.push_back(base | f);
      for (uint32_t f : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 0x1FFFFFu, 0x200000u, 0x200001u, 0x400000u,
                         0x7FFFFEu, 0x7FFFFFu})
        words.push_back(base | f);
    }
  }
  for (uint64_t w = 7; w <= 0xFFFFFFFFu; w += 65521) words.push_back(static_cast<uint32_t>(w));
  return words;
}

TEST_P(VoltsPath, OutputStepMatchesTheModelOverWholeBands) {
  const Path path = GetParam();
  static const std::vector<uint32_t> words = sweepWords();
  std::vector<uint32_t> out(words.size());
  for (int32_t v = 0; v < volts::kVariantCount; ++v) {
    const auto variant = static_cast<VariantId>(v);
    for (uint32_t cap : {0x7F800000u, 0x41200000u, 0x00000000u, 0xC0400000u, 0x80000000u}) {
      if (variant != VariantId::Capped && cap != 0x7F800000u) continue;
      volts::compiledTable(variant, path)
          ->outputs(words.data(), out.data(), static_cast<int32_t>(words.size()), cap);
      int failures = 0;
      for (size_t i = 0; i < words.size() && failures < 5; ++i) {
        const uint32_t want = voltsref::output(kModelOf[v], words[i], cap, false);
        if (out[i] != want) {
          ++failures;
          ADD_FAILURE() << volts::pathName(path) << ", variant " << v << ", cap 0x" << std::hex
                        << cap << ": word 0x" << words[i] << " gives 0x" << out[i]
                        << ", expected 0x" << want;
        }
      }
    }
  }
}

TEST_P(VoltsPath, FillWritesThePatternInTheRangeOnly) {
  const volts::KernelTable& table = *volts::compiledTable(VariantId::Plain, GetParam());
  std::vector<float> c(300);
  for (int32_t offset : {0, 1, 3, 7}) {
    for (int32_t frames : {-2, 0, 1, 3, 4, 7, 8, 15, 16, 17, 33, 64, 250}) {
      for (float& cell : c) cell = testsupport::floatOf(kUnwritten);
      // A signalling NaN pattern: the fill stores it untouched.
      table.fill(c.data(), offset, frames, 0x7F80ABCDu);
      for (int32_t i = 0; i < static_cast<int32_t>(c.size()); ++i) {
        const bool inside = i >= offset && i < offset + frames;
        ASSERT_EQ(testsupport::bitsOf(c[static_cast<size_t>(i)]), inside ? 0x7F80ABCDu : kUnwritten)
            << volts::pathName(GetParam()) << ", offset " << offset << ", frames " << frames
            << ", cell " << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, VoltsPath,
                         ::testing::Values(Path::Scalar, Path::Sse2, Path::Avx2, Path::Avx512),
                         [](const auto& info) { return std::string(volts::pathName(info.param)); });

TEST(VoltsPathChoice, TheLibraryRunsTheWidestPathThisProcessorRuns) {
  EXPECT_TRUE(volts::pathRuns(Path::Scalar));
#if defined(__x86_64__) || defined(__i386__)
  // Every processor these modules are built for has SSE2.
  EXPECT_TRUE(volts::pathRuns(Path::Sse2));
#endif
  Path widest = Path::Scalar;
  for (int32_t p = 0; p < volts::kPathCount; ++p)
    if (volts::pathRuns(static_cast<Path>(p))) widest = static_cast<Path>(p);
  EXPECT_EQ(volts::activePath(), widest) << volts::pathName(volts::activePath());
  for (int32_t v = 0; v < volts::kVariantCount; ++v)
    EXPECT_EQ(&volts::activeTable(static_cast<VariantId>(v)),
              volts::compiledTable(static_cast<VariantId>(v), widest));
  EXPECT_EQ(volts::compiledTable(static_cast<VariantId>(7), Path::Scalar), nullptr);
  EXPECT_EQ(volts::compiledTable(VariantId::Plain, static_cast<Path>(9)), nullptr);
  std::printf("voltage paths: active %s\n", volts::pathName(volts::activePath()));
}

}  // namespace
