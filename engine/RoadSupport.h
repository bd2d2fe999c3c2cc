// Small helpers shared by the sources of the template road (not part of the module's
// interface).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CLang.h"
#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Need.h"

namespace mTanvelo::road {

using vb::Need;

std::shared_ptr<outlook::NameSpace> Session();
FolderPtr TemplatesRoot();
// The program drafts folder, or Outlook's own Drafts when it was not found.
FolderPtr DraftsFolder();
std::wstring StoreIDOf(const ItemPtr& item);

template <class F>
void Quietly(F&& statement) {
  vb::Ignore(std::forward<F>(statement));
  vb::Err().Clear();
}

using ::Held;

// A message box of the engine (default title); answers the button pressed.
int32_t Say(const wchar_t* id, int32_t style);

void ShowWait();
void HideWait();
void CloseWait();

// Finds text without regard to case from `from`; npos when absent.
size_t FindNoCase(const std::wstring& text, std::wstring_view what, size_t from = 0);
std::wstring ReplaceNoCase(std::wstring text, const std::wstring& from, const std::wstring& to);

// The one template action of the process: False (and a warning) when another one runs.
class ActionGuard {
 public:
  explicit ActionGuard(std::wstring_view procedure);
  ~ActionGuard();
  ActionGuard(const ActionGuard&) = delete;
  ActionGuard& operator=(const ActionGuard&) = delete;
  explicit operator bool() const { return owns_; }

 private:
  bool owns_ = false;
};

// A temporary folder under TEMP for attachment files: created on demand, each file deleted
// after use, the folder removed at the end.
class TempFolder {
 public:
  explicit TempFolder(std::wstring path) : path_(std::move(path)) {}
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // The path of a file named `name` (made safe) inside the folder, the folder created and an
  // old file of that name deleted.
  std::wstring FileFor(const std::wstring& name, const std::wstring& fallback);
  // Deletes the file last handed out (when it is still there).
  void DeleteFile();
  void Remove();

 private:
  // The files whose deletion was refused at every try, asked for once more (and, still
  // refused, logged by path); those still refused stay in `refused_`.
  void DeleteRefused();
  std::wstring path_, current_;
  std::vector<std::wstring> refused_;
  bool folderLeft_ = false;
};

// The separate sending without the guard of a template action (the road's own callers run
// inside one).
void Send2Action(const ItemPtr& oItem, int32_t nSendAction, int32_t nSendMode, bool& bShow,
                 const std::shared_ptr<IInspectorWrapper>& oInspectorWrapper, JobPtr oJob,
                 const FolderPtr& oFolder);
// The quiet personalization run of a freshly made mail: nothing is asked, fields without a
// value keep their tokens.
void PersonalizeQuietly(const ItemPtr& mail);

// TEMP without a trailing "\".
std::wstring TempPath();

}  // namespace mTanvelo::road
