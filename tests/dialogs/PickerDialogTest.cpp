// The picker as a user drives it: preselection, the answer through the launcher, the commands
// on the selected template, the stored size.
#include "platform/forms/User.h"
#include "platform/vb/Settings.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "tests/common/RefusedWrites.h"
#include "tests/dialogs/PickerTest.h"

namespace {

class Picker : public PickerTest {
 protected:
  static bool Enabled(forms::User& u, const std::wstring& name) {
    return u.GetForm().FindControl(name)->Enabled();
  }
  static std::wstring Selected(forms::User& u) {
    auto node = Tree(u).SelectedItem();
    return node ? node->Key() : L"(none)";
  }
};

TEST_F(Picker, PreselectsTheCopyFirstThenTheTemplateThenTheDefaultsCopy) {
  struct Case {
    std::wstring preselect, expected;
  };
  const Case cases[] = {
      {Id(quote), L"F" + Id(quote)},
      {Id(followUp), L"N" + Id(followUp)},
      {Id(oldOffer), L"N" + Id(oldOffer)},  // its folders open so that it shows
      {L"", L"F" + Id(quote)},
      {L"NOSUCHID", L"F" + Id(quote)},
  };
  for (const auto& c : cases) {
    std::wstring id = c.preselect;
    int32_t mode = 1;
    Pick(
        [&](forms::User& u) {
          EXPECT_EQ(Selected(u), c.expected);
          EXPECT_TRUE(Tree(u).SelectedItem()->IsShown());
          EXPECT_TRUE(Tree(u).Roots()[0]->Expanded);
          u.PressEsc();
        },
        id, mode);
  }
  // A default in the root folder has no copy, so nothing is chosen for the user.
  mTanvelo::SetDefaultTemplate(welcome);
  std::wstring id;
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Selected(u), L"(none)");
        EXPECT_FALSE(Enabled(u, L"btnOK"));
        u.PressEsc();
      },
      id, mode);
}

TEST_F(Picker, OkAndDoubleClickAnswerTheTemplateAndTheSendMode) {
  std::wstring id = Id(quote);
  int32_t mode = 0;
  EXPECT_TRUE(Pick(
      [&](forms::User& u) {
        EXPECT_TRUE(u.GetForm().Get<forms::OptionButton>(L"optOneMail")->Value());
        Node(u, sales->EntryID())->Expanded = true;  // its plus sign
        u.SelectNode(L"treFolders", L"N" + Id(followUp));
        u.Choose(L"optSeparateMails");
        u.PressEnter();
      },
      id, mode));
  EXPECT_EQ(id, Id(followUp));
  EXPECT_EQ(mode, 2);

  EXPECT_TRUE(Pick(
      [&](forms::User& u) {
        EXPECT_TRUE(u.GetForm().Get<forms::OptionButton>(L"optSeparateMails")->Value());
        u.DblClickNode(L"treFolders", sales->EntryID());  // a folder is no answer
        EXPECT_TRUE(u.GetForm().Visible());
        EXPECT_FALSE(Enabled(u, L"btnOK"));
        u.Choose(L"optOneMail");
        u.DblClickNode(L"treFolders", L"F" + Id(quote));
      },
      id, mode));
  EXPECT_EQ(id, Id(quote));
  EXPECT_EQ(mode, 1);
}

TEST_F(Picker, CancelAndTheCloseBoxLeaveTheCallersVariables) {
  for (bool closeBox : {false, true}) {
    std::wstring id = Id(prices);
    int32_t mode = 7;
    EXPECT_FALSE(Pick(
        [&](forms::User& u) {
          u.SelectNode(L"treFolders", L"N" + Id(welcome));
          u.Choose(L"optSeparateMails");
          closeBox ? u.CloseBox() : u.Click(L"btnCancel");
        },
        id, mode));
    EXPECT_EQ(id, Id(prices));
    EXPECT_EQ(mode, 7);
    EXPECT_FALSE(mForms::SelectTemplateParams.bOK);
  }
}

