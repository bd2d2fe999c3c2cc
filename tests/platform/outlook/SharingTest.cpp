// What keeps large items and many copies cheap must never show: copies share bodies,
// attachments and recipients until one side changes them, the plain body of an HTML item is
// made when first read, the EntryID index follows every filing, and a restriction keeps its
// result only while nothing stored has changed.
#include <gtest/gtest.h>

#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/vb/Error.h"

using namespace outlook;

namespace {

std::vector<std::wstring> Names(Recipients& recipients) {
  std::vector<std::wstring> names;
  for (const auto& r : recipients) names.push_back(r->Name());
  return names;
}

TEST(Sharing, ACopySharesBodiesAndAttachmentsUntilEitherSideChangesThem) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetHTMLBody(L"<html><body><p>Big</p><img src=\"cid:a@b\"></body></html>");
  mail->Attachments()->AddData(L"a.png", std::vector<uint8_t>(1000, 7));
  mail->Save();
  auto copy = mail->Copy();
  EXPECT_TRUE(copy->Props().SharesValue(mail->Props(), PR_HTML));
  EXPECT_TRUE(copy->Attachments()->Item(1)->SharesData(*mail->Attachments()->Item(1)));

  copy->SetHTMLBody(L"<html><body><p>Changed</p></body></html>");
  copy->Attachments()->Remove(1);
  copy->Attachments()->AddData(L"b.png", std::vector<uint8_t>(10, 1));
  EXPECT_FALSE(copy->Props().SharesValue(mail->Props(), PR_HTML));
  EXPECT_EQ(mail->HTMLBody(), L"<html><body><p>Big</p><img src=\"cid:a@b\"></body></html>");
  ASSERT_EQ(mail->Attachments()->Count(), 1);
  EXPECT_EQ(mail->Attachments()->Item(1)->Data(), std::vector<uint8_t>(1000, 7));
  EXPECT_NE(copy->Body().find(L"Changed"), std::wstring::npos);
  EXPECT_EQ(mail->Body().find(L"Changed"), std::wstring::npos);

  // Moved to another store, and the original's subject changed: still apart.
  auto moved = copy->Move(p.secondInbox);
  mail->SetSubject(L"Mine");
  EXPECT_EQ(moved->Subject(), L"");
  EXPECT_EQ(moved->Attachments()->Item(1)->FileName(), L"b.png");
}

TEST(Sharing, ThePlainBodyOfAnHtmlItemIsTheTextOfItsLatestHtmlWhereverItIsRead) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  const std::wstring first = L"<html><body><p>One &amp; two</p></body></html>";
  const std::wstring second = L"<html><body><p>Three</p><p>four</p></body></html>";
  mail->SetHTMLBody(first);
  mail->SetHTMLBody(second);
  auto copy = mail->Copy();  // copied before anyone read the plain body
  EXPECT_EQ(mail->Body(), body::HtmlToText(second));
  EXPECT_EQ(copy->Body(), body::HtmlToText(second));
  EXPECT_EQ(std::get<std::wstring>(copy->GetProp(PR_BODY)), body::HtmlToText(second));
  EXPECT_EQ(mail->Props().Text(PR_BODY), body::HtmlToText(second));

  // A raw write of the HTML (as MAPI would) leaves the plain body made from the HTML before.
  auto raw = p.app->CreateItem(olMailItem);
  raw->SetHTMLBody(first);
  raw->SetProp((PR_HTML & 0xFFFF0000) | PT_UNICODE, second);
  EXPECT_EQ(raw->Body(), body::HtmlToText(first));
  // Plain text written over HTML is kept as written.
  raw->SetBody(L"typed");
  EXPECT_EQ(raw->Body(), L"typed");
}

