// What the inspector wrapper asks of the commands layer: the deferred-action form's demands and
// the inspector commands. Each starts as the commands layer's own; a test may record instead,
// and a member left empty makes its button do nothing (logged).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace outlook {
class Item;
}  // namespace outlook

class CInspectorWrapper;

struct InspectorCommands {
  InspectorCommands();
  using WrapperPtr = std::shared_ptr<CInspectorWrapper>;
  using ItemPtr = std::shared_ptr<outlook::Item>;
  // Queues a reply (1), reply to all (2) or forward (4) of the wrapper's item, run after the
  // click has returned; "" lets the user choose the template.
  std::function<void(const WrapperPtr&, int32_t nAction, const std::wstring& sTemplateID,
                     bool bForeground)>
      DemandTanvelo_Click;
  // Calls the wrapper's ProcessPersonalizationsAndSend 250 ms later, or once no template
  // action runs (a Send in Word, or one that met a running action).
  std::function<void(const WrapperPtr&)> DemandWorkaround1;
  std::function<void(const std::wstring& sEntryID, bool& bForeground)> SaveAsTemplate_Click;
  std::function<void(const std::wstring& sEntryID, bool bForeground)> OpenDuplicate_Click;
  std::function<void(const std::wstring& sEntryID, bool bForeground)> Hotkey_Click;
  std::function<bool(const ItemPtr& oMail)> ChangeDefault_Click;
  std::function<void(const ItemPtr& oMail, bool bWordEditor)> ProcessPersonal2_Click;
};

// The process's commands, back to empty at every platform reset.
InspectorCommands& InspectorCommandsSlot();
