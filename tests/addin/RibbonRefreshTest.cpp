// Invalidations: after a counted use, a folder or selection change and a default change, the
// controls whose answers changed are asked again, in every loaded ribbon, even when Office
// refuses one of them.
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {
class RibbonRefresh : public RibbonTest {
 protected:
  void SetUp() override {
    RibbonTest::SetUp();
    ribbon.Ribbon_OnLoad(explorerUi);
  }
  std::vector<std::wstring> ExplorerQuickItems(const std::wstring& family) {
    std::vector<std::wstring> ids{X(L"sep" + family + L"Sub")};
    for (int n = 1; n <= 5; ++n) ids.push_back(X(L"btn" + family + L"T" + std::to_wstring(n)));
    return ids;
  }
  std::shared_ptr<RecordingRibbonUI> explorerUi = std::make_shared<RecordingRibbonUI>();
};

std::vector<std::wstring> Concat(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
}  // namespace

TEST_F(RibbonRefresh, ACountedUseRedrawsTheQuickItemsOfItsActionOnly) {
  ribbon.m_FreqTemplates_OnChange(1);
  EXPECT_EQ(
      Concat({L"btnTanveloT1", L"btnTanveloT2", L"btnTanveloT3", L"btnTanveloT4", L"btnTanveloT5"},
             ExplorerQuickItems(L"Tanvelo")),
      explorerUi->invalidated);
  EXPECT_TRUE(testlog::Logged(L"Connect.Explorer_InvalidateRibbon", L"FreqRTemplatesChanged"));
  explorerUi->invalidated.clear();
  ribbon.m_FreqTemplates_OnChange(4);
  EXPECT_EQ(ExplorerQuickItems(L"ForwardWith"),
            std::vector<std::wstring>(explorerUi->invalidated.begin() + 5,
                                      explorerUi->invalidated.end()));
  EXPECT_TRUE(testlog::Logged(L"Connect.Explorer_InvalidateRibbon", L"bFreqFTemplatesChanged"));
  explorerUi->invalidated.clear();
  ribbon.m_FreqTemplates_OnChange(8);  // no ribbon control shows the new-mail ranking
  ribbon.m_FreqTemplates_OnChange(3);
  EXPECT_TRUE(explorerUi->invalidated.empty());
  EXPECT_TRUE(testlog::Logged(L"Connect::m_FreqTemplates_OnChange", L"Invalid type = 3"));
}

TEST_F(RibbonRefresh, OnOutlook2007OnlyTheInspectorQuickItemsAreRedrawn) {
  facts->version = 12;
  size_t logged = support::library::Log().size();
  ribbon.m_FreqTemplates_OnChange(2);
  EXPECT_EQ(5u, explorerUi->invalidated.size());
  EXPECT_EQ(L"btnReplyAllWithT1", explorerUi->invalidated.front());
  ribbon.Explorer_InvalidateRibbon(true, true, true, true, true);
  EXPECT_EQ(5u, explorerUi->invalidated.size());
  EXPECT_EQ(logged, support::library::Log().size());
}

TEST_F(RibbonRefresh, FolderAndSelectionChangesRedrawWhatDependsOnThem) {
  ribbon.Explorer_InvalidateRibbon(true, false, false, false, false);
  EXPECT_EQ(CConnectRibbon::InvalidationList(0), explorerUi->invalidated);
  EXPECT_EQ(21u, explorerUi->invalidated.size());
  EXPECT_EQ(X(L"grpTemplate"), explorerUi->invalidated.front());
  EXPECT_TRUE(testlog::Logged(L"Connect.Explorer_InvalidateRibbon", L"FolderChanged"));
  explorerUi->invalidated.clear();
  ribbon.Explorer_InvalidateRibbon(false, true, false, false, false);
  EXPECT_EQ(15u, explorerUi->invalidated.size());
  explorerUi->invalidated.clear();
  ribbon.Explorer_InvalidateRibbon(true, true, false, false, false);  // both lists, in order
  EXPECT_EQ(36u, explorerUi->invalidated.size());
}

TEST_F(RibbonRefresh, EveryLoadedRibbonIsKeptAndInvalidated) {
  // Office gives each document its own object: an inspector opening after the explorer must
  // not leave the explorer's quick items showing an old ranking.
  auto readUi = std::make_shared<RecordingRibbonUI>();
  auto composeUi = std::make_shared<RecordingRibbonUI>();
  ribbon.Ribbon_OnLoad(readUi);
  ribbon.Ribbon_OnLoad(composeUi);
  ribbon.Ribbon_OnLoad(readUi);  // the same object again changes nothing
  ribbon.m_FreqTemplates_OnChange(1);
  for (auto& ui : {explorerUi, readUi, composeUi}) {
    EXPECT_EQ(11u, ui->invalidated.size());
  }
  ribbon.Invalidate();
  EXPECT_EQ(1, explorerUi->wholeInvalidations);
  EXPECT_EQ(1, composeUi->wholeInvalidations);
  ribbon.ActivateTab(X(L"tab"));
  EXPECT_EQ(std::vector<std::wstring>{X(L"tab")}, explorerUi->activated);
}

TEST_F(RibbonRefresh, OneRefusedInvalidationDoesNotStopTheRest) {
  explorerUi->refuse = {L"btnTanveloT1", X(L"sepTanveloSub")};
  ribbon.m_FreqTemplates_OnChange(1);
  // Every quick item but the two refused ones, the explorer's included.
  EXPECT_EQ(9u, explorerUi->invalidated.size());
  EXPECT_EQ(X(L"btnTanveloT5"), explorerUi->invalidated.back());
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::m_FreqTemplates_OnChange",
                                        L"[btnTanveloT1 on ribbon 1]"));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect.Explorer_InvalidateRibbon",
                                        L"[" + X(L"sepTanveloSub") + L" on ribbon 1]"));
}

