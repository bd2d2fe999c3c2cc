// What the export and the import share inside mImportExportWordDocs: the state of one run,
// the progress protocol and the per-conversion temporary folder.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "core/Main.h"
#include "dialogs/mImportExportWordDocs.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace mImportExportWordDocs::run {

enum class Outcome { Done, Skipped, Failed };

struct State {
  IProgressForm* progress = nullptr;
  int32_t nConflict = 0;
  bool bIncludeSubFolders = false;
  bool bCancelled = false;
  // Export.
  std::wstring sBaseFolder;
  int32_t nFormat = 0;
  std::wstring sExtension;
  std::set<std::wstring> written;  // files this run wrote, folded to upper case
  // Import.
  std::shared_ptr<outlook::MAPIFolder> oFolder;
  int32_t nImportFormat = 2;
  std::set<std::wstring> made;  // EntryIDs of the templates this run made
};

State& Current();
RunReport& Report();
// Starts a run's state and report; Finish clears the state and quits Word.
void Begin(int32_t nConflict, bool bIncludeSubFolders, IProgressForm* progress);
void Finish();
void Tally(Outcome outcome);

void ProgressInit(int32_t nTotal);
void ProgressStep();
void ProgressDone();
// Also remembers a cancel, so that every level of the walk stops.
bool ProgressIsCancelled();

// One level of the walk of a folder tree, the export's and the import's alike: at the top the
// progress learns how many units the whole tree holds; `convert(unit, step)` converts each unit
// of `units()` in turn, then, with sub-folders, `descend(child)` walks each of `children()`.
// A cancel stops every level. A failure is logged under `sProc` with the step it was at, the
// level counts nothing and the run counts a failure (its result must not read as complete).
// Returns how many units were converted.
template <class CountTree, class Units, class Convert, class Children, class Descend>
int32_t WalkLevel(const wchar_t* sProc, bool bTop, CountTree countTree, Units units,
                  Convert convert, Children children, Descend descend) {
  auto& state = Current();
  int32_t count = 0;
  std::wstring step;
  bool ok = vb::Catch([&] {
    if (bTop) {
      int32_t total = countTree();
      Report().nTotal = total;
      ProgressInit(total);
    }
    for (const auto& unit : units()) {
      Outcome outcome = convert(unit, step);
      Tally(outcome);
      if (outcome == Outcome::Done) ++count;
      ProgressStep();
      if (ProgressIsCancelled()) return;
    }
    if (state.bIncludeSubFolders) {
      for (const auto& child : children()) {
        count += descend(child);
        if (ProgressIsCancelled()) return;
      }
    }
  });
  if (!ok) {
    LogError(sProc, std::nullopt, std::nullopt, step);
    ++Report().nFailed;
    return 0;
  }
  if (bTop && !state.bCancelled) ProgressDone();
  return count;
}

// The folder at the relative path ("A\\B") below `folder`, each part trimmed and made where
// missing; `children(folder)` gives a folder's collection of sub-folders (Item and Add by
// name). The export's Windows folders and the import's Outlook folders alike.
template <class FolderPtr, class Children>
FolderPtr CounterpartFolder(FolderPtr folder, const std::wstring& sRelativePath,
                            Children children) {
  if (sRelativePath.empty()) return folder;
  for (const auto& raw : vb::Split(sRelativePath, L"\\")) {
    std::wstring part = vb::Trim(raw);
    FolderPtr child;
    vb::Ignore([&] { child = children(folder)->Item(part); });
    vb::Err().Clear();
    folder = child ? child : children(folder)->Add(part);
  }
  return folder;
}

// The file name without its folder and its last extension.
std::wstring BaseName(const std::wstring& sPath);

// The system temporary folder, without a trailing "\".
std::wstring SystemTempFolder();

// One conversion's folder directly in the system temporary folder; deleted with everything
// in it when the object goes, but only when this object made it.
class TempFolder {
 public:
  TempFolder() = default;
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // Raises when no folder could be made.
  void Create();
  const std::wstring& Path() const { return m_sPath; }

 private:
  std::wstring m_sPath;
  bool m_bCreated = false;
};

// With the option on: opens the file in its program and shows its path until OK.
void ShowTempFileIfAsked(const std::wstring& sPath);

// The Outlook folder of the templates store with this EntryID, or null.
std::shared_ptr<outlook::MAPIFolder> FindOutlookFolder(const std::wstring& sEntryID);

}  // namespace mImportExportWordDocs::run
