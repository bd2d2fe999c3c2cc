// The personalization job over whole mails: tokens in the subject and in each body format,
// contacts found or not, several recipients and lists, the three ways callers run it, and
// values that must not be taken for markup, RTF or further tokens.
#include <set>

#include "personalization/RL_CJob.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/win32/Faults.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;

namespace {

class Job : public PersonalizationTest {
 protected:
  std::shared_ptr<RL_CJob> job;
  bool wasEmpty = false;

  void SetUp() override {
    PersonalizationTest::SetUp();
    job = lib->CreateJob();
  }

  // The road of a reply made from a template: quiet, tokens without a value stay, saved.
  bool RunAsReply(const std::shared_ptr<outlook::Item>& mail) {
    if (!job->HasReplaces(mail->EntryID(), Store())) return false;
    if (!job->LoadReplaceValues(mail->EntryID(), Store(), false, true, true)) return false;
    return job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, true, true);
  }
  // The road of separate personalized messages: asks, and stops at anything missing.
  bool RunStrict(const std::shared_ptr<outlook::Item>& mail) {
    if (!job->HasReplaces(mail->EntryID(), Store())) return false;
    if (!job->LoadReplaceValues(mail->EntryID(), Store(), false, false, false)) return false;
    return job->DoReplace(mail->EntryID(), false, wasEmpty, Store(), 0, true, false);
  }

  std::shared_ptr<outlook::Item> Person(const std::wstring& first, const std::wstring& last,
                                        const std::wstring& company) {
    std::wstring address = vb::LCase(first + L"." + last + L"@clients.example");
    auto c = Contact(p.contacts, first, last, address);
    c->SetCompanyName(company);
    c->Save();
    return c;
  }
};

TEST_F(Job, AMailWithoutTokensHasNothingToReplace) {
  auto mail = Mail(L"Hello", L"100% sure, 50% off");
  AddRecipient(mail, p.kimRoe);
  EXPECT_FALSE(job->HasReplaces(mail->EntryID(), Store()));
}

TEST_F(Job, TokensInTheSubjectAndInEachBodyFormat) {
  struct Case {
    int32_t format;
    const wchar_t* body;
    const wchar_t* expected;
  } cases[] = {
      {outlook::olFormatPlain, L"Dear %firstname%,\r\n%COMPANY% and %Nickname%",
       L"Dear Kim,\r\nPartner Ltd and Kimmy"},
      {outlook::olFormatHTML,
       L"<html><body><p>Dear %<span lang=EN>FirstName</span>%,</p><p>%Company% 100%</p>"
       L"</body></html>",
       L"<html><body><p>Dear Kim,</p><p>Partner Ltd 100%</p></body></html>"},
      {outlook::olFormatRichText, L"{\\rtf1\\ansi Dear %FirstName%,\\par %Company%}",
       L"{\\rtf1\\ansi Dear Kim,\\par Partner Ltd}"},
  };
  for (const auto& c : cases) {
    auto mail = Mail(L"Offer for %fullname% (%To%)", c.body, c.format);
    AddRecipient(mail, p.kimRoe);
    mail->Save();
    job = lib->CreateJob();
    ASSERT_TRUE(RunAsReply(mail)) << c.format;
    EXPECT_EQ(mail->Subject(), L"Offer for Kim Roe (Kim Roe <kim.roe@partner.example>)");
    std::wstring body = c.format == outlook::olFormatHTML       ? mail->HTMLBody()
                        : c.format == outlook::olFormatRichText ? mail->RTFBody()
                                                                : mail->Body();
    EXPECT_EQ(body, c.expected) << c.format;
    EXPECT_EQ(mail->BodyFormat(), c.format);
  }
}

