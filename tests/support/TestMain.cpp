// Test program entry: --plugin-dir=DIR (repeatable) names where the plug-ins
// are, so the same tests run against any build's files, dist/ included.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/Plugins.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const char* prefix = "--plugin-dir=";
    if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0)
      testsupport::addPluginDir(argv[i] + std::strlen(prefix));
  }
  return RUN_ALL_TESTS();
}
