// Clicks: every button's id reaches its command with the right arguments, quick items run the
// template they show, and what goes wrong is logged without reaching the user or Office.
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {
class RibbonDispatch : public RibbonTest {
 protected:
  void SetUp() override {
    RibbonTest::SetUp();
    facts->Rank(1, {{L"Thanks", false}, {L"Price list", true}});
    facts->Rank(2, {{L"Minutes", false}});
    facts->Rank(4, {{L"FYI", false}, {L"For approval", false}});
  }
  std::wstring One(const std::wstring& id, const std::any& ctx) {
    auto runs = Runs(id, ctx);
    return runs.size() == 1 ? runs[0] : L"<" + std::to_wstring(runs.size()) + L" runs>";
  }
};
}  // namespace

TEST_F(RibbonDispatch, EveryExplorerButtonRunsItsCommand) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"btnTanvelo", L"Explorer_Tanvelo 1 [DEF] 2"},
      {L"btnTanveloSub", L"Explorer_Tanvelo 1 [] 2"},
      {L"btnTanveloT2", L"Explorer_Tanvelo 1 [E1_2] 2"},
      {L"btnReplyAllWith", L"Explorer_Tanvelo 2 [DEF] 2"},
      {L"btnReplyAllWithSub", L"Explorer_Tanvelo 2 [] 2"},
      {L"btnReplyAllWithT1", L"Explorer_Tanvelo 2 [E2_1] 2"},
      {L"btnForwardWith", L"Explorer_Tanvelo 4 [DEF] 2"},
      {L"btnForwardWithSub", L"Explorer_Tanvelo 4 [] 2"},
      {L"btnForwardWithT2", L"Explorer_Tanvelo 4 [E4_2] 2"},
      {L"btnTemplate", L"ShowNewMessageTemplatesFolder"},
      {L"btnNewFromTemplate", L"Explorer_NewFromTemplate"},
      {L"btnNewFromSelTemplate", L"Explorer_NewFromTemplate"},
      {L"btnSaveAsTemplate", L"Explorer_SaveAsTemplate"},
      {L"btnNewTemplate", L"Explorer_NewTemplate"},
      {L"btnEditTemplate", L"Explorer_EditTemplate"},
      {L"btnSelAndEditTemplate", L"DemandSelAndEditTemplace"},
      {L"btnOpenDuplicate", L"Explorer_OpenDuplicate"},
      {L"btnHotkey", L"Explorer_Hotkey"},
      {L"btnImport", L"Explorer_Import"},
      {L"btnExport", L"Explorer_Export"},
      {L"btnSendDrafts", L"Explorer_SendDrafts"},
      {L"btnOptions", L"ShowOptions"},
      {L"btnBugReport", L"ReportProblem"},
      {L"btnHelp", L"ShowContextHelp []"},
      {L"btnAbout", L"ShowAbout"},
  };
  for (const auto& [id, run] : rows) EXPECT_EQ(run, One(X(id), kExplorer)) << id;
  EXPECT_EQ(0u, Errors(L"Connect::Button_Action_"));
}

TEST_F(RibbonDispatch, EveryInspectorButtonRunsItsCommand) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"btnTanvelo", L"Tanvelo_Click inspector 1 [DEF] bg"},
      {L"btnTanveloSub", L"Tanvelo_Click inspector 1 [] bg"},
      {L"btnTanveloT1", L"Tanvelo_Click inspector 1 [E1_1] bg"},
      {L"btnReplyAllWith", L"Tanvelo_Click inspector 2 [DEF] bg"},
      {L"btnReplyAllWithSub", L"Tanvelo_Click inspector 2 [] bg"},
      {L"btnForwardWithT2", L"Tanvelo_Click inspector 4 [E4_2] bg"},
      {L"btnTemplate", L"SaveAsTemplate_Click [ITEM]"},
      {L"btnTemplate2", L"SaveAsTemplate_Click [ITEM]"},
      {L"btnOpenDuplicate", L"OpenDuplicate_Click [ITEM]"},
      {L"btnHotkey", L"Hotkey_Click [ITEM]"},
      {L"btnProcessPersonal2", L"ProcessPersonal2_Click inspector plain"},
      {L"btnFullName", L"InsertText [%FullName% ]"},
      {L"btnTo", L"InsertText [%To% ]"},
      {L"btnCC", L"InsertText [%Cc% ]"},
      {L"btnFrom", L"InsertText [%From% ]"},
  };
  for (const auto& [id, run] : rows) EXPECT_EQ(run, One(id, kInspector)) << id;
  // A template open in its inspector is saved, not copied into a new template.
  facts->itemTemplate = true;
  EXPECT_EQ(L"Save inspector", One(L"btnTemplate", kInspector));
  EXPECT_EQ(0u, Errors(L"Connect::Button_Action_"));
}