TEST_F(Job, ValuesCannotBreakTheMarkupOrTheRtf) {
  auto contact = Contact(p.contacts, L"Sean", L"O'Brien", L"sean@obrien.example");
  contact->SetCompanyName(L"O'Brien {Sales}\\EU & <Co> caf\u00e9");
  contact->Save();
  auto entry = Smtp(L"Sean O'Brien", L"sean@obrien.example");

  auto html = Mail(L"%Company%", L"<html><body>%Company%</body></html>", outlook::olFormatHTML);
  AddRecipient(html, entry);
  ASSERT_TRUE(RunAsReply(html));
  EXPECT_EQ(html->Subject(), L"O'Brien {Sales}\\EU & <Co> caf\u00e9");
  EXPECT_EQ(html->HTMLBody(),
            L"<html><body>O'Brien {Sales}\\EU &amp; &lt;Co&gt; caf\u00e9</body></html>");

  job = lib->CreateJob();
  auto rtf = Mail(L"%Company%", L"{\\rtf1\\ansi %Company%\\par}", outlook::olFormatRichText);
  AddRecipient(rtf, entry);
  ASSERT_TRUE(RunAsReply(rtf));
  EXPECT_EQ(rtf->Subject(), L"O'Brien {Sales}\\EU & <Co> caf\u00e9");
  EXPECT_EQ(rtf->RTFBody(), L"{\\rtf1\\ansi O'Brien \\{Sales\\}\\\\EU & <Co> caf\\u233?\\par}");
}

TEST_F(Job, RtfValuesStandApartFromControlWordsAndSplitTokensAreFound) {
  struct Case {
    const wchar_t* body;
    const wchar_t* reads;
  } cases[] = {
      // Right after a control word: the value must not become part of its name.
      {L"{\\rtf1\\ansi Dear\\par%FirstName%,\\par%Company%}", L"Dear\r\nKim,\r\nPartner Ltd"},
      {L"{\\rtf1\\ansi\\fs20%Company% 100%}", L"Partner Ltd 100%"},
      // Split by formatting, as Word writes a token typed in two goes.
      {L"{\\rtf1\\ansi Hi %First{\\b Name}%! {\\i %Comp}any%}", L"Hi Kim! Partner Ltd"},
      {L"{\\rtf1\\ansi %first\\b name\\b0%}", L"Kim"},
  };
  for (const auto& c : cases) {
    auto mail = Mail(L"s", c.body, outlook::olFormatRichText);
    AddRecipient(mail, p.kimRoe);
    mail->Save();
    job = lib->CreateJob();
    ASSERT_TRUE(RunAsReply(mail)) << c.body;
    EXPECT_EQ(outlook::body::RtfToText(mail->RTFBody()), c.reads) << mail->RTFBody();
  }
  // A value of several lines keeps them.
  auto contact = Contact(p.contacts, L"Ann", L"Lee", L"ann@lee.example");
  contact->SetCompanyName(L"Lee & Co\r\nHarbour Road 1");
  contact->Save();
  auto mail = Mail(L"s", L"{\\rtf1\\ansi %Company%}", outlook::olFormatRichText);
  AddRecipient(mail, Smtp(L"Ann Lee", L"ann@lee.example"));
  job = lib->CreateJob();
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(outlook::body::RtfToText(mail->RTFBody()), L"Lee & Co\r\nHarbour Road 1");
}

TEST_F(Job, HtmlTokensSplitInsideTheNameAreFound) {
  auto mail = Mail(L"s",
                   L"<html><body><p>Dear %First<span lang=EN>Name</span>% and %f</span>I<b>rstname%"
                   L" of %<b>Company</b>%</p></body></html>",
                   outlook::olFormatHTML);
  AddRecipient(mail, p.kimRoe);
  mail->Save();
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(outlook::body::HtmlToText(mail->HTMLBody()), L"Dear Kim and Kim of Partner Ltd\r\n");
}

TEST_F(Job, AValueIsInsertedOnceAndNeverExpandedAgain) {
  auto contact = Contact(p.contacts, L"Tom", L"Too", L"tom@too.example");
  contact->SetNickName(L"%To%");
  contact->SetCompanyName(L"%FullName% Ltd");
  contact->Save();
  auto html = Mail(L"%Nickname%", L"<html><body>%Nickname% %Company% / %To%</body></html>",
                   outlook::olFormatHTML);
  AddRecipient(html, Smtp(L"Tom Too", L"tom@too.example"));
  ASSERT_TRUE(RunAsReply(html));
  EXPECT_EQ(html->Subject(), L"%To%");
  EXPECT_EQ(html->HTMLBody(),
            L"<html><body>%To% %FullName% Ltd / Tom Too &lt;tom@too.example&gt;</body></html>");
}

