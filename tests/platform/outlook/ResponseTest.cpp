// Reply, Reply to All and Forward in each body format, and the bodies kept in step.
#include <gtest/gtest.h>

#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/vb/Error.h"

using namespace outlook;

namespace {

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(Response, ReplyInEachFormatQuotesTheOriginalInThatFormat) {
  Profile p = BuildProfile();
  struct Row {
    std::shared_ptr<Item> original;
    int32_t format;
    const wchar_t* quoted;
    int32_t attachments;  // an HTML answer keeps the pictures its quote shows, nothing else
  } rows[] = {{p.plainMail, olFormatPlain, L"the figures are attached.", 0},
              {p.htmlMail, olFormatHTML, L"lunch on Friday?", 1},
              {p.rtfMail, olFormatRichText, L"we have an offer for you.", 0}};
  for (auto& row : rows) {
    auto reply = row.original->Reply();
    SCOPED_TRACE(row.original->Subject());
    EXPECT_EQ(reply->Subject(), L"RE: " + row.original->Subject());
    EXPECT_EQ(reply->BodyFormat(), row.format);
    EXPECT_EQ(reply->EntryID(), L"");
    EXPECT_FALSE(reply->Sent());
    ASSERT_EQ(reply->Attachments()->Count(), row.attachments);
    if (row.attachments > 0) {
      EXPECT_EQ(reply->Attachments()->Item(1)->Fields(PR_ATTACH_CONTENT_ID),
                PropValue(std::wstring(L"image001.png@01D00000.00000000")));
      EXPECT_EQ(row.original->ReplyAll()->Attachments()->Count(), row.attachments);
    }
    ASSERT_EQ(reply->Recipients()->Count(), 1);
    EXPECT_EQ(reply->Recipients()->Item(1)->Name(), row.original->SenderName());
    EXPECT_TRUE(reply->Recipients()->Item(1)->Resolved());
    EXPECT_TRUE(Contains(reply->Body(), L"From: " + row.original->SenderName()));
    EXPECT_TRUE(Contains(reply->Body(), row.quoted));
    if (row.format == olFormatHTML) {
      std::wstring html = Lower(reply->HTMLBody());
      size_t bodyTag = html.find(L"<body");
      ASSERT_NE(bodyTag, std::wstring::npos);
      EXPECT_GT(html.find(L"lunch on friday?"), bodyTag);
      EXPECT_TRUE(Contains(html, L"cid:image001.png"));
    }
    if (row.format == olFormatRichText) {
      EXPECT_TRUE(Contains(reply->RTFBody(), row.quoted));
    }
  }
  // Answering an answer does not stack prefixes.
  auto reply = p.plainMail->Reply();
  reply->Save();
  EXPECT_EQ(reply->Reply()->Subject(), L"RE: Quarterly figures");
}

TEST(Response, ReplyAllAddsTheOthersButNotTheUser) {
  Profile p = BuildProfile();
  auto all = p.plainMail->ReplyAll();
  ASSERT_EQ(all->Recipients()->Count(), 2);
  EXPECT_EQ(all->Recipients()->Item(1)->Name(), L"Kim Roe");
  EXPECT_EQ(all->Recipients()->Item(2)->Name(), L"Lee Ann");
  EXPECT_EQ(all->Recipients()->Item(2)->Type(), olCC);
  EXPECT_EQ(all->To(), L"Kim Roe");
  EXPECT_EQ(all->CC(), L"Lee Ann");
}

TEST(Response, ForwardKeepsAttachmentsAndHasNoRecipients) {
  Profile p = BuildProfile();
  auto fw = p.htmlMail->Forward();
  EXPECT_EQ(fw->Subject(), L"FW: Team lunch");
  EXPECT_EQ(fw->Recipients()->Count(), 0);
  ASSERT_EQ(fw->Attachments()->Count(), 2);
  EXPECT_EQ(fw->Attachments()->Item(1)->Fields(PR_ATTACH_CONTENT_ID),
            PropValue(std::wstring(L"image001.png@01D00000.00000000")));
  EXPECT_EQ(fw->Attachments()->Item(2)->FileName(), L"menu.txt");
  // The copies are the forward's own.
  fw->Attachments()->Remove(1);
  EXPECT_EQ(p.htmlMail->Attachments()->Count(), 2);
  EXPECT_EQ(p.plainMail->Forward()->BodyFormat(), olFormatPlain);
}

TEST(Response, APostAnswersWithReplyAndForwardOnly) {
  Profile p = BuildProfile();
  auto post = p.inbox->Items()->Add(olPostItem);
  post->SetSubject(L"Board");
  post->Save();
  EXPECT_EQ(post->Reply()->Class(), olMail);
  EXPECT_EQ(post->Forward()->Class(), olMail);
  try {
    (void)post->ReplyAll();
    ADD_FAILURE() << "a post has no Reply to All";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.Number(), kErrNotSupported);
  }
}

