// A templates tree exported and imported into an empty folder comes back the same: folder
// tree, subjects, the text of every body and every inline picture in its place.
#include <sstream>

#include "platform/outlook/BodyConvert.h"
#include "tests/dialogs/ImportExportTest.h"

using namespace mImportExportWordDocs;

namespace {

using Names = std::vector<std::wstring>;

// The lines a reader sees, blanks at their ends and empty lines left out.
Names Lines(const std::wstring& text) {
  Names out;
  std::wstring line;
  auto flush = [&] {
    std::wstring t = vb::Trim(line);
    for (auto& c : t)
      if (c == 0xA0) c = L' ';
    if (!t.empty()) out.push_back(t);
    line.clear();
  };
  for (wchar_t c : text) {
    if (c == L'\r' || c == L'\n')
      flush();
    else
      line += c;
  }
  flush();
  return out;
}

// The pictures the HTML body shows, in the order it shows them.
std::vector<std::string> InlinePictures(const std::shared_ptr<outlook::Item>& item) {
  std::vector<std::string> out;
  if (item->BodyFormat() != outlook::olFormatHTML) return out;
  std::wstring html = item->HTMLBody();
  size_t pos = 0;
  while ((pos = html.find(L"cid:", pos)) != std::wstring::npos) {
    pos += 4;
    size_t end = html.find_first_of(L"\"' >", pos);
    std::wstring cid = html.substr(pos, end - pos);
    for (const auto& a : *item->Attachments()) {
      auto v = a->Fields(outlook::PR_ATTACH_CONTENT_ID);
      if (auto text = std::get_if<std::wstring>(&v); text && *text == cid)
        out.emplace_back(a->Data().begin(), a->Data().end());
    }
  }
  return out;
}

// Folder by folder: "path|subject|lines|pictures".
void Describe(const std::shared_ptr<outlook::MAPIFolder>& folder, const std::wstring& path,
              Names& out, std::vector<std::vector<std::string>>& pictures) {
  std::vector<std::pair<std::wstring, std::shared_ptr<outlook::Item>>> items;
  for (const auto& item : folder->Items()->All()) items.emplace_back(item->Subject(), item);
  std::sort(items.begin(), items.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [subject, item] : items) {
    std::wstring text;
    for (const auto& line : Lines(item->Body())) text += line + L"/";
    out.push_back(path + L"|" + subject + L"|" + text);
    pictures.push_back(InlinePictures(item));
  }
  std::vector<std::shared_ptr<outlook::MAPIFolder>> subs = folder->Folders()->All();
  std::sort(subs.begin(), subs.end(),
            [](const auto& a, const auto& b) { return a->Name() < b->Name(); });
  for (const auto& sub : subs) Describe(sub, path + L"\\" + sub->Name(), out, pictures);
}

class RoundTripTest : public ImportExportTest {};

}  // namespace

TEST_F(RoundTripTest, ATreeOfTemplatesComesBackAsItWent) {
  using testpictures::BluePng;
  using testpictures::RedPng;
  auto source = AddFolder(templates, L"Source");
  AddPlain(source, L"Welcome",
           L"Hello J\u00FCrgen,\r\n\u0416\u0434\u0451\u043C \u0432\u0430\u0441 \u20AC 5");
  AddHtml(source, L"Offer",
          L"<html><head><style>p{}</style></head><body><p>Our offer &amp; more: \u00A9 \u4E2D</p>"
          L"<p><img src=\"cid:red@1\"> between <img src=\"cid:blue@1\"></p></body></html>",
          {{L"red.png", L"red@1", RedPng()}, {L"blue.png", L"blue@1", BluePng()}});
  auto letters = AddFolder(source, L"Letters");
  AddRtf(letters, L"Reminder", L"{\\rtf1\\ansi Please pay \\u1046?\\par Thanks}");
  AddHtml(AddFolder(letters, L"Deep"), L"Picture only",
          L"<html><body><p><img src=\"cid:only@1\"></p><p>Caption</p></body></html>",
          {{L"only.png", L"only@1", BluePng()}});
  AddFolder(source, L"Empty");

  EXPECT_EQ(Export(source, true, kConflictDuplicate), 4);
  auto restored = AddFolder(templates, L"Restored");
  EXPECT_EQ(DoImport(restored->EntryID(), L"C:\\Export", true, kConflictDuplicate, nullptr, 2), 4);

  Names before, after;
  std::vector<std::vector<std::string>> picturesBefore, picturesAfter;
  Describe(source, L"", before, picturesBefore);
  Describe(restored, L"", after, picturesAfter);
  EXPECT_EQ(after, before);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[0], L"|Offer|Our offer & more: \u00A9 \u4E2D/between/");
  EXPECT_EQ(after[1],
            L"|Welcome|Hello J\u00FCrgen,/\u0416\u0434\u0451\u043C \u0432\u0430\u0441 \u20AC 5/");
  EXPECT_EQ(after[2], L"\\Letters|Reminder|Please pay \u0416/Thanks/");
  EXPECT_EQ(picturesAfter, picturesBefore);
  ASSERT_EQ(picturesAfter.size(), 4u);
  EXPECT_EQ(picturesAfter[0], (std::vector<std::string>{RedPng(), BluePng()}));
  // The empty folder was not exported, so it does not come back.
  EXPECT_EQ(restored->Folders()->Count(), 1);
}

