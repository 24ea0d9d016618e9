// Which path runs here: asked of the processor once, when the library loads.
// A path needs the instructions and the operating system's saving of the
// registers they use (XCR0, read with xgetbv once the processor reports
// OSXSAVE).
#include "modules/voltage/VoltsPaths.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define VOLTS_X86 1
#endif

namespace volts {

namespace scalar {
const KernelTable* table(VariantId variant) noexcept;
}
#if VOLTS_X86
namespace sse2 {
const KernelTable* table(VariantId variant) noexcept;
}
namespace avx2 {
const KernelTable* table(VariantId variant) noexcept;
}
#if VOLTS_HAVE_AVX512
namespace avx512 {
const KernelTable* table(VariantId variant) noexcept;
}
#endif
#endif

namespace {

#if VOLTS_X86
struct CpuFeatures {
  bool sse2 = false;
  bool avx2 = false;    // AVX2 and FMA, YMM state saved
  bool avx512 = false;  // F, DQ, BW, VL, opmask and ZMM state saved
};

uint64_t enabledStates() noexcept {
  uint32_t low = 0;
  uint32_t high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (static_cast<uint64_t>(high) << 32) | low;
}

CpuFeatures detect() noexcept {
  CpuFeatures f;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return f;
  f.sse2 = (edx & (1u << 26)) != 0;
  const bool fma = (ecx & (1u << 12)) != 0;
  const bool osxsave = (ecx & (1u << 27)) != 0;
  const bool avx = (ecx & (1u << 28)) != 0;
  if (!osxsave || !avx) return f;
  const uint64_t states = enabledStates();
  constexpr uint64_t kYmm = 0x6;    // SSE and AVX state
  constexpr uint64_t kZmm = 0xE6;   // and opmask, ZMM upper halves, ZMM16-31
  if ((states & kYmm) != kYmm) return f;
  if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return f;
  f.avx2 = fma && (ebx & (1u << 5)) != 0;
  const bool avx512 = (ebx & (1u << 16)) != 0 && (ebx & (1u << 17)) != 0 &&
                      (ebx & (1u << 30)) != 0 && (ebx & (1u << 31)) != 0;
  f.avx512 = f.avx2 && avx512 && (states & kZmm) == kZmm;
  return f;
}

const CpuFeatures kCpu = detect();
#endif

Path chooseActivePath() noexcept {
  for (int32_t p = kPathCount - 1; p > 0; --p) {
    const Path path = static_cast<Path>(p);
    if (pathRuns(path)) return path;
  }
  return Path::Scalar;
}

const Path kActivePath = chooseActivePath();

struct ActiveTables {
  const KernelTable* variant[kVariantCount];
};

ActiveTables chooseActiveTables() noexcept {
  ActiveTables t{};
  for (int32_t v = 0; v < kVariantCount; ++v)
    t.variant[v] = compiledTable(static_cast<VariantId>(v), kActivePath);
  return t;
}

const ActiveTables kActiveTables = chooseActiveTables();

}  // namespace

const char* pathName(Path path) noexcept {
  switch (path) {
    case Path::Scalar: return "scalar";
    case Path::Sse2: return "sse2";
    case Path::Avx2: return "avx2";
    case Path::Avx512: return "avx512";
  }
  return "unknown";
}

const KernelTable* compiledTable(VariantId variant, Path path) noexcept {
  if (static_cast<uint32_t>(variant) >= static_cast<uint32_t>(kVariantCount)) return nullptr;
  switch (path) {
    case Path::Scalar: return scalar::table(variant);
#if VOLTS_X86
    case Path::Sse2: return sse2::table(variant);
    case Path::Avx2: return avx2::table(variant);
#if VOLTS_HAVE_AVX512
    case Path::Avx512: return avx512::table(variant);
#endif
#endif
    default: return nullptr;
  }
}

bool pathRuns(Path path) noexcept {
  if (compiledTable(VariantId::Plain, path) == nullptr) return false;
  switch (path) {
    case Path::Scalar: return true;
#if VOLTS_X86
    case Path::Sse2: return kCpu.sse2;
    case Path::Avx2: return kCpu.avx2;
    case Path::Avx512: return kCpu.avx512;
#endif
    default: return false;
  }
}

Path activePath() noexcept { return kActivePath; }

const KernelTable& activeTable(VariantId variant) noexcept {
  return *kActiveTables.variant[static_cast<int32_t>(variant)];
}

}  // namespace volts
