#include "dialogs/mForms.h"

#include "core/CLang.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "dialogs/frmBrowseFolder.h"
#include "platform/forms/Form.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
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

[[maybe_unused]] bool g_bShowingPicker = false;
bool g_bShowingFolder = false;
[[maybe_unused]] bool g_bShowingHotkey = false;

// The form's one instance lives for one modal show, which returns once the form unloads.
template <class T>
void ShowModal() {
  T form;
  form.Show(forms::vbModal);
  if (form.IsLoaded()) form.Unload();
}

}  // namespace

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
      vb::MsgBox(g_oLang->Item(L"STR_NO_OFFICE_WORD"), 0);
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
    std::wstring prompt = g_oLang->Item(single ? L"STR_SINGLEMSG_PROMPT" : L"STR_MULTIMSGS_PROMPT");
    std::wstring title = g_oLang->Item(single ? L"STR_SINGLEMSG_TITLE" : L"STR_MULTIMSGS_TITLE");
    int32_t style = 4 + 48 + (bWordEditor ? 65536 : 0);
    bSendNow = vb::MsgBox(prompt, style, title) == vb::vbNo;
  });
}

}  // namespace mForms
