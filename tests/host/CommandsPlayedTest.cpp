// Every command the add-in offers on the ribbon, on the classic command bars and in the item
// context menu is used by a script of tests/scenarios, so the fault sweep, which plays those
// scripts, reaches each one. What is offered comes from the add-in's own ribbon documents, the
// bars it makes in each Outlook a script runs on, and its menu; what is used, from the clicks
// the program reports while it plays the scripts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "addin/ConnectRibbonRules.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "dialogs/frmBrowseFolder.h"
#include "dialogs/frmDebug.h"
#include "dialogs/frmHotkey.h"
#include "dialogs/frmImportExport.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmReplyFolder.h"
#include "dialogs/frmSelectTemplate.h"
#include "dialogs/frmWait.h"
#include "host/Program.h"
#include "inspector_ui/CItemContextMenu.h"
#include "personalization/RL_frmEmptyField.h"
#include "platform/forms/Controls.h"
#include "platform/office/BuiltInBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "resources/RibbonXML.h"
#include "resources/StringTable.h"
#include "tests/common/Source.h"

namespace {

namespace fs = std::filesystem;
namespace rx = resources::ribbon;

// The ids of the controls a document gives an action.
std::set<std::string> ActionIds(const std::wstring& xml) {
  std::set<std::string> ids;
  const std::string text = win32::ToAnsi(xml);
  static const std::regex element(R"(<[A-Za-z]+ ([^>]*)>)");
  static const std::regex id(R"(\bid="([^"]+)\")");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), element);
       it != std::sregex_iterator(); ++it) {
    const std::string attributes = (*it)[1];
    std::smatch found;
    if (attributes.find("onAction=") != std::string::npos &&
        std::regex_search(attributes, found, id))
      ids.insert(found[1]);
  }
  return ids;
}

std::wstring ExplorerXml() {
  std::wstring xml = rx::ExplorerHead();
  for (const auto& element : rx::ExplorerLayout()) {
    std::wstring part = rx::ExplorerPattern(element.kind);
    const std::wstring full = ribbonrules::Ex(element.name ? element.name : L"");
    for (size_t at = part.find(L"%1"); at != std::wstring::npos; at = part.find(L"%1"))
      part.replace(at, 2, full);
    xml += part;
  }
  return xml + rx::ExplorerTail();
}

