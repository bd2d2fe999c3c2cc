// The runtime's application settings store: GetSetting and SaveSetting keep text values under
// HKEY_CURRENT_USER "Software\VB and VBA Program Settings\<application>\<section>".
#pragma once

#include <string>

namespace vb {

// The stored text, or `defaultValue` when the value or its key is missing.
std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                        const std::wstring& key, const std::wstring& defaultValue = L"");
// Creates the key when needed; raises 5 when the value cannot be written.
void SaveSetting(const std::wstring& appName, const std::wstring& section, const std::wstring& key,
                 const std::wstring& setting);

}  // namespace vb
