// ostrel_binary_gi: the GUI-only module on integer pins.
#include "GuiNumberModules.h"
#include "GuiOnlyDspModule.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"

namespace {

#define GUI_INT_NAME "Ostrel Binary GuiInt"

constexpr char kName[] = GUI_INT_NAME;
constexpr char kAbout[] =
    OSTREL_ABOUT_HEAD(GUI_INT_NAME, "05-Oct-06")
    "This module allows various binary functions to be performed with GuiInt pins.\n"
    "\n"
    "Formula chooses the formula you wish to perform.\n"
    "A, B, and C are the inputs/outputs for the formulas.\n"
    "\n"
    "Note that this module operates at the bit level of the integer, so unexpected results may\n"
    "     occur, if this is not taken into account.";

}  // namespace

SEM_MODULE_ENTRY(GuiOnlyDspModule<Int>, GuiIntModule, kName, kAbout)
