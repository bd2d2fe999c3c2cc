#include "dialogs/mImportExportWordDocs.h"

#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/CWordWrapper.h"
#include "dialogs/mImportExportRun.h"
#include "engine/mTanvelo.h"
#include "platform/forms/Controls.h"
#include "platform/outlook/Outlook.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Shell.h"

namespace mImportExportWordDocs {

namespace run {

namespace {
State g_state;
RunReport g_report;
}  // namespace

State& Current() {
  return g_state;
}

RunReport& Report() {
  return g_report;
}

void Begin(int32_t nConflict, bool bIncludeSubFolders, IProgressForm* progress) {
  g_state = State{};
  g_report = RunReport{};
  g_state.nConflict = nConflict;
  g_state.bIncludeSubFolders = bIncludeSubFolders;
  g_state.progress = progress;
}

void Finish() {
  g_report.bCancelled = g_state.bCancelled;
  g_state = State{};
  WordWrapper().Done();
}

void Tally(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done:
      ++g_report.nDone;
      break;
    case Outcome::Skipped:
      ++g_report.nSkipped;
      break;
    case Outcome::Failed:
      ++g_report.nFailed;
      break;
  }
}

void ProgressInit(int32_t nTotal) {
  IProgressForm* form = g_state.progress;
  if (!form) return;
  vb::Ignore([&] { form->ctlProgress()->SetMin(0); });
  vb::Ignore([&] {
    auto bar = form->ctlProgress();
    bar->SetMax(nTotal > bar->Min() ? nTotal : bar->Min() + 1);
  });
  vb::Ignore([&] { form->ctlProgress()->SetValue(0); });
  vb::Ignore([&] { form->lblProgress()->SetCaption(L"Completed: 0%   "); });
  vb::Ignore([] { vb::DoEvents(); });
  vb::Err().Clear();
}

void ProgressStep() {
  IProgressForm* form = g_state.progress;
  if (!form) return;
  vb::Ignore([&] {
    auto bar = form->ctlProgress();
    if (bar->Value() < bar->Max()) bar->SetValue(bar->Value() + 1);
    int32_t pct = vb::CLng(100.0 * bar->Value() / bar->Max());
    form->lblProgress()->SetCaption(L"Completed: " + std::to_wstring(pct) + L"%    ");
  });
  vb::Ignore([] { vb::DoEvents(); });
  vb::Err().Clear();
}

void ProgressDone() {
  IProgressForm* form = g_state.progress;
  if (!form) return;
  vb::Ignore([&] {
    auto bar = form->ctlProgress();
    bar->SetValue(bar->Max());
  });
  vb::Ignore([] { vb::DoEvents(); });
  vb::Err().Clear();
}

bool ProgressIsCancelled() {
  if (g_state.bCancelled) return true;
  IProgressForm* form = g_state.progress;
  if (!form) return false;
  bool cancelled = false;
  vb::Ignore([&] { cancelled = form->IsCancelled(); });
  vb::Err().Clear();
  if (cancelled) g_state.bCancelled = true;
  return cancelled;
}

std::wstring BaseName(const std::wstring& sPath) {
  size_t sep = sPath.find_last_of(L"\\/");
  std::wstring name = sep == std::wstring::npos ? sPath : sPath.substr(sep + 1);
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring SystemTempFolder() {
  // Asked again while refused, as a folder held a moment is.
  std::shared_ptr<scripting::Folder> folder;
  scripting::FileSystemObject fso;
  for (int attempt = 1; attempt < kHeldTries && !folder; ++attempt)
    if (!vb::Catch([&] { folder = fso.GetSpecialFolder(scripting::TemporaryFolder); }))
      vb::Err().Clear();
  if (!folder) folder = fso.GetSpecialFolder(scripting::TemporaryFolder);
  std::wstring path = folder->Path();
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

// A file in the folder may be held a moment longer (Word closing it, a virus scanner): the
// deletion is tried again, often enough to outlast such a moment, before the folder is given
// up, and then the log names the folder left behind.
TempFolder::~TempFolder() {
  if (!m_bCreated) return;
  bool deleted = false;
  for (int attempt = 0; attempt < kHeldTries && !deleted; ++attempt)
    deleted = vb::Catch([&] { scripting::FileSystemObject().DeleteFolder(m_sPath, true); });
  if (!deleted) {
    LogError(L"mImportExport::TempFolder", std::nullopt,
             L"Cant delete temporary folder " + m_sPath + L" - " + vb::Err().Description());
    // Held longer than the tries (Word still closing a file): asked again later.
    mTanvelo::AskLater(L"the temporary folder " + m_sPath + L" was not deleted", [path = m_sPath] {
      return mTanvelo::Retried([&] {
        scripting::FileSystemObject fso;
        if (fso.FolderExists(path)) fso.DeleteFolder(path, true);
      });
    });
  }
  vb::Err().Clear();
}

void TempFolder::Create() {
  scripting::FileSystemObject fso;
  std::wstring base = SystemTempFolder();
  // A generated name may already be taken; such a folder is someone else's. A making refused
  // a moment (a virus scanner holding the temporary folder) is tried again with the next name;
  // still refused, its error is raised.
  int refused = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = fso.BuildPath(base, fso.GetTempName());
    if (fso.FolderExists(path) || fso.FileExists(path)) continue;
    if (!vb::Catch([&] { fso.CreateFolder(path); })) {
      if (++refused == kHeldTries) vb::Raise(vb::Err().Number(), vb::Err().Description());
      vb::Err().Clear();
      continue;
    }
    m_sPath = path;
    m_bCreated = true;
    return;
  }
  vb::Raise(scripting::kErrFileExists, L"No free name for a temporary folder");
}

void ShowTempFileIfAsked(const std::wstring& sPath) {
  if (!Options().ShowImportExportTempFiles()) return;
  win32::ShellExecuteA(0, nullptr, win32::ToAnsi(sPath).c_str(), nullptr, "C:\\",
                       win32::SW_SHOWNORMAL);
  vb::MsgBox(sPath, 0);
}

std::shared_ptr<outlook::MAPIFolder> FindOutlookFolder(const std::wstring& sEntryID) {
  std::shared_ptr<outlook::MAPIFolder> folder;
  vb::Ignore([&] {
    folder = g_oApp->Session()->GetFolderFromID(sEntryID, g_oTemplatesFolder->StoreID());
  });
  vb::Err().Clear();
  return folder;
}

}  // namespace run

const RunReport& LastRun() {
  return run::Report();
}

CWordWrapper& WordWrapper() {
  static CWordWrapper wrapper;
  return wrapper;
}

std::wstring MakeValidFileName(const std::wstring& sName) {
  std::wstring out = sName;
  for (auto& c : out)
    if (std::wstring_view(L"~\"*./:<>?\\|").find(c) != std::wstring_view::npos) c = L'_';
  return out;
}

std::wstring SafeAttachmentFileName(const std::wstring& sName, const std::wstring& fallback) {
  std::wstring name = sName;
  size_t cut = name.find_last_of(L"\\/");
  if (cut != std::wstring::npos) name = name.substr(cut + 1);
  for (auto& c : name)
    if (c < 32 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) c = L'_';
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  while (!name.empty() && name.front() == L' ') name.erase(0, 1);
  if (name.empty() || name.find_first_not_of(L'.') == std::wstring::npos) return fallback;
  std::wstring stem = vb::UCase(name.substr(0, name.find(L'.')));
  static const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CLOCK$"};
  bool device = false;
  for (const wchar_t* d : kDevices)
    if (stem == d) device = true;
  if (stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
      stem[3] >= L'1' && stem[3] <= L'9')
    device = true;
  if (device) name = L"_" + name;
  return name;
}

bool IsWordFile(const std::wstring& sPath) {
  size_t dot = sPath.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring ext = vb::LCase(sPath.substr(dot + 1));
  if (ext != L"doc" && ext != L"dot") return false;
  return run::BaseName(sPath).rfind(L"~$", 0) != 0;
}

std::wstring GetLongPathName(const std::wstring& sPath) {
  return TrapOr<std::wstring>(L"mImportExport::GetLongPathName", sPath, [&] {
    std::string path = win32::ToAnsi(sPath);
    std::string buffer(60, '\0');
    uint32_t n = win32::GetLongPathNameA(path.c_str(), buffer.data(), 60);
    if (n > 60) {
      buffer.assign(n, '\0');
      n = win32::GetLongPathNameA(path.c_str(), buffer.data(), n);
    }
    if (n == 0) return sPath;
    std::string text = buffer.substr(0, buffer.find('\0'));
    if (text.empty()) return sPath;
    return win32::FromAnsi(text);
  });
}

bool CreateTextFile(const std::wstring& sPath, const std::wstring& sText) {
  // Each try writes the file whole again, so a write refused half-way leaves nothing short.
  if (mTanvelo::Retried([&] {
        auto stream = scripting::FileSystemObject().CreateTextFile(sPath, true, false);
        stream->Write(sText);
        stream->Close();
      }))
    return true;
  LogError(L"mImportExport::CreateTextFile", std::nullopt, std::nullopt, L"not written: " + sPath);
  return false;
}

}  // namespace mImportExportWordDocs
