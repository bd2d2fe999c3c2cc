// SendKeys: the runtime's key syntax typed at the keyboard focus.
#include <gtest/gtest.h>

#include <memory>

#include "platform/vb/Error.h"
#include "platform/vb/SendKeys.h"
#include "platform/win32/Keyboard.h"

namespace {

class Editor : public win32::FocusedEditor {
 public:
  std::wstring text;
  std::wstring SelectedText() const override { return L""; }
  void ReplaceSelection(const std::wstring& s) override { text += s; }
};

TEST(SendKeys, TypesTheTextItsSyntaxStandsFor) {
  struct Case {
    const wchar_t* keys;
    const wchar_t* typed;
  } cases[] = {
      {L"{%}FullName{%} ", L"%FullName% "},
      {L"{(}{)}{+}{^}{~}{[}{]}{{}{}}", L"()+^~[]{}"},
      {L"O'Brien, caf\u00e9 4@b.example", L"O'Brien, caf\u00e9 4@b.example"},
      {L"+a+(bc)d", L"ABCd"},  // Shift for one key or a group
      {L"^c", L""},            // Ctrl+C types nothing into the editor
      {L"x~y{ENTER}z", L"xyz"},
      {L"+", L""},
  };
  for (const auto& c : cases) {
    auto editor = std::make_shared<Editor>();
    win32::keyboard::SetFocus(editor);
    vb::SendKeys(c.keys, true);
    EXPECT_EQ(editor->text, c.typed) << c.keys;
    // No modifier stays down afterwards.
    for (int vk : {win32::VK_SHIFT, win32::VK_CONTROL, win32::VK_MENU})
      EXPECT_GE(win32::GetKeyState(vk), 0) << c.keys;
  }
}

TEST(SendKeys, KeysPassTheHookChainInOrder) {
  vb::SendKeys(L"+a", true);
  const auto& d = win32::keyboard::Delivered();
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0].virtualKey, win32::VK_SHIFT);
  EXPECT_TRUE(d[0].down);
  EXPECT_EQ(d[1].virtualKey, 'A');
  EXPECT_EQ(d[3].virtualKey, win32::VK_SHIFT);
  EXPECT_FALSE(d[3].down);
}

TEST(SendKeys, MalformedTextRaisesInvalidProcedureCall) {
  for (const wchar_t* keys : {L"{", L"{%", L"a)", L"(ab", L"{NOSUCHKEY}", L"}"}) {
    try {
      vb::SendKeys(keys);
      ADD_FAILURE() << keys;
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.Number(), vb::kInvalidProcedureCall) << keys;
    }
  }
}

}  // namespace
