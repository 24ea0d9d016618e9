// The record of every call between the simulated host and a module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace semhost {

enum class Side { Dsp, Gui };
// ToHost: the module called hostCallback. ToModule: the host called an entry
// of the module (dispatcher, process, event).
enum class Direction { ToHost, ToModule };

struct TraceEntry {
  Direction direction;
  Side side;
  int32_t opcode;  // host operation or dispatcher opcode; kProcessCall / kEventCall
  int32_t index;
  int32_t value;
  intptr_t ptr;    // address, or the sample time of hostPinStatusChange
  float opt;
  int32_t clock;   // the host's sample clock when the call was made
};

// Pseudo-opcodes for the two DSP entries that are not the dispatcher.
inline constexpr int32_t kProcessCall = -100;  // index: bufferOffset, value: sampleFrames
inline constexpr int32_t kEventCall = -101;    // index: kind, value: event value, ptr: extra

// A readable name for an opcode of that side and direction.
std::string opcodeName(Direction direction, Side side, int32_t opcode);
// One line: "dsp -> host hostPinStatusChange index=3 value=1 time=503 @500".
std::string describe(const TraceEntry& entry);

}  // namespace semhost
