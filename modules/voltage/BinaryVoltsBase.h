// The DSP side shared by the three voltage modules. One template over the
// variant (plain, capped, denormal-stripping) holds the pins, the routine
// selection, the countdown to sleep and the fills; the per-sample loops come
// from the path chosen for this processor (VoltsPaths.h), the arithmetic of
// the held output from VoltsKernels.h.
//
// While an input streams, the selected per-sample routine is itself the
// process routine; while both inputs are held the output is computed once,
// announced as a single change, filled, and the module asks the host to sleep
// after each block's worth of samples.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "formula/Formula.h"
#include "framework/DspModule.h"
#include "modules/voltage/VoltsKernels.h"
#include "modules/voltage/VoltsPaths.h"

namespace volts {

// Stands in for the Cap value in the variants without a Cap pin.
struct NoCap {};

}  // namespace volts

template <class Variant>
class BinaryVoltsBase : public DspModule {
 public:
  // DSP pin indices: "GUI 2 DSP" is 0; the Cap variant has "Cap" at 1 before A.
  static constexpr int32_t kPinA = Variant::kHasCap ? 2 : 1;
  static constexpr int32_t kPinB = kPinA + 1;
  static constexpr int32_t kPinC = kPinA + 2;

  BinaryVoltsBase(HostCallback callback, intptr_t hostData) noexcept
      : DspModule(callback, hostData) {}
  ~BinaryVoltsBase() override = default;

  // host: audio thread, for a status of any DSP pin. A new formula, a new Cap
  // and a status change of A or B all lead to a new selection.
  void onPinUpdate(DspPin&) noexcept override {
    stateA = statusOf(kPinA);
    stateB = statusOf(kPinB);
    selectRoutine(stateA, stateB);
  }

  // host: opcode 0. Until the first status arrives, each process call computes
  // a AND b from both buffers and counts down towards hostSleep.
  void open() noexcept override {
    setProcess(&countdownProcess, 0, 0, 0);
    DspModule::open();
    sleepCountdown = getBlockSize();
    routine = routines(volts::Inputs::Both)[0];
    staticProcess = &countdownProcess;
    setProcess(staticProcess, 0, 0, 0);
    markedFillCount = 3;
  }

  // host: any time, also before open (uses only member addresses).
  bool describePin(int32_t index, PinDescription* d) noexcept override {
    if (d == nullptr) return false;
    if constexpr (Variant::kHasCap) {
      if (index == 2) {
        describe(d, "Cap", pinInput, Float, &capValue);
        return true;
      }
      if (index > 2) --index;
    }
    switch (index) {
      case 0:
        d->valuePtr = &formulaIndex;
        d->direction = pinInput;
        d->datatype = Int;
        d->name = "GUI 2 DSP";
        d->flags = 0x28500u;
        return true;
      case 1:
        d->valuePtr = &formulaPinValue;
        d->direction = pinInput;
        d->datatype = List;
        d->name = "Formula";
        d->defaultText = "0";
        d->listText = formula::kListText;
        d->flags = FlagGui;
        return true;
      case 2:
        describe(d, "A", pinInput, Voltage, &bufferA);
        return true;
      case 3:
        describe(d, "B", pinInput, Voltage, &bufferB);
        return true;
      case 4:
        describe(d, "C", pinOutput, Voltage, &bufferC);
        return true;
      default:
        return false;
    }
  }

  // Picks the routine for the input statuses (only 2, streaming, counts) and
  // the current formula, takes the current sample of each held input, installs
  // the process routine and announces C: streaming (2), or a single change (1)
  // with the held output. A formula index outside 0..15 selects "CLEAR -> c",
  // the word 0, like the fallback of the value modules.
  void selectRoutine(int32_t a, int32_t b) noexcept {
    const int32_t k = formula::isValid(formulaIndex) ? formulaIndex : 14;
    ProcessRoutine process;
    int32_t status;
    if (a == statusStreaming && b == statusStreaming) {
      routine = routines(volts::Inputs::Both)[static_cast<size_t>(k)];
      process = routine;
      status = statusStreaming;
    } else if (a == statusStreaming) {
      scaledB = volts::toVolts(heldSample(kPinB));
      routine = routines(volts::Inputs::AStreams)[static_cast<size_t>(k)];
      process = routine;
      status = statusStreaming;
    } else if (b == statusStreaming) {
      scaledA = volts::toVolts(heldSample(kPinA));
      routine = routines(volts::Inputs::BStreams)[static_cast<size_t>(k)];
      process = routine;
      status = statusStreaming;
    } else {
      scaledA = volts::toVolts(heldSample(kPinA));
      scaledB = volts::toVolts(heldSample(kPinB));
      result = Variant::held(applyFormula(k, scaledA, scaledB, 0u), capBits());
      // Only the first three both-static selections of the module's life mark
      // the first element of each call.
      if (markedFillCount > 0) {
        routine = &fillResultMarked;
        --markedFillCount;
      } else {
        routine = &fillResult;
      }
      process = staticProcess;
      status = statusChanged;
    }
    setProcess(process, 0, 0, 0);
    if (DspPin* c = findPin(kPinC)) c->sendStatus(sampleClock(), status);
  }

