// The templates root folder and the program's drafts folder: found by their stored EntryID,
// else by name, else made; a remembered folder now in Deleted Items counts as missing.
#include <algorithm>
#include <vector>

#include "addin/Connect.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/frmReplyFolder.h"
#include "engine/SystemFiling.h"
#include "engine/mStandardTemplates.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Runtime.h"

namespace {

constexpr const wchar_t* kSetTanveloFolder = L"Connect::SetTanveloFolder";
constexpr const wchar_t* kGetTanveloDrafts = L"Connect::GetTanveloDrafts";
constexpr const wchar_t* kDefaultName = L"Tanvelo Templates";
constexpr const wchar_t* kOldDefaultName = L"Tanvelo templates";
constexpr const wchar_t* kDraftsName = L"Tanvelo Drafts";
// What a drafts folder not made leaves for the next start: the option that marks a folder just
// made is not set for a folder that is not there.
constexpr const wchar_t* kDraftsLater =
    L": it and its view option ModifyTVDraftsView are set up at the next start";
constexpr int32_t olFolderTypeMail = 16;
constexpr int32_t kYesNoQuestion = 36, kCritical = 16, kExclamation = 48;  // message-box styles

using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

// The subfolder of that name, or null; a lookup that fails is no folder.
FolderPtr Subfolder(const FolderPtr& parent, const std::wstring& name) {
  FolderPtr found;
  vb::Ignore([&] { found = parent->Folders()->Item(name); });
  vb::Err().Clear();
  return found;
}

std::wstring AskFolderName(const std::wstring& proposal) {
  frmReplyFolder form;
  form.Load();
  form.txtFolder->SetText(proposal);
  form.Show(forms::vbModal);
  std::wstring name = form.txtFolder->Text();
  form.Unload();
  return name;
}

std::wstring Joined(const std::vector<std::wstring>& parts, const wchar_t* between) {
  std::wstring text;
  for (const auto& part : parts) text += (text.empty() ? L"" : between) + part;
  return text;
}

// The samples named by folder, each folder once: "Quote templates: a, b".
std::wstring SamplesText(const std::vector<std::wstring>& keys) {
  std::vector<std::pair<std::wstring, std::wstring>> byFolder;
  for (const auto& key : keys) {
    const size_t slash = key.find(L'/');
    std::wstring folder = key.substr(0, slash), subject = key.substr(slash + 1);
    auto at = std::find_if(byFolder.begin(), byFolder.end(),
                           [&](const auto& entry) { return entry.first == folder; });
    if (at == byFolder.end())
      byFolder.emplace_back(folder, L"'" + subject + L"'");
    else if (at->second.find(L"'" + subject + L"'") == std::wstring::npos)
      at->second += L", '" + subject + L"'";
  }
  std::wstring text = L"the sample templates ";
  for (size_t i = 0; i < byFolder.size(); ++i)
    text += (i ? L"; " : L"") + byFolder[i].first + L": " + byFolder[i].second;
  return text;
}

std::vector<std::wstring> Split(const std::wstring& record) {
  std::vector<std::wstring> keys;
  for (size_t at = 0; at <= record.size();) {
    size_t bar = record.find(L'|', at);
    if (bar == std::wstring::npos) bar = record.size();
    if (bar > at) keys.push_back(record.substr(at, bar - at));
    at = bar + 1;
  }
  return keys;
}

// A folder kept by its id is not taken for new at the next start, so a record of samples not
// made that could not be written now is written once Outlook lets it; one this start could not
// read keeps what it holds.
void RecordSamplesLater(std::vector<std::wstring> missing, bool replace) {
  mTanvelo::AskLater(
      L"the record of the sample templates not made (" + Joined(missing, L"|") + L")",
      [missing, replace] {
        std::vector<std::wstring> keys;
        if (!replace) {
          bool refused = false;
          keys = Split(Options().SamplesNotMade(&refused));
          if (refused) return false;
        }
        for (const auto& key : missing)
          if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
        return Options().SetSamplesNotMade(Joined(keys, L"|"));
      });
}

// The samples a new folder or a first run gets, and those an earlier start could not make.
// `recorded` tells whether an earlier start left a record, `readable` whether it could be read.
void MakeSamples(bool isNew, bool bFirstRun, std::vector<std::wstring>& missing, bool& recorded,
                 bool& readable) {
  // A folder not made ends a build: its cause is logged, what it lost is in `missing`.
  auto build = [&](bool force, const std::vector<std::wstring>* only) {
    if (!vb::Catch([&] { mStandardTemplates::CreateStandardTemplates(force, &missing, only); }))
      LogError(kSetTanveloFolder, std::nullopt, std::nullopt,
               L"A folder of the sample templates was not made");
    vb::Err().Clear();
  };
  bool refused = false;
  const std::wstring record = Options().SamplesNotMade(&refused);
  recorded = !record.empty();
  readable = !refused;
  build(isNew || bFirstRun, nullptr);
  if (isNew) return;  // forced: whatever an earlier start left was asked for again
  if (refused)
    LogError(kSetTanveloFolder, std::nullopt, std::nullopt,
             L"The record of the sample templates not made could not be read; it is read again "
             L"at the next start");
  std::vector<std::wstring> left = Split(record);
  if (!left.empty()) build(false, &left);
  std::vector<std::wstring> once;
  for (const auto& key : missing)
    if (std::find(once.begin(), once.end(), key) == once.end()) once.push_back(key);
  missing = std::move(once);
}

}  // namespace

