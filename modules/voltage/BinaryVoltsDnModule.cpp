// "Ostrel Binary Volts DN": the voltage module with denormal and very small
// results flushed to +0.0 in every per-sample routine.
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"
#include "modules/voltage/BinaryVoltsBase.h"

class BinaryVoltsDnModule final : public BinaryVoltsBase<volts::DenormalStripVolts> {
 public:
  using BinaryVoltsBase::BinaryVoltsBase;
  ~BinaryVoltsDnModule() override = default;
};

namespace {

constexpr char kName[] = "Ostrel Binary Volts DN";
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO("Ostrel Binary Volts DN", "07-Oct-06", "Voltage")
    "\n"
    "\n"
    "Formula changes take effect immediately.\n"
    "\n"
    "This version does strip denormals before outputting the new voltage.";

}  // namespace

SEM_MODULE_ENTRY(BinaryVoltsDnModule, FormulaRelay, kName, kAbout)
