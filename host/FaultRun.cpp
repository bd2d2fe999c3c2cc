#include "host/FaultRun.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "core/CLang.h"
#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "host/FaultRunRules.h"
#include "host/Printers.h"
#include "host/ScriptReader.h"
#include "host/Session.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryChanges.h"

namespace host {
namespace {

using namespace judge;
namespace persist = outlook::persist;
namespace faults = win32::faults;

const std::wstring kUserClipboard = L"what the user copied before";
const wchar_t* kTemporaryFolders[] = {L"Tanvelo Drafts", L"Drafts", L"Deleted Items"};

bool Same(const persist::Item& a, const persist::Item& b) {
  if (a.itemClass != b.itemClass || a.bodyFormat != b.bodyFormat ||
      !persist::SameProps(a.props, b.props) || a.recipients.size() != b.recipients.size() ||
      a.attachments.size() != b.attachments.size() ||
      a.userProperties.size() != b.userProperties.size())
    return false;
  for (size_t i = 0; i < a.recipients.size(); ++i)
    if (a.recipients[i].name != b.recipients[i].name ||
        a.recipients[i].type != b.recipients[i].type)
      return false;
  for (size_t i = 0; i < a.attachments.size(); ++i) {
    const auto &x = a.attachments[i], &y = b.attachments[i];
    if (x.fileName != y.fileName || x.displayName != y.displayName || x.type != y.type ||
        x.data != y.data || x.fields != y.fields)
      return false;
  }
  for (size_t i = 0; i < a.userProperties.size(); ++i) {
    const auto &x = a.userProperties[i], &y = b.userProperties[i];
    if (x.name != y.name || x.value != y.value || x.type != y.type) return false;
  }
  return true;
}

// The store as items by EntryID, each with the folder holding it.
struct Store {
  std::map<std::wstring, std::pair<std::wstring, persist::Item>> items;
  std::map<std::wstring, std::wstring> folderNames;  // EntryID to name
  std::map<std::wstring, std::wstring> folderPaths;  // EntryID to its path of names
  std::map<uint16_t, std::wstring> named;            // a named property's id to its name
};

Store Take(const Session& session) {
  Store store;
  auto profile = persist::Take(*session.Profile().session);
  for (const auto& [name, id] : profile.named) store.named[id] = name;
  for (auto& folder : profile.folders) {
    store.folderNames[folder.entryId] = folder.name;
    auto parent = store.folderPaths.find(folder.parentId);  // parents come first
    // From the store's root, as scripts name folders ("Drafts/Tanvelo Drafts").
    store.folderPaths[folder.entryId] = parent == store.folderPaths.end() ? L""
                                        : parent->second.empty()
                                            ? folder.name
                                            : parent->second + L"/" + folder.name;
    for (auto& item : folder.items) {
      // The key first: the pair is made (and the item moved from) before the map is indexed.
      std::wstring id = item.entryId;
      store.items[id] = {folder.entryId, std::move(item)};
    }
  }
  return store;
}

std::wstring Subject(const persist::Item& item) {
  for (const auto& [id, value] : item.props)
    if (id == (outlook::PR_SUBJECT >> 16))
      if (auto text = value ? std::get_if<std::wstring>(value.get()) : nullptr) return *text;
  return L"(no subject)";
}

// Items made since `before` in the folders that hold passing copies: folder and subject.
std::vector<std::pair<std::wstring, std::wstring>> NewTemporaryItems(const Store& before,
                                                                     const Store& after) {
  std::vector<std::pair<std::wstring, std::wstring>> made;
  for (const auto& [id, held] : after.items) {
    if (before.items.count(id)) continue;
    const std::wstring& name = after.folderNames.at(held.first);
    for (auto t : kTemporaryFolders)
      if (name == t) made.emplace_back(name, Subject(held.second));
  }
  return made;
}

// Names below TEMP, as made in this run (temporary names are drawn afresh in each run, so only
// their number is compared).
std::optional<std::filesystem::path> TempPath();

std::vector<std::string> TemporaryFiles() {
  auto path = TempPath();
  std::vector<std::string> names;
  std::error_code ec;
  if (path)
    for (auto it = std::filesystem::recursive_directory_iterator(*path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      names.push_back(std::filesystem::relative(it->path(), *path, ec).string());
  return names;
}

// An error the add-in logged: an error trapped (its number), or a line at error level.
bool IsError(const support::library::LogEntry& entry) {
  return entry.errorNumber != 0 || entry.level >= kLevelError;
}

std::wstring Shown(const support::library::LogEntry& entry) {
  return entry.procedure + L": " + entry.text;
}

// Where the log stood; a restart of Outlook starts it afresh, which the last entry shows.
struct LogMark {
  size_t size = 0;
  std::wstring last;
};

LogMark MarkLog() {
  const auto& log = support::library::Log();
  return {log.size(), log.empty() ? L"" : Shown(log.back())};
}

// The errors logged since the mark, as "procedure: text".
std::vector<std::wstring> ErrorsSince(const LogMark& mark) {
  const auto& log = support::library::Log();
  size_t from = 0;
  if (mark.size > 0 && log.size() >= mark.size && Shown(log[mark.size - 1]) == mark.last)
    from = mark.size;
  std::vector<std::wstring> errors;
  for (size_t i = from; i < log.size(); ++i)
    if (IsError(log[i])) errors.push_back(L"[logged] " + Shown(log[i]));
  return errors;
}

// Whether the line starts Outlook, and with it the add-in.
bool IsStart(const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    return !words.empty() && words[0].text == L"start";
  } catch (const ScriptError&) {
    return false;
  }
}

bool Lifecycle(const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    return !words.empty() && (words[0].text == L"start" || words[0].text == L"quit");
  } catch (const ScriptError&) {
    return false;
  }
}

std::string Printable(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The user's registry as "key\name" = "type data", every key present with its own entry.
std::map<std::string, std::string> RegistryValues() {
  std::map<std::string, std::string> values;
  std::string text;
  if (!win32::registry::HiveText(win32::HKEY_CURRENT_USER, text)) return values;
  std::istringstream in(text);
  std::string line, key;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind, a, type, data;
    words >> kind >> a;
    if (kind == "K") {
      key = Printable(Unhex(a));
      values[key + "\\"] = "(key)";
    } else if (kind == "V") {
      words >> type >> data;
      values[key + "\\" + Printable(Unhex(a))] = type + " " + Printable(Unhex(data));
    }
  }
  return values;
}

std::optional<std::filesystem::path> TempPath() {
  char buffer[win32::MAX_PATH];
  uint32_t n = win32::GetTempPathA(sizeof buffer, buffer);
  return win32::files::HostPath(std::string(buffer, n));
}

// The files and folders of drive C: outside TEMP, by path, with their bytes.
std::map<std::string, std::string> Files() {
  std::map<std::string, std::string> files;
  auto root = win32::files::HostPath("C:\\");
  std::filesystem::path temp;
  if (auto t = TempPath()) temp = t->lexically_normal();
  if (!temp.empty() && !temp.has_filename()) temp = temp.parent_path();
  std::error_code ec;
  if (!root) return files;
  for (auto it = std::filesystem::recursive_directory_iterator(*root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().lexically_normal() == temp) {
      it.disable_recursion_pending();
      continue;
    }
    std::string name = std::filesystem::relative(it->path(), *root, ec).string();
    if (it->is_directory(ec)) {
      files[name] = "(folder)";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      files[name] = std::string((std::istreambuf_iterator<char>(in)), {});
    }
  }
  return files;
}

// EntryIDs in a text, as what they name in the run's own store: an item by its folder's path and
// subject, a folder by its path. A failed call may have drawn an EntryID the clean run gave to
// something else, so the same template is named alike in both runs.
class Renamer {
 public:
  explicit Renamer(const Store& store) {
    for (const auto& [id, path] : store.folderPaths) names_[Utf8(id)] = "<" + Utf8(path) + ">";
    for (const auto& [id, held] : store.items)
      names_[Utf8(id)] =
          "<" + Utf8(store.folderPaths.at(held.first)) + "/" + Utf8(Subject(held.second)) + ">";
  }

  std::string operator()(const std::string& text) const {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {  // an escaped byte
        out += text.substr(i, 4);
        i += 4;
        continue;
      }
      size_t j = i;
      while (j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j]))) ++j;
      if (j - i >= 48) {
        auto it = names_.find(text.substr(i, j - i));
        out += it == names_.end() ? "<gone>" : it->second;
      } else {
        out += text.substr(i, std::max<size_t>(j - i, 1));
      }
      i = std::max(j, i + 1);
    }
    return out;
  }

 private:
  std::map<std::string, std::string> names_;
};

