// Word files a word processor wrote come in as templates, and exported templates open in a
// word processor: LibreOffice converts in place of Word. Each test gives LibreOffice a profile
// folder of its own below the build folder, and every conversion a time limit. Without
// soffice on the PATH the tests are skipped.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/word/LibreOffice.h"
#include "platform/word/OfficeService.h"
#include "tests/dialogs/ImportExportTest.h"

namespace fs = std::filesystem;

namespace {

std::string ReadHost(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Count(const std::wstring& text, const std::wstring& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The texts of the paragraphs that show as one empty line: nothing in them but blanks and a
// single line break or non-breaking space; each is named by the text of the paragraph after it.
std::vector<std::wstring> EmptyParagraphs(const std::wstring& html) {
  std::vector<std::wstring> before;
  std::wstring lower = html;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  for (size_t p = lower.find(L"<p"); p != std::wstring::npos; p = lower.find(L"<p", p + 1)) {
    if (!std::iswspace(lower[p + 2]) && lower[p + 2] != L'>') continue;
    size_t open = lower.find(L'>', p) + 1, close = lower.find(L"</p>", open);
    std::wstring inner = lower.substr(open, close - open), rest;
    for (wchar_t c : inner)
      if (!std::iswspace(c)) rest += c;
    if (rest != L"<br/>" && rest != L"<br>" && rest != L"&nbsp;") continue;
    // The next paragraph's text: tags out, blanks and line breaks as one blank.
    std::wstring next;
    bool tag = false, blank = false;
    for (size_t k = close + 4; k < html.size(); ++k) {
      wchar_t c = html[k];
      if (c == L'<' && !next.empty() && lower.compare(k, 2, L"</") == 0 &&
          lower.compare(k, 6, L"</font") != 0 && lower.compare(k, 3, L"</a") != 0)
        break;
      if (c == L'<' || c == L'>') {
        tag = c == L'<';
      } else if (!tag && std::iswspace(c)) {
        blank = !next.empty();
      } else if (!tag) {
        if (blank) next += L' ';
        next += c;
        blank = false;
      }
    }
    before.push_back(next);
  }
  return before;
}

class LibreOfficeTest : public ImportExportTest {
 protected:
  void SetUp() override {
    ImportExportTest::SetUp();
    auto soffice = word::LibreOffice::Find();
    if (!soffice) GTEST_SKIP() << "LibreOffice (soffice) is not on the PATH";
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    work = fs::current_path() / ("libreoffice-" + name);
    std::error_code ec;
    fs::remove_all(work / "files", ec);
    fs::create_directories(work / "files");
    office = std::make_shared<word::LibreOffice>(*soffice, (work / "profile").string(), 180);
    if (!word::OfficeService::Usable())
      GTEST_SKIP() << "LibreOffice's Python interface (python3-uno) is not installed";
    service = std::make_shared<word::OfficeService>(*soffice, (work / "office").string(), 180);
  }
  void TearDown() override {
    word::SetConverter(nullptr);
    // The add-in's log tells why a template failed (the word processor's own words among it).
    if (HasFailure()) {
      std::string log;
      for (const auto& e : support::library::Log())
        log += win32::ToAnsi(e.procedure) + " [" + std::to_string(e.level) + "] " +
               std::to_string(e.errorNumber) + ": " + win32::ToAnsi(e.text) + "\n";
      std::cout << "The add-in's log:\n" << (log.empty() ? "(empty)\n" : log);
    }
    ImportExportTest::TearDown();
  }

  fs::path work;
  std::shared_ptr<word::LibreOffice> office;
  // The road the program takes: one office for the whole run.
  std::shared_ptr<word::OfficeService> service;
};

}  // namespace

TEST_F(LibreOfficeTest, ADocumentWrittenByAWordProcessorImportsWithItsTextAndPicture) {
  word::Content known;
  known.AddText(L"Gr\u00FC\u00DFe aus K\u00F6ln \u0416");
  known.NewParagraph();
  known.AddPicture(word::Picture{L"p.png", testpictures::RedPng(), L""});
  // A name outside ASCII: the word processor's links to its pictures are escaped UTF-8.
  fs::path rtf = work / "files" /
                 "Caf\xC3\xA9 \xC3\x91"
                 "and\xC3\xBA.rtf";
  std::ofstream(rtf, std::ios::binary) << word::WriteRtf(known);
  auto doc = office->Convert(rtf.string(), "doc:MS Word 97", "doc", (work / "files").string());
  ASSERT_TRUE(doc.has_value());
  std::string bytes = ReadHost(*doc);
  ASSERT_EQ(bytes.substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));  // a Word 97 file
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Import\\Caf\xE9 \xD1"
                             "and\xFA.doc",
                             bytes));

  word::SetConverter(service);
  auto target = AddFolder(templates, L"Imported");
  EXPECT_EQ(mImportExportWordDocs::DoImport(target->EntryID(), L"C:\\Import", true, 0, nullptr, 2),
            1);
  ASSERT_EQ(target->Items()->Count(), 1);
  auto item = target->Items()->Item(1);
  EXPECT_EQ(item->Subject(), L"Caf\u00E9 \u00D1and\u00FA");
  EXPECT_NE(item->Body().find(L"Gr\u00FC\u00DFe aus K\u00F6ln \u0416"), std::wstring::npos)
      << win32::ToAnsi(item->Body());
  ASSERT_EQ(item->Attachments()->Count(), 1);
  auto picture = item->Attachments()->Item(1);
  std::string data(picture->Data().begin(), picture->Data().end());
  EXPECT_EQ(data, testpictures::RedPng());
  auto cid = picture->Fields(outlook::PR_ATTACH_CONTENT_ID);
  ASSERT_TRUE(std::holds_alternative<std::wstring>(cid));
  EXPECT_NE(item->HTMLBody().find(L"cid:" + std::get<std::wstring>(cid)), std::wstring::npos);
}

