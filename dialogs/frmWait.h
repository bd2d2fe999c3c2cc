// The "Please wait..." window the template engine shows (not modally) while it makes a reply.
// From load to unload the window that was in front when it appeared owns it, so it stays
// above that window.
#pragma once

#include <memory>

#include "platform/forms/Form.h"
#include "platform/win32/Window.h"

class frmWait : public forms::Form {
 public:
  frmWait() : Form(L"frmWait") {}

 protected:
  void Design() override;
  void Form_Load() override;
  void Form_Unload(int32_t& cancel) override;

 private:
  win32::HWND m_hOldOwner = 0;
};
