#include "platform/outlook/Explorer.h"

#include <algorithm>

#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/WindowBars.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

std::shared_ptr<outlook::Item> Selection::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  const auto& item = items_[static_cast<size_t>(index - 1)];
  return item ? item->Handle() : nullptr;
}

Explorer::Explorer(std::weak_ptr<outlook::Application> app, std::shared_ptr<MAPIFolder> folder)
    : app_(std::move(app)), folder_(std::move(folder)) {}

void Explorer::Live() const {
  if (closed_) vb::Raise(kErrObjectDeleted, L"The explorer has been closed.");
}

std::shared_ptr<MAPIFolder> Explorer::CurrentFolder() const {
  Live();
  return folder_ && !folder_->IsDeleted() ? folder_ : nullptr;
}

void Explorer::SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder) {
  Live();
  if (!folder || folder->IsDeleted()) vb::Raise(kErrFailed, L"The folder cannot be shown.");
  folder_ = folder;
  view_.reset();
  selection_.clear();
  events_.FolderSwitch.Raise();
  events_.SelectionChange.Raise();
}

std::shared_ptr<outlook::Selection> Explorer::Selection() const {
  TV_FAULT_POINT(Outlook);
  Live();
  std::vector<std::shared_ptr<outlook::Item>> live;
  for (auto& item : selection_)
    if (!item->IsDead()) live.push_back(item);
  return std::make_shared<outlook::Selection>(live);
}

void Explorer::Select(std::vector<std::shared_ptr<outlook::Item>> items) {
  Live();
  // Showing an item in the list does not hold it: its unsaved changes go with its holders.
  for (auto& item : items)
    if (item) item = item->shared_from_this();
  selection_ = std::move(items);
  events_.SelectionChange.Raise();
}

std::shared_ptr<View> Explorer::CurrentView() const {
  Live();
  if (view_) return view_;
  return folder_ ? folder_->CurrentView() : nullptr;
}

void Explorer::SetCurrentView(const std::shared_ptr<View>& view) {
  Live();
  view_ = view;
  events_.ViewSwitch.Raise();
}

std::wstring Explorer::Caption() const {
  Live();
  return (folder_ ? folder_->Name() : std::wstring()) + L" - Microsoft Outlook";
}

void Explorer::Activate() {
  Live();
  if (auto app = app_.lock()) app->SetActiveExplorer(shared_from_this());
  events_.Activate.Raise();
}

void Explorer::Close() {
  Live();
  events_.Close.Raise();
  closed_ = true;
  if (auto app = app_.lock()) app->Explorers()->Remove(this);
}

std::shared_ptr<Explorer> Explorers::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return list_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Explorer> Explorers::Add(const std::shared_ptr<MAPIFolder>& folder, bool show) {
  auto explorer = std::make_shared<Explorer>(app_, folder);
  explorer->SetCommandBars(MakeCommandBars(explorer));
  list_.push_back(explorer);
  NewExplorer.Raise(explorer);
  if (show && !explorer->IsClosed()) explorer->Activate();
  return explorer;
}

void Explorers::Remove(const Explorer* explorer) {
  std::erase_if(list_, [&](auto& e) { return e.get() == explorer; });
}

}  // namespace outlook
