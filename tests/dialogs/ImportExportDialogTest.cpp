#include "core/COptions.h"
#include "dialogs/frmImportExport.h"
#include "dialogs/mForms.h"
#include "platform/outlook/Explorer.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Shell.h"
#include "tests/dialogs/ImportExportTest.h"

namespace {

using forms::User;

class ImportExportDialogTest : public ImportExportTest {
 protected:
  void SetUp() override {
    ImportExportTest::SetUp();
    mForms::ConnectEngineServices();
    offers = AddFolder(templates, L"Offers");
    AddPlain(offers, L"One", L"1");
    AddPlain(offers, L"Two", L"2");
    AddPlain(offers, L"Three", L"3");
    Store(true, offers->EntryID(), L"C:\\Export", true, 0);
  }

  static void Store(bool exporting, const std::wstring& folder, const std::wstring& path,
                    bool subfolders, int32_t conflict) {
    ImportExportOptions o{true, folder, path, subfolders, conflict};
    if (exporting)
      Options().SetExportOptions(o);
    else
      Options().SetImportOptions(o);
  }

  static forms::Control& C(User& u, const wchar_t* name) { return *u.GetForm().FindControl(name); }
  template <class T>
  static T& Get(User& u, const wchar_t* name) {
    return *u.GetForm().Get<T>(name);
  }

  void ShowExport(forms::Script script) {
    forms::QueueScript(L"frmExport", std::move(script));
    mForms::ShowExportDialog();
    EXPECT_EQ(forms::PendingScripts(L"frmExport"), 0u);
  }

  std::shared_ptr<outlook::MAPIFolder> offers;
};

}  // namespace

TEST_F(ImportExportDialogTest, LoadingPrefersTheFolderOnScreenAndClearsWhatIsGone) {
  auto other = AddFolder(templates, L"Other");
  p.app->ActiveExplorer()->SetCurrentFolder(other);
  ShowExport([&](User& u) {
    EXPECT_EQ(u.GetForm().Caption(), L"Tanvelo Templates - Export");
    EXPECT_EQ(Get<forms::TextBox>(u, L"txtOutlookFolder").Text(), GetFolderPath(other));
    EXPECT_EQ(Get<forms::TextBox>(u, L"txtWindowsFolder").Text(), L"C:\\Export");
    EXPECT_EQ(Get<forms::CheckBox>(u, L"chkIncludeSubFolders").Value(), 1);
    EXPECT_TRUE(Get<forms::OptionButton>(u, L"optDuplicate").Value());
    EXPECT_FALSE(C(u, L"picProgress").Visible());
    EXPECT_TRUE(C(u, L"btnExport").Enabled());
    u.Click(L"btnCancel");
  });
  EXPECT_FALSE(g_ImportExportParams.bValid);

  // A stored folder outside the templates tree is not offered, nor is an unknown rule.
  p.app->ActiveExplorer()->SetCurrentFolder(p.inbox);
  Store(false, p.inbox->EntryID(), L"C:\\Export", false, 5);
  forms::QueueScript(L"frmImport", [&](User& u) {
    EXPECT_EQ(Get<forms::TextBox>(u, L"txtOutlookFolder").Text(), L"");
    EXPECT_EQ(Get<forms::CheckBox>(u, L"chkIncludeSubFolders").Value(), 0);
    EXPECT_TRUE(Get<forms::OptionButton>(u, L"optDuplicate").Value());
    EXPECT_FALSE(C(u, L"btnImport").Enabled());
    u.Click(L"btnCancel");
  });
  mForms::ShowImportDialog();
  EXPECT_TRUE(Logged(L"frmImport::Form_Load", L"invalid conflict resolution = 5"));
}

TEST_F(ImportExportDialogTest, TheActionWaitsForAnExistingWindowsFolder) {
  Store(true, offers->EntryID(), L"", true, 1);
  ShowExport([&](User& u) {
    EXPECT_FALSE(C(u, L"btnExport").Enabled());
    EXPECT_TRUE(Get<forms::OptionButton>(u, L"optReplace").Value());
    u.Type(L"txtWindowsFolder", L"C:\\Nowhere");
    EXPECT_FALSE(C(u, L"btnExport").Enabled());
    u.Type(L"txtWindowsFolder", L"c:\\export");
    EXPECT_TRUE(C(u, L"btnExport").Enabled());
    win32::shell::AnswerBrowse(std::nullopt);  // the user cancels the folder browser
    u.Click(L"btnOpenWindowsFolder");
    EXPECT_EQ(Get<forms::TextBox>(u, L"txtWindowsFolder").Text(), L"c:\\export");
    u.PressEsc();
  });
}

