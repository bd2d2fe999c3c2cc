// The sample templates: the subtree they make on a new templates folder, what a second run
// leaves alone, and the stored pages compared with tests/data/engine/standard_templates.txt
// (TV_UPDATE_GOLDEN=1 rewrites that file from the current samples).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineTest.h"
#include "engine/mStandardTemplates.h"
#include "engine/mTanvelo.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "tests/common/Source.h"

using namespace mStandardTemplates;

namespace {

const wchar_t* const kFolders[] = {L"Forward templates", L"New Message Templates",
                                   L"Quote templates", L"Reply Templates"};

class Samples : public EngineTest {
 protected:
  std::shared_ptr<outlook::MAPIFolder> Folder(const std::wstring& name) {
    return templates->Folders()->Item(L"Standard Templates")->Folders()->Item(name);
  }
  std::vector<std::wstring> Subjects(const std::wstring& folder) {
    std::vector<std::wstring> subjects;
    for (const auto& item : Folder(folder)->Items()->All()) subjects.push_back(item->Subject());
    return subjects;
  }
  std::shared_ptr<outlook::Item> Sample(const std::wstring& folder, const std::wstring& subject) {
    for (const auto& item : Folder(folder)->Items()->All())
      if (item->Subject() == subject) return item;
    return nullptr;
  }
  // Every sample as the golden file holds it: folder, subject, version, then the page.
  std::string Dump() {
    std::wstring out;
    for (const wchar_t* folder : kFolders) {
      for (const auto& item : Folder(folder)->Items()->All()) {
        out += L"=== " + std::wstring(folder) + L" / " + item->Subject() + L" (version " +
               item->BillingInformation() + L")\n";
        std::wstring page = item->HTMLBody();
        for (size_t at; (at = page.find(L"\r\n")) != std::wstring::npos;)
          page.replace(at, 2, L"\n");
        out += page + L"\n";
      }
    }
    return win32::WideToMultiByte(win32::CP_UTF8, out);
  }
};

std::filesystem::path GoldenPath() {
  return testsource::SourceDir() / "tests/data/engine/standard_templates.txt";
}

}  // namespace

TEST_F(Samples, NewFolderGetsAllThirtyOneInOrder) {
  CreateStandardTemplates(true);
  EXPECT_EQ((std::vector<std::wstring>{L"custom forward", L"forward with comments",
                                       L"interesting news to share"}),
            Subjects(L"Forward templates"));
  EXPECT_EQ(15u, Subjects(L"New Message Templates").size());
  EXPECT_EQ((std::vector<std::wstring>{L"bank account information", L"directions to the office"}),
            Subjects(L"Quote templates"));
  auto replies = Subjects(L"Reply Templates");
  ASSERT_EQ(11u, replies.size());
  EXPECT_EQ(L"new products & services information", replies[5]);
  EXPECT_EQ(L"unsubscibe me", replies[9]);

  for (const wchar_t* folder : kFolders) {
    for (const auto& item : Folder(folder)->Items()->All()) {
      EXPECT_TRUE(mTanvelo::IsTemplateItem(item));
      EXPECT_EQ(L"0", item->BillingInformation());
      EXPECT_EQ(0, item->UserProperties()->Count());
      const std::wstring page = item->HTMLBody();
      EXPECT_EQ(0u, page.find(L"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
                              L"\r\n<HTML><HEAD><TITLE></TITLE>\r\n"));
      EXPECT_EQ(page.size() - 16, page.rfind(L"</BODY>\r\n</HTML>"));
      // Only the two field tokens, each in italics.
      for (size_t at = page.find(L'%'); at != std::wstring::npos; at = page.find(L'%', at + 1)) {
        bool known =
            page.compare(at, 10, L"%FullName%") == 0 || page.compare(at, 8, L"%MyName%") == 0;
        ASSERT_TRUE(known) << item->Subject();
        EXPECT_EQ(0, page.compare(at - 4, 4, L"<EM>")) << item->Subject();
        at = page.find(L'%', at + 1);
      }
    }
  }
  EXPECT_EQ(Sample(L"New Message Templates", L"thank you for the referral")->HTMLBody(),
            Sample(L"Reply Templates", L"thank you for your referral!")->HTMLBody());
}

