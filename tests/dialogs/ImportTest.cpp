#include "core/COptions.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/SystemFiling.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Format.h"
#include "platform/win32/Faults.h"
#include "tests/common/RefusedWrites.h"
#include "tests/dialogs/ImportExportTest.h"

using namespace mImportExportWordDocs;

namespace {

using Names = std::vector<std::wstring>;

class ImportTest : public ImportExportTest {
 protected:
  void SetUp() override {
    ImportExportTest::SetUp();
    target = AddFolder(templates, L"Imported");
  }

  // A Word file as a word processor leaves it: text paragraphs and pictures.
  static void WriteDoc(const std::string& path, const std::vector<std::wstring>& paragraphs,
                       const std::vector<std::string>& pictures = {}) {
    word::Content c;
    for (const auto& p : paragraphs) {
      c.NewParagraph();
      c.AddText(p);
    }
    for (const auto& pic : pictures) c.AddPicture(word::Picture{L"p.png", pic, L""});
    ASSERT_TRUE(win32::files::WriteAll(path, word::WriteRtf(c)));
  }

  int32_t Import(bool subfolders = true, int32_t conflict = 0, IProgressForm* progress = nullptr,
                 int32_t format = 2, const std::wstring& source = L"C:\\Import") {
    return DoImport(target->EntryID(), source, subfolders, conflict, progress, format);
  }

  static Names Subjects(const std::shared_ptr<outlook::MAPIFolder>& folder) {
    Names out;
    for (const auto& item : folder->Items()->All()) out.push_back(item->Subject());
    return out;
  }
  std::shared_ptr<outlook::Item> FindTemplate(const std::wstring& subject) {
    for (const auto& item : target->Items()->All())
      if (item->Subject() == subject) return item;
    return nullptr;
  }
  static Names FolderNames(const std::shared_ptr<outlook::MAPIFolder>& folder) {
    Names out;
    for (const auto& f : folder->Folders()->All()) out.push_back(f->Name());
    return out;
  }
  static std::wstring Cid(const std::shared_ptr<outlook::Attachment>& a) {
    auto v = a->Fields(outlook::PR_ATTACH_CONTENT_ID);
    auto text = std::get_if<std::wstring>(&v);
    return text ? *text : L"";
  }

  std::shared_ptr<outlook::MAPIFolder> target;
};

}  // namespace

TEST(ImportFilesTest, OnlyWordDocumentsAndTemplatesQualify) {
  EXPECT_TRUE(IsWordFile(L"C:\\In\\Offer.DOC"));
  EXPECT_TRUE(IsWordFile(L"C:\\In\\offer.dot"));
  EXPECT_TRUE(IsWordFile(L"C:\\In.x\\a.b.doc"));
  EXPECT_FALSE(IsWordFile(L"C:\\In\\~$Offer.doc"));
  EXPECT_FALSE(IsWordFile(L"C:\\In\\Offer.docx"));
  EXPECT_FALSE(IsWordFile(L"C:\\In\\doc"));
  EXPECT_FALSE(IsWordFile(L"C:\\In.doc\\readme"));
}

TEST_F(ImportTest, ADocumentBecomesAStampedUnreadTemplateWithItsPicturesInline) {
  WriteDoc("C:\\Import\\My Offer.dot", {L"Dear Kim,", L"Gr\u00FC\u00DFe \u0416"},
           {testpictures::RedPng()});
  EXPECT_EQ(Import(), 1);
  ASSERT_EQ(Subjects(target), (Names{L"My Offer"}));
  auto item = target->Items()->Item(1);
  EXPECT_TRUE(item->UnRead());
  EXPECT_TRUE(mTanvelo::HasAddinStamp(item));
  EXPECT_EQ(item->BodyFormat(), outlook::olFormatHTML);
  EXPECT_NE(item->Body().find(L"Gr\u00FC\u00DFe \u0416"), std::wstring::npos);
  ASSERT_EQ(item->Attachments()->Count(), 1);
  auto picture = item->Attachments()->Item(1);
  std::wstring cid = Cid(picture);
  std::wstring prefix = L"image001.png@" + vb::Format(vb::Now(), L"ddmmyyyy") + L"-";
  ASSERT_EQ(cid.rfind(prefix, 0), 0u) << win32::ToAnsi(cid);
  EXPECT_EQ(cid.size(), prefix.size() + 4);
  EXPECT_EQ(std::get<int32_t>(picture->Fields(outlook::PR_ATTACH_FLAGS)), 4);
  EXPECT_NE(item->HTMLBody().find(L"\"cid:" + cid + L"\""), std::wstring::npos);
  EXPECT_EQ(std::string(picture->Data().begin(), picture->Data().end()), testpictures::RedPng());
  EXPECT_TRUE(TempListing().empty());
}

