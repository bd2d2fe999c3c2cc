// Word files a word processor wrote come in as templates, and exported templates open in a
// word processor: LibreOffice converts in place of Word. Each test gives LibreOffice a profile
// folder of its own below the build folder, and every conversion a time limit. Without
// soffice on the PATH the tests are skipped.
#include <filesystem>
#include <fstream>

#include "platform/word/LibreOffice.h"
#include "tests/dialogs/ImportExportTest.h"

namespace fs = std::filesystem;

namespace {

std::string ReadHost(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
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
  }
  void TearDown() override {
    word::SetConverter(nullptr);
    ImportExportTest::TearDown();
  }

  fs::path work;
  std::shared_ptr<word::LibreOffice> office;
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

  word::SetConverter(office);
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
  word::SetConverter(office);
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
  std::vector<std::string> pictures;
  for (const auto& entry : fs::directory_iterator(work / "html"))
    if (entry.path().extension() == ".png") pictures.push_back(ReadHost(entry.path()));
  EXPECT_EQ(pictures, std::vector<std::string>{testpictures::BluePng()});
  // Nothing but the document and its pictures' folder reached the export folder.
  EXPECT_EQ(Listing(L"C:\\Export"), (std::vector<std::wstring>{L"Offer_files\\", L"Offer.doc"}));
}