// Registry names and data with their EntryIDs as what they name.
std::map<std::string, std::string> ByIdentity(const std::map<std::string, std::string>& values,
                                              const Store& store) {
  Renamer rename(store);
  std::map<std::string, std::string> renamed;
  for (const auto& [k, v] : values) renamed[rename(k)] = rename(v);
  return renamed;
}

// What an item holds that the user sees or the add-in set, field by field: its properties
// (named ones by name; its times and its sent and read marks left out: a mail sent may wait
// in the outbox or be sent already), recipients with their types, attachments with their bytes,
// user properties; EntryIDs as what they name.
using Content = std::map<std::string, std::string>;

// An inline picture's content id is drawn afresh each time (from the clock), as temporary names
// are: an HTML body holds its ids numbered in the order they appear, so that two bodies that
// point at their pictures alike are alike.
std::string NumberedContentIds(const std::string& html) {
  std::map<std::string, size_t> numbers;
  std::string out;
  size_t from = 0;
  for (size_t at = html.find("cid:"); at != std::string::npos; at = html.find("cid:", from)) {
    size_t end = html.find_first_of("\"' >)", at + 4);
    if (end == std::string::npos) end = html.size();
    auto [it, added] = numbers.emplace(html.substr(at + 4, end - at - 4), numbers.size() + 1);
    out += html.substr(from, at + 4 - from) + "#" + std::to_string(it->second);
    from = end;
  }
  return out + html.substr(from);
}

Content ContentOf(const persist::Item& item, const Store& store, const Renamer& rename) {
  static const std::set<uint16_t> kLeftOut = {outlook::PR_ENTRYID >> 16,
                                              outlook::PR_CREATION_TIME >> 16,
                                              outlook::PR_MESSAGE_DELIVERY_TIME >> 16,
                                              outlook::PR_MESSAGE_FLAGS >> 16,
                                              0x3008 /* last modification */,
                                              0x0039 /* submitted */};
  auto text = [](const outlook::PropValue& v) -> std::string {
    if (auto i = std::get_if<int32_t>(&v)) return std::to_string(*i);
    if (auto b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    if (auto d = std::get_if<double>(&v)) return std::to_string(*d);
    if (auto w = std::get_if<std::wstring>(&v)) return Utf8(*w);
    if (auto bytes = std::get_if<std::vector<uint8_t>>(&v)) {
      std::string hex;
      for (uint8_t c : *bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", c);
        hex += two;
      }
      return hex;
    }
    return "";
  };
  Content content;
  content["class"] = std::to_string(item.itemClass);
  content["format"] = std::to_string(item.bodyFormat);
  for (const auto& [id, value] : item.props) {
    if (kLeftOut.count(id) || !value) continue;
    auto name = store.named.find(id);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", id);
    std::string held = rename(text(*value));
    if (id == (outlook::PR_HTML >> 16)) {
      if (auto bytes = std::get_if<std::vector<uint8_t>>(&*value))
        held = rename(std::string(bytes->begin(), bytes->end()));
      held = NumberedContentIds(held);
    }
    content["property " +
            (id >= 0x8000 && name != store.named.end() ? Utf8(name->second) : std::string(hex))] =
        std::move(held);
  }
  for (const auto& r : item.recipients)
    content["recipients"] += Utf8(r.name) + " (" + std::to_string(r.type) + "); ";
  for (size_t i = 0; i < item.attachments.size(); ++i) {
    const auto& a = item.attachments[i];
    content["attachment " + std::to_string(i + 1)] =
        Utf8(a.fileName) + " | " + Utf8(a.displayName) + " | " + std::to_string(a.type) + " | " +
        std::string(a.data.begin(), a.data.end());
  }
  for (const auto& u : item.userProperties)
    content["user property " + Utf8(u.name)] =
        rename(Utf8(u.value)) + " (" + std::to_string(u.type) + ")";
  return content;
}

// The fields in which two contents differ.
std::vector<std::string> Differing(const Content& a, const Content& b) {
  std::set<std::string> fields;
  for (const auto* m : {&a, &b})
    for (const auto& [field, value] : *m) {
      const auto& other = m == &a ? b : a;
      auto it = other.find(field);
      if (it == other.end() || it->second != value) fields.insert(field);
    }
  return {fields.begin(), fields.end()};
}

// Whether every field of `have` is as in `a` or as in `b` (absent counted as a value).
bool EachFieldFrom(const Content& have, const Content& a, const Content& b) {
  auto at = [](const Content& c, const std::string& k) {
    auto it = c.find(k);
    return it == c.end() ? std::optional<std::string>() : it->second;
  };
  std::set<std::string> keys;
  for (const auto* c : {&have, &a, &b})
    for (const auto& [k, v] : *c) keys.insert(k);
  for (const auto& k : keys)
    if (at(have, k) != at(a, k) && at(have, k) != at(b, k)) return false;
  return true;
}

// What the store, the registry and the disk held after a line, and what the user was told.
struct Look {
  Store store;
  std::map<std::string, std::string> registry, files;  // registry by identity
  bool clipboardKept = true;
  uint64_t raised = 0;               // faults raised up to the line's end
  bool told = false;                 // a box or dialog shown, or an error logged, during the line
  std::vector<std::wstring> shown;   // boxes and dialogs shown, disabled controls met
  std::vector<std::wstring> logged;  // errors logged during the line
  size_t errors = 0;
  bool failed = false;        // the line's command failed (not an expectation)
  bool expectFailed = false;  // the line's expectation did not hold
  std::wstring label;         // a ribbon line's control as the user knows it (the clean run's)
  bool language = false, templates = false;  // the language file read, the templates folder found
  std::wstring templatesName;                // that folder's name, as a box may name it
  std::wstring shows;                        // the folder the active explorer shows
  bool windows = false;                      // an explorer or a mail window open
};

// A thing missing or not as the clean run's (judged when it went): the names by which a later
// line takes it (a subject, a value's name).
struct Loss {
  std::vector<std::wstring> names;
  // For an item that differs: each field the clean run's and the faulted run's way.
  std::map<std::string, std::pair<std::string, std::string>> fields;
};

// Each field in which two contents differ, with its value in each ("(absent)" where absent).
std::map<std::string, std::pair<std::string, std::string>> FieldsApart(const Content& clean,
                                                                       const Content& now) {
  std::map<std::string, std::pair<std::string, std::string>> apart;
  auto at = [](const Content& c, const std::string& k) {
    auto it = c.find(k);
    return it == c.end() ? std::string("(absent)") : it->second;
  };
  for (const auto* c : {&clean, &now})
    for (const auto& [field, value] : *c)
      if (at(clean, field) != at(now, field)) apart[field] = {at(clean, field), at(now, field)};
  return apart;
}

struct Pass {
  Look start;
  std::vector<Look> lines;
  std::vector<std::pair<uint64_t, uint64_t>> calls;  // the calls each line made, first and last
  Store after;
  std::vector<std::string> tempFiles;
  size_t loggedErrors = 0;
  bool templatesFolder = false, languageLoaded = false;
};

// What `a` holds beyond `b` (as multisets): what the user saw that the clean run did not show.
std::vector<std::wstring> Beyond(std::vector<std::wstring> a, std::vector<std::wstring> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  std::vector<std::wstring> more;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(more));
  return more;
}

// Items by folder path and subject, with their contents; Deleted Items and passing copies left
// out (what stays there is checked at the end).
using Groups = std::map<std::pair<std::wstring, std::wstring>, std::vector<Content>>;

// How many items of a folder and subject a grouping holds.
size_t CountAt(const Groups& groups, const std::pair<std::wstring, std::wstring>& where) {
  auto it = groups.find(where);
  return it == groups.end() ? size_t{0} : it->second.size();
}

Groups Kept(const Store& store) {
  Groups kept;
  Renamer rename(store);
  for (const auto& [id, held] : store.items) {
    std::wstring subject = Subject(held.second);
    if (store.folderNames.at(held.first) == L"Deleted Items" ||
        subject.starts_with(mTanvelo::kTempItemPrefix))
      continue;
    kept[{store.folderPaths.at(held.first), subject}].push_back(
        ContentOf(held.second, store, rename));
  }
  return kept;
}

// What `a` holds beyond `b`, as multisets of contents.
std::vector<Content> Beyond(std::vector<Content> a, const std::vector<Content>& b) {
  for (const auto& c : b)
    if (auto it = std::find(a.begin(), a.end(), c); it != a.end()) a.erase(it);
  return a;
}

