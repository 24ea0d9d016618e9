#include "Trace.h"

#include <cstdio>
#include <cstring>

#include "framework/dsp_record.h"
#include "framework/host_callback.h"

namespace semhost {

std::string opcodeName(Direction direction, Side side, int32_t opcode) {
  if (direction == Direction::ToHost) {
    if (side == Side::Dsp) {
      switch (opcode) {
        case hostPinStatusChange: return "hostPinStatusChange";
        case hostGetSampleClock: return "hostGetSampleClock";
        case hostGetPinBuffer: return "hostGetPinBuffer";
        case hostGetBufferStartClock: return "hostGetBufferStartClock";
        case hostSleep: return "hostSleep";
        case hostGetPinCount: return "hostGetPinCount";
        case hostQueueEvent: return "hostQueueEvent";
        case hostProcessChanged: return "hostProcessChanged";
        default: break;
      }
    } else {
      switch (opcode) {
        case hostSetPinText: return "hostSetPinText";
        case hostGetPinText: return "hostGetPinText";
        case hostGetPinValue: return "hostGetPinValue";
        case hostSetPinValue: return "hostSetPinValue";
        case hostGetPinWideText: return "hostGetPinWideText";
        default: break;
      }
    }
    return "host#" + std::to_string(opcode);
  }
  if (opcode == kProcessCall) return "process";
  if (opcode == kEventCall) return "event";
  if (side == Side::Dsp) {
    switch (opcode) {
      case dspOpen: return "open";
      case dspClose: return "close";
      case dspSetSampleRate: return "setSampleRate";
      case dspSetBlockSize: return "setBlockSize";
      case dspDescribePin: return "describePin";
      case dspGetProcessInfo: return "getProcessInfo";
      default: break;
    }
  } else {
    switch (opcode) {
      case 0: return "initialise";
      case 1: return "close";
      case 7: return "pinChanged";
      default: break;
    }
  }
  return "dispatch#" + std::to_string(opcode);
}

std::string describe(const TraceEntry& e) {
  char line[256];
  const char* side = e.side == Side::Dsp ? "dsp" : "gui";
  const char* arrow = e.direction == Direction::ToHost ? "-> host" : "<- host";
  const std::string name = opcodeName(e.direction, e.side, e.opcode);
  uint32_t optBits;
  std::memcpy(&optBits, &e.opt, sizeof optBits);
  if (e.direction == Direction::ToHost && e.side == Side::Dsp && e.opcode == hostPinStatusChange) {
    std::snprintf(line, sizeof line, "%s %s %-24s pin=%d status=%d time=%ld  @%d", side, arrow,
                  name.c_str(), e.index, e.value, static_cast<long>(e.ptr), e.clock);
  } else if (e.opcode == kProcessCall) {
    std::snprintf(line, sizeof line, "%s %s %-24s offset=%d frames=%d  @%d", side, arrow,
                  name.c_str(), e.index, e.value, e.clock);
  } else if (e.opcode == kEventCall) {
    std::snprintf(line, sizeof line, "%s %s %-24s kind=%d value=%d extra=%ld  @%d", side, arrow,
                  name.c_str(), e.index, e.value, static_cast<long>(e.ptr), e.clock);
  } else {
    std::snprintf(line, sizeof line, "%s %s %-24s index=%d value=%d ptr=%s opt=%g (0x%08X)  @%d",
                  side, arrow, name.c_str(), e.index, e.value, e.ptr ? "set" : "null",
                  static_cast<double>(e.opt), optBits, e.clock);
  }
  return line;
}

}  // namespace semhost
