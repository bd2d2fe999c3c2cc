// The window trackers: which explorer counts as the first, what each announcement carries,
// the inspectors' wrappers and how a window's wrapper is found again.
#include <any>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "inspector_ui/MakeInspectorWrapper.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Outlook.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "tests/addin/ConnectTest.h"

namespace {

class Trackers : public ConnectTest {
 protected:
  // Outlook started by another program: no explorer yet; the tracker's announcements noted.
  void StartWatching() {
    Start(0);
    auto explorers = addin->ExplorersWrapper();
    ASSERT_NE(nullptr, explorers);
    subs.push_back(explorers->OnExplorer.Subscribe(
        [this](std::shared_ptr<CExplorerWrapper> w, bool first, bool isNew) {
          notes.push_back(std::wstring(first ? L"first" : L"later") + (isNew ? L" new" : L"") +
                          L" " + std::to_wstring(reinterpret_cast<uintptr_t>(w.get()) != 0));
        }));
    subs.push_back(
        explorers->OnCloseAllExplorers.Subscribe([this] { notes.push_back(L"all closed"); }));
    subs.push_back(explorers->OnExplorerViewSwitch.Subscribe(
        [this](std::shared_ptr<CExplorerWrapper>) { notes.push_back(L"view"); }));
  }
  std::vector<outlook::Subscription> subs;
  std::vector<std::wstring> notes;
};

}  // namespace

TEST_F(Trackers, TheFirstActivatedExplorerCountsAsFirstAgainAfterAllClosed) {
  AcceptFolderDialog();
  StartWatching();
  // One that is never activated does not stop the next from counting as first.
  auto hidden = host->OpenExplorer(p.inbox, false);
  auto a = host->OpenExplorer(p.inbox);
  auto b = host->OpenExplorer(p.sent);
  EXPECT_EQ((std::vector<std::wstring>{L"first new 1", L"later new 1"}), notes);
  EXPECT_EQ(3, addin->ExplorersWrapper()->Count());
  EXPECT_EQ(2u, menus.size());  // a through the start-up, b as a later one
  notes.clear();
  host->CloseExplorer(a);
  host->CloseExplorer(hidden);
  EXPECT_TRUE(notes.empty());
  host->CloseExplorer(b);
  EXPECT_EQ((std::vector<std::wstring>{L"all closed"}), notes);
  EXPECT_EQ(nullptr, addin->ExplorersWrapper()->GetActiveWrapper());
  host->OpenExplorer(p.inbox);
  EXPECT_EQ(L"first new 1", notes.back());
  EXPECT_EQ(Connect::State::Initialised, addin->GetState());
}

TEST_F(Trackers, EventNamesAreHandedOnWhateverTheirCase) {
  AcceptFolderDialog();
  StartWatching();
  auto explorer = host->OpenExplorer(p.inbox);
  auto tracker = addin->ExplorersWrapper();
  std::vector<std::any> args{tracker->Item(1)};
  tracker->EventFromExplorer(L"viewswitch", &args);
  EXPECT_EQ(L"view", notes.back());
  tracker->EventFromExplorer(L"Resize", &args);
  EXPECT_TRUE(Logged(L"CExplorersWrapper::CExplorers::EventFromExplorer",
                     L"Unsuported event raised - Resize"));
  // An announcement without its arguments is logged, not passed on.
  tracker->EventFromExplorer(L"SelectionChange", nullptr);
  EXPECT_TRUE(Logged(L"CExplorersWrapper::CExplorers::EventFromExplorer",
                     L"EventFromExplorer - SelectionChange"));
  // The objects an explorer carries are keyed; a second under one key is refused.
  auto wrapper = tracker->Item(1);
  EXPECT_FALSE(vb::Catch([&] { wrapper->AddAssociatedObject(std::make_shared<int>(9), L"menu"); }));
  wrapper->RemoveAssociatedObject(L"Menu");
  EXPECT_FALSE(vb::Catch([&] { wrapper->GetAssociatedObject(L"Menu"); }));
  vb::Err().Clear();
}

TEST_F(Trackers, MailInspectorsGetAWrapperAfterTheirAnnouncementAndClosedOnesAreSwept) {
  AcceptFolderDialog();
  Start();
  auto inspectors = addin->InspectorsWrapper();
  size_t wrappersAtEvent = 99;
  auto sub = inspectors->OnNewMailInspector.Subscribe(
      [&](std::shared_ptr<outlook::Inspector>) { wrappersAtEvent = wrappers.size(); });
  host->OpenInspector(p.kimContact);
  EXPECT_EQ(99u, wrappersAtEvent);
  EXPECT_TRUE(inspectors->GetWrappers().empty());
  auto first = host->OpenInspector(p.plainMail);
  EXPECT_EQ(0u, wrappersAtEvent);
  ASSERT_EQ(1u, inspectors->GetWrappers().size());
  host->CloseInspector(first);
  EXPECT_EQ(0, wrappers[0]->dones);
  host->OpenInspector(p.htmlMail);
  EXPECT_EQ(1, wrappers[0]->dones);
  EXPECT_EQ(1u, inspectors->GetWrappers().size());
  // A wrapper whose Init refuses is not kept.
  Factories().MakeInspectorWrapper = [](const std::shared_ptr<outlook::Inspector>&, bool) {
    return InspectorWrapperPtr();
  };
  host->OpenInspector(p.rtfMail);
  EXPECT_EQ(1u, inspectors->GetWrappers().size());
}

