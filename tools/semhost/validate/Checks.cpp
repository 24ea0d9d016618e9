#include "Checks.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "AllocCounter.h"
#include "Rig.h"

namespace semvalidate {

using semref::Family;
using semref::Kind;

bool CheckContext::fail(const char* format, ...) {
  if (!failure.empty()) return false;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  failure = line;
  return false;
}

namespace {

// ------------------------------------------------------------------ inputs

constexpr float kRates[] = {8000.0f,   11025.0f,  16000.0f,  22050.0f, 32000.0f, 44100.0f,
                            48000.0f,  88200.0f,  96000.0f,  176400.0f, 192000.0f, 352800.0f,
                            384000.0f, 705600.0f, 768000.0f, 44100.5f, 47999.99f, 22050.25f,
                            8000.125f, 767999.9f};
constexpr int32_t kBlocks[] = {1, 2, 3, 31, 32, 33, 256, 1024, 4096};
constexpr int32_t kFrames[] = {0, 1, 2, 3, 31, 32, 33, 256, 1024, 4096};
constexpr int32_t kCapacity = 8192;
constexpr int32_t kRateCount = static_cast<int32_t>(sizeof kRates / sizeof kRates[0]);
constexpr int32_t kBlockCount = static_cast<int32_t>(sizeof kBlocks / sizeof kBlocks[0]);
constexpr int32_t kFrameCount = static_cast<int32_t>(sizeof kFrames / sizeof kFrames[0]);

int32_t pickBlock(Rng& rng) {
  if (rng.chance(15)) return 1 + rng.below(kCapacity);
  return kBlocks[rng.below(kBlockCount)];
}

int32_t pickFrames(Rng& rng) {
  if (rng.chance(20)) return 1 + rng.below(kCapacity);
  return kFrames[rng.below(kFrameCount)];
}

// Sample classes: zeros, signed zeros, denormals, NaN payloads (quiet and
// signalling), infinities, random bit patterns, audio-range values, and
// normals near the bottom of the range.
constexpr int32_t kClasses = 8;
const char* const kClassNames[kClasses + 1] = {
    "zeros", "signed zeros", "denormals", "NaN payloads", "infinities",
    "random bits", "audio", "small normals", "mixed"};

uint32_t sampleOfClass(Rng& rng, int32_t cls) {
  const uint32_t sign = rng.chance(50) ? 0x80000000u : 0u;
  switch (cls) {
    case 0: return 0u;
    case 1: return sign;
    case 2: return sign | (1u + rng.word() % 0x7FFFFFu);
    case 3: return sign | 0x7F800000u | (1u + rng.word() % 0x7FFFFFu);
    case 4: return sign | 0x7F800000u;
    case 5: return rng.word();
    case 6: {
      const float f = static_cast<float>(rng.word() >> 8) / 8388608.0f - 1.0f;
      uint32_t w;
      std::memcpy(&w, &f, 4);
      return w;
    }
    default:
      return sign | ((1u + static_cast<uint32_t>(rng.below(40))) << 23) | (rng.word() & 0x7FFFFFu);
  }
}

// Fills n samples with one class (or a mix); returns the class.
int32_t fillSamples(Rng& rng, uint32_t* data, int32_t n) {
  const int32_t cls = rng.below(kClasses + 1);
  for (int32_t i = 0; i < n; ++i)
    data[i] = sampleOfClass(rng, cls == kClasses ? rng.below(kClasses) : cls);
  return cls;
}

int32_t pickStatus(Rng& rng, bool hostile) {
  if (hostile && rng.chance(15)) {
    constexpr int32_t odd[] = {3, 4, -1, 100, INT_MIN, INT_MAX};
    return odd[rng.below(6)];
  }
  return rng.below(3);
}

int32_t pickFormula(Rng& rng, bool hostile) {
  if (hostile && rng.chance(15)) {
    constexpr int32_t odd[] = {16, 17, -1, 1000, INT_MIN, INT_MAX, 0x10000};
    return odd[rng.below(7)];
  }
  return rng.below(16);
}

void mix(uint64_t* digest, uint64_t v) {
  *digest = (*digest ^ v) * 0x100000001B3ull;
}

// ------------------------------------------------------------------ helpers

struct Scenario {
  int32_t steps = 32;
  int32_t eventPercent = 30;
  bool hostile = false;
  int32_t instances = 1;
  AllocCounts* alloc = nullptr;  // when set, module calls are counted
  uint64_t digest = 0xCBF29CE484222325ull;
};

// Runs f armed when the scenario counts allocations.
template <class F>
void moduleCall(Scenario& s, F f) {
  if (s.alloc == nullptr) {
    f();
    return;
  }
  ArmedScope armed(s.alloc);
  f();
}

bool recordsSane(CheckContext& ctx, Rig& rig) {
  if (rig.dsp() == nullptr || rig.gui() == nullptr)
    return ctx.fail("makeModule(0, 1 or 2) returned null");
  if (rig.knownProcess != rig.dsp()->process)
    return ctx.fail("the record's process entry changed without hostProcessChanged");
  if (rig.queuedEvents != 0) return ctx.fail("the module queued an event with hostQueueEvent");
  if (rig.logOverflow) return ctx.fail("the module flooded the host with calls");
  return true;
}

std::vector<std::unique_ptr<Rig>> makeRigs(CheckContext& ctx, int32_t n, RigOptions options) {
  std::vector<std::unique_ptr<Rig>> rigs;
  for (int32_t i = 0; i < n; ++i) rigs.push_back(std::make_unique<Rig>(ctx.make, options));
  return rigs;
}

// ------------------------------------------------------------------ voltage

bool voltsScenario(CheckContext& ctx, Rng rng, Scenario& s) {
  const semref::VoltsPins pins = semref::voltsPins(ctx.kind);
  const float rate = kRates[rng.below(kRateCount)];
  const int32_t block = pickBlock(rng);
  const bool sendBlock = rng.chance(85);
  RigOptions options;
  options.capacity = kCapacity;
  auto rigs = makeRigs(ctx, s.instances, options);
  semref::VoltsModel model(ctx.kind);
  const int32_t startClock = rng.chance(20) ? INT32_MAX - rng.below(20000) : rng.below(1 << 20);
  for (auto& rig : rigs) {
    if (rig->dsp() == nullptr || rig->gui() == nullptr)
      return ctx.fail("makeModule(0, 1 or 2) returned null");
    rig->open(rate, block, sendBlock);
    rig->clock = startClock;
    if (!recordsSane(ctx, *rig)) return false;
  }
  model.open(sendBlock ? block : 1024);
  std::vector<uint32_t> a(kCapacity), b(kCapacity), expected(kCapacity);
  int32_t storedA = 0, storedB = 0;
  const int32_t dspCount = rigs[0]->describedDspPins();

  for (int32_t step = 0; step < s.steps; ++step) {
    const int32_t frames = pickFrames(rng);
    // Mostly where a host puts a block (its start within one block size of the
    // buffer's start); sometimes anywhere in the buffer.
    const int32_t room = kCapacity - (frames > 0 ? frames : 1) + 1;
    const int32_t moduleBlock = sendBlock ? block : 1024;
    const int32_t offset = rng.chance(70) && moduleBlock > 0
                               ? rng.below(moduleBlock < room ? moduleBlock : room)
                               : rng.below(room);
    const int32_t classA = fillSamples(rng, a.data(), kCapacity);
    const int32_t classB = fillSamples(rng, b.data(), kCapacity);
    for (auto& rig : rigs) {
      std::memcpy(rig->buffer(pins.a), a.data(), sizeof(uint32_t) * kCapacity);
      std::memcpy(rig->buffer(pins.b), b.data(), sizeof(uint32_t) * kCapacity);
      rig->bufferStart =
          static_cast<int32_t>(static_cast<uint32_t>(rig->clock) - static_cast<uint32_t>(offset));
    }

    // Events at this sample time, before the block.
    const int32_t events =
        rng.chance(s.eventPercent) ? 1 + rng.below(s.hostile ? 6 : 3) : 0;
    for (int32_t e = 0; e < events; ++e) {
      int32_t kind = eventPinStatus;
      int32_t pin = 0;
      int32_t status = pickStatus(rng, s.hostile);
      const int32_t what = rng.below(s.hostile ? 8 : 5);
      if (what == 0) {
        const int32_t formula = pickFormula(rng, s.hostile);
        for (auto& rig : rigs) rig->writeVariable(pins.formula, static_cast<uint32_t>(formula));
        model.setFormulaVariable(formula);
        pin = pins.formula;
      } else if (what == 1 && pins.cap >= 0) {
        const uint32_t cap = sampleOfClass(rng, rng.below(kClasses));
        for (auto& rig : rigs) rig->writeVariable(pins.cap, cap);
        model.setCapVariable(cap);
        pin = pins.cap;
      } else if (what <= 2) {
        pin = pins.a;
      } else if (what == 3) {
        pin = pins.b;
      } else if (what == 4) {
        pin = pins.c;
      } else if (what == 5) {
        constexpr int32_t bad[] = {-1, INT_MIN, INT_MAX, 1000};
        pin = rng.chance(50) ? dspCount + rng.below(4) : bad[rng.below(4)];
      } else {
        constexpr int32_t kinds[] = {1, 2, 3, 20, 22, 100, -1};
        kind = kinds[rng.below(7)];
        pin = rng.below(dspCount);
      }
      const bool selects = kind == eventPinStatus && pin >= 0 && pin < dspCount;
      int32_t expectStatus = 0;
      if (selects) {
        const int32_t sa = pin == pins.a ? status : storedA;
        const int32_t sb = pin == pins.b ? status : storedB;
        expectStatus = model.select(sa, sb, semref::heldSample(a.data(), offset, moduleBlock),
                                    semref::heldSample(b.data(), offset, moduleBlock));
        if (pin == pins.a) storedA = status == statusChanged ? statusStatic : status;
        if (pin == pins.b) storedB = status == statusChanged ? statusStatic : status;
      }
      for (auto& rig : rigs) {
        const size_t before = rig->statuses.size();
        moduleCall(s, [&] { rig->event(kind, pin, status, static_cast<int32_t>(rng.word())); });
        const size_t sent = rig->statuses.size() - before;
        if (!selects && sent != 0)
          return ctx.fail("an event of kind %d for DSP pin %d made the module send a status",
                          kind, pin);
        if (selects) {
          if (sent != 1)
            return ctx.fail("a status %d for DSP pin %d made the module send %d statuses, "
                            "expected 1 for C", status, pin, static_cast<int>(sent));
          const RigStatus& got = rig->statuses.back();
          if (got.dspIndex != pins.c || got.status != expectStatus || got.time != rig->clock)
            return ctx.fail("after a status %d for DSP pin %d the module sent (pin %d, status %d, "
                            "time %d), expected (pin %d, status %d, time %d)",
                            status, pin, got.dspIndex, got.status, got.time, pins.c,
                            expectStatus, rig->clock);
          mix(&s.digest, static_cast<uint32_t>(got.status));
        }
        if (!recordsSane(ctx, *rig)) return false;
      }
    }

    // The block.
    std::memcpy(expected.data(), rigs[0]->buffer(pins.c), sizeof(uint32_t) * kCapacity);
    const bool sleeps = model.process(a.data(), b.data(), expected.data(), offset, frames);
    for (auto& rig : rigs) {
      const int32_t sleepsBefore = rig->sleepRequests;
      const size_t statusesBefore = rig->statuses.size();
      moduleCall(s, [&] { rig->process(offset, frames); });
      const uint32_t* c = rig->buffer(pins.c);
      if (std::memcmp(c, expected.data(), sizeof(uint32_t) * kCapacity) != 0) {
        int32_t i = 0;
        while (c[i] == expected[static_cast<size_t>(i)]) ++i;
        const bool inside = i >= offset && i < offset + frames;
        return ctx.fail("C[%d] is 0x%08X, expected 0x%08X (%s the block at offset %d of %d "
                        "frames; A %s, B %s)",
                        i, c[i], expected[static_cast<size_t>(i)], inside ? "inside" : "outside",
                        offset, frames, kClassNames[classA], kClassNames[classB]);
      }
      if (std::memcmp(rig->buffer(pins.a), a.data(), sizeof(uint32_t) * kCapacity) != 0 ||
          std::memcmp(rig->buffer(pins.b), b.data(), sizeof(uint32_t) * kCapacity) != 0)
        return ctx.fail("a process call of %d frames at offset %d modified an input buffer",
                        frames, offset);
      if (!rig->guardsIntact())
        return ctx.fail("a process call of %d frames at offset %d wrote a guard cell", frames,
                        offset);
      const int32_t slept = rig->sleepRequests - sleepsBefore;
      if (slept != (sleeps ? 1 : 0))
        return ctx.fail("a process call of %d frames made %d sleep requests, expected %d", frames,
                        slept, sleeps ? 1 : 0);
      if (rig->statuses.size() != statusesBefore)
        return ctx.fail("a process call sent a pin status");
      if (!recordsSane(ctx, *rig)) return false;
    }
    for (int32_t i = 0; i < frames; ++i) mix(&s.digest, expected[static_cast<size_t>(offset + i)]);
    for (auto& rig : rigs)
      rig->clock = static_cast<int32_t>(static_cast<uint32_t>(rig->clock) + static_cast<uint32_t>(rng.below(3)));
  }
  return true;
}

// ------------------------------------------------------------------ value

bool valueScenario(CheckContext& ctx, Rng rng, Scenario& s) {
  constexpr int32_t kFormulaPin = 0, kA = 1, kB = 2, kC = 3;
  auto rigs = makeRigs(ctx, s.instances, RigOptions{});
  semref::ValueModel model(ctx.kind);
  const float rate = kRates[rng.below(kRateCount)];
  const int32_t block = pickBlock(rng);
  const int32_t startClock = rng.chance(20) ? INT32_MAX - rng.below(8) : rng.below(1 << 20);
  for (auto& rig : rigs) {
    if (rig->dsp() == nullptr || rig->gui() == nullptr)
      return ctx.fail("makeModule(0, 1 or 2) returned null");
    rig->open(rate, block);
    rig->clock = startClock;
    if (!recordsSane(ctx, *rig)) return false;
  }
  model.open();
  auto variable = [&](Rig& rig, int32_t dspIndex) {
    uint32_t w = 0;
    const int32_t j = rig.descIndexOfDsp(dspIndex);
    std::memcpy(&w, rig.pins()[static_cast<size_t>(j)].d.valuePtr, 4);
    return w;
  };
  std::vector<semref::Announcement> expected;
  for (int32_t step = 0; step < s.steps; ++step) {
    const int32_t action = rng.below(10);
    if (action <= 5) {
      // New values, then a status for some pin: the module evaluates.
      if (rng.chance(50)) {
        const int32_t f = pickFormula(rng, s.hostile);
        for (auto& rig : rigs) rig->writeVariable(kFormulaPin, static_cast<uint32_t>(f));
      }
      const uint32_t wa = sampleOfClass(rng, rng.below(kClasses));
      const uint32_t wb = sampleOfClass(rng, rng.below(kClasses));
      const bool setA = rng.chance(60), setB = rng.chance(60);
      for (auto& rig : rigs) {
        if (setA) rig->writeVariable(kA, wa);
        if (setB) rig->writeVariable(kB, wb);
      }
      const int32_t pin = rng.below(4);
      const int32_t status = pickStatus(rng, s.hostile);
      expected.clear();
      const uint32_t c = model.evaluate(static_cast<int32_t>(variable(*rigs[0], kFormulaPin)),
                                        variable(*rigs[0], kA), variable(*rigs[0], kB),
                                        rigs[0]->clock, true, &expected);
      for (auto& rig : rigs) {
        const size_t before = rig->statuses.size();
        moduleCall(s, [&] { rig->event(eventPinStatus, pin, status); });
        if (rig->statuses.size() - before != expected.size())
          return ctx.fail("a status %d for DSP pin %d made the module send %d statuses, expected %d",
                          status, pin, static_cast<int>(rig->statuses.size() - before),
                          static_cast<int>(expected.size()));
        for (size_t k = 0; k < expected.size(); ++k) {
          const RigStatus& got = rig->statuses[before + k];
          if (got.dspIndex != kC || got.status != statusChanged || got.time != expected[k].time ||
              got.word != expected[k].word)
            return ctx.fail("announcement %d of C after a status for DSP pin %d: (pin %d, status "
                            "%d, time %d, C 0x%08X), expected (pin 3, status 1, time %d, C 0x%08X)",
                            static_cast<int>(k + 1), pin, got.dspIndex, got.status, got.time,
                            got.word, expected[k].time, expected[k].word);
          mix(&s.digest, got.word);
        }
        const uint32_t held = variable(*rig, kC);
        if ((ctx.kind == Kind::Bool ? (held & 1u) : held) != c)
          return ctx.fail("C holds 0x%08X after the evaluation, expected 0x%08X", held, c);
        if (!recordsSane(ctx, *rig)) return false;
      }
    } else if (action == 6) {
      // Events the module must ignore: pins it has none for, kinds it has no use for.
      int32_t kind = eventPinStatus, pin;
      constexpr int32_t bad[] = {-1, 4, 5, 1000, INT_MIN, INT_MAX};
      constexpr int32_t kinds[] = {1, 2, 3, 20, 22, 100, -1};
      if (rng.chance(50)) {
        pin = bad[rng.below(6)];
      } else {
        kind = kinds[rng.below(7)];
        pin = rng.below(4);
      }
      for (auto& rig : rigs) {
        const size_t before = rig->statuses.size();
        const uint32_t cBefore = variable(*rig, kC);
        moduleCall(s, [&] { rig->event(kind, pin, pickStatus(rng, true), static_cast<int32_t>(rng.word())); });
        if (rig->statuses.size() != before || variable(*rig, kC) != cBefore)
          return ctx.fail("an event of kind %d for DSP pin %d was not ignored", kind, pin);
      }
    } else if (action == 7) {
      const int32_t frames = pickFrames(rng);
      const int32_t offset = rng.below(kCapacity);
      for (auto& rig : rigs) {
        const int32_t before = rig->sleepRequests;
        const size_t statuses = rig->statuses.size();
        moduleCall(s, [&] { rig->process(offset, frames); });
        if (rig->sleepRequests - before != 1 || rig->statuses.size() != statuses)
          return ctx.fail("a process call made %d sleep requests and %d statuses, expected 1 and 0",
                          rig->sleepRequests - before, static_cast<int>(rig->statuses.size() - statuses));
        if (!recordsSane(ctx, *rig)) return false;
      }
    } else {
      const int32_t clock = rng.chance(30) ? INT32_MAX - rng.below(3) : static_cast<int32_t>(rng.word());
      for (auto& rig : rigs) rig->clock = clock;
    }
  }
  return true;
}

// The DSP side of a GUI-only module: no pins, sleeps at every call.
bool guiOnlyDspScenario(CheckContext& ctx, Rng rng, Scenario& s) {
  RigOptions options;
  options.pinCount = rng.chance(50) ? 0 : rng.below(8);
  auto rigs = makeRigs(ctx, s.instances, options);
  for (auto& rig : rigs) {
    if (rig->dsp() == nullptr || rig->gui() == nullptr)
      return ctx.fail("makeModule(0, 1 or 2) returned null");
    if (rig->describedDspPins() != 0) return ctx.fail("a GUI-only module describes DSP pins");
    rig->open(kRates[rng.below(kRateCount)], pickBlock(rng));
  }
  for (int32_t step = 0; step < s.steps; ++step) {
    const bool process = rng.chance(50);
    const int32_t frames = pickFrames(rng), offset = rng.below(kCapacity);
    const int32_t kind = rng.chance(70) ? 0 : rng.below(30) - 5;
    const int32_t pin = rng.below(10) - 2, status = pickStatus(rng, true);
    for (auto& rig : rigs) {
      const int32_t before = rig->sleepRequests;
      moduleCall(s, [&] {
        if (process) rig->process(offset, frames);
        else rig->event(kind == 21 ? 0 : kind, pin, status);
      });
      if (rig->sleepRequests - before != (process ? 1 : 0) || !rig->statuses.empty())
        return ctx.fail("the DSP side of a GUI-only module did more than sleep");
      if (!recordsSane(ctx, *rig)) return false;
    }
    mix(&s.digest, static_cast<uint64_t>(rigs[0]->sleepRequests));
  }
  return true;
}

bool dspScenario(CheckContext& ctx, Rng rng, Scenario& s) {
  switch (semref::familyOf(ctx.kind)) {
    case Family::Voltage: return voltsScenario(ctx, rng, s);
    case Family::Value: return valueScenario(ctx, rng, s);
    default: return guiOnlyDspScenario(ctx, rng, s);
  }
}

// ------------------------------------------------------------------ GUI side

// The model's host: the same pin store, write log and notification policy
// as the rig, around a GuiModel instead of the module.
class ModelHost : public semref::GuiPins {
 public:
  ModelHost(Kind kind, Notify notify) : model_(kind), notify_(notify) {}

