// The hidden form that takes template actions out of Office's events: a command stores its
// demand here and a one-shot timer runs it once the event has returned. Three timers: the
// demand (1 ms), the hotkey (100 ms) and the sending of a Word-edited mail (250 ms). Timers
// fire between messages, so also inside a modal dialog an action has opened.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "commands/IInspectorWrapperEx.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"

// Demand codes of the record.
enum EDemandAction : int32_t {
  edaNone = 0,
  edaDoTanvelo = 1,            // reply, reply to all or forward of a mail
  edaNewMailFromTemplate = 2,  // new mail from a template
  edaSelAndEditTemplate = 3,   // pick a template, then open it for editing
  edaTanveloClick = 4,         // reply from an inspector's button
};

// The one demand the form holds.
struct DemandParams {
  int32_t nDemandAction = edaNone;
  std::shared_ptr<outlook::Item> oItem;
  int32_t nAction = -1;
  int32_t nMode = -1;
  std::wstring sTemplateID;
  bool bFlag = false;
  InspectorWrapperPtr oWrapper;
};

class frmDummy : public forms::Form {
 public:
  frmDummy() : Form(L"frmDummy") {}

  // Queueing a demand replaces one still pending (a warning names the lost one).
  void DemandDoTanvelo(const std::shared_ptr<outlook::Item>& oItem, int32_t nAction, int32_t nMode,
                       const std::wstring& sTemplateID);
  void DemandNewMailFromTemplate(const std::wstring& sTemplateID, bool bFlag);
  void DemandSelAndEditTemplace();
  void DemandTanvelo_Click(const InspectorWrapperPtr& oWrapper, int32_t nAction,
                           const std::wstring& sTemplateID, bool bFlag);
  // A hotkey's collection key ("" with bNewMail for the new-mail combination); dropped while
  // an earlier hotkey is still pending or running.
  void DemandHotkey(const std::wstring& sKey, bool bNewMail);
  // The inspector whose Word-edited mail is being sent; every one handed over is sent.
  void DemandWorkaround1(const InspectorWrapperPtr& oWrapper);

  // What is waiting, for the add-in object and tests.
  const DemandParams& PendingDemand() const { return m_dp; }
  bool HotkeyPending() const { return m_bHotkeyPending; }

  // The hidden sorted list box of the form.
  std::shared_ptr<forms::ListBox> lst4Sort;

 protected:
  void Design() override;
  void Form_Unload(int32_t& cancel) override;

 private:
  void BeginDemand(const wchar_t* procedure, int32_t code);
  void tmrDemandAction_Timer();
  void tmrHotkey_Timer();
  void tmrWorkaround1_Timer();
  void RunDemand(DemandParams& dp);
  void ResetDemand();
  // Something must finish first: a demand or a template action still running.
  bool MustWait() const;

  std::shared_ptr<forms::Timer> tmrDemandAction, tmrHotkey, tmrWorkaround1;
  DemandParams m_dp;
  bool m_bDemandRunning = false;
  bool m_bHotkeyPending = false;
  std::wstring m_sHotkey;
  bool m_bHotkeyNewMail = false;
  std::deque<InspectorWrapperPtr> m_colSend;
};

// The form's default instance, made and loaded on first use (and loaded again after an
// unload).
frmDummy& DummyForm();
// Unloads the form when it exists (every shutdown does); makes nothing.
void UnloadDummyForm();
