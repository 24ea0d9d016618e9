// ostrel_binary_gb: the GUI-only module on boolean pins.
#include "GuiBoolModule.h"
#include "GuiOnlyDspModule.h"
#include "framework/ModuleEntry.h"
#include "modules/Maker.h"

namespace {

#define GUI_BOOL_NAME "Ostrel Binary GuiBool"

constexpr char kName[] = GUI_BOOL_NAME;
constexpr char kAbout[] =
    OSTREL_ABOUT_INTRO(GUI_BOOL_NAME, "05-Oct-06", "GuiBool");

}  // namespace

SEM_MODULE_ENTRY(GuiOnlyDspModule<Bool>, GuiBoolModule, kName, kAbout)