TEST_F(LibreOfficeTest, AnExportedTemplateOpensInAWordProcessor) {
  AddHtml(templates, L"Offer",
          L"<html><body><p>Our offer for K\u00F6ln \u0416</p><p><img "
          L"src=\"cid:logo@1\"></p></body></html>",
          {{L"logo.png", L"logo@1", testpictures::BluePng()}});
  word::SetConverter(service);
  EXPECT_EQ(Export(templates, false, 0, nullptr, 0), 1);
  auto host = win32::files::HostPath("C:\\Export\\Offer.doc");
  ASSERT_TRUE(host.has_value());
  ASSERT_EQ(ReadHost(*host).substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));
  fs::path copy = work / "files" / "Offer.doc";
  fs::copy_file(*host, copy, fs::copy_options::overwrite_existing);
  auto text =
      office->Convert(copy.string(), "txt:Text (encoded):UTF8", "txt", (work / "text").string());
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(ReadHost(*text).find("Our offer for K\xC3\xB6ln \xD0\x96"), std::string::npos);
  auto html = office->Convert(copy.string(), "html", "html", (work / "html").string());
  ASSERT_TRUE(html.has_value());
  // Its paragraphs are spaced as the word processor's text (room below each), not as a web
  // page's, which has none.
  std::string page = ReadHost(*html);
  size_t rule = page.find("p {");
  ASSERT_NE(rule, std::string::npos) << page;
  std::string paragraphs = page.substr(rule, page.find('}', rule) - rule);
  EXPECT_NE(paragraphs.find("margin-bottom: 0.1in"), std::string::npos) << paragraphs;
  std::vector<std::string> pictures;
  for (const auto& entry : fs::directory_iterator(work / "html"))
    if (entry.path().extension() == ".png") pictures.push_back(ReadHost(entry.path()));
  EXPECT_EQ(pictures, std::vector<std::string>{testpictures::BluePng()});
  // Nothing but the document and its pictures' folder reached the export folder.
  EXPECT_EQ(Listing(L"C:\\Export"), (std::vector<std::wstring>{L"Offer_files\\", L"Offer.doc"}));
}

