#include "Reference.h"

#include "VoltsElement.h"

namespace semref {

namespace {

const char* const kLabels[16] = {
    "a AND b -> c", "a OR b -> c",   "a NAND b -> c", "a NOR b -> c",
    " a XOR b -> c", "a XNOR b -> c", "a -> c",        "b -> c",
    " NOT a -> c",  " NOT b -> c",   "a AND !b -> c", "!a AND b -> c",
    "a OR !b -> c", "!a OR b -> c",  "CLEAR -> c",    "SET -> c"};

bool validFormula(int32_t k) { return k >= 0 && k <= 15; }

}  // namespace

bool kindFromName(const std::string& name, Kind* kind) {
  static const struct {
    const char* name;
    Kind kind;
  } kNames[] = {{"Ostrel Binary Volts", Kind::Volts},
                {"Ostrel Binary Volts Cap", Kind::VoltsCap},
                {"Ostrel Binary Volts DN", Kind::VoltsDn},
                {"Ostrel Binary Int", Kind::Int},
                {"Ostrel Binary Float", Kind::Float},
                {"Ostrel Binary Bool", Kind::Bool},
                {"Ostrel Binary GuiInt", Kind::GuiInt},
                {"Ostrel Binary GuiFloat", Kind::GuiFloat},
                {"Ostrel Binary GuiBool", Kind::GuiBool}};
  for (const auto& n : kNames) {
    if (name == n.name) {
      *kind = n.kind;
      return true;
    }
  }
  return false;
}

Family familyOf(Kind kind) {
  switch (kind) {
    case Kind::Volts:
    case Kind::VoltsCap:
    case Kind::VoltsDn:
      return Family::Voltage;
    case Kind::Int:
    case Kind::Float:
    case Kind::Bool:
      return Family::Value;
    default:
      return Family::GuiOnly;
  }
}

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::Volts: return "voltage";
    case Kind::VoltsCap: return "capped voltage";
    case Kind::VoltsDn: return "denormal-stripping voltage";
    case Kind::Int: return "Int";
    case Kind::Float: return "Float";
    case Kind::Bool: return "Bool";
    case Kind::GuiInt: return "GuiInt";
    case Kind::GuiFloat: return "GuiFloat";
    case Kind::GuiBool: return "GuiBool";
  }
  return "?";
}

uint32_t formulaWord(int32_t k, uint32_t a, uint32_t b) { return voltsref::formulaWord(k, a, b); }

const char* formulaLabel(int32_t k) { return validFormula(k) ? kLabels[k] : ""; }

// ------------------------------------------------------------------ pins

std::vector<PinRow> pinTable(Kind kind) {
  const Family family = familyOf(kind);
  if (family == Family::GuiOnly) {
    const int32_t type = kind == Kind::GuiInt ? 8 : kind == Kind::GuiFloat ? 6 : 4;
    return {{"Formula", 0, 0, 0x400, "0", true, false}, {"A", 0, type, 0x400, "0", false, false},
            {"B", 0, type, 0x400, "0", false, false},   {"C", 0, type, 0x400, "0", false, false},
            {"A", 1, type, 0x400, "0", false, false},   {"B", 1, type, 0x400, "0", false, false},
            {"C", 1, type, 0x400, "0", false, false}};
  }
  const int32_t type = family == Family::Voltage ? 5
                       : kind == Kind::Int        ? 8
                       : kind == Kind::Float      ? 6
                                                  : 4;
  std::vector<PinRow> rows = {{"GUI 2 DSP", 0, 8, 0x28500, nullptr, false, true},
                              {"Formula", 0, 0, 0x400, "0", true, true}};
  if (kind == Kind::VoltsCap) rows.push_back({"Cap", 0, 6, 0, "0", false, true});
  rows.push_back({"A", 0, type, 0, "0", false, true});
  rows.push_back({"B", 0, type, 0, "0", false, true});
  rows.push_back({"C", 1, type, 0, "0", false, true});
  return rows;
}

