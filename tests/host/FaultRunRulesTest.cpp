// What tells a loss, rule by rule, both ways: what must tell the thing, and what names or
// looks like it for another reason and must not.
#include <gtest/gtest.h>

#include <string>

#include "host/FaultRunRules.h"
#include "host/ScriptReader.h"

namespace {

using host::judge::Thing;

const std::wstring kMail = L"follow up to our call";
const std::wstring kTemplate = L"Quarterly figures";

Thing Made(std::wstring name, std::set<std::wstring> kinds) {
  return {{std::move(name)}, std::move(kinds), true, true};
}

}  // namespace

TEST(FaultRunRules, EachTellRuleBothWays) {
  const auto& items = host::judge::kItemWords;
  const auto& registry = host::judge::kRegistryWords;
  struct Case {
    const wchar_t* tell;
    Thing thing;
    int rule;  // the row of TellRules() that tells it, or -1
  } cases[] = {
      // Named, saying it was not done.
      {L"[logged] mTanvelo::Send: \"follow up to our call\" could not be sent",
       {{kMail}, items, true, false},
       0},
      {L"[logged] COptions::WriteProfileString: DefaultTemplateID could not be written",
       {{L"DefaultTemplateID"}, registry, true, false},
       0},
      // Named for another reason: shown, or an undoing of it not done (it is still there).
      {L"[logged] mTanvelo::Show: \"Quarterly figures\" is shown",
       {{kTemplate}, items, true, false},
       -1},
      {L"[logged] mTanvelo::SendMode: The send mode's removal of \"follow up to our call\" not "
       L"done",
       Made(kMail, items), -1},
      // ...though the same words tell the thing changed (its mark still there).
      {L"[logged] mTanvelo::SendMode: The send mode's removal of \"follow up to our call\" not "
       L"done",
       {{kMail}, {}, false, false},
       0},
      // At the command: a box, for the line's own work only.
      {L"[box] \"Something went wrong.\" (OK)", Made(kTemplate, items), 1},
      {L"[box] \"Something went wrong.\" (OK)", {{kTemplate}, items, true, false}, -1},
      // The kind of work, saying it was not done, naming nothing else.
      {L"[logged] mTanvelo::NewTemplateFromMail: the template could not be saved",
       Made(kTemplate, items), 2},
      {L"[logged] mTanvelo::NewTemplateFromMail: the template could not be saved",
       {{kTemplate}, items, true, false},
       -1},
      {L"[logged] mTanvelo::NewTemplateFromMail: the template \"Team lunch\" could not be saved",
       Made(kTemplate, items), -1},
      {L"[logged] mExplorer.IsMailSelected: Save as template, Send drafts: not offered, Outlook "
       L"refused to show the selection",
       Made(kTemplate, items), -1},
      {L"[logged] mTanvelo::NewTemplateFromMail: the template is made", Made(kTemplate, items), -1},
      // An event handler's error naming nothing: the action failed whole.
      {L"[logged] mExplorer.Explorer_Click: The operation failed.", Made(kTemplate, {}), 3},
      {L"[logged] mExplorer.Explorer_Click: The operation failed.",
       {{kTemplate}, {}, true, false},
       -1},
      {L"[logged] frmSelectTemplate::Form_Unload: Registry value not written: \"ClientWidth\"",
       {{kMail}, {}, false, true},
       -1},
      {L"[logged] RL_CJob::FindContactByEmail: The operation failed.", Made(kMail, {}), -1},
      // Side work (a picker's tree, a ribbon callback) tells only of itself.
      {L"[logged] frmSelectTemplate::AddItems2Tree: The template list could not be filled",
       Made(kTemplate, items), -1},
      {L"[logged] frmSelectTemplate::btnOK_Click: The template list could not be filled",
       Made(kTemplate, items), 2},
      {L"[logged] Connect::Control_GetVisible_: The operation failed.", Made(kTemplate, {}), -1},
      {L"[logged] Connect::Control_Click_: The operation failed.", Made(kTemplate, {}), 3},
      // A doubt names the thing but tells no loss of it.
      {L"[logged] mTanvelo::Mark: whether \"Quarterly figures\" is the default is not known",
       {{kTemplate}, items, false, false},
       -1},
      {L"[logged] mTanvelo::Mark: \"Quarterly figures\" was not made the default",
       {{kTemplate}, items, false, false},
       0},
  };
  const auto rules = host::judge::TellRules();
  for (const auto& c : cases) {
    const auto* rule = host::judge::Telling(c.tell, c.thing);
    int row = rule ? static_cast<int>(rule - rules.data()) : -1;
    EXPECT_EQ(c.rule, row) << host::Utf8(c.tell) << " own " << c.thing.own << " gone "
                           << c.thing.gone;
  }
  EXPECT_TRUE(host::judge::SaysNotDone(L"CLang.InitEx: Cant find lang file by langID=EN"));
  EXPECT_TRUE(host::judge::SaysNotDone(L"the message was neither sent nor filed"));
  EXPECT_FALSE(host::judge::SaysNotDone(L"the message was sent"));
}

