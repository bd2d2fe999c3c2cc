// Message boxes with scripted answers: nothing ever waits for a person. A test (or the host's
// script) queues the answers; every box shown is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace win32 {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;
inline constexpr uint32_t MB_TOPMOST = 0x40000;

// Thrown when a box, dialog or browser is shown with no answer scripted for it. It is not a
// platform error: no error trap of the system takes it, so the test fails at once.
class UnscriptedPrompt : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

struct ShownMessageBox {
  std::wstring text;
  std::wstring caption;
  uint32_t style;
  int answer;
};

int MessageBoxW(uint32_t owner, const std::wstring& text, const std::wstring& caption,
                uint32_t style);

namespace msgbox {
// Queues the answer of the next box (IDOK, IDYES, ...).
void Answer(int answer);
// Without a queued answer, boxes take the answer of this function (the host's default
// user); when none is set, an unanswered box throws UnscriptedPrompt with its text.
void SetDefaultAnswerer(std::function<int(const ShownMessageBox&)> answerer);
const std::vector<ShownMessageBox>& Shown();
size_t PendingAnswers();
}  // namespace msgbox

}  // namespace win32
