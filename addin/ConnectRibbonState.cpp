// Enabled and visible: which ribbon control a user can see and use, from the item, the folder,
// the selection, Outlook's own reply commands and the frequently-used lists. The item context
// menu of Outlook 2007 asks the same workers.
#include <functional>
#include <map>

#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"
#include "engine/mTanvelo.h"

using namespace ribbonrules;

namespace {

using StateRule = std::function<void(IRibbonFacts& facts, const std::any& context, bool& answer)>;
using StateTable = std::map<std::wstring, StateRule>;

StateRule Always(bool value) {
  return [value](IRibbonFacts&, const std::any&, bool& answer) { answer = value; };
}

const wchar_t* const kExplorerMenus[] = {L"mnuTanvelo", L"m_mnuReplyAllWith", L"m_mnuForwardWith"};
constexpr int32_t kBuiltinReply[] = {354, 355, 356};

const StateTable& EnabledRules() {
  static const StateTable table = [] {
    StateTable t;
    t[L"btnOpenDuplicate"] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = !f.IsModalInspector(ctx);
    };
    t[Ex(L"btnTemplate")] = Always(true);
    for (const wchar_t* id : {L"btnSaveAsTemplate", L"btnSendDrafts"})
      t[Ex(id)] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = f.IsMailSelected(ctx);
      };
    for (const wchar_t* id : {L"btnEditTemplate", L"btnOpenDuplicate", L"btnHotkey"})
      t[Ex(id)] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = f.IsTemplateSelected(ctx);
      };
    for (bool clear : {true, false})
      t[Ex(clear ? L"btnChangeDefaultClear" : L"btnChangeDefaultSet")] =
          [clear](IRibbonFacts& f, const std::any& ctx, bool& answer) {
            bool bIsDefault = false;
            int32_t nCount = 0;
            answer = f.IsDefaultTemplateSelected(ctx, bIsDefault, nCount) && bIsDefault == clear &&
                     nCount == 1;
          };
    for (size_t i = 0; i < kFamilies.size(); ++i) {
      int32_t builtin = kBuiltinReply[i];
      // Follows Outlook's own Reply, Reply to All or Forward; off in the templates tree and
      // without a selection. False first, so an error on the way leaves it disabled.
      t[Ex(std::wstring(L"s") + kFamilies[i].name)] = [builtin](IRibbonFacts& f,
                                                                const std::any& ctx, bool& answer) {
        answer = false;
        if (f.IsTemplateFolderCurrent(ctx)) return;
        bool bEnabled = false, bVisible = false;
        f.GetBuiltinControlState(ctx, builtin, bEnabled, bVisible);
        if (bEnabled && bVisible) answer = f.SelectionCount(ctx) > 0;
      };
    }
    return t;
  }();
  return table;
}

