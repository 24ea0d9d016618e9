/* Calling convention and export markers for everything that crosses to the host.
 *
 * Every function the host calls, and the host callback itself, is a plain C
 * function with 32-bit arguments on the 32-bit targets. cdecl is the default on
 * i386 Linux; on 32-bit Windows it is named explicitly so that a compiler set to
 * another default cannot change the boundary. */
#ifndef SEM_PLATFORM_H
#define SEM_PLATFORM_H

#if defined(_WIN32) && !defined(_WIN64)
#define SEM_CALL __cdecl
#else
#define SEM_CALL
#endif

/* Only the two entry points leave a library. On Windows a .def file names them
 * (undecorated, in a fixed order); elsewhere hidden visibility is the default
 * and this marker opens the two up. */
#if defined(_WIN32)
#define SEM_EXPORT
#else
#define SEM_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define SEM_EXTERN_C extern "C"
#define SEM_NOEXCEPT noexcept
#else
#define SEM_EXTERN_C
#define SEM_NOEXCEPT
#endif

/* Record layouts are checked for the 32-bit ABI the host uses; on a 64-bit
 * build pointers widen and only the order of fields is kept. */
#if defined(__cplusplus)
#define SEM_ASSERT_32(cond, msg) static_assert(sizeof(void*) != 4 || (cond), msg)
#else
#define SEM_ASSERT_32(cond, msg) _Static_assert(sizeof(void*) != 4 || (cond), msg)
#endif

#endif
