// "Ostrel Binary Volts": the sixteen formulas on two voltage streams, sample
// by sample, with every result passed on as it comes out.
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"
#include "modules/voltage/BinaryVoltsBase.h"

class BinaryVoltsModule final : public BinaryVoltsBase<volts::PlainVolts> {
 public:
  using BinaryVoltsBase::BinaryVoltsBase;
  ~BinaryVoltsModule() override = default;
};

namespace {

constexpr char kName[] = "Ostrel Binary Volts";
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO("Ostrel Binary Volts", "07-Oct-06", "Voltage")
    "\n"
    "\n"
    "Formula changes take effect immediately.\n"
    "\n"
    "WARNING: This module can produce numerous denormals quite easily, so follow it with a\n"
    "     Denormal Cleaner module to prevent other modules from being adversely affected.";

}  // namespace

SEM_MODULE_ENTRY(BinaryVoltsModule, FormulaRelay, kName, kAbout)
