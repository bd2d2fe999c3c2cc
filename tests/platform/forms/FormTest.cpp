// The forms runtime: the life of a form, the modal script protocol and the simulated user.
#include <gtest/gtest.h>

#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/TreeView.h"
#include "platform/forms/User.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"

using namespace forms;

namespace {
// A small dialog of the kind the add-in has: a name box, OK only while it holds text.
class frmName : public Form {
 public:
  frmName() : Form(L"frmName") {}
  std::vector<std::string> events;
  int32_t cancelUnload = 0;
  std::shared_ptr<TextBox> txtName;
  std::shared_ptr<CommandButton> cmdOK, cmdCancel;
  std::shared_ptr<Frame> fraMode;
  std::shared_ptr<OptionButton> optOne, optMany, optOther;
  std::shared_ptr<CheckBox> chkKeep;

 protected:
  void Design() override {
    txtName = Add<TextBox>(L"txtName");
    txtName->OnChange = [this] {
      events.push_back("Change");
      cmdOK->SetEnabled(!txtName->Text().empty());
    };
    cmdOK = Add<CommandButton>(L"cmdOK");
    cmdOK->SetDefault(true);
    cmdOK->OnClick = [this] {
      events.push_back("OK");
      Hide();
    };
    cmdCancel = Add<CommandButton>(L"cmdCancel");
    cmdCancel->SetCancel(true);
    cmdCancel->OnClick = [this] { Unload(); };
    fraMode = Add<Frame>(L"fraMode");
    optOne = Add<OptionButton>(L"optOne", fraMode);
    optMany = Add<OptionButton>(L"optMany", fraMode);
    optOther = Add<OptionButton>(L"optOther");
    chkKeep = Add<CheckBox>(L"chkKeep");
    chkKeep->OnClick = [this] { events.push_back("Keep"); };
  }
  void Form_Load() override { events.push_back("Load"); }
  void Form_Resize() override { events.push_back("Resize"); }
  void Form_Activate() override { events.push_back("Activate"); }
  void Form_QueryUnload(int32_t& cancel, int32_t mode) override {
    events.push_back("QueryUnload" + std::to_string(mode));
    cancel = cancelUnload;
  }
  void Form_Unload(int32_t&) override { events.push_back("Unload"); }
};
}  // namespace

TEST(FormLife, LoadShowHideUnloadAndTheirEvents) {
  frmName f;
  f.Load();
  f.txtName->SetText(L"x");
  f.Show();
  f.Show();  // already visible: no second activation
  f.Hide();
  EXPECT_TRUE(f.IsLoaded());
  EXPECT_TRUE(f.Unload());
  EXPECT_FALSE(f.IsLoaded());
  EXPECT_EQ(
      (std::vector<std::string>{"Load", "Change", "Resize", "Activate", "QueryUnload1", "Unload"}),
      f.events);
}

TEST(FormLife, AReloadStartsFromTheDesignAndUnloadCanBeCancelled) {
  frmName f;
  f.Load();
  f.txtName->SetText(L"typed");
  f.cancelUnload = 1;
  EXPECT_FALSE(f.Unload());
  EXPECT_TRUE(f.IsLoaded());
  f.cancelUnload = 0;
  ASSERT_TRUE(f.Unload());
  f.Load();
  EXPECT_EQ(L"", f.txtName->Text());
}

TEST(ModalScript, RunsWhenTheFormIsShownAndMustCloseIt) {
  frmName f;
  QueueScript(L"FRMNAME", [](User& u) {
    u.Type(L"txtName", L"x");
    u.Type(L"txtName", L"");
    EXPECT_THROW(u.PressEnter(), ActionRefused) << "OK is disabled while the box is empty";
    u.Type(L"txtName", L"My Templates");
    u.PressEnter();
  });
  f.Show(vbModal);
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(f.IsLoaded()) << "OK only hides, so the caller can read the name";
  EXPECT_EQ(L"My Templates", f.txtName->Text());
  EXPECT_EQ(0u, PendingScripts(L"frmName"));
}

