// What the system logged, as the support library recorded it.
#pragma once

#include <string>

#include "platform/support/LibNorvane.h"

namespace testlog {

// An entry of the procedure with exactly this text (any text when it is empty).
inline bool Logged(const std::wstring& procedure, const std::wstring& text = L"") {
  for (const auto& e : support::library::Log())
    if (e.procedure == procedure && (text.empty() || e.text == text)) return true;
  return false;
}

// An entry of the procedure whose text holds the fragment.
inline bool LoggedContaining(const std::wstring& procedure, const std::wstring& fragment) {
  for (const auto& e : support::library::Log())
    if (e.procedure == procedure && e.text.find(fragment) != std::wstring::npos) return true;
  return false;
}

}  // namespace testlog
