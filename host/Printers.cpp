#include "host/Printers.h"

#include <functional>

#include "host/ScriptReader.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"
#include "platform/forms/TreeView.h"
#include "platform/office/CommandBars.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"

namespace host {

std::wstring ShownCaption(const std::wstring& caption) {
  std::wstring out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&') {
      if (i + 1 < caption.size() && caption[i + 1] == L'&') {
        out += L'&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

std::wstring FormatName(int32_t format) {
  switch (format) {
    case outlook::olFormatHTML:
      return L"HTML";
    case outlook::olFormatRichText:
      return L"RTF";
    default:
      return L"plain";
  }
}

namespace {
// Outlook 2000 has no BodyFormat: what the item holds tells its format, as its window shows it.
int32_t FormatOf(const std::shared_ptr<outlook::Item>& item) {
  auto app = item->Application();
  if (!app || outlook::MajorVersion(app->Version()) >= 10) return item->BodyFormat();
  if (item->Props().Has(outlook::PR_HTML)) return outlook::olFormatHTML;
  if (item->Props().Has(outlook::PR_RTF_COMPRESSED)) return outlook::olFormatRichText;
  return outlook::olFormatPlain;
}

std::wstring Attachments(const std::shared_ptr<outlook::Item>& item) {
  std::wstring list;
  auto atts = item->Attachments();
  for (int32_t i = 1; i <= atts->Count(); ++i) {
    auto a = atts->Item(i);
    if (!list.empty()) list += L"; ";
    list += a->FileName().empty() ? a->DisplayName() : a->FileName();
    auto cid = a->Fields(outlook::PR_ATTACH_CONTENT_ID);
    if (auto text = std::get_if<std::wstring>(&cid); text && !text->empty()) list += L" (inline)";
  }
  return list;
}
}  // namespace

bool MailField(const std::shared_ptr<outlook::Item>& item, const std::wstring& field,
               std::wstring& value) {
  if (field == L"from") {
    std::wstring name = item->SenderName(), address = item->SenderEmailAddress();
    if (name.empty() && address.empty() && !item->Sent()) {
      // An unsent mail goes out from the profile's user, as Outlook shows it.
      if (auto session = item->Session())
        if (auto user = session->CurrentUserEntry()) {
          name = user->Name();
          address = user->SmtpAddress().empty() ? user->Address() : user->SmtpAddress();
        }
    }
    // Exchange senders are shown by their SMTP address, as a reader of the mail knows them.
    if (address.starts_with(L"/O=") || address.starts_with(L"/o="))
      if (auto session = item->Session())
        if (auto entry = session->ResolveName(name); entry && !entry->SmtpAddress().empty())
          address = entry->SmtpAddress();
    value = address.empty() || address == name ? name : name + L" <" + address + L">";
  } else if (field == L"to") {
    value = item->To();
  } else if (field == L"cc") {
    value = item->CC();
  } else if (field == L"bcc") {
    value = item->BCC();
  } else if (field == L"subject") {
    value = item->Subject();
  } else if (field == L"format") {
    value = FormatName(FormatOf(item));
  } else if (field == L"body") {
    value = item->Body();
  } else if (field == L"attachments") {
    value = Attachments(item);
  } else if (field == L"flag") {
    value = std::to_wstring(item->FlagStatus());
  } else if (field == L"mileage") {
    value = item->Mileage();
  } else if (field.starts_with(L"user:")) {
    // A user property by its name ("" when the item has none).
    auto property = item->UserProperties()->Find(field.substr(5));
    value = property ? property->Value() : L"";
  } else {
    return false;
  }
  return true;
}

namespace {
// A contact shows the fields a template's personalization reads from it; a list its members.
std::vector<std::wstring> ContactLines(const std::shared_ptr<outlook::Item>& item) {
  std::vector<std::wstring> lines;
  if (item->Class() == outlook::olDistributionList) {
    lines.push_back(L"distribution list: " + item->DLName());
    lines.push_back(L"members: " + std::to_wstring(item->MemberCount()));
    return lines;
  }
  const std::pair<const wchar_t*, std::wstring> fields[] = {
      {L"full name", item->FullName()},     {L"first name", item->FirstName()},
      {L"middle name", item->MiddleName()}, {L"last name", item->LastName()},
      {L"initials", item->Initials()},      {L"nickname", item->NickName()},
      {L"company", item->CompanyName()},    {L"email 1", item->EmailAddress(1)},
      {L"email 2", item->EmailAddress(2)},  {L"email 3", item->EmailAddress(3)},
  };
  lines.push_back(L"contact: " + item->Subject());
  for (const auto& [name, value] : fields)
    lines.push_back(std::wstring(name) + L": " + (value.empty() ? L"(empty)" : value));
  return lines;
}
}  // namespace

std::vector<std::wstring> MailLines(const std::shared_ptr<outlook::Item>& item) {
  if (item->Class() == outlook::olContact || item->Class() == outlook::olDistributionList)
    return ContactLines(item);
  std::vector<std::wstring> lines;
  for (const wchar_t* field : {L"from", L"to", L"cc", L"bcc", L"subject", L"format"}) {
    std::wstring value;
    MailField(item, field, value);
    if (!value.empty() || std::wstring(field) == L"subject")
      lines.push_back(std::wstring(field) + L": " + value);
  }
  std::wstring atts;
  MailField(item, L"attachments", atts);
  if (!atts.empty()) lines.push_back(L"attachments: " + atts);
  lines.push_back(L"body:");
  std::wstring body = item->Body();
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find(L'\n', start);
    std::wstring line = body.substr(start, end == std::wstring::npos ? end : end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (end == std::wstring::npos && line.empty()) break;
    lines.push_back(L"  | " + line);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return lines;
}

std::vector<std::pair<std::wstring, std::wstring>> Addressees(
    const std::shared_ptr<outlook::Item>& item) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  for (const wchar_t* field : {L"to", L"cc", L"bcc"}) {
    std::wstring value;
    MailField(item, field, value);
    if (!value.empty()) out.emplace_back(field, value);
  }
  return out;
}

std::wstring FolderPath(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  std::wstring path;
  for (auto f = folder; f && f->ParentFolder(); f = f->ParentFolder())
    path = path.empty() ? f->Name() : f->Name() + L"/" + path;
  return path;
}

std::vector<std::wstring> FolderLines(const std::shared_ptr<outlook::MAPIFolder>& folder) {
  std::vector<std::wstring> lines;
  lines.push_back(L"folder " + FolderPath(folder));
  auto items = folder->Items();
  for (int32_t i = 1; i <= items->Count(); ++i) {
    auto item = items->Item(i);
    std::wstring line = L"  #" + std::to_wstring(i) + L" " + item->Subject();
    if (item->Class() == outlook::olMail) {
      std::wstring from;
      MailField(item, L"from", from);
      if (item->Sent())
        line += L"  (from " + from + L")";
      else {
        line += L"  (unsent";
        for (const auto& [field, value] : Addressees(item)) line += L", " + field + L" " + value;
        line += L")";
      }
    }
    lines.push_back(line);
  }
  auto folders = folder->Folders();
  for (int32_t i = 1; i <= folders->Count(); ++i)
    lines.push_back(L"  [" + folders->Item(i)->Name() + L"]");
  return lines;
}

std::vector<std::wstring> FolderTreeLines(const std::shared_ptr<outlook::MAPIFolder>& root) {
  std::vector<std::wstring> lines;
  std::function<void(const std::shared_ptr<outlook::MAPIFolder>&)> walk =
      [&](const std::shared_ptr<outlook::MAPIFolder>& folder) {
        auto folders = folder->Folders();
        for (int32_t i = 1; i <= folders->Count(); ++i) {
          auto sub = folders->Item(i);
          int32_t n = sub->Items()->Count();
          lines.push_back(FolderPath(sub) + L"  (" + std::to_wstring(n) +
                          (n == 1 ? L" item)" : L" items)"));
          walk(sub);
        }
      };
  walk(root);
  return lines;
}

void DrawWithMenus(office::RibbonWindow& window) {
  // Answers given while the menus open may invalidate others (a usage list refreshed on the
  // way); the user sees the ribbon once it has settled, as after a second look.
  for (int pass = 0; pass < 2; ++pass) {
    window.Draw();
    for (const auto& id : window.ControlIds()) window.OpenMenu(id);
  }
}

std::vector<std::wstring> RibbonLines(office::RibbonWindow& window) {
  DrawWithMenus(window);
  std::vector<std::wstring> lines;
  for (const auto& id : window.ControlIds()) {
    std::wstring label = window.Label(id);
    lines.push_back(id + (label.empty() ? L"" : L"  \"" + label + L"\"") +
                    (window.Visible(id) ? L"" : L" hidden") +
                    (window.Enabled(id) ? L"" : L" disabled"));
  }
  return lines;
}

std::wstring RibbonId(office::RibbonWindow& window, const std::wstring& id) {
  if (window.Has(id)) return id;
  std::wstring found;
  for (const auto& full : window.ControlIds())
    if (full.size() > id.size() && full.ends_with(L"." + id)) {
      if (!found.empty()) return L"";
      found = full;
    }
  return found;
}

std::wstring ControlName(const office::CommandBarControl& control) {
  std::wstring name = ShownCaption(control.Caption());
  if (name.empty() || name == L" ") name = control.TooltipText();
  return name;
}

std::vector<std::wstring> ControlNames(office::CommandBar& bar) {
  std::vector<std::wstring> names;
  for (const auto& c : bar.Controls()) {
    std::wstring name = ControlName(*c);
    // A drop-down arrow shows neither caption nor tip: it is named after its button.
    if (name.empty() && !names.empty() && std::dynamic_pointer_cast<office::CommandBarPopup>(c))
      name = names.back() + L" (arrow)";
    names.push_back(name);
  }
  return names;
}

namespace {
bool HoldsProgramControls(office::CommandBar& bar) {
  for (const auto& c : bar.Controls()) {
    if (!c->BuiltIn()) return true;
    if (auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c))
      if (HoldsProgramControls(*popup->CommandBar())) return true;
  }
  return false;
}
}  // namespace

void BarLines(office::CommandBar& bar, const std::wstring& prefix, std::vector<std::wstring>& out) {
  auto names = ControlNames(bar);
  size_t index = 0;
  for (const auto& c : bar.Controls()) {
    const std::wstring& name = names[index++];
    auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c);
    bool mine = !c->BuiltIn();
    if (!mine && !(popup && HoldsProgramControls(*popup->CommandBar()))) continue;
    std::wstring path = prefix + name;
    if (mine) {
      std::wstring marks;
      if (!c->Visible()) marks += L" hidden";
      if (!c->Enabled()) marks += L" disabled";
      if (!c->Parameter().empty()) marks += L" [" + c->Parameter() + L"]";
      out.push_back(L"  \"" + path + L"\"" + marks);
    }
    if (popup && c->Visible()) BarLines(*popup->CommandBar(), path + L"/", out);
  }
}

namespace {
void TreeLines(const std::vector<std::shared_ptr<forms::Node>>& level, int depth,
               std::vector<std::wstring>& out) {
  for (const auto& node : level) {
    out.push_back(std::wstring(4 + depth * 2, L' ') + (node->Selected() ? L"> " : L"  ") +
                  node->Text + (node->Children() > 0 && !node->Expanded ? L" [+]" : L""));
    if (node->Expanded) TreeLines(node->ChildNodes(), depth + 1, out);
  }
}
}  // namespace

bool OnScreen(const forms::Control& control) {
  for (const forms::Control* c = &control; c; c = c->Container())
    if (!c->Visible()) return false;
  return true;
}

std::wstring ProgressText(const forms::ProgressBar& bar) {
  return std::to_wstring(bar.Value() - bar.Min()) + L" of " +
         std::to_wstring(bar.Max() - bar.Min());
}

namespace {
bool IsImportExport(const forms::Form& form) {
  return form.Name() == L"frmExport" || form.Name() == L"frmImport";
}

// The dialog keeps the Outlook folder chosen by its picker; the text box only shows its path
// ("\\Mailbox - ...\Folder"), so typing there chooses no folder.
const wchar_t kOutlookFolderNote[] =
    L"the folder chosen with btnOpenOutlookFolder; typing here chooses none";
}  // namespace

std::wstring WhyDisabled(forms::Form& form, const std::wstring& control) {
  if (!IsImportExport(form) || (control != L"btnExport" && control != L"btnImport")) return L"";
  auto button = form.FindControl(control);
  auto windows = std::dynamic_pointer_cast<forms::TextBox>(form.FindControl(L"txtWindowsFolder"));
  auto outlook = std::dynamic_pointer_cast<forms::TextBox>(form.FindControl(L"txtOutlookFolder"));
  // Once a run starts every input is disabled: the button waits for no one.
  if (!button || button->Enabled() || !windows || !outlook || !windows->Enabled()) return L"";
  const std::wstring folder = windows->Text();
  if (folder.empty())
    return L"no Windows folder is given: type txtWindowsFolder \"C:\\\\Temp\" (an existing folder)";
  uint32_t attributes;
  {
    win32::faults::Quiet own;
    attributes = win32::GetFileAttributesA(win32::ToAnsi(folder).c_str());
  }
  if (attributes == win32::INVALID_FILE_ATTRIBUTES ||
      !(attributes & win32::FILE_ATTRIBUTE_DIRECTORY))
    return L"the Windows folder \"" + folder +
           L"\" does not exist on the program's drive C: (the dialog takes an existing folder; "
           L"--keep-c DIR starts drive C: with DIR's files)";
  // An existing Windows folder leaves only the Outlook folder: none was chosen.
  return L"no Outlook folder is chosen: click btnOpenOutlookFolder and pick one from the templates "
         L"tree (typing txtOutlookFolder chooses none)";
}

std::vector<std::wstring> DialogLines(forms::Form& form) {
  std::vector<std::wstring> out;
  out.push_back(L"  " + form.Name() + L" \"" + form.Caption() + L"\"");
  for (const auto& c : form.Controls()) try {
      // Lists of pictures and timers have no place on the screen.
      if (c->TypeName() == L"ImageList" || c->TypeName() == L"Timer") continue;
      if (!OnScreen(*c)) continue;
      std::wstring off = c->Enabled() ? L"" : L" (disabled)";
      const std::wstring& name = c->Name();
      if (auto label = std::dynamic_pointer_cast<forms::Label>(c)) {
        if (!label->Caption().empty()) out.push_back(L"    \"" + label->Caption() + L"\"");
      } else if (auto button = std::dynamic_pointer_cast<forms::CommandButton>(c)) {
        std::wstring why = WhyDisabled(form, name);
        out.push_back(L"    [" + ShownCaption(button->Caption()) + L"] " + name +
                      (why.empty() ? off : L" (disabled: " + why + L")"));
      } else if (auto text = std::dynamic_pointer_cast<forms::TextBox>(c)) {
        out.push_back(L"    " + name + L" = \"" + text->Text() + L"\"" + off +
                      (IsImportExport(form) && name == L"txtOutlookFolder" && off.empty()
                           ? L"  (" + std::wstring(kOutlookFolderNote) + L")"
                           : L""));
      } else if (auto check = std::dynamic_pointer_cast<forms::CheckBox>(c)) {
        out.push_back(L"    [" + std::wstring(check->Value() == 1 ? L"x" : L" ") + L"] " +
                      ShownCaption(check->Caption()) + L"  " + name + off);
      } else if (auto option = std::dynamic_pointer_cast<forms::OptionButton>(c)) {
        out.push_back(L"    (" + std::wstring(option->Value() ? L"*" : L" ") + L") " +
                      ShownCaption(option->Caption()) + L"  " + name + off);
      } else if (auto list = std::dynamic_pointer_cast<forms::ListControl>(c)) {
        std::wstring entries;
        for (int32_t i = 0; i < list->ListCount(); ++i)
          entries +=
              (i ? L", " : L"") + std::wstring(i == list->ListIndex() ? L">" : L"") + list->List(i);
        out.push_back(L"    " + name + L": " + entries + off);
      } else if (auto bar = std::dynamic_pointer_cast<forms::ProgressBar>(c)) {
        out.push_back(L"    " + name + L": " + ProgressText(*bar));
      } else if (auto tree = std::dynamic_pointer_cast<forms::TreeView>(c)) {
        out.push_back(L"    " + name + L":" + off);
        std::vector<std::shared_ptr<forms::Node>> roots;
        for (const auto& node : tree->Nodes().All())
          if (!node->Parent()) roots.push_back(node);
        TreeLines(roots, 0, out);
      }
    } catch (const std::exception& e) {
      // A control the runtime cannot describe is named, and the dialog still shown.
      out.push_back(L"    " + c->Name() + L" (" + FromUtf8(e.what()) + L")");
    }
  return out;
}

}  // namespace host
