// The explorer's commands as a user meets them: what is queued and made, which message boxes
// appear, what is sent from a drafts folder, and the state the ribbon is told.
#include <algorithm>
#include <functional>

#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "core/COptions.h"
#include "engine/mTanvelo.h"
#include "platform/forms/User.h"
#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Faults.h"
#include "tests/commands/CommandsTest.h"

namespace {

using Texts = std::vector<std::wstring>;
using mExplorer::Explorer_Tanvelo;

class ExplorerCommandsTest : public CommandsTest {
 protected:
  ItemPtr AddDraft(const FolderPtr& folder, const std::wstring& subject, const std::wstring& stamp,
                   bool addressed = true) {
    auto item = outlook::AddUnsentMail(folder, subject);
    if (addressed) {
      item->Recipients()->Add(L"kim.roe@partner.example")->Resolve();
      item->Save();
    }
    if (!stamp.empty()) mTanvelo::SetAddinProperty(item, stamp, true);
    return item;
  }
  std::shared_ptr<outlook::Explorer> Explorer() { return p.app->ActiveExplorer(); }
};

TEST_F(ExplorerCommandsTest, ReplyNeedsAMailFirstInTheSelection) {
  auto item = AddTemplate(L"Thanks");
  ShowAndSelect(p.inbox, {});
  Explorer_Tanvelo(1, item->EntryID(), 2);
  ShowAndSelect(p.contacts, {p.kimContact});
  Explorer_Tanvelo(2, item->EntryID(), 2);
  Wait(10);
  ASSERT_EQ(Boxes(), (Texts{LangText(L"IDS_TVNEEDMAILITEM"), LangText(L"IDS_TVNEEDMAILITEM")}));
  EXPECT_EQ(win32::msgbox::Shown()[0].style, 48u);
  EXPECT_TRUE(Subjects(tvDrafts).empty());
  EXPECT_EQ(DummyForm().PendingDemand().nDemandAction, edaNone);
}

TEST_F(ExplorerCommandsTest, ReplyUsesOnlyTheFirstOfSeveralSelectedMails) {
  auto item = AddTemplate(L"Thanks");
  ShowAndSelect(p.inbox, {p.htmlMail, p.plainMail});
  Explorer_Tanvelo(1, item->EntryID(), 2);
  EXPECT_EQ(DummyForm().PendingDemand().nMode, 2) << "the mode goes through unchanged";
  Wait(1);
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"RE: " + p.htmlMail->Subject()});
}

TEST_F(ExplorerCommandsTest, NewMailFromTheSelectedTemplateOrFromOneThePickerGives) {
  auto item = AddTemplate(L"Newsletter");
  ShowAndSelect(templates, {item});
  mExplorer::Explorer_NewFromTemplate();
  EXPECT_EQ(DummyForm().PendingDemand().sTemplateID, item->EntryID());
  Wait(1);
  EXPECT_TRUE(pickerAsked.empty());

  ShowAndSelect(p.inbox, {p.plainMail});  // a mail, but no template
  mExplorer::Explorer_NewFromTemplate();
  EXPECT_EQ(DummyForm().PendingDemand().sTemplateID, L"");
  picker.push_back(kCancel);
  Wait(1);
  EXPECT_EQ(pickerAsked, Texts{L"|1|3"});
}

TEST_F(ExplorerCommandsTest, TemplatesAreMadeOpenedDuplicatedAndDefaultMarked) {
  auto item = AddTemplate(L"Offer");
  ShowAndSelect(templates, {item});
  mExplorer::Explorer_NewTemplate();
  ASSERT_TRUE(p.app->ActiveInspector());
  EXPECT_EQ(p.app->ActiveInspector()->CurrentItem()->Subject(), L"Untitled1");

  mExplorer::Explorer_OpenDuplicate();
  EXPECT_EQ(p.app->ActiveInspector()->CurrentItem()->Subject(), L"Offer1");

  ShowAndSelect(templates, {item});
  mExplorer::Explorer_EditTemplate();
  EXPECT_EQ(p.app->ActiveInspector()->CurrentItem()->EntryID(), item->EntryID());
  // Only a mail is a template to edit: a note kept among them is not opened.
  auto note = templates->Items()->Add(outlook::olPostItem);
  note->Save();
  ShowAndSelect(templates, {note});
  const int32_t open = p.app->Inspectors()->Count();
  mExplorer::Explorer_EditTemplate();
  EXPECT_EQ(p.app->Inspectors()->Count(), open);

  ShowAndSelect(templates, {item});

  EXPECT_TRUE(mExplorer::Explorer_ChangeDefault());
  EXPECT_TRUE(mTanvelo::IsDefaultTemplate(item->EntryID()));
  EXPECT_TRUE(mExplorer::Explorer_ChangeDefault());
  EXPECT_FALSE(mTanvelo::IsDefaultTemplate(item->EntryID())) << "a second click clears it";

  ShowAndSelect(p.inbox, {p.plainMail});
  EXPECT_FALSE(mExplorer::Explorer_ChangeDefault());
  EXPECT_EQ(Options().DefaultTemplateID(), L"");
}

