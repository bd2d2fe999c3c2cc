// CExplorerMenu on "Menu Bar" and "Context Menu": File > New, the File menu's import/export
// submenu, the Go item, the Tanvelo submenus of the Actions menus, and the item context menu of
// Outlook 2002 and 2003.
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "explorer_ui/CExplorerMenu.h"
#include "platform/vb/Error.h"

using bars::ButtonPtr;
using bars::PopupPtr;

namespace {
constexpr const wchar_t* kImportExportMenu = L"CExplorerMenu::Create_ImportExportMenu";
constexpr const wchar_t* kActionMenuContact = L"CExplorerMenu::Create_ActionMenuContact";
constexpr const wchar_t* kButtonEnable = L"CExplorerMenu::TVButtonEnable";
constexpr const wchar_t* kContextTagPrefix = L"NorvaneTanvelo";
constexpr int32_t s2 = office::msoButtonCaption, s3 = office::msoButtonIconAndCaption;

std::wstring Text(const wchar_t* id) {
  return LangText(id);
}

// A popup of "Menu Bar" by type and id, or null.
PopupPtr MenuOf(const bars::BarPtr& menuBar, int32_t id) {
  PopupPtr popup;
  if (menuBar)
    vb::Ignore([&] { popup = office::AsPopup(menuBar->FindControl(office::msoControlPopup, id)); });
  return popup;
}
}  // namespace

void CExplorerMenu::AddNewFromTemplate5() {
  if (GetAppVersion() < 10 || m_btnNewFromTemplate5) return;
  PopupPtr fileNew;
  vb::Ignore([&] {
    auto file = office::AsPopup(bars::Need(m_bars->ActiveMenuBar())->Controls().Item(1));
    fileNew = office::AsPopup(file->Controls().Item(1));
  });
  if (!fileNew) return;
  std::optional<int32_t> before;
  vb::Ignore([&] {
    for (const auto& control : fileNew->Controls())
      if (control->Id() == 1757) {
        before = control->Index() + 1;
        break;
      }
  });
  ButtonPtr button;
  vb::Ignore([&] {
    button = bars::AddButton(*fileNew->CommandBar(), before, TagOf(L"btnNewFromTemplate5"));
  });
  if (!button) return;
  Bind(m_btnNewFromTemplate5, button, &CExplorerMenu::m_btnNewFromTemplate5_Click);
  vb::Ignore([&] { button->SetStyle(s3); });
  vb::Ignore([&] { button->SetCaption(Text(L"BTN_NEW_FROM_TEMPLATE")); });
  vb::Ignore([&] { bars::SetPictureAndMask(button, bars::kIconNewFromTemplate.resource); });
  vb::Err().Clear();
}

// --- File menu -----------------------------------------------------------------------------------

void CExplorerMenu::Create_ImportExportMenu() {
  if (m_popFileImportExport) return;
  bars::ControlPtr file;
  vb::Ignore([&] { file = m_bars->FindControl(0, 30002); });
  if (!file) {
    LogMissingOnce(kImportExportMenu, L"the File menu");
    return;
  }
  Trap(kImportExportMenu, [&] {
    auto fileBar = office::AsPopup(file)->CommandBar();
    std::optional<int32_t> position;
    if (auto anchor = fileBar->FindControl(0, 2577)) position = anchor->Index() + 1;
    auto popup = bars::AddPopup(*fileBar, position, TagOf(L"popFileImportExport"));
    popup->SetVisible(true);
    popup->SetCaption(Text(L"MNU_IMPORT_EXPORT"));
    for (auto [member, tag, handler, caption] :
         {std::tuple{&m_btnImport, L"btnImport", &CExplorerMenu::m_btnImport_Click,
                     Text(L"BTN_IMPORT")},
          std::tuple{&m_btnExport, L"btnExport", &CExplorerMenu::m_btnExport_Click,
                     Text(L"BTN_EXPORT")}}) {
      auto button = AddItem(popup, *member, tag, handler, s2, caption, nullptr);
      button->SetVisible(true);
      button->SetEnabled(true);
    }
    if (Options().UseDebugButton()) {
      for (auto [member, tag, handler, caption] :
           {std::tuple{&m_btnDebug, L"btnDebug", &CExplorerMenu::m_btnDebug_Click, L"Debug"},
            std::tuple{&m_btnTest1, L"btnTest1", &CExplorerMenu::m_btnTest1_Click,
                       L"Test1: Show selected text"}}) {
        auto button = AddItem(popup, *member, tag, handler, s2, caption, nullptr);
        button->SetBeginGroup(true);
        button->SetVisible(true);
        button->SetEnabled(true);
      }
    }
    // Marked built only now: a build stopped by an error is redone (taking over what it made).
    m_popFileImportExport = popup;
  });
}

