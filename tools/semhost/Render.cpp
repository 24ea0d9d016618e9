#include "Render.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "ModuleKind.h"
#include "Values.h"
#include "host/Instance.h"

#if SEM_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace semhost {

namespace {

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    const auto at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

bool toDouble(const std::string& s, double* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  *out = std::strtod(s.c_str(), &end);
  return *end == '\0';
}

#if SEM_HAVE_SNDFILE
bool readAudio(const std::string& path, Source* src, std::string* error) {
  SF_INFO info;
  std::memset(&info, 0, sizeof info);
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr) {
    *error = path + ": cannot read audio file (" + sf_strerror(nullptr) + ")";
    return false;
  }
  std::vector<float> frames(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  sf_readf_float(f, frames.data(), info.frames);
  sf_close(f);
  src->samples.resize(static_cast<size_t>(info.frames));
  for (sf_count_t i = 0; i < info.frames; ++i)
    src->samples[static_cast<size_t>(i)] = frames[static_cast<size_t>(i * info.channels)];
  src->fileRate = info.samplerate;
  return true;
}
#else
bool readAudio(const std::string& path, Source*, std::string* error) {
  *error = path + ": reading audio files is not built into this semhost";
  return false;
}
#endif

void put32(std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); }
void put16(std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); }

}  // namespace

float Source::at(int64_t n, double rate) {
  const double t = static_cast<double>(n) / rate;
  const double phase = hz * t - std::floor(hz * t);
  switch (kind) {
    case Kind::Sine: return static_cast<float>(amp * std::sin(2.0 * M_PI * phase));
    case Kind::Saw: return static_cast<float>(amp * (2.0 * phase - 1.0));
    case Kind::Square: return static_cast<float>(phase < 0.5 ? amp : -amp);
    case Kind::Noise:
      noiseState = noiseState * 1664525u + 1013904223u;
      return static_cast<float>(amp * (static_cast<double>(noiseState >> 8) / 8388608.0 - 1.0));
    case Kind::Const: return constant;
    case Kind::File:
      return n < static_cast<int64_t>(samples.size()) ? samples[static_cast<size_t>(n)] : 0.0f;
  }
  return 0.0f;
}

std::optional<Source> parseSource(const std::string& text, std::string* error) {
  Source s;
  const auto parts = split(text, ':');
  const std::string& head = parts[0];
  auto bad = [&]() {
    *error = "bad source '" + text +
             "': use sine:HZ[:AMP], saw:HZ[:AMP], square:HZ[:AMP], noise[:AMP], const:V or a file";
    return std::nullopt;
  };
  if (head == "sine" || head == "saw" || head == "square") {
    s.kind = head == "sine" ? Source::Kind::Sine : head == "saw" ? Source::Kind::Saw : Source::Kind::Square;
    if (parts.size() < 2 || parts.size() > 3 || !toDouble(parts[1], &s.hz)) return bad();
    if (parts.size() == 3 && !toDouble(parts[2], &s.amp)) return bad();
    return s;
  }
  if (head == "noise") {
    s.kind = Source::Kind::Noise;
    if (parts.size() > 2 || (parts.size() == 2 && !toDouble(parts[1], &s.amp))) return bad();
    return s;
  }
  if (head == "const") {
    s.kind = Source::Kind::Const;
    if (parts.size() != 2) return bad();
    const auto w = parseValue(parts[1], Voltage);
    if (!w) return bad();
    std::memcpy(&s.constant, &*w, 4);
    return s;
  }
  s.kind = Source::Kind::File;
  if (!readAudio(text, &s, error)) return std::nullopt;
  return s;
}

bool writeFloatWav(const std::string& path, const std::vector<float>& samples, int32_t rate) {
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 4);
  f.write("RIFF", 4);
  put32(f, 36 + 12 + dataBytes);
  f.write("WAVE", 4);
  f.write("fmt ", 4);
  put32(f, 16);
  put16(f, 3);  // IEEE float
  put16(f, 1);  // mono
  put32(f, static_cast<uint32_t>(rate));
  put32(f, static_cast<uint32_t>(rate) * 4);
  put16(f, 4);
  put16(f, 32);
  f.write("fact", 4);
  put32(f, 4);
  put32(f, static_cast<uint32_t>(samples.size()));
  f.write("data", 4);
  put32(f, dataBytes);
  f.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(dataBytes));
  return static_cast<bool>(f);
}