// Absent, an option written only as it is read, or a toolbar's position, reads as its default:
// only that default may stay unwritten.
// A dialog the clean line showed too, under another caption, is no tell; another dialog is.
TEST(FaultRunRules, ADialogShownInBothRunsUnderAnotherCaptionTellsNothing) {
  const std::vector<std::wstring> clean = {
      L"[dialog] frmHotkey \"Tanvelo Templates - Hotkey for Quarterly figures\""};
  struct Case {
    const wchar_t* shown;
    bool same;
  } cases[] = {{L"[dialog] frmHotkey \"Tanvelo Templates - Hotkey for %s\"", true},
               {L"[dialog] frmHotkeyList \"Hotkeys\"", false},
               {L"[dialog] RL_frmEmptyField \"missing field value\"", false},
               {L"[box] \"frmHotkey\" (OK)", false},
               // What a dialog says is no caption.
               {L"[dialog] frmHotkey says \"The hotkey was not saved.\"", false},
               // Shown again as it was: a window asked for once more, as before.
               {L"[dialog] frmHotkey \"Tanvelo Templates - Hotkey for Quarterly figures\"", false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.same, host::judge::ShownAlsoClean(c.shown, clean)) << host::Utf8(c.shown);
}

TEST(FaultRunRules, OnlyWhatReadsTheSameAbsentMayStayUnwritten) {
  const std::string zero = "4 \\x00\\x00\\x00\\x00", one = "4 \\x01\\x00\\x00\\x00";
  struct Case {
    const char* key;
    std::string data;
    bool same;
  } cases[] = {
      {"Software\\Norvane\\Tanvelo\\<>\\toolbar.Left", zero, true},
      {"Software\\Norvane\\Tanvelo\\<>\\toolbar.Left", "4 x\\x00\\x00\\x00", false},  // 120
      {"Software\\Norvane\\Tanvelo\\<>\\barInsert.Position", one, true},
      {"Software\\Norvane\\Tanvelo\\<>\\barInsert.Position", "4 \\x04\\x00\\x00\\x00", false},
      {"Software\\Norvane\\Tanvelo\\UseKeyboardHook", one, true},
      {"Software\\Norvane\\Tanvelo\\UseKeyboardHook", zero, false},
      {"Software\\Norvane\\Tanvelo\\ModifyTVDraftsView", zero, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.same, host::judge::ReadsTheSameAbsent(c.key, c.data)) << c.key << " " << c.data;
}

// A window's bars follow the folder it shows: they differ for a loss only when the clean run's
// folder is not there and a tell names it as not made.
TEST(FaultRunRules, BarsOnAnotherFolderFailForAFolderToldUnmade) {
  const std::wstring news = L"Tanvelo Templates/Standard Templates/New Message Templates";
  const std::set<std::wstring> without = {L"Inbox", L"Tanvelo Templates"},
                               with = {L"Inbox", L"Tanvelo Templates", news};
  const std::wstring
      unmade =
          L"Tanvelo could not finish setting up its templates. Not there yet: the sample templates "
          L"New Message Templates: 'company event'",
      made = L"Tanvelo set up the New Message Templates";
  struct Case {
    const char* why;
    std::wstring clean, now;
    std::set<std::wstring> folders;
    std::vector<std::wstring> tells;
    bool lost;
  } cases[] = {
      {"the folder told unmade", news, L"Inbox", without, {unmade}, true},
      {"told nothing", news, L"Inbox", without, {}, false},
      {"a tell naming it that says nothing undone", news, L"Inbox", without, {made}, false},
      {"a tell of something else undone",
       news,
       L"Inbox",
       without,
       {L"the hotkey was not kept"},
       false},
      {"the folder is there: the switch was not done", news, L"Inbox", with, {unmade}, false},
      {"the same folder shown", news, news, without, {unmade}, false},
      {"no folder shown in the clean run", L"", L"Inbox", without, {unmade}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.lost, host::judge::ShowsAFolderLost(c.clean, c.now, c.folders, c.tells)) << c.why;
  // An item whose folder is not there: owed to that folder's loss only when a tell says so.
  for (const auto& c : cases) {
    if (c.clean.empty() || c.clean == c.now) continue;
    EXPECT_EQ(c.lost, host::judge::FolderToldNotMade(c.clean, c.folders, c.tells).has_value())
        << "an item of it: " << c.why;
  }
}
