/* How a module describes one pin: the record filled by describePin. */
#ifndef SEM_PIN_DESCRIPTION_H
#define SEM_PIN_DESCRIPTION_H

#include <stddef.h>
#include <stdint.h>

#include "sem_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* describePin writes only the fields a pin needs; the rest keep the caller's. */
typedef struct PinDescription {
  void* valuePtr;          /* the module's variable holding the pin's value, or null */
  int32_t direction;       /* pinInput or pinOutput */
  int32_t datatype;        /* PinDatatype */
  const char* name;        /* zero-terminated, static */
  const char* defaultText; /* default value as text, static, or null */
  const char* listText;    /* comma-separated item texts of a list pin, or null */
  uint32_t flags;          /* PinFlag bits */
  int32_t reserved;        /* never written by a module */
} PinDescription;

SEM_ASSERT_32(offsetof(PinDescription, valuePtr) == 0, "PinDescription.valuePtr");
SEM_ASSERT_32(offsetof(PinDescription, direction) == 4, "PinDescription.direction");
SEM_ASSERT_32(offsetof(PinDescription, datatype) == 8, "PinDescription.datatype");
SEM_ASSERT_32(offsetof(PinDescription, name) == 12, "PinDescription.name");
SEM_ASSERT_32(offsetof(PinDescription, defaultText) == 16, "PinDescription.defaultText");
SEM_ASSERT_32(offsetof(PinDescription, listText) == 20, "PinDescription.listText");
SEM_ASSERT_32(offsetof(PinDescription, flags) == 24, "PinDescription.flags");
SEM_ASSERT_32(offsetof(PinDescription, reserved) == 28, "PinDescription.reserved");
SEM_ASSERT_32(sizeof(PinDescription) == 32, "PinDescription size");

enum PinDirection { pinInput = 0, pinOutput = 1 };

/* What a pin's value variable holds. */
enum PinDatatype {
  List = 0,    /* 16-bit index of the chosen item */
  Bool = 4,    /* 8-bit boolean */
  Voltage = 5, /* pointer to the host's float sample buffer for the block */
  Float = 6,   /* 32-bit float */
  Int = 8      /* signed 32-bit */
};

enum PinFlag {
  FlagAutoDuplicate = 0x8, /* on the last pin: further host pins are made like it */
  FlagGui = 0x400,         /* a GUI-side pin: no DspPin unless FlagGuiToDsp too */
  FlagGuiToDsp = 0x8000    /* with FlagGui: also a DSP-side pin */
};

#ifdef __cplusplus
}
#endif

#endif
