#include "core/COptions.h"

#include "core/CWinReg.h"
#include "core/Main.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/ResPicture.h"
#include "platform/vb/Runtime.h"
#include "resources/StringTable.h"

namespace {
constexpr uint32_t HKCU = CWinReg::HKEY_CURRENT_USER;
constexpr uint32_t HKLM = CWinReg::HKEY_LOCAL_MACHINE;

// The EntryID of the default store's root folder, asked again while Outlook refuses it (a busy
// store answers a moment later), or empty text with `why` holding the last refusal.
std::wstring DefaultStoreRootID(std::wstring* why = nullptr) {
  std::wstring id;
  for (int tries = 1; tries <= kHeldTries && id.empty(); ++tries) {
    vb::Err().Clear();
    vb::Ignore([&] {
      if (!g_oApp) vb::Raise(vb::kObjectVariableNotSet);
      auto parent = g_oApp->Session()->GetDefaultFolder(outlook::olFolderInbox)->Parent();
      auto root = std::dynamic_pointer_cast<outlook::MAPIFolder>(parent);
      if (!root) vb::Raise(vb::kObjectRequired);
      id = root->EntryID();
    });
    if (!g_oApp) break;  // no Outlook to ask again
  }
  if (id.empty() && why) *why = vb::Err().Description();
  vb::Err().Clear();
  return id;
}
}  // namespace

// --- Registry access ----------------------------------------------------------------------

int32_t COptions::ReadDWordOption(const std::wstring& name, int32_t defaultValue, bool hkcu,
                                  const std::wstring& keyPath) const {
  CWinReg key;
  if (!key.InitForRead(hkcu ? HKCU : HKLM, keyPath.empty() ? GetRegPath() : keyPath))
    return defaultValue;
  int32_t value = key.GetDWordValue(name, defaultValue);
  key.CloseKey();
  return value;
}

bool COptions::WriteDWordOption(const std::wstring& name, int32_t value, bool hkcu,
                                const std::wstring& keyPath) const {
  const std::wstring path = keyPath.empty() ? GetRegPath() : keyPath;
  CWinReg key;
  bool ok = key.InitForWrite(hkcu ? HKCU : HKLM, path, true) && key.SetDWordValue(name, value);
  key.CloseKey();
  if (!ok) LogNotWritten(L"COptions::WriteDWordOption", path, name, std::to_wstring(value));
  return ok;
}

std::wstring COptions::ReadStringOption(const std::wstring& name, const std::wstring& defaultValue,
                                        bool hkcu) const {
  CWinReg key;
  std::wstring value;
  if (key.InitForRead(hkcu ? HKCU : HKLM, GetRegPath())) {
    value = key.GetStringValue(name);
    key.CloseKey();
  }
  return value.empty() ? defaultValue : value;
}

bool COptions::WriteStringOption(const std::wstring& name, const std::wstring& value,
                                 bool hkcu) const {
  CWinReg key;
  bool ok =
      key.InitForWrite(hkcu ? HKCU : HKLM, GetRegPath(), true) && key.SetStringValue(name, value);
  key.CloseKey();
  if (!ok) LogNotWritten(L"COptions::WriteStringOption", GetRegPath(), name, value);
  return ok;
}

bool COptions::NormalisedBoolean(const std::wstring& name, int32_t normal) const {
  int32_t n = ReadDWordOption(name, -1, true, L"");
  if (n != 0 && n != 1) {
    n = normal;
    WriteDWordOption(name, n, true, L"");
  }
  return n != 0;
}

std::wstring COptions::ReadProfileString(const std::wstring& name, bool* refused) {
  CWinReg key;
  if (!key.InitForRead(HKCU, GetProfileRegPath())) {
    if (refused) *refused = !key.KeyMissing();
    return L"";
  }
  std::wstring value = key.GetStringValue(name);
  if (refused) *refused = key.Refused();
  key.CloseKey();
  return value;
}

bool COptions::WriteProfileString(const std::wstring& name, const std::wstring& value) {
  // Without the profile's key, the user's own key (logged there): a single value written there
  // replaces nothing of the profile's, and is read back while the store stays unknown.
  const std::wstring path = GetProfileRegPath();
  CWinReg key;
  bool ok = key.InitForWrite(HKCU, path, true) && key.SetStringValue(name, value);
  key.CloseKey();
  if (!ok) LogNotWritten(L"COptions::WriteProfileString", path, name, value);
  return ok;
}

// --- Paths ----------------------------------------------------------------------------------

std::wstring COptions::GetRegPath() const {
  return L"Software\\" + CompanyShortName() + L"\\" + ProductShortName();
}

std::wstring COptions::GetProfileRegPath() {
  std::wstring path = KnownProfileRegPath();
  return path.empty() ? GetRegPath() : path;
}

