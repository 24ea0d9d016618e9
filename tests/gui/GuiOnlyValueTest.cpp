// What the GUI-only modules compute, several instances of one library side by
// side, and a host that reports writes only after the module has returned.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "GuiOnlyCalls.h"
#include "framework/GuiModule.h"
#include "support/Plugins.h"

namespace {

using guitest::Call;
using semhost::GuiNotify;
using semhost::Instance;
using testsupport::bitsOf;

// Sets A and B, then walks the Formula pin through all sixteen formulas and
// returns C after each, as both C pins show it.
std::vector<uint32_t> everyFormula(const guitest::Kind& kind, uint32_t a, uint32_t b) {
  Instance inst(testsupport::plugin(kind.library), guitest::notifying(GuiNotify::Reentrant));
  inst.initialiseGui(false);
  inst.setGuiPin(1, a);
  inst.setGuiPin(2, b);
  std::vector<uint32_t> out;
  for (int32_t k = 0; k < 16; ++k) {
    inst.setGuiPinInt(0, k);
    EXPECT_EQ(inst.guiWord(3), inst.guiWord(6)) << "formula " << k;
    out.push_back(inst.guiWord(3));
  }
  return out;
}

std::vector<uint32_t> words(std::initializer_list<int32_t> values) {
  std::vector<uint32_t> out;
  for (int32_t v : values) out.push_back(static_cast<uint32_t>(v));
  return out;
}

TEST(GuiIntValues, SixteenFormulasOnIntegers) {
  EXPECT_EQ(words({8, 14, -9, -15, 6, -7, 12, 10, -13, -11, 4, 2, -3, -5, 0, -1}),
            everyFormula(guitest::kGuiInt, 12, 10));
  EXPECT_EQ(words({1, 7, -2, -8, 6, -7, 5, 3, -6, -4, 4, 2, -3, -5, 0, -1}),
            everyFormula(guitest::kGuiInt, 5, 3));
}

// Floats are worked on as bit patterns and come back unchanged in every class
// (NaNs, signalling ones too, infinities, denormals, -0.0), in the pins and in
// the opt argument of the writes.
TEST(GuiFloatValues, FormulasWorkOnBitPatterns) {
  struct Case {
    int32_t formula;
    uint32_t a, b, c;
  };
  const Case cases[] = {
      {8, 0x3F800000u, 0x40000000u, 0xC07FFFFFu},   // NOT 1.0: just above -4, not -1.0
      {15, 0x3F800000u, 0x40000000u, 0xFFFFFFFFu},  // SET: a NaN pattern
      {14, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x00000000u},  // CLEAR: +0.0
      {0, 0x3F800000u, 0x40000000u, 0x00000000u},
      {1, 0x3F800000u, 0x40000000u, 0x7F800000u},
      {6, 0x7FA00001u, 0, 0x7FA00001u},             // signalling NaN
      {7, 0, 0xFF800001u, 0xFF800001u},
      {6, 0x00000001u, 0, 0x00000001u},             // smallest denormal
      {7, 0, 0x807FFFFFu, 0x807FFFFFu},             // largest negative denormal
      {6, 0x80000000u, 0, 0x80000000u},             // -0.0
      {9, 0, 0x7F800000u, 0x807FFFFFu},             // NOT +inf
      {4, 0x12345678u, 0x12345678u, 0x00000000u},
      {5, 0x12345678u, 0x12345678u, 0xFFFFFFFFu},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.formula);
    Instance inst(testsupport::plugin("ostrel_binary_gf"), guitest::notifying(GuiNotify::Reentrant));
    inst.primeGuiPin(0, static_cast<uint32_t>(cs.formula));
    inst.primeGuiPin(1, cs.a);
    inst.primeGuiPin(2, cs.b);
    inst.initialiseGui(true);
    EXPECT_EQ(cs.c, inst.guiWord(3));
    EXPECT_EQ(cs.c, inst.guiWord(6));
    const auto calls = guitest::guiCalls(inst);
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ(guitest::kGuiFloat.put(6, cs.c), calls[4]);

    // Through the mirrors as well: A written on pin 4 reaches pin 1 intact.
    inst.clearTrace();
    inst.setGuiPin(4, cs.a);
    EXPECT_EQ(cs.a, inst.guiWord(1));
    EXPECT_EQ(cs.c, inst.guiWord(3));
  }
}