TEST_F(Picker, TheOptionMaskDecidesWhichSendModesCanBeChosen) {
  struct Case {
    int32_t mask, mode;
    bool one, separate;
    int32_t answered;
  };
  for (const Case c : {Case{0, 2, false, false, 2}, Case{1, 0, true, false, 1},
                       Case{2, 2, false, true, 2}, Case{3, 1, true, true, 1}}) {
    std::wstring id = Id(welcome);
    int32_t mode = c.mode;
    EXPECT_TRUE(Pick(
        [&](forms::User& u) {
          auto one = u.GetForm().Get<forms::OptionButton>(L"optOneMail");
          auto separate = u.GetForm().Get<forms::OptionButton>(L"optSeparateMails");
          EXPECT_EQ(one->CanUserReach(), c.one) << c.mask;
          EXPECT_EQ(separate->CanUserReach(), c.separate) << c.mask;
          EXPECT_EQ(u.GetForm().FindControl(L"fraOptions")->Enabled(), c.mask != 0);
          u.PressEnter();
        },
        id, mode, c.mask));
    EXPECT_EQ(mode, c.answered) << c.mask;
  }
}

TEST_F(Picker, FavouritesAndTheDefaultAreManagedInPlace) {
  std::wstring id = Id(quote);
  int32_t mode = 1;
  EXPECT_FALSE(Pick(
      [&](forms::User& u) {
        // The default cannot stop being a favourite; a favourite cannot be moved.
        EXPECT_FALSE(Enabled(u, L"btnFavorite"));
        EXPECT_FALSE(Enabled(u, L"btnMove"));
        EXPECT_EQ(Button(u, L"btnDefault").Caption(), g_oLang->Item(L"STR_DEFAULT_OFF"));
        EXPECT_EQ(Button(u, L"btnFavorite").Caption(), g_oLang->Item(L"STR_FAVORITE_OFF"));

        Node(u, sales->EntryID())->Expanded = true;
        u.SelectNode(L"treFolders", L"N" + Id(followUp));
        EXPECT_EQ(Button(u, L"btnFavorite").ToolTipText(), g_oLang->Item(L"STR_FAVORITE_ON_TT"));
        EXPECT_TRUE(Enabled(u, L"btnMove"));
        u.Click(L"btnFavorite");
        EXPECT_EQ(Selected(u), L"N" + Id(followUp));
        EXPECT_EQ(Children(Tree(u).Roots()[0]),
                  L"Quote|Follow-up|thanks (Ctrl+Alt+R)|Welcome|Sales|Support");
        EXPECT_EQ(Button(u, L"btnFavorite").Caption(), g_oLang->Item(L"STR_FAVORITE_OFF"));
        EXPECT_FALSE(Enabled(u, L"btnMove"));

        // A new default: the former one loses its bold text and its first place.
        u.SelectNode(L"treFolders", L"F" + Id(followUp));
        u.Click(L"btnDefault");
        EXPECT_EQ(Selected(u), L"F" + Id(followUp));
        EXPECT_EQ(Children(Tree(u).Roots()[0]),
                  L"Follow-up|Quote|thanks (Ctrl+Alt+R)|Welcome|Sales|Support");
        EXPECT_TRUE(Node(u, L"F" + Id(followUp))->Bold);
        EXPECT_FALSE(Node(u, L"F" + Id(quote))->Bold);
        EXPECT_FALSE(Node(u, L"N" + Id(quote))->Bold);
        EXPECT_EQ(Button(u, L"btnDefault").ToolTipText(), g_oLang->Item(L"STR_DEFAULT_OFF_TT"));

        // The former default is still a favourite and can be unmarked now.
        u.SelectNode(L"treFolders", L"F" + Id(quote));
        u.Click(L"btnFavorite");
        EXPECT_EQ(Selected(u), L"N" + Id(quote)) << "its copy is gone";
        EXPECT_EQ(Children(Node(u, sales->EntryID())), L"Follow-up|Price list|Quote|Archive");
        u.PressEsc();
      },
      id, mode));
  // What the commands changed stays although the dialog was cancelled.
  EXPECT_EQ(Options().DefaultTemplateID(), Id(followUp));
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(followUp));
  EXPECT_FALSE(mTanvelo::IsFavoriteTemplate(quote));
}

