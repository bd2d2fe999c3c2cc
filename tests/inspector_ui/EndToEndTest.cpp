// Each editor on Outlook 2000, 2003, 2007 and 2010, with the real commands, deferred actions,
// picker, send question and personalization: a template is given its fields from the field
// toolbar and menu and stays a template; a reply made from it opens and goes out personalized;
// a forward sent as one message per recipient asks first for a field it has no value for.
#include "commands/frmDummy.h"
#include "dialogs/mForms.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Keyboard.h"
#include "tests/inspector_ui/InspectorTest.h"

namespace {

struct Case {
  const wchar_t* name;
  const wchar_t* version;
  bool word;
  int32_t format;  // of the received mail (Outlook's own editor follows it)
};

const Case kCases[] = {
    {L"2000 plain", kV2000, false, 0},
    {L"2000 Word", kV2000, true, 0},
    {L"2003 plain", kV2003, false, outlook::olFormatPlain},
    {L"2003 RTF", kV2003, false, outlook::olFormatRichText},
    {L"2003 HTML", kV2003, false, outlook::olFormatHTML},
    {L"2003 Word", kV2003, true, outlook::olFormatHTML},
    {L"2007 HTML", kV2007, false, outlook::olFormatHTML},
    {L"2007 Word", kV2007, true, outlook::olFormatHTML},
    {L"2010 plain", kV2010, false, outlook::olFormatPlain},
    {L"2010 Word", kV2010, true, outlook::olFormatHTML},
};

class InspectorEndToEnd : public InspectorTest {
 protected:
  void Begin(const Case& c) {
    Start(c.version, c.word);
    InspectorCommandsSlot() = InspectorCommands();  // the real commands, not the recording
    mForms::ConnectEngineServices();
    // From 2007 the bars come with the option (the ribbon is the host's).
    if (outlook::MajorVersion(c.version) >= 12) Options().SetShowOldControlsOn2007(true);
    // OK boxes are acknowledged; the send-or-keep question is answered "send now".
    win32::msgbox::SetDefaultAnswerer([this](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      if ((box.style & 0xF) != win32::MB_YESNO)
        throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
      return win32::IDNO;
    });
  }
  void TearDown() override {
    UnloadDummyForm();
    InspectorTest::TearDown();
  }

  // Lets the deferred actions and pastes run.
  static void Wait(uint32_t ms) { win32::clock::Advance(ms); }

  static void PickInPicker(const ItemPtr& tmpl, bool separate) {
    forms::QueueScript(L"frmSelectTemplate", [id = tmpl->EntryID(), separate](forms::User& u) {
      u.SelectNode(L"treFolders", L"N" + id);
      u.Choose(separate ? L"optSeparateMails" : L"optOneMail");
      u.Click(L"btnOK");
    });
  }

  // The field button of that token on a bar or in its popups.
  static std::shared_ptr<office::CommandBarButton> Field(office::CommandBar& bar,
                                                         const std::wstring& token) {
    for (const auto& c : bar.Controls()) {
      if (c->Parameter() == token) return office::AsButton(c);
      if (auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c))
        if (auto found = Field(*popup->CommandBar(), token)) return found;
    }
    return nullptr;
  }

  // Makes the reply or forward from the received mail's window: its drop-down's choose item,
  // or, where Word before 2007 has no reply buttons, the same command an explorer runs.
  ItemPtr MakeFrom(const ItemPtr& received, int32_t action) {
    auto w = Open(received);
    EXPECT_TRUE(w);
    auto sub = action == mTanvelo::kActionForward ? w->m_btnForwardWithSub : w->m_btnTanveloSub;
    const size_t before = wrappers.size();
    if (sub) {
      Update(w);
      sub->UserClick();
      Wait(1);  // the demand runs once the click has returned
    } else {
      int32_t a = action;
      mTanvelo::DoTanvelo(received, a, mTanvelo::kSelWholeMail, L"");
    }
    EXPECT_EQ(0u, forms::PendingScripts(L"frmSelectTemplate"));
    if (wrappers.size() <= before) return nullptr;
    return wrappers.back()->GetInspector()->CurrentItem();
  }

  ItemPtr Received(const Case& c) {
    if (c.format == outlook::olFormatHTML) return p.htmlMail;  // from Lee Ann
    if (c.format == outlook::olFormatRichText)
      return outlook::AddReceivedMail(p.inbox, p.kimRoe, L"Plans", c.format,
                                      L"{\\rtf1\\ansi Hello Pat}");
    return p.plainMail;  // from Kim Roe
  }
};