// --- Refusals while a template is made, made the default or given a hotkey ----------------------

// Outlook or Redemption busy a moment changes nothing the user sees; refused past kHeldTries, the
// click tells it at error level and leaves no wrong template behind.
class RefusedClicks : public ExplorerCommandsTest {
 protected:
  // Every call of `click` refused alone, in a run of three, and in a run longer than kHeldTries;
  // `check` learns the run's length and whether an error was logged.
  void Sweep(const std::function<void()>& setUp, const std::function<void()>& click,
             const std::function<void(uint64_t span, bool told, const std::string& where)>& check) {
    setUp();
    win32::faults::Start({.countOnly = true});
    click();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_GE(calls, 1u);
    for (uint64_t span : {uint64_t{1}, uint64_t{3}, uint64_t{kHeldTries + 2}})
      for (uint64_t at = 1; at <= calls; ++at) {
        setUp();
        since_ = support::library::Log().size();
        win32::faults::Start({.at = at, .span = span});
        click();
        win32::faults::Stop();
        check(span, ErrorSince(), std::to_string(span) + " calls from " + std::to_string(at));
      }
  }
  // An error logged during the click whose text holds `words`.
  bool ErrorNaming(const std::wstring& words) const {
    const auto& log = support::library::Log();
    for (size_t i = since_; i < log.size(); ++i)
      if (log[i].level == kLevelError && log[i].text.find(words) != std::wstring::npos) return true;
    return false;
  }
  // An error logged during the click, under that procedure when one is named.
  bool ErrorSince(const std::wstring& procedure = L"") const {
    const auto& log = support::library::Log();
    for (size_t i = since_; i < log.size(); ++i)
      if (log[i].level == kLevelError && (procedure.empty() || log[i].procedure == procedure))
        return true;
    return false;
  }

 private:
  size_t since_ = 0;
};

TEST_F(RefusedClicks, TheDefaultIsSetOrTheUserIsTold) {
  auto item = AddTemplate(L"Offer");
  Sweep(
      [&] {
        Options().SetDefaultTemplateID(L"");
        ShowAndSelect(templates, {item});
      },
      [] { mExplorer::Explorer_ChangeDefault(); },
      [&](uint64_t span, bool told, const std::string& where) {
        const bool set = Options().DefaultTemplateID() == item->EntryID();
        if (span < kHeldTries)
          EXPECT_TRUE(set) << where;
        else
          EXPECT_TRUE(set || told) << where;
        // A selection the click could not read is told naming the command.
        EXPECT_TRUE(!ErrorSince(L"mExplorer.Explorer_ChangeDefault") ||
                    ErrorNaming(LangText(L"RID_E_BTN_CHANGE_DEFAULT_SET")))
            << where;
      });
}

TEST_F(RefusedClicks, TheHotkeyDialogIsShownOrTheUserIsTold) {
  auto item = AddTemplate(L"Offer");
  Sweep(
      [&] {
        forms::DropScripts();
        forms::QueueScript(L"frmHotkey", [](forms::User& u) { u.PressEsc(); });
        ShowAndSelect(templates, {item});
      },
      [] { mExplorer::Explorer_Hotkey(); },
      [&](uint64_t span, bool told, const std::string& where) {
        const bool shown = forms::PendingScripts(L"frmHotkey") == 0;
        if (span < kHeldTries)
          EXPECT_TRUE(shown) << where;
        else
          EXPECT_TRUE(shown || (told && ErrorNaming(LangText(L"RID_E_BTN_HOTKEY")))) << where;
      });
  forms::DropScripts();
}

