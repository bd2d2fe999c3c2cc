// Bodies by format, and HTML carried in RTF.
#include "EngineTest.h"
#include "engine/mBody.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/win32/Faults.h"
#include "tests/common/Log.h"

TEST(mBodyRtf, EncodesControlCharactersAndEverythingOutsideAscii) {
  struct Case {
    const char* what;
    std::wstring text, rtf;
  } cases[] = {
      {"plain ascii", L"<p>Hi there</p>", L"<p>Hi there</p>"},
      {"braces", L"a{b}c", L"a\\{b\\}c"},
      {"backslashes before braces", L"C:\\dir\\{x}", L"C:\\\\dir\\\\\\{x\\}"},
      {"latin", L"caf\u00E9", L"caf\\u233?"},
      {"above 32767 is negative", L"\u20AC\uFFFD", L"\\u8364?\\u-3?"},
      {"outside the basic plane as two units", L"\U0001F600", L"\\u-10179?\\u-8704?"},
      {"line breaks are paragraphs a reader sees", L"a\r\nb", L"a\\par\r\nb"},
      {"lone breaks as themselves", L"a\nb\rc", L"a\\u10?b\\u13?c"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rtf, mBody::RtfEncodeText(c.text)) << c.what;
  EXPECT_EQ(L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 <b>\\{x\\}</b>}",
            mBody::HtmlToRtf(L"<b>{x}</b>"));
}

namespace {
class Bodies : public EngineTest {};
}  // namespace

TEST_F(Bodies, FormatByVersion) {
  Start(L"9.0.0.2711");
  auto item = AddMail(templates, L"t");
  EXPECT_EQ(0, mBody::GetBodyFormat(item));
  EXPECT_FALSE(mBody::SetBodyFormat(item, outlook::olFormatHTML));
  EXPECT_TRUE(item->Saved());  // untouched

  Start(L"10.0.2627");
  item = AddMail(templates, L"t");
  EXPECT_EQ(outlook::olFormatPlain, mBody::GetBodyFormat(item));
  EXPECT_FALSE(mBody::SetBodyFormat(item, 7));  // refused: answered, not raised
  EXPECT_EQ(0, vb::Err().Number());
  EXPECT_TRUE(mBody::SetBodyFormat(item, outlook::olFormatHTML));
  EXPECT_EQ(outlook::olFormatHTML, mBody::GetBodyFormat(item));

  Start(L"11.0.5510");
  item = AddMail(templates, L"t");
  EXPECT_TRUE(mBody::SetBodyFormat(item, outlook::olFormatRichText));
  EXPECT_EQ(outlook::olFormatRichText, mBody::GetBodyFormat(item));
  EXPECT_FALSE(vb::Catch([&] { mBody::SetBodyFormat(item, 7); }));  // the caller's error
}

TEST_F(Bodies, EachFormatRoundTripsThroughTheSafeItem) {
  auto plain = AddMail(templates, L"plain");
  mBody::SafeSetBody(plain, L"Dear %FullName%,\r\n\r\nthanks.");
  EXPECT_EQ(L"Dear %FullName%,\r\n\r\nthanks.", mBody::SafeGetBody(plain, true));
  EXPECT_EQ(L"Dear %FullName%,\r\n\r\nthanks.", mBody::GetBody(plain));
  EXPECT_EQ(L"", mBody::SafeGetHTMLBody(plain, true, false));

  auto html = AddMail(templates, L"html");
  const std::wstring page = L"<html><body bgcolor=red><p>Hi</p></body></html>";
  mBody::SetHTMLBody(html, page);
  html->Save();
  EXPECT_EQ(page, mBody::SafeGetHTMLBody(html, true, false));
  EXPECT_EQ(page, mBody::GetHTMLBody(html, false));

  auto rtf = AddMail(templates, L"rtf");
  const std::wstring doc = L"{\\rtf1\\ansi Caf\\u233? \\{x\\}\\par next}";
  mBody::SafeSetRTFBody(rtf, doc);
  EXPECT_EQ(doc, mBody::SafeGetRTFBody(rtf, true));
  EXPECT_EQ(L"Caf\u00E9 {x}\r\nnext", mBody::SafeGetBody(rtf, true));
}

