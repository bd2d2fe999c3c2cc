// Lifecycle, state, Send and Write of the inspector wrapper; the bars are built in
// CInspectorWrapperBars.cpp and their clicks handled in CInspectorWrapperClicks.cpp.
#include "inspector_ui/CInspectorWrapper.h"

#include <algorithm>
#include <vector>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/CTemplates.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/InspectorCommands.h"
#include "inspector_ui/MakeInspectorWrapper.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"

namespace {

constexpr int32_t kStyleOkCancel = 1, kStyleExclamation = 48, kForeground = 0x10000;
constexpr int32_t kAnswerCancel = 2;

// Word before 2007 gives all its mail windows one set of bars: which live wrapper holds which
// of the program's bars in it (and under which name), so that a newer window can hide them and
// add its own, and give them back when it closes.
struct SharedBarOwner {
  std::weak_ptr<office::CommandBar> bar;
  std::weak_ptr<CInspectorWrapper> owner;
  std::wstring name;
};
std::vector<SharedBarOwner>& SharedBarOwners() {
  return win32::PlatformState<std::vector<SharedBarOwner>>();
}

// The newest hidden bar of that name still held by an open window is shown again, when no
// other bar has the name.
void ShowNewestHiddenBar(const std::wstring& name) {
  auto& owners = SharedBarOwners();
  for (auto entry = owners.rbegin(); entry != owners.rend(); ++entry) {
    auto bar = entry->bar.lock();
    if (entry->name != name || !bar || bar->IsDeleted() || entry->owner.expired()) continue;
    vb::Ignore([&] {
      bar->SetName(name);
      bar->SetVisible(true);
    });
    return;
  }
}

}  // namespace

std::vector<std::weak_ptr<CInspectorWrapper>>& CInspectorWrapper::OldWordWrappers() {
  return win32::PlatformState<std::vector<std::weak_ptr<CInspectorWrapper>>>();
}

CInspectorWrapper::CInspectorWrapper() : m_sTag(GetRandomString(10)) {}

CInspectorWrapper::~CInspectorWrapper() {
  Done();
}

bool CInspectorWrapper::Init(const std::shared_ptr<outlook::Inspector>& oInspector, bool bModal) {
  std::shared_ptr<outlook::Item> item;
  int32_t nClass = 0;
  // Outlook may hold the new window's item a moment; a window never bound would have no
  // buttons that work and no personalization on Send.
  if (!mTanvelo::Retried([&] {
        item = oInspector->CurrentItem();
        nClass = item->Class();
      })) {
    LogWindowWithoutSetUp(L"CInspectorWrapper::Init", oInspector, item);
    return false;
  }
  if (!item || nClass != outlook::olMail) return false;

  m_oInspector = oInspector;
  std::weak_ptr<CInspectorWrapper> weak = weak_from_this();
  m_subActivate = oInspector->Events().Activate.Subscribe([weak] {
    if (auto self = weak.lock()) self->m_oInspector_Activate();
  });
  m_subClose = oInspector->Events().Close.Subscribe([weak] {
    if (auto self = weak.lock()) self->m_oInspector_Close();
  });
  BindMail(item);

  const int32_t nVersion = GetAppVersion();
  vb::Ignore([&] {
    std::wstring stamp;
    m_bStampRead = mTanvelo::ReadAddinProperty(item, stamp);
    m_state.IsAddinItem = vb::LCase(stamp) == vb::LCase(Options().ProductCode());
  });
  vb::Ignore([&] { m_state.IsTemplate = mTanvelo::IsTemplateItem(item); });
  vb::Ignore([&] { m_state.IsWordMail = oInspector->EditorType() == outlook::olEditorWord; });
  m_state.UseOwnToolbar = nVersion >= 12 || m_state.IsWordMail;
  m_state.OldWordMail = m_state.IsWordMail && nVersion < 12;
  if (m_state.OldWordMail) OldWordWrappers().push_back(weak);
  if (m_state.IsTemplate) ReadDefaultMark(L"CInspectorWrapper::Init", item);
  m_bModal = bModal;
  return true;
}

void CInspectorWrapper::BindMail(const std::shared_ptr<outlook::Item>& item) {
  m_subSend.Release();
  m_subWrite.Release();
  m_oMail = item;
  if (!item) return;
  std::weak_ptr<CInspectorWrapper> weak = weak_from_this();
  m_subSend = item->Events().Send.Subscribe([weak](bool& cancel) {
    if (auto self = weak.lock()) self->m_oMail_Send(cancel);
  });
  m_subWrite = item->Events().Write.Subscribe([weak](bool& cancel) {
    if (auto self = weak.lock()) self->m_oMail_Write(cancel);
  });
}

