// Redemption over the same item data as the object model.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/SafeInspector.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Faults.h"

using namespace outlook;
using namespace redemption;

namespace {

class Redemption : public testing::Test {
 protected:
  void SetUp() override { Install(); }
  Profile p = BuildProfile();
};

TEST_F(Redemption, WhatOneSideWritesTheOtherReads) {
  auto safe = vb::CreateObject<SafeMailItem>(L"Redemption.SafeMailItem");
  safe->SetItem(p.plainMail);
  // Object model to Redemption.
  p.plainMail->SetMileage(L"1");
  uint32_t mileage = safe->GetIDsFromNames(PSETID_Common, kLidMileage) | PT_STRING8;
  EXPECT_EQ(safe->Fields(mileage), PropValue(std::wstring(L"1")));
  p.plainMail->UserProperties()->Add(L"Norvane.Tanvelo.SendMode")->SetValue(L"2");
  uint32_t sendMode =
      safe->GetIDsFromNames(PS_PUBLIC_STRINGS, L"Norvane.Tanvelo.SendMode") | PT_STRING8;
  EXPECT_EQ(safe->Fields(sendMode), PropValue(std::wstring(L"2")));
  // Redemption to the object model.
  safe->SetFields(PR_FLAG_STATUS, 2);
  EXPECT_EQ(p.plainMail->FlagStatus(), 2);
  safe->SetFields(sendMode, std::wstring(L"1"));
  EXPECT_EQ(p.plainMail->UserProperties()->Find(L"norvane.tanvelo.sendmode")->Value(), L"1");
  safe->SetRTFBody(L"{\\rtf1 Made in RTF\\par}");
  EXPECT_EQ(p.plainMail->BodyFormat(), olFormatRichText);
  EXPECT_EQ(p.plainMail->Body(), L"Made in RTF\r\n");
  // A name never used is not created unless asked.
  EXPECT_EQ(safe->GetIDsFromNames(PSETID_Common, 0x8582), 0u);
  EXPECT_NE(safe->GetIDsFromNames(PSETID_Common, 0x8582, true), 0u);
  // Guarded members read without prompts; a plain item has no stored HTML.
  safe->SetItem(p.rtfMail);
  EXPECT_EQ(safe->SenderName(), L"Stranger");
  EXPECT_EQ(safe->HTMLBody(), L"");
  EXPECT_EQ(safe->Fields(PR_ENTRYID), PropValue(BytesOfHex(p.rtfMail->EntryID())));
  safe->SetItem(nullptr);
  EXPECT_THROW(safe->Subject(), vb::Error);
}

// A row holds any number of columns in their order, a column asked for twice included, and
// keeps them all when the item is written afterwards.
TEST_F(Redemption, ARowOfManyColumnsKeepsEveryValueInItsPlace) {
  auto folder = p.inbox->Folders()->Add(L"Wide rows");
  auto mail = folder->Items()->Add(olMailItem);
  mail->SetSubject(L"Wide");
  mail->Save();
  std::vector<uint32_t> columns;
  for (uint32_t id = 0x6800; id < 0x6810; ++id) {
    mail->SetProp(id << 16 | PT_LONG, static_cast<int32_t>(id));
    columns.push_back(id << 16 | PT_LONG);
  }
  mail->Save();
  columns.push_back(PR_SUBJECT);
  columns.push_back(0x6803u << 16 | PT_LONG);
  MAPITable table;
  table.SetItem(folder->Items());
  table.SetColumns(columns);
  table.GoToFirst();
  auto row = table.GetRow();
  ASSERT_TRUE(row);
  ASSERT_EQ(row->size(), columns.size());
  for (mail->SetSubject(L"Written after"); uint32_t id : {0x6800u, 0x680Bu, 0x680Cu, 0x680Fu})
    EXPECT_EQ((*row)[id - 0x6800], PropValue(static_cast<int32_t>(id)));
  EXPECT_EQ((*row)[16], PropValue(std::wstring(L"Wide")));
  EXPECT_EQ((*row)[17], PropValue(int32_t{0x6803}));
  EXPECT_FALSE(table.GetRow());
}

// A table reads the store: each item as last saved, never a change its holder has not saved.
TEST_F(Redemption, ATableReadsWhatWasSavedNotAChangeStillHeld) {
  auto mail = p.inbox->Items()->Add(olMailItem);
  mail->SetSubject(L"Saved");
  mail->Save();
  mail->SetSubject(L"Unsaved");
  MAPITable table;
  table.SetItem(p.inbox->Items());
  table.SetColumns({PR_SUBJECT});
  std::vector<std::wstring> subjects;
  while (auto row = table.GetRow()) subjects.push_back(std::get<std::wstring>((*row)[0]));
  EXPECT_NE(subjects.end(), std::find(subjects.begin(), subjects.end(), L"Saved"));
  EXPECT_EQ(subjects.end(), std::find(subjects.begin(), subjects.end(), L"Unsaved"));
}

// A display column of nobody is an empty text, not a missing value, and a row keeps it when
// the item is addressed later.
TEST_F(Redemption, DisplayColumnsOfNobodyReadAsEmptyText) {
  auto folder = p.inbox->Folders()->Add(L"Drafts of nobody");
  auto mail = folder->Items()->Add(olMailItem);
  mail->Save();
  MAPITable table;
  table.SetItem(folder->Items());
  table.SetColumns({PR_DISPLAY_TO, PR_DISPLAY_BCC});
  table.GoToFirst();
  auto before = table.GetRow();
  ASSERT_TRUE(before);
  EXPECT_EQ((*before)[0], PropValue(std::wstring()));
  EXPECT_EQ((*before)[1], PropValue(std::wstring()));
  mail->Recipients()->Add(L"Kim Lo")->SetType(olBCC);
  mail->Save();
  table.GoToFirst();
  auto after = table.GetRow();
  ASSERT_TRUE(after);
  EXPECT_EQ((*after)[0], PropValue(std::wstring()));
  EXPECT_EQ((*after)[1], PropValue(std::wstring(L"Kim Lo")));
  EXPECT_EQ((*before)[1], PropValue(std::wstring()));
}

TEST_F(Redemption, MAPIUtilsAndTheTableReadWhatTheItemsHold) {
  MAPIUtils utils;
  EXPECT_EQ(utils.HrArrayToString(p.htmlMail->GetProp(PR_ENTRYID)), p.htmlMail->EntryID());
  EXPECT_THROW(utils.HrGetOneProp(p.htmlMail, PR_FLAG_STATUS), vb::Error);
  // A MAPI save goes past the object model: no Write for the add-in to hear or cancel.
  int writes = 0;
  auto sub = p.htmlMail->Events().Write.Subscribe([&](bool& cancel) {
    ++writes;
    cancel = true;
  });
  p.htmlMail->SetSubject(L"Changed");
  utils.HrSetOneProp(p.htmlMail, PR_MESSAGE_DELIVERY_TIME, 40000.5, true);
  EXPECT_EQ(p.htmlMail->ReceivedTime(), 40000.5);
  EXPECT_EQ(writes, 0);
  EXPECT_TRUE(p.htmlMail->Saved());

  MAPITable table;
  table.SetItem(p.inbox->Items()->Restrict(L"[MessageClass] = 'IPM.Note'"));
  table.SetColumns(
      {PR_ENTRYID, PR_SUBJECT, PR_FLAG_STATUS, PR_DISPLAY_TO, PR_DISPLAY_CC, PR_MESSAGE_FLAGS});
  table.GoToFirst();
  auto row = table.GetRow();
  ASSERT_TRUE(row);
  EXPECT_EQ(utils.HrArrayToString((*row)[0]), p.plainMail->EntryID());
  EXPECT_EQ((*row)[1], PropValue(std::wstring(L"Quarterly figures")));
  EXPECT_EQ((*row)[2], PropValue{});  // missing: empty, not an error
  EXPECT_EQ((*row)[3], PropValue(std::wstring(L"Pat Doe")));
  EXPECT_EQ((*row)[4], PropValue(std::wstring(L"Lee Ann")));
  EXPECT_EQ(std::get<int32_t>((*row)[5]) & MSGFLAG_UNSENT, 0);
  // A row keeps the values it was read with: a later write to the item shows in the next walk.
  p.plainMail->SetSubject(L"Renamed");
  p.plainMail->Save();
  EXPECT_EQ((*row)[1], PropValue(std::wstring(L"Quarterly figures")));
  EXPECT_EQ(utils.HrArrayToString((*row)[0]), p.plainMail->EntryID());
  {
    MAPITable again;
    again.SetItem(p.inbox->Items()->Restrict(L"[MessageClass] = 'IPM.Note'"));
    again.SetColumns({PR_SUBJECT, (PR_SUBJECT & 0xFFFF0000u) | PT_LONG});
    again.GoToFirst();
    auto fresh = again.GetRow();
    ASSERT_TRUE(fresh);
    EXPECT_EQ((*fresh)[0], PropValue(std::wstring(L"Renamed")));
    EXPECT_EQ((*fresh)[1], PropValue{});  // a text asked for as a number
    // A text the item does not hold is as empty as a number it does not hold, row after row.
    MAPITable missing;
    missing.SetItem(p.inbox->Items()->Restrict(L"[MessageClass] = 'IPM.Note'"));
    missing.SetColumns({(0x3A06u << 16) | PT_UNICODE, PR_SUBJECT});
    missing.GoToFirst();
    for (int n = 0; n < 2; ++n) {
      auto none = missing.GetRow();
      ASSERT_TRUE(none);
      EXPECT_EQ((*none)[0], PropValue{});
    }
  }
  p.plainMail->SetSubject(L"Quarterly figures");
  // The rows are taken when the table is positioned; a new mail shows after the next GoToFirst.
  auto later = p.inbox->Items()->Add(olMailItem);
  later->SetSubject(L"Later");
  later->Save();
  EXPECT_TRUE(table.GetRow());
  EXPECT_TRUE(table.GetRow());
  EXPECT_FALSE(table.GetRow());
  table.GoToFirst();
  int rows = 0;
  while (table.GetRow()) ++rows;
  EXPECT_EQ(rows, 4);

  // The contact lookup: OR of the three e-mail properties, equal to the address.
  MAPITable contacts;
  auto restricted = p.contacts->Items()->Restrict(L"[MessageClass] = 'IPM.Contact'");
  contacts.SetItem(restricted);
  auto first = restricted->GetFirst();
  uint32_t tags[] = {utils.GetIDsFromNames(first, PSETID_Address, kLidEmail1) | PT_STRING8,
                     utils.GetIDsFromNames(first, PSETID_Address, kLidEmail2) | PT_STRING8,
                     utils.GetIDsFromNames(first, PSETID_Address, kLidEmail3) | PT_STRING8};
  contacts.Filter().Clear();
  auto orOf = contacts.Filter().SetKind(RES_OR);
  for (uint32_t tag : tags) {
    auto prop = orOf->Add(RES_PROPERTY);
    prop->relop = RELOP_EQ;
    prop->ulPropTag = tag;
    prop->lpProp = std::wstring(L"JO@bloggs.example");
  }
  contacts.SetColumns({PR_ENTRYID, PR_SUBJECT});
  ASSERT_TRUE(contacts.Filter().FindFirst(true));
  auto found = contacts.GetRow();
  ASSERT_TRUE(found);
  EXPECT_EQ(p.session->GetItemFromID(utils.HrArrayToString((*found)[0]), p.contacts->StoreID()),
            p.joContact);
  auto none = contacts.Filter().SetKind(RES_PROPERTY);
  none->ulPropTag = tags[0];
  none->lpProp = std::wstring(L"nobody@nowhere.example");
  EXPECT_FALSE(contacts.Filter().FindFirst(true));
}

TEST_F(Redemption, SessionObjectsFindTheRunningOutlook) {
  EXPECT_EQ(SafeCurrentUser().Address(), p.user->Address());
  RDOSession session;
  EXPECT_THROW(session.CurrentUser(), vb::Error);
  session.Logon();
  EXPECT_EQ(session.CurrentUser()->SMTPAddress(), L"pat.doe@norvane.example");
  EXPECT_EQ(session.Accounts(L"norvane mail").UserName, L"Pat Doe");
  EXPECT_THROW(session.Accounts(L"other"), vb::Error);

  auto safe = vb::CreateObject<SafeMailItem>(L"Redemption.SafeMailItem");
  auto mail = p.app->CreateItem(olMailItem);
  mail->Recipients()->Add(L"Kim Roe <kim.roe@partner.example>");
  int sendEvents = 0;
  auto sub = mail->Events().Send.Subscribe([&](bool&) { ++sendEvents; });
  safe->SetItem(mail);
  safe->Send();
  EXPECT_EQ(sendEvents, 0);  // Redemption submits without Outlook's Send
  auto sent = p.outbox->Items()->Item(1);
  uint32_t stamp = safe->GetIDsFromNames(PSETID_Common, 0x8581) | PT_STRING8;
  EXPECT_EQ(sent->GetProp(stamp),
            PropValue(std::wstring(L"Norvane Mail\x01pat.doe@norvane.example")));
}

TEST_F(Redemption, SafeInspectorReadsTheSelectionOfItsEditor) {
  auto app = p.app;
  app->SetVersion(L"11.0.0.8312");
  auto inspector = app->Inspectors()->Add(p.htmlMail);
  SafeInspector safe;
  safe.SetItem(inspector);
  EXPECT_FALSE(safe.PlainTextEditor());
  ASSERT_TRUE(safe.HTMLEditor());
  EXPECT_EQ(safe.HTMLEditor()->Selection()->Type(), L"None");
  inspector->SetSelection(0, 2);
  EXPECT_EQ(safe.HTMLEditor()->Selection()->createRange()->htmlText(), L"Hi");
  auto rtf = app->Inspectors()->Add(p.rtfMail);
  safe.SetItem(rtf);
  rtf->SetSelection(0, 4);
  EXPECT_EQ(outlook::body::RtfToText(safe.RTFEditor()->RTFSelText()), L"Dear");
}

TEST(RedemptionInstall, NotInstalledMeansCreateObjectRaises429) {
  try {
    vb::CreateObject<SafeMailItem>(L"Redemption.SafeMailItem");
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.Number(), vb::kCantCreateObject);
  }
  Install();
  EXPECT_TRUE(vb::CreateObject<RDOSession>(L"Redemption.RDOSession"));
  Uninstall();
  EXPECT_FALSE(vb::IsComponentRegistered(L"Redemption.MAPIUtils"));
}

}  // namespace

namespace {

// Opening a message's recipient table is a MAPI call that may be refused: the safe item's
// Recipients raises then, and the next call opens the table as before.
TEST_F(Redemption, TheRecipientTableMayBeRefusedOnceAndOpensAgain) {
  auto safe = vb::CreateObject<SafeMailItem>(L"Redemption.SafeMailItem");
  safe->SetItem(p.plainMail);
  const int32_t count = safe->Recipients()->Count();
  ASSERT_GT(count, 0);
  win32::faults::Start({.at = 1, .span = 1});
  EXPECT_THROW(safe->Recipients(), vb::Error);
  EXPECT_EQ(count, safe->Recipients()->Count());
  win32::faults::Stop();
}

}  // namespace