// The quoted texts of a script line, and of a path its last name: what the line names
// ("Ctrl+Alt+R", "thank you for the information").
std::vector<std::wstring> LineNames(const std::wstring& line) {
  std::vector<std::wstring> names;
  try {
    for (const auto& word : SplitLine(line)) {
      if (!word.quoted || word.text.empty()) continue;
      names.push_back(word.text);
      if (size_t slash = word.text.rfind(L'/'); slash != std::wstring::npos)
        names.push_back(word.text.substr(slash + 1));
    }
  } catch (const ScriptError&) {
  }
  return names;
}

// The label of the control a ribbon line clicks or looks at, before the line plays: a tell
// names a ribbon control by it, as it names a bar's by its caption.
std::wstring RibbonLabelOf(Session& session, const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    size_t at = !words.empty() && words[0].text == L"expect" ? 1 : 0;
    if (words.size() < at + 3 || words[at].text != L"ribbon") return L"";
    return session.RibbonLabel(words[at + (at ? 1 : 2)].text);
  } catch (const ScriptError&) {
    return L"";
  }
}

bool IsExpectation(const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    return !words.empty() && words[0].text == L"expect";
  } catch (const ScriptError&) {
    return false;
  }
}

bool IsAnswer(const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    return words.empty() || words[0].text == L"answer" || words[0].text == L"wait";
  } catch (const ScriptError&) {
    return true;
  }
}

