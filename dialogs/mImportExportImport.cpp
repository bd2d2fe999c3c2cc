// The import: every Word document of a Windows folder tree to one template in an Outlook
// folder tree of the same shape.
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "core/mFileUtils.h"
#include "dialogs/CWordWrapper.h"
#include "dialogs/mImportExportRun.h"
#include "dialogs/mImportExportWordDocs.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/RoadSupport.h"
#include "engine/SystemFiling.h"
#include "engine/mBody.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/vb/Error.h"
#include "platform/vb/Format.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace mImportExportWordDocs {

namespace {

using run::Outcome;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;
using ItemPtr = std::shared_ptr<outlook::Item>;

constexpr int32_t kOlDeletedItems = 3;
constexpr int32_t kErrPathFileAccess = 75;

std::wstring Extension(const std::wstring& sPath) {
  size_t dot = sPath.find_last_of(L'.');
  return dot == std::wstring::npos ? L"" : vb::Trim(sPath.substr(dot));
}

ItemPtr FindTemplate(const FolderPtr& oFolder, const std::wstring& sSubject) {
  return oFolder->Items()->Find(L"[MessageClass] = 'IPM.Note' And [Subject] = '" +
                                mTanvelo::FilterText(sSubject) + L"'");
}

// The whole file as Word wrote it: ANSI, or UTF-8 after its byte-order mark. A read refused
// (the file held a moment) is asked again from the start; still refused, it raises naming the
// file rather than answer a body cut short.
std::wstring ReadTempFile(const std::wstring& sPath) {
  std::string bytes;
  bool read = mTanvelo::Retried([&] {
    bytes.clear();
    auto stream = scripting::FileSystemObject().OpenTextFile(sPath);
    stream->Close();
    win32::HANDLE h =
        win32::CreateFileA(win32::ToAnsi(sPath).c_str(), win32::GENERIC_READ,
                           win32::FILE_SHARE_READ, nullptr, win32::OPEN_EXISTING, 0, 0);
    if (h == win32::INVALID_HANDLE_VALUE)
      vb::Raise(scripting::kErrPermissionDenied, L"Permission denied");
    char buffer[4096];
    uint32_t count = 0;
    bool ok = true;
    while ((ok = win32::ReadFile(h, buffer, sizeof(buffer), &count, nullptr)) && count > 0)
      bytes.append(buffer, count);
    win32::CloseHandle(h);
    if (!ok) vb::Raise(scripting::kErrPermissionDenied, L"Permission denied");
  });
  if (!read)
    vb::Raise(vb::Err().Number(), L"Cant read " + sPath + L" - " + vb::Err().Description());
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
    return win32::MultiByteToWide(win32::CP_UTF8, std::string_view(bytes).substr(3));
  return win32::FromAnsi(bytes);
}

// The content id of a picture file: its name with blanks as "_", "@", today as "ddmmyyyy",
// "-" and four random hexadecimal digits.
std::wstring ContentId(const std::wstring& sFileName) {
  std::wstring name = sFileName;
  for (auto& c : name)
    if (c == L' ') c = L'_';
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring id = name + L"@" + vb::Format(vb::Now(), L"ddmmyyyy") + L"-";
  for (int i = 0; i < 4; ++i) id += kHex[static_cast<int>(vb::Rnd() * 16) & 15];
  return id;
}

struct FileEntry {
  std::wstring path;  // relative to the listed folder
  std::wstring key;   // its lower case
};

// The files below the folder, by path relative to it. A listing refused a moment is asked
// again; still refused, it raises: taken for an empty folder, the pictures would stay links
// into a folder about to be deleted.
void GetFiles(const std::wstring& sFolder, std::vector<FileEntry>& colFiles,
              const std::wstring& sPrefix) {
  auto files = mFileUtils::EnumFiles(sFolder);
  auto dirs = mFileUtils::EnumDirs(sFolder);
  if (!files || !dirs) vb::Raise(kErrPathFileAccess, L"Cant list " + sFolder);
  auto relative = [&](const std::wstring& path) {
    std::wstring name = path.substr(sFolder.size() + 1);
    return sPrefix.empty() ? name : sPrefix + L"\\" + name;
  };
  for (const auto& file : *files) {
    std::wstring entry = GetLongPathName(relative(file));
    colFiles.push_back({entry, vb::LCase(entry)});
  }
  for (const auto& dir : *dirs) GetFiles(dir, colFiles, relative(dir));
}

void ImportHtmlLinks(const ItemPtr& oItem, std::wstring& sHtml, const std::wstring& sTempFolder,
                     const std::wstring& sHtmlFileName, std::vector<std::wstring>& colContentIDs,
                     std::wstring& step) {
  scripting::FileSystemObject fso;
  std::vector<FileEntry> files;
  std::shared_ptr<scripting::Folder> folder;
  if (!mTanvelo::Retried([&] { folder = fso.GetFolder(sTempFolder); }))
    vb::Raise(vb::Err().Number(), vb::Err().Description());
  GetFiles(folder->Path(), files, L"");
  std::wstring own = vb::LCase(sHtmlFileName);
  files.erase(
      std::remove_if(files.begin(), files.end(), [&](const FileEntry& e) { return e.key == own; }),
      files.end());
  if (files.empty()) return;
  step = L"HTML Links processing(replace & attach)";
  for (const auto& entry : files) {
    std::wstring url = entry.path;
    for (auto& c : url)
      if (c == L'\\') c = L'/';
    url = mTanvelo::ReplaceAll(url, L" ", L"%20");
    std::wstring link = L"\"./" + url + L"\"";
    if (vb::InStr(1, sHtml, link, true) == 0) link = L"\"" + url + L"\"";
    if (vb::InStr(1, sHtml, link, true) == 0) {
      LogWarning(L"mImportExport::ImportHtmlLinks", L"Cant find link '" + link + L"'");
      continue;
    }
    std::wstring cid = ContentId(fso.GetFileName(entry.path));
    colContentIDs.push_back(cid);
    // Found without regard to case, so replaced the same way: no link may keep pointing
    // into the temporary folder.
    sHtml = mTanvelo::road::ReplaceNoCase(sHtml, link, L"\"cid:" + cid + L"\"");
    oItem->Attachments()->Add(fso.BuildPath(sTempFolder, entry.path), outlook::olByValue, 0);
  }
  step = L"After HTML Links processing";
}

}  // namespace