TEST_F(ImportTest, TheFolderTreeComesBackWhereDocumentsAreAndNowhereElse) {
  WriteDoc("C:\\Import\\Root.doc", {L"r"});
  WriteDoc("C:\\Import\\A\\B\\Deep.doc", {L"d"});
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Pictures\\only.png", testpictures::RedPng()));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Root_files\\image001.png", "x"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\~$Root.doc", "lock"));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\New.docx", "zip"));
  FakeProgress progress;
  EXPECT_EQ(Import(true, 0, &progress), 2);
  EXPECT_EQ(Subjects(target), (Names{L"Root"}));
  EXPECT_EQ(FolderNames(target), (Names{L"A"}));
  auto b = target->Folders()->Item(L"A")->Folders()->Item(L"B");
  EXPECT_EQ(Subjects(b), (Names{L"Deep"}));
  EXPECT_EQ(progress.bar->Max(), 2);
  EXPECT_EQ(progress.bar->Value(), 2);
  // Without subfolders only the folder's own documents count.
  EXPECT_EQ(Import(false, kConflictReplace), 1);
  EXPECT_EQ(LastRun().nTotal, 1);
}

TEST_F(ImportTest, ConflictsByRuleAndApostrophesInNames) {
  AddPlain(target, L"Offer", L"old");
  AddPlain(target, L"Tom's offer", L"old");
  WriteDoc("C:\\Import\\Offer.doc", {L"new"});
  WriteDoc("C:\\Import\\Tom's offer.doc", {L"new"});
  EXPECT_EQ(Import(false, kConflictLeave), 0);
  EXPECT_EQ(LastRun().nSkipped, 2);
  EXPECT_EQ(Import(false, kConflictDuplicate), 2);
  EXPECT_EQ(Subjects(target), (Names{L"Offer", L"Tom's offer", L"Offer01", L"Tom's offer01"}));
  EXPECT_EQ(LastRun().nFailed, 0);
}

TEST_F(ImportTest, ReplaceMakesTheNewTemplateFirstAndGivesItWhatTheOldOneHad) {
  Options().SetDefaultTemplateID(L"");
  auto old = AddPlain(target, L"Offer", L"old");
  std::wstring oldId = old->EntryID();
  mTanvelo::SetDefaultTemplate(old);
  Hotkeys().Add(oldId, 2, 'K', false, true, true);
  mTanvelo::SetHotkeyProperties(old, L"Ctrl+Alt+K", L"Reply to all");
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  g_oFrequentlyTemplates->IncUseCount(oldId, 1);
  g_oFrequentlyTemplates->IncUseCount(oldId, 1);
  old.reset();
  WriteDoc("C:\\Import\\Offer.doc", {L"new text"});
  EXPECT_EQ(Import(false, kConflictReplace), 1);
  ASSERT_EQ(Subjects(target), (Names{L"Offer"}));
  auto made = target->Items()->Item(1);
  EXPECT_NE(made->Body().find(L"new text"), std::wstring::npos);
  std::wstring newId = made->EntryID();
  EXPECT_NE(newId, oldId);
  EXPECT_EQ(Options().DefaultTemplateID(), newId);
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(made));
  int32_t position = 0;
  EXPECT_EQ(Hotkeys().FindByTemplate(oldId, position), nullptr);
  auto hotkey = Hotkeys().FindByTemplate(newId, position);
  ASSERT_NE(hotkey, nullptr);
  EXPECT_EQ(hotkey->KeyCode, 'K');
  EXPECT_EQ(hotkey->Action, 2);
  auto top = g_oFrequentlyTemplates->GetFrequents(1, true);
  ASSERT_EQ(top->Count(), 1);
  EXPECT_EQ(top->Item(1)->sEntryID, newId);
  EXPECT_EQ(top->Item(1)->nRepliesCount, 2);
  g_oFrequentlyTemplates.reset();
}

