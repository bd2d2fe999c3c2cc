#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/word/Document.h"
#include "tests/common/Pictures.h"

using namespace word;

namespace {

std::vector<std::wstring> Paragraphs(const Content& c) {
  std::vector<std::wstring> out;
  for (const auto& p : c.paragraphs) {
    std::wstring text;
    for (const auto& in : p) text += in.picture < 0 ? in.text : L"[pic]";
    out.push_back(text);
  }
  return out;
}

}  // namespace

TEST(WordDocumentTest, HtmlGivesParagraphsTextAndLinkedPictures) {
  Content c = ReadHtml(
      L"<html><head><title>x</title><style>p {}</style></head><body>\r\n"
      L"<p>Dear  <b>Kim</b>,\r\n thanks &amp; regards&#33; &#1046;&#x416;</p>"
      L"<div><img width=4 src=\"C:\\Mail\\Offer_files\\image001.png\"></div>"
      L"<p><img src='./Offer_files/my%20pic.png'> after</p><!-- <p>gone</p> -->"
      L"<p><img src=\"cid:image002.png@01D\"></p>"
      L"</body></html>",
      L"C:\\Export");
  EXPECT_EQ(Paragraphs(c), (std::vector<std::wstring>{L"Dear Kim, thanks & regards! \u0416\u0416",
                                                      L"[pic]", L"[pic] after"}));
  ASSERT_EQ(c.pictures.size(), 2u);
  EXPECT_EQ(c.pictures[0].link, L"C:\\Mail\\Offer_files\\image001.png");
  EXPECT_EQ(c.pictures[1].link, L"C:\\Export\\Offer_files\\my pic.png");
  EXPECT_EQ(c.pictures[1].name, L"my pic.png");
  EXPECT_FALSE(c.pictures[0].Embedded());
}

TEST(WordDocumentTest, RtfKeepsEveryCharacterAndEmbeddedPictures) {
  Content c;
  c.AddText(L"Price {net} \\ 5\u20AC \u0416\u4E2D \U0001F600");
  c.NewParagraph();
  c.AddPicture(Picture{L"a.png", testpictures::RedPng(), L""});
  c.AddText(L"tail");
  std::string rtf = WriteRtf(c);
  for (unsigned char ch : rtf) EXPECT_LT(ch, 0x80);
  Content back = ReadRtf(rtf);
  EXPECT_EQ(
      Paragraphs(back),
      (std::vector<std::wstring>{L"Price {net} \\ 5\u20AC \u0416\u4E2D \U0001F600", L"[pic]tail"}));
  ASSERT_EQ(back.pictures.size(), 1u);
  EXPECT_EQ(back.pictures[0].bytes, testpictures::RedPng());
}

TEST(WordDocumentTest, RtfFromOtherWritersAndRtfThatCarriesHtml) {
  Content c = ReadRtf(
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}{\\*\\generator x;}"
      "{\\info{\\title T}}Gr\\'fc\\'dfe\\par \\uc1\\u1046?\\tab x\\line y"
      "{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict\\wmetafile8 0102}}}");
  EXPECT_EQ(Paragraphs(c),
            (std::vector<std::wstring>{L"Gr\u00FC\u00DFe", L"\u0416\tx", L"y[pic]"}));
  ASSERT_EQ(c.pictures.size(), 1u);
  EXPECT_EQ(c.pictures[0].bytes, std::string("\x89PNG", 4));
  Content html =
      ReadRtf("{\\rtf1\\ansi\\fromhtml1 <html><body><p>One</p><p>Two</p></body></html>}");
  EXPECT_EQ(Paragraphs(html), (std::vector<std::wstring>{L"One", L"Two"}));
}

