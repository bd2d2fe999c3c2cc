// Replies, replies to all and forwards made from a template, checked on the made mail.
#include <fstream>
#include <regex>
#include <sstream>

#include "engine/RoadSupport.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

const std::wstring kHtmlTemplate =
    L"<html><head></head><body bgcolor=#FFEECC background=paper.gif>"
    L"<p>Dear %FirstName%,</p><p>thank you.</p><img src=\"cid:logo@tv\"></body></html>";

class ReplyRoad : public RoadTest {
 protected:
  // The one mail the road filed in the program drafts folder.
  ItemPtr Made() {
    auto items = ItemsOf(tvDrafts);
    EXPECT_EQ(1u, items.size());
    return items.empty() ? nullptr : items.front();
  }
  // The level "Item not found" was logged at by a save as template, 0 when it was not.
  static int32_t NotFoundLevel(size_t from = 0) {
    int32_t level = 0;
    const auto& log = support::library::Log();
    for (size_t i = from; i < log.size(); ++i)
      if (const auto& entry = log[i]; entry.procedure == L"mTanvelo::NewTemplateFromMail" &&
                                      entry.text.find(L"Item not found") != std::wstring::npos)
        level = std::max(level, entry.level);
    return level;
  }
  void ExpectNoLeftovers() {
    for (const auto& item : ItemsOf(p.drafts))
      EXPECT_EQ(std::wstring::npos, item->Subject().find(kTempItemPrefix)) << item->Subject();
    EXPECT_TRUE(ItemsOf(p.deleted).empty());
    EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());
  }
};

std::wstring Masked(std::wstring html) {
  return std::regex_replace(html, std::wregex(L"cid:[0-9]{23}"), L"cid:<new>");
}

}  // namespace

TEST_F(ReplyRoad, MergesEveryBodyFormatPairAboveTheQuotedMail) {
  struct Case {
    int mail;  // 0 plain, 1 HTML, 2 RTF
    int32_t templateFormat;
    int32_t action;
    int32_t mergedFormat;
  };
  for (auto c : std::vector<Case>{{0, outlook::olFormatPlain, 1, outlook::olFormatPlain},
                                  {0, outlook::olFormatHTML, 2, outlook::olFormatHTML},
                                  {1, outlook::olFormatPlain, 1, outlook::olFormatHTML},
                                  {1, outlook::olFormatHTML, 4, outlook::olFormatHTML},
                                  {2, outlook::olFormatPlain, 4, outlook::olFormatHTML},
                                  {2, outlook::olFormatRichText, 4, outlook::olFormatHTML}}) {
    Start(L"14.0.0.4760");
    ItemPtr received = c.mail == 0 ? p.plainMail : c.mail == 1 ? p.htmlMail : p.rtfMail;
    std::wstring text = L"Template text";
    auto tmpl = AddTemplate(L"Thanks", c.templateFormat,
                            c.templateFormat == outlook::olFormatHTML
                                ? L"<html><body><p>" + text + L"</p></body></html>"
                                : text);
    SetHotkeyProperties(tmpl, L"Ctrl+Alt+T", L"Reply");
    int32_t action = c.action;
    SCOPED_TRACE(received->Subject() + L" / " + std::to_wstring(c.templateFormat));

    ASSERT_TRUE(DoTanvelo(received, action, kSelWholeMail, tmpl->EntryID()));
    auto made = Made();
    ASSERT_TRUE(made);
    EXPECT_EQ((c.action == 4 ? L"FW: " : L"RE: ") + received->Subject(), made->Subject());
    EXPECT_EQ(c.mergedFormat, made->BodyFormat());
    std::wstring body = made->Body();
    size_t templateAt = body.find(text);
    size_t quotedAt = body.find(L"-----Original Message-----");
    ASSERT_NE(std::wstring::npos, templateAt) << body;
    EXPECT_LT(templateAt, quotedAt) << body;
    if (c.mergedFormat == outlook::olFormatPlain) {
      EXPECT_EQ(0u, body.find(text + L"\r\n\r\n-----Original")) << body;
    }
    EXPECT_EQ(L"1", Prop(made, kSendModeProperty));
    EXPECT_EQ(Options().ProductCode(), Prop(made, kAddinProperty));
    EXPECT_EQ(L"<none>", Prop(made, kHotkeyProperty));
    EXPECT_EQ(L"<none>", Prop(made, kHotkeyActionProperty));
    EXPECT_EQ(1, Uses(tmpl->EntryID(), c.action));
    EXPECT_TRUE(made->OpenInspector()) << "the mail is opened for editing";
    EXPECT_FALSE(world.waitShown);
    EXPECT_EQ(c.action == 4 ? 262 : 261,
              received->Props().Long(outlook::PR_ICON_INDEX));  // Outlook 2010
    EXPECT_TRUE(Boxes().empty());
    ExpectNoLeftovers();
  }
}

