#include "commands/frmDummy.h"

#include "commands/mInspector.h"
#include "commands/mKeyboardHook.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "platform/win32/Reset.h"

namespace {

constexpr int32_t kDemandInterval = 1, kHotkeyInterval = 100, kWorkaroundInterval = 250;

struct DummyState {
  std::unique_ptr<frmDummy> form;
};
std::unique_ptr<frmDummy>& Instance() {
  return win32::PlatformState<DummyState>().form;
}

std::shared_ptr<forms::Timer> MakeTimer(const std::shared_ptr<forms::Timer>& timer, int32_t ms) {
  timer->SetEnabled(false);
  timer->SetInterval(ms);
  return timer;
}

}  // namespace

frmDummy& DummyForm() {
  auto& form = Instance();
  if (!form) form = std::make_unique<frmDummy>();
  form->Load();
  return *form;
}

void UnloadDummyForm() {
  if (auto& form = Instance(); form && form->IsLoaded()) form->Unload();
}

void frmDummy::Design() {
  tmrDemandAction = MakeTimer(Add<forms::Timer>(L"tmrDemandAction"), kDemandInterval);
  tmrDemandAction->OnTimer = [this] { tmrDemandAction_Timer(); };
  tmrHotkey = MakeTimer(Add<forms::Timer>(L"tmrHotkey"), kHotkeyInterval);
  tmrHotkey->OnTimer = [this] { tmrHotkey_Timer(); };
  tmrWorkaround1 = MakeTimer(Add<forms::Timer>(L"tmrWorkaround1"), kWorkaroundInterval);
  tmrWorkaround1->OnTimer = [this] { tmrWorkaround1_Timer(); };
  lst4Sort = Add<forms::ListBox>(L"lst4Sort");
  lst4Sort->SetSorted(true);
  lst4Sort->SetVisible(false);
}

// --- Demands ---------------------------------------------------------------------------------

void frmDummy::BeginDemand(const wchar_t* procedure, int32_t code) {
  if (m_dp.nDemandAction != edaNone) LogWarning(procedure, L"m_dp.nDemandAction <> edaNone");
  // A timer already due must not fire on a half-written record.
  tmrDemandAction->SetEnabled(false);
  m_dp.nDemandAction = code;
}

void frmDummy::DemandDoTanvelo(const std::shared_ptr<outlook::Item>& oItem, int32_t nAction,
                               int32_t nMode, const std::wstring& sTemplateID) {
  vb::Ignore([&] {
    BeginDemand(L"frmDummy.DemandDoTanvelo", edaDoTanvelo);
    m_dp.oItem = oItem;
    m_dp.nAction = nAction;
    m_dp.nMode = nMode;
    m_dp.sTemplateID = sTemplateID;
    tmrDemandAction->SetEnabled(true);
  });
}

void frmDummy::DemandNewMailFromTemplate(const std::wstring& sTemplateID, bool bFlag) {
  vb::Ignore([&] {
    BeginDemand(L"frmDummy.DemandNewMailFromTemplate", edaNewMailFromTemplate);
    m_dp.sTemplateID = sTemplateID;
    m_dp.bFlag = bFlag;
    tmrDemandAction->SetEnabled(true);
  });
}

void frmDummy::DemandSelAndEditTemplace() {
  vb::Ignore([&] {
    BeginDemand(L"frmDummy.DemandSelAndEditTemplace", edaSelAndEditTemplate);
    tmrDemandAction->SetEnabled(true);
  });
}

void frmDummy::DemandTanvelo_Click(const InspectorWrapperPtr& oWrapper, int32_t nAction,
                                   const std::wstring& sTemplateID, bool bFlag) {
  vb::Ignore([&] {
    BeginDemand(L"frmDummy.DemandTanvelo_Click", edaTanveloClick);
    m_dp.oWrapper = oWrapper;
    m_dp.nAction = nAction;
    m_dp.sTemplateID = sTemplateID;
    m_dp.bFlag = bFlag;
    tmrDemandAction->SetEnabled(true);
  });
}

bool frmDummy::MustWait() const {
  return m_bDemandRunning || mTanvelo::IsTemplateActionRunning();
}

void frmDummy::tmrDemandAction_Timer() {
  tmrDemandAction->SetEnabled(false);
  if (m_dp.nDemandAction == edaNone) return;
  // The timer fires inside the dialogs of a running action too; a demand that meets one
  // waits for it to end instead of being refused or wiping the record.
  if (MustWait()) {
    tmrDemandAction->SetEnabled(true);
    return;
  }
  // The record is free again before the demand runs, so that a demand queued meanwhile
  // (from a dialog the running one opened) is kept for its own turn.
  DemandParams dp = m_dp;
  ResetDemand();
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(m_bDemandRunning);
  vb::Ignore([&] { RunDemand(dp); });
  vb::Err().Clear();
}

