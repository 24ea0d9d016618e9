// A loaded module library file and its two exports.
#pragma once

#include <memory>
#include <string>

#include "framework/module_properties.h"

namespace semhost {

class PluginLibrary {
 public:
  // Loads the file and looks up both exports. On failure returns null and
  // says why in *error, in words a user can act on.
  static std::unique_ptr<PluginLibrary> load(const std::string& path, std::string* error);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const std::string& path() const { return path_; }
  GetModulePropertiesFn getModuleProperties() const { return getProperties_; }
  MakeModuleFn makeModule() const { return make_; }

  // getModuleProperties(0, ...) into a record the host prepared.
  ModuleProperties properties() const;

 private:
  PluginLibrary() = default;
  std::string path_;
  void* handle_ = nullptr;
  GetModulePropertiesFn getProperties_ = nullptr;
  MakeModuleFn make_ = nullptr;
};

}  // namespace semhost
