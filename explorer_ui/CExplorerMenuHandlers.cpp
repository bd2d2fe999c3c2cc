// CExplorerMenu's click handlers: each picks the command and its arguments; the commands
// themselves belong to the commands layer and the dialogs.
#include "core/CClipboard.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "explorer_ui/CExplorerMenu.h"
#include "explorer_ui/ExplorerCommands.h"
#include "platform/vb/Runtime.h"

namespace {
constexpr int32_t kCallerCommandBar = 2;

template <class F, class... Args>
auto Run(const F& command, const wchar_t* name, Args&&... args) {
  using R = decltype(command(std::forward<Args>(args)...));
  if (!command) {
    LogWarning(L"CExplorerMenu::Click", std::wstring(L"command not available: ") + name);
    return R();
  }
  return command(std::forward<Args>(args)...);
}
}  // namespace

void CExplorerMenu::ReplyClick(int32_t action, const std::wstring& entryId) {
  Run(TheExplorerCommands().Tanvelo, L"Tanvelo", action, entryId, kCallerCommandBar);
}

void CExplorerMenu::m_btnTanvelo_Click(const ButtonPtr&) {
  ReplyClick(1, Options().DefaultTemplateID());
}
void CExplorerMenu::m_btnReplyAllWith_Click(const ButtonPtr&) {
  ReplyClick(2, Options().DefaultTemplateID());
}
void CExplorerMenu::m_btnForwardWith_Click(const ButtonPtr&) {
  ReplyClick(4, Options().DefaultTemplateID());
}
void CExplorerMenu::m_btnTanveloSub_Click(const ButtonPtr&) {
  ReplyClick(1, L"");
}
void CExplorerMenu::m_btnReplyAllWithSub_Click(const ButtonPtr&) {
  ReplyClick(2, L"");
}
void CExplorerMenu::m_btnForwardWithSub_Click(const ButtonPtr&) {
  ReplyClick(4, L"");
}

void CExplorerMenu::m_btnTanveloFreq_Click(const ButtonPtr& ctrl) {
  if (auto id = bars::QuickItemTemplate(ctrl)) ReplyClick(1, *id);
}
void CExplorerMenu::m_btnReplyAllWithFreq_Click(const ButtonPtr& ctrl) {
  if (auto id = bars::QuickItemTemplate(ctrl)) ReplyClick(2, *id);
}
void CExplorerMenu::m_btnForwardWithFreq_Click(const ButtonPtr& ctrl) {
  if (auto id = bars::QuickItemTemplate(ctrl)) ReplyClick(4, *id);
}

void CExplorerMenu::m_btnNewFromTemplate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().NewFromTemplate, L"NewFromTemplate");
}
void CExplorerMenu::m_btnNewFromTemplate5_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().DemandNewMailFromTemplate, L"DemandNewMailFromTemplate", std::wstring(),
      false);
  vb::Err().Clear();
}
void CExplorerMenu::m_btnSaveAsTemplate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().SaveAsTemplate, L"SaveAsTemplate");
}
void CExplorerMenu::m_btnNewTemplate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().NewTemplate, L"NewTemplate");
}
void CExplorerMenu::m_btnEditTemplate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().EditTemplate, L"EditTemplate");
}
void CExplorerMenu::m_btnSelAndEditTemplate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().DemandSelAndEditTemplate, L"DemandSelAndEditTemplate");
}
void CExplorerMenu::m_btnOpenDuplicate_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().OpenDuplicate, L"OpenDuplicate");
}
void CExplorerMenu::m_btnHotkey_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().Hotkey, L"Hotkey");
}
void CExplorerMenu::m_btnChangeDefault_Click(const ButtonPtr&) {
  // Captions that name the default template change at once, not at Office's next update.
  if (Run(TheExplorerCommands().ChangeDefault, L"ChangeDefault")) OnUpdate();
}
void CExplorerMenu::m_btnSendDrafts_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().SendDrafts, L"SendDrafts");
}

void CExplorerMenu::m_btnImport_Click(const ButtonPtr&) {
  // No update of this window's bars while the import runs; bound again however it ends.
  struct Rebind {
    CExplorerMenu& menu;
    bool bound;
    ~Rebind() {
      if (bound) menu.BindUpdates();
    }
  } rebind{*this, m_updateSub != nullptr};
  m_updateSub.reset();
  Run(TheExplorerCommands().Import, L"Import");
}
void CExplorerMenu::m_btnExport_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().Export, L"Export");
}

void CExplorerMenu::m_btnTemplate_Click(const ButtonPtr&) {
  mTanvelo::ShowNewMessageTemplatesFolder();
}
void CExplorerMenu::m_btnOptions_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().ShowOptions, L"ShowOptions");
}
void CExplorerMenu::m_btnHelp_Click(const ButtonPtr&) {
  LibNorvane().ShowContextHelp(L"Tanvelo_Forward_with_a_Template.htm");
}
void CExplorerMenu::m_btnDebug_Click(const ButtonPtr&) {
  Run(TheExplorerCommands().ShowDebug, L"ShowDebug");
}
void CExplorerMenu::m_btnTest1_Click(const ButtonPtr&) {
  std::wstring text =
      g_oClipboard ? g_oClipboard->GetSelectedText() : CClipboard().GetSelectedText();
  vb::MsgBox(text);
}
