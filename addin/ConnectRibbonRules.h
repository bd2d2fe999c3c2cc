// Shared by the ribbon's rule files: the families of the reply buttons, the id prefix, and the
// traps that log with the control id as context.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Main.h"
#include "platform/vb/Error.h"
#include "resources/RibbonXML.h"

namespace ribbonrules {

inline const std::wstring kPrefix = resources::ribbon::kExplorerPrefix;

inline std::wstring Ex(std::wstring_view name) {
  return kPrefix + std::wstring(name);
}

// A reply family: the default button's id, its action, the assertion texts of a quick item
// beyond the list (inspector and explorer forms).
struct Family {
  const wchar_t* name;
  int32_t action;
  const wchar_t* inspectorAssert;
  const wchar_t* explorerAssert;
};
inline constexpr std::array<Family, 3> kFamilies{{
    {L"btnTanvelo", 1, L"assert677", L"assert.o2010.TVT"},
    {L"btnReplyAllWith", 2, L"assert689", L"assert.o2010.RAWT"},
    {L"btnForwardWith", 4, L"assert703", L"assert.o2010.FWT"},
}};

inline std::wstring QuickId(const Family& f, int n, bool explorer) {
  std::wstring id = std::wstring(f.name) + L"T" + std::to_wstring(n);
  return explorer ? Ex(id) : id;
}

// Runs `body`; an error is logged under `procedure` with the id as context ("[id] text").
template <class F>
bool TrapWithContext(std::wstring_view procedure, std::wstring_view context, F&& body) {
  if (vb::Catch(std::forward<F>(body))) return true;
  LogError(procedure, std::nullopt, std::nullopt, context);
  return false;
}

// The ids each rule table names.
std::vector<std::wstring> DispatchIds();
std::vector<std::wstring> EnabledIds();
std::vector<std::wstring> VisibleIds();
std::vector<std::wstring> LabelIds();
std::vector<std::wstring> ScreentipIds();
std::vector<std::wstring> ImageIds();

}  // namespace ribbonrules
