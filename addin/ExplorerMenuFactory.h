// The explorer menu object the add-in object attaches to every explorer window.
#pragma once

#include <memory>

namespace outlook {
class Explorer;
}

// A new CExplorerMenu with Create called for the explorer.
std::shared_ptr<void> MakeCExplorerMenu(const std::shared_ptr<outlook::Explorer>& explorer);
