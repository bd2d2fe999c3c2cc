// The profile kept on disk: what a user made comes back in the next run exactly (folders,
// EntryIDs the options point at, bodies, attachments with their inline marks, user properties,
// the registry); files it cannot read are reported with their path and left untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/CWinReg.h"
#include "host/ProfileStore.h"
#include "host/ScriptReader.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"

namespace {

class ProfileStoreTest : public testing::Test {
 protected:
  void SetUp() override { dir = sandbox.Path() / "profile"; }
  static std::string Bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A new process: the platform as new, the demo profile built again.
  static outlook::Profile NewRun() {
    win32::ResetPlatform();
    return outlook::BuildProfile();
  }
  win32::files::TempSandbox sandbox;
  std::filesystem::path dir;
};

std::shared_ptr<outlook::Item> Find(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                    const std::wstring& subject) {
  for (int32_t i = 1; i <= folder->Items()->Count(); ++i)
    if (folder->Items()->Item(i)->Subject() == subject) return folder->Items()->Item(i);
  return nullptr;
}

TEST_F(ProfileStoreTest, WhatTheUserMadeComesBackInTheNextRun) {
  std::wstring templateId, folderId;
  {
    auto p = NewRun();
    host::ProfileStore store(dir);
    ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
    EXPECT_FALSE(store.HasProfile());
    ASSERT_TRUE(store.Load(p));  // a new folder keeps the demo profile
    auto sales = p.root->Folders()->Add(L"Tanvelo Templates")->Folders()->Add(L"Sales");
    folderId = sales->EntryID();
    auto tmpl = sales->Items()->Add(outlook::olMailItem);
    tmpl->SetSubject(L"Price list \u20AC");
    tmpl->SetBodyFormat(outlook::olFormatHTML);
    tmpl->SetHTMLBody(L"<html><body>Dear %FirstName%<img src=\"cid:logo\"></body></html>");
    auto pic = tmpl->Attachments()->AddData(L"logo.png", {1, 2, 3, 0, 255});
    pic->SetFields(outlook::PR_ATTACH_CONTENT_ID, std::wstring(L"logo"));
    tmpl->Recipients()->Add(L"Kim Roe")->SetType(outlook::olCC);
    tmpl->UserProperties()->Add(L"Norvane.Tanvelo.SendMode")->SetValue(L"2");
    tmpl->SetMileage(L"1");
    tmpl->Save();
    templateId = tmpl->EntryID();
    p.plainMail->Delete();
    CWinReg key;
    ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo", true));
    key.SetStringValue(L"DefaultTemplateID", templateId);
    key.CloseKey();
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error)) << host::Utf8(error);
  }
  auto p = NewRun();
  host::ProfileStore store(dir);
  ASSERT_TRUE(store.Ok()) << host::Utf8(store.Error());
  EXPECT_TRUE(store.HasProfile());
  ASSERT_TRUE(store.Load(p)) << host::Utf8(store.Error());
  auto sales = p.session->GetFolderFromID(folderId);
  ASSERT_TRUE(sales);
  EXPECT_EQ(L"Tanvelo Templates", sales->ParentFolder()->Name());
  auto tmpl = p.session->GetItemFromID(templateId);
  ASSERT_TRUE(tmpl);
  EXPECT_EQ(L"Price list \u20AC", tmpl->Subject());
  EXPECT_EQ(outlook::olFormatHTML, tmpl->BodyFormat());
  EXPECT_NE(std::wstring::npos, tmpl->HTMLBody().find(L"Dear %FirstName%"));
  ASSERT_EQ(1, tmpl->Attachments()->Count());
  auto pic = tmpl->Attachments()->Item(1);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 0, 255}), pic->Data());
  EXPECT_EQ(outlook::PropValue(std::wstring(L"logo")), pic->Fields(outlook::PR_ATTACH_CONTENT_ID));
  EXPECT_EQ(L"Kim Roe", tmpl->CC());
  ASSERT_TRUE(tmpl->UserProperties()->Find(L"Norvane.Tanvelo.SendMode"));
  EXPECT_EQ(L"2", tmpl->UserProperties()->Find(L"Norvane.Tanvelo.SendMode")->Value());
  EXPECT_EQ(L"1", tmpl->Mileage());
  EXPECT_TRUE(tmpl->Saved());
  EXPECT_FALSE(tmpl->Sent());
  EXPECT_FALSE(Find(p.inbox, p.plainMail->Subject()));
  // The deleted mail stays deleted; the received ones keep their senders.
  EXPECT_TRUE(Find(p.inbox, p.htmlMail->Subject()));
  EXPECT_EQ(p.htmlMail->SenderName(), Find(p.inbox, p.htmlMail->Subject())->SenderName());
  CWinReg key;
  ASSERT_TRUE(key.InitForRead(CWinReg::HKEY_CURRENT_USER, L"Software\\Norvane\\Tanvelo"));
  EXPECT_EQ(templateId, key.GetStringValue(L"DefaultTemplateID"));
  key.CloseKey();
  // A new item of this run gets an EntryID no saved item has.
  auto fresh = p.inbox->Items()->Add(outlook::olMailItem);
  fresh->Save();
  EXPECT_NE(templateId, fresh->EntryID());
  EXPECT_EQ(tmpl, p.session->GetItemFromID(templateId));
}

