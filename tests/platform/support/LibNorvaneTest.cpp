#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/forms/Form.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Error.h"
#include "platform/win32/Handles.h"

using namespace support;

namespace {
void Put(std::array<uint8_t, kInitBlockSize>& block, size_t offset, uint32_t value) {
  std::memcpy(block.data() + offset, &value, 4);
}
}  // namespace

TEST(LibNorvane, InitExReadsTheBlockAndCallsBackThroughItsHandles) {
  std::array<int32_t, 4> rect{256, 195, 512, 378};
  std::array<int32_t, 4>* rectAddress = &rect;
  std::array<uint8_t, kInitBlockSize> block{};
  Put(block, 0, kInitBlockSize);
  Put(block, 16, win32::AllocHandle(NewMailCallback([] { return 7; })));
  Put(block, 40, win32::AllocHandle(TextCallback([] { return std::wstring(L"me@example.com"); })));
  Put(block, 56, win32::AllocHandle(rectAddress));
  Put(block, 60, win32::AllocHandle(TextCallback([] { return std::wstring(L"DE"); })));
  Put(block, 64, win32::AllocHandle(VersionTextsCallback([](VersionTexts* t) {
        *t = {L"desc", L"comments", L"legal"};
        return t;
      })));
  EXPECT_EQ(0, LibNorvaneInitEx(0x1234, block.data()));
  EXPECT_TRUE(library::Initialized());
  EXPECT_EQ(0x1234u, library::ModuleHandle());
  EXPECT_EQ(rect, library::WindowRect());
  EXPECT_EQ(7, library::CallNewMailFromTemplate());
  EXPECT_EQ(L"DE", library::CallGetLangID());
  EXPECT_EQ(L"me@example.com", library::CallGetUserAddress());
  EXPECT_EQ(L"legal", library::CallGetVersionTexts().LegalCopyright);
}

TEST(LibNorvane, AnEmptyCallbackFieldRaisesInsteadOfCallingNothing) {
  std::array<uint8_t, kInitBlockSize> block{};
  LibNorvaneInitEx(1, block.data());
  EXPECT_EQ((std::array<int32_t, 4>{}), library::WindowRect());
  EXPECT_FALSE(vb::Catch([] { library::CallGetLangID(); }));
}

TEST(LibNorvane, NotInstalledRaisesFileNotFound) {
  library::SetInstalled(false);
  EXPECT_FALSE(vb::Catch([] { LibNorvaneLogMsg(0, "x", 0, "p", 1, 1); }));
  EXPECT_EQ(53, vb::Err().Number());
  EXPECT_TRUE(library::Log().empty());
}

TEST(LibNorvane, LogIsRecordedAndAppendedToTheLogFile) {
  // A name of this process's own: test programs run in parallel.
  auto file = (std::filesystem::temp_directory_path() /
               ("tanvelo-lib-log-" + std::to_string(getpid()) + ".txt"))
                  .string();
  std::filesystem::remove(file);
  library::SetLogFile(file);
  LibNorvaneLogMsg(0, "Caf\xE9", 91, "Main::Test", 3, 1);
  ASSERT_EQ(1u, library::Log().size());
  EXPECT_EQ(L"Caf\u00E9", library::Log()[0].text);
  EXPECT_EQ(L"Main::Test", library::Log()[0].procedure);
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ("3\t1\t91\tMain::Test\tCaf\xE9\r", line);
  std::filesystem::remove(file);
}

TEST(LibNorvane, ALongSessionKeepsTheRecentLogOnly) {
  for (int i = 0; i < 20000; ++i)
    LibNorvaneLogMsg(0, std::to_string(i).c_str(), 0, "Main::Soak", 1, 1);
  EXPECT_LE(library::Log().size(), 8192u);
  ASSERT_GE(library::Log().size(), 4096u);
  EXPECT_EQ(L"19999", library::Log().back().text);
  EXPECT_EQ(std::to_wstring(20000 - library::Log().size()), library::Log().front().text)
      << "the kept ones are the last, in order";
}

TEST(LibNorvane, CallsAreRecordedAndAboutMenuAnswersAsConfigured) {
  LibNorvaneShowContextHelp(0, "export_by_tanvelo.htm");
  library::SetAboutMenuResult(1);
  EXPECT_EQ(1, LibNorvaneAddAboutMenu(0, nullptr));
  ASSERT_EQ(2u, library::Calls().size());
  EXPECT_EQ("LibNorvaneShowContextHelp", library::Calls()[0].function);
  EXPECT_EQ(L"export_by_tanvelo.htm", library::Calls()[0].argument);
  EXPECT_TRUE(library::Calls()[0].formsShown.empty());

  // Each call notes the forms on screen then: a loaded but hidden one is not among them.
  forms::Form shown(L"frmShown"), hidden(L"frmHidden");
  shown.Show();
  hidden.Load();
  LibNorvaneReportProblem(0);
  EXPECT_EQ(std::vector<std::wstring>{L"frmShown"}, library::Calls().back().formsShown);
  shown.Unload();
  hidden.Unload();
  LibNorvaneReportProblem(0);
  EXPECT_TRUE(library::Calls().back().formsShown.empty());
}
