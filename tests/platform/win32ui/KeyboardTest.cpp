// The thread hook chain and the keys that reach the focused editor.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Registry.h"

using namespace win32;

namespace {
class Editor : public FocusedEditor {
 public:
  std::wstring text;
  size_t caret = 0, selection = 0;  // selection: characters from the caret
  std::wstring SelectedText() const override { return text.substr(caret, selection); }
  void ReplaceSelection(const std::wstring& s) override {
    text.replace(caret, selection, s);
    caret += s.size();
    selection = 0;
  }
};

struct Seen {
  int code;
  WPARAM key;
  uint32_t lParam;
};

HHOOK Install(std::vector<Seen>& seen, LRESULT own = -1) {
  return SetWindowsHookExA(
      WH_KEYBOARD,
      [&seen, own](int code, WPARAM w, LPARAM l) -> LRESULT {
        seen.push_back({code, w, static_cast<uint32_t>(l)});
        return own >= 0 ? own : CallNextHookEx(0, code, w, l);
      },
      0x10000000, GetCurrentThreadId());
}
}  // namespace

TEST(KeyboardHook, OnlyThreadKeyboardHooksOfThisThread) {
  auto proc = [](int, WPARAM, LPARAM) -> LRESULT { return 0; };
  struct Case {
    int id;
    HINSTANCE module;
    uint32_t thread;
    uint32_t error;
  } cases[] = {
      {13, 0x10000000, GetCurrentThreadId(), ERROR_INVALID_HOOK_FILTER},
      {WH_KEYBOARD, 0, 0, ERROR_HOOK_NEEDS_HMOD},
      {WH_KEYBOARD, 0x10000000, GetCurrentThreadId() + 1,
       static_cast<uint32_t>(ERROR_INVALID_PARAMETER)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(0u, SetWindowsHookExA(c.id, proc, c.module, c.thread));
    EXPECT_EQ(c.error, GetLastError());
  }
  keyboard::RefuseHooks(5);
  EXPECT_EQ(0u, SetWindowsHookExA(WH_KEYBOARD, proc, 0x10000000, GetCurrentThreadId()));
  keyboard::RefuseHooks(0);
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, proc, 0x10000000, GetCurrentThreadId());
  EXPECT_NE(0u, hook);
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  EXPECT_FALSE(UnhookWindowsHookEx(hook));
  EXPECT_EQ(ERROR_INVALID_HOOK_HANDLE, GetLastError());
}

TEST(KeyboardHook, ChainRunsNewestFirstAndPassesKeysOn) {
  std::vector<Seen> older, newer;
  HHOOK first = Install(older);
  Install(newer);
  keyboard::Press('R', false, true, true);
  // Ctrl down, Alt down, R down, R up, Alt up, Ctrl up: every hook sees all six, in order.
  ASSERT_EQ(6u, newer.size());
  ASSERT_EQ(6u, older.size());
  EXPECT_EQ('R', newer[2].key);
  EXPECT_EQ(0u, newer[2].lParam >> 31) << "a key-down";
  EXPECT_EQ(1u, (newer[2].lParam >> 29) & 1) << "Alt held";
  EXPECT_EQ(1u, newer[3].lParam >> 31) << "the release";
  EXPECT_EQ(1u, (newer[3].lParam >> 30) & 1) << "previously down";
  ASSERT_EQ(6u, keyboard::Delivered().size()) << "nothing swallowed";
  UnhookWindowsHookEx(first);
  keyboard::Press('A');
  EXPECT_EQ(6u, older.size());
  EXPECT_EQ(8u, newer.size());
}

TEST(KeyboardHook, AHookThatDoesNotPassOnSwallowsTheKey) {
  std::vector<Seen> below, top;
  Install(below);
  Install(top, 1);
  keyboard::Press('X');
  EXPECT_EQ(2u, top.size());
  EXPECT_TRUE(below.empty());
  EXPECT_TRUE(keyboard::Delivered().empty());
}

TEST(KeyboardHook, KeyStateAsOfTheKeyBeingHandled) {
  int16_t ctrlInHook = 0, shiftInHook = 0;
  SetWindowsHookExA(
      WH_KEYBOARD,
      [&](int code, WPARAM w, LPARAM l) -> LRESULT {
        if (w == 'R' && l >= 0)
          ctrlInHook = GetKeyState(VK_CONTROL), shiftInHook = GetKeyState(VK_SHIFT);
        return CallNextHookEx(0, code, w, l);
      },
      0x10000000, GetCurrentThreadId());
  keyboard::Press('R', false, true);
  EXPECT_LT(ctrlInHook, 0);
  EXPECT_GE(shiftInHook, 0);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "released afterwards";
}

TEST(FocusedEditor, ShiftInsertPastesAndCtrlInsertCopies) {
  auto editor = std::make_shared<Editor>();
  editor->text = L"Dear ,";
  editor->caret = 5;
  keyboard::SetFocus(editor);
  clipboard::SetText(L"%FirstName%");
  keybd_event(VK_SHIFT, 1, KEYEVENTF_EXTENDEDKEY, 0);
  keybd_event(VK_INSERT, 1, KEYEVENTF_EXTENDEDKEY, 0);
  keybd_event(VK_INSERT, 1, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
  keybd_event(VK_SHIFT, 1, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(L"Dear %FirstName%,", editor->text);

  editor->caret = 0;
  editor->selection = 4;
  keyboard::Press(VK_INSERT, false, true);
  EXPECT_EQ(L"Dear", clipboard::Text());
  editor->selection = 0;
  keyboard::Press(VK_INSERT, false, true);
  EXPECT_EQ(L"Dear", clipboard::Text()) << "copying nothing leaves the clipboard alone";
  keyboard::Press(VK_SPACE);
  keyboard::Press('A', true);
  EXPECT_EQ(L" ADear %FirstName%,", editor->text);
}

TEST(FocusedEditor, PasteAndCopyNeedTheClipboardFree) {
  auto editor = std::make_shared<Editor>();
  editor->text = L"Hi";
  editor->caret = 0;
  editor->selection = 2;
  keyboard::SetFocus(editor);
  clipboard::SetText(L"old");
  for (bool ours : {true, false}) {
    if (ours)
      ASSERT_TRUE(OpenClipboard(0));
    else
      clipboard::SetHeldByOtherProgram(true);
    keyboard::Press(VK_INSERT, false, true);
    keyboard::Press(VK_INSERT, true);
    EXPECT_EQ(L"old", clipboard::Text()) << ours;
    EXPECT_EQ(L"Hi", editor->text) << ours;
    if (ours)
      CloseClipboard();
    else
      clipboard::SetHeldByOtherProgram(false);
  }
  keyboard::Press(VK_INSERT, false, true);
  EXPECT_EQ(L"Hi", clipboard::Text());
}

TEST(FocusedEditor, KeysWithoutAnEditorGoNowhere) {
  clipboard::SetText(L"x");
  keyboard::Press(VK_INSERT, true);
  EXPECT_EQ(4u, keyboard::Delivered().size());
  EXPECT_EQ(nullptr, keyboard::Focused());
}
