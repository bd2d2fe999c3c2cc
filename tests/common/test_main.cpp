// Test entry point: every test starts from a freshly reset platform substitute.
#include <gtest/gtest.h>

#include "platform/win32/Reset.h"

namespace {
class ResetPlatform : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { win32::ResetPlatform(); }
  void OnTestEnd(const testing::TestInfo&) override { win32::ResetPlatform(); }
};
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ResetPlatform);
  return RUN_ALL_TESTS();
}
