// ostrel_binary_gi: the GUI-only module on integer pins.
#include "GuiNumberModules.h"
#include "GuiOnlyDspModule.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"

namespace {

#define GUI_INT_NAME "Ostrel Binary GuiInt"

constexpr char kName[] = GUI_INT_NAME;
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO(GUI_INT_NAME, "05-Oct-06", "GuiInt") OSTREL_INTEGER_BIT_NOTE;

}  // namespace

SEM_MODULE_ENTRY(GuiOnlyDspModule<Int>, GuiIntModule, kName, kAbout)