TEST(Sharing, ACopysRecipientsChangeApartFromTheOriginalsAndKeepTheirOrder) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  auto& source = *mail->Recipients();
  for (int i = 0; i < 5; ++i) source.Add(L"r" + std::to_wstring(i) + L"@x.example")->Resolve();
  auto held = source.Item(2);  // an object of the original, taken before the copy
  mail->Save();
  auto copy = mail->Copy();
  auto& copied = *copy->Recipients();
  EXPECT_TRUE(copied.SharesData(source));

  // Keep the third only, as separate sending does.
  for (int32_t j = 5; j >= 1; --j)
    if (j != 3) copied.Remove(j);
  EXPECT_EQ(Names(copied), std::vector<std::wstring>{L"r2@x.example"});
  EXPECT_EQ(copy->To(), L"r2@x.example");
  copied.Item(1)->SetType(olBCC);
  EXPECT_EQ(copied.Item(1)->Type(), olBCC);
  EXPECT_FALSE(copied.SharesData(source));
  EXPECT_EQ(source.Count(), 5);
  EXPECT_EQ(source.Item(3)->Type(), olTo);
  EXPECT_EQ(held->Name(), L"r1@x.example");
  EXPECT_EQ(held->Index(), 2);
  EXPECT_EQ(source.Item(2), held) << "the same object each time";

  // The original changed after the copy: the copy does not see it.
  source.Add(L"late@x.example");
  held->SetType(olCC);
  EXPECT_EQ(copied.Count(), 1);
  EXPECT_EQ(mail->CC(), L"r1@x.example");

  // A removed recipient keeps what it was; one of a gone item too.
  source.Remove(2);
  EXPECT_EQ(held->Name(), L"r1@x.example");
  EXPECT_EQ(held->Index(), 0);
  EXPECT_THROW(held->Delete(), vb::Error);
  auto kept = copied.Item(1);
  copy->Delete();
  copy.reset();
  EXPECT_EQ(kept->Name(), L"r2@x.example");
}

TEST(Sharing, ManyAddsAndRemovesKeepTheRecipientsInOrder) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  auto& r = *mail->Recipients();
  std::vector<std::wstring> expected;
  for (int i = 0; i < 60; ++i) {
    r.Add(L"n" + std::to_wstring(i));
    expected.push_back(L"n" + std::to_wstring(i));
    if (i % 3 == 2) {
      r.Remove(1);
      expected.erase(expected.begin());
    }
  }
  auto objects = r.All();
  for (int i = 0; i < 30; ++i) {
    r.Remove(r.Count());
    expected.pop_back();
  }
  EXPECT_EQ(Names(r), expected);
  EXPECT_EQ(objects.front()->Name(), expected.front());
  EXPECT_EQ(objects.front()->Index(), 1);
}

TEST(Sharing, EveryFilingIsFoundByItsEntryIdAndNothingStaleIs) {
  Profile p = BuildProfile();
  auto session = p.session;
  auto mail = p.app->CreateItem(olMailItem);
  mail->Save();
  const std::wstring id = mail->EntryID();
  EXPECT_EQ(session->GetItemFromID(id), mail);

  auto copy = mail->Copy();
  EXPECT_EQ(session->GetItemFromID(copy->EntryID(), p.store->StoreID()), copy);

  auto moved = mail->Move(p.inbox);  // same store: same EntryID, the moved object
  EXPECT_EQ(moved->EntryID(), id);
  EXPECT_EQ(session->GetItemFromID(id), moved);

  auto archived = moved->Move(p.secondInbox);
  EXPECT_NE(archived->EntryID(), id);
  EXPECT_EQ(session->GetItemFromID(archived->EntryID(), p.secondStore->StoreID()), archived);
  EXPECT_THROW(session->GetItemFromID(id), vb::Error);
  EXPECT_THROW(session->GetItemFromID(archived->EntryID(), p.store->StoreID()), vb::Error);

  const std::wstring copyId = copy->EntryID();
  copy->Delete();  // into Deleted Items, same id
  auto inDeleted = session->GetItemFromID(copyId);
  EXPECT_EQ(inDeleted->Parent(), p.deleted);
  inDeleted->Delete();  // for good
  EXPECT_THROW(session->GetItemFromID(copyId), vb::Error);
}

// A mail with the subject, saved in the folder.
std::shared_ptr<Item> SavedMail(const std::shared_ptr<MAPIFolder>& folder,
                                const std::wstring& subject) {
  auto item = folder->Items()->Add(olMailItem);
  item->SetSubject(subject);
  item->Save();
  return item;
}

