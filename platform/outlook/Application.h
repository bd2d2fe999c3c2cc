// Outlook's Application: the version, the session, new items, and the explorer and inspector
// windows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"

namespace outlook {

struct ApplicationEvents {
  // An item sent through Outlook (a window's Send button or Item.Send), after the item's own
  // Send event and only when that did not cancel, before the item leaves: Cancel keeps it
  // where it is, its window open. A send past Outlook (Redemption's) does not raise it.
  Event<std::shared_ptr<Item>, bool&> ItemSend;
};

class Application : public Object, public std::enable_shared_from_this<Application> {
 public:
  // Made through Create, which also makes the session.
  static std::shared_ptr<Application> Create(const std::wstring& version);
  // The Outlook that runs on this machine (the last one created), as Redemption finds it.
  static std::shared_ptr<Application> Running();

  int32_t Class() const override { return olApplication; }
  const std::wstring& Version() const { return version_; }
  void SetVersion(const std::wstring& version) { version_ = version; }
  std::shared_ptr<NameSpace> Session() const { return session_; }
  std::shared_ptr<NameSpace> GetNamespace(const std::wstring& type) const;
  // olMailItem, olPostItem, olContactItem, olDistributionListItem; unsaved, parent Drafts
  // (Contacts for contacts and lists).
  std::shared_ptr<Item> CreateItem(int32_t itemType);
  std::shared_ptr<outlook::Explorers> Explorers() const { return explorers_; }
  std::shared_ptr<outlook::Inspectors> Inspectors() const { return inspectors_; }
  ApplicationEvents& Events() { return events_; }
  // The most recently activated open window of its kind, or nothing.
  std::shared_ptr<Explorer> ActiveExplorer() const;
  std::shared_ptr<Inspector> ActiveInspector() const;
  // The active window: an Explorer or an Inspector (check with dynamic_pointer_cast).
  std::shared_ptr<Object> ActiveWindow() const;

  // --- Control ---------------------------------------------------------------------------
  // Whether mail is edited in Word (Outlook 2007 and later always, earlier by option).
  bool WordMail() const;
  void SetWordMail(bool on) { wordMail_ = on; }
  // Modal inspectors: the script runs with the inspector while it is "shown" and must close
  // it; a modal display with no script queued fails (win32::UnscriptedPrompt).
  void QueueModalInspectorScript(std::function<void(std::shared_ptr<Inspector>)> script);
  std::function<void(std::shared_ptr<Inspector>)> TakeModalInspectorScript();
  // Internal: the window that last became active.
  void SetActiveExplorer(const std::shared_ptr<Explorer>& explorer);
  void SetActiveInspector(const std::shared_ptr<Inspector>& inspector);

 private:
  explicit Application(std::wstring version) : version_(std::move(version)) {}

  std::wstring version_;
  std::shared_ptr<NameSpace> session_;
  std::shared_ptr<outlook::Explorers> explorers_;
  std::shared_ptr<outlook::Inspectors> inspectors_;
  std::weak_ptr<Object> active_;
  std::weak_ptr<Explorer> lastExplorer_;
  std::weak_ptr<Inspector> lastInspector_;
  std::optional<bool> wordMail_;
  std::vector<std::function<void(std::shared_ptr<Inspector>)>> modalScripts_;
  ApplicationEvents events_;
};

// The major version of a version text ("14.0.0.4760" gives 14).
int32_t MajorVersion(const std::wstring& version);

}  // namespace outlook
