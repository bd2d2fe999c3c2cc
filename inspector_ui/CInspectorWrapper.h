// The companion of one open mail Inspector: its send mode road at Send (personalize, then one
// message or one per recipient), the recipients question when a template is saved, and (before
// Outlook 2007, or with the option) the add-in's toolbar buttons, template menu, Actions menu,
// quick items and personalization toolbar, with their positions kept per profile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commandbars/CommandBarKit.h"
#include "commands/IInspectorWrapperEx.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Events.h"

class CTemplates;
namespace outlook {
class Inspector;
class Item;
}  // namespace outlook

// The twelve flags every builder and updater of the inspector's bars reads.
struct InspectorState {
  bool UseOwnToolbar = false;
  bool OldWordMail = false;
  bool IsWordMail = false;
  bool IsTemplate = false;
  bool IsDefaultTemplate = false;
  bool IsAddinItem = false;
  bool ReplyVisible = false;
  bool ReplyEnabled = false;
  bool ReplyAllVisible = false;
  bool ReplyAllEnabled = false;
  bool ForwardVisible = false;
  bool ForwardEnabled = false;
};

class CInspectorWrapper : public IInspectorWrapperEx,
                          public std::enable_shared_from_this<CInspectorWrapper> {
 public:
  using ButtonPtr = std::shared_ptr<office::CommandBarButton>;
  using PopupPtr = std::shared_ptr<office::CommandBarPopup>;
  using BarPtr = std::shared_ptr<office::CommandBar>;

  static constexpr const wchar_t* kStandardBar = L"Standard";
  static constexpr const wchar_t* kMenuBar = L"Menu Bar";
  static constexpr const wchar_t* kOwnToolbarName = L"Tanvelo";
  static constexpr const wchar_t* kFieldToolbarName = L"Tanvelo personalization items";
  static constexpr const wchar_t* kOwnToolbarKey = L"toolbar";
  static constexpr const wchar_t* kFieldToolbarKey = L"barInsert";

  CInspectorWrapper();
  ~CInspectorWrapper() override;
  CInspectorWrapper(const CInspectorWrapper&) = delete;
  CInspectorWrapper& operator=(const CInspectorWrapper&) = delete;

  // True when the wrapper took the inspector (its item is a mail item).
  bool Init(const std::shared_ptr<outlook::Inspector>& oInspector, bool bModal);
  // Saves the toolbar positions, takes the controls away and lets go of everything; a second
  // call does nothing.
  void Done() override;
  std::shared_ptr<outlook::Inspector> GetInspector() override { return m_oInspector; }
  bool IsModal() override { return m_bModal; }
  // Personalizes the inspector's mail and sends it (one message or one per recipient) through
  // the engine; tells the user when that cannot be done.
  void ProcessPersonalizationsAndSend() override;
  // Builds the bars of a window already shown when the wrapper was made (its first
  // activation was missed); once only, like the activation itself.
  void Shown() { m_oInspector_Activate(); }

  // For tests and the host: the state and the controls as built.
  const InspectorState& State() const { return m_state; }
  const std::wstring& Tag() const { return m_sTag; }
  BarPtr OwnToolbar() const { return m_barOwn; }
  BarPtr FieldToolbar() const { return m_barInsert; }
  ButtonPtr m_btnTemplate, m_btnProcessPersonal, m_btnInsert, m_btnOpenDuplicate, m_btnHotkey,
      m_btnChangeDefault, m_btnOpenDuplicate2, m_btnHotkey2, m_btnTanvelo2, m_btnReplyAllWith2,
      m_btnForwardWith2, m_btnSaveAsTemplate2, m_btnProcessPersonal2, m_btnTanvelo, m_btnTanveloSub,
      m_btnTanveloFreq, m_btnReplyAllWith, m_btnReplyAllWithSub, m_btnReplyAllWithFreq,
      m_btnForwardWith, m_btnForwardWithSub, m_btnForwardWithFreq;
  PopupPtr m_popTemplate, m_popActionMenu, m_popInsert, m_popTanvelo, m_popReplyAllWith,
      m_popForwardWith;

 private:
  // Events.
  void m_oInspector_Activate();
  void m_oInspector_Close();
  void m_oMail_Send(bool& Cancel);
  void m_oMail_Write(bool& Cancel);
  void m_OutlookBars_OnUpdate();
  void BindMail(const std::shared_ptr<outlook::Item>& item);
  // Hands the Send to the deferred-action form, which runs it when no template action runs.
  void SendLater();

  // Builders and updaters of the bars.
  void Create_TanveloBtns(bool bIsTemplate, bool bIsWordMail, bool bUseOwnToolbar);
  void Create_TemplateMenu(bool bIsTemplate, bool bIsWordMail, bool bUseOwnToolbar);
  void Create_ActionMenu(bool bIsTemplate, bool bIsWordMail);
  void Update_TanveloBtns(const InspectorState& state);
  void Update_TemplateMenu(const InspectorState& state);
  void Update_ActionMenu(const InspectorState& state);
  // The quick items of one reply drop-down: the group is built statement by statement (a write
  // Office refuses leaves the rest of the group made); a refill stops at its first error.
  void Create_FreqButtons(const PopupPtr& popup, ButtonPtr& firstItem, bars::QuickItems& group,
                          void (CInspectorWrapper::*onFreq)(const ButtonPtr&));
  void Update_FreqButtons(const PopupPtr& popup, CTemplates& list);
  // A position whose stored values could not be read at the window's opening (refused past
  // every try) is read again before the bar's place is saved, so the save never writes the
  // bar's first place over the user's.
  void SaveBarPosition(const BarPtr& bar, const std::wstring& key);
  void RestoreBarPosition(const BarPtr& bar, const std::wstring& key);
  std::vector<std::wstring> m_barsRestored;  // keys whose stored position was read
  void CaptionChangeDefault();

  // Click handlers.
  // The wrappers of Word's open mail windows before 2007, which share one set of bars.
  static std::vector<std::weak_ptr<CInspectorWrapper>>& OldWordWrappers();
  // The wrapper whose window a click on this wrapper's control belongs to.
  std::shared_ptr<CInspectorWrapper> ClickTarget();
  void Bind(const ButtonPtr& button, void (CInspectorWrapper::*handler)(const ButtonPtr&));
  void QueueReply(int32_t nAction, const std::wstring& sTemplateID);
  std::wstring CurrentEntryID() const;
  std::shared_ptr<outlook::Item> CurrentItem() const;
  // The item the window shows and its EntryID, for the click of the command labelled by the
  // text id `label`: asked again while Outlook refuses them; still refused, false and told at
  // error level under `procedure`, naming the command, the item and what was not done.
  bool ItemShown(const wchar_t* procedure, const wchar_t* label, std::wstring_view undone,
                 std::shared_ptr<outlook::Item>& item, std::wstring& sEntryID);
  // Whether the window's template is the default, the item asked again while Outlook refuses
  // it; still refused, or the default refused by the registry, the mark stays and the log
  // names the template under `procedure`.
  void ReadDefaultMark(const wchar_t* procedure, const std::shared_ptr<outlook::Item>& item);
  void m_btnTanvelo_Click(const ButtonPtr& Ctrl);
  void m_btnReplyAllWith_Click(const ButtonPtr& Ctrl);
  void m_btnForwardWith_Click(const ButtonPtr& Ctrl);
  void m_btnTanveloSub_Click(const ButtonPtr& Ctrl);
  void m_btnReplyAllWithSub_Click(const ButtonPtr& Ctrl);
  void m_btnForwardWithSub_Click(const ButtonPtr& Ctrl);
  void m_btnTanveloFreq_Click(const ButtonPtr& Ctrl);
  void m_btnReplyAllWithFreq_Click(const ButtonPtr& Ctrl);
  void m_btnForwardWithFreq_Click(const ButtonPtr& Ctrl);
  void m_btnTemplate_Click(const ButtonPtr& Ctrl);
  void m_btnSaveAsTemplate2_Click(const ButtonPtr& Ctrl);
  void m_btnOpenDuplicate_Click(const ButtonPtr& Ctrl);
  void m_btnHotkey_Click(const ButtonPtr& Ctrl);
  void m_btnChangeDefault_Click(const ButtonPtr& Ctrl);
  void m_btnProcessPersonal_Click(const ButtonPtr& Ctrl);
  void m_btnInsert_Click(const ButtonPtr& Ctrl);

  std::shared_ptr<outlook::Item> m_oMail;
  std::shared_ptr<outlook::Inspector> m_oInspector;
  std::shared_ptr<office::CommandBars> m_OutlookBars;
  BarPtr m_barOwn, m_barInsert;
  InspectorState m_state;
  std::wstring m_sTag;
  // The quick items of the three drop-downs, made and refreshed by the command-bar kit.
  bars::QuickItems m_qTanvelo, m_qReplyAllWith, m_qForwardWith;
  bool m_bModal = false;
  bool m_bStampRead = false;  // the opening read the owner stamp (not refused)
  bool m_bActivated = false;

  outlook::Subscription m_subActivate, m_subClose, m_subSend, m_subWrite;
  office::Subscription m_subUpdate;
  std::vector<office::Subscription> m_subClicks;
};