TEST_F(Job, SeveralRecipientsJoinedOnceEachWithoutStraySeparators) {
  Person(L"Ann", L"Lee", L"Lee Corp");
  Person(L"Bob", L"Ray", L"");
  Person(L"Cy", L"Fox", L"Fox Inc");
  auto mail = Mail(L"s", L"%FullName%|%Company%");
  AddRecipient(mail, Smtp(L"Ann Lee", L"ann.lee@clients.example"));
  AddRecipient(mail, Smtp(L"Bob Ray", L"bob.ray@clients.example"));
  AddRecipient(mail, Smtp(L"ANN LEE", L"ANN.LEE@clients.example"), outlook::olCC);
  AddRecipient(mail, Smtp(L"Cy Fox", L"cy.fox@clients.example"));
  int asked = 0;
  forms::QueueScript(L"RL_frmEmptyField", [&](forms::User& u) {
    ++asked;
    u.Click(L"btnSkip");
  });
  ASSERT_TRUE(RunStrict(mail));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(mail->Body(), L"Ann Lee, Bob Ray, Cy Fox|Lee Corp, Fox Inc");
  EXPECT_TRUE(wasEmpty);
}

TEST_F(Job, DistributionListsAreOpened) {
  auto mail = Mail(L"s", L"%FullName%\r\n%Cc%");
  AddRecipient(mail, p.salesTeam, outlook::olCC);
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Body(),
            L"Lee Ann, Kim Roe, Sam Poe\r\n"
            L"Lee Ann </O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=LANN>, "
            L"Kim Roe <kim.roe@partner.example>, "
            L"Sam Poe </O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=SPOE>");
}

TEST_F(Job, AReplyKeepsTokensWithoutAValueAndIsSaved) {
  auto mail = Mail(L"Hi %FirstName%", L"Hi %FirstName% %LASTNAME%, %FullName%");
  AddRecipient(mail, Smtp(L"Madonna", L"m@pop.example"));
  int writes = 0;
  auto sub = mail->Events().Write.Subscribe([&](bool&) { ++writes; });
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Subject(), L"Hi %FirstName%");
  EXPECT_EQ(mail->Body(), L"Hi %FirstName% %LASTNAME%, Madonna");
  EXPECT_TRUE(wasEmpty);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(forms::PendingScripts(L"RL_frmEmptyField"), 0u);
}

TEST_F(Job, TheStrictRoadStopsAtMissingOrUnresolvedRecipients) {
  auto mail = Mail(L"s", L"Dear %FullName%");
  ASSERT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
  EXPECT_FALSE(job->LoadReplaceValues(mail->EntryID(), Store(), false, false, false));
  EXPECT_TRUE(Logged(L"RL_CJob::LoadValues", L"Abort - No Recipients"));

  AddRecipient(mail, p.kimRoe);
  mail->Recipients()->Add(L"Nobody Known");
  mail->Save();
  EXPECT_FALSE(job->LoadReplaceValues(mail->EntryID(), Store(), false, false, false));
  EXPECT_TRUE(Logged(L"RL_CJob::LoadValues", L"Abort - Recipient not resolved"));
  EXPECT_FALSE(job->DoReplace(mail->EntryID(), false, wasEmpty, Store(), 0, true, false));
  EXPECT_TRUE(Logged(L"RL_CJob::DoReplace", L"Recipient not resolved"));
  EXPECT_EQ(mail->Body(), L"Dear %FullName%");

  // Going on regardless leaves the token: nobody to take a value from.
  EXPECT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Body(), L"Dear %FullName%");
}

