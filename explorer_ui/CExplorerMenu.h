// The add-in's classic command bars in one Outlook explorer window: the reply, reply-to-all and
// forward buttons with their drop-downs of the most used templates and the template button and
// menu on "Standard"; the Tanvelo submenus of the Actions menus, the Go item, the File > New
// item and the import/export submenu of the File menu on "Menu Bar"; on Outlook 2002 and 2003
// the submenu of the item context menu. Everything is built and refreshed inside Office's
// update of the window's bars; nothing is built on Outlook 2010 unless the option asks for it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "commandbars/CommandBarKit.h"

namespace outlook {
class Explorer;
}

// What the controls show, computed at each update from the active explorer's folder and
// selection and from Outlook's Reply, Reply to All and Forward on this window's "Standard".
struct ExplorerMenuState {
  bool IsTemplatesFolder = false;
  bool IsOtherMailFolder = false;
  bool IsContactFolder = false;
  bool IsDraftsFolder = false;
  int32_t SelCount = 0;
  bool IsMailSelected = false;
  bool IsTemplateSelected = false;
  bool IsDefaultTemplateSelected = false;
  bool ReplyVisible = false, ReplyEnabled = false;
  bool ReplyAllVisible = false, ReplyAllEnabled = false;
  bool ForwardVisible = false, ForwardEnabled = false;
  bool operator==(const ExplorerMenuState&) const = default;
};

class CExplorerMenu : public std::enable_shared_from_this<CExplorerMenu> {
 public:
  // Every control the add-in puts on an explorer's bars carries this prefix and its member's
  // name as its Tag ("Norvane.Tanvelo.Explorer.btnTanvelo"), except the items of the context
  // menu, which Outlook drops at every right-click.
  static constexpr const wchar_t* kTagPrefix = L"Norvane.Tanvelo.Explorer.";
  static std::wstring TagOf(const wchar_t* member) { return kTagPrefix + std::wstring(member); }

  CExplorerMenu() = default;
  // Gives Outlook's Reply its separator back; the controls stay (Office drops them at exit).
  ~CExplorerMenu();
  CExplorerMenu(const CExplorerMenu&) = delete;
  CExplorerMenu& operator=(const CExplorerMenu&) = delete;

  // Binds the explorer's bars (Outlook before 2010, or with ShowOldControlsOn2010); builds
  // nothing yet.
  void Create(const std::shared_ptr<outlook::Explorer>& explorer);
  // Office's update of the bars: builds what is missing, then brings every control up to date.
  void OnUpdate();

  const ExplorerMenuState& State() const { return m_state; }
  bool IsBound() const { return m_updateSub != nullptr; }

 private:
  using ButtonPtr = bars::ButtonPtr;
  using PopupPtr = bars::PopupPtr;
  using Handler = void (CExplorerMenu::*)(const ButtonPtr& ctrl);

  struct ReplyPair {
    int32_t action;
    int32_t anchorId;
    const wchar_t* member;  // "btnTanvelo"
    const wchar_t* tooltip;
    const wchar_t* subCaption;
    bars::BoundButton button;
    PopupPtr popup;
    bars::BoundButton sub;
    bars::QuickItems quick;
  };

  // Builders and updaters, in the order of the update.
  void AddNewFromTemplate5();
  void AddAboutMenu();
  void Create_ActionMenu();
  void Create_ActionMenuContact();
  void Create_ImportExportMenu();
  void Create_TanveloButtons();
  void Create_TemplateMenu();
  bool AddGoMenuItem();
  void ComputeState();
  void Create_ConextMenu(const ExplorerMenuState& state);
  void Update_ActionMenu(const ExplorerMenuState& state);
  void Update_TanveloButtons(const ExplorerMenuState& state);
  void Update_TemplateMenu(const ExplorerMenuState& state);
  // The quick items of one reply drop-down: the group is built statement by statement (a write
  // Office refuses leaves the rest of the group made); a refill stops at its first error.
  void Create_FreqButtons(const PopupPtr& popup, bars::QuickItems& group, Handler onFreq);
  void Update_FreqButtons(const PopupPtr& popup, CTemplates& list);

  bool Gated() const;
  void BindUpdates();
  // The bar of that name, or null; a missing anchor bar or menu is logged once per explorer.
  bars::BarPtr Bar(const wchar_t* name) const;
  void LogMissingOnce(const wchar_t* context, const std::wstring& what);
  bool HideOption(int32_t action) const;
  // Binds a member; the handler runs only for clicks on this window's controls.
  void Bind(bars::BoundButton& member, ButtonPtr button, Handler handler);
  ButtonPtr AddItem(const PopupPtr& popup, bars::BoundButton& member, const wchar_t* tagMember,
                    Handler handler, int32_t style, const std::wstring& caption,
                    const bars::Icon* icon);
  void ReleaseAll();

