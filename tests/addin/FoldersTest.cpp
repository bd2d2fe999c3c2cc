// The templates and drafts folders: found by stored id or by name, asked for, made, refused.
#include <map>

#include "core/COptions.h"
#include "core/Main.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "tests/addin/ConnectTest.h"

namespace {
ItemPtr AnyMail(const FolderPtr& folder) {
  if (folder->Items()->Count() > 0) return folder->Items()->Item(1);
  for (auto& sub : folder->Folders()->All())
    if (auto item = AnyMail(sub)) return item;
  return nullptr;
}

int32_t Mails(const FolderPtr& folder) {
  int32_t n = folder->Items()->Count();
  for (auto& sub : folder->Folders()->All()) n += Mails(sub);
  return n;
}
}  // namespace

TEST_F(ConnectTest, AFirstStartProposesTheNameMakesTheFolderAndItsSamples) {
  std::wstring proposed;
  forms::QueueScript(L"frmReplyFolder", [&](forms::User& u) {
    proposed = u.GetForm().Get<forms::TextBox>(L"txtFolder")->Text();
    u.PressEnter();
  });
  Start();
  EXPECT_EQ(L"Tanvelo Templates", proposed);
  ASSERT_NE(nullptr, g_oTemplatesFolder);
  EXPECT_EQ(p.root, g_oTemplatesFolder->ParentFolder());
  EXPECT_EQ(g_oTemplatesFolder->EntryID(), Options().TanvelloEntryID());
  EXPECT_EQ(g_oDraftsFolder->EntryID(), Options().TanveloDraftsEntryID());
  EXPECT_TRUE(Options().ModifyTVDraftsView());
  int32_t samples = Mails(g_oTemplatesFolder);
  EXPECT_EQ(31, samples);
  // The samples the system filed raised no template checks.
  EXPECT_TRUE(Boxes().empty());

  // The next start of the same profile finds both by id; a sample the user deleted stays gone.
  AnyMail(g_oTemplatesFolder)->Delete();
  host->Quit();
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  Start();
  EXPECT_EQ(samples - 1, Mails(g_oTemplatesFolder));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConnectTest, ALaterStartWithAnotherTemplatesFolderMakesTheSamplesThere) {
  AcceptFolderDialog();
  Start();
  auto folder = g_oTemplatesFolder;
  host->Quit();
  // The sample folders stay, emptied; the stored folder is now one in Deleted Items, so the
  // next start takes the folder found by name: another folder than the stored one.
  for (auto item = AnyMail(folder); item; item = AnyMail(folder)) item->Delete();
  g_oApp = p.app;  // the options are kept per profile
  Options().SetTanvelloEntryID(p.deleted->Folders()->Add(L"Old Templates", 16)->EntryID());
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  answers = {win32::IDYES};
  Start();
  ASSERT_EQ(folder, g_oTemplatesFolder);
  EXPECT_EQ(31, Mails(folder));
  EXPECT_EQ(folder->EntryID(), Options().TanvelloEntryID());
}

TEST_F(ConnectTest, AFolderFoundByNameIsOfferedAndARefusalProposesANewName) {
  auto existing = PrepareTemplatesFolder(p.root, L"Tanvelo Templates");
  answers = {win32::IDYES};
  Start();
  EXPECT_EQ(existing, g_oTemplatesFolder);
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_NE(std::wstring::npos, Boxes()[0].find(L"'Tanvelo Templates'"));

  // Only the older name is there. Outlook finds folders by name whatever the case, so the
  // first lookup finds it already; on No the proposal is built from the name looked up.
  Boot(L"11.0.0.8000");
  PrepareTemplatesFolder(p.root, L"Tanvelo templates");
  answers = {win32::IDNO};
  std::wstring proposed;
  forms::QueueScript(L"frmReplyFolder", [&](forms::User& u) {
    proposed = u.GetForm().Get<forms::TextBox>(L"txtFolder")->Text();
    u.PressEnter();
  });
  Start();
  EXPECT_EQ(L"Tanvelo Templates (new)", proposed);
  EXPECT_EQ(L"Tanvelo Templates (new)", g_oTemplatesFolder->Name());
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_NE(std::wstring::npos, Boxes()[0].find(L"'Tanvelo templates'"));
}

