// Enabled and visible: what a user sees of the ribbon for each kind of item, folder and
// selection, and what the rules answer when Outlook fails them.
#include <algorithm>

#include "core/Main.h"
#include "platform/win32/CodePage.h"
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {
class RibbonState : public RibbonTest {};

// Facts that note whether anything about the explorer's selection was read.
class SelectionWatch : public FakeFacts {
 public:
  bool read = false;
  bool IsMailSelected(const std::any& c) override {
    read = true;
    return FakeFacts::IsMailSelected(c);
  }
  bool IsTemplateSelected(const std::any& c) override {
    read = true;
    return FakeFacts::IsTemplateSelected(c);
  }
  bool IsDefaultTemplateSelected(const std::any& c, bool& bIsDefault, int32_t& nCount) override {
    read = true;
    return FakeFacts::IsDefaultTemplateSelected(c, bIsDefault, nCount);
  }
  int32_t SelectionCount(const std::any& c) override {
    read = true;
    return FakeFacts::SelectionCount(c);
  }
  // Outlook's own Reply, Reply to All and Forward follow the selection.
  void GetBuiltinControlState(const std::any& c, int32_t nId, bool& bEnabled,
                              bool& bVisible) override {
    read = true;
    FakeFacts::GetBuiltinControlState(c, nId, bEnabled, bVisible);
  }
};

const wchar_t* const kActionGroup[] = {
    L"sbtnTemplate", L"btnTemplate2",     L"btnProcessPersonal2",      L"btnOpenDuplicate",
    L"btnHotkey",    L"btnChangeDefault", L"Norvane.Tanvelo.grpInsert"};
}  // namespace

TEST_F(RibbonState, InspectorShowsTemplateCommandsOnTemplatesPersonalizationOnMadeMailElseSaveAs) {
  struct Row {
    const char* item;
    bool isTemplate, stamped;
    std::vector<bool> visible;  // kActionGroup order
  };
  const Row rows[] = {
      {"template", true, false, {true, false, false, true, true, true, true}},
      {"template the add-in made", true, true, {true, false, false, true, true, true, true}},
      {"reply made by the add-in", false, true, {true, false, true, false, false, false, false}},
      {"mail from outside", false, false, {false, true, false, false, false, false, false}},
  };
  for (const Row& row : rows) {
    facts->itemTemplate = row.isTemplate;
    facts->itemStamped = row.stamped;
    for (size_t i = 0; i < std::size(kActionGroup); ++i)
      EXPECT_EQ(row.visible[i], Visible(kActionGroup[i], kInspector)) << row.item << " " << i;
    EXPECT_TRUE(Visible(L"sbtnTanvelo", kInspector));
    EXPECT_TRUE(Visible(L"Norvane.Tanvelo.tabRespond", kInspector));
  }
  // The duplicate command waits while the inspector is modal.
  EXPECT_TRUE(Enabled(L"btnOpenDuplicate", kInspector));
  facts->modal = true;
  EXPECT_FALSE(Enabled(L"btnOpenDuplicate", kInspector));
}

TEST_F(RibbonState, QuickItemsAndSeparatorsFollowTheRankedLists) {
  facts->Rank(1, {{L"Thanks", false}, {L"Price list", true}});
  for (bool explorer : {false, true}) {
    auto id = [&](const wchar_t* n) { return explorer ? X(n) : std::wstring(n); };
    const std::any& ctx = explorer ? kExplorer : kInspector;
    EXPECT_TRUE(Visible(id(L"btnTanveloT1"), ctx));
    EXPECT_TRUE(Visible(id(L"btnTanveloT2"), ctx));
    EXPECT_FALSE(Visible(id(L"btnTanveloT3"), ctx));
    EXPECT_FALSE(Visible(id(L"btnTanveloT5"), ctx));
    EXPECT_FALSE(Visible(id(L"btnForwardWithT1"), ctx));
  }
  EXPECT_TRUE(Visible(X(L"sepTanveloSub"), kExplorer));
  EXPECT_FALSE(Visible(X(L"sepReplyAllWithSub"), kExplorer));
  // A list that cannot be read hides the explorer's quick items.
  facts->failing.insert(L"GetFrequents");
  EXPECT_FALSE(Visible(X(L"btnTanveloT1"), kExplorer));
}

TEST_F(RibbonState, ExplorerReplyButtonsFollowOutlooksOwnAndTheSelection) {
  facts->selectionCount = 1;
  EXPECT_TRUE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  EXPECT_TRUE(Enabled(X(L"sbtnForwardWith"), kExplorer));
  facts->builtins[355] = {false, true};  // Outlook's Reply to All greyed
  EXPECT_FALSE(Enabled(X(L"sbtnReplyAllWith"), kExplorer));
  facts->builtins.erase(356);  // no Forward on the bars at all
  EXPECT_FALSE(Enabled(X(L"sbtnForwardWith"), kExplorer));
  EXPECT_TRUE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  facts->selectionCount = 0;
  EXPECT_FALSE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  facts->selectionCount = 3;
  facts->templateFolder = true;
  EXPECT_FALSE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  // An error while asking Outlook leaves the command disabled, and is logged.
  facts->templateFolder = false;
  facts->failing.insert(L"Builtin");
  EXPECT_FALSE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect.Control_GetEnabled_", X(L"sbtnTanvelo")));
}