TEST(Response, ReplyWithoutSenderHasNoRecipient) {
  Profile p = BuildProfile();
  auto draft = p.app->CreateItem(olMailItem);
  draft->SetSubject(L"Note");
  EXPECT_EQ(draft->SenderName(), L"");
  EXPECT_EQ(draft->Reply()->Recipients()->Count(), 0);
}

TEST(Bodies, TheThreeBodiesFollowTheFormat) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetBody(L"a < b\r\nline two");
  EXPECT_EQ(mail->BodyFormat(), olFormatPlain);
  EXPECT_TRUE(Contains(mail->HTMLBody(), L"a &lt; b<br>"));  // Outlook makes HTML from text
  EXPECT_EQ(mail->GetProp(PR_HTML), PropValue{});            // but stores none
  mail->SetBodyFormat(olFormatHTML);
  EXPECT_TRUE(Contains(std::get<std::wstring>(mail->GetProp(PR_HTML)), L"line two"));
  mail->SetHTMLBody(L"<html><body><p>New &amp; <b>bold</b></p><p>two</p></body></html>");
  EXPECT_EQ(mail->Body(), L"New & bold\r\ntwo\r\n");
  mail->SetBody(L"plain again");  // an HTML item stays HTML
  EXPECT_EQ(mail->BodyFormat(), olFormatHTML);
  EXPECT_TRUE(Contains(mail->HTMLBody(), L"plain again"));
  mail->SetRTFBody(L"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 R\\'e9sum\\u233? \\{x\\}\\par end}");
  EXPECT_EQ(mail->BodyFormat(), olFormatRichText);
  EXPECT_EQ(mail->Body(), L"R\u00e9sum\u00e9 {x}\r\nend");
  mail->SetBodyFormat(olFormatPlain);
  EXPECT_EQ(mail->GetProp(PR_RTF_COMPRESSED), PropValue{});
  EXPECT_EQ(body::RtfToText(body::TextToRtf(L"x\\y\r\n{z}\t\u00fc")), L"x\\y\r\n{z}\t\u00fc");
  // An old Mac line end (a lone CR) is a line break in HTML too, not words run together.
  EXPECT_EQ(body::HtmlToText(body::TextToHtml(L"bye\rend")), L"bye\r\nend");
  // A character beyond the basic plane (an emoji in a plain mail) survives the RTF.
  EXPECT_EQ(body::RtfToText(body::TextToRtf(L"ok \U0001F600!")), L"ok \U0001F600!");
}

TEST(Bodies, Outlook2000HasNoBodyFormatOrFlagIcon) {
  Profile p = BuildProfile({.version = L"9.0.0.2711"});
  EXPECT_THROW(p.plainMail->BodyFormat(), vb::Error);
  EXPECT_THROW(p.plainMail->SetFlagIcon(5), vb::Error);
  EXPECT_THROW(p.plainMail->FullName(), vb::Error);  // a mail has no contact fields
}

}  // namespace

