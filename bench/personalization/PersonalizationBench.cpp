// One mail with a 200 KB HTML body holding 2,000 field tokens, personalized for 1, 100 and
// 1,000 recipients against an address book of 1,000 and 10,000 contacts. Loading the values
// finds every recipient's contact; the job reads the contact folders once, so its cost grows
// with recipients plus contacts, not with their product. Writing the values grows with the
// text it writes: each token takes the values of all recipients.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "core/Main.h"
#include "personalization/RL_CJob.h"
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/redemption/Install.h"

namespace {

constexpr int kTokens = 2000;
constexpr size_t kBodyBytes = 200 * 1024;
const wchar_t* const kFields[] = {L"%FullName%", L"%FirstName%", L"%MiddleName%", L"%LastName%",
                                  L"%Initials%", L"%Nickname%",  L"%Company%",    L"%To%",
                                  L"%Cc%",       L"%Bcc%",       L"%MyName%",     L"%From%"};

std::wstring Address(int i) {
  return L"person" + std::to_wstring(i) + L"@clients.example";
}

std::wstring MakeBody() {
  std::wstring body = L"<html><head><style>p{width:100%}</style></head><body>";
  size_t filler = kBodyBytes / kTokens;
  for (int t = 0; t < kTokens; ++t) {
    body += L"<p>";
    body += std::wstring(filler - 20, L'x');
    body += kFields[t % 12];
    body += L"</p>";
  }
  return body + L"</body></html>";
}

// A profile whose default contacts folder holds `contacts` contacts, and a mail to
// `recipients` of them, spread over the whole book (so the last ones are found last).
struct World {
  outlook::Profile p;
  std::shared_ptr<outlook::Item> mail;
  std::wstring body = MakeBody();

  World(int recipients, int contacts) {
    p = outlook::BuildProfile();
    for (int i = 0; i < contacts; ++i) {
      auto c = p.contacts->Items()->Add(outlook::olContactItem);
      c->SetFirstName(L"First" + std::to_wstring(i));
      c->SetLastName(L"Last" + std::to_wstring(i));
      c->SetFullName(L"First" + std::to_wstring(i) + L" Last" + std::to_wstring(i));
      c->SetCompanyName(L"Company " + std::to_wstring(i % 97));
      c->SetNickName(L"Nick" + std::to_wstring(i));
      c->SetEmailAddress(1 + i % 3, Address(i));
      c->Save();
    }
    mail = p.app->CreateItem(outlook::olMailItem);
    for (int r = 0; r < recipients; ++r) {
      int i = contacts - 1 - static_cast<int>(static_cast<int64_t>(r) * contacts / recipients);
      auto entry = std::make_shared<outlook::AddressEntry>(
          L"First" + std::to_wstring(i) + L" Last" + std::to_wstring(i), Address(i), L"SMTP");
      auto recipient = mail->Recipients()->Add(entry->Name());
      recipient->SetEntry(entry);
      recipient->SetType(r % 3 + 1);
    }
    mail->SetSubject(L"Offer for %FullName%");
    mail->SetHTMLBody(body);
    mail->Save();
  }

  void Activate() {
    g_oApp = p.app;
    mail->SetHTMLBody(body);
  }
};

World& WorldFor(int recipients, int contacts) {
  static std::map<std::pair<int, int>, std::unique_ptr<World>> worlds;
  redemption::Install();
  auto& w = worlds[{recipients, contacts}];
  if (!w) w = std::make_unique<World>(recipients, contacts);
  w->Activate();
  return *w;
}

std::shared_ptr<RL_CJob> Loaded(World& w) {
  auto job = std::make_shared<RL_CJob>();
  std::wstring id = w.mail->EntryID(), store = w.p.store->StoreID();
  if (!job->HasReplaces(id, store) || !job->LoadReplaceValues(id, store, false, true, true))
    std::abort();
  return job;
}

// HasReplaces and LoadReplaceValues: the fields found and every recipient's contact.
void BM_LoadValues(benchmark::State& state) {
  World& w = WorldFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(Loaded(w));
  state.counters["per_recipient"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The whole job as a reply runs it: find, load, write the subject and the HTML body.
void BM_WholeJob(benchmark::State& state) {
  World& w = WorldFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::wstring id = w.mail->EntryID(), store = w.p.store->StoreID();
  size_t written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    w.mail->SetHTMLBody(w.body);
    state.ResumeTiming();
    auto job = Loaded(w);
    bool wasEmpty = false;
    if (!job->DoReplace(id, true, wasEmpty, store, 0, false, true)) std::abort();
    written = w.mail->HTMLBody().size();
  }
  state.counters["body_KB"] = static_cast<double>(written) / 1024.0;
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int recipients : {1, 100, 1000}) b->Args({recipients, 10000});
  b->Args({100, 1000});
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_LoadValues)->Apply(Sizes);
BENCHMARK(BM_WholeJob)->Apply(Sizes)->Iterations(1);

double LoadSeconds(int recipients, int contacts) {
  World& w = WorldFor(recipients, contacts);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) benchmark::DoNotOptimize(Loaded(w));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 3;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  // How loading grows: with recipients at 10,000 contacts, and with contacts at 100 recipients.
  double one = LoadSeconds(1, 10000), hundred = LoadSeconds(100, 10000),
         thousand = LoadSeconds(1000, 10000), small = LoadSeconds(100, 1000);
  std::printf("load values, 10000 contacts: 1 -> 100 recipients x%.1f, 1 -> 1000 x%.1f\n",
              hundred / one, thousand / one);
  std::printf("load values, 100 recipients: 1000 -> 10000 contacts x%.1f\n", hundred / small);
  benchmark::Shutdown();
  return 0;
}
