// The Outlook folder picker, driven through its launcher as a user would.
#include "dialogs/mForms.h"
#include "platform/forms/TreeView.h"
#include "tests/dialogs/DialogTest.h"

namespace {

class BrowseFolder : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    sales = AddFolder(templates, L"Sales");
    offers = AddFolder(sales, L"Offers");
    old = AddFolder(offers, L"Old");
    support = AddFolder(templates, L"Support");
    supportOld = AddFolder(support, L"Old");
  }
  static forms::TreeView& Tree(forms::User& u) {
    return *u.GetForm().Get<forms::TreeView>(L"treFolders");
  }
  std::shared_ptr<outlook::MAPIFolder> sales, offers, old, support, supportOld;
};

TEST_F(BrowseFolder, ShowsTheTemplatesTreeOnlyAndPreselectsByEntryID) {
  struct Case {
    std::wstring preselect;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"", templates->EntryID()},
      {L"00NOSUCHFOLDER", templates->EntryID()},
      {p.inbox->EntryID(), templates->EntryID()},  // outside the templates tree
      {old->EntryID(), old->EntryID()},
  };
  for (const auto& c : cases) {
    forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
      auto& tree = Tree(u);
      ASSERT_EQ(tree.Roots().size(), 1u);
      EXPECT_EQ(tree.Roots()[0]->Key(), templates->EntryID());
      EXPECT_EQ(tree.Nodes().Count(), 6);
      ASSERT_TRUE(tree.SelectedItem());
      EXPECT_EQ(tree.SelectedItem()->Key(), c.expected);
      EXPECT_TRUE(tree.SelectedItem()->IsShown());
      u.PressEsc();
    });
    std::wstring id = c.preselect;
    EXPECT_FALSE(mForms::BrowseOutlookFolder(id));
    EXPECT_EQ(id, c.preselect);
  }
  EXPECT_FALSE(Logged(L"frmBrowseFolder::FillNode"));
}

TEST_F(BrowseFolder, OkAndDoubleClickAnswerTheChosenFolder) {
  std::wstring id = sales->EntryID();
  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    // Two folders named "Old" are told apart by their keys.
    EXPECT_EQ(Tree(u).Nodes().Item(supportOld->EntryID())->Text, L"Old");
    u.SelectNode(L"treFolders", support->EntryID());
    Tree(u).Nodes().Item(support->EntryID())->Expanded = true;  // its plus sign
    u.DblClickNode(L"treFolders", supportOld->EntryID());
  });
  EXPECT_TRUE(mForms::BrowseOutlookFolder(id));
  EXPECT_EQ(id, supportOld->EntryID());

  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    EXPECT_EQ(Tree(u).SelectedItem()->Key(), supportOld->EntryID());
    Tree(u).Nodes().Item(sales->EntryID())->Expanded = true;
    u.SelectNode(L"treFolders", offers->EntryID());
    u.PressEnter();
  });
  EXPECT_TRUE(mForms::BrowseOutlookFolder(id));
  EXPECT_EQ(id, offers->EntryID());
  EXPECT_TRUE(mForms::BrowseFolderParams.bOK);
}

TEST_F(BrowseFolder, CancelAndTheCloseBoxLeaveTheCallerUnchanged) {
  for (bool closeBox : {false, true}) {
    std::wstring id = sales->EntryID();
    forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
      u.SelectNode(L"treFolders", support->EntryID());
      closeBox ? u.CloseBox() : u.Click(L"btnCancel");
    });
    EXPECT_FALSE(mForms::BrowseOutlookFolder(id));
    EXPECT_EQ(id, sales->EntryID());
    EXPECT_FALSE(mForms::BrowseFolderParams.bOK);
  }
}

TEST_F(BrowseFolder, WithoutTemplatesFolderNothingCanBeChosen) {
  g_oTemplatesFolder.reset();
  std::wstring id;
  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    EXPECT_EQ(Tree(u).Nodes().Count(), 0);
    u.Click(L"btnOK");  // finds nothing selected: the dialog stays
    EXPECT_TRUE(u.GetForm().Visible());
    u.PressEsc();
  });
  EXPECT_FALSE(mForms::BrowseOutlookFolder(id));
  EXPECT_TRUE(Logged(L"frmBrowseFolder::FillNode"));
}

TEST_F(BrowseFolder, ASecondShowWhileTheFirstIsUpIsRefused) {
  std::wstring id = sales->EntryID(), nestedId = offers->EntryID();
  bool nested = true;
  forms::QueueScript(L"frmBrowseFolder", [&](forms::User& u) {
    nested = mForms::BrowseOutlookFolder(nestedId);
    u.DblClickNode(L"treFolders", support->EntryID());
  });
  EXPECT_TRUE(mForms::BrowseOutlookFolder(id));
  EXPECT_EQ(id, support->EntryID());
  EXPECT_FALSE(nested);
  EXPECT_EQ(nestedId, offers->EntryID());
  EXPECT_TRUE(Logged(L"mForms::BrowseOutlookFolder", L"already showing"));
}
}  // namespace
