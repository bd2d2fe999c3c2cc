#include "addin/connect/ConnectCommands.h"

#include "platform/win32/Reset.h"

CommandHooks& Commands() {
  return win32::PlatformState<CommandHooks>();
}
