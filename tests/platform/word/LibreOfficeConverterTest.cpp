// The converter's handling of soffice as a process: a stand-in script plays soffice, so these
// run without LibreOffice. Each test works in a folder of its own below the build folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/word/LibreOffice.h"

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
  EXPECT_NE(args.find("my%20profile\n"), std::string::npos) << args;
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
  EXPECT_FALSE(silent.ToHtml(input.string(), (work / "out").string()));
  EXPECT_NE(silent.Problem().find(L"could not read in.rtf"), std::wstring::npos);
}

// soffice's launcher ignores SIGTERM; the limit holds all the same (one second, then one more
// before the kill).
TEST_F(ConverterProcessTest, TheTimeLimitEndsAConverterThatIgnoresTheSignal) {
  word::LibreOffice hanging(Fake("trap '' TERM\nwhile :; do sleep 1; done"), (work / "p").string(),
                            1, 1);
  EXPECT_FALSE(hanging.ToHtml(input.string(), (work / "out").string()));
  EXPECT_NE(hanging.Problem().find(L"within 1 seconds"), std::wstring::npos);
}