void ImportHtmlLinks(const ItemPtr& oItem, std::wstring& sHtml, const std::wstring& sTempFolder,
                     const std::wstring& sHtmlFileName, std::vector<std::wstring>& colContentIDs) {
  std::wstring step;
  ImportHtmlLinks(oItem, sHtml, sTempFolder, sHtmlFileName, colContentIDs, step);
}

namespace {

void SetAttachmentProps(const ItemPtr& oItem, const std::vector<std::wstring>& colContentIDs) {
  auto safe = GetSafeItem(oItem);
  if (!safe) vb::Raise(vb::kObjectVariableNotSet);
  auto attachments = safe->Attachments();
  for (size_t i = 0; i < colContentIDs.size(); ++i) {
    auto attachment = attachments->Item(static_cast<int32_t>(i + 1));
    attachment->SetFields(outlook::PR_ATTACH_CONTENT_ID, colContentIDs[i]);
    attachment->SetFields(outlook::PR_ATTACH_FLAGS, 4);
  }
}

// What the user set on the template that a new one replaces goes over to the new one: the
// default mark, the favourite mark, its hotkey and its usage record.
void CarryOver(const ItemPtr& oOld, const std::wstring& sOldID, const ItemPtr& oNew) {
  std::wstring sNewID = oNew->EntryID();
  // Refused, the default stays with the template replaced: told, naming the new one.
  bool wasDefault = false;
  if (!vb::Catch([&] { wasDefault = mTanvelo::IsDefaultTemplate(sOldID); })) {
    const std::wstring refusal = vb::Err().Description();
    std::wstring subject;
    vb::Ignore([&] { subject = oNew->Subject(); });
    LogError(L"mImportExportImport.CarryOver", std::nullopt,
             L"\"" + subject + L"\": the default template may not have followed it - " + refusal);
    vb::Err().Clear();
  }
  if (wasDefault) vb::Ignore([&] { mTanvelo::SetDefaultTemplate(oNew); });
  vb::Ignore([&] {
    if (oOld && mTanvelo::IsFavoriteTemplate(oOld)) mTanvelo::MarkFavoriteTemplate(oNew, true);
  });
  vb::Ignore([&] {
    int32_t position = 0;
    auto hotkey = Hotkeys().FindByTemplate(sOldID, position);
    if (!hotkey) return;
    CHotkey old = *hotkey;
    Hotkeys().Remove(hotkey->BuildKey());
    auto added = Hotkeys().Add(sNewID, old.Action, old.KeyCode, old.Shift, old.Alt, old.Ctrl);
    mTanvelo::SetHotkeyProperties(oNew, added->DisplayKeyName(), added->DisplayActionName());
    Hotkeys().SaveToReg();
  });
  vb::Ignore([&] {
    if (g_oFrequentlyTemplates) g_oFrequentlyTemplates->MoveRecord(sOldID, sNewID);
  });
  vb::Err().Clear();
}

void RemoveReplaced(const std::wstring& sOldID, const ItemPtr& oNew) {
  const wchar_t* kProc = L"mImportExport::ImportWordDocument";
  ItemPtr old;
  if (!vb::Catch(
          [&] { old = g_oApp->Session()->GetItemFromID(sOldID, g_oTemplatesFolder->StoreID()); }) ||
      !old) {
    LogError(kProc, std::nullopt, std::nullopt, L"Get item to delete");
    return;
  }
  CarryOver(old, sOldID, oNew);
  if (vb::Catch([&] { old->Delete(); })) return;
  vb::Err().Clear();
  if (vb::Catch([&] { old->Move(g_oApp->Session()->GetDefaultFolder(kOlDeletedItems)); })) return;
  LogError(kProc, 0, L"Cant delete item");
}

Outcome ImportOne(const FolderPtr& oFolder, const std::wstring& sFile, int32_t nConflict,
                  int32_t nFormat, bool bQuitWord) {
  const wchar_t* kProc = L"mImportExport::ImportWordDocument";
  scripting::FileSystemObject fso;
  std::wstring step;
  run::TempFolder temp;
  ItemPtr item;
  bool saved = false;  // the new template exists in Outlook
  Outcome outcome = Outcome::Failed;
  bool ok = vb::Catch([&] {
    std::wstring sSubject = run::BaseName(sFile);
    std::wstring sOldID;
    auto& made = run::Current().made;
    if (auto found = FindTemplate(oFolder, sSubject)) {
      sOldID = found->EntryID();
      found.reset();
      int32_t rule = nConflict;
      // A template this run made is never replaced: the later one takes the next number.
      if (rule == kConflictReplace && made.count(sOldID)) {
        rule = kConflictDuplicate;
        sOldID.clear();
      }
      if (rule == kConflictLeave) {
        outcome = Outcome::Skipped;
        return;
      }
      if (rule == kConflictDuplicate) {
        std::wstring free;
        for (int32_t n = 1; n <= 99 && free.empty(); ++n) {
          std::wstring candidate = sSubject + vb::Format(n, L"00");
          if (!FindTemplate(oFolder, candidate)) free = candidate;
        }
        if (free.empty()) {
          LogError(kProc, 0, L"to many duplicates");
          return;
        }
        sSubject = free;
      }
    }
    int32_t wordFormat = 0;
    std::wstring ext;
    int32_t format = nFormat == 1 || nFormat == 3 ? nFormat : 2;
    if (format == 1) {
      wordFormat = word::wdFormatText, ext = L".txt";
    } else if (format == 3) {
      wordFormat = word::wdFormatRTF, ext = L".rtf";
    } else {
      wordFormat = GetAppVersion() >= 11 ? word::wdFormatFilteredHTML : word::wdFormatHTML;
      ext = L".htm";
    }
    CWordWrapper& word = WordWrapper();
    if (!word.WordApplication() && !word.Create()) {
      LogError(kProc, std::nullopt, std::nullopt, L"CreateWordApplication");
      return;
    }
    step = L"CreateTempFolder";
    temp.Create();
    std::wstring sTempFile = fso.BuildPath(temp.Path(), sSubject + ext);
    while (word.IsDocumentOpenned(sFile)) {
      if (vb::MsgBox(LangText(L"STR_CLOSE_DOC", sFile), 5) != 4) {
        LogError(kProc, 0, L"Document in use, left by the user - " + sFile);
        if (bQuitWord) word.Done();
        return;
      }
    }
    step = L"Word";
    CWordWrapper::DocumentPtr doc;
    if (GetAppVersion() <= 9 && vb::LCase(Extension(sFile)) == L".dot")
      doc = word.DocumentNew(sFile);
    else
      doc = word.DocumentOpen(sFile);
    if (!doc) return;
    bool converted =
        word.DocumentUnlinkFields(doc) && word.DocumentSaveAs(doc, sTempFile, wordFormat);
    word.DocumentClose(doc, 0);
    if (bQuitWord) word.Done();
    if (!converted) return;
    run::ShowTempFileIfAsked(sTempFile);
    step = L"ReadTempFile";
    std::wstring sText = ReadTempFile(sTempFile);
    step = L"CreateMail";
    SystemFiling filing;
    item = oFolder->Items()->Add(outlook::olMailItem);
    item->SetSubject(sSubject);
    const bool stamped = mTanvelo::SetAddinProperty(item, Options().ProductCode(), false);
    std::vector<std::wstring> contentIds;
    if (format == 1) {
      mBody::SetBody(item, sText);
    } else if (format == 3) {
      mBody::SafeSetRTFBody(item, sText);
    } else {
      vb::Randomize(win32::GetTickCount());
      ImportHtmlLinks(item, sText, temp.Path(), sSubject + L".htm", contentIds, step);
      step = L"CreateMail";
      item->SetHTMLBody(sText);
    }
    item->Save();
    saved = true;
    if (!contentIds.empty()) {
      step = L"ReopenItem";
      std::wstring id = item->EntryID();
      item.reset();
      item = g_oApp->Session()->GetItemFromID(id);
      SetAttachmentProps(item, contentIds);
      item->Save();
    }
    step = L"MoveMail";
    if (item->Parent()->EntryID() != oFolder->EntryID()) item = item->Move(oFolder);
    item->SetUnRead(true);
    // The stamp refused at every try is asked for once more before the last save; still
    // refused, the template is named: it would not count as one the program made.
    if (!stamped && !mTanvelo::SetAddinProperty(item, Options().ProductCode(), false))
      LogError(kProc, 0,
               L"the template '" + sSubject + L"' was made without the program's stamp - " + sFile);
    item->Save();
    if (!sOldID.empty() && nConflict == kConflictReplace) {
      step = L"RemoveReplaced";
      RemoveReplaced(sOldID, item);
    }
    made.insert(item->EntryID());
    outcome = Outcome::Done;
  });
  if (!ok) {
    // The log names the document whose template was not made.
    vb::Err().Set(vb::Err().Number(), vb::Err().Description() + L" - " + sFile);
    LogError(kProc, std::nullopt, std::nullopt, step);
    outcome = Outcome::Failed;
  }
  // A template that failed half-way does not stay behind.
  if (outcome == Outcome::Failed && saved && item)
    vb::Ignore([&] { mTanvelo::DeleteItem(item, true); });
  vb::Err().Clear();
  return outcome;
}

// A listing refused past its tries fails the level (logged) rather than pass for an empty
// folder.
std::vector<std::wstring> WordFiles(const std::wstring& sFolderPath) {
  auto files = mFileUtils::EnumFiles(sFolderPath);
  if (!files) vb::Raise(kErrPathFileAccess, L"Cant list " + sFolderPath);
  std::vector<std::wstring> out;
  for (const auto& path : *files)
    if (IsWordFile(path)) out.push_back(path);
  return out;
}

std::vector<std::wstring> Directories(const std::wstring& sFolderPath) {
  auto dirs = mFileUtils::EnumDirs(sFolderPath);
  if (!dirs) vb::Raise(kErrPathFileAccess, L"Cant list " + sFolderPath);
  return *dirs;
}

// A folder named as a document ("Offer.doc") is no document: the walk without subfolders
// leaves it, and says so by name rather than passing over it in silence.
void TellFoldersNamedAsDocuments(const std::wstring& sFolderPath) {
  if (run::Current().bIncludeSubFolders) return;
  auto dirs = mFileUtils::EnumDirs(sFolderPath);
  if (!dirs) return;
  for (const auto& dir : *dirs) {
    if (!IsWordFile(dir)) continue;
    LogWarning(L"mImportExport::DoImport1", L"Not a document but a folder, not imported: " + dir);
    run::Tally(Outcome::Skipped);
  }
}

int32_t CountWordFiles(const std::wstring& sFolderPath) {
  int32_t count = static_cast<int32_t>(WordFiles(sFolderPath).size());
  if (run::Current().bIncludeSubFolders)
    for (const auto& dir : Directories(sFolderPath)) count += CountWordFiles(dir);
  return count;
}

int32_t DoImport1(const std::wstring& sFolderPath, const std::wstring& sRelativePath, bool bTop) {
  auto& state = run::Current();
  FolderPtr counterpart;
  return run::WalkLevel(
      L"mImportExport::DoImport1", bTop, [&] { return CountWordFiles(sFolderPath); },
      [&] {
        TellFoldersNamedAsDocuments(sFolderPath);
        return WordFiles(sFolderPath);
      },
      [&](const std::wstring& file, std::wstring& step) {
        if (!counterpart) {
          step = L"Create MAPIFolder";
          counterpart = run::CounterpartFolder(state.oFolder, sRelativePath,
                                               [](const FolderPtr& f) { return f->Folders(); });
          step.clear();
        }
        return ImportOne(counterpart, file, state.nConflict, state.nImportFormat, false);
      },
      [&] { return Directories(sFolderPath); },
      [&](const std::wstring& dir) {
        std::wstring name = dir.substr(sFolderPath.size() + 1);
        return DoImport1(dir, sRelativePath + (sRelativePath.empty() ? L"" : L"\\") + name, false);
      });
}

}  // namespace