TEST_F(Samples, PagesMatchTheGoldenFile) {
  CreateStandardTemplates(false);
  std::string dump = Dump();
  if (std::getenv("TV_UPDATE_GOLDEN")) {
    std::ofstream(GoldenPath(), std::ios::binary) << dump;
    GTEST_SKIP() << "golden file rewritten";
  }
  std::ifstream in(GoldenPath(), std::ios::binary);
  ASSERT_TRUE(in) << GoldenPath();
  std::stringstream golden;
  golden << in.rdbuf();
  EXPECT_EQ(golden.str(), dump);
}

TEST_F(Samples, SecondRunKeepsWhatIsThere) {
  CreateStandardTemplates(false);
  auto event = Sample(L"New Message Templates", L"company event");
  auto eventId = event->EntryID();
  event->SetHTMLBody(L"<p>edited</p>");
  event->Save();
  Sample(L"Quote templates", L"bank account information")->Delete();

  CreateStandardTemplates(false);  // existing folders are left alone, deleted samples too
  EXPECT_EQ(1u, Subjects(L"Quote templates").size());

  auto cancelled = Sample(L"Reply Templates", L"inquiry response");
  cancelled->SetBillingInformation(L"-1");
  cancelled->Save();
  auto oldId = cancelled->EntryID();
  CreateStandardTemplates(true);  // forced: missing and outdated samples are made again
  EXPECT_EQ(2u, Subjects(L"Quote templates").size());
  EXPECT_EQ(L"<p>edited</p>", Sample(L"New Message Templates", L"company event")->HTMLBody());
  EXPECT_EQ(eventId, Sample(L"New Message Templates", L"company event")->EntryID());
  auto fresh = Sample(L"Reply Templates", L"inquiry response");
  EXPECT_NE(oldId, fresh->EntryID());
  EXPECT_EQ(L"0", fresh->BillingInformation());
  EXPECT_EQ(11u, Subjects(L"Reply Templates").size());
}

TEST_F(Samples, ANewFolderIsFilledEvenWithoutForce) {
  CreateStandardTemplates(false);
  auto quotes = Folder(L"Quote templates");
  for (const auto& item : quotes->Items()->All()) item->Delete();
  quotes->Delete();
  CreateStandardTemplates(false);
  EXPECT_EQ(2u, Subjects(L"Quote templates").size());
}

TEST_F(Samples, UpdateTemplateByVersion) {
  auto folder = templates->Folders()->Add(L"Versions");
  UpdateTemplate(folder, L"it's mine", L"<P>one</P>", 3);
  auto first = folder->Items()->Item(1);
  EXPECT_EQ(L"3", first->BillingInformation());
  auto firstId = first->EntryID();
  UpdateTemplate(folder, L"it's mine", L"<P>two</P>", 3);  // not newer: kept
  EXPECT_EQ(firstId, folder->Items()->Item(1)->EntryID());
  UpdateTemplate(folder, L"it's mine", L"<P>three</P>", 4);
  ASSERT_EQ(1, folder->Items()->Count());
  EXPECT_EQ(L"4", folder->Items()->Item(1)->BillingInformation());
  EXPECT_NE(std::wstring::npos, folder->Items()->Item(1)->HTMLBody().find(L"three"));
  EXPECT_FALSE(Logged(L"mStandardTemplates::UpdateTemplate"));

  UpdateTemplate(nullptr, L"x", L"<P>x</P>", 0);
  EXPECT_TRUE(Logged(L"mStandardTemplates::UpdateTemplate"));
}

