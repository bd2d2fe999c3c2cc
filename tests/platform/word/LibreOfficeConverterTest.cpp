// The converter's handling of soffice as a process: a stand-in script plays soffice, so these
// run without LibreOffice. Each test works in a folder of its own below the build folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "platform/vb/Error.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/OfficeService.h"
#include "tests/common/Pictures.h"
#include "tests/common/Source.h"

namespace fs = std::filesystem;

namespace {

class ConverterProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    // A blank in the path, as a user's home folder may have.
    work = fs::current_path() / ("converter " + name);
    fs::remove_all(work);
    fs::create_directories(work);
    input = work / "in.rtf";
    std::ofstream(input) << "{\\rtf1 x}";
  }
  void TearDown() override { fs::remove_all(work); }

  // A stand-in soffice running `body` with its arguments in "$@".
  std::string Fake(const std::string& body) {
    fs::path script = work / "soffice";
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path work, input;
};

}  // namespace

TEST_F(ConverterProcessTest, ItsArgumentsCarryAnEncodedProfileAndItsOutputIsFound) {
  std::string soffice = Fake(
      "for a in \"$@\"; do echo \"$a\"; done > \"$(dirname \"$0\")/args\"\n"
      "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
      "echo '<html>done</html>' > \"$out/in.html\"");
  word::LibreOffice office(soffice, (work / "my profile").string(), 30);
  auto html = office.ToHtml(input.string(), (work / "out").string());
  ASSERT_TRUE(html.has_value()) << std::string(office.Problem().begin(), office.Problem().end());
  EXPECT_EQ(Read(*html), "<html>done</html>\n");
  std::string args = Read(work / "args");
  EXPECT_NE(args.find("-env:UserInstallation=file://"), std::string::npos) << args;
  EXPECT_NE(args.find("my%20profile/run-"), std::string::npos) << args;
  EXPECT_EQ(args.find("my profile"), std::string::npos) << args;
  EXPECT_EQ(word::FileUrl("/a b/\xC3\xA9"), "file:///a%20b/%C3%A9");
}

TEST_F(ConverterProcessTest, WhyNothingCameOutIsTold) {
  word::LibreOffice failing(Fake("exit 3"), (work / "p").string(), 30);
  EXPECT_FALSE(failing.ToHtml(input.string(), (work / "out").string()));
  EXPECT_NE(failing.Problem().find(L"exit status 3"), std::wstring::npos);

  word::LibreOffice crashing(Fake("kill -SEGV $$"), (work / "p").string(), 30);
  EXPECT_FALSE(crashing.ToDoc(input.string(), (work / "x.doc").string()));
  EXPECT_NE(crashing.Problem().find(L"signal 11"), std::wstring::npos);
  EXPECT_FALSE(fs::exists(work / "x.doc"));

  word::LibreOffice silent(Fake("exit 0"), (work / "p").string(), 30);
  EXPECT_FALSE(silent.Convert(input.string(), "html", "html", (work / "out").string()));
  EXPECT_NE(silent.Problem().find(L"could not read in.rtf"), std::wstring::npos);
}

// What soffice said goes with its exit status into the problem, on one line, its last words
// kept when it said much.
TEST_F(ConverterProcessTest, WhatTheWordProcessorSaidIsInTheProblem) {
  word::LibreOffice unreadable(
      Fake("echo 'Warning: failed to launch javaldx'\necho >&2 'Error: source file could not be "
           "loaded'"),
      (work / "p").string(), 30);
  EXPECT_FALSE(unreadable.ToHtml(input.string(), (work / "out").string()));
  EXPECT_EQ(unreadable.Problem(),
            L"the word processor could not read the document (exit status 0); it said: Warning: "
            L"failed to launch javaldx / Error: source file could not be loaded");

  word::LibreOffice talkative(
      Fake("i=0; while [ $i -lt 200 ]; do echo \"line $i of its talk\"; i=$((i+1)); done\n"
           "echo 'the last word'; exit 5"),
      (work / "p").string(), 30);
  EXPECT_FALSE(talkative.ToDoc(input.string(), (work / "x.doc").string()));
  std::wstring problem = talkative.Problem();
  EXPECT_EQ(
      problem.rfind(L"the word processor failed on the document (exit status 5); it said: ...", 0),
      0u)
      << win32::ToAnsi(problem);
  EXPECT_EQ(problem.substr(problem.size() - 13), L"the last word");
  EXPECT_LT(problem.size(), 700u);
}

// Its last words are cut at a character's start, never inside one.
TEST_F(ConverterProcessTest, ItsLastWordsAreWholeCharacters) {
  // 400 two-byte characters and one more byte: the last 600 bytes begin inside a character.
  word::LibreOffice talkative(Fake("i=0; while [ $i -lt 400 ]; do printf '\\303\\251'; "
                                   "i=$((i+1)); done; echo y; exit 5"),
                              (work / "p").string(), 30);
  EXPECT_FALSE(talkative.ToHtml(input.string(), (work / "out").string()));
  std::wstring problem = talkative.Problem();
  size_t said = problem.find(L"it said: ...");
  ASSERT_NE(said, std::wstring::npos) << win32::ToAnsi(problem);
  EXPECT_EQ(problem.substr(said + 12), std::wstring(299, L'\u00E9') + L"y");
}

