// The ribbon half of the add-in object: the customUI documents by ribbon id, the callbacks
// Office binds by name, the one command dispatcher, the enabled/visible, label, screentip and
// picture rules, the targeted invalidations, and the item context menu of Outlook 2007 and
// later (which asks the same rules and runs the same dispatcher). It reads the world through
// IRibbonFacts and runs commands through IRibbonCommands; the add-in object owns one and hands
// Office its callbacks. Nothing it computes is kept: every answer is asked afresh.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "addin/CRibbonFacts.h"
#include "platform/office/CommandBars.h"
#include "platform/office/Ribbon.h"

class CItemContextMenu;

class CConnectRibbon : public office::IRibbonExtensibility {
 public:
  CConnectRibbon(std::shared_ptr<IRibbonFacts> facts, std::shared_ptr<IRibbonCommands> commands);
  ~CConnectRibbon() override;

  // --- Documents ----------------------------------------------------------------------------
  // The XML for a ribbon id, "" for none (an unknown id, another letter case, the explorer
  // before Outlook 2010).
  std::wstring GetCustomUI(const std::wstring& ribbonId) override;
  std::wstring MailItem_GetCustomUI(const std::wstring& ribbonId);
  std::wstring Explorer_GetCustomUI();
  // The public callbacks by name, as Office finds them on the add-in's dispatch interface.
  office::RibbonMembers RibbonCallbacks() override;

  // --- Callbacks and their workers ------------------------------------------------------------
  void Ribbon_OnLoad(std::shared_ptr<office::IRibbonUI> ribbon);
  void Button_Action(const office::IRibbonControl& control);
  void Button_Action_(const std::wstring& ControlID, const std::any& oContext);
  void Control_GetEnabled(const office::IRibbonControl& control, bool& result);
  void Control_GetEnabled_(const std::wstring& ControlID, const std::any& oContext, bool& result);
  void Control_GetVisible(const office::IRibbonControl& control, bool& result);
  void Control_GetVisible_(const std::wstring& ControlID, const std::any& oContext, bool& result);
  void Control_GetLabel(const office::IRibbonControl& control, std::wstring& label);
  std::wstring Button_GetScreentip(const office::IRibbonControl& control);
  std::shared_ptr<win32::IPicture> Button_GetImage(const office::IRibbonControl& control);

  // --- Refresh --------------------------------------------------------------------------------
  // The frequently-used list of an action changed.
  void m_FreqTemplates_OnChange(int32_t nType);
  // The explorer's folder, selection or a ranked list changed (Outlook 2010 and later).
  void Explorer_InvalidateRibbon(bool bFolderChanged, bool bSelectionChanged,
                                 bool bFreqRTemplatesChanged, bool bFreqRATemplatesChanged,
                                 bool bFreqFTemplatesChanged);
  // Every control of every loaded document is asked again (a new mail inspector opened).
  void Invalidate();
  void InvalidateControl(const std::wstring& id);
  void ActivateTab(const std::wstring& id);
  // A ribbon document has been loaded (Outlook 2007 and later).
  bool HasRibbon() const { return !m_oRibbons->empty(); }
  // One IRibbonUI that reaches every loaded document; a refusal by one is logged with its
  // ribbon and the others still hear it (nothing is raised).
  std::shared_ptr<office::IRibbonUI> AllRibbons();
  // While this answers false the callbacks answer neutrally and run nothing (the add-in
  // object failed to connect or has shut down); empty: always serving.
  std::function<bool()> fnServing;
  // After the usage records were refreshed: the quick items of the three reply actions.
  void InvalidateQuickItems();

  // --- Item context menu of Outlook 2007 and later --------------------------------------------
  void m_o2007events_OnItemContextMenuDisplay(
      const std::shared_ptr<office::CommandBar>& oCommandBar, const std::any& oSelection);
  void m_o2007events_OnContextMenuClose(int32_t nContextMenu);
  void m_ContextMenu2007_OnClick(int32_t nButton);
  const std::shared_ptr<CItemContextMenu>& ContextMenu2007() const { return m_ContextMenu2007; }

  // --- What the rules know, for the check against the XML ---------------------------------------
  enum class Rule { Action, Enabled, Visible, Label, Screentip, Image };
  static std::vector<std::wstring> RuleIds(Rule rule);
  // The ids each invalidation names: 0 folder, 1 selection, 2-4 the explorer quick items of
  // actions 1, 2, 4, 5-7 the inspector quick items of actions 1, 2, 4.
  static const std::vector<std::wstring>& InvalidationList(int list);
  // The explorer ids the item context menu asks (flag from) and dispatches, entries 1 to 12.
  static const std::vector<std::wstring>& ContextMenuFlagIds();
  static const std::vector<std::wstring>& ContextMenuDispatchIds();

  IRibbonFacts& Facts() { return *m_oFacts; }
  // Another road for the commands (a test's recorder, a build with other dialogs).
  void SetCommands(std::shared_ptr<IRibbonCommands> commands) { m_oCommands = std::move(commands); }
  IRibbonCommands& Commands() { return *m_oCommands; }

 private:
  bool Serving() const { return !fnServing || fnServing(); }
  void InvalidateList(std::wstring_view procedure, const std::vector<std::wstring>& ids);
  std::shared_ptr<IRibbonFacts> m_oFacts;
  std::shared_ptr<IRibbonCommands> m_oCommands;
  // One IRibbonUI per loaded document: an invalidation reaches the explorer's ribbon and each
  // inspector ribbon alike.
  using Ribbons = std::vector<std::shared_ptr<office::IRibbonUI>>;
  std::shared_ptr<Ribbons> m_oRibbons = std::make_shared<Ribbons>();
  std::shared_ptr<office::IRibbonUI> m_oAllRibbons;
  std::shared_ptr<CItemContextMenu> m_ContextMenu2007;
  std::vector<office::Subscription> m_ContextMenuSinks;
};
