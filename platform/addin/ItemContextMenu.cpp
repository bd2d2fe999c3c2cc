#include "platform/addin/ItemContextMenu.h"

#include "platform/office/BuiltInBars.h"
#include "platform/outlook/Explorer.h"
#include "platform/win32/CodePage.h"

namespace o2007events {

namespace {

// "&Reply" reads "Reply" on the screen.
std::wstring Shown(const std::wstring& caption) {
  std::wstring out;
  for (wchar_t c : caption)
    if (c != L'&') out += c;
  return out;
}

std::shared_ptr<office::CommandBarControl> FindShown(office::CommandBar& bar,
                                                     const std::wstring& caption) {
  for (const auto& c : bar.Controls())
    if (c->Visible() && Shown(c->Caption()) == caption) return c;
  return nullptr;
}

}  // namespace

const std::vector<int32_t>& ContextMenu::ItemMenuBuiltIns() {
  static const std::vector<int32_t> ids{354, 355, 356, 2986};
  return ids;
}

std::shared_ptr<ContextMenu> ContextMenu::ShowItemMenu(
    const std::shared_ptr<O2007Events>& events, const std::shared_ptr<outlook::Explorer>& explorer,
    const std::vector<int32_t>& builtIns) {
  auto menu = std::make_shared<ContextMenu>();
  menu->events_ = events;
  menu->bars_ = office::CommandBars::Create();
  menu->bar_ = menu->bars_->AddBuiltInBar(L"Context Menu", office::msoBarTypePopup);
  office::FillBuiltIns(*menu->bar_, builtIns);
  menu->open_ = true;
  if (events && events->Started())
    events->OnItemContextMenuDisplay.Raise(menu->bar_, explorer ? explorer->Selection() : nullptr);
  return menu;
}

void ContextMenu::ShowOtherMenu(const std::shared_ptr<O2007Events>& events, int32_t kind) {
  if (events && events->Started()) events->OnContextMenuClose.Raise(kind);
}

std::vector<std::wstring> ContextMenu::Entries() const {
  std::vector<std::wstring> entries;
  for (const auto& c : bar_->Controls()) {
    if (!c->Visible()) continue;
    if (c->Type() == office::msoControlPopup) {
      for (const auto& item : office::AsPopup(c)->Controls())
        if (item->Visible()) entries.push_back(Shown(c->Caption()) + L"/" + Shown(item->Caption()));
    } else {
      entries.push_back(Shown(c->Caption()));
    }
  }
  return entries;
}

void ContextMenu::Click(const std::wstring& path) {
  if (!open_) throw office::ActionRefused(win32::ToAnsi(L"the context menu is closed: " + path));
  std::shared_ptr<office::CommandBarControl> control;
  size_t slash = path.find(L'/');
  if (slash == std::wstring::npos) {
    control = FindShown(*bar_, path);
  } else if (auto popup = FindShown(*bar_, path.substr(0, slash));
             popup && popup->Type() == office::msoControlPopup) {
    control = FindShown(*office::AsPopup(popup)->CommandBar(), path.substr(slash + 1));
  }
  if (!control || control->Type() != office::msoControlButton)
    throw office::ActionRefused(win32::ToAnsi(L"no such entry in the context menu: " + path));
  office::AsButton(control)->UserClick();
  Close();
}

void ContextMenu::Close() {
  if (!open_) return;
  open_ = false;
  auto events = events_.lock();
  if (events && events->Started()) events->OnContextMenuClose.Raise(kItemContextMenu);
}

}  // namespace o2007events
