// CExplorerMenu: binding, the update, the state record, the toolbar's reply pairs and the
// template button with its drop-down.
#include "explorer_ui/CExplorerMenu.h"

#include "core/CLang.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Error.h"

using bars::ButtonPtr;
using bars::PopupPtr;

namespace {
constexpr const wchar_t* kTemplateMenu = L"CExplorerMenu::Create_TemplateMenu";
constexpr const wchar_t* kButtonEnable = L"CExplorerMenu::TVButtonEnable";
constexpr const wchar_t* kFreqButtons = L"CExplorerMenu::Update_FreqButtons";

std::wstring Text(const wchar_t* id) {
  return LangText(id);
}
}  // namespace

CExplorerMenu::~CExplorerMenu() {
  if (m_bToolbarChanged && m_bars)
    if (auto standard = Bar(L"Standard"))
      vb::Ignore([&] { standard->FindControl(0, bars::kReplyId)->SetBeginGroup(true); });
  ReleaseAll();
  vb::Err().Clear();
}

void CExplorerMenu::ReleaseAll() {
  m_updateSub.reset();
  for (auto& pair : m_pairs) {
    pair.button.Release();
    pair.popup.reset();
    pair.sub.Release();
    pair.quick.first.Release();
    pair.quick.popup.reset();
    pair.quick.list.CopyFrom(nullptr);
  }
  for (bars::BoundButton* b : {&m_btnTemplate,
                               &m_btnNewFromTemplate,
                               &m_btnSaveAsTemplate,
                               &m_btnNewTemplate,
                               &m_btnEditTemplate,
                               &m_btnSelAndEditTemplate,
                               &m_btnOpenDuplicate,
                               &m_btnHotkey,
                               &m_btnImport2,
                               &m_btnExport2,
                               &m_btnChangeDefault,
                               &m_btnSendDrafts2,
                               &m_btnOptions,
                               &m_btnHelp,
                               &m_btnNewFromTemplate5,
                               &m_btnImport,
                               &m_btnExport,
                               &m_btnDebug,
                               &m_btnTest1,
                               &m_btnNewFromTemplate3,
                               &m_btnGo,
                               &m_btnTanvelo2,
                               &m_btnReplyAllWith2,
                               &m_btnForwardWith2,
                               &m_btnNewTemplate2,
                               &m_btnEditTemplate2,
                               &m_btnNewFromTemplate2,
                               &m_btnSaveAsTemplate2,
                               &m_btnOpenDuplicate2,
                               &m_btnHotkey2,
                               &m_btnChangeDefault2,
                               &m_btnSendDrafts,
                               &m_btnTanvelo4,
                               &m_btnReplyAllWith4,
                               &m_btnForwardWith4,
                               &m_btnNewTemplate4,
                               &m_btnEditTemplate4,
                               &m_btnNewFromTemplate4,
                               &m_btnSaveAsTemplate4,
                               &m_btnOpenDuplicate4,
                               &m_btnHotkey4,
                               &m_btnChangeDefault4,
                               &m_btnSendDrafts4})
    b->Release();
  for (PopupPtr* p : {&m_popTemplate, &m_popImportExport, &m_popFileImportExport,
                      &m_popTanveloContact, &m_popActionMenu})
    p->reset();
  m_bars.reset();
}

bool CExplorerMenu::Gated() const {
  return GetAppVersion() < 14 || Options().ShowOldControlsOn2010();
}

void CExplorerMenu::Create(const std::shared_ptr<outlook::Explorer>& explorer) {
  vb::Ignore([&] {
    if (!Gated()) return;
    m_bToolbarChanged = false;
    m_bars = std::static_pointer_cast<office::CommandBars>(bars::Need(explorer)->CommandBars());
    bars::Need(m_bars);
    BindUpdates();
    m_sContextMenuTag.clear();
  });
  vb::Err().Clear();
}

void CExplorerMenu::BindUpdates() {
  vb::Ignore([&] { m_updateSub = bars::Need(m_bars)->OnUpdate([this] { OnUpdate(); }); });
}

