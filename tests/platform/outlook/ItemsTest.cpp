// Filing, moving, copying, deleting and sending items, and what EntryIDs do meanwhile.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/vb/Error.h"
#include "platform/win32/Faults.h"

using namespace outlook;

namespace {

bool IsUpperHex(const std::wstring& s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return false;
  return true;
}

TEST(Items, NewItemsGetAnEntryIDOnFirstSaveInTheirFolder) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  EXPECT_EQ(mail->EntryID(), L"");
  EXPECT_EQ(mail->Parent(), p.drafts);  // readable before saving
  EXPECT_FALSE(mail->Sent());
  mail->SetSubject(L"Draft");
  mail->Save();
  EXPECT_TRUE(IsUpperHex(mail->EntryID()));
  EXPECT_TRUE(mail->Saved());
  EXPECT_EQ(p.session->GetItemFromID(mail->EntryID()), mail);
  EXPECT_EQ(p.session->GetItemFromID(mail->EntryID(), p.drafts->StoreID()), mail);
  mail->SetSubject(L"Changed");
  EXPECT_FALSE(mail->Saved());

  auto added = p.inbox->Items()->Add();
  added->Save();
  EXPECT_EQ(added->Parent(), p.inbox);
  p.session->SetAddedItemsSaveToDrafts(true);
  auto diverted = p.inbox->Items()->Add();
  diverted->Save();
  EXPECT_EQ(diverted->Parent(), p.drafts);
}

TEST(Items, LookupsRaiseForUnknownIdsAndWrongStores) {
  Profile p = BuildProfile();
  EXPECT_THROW(p.session->GetItemFromID(L"00FF"), vb::Error);
  EXPECT_THROW(p.session->GetItemFromID(L""), vb::Error);
  EXPECT_THROW(p.session->GetItemFromID(p.plainMail->EntryID(), p.secondStore->StoreID()),
               vb::Error);
  EXPECT_THROW(p.session->GetFolderFromID(p.inbox->EntryID(), p.secondStore->StoreID()), vb::Error);
  EXPECT_EQ(p.session->GetFolderFromID(p.inbox->EntryID()), p.inbox);
  // IDs compare exactly: lower case is another id.
  std::wstring lower = p.inbox->EntryID();
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  EXPECT_THROW(p.session->GetFolderFromID(lower), vb::Error);
}

TEST(Items, MoveReturnsTheMovedItemAndKillsTheOldReference) {
  Profile p = BuildProfile();
  auto archive = p.inbox->Folders()->Add(L"Archive");
  std::wstring id = p.plainMail->EntryID();
  auto moved = p.plainMail->Move(archive);
  EXPECT_EQ(moved->EntryID(), id);  // same store: kept, as on a personal store
  EXPECT_EQ(moved->Parent(), archive);
  EXPECT_THROW(p.plainMail->Subject(), vb::Error);
  EXPECT_EQ(moved->Subject(), L"Quarterly figures");
  EXPECT_EQ(p.inbox->Items()->Count(), 2);

  auto across = moved->Move(p.secondInbox);
  EXPECT_NE(across->EntryID(), id);
  EXPECT_THROW(p.session->GetItemFromID(id), vb::Error);
  EXPECT_EQ(p.session->GetItemFromID(across->EntryID(), p.secondStore->StoreID()), across);

  p.session->SetMoveAlwaysChangesEntryID(true);
  std::wstring before = p.htmlMail->EntryID();
  auto again = p.htmlMail->Move(archive);
  EXPECT_NE(again->EntryID(), before);
  EXPECT_EQ(again->Attachments()->Count(), 2);  // content travels with it
}

