#include "engine/mStandardTemplates.h"

#include <algorithm>
#include <functional>

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

std::wstring SampleKey(const StandardTemplate& sample) {
  return sample.folder + L"/" + sample.subject;
}

void CreateStandardTemplates(bool bForce, std::vector<std::wstring>* missing,
                             const std::vector<std::wstring>* only) {
  SystemFiling filing;
  auto listed = [&](const StandardTemplate& sample) {
    return std::find(only->begin(), only->end(), SampleKey(sample)) != only->end();
  };
  auto wanted = [&](const wchar_t* name) {
    if (!only) return true;
    for (const auto& sample : StandardTemplateList())
      if (sample.folder == name && listed(sample)) return true;
    return false;
  };
  // A folder not made ends the build: what it and the folders after it were to hold is missing.
  auto lost = [&](const wchar_t* from) {
    if (!missing) return;
    bool reached = false;
    for (const wchar_t* name : kSampleFolders) {
      reached = reached || !from || std::wstring(name) == from;
      if (!reached) continue;
      for (const auto& sample : StandardTemplateList())
        if (sample.folder == name && (!only || listed(sample)))
          missing->push_back(SampleKey(sample));
    }
  };
  if (!std::any_of(std::begin(kSampleFolders), std::end(kSampleFolders), wanted)) return;
  bool bCreated = false;
  FolderPtr standard;
  try {
    standard = GetOrCreateFolder(Need(g_oTemplatesFolder), kStandardFolder, bCreated);
  } catch (const vb::Error&) {
    lost(nullptr);
    throw;
  }
  for (const wchar_t* name : kSampleFolders) {
    if (!wanted(name)) continue;
    FolderPtr folder;
    try {
      folder = GetOrCreateFolder(standard, name, bCreated);
    } catch (const vb::Error&) {
      lost(name);
      throw;
    }
    if (!only && !bCreated && !bForce) continue;
    for (const auto& sample : StandardTemplateList()) {
      if (sample.folder != name || (only && !listed(sample))) continue;
      if (!UpdateTemplate(folder, sample.subject, sample.fragment, 0) && missing)
        missing->push_back(SampleKey(sample));
    }
  }
}

bool UpdateTemplate(const FolderPtr& folder, const std::wstring& sSubject,
                    const std::wstring& sBody, int32_t nVersion) {
  // Each call Outlook refuses a moment is asked again, so that no sample is lost to it.
  if (vb::Catch([&] {
        std::shared_ptr<outlook::Items> items;
        std::shared_ptr<outlook::Item> existing;
        Held([&] {
          items = Need(folder)->Items();
          existing = items->Find(L"[MessageClass] = 'IPM.Note' and [Subject] = '" +
                                 mTanvelo::FilterText(sSubject) + L"'");
        });
        if (existing) {
          int32_t stored = 0;
          vb::Ignore([&] { stored = vb::CLng(vb::Val(existing->BillingInformation())); });
          vb::Err().Clear();
          if (nVersion <= stored) return;
          // Refused a moment, the old sample is asked again: else it stays beside the new one.
          if (!mTanvelo::Retried([&] { existing->Delete(); })) {
            mTanvelo::Insist(L"mStandardTemplates::UpdateTemplate", [&] {
              existing->Move(
                  Need(g_oApp)->Session()->GetDefaultFolder(outlook::olFolderDeletedItems));
            });
          }
          vb::Err().Clear();
        }
        std::shared_ptr<outlook::Item> item;
        Held([&] { item = Need(items->Add()); });
        Held([&] { item->SetSubject(sSubject); });
        Held([&] { item->SetBillingInformation(std::to_wstring(nVersion)); });
        Held([&] { item->SetHTMLBody(WrapPage(sBody)); });
        Held([&] { item->Save(); });
        bool elsewhere = false;
        Held([&] { elsewhere = Need(item->Parent())->EntryID() != folder->EntryID(); });
        if (elsewhere) Held([&] { item->Move(folder); });
      }))
    return true;
  // Still refused: the sample is named, so a user missing it learns which one and why.
  const std::wstring refusal = vb::Err().Description();
  std::wstring where;
  vb::Ignore([&] { where = Need(folder)->Name() + L"/"; });
  vb::Err().Clear();
  LogError(L"mStandardTemplates::UpdateTemplate", std::nullopt,
           L"the sample template \"" + where + sSubject + L"\" was not made - " + refusal);
  return false;
}

FolderPtr GetOrCreateFolder(const FolderPtr& parent, const std::wstring& sName, bool& bCreated) {
  FolderPtr folder;
  vb::Ignore([&] { folder = Need(parent)->Folders()->Item(sName); });
  vb::Err().Clear();
  if (folder) {
    bCreated = false;
    return folder;
  }
  // Refused a moment, the folder is asked for again; refused for good the error goes on.
  if (!mTanvelo::Retried([&] { folder = Need(parent)->Folders()->Add(sName); }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  bCreated = true;
  return folder;
}

}  // namespace mStandardTemplates