bool ImportWordDocument(const FolderPtr& oFolder, const std::wstring& sFile, int32_t nConflict,
                        int32_t nFormat, bool bQuitWord) {
  return ImportOne(oFolder, sFile, nConflict, nFormat, bQuitWord) == Outcome::Done;
}

int32_t DoImport(const std::wstring& sOutlookFolderEntryID, const std::wstring& sWindowsFolder,
                 bool bIncludeSubFolders, int32_t nConflict, IProgressForm* oProgressForm,
                 int32_t nFormat) {
  const wchar_t* kProc = L"mImportExport::DoImport";
  run::Begin(nConflict, bIncludeSubFolders, oProgressForm);
  if (!WordWrapper().Create()) {
    run::Finish();
    return 0;
  }
  int32_t result = 0;
  // An import that stops on an error says so in the log: it may have imported nothing.
  Trap(kProc, [&] {
    auto& state = run::Current();
    state.nImportFormat = nFormat;
    state.oFolder = run::FindOutlookFolder(sOutlookFolderEntryID);
    if (!state.oFolder) {
      LogError(kProc, 0, L"MAPIFolder Not Exists");
      return;
    }
    scripting::FileSystemObject fso;
    if (!fso.FolderExists(sWindowsFolder)) {
      LogError(kProc, 0, L"Folder Not Exists");
      return;
    }
    // A folder another program holds a moment is asked again; still refused, the import
    // stops with its error logged, and the dialog says it could not start.
    std::shared_ptr<scripting::Folder> folder;
    for (int attempt = 1; attempt < kHeldTries && !folder; ++attempt)
      if (!vb::Catch([&] { folder = fso.GetFolder(sWindowsFolder); })) vb::Err().Clear();
    if (!folder) folder = fso.GetFolder(sWindowsFolder);
    run::Report().bStarted = true;
    result = DoImport1(folder->Path(), L"", true);
  });
  vb::Err().Clear();
  run::Finish();
  return result;
}

}  // namespace mImportExportWordDocs
