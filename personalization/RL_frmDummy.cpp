#include "personalization/RL_frmDummy.h"

#include <cstring>

#include "core/CClipboard.h"
#include "core/Main.h"
#include "personalization/RL_mCustom.h"
#include "personalization/RL_mMain.h"
#include "platform/vb/SendKeys.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/GlobalMemory.h"

void RL_frmDummy::Design() {
  tmrClipboard = Add<forms::Timer>(L"tmrClipboard");
  tmrClipboard->SetEnabled(false);
  tmrClipboard->SetInterval(10);
  tmrClipboard->OnTimer = [this] { tmrClipboard_Timer(); };
}

void RL_frmDummy::SaveSendpasteRestore(const std::wstring& text) {
  if (m_nPhase != 0) {
    LogError(L"RL_frmDummy::SaveSendpasteRestore", 0, L"cant paste new, coz not finished previos");
    return;
  }
  m_sText = text;
  m_nPhase = 1;
  tmrClipboard->SetEnabled(true);
}

void RL_frmDummy::PutTextOnClipboard(const std::wstring& text) {
  if (!win32::OpenClipboard(0)) vb::Raise(521, L"Can't open Clipboard");
  struct Close {
    ~Close() { win32::CloseClipboard(); }
  } close;
  win32::EmptyClipboard();
  // UTF-16 with its terminating zero, as plain Unicode text.
  std::vector<uint16_t> units;
  for (wchar_t c : text) units.push_back(static_cast<uint16_t>(c));
  units.push_back(0);
  uint32_t block = win32::GlobalAlloc(win32::GMEM_MOVEABLE, units.size() * 2);
  if (block == 0) vb::Raise(7, L"Out of memory");
  std::memcpy(win32::GlobalLock(block), units.data(), units.size() * 2);
  win32::GlobalUnlock(block);
  win32::SetClipboardData(win32::CF_UNICODETEXT, block);
}

// Another program may hold the clipboard longer than the clipboard's own tries: each step is
// asked again at later ticks (kHeldTries in all). The user's clipboard is never written over
// unless it was read first, and is given back as soon as it can be.
void RL_frmDummy::tmrClipboard_Timer() {
  tmrClipboard->SetEnabled(false);
  switch (m_nPhase) {
    case 1:
      RL_mCustom::SaveHostClipboard();
      if (!HostClipboard().Taken()) {
        RL_mCustom::RestoreHostClipboard();  // nothing read: the pair closes, nothing written
        if (++m_nHeld < kHeldTries) {
          tmrClipboard->SetEnabled(true);
          return;
        }
        LogError(L"RL_frmDummy::tmrClipboard_Timer", 0,
                 L"the text was not pasted, another program holds the clipboard - " + m_sText);
        m_nPhase = 0;
        m_nHeld = 0;
        return;
      }
      m_nHeld = 0;
      // Whatever fails here, the second step still gives the user's clipboard back.
      Trap(L"RL_frmDummy::tmrClipboard_Timer", [&] {
        PutTextOnClipboard(m_sText);
        RL_mMain::SendShiftInsert();
        vb::SendKeys(L" ", true);
      });
      m_nPhase = 2;
      tmrClipboard->SetEnabled(true);
      break;
    case 2:
      if (++m_nHeld < kHeldTries && !HostClipboard().TryRestore()) {
        tmrClipboard->SetEnabled(true);
        return;
      }
      if (m_nHeld >= kHeldTries) RL_mCustom::RestoreHostClipboard();  // the last try, told
      m_nPhase = 0;
      m_nHeld = 0;
      break;
    default:
      LogError(L"RL_frmDummy::tmrClipboard_Timer", 0,
               L"Invalid phase - " + std::to_wstring(m_nPhase));
  }
}

void RL_frmDummy::Form_Unload(int32_t& /*cancel*/) {
  // Shutting down between the two steps still gives the user's clipboard back.
  if (m_nPhase == 2) {
    m_nPhase = 0;
    RL_mCustom::RestoreHostClipboard();
  }
  m_nPhase = 0;
  m_nHeld = 0;
  tmrClipboard->SetEnabled(false);
}
