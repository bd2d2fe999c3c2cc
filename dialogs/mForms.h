// Module mForms: the launchers of the modal dialogs that answer something, and the records
// through which each of them answers. A launcher overwrites its whole record, shows the
// dialog's one form modally and hands the outputs back only when the record's bOK is True.
// Also the shell's folder browser, the test whether Word is installed and the question asked
// before personalised messages are sent.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/win32/Window.h"

// The template picker's record (frmSelectTemplate).
struct SelectTemplateRecord {
  bool bOK = false;
  std::wstring sEntryID;    // in: template to preselect; out: the chosen one
  int32_t nMode = 0;        // in: 2 preselects separate mails; out: 1 one mail, 2 separate mails
  int32_t nOptionMask = 0;  // bit 0 one mail may be chosen, bit 1 separate mails
  bool bFocusTree = false;  // topmost window, the tree takes the focus
};

// The Outlook folder picker's record (frmBrowseFolder).
struct BrowseFolderRecord {
  bool bOK = false;
  std::wstring sFolderEntryID;
};

// The hotkey dialog's record (frmHotkey).
struct HotkeyRecord {
  bool bOK = false;
  bool bAlt = true;       // Ctrl+Alt+letter, else Ctrl+Shift+letter
  int32_t nKeyCode = -1;  // "A".."Z"; anything else: none chosen yet
  int32_t nAction = 1;    // 1 reply, 2 reply to all, 4 forward
  std::wstring sTemplateEntryID;
  bool bOnTop = false;   // topmost window, Cancel takes the focus
  std::wstring sResult;  // EntryID of the template whose hotkey was taken or removed
};

namespace mForms {

extern SelectTemplateRecord SelectTemplateParams;
extern BrowseFolderRecord BrowseFolderParams;
extern HotkeyRecord HotkeyParams;

// Forms of the export and import dialogs, set by the code that owns them; without one the
// launcher shows nothing.
extern std::function<void()> g_fnShowExportForm;
extern std::function<void()> g_fnShowImportForm;

bool ShowHotkeyDialog(const std::wstring& sEntryID, std::optional<int32_t> nAction,
                      std::optional<int32_t> nKeyCode, std::optional<bool> bAlt, bool bOnTop,
                      std::wstring& sResult);
// Callers pass mask 3 when a template for a reply, forward or new mail is wanted, 0 when one is
// picked for editing.
bool ShowSelectTemplate(std::wstring& sEntryID, int32_t& nMode, int32_t nOptionMask,
                        bool bFocusTree);
bool BrowseOutlookFolder(std::wstring& sFolderEntryID);
bool BrowseWindowsFolder(std::wstring& sFolder, win32::HWND hwndOwner);
void ShowExportDialog();
void ShowImportDialog();
bool IsWordInstalled();
// bSendNow is True exactly when the user answers No (the texts ask whether to keep them).
void AskSendMessages(int32_t nCount, bool& bSendNow, bool bWordEditor);

// Hands the template road its dialogs: the picker, the send question and the wait window
// (shown without waiting, hidden for a moment, closed by unloading it), and sets the export
// and import dialogs for their launchers. The add-in calls it at connection.
void ConnectEngineServices();

}  // namespace mForms
