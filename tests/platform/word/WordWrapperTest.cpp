#include <gtest/gtest.h>

#include <filesystem>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/word/Word.h"
#include "tests/common/Pictures.h"

using namespace word;

namespace {

struct WordTest : testing::Test {
  void SetUp() override {
    Install();
    ASSERT_TRUE(w.CreateWordApplication());
  }
  std::shared_ptr<Document> Open(std::wstring path) {
    Options none;
    return w.DocumentOpen(path, none);
  }
  void Save(const std::shared_ptr<Document>& doc, const std::wstring& path, int32_t format) {
    Options none;
    w.DocumentSaveAs(doc, path, format, none);
  }
  void Close(std::shared_ptr<Document> doc) {
    Variant zero = 0, missing;
    w.DocumentClose(doc, zero, missing, missing);
  }
  win32::files::TempSandbox sandbox;
  WordWrapper w;
};

bool Exclusive(const char* path) {
  win32::HANDLE h =
      win32::CreateFileA(path, win32::GENERIC_READ, 0, nullptr, win32::OPEN_EXISTING, 0, 0);
  if (h == win32::INVALID_HANDLE_VALUE) return false;
  win32::CloseHandle(h);
  return true;
}

}  // namespace

TEST_F(WordTest, AnExportedBodyBecomesATemplateWithItsPictureEmbedded) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Out\\Offer_files\\image001.png", testpictures::RedPng()));
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Temp\\rad1\\Offer.htm",
                             "<html><body><p>Hello \xFC</p><p><img "
                             "src=\"C:\\Out\\Offer_files\\image001.png\"></p></body></html>"));
  auto doc = Open(L"C:\\Temp\\rad1\\Offer.htm");
  w.DocumentUnlinkFields(doc);
  ASSERT_TRUE(win32::files::WriteAll("C:\\Out\\Offer.dot", "old"));
  Save(doc, L"C:\\Out\\Offer.dot", wdFormatTemplate);  // overwrites without asking
  Close(doc);
  // The picture file may go; the template holds the picture itself.
  ASSERT_TRUE(win32::DeleteFileA("C:\\Out\\Offer_files\\image001.png"));
  std::string saved = win32::files::ReadAll("C:\\Out\\Offer.dot").value_or("<missing>");
  EXPECT_EQ(saved.rfind("{\\rtf1", 0), 0u);
  auto back = Open(L"C:\\Out\\Offer.dot");
  EXPECT_EQ(back->GetContent().Text(), L"Hello \u00FC\r\n");
  ASSERT_EQ(back->GetContent().pictures.size(), 1u);
  EXPECT_EQ(back->GetContent().pictures[0].bytes, testpictures::RedPng());
}

TEST_F(WordTest, FilteredHtmlWritesPicturesIntoTheSideFolder) {
  Content c;
  c.AddText(L"Text");
  c.AddPicture(Picture{L"p.png", testpictures::BluePng(), L""});
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Offer.dot", WriteRtf(c)));
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Temp\\rad2", nullptr));
  auto doc = Open(L"C:\\In\\Offer.dot");
  Save(doc, L"C:\\Temp\\rad2\\Offer.htm", wdFormatFilteredHTML);
  Close(doc);
  std::string html = win32::files::ReadAll("C:\\Temp\\rad2\\Offer.htm").value_or("<missing>");
  EXPECT_NE(html.find("src=\"Offer_files/image001.png\""), std::string::npos);
  EXPECT_EQ(
      win32::files::ReadAll("C:\\Temp\\rad2\\Offer_files\\image001.png").value_or("<missing>"),
      testpictures::BluePng());
  auto txt = Open(L"C:\\In\\Offer.dot");
  Save(txt, L"C:\\Temp\\rad2\\Offer.txt", wdFormatText);
  Close(txt);
  EXPECT_EQ(win32::files::ReadAll("C:\\Temp\\rad2\\Offer.txt").value_or("<missing>"), "Text");
}

TEST_F(WordTest, AnOpenDocumentIsHeldUntilClosedOrWordQuits) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\A.doc", "{\\rtf1 A}"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\B.doc", "{\\rtf1 B}"));
  auto a = Open(L"C:\\In\\A.doc");
  auto b = Open(L"C:\\In\\B.doc");
  EXPECT_FALSE(Exclusive("C:\\In\\A.doc"));
  Close(a);
  EXPECT_TRUE(Exclusive("C:\\In\\A.doc"));
  EXPECT_FALSE(Exclusive("C:\\In\\B.doc"));
  EXPECT_EQ(w.WordApplication()->Documents().size(), 1u);
  EXPECT_EQ(RunningInstances(), 1);
  w.QuitWordApplication();
  EXPECT_TRUE(Exclusive("C:\\In\\B.doc"));
  EXPECT_EQ(w.WordApplication(), nullptr);
  EXPECT_EQ(RunningInstances(), 0);
  EXPECT_THROW(Open(L"C:\\In\\A.doc"), vb::Error);
}

