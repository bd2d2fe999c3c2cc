// Module mStandardTemplates: the sample templates written into the "Standard Templates"
// subtree of the templates folder.
#pragma once

#include <string>
#include <vector>

namespace mStandardTemplates {

struct StandardTemplate {
  std::wstring folder;  // subfolder of "Standard Templates"
  std::wstring subject;
  std::wstring fragment;  // the HTML inside the page's body
};

// The samples in creation order: folder by folder, each folder's in its own order.
const std::vector<StandardTemplate>& StandardTemplateList();
// The whole page stored as a sample's HTML body.
std::wstring WrapPage(const std::wstring& fragment);

}  // namespace mStandardTemplates