TEST_F(Job, ContactsAreFoundInTheDefaultFolderFirstThenInAnyStore) {
  auto clients = p.secondStore->DefaultFolder(outlook::olFolderContacts);
  auto deep = clients->Folders()->Add(L"Key accounts");
  Contact(deep, L"Dee", L"Deep", L"dee@deep.example", 3);            // third slot
  Contact(deep, L"Other", L"Kim", L"kim.roe@partner.example");       // also in default
  Contact(p.contacts, L"Jo", L"Second", L"jo.second@x.example", 2);  // second slot
  auto mail = Mail(L"s", L"%FullName%");
  AddRecipient(mail, Smtp(L"D", L"DEE@deep.example"));
  AddRecipient(mail, p.kimRoe);
  AddRecipient(mail, Smtp(L"J", L"jo.second@x.example"));
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Body(), L"Dee Deep, Kim Roe, Jo Second");
}

// Addresses are matched whatever their case, on either side, also beyond ASCII.
TEST_F(Job, AContactIsFoundWhateverTheCaseOfEitherAddress) {
  Contact(p.contacts, L"Ulla", L"\u00C5berg", L"Ulla.\u00C5berg@Nord.Example");
  Contact(p.contacts, L"Max", L"Low", L"max.low@nord.example");
  auto mail = Mail(L"s", L"%FullName%");
  AddRecipient(mail, Smtp(L"U", L"ulla.\u00E5berg@nord.example"));
  AddRecipient(mail, Smtp(L"M", L"MAX.Low@NORD.example"));
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Body(), L"Ulla \u00C5berg, Max Low");
}

TEST_F(Job, AStoreThatCannotBeOpenedDoesNotHideTheStoresAfterIt) {
  auto broken = p.session->AddStore(L"Disconnected archive");
  broken->Root()->Folders()->Add(L"Contacts", outlook::olFolderContacts);
  broken->Root()->Delete();  // its folders can no longer be read
  auto later = p.session->AddStore(L"Team contacts");
  auto lou = Contact(later->Root()->Folders()->Add(L"Contacts", outlook::olFolderContacts), L"Lou",
                     L"Late", L"lou@late.example");
  lou->SetCompanyName(L"Late Ltd");
  lou->Save();
  auto mail = Mail(L"s", L"%FullName%|%Company%");
  AddRecipient(mail, Smtp(L"L", L"lou@late.example"));
  AddRecipient(mail, p.kimRoe);
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->Body(), L"Lou Late, Kim Roe|Late Ltd, Partner Ltd");
  EXPECT_EQ(LogCount(L"RL_CJob::FindContact"), 1u);  // the broken store, once per job
}

TEST_F(Job, MissingValuesAreAskedWithTheLibrarysCaption) {
  auto mail = Mail(L"s", L"%Nickname%");
  AddRecipient(mail, Smtp(L"Ann Lee", L"ann@x.example"));
  std::wstring caption;
  forms::QueueScript(L"RL_frmEmptyField", [&](forms::User& u) {
    caption = u.GetForm().Caption();
    u.Type(L"txtValue", L"Annie");
    u.Click(L"btnOK");
  });
  ASSERT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
  ASSERT_TRUE(job->LoadReplaceValues(mail->EntryID(), Store(), true, false, false));
  EXPECT_EQ(caption, L"Tanvelo Templates: missing field value");
  ASSERT_TRUE(job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, false, false));
  EXPECT_EQ(mail->Body(), L"Annie");
  EXPECT_FALSE(wasEmpty);
}

TEST_F(Job, ACancelledQuestionStopsTheStrictRoad) {
  auto mail = Mail(L"s", L"%Nickname%");
  AddRecipient(mail, Smtp(L"Ann Lee", L"ann@x.example"));
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) { u.PressEsc(); });
  EXPECT_FALSE(RunStrict(mail));
  EXPECT_EQ(mail->Body(), L"%Nickname%");
}

