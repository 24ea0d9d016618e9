// One whole instance of a module, driven as a host would to evaluate C for
// given inputs: both objects, GUI side initialised, Formula set on the GUI side.
#pragma once

#include <memory>
#include <optional>

#include "ModuleKind.h"
#include "host/Instance.h"

namespace semhost {

class Evaluator {
 public:
  explicit Evaluator(const PluginLibrary& library);
  bool ok() const { return instance_->created() && kind_.family != Family::Unknown; }
  const ModuleKind& kind() const { return kind_; }
  Instance& instance() { return *instance_; }

  // Sets formula, cap (voltage modules), A and B, and returns C's word. For a
  // voltage module A and B are constant streams and C is the first sample of
  // one block.
  uint32_t evaluate(int32_t formula, uint32_t a, uint32_t b, std::optional<uint32_t> cap);

 private:
  std::unique_ptr<Instance> instance_;
  ModuleKind kind_;
  static constexpr int32_t kVoltageBlock = 16;
};

}  // namespace semhost