TEST_F(ReplyRoad, HtmlMergeCarriesTheBodyTagPicturesFilesAndRecipients) {
  auto tmpl = AddTemplate(L"Welcome", outlook::olFormatHTML, kHtmlTemplate);
  AddAttachment(tmpl, L"logo.png", L"logo@tv");
  AddAttachment(tmpl, L"price list.txt");               // no content id: a file
  AddAttachment(tmpl, L"unused.png", L"unused@tv");     // a content id nobody references
  AddRecipient(tmpl, L"Support", outlook::olCC);        // a list: its members come along
  AddRecipient(tmpl, L"Nobody Known", outlook::olBCC);  // cannot resolve
  win32::msgbox::Answer(win32::IDOK);                   // the pre-addressed information
  win32::msgbox::Answer(win32::IDOK);                   // the unresolved one: go on
  int32_t action = kActionReply;

  ASSERT_TRUE(DoTanvelo(p.htmlMail, action, kSelWholeMail, tmpl->EntryID()));
  auto made = ItemsOf(tvDrafts).at(0);
  std::wstring html = made->HTMLBody();
  // Outlook's reply keeps the quoted mail's own picture ("cid:image001..."); the template's
  // pictures come after it, the referenced one inline under a new content id.
  ASSERT_EQ(4, made->Attachments()->Count());
  auto quoted = made->Attachments()->Item(1);
  EXPECT_EQ(L"image001.png@01D00000.00000000", Cid(quoted));
  EXPECT_NE(std::wstring::npos, html.find(L"cid:" + Cid(quoted)));
  auto logo = made->Attachments()->Item(2);
  EXPECT_TRUE(std::regex_match(Cid(logo), std::wregex(L"[0-9]{23}"))) << Cid(logo);
  EXPECT_NE(std::wstring::npos, html.find(L"cid:" + Cid(logo)));
  EXPECT_EQ(std::wstring::npos, html.find(L"logo@tv"));
  EXPECT_EQ(-1, logo->Position());
  EXPECT_EQ(L"", Cid(made->Attachments()->Item(3)));
  EXPECT_EQ(L"price list.txt", made->Attachments()->Item(3)->FileName());
  EXPECT_EQ(L"", Cid(made->Attachments()->Item(4)));

  std::vector<std::wstring> recipients;
  for (const auto& r : *made->Recipients())
    recipients.push_back(r->Name() + L":" + std::to_wstring(r->Type()));
  EXPECT_EQ((std::vector<std::wstring>{L"Lee Ann:1", L"Kim Roe:2", L"Sam Poe:2"}), recipients);
  EXPECT_EQ(2u, Boxes().size());
  EXPECT_EQ(L"STR_BAD_RECIPIENTS\r\nNobody Known", Boxes()[1]);

  // The whole merged page, the new content id masked.
  std::string dump = win32::WideToMultiByte(win32::CP_UTF8, Masked(html));
  auto golden = testsource::SourceDir() / "tests/data/engine_road/html_reply.html";
  if (std::getenv("TV_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << dump;
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << golden;
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(expected.str(), dump);
}

TEST_F(ReplyRoad, QuietPersonalizationFillsWhatIsKnownAndKeepsTheRest) {
  auto tmpl = AddTemplate(L"Hello %FirstName%", outlook::olFormatPlain,
                          L"Dear %FirstName%, copies to %To%.\r\n");
  world.firstNames.clear();  // nobody's first name is known
  int32_t action = kActionReply;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  auto made = ItemsOf(tvDrafts).at(0);
  EXPECT_EQ(L"RE: Quarterly figures", made->Subject());
  EXPECT_EQ(0u, made->Body().find(L"Dear %FirstName%, copies to Kim Roe.")) << made->Body();
  EXPECT_EQ((std::vector<std::wstring>{L"Load top=0 silent=1 ignore=1", L"Replace leave=1"}),
            world.jobCalls);
}

// A contact that could not be looked up leaves the reply's tokens as they stand (the job told
// it): the reply is still made and opened, nothing filled as for a stranger.
TEST_F(ReplyRoad, AReplyWhoseContactWasNotLookedUpOpensWithItsTokens) {
  auto tmpl = AddTemplate(L"Hello", outlook::olFormatPlain, L"Dear %FirstName%,\r\n");
  world.contactUnread = true;
  int32_t action = kActionReply;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  auto made = ItemsOf(tvDrafts).at(0);
  EXPECT_EQ(0u, made->Body().find(L"Dear %FirstName%,")) << made->Body();
  EXPECT_TRUE(made->OpenInspector());
  EXPECT_EQ((std::vector<std::wstring>{L"Load top=0 silent=1 ignore=1"}), world.jobCalls);
  EXPECT_TRUE(testlog::LoggedContaining(
      L"mTanvelo::PersonalizeQuietly", L"The fields of \"RE: Quarterly figures\" were not filled"));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ReplyRoad, WithoutTheDraftsFolderOfTheStartAReplyIsMadeAndShownFromDrafts) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatPlain, L"Thank you.\r\n");
  g_oDraftsFolder.reset();  // it could not be found or made when the add-in started
  int32_t action = kActionReply;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  auto drafts = ItemsOf(p.drafts);
  ASSERT_EQ(1u, drafts.size());
  EXPECT_EQ(L"RE: Quarterly figures", drafts[0]->Subject());
  EXPECT_EQ(1, g_oApp->Inspectors()->Count());
}

TEST_F(ReplyRoad, APassingCopyIsDeletedForGoodThoughOneOfItsCallsFails) {
  for (uint64_t at = 1; at <= 12; ++at) {
    auto copy = p.drafts->Items()->Add();
    copy->SetSubject(kTempItemPrefix + std::wstring(L"copy"));
    copy->Save();
    win32::faults::Start({.at = at});
    DeleteItem(copy, true);
    win32::faults::Stop();
    EXPECT_TRUE(ItemsOf(p.drafts).empty()) << "call " << at << " failing";
    EXPECT_TRUE(ItemsOf(p.deleted).empty()) << "call " << at << " failing";
  }
}

TEST_F(ReplyRoad, APassingCopyOutlastsABurstOfRefusalsOrItsLeftoverIsLogged) {
  for (uint64_t span : {3u, 8u})
    for (uint64_t at = 1; at <= 12; ++at) {
      auto copy = p.drafts->Items()->Add();
      copy->SetSubject(kTempItemPrefix + std::wstring(L"copy"));
      copy->Save();
      win32::faults::Start({.at = at, .span = span});
      EXPECT_TRUE(DeleteItem(copy, true));
      win32::faults::Stop();
      EXPECT_TRUE(ItemsOf(p.drafts).empty()) << span << " calls from " << at << " failing";
      EXPECT_TRUE(ItemsOf(p.deleted).empty()) << span << " calls from " << at << " failing";
    }
  EXPECT_TRUE(support::library::Log().empty());

  // Refused past every try, the copy stays and that is told.
  auto copy = p.drafts->Items()->Add();
  copy->Save();
  win32::faults::Start({.at = 1, .span = 1000});
  EXPECT_FALSE(DeleteItem(copy, true));
  win32::faults::Stop();
  EXPECT_EQ(1u, ItemsOf(p.drafts).size());
  ASSERT_EQ(1u, support::library::Log().size());
  EXPECT_EQ(L"mTanvelo::DeleteItem(first delete)", support::library::Log()[0].procedure);
  EXPECT_EQ(kLevelError, support::library::Log()[0].level);
}

