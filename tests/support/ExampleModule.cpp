// The example module: the smallest plug-in that wires every part of the
// boundary, so the framework can be tested through real exported entry points
// apart from the real modules. It describes pins of every datatype and flag
// combination, with and without module variables, and a last pin with
// FlagAutoDuplicate (FlagGui too when EXAMPLE_LAST_PIN_GUI_ONLY is set).
//
// DSP side: every pin status it receives is echoed on the "Echo" output as
// dspIndex * 100 + status; a status of 7 also queues a deferred call that
// echoes 4242 five samples later. Its process routine writes In x Level to Out.
// GUI side: a change of pin 1 writes ten times its value to pin 0.
#include <cstring>

#include "framework/DspModule.h"
#include "framework/GuiModule.h"
#include "framework/ModuleEntry.h"

namespace {

#ifdef EXAMPLE_LAST_PIN_GUI_ONLY
constexpr uint32_t kLastPinFlags = FlagGui | FlagAutoDuplicate;
#else
constexpr uint32_t kLastPinFlags = FlagAutoDuplicate;
#endif

constexpr int32_t kEchoPin = 7;  // DSP pin index of "Echo"

class ExampleDspModule : public DspModule {
 public:
  using DspModule::DspModule;
  ~ExampleDspModule() override = default;

  void onPinUpdate(DspPin& pin) noexcept override {
    echo(pin.index * 100 + pin.status);
    if (pin.status == 7) postDeferredCall(sampleClock() + 5, &ExampleDspModule::deferred);
  }

  void open() noexcept override {
    setProcess(&ExampleDspModule::process, 0, 0, 0);
    DspModule::open();
  }

  bool describePin(int32_t index, PinDescription* d) noexcept override {
    switch (index) {
      case 0: set(d, "Gui2Dsp", pinInput, Int, &gui2dsp, nullptr, nullptr, 0x28500); return true;
      case 1: set(d, "GuiOnly", pinInput, List, &guiOnly, "0", "one,two,three", FlagGui); return true;
      case 2: set(d, "Level", pinInput, Float, &level, "0.5", nullptr, 0); return true;
      case 3: set(d, "Gate", pinInput, Bool, &gate, "0", nullptr, 0); return true;
      case 4: set(d, "Choice", pinInput, List, &choice, "1", "a,b", 0); return true;
      case 5: set(d, "In", pinInput, Voltage, &inBuffer, "0", nullptr, 0); return true;
      case 6: set(d, "Count", pinInput, Int, nullptr, "0", nullptr, 0); return true;
      case 7: set(d, "Out", pinOutput, Voltage, nullptr, "0", nullptr, 0); return true;
      case 8: set(d, "Echo", pinOutput, Int, &echoValue, "0", nullptr, 0); return true;
      case 9: set(d, "Extra", pinInput, Int, nullptr, "0", nullptr, kLastPinFlags); return true;
      default: return false;
    }
  }

 private:
  static void set(PinDescription* d, const char* name, int32_t direction, int32_t type,
                  void* variable, const char* defaultText, const char* list, uint32_t flags) {
    d->name = name;
    d->direction = direction;
    d->datatype = type;
    if (variable) d->valuePtr = variable;
    if (defaultText) d->defaultText = defaultText;
    if (list) d->listText = list;
    if (flags) d->flags = flags;
  }

  void echo(int32_t v) noexcept {
    echoValue = v;
    if (DspPin* out = findPin(kEchoPin)) out->sendStatus(sampleClock(), statusChanged);
  }

  static void deferred(DspModule* module) { static_cast<ExampleDspModule*>(module)->echo(4242); }

  static void SEM_CALL process(void* object, int32_t offset, int32_t frames) {
    auto* self = static_cast<ExampleDspModule*>(fromObject(object));
    DspPin* out = self->findPin(6);
    if (out == nullptr || self->inBuffer == nullptr) return;
    float* outBuffer = *static_cast<float**>(out->valuePtr);
    if (outBuffer == nullptr) return;
    for (int32_t i = offset; i < offset + frames; ++i) outBuffer[i] = self->inBuffer[i] * self->level;
  }

  int32_t gui2dsp = 0;
  int32_t guiOnly = 0;
  float level = 0.0f;
  int32_t gate = 0;
  int32_t choice = 0;
  float* inBuffer = nullptr;
  int32_t echoValue = 0;
};

class ExampleGuiModule : public GuiModule {
 public:
  using GuiModule::GuiModule;
  ~ExampleGuiModule() override = default;

  void initialise(bool keepValues) noexcept override {
    if (!keepValues) pin(1).setInt(0);
  }

  void onPinChanged(GuiPin& changed) noexcept override {
    if (changed.index != 1) return;
    // Read first: pin() hands out one shared accessor, so pin(0) taken before
    // pin(1) would end up naming pin 1.
    const int32_t v = pin(1).getInt();
    pin(0).setInt(v * 10);
  }
};

constexpr char kName[] = "Example Module";
constexpr char kAbout[] = "Example Module, v1.0.0\nA fixture for the framework tests.";

}  // namespace

SEM_MODULE_ENTRY(ExampleDspModule, ExampleGuiModule, kName, kAbout)
