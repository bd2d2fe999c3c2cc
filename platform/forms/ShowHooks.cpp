#include "platform/forms/ShowHooks.h"

#include "platform/win32/Reset.h"

namespace forms {
namespace {
struct Hooks {
  std::function<void(Form&)> observer;
  std::function<std::optional<Script>(Form&)> fallback;
};
Hooks& H() {
  return win32::PlatformState<Hooks>();
}
}  // namespace

void SetShowObserver(std::function<void(Form&)> observer) {
  H().observer = std::move(observer);
}

void SetFallbackScript(std::function<std::optional<Script>(Form&)> fallback) {
  H().fallback = std::move(fallback);
}

void NotifyShow(Form& form) {
  if (auto observer = H().observer) observer(form);
}

std::optional<Script> FallbackScript(Form& form) {
  if (auto fallback = H().fallback) return fallback(form);
  return std::nullopt;
}

}  // namespace forms
