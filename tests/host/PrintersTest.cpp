// What the program shows of a mail and a folder, and how it names command-bar controls: the
// words a script's expectations and clicks are written in.
#include <gtest/gtest.h>

#include "host/Printers.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"

TEST(Printers, AMailShowsItsPeopleFormatBodyAndInlinePictures) {
  auto p = outlook::BuildProfile();
  auto lines = host::MailLines(p.htmlMail);
  std::wstring all;
  for (const auto& l : lines) all += l + L"\n";
  EXPECT_NE(std::wstring::npos, all.find(L"from: Lee Ann <lee.ann@norvane.example>"));
  EXPECT_NE(std::wstring::npos, all.find(L"format: HTML"));
  EXPECT_NE(std::wstring::npos, all.find(L"(inline)"));
  EXPECT_NE(std::wstring::npos, all.find(L"body:\n  | "));
  // An unsent mail is from the profile's user; empty fields are left out but the subject.
  auto draft = p.drafts->Items()->Add(outlook::olMailItem);
  std::wstring from;
  ASSERT_TRUE(host::MailField(draft, L"from", from));
  EXPECT_EQ(L"Pat Doe <pat.doe@norvane.example>", from);
  EXPECT_FALSE(host::MailField(draft, L"colour", from));
  auto draftLines = host::MailLines(draft);
  EXPECT_EQ(L"subject: ", draftLines[1]);

  auto folder = host::FolderLines(p.inbox);
  EXPECT_EQ(L"folder Inbox", folder[0]);
  EXPECT_EQ(L"  #1 " + p.inbox->Items()->Item(1)->Subject() +
                L"  (from Kim Roe <kim.roe@partner.example>)",
            folder[1]);
}

// A separate copy to a Cc or Bcc alone is named on that line, never shown as to nobody.
TEST(Printers, AnUnsentMailNamesEachLineItIsAddressedOn) {
  auto p = outlook::BuildProfile();
  for (auto [type, shown] : {std::pair{outlook::olCC, L"(unsent, cc Jo Bloggs)"},
                             std::pair{outlook::olBCC, L"(unsent, bcc Jo Bloggs)"}}) {
    auto mail = p.outbox->Items()->Add(outlook::olMailItem);
    mail->Recipients()->Add(L"Jo Bloggs")->SetType(type);
    mail->Save();
    EXPECT_TRUE(host::FolderLines(p.outbox).back().ends_with(shown)) << shown;
    mail->Delete();
  }
}

TEST(Printers, OnOutlook2000TheFormatIsToldFromWhatTheMailHolds) {
  auto p = outlook::BuildProfile({.version = L"9.0.0.3821"});
  std::wstring format;
  ASSERT_TRUE(host::MailField(p.htmlMail, L"format", format));
  EXPECT_EQ(L"HTML", format);
  ASSERT_TRUE(host::MailField(p.plainMail, L"format", format));
  EXPECT_EQ(L"plain", format);
  p.plainMail->SetRTFBody(L"{\\rtf1 Hello}");
  ASSERT_TRUE(host::MailField(p.plainMail, L"format", format));
  EXPECT_EQ(L"RTF", format);
  EXPECT_FALSE(host::MailLines(p.htmlMail).empty());
}

TEST(Printers, CaptionsReadAsShownAndArrowsAreNamedAfterTheirButton) {
  EXPECT_EQ(L"Save & close", host::ShownCaption(L"Save && &close"));
  EXPECT_EQ(L"Reply", host::ShownCaption(L"&Reply"));
  auto bars = office::CommandBars::Create();
  auto bar = bars->Add(L"Mine", office::msoBarTop, false, true);
  auto button =
      office::AsButton(bar->Controls().Add(office::msoControlButton, 0, L"", std::nullopt, true));
  button->SetTooltipText(L"Reply using a template");
  auto arrow = bar->Controls().Add(office::msoControlPopup, 0, L"", std::nullopt, true);
  auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(arrow);
  popup->Controls()
      .Add(office::msoControlButton, 0, L"", std::nullopt, true)
      ->SetCaption(L"&Reply with...");
  std::vector<std::wstring> lines;
  host::BarLines(*bar, L"", lines);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(L"  \"Reply using a template\"", lines[0]);
  EXPECT_EQ(L"  \"Reply using a template (arrow)\"", lines[1]);
  EXPECT_EQ(L"  \"Reply using a template (arrow)/Reply with...\"", lines[2]);
}

namespace {
class frmAsk : public forms::Form {
 public:
  frmAsk() : Form(L"frmAsk") {}

 protected:
  void Design() override {
    SetCaption(L"Question");
    Add<forms::Label>(L"lbl")->SetCaption(L"Which one?");
    Add<forms::TextBox>(L"txtName")->SetText(L"Kim");
    Add<forms::CheckBox>(L"chkKeep")->SetCaption(L"&Keep");
    Add<forms::OptionButton>(L"optA")->SetCaption(L"A");
    auto list = Add<forms::ComboBox>(L"cboLetters");
    list->AddItem(L"R");
    list->AddItem(L"*S");
    auto ok = Add<forms::CommandButton>(L"btnOK");
    ok->SetCaption(L"&OK");
    ok->SetEnabled(false);
    Add<forms::ImageList>(L"ils");
  }
};
}  // namespace

TEST(Printers, AnUnansweredDialogIsShownWithTheNamesAnAnswerUses) {
  frmAsk form;
  form.Load();
  auto lines = host::DialogLines(form);
  std::wstring all;
  for (const auto& l : lines) all += l + L"\n";
  EXPECT_EQ(
      L"  frmAsk \"Question\"\n"
      L"    \"Which one?\"\n"
      L"    txtName = \"Kim\"\n"
      L"    [ ] Keep  chkKeep\n"
      L"    ( ) A  optA\n"
      L"    cboLetters: R, *S\n"
      L"    [OK] btnOK (disabled)\n",
      all);
  form.Unload();
}
