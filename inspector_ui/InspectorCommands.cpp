#include "inspector_ui/InspectorCommands.h"

#include "platform/win32/Reset.h"

InspectorCommands& InspectorCommandsSlot() {
  return win32::PlatformState<InspectorCommands>();
}
