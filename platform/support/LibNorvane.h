// The maker's support library, as the add-in calls it: exported functions taking the
// library handle first and ANSI texts, a 180-byte initialisation block whose 32-bit address
// fields hold win32 handles, and four callbacks into the add-in. It records what it is asked
// to do so tests and the host can see it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace support {

inline constexpr size_t kInitBlockSize = 180;

// The record callback 3 fills: file description, comments, legal notice.
struct VersionTexts {
  std::wstring FileDescription;
  std::wstring Comments;
  std::wstring LegalCopyright;
};

// What a handle in the block's callback fields must stand for.
using NewMailCallback = std::function<int32_t()>;                          // offset 16
using TextCallback = std::function<std::wstring()>;                        // offsets 40 and 60
using VersionTextsCallback = std::function<VersionTexts*(VersionTexts*)>;  // offset 64
// Offset 8 holds a handle to the host application object (std::shared_ptr<void>); offset 56
// a handle to the window rectangle (std::array<int32_t, 4>*).

// Every function raises vb::Error 53 when the library is "not installed", as a failed
// load of the DLL does.
int32_t LibNorvaneInitEx(uint32_t module, const uint8_t* block);
int32_t LibNorvaneInit(uint32_t module, int32_t a, std::shared_ptr<void> object, int32_t b,
                       int32_t c);
int32_t LibNorvaneInitComplete(uint32_t module);
int32_t LibNorvaneLogMsg(uint32_t module, const char* text, int32_t errorNumber,
                         const char* procedure, int32_t level, int32_t detail);
int32_t LibNorvaneLogMsgEx(uint32_t module, const char* text, int32_t errorNumber,
                           const char* procedure, int32_t level, int32_t detail, int32_t extra);
int32_t LibNorvaneCreateLog(uint32_t module, int32_t kind, const char* a, const char* b,
                            const char* c, int32_t flags);
int32_t LibNorvaneReportProblem(uint32_t module);
int32_t LibNorvaneShowAbout(uint32_t module);
int32_t LibNorvaneShowContextHelp(uint32_t module, const char* topic);
int32_t LibNorvaneAddAboutMenu(uint32_t module, std::shared_ptr<void> commandBarsOwner);

// Control and inspection of the substitute library.
namespace library {

struct LogEntry {
  std::wstring text;
  int32_t errorNumber;
  std::wstring procedure;
  int32_t level;
  int32_t detail;
};

// One recorded call other than logging: the function's name, its text argument, and the
// forms on screen when it was made (a window the library opens sits over them).
struct Call {
  std::string function;
  std::wstring argument;
  std::vector<std::wstring> formsShown;
};

void SetInstalled(bool installed);
// Entries are appended, one line each, to this file from now on ("" stops it).
void SetLogFile(const std::string& path);
void SetInitExResult(int32_t result);
void SetAboutMenuResult(int32_t result);

// The most recent messages, oldest first: at least the last 4,096, never more than 8,192.
const std::vector<LogEntry>& Log();
const std::vector<Call>& Calls();
bool Initialized();
bool InitCompleted();
uint32_t ModuleHandle();
const std::array<uint8_t, kInitBlockSize>& Block();
// The rectangle read through the block's offset 56 at initialisation: left, top, width,
// height; all 0 when the field was 0.
std::array<int32_t, 4> WindowRect();
uint32_t ApplicationHandle();

// Calls the add-in back through the addresses of the block, as the library would.
int32_t CallNewMailFromTemplate();
std::wstring CallGetLangID();
VersionTexts CallGetVersionTexts();
std::wstring CallGetUserAddress();

}  // namespace library
}  // namespace support