TEST_F(ImportTest, ADocumentInUseIsAskedForUntilClosedOrGivenUp) {
  WriteDoc("C:\\Import\\A.doc", {L"a"});
  WriteDoc("C:\\Import\\B.doc", {L"b"});
  uint32_t holdA = win32::files::HoldOpen(
      "C:\\Import\\A.doc", win32::GENERIC_READ | win32::GENERIC_WRITE, win32::FILE_SHARE_READ);
  uint32_t holdB = win32::files::HoldOpen(
      "C:\\Import\\B.doc", win32::GENERIC_READ | win32::GENERIC_WRITE, win32::FILE_SHARE_READ);
  int asked = 0;
  win32::msgbox::SetDefaultAnswerer([&](const win32::ShownMessageBox& box) -> int {
    EXPECT_EQ(box.style, 5u);
    ++asked;
    if (box.text.find(L"A.doc") != std::wstring::npos) return asked == 1 ? 4 : 2;  // Retry, Cancel
    win32::files::ReleaseHold(holdB);  // the user closes it, then retries
    return 4;
  });
  EXPECT_EQ(Import(false), 1);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(Subjects(target), (Names{L"B"}));
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(Logged(L"mImportExport::ImportWordDocument", L"C:\\Import\\A.doc"));
  win32::files::ReleaseHold(holdA);
}

TEST_F(ImportTest, PlainTextAndRtfFormatsFillThoseBodies) {
  WriteDoc("C:\\Import\\T.doc", {L"One \u0416", L"Two"});
  EXPECT_EQ(Import(false, 0, nullptr, 1), 1);
  auto plain = target->Items()->Item(1);
  EXPECT_EQ(plain->Body(), L"One \u0416\r\nTwo");
  EXPECT_EQ(Import(false, 0, nullptr, 3), 1);
  auto rich = target->Items()->Item(2);
  EXPECT_EQ(rich->Subject(), L"T01");
  EXPECT_EQ(rich->BodyFormat(), outlook::olFormatRichText);
  EXPECT_EQ(rich->Body(), L"One \u0416\r\nTwo\r\n");
}

TEST_F(ImportTest, LinksFoundWithoutRegardToCaseAreReplacedTheSameWay) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad9\\Offer.htm", "x"));
  ASSERT_TRUE(
      win32::files::WriteAll("C:\\Temp\\rad9\\Offer_files\\Image 001.PNG", testpictures::RedPng()));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\rad9\\Offer_files\\unused.png", "u"));
  auto item = AddTemplate(target, L"Offer");
  std::wstring html = L"<p><img src=\"./offer_files/image%20001.png\"></p>";
  std::vector<std::wstring> ids;
  ImportHtmlLinks(item, html, L"C:\\Temp\\rad9", L"Offer.htm", ids);
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(ids[0].rfind(L"Image_001.PNG@", 0), 0u);
  EXPECT_EQ(html, L"<p><img src=\"cid:" + ids[0] + L"\"></p>");
  EXPECT_EQ(item->Attachments()->Count(), 1);
  EXPECT_TRUE(
      Logged(L"mImportExport::ImportHtmlLinks", L"Cant find link '\"Offer_files/unused.png\"'"));
}

TEST_F(ImportTest, AFailureAfterTheFirstSaveLeavesNoHalfMadeTemplate) {
  WriteDoc("C:\\Import\\Pic.doc", {L"p"}, {testpictures::RedPng()});
  vb::UnregisterComponent(L"Redemption.SafeMailItem");
  EXPECT_EQ(Import(false), 0);
  EXPECT_TRUE(Subjects(target).empty());
  EXPECT_TRUE(Logged(L"mImportExport::ImportWordDocument", L"[ReopenItem]"));
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(TempListing().empty());
}

