// The template road with nothing played: the picker, the wait window and the send question of
// the dialogs, the personalization library's jobs, the English texts. A user answers.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>

#include "dialogs/frmWait.h"
#include "dialogs/mForms.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/outlook/AddressBook.h"
#include "tests/common/Source.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

// Every token the road meets: contact fields, a recipient list and the sending account.
const std::wstring kLines = L"Dear %FirstName% (%FullName%), to %To% from %MyName%.";

class EndToEnd : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    ASSERT_TRUE(InstallEnglish());
    lib = std::make_shared<RL_CLib>();
    lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
    Services() = RoadServices();
    mForms::ConnectEngineServices();
    // OK boxes are acknowledged; the send question takes the answer the case chose, and
    // notes whether the wait window was up meanwhile.
    win32::msgbox::SetDefaultAnswerer([this](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      if ((box.style & 0xF) != win32::MB_YESNO || !keepAnswer)
        throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
      waitUpAtQuestion = WaitShown();
      return *keepAnswer ? win32::IDYES : win32::IDNO;
    });
  }
  void TearDown() override {
    lib.reset();
    RoadTest::TearDown();
  }

  bool InstallEnglish() {
    std::wstring path = testsource::InstallEnglishFile();
    if (path.empty()) return false;
    g_oLang = std::make_shared<CLang>();
    return g_oLang->Init(path, L"Tanvelo");
  }

  static bool WaitShown() {
    for (auto* form : forms::LoadedForms())
      if (dynamic_cast<frmWait*>(form) && form->Visible()) return true;
    return false;
  }
  static bool AnyFormLoaded() { return !forms::LoadedForms().empty(); }

  // The user picks the template in the picker and one mail or separate mails, then OK.
  void PickInPicker(const ItemPtr& tmpl, bool separate) {
    forms::QueueScript(L"frmSelectTemplate", [id = tmpl->EntryID(), separate](forms::User& u) {
      u.SelectNode(L"treFolders", L"N" + id);
      u.Choose(separate ? L"optSeparateMails" : L"optOneMail");
      u.Click(L"btnOK");
    });
  }

  ItemPtr Received(int32_t format, const std::wstring& subject) {
    auto body = format == outlook::olFormatHTML
                    ? L"<html><body><p>Hello Pat,</p><p>see you.</p></body></html>"
                    : L"Hello Pat,\r\nsee you.";
    auto mail = outlook::AddReceivedMail(p.inbox, p.kimRoe, subject, format, body);
    return mail;
  }

  static std::vector<std::wstring> AttachmentNames(const ItemPtr& item) {
    std::vector<std::wstring> names;
    for (int32_t i = 1; i <= item->Attachments()->Count(); ++i)
      names.push_back(item->Attachments()->Item(i)->FileName());
    return names;
  }

  std::shared_ptr<RL_CLib> lib;
  std::optional<bool> keepAnswer;  // the answer to "keep them in the drafts folder?"
  bool waitUpAtQuestion = false;
};

}  // namespace

TEST_F(EndToEnd, ConnectingFillsTheDialogsAndAResetTakesThemBack) {
  EXPECT_TRUE(Services().ShowSelectTemplate && Services().AskSendMessages && Services().ShowWait &&
              Services().HideWait && Services().CloseWait);
  Services().ShowWait();
  EXPECT_TRUE(WaitShown());
  Services().HideWait();
  EXPECT_FALSE(WaitShown());
  Services().CloseWait();
  EXPECT_FALSE(AnyFormLoaded());
  Services().CloseWait();  // twice is harmless

  Services().ShowWait();
  win32::ResetPlatform();
  EXPECT_FALSE(Services().ShowSelectTemplate || Services().AskSendMessages || Services().ShowWait ||
               Services().HideWait || Services().CloseWait);
  EXPECT_TRUE(Services().CreateJob);
  EXPECT_FALSE(Services().CreateJob()) << "no library after the reset";
  EXPECT_FALSE(AnyFormLoaded());
}