TEST_F(InspectorEndToEnd, ATemplateGetsItsFieldsFromTheToolbarAndMenuAndStaysATemplate) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Begin(c);
    auto tmpl = AddTemplate(L"Answer", L"Dear ");
    mTanvelo::SetAddinProperty(tmpl, Options().ProductCode(), true);
    auto w = Open(tmpl);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->FieldToolbar());
    auto inspector = w->GetInspector();
    win32::keyboard::SetFocus(inspector);
    inspector->SetCaret(5);
    Field(*w->FieldToolbar(), L"%FirstName%")->UserClick();
    Wait(50);  // Word takes the field through the clipboard a moment later
    std::wstring expected = L"Dear %FirstName% ";
    if (w->m_popInsert) {  // Outlook's editor before 2007: the Actions menu has the fields too
      inspector->SetCaret(static_cast<int32_t>(expected.size()));
      Field(*w->m_popInsert->CommandBar(), L"%MyName%")->RaiseClick();
      expected += L"%MyName% ";
    }
    // Word's paste may leave a blank of its own after the field.
    auto body = [&](const ItemPtr& item) {
      std::wstring text = item->Body();
      if (c.word && text.ends_with(L"  ")) text.pop_back();
      return text;
    };
    EXPECT_EQ(expected, body(tmpl));
    w->m_btnTemplate->UserClick();  // saves the template
    EXPECT_TRUE(tmpl->Saved());
    inspector->Close(outlook::olPromptForSave);
    auto stored = mTanvelo::GetTemplate(tmpl->EntryID());
    ASSERT_TRUE(stored);
    EXPECT_TRUE(mTanvelo::IsTemplateItem(stored));
    EXPECT_TRUE(mTanvelo::HasAddinStamp(stored));
    EXPECT_EQ(expected, body(stored));
    EXPECT_EQ(1u, ItemsOf(templates).size());
    EXPECT_TRUE(Boxes().empty());
  }
}

TEST_F(InspectorEndToEnd, AReplyMadeFromATemplateOpensAndGoesOutPersonalized) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Begin(c);
    auto tmpl = AddTemplate(L"Answer", L"Dear %FirstName%, from %MyName%.");
    PickInPicker(tmpl, false);
    auto reply = MakeFrom(Received(c), mTanvelo::kActionReply);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(mTanvelo::HasAddinStamp(reply));
    reply->Send();
    if (c.word) {
      EXPECT_TRUE(ItemsOf(p.outbox).empty());  // Word's send is taken a moment later
      Wait(250);
    }
    auto out = ItemsOf(p.outbox);
    ASSERT_EQ(1u, out.size());
    const std::wstring first = c.format == outlook::olFormatHTML ? L"Lee" : L"Kim";
    EXPECT_NE(std::wstring::npos, out[0]->Body().find(L"Dear " + first + L", from Pat Doe."))
        << out[0]->Body();
    EXPECT_TRUE(ItemsOf(tvDrafts).empty());
    EXPECT_FALSE(reply->OpenInspector());
  }
}

TEST_F(InspectorEndToEnd, SeparateMessagesAskForAFieldWithoutValueAndGoOnePerRecipient) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Begin(c);
    auto tmpl = AddTemplate(L"Notice", L"Dear %FirstName%,");
    PickInPicker(tmpl, true);
    auto forward = MakeFrom(Received(c), mTanvelo::kActionForward);
    ASSERT_TRUE(forward);
    EXPECT_EQ(L"2", forward->UserProperties()->Find(mTanvelo::kSendModeProperty)->Value());
    AddRecipient(forward, L"Kim Roe");
    AddRecipient(forward, L"max@rye.example");  // nobody the address book knows
    int asked = 0;
    forms::QueueScript(L"RL_frmEmptyField", [&](forms::User& u) {
      ++asked;
      u.Type(L"txtValue", L"Max");
      u.PressEnter();
    });
    forward->Send();
    if (c.word) Wait(250);
    EXPECT_EQ(1, asked);
    std::vector<std::wstring> out;
    for (const auto& m : ItemsOf(p.outbox))
      out.push_back(m->To() + L" | " + m->Body().substr(0, m->Body().find(L',') + 1));
    std::sort(out.begin(), out.end());
    EXPECT_EQ((std::vector<std::wstring>{L"Kim Roe | Dear Kim,", L"max@rye.example | Dear Max,"}),
              out);
  }
}

}  // namespace
