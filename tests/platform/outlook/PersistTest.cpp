// A profile's mail taken as records and restored into a newly built profile: folders made and
// removed as the records say, mail with every property back under its own EntryID, contacts
// untouched, and no ItemAdd raised for what was there all along.
#include <gtest/gtest.h>

#include <map>

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

// What Outlook keeps of each recipient comes back after a restart, and goes with the item when
// it is moved (to another store too) or copied: display name, type, address, address type,
// whether it resolved, and the address book's own entry where it is the same (an Exchange
// user's SMTP address, a list's members).
TEST(Persist, EveryRecipientComesBackAsSavedThroughARestartAMoveAndACopy) {
  struct Case {
    std::wstring typed;
    int32_t type;
    std::wstring name, address, addressType;
    bool resolved;
    std::wstring smtp;
    int32_t members;  // -1: one person
  };
  const Case cases[] = {
      {L"Tom Hall <tom.hall@example.com>", outlook::olTo, L"Tom Hall", L"tom.hall@example.com",
       L"SMTP", true, L"tom.hall@example.com", -1},
      {L"jo@bloggs.example", outlook::olCC, L"jo@bloggs.example", L"jo@bloggs.example", L"SMTP",
       true, L"jo@bloggs.example", -1},
      {L"Kim Roe", outlook::olCC, L"Kim Roe", L"kim.roe@partner.example", L"SMTP", true,
       L"kim.roe@partner.example", -1},
      {L"Lee Ann", outlook::olBCC, L"Lee Ann", L"", L"EX", true, L"lee.ann@norvane.example", -1},
      {L"Sales Team", outlook::olTo, L"Sales Team", L"", L"EX", true, L"sales@norvane.example", 2},
      {L"Friends", outlook::olBCC, L"Friends", L"Friends", L"MAPIPDL", true, L"", 2},
      {L"Nobody Known", outlook::olCC, L"Nobody Known", L"", L"", false, L"", -1},
  };
  outlook::persist::Profile saved;
  std::wstring id;
  std::map<std::wstring, std::wstring> exchange;  // the EX addresses as the book gives them
  {
    auto p = outlook::BuildProfile();
    exchange = {{L"Lee Ann", p.leeAnn->Address()}, {L"Sales Team", p.salesTeam->Address()}};
    auto draft = p.drafts->Items()->Add(outlook::olMailItem);
    draft->SetSubject(L"Addressed");
    for (const auto& c : cases) {
      auto r = draft->Recipients()->Add(c.typed);
      r->SetType(c.type);
      r->Resolve();
    }
    // A one-off whose name some contact also has is still the address it was given.
    draft->Recipients()->Add(L"Kim Roe <kim@home.example>")->Resolve();
    draft->Save();
    id = draft->EntryID();
    saved = outlook::persist::Take(*p.session);
  }
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  outlook::persist::Restore(*p.session, saved);
  auto restored = p.session->GetItemFromID(id);
  ASSERT_TRUE(restored);
  auto check = [&](const std::shared_ptr<outlook::Item>& item, const char* how) {
    auto list = item->Recipients();
    ASSERT_EQ(static_cast<int32_t>(std::size(cases)) + 1, list->Count()) << how;
    for (size_t i = 0; i < std::size(cases); ++i) {
      const auto& c = cases[i];
      auto r = list->Item(static_cast<int32_t>(i + 1));
      SCOPED_TRACE(std::string(how) + ", " + win32::ToAnsi(c.typed));
      EXPECT_EQ(c.name, r->Name());
      EXPECT_EQ(c.type, r->Type());
      EXPECT_EQ(c.resolved, r->Resolved());
      if (!c.resolved) continue;
      const auto entry = r->AddressEntry();
      if (!entry) {
        ADD_FAILURE() << "no address entry";
        continue;
      }
      EXPECT_EQ(c.addressType == L"EX" ? exchange[c.name] : c.address, r->Address());
      EXPECT_EQ(c.addressType, entry->Type());
      EXPECT_EQ(c.smtp, entry->SmtpAddress());
      EXPECT_EQ(c.members, entry->Members() ? entry->Members()->Count() : -1);
    }
    EXPECT_EQ(L"kim@home.example", list->Item(list->Count())->Address()) << how;
    EXPECT_EQ(L"Tom Hall; Sales Team; Kim Roe", item->To()) << how;
  };
  check(restored, "restored");
  check(restored->Copy(), "copied");
  check(restored->Move(p.secondInbox), "moved to another store");
  // A second restart of what came back is the same again.
  auto again = outlook::persist::Take(*p.session);
  win32::ResetPlatform();
  auto q = outlook::BuildProfile();
  outlook::persist::Restore(*q.session, again);
  for (const auto& f : q.secondInbox->Items()->All())
    if (f->Subject() == L"Addressed") check(f, "after a second restart");
}

// A record of an older store holds the name and type alone: it is resolved again by its name,
// as those stores were read.
TEST(Persist, ARecipientKeptByNameAloneIsResolvedAgainByItsName) {
  auto p = outlook::BuildProfile();
  outlook::persist::Profile saved = outlook::persist::Take(*p.session);
  outlook::persist::Folder* drafts = nullptr;
  for (auto& f : saved.folders)
    if (f.entryId == p.drafts->EntryID()) drafts = &f;
  ASSERT_TRUE(drafts);
  outlook::persist::Item older;
  older.entryId = L"00000000AA00000000000000000000000000000000000001";
  older.props.emplace_back(static_cast<uint16_t>(outlook::PR_SUBJECT >> 16),
                           std::make_shared<const outlook::PropValue>(std::wstring(L"Older")));
  older.recipients = {{L"Kim Roe", outlook::olCC, L"", L"", false, true},
                      {L"Tom Hall", outlook::olTo, L"", L"", false, true}};
  drafts->items.push_back(older);
  win32::ResetPlatform();
  auto q = outlook::BuildProfile();
  outlook::persist::Restore(*q.session, saved);
  auto item = q.session->GetItemFromID(older.entryId);
  ASSERT_TRUE(item);
  EXPECT_EQ(L"Older", item->Subject());
  EXPECT_TRUE(item->Recipients()->Item(1)->Resolved());
  EXPECT_EQ(L"kim.roe@partner.example", item->Recipients()->Item(1)->Address());
  EXPECT_EQ(outlook::olCC, item->Recipients()->Item(1)->Type());
  EXPECT_FALSE(item->Recipients()->Item(2)->Resolved());
}

}  // namespace