TEST_F(Trackers, AMailWindowWhoseItemIsHeldAMomentStillGetsAWrapperAndARunOfRefusalsIsTold) {
  AcceptFolderDialog();
  Start();
  auto inspectors = addin->InspectorsWrapper();
  for (uint64_t refusals : {uint64_t{kHeldTries - 1}, uint64_t{1000}}) {
    const size_t before = inspectors->GetWrappers().size();
    win32::faults::Start({.addinOnly = true, .at = 1, .span = refusals});
    host->OpenInspector(refusals < 1000 ? p.plainMail : p.htmlMail);
    win32::faults::Stop();
    EXPECT_EQ(before + (refusals < 1000 ? 1 : 0), inspectors->GetWrappers().size())
        << refusals << " refusals";
    EXPECT_EQ(refusals == 1000, LoggedContaining(L"CInspectorsWrapper::m_oInspectors_NewInspector",
                                                 L"the window has no add-in set-up"))
        << refusals << " refusals";
  }
}

TEST_F(Trackers, AMailWindowRefusedPastTheHeldTriesIsNamedAndSetUpWhenShownSoItsSendIsHandled) {
  AcceptFolderDialog();
  Start();
  auto inspectors = addin->InspectorsWrapper();
  Factories().MakeInspectorWrapper = MakeCInspectorWrapper;
  // From the first call (the tracker's own look at the item) and from a later one (the
  // wrapper's set-up), one refusal more than the held tries.
  int set = 0;
  for (uint64_t at = 1; at <= 8; ++at) {
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->SetSubject(L"follow up " + std::to_wstring(at));
    win32::faults::Start({.addinOnly = true, .at = at, .span = uint64_t{kHeldTries + 1}});
    auto window = host->OpenInspector(mail);
    win32::faults::Stop();
    const std::wstring named =
        L"the window has no add-in set-up (item \"follow up " + std::to_wstring(at) + L"\")";
    if (LoggedContaining(L"CInspectorsWrapper::m_oInspectors_NewInspector", named) ||
        LoggedContaining(L"CInspectorWrapper::Init", named))
      ++set;
    auto wrapper = inspectors->FindWrapper(window);
    ASSERT_TRUE(wrapper) << "from call " << at;
    EXPECT_EQ(window, wrapper->GetInspector()) << "from call " << at;
    EXPECT_EQ(1u, mail->Events().Send.Subscribers()) << "from call " << at;
    host->CloseInspector(window);
  }
  EXPECT_GT(set, 1);
  // Every window told of is told by its mail's name.
  for (const auto& e : support::library::Log()) {
    if (e.text.find(L"the window has no add-in set-up") != std::wstring::npos) {
      EXPECT_NE(std::wstring::npos, e.text.find(L"(item \"")) << e.procedure.size();
    }
  }
}

TEST_F(Trackers, AWindowsWrapperIsFoundByTheWindowItselfThenByItsItem) {
  AcceptFolderDialog();
  Start();
  auto inspectors = addin->InspectorsWrapper();
  // Two new mails look the same in every way Outlook describes them.
  auto one = host->OpenInspector(p.app->CreateItem(outlook::olMailItem));
  auto two = host->OpenInspector(p.app->CreateItem(outlook::olMailItem));
  ASSERT_EQ(one->Caption(), two->Caption());
  ASSERT_EQ(2u, wrappers.size());
  EXPECT_EQ(wrappers[0], inspectors->FindWrapper(one));
  EXPECT_EQ(wrappers[1], inspectors->FindWrapper(two));
  // Another window object on a saved item is matched by EntryID; on an unsaved one by its
  // caption and geometry.
  auto saved = host->OpenInspector(p.plainMail);
  auto other = std::make_shared<outlook::Inspector>(p.app, p.plainMail);
  EXPECT_EQ(wrappers[2], inspectors->FindWrapper(other));
  auto lookalike = std::make_shared<outlook::Inspector>(p.app, one->CurrentItem());
  EXPECT_EQ(wrappers[0], inspectors->FindWrapper(lookalike));
  lookalike->Left = 10;
  EXPECT_EQ(nullptr, inspectors->FindWrapper(lookalike));
  // A closed window's wrapper matches nothing.
  host->CloseInspector(saved);
  EXPECT_EQ(nullptr, inspectors->FindWrapper(other));
  EXPECT_EQ(nullptr, inspectors->FindWrapper(nullptr));
}