TEST_F(ImportTest, WithoutWordNothingStartsAndMissingFoldersAreLogged) {
  WriteDoc("C:\\Import\\A.doc", {L"a"});
  FakeProgress progress;
  word::Faults().createFails = true;
  EXPECT_EQ(Import(true, 0, &progress), 0);
  EXPECT_EQ(progress.polls, 0);
  EXPECT_EQ(progress.bar->Max(), 100);
  EXPECT_FALSE(LastRun().bStarted);
  word::Faults().createFails = false;
  EXPECT_EQ(DoImport(L"00DEAD", L"C:\\Import", true, 0, nullptr, 2), 0);
  EXPECT_TRUE(Logged(L"mImportExport::DoImport", L"MAPIFolder Not Exists"));
  EXPECT_EQ(Import(true, 0, nullptr, 2, L"C:\\Nope"), 0);
  EXPECT_TRUE(Logged(L"mImportExport::DoImport", L"Folder Not Exists"));
  EXPECT_EQ(word::RunningInstances(), 0);
}

TEST_F(ImportTest, AnImportRefusedAtAnyCallImportsOrLogsAnError) {
  WriteDoc("C:\\Import\\A.doc", {L"a"});
  win32::faults::Start({.countOnly = true});
  ASSERT_EQ(Import(false, kConflictDuplicate), 1);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 3u);
  int asked = 0;  // a box is the user told
  win32::msgbox::SetDefaultAnswerer([&](const win32::ShownMessageBox&) -> int {
    ++asked;
    return 2;  // Cancel
  });
  for (uint64_t at = 1; at <= calls; ++at) {
    const size_t before = support::library::Log().size();
    asked = 0;
    win32::faults::Start({.at = at});
    int32_t imported = Import(false, kConflictDuplicate);
    win32::faults::Stop();
    bool told = asked > 0;
    const auto& log = support::library::Log();
    for (size_t i = before; i < log.size(); ++i) told = told || log[i].level >= 3;
    EXPECT_TRUE(imported == 1 || told)
        << "call " << at << " failing: nothing imported, nothing told";
  }
}

// Under a held run of refusals from any call, an imported template carries the program's stamp
// or the log names it: unstamped, it would not count as one the program made.
TEST_F(ImportTest, AnImportedTemplateIsStampedOrToldByNameUnderHeldRefusals) {
  WriteDoc("C:\\Import\\Stamped.doc", {L"a"});
  win32::faults::Start({.countOnly = true});
  ASSERT_EQ(Import(false, kConflictDuplicate), 1);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return 2; });
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      for (const auto& item : target->Items()->All()) item->Delete();
      const size_t before = support::library::Log().size();
      win32::faults::Start({.at = at, .span = span});
      Import(false, kConflictDuplicate);
      win32::faults::Stop();
      for (const auto& item : target->Items()->All()) {
        if (mTanvelo::HasAddinStamp(item)) continue;
        bool told = false;
        const auto& log = support::library::Log();
        for (size_t i = before; i < log.size(); ++i)
          told =
              told || (log[i].level >= 3 && log[i].text.find(L"'Stamped'") != std::wstring::npos);
        EXPECT_TRUE(told) << span << " refusals from call " << at << ": unstamped, untold";
      }
    }
}

// A template that replaces the default takes the default over, or the log names it: the
// default is never left on the template replaced, untold.
TEST_F(ImportTest, AReplacedDefaultFollowsItsNewTemplateOrIsToldByNameUnderHeldRefusals) {
  WriteDoc("C:\\Import\\Offer.doc", {L"new text"});
  auto replace = [&](const win32::faults::Plan& plan) {
    for (const auto& item : target->Items()->All()) item->Delete();
    mTanvelo::SetDefaultTemplate(AddPlain(target, L"Offer", L"old"));
    win32::faults::Start(plan);
    Import(false, kConflictReplace);
    win32::faults::Stop();
  };
  replace({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox&) { return 2; });
  int told = 0;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t before = support::library::Log().size();
      replace({.at = at, .span = span});
      if (mTanvelo::GetTemplate(Options().DefaultTemplateID())) continue;
      const bool toldNow = refused::Told(before, {L"Offer", L"default template"}) ||
                           refused::Told(before, {L"not written", L"\"DefaultTemplateID\""});
      EXPECT_TRUE(toldNow) << span << " refusals from call " << at << ": the default is lost";
      told += toldNow;
    }
  EXPECT_GT(told, 0);
}

