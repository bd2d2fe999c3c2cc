// The empty-field dialog and its request record, the simulated keys of the library, and the
// TNEF mark fix.
#include "personalization/RL_mMain.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/redemption/SafeItem.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;

namespace {

class EmptyField : public PersonalizationTest {
 protected:
  std::wstring value = L"Customer";
  bool cancel = false;

  void Ask(bool contactFound, bool onTop = false) {
    RL_mMain::AskEmptyField(L"ann@x.example", L"%FirstName%", value, contactFound,
                            L"Tanvelo Templates: missing field value", cancel, onTop);
  }
  static std::wstring Caption(forms::User& u, const wchar_t* name) {
    return u.GetForm().FindControl(name)->Caption();
  }
  static bool Shown(forms::User& u, const wchar_t* name) {
    return u.GetForm().FindControl(name)->Visible();
  }
};

TEST_F(EmptyField, TheLabelsNameTokenAndAddressWithAndWithoutAContact) {
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) {
    EXPECT_EQ(u.GetForm().Caption(), L"Tanvelo Templates: missing field value");
    EXPECT_EQ(Caption(u, L"lblPersonalization"), L"Personalization item %FirstName%");
    EXPECT_EQ(Caption(u, L"lbl1a"),
              L"The %FirstName% for recipient \"ann@x.example\" is not found. To include "
              L"recipient's %FirstName% into template please enter it here:");
    EXPECT_EQ(Caption(u, L"lbl2a"),
              L"Note: Entered personalization will be used for all the other e-mails, when "
              L"%FirstName% is not found.");
    EXPECT_FALSE(Shown(u, L"lbl1b"));
    EXPECT_FALSE(Shown(u, L"lbl2b"));
    u.PressEnter();
  });
  Ask(true);
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) {
    EXPECT_EQ(Caption(u, L"lbl1b"),
              L"The contact for \"ann@x.example\" is not found. To include recipient's "
              L"%FirstName% into e-mail please enter it here:");
    EXPECT_TRUE(Shown(u, L"lbl2b"));
    EXPECT_FALSE(Shown(u, L"lbl1a"));
    EXPECT_FALSE(Shown(u, L"lbl2a"));
    u.PressEnter();
  });
  Ask(false);
  EXPECT_EQ(value, L"Customer");
  EXPECT_FALSE(cancel);
  // The language file's section for the dialog fits its controls.
  for (const auto& e : support::library::Log()) EXPECT_LT(e.level, 2) << e.text;
}

TEST_F(EmptyField, EachWayOutOfTheDialog) {
  struct Case {
    const wchar_t* name;
    std::function<void(forms::User&)> script;
    const wchar_t* value;
    bool cancel;
  } cases[] = {
      {L"OK with a text", [](forms::User& u) { u.Type(L"txtValue", L"Ann"), u.PressEnter(); },
       L"Ann", false},
      {L"Skip", [](forms::User& u) { u.Click(L"btnSkip"); }, L"", false},
      {L"Cancel", [](forms::User& u) { u.PressEsc(); }, L"Customer", true},
      {L"close box: the initial text", [](forms::User& u) { u.CloseBox(); }, L"Customer", false},
  };
  for (auto& c : cases) {
    value = L"Customer";
    forms::QueueScript(L"RL_frmEmptyField", c.script);
    Ask(true);
    EXPECT_EQ(value, c.value) << c.name;
    EXPECT_EQ(cancel, c.cancel) << c.name;
  }
}

TEST_F(EmptyField, OkWithAnEmptyBoxKeepsTheDialogOpen) {
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) {
    u.Type(L"txtValue", L"");
    win32::msgbox::Answer(vb::vbOK);
    u.PressEnter();
    EXPECT_TRUE(u.GetForm().Visible());
    ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
    EXPECT_EQ(win32::msgbox::Shown()[0].text, L"Please enter a value for %FirstName%.");
    EXPECT_EQ(u.GetForm().ActiveControl(), u.GetForm().FindControl(L"txtValue").get());
    win32::msgbox::Answer(vb::vbOK);
    u.Click(L"btnHelp");
    EXPECT_EQ(win32::msgbox::Shown().back().text,
              L"Not Implemented\r\nTopic-Insert_Process_Personalization_Items.htm");
    u.Type(L"txtValue", L"Ann");
    u.PressEnter();
  });
  Ask(true);
  EXPECT_EQ(value, L"Ann");
}

