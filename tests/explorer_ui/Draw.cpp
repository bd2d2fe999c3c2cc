#include "tests/explorer_ui/Draw.h"

namespace draw {
namespace {
bool Program(const office::CommandBarControl& c) {
  return !c.BuiltIn();
}

// "&&" shows as "&", a single "&" underlines the next letter (not drawn).
std::wstring Shown(const std::wstring& caption) {
  std::wstring out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size())
      ++i;
    else if (caption[i] == L'&')
      continue;
    out += caption[i];
  }
  return out;
}

void DrawBar(office::CommandBar& bar, int depth, bool clickable, const Clicker& click,
             std::wstring& out) {
  for (const auto& c : bar.Controls()) {
    if (!c->Visible()) continue;
    std::wstring line(depth * 2, L' ');
    if (c->BeginGroup()) out += line + L"----\n";
    line += Program(*c) ? L"* " : L"  ";
    std::wstring text = Shown(c->Caption());
    if (text.empty() || text == L" ") text = L"(" + c->TooltipText() + L")";
    if (text == L"()") text = L"(arrow)";
    auto button = std::dynamic_pointer_cast<office::CommandBarButton>(c);
    if (button) {
      std::wstring icon = IconOf(*button);
      if (!icon.empty() && button->Style() != office::msoButtonCaption) line += icon + L" ";
    }
    line += text;
    if (!c->Enabled()) line += L" [grey]";
    bool canClick = clickable && c->Enabled();
    if (button && click && canClick && Program(*c)) {
      std::wstring did = click(button);
      line += L"  -> " + (did.empty() ? std::wstring(L"nothing") : did);
    }
    out += line + L"\n";
    if (auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c))
      DrawBar(*popup->CommandBar(), depth + 1, canClick, click, out);
  }
}
}  // namespace

std::wstring IconOf(const office::CommandBarButton& button) {
  std::wstring icon;
  for (const auto& write : button.IconWrites()) {
    if (write.rfind(L"FaceId=", 0) == 0) icon = L"<face " + write.substr(7) + L">";
    if (write.rfind(L"Picture=", 0) == 0) icon = L"<" + write.substr(8) + L">";
  }
  return icon;
}

std::wstring Bar(office::CommandBar& bar, const Clicker& click) {
  std::wstring out =
      bar.Name() +
      (bar.Visible() || bar.Type() == office::msoBarTypePopup ? L"" : L" (not shown)") + L"\n";
  DrawBar(bar, 1, true, click, out);
  return out;
}

}  // namespace draw