TEST_F(ImportExportDialogTest, ARunStoresTheSettingsAndSaysWhatWasDone) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Two.dot", "older"));
  ShowExport([&](User& u) {
    u.Choose(L"optLeave");
    u.SetChecked(L"chkIncludeSubFolders", false);
    u.Click(L"btnExport");
    EXPECT_TRUE(C(u, L"picProgress").Visible());
    EXPECT_FALSE(C(u, L"txtWindowsFolder").Enabled());
    EXPECT_FALSE(C(u, L"optLeave").Enabled());
    EXPECT_FALSE(C(u, L"btnExport").Enabled());
    EXPECT_TRUE(C(u, L"btnHelp").Enabled());
    EXPECT_EQ(C(u, L"lblProgress").Caption(),
              L"The export is complete. Templates exported: 2. Left as they were: 1. Failed: 0 "
              L"(the log tells why).");
    EXPECT_EQ(C(u, L"btnCancel").Caption(), L"OK");
    EXPECT_EQ(Get<forms::ProgressBar>(u, L"ctlProgress").Value(), 3);
    u.Click(L"btnCancel");
  });
  ImportExportOptions stored;
  Options().GetExportOptions(stored);
  EXPECT_EQ(stored.nConflict, 2);
  EXPECT_FALSE(stored.bIncludeSubFolders);
  EXPECT_EQ(stored.sWindowsFolder, L"C:\\Export");
  EXPECT_EQ(stored.sOutlookFolderEntryID, offers->EntryID());
  EXPECT_FALSE(g_ImportExportParams.bValid);
}

TEST_F(ImportExportDialogTest, FailuresAndARunThatCouldNotStartAreToldNotPassedAsSuccess) {
  word::Faults().saveFails = true;
  ShowExport([&](User& u) {
    u.Click(L"btnExport");
    EXPECT_EQ(C(u, L"lblProgress").Caption(),
              L"Templates exported: 0. Left as they were: 0. Failed: 3 (the log tells why).");
    u.Click(L"btnCancel");
  });
  word::Faults().saveFails = false;
  word::Faults().createFails = true;
  Store(false, offers->EntryID(), L"C:\\Export", true, 0);
  forms::QueueScript(L"frmImport", [&](User& u) {
    u.Click(L"btnImport");
    EXPECT_EQ(C(u, L"lblProgress").Caption(),
              L"The import could not start: the chosen folders or Microsoft Word could not be "
              L"reached. Nothing was imported.");
    u.Click(L"btnCancel");
  });
  mForms::ShowImportDialog();
}

TEST_F(ImportExportDialogTest, CancelAsksAndStopsAfterTheCurrentTemplateOnlyOnYes) {
  ShowExport([&](User& u) {
    win32::clock::SetTimer(0, [&] {
      win32::msgbox::Answer(win32::IDNO);
      u.Click(L"btnCancel");
    });
    u.Click(L"btnExport");
    EXPECT_EQ(win32::msgbox::Shown().back().style, 36u);
    EXPECT_EQ(win32::msgbox::Shown().back().text, L"Do you want to stop the export?");
    EXPECT_EQ(Listing(L"C:\\Export").size(), 3u);
    u.Click(L"btnCancel");
  });
  ShowExport([&](User& u) {
    win32::clock::SetTimer(0, [&] {
      win32::msgbox::Answer(win32::IDYES);
      u.Click(L"btnCancel");
    });
    u.Click(L"btnExport");
    EXPECT_FALSE(u.GetForm().IsLoaded());  // closed without an end message
  });
  EXPECT_EQ(word::RunningInstances(), 0);
}

TEST_F(ImportExportDialogTest, TheCloseBoxCancelsExportButNeverClosesImport) {
  ShowExport([&](User& u) {
    win32::clock::SetTimer(0, [&] {
      win32::msgbox::Answer(win32::IDNO);
      u.CloseBox();  // during the run: asked, and the window stays
    });
    u.Click(L"btnExport");
    EXPECT_TRUE(u.GetForm().IsLoaded());
    EXPECT_EQ(win32::msgbox::Shown().size(), 1u);
    u.CloseBox();
  });
  Store(false, offers->EntryID(), L"C:\\Export", true, 0);
  forms::QueueScript(L"frmImport", [&](User& u) {
    u.CloseBox();
    EXPECT_TRUE(u.GetForm().IsLoaded());
    u.Click(L"btnCancel");
  });
  mForms::ShowImportDialog();
}

TEST_F(ImportExportDialogTest, ACancelOfTheLastShowDoesNotStopTheNextRun) {
  frmExport form;
  forms::QueueScript(L"frmExport", [&](User& u) {
    win32::clock::SetTimer(0, [&] {
      win32::msgbox::Answer(win32::IDYES);
      u.Click(L"btnCancel");
    });
    u.Click(L"btnExport");
  });
  form.Show(forms::vbModal);
  EXPECT_EQ(Listing(L"C:\\Export").size(), 1u);
  Store(true, offers->EntryID(), L"C:\\Export", true, 1);
  forms::QueueScript(L"frmExport", [&](User& u) {
    u.Click(L"btnExport");
    EXPECT_EQ(Get<forms::ProgressBar>(u, L"ctlProgress").Value(), 3);
    u.Click(L"btnCancel");
  });
  form.Show(forms::vbModal);
  EXPECT_EQ(Listing(L"C:\\Export").size(), 3u);
}

