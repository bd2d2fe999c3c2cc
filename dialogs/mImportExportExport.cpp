// The export: every template of an Outlook folder tree to one Word file in a Windows folder
// tree of the same shape.
#include <algorithm>
#include <vector>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/CWordWrapper.h"
#include "dialogs/mImportExportRun.h"
#include "dialogs/mImportExportWordDocs.h"
#include "engine/mBody.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/vb/Error.h"
#include "platform/vb/Format.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace mImportExportWordDocs {

namespace {

using run::Outcome;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;
using ItemPtr = std::shared_ptr<outlook::Item>;

constexpr const wchar_t* kTemplatesFilter = L"[MessageClass] = 'IPM.Note'";

// HTML: every character outside ASCII as a numeric character reference, so that whatever
// charset the page declares it reads the same.
std::wstring HtmlAscii(const std::wstring& html) {
  std::wstring out;
  for (wchar_t c : html) {
    if (c < 0x80)
      out += c;
    else
      out += L"&#" + std::to_wstring(static_cast<uint32_t>(c)) + L";";
  }
  return out;
}

// RTF: a character the ANSI code page lacks as a Unicode escape, followed by as many fallback
// characters as the fallback count ("uc") in force where it stands tells a reader to skip
// (none when it is 0: a blank then ends the number); one beyond the basic plane as its two
// UTF-16 halves.
std::wstring RtfEscaped(const std::wstring& rtf) {
  auto isLetter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
  auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
  std::wstring out;
  std::vector<int32_t> saved;
  int32_t uc = 1;
  auto escape = [&](uint32_t unit) {
    out += L"\\u" + std::to_wstring(static_cast<int16_t>(static_cast<uint16_t>(unit)));
    out += uc == 0 ? std::wstring(L" ") : std::wstring(static_cast<size_t>(uc), L'?');
  };
  for (size_t i = 0; i < rtf.size();) {
    wchar_t c = rtf[i];
    if (c == L'\\' && i + 1 < rtf.size() && isLetter(rtf[i + 1])) {
      size_t end = i + 1;
      while (end < rtf.size() && isLetter(rtf[end])) ++end;
      std::wstring word = rtf.substr(i + 1, end - i - 1);
      size_t number = end;
      if (end < rtf.size() && rtf[end] == L'-') ++end;
      while (end < rtf.size() && isDigit(rtf[end])) ++end;
      if (word == L"uc" && end > number && rtf[number] != L'-') {
        uc = 0;
        for (size_t d = number; d < end && uc <= 16; ++d) uc = uc * 10 + (rtf[d] - L'0');
        uc = std::min<int32_t>(uc, 16);
      }
      out.append(rtf, i, end - i);
      i = end;
      continue;
    }
    if (c == L'\\') {  // a control symbol (an escaped brace, a hex byte...): copied as it is
      out.append(rtf, i, std::min<size_t>(2, rtf.size() - i));
      i += 2;
      continue;
    }
    if (c == L'{') saved.push_back(uc);
    if (c == L'}' && !saved.empty()) {
      uc = saved.back();
      saved.pop_back();
    }
    uint32_t code = static_cast<uint32_t>(c);
    if (win32::FitsAnsi(c)) {
      out += c;
    } else if (code > 0xFFFF) {
      escape(0xD800 + ((code - 0x10000) >> 10));
      escape(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      escape(code);
    }
    ++i;
  }
  return out;
}

// The body's temporary file; plain text the code page cannot hold goes out as UTF-8 with its
// byte-order mark, which Word recognises. Raises, naming the file, when it could not be written
// whole: Word must not make a document of a short or empty file.
void WriteBodyFile(const std::wstring& sPath, const std::wstring& sBody, int32_t nFormat) {
  bool written = false;
  if (nFormat == 2) {
    written = CreateTextFile(sPath, HtmlAscii(sBody));
  } else if (nFormat == 3) {
    written = CreateTextFile(sPath, RtfEscaped(sBody));
  } else if (win32::FitsAnsi(sBody)) {
    written = CreateTextFile(sPath, sBody);
  } else {
    std::string bytes = "\xEF\xBB\xBF" + win32::WideToMultiByte(win32::CP_UTF8, sBody);
    written = mTanvelo::Retried([&] {
      win32::HANDLE h = win32::CreateFileA(win32::ToAnsi(sPath).c_str(), win32::GENERIC_WRITE, 0,
                                           nullptr, win32::CREATE_ALWAYS, 0, 0);
      if (h == win32::INVALID_HANDLE_VALUE)
        vb::Raise(scripting::kErrPermissionDenied, L"Permission denied");
      uint32_t count = 0;
      bool ok =
          win32::WriteFile(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &count, nullptr);
      win32::CloseHandle(h);
      if (!ok) vb::Raise(scripting::kErrPermissionDenied, L"Permission denied");
    });
  }
  if (!written) vb::Raise(scripting::kErrPermissionDenied, L"Body not written to " + sPath);
}

// A path as the disk keeps it: through the ANSI code page (where characters it lacks become
// "?"), folded to upper case.
std::wstring Folded(const std::wstring& path) {
  return vb::UCase(win32::FromAnsi(win32::ToAnsi(path)));
}

// Saves the inline pictures the HTML body links to into "<name>_files" beside the document
// and points the links at the saved files.
void SaveInlinePictures(const ItemPtr& oItem, const std::wstring& sDocFolder,
                        const std::wstring& sName, std::wstring& sBody) {
  scripting::FileSystemObject fso;
  auto safe = GetSafeItem(oItem);
  if (!safe) vb::Raise(vb::kObjectVariableNotSet);
  auto attachments = safe->Attachments();
  int32_t count = attachments->Count();
  for (int32_t i = 1; i <= count; ++i) {
    auto attachment = attachments->Item(i);
    if (attachment->Type() != outlook::olByValue) continue;
    std::wstring cid;
    outlook::PropValue value = attachment->Fields(outlook::PR_ATTACH_CONTENT_ID);
    if (auto text = std::get_if<std::wstring>(&value)) cid = *text;
    if (cid.empty() || sBody.find(L"cid:" + cid) == std::wstring::npos) continue;
    std::wstring side = fso.BuildPath(sDocFolder, sName + L"_files");
    // Held a moment, the making is asked again; still refused, the template fails.
    if (!mTanvelo::Retried([&] {
          if (!fso.FolderExists(side)) fso.CreateFolder(side);
        }))
      vb::Raise(vb::Err().Number(), L"Cant make " + side + L" - " + vb::Err().Description());
    side = GetLongPathName(side);
    std::wstring file =
        SafeAttachmentFileName(attachment->FileName(), L"image" + vb::Format(i, L"000"));
    std::wstring target = fso.BuildPath(side, file);
    if (fso.FileExists(target) || fso.FolderExists(target)) {
      target.clear();
      for (int32_t n = 1; n <= 99 && target.empty(); ++n) {
        std::wstring candidate = fso.BuildPath(side, vb::Format(n, L"00") + file);
        if (!fso.FileExists(candidate) && !fso.FolderExists(candidate)) target = candidate;
      }
      if (target.empty()) {
        // Never over a picture already there: this one stays out of the document.
        LogWarning(L"mImportExport::ExportWordDocument", L"no free name for " + file);
        continue;
      }
    }
    attachment->SaveAsFile(target);
    sBody = mTanvelo::ReplaceAll(sBody, L"\"cid:" + cid + L"\"", L"\"" + target + L"\"");
    sBody = mTanvelo::ReplaceAll(sBody, L"cid:" + cid, L"\"" + target + L"\"");
  }
}

Outcome ExportOne(const std::shared_ptr<scripting::Folder>& oWindowsFolder, const ItemPtr& oItem,
                  int32_t nConflict, int32_t nFormat, const std::wstring& sExtension,
                  bool bQuitWord) {
  const wchar_t* kProc = L"mImportExport::ExportWordDocument";
  scripting::FileSystemObject fso;
  std::wstring step;
  run::TempFolder temp;
  Outcome outcome = Outcome::Failed;
  std::wstring sSubject;
  bool ok = vb::Catch([&] {
    sSubject = oItem->Subject();
    std::wstring sName = MakeValidFileName(sSubject);
    std::wstring folder = oWindowsFolder->Path();
    std::wstring sFile = fso.BuildPath(folder, sName + sExtension);
    if (sFile.size() >= 251 ||
        run::SystemTempFolder().size() + 14 + sName.size() + sExtension.size() >= 251) {
      vb::MsgBox(LangText(L"STR_CANT_EXPORT_TOOLONGNAME", sSubject), 0);
      LogError(kProc, 0, L"Name too long - " + sSubject);
      return;
    }
    auto& written = run::Current().written;
    if (fso.FileExists(sFile)) {
      int32_t rule = nConflict;
      if (rule != kConflictDuplicate && rule != kConflictReplace && rule != kConflictLeave) {
        LogError(kProc, 0, L"Invalid conflict resolution - " + std::to_wstring(nConflict));
        rule = kConflictReplace;
      }
      // Replace overwrites what was there before the run, never what this run wrote: a
      // second template of the same name takes the next number, replacing that file only
      // when it too is older than the run.
      bool replacing = rule == kConflictReplace;
      if (replacing && written.count(Folded(sFile))) rule = kConflictDuplicate;
      if (rule == kConflictLeave) {
        outcome = Outcome::Skipped;
        return;
      }
      if (rule == kConflictDuplicate) {
        std::wstring found;
        for (int32_t n = 1; n <= 99 && found.empty(); ++n) {
          std::wstring candidate = fso.BuildPath(folder, sName + vb::Format(n, L"00") + sExtension);
          if (!fso.FileExists(candidate) || (replacing && !written.count(Folded(candidate)))) {
            found = candidate;
            sName += vb::Format(n, L"00");
          }
        }
        if (found.empty()) {
          LogError(kProc, 0, L"to many duplicates");
          return;
        }
        sFile = found;
      }
    }
    CWordWrapper& word = WordWrapper();
    if (!word.WordApplication() && !word.Create()) {
      LogError(kProc, std::nullopt, std::nullopt, L"CreateWordApplication");
      return;
    }
    step = L"CreateTempFolder";
    temp.Create();
    step = L"GetBody";
    int32_t format = mBody::GetBodyFormat(oItem);
    if (format == 0) format = 2;
    std::wstring sBody;
    if (format == 2) {
      sBody = mBody::SafeGetHTMLBody(oItem, false, false);
      if (vb::InStr(1, sBody, L"<body", true) == 0) format = 3;
    }
    if (format == 3) {
      sBody = mBody::SafeGetRTFBody(oItem, false);
      if (sBody.empty()) format = 1;
    }
    if (format == 1) sBody = mBody::SafeGetBody(oItem, false);
    step = L"SaveToTempDir, Format=" + std::to_wstring(format);
    std::wstring sTempFile;
    if (format == 2) {
      step = L"HTML, Save Attachments";
      SaveInlinePictures(oItem, folder, sName, sBody);
      step = L"SaveToTempDir, Format=HTML";
      sTempFile = fso.BuildPath(temp.Path(), sName + L".htm");
    } else {
      sTempFile = fso.BuildPath(temp.Path(), sName + (format == 3 ? L".rtf" : L".txt"));
    }
    WriteBodyFile(sTempFile, sBody, format);
    run::ShowTempFileIfAsked(sTempFile);
    step = L"Word";
    auto doc = word.DocumentOpen(sTempFile);
    if (!doc) return;
    bool done = word.DocumentUnlinkFields(doc) && word.DocumentSaveAs(doc, sFile, nFormat);
    word.DocumentClose(doc, 0);
    if (bQuitWord) word.Done();
    if (!done) return;
    written.insert(Folded(sFile));
    outcome = Outcome::Done;
  });
  if (!ok) {
    // The log names the template that was not exported.
    vb::Err().Set(vb::Err().Number(), vb::Err().Description() + L" - " + sSubject);
    LogError(kProc, std::nullopt, std::nullopt, step);
    outcome = Outcome::Failed;
  }
  return outcome;
}

int32_t CountTemplateItems(const FolderPtr& oFolder) {
  int32_t count = oFolder->Items()->Restrict(kTemplatesFilter)->Count();
  if (run::Current().bIncludeSubFolders)
    for (const auto& sub : oFolder->Folders()->All()) count += CountTemplateItems(sub);
  return count;
}

int32_t DoExport1(const FolderPtr& oFolder, const std::wstring& sRelativePath, bool bTop) {
  auto& state = run::Current();
  std::shared_ptr<scripting::Folder> counterpart;
  return run::WalkLevel(
      L"mImportExport::DoExport1", bTop, [&] { return CountTemplateItems(oFolder); },
      [&] { return oFolder->Items()->Restrict(kTemplatesFilter)->All(); },
      [&](const ItemPtr& item, std::wstring& step) {
        if (!counterpart) {
          step = L"Create windows folder";
          // Held a moment, the folders are asked again; still refused, the level fails logged.
          mTanvelo::Retried([&] {
            counterpart = run::CounterpartFolder(
                scripting::FileSystemObject().GetFolder(state.sBaseFolder), sRelativePath,
                [](const std::shared_ptr<scripting::Folder>& f) { return f->SubFolders(); });
          });
          if (!counterpart) vb::Raise(vb::Err().Number(), vb::Err().Description());
          step.clear();
        }
        return ExportOne(counterpart, item, state.nConflict, state.nFormat, state.sExtension,
                         false);
      },
      [&] { return oFolder->Folders()->All(); },
      [&](const FolderPtr& sub) {
        std::wstring rel =
            sRelativePath + (sRelativePath.empty() ? L"" : L"\\") + MakeValidFileName(sub->Name());
        return DoExport1(sub, rel, false);
      });
}

}  // namespace

bool ExportWordDocument(const std::shared_ptr<scripting::Folder>& oWindowsFolder,
                        const ItemPtr& oItem, int32_t nConflict, int32_t nFormat,
                        const std::wstring& sExtension, bool bQuitWord) {
  return ExportOne(oWindowsFolder, oItem, nConflict, nFormat, sExtension, bQuitWord) ==
         Outcome::Done;
}

int32_t DoExport(const std::wstring& sOutlookFolderEntryID, const std::wstring& sWindowsFolder,
                 bool bIncludeSubFolders, int32_t nConflict, IProgressForm* oProgressForm,
                 int32_t nFormat) {
  const wchar_t* kProc = L"mImportExport::DoExport";
  std::wstring sExtension;
  switch (nFormat) {
    case 0:
      sExtension = L".doc";
      break;
    case 1:
      sExtension = L".dot";
      break;
    case 2:
      sExtension = L".txt";
      break;
    case 6:
      sExtension = L".rtf";
      break;
    default:
      LogError(kProc, 0, L"Invalid export format - " + std::to_wstring(nFormat));
      nFormat = 0;
      sExtension = L".doc";
  }
  run::Begin(nConflict, bIncludeSubFolders, oProgressForm);
  int32_t result = 0;
  vb::Ignore([&] {
    auto& state = run::Current();
    state.nFormat = nFormat;
    state.sExtension = sExtension;
    auto folder = run::FindOutlookFolder(sOutlookFolderEntryID);
    if (!folder) {
      LogError(kProc, 0, L"MAPIFolder Not Exists");
      return;
    }
    scripting::FileSystemObject fso;
    if (!fso.FolderExists(sWindowsFolder)) {
      LogError(kProc, 0, L"Folder(" + sWindowsFolder + L") Not Exists");
      return;
    }
    // A folder another program holds a moment is asked again; still refused, nothing is
    // exported and the log says so.
    std::shared_ptr<scripting::Folder> windowsFolder;
    if (!mTanvelo::Retried([&] { windowsFolder = fso.GetFolder(sWindowsFolder); })) {
      LogError(kProc, std::nullopt, std::nullopt,
               L"Folder(" + sWindowsFolder + L") refused, nothing exported");
      return;
    }
    state.sBaseFolder = windowsFolder->Path();
    run::Report().bStarted = true;
    result = DoExport1(folder, L"", true);
  });
  vb::Err().Clear();
  run::Finish();
  return result;
}

}  // namespace mImportExportWordDocs