TEST_F(ImportTest, CancelStopsAfterTheCurrentDocument) {
  WriteDoc("C:\\Import\\A.doc", {L"a"});
  WriteDoc("C:\\Import\\B.doc", {L"b"});
  WriteDoc("C:\\Import\\Sub\\C.doc", {L"c"});
  FakeProgress progress;
  win32::clock::SetTimer(0, [&] { progress.cancelled = true; });
  EXPECT_EQ(Import(true, 0, &progress), 1);
  EXPECT_EQ(Subjects(target), (Names{L"A"}));
  EXPECT_TRUE(FolderNames(target).empty());
  EXPECT_EQ(progress.bar->Value(), 1);
}

class ImportOutlook2000Test : public ImportTest {
  std::wstring Version() const override { return L"9.0.0.2416"; }
};

TEST_F(ImportOutlook2000Test, WordTemplatesAreReadAsNewDocumentsBasedOnThem) {
  WriteDoc("C:\\Import\\T.dot", {L"from template"});
  WriteDoc("C:\\Import\\D.doc", {L"document"});
  EXPECT_EQ(Import(false), 2);
  auto& calls = word::Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), L"DocumentNew(C:\\Import\\T.dot)"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), L"DocumentOpen(C:\\Import\\D.doc)"), calls.end());
  // Before Outlook 2003 Word saves plain HTML.
  EXPECT_NE(
      std::find_if(calls.begin(), calls.end(),
                   [](const std::wstring& c) { return c.find(L".htm,8)") != std::wstring::npos; }),
      calls.end());
}

TEST_F(ImportTest, TemplatesFiledIntoTheRootAreTheSystemsOwnNotTheUsers) {
  // The add-in checks items the user drops into the templates root (empty subject, RTF body);
  // an import is the system's own filing and must not raise those questions.
  WriteDoc("C:\\Import\\Root offer.doc", {L"Dear Kim,"});
  std::vector<bool> filingSeen;
  auto sub = templates->Items()->ItemAdd.Subscribe(
      [&](const std::shared_ptr<outlook::Item>&) { filingSeen.push_back(SystemFiling::Active()); });
  EXPECT_EQ(DoImport(templates->EntryID(), L"C:\\Import", false, 0, nullptr, 2), 1);
  ASSERT_FALSE(filingSeen.empty());
  for (bool seen : filingSeen) EXPECT_TRUE(seen);
}

TEST_F(ImportTest, ATemplateMadeEarlierInTheRunIsNeverReplaced) {
  AddPlain(target, L"Offer", L"before the run");
  WriteDoc("C:\\Import\\Offer.doc", {L"from the document"});
  WriteDoc("C:\\Import\\Offer.dot", {L"from the template"});
  EXPECT_EQ(Import(false, kConflictReplace), 2);
  ASSERT_EQ(Subjects(target), (Names{L"Offer", L"Offer01"}));
  EXPECT_NE(target->Items()->Item(1)->Body().find(L"from the document"), std::wstring::npos);
  EXPECT_NE(target->Items()->Item(2)->Body().find(L"from the template"), std::wstring::npos);
  // A later run replaces the older "Offer" and numbers the second as a duplicate again.
  EXPECT_EQ(Import(false, kConflictReplace), 2);
  EXPECT_EQ(Subjects(target), (Names{L"Offer01", L"Offer", L"Offer02"}));
  EXPECT_EQ(LastRun().nFailed, 0);
}

// A document that cannot be read is no empty one: under Replace it would empty the user's
// template of that name.
TEST_F(ImportTest, ADocumentNoOneMayReadFailsByNameAndLeavesTheTemplateAsItWas) {
  ExpectUnreadableDocumentLeavesTheTemplate(target, NobodyMayRead);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"does not have access"));
}

TEST_F(ImportTest, ALinkToNothingFailsByNameAndLeavesTheTemplateAsItWas) {
  ExpectUnreadableDocumentLeavesTheTemplate(target, LinkToNothing);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"could not be found"));
}

TEST_F(ImportTest, ADocumentWhoseReadFailsPartWayIsNoShortenedTemplate) {
  ExpectUnreadableDocumentLeavesTheTemplate(
      target, [](const std::string&) { win32::files::FailReadPart(10, win32::ERROR_READ_FAULT); });
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"(error 30)"));
}