TEST_F(ImportExportDialogTest, WithoutWordNeitherDialogOpens) {
  win32::RegDeleteKeyA(win32::HKEY_CLASSES_ROOT, "Word.Application");
  mForms::ShowExportDialog();
  mForms::ShowImportDialog();
  ASSERT_EQ(win32::msgbox::Shown().size(), 2u);
  EXPECT_EQ(win32::msgbox::Shown()[0].text, LangText(L"STR_NO_OFFICE_WORD"));
}

TEST_F(ImportExportDialogTest, TheCloseBoxWhenIdleIsCancelAndEachLoadForbidsClosingAgain) {
  frmExport form;
  forms::QueueScript(L"frmExport", [&](User& u) {
    u.CloseBox();
    EXPECT_FALSE(u.GetForm().IsLoaded());
  });
  form.Show(forms::vbModal);
  EXPECT_FALSE(g_ImportExportParams.bValid);
  EXPECT_TRUE(Listing(L"C:\\Export").empty());
  EXPECT_TRUE(win32::msgbox::Shown().empty());
  // Shown again, the close box during a run asks and the window stays.
  forms::QueueScript(L"frmExport", [&](User& u) {
    win32::clock::SetTimer(0, [&] {
      win32::msgbox::Answer(win32::IDNO);
      u.CloseBox();
    });
    u.Click(L"btnExport");
    EXPECT_TRUE(u.GetForm().IsLoaded());
    EXPECT_EQ(win32::msgbox::Shown().size(), 1u);
    u.Click(L"btnCancel");
  });
  form.Show(forms::vbModal);
  EXPECT_EQ(Listing(L"C:\\Export").size(), 3u);
}

// Closed by its close box before any run, the dialog is Cancel: nothing is run, started or
// stored, and the settings record says so even when an earlier run had marked it valid.
TEST_F(ImportExportDialogTest, TheCloseBoxOfAnIdleExportDialogRunsAndStoresNothing) {
  g_ImportExportParams.bValid = true;
  ShowExport([&](User& u) {
    u.Choose(L"optReplace");
    u.SetChecked(L"chkIncludeSubFolders", false);
    u.CloseBox();
    EXPECT_FALSE(u.GetForm().IsLoaded());
  });
  EXPECT_FALSE(g_ImportExportParams.bValid);
  ImportExportOptions stored;
  Options().GetExportOptions(stored);
  EXPECT_EQ(stored.nConflict, 0);
  EXPECT_TRUE(stored.bIncludeSubFolders);
  EXPECT_TRUE(Listing(L"C:\\Export").empty());
  EXPECT_TRUE(word::Calls().empty());
  EXPECT_TRUE(win32::msgbox::Shown().empty());
}

TEST_F(ImportExportDialogTest, ALookRefusedOnceKeepsTheUsersChoiceOfFolders) {
  Store(false, offers->EntryID(), L"C:\\Export", true, 0);
  for (uint64_t at = 1; at <= 40; ++at) {
    std::wstring outlookFolder, windowsFolder;
    forms::QueueScript(L"frmImport", [&](User& u) {
      win32::faults::Start({.at = at});
      if (C(u, L"btnImport").Enabled()) u.Click(L"btnImport");
      win32::faults::Stop();
      outlookFolder = Get<forms::TextBox>(u, L"txtOutlookFolder").Text();
      windowsFolder = Get<forms::TextBox>(u, L"txtWindowsFolder").Text();
      u.Click(L"btnCancel");
    });
    mForms::ShowImportDialog();
    EXPECT_EQ(GetFolderPath(offers), outlookFolder) << "call " << at << " failing";
    EXPECT_EQ(L"C:\\Export", windowsFolder) << "call " << at << " failing";
  }
}

TEST_F(ImportExportDialogTest, RefusalsInARowKeepTheChoiceAndAChoiceClearedIsTold) {
  Store(false, offers->EntryID(), L"C:\\Export", true, 0);
  auto click = [&](uint64_t at, uint64_t span) {
    std::wstring outlookFolder;
    forms::QueueScript(L"frmImport", [&](User& u) {
      win32::faults::Start({.at = at, .span = span});
      if (C(u, L"btnImport").Enabled()) u.Click(L"btnImport");
      win32::faults::Stop();
      outlookFolder = Get<forms::TextBox>(u, L"txtOutlookFolder").Text();
      u.Click(L"btnCancel");
    });
    mForms::ShowImportDialog();
    return outlookFolder;
  };
  for (uint64_t span : {3u, 8u})
    for (uint64_t at = 1; at <= 20; ++at)
      EXPECT_EQ(click(at, span), GetFolderPath(offers)) << "calls " << at << " on refused";
  EXPECT_FALSE(Logged(L"frmImport::ValidateInput"));
  // Refused for good: the choice goes, and the click that did nothing says why, in a box.
  const size_t boxes = win32::msgbox::Shown().size();
  EXPECT_EQ(click(1, 10000), L"");
  EXPECT_TRUE(
      testlog::LoggedContaining(L"frmImport::ValidateInput", L"[Outlook folder not found]"));
  ASSERT_EQ(boxes + 1, win32::msgbox::Shown().size());
  EXPECT_EQ(LangText(L"STR_IMPORT_NOT_STARTED"), win32::msgbox::Shown().back().text);
}