TEST_F(ConnectTest, AStoredFolderInDeletedItemsIsMissingButOneNamedLikeItIsNot) {
  auto folder = PrepareTemplatesFolder(p.root, L"My Templates");
  Options().SetTanvelloEntryID(folder->EntryID());
  // A user folder called like Deleted Items holds the templates: they are not deleted.
  auto lookalike = p.inbox->Folders()->Add(p.deleted->Name(), 16);
  auto moved = lookalike->Folders()->Add(L"Kept Templates", 16);
  Options().SetTanvelloEntryID(moved->EntryID());
  Start();
  EXPECT_EQ(moved, g_oTemplatesFolder);
  EXPECT_TRUE(Boxes().empty());
  host->Quit();

  // The real Deleted Items: the stored folder is ignored and the one found by name offered.
  g_oApp = p.app;
  auto binned = p.deleted->Folders()->Add(L"Old Templates", 16);
  Options().SetTanvelloEntryID(binned->EntryID());
  auto byName = PrepareTemplatesFolder(p.root, L"Tanvelo Templates");
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  answers = {win32::IDYES};
  Start();
  EXPECT_EQ(byName, g_oTemplatesFolder);
  EXPECT_EQ(byName->EntryID(), Options().TanvelloEntryID());
}

TEST_F(ConnectTest, AFolderThatCannotBeMadeIsToldAndTheStartGoesOn) {
  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) {
    u.Type(L"txtFolder", L"Bad\\Name");
    u.PressEnter();
  });
  Start();
  EXPECT_EQ(nullptr, g_oTemplatesFolder);
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ(L"The folder 'Bad\\Name' could not be created.", Boxes()[0]);
  EXPECT_EQ(16u, win32::msgbox::Shown()[0].style & 0xFF);
  EXPECT_TRUE(Logged(L"Connect::SetTanveloFolder", L"Cannot create folder 'Bad\\Name'"));
  EXPECT_EQ(L"", Options().TanvelloEntryID());
  EXPECT_EQ(Connect::State::Initialised, addin->GetState());
  EXPECT_EQ(1u, menus.size());
}

TEST_F(ConnectTest, TheDraftsFolderIsFollowedWhereTheUserMovedIt) {
  AcceptFolderDialog();
  Start();
  auto drafts = g_oDraftsFolder;
  host->Quit();
  // The user moves it below the Inbox and renames it.
  std::erase(p.drafts->Children(), drafts);
  drafts->SetParent(p.inbox);
  p.inbox->Children().push_back(drafts);
  drafts->SetName(L"Made by Tanvelo");
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  Start();
  EXPECT_EQ(drafts, g_oDraftsFolder);
  EXPECT_TRUE(p.drafts->Children().empty());  // no second one was made
}

TEST_F(ConnectTest, ADraftsFolderThatCannotBeMadeLeavesOutlooksDraftsAndNoStoredId) {
  AcceptFolderDialog();
  // A stale id from an earlier profile state: the folder is gone, and a new one is refused.
  Options().SetTanveloDraftsEntryID(L"00000000DEADBEEF");
  p.drafts->DenySubfolders(true);
  Start();
  ASSERT_NE(nullptr, g_oTemplatesFolder);
  EXPECT_EQ(p.drafts, g_oDraftsFolder);
  EXPECT_TRUE(p.drafts->Children().empty());
  EXPECT_EQ(L"", Options().TanveloDraftsEntryID());
  EXPECT_FALSE(Options().ModifyTVDraftsView());
  EXPECT_TRUE(Logged(L"Connect::GetTanveloDrafts",
                     L"[Cannot create folder 'Tanvelo Drafts'] Cannot create the folder. You do "
                     L"not have sufficient permission to perform this operation on this object."));
  EXPECT_EQ(Connect::State::Initialised, addin->GetState());
}

