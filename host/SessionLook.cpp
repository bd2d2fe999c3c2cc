// What the user looks at and what a script expects: mail, folders, the log, the registry, the
// clipboard, the ribbon and the bars.
#include <climits>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "host/Printers.h"
#include "host/Session.h"
#include "hotkeys/CHotkey.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/Control.h"
#include "platform/forms/Form.h"
#include "platform/forms/TreeView.h"
#include "platform/office/CommandBars.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Outlook.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"

namespace host {
namespace {
[[noreturn]] void Fail(const std::wstring& text) {
  throw ScriptError(Utf8(text));
}

// A text as a script quotes it: what differs only in a line end or another control
// character shows differently.
std::wstring Shown(const std::wstring& text) {
  return L"\"" + Escaped(text) + L"\"";
}

// A text of the user's line as an expectation repeats it, cut when long: a message costs no
// copy of a long text.
std::wstring Said(const std::wstring& text) {
  return L"\"" + ShownEscaped(text) + L"\"";
}

void Check(bool ok, const std::vector<Word>& w, const std::wstring& expected,
           const std::wstring& found) {
  if (ok) return;
  std::wstring line;
  for (const auto& word : w)
    line += (line.empty() ? L"" : L" ") + (word.quoted ? Said(word.text) : ShownWord(word.text));
  throw ExpectationFailed(Utf8(L"expectation failed: " + line + L"\n  expected: " + expected +
                               L"\n  found:    " + found));
}

std::wstring Bool(bool b) {
  return b ? L"true" : L"false";
}

// Bodies compare without the carriage returns Windows keeps before line feeds; a text
// without any is compared where it lies.
const std::wstring& Plain(const std::wstring& text, std::wstring& copy) {
  if (text.find(L'\r') == std::wstring::npos) return text;
  copy = text;
  std::erase(copy, L'\r');
  return copy;
}

const uint32_t kHKCU = CWinReg::HKEY_CURRENT_USER;

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

// A text value as it stands, a number as its decimal digits.
std::wstring ValueText(const CWinReg& key, const std::wstring& name) {
  std::wstring text = key.GetStringValue(name);
  if (!text.empty()) return text;
  constexpr int32_t kNone = INT32_MIN;
  int32_t number = key.GetDWordValue(name, kNone);
  return number == kNone ? text : std::to_wstring(number);
}

void DumpKey(const std::wstring& path, int depth,
             const std::function<void(const std::wstring&)>& print) {
  CWinReg key;
  if (!key.InitForRead(kHKCU, path)) return;
  std::wstring pad(depth * 2 + 2, L' ');
  std::wstring name;
  for (int32_t i = 0; key.ValueAt(i, name) != CWinReg::Found::End; ++i) {
    if (name.empty()) continue;
    print(pad + name + L" = " + Shown(ValueText(key, name)));
  }
  std::vector<std::wstring> subkeys;
  for (int32_t i = 0; key.KeyAt(i, name) != CWinReg::Found::End; ++i)
    if (!name.empty()) subkeys.push_back(name);
  key.CloseKey();
  for (const auto& sub : subkeys) {
    print(pad + L"[" + sub + L"]");
    DumpKey(path + L"\\" + sub, depth + 1, print);
  }
}
}  // namespace

namespace {
// A template with a hotkey shows it after its name ("name (Ctrl+Alt+L)"); a person names it by
// its name alone.
bool NamedAs(const std::wstring& text, const std::wstring& name) {
  if (text == name) return true;
  return text.size() > name.size() + 3 && text.starts_with(name) &&
         text.compare(name.size(), 2, L" (") == 0 && text.back() == L')';
}

bool NodeAt(const std::vector<std::shared_ptr<forms::Node>>& level, const std::wstring& head,
            bool exact) {
  for (const auto& node : level)
    if (exact ? node->Text == head : NamedAs(node->Text, head)) return true;
  return false;
}

// Where a path stops finding nodes: the deepest level it reached, named by its path, and what
// that level holds, for the message.
std::wstring WhereThePathStops(const std::vector<std::shared_ptr<forms::Node>>& roots,
                               const std::wstring& path) {
  const std::vector<std::shared_ptr<forms::Node>>* level = &roots;
  std::wstring reached;
  std::vector<std::shared_ptr<forms::Node>> children;
  size_t start = 0;
  for (;;) {
    size_t slash = path.find(L'/', start);
    if (slash == std::wstring::npos) break;
    std::wstring head = path.substr(start, slash - start);
    std::shared_ptr<forms::Node> found;
    for (const auto& node : *level)
      if (!found && NamedAs(node->Text, head)) found = node;
    if (!found) break;
    reached += (reached.empty() ? L"" : L"/") + found->Text;
    children = found->ChildNodes();
    level = &children;
    start = slash + 1;
  }
  std::wstring names;
  size_t shown = 0;
  for (const auto& node : *level) {
    if (++shown > 12) {
      names += L", ...";
      break;
    }
    names += (names.empty() ? L"\"" : L", \"") + node->Text + L"\"";
  }
  return (reached.empty() ? std::wstring(L"the tree's top") : L"\"" + reached + L"\"") +
         L" holds " + (names.empty() ? std::wstring(L"nothing") : names);
}

std::wstring NodeKeyIn(const std::vector<std::shared_ptr<forms::Node>>& level,
                       const std::wstring& path) {
  size_t slash = path.find(L'/');
  std::wstring head = path.substr(0, slash);
  // The name as shown wins; else a template's name without its hotkey.
  bool exact = NodeAt(level, head, true);
  for (const auto& node : level) {
    if (exact ? node->Text != head : !NamedAs(node->Text, head)) continue;
    if (slash == std::wstring::npos) {
      node->EnsureVisible();  // the user opens the folders above it
      return node->Key();
    }
    std::wstring key = NodeKeyIn(node->ChildNodes(), path.substr(slash + 1));
    if (!key.empty()) return key;
  }
  return L"";
}
}  // namespace

std::wstring NodeKey(forms::Form& form, const std::wstring& tree, const std::wstring& path) {
  auto view = form.Get<forms::TreeView>(tree);
  if (!view)
    throw forms::ActionRefused(Utf8(L"no tree " + ShownWord(tree) + L" in " + form.Name()));
  std::vector<std::shared_ptr<forms::Node>> roots;
  for (const auto& node : view->Nodes().All())
    if (!node->Parent()) roots.push_back(node);
  std::wstring key = NodeKeyIn(roots, path);
  if (key.empty())
    throw forms::ActionRefused(Utf8(L"no node \"" + ShownWord(path) + L"\" in " + form.Name() +
                                    L"." + ShownWord(tree) + L" (" +
                                    WhereThePathStops(roots, path) + L")"));
  return key;
}

std::shared_ptr<outlook::Item> Session::ShownMail() const {
  if (auto insp = std::dynamic_pointer_cast<outlook::Inspector>(ActiveWindow()))
    return insp->CurrentItem();
  if (auto e = std::dynamic_pointer_cast<outlook::Explorer>(ActiveWindow())) {
    auto sel = e->Selection();
    if (sel && sel->Count() > 0) return sel->Item(1);
  }
  Fail(L"no mail is open or selected");
}

std::wstring Session::ExpandProfileKey(const std::wstring& key) const {
  if (key != L"PROFILE" && key.rfind(L"PROFILE\\", 0) != 0) return key;
  if (!g_oApp) g_oApp = p_.app;
  COptions options;
  return options.GetProfileRegPath() + key.substr(7);
}

std::wstring Session::RegistryValue(const std::wstring& key, const std::wstring& name) const {
  CWinReg reg;
  if (!reg.InitForRead(kHKCU, ExpandProfileKey(key))) return L"(no key)";
  std::wstring found;
  bool present = false;
  for (int32_t i = 0; reg.ValueAt(i, found) != CWinReg::Found::End; ++i)
    if (SameName(found, name)) present = true;
  std::wstring value = present ? ValueText(reg, name) : L"(no value)";
  reg.CloseKey();
  return value;
}

void Session::Show(const std::vector<Word>& w) {
  auto what = w.size() > 1 ? w[1].text : L"";
  auto print = [this](const std::wstring& line) { Print(line); };
  if (what == L"mail" && w.size() == 2) {
    for (const auto& line : MailLines(ShownMail())) Print(L"  " + line);
  } else if (what == L"folder" && w.size() == 3) {
    auto folder = FolderAt(w[2].text);
    if (!folder) Fail(L"no folder " + ShownWord(w[2].text));
    for (const auto& line : FolderLines(folder)) Print(L"  " + line);
  } else if (what == L"log" && w.size() <= 3) {
    const auto& log = support::library::Log();
    size_t n = w.size() == 3 ? static_cast<size_t>(std::stoul(w[2].text)) : log.size();
    for (size_t i = log.size() > n ? log.size() - n : 0; i < log.size(); ++i)
      Print(L"  [" + std::to_wstring(log[i].level) + L"] " + log[i].procedure + L": " +
            log[i].text);
  } else if (what == L"registry" && w.size() <= 3) {
    std::wstring key = ExpandProfileKey(w.size() == 3 ? w[2].text : L"Software\\Norvane\\Tanvelo");
    Print(L"  HKEY_CURRENT_USER\\" + key);
    DumpKey(key, 0, print);
  } else if (what == L"clipboard" && w.size() == 2) {
    Print(L"  " + Shown(win32::clipboard::Text()));
  } else if (what == L"templates" && w.size() == 2) {
    ShowTemplates();
  } else if (what == L"folders" && w.size() == 2) {
    Print(L"  folders of " + p_.store->DisplayName() +
          L" (PATH as `folder` and `show folder` take it)");
    for (const auto& line : FolderTreeLines(p_.root)) Print(L"    " + line);
  } else {
    Fail(
        L"usage: show mail | show folder PATH | show folders | show log [N] | show registry [KEY] "
        L"| show "
        L"clipboard | show templates");
  }
}

namespace {
// A hotkey's action as the user's language names it ("Reply", "Reply to all", "Forward"); the
// stored English name when the language has no words for it (asked first, so a look logs
// nothing).
std::wstring ActionWords(const std::wstring& stored) {
  static const struct {
    int32_t action;
    const wchar_t* textId;
  } kWords[] = {{1, L"HOT_KEY_ACTION_TV"}, {2, L"HOT_KEY_ACTION_RAW"}, {4, L"HOT_KEY_ACTION_FW"}};
  for (const auto& words : kWords) {
    CHotkey hotkey;
    hotkey.Action = words.action;
    if (vb::LCase(hotkey.DisplayActionName2()) != vb::LCase(stored)) continue;
    if (!g_oLang || !g_oLang->ItemFind(words.textId)) return stored;
    return g_oLang->Item(words.textId);
  }
  return stored;
}
}  // namespace

// The whole template tree as the add-in keeps it, each template with the marks the user set:
// the default one, the favourites and the hotkeys bound to it.
void Session::ShowTemplates() {
  if (!started_) Fail(L"Outlook is not started");
  win32::faults::Quiet own;
  COptions options;
  std::shared_ptr<outlook::MAPIFolder> root;
  std::wstring rootId = options.TanvelloEntryID();
  if (!rootId.empty()) root = p_.session->GetFolderFromID(rootId);
  if (!root) Fail(L"no templates folder yet (the first start makes it)");
  const std::wstring defaultId = options.DefaultTemplateID();
  // The hotkeys by the EntryID of their template: "Ctrl+Alt+R Tanvelo".
  std::multimap<std::wstring, std::wstring> hotkeys;
  CWinReg reg;
  if (reg.InitForRead(kHKCU, options.GetProfileRegPath() + L"\\Hotkeys")) {
    std::wstring name;
    for (int32_t i = 0; reg.ValueAt(i, name) != CWinReg::Found::End; ++i) {
      std::wstring data = ValueText(reg, name);
      size_t comma = data.find(L',');
      if (comma != std::wstring::npos)
        hotkeys.emplace(data.substr(comma + 1), name + L" " + ActionWords(data.substr(0, comma)));
    }
    reg.CloseKey();
  }
  std::function<void(const std::shared_ptr<outlook::MAPIFolder>&, const std::wstring&)> walk =
      [&](const std::shared_ptr<outlook::MAPIFolder>& folder, const std::wstring& pad) {
        Print(pad + L"[" + folder->Name() + L"]");
        auto items = folder->Items();
        for (int32_t i = 1; i <= items->Count(); ++i) {
          auto item = items->Item(i);
          std::wstring id = item->EntryID();
          std::vector<std::wstring> marks;
          if (!id.empty() && id == defaultId) marks.push_back(L"default");
          if (mTanvelo::IsFavoriteTemplate(item)) marks.push_back(L"favourite");
          auto [from, to] = hotkeys.equal_range(id);
          for (auto it = from; it != to; ++it) marks.push_back(L"hotkey " + it->second);
          std::wstring line = pad + L"  " + Shown(item->Subject());
          for (size_t m = 0; m < marks.size(); ++m)
            line += (m ? L", " : L"  (") + marks[m] + (m + 1 == marks.size() ? L")" : L"");
          Print(line);
        }
        auto folders = folder->Folders();
        for (int32_t i = 1; i <= folders->Count(); ++i) walk(folders->Item(i), pad + L"  ");
      };
  walk(root, L"  ");
}

void Session::Expect(const std::vector<Word>& w) {
  auto what = w.size() > 1 ? w[1].text : L"";
  if (what == L"box" && w.size() == 3) {
    bool found = false;
    for (size_t i = boxesChecked_; i < boxTexts_.size() && !found; ++i)
      if (boxTexts_[i].find(w[2].text) != std::wstring::npos) found = true;
    std::wstring seen;
    for (size_t i = boxesChecked_; i < boxTexts_.size(); ++i)
      seen += (seen.empty() ? L"" : L", ") + Shown(boxTexts_[i]);
    boxesChecked_ = boxTexts_.size();
    Check(found, w, L"a message box with " + Said(w[2].text),
          seen.empty() ? L"no message box" : seen);
  } else if (what == L"mail" && w.size() == 5 &&
             (w[3].text == L"is" || w[3].text == L"has" || w[3].text == L"lacks")) {
    std::wstring value;
    if (!MailField(ShownMail(), w[2].text, value)) Fail(L"no mail field " + ShownWord(w[2].text));
    const std::wstring& how = w[3].text;
    std::wstring haveCopy, wantCopy;
    const std::wstring& have = Plain(value, haveCopy);
    const std::wstring& want = Plain(w[4].text, wantCopy);
    bool ok = how == L"is"    ? have == want
              : how == L"has" ? have.find(want) != std::wstring::npos
                              : have.find(want) == std::wstring::npos;
    // What was found is shown without the carriage returns the comparison leaves out.
    Check(ok, w, w[2].text + L" " + how + L" " + Said(w[4].text), Shown(have));
  } else if (what == L"folder" && w.size() >= 4) {
    auto folder = FolderAt(w[2].text);
    if (!folder) {
      Check(false, w, L"folder " + ShownWord(w[2].text), L"no such folder");
    }
    auto items = folder->Items();
    if (w[3].text == L"count" && w.size() == 5) {
      int32_t n = items->Count();
      Check(std::to_wstring(n) == w[4].text, w, ShownWord(w[4].text) + L" items",
            std::to_wstring(n) + L" items");
    } else if ((w[3].text == L"has" || w[3].text == L"lacks") && w.size() == 5) {
      bool has = false;
      std::wstring subjects;
      for (int32_t i = 1; i <= items->Count(); ++i) {
        if (items->Item(i)->Subject() == w[4].text) has = true;
        subjects += (subjects.empty() ? L"" : L", ") + Shown(items->Item(i)->Subject());
      }
      bool want = w[3].text == L"has";
      Check(has == want, w, (want ? L"an item " : L"no item ") + Said(w[4].text),
            subjects.empty() ? L"an empty folder" : subjects);
    } else {
      Fail(L"usage: expect folder PATH count N | expect folder PATH has|lacks SUBJECT");
    }
  } else if (what == L"ribbon" && w.size() == 6 && w[4].text == L"is") {
    auto window = host_ ? host_->RibbonWindowOf(ActiveWindow().get()) : nullptr;
    if (!window) Fail(L"the active window has no ribbon of the add-in");
    DrawWithMenus(*window);
    std::wstring id = RibbonId(*window, w[2].text);
    if (id.empty()) Fail(L"no ribbon control " + ShownWord(w[2].text));
    std::wstring found;
    if (w[3].text == L"label")
      found = window->Label(id);
    else if (w[3].text == L"visible")
      found = Bool(window->Visible(id));
    else if (w[3].text == L"enabled")
      found = Bool(window->Enabled(id));
    else
      Fail(L"usage: expect ribbon ID label|visible|enabled is \"value\"");
    Check(found == w[5].text, w, ShownWord(w[3].text) + L" " + Said(w[5].text), Shown(found));
  } else if (what == L"bar" && w.size() == 6 && w[4].text == L"is") {
    std::shared_ptr<office::CommandBarControl> control;
    try {
      control = BarControl(w[2].text);
    } catch (const ScriptError&) {
      // Not shown at all: visible is false, and enabled cannot be asked.
      if (w[3].text == L"visible")
        Check(w[5].text == L"false", w, L"visible " + ShownWord(w[5].text), L"not shown");
      else
        throw;
      return;
    }
    std::wstring found;
    if (w[3].text == L"enabled")
      found = Bool(control->Enabled());
    else if (w[3].text == L"visible")
      found = Bool(control->Visible());
    else
      Fail(L"usage: expect bar \"Caption/Caption\" enabled|visible is true|false");
    Check(found == w[5].text, w, w[3].text + L" " + ShownWord(w[5].text), found);
  } else if (what == L"log" && w.size() == 4 && w[2].text == L"has") {
    bool found = false;
    for (const auto& entry : support::library::Log())
      if ((entry.procedure + L": " + entry.text).find(w[3].text) != std::wstring::npos)
        found = true;
    Check(found, w, L"a log entry with " + Said(w[3].text), L"none (show log lists them)");
  } else if (what == L"registry" && w.size() == 6 && w[4].text == L"is") {
    std::wstring found = RegistryValue(w[2].text, w[3].text);
    Check(found == w[5].text, w, Said(w[5].text),
          found.starts_with(L"(no ") ? found : Shown(found));
  } else {
    Fail(L"usage: expect box|mail|folder|ribbon|bar|log|registry ... (help lists them)");
  }
}

void Session::SaveHtml(const std::wstring& file) {
  auto item = ShownMail();
  std::wstring html = item->HTMLBody();
  std::filesystem::path target(Utf8(file));
  // Inline pictures go beside the page under their file names; the page points at them.
  std::vector<std::pair<std::filesystem::path, const std::vector<uint8_t>*>> files;
  auto atts = item->Attachments();
  std::vector<std::shared_ptr<outlook::Attachment>> keep;
  for (int32_t i = 1; i <= atts->Count(); ++i) {
    auto a = atts->Item(i);
    auto cid = a->Fields(outlook::PR_ATTACH_CONTENT_ID);
    auto text = std::get_if<std::wstring>(&cid);
    if (!text || text->empty() || a->FileName().empty()) continue;
    std::wstring name = a->FileName();
    for (auto& c : name)
      if (c == L'/' || c == L'\\') c = L'_';
    keep.push_back(a);
    files.emplace_back(target.parent_path() / Utf8(name), &a->Data());
    for (size_t at; (at = html.find(L"cid:" + *text)) != std::wstring::npos;)
      html.replace(at, 4 + text->size(), name);
  }
  // The page is written in UTF-8 and says so, or a browser guesses.
  std::wstring lower = html;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  if (lower.find(L"charset") == std::wstring::npos) {
    size_t head = lower.find(L"<head>");
    std::wstring meta = L"<meta charset=\"utf-8\">";
    if (head != std::wstring::npos)
      html.insert(head + 6, meta);
    else
      html.insert(0, meta);
  }
  std::string bytes = Utf8(html);
  std::vector<uint8_t> page(bytes.begin(), bytes.end());
  files.emplace(files.begin(), target, &page);
  // A file this run did not write is the user's: it is never written over.
  for (const auto& [path, data] : files) {
    std::error_code ec;
    auto where = std::filesystem::absolute(path, ec).lexically_normal();
    if (std::filesystem::is_directory(path, ec))
      Fail(L"save-html: " + FromUtf8(path.string()) + L" is a folder; give a file's name");
    if (std::filesystem::exists(path) && !written_.count(where))
      Fail(L"save-html: " + FromUtf8(path.string()) +
           L" is there already and this run did not write it; give another name");
  }
  for (const auto& [path, data] : files) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data->data()),
              static_cast<std::streamsize>(data->size()));
    if (!out) Fail(L"cannot write " + FromUtf8(path.string()));
    std::error_code ec;
    written_.insert(std::filesystem::absolute(path, ec).lexically_normal());
    Print(L"  saved " + FromUtf8(path.string()));
  }
}

std::wstring Session::RibbonLabel(const std::wstring& control) {
  win32::faults::Quiet outlooksOwn;
  try {
    auto window = host_ ? host_->RibbonWindowOf(ActiveWindow().get()) : nullptr;
    if (!window) return L"";
    std::wstring id = RibbonId(*window, control);
    return id.empty() ? L"" : window->Label(id);
  } catch (...) {
    return L"";
  }
}

}  // namespace host
