#include "PluginLibrary.h"

#include <cstring>
#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace semhost {

namespace {

#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string* why) {
  HMODULE h = LoadLibraryA(path.c_str());
  if (h == nullptr && why) *why = "Windows error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(h);
}
void* findSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string* why) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr && why) {
    const char* e = dlerror();
    *why = e ? e : "unknown loader error";
  }
  return h;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    return std::unique_ptr<PluginLibrary>();
  };
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) return fail(path + ": no such file or not readable");
  }
  std::string why;
  void* handle = openLibrary(path, &why);
  if (handle == nullptr) return fail(path + ": not a loadable shared library (" + why + ")");

  std::unique_ptr<PluginLibrary> lib(new PluginLibrary());
  lib->path_ = path;
  lib->handle_ = handle;
  lib->getProperties_ =
      reinterpret_cast<GetModulePropertiesFn>(findSymbol(handle, "getModuleProperties"));
  lib->make_ = reinterpret_cast<MakeModuleFn>(findSymbol(handle, "makeModule"));
  if (lib->getProperties_ == nullptr)
    return fail(path + ": not a module library: it does not export getModuleProperties");
  if (lib->make_ == nullptr)
    return fail(path + ": not a module library: it does not export makeModule");
  return lib;
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) closeLibrary(handle_);
}

ModuleProperties PluginLibrary::properties() const {
  ModuleProperties props;
  std::memset(&props, 0, sizeof props);
  getProperties_(0, &props);
  return props;
}

}  // namespace semhost