TEST(WordDocumentTest, TextIsAnsiWhenItFitsAndUtf8WithItsMarkWhenNot) {
  Content ansi = ReadText(
      "Gr\xFC\xDF"
      "e\r\n\r\nLine 3\r\n");
  EXPECT_EQ(Paragraphs(ansi), (std::vector<std::wstring>{L"Gr\u00FC\u00DFe", L"", L"Line 3"}));
  EXPECT_EQ(WriteText(ansi),
            "Gr\xFC\xDF"
            "e\r\n\r\nLine 3");
  Content wide;
  wide.AddText(L"\u0416 \u20AC");
  std::string bytes = WriteText(wide);
  EXPECT_EQ(bytes, "\xEF\xBB\xBF\xD0\x96 \xE2\x82\xAC");
  EXPECT_EQ(ReadText(bytes).Text(), L"\u0416 \u20AC");
  EXPECT_EQ(ReadText("\xFF\xFE\x16\x04").Text(), L"\u0416");
  // ANSI text that begins with the bytes of a byte-order mark.
  for (const wchar_t* marked : {L"\u00EF\u00BB\u00BFx", L"\u00FF\u00FEx"}) {
    Content c;
    c.AddText(marked);
    EXPECT_EQ(ReadText(WriteText(c)).Text(), marked);
  }
}

TEST(WordDocumentTest, HtmlWritesPicturesBesideItAndLinksThemRelatively) {
  win32::files::TempSandbox sandbox;
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Temp\\rad1", nullptr));
  Content c;
  c.AddText(L"A & B \u0416");
  c.NewParagraph();
  c.AddPicture(Picture{L"x.png", testpictures::RedPng(), L""});
  c.AddPicture(Picture{L"gone.png", "", L"C:\\missing.png"});
  std::string html = WriteHtml(c, L"C:\\Temp\\rad1", L"My Offer", SandboxFiles());
  EXPECT_NE(html.find("<p>A &amp; B &#1046;</p>"), std::string::npos);
  EXPECT_NE(html.find("src=\"My%20Offer_files/image001.png\""), std::string::npos);
  EXPECT_EQ(html.find("image002"), std::string::npos);
  EXPECT_EQ(
      win32::files::ReadAll("C:\\Temp\\rad1\\My Offer_files\\image001.png").value_or("<missing>"),
      testpictures::RedPng());
  Content back = ReadHtml(DecodeHtmlBytes(html), L"C:\\Temp\\rad1");
  ASSERT_EQ(back.pictures.size(), 1u);
  EXPECT_EQ(back.pictures[0].link, L"C:\\Temp\\rad1\\My Offer_files\\image001.png");
  EXPECT_EQ(back.Text(), L"A & B \u0416\r\n");
  EXPECT_EQ(DecodeHtmlBytes("<meta charset=utf-8>\xD0\x96"), L"<meta charset=utf-8>\u0416");
  EXPECT_EQ(DecodeHtmlBytes("<head></head><body>Write charset=utf-8 \xE9</body>"),
            L"<head></head><body>Write charset=utf-8 \u00E9</body>");
}

TEST(WordDocumentTest, ALineBreakBeforeAnyTextIsAnEmptyParagraph) {
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><br>Hello</body>", L"")),
            (std::vector<std::wstring>{L"", L"Hello"}));
  // What a word processor writes for an empty first paragraph.
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><p><br/></p><p>Text</p></body>", L"")),
            (std::vector<std::wstring>{L"", L"Text"}));
  EXPECT_TRUE(ReadHtml(L"<body><br></body>", L"").paragraphs.size() <= 1);
}

// A break before another makes a line of its own; Outlook's empty line is a block holding
// only a break.
TEST(WordDocumentTest, ABreakBeforeABreakAndABlockOfOnlyABreakAreEmptyLines) {
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body>a<br><br>b</body>", L"")),
            (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><p>a<br>\n<span><br></span>b</p></body>", L"")),
            (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><div>One</div><div><br></div><div>Two</div></body>", L"")),
            (std::vector<std::wstring>{L"One", L"", L"Two"}));
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><div><br></div><div><br></div><div>x</div></body>", L"")),
            (std::vector<std::wstring>{L"", L"", L"x"}));
}

