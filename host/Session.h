// The simulated Outlook program's interpreter: one Outlook of a chosen version on a profile,
// the add-in loaded through Outlook's own order of calls, and the script commands a user's
// actions, answers, looks and expectations are written in. Everything the user would notice
// (message boxes, dialogs, mail sent and filed) is printed as it happens.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/ScriptReader.h"
#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"
#include "platform/outlook/Persist.h"
#include "platform/outlook/ProfileBuilder.h"

class Connect;
namespace addinhost {
class OutlookHost;
}
namespace o2007events {
class ContextMenu;
}
namespace office {
class CommandBarControl;
class CommandBars;
}  // namespace office
namespace forms {
class Form;
class User;
}  // namespace forms
namespace win32 {
struct ShownMessageBox;
namespace files {
class TempSandbox;
}
}  // namespace win32

namespace host {

class ProfileStore;

// An expectation that did not hold; the program exits with 1.
class ExpectationFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The kept profile could not be saved; the program exits with 3.
class SaveFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SessionOptions {
  int32_t outlookVersion = 14;  // 9, 10, 11, 12 or 14
  // Where the mail store and registry are kept; none: the built-in demo profile in memory.
  ProfileStore* store = nullptr;
  // The language file's bytes (lang/EN.lng).
  std::string languageFile;
  // Another language file's name and langid (--lang): it goes beside the add-in under its
  // name, and the user's language option is set to it. Empty: EN.lng as the option chooses.
  std::string languageName, languageId;
  // Language files kept with the profile (name, bytes), put beside the add-in at each start.
  std::vector<std::pair<std::string, std::string>> keptLanguages;
  // Asks the user for a line (interactive mode); empty: an unanswered box or dialog is an
  // error that stops the script.
  std::function<std::optional<std::wstring>(const std::wstring& prompt)> ask;
  // Where drive C: is copied when Outlook ends (--keep-c), so files the add-in wrote there (an
  // export's Word files) can be opened after the program; empty: it goes with the program.
  std::string keepDriveC;
  // Word's files go through LibreOffice ("libreoffice") instead of the in-memory Word ("").
  std::string word;
  // Under injected faults the script's road is not certain: a box nobody answered takes its
  // default button, a dialog nobody answered is cancelled, and answers left unused by a line
  // are dropped.
  bool lenient = false;
};

class Session {
 public:
  using Sink = std::function<void(const std::wstring& line)>;
  Session(SessionOptions options, Sink out);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs one script line; ScriptError or ExpectationFailed when it fails.
  void Run(const std::wstring& line);
  // The same for a line already split (SplitLine), let go as soon as it has run.
  void Run(std::vector<Word> words);
  // Outlook quit; a later `start` in a script starts it again on the same profile.
  bool QuitRequested() const { return quit_; }
  // Nobody is left to ask (the prompt's input ended): from now on boxes and dialogs are
  // handled as in a script, and a quit tells what it drops.
  void StopAsking() { options_.ask = nullptr; }
  // Answers queued and not used yet, as the commands that queued them.
  std::vector<std::wstring> UnusedAnswers() const;
  // Answers the last line did not use, dropped at its end (as UnusedAnswers names them).
  // Answers are for the next line that does something: `answer` lines and the lines that only
  // look (show, expect, windows, help) pass them on.
  std::vector<std::wstring> TakeDroppedAnswers() { return std::move(dropped_); }
  // Where the next line comes from ("my.txt:12", "-e #3"), for messages that name it later.
  void SetWhere(std::wstring where) { where_ = std::move(where); }
  // Whether a line's first word is a command.
  static bool IsCommand(const std::wstring& verb);
  // Why an answer's dialog name is none the add-in shows, naming the nearest; empty when it is.
  static std::wstring UnknownDialog(const std::wstring& name);
  // The commands and their spelling, for `help`.
  static std::vector<std::wstring> Help();

  // The language file the user's language option names when it is not beside the add-in
  // (its texts would show as their ids); empty when it is there or none is named.
  std::wstring MissingLanguageFile() const;

  // For the program's parts and tests.
  const outlook::Profile& Profile() const { return p_; }
  std::shared_ptr<outlook::MAPIFolder> FolderAt(const std::wstring& path) const;
  std::shared_ptr<outlook::Object> ActiveWindow() const;
  // Outlook's side of the add-in's connection; null before the first start.
  const addinhost::OutlookHost* Host() const { return host_.get(); }
  addinhost::OutlookHost* Host() { return host_.get(); }
  // Outlook's hosts made so far: a restart makes a new one, whose lists start afresh.
  uint64_t Hosts() const { return hosts_; }
  // What the add-in let escape into Outlook (its connection calls, ribbon callbacks).
  std::vector<std::wstring> AddinErrors() const;
  // The label the active window's ribbon shows for a control, or empty: the name a user knows
  // the control by. Asked as Outlook asks, so no fault counts it.
  std::wstring RibbonLabel(const std::wstring& control);

