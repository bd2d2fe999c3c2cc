// The command bars of a mail Inspector by its editor. Outlook's own editors (plain text, RTF,
// HTML) give each window its own collection: "Menu Bar" (File, Actions with Reply, Reply to All
// and Forward) and "Standard" (Save, Send, Print, Reply, Reply to All, Forward), RTF and HTML
// with a "Formatting" bar too. Word as the editor before Outlook 2007 gives every mail window
// it edits one shared collection of Word's own bars, which have no Actions menu and no reply
// commands; from Outlook 2007 each window has its own again.
#pragma once

#include <any>
#include <cstdint>
#include <memory>

#include "platform/office/CommandBars.h"

namespace office {

// Editor kinds as Outlook's EditorType numbers them.
inline constexpr int32_t kEditorText = 1, kEditorHTML = 2, kEditorRTF = 3, kEditorWord = 4;

// The bars of one new Inspector window; for Word before Outlook 2007 (major < 12) the shared
// collection of WordMailCommandBars.
std::shared_ptr<CommandBars> MakeInspectorCommandBarsFor(int32_t editorType, int32_t majorVersion,
                                                         std::any application = {});
// Word's one collection for every mail window it edits; made on first use, gone at a platform
// reset (Word exits).
std::shared_ptr<CommandBars> WordMailCommandBars(std::any application = {});

}  // namespace office
