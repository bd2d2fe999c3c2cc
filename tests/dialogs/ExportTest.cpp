#include "core/COptions.h"
#include "dialogs/mImportExportRun.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Shell.h"
#include "tests/dialogs/ImportExportTest.h"

using namespace mImportExportWordDocs;

namespace {

class ExportTest : public ImportExportTest {};

using Names = std::vector<std::wstring>;

// The distinct progress captions in the order they appeared.
Names Distinct(const Names& captions) {
  Names out;
  for (const auto& c : captions)
    if (out.empty() || out.back() != c) out.push_back(c);
  return out;
}

}  // namespace

TEST_F(ExportTest, FileNamesComeFromSubjectsAndDuplicatesAreNumbered) {
  AddPlain(templates, L"Re: offer 1.5 / week 2?", L"offer");
  AddPlain(templates, L"", L"e1");
  AddPlain(templates, L"", L"e2");
  AddPlain(templates, L"Name", L"n1");
  AddPlain(templates, L"Name", L"n2");
  EXPECT_EQ(Export(templates, false, kConflictDuplicate), 5);
  EXPECT_EQ(Listing(L"C:\\Export"), (Names{L".dot", L"01.dot", L"Name.dot", L"Name01.dot",
                                           L"Re_ offer 1_5 _ week 2_.dot"}));
  EXPECT_EQ(Document(L"C:\\Export\\Name01.dot").Text(), L"n2");
  EXPECT_EQ(Document(L"C:\\Export\\01.dot").Text(), L"e2");
  EXPECT_EQ(LastRun().nDone, 5);
  EXPECT_EQ(LastRun().nTotal, 5);
}

TEST_F(ExportTest, LeaveKeepsOldFilesAndReplaceNeverOverwritesAFileOfTheSameRun) {
  AddPlain(templates, L"Name", L"first");
  AddPlain(templates, L"Name", L"second");
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Name.dot", "before"));
  EXPECT_EQ(Export(templates, false, kConflictLeave), 0);
  EXPECT_EQ(LastRun().nSkipped, 2);
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\Name.dot").value_or("<missing>"), "before");

  EXPECT_EQ(Export(templates, false, kConflictReplace), 2);
  EXPECT_EQ(Document(L"C:\\Export\\Name.dot").Text(), L"first");
  EXPECT_EQ(Document(L"C:\\Export\\Name01.dot").Text(), L"second");

  // Two Outlook folders whose names map to one Windows folder keep both templates too.
  auto other = AddFolder(p.root, L"Other");
  AddPlain(AddFolder(other, L"A.B"), L"T", L"one");
  AddPlain(AddFolder(other, L"A:B"), L"T", L"two");
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Merged", nullptr));
  g_oTemplatesFolder = other;
  EXPECT_EQ(Export(other, true, kConflictReplace, nullptr, 1, L"C:\\Merged"), 2);
  EXPECT_EQ(Listing(L"C:\\Merged\\A_B"), (Names{L"T.dot", L"T01.dot"}));
  // And a file that was there before the run is still replaced.
  EXPECT_EQ(Export(other, true, kConflictReplace, nullptr, 1, L"C:\\Merged"), 2);
  EXPECT_EQ(Listing(L"C:\\Merged\\A_B"), (Names{L"T.dot", L"T01.dot"}));
}

TEST_F(ExportTest, NinetyNineNumberedNamesTakenSkipTheTemplate) {
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Name.dot", "x"));
  for (int n = 1; n <= 99; ++n)
    ASSERT_TRUE(win32::files::WriteAll(
        "C:\\Export\\Name" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".dot", "x"));
  AddPlain(templates, L"Name", L"body");
  EXPECT_EQ(Export(templates, false, kConflictDuplicate), 0);
  EXPECT_TRUE(Logged(L"mImportExport::ExportWordDocument", L"to many duplicates"));
  EXPECT_EQ(LastRun().nFailed, 1);
}

