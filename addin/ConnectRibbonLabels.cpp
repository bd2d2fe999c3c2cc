// Labels, screentips and pictures: texts by id from the language object, the subjects and
// pictures of the quick items, and the few that follow the item or the folder shown.
#include <functional>
#include <map>

#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"

using namespace ribbonrules;

namespace {

using TextRule = std::function<std::wstring(IRibbonFacts& facts, const std::any& context)>;
using TextTable = std::map<std::wstring, TextRule>;
using ImageRule =
    std::function<std::shared_ptr<win32::IPicture>(IRibbonFacts& facts, const std::any& context)>;
using ImageTable = std::map<std::wstring, ImageRule>;

TextRule Text(const wchar_t* textId) {
  return [textId](IRibbonFacts& f, const std::any&) { return f.Text(textId); };
}

// Both texts are fetched (a missing one is logged either way), one is used.
TextRule Either(std::function<bool(IRibbonFacts&, const std::any&)> test, const wchar_t* whenTrue,
                const wchar_t* whenFalse) {
  return [=](IRibbonFacts& f, const std::any& ctx) {
    std::wstring yes = f.Text(whenTrue), no = f.Text(whenFalse);
    return test(f, ctx) ? yes : no;
  };
}

TextRule QuickLabel(const Family& fam, int n) {
  return [&fam, n](IRibbonFacts& f, const std::any&) {
    auto list = f.GetFrequents(fam.action);
    return n <= list->Count() ? list->Item(n)->sSubject : std::wstring();
  };
}

const TextTable& Labels() {
  static const TextTable table = [] {
    TextTable t;
    // --- Inspector ids ---
    t[L"Norvane.Tanvelo.Tab"] = Text(L"TAB_TANVELO");
    t[L"Norvane.Tanvelo.tabRespond"] = Text(L"TAB_RESPOND");
    t[L"Norvane.Tanvelo.tabAction"] = Text(L"TAB_ACTION");
    t[L"btnProcessPersonal2"] = Text(L"BTN_PROCESS_PERSONAL");
    t[L"btnOpenDuplicate"] = Text(L"BTN_OPEN_DUPLICATE");
    t[L"btnHotkey"] = Text(L"BTN_HOTKEY");
    t[L"btnChangeDefault"] =
        Either([](IRibbonFacts& f, const std::any& ctx) { return f.IsDefaultTemplateItem(ctx); },
               L"BTN_CHANGE_DEFAULT_CLEAR", L"BTN_CHANGE_DEFAULT_SET");
    t[L"btnTanvelo"] = Text(L"RID_E_BTN_TANVELO");
    t[L"btnTanveloSub"] = Text(L"BTN_TANVELO_SUB");
    t[L"btnReplyAllWith"] = Text(L"RID_E_BTN_REPLY_ALL_WITH");
    t[L"btnReplyAllWithSub"] = Text(L"BTN_REPLY_ALL_WITH_SUB");
    t[L"btnForwardWith"] = Text(L"RID_E_BTN_FORWARD_WITH");
    t[L"btnForwardWithSub"] = Text(L"BTN_FORWARD_WITH_SUB");
    t[L"Norvane.Tanvelo.grpInsert"] = Text(L"GRP_INSERT");
    const std::pair<const wchar_t*, const wchar_t*> fields[] = {
        {L"btnFullName", L"BTN_FULL_NAME"},
        {L"btnFirstName", L"BTN_FIRST_NAME"},
        {L"btnMiddleName", L"BTN_MIDDLE_NAME"},
        {L"btnLastName", L"BTN_LAST_NAME"},
        {L"btnInitials", L"BTN_INITIALS"},
        {L"btnNickname", L"BTN_NICKNAME"},
        {L"btnCompany", L"BTN_COMPANY"},
        {L"btnTo", L"BTN_TO"},
        {L"btnCC", L"BTN_CC"},
        {L"btnBCC", L"BTN_BCC"},
        {L"btnMyName", L"BTN_MY_NAME"},
        {L"btnFrom", L"BTN_FROM"}};
    for (const auto& [id, textId] : fields) t[id] = Text(textId);

    // --- Explorer ids ---
    const std::pair<const wchar_t*, const wchar_t*> fixed[] = {
        {L"tab", L"RID_E_TAB"},
        {L"grpEmail", L"RID_E_GRP_EMAIL"},
        {L"grpDefault", L"RID_E_GRP_DEFAULT"},
        {L"grpDrafts", L"RID_E_GRP_DRAFTS"},
        {L"btnTemplate", L"RID_E_BTN_TEMPLATE"},
        {L"btnNewFromTemplate", L"RID_E_BTN_NEW_FROM_TEMPLATE"},
        {L"btnNewFromSelTemplate", L"RID_E_BTN_NEW_FROM_SEL_TEMPLATE"},
        {L"btnSaveAsTemplate", L"RID_E_BTN_SAVE_AS_TEMPLATE"},
        {L"btnNewTemplate", L"RID_E_BTN_NEW_TEMPLATE"},
        {L"btnEditTemplate", L"RID_E_BTN_EDIT_TEMPLATE"},
        {L"btnSelAndEditTemplate", L"RID_E_BTN_SEL_AND_EDIT_TEMPLATE"},
        {L"btnOpenDuplicate", L"RID_E_BTN_OPEN_DUPLICATE"},
        {L"btnHotkey", L"RID_E_BTN_HOTKEY"},
        {L"mnuImportExport", L"RID_E_MNU_IMPORT_EXPORT"},
        {L"btnImport", L"RID_E_BTN_IMPORT"},
        {L"btnExport", L"RID_E_BTN_EXPORT"},
        {L"btnChangeDefaultClear", L"RID_E_BTN_CHANGE_DEFAULT_CLEAR"},
        {L"btnChangeDefaultSet", L"RID_E_BTN_CHANGE_DEFAULT_SET"},
        {L"btnSendDrafts", L"RID_E_BTN_SEND_DRAFTS"},
        {L"grpOptions", L"RID_E_GRP_OPTIONS"},
        {L"btnOptions", L"RID_E_BTN_OPTIONS"},
        {L"grpMore", L"RID_E_GRP_MORE"},
        {L"btnBugReport", L"RID_E_BTN_BUG_REPORT"},
        {L"btnHelp", L"RID_E_BTN_HELP"},
        {L"btnAbout", L"RID_E_BTN_ABOUT"},
        {L"btnTanvelo", L"RID_E_BTN_TANVELO"},
        {L"btnTanveloSub", L"RID_E_BTN_TANVELO_SUB"},
        {L"btnReplyAllWith", L"RID_E_BTN_REPLY_ALL_WITH"},
        {L"btnReplyAllWithSub", L"RID_E_BTN_REPLY_ALL_WITH_SUB"},
        {L"btnForwardWith", L"RID_E_BTN_FORWARD_WITH"},
        {L"btnForwardWithSub", L"RID_E_BTN_FORWARD_WITH_SUB"},
    };
    for (const auto& [id, textId] : fixed) t[Ex(id)] = Text(textId);
    t[Ex(L"grpTemplate")] =
        Either([](IRibbonFacts& f, const std::any& ctx) { return f.IsTemplateFolderCurrent(ctx); },
               L"RID_E_GRP_TEMPLATE", L"RID_E_GRP_TEMPLATES");
    for (const Family& fam : kFamilies)
      for (int n = 1; n <= 5; ++n) {
        t[QuickId(fam, n, false)] = QuickLabel(fam, n);
        t[QuickId(fam, n, true)] = QuickLabel(fam, n);
      }
    return t;
  }();
  return table;
}

const TextTable& Screentips() {
  static const TextTable table = [] {
    TextTable t;
    auto saveTip =
        Either([](IRibbonFacts& f, const std::any& ctx) { return f.IsTemplateItem(ctx); },
               L"BTN_SAVE_TEMPLATE", L"BTN_SAVE_AS_TEMPLATE");
    t[L"btnTemplate"] = saveTip;
    t[L"btnTemplate2"] = saveTip;
    t[L"btnTanvelo"] = Text(L"IDS_TANVELO");
    t[L"btnReplyAllWith"] = Text(L"BTN_REPLY_ALL_WITH");
    t[L"btnForwardWith"] = Text(L"IDS_FORWARDWITH");
    t[Ex(L"btnTemplate")] = Text(L"RID_E_BTN_TEMPLATE_TT");
    t[Ex(L"btnTanvelo")] = Text(L"RID_E_BTN_TANVELO_TT");
    t[Ex(L"btnReplyAllWith")] = Text(L"RID_E_BTN_REPLY_ALL_WITH_TT");
    t[Ex(L"btnForwardWith")] = Text(L"RID_E_BTN_FORWARD_WITH_TT");
    return t;
  }();
  return table;
}

ImageRule Icon(const wchar_t* name, int32_t size = 32) {
  return [name, size](IRibbonFacts& f, const std::any&) { return f.Icon(name, size); };
}

ImageRule NoImage() {
  return [](IRibbonFacts&, const std::any&) { return std::shared_ptr<win32::IPicture>(); };
}

ImageRule QuickImage(const Family& fam, int n) {
  return [&fam, n](IRibbonFacts& f, const std::any&) -> std::shared_ptr<win32::IPicture> {
    auto list = f.GetFrequents(fam.action);
    if (n > list->Count()) return nullptr;
    return f.Icon(
        list->Item(n)->bPreaddressed ? L"ICO_PREADDRESSED_TEMPLATE" : L"ICO_TEMPLATE_FOLDER", 16);
  };
}

const ImageTable& Images() {
  static const ImageTable table = [] {
    ImageTable t;
    t[L"btnTemplate"] = Icon(L"ICO_SAVE_AS_TEMPLATE");
    t[L"btnTemplate2"] = Icon(L"ICO_SAVE_AS_TEMPLATE");
    const wchar_t* const familyIcons[] = {L"ICO_TANVELO", L"ICO_REPLY_ALL_WITH",
                                          L"ICO_FORWARD_WITH"};
    for (size_t i = 0; i < kFamilies.size(); ++i) {
      const Family& fam = kFamilies[i];
      t[fam.name] = Icon(familyIcons[i]);
      t[Ex(fam.name)] = Icon(familyIcons[i]);
      t[Ex(fam.name + std::wstring(L"Sub"))] = NoImage();
      for (int n = 1; n <= 5; ++n) {
        t[QuickId(fam, n, false)] = QuickImage(fam, n);
        t[QuickId(fam, n, true)] = QuickImage(fam, n);
      }
    }
    const std::pair<const wchar_t*, const wchar_t*> icons[] = {
        {L"btnTemplate", L"ICO_TEMPLATE_FOLDER"},
        {L"btnNewFromTemplate", L"ICO_NEW_FROM_TEMPLATE"},
        {L"btnNewFromSelTemplate", L"ICO_NEW_FROM_TEMPLATE"},
        {L"btnSaveAsTemplate", L"ICO_SAVE_AS_TEMPLATE"},
        {L"btnNewTemplate", L"ICO_NEW_TEMPLATE"},
        {L"btnEditTemplate", L"ICO_TEMPLATE_EDIT"},
        {L"btnSelAndEditTemplate", L"ICO_TEMPLATE_EDIT"},
        {L"btnOpenDuplicate", L"ICO_OPEN_DUPLICATE"},
        {L"btnHotkey", L"ICO_HOTKEY"},
        {L"btnImport", L"ICO_IMPORT"},
        {L"btnExport", L"ICO_EXPORT"},
        {L"btnChangeDefaultClear", L"ICO_DEFAULT_CLEAR"},
        {L"btnChangeDefaultSet", L"ICO_DEFAULT_SET"},
        {L"btnOptions", L"ICO_OPTIONS"},
        {L"btnBugReport", L"ICO_BUG_REPORT"},
    };
    for (const auto& [id, icon] : icons) t[Ex(id)] = Icon(icon);
    for (const wchar_t* id : {L"btnSendDrafts", L"btnHelp", L"btnAbout"}) t[Ex(id)] = NoImage();
    return t;
  }();
  return table;
}

template <class Table>
std::vector<std::wstring> Keys(const Table& table) {
  std::vector<std::wstring> ids;
  for (const auto& [id, rule] : table) ids.push_back(id);
  return ids;
}

}  // namespace