TEST_F(ConnectTest, AStartWhoseStoreIsRefusedAMomentStillFindsTheTemplatesFolder) {
  // Without it no template serves the session, and the usage records' refresh finds none.
  AcceptFolderDialog();
  Start();
  const FolderPtr folder = g_oTemplatesFolder;
  ASSERT_NE(nullptr, folder);
  auto restart = [&] {
    host->Quit();
    g_oApp = p.app;
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    Start();
  };
  win32::faults::Start({.countOnly = true, .throughResets = true});
  restart();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  const auto outlook = static_cast<size_t>(win32::faults::Surface::Outlook);
  int refused = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1, .throughResets = true});
    restart();
    win32::faults::Stop();
    if (win32::faults::Counts().raisedBy[outlook] == 0) continue;
    ++refused;
    EXPECT_EQ(folder, g_oTemplatesFolder) << "refused from call " << at;
  }
  EXPECT_GT(refused, 0);
}

TEST_F(ConnectTest, ATemplatesFolderSetUpThatFailsIsToldNamingTheFolder) {
  // The reader of the log learns which folder the session may lack, and that its id was not kept.
  AcceptFolderDialog();
  Start();
  // A folder taken for gone is found by name, and the user keeps it.
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return win32::IDYES; });
  auto restart = [&] {
    host->Quit();
    g_oApp = p.app;
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    Start();
  };
  win32::faults::Start({.countOnly = true, .throughResets = true});
  restart();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int failed = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} + 1, .throughResets = true});
    restart();
    win32::faults::Stop();
    bool error = false;
    for (const auto& e : support::library::Log())
      error = error || (e.procedure == L"Connect::SetTanveloFolder" &&
                        (e.errorNumber != 0 || e.level >= kLevelError));
    if (!error) continue;
    ++failed;
    EXPECT_TRUE(LoggedContaining(L"Connect::SetTanveloFolder",
                                 L"The templates folder 'Tanvelo Templates' was not set up"))
        << "refused at call " << at;
  }
  EXPECT_GT(failed, 0);
}

TEST_F(ConnectTest, ADraftsFolderRefusedAMomentIsMadeOnceWithItsViewStillToSetUp) {
  // A lookup refused a moment must not make a second folder, nor an add refused a moment leave
  // the drafts in Outlook's own folder; refused for good, the log names the folder.
  AcceptFolderDialog();
  Start();
  auto restart = [&] {
    host->Quit();
    g_oApp = p.app;
    // The user removed the folder: the start makes it again.
    p.drafts->Children().clear();
    Options().SetTanveloDraftsEntryID(L"");
    Options().SetModifyTVDraftsView(false);
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    Start();
  };
  win32::faults::Start({.countOnly = true, .throughResets = true});
  restart();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} - 1, .throughResets = true});
    restart();
    win32::faults::Stop();
    ASSERT_EQ(1u, p.drafts->Children().size()) << "refused from call " << at;
    EXPECT_EQ(p.drafts->Children()[0], g_oDraftsFolder) << "refused from call " << at;
    EXPECT_TRUE(Options().ModifyTVDraftsView()) << "refused from call " << at;
  }
  win32::faults::Start({.at = 1, .span = 100000, .throughResets = true});
  restart();
  win32::faults::Stop();
  EXPECT_TRUE(LoggedContaining(L"Connect::GetTanveloDrafts", L"'Tanvelo Drafts'"));
}