TEST_F(WordTest, NewDocumentsWithAndWithoutATemplateAreRecordedAsCalled) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\T.dot", "{\\rtf1 From template\\par}"));
  auto plain = w.DocumentNew();
  EXPECT_TRUE(plain->GetContent().paragraphs.empty());
  auto based = w.DocumentNew(L"C:\\In\\T.dot");
  EXPECT_EQ(based->GetContent().Text(), L"From template");
  EXPECT_TRUE(Exclusive("C:\\In\\T.dot"));  // the template itself is not left open
  EXPECT_EQ(Calls(), (std::vector<std::wstring>{L"CreateWordApplication()", L"DocumentNew()",
                                                L"DocumentNew(C:\\In\\T.dot)"}));
}

TEST_F(WordTest, FaultSwitchesAndBadCallsRaise) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\A.rtf", "{\\rtf1 A}"));
  EXPECT_THROW(Open(L"C:\\In\\Missing.rtf"), vb::Error);
  auto doc = Open(L"C:\\In\\A.rtf");
  Faults().saveFails = true;
  EXPECT_THROW(Save(doc, L"C:\\In\\A.dot", wdFormatTemplate), vb::Error);
  Faults().saveFails = false;
  EXPECT_THROW(Save(doc, L"C:\\In\\A.xyz", 99), vb::Error);
  EXPECT_THROW(Save(doc, L"C:\\Nowhere\\A.dot", wdFormatTemplate), vb::Error);
  Faults().openFails = true;
  EXPECT_THROW(Open(L"C:\\In\\A.rtf"), vb::Error);
  WordWrapper fresh;
  Faults().createFails = true;
  EXPECT_FALSE(fresh.CreateWordApplication());
  EXPECT_EQ(fresh.WordApplication(), nullptr);
  auto made = vb::CreateObject<WordWrapper>(L"WordWrapper.CWordWrapper");
  EXPECT_NE(made, nullptr);
  win32::HKEY key = 0;
  EXPECT_EQ(
      win32::RegOpenKeyExA(win32::HKEY_CLASSES_ROOT, "Word.Application", 0, win32::KEY_READ, &key),
      win32::ERROR_SUCCESS);
  win32::RegCloseKey(key);
}

TEST_F(WordTest, APictureOnDiskThatCannotBeReadIsAnErrorAndOneOnTheWebStaysALink) {
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Temp\\rad1\\Web.htm",
                             "<html><body><img src=\"http://example.com/a.png\"></body></html>"));
  auto web = Open(L"C:\\Temp\\rad1\\Web.htm");
  w.DocumentUnlinkFields(web);
  EXPECT_EQ(web->GetContent().pictures.at(0).link, L"http://example.com/a.png");
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad1\\Gone.htm",
                                     "<html><body><img src=\"Gone_files/x.png\"></body></html>"));
  auto gone = Open(L"C:\\Temp\\rad1\\Gone.htm");
  try {
    w.DocumentUnlinkFields(gone);
    ADD_FAILURE() << "a picture that is not there was passed over";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.Number(), 4198);
    EXPECT_NE(e.Description().find(L"C:\\Temp\\rad1\\Gone_files\\x.png"), std::wstring::npos);
  }
  // A picture Word wrote whose read fails part way is not taken in cut short.
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad1\\Cut_files\\x.png", testpictures::RedPng()));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad1\\Cut.htm",
                                     "<html><body><img src=\"Cut_files/x.png\"></body></html>"));
  auto cut = Open(L"C:\\Temp\\rad1\\Cut.htm");
  win32::files::FailReadPart(20, win32::ERROR_READ_FAULT);
  EXPECT_THROW(w.DocumentUnlinkFields(cut), vb::Error);
}

// A document that cannot be read whole is Word's error naming it and why, never an empty one.
TEST_F(WordTest, ADocumentThatCannotBeReadWholeIsAnErrorNamingItAndWhy) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Closed.doc", "{\\rtf1 Hello}"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\In\\Cut.doc", "{\\rtf1 " + std::string(500, 'x') + "}"));
  std::filesystem::permissions(*win32::files::HostPath("C:\\In\\Closed.doc"),
                               std::filesystem::perms::none);
  auto why = [&](const std::wstring& path) -> std::wstring {
    try {
      Open(path);
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.Number(), 4198);
      EXPECT_NE(e.Description().find(path), std::wstring::npos) << win32::ToAnsi(e.Description());
      return e.Description();
    }
    ADD_FAILURE() << win32::ToAnsi(path) << " was opened";
    return L"";
  };
  EXPECT_NE(why(L"C:\\In\\Closed.doc").find(L"does not have access"), std::wstring::npos);
  win32::files::FailReadPart(100, win32::ERROR_READ_FAULT);
  EXPECT_NE(why(L"C:\\In\\Cut.doc").find(L"error 30"), std::wstring::npos);
  EXPECT_NE(why(L"C:\\In\\Missing.doc").find(L"could not be found"), std::wstring::npos);
}
