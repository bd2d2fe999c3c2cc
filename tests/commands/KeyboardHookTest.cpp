// The keyboard hook: which key-downs become hotkeys, that every key still reaches Outlook, and
// the hook's installation.
#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "commands/mKeyboardHook.h"
#include "core/CWinReg.h"
#include "engine/RoadSupport.h"
#include "hotkeys/CHotkeys.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/LastError.h"
#include "tests/commands/CommandsTest.h"

using namespace win32;

namespace {

class KeyboardHookTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    mKeyboardHook::OnHotkeySlot() = [this](const std::shared_ptr<CHotkey>& hotkey) {
      ran.push_back(hotkey->BuildKey());
    };
    Hotkeys().Add(L"T1", 1, 'R', false, true, true);  // Ctrl+Alt+R
    Hotkeys().Add(L"T2", 2, 'E', false, true, true);  // Ctrl+Alt+E
    ASSERT_TRUE(mKeyboardHook::SetKeyboardHook());
  }
  // Hotkeys run after 100 ms.
  std::vector<std::wstring> RunHotkeys() {
    Wait(100);
    return ran;
  }
  static int DeliveredDowns(uint8_t vk) {
    int n = 0;
    for (const auto& stroke : keyboard::Delivered()) n += stroke.virtualKey == vk && stroke.down;
    return n;
  }
  std::vector<std::wstring> ran;
};

using Keys = std::vector<std::wstring>;

TEST_F(KeyboardHookTest, ABoundCombinationQueuesItsKeyAndTheKeyStillReachesOutlook) {
  keyboard::Press('R', false, true, true);
  EXPECT_TRUE(ran.empty()) << "nothing runs inside the hook";
  EXPECT_EQ(RunHotkeys(), Keys{L"521112"});
  EXPECT_EQ(DeliveredDowns('R'), 1);
}

TEST_F(KeyboardHookTest, OnlyTheExactCombinationCounts) {
  keyboard::Press('R', true, true, false);   // Ctrl+Shift+R
  keyboard::Press('R', false, false, true);  // Alt+R
  keyboard::Press('R');
  EXPECT_TRUE(RunHotkeys().empty());
  EXPECT_EQ(DeliveredDowns('R'), 3);
}

TEST_F(KeyboardHookTest, AltWinSAsksForANewMailsTemplateWhateverCtrlAndShiftDo) {
  Hotkeys().Add(L"T3", 1, 'S', false, true, true);  // Ctrl+Alt+S
  picker.push_back(kCancel);
  keybd_event(VK_LWIN, 0, 0, 0);
  keyboard::Press('S', false, true, true);
  keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_TRUE(RunHotkeys().empty()) << "not the Ctrl+Alt+S binding";
  Wait(1);  // queued as a demand, which runs once the hotkey's moment has passed
  EXPECT_EQ(pickerAsked, Keys{L"|1|3"}) << "the new-mail road asks for a template";
  EXPECT_TRUE(Logged(L"mHook::KeyboardProc", L"ALT+WIN+S is Pressed"));

  keyboard::Press('S', false, true, true);  // without Win: the binding
  EXPECT_EQ(RunHotkeys(), Keys{L"531112"});
}

TEST_F(KeyboardHookTest, AltWinSDuringATemplateActionAsksOnceThatActionHasEnded) {
  picker.push_back(kCancel);
  {
    mTanvelo::road::ActionGuard running(L"test");  // another action's dialog is open
    keybd_event(VK_LWIN, 0, 0, 0);
    keyboard::Press('S', false, true, true);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    Wait(1000);
    EXPECT_TRUE(pickerAsked.empty());
  }
  Wait(1);
  EXPECT_EQ(pickerAsked, Keys{L"|1|3"});
}

