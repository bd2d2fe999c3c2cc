// What the inspector's buttons do. Replies are queued to run after the click has returned;
// everything else runs at once, always on the item the window shows at the moment of the click.
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "inspector_ui/InspectorCommands.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Error.h"

namespace {
// A command the host has not connected: the click does nothing, and the log says why.
void NotConnected(const wchar_t* command) {
  LogWarning(L"CInspectorWrapper", std::wstring(command) + L" is not connected");
}
}  // namespace

void CInspectorWrapper::Bind(const ButtonPtr& button,
                             void (CInspectorWrapper::*handler)(const ButtonPtr&)) {
  std::weak_ptr<CInspectorWrapper> weak = weak_from_this();
  vb::Ignore([&] {
    m_subClicks.push_back(button->OnClick([weak, handler](const ButtonPtr& ctrl, bool&) {
      auto self = weak.lock();
      if (!self) return;
      // A failing step is skipped; no handler shows an error of its own.
      vb::Ignore([&] {
        auto target = self->ClickTarget();
        ((*target).*handler)(ctrl);
      });
    }));
  });
}

std::shared_ptr<CInspectorWrapper> CInspectorWrapper::ClickTarget() {
  auto self = shared_from_this();
  if (!m_state.OldWordMail) return self;
  // Word's one set of bars shows the newest window's controls in every window: the click
  // belongs to the window the user is in.
  std::shared_ptr<outlook::Inspector> active;
  vb::Ignore([&] {
    if (g_oApp) active = g_oApp->ActiveInspector();
  });
  if (!active) return self;
  for (const auto& weak : OldWordWrappers())
    if (auto wrapper = weak.lock(); wrapper && wrapper->m_oInspector == active) return wrapper;
  return self;
}

std::shared_ptr<outlook::Item> CInspectorWrapper::CurrentItem() const {
  if (!m_oInspector) vb::Raise(vb::kObjectVariableNotSet);
  return m_oInspector->CurrentItem();
}

std::wstring CInspectorWrapper::CurrentEntryID() const {
  return CurrentItem()->EntryID();
}

bool CInspectorWrapper::ItemShown(const wchar_t* procedure, const wchar_t* label,
                                  std::wstring_view undone, std::shared_ptr<outlook::Item>& item,
                                  std::wstring& sEntryID) {
  // Outlook busy a moment must not swallow the click.
  if (mTanvelo::Retried([&] {
        item = vb::Need(CurrentItem());
        sEntryID = item->EntryID();
      }))
    return true;
  item = nullptr;
  const std::wstring refusal = vb::Err().Description();
  // The mail bound at the opening names it should the window not answer.
  std::wstring subject;
  if (!mTanvelo::Retried([&] { subject = vb::Need(m_oMail)->Subject(); })) subject.clear();
  LogError(procedure, std::nullopt,
           LangText(label) + L": \"" + subject + L"\" could not be read, " + std::wstring(undone) +
               L" - " + refusal);
  return false;
}

void CInspectorWrapper::ReadDefaultMark(const wchar_t* procedure,
                                        const std::shared_ptr<outlook::Item>& item) {
  std::wstring id;
  // Taken for "not the default", a refused read would caption the button to make the default
  // what already is.
  if (mTanvelo::Retried([&] { id = item ? item->EntryID() : CurrentEntryID(); }) &&
      vb::Catch([&] { m_state.IsDefaultTemplate = mTanvelo::IsDefaultTemplate(id); }))
    return;
  const std::wstring refusal = vb::Err().Description();
  std::wstring subject;
  if (!mTanvelo::Retried([&] { subject = vb::Need(m_oMail)->Subject(); })) subject.clear();
  LogError(procedure, std::nullopt,
           LangText(L"BTN_CHANGE_DEFAULT_SET") + L", " + LangText(L"BTN_CHANGE_DEFAULT_CLEAR") +
               L": whether \"" + subject + L"\" is the default is not known - " + refusal);
  vb::Err().Clear();
}

void CInspectorWrapper::QueueReply(int32_t nAction, const std::wstring& sTemplateID) {
  auto& demand = InspectorCommandsSlot().DemandTanvelo_Click;
  if (!demand) return NotConnected(L"DemandTanvelo_Click");
  demand(shared_from_this(), nAction, sTemplateID, m_state.OldWordMail);
}

void CInspectorWrapper::m_btnTanvelo_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionReply, Options().DefaultTemplateID());
}
void CInspectorWrapper::m_btnReplyAllWith_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionReplyAll, Options().DefaultTemplateID());
}
void CInspectorWrapper::m_btnForwardWith_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionForward, Options().DefaultTemplateID());
}
void CInspectorWrapper::m_btnTanveloSub_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionReply, L"");
}
void CInspectorWrapper::m_btnReplyAllWithSub_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionReplyAll, L"");
}
void CInspectorWrapper::m_btnForwardWithSub_Click(const ButtonPtr&) {
  QueueReply(mTanvelo::kActionForward, L"");
}
void CInspectorWrapper::m_btnTanveloFreq_Click(const ButtonPtr& Ctrl) {
  if (Ctrl->Visible()) QueueReply(mTanvelo::kActionReply, Ctrl->Parameter());
}
void CInspectorWrapper::m_btnReplyAllWithFreq_Click(const ButtonPtr& Ctrl) {
  if (Ctrl->Visible()) QueueReply(mTanvelo::kActionReplyAll, Ctrl->Parameter());
}
void CInspectorWrapper::m_btnForwardWithFreq_Click(const ButtonPtr& Ctrl) {
  if (Ctrl->Visible()) QueueReply(mTanvelo::kActionForward, Ctrl->Parameter());
}

