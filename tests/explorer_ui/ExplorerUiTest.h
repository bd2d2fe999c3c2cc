// A profile of one Outlook version with a templates folder, the English texts, the module's
// resources, the most-used-templates object and the explorer's bars of that version; the
// explorer's commands are recorded instead of run.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "explorer_ui/CExplorerMenu.h"
#include "explorer_ui/ExplorerCommands.h"
#include "platform/office/ExplorerBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

class ExplorerUiTest : public testing::Test {
 protected:
  void TearDown() override {
    TheExplorerCommands() = DefaultExplorerCommands();
    g_oFrequentlyTemplates.reset();
    g_oTemplatesFolder.reset();
    g_oApp.reset();
    g_oLang.reset();
    ReleaseOptions();
  }

  // A new process on a new profile of Outlook `version` (9, 10, 11, 12, 14).
  void Start(int32_t version) {
    resources::LoadModuleResources();
    redemption::Install();
    p = outlook::BuildProfile(
        {.version = std::to_wstring(version) + L".0.0.1000", .explorer = true});
    g_oApp = p.app;
    templates = p.root->Folders()->Add(L"Tanvelo Templates");
    g_oTemplatesFolder = templates;
    g_oLang = std::make_shared<CLang>();
    ASSERT_TRUE(g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo"));
    g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
    explorer = p.app->ActiveExplorer();
    cbars = office::MakeOutlookExplorerBars(version);
    explorer->SetCommandBars(cbars);
    Record();
  }

  // Every command appends its name and arguments to `ran`.
  void Record() {
    auto& c = TheExplorerCommands();
    c.Tanvelo = [this](int32_t action, const std::wstring& id, int32_t caller) {
      ran.push_back(L"Tanvelo " + std::to_wstring(action) + L" '" + id + L"' " +
                    std::to_wstring(caller));
    };
    auto named = [this](const wchar_t* name) { return [this, name] { ran.push_back(name); }; };
    c.NewFromTemplate = named(L"NewFromTemplate");
    c.SaveAsTemplate = named(L"SaveAsTemplate");
    c.NewTemplate = named(L"NewTemplate");
    c.EditTemplate = named(L"EditTemplate");
    c.OpenDuplicate = named(L"OpenDuplicate");
    c.Hotkey = named(L"Hotkey");
    c.SendDrafts = named(L"SendDrafts");
    c.Import = named(L"Import");
    c.Export = named(L"Export");
    c.ShowOptions = named(L"Options");
    c.ShowDebug = named(L"Debug");
    c.DemandSelAndEditTemplate = named(L"DemandSelAndEditTemplate");
    c.DemandNewMailFromTemplate = [this](const std::wstring& id, bool foreground) {
      ran.push_back(L"DemandNewMailFromTemplate '" + id + L"' " + (foreground ? L"1" : L"0"));
    };
    c.ChangeDefault = [this] {
      ran.push_back(L"ChangeDefault");
      return changeDefaultAnswer;
    };
  }

  // The explorer's menu object, bound to its bars.
  std::shared_ptr<CExplorerMenu> NewMenu() {
    auto menu = std::make_shared<CExplorerMenu>();
    menu->Create(explorer);
    return menu;
  }
  // A second explorer on the Inbox, with bars of its own and its own menu object on them.
  struct Window {
    std::shared_ptr<office::CommandBars> bars;
    std::shared_ptr<CExplorerMenu> menu;
  };
  Window NewWindow(int32_t version) {
    auto other = p.app->Explorers()->Add(p.inbox);
    Window w{office::MakeOutlookExplorerBars(version), std::make_shared<CExplorerMenu>()};
    other->SetCommandBars(w.bars);
    w.menu->Create(other);
    return w;
  }
  // Shows the folder with these items selected and lets Office update the bars.
  void Show(const std::shared_ptr<outlook::MAPIFolder>& folder,
            std::vector<std::shared_ptr<outlook::Item>> selection = {}) {
    explorer->SetCurrentFolder(folder);
    explorer->Select(std::move(selection));
    cbars->FireOnUpdate();
  }
  // The add-in's control made for that member ("btnTanvelo"), anywhere on the window's bars.
  bars::ControlPtr Find(const wchar_t* member) {
    return cbars->FindControl(0, 0, CExplorerMenu::TagOf(member), false, true);
  }
  bars::ButtonPtr Button(const wchar_t* member) {
    auto control = Find(member);
    return control ? office::AsButton(control) : nullptr;
  }
  bars::BarPtr Bar(const wchar_t* name) { return cbars->Item(std::wstring(name)); }
  // Every control on every bar of the window, popups' items included.
  static int32_t CountControls(office::CommandBar& bar) {
    int32_t n = 0;
    for (const auto& c : bar.Controls()) {
      ++n;
      if (auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c))
        n += CountControls(*popup->CommandBar());
    }
    return n;
  }
  int32_t CountControls() {
    int32_t n = 0;
    for (int32_t i = 1; i <= cbars->Count(); ++i) n += CountControls(*cbars->Item(i));
    return n;
  }
  // The ids (built-in controls) and Tags (the add-in's) of a bar's controls, in order.
  static std::vector<std::wstring> Layout(office::CommandBar& bar) {
    std::vector<std::wstring> out;
    for (const auto& c : bar.Controls()) {
      std::wstring tag = c->Tag();
      size_t prefix = std::wstring(CExplorerMenu::kTagPrefix).size();
      if (tag.rfind(CExplorerMenu::kTagPrefix, 0) == 0) tag = tag.substr(prefix);
      out.push_back(c->BuiltIn() ? std::to_wstring(c->Id()) : tag);
    }
    return out;
  }
  std::vector<std::wstring> Captions(const bars::PopupPtr& popup, bool visibleOnly = true) {
    std::vector<std::wstring> out;
    for (const auto& c : popup->Controls())
      if (!visibleOnly || c->Visible()) out.push_back(c->Caption());
    return out;
  }

  std::wstring Text(const wchar_t* id) { return g_oLang->Item(id); }

  // A template in the templates folder with that subject, counted `uses` times as a reply.
  std::shared_ptr<outlook::Item> UsedTemplate(const std::wstring& subject, int32_t uses,
                                              int32_t useType = 1) {
    auto item = outlook::AddUnsentMail(templates, subject);
    for (int32_t i = 0; i < uses; ++i)
      g_oFrequentlyTemplates->IncUseCount(item->EntryID(), useType);
    return item;
  }

  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"") {
    return text.empty() ? testlog::Logged(procedure) : testlog::LoggedContaining(procedure, text);
  }
  static size_t LogCount(const std::wstring& procedure) {
    size_t n = 0;
    for (const auto& e : support::library::Log()) n += e.procedure == procedure;
    return n;
  }

  win32::files::TempSandbox sandbox;
  outlook::Profile p;
  std::shared_ptr<outlook::MAPIFolder> templates;
  std::shared_ptr<outlook::Explorer> explorer;
  std::shared_ptr<office::CommandBars> cbars;
  std::vector<std::wstring> ran;
  bool changeDefaultAnswer = true;
};
