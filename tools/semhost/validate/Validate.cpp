#include "Validate.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "Checks.h"
#include "host/PluginLibrary.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#define SEM_HAVE_FORK 1
#endif

namespace semvalidate {

namespace {

struct Check {
  const char* name;
  CheckFn fn;
};

const Check kChecks[] = {
    {"library", &checkLibrary},       {"records", &checkRecords},
    {"pins", &checkPins},             {"lifecycle", &checkLifecycle},
    {"processing", &checkProcessing}, {"events", &checkEvents},
    {"gui", &checkGui},               {"realtime", &checkRealtime},
    {"determinism", &checkDeterminism}};

// A crash or a hang of this long fails the check.
constexpr int kTimeoutSeconds = 60;

// The seed of one check: the run's seed mixed with the check's name, so that
// --only NAME replays exactly what the full run did.
uint64_t checkSeed(uint64_t seed, const std::string& name) {
  uint64_t h = seed ^ 0x6A09E667F3BCC908ull;
  for (const char ch : name) h = (h ^ static_cast<unsigned char>(ch)) * 0x100000001B3ull;
  return h;
}

struct Outcome {
  bool passed = false;
  std::string reason;
};

// Runs one check here, in this process.
Outcome runHere(const Check& check, const semhost::PluginLibrary& lib, semref::Kind kind,
                const ValidateOptions& options) {
  CheckContext ctx;
  ctx.getProperties = lib.getModuleProperties();
  ctx.make = lib.makeModule();
  ctx.kind = kind;
  ctx.seed = checkSeed(options.seed, check.name);
  ctx.iterations = options.iterations;
  ctx.level = options.level;
  const bool ok = check.fn(ctx);
  Outcome out;
  out.passed = ok && ctx.failure.empty();
  out.reason = ctx.failure.empty() && !ok ? "failed" : ctx.failure;
  return out;
}

#ifdef SEM_HAVE_FORK
// Runs one check in a child process; the child writes its one-line reason to
// a pipe. A signal or a timeout in the child is the reason instead.
Outcome runInChild(const Check& check, const semhost::PluginLibrary& lib, semref::Kind kind,
                   const ValidateOptions& options) {
  int fds[2];
  if (pipe(fds) != 0) return runHere(check, lib, kind, options);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return runHere(check, lib, kind, options);
  }
  if (pid == 0) {
    close(fds[0]);
    const Outcome o = runHere(check, lib, kind, options);
    const std::string line = (o.passed ? "P" : "F") + o.reason;
    ssize_t unused = write(fds[1], line.data(), line.size());
    (void)unused;
    close(fds[1]);
    std::fflush(stdout);
    _exit(o.passed ? 0 : 1);
  }
  close(fds[1]);
  std::string text;
  int status = 0;
  bool timedOut = false;
  const auto start = std::chrono::steady_clock::now();
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(kTimeoutSeconds)) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      timedOut = true;
      break;
    }
    usleep(2000);
  }
  char chunk[512];
  ssize_t n;
  while ((n = read(fds[0], chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
  close(fds[0]);
  Outcome out;
  if (timedOut) {
    out.reason = "hung: no end after " + std::to_string(kTimeoutSeconds) + " s (killed, SIGKILL)";
  } else if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = strsignal(sig);
    out.reason = "crashed with signal " + std::to_string(sig) + " (" + (name ? name : "?") + ")";
  } else if (text.empty()) {
    out.reason = "the check ended without a result (exit code " +
                 std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
  } else {
    out.passed = text[0] == 'P' && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    out.reason = text.substr(1);
    if (!out.passed && out.reason.empty()) out.reason = "failed";
  }
  return out;
}
#endif

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const std::vector<std::string>& checkNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const Check& c : kChecks) n.push_back(c.name);
    return n;
  }();
  return names;
}

int runValidate(const ValidateOptions& options) {
  int passed = 0, failed = 0;
  bool inProcess = options.inProcess;
#ifndef SEM_HAVE_FORK
  if (!inProcess) {
    std::fprintf(stderr,
                 "semhost validate: this platform cannot run each check in a child process; "
                 "run it with --in-process\n");
    return 2;
  }
#endif
  for (const std::string& path : options.plugins) {
    std::string error;
    auto lib = semhost::PluginLibrary::load(path, &error);
    semref::Kind kind = semref::Kind::Int;
    std::string loadFailure;
    if (!lib) {
      loadFailure = error;
    } else {
      ModuleProperties props;
      std::memset(&props, 0, sizeof props);
      if (lib->getModuleProperties()(0, &props) != 1 || props.name == nullptr)
        loadFailure = "getModuleProperties(0) gives no module name";
      else if (!semref::kindFromName(props.name, &kind))
        loadFailure = std::string("\"") + props.name + "\" is no module of this family";
    }
    for (const Check& check : kChecks) {
      if (!options.only.empty() && options.only != check.name) continue;
      Outcome o;
      if (!loadFailure.empty()) {
        o.reason = loadFailure;
      } else {
#ifdef SEM_HAVE_FORK
        o = inProcess ? runHere(check, *lib, kind, options) : runInChild(check, *lib, kind, options);
#else
        o = runHere(check, *lib, kind, options);
#endif
      }
      if (o.passed) {
        ++passed;
        std::printf("PASS %-11s %s\n", check.name, baseName(path).c_str());
      } else {
        ++failed;
        std::printf("FAIL %-11s %s: %s\n", check.name, baseName(path).c_str(), o.reason.c_str());
        // Iterations and level change what a check does: named when not the defaults.
        std::string scale;
        if (options.iterations != ValidateOptions{}.iterations)
          scale += " --iterations " + std::to_string(options.iterations);
        if (options.level != ValidateOptions{}.level)
          scale += " --level " + std::to_string(options.level);
        std::printf("     replay: %s validate %s --seed %llu%s --only %s --in-process\n",
                    options.program.c_str(), path.c_str(),
                    static_cast<unsigned long long>(options.seed), scale.c_str(), check.name);
      }
      std::fflush(stdout);
    }
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace semvalidate
