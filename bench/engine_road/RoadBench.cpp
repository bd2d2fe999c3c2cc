// The template road under load.
// - A reply merged from a template with a 1 MB HTML body and 20 inline pictures of 200 KB. Its
//   "ratio_to_plain_floor" compares one merge with the same file work done plainly through the
//   C++ library on the same file system, not through the substitute's file calls: the body and
//   the pictures written and read back whole, and for each picture the folder made for it and
//   removed again, as the merge does. The merges run in a process of their own, forked before
//   anything of theirs is made, so that no other benchmark has warmed the heap. The sandbox is on a
//   memory file system; the same figure on the host disk, "disk_ratio_to_plain_floor", is
//   information (the disk's allocator after thousands of deletions is not ours to measure). Times
//   are the thread's processor time (bench/common/Clock.h), but on the disk, where waiting for the
//   device is the point.
// - Separate sending of one mail to 10, 100 and 1,000 recipients ("BigO" rows), and the cost
//   of one recipient pair (a copy made with every recipient, then all but one removed), which
//   grows with the square of the recipients: "ns_per_recipient_pair" is the square term of the
//   sending time at 100 and 1,000 recipients.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/engine_road/BenchWorld.h"

namespace {

using bench::MakeWorld;
using bench::World;

constexpr int kPictures = 20;
constexpr size_t kPictureBytes = 200 * 1024;
constexpr size_t kBodyBytes = 1024 * 1024;

// Processor time of this thread (bench/common/Clock.h), or wall time where waiting for the
// device is the point (the figure on the host disk).
struct Stopwatch {
  bool wall = false;
  double Now() const {
    return wall ? std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                      .count()
                : benchdata::ThreadSeconds();
  }
};

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

// One file written and read back whole, its size known, as any program would.
void PlainWriteRead(const std::filesystem::path& path, const std::string& bytes) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string back(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(back.data(), static_cast<std::streamsize>(back.size()));
  benchmark::DoNotOptimize(back.data());
  std::filesystem::remove(path);
}

// The body written and read once in the sandbox's folder; each picture in a folder of its own,
// made before and removed after, as the merge saves each picture in its temporary folder.
double PlainFloorSeconds(const std::filesystem::path& folder, const Stopwatch& clock) {
  const std::string body(kBodyBytes, 'x');
  std::vector<std::string> pictures;
  for (int i = 0; i < kPictures; ++i) pictures.emplace_back(kPictureBytes, char(i));
  std::filesystem::create_directories(folder);
  const double start = clock.Now();
  PlainWriteRead(folder / "body.htm", body);
  for (int i = 0; i < kPictures; ++i) {
    const auto each = folder / "picture";
    std::filesystem::create_directory(each);
    PlainWriteRead(each / (std::to_string(i) + ".png"), pictures[static_cast<size_t>(i)]);
    std::filesystem::remove(each);
  }
  double seconds = clock.Now() - start;
  std::filesystem::remove(folder);
  return seconds;
}

struct MergeTimes {
  double merged = 0, floor = 0;
  int32_t runs = 0;  // 0: a merge failed
};

// `runs` merges, each followed by its floor, so that both see the same load.
MergeTimes MergeRuns(const std::filesystem::path& root, Stopwatch clock, int32_t runs) {
  auto world = MakeWorld(root);
  auto tmpl = BigTemplate();
  const std::wstring id = tmpl->EntryID();
  MergeTimes times;
  for (int32_t i = 0; i < runs; ++i) {
    auto reply = world->p.htmlMail->Reply();
    const double start = clock.Now();
    if (!mTanvelo::InsertTemplate(reply, id)) return {};
    times.merged += clock.Now() - start;
    mTanvelo::DeleteItem(reply, true);
    times.floor += PlainFloorSeconds(world->sandbox->Path() / "floor", clock);
  }
  times.runs = runs;
  return times;
}

// The merges run in a process of their own, forked before anything of them is made: the heap
// they meet is fresh whatever ran before in this program, as in a user's Outlook.
MergeTimes MergeRunsInChild(const std::filesystem::path& root, Stopwatch clock, int32_t runs) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t child = ::fork();
  if (child < 0) return {};
  if (child == 0) {
    ::close(fds[0]);
    MergeTimes times;
    try {
      times = MergeRuns(root, clock, runs);
    } catch (const std::exception&) {
    }
    (void)!::write(fds[1], &times, sizeof times);
    ::_exit(0);
  }
  ::close(fds[1]);
  MergeTimes times;
  if (::read(fds[0], &times, sizeof times) != static_cast<ssize_t>(sizeof times)) times = {};
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return times;
}