// A mail window Outlook never let the add-in set up has no wrapper to stop its Send: Outlook's
// ItemSend still stops a mail of the program that is for separate messages or has fields, names
// it and keeps it open; any other mail leaves. Refusals of a moment in that check are asked
// again; refused for good, the mail is kept, as whether it may leave is not known.
TEST_F(Trackers, AMailNoWindowTookIsStoppedAtOutlooksSendWhenItMustBePersonalized) {
  AcceptFolderDialog();
  Start();
  Factories().MakeInspectorWrapper = [](const std::shared_ptr<outlook::Inspector>&, bool) {
    return InspectorWrapperPtr();  // the set-up refused at every activation
  };
  struct Case {
    const char* name;
    bool stamped;
    int32_t mode;
    std::wstring body;
    uint64_t refusals;
    bool sent;
    const wchar_t* box = L"STR_SEND_NOT_PROCESSED";  // of a mail held
  };
  const Case cases[] = {
      {"one message, no fields", true, mTanvelo::kSendModeOne, L"Hello", 0, true},
      {"separate messages", true, mTanvelo::kSendModeSeparate, L"Hello", 0, false},
      {"fields to fill", true, mTanvelo::kSendModeOne, L"Dear %FirstName%", 0, false},
      {"another's mail", false, mTanvelo::kSendModeSeparate, L"Dear %FirstName%", 0, true},
      {"a look refused a moment", true, mTanvelo::kSendModeOne, L"Hello", kHeldTries - 1, true},
      {"a look refused for good", true, mTanvelo::kSendModeOne, L"Hello", kHeldTries, false,
       L"STR_SEND_OWNER_NOT_READ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto mail = p.drafts->Items()->Add(outlook::olMailItem);
    mail->SetSubject(L"Offer: " + win32::FromAnsi(c.name));
    mail->SetBody(c.body);
    for (const wchar_t* name : {L"Kim Roe", L"Lee Ann"}) mail->Recipients()->Add(name)->Resolve();
    if (c.stamped) {
      ASSERT_TRUE(mTanvelo::SetAddinProperty(mail, Options().ProductCode(), false));
    }
    ASSERT_TRUE(mTanvelo::SetSendMode(mail, c.mode, true));
    auto window = host->OpenInspector(mail);
    const size_t boxes = Boxes().size(), outbox = static_cast<size_t>(p.outbox->Items()->Count());
    win32::faults::Start({.addinOnly = true, .at = 1, .span = c.refusals});
    mail->Send();
    win32::faults::Stop();
    EXPECT_EQ(outbox + (c.sent ? 1 : 0), static_cast<size_t>(p.outbox->Items()->Count()));
    EXPECT_EQ(c.sent, window->IsClosed());
    if (c.sent != window->IsClosed()) continue;  // failed above; what follows is for the kept
    if (c.sent) {
      EXPECT_EQ(boxes, Boxes().size());
      continue;
    }
    const auto& shown = win32::msgbox::Shown();
    ASSERT_EQ(boxes + 1, shown.size());
    EXPECT_EQ(LangText(c.box), shown.back().text);
    EXPECT_EQ(LangText(L"STR_NORECIPIENTS_TITLE", mail->Subject()), shown.back().caption);
    EXPECT_TRUE(LoggedContaining(L"Connect::m_oApp_ItemSend", mail->Subject()));
    host->CloseInspector(window);
  }
}

// The user's own mail, read at its window's opening: its Send leaves it to Outlook, also when
// Outlook then refuses every look at it (logged), and Outlook's ItemSend does not ask again.
TEST_F(Trackers, AMailItsWindowLetGoIsNotAskedAgainAtOutlooksSend) {
  AcceptFolderDialog();
  Start();
  Factories().MakeInspectorWrapper = MakeCInspectorWrapper;
  for (uint64_t refusals : {uint64_t{0}, uint64_t{1000}}) {
    SCOPED_TRACE(refusals);
    auto mail = p.drafts->Items()->Add(outlook::olMailItem);
    mail->SetSubject(L"My own " + std::to_wstring(refusals));
    mail->SetBody(L"Dear %FirstName%");
    mail->Recipients()->Add(L"Kim Roe")->Resolve();
    mail->Save();
    auto window = host->OpenInspector(mail);
    const size_t boxes = Boxes().size(), outbox = static_cast<size_t>(p.outbox->Items()->Count());
    win32::faults::Start({.addinOnly = true, .at = 1, .span = refusals});
    mail->Send();
    win32::faults::Stop();
    EXPECT_EQ(outbox + 1, static_cast<size_t>(p.outbox->Items()->Count()));
    EXPECT_TRUE(window->IsClosed());
    EXPECT_EQ(boxes, Boxes().size());
    EXPECT_EQ(refusals > 0,
              LoggedContaining(L"CInspectorWrapper::m_oMail_Send", L"could not be read again"));
  }
}
