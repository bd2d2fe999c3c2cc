// The hidden paste form: its timer pastes a text at the cursor through the clipboard in two
// steps, so that an editor that takes no typed keys (Word) receives a field token while the
// user's clipboard survives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

class RL_frmDummy : public forms::Form {
 public:
  RL_frmDummy() : forms::Form(L"RL_frmDummy") {}

  // Queues the text; refused while an earlier paste has not finished its second step.
  void SaveSendpasteRestore(const std::wstring& text);

  // 0 idle, 1 a text waits to be pasted, 2 pasted and the clipboard waits to be restored.
  int32_t Phase() const { return m_nPhase; }

 protected:
  void Design() override;
  void Form_Unload(int32_t& cancel) override;

 private:
  void tmrClipboard_Timer();
  void PutTextOnClipboard(const std::wstring& text);

  std::shared_ptr<forms::Timer> tmrClipboard;
  int32_t m_nPhase = 0;
  int32_t m_nHeld = 0;  // ticks of this phase that found the clipboard held by another program
  std::wstring m_sText;
};
