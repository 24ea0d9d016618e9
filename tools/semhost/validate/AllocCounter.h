// Counts heap allocations and frees made while armed, for the real-time
// checks of `semhost validate`. Global operator new and delete of the semhost
// process are replaced; on Linux (without a sanitizer, which brings its own
// allocator) malloc, calloc, realloc and free are counted too, so an
// allocation a module makes through the C library shows as well.
//
// On Windows each module library carries its own runtime, so only the
// validator's own allocations are seen there.
#pragma once

#include <cstdint>

namespace semvalidate {

struct AllocCounts {
  uint64_t allocations = 0;
  uint64_t frees = 0;
};

// Counting starts at arm() and stops at disarm(); pause() and resume() bracket
// host code (the validator's callback) inside an armed stretch. Not thread-safe:
// the validator calls modules from one thread.
void armAllocCounter();
AllocCounts disarmAllocCounter();
void pauseAllocCounter();
void resumeAllocCounter();
// Whether malloc and free are counted too, not only operator new and delete.
bool allocCounterSeesMalloc();

// Arms for one scope and adds what it saw to *total.
class ArmedScope {
 public:
  explicit ArmedScope(AllocCounts* total) : total_(total) { armAllocCounter(); }
  ~ArmedScope() {
    const AllocCounts c = disarmAllocCounter();
    total_->allocations += c.allocations;
    total_->frees += c.frees;
  }
  ArmedScope(const ArmedScope&) = delete;
  ArmedScope& operator=(const ArmedScope&) = delete;

 private:
  AllocCounts* total_;
};

// Pauses counting for one scope (host code called from a module).
class PausedScope {
 public:
  PausedScope() { pauseAllocCounter(); }
  ~PausedScope() { resumeAllocCounter(); }
  PausedScope(const PausedScope&) = delete;
  PausedScope& operator=(const PausedScope&) = delete;
};

}  // namespace semvalidate
