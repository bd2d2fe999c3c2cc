// The maker's events component for Outlook 2007 and later, shipped beside the add-in and
// created by ProgID. Started with Outlook's Application, it tells the add-in when Outlook
// shows its item context menu (the menu's command bar and the selection) and when a context
// menu closes (0 for the item context menu). Who raises these events (a right-click of the
// user) belongs to the ribbon's platform; here they are plain events anyone may raise.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"

namespace office {
class CommandBar;
}

namespace o2007events {

inline constexpr const wchar_t* kProgID = L"O2007EventsTVLib.O2007Events";

class O2007Events {
 public:
  O2007Events();
  // The component's first method: from now on it watches this Application's context menus.
  void Init(const std::shared_ptr<outlook::Application>& application);
  // The Application it was started with, while it lives.
  std::shared_ptr<outlook::Application> Application() const { return app_.lock(); }
  bool Started() const { return started_; }

  outlook::Event<std::shared_ptr<office::CommandBar>, std::shared_ptr<outlook::Selection>>
      OnItemContextMenuDisplay;
  outlook::Event<int32_t> OnContextMenuClose;

 private:
  std::weak_ptr<outlook::Application> app_;
  bool started_ = false;
};

// Makes the component creatable by its ProgID, or takes it away (CreateObject raises 429).
void Install();
void Uninstall();
// The instance made last by CreateObject, while someone holds it.
std::shared_ptr<O2007Events> LastInstance();
// How many instances live now.
int32_t LiveInstances();

}  // namespace o2007events