TEST_F(Job, UnknownItemsAndItemsThatAreNoMail) {
  // A mail Outlook does not give is not known to be without fields: the error goes on.
  bool has = true;
  EXPECT_FALSE(vb::Catch([&] { has = job->HasReplaces(L"00FF", Store()); }));
  EXPECT_TRUE(has) << "answered as a mail without fields";
  vb::Err().Clear();
  // Nor is its load a question the user cancelled (the mail would be opened untold).
  EXPECT_FALSE(vb::Catch([&] { job->LoadReplaceValues(L"00FF", Store(), false, false, false); }));
  vb::Err().Clear();
  EXPECT_TRUE(Logged(L"RL_CJob::GetSafeItem", L"GetItemFromID failed\r\n00FF\r\n" + Store()));
  EXPECT_FALSE(job->HasReplaces(p.kimContact->EntryID(), Store()));
  EXPECT_TRUE(Logged(L"RL_CJob::GetSafeItem", L"Item.Class <> olMail"));
}

// A mail whose text Outlook holds a moment is read again; held past every try it is never
// answered as one without fields (which would send it unfilled).
TEST_F(Job, AMailsTextRefusedAMomentIsReadAgainAndStillRefusedIsNeverTakenForFieldless) {
  auto mail = Mail(L"Hello", L"Dear %FirstName%");
  win32::faults::Start({.countOnly = true});
  ASSERT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    win32::faults::Start({.at = at, .span = kHeldTries - 1});
    bool has = false;
    EXPECT_TRUE(vb::Catch([&] { has = job->HasReplaces(mail->EntryID(), Store()); }))
        << kHeldTries - 1 << " calls from " << at << " failing";
    win32::faults::Stop();
    EXPECT_TRUE(has) << kHeldTries - 1 << " calls from " << at << " failing";
  }
  // Its last call reads the mail's text (the first finds the mail).
  win32::faults::Start({.at = calls, .span = 1000});
  bool has = false;
  const bool answered = vb::Catch([&] { has = job->HasReplaces(mail->EntryID(), Store()); });
  win32::faults::Stop();
  EXPECT_FALSE(answered) << "a mail unread was taken for one " << (has ? "with" : "without")
                         << " fields";
  EXPECT_NE(0, vb::Err().Number()) << "the refusal itself reaches the caller";
  EXPECT_TRUE(Logged(L"RL_CJob::HasReplaces"));
  vb::Err().Clear();
}

class Outlook2000Job : public Job {
  void SetUp() override {
    Start(L"9.0.0.2711");
    job = lib->CreateJob();
  }
};

TEST_F(Outlook2000Job, OnlyALiteralBodyTagMakesTheBodyHtml) {
  auto mail = Mail(L"s", L"<html><body>%Company%</body></html>", outlook::olFormatHTML);
  AddRecipient(mail, p.kimRoe);
  p.kimContact->SetCompanyName(L"A&B");
  p.kimContact->Save();
  ASSERT_TRUE(RunAsReply(mail));
  EXPECT_EQ(mail->HTMLBody(), L"<html><body>A&amp;B</body></html>");
}

}  // namespace

TEST_F(Job, AFillRefusedAMomentIsAskedAgain) {
  // Left unfilled, the fields would stay placeholders in the reply the user opens.
  auto fill = [&](uint64_t at, uint64_t span, std::shared_ptr<outlook::Item>& mail) {
    mail = Mail(L"Offer", L"Dear %FirstName%,");
    AddRecipient(mail, p.kimRoe);
    mail->Save();
    job = lib->CreateJob();
    EXPECT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
    EXPECT_TRUE(job->LoadReplaceValues(mail->EntryID(), Store(), false, true, true));
    win32::faults::Start({.at = at, .span = span, .countOnly = at == 0});
    const bool filled = job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, true, true);
    win32::faults::Stop();
    return filled;
  };
  std::shared_ptr<outlook::Item> mail;
  ASSERT_TRUE(fill(0, 0, mail));
  const uint64_t calls = win32::faults::Counts().calls;
  // Each call after the mail's lookup refused once (the lookup asks again on its own).
  for (uint64_t at = 2; at <= calls; ++at) {
    EXPECT_TRUE(fill(at, 1, mail)) << "refused at call " << at;
    EXPECT_EQ(L"Dear Kim,", mail->Body()) << "refused at call " << at;
  }
  // Refused for good once the mail was found: not filled, and told.
  EXPECT_FALSE(fill(2, 1000, mail));
  EXPECT_EQ(L"Dear %FirstName%,", mail->Body());
  // Every try refused after the mail was found: the log names it.
  win32::faults::Start({.every = 2});
  EXPECT_FALSE(job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, true, true));
  win32::faults::Stop();
  EXPECT_TRUE(
      testlog::LoggedContaining(L"RL_CJob::DoReplace", L"The fields of \"Offer\" were not filled"));
}

