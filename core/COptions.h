// The options object: every option is read from or written to the registry when it is used;
// only the per-profile key path is kept. It also owns the registry layout and answers the
// product identity from the module's resources.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32/Images.h"

// Settings of the template import and export dialogs.
struct ImportExportOptions {
  bool bValid = false;
  std::wstring sOutlookFolderEntryID;
  std::wstring sWindowsFolder;
  bool bIncludeSubFolders = false;
  int32_t nConflict = 0;  // 0 duplicate, 1 replace, 2 leave the existing one
};

class COptions {
 public:
  std::wstring LangID() const;
  void SetLangID(const std::wstring& value);
  std::wstring LangFile() const;
  void SetLangFile(const std::wstring& value);
  bool ShowOldControlsOn2007() const;
  void SetShowOldControlsOn2007(bool value);
  bool ShowOldControlsOn2010() const;
  void SetShowOldControlsOn2010(bool value);
  // True once per store: the first read for a store adds it to the list.
  bool FirstRun();
  bool ModifyTVDraftsView() const;
  void SetModifyTVDraftsView(bool value);
  bool HideTanveloBtn();
  void SetHideTanveloBtn(bool value);
  bool HideReplyAllWithBtn();
  void SetHideReplyAllWithBtn(bool value);
  bool HideForwardWithBtn();
  void SetHideForwardWithBtn(bool value);
  // False (logged naming the value) when not written.
  bool SetDefaultTemplateID(const std::wstring& value);
  std::wstring TanveloDraftsEntryID();
  void SetTanveloDraftsEntryID(const std::wstring& value);
  std::wstring TanvelloEntryID();
  // False (logged) when the registry refused it.
  bool SetTanvelloEntryID(const std::wstring& value);
  // The sample templates a start could not make, for the next start to make: "folder/subject"
  // entries joined by "|". `refused` tells a read refused past its tries from none recorded.
  std::wstring SamplesNotMade(bool* refused = nullptr);
  bool SetSamplesNotMade(const std::wstring& value);
  bool UseDebugButton() const;
  void SetUseDebugButton(bool value);
  bool UseKeyboardHook() const;
  void SetUseKeyboardHook(bool value);
  std::wstring CompanyShortName() const;
  std::wstring ProductShortName() const;
  std::wstring ProductCode() const;
  // The program's main icon (icon resource "MAIN_ICON") as a picture object.
  std::shared_ptr<win32::IPicture> MAIN_ICON() const;
  std::wstring DefaultTemplateID();
  // The same; false when the registry refused the read past its tries (the value not known).
  bool ReadDefaultTemplateID(std::wstring& value);
  bool ShowImportExportTempFiles() const;
  void SetShowImportExportTempFiles(bool value);
  void GetImportOptions(ImportExportOptions& options);
  void SetImportOptions(const ImportExportOptions& options);
  void GetExportOptions(ImportExportOptions& options);
  void SetExportOptions(const ImportExportOptions& options);
  std::wstring GetRegPath() const;
  // The profile's key; the user's own key (GetRegPath) when the store cannot be read (logged).
  std::wstring GetProfileRegPath();
  // The same, or empty text (logged) when the store cannot be read: for a caller that must not
  // take the user's key for the profile's.
  std::wstring KnownProfileRegPath();

 private:
  int32_t ReadDWordOption(const std::wstring& name, int32_t defaultValue, bool hkcu,
                          const std::wstring& keyPath) const;
  bool WriteDWordOption(const std::wstring& name, int32_t value, bool hkcu,
                        const std::wstring& keyPath) const;
  std::wstring ReadStringOption(const std::wstring& name, const std::wstring& defaultValue,
                                bool hkcu) const;
  bool WriteStringOption(const std::wstring& name, const std::wstring& value, bool hkcu) const;
  bool NormalisedBoolean(const std::wstring& name, int32_t normal) const;
  // With `refused`, whether the key or value was refused past kHeldTries (rather than missing).
  std::wstring ReadProfileString(const std::wstring& name, bool* refused = nullptr);
  // False (logged naming the key and value) when the registry refused it past kHeldTries.
  bool WriteProfileString(const std::wstring& name, const std::wstring& value);
  void ReadSettings(ImportExportOptions& options, const wchar_t* from, const wchar_t* to,
                    const wchar_t* packed, int32_t packedDefault, bool subfoldersWhenMissing);
  void WriteSettings(const ImportExportOptions& options, const wchar_t* from, const wchar_t* to,
                     const wchar_t* packed);

  std::wstring m_sProfileRegPath;
};
