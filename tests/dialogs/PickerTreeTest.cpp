// The picker's tree: what it lists, how each node looks, the order of every level.
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "tests/dialogs/PickerTest.h"

namespace {

class PickerTree : public PickerTest {};

TEST_F(PickerTree, ListsFoldersTemplatesAndFavouriteCopiesInTheirOrder) {
  std::wstring id;
  int32_t mode = 1;
  EXPECT_FALSE(Pick(
      [&](forms::User& u) {
        auto& tree = Tree(u);
        ASSERT_EQ(tree.Roots().size(), 1u);
        auto root = tree.Roots()[0];
        EXPECT_EQ(root->Key(), templates->EntryID());
        EXPECT_EQ(root->Tag, L"1;0;0");
        // Default (a favourite), favourites, templates, folders; letters' case ignored.
        EXPECT_EQ(Children(root), L"Quote|thanks (Ctrl+Alt+R)|Welcome|Sales|Support");
        EXPECT_EQ(Children(Node(u, sales->EntryID())), L"Quote|Follow-up|Price list|Archive");
        EXPECT_EQ(Children(Node(u, archive->EntryID())), L"Old offer");
        EXPECT_EQ(Children(Node(u, support->EntryID())), L"");
        // The root's own favourite has no copy; the subfolder's has one under the root.
        EXPECT_THROW(Node(u, L"F" + Id(thanks)), vb::Error);
        auto copy = Node(u, L"F" + Id(quote));
        EXPECT_EQ(copy->Parent(), root);
        for (const auto& node : {copy, Node(u, L"N" + Id(quote))}) {
          EXPECT_TRUE(node->Bold);
          EXPECT_EQ(node->Tag, L"0;1;0");
          EXPECT_EQ(node->Image, 5);
        }
        EXPECT_FALSE(Node(u, L"N" + Id(thanks))->Bold);
        EXPECT_EQ(Node(u, L"N" + Id(prices))->Image, 6) << "a Bcc recipient counts";
        EXPECT_EQ(Node(u, L"N" + Id(prices))->Tag, L"0;0;1");
        EXPECT_EQ(Node(u, sales->EntryID())->Image, 1);
        EXPECT_EQ(tree.Nodes().Count(), 11) << "no node for sent mail or posts";
        u.PressEsc();
      },
      id, mode));
  EXPECT_TRUE(Logged(L"frmSelectTemplate::FillTree"));
}

// Before Outlook 2007 the mark is the follow-up flag; a Mileage of "1" means nothing then.
class PickerVersions : public PickerTest, public testing::WithParamInterface<const wchar_t*> {
 protected:
  std::wstring Version() const override { return GetParam(); }
};

TEST_P(PickerVersions, TheFavouriteMarkFollowsTheOutlookVersion) {
  bool byFlagIsFavourite = GetAppVersion() < 12;
  auto byFlag = AddTemplate(templates, L"By flag");
  byFlag->SetFlagStatus(2);
  byFlag->Save();
  auto byMileage = AddTemplate(templates, L"By mileage");
  byMileage->SetMileage(L"1");
  byMileage->Save();
  std::wstring id;
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Node(u, L"N" + Id(byFlag))->Tag == L"0;1;0", byFlagIsFavourite);
        EXPECT_EQ(Node(u, L"N" + Id(byMileage))->Tag == L"0;1;0", !byFlagIsFavourite);
        u.PressEsc();
      },
      id, mode);
}

INSTANTIATE_TEST_SUITE_P(Outlook, PickerVersions,
                         testing::Values(L"10.0.0.2627", L"11.0.0.8312", L"12.0.0.6425",
                                         L"14.0.0.4760"));

TEST_F(PickerTree, ADefaultWithoutFavouriteMarkSortsWithTheOthers) {
  mTanvelo::UnmarkFavoriteTemplate(quote, true);
  std::wstring id;
  int32_t mode = 1;
  Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Children(Node(u, sales->EntryID())), L"Follow-up|Price list|Quote|Archive");
        EXPECT_TRUE(Node(u, L"N" + Id(quote))->Bold);
        EXPECT_THROW(Node(u, L"F" + Id(quote)), vb::Error);
        u.PressEsc();
      },
      id, mode);
}

TEST_F(PickerTree, AFolderThatCannotBeReadLeavesOnlyItsOwnTemplatesOut) {
  redemption::Uninstall();  // no table can be made: every folder's templates are missing
  std::wstring id;
  int32_t mode = 1;
  win32::msgbox::Answer(win32::IDOK);
  Pick(
      [&](forms::User& u) {
        EXPECT_EQ(Children(Tree(u).Roots()[0]), L"Sales|Support");
        EXPECT_EQ(Children(Node(u, sales->EntryID())), L"Archive");
        u.PressEsc();
      },
      id, mode);
  EXPECT_TRUE(Logged(L"frmSelectTemplate::AddItems2Tree"));
  // The user learns that the list lacks them, by the folders' names.
  ASSERT_FALSE(win32::msgbox::Shown().empty());
  EXPECT_EQ(win32::msgbox::Shown().back().text,
            LangText(L"STR_TEMPLATES_NOT_LISTED", L"\nTanvelo Templates\nSales\nArchive"));
}

// Outlook busy a moment while the tree is filled leaves no template out; refused for good, the
// user is told before picking from a list that lacks some.
TEST_F(PickerTree, ARefusedFillIsAskedAgainAndAListLeftShortIsTold) {
  std::wstring id;
  int32_t mode = 1;
  auto keys = [&](forms::User& u) {
    std::wstring all;
    for (const auto& node : Tree(u).Nodes().All()) all += node->Key() + L"|";
    return all;
  };
  std::wstring whole;
  win32::faults::Start({.countOnly = true});
  Pick(
      [&](forms::User& u) {
        whole = keys(u);
        u.PressEsc();
      },
      id, mode);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 2u);
  win32::msgbox::SetDefaultAnswerer([](const auto&) { return win32::IDOK; });
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries - 1}, uint64_t{kHeldTries + 2}})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t boxes = win32::msgbox::Shown().size();
      std::wstring listed;
      win32::faults::Start({.at = at, .span = span});
      Pick(
          [&](forms::User& u) {
            listed = keys(u);
            u.PressEsc();
          },
          id, mode);
      win32::faults::Stop();
      const bool told = win32::msgbox::Shown().size() > boxes &&
                        win32::msgbox::Shown().back().text.find(
                            LangText(L"STR_TEMPLATES_NOT_LISTED", L"").substr(0, 30)) == 0;
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      if (span < kHeldTries)
        EXPECT_EQ(listed, whole) << where;
      else
        EXPECT_TRUE(listed == whole || told) << where;
    }
}

}  // namespace
