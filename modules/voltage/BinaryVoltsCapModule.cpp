// "Ostrel Binary Volts Cap": the voltage module with every result limited to
// -Cap..Cap volts and denormal or NaN outputs replaced by +0.0.
#include "formula/FormulaRelay.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"
#include "modules/voltage/BinaryVoltsBase.h"

class BinaryVoltsCapModule final : public BinaryVoltsBase<volts::CappedVolts> {
 public:
  using BinaryVoltsBase::BinaryVoltsBase;
  ~BinaryVoltsCapModule() override = default;
};

namespace {

constexpr char kName[] = "Ostrel Binary Volts Cap";
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO("Ostrel Binary Volts Cap", "07-Oct-06", "Voltage")
    "\n"
    "Cap is used to cap the output value to a reasonable limit, between Cap and -Cap.\n"
    "\n"
    "Formula changes take effect immediately.\n"
    "\n"
    "WARNING: This module can produce numerous denormals quite easily, so follow it with a\n"
    "     Denormal Cleaner module to prevent other modules from being adversely affected.";

}  // namespace

SEM_MODULE_ENTRY(BinaryVoltsCapModule, FormulaRelay, kName, kAbout)
