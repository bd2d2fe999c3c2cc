// Loading a language file: entry syntax, headers, repeats, the required sections, the dump
// switch, the folder scan and the choice of the file by the options.
#include <algorithm>

#include "LangTestUtil.h"
#include "core/CLang.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"

using namespace langtest;

namespace {

class LangLoad : public LangTest {
 protected:
  CLang lang;

  bool Load(const std::string& bytes, const std::string& name = "t.lng") {
    Write(name, bytes);
    return lang.Init(ProgramPath(name), L"Tanvelo");
  }
  std::wstring Where(int line) {
    return L", line - " + std::to_wstring(line) + L", file = '" + ProgramPath("t.lng") + L"'";
  }
};

TEST_F(LangLoad, EntryValuesFollowTheQuotingAndCommentRules) {
  struct Case {
    const char* line;
    const wchar_t* stored;  // nullptr: refused
    const wchar_t* error;   // the log text after "Syntactic error - " or alone
  } cases[] = {
      {"K = \"a;b\" ; comment", L"a;b", nullptr},
      {"K = \"it's\" ' comment", L"it's", nullptr},
      {"K = \"say \"\"hi\"\"\"", L"say \"hi\"", nullptr},
      {"K = \"\"", L"", nullptr},
      {"K=\"tight\"", L"tight", nullptr},
      {"\tK\t=\t\"tabs\"\t", L"tabs", nullptr},
      {"K = \"keep \\n and %s\"", L"keep \\n and %s", nullptr},
      {"K = \"a\"b\"", nullptr, L"quoted string has unary quotes"},
      {"K = unquoted", nullptr, L"The string should be in quotes"},
      {"K = \"", nullptr, L"The string should be in quotes"},
      // Unbalanced quotes in the value: the comment mark is inside them.
      {"K = \"x;y\"\" ;c", nullptr, L"The string should be in quotes"},
      // A comment holding an odd number of quotes is still only a comment.
      {"K = \"kept\" ; say \"hi", L"kept", nullptr},
      {"K = \"kept\" ' 5\" screen", L"kept", nullptr},
      {"K = ; only a comment", nullptr, nullptr},
  };
  // An entry of ASCII alone and one whose name holds another letter are taken apart alike,
  // in either encoding.
  struct Spelling {
    const char* bom;
    const char* name;
    const wchar_t* id;
  } spellings[] = {{"", "K", L"k"},
                   {"", "\xC4K", L"\u00E4k"},
                   {"\xEF\xBB\xBF", "K", L"k"},
                   {"\xEF\xBB\xBF", "\xC3\x84K", L"\u00E4k"}};
  for (const auto& spelling : spellings) {
    for (const auto& c : cases) {
      std::string line = c.line;
      line.replace(line.find('K'), 1, spelling.name);
      SCOPED_TRACE(line);
      const size_t logged = support::library::Log().size();
      ASSERT_TRUE(Load(spelling.bom + LangFile("EN", {"[Tanvelo.texts]", "Other = \"o\"", line})));
      EXPECT_EQ(lang.ItemFind(spelling.id), c.stored != nullptr);
      if (c.stored) {
        EXPECT_EQ(lang.Item(spelling.id), CLang::sprintf2(c.stored));
      }
      std::vector<std::wstring> expected;
      if (c.error)
        expected.push_back(L"Syntactic error - '" + std::wstring(c.error) + L"'" + Where(9));
      if (!c.stored && !c.error) expected.push_back(L"Const's value does not exist" + Where(9));
      std::vector<std::wstring> errors;
      for (const auto& text : LogTextsFrom(logged))
        if (text.find(L"line") != std::wstring::npos) errors.push_back(text);
      EXPECT_EQ(errors, expected);
    }
  }
}

TEST_F(LangLoad, BadEntriesCostOnlyThemselves) {
  ASSERT_TRUE(Load(LangFile("EN", {"[Tanvelo.texts]", "no equals sign", " = \"nameless\"",
                                   "Good = \"yes\"", "good = \"second\"", "GOOD = \"third\""})));
  EXPECT_EQ(lang.Item(L"good"), L"yes");
  EXPECT_TRUE(Logged(L"symbol '=' is absent, line = 8, file = '" + ProgramPath("t.lng") + L"'"));
  EXPECT_TRUE(Logged(L"Const's name does not exist" + Where(9)));
  EXPECT_TRUE(Logged(L"declaration of constant 'good' repeats in a line 11 of '" +
                     ProgramPath("t.lng") + L"' file"));
  EXPECT_TRUE(Logged(L"declaration of constant 'GOOD' repeats in a line 12 of '" +
                     ProgramPath("t.lng") + L"' file"));
  // A repeat of a name spelt with another letter is reported in that spelling.
  ASSERT_TRUE(Load(LangFile(
      "EN", {"[Tanvelo.texts]", "\xC4rger = \"a\"", "\xE4RGER = \"b\"", "Plain = \"p\"",
             "plain = \"q\" ; \xE9", "; Gone = \"x\"", "' Gone = \"x\"", "[Tanvelo.other]"})));
  EXPECT_FALSE(lang.ItemFind(L"; gone"));
  EXPECT_FALSE(lang.ItemFind(L"' gone"));
  EXPECT_EQ(lang.Item(L"\u00E4rger"), L"a");
  EXPECT_EQ(lang.Item(L"plain"), L"p");
  EXPECT_TRUE(Logged(L"declaration of constant '\u00E4RGER' repeats in a line 9 of '" +
                     ProgramPath("t.lng") + L"' file"));
  EXPECT_TRUE(Logged(L"declaration of constant 'plain' repeats in a line 11 of '" +
                     ProgramPath("t.lng") + L"' file"));
}

TEST_F(LangLoad, TextSectionsShareOneKeySpace) {
  ASSERT_TRUE(Load(LangFile("EN",
                            {"[Tanvelo.one]", "Same = \"first\"", "[Tanvelo.two]",
                             "same = \"second\"", "Other = \"two\""},
                            " one ,\ttwo ")));
  EXPECT_EQ(lang.Item(L"SAME"), L"first");
  EXPECT_EQ(lang.Item(L"other"), L"two");
  EXPECT_TRUE(Logged(L"declaration of constant 'same' repeats in a line 10 of '" +
                     ProgramPath("t.lng") + L"' file"));
}

TEST_F(LangLoad, HeadersDecideWhatIsASectionAndBadOnesCostTheFile) {
  // The same word in capitals is the section; blanks inside the brackets make another name;
  // lines outside any read section are never examined.
  ASSERT_TRUE(Load(Lines({"garbage before any header", "[ version ]", "signature = bad",
                          "[VERSION] ; comment", "signature = \"Norvane.LangLngFile\"",
                          "langid = \"EN\"", "lang = \"English\"", "[unread]", "not = checked",
                          "[Tanvelo]", "globals = \"texts\"", "[Tanvelo.texts]", "A = \"1\""})));
  EXPECT_EQ(lang.Item(L"a"), L"1");
  EXPECT_TRUE(LogTexts(3).size() == 0) << Ansi(LogTexts(3)[0]);

  struct Case {
    const char* header;
    std::wstring error;
  } cases[] = {
      {"[Tanvelo.texts] trailing words",
       L"'trailing words' is not the comment, line - 7, file = '"},
      {"[Tanvelo.texts", L"symbol ']' is absent, line = 7, file = '"},
      {"[]", L"empty section name, line - 7, file = '"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_FALSE(Load(LangFile("EN", {c.header, "A = \"1\""})));
    EXPECT_TRUE(Logged(c.error + ProgramPath("t.lng") + L"'"));
    EXPECT_EQ(lang.Filename(), L"");
    EXPECT_FALSE(lang.ItemFind(L"a"));
  }
}

TEST_F(LangLoad, LineNumbersCountEveryLinePassedOverOnTheWay) {
  // A long section ahead of the read one, with lines longer than the reader's buffer (each
  // counts as two lines): the bad entries of the read section still name their own lines.
  std::vector<std::string> body = {"[Tanvelo.other]"};
  for (int i = 0; i < 2000; ++i) body.push_back("S" + std::to_string(i) + " = \"text\"");
  body.push_back("LONG = \"" + std::string(5000, 'x') + "\"");
  body.push_back("[Tanvelo.texts]");
  body.push_back("A = \"1\"");
  body.push_back("no equals sign");
  body.push_back("B = unquoted");
  // A later section's scan passes over the same lines the way the scan before it did.
  body.push_back("[Tanvelo.more]");
  body.push_back("C = \"3\"");
  body.push_back("also no equals sign");
  ASSERT_TRUE(Load(LangFile("EN", body, "texts, more")));
  EXPECT_EQ(lang.Item(L"a"), L"1");
  // 6 lines of the head, the other section's header and 2,000 entries, its long entry as 2.
  const int header = 6 + 1 + 2000 + 2 + 1;
  EXPECT_TRUE(Logged(L"symbol '=' is absent, line = " + std::to_wstring(header + 2) +
                     L", file = '" + ProgramPath("t.lng") + L"'"));
  EXPECT_TRUE(Logged(L"Syntactic error - 'The string should be in quotes'" + Where(header + 3)));
  EXPECT_EQ(lang.Item(L"c"), L"3");
  EXPECT_TRUE(Logged(L"symbol '=' is absent, line = " + std::to_wstring(header + 6) +
                     L", file = '" + ProgramPath("t.lng") + L"'"));
  // A section read twice (which fails the load): the second read comes to the same lines by
  // the first one's skips alone, and names the same line.
  const size_t from = support::library::Log().size();
  EXPECT_FALSE(Load(LangFile("EN", body, "texts, texts")));
  const std::wstring absent = L"symbol '=' is absent, line = " + std::to_wstring(header + 2) +
                              L", file = '" + ProgramPath("t.lng") + L"'";
  auto logged = LogTextsFrom(from);
  EXPECT_EQ(std::count(logged.begin(), logged.end(), absent), 2);
}

TEST_F(LangLoad, OnlyTheFirstOccurrenceOfASectionIsRead) {
  ASSERT_TRUE(Load(LangFile("EN", {"[Tanvelo.texts]", "A = \"first\"", "[Tanvelo.texts]",
                                   "A = \"again\"", "B = \"late\""})));
  EXPECT_EQ(lang.Item(L"A"), L"first");
  EXPECT_FALSE(lang.ItemFind(L"B"));
}

// A section met again by the scan of a section between its two headers is still read from
// its first header, as a scan from the top would read it.
TEST_F(LangLoad, ASectionMetTwiceBeforeItsScanIsReadFromItsFirstHeader) {
  ASSERT_TRUE(Load(LangFile("EN",
                            {"[Tanvelo.more]", "M = \"first\"", "[Tanvelo.texts]", "T = \"t\"",
                             "[Tanvelo.more]", "M2 = \"again\""},
                            "texts, more")));
  EXPECT_EQ(lang.Item(L"T"), L"t");
  EXPECT_EQ(lang.Item(L"M"), L"first");
  EXPECT_FALSE(lang.ItemFind(L"M2"));
}

TEST_F(LangLoad, RequiredSectionsAndVersionEntries) {
  std::wstring p = ProgramPath("t.lng");
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::wstring error;
  } cases[] = {
      {"no version", {"[Tanvelo]", "globals = \"t\""}, L"file '" + p + L"' has no version section"},
      {"signature in other case",
       {"[version]", "signature = \"norvane.langlngfile\"", "langid = \"EN\"", "lang = \"E\""},
       L"file '" + p + L"' has no(or wrong) signature or lang or langid in [version] section"},
      {"empty langid",
       {"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"\"", "lang = \"E\""},
       L"file '" + p + L"' has no(or wrong) signature or lang or langid in [version] section"},
      {"no application section",
       {"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"EN\"", "lang = \"E\""},
       L"file '" + p + L"' has no [Tanvelo] section"},
      {"listed section missing",
       {"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"EN\"", "lang = \"E\"",
        "[Tanvelo]", "globals = \"texts\""},
       L"Error readig section [Tanvelo.texts] in file '" + p + L"'"},
      {"empty list item",
       {"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"EN\"", "lang = \"E\"",
        "[Tanvelo]", "globals = \"texts,,\"", "[Tanvelo.texts]"},
       L"file '" + p + L"' has error in [Tanvelo].texts"},
      {"empty form item",
       {"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"EN\"", "lang = \"E\"",
        "[Tanvelo]", "globals = \"texts\"", "forms = \" \"", "[Tanvelo.texts]"},
       L"file '" + p + L"' has error in [Tanvelo].forms"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Load(LangFile("EN", {"[Tanvelo.texts]", "Keep = \"k\""})));
    EXPECT_FALSE(Load(Lines(c.lines)));
    EXPECT_TRUE(Logged(c.error)) << Ansi(LogTexts().back());
    EXPECT_EQ(lang.Filename(), L"");
    EXPECT_EQ(lang.LangID(), L"");
    EXPECT_FALSE(lang.ItemFind(L"keep"));
  }
}

TEST_F(LangLoad, AFileThatCannotBeReadCostsTheScanThatMeetsItAsItsOwnReadWould) {
  const std::string file = LangFile("EN", {"[Tanvelo.texts]", "Keep = \"k\""});
  auto count = [](const std::vector<std::wstring>& texts, const std::wstring& part) {
    return std::count_if(texts.begin(), texts.end(),
                         [&](const std::wstring& t) { return t.find(part) != std::wstring::npos; });
  };
  Write("t.lng", file);
  size_t from = support::library::Log().size();
  // A read error that no asking again mends: the file is told unread, not damaged.
  win32::files::FailNextRead(win32::ERROR_READ_FAULT);
  EXPECT_FALSE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  EXPECT_EQ(count(LogTextsFrom(from), L"oFile.ReadLine failed"), 1);
  EXPECT_TRUE(Logged(L"file '" + ProgramPath("t.lng") + L"' could not be read (error 30)"));
  EXPECT_EQ(count(LogTextsFrom(from), L"has no version section"), 0);

  uint32_t hold =
      win32::files::HoldOpen(win32::ToAnsi(ProgramPath("t.lng")), win32::GENERIC_READ, 0);
  ASSERT_NE(hold, 0u);
  from = support::library::Log().size();
  EXPECT_FALSE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  EXPECT_EQ(count(LogTextsFrom(from), L"oFile.OpenFile failed"), 1);
  win32::files::ReleaseHold(hold);

  EXPECT_TRUE(Load(file));
  EXPECT_TRUE(lang.ItemFind(L"keep"));
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

TEST_F(LangLoad, AUtf16FileIsToldByItsEncoding) {
  const std::string file = LangFile("EN", {"[Tanvelo.texts]", "Keep = \"k\""});
  for (bool little : {true, false}) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : file) bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    EXPECT_FALSE(Load(bytes));
    EXPECT_TRUE(Logged(L"file '" + ProgramPath("t.lng") +
                       L"' is UTF-16 text: a language file is read as Windows-1252, or as UTF-8 "
                       L"after its byte-order mark"));
  }
}

