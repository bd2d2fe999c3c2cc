// A world the ribbon's rules can be asked about without Outlook: facts set by the test,
// commands that only record what they were asked to run, and an IRibbonUI that records (and
// can refuse) invalidations.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "addin/CConnectRibbon.h"
#include "core/Main.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Error.h"
#include "platform/win32/Reset.h"
#include "tests/common/Log.h"

namespace ribbontest {

// Contexts are plain tags here: "inspector" and "explorer"; anything else is no window.
inline const std::any kInspector = std::wstring(L"inspector");
inline const std::any kExplorer = std::wstring(L"explorer");

inline bool IsKind(const std::any& ctx, const wchar_t* kind) {
  auto s = std::any_cast<std::wstring>(&ctx);
  return s && *s == kind;
}

class FakeFacts : public IRibbonFacts {
 public:
  int32_t version = 14;
  std::wstring defaultTemplateId = L"DEF";
  std::map<int32_t, std::vector<CTemplate>> frequents;
  std::wstring language = L"EN";
  // Inspector item.
  bool itemTemplate = false, itemStamped = false, itemDefault = false, wordMail = false,
       modal = false;
  std::wstring itemEntryId = L"ITEM";
  // Explorer.
  bool templateFolder = false, draftsFolder = false, mailFolder = true, mailSelected = false,
       templateSelected = false, defaultSelected = false;
  int32_t selectionCount = 0;
  std::map<int32_t, std::pair<bool, bool>> builtins{
      {354, {true, true}}, {355, {true, true}}, {356, {true, true}}};
  // A fact that raises when asked, to check the rules' answers on errors.
  std::set<std::wstring> failing;
  std::vector<std::wstring> iconsLoaded;

  // A fact Outlook refuses a moment: the next so many asks of it raise.
  mutable std::map<std::wstring, int> refusing;

  void Fail(const wchar_t* fact) const {
    if (failing.count(fact)) vb::Raise(5, std::wstring(L"failed ") + fact);
    if (auto held = refusing.find(fact); held != refusing.end() && held->second > 0) {
      --held->second;
      vb::Raise(-2147467259, L"The operation failed.");
    }
  }
  void NeedInspector(const std::any& ctx) const {
    if (!IsKind(ctx, L"inspector")) vb::Raise(vb::kObjectVariableNotSet);
  }
  void NeedExplorer(const std::any& ctx) const {
    if (!IsKind(ctx, L"explorer")) vb::Raise(vb::kObjectVariableNotSet);
  }

  void Rank(int32_t action, std::vector<std::pair<std::wstring, bool>> subjects) {
    auto& list = frequents[action];
    list.clear();
    int i = 0;
    for (auto& [subject, preaddressed] : subjects) {
      CTemplate t;
      t.sSubject = subject;
      t.bPreaddressed = preaddressed;
      t.sEntryID = L"E" + std::to_wstring(action) + L"_" + std::to_wstring(++i);
      list.push_back(t);
    }
  }