// Installing the dependencies: a word processor just installed must convert a document, or the
// install fails telling what it said. Stand-ins play the package tools and soffice.
TEST_F(ConverterProcessTest, TheInstallChecksThatTheWordProcessorJustInstalledConverts) {
  fs::path bin = work / "bin";
  fs::create_directories(bin);
  auto tool = [&](const std::string& name, const std::string& body) {
    std::ofstream(bin / name) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(bin / name, fs::perms::owner_all);
  };
  // Every package is there but what the "missing" file names.
  tool("dpkg-query",
       "for p; do :; done; grep -qx \"$p\" \"$(dirname \"$0\")/missing\" 2>/dev/null "
       "|| printf 'install ok installed'");
  tool("apt-get", "echo \"$@\" >> \"$(dirname \"$0\")/apt\"");
  tool("sudo", "exec \"$@\"");
  // The system's Python imports uno once the file "uno" is there.
  tool("python3",
       "[ -f \"$(dirname \"$0\")/uno\" ] || { echo 'No module named uno' >&2; exit 1; }");
  std::ofstream(bin / "uno");
  auto run = [&](const std::string& soffice, const std::string& missing) {
    tool("soffice", "echo started >> \"$(dirname \"$0\")/starts\"\n" + soffice);
    std::ofstream(bin / "missing") << missing;
    fs::remove(bin / "starts");
    fs::remove(bin / "apt");
    std::string command = "PATH='" + bin.string() + "':\"$PATH\" TMPDIR='" + work.string() +
                          "' TANVELO_UNO_PYTHON='" + (bin / "python3").string() + "' bash '" +
                          (testsource::SourceDir() / "scripts/install-deps.sh").string() + "' >'" +
                          (work / "out").string() + "' 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string writes =
      "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
      "echo document > \"$out/check.doc\"";
  EXPECT_EQ(run(writes, "libreoffice-writer-nogui\n"), 0) << Read(work / "out");
  EXPECT_EQ(Read(bin / "starts"), "started\n");
  EXPECT_NE(Read(bin / "apt").find("libreoffice-writer-nogui"), std::string::npos);

  EXPECT_EQ(run("echo 'Error: no export filter'", "libreoffice-writer-nogui\n"), 1);
  EXPECT_EQ(Read(bin / "starts"), "started\n");
  EXPECT_NE(Read(work / "out").find("converts no document"), std::string::npos)
      << Read(work / "out");
  EXPECT_NE(Read(work / "out").find("Error: no export filter"), std::string::npos);

  // Nothing installed, nothing to check.
  EXPECT_EQ(run("exit 3", ""), 0) << Read(work / "out");
  EXPECT_FALSE(fs::exists(bin / "starts"));
  EXPECT_FALSE(fs::exists(bin / "apt"));
  // Its check leaves nothing in the temporary folder.
  for (const auto& entry : fs::directory_iterator(work))
    EXPECT_EQ(entry.path().filename().string().rfind("tmp.", 0), std::string::npos) << entry.path();

  // The system's Python that cannot import uno gets python3-uno, whatever dpkg says; one that
  // still cannot is told with its own words.
  const struct {
    const char* install;  // what installing python3-uno does
    int status;
  } python[] = {{"touch \"$(dirname \"$0\")/uno\"", 0}, {":", 1}};
  for (const auto& p : python) {
    SCOPED_TRACE(p.install);
    fs::remove(bin / "uno");
    tool("apt-get",
         "echo \"$@\" >> \"$(dirname \"$0\")/apt\"\n"
         "case \"$*\" in *install*python3-uno*) " +
             std::string(p.install) + ";; esac");
    EXPECT_EQ(run("exit 3", ""), p.status) << Read(work / "out");
    EXPECT_NE(Read(bin / "apt").find("install -y -qq python3-uno"), std::string::npos)
        << Read(bin / "apt");
    if (p.status) {
      EXPECT_NE(Read(work / "out").find("No module named uno"), std::string::npos);
    }
  }
}

// The office that serves a whole run: one that ends as it starts fails the document at once with
// its exit status and its words, leaves nothing behind, and the next document starts it anew.
TEST_F(ConverterProcessTest, AnOfficeThatEndsAsItStartsFailsTheDocumentAtOnce) {
  word::OfficeService office(Fake("echo 'no display here'; exit 3"), (work / "p").string(), 20, 1);
  for (int start = 1; start <= 2; ++start) {
    EXPECT_FALSE(office.ToHtml(input.string(), (work / "out").string()));
    std::wstring problem = office.Problem();
    EXPECT_EQ(problem.rfind(L"the word processor ended abnormally on the document (exit status 3); "
                            L"it said: ",
                            0),
              0u)
        << win32::ToAnsi(problem);
    EXPECT_NE(problem.find(L"no display here"), std::wstring::npos) << win32::ToAnsi(problem);
    EXPECT_EQ(office.Starts(), start);
    EXPECT_EQ(office.Group(), 0);
    EXPECT_TRUE(fs::is_empty(work / "p"));
  }
}

// A start that ends well (or asks to be started again) but writes nothing is tried once more
// with a fresh profile; a failure that tells its cause is not, and a document an earlier
// conversion left in the output folder is no answer.
TEST_F(ConverterProcessTest, AStartThatWritesNothingIsTriedOnceMore) {
  const std::string count =
      "n=$(cat \"$(dirname \"$0\")/starts\" 2>/dev/null || echo 0)\n"
      "echo $((n+1)) > \"$(dirname \"$0\")/starts\"\n";
  const std::string write =
      "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
      "echo '<html>done</html>' > \"$out/in.html\"\n";
  auto starts = [&] {
    int n = std::stoi(Read(work / "starts"));
    fs::remove(work / "starts");
    return n;
  };
  for (const char* first : {"0", "81"}) {
    word::LibreOffice office(Fake(count + "[ $n = 0 ] && exit " + first + "\n" + write),
                             (work / "p").string(), 30);
    auto html = office.ToHtml(input.string(), (work / "out").string());
    ASSERT_TRUE(html.has_value()) << first << " " << win32::ToAnsi(office.Problem());
    EXPECT_EQ(Read(*html), "<html>done</html>\n");
    EXPECT_EQ(starts(), 2) << first;
    EXPECT_TRUE(fs::is_empty(work / "p"));
  }

  word::LibreOffice never(Fake(count + "echo 'Error: source file could not be loaded'"),
                          (work / "p").string(), 30);
  EXPECT_FALSE(never.ToHtml(input.string(), (work / "out").string()));  // out/in.html is old
  EXPECT_EQ(starts(), 2);
  EXPECT_NE(never.Problem().find(L"could not be loaded"), std::wstring::npos);

  word::LibreOffice failing(Fake(count + "exit 3"), (work / "p").string(), 30);
  EXPECT_FALSE(failing.ToHtml(input.string(), (work / "out").string()));
  EXPECT_EQ(starts(), 1);
}

// The Word file is made in a folder of the temporary folder, which goes with the conversion.
TEST_F(ConverterProcessTest, AWordFileLeavesNothingInTheTemporaryFolder) {
  const char* old = std::getenv("TMPDIR");
  std::string kept = old ? old : "";
  fs::create_directories(work / "tmp");
  setenv("TMPDIR", (work / "tmp").c_str(), 1);
  word::LibreOffice made(
      Fake("while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
           "echo doc > \"$out/in.doc\""),
      (work / "p").string(), 30);
  EXPECT_TRUE(made.ToDoc(input.string(), (work / "x.doc").string()));
  EXPECT_EQ(Read(work / "x.doc"), "doc\n");
  word::LibreOffice failing(Fake("exit 3"), (work / "p").string(), 30);
  EXPECT_FALSE(failing.ToDoc(input.string(), (work / "y.doc").string()));
  if (old)
    setenv("TMPDIR", kept.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_TRUE(fs::is_empty(work / "tmp"));
}

// Word names the user's file when the word processor fails on it, not the private copy it
// handed over, and tells what the word processor said.
TEST_F(ConverterProcessTest, AFailureNamesTheUsersFile) {
  win32::files::TempSandbox sandbox;
  word::Install();
  word::SetConverter(std::make_shared<word::LibreOffice>(
      Fake("echo 'Error: source file could not be loaded'"), (work / "p").string(), 30));
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Offer.doc", std::string("\xD0\xCF\x11\xE0", 4)));
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Offer.rtf", "{\\rtf1 x\\par}"));
  word::WordWrapper w;
  ASSERT_TRUE(w.CreateWordApplication());
  word::Options none;
  auto failure = [](const std::function<void()>& step) {
    try {
      step();
    } catch (const vb::Error& e) {
      return e.Description();
    }
    return std::wstring(L"<no failure>");
  };
  std::wstring path = L"C:\\In\\Offer.doc";
  std::wstring read = failure([&] { w.DocumentOpen(path, none); });
  std::wstring rtf = L"C:\\In\\Offer.rtf";
  auto doc = w.DocumentOpen(rtf, none);
  std::wstring save =
      failure([&] { w.DocumentSaveAs(doc, L"C:\\Out\\Offer.doc", word::wdFormatDocument, none); });
  word::SetConverter(nullptr);
  for (const auto& [text, file] :
       {std::pair{read, L"C:\\In\\Offer.doc"}, std::pair{save, L"C:\\Out\\Offer.doc"}}) {
    EXPECT_NE(text.find(file), std::wstring::npos) << win32::ToAnsi(text);
    EXPECT_NE(text.find(L"source file could not be loaded"), std::wstring::npos)
        << win32::ToAnsi(text);
    EXPECT_EQ(text.find(L"document."), std::wstring::npos) << win32::ToAnsi(text);
  }
}

// soffice's launcher ignores SIGTERM; the limit holds all the same (one second, then one more
// before the kill). Should the limit fail, the stand-in gives up by itself after 20 seconds and
// writes its output, so the test fails instead of hanging the suite.
TEST_F(ConverterProcessTest, TheTimeLimitEndsAConverterThatIgnoresTheSignal) {
  word::LibreOffice hanging(
      Fake("trap '' TERM\n"
           "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
           "i=0; while [ $i -lt 20 ]; do sleep 1; i=$((i+1)); done\n"
           "echo late > \"$out/in.html\""),
      (work / "p").string(), 1, 1);
  EXPECT_FALSE(hanging.ToHtml(input.string(), (work / "out").string()));
  EXPECT_NE(hanging.Problem().find(L"within 1 seconds"), std::wstring::npos);
  EXPECT_TRUE(fs::is_empty(work / "p"));
}

// Each conversion's profile and home are its own and gone when it ends, however it ends.
TEST_F(ConverterProcessTest, NoProfileOutlivesItsConversion) {
  std::string record =
      "echo \"$HOME\" >> \"$(dirname \"$0\")/homes\"\n"
      "for a in \"$@\"; do case $a in -env:UserInstallation=file://*) "
      "echo \"${a#-env:UserInstallation=file://}\" >> \"$(dirname \"$0\")/profiles\";; esac; "
      "done\n";
  std::vector<std::string> ends = {
      "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=$2; shift; done\n"
      "mkdir -p \"$HOME/.cache\" \"$out\"; echo x > \"$out/in.html\"",
      "mkdir -p \"$HOME/.cache\"; exit 3", "kill -SEGV $$", "exit 0"};
  for (const auto& end : ends) {
    word::LibreOffice office(Fake(record + end), (work / "p").string(), 30);
    office.ToHtml(input.string(), (work / "out").string());
    EXPECT_TRUE(fs::is_empty(work / "p")) << end;
  }
  std::ifstream homes(work / "homes"), profiles(work / "profiles");
  std::string line;
  std::set<std::string> seen;
  while (std::getline(homes, line)) {
    EXPECT_FALSE(fs::exists(line)) << line;
    seen.insert(line);
  }
  // Never one shared; the start that ends well but writes nothing is tried again.
  EXPECT_EQ(seen.size(), ends.size() + 1);
  while (std::getline(profiles, line)) EXPECT_FALSE(fs::exists(line)) << line;
}

// --- HTML between Word and the word processor --------------------------------------------------

namespace {

// Files by Windows path, in memory.
struct MemoryFiles {
  std::map<std::wstring, std::string> files;
  std::vector<std::wstring> folders;
  word::FileAccess Access() {
    word::FileAccess f;
    f.read = [this](const std::wstring& path) -> std::optional<std::string> {
      auto it = files.find(path);
      if (it == files.end()) return std::nullopt;
      return it->second;
    };
    f.write = [this](const std::wstring& path, const std::string& bytes) {
      files[path] = bytes;
      return true;
    };
    f.makeFolder = [this](const std::wstring& path) {
      folders.push_back(path);
      return true;
    };
    return f;
  }
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(ConverterProcessTest, TheWordProcessorsHtmlBecomesWordsWithItsBlanksTabsAndPictures) {
  std::ofstream(work / "document_html_1.png", std::ios::binary) << testpictures::RedPng();
  std::ofstream(work / "Caf\xC3\xA9 x.JPG", std::ios::binary) << "jpeg";
  std::wstring html =
      L"<html><head><meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"/>"
      L"<style>p { margin-bottom: 0.1in }</style></head><body><p>\n"
      L"<font>a\u2006\n\u2006 \u2006 b</font> <b>c</b>\n<i>d</i></p>\n"
      L"<p>Name:     \nValue</p>\n"
      L"<p>Key\tTab\t\tTwo</p>\n"
      L"<ul>\n\t<li><p>bullet\n\tone</p>\n</ul>\n"
      L"<p>K\u00F6ln \u0416</p>\n"
      L"<p style=\"margin-bottom: 0.08in\">\n<br/>\n<br/>\n\n</p>\n"
      L"<p style=\"margin-bottom: 0in\"><br/>\n<br/>\n</p>\n"
      L"<p><font>x<br/>\n</font><br/>\n<br/>\n</p>\n"
      L"<p><img src=\"document_html_1.png\" name=\"Image1\"/><img src=document_html_1.png>"
      L"<img src=\"Caf%C3%A9%20x.JPG\"/><img src=\"https://example.com/a.png\"/></p>\n"
      L"</body></html>";
  MemoryFiles disk;
  std::string out = word::HtmlFromConverter(html, work, L"C:\\Temp\\rad1",
                                            L"Caf\u00E9 \u00D1and\u00FA", disk.Access());
  EXPECT_TRUE(Has(out, "charset=windows-1252")) << out;
  EXPECT_TRUE(Has(out, "<style>p { margin-bottom: 0.1in }</style>")) << out;
  // Blanks the word processor kept, and its tabs; a line it wrapped at a blank is that blank,
  // beside text or a tag of text; indentation and line breaks between blocks are layout.
  EXPECT_TRUE(Has(out, "<p>\n<font>a&nbsp;&nbsp;&nbsp;b</font> <b>c</b> <i>d</i></p>\n<p>")) << out;
  EXPECT_TRUE(Has(out, "Name:&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Value")) << out;
  EXPECT_TRUE(Has(out, "Key&#9;Tab&#9;&#9;Two")) << out;
  EXPECT_TRUE(Has(out, "<ul>\n\t<li><p>bullet one</p>\n</ul>")) << out;
  EXPECT_TRUE(Has(out, "K&#246;ln &#1046;")) << out;
  // The line break the word processor adds below a paragraph spaced below is no line: an empty
  // paragraph is one line, one ending in a line break two.
  EXPECT_TRUE(Has(out, "<p style=\"margin-bottom: 0.08in\">\n<br/>\n\n\n</p>")) << out;
  EXPECT_TRUE(Has(out, "<p style=\"margin-bottom: 0in\"><br/>\n<br/>\n</p>")) << out;
  EXPECT_TRUE(Has(out, "<p><font>x<br/>\n</font><br/>\n\n</p>")) << out;
  // Pictures beside the HTML under Word's names, each file once, linked in the code page.
  const std::string side =
      "Caf\xE9%20\xD1"
      "and\xFA_files/";
  EXPECT_TRUE(Has(out, "<img src=\"" + side + "image001.png\" name=\"Image1\"/><img src=\"" + side +
                           "image001.png\"><img src=\"" + side + "image002.jpg\"/>"))
      << out;
  EXPECT_TRUE(Has(out, "src=\"https://example.com/a.png\"")) << out;
  const std::wstring folder = L"C:\\Temp\\rad1\\Caf\u00E9 \u00D1and\u00FA_files";
  EXPECT_EQ(disk.files, (std::map<std::wstring, std::string>{
                            {folder + L"\\image001.png", testpictures::RedPng()},
                            {folder + L"\\image002.jpg", "jpeg"}}));
  for (unsigned char ch : out.substr(0, out.find("Caf\xE9"))) EXPECT_LT(ch, 0x80);

  // A line's one first blank, on the source line after the block's tag, is a kept blank.
  EXPECT_TRUE(Has(word::HtmlFromConverter(L"<body><p>\n <font>\tx</font></p><p>\n<br/>\n a</p>"
                                          L"<p>\n <b>y</b> </p></body>",
                                          work, L"C:\\T", L"x", disk.Access()),
                  "<p>&nbsp;<font>&#9;x</font></p><p>\n<br/>&nbsp;a</p><p>&nbsp;<b>y</b> </p>"));
  EXPECT_THROW(word::HtmlFromConverter(L"<body><img src=\"gone.png\"></body>", work, L"C:\\T", L"x",
                                       disk.Access()),
               std::runtime_error);
}

TEST_F(ConverterProcessTest, WordsHtmlReachesTheWordProcessorWithItsPicturesAndBlanks) {
  MemoryFiles disk;
  disk.files[L"C:\\Out\\Offer_files\\image001.png"] = testpictures::RedPng();
  disk.files[L"C:\\Temp\\rad1\\Caf\u00E9 x_files\\p.gif"] = "GIF89a";
  std::wstring html =
      L"<html><head><meta charset=\"windows-1252\"></head><body>"
      L"<p class=\"x\">\n<br/>\n</p><p>Name:&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Value</p>"
      L"<p>Word: &nbsp; &nbsp;end</p><p>Mr.&nbsp;Smith</p><p>&nbsp;</p><p><br/>\n<br/>\n</p>"
      L"<p>Key&#9;Tab</p><p>K&#246;ln \u0416</p>"
      L"<img src=\"C:\\Out\\Offer_files\\image001.png\"><img src=\"Caf&#233;%20x_files/p.gif\">"
      L"<img src=\"https://x/y.png\"></body></html>";
  std::string out = word::HtmlForConverter(html, L"C:\\Temp\\rad1", disk.Access());
  EXPECT_TRUE(Has(out, "<p class=\"x\">\n<br/>\n</p>")) << out;
  EXPECT_TRUE(Has(out, "Name:&#32;&#32;&#32;&#32;&#32;&#32;Value")) << out;
  EXPECT_TRUE(Has(out, "Word:&#32;&#32;&#32;&#32;end")) << out;
  EXPECT_TRUE(Has(out, "Mr.&nbsp;Smith</p><p>&nbsp;</p>")) << out;
  EXPECT_TRUE(Has(out, "Key&#9;Tab")) << out;
  EXPECT_TRUE(Has(out, "K&#246;ln &#1046;")) << out;
  EXPECT_TRUE(Has(out, "<img src=\"data:image/png;base64,iVBORw0KGgo")) << out;
  EXPECT_TRUE(Has(out, "<img src=\"data:image/gif;base64,R0lGODlh\" border=\"0\">")) << out;
  EXPECT_TRUE(Has(out, "<img src=\"https://x/y.png\">")) << out;
  // The word processor drops a blank that begins a line unless it is a kept one.
  std::string lead = word::HtmlForConverter(
      L"<body><p>&nbsp;&nbsp;a</p><div>\n<font>&nbsp; &nbsp;b</font></div>c<br>&nbsp;&nbsp;d"
      L"<p>&#9;&nbsp;&nbsp;e</p><p><img src=\"https://x/y.png\">&nbsp;&nbsp;f</p></body>",
      L"C:\\T", disk.Access());
  EXPECT_TRUE(Has(lead,
                  "<p>&nbsp;&#32;a</p><div>\n<font>&nbsp;&#32;&#32;b</font></div>"
                  "c<br>&nbsp;&#32;d<p>&#9;&#32;&#32;e</p>"
                  "<p><img src=\"https://x/y.png\">&#32;&#32;f</p>"))
      << lead;
  EXPECT_THROW(
      word::HtmlForConverter(L"<body><img src=\"gone.png\"></body>", L"C:\\T", disk.Access()),
      std::runtime_error);
  // A reference to no character in a link is the replacement character, as in text.
  disk.files[L"C:\\T\\a\uFFFDb\uFFFDc\uFFFD.gif"] = "GIF89a";
  EXPECT_TRUE(Has(word::HtmlForConverter(L"<body><img src=\"a&#-26;b&#xD800;c&#x110000;.gif\">",
                                         L"C:\\T", disk.Access()),
                  "data:image/gif"));
}

// --- Word on the word processor's road ---------------------------------------------------------

namespace {

// The word processor's part played in the test: a document becomes the HTML and files given,
// and what it is asked to make a Word file of is kept.
struct StubConverter : word::Converter {
  std::string html;
  std::map<std::string, std::string> files;
  std::vector<std::string> sources;  // each as "<extension>:<bytes>"
  int read = 0;                      // documents it was given to read
  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override {
    ++read;
    fs::create_directories(outFolder);
    fs::path out = fs::path(outFolder) / (fs::path(document).stem().string() + ".html");
    std::ofstream(out, std::ios::binary) << html;
    for (const auto& [name, bytes] : files)
      std::ofstream(fs::path(outFolder) / name, std::ios::binary) << bytes;
    return out.string();
  }
  bool ToDoc(const std::string& source, const std::string& document) override {
    std::ifstream in(source, std::ios::binary);
    sources.push_back(fs::path(source).extension().string() + ":" +
                      std::string(std::istreambuf_iterator<char>(in), {}));
    std::ofstream(document, std::ios::binary) << "DOC";
    return true;
  }
};

struct ConverterRoadTest : testing::Test {
  void SetUp() override {
    word::Install();
    word::SetConverter(office);
    ASSERT_TRUE(w.CreateWordApplication());
  }
  void TearDown() override { word::SetConverter(nullptr); }
  std::shared_ptr<word::Document> Open(std::wstring path) {
    word::Options none;
    return w.DocumentOpen(path, none);
  }
  void Save(const std::shared_ptr<word::Document>& doc, const std::wstring& path, int32_t format) {
    word::Options none;
    w.DocumentSaveAs(doc, path, format, none);
  }
  void Close(std::shared_ptr<word::Document> doc) {
    word::Variant zero = 0, missing;
    w.DocumentClose(doc, zero, missing, missing);
  }
  static std::string Read(const char* path) {
    return win32::files::ReadAll(path).value_or("<missing>");
  }
  win32::files::TempSandbox sandbox;
  std::shared_ptr<StubConverter> office = std::make_shared<StubConverter>();
  word::WordWrapper w;
};

}  // namespace

TEST_F(ConverterRoadTest, AWordFileStaysTheFileItWasAndItsHtmlIsTheWordProcessors) {
  const std::string original("\xD0\xCF\x11\xE0 as written", 14);
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Letter.doc", original));
  office->html =
      "<html><head><meta charset=\"utf-8\"></head><body><p><b>Name:</b>\xE2\x80\x86 "
      "\xE2\x80\x86x</p><p><img src=\"document_html_1.png\"></p></body></html>";
  office->files = {{"document_html_1.png", testpictures::RedPng()}};
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\a b\\Letter.htm", "older"));
  auto doc = Open(L"C:\\In\\Letter.doc");
  w.DocumentUnlinkFields(doc);
  Save(doc, L"C:\\Temp\\a b\\Letter.htm", word::wdFormatFilteredHTML);
  ASSERT_TRUE(win32::files::WriteAll("C:\\Out\\Letter.dot", "older"));
  Save(doc, L"C:\\Out\\Letter.dot", word::wdFormatTemplate);
  Close(doc);
  std::string html = Read("C:\\Temp\\a b\\Letter.htm");
  EXPECT_TRUE(Has(html, "<p><b>Name:</b>&nbsp;&nbsp;x</p>")) << html;
  EXPECT_TRUE(Has(html, "<img src=\"Letter_files/image001.png\">")) << html;
  EXPECT_EQ(Read("C:\\Temp\\a b\\Letter_files\\image001.png"), testpictures::RedPng());
  EXPECT_EQ(Read("C:\\Out\\Letter.dot"), original);  // overwritten, as the file it was
  EXPECT_TRUE(office->sources.empty());

  // A name the code page cannot hold is no file, as on every road.
  try {
    Open(L"C:\\In\\\u041F\u0440\u0438.doc");
    ADD_FAILURE() << "opened";
  } catch (const vb::Error& e) {
    EXPECT_NE(e.Description().find(L"could not be found"), std::wstring::npos)
        << win32::ToAnsi(e.Description());
  }
}

TEST_F(ConverterRoadTest, HtmlAndRtfGoToTheWordProcessorAsTheyAre) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Out\\Offer_files\\image001.png", testpictures::RedPng()));
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Temp\\t\\Offer.htm",
                             "<html><body><table><tr><td><b>a</b>&nbsp;&nbsp;b</td></tr></table>"
                             "<img src=\"C:\\Out\\Offer_files\\image001.png\"></body></html>"));
  const std::string rtf = "{\\rtf1\\ansi {\\b bold}\\tab x\\par}";
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\t\\Offer.rtf", rtf));
  auto doc = Open(L"C:\\Temp\\t\\Offer.htm");
  w.DocumentUnlinkFields(doc);
  Save(doc, L"C:\\Out\\Offer.doc", word::wdFormatDocument);
  Close(doc);
  doc = Open(L"C:\\Temp\\t\\Offer.rtf");
  Save(doc, L"C:\\Out\\Offer.dot", word::wdFormatTemplate);
  Close(doc);
  ASSERT_EQ(office->sources.size(), 2u);
  EXPECT_TRUE(Has(office->sources[0],
                  ".html:<html><body><table><tr><td><b>a</b>&#32;&#32;b</td></tr></table>"
                  "<img src=\"data:image/png;base64,iVBORw0KGgo"))
      << office->sources[0];
  EXPECT_EQ(office->sources[1], ".rtf:" + rtf);
  EXPECT_EQ(Read("C:\\Out\\Offer.doc"), "DOC");
  EXPECT_EQ(Read("C:\\Out\\Offer.dot"), "DOC");
}

// Bytes that are no Word file, HTML or RTF never reach the word processor: Word refuses them
// as it does without one, naming the file; what it is given comes back no larger than its file
// can make.
TEST_F(ConverterRoadTest, WhatIsNoDocumentIsRefusedByNameAndABodyHasItsBounds) {
  auto failure = [&](const std::wstring& path) {
    try {
      Open(path);
    } catch (const vb::Error& e) {
      return e.Description();
    }
    return std::wstring(L"<opened>");
  };
  std::string noise;
  for (int i = 0; i < 3000; ++i) noise += static_cast<char>((i * 7919 + 13) % 251);
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Noise.doc", noise));
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Noise.dot", "plain words, no document"));
  office->html = "<html><body><p>x</p></body></html>";
  const std::wstring onRoad = failure(L"C:\\In\\Noise.doc");
  EXPECT_EQ(failure(L"C:\\In\\Noise.dot"),
            L"Word was unable to read this document. It may be corrupt. (C:\\In\\Noise.dot)");
  EXPECT_EQ(office->read, 0);
  word::SetConverter(nullptr);
  EXPECT_EQ(onRoad, failure(L"C:\\In\\Noise.doc"));  // Word's own words
  word::SetConverter(office);

  // A Word file old or new, RTF and markup (after a byte order mark and blanks) are read.
  const std::pair<const char*, std::string> documents[] = {
      {"C:\\In\\Old.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)},
      {"C:\\In\\New.doc", "PK\x03\x04 zip"},
      {"C:\\In\\Rich.dot", "{\\rtf1 x}"},
      {"C:\\In\\Page.doc", "\xEF\xBB\xBF \r\n<html>x</html>"},
      {"C:\\In\\Lines.doc", "<html>\r\n<body>\r\n\t<p>x</p>\r\n</body>\r\n</html>\r\n"},
      {"C:\\In\\Binary.dot",
       std::string(
           "{\\rtf1\\ansi a\\tab b\r\n{\\pict\\pngblip\\bin4 \x89\x01\xFF\0}\\'e9\\\\bin}\0", 57)}};
  for (const auto& [path, bytes] : documents) {
    ASSERT_TRUE(win32::files::WriteAll(path, bytes));
    std::wstring name = win32::FromAnsi(path);
    EXPECT_EQ(failure(name), L"<opened>") << path;
  }
  EXPECT_EQ(office->read, 6);

  // What the word processor made of a 4-byte file: a body past its bounds fails by name.
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Small.doc",
                                     "{\\rt"
                                     "f1}"));
  office->html = "<html><body><p>" + std::string(1100000, 'x') + "</p></body></html>";
  std::wstring large = failure(L"C:\\In\\Small.doc");
  EXPECT_NE(large.find(L"C:\\In\\Small.doc"), std::wstring::npos) << win32::ToAnsi(large);
  EXPECT_NE(large.find(L"too large"), std::wstring::npos) << win32::ToAnsi(large);
  office->html = "<html><body><p>" + std::string(1000000, 'x') + "</p></body></html>";
  EXPECT_EQ(failure(L"C:\\In\\Small.doc"), L"<opened>");
}

