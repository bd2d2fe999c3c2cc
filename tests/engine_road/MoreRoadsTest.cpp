// Replies to a selection, new mail from a template, new templates and the conversion of old
// post-item templates.
#include <functional>

#include "platform/office/BuiltInBars.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Inspector.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Keyboard.h"
#include "tests/engine_road/RoadTest.h"

using namespace mTanvelo;

namespace {

class SelectionRoad : public RoadTest {
 protected:
  // The reply's quoted part: what follows the quoted header.
  std::wstring Quoted() {
    auto made = ItemsOf(tvDrafts).at(0);
    std::wstring body = made->Body();
    return body.substr(body.find(L"Subject: "));
  }
  // A reply from the open mail's inspector under `plan`, the user's own text on the clipboard;
  // every window it opened closed again.
  bool ReplyUnder(const win32::faults::Plan& plan, const std::wstring& templateId) {
    int32_t action = kActionReply;
    win32::clipboard::SetText(L"the user's own text");
    win32::faults::Start(plan);
    bool made = DoTanvelo(p.plainMail, action, kSelInspector, templateId);
    win32::faults::Stop();
    while (p.app->Inspectors()->Count() > 1)
      p.app->Inspectors()->Item(p.app->Inspectors()->Count())->Close(outlook::olDiscard);
    return made;
  }
  // Whether a box or an error-level line came since the counts given.
  bool ToldSince(size_t logged, size_t boxes) {
    bool told = Boxes().size() > boxes;
    for (size_t i = logged; i < support::library::Log().size(); ++i)
      told = told || support::library::Log()[i].level >= kLevelError;
    return told;
  }
  void ExpectTemporaryCopyGone() {
    EXPECT_TRUE(ItemsOf(p.drafts).empty());
    EXPECT_TRUE(ItemsOf(p.deleted).empty());
    EXPECT_EQ(3u, ItemsOf(p.inbox).size());
  }
};

// The reading pane of an explorer, as the keyboard sees it.
class ReadingPane : public win32::FocusedEditor {
 public:
  explicit ReadingPane(std::wstring selected) : selected_(std::move(selected)) {}
  std::wstring SelectedText() const override { return selected_; }
  void ReplaceSelection(const std::wstring&) override {}

 private:
  std::wstring selected_;
};

}  // namespace

TEST_F(SelectionRoad, InspectorSelectionIsAnsweredAloneAndTheClipboardKept) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  p.plainMail->Display(false);
  auto inspector = p.plainMail->GetInspector();
  std::wstring text = p.plainMail->Body();
  const std::wstring part = L"the figures are attached.";
  win32::keyboard::SetFocus(inspector);
  win32::clipboard::SetText(L"the user's own text");
  int32_t action = kActionReply;

  inspector->SetSelection(static_cast<int32_t>(text.find(part)), static_cast<int32_t>(part.size()));
  EXPECT_FALSE(CreateMailFromSelText2(nullptr, true, false)) << "no mail to copy";
  EXPECT_TRUE(Logged(L"mTanvelo::CreateMailFromSelText2"));
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelInspector, tmpl->EntryID()));
  EXPECT_NE(std::wstring::npos, Quoted().find(part));
  EXPECT_EQ(std::wstring::npos, Quoted().find(L"Hello Pat")) << Quoted();
  EXPECT_EQ(L"RE: Quarterly figures", ItemsOf(tvDrafts).at(0)->Subject());
  EXPECT_EQ(L"the user's own text", win32::clipboard::Text());
  ExpectTemporaryCopyGone();

  // Nothing selected: the whole mail, without a word.
  ItemsOf(tvDrafts).at(0)->Delete();
  inspector->SetCaret(0);
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelInspector, tmpl->EntryID()));
  EXPECT_NE(std::wstring::npos, Quoted().find(L"Hello Pat"));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(L"the user's own text", win32::clipboard::Text());
}

// A run of refusals anywhere in a reply to a selection: the reply quotes the selection, or the
// user is told; the whole mail is never answered silently in its place.
TEST_F(SelectionRoad, ASelectionReadUnderARunOfRefusalsIsTheSelectionOrTold) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  p.plainMail->Display(false);
  auto inspector = p.plainMail->GetInspector();
  const std::wstring text = p.plainMail->Body(), part = L"the figures are attached.";
  win32::keyboard::SetFocus(inspector);
  inspector->SetSelection(static_cast<int32_t>(text.find(part)), static_cast<int32_t>(part.size()));
  auto reply = [&](const win32::faults::Plan& plan) { return ReplyUnder(plan, tmpl->EntryID()); };
  // Then nothing selected: the whole mail, never the clipboard's old text.
  for (bool selected : {true, false}) {
    if (!selected) inspector->SetCaret(0);
    for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
    ASSERT_TRUE(reply({.countOnly = true}));
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t span : {3u, 8u})
      for (uint64_t at = 1; at <= calls; ++at) {
        for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
        for (const auto& item : ItemsOf(p.deleted)) item->Delete();
        const size_t logged = support::library::Log().size(), boxes = Boxes().size();
        const bool made = reply({.at = at, .span = span});
        bool told = ToldSince(logged, boxes);
        if (!made || told) continue;
        const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
        EXPECT_EQ(std::wstring::npos, Quoted().find(L"the user's own text")) << where;
        if (selected) {
          EXPECT_EQ(std::wstring::npos, Quoted().find(L"Hello Pat"))
              << where << ": the whole mail answered, untold";
        }
      }
  }
}