std::wstring LastName(const std::wstring& path) {
  size_t slash = path.rfind(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

class Runner {
 public:
  Runner(const FaultRunOptions& options, const ProgramIo& io) : options_(options), io_(io) {}

  int Run() {
    Play(false);
    if (options_.count) {
      io_.out("calls " + std::to_string(clean_.calls.empty() ? 0 : clean_.calls.back().second) +
              "\n");
      for (size_t n = 0; n < clean_.calls.size(); ++n) {
        auto [first, last] = clean_.calls[n];
        io_.out("line " + std::to_string(n + 1) + " calls " +
                (last < first ? std::string("none")
                              : std::to_string(first) + "-" + std::to_string(last)) +
                ": " + Utf8(options_.lines[n]) + "\n");
      }
      return 0;
    }
    Play(true);
    const uint64_t calls = clean_.calls.empty() ? 0 : clean_.calls.back().second;
    if (options_.refuseUnraised && options_.every == 0 && raised_ == 0) {
      io_.err("fault run: no fault was raised: the scripts make " + std::to_string(calls) +
              " calls, the fault was asked at call " + std::to_string(options_.at) +
              "; nothing was judged\n");
      return 2;
    }
    for (const auto& f : findings_) io_.err("finding: " + Utf8(f) + "\n");
    if (stopped_) io_.err(Utf8(*stopped_) + "\n");
    io_.err(findings_.empty() ? std::string("fault run: no finding\n")
                              : "fault run: " + std::to_string(findings_.size()) + " findings\n");
    return findings_.empty() ? 0 : 3;
  }

 private:
  // The faulted run tells what happened, for the reader of a finding.
  std::unique_ptr<Session> NewSession(bool told) {
    SessionOptions s;
    s.outlookVersion = options_.outlookVersion;
    s.languageFile = options_.languageFile;
    s.lenient = true;
    // What the user was shown: a box or a dialog.
    Session::Sink sink = [this, told](const std::wstring& line) {
      if (line.starts_with(L"[box] ") || line.starts_with(L"[dialog] ")) shown_.push_back(line);
      if (told) io_.out(Utf8(line) + "\n");
    };
    return std::make_unique<Session>(s, sink);
  }

  enum class Played { kDone, kFailed, kExpectFailed };

  // Plays a line: done, failed (a refused step), or an expectation that did not hold.
  Played PlayLine(Session& session, const std::wstring& line, size_t n) {
    uint64_t escaped = faults::Counts().escaped;
    try {
      session.Run(line);
      return Played::kDone;
    } catch (const ExpectationFailed& e) {
      io_.out("  (the line failed: " + std::string(e.what()) + ")\n");
      return Played::kExpectFailed;
    } catch (const std::exception& e) {
      // The program's own look may fail where the faults led elsewhere; only an error that
      // left the add-in's code is the add-in's.
      std::string what = e.what();
      io_.out("  (the line failed: " + what + ")\n");
      // A control the user finds disabled tells them the step cannot be done now.
      if (what.find("the control is disabled") != std::string::npos ||
          what.find("refused: disabled") != std::string::npos)
        shown_.push_back(FromUtf8(what));
      if (faults::Counts().escaped > escaped && what.rfind("Outlook raised an error", 0) == 0)
        Find(n, L"an error escaped into Outlook: " + FromUtf8(what));
      return Played::kFailed;
    }
  }

  Look TakeLook(const Session& session) {
    Look look;
    look.store = Take(session);
    look.registry = ByIdentity(RegistryValues(), look.store);
    look.files = Files();
    return look;
  }

  void Play(bool injected) {
    Pass pass;
    if (injected) faulted_ = &pass;
    auto session = NewSession(injected);
    win32::clipboard::SetText(kUserClipboard);
    pass.start = TakeLook(*session);
    size_t addinErrors = 0;
    uint64_t host = session->Hosts();
    faults::Plan plan{.every = options_.every,
                      .seed = options_.seed,
                      .addinOnly = true,
                      .at = options_.at,
                      .span = options_.span,
                      .countOnly = !injected,
                      .throughResets = true};
    faults::Start(plan);
    // Through every `quit` and `start`: a script may quit and start Outlook again, and a kept
    // pair's second script follows its first.
    for (size_t n = 0; n < options_.lines.size(); ++n) {
      if (injected) io_.out("> " + Utf8(options_.lines[n]) + "\n");
      shown_.clear();
      LogMark mark = MarkLog();
      uint64_t calls = faults::Counts().calls;
      // A click's control before the click; an expectation's once it has drawn the ribbon.
      const bool expectation = IsExpectation(options_.lines[n]);
      std::wstring label =
          injected || expectation ? L"" : RibbonLabelOf(*session, options_.lines[n]);
      Played played = PlayLine(*session, options_.lines[n], n);
      if (!injected && expectation) label = RibbonLabelOf(*session, options_.lines[n]);
      pass.calls.emplace_back(calls + 1, faults::Counts().calls);
      if (injected && options_.afterLine) options_.afterLine(*session, n);
      if (options_.eachLine) options_.eachLine(*session, n);
      Look look = TakeLook(*session);
      look.raised = faults::Counts().raised;
      look.logged = ErrorsSince(mark);
      look.shown = shown_;
      look.label = std::move(label);
      look.errors = look.logged.size();
      // An expectation that cannot be looked at (no mail open) does not hold either.
      look.failed = played == Played::kFailed && !expectation;
      look.expectFailed =
          played == Played::kExpectFailed || (played == Played::kFailed && expectation);
      if (injected && n < clean_.lines.size())
        look.told = !Beyond(look.shown, clean_.lines[n].shown).empty() ||
                    look.errors > clean_.lines[n].errors;
      look.language = g_oLang && !g_oLang->Filename().empty();
      look.templates = g_oTemplatesFolder != nullptr;
      if (look.templates) {
        win32::faults::Quiet judges;
        vb::Ignore([&] { look.templatesName = g_oTemplatesFolder->Name(); });
        vb::Err().Clear();
      }
      if (auto explorer = session->Profile().app->ActiveExplorer())
        look.shows = FolderPath(explorer->CurrentFolder());
      if (const auto& app = session->Profile().app)
        look.windows = app->Explorers()->Count() > 0 || app->Inspectors()->Count() > 0;
      look.clipboardKept = win32::clipboard::Text() == kUserClipboard;
      if (!look.clipboardKept) {
        if (injected && n < clean_.lines.size() && clean_.lines[n].clipboardKept)
          Find(n, L"the user's clipboard was not given back");
        win32::clipboard::SetText(kUserClipboard);
      }
      auto errorsOut = session->AddinErrors();
      // A restart of Outlook makes a new host, which starts its list afresh: from its first,
      // however many the host before had.
      if (session->Hosts() != host) addinErrors = 0;
      host = session->Hosts();
      for (size_t i = addinErrors; injected && i < errorsOut.size(); ++i)
        Find(n, L"the add-in let an error reach Outlook: " + errorsOut[i]);
      addinErrors = errorsOut.size();
      pass.loggedErrors += look.errors;
      pass.lines.push_back(std::move(look));
      if (injected) CheckLine(pass, n);
    }
    auto tally = faults::Counts();
    faults::Stop();
    if (!injected) {
      pass.after = Take(*session);
      pass.tempFiles = TemporaryFiles();
      pass.templatesFolder = g_oTemplatesFolder != nullptr;
      pass.languageLoaded = g_oLang && !g_oLang->Filename().empty();
      clean_ = std::move(pass);
      return;
    }
    static const char* kNames[] = {"outlook",  "redemption", "word",   "files",
                                   "registry", "clipboard",  "profile"};
    std::string by;
    for (int i = 0; i < faults::kSurfaces; ++i)
      if (tally.raisedBy[i])
        by += (by.empty() ? " (" : ", ") + std::string(kNames[i]) + " " +
              std::to_string(tally.raisedBy[i]);
    raised_ = tally.raised;
    io_.out("faults: " + std::to_string(tally.raised) + " raised in " +
            std::to_string(tally.calls) + " calls" + (by.empty() ? "" : by + ")") + "\n");
    PlayLine(*session, L"wait 1000", options_.lines.size());
    pass.after = Take(*session);
    pass.tempFiles = TemporaryFiles();
    CheckTemporaryItems(pass);
    if (mTanvelo::IsTemplateActionRunning()) Find(-1, L"a template action is still marked running");
    if (pass.tempFiles.size() > clean_.tempFiles.size()) {
      std::string names;
      for (const auto& name : pass.tempFiles) names += " " + name;
      Find(-1, L"temporary files left: " + std::to_wstring(pass.tempFiles.size()) + L" against " +
                   std::to_wstring(clean_.tempFiles.size()) + L":" + FromUtf8(names));
    }
    Recover(*session);
  }

  // After line n of the faulted run: before the first fault everything is as in the clean
  // run; from the first faulted line on, whatever the clean run left alone since just before
  // that line is as the clean run has it, and every item and registry value the clean run has
  // after the line is there or the line told the user so; an expectation that held in the
  // clean run holds or the user was told something went wrong.
  void CheckLine(const Pass& faulted, size_t n) {
    if (n >= clean_.lines.size()) return;
    const Look &clean = clean_.lines[n], &now = faulted.lines[n];
    if (!firstFaulted_ && now.raised > 0) firstFaulted_ = n;
    const Look* base = nullptr;  // the clean run just before the first faulted line
    if (firstFaulted_)
      base = *firstFaulted_ == 0 ? &clean_.start : &clean_.lines[*firstFaulted_ - 1];
    CheckItems(n, clean.store, now.store, base ? &base->store : nullptr);
    // The line did work the clean line did not (an item of its own beyond the clean run's),
    // the runs parted by a failure told before: what that work wrote is its own.
    const Look& faultedBefore = n == 0 ? faulted.start : faulted.lines[n - 1];
    parted_ = firstFaulted_ &&
              MadeBeyond(Kept(faultedBefore.store), Kept(now.store), Kept(clean.store)) &&
              ToldBefore(n);
    // What that work made is its own too: a folder differing from the clean run's by it (a
    // reply from a hotkey whose removal was told not done) fails an expectation for that.
    if (parted_)
      for (const auto& [where, items] : Kept(now.store))
        if (items.size() > CountAt(Kept(faultedBefore.store), where) &&
            items.size() > CountAt(Kept(clean.store), where))
          madeBeyond_.insert(where);
    CheckValues(n, L"registry value", clean.registry, now.registry,
                base ? &base->registry : nullptr, parted_ ? &faultedBefore.registry : nullptr,
                &clean.store);
    CheckValues(n, L"file", clean.files, now.files, base ? &base->files : nullptr);
    if (!firstFaulted_) return;
    StopJudgingWhenThePartsAreGone(n);
    const Look& cleanBefore = n == 0 ? clean_.start : clean_.lines[n - 1];
    CheckKept(n, cleanBefore, clean, now, base->store);
    for (const auto& tell : WorkTells(n)) {
      // The add-in told, as Outlook started or a window opened, that part of it was not set up
      // (a hotkey not registered, a window without its buttons): what later lines would have
      // made through that part is not owed, as far as the tell names it. A read that failed
      // is made again at first use: it excuses nothing later.
      if ((IsStart(options_.lines[n]) || Contains(tell, L"set-up")) && !Contains(tell, L"not read"))
        partsTold_.push_back(tell);
    }
    if (now.expectFailed && !clean.expectFailed) {
      const std::wstring what = L"the expectation " + options_.lines[n];
      if (stopped_)
        Excused(n, what, *stopped_);
      else if (ExpectationTold(n))
        Excused(n, what, L"told by its line, its command, what names it, or a loss told it reads");
      else
        Find(n,
             L"an expectation held in the clean run and failed under faults, and the user was "
             L"told nothing: " +
                 options_.lines[n]);
    }
  }

  // What every later line does rests on parts of the add-in a start sets up once: the language
  // file (every text the add-in writes) and the templates folder. One the clean run has and the
  // faulted run lost stops the judging of what later lines make, naming the tell that excuses it.
  void StopJudgingWhenThePartsAreGone(size_t n) {
    if (stopped_) return;
    const Look &clean = clean_.lines[n], &now = faulted_->lines[n];
    const bool language = clean.language && !now.language;
    if (!language && !(clean.templates && !now.templates)) return;
    // With no window open the add-in lets its folders go as designed, and finds them again at
    // the next window: no part lost.
    if (!language && !now.windows) {
      if (!letGo_)
        io_.out("  (line " + std::to_string(n + 1) +
                ": the templates folder let go as designed, no window open)\n");
      letGo_ = true;
      return;
    }
    std::wstring part =
        language ? L"the language file was not read" : L"the templates folder was not found";
    // Only a box or dialog about that part, saying it was not had: a log line tells the user
    // nothing, and every later line rests on the part.
    auto about = [&](const std::wstring& tell) {
      if (language) return Contains(tell, L"lang");
      return Contains(tell, L"templates folder") ||
             (!clean.templatesName.empty() && Contains(tell, L"'" + clean.templatesName + L"'"));
    };
    std::wstring told;
    for (size_t m = *firstFaulted_; m <= n && told.empty(); ++m)
      for (const auto& tell : ShownTells(m))
        if (told.empty() && SaysNotDone(tell) && about(tell)) told = tell;
    stopped_ = L"judging stopped from line " + std::to_wstring(n + 1) + L": " + part +
               (told.empty() ? L", and the user was told nothing" : L" (told: " + told + L")");
    if (told.empty()) Find(n, part + L", and the user was told nothing");
  }

  // What line n showed beyond the clean line's.
  std::vector<std::wstring> ShownTells(size_t n) const {
    const Look &clean = clean_.lines[n], &now = faulted_->lines[n];
    auto tells = Beyond(now.shown, clean.shown);
    std::erase_if(tells, [&](const std::wstring& t) { return ShownAlsoClean(t, clean.shown); });
    return tells;
  }

  // What line n showed or logged beyond the clean line's.
  std::vector<std::wstring> Tells(size_t n) const {
    auto tells = ShownTells(n);
    for (const auto& e : Beyond(faulted_->lines[n].logged, clean_.lines[n].logged))
      tells.push_back(e);
    return tells;
  }

  // What line n told beyond the clean line's of its own work, side work's failures aside.
  std::vector<std::wstring> WorkTells(size_t n) const {
    auto tells = Tells(n);
    std::erase_if(tells, [](const std::wstring& tell) { return SideWork(tell); });
    return tells;
  }

  bool LineTold(size_t n, bool work = false) const {
    return !(work ? WorkTells(n) : Tells(n)).empty() ||
           (faulted_->lines[n].failed && !clean_.lines[n].failed);
  }

  // An expectation that failed is told by its own line, by the command it looks at (the line
  // before it that is no expectation or answer) failing or telling anything, or by anything told
  // since the first fault that names what the two lines name; not by whatever else was told.
  bool ExpectationTold(size_t n) const {
    std::vector<std::wstring> names = LineNames(options_.lines[n]);
    // A registry expectation reads the value it names (expect registry KEY NAME is "X").
    if (auto words = SplitLine(options_.lines[n]);
        words.size() >= 4 && words[1].text == L"registry" && !words[3].quoted)
      names.push_back(words[3].text);
    if (auto left = LeftOtherwise(n); !left.empty()) {
      for (size_t m = n; m-- > *firstFaulted_;) {
        if (IsExpectation(options_.lines[m]) || IsAnswer(options_.lines[m])) continue;
        for (auto& name : LineNames(options_.lines[m])) names.push_back(name);
        break;
      }
      // Each mail that left otherwise, named by what the user saw.
      for (const auto& subject : left) {
        auto each = names;
        each.push_back(subject);
        if (!ToldBeforeItLeft(n, L"the expectation " + options_.lines[n], each, true)) return false;
      }
      return true;
    }
    if (LineTold(n)) return true;
    auto labelOf = [&](size_t m) {
      if (!clean_.lines[m].label.empty()) names.push_back(clean_.lines[m].label);
    };
    labelOf(n);
    for (size_t m = n; m-- > *firstFaulted_;) {
      if (IsExpectation(options_.lines[m]) || IsAnswer(options_.lines[m])) continue;
      if (LineTold(m, true)) return true;
      for (auto& name : LineNames(options_.lines[m])) names.push_back(name);
      labelOf(m);
      break;
    }
    for (size_t m = *firstFaulted_; m <= n; ++m)
      for (const auto& tell : Tells(m))
        for (const auto& name : names)
          if (Contains(tell, name)) return true;
    // It looks at a thing lost before (named), or at a folder that differs by such a thing (a
    // mail not sent kept in the drafts; the mail selected in the folder the script went to last):
    // it fails for that loss's sake.
    if (MadeFromALoss(n, names)) return true;
    if (BarsOnAFolderLost(n)) return true;
    if (auto folder = FolderGoneTo(n)) names.push_back(*folder);
    if (auto folder = FolderLookedAt(options_.lines[n])) names.push_back(*folder);
    return FolderDiffersByALoss(n, names);
  }

  // The subjects of the mails that left otherwise than in the clean run (changed, or more of
  // them), when the expectation looks at what was sent; a mail merely not sent has not left.
  std::vector<std::wstring> LeftOtherwise(size_t n) const {
    auto folder = FolderLookedAt(options_.lines[n]);
    if (!folder) {
      auto words = SplitLine(options_.lines[n]);
      if (words.size() >= 2 && words[1].text == L"mail") folder = FolderGoneTo(n);
    }
    if (!folder || !Sent(*folder)) return {};
    auto sent = [](const Store& store) {
      std::map<std::wstring, std::vector<Content>> by;
      for (auto& [where, items] : Kept(store))
        if (Sent(where.first))
          by[where.second].insert(by[where.second].end(), items.begin(), items.end());
      return by;
    };
    auto clean = sent(clean_.lines[n].store), now = sent(faulted_->lines[n].store);
    std::vector<std::wstring> subjects;
    for (const auto& [subject, items] : now)
      if (!Beyond(items, clean[subject]).empty()) subjects.push_back(subject);
    return subjects;
  }

  // The folders there after line n, and every tell from the first fault to it.
  std::set<std::wstring> FoldersAfter(size_t n) const {
    std::set<std::wstring> folders;
    for (const auto& [id, path] : faulted_->lines[n].store.folderPaths) folders.insert(path);
    return folders;
  }
  std::vector<std::wstring> TellsUpTo(size_t n) const {
    std::vector<std::wstring> tells;
    if (!firstFaulted_) return tells;
    for (size_t m = *firstFaulted_; m <= n; ++m)
      for (auto& tell : Tells(m)) tells.push_back(tell);
    return tells;
  }

  bool BarsOnAFolderLost(size_t n) const {
    auto words = SplitLine(options_.lines[n]);
    if (words.size() < 2 || words[1].text != L"bar") return false;
    return ShowsAFolderLost(clean_.lines[n].shows, faulted_->lines[n].shows, FoldersAfter(n),
                            TellsUpTo(n));
  }

  // The folder an expectation counts or looks into ("expect folder Outbox count 3").
  static std::optional<std::wstring> FolderLookedAt(const std::wstring& line) {
    try {
      auto words = SplitLine(line);
      if (words.size() >= 3 && words[0].text == L"expect" && words[1].text == L"folder")
        return words[2].text;
    } catch (const ScriptError&) {
    }
    return std::nullopt;
  }

  // The folder the script went to last, up to line n.
  std::optional<std::wstring> FolderGoneTo(size_t n) const {
    for (size_t m = n + 1; m-- > 0;) try {
        auto words = SplitLine(options_.lines[m]);
        if (words.size() == 2 && words[0].text == L"folder") return words[1].text;
      } catch (const ScriptError&) {
      }
    return std::nullopt;
  }

  // Whether a folder named differs from the clean run's only where it holds (or lacks, or holds
  // otherwise) items named as things lost and told.
  static bool SameContents(const Groups& a, const Groups& b,
                           const std::pair<std::wstring, std::wstring>& where) {
    auto x = a.find(where), y = b.find(where);
    if (x == a.end() || y == b.end()) return x == a.end() && y == b.end();
    return x->second.size() == y->second.size() &&
           std::is_permutation(x->second.begin(), x->second.end(), y->second.begin());
  }

  bool FolderDiffersByALoss(size_t n, const std::vector<std::wstring>& names) const {
    auto clean = Kept(clean_.lines[n].store), now = Kept(faulted_->lines[n].store);
    std::set<std::wstring> subjects;
    for (const auto* groups : {&clean, &now})
      for (const auto& [where, items] : *groups)
        if (std::find(names.begin(), names.end(), where.first) != names.end() &&
            !SameContents(clean, now, where))
          subjects.insert(where.second);
    // Only a loss the user was told of: one found untold leaves what rests on it found too.
    for (const auto& subject : subjects) {
      bool lost = false;
      for (const auto& [folder, made] : madeBeyond_)
        lost = lost ||
               (made == subject && std::find(names.begin(), names.end(), folder) != names.end());
      for (const auto& [what, loss] : missing_)
        if (!found_.count(what))
          for (const auto& name : loss.names) lost = lost || name == subject;
      if (!lost) return false;
    }
    return !subjects.empty();
  }

  // Whether line n told the user that a thing is missing or not as it should be: by one of its
  // tells (kTellRules); for the line's own work, also by the command itself failing, or by a part
  // told not set up (at a start, or a window's set-up) naming the thing or what the line and its
  // answers name.
  // The tell that excuses it, or none.
  std::optional<std::wstring> TellOf(size_t n, const Thing& thing) const {
    const Look &clean = clean_.lines[n], &now = faulted_->lines[n];
    for (const auto& tell : Tells(n))
      if (Telling(tell, thing)) return tell;
    if (!thing.own) return std::nullopt;
    if (now.failed && !clean.failed) return L"the command failed";
    std::vector<std::wstring> named = thing.names;
    for (auto& name : NamesOfTheLine(n)) named.push_back(name);
    for (const auto& tell : partsTold_)
      if (NamesAny(tell, named)) return tell;
    return std::nullopt;
  }

  // Every excuse is printed for the reader of the run.
  bool ToldOf(size_t n, const std::wstring& what, const Thing& thing) const {
    auto tell = TellOf(n, thing);
    if (tell) Excused(n, what, L"told: " + *tell);
    return tell.has_value();
  }

  void Excused(size_t n, const std::wstring& what, const std::wstring& why) const {
    io_.out("  (not owed at line " + std::to_string(n + 1) + ": " + Utf8(what) + ", " + Utf8(why) +
            ")\n");
  }

  // A sent mail, or an expectation on what was sent, is told only by a box, a dialog or a
  // disabled control since the first fault naming it or its loss.
  // At the line it went (`anyLine`: any since the first fault) also by what says the sending
  // failed.
  bool ToldBeforeItLeft(size_t n, const std::wstring& what, const std::vector<std::wstring>& names,
                        bool anyLine = false) const {
    for (size_t m = *firstFaulted_; m <= n; ++m)
      for (const auto& tell : Tells(m))
        if (ShownNaming(tell, names) || ((m == n || anyLine) && ShownSendingFailed(tell))) {
          Excused(n, what, L"told before it left: " + tell);
          return true;
        }
    return false;
  }

  static bool Sent(const std::wstring& folder) {
    return LastName(folder) == L"Outbox" || LastName(folder) == L"Sent Items";
  }

  // What line n names, with the answers it takes (the lines just before it) and the label of the
  // ribbon control it clicks or looks at.
  std::vector<std::wstring> NamesOfTheLine(size_t n) const {
    std::vector<std::wstring> named;
    for (size_t m = n + 1; m-- > 0;) {
      if (m != n && !IsAnswer(options_.lines[m])) break;
      for (auto& name : LineNames(options_.lines[m])) named.push_back(name);
    }
    if (n < clean_.lines.size() && !clean_.lines[n].label.empty())
      named.push_back(clean_.lines[n].label);
    return named;
  }

  // A missing thing excuses only itself and what is made from it: what line n was to make is
  // not owed when the line, its answers or its ribbon control's label (and `named`) name a thing
  // lost before (a reply from a template that went, an import from where an export wrote
  // nothing). The loss that excuses it, or nothing.
  std::optional<std::wstring> MadeFromALoss(size_t n, std::vector<std::wstring> named = {}) const {
    for (auto& name : NamesOfTheLine(n)) named.push_back(name);
    for (const auto& [what, loss] : missing_)
      for (const auto& name : named)
        for (const auto& lost : loss.names)
          if (Contains(name, lost)) return what;
    return std::nullopt;
  }

  // Every item and registry value the clean run has after line n is there (a mail the clean
  // run sent may be in the outbox, sent, or kept in the drafts), or the line that lost it told
  // the user. Each thing is judged at the first line it is missing, again once it came back.
  // Whether the faulted line made an item of a folder and subject beyond what the clean run has
  // there.
  static bool MadeBeyond(const Groups& before, const Groups& have, const Groups& clean) {
    for (const auto& [where, items] : have)
      if (items.size() > CountAt(before, where) && items.size() > CountAt(clean, where))
        return true;
    return false;
  }

  // Whether a line since the first fault, before line n, told the user anything.
  bool ToldBefore(size_t n) const {
    for (size_t m = *firstFaulted_; m < n; ++m)
      if (!Tells(m).empty()) return true;
    return false;
  }

  // Whether the clean run made, on this line, a new item in `folder` other than `where` that
  // the faulted run lacks: the faulted run's new item took an earlier free name instead.
  static bool Shifted(const std::wstring& folder,
                      const std::pair<std::wstring, std::wstring>& where, const Groups& after,
                      const Groups& before, const Groups& have) {
    for (const auto& [other, wanted] : after)
      if (other.first == folder && other != where && wanted.size() > CountAt(before, other) &&
          CountAt(have, other) < wanted.size())
        return true;
    return false;
  }

  // Whether what line n was to make and did not (or made otherwise) is excused before any tell:
  // judging stopped, or it is made from a loss. Excused, it is a loss of its own, named for the
  // reader (what is made from it is excused in turn).
  bool Owed(size_t n, const std::wstring& what, const Loss& loss) {
    if (missing_.count(what)) return true;  // judged when it went
    std::optional<std::wstring> from = stopped_;
    if (!from) from = MadeFromALoss(n);
    if (!from) return false;
    missing_.emplace(what, loss);
    io_.out("  (not owed: " + Utf8(what) + ", made from: " + Utf8(*from) + ")\n");
    return true;
  }

  // The clean line's new item of a folder is not made where the faulted line's own took an
  // earlier name left free (free name): it is that item under another name.
  bool TookTheFreeName(size_t n, const std::wstring& folder) const {
    for (const auto& [where, line] : freed_)
      if (where.first == folder && line == n) return true;
    return false;
  }

  void CheckKept(size_t n, const Look& cleanBefore, const Look& clean, const Look& now,
                 const Store& base) {
    auto before = Kept(cleanBefore.store), after = Kept(clean.store), have = Kept(now.store),
         untouched = Kept(base);
    const Look& faultedBefore = n == 0 ? faulted_->start : faulted_->lines[n - 1];
    const bool parted = parted_;
    auto at = [](const Groups& m, const std::pair<std::wstring, std::wstring>& where) {
      auto it = m.find(where);
      return it == m.end() ? std::vector<Content>() : it->second;
    };
    auto drafts = [](const std::wstring& folder) {
      return LastName(folder) == L"Drafts" || LastName(folder) == L"Tanvelo Drafts";
    };
    // Items there first: one that took a free name shifts the clean run's next one (free name).
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& [where, wanted] : after) {
        const auto& [folder, subject] = where;
        std::vector<Content> there = at(have, where);
        std::wstring name = LastName(folder);
        bool keptWhole = false;
        // A mail sent may be sent elsewhere, or kept whole in the drafts (one draft keeps what
        // was to go out as separate mails).
        // Without the program's drafts folder a draft is kept in Drafts, as designed.
        if (drafts(folder))
          for (const auto& [otherWhere, others] : have)
            if (otherWhere.first != folder && otherWhere.second == subject &&
                drafts(otherWhere.first))
              there.insert(there.end(), others.begin(), others.end());
        if (name == L"Outbox" || name == L"Sent Items")
          for (const auto& [otherWhere, others] : have)
            if (otherWhere.first != folder && otherWhere.second == subject) {
              std::wstring other = LastName(otherWhere.first);
              if (other == L"Outbox" || other == L"Sent Items")
                there.insert(there.end(), others.begin(), others.end());
              if (drafts(otherWhere.first)) keptWhole = true;
            }
        std::wstring what = L"item " + folder + L"/" + subject;
        if ((there.size() >= wanted.size() || keptWhole) != (pass == 0)) continue;
        // A mail kept in the drafts is judged at the end (told or not); from here on the runs
        // part ways, as after any loss judged.
        if (keptWhole) {
          missing_.emplace(what, Loss{{subject}, {}});
          Excused(n, what, L"kept whole in the drafts, judged at the end");
          continue;
        }
        if (there.size() >= wanted.size()) {
          if (missing_.erase(what)) {
            // Never made (the user told), its name was free: a line that makes a new item there
            // gives it that name, where the clean run gave its own new item the next one. That is
            // the line's item under a shifted name, not the clean run's item come back.
            if (notMade_.count(what) && Shifted(folder, where, after, before, have))
              freed_[where] = n;
            else if (auto g = gone_.find(what); g != gone_.end())
              back_[where] = std::move(g->second);
            gone_.erase(what);
          }
          if (freed_.count(where)) {
            Excused(n, what, L"the line's own item under a name left free");
            continue;
          }
          CheckContent(n, where, wanted, there, at(before, where), at(untouched, where));
          continue;
        }
        std::vector<std::wstring> names;
        if (subject != L"(no subject)") names.push_back(subject);
        bool own = wanted.size() > at(before, where).size();
        if (missing_.count(what)) continue;  // judged when it went
        gone_[what] = wanted;
        if (own) notMade_.insert(what);
        if (own && TookTheFreeName(n, folder)) {
          missing_.emplace(what, Loss{names, {}});
          Excused(n, what, L"its name taken by the line's own item");
          continue;
        }
        if (own && Owed(n, what, {names, {}})) continue;
        missing_.emplace(what, Loss{names, {}});
        // Made where its folder is not: the folder's loss, told, is this item's.
        if (auto told = FolderToldNotMade(folder, FoldersAfter(n), TellsUpTo(n))) {
          Excused(n, what, L"its folder " + folder + L" is not there, told: " + *told);
          continue;
        }
        if (ToldOf(n, what, {names, kItemWords, true, own})) continue;
        FindOnce(n, what,
                 L"\"" + subject + L"\" in " + folder + (own ? L" was not made" : L" was lost") +
                     L", and the user was told nothing");
      }
    // A mail left beyond the clean run's (sent twice, or sent where the clean run kept it):
    // what has left is told only by what the user saw naming it.
    auto sent = [](const Groups& groups) {
      std::map<std::wstring, size_t> count;
      for (const auto& [where, items] : groups)
        if (Sent(where.first)) count[where.second] += items.size();
      return count;
    };
    auto sentClean = sent(after), sentBefore = sent(Kept(faultedBefore.store));
    for (const auto& [subject, count] : sent(have)) {
      std::wstring what = L"sent " + subject;
      if (count <= sentClean[subject] || count <= sentBefore[subject] || found_.count(what))
        continue;
      if (ToldBeforeItLeft(n, what, {subject})) continue;
      FindOnce(n, what,
               L"\"" + subject + L"\" left " + std::to_wstring(count) +
                   L" time(s), the clean run " + std::to_wstring(sentClean[subject]) +
                   L", and the user was told nothing");
    }
    for (const auto& [key, value] : clean.registry) {
      if (value == "(key)") continue;  // a key is there when its values are
      auto it = now.registry.find(key);
      std::wstring what = L"registry value " + FromUtf8(key);
      if ((it != now.registry.end() && it->second == value) ||
          (it == now.registry.end() && ReadsTheSameAbsent(key, value))) {
        missing_.erase(what);
        continue;
      }
      if (missing_.count(what)) continue;  // judged when it went
      auto was = cleanBefore.registry.find(key);
      bool own = was == cleanBefore.registry.end() || was->second != value;
      // The line did work the clean line did not (an item of its own beyond the clean run's),
      // the runs parted by a failure told before: what that work wrote is its own.
      if (parted) {
        auto had = faultedBefore.registry.find(key);
        if (had == faultedBefore.registry.end() || it == now.registry.end() ||
            had->second != it->second) {
          missing_.emplace(what, Loss{{}, {}});
          Excused(n, what, L"written by work the clean line did not do");
          continue;
        }
      }
      // Named by its value's name, or its key's; EntryIDs stand as what they name.
      std::wstring path = FromUtf8(key);
      std::vector<std::wstring> names;
      std::set<std::wstring> kinds = kRegistryWords;
      for (size_t from = 0; from <= path.size();) {
        size_t to = std::min(path.find(L'\\', from), path.size());
        std::wstring part = path.substr(from, to - from);
        if (part.size() >= 2 && part.front() == L'<' && part.back() == L'>')
          part = LastName(part.substr(1, part.size() - 2));
        // "LANG_" is named as "lang"
        while (!part.empty() && !std::iswalnum(part.back())) part.pop_back();
        if (!part.empty()) names.push_back(part);
        from = to + 1;
      }
      if (names.size() > 2) names.erase(names.begin(), names.end() - 2);  // the key and value
      // The add-in's own keys hold every value: naming them names none.
      std::erase_if(names, [](const std::wstring& part) {
        return part == L"Software" || part == L"Norvane" || part == L"Tanvelo";
      });
      // A value holding an EntryID is named by what it names too ("Tanvelo Drafts"), in either
      // run: a default left on a template is told by what names that template. Only what reads
      // the value itself is made from it, never what is made in the folder it names.
      const std::vector<std::wstring> keyNames = names;
      for (const std::string* held : {&value, it == now.registry.end() ? nullptr : &it->second}) {
        if (!held) continue;
        std::wstring data = FromUtf8(*held);
        for (size_t open = data.find(L'<'); open != std::wstring::npos;
             open = data.find(L'<', open + 1))
          if (size_t close = data.find(L'>', open); close != std::wstring::npos)
            names.push_back(LastName(data.substr(open + 1, close - open - 1)));
      }
      if (own && Owed(n, what, {keyNames, {}})) continue;
      missing_.emplace(what, Loss{keyNames, {}});
      if (ToldOf(n, what, {names, kinds, it == now.registry.end(), own})) continue;
      auto show = [](const std::string* v) {
        return v ? L"\"" + FromUtf8(v->size() > 200 ? v->substr(0, 200) + "..." : *v) + L"\""
                 : std::wstring(L"absent");
      };
      FindOnce(n, what,
               what + L" is " + show(it == now.registry.end() ? nullptr : &it->second) +
                   L", the clean run has " + show(&value) +
                   (own ? L" (written by the line)" : L"") + L", and the user was told nothing");
    }
    // Files and folders on C: (an export's documents): there with the clean run's bytes, or
    // told by the line that lost or changed them; named by the file's name without its
    // extension (a template's subject).
    for (const auto& [name, bytes] : clean.files) {
      std::wstring what = L"file " + FromUtf8(name);
      auto it = now.files.find(name);
      if (it != now.files.end() && it->second == bytes) {
        missing_.erase(what);
        continue;
      }
      if (missing_.count(what)) continue;  // judged when it went
      bool own = !cleanBefore.files.count(name);
      std::wstring file = FromUtf8(std::filesystem::path(name).filename().string());
      std::wstring stem = FromUtf8(std::filesystem::path(name).stem().string());
      if (own && Owed(n, what, {{file, stem}, {}})) continue;
      missing_.emplace(what, Loss{{file, stem}, {}});
      if (ToldOf(n, what, {{file, stem}, kFileWords, it == now.files.end(), own})) continue;
      FindOnce(n, what,
               what +
                   (it != now.files.end() ? L" differs from the clean run's"
                    : own                 ? L" was not made"
                                          : L" was lost") +
                   L", and the user was told nothing");
    }
  }

  // The items of one folder and subject hold what the clean run's do: what the clean run made
  // or changed since the first fault (the rest is compared by EntryID), field by field.
  // A copy carries its source's difference (a duplicate of a template whose favourite mark was
  // not set): an item the line made that differs only where a thing lost differs, each field
  // alike, is made from that loss.
  bool CarriesTheDifferenceOfALoss(size_t n, const std::wstring& what, const Loss& loss) {
    if (loss.fields.empty()) return false;
    for (const auto& [lostWhat, lost] : missing_) {
      bool each = true;
      for (const auto& [field, values] : loss.fields) {
        auto it = lost.fields.find(field);
        each = each && it != lost.fields.end() && it->second == values;
      }
      if (!each) continue;
      missing_.emplace(what, loss);
      io_.out("  (not owed at line " + std::to_string(n + 1) + ": " + Utf8(what) +
              ", a copy of: " + Utf8(lostWhat) + ")\n");
      return true;
    }
    return false;
  }

  void CheckContent(size_t n, const std::pair<std::wstring, std::wstring>& where,
                    const std::vector<Content>& wanted, const std::vector<Content>& there,
                    const std::vector<Content>& before, const std::vector<Content>& untouched) {
    const auto& [folder, subject] = where;
    std::wstring what = L"content " + folder + L"/" + subject;
    auto unmatched = Beyond(Beyond(wanted, untouched), Beyond(there, untouched));
    // Made again after it went (the user told, or found): what the clean run did to it while
    // it was gone is not owed; each field holds the clean run's now or as it was when it went.
    if (auto b = back_.find(where); b != back_.end())
      std::erase_if(unmatched, [&](const Content& want) {
        for (const auto& have : there)
          for (const auto& went : b->second)
            if (EachFieldFrom(have, want, went)) return true;
        return false;
      });
    if (unmatched.empty()) {
      missing_.erase(what);
      return;
    }
    if (missing_.count(what)) return;  // judged when it went
    bool own = !Beyond(unmatched, before).empty();
    std::vector<std::wstring> names;
    if (subject != L"(no subject)") names.push_back(subject);
    // The nearest of what the faulted run has instead, to tell in what it differs.
    std::vector<std::string> fields;
    Loss loss{names, {}};
    for (const auto& other : Beyond(there, wanted)) {
      auto differ = Differing(unmatched.front(), other);
      if (fields.empty() || differ.size() < fields.size()) {
        fields = differ;
        loss.fields = FieldsApart(unmatched.front(), other);
      }
    }
    // What has left cannot be taken back: only what the user saw excuses it.
    const bool left = Sent(folder);
    if (!left && own && CarriesTheDifferenceOfALoss(n, what, loss)) return;
    if (!left && own && Owed(n, what, loss)) return;
    missing_.emplace(what, loss);
    if (left ? ToldBeforeItLeft(n, what, names) : ToldOf(n, what, {names, {}, false, own})) return;
    std::wstring in;
    for (const auto& field : fields) in += (in.empty() ? L"" : L", ") + FromUtf8(field);
    if (!fields.empty()) {  // what the first holds, for the reader
      auto show = [&](const Content& c) {
        auto it = c.find(fields.front());
        std::string v = it == c.end() ? "absent" : "\"" + Printable(it->second) + "\"";
        return FromUtf8(v.size() > 160 ? v.substr(0, 160) + "..." : v);
      };
      in += L": the clean run's " + show(unmatched.front());
    }
    FindOnce(n, what,
             L"\"" + subject + L"\" in " + folder + L" differs from the clean run's" +
                 (in.empty() ? L"" : L" (" + in + L")") +
                 (own ? L" (made or changed by the line)" : L"") +
                 L", and the user was told nothing");
  }

  void CheckItems(size_t n, const Store& clean, const Store& now, const Store* base) {
    const Store& expected = base ? *base : clean;
    for (const auto& [id, held] : expected.items) {
      if (base) {
        auto c = clean.items.find(id);
        if (c == clean.items.end() || c->second.first != held.first ||
            !Same(c->second.second, held.second))
          continue;  // the clean run changed it since: owned by a command the faults reached
      }
      std::wstring where =
          L"\"" + Subject(held.second) + L"\" in " + expected.folderNames.at(held.first);
      auto f = now.items.find(id);
      if (f == now.items.end())
        FindOnce(n, L"item " + id, where + L" was lost");
      else if (f->second.first != held.first || !Same(f->second.second, held.second))
        FindOnce(n, L"item " + id, where + L" was changed or moved");
    }
    if (!base)  // no fault yet: the runs are the same
      for (const auto& [id, held] : now.items)
        if (!clean.items.count(id))
          FindOnce(n, L"item " + id,
                   L"\"" + Subject(held.second) + L"\" appeared in " +
                       now.folderNames.at(held.first) + L" before any fault");
  }

  // The first name in a text (as ByIdentity writes them, "<path/subject>") that the store holds
  // no item or folder of.
  static std::optional<std::string> NamesAnItemNotIn(const std::string& text, const Store& store) {
    std::set<std::string> names;
    for (const auto& [id, path] : store.folderPaths) names.insert("<" + Utf8(path) + ">");
    for (const auto& [id, held] : store.items)
      names.insert("<" + Utf8(store.folderPaths.at(held.first)) + "/" + Utf8(Subject(held.second)) +
                   ">");
    for (size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open + 1)) {
      size_t close = text.find('>', open);
      if (close == std::string::npos) break;
      std::string name = text.substr(open, close - open + 1);
      if (!names.count(name)) return name;
    }
    return std::nullopt;
  }

  void CheckValues(size_t n, const std::wstring& kind,
                   const std::map<std::string, std::string>& clean,
                   const std::map<std::string, std::string>& now,
                   const std::map<std::string, std::string>* base,
                   const std::map<std::string, std::string>* ownWork = nullptr,
                   const Store* cleanStore = nullptr) {
    auto at = [](const std::map<std::string, std::string>& m, const std::string& k) {
      auto it = m.find(k);
      return it == m.end() ? std::optional<std::string>() : it->second;
    };
    std::set<std::string> keys;
    for (auto* m : {&clean, &now, base})
      if (m)
        for (const auto& [k, v] : *m) keys.insert(k);
    for (const auto& k : keys) {
      auto c = at(clean, k), f = at(now, k);
      // What the clean run changed since is compared with what the line told (CheckKept).
      if (base && at(*base, k) != c) continue;
      if (c == f) continue;
      // Written by the line's own extra work: judged, not found (a later line leaves it so).
      if (ownWork && at(*ownWork, k) != f) {
        if (found_.insert(kind + L" " + FromUtf8(k)).second)
          Excused(n, kind + L" " + FromUtf8(k), L"written by work the clean line did not do");
        continue;
      }
      // A value the faulted run alone has, keyed by or holding an item the clean run has not (a
      // usage record of a template filed under another name): it follows that item.
      if (base && !c && cleanStore) {
        if (auto other = NamesAnItemNotIn(k + " " + *f, *cleanStore)) {
          if (found_.insert(kind + L" " + FromUtf8(k)).second)
            Excused(n, kind + L" " + FromUtf8(k),
                    L"names what the clean run has not: " + FromUtf8(*other));
          continue;
        }
        // Written beyond the clean run's by a line that told the user (a record of the samples
        // left for the next start, under the box that says so).
        std::wstring path = FromUtf8(k);
        std::vector<std::wstring> names;
        for (size_t i = 0, from = path.size(); i < 2 && from > 0; ++i) {
          size_t slash = path.rfind(L'\\', from - 1);
          size_t start = slash == std::wstring::npos ? 0 : slash + 1;
          names.push_back(path.substr(start, from - start));
          from = slash == std::wstring::npos ? 0 : slash;
        }
        if (ToldOf(n, kind + L" " + path, {names, kRegistryWords, false, true})) {
          found_.insert(kind + L" " + path);
          continue;
        }
      }
      auto show = [](const std::optional<std::string>& v) {
        return v ? L"\"" + FromUtf8(v->size() > 200 ? v->substr(0, 200) + "..." : *v) + L"\""
                 : std::wstring(L"absent");
      };
      FindOnce(n, kind + L" " + FromUtf8(k),
               kind + L" " + FromUtf8(k) + L" is " + show(f) + L", the clean run has " + show(c));
    }
  }

  // A passing copy (named as one, or left in Deleted Items) never stays. A mail the user
  // was making may stay in the drafts (its sending failed, or without the program's drafts
  // folder it is kept in Drafts), once the user was told something went wrong.
  void CheckTemporaryItems(const Pass& faulted) {
    auto count = [](const auto& items) {
      std::pair<int, int> n;  // passing copies, the user's drafts
      for (const auto& [folder, subject] : items)
        ++(subject.starts_with(mTanvelo::kTempItemPrefix) || folder == L"Deleted Items" ? n.first
                                                                                        : n.second);
      return n;
    };
    auto made = NewTemporaryItems(faulted.start.store, faulted.after);
    auto clean = count(NewTemporaryItems(clean_.start.store, clean_.after)), now = count(made);
    bool told = false;
    for (const auto& look : faulted.lines) told = told || look.told;
    if (now.first > clean.first || (now.second > clean.second && !told)) {
      // What the clean run did not leave (by folder and subject), and its true count.
      auto beyond = made;
      for (const auto& left : NewTemporaryItems(clean_.start.store, clean_.after)) {
        auto same = std::find(beyond.begin(), beyond.end(), left);
        if (same != beyond.end()) beyond.erase(same);
      }
      std::wstring where;
      for (const auto& [folder, subject] : beyond)
        where += (where.empty() ? L"" : L", ") + folder + L" \"" + subject + L"\"";
      Find(-1, std::to_wstring(beyond.size()) + L" item(s) left in the drafts and deleted items: " +
                   where);
    }
  }

  // Once the faults stop, the script's steps work again: played once more (Outlook started
  // again if the script left it ended, and a `start` skipped while it runs), they log no more
  // errors than the clean run did, and nothing reaches Outlook.
  void Recover(Session& session) {
    for (const auto& entry : support::library::Log())
      if (IsError(entry))
        io_.out("[logged] " + Utf8(entry.procedure) + ": " + Utf8(entry.text) + " (" +
                std::to_string(entry.errorNumber) + ")\n");
    io_.out("-- the faults stop; the script's steps again\n");
    std::vector<std::wstring> logged;
    std::vector<std::wstring> errorsOut;
    auto play = [&](const std::wstring& line, size_t n) {
      LogMark mark = MarkLog();
      size_t before = session.AddinErrors().size();
      uint64_t host = session.Hosts();
      PlayLine(session, line, n);
      if (options_.afterLine) options_.afterLine(session, options_.lines.size() + n);
      for (auto& e : ErrorsSince(mark)) logged.push_back(std::move(e));
      auto out = session.AddinErrors();
      for (size_t i = session.Hosts() != host ? 0 : before; i < out.size(); ++i)
        errorsOut.push_back(out[i]);
    };
    if (session.QuitRequested()) play(L"start", options_.lines.size());
    for (size_t n = 0; n < options_.lines.size(); ++n) {
      bool lifecycle = Lifecycle(options_.lines[n]);
      if (lifecycle && SplitLine(options_.lines[n])[0].text == L"start" && !session.QuitRequested())
        continue;
      play(options_.lines[n], n);
    }
    // A templates folder that could not be found or made at the start is told to the user
    // then, and the add-in goes on without it until the next start: its commands log that.
    // So does a language file that could not be read: its texts are missing until then.
    bool toldAtStart = (clean_.templatesFolder && !g_oTemplatesFolder) ||
                       (clean_.languageLoaded && !(g_oLang && !g_oLang->Filename().empty()));
    if (logged.size() > clean_.loggedErrors) {
      for (const auto& e : logged) io_.out(Utf8(e) + "\n");
      if (!toldAtStart)
        Find(-1, L"once the faults stopped the script's steps logged " +
                     std::to_wstring(logged.size()) + L" error(s), the clean run " +
                     std::to_wstring(clean_.loggedErrors));
    }
    if (!errorsOut.empty())
      Find(-1, L"once the faults stopped an error reached Outlook: " + errorsOut.back());
  }

  void Find(ptrdiff_t line, const std::wstring& text) {
    findings_.push_back((line >= 0 ? L"line " + std::to_wstring(line + 1) + L": " : L"") + text);
  }

  // One finding for a thing, at the first line it shows.
  void FindOnce(size_t line, const std::wstring& what, const std::wstring& text) {
    if (found_.insert(what).second) Find(static_cast<ptrdiff_t>(line), text);
  }

  const FaultRunOptions& options_;
  const ProgramIo& io_;
  Pass clean_;
  const Pass* faulted_ = nullptr;
  std::optional<size_t> firstFaulted_;
  std::vector<std::wstring> partsTold_;   // since the first fault, tells of a part not set up
  std::optional<std::wstring> stopped_;   // why what later lines make is judged no more
  std::map<std::wstring, Loss> missing_;  // things missing now, judged when they went
  std::map<std::wstring, std::vector<Content>> gone_;  // items missing: the clean run's then
  // Items made again after they went: the clean run's contents when they went.
  std::map<std::pair<std::wstring, std::wstring>, std::vector<Content>> back_;
  bool parted_ = false;  // the line playing did work the clean line did not, after a tell
  std::set<std::pair<std::wstring, std::wstring>> madeBeyond_;  // what that work made
  std::set<std::wstring> notMade_;  // items judged missing where the clean run made them
  // Names a later line's own item took, shifted by an item not made before: not compared.
  std::map<std::pair<std::wstring, std::wstring>, size_t> freed_;  // and the line that took it
  std::vector<std::wstring> shown_;                                // in the line playing
  std::set<std::wstring> found_;
  std::vector<std::wstring> findings_;
  uint64_t raised_ = 0;  // faults the faulted run raised
  bool letGo_ = false;   // the templates folder let go as designed, said once
};

}  // namespace

int RunUnderFaults(const FaultRunOptions& options, const ProgramIo& io) {
  return Runner(options, io).Run();
}

}  // namespace host
