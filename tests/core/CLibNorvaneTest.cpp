// The support-library wrapper and its initialisation block, byte by byte.
#include <gtest/gtest.h>

#include "core/CLibNorvane.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/Main.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"

namespace lib = support::library;

TEST(CLibNorvane, FillerWritesTheDefaultsAndLeavesTheHostField) {
  LibInitBlock block;
  block.fill(0xAA);
  CLibNorvaneWrapper wrapper(false);
  wrapper.FillInitParams(block);
  for (size_t i = 0; i < block.size(); ++i) {
    uint8_t expected = 0;
    if (i >= 8 && i < 12) expected = 0xAA;  // the host application, set by the add-in
    if (i == 0) expected = 180;
    if (i == 4 || i == 36) expected = 1;
    if (i == 12) expected = 14;
    EXPECT_EQ(expected, block[i]) << "offset " << i;
  }
}

TEST(CLibNorvane, WindowRectangleIsCentredHalvesToEven) {
  struct Row {
    int32_t screenW, screenH, width, height, left, top;
  } rows[] = {{1024, 768, 512, 378, 256, 195},
              {1025, 769, 512, 378, 256, 196},
              {1027, 771, 512, 378, 258, 196}};
  for (const auto& row : rows) {
    vb::Screen().WidthPixels = row.screenW;
    vb::Screen().HeightPixels = row.screenH;
    CLibNorvane lib;
    LibInitBlock block{};
    lib.FillInitParams(block, row.width, row.height);
    EXPECT_EQ((std::array<int32_t, 4>{row.left, row.top, row.width, row.height}), lib.WindowRect());
    ASSERT_NE(0u, GetBlockLong(block, 56));
    // The library reads the rectangle through the block's 32-bit address.
    ASSERT_EQ(0, lib.InitEx(1, block));
    EXPECT_EQ(lib.WindowRect(), lib::WindowRect());
  }
  CLibNorvane lib;
  LibInitBlock block{};
  lib.FillInitParams(block, 0, 378);
  EXPECT_EQ(0u, GetBlockLong(block, 56));
}

TEST(CLibNorvane, TextsGoOverInTheAnsiCodePage) {
  CLibNorvaneWrapper wrapper(false);
  wrapper.LogMsg(L"Gr\u00FC\u00DFe \u4E2D", 0, L"Mod::P", 1, 1);
  ASSERT_EQ(1u, lib::Log().size());
  EXPECT_EQ(L"Gr\u00FC\u00DFe ?", lib::Log()[0].text);
  wrapper.ShowContextHelp(L"");
  wrapper.ShowAbout();
  wrapper.ReportProblem();
  ASSERT_EQ(3u, lib::Calls().size());
  EXPECT_EQ("LibNorvaneShowAbout", lib::Calls()[1].function);
}

TEST(CLibNorvane, InitExHandsOverTheModuleAndAnswersTheLibraryResult) {
  CLibNorvaneWrapper wrapper(false);
  LibInitBlock block{};
  wrapper.FillInitParams(block);
  lib::SetInitExResult(3);
  EXPECT_EQ(3, wrapper.InitEx(0x10000000, block));
  lib::SetInitExResult(0);
  EXPECT_EQ(0, wrapper.InitEx(0x10000000, block));
  EXPECT_EQ(0x10000000u, lib::ModuleHandle());
  EXPECT_EQ(180u, GetBlockLong(lib::Block(), 0));
  // A missing library is an error the caller's start-up sees.
  lib::SetInstalled(false);
  EXPECT_FALSE(vb::Catch([&] { wrapper.InitEx(1, block); }));
  EXPECT_EQ(53, vb::Err().Number());
}

TEST(CLibNorvaneWrapper, DisabledWrapperTouchesNothing) {
  CLibNorvaneWrapper wrapper(true);
  LibInitBlock block;
  block.fill(0x55);
  wrapper.FillInitParams(block);
  EXPECT_EQ(0x55, block[0]);
  lib::SetInitExResult(9);
  EXPECT_EQ(0, wrapper.InitEx(1, block));
  EXPECT_EQ(0, wrapper.LogMsg(L"x", 0, L"p", 1, 1));
  EXPECT_EQ(0, wrapper.AddAboutMenu(nullptr));
  EXPECT_FALSE(lib::Initialized());
  EXPECT_TRUE(lib::Log().empty());
  EXPECT_TRUE(lib::Calls().empty());
}

TEST(CLibNorvaneWrapper, TheProcessWideWrapperIsEnabledInTheBuiltAddIn) {
  EXPECT_FALSE(InIDE());
  EXPECT_FALSE(LibNorvane().IsDisabled());
  EXPECT_EQ(&LibNorvane(), &LibNorvane());
}

TEST(CLibNorvane, BlockFieldHelpersAreLittleEndian) {
  LibInitBlock block{};
  PutBlockLong(block, 8, 0x11223344);
  PutBlockInt16(block, 28, 0xFFFF);
  EXPECT_EQ(0x44, block[8]);
  EXPECT_EQ(0x11, block[11]);
  EXPECT_EQ(0x11223344u, GetBlockLong(block, 8));
  EXPECT_EQ(0xFFFF, GetBlockInt16(block, 28));
}