bars::BarPtr CExplorerMenu::Bar(const wchar_t* name) const {
  bars::BarPtr bar;
  if (m_bars) vb::Ignore([&] { bar = m_bars->Item(name); });
  return bar;
}

void CExplorerMenu::LogMissingOnce(const wchar_t* context, const std::wstring& what) {
  if (m_loggedMissing.insert(std::wstring(context) + L"|" + what).second)
    LogError(context, 5, what + L" not found");
}

void CExplorerMenu::Bind(bars::BoundButton& member, ButtonPtr button, Handler handler) {
  std::weak_ptr<CExplorerMenu> weak = weak_from_this();
  member.Bind(std::move(button), [this, weak, handler](const ButtonPtr& ctrl, bool&) {
    auto keep = weak.lock();  // a command may close the window while it runs
    if (!m_bars || !bars::IsOnBars(ctrl, *m_bars)) return;
    vb::Ignore([&] { (this->*handler)(ctrl); });
    vb::Err().Clear();
  });
}

ButtonPtr CExplorerMenu::AddItem(const PopupPtr& popup, bars::BoundButton& member,
                                 const wchar_t* tagMember, Handler handler, int32_t style,
                                 const std::wstring& caption, const bars::Icon* icon) {
  auto button = bars::AddButton(*popup->CommandBar(), std::nullopt, TagOf(tagMember));
  Bind(member, button, handler);
  button->SetStyle(style);
  button->SetCaption(caption);
  if (icon) bars::SetIcon(button, *icon);
  return button;
}

void CExplorerMenu::OnUpdate() {
  if (!m_bars || !Gated()) return;
  auto keep = weak_from_this().lock();
  for (auto step : {&CExplorerMenu::AddNewFromTemplate5, &CExplorerMenu::AddAboutMenu,
                    &CExplorerMenu::Create_ActionMenu, &CExplorerMenu::Create_ActionMenuContact,
                    &CExplorerMenu::Create_ImportExportMenu, &CExplorerMenu::Create_TanveloButtons,
                    &CExplorerMenu::Create_TemplateMenu, &CExplorerMenu::ComputeState})
    vb::Ignore([&] { (this->*step)(); });
  if (!m_btnGo) vb::Ignore([&] { AddGoMenuItem(); });
  ExplorerMenuState state = m_state;
  for (auto step : {&CExplorerMenu::Create_ConextMenu, &CExplorerMenu::Update_ActionMenu,
                    &CExplorerMenu::Update_TanveloButtons, &CExplorerMenu::Update_TemplateMenu})
    vb::Ignore([&] { (this->*step)(state); });
  vb::Err().Clear();
}

void CExplorerMenu::AddAboutMenu() {
  if (m_bAboutMenuAdded) return;
  std::shared_ptr<void> app = g_oApp;
  vb::Ignore([&] {
    if (auto parent = std::any_cast<std::shared_ptr<outlook::Application>>(&m_bars->Parent()))
      app = *parent;
  });
  m_bAboutMenuAdded = LibNorvane().AddAboutMenu(app) == 0;
}