// A session making and deleting items for hours: the EntryID index holds the filed items only,
// and an item moved within its store is still found under its id.
TEST(Items, TheEntryIdIndexForgetsItemsGoneForGood) {
  Profile p = BuildProfile();
  p.session->GetItemFromID(p.plainMail->EntryID());  // the index as a session has it
  const size_t before = p.session->IndexedCount();
  for (int i = 0; i < 50; ++i) {
    auto mail = p.app->CreateItem(olMailItem);
    mail->Save();
    mail->Delete();  // to Deleted Items, same store
    auto trashed = p.deleted->Items()->Item(p.deleted->Items()->Count());
    EXPECT_EQ(p.session->GetItemFromID(trashed->EntryID()), trashed);
    trashed->Delete();  // gone for good
  }
  EXPECT_EQ(before, p.session->IndexedCount());
  auto archive = p.inbox->Folders()->Add(L"Archive");
  std::wstring id = p.plainMail->EntryID();
  auto moved = p.plainMail->Move(archive);
  EXPECT_EQ(p.session->GetItemFromID(id), moved);
}

TEST(Items, LookupsFollowMovesDeletesAndNewItems) {
  Profile p = BuildProfile();
  std::wstring plain = p.plainMail->EntryID();
  EXPECT_EQ(p.session->GetItemFromID(plain), p.plainMail);
  auto moved = p.plainMail->Move(p.inbox->Folders()->Add(L"Later"));
  EXPECT_EQ(p.session->GetItemFromID(plain), moved);  // same id, the live object
  moved->Delete();
  auto inDeleted = p.session->GetItemFromID(plain);
  EXPECT_EQ(inDeleted->Parent(), p.deleted);
  inDeleted->Delete();
  EXPECT_THROW(p.session->GetItemFromID(plain), vb::Error);

  auto fresh = p.app->CreateItem(olMailItem);
  fresh->Save();
  EXPECT_EQ(p.session->GetItemFromID(fresh->EntryID(), p.store->StoreID()), fresh);
  auto folder = p.inbox->Folders()->Add(L"Doomed");
  auto doomed = fresh->Move(folder);
  folder->Delete();
  EXPECT_THROW(p.session->GetItemFromID(doomed->EntryID()), vb::Error);
}

TEST(Items, CopyDeleteAndSend) {
  Profile p = BuildProfile();
  p.plainMail->UserProperties()->Add(L"Stamp")->SetValue(L"x");
  auto copy = p.plainMail->Copy();
  EXPECT_EQ(copy->Parent(), p.inbox);
  EXPECT_NE(copy->EntryID(), p.plainMail->EntryID());
  EXPECT_EQ(copy->UserProperties()->Find(L"stamp")->Value(), L"x");
  EXPECT_EQ(copy->Recipients()->Count(), 2);

  copy->Delete();
  EXPECT_EQ(p.deleted->Items()->Count(), 1);
  auto inDeleted = p.deleted->Items()->Item(1);
  inDeleted->Delete();  // from Deleted Items: gone for good
  EXPECT_EQ(p.deleted->Items()->Count(), 0);

  auto mail = p.app->CreateItem(olMailItem);
  EXPECT_THROW(mail->Send(), vb::Error);  // no recipients
  mail->Recipients()->Add(L"Nobody Known");
  EXPECT_THROW(mail->Send(), vb::Error);  // unresolved
  mail->Recipients()->Remove(1);
  mail->Recipients()->Add(L"Lee Ann");
  mail->Send();
  EXPECT_EQ(p.outbox->Items()->Count(), 1);
  EXPECT_EQ(p.outbox->Items()->Item(1)->SenderName(), L"Pat Doe");
  EXPECT_EQ(p.session->DeliverOutbox(), 1);
  EXPECT_EQ(p.outbox->Items()->Count(), 0);
  EXPECT_TRUE(p.sent->Items()->Item(2)->Sent());
}

TEST(Items, SendFilesADraftInTheOutboxAndSubmitsOneThereWhereItIs) {
  Profile p = BuildProfile();
  p.session->SetMoveAlwaysChangesEntryID(true);
  int outboxAdds = 0;
  auto sub = p.outbox->Items()->ItemAdd.Subscribe([&](std::shared_ptr<Item>) { ++outboxAdds; });
  auto draft = p.app->CreateItem(olMailItem);
  draft->Recipients()->Add(L"Lee Ann");
  draft->Save();
  draft->Send();  // a saved draft moves: the old reference is gone
  EXPECT_EQ(outboxAdds, 1);
  EXPECT_THROW(draft->Subject(), vb::Error);

  auto waiting = p.app->CreateItem(olMailItem);
  waiting->Recipients()->Add(L"Lee Ann");
  auto queued = waiting->Move(p.outbox);
  EXPECT_EQ(outboxAdds, 2);
  std::wstring id = queued->EntryID();
  queued->Submit();  // as Redemption sends it
  EXPECT_EQ(outboxAdds, 2);
  EXPECT_EQ(queued->EntryID(), id);
  EXPECT_EQ(p.session->GetItemFromID(id), queued);
  EXPECT_EQ(p.session->DeliverOutbox(), 2);
}

