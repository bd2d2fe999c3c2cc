#include "engine/ProfileRegPath.h"

std::wstring ProfileRegPath() {
  return L"Software\\Norvane\\Tanvelo\\PROFILE";
}
