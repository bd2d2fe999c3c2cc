// The options dialog (stored at OK only, boxes disabled where the ribbon rules) and the debug
// dialog (each switch stored at its click, help by name, problem report, command-bar dump).
#include <algorithm>
#include <stdexcept>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "dialogs/frmDebug.h"
#include "dialogs/frmOptions.h"
#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "tests/common/Source.h"
#include "tests/dialogs/DialogTest.h"

namespace {

class OptionsDialog : public DialogTest {
 protected:
  std::wstring Version() const override { return L"11.0.0.8010"; }
  // A DWORD of the per-profile key; -1 when it is not there.
  static int32_t Stored(const std::wstring& name) {
    CWinReg key;
    if (!key.InitForRead(CWinReg::HKEY_CURRENT_USER, Options().GetProfileRegPath())) return -1;
    return key.GetDWordValue(name, -1);
  }
  static forms::CheckBox& Box(forms::User& u, const wchar_t* name) {
    return *u.GetForm().Get<forms::CheckBox>(name);
  }
  static bool Helped(const std::wstring& topic) {
    for (const auto& call : support::library::Calls())
      if (call.function == "LibNorvaneShowContextHelp" && call.argument == topic) return true;
    return false;
  }
};

TEST_F(OptionsDialog, OKStoresAllThreeBoxesForwardUnderItsOldName) {
  Options().SetHideTanveloBtn(true);
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    EXPECT_EQ(Box(u, L"chkHideTanvelo").Value(), forms::vbChecked);
    EXPECT_TRUE(Box(u, L"chkHideForwardWith").Enabled()) << "Outlook 2003 has the toolbars";
    u.SetChecked(L"chkHideTanvelo", false);
    u.SetChecked(L"chkHideForwardWith", true);
    u.Click(L"btnHelp");
    EXPECT_TRUE(u.GetForm().IsLoaded()) << "help leaves the dialog open";
    u.Click(L"btnOK");
  });
  ShowOptionsDialog();
  EXPECT_EQ(Stored(L"HideReplyAllWithBtnBtn"), 1);
  EXPECT_EQ(Stored(L"HideTanveloBtn"), 0);
  EXPECT_EQ(Stored(L"HideReplyAllWithBtn"), 0);
  EXPECT_TRUE(Helped(L"Access_Tanvelo_Options.htm"));
}

TEST_F(OptionsDialog, CancelAndTheCloseBoxStoreNothing) {
  Options().SetHideReplyAllWithBtn(true);
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    u.SetChecked(L"chkHideReplyAllWith", false);
    u.SetChecked(L"chkHideTanvelo", true);
    u.PressEsc();
  });
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    EXPECT_EQ(Box(u, L"chkHideReplyAllWith").Value(), forms::vbChecked) << "the stored value again";
    u.SetChecked(L"chkHideReplyAllWith", false);
    u.CloseBox();
  });
  ShowOptionsDialog();
  ShowOptionsDialog();
  EXPECT_TRUE(Options().HideReplyAllWithBtn());
  EXPECT_FALSE(Options().HideTanveloBtn());
  EXPECT_EQ(Stored(L"HideTanveloBtn"), -1);
}

TEST_F(OptionsDialog, TextsComeFromTheLanguageFile) {
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    EXPECT_EQ(u.GetForm().Caption(), L"Tanvelo Templates - Options");
    EXPECT_EQ(Box(u, L"chkHideReplyAllWith").Caption(),
              L"Hide reply to all with button && menu on Outlook toolbar");
    u.PressEsc();
  });
  ShowOptionsDialog();
  for (const auto& entry : support::library::Log())
    EXPECT_NE(entry.procedure.find(L"CLang"), 0u) << win32::ToAnsi(entry.text);
}

TEST_F(OptionsDialog, TextsOfAnotherLanguageFileReplaceTheBuiltInOnes) {
  std::string bytes = testsource::ReadSourceFile("lang/EN.lng");
  for (auto [from, to] :
       {std::pair<std::string, std::string>{"\"Tanvelo Templates - Options\"", "\"Optionen\""},
        {"\"Hide reply to all with button && menu on Outlook toolbar\"", "\"Allen antworten\""},
        {"btnClose                          = \"Cancel\"", "btnClose = \"Abbrechen\""}}) {
    size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
  }
  const std::string path = win32::ToAnsi(vb::App().Path) + "\\XX.lng";
  ASSERT_TRUE(win32::files::WriteAll(path, bytes));
  g_oLang = std::make_shared<CLang>();
  ASSERT_TRUE(g_oLang->Init(win32::FromAnsi(path), L"Tanvelo"));
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    EXPECT_EQ(u.GetForm().Caption(), L"Optionen");
    EXPECT_EQ(Box(u, L"chkHideReplyAllWith").Caption(), L"Allen antworten");
    EXPECT_EQ(u.GetForm().Get<forms::CommandButton>(L"btnClose")->Caption(), L"Abbrechen");
    u.PressEsc();
  });
  ShowOptionsDialog();
  EXPECT_EQ(forms::PendingScripts(L"frmOptions"), 0u);
}