  int32_t AppVersion() override { return version; }
  std::wstring DefaultTemplateID() override { return defaultTemplateId; }
  std::shared_ptr<CTemplates> GetFrequents(int32_t nAction) override {
    Fail(L"GetFrequents");
    auto list = std::make_shared<CTemplates>();
    for (auto& t : frequents[nAction]) list->AddCopy(t);
    return list;
  }
  std::wstring Text(std::wstring_view id) override {
    Fail(L"Text");
    return language + L":" + std::wstring(id);
  }
  std::shared_ptr<win32::IPicture> Icon(const std::wstring& name, int32_t size) override {
    Fail(L"Icon");
    iconsLoaded.push_back(name + L"@" + std::to_wstring(size));
    return nullptr;  // the tests read iconsLoaded
  }
  std::any ActiveExplorer() override { return kExplorer; }
  bool IsTemplateItem(const std::any& c) override { return NeedInspector(c), itemTemplate; }
  bool HasAddinStamp(const std::any& c) override { return NeedInspector(c), itemStamped; }
  bool IsDefaultTemplateItem(const std::any& c) override { return NeedInspector(c), itemDefault; }
  std::wstring CurrentEntryID(const std::any& c) override { return NeedInspector(c), itemEntryId; }
  bool IsWordMail(const std::any& c) override { return NeedInspector(c), wordMail; }
  bool IsModalInspector(const std::any& c) override { return NeedInspector(c), modal; }
  bool IsTemplateFolderCurrent(const std::any& c) override {
    return NeedExplorer(c), Fail(L"Folder"), templateFolder;
  }
  bool IsDraftsFolderCurrent(const std::any& c) override { return NeedExplorer(c), draftsFolder; }
  bool IsMailFolderCurrent(const std::any& c) override { return NeedExplorer(c), mailFolder; }
  bool IsMailSelected(const std::any& c) override { return NeedExplorer(c), mailSelected; }
  bool IsTemplateSelected(const std::any& c) override { return NeedExplorer(c), templateSelected; }
  bool IsDefaultTemplateSelected(const std::any& c, bool& bIsDefault, int32_t& nCount) override {
    NeedExplorer(c);
    bIsDefault = templateFolder && templateSelected && defaultSelected;
    nCount = templateFolder ? selectionCount : 0;
    return templateFolder && templateSelected;
  }
  void GetBuiltinControlState(const std::any& c, int32_t nId, bool& bEnabled,
                              bool& bVisible) override {
    NeedExplorer(c);
    bEnabled = bVisible = false;
    Fail(L"Builtin");
    auto found = builtins.find(nId);
    if (found != builtins.end()) std::tie(bEnabled, bVisible) = found->second;
  }
  int32_t SelectionCount(const std::any& c) override { return NeedExplorer(c), selectionCount; }
};

// Every command as one line: its name and arguments.
class RecordingCommands : public IRibbonCommands {
 public:
  std::vector<std::wstring> runs;
  bool changeDefaultAnswer = true;
  std::function<void()> during;  // runs inside every command, as a modal dialog would

  void Run(std::wstring line) {
    runs.push_back(std::move(line));
    if (during) during();
  }
  static std::wstring Ctx(const std::any& c) {
    auto s = std::any_cast<std::wstring>(&c);
    return s ? *s : L"?";
  }

