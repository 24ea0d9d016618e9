// Where the tests find the plug-in files, and a cache of loaded libraries.
#pragma once

#include <string>
#include <vector>

#include "host/PluginLibrary.h"

namespace testsupport {

// Folders searched for plug-ins, in order: --plugin-dir arguments, the
// SEM_PLUGIN_DIR environment variable, the build's plug-in folder.
void addPluginDir(const std::string& dir);
std::string pluginPath(const std::string& name);
// The library, loaded once per test program; fails the test if missing.
const semhost::PluginLibrary& plugin(const std::string& name);

}  // namespace testsupport
