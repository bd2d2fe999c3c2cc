// Typing into an inspector's editor on every Outlook version.
#include <gtest/gtest.h>

#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"

TEST(EditorTyping, TextTypedAtTheCaretLandsInTheBodyOnEveryVersion) {
  for (const wchar_t* version : {L"9.0.0.2711", L"11.0.8169", L"14.0.4760"}) {
    auto p = outlook::BuildProfile({.version = version});
    auto item = p.drafts->Items()->Add(outlook::olMailItem);
    item->SetBody(L"Dear ,");
    auto inspector = p.app->Inspectors()->Add(item);
    inspector->SetCaret(5);
    inspector->TypeText(L"Kim");
    EXPECT_EQ(L"Dear Kim,", item->Body()) << version;
  }
}

// The editor builds the new text from the stored one: a selection is replaced in place, and a
// caret left past the end of a body that shrank since types at the end.
TEST(EditorTyping, ASelectionIsReplacedAndACaretPastAShrunkBodyTypesAtItsEnd) {
  auto p = outlook::BuildProfile({.version = L"14.0.4760"});
  auto item = p.drafts->Items()->Add(outlook::olMailItem);
  item->SetBody(L"Dear Sir or Madam,\r\nthanks");
  auto inspector = p.app->Inspectors()->Add(item);
  inspector->SetSelection(5, 13);
  EXPECT_EQ(L"Sir or Madam", inspector->SelectedText().substr(0, 12));
  inspector->TypeText(L"Kim");
  EXPECT_EQ(L"Dear Kim\r\nthanks", item->Body());
  EXPECT_EQ(8, inspector->Caret());

  inspector->SetCaret(16);
  item->SetBody(L"Hi");
  inspector->TypeText(L"!");
  EXPECT_EQ(L"Hi!", item->Body());
  EXPECT_EQ(3, inspector->Caret());

  // In an HTML item the typed text is the plain text the editor shows, made HTML again.
  item->SetBodyFormat(outlook::olFormatHTML);
  inspector->SetCaret(0);
  inspector->TypeText(L"<Oh> ");
  EXPECT_EQ(L"<Oh> Hi!", item->Body());
  EXPECT_NE(std::wstring::npos, item->HTMLBody().find(L"&lt;Oh&gt; Hi!"));
}