// --- Actions menu of contacts and the Go menu
// ------------------------------------------------------

void CExplorerMenu::Create_ActionMenuContact() {
  if (m_popTanveloContact) return;
  auto menuBar = Bar(L"Menu Bar");
  if (!menuBar) {
    LogMissingOnce(kActionMenuContact, L"the bar \"Menu Bar\"");
    return;
  }
  auto actions = MenuOf(menuBar, 30141);
  if (!actions) return;  // tried again at the next update
  Trap(kActionMenuContact, [&] {
    auto popup = bars::AddPopup(*actions->CommandBar(), std::nullopt, TagOf(L"popTanveloContact"));
    popup->SetCaption(Text(L"MNU_TANVELO"));
    popup->SetBeginGroup(true);
    AddItem(popup, m_btnNewFromTemplate3, L"btnNewFromTemplate3",
            &CExplorerMenu::m_btnNewFromTemplate_Click, s3, Text(L"BTN_NEW_FROM_TEMPLATE"),
            &bars::kIconNewFromTemplate)
        ->SetVisible(true);
    m_popTanveloContact = popup;
  });
}

bool CExplorerMenu::AddGoMenuItem() {
  auto go = MenuOf(Bar(L"Menu Bar"), 30328);
  if (go) {
    auto goBar = go->CommandBar();
    // Before Outlook's Folder List; at the end of the Go menu when it lacks that entry.
    std::optional<int32_t> position;
    vb::Ignore([&] {
      if (auto anchor = goBar->FindControl(office::msoControlButton, 1868))
        position = anchor->Index();
    });
    m_btnGo.Release();
    ButtonPtr button;
    vb::Ignore([&] { button = bars::AddButton(*goBar, position, TagOf(L"btnGo")); });
    if (button) {
      Bind(m_btnGo, button, &CExplorerMenu::m_btnTemplate_Click);
      vb::Ignore([&] { button->SetStyle(s3); });
      vb::Ignore([&] { button->SetCaption(Text(L"BTN_GO")); });
      vb::Ignore([&] { button->SetTooltipText(Text(L"BTN_TEMPLATE")); });
      vb::Ignore([&] { button->SetBeginGroup(true); });
      vb::Ignore([&] { bars::SetIcon(button, bars::kIconTemplate); });
      vb::Ignore([&] { button->SetVisible(true); });
    }
  }
  vb::Err().Clear();
  return static_cast<bool>(m_btnGo);
}

// --- Actions menu --------------------------------------------------------------------------------