TEST_F(EmptyField, OnTopTheDialogIsTopmostWithTheFocusInTheBox) {
  for (bool onTop : {true, false}) {
    forms::QueueScript(L"RL_frmEmptyField", [onTop](forms::User& u) {
      auto& form = u.GetForm();
      bool topmost = (win32::GetWindowLongA(form.hWnd(), win32::GWL_EXSTYLE) &
                      static_cast<int32_t>(win32::WS_EX_TOPMOST)) != 0;
      EXPECT_EQ(topmost, onTop);
      EXPECT_EQ(form.ActiveControl() == form.FindControl(L"txtValue").get(), onTop);
      u.PressEnter();
    });
    Ask(false, onTop);
  }
}

TEST_F(EmptyField, ShiftInsertAndTheCopyKeysAsKeyEvents) {
  std::vector<std::pair<uint32_t, uint32_t>> seen;  // key, lParam
  auto hook = win32::SetWindowsHookExA(
      win32::WH_KEYBOARD,
      [&](int code, win32::WPARAM w, win32::LPARAM l) {
        seen.emplace_back(static_cast<uint32_t>(w), static_cast<uint32_t>(l));
        return win32::CallNextHookEx(0, code, w, l);
      },
      0, win32::GetCurrentThreadId());
  RL_mMain::SendShiftInsert();
  RL_mMain::SendCopyKeys();
  win32::UnhookWindowsHookEx(hook);
  std::vector<uint32_t> keys;
  for (auto& [key, lParam] : seen) {
    keys.push_back(key);
    if (key != win32::VK_SHIFT || keys.size() <= 4) {  // the flush is a plain Shift
      EXPECT_EQ((lParam >> 16) & 0xFF, 1u);            // scan code 1
      EXPECT_NE(lParam & (1u << 24), 0u);              // extended key
    }
  }
  EXPECT_EQ(keys,
            (std::vector<uint32_t>{0x10, 0x2D, 0x2D, 0x10, 0x11, 0x2D, 0x2D, 0x11, 0x10, 0x10}));
  EXPECT_EQ(seen[2].second >> 31, 1u);  // Insert up
}

TEST_F(EmptyField, TheTnefMarkIsClearedForPlainAndHtmlMailOnly) {
  struct Case {
    int32_t editorFormat;
    bool bSave;
    bool cleared;
    int writes;
  } cases[] = {{1, true, true, 1}, {2, false, true, 0}, {3, true, false, 0}};
  for (const auto& c : cases) {
    auto mail = Mail(L"s", L"b");
    auto safe = std::make_shared<redemption::SafeMailItem>();
    safe->SetItem(mail);
    uint32_t tag = safe->GetIDsFromNames(outlook::PSETID_Common, 0x8582, true) | 0x000B;
    safe->SetFields(tag, true);
    safe->SetFields(outlook::PR_MSG_EDITOR_FORMAT, c.editorFormat);
    int writes = 0;
    auto sub = mail->Events().Write.Subscribe([&](bool&) { ++writes; });
    RL_mMain::BugFixTNEF(safe, c.bSave);
    EXPECT_EQ(safe->Fields(tag), outlook::PropValue(!c.cleared)) << c.editorFormat;
    EXPECT_EQ(writes, c.writes) << c.editorFormat;
  }
  RL_mMain::BugFixTNEF(nullptr, true);
  EXPECT_EQ(LogCount(L"RL_mMain::BugFixTNEF"), 1u);
}

}  // namespace