  // host: audio thread. The process routine while both inputs are held: runs
  // the fill, then asks the host to sleep once a block's worth of samples has
  // gone by. A shortfall below zero is not carried over. Carried in 64 bits
  // and saturated, so no sampleFrames or block size can overflow it.
  static void SEM_CALL countdownProcess(void* object, int32_t bufferOffset, int32_t sampleFrames) {
    auto* self = self_(object);
    self->routine(object, bufferOffset, sampleFrames);
    const int64_t left = static_cast<int64_t>(self->sleepCountdown) - sampleFrames;
    if (left > 0) {
      self->sleepCountdown = left > INT32_MAX ? INT32_MAX : static_cast<int32_t>(left);
      return;
    }
    self->sleepCountdown = self->getBlockSize();
    self->callHost(hostSleep, 0, 0, nullptr, 0.0f);
  }

  // The held output in every element of the range.
  static void SEM_CALL fillResult(void* object, int32_t bufferOffset, int32_t sampleFrames) {
    auto* self = self_(object);
    if (self->bufferC == nullptr) return;
    volts::activeTable(Variant::kId).fill(self->bufferC, bufferOffset, sampleFrames, self->result);
  }

  // As fillResult, with the first element of the call marked so that the
  // start of each held stretch differs from the value held.
  static void SEM_CALL fillResultMarked(void* object, int32_t bufferOffset, int32_t sampleFrames) {
    auto* self = self_(object);
    if (self->bufferC == nullptr) return;
    if (sampleFrames < 1) return;
    volts::activeTable(Variant::kId).fill(self->bufferC, bufferOffset, sampleFrames, self->result);
    const uint32_t first = Variant::mark(self->result);
    std::memcpy(self->bufferC + bufferOffset, &first, sizeof first);
  }

  // One of the 48 per-sample routines. A buffer the host has not handed over
  // (null) makes the call do nothing rather than crash; the check is once per
  // call, outside the loop.
  template <int K, volts::Inputs In>
  static void SEM_CALL perSample(void* object, int32_t bufferOffset, int32_t sampleFrames) {
    auto* self = self_(object);
    if (self->bufferC == nullptr) return;
    if (volts::kReadsA<K, In> && self->bufferA == nullptr) return;
    if (volts::kReadsB<K, In> && self->bufferB == nullptr) return;
    // The path chosen for this processor when the library loaded.
    volts::activeTable(Variant::kId).routine[static_cast<int32_t>(In)][K](
        self->bufferA, self->bufferB, self->bufferC, bufferOffset, sampleFrames, self->scaledA,
        self->scaledB, self->result, self->capBits());
  }

 private:
  template <volts::Inputs In>
  struct RoutineMaker {
    template <int K>
    static constexpr ProcessRoutine get() noexcept {
      return &BinaryVoltsBase::perSample<K, In>;
    }
  };

  // The 16 per-sample routines of one input case, by formula index.
  static const std::array<ProcessRoutine, formula::kCount>& routines(volts::Inputs in) noexcept {
    static constexpr std::array<std::array<ProcessRoutine, formula::kCount>, volts::kInputCases>
        table{formula::makeTable<RoutineMaker<volts::Inputs::Both>>(),
              formula::makeTable<RoutineMaker<volts::Inputs::AStreams>>(),
              formula::makeTable<RoutineMaker<volts::Inputs::BStreams>>()};
    return table[static_cast<size_t>(in)];
  }

  static BinaryVoltsBase* self_(void* object) noexcept {
    return static_cast<BinaryVoltsBase*>(fromObject(object));
  }

  static void describe(PinDescription* d, const char* name, int32_t direction, int32_t type,
                       void* variable) noexcept {
    d->valuePtr = variable;
    d->direction = direction;
    d->datatype = type;
    d->name = name;
    d->defaultText = "0";
    d->flags = 0;
  }

  // A pin the host did not give the module counts as not streaming.
  int32_t statusOf(int32_t index) noexcept {
    const DspPin* pin = findPin(index);
    return pin != nullptr ? pin->status : statusStatic;
  }

  // The current sample of an input, read only at selection; 0.0 for a pin the
  // host did not give the module.
  float heldSample(int32_t index) noexcept {
    DspPin* pin = findPin(index);
    return pin != nullptr ? pin->streamValue() : 0.0f;
  }

  uint32_t capBits() const noexcept {
    if constexpr (Variant::kHasCap) return std::bit_cast<uint32_t>(capValue);
    else return 0u;
  }

 protected:
  int32_t formulaIndex = 0;     // "GUI 2 DSP": the formula, as the host stores it
  int32_t markedFillCount = 0;  // both-static selections still to mark; 3 after open
  uint32_t formulaPinValue = 0; // "Formula"'s variable; never read on this side
  float* bufferA = nullptr;     // the host's sample buffers for the current block
  float* bufferB = nullptr;
  float* bufferC = nullptr;
  // "Cap" in volts, as the host stores it (capped variant only).
  [[no_unique_address]] std::conditional_t<Variant::kHasCap, float, volts::NoCap> capValue{};
  int32_t stateA = 0;           // statuses of A and B, copied at each pin update
  int32_t stateB = 0;
  ProcessRoutine routine = &fillResult;           // the selected per-sample or fill routine
  ProcessRoutine staticProcess = &countdownProcess; // process routine while both are held
  int32_t sleepCountdown = 0;   // samples left before the next hostSleep
  uint32_t scaledA = 0;         // last operands in volts, single(sample x 10.0), as patterns
  uint32_t scaledB = 0;
  uint32_t result = 0;          // last output sample; the held output when both are held
};