TEST_F(RibbonDispatch, PersonalizationInPlaceKnowsWhenWordEditsTheMail) {
  facts->wordMail = true;
  EXPECT_EQ(L"ProcessPersonal2_Click inspector word", One(L"btnProcessPersonal2", kInspector));
}

TEST_F(RibbonDispatch, TheDefaultTemplateIsReadAtTheClick) {
  facts->defaultTemplateId = L"";
  EXPECT_EQ(L"Explorer_Tanvelo 1 [] 2", One(X(L"btnTanvelo"), kExplorer));
  facts->defaultTemplateId = L"NEWDEF";
  EXPECT_EQ(L"Tanvelo_Click inspector 4 [NEWDEF] bg", One(L"btnForwardWith", kInspector));
}

TEST_F(RibbonDispatch, AQuickItemBeyondTheListRunsNothing) {
  EXPECT_TRUE(Runs(X(L"btnForwardWithT3"), kExplorer).empty());
  EXPECT_TRUE(testlog::Logged(L"Connect::Button_Action_", L"assert.o2010.FWT3"));
  EXPECT_TRUE(Runs(L"btnReplyAllWithT2", kInspector).empty());
  EXPECT_TRUE(testlog::Logged(L"Connect::Button_Action_", L"assert6892"));
  for (const auto& e : support::library::Log())
    if (e.text.rfind(L"assert", 0) == 0) {
      EXPECT_EQ(0, e.errorNumber);
    }
}

TEST_F(RibbonDispatch, UnknownIdsAndWrongWindowsRunNothingAndAreLogged) {
  EXPECT_TRUE(Runs(L"BTNTANVELO", kInspector).empty());
  EXPECT_TRUE(testlog::Logged(L"Connect::Button_Action_", L"[BTNTANVELO] Type mismatch"));
  EXPECT_TRUE(Runs(L"btnHotkey", kExplorer).empty());  // an inspector command, no inspector
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::Button_Action_", L"[btnHotkey] "));
  EXPECT_EQ(0u, win32::msgbox::Shown().size());
}

TEST_F(RibbonDispatch, AChangedDefaultRedrawsOnlyTheDefaultButtons) {
  auto ui = std::make_shared<RecordingRibbonUI>();
  ribbon.Ribbon_OnLoad(ui);
  Runs(X(L"btnChangeDefaultSet"), kExplorer);
  EXPECT_EQ((std::vector<std::wstring>{X(L"btnChangeDefaultClear"), X(L"btnChangeDefaultSet")}),
            ui->invalidated);
  ui->invalidated.clear();
  Runs(L"btnChangeDefault", kInspector);
  EXPECT_EQ(std::vector<std::wstring>{L"btnChangeDefault"}, ui->invalidated);
  ui->invalidated.clear();
  commands->changeDefaultAnswer = false;  // a mail, not a template: nothing changed
  EXPECT_EQ(L"Explorer_ChangeDefault", One(X(L"btnChangeDefaultClear"), kExplorer));
  Runs(L"btnChangeDefault", kInspector);
  EXPECT_TRUE(ui->invalidated.empty());
}