// What Word writes into real mails, read as Outlook shows it.
TEST(Bodies, RtfTextReadsAsOutlookShowsIt) {
  struct Case {
    const char* what;
    const wchar_t* rtf;
    const wchar_t* text;
  } cases[] = {
      {"a \\'hh stand-in after \\uN is skipped, not printed", L"{\\rtf1\\ansi 2\\u181\\'b5mol/L}",
       L"2\u00b5mol/L"},
      {"\\ucN stand-ins", L"{\\rtf1\\ansi\\uc2 a\\u8364xyb\\uc0\\u8364 c}", L"a\u20acb\u20acc"},
      {"a stand-in ends at the group", L"{\\rtf1 {\\u233}z}", L"\u00e9z"},
      {"the document's code page", L"{\\rtf1\\ansi\\ansicpg1251 \\'e0\\'e1\\'e2}",
       L"\u0430\u0431\u0432"},
      {"a double-byte code page", L"{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b}",
       L"\u65e5\u672c"},
      {"typographic symbols",
       L"{\\rtf1 Scarpa\\rquote s \\lquote x\\rquote  \\ldblquote y\\rdblquote  1\\endash 2"
       L"\\emdash 3 \\bullet}",
       L"Scarpa\u2019s \u2018x\u2019 \u201cy\u201d 1\u20132\u20143 \u2022"},
      {"nothing after the closing brace", L"{\\rtf1 body}\r\n\0garbage", L"body"},
      {"blanks after the closing brace", L"{\\rtf1 body}\r\n \t", L"body"},
      {"a brace too many", L"{\\rtf1 {\\b x}} y\\par MARK}", L"x y\r\nMARK"},
      {"top-level groups without a wrapper", L"{\\b one}{\\i two} three", L"onetwo three"},
      {"\\uN above 32767 and its signed form", L"{\\rtf1 \\u40000?\\u-25536?}", L"\u9c40\u9c40"},
      {"halves of a character beyond the basic plane",
       L"{\\rtf1 \\u-10179?\\u-8704?{}\\u-10179?{}\\u-8704?}", L"\U0001F600\U0001F600"},
      {"binary data skipped", L"{\\rtf1 a\\bin3 }{xb}", L"ab"},
      {"a table as Word writes it: cells apart by tabs, a row a line",
       L"{\\rtf1 \\trowd\\cellx1000\\cellx2000 \\pard\\intbl {Name\\cell }{\\'e9t\\'e9\\cell }"
       L"{\\trowd\\cellx1000\\cellx2000 \\row }\\pard\\intbl {Kim}\\cell \\cell \\row\\pard after}",
       L"Name\t\u00e9t\u00e9\r\nKim\t\r\nafter"},
      {"a character after a cell's tab keeps it", L"{\\rtf1 a\\cell \\'e9\\row}", L"a\t\u00e9\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::wstring(c.text), body::RtfToText(c.rtf)) << c.what;
  // A buffer's NUL padding, and what lies behind it, outside every group.
  const std::wstring padded(L"{\\rtf1 body}\r\n\0garbage}", 23), bare(L"{\\b one} two\0{x}", 16);
  EXPECT_EQ(L"body", body::RtfToText(padded));
  EXPECT_EQ(L"one two", body::RtfToText(bare));
}

// Nested tables and tags inside skipped destinations, as Word and Outlook write them.
TEST(Bodies, NestedCellsAndHtmlTagsInSkippedGroups) {
  // A table inside a cell: its cells are apart by tabs too, its rows end like any row.
  const wchar_t* nested =
      L"{\\rtf1 \\trowd\\cellx4000 \\pard\\intbl Outer\\par "
      L"\\itap2 In1\\nestcell{In2\\nestcell}\\nestrow "
      L"\\itap1 \\cell \\row\\pard after}";
  EXPECT_EQ(L"Outer\r\nIn1\tIn2\r\n\r\nafter", body::RtfToText(nested));

  // A tag inside a destination the reader skips is no part of the HTML.
  std::wstring html;
  ASSERT_TRUE(
      body::HtmlFromRtf(L"{\\rtf1\\ansi\\fromhtml1 {\\fonttbl{\\*\\htmltag <b>font</b>}}"
                        L"{\\*\\generator {\\*\\htmltag64 <i>gen</i>}}"
                        L"{\\*\\htmltag <p>}x{\\*\\htmltag </p>}}",
                        html));
  EXPECT_EQ(L"<p>x</p>", html);
}

// What an HTML mail's plain body shows of its tables, lists and headings.
TEST(Bodies, HtmlBlocksReadAsLinesAndCellsApart) {
  EXPECT_EQ(body::HtmlToText(L"<table><tr><td>Name</td><td>Kim</td></tr><tr><th>A</th>"
                             L"<th><b>B</b></th> \r\n </tr><tr><td></td><td>z</td></tr></table>"),
            L"Name\tKim\r\nA\tB\r\n\tz\r\n");
  EXPECT_EQ(body::HtmlToText(L"<ul><li>one</li><li>two</li></ul><h2>Head</h2>x"),
            L"one\r\ntwo\r\nHead\r\nx");
}

// A line break that ends its block makes no line of its own: Outlook's empty line and a word
// processor's empty paragraph are one empty line each.
TEST(Bodies, ABreakThatEndsItsBlockMakesNoLineOfItsOwn) {
  EXPECT_EQ(body::HtmlToText(L"<div>a</div><div><br></div><div>b<br>\r\n<b></b></div>c"),
            L"a\r\n\r\nb\r\nc");
  EXPECT_EQ(body::HtmlToText(L"<p>One</p>\n<p style=\"x\">\n<br/>\n</p>\n<p>Two<br><br></p>x"),
            L"One\r\n\r\nTwo\r\n\r\nx");
  // A break before text, or followed by text, still ends a line of its own.
  EXPECT_EQ(body::HtmlToText(L"<p><br>a<br>b</p><h1>c<br>d</h1>"), L"\r\na\r\nb\r\nc\r\nd\r\n");
  // A break that ends a nested block ends that block's line only: the block around it still
  // ends its own, as it does without the break.
  EXPECT_EQ(body::HtmlToText(L"<div><p>a<br></p></div>b"), L"a\r\n\r\nb");
  EXPECT_EQ(body::HtmlToText(L"<div><p>a</p></div>b"), L"a\r\n\r\nb");
}

TEST(Bodies, AnRtfItemsHtmlKeepsItsFormatting) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetRTFBody(
      L"{\\rtf1\\ansi Dear {\\b Kim},\\par see {\\i this} and \\ul that\\ulnone .\\line next\\par "
      L"a < b}");
  std::wstring html = mail->HTMLBody();
  EXPECT_TRUE(Contains(html, L"<p>Dear <b>Kim</b>,</p>")) << std::string(html.begin(), html.end());
  EXPECT_TRUE(Contains(html, L"<i>this</i>"));
  EXPECT_TRUE(Contains(html, L"<u>that</u>."));
  EXPECT_TRUE(Contains(html, L"<br>"));
  EXPECT_TRUE(Contains(html, L"<p>a &lt; b</p>"));
  EXPECT_EQ(body::HtmlToText(html), L"Dear Kim,\r\nsee this and that.\r\nnext\r\na < b\r\n");
}

TEST(Bodies, AnHtmlItemsRtfBodyCarriesItsHtml) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  const std::wstring html =
      L"<html><head><style>p {color: red}</style></head>\r\n<body><p>Caf\u00e9 &amp; "
      L"<b>{x}\\y</b></p>\r\n<!-- a > b --><img src=\"cid:image001.png@01D0\">\n"
      L"\U0001F600 1 < 2\t3</body></html>";
  mail->SetHTMLBody(html);
  std::wstring rtf = mail->RTFBody();
  EXPECT_TRUE(Contains(rtf, L"\\fromhtml1")) << std::string(rtf.begin(), rtf.end());
  EXPECT_TRUE(Contains(rtf, L"{\\*\\htmltag <img src=\"cid:image001.png@01D0\">}"));
  // An RTF reader sees the page's text, not its tags.
  std::wstring text = body::RtfToText(rtf);
  EXPECT_TRUE(Contains(text, L"Caf\u00e9 &amp; {x}\\y")) << std::string(text.begin(), text.end());
  EXPECT_FALSE(Contains(text, L"<b>"));
  EXPECT_FALSE(Contains(text, L"color"));

  // Setting it (as "Save as template" copies it) gives the HTML back, not RTF.
  auto copy = p.app->CreateItem(olMailItem);
  copy->SetRTFBody(rtf);
  EXPECT_EQ(copy->BodyFormat(), olFormatHTML);
  EXPECT_EQ(copy->HTMLBody(), html);
  EXPECT_TRUE(Contains(copy->Body(), L"Caf\u00e9 & {x}\\y"));

  // As Outlook itself writes it: the RTF-only rendering between \htmlrtf and \htmlrtf0 is no
  // part of the HTML; the add-in's own form has no tag groups at all.
  const wchar_t* outlookRtf =
      L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0 Arial;}}"
      L"{\\*\\htmltag19 <html>}{\\*\\htmltag84 <b>}\\htmlrtf {\\b \\htmlrtf0 bold"
      L"{\\*\\htmltag92 </b>}\\htmlrtf }\\htmlrtf0 \\par\r\n"
      L"{\\*\\htmltag84 <br>}\\htmlrtf \\line\\htmlrtf0 r\\'e9sum\\u233?{\\*\\htmltag27 </html>}}";
  copy->SetRTFBody(outlookRtf);
  EXPECT_EQ(copy->HTMLBody(), L"<html><b>bold</b>\r\n<br>r\u00e9sum\u00e9</html>");
  EXPECT_EQ(body::RtfToText(outlookRtf), L"bold\r\n\r\nr\u00e9sum\u00e9");
  copy->SetRTFBody(L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 <b>\\{x\\}</b>}");
  EXPECT_EQ(copy->HTMLBody(), L"<b>{x}</b>");
  copy->SetRTFBody(L"{\\rtf1\\ansi {\\*\\htmltag <b>}plain}");  // no \fromhtml1: RTF
  EXPECT_EQ(copy->BodyFormat(), olFormatRichText);
  EXPECT_EQ(copy->Body(), L"plain");
}

