// The raising hook: the error each component raises, and a failed call leaving nothing half
// done for the calls it makes itself.
#include <gtest/gtest.h>

#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace faults = win32::faults;

namespace {

int32_t Raised(faults::Surface surface) {
  try {
    vb::FaultingCall call(surface);
  } catch (const vb::Error& e) {
    EXPECT_FALSE(e.Description().empty());
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST(FaultingCall, RaisesTheComponentsOwnErrors) {
  faults::Start({.every = 1, .seed = 5});
  for (auto surface : {faults::Surface::Outlook, faults::Surface::Redemption}) {
    int32_t n = Raised(surface);
    EXPECT_TRUE(n == static_cast<int32_t>(0x80004005) || n == static_cast<int32_t>(0x8004010F))
        << n;
  }
  int32_t word = Raised(faults::Surface::Word);
  EXPECT_TRUE(word == static_cast<int32_t>(0x80010001) || word == static_cast<int32_t>(0x800A1066))
      << word;
  int32_t file = Raised(faults::Surface::Files);
  EXPECT_TRUE(file == 70 || file == 75) << file;

  // A raised call is over: the next call is counted afresh, not taken as the substitute's own.
  faults::Start({.every = 2, .seed = 0});
  int raised = 0;
  for (int i = 0; i < 10; ++i) raised += Raised(faults::Surface::Outlook) != 0;
  EXPECT_EQ(5, raised);
  faults::Stop();
  EXPECT_EQ(0, Raised(faults::Surface::Outlook));
}