// A contact held a moment by Outlook is looked up again. Found but held past every try, it is
// never taken for no contact (the display name and the answers for strangers in place of the
// contact's values): the load raises, the log names the address and the mail, nothing is
// filled. The default contacts folder held past every try stops the fill too, told with the
// folder and the mail.
TEST_F(Job, AContactLookupHeldIsAskedAgainAndStillRefusedIsNeverTakenForNoContact) {
  Person(L"Ann", L"Lee", L"Lee Corp");
  size_t logFrom = 0;
  auto loggedNow = [&](const std::wstring& fragment,
                       const std::wstring& procedure = L"RL_CJob::FindContact") {
    const auto& log = support::library::Log();
    for (size_t i = logFrom; i < log.size(); ++i)
      if (log[i].procedure == procedure && log[i].text.find(fragment) != std::wstring::npos)
        return true;
    return false;
  };
  auto run = [&](uint64_t at, uint64_t span) {
    auto mail = Mail(L"Offer", L"%FullName%|%Company%");
    AddRecipient(mail, Smtp(L"A. Lee (Sales)", L"ann.lee@clients.example"));
    mail->Save();
    job = lib->CreateJob();
    logFrom = support::library::Log().size();
    EXPECT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
    win32::faults::Start({.at = at, .span = span, .countOnly = at == 0});
    bool loaded = false;
    vb::Catch(
        [&] { loaded = job->LoadReplaceValues(mail->EntryID(), Store(), false, true, true); });
    win32::faults::Stop();
    vb::Err().Clear();
    if (loaded) job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, true, true);
    return mail->Body();
  };
  ASSERT_EQ(L"Ann Lee|Lee Corp", run(0, 0));
  const uint64_t calls = win32::faults::Counts().calls;
  std::set<std::wstring> outcomes;  // of each held refusal that made a difference
  for (uint64_t at = 1; at <= calls; ++at) {
    EXPECT_EQ(L"Ann Lee|Lee Corp", run(at, kHeldTries - 1))
        << kHeldTries - 1 << " calls from " << at << " refused";
    const std::wstring body = run(at, 1000);
    const bool stopped = loggedNow(
        L"The contact of ann.lee@clients.example was not looked up, so "
        L"\"Offer\" was not filled");
    const bool unread = loggedNow(
        L"were not read, so the mail \"Offer\" was filled for "
        L"ann.lee@clients.example from the name and address alone");
    // The default contacts folder or the list of stores held: every address may have a
    // contact unseen, so nobody is filled.
    const bool folderUnread = loggedNow(L"were not read, so \"Offer\" was not filled");
    // The mail itself not given (the first call) stops the fill too, told by its caller;
    // so does its recipient table refused for good.
    const bool recipientsUnread =
        loggedNow(L"the recipients were not read", L"RL_CJob::LoadValues");
    EXPECT_EQ(L"%FullName%|%Company%", body) << "refused from call " << at;
    EXPECT_TRUE(!unread && (stopped || folderUnread || recipientsUnread || at == 1))
        << "refused from call " << at;
    outcomes.insert(body + (stopped ? L" told" : folderUnread ? L" unread" : L""));
  }
  // Both ways are met: a folder held and a contact found but held.
  EXPECT_EQ(1u, outcomes.count(L"%FullName%|%Company% unread")) << testing::PrintToString(outcomes);
  EXPECT_EQ(1u, outcomes.count(L"%FullName%|%Company% told")) << testing::PrintToString(outcomes);
}