TEST(Bodies, AnRtfItemSwitchedToHtmlKeepsItsFormatting) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetRTFBody(L"{\\rtf1\\ansi Dear {\\b Kim},\\par see {\\i this} and \\ul that\\ulnone .}");
  mail->SetBodyFormat(olFormatHTML);
  std::wstring html = std::get<std::wstring>(mail->GetProp(PR_HTML));
  EXPECT_TRUE(Contains(html, L"<p>Dear <b>Kim</b>,</p>")) << std::string(html.begin(), html.end());
  EXPECT_TRUE(Contains(html, L"<i>this</i> and <u>that</u>."));
  EXPECT_EQ(mail->Body(), L"Dear Kim,\r\nsee this and that.");
  // A plain item still goes through its text.
  auto plain = p.app->CreateItem(olMailItem);
  plain->SetBody(L"a < b");
  plain->SetBodyFormat(olFormatHTML);
  EXPECT_TRUE(Contains(plain->HTMLBody(), L"a &lt; b"));
}

TEST(Bodies, TextAfterTheBodysEndIsKeptAsBrowsersShowIt) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetHTMLBody(
      L"<html><body><p>Hello</p></body></html>\r\n<p>-- unsubscribe: lists.example</p>");
  EXPECT_EQ(mail->Body(), L"Hello\r\n-- unsubscribe: lists.example\r\n");
  mail->SetSubject(L"List mail");
  mail->Save();
  for (auto& answer : {mail->Reply(), mail->Forward()}) {
    EXPECT_TRUE(Contains(answer->Body(), L"unsubscribe: lists.example"));
    EXPECT_TRUE(Contains(answer->HTMLBody(), L"unsubscribe: lists.example"));
  }
  EXPECT_EQ(body::HtmlBodyContent(L"<body>a</body>\r\n</html>\r\n"), L"a");
}

