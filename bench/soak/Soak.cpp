// tanvelo-soak [REPLIES]: one Outlook 2010 session making REPLIES replies from a template
// through the ribbon (each deleted once made, so the store does not grow) and opening the
// template picker as often, closed without a choice. It then tells the resident memory over
// the second half and the time per reply of the first and the last block, and fails (exit 1)
// when memory grew by 5% or more or the last block is slower than 1.2 times the first (in
// processor time).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "host/Session.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"

namespace {

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// This process's own processor time: a soak on a machine shared with other builds measures the
// add-in's pace, not how often the scheduler let it run.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A fixed job of the add-in's kind (allocations, wide texts, a tree of them), timed beside
// each reply: the pace compared is a reply's time over this job's. A machine that runs slower
// by the end (a lower clock, a busy sibling core, a host that takes the virtual processor
// away, all of which this process is charged for) slows both alike; the add-in slowing down
// slows only the reply.
double ReferenceSeconds() {
  static volatile size_t sink = 0;
  double start = CpuSeconds();
  std::map<std::wstring, std::wstring> texts;
  for (int i = 0; i < 400; ++i)
    texts[L"Reference key " + std::to_wstring(i * 7919 % 400)] = std::wstring(40, L'a' + i % 26);
  std::wstring all;
  for (const auto& [key, value] : texts) all += key + L"=" + value + L"\n";
  std::vector<std::wstring> lines;
  for (size_t at = 0; at < all.size(); at += 37) lines.push_back(all.substr(at, 37));
  std::sort(lines.begin(), lines.end());
  sink = sink + lines.front().size() + all.size();
  return CpuSeconds() - start;
}

std::set<outlook::Item*> ItemsOf(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  std::set<outlook::Item*> items;
  auto all = folder->Items();
  for (int32_t i = 1; i <= all->Count(); ++i) items.insert(all->Item(i).get());
  return items;
}

// Deletes what is new in the folder since `kept`; false when nothing was.
bool DeleteNew(const std::shared_ptr<outlook::MAPIFolder>& folder,
               const std::set<outlook::Item*>& kept) {
  std::vector<std::shared_ptr<outlook::Item>> made;
  auto all = folder->Items();
  for (int32_t i = 1; i <= all->Count(); ++i)
    if (!kept.count(all->Item(i).get())) made.push_back(all->Item(i));
  for (auto& item : made) item->Delete();
  return !made.empty();
}

}  // namespace

int main(int argc, char** argv) {
  long replies = argc > 1 ? std::atol(argv[1]) : 10000;
  if (replies < 100) {
    std::fprintf(stderr, "usage: tanvelo-soak [REPLIES, at least 100]\n");
    return 2;
  }
  std::ifstream lang(TV_SOURCE_DIR "/lang/EN.lng", std::ios::binary);
  host::SessionOptions options;
  options.languageFile.assign(std::istreambuf_iterator<char>(lang), {});
  host::Session session(options, [](const std::wstring&) {});
  session.Run(L"answer frmReplyFolder enter");
  session.Run(L"start");
  session.Run(L"select \"Quarterly figures\"");
  auto drafts = session.FolderAt(L"Drafts/Tanvelo Drafts");
  auto deleted = session.FolderAt(L"Deleted Items");
  if (!drafts || !deleted) {
    std::fprintf(stderr, "tanvelo-soak: no Tanvelo Drafts or Deleted Items\n");
    return 2;
  }
  auto keptDrafts = ItemsOf(drafts), keptDeleted = ItemsOf(deleted);

  const long block = std::min(1000L, replies / 2);  // the first and the last thousand
  std::vector<double> memory;                       // after each tenth
  // One reply and one picker closed; the reply's processor time, and the reference job's
  // beside it.
  auto cycle = [&](long i, double& reply, double& reference) {
    double start = CpuSeconds();
    session.Run(
        L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/"
        L"Reply Templates/thank you for the information\"; choose optOneMail; click btnOK");
    session.Run(L"ribbon click btnTanveloSub");
    session.Run(L"close discard");
    if (!DeleteNew(drafts, keptDrafts)) {
      std::fprintf(stderr, "tanvelo-soak: reply %ld was not made\n", i);
      std::exit(1);
    }
    DeleteNew(deleted, keptDeleted);
    reply = CpuSeconds() - start;
    reference = ReferenceSeconds();
    session.Run(L"answer frmSelectTemplate esc");
    session.Run(L"ribbon click btnTanveloSub");
  };
  // A block's pace: its median reply, and its median reply over the reference beside it (a
  // burst of other work on a shared machine slows some replies, not the add-in).
  struct Pace {
    double seconds, relative;
  };
  auto runBlock = [&](long& i, long count) {
    std::vector<double> seconds, relative;
    for (long end = i + count; i < end; ++i) {
      double reply = 0, reference = 0;
      cycle(i + 1, reply, reference);
      seconds.push_back(reply);
      relative.push_back(reply / std::max(reference, 1e-9));
      if ((i + 1) % (replies / 10) == 0) memory.push_back(ResidentMiB());
    }
    return Pace{benchdata::Median(seconds), benchdata::Median(relative)};
  };
  long done = 0;
  Pace first = runBlock(done, block);
  runBlock(done, replies - 2 * block);
  Pace last = runBlock(done, block);
  double half = memory[memory.size() / 2 - 1], end = memory.back();
  double growth = (end - half) / half;
  std::printf("replies: %ld (and as many pickers closed)\n", replies);
  std::printf("memory: %.1f MiB at the half, %.1f MiB at the end (%+.1f%%)\n", half, end,
              growth * 100);
  auto report = [&](const char* which, const Pace& pace) {
    std::printf(
        "per reply (median): %.3f ms in the first %ld, %.3f ms in the %s %ld (x%.2f; x%.2f "
        "against the reference job)\n",
        first.seconds * 1000, block, pace.seconds * 1000, which, block,
        pace.seconds / first.seconds, pace.relative / first.relative);
  };
  report("last", last);
  // A slow last block is confirmed by the two after it: an add-in that slows with use stays
  // slow, a machine that was busy for a moment does not.
  bool paced = last.relative <= 1.2 * first.relative;
  for (int confirm = 0; !paced && confirm < 2; ++confirm) {
    last = runBlock(done, block);
    report(confirm == 0 ? "next" : "one after", last);
    paced = last.relative <= 1.2 * first.relative;
  }
  bool ok = growth < 0.05 && paced;
  std::printf("%s\n", ok ? "flat" : "NOT FLAT");
  return ok ? 0 : 1;
}
