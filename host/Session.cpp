#include "host/Session.h"

#include <unistd.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <set>
#include <string_view>

#include "addin/Connect.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "host/Printers.h"
#include "host/ProfileStore.h"
#include "platform/addin/AttachmentDisk.h"
#include "platform/addin/ItemContextMenu.h"
#include "platform/addin/OutlookHost.h"
#include "platform/forms/Control.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/forms/Lists.h"
#include "platform/forms/ShowHooks.h"
#include "platform/forms/TreeView.h"
#include "platform/forms/User.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/office/CommandBars.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/Persist.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Files.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "platform/win32/Shell.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/OfficeService.h"
#include "platform/word/Word.h"
#include "resources/StringTable.h"

namespace host {
namespace {

// The pause a user leaves between two actions; every deferred action of the add-in (1 ms,
// 100 ms, 250 ms) has run by its end.
constexpr uint32_t kUserPause = 500;

std::string A(const std::wstring& text) {
  return Utf8(text);
}

[[noreturn]] void Fail(const std::wstring& text) {
  throw ScriptError(A(text));
}

void Need(const std::vector<Word>& w, size_t count, const wchar_t* usage) {
  if (w.size() != count) Fail(std::wstring(L"usage: ") + usage);
}

int32_t Number(const Word& word) {
  if (word.quoted || word.text.empty() || word.text.size() > 9 ||
      !std::all_of(word.text.begin(), word.text.end(),
                   [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
    Fail(L"not a number: " + ShownWord(word.text));
  return std::stoi(word.text);
}

std::wstring Quote(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\n')
      out += L"\\n";
    else if (c == L'\r')
      continue;
    else if (c == L'"' || c == L'\\')
      out += std::wstring(L"\\") + c;
    else
      out += c;
  }
  return out + L"\"";
}

const wchar_t* kVersions[] = {L"9.0.0.3821", L"10.0.0.6626", L"11.0.0.8000", L"12.0.0.6000",
                              L"14.0.0.4760"};

std::wstring VersionText(int32_t major) {
  for (auto v : kVersions)
    if (outlook::MajorVersion(v) == major) return v;
  Fail(L"no Outlook of version " + std::to_wstring(major));
}

// The button Enter presses: the first, or the one MB_DEFBUTTON2/3 names.
int DefaultButton(uint32_t style) {
  static const int kButtons[][3] = {{win32::IDOK},
                                    {win32::IDOK, win32::IDCANCEL},
                                    {win32::IDABORT, win32::IDRETRY, win32::IDIGNORE},
                                    {win32::IDYES, win32::IDNO, win32::IDCANCEL},
                                    {win32::IDYES, win32::IDNO},
                                    {win32::IDRETRY, win32::IDCANCEL}};
  uint32_t kind = style & 0xF, index = (style >> 8) & 0xF;
  if (kind > 5 || index > 2 || !kButtons[kind][index]) return kButtons[kind > 5 ? 0 : kind][0];
  return kButtons[kind][index];
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

}  // namespace

Session::Session(SessionOptions options, Sink out)
    : options_(std::move(options)), out_(std::move(out)) {
  Boot();
}

Session::~Session() {
  // The program ends, and Outlook with it: the add-in shuts down as at a user's quit.
  if (started_) {
    try {
      contextMenu_.reset();
      host_->Quit();
    } catch (const std::exception&) {
      // Nothing is left to tell; the platform goes below.
    }
  }
  TearDown();
}

void Session::TearDown() {
  KeepDriveC();
  contextMenu_.reset();
  barMenuOpen_ = false;
  watched_.clear();
  filed_.clear();
  newInspector_ = {};
  host_.reset();
  addin_.reset();
  g_oLang.reset();
  win32::ResetPlatform();
}

void Session::KeepDriveC() {
  if (options_.keepDriveC.empty() || !sandbox_) return;
  std::error_code ec;
  std::filesystem::copy(
      sandbox_->Path() / "C", options_.keepDriveC,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
      ec);
  Print(ec ? L"[outlook] drive C: could not be copied to " + FromUtf8(options_.keepDriveC) + L": " +
                 FromUtf8(ec.message())
           : L"[outlook] drive C: is copied to " + FromUtf8(options_.keepDriveC));
}

// The kept drive C: is the same disk at every start: one's own files put there (a Word file
// to import) are on C: from the first line.
void Session::BringDriveCIn() {
  if (options_.keepDriveC.empty() || !sandbox_) return;
  std::error_code ec;
  if (std::filesystem::is_empty(options_.keepDriveC, ec) || ec) return;
  std::filesystem::copy(
      options_.keepDriveC, sandbox_->Path() / "C",
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
      ec);
  Print(ec ? L"[outlook] drive C: could not take what " + FromUtf8(options_.keepDriveC) +
                 L" holds: " + FromUtf8(ec.message())
           : L"[outlook] drive C: holds what " + FromUtf8(options_.keepDriveC) + L" holds");
}

void Session::Restart() {
  // Outlook starts again on the same machine: the kept profile is read again from disk, the
  // built-in one is carried over in memory, mail and registry alike.
  std::optional<outlook::persist::Profile> mail;
  std::filesystem::path hive;
  if (!options_.store) {
    mail = outlook::persist::Take(*p_.session);
    hive = std::filesystem::temp_directory_path() /
           ("tanvelo-outlook-" + std::to_string(::getpid()) + "-restart.hive");
    if (!win32::registry::SaveHive(win32::HKEY_CURRENT_USER, hive.string()))
      Fail(L"cannot keep the registry for the restart in " + FromUtf8(hive.string()));
  }
  TearDown();
  Boot();
  if (mail) {
    outlook::persist::Restore(*p_.session, *mail);
    bool loaded = win32::registry::LoadHive(win32::HKEY_CURRENT_USER, hive.string());
    std::error_code ec;
    std::filesystem::remove(hive, ec);
    if (!loaded) Fail(L"cannot read back the registry kept for the restart");
    Watch();
  }
  ended_ = false;
}

void Session::Boot() {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  msxml::Install();
  word::Install();
  sandbox_ = std::make_unique<win32::files::TempSandbox>();
  BringDriveCIn();
  if (options_.word == "libreoffice") {
    auto soffice = word::LibreOffice::Find();
    if (!soffice) throw std::runtime_error("LibreOffice (soffice) is not on the PATH");
    if (!word::OfficeService::Usable())
      throw std::runtime_error("LibreOffice's Python interface (python3-uno) is not installed");
    // Its profile lives beside the drives, out of the simulated disk's sight.
    word::SetConverter(std::make_shared<word::OfficeService>(
        *soffice, (sandbox_->Path() / "libreoffice").string()));
    word::SetBusyObserver(
        [this](const std::wstring& file, int seconds) { WordAtWork(file, seconds); });
    Print(L"[word] LibreOffice; drive C: is " +
          win32::MultiByteToWide(win32::CP_UTF8, (sandbox_->Path() / "C").string()) +
          (options_.keepDriveC.empty() ? L" until the program ends (--keep-c DIR keeps a copy)"
                                       : L""));
  }
  for (const auto& [name, bytes] : options_.keptLanguages)
    win32::files::WriteAll(win32::ToAnsi(vb::App().Path) + "\\" + name, bytes);
  if (!options_.languageFile.empty())
    win32::files::WriteAll(win32::ToAnsi(vb::App().Path) + "\\" +
                               (options_.languageName.empty() ? "EN.lng" : options_.languageName),
                           options_.languageFile);
  // Attachments saved and read by path live on the simulated disk.
  addinhost::BindAttachmentsToDisk();
  win32::msgbox::SetDefaultAnswerer(
      [this](const win32::ShownMessageBox& box) { return OnMessageBox(box); });
  forms::SetShowObserver([this](forms::Form& form) {
    win32::faults::Quiet own;
    ++shows_;
    Flush();
    progressText_.clear();
    Print(L"[dialog] " + form.Name() + L" \"" + form.Caption() + L"\"");
  });
  forms::SetFallbackScript([this](forms::Form& form) { return OnUnansweredForm(form); });
  win32::shell::SetFallbackAnswerer([this](const std::string&) { return OnBrowser(); });
  vb::SetDoEventsObserver([this] { Painted(); });
  wordCalls_ = 0;

  p_ = outlook::BuildProfile({.version = VersionText(options_.outlookVersion)});
  if (options_.store && !options_.store->Load(p_))
    throw std::runtime_error(Utf8(options_.store->Error()));
  if (!options_.languageId.empty()) {
    // As a user choosing the language: the add-in finds the file by the option.
    COptions language;
    language.SetLangID(FromUtf8(options_.languageId));
    language.SetLangFile(FromUtf8(options_.languageName));
  }
  g_oApp = p_.app;
  addin_ = std::make_shared<Connect>();
  host_ = std::make_unique<addinhost::OutlookHost>(p_.app, addin_);
  ++hosts_;
  newInspector_ = p_.app->Inspectors()->NewInspector.Subscribe(
      [this](std::shared_ptr<outlook::Inspector> inspector) {
        win32::faults::Quiet own;
        Print(L"[window] inspector opened: " + inspector->Caption());
      });
  Watch();
}

std::wstring Session::MissingLanguageFile() const {
  win32::faults::Quiet own;
  std::wstring name = COptions().LangFile();
  if (name.empty()) return L"";
  std::string path = win32::ToAnsi(vb::App().Path) + "\\" + win32::ToAnsi(name);
  return win32::GetFileAttributesA(path.c_str()) == win32::INVALID_FILE_ATTRIBUTES ? name : L"";
}

// --- the run of one line ------------------------------------------------------------------
std::wstring LineText(const std::vector<Word>& w);

void Session::Run(const std::wstring& line) {
  Run(SplitLine(line));
}

void Session::Run(std::vector<Word> words) {
  if (words.empty()) return;
  unanswered_.clear();
  // An answer is for the next line that acts: left over, it would answer a later showing of
  // its box or dialog that it was never meant for. A line that fails drops them as well.
  // Opening a context menu, or listing the ribbon or the bars, only looks as well.
  static const wchar_t* kPassOn[] = {L"answer", L"show", L"expect", L"windows", L"help"};
  const std::wstring& verb = words[0].text;
  bool looks = std::find(std::begin(kPassOn), std::end(kPassOn), verb) != std::end(kPassOn) ||
               (verb == L"context" && words.size() == 2) ||
               (verb == L"ribbon" && words.size() == 1) || verb == L"bars";
  struct DropUnused {
    Session& session;
    bool acts;
    const std::vector<Word>& line;
    ~DropUnused() {
      if (!acts) return;
      session.dropped_ = session.UnusedAnswers();
      for (const auto& name : session.answeredForms_)
        if (forms::PendingScripts(name))
          session.droppedAt_[name] = (session.where_.empty() ? L"" : session.where_ + L", ") +
                                     L"`" + LineText(line) + L"`";
      session.boxAnswers_.clear();
      session.browserAnswers_.clear();
      forms::DropScripts();
    }
  } drop{*this, !looks, words};
  try {
    Dispatch(words);
  } catch (const win32::UnscriptedPrompt& prompt) {
    // A refused click or a prompt nobody answered: the line fails; what it changed stays.
    Watch();
    Flush();
    TellSupportWindows();
    Persist();
    if (!unanswered_.empty()) CheckPrompts();
    throw ScriptError(prompt.what());
  } catch (const vb::Error& error) {
    Watch();
    Flush();
    TellSupportWindows();
    Persist();
    Fail(L"Outlook raised an error: " + error.Description());
  }
  Watch();
  Flush();
  TellSupportWindows();
  CheckPrompts();
  Persist();
}

std::vector<std::wstring> Session::AddinErrors() const {
  std::vector<std::wstring> errors = host_->Errors();
  if (auto ribbon = host_->Ribbon())
    errors.insert(errors.end(), ribbon->Errors().begin(), ribbon->Errors().end());
  return errors;
}

void Session::CheckPrompts() {
  if (unanswered_.empty()) return;
  std::wstring what = unanswered_.front();
  unanswered_.clear();
  Fail(what);
}

void Session::Settle() {
  win32::clock::Advance(kUserPause);
}

void Session::Persist() {
  if (!options_.store) return;
  std::wstring error;
  // Going on would let the user work on what is no longer kept.
  if (!options_.store->Save(p_, error)) throw SaveFailed(Utf8(error));
}

void Session::Dispatch(const std::vector<Word>& w) {
  // The keyboard's focus is in the active window's editor, as the user left it.
  if (started_) {
    auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(ActiveWindow());
    win32::keyboard::SetFocus(inspector);
  }
  const std::wstring& c = w[0].text;
  auto sub = [&](size_t i) { return w.size() > i ? w[i].text : std::wstring(); };
  if (c == L"help") {
    for (const auto& h : Help()) Print(h);
  } else if (c == L"start") {
    Need(w, 1, L"start");
    Start();
  } else if (c == L"quit") {
    Need(w, 1, L"quit");
    Quit();
  } else if (c == L"explorer" && sub(1) == L"open") {
    Need(w, 2, L"explorer open");
    if (!started_) Fail(L"Outlook is not started");
    auto folder = p_.app->ActiveExplorer() ? p_.app->ActiveExplorer()->CurrentFolder() : p_.inbox;
    host_->OpenExplorer(folder);
    Settle();
  } else if (c == L"explorer" && sub(1) == L"close") {
    Need(w, 2, L"explorer close");
    host_->CloseExplorer(Explorer());
    Settle();
  } else if (c == L"windows") {
    Windows();
  } else if (c == L"window") {
    Need(w, 2, L"window N");
    int32_t n = Number(w[1]), i = 0;
    for (const auto& e : *p_.app->Explorers())
      if (++i == n) {
        e->Activate();
        return Settle();
      }
    for (const auto& insp : *p_.app->Inspectors())
      if (++i == n) {
        insp->Activate();
        return Settle();
      }
    Fail(L"no window " + ShownWord(w[1].text));
  } else if (c == L"folder") {
    Need(w, 2, L"folder PATH");
    auto folder = FolderAt(w[1].text);
    if (!folder) Fail(L"no folder " + ShownWord(w[1].text));
    Explorer()->SetCurrentFolder(folder);
    Settle();
  } else if (c == L"select") {
    if (w.size() < 2) Fail(L"usage: select SUBJECT...");
    SelectItems(w, 1);
  } else if (c == L"open") {
    Need(w, 2, L"open SUBJECT");
    OpenItem(w[1]);
  } else if (c == L"new" && sub(1) == L"mail") {
    Need(w, 2, L"new mail");
    if (!started_) Fail(L"Outlook is not started");
    auto mail = p_.app->CreateItem(outlook::olMailItem);
    mail->Display();
    Settle();
  } else if (c == L"close") {
    if (w.size() > 2) Fail(L"usage: close [save|discard]");
    CloseInspector(sub(1));
  } else if (c == L"save") {
    Need(w, 1, L"save");
    Inspector()->CurrentItem()->Save();
    Settle();
  } else if (c == L"send") {
    Need(w, 1, L"send");
    Inspector()->CurrentItem()->Send();
    Settle();
  } else if (c == L"type") {
    Need(w, 2, L"type \"text\"");
    Type(w[1].text);
  } else if (c == L"select-text") {
    Need(w, 2, L"select-text \"text\"");
    SelectText(w[1].text);
  } else if (c == L"set") {
    Need(w, 3, L"set subject|to|cc|bcc \"value\"");
    SetField(w[1].text, w[2].text);
  } else if (c == L"ribbon") {
    Ribbon(w);
  } else if (c == L"bars" || c == L"bar") {
    Bars(w);
  } else if (c == L"context") {
    Context(w);
  } else if (c == L"key") {
    Key(w);
  } else if (c == L"disconnect") {
    // A store whose file went away (an archive on a drive unplugged): its folders, its
    // contacts among them, can no longer be read.
    Need(w, 2, L"disconnect STORE");
    if (!started_) Fail(L"Outlook is not started");
    std::shared_ptr<outlook::MAPIFolder> root;
    for (const auto& store : p_.session->Stores())
      if (store->DisplayName() == w[1].text && store->Root()) root = store->Root();
    if (!root || root == p_.root) Fail(L"no other store " + ShownWord(w[1].text));
    if (!root->IsDeleted()) root->Delete();  // one already gone stays so
    Settle();
  } else if (c == L"wait") {
    Need(w, 2, L"wait MS");
    win32::clock::Advance(static_cast<uint32_t>(Number(w[1])));
  } else if (c == L"answer") {
    if (sub(1) == L"box") {
      Need(w, 3, L"answer box ok|cancel|yes|no|retry");
      AnswerBox(w[2].text);
    } else if (sub(1) == L"browser") {
      Need(w, 3, L"answer browser \"C:\\\\folder\"|cancel");
      AnswerBrowser(w[2]);
    } else {
      AnswerForm(w);
    }
  } else if (c == L"show") {
    Show(w);
  } else if (c == L"expect") {
    Expect(w);
  } else if (c == L"save-html") {
    Need(w, 2, L"save-html FILE");
    SaveHtml(w[1].text);
  } else {
    // Shown cut here: a command of any length costs no copy of itself in its message.
    throw ScriptError("unknown command: " + ShownInput(c) + " (help lists the commands)");
  }
}

bool Session::IsCommand(const std::wstring& verb) {
  static const wchar_t* kCommands[] = {
      L"help",   L"start",  L"quit",   L"explorer",  L"windows",     L"window",    L"folder",
      L"select", L"open",   L"new",    L"close",     L"save",        L"send",      L"type",
      L"set",    L"ribbon", L"bars",   L"bar",       L"context",     L"key",       L"wait",
      L"answer", L"show",   L"expect", L"save-html", L"select-text", L"disconnect"};
  return std::find(std::begin(kCommands), std::end(kCommands), verb) != std::end(kCommands);
}

std::vector<std::wstring> Session::Help() {
  return {
      L"start | quit | explorer open | explorer close | windows | window N",
      L"folder PATH | select SUBJECT... | open SUBJECT | new mail",
      L"close [save|discard] | save | send",
      L"type \"text\" | select-text \"text\" | set subject|to|cc|bcc \"value\"",
      L"ribbon | ribbon click ID | bars | bar click \"Caption/Caption\"",
      L"context SUBJECT | context click \"Caption/Caption\"",
      L"key \"Ctrl+Alt+R\" (a template's hotkey) | key hold \"CHORD\" N | wait MS | disconnect "
      L"STORE",
      L"answer box ok|cancel|yes|no|retry",
      L"answer browser \"C:\\\\folder\"|cancel  (the Windows folder browser, the \"...\" of "
      L"Export and Import)",
      L"answer FORM ACTION[; ACTION]...  (click C | type C \"text\" | check C 0|1 | choose C "
      L"[\"entry\"] |",
      L"    node C \"A/B\" | dblclick C \"A/B\" | enter | esc | close)",
      L"show mail | show folder PATH | show folders | show log [N] | show registry [KEY]",
      L"show clipboard | show templates  (the template tree with its default, favourite and "
      L"hotkey marks)",
      L"save-html FILE",
      L"expect box \"text\" | expect mail FIELD is|has|lacks \"text\" | expect folder PATH count N",
      L"expect folder PATH has|lacks SUBJECT | expect ribbon ID label|visible|enabled is \"v\"",
      L"expect bar \"Caption/Caption\" enabled|visible is true|false | expect log has \"text\"",
      L"expect registry \"KEY\" NAME is \"value\"  (KEY below HKEY_CURRENT_USER; PROFILE...)",
      L"PATH: folder path from the store's root with \"/\"; SUBJECT: a subject or #N",
      L"\"text\": \\\" \\\\ \\n \\r and \\xNN (the character U+00NN) inside the quotes",
  };
}

// --- Outlook's life -------------------------------------------------------------------------
void Session::Start() {
  if (started_) Fail(L"Outlook is already running");
  if (ended_) Restart();
  started_ = true;
  quit_ = false;
  Print(L"[outlook] Outlook " + p_.app->Version() + L" starts on the Inbox");
  host_->Start(p_.inbox, 1);
  for (const auto& error : host_->Errors()) Print(L"[outlook] add-in error: " + error);
  Settle();
}

void Session::Quit() {
  if (!started_) {
    quit_ = true;
    return;
  }
  // An open item with changes not saved: at the prompt Outlook's own question is asked (Cancel
  // keeps Outlook running); in a script, or once the input has ended, what is dropped is told.
  std::vector<std::shared_ptr<outlook::Inspector>> open(p_.app->Inspectors()->begin(),
                                                        p_.app->Inspectors()->end());
  for (const auto& inspector : open) {
    auto item = inspector->CurrentItem();
    if (inspector->IsClosed() || !item || item->IsDead() || item->Saved()) continue;
    if (!options_.ask) {
      Print(L"[outlook] closed without saving: " + Quote(inspector->Caption()));
      continue;
    }
    // Told after Outlook's question, as it was answered.
    std::wstring caption = inspector->Caption();
    Print(L"[outlook] closing " + Quote(caption));
    lastBoxAnswer_ = 0;
    inspector->Close(outlook::olPromptForSave);
    Settle();
    if (!inspector->IsClosed()) {
      Print(L"[outlook] Outlook keeps running");
      return;
    }
    Print((lastBoxAnswer_ == win32::IDYES ? L"[outlook] saved: "
                                          : L"[outlook] closed without saving: ") +
          Quote(caption));
  }
  contextMenu_.reset();
  barMenuOpen_ = false;
  host_->Quit();
  for (const auto& error : host_->Errors()) Print(L"[outlook] add-in error: " + error);
  started_ = false;
  quit_ = true;
  ended_ = true;
  Print(L"[outlook] Outlook has ended");
}

void Session::Windows() {
  int32_t i = 0;
  auto active = p_.app->ActiveWindow();
  for (const auto& e : *p_.app->Explorers())
    Print(std::wstring(e == active ? L"* " : L"  ") + std::to_wstring(++i) + L" explorer: " +
          FolderPath(e->CurrentFolder()));
  for (const auto& insp : *p_.app->Inspectors())
    Print(std::wstring(insp == active ? L"* " : L"  ") + std::to_wstring(++i) + L" inspector: " +
          insp->Caption());
  if (i == 0) Print(L"  (no window)");
}

std::shared_ptr<outlook::Object> Session::ActiveWindow() const {
  return p_.app->ActiveWindow();
}

std::shared_ptr<outlook::Explorer> Session::Explorer() const {
  if (!started_) Fail(L"Outlook is not started");
  auto e = p_.app->ActiveExplorer();
  if (!e) Fail(L"no explorer is open");
  return e;
}

std::shared_ptr<outlook::Inspector> Session::Inspector() const {
  auto i = std::dynamic_pointer_cast<outlook::Inspector>(ActiveWindow());
  if (!i) Fail(L"the active window is no inspector");
  return i;
}

// --- folders, items, selection ---------------------------------------------------------------
std::shared_ptr<outlook::MAPIFolder> Session::FolderAt(const std::wstring& path) const {
  auto folder = p_.root;
  size_t start = 0;
  while (folder && start <= path.size()) {
    size_t slash = path.find(L'/', start);
    // Compared where it lies: a long path costs no copy per folder.
    auto name =
        std::wstring_view(path).substr(start, slash == std::wstring::npos ? slash : slash - start);
    if (name.empty()) return nullptr;
    std::shared_ptr<outlook::MAPIFolder> next;
    auto folders = folder->Folders();
    for (int32_t i = 1; i <= folders->Count(); ++i)
      if (SameName(folders->Item(i)->Name(), name)) next = folders->Item(i);
    folder = next;
    if (slash == std::wstring::npos) break;
    start = slash + 1;
  }
  return folder;
}

std::shared_ptr<outlook::Item> Session::ItemIn(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                               const Word& subject) const {
  auto items = folder->Items();
  if (auto n = ItemNumber(subject)) {
    if (*n < 1 || *n > items->Count())
      Fail(L"no item " + ShownWord(subject.text) + L" in " + FolderPath(folder));
    return items->Item(*n);
  }
  for (int32_t i = 1; i <= items->Count(); ++i)
    if (items->Item(i)->Subject() == subject.text) return items->Item(i);
  Fail(L"no item \"" + ShownWord(subject.text) + L"\" in " + FolderPath(folder));
}

void Session::SelectItems(const std::vector<Word>& w, size_t from) {
  auto explorer = Explorer();
  std::vector<std::shared_ptr<outlook::Item>> items;
  for (size_t i = from; i < w.size(); ++i) items.push_back(ItemIn(explorer->CurrentFolder(), w[i]));
  explorer->Activate();
  explorer->Select(items);
  Settle();
}

void Session::OpenItem(const Word& subject) {
  auto item = ItemIn(Explorer()->CurrentFolder(), subject);
  host_->OpenInspector(item);
  Settle();
}

void Session::CloseInspector(const std::wstring& mode) {
  int32_t saveMode = mode.empty()         ? outlook::olPromptForSave
                     : mode == L"save"    ? outlook::olSave
                     : mode == L"discard" ? outlook::olDiscard
                                          : -1;
  if (saveMode < 0) Fail(L"usage: close [save|discard]");
  // Closed unsaved (discarded, or "No" to the question), Outlook puts the item back as it was
  // last saved.
  Inspector()->Close(saveMode);
  Settle();
}

void Session::Type(const std::wstring& text) {
  auto inspector = Inspector();
  inspector->TypeText(text);
  Settle();
}

void Session::SelectText(const std::wstring& text) {
  auto inspector = Inspector();
  std::wstring body = inspector->CurrentItem()->Body();
  size_t at = body.find(text);
  if (at == std::wstring::npos || text.empty()) Fail(L"the mail's text holds no " + Quote(text));
  inspector->SetSelection(static_cast<int32_t>(at), static_cast<int32_t>(text.size()));
  Settle();
}

void Session::SetField(const std::wstring& field, const std::wstring& value) {
  auto item = Inspector()->CurrentItem();
  if (field == L"subject") {
    item->SetSubject(value);
    return Settle();
  }
  int32_t type = field == L"to"    ? outlook::olTo
                 : field == L"cc"  ? outlook::olCC
                 : field == L"bcc" ? outlook::olBCC
                                   : -1;
  if (type < 0) Fail(L"usage: set subject|to|cc|bcc \"value\"");
  auto recipients = item->Recipients();
  for (int32_t i = recipients->Count(); i >= 1; --i)
    if (recipients->Item(i)->Type() == type) recipients->Remove(i);
  size_t start = 0;
  while (start < value.size()) {
    size_t semi = value.find(L';', start);
    std::wstring one = value.substr(start, semi == std::wstring::npos ? semi : semi - start);
    while (!one.empty() && one.front() == L' ') one.erase(0, 1);
    while (!one.empty() && one.back() == L' ') one.pop_back();
    if (!one.empty()) {
      auto r = recipients->Add(one);
      r->SetType(type);
      r->Resolve();
    }
    if (semi == std::wstring::npos) break;
    start = semi + 1;
  }
  Settle();
}

// --- ribbon, bars, context menus, keys ---------------------------------------------------------
void Session::Ribbon(const std::vector<Word>& w) {
  if (!started_) Fail(L"Outlook is not started");
  auto window = host_->RibbonWindowOf(ActiveWindow().get());
  if (!window)
    Fail(L"the active window has no ribbon of the add-in (Outlook " + p_.app->Version() + L")");
  if (w.size() == 1) {
    for (const auto& line : RibbonLines(*window)) Print(L"  " + line);
    return;
  }
  Need(w, 3, L"ribbon click ID");
  if (w[1].text != L"click") Fail(L"usage: ribbon click ID");
  window->Draw();
  std::wstring id = RibbonId(*window, w[2].text);
  if (id.empty()) Fail(L"no ribbon control " + ShownWord(w[2].text) + L" in the active window");
  Print(L"[click] ribbon " + id);
  window->Click(id);
  Settle();
}

std::shared_ptr<office::CommandBars> Session::BarsOf(
    const std::shared_ptr<outlook::Object>& w) const {
  std::shared_ptr<void> bars;
  if (auto e = std::dynamic_pointer_cast<outlook::Explorer>(w)) bars = e->CommandBars();
  if (auto i = std::dynamic_pointer_cast<outlook::Inspector>(w)) bars = i->CommandBars();
  return std::static_pointer_cast<office::CommandBars>(bars);
}

namespace {
std::shared_ptr<office::CommandBarControl> FindPath(office::CommandBar& bar,
                                                    const std::wstring& path) {
  size_t slash = path.find(L'/');
  std::wstring head = ShownCaption(path.substr(0, slash));
  auto names = ControlNames(bar);
  size_t index = 0;
  for (const auto& c : bar.Controls()) {
    const std::wstring& name = names[index++];
    if (!c->Visible() || name != head) continue;
    if (slash == std::wstring::npos) return c;
    if (auto popup = std::dynamic_pointer_cast<office::CommandBarPopup>(c))
      if (auto found = FindPath(*popup->CommandBar(), path.substr(slash + 1))) return found;
  }
  return nullptr;
}
}  // namespace

std::shared_ptr<office::CommandBarControl> Session::BarControl(const std::wstring& path) const {
  auto bars = BarsOf(ActiveWindow());
  if (!bars) Fail(L"the active window has no command bars");
  bars->FireOnUpdate();
  for (int32_t i = 1; i <= bars->Count(); ++i) {
    auto bar = bars->Item(i);
    if (bar->Type() == office::msoBarTypePopup || !bar->Visible()) continue;
    if (auto c = FindPath(*bar, path)) return c;
  }
  std::wstring elsewhere = BarsElsewhere();
  Fail(L"no shown control \"" + ShownWord(path) + L"\" on the active window's bars" +
       (elsewhere.empty() ? L"" : L" (" + elsewhere + L")"));
}

// Where the add-in's commands are when the active window's bars hold none of them: on the
// ribbon of Outlook 2007's windows of a mail and of every window of 2010.
std::wstring Session::BarsElsewhere() const {
  auto bars = BarsOf(ActiveWindow());
  if (bars)
    for (int32_t i = 1; i <= bars->Count(); ++i) {
      std::vector<std::wstring> lines;
      BarLines(*bars->Item(i), L"", lines);
      if (!lines.empty()) return L"";
    }
  if (!host_->RibbonWindowOf(ActiveWindow().get())) return L"";
  return L"Outlook " + std::to_wstring(outlook::MajorVersion(p_.app->Version())) +
         L" shows the add-in's commands on this window's ribbon, not on bars: `ribbon` lists "
         L"them and `ribbon click ID` clicks one; --outlook 2003 plays a version with bars";
}

void Session::Bars(const std::vector<Word>& w) {
  if (!started_) Fail(L"Outlook is not started");
  if (w[0].text == L"bars") {
    Need(w, 1, L"bars");
    auto bars = BarsOf(ActiveWindow());
    if (!bars) Fail(L"the active window has no command bars");
    bars->FireOnUpdate();
    for (int32_t i = 1; i <= bars->Count(); ++i) {
      auto bar = bars->Item(i);
      if (bar->Type() == office::msoBarTypePopup) continue;
      std::vector<std::wstring> lines;
      BarLines(*bar, L"", lines);
      if (lines.empty()) continue;
      Print(L"  " + bar->Name() + (bar->Visible() ? L"" : L" (not shown)"));
      for (const auto& line : lines) Print(L"  " + line);
    }
    if (auto elsewhere = BarsElsewhere(); !elsewhere.empty())
      Print(L"  (none of the add-in: " + elsewhere + L")");
    return;
  }
  Need(w, 3, L"bar click \"Caption/Caption\"");
  if (w[1].text != L"click") Fail(L"usage: bar click \"Caption/Caption\"");
  auto control = BarControl(w[2].text);
  auto button = office::AsButton(control);
  if (!button) Fail(L"\"" + ShownWord(w[2].text) + L"\" is a menu, not a button");
  Print(L"[click] bar " + w[2].text);
  button->UserClick();
  Settle();
}

void Session::Context(const std::vector<Word>& w) {
  if (w.size() == 3 && w[1].text == L"click") {
    if (contextMenu_) {
      Print(L"[click] context " + w[2].text);
      auto menu = contextMenu_;
      contextMenu_.reset();
      menu->Click(w[2].text);
    } else {
      const std::wstring first =
          L"; `context SUBJECT` opens an item's context menu first, and lists its entries";
      if (!barMenuOpen_) Fail(L"no context menu is open" + first);
      barMenuOpen_ = false;
      auto bars = BarsOf(Explorer());
      auto bar = bars ? bars->Item(L"Context Menu") : nullptr;
      auto found = bar ? FindPath(*bar, w[2].text) : nullptr;
      auto button = office::AsButton(found);
      if (!button) Fail(L"no context-menu entry \"" + ShownWord(w[2].text) + L"\"" + first);
      Print(L"[click] context " + w[2].text);
      button->UserClick();
    }
    return Settle();
  }
  Need(w, 2, L"context SUBJECT | context click \"Caption/Caption\"");
  if (!w[1].quoted && w[1].text == L"click")
    Fail(
        L"usage: context click \"Caption/Caption\", after `context SUBJECT` opened an item's "
        L"menu (a mail called \"click\" is written quoted)");
  auto explorer = Explorer();
  auto item = ItemIn(explorer->CurrentFolder(), w[1]);
  if (contextMenu_ && contextMenu_->IsOpen()) contextMenu_->Close();
  contextMenu_.reset();
  barMenuOpen_ = false;
  explorer->Activate();
  explorer->Select({item});
  Settle();
  if (outlook::MajorVersion(p_.app->Version()) >= 12) {
    contextMenu_ = o2007events::ContextMenu::ShowItemMenu(addin_->EventsComponent(), explorer);
    for (const auto& entry : contextMenu_->Entries()) Print(L"  \"" + entry + L"\"");
    return;
  }
  auto bars = BarsOf(explorer);
  auto bar = bars ? bars->Item(L"Context Menu") : nullptr;
  if (!bar) {
    Print(L"  (Outlook " + p_.app->Version() + L" has no item context menu for add-ins)");
    return;
  }
  bars->FireOnUpdate();
  std::vector<std::wstring> lines;
  BarLines(*bar, L"", lines);
  for (const auto& line : lines) Print(line);
  barMenuOpen_ = true;
}

namespace {
// Whether a template has the chord as its hotkey (the add-in's values are named by the chord).
bool HotkeyBound(const Chord& chord) {
  win32::faults::Quiet own;
  CWinReg reg;
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, COptions().GetProfileRegPath() + L"\\Hotkeys"))
    return false;
  bool bound = false;
  std::wstring name;
  for (int32_t i = 0; !bound && reg.ValueAt(i, name) != CWinReg::Found::End; ++i) {
    auto has = ParseChord(name);
    bound = has && has->key == chord.key && has->ctrl == chord.ctrl && has->alt == chord.alt &&
            has->shift == chord.shift && has->altGr == chord.altGr;
  }
  reg.CloseKey();
  return bound;
}
}  // namespace

void Session::Key(const std::vector<Word>& w) {
  bool hold = w.size() == 4 && w[1].text == L"hold";
  if (!hold) Need(w, 2, L"key \"CHORD\" | key hold \"CHORD\" N");
  auto chord = ParseChord(w[hold ? 2 : 1].text);
  if (!chord) Fail(L"not a key chord: " + ShownWord(w[hold ? 2 : 1].text));
  Print(L"[key] " + w[hold ? 2 : 1].text);
  // A chord nothing is bound to does nothing, as in Outlook; a person is told why.
  if (started_ && (chord->ctrl || chord->alt || chord->altGr) && !HotkeyBound(*chord))
    Print(L"  (no template has the hotkey " + w[hold ? 2 : 1].text +
          L", so nothing happens: the picker's btnHotkey gives a template one)");
  if (hold) {
    int32_t n = Number(w[3]);
    if (chord->altGr) Fail(L"AltGr chords are pressed, not held");
    win32::keyboard::Hold(chord->key, n, chord->shift, chord->ctrl, chord->alt);
  } else if (chord->altGr) {
    win32::keyboard::PressAltGr(chord->key);
  } else {
    win32::keyboard::Press(chord->key, chord->shift, chord->ctrl, chord->alt);
  }
  Settle();
}

// --- answers -------------------------------------------------------------------------------
void Session::AnswerBox(const std::wstring& answer) {
  static const struct {
    const wchar_t* name;
    int id;
  } kAnswers[] = {{L"ok", win32::IDOK},
                  {L"cancel", win32::IDCANCEL},
                  {L"yes", win32::IDYES},
                  {L"no", win32::IDNO},
                  {L"retry", win32::IDRETRY}};
  for (const auto& a : kAnswers)
    if (answer == a.name) {
      boxAnswers_.push_back(a.id);
      return;
    }
  Fail(L"usage: answer box ok|cancel|yes|no|retry");
}

namespace {
std::wstring ButtonsOf(uint32_t style) {
  switch (style & 0xF) {
    case 1:
      return L"OK/Cancel";
    case 2:
      return L"Abort/Retry/Ignore";
    case 3:
      return L"Yes/No/Cancel";
    case 4:
      return L"Yes/No";
    case 5:
      return L"Retry/Cancel";
    default:
      return L"OK";
  }
}

}  // namespace

// A tree node's key from the path of node texts ("A/B").
std::wstring NodeKey(forms::Form& form, const std::wstring& tree, const std::wstring& path);

int Session::OnMessageBox(const win32::ShownMessageBox& box) {
  win32::faults::Quiet own;
  Flush();
  boxTexts_.push_back(box.text);
  Print(L"[box] " + Quote(box.text) + L" (" + ButtonsOf(box.style) + L")");
  int answer = 0;
  if ((box.style & 0xF) == win32::MB_OK) {
    answer = win32::IDOK;  // a box with one button needs no decision, and takes no answer
  } else if (!boxAnswers_.empty()) {
    answer = boxAnswers_.front();
    boxAnswers_.pop_front();
  } else if (options_.ask) {
    std::wstring takes = Lower(ButtonsOf(box.style));
    for (auto& c : takes)
      if (c == L'/') c = L' ';
    bool hasCancel = takes.find(L"cancel") != std::wstring::npos;
    for (int ends = 0; !answer;) {
      auto line = options_.ask(L"answer the box (" + takes + L")> ");
      if (!line && hasCancel) {
        // The input ended (Ctrl-D): the box is closed as Esc closes it, by its Cancel.
        answer = win32::IDCANCEL;
        Print(L"  (the input ended: the box is answered as with esc)");
        break;
      }
      if (!line) {
        // Without Cancel every answer decides something (a "No" may send or discard), and Esc
        // does not close such a box: it is asked again. Input that keeps ending has nobody
        // behind it, and leaves the box unanswered as a script's end does.
        if (++ends < 3) {
          Print(L"  (Ctrl-D does not answer a box without Cancel; it takes one of: " + takes +
                L")");
          continue;
        }
        break;
      }
      ends = 0;
      std::wstring l = Lower(*line);
      answer = l == L"ok"       ? win32::IDOK
               : l == L"cancel" ? win32::IDCANCEL
               : l == L"yes"    ? win32::IDYES
               : l == L"no"     ? win32::IDNO
               : l == L"retry"  ? win32::IDRETRY
                                : 0;
      // Only the box's own buttons answer it.
      if (answer && Lower(ButtonsOf(box.style)).find(l) == std::wstring::npos) answer = 0;
      if (!answer) Print(L"  the box takes one of: " + takes);
    }
  }
  if (!answer && options_.lenient) answer = DefaultButton(box.style);
  if (!answer) {
    std::wstring takes = Lower(ButtonsOf(box.style));
    std::replace(takes.begin(), takes.end(), L'/', L'|');
    unanswered_.push_back(L"the message box " + Quote(box.text) +
                          L" was shown with no answer queued; queue one on a line before: "
                          L"answer box " +
                          takes);
    throw win32::UnscriptedPrompt("message box \"" + A(box.text) +
                                  "\" shown with no answer queued");
  }
  static const wchar_t* kNames[] = {L"",      L"ok",     L"cancel", L"abort",
                                    L"retry", L"ignore", L"yes",    L"no"};
  Print(L"  answered " + std::wstring(answer >= 1 && answer <= 7 ? kNames[answer] : L"?"));
  lastBoxAnswer_ = answer;
  return answer;
}

namespace {
using Action = std::function<void(forms::User&)>;

// `pressed` gets, for each action, the button it presses by name, "enter" or "esc", or nothing.
std::vector<Action> ParseActions(const std::vector<Word>& w, size_t from,
                                 std::vector<std::wstring>& pressed) {
  std::vector<std::vector<Word>> groups(1);
  for (size_t i = from; i < w.size(); ++i) {
    std::wstring t = w[i].text;
    if (!w[i].quoted && t == L";") {
      groups.emplace_back();
      continue;
    }
    bool endsGroup = !w[i].quoted && t.size() > 1 && t.back() == L';';
    if (endsGroup) t.pop_back();
    groups.back().push_back({t, w[i].quoted});
    if (endsGroup) groups.emplace_back();
  }
  std::vector<Action> actions;
  for (const auto& g : groups) {
    if (g.empty()) continue;
    const std::wstring& verb = g[0].text;
    auto need = [&](size_t n, const wchar_t* usage) {
      if (g.size() != n) Fail(std::wstring(L"usage of a dialog action: ") + usage);
    };
    pressed.push_back(verb == L"click" || (verb == L"choose" && g.size() == 2)
                          ? (g.size() > 1 ? g[1].text : L"")
                      : verb == L"enter" || verb == L"esc" ? verb
                                                           : L"");
    if (verb == L"click") {
      need(2, L"click CONTROL");
      actions.push_back([c = g[1].text](forms::User& u) { u.Click(c); });
    } else if (verb == L"type") {
      need(3, L"type CONTROL \"text\"");
      actions.push_back([c = g[1].text, t = g[2].text](forms::User& u) { u.Type(c, t); });
    } else if (verb == L"check") {
      need(3, L"check CONTROL 0|1");
      if (g[2].text != L"0" && g[2].text != L"1") Fail(L"check takes 0 or 1");
      actions.push_back(
          [c = g[1].text, on = g[2].text == L"1"](forms::User& u) { u.SetChecked(c, on); });
    } else if (verb == L"choose" && g.size() == 3) {
      // An entry of a list or drop-down list, by its text ("*" marks a taken one).
      actions.push_back([c = g[1].text, text = g[2].text](forms::User& u) {
        auto list = std::dynamic_pointer_cast<forms::ListControl>(u.GetForm().FindControl(c));
        if (!list)
          throw forms::ActionRefused(A(L"no list " + ShownWord(c) + L" in " + u.GetForm().Name()));
        for (int32_t i = 0; i < list->ListCount(); ++i)
          if (list->List(i) == text || list->List(i) == L"*" + text) return u.SelectItem(c, i);
        throw forms::ActionRefused(A(L"no entry \"" + ShownWord(text) + L"\" in " +
                                     u.GetForm().Name() + L"." + ShownWord(c)));
      });
    } else if (verb == L"choose") {
      need(2, L"choose CONTROL [\"entry\"]");
      actions.push_back([c = g[1].text](forms::User& u) { u.Choose(c); });
    } else if (verb == L"node" || verb == L"dblclick") {
      need(3, L"node CONTROL \"A/B\"");
      bool dbl = verb == L"dblclick";
      actions.push_back([c = g[1].text, path = g[2].text, dbl](forms::User& u) {
        std::wstring key = NodeKey(u.GetForm(), c, path);
        if (dbl) return u.DblClickNode(c, key);
        u.SelectNode(c, key);
        // A folder is opened with its plus sign, so what it holds can be seen and picked.
        if (auto tree = u.GetForm().Get<forms::TreeView>(c); tree && u.GetForm().IsLoaded())
          if (auto node = tree->SelectedItem(); node && node->Key() == key && node->Children())
            node->Expanded = true;
      });
    } else if (verb == L"enter") {
      need(1, L"enter");
      actions.push_back([](forms::User& u) { u.PressEnter(); });
    } else if (verb == L"esc") {
      need(1, L"esc");
      actions.push_back([](forms::User& u) { u.PressEsc(); });
    } else if (verb == L"close") {
      need(1, L"close");
      actions.push_back([](forms::User& u) { u.CloseBox(); });
    } else {
      Fail(L"unknown dialog action: " + ShownWord(verb));
    }
  }
  if (actions.empty()) Fail(L"usage: answer FORM ACTION[; ACTION]...");
  return actions;
}
// The command or option button an action presses: one clicked or chosen by name, or the default
// or cancel button Enter or Esc presses; empty when it presses none.
std::wstring PressedButton(forms::Form& form, const std::wstring& pressed) {
  for (const auto& c : form.Controls()) {
    if (std::dynamic_pointer_cast<forms::OptionButton>(c) && c->Name() == pressed) return c->Name();
    auto button = std::dynamic_pointer_cast<forms::CommandButton>(c);
    if (!button) continue;
    if (pressed == L"enter" ? button->Default()
        : pressed == L"esc" ? button->Cancel()
                            : button->Name() == pressed)
      return button->Name();
  }
  return L"";
}
}  // namespace

namespace {
// The texts from the root down to the node, as `node` takes them.
std::wstring NodePath(const forms::Node& node) {
  std::wstring path = node.Text;
  for (auto up = node.Parent(); up; up = up->Parent()) path = up->Text + L"/" + path;
  return path;
}

// A control a user can see: lists of pictures and timers have no place on the screen.
bool Seen(const forms::Control& c) {
  return c.TypeName() != L"ImageList" && c.TypeName() != L"Timer" && OnScreen(c);
}

// The form's own OK button (older forms call it cmdOK), or null.
std::shared_ptr<forms::CommandButton> OkButton(forms::Form& form) {
  for (const wchar_t* name : {L"btnOK", L"cmdOK"})
    if (auto ok = std::dynamic_pointer_cast<forms::CommandButton>(form.FindControl(name)))
      return ok;
  return nullptr;
}

// What a user does before a disabled OK can be pressed, as actions of an answer: in a tree
// with nothing selected, one real node to pick (a leaf drawn unlike the folders, as a
// template among its folders); else an option of each group with none chosen and an entry
// of each list with none taken. Empty when OK is enabled.
std::vector<std::wstring> EnablingSteps(forms::Form& form) {
  auto ok = OkButton(form);
  if (!ok || ok->Enabled()) return {};
  for (const auto& c : form.Controls()) {
    auto tree = std::dynamic_pointer_cast<forms::TreeView>(c);
    if (!tree || !Seen(*tree) || !tree->Enabled()) continue;
    std::set<int32_t> folders;
    for (const auto& node : tree->Nodes().All())
      if (node->Children() > 0) folders.insert(node->Image);
    auto leaf = [&](const forms::Node& node) {
      return node.Children() == 0 && !folders.count(node.Image);
    };
    // A leaf picked already leaves OK to other steps; a folder picked is looked in first.
    auto selected = tree->SelectedItem();
    if (selected && leaf(*selected)) continue;
    std::shared_ptr<forms::Node> pick;
    std::function<void(const std::vector<std::shared_ptr<forms::Node>>&)> walk =
        [&](const std::vector<std::shared_ptr<forms::Node>>& level) {
          for (const auto& node : level) {
            if (pick) return;
            if (leaf(*node)) pick = node;
            walk(node->ChildNodes());
          }
        };
    if (selected) walk(selected->ChildNodes());
    walk(tree->Roots());
    if (!pick && !tree->Roots().empty()) pick = tree->Roots().front();
    if (pick) return {L"node " + tree->Name() + L" " + Quote(NodePath(*pick))};
  }
  std::vector<std::wstring> steps;
  std::set<const forms::Control*> groups;
  for (const auto& c : form.Controls()) {
    if (!Seen(*c) || !c->Enabled()) continue;
    if (auto option = std::dynamic_pointer_cast<forms::OptionButton>(c)) {
      if (groups.count(c->Container())) continue;
      groups.insert(c->Container());
      bool chosen = false;
      for (const auto& other : form.Controls())
        if (auto o = std::dynamic_pointer_cast<forms::OptionButton>(other);
            o && o->Container() == c->Container() && o->Value())
          chosen = true;
      if (!chosen) steps.push_back(L"choose " + c->Name());
    } else if (auto list = std::dynamic_pointer_cast<forms::ListControl>(c)) {
      if (list->ListIndex() >= 0) continue;
      // An entry marked "*" is taken already.
      for (int32_t i = 0; i < list->ListCount(); ++i)
        if (!list->List(i).starts_with(L"*")) {
          steps.push_back(L"choose " + c->Name() + L" " + Quote(list->List(i)));
          break;
        }
    }
  }
  return steps;
}

std::wstring Joined(const std::vector<std::wstring>& parts, const wchar_t* between) {
  std::wstring out;
  for (const auto& part : parts) out += (out.empty() ? L"" : between) + part;
  return out;
}

// An answer the form takes as it stands, followed literally: the steps that enable its OK
// button and the click on it; else its default and its cancel button where they can be
// pressed (the export and import dialogs: the run, then closing; after the run, closing).
std::wstring AnswerHint(forms::Form& form) {
  if (auto ok = OkButton(form)) {
    auto steps = EnablingSteps(form);
    // Text boxes whose OK, though enabled, refuses them blank: a box, and the dialog stays.
    static const struct {
      const wchar_t *form, *box, *example;
    } kFilled[] = {{L"RL_frmEmptyField", L"txtValue", L"a value"},
                   {L"frmReplyFolder", L"txtFolder", L"Tanvelo Templates"}};
    for (const auto& f : kFilled)
      if (form.Name() == f.form)
        if (auto box = std::dynamic_pointer_cast<forms::TextBox>(form.FindControl(f.box));
            box && Seen(*box) && box->Enabled() && vb::Trim(box->Text()).empty())
          steps.push_back(L"type " + box->Name() + L" " + Quote(f.example));
    steps.push_back(L"click " + ok->Name());
    return Joined(steps, L"; ");
  }
  std::wstring run, close;
  for (const auto& c : form.Controls()) {
    auto button = std::dynamic_pointer_cast<forms::CommandButton>(c);
    if (!button || !Seen(*button) || !button->Enabled()) continue;
    if (button->Default() && run.empty()) run = L"click " + button->Name();
    if (button->Cancel() && close.empty()) close = L"click " + button->Name();
  }
  if (run.empty() && close.empty()) return L"close";
  if (run.empty() || close.empty()) return run + close;
  return run + L"; " + close;
}

// Why a refused click on a disabled OK is refused, in the steps that enable it.
std::string WhyRefused(forms::Form& form, const std::string& refusal) {
  for (const wchar_t* action : {L"btnExport", L"btnImport"})
    if (refusal.find(A(form.Name() + L"." + action + L":")) != std::string::npos)
      if (auto why = WhyDisabled(form, action); !why.empty()) return refusal + " (" + A(why) + ")";
  auto ok = OkButton(form);
  if (!ok || refusal.find(A(form.Name() + L"." + ok->Name() + L":")) == std::string::npos)
    return refusal;
  auto steps = EnablingSteps(form);
  if (steps.empty()) return refusal;
  return refusal + " (" + A(ok->Name()) + " is enabled after: " + A(Joined(steps, L"; ")) + ")";
}

// What a person at a dialog's prompt can do, and with which of its controls.
std::vector<std::wstring> DialogHelp(forms::Form& form) {
  std::vector<std::wstring> out = {
      L"  actions, several joined by \";\": click C | type C \"text\" | check C 0|1 | choose C "
      L"[\"entry\"] | node C \"A/B\" (selects, and opens a folder) | dblclick C \"A/B\" | enter | "
      L"esc | close"};
  static const struct {
    const wchar_t* kind;
    std::function<bool(const forms::Control&)> is;
  } kKinds[] = {
      {L"buttons", [](const forms::Control& c) { return c.TypeName() == L"CommandButton"; }},
      {L"text boxes", [](const forms::Control& c) { return c.TypeName() == L"TextBox"; }},
      {L"check boxes", [](const forms::Control& c) { return c.TypeName() == L"CheckBox"; }},
      {L"options", [](const forms::Control& c) { return c.TypeName() == L"OptionButton"; }},
      {L"lists",
       [](const forms::Control& c) {
         return dynamic_cast<const forms::ListControl*>(&c) != nullptr;
       }},
      {L"trees", [](const forms::Control& c) { return c.TypeName() == L"TreeView"; }},
  };
  for (const auto& kind : kKinds) {
    std::wstring names;
    for (const auto& c : form.Controls())
      if (Seen(*c) && kind.is(*c))
        names += (names.empty() ? L"" : L", ") + c->Name() + (c->Enabled() ? L"" : L" (disabled)");
    if (!names.empty()) out.push_back(L"  " + std::wstring(kind.kind) + L": " + names);
  }
  if (auto browse = form.FindControl(L"btnOpenWindowsFolder"); browse && Seen(*browse))
    out.push_back(
        L"  btnOpenWindowsFolder opens the Windows folder browser, which asks for a "
        L"folder (or cancel); in a script: answer browser \"C:\\\\Temp\" on a line "
        L"before");
  out.push_back(L"  e.g. " + AnswerHint(form));
  return out;
}
}  // namespace

namespace {
// The dialogs the add-in shows modally, as an answer names them.
const wchar_t* const kDialogs[] = {L"frmReplyFolder", L"frmSelectTemplate", L"frmHotkey",
                                   L"frmOptions",     L"frmBrowseFolder",   L"frmExport",
                                   L"frmImport",      L"frmDebug",          L"RL_frmEmptyField"};

size_t Distance(const std::wstring& a, const std::wstring& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      bool same = std::towlower(a[i - 1]) == std::towlower(b[j - 1]);
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}
}  // namespace

std::wstring Session::UnknownDialog(const std::wstring& name) {
  if (std::find(std::begin(kDialogs), std::end(kDialogs), name) != std::end(kDialogs)) return L"";
  const wchar_t* nearest = kDialogs[0];
  for (const wchar_t* known : kDialogs)
    if (Distance(name, known) < Distance(name, nearest)) nearest = known;
  return L"the add-in has no dialog " + ShownWord(name) + L"; did you mean " + nearest +
         L"? (the dialogs: " +
         Joined(std::vector<std::wstring>(std::begin(kDialogs), std::end(kDialogs)), L", ") + L")";
}

// A line as the user wrote it, for the messages that name it later.
std::wstring LineText(const std::vector<Word>& w) {
  std::wstring line;
  for (const auto& word : w)
    line += (line.empty() ? L"" : L" ") +
            (word.quoted ? Quote(ShownWord(word.text)) : ShownWord(word.text));
  return line;
}

void Session::AnswerForm(const std::vector<Word>& w) {
  if (w.size() < 3) Fail(L"usage: answer FORM ACTION[; ACTION]...");
  // A misspelt dialog would never be shown: the answer would only be dropped later.
  if (auto why = UnknownDialog(w[1].text); !why.empty()) Fail(why);
  std::vector<std::wstring> pressed;
  auto actions = ParseActions(w, 2, pressed);
  if (std::find(answeredForms_.begin(), answeredForms_.end(), w[1].text) == answeredForms_.end())
    answeredForms_.push_back(w[1].text);
  droppedAt_.erase(w[1].text);
  // The buttons an answer presses are told, so a run shows which of a dialog's commands it used.
  forms::QueueScript(w[1].text, [this, actions, pressed, name = w[1].text](forms::User& u) {
    Print(L"  answered " + name);
    for (size_t i = 0; i < actions.size(); ++i) {
      const std::wstring button = PressedButton(u.GetForm(), pressed[i]);
      try {
        actions[i](u);
      } catch (const forms::ActionRefused& refused) {
        throw forms::ActionRefused(WhyRefused(u.GetForm(), refused.what()));
      }
      if (!button.empty()) Print(L"[click] dialog " + name + L" " + button);
      TellProgressText(u.GetForm());
      TellSupportWindows();
    }
  });
}

std::vector<std::wstring> Session::UnusedAnswers() const {
  std::vector<std::wstring> unused;
  for (int id : boxAnswers_)
    unused.push_back(id == win32::IDOK       ? L"answer box ok"
                     : id == win32::IDCANCEL ? L"answer box cancel"
                     : id == win32::IDYES    ? L"answer box yes"
                     : id == win32::IDNO     ? L"answer box no"
                                             : L"answer box retry");
  for (const auto& folder : browserAnswers_)
    unused.push_back(L"answer browser " + (folder ? Quote(*folder) : L"cancel"));
  for (const auto& name : answeredForms_)
    for (size_t n = forms::PendingScripts(name); n > 0; --n) unused.push_back(L"answer " + name);
  return unused;
}

void Session::AnswerBrowser(const Word& answer) {
  bool cancel = !answer.quoted && (answer.text == L"cancel" || answer.text == L"esc");
  browserAnswers_.push_back(cancel ? std::nullopt : std::optional<std::wstring>(answer.text));
}

namespace {
bool IsFolder(const std::wstring& path) {
  uint32_t attributes = win32::GetFileAttributesA(win32::ToAnsi(path).c_str());
  return attributes != win32::INVALID_FILE_ATTRIBUTES &&
         (attributes & win32::FILE_ATTRIBUTE_DIRECTORY);
}
// A folder the browser can surely pick, for its hint.
std::wstring SomeFolder() {
  return IsFolder(L"C:\\Temp") ? L"C:\\Temp" : L"C:\\";
}
}  // namespace

// The Windows folder browser: a queued answer, else a person at the prompt picks a folder;
// nobody there cancels it, as its Cancel does, and the dialog under it stays.
std::optional<std::string> Session::OnBrowser() {
  win32::faults::Quiet own;
  Flush();
  Print(L"[browser] the Windows folder browser");
  std::wstring hint = L"answer browser " + Quote(SomeFolder());
  std::optional<std::wstring> chosen;
  if (!browserAnswers_.empty()) {
    chosen = browserAnswers_.front();
    browserAnswers_.pop_front();
  } else if (options_.ask) {
    for (;;) {
      auto line =
          options_.ask(L"answer the browser (e.g. " + Quote(SomeFolder()) + L", or cancel)> ");
      if (!line) {
        Print(L"  (the input ended: the browser is cancelled)");
        break;
      }
      std::vector<Word> words;
      try {
        words = SplitLine(*line);
      } catch (const ScriptError& e) {
        Print(L"  " + FromUtf8(e.what()));
        continue;
      }
      if (words.size() == 1 && !words[0].quoted &&
          (words[0].text == L"cancel" || words[0].text == L"esc"))
        break;
      if (words.size() == 1 && !words[0].quoted && words[0].text == L"help") {
        Print(
            L"  the browser picks a folder of the disk, typed as a path (quoted, \\\\ for "
            L"\\, or bare), e.g. " +
            Quote(SomeFolder()) + L"; cancel (or esc) closes it");
        continue;
      }
      if (words.size() == 1 && IsFolder(words[0].text)) {
        chosen = words[0].text;
        break;
      }
      Print(words.size() == 1
                ? L"  no folder " + Quote(ShownWord(words[0].text)) +
                      L" on the disk; the browser picks a folder that exists"
                : L"  the browser takes a folder or cancel, e.g. " + Quote(SomeFolder()));
    }
  } else {
    Print(
        L"  no answer queued: the browser is cancelled; to pick a folder, queue on a line "
        L"before: " +
        hint);
  }
  Print(L"  answered " + (chosen ? Quote(*chosen) : L"cancel"));
  if (!chosen) return std::nullopt;
  return win32::ToAnsi(*chosen);
}

std::optional<std::function<void(forms::User&)>> Session::OnUnansweredForm(forms::Form& form) {
  if (options_.lenient) {
    return [](forms::User& u) {
      try {
        u.PressEsc();
      } catch (const win32::UnscriptedPrompt&) {
        u.CloseBox();
      }
    };
  }
  // The hint is what the user does to the form as it stands, up to its OK (older forms call
  // it cmdOK; some have none), so followed literally it works.
  std::wstring unanswered = L"the dialog " + form.Name() +
                            L" was shown with no answer queued; queue one on a line before, as "
                            L"the user would answer it: answer " +
                            form.Name() + L" " + AnswerHint(form);
  if (auto dropped = droppedAt_.find(form.Name()); dropped != droppedAt_.end())
    unanswered += L" (the answer queued for it was dropped unused by the line " + dropped->second +
                  L" before)";
  if (!options_.ask) {
    unanswered_.push_back(unanswered);
    return std::nullopt;
  }
  // A person at the prompt: the dialog is shown as text, the actions read as in a script.
  for (const auto& line : DialogLines(form)) Print(line);
  auto typed = std::make_shared<std::wstring>();  // the answer's last line, for its errors
  // Each question names what the dialog takes now; an empty line or `help` is answered in the
  // dialog's own terms.
  auto ask = [this, &form, typed]() -> std::optional<std::vector<Action>> {
    for (;;) {
      auto line = options_.ask(L"answer " + form.Name() + L" (e.g. " + AnswerHint(form) + L")> ");
      if (!line) return std::nullopt;
      *typed = *line;
      try {
        auto words = SplitLine(*line);
        if (words.empty()) {
          Print(L"  " + form.Name() + L" waits for an action, e.g. " + AnswerHint(form) +
                L"; `help` lists its actions and controls");
          continue;
        }
        if (words.size() == 1 && !words[0].quoted && words[0].text == L"help") {
          for (const auto& help : DialogHelp(form)) Print(help);
          continue;
        }
        // Outlook's own commands wait until the dialog is closed, as Outlook's window does.
        static const wchar_t* kActions[] = {L"click", L"type",  L"check", L"choose",
                                            L"node",  L"enter", L"esc",   L"close"};
        if (!words[0].quoted && IsCommand(words[0].text) &&
            std::find(std::begin(kActions), std::end(kActions), words[0].text) ==
                std::end(kActions)) {
          Print(L"  `" + ShownWord(words[0].text) + L"` is for Outlook, which waits until " +
                form.Name() +
                L" is closed: answer it first (esc cancels it; help lists its "
                L"actions)");
          continue;
        }
        std::vector<std::wstring> pressed;  // a person at the prompt sees what they pressed
        return ParseActions(SplitLine(L"answer " + form.Name() + L" " + *line), 2, pressed);
      } catch (const ScriptError& e) {
        std::string why = e.what();
        if (why.starts_with("usage: answer ")) why = "usage: ACTION[; ACTION]... (help lists them)";
        Print(L"  " + FromUtf8(CutInput(why, *line)));
      }
    }
  };
  // The input ended at the dialog (Ctrl-D): it is cancelled as Esc would, or closed by its
  // close box when it has no Cancel, and Outlook goes on from there.
  auto cancel = [this, &form](forms::User& u) {
    Print(L"  (the input ended: " + form.Name() + L" is cancelled, as with esc)");
    try {
      u.PressEsc();
    } catch (const forms::ActionRefused&) {
      if (form.IsLoaded() && form.Visible()) u.CloseBox();
    }
  };
  auto first = ask();
  if (!first) return cancel;
  // Step by step: after each line the dialog is shown again as it stands, until it closes.
  return [this, &form, ask, first, typed, cancel](forms::User& u) {
    auto actions = first;
    while (actions) {
      // A typo (a control the form lacks, one the user cannot reach, an entry not listed)
      // is told and asked again: the dialog stays open as the refused action left it. What a
      // dialog this one opened refused is not this user's to answer.
      size_t shows = shows_;
      try {
        for (const auto& a : *actions) {
          // Judged by the action that raised it: an earlier one of the line may have opened
          // and closed a dialog of its own.
          shows = shows_;
          a(u);
          TellProgressText(u.GetForm());
          TellSupportWindows();
        }
      } catch (const forms::ActionRefused& refused) {
        if (shows_ != shows) throw;
        Print(L"  " + FromUtf8(CutInput(WhyRefused(form, refused.what()), *typed)) +
              L"; the dialog is still open");
      }
      if (!form.IsLoaded() || !form.Visible()) return;
      for (const auto& line : DialogLines(form)) Print(line);
      actions = ask();
      if (!actions) cancel(u);
    }
  };
}

// --- mail sent and filed ---------------------------------------------------------------------
void Session::Watch(bool news) {
  std::vector<std::shared_ptr<outlook::MAPIFolder>> todo;
  for (const auto& store : p_.session->Stores())
    if (store->Root()) todo.push_back(store->Root());
  std::map<const outlook::MAPIFolder*, outlook::Subscription> keep;
  while (!todo.empty()) {
    auto folder = todo.back();
    todo.pop_back();
    if (folder->IsDeleted()) continue;
    auto folders = folder->Folders();
    for (int32_t i = 1; i <= folders->Count(); ++i) todo.push_back(folders->Item(i));
    auto it = watched_.find(folder.get());
    if (it != watched_.end()) {
      keep[folder.get()] = std::move(it->second);
      continue;
    }
    std::weak_ptr<outlook::MAPIFolder> weak = folder;
    // The item itself is remembered, not the handle that listed it, which ends at once.
    if (news)
      for (const auto& item : folder->Items()->All())
        filed_.push_back({item->weak_from_this(), weak});
    keep[folder.get()] =
        folder->Items()->ItemAdd.Subscribe([this, weak](std::shared_ptr<outlook::Item> item) {
          if (item) filed_.push_back({item->weak_from_this(), weak});
        });
  }
  watched_ = std::move(keep);
}

namespace {
// `to "" ` only when nobody is named: a separate copy to a Cc goes out on its Cc line alone.
std::wstring SentTo(const std::shared_ptr<outlook::Item>& item) {
  std::wstring out;
  for (const auto& [field, value] : Addressees(item))
    out += (out.empty() ? L"" : L" ") + field + L" " + Quote(value);
  return out.empty() ? L"to \"\"" : out;
}
}  // namespace

// The add-in's own passing copies (a template's copy during a merge, a reply on its way to the
// drafts folder) are gone again by the time the user could look; only what stays is told.
void Session::Flush() {
  auto filed = std::move(filed_);
  filed_.clear();
  for (const auto& f : filed) {
    auto item = f.item.lock();
    auto folder = f.folder.lock();
    if (!item || !folder || item->IsDead() || !item->InFolder() || item->Parent() != folder)
      continue;
    if (folder == p_.deleted) continue;
    if (folder == p_.outbox || folder == p_.sent)
      Print(L"[sent] " + SentTo(item) + L" subject " + Quote(item->Subject()));
    else
      Print(L"[filed] " + FolderPath(folder) + L": " + Quote(item->Subject()));
  }
}

// --- a run with a progress bar ----------------------------------------------------------------
namespace {

// A form's progress bar on screen and the label beside it (in the same container).
struct ProgressView {
  std::shared_ptr<forms::ProgressBar> bar;
  std::shared_ptr<forms::Label> label;
};

ProgressView ProgressOf(forms::Form& form) {
  ProgressView view;
  if (!form.IsLoaded() || !form.Visible()) return view;
  for (const auto& c : form.Controls()) {
    auto bar = std::dynamic_pointer_cast<forms::ProgressBar>(c);
    if (bar && OnScreen(*bar)) {
      view.bar = bar;
      break;
    }
  }
  if (!view.bar) return view;
  for (const auto& c : form.Controls()) {
    auto label = std::dynamic_pointer_cast<forms::Label>(c);
    if (label && label->Container() == view.bar->Container() && OnScreen(*label)) {
      view.label = label;
      break;
    }
  }
  return view;
}

std::wstring TrimmedRight(std::wstring text) {
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

// The path a recorded Word call names first ("DocumentSaveAs(C:\\Out\\a.dot,1)"), if it is
// that call.
std::optional<std::wstring> CallPath(const std::wstring& call, std::wstring_view name) {
  if (call.size() <= name.size() + 1 || call.compare(0, name.size(), name) != 0 ||
      call[name.size()] != L'(' || call.back() != L')')
    return std::nullopt;
  std::wstring args = call.substr(name.size() + 1, call.size() - name.size() - 2);
  if (name == L"DocumentSaveAs") args = args.substr(0, args.rfind(L','));
  return args;
}

// A Word document or template: the run's own intermediate files (HTML, RTF, text) are not.
bool IsWordFile(const std::wstring& path) {
  std::wstring ext = path.size() > 4 ? Lower(path.substr(path.size() - 4)) : L"";
  return ext == L".doc" || ext == L".dot";
}

// Whether the file was written at this moment of the virtual clock (a run's own writing,
// not a file of the same name left from before).
bool WrittenNow(const std::wstring& path) {
  win32::WIN32_FIND_DATAA data;
  win32::HANDLE find = win32::FindFirstFileA(win32::ToAnsi(path).c_str(), &data);
  if (find == win32::INVALID_HANDLE_VALUE) return false;
  win32::FindClose(find);
  win32::SYSTEMTIME now{};
  win32::GetSystemTime(&now);
  win32::FILETIME stamp{};
  win32::SystemTimeToFileTime(&now, &stamp);
  return data.ftLastWriteTime.dwLowDateTime == stamp.dwLowDateTime &&
         data.ftLastWriteTime.dwHighDateTime == stamp.dwHighDateTime;
}

}  // namespace

void Session::Painted() {
  win32::faults::Quiet own;
  for (forms::Form* form : forms::LoadedForms()) {
    ProgressView view = ProgressOf(*form);
    if (!view.bar) continue;
    // The run goes a unit at a time: what it filed so far is told now, wherever it went.
    Watch(true);
    Flush();
    // Word's work since the last drawing: the Word file it read or wrote (the others are the
    // run's own intermediate files).
    std::wstring file;
    const auto& calls = word::Calls();
    if (wordCalls_ > calls.size()) wordCalls_ = 0;
    for (; wordCalls_ < calls.size(); ++wordCalls_) {
      const std::wstring& call = calls[wordCalls_];
      std::optional<std::wstring> path = CallPath(call, L"DocumentOpen");
      if (!path) path = CallPath(call, L"DocumentNew");
      if (path && IsWordFile(*path)) file = *path;
      auto saved = CallPath(call, L"DocumentSaveAs");
      if (saved && IsWordFile(*saved) && WrittenNow(*saved)) {
        file = *saved;
        Print(L"[exported] " + *saved);
      }
    }
    std::wstring text = view.label ? view.label->Caption() : L"";
    progressText_ = text;
    if (!options_.ask) return;
    // Shown when the bar or its text moved, or Word took up another file.
    std::wstring shown = L"[progress] " + form->Name() + L" " + ProgressText(*view.bar);
    if (!text.empty()) shown += L" " + Quote(TrimmedRight(text));
    if (shown != progressShown_ || !file.empty()) Print(file.empty() ? shown : shown + L" " + file);
    progressShown_ = std::move(shown);
    return;
  }
}

void Session::WordAtWork(const std::wstring& file, int seconds) {
  win32::faults::Quiet own;
  if (!options_.ask) return;
  for (forms::Form* form : forms::LoadedForms()) {
    ProgressView view = ProgressOf(*form);
    if (!view.bar) continue;
    // The document at work, not the one just done; a long one is told while it lasts.
    std::wstring shown = L"[progress] " + form->Name() + L" " + ProgressText(*view.bar);
    Print(seconds == 0
              ? shown + L" converting " + file
              : shown + L" still converting " + file + L" (" + std::to_wstring(seconds) + L" s)");
    return;
  }
}

void Session::TellProgressText(forms::Form& form) {
  win32::faults::Quiet own;
  ProgressView view = ProgressOf(form);
  if (!view.label) return;
  std::wstring text = view.label->Caption();
  if (text.empty() || text == progressText_) return;
  progressText_ = text;
  Watch(true);
  Flush();
  Print(L"[dialog] " + form.Name() + L" says " + Quote(TrimmedRight(text)));
}

void Session::TellSupportWindows() {
  const auto& calls = support::library::Calls();
  if (calls.size() < supportCalls_) supportCalls_ = 0;  // a new Outlook's library
  for (; supportCalls_ < calls.size(); ++supportCalls_) {
    const auto& call = calls[supportCalls_];
    if (call.function == "LibNorvaneShowAbout")
      Print(L"[about] the About window of Tanvelo is shown");
    else if (call.function == "LibNorvaneShowContextHelp")
      Print(call.argument.empty() ? std::wstring(L"[help] the help opens at its contents")
                                  : L"[help] the help opens at the topic " + Quote(call.argument));
    else if (call.function == "LibNorvaneReportProblem")
      Print(L"[report] the \"Report a problem\" window is shown");
  }
}

}  // namespace host