TEST_F(RefusedClicks, ATemplateFromAMailKeepsItsSubjectOrIsNotMadeAndTold) {
  const std::wstring subject = p.htmlMail->Subject();
  win32::msgbox::SetDefaultAnswerer([](const auto&) { return vb::vbNo; });  // not opened
  Sweep(
      [&] {
        for (const auto& made : templates->Items()->All()) made->Delete();
        ShowAndSelect(p.inbox, {p.htmlMail});
      },
      [] { mExplorer::Explorer_SaveAsTemplate(); },
      [&](uint64_t span, bool told, const std::string& where) {
        // Steps before the copy are not asked again: refused, the command fails told. Refused
        // past kHeldTries, the half-made one's removal may be refused too (logged).
        const auto made = Subjects(templates);
        const bool keptTold = told && ErrorSince(L"mTanvelo::DeleteItem(first delete)");
        if (span < kHeldTries)
          EXPECT_TRUE(made == Texts{subject} || (made.empty() && told)) << where;
        else
          EXPECT_TRUE(made == Texts{subject} || (made.empty() && told) || keptTold) << where;
      });
}

// A duplicate or an opened template outlasts Outlook busy a moment; refused for good, the log
// names the command.
TEST_F(RefusedClicks, ADuplicateIsMadeOrTheUserIsTold) {
  auto item = AddTemplate(L"Offer");
  Sweep(
      [&] {
        for (const auto& made : templates->Items()->All())
          if (made->Subject() != L"Offer") made->Delete();
        ShowAndSelect(templates, {item});
      },
      [] { mExplorer::Explorer_OpenDuplicate(); },
      [&](uint64_t span, bool told, const std::string& where) {
        const auto subjects = Subjects(templates);
        const bool made = std::find(subjects.begin(), subjects.end(), L"Offer1") != subjects.end();
        if (span < kHeldTries)
          EXPECT_TRUE(made) << where;
        else
          EXPECT_TRUE(made || told) << where;
        // A selection the click could not read is told naming the command.
        EXPECT_TRUE(!ErrorSince(L"mExplorer.Explorer_OpenDuplicate") ||
                    ErrorNaming(LangText(L"RID_E_BTN_OPEN_DUPLICATE")))
            << where;
      });
}

TEST_F(ExplorerCommandsTest, AnEditedTemplateIsOpenedOrTheRefusalNamesTheCommand) {
  auto item = AddTemplate(L"Offer");
  ShowAndSelect(templates, {item});
  win32::faults::Start({.countOnly = true});
  mExplorer::Explorer_EditTemplate();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GE(calls, 1u);
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries} + 2})
    for (uint64_t at = 1; at <= calls; ++at) {
      if (auto open = p.app->ActiveInspector()) open->Close(outlook::olDiscard);
      ShowAndSelect(templates, {item});
      win32::faults::Start({.at = at, .span = span});
      mExplorer::Explorer_EditTemplate();
      win32::faults::Stop();
      auto inspector = p.app->ActiveInspector();
      const bool opened = inspector && inspector->CurrentItem()->Subject() == L"Offer";
      if (span < kHeldTries)
        EXPECT_TRUE(opened) << span << " calls from " << at;
      else
        EXPECT_TRUE(opened || Logged(L"mExplorer.Explorer_EditTemplate",
                                     LangText(L"RID_E_BTN_EDIT_TEMPLATE")))
            << span << " calls from " << at;
    }
}

// Outlook busy a moment changes nothing: the drafts go out. Refused past kHeldTries, the user
// learns which drafts stayed, or the log names the command that did nothing.
TEST_F(RefusedClicks, DraftsAreSentOrTheirStayIsTold) {
  std::shared_ptr<outlook::Item> draft;
  size_t boxesBefore = 0;
  Sweep(
      [&] {
        for (const auto& item : p.outbox->Items()->All()) item->Delete();
        for (const auto& item : tvDrafts->Items()->All()) item->Delete();
        draft = AddDraft(tvDrafts, L"Plain", L"");
        ShowAndSelect(tvDrafts, {draft});
        boxesBefore = win32::msgbox::Shown().size();
      },
      [] { mExplorer::Explorer_SendDrafts(); },
      [&](uint64_t span, bool, const std::string& where) {
        const bool sent = Subjects(p.outbox) == Texts{L"Plain"} && Subjects(tvDrafts).empty();
        const auto& boxes = win32::msgbox::Shown();
        const bool named = boxes.size() > boxesBefore &&
                           boxes.back().text.find(L"Plain") != std::wstring::npos &&
                           Subjects(tvDrafts) == Texts{L"Plain"};
        if (span < kHeldTries)
          EXPECT_TRUE(sent || named) << where;
        else
          EXPECT_TRUE(sent || named || ErrorNaming(LangText(L"RID_E_BTN_SEND_DRAFTS"))) << where;
      });
}

