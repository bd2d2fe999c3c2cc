// Every explorer window of Outlook, one wrapper each: the open ones wrapped at Init and
// announced at once, later ones announced at their first activation. The explorers' events
// come back through the hand-off and are raised again as this tracker's own. An explorer is
// announced as the first when no other tracked explorer has been activated yet.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "addin/CExplorerWrapper.h"
#include "platform/outlook/Events.h"

namespace outlook {
class Explorer;
class Explorers;
}  // namespace outlook

class CExplorersWrapper : public std::enable_shared_from_this<CExplorersWrapper> {
 public:
  using WrapperPtr = std::shared_ptr<CExplorerWrapper>;

  CExplorersWrapper();
  ~CExplorersWrapper();
  CExplorersWrapper(const CExplorersWrapper&) = delete;
  CExplorersWrapper& operator=(const CExplorersWrapper&) = delete;

  // Null when none is tracked. Despite the name, the wrapper activated longest ago (the first
  // of equals): callers only ask whether any explorer is tracked.
  WrapperPtr GetActiveWrapper() const;
  int32_t Count() const;
  // From 1; raises 9 out of range.
  WrapperPtr Item(int32_t index) const;
  // Subscribes and wraps every open explorer, announcing each before the next; stops when a
  // shutdown ran inside an announcement. Errors reach the caller.
  void Init(const std::shared_ptr<outlook::Explorers>& explorers);
  // Ends every wrapper. A partial shutdown (False) keeps watching Outlook's explorers so that
  // a later one starts the add-in again; a final one lets them go.
  void Done(bool bFinal);
  // Reached through the hand-off only; names compared without regard to case.
  void EventFromExplorer(const std::wstring& sEvent, const std::vector<std::any>* args);

  outlook::Event<> OnCloseAllExplorers;
  // wrapper, first flag, new flag
  outlook::Event<WrapperPtr, bool, bool> OnExplorer;
  outlook::Event<WrapperPtr> OnExplorerSelectionChange;
  outlook::Event<WrapperPtr> OnExplorerFolderSwitch;
  outlook::Event<WrapperPtr> OnExplorerViewSwitch;

 private:
  using Wrappers = std::vector<WrapperPtr>;
  void m_oExplorers_NewExplorer(const std::shared_ptr<outlook::Explorer>& explorer);
  void RemoveClosedWrappers();

  std::shared_ptr<outlook::Explorers> m_oExplorers;
  outlook::Subscription m_subNewExplorer;
  std::shared_ptr<Wrappers> m_colWrappers;  // null once a shutdown released it
};