TEST(ModalScript, UnscriptedShowAndAScriptThatLeavesTheFormOpenFail) {
  frmName f;
  try {
    f.Show(vbModal);
    FAIL() << "an unscripted modal show must fail";
  } catch (const win32::UnscriptedPrompt& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("frmName"));
  }
  f.Hide();
  QueueScript(L"frmName", [](User& u) { u.Type(L"txtName", L"x"); });
  EXPECT_THROW(f.Show(vbModal), win32::UnscriptedPrompt);
  // No error trap of the system takes it.
  f.Hide();
  QueueScript(L"frmName", [](User&) {});
  EXPECT_THROW(vb::Ignore([&] { f.Show(vbModal); }), win32::UnscriptedPrompt);
}

TEST(ModalScript, NestedModalFormsAndTheFormBehind) {
  frmName outer, inner;
  bool innerRan = false;
  QueueScript(L"frmName", [&](User& u) {
    // The outer form's script opens a second instance; its script runs inside.
    inner.Show(vbModal);
    u.PressEsc();
  });
  QueueScript(L"frmName", [&](User& u) {
    innerRan = true;
    User behind(outer);
    EXPECT_THROW(behind.PressEsc(), ActionRefused) << "the outer form is behind a modal one";
    u.CloseBox();
  });
  outer.Show(vbModal);
  EXPECT_TRUE(innerRan);
  EXPECT_FALSE(outer.IsLoaded());
  EXPECT_FALSE(inner.IsLoaded());
  EXPECT_EQ("QueryUnload0", inner.events[inner.events.size() - 2]) << "the close box";
}

TEST(SimulatedUser, RefusesWhatAPersonCouldNotDo) {
  frmName f;
  f.Show();
  User u(f);
  f.fraMode->SetEnabled(false);
  EXPECT_THROW(u.Choose(L"optOne"), ActionRefused) << "inside a disabled frame";
  EXPECT_TRUE(f.optOne->Enabled()) << "its own Enabled is untouched";
  f.fraMode->SetEnabled(true);
  f.chkKeep->SetVisible(false);
  EXPECT_THROW(u.Click(L"chkKeep"), ActionRefused);
  EXPECT_THROW(u.Click(L"txtName"), ActionRefused) << "a text box is typed into, not clicked";
  EXPECT_THROW(u.Click(L"cmdNowhere"), ActionRefused);
  f.Hide();
  EXPECT_THROW(u.PressEsc(), ActionRefused);
  f.Show();
  f.Unload();
  EXPECT_THROW(u.Type(L"txtName", L"x"), ActionRefused);
}

TEST(SimulatedUser, EnterGoesToTheFocusedButtonElseToTheDefaultOne) {
  frmName f;
  f.Show();
  User u(f);
  u.Type(L"txtName", L"Ann");  // the focus is in the box
  u.PressEnter();
  EXPECT_FALSE(f.Visible()) << "OK, the Default button";
  f.Show();
  f.cmdCancel->SetFocus();
  f.cmdCancel->SetEnabled(false);
  u.PressEnter();
  EXPECT_FALSE(f.Visible()) << "a focused button that cannot take it leaves Enter to OK";
  f.Show();
  f.cmdCancel->SetEnabled(true);
  f.cmdCancel->SetFocus();
  u.PressEnter();
  EXPECT_FALSE(f.IsLoaded()) << "the focused Cancel button takes Enter";

  f.Show();
  f.SetEnabled(false);
  EXPECT_THROW(u.Click(L"chkKeep"), ActionRefused) << "a disabled form takes no clicks";
  EXPECT_THROW(u.Type(L"txtName", L"x"), ActionRefused);
  EXPECT_THROW(f.txtName->SetFocus(), vb::Error);
}

TEST(SimulatedUser, OptionGroupsFollowTheirContainer) {
  frmName f;
  f.Show();
  User u(f);
  f.optOther->SetValue(true);
  u.Choose(L"optOne");
  u.Choose(L"optMany");
  EXPECT_FALSE(f.optOne->Value());
  EXPECT_TRUE(f.optMany->Value());
  EXPECT_TRUE(f.optOther->Value()) << "another container, another group";
}

