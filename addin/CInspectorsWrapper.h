// Every open mail inspector, one wrapper each, made when Outlook opens the inspector; wrappers
// of closed inspectors are ended at the next new inspector and at Done.
#pragma once

#include <memory>
#include <vector>

#include "addin/WindowFactories.h"
#include "platform/outlook/Events.h"

namespace outlook {
class Inspector;
class Inspectors;
}  // namespace outlook

class CInspectorsWrapper : public std::enable_shared_from_this<CInspectorsWrapper> {
 public:
  CInspectorsWrapper() = default;
  ~CInspectorsWrapper();
  CInspectorsWrapper(const CInspectorsWrapper&) = delete;
  CInspectorsWrapper& operator=(const CInspectorsWrapper&) = delete;

  // The wrapper of this very inspector; else, as Outlook gives no identity across its
  // objects, the first that shows the same saved item (EntryID, any case) or, for an item
  // never saved, the same caption, window state and geometry and creation time. Null when
  // none; an error while comparing counts as no match.
  InspectorWrapperPtr FindWrapper(const std::shared_ptr<outlook::Inspector>& inspector) const;
  // Subscribes to new inspectors; errors ignored. Again with the same collection it keeps
  // the wrappers it has.
  void Init(const std::shared_ptr<outlook::Inspectors>& inspectors);
  // Unsubscribes and ends every wrapper.
  void Done();
  const std::vector<InspectorWrapperPtr>& GetWrappers() const { return m_colWrappers; }
  bool Watching() const { return m_oInspectors != nullptr; }

  outlook::Event<std::shared_ptr<outlook::Inspector>> OnNewMailInspector;

 private:
  void m_oInspectors_NewInspector(const std::shared_ptr<outlook::Inspector>& inspector);
  // Makes the window's wrapper; False when Outlook refused its item past the held tries (the
  // window is then logged by name). `shown`: the window's first activation has passed.
  bool SetUp(const std::shared_ptr<outlook::Inspector>& inspector, bool shown);
  // A window left without its set-up is set up again at each activation until it is, so that
  // a Send from it is not left without the personalization.
  void WaitForItem(const std::shared_ptr<outlook::Inspector>& inspector);

  struct Waiting {
    std::weak_ptr<outlook::Inspector> inspector;
    outlook::Subscription activate, close;
  };

  std::shared_ptr<outlook::Inspectors> m_oInspectors;
  outlook::Subscription m_subNewInspector;
  std::vector<InspectorWrapperPtr> m_colWrappers;
  std::vector<std::shared_ptr<Waiting>> m_colWaiting;
};
