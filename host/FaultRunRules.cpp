#include "host/FaultRunRules.h"

#include <cwctype>
#include <map>

namespace host::judge {

std::set<std::wstring> Words(const std::wstring& text) {
  std::set<std::wstring> words;
  std::wstring word;
  for (size_t i = 0; i <= text.size(); ++i) {
    wchar_t c = i < text.size() ? text[i] : L' ';
    bool split =
        !std::iswalnum(c) || (std::iswupper(c) && !word.empty() && std::iswlower(word.back()) != 0);
    if (split && !word.empty()) {
      for (auto& w : word) w = static_cast<wchar_t>(std::towlower(w));
      words.insert(word);
      word.clear();
    }
    if (std::iswalnum(c)) word += c;
  }
  return words;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  auto lower = [](std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
  };
  return part.size() >= 3 && lower(text).find(lower(part)) != std::wstring::npos;
}

bool HasWordOf(const std::wstring& text, const std::set<std::wstring>& words) {
  for (const auto& word : Words(text))
    if (words.count(word)) return true;
  return false;
}

// The quoted texts of a tell ("the duplicate "information request1" was not made").
std::vector<std::wstring> Quoted(const std::wstring& tell) {
  std::vector<std::wstring> quoted;
  for (size_t open = tell.find(L'"'); open != std::wstring::npos;) {
    size_t close = tell.find(L'"', open + 1);
    if (close == std::wstring::npos) break;
    quoted.push_back(tell.substr(open + 1, close - open - 1));
    open = tell.find(L'"', close + 1);
  }
  return quoted;
}

bool NamesAny(const std::wstring& text, const std::vector<std::wstring>& names) {
  for (const auto& name : names)
    if (Contains(text, name)) return true;
  return false;
}

// An error logged by an event handler ("mExplorer.Explorer_Tanvelo", "mInspector::Tanvelo_Click"):
// the user's action failed as a whole, not a step inside it that it went on without.
bool EventHandler(const std::wstring& logged) {
  std::wstring procedure = logged.substr(0, logged.find(L": "));
  size_t from = 0;
  for (size_t at : {procedure.rfind(L"::"), procedure.rfind(L'.')})
    if (at != std::wstring::npos) from = std::max(from, at);
  return procedure.find(L'_', from) != std::wstring::npos;
}

namespace {

// Words saying a thing was not done or not kept ("could not be made", "refused", "lost").
const std::set<std::wstring> kNotDone = {L"not",     L"no",     L"cannot", L"failed",  L"fail",
                                         L"refused", L"lost",   L"unable", L"without", L"skipped",
                                         L"missing", L"undone", L"couldn", L"cant",    L"neither"};
// Words of undoing: a removal not done leaves its thing there, so it tells nothing of it gone.
const std::set<std::wstring> kRemoval = {L"removal", L"remove",   L"removed",  L"delete",
                                         L"deleted", L"deletion", L"discard",  L"discarded",
                                         L"clear",   L"cleared",  L"undelete", L"removing"};

// A tell quoting something other than the thing speaks of that other thing.
bool NamesAnother(const std::wstring& tell, const std::vector<std::wstring>& names) {
  for (const auto& quoted : Quoted(tell)) {
    bool same = false;
    for (const auto& name : names) same = same || Contains(quoted, name) || Contains(name, quoted);
    if (!same) return true;
  }
  return false;
}

// Whether a tell says its thing was not done or not kept; an undoing not done leaves its thing
// there, so it tells nothing of that thing gone.
bool SaysUndone(const std::wstring& tell, const Thing& thing) {
  return HasWordOf(tell, kNotDone) && !(thing.gone && HasWordOf(tell, kRemoval));
}

// A tell that only doubts ("whether "Team lunch" is the default is not known", "its caption may
// be wrong") says nothing was lost.
bool SaysUnsure(const std::wstring& tell) {
  return Contains(tell, L"not known") || Contains(tell, L"may be") || Contains(tell, L"whether");
}

// Every way one tell of a line tells a thing, with the planted case that pins it.
const TellRule kTellRules[] = {
    {"it names the thing and says it was not done or not kept (not merely doubts it); an undoing "
     "not done leaves its thing there",
     "FaultRunRules.EachTellRuleBothWays; FaultRun.EachRuleIsPinnedBothWaysByAPlantedCase",
     [](const std::wstring& tell, const Thing& thing) {
       return NamesAny(tell, thing.names) && SaysUndone(tell, thing) && !SaysUnsure(tell);
     }},
    {"the line's own work: a box, a dialog or a disabled control meets the user at the command",
     "FaultRunRules.EachTellRuleBothWays; FaultRun.ALossIsToldOnlyByTheLineMakingItOrByWhatNamesIt",
     [](const std::wstring& tell, const Thing& thing) {
       return thing.own && !tell.starts_with(L"[logged] ");
     }},
    {"the line's own work: an error of its kind of work that says it was not done and names "
     "nothing else (side work failing, a command merely not offered, is no work undone)",
     "FaultRunRules.EachTellRuleBothWays; FaultRun.EachRuleIsPinnedBothWaysByAPlantedCase",
     [](const std::wstring& tell, const Thing& thing) {
       return thing.own && HasWordOf(tell, thing.kinds) && SaysUndone(tell, thing) &&
              !SideWork(tell) && !SaysUnsure(tell) && !NamesAnother(tell, thing.names);
     }},
    {"the line's own work: an event handler's error that names nothing (the action failed whole; "
     "a ribbon callback drawing a control is side work)",
     "FaultRunRules.EachTellRuleBothWays; FaultRun.EachRuleIsPinnedBothWaysByAPlantedCase",
     [](const std::wstring& tell, const Thing& thing) {
       return thing.own && EventHandler(tell) && Quoted(tell).empty() && !SideWork(tell);
     }},
};

}  // namespace

bool SideWork(const std::wstring& tell) {
  if (!tell.starts_with(L"[logged] ")) return false;
  if (Contains(tell, L"not offered")) return true;
  std::wstring procedure = tell.substr(0, tell.find(L": "));
  for (const wchar_t* side : {L"GetEnabled", L"GetVisible", L"GetLabel", L"GetImage", L"GetContent",
                              L"Tree", L"FillNode", L"UpdateButtons"})
    if (Contains(procedure, side)) return true;
  return false;
}

bool ShownAlsoClean(const std::wstring& shown, const std::vector<std::wstring>& cleanShown) {
  // A dialog's caption line ([dialog] NAME "caption"), not what it says.
  auto form = [](const std::wstring& line) {
    if (!line.starts_with(L"[dialog] ")) return std::wstring();
    size_t space = line.find(L' ', 9);
    if (space == std::wstring::npos || line.compare(space, 2, L" \"") != 0) return std::wstring();
    return line.substr(0, space);
  };
  if (form(shown).empty()) return false;
  for (const auto& clean : cleanShown)
    if (form(clean) == form(shown) && clean != shown) return true;
  return false;
}

bool ShownNaming(const std::wstring& tell, const std::vector<std::wstring>& names) {
  return !tell.starts_with(L"[logged] ") && NamesAny(tell, names);
}

bool ShownSendingFailed(const std::wstring& tell) {
  static const std::set<std::wstring> kMail = {L"message", L"messages", L"mail",   L"mails",
                                               L"send",    L"sent",     L"sending"},
                                      kFailed = {L"stopped", L"error"};
  return !tell.starts_with(L"[logged] ") && HasWordOf(tell, kMail) &&
         (SaysNotDone(tell) || HasWordOf(tell, kFailed));
}

bool SaysNotDone(const std::wstring& text) {
  return HasWordOf(text, kNotDone);
}

std::span<const TellRule> TellRules() {
  return kTellRules;
}

const TellRule* Telling(const std::wstring& tell, const Thing& thing) {
  for (const auto& rule : kTellRules)
    if (rule.tells(tell, thing)) return &rule;
  return nullptr;
}

std::optional<std::wstring> FolderToldNotMade(const std::wstring& folder,
                                              const std::set<std::wstring>& folders,
                                              const std::vector<std::wstring>& tells) {
  if (folder.empty() || folders.count(folder)) return std::nullopt;
  std::wstring name = folder.substr(folder.rfind(L'/') + 1);
  for (const auto& tell : tells)
    if (Contains(tell, name) && SaysNotDone(tell)) return tell;
  return std::nullopt;
}

bool ShowsAFolderLost(const std::wstring& cleanShows, const std::wstring& nowShows,
                      const std::set<std::wstring>& folders,
                      const std::vector<std::wstring>& tells) {
  return cleanShows != nowShows && FolderToldNotMade(cleanShows, folders, tells).has_value();
}

// Options the add-in writes as it reads them, and the toolbar positions a window's bars keep,
// holding what their absence reads as: absent, they read the same, and the user sees no
// difference (a window that got no toolbars saves no positions).
bool ReadsTheSameAbsent(const std::string& key, const std::string& data) {
  static const std::string kZero = "4 \\x00\\x00\\x00\\x00", kOne = "4 \\x01\\x00\\x00\\x00",
                           kThree = "4 \\x03\\x00\\x00\\x00";
  static const std::map<std::string, std::string> kAsAbsent = {
      {"dbgShowOldControlsOn2007", kZero},
      {"dbgShowOldControlsOn2010", kZero},
      {"UseDebugButton", kZero},
      {"UseKeyboardHook", kOne},
      {"toolbar.Left", kZero},
      {"toolbar.Top", kZero},
      {"toolbar.Position", kOne},  // docked at the top
      {"toolbar.RowIndex", kThree},
      {"barInsert.Left", kZero},
      {"barInsert.Top", kZero},
      {"barInsert.Position", kOne},
      {"barInsert.RowIndex", kThree}};
  auto it = kAsAbsent.find(key.substr(key.rfind('\\') + 1));
  return it != kAsAbsent.end() && it->second == data;
}

const std::set<std::wstring> kItemWords = {
    L"template", L"templates", L"mail",   L"send",    L"sent",   L"reply",    L"forward", L"draft",
    L"drafts",   L"message",   L"folder", L"folders", L"import", L"document", L"word"};
const std::set<std::wstring> kFileWords = {L"file",   L"files", L"folder",  L"export",
                                           L"import", L"word",  L"document"};
const std::set<std::wstring> kRegistryWords = {L"registry", L"reg",      L"hotkey",
                                               L"hotkeys",  L"option",   L"options",
                                               L"setting",  L"settings", L"default"};

}  // namespace host::judge
