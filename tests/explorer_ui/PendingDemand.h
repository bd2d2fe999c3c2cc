// What the commands layer's hidden form has queued (its own header cannot share a source file
// with the add-in object's).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace outlook {
class Item;
}

struct Pending {
  int32_t code;  // 0 none, 1 reply/reply to all/forward of a mail
  int32_t action;
  std::wstring templateId;
  std::shared_ptr<outlook::Item> item;
};
Pending PendingDemand();