// A template asked for and not made is said in a box, not only logged.
TEST_F(RefusedClicks, ATemplateFromAMailNotMadeIsToldInABox) {
  const std::wstring subject = p.htmlMail->Subject();
  win32::msgbox::SetDefaultAnswerer([](const auto&) { return vb::vbNo; });  // not opened
  size_t boxesBefore = 0;
  Sweep(
      [&] {
        for (const auto& made : templates->Items()->All()) made->Delete();
        ShowAndSelect(p.inbox, {p.htmlMail});
        boxesBefore = win32::msgbox::Shown().size();
      },
      [] { mExplorer::Explorer_SaveAsTemplate(); },
      [&](uint64_t span, bool, const std::string& where) {
        const bool made = Subjects(templates) == Texts{subject};
        bool boxed = false;
        for (size_t i = boxesBefore; i < win32::msgbox::Shown().size(); ++i)
          boxed =
              boxed || win32::msgbox::Shown()[i].text == LangText(L"STR_SAVE_AS_TEMPLATE_FAILED");
        if (span < kHeldTries)
          EXPECT_TRUE(made && !boxed) << where;
        else
          EXPECT_TRUE(made != boxed) << where;
      });
}

// A click outlasts Outlook busy a moment; refused for good, a template made but not opened is
// named in a box with its folder, and anything else the click left undone is told.
TEST_F(RefusedClicks, TemplateAndReplyClicksAreAskedAgainAndToldWhenRefusedForGood) {
  auto reply = AddTemplate(L"Thanks");
  struct Row {
    const char* name;
    std::function<void()> select, click;
    std::wstring made;  // the template the click makes, "" for none
  };
  const std::wstring mail = p.htmlMail->Subject();
  const Row rows[] = {
      {"new template", [&] { ShowAndSelect(templates, {}); },
       [] { mExplorer::Explorer_NewTemplate(); }, L"Untitled1"},
      {"save as template", [&] { ShowAndSelect(p.inbox, {p.htmlMail}); },
       [] { mExplorer::Explorer_SaveAsTemplate(); }, mail},
      {"reply to all with", [&] { ShowAndSelect(p.inbox, {p.htmlMail}); },
       [&] { Explorer_Tanvelo(2, reply->EntryID(), 2); }, L""},
  };
  win32::msgbox::SetDefaultAnswerer([](const auto&) { return vb::vbYes; });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    size_t boxesBefore = 0;
    Sweep(
        [&] {
          while (auto open = p.app->ActiveInspector()) open->Close(outlook::olDiscard);
          for (const auto& made : templates->Items()->All())
            if (made->EntryID() != reply->EntryID()) made->Delete();
          Wait(1);  // a reply queued by the last try is made now
          row.select();
          boxesBefore = win32::msgbox::Shown().size();
        },
        row.click,
        [&](uint64_t span, bool told, const std::string& at) {
          const std::string where = std::string(row.name) + ": " + at;
          const auto open = p.app->ActiveInspector();
          const bool done = row.made.empty()
                                ? DummyForm().PendingDemand().nDemandAction == edaDoTanvelo
                                : open && open->CurrentItem()->Subject() == row.made;
          const auto subjects = Subjects(templates);
          const bool kept = std::find(subjects.begin(), subjects.end(), row.made) != subjects.end();
          bool named = false;
          for (size_t i = boxesBefore; i < win32::msgbox::Shown().size(); ++i)
            named = named || win32::msgbox::Shown()[i].text ==
                                 LangText(L"STR_TEMPLATE_NOT_OPENED", row.made, templates->Name());
          if (span < kHeldTries) {
            EXPECT_TRUE(done) << where;
          } else {
            EXPECT_TRUE(done || told) << where;
            if (!row.made.empty() && kept) {
              EXPECT_TRUE(done || named) << where;
            }
          }
        });
  }
}