void CInspectorWrapper::m_oInspector_Activate() {
  if (m_bActivated) return;
  m_bActivated = true;  // never tried twice, even when the build fails
  auto self = shared_from_this();
  const bool built = vb::Catch([&] {
    if (!(GetAppVersion() < 12 || Options().ShowOldControlsOn2007())) return;
    m_OutlookBars = std::static_pointer_cast<office::CommandBars>(m_oInspector->CommandBars());
    if (!m_OutlookBars) vb::Raise(vb::kObjectVariableNotSet);
    std::weak_ptr<CInspectorWrapper> weak = self;
    m_subUpdate = m_OutlookBars->OnUpdate([weak] {
      if (auto wrapper = weak.lock()) wrapper->m_OutlookBars_OnUpdate();
    });

    if (m_state.IsWordMail) {
      // Word's bars are shared by its mail windows: a bar of the program's name that another
      // open window's wrapper holds is hidden and set aside under another name, so that this
      // window can add its own; one left behind by a window gone is deleted.
      for (const wchar_t* name : {kOwnToolbarName, kFieldToolbarName}) {
        vb::Ignore([&] {
          auto old = m_OutlookBars->Item(name);
          old->SetVisible(false);
          bool held = false;
          for (auto& entry : SharedBarOwners())
            if (entry.bar.lock() == old)
              if (auto owner = entry.owner.lock();
                  owner && owner.get() != this && owner->m_oInspector) {
                old->SetName(std::wstring(name) + L" " + owner->m_sTag);
                held = true;
              }
          if (!held) old->Delete();
        });
      }
    }

    if (m_state.UseOwnToolbar) {
      m_barOwn = m_OutlookBars->Add(kOwnToolbarName, office::msoBarTop, false, true);
      RestoreBarPosition(m_barOwn, kOwnToolbarKey);
      m_barOwn->SetVisible(true);
      if (m_state.IsWordMail) SharedBarOwners().push_back({m_barOwn, self, kOwnToolbarName});
    }
    if (m_state.IsTemplate) {
      if (!g_oLib) vb::Raise(vb::kObjectVariableNotSet);
      m_barInsert = g_oLib->CreateToolbar(m_OutlookBars, kFieldToolbarName, m_sTag, true);
      if (!m_barInsert) vb::Raise(vb::kObjectVariableNotSet);
      RestoreBarPosition(m_barInsert, kFieldToolbarKey);
      if (m_state.IsWordMail) SharedBarOwners().push_back({m_barInsert, self, kFieldToolbarName});
      m_btnInsert = office::AsButton(m_barInsert->FindControl(office::msoControlButton, 0, m_sTag));
      if (m_btnInsert) Bind(m_btnInsert, &CInspectorWrapper::m_btnInsert_Click);
    }
    Create_TanveloBtns(m_state.IsTemplate, m_state.IsWordMail, m_state.UseOwnToolbar);
    Create_ActionMenu(m_state.IsTemplate, m_state.IsWordMail);
    Create_TemplateMenu(m_state.IsTemplate, m_state.IsWordMail, m_state.UseOwnToolbar);
  });
  if (!built) LogError(L"CInspectorWrapper::m_oInspector_Activate");
}

void CInspectorWrapper::m_OutlookBars_OnUpdate() {
  if (GetAppVersion() < 12 && m_state.IsWordMail) return;
  if (!m_OutlookBars) return;
  auto self = shared_from_this();
  std::shared_ptr<office::CommandBar> standard;
  vb::Ignore([&] { standard = m_OutlookBars->Item(kStandardBar); });
  if (m_state.IsTemplate) ReadDefaultMark(L"CInspectorWrapper::m_OutlookBars_OnUpdate", nullptr);
  struct Mirror {
    int32_t id;
    bool& visible;
    bool& enabled;
  };
  for (const Mirror& m : {Mirror{354, m_state.ReplyVisible, m_state.ReplyEnabled},
                          Mirror{355, m_state.ReplyAllVisible, m_state.ReplyAllEnabled},
                          Mirror{356, m_state.ForwardVisible, m_state.ForwardEnabled}}) {
    m.visible = m.enabled = false;
    vb::Ignore([&] {
      if (!standard) return;
      if (auto control = standard->FindControl(0, m.id)) {
        m.visible = control->Visible();
        m.enabled = control->Enabled();
      }
    });
  }
  Update_ActionMenu(m_state);
  Update_TanveloBtns(m_state);
  Update_TemplateMenu(m_state);
}