// A burst of refusals anywhere in a reply from a template leaves no passing copy, and the
// reply is either made and filed or gone, or the user is told.
TEST_F(ReplyRoad, AReplyUnderABurstOfRefusalsLeavesNoCopyAndNothingHalfMadeUntold) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatHTML, kHtmlTemplate);
  AddAttachment(tmpl, L"logo.png", L"logo@tv");
  AddAttachment(tmpl, L"terms.txt");
  // A template looked up and refused is picked again: the picker is a dialog the user sees.
  int picked = 0;
  Services().ShowSelectTemplate = [&](std::wstring&, int32_t&, int32_t, bool) {
    ++picked;
    return false;
  };
  auto reply = [&] {
    int32_t action = kActionReply;
    bool made = DoTanvelo(p.htmlMail, action, kSelWholeMail, tmpl->EntryID());
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    return made;
  };
  win32::faults::Start({.countOnly = true});
  ASSERT_TRUE(reply());
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 20u);
  for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
  for (const auto& item : ItemsOf(p.deleted)) item->Delete();

  for (uint64_t span : {3u, 8u})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t logged = support::library::Log().size(), boxes = Boxes().size();
      picked = 0;
      win32::faults::Start({.at = at, .span = span});
      const bool made = reply();
      win32::faults::Stop();
      bool errorLogged = false;
      for (size_t i = logged; i < support::library::Log().size(); ++i)
        errorLogged = errorLogged || support::library::Log()[i].level >= kLevelError;
      const bool told = errorLogged || Boxes().size() > boxes || picked > 0;
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      ExpectNoLeftovers();
      // "The merge failed" says nothing of a reply left in Drafts.
      EXPECT_TRUE(errorLogged || ItemsOf(p.drafts).empty())
          << where << ": a half-made reply, untold";
      EXPECT_TRUE(told || made || ItemsOf(tvDrafts).empty()) << where << ": a reply, untold";
      for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
        for (const auto& item : ItemsOf(folder)) item->Delete();
      for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    }
}

// Refused for as long as the held tries and one more, from each call: the reply is made, or
// the user sees a box (the picker, or that no message was made), and no copy stays behind.
TEST_F(ReplyRoad, AReplyUnderAHeldRunOfRefusalsIsMadeOrShownAsNotMade) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatHTML, kHtmlTemplate);
  AddAttachment(tmpl, L"terms.txt");
  int picked = 0;
  Services().ShowSelectTemplate = [&](std::wstring&, int32_t&, int32_t, bool) {
    ++picked;
    return false;
  };
  auto reply = [&] {
    int32_t action = kActionReply;
    bool made = DoTanvelo(p.htmlMail, action, kSelWholeMail, tmpl->EntryID());
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    return made;
  };
  win32::faults::Start({.countOnly = true});
  ASSERT_TRUE(reply());
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
  for (const auto& item : ItemsOf(p.deleted)) item->Delete();
  p.htmlMail->SetProp(outlook::PR_ICON_INDEX, int32_t{0});
  for (uint64_t span :
       {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t boxes = Boxes().size();
      picked = 0;
      win32::faults::Start({.at = at, .span = span});
      const bool made = reply();
      win32::faults::Stop();
      win32::clock::Advance(1000);
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      // Below the tries every step, the window's too, is asked again: made, shown, untold.
      if (span < uint64_t{kHeldTries}) {
        EXPECT_TRUE(made) << where;
        EXPECT_EQ(boxes, Boxes().size()) << where;
      }
      EXPECT_TRUE(made || picked > 0 || Boxes().size() > boxes) << where << ": not made, untold";
      EXPECT_TRUE(ItemsOf(p.drafts).empty()) << where;
      // Not opened, a reply stays only whole and told where it waits.
      const bool waits = Boxes().size() > boxes && Boxes().back() == L"IDS_REPLY_NOT_OPENED";
      EXPECT_TRUE(made || ItemsOf(tvDrafts).empty() || waits) << where;
      if (waits) {
        ASSERT_EQ(1u, ItemsOf(tvDrafts).size()) << where;
        EXPECT_TRUE(HasAddinStamp(ItemsOf(tvDrafts)[0])) << where;
      }
      EXPECT_TRUE(made || p.htmlMail->Props().Long(outlook::PR_ICON_INDEX) == 0)
          << where << ": marked as answered, no reply opened";
      p.htmlMail->SetProp(outlook::PR_ICON_INDEX, int32_t{0});
      for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
        for (const auto& item : ItemsOf(folder)) item->Delete();
      for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    }
}

