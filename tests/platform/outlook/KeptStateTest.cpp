// What the store keeps of an item is what was last saved (or sent, moved, copied): a change
// never saved lives only while someone holds the item, or its window is open; the store's own
// readers (searches, tables, a kept profile) never see it.
#include <gtest/gtest.h>

#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Reset.h"

namespace {

using outlook::Item;

std::shared_ptr<Item> Filed(const outlook::Profile& p, const std::wstring& subject) {
  auto item = p.inbox->Items()->Add(outlook::olMailItem);
  item->SetSubject(subject);
  item->Save();
  return item;
}

const outlook::persist::Item* Record(const outlook::persist::Profile& kept,
                                     const std::wstring& entryId) {
  for (const auto& folder : kept.folders)
    for (const auto& item : folder.items)
      if (item.entryId == entryId) return &item;
  return nullptr;
}

std::wstring KeptSubject(const outlook::Profile& p, const std::wstring& entryId) {
  auto kept = outlook::persist::Take(*p.session);
  auto record = Record(kept, entryId);
  if (!record) return L"(none)";
  for (const auto& [id, value] : record->props)
    if (id == (outlook::PR_SUBJECT >> 16)) return std::get<std::wstring>(*value);
  return L"";
}

TEST(KeptState, AChangeNeverSavedIsGoneOnceEveryHolderLetsGo) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  std::wstring id = Filed(p, L"Saved")->EntryID();
  {
    auto held = p.session->GetItemFromID(id);
    held->SetSubject(L"Unsaved");
    held->UserProperties()->Add(L"Marker")->SetValue(L"x");
    // A second holder gets the same item, changes and all.
    auto again = p.session->GetItemFromID(id);
    EXPECT_EQ(held, again);
    EXPECT_EQ(L"Unsaved", again->Subject());
    // The store holds what was saved: a kept profile, a search and a table read that.
    EXPECT_EQ(L"Saved", KeptSubject(p, id));
    EXPECT_FALSE(p.inbox->Items()->Find(L"[Subject] = 'Unsaved'"));
    EXPECT_TRUE(p.inbox->Items()->Find(L"[Subject] = 'Saved'"));
    EXPECT_EQ(0, p.inbox->Items()->Restrict(L"[Subject] = 'Unsaved'")->Count());
  }
  // Every holder let go: the item is read afresh from the store.
  {
    auto fresh = p.session->GetItemFromID(id);
    EXPECT_EQ(L"Saved", fresh->Subject());
    EXPECT_FALSE(fresh->UserProperties()->Find(L"Marker"));
    EXPECT_TRUE(fresh->Saved());
  }
  // The same through the folder's items.
  p.inbox->Items()->Find(L"[Subject] = 'Saved'")->SetSubject(L"Dropped");
  EXPECT_EQ(L"Saved", p.session->GetItemFromID(id)->Subject());
}

TEST(KeptState, SaveMoveAndCopyKeepTheChangeAndTheKeptProfileHoldsOnlyWhatWasSaved) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  std::wstring id = Filed(p, L"First")->EntryID();
  {
    auto item = p.session->GetItemFromID(id);
    item->SetSubject(L"Second");
    item->Save();
    item->SetSubject(L"Third");  // never saved
    EXPECT_EQ(L"Second", KeptSubject(p, id));
    auto taken = outlook::persist::Take(*p.session);
    EXPECT_EQ(L"Third", item->Subject());  // taking the profile leaves the holder's change
  }
  EXPECT_EQ(L"Second", p.session->GetItemFromID(id)->Subject());
  // A move and a copy store the item as it stands.
  std::wstring movedId, copyId;
  {
    auto item = p.session->GetItemFromID(id);
    item->SetSubject(L"Moved along");
    auto copy = item->Copy();
    copyId = copy->EntryID();
    auto moved = item->Move(p.drafts);
    movedId = moved->EntryID();
  }
  EXPECT_EQ(L"Moved along", p.session->GetItemFromID(movedId)->Subject());
  EXPECT_EQ(L"Moved along", p.session->GetItemFromID(copyId)->Subject());
  EXPECT_EQ(L"Moved along", KeptSubject(p, movedId));
}

TEST(KeptState, AnOpenWindowKeepsItsChangesUntilItCloses) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  std::wstring id = Filed(p, L"Saved")->EntryID();
  std::shared_ptr<outlook::Inspector> window;
  {
    auto item = p.session->GetItemFromID(id);
    item->Display();
    window = item->GetInspector();
    item->SetSubject(L"Typed");
  }
  // Nobody holds the item but its window: the change stays, unsaved, and is not kept.
  EXPECT_EQ(L"Typed", p.session->GetItemFromID(id)->Subject());
  EXPECT_EQ(L"Typed", window->CurrentItem()->Subject());
  EXPECT_EQ(L"Saved", KeptSubject(p, id));
  window->Close(outlook::olSave);
  EXPECT_EQ(L"Typed", p.session->GetItemFromID(id)->Subject());
  EXPECT_EQ(L"Typed", KeptSubject(p, id));
  // Closed without saving while nobody else holds it: the saved state again.
  {
    auto item = p.session->GetItemFromID(id);
    item->Display();
    window = item->GetInspector();
    item->SetSubject(L"Typed again");
  }
  window->Close(outlook::olDiscard);
  EXPECT_EQ(L"Typed", p.session->GetItemFromID(id)->Subject());
  // A save refused as the window closes leaves nothing to keep: the window held the item last.
  outlook::Subscription refuse;
  {
    auto item = p.session->GetItemFromID(id);
    item->Display();
    window = item->GetInspector();
    item->SetSubject(L"Refused");
    refuse = item->Events().Write.Subscribe([](bool& cancel) { cancel = true; });
  }
  window->Close(outlook::olSave);
  EXPECT_EQ(L"Typed", p.session->GetItemFromID(id)->Subject());
}

// The list shows items without holding them: a change made through a handle that is let go
// is gone from the selection too.
TEST(KeptState, TheSelectionHoldsNoChangeItsHoldersLetGo) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile({.explorer = true});
  auto explorer = p.app->ActiveExplorer();
  ASSERT_TRUE(explorer);
  std::wstring id = Filed(p, L"Saved")->EntryID();
  explorer->Select({p.session->GetItemFromID(id)});
  p.session->GetItemFromID(id)->SetSubject(L"Changed");
  EXPECT_EQ(L"Saved", explorer->Selection()->Item(1)->Subject());
}

// A reference the folder's items hand out holds the item: another holder letting go leaves
// the change under it.
TEST(KeptState, AnItemTakenFromTheFoldersItemsKeepsItsChangeWhileHeld) {
  win32::ResetPlatform();
  auto p = outlook::BuildProfile();
  std::wstring id = Filed(p, L"Saved")->EntryID();
  auto items = p.inbox->Items();
  std::shared_ptr<Item> kept;
  for (int i = 1; i <= items->Count() && !kept; ++i)
    if (auto item = items->Item(i); item->EntryID() == id) kept = item;
  ASSERT_TRUE(kept);
  kept->SetSubject(L"Changed");
  p.session->GetItemFromID(id).reset();
  EXPECT_EQ(L"Changed", kept->Subject());
  EXPECT_EQ(L"Saved", KeptSubject(p, id));
}

}  // namespace