// Random bytes behind a "<" or "{\\rtf" are no web page and no RTF: refused by name before the
// word processor sees them, as any other bytes that are no document, on either road.
TEST_F(ConverterRoadTest, MarkupThatIsNoTextIsRefusedByName) {
  std::string noise = "<";
  for (int i = 0; i < 4000; ++i) noise += static_cast<char>((i * 7919 + 13) % 256);
  std::string bytes, printable;
  uint32_t seed = 7;
  for (int i = 0; i < 1 << 20; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes += static_cast<char>(seed >> 24);
    printable += static_cast<char>(0x20 + (seed >> 16) % 95);
  }
  const std::pair<const char*, std::string> files[] = {
      {"C:\\In\\Noise.doc", noise},
      {"C:\\In\\Nul.dot", std::string("<html>\0</html>", 14)},
      {"C:\\In\\Printable.doc", "<" + printable},
      {"C:\\In\\Heart.doc", "<3 and no tag"},
      {"C:\\In\\Unclosed.doc", "<html>" + printable},
      {"C:\\In\\Rich.doc", "{\\rtf1" + bytes},
      {"C:\\In\\Eight.dot", "{\\rtf1\\ansi caf\xE9}"},
      {"C:\\In\\Symbol.dot", "{\\rtf1\\ansi \\\x01}"},
      {"C:\\In\\Short.doc", "{\\rtf1\\bin2 ab\x01}"},
  };
  office->html = "<html><body><p>x</p></body></html>";
  for (const auto& [path, bytes] : files) {
    ASSERT_TRUE(win32::files::WriteAll(path, bytes));
    for (bool road : {true, false}) {
      word::SetConverter(road ? office : nullptr);
      try {
        Open(win32::FromAnsi(path));
        ADD_FAILURE() << path << " opened, converter " << road;
      } catch (const vb::Error& e) {
        EXPECT_EQ(e.Description(), L"Word was unable to read this document. It may be corrupt. (" +
                                       win32::FromAnsi(path) + L")");
      }
    }
  }
  EXPECT_EQ(office->read, 0);
}

