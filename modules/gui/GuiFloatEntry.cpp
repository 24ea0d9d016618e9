// ostrel_binary_gf: the GUI-only module on float pins.
#include "GuiNumberModules.h"
#include "GuiOnlyDspModule.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"

namespace {

#define GUI_FLOAT_NAME "Ostrel Binary GuiFloat"

constexpr char kName[] = GUI_FLOAT_NAME;
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO(GUI_FLOAT_NAME, "05-Oct-06", "GuiFloat")
    "\n"
    "\n"
    "Note that this module operates at the bit level of the float value, so unexpected\n"
    "     results may occur, if this is not taken into account.";

}  // namespace

SEM_MODULE_ENTRY(GuiOnlyDspModule<Float>, GuiFloatModule, kName, kAbout)