namespace {

// A letter as users keep them: a heading, emphasis, a colour and a size, a list of each kind, a
// table, a link, a picture, an empty paragraph first and one between two, a run of blanks and
// tabs, as RTF; the word processor makes a Word file of it.
std::string Letter() {
  std::string hex;
  for (unsigned char b : testpictures::RedPng()) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  const std::string bullet =
      "{\\pntext\\f1\\'b7\\tab}\\pard{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360"
      "{\\pntxtb\\'b7}}\\fi-360\\li720 ";
  const std::string number =
      "\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart1\\pnindent360"
      "{\\pntxta .}}\\fi-360\\li720 ";
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
         "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}"
         "{\\s1\\b\\fs32 heading 1;}}\n"
         "\\pard\\plain\\par\n"
         "\\pard\\plain\\s1\\b\\fs32 Heading One\\par\n"
         "\\pard\\plain Plain {\\b bold} {\\i italic} {\\ul under} {\\cf1 red} {\\fs40 big} "
         "K\\'f6ln \\u1046?\\par\n"
         "\\pard Name:      Value\\par\n"
         "\\pard Key\\tab Tab\\tab\\tab Two\\par\n"
         // Space after a paragraph: a break alone in it then reads as a line break, not as an
         // empty paragraph.
         "\\pard\\sa120 Before\\par\n\\pard\\sa120\\par\n\\pard\\sa120 After\\par\n" +
         bullet + "bullet one\\par\n" + bullet + "bullet two\\par\n" + "{\\pntext 1.\\tab}" +
         number + "number one\\par\n" + "{\\pntext 2.\\tab}" + number +
         "number two\\par\n"
         "\\pard\\trowd\\cellx2000\\cellx4000 \\intbl A1\\cell B1\\cell\\row\n"
         "\\trowd\\cellx2000\\cellx4000 \\intbl A2\\cell B2\\cell\\row\n"
         "\\pard See {\\field{\\*\\fldinst HYPERLINK \"https://example.com/x\"}"
         "{\\fldrslt the link}}.\\par\n"
         "\\pard Pic {\\pict\\pngblip\\picw4\\pich3\\picwgoal60\\pichgoal45 " +
         hex + "}\\par\n\\pard End\\par\n}\n";
}

// What the letter's HTML must still show, however often it went through the word processor.
void ExpectTheLetter(const std::wstring& html, const std::string& when) {
  SCOPED_TRACE(when);
  std::string a = win32::ToAnsi(html);
  EXPECT_NE(html.find(L"<h1"), std::wstring::npos) << a;
  for (const wchar_t* tag : {L"<b>bold</b>", L"<i>italic</i>", L"<u>under</u>"})
    EXPECT_NE(html.find(tag), std::wstring::npos) << win32::ToAnsi(tag) << "\n" << a;
  EXPECT_NE(html.find(L"color=\"#ff0000\""), std::wstring::npos) << a;
  EXPECT_NE(html.find(L"font-size: "), std::wstring::npos) << a;
  EXPECT_NE(html.find(L"K&#246;ln &#1046;"), std::wstring::npos) << a;
  EXPECT_EQ(Count(html, L"<ul"), 1u) << a;
  EXPECT_EQ(Count(html, L"<ol"), 1u) << a;
  EXPECT_EQ(Count(html, L"<li"), 4u) << a;
  EXPECT_EQ(Count(html, L"<table"), 1u) << a;
  EXPECT_EQ(Count(html, L"<tr"), 2u) << a;
  EXPECT_EQ(Count(html, L"<td"), 4u) << a;
  EXPECT_NE(html.find(L"href=\"https://example.com/x\""), std::wstring::npos) << a;
  EXPECT_NE(html.find(L"Name:&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Value"), std::wstring::npos) << a;
  EXPECT_NE(html.find(L"Key&#9;Tab&#9;&#9;Two"), std::wstring::npos) << a;
  // One empty line each, where they were.
  EXPECT_EQ(EmptyParagraphs(html), (std::vector<std::wstring>{L"Heading One", L"After"})) << a;
}

}  // namespace