// One refusal anywhere in a reply to a selection: the reply, if made, quotes the selection alone,
// or a box told the user why not.
TEST_F(SelectionRoad, ASelectionReplyUnderOneRefusalQuotesTheSelectionOrABoxTells) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  p.plainMail->Display(false);
  auto inspector = p.plainMail->GetInspector();
  const std::wstring text = p.plainMail->Body(), part = L"the figures are attached.";
  win32::keyboard::SetFocus(inspector);
  inspector->SetSelection(static_cast<int32_t>(text.find(part)), static_cast<int32_t>(part.size()));
  ASSERT_TRUE(ReplyUnder({.countOnly = true}, tmpl->EntryID()));
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
    for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    const size_t boxes = Boxes().size();
    if (!ReplyUnder({.at = at}, tmpl->EntryID()) || Boxes().size() > boxes) continue;
    EXPECT_EQ(std::wstring::npos, Quoted().find(L"Hello Pat"))
        << "refused at call " << at << ": the whole mail answered";
  }
}

// Nothing selected and the clipboard refused for as long as the held tries, anywhere (its
// emptying before the copy among them): the user's own clipboard text is never quoted untold.
TEST_F(SelectionRoad, TheUsersClipboardTextIsNeverQuotedAsTheSelectionUnderALastingRefusal) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  mTanvelo::Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) {
    return false;  // a template lookup refused as long: the user cancels the picker
  };
  p.plainMail->Display(false);
  auto inspector = p.plainMail->GetInspector();
  win32::keyboard::SetFocus(inspector);
  inspector->SetCaret(0);
  auto reply = [&](const win32::faults::Plan& plan) { return ReplyUnder(plan, tmpl->EntryID()); };
  ASSERT_TRUE(reply({.countOnly = true}));
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t at = 1; at <= calls; ++at) {
    for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
    for (const auto& item : ItemsOf(p.deleted)) item->Delete();
    const size_t logged = support::library::Log().size(), boxes = Boxes().size();
    const bool made = reply({.at = at, .span = kHeldTries});
    bool told = ToldSince(logged, boxes);
    if (!made || told) continue;
    EXPECT_EQ(std::wstring::npos, Quoted().find(L"the user's own text"))
        << kHeldTries << " calls from " << at;
  }
}

// The selection copied under kHeldTries refusals and one more, from each call: the user's
// clipboard is never written over unread, and is there again after the reply.
TEST_F(SelectionRoad, TheUsersClipboardSurvivesAHeldRunOfRefusalsFromEachCall) {
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  mTanvelo::Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) {
    return false;  // a template lookup refused as long: the user cancels the picker
  };
  p.plainMail->Display(false);
  auto inspector = p.plainMail->GetInspector();
  const std::wstring text = p.plainMail->Body(), part = L"the figures are attached.";
  win32::keyboard::SetFocus(inspector);
  inspector->SetSelection(static_cast<int32_t>(text.find(part)), static_cast<int32_t>(part.size()));
  auto reply = [&](const win32::faults::Plan& plan) { return ReplyUnder(plan, tmpl->EntryID()); };
  ASSERT_TRUE(reply({.countOnly = true}));
  const uint64_t calls = win32::faults::Counts().calls;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
      for (const auto& item : ItemsOf(p.deleted)) item->Delete();
      reply({.at = at, .span = span});
      EXPECT_EQ(L"the user's own text", win32::clipboard::Text()) << span << " calls from " << at;
    }
}

TEST_F(SelectionRoad, ReadingPaneSelectionBeforeOutlook2007) {
  Start(L"11.0.0.8312");
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  auto explorer = p.app->ActiveExplorer();
  auto bars = office::MakeExplorerCommandBars();
  auto go = office::AsPopup(bars->Item(L"Menu Bar")->FindControl(0, 30328));
  auto off = office::AsButton(go->CommandBar()->Controls().Add(office::msoControlButton, 7223));
  explorer->SetCommandBars(bars);
  explorer->Select({p.plainMail});
  auto pane = std::make_shared<ReadingPane>(L"the figures are attached.");
  win32::keyboard::SetFocus(pane);
  int32_t action = kActionReply;

  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelReadingPane, tmpl->EntryID()));
  EXPECT_EQ(std::wstring::npos, Quoted().find(L"Hello Pat")) << Quoted();
  ExpectTemporaryCopyGone();

  // The pane is off: the whole mail.
  ItemsOf(tvDrafts).at(0)->Delete();
  off->SetState(-1);
  ASSERT_TRUE(DoTanvelo(p.plainMail, action, kSelReadingPane, tmpl->EntryID()));
  EXPECT_NE(std::wstring::npos, Quoted().find(L"Hello Pat"));
  EXPECT_TRUE(Logged(L"mTanvelo::CreateMailFromReadingPaneSel", L"Reading pane is off"));

  // Outlook 2007 and later answer the whole mail for the reading pane.
  bool known = false;
  off->SetState(0);
  EXPECT_TRUE(IsReadingPaneOn(explorer, known));
  EXPECT_TRUE(known);
}

