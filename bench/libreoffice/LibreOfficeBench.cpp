// The per-document cost of exporting and importing 100 letters on the LibreOffice road (one
// office for each run, driven through its programming interface) against LibreOffice itself
// converting the same 100 files in one call, side by side in one run: "ratio_export" and
// "ratio_import" (goal: at most 3). Both sides start from a fresh profile. Wall-clock time, as
// the work is done in the office's process. Skipped without LibreOffice.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/common/Sandbox.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/mImportExportWordDocs.h"
#include "platform/addin/AttachmentDisk.h"
#include "platform/outlook/Files.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/OfficeService.h"
#include "platform/word/Word.h"
#include "resources/StringTable.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLetters = 100;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::wstring Letter(int i) {
  return L"Dear %FirstName%,\r\n\r\nthank you for your order " + std::to_wstring(i) +
         L" of last week. It leaves our store today.\r\n\r\nKind regards,\r\nKim";
}

// LibreOffice converting every file of `from` into `to` in one call, with a fresh profile.
double OneCall(const std::string& soffice, const fs::path& work, const fs::path& from,
               const std::string& filter, const fs::path& to) {
  fs::remove_all(work / "profile");
  fs::create_directories(to);
  std::string command = "cd '" + from.string() + "' && HOME='" + work.string() + "' '" + soffice +
                        "' -env:UserInstallation=" + word::FileUrl((work / "profile").string()) +
                        " --headless --norestore --convert-to '" + filter + "' --outdir '" +
                        to.string() + "' * >/dev/null 2>&1";
  double start = Now();
  int status = std::system(command.c_str());
  double seconds = Now() - start;
  fs::remove_all(work / "profile");
  return status == 0 ? seconds : -1;
}

void BM_LibreOfficeRoad(benchmark::State& state) {
  auto soffice = word::LibreOffice::Find();
  if (!soffice || !word::OfficeService::Usable()) {
    state.SkipWithError("LibreOffice with its Python interface is not installed");
    for (auto _ : state) {
    }
    return;
  }
  win32::ResetPlatform();
  ReleaseOptions();
  resources::LoadModuleResources();
  redemption::Install();
  word::Install();
  outlook::Profile p = outlook::BuildProfile();
  g_oApp = p.app;
  g_oTemplatesFolder = p.root->Folders()->Add(L"Tanvelo Templates");
  for (int i = 0; i < kLetters; ++i) {
    auto item = outlook::AddUnsentMail(g_oTemplatesFolder, L"Letter " + std::to_wstring(i));
    item->SetBody(Letter(i));
    item->Save();
  }
  double roadExport = 0, roadImport = 0, toolExport = 0, toolImport = 0;
  {
    win32::files::TempSandbox sandbox(benchdata::DiskRoot());
    addinhost::BindAttachmentsToDisk();
    fs::path work = sandbox.Path() / "bench";
    fs::create_directories(work / "rtf");
    word::SetConverter(std::make_shared<word::OfficeService>(*soffice, (work / "office").string()));
    // The same letters as the road hands them to LibreOffice for export: RTF.
    for (int i = 0; i < kLetters; ++i) {
      word::Content c;
      c.AddText(Letter(i));
      std::ofstream(work / "rtf" / ("Letter " + std::to_string(i) + ".rtf"), std::ios::binary)
          << word::WriteRtf(c);
    }
    for (auto _ : state) {
      scripting::FileSystemObject().CreateFolder(L"C:\\Export");
      double start = Now();
      int32_t written =
          mImportExportWordDocs::DoExport(g_oTemplatesFolder->EntryID(), L"C:\\Export", false,
                                          mImportExportWordDocs::kConflictReplace, nullptr, 0);
      roadExport = (Now() - start) / kLetters;
      if (written != kLetters) state.SkipWithError("not every letter was exported");
      auto into = p.root->Folders()->Add(L"Imported");
      start = Now();
      int32_t made =
          mImportExportWordDocs::DoImport(into->EntryID(), L"C:\\Export", false, 0, nullptr, 2);
      roadImport = (Now() - start) / kLetters;
      if (made != kLetters) state.SkipWithError("not every letter was imported");
      auto exported = win32::files::HostPath("C:\\Export");
      toolExport = OneCall(*soffice, work, work / "rtf", "doc:MS Word 97", work / "doc") / kLetters;
      toolImport = OneCall(*soffice, work, *exported, "html", work / "html") / kLetters;
      if (toolExport <= 0 || toolImport <= 0) state.SkipWithError("LibreOffice failed");
    }
    word::SetConverter(nullptr);
  }
  state.counters["ms_road_export"] = roadExport * 1e3;
  state.counters["ms_road_import"] = roadImport * 1e3;
  state.counters["ms_tool_export"] = toolExport * 1e3;
  state.counters["ms_tool_import"] = toolImport * 1e3;
  state.counters["ratio_export"] = roadExport / toolExport;
  state.counters["ratio_import"] = roadImport / toolImport;
  state.counters["ratio_goal"] = 3;
  outlook::files::Bind(nullptr, nullptr);
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}
BENCHMARK(BM_LibreOfficeRoad)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
