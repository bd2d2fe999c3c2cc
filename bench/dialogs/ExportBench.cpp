// Exporting 100 and 1,000 templates, spread over 50 folders, with the in-memory Word: every
// template is counted by the walk, written to a temporary file, converted and saved. A tenth
// are HTML with an inline picture. The "BigO" row shows how the cost grows with the templates;
// it should stay linear: "ratio_export_1000_100" compares the medians of both sizes measured
// in one run (goal: at most 11), and "ratio_import_1000_100" the same for importing the
// exported files again into a folder of their own. The sandbox is on a memory file system;
// "disk_ratio_export_1000_100" and "disk_ratio_import_1000_100" are the same on the host disk,
// the disk the user has (goal: at most 11 as well).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/common/Sandbox.h"
#include "core/CLang.h"
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
#include "platform/word/Word.h"
#include "resources/StringTable.h"

namespace {

constexpr int kFolders = 50;

const std::string kPng(
    "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x04\x00\x00\x00\x03\x08\x02\x00\x00\x00",
    33);

std::shared_ptr<outlook::MAPIFolder> g_profileRoot;

std::shared_ptr<outlook::MAPIFolder> BuildTemplates(int64_t count) {
  win32::ResetPlatform();
  ReleaseOptions();
  resources::LoadModuleResources();
  redemption::Install();
  word::Install();
  outlook::Profile p = outlook::BuildProfile();
  g_oApp = p.app;
  g_profileRoot = p.root;
  g_oTemplatesFolder = p.root->Folders()->Add(L"Tanvelo Templates");
  std::vector<std::shared_ptr<outlook::MAPIFolder>> folders{g_oTemplatesFolder};
  for (int f = 1; f < kFolders; ++f)
    folders.push_back(
        folders[static_cast<size_t>(f) / 5]->Folders()->Add(L"Folder " + std::to_wstring(f)));
  for (int64_t i = 0; i < count; ++i) {
    auto item = outlook::AddUnsentMail(folders[static_cast<size_t>(i) % folders.size()],
                                       L"Template " + std::to_wstring(i % 17));
    if (i % 10 == 0) {
      item->SetHTMLBody(
          L"<html><body><p>Dear %FirstName%,</p><img src=\"cid:logo\"></body></html>");
      auto a =
          item->Attachments()->AddData(L"logo.png", std::vector<uint8_t>(kPng.begin(), kPng.end()));
      a->SetFields(outlook::PR_ATTACH_CONTENT_ID, std::wstring(L"logo"));
    } else {
      item->SetBody(L"Dear %FirstName%,\r\nthank you for your order " + std::to_wstring(i) + L".");
    }
    item->Save();
  }
  return g_oTemplatesFolder;
}

void BM_Export(benchmark::State& state) {
  auto root = BuildTemplates(state.range(0));
  win32::files::TempSandbox sandbox(benchdata::MemoryRoot());
  addinhost::BindAttachmentsToDisk();
  int run = 0;
  for (auto _ : state) {
    std::wstring target = L"C:\\Export" + std::to_wstring(++run);
    state.PauseTiming();
    scripting::FileSystemObject().CreateFolder(target);
    state.ResumeTiming();
    int32_t written = mImportExportWordDocs::DoExport(root->EntryID(), target, true, 0, nullptr, 1);
    if (written != state.range(0)) state.SkipWithError("not every template was written");
    state.PauseTiming();
    scripting::FileSystemObject().DeleteFolder(target, true);
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
  outlook::files::Bind(nullptr, nullptr);
  g_oTemplatesFolder.reset();
  g_oApp.reset();
}
BENCHMARK(BM_Export)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

struct RoundTrips {
  std::vector<double> exports, imports;
};

// Seconds of each of `runs` exports of `count` templates into a sandbox below `where`, and of
// importing each export's files again into a new folder beside the templates.
RoundTrips RoundTripSeconds(int64_t count, int runs, const std::filesystem::path& where,
                            benchmark::State& state) {
  auto root = BuildTemplates(count);
  RoundTrips seconds;
  {
    win32::files::TempSandbox sandbox(where);
    addinhost::BindAttachmentsToDisk();
    for (int run = 1; run <= runs; ++run) {
      std::wstring target = L"C:\\Export" + std::to_wstring(run);
      scripting::FileSystemObject().CreateFolder(target);
      double start = benchdata::ThreadSeconds();
      int32_t written =
          mImportExportWordDocs::DoExport(root->EntryID(), target, true, 0, nullptr, 1);
      seconds.exports.push_back(benchdata::ThreadSeconds() - start);
      if (written != count) state.SkipWithError("not every template was written");
      auto into = g_profileRoot->Folders()->Add(L"Imported " + std::to_wstring(run));
      start = benchdata::ThreadSeconds();
      int32_t made = mImportExportWordDocs::DoImport(into->EntryID(), target, true, 0, nullptr, 2);
      seconds.imports.push_back(benchdata::ThreadSeconds() - start);
      if (made != count) state.SkipWithError("not every file was imported");
    }
    // The exported files go with the sandbox, after the last timed step: a disk takes longer
    // to give out new entries after many removals, and those are not the user's.
  }
  outlook::files::Bind(nullptr, nullptr);
  g_oTemplatesFolder.reset();
  g_profileRoot.reset();
  g_oApp.reset();
  return seconds;
}

void Append(RoundTrips& to, const RoundTrips& from) {
  to.exports.insert(to.exports.end(), from.exports.begin(), from.exports.end());
  to.imports.insert(to.imports.end(), from.imports.begin(), from.imports.end());
}

// Both sizes in turn, round by round, so that both see the same load on the machine and the
// same state of the disk.
void BM_ExportGrowth(benchmark::State& state) {
  RoundTrips small, large, diskSmall, diskLarge;
  for (auto _ : state) {
    Append(small, RoundTripSeconds(100, 7, benchdata::MemoryRoot(), state));
    Append(large, RoundTripSeconds(1000, 7, benchdata::MemoryRoot(), state));
    for (int round = 0; round < 5; ++round) {
      Append(diskSmall, RoundTripSeconds(100, 1, benchdata::DiskRoot(), state));
      Append(diskLarge, RoundTripSeconds(1000, 1, benchdata::DiskRoot(), state));
    }
  }
  using benchdata::Median;
  state.counters["ratio_export_1000_100"] = Median(large.exports) / Median(small.exports);
  state.counters["ratio_import_1000_100"] = Median(large.imports) / Median(small.imports);
  state.counters["disk_ratio_export_1000_100"] =
      Median(diskLarge.exports) / Median(diskSmall.exports);
  state.counters["disk_ratio_import_1000_100"] =
      Median(diskLarge.imports) / Median(diskSmall.imports);
  state.counters["disk_ms_export_1000"] = Median(diskLarge.exports) * 1e3;
  state.counters["disk_ms_import_1000"] = Median(diskLarge.imports) * 1e3;
  for (const char* goal : {"ratio_export_1000_100_goal", "ratio_import_1000_100_goal",
                           "disk_ratio_export_1000_100_goal", "disk_ratio_import_1000_100_goal"})
    state.counters[goal] = 11;
  state.counters["on_memory"] = benchdata::OnMemory(benchdata::MemoryRoot()) ? 1 : 0;
}
// One pass: the medians are of seven round trips of each size (five on the disk, one size after
// the other).
BENCHMARK(BM_ExportGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