// The reading pane's selection under refusals from each call: asked again, it is quoted alone;
// refused past the tries (the selected item, the clipboard, the copy), no reply is made and the
// user is told; the whole mail is never answered in its place.
TEST_F(SelectionRoad, AReadingPaneSelectionUnderRefusalsIsQuotedOrNothingIsMadeAndTold) {
  Start(L"11.0.0.8312");
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  mTanvelo::Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) {
    return false;  // a template lookup refused as long: the user cancels the picker
  };
  auto explorer = p.app->ActiveExplorer();
  auto bars = office::MakeExplorerCommandBars();
  auto go = office::AsPopup(bars->Item(L"Menu Bar")->FindControl(0, 30328));
  go->CommandBar()->Controls().Add(office::msoControlButton, 7223);
  explorer->SetCommandBars(bars);
  explorer->Select({p.plainMail});
  auto pane = std::make_shared<ReadingPane>(L"the figures are attached.");
  win32::keyboard::SetFocus(pane);
  auto reply = [&](const win32::faults::Plan& plan) {
    int32_t action = kActionReply;
    win32::faults::Start(plan);
    const bool made = DoTanvelo(p.plainMail, action, kSelReadingPane, tmpl->EntryID());
    win32::faults::Stop();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    return made;
  };
  ASSERT_TRUE(reply({.countOnly = true}));
  const uint64_t calls = win32::faults::Counts().calls;
  int notRead = 0;
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
      for (const auto& item : ItemsOf(p.deleted)) item->Delete();
      const size_t boxes = Boxes().size();
      const bool made = reply({.at = at, .span = span});
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      if (Boxes().size() > boxes && Boxes().back() == L"IDS_SELECTION_NOT_READ") {
        ++notRead;
        EXPECT_FALSE(made) << where;
        EXPECT_TRUE(ItemsOf(tvDrafts).empty()) << where;
        EXPECT_TRUE(ItemsOf(p.drafts).empty()) << where << ": the selection's copy left";
        continue;
      }
      if (!made || Boxes().size() > boxes) continue;
      const std::wstring body = ItemsOf(tvDrafts).at(0)->Body();
      EXPECT_EQ(std::wstring::npos, body.find(L"Hello Pat"))
          << where << ": the whole mail answered in the selection's place";
    }
  EXPECT_LT(0, notRead) << "no read of the selection was refused for good";
}

TEST_F(SelectionRoad, HtmlInspectorBefore2007TakesTheSelectedHtml) {
  Start(L"11.0.0.8312");
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  p.htmlMail->Display(false);
  auto inspector = p.htmlMail->GetInspector();
  std::wstring text = p.htmlMail->Body();
  inspector->SetSelection(static_cast<int32_t>(text.find(L"lunch")), 5);
  auto copy = CreateMailFromSelText(inspector, true);
  ASSERT_TRUE(copy);
  EXPECT_EQ(p.drafts, copy->Parent());
  EXPECT_EQ(L"lunch", copy->Body().substr(0, 5)) << copy->Body();
  EXPECT_NE(std::wstring::npos, copy->HTMLBody().find(L"<body lang=EN-US>lunch</body>"))
      << copy->HTMLBody();
  DeleteItem(copy, true);

  inspector->SetCaret(0);  // selection type "None"
  EXPECT_FALSE(CreateMailFromSelText(inspector, true));
  EXPECT_FALSE(CreateMailFromSelText(inspector, false));
  EXPECT_EQ(std::vector<std::wstring>{L"STR_SELECT_PART_OF_MESSAGE"}, Boxes());
  (void)tmpl;
}

TEST_F(SelectionRoad, ASelectionCopyThatCannotBeFilledIsNotLeftBehind) {
  Start(L"11.0.0.8312");
  auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
  // An HTML mail without a body tag: the selection has nowhere to go.
  auto bare = outlook::AddReceivedMail(p.inbox, p.kimRoe, L"Menu", outlook::olFormatHTML, L"x");
  bare->SetHTMLBody(L"<p>see the lunch menu</p>");
  bare->Save();
  bare->Display(false);
  auto inspector = bare->GetInspector();
  inspector->SetSelection(static_cast<int32_t>(bare->Body().find(L"lunch")), 5);
  int32_t action = kActionReply;

  ASSERT_TRUE(DoTanvelo(bare, action, kSelInspector, tmpl->EntryID()));
  EXPECT_NE(std::wstring::npos, Quoted().find(L"see the lunch menu")) << "the whole mail";
  EXPECT_TRUE(Logged(L"mTanvelo::CreateMailFromSelText", L"no body tag"));
  EXPECT_TRUE(ItemsOf(p.drafts).empty());
  EXPECT_TRUE(ItemsOf(p.deleted).empty());
  EXPECT_EQ(4u, ItemsOf(p.inbox).size());
}

