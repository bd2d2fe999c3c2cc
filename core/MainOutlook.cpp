// The helpers of Main that reach Outlook and Redemption, and the Outlook-facing globals.
#include "core/COptions.h"
#include "core/Main.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"

std::shared_ptr<outlook::Application> g_oApp;
std::shared_ptr<outlook::MAPIFolder> g_oTemplatesFolder;
std::shared_ptr<outlook::MAPIFolder> g_oDraftsFolder;

namespace {

struct OutlookGlobals {
  std::unique_ptr<COptions> options;
  int32_t appVersion = 0;
};

OutlookGlobals& S() {
  return win32::PlatformState<OutlookGlobals>();
}

const bool kGlobalsReset = (win32::RegisterReset([] {
                              g_oApp.reset();
                              g_oTemplatesFolder.reset();
                              g_oDraftsFolder.reset();
                            }),
                            true);

}  // namespace

COptions& Options() {
  (void)kGlobalsReset;
  if (!S().options) S().options = std::make_unique<COptions>();
  return *S().options;
}

void ReleaseOptions() {
  S().options.reset();
}

int32_t GetAppVersion() {
  if (S().appVersion != 0) return S().appVersion;
  std::wstring version;
  vb::Ignore([&] {
    if (!g_oApp) vb::Raise(vb::kObjectVariableNotSet);
    version = g_oApp->Version();
  });
  vb::Err().Clear();
  size_t point = version.find(L'.');
  if (point != std::wstring::npos) version = version.substr(0, point);
  int32_t major = 0;
  vb::Ignore([&] { major = vb::CLng(vb::Val(version)); });
  vb::Err().Clear();
  S().appVersion = major;
  return major;
}

std::shared_ptr<redemption::SafeItem> GetSafeItem(const std::shared_ptr<outlook::Item>& item) {
  return TrapOr(L"Main::GetSafeItem", std::shared_ptr<redemption::SafeItem>(),
                [&]() -> std::shared_ptr<redemption::SafeItem> {
                  if (!item) vb::Raise(vb::kObjectVariableNotSet);
                  int32_t cls = item->Class();
                  std::shared_ptr<redemption::SafeItem> safe;
                  if (cls == outlook::olMail) {
                    safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
                  } else if (cls == outlook::olPost) {
                    safe = vb::CreateObject<redemption::SafePostItem>(L"Redemption.SafePostItem");
                  } else {
                    LogError(L"Main::GetSafeItem", 0,
                             L"Invalid ItemClass = " + std::to_wstring(cls));
                    return nullptr;
                  }
                  safe->SetItem(item);
                  return safe;
                });
}

std::wstring GetFolderPath(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  return TrapOr(L"Main::GetFolderPath", std::wstring(), [&] {
    std::wstring path;
    auto current = folder;
    while (current) {
      path = path.empty() ? current->Name() : current->Name() + L"\\" + path;
      auto parent = current->Parent();
      current = parent && parent->Class() == outlook::olFolder
                    ? std::dynamic_pointer_cast<outlook::MAPIFolder>(parent)
                    : nullptr;
    }
    return L"\\\\" + path;
  });
}

bool DraftsFolderOrRaise(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  if (!folder) return false;
  bool answer = false;
  // Outlook busy a moment must not hide the drafts commands: the look is asked again.
  Held([&] {
    answer = false;
    if (!g_oApp) vb::Raise(vb::kObjectVariableNotSet);
    auto drafts = g_oApp->Session()->GetDefaultFolder(outlook::olFolderDrafts);
    if (!drafts) vb::Raise(vb::kObjectVariableNotSet);
    if (folder->StoreID() != drafts->StoreID()) return;
    std::shared_ptr<outlook::MAPIFolder> current = folder;
    while (current->EntryID() != drafts->EntryID()) {
      auto parent = current->Parent();
      if (!parent || parent->Class() != outlook::olFolder) return;
      current = std::dynamic_pointer_cast<outlook::MAPIFolder>(parent);
      if (!current) return;
    }
    answer = true;
  });
  return answer;
}

bool IsDraftsFolder(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  bool answer = false;
  vb::Ignore([&] { answer = DraftsFolderOrRaise(folder); });
  vb::Err().Clear();
  return answer;
}
