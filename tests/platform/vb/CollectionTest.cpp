#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/vb/Collection.h"

TEST(Collection, KeysIgnoreCaseAndKeepInsertionOrder) {
  vb::Collection<int> c;
  c.Add(1, L"AB01");
  c.Add(2);
  c.Add(3, L"cd02");
  EXPECT_EQ(3, c.Count());
  EXPECT_EQ(1, c.Item(L"ab01"));
  EXPECT_EQ(3, c.Item(L"CD02"));
  EXPECT_EQ(2, c.Item(2));
  ASSERT_NE(nullptr, c.Find(L"Cd02"));
  EXPECT_EQ(nullptr, c.Find(L"ef03"));
  c.Remove(L"AB01");
  // Keys still reach their items after positions shifted.
  EXPECT_EQ(3, c.Item(L"cd02"));
  EXPECT_EQ(2, c.Item(1));
  std::vector<int> seen(c.begin(), c.end());
  EXPECT_EQ((std::vector<int>{2, 3}), seen);
}

TEST(Collection, RaisesTheRuntimesErrors) {
  vb::Collection<int> c;
  c.Add(1, L"Key");
  struct Case {
    const char* what;
    std::function<void()> call;
    int32_t number;
  } cases[] = {
      {"duplicate key in other case", [&] { c.Add(2, L"KEY"); }, 457},
      {"missing key", [&] { c.Item(L"none"); }, 5},
      {"position 0", [&] { c.Item(0); }, 9},
      {"position past the end", [&] { c.Remove(2); }, 9},
      {"remove missing key", [&] { c.Remove(L"none"); }, 5},
  };
  for (const auto& test : cases) {
    EXPECT_FALSE(vb::Catch(test.call)) << test.what;
    EXPECT_EQ(test.number, vb::Err().Number()) << test.what;
  }
  EXPECT_EQ(1, c.Count());
}

// Removals from the front, the middle and the end, by key and by position, against a plain
// list: every key still reaches its own item, and a removed key can be added again.
TEST(Collection, KeysFollowTheirItemsThroughManyRemovals) {
  vb::Collection<int> c;
  std::vector<std::pair<std::wstring, int>> model;  // key (empty: none), item
  std::mt19937 random(7);
  int next = 0;
  for (int step = 0; step < 3000; ++step) {
    bool add = model.size() < 5 || random() % 3 != 0;
    if (add) {
      std::wstring key = random() % 4 == 0 ? L"" : L"K" + std::to_wstring(random() % 400);
      bool taken = !key.empty() && std::any_of(model.begin(), model.end(), [&](auto& entry) {
        return vb::LCase(entry.first) == vb::LCase(key);
      });
      if (taken) continue;
      c.Add(next, key);
      model.emplace_back(key, next++);
    } else {
      size_t at = random() % model.size();
      if (!model[at].first.empty() && random() % 2)
        c.Remove(step % 2 ? vb::LCase(model[at].first) : model[at].first);
      else
        c.Remove(static_cast<int32_t>(at + 1));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
    ASSERT_EQ(static_cast<int32_t>(model.size()), c.Count());
    if (step % 50 == 0 || !add)
      for (size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(model[i].second, c.Item(static_cast<int32_t>(i + 1)));
        if (!model[i].first.empty()) {
          ASSERT_EQ(model[i].second, c.Item(model[i].first));
        }
      }
  }
}