std::vector<std::wstring> ribbonrules::LabelIds() {
  return Keys(Labels());
}
std::vector<std::wstring> ribbonrules::ScreentipIds() {
  return Keys(Screentips());
}
std::vector<std::wstring> ribbonrules::ImageIds() {
  return Keys(Images());
}

void CConnectRibbon::Control_GetLabel(const office::IRibbonControl& control, std::wstring& label) {
  if (!Serving()) return;
  TrapWithContext(L"Connect::Control_GetLabel", control.Id(), [&] {
    auto found = Labels().find(control.Id());
    if (found == Labels().end()) vb::Raise(vb::kTypeMismatch);
    label = found->second(*m_oFacts, control.Context());
  });
}

std::wstring CConnectRibbon::Button_GetScreentip(const office::IRibbonControl& control) {
  std::wstring tip;
  if (!Serving()) return tip;
  Trap(L"Connect::Button_GetScreentip", [&] {
    auto found = Screentips().find(control.Id());
    if (found == Screentips().end()) vb::Raise(vb::kTypeMismatch);
    tip = found->second(*m_oFacts, control.Context());
  });
  return tip;
}

std::shared_ptr<win32::IPicture> CConnectRibbon::Button_GetImage(
    const office::IRibbonControl& control) {
  std::shared_ptr<win32::IPicture> picture;
  if (!Serving()) return picture;
  TrapWithContext(L"Connect::Button_GetImage", control.Id(), [&] {
    auto found = Images().find(control.Id());
    if (found == Images().end()) vb::Raise(vb::kTypeMismatch);
    picture = found->second(*m_oFacts, control.Context());
  });
  return picture;
}
