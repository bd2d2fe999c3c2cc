// Separate sending with the personalization library's own job: a body with three fields, its
// recipients all contacts of the address book. 100 and 1,000 recipients against books of 1,000
// and 10,000 contacts. The job reads the book once per sending and each message is found
// again by its EntryID, so the size of the book should cost little: "ratio_contacts_10k_1k"
// compares 100 recipients at 10,000 contacts with 100 recipients at 1,000 (medians).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/engine_road/BenchWorld.h"
#include "personalization/RL_CLib.h"

namespace {

std::wstring Address(int i) {
  return L"person" + std::to_wstring(i) + L"@clients.example";
}

struct PersonalizedWorld {
  std::unique_ptr<bench::World> world = bench::MakeWorld();
  std::unique_ptr<RL_CLib> lib = std::make_unique<RL_CLib>();
  std::shared_ptr<outlook::Item> mail;

  PersonalizedWorld(int recipients, int contacts) {
    lib->Init(L"Tanvelo", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
    auto& p = world->p;
    for (int i = 0; i < contacts; ++i) {
      auto c = p.contacts->Items()->Add(outlook::olContactItem);
      c->SetFirstName(L"First" + std::to_wstring(i));
      c->SetLastName(L"Last" + std::to_wstring(i));
      c->SetFullName(L"First" + std::to_wstring(i) + L" Last" + std::to_wstring(i));
      c->SetCompanyName(L"Company " + std::to_wstring(i % 97));
      c->SetEmailAddress(1, Address(i));
      c->Save();
    }
    auto draft = g_oApp->CreateItem(outlook::olMailItem);
    draft->SetSubject(L"News for %FirstName%");
    draft->SetBody(L"Dear %FirstName% %LastName%,\r\nthe news for %Company%.\r\nRegards");
    // Spread over the whole book, so that the last ones are found last.
    for (int r = 0; r < recipients; ++r) {
      int i = contacts - 1 - static_cast<int>(static_cast<int64_t>(r) * contacts / recipients);
      draft->Recipients()
          ->Add(L"First" + std::to_wstring(i) + L" Last" + std::to_wstring(i) + L" <" + Address(i) +
                L">")
          ->Resolve();
    }
    draft->Save();
    mail = draft->Move(world->drafts);
  }
  ~PersonalizedWorld() { lib.reset(); }
};

double SendSeconds(int recipients, int contacts, benchmark::State& state) {
  PersonalizedWorld w(recipients, contacts);
  bool show = false;
  const double start = benchdata::ThreadSeconds();
  mTanvelo::DoSend2Action(w.mail, mTanvelo::kSendActionSend, mTanvelo::kSendModeSeparate, show,
                          false, nullptr, nullptr, nullptr);
  double seconds = benchdata::ThreadSeconds() - start;
  auto outbox = w.world->p.outbox->Items();
  if (outbox->Count() != recipients) {
    state.SkipWithError("not every message went out");
  } else if (outbox->Item(1)->Subject().find(L'%') != std::wstring::npos) {
    state.SkipWithError("the messages were not personalized");
  }
  return seconds;
}

void BM_SendPersonalized(benchmark::State& state) {
  const int recipients = static_cast<int>(state.range(0)),
            contacts = static_cast<int>(state.range(1));
  for (auto _ : state) state.SetIterationTime(SendSeconds(recipients, contacts, state));
}
BENCHMARK(BM_SendPersonalized)
    ->Args({100, 1000})
    ->Args({100, 10000})
    ->Args({1000, 1000})
    ->Args({1000, 10000})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The medians of five sends of each size, the sizes in turn: a send follows the filing of a
// fresh book, and one that meets the heap at a bad moment does not move the counter.
void BM_AddressBookSize(benchmark::State& state) {
  std::vector<double> small, large;
  for (auto _ : state) {
    double t1k = SendSeconds(100, 1000, state), t10k = SendSeconds(100, 10000, state);
    small.push_back(t1k);
    large.push_back(t10k);
    state.SetIterationTime(t1k + t10k);
  }
  const double median1k = benchdata::Median(small);
  state.counters["ratio_contacts_10k_1k"] = median1k > 0 ? benchdata::Median(large) / median1k : 0;
  state.counters["ratio_contacts_10k_1k_goal"] = 3;
  state.counters["ms_1k"] = median1k * 1e3;
  state.counters["ms_10k"] = benchdata::Median(large) * 1e3;
}
BENCHMARK(BM_AddressBookSize)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
