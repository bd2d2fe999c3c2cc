#include "platform/win32/MessageBox.h"

#include <deque>

#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {
struct MessageBoxState {
  std::deque<int> answers;
  std::function<int(const ShownMessageBox&)> answerer;
  std::vector<ShownMessageBox> shown;
};
MessageBoxState& S() {
  return PlatformState<MessageBoxState>();
}
}  // namespace

int MessageBoxW(uint32_t, const std::wstring& text, const std::wstring& caption, uint32_t style) {
  auto& s = S();
  ShownMessageBox box{text, caption, style, 0};
  if (!s.answers.empty()) {
    box.answer = s.answers.front();
    s.answers.pop_front();
  } else if (s.answerer) {
    box.answer = s.answerer(box);
  } else {
    s.shown.push_back(box);
    throw UnscriptedPrompt("message box without a scripted answer: \"" + ToAnsi(caption) +
                           "\": " + WideToMultiByte(CP_UTF8, text));
  }
  s.shown.push_back(box);
  return box.answer;
}

namespace msgbox {
void Answer(int answer) {
  S().answers.push_back(answer);
}
void SetDefaultAnswerer(std::function<int(const ShownMessageBox&)> answerer) {
  S().answerer = std::move(answerer);
}
const std::vector<ShownMessageBox>& Shown() {
  return S().shown;
}
size_t PendingAnswers() {
  return S().answers.size();
}
}  // namespace msgbox
}  // namespace win32
