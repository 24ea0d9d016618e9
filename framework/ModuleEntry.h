// The two exports of a module library (and DllMain on Windows), written once.
// Each deliverable instantiates them with one line:
//
//   SEM_MODULE_ENTRY(BinaryIntModule, FormulaRelay, binaryIntName, binaryIntAbout)
//
// naming its DSP-side class, its GUI-side class and its two static texts.
#pragma once

#include <cstdint>
#include <new>

#include "DspModule.h"
#include "GuiModule.h"
#include "module_properties.h"

namespace sem_entry {

// host: any thread, any time. Stores the version first, so a call that fails
// still leaves it in the record.
inline int32_t getModuleProperties(int32_t moduleIndex, ModuleProperties* props,
                                   const char* name, const char* about) noexcept {
  if (props == nullptr) return 0;
  props->interfaceVersion = SEM_INTERFACE_VERSION;
  if (moduleIndex != 0) return 0;
  props->name = name;
  props->identifier = name;
  props->about = about;
  return 1;
}

// host: any thread. Returns the embedded record, never the object; null for a
// bad index or type and when memory is exhausted. Calls nothing on the host.
template <class Dsp, class Gui>
void* makeModule(int32_t moduleIndex, int32_t objectType, HostCallback callback,
                 intptr_t hostData) noexcept {
  if (moduleIndex != 0) return nullptr;
  if (objectType == objectTypeDsp) {
    DspModule* object = new (std::nothrow) Dsp(callback, hostData);
    return object != nullptr ? object->hostRecord() : nullptr;
  }
  if (objectType == objectTypeGui) {
    GuiModule* object = new (std::nothrow) Gui(callback, hostData);
    return object != nullptr ? object->hostRecord() : nullptr;
  }
  return nullptr;
}

}  // namespace sem_entry

#if defined(_WIN32)
#include <windows.h>
// Kept for the library's lifetime; nothing reads it. Volatile, because a
// store to a variable nobody reads is otherwise dropped by the optimiser.
#define SEM_DLLMAIN_DEFINITION                                                     \
  static HINSTANCE volatile semInstanceHandle = nullptr;                           \
  extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { \
    (void)reason;                                                                  \
    (void)reserved;                                                                \
    semInstanceHandle = instance;                                                  \
    return TRUE;                                                                   \
  }
#else
#define SEM_DLLMAIN_DEFINITION
#endif

#define SEM_MODULE_ENTRY(DspClass, GuiClass, nameText, aboutText)                        \
  extern "C" SEM_EXPORT int32_t SEM_CALL getModuleProperties(int32_t moduleIndex,       \
                                                             ModuleProperties* props) { \
    return sem_entry::getModuleProperties(moduleIndex, props, nameText, aboutText);     \
  }                                                                                      \
  extern "C" SEM_EXPORT void* SEM_CALL makeModule(int32_t moduleIndex, int32_t objectType, \
                                                  HostCallback callback, intptr_t hostData) { \
    return sem_entry::makeModule<DspClass, GuiClass>(moduleIndex, objectType, callback,  \
                                                     hostData);                           \
  }                                                                                      \
  SEM_DLLMAIN_DEFINITION
