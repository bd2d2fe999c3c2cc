// Office gives every new explorer and inspector window command bars of its own. Outlook's
// substitute does not know Office: whoever plays Office sets the maker, and each window made
// from then on gets its bars before its NewExplorer or NewInspector is raised.
#pragma once

#include <functional>
#include <memory>

#include "platform/outlook/Forward.h"

namespace outlook {

// `window` is the new Explorer or Inspector; the result is kept as its CommandBars.
using CommandBarsMaker =
    std::function<std::shared_ptr<void>(const std::shared_ptr<Object>& window)>;
// An empty maker (the start of every test) leaves new windows without bars.
void SetCommandBarsMaker(CommandBarsMaker maker);
// Internal: the bars for a new window, or null when no maker is set.
std::shared_ptr<void> MakeCommandBars(const std::shared_ptr<Object>& window);

}  // namespace outlook
