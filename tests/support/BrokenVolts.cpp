// A deliberately faulty voltage module, for showing that `semhost validate`
// catches what it claims to catch. It is the plain voltage module with one
// fault wrapped around whatever process routine the module installs;
// BROKEN_FAULT picks the fault:
//   1  writes one sample just past the end of each block
//   2  allocates (and frees) in the process routine
//   3  crashes in the process routine
// It names itself "Ostrel Binary Volts", so the validator models it as the
// real one and every difference is the fault.
#include <new>

#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"
#include "modules/voltage/BinaryVoltsBase.h"

#ifndef BROKEN_FAULT
#error "BROKEN_FAULT must be 1, 2 or 3"
#endif

namespace {

// Kept out of the optimiser's reach, so the allocation really happens.
char* volatile allocationSink = nullptr;

class BrokenVoltsModule final : public BinaryVoltsBase<volts::PlainVolts> {
 public:
  using BinaryVoltsBase::BinaryVoltsBase;
  ~BrokenVoltsModule() override = default;

  void onPinUpdate(DspPin& pin) noexcept override {
    BinaryVoltsBase::onPinUpdate(pin);
    wrap();
  }
  void open() noexcept override {
    BinaryVoltsBase::open();
    wrap();
  }

 private:
  // Puts faultyProcess in front of the routine the module just installed.
  void wrap() noexcept {
    const ProcessRoutine installed = currentProcess().entry;
    if (installed != &faultyProcess) inner = installed;
    setProcess(&faultyProcess, 0, 0, 0);
  }

  static void SEM_CALL faultyProcess(void* object, int32_t bufferOffset, int32_t sampleFrames) {
    auto* self = static_cast<BrokenVoltsModule*>(fromObject(object));
    self->inner(object, bufferOffset, sampleFrames);
#if BROKEN_FAULT == 1
    if (sampleFrames > 0 && self->bufferC != nullptr)
      self->bufferC[bufferOffset + sampleFrames] = -1.5f;
#elif BROKEN_FAULT == 2
    allocationSink = new (std::nothrow) char[16];
    delete[] allocationSink;
#else
    if (sampleFrames > 0) __builtin_trap();
#endif
  }

  ProcessRoutine inner = &DspModule::idleProcess;
};

constexpr char kName[] = "Ostrel Binary Volts";
constexpr char kAbout[] = "Ostrel Binary Volts, deliberately broken for the validator's tests";

}  // namespace

SEM_MODULE_ENTRY(BrokenVoltsModule, FormulaRelay, kName, kAbout)
