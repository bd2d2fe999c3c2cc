// A Send while stores' contact folders cannot be read (disconnected archives): recipients not
// found in the folders read are filled from their names and addresses, in either send mode.
#include "dialogs/mForms.h"
#include "personalization/RL_CLib.h"
#include "platform/outlook/AddressBook.h"
#include "tests/common/Source.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

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
    g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo");
    auto lib = std::make_shared<RL_CLib>();
    lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
    Services() = RoadServices();  // the library's own jobs
    mForms::ConnectEngineServices();
    win32::msgbox::Answer(win32::IDNO);  // not kept in the drafts: sent now
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