TEST(SimulatedUser, CheckBoxValuesAndClick) {
  frmName f;
  f.Show();
  User u(f);
  f.chkKeep->SetValue(vbGrayed);
  u.Click(L"chkKeep");
  EXPECT_EQ(vbUnchecked, f.chkKeep->Value());
  u.SetChecked(L"chkKeep", true);
  u.SetChecked(L"chkKeep", true);
  EXPECT_EQ(vbChecked, f.chkKeep->Value());
  EXPECT_EQ(3, std::count(f.events.begin(), f.events.end(), "Keep")) << "code and user changes";
  EXPECT_THROW(f.chkKeep->SetValue(3), vb::Error);
}

TEST(SimulatedUser, ResizeKeepsToTheWindowProcedure) {
  frmName f;
  f.Show();
  int32_t old = 0;
  old = win32::SetWindowLongA(
      f.hWnd(), win32::GWL_WNDPROC,
      win32::window::ProcAddress(
          [&](win32::HWND h, win32::UINT m, win32::WPARAM w, win32::LPARAM l) -> win32::LRESULT {
            if (m == win32::WM_GETMINMAXINFO)
              reinterpret_cast<win32::MINMAXINFO*>(l)->ptMinTrackSize = {300, 200};
            return win32::CallWindowProcA(old, h, m, w, l);
          }));
  User(f).Resize(1500, 9000);
  EXPECT_EQ(300 * vb::Screen().TwipsPerPixelX, f.Width());
  EXPECT_EQ(9000, f.Height());
  EXPECT_EQ("Resize", f.events.back());
  f.Unload();
  f.SetBorderStyle(vbFixedDialog);
  f.Show();
  EXPECT_THROW(User(f).Resize(9000, 9000), ActionRefused);
}

TEST(ControlsByName, ArraysTypesAndMissingProperties) {
  class frmArray : public Form {
   public:
    frmArray() : Form(L"frmArray") {}

   protected:
    void Design() override {
      Add<Label>(L"lblLine", nullptr, 0)->SetCaption(L"first");
      Add<Label>(L"lblLine", nullptr, 2)->SetCaption(L"third");
      Add<Timer>(L"tmrPoll");
    }
  } f;
  f.Load();
  EXPECT_EQ(nullptr, f.FindControl(L"lblLine")) << "an array needs its index";
  EXPECT_EQ(L"third", f.FindControl(L"LBLLINE", 2)->Caption());
  auto numberOf = [&](auto call) {
    try {
      call();
    } catch (const vb::Error& e) {
      return e.Number();
    }
    return 0;
  };
  EXPECT_EQ(340, numberOf([&] { f.FindControl(L"lblLine", 1); }));
  EXPECT_EQ(343, numberOf([&] { f.FindControl(L"tmrPoll", 0); }));
  EXPECT_EQ(730, numberOf([&] { f.FindControl(L"nothing", 0); }));
  auto timer = f.FindControl(L"tmrPoll");
  EXPECT_EQ(L"Timer", timer->TypeName());
  EXPECT_EQ(438, numberOf([&] { timer->Caption(); }));
  EXPECT_EQ(438, numberOf([&] { timer->Width(); }));
  EXPECT_EQ(0, numberOf([&] { timer->Left(); }));
}

