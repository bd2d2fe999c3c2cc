// Side keys of the modifiers, AltGr and auto-repeat as the hook chain and the editor see them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Keyboard.h"

using namespace win32;

namespace {

struct Seen {
  WPARAM key;
  uint32_t lParam;
  bool ctrl, alt, rightAlt;
};

class Recorder {
 public:
  Recorder() {
    SetWindowsHookExA(
        WH_KEYBOARD,
        [this](int code, WPARAM w, LPARAM l) -> LRESULT {
          seen.push_back({w, static_cast<uint32_t>(l), GetKeyState(VK_CONTROL) < 0,
                          GetKeyState(VK_MENU) < 0, GetKeyState(VK_RMENU) < 0});
          return CallNextHookEx(0, code, w, l);
        },
        0x10000000, GetCurrentThreadId());
  }
  std::vector<Seen> seen;
};

class Editor : public FocusedEditor {
 public:
  std::wstring text;
  std::wstring SelectedText() const override { return L""; }
  void ReplaceSelection(const std::wstring& s) override { text += s; }
};

constexpr uint32_t kExtended = 1u << 24, kAlt = 1u << 29, kRepeat = 1u << 30, kUp = 1u << 31;

}  // namespace

TEST(KeyboardModifiers, AltGrOnAGermanLayoutReadsAsCtrlAltWithTheRightAltDown) {
  keyboard::SetAltGrLayout(true);
  auto editor = std::make_shared<Editor>();
  keyboard::SetFocus(editor);
  Recorder r;
  keyboard::PressAltGr('E');
  ASSERT_EQ(r.seen.size(), 6u) << "Ctrl, Alt, E down and up, Alt, Ctrl up";
  EXPECT_EQ(r.seen[0].key, VK_CONTROL);
  EXPECT_EQ(r.seen[0].lParam & kExtended, 0u) << "the injected Ctrl is the left one";
  EXPECT_EQ(r.seen[1].key, VK_MENU);
  EXPECT_NE(r.seen[1].lParam & kExtended, 0u) << "the right Alt is an extended key";
  const Seen& e = r.seen[2];
  EXPECT_EQ(e.key, 'E');
  EXPECT_TRUE(e.ctrl && e.alt && e.rightAlt);
  EXPECT_NE(e.lParam & kAlt, 0u);
  EXPECT_EQ(r.seen[4].key, VK_MENU);
  EXPECT_EQ(r.seen[5].key, VK_CONTROL);
  EXPECT_NE(r.seen[5].lParam & kUp, 0u);
  EXPECT_EQ(editor->text, L"\u20AC") << "AltGr+E types the euro sign";
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetKeyState(VK_RMENU), 0);
  EXPECT_GE(GetKeyState(VK_MENU), 0);
}

TEST(KeyboardModifiers, RightAltWithoutAnAltGrLayoutIsJustAlt) {
  auto editor = std::make_shared<Editor>();
  keyboard::SetFocus(editor);
  Recorder r;
  keyboard::PressAltGr('E');
  ASSERT_EQ(r.seen.size(), 4u);
  EXPECT_FALSE(r.seen[1].ctrl);
  EXPECT_TRUE(r.seen[1].alt && r.seen[1].rightAlt);
  EXPECT_EQ(editor->text, L"") << "Alt+E types nothing";
}

TEST(KeyboardModifiers, AHeldKeyRepeatsWithThePreviousStateBit) {
  auto editor = std::make_shared<Editor>();
  keyboard::SetFocus(editor);
  Recorder r;
  keyboard::Hold('R', 2);
  ASSERT_EQ(r.seen.size(), 4u);
  EXPECT_EQ(r.seen[0].lParam & (kRepeat | kUp), 0u) << "the first press";
  EXPECT_NE(r.seen[1].lParam & kRepeat, 0u);
  EXPECT_NE(r.seen[2].lParam & kRepeat, 0u);
  EXPECT_EQ(r.seen[2].lParam & kUp, 0u);
  EXPECT_NE(r.seen[3].lParam & kUp, 0u);
  EXPECT_EQ(editor->text, L"rrr") << "every repeat types";
}