 private:
  void Boot();
  void TearDown();
  void KeepDriveC();
  void BringDriveCIn();
  void Restart();
  void Dispatch(const std::vector<Word>& w);
  void Settle();  // the moment a user takes between two actions: due timers fire
  void CheckPrompts();
  void Print(const std::wstring& line) const { out_(line); }
  // Notes mail sent and filed, in every folder of the stores; with `news`, what a folder not
  // watched before already holds was filed since the last look (a folder an import made).
  void Watch(bool news = false);
  // The screen is drawn in a run with a progress bar: what it filed or exported so far is
  // told, and at the prompt the bar and the file at work.
  void Painted();
  // After a user's action in a dialog: a new text beside its progress bar (a run's end) is told.
  void TellProgressText(forms::Form& form);
  // The maker's windows the add-in opened since the last look (About, a help topic, "Report a
  // problem"), which the support library only records.
  void TellSupportWindows();
  // The word processor took up a document (seconds 0) or is still at it.
  void WordAtWork(const std::wstring& file, int seconds);
  void Flush();  // prints what was noted and is still where it was put
  void Persist();

  // Commands.
  void Start();
  void Quit();
  void Windows();
  void SelectItems(const std::vector<Word>& w, size_t from);
  void OpenItem(const Word& subject);
  void CloseInspector(const std::wstring& mode);
  void Type(const std::wstring& text);
  void SelectText(const std::wstring& text);
  void SetField(const std::wstring& field, const std::wstring& value);
  void Ribbon(const std::vector<Word>& w);
  void Bars(const std::vector<Word>& w);
  void Context(const std::vector<Word>& w);
  void Key(const std::vector<Word>& w);
  void AnswerBox(const std::wstring& answer);
  void AnswerForm(const std::vector<Word>& w);
  void Show(const std::vector<Word>& w);
  void ShowTemplates();
  void Expect(const std::vector<Word>& w);
  void SaveHtml(const std::wstring& file);

  // Lookups.
  std::shared_ptr<outlook::Explorer> Explorer() const;  // the active one, or an error
  std::shared_ptr<outlook::Inspector> Inspector() const;
  std::shared_ptr<outlook::Item> ItemIn(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                        const Word& subject) const;
  std::shared_ptr<outlook::Item> ShownMail() const;
  std::shared_ptr<office::CommandBars> BarsOf(const std::shared_ptr<outlook::Object>& w) const;
  std::shared_ptr<office::CommandBarControl> BarControl(const std::wstring& path) const;
  std::wstring BarsElsewhere() const;
  std::wstring FieldOf(const std::shared_ptr<outlook::Item>& item, const std::wstring& field);
  std::wstring RegistryValue(const std::wstring& key, const std::wstring& name) const;
  std::wstring ExpandProfileKey(const std::wstring& key) const;

  int OnMessageBox(const win32::ShownMessageBox& box);
  std::optional<std::string> OnBrowser();
  void AnswerBrowser(const Word& answer);
  std::optional<std::function<void(forms::User&)>> OnUnansweredForm(forms::Form& form);

  SessionOptions options_;
  Sink out_;
  std::unique_ptr<win32::files::TempSandbox> sandbox_;
  outlook::Profile p_;
  std::shared_ptr<Connect> addin_;
  std::unique_ptr<addinhost::OutlookHost> host_;
  std::shared_ptr<o2007events::ContextMenu> contextMenu_;
  // Before 2007: the item's menu is Outlook's own bar, always there, but a click on it stands
  // for one on a menu a right-click on an item has opened.
  bool barMenuOpen_ = false;
  std::map<const outlook::MAPIFolder*, outlook::Subscription> watched_;
  struct Filed {
    std::weak_ptr<outlook::Item> item;
    std::weak_ptr<outlook::MAPIFolder> folder;
  };
  std::vector<Filed> filed_;
  outlook::Subscription newInspector_;
  std::deque<int> boxAnswers_;
  int lastBoxAnswer_ = 0;                                   // the last box's answer, IDYES ...
  std::deque<std::optional<std::wstring>> browserAnswers_;  // a folder, or nullopt for Cancel
  std::vector<std::wstring> answeredForms_;
  std::set<std::filesystem::path> written_;  // files save-html wrote in this run
  size_t boxesChecked_ = 0;
  size_t shows_ = 0;  // modal shows so far
  std::vector<std::wstring> boxTexts_;
  // Boxes and dialogs nobody answered since the last line, each with the answer to queue.
  std::vector<std::wstring> unanswered_;
  std::vector<std::wstring> dropped_;  // answers the last line left unused
  // For each dialog whose answer a line dropped, that line as written.
  std::map<std::wstring, std::wstring> droppedAt_;
  std::wstring where_;
  size_t wordCalls_ = 0;        // Word's calls looked at by the last drawing of a run
  std::wstring progressShown_;  // the progress last shown at the prompt
  std::wstring progressText_;   // the text beside the progress bar last seen
  size_t supportCalls_ = 0;     // the support library's calls already told
  uint64_t hosts_ = 0;
  bool started_ = false, quit_ = false;
  bool ended_ = false;  // Outlook ran and quit: a `start` starts it again
};

}  // namespace host