// Bytes that only begin as RTF are no document: refused by name under every rule, where they
// came in as a template of noise.
TEST_F(ImportTest, NoiseBehindAnRtfHeaderFailsByNameAndLeavesTheTemplateAsItWas) {
  std::string noise = "{\\rtf1";
  uint32_t seed = 99;
  for (int i = 0; i < 1 << 16; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise += static_cast<char>(seed >> 24);
  }
  ExpectUnreadableDocumentLeavesTheTemplate(
      target, [&](const std::string& path) { ASSERT_TRUE(win32::files::WriteAll(path, noise)); });
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"unable to read this document"));
}

TEST_F(ImportTest, BytesThatAreNoWordDocumentFailAndTheLogSaysWhy) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Picture.doc", testpictures::RedPng()));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Real.doc", std::string("\xD0\xCF\x11\xE0", 4)));
  ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Empty.dot", ""));
  EXPECT_EQ(Import(false), 1);
  EXPECT_EQ(Subjects(target), (Names{L"Empty"}));
  EXPECT_EQ(LastRun().nFailed, 2);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"C:\\Import\\Picture.doc"));
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"C:\\Import\\Real.doc"));
}

TEST_F(ImportTest, ThroughAWordProcessorPicturesUnderAnyNameArrive) {
  auto office = std::make_shared<FakeConverter>();
  word::SetConverter(office);
  // What LibreOffice writes: an empty first paragraph, links escaped as UTF-8.
  office->html =
      "<html><head><meta charset=\"utf-8\"></head><body><p><br/></p><p>Caf\xC3\xA9</p>"
      "<p><img src=\"Caf%C3%A9%20%C3%91and%C3%BA_html_1.png\"></p></body></html>";
  office->files = {
      {"Caf\xC3\xA9 \xC3\x91"
       "and\xC3\xBA_html_1.png",
       testpictures::BluePng()}};
  WriteDoc(
      "C:\\Import\\Caf\xE9 \xD1"
      "and\xFA.doc",
      {L"as the word processor has it"});
  EXPECT_EQ(Import(false), 1);
  ASSERT_EQ(Subjects(target), (Names{L"Caf\u00E9 \u00D1and\u00FA"}));
  auto item = target->Items()->Item(1);
  EXPECT_NE(item->Body().find(L"Caf\u00E9"), std::wstring::npos);
  ASSERT_EQ(item->Attachments()->Count(), 1);
  auto data = item->Attachments()->Item(1)->Data();
  EXPECT_EQ(std::string(data.begin(), data.end()), testpictures::BluePng());
  // The word processor's output went with the document's reading.
  ASSERT_EQ(office->outFolders.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(office->outFolders[0]));

  // A picture the word processor names but did not write fails the document, with a word.
  office->files.clear();
  EXPECT_EQ(Import(false, kConflictReplace), 0);
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentOpen", L"picture"));
  word::SetConverter(nullptr);
}

// A word processor's empty paragraph, spaced below as its style sheet says, is one empty line
// of the template's text, as its HTML shows it.
TEST_F(ImportTest, AWordProcessorsEmptyParagraphIsOneEmptyLineOfTheText) {
  auto office = std::make_shared<FakeConverter>();
  word::SetConverter(office);
  office->html =
      "<html><head><style>p { margin-bottom: 0.1in }</style></head><body><p>One</p>\n"
      "<p><br/>\n<br/>\n</p>\n<p>Two</p>\n<p style=\"margin-bottom: 0in\"><br/>\n</p>"
      "<p>Three</p></body></html>";
  WriteDoc("C:\\Import\\Spaced.doc", {L"as the word processor has it"});
  EXPECT_EQ(Import(false), 1);
  ASSERT_EQ(target->Items()->Count(), 1);
  EXPECT_EQ(target->Items()->Item(1)->Body(), L"One\r\n\r\nTwo\r\n\r\nThree\r\n");
  word::SetConverter(nullptr);
}

