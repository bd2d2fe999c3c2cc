// The template road under load. A reply merged from a template with a 1 MB HTML body and 20
// inline pictures of 200 KB: the "ratio_to_floor" counter compares one merge with writing and
// reading the pictures' bytes and the body through the TEMP folder once. And separate sending
// to 10, 100 and 1,000 recipients: the "BigO" rows show how the cost grows.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Files.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace {

constexpr int kPictures = 20;
constexpr size_t kPictureBytes = 200 * 1024;
constexpr size_t kBodyBytes = 1024 * 1024;

struct World {
  std::unique_ptr<win32::files::TempSandbox> sandbox;
  outlook::Profile p;
  std::shared_ptr<outlook::MAPIFolder> drafts;
};

std::unique_ptr<World> MakeWorld() {
  auto w = std::make_unique<World>();
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  w->sandbox = std::make_unique<win32::files::TempSandbox>();
  outlook::files::Bind(
      [](const std::wstring& path) -> std::optional<outlook::files::Bytes> {
        auto bytes = win32::files::ReadAll(win32::ToAnsi(path));
        if (!bytes) return std::nullopt;
        return outlook::files::Bytes(bytes->begin(), bytes->end());
      },
      [](const std::wstring& path, const outlook::files::Bytes& data) {
        return win32::files::WriteAll(win32::ToAnsi(path), std::string(data.begin(), data.end()));
      });
  g_sTempPath = L"C:\\Temp";
  w->p = outlook::BuildProfile();
  g_oApp = w->p.app;
  g_oTemplatesFolder = w->p.root->Folders()->Add(L"Tanvelo Templates");
  w->drafts = w->p.drafts->Folders()->Add(L"Tanvelo Drafts");
  g_oDraftsFolder = w->drafts;
  return w;
}

std::shared_ptr<outlook::Item> BigTemplate() {
  std::wstring html = L"<html><body>";
  for (int i = 0; i < kPictures; ++i)
    html += L"<p><img src=\"cid:picture" + std::to_wstring(i) + L"@tv\"></p>";
  std::wstring paragraph = L"<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit.</p>";
  while (html.size() < kBodyBytes) html += paragraph;
  html += L"</body></html>";
  auto tmpl = g_oTemplatesFolder->Items()->Add(outlook::olMailItem);
  tmpl->SetSubject(L"Big");
  tmpl->SetHTMLBody(html);
  for (int i = 0; i < kPictures; ++i) {
    auto a = tmpl->Attachments()->AddData(L"picture" + std::to_wstring(i) + L".png",
                                          std::vector<uint8_t>(kPictureBytes, uint8_t(i)));
    a->SetFields(outlook::PR_ATTACH_CONTENT_ID, L"picture" + std::to_wstring(i) + L"@tv");
  }
  tmpl->Save();
  return tmpl;
}

// Writing and reading the same bytes through TEMP once, file by file.
double FloorSeconds() {
  auto start = std::chrono::steady_clock::now();
  std::string body(kBodyBytes, 'x');
  win32::files::WriteAll("C:\\Temp\\floor\\body.htm", body);
  benchmark::DoNotOptimize(win32::files::ReadAll("C:\\Temp\\floor\\body.htm"));
  for (int i = 0; i < kPictures; ++i) {
    std::string path = "C:\\Temp\\floor\\" + std::to_string(i) + ".png";
    win32::files::WriteAll(path, std::string(kPictureBytes, char(i)));
    benchmark::DoNotOptimize(win32::files::ReadAll(path));
    win32::DeleteFileA(path.c_str());
  }
  win32::DeleteFileA("C:\\Temp\\floor\\body.htm");
  win32::RemoveDirectoryA("C:\\Temp\\floor");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_MergeBigTemplate(benchmark::State& state) {
  auto world = MakeWorld();
  auto tmpl = BigTemplate();
  const std::wstring id = tmpl->EntryID();
  double floor = 1e9;
  for (int i = 0; i < 3; ++i) floor = std::min(floor, FloorSeconds());
  double merged = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto reply = world->p.htmlMail->Reply();
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    if (!mTanvelo::InsertTemplate(reply, id)) state.SkipWithError("the merge failed");
    merged += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++runs;
    state.PauseTiming();
    mTanvelo::DeleteItem(reply, true);
    state.ResumeTiming();
  }
  state.counters["floor_ms"] = floor * 1e3;
  state.counters["ratio_to_floor"] = runs ? merged / runs / floor : 0;
}
BENCHMARK(BM_MergeBigTemplate)->Unit(benchmark::kMillisecond);

// One prepared mail to N recipients, sent as N messages.
void BM_SendSeparately(benchmark::State& state) {
  const int64_t n = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto world = MakeWorld();
    auto& services = mTanvelo::Services();
    services = mTanvelo::RoadServices();
    services.AskSendMessages = [](int32_t, bool& bSendNow, bool) { bSendNow = true; };
    auto mail = g_oApp->CreateItem(outlook::olMailItem);
    mail->SetSubject(L"News");
    mail->SetBody(L"Dear reader,\r\nthe news.");
    for (int64_t i = 0; i < n; ++i)
      mail->Recipients()
          ->Add(L"Reader " + std::to_wstring(i) + L" <r" + std::to_wstring(i) + L"@x.example>")
          ->Resolve();
    mail->Save();
    mail = mail->Move(world->drafts);
    state.ResumeTiming();
    bool show = false;
    mTanvelo::DoSend2Action(mail, mTanvelo::kSendActionSend, mTanvelo::kSendModeSeparate, show,
                            false, nullptr, nullptr, nullptr);
    state.PauseTiming();
    if (world->p.outbox->Items()->Count() != n) state.SkipWithError("not every message went out");
    mTanvelo::Services() = mTanvelo::RoadServices();
    outlook::files::Bind(nullptr, nullptr);
    g_oTemplatesFolder.reset();
    g_oDraftsFolder.reset();
    g_oApp.reset();
    world.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_SendSeparately)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