TEST(WordDocumentTest, AnEmptyLineSurvivesWritingAndReadingHtml) {
  Content c = ReadHtml(L"<body><p>One</p><p><o:p>&nbsp;</o:p></p><p>Two</p></body>", L"");
  ASSERT_EQ(Paragraphs(c), (std::vector<std::wstring>{L"One", L" ", L"Two"}));
  c.paragraphs.insert(c.paragraphs.begin() + 1, std::vector<Inline>{});
  std::string html = WriteHtml(c, L"C:\\Temp", L"x", SandboxFiles());
  EXPECT_EQ(Paragraphs(ReadHtml(win32::FromAnsi(html), L"")),
            (std::vector<std::wstring>{L"One", L"", L" ", L"Two"}));
}

TEST(WordDocumentTest, ANumericReferenceToNoCharacterReadsAsTheReplacementCharacter) {
  // Outside Unicode, zero, surrogates and non-characters, however many digits: a number past
  // 32 bits does not wrap round to a character ("&#4294967361;" is no "A").
  Content bad = ReadHtml(
      L"<body><p>a&#-26;b&#x110000;c&#1114112;d&#xD800;e&#57343;f&#xFFFE;g&#xfdd0;h&#x1FFFF;"
      L"i&#x10FFFF;j&#0;k&#99999999999999;l&#x-41;m&#4294967361;n&#x100000042;o</p></body>",
      L"");
  std::wstring expected = L"a";
  for (wchar_t c = L'b'; c <= L'o'; ++c) expected += std::wstring(L"\uFFFD") + c;
  EXPECT_EQ(Paragraphs(bad), std::vector<std::wstring>{expected});
  // The replacement character goes out and comes back as itself.
  EXPECT_EQ(Paragraphs(ReadRtf(WriteRtf(bad))), std::vector<std::wstring>{expected});
  // Characters at Unicode's edges are themselves; what is no reference stays text.
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body>&#x10FFFD;&#xFFFD;&#xFDEF;&#xFDF0;&#65;&#x41;&#X041;"
                                L"&#+66;&#;&#x;&#12a;&#65 &AMP;</body>",
                                L"")),
            std::vector<std::wstring>{L"\U0010FFFD\uFFFD\uFFFD\uFDF0AAAB&#;&#x;&#12a;&#65 &"});
}

TEST(WordDocumentTest, LinkEscapesAreUtf8AndOtherwiseTheAnsiCodePage) {
  Content c = ReadHtml(
      L"<body><img src=\"Caf%C3%A9%20%C3%91and%C3%BA_files/image001.png\">"
      L"<img src=\"caf%E9.png\"><img src=\"http://example.com/a%20b.png\"></body>",
      L"C:\\Out");
  ASSERT_EQ(c.pictures.size(), 3u);
  EXPECT_EQ(c.pictures[0].link, L"C:\\Out\\Caf\u00E9 \u00D1and\u00FA_files\\image001.png");
  EXPECT_EQ(c.pictures[1].link, L"C:\\Out\\caf\u00E9.png");
  EXPECT_EQ(c.pictures[2].link, L"http://example.com/a%20b.png");
}

TEST(WordDocumentTest, RtfIsReadInItsOwnCodePageWithPicturesInPlace) {
  Content c = ReadRtf(
      "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par "
      "{\\pict\\jpegblip\\bin3 \xFF\xD8\xFF}after\\par}");
  EXPECT_EQ(Paragraphs(c),
            (std::vector<std::wstring>{L"\u041F\u0440\u0438\u0432\u0435\u0442", L"[pic]after"}));
  ASSERT_EQ(c.pictures.size(), 1u);
  EXPECT_EQ(c.pictures[0].bytes, std::string("\xFF\xD8\xFF", 3));
  // Seventeen pictures keep their order: the mark carries the number.
  Content many;
  for (int i = 0; i < 17; ++i) {
    std::string png = testpictures::RedPng();
    png += static_cast<char>(i);
    many.AddPicture(Picture{L"p.png", png, L""});
  }
  Content back = ReadRtf(WriteRtf(many));
  ASSERT_EQ(back.pictures.size(), 17u);
  EXPECT_EQ(back.pictures[16].bytes.back(), static_cast<char>(16));
}