TEST_F(LibreOfficeTest, AFormattedLetterComesInAsHtmlAndGoesBackOutAsItWas) {
  fs::path source = work / "files" /
                    "Caf\xC3\xA9 \xC3\x91"
                    "and\xC3\xBA.rtf";
  std::ofstream(source, std::ios::binary) << Letter();
  auto doc = office->Convert(source.string(), "doc:MS Word 97", "doc", (work / "files").string());
  ASSERT_TRUE(doc.has_value()) << win32::ToAnsi(office->Problem());
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Import\\Caf\xE9 \xD1"
                             "and\xFA.doc",
                             ReadHost(*doc)));
  word::SetConverter(service);
  auto first = AddFolder(templates, L"First");
  ASSERT_EQ(mImportExportWordDocs::DoImport(first->EntryID(), L"C:\\Import", false, 0, nullptr, 2),
            1);
  auto item = first->Items()->Item(1);
  ExpectTheLetter(item->HTMLBody(), "imported");
  ASSERT_EQ(item->Attachments()->Count(), 1);
  auto data = item->Attachments()->Item(1)->Data();
  EXPECT_EQ(std::string(data.begin(), data.end()), testpictures::RedPng());

  // Out as a Word file, and in again: the word processor reads back what it was given.
  EXPECT_EQ(Export(first, false, 0, nullptr, 0), 1);
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Import\\Caf\xE9 \xD1"
                             "and\xFA.doc",
                             win32::files::ReadAll("C:\\Export\\Caf\xE9 \xD1"
                                                   "and\xFA.doc")
                                 .value_or("")));
  auto second = AddFolder(templates, L"Second");
  ASSERT_EQ(mImportExportWordDocs::DoImport(second->EntryID(), L"C:\\Import", false, 0, nullptr, 2),
            1);
  auto again = second->Items()->Item(1);
  ExpectTheLetter(again->HTMLBody(), "exported and imported again");
  ASSERT_EQ(again->Attachments()->Count(), 1);
  data = again->Attachments()->Item(1)->Data();
  EXPECT_EQ(std::string(data.begin(), data.end()), testpictures::RedPng());
}

TEST_F(LibreOfficeTest, AnRtfTemplateKeepsItsFormattingInTheWordFile) {
  AddRtf(templates, L"Table",
         L"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}"
         L"\\pard Dear \\b Sir\\b0 ,\\par\\pard\\par"
         L"\\pard Key\\tab Value   three\\par"
         L"\\trowd\\cellx2000\\cellx4000 \\intbl A1\\cell B1\\cell\\row"
         L"\\pard End\\par}");
  word::SetConverter(service);
  EXPECT_EQ(Export(templates, false, 0, nullptr, 0), 1);
  auto host = win32::files::HostPath("C:\\Export\\Table.doc");
  ASSERT_TRUE(host.has_value());
  fs::copy_file(*host, work / "files" / "Table.doc", fs::copy_options::overwrite_existing);
  auto html = office->Convert((work / "files" / "Table.doc").string(), "html", "html",
                              (work / "html").string());
  ASSERT_TRUE(html.has_value());
  std::string text = ReadHost(*html);
  EXPECT_NE(text.find("<b>Sir</b>"), std::string::npos) << text;
  EXPECT_NE(text.find("<table"), std::string::npos) << text;
  // Its blanks and tab, as Word's HTML of the file has them.
  word::FileAccess none{[](const std::wstring&) { return std::optional<std::string>(); },
                        [](const std::wstring&, const std::string&) { return false; },
                        [](const std::wstring&) { return false; }};
  std::string ours = word::HtmlFromConverter(word::DecodeHtmlBytes(text),
                                             fs::path(*html).parent_path(), L"C:\\T", L"T", none);
  EXPECT_NE(ours.find("Key&#9;Value&nbsp;&nbsp;&nbsp;three"), std::string::npos) << ours;
}

// Leading blanks, runs of blanks, tabs and empty lines wear away over no number of trips
// through the word processor: the template out as a Word file and in again, five times over.
TEST_F(LibreOfficeTest, BlanksTabsAndEmptyLinesSurviveFiveRoundTrips) {
  const std::wstring text =
      L"Dear Kim,\r\n\r\n  two blanks first\r\n \tblank and tab\r\nName:      Value\r\n"
      L"\tindented\tand\t\ttabs\r\n   \r\n\t\r\n\r\n one blank first\r\none blank last \r\n"
      L"Last  \r\n";
  word::SetConverter(service);
  auto folder = AddFolder(templates, L"Trip0");
  AddPlain(folder, L"Spaced", text);
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, mImportExportWordDocs::kConflictReplace, nullptr, 0), 1);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(
        mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Export", false,
                                        mImportExportWordDocs::kConflictDuplicate, nullptr, 2),
        1);
    auto item = folder->Items()->Item(1);
    ASSERT_EQ(item->BodyFormat(), outlook::olFormatHTML);
    EXPECT_EQ(item->Body(), text) << win32::ToAnsi(item->HTMLBody());
  }
}

