#include "addin/WindowFactories.h"

#include "platform/win32/Reset.h"

WindowFactories& Factories() {
  return win32::PlatformState<WindowFactories>();
}
