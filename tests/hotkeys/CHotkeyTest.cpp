// One hotkey's text forms: key text, collection key and action names.
#include <gtest/gtest.h>

#include "core/CLang.h"
#include "hotkeys/CHotkey.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Error.h"

using support::library::Log;

namespace {
CHotkey Make(int32_t key, bool ctrl, bool alt, bool shift, int32_t action = 1) {
  CHotkey h;
  h.KeyCode = key;
  h.Ctrl = ctrl;
  h.Alt = alt;
  h.Shift = shift;
  h.Action = action;
  return h;
}
}  // namespace

TEST(CHotkey, KeyTextAndCollectionKey) {
  struct Case {
    CHotkey hotkey;
    std::wstring text, key;
  } cases[] = {
      {Make('R', true, true, false), L"Ctrl+Alt+R", L"521112"},
      {Make('T', true, false, true), L"Ctrl+Shift+T", L"541110"},
      {Make('A', true, true, true), L"Ctrl+Alt+Shift+A", L"41111210"},
      {Make('Z', false, false, false), L"Z", L"5A"},
      {Make(9, true, false, false), L"Ctrl+\t", L"0911"},
      {Make(0x1F0, false, true, false), L"Alt+\u01F0", L"1F012"},
      // Anything below 16 gets the leading zero, a negative code too.
      {Make(-1, true, false, false), L"Ctrl+", L"0FFFFFFFF11"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, c.hotkey.DisplayKeyName());
    EXPECT_EQ(c.key, c.hotkey.BuildKey());
  }
}

TEST(CHotkey, ParsesKeyTexts) {
  struct Case {
    std::wstring text;
    int32_t key;
    bool ctrl, alt, shift;
  } cases[] = {
      {L"Ctrl+Alt+R", 'R', true, true, false},      {L"alt+ctrl+r", 'R', true, true, false},
      {L"SHIFT+Ctrl+t", 'T', true, false, true},    {L"Ctrl+A+B", 'A', true, false, false},
      {L"Ctrl+A+B+Shift", 'A', true, false, false}, {L"A+Alt", 'A', false, true, false},
      {L"Ctrl+Alt+Rx", 'R', true, true, false},     {L"Q", 'Q', false, false, false},
  };
  for (const auto& c : cases) {
    CHotkey h;
    h.DisplayKeyName(c.text);
    EXPECT_EQ(c.key, h.KeyCode) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(c.ctrl, h.Ctrl);
    EXPECT_EQ(c.alt, h.Alt);
    EXPECT_EQ(c.shift, h.Shift);
  }
}

TEST(CHotkey, KeyTextWithoutALetterFailsAndChangesNothing) {
  for (std::wstring text : {L"Ctrl+Alt", L"", L"Ctrl++", L"shift"}) {
    CHotkey h = Make('X', false, false, true);
    const size_t before = Log().size();
    EXPECT_FALSE(vb::Catch([&] { h.DisplayKeyName(text); }));
    EXPECT_EQ(13, vb::Err().Number());
    EXPECT_EQ(L"Shift+X", h.DisplayKeyName());
    ASSERT_EQ(before + 1, Log().size());
    EXPECT_EQ(L"CHotKey::DisplayKeyName", Log().back().procedure);
    EXPECT_EQ(L"Parse Error in '" + text + L"'", Log().back().text);
    EXPECT_EQ(0, Log().back().errorNumber);
  }
}

TEST(CHotkey, EnglishActionNames) {
  struct Case {
    std::wstring name;
    int32_t action;
  } cases[] = {{L"Tanvelo", 1},
               {L"Reply to all with", 2},
               {L"Forward with", 4},
               {L"forward WITH", 4},
               {L"TANVELO", 1}};
  for (const auto& c : cases) {
    CHotkey h;
    h.DisplayActionName2(c.name);
    EXPECT_EQ(c.action, h.Action);
  }
  EXPECT_EQ(L"Reply to all with", Make('A', true, true, false, 2).DisplayActionName2());
  EXPECT_EQ(L"", Make('A', true, true, false, 8).DisplayActionName2());

  for (std::wstring bad : {L"Forward", L"Forward with ", L""}) {
    CHotkey h = Make('A', true, true, false, 2);
    EXPECT_FALSE(vb::Catch([&] { h.DisplayActionName2(bad); }));
    EXPECT_EQ(13, vb::Err().Number());
    EXPECT_EQ(2, h.Action);
    EXPECT_EQ(L"CHotKey::DisplayActionName", Log().back().procedure);
    EXPECT_EQ(L"Invalid action name '" + bad + L"'", Log().back().text);
  }
}

TEST(CHotkey, LocalisedActionNames) {
  g_oLang = std::make_shared<CLang>();
  g_oLang->ItemSet(L"HOT_KEY_ACTION_TV", L"Antworten");
  g_oLang->ItemSet(L"HOT_KEY_ACTION_RAW", L"Allen antworten");
  g_oLang->ItemSet(L"HOT_KEY_ACTION_FW", L"Weiterleiten");
  EXPECT_EQ(L"Antworten", Make('A', true, true, false, 1).DisplayActionName());
  EXPECT_EQ(L"Allen antworten", Make('A', true, true, false, 2).DisplayActionName());
  EXPECT_EQ(L"Weiterleiten", Make('A', true, true, false, 4).DisplayActionName());
  EXPECT_EQ(L"", Make('A', true, true, false, 8).DisplayActionName());
}