void CExplorerMenu::Create_ActionMenu() {
  if (m_popActionMenu) return;
  auto actions = MenuOf(Bar(L"Menu Bar"), 30131);
  if (!actions) return;  // tried again at the next update
  auto actionsBar = actions->CommandBar();
  // Before Outlook's Reply; at the end of the Actions menu when it lacks that entry.
  auto anchor = bars::IndexOf(*actionsBar, bars::kReplyId);
  PopupPtr popup;
  vb::Ignore([&] { popup = bars::AddPopup(*actionsBar, anchor, TagOf(L"popActionMenu")); });
  if (!popup) return;
  m_popActionMenu = popup;
  vb::Ignore([&] { popup->SetCaption(Text(L"MNU_TANVELO")); });
  vb::Ignore([&] { popup->SetBeginGroup(true); });
  struct Item {
    bars::BoundButton& member;
    const wchar_t* tag;
    Handler handler;
    int32_t style;
    const wchar_t* caption;
    const bars::Icon* icon;
  } items[] = {
      {m_btnTanvelo2, L"btnTanvelo2", &CExplorerMenu::m_btnTanveloSub_Click, s3, L"BTN_TANVELO_SUB",
       &bars::kIconTanvelo},
      {m_btnReplyAllWith2, L"btnReplyAllWith2", &CExplorerMenu::m_btnReplyAllWithSub_Click, s3,
       L"BTN_REPLY_ALL_WITH_SUB", &bars::kIconReplyAllWith},
      {m_btnForwardWith2, L"btnForwardWith2", &CExplorerMenu::m_btnForwardWithSub_Click, s3,
       L"BTN_FORWARD_WITH_SUB", &bars::kIconForwardWith},
      {m_btnNewTemplate2, L"btnNewTemplate2", &CExplorerMenu::m_btnNewTemplate_Click, s3,
       L"BTN_NEW_TEMPLATE", &bars::kIconCreateTemplate},
      {m_btnEditTemplate2, L"btnEditTemplate2", &CExplorerMenu::m_btnEditTemplate_Click, s3,
       L"BTN_EDIT_TEMPLATE", &bars::kIconTemplateEdit},
      {m_btnNewFromTemplate2, L"btnNewFromTemplate2", &CExplorerMenu::m_btnNewFromTemplate_Click,
       s3, L"BTN_NEW_FROM_TEMPLATE", &bars::kIconNewFromTemplate},
      {m_btnSaveAsTemplate2, L"btnSaveAsTemplate2", &CExplorerMenu::m_btnSaveAsTemplate_Click, s3,
       L"BTN_SAVE_AS_TEMPLATE", &bars::kIconSaveTemplate},
      {m_btnOpenDuplicate2, L"btnOpenDuplicate2", &CExplorerMenu::m_btnOpenDuplicate_Click, s2,
       L"BTN_OPEN_DUPLICATE2", nullptr},
      {m_btnHotkey2, L"btnHotkey2", &CExplorerMenu::m_btnHotkey_Click, s2, L"BTN_HOTKEY", nullptr},
      {m_btnChangeDefault2, L"btnChangeDefault2", &CExplorerMenu::m_btnChangeDefault_Click, s2,
       L"BTN_CHANGE_DEFAULT_SET", nullptr},
      {m_btnSendDrafts, L"btnSendDrafts", &CExplorerMenu::m_btnSendDrafts_Click, s2,
       L"BTN_SEND_DRAFTS", nullptr},
  };
  // Statement by statement: a write Office refuses costs that one property of that one item.
  for (auto& item : items) {
    ButtonPtr button;
    vb::Ignore(
        [&] { button = bars::AddButton(*popup->CommandBar(), std::nullopt, TagOf(item.tag)); });
    if (!button) continue;
    Bind(item.member, button, item.handler);
    vb::Ignore([&] { button->SetStyle(item.style); });
    vb::Ignore([&] { button->SetCaption(Text(item.caption)); });
    if (item.icon) vb::Ignore([&] { bars::SetIcon(button, *item.icon); });
  }
  vb::Err().Clear();
}