// A name the code page cannot hold names no file, on either road: not the file whose name is
// its lossy form, which the ANSI calls would reach.
TEST_F(ConverterRoadTest, ANameTheCodePageCannotHoldNeverReadsTheFileOfItsLossyForm) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\keep.txt", "x"));
  auto folder = win32::files::HostPath("C:\\In");
  ASSERT_TRUE(folder.has_value());
  const std::wstring real = L"C:\\In\\\u041F\u0440\u0438.doc";
  ASSERT_EQ(win32::ToAnsi(real), "C:\\In\\???.doc");
  std::ofstream(*folder / "???.doc", std::ios::binary) << "{\\rtf1 the other file\\par}";
  office->html = "<html><body><p>the other file</p></body></html>";
  for (bool converter : {true, false}) {
    SCOPED_TRACE(converter ? "through the word processor" : "Word alone");
    word::SetConverter(converter ? office : nullptr);
    try {
      Open(real);
      ADD_FAILURE() << "opened";
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.Description(), L"This file could not be found. (" + real + L")");
    }
  }
  EXPECT_EQ(office->read, 0);
}

// Word's own files (what the word processor wrote) are read whole or not at all: a read that
// fails part way fails the document by name, never hands on a shortened file.
TEST_F(ConverterRoadTest, AReadOfWordsOwnFileFailingPartWayFailsTheDocumentByName) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Letter.doc", "{\\rtf1 x}"));
  office->html = "<html><body><p>" + std::string(4000, 'x') + " the end</p></body></html>";
  win32::files::FailReadPart(100, win32::ERROR_READ_FAULT);
  try {
    Open(L"C:\\In\\Letter.doc");
    ADD_FAILURE() << "opened";
  } catch (const vb::Error& e) {
    EXPECT_NE(e.Description().find(L"Word could not read C:\\In\\Letter.doc"), std::wstring::npos)
        << win32::ToAnsi(e.Description());
  }
  // The Word file it made for a save, read part way, is no file written.
  office->html = "<html><body><p>x</p></body></html>";
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Page.htm", "<html><body><p>y</p></body></html>"));
  auto doc = Open(L"C:\\In\\Page.htm");
  struct Long : word::Converter {
    std::optional<std::string> ToHtml(const std::string&, const std::string&) override {
      return {};
    }
    bool ToDoc(const std::string&, const std::string& document) override {
      std::ofstream(document, std::ios::binary) << std::string(4000, 'D');
      return true;
    }
  };
  word::SetConverter(std::make_shared<Long>());
  win32::files::FailReadPart(100, win32::ERROR_READ_FAULT);
  EXPECT_THROW(Save(doc, L"C:\\Out\\Page.doc", word::wdFormatDocument), vb::Error);
  EXPECT_FALSE(win32::files::ReadAll("C:\\Out\\Page.doc").has_value());
}

