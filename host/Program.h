// The program around the interpreter: its options, its scripts, the demo and the prompt.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace host {

// The user pressed Ctrl-C at the prompt: the line being typed is dropped, as shells do.
struct Interrupted {};

struct ProgramIo {
  std::function<void(const std::string&)> out, err;
  // One line of the user's input; false at its end.
  std::function<bool(std::string&)> readLine;
  bool terminal = false;
  // At the prompt only (a terminal and nothing to run): one line read after showing `prompt`,
  // with line editing and history; Ctrl-C while typing throws Interrupted, and the line is
  // dropped. Unset, the prompt is written out and readLine reads.
  std::function<bool(const std::string& prompt, std::string&)> readEdited;
  std::string languageFile;  // the bytes of EN.lng
};

// Exit codes: 0 done, 1 an expectation failed, 2 a script or option error (a profile that
// cannot be opened or is in use included), 3 the kept profile could not be saved.
int RunProgram(const std::vector<std::string>& args, const ProgramIo& io);

// The built-in demo scenario; the line that tells what it shows, and the summary and next
// step it ends with.
const std::vector<std::wstring>& DemoScript();
std::string DemoTitle();
std::string DemoSummary();

}  // namespace host