void CExplorerMenu::ComputeState() {
  ExplorerMenuState s;
  // A look Outlook refuses a moment is asked again; still refused, the log names the commands
  // it leaves hidden, disabled or wrongly captioned until the next update.
  auto tell = [](std::initializer_list<const wchar_t*> labels, const wchar_t* what) {
    const std::wstring refusal = vb::Err().Description();
    std::wstring names;
    for (const wchar_t* label : labels) names += (names.empty() ? L"" : L", ") + Text(label);
    LogError(L"CExplorerMenu::ComputeState", std::nullopt,
             names + L": not offered, " + what + (refusal.empty() ? L"" : L" - " + refusal));
    vb::Err().Clear();
  };
  std::shared_ptr<outlook::Explorer> active;
  std::shared_ptr<outlook::MAPIFolder> folder;
  int32_t type = -1;
  if (!mTanvelo::Retried([&] {
        active = bars::Need(g_oApp)->ActiveExplorer();
        folder = bars::Need(active)->CurrentFolder();
        type = folder ? folder->DefaultItemType() : -1;
        s.IsContactFolder = type == 2;
        s.IsTemplatesFolder = type == 0 && mTanvelo::TemplateFolderOrRaise(folder);
        s.IsOtherMailFolder = type == 0 && !s.IsTemplatesFolder;
      })) {
    s = ExplorerMenuState{};
    type = -1;
    tell({L"IDS_TANVELO", L"BTN_REPLY_ALL_WITH", L"IDS_FORWARDWITH", L"BTN_SAVE_AS_TEMPLATE",
          L"BTN_NEW_TEMPLATE", L"BTN_EDIT_TEMPLATE", L"BTN_OPEN_DUPLICATE", L"BTN_HOTKEY",
          L"BTN_CHANGE_DEFAULT_SET"},
         L"Outlook refused to show the current folder");
  }
  // Refused past its retries, the hidden send-drafts items are told by name.
  if (type == 0 && !vb::Catch([&] { s.IsDraftsFolder = DraftsFolderOrRaise(folder); }))
    tell({L"BTN_SEND_DRAFTS"}, L"Outlook refused to show the current folder");
  auto standard = Bar(L"Standard");
  struct Mirror {
    int32_t id;
    const wchar_t* label;
    bool& visible;
    bool& enabled;
  } mirrors[] = {{bars::kReplyId, m_pairs[0].tooltip, s.ReplyVisible, s.ReplyEnabled},
                 {bars::kReplyAllId, m_pairs[1].tooltip, s.ReplyAllVisible, s.ReplyAllEnabled},
                 {bars::kForwardId, m_pairs[2].tooltip, s.ForwardVisible, s.ForwardEnabled}};
  for (auto& m : mirrors) {
    if (s.IsTemplatesFolder || !standard) continue;
    if (!mTanvelo::Retried([&] {
          m.visible = m.enabled = false;
          if (auto builtIn = standard->FindControl(0, m.id)) {
            m.visible = builtIn->Visible();
            m.enabled = builtIn->Enabled();
          }
        }))
      tell({m.label}, L"Outlook refused to show its own reply command");
  }
  std::wstring selectedId;
  if (active && !mTanvelo::Retried([&] {
        s.SelCount = 0;
        s.IsMailSelected = s.IsTemplateSelected = false;
        auto selection = bars::Need(active->Selection());
        s.SelCount = selection->Count();
        if (s.SelCount == 0) return;
        auto item = bars::Need(selection->Item(1));
        s.IsMailSelected = item->Class() == outlook::olMail;
        s.IsTemplateSelected = s.IsMailSelected && !item->Sent() && s.IsTemplatesFolder;
        if (s.IsTemplateSelected) selectedId = item->EntryID();
      })) {
    s.SelCount = 0;
    s.IsMailSelected = s.IsTemplateSelected = false;
    tell({L"BTN_SAVE_AS_TEMPLATE", L"BTN_EDIT_TEMPLATE", L"BTN_OPEN_DUPLICATE", L"BTN_HOTKEY",
          L"BTN_CHANGE_DEFAULT_SET", L"BTN_SEND_DRAFTS"},
         L"Outlook refused to show the selection");
  }
  // A default that could not be read is no "not the default": the caption would offer to make
  // the default what already is.
  if (s.IsTemplateSelected &&
      !vb::Catch([&] { s.IsDefaultTemplateSelected = mTanvelo::IsDefaultTemplate(selectedId); }))
    tell({L"BTN_CHANGE_DEFAULT_CLEAR"}, L"the default could not be read");
  m_state = s;
  vb::Err().Clear();
}

// --- "Standard": the reply pairs ---------------------------------------------------------------

bool CExplorerMenu::HideOption(int32_t action) const {
  switch (action) {
    case 1:
      return Options().HideTanveloBtn();
    case 2:
      return Options().HideReplyAllWithBtn();
    default:
      return Options().HideForwardWithBtn();
  }
}

