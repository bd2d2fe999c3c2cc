// The hotkey dialog through its launcher: what it shows, the question before it takes another
// template's letter, Remove and Cancel, and what lands in the hotkeys, the items and the registry.
#include <optional>

#include "platform/forms/Lists.h"
#include "platform/outlook/UserProperties.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "tests/common/RefusedWrites.h"
#include "tests/dialogs/PickerTest.h"

namespace {

class HotkeyDialog : public PickerTest {
 protected:
  // thanks has Ctrl+Alt+R (reply) from the fixture; welcome has none.
  static forms::ComboBox& Letters(forms::User& u) {
    return *u.GetForm().Get<forms::ComboBox>(L"cboLetters");
  }
  static bool Chosen(forms::User& u, const std::wstring& option) {
    return u.GetForm().Get<forms::OptionButton>(option)->Value();
  }
  static std::wstring Property(const std::shared_ptr<outlook::Item>& item, const wchar_t* name) {
    auto property = item->UserProperties()->Find(name);
    return property ? property->Value() : L"(none)";
  }
  bool Show(const std::shared_ptr<outlook::Item>& item, forms::Script script, std::wstring& result,
            bool onTop = false) {
    forms::QueueScript(L"frmHotkey", std::move(script));
    bool ok =
        mForms::ShowHotkeyDialog(Id(item), std::nullopt, std::nullopt, std::nullopt, onTop, result);
    EXPECT_EQ(forms::PendingScripts(L"frmHotkey"), 0u);
    return ok;
  }
  std::vector<std::wstring> StoredKeys() {
    CHotkeys stored;
    stored.LoadFromReg();
    std::vector<std::wstring> keys;
    for (const auto& hotkey : stored)
      keys.push_back(hotkey->DisplayKeyName() + L" " + hotkey->TemplateEntryID);
    return keys;
  }
};

TEST_F(HotkeyDialog, OpensOnTheTemplatesOwnHotkeyAndStarsTheLettersOfOthers) {
  std::wstring result = L"unchanged";
  EXPECT_FALSE(Show(
      thanks,
      [&](forms::User& u) {
        EXPECT_EQ(u.GetForm().Caption(), L"Tanvelo Templates - Hotkey for thanks");
        EXPECT_EQ(Letters(u).List('R' - 'A'), L"R");
        EXPECT_EQ(Letters(u).Text(), L"R");
        EXPECT_TRUE(Chosen(u, L"optAlt"));
        EXPECT_TRUE(Chosen(u, L"optReply"));
        EXPECT_TRUE(u.GetForm().FindControl(L"btnRemove")->Enabled());
        u.PressEsc();
      },
      result));
  EXPECT_EQ(result, L"unchanged");
  EXPECT_EQ(mForms::HotkeyParams.nKeyCode, 'R');

  EXPECT_FALSE(Show(
      welcome,
      [&](forms::User& u) {
        EXPECT_EQ(Letters(u).List('R' - 'A'), L"*R");
        EXPECT_EQ(Letters(u).ListCount(), 26);
        EXPECT_EQ(Letters(u).Text(), L"A") << "the first free letter";
        EXPECT_TRUE(Chosen(u, L"optAlt"));
        EXPECT_TRUE(Chosen(u, L"optReply"));
        EXPECT_FALSE(u.GetForm().FindControl(L"btnRemove")->Enabled());
        u.CloseBox();
      },
      result));
  EXPECT_EQ(mForms::HotkeyParams.nKeyCode, -1);
  EXPECT_EQ(mForms::HotkeyParams.nAction, 1);
  EXPECT_TRUE(mForms::HotkeyParams.bAlt);
}

TEST_F(HotkeyDialog, TakingAnotherTemplatesLetterAsksFirst) {
  std::wstring result;
  auto pick = [&](forms::User& u) {
    u.SelectItem(L"cboLetters", 'R' - 'A');
    u.Choose(L"optShift");  // the letter is taken whatever the modifier
    u.Choose(L"optForward");
  };
  EXPECT_TRUE(Show(
      welcome,
      [&](forms::User& u) {
        pick(u);
        win32::msgbox::Answer(win32::IDNO);
        u.PressEnter();
        EXPECT_TRUE(u.GetForm().Visible()) << "No keeps the dialog open";
        const auto& box = win32::msgbox::Shown().back();
        EXPECT_EQ(box.text, g_oLang->Item(L"STR_HOTKEY_VALIDATE", std::wstring(L"thanks"),
                                          g_oLang->Item(L"HOT_KEY_ACTION_TV")));
        EXPECT_EQ(box.style, 36u);
        int32_t position = 0;
        EXPECT_TRUE(Hotkeys().FindByTemplate(Id(thanks), position));
        win32::msgbox::Answer(win32::IDYES);
        u.PressEnter();
      },
      result));
  EXPECT_EQ(result, Id(thanks));
  int32_t position = 0;
  EXPECT_FALSE(Hotkeys().FindByTemplate(Id(thanks), position));
  auto taken = Hotkeys().FindByTemplate(Id(welcome), position);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->DisplayKeyName(), L"Ctrl+Shift+R");
  EXPECT_EQ(taken->Action, 4);
  EXPECT_EQ(Property(welcome, mTanvelo::kHotkeyProperty), L"Ctrl+Shift+R");
  EXPECT_EQ(Property(welcome, mTanvelo::kHotkeyActionProperty),
            g_oLang->Item(L"HOT_KEY_ACTION_FW"));
  EXPECT_EQ(Property(thanks, mTanvelo::kHotkeyProperty), L"");
  EXPECT_EQ(StoredKeys(), std::vector<std::wstring>{L"Ctrl+Shift+R " + Id(welcome)});
  EXPECT_EQ(mForms::HotkeyParams.nAction, 4);
  EXPECT_FALSE(mForms::HotkeyParams.bAlt);
}