TEST_F(Picker, ClearingTheDefaultKeepsItsFavouriteMark) {
  std::wstring id = Id(quote);
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        u.Click(L"btnDefault");
        EXPECT_EQ(Button(u, L"btnDefault").Caption(), g_oLang->Item(L"STR_DEFAULT_ON"));
        EXPECT_FALSE(Node(u, L"F" + Id(quote))->Bold);
        EXPECT_TRUE(Enabled(u, L"btnFavorite"));
        u.PressEsc();
      },
      id, mode);
  EXPECT_EQ(Options().DefaultTemplateID(), L"");
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(quote));
}

TEST_F(Picker, ASortThatFailsLeavesNoRankInAnyText) {
  std::wstring id = Id(followUp);
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        Tree(u).FailNextSort(5);
        u.Click(L"btnFavorite");
        for (const auto& node : Tree(u).Nodes().All()) {
          ASSERT_FALSE(node->Text.empty());
          EXPECT_TRUE(node->Text[0] < L'0' || node->Text[0] > L'9') << win32::ToAnsi(node->Text);
        }
        u.PressEsc();
      },
      id, mode);
  EXPECT_TRUE(Logged(L"frmSelectTemplate::SortTree"));
}

TEST_F(Picker, MoveTakesTheHotkeyAlongAndSelectsTheTemplateInItsNewFolder) {
  p.session->SetMoveAlwaysChangesEntryID(true);
  Hotkeys().Add(Id(followUp), 4, 'F', true, false, true);
  Hotkeys().SaveToReg();
  std::wstring oldId = Id(followUp), id = oldId;
  int32_t mode = 1;
  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    EXPECT_EQ(u.GetForm().Get<forms::TreeView>(L"treFolders")->SelectedItem()->Key(),
              sales->EntryID());
    u.PressEsc();  // cancelled: nothing moves
  });
  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    u.GetForm().Get<forms::TreeView>(L"treFolders")->Nodes().Item(sales->EntryID())->Expanded =
        true;
    u.DblClickNode(L"treFolders", archive->EntryID());
  });
  EXPECT_TRUE(Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Node(u, L"N" + oldId)->Text, L"Follow-up (Ctrl+Shift+F)");
        u.Click(L"btnMove");
        EXPECT_EQ(Selected(u), L"N" + oldId);
        u.Click(L"btnMove");
        auto node = Tree(u).SelectedItem();
        EXPECT_NE(node->Key(), L"N" + oldId);
        EXPECT_EQ(node->Parent()->Key(), archive->EntryID());
        EXPECT_EQ(node->Text, L"Follow-up (Ctrl+Shift+F)");
        EXPECT_EQ(Children(Node(u, archive->EntryID())), L"Follow-up (Ctrl+Shift+F)|Old offer");
        EXPECT_THROW(Node(u, L"N" + oldId), vb::Error);
        u.Click(L"btnOK");  // Enter would go to btnMove, which has the focus now
      },
      id, mode));
  auto moved = mTanvelo::GetTemplate(id);
  ASSERT_TRUE(moved);
  EXPECT_NE(id, oldId);
  EXPECT_EQ(moved->Parent()->EntryID(), archive->EntryID());
  int32_t position = 0;
  EXPECT_EQ(Hotkeys().FindByTemplate(oldId, position), nullptr);
  auto hotkey = Hotkeys().FindByTemplate(id, position);
  ASSERT_TRUE(hotkey);
  EXPECT_EQ(hotkey->DisplayKeyName(), L"Ctrl+Shift+F");
  EXPECT_EQ(hotkey->Action, 4);
  CHotkeys stored;
  stored.LoadFromReg();
  EXPECT_EQ(stored.Count(), 2);
  EXPECT_TRUE(stored.FindByTemplate(id, position));
  EXPECT_FALSE(stored.FindByTemplate(oldId, position));
}