// A newer sample replaces the older one also under a run of refusals: never both in the folder
// untold, never the new one left in Drafts.
TEST_F(Samples, AnUpdateUnderARunOfRefusalsLeavesOneSampleOrTellsWhy) {
  auto folder = templates->Folders()->Add(L"Versions");
  auto update = [&](const win32::faults::Plan& plan) {
    for (const auto& item : folder->Items()->All()) item->Delete();
    UpdateTemplate(folder, L"Offer", L"<P>one</P>", 1);
    win32::faults::Start(plan);
    UpdateTemplate(folder, L"Offer", L"<P>two</P>", 2);
    win32::faults::Stop();
  };
  update({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_GT(calls, 3u);
  for (uint64_t span : {1u, 2u, 3u, 8u})
    for (uint64_t at = 1; at <= calls; ++at) {
      const size_t before = support::library::Log().size();
      update({.at = at, .span = span});
      bool told = false;
      for (size_t i = before; i < support::library::Log().size(); ++i)
        told =
            told || support::library::Log()[i].procedure == L"mStandardTemplates::UpdateTemplate";
      EXPECT_TRUE(folder->Items()->Count() == 1 || told) << span << " calls from " << at;
      EXPECT_EQ(0, p.drafts->Items()->Count()) << span << " calls from " << at;
    }
}

// Outlook busy a moment while the samples are made loses none of them; refused for good, each
// missing one is named in the log.
TEST_F(Samples, NoSampleIsLostToARefusalAndOneLostForGoodIsNamed) {
  auto child = [](const std::shared_ptr<outlook::MAPIFolder>& parent, const std::wstring& name) {
    std::shared_ptr<outlook::MAPIFolder> found;
    if (parent) vb::Catch([&] { found = parent->Folders()->Item(name); });
    vb::Err().Clear();
    return found;
  };
  auto build = [&](const win32::faults::Plan& plan) {
    if (auto standard = child(templates, L"Standard Templates")) {
      for (const wchar_t* name : kFolders)
        if (auto folder = child(standard, name)) {
          for (const auto& item : folder->Items()->All()) item->Delete();
          folder->Delete();
        }
      standard->Delete();
    }
    win32::faults::Start(plan);
    vb::Catch([] { CreateStandardTemplates(false); });
    win32::faults::Stop();
    vb::Err().Clear();
  };
  build({.countOnly = true});
  const uint64_t calls = win32::faults::Counts().calls;
  const std::string clean = Dump();
  ASSERT_GT(calls, 31u);
  for (uint64_t at = 1; at <= calls; ++at) {
    build({.at = at, .span = uint64_t{kHeldTries} - 1});
    std::string now = "a folder is missing";
    vb::Catch([&] { now = Dump(); });
    vb::Err().Clear();
    EXPECT_TRUE(clean == now) << kHeldTries - 1 << " calls from " << at << " refused";
  }
  EXPECT_FALSE(Logged(L"mStandardTemplates::UpdateTemplate"));
  for (uint64_t at = 1; at <= calls; at += 3) {
    const size_t before = support::library::Log().size();
    build({.at = at, .span = uint64_t{kHeldTries} + 1});
    auto told = [&](const std::wstring& subject) {
      for (size_t i = before; i < support::library::Log().size(); ++i) {
        const auto& e = support::library::Log()[i];
        if (e.level == kLevelError && e.text.find(L"\"") != std::wstring::npos &&
            e.text.find(subject) != std::wstring::npos)
          return true;
      }
      return false;
    };
    auto standard = child(templates, L"Standard Templates");
    for (const auto& sample : StandardTemplateList()) {
      auto folder = child(standard, sample.folder);
      bool made = false;
      if (folder) {
        for (const auto& item : folder->Items()->All())
          made = made || item->Subject() == sample.subject;
      }
      // A folder that could not be made ends the build, told by the set-up that called it.
      if (folder) {
        EXPECT_TRUE(made || told(sample.subject)) << sample.subject << ", from " << at;
      }
    }
  }
}

TEST_F(Samples, FoldersAreFoundOrMade) {
  bool created = false;
  auto made = GetOrCreateFolder(templates, L"Standard Templates", created);
  EXPECT_TRUE(created);
  EXPECT_EQ(made, GetOrCreateFolder(templates, L"standard templates", created));
  EXPECT_FALSE(created);
  g_oTemplatesFolder.reset();
  EXPECT_FALSE(vb::Catch([] { CreateStandardTemplates(true); }));  // goes to the caller
}