void CExplorerMenu::Create_TanveloButtons() {
  auto bar = Bar(L"Standard");
  if (!bar) return;
  static constexpr Handler kButton[] = {&CExplorerMenu::m_btnTanvelo_Click,
                                        &CExplorerMenu::m_btnReplyAllWith_Click,
                                        &CExplorerMenu::m_btnForwardWith_Click};
  static constexpr Handler kSub[] = {&CExplorerMenu::m_btnTanveloSub_Click,
                                     &CExplorerMenu::m_btnReplyAllWithSub_Click,
                                     &CExplorerMenu::m_btnForwardWithSub_Click};
  static constexpr Handler kFreq[] = {&CExplorerMenu::m_btnTanveloFreq_Click,
                                      &CExplorerMenu::m_btnReplyAllWithFreq_Click,
                                      &CExplorerMenu::m_btnForwardWithFreq_Click};
  for (size_t n = 0; n < m_pairs.size(); ++n) {
    ReplyPair& pair = m_pairs[n];
    const std::wstring member = pair.member;
    if (!pair.button) {
      bars::ControlPtr anchor;
      vb::Ignore([&] { anchor = bar->FindControl(0, pair.anchorId); });
      if (!anchor) continue;  // tried again at the next update
      ButtonPtr button;
      vb::Ignore([&] { button = bars::AddButton(*bar, anchor->Index(), TagOf(member.c_str())); });
      // Refused: the whole pair waits for the next update. Reply keeps its separator meanwhile;
      // taken now, it would stand before no button of the add-in.
      if (!button) continue;
      Bind(pair.button, button, kButton[n]);
      vb::Ignore([&] { button->SetStyle(office::msoButtonIconAndCaption); });
      vb::Ignore([&] { button->SetTooltipText(Text(pair.tooltip)); });
      vb::Ignore([&] { bars::SetIcon(button, *bars::ReplyIcon(pair.action)); });
      vb::Ignore([&] { button->SetVisible(anchor->Visible()); });
      vb::Ignore([&] { button->SetEnabled(anchor->Enabled()); });
      if (pair.action == 1) {
        vb::Ignore([&] {
          if (!anchor->BeginGroup()) return;
          // The separator before Reply now stands before the add-in's reply button.
          anchor->SetBeginGroup(false);
          m_bToolbarChanged = true;
          button->SetBeginGroup(true);
        });
      }
    }
    // The drop-down, its choose item and its quick items are each made at the first update
    // that can: one refusal of Office must not cost them for the life of the window.
    if (!pair.popup) {
      vb::Ignore([&] {
        pair.popup =
            bars::AddPopup(*bar, pair.button->Index() + 1, TagOf(L"pop") + (member.c_str() + 3));
      });
      if (!pair.popup) continue;
      vb::Ignore([&] { pair.popup->SetCaption(L" "); });
    }
    if (!pair.sub) {
      ButtonPtr sub;
      vb::Ignore([&] {
        sub = bars::AddButton(*pair.popup->CommandBar(), std::nullopt,
                              TagOf(member.c_str()) + L"Sub");
      });
      // Quick items made without it would take its place, and every refill would miss one.
      if (!sub) continue;
      Bind(pair.sub, sub, kSub[n]);
      vb::Ignore([&] { sub->SetStyle(office::msoButtonCaption); });
      vb::Ignore([&] { sub->SetCaption(Text(pair.subCaption)); });
      vb::Ignore([&] { sub->SetVisible(true); });
    }
    if (!pair.quick.popup) Create_FreqButtons(pair.popup, pair.quick, kFreq[n]);
  }
  vb::Err().Clear();
}

void CExplorerMenu::Create_FreqButtons(const PopupPtr& popup, bars::QuickItems& group,
                                       Handler onFreq) {
  group.popup = popup;
  bars::CreateQuickItems(group,
                         [this, onFreq, weak = weak_from_this()](const ButtonPtr& ctrl, bool&) {
                           auto keep = weak.lock();
                           if (!m_bars || !bars::IsOnBars(ctrl, *m_bars)) return;
                           vb::Ignore([&] { (this->*onFreq)(ctrl); });
                           vb::Err().Clear();
                         });
}

void CExplorerMenu::Update_FreqButtons(const PopupPtr& popup, CTemplates& list) {
  bars::UpdateFreqButtons(popup, list, kFreqButtons);
}

