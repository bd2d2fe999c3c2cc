#include "platform/addin/EventsComponent.h"

#include <vector>

#include "platform/outlook/Application.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"

namespace o2007events {

namespace {
struct ComponentState {
  std::vector<std::weak_ptr<O2007Events>> made;
};
ComponentState& S() {
  return win32::PlatformState<ComponentState>();
}
}  // namespace

O2007Events::O2007Events() = default;

void O2007Events::Init(const std::shared_ptr<outlook::Application>& application) {
  if (!application) vb::Raise(vb::kObjectRequired);
  app_ = application;
  started_ = true;
}

void Install() {
  vb::RegisterComponent<O2007Events>(kProgID, [] {
    auto made = std::make_shared<O2007Events>();
    S().made.push_back(made);
    return made;
  });
}

void Uninstall() {
  vb::UnregisterComponent(kProgID);
}

std::shared_ptr<O2007Events> LastInstance() {
  return S().made.empty() ? nullptr : S().made.back().lock();
}

int32_t LiveInstances() {
  int32_t n = 0;
  for (auto& w : S().made) n += w.expired() ? 0 : 1;
  return n;
}

}  // namespace o2007events