TEST_F(HotkeyDialog, AStaleBindingGivesUpItsLetterWithoutAQuestion) {
  Hotkeys().Add(L"0000DELETEDTEMPLATE", 2, 'Q', false, true, true);
  std::wstring result;
  EXPECT_TRUE(Show(
      welcome,
      [&](forms::User& u) {
        EXPECT_EQ(Letters(u).List('Q' - 'A'), L"*Q");
        u.SelectItem(L"cboLetters", 'Q' - 'A');
        u.PressEnter();
      },
      result));
  EXPECT_TRUE(win32::msgbox::Shown().empty());
  EXPECT_EQ(result, L"0000DELETEDTEMPLATE");
  int32_t position = 0;
  EXPECT_EQ(Hotkeys().FindByTemplate(Id(welcome), position)->DisplayKeyName(), L"Ctrl+Alt+Q");
}

TEST_F(HotkeyDialog, ANewLetterReplacesTheTemplatesOldOne) {
  std::wstring result = L"unchanged";
  EXPECT_TRUE(Show(
      thanks,
      [&](forms::User& u) {
        u.SelectItem(L"cboLetters", 'T' - 'A');
        u.Click(L"btnOK");
      },
      result));
  EXPECT_EQ(result, L"") << "no other template lost its hotkey";
  EXPECT_EQ(StoredKeys(), std::vector<std::wstring>{L"Ctrl+Alt+T " + Id(thanks)});
  EXPECT_EQ(Hotkeys().Count(), 1);
}

TEST_F(HotkeyDialog, WithEveryLetterTakenTheLastIsPreselected) {
  for (wchar_t c = 'A'; c <= 'Z'; ++c)
    if (c != 'R') Hotkeys().Add(L"OTHER" + std::wstring(1, c), 1, c, true, false, true);
  std::wstring result;
  Show(
      welcome,
      [&](forms::User& u) {
        for (int32_t i = 0; i < 26; ++i) EXPECT_EQ(Letters(u).List(i)[0], L'*') << i;
        EXPECT_EQ(Letters(u).Text(), L"*Z");
        u.PressEsc();
      },
      result);
}

