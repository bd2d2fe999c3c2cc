// Typing into an inspector's editor on every Outlook version.
#include <gtest/gtest.h>

#include "platform/outlook/BodyConvert.h"
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

// The HTML editor types into the markup: at the caret counted in the text it shows, escaped,
// over a selection only the selected text and line breaks go, every other tag stays.
TEST(EditorTyping, TextTypedIntoHtmlKeepsTheMarkupAround) {
  const std::wstring lunch = L"<p>Hi <b>Pat</b>,</p><p><img src=\"cid:image001.png\"></p>";
  const std::wstring pic = L"<p><img src=\"cid:image001.png\"></p>";
  const struct {
    std::wstring html;
    size_t start, length;
    const wchar_t* typed;
    std::wstring expected;
  } cases[] = {
      {lunch, 0, 0, L"x", L"<p>xHi <b>Pat</b>,</p>" + pic},
      {lunch, 3, 0, L"x", L"<p>Hi x<b>Pat</b>,</p>" + pic},
      {lunch, 6, 0, L"x", L"<p>Hi <b>Patx</b>,</p>" + pic},
      {lunch, 3, 3, L"Kim", L"<p>Hi <b>Kim</b>,</p>" + pic},
      {lunch, 0, 6, L"Dear Kim", L"<p>Dear Kim<b></b>,</p>" + pic},
      {L"<p>a<br>b</p>", 0, 4, L"c", L"<p>c</p>"},
      {L"<p>a</p><p>b</p>", 0, 4, L"c", L"<p>c</p><p></p>"},
      {L"<p>One</p><p><br></p><p>Two</p>", 5, 0, L"x", L"<p>One</p><p>x<br></p><p>Two</p>"},
      {L"<p>A &amp; B</p>", 3, 0, L"x", L"<p>A &amp;x B</p>"},
      {L"<p>A</p>", 1, 0, L"a < b  &\r\nc\n", L"<p>Aa &lt; b &nbsp;&amp;<br>c<br></p>"},
      {L"<html><head><title>T</title></head><body><p>Hi</p></body></html>", 2, 0, L"x",
       L"<html><head><title>T</title></head><body><p>Hix</p></body></html>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.html + L" at " + std::to_wstring(c.start));
    EXPECT_EQ(outlook::body::TypeIntoHtml(c.html, c.start, c.length, c.typed), c.expected);
  }
}

// "Team lunch" opened and typed into: its bold and inline picture stay; a selection found in
// the text the editor shows is all that is replaced, and the caret follows what was typed.
TEST(EditorTyping, AnHtmlTemplateTypedIntoKeepsItsFormattingAndPicture) {
  auto p = outlook::BuildProfile({.version = L"14.0.4760"});
  auto item = p.drafts->Items()->Add(outlook::olMailItem);
  item->SetHTMLBody(
      L"<html><body><p>Hi <b>Pat</b>,</p><p>lunch on Friday?</p>"
      L"<p><img src=\"cid:image001.png\"></p><p>Lee</p></body></html>");
  auto inspector = p.app->Inspectors()->Add(item);
  inspector->SetCaret(0);
  inspector->TypeText(L"x");
  const std::wstring body = item->Body();
  const size_t at = body.find(L"Friday");
  inspector->SetSelection(static_cast<int32_t>(at), 6);
  inspector->TypeText(L"Monday\r\n");
  EXPECT_EQ(item->HTMLBody(),
            L"<html><body><p>xHi <b>Pat</b>,</p><p>lunch on Monday<br>?</p>"
            L"<p><img src=\"cid:image001.png\"></p><p>Lee</p></body></html>");
  EXPECT_EQ(inspector->Caret(), static_cast<int32_t>(at + 8));
}