// A document that cannot be read whole fails by name before the word processor sees it; the
// template of its name stays as it was under every rule.
TEST_F(LibreOfficeTest, ADocumentThatCannotBeReadWholeLeavesTheTemplateAsItWas) {
  word::SetConverter(office);
  auto target = AddFolder(templates, L"Imported");
  {
    SCOPED_TRACE("no one may read it");
    ExpectUnreadableDocumentLeavesTheTemplate(target, NobodyMayRead);
  }
  {
    SCOPED_TRACE("a link to nothing");
    ExpectUnreadableDocumentLeavesTheTemplate(target, LinkToNothing);
  }
  {
    SCOPED_TRACE("a read failing part way");
    ExpectUnreadableDocumentLeavesTheTemplate(target, [](const std::string&) {
      win32::files::FailReadPart(10, win32::ERROR_READ_FAULT);
    });
  }
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"does not have access"));
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"could not be found"));
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"(error 30)"));
}

// Bytes that are no document, though they begin as one (a markup's "<", a Word file's
// signature), are refused by name under every rule: the office is given Word's own filter for
// the kind the file claims, and the user's template of that name stays as it was.
TEST_F(LibreOfficeTest, BytesThatOnlyBeginAsADocumentLeaveTheTemplateAsItWas) {
  std::string noise;
  uint32_t seed = 12345;
  for (int i = 0; i < 1 << 16; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise += static_cast<char>(seed >> 24);
  }
  word::SetConverter(service);
  auto target = AddFolder(templates, L"Imported");
  const std::pair<const char*, std::string> files[] = {
      {"markup", "<" + noise},
      {"a Word file's signature", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + noise},
      {"RTF", "{\\rtf1" + noise},
  };
  for (const auto& [kind, bytes] : files) {
    SCOPED_TRACE(kind);
    ExpectUnreadableDocumentLeavesTheTemplate(
        target, [&](const std::string& path) { ASSERT_TRUE(win32::files::WriteAll(path, bytes)); });
  }
}

// --- One office for a whole run --------------------------------------------------------------

namespace {

// Names of what is in `folder`, "" when it is gone.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Pipes the office of this program left in the system's temporary folder.
std::vector<std::string> LeftPipes() {
  std::vector<std::string> left;
  std::string mine = "tanvelo-" + std::to_string(::getpid()) + "-";
  for (const auto& name : Names("/tmp"))
    if (name.find(mine) != std::string::npos) left.push_back(name);
  return left;
}

// Sets an environment variable for the test's length.
struct Environment {
  std::string name;
  std::optional<std::string> old;
  Environment(std::string n, const std::string& value) : name(std::move(n)) {
    if (const char* v = std::getenv(name.c_str())) old = v;
    setenv(name.c_str(), value.c_str(), 1);
  }
  ~Environment() {
    if (old)
      setenv(name.c_str(), old->c_str(), 1);
    else
      unsetenv(name.c_str());
  }
};

}  // namespace

class OfficeRunTest : public LibreOfficeTest {
 protected:
  // Three letters in C:\Import, as Word files the word processor made.
  void ThreeLetters() {
    fs::path rtf = work / "files" / "letter.rtf";
    std::ofstream(rtf, std::ios::binary) << "{\\rtf1\\ansi Dear Kim,\\par Regards\\par}";
    auto doc = office->Convert(rtf.string(), "doc:MS Word 97", "doc", (work / "files").string());
    ASSERT_TRUE(doc.has_value()) << win32::ToAnsi(office->Problem());
    for (const char* name : {"C:\\Import\\A.doc", "C:\\Import\\B.doc", "C:\\Import\\C.doc"})
      ASSERT_TRUE(win32::files::WriteAll(name, ReadHost(*doc)));
  }
  std::wstring LogText(size_t from) {
    std::wstring log;
    const auto& entries = support::library::Log();
    for (size_t k = from; k < entries.size(); ++k) log += entries[k].text + L"\n";
    return log;
  }
};

// One office serves the whole import, nothing of it stays when the run is over, and the user's
// own home and temporary folders see nothing of it.
TEST_F(OfficeRunTest, OneOfficeServesAWholeRunAndLeavesNothing) {
  ThreeLetters();
  for (const char* sub : {"home", "tmp", "office"}) {
    fs::remove_all(work / sub);
    fs::create_directories(work / sub);
  }
  Environment home("HOME", (work / "home").string()), tmp("TMPDIR", (work / "tmp").string());
  word::SetConverter(service);
  auto folder = AddFolder(templates, L"Letters");
  EXPECT_EQ(mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Import", false, 0, nullptr, 2),
            3);
  EXPECT_EQ(service->Starts(), 1);
  EXPECT_EQ(service->Group(), 0);  // ended with the run
  EXPECT_EQ(folder->Items()->Count(), 3);
  EXPECT_NE(folder->Items()->Item(1)->Body().find(L"Dear Kim,"), std::wstring::npos);
  EXPECT_EQ(Names(work / "office"), std::vector<std::string>{});
  EXPECT_EQ(Names(work / "home"), std::vector<std::string>{});
  EXPECT_EQ(Names(work / "tmp"), std::vector<std::string>{});
  EXPECT_EQ(LeftPipes(), std::vector<std::string>{});
}

