// The clipboard object: the user's formats survive the system's own copy and paste, nesting,
// the formats it cannot keep, the HTML reader, the selection fetch and the log texts.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "core/CClipboard.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/GlobalMemory.h"
#include "platform/win32/Keyboard.h"
#include "tests/common/Log.h"

using support::library::Log;

namespace {

uint32_t Registered(const char* name) {
  return win32::RegisterClipboardFormatA(name);
}

// What a user's copy from a browser leaves: text, HTML and a private format.
void UserCopies() {
  win32::clipboard::SetText(L"user's words");
  win32::clipboard::SetBytes(Registered("HTML Format"), std::string("<b>x</b>\0", 9));
  win32::clipboard::SetBytes(Registered("Chromium Web Custom MIME Data Format"),
                             std::string("\x01\x00\xFF", 3));
  win32::clipboard::SetBytes(win32::CF_DIB, std::string(40, '\x7F'));
}

struct Snapshot {
  std::vector<std::pair<uint32_t, std::string>> formats;
  bool operator==(const Snapshot&) const = default;
};

void PrintTo(const Snapshot& s, std::ostream* os) {
  for (const auto& [f, bytes] : s.formats) *os << f << ":" << bytes.size() << " ";
}

// Every format with the bytes a pasting program would read.
Snapshot Take() {
  Snapshot s;
  EXPECT_TRUE(win32::OpenClipboard(0));
  for (uint32_t f = win32::EnumClipboardFormats(0); f != 0; f = win32::EnumClipboardFormats(f)) {
    uint32_t handle = win32::GetClipboardData(f);
    const uint8_t* bytes = win32::GlobalLock(handle);
    s.formats.emplace_back(f, std::string(reinterpret_cast<const char*>(bytes),
                                          bytes ? win32::GlobalSize(handle) : 0));
    if (bytes) win32::GlobalUnlock(handle);
  }
  win32::CloseClipboard();
  return s;
}

using testlog::Logged;

class Editor : public win32::FocusedEditor {
 public:
  std::wstring text, selection;
  std::wstring SelectedText() const override { return selection; }
  void ReplaceSelection(const std::wstring& s) override { text += s; }
};

TEST(CClipboard, EveryMemoryFormatComesBackAfterTheSystemsOwnCopy) {
  UserCopies();
  Snapshot before = Take();
  ASSERT_GE(before.formats.size(), 5u);  // the other text format is synthesised
  CClipboard clip;
  clip.Save();
  win32::clipboard::SetText(L"%FullName% ");
  clip.Restore();
  EXPECT_EQ(Take(), before);
  EXPECT_EQ(clip.UseCount(), 0);
  EXPECT_FALSE(win32::clipboard::IsOpen());
}

TEST(CClipboard, AClipboardHeldAMomentByAnotherProgramIsStillSavedAndGivenBack) {
  namespace faults = win32::faults;
  // A seed that fails the first clipboard call only: the first try of the opening.
  uint32_t seed = 0;
  for (;; ++seed) {
    faults::Start({.every = 100, .seed = seed});
    if (faults::Hit(faults::Surface::Clipboard)) break;
  }
  faults::Stop();
  win32::clipboard::SetText(L"user's words");
  CClipboard clip;
  faults::Start({.every = 100, .seed = seed});
  clip.Save();
  faults::Stop();
  win32::clipboard::SetText(L"the selection");
  faults::Start({.every = 100, .seed = seed});
  clip.Restore();
  EXPECT_EQ(faults::Counts().raised, 1u);
  faults::Stop();
  EXPECT_EQ(win32::clipboard::Text(), L"user's words");
  EXPECT_FALSE(win32::clipboard::IsOpen());
}

// A Save, the system's copy and a Restore with the calls `at` to `at + span - 1` refused.
void PairRefused(CClipboard& clip, uint64_t at, uint64_t span) {
  win32::faults::Start({.at = at, .span = span});
  clip.Save();
  win32::clipboard::SetText(L"%FullName% ");
  clip.Restore();
  win32::faults::Stop();
}

bool ErrorLogged(const std::wstring& procedure, const std::wstring& call) {
  for (const auto& e : Log())
    if (e.procedure == procedure && e.level == 3 && e.text.starts_with(call)) return true;
  return false;
}

TEST(CClipboard, RefusalsInARowAnywhereInThePairStillGiveTheUsersClipboardBack) {
  UserCopies();
  Snapshot before = Take();
  CClipboard clip;
  for (uint64_t span : {3u, 8u})
    for (uint64_t at = 1; at <= 12; ++at) {  // each opening, read and write of the pair
      PairRefused(clip, at, span);
      EXPECT_EQ(Take(), before) << "calls " << at << " on refused";
    }
  for (const auto& e : Log()) EXPECT_NE(e.level, 3) << win32::ToAnsi(e.text);
}

TEST(CClipboard, AClipboardRefusedBeyondTheRetriesIsToldAndNoBlockLeaks) {
  win32::clipboard::SetText(L"user's words");
  CClipboard clip;
  PairRefused(clip, 1, 1000);  // nothing read: the clipboard is not emptied after the copy
  EXPECT_TRUE(ErrorLogged(L"CClipboard::Save", L"OpenClipboard, "));
  EXPECT_EQ(win32::clipboard::Text(), L"%FullName% ");
  clip.Save();
  ASSERT_TRUE(win32::OpenClipboard(0));
  win32::EmptyClipboard();
  win32::CloseClipboard();
  size_t blocks = win32::memory::LiveBlocks();
  win32::faults::Start({.at = 2, .span = 1000});  // the opening goes through, no write does
  clip.Restore();
  win32::faults::Stop();
  EXPECT_TRUE(ErrorLogged(L"CClipboard::Restore", L"SetClipboardData(Format="));
  EXPECT_EQ(win32::memory::LiveBlocks(), blocks);
  EXPECT_FALSE(win32::clipboard::IsOpen());
}

TEST(CClipboard, OnlyTheOutermostPairReadsAndWritesTheClipboard) {
  UserCopies();
  Snapshot before = Take();
  size_t opens = win32::clipboard::OpenCount();
  CClipboard clip;
  clip.Save();
  clip.Save();
  EXPECT_EQ(win32::clipboard::OpenCount() - opens, 1u);
  win32::clipboard::SetText(L"inner");
  size_t empties = win32::clipboard::EmptyCount();
  opens = win32::clipboard::OpenCount();
  clip.Restore();
  EXPECT_EQ(win32::clipboard::Text(), L"inner");  // the inner Restore only counts
  clip.Restore();
  EXPECT_EQ(win32::clipboard::OpenCount() - opens, 1u);
  EXPECT_EQ(win32::clipboard::EmptyCount() - empties, 1u);
  EXPECT_EQ(Take(), before);
}

TEST(CClipboard, AnUnmatchedRestoreDoesNotDisableLaterPairs) {
  CClipboard clip;
  clip.Restore();
  EXPECT_EQ(clip.UseCount(), 0);
  EXPECT_TRUE(Logged(L"CClipboard::Restore", L"Restore without Save, m_UseCount(0)"));
  win32::clipboard::SetText(L"precious");
  clip.Save();
  win32::clipboard::SetText(L"token");
  clip.Restore();
  EXPECT_EQ(win32::clipboard::Text(), L"precious");
}

TEST(CClipboard, ReleaseWithAPendingSaveWarns) {
  {
    CClipboard clip;
    clip.Save();
  }
  EXPECT_TRUE(Logged(L"CClipboard::Class_Terminate", L"m_UseCount(1) <> 0"));
}

TEST(CClipboard, HandleFormatsAndEmbeddingFormatsAreNotKept) {
  win32::OpenClipboard(0);
  win32::SetClipboardData(win32::CF_BITMAP, 0x0B00);
  win32::CloseClipboard();
  win32::clipboard::SetBytes(Registered("Native"), "ole");
  CClipboard clip;
  clip.Save();
  clip.Restore();
  EXPECT_TRUE(Logged(L"CClipboard::Save", L"Cant save CF_ENHMETAFILE/CF_BITMAP clipboard format"));
  EXPECT_TRUE(Logged(L"CClipboard::Save", L"Cant save named clipboard format - Native"));
  EXPECT_EQ(win32::CountClipboardFormats(), 0);
}

TEST(CClipboard, FailuresAreLoggedAndTheClipboardIsNeverLeftOpen) {
  win32::clipboard::SetText(L"kept");
  win32::clipboard::SetHeldByOtherProgram(true);
  CClipboard clip;
  clip.Save();
  EXPECT_TRUE(
      Logged(L"CClipboard::Save", L"OpenClipboard, GetLastError = 0x5, Err.LastDllError = 0x5"));
  EXPECT_EQ(clip.UseCount(), 1);
  // The other program lets go before the Restore: a Save that read nothing must not empty it.
  win32::clipboard::SetHeldByOtherProgram(false);
  clip.Restore();
  EXPECT_EQ(win32::clipboard::Text(), L"kept");
  clip.Save();
  win32::clipboard::SetHeldByOtherProgram(true);
  clip.Restore();
  EXPECT_TRUE(Logged(L"CClipboard::Restore", L"OpenClipboard, Err.LastDllError = 5"));
  win32::clipboard::SetHeldByOtherProgram(false);
  EXPECT_EQ(win32::clipboard::Text(), L"kept");

  // A block that cannot be locked is reported with the formats that were there.
  ASSERT_TRUE(win32::OpenClipboard(0));
  uint32_t handle = win32::GetClipboardData(win32::CF_UNICODETEXT);
  win32::CloseClipboard();
  win32::memory::FailNextLock(handle);
  clip.Save();
  clip.Restore();
  bool lockLogged = false, listed = false;
  for (const auto& e : Log()) {
    lockLogged |= e.text.starts_with(L"GlobalLock(handle=0x") &&
                  e.text.find(L", Format=13), GetLastError = 0x") != std::wstring::npos;
    listed |= e.procedure == L"CClipboard::dbgEnumFormats";
  }
  EXPECT_TRUE(lockLogged);
  EXPECT_TRUE(listed);
  EXPECT_FALSE(win32::clipboard::IsOpen());
  EXPECT_EQ(win32::clipboard::Text(), L"kept");  // CF_TEXT was saved and renders it again
}

TEST(CClipboard, HtmlFormatIsDecodedAsUtf8PaddedToTheByteCount) {
  CClipboard clip;
  EXPECT_EQ(clip.GetHtmlFormat(), L"");
  EXPECT_TRUE(Log().empty());
  win32::clipboard::SetBytes(Registered("HTML Format"), "caf\xC3\xA9!");
  EXPECT_EQ(clip.GetHtmlFormat(), L"caf\u00e9! ");
  EXPECT_TRUE(clip.IsFormatAvialable(L"html format"));
  EXPECT_FALSE(clip.IsFormatAvialable(L"Rich Text Format"));
  EXPECT_EQ(clip.GetClipboardFormatName(Registered("HTML Format")), L"HTML Format");
  EXPECT_EQ(clip.GetClipboardFormatName(win32::CF_TEXT), L"");
}

TEST(CClipboard, SelectedTextComesThroughTheClipboardWhichStaysTheUsers) {
  UserCopies();
  Snapshot before = Take();
  auto editor = std::make_shared<Editor>();
  win32::keyboard::SetFocus(editor);
  CClipboard clip;
  editor->selection = L"the chosen part";
  EXPECT_EQ(clip.GetSelectedText(), L"the chosen part");
  EXPECT_EQ(Take(), before);
  editor->selection.clear();  // nothing selected: the copy keys leave the clipboard alone
  EXPECT_EQ(clip.GetSelectedText(), L"user's words");
  EXPECT_EQ(Take(), before);
  EXPECT_EQ(editor->text, L"");  // the flush typed nothing
}

TEST(CClipboard, DebugListingsNameEveryFormat) {
  uint32_t dataObject = Registered("DataObject");
  win32::clipboard::SetBytes(win32::CF_UNICODETEXT, std::string("h\0i\0\0\0", 6));
  win32::clipboard::SetBytes(win32::CF_TEXT, std::string("hi\0", 3));
  win32::clipboard::SetBytes(dataObject, "Data in ANSI");
  CClipboard clip;
  clip.dbgEnumFormats();
  clip.dbgLogFormatData(L"dataobject");
  clip.dbgLogFormatData(L"NoSuchFormat");
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0].text, L"EnumClipboardFormats:\r\n13, 1, " + std::to_wstring(dataObject) +
                               L" \"DataObject\", ");
  EXPECT_EQ(Log()[0].detail, 2);
  EXPECT_EQ(Log()[1].text, L"Data in ANSI");
}

TEST(CClipboard, TheHostObjectIsMadeOnFirstUse) {
  EXPECT_EQ(g_oClipboard, nullptr);
  CClipboard& clip = HostClipboard();
  EXPECT_EQ(&clip, g_oClipboard.get());
  EXPECT_EQ(&HostClipboard(), &clip);
}

}  // namespace
