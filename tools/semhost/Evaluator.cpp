#include "Evaluator.h"

#include <algorithm>
#include <cstring>

namespace semhost {

Evaluator::Evaluator(const PluginLibrary& library) {
  InstanceOptions options;
  options.blockSize = kVoltageBlock;
  instance_ = std::make_unique<Instance>(library, options);
  if (!instance_->created()) return;
  kind_ = classify(*instance_);
  instance_->open();
  instance_->initialiseGui(false);
}

uint32_t Evaluator::evaluate(int32_t formula, uint32_t a, uint32_t b,
                             std::optional<uint32_t> cap) {
  Instance& in = *instance_;
  in.setGuiPinInt(kind_.formula, formula);
  switch (kind_.family) {
    case Family::GuiOnly:
      in.setGuiPin(kind_.a, a);
      in.setGuiPin(kind_.b, b);
      return in.guiWord(kind_.c);
    case Family::Value: {
      in.deliverDueEvents();
      in.setInput(kind_.a, a);
      in.setInput(kind_.b, b);
      const int32_t cDsp = in.pins()[static_cast<size_t>(kind_.c)].dspIndex;
      for (auto it = in.outputs().rbegin(); it != in.outputs().rend(); ++it)
        if (it->dspIndex == cDsp) return it->word;
      return in.variableWord(kind_.c);
    }
    case Family::Voltage: {
      in.deliverDueEvents();
      if (cap && kind_.cap >= 0) in.setInput(kind_.cap, *cap);
      float fa, fb;
      std::memcpy(&fa, &a, 4);
      std::memcpy(&fb, &b, 4);
      std::fill(in.buffer(kind_.a), in.buffer(kind_.a) + kVoltageBlock, fa);
      std::fill(in.buffer(kind_.b), in.buffer(kind_.b) + kVoltageBlock, fb);
      in.deliverStatus(in.pins()[static_cast<size_t>(kind_.a)].dspIndex, statusStreaming);
      in.deliverStatus(in.pins()[static_cast<size_t>(kind_.b)].dspIndex, statusStreaming);
      in.runBlock(kVoltageBlock);
      uint32_t w;
      std::memcpy(&w, in.buffer(kind_.c), 4);
      return w;
    }
    default:
      return 0;
  }
}

}  // namespace semhost