void CInspectorWrapper::m_oMail_Send(bool& Cancel) {
  const wchar_t* proc = L"CInspectorWrapper::m_oMail_Send";
  if (!m_state.IsAddinItem) {
    // Read again: a stamp Outlook refused to show at the window's opening would let the mail
    // leave with its fields unfilled.
    std::wstring stamp;
    if (!mTanvelo::ReadAddinProperty(m_oMail, stamp)) {
      if (m_bStampRead) {
        // The opening found no stamp of ours: the user's own mail, sent as any mail is.
        LogError(proc, 0, L"the owner stamp could not be read again, sent as found at opening");
        mTanvelo::NoteLetGoAtSend(m_oMail);
        return;
      }
      Cancel = true;
      LogError(proc, 0, L"the owner stamp could not be read, the message was not sent");
      vb::Ignore([&] {
        vb::MsgBox(LangText(L"STR_SEND_OWNER_NOT_READ"),
                   kStyleExclamation | (m_state.OldWordMail ? kForeground : 0));
      });
      return;
    }
    m_state.IsAddinItem = vb::LCase(stamp) == vb::LCase(Options().ProductCode());
  }
  if (!m_state.IsAddinItem) {
    LogInfo(proc, L"AddinOwner not me, dont process personalizations");
    mTanvelo::NoteLetGoAtSend(m_oMail);
    return;
  }
  LogInfo(proc, L"AddinOwner is me, processing personalizations");
  Cancel = true;
  auto self = shared_from_this();
  bool bWord = false;
  vb::Ignore([&] { bWord = m_oInspector && m_oInspector->IsWordMail(); });
  if (!bWord) {
    ProcessPersonalizationsAndSend();
    return;
  }
  SendLater();
}

void CInspectorWrapper::SendLater() {
  // The deferred-action form sends it once Word has let go of the mail and no other template
  // action runs.
  if (auto& demand = InspectorCommandsSlot().DemandWorkaround1) return demand(shared_from_this());
  LogWarning(L"CInspectorWrapper", L"DemandWorkaround1 is not connected");
}

void CInspectorWrapper::ProcessPersonalizationsAndSend() {
  const wchar_t* proc = L"CInspectorWrapper::ProcessPersonalizationsAndSend";
  if (!m_oInspector) return;  // ended meanwhile: the window is gone
  auto self = shared_from_this();
  // A Send pressed while another template action runs (its message box is open) is kept, not
  // refused: it runs once that action has ended.
  if (mTanvelo::IsTemplateActionRunning()) {
    LogInfo(proc, L"another template action runs, the send waits for it");
    SendLater();
    return;
  }
  const auto bound = m_oMail;
  BindMail(nullptr);  // the item's own Send and Write must not reach us while it is processed

  std::wstring sProblem;
  std::shared_ptr<outlook::Item> item;
  mTanvelo::JobPtr job;
  bool bShow = false;
  if (!vb::Catch([&] {
        // Asked again while refused: one refusal must not stop the Send.
        if (!mTanvelo::Retried([&] { item = m_oInspector->CurrentItem(); }))
          vb::Raise(vb::Err().Number(), vb::Err().Description());
        if (mTanvelo::Services().CreateJob) job = mTanvelo::Services().CreateJob();
        if (!job) {
          sProblem = L"no personalization job";
          return;
        }
        // A mode not known would send separate messages as one to all, or the reverse.
        int32_t mode = 0;
        if (!mTanvelo::ReadSendMode(item, mode)) {
          sProblem = L"the send mode could not be read";
          return;
        }
        mTanvelo::DoSend2Action(item, mTanvelo::kSendActionSend, mode, bShow, false, self, job,
                                nullptr);
      }))
    LogError(proc);
  job.reset();

  if (!m_oInspector) return;  // the road ended the wrapper: sent, filed or told
  // Still open and the road did not hand the mail back for editing: nothing was done, and the
  // user, who pressed Send, must know the mail did not go.
  if (!bShow) {
    if (sProblem.empty()) sProblem = L"the message was neither sent nor filed";
    LogError(proc, 0, sProblem);
    vb::Ignore([&] {
      vb::MsgBox(LangText(L"STR_SEND_NOT_PROCESSED"),
                 kStyleExclamation | (m_state.OldWordMail ? kForeground : 0));
    });
  }
  // The window's own item again; the one it had when Outlook will not show it, so that the
  // next Send is still heard.
  std::shared_ptr<outlook::Item> current;
  if (!mTanvelo::Retried([&] { current = m_oInspector->CurrentItem(); })) vb::Err().Clear();
  BindMail(current ? current : bound);
}