// The entries of the add-in's popup in the item context menu, as "popup/entry" the way the
// program names a click on them. The two default entries never show together: both are taken.
std::set<std::string> ContextEntries() {
  std::set<std::string> entries;
  win32::ResetPlatform();
  resources::LoadModuleResources();
  win32::files::TempSandbox sandbox;
  auto p = outlook::BuildProfile({.version = L"12.0.0.6423"});
  g_oApp = p.app;
  g_oLang = std::make_shared<CLang>();
  EXPECT_TRUE(g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo"));
  for (bool clear : {false, true}) {
    auto bars = office::CommandBars::Create();
    auto bar = bars->AddBuiltInBar(L"Context Menu", office::msoBarTypePopup);
    CItemContextMenu menu;
    const std::wstring tag = L"NorvaneTanveloPROBE";
    menu.Create(bar, tag, true, true, true, true, true, true, true, true, true, !clear, clear,
                true);
    auto popup = office::AsPopup(bar->FindControl(0, 0, tag));
    if (!popup) {
      ADD_FAILURE() << "no popup of the add-in in the item context menu";
      break;
    }
    for (const auto& c : popup->CommandBar()->Controls())
      if (c->Visible()) entries.insert(win32::ToAnsi(popup->Caption() + L"/" + c->Caption()));
  }
  g_oLang.reset();
  g_oApp.reset();
  win32::ResetPlatform();
  return entries;
}

// The command buttons a dialog is made with, as "form button".
template <class Dialog>
void AddButtons(std::set<std::string>& buttons) {
  struct Made : Dialog {
    void Make() { this->Design(); }
  } form;
  form.Make();
  for (const auto& c : form.Controls())
    if (auto button = std::dynamic_pointer_cast<forms::CommandButton>(c))
      buttons.insert(win32::ToAnsi(form.Name() + L" " + button->Name()));
}

// The buttons of every dialog of the add-in.
std::set<std::string> DialogButtons() {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  std::set<std::string> buttons;
  AddButtons<frmSelectTemplate>(buttons);
  AddButtons<frmHotkey>(buttons);
  AddButtons<frmOptions>(buttons);
  AddButtons<frmReplyFolder>(buttons);
  AddButtons<frmImport>(buttons);
  AddButtons<frmExport>(buttons);
  AddButtons<frmBrowseFolder>(buttons);
  AddButtons<frmDebug>(buttons);
  AddButtons<frmWait>(buttons);
  AddButtons<RL_frmEmptyField>(buttons);
  win32::ResetPlatform();
  return buttons;
}

// The kinds of hotkey the hotkey dialog offers: the options of its "Hotkey for" frame.
std::set<std::string> HotkeyKinds() {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  struct Made : frmHotkey {
    void Make() { Design(); }
  } form;
  form.Make();
  std::set<std::string> kinds;
  for (const auto& c : form.Controls()) {
    auto frame = dynamic_cast<forms::Frame*>(c->Container());
    if (std::dynamic_pointer_cast<forms::OptionButton>(c) && frame &&
        frame->Caption() == L"Hotkey for")
      kinds.insert(win32::ToAnsi(c->Name()));
  }
  win32::ResetPlatform();
  return kinds;
}

struct Played {
  std::set<std::string> ribbon, context, bar, dialog;
  // Kinds of hotkey a script gave a template and then pressed a key with.
  std::set<std::string> hotkey;
  std::set<std::string> versions;
  std::vector<std::string> failures;
};

// Runs the program on the scripts with one Outlook version, from a folder of its own; gives
// its exit code and what it printed.
int Run(const std::vector<std::string>& scripts, const std::string& version, const fs::path& work,
        std::string& out) {
  const fs::path home = fs::current_path();
  fs::remove_all(work);
  fs::create_directories(work);
  fs::current_path(work);
  host::ProgramIo io;
  io.out = [&](const std::string& s) { out += s; };
  io.err = [&](const std::string& s) { out += s; };
  io.readLine = [](std::string&) { return false; };
  io.languageFile = testsource::ReadSourceFile("lang/EN.lng");
  std::vector<std::string> args{"--outlook", version};
  args.insert(args.end(), scripts.begin(), scripts.end());
  const int code = host::RunProgram(args, io);
  fs::current_path(home);
  return code;
}

// A bar command is known by its caption: the same caption in the Actions menu and on the
// toolbar runs one command.
std::string Leaf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The buttons the add-in puts on the bars of the explorer, of a mail's window and of a
// template's window, in each given Outlook version, as the program lists them: shown or
// hidden, in the states that show the most (a mail, a template, a default template).
std::set<std::string> OfferedBarCommands(const std::set<std::string>& versions) {
  const fs::path work =
      fs::temp_directory_path() / ("tv-commands-bars-" + std::to_string(::getpid()));
  const std::string script = work.string() + ".txt";
  const std::string opening =
      "answer frmReplyFolder enter\nstart\nselect \"Quarterly figures\"\nbars\n"
      "open \"Quarterly figures\"\nbars\nclose\n"
      "folder \"Tanvelo Templates/Standard Templates/Reply Templates\"\n"
      "select \"information request\"\nbars\n";
  std::set<std::string> paths;
  static const std::regex listed(R"re(^    "([^"]+)")re");
  auto list = [&](const std::string& text, const std::string& v) {
    std::ofstream(script) << text;
    std::string out;
    EXPECT_EQ(Run({script}, v, work, out), 0) << "listing the bars on " << v << ":\n" << out;
    std::set<std::string> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      std::smatch match;
      if (std::regex_search(line, match, listed)) found.insert(match[1]);
    }
    paths.insert(found.begin(), found.end());
    return found;
  };
  // Where the bars offer a template's default, the template is made default once more: the
  // button and a template's window then show what clears it.
  const std::string makeDefault = "Tanvelo templates (arrow)/Make default template";
  for (const auto& v : versions)
    if (list(opening, v).count(makeDefault))
      list(opening + "bar click \"" + makeDefault +
               "\"\nbars\nopen \"information request\"\nbars\nclose\n",
           v);
  fs::remove_all(work);
  fs::remove(script);
  std::set<std::string> commands;
  for (const auto& path : paths) {
    // A menu, or the arrow of a split button, opens a list; it runs nothing.
    const auto inside = paths.lower_bound(path + "/");
    if (inside != paths.end() && inside->rfind(path + "/", 0) == 0) continue;
    if (path.ends_with(" (arrow)")) continue;
    commands.insert(Leaf(path));
  }
  return commands;
}

// Plays every script the sweep plays, on each of its Outlook versions, from a folder of its
// own, and keeps the clicks it reports.
Played PlayEveryScript() {
  Played played;
  const fs::path scenarios = testsource::SourceDir() / "tests/scenarios";
  const fs::path work =
      fs::temp_directory_path() / ("tv-commands-played-" + std::to_string(::getpid()));
  for (const auto& entry : fs::directory_iterator(scenarios)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".txt" || name == "CMakeLists.txt" ||
        name.ends_with(".second.txt"))
      continue;
    std::vector<std::string> scripts{entry.path().string()};
    if (name.ends_with(".first.txt"))
      scripts.push_back((scenarios / (name.substr(0, name.size() - 10) + ".second.txt")).string());
    std::vector<std::string> versions;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);)
      if (line.rfind("# versions:", 0) == 0) {
        std::istringstream words(line.substr(11));
        for (std::string v; words >> v;) versions.push_back(v);
        break;
      }
    if (versions.empty()) versions.push_back("14");
    for (const auto& v : versions) {
      played.versions.insert(v);
      std::string out;
      if (Run(scripts, v, work, out) != 0) played.failures.push_back(name + " on " + v);
      std::istringstream lines(out);
      std::set<std::string> chosen, bound;
      for (std::string line; std::getline(lines, line);) {
        if (line.rfind("[dialog] frmHotkey ", 0) == 0) chosen.clear();
        if (line.rfind("[click] dialog frmHotkey opt", 0) == 0) chosen.insert(line.substr(25));
        if (line == "[click] dialog frmHotkey btnOK") bound.insert(chosen.begin(), chosen.end());
        if (line.rfind("[key] ", 0) == 0) played.hotkey.insert(bound.begin(), bound.end());
        if (line.rfind("[click] ribbon ", 0) == 0) played.ribbon.insert(line.substr(15));
        if (line.rfind("[click] context ", 0) == 0) played.context.insert(line.substr(16));
        if (line.rfind("[click] bar ", 0) == 0) played.bar.insert(Leaf(line.substr(12)));
        if (line.rfind("[click] dialog ", 0) == 0) played.dialog.insert(line.substr(15));
      }
    }
  }
  fs::remove_all(work);
  return played;
}

}  // namespace