TEST(GuiBoolValues, OnlyBitZeroOfAPinCounts) {
  struct Case {
    uint32_t raw;
    uint32_t read;
  };
  const Case cases[] = {{3, 1}, {2, 0}, {0x100, 0}, {1, 1}, {0, 0}, {0xFFFFFFFEu, 0},
                        {0xFFFFFFFFu, 1}, {0x101, 1}};
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.raw);
    Instance inst(testsupport::plugin("ostrel_binary_gb"), guitest::notifying(GuiNotify::Reentrant));
    inst.initialiseGui(false);
    inst.setGuiPinInt(0, 6);  // "a -> c"
    inst.clearTrace();
    inst.setGuiPin(1, cs.raw);
    const int32_t v = static_cast<int32_t>(cs.read);
    EXPECT_EQ((std::vector<Call>{guitest::getI(1), guitest::setI(4, v), guitest::setI(3, v),
                                 guitest::setI(6, v)}),
              guitest::guiCalls(inst));

    inst.setGuiPinInt(0, 7);  // "b -> c"
    inst.clearTrace();
    inst.setGuiPin(5, cs.raw);
    EXPECT_EQ((std::vector<Call>{guitest::getI(5), guitest::setI(2, v), guitest::setI(3, v),
                                 guitest::setI(6, v)}),
              guitest::guiCalls(inst));
  }
}

TEST(GuiBoolValues, FormulasActAsLogic) {
  // A true, B false, formulas 0..15.
  EXPECT_EQ(words({0, 1, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0, 1, 0, 0, 1}),
            everyFormula(guitest::kGuiBool, 1, 0));
  // A false, B true, formulas 0..15.
  EXPECT_EQ(words({0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1}),
            everyFormula(guitest::kGuiBool, 0, 1));
  // Both false: NOR, XNOR, both NOTs and the ORs with a complement are true.
  EXPECT_EQ(words({0, 0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1}),
            everyFormula(guitest::kGuiBool, 0, 0));
  // Bits above bit 0 never reach the result.
  EXPECT_EQ(everyFormula(guitest::kGuiBool, 1, 0), everyFormula(guitest::kGuiBool, 0xFFu, 0x100u));
}

// After initialise the C pins keep what they held; the first notification
// publishes the result computed there.
TEST(GuiBoolValues, InitialiseLeavesTheCPinsUntilTheNextNotification) {
  Instance inst(testsupport::plugin("ostrel_binary_gb"), guitest::notifying(GuiNotify::Reentrant));
  inst.primeGuiPin(0, 15);  // "SET -> c"
  inst.initialiseGui(true);
  EXPECT_EQ(0u, inst.guiWord(3));
  EXPECT_EQ(0u, inst.guiWord(6));
  inst.guiDispatch(guiPinChanged, 2, 0, nullptr, 0.0f);
  EXPECT_EQ(1u, inst.guiWord(3));
  EXPECT_EQ(1u, inst.guiWord(6));
}

// Three objects of one library, changes interleaved between them: each keeps
// its own values and every call it makes lands in its own instance.
TEST(GuiOnlyInstances, InterleavedChangesStayWithTheirOwnObject) {
  const auto& library = testsupport::plugin("ostrel_binary_gi");
  Instance one(library, guitest::notifying(GuiNotify::Reentrant));
  Instance two(library, guitest::notifying(GuiNotify::Reentrant));
  Instance three(library, guitest::notifying(GuiNotify::Reentrant));
  for (Instance* inst : {&one, &two, &three}) {
    inst->open();
    inst->initialiseGui(false);
  }
  one.setGuiPinInt(0, 1);     // OR
  two.setGuiPinInt(0, 4);     // XOR
  three.setGuiPinInt(0, 16);  // clamped to SET
  one.setGuiPinInt(1, 12);
  two.setGuiPinInt(4, 12);
  three.setGuiPinInt(1, 7);
  one.setGuiPinInt(5, 3);
  two.setGuiPinInt(2, 10);
  three.guiDispatch(guiPinChanged, 6, 0, nullptr, 0.0f);
  one.guiDispatch(guiPinChanged, 9, 0, nullptr, 0.0f);

  const struct {
    Instance* inst;
    int32_t pins[7];
  } expected[] = {
      {&one, {1, 12, 3, 15, 12, 3, 15}},
      {&two, {4, 12, 10, 6, 12, 10, 6}},
      {&three, {15, 7, 0, -1, 7, 0, -1}},
  };
  for (const auto& e : expected)
    for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(e.pins[i], e.inst->guiInt(i)) << "pin " << i;
}