TEST_F(ExportTest, TheRichestBodyIsExportedAndNoCharacterIsLost) {
  AddHtml(templates, L"Html",
          L"<html><body><p>Gr\u00FC\u00DFe \u0416\u4E2D</p><p>Second</p></body></html>");
  AddHtml(templates, L"Fragment", L"<p>no body tag</p>");
  AddRtf(templates, L"Rtf", L"{\\rtf1\\ansi Rich \\u1046?\\par second}");
  AddPlain(templates, L"Plain", L"Line \u0416 \u20AC\r\nLine 2");
  EXPECT_EQ(Export(templates, false), 4);
  EXPECT_EQ(Document(L"C:\\Export\\Html.dot").Text(), L"Gr\u00FC\u00DFe \u0416\u4E2D\r\nSecond");
  // Without a body tag the HTML is not trusted: the RTF body goes instead.
  EXPECT_EQ(Document(L"C:\\Export\\Fragment.dot").Text(), L"no body tag");
  EXPECT_EQ(Document(L"C:\\Export\\Rtf.dot").Text(), L"Rich \u0416\r\nsecond");
  EXPECT_EQ(Document(L"C:\\Export\\Plain.dot").Text(), L"Line \u0416 \u20AC\r\nLine 2");
}

TEST_F(ExportTest, EachFormatGetsItsExtensionAndAnUnknownOneIsAWordDocument) {
  AddPlain(templates, L"T", L"body");
  EXPECT_EQ(Export(templates, false, 0, nullptr, 2), 1);
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\T.txt").value_or("<missing>"), "body");
  EXPECT_EQ(Export(templates, false, 0, nullptr, 6), 1);
  EXPECT_EQ(Document(L"C:\\Export\\T.rtf").Text(), L"body");
  EXPECT_EQ(Export(templates, false, 0, nullptr, 5), 1);
  EXPECT_TRUE(Logged(L"mImportExport::DoExport", L"Invalid export format - 5"));
  EXPECT_EQ(Document(L"C:\\Export\\T.doc").Text(), L"body");
}

TEST_F(ExportTest, InlinePicturesGoBesideTheDocumentUnderSafeNames) {
  using testpictures::BluePng;
  using testpictures::RedPng;
  AddHtml(templates, L"Offer",
          L"<html><body><p>See <img src=\"cid:pic1@x\"> <img src=cid:pic2@x> "
          L"<img src=\"cid:pic4@x\"> <img src=\"cid:pic5@x\"></p></body></html>",
          {{L"image001.png", L"pic1@x", RedPng()},
           {L"..\\..\\evil.png", L"pic2@x", BluePng()},
           {L"unused.png", L"pic3@x", RedPng()},
           {L"", L"pic4@x", BluePng()},
           {L"CON.png", L"pic5@x", RedPng()},
           {L"plain.png", L"", RedPng()}});
  ASSERT_TRUE(win32::files::WriteAll("C:\\Export\\Offer_files\\image001.png", "older picture"));
  EXPECT_EQ(Export(templates, false), 1);
  EXPECT_EQ(Listing(L"C:\\Export\\Offer_files"),
            (Names{L"01image001.png", L"evil.png", L"image001.png", L"image004", L"_CON.png"}));
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\Offer_files\\01image001.png").value_or("<missing>"),
            RedPng());
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\Offer_files\\evil.png").value_or("<missing>"),
            BluePng());
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\Offer_files\\image001.png").value_or("<missing>"),
            "older picture");
  EXPECT_FALSE(Exists(L"C:\\evil.png"));
  EXPECT_FALSE(Exists(L"C:\\Export\\evil.png"));
  auto doc = Document(L"C:\\Export\\Offer.dot");
  ASSERT_EQ(doc.pictures.size(), 4u);
  EXPECT_EQ(doc.pictures[0].bytes, RedPng());
  EXPECT_EQ(doc.pictures[1].bytes, BluePng());
}