const StateTable& VisibleRules() {
  static const StateTable table = [] {
    StateTable t;
    // --- Inspector ids ---
    auto isTemplate = [](IRibbonFacts& f, const std::any& ctx) { return f.IsTemplateItem(ctx); };
    auto templateOrMade = [](IRibbonFacts& f, const std::any& ctx) {
      return f.IsTemplateItem(ctx) || f.HasAddinStamp(ctx);
    };
    t[L"Norvane.Tanvelo.tabRespond"] = Always(true);
    t[L"sbtnTemplate"] = [=](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = templateOrMade(f, ctx);
    };
    t[L"btnTemplate2"] = [=](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = !templateOrMade(f, ctx);
    };
    t[L"btnProcessPersonal2"] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = !f.IsTemplateItem(ctx) && f.HasAddinStamp(ctx);
    };
    for (const wchar_t* id :
         {L"btnOpenDuplicate", L"btnHotkey", L"btnChangeDefault", L"Norvane.Tanvelo.grpInsert"})
      t[id] = [=](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = isTemplate(f, ctx);
      };
    for (const Family& fam : kFamilies) {
      t[std::wstring(L"s") + fam.name] = Always(true);
      for (int n = 1; n <= 5; ++n)
        t[QuickId(fam, n, false)] = [&fam, n](IRibbonFacts& f, const std::any&, bool& answer) {
          answer = n <= f.GetFrequents(fam.action)->Count();
        };
    }

    // --- Explorer ids ---
    auto inTemplates = [](IRibbonFacts& f, const std::any& ctx) {
      return f.IsTemplateFolderCurrent(ctx);
    };
    for (const wchar_t* id :
         {L"grpEmail", L"grpTemplate", L"sbtnTemplate", L"mnuTemplate", L"btnImport", L"btnExport",
          L"btnOptions", L"grpMore", L"btnBugReport", L"btnHelp", L"btnAbout"})
      t[Ex(id)] = Always(true);
    t[Ex(L"grpOptions")] = Always(false);
    for (const wchar_t* id : {L"btnTemplate", L"btnSelAndEditTemplate"})
      t[Ex(id)] = [=](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = !inTemplates(f, ctx);
      };
    for (const wchar_t* id :
         {L"btnNewTemplate", L"btnEditTemplate", L"btnOpenDuplicate", L"btnHotkey", L"grpDefault",
          L"btnChangeDefaultClear", L"btnChangeDefaultSet"})
      t[Ex(id)] = [=](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = inTemplates(f, ctx);
      };
    t[Ex(L"btnNewFromTemplate")] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = !f.IsTemplateSelected(ctx);
    };
    t[Ex(L"btnNewFromSelTemplate")] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = f.IsTemplateSelected(ctx);
    };
    t[Ex(L"btnSaveAsTemplate")] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
      answer = f.IsMailFolderCurrent(ctx);
    };
    for (const wchar_t* id : {L"grpDrafts", L"btnSendDrafts"})
      t[Ex(id)] = [](IRibbonFacts& f, const std::any& ctx, bool& answer) {
        answer = f.IsDraftsFolderCurrent(ctx);
      };
    for (size_t i = 0; i < kFamilies.size(); ++i) {
      const Family& fam = kFamilies[i];
      for (const std::wstring& id :
           {std::wstring(L"s") + fam.name, std::wstring(fam.name), std::wstring(kExplorerMenus[i]),
            fam.name + std::wstring(L"Sub")})
        t[Ex(id)] = Always(true);
      std::wstring sep = L"sep" + std::wstring(fam.name).substr(3) + L"Sub";
      t[Ex(sep)] = [&fam](IRibbonFacts& f, const std::any&, bool& answer) {
        answer = f.GetFrequents(fam.action)->Count() >= 1;
      };
      for (int n = 1; n <= 5; ++n)
        t[QuickId(fam, n, true)] = [&fam, n](IRibbonFacts& f, const std::any&, bool& answer) {
          answer = false;
          answer = n <= f.GetFrequents(fam.action)->Count();
        };
    }
    return t;
  }();
  return table;
}

// A lookup Outlook refuses a moment is asked again: the rule runs from its start, up to
// kHeldTries times. The last refusal goes on to the worker's trap, which logs it and keeps the
// answer as far as it was computed.
void Ask(const StateRule& rule, IRibbonFacts& facts, const std::any& context, bool start,
         bool& answer) {
  if (mTanvelo::Retried([&] {
        answer = start;
        rule(facts, context, answer);
      }))
    return;
  vb::Raise(vb::Err().Number(), vb::Err().Description());
}

std::vector<std::wstring> Keys(const StateTable& table) {
  std::vector<std::wstring> ids;
  for (const auto& [id, rule] : table) ids.push_back(id);
  return ids;
}

}  // namespace

std::vector<std::wstring> ribbonrules::EnabledIds() {
  return Keys(EnabledRules());
}

std::vector<std::wstring> ribbonrules::VisibleIds() {
  return Keys(VisibleRules());
}

void CConnectRibbon::Control_GetEnabled(const office::IRibbonControl& control, bool& result) {
  if (!Serving()) return;
  vb::Ignore([&] { Control_GetEnabled_(control.Id(), control.Context(), result); });
  vb::Err().Clear();
}

void CConnectRibbon::Control_GetEnabled_(const std::wstring& ControlID, const std::any& oContext,
                                         bool& result) {
  bool answer = true;
  TrapWithContext(L"Connect.Control_GetEnabled_", ControlID, [&] {
    auto found = EnabledRules().find(ControlID);
    if (found != EnabledRules().end()) Ask(found->second, *m_oFacts, oContext, true, answer);
  });
  result = answer;
}

void CConnectRibbon::Control_GetVisible(const office::IRibbonControl& control, bool& result) {
  if (!Serving()) return;
  vb::Ignore([&] { Control_GetVisible_(control.Id(), control.Context(), result); });
  vb::Err().Clear();
}

void CConnectRibbon::Control_GetVisible_(const std::wstring& ControlID, const std::any& oContext,
                                         bool& result) {
  bool answer = true;
  TrapWithContext(L"Connect::Control_GetVisible_", ControlID, [&] {
    auto found = VisibleRules().find(ControlID);
    if (found == VisibleRules().end()) vb::Raise(vb::kTypeMismatch);
    Ask(found->second, *m_oFacts, oContext, true, answer);
  });
  result = answer;
}
