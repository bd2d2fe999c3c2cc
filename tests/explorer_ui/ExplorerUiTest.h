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
    cbars = office::MakeOutlookExplorerBars(version, std::any(p.app));
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