TEST_F(ExportTest, APathOf250CharactersPassesAnd251IsRefusedWithTheSubject) {
  std::wstring subject(225, L'x');
  subject[0] = L'?';  // the message names the subject, not the file name
  AddPlain(templates, subject, L"long");
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Export\\abcdefghij", nullptr));   // 250 in all
  ASSERT_TRUE(win32::CreateDirectoryA("C:\\Export\\abcdefghijk", nullptr));  // 251
  EXPECT_EQ(Export(templates, false, 0, nullptr, 1, L"C:\\Export\\abcdefghij"), 1);
  EXPECT_TRUE(win32::msgbox::Shown().empty());
  EXPECT_EQ(Export(templates, false, 0, nullptr, 1, L"C:\\Export\\abcdefghijk"), 0);
  ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
  EXPECT_NE(win32::msgbox::Shown()[0].text.find(L"'" + subject + L"'"), std::wstring::npos);
  EXPECT_TRUE(Listing(L"C:\\Export\\abcdefghijk").empty());
  EXPECT_TRUE(Logged(L"mImportExport::ExportWordDocument", L"Name too long"));
  // The temporary file's path counts too: "C:\Temp" + 14 + name + extension.
  AddPlain(AddFolder(templates, L"Sub"), std::wstring(226, L'y'), L"long");
  EXPECT_EQ(Export(templates->Folders()->Item(L"Sub"), false), 0);
  EXPECT_EQ(win32::msgbox::Shown().size(), 2u);
}

TEST_F(ExportTest, TheWalkMirrorsFoldersWithTemplatesAndReportsProgress) {
  AddPlain(templates, L"root", L"r");
  AddPlain(AddFolder(templates, L"A/B"), L"x", L"x");
  AddFolder(templates, L"Empty");
  AddPlain(AddFolder(AddFolder(templates, L"Mid"), L"Deep"), L"y", L"y");
  templates->Items()->Add(outlook::olPostItem);  // not a template: neither counted nor written
  FakeProgress progress;
  EXPECT_EQ(Export(templates, true, 0, &progress), 3);
  EXPECT_EQ(Listing(L"C:\\Export"), (Names{L"A_B\\", L"Mid\\", L"root.dot"}));
  EXPECT_EQ(Listing(L"C:\\Export\\Mid"), (Names{L"Deep\\"}));
  EXPECT_EQ(Distinct(progress.captions),
            (Names{L"Completed: 33%    ", L"Completed: 67%    ", L"Completed: 100%    "}));
  EXPECT_EQ(progress.bar->Max(), 3);
  EXPECT_EQ(progress.bar->Value(), 3);
  // Without subfolders only the folder's own templates count.
  FakeProgress flat;
  EXPECT_EQ(Export(templates, false, kConflictReplace, &flat), 1);
  EXPECT_EQ(flat.bar->Max(), 1);
}

TEST_F(ExportTest, AnEmptyFolderEndsAtOnceAndMakesNothing) {
  auto empty = AddFolder(templates, L"Empty");
  FakeProgress progress;
  progress.bar->SetValue(50);
  EXPECT_EQ(Export(empty, true, 0, &progress), 0);
  EXPECT_EQ(progress.bar->Max(), 1);
  EXPECT_EQ(progress.bar->Value(), 1);
  EXPECT_EQ(progress.label->Caption(), L"Completed: 0%   ");
  EXPECT_TRUE(Listing(L"C:\\Export").empty());
  EXPECT_EQ(word::RunningInstances(), 0);
}

TEST_F(ExportTest, CancelStopsAfterTheCurrentTemplate) {
  AddPlain(templates, L"one", L"1");
  AddPlain(templates, L"two", L"2");
  AddPlain(AddFolder(templates, L"Sub"), L"three", L"3");
  FakeProgress progress;
  // The user's click arrives with the first window messages of the run.
  win32::clock::SetTimer(0, [&] { progress.cancelled = true; });
  EXPECT_EQ(Export(templates, true, 0, &progress), 1);
  EXPECT_EQ(Listing(L"C:\\Export"), (Names{L"one.dot"}));
  EXPECT_EQ(progress.bar->Value(), 1);
  EXPECT_EQ(progress.bar->Max(), 3);
  EXPECT_TRUE(LastRun().bCancelled);
  EXPECT_EQ(word::RunningInstances(), 0);
}