void CExplorerMenu::Update_ActionMenu(const ExplorerMenuState& s) {
  if (!m_popActionMenu) return;
  using namespace bars;
  PutVisible(m_btnTanvelo2.get(), s.ReplyVisible && s.IsOtherMailFolder);
  vb::Ignore([&] { TVButtonEnable(m_btnTanvelo2.get(), 1, s.ReplyEnabled, kButtonEnable); });
  PutVisible(m_btnReplyAllWith2.get(), s.ReplyAllVisible && s.IsOtherMailFolder);
  vb::Ignore(
      [&] { TVButtonEnable(m_btnReplyAllWith2.get(), 2, s.ReplyAllEnabled, kButtonEnable); });
  PutVisible(m_btnForwardWith2.get(), s.ForwardVisible && s.IsOtherMailFolder);
  vb::Ignore([&] { TVButtonEnable(m_btnForwardWith2.get(), 4, s.ForwardEnabled, kButtonEnable); });
  PutVisible(m_btnNewTemplate2.get(), s.IsTemplatesFolder);
  PutVisible(m_btnEditTemplate2.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnEditTemplate2.get(), s.IsTemplateSelected);
  PutBeginGroup(m_btnNewFromTemplate2.get(), s.IsOtherMailFolder);
  PutVisible(m_btnSaveAsTemplate2.get(), s.IsOtherMailFolder);
  PutEnabled(m_btnSaveAsTemplate2.get(), !s.IsTemplatesFolder && s.IsMailSelected);
  PutVisible(m_btnOpenDuplicate2.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnOpenDuplicate2.get(), s.IsTemplateSelected);
  PutVisible(m_btnHotkey2.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnHotkey2.get(), s.IsTemplateSelected);
  PutVisible(m_btnChangeDefault2.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnChangeDefault2.get(), s.IsTemplateSelected && s.SelCount == 1);
  const std::wstring clear = Text(L"BTN_CHANGE_DEFAULT_CLEAR");
  const std::wstring set = Text(L"BTN_CHANGE_DEFAULT_SET");
  PutCaption(m_btnChangeDefault2.get(), s.IsDefaultTemplateSelected ? clear : set);
  PutVisible(m_btnSendDrafts.get(), s.IsDraftsFolder);
  PutEnabled(m_btnSendDrafts.get(), s.IsMailSelected);
  vb::Err().Clear();
}

// --- Item context menu of Outlook 2002 and 2003
// ------------------------------------------------------