std::vector<int32_t> dspNumbering(Kind kind) {
  std::vector<int32_t> out;
  int32_t next = 0;
  for (const PinRow& row : pinTable(kind)) {
    const bool guiOnly = (row.flags & 0x400u) != 0 && (row.flags & 0x8000u) == 0;
    out.push_back(guiOnly ? -1 : next++);
  }
  return out;
}

VoltsPins voltsPins(Kind kind) {
  VoltsPins p;
  if (kind == Kind::VoltsCap) {
    p.cap = 1;
    p.a = 2;
    p.b = 3;
    p.c = 4;
  }
  return p;
}

// ------------------------------------------------------------------ voltage

uint32_t heldSample(const uint32_t* buffer, int32_t offset, int32_t blockSize) {
  if (buffer == nullptr || offset < 0 || offset >= blockSize) return 0u;
  return buffer[offset];
}

namespace {
voltsref::Variant variantOf(Kind kind) {
  return kind == Kind::VoltsCap ? voltsref::Variant::Cap
         : kind == Kind::VoltsDn ? voltsref::Variant::Dn
                                 : voltsref::Variant::Plain;
}
}  // namespace

uint32_t VoltsModel::sampleOut(uint32_t r) const {
  return voltsref::output(variantOf(kind_), r, cap_, false);
}

// The held (both-static) path: the stripping variant leaves out its strip.
uint32_t VoltsModel::heldOut(uint32_t r) const {
  return voltsref::output(variantOf(kind_), r, cap_, true);
}

uint32_t VoltsModel::mark(uint32_t w) const { return voltsref::marked(variantOf(kind_), w); }

void VoltsModel::open(int32_t blockSize) {
  blockSize_ = blockSize;
  countdown_ = blockSize;
  marks_ = 3;
  mode_ = Mode::Countdown;
  routine_ = Routine::PerSample;
  case_ = Case::Both;
  routineFormula_ = 0;
}

int32_t VoltsModel::select(int32_t statusA, int32_t statusB, uint32_t sampleA,
                           uint32_t sampleB) {
  const int32_t k = validFormula(formula_) ? formula_ : 14;
  routineFormula_ = k;
  const bool aStreams = statusA == 2;
  const bool bStreams = statusB == 2;
  if (aStreams || bStreams) {
    if (!bStreams) scaledB_ = voltsref::toVolts(sampleB);
    if (!aStreams) scaledA_ = voltsref::toVolts(sampleA);
    case_ = aStreams && bStreams ? Case::Both : aStreams ? Case::AStreams : Case::BStreams;
    routine_ = Routine::PerSample;
    mode_ = Mode::PerSample;
    return 2;
  }
  scaledA_ = voltsref::toVolts(sampleA);
  scaledB_ = voltsref::toVolts(sampleB);
  result_ = heldOut(formulaWord(k, scaledA_, scaledB_));
  if (marks_ > 0) {
    --marks_;
    routine_ = Routine::FillMarked;
  } else {
    routine_ = Routine::Fill;
  }
  mode_ = Mode::Countdown;
  return 1;
}

void VoltsModel::runRoutine(const uint32_t* a, const uint32_t* b, uint32_t* c, int32_t offset,
                            int32_t frames) {
  if (frames < 1) return;
  if (routine_ != Routine::PerSample) {
    for (int32_t n = 0; n < frames; ++n) c[offset + n] = result_;
    if (routine_ == Routine::FillMarked) c[offset] = mark(result_);
    return;
  }
  const int32_t k = routineFormula_;
  const bool readA = case_ != Case::BStreams && voltsref::usesA(k);
  const bool readB = case_ != Case::AStreams && voltsref::usesB(k);
  for (int32_t n = 0; n < frames; ++n) {
    if (readA) scaledA_ = voltsref::toVolts(a[offset + n]);
    if (readB) scaledB_ = voltsref::toVolts(b[offset + n]);
    result_ = sampleOut(formulaWord(k, scaledA_, scaledB_));
    c[offset + n] = result_;
  }
}

bool VoltsModel::process(const uint32_t* a, const uint32_t* b, uint32_t* c, int32_t offset,
                         int32_t frames) {
  runRoutine(a, b, c, offset, frames);
  if (mode_ == Mode::PerSample) return false;
  const int64_t left = static_cast<int64_t>(countdown_) - frames;
  if (left > 0) {
    countdown_ = left > INT32_MAX ? INT32_MAX : static_cast<int32_t>(left);
    return false;
  }
  countdown_ = blockSize_;
  return true;
}