// A text Outlook holds past every try (the template's, or the quoted mail's) is never merged
// as empty: the reply holds both, or it is not made and a box tells so. Plain into plain, and
// a plain mail under an HTML template.
TEST_F(ReplyRoad, AReplyIsNeverMadeWithoutATextItCouldNotRead) {
  for (int32_t format : {outlook::olFormatPlain, outlook::olFormatHTML}) {
    Start(L"14.0.0.4760");
    SCOPED_TRACE(format);
    const std::wstring text = L"Template text";
    auto tmpl = AddTemplate(
        L"Thanks", format,
        format == outlook::olFormatHTML ? L"<html><body><p>" + text + L"</p></body></html>" : text);
    int picked = 0;  // the template not found: the picker is shown
    Services().ShowSelectTemplate = [&](std::wstring&, int32_t&, int32_t, bool) {
      ++picked;
      return false;
    };
    auto reply = [&] {
      int32_t action = kActionReply;
      bool made = DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID());
      while (p.app->Inspectors()->Count() > 0)
        p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
      return made;
    };
    auto clear = [&] {
      for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
        for (const auto& item : ItemsOf(folder)) item->Delete();
      for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    };
    win32::faults::Start({.countOnly = true});
    ASSERT_TRUE(reply());
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    clear();
    for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
      for (uint64_t at = 1; at <= calls; ++at) {
        const size_t boxes = Boxes().size();
        picked = 0;
        win32::faults::Start({.at = at, .span = span});
        const bool made = reply();
        win32::faults::Stop();
        win32::clock::Advance(1000);
        const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
        auto items = ItemsOf(tvDrafts);
        if (made && !items.empty()) {
          const std::wstring body = items.front()->Body();
          EXPECT_NE(std::wstring::npos, body.find(text)) << where << ": no template text";
          EXPECT_NE(std::wstring::npos, body.find(L"the figures are attached"))
              << where << ": no quoted mail";
        } else {
          EXPECT_TRUE(picked > 0 || Boxes().size() > boxes) << where << ": not made, untold";
        }
        clear();
      }
  }
}

TEST_F(ReplyRoad, ANewTemplateIsMadeInItsFolderOrNotAtAllWhicheverCallFails) {
  for (uint64_t at = 1; at <= 30; ++at) {
    win32::faults::Start({.at = at});
    ItemPtr made = NewTemplate(nullptr);
    win32::faults::Stop();
    EXPECT_TRUE(ItemsOf(p.drafts).empty()) << "call " << at << " failing";
    EXPECT_TRUE(ItemsOf(p.deleted).empty()) << "call " << at << " failing";
    if (made) made->Delete(), ItemsOf(p.deleted).at(0)->Delete();
  }
}

// A template made (a new one, one from a mail, a duplicate) while Outlook refuses for as long as
// the held tries and one more, from each call: it carries the program's stamp, or an error
// names it.
TEST_F(ReplyRoad, ATemplateMadeUnderHeldRefusalsIsStampedOrToldByName) {
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
    return (box.style & 0xF) == win32::MB_OK ? win32::IDOK : win32::IDNO;  // not opened
  });
  auto original = AddTemplate(L"Original", outlook::olFormatPlain, L"Text.\r\n");
  const std::wstring originalId = original->EntryID();
  const std::vector<std::pair<const char*, std::function<void()>>> makers = {
      {"new", [] { NewTemplate(nullptr); }},
      {"from a mail",
       [&] { NewTemplateFromMail(p.plainMail->EntryID(), p.inbox->StoreID(), false); }},
      {"duplicate", [&] { OpenTemplateDuplicate(originalId); }}};
  auto made = [&] {
    std::vector<ItemPtr> items;
    for (const auto& item : ItemsOf(templates))
      if (item->EntryID() != originalId) items.push_back(item);
    return items;
  };
  auto clear = [&] {
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    for (const auto& item : made()) item->Delete();
    for (const auto& folder : {p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
  };
  for (const auto& [name, make] : makers) {
    SCOPED_TRACE(name);
    win32::faults::Start({.countOnly = true});
    make();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_EQ(1u, made().size());
    ASSERT_TRUE(HasAddinStamp(made().front()));
    clear();
    int unstamped = 0;
    for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
      for (uint64_t at = 1; at <= calls; ++at) {
        const size_t logged = support::library::Log().size();
        win32::faults::Start({.at = at, .span = span});
        make();
        win32::faults::Stop();
        win32::clock::Advance(1000);
        for (const auto& item : made()) {
          if (HasAddinStamp(item)) continue;
          ++unstamped;
          bool told = false;
          for (size_t i = logged; i < support::library::Log().size(); ++i)
            told = told ||
                   (support::library::Log()[i].level >= kLevelError &&
                    support::library::Log()[i].text.find(item->Subject()) != std::wstring::npos);
          EXPECT_TRUE(told) << span << " calls from " << at << ": " << item->Subject()
                            << " unstamped, untold";
        }
        clear();
      }
    // From a mail the stamp is asked for once more before the last save: one held run of
    // refusals leaves none unstamped there.
    if (std::string(name) != "from a mail") {
      EXPECT_GT(unstamped, 0);
    }
  }
}

TEST_F(ReplyRoad, AMailOutlookRefusesToASaveAsTemplateIsLoggedAsAnError) {
  // Refused for good: asked again, then told. The named mail, then the selected one.
  for (const std::wstring& id : {p.plainMail->EntryID(), std::wstring()}) {
    p.app->ActiveExplorer()->Select({p.plainMail});
    const size_t from = support::library::Log().size();
    win32::faults::Start({.at = 1, .span = 1000});
    NewTemplateFromMail(id, p.inbox->StoreID(), false);
    win32::faults::Stop();
    EXPECT_EQ(kLevelError, NotFoundLevel(from)) << (id.empty() ? "selected" : "named");
  }
  EXPECT_TRUE(ItemsOf(templates).empty());
}

TEST_F(ReplyRoad, ASaveAsTemplateWithNoMailToTakeIsOnlyNoted) {
  p.app->ActiveExplorer()->Select({});
  NewTemplateFromMail(L"", L"", false);
  EXPECT_EQ(kLevelInfo, NotFoundLevel()) << "nothing selected";
  const size_t from = support::library::Log().size();
  std::wstring gone = p.plainMail->EntryID();
  p.plainMail->Delete();
  for (const auto& item : ItemsOf(p.deleted)) item->Delete();
  NewTemplateFromMail(gone, p.inbox->StoreID(), false);
  EXPECT_EQ(kLevelInfo, NotFoundLevel(from)) << "an EntryID naming no item";
  EXPECT_TRUE(ItemsOf(templates).empty());
}

TEST_F(ReplyRoad, ALookupOutlookRefusesOnceIsAskedAgainForASaveAsTemplate) {
  for (const std::wstring& id : {p.plainMail->EntryID(), std::wstring()}) {
    p.app->ActiveExplorer()->Select({p.plainMail});
    win32::msgbox::Answer(win32::IDNO);
    win32::faults::Start({.at = 1});
    NewTemplateFromMail(id, p.inbox->StoreID(), false);
    win32::faults::Stop();
    EXPECT_EQ(0, NotFoundLevel());
  }
  EXPECT_EQ(2u, ItemsOf(templates).size());
}

TEST_F(ReplyRoad, ATemporaryFolderGoesThoughOneOfItsDeletionsIsRefused) {
  for (uint64_t at = 1; at <= 2; ++at) {
    {
      road::TempFolder folder(road::TempPath() + L"\\TVtest");
      std::wstring file = folder.FileFor(L"image001.png", L"file");
      ASSERT_TRUE(win32::files::WriteAll(win32::ToAnsi(file), "png"));
      win32::faults::Start({.at = at});
    }
    win32::faults::Stop();
    EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk()) << "call " << at << " failing";
  }
}