  // Click handlers.
  void ReplyClick(int32_t action, const std::wstring& entryId);
  void m_btnTanvelo_Click(const ButtonPtr&);
  void m_btnReplyAllWith_Click(const ButtonPtr&);
  void m_btnForwardWith_Click(const ButtonPtr&);
  void m_btnTanveloSub_Click(const ButtonPtr&);
  void m_btnReplyAllWithSub_Click(const ButtonPtr&);
  void m_btnForwardWithSub_Click(const ButtonPtr&);
  void m_btnTanveloFreq_Click(const ButtonPtr& ctrl);
  void m_btnReplyAllWithFreq_Click(const ButtonPtr& ctrl);
  void m_btnForwardWithFreq_Click(const ButtonPtr& ctrl);
  void m_btnNewFromTemplate_Click(const ButtonPtr&);
  void m_btnNewFromTemplate5_Click(const ButtonPtr&);
  void m_btnSaveAsTemplate_Click(const ButtonPtr&);
  void m_btnNewTemplate_Click(const ButtonPtr&);
  void m_btnEditTemplate_Click(const ButtonPtr&);
  void m_btnSelAndEditTemplate_Click(const ButtonPtr&);
  void m_btnOpenDuplicate_Click(const ButtonPtr&);
  void m_btnHotkey_Click(const ButtonPtr&);
  void m_btnChangeDefault_Click(const ButtonPtr&);
  void m_btnSendDrafts_Click(const ButtonPtr&);
  void m_btnImport_Click(const ButtonPtr&);
  void m_btnExport_Click(const ButtonPtr&);
  void m_btnTemplate_Click(const ButtonPtr&);
  void m_btnOptions_Click(const ButtonPtr&);
  void m_btnHelp_Click(const ButtonPtr&);
  void m_btnDebug_Click(const ButtonPtr&);
  void m_btnTest1_Click(const ButtonPtr&);

  std::shared_ptr<office::CommandBars> m_bars;  // the window's bars, kept while bound
  office::Subscription m_updateSub;             // m_OutlookBars: empty while idle
  bool m_bToolbarChanged = false;
  bool m_bAboutMenuAdded = false;
  std::wstring m_sContextMenuTag;
  std::set<std::wstring> m_loggedMissing;
  ExplorerMenuState m_state;

  // "Standard": the three reply pairs, the template button and its drop-down.
  std::array<ReplyPair, 3> m_pairs{{
      {1, bars::kReplyId, L"btnTanvelo", L"IDS_TANVELO", L"BTN_TANVELO_SUB", {}, {}, {}, {}},
      {2,
       bars::kReplyAllId,
       L"btnReplyAllWith",
       L"BTN_REPLY_ALL_WITH",
       L"BTN_REPLY_ALL_WITH_SUB",
       {},
       {},
       {},
       {}},
      {4,
       bars::kForwardId,
       L"btnForwardWith",
       L"IDS_FORWARDWITH",
       L"BTN_FORWARD_WITH_SUB",
       {},
       {},
       {},
       {}},
  }};
  bars::BoundButton m_btnTemplate;
  PopupPtr m_popTemplate, m_popImportExport;
  bars::BoundButton m_btnNewFromTemplate, m_btnSaveAsTemplate, m_btnNewTemplate, m_btnEditTemplate,
      m_btnSelAndEditTemplate, m_btnOpenDuplicate, m_btnHotkey, m_btnImport2, m_btnExport2,
      m_btnChangeDefault, m_btnSendDrafts2, m_btnOptions, m_btnHelp;

  // "Menu Bar": File > New, the File menu's import/export submenu, the Go item, the Actions
  // menus.
  bars::BoundButton m_btnNewFromTemplate5;
  PopupPtr m_popFileImportExport;
  bars::BoundButton m_btnImport, m_btnExport, m_btnDebug, m_btnTest1;
  PopupPtr m_popTanveloContact;
  bars::BoundButton m_btnNewFromTemplate3, m_btnGo;
  PopupPtr m_popActionMenu;
  bars::BoundButton m_btnTanvelo2, m_btnReplyAllWith2, m_btnForwardWith2, m_btnNewTemplate2,
      m_btnEditTemplate2, m_btnNewFromTemplate2, m_btnSaveAsTemplate2, m_btnOpenDuplicate2,
      m_btnHotkey2, m_btnChangeDefault2, m_btnSendDrafts;

  // "Context Menu" of Outlook 2002 and 2003.
  bars::BoundButton m_btnTanvelo4, m_btnReplyAllWith4, m_btnForwardWith4, m_btnNewTemplate4,
      m_btnEditTemplate4, m_btnNewFromTemplate4, m_btnSaveAsTemplate4, m_btnOpenDuplicate4,
      m_btnHotkey4, m_btnChangeDefault4, m_btnSendDrafts4;
};
