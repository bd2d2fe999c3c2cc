// The add-in object Outlook creates and drives: connection makes the process-wide services,
// start-up complete starts tracking Outlook's windows, the first explorer finds the templates
// and drafts folders and starts everything that needs them, and shutdown (partial when the
// last explorer closes, final when Outlook ends) releases it all again in a fixed order. It
// reacts to the trackers' events and to new items of the templates folder, and runs hotkeys.
//
// Every entry point runs on Outlook's thread, one at a time, and keeps the object alive while
// it runs, so that a shutdown inside a nested event releases nothing still in use. After a
// failed connection or a final shutdown the object keeps that state: later calls from Outlook,
// its ribbon or the support library find it and do nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "addin/CExplorersWrapper.h"
#include "addin/CInspectorsWrapper.h"
#include "platform/addin/Extensibility.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Events.h"

class CConnectRibbon;
class CFrequentlyTemplates;
class CHotkey;
class RL_CLib;
namespace o2007events {
class O2007Events;
}
namespace outlook {
class Items;
class Item;
class MAPIFolder;
class Selection;
}  // namespace outlook
namespace office {
class CommandBar;
}

class Connect : public addinhost::IDTExtensibility2,
                public office::IRibbonExtensibility,
                public std::enable_shared_from_this<Connect> {
 public:
  enum class State { NotConnected, Connected, Started, Initialised, ShutDown };

  Connect();
  ~Connect() override;
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // --- IDTExtensibility2 ---------------------------------------------------------------
  void OnConnection(std::shared_ptr<outlook::Application> application, int32_t connectMode,
                    std::any addInInst, addinhost::CustomArray& custom) override;
  void OnDisconnection(int32_t removeMode, addinhost::CustomArray& custom) override;
  void OnAddInsUpdate(addinhost::CustomArray& custom) override;
  void OnStartupComplete(addinhost::CustomArray& custom) override;
  void OnBeginShutdown(addinhost::CustomArray& custom) override;

  // --- Ribbon (ConnectRibbon*.cpp) ---------------------------------------------------------
  // "" for every ribbon once the add-in is not serving (a failed connection, after shutdown).
  std::wstring GetCustomUI(const std::wstring& ribbonId) override;
  office::RibbonMembers RibbonCallbacks() override;
  void Ribbon_OnLoad(std::shared_ptr<office::IRibbonUI> ribbon);
  // Invalidates the explorer ribbon's controls that depend on what changed.
  void Explorer_InvalidateRibbon(bool bFolderSwitch, bool bSelectionChange, bool bFlag3,
                                 bool bFlag4, bool bFlag5, bool bFlag6);
  // Set by Ribbon_OnLoad; empty until Office has loaded the ribbon. It reaches every loaded
  // ribbon document (the explorer's and each inspector kind's), not only the last one.
  std::shared_ptr<office::IRibbonUI> m_oRibbon;
  // The ribbon's documents, rules, refresh and the item context menu, made on first use.
  CConnectRibbon& RibbonHalf();

  // --- Inside the add-in ---------------------------------------------------------------------
  // Connected, and neither failed nor shut down for good: the ribbon and the support
  // library's callbacks serve only then.
  bool Alive() const;
  State GetState() const { return m_state; }
  bool ConnectionFailed() const { return m_bConnectFailed; }
  std::shared_ptr<CExplorersWrapper> ExplorersWrapper() const { return m_oExplorers; }
  std::shared_ptr<CInspectorsWrapper> InspectorsWrapper() const { return m_oInspectors; }
  std::shared_ptr<o2007events::O2007Events> EventsComponent() const { return m_o2007events; }
  // Runs a hotkey in the active window.
  void OnHotkey(const CHotkey& hotkey);
  // Attaches an explorer menu to the explorer under the key "Menu".
  void AddMenu(const std::shared_ptr<CExplorerWrapper>& wrapper);
  // The window rectangle the support library keeps the address of: left, top, width, height.
  const std::array<int32_t, 4>& WindowRect() const { return m_rect; }

 private:
  // --- Lifecycle (Connect.cpp) ---
  bool Init(const std::shared_ptr<CExplorerWrapper>& wrapper);
  void Done(bool bFinal);
  // A wrapper is kept for a mail window still open.
  bool KeepsOpenMail() const;
  void FillLibBlock();
  bool StartLibrary();
  void FreeLibHandles();

  // --- Folders (ConnectFolders.cpp) ---
  void SetTanveloFolder(bool& bFirstRun);
  std::shared_ptr<outlook::MAPIFolder> GetTanveloDrafts();
  // The program's drafts folder (`own`), or Outlook's Drafts when it could not be made.
  std::shared_ptr<outlook::MAPIFolder> FindTanveloDrafts(bool& own);
  bool IsDeleted(const std::shared_ptr<outlook::MAPIFolder>& folder);

  // --- Events (ConnectEvents.cpp) ---
  void m_oExplorers_OnExplorer(const std::shared_ptr<CExplorerWrapper>& wrapper, bool bFirst,
                               bool bNew);
  void m_oExplorers_OnCloseAllExplorers();
  void m_oExplorers_OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& wrapper);
  void m_oExplorers_OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& wrapper);
  void m_oExplorers_OnExplorerViewSwitch(const std::shared_ptr<CExplorerWrapper>& wrapper);
  void m_oInspectors_OnNewMailInspector(const std::shared_ptr<outlook::Inspector>& inspector);
  void m_oTanveloItems_ItemAdd(const std::shared_ptr<outlook::Item>& item);
  void m_oApp_ItemSend(const std::shared_ptr<outlook::Item>& item, bool& Cancel);
  void SubscribeTrackers();

  // --- Ribbon-side handlers (ConnectRibbon*.cpp) ---
  void m_FreqTemplates_OnChange(int32_t nAction);
  void m_o2007events_OnItemContextMenuDisplay(const std::shared_ptr<office::CommandBar>& bar,
                                              const std::shared_ptr<outlook::Selection>& sel);
  void m_o2007events_OnContextMenuClose(int32_t nMenu);

  std::shared_ptr<CConnectRibbon> m_oRibbonHalf;
  State m_state = State::NotConnected;
  bool m_bConnectFailed = false;
  std::shared_ptr<CFrequentlyTemplates> m_FreqTemplates;
  outlook::Subscription m_subFreqTemplates;
  std::shared_ptr<o2007events::O2007Events> m_o2007events;
  std::vector<outlook::Subscription> m_sub2007events;
  std::shared_ptr<CExplorersWrapper> m_oExplorers;
  std::vector<outlook::Subscription> m_subExplorers;
  std::shared_ptr<CInspectorsWrapper> m_oInspectors;
  outlook::Subscription m_subInspectors;
  // Outlook's own sending: a mail of the program no window of it took (Outlook refused the
  // window's set-up up to the Send) is stopped there.
  outlook::Subscription m_subItemSend;
  std::shared_ptr<outlook::Items> m_oTanveloItems;
  outlook::Subscription m_subTanveloItems;
  // Views of the templates tree whose columns were adjusted: folder EntryID & view name.
  std::set<std::wstring> m_colViewKeys;
  std::array<int32_t, 4> m_rect{};
  std::vector<uint32_t> m_libHandles;  // what the support library's block points at
  std::array<uint8_t, 180> m_block{};
};

// The add-in object, from connection to final shutdown.
extern std::shared_ptr<Connect> g_oConnect;
// The personalization library, from connection to final shutdown.
extern std::shared_ptr<RL_CLib> g_oPersonalization;
