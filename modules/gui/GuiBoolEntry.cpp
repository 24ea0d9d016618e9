// ostrel_binary_gb: the GUI-only module on boolean pins.
#include "GuiBoolModule.h"
#include "GuiOnlyDspModule.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"

namespace {

#define GUI_BOOL_NAME "Ostrel Binary GuiBool"

constexpr char kName[] = GUI_BOOL_NAME;
constexpr char kAbout[] =
    OSTREL_ABOUT_HEAD(GUI_BOOL_NAME, "05-Oct-06")
    "This module allows various binary functions to be performed with GuiBool pins.\n"
    "\n"
    "Formula chooses the formula you wish to perform.\n"
    "A, B, and C are the inputs/outputs for the formulas.";

}  // namespace

SEM_MODULE_ENTRY(GuiOnlyDspModule<Bool>, GuiBoolModule, kName, kAbout)
