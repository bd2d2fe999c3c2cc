#include "engine/mStandardTemplates.h"

#include "core/Main.h"
#include "engine/SystemFiling.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Need.h"
#include "platform/vb/Runtime.h"

namespace mStandardTemplates {
namespace {

const wchar_t* const kStandardFolder = L"Standard Templates";
const wchar_t* const kSampleFolders[] = {L"Forward templates", L"New Message Templates",
                                         L"Quote templates", L"Reply Templates"};

using vb::Need;

}  // namespace

void CreateStandardTemplates(bool bForce) {
  SystemFiling filing;
  bool bCreated = false;
  FolderPtr standard = GetOrCreateFolder(Need(g_oTemplatesFolder), kStandardFolder, bCreated);
  for (const wchar_t* name : kSampleFolders) {
    FolderPtr folder = GetOrCreateFolder(standard, name, bCreated);
    if (!bCreated && !bForce) continue;
    for (const auto& sample : StandardTemplateList())
      if (sample.folder == name) UpdateTemplate(folder, sample.subject, sample.fragment, 0);
  }
}

void UpdateTemplate(const FolderPtr& folder, const std::wstring& sSubject,
                    const std::wstring& sBody, int32_t nVersion) {
  Trap(L"mStandardTemplates::UpdateTemplate", [&] {
    auto items = Need(folder)->Items();
    auto existing = items->Find(L"[MessageClass] = 'IPM.Note' and [Subject] = '" +
                                mTanvelo::FilterText(sSubject) + L"'");
    if (existing) {
      int32_t stored = 0;
      vb::Ignore([&] { stored = vb::CLng(vb::Val(existing->BillingInformation())); });
      vb::Err().Clear();
      if (nVersion <= stored) return;
      // Refused a moment, the old sample is asked again: else it stays beside the new one.
      if (!mTanvelo::Retried([&] { existing->Delete(); })) {
        mTanvelo::Insist(L"mStandardTemplates::UpdateTemplate", [&] {
          existing->Move(Need(g_oApp)->Session()->GetDefaultFolder(outlook::olFolderDeletedItems));
        });
      }
      vb::Err().Clear();
    }
    auto item = Need(items->Add());
    item->SetSubject(sSubject);
    item->SetBillingInformation(std::to_wstring(nVersion));
    item->SetHTMLBody(WrapPage(sBody));
    item->Save();
    if (Need(item->Parent())->EntryID() != folder->EntryID())
      mTanvelo::Insist(L"mStandardTemplates::UpdateTemplate", [&] { item->Move(folder); });
  });
}

FolderPtr GetOrCreateFolder(const FolderPtr& parent, const std::wstring& sName, bool& bCreated) {
  FolderPtr folder;
  vb::Ignore([&] { folder = Need(parent)->Folders()->Item(sName); });
  vb::Err().Clear();
  if (folder) {
    bCreated = false;
    return folder;
  }
  folder = Need(parent)->Folders()->Add(sName);
  bCreated = true;
  return folder;
}

}  // namespace mStandardTemplates
