// A profile's mail taken as records and restored into a newly built profile: folders made and
// removed as the records say, mail with every property back under its own EntryID, contacts
// untouched, and no ItemAdd raised for what was there all along.
#include <gtest/gtest.h>

#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"

namespace {

std::shared_ptr<outlook::MAPIFolder> Child(const std::shared_ptr<outlook::MAPIFolder>& parent,
                                           const std::wstring& name) {
  for (const auto& f : parent->Children())
    if (f->Name() == name && !f->IsDeleted()) return f;
  return nullptr;
}

TEST(Persist, RestoredMailKeepsItsIdsPropertiesAndPlaceWithoutNewItemEvents) {
  outlook::persist::Profile saved;
  std::wstring draftId, folderId;
  {
    auto p = outlook::BuildProfile();
    auto folder = p.root->Folders()->Add(L"Projects");
    folderId = folder->EntryID();
    auto draft = folder->Items()->Add(outlook::olMailItem);
    draft->SetSubject(L"Plan");
    draft->SetBody(L"Line one\r\nLine two");
    draft->Recipients()->Add(L"Kim Roe");
    draft->UserProperties()->Add(L"Marker")->SetValue(L"x");
    draft->SetFlagStatus(2);
    draft->Save();
    draftId = draft->EntryID();
    saved = outlook::persist::Take(*p.session);
  }
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  auto contacts = p.contacts->Items()->Count();
  // A folder the saved profile never had goes away.
  p.root->Folders()->Add(L"Stray");
  int added = 0;
  auto sub = p.inbox->Items()->ItemAdd.Subscribe([&](auto) { ++added; });
  outlook::persist::Restore(*p.session, saved);
  EXPECT_EQ(0, added);
  EXPECT_FALSE(Child(p.root, L"Stray"));
  auto folder = Child(p.root, L"Projects");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folderId, folder->EntryID());
  auto draft = p.session->GetItemFromID(draftId);
  ASSERT_TRUE(draft);
  EXPECT_EQ(folder, draft->Parent());
  EXPECT_EQ(L"Plan", draft->Subject());
  EXPECT_EQ(L"Line one\r\nLine two", draft->Body());
  EXPECT_EQ(L"Kim Roe", draft->To());
  EXPECT_EQ(L"x", draft->UserProperties()->Find(L"Marker")->Value());
  EXPECT_EQ(2, draft->FlagStatus());
  EXPECT_TRUE(draft->Saved());
  EXPECT_EQ(contacts, p.contacts->Items()->Count());
  EXPECT_EQ(3, p.inbox->Items()->Count());
  // Ids made after the restore are new.
  auto next = p.inbox->Items()->Add(outlook::olMailItem);
  next->Save();
  EXPECT_NE(draftId, next->EntryID());
}

// Taking and restoring copy no value: the record holds the item's own, and the restored item
// the record's, which stay as they were when either item is written afterwards.
TEST(Persist, RecordsShareTheItemsValuesAndWritesStayApart) {
  auto p = outlook::BuildProfile();
  auto mail = p.drafts->Items()->Add(outlook::olMailItem);
  mail->SetSubject(L"Big");
  mail->SetBody(std::wstring(5000, L'x'));
  mail->Save();
  const auto saved = outlook::persist::Take(*p.session);
  auto q = outlook::BuildProfile();
  outlook::persist::Restore(*q.session, saved);
  auto back = q.session->GetItemFromID(mail->EntryID());
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->Props().SharesValue(mail->Props(), outlook::PR_BODY));
  back->SetBody(L"changed");
  EXPECT_EQ(std::wstring(5000, L'x'), mail->Body());
  mail->SetSubject(L"Other");
  EXPECT_EQ(L"Big", back->Subject());
}

// What Outlook keeps of a recipient comes back after a restart and goes with a move (to another
// store too) and a copy: name, type, address, address type, resolution, and the book's own
// entry where it is the same (an Exchange user's SMTP address, a list's members).
TEST(Persist, EveryRecipientComesBackAsSavedThroughARestartAMoveAndACopy) {
  const struct {
    std::wstring typed, name, type, smtp;
    int32_t members;  // -1: one person
  } cases[] = {
      {L"Tom Hall <tom.hall@example.com>", L"Tom Hall", L"SMTP", L"tom.hall@example.com", -1},
      {L"Kim Roe", L"Kim Roe", L"SMTP", L"kim.roe@partner.example", -1},
      {L"Lee Ann", L"Lee Ann", L"EX", L"lee.ann@norvane.example", -1},
      {L"Sales Team", L"Sales Team", L"EX", L"sales@norvane.example", 2},
      {L"Friends", L"Friends", L"MAPIPDL", L"", 2},
      {L"Nobody Known", L"Nobody Known", L"", L"", -1},  // unresolved, and so it stays
  };
  outlook::persist::Profile saved;
  std::wstring id;
  {
    auto p = outlook::BuildProfile();
    auto draft = p.drafts->Items()->Add(outlook::olMailItem);
    for (size_t i = 0; i < std::size(cases); ++i) {
      auto r = draft->Recipients()->Add(cases[i].typed);
      r->SetType(static_cast<int32_t>(i % 3) + 1);
      r->Resolve();
    }
    draft->Save();
    id = draft->EntryID();
    saved = outlook::persist::Take(*p.session);
  }
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  outlook::persist::Restore(*p.session, saved);
  auto restored = p.session->GetItemFromID(id);
  ASSERT_TRUE(restored);
  auto check = [&](const std::shared_ptr<outlook::Item>& item) {
    ASSERT_EQ(static_cast<int32_t>(std::size(cases)), item->Recipients()->Count());
    for (size_t i = 0; i < std::size(cases); ++i) {
      const auto& c = cases[i];
      auto r = item->Recipients()->Item(static_cast<int32_t>(i + 1));
      SCOPED_TRACE(win32::ToAnsi(c.typed));
      EXPECT_EQ(c.name, r->Name());
      EXPECT_EQ(static_cast<int32_t>(i % 3) + 1, r->Type());
      auto entry = r->AddressEntry();
      ASSERT_EQ(!c.type.empty(), entry != nullptr);
      if (!entry) continue;
      EXPECT_EQ(c.type, entry->Type());
      EXPECT_EQ(c.smtp, entry->SmtpAddress());
      EXPECT_EQ(c.members, entry->Members() ? entry->Members()->Count() : -1);
    }
  };
  check(restored);
  check(restored->Copy());
  check(restored->Move(p.secondInbox));
}

}  // namespace
