// The oracle adapter over the reference model in tools/semhost/reference.
#include "Oracle.h"

#include "tools/semhost/reference/Reference.h"

namespace fuzzoracle {

namespace {

class RefModule final : public Module {
 public:
  explicit RefModule(semref::Kind kind)
      : kind_(kind), volts_(kind), value_(kind), pins_(semref::voltsPins(kind)) {}

  Family family() const override {
    switch (semref::familyOf(kind_)) {
      case semref::Family::Voltage: return Family::Voltage;
      case semref::Family::Value: return Family::Value;
      default: return Family::GuiOnly;
    }
  }

  std::vector<PinRow> pins() const override {
    std::vector<PinRow> rows;
    for (const semref::PinRow& r : semref::pinTable(kind_))
      rows.push_back(PinRow{r.name, r.direction, r.datatype, r.flags});
    return rows;
  }

  int32_t pinCap() const override { return pins_.cap; }
  int32_t pinA() const override { return pins_.a; }
  int32_t pinB() const override { return pins_.b; }
  int32_t pinC() const override { return pins_.c; }
  void voltsOpen(int32_t blockSize) override { volts_.open(blockSize); }
  void setFormula(int32_t index) override { volts_.setFormulaVariable(index); }
  void setCap(uint32_t bits) override { volts_.setCapVariable(bits); }
  int32_t voltsSelect(int32_t statusA, int32_t statusB, uint32_t sampleA,
                      uint32_t sampleB) override {
    return volts_.select(statusA, statusB, sampleA, sampleB);
  }
  bool voltsProcess(const uint32_t* a, const uint32_t* b, uint32_t* c, int32_t offset,
                    int32_t frames) override {
    return volts_.process(a, b, c, offset, frames);
  }

  void valueOpen() override { value_.open(); }
  uint32_t valueEvaluate(int32_t formula, uint32_t a, uint32_t b, int32_t clock, bool hasC,
                         std::vector<Announcement>* out) override {
    std::vector<semref::Announcement> got;
    const uint32_t c = value_.evaluate(formula, a, b, clock, hasC, &got);
    for (const auto& g : got) out->push_back(Announcement{g.time, g.word});
    return c;
  }

 private:
  semref::Kind kind_;
  semref::VoltsModel volts_;
  semref::ValueModel value_;
  semref::VoltsPins pins_;
};

class PinsBridge final : public semref::GuiPins {
 public:
  explicit PinsBridge(GuiHost& host) : host_(host) {}
  uint32_t get(int32_t index) override { return host_.get(index); }
  void set(int32_t index, uint32_t word) override { host_.set(index, word); }

 private:
  GuiHost& host_;
};

class RefGui final : public GuiObject {
 public:
  explicit RefGui(semref::Kind kind) : model_(kind) {}
  void initialise(GuiHost& host, bool keepValues) override {
    PinsBridge pins(host);
    model_.initialise(pins, keepValues);
  }
  void pinChanged(GuiHost& host, int32_t index) override {
    PinsBridge pins(host);
    model_.pinChanged(pins, index);
  }

 private:
  semref::GuiModel model_;
};

}  // namespace

std::unique_ptr<Module> Module::forName(const std::string& moduleName) {
  semref::Kind kind;
  if (!semref::kindFromName(moduleName, &kind)) return nullptr;
  return std::make_unique<RefModule>(kind);
}

std::unique_ptr<GuiObject> GuiObject::forName(const std::string& moduleName) {
  semref::Kind kind;
  if (!semref::kindFromName(moduleName, &kind)) return nullptr;
  return std::make_unique<RefGui>(kind);
}

}  // namespace fuzzoracle
