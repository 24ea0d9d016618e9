// Rendering two sources through a voltage module, block by block, to a WAV.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/PluginLibrary.h"

namespace semhost {

// A signal source: a generator or the first channel of an audio file.
struct Source {
  enum class Kind { Sine, Saw, Square, Noise, Const, File } kind = Kind::Const;
  double hz = 0.0;
  double amp = 1.0;
  float constant = 0.0f;
  std::vector<float> samples;  // File
  int32_t fileRate = 0;        // File
  uint32_t noiseState = 0x12345678u;
  bool streaming() const { return kind != Kind::Const; }
  float at(int64_t n, double rate);
};

// Parses "sine:HZ[:AMP]", "saw:..", "square:..", "noise[:AMP]", "const:V" or
// an audio file name; on failure returns nothing and says why.
std::optional<Source> parseSource(const std::string& text, std::string* error);

struct RenderSettings {
  int32_t formula = 0;
  std::optional<uint32_t> cap;
  double rate = 48000.0;
  int32_t block = 256;
  double seconds = 1.0;
  std::string out;
  std::string plot;
};

struct RenderSummary {
  int64_t samples = 0;
  int64_t blocks = 0;
  int32_t sleeps = 0;
  int64_t normal = 0, zero = 0, denormal = 0, infinite = 0, nan = 0;
  float peak = 0.0f;
  double nanosPerSample = 0.0;
};

// Returns 0 on success; on failure fills *error.
int render(const PluginLibrary& library, Source a, Source b, const RenderSettings& settings,
           RenderSummary* summary, std::string* error);

// A 32-bit float mono WAV with every bit of every sample as given.
bool writeFloatWav(const std::string& path, const std::vector<float>& samples, int32_t rate);

}  // namespace semhost
