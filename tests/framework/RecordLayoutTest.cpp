// The records that cross to the host, checked byte by byte in memory. On the
// 32-bit targets these are the host's offsets; the static_asserts next to the
// records check them at compile time, these tests on the real objects.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/dsp_record.h"
#include "framework/gui_record.h"
#include "framework/module_properties.h"
#include "framework/pin_description.h"
#include "support/Plugins.h"

namespace {

uint32_t wordAt(const void* base, size_t offset) {
  uint32_t w;
  std::memcpy(&w, static_cast<const char*>(base) + offset, sizeof w);
  return w;
}

uint32_t addressWord(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

constexpr bool k32 = sizeof(void*) == 4;

TEST(RecordLayout, SizesOnThe32BitAbi) {
  if (!k32) GTEST_SKIP() << "pointers are not 32-bit on this target";
  EXPECT_EQ(24u, sizeof(ModuleProperties));
  EXPECT_EQ(48u, sizeof(DspHostRecord));
  EXPECT_EQ(16u, sizeof(ProcessDescriptor));
  EXPECT_EQ(16u, sizeof(ProcessInfo));
  EXPECT_EQ(40u, sizeof(GuiHostRecord));
  EXPECT_EQ(32u, sizeof(PinDescription));
  EXPECT_EQ(24u, sizeof(DspEvent));
}

TEST(RecordLayout, DspRecordOfANewObject) {
  const auto& lib = testsupport::plugin("example_module");
  auto* rec = static_cast<DspHostRecord*>(lib.makeModule()(0, 1, nullptr, 0x0BADF00D));
  ASSERT_NE(nullptr, rec);
  EXPECT_EQ(0x5345504Cu, rec->magic);
  EXPECT_EQ(1, rec->version);
  EXPECT_EQ(0x0BADF00D, rec->hostData);
  EXPECT_NE(nullptr, rec->object);
  EXPECT_EQ(0, rec->reserved16);
  for (int32_t w : rec->reserved32) EXPECT_EQ(0, w);
  // The process entry is idleProcess: the same routine opcode 13 reports.
  auto* info = reinterpret_cast<ProcessInfo*>(rec->dispatcher(rec, 13, 0, 0, nullptr, 0.0f));
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(rec->process, info->entries->entry);
  if (k32) {
    EXPECT_EQ(0x5345504Cu, wordAt(rec, 0));
    EXPECT_EQ(1u, wordAt(rec, 4));
    EXPECT_EQ(0x0BADF00Du, wordAt(rec, 8));
    EXPECT_EQ(addressWord(rec->object), wordAt(rec, 12));
    EXPECT_EQ(0u, wordAt(rec, 16));
    EXPECT_EQ(addressWord(reinterpret_cast<void*>(rec->dispatcher)), wordAt(rec, 20));
    EXPECT_EQ(addressWord(reinterpret_cast<void*>(rec->process)), wordAt(rec, 24));
    EXPECT_EQ(addressWord(reinterpret_cast<void*>(rec->eventEntry)), wordAt(rec, 28));
    for (size_t off = 32; off < 48; off += 4) EXPECT_EQ(0u, wordAt(rec, off)) << off;
    EXPECT_EQ(1u, wordAt(info, 0));
    EXPECT_EQ(16u, wordAt(info, 4));
    EXPECT_EQ(addressWord(info->entries), wordAt(info, 8));
    EXPECT_EQ(0u, wordAt(info, 12));
    EXPECT_EQ(addressWord(reinterpret_cast<void*>(rec->process)), wordAt(info->entries, 0));
    for (size_t off = 4; off < 16; off += 4) EXPECT_EQ(0u, wordAt(info->entries, off));
  }
  EXPECT_EQ(1, rec->dispatcher(rec, 1, 0, 0, nullptr, 0.0f));
}

TEST(RecordLayout, GuiRecordOfANewObject) {
  const auto& lib = testsupport::plugin("example_module");
  auto* rec = static_cast<GuiHostRecord*>(lib.makeModule()(0, 2, nullptr, 0x600D));
  ASSERT_NE(nullptr, rec);
  const unsigned char magicBytes[4] = {0x4D, 0x50, 0x45, 0x53};
  EXPECT_EQ(0, std::memcmp(rec, magicBytes, 4));
  EXPECT_EQ(1, rec->version);
  EXPECT_NE(nullptr, rec->dispatcher);
  EXPECT_EQ(0x600D, rec->hostData);
  EXPECT_NE(nullptr, rec->object);
  for (int32_t w : rec->reserved) EXPECT_EQ(0, w);
  if (k32) {
    EXPECT_EQ(addressWord(reinterpret_cast<void*>(rec->dispatcher)), wordAt(rec, 8));
    EXPECT_EQ(0x600Du, wordAt(rec, 12));
    EXPECT_EQ(addressWord(rec->object), wordAt(rec, 16));
    for (size_t off = 20; off < 40; off += 4) EXPECT_EQ(0u, wordAt(rec, off)) << off;
  }
  EXPECT_EQ(1, rec->dispatcher(rec, 1, 0, 0, nullptr, 0.0f));
}

TEST(RecordLayout, PinDescriptionAndPropertiesAsTheHostReadsThem) {
  const auto& lib = testsupport::plugin("example_module");
  auto* rec = static_cast<DspHostRecord*>(lib.makeModule()(0, 1, nullptr, 0));
  ASSERT_NE(nullptr, rec);
  PinDescription d;
  std::memset(&d, 0xEE, sizeof d);
  ASSERT_EQ(1, rec->dispatcher(rec, 6, 1, 0, &d, 0.0f));  // "GuiOnly": list, FlagGui
  EXPECT_STREQ("GuiOnly", d.name);
  EXPECT_EQ(0xEEEEEEEEu, static_cast<uint32_t>(d.reserved));
  if (k32) {
    EXPECT_EQ(addressWord(d.valuePtr), wordAt(&d, 0));
    EXPECT_EQ(0u, wordAt(&d, 4));
    EXPECT_EQ(0u, wordAt(&d, 8));
    EXPECT_EQ(addressWord(d.name), wordAt(&d, 12));
    EXPECT_EQ(addressWord(d.defaultText), wordAt(&d, 16));
    EXPECT_EQ(addressWord(d.listText), wordAt(&d, 20));
    EXPECT_EQ(0x400u, wordAt(&d, 24));
    EXPECT_EQ(0xEEEEEEEEu, wordAt(&d, 28));
    ModuleProperties p;
    std::memset(&p, 0, sizeof p);
    ASSERT_EQ(1, lib.getModuleProperties()(0, &p));
    EXPECT_EQ(addressWord(p.name), wordAt(&p, 0));
    EXPECT_EQ(addressWord(p.name), wordAt(&p, 4));
    EXPECT_EQ(addressWord(p.about), wordAt(&p, 8));
    EXPECT_EQ(2230u, wordAt(&p, 20));
    DspEvent e{1, 2, 3, 4, 5, nullptr};
    EXPECT_EQ(1u, wordAt(&e, 0));
    EXPECT_EQ(2u, wordAt(&e, 4));
    EXPECT_EQ(3u, wordAt(&e, 8));
    EXPECT_EQ(4u, wordAt(&e, 12));
    EXPECT_EQ(5u, wordAt(&e, 16));
    EXPECT_EQ(0u, wordAt(&e, 20));
  }
  EXPECT_EQ(1, rec->dispatcher(rec, 1, 0, 0, nullptr, 0.0f));
}

}  // namespace
