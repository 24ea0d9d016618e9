// volts_bench: the voltage modules' per-sample routines timed against two
// references on the same buffers, in nanoseconds per sample.
//   floor-<isa>   the routine's loads and stores with an integer XOR in place
//                 of the arithmetic, one build per instruction set, on the
//                 host's buffers (the floor of ours)
//   floor-<isa>-aligned  the same on the bench's own buffers (the floor of
//                 ours-<isa>: each path against its own instruction set)
//   naive         a scalar module that switches on formula and input case per
//                 element (checked bit for bit against the modules at start-up)
//   ours          the real plug-in's process entry, called as a host calls it,
//                 on the host's buffers: the path the library chose
//   ours-<path>   each compiled path that runs here, called directly on
//                 64-byte aligned buffers of the bench's own
// The default grid is what bench/ratio_table.py needs. VOLTS_BENCH_GRID=full
// registers every variant x formula x input case x block size as well.
// Benchmark names: volts/<variant>/<data>/<inputs>/b<block>/<kernel> and
// fill/<variant>/static/b<block>/<kernel>.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchKernels.h"
#include "formula/Formula.h"
#include "host/Instance.h"
#include "host/PluginLibrary.h"
#include "modules/voltage/VoltsKernels.h"
#include "modules/voltage/VoltsPaths.h"

namespace {

using volts::Inputs;
using volts::Path;
using volts::VariantId;

constexpr int32_t kMaxBlock = 1024;
constexpr int32_t kBlocks[] = {1, 32, 256, 1024};
constexpr int32_t kFillBlocks[] = {32, 256, 1024};
constexpr uint32_t kCapBits = 0x41200000u;  // Cap = 10.0 volts
constexpr Path kFloorPaths[] = {Path::Sse2, Path::Avx2, Path::Avx512};
constexpr Path kAllPaths[] = {Path::Scalar, Path::Sse2, Path::Avx2, Path::Avx512};

struct VariantInfo {
  VariantId id;
  const char* name;
  const char* plugin;
};
constexpr VariantInfo kVariants[] = {{VariantId::Plain, "plain", "ostrel_binary_v"},
                                     {VariantId::Capped, "cap", "ostrel_binary_v_8"},
                                     {VariantId::DenormalStrip, "dn", "ostrel_binary_v_dn"}};

// The data classes of the table: one formula and one pattern per input, every
// element of a buffer the same.
struct DataClass {
  const char* name;
  int32_t formula;
  uint32_t a, b;
};
constexpr DataClass kClasses[] = {
    // 0.5 AND 0.25 in volts: R = 2.5, C = 0.25.
    {"normal", 0, 0x3F000000u, 0x3E800000u},
    // 0.5 XOR 0.25 in volts: R = 0x00800000, C = 0x000CCCCD, a denormal.
    {"denormal-out", 4, 0x3F000000u, 0x3E800000u},
    // NOT a with A = 0: R = C = 0xFFFFFFFF, a NaN.
    {"nan-out", 8, 0x00000000u, 0x3E800000u},
    // Denormal A and B, OR: the scaled operands 0x00028000 and 0x00000A00, R
    // and C are denormal too, so every multiply has a denormal operand.
    {"denormal-in", 1, 0x00004000u, 0x00000100u},
};

const char* caseName(Inputs in) {
  switch (in) {
    case Inputs::Both: return "both";
    case Inputs::AStreams: return "a-only";
    case Inputs::BStreams: return "b-only";
  }
  return "?";
}

// Which buffers routine (k, in) reads, from the formula table itself.
struct Reads {
  bool a, b;
};
template <Inputs In>
struct ReadsOf {
  template <int K>
  static constexpr Reads get() noexcept {
    return {volts::kReadsA<K, In>, volts::kReadsB<K, In>};
  }
};
Reads readsOf(int32_t k, Inputs in) {
  static constexpr auto both = formula::makeTable<ReadsOf<Inputs::Both>>();
  static constexpr auto aOnly = formula::makeTable<ReadsOf<Inputs::AStreams>>();
  static constexpr auto bOnly = formula::makeTable<ReadsOf<Inputs::BStreams>>();
  const auto& t = in == Inputs::Both ? both : in == Inputs::AStreams ? aOnly : bOnly;
  return t[static_cast<size_t>(k)];
}

// The floor loop with the loads and stores of routine (k, in).
volts::Kernel floorKernel(const bench::FloorSet& set, int32_t k, Inputs in) {
  const Reads r = readsOf(k, in);
  if (r.a && r.b) return set.both;
  if (r.a) return set.aOnly;
  if (r.b) return set.bOnly;
  return set.store;
}

// ------------------------------------------------------------ the plug-ins

// One open instance of a voltage plug-in in the simulated host, reused by
// every benchmark of its variant: floor, naive and ours run on its buffers.
struct Rig {
  std::unique_ptr<semhost::PluginLibrary> library;
  std::unique_ptr<semhost::Instance> instance;
  int32_t descCap = -1, descA = -1, descB = -1, descC = -1;
  int32_t dspA = -1, dspB = -1;
  void* object = nullptr;

