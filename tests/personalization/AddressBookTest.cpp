// Recipients as leaf address entries: nested and cyclic distribution lists, replacing lists
// by their members, SMTP addresses and what counts as an e-mail address.
#include "personalization/RL_mAddressBook.h"
#include "platform/win32/Faults.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;
using namespace RL_mAddressBook;

namespace {

class AddressBook : public PersonalizationTest {};

std::vector<std::wstring> Describe(const RL_Recipients& list) {
  std::vector<std::wstring> out;
  for (const auto& r : list)
    out.push_back(r.Name + L"|" + r.Email + L"|" + std::to_wstring(r.nType));
  return out;
}

TEST(IsEmailAddress, TheFirstDotAfterTheAtSignDecides) {
  struct Case {
    const wchar_t* text;
    bool address;
  } cases[] = {
      {L"a@b.c", true},
      {L"@b.c", false},
      {L"a@.c", false},
      {L"a@b.", false},
      {L"ab.c", false},
      {L"a@.b.c", false},
      {L"first.last@norvane.example", true},
      {L"a@b", false},
      {L"/O=NORVANE/OU=EXCHANGE/CN=LANN", false},
      {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isEmailAddress(c.text), c.address) << c.text;
}

TEST_F(AddressBook, NestedListsGiveEveryLeafWithTheOuterType) {
  auto mail = Mail(L"s", L"b");
  AddRecipient(mail, p.salesTeam, outlook::olCC);
  AddRecipient(mail, p.support, outlook::olBCC);  // Kim and Sam a second time
  AddRecipient(mail, p.kimRoe, outlook::olTo);
  RL_Recipients list;
  EXPECT_EQ(CollectRecipients(mail->Recipients(), list, false), 6);
  EXPECT_EQ(Describe(list),
            (std::vector<std::wstring>{
                L"Lee Ann|/O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=LANN|2",
                L"Kim Roe|kim.roe@partner.example|2",
                L"Sam Poe|/O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=SPOE|2",
                L"Kim Roe|kim.roe@partner.example|3",
                L"Sam Poe|/O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=SPOE|3",
                L"Kim Roe|kim.roe@partner.example|1"}));
  EXPECT_EQ(CountRecipientEntries(mail->Recipients()), 6);
  RL_Recipients smtp;
  CollectRecipients(mail->Recipients(), smtp, true);
  EXPECT_EQ(smtp[0].Email, L"lee.ann@norvane.example");
}

// A member that refers back to a list without owning it: the address book keeps the lists, so
// the test's cycle leaves nothing behind.
std::shared_ptr<outlook::AddressEntry> Back(const std::shared_ptr<outlook::AddressEntry>& list) {
  return std::shared_ptr<outlook::AddressEntry>(std::shared_ptr<void>(), list.get());
}

TEST_F(AddressBook, ListsThatContainThemselvesEnd) {
  auto a = Smtp(L"List A", L"a@lists.example");
  auto b = Smtp(L"List B", L"b@lists.example");
  auto c = Smtp(L"List C", L"c@lists.example");
  a->AddMember(Smtp(L"Ann", L"ann@x.example"));
  a->AddMember(b);
  b->AddMember(Smtp(L"Bob", L"bob@x.example"));
  b->AddMember(Back(a));  // through another list
  c->AddMember(Back(c));  // directly
  c->AddMember(Smtp(L"Cy", L"cy@x.example"));
  auto mail = Mail(L"s", L"b");
  AddRecipient(mail, a);
  AddRecipient(mail, c);
  RL_Recipients list;
  EXPECT_EQ(CollectRecipients(mail->Recipients(), list, false), 3);
  EXPECT_EQ(Describe(list),
            (std::vector<std::wstring>{L"Ann|ann@x.example|1", L"Bob|bob@x.example|1",
                                       L"Cy|cy@x.example|1"}));
  EXPECT_EQ(CountRecipientEntries(mail->Recipients()), 3);
  EXPECT_TRUE(Logged(L"RL_mAddressBook::ExtractFromAE",
                     L"distribution list 'List A' contains itself, skipped"));
  EXPECT_TRUE(ExpandRecipients(mail->Recipients()));
  EXPECT_EQ(mail->Recipients()->Count(), 3);
}

TEST_F(AddressBook, ExpandingReplacesListsByResolvedMembers) {
  auto mail = Mail(L"s", L"b");
  AddRecipient(mail, p.salesTeam, outlook::olCC);
  mail->Recipients()->Add(L"Nobody Known");  // unresolved, stays and is logged
  auto listed = Smtp(L"Friends", L"friends@x.example");
  listed->AddMember(Smtp(L"jo@bloggs.example", L"jo@bloggs.example"));
  // An Exchange entry without an SMTP address has no address to be added by.
  listed->AddMember(std::make_shared<outlook::AddressEntry>(L"Ghost", L"/O=X/CN=GHOST", L"EX"));
  AddRecipient(mail, listed, outlook::olBCC);
  EXPECT_TRUE(ExpandRecipients(mail->Recipients()));
  std::vector<std::wstring> names;
  for (const auto& r : *mail->Recipients())
    names.push_back(r->Name() + L"|" + std::to_wstring(r->Type()) + L"|" +
                    (r->Resolved() ? L"resolved" : L"unresolved"));
  EXPECT_EQ(names, (std::vector<std::wstring>{
                       L"Nobody Known|1|unresolved",
                       L"jo@bloggs.example|3|resolved",  // a name with "@": the address alone
                       L"Lee Ann|2|resolved", L"Kim Roe|2|resolved", L"Sam Poe|2|resolved"}));
  EXPECT_TRUE(Logged(L"RL_mAddressBook::ExpandRecipients", L"Recipient not resolved"));
  // A member without an address is left out instead of being added as "Ghost <>", which
  // would resolve by the name alone.
  EXPECT_TRUE(Logged(L"RL_mAddressBook::ExpandRecipients",
                     L"member without address left out - 'Ghost' of 'Friends'"));
}

// Each call of the expansion refused once, and past its tries: a list is replaced whole or
// stays whole and the caller is told (raised); never a list beside some of its members, whose
// copy would go to all of them as one message.
TEST_F(AddressBook, AListIsReplacedWholeOrStaysWholeAndTheCallerIsTold) {
  auto run = [&](const win32::faults::Plan& plan) {
    auto mail = Mail(L"s", L"b");
    AddRecipient(mail, p.salesTeam, outlook::olCC);
    win32::faults::Start(plan);
    const bool raised = !vb::Catch([&] { ExpandRecipients(mail->Recipients()); });
    win32::faults::Stop();
    vb::Err().Clear();
    std::vector<std::wstring> names;
    for (const auto& r : *mail->Recipients()) names.push_back(r->Name());
    return std::pair{raised, names};
  };
  const std::vector<std::wstring> whole{L"Sales Team"},
      expanded{L"Lee Ann", L"Kim Roe", L"Sam Poe"};
  ASSERT_EQ(expanded, run({.countOnly = true}).second);
  const uint64_t calls = win32::faults::Counts().calls;
  for (const uint64_t span : {uint64_t{1}, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      const auto [raised, names] = run({.at = at, .span = span});
      const std::string where =
          "refused " + std::to_string(span) + "x from call " + std::to_string(at);
      EXPECT_EQ(raised ? whole : expanded, names) << where;
      if (span == 1) {
        EXPECT_FALSE(raised) << where;
      }
    }
}

TEST_F(AddressBook, AListWithoutAnyAddressableMemberStays) {
  auto mail = Mail(L"s", L"b");
  auto list = Smtp(L"Faxes", L"faxes@x.example");
  list->AddMember(std::make_shared<outlook::AddressEntry>(L"Ghost", L"/O=X/CN=GHOST", L"EX"));
  AddRecipient(mail, list);
  EXPECT_FALSE(ExpandRecipients(mail->Recipients()));
  ASSERT_EQ(mail->Recipients()->Count(), 1);
  EXPECT_EQ(mail->Recipients()->Item(1)->Name(), L"Faxes");
}

TEST_F(AddressBook, SmtpAddressesOfEachKindOfEntry) {
  bool bLog = false;
  EXPECT_EQ(SafeGetSmtpAddress(p.leeAnn, bLog), L"lee.ann@norvane.example");
  EXPECT_EQ(SafeGetSmtpAddress(Smtp(L"K", L"Kim.Roe@Partner.example"), bLog),
            L"kim.roe@partner.example");
  auto x400 = std::make_shared<outlook::AddressEntry>(L"Old", L"c=DE;a=x;", L"X400");
  EXPECT_EQ(SafeGetSmtpAddress(x400, bLog), L"c=de;a=x;");  // what was read so far
  EXPECT_TRUE(support::library::Log().empty());             // bLog False: quiet
  bLog = true;
  SafeGetSmtpAddress(x400, bLog);
  EXPECT_TRUE(Logged(L"RL_mAddressBook::SafeGetSmtpAddress",
                     L"strType = 'X400' oSafeEntry.Address = 'c=DE;a=x;'"));
  auto exNoSmtp = std::make_shared<outlook::AddressEntry>(L"Ghost", L"/O=X/CN=G", L"EX");
  EXPECT_EQ(SafeGetSmtpAddress(exNoSmtp, bLog), L"");
}

}  // namespace