// Whoever watches is told the user's file the word processor takes up, and how long it has
// been at it while it goes on past a few seconds.
TEST_F(ConverterRoadTest, TheFileAtWorkIsToldAndSoIsALongConversion) {
  struct Slow : StubConverter {
    std::optional<std::string> ToHtml(const std::string& document,
                                      const std::string& outFolder) override {
      if (onWaiting) onWaiting(5), onWaiting(10);
      return StubConverter::ToHtml(document, outFolder);
    }
  };
  auto slow = std::make_shared<Slow>();
  slow->html = "<html><body><p>x</p></body></html>";
  word::SetConverter(slow);
  std::vector<std::wstring> told;
  word::SetBusyObserver([&](const std::wstring& file, int seconds) {
    told.push_back(file + L" " + std::to_wstring(seconds));
  });
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Letter.doc", "{\\rtf1 x}"));
  Close(Open(L"C:\\In\\Letter.doc"));
  word::SetBusyObserver(nullptr);
  EXPECT_EQ(told, (std::vector<std::wstring>{L"C:\\In\\Letter.doc 0", L"C:\\In\\Letter.doc 5",
                                             L"C:\\In\\Letter.doc 10"}));
  EXPECT_FALSE(slow->onWaiting);
}

// A picture in a link: the line breaks and indentation the word processor writes around the
// link, its colour and the picture are its layout, and the picture gets no border it did not
// have, which the word processor would take out of its size.
TEST_F(ConverterProcessTest, APictureInALinkGainsNoBlanksAndNoBorder) {
  std::ofstream(work / "p.png", std::ios::binary) << testpictures::RedPng();
  MemoryFiles disk;
  std::string out = word::HtmlFromConverter(
      L"<body><p>See \n<a href=\"https://x/\">\n  <font color=\"#000080\">\n    <img "
      L"src=\"p.png\" width=\"40\"/>\n  </font>\n</a>\n\nhere</p>"
      L"<p>Bare \n<img src=\"p.png\"/>\nend, <b>bold</b>\n<i>words</i></p></body>",
      work, L"C:\\T", L"x", disk.Access());
  EXPECT_TRUE(Has(out,
                  "<p>See <a href=\"https://x/\"><font color=\"#000080\"><img "
                  "src=\"x_files/image001.png\" width=\"40\"/></font></a> here</p>"
                  "<p>Bare <img src=\"x_files/image001.png\"/>end, <b>bold</b> <i>words</i></p>"))
      << out;
  disk.files[L"C:\\T\\p.png"] = testpictures::RedPng();
  EXPECT_TRUE(Has(word::HtmlForConverter(L"<body><a href=\"https://x/\"><img src=\"p.png\"></a>"
                                         L"<img src=\"p.png\" border=\"2\"></body>",
                                         L"C:\\T", disk.Access()),
                  "\" border=\"0\"></a><img src=\"data:image/png;base64,"));
}