void CExplorerMenu::Update_TanveloButtons(const ExplorerMenuState& state) {
  const bool visible[] = {state.ReplyVisible, state.ReplyAllVisible, state.ForwardVisible};
  const bool enabled[] = {state.ReplyEnabled, state.ReplyAllEnabled, state.ForwardEnabled};
  for (size_t n = 0; n < m_pairs.size(); ++n) {
    ReplyPair& pair = m_pairs[n];
    if (!pair.button) continue;
    const ButtonPtr& button = pair.button.get();
    if (HideOption(pair.action)) {
      bars::PutVisible(button, false);
      bars::PutVisible(pair.popup, false);
      continue;
    }
    const bool v = visible[n], e = enabled[n];
    bool old = e;
    vb::Ignore([&] { old = button->Enabled(); });
    const bool repaint = (old != e) && v;
    bars::PutVisible(button, v);
    bars::TVButtonEnable(button, pair.action, e, kButtonEnable);
    bars::PutVisible(pair.popup, v);
    bars::PutEnabled(pair.popup, e);
    if (repaint) {
      // Office repaints the drop-down's arrow only when it is shown again.
      vb::Ignore([&] { bars::Need(pair.popup)->SetVisible(false); });
      vb::Ignore([&] { bars::Need(pair.popup)->SetVisible(true); });
    }
    vb::Ignore([&] {
      if (bars::FrequentsChanged(pair.quick, pair.action))
        Update_FreqButtons(pair.popup, pair.quick.list);
    });
  }
  vb::Err().Clear();
}

// --- "Standard": the template button and its drop-down ------------------------------------------

void CExplorerMenu::Create_TemplateMenu() {
  if (m_popTemplate) return;
  auto bar = Bar(L"Standard");
  if (!bar) {
    LogMissingOnce(kTemplateMenu, L"the bar \"Standard\"");
    return;
  }
  auto anchor = bars::IndexOf(*bar, 1874);
  if (!anchor) return;  // tried again at the next update
  Trap(kTemplateMenu, [&] {
    auto button = bars::AddButton(*bar, *anchor + 1, TagOf(L"btnTemplate"));
    Bind(m_btnTemplate, button, &CExplorerMenu::m_btnTemplate_Click);
    button->SetStyle(office::msoButtonIcon);
    button->SetTooltipText(Text(L"BTN_TEMPLATE"));
    bars::SetIcon(button, bars::kIconTemplate);
    auto popup = bars::AddPopup(*bar, button->Index() + 1, TagOf(L"popTemplate"));
    popup->SetCaption(L" ");
    popup->SetVisible(false);
    popup->SetVisible(true);
    using namespace bars;
    constexpr int32_t s2 = office::msoButtonCaption, s3 = office::msoButtonIconAndCaption;
    AddItem(popup, m_btnNewFromTemplate, L"btnNewFromTemplate",
            &CExplorerMenu::m_btnNewFromTemplate_Click, s3, Text(L"BTN_NEW_FROM_TEMPLATE"),
            &kIconNewFromTemplate);
    AddItem(popup, m_btnSaveAsTemplate, L"btnSaveAsTemplate",
            &CExplorerMenu::m_btnSaveAsTemplate_Click, s3, Text(L"BTN_SAVE_AS_TEMPLATE"),
            &kIconSaveTemplate);
    AddItem(popup, m_btnNewTemplate, L"btnNewTemplate", &CExplorerMenu::m_btnNewTemplate_Click, s3,
            Text(L"BTN_NEW_TEMPLATE"), &kIconCreateTemplate);
    AddItem(popup, m_btnEditTemplate, L"btnEditTemplate", &CExplorerMenu::m_btnEditTemplate_Click,
            s3, Text(L"BTN_EDIT_TEMPLATE"), &kIconTemplateEdit);
    AddItem(popup, m_btnSelAndEditTemplate, L"btnSelAndEditTemplate",
            &CExplorerMenu::m_btnSelAndEditTemplate_Click, s3, Text(L"BTN_SEL_AND_EDIT_TEMPLATE"),
            &kIconTemplateEdit);
    AddItem(popup, m_btnOpenDuplicate, L"btnOpenDuplicate",
            &CExplorerMenu::m_btnOpenDuplicate_Click, s2, Text(L"BTN_OPEN_DUPLICATE"), nullptr);
    AddItem(popup, m_btnHotkey, L"btnHotkey", &CExplorerMenu::m_btnHotkey_Click, s2,
            Text(L"BTN_HOTKEY"), nullptr);
    auto importExport =
        bars::AddPopup(*popup->CommandBar(), std::nullopt, TagOf(L"popImportExport"));
    importExport->SetVisible(true);
    importExport->SetCaption(Text(L"MNU_IMPORT_EXPORT"));
    AddItem(importExport, m_btnImport2, L"btnImport2", &CExplorerMenu::m_btnImport_Click, s2,
            Text(L"BTN_IMPORT"), nullptr)
        ->SetVisible(true);
    AddItem(importExport, m_btnExport2, L"btnExport2", &CExplorerMenu::m_btnExport_Click, s2,
            Text(L"BTN_EXPORT"), nullptr)
        ->SetVisible(true);
    AddItem(popup, m_btnChangeDefault, L"btnChangeDefault",
            &CExplorerMenu::m_btnChangeDefault_Click, s2, Text(L"BTN_CHANGE_DEFAULT_SET"), nullptr);
    AddItem(popup, m_btnSendDrafts2, L"btnSendDrafts2", &CExplorerMenu::m_btnSendDrafts_Click, s2,
            Text(L"BTN_SEND_DRAFTS"), nullptr);
    AddItem(popup, m_btnOptions, L"btnOptions", &CExplorerMenu::m_btnOptions_Click, s2,
            Text(L"BTN_OPTIONS"), nullptr)
        ->SetBeginGroup(true);
    AddItem(popup, m_btnHelp, L"btnHelp", &CExplorerMenu::m_btnHelp_Click, s2, Text(L"BTN_HELP"),
            nullptr);
    // Marked built only now: a build stopped by an error is redone (taking over what it made).
    m_popImportExport = importExport;
    m_popTemplate = popup;
  });
}