// One mail: merged, stamped, counted, filed and opened; the fields that have a value filled
// without a question, the others left as tokens for the send.
TEST_F(EndToEnd, OneMailIsMergedAndQuietlyPersonalizedInEveryFormat) {
  struct Case {
    const wchar_t* name;
    int32_t mailFormat, templateFormat, action, mergedFormat;
    std::wstring merged;  // the template's line as the made mail's text shows it
  };
  const std::wstring kTo = L"Kim Roe <kim.roe@partner.example>";
  const Case cases[] = {
      {L"reply, plain", outlook::olFormatPlain, outlook::olFormatPlain, kActionReply,
       outlook::olFormatPlain, L"Dear Kim (Kim Roe), to " + kTo + L" from Pat Doe."},
      {L"reply to all, HTML", outlook::olFormatHTML, outlook::olFormatHTML, kActionReplyAll,
       outlook::olFormatHTML, L"Dear Kim (Kim Roe), to " + kTo + L" from Pat Doe."},
      // A forward has nobody to take the fields from yet: they wait for the send.
      {L"forward, RTF", outlook::olFormatRichText, outlook::olFormatRichText, kActionForward,
       outlook::olFormatHTML, L"Dear %FirstName% (%FullName%), to %To% from Pat Doe."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    auto received = Received(c.mailFormat, L"Plans");
    ItemPtr tmpl;
    if (c.templateFormat == outlook::olFormatHTML) {
      tmpl =
          AddTemplate(L"Answer", c.templateFormat,
                      L"<html><body><p>" + kLines + L"</p><img src=\"cid:logo@tv\"></body></html>");
      AddAttachment(tmpl, L"logo.png", L"logo@tv");
    } else {
      tmpl = AddTemplate(L"Answer", c.templateFormat, kLines);
    }
    AddAttachment(tmpl, L"prices.txt");
    PickInPicker(tmpl, false);
    int32_t action = c.action;

    ASSERT_TRUE(DoTanvelo(received, action, kSelWholeMail, L""));
    EXPECT_EQ(0u, forms::PendingScripts(L"frmSelectTemplate"));
    auto filed = ItemsOf(tvDrafts);
    ASSERT_EQ(1u, filed.size());
    auto made = filed.front();
    EXPECT_EQ((c.action == kActionForward ? L"FW: " : L"RE: ") + std::wstring(L"Plans"),
              made->Subject());
    EXPECT_EQ(c.mergedFormat, made->BodyFormat());
    std::wstring body = made->Body();
    size_t at = body.find(c.merged), quoted = body.find(L"Hello Pat,");
    EXPECT_NE(std::wstring::npos, at) << body;
    EXPECT_LT(at, quoted) << body;
    if (c.mergedFormat == outlook::olFormatHTML) {
      // Values are written into the HTML escaped.
      EXPECT_EQ(c.action != kActionForward,
                made->HTMLBody().find(L"&lt;kim.roe@partner.example&gt;") != std::wstring::npos);
    }
    if (c.templateFormat == outlook::olFormatHTML) {
      ASSERT_EQ((std::vector<std::wstring>{L"logo.png", L"prices.txt"}), AttachmentNames(made));
      std::wstring cid = Cid(made->Attachments()->Item(1));
      EXPECT_TRUE(std::regex_match(cid, std::wregex(L"[0-9]{23}"))) << cid;
      EXPECT_NE(std::wstring::npos, made->HTMLBody().find(L"cid:" + cid));
    } else {
      // A forward keeps the received mail's own files in front of the template's.
      EXPECT_EQ(L"prices.txt", AttachmentNames(made).back());
    }
    EXPECT_EQ(Options().ProductCode(), Prop(made, kAddinProperty));
    EXPECT_EQ(L"1", Prop(made, kSendModeProperty));
    EXPECT_EQ(1, Uses(tmpl->EntryID(), c.action));
    EXPECT_TRUE(made->OpenInspector());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(AnyFormLoaded()) << "the wait window is closed";
    EXPECT_TRUE(ItemsOf(p.outbox).empty());
  }
}

namespace {

// A received mail from Kim Roe to the user, Lee Ann and the list "Partners" (Jo Bloggs, a
// contact, and Max Rye, who is none).
class SeparateMails : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    p.session->SetMoveAlwaysChangesEntryID(true);
    partners = std::make_shared<outlook::AddressEntry>(L"Partners", L"/O=NORVANE/CN=PARTNERS",
                                                       L"EX", L"partners@norvane.example");
    partners->AddMember(
        std::make_shared<outlook::AddressEntry>(L"Jo Bloggs", L"jo@bloggs.example", L"SMTP"));
    partners->AddMember(
        std::make_shared<outlook::AddressEntry>(L"Max Rye", L"max.rye@partner.example", L"SMTP"));
    p.session->AddressBook().Add(partners);
    received = Received(outlook::olFormatPlain, L"Offer");
    for (const auto& [entry, type] :
         {std::pair{p.leeAnn, outlook::olCC}, {partners, outlook::olCC}}) {
      auto r = received->Recipients()->Add(entry->Name());
      r->SetEntry(entry);
      r->SetType(type);
    }
    received->Save();
    tmpl = AddTemplate(L"Offer", outlook::olFormatPlain,
                       L"Dear %FirstName%,\r\nour offer.\r\n%MyName%\r\n");
  }

  bool ReplyAllSeparately() {
    PickInPicker(tmpl, true);
    int32_t action = kActionReplyAll;
    return DoTanvelo(received, action, kSelWholeMail, L"");
  }

  // "<recipient>:<type> <first line>" of each message.
  static std::vector<std::wstring> Describe(const FolderPtr& folder) {
    std::vector<std::wstring> texts;
    for (const auto& item : ItemsOf(folder)) {
      std::wstring text;
      for (const auto& r : *item->Recipients())
        text += r->Name() + L":" + std::to_wstring(r->Type()) + L" ";
      texts.push_back(text + item->Body().substr(0, item->Body().find(L"\r\n")));
    }
    return texts;
  }

  std::shared_ptr<outlook::AddressEntry> partners;
  ItemPtr received, tmpl;
};

}  // namespace

