// Module mExplorer: the commands on Outlook's active explorer (reply, reply to all and forward
// using a template, new mail from a template, new and edited templates, duplicates, the
// hotkey dialog, import and export, the default mark, sending drafts) and the state questions
// the explorer ribbon asks. The commands that build mail only queue a demand in frmDummy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/outlook/Forward.h"

namespace mExplorer {

using ExplorerPtr = std::shared_ptr<outlook::Explorer>;

// nAction 1 reply, 2 reply to all, 4 forward; sTemplateID "" lets the user choose; nMode is
// the selection mode handed on to the road (2 from bars, menus and ribbon, 0 from a hotkey).
void Explorer_Tanvelo(int32_t nAction, const std::wstring& sTemplateID, int32_t nMode);
void Explorer_NewFromTemplate();
void Explorer_SaveAsTemplate();
void Explorer_NewTemplate();
void Explorer_EditTemplate();
void Explorer_OpenDuplicate();
void Explorer_Hotkey();
void Explorer_Import();
void Explorer_Export();
// True when a template was selected and its default mark was toggled.
bool Explorer_ChangeDefault();
void Explorer_SendDrafts();

// State questions; False (and zero outputs) whenever anything cannot be read.
bool IsMailFolderCurrent(const ExplorerPtr& oExplorer);
bool IsMailSelected(const ExplorerPtr& oExplorer);
bool IsTemplateSelected(const ExplorerPtr& oExplorer);
bool IsDefaultTemplateSelected(const ExplorerPtr& oExplorer, bool& bIsDefault, int32_t& nCount);
void GetBuiltinControlState(const ExplorerPtr& oExplorer, int32_t nId, bool& bEnabled,
                            bool& bVisible);

}  // namespace mExplorer
