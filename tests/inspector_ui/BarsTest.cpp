// The inspector's bars by Outlook version, editor and item: where the program's controls stand,
// what they show, how they follow Outlook's own commands, and what their clicks run.
#include "platform/office/BuiltInBars.h"
#include "platform/office/InspectorBars.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Keyboard.h"
#include "tests/common/Log.h"
#include "tests/inspector_ui/InspectorTest.h"

namespace {

using office::AsButton;
using office::AsPopup;
using Control = std::shared_ptr<office::CommandBarControl>;

class Bars : public InspectorTest {
 protected:
  // The received plain mail from Kim Roe, opened.
  WrapperPtr OpenReceived() { return Open(p.plainMail); }
  static std::shared_ptr<office::CommandBar> Standard(const WrapperPtr& w) {
    return BarsOf(w)->Item(L"Standard");
  }
  static std::shared_ptr<office::CommandBarPopup> Actions(const WrapperPtr& w) {
    return AsPopup(BarsOf(w)->Item(L"Menu Bar")->FindControl(office::msoControlPopup, 30131));
  }
  // The bar's controls: built-in ones by id, the program's by the member that holds them.
  static std::vector<std::wstring> Layout(const std::shared_ptr<office::CommandBar>& bar,
                                          const WrapperPtr& w) {
    const std::pair<Control, const wchar_t*> named[] = {
        {w->m_btnTemplate, L"template"},       {w->m_popTemplate, L"templateMenu"},
        {w->m_btnTanvelo, L"reply"},           {w->m_popTanvelo, L"replyMenu"},
        {w->m_btnReplyAllWith, L"replyAll"},   {w->m_popReplyAllWith, L"replyAllMenu"},
        {w->m_btnForwardWith, L"forward"},     {w->m_popForwardWith, L"forwardMenu"},
        {w->m_popActionMenu, L"tanvelo"},      {w->m_btnTanvelo2, L"reply2"},
        {w->m_btnReplyAllWith2, L"replyAll2"}, {w->m_btnForwardWith2, L"forward2"},
        {w->m_btnSaveAsTemplate2, L"saveAs2"}, {w->m_btnProcessPersonal2, L"personal2"},
        {w->m_popInsert, L"fields"},           {w->m_btnOpenDuplicate2, L"duplicate2"},
        {w->m_btnHotkey2, L"hotkey2"}};
    std::vector<std::wstring> out;
    for (const auto& control : bar->Controls()) {
      std::wstring name = std::to_wstring(control->Id());
      for (const auto& [member, text] : named)
        if (member == control) name = text;
      out.push_back((control->BeginGroup() ? L"|" : L"") + name);
    }
    return out;
  }
  // Opens the received mail with a call of that member refused once Outlook has given the
  // window its bars (`passing` of the add-in's calls first succeed).
  WrapperPtr OpenRefusing(const wchar_t* member, int passing = 0) {
    auto arm = p.app->Inspectors()->NewInspector.Subscribe(
        [&](const std::shared_ptr<outlook::Inspector>&) {
          office::FailCallAnywhere(member, passing);
        });
    return OpenReceived();
  }
  static std::wstring Icon(const WrapperPtr&, const std::shared_ptr<office::CommandBarButton>& b) {
    std::wstring all;
    for (const auto& w : b->IconWrites()) all += (all.empty() ? L"" : L" ") + w;
    return all;
  }
};

using Names = std::vector<std::wstring>;

TEST_F(Bars, AReceivedMailInOutlooksEditorOn2003) {
  auto w = OpenReceived();
  ASSERT_TRUE(w);
  EXPECT_EQ(
      (Names{L"2617", L"31224", L"|template", L"templateMenu", L"1747", L"|reply", L"replyMenu",
             L"|354", L"|replyAll", L"replyAllMenu", L"355", L"|forward", L"forwardMenu", L"356"}),
      Layout(Standard(w), w));
  EXPECT_EQ((Names{L"|tanvelo", L"354", L"355", L"356"}), Layout(Actions(w)->CommandBar(), w));
  EXPECT_EQ((Names{L"reply2", L"replyAll2", L"forward2", L"|saveAs2", L"personal2"}),
            Layout(w->m_popActionMenu->CommandBar(), w));
  EXPECT_EQ(LangText(L"MNU_TANVELO"), w->m_popActionMenu->Caption());
  // Not made by the program: no personalization in the template menu or the Actions popup.
  EXPECT_FALSE(w->m_popTemplate->Visible());
  EXPECT_FALSE(w->m_btnProcessPersonal->Visible());
  EXPECT_FALSE(w->m_btnProcessPersonal2->Visible());
  EXPECT_EQ(LangText(L"BTN_SAVE_AS_TEMPLATE"), w->m_btnTemplate->TooltipText());
  EXPECT_EQ(L"Picture=CMDTANVELO Mask=CMDTANVELOMASK", Icon(w, w->m_btnTanvelo));
  EXPECT_EQ(L"Picture=CMDSAVETEMPLATE Mask=CMDSAVETEMPLATEMASK", Icon(w, w->m_btnTemplate));
  EXPECT_EQ(office::msoButtonIcon, w->m_btnForwardWith->Style());
  EXPECT_EQ(office::msoButtonIconAndCaption, w->m_btnTanvelo->Style());
  EXPECT_EQ(LangText(L"BTN_TANVELO_SUB"), w->m_btnTanveloSub->Caption());
  EXPECT_FALSE(w->OwnToolbar());
  EXPECT_FALSE(w->FieldToolbar());
}

TEST_F(Bars, AnUpdateWritesOnlyWhatChanged) {
  auto w = OpenReceived();
  Update(w);
  int64_t before = office::PropertyWrites();
  Update(w);
  Update(w);
  EXPECT_EQ(before, office::PropertyWrites());
  // Outlook's Reply greys: only the enabled states of the pair and its Actions item change.
  Standard(w)->FindControl(0, 354)->SetEnabled(false);
  before = office::PropertyWrites();
  Update(w);
  EXPECT_EQ(3, office::PropertyWrites() - before);
  EXPECT_FALSE(w->m_btnTanvelo->Enabled());
  EXPECT_FALSE(w->m_popTanvelo->Enabled());
  EXPECT_FALSE(w->m_btnTanvelo2->Enabled());
}

TEST_F(Bars, AMailMadeByTheProgramOffersPersonalization) {
  auto w = Open(MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"}));
  EXPECT_TRUE(w->m_popTemplate->Visible());
  EXPECT_TRUE(w->m_btnProcessPersonal->Visible());
  EXPECT_TRUE(w->m_btnProcessPersonal2->Visible());
  w->m_btnProcessPersonal->UserClick();
  w->m_btnProcessPersonal2->UserClick();
  auto id = w->GetInspector()->CurrentItem()->EntryID();
  EXPECT_EQ(
      (Names{L"ProcessPersonal [" + id + L"] word=0", L"ProcessPersonal [" + id + L"] word=0"}),
      commands);
}

TEST_F(Bars, Outlook2000ShowsOfficeFacesAndLoadsNoBitmap) {
  Start(kV2000);
  auto w = OpenReceived();
  EXPECT_EQ(L"FaceId=354", Icon(w, w->m_btnTanvelo));
  EXPECT_EQ(L"FaceId=356", Icon(w, w->m_btnForwardWith));
  EXPECT_EQ(L"FaceId=1975", Icon(w, w->m_btnTemplate));
  EXPECT_EQ(L"FaceId=355", Icon(w, w->m_btnReplyAllWith2));
  EXPECT_EQ(L"FaceId=1975", Icon(w, w->m_btnSaveAsTemplate2));
}

TEST_F(Bars, ATemplateGetsItsOwnMenusAndTheFieldToolbar) {
  auto tmpl = AddTemplate(L"Offer");
  auto w = Open(tmpl);
  ASSERT_TRUE(w->State().IsTemplate);
  EXPECT_FALSE(w->m_btnTanvelo);  // no reply pairs for a template
  EXPECT_EQ(LangText(L"BTN_SAVE_TEMPLATE"), w->m_btnTemplate->TooltipText());
  EXPECT_TRUE(w->m_popTemplate->Visible());
  EXPECT_EQ(3, w->m_popTemplate->Controls().Count());
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_SET"), w->m_btnChangeDefault->Caption());
  EXPECT_EQ((Names{L"fields", L"duplicate2", L"hotkey2"}),
            Layout(w->m_popActionMenu->CommandBar(), w));
  EXPECT_EQ(LangText(L"MNU_INSERT"), w->m_popInsert->Caption());
  ASSERT_TRUE(w->FieldToolbar());
  EXPECT_EQ(CInspectorWrapper::kFieldToolbarName, w->FieldToolbar()->Name());
  EXPECT_TRUE(w->FieldToolbar()->Visible());

  // Making it the default re-labels the item at once, and back.
  w->m_btnChangeDefault->UserClick();
  EXPECT_TRUE(mTanvelo::IsDefaultTemplate(tmpl->EntryID()));
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_CLEAR"), w->m_btnChangeDefault->Caption());
  w->m_btnChangeDefault->UserClick();
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_SET"), w->m_btnChangeDefault->Caption());
  // A change made elsewhere shows at the next update.
  mTanvelo::SetDefaultTemplate(tmpl);
  Update(w);
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_CLEAR"), w->m_btnChangeDefault->Caption());

  commands.clear();
  w->m_btnOpenDuplicate->UserClick();
  w->m_btnHotkey->UserClick();
  w->m_btnOpenDuplicate2->RaiseClick();
  w->m_btnHotkey2->RaiseClick();
  const std::wstring id = L" [" + tmpl->EntryID() + L"] fg=0";
  EXPECT_EQ((Names{L"OpenDuplicate" + id, L"Hotkey" + id, L"OpenDuplicate" + id, L"Hotkey" + id}),
            commands);
}

TEST_F(Bars, AFieldButtonPutsItsTokenAtTheCursor) {
  auto tmpl = AddTemplate(L"Offer", L"Hello ");
  auto w = Open(tmpl);
  auto inspector = w->GetInspector();
  win32::keyboard::SetFocus(inspector);
  inspector->SetCaret(6);
  Control field;
  for (const auto& c : w->FieldToolbar()->Controls())
    if (c->Parameter() == L"%FirstName%") field = c;
  ASSERT_TRUE(field);
  EXPECT_EQ(w->Tag(), field->Tag());
  AsButton(field)->UserClick();
  EXPECT_EQ(L"Hello %FirstName% ", tmpl->Body());
}

TEST_F(Bars, ReplyCommandsAreQueuedWithTheDefaultOrTheChosenTemplate) {
  auto tmpl = AddTemplate(L"Thanks");
  mTanvelo::SetDefaultTemplate(tmpl);
  auto w = OpenReceived();
  Update(w);
  w->m_btnTanvelo->UserClick();
  w->m_btnReplyAllWith->UserClick();
  w->m_btnForwardWith->UserClick();
  w->m_btnTanveloSub->UserClick();
  w->m_btnForwardWith2->UserClick();
  const std::wstring def = L" [" + tmpl->EntryID() + L"] fg=0";
  EXPECT_EQ((Names{L"Tanvelo 1" + def, L"Tanvelo 2" + def, L"Tanvelo 4" + def, L"Tanvelo 1 [] fg=0",
                   L"Tanvelo 4 [] fg=0"}),
            commands);
}

TEST_F(Bars, QuickItemsShowTheMostUsedTemplatesOfTheirAction) {
  auto a = AddTemplate(L"Alpha"), b = AddTemplate(L"Beta");
  AddRecipient(b, L"Kim Roe");
  b->Save();
  g_oFrequentlyTemplates->IncUseCount(a->EntryID(), mTanvelo::kActionReply);
  g_oFrequentlyTemplates->IncUseCount(a->EntryID(), mTanvelo::kActionReply);
  g_oFrequentlyTemplates->IncUseCount(b->EntryID(), mTanvelo::kActionReply);
  auto w = OpenReceived();
  Update(w);
  auto& items = w->m_popTanvelo->Controls();
  ASSERT_EQ(6, items.Count());
  EXPECT_EQ(L"Alpha", items.Item(2)->Caption());
  EXPECT_EQ(a->EntryID(), items.Item(2)->Parameter());
  EXPECT_EQ(L"Beta", items.Item(3)->Caption());
  EXPECT_EQ(L"Picture=CMDPREADDRESSEDTEMPLATE Mask=CMDPREADDRESSEDTEMPLATEMASK",
            Icon(w, AsButton(items.Item(3))));
  for (int32_t i = 4; i <= 6; ++i) {
    EXPECT_FALSE(items.Item(i)->Visible());
    EXPECT_EQ(L"", items.Item(i)->Parameter());
  }
  // Reply to all has no uses: its drop-down holds only the choose item.
  EXPECT_FALSE(w->m_popReplyAllWith->Controls().Item(2)->Visible());
  // Each group has a Tag of its own: a reply quick item runs the reply, nothing else.
  EXPECT_NE(items.Item(2)->Tag(), w->m_popReplyAllWith->Controls().Item(2)->Tag());
  EXPECT_NE(items.Item(2)->Tag(), w->m_popForwardWith->Controls().Item(2)->Tag());
  AsButton(items.Item(3))->UserClick();
  AsButton(items.Item(5))->RaiseClick();  // a hidden one, as Office might still raise it
  EXPECT_EQ((Names{L"Tanvelo 1 [" + b->EntryID() + L"] fg=0"}), commands);
  // Unchanged lists write nothing again.
  items.Item(2)->SetCaption(L"marker");
  Update(w);
  EXPECT_EQ(L"marker", items.Item(2)->Caption());
}

TEST_F(Bars, AWriteOfficeRefusesInAGroupLeavesTheRestOfTheGroupMade) {
  std::vector<std::shared_ptr<outlook::Item>> used;
  for (int32_t i = 1; i <= 5; ++i) {
    used.push_back(AddTemplate(L"T" + std::to_wstring(i)));
    for (int32_t n = i; n <= 5; ++n)
      g_oFrequentlyTemplates->IncUseCount(used.back()->EntryID(), mTanvelo::kActionReply);
  }
  // Office will not take the reply group's third caption.
  office::RefuseWriteAnywhere(L"Caption", L"frequently used favorite 3");
  auto w = OpenReceived();
  Update(w);
  EXPECT_FALSE(Logged(L"CInspectorWrapper::Update_FreqButtons"));
  for (const auto& popup : {w->m_popTanvelo, w->m_popReplyAllWith, w->m_popForwardWith}) {
    auto& items = popup->Controls();
    ASSERT_EQ(6, items.Count());
    for (int32_t i = 3; i <= 6; ++i) EXPECT_EQ(items.Item(2)->Tag(), items.Item(i)->Tag());
  }
  auto& reply = w->m_popTanvelo->Controls();
  for (int32_t i = 1; i <= 5; ++i) {
    EXPECT_EQ(L"T" + std::to_wstring(i), reply.Item(i + 1)->Caption());
    EXPECT_TRUE(reply.Item(i + 1)->Visible());
  }
  AsButton(reply.Item(6))->UserClick();
  EXPECT_EQ((Names{L"Tanvelo 1 [" + used[4]->EntryID() + L"] fg=0"}), commands);
}

TEST_F(Bars, TheProgramsReplyControlsFollowOutlooksAndTheHideOptions) {
  auto w = OpenReceived();
  auto forward = Standard(w)->FindControl(0, 356);
  forward->SetEnabled(false);
  Update(w);
  EXPECT_FALSE(w->m_btnForwardWith->Enabled());
  EXPECT_FALSE(w->m_popForwardWith->Enabled());
  EXPECT_FALSE(w->m_btnForwardWith2->Enabled());
  EXPECT_TRUE(w->m_btnForwardWith2->Visible());
  Standard(w)->FindControl(0, 354)->SetVisible(false);
  Update(w);
  EXPECT_FALSE(w->m_btnTanvelo->Visible());
  EXPECT_FALSE(w->m_popTanvelo->Visible());
  EXPECT_TRUE(w->m_btnTanvelo2->Visible());  // the menu follows only the enabled state
  EXPECT_TRUE(w->m_btnReplyAllWith->Visible());

  Options().SetHideReplyAllWithBtn(true);
  auto tmpl = AddTemplate(L"Alpha");
  g_oFrequentlyTemplates->IncUseCount(tmpl->EntryID(), mTanvelo::kActionReplyAll);
  Update(w);
  EXPECT_FALSE(w->m_btnReplyAllWith->Visible());
  EXPECT_FALSE(w->m_popReplyAllWith->Visible());
  EXPECT_FALSE(w->m_popReplyAllWith->Controls().Item(2)->Visible());  // not refilled
  EXPECT_TRUE(w->m_btnReplyAllWith2->Visible());
}

TEST_F(Bars, WithoutAVisibleSaveTheTemplateButtonStandsFirst) {
  auto bars = office::MakeInspectorCommandBars();
  bars->Item(L"Standard")->FindControl(0, 2617)->SetVisible(false);
  auto item = p.plainMail;
  auto inspector = p.app->Inspectors()->Add(item, false);
  inspector->SetCommandBars(bars);
  inspector->Activate();
  auto w = wrappers.back();
  EXPECT_EQ(1, w->m_btnTemplate->Index());
  EXPECT_FALSE(w->m_btnTemplate->BeginGroup());
}

TEST_F(Bars, Outlook2007And2010BuildOnlyWithTheOption) {
  for (const wchar_t* version : {kV2007, kV2010}) {
    Start(version, true);
    auto w = OpenReceived();
    EXPECT_FALSE(w->OwnToolbar());
    EXPECT_FALSE(w->m_btnTemplate);
    Start(version, true);
    Options().SetShowOldControlsOn2007(true);
    w = OpenReceived();
    ASSERT_TRUE(w->OwnToolbar());
    EXPECT_EQ((Names{L"template", L"templateMenu", L"|reply", L"replyMenu", L"|replyAll",
                     L"replyAllMenu", L"|forward", L"forwardMenu"}),
              Layout(w->OwnToolbar(), w));
    EXPECT_EQ(L"Picture=CMDSAVETEMPLATE Mask=CMDSAVETEMPLATEMASK", Icon(w, w->m_btnTemplate));
    EXPECT_FALSE(w->m_popActionMenu);
    Update(w);  // 2007 and later update even in Word
    EXPECT_TRUE(w->m_btnTanvelo->Enabled());
    // Word's windows of 2007 are Outlook's own: nothing is forced to the foreground.
    EXPECT_FALSE(w->State().OldWordMail);
    commands.clear();
    w->m_btnTemplate->UserClick();
    w->m_btnTanveloSub->UserClick();
    EXPECT_EQ(
        (Names{L"SaveAsTemplate [" + p.plainMail->EntryID() + L"] fg=0", L"Tanvelo 1 [] fg=0"}),
        commands);
  }
}

TEST_F(Bars, WordBefore2007GetsTheOwnToolbarWithTheTemplateButtonOnly) {
  Start(kV2002, true);
  auto w = Open(MadeMail(L"Offer", L"Dear %FirstName%", 1, {L"Kim Roe"}));
  ASSERT_TRUE(w->State().OldWordMail);
  ASSERT_TRUE(w->OwnToolbar());
  EXPECT_TRUE(w->OwnToolbar()->Visible());
  EXPECT_EQ((Names{L"template", L"templateMenu"}), Layout(w->OwnToolbar(), w));
  EXPECT_EQ(L"FaceId=1975", Icon(w, w->m_btnTemplate));
  EXPECT_FALSE(w->m_btnTanvelo);
  EXPECT_FALSE(w->m_popActionMenu);
  w->m_btnTemplate->UserClick();
  EXPECT_EQ((Names{L"SaveAsTemplate [" + w->GetInspector()->CurrentItem()->EntryID() + L"] fg=1"}),
            commands);
}

TEST_F(Bars, TheDefaultTemplateInWordBefore2007ReadsClearAndTogglesItsCaption) {
  Start(kV2003, true);
  auto tmpl = AddTemplate(L"Offer");
  mTanvelo::SetDefaultTemplate(tmpl);
  auto w = Open(tmpl);
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_CLEAR"), w->m_btnChangeDefault->Caption());
  w->m_btnChangeDefault->UserClick();
  EXPECT_FALSE(mTanvelo::IsDefaultTemplate(tmpl->EntryID()));
  EXPECT_EQ(LangText(L"BTN_CHANGE_DEFAULT_SET"), w->m_btnChangeDefault->Caption());
}

// The template button's save, refused a moment, still saves the edits; refused past every try,
// an error names the template, for the edits would go with the window.
TEST_F(Bars, TheTemplateButtonsSaveOutlastsARunOfRefusalsOrIsTold) {
  auto tmpl = AddTemplate(L"Offer");
  auto w = Open(tmpl);
  tmpl->SetBody(L"edited");
  win32::faults::Start({.countOnly = true});
  w->m_btnTemplate->UserClick();
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 0u);
  for (uint64_t at = 1; at <= calls; ++at) {
    tmpl->SetBody(L"edited " + std::to_wstring(at));
    win32::faults::Start({.at = at, .span = static_cast<uint64_t>(kHeldTries) - 1});
    w->m_btnTemplate->UserClick();
    win32::faults::Stop();
    EXPECT_TRUE(tmpl->Saved()) << "refused from call " << at;
    tmpl->SetBody(L"edited again " + std::to_wstring(at));
    win32::faults::Start({.at = at, .span = 1000});
    w->m_btnTemplate->UserClick();
    win32::faults::Stop();
    EXPECT_TRUE(
        tmpl->Saved() ||
        testlog::LoggedContaining(L"CInspectorWrapper::m_btnTemplate_Click", L"\"Offer\" not done"))
        << "refused from call " << at;
  }
}

TEST_F(Bars, ButtonsActOnTheItemTheWindowShowsNow) {
  auto first = AddTemplate(L"First"), second = AddTemplate(L"Second");
  auto w = Open(first);
  w->GetInspector()->Rebind(second);  // the window went on to another item
  w->m_btnChangeDefault->UserClick();
  w->m_btnHotkey->UserClick();
  w->m_btnOpenDuplicate->UserClick();
  EXPECT_TRUE(mTanvelo::IsDefaultTemplate(second->EntryID()));
  EXPECT_FALSE(mTanvelo::IsDefaultTemplate(first->EntryID()));
  first->SetBody(L"First, edited");
  second->SetBody(L"Second, edited");
  w->m_btnTemplate->UserClick();  // saves the template shown
  EXPECT_TRUE(second->Saved());
  EXPECT_FALSE(first->Saved());

  auto one = MadeMail(L"One", L"x", 1, {L"Kim Roe"}), two = MadeMail(L"Two", L"y", 1, {L"Kim Roe"});
  auto m = Open(one);
  m->GetInspector()->Rebind(two);
  m->m_btnTemplate->UserClick();
  m->m_btnSaveAsTemplate2->UserClick();
  m->m_btnProcessPersonal->UserClick();
  const std::wstring s = second->EntryID(), t = two->EntryID();
  EXPECT_EQ((Names{L"ChangeDefault [" + s + L"]", L"Hotkey [" + s + L"] fg=0",
                   L"OpenDuplicate [" + s + L"] fg=0", L"SaveAsTemplate [" + t + L"] fg=0",
                   L"SaveAsTemplate [" + t + L"] fg=0", L"ProcessPersonal [" + t + L"] word=0"}),
            commands);
}

TEST_F(Bars, OpenDuplicateAsksForTheForegroundOnlyInWordBefore2007) {
  // Before 2007 Word's window is another program's: its boxes must come to the front.
  const struct {
    const wchar_t* version;
    bool word;
    const wchar_t* fg;
  } cases[] = {{kV2000, true, L"1"}, {kV2003, true, L"1"},  {kV2007, true, L"0"},
               {kV2010, true, L"0"}, {kV2003, false, L"0"}, {kV2010, false, L"0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(win32::ToAnsi(c.version) + (c.word ? " Word" : " Outlook's editor"));
    Start(c.version, c.word);
    Options().SetShowOldControlsOn2007(true);  // the classic bars also from 2007 on
    auto tmpl = AddTemplate(L"Offer");
    auto w = Open(tmpl);
    ASSERT_TRUE(w && w->m_btnOpenDuplicate);
    w->m_btnOpenDuplicate->UserClick();
    EXPECT_EQ((Names{L"OpenDuplicate [" + tmpl->EntryID() + L"] fg=" + c.fg}), commands);
  }
}

TEST_F(Bars, AModalInspectorCannotOpenADuplicate) {
  auto tmpl = AddTemplate(L"Offer");
  auto inspector = p.app->Inspectors()->Add(tmpl, false);
  auto w = std::make_shared<CInspectorWrapper>();
  ASSERT_TRUE(w->Init(inspector, true));
  EXPECT_TRUE(w->IsModal());
  inspector->Activate();
  EXPECT_FALSE(w->m_btnOpenDuplicate->Enabled());
  EXPECT_FALSE(w->m_btnOpenDuplicate2->Enabled());
  w->Done();
}

TEST_F(Bars, ClosingTakesTheControlsAwayInOutlooksEditorAndTheBarsInWord) {
  auto w = Open(AddTemplate(L"Offer"));
  auto bars = BarsOf(w);
  auto standard = Standard(w);
  auto actions = Actions(w);
  EXPECT_EQ(4, actions->Controls().Count());
  auto fieldBar = w->FieldToolbar();
  const int32_t before = standard->Controls().Count();
  w->GetInspector()->Close(outlook::olDiscard);
  EXPECT_FALSE(w->GetInspector());
  EXPECT_EQ(before - 2, standard->Controls().Count());  // template button and its menu
  EXPECT_EQ(3, actions->Controls().Count());            // the popup went too
  EXPECT_FALSE(fieldBar->IsDeleted());  // kept with Outlook's editor; only its place is saved
  EXPECT_TRUE(Logged(L"CInspectorWrapper::m_oInspector_Close", L"->"));
  w->Done();  // a second end changes nothing

  Start(kV2003, true);
  w = Open(AddTemplate(L"Offer"));
  auto own = w->OwnToolbar(), fields = w->FieldToolbar();
  w->GetInspector()->Close(outlook::olDiscard);
  EXPECT_TRUE(own->IsDeleted());
  EXPECT_TRUE(fields->IsDeleted());
}

TEST_F(Bars, ASecondWordWindowBefore2007GetsItsOwnToolbarToo) {
  Start(kV2003, true);
  auto first = Open(MadeMail(L"One", L"x", 1, {L"Kim Roe"}));
  auto second = Open(MadeMail(L"Two", L"y", 1, {L"Kim Roe"}));
  ASSERT_EQ(BarsOf(first), BarsOf(second));  // Word's one set
  ASSERT_TRUE(second->OwnToolbar());
  EXPECT_TRUE(second->OwnToolbar()->Visible());
  EXPECT_TRUE(second->m_btnTemplate);
  // The first window's toolbar is only hidden; closing the first window leaves the second
  // its toolbar.
  ASSERT_TRUE(first->OwnToolbar());
  EXPECT_FALSE(first->OwnToolbar()->IsDeleted());
  EXPECT_FALSE(first->OwnToolbar()->Visible());
  first->GetInspector()->Close(outlook::olDiscard);
  EXPECT_FALSE(second->OwnToolbar()->IsDeleted());
  EXPECT_TRUE(second->OwnToolbar()->Visible());
  second->m_btnTemplate->UserClick();
  EXPECT_EQ(1u, commands.size());
}

TEST_F(Bars, WordsOneSetOfBarsBefore2007ActsOnTheWindowTheUserIsIn) {
  for (const wchar_t* version : {kV2000, kV2003}) {
    SCOPED_TRACE(win32::ToAnsi(version));
    Start(version, true);
    auto alpha = AddTemplate(L"Alpha"), beta = AddTemplate(L"Beta");
    auto a = Open(alpha);
    auto b = Open(beta);
    ASSERT_TRUE(a && b && a->OwnToolbar() && b->OwnToolbar());
    // Word shows the newest window's bars; the older ones are hidden, not deleted.
    EXPECT_EQ(b->OwnToolbar(), BarsOf(a)->Item(L"Tanvelo"));
    EXPECT_EQ(b->FieldToolbar(), BarsOf(a)->Item(L"Tanvelo personalization items"));
    EXPECT_FALSE(a->OwnToolbar()->IsDeleted() || a->OwnToolbar()->Visible());
    EXPECT_FALSE(a->FieldToolbar()->IsDeleted() || a->FieldToolbar()->Visible());

    // The user goes back to Alpha's window and uses the bars Word shows there.
    auto inAlpha = a->GetInspector();
    inAlpha->Activate();
    b->m_btnChangeDefault->UserClick();
    EXPECT_TRUE(mTanvelo::IsDefaultTemplate(alpha->EntryID()));
    b->m_btnHotkey->UserClick();
    b->m_btnOpenDuplicate->UserClick();
    alpha->SetBody(L"Alpha, edited");
    beta->SetBody(L"Beta, edited");
    b->m_btnTemplate->UserClick();  // saves the window's template
    EXPECT_TRUE(alpha->Saved());
    EXPECT_FALSE(beta->Saved());
    win32::keyboard::SetFocus(inAlpha);
    inAlpha->SetCaret(0);
    for (const auto& field : b->FieldToolbar()->Controls())
      if (field->Parameter() == L"%FirstName%") office::AsButton(field)->UserClick();
    win32::clock::Advance(50);  // Word takes the field through the clipboard
    EXPECT_EQ(0u, alpha->Body().find(L"%FirstName%")) << alpha->Body();
    EXPECT_EQ(std::wstring::npos, beta->Body().find(L"%FirstName%"));
    EXPECT_EQ((Names{L"ChangeDefault [" + alpha->EntryID() + L"]",
                     L"Hotkey [" + alpha->EntryID() + L"] fg=1",
                     L"OpenDuplicate [" + alpha->EntryID() + L"] fg=1"}),
              commands);

    // A third window, a mail the program made: its toolbar now stands in all three.
    auto gamma = MadeMail(L"Gamma", L"x", 1, {L"Kim Roe"});
    auto g = Open(gamma);
    ASSERT_TRUE(g && g->OwnToolbar());
    EXPECT_FALSE(b->OwnToolbar()->IsDeleted() || b->OwnToolbar()->Visible());
    commands.clear();
    g->m_btnTemplate->UserClick();  // in Gamma's own window: saved as a template
    b->GetInspector()->Activate();
    g->m_btnProcessPersonal->UserClick();  // acts on Beta, the window the user is in
    inAlpha->Activate();
    g->m_btnTemplate->UserClick();  // Alpha is a template: saved, nothing asked
    EXPECT_EQ((Names{L"SaveAsTemplate [" + gamma->EntryID() + L"] fg=1",
                     L"ProcessPersonal [" + beta->EntryID() + L"] word=1"}),
              commands);

    // The newest window closes: the one before it shows its own bar again.
    g->GetInspector()->Close(outlook::olDiscard);
    EXPECT_TRUE(b->OwnToolbar()->Visible());
    EXPECT_EQ(b->OwnToolbar(), BarsOf(a)->Item(L"Tanvelo"));
    b->GetInspector()->Close(outlook::olDiscard);
    EXPECT_TRUE(a->OwnToolbar()->Visible());
    EXPECT_TRUE(a->FieldToolbar()->Visible());
    EXPECT_EQ(a->OwnToolbar(), BarsOf(a)->Item(L"Tanvelo"));
  }
}

}  // namespace

TEST_F(Bars, AChooseItemOfficeRefusesCostsItsDropDownsQuickItemsAndNothingElse) {
  for (int32_t i = 1; i <= 5; ++i) {
    auto t = AddTemplate(L"T" + std::to_wstring(i));
    g_oFrequentlyTemplates->IncUseCount(t->EntryID(), mTanvelo::kActionReply);
  }
  // The reply drop-down's own bar, asked for its choose item, is refused.
  auto w = OpenRefusing(L"CommandBar");
  ASSERT_TRUE(w->m_popTanvelo);
  EXPECT_FALSE(w->m_btnTanveloSub);
  // The rest of the first activation's build is all there.
  EXPECT_EQ(
      (Names{L"2617", L"31224", L"|template", L"templateMenu", L"1747", L"|reply", L"replyMenu",
             L"|354", L"|replyAll", L"replyAllMenu", L"355", L"|forward", L"forwardMenu", L"356"}),
      Layout(Standard(w), w));
  ASSERT_TRUE(w->m_popReplyAllWith && w->m_popActionMenu);
  EXPECT_EQ(6, w->m_popReplyAllWith->Controls().Count());
  EXPECT_EQ((Names{L"reply2", L"replyAll2", L"forward2", L"|saveAs2", L"personal2"}),
            Layout(w->m_popActionMenu->CommandBar(), w));
  // No quick items in the choose item's place: none would be refilled short at every update.
  Update(w);
  Update(w);
  EXPECT_EQ(0, w->m_popTanvelo->Controls().Count());
  EXPECT_FALSE(Logged(L"CInspectorWrapper::Update_FreqButtons"));
  EXPECT_FALSE(Logged(L"CInspectorWrapper::m_oInspector_Activate"));
}

TEST_F(Bars, AnAddOfficeRefusesInTheFirstActivationCostsOnlyThatControl) {
  // Each of the first activation's adds in turn: the reply, reply-to-all and forward pairs
  // (button, drop-down, choose item, five quick items each), the Actions popup and its items,
  // the template button, its drop-down and its item.
  for (int passing = 0;; ++passing) {
    auto w = OpenRefusing(L"Add", passing);
    if (office::CallFailureArmed(L"Add")) {
      EXPECT_EQ(33, passing) << "every add of the build refused once";
      break;
    }
    ASSERT_TRUE(w) << passing;
    EXPECT_FALSE(Logged(L"CInspectorWrapper::m_oInspector_Activate")) << passing;
    int32_t made = 0;
    for (const Control& c :
         {Control(w->m_btnTanvelo), Control(w->m_popTanvelo), Control(w->m_btnReplyAllWith),
          Control(w->m_popReplyAllWith), Control(w->m_btnForwardWith), Control(w->m_popForwardWith),
          Control(w->m_popActionMenu), Control(w->m_btnTemplate), Control(w->m_popTemplate)})
      made += c != nullptr;
    EXPECT_LE(7, made) << passing;
    // Quick items stand only after a choose item.
    for (const auto& [popup, sub] : {std::pair{w->m_popTanvelo, w->m_btnTanveloSub},
                                     std::pair{w->m_popReplyAllWith, w->m_btnReplyAllWithSub},
                                     std::pair{w->m_popForwardWith, w->m_btnForwardWithSub}})
      if (popup && popup->Controls().Count() > 0) {
        EXPECT_EQ(sub, popup->Controls().Item(1)) << passing;
      }
    w->GetInspector()->Close(outlook::olDiscard);
  }
}

TEST_F(Bars, ABarOfficeRefusesInTheFirstActivationCostsOnlyWhatStandsOnIt) {
  // Each bar the first activation asks for in turn (the drop-downs' and the Actions popup's,
  // for their items), refused once: for a received mail and for a template, whose menus differ.
  auto tmpl = AddTemplate(L"Offer");
  for (const auto& item : {p.plainMail, tmpl}) {
    const bool isTemplate = item == tmpl;
    const int32_t templateItems = isTemplate ? 3 : 1, actionItems = isTemplate ? 3 : 5;
    int passing = 0;
    for (;; ++passing) {
      auto arm = p.app->Inspectors()->NewInspector.Subscribe(
          [&](const std::shared_ptr<outlook::Inspector>&) {
            office::FailCallAnywhere(L"CommandBar", passing);
          });
      const size_t from = support::library::Log().size();
      auto w = Open(item);
      if (office::CallFailureArmed(L"CommandBar")) {  // no call left to refuse
        office::FailCallAnywhere(L"CommandBar", 1 << 30);
        if (w) w->GetInspector()->Close(outlook::olDiscard);
        break;
      }
      ASSERT_TRUE(w) << passing;
      bool ended = false;
      for (size_t i = from; i < support::library::Log().size(); ++i)
        ended = ended ||
                support::library::Log()[i].procedure == L"CInspectorWrapper::m_oInspector_Activate";
      EXPECT_FALSE(ended) << "bar " << passing + 1 << " refused ended the build";
      // The template menu stands whichever bar was refused; one item at most is missing from
      // it and the Actions popup, or the popup itself when its own bar was refused.
      ASSERT_TRUE(w->m_popTemplate) << passing;
      int32_t missing = templateItems - w->m_popTemplate->Controls().Count();
      if (w->m_popActionMenu) missing += actionItems - w->m_popActionMenu->Controls().Count();
      EXPECT_GE(1, missing) << "bar " << passing + 1 << " refused";
      w->GetInspector()->Close(outlook::olDiscard);
    }
    EXPECT_LE(5, passing) << "every bar of the build refused once";
  }
}

// A window that holds its item a moment still runs the clicked command on that item; refused
// past every try, nothing runs and an error names the command and, read from the mail the
// window was opened on, the template or mail.
TEST_F(Bars, AClickWhoseWindowHoldsItsItemAMomentStillActsOrIsToldByName) {
  auto tmpl = AddTemplate(L"Offer");
  auto mail = MadeMail(L"Figures", L"x", 1, {L"Kim Roe"});
  auto t = Open(tmpl);
  auto m = Open(mail);
  ASSERT_TRUE(t && m);
  ItemPtr gotItem;
  std::wstring gotId;
  auto& c = InspectorCommandsSlot();
  c.SaveAsTemplate_Click = [&](const std::wstring& id, bool&) { gotId = id; };
  c.OpenDuplicate_Click = [&](const std::wstring& id, bool) { gotId = id; };
  c.Hotkey_Click = [&](const std::wstring& id, bool) { gotId = id; };
  c.ChangeDefault_Click = [&](const ItemPtr& item) {
    gotItem = item;
    return false;
  };
  c.ProcessPersonal2_Click = [&](const ItemPtr& item, bool) { gotItem = item; };
  const struct {
    std::shared_ptr<office::CommandBarButton> button;
    ItemPtr item;
    const wchar_t* label;
    const wchar_t* procedure;
  } cases[] = {
      {t->m_btnChangeDefault, tmpl, L"BTN_CHANGE_DEFAULT_SET", L"m_btnChangeDefault_Click"},
      {t->m_btnOpenDuplicate, tmpl, L"BTN_OPEN_DUPLICATE", L"m_btnOpenDuplicate_Click"},
      {t->m_btnOpenDuplicate2, tmpl, L"BTN_OPEN_DUPLICATE", L"m_btnOpenDuplicate_Click"},
      {t->m_btnHotkey, tmpl, L"BTN_HOTKEY", L"m_btnHotkey_Click"},
      {t->m_btnHotkey2, tmpl, L"BTN_HOTKEY", L"m_btnHotkey_Click"},
      {m->m_btnTemplate, mail, L"BTN_SAVE_AS_TEMPLATE", L"m_btnSaveAsTemplate2_Click"},
      {m->m_btnSaveAsTemplate2, mail, L"BTN_SAVE_AS_TEMPLATE", L"m_btnSaveAsTemplate2_Click"},
      {m->m_btnProcessPersonal, mail, L"BTN_PROCESS_PERSONAL", L"m_btnProcessPersonal_Click"},
      {m->m_btnProcessPersonal2, mail, L"BTN_PROCESS_PERSONAL", L"m_btnProcessPersonal_Click"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(win32::ToAnsi(k.label));
    ASSERT_TRUE(k.button);
    const std::wstring id = k.item->EntryID(), subject = k.item->Subject();
    const std::wstring procedure = std::wstring(L"CInspectorWrapper::") + k.procedure;
    auto click = [&](const win32::faults::Plan& plan) {
      gotItem = nullptr;
      gotId.clear();
      win32::faults::Start(plan);
      k.button->UserClick();
      win32::faults::Stop();
      return gotId == id || (gotItem && gotItem->EntryID() == id);
    };
    ASSERT_TRUE(click({.countOnly = true}));
    const uint64_t calls = win32::faults::Counts().calls;
    ASSERT_GT(calls, 0u);
    for (uint64_t at = 1; at <= calls; ++at)
      EXPECT_TRUE(click({.at = at, .span = uint64_t{kHeldTries} - 1}))
          << "refused from call " << at;
    // Refused past every try: the mail the window was opened on still names it.
    EXPECT_FALSE(click({.at = 1, .span = kHeldTries}));
    EXPECT_TRUE(Logged(procedure, LangText(k.label) + L": \"" + subject + L"\" could not be read"));
    // Refused for good: the command alone names it.
    const size_t from = support::library::Log().size();
    EXPECT_FALSE(click({.at = 1, .span = 1000}));
    bool told = false;
    for (size_t i = from; i < support::library::Log().size(); ++i) {
      const auto& e = support::library::Log()[i];
      told = told || (e.procedure == procedure && e.level >= kLevelError &&
                      e.text.starts_with(LangText(k.label) + L":"));
    }
    EXPECT_TRUE(told);
  }
}

// The default template's window: its item or the default refused a moment longer than they
// are asked never captions its button to make it the default again; the log names it.
TEST_F(Bars, TheDefaultsCaptionOutlastsRefusalsAndARefusalForGoodNamesTheTemplate) {
  auto tmpl = AddTemplate(L"Offer");
  mTanvelo::SetDefaultTemplate(tmpl);
  auto w = Open(tmpl);
  const std::wstring clear = LangText(L"BTN_CHANGE_DEFAULT_CLEAR");
  ASSERT_EQ(clear, w->m_btnChangeDefault->Caption());
  win32::faults::Start({.countOnly = true});
  Update(w);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 0u);
  bool told = false;
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t before = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      Update(w);
      win32::faults::Stop();
      EXPECT_EQ(clear, w->m_btnChangeDefault->Caption()) << span << " refusals from call " << at;
      for (size_t i = before; i < support::library::Log().size(); ++i) {
        const auto& line = support::library::Log()[i];
        told |=
            line.level >= 3 && line.text.find(L"\"Offer\" is the default") != std::wstring::npos;
      }
    }
  EXPECT_TRUE(told);
}
