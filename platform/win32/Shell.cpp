#include "platform/win32/Shell.h"

#include <cstring>
#include <deque>
#include <map>

#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct Answer {
  bool cancel = false;
  bool isVirtual = false;
  std::string path;
};
struct ShellState {
  std::deque<Answer> answers;
  std::vector<shell::ShownBrowser> browsers;
  std::map<PIDLIST, Answer> items;
  PIDLIST next = 0x00250000;
  std::vector<shell::Executed> executions;
  std::function<std::optional<std::string>(const std::string&)> fallback;
};
ShellState& S() {
  return PlatformState<ShellState>();
}

std::string LastPart(const std::string& path) {
  size_t cut = path.find_last_of('\\');
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  return name.empty() ? path : name;
}
std::string Text(const char* s) {
  return s ? s : "";
}
}  // namespace

PIDLIST SHBrowseForFolderA(BROWSEINFOA* info) {
  auto& s = S();
  s.browsers.push_back({info->hwndOwner, info->lpszTitle, info->ulFlags});
  if (s.answers.empty() && s.fallback) {
    auto chosen = s.fallback(info->lpszTitle);
    s.answers.push_back(chosen ? Answer{false, false, *chosen} : Answer{true, false, ""});
  }
  if (s.answers.empty())
    throw UnscriptedPrompt("folder browser shown without a scripted answer: " + info->lpszTitle);
  Answer answer = s.answers.front();
  s.answers.pop_front();
  if (answer.cancel) return 0;
  std::string name = answer.isVirtual ? "Control Panel" : LastPart(answer.path);
  if (info->pszDisplayName) std::strncpy(info->pszDisplayName, name.c_str(), 259)[259] = 0;
  PIDLIST item = s.next;
  s.next += 0x20;
  s.items[item] = answer;
  return item;
}

bool SHGetPathFromIDListA(PIDLIST item, char* path) {
  auto it = S().items.find(item);
  if (path) path[0] = 0;
  if (it == S().items.end() || it->second.isVirtual || !path) return false;
  std::strncpy(path, it->second.path.c_str(), 259)[259] = 0;
  return true;
}

void CoTaskMemFree(PIDLIST item) {
  S().items.erase(item);
}

uint32_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                       const char* directory, int show) {
  S().executions.push_back(
      {owner, Text(verb), Text(file), Text(parameters), Text(directory), show});
  return 42;
}

namespace shell {
void AnswerBrowse(std::optional<std::string> path) {
  S().answers.push_back(path ? Answer{false, false, *path} : Answer{true, false, ""});
}
void SetFallbackAnswerer(std::function<std::optional<std::string>(const std::string&)> fallback) {
  S().fallback = std::move(fallback);
}
void AnswerBrowseVirtual() {
  S().answers.push_back(Answer{false, true, ""});
}
const std::vector<ShownBrowser>& Browsers() {
  return S().browsers;
}
size_t LiveItemLists() {
  return S().items.size();
}
const std::vector<Executed>& Executions() {
  return S().executions;
}
}  // namespace shell
}  // namespace win32
