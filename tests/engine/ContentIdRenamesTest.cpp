// Renaming the content ids of a merged body all in one go must give the very text, and the
// very "is this picture linked" answers, that renaming them one replace at a time gives: a
// wrong answer loses a picture from the mail or leaves a link to nothing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/ContentIdRenames.h"
#include "engine/RoadSupport.h"

using mTanvelo::road::ContentIdRenames;
using mTanvelo::road::ReplaceNoCase;

namespace {

// The one-at-a-time model the merge follows.
struct OneByOne {
  std::wstring text;
  bool Links(const std::wstring& id) const { return text.find(L"cid:" + id) != std::wstring::npos; }
  void Rename(const std::wstring& id, const std::wstring& to) {
    text = ReplaceNoCase(text, id, to);
  }
};

std::wstring Digits(std::mt19937& random, size_t n) {
  std::wstring out;
  for (size_t i = 0; i < n; ++i) out += wchar_t(L'0' + random() % 10);
  return out;
}

}  // namespace

TEST(ContentIdRenames, RenamesEveryCaseOfAnIdAndAnswersLinksAsOneReplaceAtATimeWould) {
  const std::wstring body =
      L"<body><img src=\"cid:Pic1@TV\"><img src=\"CID:pic1@tv\"> pic1@tv and PIC1@TV"
      L"<img src=\"cid:pic10@tv\"><img src=\"cid:logo@tv\"></body>";
  ContentIdRenames renames(body, {L"pic1@tv", L"pic10@tv", L"logo@tv", L"absent@tv"});
  OneByOne model{body};
  EXPECT_TRUE(renames.Batched());
  // Exact case counts for the link: "cid:pic1@tv" is not written so, "cid:Pic1@TV" is.
  EXPECT_EQ(model.Links(L"pic1@tv"), renames.Links(L"pic1@tv"));
  EXPECT_EQ(model.Links(L"Pic1@TV"), renames.Links(L"Pic1@TV"));
  renames.Rename(L"pic1@tv", L"11111111111111111111111");
  model.Rename(L"pic1@tv", L"11111111111111111111111");
  for (const wchar_t* id : {L"pic1@tv", L"pic10@tv", L"logo@tv", L"absent@tv"})
    EXPECT_EQ(model.Links(id), renames.Links(id)) << id;
  renames.Rename(L"logo@tv", L"22222222222222222222222");
  model.Rename(L"logo@tv", L"22222222222222222222222");
  EXPECT_EQ(model.text, renames.Text());
  EXPECT_NE(std::wstring::npos, renames.Text().find(L"cid:pic10@tv")) << "a longer id survives";
}

TEST(ContentIdRenames, OverlappingAndAdjacentOccurrencesAreTakenFromTheLeft) {
  const std::wstring body = L"cid:ab@ab@ab@ x ab@AB@ cid:b@ab@";
  for (const auto& ids : std::vector<std::vector<std::wstring>>{
           {L"ab@ab@", L"b@ab@"}, {L"b@ab@", L"ab@ab@"}, {L"ab@a", L"b@ab@"}}) {
    ContentIdRenames renames(body, ids);
    OneByOne model{body};
    for (size_t k = 0; k < ids.size(); ++k) {
      ASSERT_EQ(model.Links(ids[k]), renames.Links(ids[k])) << k;
      std::wstring to(23, wchar_t(L'1' + k));
      renames.Rename(ids[k], to);
      model.Rename(ids[k], to);
      ASSERT_EQ(model.text, renames.Text()) << k;
    }
  }
}

TEST(ContentIdRenames, IdsThatCouldMeetANewIdAndOtherEditsFallBackToOneReplaceAtATime) {
  // An id ending in a digit could run on into the digits of an earlier new id.
  const std::wstring body = L"cid:x1 cid:1x cid:x12345678901234567890123y";
  for (const auto& id : {L"x1", L"1x"}) {
    ContentIdRenames renames(body, {L"x12345678901234567890123y", id});
    EXPECT_FALSE(renames.Batched()) << id;
  }
  // A new id no longer than a run of digits in an old one, or not digits at all.
  ContentIdRenames renames(body, {L"x12345678901234567890123y"});
  EXPECT_TRUE(renames.Batched());
  renames.Rename(L"x12345678901234567890123y", L"999");
  EXPECT_FALSE(renames.Batched());
  EXPECT_EQ(L"cid:x1 cid:1x cid:999", renames.Text());

  // An OLE note put in between: the renames after it see the note.
  ContentIdRenames edited(L"<body>cid:a@b</body>", {L"a@b"});
  edited.Edit().insert(6, L"note a@b ");
  edited.Rename(L"a@b", L"12345678901234567890123");
  EXPECT_EQ(L"<body>note 12345678901234567890123 cid:12345678901234567890123</body>",
            edited.Text());
}