// --- Sending drafts ------------------------------------------------------------------------------

TEST_F(ExplorerCommandsTest, SendingDraftsNeedsADraftsFolderAndMailsInIt) {
  ShowAndSelect(p.inbox, {p.plainMail});
  mExplorer::Explorer_SendDrafts();
  EXPECT_TRUE(Boxes().empty()) << "outside a drafts folder nothing at all happens";
  EXPECT_EQ(p.plainMail->Parent()->EntryID(), p.inbox->EntryID());

  auto post = tvDrafts->Items()->Add(outlook::olPostItem);
  post->Save();
  ShowAndSelect(tvDrafts, {post});
  mExplorer::Explorer_SendDrafts();
  ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
  EXPECT_EQ(win32::msgbox::Shown()[0].text, LangText(L"STR_SELECT_MAIL_PROMPT"));
  EXPECT_EQ(win32::msgbox::Shown()[0].caption, LangText(L"STR_SELECT_MAIL_TITLE"));
}

TEST_F(ExplorerCommandsTest, DraftsGoOutByTheirStamp) {
  auto plain = AddDraft(tvDrafts, L"Plain", L"");
  auto foreign = AddDraft(tvDrafts, L"Foreign", L"OTHER.Addin");
  auto own = AddDraft(tvDrafts, L"Own", vb::LCase(Options().ProductCode()));
  ShowAndSelect(tvDrafts, {plain, foreign, own});
  mExplorer::Explorer_SendDrafts();
  auto outbox = Subjects(p.outbox);
  EXPECT_NE(std::find(outbox.begin(), outbox.end(), L"Plain"), outbox.end());
  EXPECT_NE(std::find(outbox.begin(), outbox.end(), L"Own"), outbox.end())
      << "a lower-case product stamp is the product's own";
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"Foreign"});
  EXPECT_TRUE(Logged(L"mExplorer.Explorer_SendDrafts",
                     L"Cant send mail created other addin - OTHER.Addin"));
  EXPECT_TRUE(Logged(L"mExplorer.Explorer_SendDrafts",
                     L"Plain - no addin owner, send with no personalization processing"));
}

TEST_F(ExplorerCommandsTest, ADraftOutlookRefusesStaysInItsFolderAndTheUserIsTold) {
  auto unaddressed = AddDraft(tvDrafts, L"No recipients", L"", false);
  auto fine = AddDraft(tvDrafts, L"Fine", L"");
  ShowAndSelect(tvDrafts, {unaddressed, fine});
  mExplorer::Explorer_SendDrafts();
  EXPECT_EQ(Subjects(tvDrafts), Texts{L"No recipients"}) << "not left in the Outbox as if sent";
  EXPECT_EQ(Subjects(p.outbox), Texts{L"Fine"});
  ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
  EXPECT_NE(win32::msgbox::Shown()[0].text.find(L"No recipients"), std::wstring::npos);
  EXPECT_TRUE(Logged(L"mExplorer.SendUnprocessed"));
}

// A draft of ours whose stamp Outlook refuses to show is not sent as another's, unfilled: it
// stays and is named in the box.
TEST_F(ExplorerCommandsTest, AnOwnDraftWhoseStampIsRefusedIsNeverSentAsAnothers) {
  auto own = AddDraft(tvDrafts, L"Own", Options().ProductCode());
  ShowAndSelect(tvDrafts, {own});
  win32::faults::Start({.countOnly = true});
  mExplorer::Explorer_SendDrafts();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int kept = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    for (const auto& item : p.outbox->Items()->All()) item->Delete();
    for (const auto& item : tvDrafts->Items()->All()) item->Delete();
    own = AddDraft(tvDrafts, L"Own", Options().ProductCode());
    ShowAndSelect(tvDrafts, {own});
    const std::wstring marker = L"run " + std::to_wstring(at);
    LogInfo(L"test", marker);
    const size_t boxes = win32::msgbox::Shown().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    mExplorer::Explorer_SendDrafts();
    win32::faults::Stop();
    const auto& log = support::library::Log();
    for (auto e = log.rbegin(); e != log.rend() && e->text != marker; ++e)
      EXPECT_EQ(e->text.find(L"no addin owner"), std::wstring::npos)
          << kHeldTries << " calls from " << at << " failing";
    if (win32::msgbox::Shown().size() > boxes &&
        win32::msgbox::Shown().back().text.find(L"Own") != std::wstring::npos &&
        Subjects(tvDrafts) == Texts{L"Own"})
      ++kept;
  }
  EXPECT_GT(kept, 0) << "an unread stamp keeps the draft and names it";
}

