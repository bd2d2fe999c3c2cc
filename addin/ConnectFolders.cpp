// The templates root folder and the program's drafts folder: found by their stored EntryID,
// else by name, else made; a remembered folder now in Deleted Items counts as missing.
#include "addin/Connect.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/frmReplyFolder.h"
#include "engine/SystemFiling.h"
#include "engine/mStandardTemplates.h"
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
constexpr int32_t kYesNoQuestion = 36, kCritical = 16;  // message-box styles

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

}  // namespace

void Connect::SetTanveloFolder(bool& bFirstRun) {
  FolderPtr folder;
  std::wstring sName = kDefaultName;
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
          folder = Subfolder(root, sName);
          if (!folder) {
            vb::Ignore([&] { folder = root->Folders()->Add(sName, olFolderTypeMail); });
            vb::Err().Clear();
          }
          if (!folder) {
            vb::MsgBox(LangText(L"IDS_CANNOTCREATEFOLDER", sName), kCritical);
            LogInfo(kSetTanveloFolder, L"Cannot create folder '" + sName + L"'");
          }
        }

        g_oTemplatesFolder = folder;
        if (!folder) return;
        // What the system files into the new folder is not the user's dropping.
        SystemFiling filing;
        mStandardTemplates::CreateStandardTemplates(folder->EntryID() != storedId ? true
                                                                                  : bFirstRun);
        if (bFirstRun) {
          bool bAsked = false, bCancelled = false;
          mTanvelo::PostItems2MailItems(folder, bAsked, bCancelled);
        }
        Options().SetTanvelloEntryID(folder->EntryID());
      }))
    LogError(kSetTanveloFolder, std::nullopt, std::nullopt,
             L"The templates folder '" + sName + L"' was not set up");
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
