// Export and import at their edges: names that one disk folds into one file, the last
// numbered names, and characters the code page lacks on their way to Word.
#include "core/COptions.h"
#include "platform/vb/Format.h"
#include "tests/dialogs/ImportExportTest.h"

using namespace mImportExportWordDocs;

namespace {

using Names = std::vector<std::wstring>;

class ExportEdgeTest : public ImportExportTest {
 protected:
  // The texts of every document in the folder, sorted.
  static Names Texts(const std::wstring& folder) {
    Names texts;
    for (const auto& name : Listing(folder))
      texts.push_back(Document(folder + L"\\" + name).Text());
    std::sort(texts.begin(), texts.end());
    return texts;
  }
  static std::string Numbered(const std::string& stem, int n, const std::string& tail) {
    return stem + (n < 10 ? "0" : "") + std::to_string(n) + tail;
  }
};

}  // namespace

// The disk does not tell "Offer" from "OFFER": under Replace the second of a run must not
// overwrite the first, whatever letters differ (also beyond ASCII).
TEST_F(ExportEdgeTest, UnderReplaceNamesTheDiskFoldsTogetherAreAllKept) {
  AddPlain(templates, L"Offer", L"1");
  AddPlain(templates, L"OFFER", L"2");
  AddPlain(templates, L"offer", L"3");
  AddPlain(templates, L"Caf\u00E9", L"4");
  AddPlain(templates, L"CAF\u00C9", L"5");
  EXPECT_EQ(Export(templates, false, kConflictReplace), 5);
  EXPECT_EQ(LastRun().nFailed, 0);
  EXPECT_EQ(Texts(L"C:\\Export"), (Names{L"1", L"2", L"3", L"4", L"5"}));
  EXPECT_TRUE(Exists(L"C:\\Export\\offer02.dot"));
  EXPECT_TRUE(Exists(L"C:\\Export\\CAF\u00C901.dot"));
}

TEST_F(ExportEdgeTest, DuplicateNumbersGoUpTo99AndNoFurther) {
  // Only "99" is left.
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Name.dot", "x"));
  for (int n = 1; n <= 98; ++n)
    ASSERT_TRUE(win32::files::WriteAll(Numbered("C:\\Export\\Name", n, ".dot"), "x"));
  AddPlain(templates, L"Name", L"last");
  EXPECT_EQ(Export(templates, false, kConflictDuplicate), 1);
  EXPECT_EQ(Document(L"C:\\Export\\Name99.dot").Text(), L"last");

  // Under Replace 101 templates of one name: the first 100 take "", "01" to "99", the last
  // fails, and none overwrites another.
  auto many = AddFolder(templates, L"Many");
  for (int n = 0; n <= 100; ++n) AddPlain(many, L"Rep", L"t" + std::to_wstring(n));
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Many", nullptr));
  EXPECT_EQ(Export(many, false, kConflictReplace, nullptr, 1, L"C:\\Many"), 100);
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(Logged(L"mImportExport::ExportWordDocument", L"to many duplicates"));
  EXPECT_EQ(Listing(L"C:\\Many").size(), 100u);
  EXPECT_EQ(Document(L"C:\\Many\\Rep.dot").Text(), L"t0");
  EXPECT_EQ(Document(L"C:\\Many\\Rep99.dot").Text(), L"t99");
}

TEST_F(ExportEdgeTest, PictureNumbersGoUpTo99ThenThePictureStaysOut) {
  const std::string side = "C:\\Export\\Offer_files\\";
  ASSERT_TRUE(win32::files::WriteAll(side + "image001.png", "old"));
  for (int n = 1; n <= 98; ++n)
    ASSERT_TRUE(win32::files::WriteAll(Numbered(side, n, "image001.png"), "old"));
  const std::wstring html = L"<html><body><p><img src=\"cid:p@x\"></p></body></html>";
  AddHtml(templates, L"Offer", html, {{L"image001.png", L"p@x", testpictures::RedPng()}});
  EXPECT_EQ(Export(templates, false, kConflictReplace), 1);
  EXPECT_EQ(win32::files::ReadAll(side + "99image001.png").value_or("<missing>"),
            testpictures::RedPng());

  // Every name taken: nothing already there is overwritten.
  EXPECT_EQ(Export(templates, false, kConflictReplace), 1);
  EXPECT_TRUE(Logged(L"mImportExport::ExportWordDocument", L"no free name for image001.png"));
  EXPECT_EQ(Listing(L"C:\\Export\\Offer_files").size(), 100u);
  EXPECT_EQ(win32::files::ReadAll(side + "image001.png").value_or("<missing>"), "old");
  EXPECT_EQ(win32::files::ReadAll(side + "98image001.png").value_or("<missing>"), "old");
}

