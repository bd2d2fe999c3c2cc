// The shell's folder browser, with answers scripted like message boxes, and ShellExecuteA,
// which only records what it was asked to open.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace win32 {

using HWND = uint32_t;
using PIDLIST = uint32_t;  // an item id list, owned by the caller until CoTaskMemFree

inline constexpr uint32_t BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr uint32_t BIF_NEWDIALOGSTYLE = 0x0040;
inline constexpr int SW_SHOWNORMAL = 1;

struct BROWSEINFOA {
  HWND hwndOwner = 0;
  PIDLIST pidlRoot = 0;
  char* pszDisplayName = nullptr;  // MAX_PATH characters, receives the chosen item's name
  std::string lpszTitle;
  uint32_t ulFlags = 0;
};

// 0 when the user cancels. Without a scripted answer it throws UnscriptedPrompt.
PIDLIST SHBrowseForFolderA(BROWSEINFOA* info);
// Copies the item's file-system path (up to 260 characters with the zero); false, with an empty
// buffer, for a virtual item such as Control Panel.
bool SHGetPathFromIDListA(PIDLIST item, char* path);
void CoTaskMemFree(PIDLIST item);

// Answers a value above 32 on success.
uint32_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                       const char* directory, int show);

namespace shell {
// The next browser's answer: a path, or nullopt for Cancel.
void AnswerBrowse(std::optional<std::string> path);
// The next browser's answer is a virtual item (no file-system path).
void AnswerBrowseVirtual();
// Asked for the answer of a browser shown with none queued (a person at a prompt): a path, or
// nullopt for Cancel. Without one such a browser throws UnscriptedPrompt.
void SetFallbackAnswerer(std::function<std::optional<std::string>(const std::string& title)>);
struct ShownBrowser {
  HWND owner;
  std::string title;
  uint32_t flags;
};
const std::vector<ShownBrowser>& Browsers();
size_t LiveItemLists();
struct Executed {
  HWND owner;
  std::string verb, file, parameters, directory;
  int show;
};
const std::vector<Executed>& Executions();
}  // namespace shell

}  // namespace win32