// A document cut anywhere (a truncated file) reads as far as it goes, never past its end.
TEST(WordDocumentTest, RtfCutAnywhereReadsWithoutRunningOver) {
  Content c;
  c.AddText(L"Gr\u00FC\u00DFe \u0416");
  c.AddPicture(Picture{L"a.png", testpictures::RedPng(), L""});
  std::string rtf = WriteRtf(c);
  rtf.insert(rtf.size() - 1, "{\\*\\shppict{\\pict\\pngblip\\bin4 \\{}\\}}{\\nonshppict x}\\'e");
  for (size_t n = 0; n <= rtf.size(); ++n) {
    // A buffer of exactly that size, so that a read past it is a fault the sanitizer sees.
    std::unique_ptr<char[]> cut(new char[n]);
    std::copy_n(rtf.data(), n, cut.get());
    Content part = ReadRtf(std::string_view(cut.get(), n));
    EXPECT_LE(part.pictures.size(), 2u);
  }
  EXPECT_EQ(ReadRtf(rtf).pictures.size(), 2u);
  EXPECT_EQ(ReadRtf(rtf).pictures[1].bytes, "\\{}\\");
}

namespace {

// Blank lines, blank runs and tabs where readers fold or drop white space, and a picture.
Content SpacedDocument() {
  Content c;
  for (const wchar_t* text :
       {L"", L"  Lead", L"Name:      Value", L"Trail  ", L"\t", L"   ", L"a\tb \t c\t\t", L""}) {
    c.NewParagraph();
    c.AddText(text);
  }
  c.NewParagraph();
  c.AddPicture(Picture{L"a.png", testpictures::RedPng(), L""});
  c.AddText(L"  after ");
  c.NewParagraph();
  return c;
}

const std::vector<std::wstring> kSpacedParagraphs{L"",
                                                  L"  Lead",
                                                  L"Name:      Value",
                                                  L"Trail  ",
                                                  L"\t",
                                                  L"   ",
                                                  L"a\tb \t c\t\t",
                                                  L"",
                                                  L"[pic]  after ",
                                                  L""};

}  // namespace

TEST(WordDocumentTest, EveryWriterGivesItsReaderBlankLinesBlankRunsAndTabs) {
  Content c = SpacedDocument();
  ASSERT_EQ(Paragraphs(c), kSpacedParagraphs);
  win32::files::TempSandbox sandbox;
  std::string html = WriteHtml(c, L"C:\\Temp", L"x", SandboxFiles());
  EXPECT_NE(html.find("<p>Name: &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Value</p>"), std::string::npos);
  EXPECT_NE(html.find("<p>&#9;</p>"), std::string::npos);
  Content fromHtml = ReadHtml(DecodeHtmlBytes(html), L"C:\\Temp");
  EXPECT_EQ(Paragraphs(fromHtml), kSpacedParagraphs);
  Content fromRtf = ReadRtf(WriteRtf(c));
  EXPECT_EQ(Paragraphs(fromRtf), kSpacedParagraphs);
  ASSERT_EQ(fromRtf.pictures.size(), 1u);
  EXPECT_EQ(fromRtf.pictures[0].bytes, testpictures::RedPng());
  // Text has no pictures: their paragraph keeps its text.
  std::vector<std::wstring> text = kSpacedParagraphs;
  text[8] = L"  after ";
  EXPECT_EQ(Paragraphs(ReadText(WriteText(c))), text);
  Content lastEmpty;
  lastEmpty.AddText(L"x");
  lastEmpty.NewParagraph();
  EXPECT_EQ(Paragraphs(ReadText(WriteText(lastEmpty))), (std::vector<std::wstring>{L"x", L""}));
  EXPECT_EQ(Paragraphs(ReadText("x\r\n")), (std::vector<std::wstring>{L"x"}));
}