// A draft for one message whose mode Outlook refuses to show is not guessed into separate
// copies: it leaves as the one message it is, or stays and is named.
TEST_F(ExplorerCommandsTest, AnOwnDraftWhoseSendModeIsRefusedLeavesAsItIsOrStaysNamed) {
  auto make = [&] {
    for (const auto& item : p.outbox->Items()->All()) item->Delete();
    for (const auto& item : tvDrafts->Items()->All()) item->Delete();
    auto own = AddDraft(tvDrafts, L"Own", Options().ProductCode());
    own->Recipients()->Add(L"jo.bloggs@partner.example")->Resolve();
    mTanvelo::SetSendMode(own, mTanvelo::kSendModeOne, true);
    ShowAndSelect(tvDrafts, {own});
  };
  make();
  win32::faults::Start({.countOnly = true});
  mExplorer::Explorer_SendDrafts();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int kept = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    make();
    const size_t boxes = win32::msgbox::Shown().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    mExplorer::Explorer_SendDrafts();
    win32::faults::Stop();
    const auto sent = p.outbox->Items()->All();
    EXPECT_LE(sent.size(), 1u) << "refused from call " << at << ": one message sent as several";
    for (const auto& folder : {p.outbox, tvDrafts})
      for (const auto& item : folder->Items()->All())
        EXPECT_EQ(2, item->Recipients()->Count()) << "refused from call " << at << ": split";
    if (sent.empty() && win32::msgbox::Shown().size() > boxes &&
        win32::msgbox::Shown().back().text.find(L"Own") != std::wstring::npos &&
        Subjects(tvDrafts) == Texts{L"Own"})
      ++kept;
  }
  EXPECT_GT(kept, 0);
}

TEST_F(ExplorerCommandsTest, AStoppedSendLeavesTheRestOfTheSelection) {
  // The first own draft has no recipients: the sending stops there.
  auto product = Options().ProductCode();
  auto first = AddDraft(tvDrafts, L"First", product, false);
  auto second = AddDraft(tvDrafts, L"Second", product);
  ShowAndSelect(tvDrafts, {first, second});
  mExplorer::Explorer_SendDrafts();
  EXPECT_EQ(Subjects(tvDrafts).size(), 2u);
  EXPECT_TRUE(Subjects(p.outbox).empty());
}

// --- State questions ---------------------------------------------------------------------------

TEST_F(ExplorerCommandsTest, StateQuestionsFollowFolderSelectionAndBars) {
  auto item = AddTemplate(L"Offer");
  bool isDefault = true, enabled = true, visible = true;
  int32_t count = 7;
  ShowAndSelect(p.inbox, {p.plainMail});
  EXPECT_TRUE(mExplorer::IsMailFolderCurrent(Explorer()) && mExplorer::IsMailSelected(Explorer()));
  EXPECT_FALSE(mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count));
  EXPECT_EQ(count, 0) << "outside the templates tree the count stays 0";
  ShowAndSelect(templates, {});
  EXPECT_FALSE(mExplorer::IsMailFolderCurrent(Explorer()))
      << "the templates tree is no mail folder";
  EXPECT_FALSE(mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count));
  ShowAndSelect(templates, {item});
  mTanvelo::SetDefaultTemplate(item);
  EXPECT_TRUE(mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count));
  EXPECT_TRUE(isDefault && count == 1);

  mExplorer::GetBuiltinControlState(Explorer(), 354, enabled, visible);
  EXPECT_FALSE(enabled || visible) << "a window without bars";
  Explorer()->SetCommandBars(office::MakeExplorerCommandBars());
  mExplorer::GetBuiltinControlState(Explorer(), 354, enabled, visible);
  EXPECT_TRUE(enabled && visible);
  mExplorer::GetBuiltinControlState(Explorer(), 99999, enabled, visible);
  EXPECT_FALSE(enabled || visible);
}