TEST_F(ExportTest, MissingFoldersEndTheRunBeforeAnyProgress) {
  AddPlain(templates, L"T", L"t");
  FakeProgress progress;
  EXPECT_EQ(mImportExportWordDocs::DoExport(L"00DEAD", L"C:\\Export", true, 0, &progress, 1), 0);
  EXPECT_TRUE(Logged(L"mImportExport::DoExport", L"MAPIFolder Not Exists"));
  EXPECT_EQ(Export(templates, true, 0, &progress, 1, L"C:\\Nope"), 0);
  EXPECT_TRUE(Logged(L"mImportExport::DoExport", L"Folder(C:\\Nope) Not Exists"));
  EXPECT_EQ(progress.polls, 0);
  EXPECT_EQ(progress.bar->Max(), 100);
  EXPECT_FALSE(LastRun().bStarted);
  // A folder outside the templates store is not reachable either.
  EXPECT_EQ(
      mImportExportWordDocs::DoExport(p.secondInbox->EntryID(), L"C:\\Export", true, 0, nullptr, 1),
      0);
}

TEST_F(ExportTest, TemporaryFoldersGoAfterSuccessAndFailureButOnlyTheirOwn) {
  AddPlain(templates, L"T", L"t");
  vb::Randomize(11);
  std::wstring first = scripting::FileSystemObject().GetTempName();
  ASSERT_TRUE(win32::files::WriteAll("C:\\Temp\\" + win32::ToAnsi(first) + "\\keep.txt", "mine"));
  vb::Randomize(11);
  EXPECT_EQ(Export(templates, false), 1);
  EXPECT_EQ(TempListing(), (Names{first + L"\\"}));
  EXPECT_TRUE(Exists(L"C:\\Temp\\" + first + L"\\keep.txt"));

  word::Faults().saveFails = true;
  EXPECT_EQ(Export(templates, false, kConflictReplace), 0);
  EXPECT_EQ(LastRun().nFailed, 1);
  EXPECT_TRUE(Logged(L"CWordWrapper::DocumentSaveAs"));
  EXPECT_EQ(TempListing(), (Names{first + L"\\"}));
}

TEST_F(ExportTest, WordStartsOnceForTheRunAndAFailedStartFailsEachTemplate) {
  AddPlain(templates, L"A", L"a");
  AddPlain(templates, L"B", L"b");
  EXPECT_EQ(Export(templates, false), 2);
  auto calls = word::Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"CreateWordApplication()"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"QuitWordApplication()"), 1);
  EXPECT_EQ(calls[calls.size() - 2], L"DocumentClose(0)");

  word::Faults().createFails = true;
  EXPECT_EQ(Export(templates, false, kConflictReplace), 0);
  EXPECT_EQ(LastRun().nFailed, 2);
  EXPECT_TRUE(Logged(L"mImportExport::ExportWordDocument", L"[CreateWordApplication]"));
  EXPECT_EQ(word::RunningInstances(), 0);
}

TEST_F(ExportTest, TheTemporaryFileIsShownWhenTheOptionAsks) {
  Options().SetShowImportExportTempFiles(true);
  AddPlain(templates, L"T", L"t");
  EXPECT_EQ(Export(templates, false), 1);
  ASSERT_EQ(win32::shell::Executions().size(), 1u);
  EXPECT_EQ(win32::shell::Executions()[0].directory, "C:\\");
  EXPECT_NE(win32::shell::Executions()[0].file.find("\\T.txt"), std::string::npos);
  ASSERT_EQ(win32::msgbox::Shown().size(), 1u);
  EXPECT_EQ(win32::ToAnsi(win32::msgbox::Shown()[0].text), win32::shell::Executions()[0].file);
}

TEST_F(ExportTest, HtmlReachesWordAsAsciiWhateverItsCharsetSays) {
  AddHtml(templates, L"Cafe",
          L"<html><head><meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
          L"</head><body><p>caf\u00E9 \u00FC \u20AC \u0416</p></body></html>");
  // A line break before any text, and Outlook's empty line.
  AddHtml(templates, L"Break",
          L"<html><body><br>Hello<p><o:p>&nbsp;</o:p></p><p>end</p></body></html>");
  EXPECT_EQ(Export(templates, false), 2);
  EXPECT_EQ(Document(L"C:\\Export\\Cafe.dot").Text(), L"caf\u00E9 \u00FC \u20AC \u0416");
  EXPECT_EQ(Document(L"C:\\Export\\Break.dot").Text(), L"\r\nHello\r\n \r\nend");
  EXPECT_EQ(LastRun().nFailed, 0);
}