TEST_F(ReplyRoad, AnItemLookedUpAgainIsNotLostToOneRefusal) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatPlain, L"Thank you.\r\n");
  for (uint64_t at = 1; at <= 6; ++at) {
    ItemPtr item = tmpl;
    win32::faults::Start({.at = at});
    ReloadItem(item);
    win32::faults::Stop();
    ASSERT_TRUE(item) << "call " << at << " failing";
    EXPECT_EQ(tmpl->EntryID(), item->EntryID());
  }
}

TEST_F(ReplyRoad, TemporaryFilesOutlastABurstOfRefusalsOrTheirLeftoverIsLogged) {
  for (uint64_t at = 1; at <= 2; ++at) {
    {
      road::TempFolder folder(road::TempPath() + L"\\TVtest");
      std::wstring file = folder.FileFor(L"image001.png", L"file");
      ASSERT_TRUE(win32::files::WriteAll(win32::ToAnsi(file), "png"));
      win32::faults::Start({.at = at, .span = 8});
    }
    win32::faults::Stop();
    EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk()) << "from call " << at;
  }
  EXPECT_TRUE(support::library::Log().empty());
  {
    road::TempFolder folder(road::TempPath() + L"\\TVtest");
    ASSERT_TRUE(win32::files::WriteAll(win32::ToAnsi(folder.FileFor(L"a.png", L"file")), "png"));
    win32::faults::Start({.at = 1, .span = 1000});
  }
  win32::faults::Stop();
  EXPECT_TRUE(Logged(L"mTanvelo::TempFolder::DeleteFile"));
  EXPECT_TRUE(Logged(L"mTanvelo::TempFolder::Remove"));
}

TEST_F(ReplyRoad, AFileWhoseDeletionWasRefusedAtEveryTryGoesWithItsFolder) {
  // Refused as often as it was asked, the file stayed below TEMP for good.
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    {
      road::TempFolder folder(road::TempPath() + L"\\TVtest");
      std::wstring file = folder.FileFor(L"image001.png", L"file");
      ASSERT_TRUE(win32::files::WriteAll(win32::ToAnsi(file), "png"));
      win32::faults::Start({.at = 1, .span = span});
      folder.DeleteFile();
      win32::faults::Stop();
      ASSERT_GT(win32::faults::Counts().raised, 0u);
      folder.FileFor(L"next.png", L"file");  // the folder goes on to another file
    }
    EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk()) << span << " refusals";
  }
  EXPECT_TRUE(support::library::Log().empty());
}

TEST_F(ReplyRoad, AnItemLookedUpAgainOutlastsABurstOfRefusals) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatPlain, L"Thank you.\r\n");
  for (uint64_t at = 1; at <= 6; ++at) {
    ItemPtr item = tmpl;
    win32::faults::Start({.at = at, .span = 8});
    ReloadItem(item);
    win32::faults::Stop();
    ASSERT_TRUE(item) << "8 calls from " << at << " failing";
    EXPECT_EQ(tmpl->EntryID(), item->EntryID());
  }
  ItemPtr item = tmpl;
  win32::faults::Start({.at = 1, .span = 1000});
  ReloadItem(item);
  win32::faults::Stop();
  EXPECT_FALSE(item);
  EXPECT_TRUE(Logged(L"mTanvelo::ReloadItem"));
}

TEST_F(ReplyRoad, ChecksComeBeforeAnythingIsMade) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  auto anonymous =
      outlook::AddReceivedMail(p.inbox, p.kimRoe, L"No sender", outlook::olFormatPlain, L"body");
  anonymous->SetSender(L"", L"", L"");
  anonymous->Save();

  int32_t reply = kActionReply, forward = kActionForward, invalid = 16;
  EXPECT_FALSE(DoTanvelo(anonymous, reply, kSelWholeMail, tmpl->EntryID()));
  EXPECT_EQ(std::vector<std::wstring>{L"IDS_CANNOTREPLYNOSENDER"}, Boxes());
  EXPECT_TRUE(DoTanvelo(anonymous, forward, kSelWholeMail, tmpl->EntryID()));
  EXPECT_FALSE(DoTanvelo(p.plainMail, invalid, kSelWholeMail, tmpl->EntryID()));
  EXPECT_TRUE(Logged(L"mTanvelo::CreateReply", L"invalid action - 16"));
  EXPECT_EQ(L"IDS_CANNOTFORWARD", Boxes().back());
  EXPECT_EQ(1u, ItemsOf(tvDrafts).size());

  // A template id that names nothing any more opens the picker; Cancel makes nothing.
  world.picker.push_back({false, L"", 1});
  EXPECT_FALSE(DoTanvelo(p.plainMail, reply, kSelWholeMail, L"00DEADBEEF"));
  EXPECT_EQ(std::vector<std::wstring>{L"00DEADBEEF|1|3"}, world.pickerAsked);
  EXPECT_EQ(1u, ItemsOf(tvDrafts).size());

  g_oTemplatesFolder.reset();
  EXPECT_FALSE(DoTanvelo(p.plainMail, reply, kSelWholeMail, tmpl->EntryID()));
  EXPECT_EQ(L"IDS_NO_TVFOLDER", Boxes().back());
}

