// The field table and its loaders: tokens, menu paths and ranks; names made from display
// names; recipient lists; contact values asked once per job; the sending account.
#include "personalization/RL_CTexts.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/redemption/SafeItem.h"
#include "platform/win32/MessageBox.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;

namespace {

class Fields : public PersonalizationTest {};

TEST_F(Fields, TheTableInOrderWithCaptionsAndRanks) {
  auto texts = lib->GetTexts();
  struct Row {
    const wchar_t* token;
    int32_t type;
    const wchar_t* menuPath;
    int32_t numUsed;
  } expected[] = {
      {L"%FullName%", 3, L"Contact Items\\Full name", 5},
      {L"%FirstName%", 3, L"Contact Items\\First name", 0},
      {L"%MiddleName%", 3, L"Contact Items\\Middle name", 0},
      {L"%LastName%", 3, L"Contact Items\\Last name", 0},
      {L"%Initials%", 3, L"Contact Items\\Initials", 4},
      {L"%Nickname%", 3, L"Contact Items\\Nickname", 0},
      {L"%Company%", 3, L"Contact Items\\Company", 3},
      {L"%To%", 2, L"Email Items\\To", 2},
      {L"%Cc%", 2, L"Email Items\\Cc", 0},
      {L"%Bcc%", 2, L"Email Items\\Bcc", 0},
      {L"%MyName%", 4, L"Email Items\\My name", 0},
      {L"%From%", 4, L"Email Items\\From", 0},
  };
  ASSERT_EQ(texts->Count(), 12);
  for (int32_t i = 1; i <= 12; ++i) {
    const auto& e = expected[i - 1];
    auto t = texts->Item(i);
    EXPECT_EQ(t->Text, e.token);
    EXPECT_EQ(t->nType, e.type) << e.token;
    EXPECT_EQ(t->MenuPath, e.menuPath);
    EXPECT_EQ(t->NumUsed, e.numUsed) << e.token;
    EXPECT_EQ(t->Value, L"");
  }
  EXPECT_EQ(texts->Find(L"%fullNAME%"), texts->Item(1));
  EXPECT_EQ(texts->Find(L"%Salutation%"), nullptr);
  EXPECT_THROW(texts->Item(13), vb::Error);
}

TEST_F(Fields, AnEmptyCaptionMakesTheTokenItsMenuPathAndUnknownTypesAddNothing) {
  g_oLang->ItemSet(L"BTN_TO", L"");
  RL_CTexts texts;
  texts.Add(2);
  EXPECT_EQ(texts.Item(1)->MenuPath, L"%To%");
  EXPECT_TRUE(texts.Has(2));
  EXPECT_FALSE(texts.Has(3));
  texts.Add(1);
  texts.Add(5);
  EXPECT_EQ(texts.Count(), 3);
  EXPECT_TRUE(Logged(L"RL_CTexts::Init", L"invalid type - 1"));
  EXPECT_TRUE(Logged(L"RL_CTexts::Init", L"invalid type - 5"));
}

TEST_F(Fields, TheSendersValueWithoutAnItemFailsAndIsLogged) {
  auto texts = lib->GetTexts();
  EXPECT_FALSE(texts->LoadEmailValue(L"%From%", nullptr, true));
  EXPECT_EQ(L"RL_CTexts::LoadEmailValue", support::library::Log().back().procedure);
  EXPECT_EQ(91, support::library::Log().back().errorNumber);
}

TEST(FieldNames, MadeFromTheDisplayNameWithoutItsAddress) {
  struct Case {
    const wchar_t* display;
    const wchar_t* address;
    const wchar_t* full;
    const wchar_t* first;
    const wchar_t* last;
  } cases[] = {
      // "Last, First" is taken as written: the first word is the first name.
      {L"Lee, Ann (Sales)", L"lee.ann@norvane.example", L"Lee Ann Sales", L"Lee", L"Ann Sales"},
      {L"kim.roe@partner.example", L"kim.roe@partner.example", L"", L"", L""},
      {L"'Kim Roe' <KIM.ROE@partner.example>", L"kim.roe@partner.example", L"Kim Roe", L"Kim",
       L"Roe"},
      {L"Madonna", L"m@pop.example", L"Madonna", L"", L""},
      {L"  Jo   \"JB\";  Bloggs ", L"", L"Jo JB Bloggs", L"Jo", L"JB Bloggs"},
      {L"", L"", L"", L"", L""},
  };
  for (const auto& c : cases) {
    auto n = RL_CTexts::ExtractRecipientNames(c.display, c.address);
    EXPECT_EQ(n.full, c.full) << c.display;
    EXPECT_EQ(n.first, c.first) << c.display;
    EXPECT_EQ(n.last, c.last) << c.display;
  }
}

TEST_F(Fields, RecipientListsByType) {
  RL_CTexts texts;
  texts.Add(2);
  RL_Recipients list = {
      {L"Kim Roe <kim.roe@partner.example>", L"KIM.ROE@partner.example", 1},
      {L"Sam Poe", L"sam.poe@norvane.example", 1},
      {L"Lee Ann", L"lee.ann@norvane.example", 2},
  };
  ASSERT_TRUE(texts.LoadRecipientValue(L"%To%", nullptr, list, false));
  EXPECT_EQ(texts.Find(L"%To%")->Value,
            L"Kim Roe <kim.roe@partner.example>, Sam Poe <sam.poe@norvane.example>");
  ASSERT_TRUE(texts.LoadRecipientValue(L"%Bcc%", nullptr, list, false));
  EXPECT_EQ(texts.Find(L"%Bcc%")->Value, L"");  // none of that type: empty, still loaded
  RL_Recipients ccOnly = {{L"Lee Ann", L"lee@x.example", 2}};
  ASSERT_TRUE(texts.LoadRecipientValue(L"%To%", nullptr, ccOnly, false));
  EXPECT_EQ(texts.Find(L"%To%")->Value, L"");
  EXPECT_FALSE(texts.LoadRecipientValue(L"%Cc%", nullptr, {}, false));
  EXPECT_FALSE(texts.LoadRecipientValue(L"%FullName%", nullptr, list, false));
  EXPECT_TRUE(Logged(L"RL_CTexts::LoadRecipientValue", L"invalid replacement - %FullName%"));
}

class ContactValues : public PersonalizationTest {
 protected:
  RL_CTexts texts;
  RL_Answers answers;
  void SetUp() override {
    PersonalizationTest::SetUp();
    texts.Add(3);
  }
  std::shared_ptr<redemption::SafeContactItem> Safe(const std::shared_ptr<outlook::Item>& c) {
    auto safe = std::make_shared<redemption::SafeContactItem>();
    safe->SetItem(c);
    return safe;
  }
};

TEST_F(ContactValues, FromTheContactOrFromTheDisplayName) {
  auto kim = Safe(p.kimContact);
  for (const wchar_t* token : {L"%FullName%", L"%Nickname%", L"%Company%", L"%Initials%"})
    ASSERT_TRUE(texts.LoadContactValue(token, kim, L"Kim Roe", L"kim.roe@partner.example", answers,
                                       L"caption", false, true));
  EXPECT_EQ(texts.Find(L"%FullName%")->Value, L"Kim Roe");
  EXPECT_EQ(texts.Find(L"%Nickname%")->Value, L"Kimmy");
  EXPECT_EQ(texts.Find(L"%Company%")->Value, L"Partner Ltd");
  EXPECT_EQ(texts.Find(L"%Initials%")->Value, L"K.R.");

  // No contact: the three names come from the display name; the others stay empty quietly.
  RL_CTexts other;
  other.Add(3);
  for (const wchar_t* token : {L"%FirstName%", L"%LastName%"})
    EXPECT_TRUE(other.LoadContactValue(token, nullptr, L"Lee, Ann", L"x@y.example", answers, L"",
                                       false, true));
  EXPECT_EQ(other.Find(L"%FirstName%")->Value, L"Lee");
  EXPECT_EQ(other.Find(L"%LastName%")->Value, L"Ann");
  EXPECT_FALSE(other.LoadContactValue(L"%Company%", nullptr, L"Lee, Ann", L"x@y.example", answers,
                                      L"", false, true));
  RL_CTexts single;  // a one-word name has no first name
  single.Add(3);
  EXPECT_FALSE(single.LoadContactValue(L"%FirstName%", nullptr, L"Madonna", L"m@pop.example",
                                       answers, L"", false, true));
  EXPECT_TRUE(single.LoadContactValue(L"%FullName%", nullptr, L"Madonna", L"m@pop.example", answers,
                                      L"", false, true));
  EXPECT_EQ(single.Find(L"%FullName%")->Value, L"Madonna");
  EXPECT_EQ(forms::PendingScripts(L"RL_frmEmptyField"), 0u);
  EXPECT_FALSE(other.LoadContactValue(L"%To%", nullptr, L"", L"", answers, L"", false, true));
  EXPECT_TRUE(Logged(L"RL_CTexts::LoadContactValue", L"invalid replacement - %To%"));
}

TEST_F(ContactValues, AValueMetBeforeForTheSameAddressIsKept) {
  texts.Find(L"%Nickname%")->Value = L"Kimmy";
  EXPECT_TRUE(texts.LoadContactValue(L"%Nickname%", nullptr, L"Kim", L"kim@x.example", answers, L"",
                                     false, false));  // not silent, yet nothing is asked
  EXPECT_EQ(texts.Find(L"%Nickname%")->Value, L"Kimmy");
}

TEST_F(ContactValues, AskedOnceForThreeRecipientsAndSkipIsAnAnswer) {
  std::vector<std::wstring> asked;
  forms::QueueScript(L"RL_frmEmptyField", [&](forms::User& u) {
    auto box = std::dynamic_pointer_cast<forms::TextBox>(u.GetForm().FindControl(L"txtValue"));
    asked.push_back(box->Text());
    u.Click(L"btnSkip");
  });
  for (const wchar_t* address : {L"a@x.example", L"b@x.example", L"c@x.example"}) {
    RL_CTexts own;
    own.Add(3);
    EXPECT_TRUE(
        own.LoadContactValue(L"%Nickname%", nullptr, L"A", address, answers, L"cap", false, false));
    EXPECT_EQ(own.Find(L"%Nickname%")->Value, L"");
  }
  EXPECT_EQ(asked, std::vector<std::wstring>{L"Friend"});  // the table's starting text
  EXPECT_EQ(answers.at(L"%Nickname%"), L"");
}

TEST_F(ContactValues, AnAnswerIsUsedAndACancelFailsWithoutBeingRemembered) {
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) { u.Click(L"btnCancel"); });
  EXPECT_FALSE(texts.LoadContactValue(L"%Company%", nullptr, L"A", L"a@x.example", answers, L"cap",
                                      false, false));
  EXPECT_TRUE(answers.empty());
  forms::QueueScript(L"RL_frmEmptyField", [](forms::User& u) {
    u.Type(L"txtValue", L"Norvane");
    u.PressEnter();
  });
  EXPECT_TRUE(texts.LoadContactValue(L"%Company%", nullptr, L"A", L"a@x.example", answers, L"cap",
                                     false, false));
  EXPECT_EQ(texts.Find(L"%Company%")->Value, L"Norvane");
  EXPECT_EQ(answers.at(L"%Company%"), L"Norvane");
}