// ------------------------------------------------------------------ value

void ValueModel::open() { offset_ = kind_ == Kind::Bool ? 0 : 3; }

uint32_t ValueModel::evaluate(int32_t formula, uint32_t a, uint32_t b, int32_t clock, bool hasC,
                              std::vector<Announcement>* out) {
  const uint32_t r = validFormula(formula) ? formulaWord(formula, a, b) : 0u;
  if (kind_ == Kind::Bool) {
    const uint32_t x = r & 1u;
    if (hasC) {
      out->push_back({clock, 1u - x});
      out->push_back({static_cast<int32_t>(static_cast<uint32_t>(clock) + 1u), x});
    }
    return x;
  }
  if (hasC)
    out->push_back({static_cast<int32_t>(static_cast<uint32_t>(clock) +
                                         static_cast<uint32_t>(offset_)),
                    r});
  if (offset_ > 0) --offset_;
  return r;
}

// ------------------------------------------------------------------ GUI side

int32_t GuiModel::readFormula(GuiPins& host, int32_t pin) {
  auto v = static_cast<int32_t>(host.get(pin));
  if (v > 15) {
    v = 15;
    host.set(pin, 15u);
  } else if (v < 0) {
    v = 0;
    host.set(pin, 0u);
  }
  return v;
}

uint32_t GuiModel::readValue(GuiPins& host, int32_t pin) {
  const uint32_t w = host.get(pin);
  return kind_ == Kind::GuiBool ? (w & 1u) : w;
}

void GuiModel::writeValue(GuiPins& host, int32_t pin, uint32_t v) {
  host.set(pin, kind_ == Kind::GuiBool ? (v & 1u) : v);
}

void GuiModel::compute() {
  const uint32_t r = formulaWord(formula_, a_, b_);
  c_ = kind_ == Kind::GuiBool ? (r & 1u) : r;
}

void GuiModel::initialise(GuiPins& host, bool keepValues) {
  busy_ = true;
  if (familyOf(kind_) != Family::GuiOnly) {
    // The relay: Formula (pin 1) clamped and copied to "GUI 2 DSP" (pin 0).
    if (!keepValues) {
      host.set(1, 0u);
      host.set(0, 0u);
    }
    host.set(0, static_cast<uint32_t>(readFormula(host, 1)));
    busy_ = false;
    return;
  }
  if (!keepValues) {
    host.set(0, 0u);
    for (const int32_t pin : {1, 4, 2, 5, 3, 6}) writeValue(host, pin, 0u);
  }
  formula_ = readFormula(host, 0);
  a_ = readValue(host, 1);
  b_ = readValue(host, 2);
  compute();
  if (kind_ != Kind::GuiBool) {
    writeValue(host, 3, c_);
    writeValue(host, 6, c_);
  }
  busy_ = false;
}

void GuiModel::pinChanged(GuiPins& host, int32_t index) {
  if (busy_) return;
  busy_ = true;
  if (familyOf(kind_) != Family::GuiOnly) {
    if (index == 1) host.set(0, static_cast<uint32_t>(readFormula(host, 1)));
    busy_ = false;
    return;
  }
  switch (index) {
    case 0:
      formula_ = readFormula(host, 0);
      break;
    case 1:
      a_ = readValue(host, 1);
      writeValue(host, 4, a_);
      break;
    case 2:
      b_ = readValue(host, 2);
      writeValue(host, 5, b_);
      break;
    case 3:
    case 6:
      writeValue(host, index == 3 ? 6 : 3, c_);
      break;
    case 4:
      a_ = readValue(host, 4);
      writeValue(host, 1, a_);
      break;
    case 5:
      b_ = readValue(host, 5);
      writeValue(host, 2, b_);
      break;
    default:
      break;
  }
  compute();
  writeValue(host, 3, c_);
  writeValue(host, 6, c_);
  busy_ = false;
}

}  // namespace semref