// An office that hangs or crashes on a document fails that document by name within the time
// limit; the next document gets a fresh office, and nothing of the ended one stays behind.
TEST_F(OfficeRunTest, AHangOrACrashFailsOneDocumentAndTheNextGetsAFreshOffice) {
  ThreeLetters();
  for (const char* sub : {"tmp", "office"}) {
    fs::remove_all(work / sub);
    fs::create_directories(work / sub);
  }
  Environment tmp("TMPDIR", (work / "tmp").string());
  for (int signal : {SIGSTOP, SIGSEGV}) {
    SCOPED_TRACE(signal == SIGSTOP ? "hang" : "crash");
    size_t logFrom = support::library::Log().size();
    auto soffice = word::LibreOffice::Find();
    auto limited = std::make_shared<word::OfficeService>(*soffice, (work / "office").string(), 10);
    int handed = 0;
    std::vector<std::string> sockets;
    limited->onHandedOver = [&](pid_t group) {
      for (const auto& path : limited->Sockets())
        if (std::find(sockets.begin(), sockets.end(), path) == sockets.end())
          sockets.push_back(path);
      if (++handed == 2) ::kill(-group, signal);
    };
    word::SetConverter(limited);
    auto folder = AddFolder(templates, signal == SIGSTOP ? L"Hang" : L"Crash");
    EXPECT_EQ(
        mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Import", false, 0, nullptr, 2), 2);
    EXPECT_EQ(mImportExportWordDocs::LastRun().nFailed, 1);
    EXPECT_EQ(limited->Starts(), 2);
    std::wstring log = LogText(logFrom);
    EXPECT_NE(log.find(L"C:\\Import\\B.doc"), std::wstring::npos) << win32::ToAnsi(log);
    EXPECT_NE(log.find(signal == SIGSTOP ? L"did not finish the document within 10 seconds"
                                         : L"ended abnormally"),
              std::wstring::npos)
        << win32::ToAnsi(log);
    EXPECT_EQ(Names(work / "office"), std::vector<std::string>{});
    EXPECT_EQ(Names(work / "tmp"), std::vector<std::string>{});
    EXPECT_EQ(LeftPipes(), std::vector<std::string>{});
    // Every socket each office made, its single-instance pipe in the system's temporary folder
    // among them, is gone with it.
    EXPECT_GE(sockets.size(), 4u);
    size_t single = 0;
    for (const auto& path : sockets) {
      single += path.find("SingleOfficeIPC") != std::string::npos;
      EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    EXPECT_EQ(single, 2u);
    word::SetConverter(nullptr);
  }
}

// Blanks beside pictures, a typed non-breaking space, a soft hyphen and references to no
// character keep what they are over five trips out as a Word file and in again.
TEST_F(LibreOfficeTest, PicturesNeighboursAndSpecialCharactersSurviveFiveRoundTrips) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Pictures\\linked.png", testpictures::BluePng()));
  auto trip0 = AddFolder(templates, L"Trip0");
  AddHtml(trip0, L"Pictures",
          L"<html><body><p>Left <img src=\"cid:red@1\"> right</p>"
          L"<p>Linked <img src=\"C:\\Pictures\\linked.png\"> here</p>"
          L"<p>Soft&shy;hyphen &eacute;t&eacute; &#55296; &#xFFFE; \uFFFE end</p></body></html>",
          {{L"red.png", L"red@1", testpictures::RedPng()}});
  AddPlain(trip0, L"Typed", L"Mr.\u00A0Smith and Mrs.\u00A0\u00A0Jones\r\n");
  word::SetConverter(service);
  auto folder = trip0;
  std::wstring first;
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, mImportExportWordDocs::kConflictReplace, nullptr, 0), 2);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(
        mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Export", false,
                                        mImportExportWordDocs::kConflictDuplicate, nullptr, 2),
        2);
    std::shared_ptr<outlook::Item> pictures, typed;
    for (int k = 1; k <= 2; ++k) {
      auto item = folder->Items()->Item(k);
      (item->Subject() == L"Typed" ? typed : pictures) = item;
    }
    ASSERT_TRUE(pictures && typed);
    std::wstring html = pictures->HTMLBody(), body = pictures->Body();
    EXPECT_NE(html.find(L"Left <img"), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"/> right</p>"), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"Linked <img"), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"/> here</p>"), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_NE(body.find(L"Soft\u00ADhyphen \u00E9t\u00E9 \uFFFD \uFFFD \uFFFD end"),
              std::wstring::npos)
        << win32::ToAnsi(html);
    if (trip == 1) first = body;
    EXPECT_EQ(body, first);
    EXPECT_NE(typed->Body().find(L"Mr.\u00A0Smith and Mrs.\u00A0\u00A0Jones"), std::wstring::npos)
        << win32::ToAnsi(typed->HTMLBody());
  }
}