TEST(EveryCommand, IsUsedByAScriptTheSweepPlays) {
  const Played played = PlayEveryScript();
  EXPECT_TRUE(played.failures.empty());
  for (const auto& f : played.failures) ADD_FAILURE() << "the script fails: " << f;

  std::set<std::string> offered = ActionIds(ExplorerXml());
  for (const auto& id : ActionIds(rx::ReadXml() + rx::ComposeXml())) offered.insert(id);
  // The options group is never shown: its button cannot be clicked (the bars' Options item
  // runs the same dialog).
  offered.erase(win32::ToAnsi(ribbonrules::Ex(L"btnOptions")));
  // A drop-down's quick items run one command, the n-th most used template's; the first one
  // stands for them. Clicking the others by place needs five templates whose order an earlier
  // fault reshuffles, so a fault run could not tell a loss from a changed order.
  for (const auto& family : ribbonrules::kFamilies)
    for (int n = 2; n <= 5; ++n)
      for (bool explorer : {false, true})
        offered.erase(win32::ToAnsi(ribbonrules::QuickId(family, n, explorer)));
  ASSERT_GT(offered.size(), 30u);
  for (const auto& id : offered)
    EXPECT_TRUE(played.ribbon.count(id)) << "no swept script clicks the ribbon's " << id;

  const std::set<std::string> entries = ContextEntries();
  ASSERT_EQ(entries.size(), static_cast<size_t>(CItemContextMenu::kEntries));
  for (const auto& entry : entries)
    EXPECT_TRUE(played.context.count(entry))
        << "no swept script clicks the context menu's \"" << entry << "\"";

  std::set<std::string> buttons = OfferedBarCommands(played.versions);
  // A drop-down's quick items take the captions of the most used templates; until used they
  // are hidden placeholders. They run one command, the n-th most used template's, as the
  // ribbon's quick items do, and a script clicks the first of the reply drop-down by its
  // template's name.
  for (int n = 1; n <= 5; ++n) buttons.erase("frequently used favorite " + std::to_string(n));
  ASSERT_GT(buttons.size(), 30u);
  for (const auto& caption : buttons)
    EXPECT_TRUE(played.bar.count(caption))
        << "no swept script clicks the bars' \"" << caption << "\"";

  std::set<std::string> dialog = DialogButtons();
  // The debug dialog opens only from the bars' Debug button, made only when the UseDebugButton
  // value was set by hand in the registry; a script cannot set it.
  for (const char* b : {"btnBugReport", "btnClose", "btnShowHelp", "btnTest"})
    dialog.erase(std::string("frmDebug ") + b);
  // The picker's Edit opens the template in a modal window over the picker, and the import and
  // export dialogs browse for a Windows folder in the shell's own browser: the program's
  // scripts answer neither.
  dialog.erase("frmSelectTemplate btnEdit");
  for (const char* form : {"frmImport", "frmExport"})
    dialog.erase(std::string(form) + " btnOpenWindowsFolder");
  ASSERT_GT(dialog.size(), 20u);

  const std::set<std::string> kinds = HotkeyKinds();
  ASSERT_EQ(kinds.size(), 3u);
  for (const auto& kind : kinds)
    EXPECT_TRUE(played.hotkey.count(kind))
        << "no swept script gives a template a hotkey of kind " << kind << " and presses it";
  for (const auto& button : dialog)
    EXPECT_TRUE(played.dialog.count(button))
        << "no swept script presses the dialog button " << button;
}
