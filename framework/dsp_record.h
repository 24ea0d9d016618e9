/* The DSP-side host record, its entries and the records that travel with them. */
#ifndef SEM_DSP_RECORD_H
#define SEM_DSP_RECORD_H

#include <stddef.h>
#include <stdint.h>

#include "sem_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SEM_DSP_MAGIC 0x5345504Cu
#define SEM_RECORD_VERSION 1

struct DspHostRecord;
struct DspEvent;

/* Dispatcher entry: (record, opcode, index, value, ptr, opt) -> result, a signed
 * 32-bit value on the 32-bit ABI (pointer-sized so opcode 13's address fits). */
typedef intptr_t(SEM_CALL* DspDispatcher)(struct DspHostRecord* record, int32_t opcode,
                                         int32_t index, int32_t value, void* ptr, float opt);
/* Process routine: (object, bufferOffset, sampleFrames); works on the elements
 * bufferOffset .. bufferOffset + sampleFrames - 1 of the pin buffers.
 * host: audio thread, after open. */
typedef void(SEM_CALL* ProcessRoutine)(void* object, int32_t bufferOffset, int32_t sampleFrames);
/* Event entry: (object, event). host: audio thread, after open. */
typedef void(SEM_CALL* EventEntry)(void* object, struct DspEvent* event);

/* Embedded in every DSP-side object; makeModule returns its address. */
typedef struct DspHostRecord {
  uint32_t magic;           /* SEM_DSP_MAGIC */
  int32_t version;          /* SEM_RECORD_VERSION */
  intptr_t hostData;        /* the host's fourth makeModule argument; never read here */
  void* object;             /* the DspModule that embeds this record */
  int32_t reserved16;       /* 0 */
  DspDispatcher dispatcher; /* calls the object's dspDispatch */
  ProcessRoutine process;   /* the current process routine; rewritten on each change */
  EventEntry eventEntry;    /* calls the object's handleEvent */
  int32_t reserved32[4];    /* 0 */
} DspHostRecord;

SEM_ASSERT_32(offsetof(DspHostRecord, magic) == 0, "DspHostRecord.magic");
SEM_ASSERT_32(offsetof(DspHostRecord, version) == 4, "DspHostRecord.version");
SEM_ASSERT_32(offsetof(DspHostRecord, hostData) == 8, "DspHostRecord.hostData");
SEM_ASSERT_32(offsetof(DspHostRecord, object) == 12, "DspHostRecord.object");
SEM_ASSERT_32(offsetof(DspHostRecord, reserved16) == 16, "DspHostRecord+16");
SEM_ASSERT_32(offsetof(DspHostRecord, dispatcher) == 20, "DspHostRecord.dispatcher");
SEM_ASSERT_32(offsetof(DspHostRecord, process) == 24, "DspHostRecord.process");
SEM_ASSERT_32(offsetof(DspHostRecord, eventEntry) == 28, "DspHostRecord.eventEntry");
SEM_ASSERT_32(offsetof(DspHostRecord, reserved32) == 32, "DspHostRecord+32");
SEM_ASSERT_32(sizeof(DspHostRecord) == 48, "DspHostRecord size");

/* A process routine and three words the host may read through opcode 13. */
typedef struct ProcessDescriptor {
  ProcessRoutine entry; /* the routine; idleProcess until a module installs one */
  int32_t word1;        /* 0 in every module of the family */
  int32_t word2;        /* 0 */
  int32_t word3;        /* 0 */
} ProcessDescriptor;

SEM_ASSERT_32(offsetof(ProcessDescriptor, entry) == 0, "ProcessDescriptor.entry");
SEM_ASSERT_32(offsetof(ProcessDescriptor, word1) == 4, "ProcessDescriptor.word1");
SEM_ASSERT_32(offsetof(ProcessDescriptor, word3) == 12, "ProcessDescriptor.word3");
SEM_ASSERT_32(sizeof(ProcessDescriptor) == 16, "ProcessDescriptor size");

/* The answer to opcode 13: one record per library, overwritten by every call. */
typedef struct ProcessInfo {
  int32_t count;              /* 1 */
  int32_t entrySize;          /* 16, the size of a ProcessDescriptor */
  ProcessDescriptor* entries; /* the descriptor of the object that answered last */
  int32_t reserved;           /* 0 */
} ProcessInfo;

SEM_ASSERT_32(offsetof(ProcessInfo, count) == 0, "ProcessInfo.count");
SEM_ASSERT_32(offsetof(ProcessInfo, entrySize) == 4, "ProcessInfo.entrySize");
SEM_ASSERT_32(offsetof(ProcessInfo, entries) == 8, "ProcessInfo.entries");
SEM_ASSERT_32(offsetof(ProcessInfo, reserved) == 12, "ProcessInfo.reserved");
SEM_ASSERT_32(sizeof(ProcessInfo) == 16, "ProcessInfo size");

/* DSP dispatcher opcodes; others (negative ones too) do nothing and give 0. */
enum DspOpcode {
  dspOpen = 0,           /* result 0 */
  dspClose = 1,          /* deletes the object; result 1 */
  dspSetSampleRate = 2,  /* opt: the rate */
  dspSetBlockSize = 3,   /* value: the block size */
  dspDescribePin = 6,    /* index: pin, ptr: PinDescription; result 1 if it exists */
  dspOpcodeEight = 8,    /* index > 0 also calls onOpcodeEightCount(index) */
  dspOpcodeTwelve = 12,  /* value, index, ptr handed on */
  dspGetProcessInfo = 13 /* result: address of the library's ProcessInfo */
};

/* An event delivered through eventEntry or queued with hostQueueEvent. */
typedef struct DspEvent {
  int32_t time;   /* sample clock at which it takes effect */
  int32_t kind;   /* DspEventKind */
  int32_t value;  /* pinStatus: the new status */
  int32_t value2; /* kind 2 passes its low 16 bits on */
  intptr_t extra; /* pinStatus: DSP pin index; deferredCall: the handler */
  struct DspEvent* next; /* 0 in every queued event; never read by a module */
} DspEvent;

SEM_ASSERT_32(offsetof(DspEvent, time) == 0, "DspEvent.time");
SEM_ASSERT_32(offsetof(DspEvent, kind) == 4, "DspEvent.kind");
SEM_ASSERT_32(offsetof(DspEvent, value) == 8, "DspEvent.value");
SEM_ASSERT_32(offsetof(DspEvent, value2) == 12, "DspEvent.value2");
SEM_ASSERT_32(offsetof(DspEvent, extra) == 16, "DspEvent.extra");
SEM_ASSERT_32(offsetof(DspEvent, next) == 20, "DspEvent.next");
SEM_ASSERT_32(sizeof(DspEvent) == 24, "DspEvent size");

enum DspEventKind { eventPinStatus = 0, eventKindTwo = 2, eventDeferredCall = 21 };

/* Pin statuses: 1 is a single change, over once delivered; 2 streaming. */
enum PinStatus { statusStatic = 0, statusChanged = 1, statusStreaming = 2 };

#ifdef __cplusplus
}
#endif

#endif
