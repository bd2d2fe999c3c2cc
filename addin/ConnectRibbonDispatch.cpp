// The one command dispatcher: a control id (inspector, explorer or quick item) to its command.
#include <functional>
#include <map>

#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"

using namespace ribbonrules;

namespace {

using Command = std::function<void(CConnectRibbon& self, const std::any& context)>;
using CommandTable = std::map<std::wstring, Command>;

// Quick item n of a family: the n-th most used template of its action, or an assertion entry
// when the list has shrunk since the menu was drawn.
void QuickItem(CConnectRibbon& self, const Family& f, int n, bool explorer,
               const std::any& context) {
  auto list = self.Facts().GetFrequents(f.action);
  if (n > list->Count()) {
    LogError(L"Connect::Button_Action_", 0,
             (explorer ? f.explorerAssert : f.inspectorAssert) + std::to_wstring(n));
    return;
  }
  std::wstring entryId = list->Item(n)->sEntryID;
  if (explorer)
    self.Commands().Explorer_Tanvelo(f.action, entryId, 2);
  else
    self.Commands().Tanvelo_Click(context, f.action, entryId, false);
}

const CommandTable& DispatchTable() {
  static const CommandTable table = [] {
    CommandTable t;
    // --- Inspector ids ---
    auto saveTemplate = [](CConnectRibbon& self, const std::any& ctx) {
      if (self.Facts().IsTemplateItem(ctx)) {
        self.Commands().SaveItem(ctx);
      } else {
        bool bForeground = false;
        self.Commands().SaveAsTemplate_Click(self.Facts().CurrentEntryID(ctx), bForeground);
      }
    };
    t[L"btnTemplate"] = saveTemplate;
    t[L"btnTemplate2"] = saveTemplate;
    t[L"btnProcessPersonal2"] = [](CConnectRibbon& self, const std::any& ctx) {
      // The in-place personalization pastes through the clipboard in Word, so it must know.
      self.Commands().ProcessPersonal2_Click(ctx, self.Facts().IsWordMail(ctx));
    };
    t[L"btnOpenDuplicate"] = [](CConnectRibbon& self, const std::any& ctx) {
      self.Commands().OpenDuplicate_Click(self.Facts().CurrentEntryID(ctx), false);
    };
    t[L"btnHotkey"] = [](CConnectRibbon& self, const std::any& ctx) {
      self.Commands().Hotkey_Click(self.Facts().CurrentEntryID(ctx), false);
    };
    t[L"btnChangeDefault"] = [](CConnectRibbon& self, const std::any& ctx) {
      if (self.Commands().ChangeDefault_Click(ctx)) self.InvalidateControl(L"btnChangeDefault");
    };
    for (const Family& f : kFamilies) {
      t[f.name] = [&f](CConnectRibbon& self, const std::any& ctx) {
        self.Commands().Tanvelo_Click(ctx, f.action, self.Facts().DefaultTemplateID(), false);
      };
      t[std::wstring(f.name) + L"Sub"] = [&f](CConnectRibbon& self, const std::any& ctx) {
        self.Commands().Tanvelo_Click(ctx, f.action, L"", false);
      };
      for (int n = 1; n <= 5; ++n)
        t[QuickId(f, n, false)] = [&f, n](CConnectRibbon& self, const std::any& ctx) {
          QuickItem(self, f, n, false, ctx);
        };
    }
    const std::pair<const wchar_t*, const wchar_t*> fields[] = {
        {L"btnFullName", L"%FullName% "},
        {L"btnFirstName", L"%FirstName% "},
        {L"btnMiddleName", L"%MiddleName% "},
        {L"btnLastName", L"%LastName% "},
        {L"btnInitials", L"%Initials% "},
        {L"btnNickname", L"%Nickname% "},
        {L"btnCompany", L"%Company% "},
        {L"btnTo", L"%To% "},
        {L"btnCC", L"%Cc% "},
        {L"btnBCC", L"%Bcc% "},
        {L"btnMyName", L"%MyName% "},
        {L"btnFrom", L"%From% "}};
    for (const auto& [id, token] : fields) {
      std::wstring text = token;
      t[id] = [text](CConnectRibbon& self, const std::any&) {
        self.Commands().InsertText(text, false);
      };
    }

    // --- Explorer ids ---
    auto plain = [&t](const wchar_t* name, void (IRibbonCommands::*command)()) {
      t[Ex(name)] = [command](CConnectRibbon& self, const std::any&) {
        (self.Commands().*command)();
      };
    };
    plain(L"btnTemplate", &IRibbonCommands::ShowNewMessageTemplatesFolder);
    plain(L"btnNewFromTemplate", &IRibbonCommands::Explorer_NewFromTemplate);
    plain(L"btnNewFromSelTemplate", &IRibbonCommands::Explorer_NewFromTemplate);
    plain(L"btnSaveAsTemplate", &IRibbonCommands::Explorer_SaveAsTemplate);
    plain(L"btnNewTemplate", &IRibbonCommands::Explorer_NewTemplate);
    plain(L"btnEditTemplate", &IRibbonCommands::Explorer_EditTemplate);
    plain(L"btnSelAndEditTemplate", &IRibbonCommands::DemandSelAndEditTemplace);
    plain(L"btnOpenDuplicate", &IRibbonCommands::Explorer_OpenDuplicate);
    plain(L"btnHotkey", &IRibbonCommands::Explorer_Hotkey);
    plain(L"btnImport", &IRibbonCommands::Explorer_Import);
    plain(L"btnExport", &IRibbonCommands::Explorer_Export);
    plain(L"btnSendDrafts", &IRibbonCommands::Explorer_SendDrafts);
    plain(L"btnOptions", &IRibbonCommands::ShowOptions);
    plain(L"btnBugReport", &IRibbonCommands::ReportProblem);
    plain(L"btnAbout", &IRibbonCommands::ShowAbout);
    t[Ex(L"btnHelp")] = [](CConnectRibbon& self, const std::any&) {
      self.Commands().ShowContextHelp(L"");
    };
    auto changeDefault = [](CConnectRibbon& self, const std::any&) {
      if (self.Commands().Explorer_ChangeDefault() && self.HasRibbon()) {
        self.InvalidateControl(Ex(L"btnChangeDefaultClear"));
        self.InvalidateControl(Ex(L"btnChangeDefaultSet"));
      }
    };
    t[Ex(L"btnChangeDefaultClear")] = changeDefault;
    t[Ex(L"btnChangeDefaultSet")] = changeDefault;
    for (const Family& f : kFamilies) {
      t[Ex(f.name)] = [&f](CConnectRibbon& self, const std::any&) {
        self.Commands().Explorer_Tanvelo(f.action, self.Facts().DefaultTemplateID(), 2);
      };
      t[Ex(std::wstring(f.name) + L"Sub")] = [&f](CConnectRibbon& self, const std::any&) {
        self.Commands().Explorer_Tanvelo(f.action, L"", 2);
      };
      for (int n = 1; n <= 5; ++n)
        t[QuickId(f, n, true)] = [&f, n](CConnectRibbon& self, const std::any& ctx) {
          QuickItem(self, f, n, true, ctx);
        };
    }
    return t;
  }();
  return table;
}

}  // namespace

std::vector<std::wstring> ribbonrules::DispatchIds() {
  std::vector<std::wstring> ids;
  for (const auto& [id, command] : DispatchTable()) ids.push_back(id);
  return ids;
}

void CConnectRibbon::Button_Action(const office::IRibbonControl& control) {
  if (!Serving()) return;
  vb::Ignore([&] { Button_Action_(control.Id(), control.Context()); });
  vb::Err().Clear();
}

void CConnectRibbon::Button_Action_(const std::wstring& ControlID, const std::any& oContext) {
  TrapWithContext(L"Connect::Button_Action_", ControlID, [&] {
    auto found = DispatchTable().find(ControlID);
    if (found == DispatchTable().end()) vb::Raise(vb::kTypeMismatch);
    found->second(*this, oContext);
  });
}