// Before Outlook 2007 the selection is read from the inspector's editor: each read refused
// fewer times than the held tries is asked again, and the reply quotes the selection alone.
// Refused past them, the whole mail is not answered in its place: nothing is made and the user
// is told which mail's selection could not be read.
TEST_F(SelectionRoad, AnEditorSelectionReadUnderRefusalsIsAskedAgainOrNothingIsMadeAndTold) {
  for (const wchar_t* version : {L"9.0.0.6627", L"11.0.0.8312"}) {
    Start(version);
    auto tmpl = AddTemplate(L"T", outlook::olFormatPlain, L"Noted.\r\n");
    mTanvelo::Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) {
      return false;  // a template lookup refused as long: the user cancels the picker
    };
    p.plainMail->Display(false);
    auto inspector = p.plainMail->GetInspector();
    const std::wstring text = p.plainMail->Body(), part = L"the figures are attached.";
    inspector->SetSelection(static_cast<int32_t>(text.find(part)),
                            static_cast<int32_t>(part.size()));
    auto reply = [&](const win32::faults::Plan& plan) { return ReplyUnder(plan, tmpl->EntryID()); };
    ASSERT_TRUE(reply({.countOnly = true}));
    const uint64_t calls = win32::faults::Counts().calls;
    int notRead = 0;
    for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
      for (uint64_t at = 1; at <= calls; ++at) {
        for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
        for (const auto& item : ItemsOf(p.deleted)) item->Delete();
        const size_t boxes = Boxes().size();
        const bool made = reply({.at = at, .span = span});
        const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
        if (Boxes().size() > boxes && Boxes().back() == L"IDS_SELECTION_NOT_READ") {
          ++notRead;
          EXPECT_LT(uint64_t{kHeldTries} - 1, span) << where << ": asked again no more";
          EXPECT_FALSE(made) << where;
          EXPECT_TRUE(ItemsOf(tvDrafts).empty()) << where << ": a reply made all the same";
          EXPECT_TRUE(ItemsOf(p.drafts).empty()) << where << ": the selection's copy left";
          EXPECT_TRUE(Logged(L"mTanvelo::CreateReply", L"\"Quarterly figures\" was not made"))
              << where;
          continue;
        }
        if (!made || Boxes().size() > boxes) continue;
        const std::wstring body = ItemsOf(tvDrafts).at(0)->Body();
        EXPECT_EQ(std::wstring::npos, body.find(L"Hello Pat"))
            << where << ": the whole mail answered in the selection's place";
        // Refused fewer times than the held tries, every step is asked again: nothing is lost.
        if (span < uint64_t{kHeldTries}) {
          EXPECT_NE(std::wstring::npos, body.find(part)) << where;
        }
      }
    EXPECT_LT(0, notRead) << "no read of the selection was refused for good";
  }
}

// --- New mail from a template ------------------------------------------------------------------

TEST_F(RoadTest, NewMailGoesToTheSelectedContactsOnce) {
  auto tmpl = AddTemplate(L"News for %FirstName%", outlook::olFormatPlain, L"Dear %FirstName%");
  AddRecipient(tmpl, L"Lee Ann", outlook::olCC);
  MarkFavoriteTemplate(tmpl, true);
  SetHotkeyProperties(tmpl, L"Ctrl+Alt+N", L"Reply");
  auto twin = p.contacts->Items()->Add(outlook::olContactItem);
  twin->SetFullName(L"Kim Again");
  twin->SetEmailAddress(1, L"KIM.ROE@partner.example");
  twin->Save();
  auto nobody = p.contacts->Items()->Add(outlook::olContactItem);
  nobody->SetFullName(L"No Address");
  nobody->Save();
  auto explorer = p.app->ActiveExplorer();
  explorer->SetCurrentFolder(p.contacts);
  explorer->Select({p.kimContact, p.joContact, twin, nobody});
  win32::msgbox::Answer(win32::IDOK);  // pre-addressed
  bool focus = false;

  NewMailFromTemplate(tmpl->EntryID(), focus);
  auto made = ItemsOf(tvDrafts).at(0);
  std::vector<std::wstring> to;
  for (const auto& r : *made->Recipients()) to.push_back(r->Name());
  EXPECT_EQ(
      (std::vector<std::wstring>{L"Lee Ann", L"kim.roe@partner.example", L"jo@bloggs.example"}),
      to);
  EXPECT_EQ(L"News for Lee", made->Subject()) << "quietly personalized";
  EXPECT_EQ(L"1", Prop(made, kSendModeProperty));
  EXPECT_EQ(Options().ProductCode(), Prop(made, kAddinProperty));
  EXPECT_EQ(L"<none>", Prop(made, kHotkeyProperty));
  EXPECT_FALSE(IsFavoriteTemplate(made));
  EXPECT_TRUE(IsFavoriteTemplate(tmpl));
  EXPECT_EQ(L"News for %FirstName%", tmpl->Subject());
  EXPECT_EQ(1, Uses(tmpl->EntryID(), kActionNewMail));
  EXPECT_TRUE(made->OpenInspector());
  EXPECT_TRUE(Logged(L"mTanvelo::NewMailFromTemplate", L"Selected contact has no emailaddresses"));
  EXPECT_EQ(49u | 0u, win32::msgbox::Shown().at(0).style);
}

TEST_F(RoadTest, NewMailInSeparateModeSendsOrOpens) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  bool focus = true;
  // Nobody to send to: the mail opens.
  world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
  NewMailFromTemplate(L"", focus);
  EXPECT_EQ(L"|1|3", world.pickerAsked.at(0));
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  EXPECT_TRUE(ItemsOf(tvDrafts).at(0)->OpenInspector());
  ItemsOf(tvDrafts).at(0)->Delete();

  // Two selected contacts: one message each.
  auto explorer = p.app->ActiveExplorer();
  explorer->SetCurrentFolder(p.contacts);
  explorer->Select({p.kimContact, p.joContact});
  world.firstNames[L"jo@bloggs.example"] = L"Jo";
  world.picker.push_back({true, tmpl->EntryID(), kSendModeSeparate});
  win32::msgbox::Answer(win32::IDNO);
  NewMailFromTemplate(L"", focus);
  std::vector<std::wstring> bodies;
  for (const auto& sent : ItemsOf(p.outbox)) bodies.push_back(sent->Body());
  EXPECT_EQ((std::vector<std::wstring>{L"Dear Kim", L"Dear Jo"}), bodies);
  EXPECT_EQ(52u, win32::msgbox::Shown().back().style)
      << "the question comes to the foreground only from a Word inspector";
}

