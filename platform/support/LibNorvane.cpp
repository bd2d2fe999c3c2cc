#include "platform/support/LibNorvane.h"

#include <cstring>
#include <fstream>

#include "platform/forms/Form.h"
#include "platform/vb/Error.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Reset.h"

namespace support {
namespace {

struct LibraryState {
  bool installed = true;
  std::string logFile;
  int32_t initExResult = 0;
  int32_t aboutMenuResult = 0;
  std::vector<library::LogEntry> log;
  std::vector<library::Call> calls;
  bool initialized = false;
  bool initCompleted = false;
  uint32_t module = 0;
  std::array<uint8_t, kInitBlockSize> block{};
};

LibraryState& S() {
  return win32::PlatformState<LibraryState>();
}

void Loaded() {
  if (!S().installed) vb::Raise(vb::kFileNotFound, L"File not found: LibNorvane.dll");
}

std::wstring Text(const char* ansi) {
  return ansi ? win32::FromAnsi(ansi) : std::wstring();
}

uint32_t Field(size_t offset) {
  uint32_t v;
  std::memcpy(&v, S().block.data() + offset, 4);  // the block is little-endian, as is x86
  return v;
}

template <class F>
F& CallbackAt(size_t offset) {
  F* f = win32::HandleAs<F>(Field(offset));
  if (f == nullptr || !*f) vb::Raise(vb::kObjectVariableNotSet, L"LibNorvane: no callback");
  return *f;
}

// Tests read the last messages only: a long session keeps the most recent ones, so the record
// does not grow with every message the add-in logs.
constexpr size_t kKeptLog = 4096;

void Record(const char* function, std::wstring argument = L"") {
  std::vector<std::wstring> shown;
  for (forms::Form* form : forms::LoadedForms())
    if (form->Visible()) shown.push_back(form->Name());
  S().calls.push_back({function, std::move(argument), std::move(shown)});
}

}  // namespace

int32_t LibNorvaneInitEx(uint32_t module, const uint8_t* block) {
  Loaded();
  if (block == nullptr) return 1;
  std::memcpy(S().block.data(), block, kInitBlockSize);
  S().module = module;
  S().initialized = S().initExResult == 0;
  Record("LibNorvaneInitEx");
  return S().initExResult;
}

int32_t LibNorvaneInit(uint32_t module, int32_t, std::shared_ptr<void>, int32_t, int32_t) {
  Loaded();
  S().module = module;
  S().initialized = true;
  Record("LibNorvaneInit");
  return 0;
}

int32_t LibNorvaneInitComplete(uint32_t) {
  Loaded();
  S().initCompleted = true;
  Record("LibNorvaneInitComplete");
  return 0;
}

int32_t LibNorvaneLogMsg(uint32_t, const char* text, int32_t errorNumber, const char* procedure,
                         int32_t level, int32_t detail) {
  Loaded();
  library::LogEntry entry{Text(text), errorNumber, Text(procedure), level, detail};
  if (!S().logFile.empty()) {
    std::ofstream out(S().logFile, std::ios::app | std::ios::binary);
    out << level << '\t' << detail << '\t' << errorNumber << '\t' << (procedure ? procedure : "")
        << '\t' << (text ? text : "") << "\r\n";
  }
  auto& log = S().log;
  if (log.size() >= 2 * kKeptLog)
    log.erase(log.begin(), log.end() - static_cast<std::ptrdiff_t>(kKeptLog));
  log.push_back(std::move(entry));
  return 0;
}

int32_t LibNorvaneLogMsgEx(uint32_t module, const char* text, int32_t errorNumber,
                           const char* procedure, int32_t level, int32_t detail, int32_t) {
  return LibNorvaneLogMsg(module, text, errorNumber, procedure, level, detail);
}

int32_t LibNorvaneCreateLog(uint32_t, int32_t, const char* a, const char*, const char*, int32_t) {
  Loaded();
  Record("LibNorvaneCreateLog", Text(a));
  return 0;
}

int32_t LibNorvaneReportProblem(uint32_t) {
  Loaded();
  Record("LibNorvaneReportProblem");
  return 0;
}

int32_t LibNorvaneShowAbout(uint32_t) {
  Loaded();
  Record("LibNorvaneShowAbout");
  return 0;
}

int32_t LibNorvaneShowContextHelp(uint32_t, const char* topic) {
  Loaded();
  Record("LibNorvaneShowContextHelp", Text(topic));
  return 0;
}

int32_t LibNorvaneAddAboutMenu(uint32_t, std::shared_ptr<void>) {
  Loaded();
  Record("LibNorvaneAddAboutMenu");
  return S().aboutMenuResult;
}

namespace library {

void SetInstalled(bool installed) {
  S().installed = installed;
}
void SetLogFile(const std::string& path) {
  S().logFile = path;
}
void SetInitExResult(int32_t result) {
  S().initExResult = result;
}
void SetAboutMenuResult(int32_t result) {
  S().aboutMenuResult = result;
}
const std::vector<LogEntry>& Log() {
  return S().log;
}
const std::vector<Call>& Calls() {
  return S().calls;
}
bool Initialized() {
  return S().initialized;
}
bool InitCompleted() {
  return S().initCompleted;
}
uint32_t ModuleHandle() {
  return S().module;
}
const std::array<uint8_t, kInitBlockSize>& Block() {
  return S().block;
}

std::array<int32_t, 4> WindowRect() {
  auto* rect = win32::HandleAs<std::array<int32_t, 4>*>(Field(56));
  return rect && *rect ? **rect : std::array<int32_t, 4>{};
}

uint32_t ApplicationHandle() {
  return Field(8);
}

int32_t CallNewMailFromTemplate() {
  return CallbackAt<NewMailCallback>(16)();
}
std::wstring CallGetLangID() {
  return CallbackAt<TextCallback>(60)();
}
std::wstring CallGetUserAddress() {
  return CallbackAt<TextCallback>(40)();
}

VersionTexts CallGetVersionTexts() {
  VersionTexts texts;
  VersionTexts* answer = CallbackAt<VersionTextsCallback>(64)(&texts);
  return answer ? *answer : texts;
}

}  // namespace library
}  // namespace support
