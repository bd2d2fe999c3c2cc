// The fault run's rules of what tells a loss and what reads the same absent: each way a
// difference from the clean run may be excused by what the user was told, in one place, with
// the planted case that pins it (FaultRunTest). The run's other excuses (a start, a free name,
// a line doing more, what is made from a loss) are the Runner's, in host/FaultRun.cpp.
#pragma once

#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace host::judge {

// Words of a text, split at non-letters and where a lower-case letter meets a capital
// ("NewTemplateFromMail": new, template, from, mail), lower-cased.
std::set<std::wstring> Words(const std::wstring& text);
// Whether `text` holds `part` (of 3 letters or more), whatever the case.
bool Contains(const std::wstring& text, const std::wstring& part);
bool HasWordOf(const std::wstring& text, const std::set<std::wstring>& words);
bool NamesAny(const std::wstring& text, const std::vector<std::wstring>& names);
// Whether a text says something was not done or not kept ("could not be made", "refused").
bool SaysNotDone(const std::wstring& text);
// A logged failure of side work: a picker's tree, a ribbon callback drawing a control, a command
// not offered. It tells of that side work only, never of what the line itself was to make.
bool SideWork(const std::wstring& tell);
// What has left (a sent mail) is told only by what the user saw at the line: a box, a dialog or
// a disabled control naming it; a log line excuses no sent mail.
bool ShownNaming(const std::wstring& tell, const std::vector<std::wstring>& names);
// ...or, at the line the mail went, by what the user saw saying the message was not sent whole
// ("Sending stopped because of an error: 1 of 2 messages went out").
bool ShownSendingFailed(const std::wstring& tell);
// A dialog the clean line showed too, under another caption ("Hotkey for %s"): the same window,
// which tells the user of no loss.
bool ShownAlsoClean(const std::wstring& shown, const std::vector<std::wstring>& cleanShown);
// The quoted texts of a tell ("the duplicate "information request1" was not made").
std::vector<std::wstring> Quoted(const std::wstring& tell);
// An error logged by an event handler ("mExplorer.Explorer_Tanvelo", "mInspector::Tanvelo_Click").
bool EventHandler(const std::wstring& logged);

// The words a tell may use for the kind of thing a command was doing.
extern const std::set<std::wstring> kItemWords, kFileWords, kRegistryWords;

// A thing judged missing or not as the clean run's: the names a tell may use for it, the words
// of the kind of work that makes it, whether it is gone (not merely different), and whether the
// line was making or changing it (its own work).
struct Thing {
  std::vector<std::wstring> names;
  std::set<std::wstring> kinds;
  bool gone = false;
  bool own = false;
};

// One way a tell of a line (a box, a dialog, a disabled control met, "[logged] procedure: text"
// for an error, each beyond the clean line's) tells a thing.
struct TellRule {
  const char* rule;
  const char* pinnedBy;
  bool (*tells)(const std::wstring& tell, const Thing& thing);
};

std::span<const TellRule> TellRules();
// The rule by which the tell tells the thing, or none.
const TellRule* Telling(const std::wstring& tell, const Thing& thing);

// A folder not there now (`folders`: the folders there now) that a tell since the first fault
// names and says was not made: the tell, else none. An item of that folder could not be made
// there, and what shows that folder shows another.
std::optional<std::wstring> FolderToldNotMade(const std::wstring& folder,
                                              const std::set<std::wstring>& folders,
                                              const std::vector<std::wstring>& tells);

// An expectation on a window's bars reads the folder the window shows. It fails for a loss when
// the window shows another folder than in the clean run because the clean run's is not there
// (`folders`: the folders there now): a tell since the first fault names that folder and says
// it was not made (a start telling its sample folders unmade leaves "go to" nowhere to go).
bool ShowsAFolderLost(const std::wstring& cleanShows, const std::wstring& nowShows,
                      const std::set<std::wstring>& folders,
                      const std::vector<std::wstring>& tells);

// An option the add-in writes as it reads it, or a toolbar position a window's bars keep,
// holding what its absence reads as (`key` ends with the value's name).
bool ReadsTheSameAbsent(const std::string& key, const std::string& data);

}  // namespace host::judge
