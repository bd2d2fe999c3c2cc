// The hotkey columns added to the table view of a templates folder.
#include "EngineTest.h"
#include "engine/mViewXML.h"

using mViewXML::ModifyFolderView;

namespace {

const std::wstring kHotKeyProp = mViewXML::UserPropertyPath(L"NORVANE.TVL.HotKey");
const std::wstring kActionProp = mViewXML::UserPropertyPath(L"NORVANE.TVL.HotKeyAction");

std::wstring Column(const std::wstring& heading, const std::wstring& prop) {
  return L"<column><heading>" + heading + L"</heading><prop>" + prop +
         L"</prop><width>40</width><type>string</type></column>";
}

std::wstring View(const std::wstring& columns) {
  return L"<?xml version=\"1.0\"?>\r\n<view type=\"table\"><viewname>Messages</viewname>"
         L"<column><heading>Subject</heading><prop>urn:schemas:httpmail:subject</prop></column>" +
         columns + L"</view>\r\n";
}

class ViewColumns : public EngineTest {
 protected:
  std::shared_ptr<outlook::View> MakeView(int32_t type, const std::wstring& xml) {
    return std::make_shared<outlook::View>(L"Messages", type, xml);
  }
};

}  // namespace

TEST_F(ViewColumns, TableViewGetsBothColumnsOnce) {
  EXPECT_EQ(
      L"http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/"
      L"NORVANE.TVL.HotKey",
      kHotKeyProp);
  auto view = MakeView(0, View(L""));
  ModifyFolderView(view);
  EXPECT_EQ(View(Column(L"HotKey", kHotKeyProp) + Column(L"Action", kActionProp)), view->XML());
  EXPECT_EQ(1, view->XmlWrites());
  EXPECT_EQ(0, view->Saves());
  ModifyFolderView(view);
  EXPECT_EQ(1, view->XmlWrites());
}

TEST_F(ViewColumns, OnlyTheMissingColumnIsAdded) {
  auto view = MakeView(0, View(Column(L"HotKey", kHotKeyProp)));
  ModifyFolderView(view);
  EXPECT_EQ(View(Column(L"HotKey", kHotKeyProp) + Column(L"Action", kActionProp)), view->XML());
  EXPECT_EQ(1, view->XmlWrites());

  // A path that differs in letter case is another column.
  auto upper = MakeView(0, View(Column(L"HotKey", vb::UCase(kHotKeyProp))));
  ModifyFolderView(upper);
  EXPECT_EQ(View(Column(L"HotKey", vb::UCase(kHotKeyProp)) + Column(L"HotKey", kHotKeyProp) +
                 Column(L"Action", kActionProp)),
            upper->XML());
}

TEST_F(ViewColumns, OtherViewsVersionsAndBrokenDefinitionsAreLeftAlone) {
  auto card = MakeView(1, View(L""));
  ModifyFolderView(card);
  EXPECT_EQ(0, card->XmlWrites());

  auto broken = MakeView(0, L"<view><column></view>");
  ModifyFolderView(broken);
  EXPECT_EQ(0, broken->XmlWrites());
  EXPECT_TRUE(Logged(L"mViewXML::ModifyFolderView"));

  // No view at all is the caller's error to log, not a crash.
  const size_t before = support::library::Log().size();
  ModifyFolderView(nullptr);
  ASSERT_EQ(before + 1, support::library::Log().size());
  EXPECT_EQ(L"mViewXML::ModifyFolderView", support::library::Log().back().procedure);

  Start(L"9.0.0.2711");
  auto old = MakeView(0, View(L""));
  ModifyFolderView(old);
  EXPECT_EQ(0, old->XmlWrites());
}

TEST_F(ViewColumns, ColumnsGoBeforeANamedOneWithTheirOwnWidthAndUserHeading) {
  msxml::DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(View(L"")));
  mViewXML::AddTableViewUserColumn(doc, L"First", L"p:first", L"string", L"Mine",
                                   L"urn:schemas:httpmail:subject", 75);
  mViewXML::AddTableViewUserColumn(doc, L"Last", L"p:last", L"string", L"", L"p:none", 0);
  EXPECT_EQ(
      L"<?xml version=\"1.0\"?>\r\n<view type=\"table\"><viewname>Messages</viewname>"
      L"<column><heading>First</heading><prop>p:first</prop><width>75</width>"
      L"<type>string</type><userheading>Mine</userheading></column>"
      L"<column><heading>Subject</heading><prop>urn:schemas:httpmail:subject</prop></column>"
      L"<column><heading>Last</heading><prop>p:last</prop><width>40</width>"
      L"<type>string</type></column></view>\r\n",
      doc.xml());
  EXPECT_TRUE(mViewXML::ColumnExists(doc, L"p:last"));
  EXPECT_FALSE(mViewXML::ColumnExists(doc, L"P:LAST"));

  msxml::DOMDocument empty;
  EXPECT_FALSE(mViewXML::ColumnExists(empty, L"p:last"));
  EXPECT_TRUE(Logged(L"Xml.ColumnExists"));
  mViewXML::AddTableViewUserColumn(empty, L"x", L"p:x", L"string", L"", L"", 0);
  EXPECT_TRUE(Logged(L"Xml.AddTableViewUserColumn"));
}
