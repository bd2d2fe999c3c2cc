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
// `missing`, when given, gets the samples the build was to make and did not (by SampleKey),
// those of a folder not made and of the folders after it among them. With `only` the build
// makes just those samples (what an earlier build left), and no folder that holds none of them.
void CreateStandardTemplates(bool bForce, std::vector<std::wstring>* missing = nullptr,
                             const std::vector<std::wstring>* only = nullptr);
// Keeps the sample of this subject when its version is not below `nVersion`; otherwise puts
// a fresh one in its place. Errors are logged; false when the sample is not there.
bool UpdateTemplate(const FolderPtr& folder, const std::wstring& sSubject,
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
// "folder/subject": how a sample is named where it is recorded and told.
std::wstring SampleKey(const StandardTemplate& sample);
// The whole page stored as a sample's HTML body.
std::wstring WrapPage(const std::wstring& fragment);

}  // namespace mStandardTemplates