// Each mark goes over on its own, not only in company of the others.
TEST_F(ImportTest, ReplaceCarriesEachMarkOnItsOwn) {
  Options().SetDefaultTemplateID(L"elsewhere");
  auto favourite = AddPlain(target, L"Favourite", L"old");
  mTanvelo::MarkFavoriteTemplate(favourite, true);
  auto keyed = AddPlain(target, L"Keyed", L"old");
  std::wstring keyedId = keyed->EntryID();
  Hotkeys().Add(keyedId, 2, 'J', false, true, true);
  Hotkeys().SaveToReg();
  favourite.reset();
  keyed.reset();
  WriteDoc("C:\\Import\\Favourite.doc", {L"new"});
  WriteDoc("C:\\Import\\Keyed.doc", {L"new"});
  EXPECT_EQ(Import(false, kConflictReplace), 2);
  auto newFavourite = FindTemplate(L"Favourite");
  auto newKeyed = FindTemplate(L"Keyed");
  ASSERT_TRUE(newFavourite && newKeyed);
  EXPECT_TRUE(mTanvelo::IsFavoriteTemplate(newFavourite));
  EXPECT_FALSE(mTanvelo::IsFavoriteTemplate(newKeyed));
  EXPECT_EQ(Options().DefaultTemplateID(), L"elsewhere");
  int32_t position = 0;
  auto hotkey = Hotkeys().FindByTemplate(newKeyed->EntryID(), position);
  ASSERT_NE(hotkey, nullptr);
  auto shown = newKeyed->UserProperties()->Find(mTanvelo::kHotkeyProperty);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Value(), hotkey->DisplayKeyName());
  EXPECT_EQ(newFavourite->UserProperties()->Find(mTanvelo::kHotkeyProperty), nullptr);
  // The registry holds the binding of the new template, not of the old one.
  CHotkeys stored;
  stored.LoadFromReg();
  EXPECT_NE(stored.FindByTemplate(newKeyed->EntryID(), position), nullptr);
  EXPECT_EQ(stored.FindByTemplate(keyedId, position), nullptr);
}

TEST_F(ImportTest, SubjectsThatDifferOnlyInCaseAreOneTemplate) {
  AddPlain(target, L"Offer", L"old");
  WriteDoc("C:\\Import\\OFFER.doc", {L"new"});
  EXPECT_EQ(Import(false, kConflictLeave), 0);
  EXPECT_EQ(LastRun().nSkipped, 1);
  EXPECT_EQ(Import(false, kConflictDuplicate), 1);
  EXPECT_EQ(Subjects(target), (Names{L"Offer", L"OFFER01"}));
}

TEST_F(ImportTest, CancelInsideASubfolderStopsTheWholeWalk) {
  WriteDoc("C:\\Import\\A\\One.doc", {L"1"});
  WriteDoc("C:\\Import\\A\\Two.doc", {L"2"});
  WriteDoc("C:\\Import\\B\\Three.doc", {L"3"});
  FakeProgress progress;
  win32::clock::SetTimer(0, [&] { progress.cancelled = true; });
  EXPECT_EQ(Import(true, 0, &progress), 1);
  EXPECT_EQ(FolderNames(target), (Names{L"A"}));
  EXPECT_EQ(Subjects(target->Folders()->Item(L"A")), (Names{L"One"}));
  EXPECT_TRUE(LastRun().bCancelled);
  EXPECT_EQ(progress.polls, 1);
}

TEST_F(ImportTest, AWindowsFolderRefusedAMomentIsImportedAndRefusedForGoodIsTold) {
  namespace faults = win32::faults;
  WriteDoc("C:\\Import\\A.doc", {L"a"});
  // The run's first call into the disk is the look at the chosen folder.
  uint64_t look = 0;
  for (uint64_t at = 1; look == 0 && at < 100; ++at) {
    faults::Start({.at = at});
    Import(false, kConflictDuplicate);
    if (faults::Counts().raisedBy[static_cast<int>(faults::Surface::Files)] == 1) look = at;
    faults::Stop();
  }
  ASSERT_NE(look, 0u);
  const size_t before = Subjects(target).size();
  faults::Start({.at = look, .span = 8});
  EXPECT_EQ(Import(false, kConflictDuplicate), 1);
  faults::Stop();
  EXPECT_EQ(Subjects(target).size(), before + 1);
  faults::Start({.at = look, .span = 10});
  EXPECT_EQ(Import(false, kConflictDuplicate), 0);
  faults::Stop();
  EXPECT_TRUE(Logged(L"mImportExport::DoImport"));
}