class OptionsDialog2010 : public OptionsDialog {
 protected:
  std::wstring Version() const override { return L"14.0.0.4760"; }
};

TEST_F(OptionsDialog2010, TheBoxesShowWhatIsStoredAndOKWritesItBack) {
  Options().SetHideForwardWithBtn(true);
  forms::QueueScript(L"frmOptions", [](forms::User& u) {
    EXPECT_FALSE(Box(u, L"chkHideTanvelo").Enabled());
    EXPECT_FALSE(Box(u, L"chkHideForwardWith").Enabled());
    EXPECT_EQ(Box(u, L"chkHideForwardWith").Value(), forms::vbChecked);
    EXPECT_THROW(u.SetChecked(L"chkHideTanvelo", true), forms::ActionRefused);
    u.Click(L"btnOK");
  });
  ShowOptionsDialog();
  EXPECT_EQ(Stored(L"HideReplyAllWithBtnBtn"), 1);
  EXPECT_EQ(Stored(L"HideTanveloBtn"), 0);
}

// --- Debug dialog ------------------------------------------------------------------------------

class DebugDialog : public OptionsDialog {
 protected:
  // The dialog is not modal: the user acts on it while it stays open.
  frmDebug& Open() {
    ShowDebugDialog();
    for (forms::Form* form : forms::LoadedForms())
      if (form->Name() == L"frmDebug") return static_cast<frmDebug&>(*form);
    throw std::logic_error("frmDebug not loaded");
  }
  static int32_t Base(const std::wstring& name) {
    CWinReg key;
    if (!key.InitForRead(CWinReg::HKEY_CURRENT_USER, Options().GetRegPath())) return -1;
    return key.GetDWordValue(name, -1);
  }
};

TEST_F(DebugDialog, EachSwitchIsStoredAtItsClickAndStaysAfterClose) {
  Options().SetUseKeyboardHook(true);
  auto& form = Open();
  forms::User u(form);
  EXPECT_EQ(Box(u, L"chkUseKeyboardHook").Value(), forms::vbChecked);
  EXPECT_EQ(form.Caption(), L"Debug") << "fixed English, not from the language file";
  u.SetChecked(L"chkShowImportExportTempFiles", true);
  EXPECT_EQ(Base(L"ShowImportExportTempFiles"), 1) << "at once";
  u.SetChecked(L"chkUseKeyboardHook", false);
  u.SetChecked(L"chkUseDebugButton", true);
  u.Click(L"btnClose");
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(Options().ShowImportExportTempFiles());
  EXPECT_FALSE(Options().UseKeyboardHook());
  EXPECT_TRUE(Options().UseDebugButton());
}

TEST_F(DebugDialog, OnOutlook2003TheVersionSwitchesShowButCannotChange) {
  Options().SetShowOldControlsOn2010(true);
  auto& form = Open();
  forms::User u(form);
  EXPECT_FALSE(Box(u, L"chkShowOldControlsOn2007").Enabled());
  EXPECT_FALSE(Box(u, L"chkShowOldControlsOn2010").Enabled());
  EXPECT_EQ(Box(u, L"chkShowOldControlsOn2010").Value(), forms::vbChecked);
  EXPECT_THROW(u.Click(L"chkShowOldControlsOn2010"), forms::ActionRefused);
  EXPECT_TRUE(Options().ShowOldControlsOn2010());
}

TEST_F(DebugDialog, HelpByAnyNameAndTheReportAfterClosing) {
  auto& form = Open();
  forms::User u(form);
  u.Type(L"txtContextHelpLink", L"");
  u.Click(L"btnShowHelp");
  EXPECT_TRUE(Helped(L"")) << "even an empty name goes to the help";
  u.Click(L"btnBugReport");
  EXPECT_FALSE(form.IsLoaded());
  ASSERT_FALSE(support::library::Calls().empty());
  EXPECT_EQ(support::library::Calls().back().function, "LibNorvaneReportProblem");
  // The report window must not open under the dialog that started it.
  EXPECT_TRUE(support::library::Calls().back().formsShown.empty());
}

TEST_F(DebugDialog, TheTestButtonListsTheExplorersBarsAndTheirTopControls) {
  auto bars = office::MakeExplorerCommandBars();
  g_oApp->ActiveExplorer()->SetCommandBars(bars);
  auto& form = Open();
  forms::User u(form);
  u.Click(L"btnTest");
  std::vector<std::wstring> lines;
  for (const auto& e : support::library::Log())
    if (e.procedure == L"Test") lines.push_back(e.text);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], L"CommandBar[1].Name = " + bars->Item(1)->Name());
  size_t expected = 0;
  for (int32_t i = 1; i <= bars->Count(); ++i)
    expected += 1 + 2 * bars->Item(i)->Controls().Count();
  EXPECT_EQ(lines.size(), expected) << "popups are not descended into";
  auto standard = bars->Item(L"Standard");
  auto first = standard->Controls().Item(1);
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), L"Control[1].ID = " + std::to_wstring(first->Id())),
      lines.end());
}

}  // namespace
