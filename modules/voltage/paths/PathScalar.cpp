// The scalar path: the straight loops of VoltsKernels.h, one element at a
// time. Always compiled; the reference the other paths are held to.
#include "modules/voltage/VoltsPaths.h"

namespace volts::scalar {
namespace {

template <class Variant>
void outputs(const uint32_t* words, uint32_t* out, int32_t count, uint32_t capBits) noexcept {
  for (int32_t n = 0; n < count; ++n) out[n] = Variant::perSample(words[n], capBits);
}

template <class Variant>
struct Routines {
  static constexpr OutputStep kOutputs = &outputs<Variant>;
  static constexpr FillStep kFill = &fill;
  template <Inputs In, int K>
  static constexpr Kernel get() noexcept {
    return &run<Variant, K, In>;
  }
};

constexpr KernelTable kTables[kVariantCount] = {
    makeKernelTable<Routines<PlainVolts>>(),
    makeKernelTable<Routines<CappedVolts>>(),
    makeKernelTable<Routines<DenormalStripVolts>>(),
};

}  // namespace

const KernelTable* table(VariantId variant) noexcept {
  return &kTables[static_cast<int32_t>(variant)];
}

}  // namespace volts::scalar
