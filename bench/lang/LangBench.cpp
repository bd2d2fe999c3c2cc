// Loading a large language file and fetching texts. "ratio_to_one_read" compares the load with
// one sized read of the whole file through the same file calls (open, one read of its size,
// close). "ratio_scans_alone" is information: 32 opens and reads in 4 KB pieces, each from the
// top to the header after a section, nothing parsed (what reading the file anew for every
// section would cost by itself). The sandbox is on a memory file system where there is one;
// both sides are timed by the thread's processor time (bench/common/Clock.h).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/common/Sandbox.h"
#include "core/CLang.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"

namespace {

constexpr int kSections = 30;
constexpr int kEntries = 5000;

const std::string kPath = "C:\\Program Files\\Norvane\\Tanvelo\\BENCH.lng";

std::string MakeFile() {
  std::string globals;
  for (int s = 0; s < kSections; ++s) globals += (s ? ", S" : "S") + std::to_string(s);
  std::string f =
      "[version]\r\nsignature = \"Norvane.LangLngFile\"\r\nlangid = \"EN\"\r\n"
      "lang = \"English\"\r\n[Tanvelo]\r\nglobals = \"" +
      globals + "\"\r\n";
  for (int s = 0; s < kSections; ++s) {
    f += "\r\n[Tanvelo.S" + std::to_string(s) + "]\r\n";
    for (int e = s; e < kEntries; e += kSections)
      f += "STR_TEXT_" + std::to_string(e) + " = \"Text number " + std::to_string(e) +
           " with a place for %s and a line\\nbreak\" ; comment\r\n";
  }
  return f;
}

// One sandbox for the whole run, holding the file.
struct Fixture {
  win32::files::TempSandbox sandbox{benchdata::MemoryRoot()};
  size_t size = 0;
  Fixture() {
    const std::string bytes = MakeFile();
    size = bytes.size();
    win32::files::WriteAll(kPath, bytes);
  }
};

Fixture& Setup() {
  static Fixture fixture;
  return fixture;
}

// The file read from its top in 4096-byte pieces until `limit` bytes are in, or whole.
size_t ReadUpTo(size_t limit) {
  char buffer[4096];
  uint32_t got = 0;
  size_t total = 0;
  win32::HANDLE h = win32::CreateFileA(kPath.c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ,
                                       nullptr, win32::OPEN_EXISTING, 0, 0);
  while (total < limit && win32::ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    total += got;
  win32::CloseHandle(h);
  return total;
}

// The whole file in one read of its size, as a program that knows it reads a file.
size_t ReadOnce() {
  std::unique_ptr<char[]> bytes(new char[Setup().size]);
  uint32_t got = 0;
  win32::HANDLE h = win32::CreateFileA(kPath.c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ,
                                       nullptr, win32::OPEN_EXISTING, 0, 0);
  win32::ReadFile(h, bytes.get(), static_cast<uint32_t>(Setup().size), &got, nullptr);
  win32::CloseHandle(h);
  benchmark::DoNotOptimize(bytes.get());
  return got;
}

// Where each section read of a load stops: the end of the header line after its section, or
// the file's end; in the order the load reads them.
std::vector<size_t> ScanEnds() {
  const std::string file = MakeFile();
  auto endOfHeaderAfter = [&](const std::string& header) {
    size_t next = file.find("\r\n[", file.find(header) + header.size());
    return next == std::string::npos ? file.size() : file.find("\r\n", next + 2) + 2;
  };
  std::vector<size_t> ends = {endOfHeaderAfter("[version]"), endOfHeaderAfter("[Tanvelo]")};
  for (int s = 0; s < kSections; ++s)
    ends.push_back(endOfHeaderAfter("[Tanvelo.S" + std::to_string(s) + "]"));
  return ends;
}

double Since(double start) {
  return benchdata::ThreadSeconds() - start;
}

void BM_LoadLanguageFile(benchmark::State& state) {
  Setup();
  const std::vector<size_t> ends = ScanEnds();
  double load = 0, read = 0, scans = 0;
  int64_t reads = 0;
  for (auto _ : state) {
    // The load alone: making the object and dropping it again are not timed.
    auto lang = std::make_unique<CLang>();
    auto start = benchdata::ThreadSeconds();
    if (!lang->Init(win32::FromAnsi(kPath), L"Tanvelo")) std::abort();
    load += Since(start);
    state.PauseTiming();
    lang.reset();
    state.ResumeTiming();
    // A few reads between the loads, so that both see the same load on the machine.
    state.PauseTiming();
    for (int i = 0; i < 5; ++i, ++reads) {
      start = benchdata::ThreadSeconds();
      benchmark::DoNotOptimize(ReadOnce());
      read += Since(start);
    }
    start = benchdata::ThreadSeconds();
    for (size_t end : ends) benchmark::DoNotOptimize(ReadUpTo(end));
    scans += Since(start);
    state.ResumeTiming();
  }
  const double runs = static_cast<double>(state.iterations());
  const double oneRead = reads ? read / static_cast<double>(reads) : 0;
  state.counters["ratio_to_one_read"] = oneRead > 0 ? (load / runs) / oneRead : 0;
  state.counters["ratio_to_one_read_goal"] = 15;
  state.counters["ratio_scans_alone"] = oneRead > 0 ? (scans / runs) / oneRead : 0;
  state.counters["load_us"] = load / runs * 1e6;
  state.counters["one_read_us"] = oneRead * 1e6;
  state.counters["on_memory"] = benchdata::OnMemory(benchdata::MemoryRoot()) ? 1 : 0;
}
BENCHMARK(BM_LoadLanguageFile)->Unit(benchmark::kMillisecond);

void BM_ReadSameBytesOnce(benchmark::State& state) {
  Setup();
  for (auto _ : state) benchmark::DoNotOptimize(ReadOnce());
}
BENCHMARK(BM_ReadSameBytesOnce)->Unit(benchmark::kMillisecond);

void BM_ItemLookup(benchmark::State& state) {
  Setup();
  CLang lang;
  lang.Init(win32::FromAnsi(kPath), L"Tanvelo");
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lang.Item(L"str_text_" + std::to_wstring(i), L"x"));
    i = (i + 7) % kEntries;
  }
}
BENCHMARK(BM_ItemLookup);

}  // namespace

BENCHMARK_MAIN();