TEST_F(ReplyRoad, PreaddressedTemplateCanBeCancelledAtEitherQuestion) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  AddRecipient(tmpl, L"Nobody Known");
  int32_t action = kActionReply;
  for (int cancelAt : {1, 2}) {
    win32::msgbox::Answer(cancelAt == 1 ? win32::IDCANCEL : win32::IDOK);
    win32::msgbox::Answer(cancelAt == 2 ? win32::IDCANCEL : win32::IDOK);
    world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
    EXPECT_FALSE(DoTanvelo(p.plainMail, action, kSelWholeMail, L""));
  }
  EXPECT_TRUE(ItemsOf(tvDrafts).empty());
  EXPECT_EQ(4u, Boxes().size());
  EXPECT_EQ(L"STR_TMPL_PREADRESSED2", Boxes()[0]);
  EXPECT_EQ(49u, win32::msgbox::Shown()[0].style);
  EXPECT_EQ(1u, win32::msgbox::Shown()[1].style);
}

TEST_F(ReplyRoad, AFailedMergeIsNeitherCountedFiledOpenedNorSent) {
  // No end of the body: the template's text cannot be placed.
  auto broken = AddTemplate(L"Broken", outlook::olFormatHTML, L"<html><body><p>Half");
  AddRecipient(broken, L"Kim Roe <kim.roe@partner.example>");
  for (int32_t mode : {kSendModeOne, kSendModeSeparate}) {
    world.picker.push_back({true, broken->EntryID(), mode});
    win32::msgbox::Answer(win32::IDOK);  // pre-addressed
    win32::msgbox::Answer(win32::IDOK);  // the merge failed
    int32_t action = kActionReplyAll;
    EXPECT_FALSE(DoTanvelo(p.htmlMail, action, kSelWholeMail, L""));
    EXPECT_EQ(L"IDS_TEMPLATE_MERGE_FAILED", Boxes().back());
  }
  EXPECT_TRUE(ItemsOf(tvDrafts).empty());
  EXPECT_TRUE(ItemsOf(p.drafts).empty());
  EXPECT_TRUE(ItemsOf(p.outbox).empty());
  EXPECT_EQ(0, Uses(broken->EntryID(), kActionReplyAll));
  EXPECT_EQ(0, p.app->Inspectors()->Count());
  EXPECT_EQ(0, p.htmlMail->Props().Long(outlook::PR_ICON_INDEX));
  EXPECT_TRUE(ItemsOf(p.deleted).empty());
  EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());
}

