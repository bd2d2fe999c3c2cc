#include <gtest/gtest.h>

#include "platform/msxml/DOMDocument.h"
#include "platform/vb/Runtime.h"

using msxml::DOMDocument;

namespace {
const std::wstring kView =
    L"<?xml version=\"1.0\"?>\r\n"
    L"<view type=\"table\"><viewname>Messages</viewname>"
    L"<column><heading>From</heading><prop>urn:schemas:httpmail:fromname</prop></column>"
    L"<column><heading>Subject</heading><prop>urn:schemas:httpmail:subject</prop></column>"
    L"</view>";

std::shared_ptr<msxml::IXMLDOMNode> Element(DOMDocument& doc, const std::wstring& name,
                                            const std::wstring& value) {
  auto node = doc.createElement(name);
  node->put_nodeTypedValue(value);
  return node;
}
}  // namespace

TEST(DOMDocument, LoadsSelectsAndWritesBackUnchanged) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(kView));
  auto root = doc.documentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(L"view", root->nodeName());
  auto columns = root->selectNodes(L"column");
  ASSERT_EQ(2, columns->length());
  EXPECT_EQ(L"urn:schemas:httpmail:subject",
            columns->item(1)->selectSingleNode(L"prop")->nodeTypedValue());
  EXPECT_EQ(nullptr, columns->item(2));
  EXPECT_EQ(nullptr, columns->item(0)->selectSingleNode(L"width"));
  // Declaration and element each end with CR LF; nothing else is added.
  std::wstring expected = kView;
  expected.replace(expected.find(L"<view"), 0, L"");
  EXPECT_EQ(expected + L"\r\n", doc.xml());
}

TEST(DOMDocument, CreatedElementsStayHiddenUntilInserted) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(kView));
  auto root = doc.documentElement();
  auto column = doc.createElement(L"column");
  column->appendChild(Element(doc, L"heading", L"HotKey"));
  column->appendChild(Element(doc, L"prop", L"a<b & \"c\""));
  EXPECT_EQ(std::wstring::npos, doc.xml().find(L"HotKey"));
  EXPECT_EQ(2, root->selectNodes(L"column")->length());
  EXPECT_EQ(nullptr, column->parentNode());

  auto first = root->selectNodes(L"column")->item(0);
  root->insertBefore(column, first);
  auto columns = root->selectNodes(L"column");
  ASSERT_EQ(3, columns->length());
  EXPECT_TRUE(columns->item(0)->IsSameNode(*column));
  EXPECT_EQ(L"a<b & \"c\"", columns->item(0)->selectSingleNode(L"prop")->nodeTypedValue());
  EXPECT_NE(std::wstring::npos,
            doc.xml().find(L"<column><heading>HotKey</heading><prop>a&lt;b &amp; \"c\"</prop>"
                           L"</column><column><heading>From</heading>"));
  // Appending moves the node: it is not copied.
  root->appendChild(column);
  columns = root->selectNodes(L"column");
  ASSERT_EQ(3, columns->length());
  EXPECT_TRUE(columns->item(2)->IsSameNode(*column));
}

TEST(DOMDocument, TypedValueWriteReplacesChildren) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(L"<a><b>x<c>y</c>z</b></a>"));
  auto b = doc.documentElement()->selectSingleNode(L"b");
  EXPECT_EQ(L"xyz", b->nodeTypedValue());
  b->put_nodeTypedValue(L"\u00E9\u20AC");
  EXPECT_EQ(L"<a><b>\u00E9\u20AC</b></a>\r\n", doc.xml());
  b->put_nodeTypedValue(L"");
  EXPECT_EQ(L"<a><b/></a>\r\n", doc.xml());
}

TEST(DOMDocument, RefusesWhatMsxmlRefuses) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(L"<a><b/><c/></a>"));
  auto root = doc.documentElement();
  auto b = root->selectSingleNode(L"b");
  auto c = root->selectSingleNode(L"c");
  struct Case {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"anchor not a child", [&] { b->insertBefore(doc.createElement(L"x"), c); }},
      {"node of another document",
       [&] {
         DOMDocument other;
         root->appendChild(other.createElement(L"x"));
       }},
      {"node below itself", [&] { b->appendChild(root); }},
      {"null node", [&] { root->appendChild(nullptr); }},
      {"bad pattern", [&] { root->selectNodes(L"column[")->length(); }},
      {"element without a name", [&] { doc.createElement(L""); }},
  };
  for (const auto& test : cases) {
    EXPECT_FALSE(vb::Catch(test.call)) << test.what;
  }
  EXPECT_EQ(L"<a><b/><c/></a>\r\n", doc.xml());
}

TEST(DOMDocument, BadTextLeavesAnEmptyDocument) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(kView));
  for (const wchar_t* text : {L"<view><column></view>", L"", L"<?xml version=\"1.0\"?>"}) {
    EXPECT_FALSE(doc.loadXML(text)) << text;
    EXPECT_EQ(nullptr, doc.documentElement());
    EXPECT_FALSE(doc.parseErrorReason().empty());
    EXPECT_EQ(L"", doc.xml());
  }
}

TEST(DOMDocument, NestingPastAnyRealDocumentIsRefused) {
  DOMDocument doc;
  std::wstring deep;
  for (int i = 0; i < 50000; ++i) deep += L"<a>";
  std::wstring closed = deep + L"x";
  for (int i = 0; i < 50000; ++i) closed += L"</a>";
  EXPECT_FALSE(doc.loadXML(closed));
  EXPECT_NE(std::wstring::npos, doc.parseErrorReason().find(L"deeper"));
  std::wstring fine;
  for (int i = 0; i < 200; ++i) fine = L"<a>" + fine + L"</a>";
  ASSERT_TRUE(doc.loadXML(L"<r>" + fine + L"</r>"));
  EXPECT_EQ(L"", doc.documentElement()->text());
}

TEST(DOMDocument, CreatableOnlyWhenInstalled) {
  EXPECT_FALSE(vb::Catch([] { vb::CreateObject<DOMDocument>(L"MSXML2.DOMDocument"); }));
  EXPECT_EQ(vb::kCantCreateObject, vb::Err().Number());
  msxml::Install();
  auto doc = vb::CreateObject<DOMDocument>(L"msxml2.domdocument");
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->loadXML(L"<a/>"));
}
