// The add-in's ribbon customisations as Office asks for them by ribbon id: the fixed documents
// of the mail inspectors (reading and writing a mail) and the element patterns and layout from
// which the explorer's document is assembled (every explorer id carries one prefix).
#pragma once

#include <string>
#include <vector>

namespace resources::ribbon {

inline constexpr wchar_t kReadId[] = L"Microsoft.Outlook.Mail.Read";
inline constexpr wchar_t kComposeId[] = L"Microsoft.Outlook.Mail.Compose";
inline constexpr wchar_t kExplorerId[] = L"Microsoft.Outlook.Explorer";
inline constexpr wchar_t kExplorerPrefix[] = L"Norvane.Tanvelo.Explorer.";

// The inspector documents, whole.
const std::wstring& ReadXml();
const std::wstring& ComposeXml();

// The explorer document's pieces: the opening (root, ribbon, tabs), the closing, and one
// pattern per kind of element with "%1" for the full id and, for a built-in picture, "%2" for
// its name. Closing texts carry no placeholder.
enum class ExplorerKind {
  Tab,
  Group,
  SplitButton,
  SplitButtonButton,
  Menu,
  MenuButton,
  MenuSeparator,
  LargeButton,
  LargeButtonMso,
  EndMenuAndSplitButton,
  EndGroup,
};
const std::wstring& ExplorerHead();
const std::wstring& ExplorerTail();
const std::wstring& ExplorerPattern(ExplorerKind kind);

// The explorer layout in document order: the element's kind, its name without the prefix
// (empty for closings) and its built-in picture (LargeButtonMso only).
struct ExplorerElement {
  ExplorerKind kind;
  const wchar_t* name;
  const wchar_t* imageMso;
};
const std::vector<ExplorerElement>& ExplorerLayout();

}  // namespace resources::ribbon
