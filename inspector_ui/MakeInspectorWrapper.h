// The inspectors tracker's maker of inspector wrappers.
#pragma once

#include <memory>

#include "commands/IInspectorWrapperEx.h"

// A new CInspectorWrapper bound to the inspector by its Init, or null when Init answered False
// (the inspector's item is no mail item).
InspectorWrapperPtr MakeCInspectorWrapper(const std::shared_ptr<outlook::Inspector>& inspector,
                                          bool bModal);