TEST_F(RibbonState, ALookupRefusedAMomentIsAskedAgainAndOnlyARunOfRefusalsIsLogged) {
  facts->selectionCount = 1;
  facts->templateFolder = true;
  facts->refusing[L"Folder"] = kHeldTries - 1;
  EXPECT_TRUE(Visible(X(L"btnNewTemplate"), kExplorer)) << "not hidden by a refusal";
  facts->templateFolder = false;
  facts->refusing[L"Folder"] = kHeldTries - 1;
  EXPECT_TRUE(Enabled(X(L"sbtnTanvelo"), kExplorer)) << "not disabled by a refusal";
  EXPECT_EQ(0u, Errors(L"Connect::Control_GetVisible_") + Errors(L"Connect.Control_GetEnabled_"));
  // Still refused: told with the id, the answer as far as the rule came.
  facts->refusing[L"Folder"] = kHeldTries;
  EXPECT_TRUE(Visible(X(L"btnNewTemplate"), kExplorer));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::Control_GetVisible_", X(L"btnNewTemplate")));
  facts->refusing[L"Folder"] = kHeldTries;
  EXPECT_FALSE(Enabled(X(L"sbtnTanvelo"), kExplorer));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect.Control_GetEnabled_", X(L"sbtnTanvelo")));
}

TEST_F(RibbonState, ExplorerGroupsFollowTheFolder) {
  struct Folder {
    const char* name;
    bool templates, drafts, mail;
  };
  const Folder folders[] = {{"Inbox", false, false, true},
                            {"templates", true, false, false},
                            {"Drafts", false, true, true},
                            {"Contacts", false, false, false}};
  for (const Folder& f : folders) {
    facts->templateFolder = f.templates;
    facts->draftsFolder = f.drafts;
    facts->mailFolder = f.mail;
    for (const wchar_t* id : {L"btnNewTemplate", L"btnEditTemplate", L"btnOpenDuplicate",
                              L"btnHotkey", L"grpDefault", L"btnChangeDefaultSet"})
      EXPECT_EQ(f.templates, Visible(X(id), kExplorer)) << f.name;
    EXPECT_EQ(!f.templates, Visible(X(L"btnTemplate"), kExplorer)) << f.name;
    EXPECT_EQ(!f.templates, Visible(X(L"btnSelAndEditTemplate"), kExplorer)) << f.name;
    EXPECT_EQ(f.drafts, Visible(X(L"grpDrafts"), kExplorer)) << f.name;
    EXPECT_EQ(f.drafts, Visible(X(L"btnSendDrafts"), kExplorer)) << f.name;
    EXPECT_EQ(f.mail, Visible(X(L"btnSaveAsTemplate"), kExplorer)) << f.name;
    EXPECT_FALSE(Visible(X(L"grpOptions"), kExplorer)) << f.name;
    EXPECT_TRUE(Visible(X(L"grpMore"), kExplorer)) << f.name;
  }
}

TEST_F(RibbonState, ExplorerTemplateCommandsFollowTheSelection) {
  facts->templateFolder = true;
  EXPECT_TRUE(Visible(X(L"btnNewFromTemplate"), kExplorer));
  EXPECT_FALSE(Enabled(X(L"btnEditTemplate"), kExplorer));
  facts->templateSelected = true;
  facts->selectionCount = 1;
  EXPECT_FALSE(Visible(X(L"btnNewFromTemplate"), kExplorer));
  EXPECT_TRUE(Visible(X(L"btnNewFromSelTemplate"), kExplorer));
  EXPECT_TRUE(Enabled(X(L"btnEditTemplate"), kExplorer));
  EXPECT_TRUE(Enabled(X(L"btnHotkey"), kExplorer));
  // One template that is not the default: only "set".
  EXPECT_TRUE(Enabled(X(L"btnChangeDefaultSet"), kExplorer));
  EXPECT_FALSE(Enabled(X(L"btnChangeDefaultClear"), kExplorer));
  facts->defaultSelected = true;
  EXPECT_FALSE(Enabled(X(L"btnChangeDefaultSet"), kExplorer));
  EXPECT_TRUE(Enabled(X(L"btnChangeDefaultClear"), kExplorer));
  facts->selectionCount = 2;  // two templates: neither
  EXPECT_FALSE(Enabled(X(L"btnChangeDefaultSet"), kExplorer));
  EXPECT_FALSE(Enabled(X(L"btnChangeDefaultClear"), kExplorer));
  facts->mailSelected = false;
  EXPECT_FALSE(Enabled(X(L"btnSendDrafts"), kExplorer));
  facts->mailSelected = true;
  EXPECT_TRUE(Enabled(X(L"btnSaveAsTemplate"), kExplorer));
}

