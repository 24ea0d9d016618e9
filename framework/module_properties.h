/* The two exports of a module library and the record the first one fills. */
#ifndef SEM_MODULE_PROPERTIES_H
#define SEM_MODULE_PROPERTIES_H

#include <stddef.h>
#include <stdint.h>

#include "host_callback.h"
#include "sem_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Always stored in interfaceVersion, also by a call that fails. */
#define SEM_INTERFACE_VERSION 2230

/* Allocated by the host; the library fills name, identifier, about and the
 * version and never touches the two words between them or anything past them. */
typedef struct ModuleProperties {
  const char* name;         /* module name, static text owned by the library */
  const char* identifier;   /* the same pointer as name */
  const char* about;        /* multi-line about text, static, owned by the library */
  int32_t hostField12;      /* never written: keeps what the host put there */
  int32_t hostField16;      /* never written: keeps what the host put there */
  int32_t interfaceVersion; /* SEM_INTERFACE_VERSION */
} ModuleProperties;

SEM_ASSERT_32(offsetof(ModuleProperties, name) == 0, "ModuleProperties.name");
SEM_ASSERT_32(offsetof(ModuleProperties, identifier) == 4, "ModuleProperties.identifier");
SEM_ASSERT_32(offsetof(ModuleProperties, about) == 8, "ModuleProperties.about");
SEM_ASSERT_32(offsetof(ModuleProperties, hostField12) == 12, "ModuleProperties+12");
SEM_ASSERT_32(offsetof(ModuleProperties, hostField16) == 16, "ModuleProperties+16");
SEM_ASSERT_32(offsetof(ModuleProperties, interfaceVersion) == 20,
              "ModuleProperties.interfaceVersion");
SEM_ASSERT_32(sizeof(ModuleProperties) == 24, "ModuleProperties size");

/* Object types of makeModule. */
enum ModuleObjectType { objectTypeDsp = 1, objectTypeGui = 2 };

/* getModuleProperties(moduleIndex, props): 1 for module 0, else 0. */
typedef int32_t(SEM_CALL* GetModulePropertiesFn)(int32_t moduleIndex, ModuleProperties* props);

/* makeModule(moduleIndex, objectType, callback, hostData): the address of the
 * new object's host record (DspHostRecord or GuiHostRecord), or null. */
typedef void*(SEM_CALL* MakeModuleFn)(int32_t moduleIndex, int32_t objectType,
                                      HostCallback callback, intptr_t hostData);

#ifdef __cplusplus
}
#endif

#endif
