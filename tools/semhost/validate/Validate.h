// `semhost validate`: holds module libraries to their contract under a
// hostile host, one check at a time, each in a child process where the
// platform has fork.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace semvalidate {

struct ValidateOptions {
  std::vector<std::string> plugins;
  uint64_t seed = 0;
  int32_t iterations = 10;  // scenario runs per check
  int32_t level = 2;        // 1 quick .. 3 thorough: steps per run and sweeps
  std::string only;         // one check by name, or all
  bool inProcess = false;
  std::string program = "semhost";  // argv[0], for the replay line
};

// The names of the checks, in the order they run.
const std::vector<std::string>& checkNames();
// Runs the checks and prints one line per check and plug-in, then
// "N passed, N failed". Returns the exit code: 0 when everything passed.
int runValidate(const ValidateOptions& options);

}  // namespace semvalidate