TEST_F(Picker, MovingTheDefaultKeepsItTheDefault) {
  p.session->SetMoveAlwaysChangesEntryID(true);
  mTanvelo::UnmarkFavoriteTemplate(quote, true);  // elsewhere, so Move is offered
  std::wstring id = Id(quote);
  int32_t mode = 1;
  forms::QueueScript(L"frmBrowseFolder",
                     [&](forms::User& u) { u.DblClickNode(L"treFolders", support->EntryID()); });
  Pick(
      [&](forms::User& u) {
        u.SelectNode(L"treFolders", L"N" + Id(quote));
        u.Click(L"btnMove");
        EXPECT_TRUE(Tree(u).SelectedItem()->Bold);
        EXPECT_EQ(Button(u, L"btnDefault").Caption(), g_oLang->Item(L"STR_DEFAULT_OFF"));
        u.PressEsc();
      },
      id, mode);
  auto moved = mTanvelo::GetTemplate(Options().DefaultTemplateID());
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->Parent()->EntryID(), support->EntryID());
}

TEST_F(Picker, EditOpensTheTemplateModallyAndAnswersWhenTheDialogFinallyCloses) {
  std::wstring id = Id(welcome);
  int32_t mode = 1;
  bool nestedAnswer = true;
  p.app->QueueModalInspectorScript([&](std::shared_ptr<outlook::Inspector> inspector) {
    // A second show of the picker while the first waits is refused.
    std::wstring other = Id(prices);
    int32_t otherMode = 2;
    nestedAnswer = mForms::ShowSelectTemplate(other, otherMode, 3, false);
    EXPECT_EQ(other, Id(prices));
    inspector->CurrentItem()->SetSubject(L"Welcome aboard");
    inspector->Close(outlook::olSave);
  });
  forms::QueueScript(L"frmSelectTemplate", [&](forms::User& u) { u.Click(L"btnEdit"); });
  EXPECT_TRUE(Pick(
      [&](forms::User& u) {  // the same dialog, shown again after the edit
        EXPECT_EQ(Selected(u), L"N" + Id(welcome));
        EXPECT_EQ(Node(u, L"N" + Id(welcome))->Text, L"Welcome aboard");
        u.Choose(L"optSeparateMails");
        u.PressEnter();
      },
      id, mode));
  EXPECT_EQ(id, Id(welcome));
  EXPECT_EQ(mode, 2);
  EXPECT_FALSE(nestedAnswer);
  EXPECT_TRUE(Logged(L"mForms::ShowSelectTemplate", L"already showing"));
}

TEST_F(Picker, ASizeStoredUnderRegistryRefusalsIsKeptOrTold) {
  auto stored = [](const wchar_t* name) {
    return vb::GetSetting(L"Tanvelo", L"frmSelectTemplate", name, L"(none)");
  };
  std::wstring id;
  int32_t mode = 1;
  // The picker opened at its first size, made `extra` twips larger each way and closed with
  // `plan` on from the Esc.
  auto close = [&](const win32::faults::Plan& plan, int32_t extra) {
    vb::SaveSetting(L"Tanvelo", L"frmSelectTemplate", L"ClientWidth", L"5205");
    vb::SaveSetting(L"Tanvelo", L"frmSelectTemplate", L"ClientHeight", L"4965");
    Pick(
        [&](forms::User& u) {
          u.Resize(u.GetForm().Width() + extra, u.GetForm().Height() + extra);
          win32::faults::Start(plan);
          u.PressEsc();
        },
        id, mode);
    win32::faults::Stop();
  };
  close({.countOnly = true}, 15);
  const uint64_t calls = win32::faults::Counts().calls;
  const auto registry = static_cast<size_t>(win32::faults::Surface::Registry);
  int runs = 0, told = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    close({.at = at}, 15);
    if (win32::faults::Counts().raisedBy[registry] != 1) continue;
    ++runs;
    for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
      const int32_t extra = 15 * static_cast<int32_t>(at + span);
      const std::wstring width = std::to_wstring(5205 + extra),
                         height = std::to_wstring(4965 + extra);
      const size_t from = support::library::Log().size();
      close({.at = at, .span = span}, extra);
      const bool kept = stored(L"ClientWidth") == width && stored(L"ClientHeight") == height;
      const bool toldNow =
          refused::Told(from, {L"not written", L"frmSelectTemplate \"ClientWidth\"",
                               L"\"" + width + L"\""}) ||
          refused::Told(from, {L"not written", L"frmSelectTemplate \"ClientHeight\"",
                               L"\"" + height + L"\""});
      told += toldNow;
      if (span < uint64_t{kHeldTries})
        EXPECT_TRUE(kept) << span << " refusals from call " << at;
      else
        EXPECT_TRUE(kept || toldNow) << span << " refusals from call " << at;
    }
  }
  EXPECT_GT(runs, 0);
  EXPECT_GT(told, 0);
}

