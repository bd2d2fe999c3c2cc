// One explorer window: its events handed to the explorers tracker by name, the objects the
// add-in attaches to it under text keys, and the time it was last activated. A window opened
// after start-up is announced at its first activation, not when Outlook makes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/vb/Collection.h"

namespace outlook {
class Explorer;
}

class CExplorerWrapper : public std::enable_shared_from_this<CExplorerWrapper> {
 public:
  CExplorerWrapper();
  ~CExplorerWrapper();
  CExplorerWrapper(const CExplorerWrapper&) = delete;
  CExplorerWrapper& operator=(const CExplorerWrapper&) = delete;

  bool WaitingActivateEvent() const { return m_bWaitActivate; }
  // The explorer; null after Done.
  std::shared_ptr<outlook::Explorer> GetObject() const { return m_oExplorer; }
  // Binds the explorer and announces it ("OnExplorer" with this wrapper and the new flag).
  void Init(const std::shared_ptr<outlook::Explorer>& explorer, bool bNew);
  // Binds the explorer; it is announced at its first activation.
  void InitWaitActivate(const std::shared_ptr<outlook::Explorer>& explorer);
  // Releases the attached objects and the explorer; its events no longer arrive.
  void Done();
  // A key already used (or, for the others, a missing key) raises to the caller.
  void AddAssociatedObject(std::shared_ptr<void> object, const std::wstring& key);
  std::shared_ptr<void> GetAssociatedObject(const std::wstring& key) const;
  void RemoveAssociatedObject(const std::wstring& key);
  uint32_t GetLastActivateTime() const { return m_nLastActivate; }

 private:
  void Bind(const std::shared_ptr<outlook::Explorer>& explorer);
  void m_oExplorer_Activate();
  void m_oExplorer_Close();
  void m_oExplorer_FolderSwitch();
  void m_oExplorer_SelectionChange();
  void m_oExplorer_ViewSwitch();
  void HandOn(const wchar_t* handler, const wchar_t* event);

  std::shared_ptr<outlook::Explorer> m_oExplorer;
  std::vector<outlook::Subscription> m_subs;
  bool m_bWaitActivate = false;
  uint32_t m_nLastActivate = 0;
  std::unique_ptr<vb::Collection<std::shared_ptr<void>>> m_colObjects;
};