void Connect::SetTanveloFolder(bool& bFirstRun) {
  FolderPtr folder;
  std::wstring sName = kDefaultName;
  // What this start could not set up and the next one makes: told in one box at the end.
  std::vector<std::wstring> notMade;
  bool tellLater = false;  // the folder is there; a failure after it is told through notMade
  // Told by name: without it a later start looks for the folder again, and the reader of the
  // log must learn which folder this session may lack.
  if (!vb::Catch([&] {
        LogInfo(kSetTanveloFolder, L"");
        auto session = g_oApp->Session();
        // Asked again while the store is busy: without the folder no template serves this session.
        FolderPtr root;
        if (!mTanvelo::Retried([&] {
              root = std::dynamic_pointer_cast<outlook::MAPIFolder>(
                  session->GetDefaultFolder(outlook::olFolderInbox)->Parent());
            }))
          vb::Raise(vb::Err().Number(), vb::Err().Description());
        if (!root) vb::Raise(vb::kObjectVariableNotSet);
        std::wstring storedId = Options().TanvelloEntryID();

        // Asked again while refused: a folder taken for gone is asked for by name, or made anew.
        if (!storedId.empty() &&
            !mTanvelo::Retried([&] { folder = session->GetFolderFromID(storedId); }))
          vb::Err().Clear();
        if (folder && IsDeleted(folder)) folder.reset();

        if (!folder) {
          folder = Subfolder(root, kDefaultName);
          if (!folder) {
            sName = kOldDefaultName;
            folder = Subfolder(root, kOldDefaultName);
          }
          if (folder) {
            int32_t answer =
                vb::MsgBox(LangText(L"IDS_TMPFOLDERFOUND", folder->Name()), kYesNoQuestion);
            if (answer != vb::vbYes) {
              folder.reset();
              sName = sName + L" (" + LangText(L"IDS_NEW") + L")";
            }
          } else {
            sName = kDefaultName;
          }
        }

        if (!folder) {
          sName = AskFolderName(sName);
          // Asked again while refused: a lookup refused a moment must not make a second folder,
          // nor an add refused a moment leave the session without one.
          if (!mTanvelo::Retried([&] {
                folder = Subfolder(root, sName);
                if (!folder) folder = root->Folders()->Add(sName, olFolderTypeMail);
              })) {
            folder.reset();
            vb::Err().Clear();
          }
          if (!folder) {
            vb::MsgBox(LangText(L"IDS_CANNOTCREATEFOLDER", sName), kCritical);
            LogInfo(kSetTanveloFolder, L"Cannot create folder '" + sName + L"'");
          }
        }

        g_oTemplatesFolder = folder;
        if (!folder) return;
        tellLater = true;
        // What the system files into the new folder is not the user's dropping.
        SystemFiling filing;
        const bool isNew = folder->EntryID() != storedId;
        std::vector<std::wstring> missing;
        bool recorded = false, readable = true;
        MakeSamples(isNew, bFirstRun, missing, recorded, readable);
        if (bFirstRun) {
          bool bAsked = false, bCancelled = false;
          mTanvelo::PostItems2MailItems(folder, bAsked, bCancelled);
        }
        // The record of what is missing goes first: a folder kept by its id without it would
        // lose those samples for good, and one not kept is taken for new at the next start.
        // A record that could not be read stays for the next start; new losses cannot join it.
        if (!missing.empty()) notMade.push_back(SamplesText(missing));
        bool kept = missing.empty();
        if (readable && (recorded || !missing.empty()))
          kept = Options().SetSamplesNotMade(Joined(missing, L"|")) || kept;
        if (!kept) {
          notMade.push_back(L"the record of the templates folder '" + folder->Name() + L"'");
          if (!isNew) RecordSamplesLater(missing, readable);
          return;
        }
        if (!Options().SetTanvelloEntryID(folder->EntryID()))
          notMade.push_back(L"the record of the templates folder '" + folder->Name() + L"'");
      })) {
    LogError(kSetTanveloFolder, std::nullopt, std::nullopt,
             L"The templates folder '" + sName + L"' was not set up");
    // Past the folder, what failed left its id unstored: the next start asks to use it.
    if (tellLater && g_oTemplatesFolder)
      notMade.push_back(L"the record of the templates folder '" + g_oTemplatesFolder->Name() +
                        L"'");
    else
      notMade.push_back(L"the templates folder '" + sName + L"'");
  }
  if (notMade.empty()) return;
  std::wstring list;
  for (const auto& part : notMade) list += L"\n- " + part;
  LogError(kSetTanveloFolder, std::nullopt, std::nullopt,
           L"The set-up is not whole, left for the next start:" + list);
  vb::MsgBox(LangText(L"STR_SETUP_NOT_WHOLE", list), kExclamation);
}