TEST_F(ConnectTest, ADraftsFolderNotMadeNamesItsViewOptionLeftForTheNextStart) {
  // The option marks a folder just made: with none made it stays unset, and the log says so by
  // name, and that the next start makes up for it.
  AcceptFolderDialog();
  Start();
  // A templates folder taken for gone is found by name, and the user keeps it.
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return win32::IDYES; });
  auto restart = [&] {
    host->Quit();
    g_oApp = p.app;
    p.drafts->Children().clear();
    Options().SetTanveloDraftsEntryID(L"");
    Options().SetModifyTVDraftsView(false);
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    Start();
  };
  win32::faults::Start({.countOnly = true, .throughResets = true});
  restart();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int unmade = 0;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t from = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span, .throughResets = true});
      restart();
      win32::faults::Stop();
      if (Options().ModifyTVDraftsView()) continue;
      // Made, its option's write refused for good is named by the write; not made, the folder's
      // log names the option and when it comes.
      const bool made = !p.drafts->Children().empty();
      unmade += !made;
      bool named = false;
      std::wstring said;
      for (size_t i = from; i < support::library::Log().size(); ++i) {
        const auto& e = support::library::Log()[i];
        said += e.procedure + L": " + e.text + L"\n";
        named = named || (e.level >= kLevelError &&
                          e.text.find(L"ModifyTVDraftsView") != std::wstring::npos &&
                          (made || (e.procedure == L"Connect::GetTanveloDrafts" &&
                                    e.text.find(L"next start") != std::wstring::npos)));
      }
      EXPECT_TRUE(named) << span << " refusals from call " << at << "\n" << win32::ToAnsi(said);
    }
  EXPECT_GT(unmade, 0) << "no run left the folder unmade";
  restart();
  EXPECT_TRUE(Options().ModifyTVDraftsView()) << "the next start makes the folder";
}

