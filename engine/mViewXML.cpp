#include "engine/mViewXML.h"

#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/outlook/Folder.h"
#include "platform/vb/Runtime.h"

namespace mViewXML {
namespace {

constexpr int32_t kTableView = 0;
constexpr int16_t kDefaultWidth = 40;

std::shared_ptr<msxml::IXMLDOMNode> Root(msxml::DOMDocument& doc) {
  auto root = doc.documentElement();
  if (!root) vb::Raise(vb::kObjectVariableNotSet);
  return root;
}

}  // namespace

std::wstring UserPropertyPath(const std::wstring& name) {
  return L"http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/" + name;
}

void ModifyFolderView(const std::shared_ptr<outlook::View>& view) {
  Trap(L"mViewXML::ModifyFolderView", [&] {
    if (!view) vb::Raise(vb::kObjectVariableNotSet);
    if (GetAppVersion() < 10 || view->ViewType() != kTableView) return;
    auto doc = vb::CreateObject<msxml::DOMDocument>(L"MSXML2.DOMDocument");
    // A definition that does not load is left alone rather than replaced by nothing.
    if (!doc->loadXML(view->XML())) vb::Raise(vb::kInvalidProcedureCall, doc->parseErrorReason());
    bool bChanged = false;
    const struct {
      const wchar_t* heading;
      const wchar_t* property;
    } columns[] = {{L"HotKey", mTanvelo::kHotkeyProperty},
                   {L"Action", mTanvelo::kHotkeyActionProperty}};
    for (const auto& column : columns) {
      std::wstring prop = UserPropertyPath(column.property);
      if (ColumnExists(*doc, prop)) continue;
      AddTableViewUserColumn(*doc, column.heading, prop, L"string", L"", L"", 0);
      bChanged = true;
    }
    if (bChanged) view->SetXML(doc->xml());
  });
}

void AddTableViewUserColumn(msxml::DOMDocument& doc, const std::wstring& heading,
                            const std::wstring& sProp, const std::wstring& sType,
                            const std::wstring& sUserHeading, const std::wstring& sBeforeProp,
                            int16_t nWidth) {
  Trap(L"Xml.AddTableViewUserColumn", [&] {
    auto column = doc.createElement(L"column");
    if (nWidth == 0) nWidth = kDefaultWidth;
    auto child = [&](const wchar_t* name, const std::wstring& value) {
      auto node = doc.createElement(name);
      node->put_nodeTypedValue(value);
      column->appendChild(node);
    };
    child(L"heading", heading);
    child(L"prop", sProp);
    child(L"width", std::to_wstring(nWidth));
    child(L"type", sType);
    if (!sUserHeading.empty()) child(L"userheading", sUserHeading);

    auto root = Root(doc);
    auto columns = root->selectNodes(L"column");
    std::shared_ptr<msxml::IXMLDOMNode> before;
    if (!sBeforeProp.empty()) before = FindTableViewColumn(*columns, sBeforeProp);
    if (before)
      root->insertBefore(column, before);
    else
      root->appendChild(column);
  });
}

bool ColumnExists(msxml::DOMDocument& doc, const std::wstring& sProp) {
  return TrapOr(L"Xml.ColumnExists", false, [&] {
    return FindTableViewColumn(*Root(doc)->selectNodes(L"column"), sProp) != nullptr;
  });
}

std::shared_ptr<msxml::IXMLDOMNode> FindTableViewColumn(const msxml::IXMLDOMNodeList& columns,
                                                        const std::wstring& sProp) {
  for (int32_t i = 0; i < columns.length(); ++i) {
    auto column = columns.item(i);
    auto prop = column->selectSingleNode(L"prop");
    if (prop && prop->nodeTypedValue() == sProp) return column;
  }
  return nullptr;
}

void ModifyTVDraftsView(const std::shared_ptr<outlook::View>&, bool&) {}

}  // namespace mViewXML
