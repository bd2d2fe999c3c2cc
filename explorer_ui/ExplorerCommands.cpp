#include "explorer_ui/ExplorerCommands.h"

ExplorerCommands& TheExplorerCommands() {
  static ExplorerCommands commands;
  return commands;
}
