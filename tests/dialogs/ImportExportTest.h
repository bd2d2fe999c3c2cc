// A profile with templates, a sandboxed disk, the in-memory Word and a progress form, for
// tests of the export and import of templates.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "dialogs/CWordWrapper.h"
#include "dialogs/mImportExportWordDocs.h"
#include "platform/addin/AttachmentDisk.h"
#include "platform/forms/Controls.h"
#include "platform/outlook/Files.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Environment.h"
#include "platform/word/Word.h"
#include "tests/common/Pictures.h"
#include "tests/dialogs/DialogTest.h"

// The progress part of a dialog; a test cancels it from a pending window message (a timer).
struct FakeProgress : IProgressForm {
  std::shared_ptr<forms::ProgressBar> bar = std::make_shared<forms::ProgressBar>();
  std::shared_ptr<forms::Label> label = std::make_shared<forms::Label>();
  std::vector<std::wstring> captions;
  bool cancelled = false;
  int32_t polls = 0;
  std::shared_ptr<forms::ProgressBar> ctlProgress() override { return bar; }
  std::shared_ptr<forms::Label> lblProgress() override { return label; }
  // The engine asks after every unit: the caption it wrote for that unit is kept.
  bool IsCancelled() override {
    captions.push_back(label->Caption());
    ++polls;
    return cancelled;
  }
};

// A word processor in the converter's place: a document becomes the HTML (and picture files)
// the test gives it, and RTF becomes a "document" of the RTF's bytes after a mark. What it
// was asked is kept.
struct FakeConverter : word::Converter {
  std::string html;                                        // what ToHtml writes as "<stem>.html"
  std::vector<std::pair<std::string, std::string>> files;  // more files: relative path, bytes
  std::vector<std::string> read, written;                  // the host paths asked about
  std::vector<std::string> outFolders;                     // where ToHtml was told to write
  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override {
    read.push_back(document);
    outFolders.push_back(outFolder);
    std::filesystem::path out = std::filesystem::path(outFolder) /
                                (std::filesystem::path(document).stem().string() + ".html");
    std::ofstream(out, std::ios::binary) << html;
    for (const auto& [rel, bytes] : files) {
      std::filesystem::path file = std::filesystem::path(outFolder) / rel;
      std::filesystem::create_directories(file.parent_path());
      std::ofstream(file, std::ios::binary) << bytes;
    }
    return out.string();
  }
  bool ToDoc(const std::string& rtf, const std::string& document) override {
    written.push_back(rtf);
    std::ifstream in(rtf, std::ios::binary);
    std::ofstream(document, std::ios::binary)
        << "DOC:" << std::string(std::istreambuf_iterator<char>(in), {});
    return true;
  }
};

class ImportExportTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    word::Install();
    addinhost::BindAttachmentsToDisk();
    win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) -> int {
      if ((box.style & 0xF) == 0) return vb::vbOK;
      throw win32::UnscriptedPrompt("message box: " + win32::ToAnsi(box.text));
    });
    ASSERT_TRUE(win32::CreateDirectoryA("C:\\Export", nullptr));
  }
  void TearDown() override {
    outlook::files::Bind(nullptr, nullptr);
    DialogTest::TearDown();
  }

  std::shared_ptr<outlook::Item> AddPlain(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                          const std::wstring& subject, const std::wstring& body) {
    auto item = AddTemplate(folder, subject);
    item->SetBodyFormat(outlook::olFormatPlain);
    item->SetBody(body);
    item->Save();
    return item;
  }

  struct InlinePicture {
    std::wstring fileName, cid;
    std::string bytes;
  };

  std::shared_ptr<outlook::Item> AddHtml(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                         const std::wstring& subject, const std::wstring& html,
                                         const std::vector<InlinePicture>& pictures = {}) {
    auto item = AddTemplate(folder, subject);
    item->SetHTMLBody(html);
    for (const auto& pic : pictures) {
      auto a = item->Attachments()->AddData(
          pic.fileName, std::vector<uint8_t>(pic.bytes.begin(), pic.bytes.end()));
      if (!pic.cid.empty()) a->SetFields(outlook::PR_ATTACH_CONTENT_ID, pic.cid);
    }
    item->Save();
    return item;
  }

  std::shared_ptr<outlook::Item> AddRtf(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                        const std::wstring& subject, const std::wstring& rtf) {
    auto item = AddTemplate(folder, subject);
    item->SetRTFBody(rtf);
    item->Save();
    return item;
  }

  int32_t Export(const std::shared_ptr<outlook::MAPIFolder>& folder, bool subfolders = true,
                 int32_t conflict = 0, IProgressForm* progress = nullptr, int32_t format = 1,
                 const std::wstring& target = L"C:\\Export") {
    return mImportExportWordDocs::DoExport(folder->EntryID(), target, subfolders, conflict,
                                           progress, format);
  }

  static bool Exists(const std::wstring& path) {
    return scripting::FileSystemObject().FileExists(path);
  }
  static bool FolderExists(const std::wstring& path) {
    return scripting::FileSystemObject().FolderExists(path);
  }
  // The document a word processor would show for the file.
  static word::Content Document(const std::wstring& path) {
    auto bytes = win32::files::ReadAll(win32::ToAnsi(path));
    EXPECT_TRUE(bytes.has_value()) << win32::ToAnsi(path);
    return bytes ? word::ReadRtf(*bytes) : word::Content{};
  }
  // Names in the folder, in listing order.
  static std::vector<std::wstring> Listing(const std::wstring& path) {
    std::vector<std::wstring> names;
    scripting::FileSystemObject fso;
    if (!fso.FolderExists(path)) return names;
    auto folder = fso.GetFolder(path);
    for (const auto& f : folder->SubFolders()->All()) names.push_back(f->Name() + L"\\");
    for (const auto& f : folder->Files()) names.push_back(f->Name());
    return names;
  }
  static std::vector<std::wstring> TempListing() { return Listing(L"C:\\Temp"); }

  // Ways a document cannot be read, as users meet them.
  static void NobodyMayRead(const std::string& path) {
    auto host = win32::files::HostPath(path);
    ASSERT_TRUE(host.has_value()) << path;
    std::filesystem::permissions(*host, std::filesystem::perms::none);
  }
  static void LinkToNothing(const std::string& path) {
    auto host = win32::files::HostPath(path);
    ASSERT_TRUE(host.has_value()) << path;
    std::filesystem::remove(*host);
    std::filesystem::create_symlink(host->parent_path() / "gone.doc", *host);
  }

  // Under each conflict rule, `folder` holds the template "Offer" and C:\Import a readable
  // document "Offer.doc" that `spoil` then makes unreadable: the template stays as it was with
  // nothing made beside it, and the document fails by name (Leave never reads it: it is left).
  void ExpectUnreadableDocumentLeavesTheTemplate(
      const std::shared_ptr<outlook::MAPIFolder>& folder,
      const std::function<void(const std::string&)>& spoil) {
    namespace io = mImportExportWordDocs;
    word::Content doc;
    doc.AddText(L"new text");
    for (int32_t rule : {io::kConflictReplace, io::kConflictDuplicate, io::kConflictLeave}) {
      SCOPED_TRACE("conflict rule " + std::to_string(rule));
      for (const auto& item : folder->Items()->All()) item->Delete();
      auto old = AddTemplate(folder, L"Offer");
      old->SetBodyFormat(outlook::olFormatPlain);
      old->SetBody(L"the user's text");
      old->Save();
      const std::wstring oldId = old->EntryID();
      old.reset();
      if (FolderExists(L"C:\\Import"))
        scripting::FileSystemObject().DeleteFolder(L"C:\\Import", true);
      ASSERT_TRUE(win32::files::WriteAll("C:\\Import\\Offer.doc", word::WriteRtf(doc)));
      spoil("C:\\Import\\Offer.doc");
      const size_t logged = support::library::Log().size();
      EXPECT_EQ(io::DoImport(folder->EntryID(), L"C:\\Import", false, rule, nullptr, 2), 0);
      ASSERT_EQ(folder->Items()->Count(), 1);
      auto kept = folder->Items()->Item(1);
      EXPECT_EQ(kept->EntryID(), oldId);
      EXPECT_EQ(kept->Subject(), L"Offer");
      EXPECT_EQ(kept->Body(), L"the user's text");
      EXPECT_EQ(io::LastRun().nDone, 0);
      if (rule == io::kConflictLeave) {
        EXPECT_EQ(io::LastRun().nSkipped, 1);
        continue;
      }
      EXPECT_EQ(io::LastRun().nFailed, 1);
      bool named = false;
      const auto& log = support::library::Log();
      for (size_t i = logged; i < log.size(); ++i)
        named = named || (log[i].procedure == L"CWordWrapper::DocumentOpen" &&
                          log[i].text.find(L"C:\\Import\\Offer.doc") != std::wstring::npos);
      EXPECT_TRUE(named) << "the document's failure is not logged by name";
      EXPECT_TRUE(TempListing().empty());
    }
  }
};