TEST_F(ExportEdgeTest, ImportedSubjectsAreNumberedUpTo99AndNoFurther) {
  auto target = AddFolder(templates, L"Imported");
  AddPlain(target, L"Offer", L"old");
  for (int n = 1; n <= 98; ++n) AddPlain(target, L"Offer" + vb::Format(n, L"00"), L"old");
  word::Content doc;
  doc.NewParagraph();
  doc.AddText(L"new");
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Offer.doc", word::WriteRtf(doc)));
  auto import = [&] {
    return DoImport(target->EntryID(), L"C:\\Import", false, kConflictDuplicate, nullptr, 2);
  };
  EXPECT_EQ(import(), 1);
  auto items = target->Items()->All();
  EXPECT_EQ(items.back()->Subject(), L"Offer99");
  EXPECT_EQ(import(), 0);
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(Logged(L"mImportExport::ImportWordDocument", L"to many duplicates"));
  EXPECT_EQ(target->Items()->Count(), 100);
}

// An RTF body may hold characters as they are; Word must get the same text, whatever fallback
// count (\ucN) is in force where they stand, and characters beyond the basic plane whole.
TEST_F(ExportEdgeTest, RtfCharactersTheCodePageLacksReachWordAsThemselves) {
  struct Case {
    const wchar_t* subject;
    std::wstring rtf, text;
  } cases[] = {
      {L"Mixed", L"{\\rtf1\\ansi Gr\u00FC\u00DFe \u041F\u0440\u0438 \u20AC}",
       L"Gr\u00FC\u00DFe \u041F\u0440\u0438 \u20AC"},
      // No fallback character after an escape: none may be written, nor a digit taken in.
      {L"NoFallback", L"{\\rtf1\\ansi\\uc0 \u041F1\\par {\\uc2 \u0416}\u0416x}",
       L"\u041F1\r\n\u0416\u0416x"},
      // "\\uc0" written as text is no control word.
      {L"Escaped", L"{\\rtf1\\ansi a\\\\uc0 \u0416x}", L"a\\uc0 \u0416x"},
      {L"Astral", L"{\\rtf1\\ansi smile \U0001F600 end}", L"smile \U0001F600 end"},
  };
  for (const auto& c : cases) AddRtf(templates, c.subject, c.rtf);
  EXPECT_EQ(Export(templates, false), 4);
  for (const auto& c : cases)
    EXPECT_EQ(Document(L"C:\\Export\\" + std::wstring(c.subject) + L".dot").Text(), c.text)
        << win32::ToAnsi(c.subject);
}

// Word is handed pure ASCII: a page that declares UTF-8 must not carry ANSI bytes.
TEST_F(ExportEdgeTest, HtmlReachesWordWithEveryCharacterFrom0x80AsAReference) {
  Options().SetShowImportExportTempFiles(true);
  AddHtml(templates, L"Cafe",
          L"<html><head><meta charset=utf-8></head><body><p>x\u007F caf\u00E9 \u0080\u00FF "
          L"\u20AC \u0416 \U0001F600</p></body></html>");
  std::string handed;
  win32::msgbox::SetDefaultAnswerer([&](const win32::ShownMessageBox& box) {
    handed = win32::files::ReadAll(win32::ToAnsi(box.text)).value_or("<missing>");
    return vb::vbOK;
  });
  EXPECT_EQ(Export(templates, false), 1);
  EXPECT_NE(handed.find("x\x7F caf&#233; &#128;&#255; &#8364; &#1046; &#128512;</p>"),
            std::string::npos)
      << handed;
  EXPECT_TRUE(std::all_of(handed.begin(), handed.end(),
                          [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }));
}