TEST_F(RoundTripTest, OutlooksEmptyLineComesBack) {
  auto source = AddFolder(templates, L"Source");
  AddHtml(source, L"Spaced",
          L"<html><body><p>One</p><p><o:p>&nbsp;</o:p></p><p>Two</p></body></html>");
  EXPECT_EQ(Export(source, false, kConflictDuplicate), 1);
  auto restored = AddFolder(templates, L"Restored");
  EXPECT_EQ(DoImport(restored->EntryID(), L"C:\\Export", false, kConflictDuplicate, nullptr, 2), 1);
  ASSERT_EQ(restored->Items()->Count(), 1);
  word::Content back = word::ReadHtml(restored->Items()->Item(1)->HTMLBody(), L"");
  ASSERT_EQ(back.paragraphs.size(), 3u);
  EXPECT_EQ(back.Text(), L"One\r\n \r\nTwo");
}

// Leading blanks, runs of blanks, tabs and empty lines wear away over no number of trips: the
// template out as a Word file and in again as HTML, five times over.
TEST_F(RoundTripTest, BlanksTabsAndEmptyLinesSurviveFiveRoundTrips) {
  const std::wstring text =
      L"Dear Kim,\r\n\r\n  two blanks first\r\n \tblank and tab\r\nName:      Value\r\n"
      L"\tindented\tand\t\ttabs\r\n   \r\n\t\r\n\r\nLast  \r\n";
  auto folder = AddFolder(templates, L"Trip0");
  AddPlain(folder, L"Spaced", text);
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, kConflictReplace, nullptr, 0), 1);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(DoImport(folder->EntryID(), L"C:\\Export", false, kConflictDuplicate, nullptr, 2), 1);
    auto item = folder->Items()->Item(1);
    ASSERT_EQ(item->BodyFormat(), outlook::olFormatHTML);
    EXPECT_EQ(item->Body(), text) << win32::ToAnsi(item->HTMLBody());
  }
}

// A non-breaking space typed as one stays one, and the blanks beside a picture stay as they
// were, over five trips out as a Word file and in again.
TEST_F(RoundTripTest, TypedNonBreakingSpacesAndBlanksBesidePicturesSurviveFiveRoundTrips) {
  auto folder = AddFolder(templates, L"Trip0");
  AddPlain(folder, L"Typed", L"Mr.\u00A0Smith and Mrs.\u00A0\u00A0Jones\r\n");
  AddHtml(folder, L"Pictures",
          L"<html><body><p>Left <img src=\"cid:red@1\"> right</p></body></html>",
          {{L"red.png", L"red@1", testpictures::RedPng()}});
  for (int trip = 1; trip <= 5; ++trip) {
    SCOPED_TRACE("round trip " + std::to_string(trip));
    ASSERT_EQ(Export(folder, false, kConflictReplace, nullptr, 0), 2);
    folder = AddFolder(templates, L"Trip" + std::to_wstring(trip));
    ASSERT_EQ(DoImport(folder->EntryID(), L"C:\\Export", false, kConflictDuplicate, nullptr, 2), 2);
    for (int k = 1; k <= 2; ++k) {
      auto item = folder->Items()->Item(k);
      if (item->Subject() == L"Typed") {
        EXPECT_NE(item->Body().find(L"Mr.\u00A0Smith and Mrs.\u00A0\u00A0Jones"),
                  std::wstring::npos)
            << win32::ToAnsi(item->HTMLBody());
      } else {
        std::wstring html = item->HTMLBody();
        EXPECT_NE(html.find(L"Left <img"), std::wstring::npos) << win32::ToAnsi(html);
        EXPECT_NE(html.find(L"> right"), std::wstring::npos) << win32::ToAnsi(html);
      }
    }
  }
}