TEST_F(KeyboardHookTest, AHeldKeyFiresOnceHoweverLongItIsHeld) {
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event(VK_MENU, 0, 0, 0);
  keybd_event('R', 0, 0, 0);
  Wait(500);  // the keyboard's repeat delay, long after the hotkey ran
  for (int i = 0; i < 5; ++i) {
    keybd_event('R', 0, 0, 0);  // auto-repeat
    Wait(33);
  }
  keybd_event('R', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(RunHotkeys(), Keys{L"521112"});
  EXPECT_EQ(DeliveredDowns('R'), 6) << "every repeat still reaches Outlook";
}

TEST_F(KeyboardHookTest, AltGrTypesItsCharacterAndFiresNoHotkey) {
  keyboard::SetAltGrLayout(true);
  auto body = std::make_shared<outlook::Inspector>(p.app, p.plainMail);
  keyboard::SetFocus(body);
  keyboard::PressAltGr('E');
  EXPECT_TRUE(RunHotkeys().empty()) << "AltGr+E is the euro sign, not Ctrl+Alt+E";
  EXPECT_EQ(DeliveredDowns('E'), 1);
  keyboard::Press('E', false, true, true);  // the real Ctrl+Alt+E with the left keys
  EXPECT_EQ(RunHotkeys(), Keys{L"451112"});
}

TEST_F(KeyboardHookTest, EveryKeyPassesOnToTheNextHook) {
  // A hook installed before ours (Windows calls the newest first).
  ASSERT_TRUE(mKeyboardHook::UnsetKeyboardHook());
  std::vector<WPARAM> below;
  SetWindowsHookExA(
      WH_KEYBOARD,
      [&](int code, WPARAM w, LPARAM l) -> LRESULT {
        if (l >= 0) below.push_back(w);
        return CallNextHookEx(0, code, w, l);
      },
      0x20000000, GetCurrentThreadId());
  ASSERT_TRUE(mKeyboardHook::SetKeyboardHook());
  Hotkeys().Remove(L"521112");
  keyboard::Press('R', false, true, true);  // no longer bound
  Hotkeys().Add(L"T1", 1, 'R', false, true, true);
  keyboard::Press('R', false, true, true);  // bound
  keyboard::SetAltGrLayout(true);
  keyboard::PressAltGr('R');
  int rs = 0;
  for (WPARAM w : below) rs += w == 'R';
  EXPECT_EQ(rs, 3);
  EXPECT_EQ(mKeyboardHook::KeyboardProc(-1, 'R', 0), 0) << "a negative code goes straight on";
}

TEST_F(KeyboardHookTest, BindingsTheRegistryRefusedAtTheStartServeFromTheFirstPress) {
  // The bindings' key held through every try as Outlook started: the user's hotkey stayed
  // silent all session. Read again at the press, it serves; still refused, the key is named.
  const std::wstring id = AddTemplate(L"Offer")->EntryID();
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, CHotkeys::GetRegPath(), true));
    ASSERT_TRUE(reg.SetStringValue(L"Ctrl+Alt+K", L"Tanvelo," + id));
  }
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1}) {
    ran.clear();
    win32::faults::Start({.at = 1, .span = span});
    Hotkeys().LoadFromReg();
    win32::faults::Stop();
    ASSERT_TRUE(Logged(L"CHotkeys::LoadFromReg")) << span << " refusals";
    EXPECT_EQ(0, Hotkeys().Count()) << span;
    keyboard::Press('K', false, true, true);
    EXPECT_EQ(RunHotkeys(), Keys{L"4B1112"}) << span << " refusals at the start";
  }
  ran.clear();
  win32::faults::Start({.at = 1, .span = kHeldTries});
  Hotkeys().LoadFromReg();
  win32::faults::Stop();
  win32::faults::Start({.at = 1, .span = 1000});
  keyboard::Press('K', false, true, true);
  win32::faults::Stop();
  EXPECT_TRUE(RunHotkeys().empty());
  EXPECT_TRUE(Logged(L"mHook::KeyboardProc", L"Hotkey Ctrl+Alt+K not served"));
  keyboard::Press('K', false, true, true);  // the registry answers again
  EXPECT_EQ(RunHotkeys(), Keys{L"4B1112"});
}

TEST_F(KeyboardHookTest, InstallingAndRemoving) {
  EXPECT_FALSE(mKeyboardHook::SetKeyboardHook());
  EXPECT_TRUE(Logged(L"SetKeyboardHook", L"Hook is already setted"));
  EXPECT_EQ(keyboard::InstalledHooks(), 1u) << "the existing hook stays";
  EXPECT_TRUE(mKeyboardHook::UnsetKeyboardHook());
  EXPECT_TRUE(Logged(L"UnsetKeyboardHook", L"Keyboard hook is unset"));
  EXPECT_FALSE(mKeyboardHook::UnsetKeyboardHook());
  EXPECT_EQ(keyboard::InstalledHooks(), 0u);
  keyboard::Press('R', false, true, true);
  EXPECT_TRUE(RunHotkeys().empty()) << "no hook, no hotkey";

  keyboard::RefuseHooks(ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(mKeyboardHook::SetKeyboardHook());
  EXPECT_TRUE(
      Logged(L"SetKeyboardHook", L"LastDllError = " + std::to_wstring(ERROR_NOT_ENOUGH_MEMORY)));
  EXPECT_FALSE(mKeyboardHook::IsHookSet());
}

}  // namespace

TEST_F(KeyboardHookTest, BindingsTheRegistryRefusedAtTheStartAreReadAgainAtTheirKey) {
  // Refused past every try at the start, a bound key stayed silent the whole session.
  while (Hotkeys().Count()) Hotkeys().Remove(1);
  Hotkeys().Add(AddTemplate(L"Offer")->EntryID(), 1, 'R', false, true, true);
  Hotkeys().SaveToReg();
  win32::faults::Start({.at = 1, .span = uint64_t{kHeldTries}});
  Hotkeys().LoadFromReg();
  win32::faults::Stop();
  ASSERT_TRUE(Hotkeys().Unread());
  ASSERT_EQ(Hotkeys().Count(), 0);
  keyboard::Press('R', false, true, true);
  EXPECT_EQ(RunHotkeys(), Keys{L"521112"});
  EXPECT_FALSE(Hotkeys().Unread());
}