TEST_F(RibbonRefresh, ARibbonRefusingAnOperationIsLoggedAndTheOthersStillHearIt) {
  auto second = std::make_shared<RecordingRibbonUI>();
  ribbon.Ribbon_OnLoad(second);
  explorerUi->refuseAll = true;
  // Sent through the one object the add-in object holds: nothing is raised to its caller.
  auto all = ribbon.AllRibbons();
  EXPECT_NO_THROW(all->ActivateTab(X(L"tab")));
  EXPECT_NO_THROW(all->Invalidate());
  EXPECT_NO_THROW(all->InvalidateControl(X(L"btnTanvelo")));
  ribbon.ActivateTab(X(L"tab"));
  ribbon.Invalidate();
  EXPECT_EQ((std::vector<std::wstring>{X(L"tab"), X(L"tab")}), second->activated);
  EXPECT_EQ(2, second->wholeInvalidations);
  EXPECT_EQ(std::vector<std::wstring>{X(L"btnTanvelo")}, second->invalidated);
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::m_oRibbon",
                                        L"[ActivateTab " + X(L"tab") + L" on ribbon 1]"));
  EXPECT_TRUE(testlog::LoggedContaining(L"Connect::m_oRibbon", L"[Invalidate on ribbon 1]"));
  EXPECT_FALSE(testlog::LoggedContaining(L"Connect::m_oRibbon", L"on ribbon 2"));
}

TEST_F(RibbonRefresh, RefreshedUsageRecordsRedrawTheQuickItemsOfTheThreeReplies) {
  ribbon.InvalidateQuickItems();
  EXPECT_EQ(33u, explorerUi->invalidated.size());
  EXPECT_EQ(L"btnTanveloT1", explorerUi->invalidated.front());
  EXPECT_EQ(X(L"btnForwardWithT5"), explorerUi->invalidated.back());
}

TEST_F(RibbonRefresh, WithoutALoadedRibbonNothingHappensAndNothingIsLogged) {
  CConnectRibbon fresh(facts, commands);
  size_t logged = support::library::Log().size();
  fresh.m_FreqTemplates_OnChange(1);
  fresh.Explorer_InvalidateRibbon(true, true, true, true, true);
  fresh.InvalidateQuickItems();
  EXPECT_FALSE(fresh.HasRibbon());
  EXPECT_EQ(logged, support::library::Log().size());
}