  uint32_t get(int32_t index) override { return known(index) ? values[index] : 0u; }
  void set(int32_t index, uint32_t word) override {
    const bool changed = !known(index) || values[index] != word;
    if (known(index)) values[index] = word;
    writes.push_back(RigWrite{index, word});
    if (onWrite != nullptr) onWrite(this, index, onWriteContext);
    if (notify_ == Notify::Reentrant) dispatch(index);
    else if (notify_ == Notify::Deferred && changed && pending_.size() < 256) pending_.push_back(index);
  }
  void initialise(bool keep) {
    ++depth_;
    model_.initialise(*this, keep);
    --depth_;
    drain();
  }
  void userSet(int32_t index, uint32_t word) {
    if (known(index)) values[index] = word;
    dispatch(index);
  }
  void dispatch(int32_t index) {
    ++depth_;
    model_.pinChanged(*this, index);
    --depth_;
    if (depth_ == 0) drain();
  }

  uint32_t values[64] = {};
  std::vector<RigWrite> writes;
  void (*onWrite)(ModelHost* host, int32_t index, void* context) = nullptr;
  void* onWriteContext = nullptr;

 private:
  static bool known(int32_t index) { return index >= 0 && index < 64; }
  void drain() {
    if (draining_) return;
    draining_ = true;
    for (int32_t round = 0; round < 10000 && !pending_.empty(); ++round) {
      const int32_t index = pending_.front();
      pending_.erase(pending_.begin());
      dispatch(index);
    }
    pending_.clear();
    draining_ = false;
  }