// Which step failed decides what stays: a reply refused before it was whole (filed and
// stamped) is not kept and the box does not blame the template; a whole one whose window was
// refused waits in the drafts, told. The answered mail is marked only once the reply opens.
TEST_F(ReplyRoad, AReplyRefusedAfterItWasMadeIsKeptWholeOrNotAtAllAndToldWhatFailed) {
  auto tmpl = AddTemplate(L"Thanks", outlook::olFormatPlain, L"Template text");
  int32_t action = kActionReply;
  auto reply = [&] { return DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()); };
  auto clear = [&] {
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    for (const auto& folder : {tvDrafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
    for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    p.plainMail->SetProp(outlook::PR_ICON_INDEX, int32_t{0});
  };
  // Outlook's window for the reply refused from the call that opens it, past its tries.
  auto refuseWindow = [&] {
    uint64_t displayCall = 0;
    auto opened = p.app->Inspectors()->NewInspector.Subscribe(
        [&](std::shared_ptr<outlook::Inspector>) { displayCall = win32::faults::Counts().calls; });
    // Counted once made: the first reply after a step refused may make a call more.
    for (int round = 0; round < 2; ++round) {
      win32::faults::Start({.countOnly = true});
      ASSERT_TRUE(reply());
      win32::faults::Stop();
      clear();
    }
    ASSERT_GT(displayCall, 0u);
    win32::faults::Start({.at = displayCall, .span = kHeldTries + 1});
  };
  struct Case {
    const char* name;
    int32_t action;
    std::function<void()> refuse, undo;
    const wchar_t* box;  // none: the reply opens
    bool kept;           // the whole reply stays in the drafts
  };
  const Case cases[] = {
      {"the filing in the drafts refused for good", kActionReply,
       [&] {
         g_oDraftsFolder = p.inbox->Folders()->Add(L"Gone");
         g_oDraftsFolder->Delete();
       },
       [&] { g_oDraftsFolder = tvDrafts; }, L"IDS_CANNOTFORWARD", false},
      {"the template's safe item not to be had", kActionForward, [] { redemption::Uninstall(); },
       [] { redemption::Install(); }, L"IDS_CANNOTFORWARD", false},
      {"the reply's window refused past its tries", kActionReply, refuseWindow,
       [] { win32::faults::Stop(); }, L"IDS_REPLY_NOT_OPENED", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    action = c.action;
    c.refuse();
    const size_t boxes = Boxes().size(), logged = support::library::Log().size();
    const bool made = reply();
    c.undo();
    const bool opens = c.box == nullptr;
    EXPECT_EQ(opens, made);
    const auto all = Boxes();
    EXPECT_EQ(
        opens ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.box},
        std::vector<std::wstring>(all.begin() + static_cast<std::ptrdiff_t>(boxes), all.end()));
    EXPECT_EQ(opens ? 1 : 0, p.app->Inspectors()->Count());
    EXPECT_EQ(opens, p.plainMail->Props().Long(outlook::PR_ICON_INDEX) != 0)
        << "marked only once the reply opens";
    EXPECT_TRUE(ItemsOf(p.drafts).empty()) << "left half merged";
    EXPECT_TRUE(ItemsOf(p.deleted).empty());
    const auto kept = ItemsOf(tvDrafts);
    ASSERT_EQ(c.kept ? 1u : 0u, kept.size());
    if (c.kept) {
      EXPECT_TRUE(HasAddinStamp(kept[0]));
      EXPECT_NE(std::wstring::npos, kept[0]->Body().find(L"Template text"));
    }
    bool errorLogged = false;
    for (size_t i = logged; i < support::library::Log().size(); ++i)
      errorLogged = errorLogged || support::library::Log()[i].level >= kLevelError;
    EXPECT_TRUE(errorLogged);
    clear();
  }
}

// The quiet fill runs on a whole reply: a mail it cannot even look up costs the fill (logged),
// never the reply, so the error does not reach the road that would then keep it unopened.
TEST_F(ReplyRoad, TheQuietFillOfAMailItCannotLookUpIsLoggedNotRaised) {
  auto gone = outlook::AddReceivedMail(tvDrafts, p.kimRoe, L"Gone", outlook::olFormatPlain, L"x");
  gone->Delete();
  EXPECT_TRUE(vb::Catch([&] { road::PersonalizeQuietly(gone); }));
  EXPECT_TRUE(Logged(L"mTanvelo::PersonalizeQuietly", L"were not filled"));
}

// A fill that raises part way costs the fill, never the mail: reply and new mail are shown,
// their tokens left for the Send, the log naming them.
TEST_F(ReplyRoad, AQuietFillThatRaisesStillShowsTheMailWithItsTokens) {
  auto tmpl = AddTemplate(L"Hello", outlook::olFormatPlain, L"Dear %FirstName%");
  const std::vector<std::function<bool()>> roads{[&] {
                                                   int32_t action = kActionReply;
                                                   return DoTanvelo(p.plainMail, action,
                                                                    kSelWholeMail, tmpl->EntryID());
                                                 },
                                                 [&] {
                                                   bool focus = false;
                                                   NewMailFromTemplate(tmpl->EntryID(), focus);
                                                   return p.app->Inspectors()->Count() == 1;
                                                 }};
  for (size_t road = 0; road < roads.size(); ++road) {
    world.replaces = 0;
    world.failReplaceAt = 1;
    const size_t boxes = Boxes().size();
    EXPECT_TRUE(roads[road]()) << road;
    EXPECT_EQ(boxes, Boxes().size()) << road;
    ASSERT_EQ(1, p.app->Inspectors()->Count()) << road;
    EXPECT_NE(std::wstring::npos, ItemsOf(tvDrafts).at(0)->Body().find(L"%FirstName%")) << road;
    EXPECT_TRUE(Logged(L"mTanvelo::PersonalizeQuietly", L"were not filled")) << road;
    p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
  }
}

TEST_F(ReplyRoad, ATemplateCopyThatCannotBeMovedIsNotLeftBehind) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  p.drafts->Delete();  // Outlook's Drafts refuses the temporary copy
  int32_t action = kActionReply;
  EXPECT_FALSE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  EXPECT_EQ(L"IDS_CANNOTFORWARD", Boxes().back()) << "Outlook's refusal, not the template's";
  EXPECT_EQ(std::vector<ItemPtr>{tmpl}, ItemsOf(templates)) << "no duplicate of the template";
  EXPECT_TRUE(ItemsOf(p.deleted).empty());
}

TEST_F(ReplyRoad, AttachmentFileNamesCannotLeaveTheTemporaryFolder) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  for (const auto* name : {L"..\\..\\Windows\\evil.dll", L"C:\\boot.ini", L"a:b*?<>|\".txt", L"",
                           L"CON", L"....", L"\u5831\u544a.pdf", L"\uFF0E\uFF0E\uFF3Cevil.dll"})
    AddAttachment(tmpl, name);
  int32_t action = kActionForward;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  auto made = ItemsOf(tvDrafts).at(0);
  std::vector<std::wstring> names;
  for (const auto& a : *made->Attachments()) names.push_back(a->FileName());
  // With the separators gone, dots are a name's own; a name of dots alone gets its number.
  EXPECT_EQ((std::vector<std::wstring>{L".._.._Windows_evil.dll", L"C__boot.ini", L"a_b______.txt",
                                       L"4", L"_CON", L"6", L"__.pdf", L"___evil.dll"}),
            names);
  EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());
}

