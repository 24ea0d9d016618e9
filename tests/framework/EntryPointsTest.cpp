// The two exports, through the example plug-in's real entry points.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/dsp_record.h"
#include "framework/gui_record.h"
#include "support/Plugins.h"

namespace {

const semhost::PluginLibrary& example() { return testsupport::plugin("example_module"); }

TEST(EntryPoints, PropertiesForModuleZeroFillTextsAndKeepHostFields) {
  ModuleProperties p;
  std::memset(&p, 0xAB, sizeof p);
  const int32_t keep12 = p.hostField12, keep16 = p.hostField16;
  ASSERT_EQ(1, example().getModuleProperties()(0, &p));
  EXPECT_STREQ("Example Module", p.name);
  EXPECT_EQ(p.name, p.identifier);
  EXPECT_EQ(0, std::strncmp(p.about, "Example Module, v1.0.0", 22));
  EXPECT_EQ(keep12, p.hostField12);
  EXPECT_EQ(keep16, p.hostField16);
  EXPECT_EQ(2230, p.interfaceVersion);
}

TEST(EntryPoints, OtherModuleIndicesFailButStillStoreTheVersion) {
  for (int32_t index : {1, -1, 2, INT32_MIN, INT32_MAX}) {
    ModuleProperties p;
    std::memset(&p, 0, sizeof p);
    const char* sentinel = "untouched";
    p.name = p.identifier = p.about = sentinel;
    EXPECT_EQ(0, example().getModuleProperties()(index, &p)) << index;
    EXPECT_EQ(sentinel, p.name);
    EXPECT_EQ(sentinel, p.identifier);
    EXPECT_EQ(sentinel, p.about);
    EXPECT_EQ(2230, p.interfaceVersion);
  }
}

TEST(EntryPoints, MakeModuleRejectsBadIndexAndType) {
  auto make = example().makeModule();
  EXPECT_EQ(nullptr, make(0, 3, nullptr, 0));
  EXPECT_EQ(nullptr, make(0, 0, nullptr, 0));
  EXPECT_EQ(nullptr, make(0, -1, nullptr, 0));
  EXPECT_EQ(nullptr, make(-1, 1, nullptr, 0));
  EXPECT_EQ(nullptr, make(1, 2, nullptr, 0));
}

TEST(EntryPoints, MakeModuleReturnsRecordsWithMagicAndHostData) {
  auto make = example().makeModule();
  auto* dsp = static_cast<DspHostRecord*>(make(0, 1, nullptr, 0x1234));
  auto* dsp2 = static_cast<DspHostRecord*>(make(0, 1, nullptr, 0x1234));
  auto* gui = static_cast<GuiHostRecord*>(make(0, 2, nullptr, 0x5678));
  ASSERT_NE(nullptr, dsp);
  ASSERT_NE(nullptr, dsp2);
  ASSERT_NE(nullptr, gui);
  EXPECT_NE(dsp, dsp2);
  EXPECT_EQ(0x5345504Cu, dsp->magic);
  EXPECT_EQ(0x1234, dsp->hostData);
  EXPECT_EQ(0x5345504Du, gui->magic);
  EXPECT_EQ(0x5678, gui->hostData);
  EXPECT_EQ(1, dsp->dispatcher(dsp, 1, 0, 0, nullptr, 0.0f));
  EXPECT_EQ(1, dsp2->dispatcher(dsp2, 1, 0, 0, nullptr, 0.0f));
  EXPECT_EQ(1, gui->dispatcher(gui, 1, 0, 0, nullptr, 0.0f));
}

}  // namespace
