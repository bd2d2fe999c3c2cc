// One full redraw of the Outlook 2010 explorer ribbon, as Office asks it after an Invalidate:
// every callback of every control, the three reply menus opened. With 10 and 10,000 templates
// (each with a usage record) and with 1 and 20 open inspectors. Office calls back on its
// user-interface thread at every redraw, so the "BigO" row over the template count must stay
// flat; the inspector rows must stay level with each other.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "addin/CConnectRibbon.h"
#include "bench/common/UsageRecords.h"
#include "core/CLang.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "resources/RibbonXML.h"
#include "resources/StringTable.h"

namespace {

// The commands are never run by a redraw.
class NoCommands : public IRibbonCommands {
 public:
  void Tanvelo_Click(const std::any&, int32_t, const std::wstring&, bool) override {}
  void SaveItem(const std::any&) override {}
  void SaveAsTemplate_Click(const std::wstring&, bool&) override {}
  void ProcessPersonal2_Click(const std::any&, bool) override {}
  void OpenDuplicate_Click(const std::wstring&, bool) override {}
  void Hotkey_Click(const std::wstring&, bool) override {}
  bool ChangeDefault_Click(const std::any&) override { return false; }
  void InsertText(const std::wstring&, bool) override {}
  void Explorer_Tanvelo(int32_t, const std::wstring&, int32_t) override {}
  void Explorer_NewFromTemplate() override {}
  void Explorer_SaveAsTemplate() override {}
  void Explorer_NewTemplate() override {}
  void Explorer_EditTemplate() override {}
  void Explorer_OpenDuplicate() override {}
  void Explorer_Hotkey() override {}
  void Explorer_Import() override {}
  void Explorer_Export() override {}
  bool Explorer_ChangeDefault() override { return false; }
  void Explorer_SendDrafts() override {}
  void ShowNewMessageTemplatesFolder() override {}
  void DemandSelAndEditTemplace() override {}
  void ShowOptions() override {}
  void ReportProblem() override {}
  void ShowContextHelp(const std::wstring&) override {}
  void ShowAbout() override {}
};

struct World {
  win32::files::TempSandbox sandbox;
  outlook::Profile p;
  std::shared_ptr<CConnectRibbon> ribbon;
  std::unique_ptr<office::RibbonHost> host;
  std::shared_ptr<office::RibbonWindow> explorerWindow;
  std::vector<std::shared_ptr<office::RibbonWindow>> inspectorWindows;
  std::shared_ptr<office::IRibbonUI> explorerUi;

  World(int64_t templates, int64_t inspectors) {
    win32::ResetPlatform();
    resources::LoadModuleResources();
    redemption::Install();
    p = outlook::BuildProfile({.version = L"14.0.0.4760", .explorer = true});
    g_oApp = p.app;
    // The English texts, as shipped.
    std::ifstream in(std::string(TV_SOURCE_DIR) + "/lang/EN.lng", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string path = win32::ToAnsi(vb::App().Path) + "\\EN.lng";
    win32::files::WriteAll(path, bytes);
    g_oLang = std::make_shared<CLang>();
    g_oLang->Init(win32::FromAnsi(path), L"Tanvelo");
    // The templates, each used now and then, as the registry holds them at start-up.
    auto folder = p.root->Folders()->Add(L"Tanvelo Templates");
    g_oTemplatesFolder = folder;
    CWinReg reg;
    reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CFrequentlyTemplates::GetRegKey(), true);
    std::shared_ptr<outlook::Item> first;
    for (int64_t i = 0; i < templates; ++i) {
      auto item = outlook::AddUnsentMail(folder, L"template " + std::to_wstring(i));
      if (!first) first = item;
      benchdata::StoreRecord(reg, benchdata::UsageRecord(i, item->EntryID(), item->Subject()));
    }
    g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
    // The explorer in the templates folder with a template selected: every rule has work.
    auto explorer = p.app->ActiveExplorer();
    explorer->SetCommandBars(office::CommandBars::Create());
    explorer->SetCurrentFolder(folder);
    explorer->Select({first});
    ribbon = std::make_shared<CConnectRibbon>(std::make_shared<COutlookRibbonFacts>(),
                                              std::make_shared<NoCommands>());
    host = std::make_unique<office::RibbonHost>(ribbon);
    explorerWindow = host->OpenWindow(resources::ribbon::kExplorerId, std::any(explorer));
    for (int64_t i = 0; i < inspectors; ++i) {
      auto inspector = p.app->Inspectors()->Add(p.plainMail);
      inspectorWindows.push_back(host->OpenWindow(resources::ribbon::kReadId, std::any(inspector)));
      inspectorWindows.back()->Draw();
    }
    explorerUi = host->Ribbon(resources::ribbon::kExplorerId);
  }

  void Redraw() {
    explorerUi->Invalidate();
    explorerWindow->Draw();
    for (const wchar_t* menu : {L"mnuTanvelo", L"m_mnuReplyAllWith", L"m_mnuForwardWith"})
      explorerWindow->OpenMenu(resources::ribbon::kExplorerPrefix + std::wstring(menu));
  }
};

void BM_ExplorerRibbonRedraw(benchmark::State& state) {
  World world(state.range(0), state.range(1));
  world.Redraw();
  size_t calls = 0;
  for (auto _ : state) {
    world.host->ClearCalls();
    world.Redraw();
    calls = world.host->Calls().size();
  }
  if (!world.host->Errors().empty()) state.SkipWithError("the host reported errors");
  state.counters["callbacks"] = static_cast<double>(calls);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ExplorerRibbonRedraw)
    ->ArgNames({"templates", "inspectors"})
    ->Args({10, 1})
    ->Args({10000, 1})
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExplorerRibbonRedraw)
    ->ArgNames({"templates", "inspectors"})
    ->Args({10, 20})
    ->Args({10000, 20})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
