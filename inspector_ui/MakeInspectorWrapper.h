// The inspectors tracker's maker of inspector wrappers.
#pragma once

#include <memory>
#include <string_view>

#include "commands/IInspectorWrapperEx.h"

namespace outlook {
class Inspector;
class Item;
}  // namespace outlook

// A new CInspectorWrapper bound to the inspector by its Init, or null when Init answered False
// (the inspector's item is no mail item).
InspectorWrapperPtr MakeCInspectorWrapper(const std::shared_ptr<outlook::Inspector>& inspector,
                                          bool bModal);

// Logs at error level under `procedure` that the window is left without the add-in (its
// buttons and the personalization on Send): the current error, and the subject of its item
// when Outlook tells it. `item` may be null.
void LogWindowWithoutSetUp(std::wstring_view procedure,
                           const std::shared_ptr<outlook::Inspector>& inspector,
                           const std::shared_ptr<outlook::Item>& item);