TEST_F(Bodies, HtmlWrittenAsRtfReadsBackWhole) {
  auto item = AddMail(templates, L"t");
  const std::wstring html =
      L"<p style='x'>C:\\Temp\\{name} caf\u00E9 \u20AC 5 {braces}</p><p>\u00FCber</p>";
  mBody::SafeSetHTMLBody(item, html);
  std::wstring rtf = mBody::SafeGetRTFBody(item, true);
  EXPECT_EQ(0u, rtf.find(L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1"));
  // Outlook makes the item HTML with exactly that HTML, and keeps it in the RTF body too.
  EXPECT_EQ(outlook::olFormatHTML, item->BodyFormat());
  EXPECT_EQ(html, item->HTMLBody());
  std::wstring back;
  EXPECT_TRUE(outlook::body::HtmlFromRtf(rtf, back));
  EXPECT_EQ(html, back);
  // Also with line breaks between words, a leading digit or blank, and a smiley.
  for (std::wstring text : {L"2 words\r\nper line\nand\rmore", L" lead", L"\U0001F600 ok"}) {
    mBody::SafeSetHTMLBody(item, text);
    EXPECT_EQ(text, item->HTMLBody());
    EXPECT_TRUE(outlook::body::HtmlFromRtf(mBody::SafeGetRTFBody(item, true), back));
    EXPECT_EQ(text, back);
    // What the add-in writes reads whole with any RTF reader too.
    EXPECT_EQ(text, outlook::body::RtfToText(mBody::HtmlToRtf(text)));
  }
}

TEST_F(Bodies, SwitchingToHtmlSavesOnlyWhenAllowed) {
  auto unsaved = p.app->CreateItem(outlook::olMailItem);
  unsaved->SetBody(L"line one\r\nline two");
  EXPECT_EQ(mTanvelo::GetTemplateBodyFormat(unsaved, false, false), outlook::olFormatPlain);
  EXPECT_TRUE(unsaved->EntryID().empty());

  std::wstring html = mBody::SafeGetHTMLBody(unsaved, false, true);
  EXPECT_EQ(outlook::olFormatHTML, unsaved->BodyFormat());
  EXPECT_TRUE(unsaved->EntryID().empty());
  EXPECT_NE(std::wstring::npos, html.find(L"line two"));

  EXPECT_EQ(outlook::olFormatHTML, mTanvelo::GetTemplateBodyFormat(unsaved, true, true));
  EXPECT_FALSE(unsaved->EntryID().empty());
  EXPECT_TRUE(unsaved->Saved());
}

TEST_F(Bodies, SafeAccessLogsAndAnswersEmptyWithoutRedemption) {
  auto item = AddMail(templates, L"t");
  redemption::Uninstall();
  EXPECT_EQ(L"", mBody::SafeGetBody(item, true));
  EXPECT_TRUE(Logged(L"mBody::SafeGetBody"));
  mBody::SafeSetHTMLBody(item, L"<p>x</p>");
  EXPECT_TRUE(Logged(L"mBody::SafeSetHTMLBody"));
  mBody::SafeSetRTFBody(item, L"{\\rtf1 x}");
  EXPECT_TRUE(Logged(L"mBody::SafeSetRTFBody"));
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(Bodies, ABodyReadRefusedAMomentIsAskedAgainAndPastItsTriesToldNamingTheItem) {
  // Read as empty, a reply or template would be made without the text.
  auto item = AddMail(templates, L"Quarterly figures");
  item->SetBody(L"the figures");
  item->Save();
  for (uint64_t refusals : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    const size_t logged = support::library::Log().size();
    win32::faults::Start({.at = 1, .span = refusals});
    std::wstring body = mBody::SafeGetBody(item, true);
    win32::faults::Stop();
    EXPECT_EQ(refusals, win32::faults::Counts().raised);
    if (refusals < uint64_t{kHeldTries}) {
      EXPECT_EQ(L"the figures", body);
      EXPECT_EQ(logged, support::library::Log().size());
    } else {
      EXPECT_EQ(L"", body);
      EXPECT_TRUE(testlog::LoggedContaining(L"mBody::SafeGetBody",
                                            L"The text of \"Quarterly figures\" was not read"));
    }
  }
}