TEST_F(ExportTest, EachBodyTakesItsOwnRoadToWord) {
  AddHtml(templates, L"Fragment", L"<p>no body tag</p>");
  AddRtf(templates, L"Empty", L"");
  AddRtf(templates, L"Cyrillic", L"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}");
  EXPECT_EQ(Export(templates, false), 3);
  auto opened = [](const std::wstring& name) {
    auto& calls = word::Calls();
    return std::any_of(calls.begin(), calls.end(), [&](const std::wstring& c) {
      return c.rfind(L"DocumentOpen(", 0) == 0 && c.find(L"\\" + name + L")") != std::wstring::npos;
    });
  };
  EXPECT_TRUE(opened(L"Fragment.rtf"));
  EXPECT_TRUE(opened(L"Empty.txt"));
  EXPECT_EQ(Document(L"C:\\Export\\Cyrillic.dot").Text(), L"\u041F\u0440\u0438\u0432\u0435\u0442");
}

TEST_F(ExportTest, NamesWindowsRefusesFailAndTheLogSaysSo) {
  // Both subjects become "??????" in the ANSI code page.
  AddPlain(templates, L"\u041F\u0440\u0438\u0432\u0435\u0442", L"one");
  AddPlain(templates, L"\u0414\u043E\u0431\u0440\u044B\u0439", L"two");
  EXPECT_EQ(Export(templates, false, kConflictReplace), 0);
  EXPECT_EQ(LastRun().nFailed, 2);
  EXPECT_TRUE(Listing(L"C:\\Export").empty());
  // The body's file cannot be named: the template fails there.
  EXPECT_TRUE(
      Logged(L"mImportExport::ExportWordDocument", L"[SaveToTempDir, Format=1] Body not written"));
}

TEST_F(ExportTest, ThroughAWordProcessorNoScratchFileTouchesTheExportFolder) {
  auto office = std::make_shared<FakeConverter>();
  word::SetConverter(office);
  AddPlain(templates, L"Offer", L"text");
  AddPlain(templates, L"\u041F\u0440\u0438\u0432\u0435\u0442", L"refused");
  EXPECT_EQ(Export(templates, false, kConflictReplace, nullptr, 0), 1);
  EXPECT_EQ(Listing(L"C:\\Export"), (Names{L"Offer.doc"}));
  EXPECT_EQ(win32::files::ReadAll("C:\\Export\\Offer.doc").value_or("").rfind("DOC:{\\rtf", 0), 0u);
  // Its own folder is gone too.
  ASSERT_EQ(office->written.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(office->written[0]).parent_path()));
  EXPECT_EQ(LastRun().nFailed, 1);
  word::SetConverter(nullptr);
}

TEST_F(ExportTest, OnlyPicturesStoredByValueGoBesideTheDocument) {
  auto item = AddHtml(templates, L"Offer",
                      L"<html><body><p><img src=\"cid:kept@x\"><img src=\"cid:linked@x\">"
                      L"</p></body></html>",
                      {{L"kept.png", L"kept@x", testpictures::RedPng()}});
  std::string blue = testpictures::BluePng();
  auto linked = item->Attachments()->AddData(
      L"linked.png", std::vector<uint8_t>(blue.begin(), blue.end()), outlook::olByReference);
  linked->SetFields(outlook::PR_ATTACH_CONTENT_ID, std::wstring(L"linked@x"));
  item->Save();
  EXPECT_EQ(Export(templates, false), 1);
  EXPECT_EQ(Listing(L"C:\\Export\\Offer_files"), (Names{L"kept.png"}));
}

TEST_F(ExportTest, CancelInsideASubfolderStopsTheWholeWalk) {
  auto a = AddFolder(templates, L"A");
  AddPlain(a, L"one", L"1");
  AddPlain(a, L"two", L"2");
  AddPlain(AddFolder(templates, L"B"), L"three", L"3");
  FakeProgress progress;
  win32::clock::SetTimer(0, [&] { progress.cancelled = true; });
  EXPECT_EQ(Export(templates, true, 0, &progress), 1);
  EXPECT_EQ(Listing(L"C:\\Export"), (Names{L"A\\"}));
  EXPECT_EQ(Listing(L"C:\\Export\\A"), (Names{L"one.dot"}));
  EXPECT_TRUE(LastRun().bCancelled);
}