// The body's content is found without lowering the whole text: tags in any case, a body tag
// only outside comments, the footer joined only when it shows.
TEST(Bodies, TheBodysContentIsFoundInAnyCaseAndAFooterJoinedOnlyWhenItShows) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"<HTML><BoDy bgcolor=\"a>b\">x<br></bOdY></HtMl>", L"x<br>"},
      {L"<!-- <body> --><body>in</body>", L"in"},
      {L"<bodyx>no body tag</bodyx>", L"<bodyx>no body tag</bodyx>"},
      {L"<body>never closed", L"never closed"},
      {L"<body>a</BODY> tail </HTML></html>", L"a tail "},
      {L"<body>a</body>\r\n</HTML>\t", L"a"},
      {L"<body\r\n>", L""},
  };
  for (const auto& [html, content] : cases) {
    const std::wstring source = html;
    EXPECT_EQ(content, body::HtmlBodyContent(source)) << source;
    std::wstring scratch;
    EXPECT_EQ(content, body::HtmlBodyContentView(source, scratch)) << source;
  }
  EXPECT_EQ(L"x\r\n", body::HtmlToText(L"<HTML><BODY>x<BR></BODY></HTML>"));
}

TEST(Response, APlainMailJustSwitchedToHtmlIsQuotedWholeInTheAnswer) {
  Profile p = BuildProfile();
  // Outlook makes the HTML of a switched plain mail only when something asks for it.
  p.plainMail->SetBodyFormat(olFormatHTML);
  for (auto answer : {p.plainMail->Reply(), p.plainMail->Forward()}) {
    EXPECT_EQ(olFormatHTML, answer->BodyFormat());
    const std::wstring html = answer->HTMLBody();
    EXPECT_TRUE(Contains(html, L"the figures are attached.")) << html;
    EXPECT_LT(html.find(L"-----Original Message-----"), html.find(L"the figures are attached."));
    EXPECT_TRUE(Contains(answer->Body(), L"the figures are attached."));
  }
}
