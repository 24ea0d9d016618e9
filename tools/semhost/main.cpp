// semhost: a command-line host for the module libraries. Loads a .sem file and
// shows what it is (info), evaluates it (eval, table), renders voltage modules
// to a WAV file (render), and prints the exact conversation with --trace.
//
// Exit codes: 0 success, 1 failure (file, module, I/O), 2 usage.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Evaluator.h"
#include "ModuleKind.h"
#include "Render.h"
#include "Values.h"
#include "formula/Formula.h"
#include "host/PluginLibrary.h"
#include "validate/Validate.h"

using namespace semhost;

namespace {

constexpr const char* kVersion = "semhost 1.0.0";

const char* kUsage =
    "usage: semhost <command> [options]\n"
    "\n"
    "commands:\n"
    "  info PLUGIN                 module name, about text and pin table\n"
    "  eval PLUGIN [options]       run one instance and print C\n"
    "  table PLUGIN [--a V] [--b V]\n"
    "                              all sixteen formulas for the given inputs\n"
    "  render PLUGIN [options]     render two sources through a voltage module\n"
    "  validate PLUGIN... [options]\n"
    "                              check plug-ins against their contract\n"
    "\n"
    "  semhost --version           print the version\n"
    "  semhost COMMAND --help      help for one command\n";

const std::map<std::string, std::string> kHelp = {
    {"info",
     "usage: semhost info PLUGIN\n"
     "Shows the module's name, identifier, about text and interface version, and\n"
     "its pins: description index, DSP pin index or \"GUI only\", name, direction,\n"
     "datatype, flags, default text and numbered list items.\n"
     "example: semhost info dist/ostrel_binary_i.sem\n"},
    {"eval",
     "usage: semhost eval PLUGIN [--formula N] [--a V] [--b V] [--cap V] [--trace]\n"
     "Creates both objects, initialises the GUI side, sets Formula there, sets A and\n"
     "B (and Cap) and prints C. Voltage modules get constant streams for one block.\n"
     "Values: integers in decimal or 0x hex; floats as decimals, hex floats or\n"
     "bits:0x3F800000; bools as 0, 1, true or false. --trace prints every call.\n"
     "example: semhost eval ostrel_binary_f.sem --formula 8 --a 1.0\n"},
    {"table",
     "usage: semhost table PLUGIN [--a V] [--b V]\n"
     "Prints the sixteen formulas with their labels and results for A and B; for\n"
     "bool modules the whole truth table.\n"
     "example: semhost table ostrel_binary_i.sem --a 5 --b 3\n"},
    {"render",
     "usage: semhost render PLUGIN --formula N --a SRC --b SRC [--cap V] [--rate R]\n"
     "                      [--block B] [--seconds S] --out FILE.wav [--plot FILE.png]\n"
     "Runs a voltage module block by block as a host does and writes C as a 32-bit\n"
     "float WAV that keeps every bit. A source is an audio file (first channel) or\n"
     "sine:HZ[:AMP], saw:HZ[:AMP], square:HZ[:AMP], noise[:AMP] or const:V.\n"
     "Defaults: --rate 48000 (or the file's), --block 256, --seconds 1.\n"
     "example: semhost render ostrel_binary_v.sem --formula 4 --a sine:220 --b sine:330 \\\n"
     "           --out c.wav --plot c.png\n"},
    {"validate",
     "usage: semhost validate PLUGIN... [--seed N] [--iterations K] [--level L]\n"
     "                        [--only NAME] [--in-process]\n"
     "Holds each plug-in to its contract under a hostile host and compares every\n"
     "output bit for bit with an independent model of the module. Checks: library,\n"
     "records, pins, lifecycle, processing, events, gui, realtime, determinism.\n"
     "Each check runs in a child process (a crash or a 60 s hang fails it) unless\n"
     "--in-process, which Windows requires. Each line is PASS or FAIL with a reason;\n"
     "a FAIL also prints the command that replays it. The last line is\n"
     "'N passed, N failed'; the exit code is 1 when anything failed.\n"
     "Defaults: --seed 1, --iterations 10, --level 2 (1 quick .. 3 thorough);\n"
     "--seed random picks one and prints it.\n"
     "example: semhost validate build/native/plugins/*.sem --seed 7\n"},
};

struct Args {
  std::string command;
  std::string plugin;
  std::map<std::string, std::string> options;
  bool trace = false;
  bool help = false;
  bool inProcess = false;
};

int usage(const std::string& message) {
  std::fprintf(stderr, "semhost: %s\n", message.c_str());
  std::fprintf(stderr, "run 'semhost --help' for usage\n");
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "semhost: %s\n", message.c_str());
  return 1;
}