TEST_F(ExportTest, ATemporaryFolderWhoseDeletionFailsOnceIsStillDeleted) {
  namespace faults = win32::faults;
  // The seed that fails the first of every two calls: the deletion's first try.
  uint32_t seed = 0;
  for (;; ++seed) {
    faults::Start({.every = 2, .seed = seed});
    if (faults::Hit(faults::Surface::Files)) break;
  }
  faults::Stop();
  {
    mImportExportWordDocs::run::TempFolder temp;
    temp.Create();
    ASSERT_EQ(TempListing().size(), 1u);
    faults::Start({.every = 2, .seed = seed});
  }
  EXPECT_EQ(faults::Counts().raised, 1u);
  faults::Stop();
  EXPECT_TRUE(TempListing().empty());
}

TEST_F(ExportTest, TemporaryFoldersGoAfterRefusalsInARowAndOneStillLeftIsTold) {
  namespace faults = win32::faults;
  AddHtml(templates, L"Page", L"<html><body><p>text</p></body></html>");
  faults::Start({.countOnly = true});
  ASSERT_EQ(Export(templates, false, kConflictReplace), 1);
  faults::Stop();
  const uint64_t calls = faults::Counts().calls;
  // Refused in a row anywhere (the deletion's tries included): nothing stays; refused for good
  // from any call on: a folder left is named in an error.
  for (uint64_t span : {3u, 8u, 10000u}) {
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t logged = support::library::Log().size();
      faults::Start({.at = at, .span = span});
      Export(templates, false, kConflictReplace);
      faults::Stop();
      const auto left = TempListing();
      if (left.empty()) continue;
      EXPECT_EQ(span, 10000u) << "calls " << at << " to " << at + span - 1 << " refused";
      const auto& e = support::library::Log().back();
      EXPECT_TRUE(support::library::Log().size() > logged && e.level == 3 &&
                  e.text.starts_with(L"Cant delete temporary folder C:\\Temp\\rad"));
      scripting::FileSystemObject().DeleteFolder(L"C:\\Temp\\" + left[0].substr(0, 12), true);
    }
  }
}

// Refused for as long as the held tries and one more, from each call (the deletion's tries
// among them): a folder left is deleted at a later moment, nothing stays below TEMP.
TEST_F(ExportTest, ATemporaryFolderRefusedPastItsTriesGoesLater) {
  namespace faults = win32::faults;
  AddHtml(templates, L"Page", L"<html><body><p>text</p></body></html>");
  faults::Start({.countOnly = true});
  ASSERT_EQ(Export(templates, false, kConflictReplace), 1);
  faults::Stop();
  const uint64_t calls = faults::Counts().calls;
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      faults::Start({.at = at, .span = span});
      Export(templates, false, kConflictReplace);
      faults::Stop();
      win32::clock::Advance(1000);
      const auto left = TempListing();
      EXPECT_TRUE(left.empty()) << span << " calls from " << at << " refused";
      if (!left.empty())
        scripting::FileSystemObject().DeleteFolder(L"C:\\Temp\\" + left[0].substr(0, 12), true);
    }
}

TEST_F(ExportTest, ATemporaryFolderRefusedAMomentIsMadeAll) {
  namespace faults = win32::faults;
  // The look for the system's temporary folder (call 1) refused, then the making (call 2 on).
  for (uint64_t at : {1u, 2u}) {
    run::TempFolder temp;
    faults::Start({.at = at, .span = 8});
    temp.Create();
    faults::Stop();
    EXPECT_EQ(TempListing(), (Names{temp.Path().substr(8) + L"\\"}));
  }
  EXPECT_TRUE(TempListing().empty());
}

