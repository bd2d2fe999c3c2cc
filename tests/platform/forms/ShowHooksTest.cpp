// A program playing the user sees every modal show and may answer one nobody queued a script
// for; a queued script still comes first, and without a fallback the show fails as before.
#include <gtest/gtest.h>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/ShowHooks.h"
#include "platform/forms/User.h"
#include "platform/win32/MessageBox.h"

namespace {
class frmAsk : public forms::Form {
 public:
  frmAsk() : Form(L"frmAsk") {}
  bool ok = false;

 protected:
  void Design() override {
    auto btn = Add<forms::CommandButton>(L"btnOK");
    btn->SetDefault(true);
    btn->OnClick = [this] {
      ok = true;
      Hide();
    };
  }
};
}  // namespace

TEST(ShowHooks, EveryModalShowIsSeenAndAnUnqueuedOneTakesTheFallbackScript) {
  std::vector<std::wstring> seen;
  int fallbacks = 0;
  forms::SetShowObserver([&](forms::Form& f) { seen.push_back(f.Name()); });
  forms::SetFallbackScript([&](forms::Form&) -> std::optional<forms::Script> {
    ++fallbacks;
    return [](forms::User& u) { u.PressEnter(); };
  });
  frmAsk form;
  forms::QueueScript(L"frmAsk", [](forms::User& u) { u.CloseBox(); });
  form.Show(forms::vbModal);  // the queued script: closed, not OK
  EXPECT_FALSE(form.ok);
  form.Show(forms::vbModal);  // nobody queued: the fallback presses Enter
  EXPECT_TRUE(form.ok);
  EXPECT_EQ(1, fallbacks);
  EXPECT_EQ((std::vector<std::wstring>{L"frmAsk", L"frmAsk"}), seen);
  form.Unload();

  forms::SetFallbackScript(nullptr);
  frmAsk again;
  EXPECT_THROW(again.Show(forms::vbModal), win32::UnscriptedPrompt);
  again.Unload();
}
