// What the program shows of mail, folders, ribbons and command bars, as text lines.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/outlook/Forward.h"

namespace office {
class CommandBar;
class CommandBarControl;
class RibbonWindow;
}  // namespace office

namespace forms {
class Control;
class Form;
class ProgressBar;
}  // namespace forms

namespace host {

// A caption as a user reads it: "&&" is "&", a single "&" only marks the access key.
std::wstring ShownCaption(const std::wstring& caption);

// "plain", "HTML" or "RTF".
std::wstring FormatName(int32_t format);
// One field of a mail as `show mail` and `expect mail` read it: from, to, cc, bcc, subject,
// format, body, attachments; and, for `expect mail` alone, flag (the flag status), mileage and
// user:NAME (a user property's value). False for an unknown field.
bool MailField(const std::shared_ptr<outlook::Item>& item, const std::wstring& field,
               std::wstring& value);
std::vector<std::wstring> MailLines(const std::shared_ptr<outlook::Item>& item);
// Whom a mail goes to, as "to", "cc" and "bcc" with their names, the empty ones left out: a
// separate copy may be addressed on its Cc or Bcc line alone.
std::vector<std::pair<std::wstring, std::wstring>> Addressees(
    const std::shared_ptr<outlook::Item>& item);
// The folder's items numbered as `#N` finds them, and its subfolders.
std::vector<std::wstring> FolderLines(const std::shared_ptr<outlook::MAPIFolder>& folder);
// Every folder below `root` by its path, with the number of items it holds: what `folder` and
// `show folder` take.
std::vector<std::wstring> FolderTreeLines(const std::shared_ptr<outlook::MAPIFolder>& root);
// A folder's path from its store's root ("Inbox", "Tanvelo Templates/Sales").
std::wstring FolderPath(const std::shared_ptr<outlook::MAPIFolder>& folder);

// Draws the window and opens each of its menus, as a user looking at every entry.
void DrawWithMenus(office::RibbonWindow& window);
// Every control of the add-in's ribbon in the window: id, label, visible, enabled.
std::vector<std::wstring> RibbonLines(office::RibbonWindow& window);
// The window's control of that id, or of the one id ending in "." and it ("btnTanvelo");
// empty when there is none or more than one.
std::wstring RibbonId(office::RibbonWindow& window, const std::wstring& id);

// The add-in's controls of a bar (the program's, not Office's), with the built-in popups that
// hold them, as "Caption/Caption" paths a `bar click` takes.
void BarLines(office::CommandBar& bar, const std::wstring& prefix, std::vector<std::wstring>& out);
// The text a path names a control by: its caption, or its tooltip when it shows no caption.
std::wstring ControlName(const office::CommandBarControl& control);
// The names of a bar's controls in order; a drop-down arrow is "<its button's name> (arrow)".
std::vector<std::wstring> ControlNames(office::CommandBar& bar);

// Whether the control shows: it and every container around it are visible.
bool OnScreen(const forms::Control& control);
// A progress bar as a person reads it: "3 of 34".
std::wstring ProgressText(const forms::ProgressBar& bar);
// Why the export or import dialog's action button (btnExport, btnImport) is disabled, as a
// person can mend it; empty for another control, another dialog, an enabled button, or a run
// under way or done. The dialog itself says nothing.
std::wstring WhyDisabled(forms::Form& form, const std::wstring& control);
// A dialog as a person at the prompt sees it: its texts, buttons, boxes, options, lists and
// the shown part of its trees, each control with the name an answer uses.
std::vector<std::wstring> DialogLines(forms::Form& form);

}  // namespace host