TEST_F(ExportTest, AWindowsFolderRefusedAMomentIsExportedAndRefusedForGoodIsTold) {
  namespace faults = win32::faults;
  AddPlain(templates, L"T", L"body");
  // The run's first call into the disk is the look at the chosen folder.
  uint64_t look = 0;
  for (uint64_t at = 1; look == 0 && at < 100; ++at) {
    faults::Start({.at = at});
    Export(templates, false);
    if (faults::Counts().raisedBy[static_cast<int>(faults::Surface::Files)] == 1) look = at;
    faults::Stop();
    if (Exists(L"C:\\Export\\T.dot"))
      scripting::FileSystemObject().DeleteFile(L"C:\\Export\\T.dot", true);
  }
  ASSERT_NE(look, 0u);
  faults::Start({.at = look, .span = kHeldTries - 1});
  EXPECT_EQ(Export(templates, false), 1);
  faults::Stop();
  EXPECT_EQ(Document(L"C:\\Export\\T.dot").Text(), L"body");
  scripting::FileSystemObject().DeleteFile(L"C:\\Export\\T.dot", true);
  faults::Start({.at = look, .span = kHeldTries});
  EXPECT_EQ(Export(templates, false), 0);
  faults::Stop();
  EXPECT_FALSE(LastRun().bStarted);
  EXPECT_TRUE(Listing(L"C:\\Export").empty());
  EXPECT_TRUE(Logged(L"mImportExport::DoExport", L"Folder(C:\\Export) refused, nothing exported"));
}

TEST_F(ExportTest, AFileCallRefusedNeverExportsAnotherDocument) {
  namespace faults = win32::faults;
  // Both roads to the body's file: the file object's and UTF-8 written by hand; a picture
  // beside the document.
  AddHtml(templates, L"Page",
          L"<html><body><p>Dear Kim,</p><p>the offer <img src=\"cid:pic@x\"></p></body></html>",
          {{L"image001.png", L"pic@x", testpictures::RedPng()}});
  AddPlain(templates, L"Plain", L"Line \u0416\r\nLine 2");
  faults::Start({.countOnly = true});
  ASSERT_EQ(Export(templates, false), 2);
  faults::Stop();
  const uint64_t calls = faults::Counts().calls;
  const std::wstring page = Document(L"C:\\Export\\Page.dot").Text();
  const std::wstring plain = Document(L"C:\\Export\\Plain.dot").Text();
  auto clear = [] {
    scripting::FileSystemObject fso;
    for (const auto& name : Listing(L"C:\\Export")) {
      if (name.back() == L'\\')
        fso.DeleteFolder(L"C:\\Export\\" + name.substr(0, name.size() - 1), true);
      else
        fso.DeleteFile(L"C:\\Export\\" + name, true);
    }
  };
  // Refused a moment, every document is written; refused for good, one missing is told.
  for (uint64_t span : {uint64_t{1}, uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    for (uint64_t at = 1; at <= calls; ++at) {
      clear();
      const size_t logged = support::library::Log().size();
      faults::Start({.at = at, .span = span});
      Export(templates, false);
      // Only the disk refused (a body read refused is another matter).
      const auto counts = faults::Counts();
      const bool files = counts.raised > 0 &&
                         counts.raisedBy[static_cast<int>(faults::Surface::Files)] == counts.raised;
      faults::Stop();
      if (!files) continue;
      bool told = false;
      const auto& log = support::library::Log();
      for (size_t i = logged; i < log.size(); ++i) told = told || log[i].level >= 3;
      for (const auto& [name, text] :
           {std::pair{L"C:\\Export\\Page.dot", page}, std::pair{L"C:\\Export\\Plain.dot", plain}}) {
        const std::string refused = "calls " + std::to_string(at) + "+" + std::to_string(span);
        if (Exists(name)) {
          EXPECT_EQ(Document(name).Text(), text) << refused << " refused";
          EXPECT_EQ(Document(name).pictures.size(),
                    std::wstring(name) == L"C:\\Export\\Page.dot" ? 1u : 0u)
              << refused << " refused";
          continue;
        }
        EXPECT_TRUE(told && span == kHeldTries) << refused << " refused: " << win32::ToAnsi(name)
                                                << " missing, " << (told ? "told" : "nothing told");
        // The dialog must not call it complete.
        EXPECT_TRUE(!LastRun().bStarted || LastRun().nFailed > 0) << refused << " refused";
      }
    }
  }
  clear();
}
