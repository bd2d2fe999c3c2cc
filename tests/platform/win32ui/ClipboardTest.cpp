// The clipboard as the save-and-restore of the user's clipboard needs it: formats in order,
// registered names, blocks owned by the clipboard, text in both encodings.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/Clipboard.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"

using namespace win32;

namespace {
uint32_t Block(const std::string& bytes) {
  uint32_t block = GlobalAlloc(GMEM_FIXED, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::vector<uint32_t> Formats() {
  std::vector<uint32_t> formats;
  for (uint32_t f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
    formats.push_back(f);
  return formats;
}
}  // namespace

TEST(Clipboard, EveryCallButAvailabilityNeedsItOpen) {
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
  EXPECT_EQ(0u, SetClipboardData(CF_TEXT, Block("x")));
  EXPECT_EQ(0u, GetClipboardData(CF_TEXT));
  EXPECT_EQ(0u, EnumClipboardFormats(0));
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(0));
  EXPECT_FALSE(OpenClipboard(0)) << "already open";
  EXPECT_TRUE(CloseClipboard());
  clipboard::SetHeldByOtherProgram(true);
  EXPECT_FALSE(OpenClipboard(0));
  EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(Clipboard, RegisteredNamesAreSharedIgnoringCase) {
  uint32_t html = RegisterClipboardFormatA("HTML Format");
  EXPECT_GE(html, 0xC000u);
  EXPECT_EQ(html, RegisterClipboardFormatA("html format"));
  EXPECT_NE(html, RegisterClipboardFormatA("Rich Text Format"));
  char name[64];
  EXPECT_EQ(11, GetClipboardFormatNameA(html, name, sizeof name));
  EXPECT_STREQ("HTML Format", name);
  EXPECT_EQ(4, GetClipboardFormatNameA(html, name, 5)) << "cut to the buffer";
  EXPECT_STREQ("HTML", name);
  EXPECT_EQ(0, GetClipboardFormatNameA(CF_TEXT, name, sizeof name))
      << "predefined formats have no name";
}

TEST(Clipboard, TextIsOfferedInBothEncodings) {
  clipboard::SetText(L"caf\u00E9");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(0));
  EXPECT_EQ((std::vector<uint32_t>{CF_UNICODETEXT, CF_TEXT}), Formats());
  uint32_t ansi = GetClipboardData(CF_TEXT);
  EXPECT_EQ(5u, GlobalSize(ansi));
  EXPECT_EQ(std::string("caf\xE9", 4), std::string(reinterpret_cast<char*>(GlobalLock(ansi))));
  GlobalUnlock(ansi);
  CloseClipboard();

  clipboard::SetText(L"");
  ASSERT_TRUE(OpenClipboard(0));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block(std::string("ANSI\0", 5)));
  CloseClipboard();
  EXPECT_EQ(L"ANSI", clipboard::Text());
}

TEST(Clipboard, FormatsSurviveASaveAndRestoreInTheirOrder) {
  const uint32_t html = RegisterClipboardFormatA("HTML Format");
  const uint32_t native = RegisterClipboardFormatA("Native");
  ASSERT_TRUE(OpenClipboard(0));
  EmptyClipboard();
  SetClipboardData(html, Block("<b>x</b>"));
  SetClipboardData(CF_UNICODETEXT, Block(std::string("x\0\0\0", 4)));
  SetClipboardData(native, Block("ole"));
  SetClipboardData(CF_BITMAP, 0x00060010);  // a drawing object, not memory
  CloseClipboard();

  // What a program saving the clipboard does: every memory format, in enumeration order.
  std::vector<std::pair<uint32_t, std::string>> saved;
  ASSERT_TRUE(OpenClipboard(0));
  for (uint32_t format : Formats()) {
    if (format == CF_BITMAP) continue;
    uint32_t data = GetClipboardData(format);
    size_t size = GlobalSize(data);
    saved.emplace_back(format, std::string(reinterpret_cast<char*>(GlobalLock(data)), size));
    GlobalUnlock(data);
  }
  CloseClipboard();
  size_t blocksBefore = memory::LiveBlocks();

  clipboard::SetText(L"the program's own text");
  ASSERT_TRUE(OpenClipboard(0));
  EmptyClipboard();
  for (auto& [format, bytes] : saved) SetClipboardData(format, Block(bytes));
  CloseClipboard();

  ASSERT_TRUE(OpenClipboard(0));
  std::vector<uint32_t> formats = Formats();
  CloseClipboard();
  EXPECT_EQ((std::vector<uint32_t>{html, CF_UNICODETEXT, native, CF_TEXT}), formats);
  EXPECT_EQ("<b>x</b>", clipboard::Bytes(html));
  EXPECT_EQ("ole", clipboard::Bytes(native));
  EXPECT_EQ(L"x", clipboard::Text());
  EXPECT_EQ(blocksBefore, memory::LiveBlocks()) << "emptying frees the blocks it owned";
}

TEST(GlobalMemory, AllocationLockAndFailures) {
  uint32_t block = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(0u, block);
  EXPECT_EQ(8u, GlobalSize(block));
  uint8_t* bytes = GlobalLock(block);
  ASSERT_NE(nullptr, bytes);
  EXPECT_EQ(0, bytes[7]);
  EXPECT_NE(nullptr, GlobalLock(block));
  EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
  EXPECT_FALSE(GlobalUnlock(block));
  memory::FailNextLock(block);
  EXPECT_EQ(nullptr, GlobalLock(block));
  EXPECT_NE(nullptr, GlobalLock(block));
  GlobalUnlock(block);
  EXPECT_EQ(0u, GlobalFree(block));
  EXPECT_EQ(block, GlobalFree(block));
  memory::SetAllocationLimit(100);
  EXPECT_EQ(0u, GlobalAlloc(0, 101));
  EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
}