TEST(Items, ACopysRecipientsAreItsOwn) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->Recipients()->Add(L"Lee Ann")->Resolve();
  mail->Recipients()->Add(L"Nobody Known")->SetType(olBCC);
  mail->Recipients()->Add(L"Kim Roe <kim.roe@partner.example>")->SetType(olCC);
  mail->Recipients()->Item(3)->Resolve();
  mail->Save();
  auto copy = mail->Copy();
  EXPECT_TRUE(copy->Saved());
  auto& source = *mail->Recipients();
  auto& copied = *copy->Recipients();
  ASSERT_EQ(copied.Count(), 3);
  for (int32_t i = 1; i <= 3; ++i) {
    EXPECT_NE(copied.Item(i), source.Item(i));
    EXPECT_EQ(copied.Item(i)->Name(), source.Item(i)->Name());
    EXPECT_EQ(copied.Item(i)->Type(), source.Item(i)->Type());
    EXPECT_EQ(copied.Item(i)->AddressEntry(), source.Item(i)->AddressEntry());
    EXPECT_EQ(copied.Item(i)->Index(), i);
  }
  EXPECT_FALSE(copied.Item(2)->Resolved());
  // Changing the copy's recipients changes the copy alone.
  copied.Item(3)->Delete();
  copied.Item(1)->SetType(olBCC);
  EXPECT_FALSE(copy->Saved());
  EXPECT_TRUE(mail->Saved());
  EXPECT_EQ(source.Count(), 3);
  EXPECT_EQ(source.Item(1)->Type(), olTo);
}

TEST(Items, RecipientsResolveAgainstTheAddressBookAndContacts) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  auto r = mail->Recipients();
  r->Add(L"Kim Roe <kim.roe@partner.example>");
  r->Add(L"lee.ann@norvane.example");
  r->Add(L"sales team");
  r->Add(L"Friends");
  r->Add(L"jo bloggs");
  EXPECT_TRUE(r->ResolveAll());
  EXPECT_EQ(r->Item(1)->AddressEntry()->Type(), L"SMTP");
  EXPECT_EQ(r->Item(2)->Name(), L"Lee Ann");  // a known SMTP address finds its entry
  EXPECT_EQ(r->Item(2)->AddressEntry()->Type(), L"EX");
  EXPECT_EQ(r->Item(2)->AddressEntry()->Fields(PR_SMTP_ADDRESS),
            PropValue(std::wstring(L"lee.ann@norvane.example")));
  auto sales = r->Item(3)->AddressEntry()->Members();
  ASSERT_TRUE(sales);
  EXPECT_EQ(sales->Count(), 2);
  EXPECT_TRUE(sales->Item(2)->Members());  // nested list
  EXPECT_EQ(sales->Item(2)->Members()->Count(), 2);
  EXPECT_EQ(r->Item(4)->AddressEntry()->Type(), L"MAPIPDL");
  EXPECT_EQ(r->Item(5)->Address(), L"jo@bloggs.example");
  r->Item(1)->SetType(olCC);
  EXPECT_EQ(mail->CC(), L"Kim Roe");
  r->Add(L"Unknown Person");
  EXPECT_FALSE(r->ResolveAll());
  EXPECT_FALSE(p.leeAnn->Members());
}

