// Module mStandardTemplates: the sample templates written into the "Standard Templates"
// subtree of the templates folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"

namespace mStandardTemplates {

using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

// Gets or makes "Standard Templates" and its four folders below the templates folder and
// makes the samples of each folder that was just made, or of every folder when forced. A
// folder that cannot be made ends the build with its error.
void CreateStandardTemplates(bool bForce);
// Keeps the sample of this subject when its version is not below `nVersion`; otherwise puts
// a fresh one in its place. Errors are logged.
void UpdateTemplate(const FolderPtr& folder, const std::wstring& sSubject,
                    const std::wstring& sBody, int32_t nVersion);
// The subfolder of that name, or a new one (bCreated then True). Errors of making it go to
// the caller.
FolderPtr GetOrCreateFolder(const FolderPtr& parent, const std::wstring& sName, bool& bCreated);

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