// Many small bodies over few characters, so that ids overlap, repeat, differ in case and sit
// next to each other: every answer and the final text must be the model's.
TEST(ContentIdRenames, RandomBodiesGiveTheModelsTextAndAnswers) {
  std::mt19937 random(2112);
  const std::wstring alphabet = L"aAbB@:c1 ";
  auto pick = [&](size_t n) {
    std::wstring out;
    for (size_t i = 0; i < n; ++i) out += alphabet[random() % alphabet.size()];
    return out;
  };
  int batched = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::wstring> ids;
    for (size_t k = 0, n = 1 + random() % 4; k < n; ++k) {
      std::wstring id = pick(4 + random() % 3);
      if (random() % 3) id[1] = L'@';  // most ids hold an "@", some do not
      ids.push_back(id);
    }
    std::wstring body;
    for (int part = 0; part < 12; ++part) {
      if (random() % 2) body += (random() % 2 ? L"cid:" : L"CID:");
      body += random() % 2 ? ids[random() % ids.size()] : pick(random() % 5);
    }
    ContentIdRenames renames(body, ids);
    batched += renames.Batched();
    OneByOne model{body};
    for (const auto& id : ids) {
      ASSERT_EQ(model.Links(id), renames.Links(id)) << round;
      std::wstring to = Digits(random, 23);
      renames.Rename(id, to);
      model.Rename(id, to);
    }
    ASSERT_EQ(model.text, renames.Text()) << "round " << round;
  }
  EXPECT_GT(batched, 1000) << "the one-pass way was hardly tried";
}

// The text taken at the end is rebuilt in the buffer it came in when that has room and every
// rename grows (or every rename shrinks) it; either way it must be the model's text.
TEST(ContentIdRenames, TakenTextIsTheModelsAndStaysInItsBufferWhenItFits) {
  std::mt19937 random(38);
  const std::wstring alphabet = L"aAbB@:c ";
  auto pick = [&](size_t n) {
    std::wstring out;
    for (size_t i = 0; i < n; ++i) out += alphabet[random() % alphabet.size()];
    return out;
  };
  int inPlace = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::wstring> ids;
    for (size_t k = 0, n = 1 + random() % 4; k < n; ++k)
      ids.push_back(L"x@" + pick(2 + random() % 6));
    std::wstring body;
    for (int part = 0; part < 12; ++part) {
      if (random() % 2) body += L"cid:";
      body += random() % 2 ? ids[random() % ids.size()] : pick(random() % 5);
    }
    // Growing, shrinking or both, into a buffer with room or without.
    const int kind = static_cast<int>(random() % 3);
    std::wstring text;
    text.reserve(body.size() + (random() % 2 ? 400 : 0));
    text = body;
    const wchar_t* buffer = text.data();
    const bool roomy = text.capacity() >= body.size() + 400;
    ContentIdRenames renames(std::move(text), ids);
    OneByOne model{body};
    bool grows = true, shrinks = true;
    for (const auto& id : ids) {
      const size_t length = kind == 0 ? 23 : kind == 1 ? 2 : (random() % 2 ? 2 : 23);
      std::wstring to = Digits(random, length);
      grows = grows && to.size() >= id.size();
      shrinks = shrinks && to.size() <= id.size();
      renames.Rename(id, to);
      model.Rename(id, to);
    }
    const bool batched = renames.Batched();
    const std::wstring taken = std::move(renames).Take();
    ASSERT_EQ(model.text, taken) << "round " << round;
    if (batched && roomy && (grows || shrinks)) {
      EXPECT_EQ(buffer, taken.data()) << "round " << round;
      ++inPlace;
    }
  }
  EXPECT_GT(inPlace, 500) << "the in-place way was hardly tried";
}