TEST_F(HotkeyDialog, RemoveClearsTheHotkeyEverywhere) {
  mTanvelo::SetHotkeyProperties(thanks, L"Ctrl+Alt+R", g_oLang->Item(L"HOT_KEY_ACTION_TV"));
  Hotkeys().SaveToReg();
  std::wstring result;
  EXPECT_TRUE(Show(
      thanks, [&](forms::User& u) { u.Click(L"btnRemove"); }, result));
  EXPECT_EQ(result, Id(thanks));
  EXPECT_EQ(Hotkeys().Count(), 0);
  EXPECT_TRUE(StoredKeys().empty());
  EXPECT_EQ(Property(thanks, mTanvelo::kHotkeyProperty), L"");
  EXPECT_EQ(Property(thanks, mTanvelo::kHotkeyActionProperty), L"");
}

TEST_F(HotkeyDialog, OnTopMakesItTopmostWithTheFocusOnCancel) {
  std::wstring result;
  for (bool onTop : {false, true}) {
    Show(
        welcome,
        [&](forms::User& u) {
          bool topmost = (win32::GetWindowLongA(u.GetForm().hWnd(), win32::GWL_EXSTYLE) &
                          win32::WS_EX_TOPMOST);
          EXPECT_EQ(topmost, onTop);
          auto* active = u.GetForm().ActiveControl();
          EXPECT_EQ(active && active->Name() == L"btnCancel", onTop);
          u.PressEsc();
        },
        result, onTop);
  }
}

TEST_F(HotkeyDialog, GivenStartValuesWinOverTheTemplatesHotkey) {
  std::wstring result;
  forms::QueueScript(L"frmHotkey", [&](forms::User& u) {
    EXPECT_EQ(Letters(u).Text(), L"K");
    EXPECT_TRUE(Chosen(u, L"optShift"));
    EXPECT_TRUE(Chosen(u, L"optReplyAll"));
    u.Click(L"btnHelp");
    u.PressEsc();
  });
  EXPECT_FALSE(mForms::ShowHotkeyDialog(Id(thanks), 2, 'K', false, false, result));
  bool helped = false;
  for (const auto& call : support::library::Calls())
    helped |= call.argument == L"Assign_Hotkey_Combination_for_Template_Action.htm";
  EXPECT_TRUE(helped);
}

TEST_F(HotkeyDialog, ASecondShowWhileTheFirstIsUpIsRefusedAndLeavesTheFirstAlone) {
  std::wstring result, nestedResult = L"untouched";
  bool nested = true;
  EXPECT_TRUE(Show(
      welcome,
      [&](forms::User& u) {
        // A hotkey's timer fires while the dialog waits: its record must stay the first one's.
        nested = mForms::ShowHotkeyDialog(Id(thanks), 4, 'Q', true, false, nestedResult);
        u.SelectItem(L"cboLetters", 'W' - 'A');
        u.Click(L"btnOK");
      },
      result));
  EXPECT_FALSE(nested);
  EXPECT_EQ(L"untouched", nestedResult);
  EXPECT_TRUE(Logged(L"mForms::ShowHotkeyDialog", L"already showing"));
  EXPECT_NE(nullptr, Hotkeys().FindByKeys('W', false, true, true));
  EXPECT_EQ(Id(welcome), Hotkeys().FindByKeys('W', false, true, true)->TemplateEntryID);
}

TEST_F(HotkeyDialog, TheCaptionNamesTheTemplateOrLeavesTheNameOutNeverItsPlace) {
  // Every call from the dialog's opening refused: those below the tries are outlasted.
  struct Case {
    uint64_t span;
    const wchar_t* caption;
  } cases[] = {{0, L"Tanvelo Templates - Hotkey for thanks"},
               {uint64_t{kHeldTries} - 1, L"Tanvelo Templates - Hotkey for thanks"},
               {1000, L"Tanvelo Templates - Hotkey for"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.span);
    std::wstring result, caption;
    if (c.span) win32::faults::Start({.at = 1, .span = c.span});
    Show(
        thanks,
        [&](forms::User& u) {
          caption = u.GetForm().Caption();
          u.PressEsc();
        },
        result);
    win32::faults::Stop();
    EXPECT_EQ(caption, c.caption);
  }
}

}  // namespace