  void Tanvelo_Click(const std::any& i, int32_t a, const std::wstring& id, bool fg) override {
    Run(L"Tanvelo_Click " + Ctx(i) + L" " + std::to_wstring(a) + L" [" + id + L"] " +
        (fg ? L"fg" : L"bg"));
  }
  void SaveItem(const std::any& i) override { Run(L"Save " + Ctx(i)); }
  void SaveAsTemplate_Click(const std::wstring& id, bool&) override {
    Run(L"SaveAsTemplate_Click [" + id + L"]");
  }
  void ProcessPersonal2_Click(const std::any& i, bool word) override {
    Run(L"ProcessPersonal2_Click " + Ctx(i) + (word ? L" word" : L" plain"));
  }
  void OpenDuplicate_Click(const std::wstring& id, bool) override {
    Run(L"OpenDuplicate_Click [" + id + L"]");
  }
  void Hotkey_Click(const std::wstring& id, bool) override { Run(L"Hotkey_Click [" + id + L"]"); }
  bool ChangeDefault_Click(const std::any& i) override {
    Run(L"ChangeDefault_Click " + Ctx(i));
    return changeDefaultAnswer;
  }
  void InsertText(const std::wstring& text, bool clip) override {
    Run(L"InsertText [" + text + L"]" + (clip ? L" clipboard" : L""));
  }
  void Explorer_Tanvelo(int32_t a, const std::wstring& id, int32_t mode) override {
    Run(L"Explorer_Tanvelo " + std::to_wstring(a) + L" [" + id + L"] " + std::to_wstring(mode));
  }
  void Explorer_NewFromTemplate() override { Run(L"Explorer_NewFromTemplate"); }
  void Explorer_SaveAsTemplate() override { Run(L"Explorer_SaveAsTemplate"); }
  void Explorer_NewTemplate() override { Run(L"Explorer_NewTemplate"); }
  void Explorer_EditTemplate() override { Run(L"Explorer_EditTemplate"); }
  void Explorer_OpenDuplicate() override { Run(L"Explorer_OpenDuplicate"); }
  void Explorer_Hotkey() override { Run(L"Explorer_Hotkey"); }
  void Explorer_Import() override { Run(L"Explorer_Import"); }
  void Explorer_Export() override { Run(L"Explorer_Export"); }
  bool Explorer_ChangeDefault() override {
    Run(L"Explorer_ChangeDefault");
    return changeDefaultAnswer;
  }
  void Explorer_SendDrafts() override { Run(L"Explorer_SendDrafts"); }
  void ShowNewMessageTemplatesFolder() override { Run(L"ShowNewMessageTemplatesFolder"); }
  void DemandSelAndEditTemplace() override { Run(L"DemandSelAndEditTemplace"); }
  void ShowOptions() override { Run(L"ShowOptions"); }
  void ReportProblem() override { Run(L"ReportProblem"); }
  void ShowContextHelp(const std::wstring& topic) override {
    Run(L"ShowContextHelp [" + topic + L"]");
  }
  void ShowAbout() override { Run(L"ShowAbout"); }
};

// Records every invalidation; ids in `refuse` raise as Office may for a control it lacks, and
// with `refuseAll` every call raises (a ribbon whose window is going away).
class RecordingRibbonUI : public office::IRibbonUI {
 public:
  std::vector<std::wstring> invalidated;
  int wholeInvalidations = 0;
  std::set<std::wstring> refuse;
  bool refuseAll = false;
  std::vector<std::wstring> activated;
  void Invalidate() override {
    Refused(L"");
    ++wholeInvalidations;
  }
  void InvalidateControl(const std::wstring& id) override {
    Refused(id);
    invalidated.push_back(id);
  }
  void ActivateTab(const std::wstring& id) override {
    Refused(L"");
    activated.push_back(id);
  }

 private:
  void Refused(const std::wstring& id) const {
    if (refuseAll || refuse.count(id)) vb::Raise(5, L"Invalid procedure call or argument");
  }
};

class RibbonTest : public testing::Test {
 protected:
  void SetUp() override { win32::ResetPlatform(); }

  bool Visible(const std::wstring& id, const std::any& ctx) {
    bool v = false;
    ribbon.Control_GetVisible_(id, ctx, v);
    return v;
  }
  bool Enabled(const std::wstring& id, const std::any& ctx) {
    bool e = false;
    ribbon.Control_GetEnabled_(id, ctx, e);
    return e;
  }
  std::wstring Label(const std::wstring& id, const std::any& ctx) {
    std::wstring label;
    ribbon.Control_GetLabel(office::IRibbonControl(id, ctx, L""), label);
    return label;
  }
  std::wstring Tip(const std::wstring& id, const std::any& ctx) {
    return ribbon.Button_GetScreentip(office::IRibbonControl(id, ctx, L""));
  }
  std::wstring Image(const std::wstring& id, const std::any& ctx) {
    facts->iconsLoaded.clear();
    ribbon.Button_GetImage(office::IRibbonControl(id, ctx, L""));
    return facts->iconsLoaded.empty() ? L"" : facts->iconsLoaded.back();
  }
  std::vector<std::wstring> Runs(const std::wstring& id, const std::any& ctx) {
    commands->runs.clear();
    ribbon.Button_Action_(id, ctx);
    return commands->runs;
  }
  static std::wstring X(const std::wstring& name) { return L"Norvane.Tanvelo.Explorer." + name; }
  static size_t Errors(const std::wstring& procedure) {
    size_t n = 0;
    for (const auto& e : support::library::Log())
      if (e.procedure == procedure && e.level == kLevelError) ++n;
    return n;
  }

  std::shared_ptr<FakeFacts> facts = std::make_shared<FakeFacts>();
  std::shared_ptr<RecordingCommands> commands = std::make_shared<RecordingCommands>();
  CConnectRibbon ribbon{facts, commands};
};

}  // namespace ribbontest