TEST_F(RoadTest, NewMailThatCannotBeFiledLeavesNoCopyOfTheTemplate) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  tvDrafts->Delete();
  bool focus = false;
  NewMailFromTemplate(tmpl->EntryID(), focus);
  EXPECT_TRUE(Logged(L"mTanvelo::NewMailFromTemplate_"));
  EXPECT_EQ(std::vector<ItemPtr>{tmpl}, ItemsOf(templates)) << "no duplicate of the template";
  EXPECT_TRUE(ItemsOf(p.deleted).empty());
  EXPECT_EQ(0, Uses(tmpl->EntryID(), kActionNewMail));
  EXPECT_EQ(0, p.app->Inspectors()->Count());
}

// --- New templates ------------------------------------------------------------------------------

// A new mail left unstamped would be sent by Outlook with its fields unfilled: under a run of
// refusals it is stamped, or not made and that is told.
TEST_F(RoadTest, ANewMailIsStampedUnderARunOfRefusalsOrNotMadeAndTold) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  bool focus = false;
  win32::faults::Start({.countOnly = true});
  NewMailFromTemplate(tmpl->EntryID(), focus);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  for (const auto& made : ItemsOf(tvDrafts)) made->Delete();
  int unmade = 0;
  for (uint64_t at = 1; at <= calls; ++at) {
    const std::wstring marker = L"run " + std::to_wstring(at);
    LogInfo(L"test", marker);
    win32::faults::Start({.at = at, .span = kHeldTries});
    NewMailFromTemplate(tmpl->EntryID(), focus);
    win32::faults::Stop();
    const auto made = ItemsOf(tvDrafts);
    for (const auto& mail : made) {
      EXPECT_TRUE(HasAddinStamp(mail)) << kHeldTries << " calls from " << at << " failing";
      mail->Delete();
    }
    if (made.empty()) {
      ++unmade;
      bool told = false;
      const auto& log = support::library::Log();
      for (auto e = log.rbegin(); e != log.rend() && e->text != marker; ++e)
        told = told || e->level == kLevelError;
      EXPECT_TRUE(told) << kHeldTries << " calls from " << at << " failing: nothing made, untold";
    }
  }
  EXPECT_GT(unmade, 0);
}

// Unstamped, a mail's Send would be Outlook's own: fields left unfilled, separate messages sent
// as one to all. On both roads such a mail is not made, and the user is told why.
TEST_F(RoadTest, AMailThatCannotBeStampedIsNotMadeOnEitherRoadAndTheUserIsTold) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  // A template lookup refused asks the picker, which the user cancels.
  Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) { return false; };
  auto closeAll = [&] {
    const int32_t open = p.app->Inspectors()->Count();
    while (p.app->Inspectors()->Count() > 0)
      p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
    return open;
  };
  const std::pair<const char*, std::function<int32_t()>> roads[] = {
      {"reply",
       [&] {
         int32_t action = kActionReply;
         DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID());
         return closeAll();
       }},
      {"new mail", [&] {
         bool focus = false;
         NewMailFromTemplate(tmpl->EntryID(), focus);
         return closeAll();
       }}};
  for (const auto& [road, make] : roads) {
    win32::faults::Start({.countOnly = true});
    make();
    win32::faults::Stop();
    const uint64_t calls = win32::faults::Counts().calls;
    int unstamped = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      for (const auto& folder : {tvDrafts, p.drafts, p.deleted})
        for (const auto& item : ItemsOf(folder)) item->Delete();
      p.plainMail->SetProp(outlook::PR_ICON_INDEX, int32_t{0});
      const size_t logged = support::library::Log().size(), boxes = Boxes().size();
      win32::faults::Start({.at = at, .span = kHeldTries});
      const int32_t opened = make();
      win32::faults::Stop();
      bool refused = false;
      for (size_t i = logged; i < support::library::Log().size(); ++i)
        refused = refused || support::library::Log()[i].text.find(L"could not be stamped") !=
                                 std::wstring::npos;
      if (!refused) continue;
      ++unstamped;
      const std::string where = std::string(road) + ", calls from " + std::to_string(at);
      EXPECT_TRUE(ItemsOf(tvDrafts).empty()) << where;
      EXPECT_TRUE(ItemsOf(p.deleted).empty()) << where;
      EXPECT_EQ(0, opened) << where;
      // No reply made: the answered mail is not marked as replied to.
      EXPECT_EQ(0, p.plainMail->Props().Long(outlook::PR_ICON_INDEX)) << where;
      const auto all = Boxes();
      std::vector<std::wstring> shown(all.begin() + static_cast<std::ptrdiff_t>(boxes), all.end());
      EXPECT_EQ(std::vector<std::wstring>{L"IDS_MAIL_NOT_STAMPED"}, shown) << where;
    }
    EXPECT_GT(unstamped, 0) << road;
  }
}

// Fields that cannot be read at the making are left for the Send to fill: the mail still opens.
TEST_F(RoadTest, ANewMailWhoseTextCannotBeReadStillOpensItsFieldsLeftForTheSend) {
  auto tmpl = AddTemplate(L"Invitation", outlook::olFormatPlain, L"Dear %FirstName%");
  world.textUnread = true;
  bool focus = false;
  NewMailFromTemplate(tmpl->EntryID(), focus);
  ASSERT_EQ(1u, ItemsOf(tvDrafts).size());
  EXPECT_TRUE(ItemsOf(tvDrafts)[0]->OpenInspector());
  EXPECT_TRUE(HasAddinStamp(ItemsOf(tvDrafts)[0]));
  EXPECT_TRUE(Logged(L"mTanvelo::PersonalizeQuietly"));
}