TEST(ControlWindows, ATreeHasAChildWindowOnlyWhileItsFormIsLoaded) {
  class frmTree : public Form {
   public:
    frmTree() : Form(L"frmTree") {}
    std::shared_ptr<TreeView> tree;
    std::shared_ptr<Label> label;

   protected:
    void Design() override {
      auto frame = Placed(Add<Frame>(L"fra"), 600, 300, 3000, 4000);
      tree = Placed(Add<TreeView>(L"tre", frame), 120, 240, 1500, 3000);
      label = Add<Label>(L"lbl");
    }
  } f;
  f.Load();
  win32::HWND first = f.tree->hWnd();
  ASSERT_TRUE(win32::IsWindow(first));
  EXPECT_EQ(static_cast<win32::HWND>(win32::GetWindowLongA(first, win32::GWL_HWNDPARENT)),
            f.hWnd());
  auto style = static_cast<uint32_t>(win32::GetWindowLongA(first, win32::GWL_STYLE));
  const uint32_t expected = win32::WS_CHILD | win32::WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS;
  EXPECT_EQ(style & expected, expected);
  EXPECT_EQ(style & (TVS_NOTOOLTIPS | win32::WS_POPUP | win32::WS_CAPTION), 0u);
  EXPECT_EQ(f.label->hWnd(), 0u) << "a label has no window";

  // Placed in pixels of the form's client area, its frame's place added, and kept there.
  auto rect = [&] {
    win32::RECT r;
    EXPECT_TRUE(win32::GetWindowRect(f.tree->hWnd(), &r));
    return std::vector<int32_t>{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  EXPECT_EQ(rect(), (std::vector<int32_t>{48, 36, 100, 200}));
  f.tree->SetWidth(3000);
  f.tree->SetTop(0);
  EXPECT_EQ(rect(), (std::vector<int32_t>{48, 20, 200, 200}));
  auto visibleBit = [&] {
    return (win32::GetWindowLongA(f.tree->hWnd(), win32::GWL_STYLE) & win32::WS_VISIBLE) != 0;
  };
  f.tree->SetVisible(false);
  EXPECT_FALSE(visibleBit());

  ASSERT_TRUE(f.Unload());
  EXPECT_FALSE(win32::IsWindow(first));
  EXPECT_EQ(f.tree->hWnd(), 0u);
  f.Load();
  EXPECT_TRUE(win32::IsWindow(f.tree->hWnd()));
  EXPECT_TRUE(visibleBit()) << "the design's visible tree again";
}

TEST(ControlsByName, LinesHaveOnlyTheirEndsAndAnyCollectionIsSearchedAlike) {
  auto numberOf = [](auto call) {
    try {
      call();
    } catch (const vb::Error& e) {
      return e.Number();
    }
    return 0;
  };
  auto line = std::make_shared<Line>();
  line->X2 = 1500;
  EXPECT_EQ(L"Line", line->TypeName());
  EXPECT_EQ(438, numberOf([&] { line->Caption(); }));
  EXPECT_EQ(438, numberOf([&] { line->SetLeft(10); }));
  EXPECT_EQ(438, numberOf([&] { line->ToolTipText(); }));
  EXPECT_EQ(0, numberOf([&] { line->SetVisible(false); }));

  // A user control's own collection, outside any form.
  class frmHost : public Form {
   public:
    frmHost() : Form(L"frmHost") {}
    std::vector<std::shared_ptr<Control>> inner;

   protected:
    void Design() override { inner = {Add<Label>(L"lblPart", nullptr, 1), Add<Line>(L"linTop")}; }
  } host;
  host.Load();
  EXPECT_EQ(host.inner[1], FindControlIn(host.inner, L"LINTOP"));
  EXPECT_EQ(nullptr, FindControlIn(host.inner, L"lblPart"));
  EXPECT_EQ(host.inner[0], FindControlIn(host.inner, L"lblpart", 1));
  EXPECT_EQ(340, numberOf([&] { FindControlIn(host.inner, L"lblPart", 0); }));
  EXPECT_EQ(730, numberOf([&] { FindControlIn({}, L"lblPart", 1); }));
}

TEST(TimerControl, RunsOnTheVirtualClockWhileTheFormIsLoaded) {
  class frmTick : public Form {
   public:
    frmTick() : Form(L"frmTick") {}
    int ticks = 0;
    std::shared_ptr<Timer> tmr;

   protected:
    void Design() override {
      tmr = Add<Timer>(L"tmr");
      tmr->SetInterval(100);
      tmr->OnTimer = [this] {
        if (++ticks == 3) tmr->SetEnabled(false);
      };
    }
  } f;
  win32::clock::Advance(1000);
  EXPECT_EQ(0, f.ticks) << "not loaded yet";
  f.Load();
  win32::clock::Advance(250);
  EXPECT_EQ(2, f.ticks);
  win32::clock::Advance(1000);
  EXPECT_EQ(3, f.ticks) << "switched itself off";
  f.tmr->SetEnabled(true);
  f.Unload();
  win32::clock::Advance(1000);
  vb::DoEvents();
  EXPECT_EQ(3, f.ticks);
  EXPECT_EQ(0u, win32::clock::PendingTimers());
}
