// Reading values from the command line and showing 32-bit words as values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace semhost {

// Integers: decimal or 0x hex (any 32-bit pattern). Floats: decimal, hex float
// (0x1.8p-3), or a raw pattern bits:0x3F800000. Bools: 0, 1, true, false.
std::optional<uint32_t> parseValue(const std::string& text, int32_t datatype);
// "normal", "zero", "denormal", "infinite" or "NaN".
const char* floatClass(uint32_t bits);
// A word shown as its pin type sees it; floats with their pattern and class.
std::string showValue(uint32_t word, int32_t datatype);

}  // namespace semhost