constexpr int32_t kMergesPerProcess = 40;

void MergeBigTemplate(benchmark::State& state, const std::filesystem::path& root,
                      const char* counter, Stopwatch clock) {
  MergeTimes all;
  for (auto _ : state) {
    MergeTimes times = MergeRunsInChild(root, clock, kMergesPerProcess);
    if (times.runs == 0) {
      state.SkipWithError("the merge failed");
      return;
    }
    state.SetIterationTime(times.merged / times.runs);
    all.merged += times.merged;
    all.floor += times.floor;
    all.runs += times.runs;
  }
  state.counters["floor_ms"] = all.runs ? all.floor / all.runs * 1e3 : 0;
  state.counters[counter] = all.floor > 0 ? all.merged / all.floor : 0;
  state.counters["on_memory"] = benchdata::OnMemory(root) ? 1 : 0;
}

void BM_MergeBigTemplate(benchmark::State& state) {
  MergeBigTemplate(state, benchdata::MemoryRoot(), "ratio_to_plain_floor", Stopwatch{});
  state.counters["ratio_to_plain_floor_goal"] = 3;
}
// One process of 40 merges.
BENCHMARK(BM_MergeBigTemplate)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MergeBigTemplateOnDisk(benchmark::State& state) {
  MergeBigTemplate(state, benchdata::DiskRoot(), "disk_ratio_to_plain_floor", Stopwatch{true});
}
BENCHMARK(BM_MergeBigTemplateOnDisk)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The prepared mail to n recipients, filed in the program's drafts folder.
std::shared_ptr<outlook::Item> Prepared(World& world, int64_t n) {
  auto mail = g_oApp->CreateItem(outlook::olMailItem);
  mail->SetSubject(L"News");
  mail->SetBody(L"Dear reader,\r\nthe news.");
  for (int64_t i = 0; i < n; ++i)
    mail->Recipients()
        ->Add(L"Reader " + std::to_wstring(i) + L" <r" + std::to_wstring(i) + L"@x.example>")
        ->Resolve();
  mail->Save();
  return mail->Move(world.drafts);
}

// Seconds of one separate sending to n recipients, the world made and dropped untimed.
double SendSeconds(int64_t n, benchmark::State& state) {
  auto world = MakeWorld();
  auto mail = Prepared(*world, n);
  bool show = false;
  const double start = benchdata::ThreadSeconds();
  mTanvelo::DoSend2Action(mail, mTanvelo::kSendActionSend, mTanvelo::kSendModeSeparate, show, false,
                          nullptr, nullptr, nullptr);
  double seconds = benchdata::ThreadSeconds() - start;
  if (world->p.outbox->Items()->Count() != n) state.SkipWithError("not every message went out");
  return seconds;
}

// One prepared mail to N recipients, sent as N messages.
void BM_SendSeparately(benchmark::State& state) {
  const int64_t n = state.range(0);
  for (auto _ : state) state.SetIterationTime(SendSeconds(n, state));
  state.SetComplexityN(n);
}
BENCHMARK(BM_SendSeparately)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// With t(n) = a n + b n^2, the square term b from 100 and 1,000 recipients: what each pair of
// a copy and a recipient on it costs, beyond what each message costs.
void BM_RecipientPairs(benchmark::State& state) {
  double small = 0, large = 0;
  for (auto _ : state) {
    double t100 = SendSeconds(100, state), t1000 = SendSeconds(1000, state);
    small += t100;
    large += t1000;
    state.SetIterationTime(t100 + t1000);
  }
  const double runs = static_cast<double>(state.iterations());
  const double square = (large - 10 * small) / runs / (1000.0 * 1000.0 - 10 * 100.0 * 100.0);
  state.counters["ns_per_recipient_pair"] = square * 1e9;
  state.counters["ns_per_recipient_pair_goal"] = 20;
  state.counters["ratio_1000_100"] = small > 0 ? large / small : 0;
}
BENCHMARK(BM_RecipientPairs)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