TEST_F(ExplorerCommandsTest, AStateQuestionOutlastsARefusalAndTellsARunOfThem) {
  // The ribbon hides or disables its buttons by these answers.
  auto item = AddTemplate(L"Offer");
  ShowAndSelect(templates, {item});
  mTanvelo::SetDefaultTemplate(item);
  bool isDefault = false;
  int32_t count = 0;
  const std::pair<const wchar_t*, std::function<bool()>> questions[] = {
      {L"IsTemplateSelected", [&] { return mExplorer::IsTemplateSelected(Explorer()); }},
      {L"IsMailSelected", [&] { return mExplorer::IsMailSelected(Explorer()); }},
      {L"IsDefaultTemplateSelected",
       [&] {
         return mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count) && isDefault &&
                count == 1;
       }},
  };
  for (const auto& [name, ask] : questions) {
    win32::faults::Start({.countOnly = true});
    const bool clean = ask();
    win32::faults::Stop();
    EXPECT_TRUE(clean) << name;
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t at = 1; at <= calls; ++at) {
      win32::faults::Start({.at = at});
      const bool answer = ask();
      win32::faults::Stop();
      EXPECT_TRUE(answer) << name << ": call " << at << " of " << calls << " refused";
    }
    EXPECT_FALSE(Logged(std::wstring(L"mExplorer.") + name)) << name;
    win32::faults::Start({.at = 1, .span = 1000});
    const bool refused = ask();
    win32::faults::Stop();
    EXPECT_FALSE(refused) << name;
    EXPECT_TRUE(Logged(std::wstring(L"mExplorer.") + name))
        << name << ": a run of refusals is told";
  }
}

// The default's value refused past the registry's own tries is no "not the default": the
// ribbon would offer to make again the default the user just made, and say nothing.
TEST_F(ExplorerCommandsTest, ADefaultTemplateReadRefusedForGoodIsToldNamingTheTemplate) {
  auto item = AddTemplate(L"Offer");
  ShowAndSelect(templates, {item});
  mTanvelo::SetDefaultTemplate(item);
  bool isDefault = false;
  int32_t count = 0;
  win32::faults::Start({.countOnly = true});
  EXPECT_TRUE(mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count) && isDefault);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  int told = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t before = support::library::Log().size();
    win32::faults::Start({.at = at, .span = kHeldTries});
    const bool answered = mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count);
    win32::faults::Stop();
    const auto& log = support::library::Log();
    const bool named = std::any_of(
        log.begin() + static_cast<std::ptrdiff_t>(before), log.end(),
        [](const support::library::LogEntry& e) {
          return e.level == 3 && e.procedure == L"mExplorer.IsDefaultTemplateSelected" &&
                 e.text.find(L"Offer") != std::wstring::npos &&
                 e.text.find(LangText(L"RID_E_BTN_CHANGE_DEFAULT_SET")) != std::wstring::npos;
        });
    told += named;
    if (answered)
      EXPECT_TRUE(isDefault) << "call " << at << " of " << calls;
    else
      EXPECT_TRUE(named || log.size() > before) << "call " << at << " of " << calls;
  }
  EXPECT_GT(told, 0) << "the registry's read refused for good names the template";
}

}  // namespace

namespace {

// A run of refusals hides or disables buttons; the log names them in the user's words.
TEST_F(ExplorerCommandsTest, AStateQuestionRefusedForGoodNamesTheCommandsItLeavesOff) {
  auto item = AddTemplate(L"Offer");
  ShowAndSelect(templates, {item});
  bool isDefault = false;
  int32_t count = 0;
  const struct {
    const wchar_t* name;
    const wchar_t* label;
    std::function<void()> ask;
  } questions[] = {
      {L"IsTemplateSelected", L"RID_E_BTN_HOTKEY",
       [&] { mExplorer::IsTemplateSelected(Explorer()); }},
      {L"IsDefaultTemplateSelected", L"RID_E_BTN_CHANGE_DEFAULT_SET",
       [&] { mExplorer::IsDefaultTemplateSelected(Explorer(), isDefault, count); }},
      {L"IsMailSelected", L"RID_E_BTN_SEND_DRAFTS", [&] { mExplorer::IsMailSelected(Explorer()); }},
  };
  for (const auto& q : questions) {
    win32::faults::Start({.at = 1, .span = 1000});
    q.ask();
    win32::faults::Stop();
    EXPECT_TRUE(Logged(std::wstring(L"mExplorer.") + q.name, LangText(q.label))) << q.name;
  }
}

}  // namespace
