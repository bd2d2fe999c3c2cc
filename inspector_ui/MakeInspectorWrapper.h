// The inspectors tracker's maker of inspector wrappers, in the engine's terms only.
#pragma once

#include <memory>

#include "engine/mTanveloRoad.h"

// A new CInspectorWrapper bound to the inspector by its Init, or null when Init answered False
// (the inspector's item is no mail item).
std::shared_ptr<mTanvelo::IInspectorWrapper> MakeInspectorWrapper(
    const std::shared_ptr<outlook::Inspector>& inspector, bool bModal);