class SenderValues : public PersonalizationTest {
 protected:
  std::shared_ptr<redemption::SafeItem> SafeOf(const std::shared_ptr<outlook::Item>& mail) {
    auto safe = std::make_shared<redemption::SafeMailItem>();
    safe->SetItem(mail);
    return safe;
  }
  void Stamp(const std::shared_ptr<outlook::Item>& mail, const std::wstring& account,
             const std::wstring& stamp) {
    auto& named = p.session->Named();
    mail->SetProp(uint32_t(named.Id(outlook::PSETID_Common, 0x8580, true)) << 16 | 0x1F, account);
    mail->SetProp(uint32_t(named.Id(outlook::PSETID_Common, 0x8581, true)) << 16 | 0x1F, stamp);
  }
  std::pair<std::wstring, std::wstring> Load(const std::shared_ptr<outlook::Item>& mail) {
    RL_CTexts texts;
    texts.Add(4);
    EXPECT_TRUE(texts.LoadEmailValue(L"%MyName%", SafeOf(mail), false));
    EXPECT_TRUE(texts.LoadEmailValue(L"%From%", SafeOf(mail), false));
    return {texts.Find(L"%MyName%")->Value, texts.Find(L"%From%")->Value};
  }
};

TEST_F(SenderValues, TheStampedAccountThenTheCurrentUser) {
  p.session->AddAccount({L"Private", L"Pat at home", L"pat@home.example"});
  auto mail = Mail(L"s", L"b");
  // Nothing stamped: the current user, by its SMTP address.
  EXPECT_EQ(Load(mail), std::make_pair(std::wstring(L"Pat Doe"),
                                       std::wstring(L"Pat Doe <pat.doe@norvane.example>")));
  Stamp(mail, L"Private", L"Private\x01pat@home.example");
  EXPECT_EQ(Load(mail), std::make_pair(std::wstring(L"Pat at home"),
                                       std::wstring(L"Pat at home <pat@home.example>")));
  // An unknown account name gives no user name: both come from the current user.
  Stamp(mail, L"Gone", L"Gone\x01gone@old.example");
  EXPECT_EQ(Load(mail).second, L"Pat Doe <pat.doe@norvane.example>");
  Stamp(mail, L"Private", L"pat@home.example");
  EXPECT_EQ(Load(mail).first, L"Pat Doe");
  EXPECT_TRUE(Logged(L"RL_CTexts::GetAccountEmail", L"unknown format - pat@home.example"));
}

TEST_F(SenderValues, Outlook2000HasNoAccountNames) {
  TearDown();
  Start(L"9.0.0.2711");
  p.session->AddAccount({L"Private", L"Pat at home", L"pat@home.example"});
  auto mail = Mail(L"s", L"b");
  Stamp(mail, L"Private", L"Private\x01pat@home.example");
  EXPECT_EQ(Load(mail).second, L"Pat Doe <pat.doe@norvane.example>");
  RL_CTexts texts;
  texts.Add(4);
  EXPECT_FALSE(texts.LoadEmailValue(L"%Company%", SafeOf(mail), false));
  EXPECT_TRUE(Logged(L"RL_CTexts::LoadEmailValue", L"invalid replacement - %Company%"));
}

}  // namespace