// What a word processor writes as HTML for a document's empty paragraphs, blanks and tabs.
TEST(WordDocumentTest, AWordProcessorsHtmlGivesItsParagraphsBack) {
  Content c = ReadHtml(
      L"<body><p class=\"western\">\n<br/>\n\n</p>\n<p>\nFirst</p>\n<p><br/><br/></p>"
      L"<p>\nName:\u2006 \u2006 \u2006 Value</p>\n<p>\n\u2006 \u2006 \n</p>\n<p>\n \n</p>"
      L"<p>\n\tindented\tand\t\ttabs</p>\n<p>\n\t</p>\n<p>a<br>b<br></p><p>Last<br><br>\n</p>"
      L"<p><br></p><p class=\"x\">\n</p><p><img src=\"cid:a.png\"></p></body>",
      L"");
  EXPECT_EQ(Paragraphs(c), (std::vector<std::wstring>{L"", L"First", L"", L"Name:   Value", L"  ",
                                                      L" ", L"\tindented\tand\t\ttabs", L"\t", L"a",
                                                      L"b", L"Last", L"", L""}));
  // A paragraph's source line is indented a tab for each table or list around it.
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body><table>\n\t<tr>\n\t\t<td><p>\n\t\t\tName:</p>\n\t\t</td>"
                                L"\n\t\t<td><p>\n\t\t\t\tValue</p>\n\t\t</td>\n\t</tr>\n</table>"
                                L"<p>\n\tafter</p></body>",
                                L"")),
            (std::vector<std::wstring>{L"Name:", L"\tValue", L"\tafter"}));
  // Indentation between blocks and tabs outside paragraphs stay white space.
  EXPECT_EQ(Paragraphs(ReadHtml(L"<body>\n\t<div>\n\t\tx\ty\n\t</div>\n</body>", L"")),
            (std::vector<std::wstring>{L"x y"}));
}

TEST(WordDocumentTest, OnlyAControlWordOfTheHeaderMakesRtfCarryHtml) {
  Content text;
  text.AddText(L"Write \\fromhtml1 <p>here</p>");
  text.NewParagraph();
  text.AddText(L"second");
  EXPECT_EQ(Paragraphs(ReadRtf(WriteRtf(text))),
            (std::vector<std::wstring>{L"Write \\fromhtml1 <p>here</p>", L"second"}));
  EXPECT_EQ(Paragraphs(ReadRtf("{\\rtf1\\ansi \\\\fromhtml1 <p>a</p><p>b</p>}")),
            (std::vector<std::wstring>{L"\\fromhtml1 <p>a</p><p>b</p>"}));
  EXPECT_EQ(Paragraphs(ReadRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Text\\fromhtml1 <p>a</p>}")),
            (std::vector<std::wstring>{L"Text<p>a</p>"}));
  // As Outlook keeps an HTML body: the tags in destinations, after a font table.
  EXPECT_EQ(Paragraphs(ReadRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\fromhtml1 "
                               "{\\*\\htmltag <p>}One{\\*\\htmltag </p>}{\\*\\htmltag <p>}Two"
                               "{\\*\\htmltag </p>}}")),
            (std::vector<std::wstring>{L"One", L"Two"}));
}

// A header may claim any size: the size written stays within what RTF numbers hold.
TEST(WordDocumentTest, APicturesClaimedSizeIsClampedWhereRtfCannotHoldIt) {
  for (uint32_t side : {143165576u, 143165577u, 0x80000000u, 0xFFFFFFFFu}) {
    std::string png = testpictures::RedPng();
    for (size_t at : {16u, 20u})
      for (int k = 0; k < 4; ++k) png[at + k] = static_cast<char>(side >> (24 - 8 * k));
    Content c;
    c.AddPicture(Picture{L"big.png", png, L""});
    std::string rtf = WriteRtf(c);
    std::string side15 = std::to_string(std::min<uint64_t>(side, 143165576u) * 15);
    EXPECT_NE(rtf.find("\\picwgoal" + side15 + "\\pichgoal" + side15), std::string::npos) << side;
    Content back = ReadRtf(rtf);
    ASSERT_EQ(back.pictures.size(), 1u);
    EXPECT_EQ(back.pictures[0].bytes, png);
  }
}
