// tanvelo-soak [REPLIES]: one Outlook 2010 session making REPLIES replies from a template
// through the ribbon (each deleted once made, so the store does not grow) and opening the
// template picker as often, closed without a choice. It then tells the resident memory over
// the second half and the time per reply of the first and the last block, and fails (exit 1)
// when memory grew by 5% or more or the last block is slower than 1.2 times the first (in
// processor time).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

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
  std::vector<double> blockSeconds;
  std::vector<double> memory;        // after each tenth
  std::vector<double> replySeconds;  // of the block under way
  for (long i = 1; i <= replies; ++i) {
    double start = CpuSeconds();
    session.Run(
        L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/"
        L"Reply Templates/thank you for the information\"; choose optOneMail; click btnOK");
    session.Run(L"ribbon click btnTanveloSub");
    session.Run(L"close discard");
    if (!DeleteNew(drafts, keptDrafts)) {
      std::fprintf(stderr, "tanvelo-soak: reply %ld was not made\n", i);
      return 1;
    }
    DeleteNew(deleted, keptDeleted);
    replySeconds.push_back(CpuSeconds() - start);
    session.Run(L"answer frmSelectTemplate esc");
    session.Run(L"ribbon click btnTanveloSub");
    if (i % block == 0) {
      // The median reply: a burst of other work on a shared machine slows some replies, not
      // the add-in.
      auto middle = replySeconds.begin() + static_cast<std::ptrdiff_t>(replySeconds.size() / 2);
      std::nth_element(replySeconds.begin(), middle, replySeconds.end());
      blockSeconds.push_back(*middle);
      replySeconds.clear();
    }
    if (i % (replies / 10) == 0) memory.push_back(ResidentMiB());
  }
  double half = memory[memory.size() / 2 - 1], end = memory.back();
  double growth = (end - half) / half;
  double first = blockSeconds.front(), last = blockSeconds.back();
  std::printf("replies: %ld (and as many pickers closed)\n", replies);
  std::printf("memory: %.1f MiB at the half, %.1f MiB at the end (%+.1f%%)\n", half, end,
              growth * 100);
  std::printf("per reply (median): %.3f ms in the first %ld, %.3f ms in the last %ld (x%.2f)\n",
              first * 1000, block, last * 1000, block, last / first);
  bool ok = growth < 0.05 && last <= 1.2 * first;
  std::printf("%s\n", ok ? "flat" : "NOT FLAT");
  return ok ? 0 : 1;
}