  float* a() { return instance->buffer(descA); }
  float* b() { return instance->buffer(descB); }
  float* c() { return instance->buffer(descC); }

  // Fills A and B, then selects formula k and input case in (a held operand
  // is the sample at the clock, element 0); returns the process entry.
  ProcessRoutine select(int32_t k, Inputs in, const uint32_t* wordsA, const uint32_t* wordsB,
                        int32_t n) {
    std::memcpy(a(), wordsA, sizeof(float) * static_cast<size_t>(n));
    std::memcpy(b(), wordsB, sizeof(float) * static_cast<size_t>(n));
    instance->setInput(0, static_cast<uint32_t>(k));
    instance->deliverStatus(dspA, in != Inputs::BStreams ? statusStreaming : statusStatic);
    instance->deliverStatus(dspB, in != Inputs::AStreams ? statusStreaming : statusStatic);
    instance->clearOutputs();
    return instance->processEntry();
  }

  // Both inputs held: past the three marked selections, so every call is the
  // plain fill of the held output (plus the countdown to hostSleep).
  ProcessRoutine selectStatic(int32_t k, uint32_t wordA, uint32_t wordB) {
    std::fill_n(reinterpret_cast<uint32_t*>(a()), kMaxBlock, wordA);
    std::fill_n(reinterpret_cast<uint32_t*>(b()), kMaxBlock, wordB);
    instance->setInput(0, static_cast<uint32_t>(k));
    for (int i = 0; i < 4; ++i) {
      instance->deliverStatus(dspA, statusStatic);
      instance->deliverStatus(dspB, statusStatic);
    }
    instance->clearOutputs();
    return instance->processEntry();
  }
};

std::string pluginDir() {
  if (const char* env = std::getenv("SEM_PLUGIN_DIR")) return env;
  return SEM_BENCH_PLUGIN_DIR;
}

Rig* gRigs[volts::kVariantCount] = {};

Rig& rig(VariantId v) { return *gRigs[static_cast<int>(v)]; }

bool openRigs() {
  for (const VariantInfo& info : kVariants) {
    auto r = std::make_unique<Rig>();
    const std::string path = pluginDir() + "/" + info.plugin + ".sem";
    std::string error;
    r->library = semhost::PluginLibrary::load(path, &error);
    if (!r->library) {
      std::fprintf(stderr, "volts_bench: cannot load %s: %s\n", path.c_str(), error.c_str());
      return false;
    }
    semhost::InstanceOptions options;
    options.blockSize = kMaxBlock;
    r->instance = std::make_unique<semhost::Instance>(*r->library, options);
    if (!r->instance->created()) {
      std::fprintf(stderr, "volts_bench: %s made no module\n", path.c_str());
      return false;
    }
    r->instance->setTracing(false);
    r->instance->open();
    const semhost::PinInfo* pa = r->instance->pinByName("A");
    const semhost::PinInfo* pb = r->instance->pinByName("B");
    const semhost::PinInfo* pc = r->instance->pinByName("C");
    if (pa == nullptr || pb == nullptr || pc == nullptr) {
      std::fprintf(stderr, "volts_bench: %s lacks pin A, B or C\n", path.c_str());
      return false;
    }
    r->descA = pa->descIndex;
    r->descB = pb->descIndex;
    r->descC = pc->descIndex;
    r->dspA = pa->dspIndex;
    r->dspB = pb->dspIndex;
    if (info.id == VariantId::Capped) {
      const semhost::PinInfo* cap = r->instance->pinByName("Cap");
      if (cap == nullptr) {
        std::fprintf(stderr, "volts_bench: %s lacks pin Cap\n", path.c_str());
        return false;
      }
      r->descCap = cap->descIndex;
      r->instance->setInput(r->descCap, kCapBits);
    }
    r->object = r->instance->dspRecord()->object;
    gRigs[static_cast<int>(info.id)] = r.release();
  }
  return true;
}

// The bench's own buffers for direct path calls, aligned to a cache line.
alignas(64) float gA[kMaxBlock];
alignas(64) float gB[kMaxBlock];
alignas(64) float gC[kMaxBlock];

void fillWords(float* p, uint32_t w, int32_t n) {
  for (int32_t i = 0; i < n; ++i) std::memcpy(p + i, &w, sizeof w);
}

uint32_t wordAt(const float* p, int32_t i) {
  uint32_t w;
  std::memcpy(&w, p + i, sizeof w);
  return w;
}

// ------------------------------------------------------------ start-up check

// Every routine of every variant through the process entry, against the naive
// module and every compiled path that runs here, on patterns that cover
// ordinary values, zeros, denormals, infinities and NaNs of both kinds. The
// floor is checked to be the XOR it stands for. A difference stops the bench:
// a baseline that computes something else measures nothing.
bool verify() {
  constexpr int32_t n = 203;  // not a multiple of any vector width
  std::vector<uint32_t> wa(n), wb(n);
  const uint32_t edgeWords[] = {0x3F000000u, 0x3E800000u, 0x00000000u, 0x80000000u,
                                0x00000001u, 0x00004000u, 0x807FFFFFu, 0x00800000u,
                                0x7F800000u, 0xFF800000u, 0x7FC00000u, 0x7F812345u,
                                0xFFFFFFFFu, 0x41200000u, 0xC1A00000u, 0x3DCCCCCDu,
                                0x219392EFu, 0x7F7FFFFFu};
  std::mt19937 rng(11u);
  for (int32_t i = 0; i < n; ++i) {
    const size_t s = static_cast<size_t>(i) % std::size(edgeWords);
    wa[static_cast<size_t>(i)] = i < 60 ? edgeWords[s] : rng();
    wb[static_cast<size_t>(i)] = i < 60 ? edgeWords[(s * 7 + 3) % std::size(edgeWords)] : rng();
  }
  std::vector<float> out(n);
  auto compare = [&](const float* want, const float* got, const char* who, const VariantInfo& v,
                     int32_t k, Inputs in) {
    for (int32_t i = 0; i < n; ++i) {
      if (wordAt(want, i) != wordAt(got, i)) {
        std::fprintf(stderr,
                     "volts_bench: %s differs from the module (%s, formula %d, %s) at element %d: "
                     "0x%08X, module 0x%08X (a 0x%08X, b 0x%08X)\n",
                     who, v.name, k, caseName(in), i, wordAt(got, i), wordAt(want, i),
                     wa[static_cast<size_t>(i)], wb[static_cast<size_t>(i)]);
        return false;
      }
    }
    return true;
  };
  for (const VariantInfo& v : kVariants) {
    Rig& r = rig(v.id);
    for (int32_t k = 0; k < formula::kCount; ++k) {
      for (Inputs in : {Inputs::Both, Inputs::AStreams, Inputs::BStreams}) {
        const ProcessRoutine entry = r.select(k, in, wa.data(), wb.data(), n);
        fillWords(r.c(), 0x7FA5A5A5u, n);
        entry(r.object, 0, n);
        const float* want = r.c();
        const uint32_t heldA = volts::toVolts(std::bit_cast<float>(wa[0]));
        const uint32_t heldB = volts::toVolts(std::bit_cast<float>(wb[0]));

        bench::NaiveModule m;
        m.a = r.a();
        m.b = r.b();
        m.c = out.data();
        m.formula = k;
        m.streamingA = in != Inputs::BStreams;
        m.streamingB = in != Inputs::AStreams;
        m.variant = v.id;
        m.cap = std::bit_cast<float>(kCapBits);
        m.heldA = heldA;
        m.heldB = heldB;
        bench::naiveProcess(&m, 0, n);
        if (!compare(want, out.data(), "naive", v, k, in)) return false;

        for (Path p : kAllPaths) {
          const volts::KernelTable* table = volts::compiledTable(v.id, p);
          if (table == nullptr || !volts::pathRuns(p)) continue;
          uint32_t sA = heldA, sB = heldB, res = 0;
          fillWords(out.data(), 0x7FA5A5A5u, n);
          table->routine[static_cast<int>(in)][k](r.a(), r.b(), out.data(), 0, n, sA, sB, res,
                                                  kCapBits);
          const std::string who = std::string("path ") + volts::pathName(p);
          if (!compare(want, out.data(), who.c_str(), v, k, in)) return false;
        }
      }
    }
  }
  for (Path p : kFloorPaths) {
    if (!volts::pathRuns(p)) continue;
    uint32_t sA = 0, sB = 0, res = 0;
    bench::floorFor(p).both(reinterpret_cast<const float*>(wa.data()),
                            reinterpret_cast<const float*>(wb.data()), out.data(), 0, n, sA, sB,
                            res, 0);
    for (int32_t i = 0; i < n; ++i) {
      const size_t s = static_cast<size_t>(i);
      if (wordAt(out.data(), i) != (wa[s] ^ wb[s])) {
        std::fprintf(stderr, "volts_bench: floor of %s is not a ^ b at element %d\n",
                     volts::pathName(p), i);
        return false;
      }
    }
  }
  return true;
}

// ------------------------------------------------------------ the benchmarks

void countSamples(benchmark::State& state, int32_t frames) {
  const double samples = static_cast<double>(state.iterations()) * frames;
  state.SetItemsProcessed(static_cast<int64_t>(samples));
  // Samples per second of CPU time, inverted: seconds per sample (the console
  // shows it with a unit prefix, e.g. 71.9ps; bench/ratio_table.py reads it).
  state.counters["per_sample"] =
      benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A routine with the kernel's arguments on the given buffers.
void timeKernel(benchmark::State& state, volts::Kernel kernel, const float* a, const float* b,
                float* c, int32_t frames, uint32_t heldA, uint32_t heldB, uint32_t result) {
  benchmark::DoNotOptimize(kernel);
  uint32_t sA = heldA, sB = heldB, res = result;
  for (auto _ : state) {
    kernel(a, b, c, 0, frames, sA, sB, res, kCapBits);
    benchmark::DoNotOptimize(res);
    benchmark::ClobberMemory();
    sA = heldA;
    sB = heldB;
  }
  countSamples(state, frames);
}

// A process routine of the host's calling form.
void timeProcess(benchmark::State& state, ProcessRoutine process, void* object, int32_t frames) {
  benchmark::DoNotOptimize(process);
  benchmark::DoNotOptimize(object);
  for (auto _ : state) {
    process(object, 0, frames);
    benchmark::ClobberMemory();
  }
  countSamples(state, frames);
}

// memset of the block through a call like a kernel's: the C library's own
// store loop, the speed a fill is measured against.
void memsetBlock(const float*, const float*, float* c, int32_t offset, int32_t frames, uint32_t&,
                 uint32_t&, uint32_t&, uint32_t) noexcept {
  std::memset(c + offset, 0, sizeof(float) * static_cast<size_t>(frames));
}

double minOf(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void add(const std::string& name, std::function<void(benchmark::State&)> fn) {
  benchmark::RegisterBenchmark(name.c_str(), std::move(fn))->ComputeStatistics("min", minOf);
}

struct Config {
  const VariantInfo* variant;
  std::string data;  // the data-class part of the name
  int32_t formula;
  Inputs in;
  uint32_t a, b;
  int32_t frames;
};

// floor-<isa>, floor-<isa>-aligned, naive, ours and ours-<path> of one
// configuration, next to each other so that they run close together in time.
// The host's three buffers are separate allocations whose addresses differ
// by a little over 32 KiB, so where they sit relative to each other modulo
// 4 KiB is the host's choice; the floor is timed on both sets of buffers so
// that each kernel is compared with a floor on the very buffers it ran on.
void registerConfig(const Config& cfg) {
  const std::string prefix = std::string("volts/") + cfg.variant->name + "/" + cfg.data + "/" +
                             caseName(cfg.in) + "/b" + std::to_string(cfg.frames) + "/";
  const VariantId id = cfg.variant->id;
  // Floor, naive and the process entry on the host's buffers.
  auto hostSetup = [cfg, id]() {
    std::vector<uint32_t> wa(kMaxBlock, cfg.a), wb(kMaxBlock, cfg.b);
    return rig(id).select(cfg.formula, cfg.in, wa.data(), wb.data(), kMaxBlock);
  };
  for (Path p : kFloorPaths) {
    if (!volts::pathRuns(p)) continue;
    add(prefix + "floor-" + volts::pathName(p), [cfg, id, p, hostSetup](benchmark::State& state) {
      hostSetup();
      Rig& r = rig(id);
      const uint32_t heldA = volts::toVolts(std::bit_cast<float>(cfg.a));
      const uint32_t heldB = volts::toVolts(std::bit_cast<float>(cfg.b));
      timeKernel(state, floorKernel(bench::floorFor(p), cfg.formula, cfg.in), r.a(), r.b(), r.c(),
                 cfg.frames, heldA, heldB, 0u);
    });
  }
  for (Path p : kFloorPaths) {
    if (!volts::pathRuns(p)) continue;
    add(prefix + "floor-" + volts::pathName(p) + "-aligned", [cfg, p](benchmark::State& state) {
      fillWords(gA, cfg.a, kMaxBlock);
      fillWords(gB, cfg.b, kMaxBlock);
      const uint32_t heldA = volts::toVolts(std::bit_cast<float>(cfg.a));
      const uint32_t heldB = volts::toVolts(std::bit_cast<float>(cfg.b));
      timeKernel(state, floorKernel(bench::floorFor(p), cfg.formula, cfg.in), gA, gB, gC,
                 cfg.frames, heldA, heldB, 0u);
    });
  }
  add(prefix + "naive", [cfg, id, hostSetup](benchmark::State& state) {
    hostSetup();
    Rig& r = rig(id);
    bench::NaiveModule m;
    m.a = r.a();
    m.b = r.b();
    m.c = r.c();
    m.formula = cfg.formula;
    m.streamingA = cfg.in != Inputs::BStreams;
    m.streamingB = cfg.in != Inputs::AStreams;
    m.variant = id;
    m.cap = std::bit_cast<float>(kCapBits);
    m.heldA = volts::toVolts(std::bit_cast<float>(cfg.a));
    m.heldB = volts::toVolts(std::bit_cast<float>(cfg.b));
    timeProcess(state, &bench::naiveProcess, &m, cfg.frames);
  });
  add(prefix + "ours", [cfg, id, hostSetup](benchmark::State& state) {
    const ProcessRoutine entry = hostSetup();
    timeProcess(state, entry, rig(id).object, cfg.frames);
  });
  for (Path p : kAllPaths) {
    const volts::KernelTable* table = volts::compiledTable(id, p);
    if (table == nullptr || !volts::pathRuns(p)) continue;
    const volts::Kernel kernel = table->routine[static_cast<int>(cfg.in)][cfg.formula];
    add(prefix + "ours-" + volts::pathName(p), [cfg, kernel](benchmark::State& state) {
      fillWords(gA, cfg.a, kMaxBlock);
      fillWords(gB, cfg.b, kMaxBlock);
      const uint32_t heldA = volts::toVolts(std::bit_cast<float>(cfg.a));
      const uint32_t heldB = volts::toVolts(std::bit_cast<float>(cfg.b));
      timeKernel(state, kernel, gA, gB, gC, cfg.frames, heldA, heldB, 0u);
    });
  }
}

// The both-static fill of A = 0.5, B = 0.25, formula 0 through the process
// entry, beside memset and the store-only floors, on the host's C buffer.
void registerFill(const VariantInfo& v, int32_t frames) {
  const std::string prefix =
      std::string("fill/") + v.name + "/static/b" + std::to_string(frames) + "/";
  const VariantId id = v.id;
  add(prefix + "memset", [id, frames](benchmark::State& state) {
    rig(id).selectStatic(0, 0x3F000000u, 0x3E800000u);
    timeKernel(state, &memsetBlock, nullptr, nullptr, rig(id).c(), frames, 0u, 0u, 0u);
  });
  for (Path p : kFloorPaths) {
    if (!volts::pathRuns(p)) continue;
    add(prefix + "floor-" + volts::pathName(p), [id, frames, p](benchmark::State& state) {
      rig(id).selectStatic(0, 0x3F000000u, 0x3E800000u);
      timeKernel(state, bench::floorFor(p).store, nullptr, nullptr, rig(id).c(), frames, 0u, 0u,
                 0x3E800000u);
    });
  }
  add(prefix + "ours", [id, frames](benchmark::State& state) {
    const ProcessRoutine entry = rig(id).selectStatic(0, 0x3F000000u, 0x3E800000u);
    timeProcess(state, entry, rig(id).object, frames);
  });
}

void registerAll(bool full) {
  for (const VariantInfo& v : kVariants) {
    for (const DataClass& d : kClasses)
      for (int32_t frames : kBlocks)
        registerConfig({&v, d.name, d.formula, Inputs::Both, d.a, d.b, frames});
    for (int32_t frames : kFillBlocks) registerFill(v, frames);
    if (!full) {
      // One input held: a few formulas at one block size.
      for (Inputs in : {Inputs::AStreams, Inputs::BStreams})
        for (int32_t k : {0, 4, 8})
          registerConfig({&v, "f" + std::to_string(k), k, in, 0x3F000000u, 0x3E800000u, 256});
    }
  }
  if (!full) return;
  for (const VariantInfo& v : kVariants)
    for (int32_t k = 0; k < formula::kCount; ++k)
      for (Inputs in : {Inputs::Both, Inputs::AStreams, Inputs::BStreams})
        for (int32_t frames : kBlocks)
          registerConfig({&v, "f" + std::to_string(k), k, in, 0x3F000000u, 0x3E800000u, frames});
}

}  // namespace

namespace bench {

const FloorSet& floorFor(Path path) noexcept {
  switch (path) {
    case Path::Avx2: return floor_avx2::kernels();
    case Path::Avx512: return floor_avx512::kernels();
    default: return floor_sse2::kernels();
  }
}

}  // namespace bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!openRigs()) return 1;
  if (!verify()) return 1;
  const char* grid = std::getenv("VOLTS_BENCH_GRID");
  const bool full = grid != nullptr && std::strcmp(grid, "full") == 0;
  registerAll(full);

  std::string compiled, running;
  for (Path p : kAllPaths) {
    if (volts::compiledTable(VariantId::Plain, p) == nullptr) continue;
    compiled += std::string(compiled.empty() ? "" : ",") + volts::pathName(p);
    if (volts::pathRuns(p)) running += std::string(running.empty() ? "" : ",") + volts::pathName(p);
  }
  benchmark::AddCustomContext("volts_active_path", volts::pathName(volts::activePath()));
  benchmark::AddCustomContext("volts_paths_compiled", compiled);
  benchmark::AddCustomContext("volts_paths_running", running);
  benchmark::AddCustomContext(
      "volts_host_buffer_align",
      std::to_string(reinterpret_cast<uintptr_t>(rig(VariantId::Plain).c()) % 64));
  benchmark::AddCustomContext("volts_grid", full ? "full" : "default");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