TEST(SafeFileNames, KeepOrdinaryNamesAndDefuseTheRest) {
  struct Case {
    const wchar_t *in, *out;
  };
  for (auto c : std::vector<Case>{{L"report.pdf", L"report.pdf"},
                                  {L"a/b\\c.txt", L"a_b_c.txt"},
                                  {L"..", L"#"},
                                  // Without separators, dots and leading blanks are a name's.
                                  {L"x..y", L"x..y"},
                                  {L"..\\..\\x", L".._.._x"},
                                  {L"  lead.txt", L"  lead.txt"},
                                  {L"  nul.txt", L"_  nul.txt"},
                                  {L"name. ", L"name"},
                                  {L"lpt1.txt", L"_lpt1.txt"},
                                  // Names Windows still opens as devices.
                                  {L"CON .txt", L"_CON .txt"},
                                  {L"com0.log", L"_com0.log"},
                                  {L"COM\u00B9", L"_COM\u00B9"},
                                  {L"lpt\u00B3.x", L"_lpt\u00B3.x"},
                                  {L"LPT0", L"_LPT0"},
                                  {L"conin$", L"_conin$"},
                                  {L"CONOUT$.txt", L"_CONOUT$.txt"},
                                  {L"CONSOLE.txt", L"CONSOLE.txt"},
                                  {L"COM10", L"COM10"},
                                  {L"tab\there", L"tab_here"},
                                  // What the ANSI file calls cannot hold: never a "?" in a path.
                                  {L"\u5831\u544a.pdf", L"__.pdf"},
                                  {L"\uFF0E\uFF0E\uFF0Fx", L"___x"},
                                  {L"r\u00e9sum\u00e9 \u20ac.doc", L"r\u00e9sum\u00e9 \u20ac.doc"},
                                  {L"", L"#"}}) {
    EXPECT_EQ(std::wstring(c.out), SafeFileName(c.in, L"#")) << c.in;
  }
  // Shortened to fit, the extension kept.
  EXPECT_EQ(std::wstring(16, L'a') + L".pdf",
            SafeFileName(std::wstring(300, L'a') + L".pdf", L"#", 20));
  EXPECT_EQ(std::wstring(20, L'x'), SafeFileName(std::wstring(30, L'x'), L"#", 20));
  EXPECT_EQ(L"CO.txt", SafeFileName(L"CON" + std::wstring(40, L' ') + L".txt", L"#", 6));
  EXPECT_EQ(L"b.eee", SafeFileName(L"b." + std::wstring(40, L'e'), L"#", 5));
  EXPECT_EQ(L"_CON", SafeFileName(L"CON", L"#", 4));
  // The mark of a device name takes room: what is cut off must not leave a trailing dot.
  EXPECT_EQ(L"_COM\u00B9", SafeFileName(L"COM\u00B9." + std::wstring(10, L'x'), L"#", 6));
}

TEST_F(ReplyRoad, ALongAttachmentNameIsShortenedToFitTheTemporaryFolder) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  AddAttachment(tmpl, std::wstring(240, L'n') + L".docx");
  int32_t action = kActionForward;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  auto made = ItemsOf(tvDrafts).at(0);
  ASSERT_EQ(1, made->Attachments()->Count());
  std::wstring name = made->Attachments()->Item(1)->FileName();
  EXPECT_TRUE(name.ends_with(L".docx")) << std::string(name.begin(), name.end());
  EXPECT_TRUE(name.starts_with(L"nnnn"));
  EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());
}

TEST_F(ReplyRoad, ATemplateActionInsideAnotherIsRefused) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  AddRecipient(tmpl, L"Kim Roe <kim.roe@partner.example>");
  bool inner = true;
  // A hotkey's timer fires while the pre-addressed message is up.
  win32::msgbox::SetDefaultAnswerer([&](const win32::ShownMessageBox&) {
    int32_t action = kActionReply;
    inner = DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID());
    bool focus = false;
    NewMailFromTemplate(tmpl->EntryID(), focus);
    return win32::IDOK;
  });
  int32_t action = kActionReply;
  EXPECT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  win32::msgbox::SetDefaultAnswerer(OkOnly);
  EXPECT_FALSE(inner);
  EXPECT_TRUE(Logged(L"mTanvelo::DoTanvelo", L"another template action"));
  EXPECT_TRUE(Logged(L"mTanvelo::NewMailFromTemplate", L"another template action"));
  EXPECT_EQ(1u, ItemsOf(tvDrafts).size());
  EXPECT_FALSE(IsTemplateActionRunning());
}

TEST_F(ReplyRoad, OlderOutlookLeavesTheAnsweredMailAlone) {
  Start(L"12.0.0.6423");
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"x");
  int32_t action = kActionReply;
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
  EXPECT_EQ(0, p.plainMail->Props().Long(outlook::PR_ICON_INDEX));
}

TEST_F(ReplyRoad, ATemplateTheUserAskedToEditOpensUnderOneRefusal) {
  // Said yes to editing it, the user would otherwise find no window, told nothing.
  auto make = [&](const win32::faults::Plan& plan) {
    for (const auto& item : ItemsOf(templates)) item->Delete();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    win32::msgbox::Answer(win32::IDYES);
    win32::faults::Start(plan);
    NewTemplateFromMail(p.plainMail->EntryID(), p.inbox->StoreID(), false);
    win32::faults::Stop();
    while (win32::msgbox::PendingAnswers() > 0) win32::MessageBoxW(0, L"", L"", win32::MB_YESNO);
  };
  make({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1, p.app->Inspectors()->Count());
  for (uint64_t at = 1; at <= calls; ++at) {
    make({.at = at});
    if (ItemsOf(templates).empty()) continue;
    EXPECT_EQ(1, p.app->Inspectors()->Count()) << "refused at call " << at;
  }
}

// A template made from a mail while its stamp is refused past every try is still made, and
// the log names the mail it was made from.
TEST_F(ReplyRoad, ATemplateFromAMailMadeWithoutItsStampIsToldByName) {
  const std::wstring subject = p.plainMail->Subject();
  auto make = [&](const win32::faults::Plan& plan) {
    for (const auto& item : ItemsOf(templates)) item->Delete();
    win32::msgbox::Answer(win32::IDNO);
    win32::faults::Start(plan);
    NewTemplateFromMail(p.plainMail->EntryID(), p.inbox->StoreID(), false);
    win32::faults::Stop();
    while (win32::msgbox::PendingAnswers() > 0) win32::MessageBoxW(0, L"", L"", win32::MB_YESNO);
  };
  make({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  int unstamped = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t from = support::library::Log().size();
    make({.at = at, .span = kHeldTries});
    for (const auto& item : ItemsOf(templates)) {
      if (HasAddinStamp(item)) continue;
      ++unstamped;
      bool told = false;
      for (size_t i = from; i < support::library::Log().size(); ++i) {
        const auto& e = support::library::Log()[i];
        told = told || (e.level >= kLevelError &&
                        e.text.find(L"without the program's stamp") != std::wstring::npos &&
                        e.text.find(subject) != std::wstring::npos);
      }
      EXPECT_TRUE(told) << "refused from call " << at;
    }
  }
  // The stamp is asked for once more before the last save: a held run alone leaves it stamped.
  EXPECT_EQ(0, unstamped);
}