TEST_F(RibbonState, UnknownIdsAndWrongContextsGiveNeutralAnswers) {
  EXPECT_TRUE(Visible(L"btnNoSuch", kInspector));
  EXPECT_TRUE(testlog::Logged(L"Connect::Control_GetVisible_", L"[btnNoSuch] Type mismatch"));
  size_t logged = support::library::Log().size();
  EXPECT_TRUE(Enabled(L"btnNoSuch", kInspector));
  EXPECT_EQ(logged, support::library::Log().size());
  // Ids are exact: another letter case is another control.
  EXPECT_TRUE(Visible(L"BTNHOTKEY", kInspector));
  EXPECT_EQ(2u, Errors(L"Connect::Control_GetVisible_"));
  // An inspector rule asked with an explorer: logged, and the control stays visible.
  EXPECT_TRUE(Visible(L"btnHotkey", kExplorer));
  EXPECT_EQ(3u, Errors(L"Connect::Control_GetVisible_"));
}

TEST_F(RibbonState, TheRibbonCallbacksNeverRaiseIntoOffice) {
  facts->failing = {L"Text", L"Icon", L"GetFrequents", L"Folder", L"Builtin"};
  office::IRibbonControl control(X(L"grpTemplate"), kExplorer, L"");
  bool b = false;
  std::wstring text;
  EXPECT_NO_THROW(ribbon.Control_GetVisible(control, b));
  EXPECT_NO_THROW(ribbon.Control_GetEnabled(control, b));
  EXPECT_NO_THROW(ribbon.Control_GetLabel(control, text));
  EXPECT_NO_THROW(ribbon.Button_GetScreentip(control));
  EXPECT_NO_THROW(ribbon.Button_GetImage(control));
  EXPECT_NO_THROW(ribbon.Button_Action(control));
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(RibbonState, ARibbonOfAnAddInThatIsNotServingAnswersNeutrallyAndRunsNothing) {
  bool serving = false;
  ribbon.fnServing = [&] { return serving; };
  facts->itemTemplate = false;
  office::IRibbonControl control(L"btnHotkey", kInspector, L"");
  bool visible = true;
  std::wstring label = L"unchanged";
  ribbon.Control_GetVisible(control, visible);
  ribbon.Control_GetLabel(control, label);
  ribbon.Button_Action(office::IRibbonControl(L"btnTanvelo", kInspector, L""));
  EXPECT_TRUE(visible);
  EXPECT_EQ(L"unchanged", label);
  EXPECT_TRUE(commands->runs.empty());
  serving = true;
  ribbon.Control_GetVisible(control, visible);
  EXPECT_FALSE(visible);
}

TEST(RibbonInvalidation, EveryExplorerControlThatReadsTheSelectionIsRedrawnWhenItChanges) {
  win32::ResetPlatform();
  auto facts = std::make_shared<SelectionWatch>();
  CConnectRibbon ribbon(facts, std::make_shared<RecordingCommands>());
  const auto& redrawn = CConnectRibbon::InvalidationList(1);
  using Rule = CConnectRibbon::Rule;
  size_t readers = 0;
  for (Rule rule : {Rule::Enabled, Rule::Visible, Rule::Label, Rule::Screentip, Rule::Image})
    for (const auto& id : CConnectRibbon::RuleIds(rule)) {
      if (id.rfind(L"Norvane.Tanvelo.Explorer.", 0) != 0) continue;
      // Inside and outside the templates tree, with a template selected or not: every road
      // a rule may take to the selection.
      for (int world = 0; world < 4; ++world) {
        facts->templateFolder = world & 1;
        facts->templateSelected = facts->mailSelected = world & 2;
        facts->selectionCount = world & 2 ? 1 : 0;
        facts->read = false;
        office::IRibbonControl control(id, kExplorer, L"");
        bool flag = false;
        std::wstring label;
        switch (rule) {
          case Rule::Enabled:
            ribbon.Control_GetEnabled_(id, kExplorer, flag);
            break;
          case Rule::Visible:
            ribbon.Control_GetVisible_(id, kExplorer, flag);
            break;
          case Rule::Label:
            ribbon.Control_GetLabel(control, label);
            break;
          case Rule::Screentip:
            ribbon.Button_GetScreentip(control);
            break;
          default:
            ribbon.Button_GetImage(control);
            break;
        }
        if (!facts->read) continue;
        ++readers;
        EXPECT_NE(std::find(redrawn.begin(), redrawn.end(), id), redrawn.end())
            << win32::ToAnsi(id) << " reads the selection but is not redrawn when it changes";
        break;
      }
    }
  EXPECT_GE(readers, 10u);  // the check reached the rules
}