void CInspectorWrapper::m_oMail_Write(bool& Cancel) {
  const wchar_t* proc = L"CInspectorWrapper::m_oMail_Write";
  if (!m_state.IsTemplate) return;
  LogInfo(proc, L"->");
  auto self = shared_from_this();
  // The recipients are read through the safe wrapper of the open item itself: a copy would be
  // a new item in the templates folder (its new-item checks would run) and could be left over.
  if (!vb::Catch([&] {
        auto safe = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
        safe->SetItem(m_oMail);
        bool bHasRecipients = false;
        const bool read =
            mTanvelo::Retried([&] { bHasRecipients = safe->Recipients()->Count() > 0; });
        safe->SetItem(nullptr);
        if (!read) {
          // The user's save goes on: a question not asked costs less than edits not saved.
          const int32_t number = vb::Err().Number();
          const std::wstring description = vb::Err().Description();
          vb::Err().Clear();
          std::wstring subject;
          vb::Ignore([&] { subject = m_oMail->Subject(); });
          vb::Err().Clear();
          LogError(proc, number, description,
                   L"the template \"" + subject +
                       L"\" was saved without the question about its recipients: Outlook did "
                       L"not show them");
          return;
        }
        if (!bHasRecipients) return;
        const int32_t style = kStyleOkCancel | (m_state.OldWordMail ? kForeground : 0);
        if (vb::MsgBox(LangText(L"STR_SAVE_PREADDRESSED"), style) == kAnswerCancel) Cancel = true;
      }))
    LogError(proc);
}

void CInspectorWrapper::m_oInspector_Close() {
  LogInfo(L"CInspectorWrapper::m_oInspector_Close", L"->");
  auto self = shared_from_this();
  Done();
}

void CInspectorWrapper::Done() {
  m_subUpdate.reset();
  m_OutlookBars.reset();
  m_subActivate.Release();
  m_subClose.Release();
  m_oInspector.reset();
  BindMail(nullptr);

  // Word's bars show the newest window's; the one before it gets its own back.
  bool bNewest = false;
  for (auto w = OldWordWrappers().rbegin(); w != OldWordWrappers().rend(); ++w)
    if (auto wrapper = w->lock()) {
      bNewest = wrapper.get() == this;
      break;
    }
  for (auto entry :
       {std::pair{&m_barOwn, kOwnToolbarKey}, std::pair{&m_barInsert, kFieldToolbarKey}}) {
    // Plain names: clang lets no lambda capture a structured binding.
    auto* bar = entry.first;
    auto key = entry.second;
    if (!*bar) continue;
    SaveBarPosition(*bar, key);
    if (m_state.IsWordMail) vb::Ignore([&] { (*bar)->Delete(); });
    bar->reset();
  }
  std::erase_if(SharedBarOwners(), [this](const SharedBarOwner& e) {
    auto owner = e.owner.lock();
    return !owner || owner.get() == this || e.bar.expired() || e.bar.lock()->IsDeleted();
  });
  std::erase_if(OldWordWrappers(), [this](const std::weak_ptr<CInspectorWrapper>& w) {
    auto wrapper = w.lock();
    return !wrapper || wrapper.get() == this;
  });
  if (bNewest)
    for (const wchar_t* name : {kOwnToolbarName, kFieldToolbarName}) ShowNewestHiddenBar(name);
  m_btnTanveloSub.reset();
  m_btnTanveloFreq.reset();
  m_btnReplyAllWithSub.reset();
  m_btnReplyAllWithFreq.reset();
  m_btnForwardWithSub.reset();
  m_btnForwardWithFreq.reset();
  if (!m_state.IsWordMail) {
    for (const std::shared_ptr<office::CommandBarControl>& control :
         {std::shared_ptr<office::CommandBarControl>(m_btnTemplate),
          std::shared_ptr<office::CommandBarControl>(m_popTemplate),
          std::shared_ptr<office::CommandBarControl>(m_popActionMenu),
          std::shared_ptr<office::CommandBarControl>(m_btnTanvelo),
          std::shared_ptr<office::CommandBarControl>(m_popTanvelo),
          std::shared_ptr<office::CommandBarControl>(m_btnReplyAllWith),
          std::shared_ptr<office::CommandBarControl>(m_popReplyAllWith),
          std::shared_ptr<office::CommandBarControl>(m_btnForwardWith),
          std::shared_ptr<office::CommandBarControl>(m_popForwardWith)})
      if (control) vb::Ignore([&] { control->Delete(); });
  }
  m_subClicks.clear();
  for (ButtonPtr* button :
       {&m_btnTanvelo, &m_btnReplyAllWith, &m_btnForwardWith, &m_btnTemplate, &m_btnInsert,
        &m_btnOpenDuplicate, &m_btnHotkey, &m_btnChangeDefault, &m_btnOpenDuplicate2, &m_btnHotkey2,
        &m_btnTanvelo2, &m_btnReplyAllWith2, &m_btnForwardWith2, &m_btnSaveAsTemplate2,
        &m_btnProcessPersonal2, &m_btnProcessPersonal})
    button->reset();
  for (PopupPtr* popup : {&m_popTanvelo, &m_popReplyAllWith, &m_popForwardWith, &m_popTemplate,
                          &m_popActionMenu, &m_popInsert})
    popup->reset();
  for (bars::QuickItems* quick : {&m_qTanvelo, &m_qReplyAllWith, &m_qForwardWith}) {
    quick->first.Release();
    quick->popup.reset();
  }
  vb::Err().Clear();
}
