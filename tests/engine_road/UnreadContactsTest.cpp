// A Send while stores' contact folders cannot be read (disconnected archives): recipients not
// found in the folders read are filled from their names and addresses, in either send mode.
#include <set>
#include <tuple>

#include "core/CLang.h"
#include "dialogs/mForms.h"
#include "personalization/RL_CLib.h"
#include "platform/forms/User.h"
#include "platform/outlook/AddressBook.h"
#include "platform/win32/Faults.h"
#include "tests/common/Source.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {
// The library with its own jobs, as a Send meets it; the keep-in-drafts question answered No
// (sent now).
std::shared_ptr<RL_CLib> StartSending() {
  g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo");
  auto lib = std::make_shared<RL_CLib>();
  lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
  Services() = RoadServices();
  mForms::ConnectEngineServices();
  win32::msgbox::Answer(win32::IDNO);
  return lib;
}

// "Offer" to Kim Roe, a contact, and Stan Ger, a stranger, saved in `drafts`.
template <class Profile>
mTanvelo::ItemPtr OfferToKimAndStan(Profile& p, const mTanvelo::FolderPtr& drafts,
                                    const std::wstring& body) {
  auto mail = p.app->CreateItem(outlook::olMailItem);
  mail->SetSubject(L"Offer");
  mail->SetBody(body);
  for (const auto& entry : {p.kimRoe, std::make_shared<outlook::AddressEntry>(
                                          L"Stan Ger", L"stan@nowhere.example", L"SMTP")})
    mail->Recipients()->Add(entry->Name())->SetEntry(entry);
  mail->Save();
  return mail->Move(drafts);
}
}  // namespace

TEST_F(RoadTest, AStrangerIsFilledFromNameAndAddressWhileContactFoldersCannotBeRead) {
  const std::wstring kKim = L"Kim Roe <kim.roe@partner.example>",
                     kStan = L"Stan Ger <stan@nowhere.example>";
  struct Case {
    const wchar_t* name;
    int32_t sendMode;
    std::vector<std::wstring> archives, sent;
    std::wstring told;  // the job's one line, beside the refusal's text
  };
  const Case cases[] = {
      {L"one message",
       kSendModeOne,
       {L"Archive"},
       {L"Kim Roe, Stan Ger|" + kKim + L", " + kStan},
       L"[The contacts of \"Archive\" were not read, so the mail \"Offer\" was filled for "
       L"stan@nowhere.example from the name and address alone] "},
      {L"one per recipient",
       kSendModeSeparate,
       {L"Old", L"Older"},
       {L"Kim Roe|" + kKim, L"Stan Ger|" + kStan},
       L"[The contacts of \"Old\", \"Older\" were not read, so the mail \"Offer\" was filled for "
       L"stan@nowhere.example from the name and address alone] "},
      {L"every folder read",
       kSendModeSeparate,
       {},
       {L"Kim Roe|" + kKim, L"Stan Ger|" + kStan},
       L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    auto lib = StartSending();
    for (const auto& name : c.archives) {
      auto archive = p.session->AddStore(name);
      archive->Root()->Folders()->Add(L"Contacts", outlook::olFolderContacts);
      archive->Root()->Delete();
    }
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->SetSubject(L"Offer");
    mail->SetBody(L"%FullName%|%To%");
    for (const auto& entry : {p.kimRoe, std::make_shared<outlook::AddressEntry>(
                                            L"Stan Ger", L"stan@nowhere.example", L"SMTP")})
      mail->Recipients()->Add(entry->Name())->SetEntry(entry);
    mail->Save();
    bool show = false;
    DoSend2Action(mail->Move(tvDrafts), kSendActionSend, c.sendMode, show, false, nullptr, nullptr,
                  nullptr);

    std::vector<std::wstring> sent, told;
    for (const auto& item : ItemsOf(p.outbox)) sent.push_back(item->Body());
    EXPECT_EQ(c.sent, sent);
    EXPECT_TRUE(ItemsOf(tvDrafts).empty());
    for (const auto& e : support::library::Log())
      if (e.procedure == L"RL_CJob::FindContact")
        told.push_back(e.text.substr(0, e.text.find(L"] ") + 2));
    EXPECT_EQ(c.told.empty() ? std::vector<std::wstring>{} : std::vector{c.told}, told)
        << "once for the job, not per address or folder";
    lib.reset();
  }
}

// Where any recipient may have a contact not seen (the default contacts folder or the list of
// stores refused past every try), or a contact found cannot be opened, the Send stops before
// anything leaves or anything is asked: a typed answer would fill another recipient's field.
// Each refusal of that length, at every call of the Send.
TEST_F(RoadTest, ASendWhoseContactsMayBeUnseenStopsBeforeAnythingLeavesOrIsAsked) {
  const std::wstring kStan = L"Stan Ger <stan@nowhere.example>";
  std::set<std::wstring> told;
  auto run = [&](const win32::faults::Plan& plan) {
    SetUp();
    auto lib = StartSending();
    // Stan, a stranger, is asked for his company.
    forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) {
      u.Type(L"txtValue", L"Typed Co");
      u.PressEnter();
    });
    auto mail = OfferToKimAndStan(p, tvDrafts, L"%Company%");
    const size_t boxes = Boxes().size();
    win32::faults::Start(plan);
    bool show = false;
    DoSend2Action(mail, kSendActionSend, kSendModeSeparate, show, false, nullptr, nullptr, nullptr);
    win32::faults::Stop();
    vb::Err().Clear();
    std::vector<std::wstring> sent;
    for (const auto& item : ItemsOf(p.outbox)) sent.push_back(item->To() + L"|" + item->Body());
    const auto shown = Boxes();
    const bool stopped = shown.size() > boxes &&
                         (shown.back() == LangText(L"STR_CONTACTS_NOT_FOUND") ||
                          shown.back() == LangText(L"STR_FOLDER_LIST_NOT_READ") ||
                          shown.back().find(L"your contacts folder \"") != std::wstring::npos);
    const bool contactRefused = Logged(L"RL_CJob::FindContact", L"was not looked up");
    if (stopped) told.insert(shown.back());
    const size_t unasked = forms::PendingScripts(L"RL_frmEmptyField");
    forms::DropScripts();
    lib.reset();
    return std::tuple{sent, stopped, contactRefused, unasked};
  };
  const auto [clean, cleanStopped, cleanRefused, cleanUnasked] = run({.countOnly = true});
  ASSERT_EQ((std::vector<std::wstring>{L"Kim Roe|Partner Ltd", L"Stan Ger|Typed Co"}), clean);
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    const auto [sent, stopped, contactRefused, unasked] = run({.at = at, .span = kHeldTries});
    for (const auto& one : sent)
      EXPECT_TRUE(one == clean[0] || one == clean[1])
          << "refused from call " << at << ": " << win32::ToAnsi(one);
    if (stopped || contactRefused) {
      EXPECT_TRUE(sent.empty()) << "refused from call " << at;
      EXPECT_EQ(1u, unasked) << "refused from call " << at << ": nobody is asked";
      EXPECT_EQ(1u, ItemsOf(tvDrafts).size()) << "refused from call " << at;
    }
  }
  // Each place a single run of refusals meets: the default folder not read, the list of stores.
  // (The default folder not given is searched in the walk, as any other.)
  EXPECT_EQ(2u, told.size()) << testing::PrintToString(told);
}

