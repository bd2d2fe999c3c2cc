// How the add-in object makes the objects it attaches to Outlook's windows: an explorer's
// command bars and a mail inspector's wrapper. Each is a slot until its class is linked in; an
// empty slot leaves the window without that object.
#pragma once

#include <functional>
#include <memory>

#include "addin/ExplorerMenuFactory.h"
#include "commands/IInspectorWrapperEx.h"
#include "inspector_ui/MakeInspectorWrapper.h"

namespace outlook {
class Explorer;
class Inspector;
}  // namespace outlook

struct WindowFactories {
  // A new explorer menu object, its Create already called with the explorer; errors of Create
  // are its own. The result is kept by the explorer's wrapper under the key "Menu".
  std::function<std::shared_ptr<void>(const std::shared_ptr<outlook::Explorer>& explorer)>
      MakeExplorerMenu = MakeCExplorerMenu;
  // A new inspector wrapper bound by its Init (inspector, modal flag); null when Init answered
  // False, and the wrapper is then dropped.
  std::function<InspectorWrapperPtr(const std::shared_ptr<outlook::Inspector>& inspector,
                                    bool bModal)>
      MakeInspectorWrapper = MakeCInspectorWrapper;
};

// The process's factories, empty again at every platform reset.
WindowFactories& Factories();