namespace {

TEST_F(HotkeyDialog, AKeyTheTemplateCouldNotBeGivenIsToldNamingTheTemplate) {
  // Outlook refusing the template at every try left the key unshown on it, and nothing said so.
  const std::wstring subject = thanks->Subject();
  auto play = [&](std::optional<win32::faults::Plan> plan) {
    std::wstring result;
    Show(
        thanks,
        [&](forms::User& u) {
          u.SelectItem(L"cboLetters", 'T' - 'A');
          if (plan) win32::faults::Start(*plan);
          u.Click(L"btnOK");
          win32::faults::Stop();
        },
        result);
  };
  play(win32::faults::Plan{.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  int unshown = 0;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      mTanvelo::SetHotkeyProperties(thanks, L"Ctrl+Alt+R", g_oLang->Item(L"HOT_KEY_ACTION_TV"));
      const size_t from = support::library::Log().size();
      play(win32::faults::Plan{.at = at, .span = span});
      if (Property(thanks, mTanvelo::kHotkeyProperty) == L"Ctrl+Alt+T") continue;
      ++unshown;
      bool told = false;
      for (size_t i = from; i < support::library::Log().size(); ++i) {
        const auto& e = support::library::Log()[i];
        told = told || (e.level >= kLevelError && e.text.find(subject) != std::wstring::npos);
      }
      EXPECT_TRUE(told) << span << " refusals from call " << at;
    }
  EXPECT_GT(unshown, 0) << "no run left the key unshown";
}

}  // namespace

TEST_F(HotkeyDialog, ATemplateRefusedPastEveryTryKeepsItsHotkeyWholeOrIsNamed) {
  // Outlook refused the template: Remove took the binding from the registry and left the key on
  // the template, OK bound a key the template never showed, and neither said a word.
  mTanvelo::SetHotkeyProperties(thanks, L"Ctrl+Alt+R", g_oLang->Item(L"HOT_KEY_ACTION_TV"));
  Hotkeys().SaveToReg();
  for (const bool remove : {true, false}) {
    auto item = remove ? thanks : welcome;
    auto pick = [&](forms::User& u) {
      if (remove) return;
      u.SelectItem(L"cboLetters", 'W' - 'A');
      u.Choose(L"optAlt");
      u.Choose(L"optReply");
    };
    auto restore = [&] {
      mTanvelo::SetHotkeyProperties(thanks, L"Ctrl+Alt+R", g_oLang->Item(L"HOT_KEY_ACTION_TV"));
      mTanvelo::RemoveHotkeyProperties(welcome, true);
      Hotkeys().LoadFromReg();
      while (Hotkeys().Count()) Hotkeys().Remove(1);
      Hotkeys().Add(Id(thanks), 1, 'R', false, true, true);
      Hotkeys().SaveToReg();
    };
    auto run = [&](win32::faults::Plan plan) {
      std::wstring result;
      Show(
          item,
          [&](forms::User& u) {
            pick(u);
            win32::faults::Start(plan);
            u.Click(remove ? L"btnRemove" : L"btnOK");
            win32::faults::Stop();
          },
          result);
    };
    restore();
    run({.countOnly = true});
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_GT(calls, 0u);
    for (uint64_t at = 1; at <= calls; ++at) {
      restore();
      const size_t from = support::library::Log().size();
      run({.at = at, .span = uint64_t{kHeldTries}});
      const std::wstring subject = remove ? L"thanks" : L"Welcome";
      bool stored = false;
      for (const auto& key : StoredKeys())
        stored = stored || key.find(Id(item)) != std::wstring::npos;
      const bool shown = Property(item, mTanvelo::kHotkeyProperty) != L"" &&
                         Property(item, mTanvelo::kHotkeyProperty) != L"(none)";
      EXPECT_TRUE(stored == shown || refused::Told(from, {subject}))
          << (remove ? "Remove" : "OK") << ", " << kHeldTries << " refusals from call " << at
          << ": stored " << stored << ", shown " << shown;
    }
  }
}
