// Windows: styles, owner, topmost, rectangles and a subclassed procedure that limits a resize.
#include <gtest/gtest.h>

#include "platform/win32/LastError.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Shell.h"
#include "platform/win32/Window.h"

using namespace win32;

TEST(Window, LongValuesAndTopmost) {
  window::CreateParams p;
  p.style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
  p.exStyle = WS_EX_TOOLWINDOW;
  HWND owner = window::Create({});
  HWND w = window::Create(p);
  EXPECT_EQ(static_cast<int32_t>(WS_EX_TOOLWINDOW), GetWindowLongA(w, GWL_EXSTYLE));
  EXPECT_EQ(
      static_cast<int32_t>(WS_EX_TOOLWINDOW),
      SetWindowLongA(w, GWL_EXSTYLE,
                     GetWindowLongA(w, GWL_EXSTYLE) & ~static_cast<int32_t>(WS_EX_TOOLWINDOW)));
  EXPECT_EQ(0, GetWindowLongA(w, GWL_EXSTYLE));
  EXPECT_EQ(0, SetWindowLongA(w, GWL_HWNDPARENT, static_cast<int32_t>(owner)));
  EXPECT_EQ(static_cast<int32_t>(owner), GetWindowLongA(w, GWL_HWNDPARENT));
  EXPECT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(static_cast<int32_t>(WS_EX_TOPMOST), GetWindowLongA(w, GWL_EXSTYLE));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(400, r.right - r.left) << "no size change with SWP_NOSIZE";
  EXPECT_FALSE(SetWindowPos(0x999, HWND_TOPMOST, 0, 0, 0, 0, 0));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  EXPECT_TRUE(SetForegroundWindow(owner));
  EXPECT_EQ(owner, GetForegroundWindow());
  DestroyWindow(owner);
  EXPECT_EQ(0u, GetForegroundWindow());
}

TEST(Window, ClientRectLeavesOutFrameAndCaption) {
  window::CreateParams p;
  p.rect = {10, 10, 410, 310};
  struct Case {
    uint32_t style;
    int32_t width, height;
  } cases[] = {{WS_POPUP, 400, 300},
               {WS_POPUP | WS_CAPTION, 394, 272},
               {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 392, 270}};
  for (const auto& c : cases) {
    p.style = c.style;
    RECT client;
    ASSERT_TRUE(GetClientRect(window::Create(p), &client));
    EXPECT_EQ(c.width, client.right) << c.style;
    EXPECT_EQ(c.height, client.bottom) << c.style;
  }
}

TEST(Window, SubclassedProcedureLimitsTheUsersResize) {
  window::CreateParams p;
  p.style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
  HWND w = window::Create(p);
  int32_t old = 0;
  int sizes = 0;
  int32_t mine = window::ProcAddress([&](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {300, 200};
    if (msg == WM_SIZE) ++sizes;
    return CallWindowProcA(old, h, msg, wp, lp);
  });
  old = SetWindowLongA(w, GWL_WNDPROC, mine);
  EXPECT_EQ(mine, GetWindowLongA(w, GWL_WNDPROC));
  ASSERT_TRUE(window::UserResize(w, 100, 500));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(300, r.right - r.left);
  EXPECT_EQ(500, r.bottom - r.top);
  EXPECT_EQ(1, sizes);
  SetWindowLongA(w, GWL_WNDPROC, old);
  window::UserResize(w, 100, 100);
  GetWindowRect(w, &r);
  EXPECT_EQ(136, r.right - r.left) << "back to the default minimum";

  p.style = WS_POPUP | WS_CAPTION;
  EXPECT_FALSE(window::UserResize(window::Create(p), 500, 500)) << "a fixed frame";
}

TEST(ShellFolderBrowser, ScriptedAnswers) {
  char name[260];
  BROWSEINFOA info;
  info.hwndOwner = 0x42;
  info.pszDisplayName = name;
  info.lpszTitle = "Export to";
  shell::AnswerBrowse(std::string("C:\\Users\\me\\Templates"));
  shell::AnswerBrowseVirtual();
  shell::AnswerBrowse(std::nullopt);

  PIDLIST item = SHBrowseForFolderA(&info);
  char path[260];
  ASSERT_TRUE(SHGetPathFromIDListA(item, path));
  EXPECT_STREQ("C:\\Users\\me\\Templates", path);
  EXPECT_STREQ("Templates", name);
  CoTaskMemFree(item);
  item = SHBrowseForFolderA(&info);
  EXPECT_NE(0u, item);
  EXPECT_FALSE(SHGetPathFromIDListA(item, path));
  EXPECT_STREQ("", path);
  CoTaskMemFree(item);
  EXPECT_EQ(0u, SHBrowseForFolderA(&info)) << "cancel";
  EXPECT_THROW(SHBrowseForFolderA(&info), UnscriptedPrompt);
  ASSERT_EQ(4u, shell::Browsers().size());
  EXPECT_EQ(0x42u, shell::Browsers()[0].owner);
  EXPECT_EQ(0u, shell::LiveItemLists());
}

namespace {
LRESULT Passing(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(h, msg, wp, lp);
}
}  // namespace

// A dialog hooked each time it opens takes AddressOf its module's procedure each time: one
// address, not one more per opening; a lambda is an object of its own each time.
TEST(Window, AFunctionKeepsItsAddress) {
  int32_t first = window::ProcAddress(Passing);
  EXPECT_EQ(first, window::ProcAddress(Passing));
  auto lambda = [](HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(h, msg, wp, lp);
  };
  EXPECT_NE(window::ProcAddress(lambda), window::ProcAddress(lambda));
  HWND w = window::Create({});
  int32_t old = SetWindowLongA(w, GWL_WNDPROC, first);
  EXPECT_EQ(first, GetWindowLongA(w, GWL_WNDPROC));
  EXPECT_NE(0, old);
}

TEST(ShellExecute, IsRecorded) {
  EXPECT_GT(ShellExecuteA(7, nullptr, "C:\\Temp\\a.htm", nullptr, "C:\\", SW_SHOWNORMAL), 32u);
  ASSERT_EQ(1u, shell::Executions().size());
  EXPECT_EQ("C:\\Temp\\a.htm", shell::Executions()[0].file);
  EXPECT_EQ("", shell::Executions()[0].verb);
  EXPECT_EQ("C:\\", shell::Executions()[0].directory);
}