void CInspectorWrapper::m_btnTemplate_Click(const ButtonPtr& Ctrl) {
  if (m_state.IsTemplate) {
    // Asks about recipients through the Write handling. A save Outlook refuses is asked again;
    // still refused, told: the user's edits would go with the window.
    // The mail bound to the window names the template should the window not answer.
    std::shared_ptr<outlook::Item> item = m_oMail;
    bool shown = false;
    mTanvelo::Insist(L"CInspectorWrapper::m_btnTemplate_Click", item, L"The save", [&] {
      if (!shown) item = CurrentItem();
      shown = true;
      vb::Need(item)->Save();
    });
    return;
  }
  m_btnSaveAsTemplate2_Click(Ctrl);
}

void CInspectorWrapper::m_btnSaveAsTemplate2_Click(const ButtonPtr&) {
  auto& command = InspectorCommandsSlot().SaveAsTemplate_Click;
  if (!command) return NotConnected(L"SaveAsTemplate_Click");
  std::shared_ptr<outlook::Item> item;
  std::wstring id;
  if (!ItemShown(L"CInspectorWrapper::m_btnSaveAsTemplate2_Click", L"BTN_SAVE_AS_TEMPLATE",
                 L"no template was made", item, id))
    return;
  bool bForeground = m_state.OldWordMail;
  command(id, bForeground);
}

void CInspectorWrapper::m_btnOpenDuplicate_Click(const ButtonPtr&) {
  auto& command = InspectorCommandsSlot().OpenDuplicate_Click;
  if (!command) return NotConnected(L"OpenDuplicate_Click");
  std::shared_ptr<outlook::Item> item;
  std::wstring id;
  if (!ItemShown(L"CInspectorWrapper::m_btnOpenDuplicate_Click", L"BTN_OPEN_DUPLICATE",
                 L"no duplicate was made", item, id))
    return;
  command(id, m_state.OldWordMail);
}

void CInspectorWrapper::m_btnHotkey_Click(const ButtonPtr&) {
  auto& command = InspectorCommandsSlot().Hotkey_Click;
  if (!command) return NotConnected(L"Hotkey_Click");
  std::shared_ptr<outlook::Item> item;
  std::wstring id;
  if (!ItemShown(L"CInspectorWrapper::m_btnHotkey_Click", L"BTN_HOTKEY",
                 L"the hotkey dialog was not opened", item, id))
    return;
  command(id, m_state.OldWordMail);
}

void CInspectorWrapper::m_btnChangeDefault_Click(const ButtonPtr&) {
  auto& command = InspectorCommandsSlot().ChangeDefault_Click;
  if (!command) return NotConnected(L"ChangeDefault_Click");
  std::shared_ptr<outlook::Item> item;
  std::wstring id;
  if (!ItemShown(
          L"CInspectorWrapper::m_btnChangeDefault_Click",
          m_state.IsDefaultTemplate ? L"BTN_CHANGE_DEFAULT_CLEAR" : L"BTN_CHANGE_DEFAULT_SET",
          L"the default template was not changed", item, id))
    return;
  if (!command(item)) return;
  m_OutlookBars_OnUpdate();
  // The refresh does nothing for Word's windows before 2007: the caption follows here.
  ReadDefaultMark(L"CInspectorWrapper::m_btnChangeDefault_Click", item);
  CaptionChangeDefault();
}

void CInspectorWrapper::m_btnProcessPersonal_Click(const ButtonPtr&) {
  auto& command = InspectorCommandsSlot().ProcessPersonal2_Click;
  if (!command) return NotConnected(L"ProcessPersonal2_Click");
  std::shared_ptr<outlook::Item> item;
  std::wstring id;
  if (!ItemShown(L"CInspectorWrapper::m_btnProcessPersonal_Click", L"BTN_PROCESS_PERSONAL",
                 L"its fields were not filled", item, id))
    return;
  // The editor read now; refused, the one seen at the opening.
  bool bWord = m_state.IsWordMail;
  if (!mTanvelo::Retried([&] { bWord = vb::Need(m_oInspector)->IsWordMail(); })) {
    bWord = m_state.IsWordMail;
    vb::Err().Clear();
  }
  command(item, bWord);
}

void CInspectorWrapper::m_btnInsert_Click(const ButtonPtr& Ctrl) {
  if (!g_oLib) vb::Raise(vb::kObjectVariableNotSet);
  g_oLib->InsertText(Ctrl->Parameter() + L" ", m_state.IsWordMail);
}