void frmDummy::RunDemand(DemandParams& dp) {
  switch (dp.nDemandAction) {
    case edaDoTanvelo:
      mTanvelo::DoTanvelo(dp.oItem, dp.nAction, dp.nMode, dp.sTemplateID);
      break;
    case edaNewMailFromTemplate:
      mTanvelo::NewMailFromTemplate(dp.sTemplateID, dp.bFlag);
      break;
    case edaSelAndEditTemplate: {
      std::wstring sEntryID;
      int32_t nSendMode = mTanvelo::kSendModeOne;
      auto& picker = mTanvelo::Services().ShowSelectTemplate;
      if (picker && picker(sEntryID, nSendMode, 0, false)) {
        bool refused = false;
        if (auto item = mTanvelo::GetTemplate(sEntryID, &refused))
          mTanvelo::DisplayTemplate(item, false);
        else if (refused)  // asked again already; the user chose it and must hear why it stays shut
          LogError(L"frmDummy::SelAndEditTemplate", 0,
                   L"the chosen template could not be read, so it was not opened for editing");
      }
      break;
    }
    case edaTanveloClick:
      mInspector::Tanvelo_Click(dp.oWrapper, dp.nAction, dp.sTemplateID, dp.bFlag);
      break;
    default:
      LogError(L"frmDummy::tmrDemandAction_Timer", 0,
               L"Invalid DemandAction = " + std::to_wstring(dp.nDemandAction));
  }
}

void frmDummy::ResetDemand() {
  m_dp.nDemandAction = edaNone;
  m_dp.oItem.reset();
  m_dp.nAction = -1;
  m_dp.nMode = -1;
  m_dp.sTemplateID.clear();
  m_dp.oWrapper.reset();
}

// --- Hotkeys -------------------------------------------------------------------------------

void frmDummy::DemandHotkey(const std::wstring& sKey, bool bNewMail) {
  if (m_bHotkeyPending) return;
  m_bHotkeyPending = true;
  m_sHotkey = sKey;
  m_bHotkeyNewMail = bNewMail;
  tmrHotkey->SetEnabled(true);
}

void frmDummy::tmrHotkey_Timer() {
  tmrHotkey->SetEnabled(false);
  std::wstring sKey = m_sHotkey;
  bool bNewMail = m_bHotkeyNewMail;
  vb::Ignore([&] { mKeyboardHook::HotkeyHandler(sKey, bNewMail); });
  // Only now: key presses while a dialog of this hotkey is open are dropped.
  m_bHotkeyPending = false;
  vb::Err().Clear();
}

// --- Sending a Word-edited mail ------------------------------------------------------------------

void frmDummy::DemandWorkaround1(const InspectorWrapperPtr& oWrapper) {
  if (!oWrapper) return;
  // Outlook's own sending was cancelled already: every inspector handed over must be sent,
  // and each once.
  for (const auto& queued : m_colSend)
    if (queued == oWrapper) return;
  m_colSend.push_back(oWrapper);
  tmrWorkaround1->SetEnabled(true);
}

void frmDummy::tmrWorkaround1_Timer() {
  tmrWorkaround1->SetEnabled(false);
  if (m_colSend.empty()) return;
  if (mTanvelo::IsTemplateActionRunning()) {
    tmrWorkaround1->SetEnabled(true);
    return;
  }
  std::deque<InspectorWrapperPtr> sends;
  sends.swap(m_colSend);
  for (const auto& wrapper : sends) vb::Ignore([&] { wrapper->ProcessPersonalizationsAndSend(); });
  vb::Err().Clear();
}

void frmDummy::Form_Unload(int32_t& /*cancel*/) {
  tmrHotkey->SetEnabled(false);
  tmrWorkaround1->SetEnabled(false);
  tmrDemandAction->SetEnabled(false);
  ResetDemand();
  // The form's state outlives the unload: a mark left set would keep every later hotkey out.
  m_bHotkeyPending = false;
  // A mail whose sending is waiting here has had Outlook's own sending cancelled; it goes now
  // rather than staying unsent.
  std::deque<InspectorWrapperPtr> sends;
  sends.swap(m_colSend);
  for (const auto& wrapper : sends) {
    LogInfo(L"frmDummy::Form_Unload", L"sending a mail that was waiting at shutdown", 2);
    vb::Ignore([&] { wrapper->ProcessPersonalizationsAndSend(); });
  }
  vb::Err().Clear();
}