std::vector<std::string> labels() {
  std::vector<std::string> out;
  std::string all = formula::kListText;
  std::string::size_type start = 0;
  while (true) {
    const auto at = all.find(',', start);
    out.push_back(all.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

std::string flagNames(uint32_t flags) {
  std::string s;
  auto add = [&](uint32_t bit, const char* name) {
    if (flags & bit) {
      if (!s.empty()) s += "|";
      s += name;
      flags &= ~bit;
    }
  };
  add(FlagGui, "FlagGui");
  add(FlagGuiToDsp, "FlagGuiToDsp");
  add(FlagAutoDuplicate, "FlagAutoDuplicate");
  if (flags) {
    char rest[16];
    std::snprintf(rest, sizeof rest, "0x%X", flags);
    if (!s.empty()) s += "|";
    s += rest;
  }
  return s.empty() ? "-" : s;
}

int commandInfo(const PluginLibrary& lib) {
  ModuleProperties p;
  std::memset(&p, 0, sizeof p);
  if (lib.getModuleProperties()(0, &p) != 1) return failure(lib.path() + ": no module at index 0");
  std::printf("file:        %s\n", lib.path().c_str());
  std::printf("name:        %s\n", p.name ? p.name : "(null)");
  std::printf("identifier:  %s\n", p.identifier ? p.identifier : "(null)");
  std::printf("interface:   %d\n", p.interfaceVersion);
  std::printf("about:\n");
  std::string about = p.about ? p.about : "";
  std::string::size_type start = 0;
  while (true) {
    const auto at = about.find('\n', start);
    std::printf("  | %s\n", about.substr(start, at == std::string::npos ? std::string::npos : at - start).c_str());
    if (at == std::string::npos) break;
    start = at + 1;
  }
  Instance in(lib);
  if (!in.created()) return failure(lib.path() + ": makeModule did not create both objects");
  std::printf("pins:\n");
  std::printf("  %-4s %-8s %-12s %-9s %-8s %-32s %s\n", "idx", "dsp", "name", "direction", "type",
              "flags", "default");
  for (const auto& pin : in.pins()) {
    const std::string dsp = pin.dspIndex >= 0 ? std::to_string(pin.dspIndex) : "GUI only";
    std::printf("  %-4d %-8s %-12s %-9s %-8s %-32s %s\n", pin.descIndex, dsp.c_str(),
                ("\"" + pin.name + "\"").c_str(), pin.direction == pinOutput ? "output" : "input",
                datatypeName(pin.datatype), flagNames(pin.flags).c_str(),
                pin.hasDefault ? ("\"" + pin.defaultText + "\"").c_str() : "-");
    const auto items = pin.listItems();
    for (size_t k = 0; k < items.size(); ++k)
      std::printf("         %2zu: \"%s\"\n", k, items[k].c_str());
  }
  std::printf("module:      %s, %s pins\n", familyName(classify(in).family),
              datatypeName(classify(in).valueType));
  return 0;
}

// Reads --NAME as a value of the given type; absent gives fallback.
bool optionValue(const Args& args, const std::string& name, int32_t datatype, uint32_t fallback,
                 uint32_t* out, std::string* error) {
  auto it = args.options.find(name);
  if (it == args.options.end()) {
    *out = fallback;
    return true;
  }
  const auto v = parseValue(it->second, datatype);
  if (!v) {
    *error = "bad value for --" + name + ": '" + it->second + "' (expected " +
             datatypeName(datatype) + ")";
    return false;
  }
  *out = *v;
  return true;
}

int commandEval(const PluginLibrary& lib, const Args& args) {
  Evaluator ev(lib);
  if (!ev.ok()) return failure(lib.path() + ": not one of the binary formula modules");
  std::string error;
  uint32_t formulaWord, a, b, cap;
  if (!optionValue(args, "formula", Int, 0, &formulaWord, &error) ||
      !optionValue(args, "a", ev.kind().valueType, 0, &a, &error) ||
      !optionValue(args, "b", ev.kind().valueType, 0, &b, &error) ||
      !optionValue(args, "cap", Float, 0, &cap, &error))
    return usage(error);
  if (args.options.count("cap") && ev.kind().cap < 0)
    return usage("--cap applies only to a module with a Cap pin");
  ev.instance().clearTrace();
  const uint32_t c = ev.evaluate(static_cast<int32_t>(formulaWord), a, b,
                                 args.options.count("cap") ? std::optional<uint32_t>(cap) : std::nullopt);
  const int32_t used = ev.instance().guiInt(ev.kind().formula);
  if (args.trace)
    for (const auto& e : ev.instance().trace()) std::printf("%s\n", describe(e).c_str());
  std::printf("formula %d \"%s\"\n", used, labels()[static_cast<size_t>(used & 15)].c_str());
  std::printf("C = %s\n", showValue(c, ev.kind().valueType).c_str());
  return 0;
}

int commandTable(const PluginLibrary& lib, const Args& args) {
  Evaluator ev(lib);
  if (!ev.ok()) return failure(lib.path() + ": not one of the binary formula modules");
  const auto names = labels();
  std::string error;
  if (ev.kind().valueType == Bool) {
    std::printf("%-3s %-16s  a=0,b=0  a=0,b=1  a=1,b=0  a=1,b=1\n", "#", "formula");
    for (int32_t k = 0; k < 16; ++k) {
      std::printf("%-3d %-16s", k, ("\"" + names[static_cast<size_t>(k)] + "\"").c_str());
      for (uint32_t a = 0; a < 2; ++a)
        for (uint32_t b = 0; b < 2; ++b) std::printf("  %7u", ev.evaluate(k, a, b, std::nullopt) & 1u);
      std::printf("\n");
    }
    return 0;
  }
  uint32_t a, b;
  if (!optionValue(args, "a", ev.kind().valueType, 0, &a, &error) ||
      !optionValue(args, "b", ev.kind().valueType, 0, &b, &error))
    return usage(error);
  std::printf("A = %s\nB = %s\n", showValue(a, ev.kind().valueType).c_str(),
              showValue(b, ev.kind().valueType).c_str());
  for (int32_t k = 0; k < 16; ++k)
    std::printf("%-3d %-16s %s\n", k, ("\"" + names[static_cast<size_t>(k)] + "\"").c_str(),
                showValue(ev.evaluate(k, a, b, std::nullopt), ev.kind().valueType).c_str());
  return 0;
}

int commandRender(const PluginLibrary& lib, const Args& args) {
  for (const char* required : {"formula", "a", "b", "out"})
    if (!args.options.count(required)) return usage(std::string("render needs --") + required);
  RenderSettings st;
  std::string error;
  uint32_t word;
  if (!optionValue(args, "formula", Int, 0, &word, &error)) return usage(error);
  st.formula = static_cast<int32_t>(word);
  if (args.options.count("cap")) {
    if (!optionValue(args, "cap", Float, 0, &word, &error)) return usage(error);
    st.cap = word;
  }
  auto number = [&](const char* name, double* out) {
    auto it = args.options.find(name);
    if (it == args.options.end()) return true;
    char* end = nullptr;
    *out = std::strtod(it->second.c_str(), &end);
    return !it->second.empty() && *end == '\0' && *out > 0;
  };
  double block = st.block;
  bool rateGiven = args.options.count("rate") > 0;
  if (!number("rate", &st.rate) || !number("block", &block) || !number("seconds", &st.seconds))
    return usage("--rate, --block and --seconds take positive numbers");
  if (block > 65536) return usage("--block is at most 65536");
  st.block = static_cast<int32_t>(block);
  st.out = args.options.at("out");
  if (args.options.count("plot")) st.plot = args.options.at("plot");
  auto a = parseSource(args.options.at("a"), &error);
  if (!a) return failure(error);
  auto b = parseSource(args.options.at("b"), &error);
  if (!b) return failure(error);
  // Files set the rate; two files must agree, and an explicit --rate too.
  for (const Source* s : {&*a, &*b}) {
    if (s->kind != Source::Kind::File) continue;
    if (rateGiven && static_cast<double>(s->fileRate) != st.rate)
      return failure("sample rate mismatch: a source file runs at " + std::to_string(s->fileRate) +
                     " Hz, not " + std::to_string(static_cast<int64_t>(st.rate)) + " Hz");
    st.rate = s->fileRate;
    rateGiven = true;
  }
  RenderSummary sum;
  if (render(lib, *a, *b, st, &sum, &error) != 0) return failure(error);
  std::printf("wrote %s\n", st.out.c_str());
  if (!st.plot.empty()) std::printf("plot  %s\n", st.plot.c_str());
  std::printf("samples   %lld\n", static_cast<long long>(sum.samples));
  std::printf("blocks    %lld of %d\n", static_cast<long long>(sum.blocks), st.block);
  std::printf("sleeps    %d\n", sum.sleeps);
  std::printf("normal    %lld\nzero      %lld\ndenormal  %lld\ninfinite  %lld\nNaN       %lld\n",
              static_cast<long long>(sum.normal), static_cast<long long>(sum.zero),
              static_cast<long long>(sum.denormal), static_cast<long long>(sum.infinite),
              static_cast<long long>(sum.nan));
  std::printf("peak      %.9g\n", static_cast<double>(sum.peak));
  std::printf("time      %.2f ns per sample\n", sum.nanosPerSample);
  return 0;
}

// A whole number option in 0..max; false when it is not one.
bool wholeOption(const Args& args, const char* name, unsigned long long max,
                 unsigned long long* out) {
  auto it = args.options.find(name);
  if (it == args.options.end()) return true;
  const std::string& text = it->second;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || v > max) return false;
  *out = v;
  return true;
}

int commandValidate(const Args& args, const std::vector<std::string>& positional,
                    const char* program) {
  for (const auto& [name, value] : args.options) {
    if (name != "seed" && name != "iterations" && name != "level" && name != "only")
      return usage("unknown option --" + name + " for validate");
  }
  if (args.trace) return usage("--trace belongs to eval");
  if (positional.size() < 2) return usage("validate takes one or more plug-in files");
  semvalidate::ValidateOptions options;
  options.plugins.assign(positional.begin() + 1, positional.end());
  options.inProcess = args.inProcess;
  options.program = program;
  unsigned long long seed = 1, iterations = 10, level = 2;
  auto seedOption = args.options.find("seed");
  if (seedOption != args.options.end() && seedOption->second == "random") {
    std::random_device device;
    seed = (static_cast<unsigned long long>(device()) << 16) ^ device();
    std::printf("seed %llu\n", seed);
  } else if (!wholeOption(args, "seed", ~0ull, &seed)) {
    return usage("--seed takes a whole number or 'random'");
  }
  if (!wholeOption(args, "iterations", 100000, &iterations) || iterations == 0)
    return usage("--iterations takes a whole number from 1");
  if (!wholeOption(args, "level", 3, &level) || level == 0)
    return usage("--level takes 1, 2 or 3");
  options.seed = seed;
  options.iterations = static_cast<int32_t>(iterations);
  options.level = static_cast<int32_t>(level);
  auto only = args.options.find("only");
  if (only != args.options.end()) {
    const auto& names = semvalidate::checkNames();
    if (std::find(names.begin(), names.end(), only->second) == names.end())
      return usage("no check named '" + only->second + "'");
    options.only = only->second;
  }
  return semvalidate::runValidate(options);
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      args.help = true;
    } else if (arg == "--version") {
      std::printf("%s\n", kVersion);
      return 0;
    } else if (arg == "--in-process") {
      args.inProcess = true;
    } else if (arg == "--trace") {
      args.trace = true;
    } else if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        args.options[arg.substr(2, eq - 2)] = arg.substr(eq + 1);
      } else {
        if (i + 1 >= argc) return usage("option " + arg + " needs a value");
        args.options[arg.substr(2)] = argv[++i];
      }
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) {
    if (args.help) {
      std::printf("%s", kUsage);
      return 0;
    }
    return usage("no command given");
  }
  args.command = positional[0];
  auto help = kHelp.find(args.command);
  if (help == kHelp.end()) return usage("unknown command '" + args.command + "'");
  if (args.help) {
    std::printf("%s", help->second.c_str());
    return 0;
  }
  if (args.command == "validate") return commandValidate(args, positional, argv[0]);
  if (args.inProcess) return usage("--in-process belongs to validate");
  if (positional.size() != 2) return usage(args.command + " takes exactly one plug-in file");
  static const std::map<std::string, std::vector<std::string>> allowed = {
      {"info", {}},
      {"eval", {"formula", "a", "b", "cap"}},
      {"table", {"a", "b"}},
      {"render", {"formula", "a", "b", "cap", "rate", "block", "seconds", "out", "plot"}}};
  for (const auto& [name, value] : args.options) {
    const auto& ok = allowed.at(args.command);
    if (std::find(ok.begin(), ok.end(), name) == ok.end())
      return usage("unknown option --" + name + " for " + args.command);
  }
  if (args.trace && args.command != "eval") return usage("--trace belongs to eval");
  std::string error;
  auto lib = PluginLibrary::load(positional[1], &error);
  if (!lib) return failure(error);
  if (args.command == "info") return commandInfo(*lib);
  if (args.command == "eval") return commandEval(*lib, args);
  if (args.command == "table") return commandTable(*lib, args);
  return commandRender(*lib, args);
}
