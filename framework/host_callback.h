/* The one function through which a module calls its host, and its operations.
 *
 * hostCallback(record, opcode, index, value, ptr, opt): record is the caller's
 * DspHostRecord or GuiHostRecord (the host tells the sides apart by it); an
 * integer travels in value, a float in opt, an address or a sample time in ptr.
 * Arguments an operation does not name are 0. */
#ifndef SEM_HOST_CALLBACK_H
#define SEM_HOST_CALLBACK_H

#include <stdint.h>

#include "sem_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The result is a signed 32-bit value on the 32-bit ABI; it is pointer-sized so
 * that an address (hostGetPinBuffer, hostGetPinText) survives a 64-bit build. */
typedef intptr_t(SEM_CALL* HostCallback)(void* record, int32_t opcode, int32_t index,
                                         int32_t value, void* ptr, float opt);

/* Host operations of the DSP side. */
enum DspHostOpcode {
  /* index: DSP pin, value: status (1 changed once, 2 streaming), ptr: sample
   * time. The host reads the output's value variable, written before the call. */
  hostPinStatusChange = 0,
  /* result: the current sample clock. */
  hostGetSampleClock = 3,
  /* index: DSP pin; result: address of the pin's float sample buffer. */
  hostGetPinBuffer = 7,
  /* index: DSP pin; result: sample clock of the buffer's first sample. */
  hostGetBufferStartClock = 8,
  /* A request to stop calling the process routine while no input changes. */
  hostSleep = 10,
  /* result: number of DSP-side pins. */
  hostGetPinCount = 14,
  /* ptr: a DspEvent, copied by the host and delivered later. */
  hostQueueEvent = 19,
  /* The host re-reads the record's process entry. */
  hostProcessChanged = 22
};

/* Host operations of the GUI side; index is the pin's description index. */
enum GuiHostOpcode {
  /* ptr: zero-terminated 8-bit text for the pin. */
  hostSetPinText = 6,
  /* result: address of the pin's zero-terminated 8-bit text. */
  hostGetPinText = 7,
  /* ptr: a 4-byte buffer the host fills with the pin's value. */
  hostGetPinValue = 14,
  /* value: an integer, or opt: a float, as the pin's new value. */
  hostSetPinValue = 15,
  /* value 0, ptr null: result is the size in 16-bit units, terminator included;
   * value n, ptr buffer: the host writes the zero-terminated text. */
  hostGetPinWideText = 17
};

#ifdef __cplusplus
}
#endif

#endif