TEST_F(LangLoad, AShortNameListedTwiceFailsTheLoad) {
  EXPECT_FALSE(Load(LangFile("EN", {"[Tanvelo.texts]", "A = \"1\""}, "texts, TEXTS")));
  EXPECT_FALSE(lang.ItemFind(L"a"));
  EXPECT_FALSE(support::library::Log().empty());
  EXPECT_EQ(support::library::Log().back().procedure, L"CLang.Init");
  EXPECT_EQ(support::library::Log().back().errorNumber, 457);
}

TEST_F(LangLoad, EmptyListsAreReportedButLoad) {
  ASSERT_TRUE(Load(Lines({"[version]", "signature = \"Norvane.LangLngFile\"", "langid = \"EN\"",
                          "lang = \"English\"", "[Tanvelo]"})));
  std::wstring p = ProgramPath("t.lng");
  EXPECT_TRUE(Logged(L"file '" + p + L"' has no (or empty) [Tanvelo].texts"));
  EXPECT_TRUE(Logged(L"file '" + p + L"' has no (or empty) [Tanvelo].forms"));
  EXPECT_EQ(lang.LangID(), L"EN");
  EXPECT_EQ(lang.LangName(), L"English");
  EXPECT_EQ(lang.Filename(), p);
}

TEST_F(LangLoad, DumpFormsSwitchesDumpsOnInItsMode) {
  struct Case {
    const char* value;
    int32_t mode;
  } cases[] = {{"1", 1}, {"3", 3},   {"2.4", 2}, {"4", 0},
               {"0", 0}, {"yes", 0}, {"", 0},    {"99999999999", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(
        Load(LangFile("EN", {std::string("dumpforms = \"") + c.value + "\"", "[Tanvelo.texts]"})));
    EXPECT_EQ(lang.DumpMode(), c.mode);
  }
}

TEST_F(LangLoad, EncodingFollowsTheByteOrderMark) {
  std::string body = LangFile("EN", {"[Tanvelo.texts]",
                                     "A = \"Gr\xC3\xBC\xC3\x9F"
                                     "e\""});
  ASSERT_TRUE(Load("\xEF\xBB\xBF" + body));
  EXPECT_EQ(lang.Item(L"A"), L"Gr\u00FC\u00DFe");
  ASSERT_TRUE(Load(body));
  EXPECT_EQ(lang.Item(L"A"), L"Gr\u00C3\u00BC\u00C3\u0178e");
}

TEST_F(LangLoad, LfOnlyFileDoesNotLoad) {
  std::string crlf = LangFile("EN", {"[Tanvelo.texts]", "A = \"1\""});
  std::string lf;
  for (char ch : crlf)
    if (ch != '\r') lf += ch;
  EXPECT_FALSE(Load(lf));
  EXPECT_EQ(LogTexts(3).front().rfind(L"'\nsignature = \"Norvane.LangLngFile\"", 0), 0u)
      << Ansi(LogTexts(3).front());
  EXPECT_NE(LogTexts(3).front().find(L"' is not the comment, line - 1, file = '"),
            std::wstring::npos);
}

TEST_F(LangLoad, AvailableLanguagesListValidFilesOnly) {
  Write("de.lng", LangFile("DE", {"[Tanvelo.texts]"}));
  Write("en.LNG", LangFile("EN", {"[Tanvelo.texts]"}));
  Write("broken.lng", Lines({"[version]", "langid = \"XX\""}));
  Write("none.lng", Lines({"[other]"}));
  Write("notes.txt", LangFile("FR", {}));
  ASSERT_TRUE(win32::CreateDirectoryA(ProgramFile("dir.lng").c_str(), nullptr));
  EXPECT_EQ(lang.GetAvailableLangs(vb::App().Path, L"DE.LNG"),
            std::vector<std::wstring>{L"EN\r\nLang EN\r\nen.LNG"});
  EXPECT_TRUE(
      Logged(L"ignoring file '" + ProgramPath("none.lng") + L"', coz no [version] section"));
  EXPECT_TRUE(Logged(L"ignoring file '" + ProgramPath("broken.lng") +
                     L"', coz in section [version] no(or wrong) signature or lang or langid"));
  EXPECT_EQ(lang.GetAvailableLangs(L"C:\\nowhere", L""), std::vector<std::wstring>{});
  EXPECT_EQ(win32::files::OpenHandleCount(), 0u);
}

// --- The choice of the file ----------------------------------------------------------------

class LangChoice : public LangLoad {
 protected:
  void SetOption(const wchar_t* name, const std::wstring& value) {
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(win32::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    key.SetStringValue(name, value);
  }
  std::wstring Option(const wchar_t* name) {
    CWinReg key;
    if (!key.InitForRead(win32::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo")) return L"";
    return key.GetStringValue(name);
  }
  void SetUp() override {
    Write("a_en.lng", LangFile("en", {"[Tanvelo.texts]", "Which = \"lower en\""}));
    Write("b_en.lng", LangFile("EN", {"[Tanvelo.texts]", "Which = \"EN\""}));
    Write("c_de.lng", LangFile("DE", {"[Tanvelo.texts]", "Which = \"DE\""}));
  }
};

TEST_F(LangChoice, EmptyOptionMeansEnglish) {
  // The options object already answers "EN" for an empty "LANG".
  EXPECT_TRUE(lang.InitEx(L"Tanvelo"));
  // The scan needs the exact case of the id: a_en.lng says "en".
  EXPECT_EQ(lang.Item(L"which"), L"EN");
  EXPECT_EQ(Option(L"LANG_"), L"b_en.lng");
}

TEST_F(LangChoice, RememberedFileIsAcceptedWhenItsIdDiffersOnlyInCase) {
  SetOption(L"LANG", L"EN");
  SetOption(L"LANG_", L"a_en.lng");
  EXPECT_TRUE(lang.InitEx(L"Tanvelo"));
  EXPECT_EQ(lang.Item(L"which"), L"lower en");
  EXPECT_EQ(Option(L"LANG_"), L"a_en.lng");
}

TEST_F(LangChoice, RememberedFileOfAnotherLanguageIsSkippedInTheScan) {
  SetOption(L"LANG", L"DE");
  SetOption(L"LANG_", L"b_en.lng");
  EXPECT_TRUE(lang.InitEx(L"Tanvelo"));
  EXPECT_EQ(lang.Item(L"which"), L"DE");
  EXPECT_EQ(Option(L"LANG_"), L"c_de.lng");

  // A remembered file that no longer exists is skipped too.
  SetOption(L"LANG_", L"gone.lng");
  EXPECT_TRUE(lang.InitEx(L"Tanvelo"));
  EXPECT_EQ(lang.Item(L"which"), L"DE");
}

TEST_F(LangChoice, NoMatchingFileLeavesTheObjectEmpty) {
  SetOption(L"LANG", L"FR");
  EXPECT_FALSE(lang.InitEx(L"Tanvelo"));
  EXPECT_TRUE(Logged(L"Cant find lang file by langID=FR"));
  EXPECT_EQ(lang.Filename(), L"");
  EXPECT_EQ(lang.Item(L"which"), L"which");
  EXPECT_EQ(Option(L"LANG_"), L"");
}

// Each call of the choice and the load refused a moment is asked again; refused for good, the
// file is told unread, not damaged, once, in words that need no language file.
TEST_F(LangChoice, ARefusedReadIsAskedAgainAndALastingOneIsToldInFixedWords) {
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return win32::IDOK; });
  for (const wchar_t* remembered : {L"b_en.lng", L""}) {
    SetOption(L"LANG_", remembered);
    win32::faults::Start({.countOnly = true});
    ASSERT_TRUE(CLang().InitEx(L"Tanvelo"));
    const uint64_t calls = win32::faults::Counts().calls;
    win32::faults::Stop();
    ASSERT_GT(calls, 3u);
    for (uint64_t at = 1; at <= calls; ++at) {
      for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{1000}}) {
        SCOPED_TRACE(std::to_string(at) + "+" + std::to_string(span) + " " + Ansi(remembered));
        SetOption(L"LANG_", remembered);
        CLang fresh;
        const size_t from = support::library::Log().size();
        const size_t boxes = win32::msgbox::Shown().size();
        win32::faults::Start({.at = at, .span = span});
        const bool loaded = fresh.InitEx(L"Tanvelo");
        win32::faults::Stop();
        const auto logged = LogTextsFrom(from);
        auto has = [&](const wchar_t* part) {
          return std::any_of(logged.begin(), logged.end(), [&](const std::wstring& t) {
            return t.find(part) != std::wstring::npos;
          });
        };
        EXPECT_FALSE(has(L"no version section"));
        if (span < uint64_t{kHeldTries}) {
          EXPECT_TRUE(loaded);
          EXPECT_EQ(fresh.Item(L"which"), L"EN");
          EXPECT_EQ(Option(L"LANG_"), L"b_en.lng");
        }
        EXPECT_EQ(has(L"could not be read") || has(L"could not be listed"), !loaded);
        ASSERT_EQ(win32::msgbox::Shown().size(), boxes + (loaded ? 0 : 1));
        if (!loaded) {
          const auto& box = win32::msgbox::Shown().back();
          EXPECT_TRUE(box.text.starts_with(L"Tanvelo could not read its language file"))
              << Ansi(box.text);
          EXPECT_EQ(box.text.find(L"IDS_"), std::wstring::npos);
        }
      }
    }
  }
  win32::msgbox::SetDefaultAnswerer(nullptr);
}

}  // namespace

// Lines before a section are passed over by their bytes: what makes a header there must be
// exactly what makes one once the line is text, in either encoding.
TEST_F(LangLoad, OnlyBlanksAndTabsMayStandBeforeAHeaderInEitherEncoding) {
  for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
    SCOPED_TRACE(mark.empty() ? "ANSI" : "UTF-8");
    // A no-break space (one byte in ANSI, two in UTF-8) is no blank: not a header, not read.
    const std::string noBreak = mark.empty() ? "\xA0" : "\xC2\xA0";
    ASSERT_TRUE(Load(mark + LangFile("EN", {noBreak + "[broken", "\xE9t\xE9 [", "[Tanvelo.texts]",
                                            "A = \"1\""})));
    EXPECT_EQ(lang.Item(L"a"), L"1");
    // After blanks and a tab it is a header, and a broken one costs the file at its line.
    EXPECT_FALSE(Load(mark + LangFile("EN", {" \t [broken  ", "[Tanvelo.texts]", "A = \"1\""})));
    EXPECT_TRUE(Logged(L"symbol ']' is absent, line = 7, file = '" + ProgramPath("t.lng") + L"'"));
  }
}
