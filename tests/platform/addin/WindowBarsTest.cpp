// The maker of a new window's command bars runs before Outlook announces the window.
#include <gtest/gtest.h>

#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/WindowBars.h"

TEST(WindowBars, NewWindowsHaveTheirBarsWhenAnnounced) {
  auto p = outlook::BuildProfile({});
  int made = 0;
  outlook::SetCommandBarsMaker([&](const std::shared_ptr<outlook::Object>& window) {
    ++made;
    return std::make_shared<int>(window->Class());
  });
  bool explorerHadBars = false, inspectorHadBars = false;
  auto e = p.app->Explorers()->NewExplorer.Subscribe(
      [&](std::shared_ptr<outlook::Explorer> x) { explorerHadBars = x->CommandBars() != nullptr; });
  auto i = p.app->Inspectors()->NewInspector.Subscribe([&](std::shared_ptr<outlook::Inspector> x) {
    inspectorHadBars = x->CommandBars() != nullptr;
  });
  p.app->Explorers()->Add(p.inbox);
  p.plainMail->Display();
  EXPECT_TRUE(explorerHadBars);
  EXPECT_TRUE(inspectorHadBars);
  EXPECT_EQ(35, *std::static_pointer_cast<int>(p.plainMail->GetInspector()->CommandBars()));
  EXPECT_EQ(2, made);
}
