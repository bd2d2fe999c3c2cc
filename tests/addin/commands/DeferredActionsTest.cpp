// The deferred-action form: demands run after the event that queued them, one at a time,
// also when they meet a running action inside its dialogs.
#include "addin/commands/frmDummy.h"
#include "addin/commands/mExplorer.h"
#include "tests/addin/commands/CommandsTest.h"

namespace {

class DeferredActionsTest : public CommandsTest {};

TEST_F(DeferredActionsTest, TwoClicksBeforeTheTimerRunOnlyTheSecondWithOneWarning) {
  auto first = AddTemplate(L"First answer"), second = AddTemplate(L"Second answer");
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_Tanvelo(1, first->EntryID(), 2);
  mExplorer::Explorer_Tanvelo(1, second->EntryID(), 2);
  EXPECT_TRUE(Subjects(tvDrafts).empty()) << "nothing runs inside the click";
  Wait(1);
  auto made = Subjects(tvDrafts);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(Warnings(L"frmDummy.DemandDoTanvelo", L"m_dp.nDemandAction <> edaNone"), 1);
  EXPECT_EQ(DummyForm().PendingDemand().nDemandAction, edaNone);
}

}  // namespace
