// Shared by the language tests: a sandbox with the program folder, language files written
// with CR LF line ends, and a look at the log entries the support library received.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"

namespace langtest {

inline std::string Ansi(const std::wstring& text) {
  return win32::ToAnsi(text);
}

// The lines joined by CR LF, with a final CR LF.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

inline std::string ProgramFile(const std::string& name) {
  return Ansi(vb::App().Path) + "\\" + name;
}

inline std::wstring ProgramPath(const std::string& name) {
  return win32::FromAnsi(ProgramFile(name));
}

// A complete file around the given text and form sections.
inline std::string LangFile(const std::string& langid, const std::vector<std::string>& body,
                            const std::string& globals = "texts", const std::string& forms = "") {
  std::vector<std::string> lines = {"[version]",
                                    "signature = \"Norvane.LangLngFile\"",
                                    "langid = \"" + langid + "\"",
                                    "lang = \"Lang " + langid + "\"",
                                    "[Tanvelo]",
                                    "globals = \"" + globals + "\""};
  if (!forms.empty()) lines.push_back("forms = \"" + forms + "\"");
  lines.insert(lines.end(), body.begin(), body.end());
  return Lines(lines);
}

// A 1 x 1 pixel, 24-bit bitmap file.
inline std::string BitmapFile() {
  std::string dib(40, '\0');
  dib[0] = 40, dib[4] = 1, dib[8] = 1, dib[12] = 1, dib[14] = 24;
  std::string header = "BM" + std::string(12, '\0');
  header[2] = static_cast<char>(14 + 40 + 4), header[10] = 54;
  return header + dib + std::string(4, '\0');
}

inline std::vector<std::wstring> LogTexts(int32_t level = 0) {
  std::vector<std::wstring> out;
  for (const auto& e : support::library::Log())
    if (level == 0 || e.level == level) out.push_back(e.text);
  return out;
}

// The texts logged after the first `from` entries.
inline std::vector<std::wstring> LogTextsFrom(size_t from) {
  std::vector<std::wstring> out;
  const auto& log = support::library::Log();
  for (size_t i = from; i < log.size(); ++i) out.push_back(log[i].text);
  return out;
}

inline bool Logged(const std::wstring& text) {
  for (const auto& e : support::library::Log())
    if (e.text == text) return true;
  return false;
}

class LangTest : public testing::Test {
 protected:
  win32::files::TempSandbox sandbox;
  bool resourcesLoaded = (resources::LoadModuleResources(), true);

  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(win32::files::WriteAll(ProgramFile(name), bytes));
  }
};

}  // namespace langtest