namespace {

// A converter that tells the test it holds the document, then never answers.
struct StuckConverter : word::Converter {
  int told;
  explicit StuckConverter(int fd) : told(fd) {}
  std::optional<std::string> ToHtml(const std::string&, const std::string&) override {
    (void)!::write(told, "x", 1);
    for (;;) ::pause();
  }
  bool ToDoc(const std::string&, const std::string&) override { return false; }
};

}  // namespace

// A program killed during a conversion leaves its copy of the user's document nowhere but in
// its own sandbox, which the next start clears.
TEST(KilledConversionTest, NothingOfItStaysAfterTheNextStart) {
  const fs::path work = fs::current_path() / "killed conversion";
  fs::remove_all(work);
  const fs::path tmp = work / "tmp", parent = work / "sandboxes";
  fs::create_directories(tmp);
  fs::create_directories(parent);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  pid_t program = ::fork();
  if (program == 0) {
    ::close(report[0]);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    win32::files::TempSandbox sandbox(parent);
    word::Install();
    word::SetConverter(std::make_shared<StuckConverter>(report[1]));
    word::WordWrapper w;
    w.CreateWordApplication();
    win32::files::WriteAll("C:\\In\\Letter.doc", "{\\rtf1 x}");
    std::wstring path = L"C:\\In\\Letter.doc";
    word::Options none;
    w.DocumentOpen(path, none);
    ::_exit(3);
  }
  ::close(report[1]);
  char held = 0;
  ASSERT_EQ(::read(report[0], &held, 1), 1);
  ::close(report[0]);
  ::kill(program, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  {
    win32::files::TempSandbox next(parent);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(work))
      if (!entry.path().string().starts_with(next.Path().string()))
        left.push_back(entry.path().lexically_relative(work).string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"sandboxes", "tmp"}));
  }
  fs::remove_all(work);
}
