// Module mImportExportWordDocs: templates out to Windows folders of Word documents and back.
// A dialog calls DoExport or DoImport with itself as the progress form; the engine walks the
// folders, converts each template or document through Word (CWordWrapper), reports progress
// to the form after every unit and stops when the form says it was cancelled. No error
// reaches the dialog; log lines name "mImportExport::<procedure>".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"

namespace forms {
class ProgressBar;
class Label;
}  // namespace forms
class CWordWrapper;
namespace scripting {
class Folder;
}

// What the engine reads of the dialog that runs it.
class IProgressForm {
 public:
  virtual ~IProgressForm() = default;
  virtual std::shared_ptr<forms::ProgressBar> ctlProgress() = 0;
  virtual std::shared_ptr<forms::Label> lblProgress() = 0;
  virtual bool IsCancelled() = 0;
};

namespace mImportExportWordDocs {

inline constexpr int32_t kConflictDuplicate = 0, kConflictReplace = 1, kConflictLeave = 2;

// What the last run did, for the dialog's closing words.
struct RunReport {
  bool bStarted = false;  // the folders were found and the walk began
  bool bCancelled = false;
  int32_t nTotal = 0;    // units counted before the walk
  int32_t nDone = 0;     // written or imported
  int32_t nSkipped = 0;  // left alone under "keep the original"
  int32_t nFailed = 0;   // tried and failed
};

// Export: nFormat 0 document ".doc", 1 template ".dot", 2 text ".txt", 6 RTF ".rtf"; the
// number of files written.
int32_t DoExport(const std::wstring& sOutlookFolderEntryID, const std::wstring& sWindowsFolder,
                 bool bIncludeSubFolders, int32_t nConflict, IProgressForm* oProgressForm,
                 int32_t nFormat);
// Import: nFormat 1 text, 2 HTML, 3 RTF (any other as 2); the number of templates made.
int32_t DoImport(const std::wstring& sOutlookFolderEntryID, const std::wstring& sWindowsFolder,
                 bool bIncludeSubFolders, int32_t nConflict, IProgressForm* oProgressForm,
                 int32_t nFormat);
const RunReport& LastRun();

// One template to one file in the folder; False when it was not written (left alone, too long
// a name, no free number, or a failing step, which is logged).
bool ExportWordDocument(const std::shared_ptr<scripting::Folder>& oWindowsFolder,
                        const std::shared_ptr<outlook::Item>& oItem, int32_t nConflict,
                        int32_t nFormat, const std::wstring& sExtension, bool bQuitWord);

// Each of ~ " * . / : < > ? \ | becomes "_"; nothing else changes.
std::wstring MakeValidFileName(const std::wstring& sName);
// The file-name part of an attachment's name made safe to write into a folder: no folder
// parts, no characters Windows refuses, no device names, never "." or ".."; `fallback` when
// nothing is left.
std::wstring SafeAttachmentFileName(const std::wstring& sName, const std::wstring& fallback);
// One file to one template in the folder; False when none was made (left alone, no free
// number, the user gave up on a file in use, or a failing step, which is logged).
bool ImportWordDocument(const std::shared_ptr<outlook::MAPIFolder>& oFolder,
                        const std::wstring& sFile, int32_t nConflict, int32_t nFormat,
                        bool bQuitWord);
// Adds every file below the temporary folder that the HTML links to (but the HTML file itself)
// as a hidden attachment and points the link at it by content id; the content ids in the
// order the attachments were added. Raises when the folder cannot be listed.
void ImportHtmlLinks(const std::shared_ptr<outlook::Item>& oItem, std::wstring& sHtml,
                     const std::wstring& sTempFolder, const std::wstring& sHtmlFileName,
                     std::vector<std::wstring>& colContentIDs);
// A ".doc" or ".dot" file (any case) that is not one of Word's lock files ("~$...").
bool IsWordFile(const std::wstring& sPath);
// The long form of the path as the system reports it; the path itself when the system fails.
std::wstring GetLongPathName(const std::wstring& sPath);
// Writes the text in the ANSI code page into a new or emptied file, asked again while
// refused; false (logged, naming the file) when it could not be written whole.
bool CreateTextFile(const std::wstring& sPath, const std::wstring& sText);

// The one Word wrapper of the process.
CWordWrapper& WordWrapper();

}  // namespace mImportExportWordDocs