TEST_F(SeparateMails, OneMessagePerPersonWithItsOwnValuesSentOrFiledAsAnswered) {
  const std::vector<std::wstring> messages = {L"Kim Roe:1 Dear Kim,", L"Lee Ann:2 Dear Lee,",
                                              L"Jo Bloggs:2 Dear Jo,", L"Max Rye:2 Dear Max,"};
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep ? "kept" : "sent");
    SetUp();
    keepAnswer = keep;
    ASSERT_TRUE(ReplyAllSeparately());

    EXPECT_EQ(std::vector<std::wstring>{g_oLang->Item(L"STR_MULTIMSGS_PROMPT")}, Boxes());
    EXPECT_TRUE(waitUpAtQuestion);
    EXPECT_EQ(messages, Describe(keep ? tvDrafts : p.outbox));
    EXPECT_TRUE(ItemsOf(keep ? p.outbox : tvDrafts).empty());
    EXPECT_TRUE(ItemsOf(p.deleted).empty()) << "the prepared mail is gone for good";
    for (const auto& item : ItemsOf(keep ? tvDrafts : p.outbox)) {
      EXPECT_NE(std::wstring::npos, item->Body().find(L"\r\nPat Doe\r\n"));
      EXPECT_EQ(L"<none>", Prop(item, kSendModeProperty));
      EXPECT_EQ(Options().ProductCode(), Prop(item, kAddinProperty));
    }
    EXPECT_EQ(1, Uses(tmpl->EntryID(), kActionReplyAll));
    if (keep) {
      EXPECT_EQ(tvDrafts, p.app->ActiveExplorer()->CurrentFolder());
    } else {
      EXPECT_EQ(4, p.session->DeliverOutbox());
    }
    EXPECT_EQ(0, p.app->Inspectors()->Count());
    EXPECT_FALSE(AnyFormLoaded());
  }
}

TEST_F(SeparateMails, AMessageThatCannotBeFilledIsFiledAndReportedNotSent) {
  struct Case {
    const wchar_t* name;
    std::shared_ptr<outlook::AddressEntry> member;
    int asked;  // empty-field questions, each skipped
    std::wstring filed;
  };
  const Case cases[] = {
      // Known only by an address: no first name. The user is asked once and skips.
      {L"value skipped",
       std::make_shared<outlook::AddressEntry>(L"ops@partner.example", L"ops@partner.example",
                                               L"SMTP"),
       1, L"ops@partner.example:2 Dear ,"},
      // The values were read under his Exchange address, the list's member is added by his
      // SMTP address: the job finds no values for that copy and writes nothing.
      {L"Exchange member of a list", nullptr, 0, L"Sam Poe:2 Dear %FirstName%,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    partners->AddMember(c.member ? c.member : p.samPoe);
    int asked = 0;
    for (int i = 0; i < c.asked; ++i)
      forms::QueueScript(L"RL_frmEmptyField", [&](forms::User& u) {
        ++asked;
        u.Click(L"btnSkip");
      });
    keepAnswer = false;
    ASSERT_TRUE(ReplyAllSeparately());

    EXPECT_EQ(c.asked, asked);
    EXPECT_EQ(std::vector<std::wstring>{c.filed}, Describe(tvDrafts));
    EXPECT_EQ(4u, ItemsOf(p.outbox).size());
    for (const auto& sent : ItemsOf(p.outbox))
      EXPECT_EQ(std::wstring::npos, sent->Body().find(L"%")) << sent->Body();
    ASSERT_EQ(2u, Boxes().size());
    EXPECT_EQ(g_oLang->Item(L"STR_SEND2_FILED_EMPTY", 1, std::wstring(L"Tanvelo Drafts")),
              Boxes().back());
    EXPECT_EQ(tvDrafts, p.app->ActiveExplorer()->CurrentFolder());
  }
}