void CExplorerMenu::Update_TemplateMenu(const ExplorerMenuState& s) {
  if (!m_popTemplate) return;
  using namespace bars;
  const std::wstring newFrom = Text(L"BTN_NEW_FROM_TEMPLATE");
  const std::wstring newFromSel = Text(L"BTN_NEW_FROM_SEL_TEMPLATE");
  PutCaption(m_btnNewFromTemplate.get(),
             s.IsTemplatesFolder && s.IsTemplateSelected ? newFromSel : newFrom);
  PutEnabled(m_btnSaveAsTemplate.get(), s.IsOtherMailFolder && s.IsMailSelected);
  PutVisible(m_btnSaveAsTemplate.get(), s.IsOtherMailFolder);
  PutVisible(m_btnNewTemplate.get(), s.IsTemplatesFolder);
  PutVisible(m_btnEditTemplate.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnEditTemplate.get(), s.IsTemplateSelected);
  PutVisible(m_btnSelAndEditTemplate.get(), !s.IsTemplatesFolder);
  PutVisible(m_btnOpenDuplicate.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnOpenDuplicate.get(), s.IsTemplateSelected);
  PutVisible(m_btnHotkey.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnHotkey.get(), s.IsTemplateSelected);
  PutBeginGroup(m_btnHotkey.get(), s.IsTemplatesFolder);
  PutBeginGroup(m_popImportExport, !s.IsTemplatesFolder);
  PutVisible(m_btnChangeDefault.get(), s.IsTemplatesFolder);
  PutEnabled(m_btnChangeDefault.get(), s.IsTemplateSelected && s.SelCount == 1);
  const std::wstring clear = Text(L"BTN_CHANGE_DEFAULT_CLEAR");
  const std::wstring set = Text(L"BTN_CHANGE_DEFAULT_SET");
  PutCaption(m_btnChangeDefault.get(), s.IsDefaultTemplateSelected ? clear : set);
  PutVisible(m_btnSendDrafts2.get(), s.IsDraftsFolder);
  PutEnabled(m_btnSendDrafts2.get(), s.IsMailSelected);
  vb::Err().Clear();
}