TEST(Sharing, ARestrictionFollowsEveryChangeOfWhatItReads) {
  Profile p = BuildProfile();
  auto folder = p.inbox->Folders()->Add(L"Watched");
  auto add = [&](const std::wstring& subject) { return SavedMail(folder, subject); };
  auto a = add(L"keep");
  add(L"other");
  auto kept = folder->Items()->Restrict(L"[Subject] = 'KEEP'");
  EXPECT_EQ(kept->Count(), 1);
  EXPECT_TRUE(kept->HoldsResult());
  EXPECT_EQ(kept->GetFirst(), a);
  EXPECT_TRUE(kept->HoldsResult()) << "reading it again evaluates nothing";

  auto b = add(L"Keep");
  EXPECT_EQ(kept->Count(), 2);
  b->SetSubject(L"gone");
  b->Save();
  EXPECT_EQ(kept->Count(), 1);
  a->Delete();
  EXPECT_EQ(kept->Count(), 0);

  auto to = folder->Items()->Restrict(L"[To] = 'Lee Ann'");
  EXPECT_EQ(to->Count(), 0);
  b->Recipients()->Add(L"Lee Ann")->Resolve();
  b->Save();
  EXPECT_EQ(to->Count(), 1);
  b->Recipients()->Item(1)->SetType(olCC);
  b->Save();
  EXPECT_EQ(to->Count(), 0);

  auto marked = folder->Items()->Restrict(L"[Unread] = True");
  int32_t before = marked->Count();
  b->SetUnRead(true);
  b->Save();
  EXPECT_EQ(marked->Count(), before + 1);
}

TEST(Sharing, ASnapshotOfARestrictionIsItsKeptResultAndNeverChangesAfterwards) {
  Profile p = BuildProfile();
  auto folder = p.inbox->Folders()->Add(L"Snap");
  auto add = [&](const std::wstring& subject) { return SavedMail(folder, subject); };
  auto a = add(L"keep");
  add(L"other");
  auto kept = folder->Items()->Restrict(L"[Subject] = 'keep'");
  auto first = kept->Snapshot();
  ASSERT_EQ(first->size(), 1u);
  EXPECT_EQ(kept->Snapshot(), first) << "nothing changed: the same kept list";

  auto b = add(L"keep");
  auto second = kept->Snapshot();
  EXPECT_NE(second, first);
  EXPECT_EQ(*second, (std::vector<std::shared_ptr<Item>>{a, b}));
  EXPECT_EQ(*first, std::vector<std::shared_ptr<Item>>{a}) << "the earlier list stays as it was";

  // The whole folder's snapshot is a copy: filing more leaves it as it was.
  auto whole = folder->Items()->Snapshot();
  add(L"third");
  EXPECT_EQ(whole->size(), 3u);
  EXPECT_EQ(folder->Items()->Count(), 4);
}

TEST(Sharing, NewItemsOfAKindShareTheirMessageClassUntilOneIsGivenAnother) {
  Profile p = BuildProfile();
  auto a = p.contacts->Items()->Add(olContactItem);
  auto b = p.contacts->Items()->Add(olContactItem);
  auto note = p.app->CreateItem(olMailItem);
  a->Save();
  b->Save();
  EXPECT_TRUE(a->Props().SharesValue(b->Props(), PR_MESSAGE_CLASS));
  EXPECT_FALSE(a->Props().SharesValue(note->Props(), PR_MESSAGE_CLASS));
  EXPECT_EQ(note->MessageClass(), L"IPM.Note");
  auto contacts = p.contacts->Items()->Restrict(L"[MessageClass] = 'IPM.Contact'");
  const int32_t before = contacts->Count();

  a->SetMessageClass(L"IPM.Contact.Custom");
  a->Save();
  EXPECT_FALSE(a->Props().SharesValue(b->Props(), PR_MESSAGE_CLASS));
  EXPECT_EQ(b->MessageClass(), L"IPM.Contact");
  EXPECT_EQ(contacts->Count(), before - 1);
  // A contact made after the change starts from the kind's class again.
  EXPECT_EQ(p.contacts->Items()->Add(olContactItem)->MessageClass(), L"IPM.Contact");
}

}  // namespace

