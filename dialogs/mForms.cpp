#include "dialogs/mForms.h"

#include <memory>

#include "core/CLang.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/frmBrowseFolder.h"
#include "dialogs/frmHotkey.h"
#include "dialogs/frmImportExport.h"
#include "dialogs/frmSelectTemplate.h"
#include "dialogs/frmWait.h"
#include "engine/mTanveloRoad.h"
#include "hotkeys/CHotkeys.h"
#include "platform/forms/Form.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"
#include "platform/win32/Shell.h"

SelectTemplateRecord mForms::SelectTemplateParams;
BrowseFolderRecord mForms::BrowseFolderParams;
HotkeyRecord mForms::HotkeyParams;
std::function<void()> mForms::g_fnShowExportForm;
std::function<void()> mForms::g_fnShowImportForm;

namespace mForms {
namespace {

// Each dialog has one record, so a second show of a dialog that is still up (a hotkey's timer
// firing while the picker waits on its modal inspector) would overwrite the record under the
// first show. Such a show is refused and answers as Cancel would.
class ShowGuard {
 public:
  ShowGuard(bool& showing, std::wstring_view procedure) : showing_(showing) {
    if (showing_) {
      LogWarning(procedure, L"the dialog is already showing; this show is refused");
      return;
    }
    showing_ = owns_ = true;
  }
  ~ShowGuard() {
    if (owns_) showing_ = false;
  }
  ShowGuard(const ShowGuard&) = delete;
  ShowGuard& operator=(const ShowGuard&) = delete;
  explicit operator bool() const { return owns_; }

 private:
  bool& showing_;
  bool owns_ = false;
};

bool g_bShowingPicker = false;
bool g_bShowingFolder = false;
bool g_bShowingHotkey = false;

// The form's one instance lives for one modal show, which returns once the form unloads.
template <class T>
void ShowModal() {
  T form;
  form.Show(forms::vbModal);
  if (form.IsLoaded()) form.Unload();
}

}  // namespace

// Errors of the look-up and of the form reach the caller.
bool ShowHotkeyDialog(const std::wstring& sEntryID, std::optional<int32_t> nAction,
                      std::optional<int32_t> nKeyCode, std::optional<bool> bAlt, bool bOnTop,
                      std::wstring& sResult) {
  ShowGuard guard(g_bShowingHotkey, L"mForms::ShowHotkeyDialog");
  if (!guard) return false;
  int32_t position = 0;
  auto hotkey = Hotkeys().FindByTemplate(sEntryID, position);
  HotkeyParams = {false,
                  bAlt.value_or(hotkey ? hotkey->Alt : true),
                  nKeyCode.value_or(hotkey ? hotkey->KeyCode : -1),
                  nAction.value_or(hotkey ? hotkey->Action : 1),
                  sEntryID,
                  bOnTop,
                  L""};
  ShowModal<frmHotkey>();
  if (!HotkeyParams.bOK) return false;
  sResult = HotkeyParams.sResult;
  return true;
}

bool ShowSelectTemplate(std::wstring& sEntryID, int32_t& nMode, int32_t nOptionMask,
                        bool bFocusTree) {
  ShowGuard guard(g_bShowingPicker, L"mForms::ShowSelectTemplate");
  if (!guard) return false;
  SelectTemplateParams = {false, sEntryID, nMode, nOptionMask, bFocusTree};
  vb::Ignore([] { ShowModal<frmSelectTemplate>(); });
  if (!SelectTemplateParams.bOK) return false;
  sEntryID = SelectTemplateParams.sEntryID;
  nMode = SelectTemplateParams.nMode;
  return true;
}

bool BrowseOutlookFolder(std::wstring& sFolderEntryID) {
  ShowGuard guard(g_bShowingFolder, L"mForms::BrowseOutlookFolder");
  if (!guard) return false;
  BrowseFolderParams = {false, sFolderEntryID};
  vb::Ignore([] { ShowModal<frmBrowseFolder>(); });
  if (!BrowseFolderParams.bOK) return false;
  sFolderEntryID = BrowseFolderParams.sFolderEntryID;
  return true;
}

bool BrowseWindowsFolder(std::wstring& sFolder, win32::HWND hwndOwner) {
  bool found = false;
  vb::Ignore([&] {
    win32::BROWSEINFOA info;
    info.hwndOwner = hwndOwner;
    info.ulFlags = win32::BIF_RETURNONLYFSDIRS;
    win32::PIDLIST item = win32::SHBrowseForFolderA(&info);
    if (item == 0) return;
    char buffer[260] = {};
    win32::SHGetPathFromIDListA(item, buffer);
    win32::CoTaskMemFree(item);
    std::string path(buffer);  // up to the first NUL
    if (path.empty()) return;
    sFolder = win32::FromAnsi(path);
    found = true;
  });
  return found;
}

namespace {
void ShowImportExport(const std::function<void()>& showForm) {
  vb::Ignore([&] {
    if (!IsWordInstalled()) {
      vb::MsgBox(LangText(L"STR_NO_OFFICE_WORD"), 0);
      return;
    }
    if (showForm) showForm();
  });
}
}  // namespace

void ShowExportDialog() {
  ShowImportExport(g_fnShowExportForm);
}

void ShowImportDialog() {
  ShowImportExport(g_fnShowImportForm);
}

bool IsWordInstalled() {
  bool installed = false;
  vb::Ignore([&] {
    CWinReg key;
    installed = key.InitForRead(CWinReg::HKEY_CLASSES_ROOT, L"Word.Application");
  });
  return installed;
}

void AskSendMessages(int32_t nCount, bool& bSendNow, bool bWordEditor) {
  vb::Ignore([&] {
    bool single = nCount < 2;
    std::wstring prompt = LangText(single ? L"STR_SINGLEMSG_PROMPT" : L"STR_MULTIMSGS_PROMPT");
    std::wstring title = LangText(single ? L"STR_SINGLEMSG_TITLE" : L"STR_MULTIMSGS_TITLE");
    int32_t style = 4 + 48 + (bWordEditor ? 65536 : 0);
    bSendNow = vb::MsgBox(prompt, style, title) == vb::vbNo;
  });
}

namespace {

// The road's one wait window, from its show to its close. Platform state, so that a reset
// never meets a window of an earlier run.
struct WaitWindow {
  std::unique_ptr<frmWait> form;
};

std::unique_ptr<frmWait>& Wait() {
  return win32::PlatformState<WaitWindow>().form;
}

}  // namespace

void ConnectEngineServices() {
  ConnectImportExportDialogs();
  auto& services = mTanvelo::Services();
  services.ShowSelectTemplate = ShowSelectTemplate;
  services.AskSendMessages = AskSendMessages;
  services.ShowWait = [] {
    auto& wait = Wait();
    if (!wait) wait = std::make_unique<frmWait>();
    wait->Show();
  };
  services.HideWait = [] {
    if (auto& wait = Wait(); wait && wait->IsLoaded()) wait->Hide();
  };
  services.CloseWait = [] {
    auto& wait = Wait();
    if (!wait) return;
    if (wait->IsLoaded()) wait->Unload();
    wait.reset();
  };
}

}  // namespace mForms