// A picture inside a link keeps the blanks beside it, one link around it and its size over
// five trips out as a Word file and in again.
TEST_F(LibreOfficeTest, APictureInALinkKeepsItsBlanksLinkAndSizeOverFiveRoundTrips) {
  auto trip0 = AddFolder(templates, L"Trip0");
  AddHtml(trip0, L"Linked",
          L"<html><body><p>See <a href=\"https://example.com/x\"><img src=\"cid:red@1\" "
          L"width=\"40\" height=\"30\"></a> here</p></body></html>",
          {{L"red.png", L"red@1", testpictures::RedPng()}});
  word::SetConverter(service);
  auto folder = trip0;
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, mImportExportWordDocs::kConflictReplace, nullptr, 0), 1);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(
        mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Export", false,
                                        mImportExportWordDocs::kConflictDuplicate, nullptr, 2),
        1);
    auto item = folder->Items()->Item(1);
    std::wstring html = item->HTMLBody();
    EXPECT_EQ(Count(html, L"<a "), 1u) << win32::ToAnsi(html);
    EXPECT_EQ(Count(html, L"https://example.com/x"), 1u) << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"See <a href=\"https://example.com/x\"><img "), std::wstring::npos)
        << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"/></a> here</p>"), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_NE(html.find(L"width=\"40\" height=\"30\""), std::wstring::npos) << win32::ToAnsi(html);
    EXPECT_EQ(item->Attachments()->Count(), 1);
  }
}

// A framed picture, plain or in a link, keeps its size over five trips: the word processor
// takes a picture's border out of the size it is given.
TEST_F(LibreOfficeTest, AFramedPictureKeepsItsSizeOverFiveRoundTrips) {
  const struct {
    const wchar_t* name;
    const wchar_t* before;
    const wchar_t* after;
    int border;
  } cases[] = {
      {L"Plain1", L"", L"", 1},
      {L"Plain2", L"", L"", 2},
      {L"Linked1", L"<a href=\"https://example.com/x\">", L"</a>", 1},
      {L"Linked2", L"<a href=\"https://example.com/x\">", L"</a>", 2},
  };
  auto trip0 = AddFolder(templates, L"Trip0");
  for (const auto& c : cases)
    AddHtml(trip0, c.name,
            std::wstring(L"<html><body><p>See ") + c.before +
                L"<img src=\"cid:red@1\" width=\"118\" height=\"38\" border=\"" +
                std::to_wstring(c.border) + L"\">" + c.after + L" here</p></body></html>",
            {{L"red.png", L"red@1", testpictures::RedPng()}});
  word::SetConverter(service);
  auto folder = trip0;
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, mImportExportWordDocs::kConflictReplace, nullptr, 0), 4);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(
        mImportExportWordDocs::DoImport(folder->EntryID(), L"C:\\Export", false,
                                        mImportExportWordDocs::kConflictDuplicate, nullptr, 2),
        4);
    for (int k = 1; k <= 4; ++k) {
      auto item = folder->Items()->Item(k);
      std::wstring html = item->HTMLBody();
      EXPECT_NE(html.find(L"width=\"118\" height=\"38\""), std::wstring::npos)
          << win32::ToAnsi(item->Subject()) << ": " << win32::ToAnsi(html);
    }
  }
}