TEST_F(ImportTest, AFileCallRefusedNeverImportsAnotherBody) {
  namespace faults = win32::faults;
  WriteDoc("C:\\Import\\A.doc", {L"Dear Kim,", L"the offer"}, {testpictures::RedPng()});
  faults::Start({.countOnly = true});
  ASSERT_EQ(Import(false, kConflictDuplicate), 1);
  faults::Stop();
  const uint64_t calls = faults::Counts().calls;
  const std::wstring body = FindTemplate(L"A")->Body();
  int asked = 0;  // the document taken for one in use: the user is asked
  win32::msgbox::SetDefaultAnswerer([&](const win32::ShownMessageBox&) {
    ++asked;
    return 2;  // Cancel
  });
  // Refused a moment, the template is made (unless the user gave up on the document);
  // refused for good, one not made is told.
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    for (uint64_t at = 1; at <= calls; ++at) {
      for (const auto& item : target->Items()->All()) item->Delete();
      const size_t logged = support::library::Log().size();
      asked = 0;
      faults::Start({.at = at, .span = span});
      const int32_t imported = Import(false, kConflictDuplicate);
      // Only the disk refused.
      const auto counts = faults::Counts();
      const bool files = counts.raised > 0 &&
                         counts.raisedBy[static_cast<int>(faults::Surface::Files)] == counts.raised;
      faults::Stop();
      if (!files) continue;
      const std::string refused = "calls " + std::to_string(at) + "+" + std::to_string(span);
      if (imported == 0) {
        bool told = false;
        const auto& log = support::library::Log();
        for (size_t i = logged; i < log.size(); ++i) told = told || log[i].level >= 3;
        EXPECT_TRUE(told) << refused << " refused: nothing imported, nothing told";
        EXPECT_TRUE(span == kHeldTries || asked > 0) << refused << " refused: nothing imported";
        // The dialog must not call it complete.
        EXPECT_TRUE(!LastRun().bStarted || LastRun().nFailed > 0) << refused << " refused";
        continue;
      }
      auto item = FindTemplate(L"A");
      ASSERT_TRUE(item) << refused;
      EXPECT_EQ(item->Body(), body) << refused;
      ASSERT_EQ(item->Attachments()->Count(), 1) << refused;
      EXPECT_NE(item->HTMLBody().find(L"\"cid:" + Cid(item->Attachments()->Item(1)) + L"\""),
                std::wstring::npos)
          << refused;
    }
  }
}

// A folder named as a document is no document: without subfolders it is left and told by
// name; with them it is a folder of the tree like any other.
TEST_F(ImportTest, AFolderNamedAsADocumentIsToldNotPassedOverInSilence) {
  WriteDoc("C:\\Import\\Real.doc", {L"r"});
  WriteDoc("C:\\Import\\Offer.doc\\Inside.doc", {L"i"});
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Import\\Empty.DOT", nullptr));
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Import\\Plain", nullptr));
  const struct {
    bool subfolders;
    int32_t imported, left;
  } cases[] = {{false, 1, 2}, {true, 2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subfolders ? "with subfolders" : "without subfolders");
    const size_t from = support::library::Log().size();
    EXPECT_EQ(Import(c.subfolders, kConflictReplace), c.imported);
    EXPECT_EQ(LastRun().nSkipped, c.left);
    EXPECT_EQ(LastRun().nFailed, 0);
    std::vector<std::wstring> told;
    const auto& log = support::library::Log();
    for (size_t i = from; i < log.size(); ++i)
      if (log[i].text.find(L"Not a document but a folder") != std::wstring::npos)
        told.push_back(log[i].text);
    std::sort(told.begin(), told.end());
    if (c.subfolders)
      EXPECT_TRUE(told.empty());
    else
      EXPECT_EQ(told, (std::vector<std::wstring>{
                          L"Not a document but a folder, not imported: C:\\Import\\Empty.DOT",
                          L"Not a document but a folder, not imported: C:\\Import\\Offer.doc"}));
  }
}