std::wstring COptions::KnownProfileRegPath() {
  if (!m_sProfileRegPath.empty()) return m_sProfileRegPath;
  std::wstring id = DefaultStoreRootID();
  if (id.empty()) {
    LogError(L"COptions::GetProfileRegPath", 0, L"failed");
    return L"";
  }
  m_sProfileRegPath = GetRegPath() + L"\\" + id;
  return m_sProfileRegPath;
}

// --- Options --------------------------------------------------------------------------------

std::wstring COptions::LangID() const {
  std::wstring lang = ReadStringOption(L"LANG", L"", true);
  if (lang.empty()) lang = ReadStringOption(L"LANG", L"", false);
  return lang.empty() ? L"EN" : lang;
}

void COptions::SetLangID(const std::wstring& value) {
  WriteStringOption(L"LANG", value, true);
}

std::wstring COptions::LangFile() const {
  std::wstring file = ReadStringOption(L"LANG_", L"", true);
  if (!file.empty()) return file;
  // HKLM's file belongs to HKLM's language; it only serves a user of the same language.
  if (ReadStringOption(L"LANG", L"", true) == ReadStringOption(L"LANG", L"", false))
    return ReadStringOption(L"LANG_", L"", false);
  return L"";
}

void COptions::SetLangFile(const std::wstring& value) {
  WriteStringOption(L"LANG_", value, true);
}

bool COptions::ShowOldControlsOn2007() const {
  return NormalisedBoolean(L"dbgShowOldControlsOn2007", 0);
}
void COptions::SetShowOldControlsOn2007(bool value) {
  WriteDWordOption(L"dbgShowOldControlsOn2007", value ? 1 : 0, true, L"");
}
bool COptions::ShowOldControlsOn2010() const {
  return NormalisedBoolean(L"dbgShowOldControlsOn2010", 0);
}
void COptions::SetShowOldControlsOn2010(bool value) {
  WriteDWordOption(L"dbgShowOldControlsOn2010", value ? 1 : 0, true, L"");
}
bool COptions::UseDebugButton() const {
  return NormalisedBoolean(L"UseDebugButton", 0);
}
void COptions::SetUseDebugButton(bool value) {
  WriteDWordOption(L"UseDebugButton", value ? 1 : 0, true, L"");
}
bool COptions::UseKeyboardHook() const {
  return NormalisedBoolean(L"UseKeyboardHook", 1);
}
void COptions::SetUseKeyboardHook(bool value) {
  WriteDWordOption(L"UseKeyboardHook", value ? 1 : 0, true, L"");
}

bool COptions::FirstRun() {
  std::wstring list;
  {
    CWinReg key;
    if (key.InitForRead(HKCU, GetRegPath())) {
      list = key.GetStringValue(L"FirstRun");
      key.CloseKey();
    }
  }
  std::wstring why;
  std::wstring root = DefaultStoreRootID(&why);
  // A store whose root cannot be read now is not taken for a new one (its standard templates
  // would be made again), and no empty entry joins the list; told, as the next start takes the
  // store for a new one.
  if (root.empty()) {
    LogError(L"COptions::FirstRun", 0,
             L"FirstRun not written for the default store: its root folder could not be read (" +
                 why + L")");
    return false;
  }
  std::wstring group = L";" + root + L";";
  if (vb::InStr(1, list, group, true) > 0) return false;
  // Unwritten, the store is taken for a new one again at the next start.
  CWinReg key;
  if (!key.InitForWrite(HKCU, GetRegPath(), true) || !key.SetStringValue(L"FirstRun", list + group))
    LogNotWritten(L"COptions::FirstRun", GetRegPath(), L"FirstRun", list + group);
  key.CloseKey();
  return true;
}

bool COptions::ModifyTVDraftsView() const {
  return ReadDWordOption(L"ModifyTVDraftsView", 0, true, L"") != 0;
}
void COptions::SetModifyTVDraftsView(bool value) {
  WriteDWordOption(L"ModifyTVDraftsView", value ? 1 : 0, true, L"");
}
bool COptions::ShowImportExportTempFiles() const {
  return ReadDWordOption(L"ShowImportExportTempFiles", 0, true, L"") != 0;
}
void COptions::SetShowImportExportTempFiles(bool value) {
  WriteDWordOption(L"ShowImportExportTempFiles", value ? 1 : 0, true, L"");
}

bool COptions::HideTanveloBtn() {
  return ReadDWordOption(L"HideTanveloBtn", 0, true, GetProfileRegPath()) != 0;
}
void COptions::SetHideTanveloBtn(bool value) {
  WriteDWordOption(L"HideTanveloBtn", value ? 1 : 0, true, GetProfileRegPath());
}
bool COptions::HideReplyAllWithBtn() {
  return ReadDWordOption(L"HideReplyAllWithBtn", 0, true, GetProfileRegPath()) != 0;
}
void COptions::SetHideReplyAllWithBtn(bool value) {
  WriteDWordOption(L"HideReplyAllWithBtn", value ? 1 : 0, true, GetProfileRegPath());
}
// Stored registries know this option under the reply-all name with "Btn" doubled.
bool COptions::HideForwardWithBtn() {
  return ReadDWordOption(L"HideReplyAllWithBtnBtn", 0, true, GetProfileRegPath()) != 0;
}
void COptions::SetHideForwardWithBtn(bool value) {
  WriteDWordOption(L"HideReplyAllWithBtnBtn", value ? 1 : 0, true, GetProfileRegPath());
}

