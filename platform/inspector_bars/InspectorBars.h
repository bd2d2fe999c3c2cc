// Gives Outlook's inspector windows their Office command bars, by editor and Outlook version
// (office/InspectorBars.h): a window opened after Give has them before anyone hears of it.
#pragma once

#include <memory>

#include "platform/office/CommandBars.h"

namespace outlook {
class Application;
class Inspector;
}  // namespace outlook

namespace inspector_bars {

// Every inspector the application opens from now on gets its bars (until the platform resets).
void Give(const std::shared_ptr<outlook::Application>& app);
// The window's bars, made now when it has none yet; null for a closed window.
std::shared_ptr<office::CommandBars> Of(const std::shared_ptr<outlook::Inspector>& inspector);

}  // namespace inspector_bars
