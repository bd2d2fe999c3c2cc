// The commands the explorer's bars run: the commands layer's explorer commands and the deferred
// actions of its hidden form, and the options and debug dialogs. Tests replace entries with
// recorders; a command left empty does nothing (logged).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct ExplorerCommands {
  // Reply (1), reply to all (2) or forward (4) on the active explorer's selected mail with the
  // template of that EntryID ("": the user picks one); caller 2 = command bar.
  std::function<void(int32_t action, const std::wstring& entryId, int32_t caller)> Tanvelo;
  std::function<void()> NewFromTemplate, SaveAsTemplate, NewTemplate, EditTemplate, OpenDuplicate,
      Hotkey, SendDrafts, Import, Export;
  // True when the default template changed.
  std::function<bool()> ChangeDefault;
  // Queued: a new mail from a template ("" = the user picks it); choose a template and edit it.
  std::function<void(const std::wstring& entryId, bool foreground)> DemandNewMailFromTemplate;
  std::function<void()> DemandSelAndEditTemplate;
  std::function<void()> ShowOptions;  // modal
  std::function<void()> ShowDebug;    // modeless
};

// The commands as the add-in runs them.
ExplorerCommands DefaultExplorerCommands();
// The process's table, the defaults until replaced.
ExplorerCommands& TheExplorerCommands();