std::wstring COptions::DefaultTemplateID() {
  return ReadProfileString(L"DefaultTemplateID");
}
bool COptions::ReadDefaultTemplateID(std::wstring& value) {
  bool refused = false;
  value = ReadProfileString(L"DefaultTemplateID", &refused);
  return !refused;
}
bool COptions::SetDefaultTemplateID(const std::wstring& value) {
  return WriteProfileString(L"DefaultTemplateID", value);
}
std::wstring COptions::TanveloDraftsEntryID() {
  return ReadProfileString(L"TanveloDraftsEntryID");
}
void COptions::SetTanveloDraftsEntryID(const std::wstring& value) {
  WriteProfileString(L"TanveloDraftsEntryID", value);
}
std::wstring COptions::TanvelloEntryID() {
  return ReadProfileString(L"TanveloEntryID");
}
bool COptions::SetTanvelloEntryID(const std::wstring& value) {
  return WriteProfileString(L"TanveloEntryID", value);
}
std::wstring COptions::SamplesNotMade(bool* refused) {
  return ReadProfileString(L"SamplesNotMade", refused);
}
bool COptions::SetSamplesNotMade(const std::wstring& value) {
  return WriteProfileString(L"SamplesNotMade", value);
}

std::wstring COptions::CompanyShortName() const {
  return vb::LoadResString(resources::IDS_COMPANY_SHORT_NAME);
}
std::wstring COptions::ProductShortName() const {
  return vb::LoadResString(resources::IDS_PRODUCT_SHORT_NAME);
}
std::shared_ptr<win32::IPicture> COptions::MAIN_ICON() const {
  return vb::LoadResPicture(L"MAIN_ICON", vb::vbResIcon);
}

std::wstring COptions::ProductCode() const {
  return vb::LoadResString(resources::IDS_PRODUCT_CODE);
}

// --- Import and export settings ----------------------------------------------------------

void COptions::ReadSettings(ImportExportOptions& options, const wchar_t* from, const wchar_t* to,
                            const wchar_t* packed, int32_t packedDefault,
                            bool subfoldersWhenMissing) {
  CWinReg key;
  if (!key.InitForRead(HKCU, GetProfileRegPath())) {
    options.sWindowsFolder.clear();
    options.sOutlookFolderEntryID = TanvelloEntryID();
    options.nConflict = 0;
    options.bIncludeSubFolders = subfoldersWhenMissing;
    return;
  }
  options.sWindowsFolder = key.GetStringValue(from);
  options.sOutlookFolderEntryID = key.GetStringValue(to);
  int32_t n = key.GetDWordValue(packed, packedDefault);
  options.nConflict = n & 255;
  options.bIncludeSubFolders = (n & 256) != 0;
  key.CloseKey();
}

void COptions::WriteSettings(const ImportExportOptions& options, const wchar_t* from,
                             const wchar_t* to, const wchar_t* packed) {
  const std::wstring path = GetProfileRegPath();
  const int32_t packedValue = (options.bIncludeSubFolders ? 256 : 0) | options.nConflict;
  CWinReg key;
  const bool open = key.InitForWrite(HKCU, path, true);
  const wchar_t* proc = L"COptions::WriteSettings";
  if (!open || !key.SetStringValue(from, options.sWindowsFolder))
    LogNotWritten(proc, path, from, options.sWindowsFolder);
  if (!open || !key.SetStringValue(to, options.sOutlookFolderEntryID))
    LogNotWritten(proc, path, to, options.sOutlookFolderEntryID);
  if (!open || !key.SetDWordValue(packed, packedValue))
    LogNotWritten(proc, path, packed, std::to_wstring(packedValue));
  key.CloseKey();
}

void COptions::GetImportOptions(ImportExportOptions& options) {
  ReadSettings(options, L"ImportFrom", L"ImportTo", L"ImportOptions", 0, false);
}
void COptions::SetImportOptions(const ImportExportOptions& options) {
  WriteSettings(options, L"ImportFrom", L"ImportTo", L"ImportOptions");
}
// For the export "From" names the Windows folder, although it is the target.
void COptions::GetExportOptions(ImportExportOptions& options) {
  ReadSettings(options, L"ExportFrom", L"ExportTo", L"ExportOptions", 256, true);
}
void COptions::SetExportOptions(const ImportExportOptions& options) {
  WriteSettings(options, L"ExportFrom", L"ExportTo", L"ExportOptions");
}