TEST_F(Picker, TheSizeIsStoredAndTheFrameNeverGoesBelowTheMinimum) {
  auto stored = [](const wchar_t* name) {
    return vb::GetSetting(L"Tanvelo", L"frmSelectTemplate", name, L"(none)");
  };
  std::wstring id;
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        auto& form = u.GetForm();
        EXPECT_EQ(form.ScaleWidth(), 5205);
        EXPECT_EQ(form.ScaleHeight(), 4965);
        EXPECT_EQ(Tree(u).Width(), 3495);
        EXPECT_EQ(Tree(u).Height(), 2775);
        EXPECT_EQ(Button(u, L"btnMove").Left(), 3840);
        EXPECT_EQ(Button(u, L"btnCancel").Top(), 4440);
        u.Resize(form.Width() + 1500, form.Height() + 750);
        EXPECT_EQ(Tree(u).Width(), 4995);
        EXPECT_EQ(Button(u, L"btnHelp").Top(), 5190);
        u.PressEsc();
      },
      id, mode);
  EXPECT_EQ(stored(L"ClientWidth"), L"6705");
  EXPECT_EQ(stored(L"ClientHeight"), L"5715");

  Pick(
      [&](forms::User& u) {
        auto& form = u.GetForm();
        EXPECT_EQ(form.ScaleWidth(), 6705);
        EXPECT_EQ(form.ScaleHeight(), 5715);
        u.Resize(1500, 1500);  // stops at the minimum client area
        EXPECT_EQ(form.ScaleWidth(), 5205);
        EXPECT_EQ(form.ScaleHeight(), 4965);
        u.PressEsc();
      },
      id, mode);
  EXPECT_EQ(stored(L"ClientWidth"), L"5205");

  vb::SaveSetting(L"Tanvelo", L"frmSelectTemplate", L"ClientWidth", L"wide");
  Pick(
      [&](forms::User& u) {
        EXPECT_EQ(u.GetForm().ScaleWidth(), 5205) << "the designed size";
        u.PressEsc();
      },
      id, mode);
}

TEST_F(Picker, AHotkeyTakenFromAnotherTemplateRecaptionsBoth) {
  std::wstring id = Id(welcome);
  int32_t mode = 1;
  forms::QueueScript(L"frmHotkey", [&](forms::User& u) {
    u.SelectItem(L"cboLetters", 'R' - 'A');
    win32::msgbox::Answer(win32::IDYES);
    u.PressEnter();
  });
  Pick(
      [&](forms::User& u) {
        u.Click(L"btnHotkey");
        EXPECT_EQ(Node(u, L"N" + Id(welcome))->Text, L"Welcome (Ctrl+Alt+R)");
        EXPECT_EQ(Node(u, L"N" + Id(thanks))->Text, L"thanks");
        u.PressEsc();
      },
      id, mode);
}

TEST_F(Picker, WithoutTemplatesFolderItOpensEmptyAndAnswersNothing) {
  g_oTemplatesFolder.reset();
  std::wstring id = Id(welcome);
  int32_t mode = 2;
  EXPECT_FALSE(Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Tree(u).Nodes().Count(), 0);
        EXPECT_FALSE(Enabled(u, L"btnOK"));
        u.PressEsc();
      },
      id, mode));
  EXPECT_EQ(id, Id(welcome));
  EXPECT_EQ(mode, 2);
  EXPECT_TRUE(Logged(L"frmSelectTemplate::FillNode"));
}

