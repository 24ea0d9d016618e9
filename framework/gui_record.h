/* The GUI-side host record and its dispatcher opcodes. */
#ifndef SEM_GUI_RECORD_H
#define SEM_GUI_RECORD_H

#include <stddef.h>
#include <stdint.h>

#include "sem_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SEM_GUI_MAGIC 0x5345504Du

struct GuiHostRecord;

/* Dispatcher entry, the same shape as the DSP side's. */
typedef intptr_t(SEM_CALL* GuiDispatcher)(struct GuiHostRecord* record, int32_t opcode,
                                         int32_t index, int32_t value, void* ptr, float opt);

/* Embedded in every GUI-side object; makeModule returns its address. Not the
 * DSP record with another magic: hostData and object lie at other offsets. */
typedef struct GuiHostRecord {
  uint32_t magic;           /* SEM_GUI_MAGIC */
  int32_t version;          /* 1 */
  GuiDispatcher dispatcher; /* guiDispatchEntry */
  intptr_t hostData;        /* the host's fourth makeModule argument; never read here */
  void* object;             /* the GuiModule that embeds this record */
  int32_t reserved[5];      /* 0 */
} GuiHostRecord;

SEM_ASSERT_32(offsetof(GuiHostRecord, magic) == 0, "GuiHostRecord.magic");
SEM_ASSERT_32(offsetof(GuiHostRecord, version) == 4, "GuiHostRecord.version");
SEM_ASSERT_32(offsetof(GuiHostRecord, dispatcher) == 8, "GuiHostRecord.dispatcher");
SEM_ASSERT_32(offsetof(GuiHostRecord, hostData) == 12, "GuiHostRecord.hostData");
SEM_ASSERT_32(offsetof(GuiHostRecord, object) == 16, "GuiHostRecord.object");
SEM_ASSERT_32(offsetof(GuiHostRecord, reserved) == 20, "GuiHostRecord+20");
SEM_ASSERT_32(sizeof(GuiHostRecord) == 40, "GuiHostRecord size");

/* GUI dispatcher opcodes; others (negative ones too) do nothing and give 0. */
enum GuiOpcode {
  guiInitialise = 0,  /* index == 1: keep the pin values */
  guiClose = 1,       /* deletes the object; result 1 */
  guiPinChanged = 7,  /* index: the changed pin */
  guiOpcodeTen = 10   /* result 1 if onGuiOp10 returned true */
};

#ifdef __cplusplus
}
#endif

#endif
