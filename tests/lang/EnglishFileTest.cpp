// The shipped English language file: it loads without a complaint, holds every text id and
// form the system's sources use, and a second language replaces every one of its texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/CLang.h"
#include "core/CWinReg.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "resources/StringTable.h"
#include "tests/common/Source.h"

namespace fs = std::filesystem;

namespace {

using testsource::SourceDir;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the sources ask of the language file: text ids and the names of localised forms.
struct Uses {
  std::set<std::string> ids;
  std::set<std::string> forms;
};

const char* const kIdPattern =
    "(?:IDS_|STR_|BTN_|MNU_|RID_E_|TAB_|GRP_|HOT_KEY_ACTION_|LID_)[A-Za-z0-9_]+";

Uses ScanSource(const std::string& text) {
  Uses uses;
  // Any literal passed to Item, and any literal that looks like a text id (ids are often
  // picked from tables before they reach Item).
  static const std::regex item(R"(Item\s*\(\s*L?\"([^\"]+)\")");
  static const std::regex id(std::string("L?\"(") + kIdPattern + ")\"");
  for (const std::regex* re : {&item, &id})
    for (std::sregex_iterator it(text.begin(), text.end(), *re), end; it != end; ++it)
      uses.ids.insert((*it)[1]);
  // A source that localises a form names the form's section by the form's name.
  if (text.find("LocalizeForm") != std::string::npos ||
      text.find("LocalizeUserControl") != std::string::npos) {
    static const std::regex form(R"re(L?"((?:RL_)?frm[A-Za-z0-9_]+)")re");
    for (std::sregex_iterator it(text.begin(), text.end(), form), end; it != end; ++it)
      uses.forms.insert((*it)[1]);
  }
  return uses;
}

Uses ScanSystemSources() {
  Uses all;
  for (const char* dir : {"core", "personalization", "engine", "hotkeys", "dialogs", "commands",
                          "commandbars", "explorer_ui", "inspector_ui", "addin"}) {
    fs::path root = SourceDir() / dir;
    if (!fs::exists(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".h") continue;
      Uses uses = ScanSource(ReadFile(entry.path()));
      all.ids.insert(uses.ids.begin(), uses.ids.end());
      all.forms.insert(uses.forms.begin(), uses.forms.end());
    }
  }
  return all;
}

// The names listed in the application section's entry ("globals" or "forms").
std::set<std::string> ListedSections(const std::string& file, const std::string& entry) {
  std::set<std::string> names;
  std::regex re("\\n" + entry + "\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
  std::smatch m;
  if (!std::regex_search(file, m, re)) return names;
  std::stringstream list(m[1]);
  for (std::string item; std::getline(list, item, ',');) {
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    names.insert(item);
  }
  return names;
}

// A pseudo-translation: every quoted value of a text or form section is wrapped, so that a
// text that still comes out unchanged was never taken from this file.
std::string Pseudo(const std::string& english) {
  std::stringstream in(english);
  std::string out, line;
  bool inVersionOrApp = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[')
      inVersionOrApp = line == "[version]" || line == "[Tanvelo]";
    auto eq = line.find('=');
    if (inVersionOrApp) {
      if (line.find("langid") == 0) line = "langid = \"QQ\"";
      if (line.find("lang ") == 0) line = "lang = \"Pseudo\"";
    } else if (eq != std::string::npos && line[0] != ';') {
      auto open = line.find('"', eq);
      auto close = line.rfind('"');
      std::string key = line.substr(0, line.find_first_of(" \t="));
      std::string value = line.substr(open + 1, close - open - 1);
      // Numbers stay numbers; pictures and texts get a mark.
      bool numeric = key.find('.') != std::string::npos && !value.empty() &&
                     value.find_first_not_of("-0123456789") == std::string::npos;
      line = line.substr(0, open) + "\"" +
             (numeric ? std::to_string(std::stoi(value) + 1) : "[QQ " + value + "]") + "\"";
    }
    out += line + "\r\n";
  }
  return out;
}

class EnglishFile : public testing::Test {
 protected:
  win32::files::TempSandbox sandbox;
  bool resourcesLoaded = (resources::LoadModuleResources(), true);
  std::string english = ReadFile(SourceDir() / "lang" / "EN.lng");

  std::wstring Install(const std::string& name, const std::string& bytes) {
    std::string path = win32::ToAnsi(vb::App().Path) + "\\" + name;
    EXPECT_TRUE(win32::files::WriteAll(path, bytes));
    return win32::FromAnsi(path);
  }
};

TEST_F(EnglishFile, LoadsWithoutAnyComplaint) {
  ASSERT_FALSE(english.empty());
  CLang lang;
  ASSERT_TRUE(lang.Init(Install("EN.lng", english), L"Tanvelo"));
  EXPECT_EQ(lang.LangID(), L"EN");
  EXPECT_EQ(lang.DumpMode(), 0);
  for (const auto& e : support::library::Log())
    ADD_FAILURE() << win32::ToAnsi(e.procedure) << ": " << win32::ToAnsi(e.text);
  // Ends with CR LF and every line ends so: the file is the format's own.
  EXPECT_EQ(english.substr(english.size() - 2), "\r\n");
  for (size_t i = english.find('\n'); i != std::string::npos; i = english.find('\n', i + 1))
    ASSERT_EQ(english[i - 1], '\r') << "LF alone at byte " << i;
}

TEST_F(EnglishFile, HoldsEveryIdAndFormTheSourcesUse) {
  CLang lang;
  ASSERT_TRUE(lang.Init(Install("EN.lng", english), L"Tanvelo"));
  Uses uses = ScanSystemSources();
  EXPECT_TRUE(uses.ids.count("LID_VI_COMMENTS")) << "the scan found nothing in " << SourceDir();
  for (const auto& id : uses.ids)
    EXPECT_TRUE(lang.ItemFind(win32::FromAnsi(id))) << id << " is used but not in EN.lng";
  std::set<std::string> forms = ListedSections(english, "forms");
  for (const auto& form : uses.forms)
    EXPECT_TRUE(forms.count(form)) << form << " is localised but has no section in EN.lng";
}

TEST_F(EnglishFile, ScannerFindsIdsWhereverTheSourcesPassThem) {
  Uses uses = ScanSource(
      "x = g_oLang->Item(L\"Odd_Id\", n);\n"
      "const wchar_t* kIds[] = {L\"STR_A_B\", L\"RID_E_TAB\"};\n"
      "Item( L\"IDS_SPACED\" );\n"
      "not an id: L\"STR_\" L\"xSTR_Y\" \"MyBTN_Z\"\n");
  EXPECT_EQ(uses.ids, (std::set<std::string>{"Odd_Id", "STR_A_B", "RID_E_TAB", "IDS_SPACED"}));
  EXPECT_TRUE(uses.forms.empty());
  uses = ScanSource(
      "void frmHotkey::Form_Load() { g_oLang->LocalizeForm(*this); }\n"
      "Form f(L\"frmHotkey\"); L\"RL_frmEmptyField\"");
  EXPECT_EQ(uses.forms, (std::set<std::string>{"frmHotkey", "RL_frmEmptyField"}));
}

TEST_F(EnglishFile, ASecondLanguageReplacesEveryText) {
  Install("EN.lng", english);
  Install("QQ.lng", Pseudo(english));
  {
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(win32::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    key.SetStringValue(L"LANG", L"QQ");
  }
  CLang english_, pseudo;
  ASSERT_TRUE(english_.Init(vb::App().Path + L"\\EN.lng", L"Tanvelo"));
  ASSERT_TRUE(pseudo.InitEx(L"Tanvelo"));
  EXPECT_EQ(pseudo.LangID(), L"QQ");
  EXPECT_EQ(pseudo.LangName(), L"Pseudo");

  std::regex entry(std::string("\\n(") + kIdPattern + ")\\s*=");
  size_t checked = 0;
  for (std::sregex_iterator it(english.begin(), english.end(), entry), end; it != end; ++it) {
    std::wstring id = win32::FromAnsi((*it)[1].str());
    std::wstring theirs = english_.Item(id), ours = pseudo.Item(id);
    EXPECT_NE(ours, theirs) << (*it)[1];
    EXPECT_EQ(ours, L"[QQ " + theirs + L"]") << (*it)[1];
    ++checked;
  }
  EXPECT_GT(checked, 100u);
  for (const auto& e : support::library::Log()) EXPECT_NE(e.level, 3) << win32::ToAnsi(e.text);
}

}  // namespace