  semref::GuiModel model_;
  Notify notify_;
  std::vector<int32_t> pending_;
  int32_t depth_ = 0;
  bool draining_ = false;
};

// Hostile hosts: a write on one instance changes a pin of the next one from
// inside the callback. The same rule runs on the rigs and on the models.
template <class Host>
struct Crossfire {
  std::vector<Host*> hosts;
  int32_t pins = 1;
  int32_t depth = 0;
  uint32_t count = 0;
  static void hook(Host* self, int32_t index, void* context) {
    auto* c = static_cast<Crossfire*>(context);
    if (c->depth > 0) return;
    size_t i = 0;
    while (c->hosts[i] != self) ++i;
    Host* next = c->hosts[(i + 1) % c->hosts.size()];
    ++c->depth;
    const int32_t pin = (index + 1 + c->pins) % c->pins;
    next->userSet(pin, pin == 0 ? (++c->count % 18u) : 0x9E3779B9u * ++c->count);
    --c->depth;
  }
};

uint32_t guiValue(Rng& rng, int32_t datatype, bool hostile) {
  if (datatype == List) {
    const int32_t f = pickFormula(rng, hostile || rng.chance(20));
    return static_cast<uint32_t>(f);
  }
  if (datatype == Float) return sampleOfClass(rng, rng.below(kClasses));
  if (datatype == Bool) return hostile && rng.chance(30) ? rng.word() : static_cast<uint32_t>(rng.below(2));
  return rng.chance(50) ? rng.word() : static_cast<uint32_t>(rng.below(64) - 32);
}

bool sameGui(CheckContext& ctx, Rig& rig, ModelHost& host, int32_t instance, const char* when) {
  const size_t n = rig.writes.size() < host.writes.size() ? rig.writes.size() : host.writes.size();
  for (size_t k = 0; k < n; ++k) {
    if (rig.writes[k].index != host.writes[k].index || rig.writes[k].word != host.writes[k].word)
      return ctx.fail("instance %d, %s: write %d went to pin %d with 0x%08X, expected pin %d "
                      "with 0x%08X",
                      instance, when, static_cast<int>(k + 1), rig.writes[k].index,
                      rig.writes[k].word, host.writes[k].index, host.writes[k].word);
  }
  if (rig.writes.size() != host.writes.size())
    return ctx.fail("instance %d, %s: %d pin writes, expected %d", instance, when,
                    static_cast<int>(rig.writes.size()), static_cast<int>(host.writes.size()));
  for (int32_t i = 0; i < 64; ++i)
    if (rig.guiValues[i] != host.values[i])
      return ctx.fail("instance %d, %s: pin %d holds 0x%08X, expected 0x%08X", instance, when, i,
                      rig.guiValues[i], host.values[i]);
  if (rig.logOverflow) return ctx.fail("the GUI object flooded the host with writes");
  return true;
}

bool guiScenario(CheckContext& ctx, Rng rng, Scenario& s, Notify notify, bool crossfire) {
  RigOptions options;
  options.notify = notify;
  auto rigs = makeRigs(ctx, s.instances, options);
  std::vector<int32_t> types;
  for (const auto& p : rigs[0]->pins()) types.push_back(p.d.datatype);
  const auto pinCount = static_cast<int32_t>(types.size());
  std::vector<std::unique_ptr<ModelHost>> hosts;
  for (int32_t i = 0; i < s.instances; ++i)
    hosts.push_back(std::make_unique<ModelHost>(ctx.kind, notify));
  for (auto& rig : rigs)
    if (rig->gui() == nullptr || rig->dsp() == nullptr)
      return ctx.fail("makeModule(0, 1 or 2) returned null");
  // A host may hand over any stored values, out-of-range ones included.
  for (int32_t i = 0; i < s.instances; ++i) {
    for (int32_t p = 0; p < pinCount; ++p) {
      const uint32_t w = rng.chance(30) ? 0u : guiValue(rng, types[static_cast<size_t>(p)], true);
      rigs[static_cast<size_t>(i)]->guiValues[p] = w;
      hosts[static_cast<size_t>(i)]->values[p] = w;
    }
  }
  Crossfire<Rig> realFire;
  Crossfire<ModelHost> modelFire;
  if (crossfire && s.instances > 1) {
    realFire.pins = modelFire.pins = pinCount;
    for (int32_t i = 0; i < s.instances; ++i) {
      realFire.hosts.push_back(rigs[static_cast<size_t>(i)].get());
      modelFire.hosts.push_back(hosts[static_cast<size_t>(i)].get());
      rigs[static_cast<size_t>(i)]->onWrite = &Crossfire<Rig>::hook;
      rigs[static_cast<size_t>(i)]->onWriteContext = &realFire;
      hosts[static_cast<size_t>(i)]->onWrite = &Crossfire<ModelHost>::hook;
      hosts[static_cast<size_t>(i)]->onWriteContext = &modelFire;
    }
  }
  auto compareAll = [&](const char* when) {
    for (int32_t i = 0; i < s.instances; ++i)
      if (!sameGui(ctx, *rigs[static_cast<size_t>(i)], *hosts[static_cast<size_t>(i)], i + 1, when))
        return false;
    return true;
  };
  for (int32_t i = 0; i < s.instances; ++i) {
    const bool keep = rng.chance(50);
    Rig& rig = *rigs[static_cast<size_t>(i)];
    moduleCall(s, [&] { rig.guiDispatch(guiInitialise, keep ? 1 : 0, 0, nullptr, 0.0f); });
    hosts[static_cast<size_t>(i)]->initialise(keep);
    if (!compareAll(keep ? "initialise keeping values" : "initialise")) return false;
  }
  char when[96];
  for (int32_t step = 0; step < s.steps; ++step) {
    const auto i = static_cast<size_t>(rng.below(s.instances));
    Rig& rig = *rigs[i];
    ModelHost& host = *hosts[i];
    if (rng.chance(10)) {
      // A storm: the same pin announced again and again, its value unchanged.
      const int32_t index = rng.below(pinCount + 1) - (rng.chance(10) ? 1 : 0);
      const int32_t count = 1 + rng.below(20);
      for (int32_t n = 0; n < count; ++n) {
        moduleCall(s, [&] { rig.guiDispatch(guiPinChanged, index, 0, nullptr, 0.0f); });
        host.dispatch(index);
      }
      std::snprintf(when, sizeof when, "after %d notifications for pin %d", count, index);
    } else if (rng.chance(5)) {
      const bool keep = rng.chance(70);
      moduleCall(s, [&] { rig.guiDispatch(guiInitialise, keep ? 1 : 0, 0, nullptr, 0.0f); });
      host.initialise(keep);
      std::snprintf(when, sizeof when, "initialise again (keep %d)", keep ? 1 : 0);
    } else {
      int32_t index = rng.below(pinCount);
      if (s.hostile && rng.chance(10)) {
        constexpr int32_t bad[] = {-1, 7, 8, 63, 1000, INT_MIN};
        index = bad[rng.below(6)];
      }
      const int32_t type = index >= 0 && index < pinCount ? types[static_cast<size_t>(index)] : Int;
      const uint32_t word = guiValue(rng, type, s.hostile);
      moduleCall(s, [&] { rig.userSet(index, word); });
      host.userSet(index, word);
      std::snprintf(when, sizeof when, "after pin %d was set to 0x%08X", index, word);
    }
    if (!compareAll(when)) return false;
    mix(&s.digest, rig.writes.size());
    if (!rig.writes.empty()) mix(&s.digest, rig.writes.back().word);
  }
  return true;
}

const Notify kNotifyModes[] = {Notify::None, Notify::Reentrant, Notify::Deferred};
const char* const kNotifyNames[] = {"no notifications", "re-entrant notifications",
                                    "deferred notifications"};

// Seeds for run k of a check: reproducible from the check's seed alone.
uint64_t runSeed(const CheckContext& ctx, int32_t k) {
  Rng r(ctx.seed ^ (0xD1B54A32D192ED03ull * static_cast<uint64_t>(k + 1)));
  return r.next();
}

int32_t stepsFor(const CheckContext& ctx, int32_t base) {
  return ctx.level <= 1 ? base : ctx.level == 2 ? base * 3 : base * 8;
}

bool withRun(CheckContext& ctx, int32_t k, bool ok) {
  if (!ok && ctx.failure.find(" [run ") == std::string::npos) {
    char note[32];
    std::snprintf(note, sizeof note, " [run %d]", k + 1);
    ctx.failure += note;
  }
  return ok;
}

}  // namespace

// ------------------------------------------------------------------ library

bool checkLibrary(CheckContext& ctx) {
  if (ctx.getProperties == nullptr || ctx.make == nullptr)
    return ctx.fail("getModuleProperties or makeModule is not exported");
  // Fields the library must leave alone keep the host's patterns.
  ModuleProperties props;
  std::memset(&props, 0xA5, sizeof props);
  if (ctx.getProperties(0, &props) != 1) return ctx.fail("getModuleProperties(0) did not give 1");
  if (props.name == nullptr || props.identifier != props.name || props.about == nullptr)
    return ctx.fail("getModuleProperties(0): name, identifier or about missing, or identifier "
                    "is not the name's pointer");
  if (props.interfaceVersion != SEM_INTERFACE_VERSION)
    return ctx.fail("interface version %d, expected %d", props.interfaceVersion,
                    SEM_INTERFACE_VERSION);
  if (props.hostField12 != static_cast<int32_t>(0xA5A5A5A5u) ||
      props.hostField16 != static_cast<int32_t>(0xA5A5A5A5u))
    return ctx.fail("getModuleProperties(0) wrote the host's words at +12 or +16");
  if (std::strlen(props.about) == 0 || std::strncmp(props.about, props.name, std::strlen(props.name)) != 0)
    return ctx.fail("the about text does not start with the module name");
  for (const int32_t index : {1, -1, 2, INT_MIN, INT_MAX}) {
    ModuleProperties other;
    std::memset(&other, 0xA5, sizeof other);
    if (ctx.getProperties(index, &other) != 0)
      return ctx.fail("getModuleProperties(%d) did not give 0", index);
    ModuleProperties expect;
    std::memset(&expect, 0xA5, sizeof expect);
    expect.interfaceVersion = SEM_INTERFACE_VERSION;
    if (std::memcmp(&other, &expect, sizeof other) != 0)
      return ctx.fail("getModuleProperties(%d) wrote more than the interface version", index);
  }
  if (ctx.getProperties(0, nullptr) != 0) return ctx.fail("getModuleProperties(0, null) did not give 0");
  struct Bad {
    int32_t index, type;
  };
  for (const Bad bad : {Bad{1, 1}, Bad{-1, 1}, Bad{1, 2}, Bad{INT_MIN, 2}, Bad{0, 0}, Bad{0, 3},
                        Bad{0, -1}, Bad{0, INT_MAX}, Bad{0, INT_MIN}}) {
    if (ctx.make(bad.index, bad.type, &Rig::callback, 0) != nullptr)
      return ctx.fail("makeModule(%d, %d) did not return null", bad.index, bad.type);
  }
  // Objects made with and without a callback, several at once, all distinct.
  void* made[6];
  for (int32_t k = 0; k < 6; ++k) {
    made[k] = ctx.make(0, 1 + (k & 1), k < 4 ? &Rig::callback : nullptr, 0);
    if (made[k] == nullptr) return ctx.fail("makeModule(0, %d) returned null", 1 + (k & 1));
    for (int32_t j = 0; j < k; ++j)
      if (made[j] == made[k]) return ctx.fail("makeModule returned the same object twice");
  }
  for (int32_t k = 0; k < 6; ++k) {
    intptr_t r;
    if (k & 1) {
      auto* g = static_cast<GuiHostRecord*>(made[k]);
      r = g->dispatcher(g, guiClose, 0, 0, nullptr, 0.0f);
    } else {
      auto* d = static_cast<DspHostRecord*>(made[k]);
      r = d->dispatcher(d, dspClose, 0, 0, nullptr, 0.0f);
    }
    if (r != 1) return ctx.fail("closing an object gave %d, expected 1", static_cast<int>(r));
  }
  return true;
}

// ------------------------------------------------------------------ records

bool checkRecords(CheckContext& ctx) {
  Rig one(ctx.make, RigOptions{});
  Rig two(ctx.make, RigOptions{});
  for (Rig* rig : {&one, &two}) {
    const DspHostRecord* d = rig->dsp();
    const GuiHostRecord* g = rig->gui();
    if (d == nullptr || g == nullptr) return ctx.fail("makeModule(0, 1 or 2) returned null");
    if (d->magic != SEM_DSP_MAGIC || d->version != SEM_RECORD_VERSION)
      return ctx.fail("DSP record: magic 0x%08X version %d", d->magic, d->version);
    if (d->hostData != reinterpret_cast<intptr_t>(rig))
      return ctx.fail("DSP record: hostData is not the host's fourth makeModule argument");
    if (d->object == nullptr || d->dispatcher == nullptr || d->process == nullptr ||
        d->eventEntry == nullptr)
      return ctx.fail("DSP record: object, dispatcher, process or event entry is null");
    if (d->reserved16 != 0 || d->reserved32[0] != 0 || d->reserved32[1] != 0 ||
        d->reserved32[2] != 0 || d->reserved32[3] != 0)
      return ctx.fail("DSP record: a reserved word is not 0");
    if (g->magic != SEM_GUI_MAGIC || g->version != 1)
      return ctx.fail("GUI record: magic 0x%08X version %d", g->magic, g->version);
    if (g->hostData != reinterpret_cast<intptr_t>(rig))
      return ctx.fail("GUI record: hostData is not the host's fourth makeModule argument");
    if (g->object == nullptr || g->dispatcher == nullptr)
      return ctx.fail("GUI record: object or dispatcher is null");
    for (int32_t k = 0; k < 5; ++k)
      if (g->reserved[k] != 0) return ctx.fail("GUI record: reserved word %d is not 0", k);
    if (static_cast<const void*>(d) == static_cast<const void*>(g))
      return ctx.fail("the DSP and GUI objects share a record");
  }
  // Opcode 13: one record per library, describing the object asked last.
  const ProcessInfo* first = nullptr;
  Rng rng(ctx.seed);
  for (int32_t round = 0; round < 3; ++round) {
    for (Rig* rig : {&one, &two}) {
      if (round == 1 && !rig->isOpen()) rig->open(48000.0f, 256);
      if (round == 2) {
        for (int32_t e = 0; e < 4; ++e) rig->event(eventPinStatus, rng.below(5), rng.below(3));
      }
      auto* info = reinterpret_cast<const ProcessInfo*>(
          rig->dspDispatch(dspGetProcessInfo, 0, 0, nullptr, 0.0f));
      if (info == nullptr) return ctx.fail("opcode 13 gave null");
      if (first == nullptr) first = info;
      if (info != first) return ctx.fail("opcode 13 gave a different record for another object");
      if (info->count != 1 || info->entrySize != static_cast<int32_t>(sizeof(ProcessDescriptor)) ||
          info->reserved != 0 || info->entries == nullptr)
        return ctx.fail("ProcessInfo: count %d, entry size %d, reserved %d", info->count,
                        info->entrySize, info->reserved);
      const ProcessDescriptor& pd = info->entries[0];
      if (pd.entry != rig->dsp()->process || pd.word1 != 0 || pd.word2 != 0 || pd.word3 != 0)
        return ctx.fail("ProcessInfo's descriptor is not the asking object's process routine "
                        "with three 0 words");
      if (rig->knownProcess != rig->dsp()->process)
        return ctx.fail("the process entry changed without hostProcessChanged");
    }
  }
  return true;
}

// ------------------------------------------------------------------ pins

bool checkPins(CheckContext& ctx) {
  Rig rig(ctx.make, RigOptions{});
  if (rig.dsp() == nullptr) return ctx.fail("makeModule(0, 1) returned null");
  const std::vector<semref::PinRow> rows = semref::pinTable(ctx.kind);
  const std::vector<int32_t> numbering = semref::dspNumbering(ctx.kind);
  if (rig.pins().size() != rows.size())
    return ctx.fail("%d pins described, expected %d", static_cast<int>(rig.pins().size()),
                    static_cast<int>(rows.size()));
  auto same = [](const char* a, const char* b) {
    return (a == nullptr) == (b == nullptr) && (a == nullptr || std::strcmp(a, b) == 0);
  };
  for (size_t j = 0; j < rows.size(); ++j) {
    const PinDescription& d = rig.pins()[j].d;
    const semref::PinRow& row = rows[j];
    const auto index = static_cast<int>(j);
    if (d.name == nullptr || std::strcmp(d.name, row.name) != 0)
      return ctx.fail("pin %d: name \"%s\", expected \"%s\"", index, d.name ? d.name : "(null)", row.name);
    if (d.direction != row.direction || d.datatype != row.datatype || d.flags != row.flags)
      return ctx.fail("pin %d \"%s\": direction %d datatype %d flags 0x%X, expected %d %d 0x%X",
                      index, row.name, d.direction, d.datatype, d.flags, row.direction,
                      row.datatype, row.flags);
    if (!same(d.defaultText, row.defaultText))
      return ctx.fail("pin %d \"%s\": default text \"%s\", expected \"%s\"", index, row.name,
                      d.defaultText ? d.defaultText : "(none)",
                      row.defaultText ? row.defaultText : "(none)");
    if ((d.valuePtr != nullptr) != row.hasVariable)
      return ctx.fail("pin %d \"%s\": %s value variable", index, row.name,
                      row.hasVariable ? "no" : "an unexpected");
    if (!row.formulaList && d.listText != nullptr)
      return ctx.fail("pin %d \"%s\": a list text on a pin that is no list", index, row.name);
    if (row.formulaList) {
      if (d.listText == nullptr) return ctx.fail("pin %d \"Formula\": no list text", index);
      std::vector<std::string> labels;
      std::string text = d.listText, item;
      for (const char ch : text) {
        if (ch == ',') {
          labels.push_back(item);
          item.clear();
        } else {
          item += ch;
        }
      }
      labels.push_back(item);
      if (labels.size() != 16)
        return ctx.fail("the Formula list splits into %d labels, expected 16",
                        static_cast<int>(labels.size()));
      for (int32_t k = 0; k < 16; ++k)
        if (labels[static_cast<size_t>(k)] != semref::formulaLabel(k))
          return ctx.fail("Formula label %d is \"%s\", expected \"%s\"", k,
                          labels[static_cast<size_t>(k)].c_str(), semref::formulaLabel(k));
    }
    if (rig.pins()[j].dspIndex != numbering[j])
      return ctx.fail("pin %d \"%s\": DSP pin %d, expected %d", index, row.name,
                      rig.pins()[j].dspIndex, numbering[j]);
    // Fields a pin does not use stay as the caller had them.
    PinDescription filled;
    std::memset(&filled, 0x5A, sizeof filled);
    PinDescription untouched = filled;
    rig.dspDispatch(dspDescribePin, index, 0, &filled, 0.0f);
    if (filled.reserved != untouched.reserved)
      return ctx.fail("pin %d \"%s\": describePin wrote the reserved word", index, row.name);
    if (!row.hasVariable && filled.valuePtr != untouched.valuePtr)
      return ctx.fail("pin %d \"%s\": describePin wrote a value pointer", index, row.name);
    if (row.defaultText == nullptr && filled.defaultText != untouched.defaultText)
      return ctx.fail("pin %d \"%s\": describePin wrote a default text", index, row.name);
    if (!row.formulaList && filled.listText != untouched.listText)
      return ctx.fail("pin %d \"%s\": describePin wrote a list text", index, row.name);
    // No record: no crash.
    rig.dspDispatch(dspDescribePin, index, 0, nullptr, 0.0f);
  }
  const auto n = static_cast<int32_t>(rows.size());
  for (const int32_t index : {n, n + 1, n + 100, -1, -2, INT_MIN, INT_MAX}) {
    PinDescription d;
    std::memset(&d, 0x5A, sizeof d);
    const PinDescription before = d;
    if (rig.dspDispatch(dspDescribePin, index, 0, &d, 0.0f) != 0)
      return ctx.fail("describePin(%d) is true past the pins", index);
    if (std::memcmp(&d, &before, sizeof d) != 0)
      return ctx.fail("describePin(%d) wrote into the record", index);
    rig.dspDispatch(dspDescribePin, index, 0, nullptr, 0.0f);
  }
  // The same answers after open and after processing.
  rig.open(44100.0f, 64);
  for (size_t j = 0; j < rows.size(); ++j) {
    PinDescription d;
    std::memset(&d, 0, sizeof d);
    rig.dspDispatch(dspDescribePin, static_cast<int32_t>(j), 0, &d, 0.0f);
    if (std::memcmp(&d, &rig.pins()[j].d, sizeof d) != 0)
      return ctx.fail("pin %d is described differently after open", static_cast<int>(j));
  }
  return true;
}

// ------------------------------------------------------------------ lifecycle

bool checkLifecycle(CheckContext& ctx) {
  Rng rng(ctx.seed);
  int32_t dspPins = 0;
  for (const int32_t d : semref::dspNumbering(ctx.kind)) dspPins += d >= 0 ? 1 : 0;
  for (int32_t round = 0; round < 100; ++round) {
    RigOptions options;
    options.capacity = 512;
    const int32_t mode = round % 4;  // 0 pins, fewer, exact, more
    options.pinCount = mode == 0   ? 0
                       : mode == 1 ? (dspPins > 1 ? 1 + rng.below(dspPins - 1) : 0)
                       : mode == 2 ? dspPins
                                   : dspPins + 1 + rng.below(6);
    options.dspCallback = round % 10 != 7;
    options.notify = kNotifyModes[rng.below(3)];
    Rig rig(ctx.make, options);
    if (rig.dsp() == nullptr || rig.gui() == nullptr)
      return ctx.fail("makeModule(0, 1 or 2) returned null in round %d", round + 1);
    rig.open(kRates[rng.below(kRateCount)], pickBlock(rng), rng.chance(80));
    if (rng.chance(20)) rig.dspDispatch(dspOpen, 0, 0, nullptr, 0.0f);  // a second open
    rig.guiDispatch(guiInitialise, rng.below(2), 0, nullptr, 0.0f);
    for (int32_t k = 0; k < 6; ++k) {
      const int32_t what = rng.below(5);
      if (what == 0) {
        rig.event(eventPinStatus, rng.below(dspPins + 3) - 1, pickStatus(rng, true));
      } else if (what == 1) {
        const int32_t frames = rng.below(64);
        rig.process(rng.below(512 - frames), frames);
      } else if (what == 2) {
        constexpr int32_t opcodes[] = {-1, 4, 5, 7, 9, 10, 11, 14, 15, 16, 22, 100, INT_MIN, INT_MAX};
        const int32_t op = opcodes[rng.below(14)];
        const intptr_t r = rig.dspDispatch(op, static_cast<int32_t>(rng.word()),
                                           static_cast<int32_t>(rng.word()), nullptr, 1.5f);
        if (r != 0) return ctx.fail("DSP opcode %d gave %d, expected 0", op, static_cast<int>(r));
        rig.dspDispatch(dspOpcodeEight, rng.below(10) - 2, 0, nullptr, 0.0f);
        rig.dspDispatch(dspOpcodeTwelve, static_cast<int32_t>(rng.word()),
                        static_cast<int32_t>(rng.word()), nullptr, 0.0f);
      } else if (what == 3) {
        constexpr int32_t opcodes[] = {-1, 2, 3, 4, 5, 6, 8, 9, 11, 12, 13, 14, 100, INT_MIN};
        const int32_t op = opcodes[rng.below(14)];
        const intptr_t r = rig.guiDispatch(op, rng.below(12) - 2, static_cast<int32_t>(rng.word()),
                                           nullptr, 0.25f);
        if (r != 0) return ctx.fail("GUI opcode %d gave %d, expected 0", op, static_cast<int>(r));
        const intptr_t ten = rig.guiDispatch(guiOpcodeTen, 0, 0, nullptr, 0.0f);
        if (ten != 0 && ten != 1) return ctx.fail("GUI opcode 10 gave %d", static_cast<int>(ten));
      } else {
        rig.userSet(rng.below(9) - 1, rng.word());
      }
    }
    if (!rig.guardsIntact()) return ctx.fail("a guard cell was written in round %d", round + 1);
    // Without a callback the module cannot tell the host; otherwise it must.
    if (options.dspCallback && rig.dsp() != nullptr && rig.knownProcess != rig.dsp()->process)
      return ctx.fail("the process entry changed without hostProcessChanged");
    // Close in either order.
    if (rng.chance(50)) {
      rig.closeGui();
      rig.closeDsp();
    } else {
      rig.closeDsp();
      rig.closeGui();
    }
  }
  return true;
}

// ------------------------------------------------------------------ runs

bool checkProcessing(CheckContext& ctx) {
  int32_t runs = ctx.iterations;
  if (semref::familyOf(ctx.kind) == Family::Voltage && ctx.level >= 3 && runs < kRateCount)
    runs = kRateCount;
  for (int32_t k = 0; k < runs; ++k) {
    Scenario s;
    s.steps = stepsFor(ctx, 12);
    s.eventPercent = 35;
    if (!withRun(ctx, k, dspScenario(ctx, Rng(runSeed(ctx, k)), s))) return false;
  }
  return true;
}

bool checkEvents(CheckContext& ctx) {
  for (int32_t k = 0; k < ctx.iterations; ++k) {
    Scenario s;
    s.steps = stepsFor(ctx, 16);
    s.eventPercent = 90;
    s.hostile = true;
    if (!withRun(ctx, k, dspScenario(ctx, Rng(runSeed(ctx, k)), s))) return false;
  }
  return true;
}

bool checkGui(CheckContext& ctx) {
  for (int32_t k = 0; k < ctx.iterations; ++k) {
    Rng rng(runSeed(ctx, k));
    const int32_t m = k % 3;
    Scenario s;
    s.steps = stepsFor(ctx, 16);
    s.hostile = true;
    s.instances = k % 2 == 0 ? 1 : 3;
    const bool crossfire = k % 4 == 3;
    if (!guiScenario(ctx, rng, s, kNotifyModes[m], crossfire)) {
      char note[96];
      std::snprintf(note, sizeof note, " (%s, %d instance%s%s)", kNotifyNames[m], s.instances,
                    s.instances > 1 ? "s" : "", crossfire ? ", writes poking the next one" : "");
      ctx.failure += note;
      return withRun(ctx, k, false);
    }
  }
  return true;
}

bool checkRealtime(CheckContext& ctx) {
  for (int32_t k = 0; k < ctx.iterations; ++k) {
    AllocCounts counts;
    Scenario dsp;
    dsp.steps = stepsFor(ctx, 8);
    dsp.eventPercent = 60;
    dsp.hostile = true;
    dsp.alloc = &counts;
    if (!withRun(ctx, k, dspScenario(ctx, Rng(runSeed(ctx, k)), dsp))) return false;
    if (counts.allocations != 0 || counts.frees != 0)
      return withRun(ctx, k, ctx.fail("%llu allocations and %llu frees inside process routines or "
                                      "event entries",
                                      static_cast<unsigned long long>(counts.allocations),
                                      static_cast<unsigned long long>(counts.frees)));
    Scenario gui;
    gui.steps = stepsFor(ctx, 8);
    gui.hostile = true;
    gui.alloc = &counts;
    if (!withRun(ctx, k, guiScenario(ctx, Rng(runSeed(ctx, k) + 1), gui, kNotifyModes[k % 3], false)))
      return false;
    if (counts.allocations != 0 || counts.frees != 0)
      return withRun(ctx, k, ctx.fail("%llu allocations and %llu frees inside GUI pin reads and "
                                      "writes",
                                      static_cast<unsigned long long>(counts.allocations),
                                      static_cast<unsigned long long>(counts.frees)));
  }
  return true;
}

bool checkDeterminism(CheckContext& ctx) {
  for (int32_t k = 0; k < ctx.iterations; ++k) {
    const uint64_t seed = runSeed(ctx, k);
    // Two instances side by side, fed the same: each step compares both.
    Scenario pair;
    pair.steps = stepsFor(ctx, 8);
    pair.instances = 2;
    pair.hostile = true;
    if (!withRun(ctx, k, dspScenario(ctx, Rng(seed), pair))) return false;
    Scenario again = pair;
    again.digest = Scenario{}.digest;
    if (!withRun(ctx, k, dspScenario(ctx, Rng(seed), again))) return false;
    if (again.digest != pair.digest)
      return withRun(ctx, k, ctx.fail("a DSP run repeated with the same seed gave other bits"));
    Scenario gui;
    gui.steps = stepsFor(ctx, 8);
    gui.instances = 2;
    Scenario guiAgain = gui;
    if (!withRun(ctx, k, guiScenario(ctx, Rng(seed), gui, Notify::Deferred, false)) ||
        !withRun(ctx, k, guiScenario(ctx, Rng(seed), guiAgain, Notify::Deferred, false)))
      return false;
    if (gui.digest != guiAgain.digest)
      return withRun(ctx, k, ctx.fail("a GUI run repeated with the same seed gave other writes"));
  }
  return true;
}

}  // namespace semvalidate