namespace {

bool plotWindow(const std::string& png, const std::vector<float>& a, const std::vector<float>& b,
                const std::vector<float>& c, double rate, std::string* error) {
#if defined(_WIN32)
  (void)png; (void)a; (void)b; (void)c; (void)rate;
  *error = "plotting needs gnuplot, which this build does not call";
  return false;
#else
  const std::string data = png + ".dat";
  {
    std::ofstream d(data);
    const size_t n = std::min<size_t>(c.size(), static_cast<size_t>(rate * 0.01) + 1);
    for (size_t i = 0; i < n; ++i) {
      // Non-finite outputs are drawn as gaps.
      auto show = [](float v) { return std::isfinite(v) ? std::to_string(v) : std::string("NaN"); };
      d << (static_cast<double>(i) * 1000.0 / rate) << ' ' << show(a[i]) << ' ' << show(b[i]) << ' '
        << show(c[i]) << '\n';
    }
  }
  const std::string script =
      "set terminal pngcairo size 1000,600\n"
      "set output '" + png + "'\n"
      "set multiplot layout 2,1\n"
      "set xlabel 'ms'\nset grid\n"
      "plot '" + data + "' using 1:2 with lines title 'A', '' using 1:3 with lines title 'B'\n"
      "plot '" + data + "' using 1:4 with linespoints pt 7 ps 0.3 title 'C'\n"
      "unset multiplot\n";
  FILE* gp = popen("gnuplot 2>&1", "w");
  if (gp == nullptr) {
    *error = "cannot start gnuplot";
    return false;
  }
  std::fputs(script.c_str(), gp);
  const int status = pclose(gp);
  std::remove(data.c_str());
  if (status != 0) {
    *error = "gnuplot failed (is it installed?)";
    return false;
  }
  return true;
#endif
}

}  // namespace

int render(const PluginLibrary& library, Source a, Source b, const RenderSettings& st,
           RenderSummary* sum, std::string* error) {
  InstanceOptions options;
  options.sampleRate = static_cast<float>(st.rate);
  options.blockSize = st.block;
  options.bufferCapacity = st.block;
  Instance in(library, options);
  if (!in.created()) {
    *error = library.path() + ": the module could not be created";
    return 1;
  }
  const ModuleKind kind = classify(in);
  if (kind.family != Family::Voltage) {
    *error = library.path() + ": render works on voltage modules; this is a " +
             familyName(kind.family) + " module (use eval or table)";
    return 1;
  }
  in.open();
  in.initialiseGui(false);
  in.setGuiPinInt(kind.formula, st.formula);
  in.deliverDueEvents();
  if (st.cap && kind.cap >= 0) in.setInput(kind.cap, *st.cap);

  const int32_t dspA = in.pins()[static_cast<size_t>(kind.a)].dspIndex;
  const int32_t dspB = in.pins()[static_cast<size_t>(kind.b)].dspIndex;
  const auto total = static_cast<int64_t>(std::llround(st.seconds * st.rate));
  std::vector<float> outA, outB, outC;
  outA.reserve(static_cast<size_t>(total));
  outB.reserve(static_cast<size_t>(total));
  outC.reserve(static_cast<size_t>(total));

  // Fill the first block before announcing the statuses: a held input is read
  // from the buffer at the moment its status arrives.
  auto fill = [&](int64_t start, int32_t frames) {
    float* ba = in.buffer(kind.a);
    float* bb = in.buffer(kind.b);
    for (int32_t i = 0; i < frames; ++i) {
      ba[i] = a.at(start + i, st.rate);
      bb[i] = b.at(start + i, st.rate);
    }
  };
  bool announced = false;
  std::chrono::nanoseconds spent{0};
  for (int64_t pos = 0; pos < total; pos += st.block) {
    const auto frames = static_cast<int32_t>(std::min<int64_t>(st.block, total - pos));
    fill(pos, frames);
    if (!announced) {
      in.deliverStatus(dspA, a.streaming() ? statusStreaming : statusChanged);
      in.deliverStatus(dspB, b.streaming() ? statusStreaming : statusChanged);
      announced = true;
    }
    const auto t0 = std::chrono::steady_clock::now();
    in.runBlock(frames);
    spent += std::chrono::steady_clock::now() - t0;
    const float* ba = in.buffer(kind.a);
    const float* bb = in.buffer(kind.b);
    const float* bc = in.buffer(kind.c);
    outA.insert(outA.end(), ba, ba + frames);
    outB.insert(outB.end(), bb, bb + frames);
    outC.insert(outC.end(), bc, bc + frames);
    ++sum->blocks;
  }
  sum->samples = static_cast<int64_t>(outC.size());
  sum->sleeps = in.sleepRequests();
  for (float v : outC) {
    uint32_t w;
    std::memcpy(&w, &v, 4);
    const std::string cls = floatClass(w);
    if (cls == "normal") ++sum->normal;
    else if (cls == "zero") ++sum->zero;
    else if (cls == "denormal") ++sum->denormal;
    else if (cls == "infinite") ++sum->infinite;
    else ++sum->nan;
    if (std::isfinite(v) && std::fabs(v) > sum->peak) sum->peak = std::fabs(v);
  }
  sum->nanosPerSample = sum->samples ? static_cast<double>(spent.count()) / static_cast<double>(sum->samples) : 0.0;

  if (!writeFloatWav(st.out, outC, static_cast<int32_t>(std::lround(st.rate)))) {
    *error = st.out + ": cannot write the WAV file";
    return 1;
  }
  if (!st.plot.empty() && !plotWindow(st.plot, outA, outB, outC, st.rate, error)) return 1;
  return 0;
}

}  // namespace semhost
