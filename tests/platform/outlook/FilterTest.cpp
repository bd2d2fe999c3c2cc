// The filter language of Restrict and Find as the add-in writes its filters.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/outlook/Filter.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/vb/Error.h"

using namespace outlook;

namespace {

std::optional<PropValue> Props(const std::wstring& name) {
  if (SameText(name, L"MessageClass")) return std::wstring(L"IPM.Post.Custom");
  if (SameText(name, L"Subject")) return std::wstring(L"It's done");
  if (SameText(name, L"FlagStatus")) return 2;
  return std::nullopt;
}

struct Case {
  const wchar_t* filter;
  bool matches;
};

TEST(Filter, ConditionsAndKeywords) {
  const Case cases[] = {
      {L"[MessageClass] = 'IPM.Post.Custom'", true},
      {L"[messageclass] = 'ipm.post.custom'", true},  // names and values ignore case
      {L"[MessageClass] >= 'IPM.Post' And [MessageClass] < 'IPM.Post/'", true},
      {L"[MessageClass] >= 'IPM.Post' and [MessageClass] < 'IPM.Post/'", true},
      {L"[MessageClass] = 'IPM.Note' And [Subject]='It''s done'", false},
      {L"[MessageClass] = 'IPM.Note' Or [Subject]='It''s done'", true},
      {L"[Subject] <> 'x' AND NOT ([FlagStatus] = 1)", true},
      {L"[FlagStatus] = 2 And ([Subject] = 'a' Or [Subject] = \"It's done\")", true},
      {L"[MessageClass] > 'IPM.Post.Custom'", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Filter(c.filter).Matches(Props), c.matches) << c.filter;

  // The same conditions over values the caller holds (as an item holds its properties), and
  // over values made for the read.
  const PropValue messageClass = std::wstring(L"IPM.Post.Custom"), none;
  auto stored = [&](const std::wstring& name, PropValue& scratch) -> const PropValue* {
    if (SameText(name, L"MessageClass")) return &messageClass;
    if (SameText(name, L"Subject")) return &(scratch = std::wstring(L"It's done"));
    if (SameText(name, L"FlagStatus")) return &(scratch = 2);
    if (SameText(name, L"Mileage")) return &none;
    return nullptr;
  };
  for (const auto& c : cases)
    EXPECT_EQ(Filter(c.filter).MatchesStored(stored), c.matches) << c.filter;
  // A property without a value compares as empty text with a text, not as 0.
  EXPECT_TRUE(Filter(L"[Mileage] = ''").MatchesStored(stored));
  EXPECT_FALSE(Filter(L"[Mileage] = 'a'").MatchesStored(stored));
  EXPECT_THROW((void)Filter(L"[Nonsense] = 'a'").MatchesStored(stored), vb::Error);
}

TEST(Filter, MalformedFiltersRaise) {
  const wchar_t* bad[] = {L"[Subject] = 'It's done'", L"[Subject] = 'open",   L"Subject = 'a'",
                          L"[Subject] ~ 'a'",         L"[Subject] = 'a' And", L""};
  for (const wchar_t* f : bad) {
    EXPECT_THROW({ (void)Filter(f); }, vb::Error) << f;
  }
  // Nesting no program writes is refused as malformed, not by exhausting the stack.
  std::wstring deep;
  for (int i = 0; i < 50000; ++i) deep += L"(Not ";
  EXPECT_THROW({ (void)Filter(deep + L"[Subject] = 'a'"); }, vb::Error);
  std::wstring fine = L"[Subject] = 'It''s done'";
  for (int i = 0; i < 50; ++i) fine = L"(Not (" + fine + L"))";
  EXPECT_TRUE(Filter(fine).Matches(Props));  // fifty Nots
  // An unknown property raises when the condition is evaluated.
  EXPECT_THROW((void)Filter(L"[Nonsense] = 'a'").Matches(Props), vb::Error);
}

TEST(Filter, RestrictAndFindOverAFolder) {
  Profile p = BuildProfile();
  auto items = p.inbox->Items();
  auto notes = items->Restrict(L"[MessageClass] = 'IPM.Note'");
  EXPECT_EQ(notes->Count(), 3);
  auto post = items->Add(olPostItem);
  post->SetSubject(L"Board");
  post->Save();
  EXPECT_EQ(notes->Count(), 3);  // restrictions stay live but exclude the post
  EXPECT_EQ(
      items->Restrict(L"[MessageClass] >= 'IPM.Post' And [MessageClass] < 'IPM.Post/'")->Count(),
      1);
  EXPECT_EQ(notes->Restrict(L"[Subject] = 'team lunch'")->Count(), 1);

  auto found = items->Find(L"[MessageClass] = 'IPM.Note' And [Subject]='Offer'");
  ASSERT_TRUE(found);
  EXPECT_EQ(found, p.rtfMail);
  EXPECT_EQ(items->FindNext(), nullptr);
  auto first = items->Find(L"[MessageClass] = 'IPM.Note'");
  EXPECT_EQ(first, p.plainMail);
  EXPECT_EQ(items->FindNext(), p.htmlMail);
  EXPECT_EQ(items->FindNext(), p.rtfMail);
  EXPECT_EQ(items->FindNext(), nullptr);
  EXPECT_THROW(items->Find(L"[Subject] = 'unbalanced"), vb::Error);
}

TEST(Filter, FieldsAreCheckedWhenTheFilterIsGiven) {
  Profile p = BuildProfile();
  auto empty = p.inbox->Folders()->Add(L"Empty")->Items();
  // Unknown names, the bodies and EntryID raise at once, even with nothing to look at.
  const wchar_t* refused[] = {L"[Nonsense] = 'a'", L"[Body] = 'a'", L"[HTMLBody] = 'a'",
                              L"[EntryID] = '00'", L"[Subject] = 'a' Or [Class] = 43"};
  for (const wchar_t* f : refused) {
    EXPECT_THROW((void)empty->Restrict(f), vb::Error) << f;
    EXPECT_THROW((void)empty->Find(f), vb::Error) << f;
    EXPECT_THROW((void)p.inbox->Items()->Find(f), vb::Error) << f;
  }
  // A contact's field is known everywhere; mail simply does not match it.
  EXPECT_EQ(p.inbox->Items()->Restrict(L"[FirstName] = 'Kim'")->Count(), 0);
  EXPECT_EQ(p.inbox->Items()->Restrict(L"[FirstName] = ''")->Count(), 3);
}

TEST(Filter, UserPropertiesAndContacts) {
  Profile p = BuildProfile();
  p.htmlMail->UserProperties()->Add(L"NORVANE.Addin", olText, false)->SetValue(L"Tanvelo");
  p.htmlMail->Save();
  // Not a folder field: unknown to the filter, even though the item has it.
  EXPECT_THROW((void)p.inbox->Items()->Restrict(L"[NORVANE.Addin] = 'Tanvelo'"), vb::Error);
  EXPECT_THROW((void)p.inbox->Items()->Find(L"[NORVANE.Addin] = 'Tanvelo'"), vb::Error);
  p.htmlMail->UserProperties()->Add(L"NORVANE.TVL.HotKey")->SetValue(L"K");
  p.htmlMail->Save();
  EXPECT_EQ(p.inbox->UserDefinedFields(), std::vector<std::wstring>{L"NORVANE.TVL.HotKey"});
  EXPECT_EQ(p.inbox->Items()->Restrict(L"[NORVANE.TVL.HotKey] = ''")->Count(), 2);
  auto stamped = p.inbox->Items()->Restrict(L"[norvane.tvl.hotkey] = 'k'");
  EXPECT_EQ(stamped->Count(), 1);
  auto contacts = p.contacts->Items()->Restrict(L"[MessageClass] = 'IPM.Contact'");
  EXPECT_EQ(contacts->Count(), 2);
  EXPECT_EQ(contacts->GetFirst(), p.kimContact);
}

}  // namespace

// A condition on the class alone is answered from the folder's index of classes; it must give
// what evaluating the condition item by item gives (the Or form is never indexed), in the same
// order, after every road that changes the contents or a class.
TEST(Filter, ClassIndexFollowsEveryChangeOfTheFolder) {
  outlook::persist::Profile saved;
  {
    auto p = BuildProfile();
    auto kept = AddUnsentMail(p.inbox, L"Kept");
    kept->SetMessageClass(L"IPM.Note.Kept");
    kept->Save();
    saved = outlook::persist::Take(*p.session);
  }
  Profile p = BuildProfile();
  auto items = p.inbox->Items();
  auto indexed = items->Restrict(L"[messageclass] = 'ipm.NOTE'");
  auto walked = items->Restrict(L"[MessageClass] = 'IPM.Note' Or [MessageClass] = 'IPM.Note'");
  auto subjects = [](const std::shared_ptr<Items>& items) {
    std::vector<std::wstring> found;
    for (const auto& item : items->All()) found.push_back(item->Subject());
    return found;
  };
  auto check = [&](const char* step, size_t count) {
    SCOPED_TRACE(step);
    EXPECT_EQ(subjects(indexed), subjects(walked));
    EXPECT_EQ(indexed->All(), walked->All());
    EXPECT_EQ(indexed->All().size(), count);
  };
  check("built", 3);
  auto late = AddUnsentMail(p.inbox, L"Late");
  check("filed", 4);
  auto moved = p.plainMail->Move(p.drafts);
  check("moved out", 3);
  auto back = moved->Move(p.inbox);
  check("moved back, now last", 4);
  EXPECT_EQ(indexed->All().back(), back);
  p.htmlMail->Copy();
  check("copied", 5);
  p.htmlMail->Delete();
  check("deleted", 4);
  late->SetMessageClass(L"IPM.Note.Custom");
  check("reclassed, not yet saved: the store holds the class it had", 4);
  late->Save();
  check("reclassed", 3);
  late->SetProp(PR_MESSAGE_CLASS, std::wstring(L"IPM.NOTE"));
  late->Save();
  check("reclassed back through the property", 4);
  late->SetMessageClass(L"IPM.Note.Custom");
  late->Save();
  check("reclassed again", 3);
  late->SetProp(PR_MESSAGE_CLASS, std::wstring(L"IPM.NOTE"));
  late->DiscardChanges();
  check("changes discarded", 3);
  p.inbox->Contents().push_back(p.kimContact);
  check("pushed directly", 3);
  auto& contents = p.inbox->Contents();
  *std::find(contents.begin(), contents.end(), back) = late;
  check("replaced directly, same size", 2);
  auto keep = indexed->All();
  outlook::persist::Restore(*p.session, saved);
  check("restored", 3);
  EXPECT_NE(indexed->All(), keep);
  EXPECT_TRUE(items->Restrict(L"[MessageClass] = 'IPM.Note.Kept'")->Count() == 1);
}
