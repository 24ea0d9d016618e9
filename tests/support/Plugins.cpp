#include "support/Plugins.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

namespace testsupport {

namespace {
std::vector<std::string>& dirs() {
  static std::vector<std::string> d;
  return d;
}
}  // namespace

void addPluginDir(const std::string& dir) { dirs().push_back(dir); }

std::string pluginPath(const std::string& name) {
  std::vector<std::string> search = dirs();
  if (const char* env = std::getenv("SEM_PLUGIN_DIR")) search.push_back(env);
  search.push_back(SEM_DEFAULT_PLUGIN_DIR);
  for (const auto& d : search) {
    const std::string path = d + "/" + name + ".sem";
    if (std::ifstream(path).good()) return path;
  }
  return search.back() + "/" + name + ".sem";
}

const semhost::PluginLibrary& plugin(const std::string& name) {
  static std::map<std::string, std::unique_ptr<semhost::PluginLibrary>> cache;
  auto it = cache.find(name);
  if (it == cache.end()) {
    std::string error;
    auto lib = semhost::PluginLibrary::load(pluginPath(name), &error);
    if (!lib) throw std::runtime_error("cannot load plug-in " + name + ": " + error);
    it = cache.emplace(name, std::move(lib)).first;
  }
  return *it->second;
}

}  // namespace testsupport