FolderPtr Connect::GetTanveloDrafts() {
  FolderPtr found;
  // Asked again while refused; still refused, or not made (the cause logged where it failed),
  // told by name with what the next start makes up for: without it the session's drafts are
  // kept in Outlook's own Drafts.
  bool own = false;
  if (!mTanvelo::Retried([&] { found = FindTanveloDrafts(own); }) || !own)
    LogError(
        kGetTanveloDrafts, std::nullopt, std::nullopt,
        std::wstring(L"The drafts folder '") + kDraftsName + L"' was not set up" + kDraftsLater);
  return found;
}

FolderPtr Connect::FindTanveloDrafts(bool& own) {
  own = false;
  auto session = g_oApp->Session();
  FolderPtr drafts = session->GetDefaultFolder(outlook::olFolderDrafts);
  std::wstring storedId = Options().TanveloDraftsEntryID();
  FolderPtr folder;
  if (!storedId.empty()) {
    vb::Ignore([&] { folder = session->GetFolderFromID(storedId); });
    vb::Err().Clear();
  }
  if (folder && IsDeleted(folder)) folder.reset();
  if (!folder) folder = Subfolder(drafts, kDraftsName);
  if (!folder) {
    // Asked again while refused: a lookup refused a moment must not make a second folder, nor
    // an add refused a moment leave the drafts in Outlook's own folder.
    bool made = false;
    if (mTanvelo::Retried([&] {
          folder = Subfolder(drafts, kDraftsName);
          if (folder) return;
          folder = drafts->Folders()->Add(kDraftsName, olFolderTypeMail);
          made = true;
        })) {
      if (made) Options().SetModifyTVDraftsView(true);
    } else {
      LogError(kGetTanveloDrafts, std::nullopt, std::nullopt,
               std::wstring(L"Cannot create folder '") + kDraftsName + L"'");
      folder.reset();
    }
  }
  if (!folder) {
    Options().SetTanveloDraftsEntryID(L"");
    return drafts;
  }
  Options().SetTanveloDraftsEntryID(folder->EntryID());
  own = true;
  return folder;
}

bool Connect::IsDeleted(const FolderPtr& folder) {
  return TrapOr(L"Connect::IsDeleted", false, [&] {
    LogInfo(L"Connect::IsDeleted", L"");
    if (!folder) return false;
    auto deleted = g_oApp->Session()->GetDefaultFolder(outlook::olFolderDeletedItems);
    // Names say nothing: a user folder may be called like Deleted Items.
    for (FolderPtr current = folder; current;) {
      if (current->EntryID() == deleted->EntryID() && current->StoreID() == deleted->StoreID())
        return true;
      auto parent = current->Parent();
      if (!parent || parent->Class() != outlook::olFolder) return false;
      current = std::dynamic_pointer_cast<outlook::MAPIFolder>(parent);
    }
    return false;
  });
}
