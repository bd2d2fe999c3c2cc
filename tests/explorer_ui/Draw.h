// Draws an explorer's bars as text, as a user sees them: shown controls only, separators, icons,
// greyed entries, the add-in's entries marked "*", and, for each of the add-in's buttons a user
// can click, what the click ran.
#pragma once

#include <functional>
#include <string>

#include "platform/office/CommandBars.h"

namespace draw {

// Runs a click on the button and answers what it did ("" for nothing), for the drawing.
using Clicker = std::function<std::wstring(const std::shared_ptr<office::CommandBarButton>&)>;

// The bar's shown controls, one a line, popups opened and their items indented.
std::wstring Bar(office::CommandBar& bar, const Clicker& click = nullptr);

// The icon a button shows: "<CMDTANVELO>" for a bitmap, "<face 354>" for an Office face.
std::wstring IconOf(const office::CommandBarButton& button);

}  // namespace draw