// The quiet fill of a reply's fields that cannot reach the mail leaves them for the Send, and
// the log names the reply whose tokens show meanwhile; a mail without fields tells nothing.
TEST_F(RoadTest, FieldsTheQuietFillCouldNotReachAreLeftForTheSendAndTheReplyNamed) {
  auto fields = AddTemplate(L"Hello", outlook::olFormatPlain, L"Dear %FirstName%,\r\n");
  auto plain = AddTemplate(L"Plain", outlook::olFormatPlain, L"Noted.\r\n");
  auto reply = [&](const ItemPtr& tmpl) {
    for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
    const size_t logged = support::library::Log().size();
    int32_t action = kActionReply;
    EXPECT_TRUE(DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID()));
    bool named = false;
    for (size_t i = logged; i < support::library::Log().size(); ++i) {
      const auto& entry = support::library::Log()[i];
      named = named ||
              (entry.level >= kLevelError && entry.procedure == L"mTanvelo::PersonalizeQuietly" &&
               entry.text.find(L"\"RE: Quarterly figures\"") != std::wstring::npos);
    }
    return named;
  };
  world.mailUnreached = true;
  EXPECT_TRUE(reply(fields)) << "the job could not reach the mail";
  EXPECT_NE(std::wstring::npos, ItemsOf(tvDrafts).at(0)->Body().find(L"%FirstName%"));
  world.mailUnreached = false;
  EXPECT_FALSE(reply(plain)) << "no fields, nothing to tell";
  world.loadAnswer = false;
  EXPECT_TRUE(reply(fields)) << "the values could not be loaded";
  world.loadAnswer = true;
  world.replaceAnswer = false;
  EXPECT_TRUE(reply(fields)) << "the values could not be written";
  world.replaceAnswer = true;
  EXPECT_FALSE(reply(fields)) << "filled";
  world.textUnread = true;
  EXPECT_TRUE(reply(fields)) << "the text was held";
}

// A text of the merge (the template's, the reply's, or the format they are told by) refused
// past every try: the reply is not made without it; made, it holds both texts as HTML.
TEST_F(RoadTest, AReplyIsMergedWithBothTextsUnderHeldRefusalsOrNotMadeAndTold) {
  for (const wchar_t* version : {L"9.0.0.6627", L"14.0.0.4760"}) {
    Start(version);
    auto tmpl = AddTemplate(L"T", outlook::olFormatHTML,
                            L"<html><body><p><b>Noted</b> with thanks.</p></body></html>");
    mTanvelo::Services().ShowSelectTemplate = [](std::wstring&, int32_t&, int32_t, bool) {
      return false;  // a template lookup refused as long: the user cancels the picker
    };
    auto reply = [&](const win32::faults::Plan& plan) {
      for (const auto& item : ItemsOf(tvDrafts)) item->Delete();
      int32_t action = kActionReply;
      win32::faults::Start(plan);
      const bool made = DoTanvelo(p.plainMail, action, kSelWholeMail, tmpl->EntryID());
      win32::faults::Stop();
      while (p.app->Inspectors()->Count() > 0)
        p.app->Inspectors()->Item(1)->Close(outlook::olDiscard);
      return made;
    };
    ASSERT_TRUE(reply({.countOnly = true}));
    const uint64_t calls = win32::faults::Counts().calls;
    for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
      for (uint64_t at = 1; at <= calls; ++at) {
        const size_t boxes = Boxes().size();
        if (!reply({.at = at, .span = span}) || Boxes().size() > boxes) continue;
        const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
        auto made = ItemsOf(tvDrafts);
        ASSERT_EQ(1u, made.size()) << where;
        const std::wstring html = made[0]->HTMLBody();
        EXPECT_NE(std::wstring::npos, html.find(L"<b>Noted</b>")) << where << ": " << html;
        EXPECT_NE(std::wstring::npos, made[0]->Body().find(L"the figures are attached."))
            << where << ": the quote lost";
      }
  }
}

TEST_F(RoadTest, NewTemplatesAreNumberedAndStamped) {
  auto sub = templates->Folders()->Add(L"Sales");
  EXPECT_EQ(L"Untitled1", NewTemplate(nullptr)->Subject());
  auto second = NewTemplate(nullptr);
  EXPECT_EQ(L"Untitled2", second->Subject());
  EXPECT_EQ(templates, second->Parent());
  EXPECT_EQ(Options().ProductCode(), Prop(second, kAddinProperty));
  auto inSub = NewTemplate(sub);
  EXPECT_EQ(sub, inSub->Parent());
  EXPECT_EQ(L"Untitled1", inSub->Subject());
  EXPECT_EQ(templates, NewTemplate(p.inbox)->Parent()) << "a folder outside the tree";
}

