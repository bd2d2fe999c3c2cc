// Labels, screentips and pictures: language texts, the quick items' subjects and pictures, and
// the texts that follow the item or the folder.
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {
class RibbonLabels : public RibbonTest {};
}  // namespace

TEST_F(RibbonLabels, TextsComeFromTheLanguageInUse) {
  EXPECT_EQ(L"EN:TAB_TANVELO", Label(L"Norvane.Tanvelo.Tab", kInspector));
  EXPECT_EQ(L"EN:RID_E_BTN_TANVELO", Label(L"btnTanvelo", kInspector));
  EXPECT_EQ(L"EN:BTN_TANVELO_SUB", Label(L"btnTanveloSub", kInspector));
  EXPECT_EQ(L"EN:RID_E_BTN_TANVELO_SUB", Label(X(L"btnTanveloSub"), kExplorer));
  EXPECT_EQ(L"EN:BTN_BCC", Label(L"btnBCC", kInspector));
  EXPECT_EQ(L"EN:RID_E_BTN_ABOUT", Label(X(L"btnAbout"), kExplorer));
  facts->language = L"DE";
  EXPECT_EQ(L"DE:RID_E_TAB", Label(X(L"tab"), kExplorer));
  EXPECT_EQ(L"DE:GRP_INSERT", Label(L"Norvane.Tanvelo.grpInsert", kInspector));
  EXPECT_EQ(L"DE:IDS_FORWARDWITH", Tip(L"btnForwardWith", kInspector));
  EXPECT_EQ(L"DE:RID_E_BTN_FORWARD_WITH_TT", Tip(X(L"btnForwardWith"), kExplorer));
}

TEST_F(RibbonLabels, TextsThatFollowTheItemOrTheFolder) {
  facts->itemTemplate = true;
  EXPECT_EQ(L"EN:BTN_CHANGE_DEFAULT_SET", Label(L"btnChangeDefault", kInspector));
  EXPECT_EQ(L"EN:BTN_SAVE_TEMPLATE", Tip(L"btnTemplate", kInspector));
  facts->itemDefault = true;
  EXPECT_EQ(L"EN:BTN_CHANGE_DEFAULT_CLEAR", Label(L"btnChangeDefault", kInspector));
  facts->itemTemplate = false;
  EXPECT_EQ(L"EN:BTN_SAVE_AS_TEMPLATE", Tip(L"btnTemplate2", kInspector));
  EXPECT_EQ(L"EN:RID_E_GRP_TEMPLATES", Label(X(L"grpTemplate"), kExplorer));
  facts->templateFolder = true;
  EXPECT_EQ(L"EN:RID_E_GRP_TEMPLATE", Label(X(L"grpTemplate"), kExplorer));
}

TEST_F(RibbonLabels, QuickItemsShowTheRankedSubjectsAndWhetherTheyAreAddressed) {
  facts->Rank(4, {{L"Terms & conditions <v2>", false}, {L"Offer for %FirstName%", true}});
  for (bool explorer : {false, true}) {
    auto id = [&](const wchar_t* n) { return explorer ? X(n) : std::wstring(n); };
    const std::any& ctx = explorer ? kExplorer : kInspector;
    EXPECT_EQ(L"Terms & conditions <v2>", Label(id(L"btnForwardWithT1"), ctx));
    EXPECT_EQ(L"Offer for %FirstName%", Label(id(L"btnForwardWithT2"), ctx));
    EXPECT_EQ(L"", Label(id(L"btnForwardWithT3"), ctx));
    EXPECT_EQ(L"ICO_TEMPLATE_FOLDER@16", Image(id(L"btnForwardWithT1"), ctx));
    EXPECT_EQ(L"ICO_PREADDRESSED_TEMPLATE@16", Image(id(L"btnForwardWithT2"), ctx));
    EXPECT_EQ(L"", Image(id(L"btnForwardWithT3"), ctx));
    EXPECT_EQ(L"", Label(id(L"btnTanveloT1"), ctx));
  }
}

TEST_F(RibbonLabels, LargeButtonsUseLargePicturesAndOfficesOwnWhereTheXmlNamesThem) {
  EXPECT_EQ(L"ICO_TANVELO@32", Image(L"btnTanvelo", kInspector));
  EXPECT_EQ(L"ICO_TANVELO@32", Image(X(L"btnTanvelo"), kExplorer));
  EXPECT_EQ(L"ICO_SAVE_AS_TEMPLATE@32", Image(L"btnTemplate2", kInspector));
  EXPECT_EQ(L"ICO_TEMPLATE_FOLDER@32", Image(X(L"btnTemplate"), kExplorer));
  EXPECT_EQ(L"ICO_TEMPLATE_EDIT@32", Image(X(L"btnSelAndEditTemplate"), kExplorer));
  EXPECT_EQ(L"ICO_DEFAULT_CLEAR@32", Image(X(L"btnChangeDefaultClear"), kExplorer));
  for (const wchar_t* none : {L"btnSendDrafts", L"btnHelp", L"btnAbout", L"btnReplyAllWithSub"})
    EXPECT_EQ(L"", Image(X(none), kExplorer)) << none;
  EXPECT_EQ(0u, Errors(L"Connect::Button_GetImage"));
}

TEST_F(RibbonLabels, FailuresLeaveTheControlWithoutTextOrPicture) {
  EXPECT_EQ(L"", Label(L"btnNoSuch", kInspector));
  EXPECT_TRUE(testlog::Logged(L"Connect::Control_GetLabel", L"[btnNoSuch] Type mismatch"));
  EXPECT_EQ(L"", Tip(L"btnNoSuch", kInspector));
  EXPECT_TRUE(testlog::Logged(L"Connect::Button_GetScreentip", L"Type mismatch"));
  EXPECT_EQ(L"", Image(L"btnNoSuch", kInspector));
  EXPECT_TRUE(testlog::Logged(L"Connect::Button_GetImage", L"[btnNoSuch] Type mismatch"));
  facts->failing.insert(L"Text");
  EXPECT_EQ(L"", Label(X(L"grpDrafts"), kExplorer));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::Control_GetLabel", X(L"grpDrafts")));
}
