#include "dialogs/frmWait.h"

#include "dialogs/DialogSupport.h"
#include "platform/forms/Controls.h"
#include "platform/vb/Error.h"

void frmWait::Design() {
  SetCaption(L"");
  SetControlBox(false);
  SetBorderStyle(forms::vbFixedDialog);
  SetWidth(3150);
  SetHeight(1050);
  auto fra = Add<forms::Frame>(L"fra");
  fra->SetCaption(L"");
  fra->SetLeft(60), fra->SetTop(0), fra->SetWidth(2970), fra->SetHeight(900);
  auto label = Add<forms::Label>(L"lblWait", fra);
  label->SetCaption(L"Please wait...");
  label->SetLeft(240), label->SetTop(360), label->SetWidth(2520), label->SetHeight(255);
}

void frmWait::Form_Load() {
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  win32::HWND foreground = 0;
  vb::Ignore([&] { foreground = win32::GetForegroundWindow(); });
  vb::Ignore([&] {
    m_hOldOwner = static_cast<win32::HWND>(win32::GetWindowLongA(hWnd(), win32::GWL_HWNDPARENT));
  });
  vb::Ignore([&] {
    win32::SetWindowLongA(hWnd(), win32::GWL_HWNDPARENT, static_cast<int32_t>(foreground));
  });
  vb::Err().Clear();
}

void frmWait::Form_Unload(int32_t& cancel) {
  (void)cancel;
  vb::Ignore([&] {
    win32::SetWindowLongA(hWnd(), win32::GWL_HWNDPARENT, static_cast<int32_t>(m_hOldOwner));
  });
  vb::Err().Clear();
}
