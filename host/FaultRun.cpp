#include "host/FaultRun.h"

#include <filesystem>
#include <map>
#include <optional>

#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "host/ScriptReader.h"
#include "host/Session.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Persist.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"

namespace host {
namespace {

namespace persist = outlook::persist;
namespace faults = win32::faults;

const std::wstring kUserClipboard = L"what the user copied before";
const wchar_t* kTemporaryFolders[] = {L"Tanvelo Drafts", L"Drafts", L"Deleted Items"};

bool Same(const persist::Item& a, const persist::Item& b) {
  if (a.itemClass != b.itemClass || a.bodyFormat != b.bodyFormat || a.props != b.props ||
      a.recipients.size() != b.recipients.size() || a.attachments.size() != b.attachments.size() ||
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
};

Store Take(const Session& session) {
  Store store;
  for (auto& folder : persist::Take(*session.Profile().session).folders) {
    store.folderNames[folder.entryId] = folder.name;
    for (auto& item : folder.items) store.items[item.entryId] = {folder.entryId, std::move(item)};
  }
  return store;
}

std::wstring Subject(const persist::Item& item) {
  for (const auto& [id, value] : item.props)
    if (id == (outlook::PR_SUBJECT >> 16))
      if (auto text = std::get_if<std::wstring>(&value)) return *text;
  return L"(no subject)";
}

// Items made since `before` in the folders that hold passing copies, by folder name.
std::map<std::wstring, int> NewTemporaryItems(const Store& before, const Store& after) {
  std::map<std::wstring, int> count;
  for (const auto& [id, held] : after.items) {
    if (before.items.count(id)) continue;
    const std::wstring& name = after.folderNames.at(held.first);
    for (auto t : kTemporaryFolders)
      if (name == t) ++count[name];
  }
  return count;
}

// Names below TEMP, as made in this run (temporary names are drawn afresh in each run, so only
// their number is compared).
std::vector<std::string> TemporaryFiles() {
  char buffer[win32::MAX_PATH];
  uint32_t n = win32::GetTempPathA(sizeof buffer, buffer);
  auto path = win32::files::HostPath(std::string(buffer, n));
  std::vector<std::string> names;
  std::error_code ec;
  if (path)
    for (auto it = std::filesystem::recursive_directory_iterator(*path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      names.push_back(std::filesystem::relative(it->path(), *path, ec).string());
  return names;
}

size_t LoggedErrors() {
  size_t n = 0;
  for (const auto& entry : support::library::Log()) n += entry.errorNumber != 0;
  return n;
}

bool Lifecycle(const std::wstring& line) {
  try {
    auto words = SplitLine(line);
    return !words.empty() && (words[0].text == L"start" || words[0].text == L"quit");
  } catch (const ScriptError&) {
    return false;
  }
}

struct Pass {
  Store before, after;
  std::vector<bool> clipboardKept;  // per line
  std::vector<std::string> tempFiles;
  size_t loggedErrors = 0;
  bool templatesFolder = false;
};

class Runner {
 public:
  Runner(const FaultRunOptions& options, const ProgramIo& io) : options_(options), io_(io) {}

  int Run() {
    Play(false);
    Play(true);
    for (const auto& f : findings_) io_.err("finding: " + Utf8(f) + "\n");
    return findings_.empty() ? 0 : 3;
  }

 private:
  // The faulted run tells what happened, for the reader of a finding.
  std::unique_ptr<Session> NewSession(bool told) {
    SessionOptions s;
    s.outlookVersion = options_.outlookVersion;
    s.languageFile = options_.languageFile;
    s.lenient = true;
    Session::Sink sink = [](const std::wstring&) {};
    if (told) sink = [this](const std::wstring& line) { io_.out(Utf8(line) + "\n"); };
    return std::make_unique<Session>(s, sink);
  }

  // Plays the lines; false when the line failed (a refused step, an expectation).
  bool PlayLine(Session& session, const std::wstring& line, size_t n) {
    uint64_t escaped = faults::Counts().escaped;
    try {
      session.Run(line);
      return true;
    } catch (const std::exception& e) {
      // The program's own look may fail where the faults led elsewhere; only an error that
      // left the add-in's code is the add-in's.
      std::string what = e.what();
      io_.out("  (the line failed: " + what + ")\n");
      if (faults::Counts().escaped > escaped && what.rfind("Outlook raised an error", 0) == 0)
        Find(n, L"an error escaped into Outlook: " + FromUtf8(what));
      return false;
    }
  }

  Pass Play(bool injected) {
    Pass pass;
    auto session = NewSession(injected);
    win32::clipboard::SetText(kUserClipboard);
    pass.before = Take(*session);
    size_t addinErrors = 0;
    if (injected)
      faults::Start({.every = options_.every, .seed = options_.seed, .addinOnly = true});
    for (size_t n = 0; n < options_.lines.size(); ++n) {
      if (injected) io_.out("> " + Utf8(options_.lines[n]) + "\n");
      PlayLine(*session, options_.lines[n], n);
      bool kept = win32::clipboard::Text() == kUserClipboard;
      pass.clipboardKept.push_back(kept);
      if (!kept) {
        if (injected && n < clean_.clipboardKept.size() && clean_.clipboardKept[n])
          Find(n, L"the user's clipboard was not given back");
        win32::clipboard::SetText(kUserClipboard);
      }
      auto errors = session->AddinErrors();
      for (size_t i = addinErrors; injected && i < errors.size(); ++i)
        Find(n, L"the add-in let an error reach Outlook: " + errors[i]);
      addinErrors = errors.size();
      if (session->QuitRequested()) break;
    }
    if (!injected) {
      pass.after = Take(*session);
      pass.tempFiles = TemporaryFiles();
      pass.loggedErrors = LoggedErrors();
      pass.templatesFolder = g_oTemplatesFolder != nullptr;
      clean_ = pass;
      return pass;
    }
    auto tally = faults::Counts();
    faults::Stop();
    io_.out("faults: " + std::to_string(tally.raised) + " raised in " +
            std::to_string(tally.calls) + " calls\n");
    PlayLine(*session, L"wait 1000", options_.lines.size());
    pass.after = Take(*session);
    pass.tempFiles = TemporaryFiles();
    CheckStore(pass);
    if (mTanvelo::IsTemplateActionRunning()) Find(-1, L"a template action is still marked running");
    if (pass.tempFiles.size() > clean_.tempFiles.size()) {
      std::string names;
      for (const auto& name : pass.tempFiles) names += " " + name;
      Find(-1, L"temporary files left: " + std::to_wstring(pass.tempFiles.size()) + L" against " +
                   std::to_wstring(clean_.tempFiles.size()) + L":" + FromUtf8(names));
    }
    Recover(*session);
    return pass;
  }

  void CheckStore(const Pass& faulted) {
    const Store &before = clean_.before, &cleanAfter = clean_.after, &after = faulted.after;
    for (const auto& [id, held] : before.items) {
      auto c = cleanAfter.items.find(id);
      bool untouched = c != cleanAfter.items.end() && c->second.first == held.first &&
                       Same(c->second.second, held.second);
      if (!untouched) continue;
      auto f = after.items.find(id);
      if (f == after.items.end())
        Find(-1, L"\"" + Subject(held.second) + L"\" in " + before.folderNames.at(held.first) +
                     L" was lost");
      else if (f->second.first != held.first || !Same(f->second.second, held.second))
        Find(-1, L"\"" + Subject(held.second) + L"\" in " + before.folderNames.at(held.first) +
                     L" was changed or moved");
    }
    auto cleanTemp = NewTemporaryItems(clean_.before, cleanAfter);
    for (const auto& [folder, count] : NewTemporaryItems(faulted.before, after))
      if (count > cleanTemp[folder])
        Find(-1, std::to_wstring(count - cleanTemp[folder]) + L" item(s) left in " + folder);
  }

  // Once the faults stop, the script's own steps work again: played once more, they log no
  // more errors than the clean run did, and nothing reaches Outlook.
  void Recover(Session& session) {
    io_.out("-- the faults stop; the script's steps again\n");
    size_t logged = LoggedErrors();
    size_t addinErrors = session.AddinErrors().size();
    for (size_t n = 0; n < options_.lines.size() && !session.QuitRequested(); ++n)
      if (!Lifecycle(options_.lines[n])) PlayLine(session, options_.lines[n], n);
    size_t more = LoggedErrors() - logged;
    // A templates folder that could not be found or made at the start is told to the user
    // then, and the add-in goes on without it until the next start: its commands log that.
    bool toldAtStart = clean_.templatesFolder && !g_oTemplatesFolder;
    if (more > clean_.loggedErrors && !toldAtStart)
      Find(-1, L"once the faults stopped the script's steps logged " + std::to_wstring(more) +
                   L" error(s), the clean run " + std::to_wstring(clean_.loggedErrors));
    if (session.AddinErrors().size() > addinErrors)
      Find(-1,
           L"once the faults stopped an error reached Outlook: " + session.AddinErrors().back());
  }

  void Find(ptrdiff_t line, const std::wstring& text) {
    findings_.push_back((line >= 0 ? L"line " + std::to_wstring(line + 1) + L": " : L"") + text);
  }

  const FaultRunOptions& options_;
  const ProgramIo& io_;
  Pass clean_;
  std::vector<std::wstring> findings_;
};

}  // namespace

int RunUnderFaults(const FaultRunOptions& options, const ProgramIo& io) {
  return Runner(options, io).Run();
}

}  // namespace host
