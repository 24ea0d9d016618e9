#include "Values.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/pin_description.h"

namespace semhost {

namespace {
std::optional<uint32_t> parseInteger(const std::string& t) {
  if (t.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(t.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
    return std::nullopt;
  return static_cast<uint32_t>(v);
}
}  // namespace

std::optional<uint32_t> parseValue(const std::string& text, int32_t datatype) {
  if (datatype == Float || datatype == Voltage) {
    if (text.rfind("bits:", 0) == 0) return parseInteger(text.substr(5));
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const float f = std::strtof(text.c_str(), &end);
    if (*end != '\0') return std::nullopt;
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
  }
  if (datatype == Bool) {
    if (text == "1" || text == "true") return 1u;
    if (text == "0" || text == "false") return 0u;
    return std::nullopt;
  }
  return parseInteger(text);
}

const char* floatClass(uint32_t bits) {
  const uint32_t exponent = (bits >> 23) & 0xFF;
  const uint32_t fraction = bits & 0x7FFFFF;
  if (exponent == 0) return fraction == 0 ? "zero" : "denormal";
  if (exponent == 0xFF) return fraction == 0 ? "infinite" : "NaN";
  return "normal";
}

std::string showValue(uint32_t word, int32_t datatype) {
  char line[128];
  if (datatype == Float || datatype == Voltage) {
    float f;
    std::memcpy(&f, &word, sizeof f);
    std::snprintf(line, sizeof line, "%.9g (bits 0x%08X, %s)", static_cast<double>(f), word,
                  floatClass(word));
  } else if (datatype == Bool) {
    std::snprintf(line, sizeof line, "%u", word & 1u);
  } else {
    std::snprintf(line, sizeof line, "%d (0x%08X)", static_cast<int32_t>(word), word);
  }
  return line;
}

}  // namespace semhost