TEST(Items, ANameResolvesOnlyWhenOneEntryOfEveryBookHasIt) {
  Profile p = BuildProfile();
  auto contact = [&](const std::wstring& name, const std::wstring& address) {
    auto c = p.contacts->Items()->Add(olContactItem);
    c->SetFullName(name);
    c->SetEmailAddress(1, address);
    c->Save();
  };
  contact(L"Max Twin", L"max1@x.example");
  contact(L"Max Twin", L"max2@x.example");
  contact(L"Sam Poe", L"sam@home.example");  // the name of a global entry too
  contact(L"Ada Stone", L"ada@one.example");
  auto mail = p.app->CreateItem(olMailItem);
  auto r = mail->Recipients();
  auto resolves = [&](const std::wstring& text) { return r->Add(text)->Resolve(); };
  EXPECT_TRUE(resolves(L"ada stone"));
  EXPECT_EQ(r->Item(1)->Address(), L"ada@one.example");
  EXPECT_EQ(r->Item(1)->AddressEntry()->Type(), L"SMTP");
  EXPECT_FALSE(resolves(L"Max Twin"));
  EXPECT_FALSE(resolves(L"Sam Poe"));
  EXPECT_TRUE(resolves(L"kimmy <kim@else.example>"));  // a one-off, whatever the book holds
  EXPECT_EQ(r->Item(4)->Address(), L"kim@else.example");
  // A contact removed is no longer found; a list of the contacts folder is found by name.
  EXPECT_TRUE(resolves(L"Kim Roe"));
  p.kimContact->Delete();
  EXPECT_FALSE(resolves(L"Kim Roe"));
  EXPECT_TRUE(resolves(L"FRIENDS"));
}

TEST(Items, FoldersAddFindAndParentChain) {
  Profile p = BuildProfile();
  auto sub = p.drafts->Folders()->Add(L"Tanvelo Drafts");
  EXPECT_THROW(p.drafts->Folders()->Add(L"tanvelo drafts"), vb::Error);
  EXPECT_EQ(p.drafts->Folders()->Item(L"TANVELO DRAFTS"), sub);
  EXPECT_THROW(p.drafts->Folders()->Item(L"missing"), vb::Error);
  EXPECT_EQ(sub->StoreID(), p.drafts->StoreID());
  EXPECT_EQ(sub->Class(), olFolder);
  EXPECT_EQ(p.root->Parent()->Class(), olNamespace);
  EXPECT_EQ(p.session->GetDefaultFolder(olFolderInbox)->Parent(), p.root);
  EXPECT_EQ(p.session->Folders()->Count(), 2);
  EXPECT_EQ(p.contacts->DefaultItemType(), olContactItem);
  EXPECT_EQ(p.contacts->Folders()->Add(L"Clients")->DefaultItemType(), olContactItem);

  // A folder the user may not add to refuses a subfolder and keeps its children as they are;
  // its own subfolders still take them.
  p.drafts->DenySubfolders(true);
  EXPECT_THROW(p.drafts->Folders()->Add(L"Other"), vb::Error);
  EXPECT_EQ(p.drafts->Folders()->Count(), 1);
  EXPECT_EQ(sub->Folders()->Add(L"Below")->ParentFolder(), sub);
}

}  // namespace

// The recipients' count, a recipient's type and its resolution are calls Outlook may refuse: a
// refused one changes nothing, and asked again it answers as before. Discarding an item's
// changes is Outlook's own and never refused half way.
TEST(Items, RecipientCallsMayBeRefusedOnceAndChangeNothing) {
  Profile p = BuildProfile();
  auto recipients = p.plainMail->Recipients();
  auto added = recipients->Add(L"Lee Ann");
  const int32_t count = recipients->Count();
  const std::vector<std::pair<const char*, std::function<void()>>> calls{
      {"Count", [&] { recipients->Count(); }},
      {"SetType", [&] { added->SetType(olBCC); }},
      {"Resolve", [&] { added->Resolve(); }},
  };
  for (const auto& [name, call] : calls) {
    win32::faults::Start({.at = 1, .span = 1});
    EXPECT_THROW(call(), vb::Error) << name;
    win32::faults::Stop();
    EXPECT_EQ(count, recipients->Count()) << name;
    EXPECT_EQ(olTo, added->Type()) << name;
    EXPECT_FALSE(added->Resolved()) << name;
  }
  p.plainMail->Save();
  recipients->Add(L"Tom Hall");
  win32::faults::Start({.every = 1});
  p.plainMail->DiscardChanges();
  win32::faults::Stop();
  EXPECT_EQ(count, recipients->Count());
}
