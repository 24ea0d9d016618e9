#include "AllocCounter.h"

#include <cstdlib>
#include <new>

namespace semvalidate {

namespace {
// Plain globals: the counters must work before any constructor runs and
// must not allocate themselves.
bool armed = false;
int32_t paused = 0;
AllocCounts counts;

inline bool counting() { return armed && paused == 0; }
inline void countAllocation() {
  if (counting()) ++counts.allocations;
}
inline void countFree(void* p) {
  if (p != nullptr && counting()) ++counts.frees;
}
}  // namespace

void armAllocCounter() {
  counts = AllocCounts{};
  paused = 0;
  armed = true;
}

AllocCounts disarmAllocCounter() {
  armed = false;
  return counts;
}

void pauseAllocCounter() { ++paused; }
void resumeAllocCounter() { --paused; }

}  // namespace semvalidate

// ---- malloc and friends (Linux, no sanitizer, no valgrind-incompatible tricks:
// the replacements call glibc's own entry points, which valgrind also wraps)

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__) && !defined(SEM_NO_MALLOC_COUNT)
#define SEM_COUNT_MALLOC 1
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) {
  semvalidate::countAllocation();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  semvalidate::countAllocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  semvalidate::countAllocation();
  return __libc_realloc(p, size);
}
void free(void* p) {
  semvalidate::countFree(p);
  __libc_free(p);
}
}
#endif

namespace semvalidate {
bool allocCounterSeesMalloc() {
#ifdef SEM_COUNT_MALLOC
  return true;
#else
  return false;
#endif
}
}  // namespace semvalidate

// ---- operator new and delete of the whole process

namespace {
void* allocate(size_t size) {
  semvalidate::countAllocation();
  // Counted once: with malloc counted too, the call below is not counted again.
  semvalidate::pauseAllocCounter();
  void* p = std::malloc(size == 0 ? 1 : size);
  semvalidate::resumeAllocCounter();
  return p;
}
void release(void* p) {
  semvalidate::countFree(p);
  semvalidate::pauseAllocCounter();
  std::free(p);
  semvalidate::resumeAllocCounter();
}
}  // namespace

void* operator new(size_t size) {
  void* p = allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size) {
  void* p = allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