TEST_F(RoadTest, TemplateFromAMailKeepsItsContentAndFindsAFreeSubject) {
  AddTemplate(L"Untitled1", outlook::olFormatPlain, L"taken");
  auto blank = outlook::AddReceivedMail(p.inbox, p.kimRoe, L"", outlook::olFormatPlain, L"Hi");
  AddAttachment(blank, L"terms.pdf");
  AddAttachment(blank, L"", L"pic@x");  // no file name: saved under its number
  p.app->ActiveExplorer()->Select({blank});
  win32::msgbox::Answer(win32::IDNO);
  NewTemplateFromMail(L"", L"", false);
  auto made = ItemsOf(templates).back();
  EXPECT_EQ(L"Untitled2", made->Subject());
  EXPECT_EQ(L"Hi", made->Body());
  ASSERT_EQ(2, made->Attachments()->Count());
  EXPECT_EQ(L"terms.pdf", made->Attachments()->Item(1)->FileName());
  EXPECT_EQ(L"pic@x", Cid(made->Attachments()->Item(2)));
  EXPECT_EQ(L"STR_NEW_TEMPLATE_FROM_MAIL", Boxes().back());
  EXPECT_EQ(4u, win32::msgbox::Shown().back().style);
  EXPECT_FALSE(made->OpenInspector());
  EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());

  // By EntryID, into the templates folder the explorer shows, opened on Yes.
  auto sub = templates->Folders()->Add(L"Sales");
  p.app->ActiveExplorer()->SetCurrentFolder(sub);
  win32::msgbox::Answer(win32::IDYES);
  NewTemplateFromMail(p.htmlMail->EntryID(), p.inbox->StoreID(), true);
  ASSERT_EQ(1u, ItemsOf(sub).size());
  EXPECT_EQ(L"Team lunch", ItemsOf(sub).at(0)->Subject());
  EXPECT_TRUE(ItemsOf(sub).at(0)->OpenInspector());
  EXPECT_EQ(0x10004u, win32::msgbox::Shown().back().style);
}

// Refused past every try at any call, a template from a mail is whole (both attachments) or
// not there, and then said in a box; nothing stays below TEMP once the refusals pass.
TEST_F(RoadTest, ATemplateFromAMailIsWholeOrToldAndLeavesNoScratchFiles) {
  auto mail = outlook::AddReceivedMail(p.inbox, p.kimRoe, L"Lunch", outlook::olFormatPlain, L"Hi");
  AddAttachment(mail, L"menu.txt");
  AddAttachment(mail, L"image001.png", L"pic@x");
  win32::msgbox::SetDefaultAnswerer([](const auto&) { return win32::IDNO; });
  auto make = [&] { NewTemplateFromMail(mail->EntryID(), p.inbox->StoreID(), false); };
  win32::faults::Start({.countOnly = true});
  make();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1u, ItemsOf(templates).size());
  ItemsOf(templates).front()->Delete();
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t boxes = win32::msgbox::Shown().size();
    const size_t logged = support::library::Log().size();
    win32::faults::Start({.at = at, .span = uint64_t{kHeldTries} + 1});
    make();
    win32::faults::Stop();
    win32::clock::Advance(100000);
    const std::string where = "from call " + std::to_string(at);
    bool told = false;
    for (size_t i = boxes; i < win32::msgbox::Shown().size(); ++i)
      told = told || win32::msgbox::Shown()[i].text == LangText(L"STR_SAVE_AS_TEMPLATE_FAILED");
    for (const auto& made : ItemsOf(templates)) {
      EXPECT_EQ(2, made->Attachments()->Count()) << where;
      made->Delete();
    }
    EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk()) << where;
    // A copy refused is logged by the attachment and the mail.
    for (size_t i = logged; i < support::library::Log().size(); ++i) {
      const auto& entry = support::library::Log()[i];
      if (entry.procedure != L"mTanvelo::CopyBodySubjectAttachments" ||
          entry.text.find(L"attachment") == std::wstring::npos)
        continue;
      EXPECT_TRUE(told) << where;
      EXPECT_TRUE(entry.text.find(L"'Lunch'") != std::wstring::npos &&
                  (entry.text.find(L"menu.txt") != std::wstring::npos ||
                   entry.text.find(L"image001.png") != std::wstring::npos))
          << where << ": " << entry.text;
    }
    for (const auto& folder : {p.drafts, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
  }
}

// --- Old post-item templates ---------------------------------------------------------------------

namespace {
ItemPtr AddPost(const FolderPtr& folder, const std::wstring& subject) {
  auto post = folder->Items()->Add(outlook::olPostItem);
  post->SetSubject(subject);
  post->SetBody(L"Body of " + subject);
  post->Save();
  return post;
}
}  // namespace

TEST_F(RoadTest, PostTemplatesAreConvertedAfterOneQuestion) {
  auto sub = templates->Folders()->Add(L"Old");
  AddPost(templates, L"Greeting");
  auto withFile = AddPost(sub, L"Offer");
  AddAttachment(withFile, L"offer.pdf");
  auto withItem = AddPost(sub, L"Forwarded");
  withItem->Attachments()->AddItem(p.plainMail);
  withItem->Save();

  bool asked = false, cancelled = false;
  win32::msgbox::Answer(win32::IDNO);
  PostItems2MailItems(templates, asked, cancelled);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(1u, ItemsOf(templates).size());
  EXPECT_EQ(2u, ItemsOf(sub).size());

  asked = cancelled = false;
  win32::msgbox::Answer(win32::IDYES);
  PostItems2MailItems(templates, asked, cancelled);
  EXPECT_EQ(std::vector<std::wstring>(2, L"STR_CONVERT_POSTITEMS"), Boxes());
  auto describe = [](const FolderPtr& folder) {
    std::vector<std::wstring> texts;
    for (const auto& item : folder->Items()->All())
      texts.push_back(item->MessageClass() + L" " + item->Subject() + L" " +
                      std::to_wstring(item->Attachments()->Count()));
    return texts;
  };
  EXPECT_EQ(std::vector<std::wstring>{L"IPM.Note Greeting 0"}, describe(templates));
  // A post whose embedded item cannot be carried over stays as it was.
  EXPECT_EQ((std::vector<std::wstring>{L"IPM.Post Forwarded 1", L"IPM.Note Offer 1"}),
            describe(sub));
  EXPECT_TRUE(Logged(L"mTanvelo::PostItem2MailItem", L"the post item is kept: Forwarded"));
  // Nothing to convert: no empty mail is left in Drafts either.
  EXPECT_FALSE(PostItem2MailItem(nullptr));
  EXPECT_TRUE(ItemsOf(p.drafts).empty());
  EXPECT_EQ(std::vector<std::string>{"Temp"}, FilesOnDisk());
}

