// The three customUI documents: what Office gets for each ribbon id, that the host loads them
// and binds every callback, and that the XML and the code's rule tables name the same controls,
// so neither can drift from the other.
#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <set>

#include "resources/RibbonXML.h"
#include "tests/addin/RibbonFakes.h"

using namespace ribbontest;

namespace {

using IdSet = std::set<std::wstring>;

std::wstring Widen(const char* s) {
  return std::wstring(s, s + std::char_traits<char>::length(s));
}

struct Parsed {
  std::map<std::wstring, IdSet> byAttribute;  // "onAction" -> ids carrying it
  IdSet ids;
  std::map<std::wstring, int> kinds;  // element name -> count
};

void Walk(const pugi::xml_node& node, Parsed& out) {
  for (auto child : node.children()) {
    std::wstring id = Widen(child.attribute("id").value());
    out.kinds[Widen(child.name())]++;
    if (!id.empty()) out.ids.insert(id);
    for (auto attr : child.attributes())
      if (!id.empty()) out.byAttribute[Widen(attr.name())].insert(id);
    Walk(child, out);
  }
}

Parsed Parse(const std::wstring& xml) {
  pugi::xml_document doc;
  auto result = doc.load_buffer(xml.data(), xml.size() * sizeof(wchar_t), pugi::parse_default,
                                pugi::encoding_wchar);
  EXPECT_TRUE(result) << result.description();
  Parsed parsed;
  Walk(doc, parsed);
  return parsed;
}

IdSet Minus(const IdSet& a, const IdSet& b) {
  IdSet out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

IdSet AsSet(const std::vector<std::wstring>& v) {
  return IdSet(v.begin(), v.end());
}

std::wstring Join(const IdSet& ids) {
  std::wstring out;
  for (const auto& id : ids) out += id + L" ";
  return out;
}

class RibbonXml : public RibbonTest {
 protected:
  Parsed All() {
    Parsed all;
    for (const wchar_t* id : {resources::ribbon::kReadId, resources::ribbon::kComposeId,
                              resources::ribbon::kExplorerId}) {
      Parsed one = Parse(ribbon.GetCustomUI(id));
      for (auto& [attr, ids] : one.byAttribute)
        all.byAttribute[attr].insert(ids.begin(), ids.end());
      all.ids.insert(one.ids.begin(), one.ids.end());
    }
    return all;
  }
};

}  // namespace

TEST_F(RibbonXml, EachRibbonIdGetsItsDocumentAndOthersNone) {
  EXPECT_NE(std::wstring::npos,
            ribbon.GetCustomUI(L"Microsoft.Outlook.Mail.Read").find(L"tabRespond"));
  EXPECT_NE(std::wstring::npos,
            ribbon.GetCustomUI(L"Microsoft.Outlook.Mail.Compose").find(L"grpInsert"));
  EXPECT_NE(L"", ribbon.GetCustomUI(L"Microsoft.Outlook.Explorer"));
  EXPECT_EQ(L"", ribbon.GetCustomUI(L"microsoft.outlook.mail.read"));
  EXPECT_EQ(L"", ribbon.GetCustomUI(L"Microsoft.Outlook.Contact"));
  facts->version = 12;  // Outlook 2007 explorers keep their command bars
  EXPECT_EQ(L"", ribbon.GetCustomUI(L"Microsoft.Outlook.Explorer"));
  EXPECT_NE(L"", ribbon.GetCustomUI(L"Microsoft.Outlook.Mail.Read"));
}

TEST_F(RibbonXml, DocumentsHoldTheirGroupsAndTheExplorerIdsAllCarryThePrefix) {
  Parsed read = Parse(ribbon.GetCustomUI(L"Microsoft.Outlook.Mail.Read"));
  Parsed compose = Parse(ribbon.GetCustomUI(L"Microsoft.Outlook.Mail.Compose"));
  Parsed explorer = Parse(ribbon.GetCustomUI(L"Microsoft.Outlook.Explorer"));
  EXPECT_TRUE(read.ids.count(L"Norvane.Tanvelo.tabRespond"));
  EXPECT_FALSE(read.ids.count(L"Norvane.Tanvelo.grpInsert"));
  EXPECT_FALSE(compose.ids.count(L"Norvane.Tanvelo.tabRespond"));
  EXPECT_TRUE(compose.ids.count(L"btnFrom"));
  EXPECT_TRUE(read.ids.count(L"sepForwardWith"));
  EXPECT_EQ(6, explorer.kinds[L"group"]);
  EXPECT_EQ(3, explorer.kinds[L"splitButton"]);
  EXPECT_EQ(3, explorer.kinds[L"menu"]);
  EXPECT_EQ(3, explorer.kinds[L"menuSeparator"]);
  // Each split button: its button, the Sub item and five quick items; then the large buttons.
  EXPECT_EQ(3 * 7 + 3 + 8 + 2 + 1 + 1 + 3, explorer.kinds[L"button"]);
  for (const auto& id : explorer.ids) EXPECT_EQ(0u, id.rfind(X(L""), 0)) << id;
  EXPECT_TRUE(explorer.ids.count(X(L"m_mnuReplyAllWith")));
  EXPECT_TRUE(explorer.ids.count(X(L"sepTanveloSub")));
}

TEST_F(RibbonXml, TheHostLoadsEveryDocumentAndBindsEveryCallback) {
  auto shared = std::shared_ptr<CConnectRibbon>(&ribbon, [](CConnectRibbon*) {});
  office::RibbonHost host(shared);
  facts->itemTemplate = true;
  for (const wchar_t* id : {resources::ribbon::kReadId, resources::ribbon::kComposeId})
    host.OpenWindow(id, kInspector)->Draw();
  host.OpenWindow(resources::ribbon::kExplorerId, kExplorer)->Draw();
  EXPECT_TRUE(host.Errors().empty()) << (host.Errors().empty() ? "" : "first error");
  for (const auto& e : host.Errors()) ADD_FAILURE() << std::string(e.begin(), e.end());
  EXPECT_TRUE(ribbon.HasRibbon());
}

TEST_F(RibbonXml, XmlAndRuleTablesNameTheSameControls) {
  Parsed xml = All();
  using R = CConnectRibbon::Rule;
  // Every click and every screentip or picture the XML asks for has a rule. The only rules
  // nothing asks: the explorer templates button's tip, and "no picture" for the buttons whose
  // picture is Office's own.
  EXPECT_EQ(Join(xml.byAttribute[L"onAction"]), Join(AsSet(CConnectRibbon::RuleIds(R::Action))));
  EXPECT_EQ(L"", Join(Minus(xml.byAttribute[L"getScreentip"],
                            AsSet(CConnectRibbon::RuleIds(R::Screentip)))));
  EXPECT_EQ(X(L"btnTemplate") + L" ", Join(Minus(AsSet(CConnectRibbon::RuleIds(R::Screentip)),
                                                 xml.byAttribute[L"getScreentip"])));
  EXPECT_EQ(L"",
            Join(Minus(xml.byAttribute[L"getImage"], AsSet(CConnectRibbon::RuleIds(R::Image)))));
  EXPECT_EQ(Join(Minus(xml.byAttribute[L"imageMso"], {})),
            Join(Minus(AsSet(CConnectRibbon::RuleIds(R::Image)), xml.byAttribute[L"getImage"])));
  // Labels: one rule row names a control the ribbon does not have.
  EXPECT_EQ(L"",
            Join(Minus(xml.byAttribute[L"getLabel"], AsSet(CConnectRibbon::RuleIds(R::Label)))));
  EXPECT_EQ(X(L"mnuImportExport") + L" ",
            Join(Minus(AsSet(CConnectRibbon::RuleIds(R::Label)), xml.byAttribute[L"getLabel"])));
  // Visible: every asked control has a rule; the rows no XML attribute reaches are exactly
  // the menus, separators and split-button halves the context menu or nobody asks.
  EXPECT_EQ(
      L"", Join(Minus(xml.byAttribute[L"getVisible"], AsSet(CConnectRibbon::RuleIds(R::Visible)))));
  IdSet unasked = Minus(AsSet(CConnectRibbon::RuleIds(R::Visible)), xml.byAttribute[L"getVisible"]);
  IdSet expected;
  for (const wchar_t* n :
       {L"sbtnTemplate", L"mnuTemplate", L"mnuTanvelo", L"m_mnuReplyAllWith", L"m_mnuForwardWith",
        L"sepTanveloSub", L"sepReplyAllWithSub", L"sepForwardWithSub", L"btnTanvelo",
        L"btnReplyAllWith", L"btnForwardWith"})
    expected.insert(X(n));
  EXPECT_EQ(Join(expected), Join(unasked));
  // Enabled: a rule only where the XML asks; controls without a rule answer True.
  EXPECT_EQ(
      L"", Join(Minus(AsSet(CConnectRibbon::RuleIds(R::Enabled)), xml.byAttribute[L"getEnabled"])));
  // Invalidations and the context menu name only controls that exist.
  for (int list = 0; list < 8; ++list)
    for (const auto& id : CConnectRibbon::InvalidationList(list))
      EXPECT_TRUE(xml.ids.count(id)) << list;
  for (const auto& id : CConnectRibbon::ContextMenuFlagIds()) EXPECT_TRUE(xml.ids.count(id));
  for (const auto& id : CConnectRibbon::ContextMenuDispatchIds())
    EXPECT_TRUE(xml.byAttribute[L"onAction"].count(id));
}