// A profile without a default contacts folder (or whose default Outlook will not name) still
// finds its contacts in the walk of every store: nothing to stop for.
TEST_F(RoadTest, ADefaultContactsFolderNotGivenIsReadInTheWalkAndTheSendGoesOn) {
  auto lib = StartSending();
  p.session->DefaultStore()->SetDefaultFolder(outlook::olFolderContacts, nullptr);
  auto mail = p.app->CreateItem(outlook::olMailItem);
  mail->SetSubject(L"Offer");
  mail->SetBody(L"%Company%");
  mail->Recipients()->Add(p.kimRoe->Name())->SetEntry(p.kimRoe);
  mail->Save();
  const size_t boxes = Boxes().size();
  bool show = false;
  DoSend2Action(mail->Move(tvDrafts), kSendActionSend, kSendModeSeparate, show, false, nullptr,
                nullptr, nullptr);
  std::vector<std::wstring> sent;
  for (const auto& item : ItemsOf(p.outbox)) sent.push_back(item->Body());
  EXPECT_EQ(std::vector<std::wstring>{L"Partner Ltd"}, sent);
  for (size_t i = boxes; i < Boxes().size(); ++i)
    EXPECT_EQ(std::wstring::npos, Boxes()[i].find(L"nothing was sent"))
        << win32::ToAnsi(Boxes()[i]);
  lib.reset();
}

// With the library's own job, a refusal a moment long anywhere in a separate Send never stops
// it: every recipient gets the copy the clean Send gives.
TEST_F(RoadTest, ASeparateSendOutlastsOneRefusalAnywhere) {
  std::shared_ptr<RL_CLib> lib;
  auto run = [&](const win32::faults::Plan& plan) {
    SetUp();
    lib = StartSending();
    auto mail = OfferToKimAndStan(p, tvDrafts, L"%FullName%|%To%");
    win32::faults::Start(plan);
    bool show = false;
    DoSend2Action(mail, kSendActionSend, kSendModeSeparate, show, false, nullptr, nullptr, nullptr);
    win32::faults::Stop();
    vb::Err().Clear();
    std::vector<std::wstring> sent;
    for (const auto& item : ItemsOf(p.outbox)) sent.push_back(item->Body());
    lib.reset();
    return sent;
  };
  const auto clean = run({.countOnly = true});
  ASSERT_EQ(2u, clean.size());
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at)
    EXPECT_EQ(clean, run({.at = at}))
        << "refused at call " << at << testing::PrintToString(Boxes());
}