// A run of refusals anywhere in a conversion leaves one template, the post or its mail, never
// both, unless an error tells it; no empty mail stays in Drafts.
TEST_F(RoadTest, APostConvertedUnderARunOfRefusalsLeavesNoDuplicateUntold) {
  auto convert = [&](const win32::faults::Plan& plan) {
    AddPost(templates, L"Greeting");
    bool asked = true, cancelled = false;
    win32::faults::Start(plan);
    PostItems2MailItems(templates, asked, cancelled);
    win32::faults::Stop();
  };
  convert({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 5u);
  for (uint64_t at = 1; at <= calls; ++at) {
    for (const auto& folder : {templates, p.deleted})
      for (const auto& item : ItemsOf(folder)) item->Delete();
    const size_t logged = support::library::Log().size();
    convert({.at = at, .span = 8});
    bool errorLogged = false;
    for (size_t i = logged; i < support::library::Log().size(); ++i)
      errorLogged = errorLogged || support::library::Log()[i].level >= kLevelError;
    EXPECT_TRUE(errorLogged || ItemsOf(templates).size() == 1u) << "8 calls from " << at;
    EXPECT_TRUE(ItemsOf(p.drafts).empty()) << "8 calls from " << at;
  }
}

// A copy's steps Outlook or Redemption refuses a moment are asked again: under one refusal or
// a run of three the copy comes over whole, subject, body and file.
TEST_F(RoadTest, ACopyUnderShortRefusalsComesOverWhole) {
  auto post = AddPost(templates, L"Offer");
  AddAttachment(post, L"offer.pdf");
  auto copy = [&](const win32::faults::Plan& plan) {
    for (const auto& item : ItemsOf(p.drafts)) item->Delete();
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->Save();
    win32::faults::Start(plan);
    bool whole = CopyBodySubjectAttachments(post, mail, true);
    win32::faults::Stop();
    return std::pair{whole, mail};
  };
  copy({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 8u);
  for (uint64_t span : {1u, 3u})
    for (uint64_t at = 1; at <= calls; ++at) {
      auto [whole, mail] = copy({.at = at, .span = span});
      EXPECT_TRUE(whole) << span << " calls from " << at;
      EXPECT_EQ(L"Offer", mail->Subject()) << span << " calls from " << at;
      EXPECT_NE(std::wstring::npos, mail->Body().find(L"Body of Offer"))
          << span << " calls from " << at;
      EXPECT_EQ(1, mail->Attachments()->Count()) << span << " calls from " << at;
    }
}

// A template saved from a mail whose stamp Outlook refused at every try was not one the system
// made, and nothing said so: it is stamped, or an error names it.
TEST_F(RoadTest, ATemplateSavedFromAMailIsStampedOrNamedUnderHeldRefusals) {
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
    return (box.style & 0xF) == win32::MB_OK ? win32::IDOK : win32::IDNO;
  });
  auto save = [&](const win32::faults::Plan& plan) {
    win32::faults::Start(plan);
    NewTemplateFromMail(p.plainMail->EntryID(), p.inbox->StoreID(), false);
    win32::faults::Stop();
  };
  save({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  for (const auto& made : ItemsOf(templates)) made->Delete();
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t from = support::library::Log().size();
      save({.at = at, .span = span});
      for (const auto& made : ItemsOf(templates)) {
        if (!HasAddinStamp(made)) {
          bool named = false;
          for (size_t i = from; i < support::library::Log().size(); ++i) {
            const auto& e = support::library::Log()[i];
            named =
                named || (e.level >= kLevelError && e.text.find(L"stamp") != std::wstring::npos &&
                          e.text.find(made->Subject()) != std::wstring::npos);
          }
          EXPECT_TRUE(named) << span << " calls from " << at << ": unstamped, untold";
        }
        made->Delete();
      }
    }
}

// Saved on its way to the templates folder, a new template stopped there by a run of refusals
// does not stay in Drafts.
TEST_F(RoadTest, ASaveAsTemplateStoppedOnItsWayLeavesNothingInDrafts) {
  // "Open it?" No; a box with one button acknowledged.
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
    return (box.style & 0xF) == win32::MB_OK ? win32::IDOK : win32::IDNO;
  });
  auto save = [&](const win32::faults::Plan& plan) {
    win32::faults::Start(plan);
    NewTemplateFromMail(p.plainMail->EntryID(), p.inbox->StoreID(), false);
    win32::faults::Stop();
  };
  save({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 5u);
  for (uint64_t span : {1u, 8u})
    for (uint64_t at = 1; at <= calls; ++at) {
      save({.at = at, .span = span});
      EXPECT_TRUE(ItemsOf(p.drafts).empty()) << span << " calls from " << at;
      for (const auto& item : ItemsOf(p.drafts)) item->Delete();
    }
}