TEST_F(ProfileStoreTest, SavingAgainReplacesTheProfileAndAnotherReaderSeesEachSavedState) {
  auto p = NewRun();
  host::ProfileStore store(dir);
  std::wstring error;
  ASSERT_TRUE(store.Save(p, error));
  auto extra = p.inbox->Items()->Add(outlook::olMailItem);
  extra->SetSubject(L"Second save");
  extra->Save();
  ASSERT_TRUE(store.Save(p, error));
  ASSERT_TRUE(store.Save(p, error));  // no duplicate from saving twice
  // Stopped here: another run reads what the last save committed.
  int32_t count = p.inbox->Items()->Count();
  auto next = NewRun();
  host::ProfileStore reader(dir);
  ASSERT_TRUE(reader.Load(next)) << host::Utf8(reader.Error());
  EXPECT_EQ(count, next.inbox->Items()->Count());
  EXPECT_TRUE(Find(next.inbox, L"Second save"));
  EXPECT_FALSE(std::filesystem::exists(dir / "registry.hive.new"));
}

TEST_F(ProfileStoreTest, FilesItCannotReadAreReportedWithTheirPathAndLeftUntouched) {
  std::filesystem::create_directories(dir);
  { std::ofstream(dir / "store.sqlite", std::ios::binary) << "these are not the droids"; }
  std::string before = Bytes(dir / "store.sqlite");
  {
    host::ProfileStore store(dir);
    EXPECT_FALSE(store.Ok());
    EXPECT_NE(std::wstring::npos,
              store.Error().find(host::FromUtf8((dir / "store.sqlite").string())));
    auto p = NewRun();
    EXPECT_FALSE(store.Load(p));
    std::wstring error;
    EXPECT_FALSE(store.Save(p, error));
  }
  EXPECT_EQ(before, Bytes(dir / "store.sqlite"));

  // A good store beside a registry file that is no hive.
  auto other = sandbox.Path() / "other";
  {
    auto p = NewRun();
    host::ProfileStore store(other);
    std::wstring error;
    ASSERT_TRUE(store.Save(p, error));
  }
  { std::ofstream(other / "registry.hive", std::ios::binary) << "garbage\n"; }
  auto p = NewRun();
  host::ProfileStore store(other);
  EXPECT_FALSE(store.Load(p));
  EXPECT_NE(std::wstring::npos, store.Error().find(L"registry.hive"));
  EXPECT_EQ("garbage\n", Bytes(other / "registry.hive"));
}

}  // namespace
