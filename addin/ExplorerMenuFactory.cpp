#include "addin/ExplorerMenuFactory.h"

#include "explorer_ui/CExplorerMenu.h"

std::shared_ptr<void> MakeCExplorerMenu(const std::shared_ptr<outlook::Explorer>& explorer) {
  auto menu = std::make_shared<CExplorerMenu>();
  menu->Create(explorer);
  return menu;
}