// A copy makes no recipient objects until one is asked for: objects asked for after removals
// and additions stand for the right recipients, and follow later removals.
TEST(Sharing, RecipientObjectsAskedForLateStandForTheirRecipients) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  for (int i = 0; i < 6; ++i) mail->Recipients()->Add(L"r" + std::to_wstring(i));
  mail->Save();
  auto copy = mail->Copy();
  auto& r = *copy->Recipients();
  r.Remove(6);
  r.Remove(2);
  r.Add(L"late");
  auto fourth = r.Item(4);  // "r4"
  EXPECT_EQ(fourth->Name(), L"r4");
  r.Remove(1);
  EXPECT_EQ(fourth->Index(), 3);
  r.Add(L"later");
  EXPECT_EQ(Names(r), (std::vector<std::wstring>{L"r2", L"r3", L"r4", L"late", L"later"}));
  EXPECT_EQ(r.Item(3), fourth);
  std::vector<std::wstring> walked;  // the collection walked as a whole, each one once
  for (const auto& recipient : r) walked.push_back(recipient->Name());
  EXPECT_EQ(walked, Names(r));
  fourth->Delete();
  EXPECT_EQ(Names(r), (std::vector<std::wstring>{L"r2", L"r3", L"late", L"later"}));
  EXPECT_EQ(fourth->Name(), L"r4");
  EXPECT_EQ(Names(*mail->Recipients()).size(), 6u);
}

namespace {

// A change of body format keeps the plain text itself, the stored value rather than a copy,
// and the text reads the same in each format and back.
TEST(Sharing, AChangeOfFormatKeepsThePlainTextItHad) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  const std::wstring text = L"one\nt<w>o &\r\n\u20AC three\r";
  mail->SetBody(text);
  auto before = mail->Copy();
  mail->SetBodyFormat(olFormatHTML);
  EXPECT_TRUE(mail->Props().SharesValue(before->Props(), PR_BODY));
  EXPECT_EQ(text, mail->Body());
  EXPECT_EQ(body::TextToHtml(text), mail->HTMLBody());
  mail->SetBodyFormat(olFormatRichText);
  EXPECT_TRUE(mail->Props().SharesValue(before->Props(), PR_BODY));
  EXPECT_EQ(body::TextToRtf(text), mail->RTFBody());
  EXPECT_FALSE(mail->Props().Has(PR_HTML));
  mail->SetBodyFormat(olFormatPlain);
  EXPECT_EQ(text, mail->Body());
  EXPECT_FALSE(mail->Props().Has(PR_RTF_COMPRESSED));
  // A format that is none leaves the item as it was.
  EXPECT_THROW(mail->SetBodyFormat(7), vb::Error);
  EXPECT_EQ(olFormatPlain, mail->BodyFormat());
  EXPECT_EQ(text, mail->Body());

  // A plain item made HTML reads the HTML of its text wherever the HTML is read, the same
  // each time, until its text is written.
  mail->SetBody(text);
  mail->SetBodyFormat(olFormatHTML);
  const std::wstring html = body::TextToHtml(text);
  auto copy = mail->Copy();
  EXPECT_EQ(PropValue{html}, mail->GetProp((PR_HTML & 0xFFFF0000) | PT_UNICODE));
  EXPECT_EQ(PropValue{html}, *mail->SharedProp(PR_HTML));
  EXPECT_EQ(html, mail->HTMLBody());
  EXPECT_EQ(body::HtmlToRtf(html), mail->RTFBody());
  EXPECT_EQ(html, copy->HTMLBody());
  // A raw write of the plain text (as MAPI would) leaves the HTML made from the text before.
  copy->SetProp((PR_BODY & 0xFFFF0000) | PT_UNICODE, std::wstring(L"raw"));
  EXPECT_EQ(html, copy->HTMLBody());
  EXPECT_EQ(L"raw", copy->Body());
  // A discard goes back to the item as saved; the whole bag holds the HTML.
  mail->Save();
  mail->SetBody(L"later");
  EXPECT_EQ(body::TextToHtml(L"later"), mail->HTMLBody());
  mail->DiscardChanges();
  EXPECT_EQ(html, mail->HTMLBody());
  EXPECT_EQ(text, mail->Body());
  EXPECT_EQ(html, mail->Props().Text(PR_HTML));

  // An HTML item's plain text, made from its HTML when first needed, is what it keeps.
  mail->SetHTMLBody(L"<html><BODY>a&amp;b<br>c</BODY></HTML>");
  mail->SetBodyFormat(olFormatPlain);
  EXPECT_EQ(L"a&b\r\nc", mail->Body());
}

}  // namespace
