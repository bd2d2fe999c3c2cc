// Explorer windows: their folder, selection and view, activation and closing, and the events
// Outlook raises for them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"

namespace outlook {

class Selection {
 public:
  explicit Selection(std::vector<std::shared_ptr<outlook::Item>> items)
      : items_(std::move(items)) {}
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // 1-based, in view order; raises past the end (also on an empty selection).
  std::shared_ptr<outlook::Item> Item(int32_t index) const;
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::shared_ptr<outlook::Item>> items_;
};

struct ExplorerEvents {
  Event<> Activate;
  Event<> Close;
  Event<> FolderSwitch;
  Event<> SelectionChange;
  Event<> ViewSwitch;
};

class Explorer : public Object, public std::enable_shared_from_this<Explorer> {
 public:
  Explorer(std::weak_ptr<outlook::Application> app, std::shared_ptr<MAPIFolder> folder);

  int32_t Class() const override { return 34; }  // olExplorer
  std::shared_ptr<MAPIFolder> CurrentFolder() const;
  // Shows another folder: the selection empties, then FolderSwitch and SelectionChange.
  void SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder);
  std::shared_ptr<outlook::Selection> Selection() const;
  std::shared_ptr<View> CurrentView() const;
  // Switches the view of the current folder by name; raises ViewSwitch.
  void SetCurrentView(const std::shared_ptr<View>& view);
  std::wstring Caption() const;
  void Activate();
  void Close();
  bool IsClosed() const { return closed_; }
  // Office's command bars of the window, set by whoever provides them.
  std::shared_ptr<void> CommandBars() const { return commandBars_; }
  void SetCommandBars(std::shared_ptr<void> bars) { commandBars_ = std::move(bars); }

  ExplorerEvents& Events() { return events_; }

  // --- Control: what the user does in the window ---------------------------------------------
  // Selects these items (of the current folder, in this order); raises SelectionChange.
  void Select(std::vector<std::shared_ptr<outlook::Item>> items);

 private:
  void Live() const;
  std::weak_ptr<outlook::Application> app_;
  std::shared_ptr<MAPIFolder> folder_;
  std::shared_ptr<View> view_;
  std::vector<std::shared_ptr<outlook::Item>> selection_;
  std::shared_ptr<void> commandBars_;
  bool closed_ = false;
  ExplorerEvents events_;
};

class Explorers {
 public:
  explicit Explorers(std::weak_ptr<outlook::Application> app) : app_(std::move(app)) {}
  int32_t Count() const { return static_cast<int32_t>(list_.size()); }
  std::shared_ptr<Explorer> Item(int32_t index) const;
  // A new explorer on the folder: NewExplorer, then (when shown) its first Activate.
  std::shared_ptr<Explorer> Add(const std::shared_ptr<MAPIFolder>& folder, bool show = true);
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  // Raised before the new window's first Activate.
  Event<std::shared_ptr<Explorer>> NewExplorer;

  void Remove(const Explorer* explorer);

 private:
  std::weak_ptr<outlook::Application> app_;
  std::vector<std::shared_ptr<Explorer>> list_;
};

}  // namespace outlook