// A first start that could not make a sample, a sample folder, the templates folder or its
// record tells the user so in one box naming what is missing; the next start makes exactly
// that: a sample the user deleted in between stays gone, and no folder question is asked.
TEST_F(ConnectTest, WhatTheFirstStartCouldNotMakeIsToldAndMadeAtTheNextStartAlone) {
  auto samples = [] {  // "folder/subject" of each sample there
    std::map<std::wstring, ItemPtr> made;
    FolderPtr standard;
    if (g_oTemplatesFolder)
      vb::Ignore([&] { standard = g_oTemplatesFolder->Folders()->Item(L"Standard Templates"); });
    vb::Err().Clear();
    if (!standard) return made;
    for (const auto& folder : standard->Folders()->All())
      for (const auto& item : folder->Items()->All())
        made[folder->Name() + L"/" + item->Subject()] = item;
    return made;
  };
  auto firstStart = [&](const win32::faults::Plan& plan) {
    Boot(L"14.0.0.4760");
    AcceptFolderDialog();
    win32::faults::Start(plan);
    Start();
    win32::faults::Stop();
  };
  firstStart({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  const auto all = samples();
  ASSERT_EQ(31u, all.size());
  int short_ = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    // Held a moment (one try less than the held steps take), the set-up is whole and untold;
    // held longer, what is missing is told.
    const uint64_t span = at % 2 ? kHeldTries - 1 : kHeldTries + 1;
    firstStart({.at = at, .span = span});
    SCOPED_TRACE(std::to_string(span) + " refused from call " + std::to_string(at));
    auto made = samples();
    std::wstring told;  // the set-up's box, or the folder's own
    for (const auto& box : Boxes())
      if (box.starts_with(L"Tanvelo could not finish setting up its templates.") ||
          box == L"The folder 'Tanvelo Templates' could not be created.")
        told += box;
    EXPECT_TRUE(g_oTemplatesFolder || told.find(L"'Tanvelo Templates'") != std::wstring::npos);
    if (span < kHeldTries) {
      EXPECT_EQ(all.size(), made.size());
      EXPECT_EQ(L"", told);
    }
    for (const auto& [key, item] : all) {
      const std::wstring subject = L"'" + key.substr(key.find(L'/') + 1) + L"'";
      EXPECT_TRUE(!g_oTemplatesFolder || made.count(key) ||
                  told.find(subject) != std::wstring::npos)
          << win32::ToAnsi(key);
    }
    if (made.size() == all.size()) continue;
    ++short_;
    // The user deletes a sample that was made; the next start makes only what was not.
    std::wstring deleted;
    if (!made.empty()) {
      deleted = made.begin()->first;
      made.begin()->second->Delete();
    }
    host->Quit();
    const size_t boxes = Boxes().size();
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    if (forms::PendingScripts(L"frmReplyFolder") == 0) AcceptFolderDialog();
    Start();  // an unanswered folder question would fail here
    made = samples();
    EXPECT_EQ(all.size() - (deleted.empty() ? 0 : 1), made.size());
    EXPECT_FALSE(made.count(deleted));
    EXPECT_EQ(boxes, Boxes().size());
    EXPECT_EQ(L"", Options().SamplesNotMade());
  }
  EXPECT_GT(short_, 0);
}

// Samples a start promised for the next are made at a later start, though the start between
// could not read their record, or could not write it for a folder it took by name.
TEST_F(ConnectTest, SamplesPromisedForTheNextStartAreNotLostToARecordRefusedOnTheWay) {
  auto count = [] { return g_oTemplatesFolder ? Mails(g_oTemplatesFolder) : 0; };
  auto restart = [&] {
    host->Quit();
    addin = std::make_shared<Connect>();
    host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
    if (forms::PendingScripts(L"frmReplyFolder") == 0) AcceptFolderDialog();
    Start();
  };
  auto boot = [&] {
    Boot(L"14.0.0.4760");
    // A folder whose id was not kept is found by name at the next start, and taken.
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
      return (box.style & 0xF) == win32::MB_OK ? win32::IDOK : win32::IDYES;
    });
    AcceptFolderDialog();
  };
  std::shared_ptr<outlook::MAPIFolder> denied;  // Outlook lets no folder be made there
  struct Row {
    const char* name;
    std::function<void()> before;  // up to the start that is refused
    uint64_t span = kHeldTries;
  };
  const Row rows[] = {
      // One sample left for the next start by its record; a sample folder the user deleted is
      // made again, and cannot be.
      {"a later start that cannot read the record",
       [&] {
         boot();
         Start();
         auto standard = g_oTemplatesFolder->Folders()->Item(L"Standard Templates");
         auto first = standard->Folders()->Item(1);
         auto sample = first->Items()->Item(1);
         ASSERT_TRUE(Options().SetSamplesNotMade(first->Name() + L"/" + sample->Subject()));
         sample->Delete();
         standard->Folders()->Item(standard->Folders()->Count())->Delete();
         denied = standard;
         host->Quit();
         addin = std::make_shared<Connect>();
         host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
       }},
      // A start takes a folder found by name whose sample folders are empty, and cannot make
      // the first of them again: the samples of the others are left for the next start.
      {"a start that takes a folder by name and cannot write the record",
       [&] {
         boot();
         Start();
         auto standard = g_oTemplatesFolder->Folders()->Item(L"Standard Templates");
         for (const auto& folder : standard->Folders()->All())
           for (const auto& item : folder->Items()->All()) item->Delete();
         standard->Folders()->Item(1)->Delete();
         ASSERT_TRUE(Options().SetTanvelloEntryID(L""));
         denied = standard;
         host->Quit();
         addin = std::make_shared<Connect>();
         host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
       }},
      // A later start makes a sample folder the user deleted, loses one of its samples, and
      // cannot write that down.
      {"a later start that loses a sample and cannot write the record",
       [&] {
         boot();
         Start();
         auto standard = g_oTemplatesFolder->Folders()->Item(L"Standard Templates");
         standard->Folders()->Item(standard->Folders()->Count())->Delete();
         denied = nullptr;
         host->Quit();
         addin = std::make_shared<Connect>();
         host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
       },
       3 * kHeldTries},
  };
  boot();
  Start();
  const int32_t all = count();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.before();
    win32::faults::Start({.countOnly = true});
    Start();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t at = 1; at <= calls; ++at) {
      SCOPED_TRACE(std::to_string(row.span) + " refused from call " + std::to_string(at));
      row.before();
      if (denied) denied->DenySubfolders(true);
      win32::faults::Start({.at = at, .span = row.span});
      Start();
      win32::faults::Stop();
      if (denied) denied->DenySubfolders(false);
      restart();
      restart();  // a record left unread is read again at the start after
      EXPECT_EQ(all, count());
    }
  }
}
