// A Send whose contact folders cannot all be read (a disconnected archive): the recipients not
// found in the folders read are filled from their names and addresses, in either send mode.
#include "dialogs/mForms.h"
#include "personalization/RL_CLib.h"
#include "platform/outlook/AddressBook.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

class UnreadContacts : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    g_oLang = std::make_shared<CLang>();
    ASSERT_TRUE(g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo"));
    lib = std::make_shared<RL_CLib>();
    lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
    Services() = RoadServices();
    mForms::ConnectEngineServices();
    // OK boxes are acknowledged; "keep them in the drafts?" is answered No: sent now.
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
      return (box.style & 0xF) == win32::MB_YESNO ? win32::IDNO : win32::IDOK;
    });
  }
  void TearDown() override {
    lib.reset();
    RoadTest::TearDown();
  }

  // A store whose folders can no longer be read, with a contacts folder of its own.
  void Disconnect() {
    auto archive = p.session->AddStore(L"Disconnected archive");
    archive->Root()->Folders()->Add(L"Contacts", outlook::olFolderContacts);
    archive->Root()->Delete();
  }

  // The prepared mail in the program drafts to Kim Roe (a contact) and Stan Ger (none).
  ItemPtr Prepared() {
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->SetSubject(L"Offer");
    mail->SetBody(L"%FullName%|%To%");
    for (const auto& entry : {p.kimRoe, std::make_shared<outlook::AddressEntry>(
                                            L"Stan Ger", L"stan@nowhere.example", L"SMTP")}) {
      auto r = mail->Recipients()->Add(entry->Name());
      r->SetEntry(entry);
    }
    mail->Save();
    return mail->Move(tvDrafts);
  }

  static std::vector<std::wstring> Bodies(const FolderPtr& folder) {
    std::vector<std::wstring> bodies;
    for (const auto& item : ItemsOf(folder)) bodies.push_back(item->Body());
    return bodies;
  }

  std::shared_ptr<RL_CLib> lib;
};

}  // namespace

TEST_F(UnreadContacts, AStrangerIsFilledFromNameAndAddressAndTheFolderToldOnceInEachSendMode) {
  const std::wstring kKim = L"Kim Roe <kim.roe@partner.example>";
  const std::wstring kStan = L"Stan Ger <stan@nowhere.example>";
  struct Case {
    const wchar_t* name;
    int32_t sendMode;
    bool disconnected;
    std::vector<std::wstring> sent;
  };
  const Case cases[] = {
      {L"one message", kSendModeOne, true, {L"Kim Roe, Stan Ger|" + kKim + L", " + kStan}},
      {L"one per recipient", kSendModeSeparate, true, {L"Kim Roe|" + kKim, L"Stan Ger|" + kStan}},
      // With every store read the fill is the same and nothing is told.
      {L"one per recipient, all read",
       kSendModeSeparate,
       false,
       {L"Kim Roe|" + kKim, L"Stan Ger|" + kStan}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.disconnected) Disconnect();
    bool show = false;
    DoSend2Action(Prepared(), kSendActionSend, c.sendMode, show, false, nullptr, nullptr, nullptr);

    EXPECT_FALSE(show);
    EXPECT_EQ(c.sent, Bodies(p.outbox));
    EXPECT_TRUE(ItemsOf(tvDrafts).empty());
    EXPECT_FALSE(RoadTest::Logged(L"mTanvelo::DoSend2Action"));
    size_t told = 0;
    for (const auto& e : support::library::Log()) told += e.procedure == L"RL_CJob::FindContact";
    EXPECT_EQ(c.disconnected ? 1u : 0u, told) << "once for the job, not per address";
    if (c.disconnected) {
      EXPECT_TRUE(testlog::LoggedContaining(
          L"RL_CJob::FindContact",
          L"The contacts of \"Disconnected archive\" were not read, so the mail \"Offer\" was "
          L"filled for stan@nowhere.example from the name and address alone"));
    }
  }
}
