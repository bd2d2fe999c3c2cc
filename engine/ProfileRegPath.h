// The per-profile registry key path of the running profile.
#pragma once

#include <string>

std::wstring ProfileRegPath();
