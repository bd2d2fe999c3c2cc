// Module mViewXML: the "HotKey" and "Action" columns added to the table view of a templates
// folder, by editing the view's XML definition.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace msxml {
class DOMDocument;
class IXMLDOMNode;
class IXMLDOMNodeList;
}  // namespace msxml
namespace outlook {
class View;
}

namespace mViewXML {

// The view-column path of a text user property (a string-named property of
// PS_PUBLIC_STRINGS).
std::wstring UserPropertyPath(const std::wstring& name);

// Adds the two hotkey columns to a table view that lacks them and assigns the XML back when
// it changed; the view is not saved.
void ModifyFolderView(const std::shared_ptr<outlook::View>& view);
// A width of 0 gives 40; an empty user heading writes none; the column goes before the one
// of `sBeforeProp` when there is one, else last.
void AddTableViewUserColumn(msxml::DOMDocument& doc, const std::wstring& heading,
                            const std::wstring& sProp, const std::wstring& sType,
                            const std::wstring& sUserHeading, const std::wstring& sBeforeProp,
                            int16_t nWidth);
bool ColumnExists(msxml::DOMDocument& doc, const std::wstring& sProp);
// The first column whose "prop" is exactly sProp, or null.
std::shared_ptr<msxml::IXMLDOMNode> FindTableViewColumn(const msxml::IXMLDOMNodeList& columns,
                                                        const std::wstring& sProp);
// The drafts folder's view is left as Outlook made it.
void ModifyTVDraftsView(const std::shared_ptr<outlook::View>& view, bool& bChanged);

}  // namespace mViewXML