TEST_F(Picker, TheTreeShowsNoTipsOverItsNodes) {
  std::wstring id = Id(welcome);
  int32_t mode = 1;
  forms::QueueScript(L"frmSelectTemplate", [&](forms::User& u) {
    win32::HWND tree = u.GetForm().Get<forms::TreeView>(L"treFolders")->hWnd();
    ASSERT_NE(tree, 0u);
    auto style = static_cast<uint32_t>(win32::GetWindowLongA(tree, win32::GWL_STYLE));
    EXPECT_EQ(style & forms::TVS_NOTOOLTIPS, forms::TVS_NOTOOLTIPS);
    EXPECT_EQ(style & forms::TVS_HASLINES, forms::TVS_HASLINES) << "its other styles stay";
    u.PressEsc();
  });
  mForms::ShowSelectTemplate(id, mode, 3, false);
}

TEST_F(Picker, FocusTreeMakesItTopmostWithTheFocusInTheTree) {
  for (bool focusTree : {false, true}) {
    std::wstring id = Id(welcome);
    int32_t mode = 1;
    forms::QueueScript(L"frmSelectTemplate", [&](forms::User& u) {
      bool topmost =
          (win32::GetWindowLongA(u.GetForm().hWnd(), win32::GWL_EXSTYLE) & win32::WS_EX_TOPMOST);
      EXPECT_EQ(topmost, focusTree);
      auto* active = u.GetForm().ActiveControl();
      EXPECT_EQ(active && active->Name() == L"treFolders", focusTree);
      u.PressEsc();
    });
    mForms::ShowSelectTemplate(id, mode, 3, focusTree);
  }
}

}  // namespace

// The registry refusing the default a moment longer than it is asked: a clear never makes it
// the default again, and a move never leaves it on a template that is gone, untold.
TEST_F(Picker, AClearOrAMoveWhoseReadOfTheDefaultIsRefusedIsNeverUndoneUntold) {
  p.session->SetMoveAlwaysChangesEntryID(true);
  mTanvelo::UnmarkFavoriteTemplate(quote, true);  // elsewhere, so Move is offered
  auto run = [&](const wchar_t* button, const win32::faults::Plan& plan) {
    // Moved, the template is a new item: found again by its subject.
    std::shared_ptr<outlook::Item> current;
    for (const auto& folder : {sales, support})
      for (const auto& item : folder->Items()->All())
        if (item->Subject() == L"Quote") current = item;
    ASSERT_TRUE(current);
    mTanvelo::SetDefaultTemplate(current);
    mTanvelo::UnmarkFavoriteTemplate(current, true);
    std::wstring id = Id(current);
    int32_t mode = 1;
    // A browser a refused move never opened still answers the next one.
    if (std::wstring(button) == L"btnMove" && forms::PendingScripts(L"frmBrowseFolder") == 0) {
      const std::wstring target =
          (current->Parent()->EntryID() == support->EntryID() ? sales : support)->EntryID();
      forms::QueueScript(L"frmBrowseFolder",
                         [target](forms::User& u) { u.DblClickNode(L"treFolders", target); });
    }
    Pick(
        [&](forms::User& u) {
          u.SelectNode(L"treFolders", L"N" + id);
          win32::faults::Start(plan);
          u.Click(button);
          win32::faults::Stop();
          u.PressEsc();
        },
        id, mode);
  };
  int told = 0;
  for (const wchar_t* button : {L"btnDefault", L"btnMove"}) {
    run(button, {.countOnly = true});
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_GT(calls, 0u);
    for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
      for (uint64_t at = 1; at <= calls; ++at) {
        const size_t from = support::library::Log().size();
        run(button, {.at = at, .span = span});
        const std::wstring where = std::wstring(button) + L" " + std::to_wstring(span) +
                                   L" refusals from call " + std::to_wstring(at);
        const std::wstring now = Options().DefaultTemplateID();
        const bool wrong = std::wstring(button) == L"btnDefault"
                               ? !now.empty()
                               : !now.empty() && !mTanvelo::GetTemplate(now);
        if (!wrong) continue;
        const bool toldNow = refused::Told(from, {L"\"Quote\"", L"default template"}) ||
                             refused::Told(from, {L"not written", L"\"DefaultTemplateID\""});
        EXPECT_TRUE(toldNow) << where;
        told += toldNow;
      }
  }
  EXPECT_GT(told, 0);
}