// A host of its own for two GUI objects of one library, which delivers a
// notification into the second object from inside every write the first one
// makes. The second object's handling overwrites the library's one accessor;
// the first must take a fresh one for each of its accesses and so still
// reach only its own pins.
namespace nested {

struct Host {
  GuiHostRecord* gui[2] = {nullptr, nullptr};
  std::map<int32_t, uint32_t> pins[2];
  std::vector<Call> calls[2];
  int32_t next = 100;
};
Host* host = nullptr;

intptr_t SEM_CALL callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                           float opt) {
  const auto who = static_cast<size_t>(static_cast<GuiHostRecord*>(record)->hostData);
  host->calls[who].push_back(Call{opcode, index, value, bitsOf(opt), ptr != nullptr});
  if (opcode == hostGetPinValue) std::memcpy(ptr, &host->pins[who][index], 4);
  if (opcode == hostSetPinValue) {
    host->pins[who][index] = static_cast<uint32_t>(value);
    if (who == 0) {
      host->pins[1][1] = static_cast<uint32_t>(host->next++);
      host->gui[1]->dispatcher(host->gui[1], guiPinChanged, 1, 0, nullptr, 0.0f);
    }
  }
  return 1;
}

}  // namespace nested

TEST(GuiOnlyInstances, AHostCallIntoAnotherObjectMidWriteDoesNotRedirectTheFirst) {
  nested::Host h;
  nested::host = &h;
  auto make = testsupport::plugin("ostrel_binary_gi").makeModule();
  for (intptr_t who : {0, 1})
    h.gui[who] = static_cast<GuiHostRecord*>(make(0, objectTypeGui, &nested::callback, who));
  ASSERT_NE(nullptr, h.gui[0]);
  ASSERT_NE(nullptr, h.gui[1]);

  h.pins[1][0] = 6;  // second object: "a -> c"
  h.pins[0][0] = 4;  // first object: XOR
  h.pins[0][1] = 5;
  h.pins[0][2] = 10;
  h.gui[1]->dispatcher(h.gui[1], guiInitialise, 1, 0, nullptr, 0.0f);
  h.gui[0]->dispatcher(h.gui[0], guiInitialise, 1, 0, nullptr, 0.0f);
  h.pins[0][1] = 12;
  h.next = 100;
  for (auto& calls : h.calls) calls.clear();
  h.gui[0]->dispatcher(h.gui[0], guiPinChanged, 1, 0, nullptr, 0.0f);

  using guitest::getI;
  using guitest::setI;
  EXPECT_EQ((std::vector<Call>{getI(1), setI(4, 12), setI(3, 6), setI(6, 6)}), h.calls[0]);
  EXPECT_EQ(12u, h.pins[0][4]);
  EXPECT_EQ(6u, h.pins[0][3]);
  EXPECT_EQ(6u, h.pins[0][6]);
  // Three nested changes, each handled completely by the second object.
  ASSERT_EQ(12u, h.calls[1].size());
  for (int32_t n = 0; n < 3; ++n) {
    const int32_t v = 100 + n;
    const std::vector<Call> one(h.calls[1].begin() + 4 * n, h.calls[1].begin() + 4 * n + 4);
    EXPECT_EQ((std::vector<Call>{getI(1), setI(4, v), setI(3, v), setI(6, v)}), one) << n;
  }
  for (int32_t pin : {4, 3, 6}) EXPECT_EQ(102u, h.pins[1][pin]) << pin;
  for (auto* record : h.gui) EXPECT_EQ(1, record->dispatcher(record, guiClose, 0, 0, nullptr, 0));
  nested::host = nullptr;
}

// A host that reports changed values only after the module has returned: the
// module's own writes come back as ordinary notifications, which copy and
// recompute once more, find every pin already right and change nothing.
TEST(GuiOnlyDeferred, PinsSettleAfterTheEchoesOfTheModulesOwnWrites) {
  for (const guitest::Kind* kind : {&guitest::kGuiInt, &guitest::kGuiFloat, &guitest::kGuiBool}) {
    SCOPED_TRACE(kind->name);
    Instance inst(testsupport::plugin(kind->library), guitest::notifying(GuiNotify::Deferred));
    inst.initialiseGui(false);
    inst.setGuiPinInt(0, 6);  // "a -> c": a new A changes pins 4, 3 and 6
    inst.clearTrace();
    const uint32_t a = kind->datatype == Float ? 0x7FC00001u : 1u;
    inst.setGuiPin(1, a);

    // The change itself, then one echo for each pin the module changed.
    std::vector<int32_t> notified;
    for (const auto& e : inst.trace())
      if (e.direction == semhost::Direction::ToModule && e.opcode == guiPinChanged)
        notified.push_back(e.index);
    EXPECT_EQ((std::vector<int32_t>{1, 4, 3, 6}), notified);
    for (int32_t pin : {1, 4, 3, 6}) EXPECT_EQ(a, inst.guiWord(pin)) << pin;
  }
}

}  // namespace
