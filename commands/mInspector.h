// Module mInspector: the commands on the item of one open inspector (reply, reply to all and
// forward using a template, save as template, personalization in place, duplicate, hotkey
// dialog, default mark). bOnTop brings their message boxes to the foreground.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "commands/IInspectorWrapperEx.h"
#include "platform/outlook/Forward.h"

namespace mInspector {

// Replies from the wrapper's open mail; when a reply was made the wrapper ends and the
// answered mail's window closes (asking to save when it changed).
void Tanvelo_Click(const InspectorWrapperPtr& oWrapper, int32_t& nAction,
                   const std::wstring& sTemplateID, bool bOnTop);
// sEntryID "" (never saved) asks the user to save first.
void SaveAsTemplate_Click(const std::wstring& sEntryID, bool& bOnTop);
void ProcessPersonal2_Click(const std::shared_ptr<outlook::Item>& oMail, bool& bIsWordMail);
void OpenDuplicate_Click(const std::wstring& sEntryID, bool bOnTop);
void Hotkey_Click(const std::wstring& sEntryID, bool bOnTop);
// True when the item is a template and its default mark was toggled.
bool ChangeDefault_Click(const std::shared_ptr<outlook::Item>& oMail);

}  // namespace mInspector