void CExplorerMenu::Create_ConextMenu(const ExplorerMenuState& s) {
  const int32_t version = GetAppVersion();
  if (version <= 9 || version >= 12) return;
  auto bar = Bar(L"Context Menu");
  if (!bar) return;
  if (!m_sContextMenuTag.empty()) {
    bars::ControlPtr mine;
    vb::Ignore([&] { mine = bar->FindControl(0, 0, m_sContextMenuTag); });
    if (mine) return;  // still there from an earlier update
  } else {
    m_sContextMenuTag = kContextTagPrefix + GetRandomString(4);
  }
  // Entries of Outlook's other shortcut menus that share this bar: not the item menu.
  for (int32_t id : {7887, 1747, 1880, 1878, 1746, 1917, 1916, 2990}) {
    bool found = false;
    vb::Ignore([&] { found = bar->FindControl(0, id) != nullptr; });
    if (found) return;
  }
  int32_t protection = 0;
  bool cleared = false;
  vb::Ignore([&] {
    protection = bar->Protection();
    cleared = true;
    bar->SetProtection(protection & ~office::msoBarNoCustomize);
  });
  if (!m_sContextMenuTag.empty()) {
    // A popup an earlier connection left (its items answer no one any more) makes way.
    for (int32_t i = bar->Controls().Count(); i >= 1; --i)
      vb::Ignore([&] {
        auto control = bar->Controls().Item(i);
        std::wstring tag = control->Tag();
        if (tag != m_sContextMenuTag && tag.rfind(kContextTagPrefix, 0) == 0) control->Delete();
      });
  }
  std::optional<int32_t> anchor = bars::IndexOf(*bar, bars::kReplyId);
  if (!anchor)
    if (auto del = bars::IndexOf(*bar, 2986)) anchor = *del + 1;
  PopupPtr popup;
  vb::Ignore([&] { popup = bars::AddPopup(*bar, anchor); });
  if (popup) {
    vb::Ignore([&] { popup->SetCaption(Text(L"MNU_TANVELO")); });
    vb::Ignore([&] { popup->SetBeginGroup(true); });
    vb::Ignore([&] { popup->SetTag(m_sContextMenuTag); });
    vb::Ignore([&] { popup->SetVisible(true); });
  }
  const bool templateItem = s.IsTemplatesFolder && s.IsMailSelected;
  struct Item {
    bars::BoundButton& member;
    bool add;
    Handler handler;
    int32_t style;
    std::wstring caption;
    const wchar_t* picture;  // the bitmap pair; none for caption-only items
  } items[] = {
      {m_btnTanvelo4, s.ReplyVisible && s.ReplyEnabled && s.IsOtherMailFolder,
       &CExplorerMenu::m_btnTanveloSub_Click, s3, Text(L"BTN_TANVELO_SUB"), L"CMDTANVELO"},
      {m_btnReplyAllWith4, s.ReplyAllVisible && s.ReplyAllEnabled && s.IsOtherMailFolder,
       &CExplorerMenu::m_btnReplyAllWithSub_Click, s3, Text(L"BTN_REPLY_ALL_WITH_SUB"),
       L"CMDREPLYALLWITH"},
      {m_btnForwardWith4, s.ForwardVisible && s.ForwardEnabled && s.IsOtherMailFolder,
       &CExplorerMenu::m_btnForwardWithSub_Click, s3, Text(L"BTN_FORWARD_WITH_SUB"),
       L"CMDFORWARDWITH"},
      {m_btnNewTemplate4, s.IsTemplatesFolder, &CExplorerMenu::m_btnNewTemplate_Click, s3,
       Text(L"BTN_NEW_TEMPLATE"), nullptr},
      {m_btnEditTemplate4, templateItem, &CExplorerMenu::m_btnEditTemplate_Click, s3,
       Text(L"BTN_EDIT_TEMPLATE"), L"CMDTEMPLATEEDIT"},
      {m_btnNewFromTemplate4, s.IsOtherMailFolder || s.IsContactFolder,
       &CExplorerMenu::m_btnNewFromTemplate_Click, s3, Text(L"BTN_NEW_FROM_TEMPLATE"),
       L"CMDNEWFROMTEMPLATE"},
      {m_btnSaveAsTemplate4, s.IsOtherMailFolder && s.IsMailSelected && !s.IsTemplatesFolder,
       &CExplorerMenu::m_btnSaveAsTemplate_Click, s3, Text(L"BTN_SAVE_AS_TEMPLATE"),
       L"CMDSAVETEMPLATE"},
      {m_btnOpenDuplicate4, templateItem, &CExplorerMenu::m_btnOpenDuplicate_Click, s2,
       Text(L"BTN_OPEN_DUPLICATE2"), nullptr},
      {m_btnHotkey4, templateItem, &CExplorerMenu::m_btnHotkey_Click, s2, Text(L"BTN_HOTKEY"),
       nullptr},
      {m_btnChangeDefault4, templateItem && s.SelCount == 1,
       &CExplorerMenu::m_btnChangeDefault_Click, s2,
       s.IsDefaultTemplateSelected ? Text(L"BTN_CHANGE_DEFAULT_CLEAR")
                                   : Text(L"BTN_CHANGE_DEFAULT_SET"),
       nullptr},
      {m_btnSendDrafts4, s.IsDraftsFolder && s.IsMailSelected,
       &CExplorerMenu::m_btnSendDrafts_Click, s2, Text(L"BTN_SEND_DRAFTS"), nullptr},
  };
  for (auto& item : items) {
    item.member.Release();
    if (!item.add || !popup) continue;
    ButtonPtr button;
    vb::Ignore([&] { button = bars::AddButton(*popup->CommandBar()); });
    if (!button) continue;
    Bind(item.member, button, item.handler);
    vb::Ignore([&] { button->SetStyle(item.style); });
    vb::Ignore([&] { button->SetCaption(item.caption); });
    if (&item.member == &m_btnNewTemplate4)
      vb::Ignore([&] { button->SetFaceId(2687); });
    else if (item.picture)
      vb::Ignore([&] { bars::SetPictureAndMask(button, item.picture); });
    if (&item.member == &m_btnNewFromTemplate4)
      vb::Ignore([&] { button->SetBeginGroup(s.IsOtherMailFolder); });
  }
  if (popup)
    vb::Ignore([&] {
      if (popup->Controls().Count() == 0) popup->SetVisible(false);
    });
  if (cleared) vb::Ignore([&] { bar->SetProtection(protection); });
  vb::Err().Clear();
}
