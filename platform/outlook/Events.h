// Outlook's events as subscriptions: a subscriber keeps the returned Subscription, and its
// handler stops being called once the subscription is released (as a COM sink is unadvised).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/Faults.h"

namespace outlook {

class Subscription {
 public:
  Subscription() = default;
  explicit Subscription(std::shared_ptr<void> token) : token_(std::move(token)) {}
  void Release() { token_.reset(); }
  explicit operator bool() const { return token_ != nullptr; }

 private:
  std::shared_ptr<void> token_;
};

template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  [[nodiscard]] Subscription Subscribe(Handler handler) {
    auto slot = std::make_shared<Handler>(std::move(handler));
    slots_.push_back(slot);
    return Subscription(slot);
  }

  // Handlers subscribed while raising are not called this time; released ones are skipped
  // even when released by an earlier handler of the same raise.
  void Raise(Args... args) {
    win32::faults::AddinCode handlers;
    std::vector<std::weak_ptr<Handler>> snapshot = slots_;
    for (auto& weak : snapshot) {
      if (auto handler = weak.lock()) (*handler)(args...);
    }
    std::erase_if(slots_, [](const std::weak_ptr<Handler>& w) { return w.expired(); });
  }

  size_t Subscribers() const {
    size_t n = 0;
    for (auto& w : slots_) n += w.expired() ? 0 : 1;
    return n;
  }

 private:
  std::vector<std::weak_ptr<Handler>> slots_;
};

}  // namespace outlook
