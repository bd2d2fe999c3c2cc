#include <gtest/gtest.h>

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
