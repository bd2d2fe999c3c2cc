// The template picker's dialog: loading from the record, layout and stored size, the buttons'
// states, and the commands on the selected template.
#include "dialogs/frmSelectTemplate.h"

#include <algorithm>
#include <cmath>

#include "core/CLang.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/mForms.h"
#include "dialogs/mfrmSelectTemplate.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/ResPicture.h"
#include "platform/vb/Runtime.h"
#include "platform/vb/Settings.h"
#include "platform/win32/MessageBox.h"

using DialogSupport::Need;
using mForms::SelectTemplateParams;

namespace {
const wchar_t* const kSettingsApp = L"Tanvelo";
const wchar_t* const kSettingsSection = L"frmSelectTemplate";

// A stored size as the runtime converts text in arithmetic: blanks around a decimal number are
// fine, anything else is a type mismatch.
int32_t TwipsOf(const std::wstring& text) {
  std::wstring t = vb::Trim(text);
  size_t i = (!t.empty() && (t[0] == L'-' || t[0] == L'+')) ? 1 : 0;
  size_t digits = 0, points = 0;
  for (size_t j = i; j < t.size(); ++j) {
    if (iswdigit(t[j])) {
      ++digits;
    } else if (t[j] == L'.' && points == 0) {
      ++points;
    } else {
      vb::Raise(vb::kTypeMismatch);
    }
  }
  if (digits == 0) vb::Raise(vb::kTypeMismatch);
  return vb::CLng(vb::Val(t));
}

}  // namespace

frmSelectTemplate::~frmSelectTemplate() = default;

void frmSelectTemplate::Design() {
  SetCaption(L"Tanvelo Templates - Select template");
  SetWidth(5325);
  SetHeight(5415);
  Label1 = forms::Placed(Add<forms::Label>(L"Label1"), 120, 120, 3495, 255);
  Label1->SetCaption(L"Templates:");
  auto images = Add<forms::ImageList>(L"ilsTree");
  for (const wchar_t* name :
       {L"ICO_TEMPLATE_FOLDER", L"ICO_TEMPLATE_FOLDER", L"ICO_TEMPLATE_FOLDER",
        L"ICO_TEMPLATE_FOLDER", L"ICO_TEMPLATE_EDIT", L"ICO_PREADDRESSED_TEMPLATE"})
    vb::Ignore([&] { images->Add(L"", vb::LoadResPicture(name, vb::vbResIcon)); });
  treFolders = forms::Placed(Add<forms::TreeView>(L"treFolders"), 120, 390, 3495, 2775);
  treFolders->ImageList = images;
  treFolders->OnClick = [this] { vb::Ignore([&] { UpdateButtons(); }); };
  treFolders->OnDblClick = [this] { btnOK_Click(); };
  fraOptions = forms::Placed(Add<forms::Frame>(L"fraOptions"), 120, 3240, 3495, 1095);
  fraOptions->SetCaption(L"Send");
  optOneMail =
      forms::Placed(Add<forms::OptionButton>(L"optOneMail", fraOptions), 120, 270, 3255, 255);
  optOneMail->SetCaption(L"&One message to all recipients");
  optSeparateMails =
      forms::Placed(Add<forms::OptionButton>(L"optSeparateMails", fraOptions), 120, 630, 3255, 255);
  optSeparateMails->SetCaption(L"&Separate message for each recipient");
  auto button = [this](std::shared_ptr<forms::CommandButton>& b, const wchar_t* name,
                       const wchar_t* caption, int32_t top, void (frmSelectTemplate::*click)()) {
    b = forms::Placed(Add<forms::CommandButton>(name), 3840, top, 1245, 375);
    b->SetCaption(caption);
    b->OnClick = [this, click] { (this->*click)(); };
  };
  button(btnOK, L"btnOK", L"OK", 390, &frmSelectTemplate::btnOK_Click);
  btnOK->SetDefault(true);
  button(btnFavorite, L"btnFavorite", L"Add to favorites", 990,
         &frmSelectTemplate::btnFavorite_Click);
  button(btnDefault, L"btnDefault", L"Make default", 1440, &frmSelectTemplate::btnDefault_Click);
  button(btnHotkey, L"btnHotkey", L"&Hotkey...", 1890, &frmSelectTemplate::btnHotkey_Click);
  button(btnEdit, L"btnEdit", L"&Edit", 2340, &frmSelectTemplate::btnEdit_Click);
  button(btnMove, L"btnMove", L"&Move...", 2790, &frmSelectTemplate::btnMove_Click);
  button(btnCancel, L"btnCancel", L"Cancel", 4440, &frmSelectTemplate::btnCancel_Click);
  btnCancel->SetCancel(true);
  button(btnHelp, L"btnHelp", L"Help", 4440, &frmSelectTemplate::btnHelp_Click);
  btnHelp->SetLeft(120);
  forms::Placed(Add<forms::StatusBar>(L"StatusBar1"), 0, 4905, 5205, 60);
  forms::Placed(Add<forms::PictureBox>(L"Picture1"), 3840, 3240, 1245, 1095);
}

void frmSelectTemplate::Form_Load() {
  auto& params = SelectTemplateParams;
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  int32_t frameWidth = 0, frameHeight = 0;
  vb::Ignore([&] { GetNonClientSize(frameWidth, frameHeight); });
  vb::Ignore([&] {
    SetWidth(TwipsOf(vb::GetSetting(kSettingsApp, kSettingsSection, L"ClientWidth", L"5205")) +
             frameWidth);
  });
  vb::Ignore([&] {
    SetHeight(TwipsOf(vb::GetSetting(kSettingsApp, kSettingsSection, L"ClientHeight", L"4965")) +
              frameHeight);
  });
  vb::Ignore([&] {
    mfrmSelectTemplate::HookMinSize(hWnd(),
                                    (kMinClientWidth + frameWidth) / vb::Screen().TwipsPerPixelX,
                                    (kMinClientHeight + frameHeight) / vb::Screen().TwipsPerPixelY);
  });
  vb::Ignore([&] { ChangeWindowExStyle(hWnd(), 0, win32::WS_EX_TOOLWINDOW); });
  // A tip over a cut-off node would cover the nodes below it while the user looks for one.
  vb::Ignore([&] { AddWindowStyle(treFolders->hWnd(), forms::TVS_NOTOOLTIPS); });
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
  FillTree();
  if (!m_unlisted.empty()) {
    // Told before the picker shows: a template missing from it would look deleted.
    std::wstring names;
    for (const auto& name : m_unlisted)
      names += L"\n" + (name.empty() ? LangText(L"RID_E_BTN_TEMPLATE") : name);
    vb::MsgBox(LangText(L"STR_TEMPLATES_NOT_LISTED", names), win32::MB_ICONEXCLAMATION);
  }
  params.bOK = false;
  vb::Ignore([&] {
    (params.nMode == 2 ? optSeparateMails : optOneMail)->SetValue(true);
    optOneMail->SetEnabled((params.nOptionMask & 1) != 0);
    optSeparateMails->SetEnabled((params.nOptionMask & 2) != 0);
    if (params.nOptionMask == 0) fraOptions->SetEnabled(false);
  });
  // The template asked for, through its favourite copy when it has one; else the root opens
  // and the default template is chosen when it has a copy there.
  auto& nodes = treFolders->Nodes();
  NodePtr node;
  vb::Ignore([&] { node = nodes.Item(CopyKey(params.sEntryID)); });
  if (!node) vb::Ignore([&] { node = nodes.Item(TemplateKey(params.sEntryID)); });
  if (node) {
    node->SetSelected(true);
    node->EnsureVisible();
  } else {
    vb::Ignore([&] { nodes.Item(1)->Expanded = true; });
    vb::Ignore([&] {
      auto preset = nodes.Item(CopyKey(Options().DefaultTemplateID()));
      preset->SetSelected(true);
      preset->EnsureVisible();
    });
  }
  vb::Err().Clear();
  vb::Ignore([&] {
    if (params.bFocusTree)
      win32::SetWindowPos(hWnd(), win32::HWND_TOPMOST, 0, 0, 0, 0,
                          win32::SWP_NOSIZE | win32::SWP_NOMOVE);
  });
  vb::Ignore([&] { UpdateButtons(); });
  m_bActivated = false;
}

void frmSelectTemplate::Form_Activate() {
  if (m_bActivated) return;
  m_bActivated = true;
  if (SelectTemplateParams.bFocusTree) vb::Ignore([&] { treFolders->SetFocus(); });
}

void frmSelectTemplate::Form_Resize() {
  int32_t frameWidth = 0, frameHeight = 0;
  vb::Ignore([&] { GetNonClientSize(frameWidth, frameHeight); });
  int32_t w = std::max(Width() - frameWidth, kMinClientWidth);
  int32_t h = std::max(Height() - frameHeight, kMinClientHeight);
  vb::Ignore([&] {
    for (auto& control :
         std::initializer_list<std::shared_ptr<forms::Control>>{Label1, treFolders, fraOptions})
      control->SetWidth(w - 1710);
    treFolders->SetHeight(h - 2190);
    fraOptions->SetTop(h - 1725);
    for (auto& button : {btnOK, btnCancel, btnFavorite, btnDefault, btnHotkey, btnEdit, btnMove})
      button->SetLeft(w - 1365);
    btnHelp->SetTop(h - 525);
    btnCancel->SetTop(h - 525);
  });
}

void frmSelectTemplate::Form_Unload(int32_t& cancel) {
  (void)cancel;
  vb::Ignore([&] { mfrmSelectTemplate::UnhookMinSize(hWnd()); });
  int32_t frameWidth = 0, frameHeight = 0;
  vb::Ignore([&] { GetNonClientSize(frameWidth, frameHeight); });
  auto save = [&](const wchar_t* name, int32_t size) {
    const std::wstring value = std::to_wstring(size);
    if (mTanvelo::Retried([&] { vb::SaveSetting(kSettingsApp, kSettingsSection, name, value); }))
      return;
    vb::Err().Clear();
    LogNotWritten(L"frmSelectTemplate::Form_Unload",
                  std::wstring(L"Software\\VB and VBA Program Settings\\") + kSettingsApp + L"\\" +
                      kSettingsSection,
                  name, value);
  };
  vb::Ignore([&] { save(L"ClientWidth", Width() - frameWidth); });
  vb::Ignore([&] { save(L"ClientHeight", Height() - frameHeight); });
  m_oSafeItem.reset();
}

std::wstring frmSelectTemplate::SelectedEntryID() const {
  auto node = treFolders->SelectedItem();
  return node ? node->Key().substr(std::min<size_t>(1, node->Key().size())) : L"";
}

void frmSelectTemplate::DefaultNotRead(const wchar_t* procedure, std::wstring_view what) {
  const std::wstring refusal = vb::Err().Description();
  std::wstring name;
  vb::Ignore([&] { name = vb::Need(treFolders->SelectedItem())->Text; });
  LogError(procedure, std::nullopt, L"\"" + name + L"\": " + std::wstring(what) + L" - " + refusal);
  vb::Err().Clear();
}

void frmSelectTemplate::UpdateButtons() {
  auto node = treFolders->SelectedItem();
  bool isTemplate = node && node->Image != 1;
  std::wstring sEntryID = isTemplate ? SelectedEntryID() : L"";
  for (auto& button : {btnOK, btnDefault, btnHotkey, btnEdit}) button->SetEnabled(isTemplate);
  bool isDefault = false;
  if (isTemplate && !vb::Catch([&] { isDefault = mTanvelo::IsDefaultTemplate(sEntryID); }))
    DefaultNotRead(L"frmSelectTemplate::UpdateButtons", L"its button's caption may be wrong");
  vb::Ignore([&] {
    btnDefault->SetCaption(LangText(isDefault ? L"STR_DEFAULT_OFF" : L"STR_DEFAULT_ON"));
    btnDefault->SetToolTipText(LangText(isDefault ? L"STR_DEFAULT_OFF_TT" : L"STR_DEFAULT_ON_TT"));
  });
  bool isFavorite = false;
  if (isTemplate) IsFavoriteNode(node, isFavorite);
  vb::Ignore([&] {
    btnFavorite->SetEnabled(isTemplate && !isDefault);
    btnFavorite->SetCaption(LangText(isFavorite ? L"STR_FAVORITE_OFF" : L"STR_FAVORITE_ON"));
    btnFavorite->SetToolTipText(
        LangText(isFavorite ? L"STR_FAVORITE_OFF_TT" : L"STR_FAVORITE_ON_TT"));
  });
  btnMove->SetEnabled(isTemplate && !isFavorite);
}

frmSelectTemplate::ItemPtr frmSelectTemplate::GetSelectedTemplate() {
  ItemPtr item;
  vb::Ignore([&] {
    std::wstring sEntryID = SelectedEntryID();
    if (sEntryID.empty()) {
      LogError(L"frmSelectTemplate::GetSelectedTemplate", 0, std::wstring(L"ASSERT"));
      return;
    }
    item = mTanvelo::GetTemplate(sEntryID);
  });
  return item;
}

void frmSelectTemplate::btnOK_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnOK->Enabled()) return;
  SelectTemplateParams.bOK = true;
  vb::Ignore([&] { SelectTemplateParams.sEntryID = SelectedEntryID(); });
  vb::Ignore([&] { SelectTemplateParams.nMode = optSeparateMails->Value() ? 2 : 1; });
  Unload();
}

void frmSelectTemplate::btnCancel_Click() {
  Unload();
}

void frmSelectTemplate::btnFavorite_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnFavorite->Enabled()) return;
  Trap(L"frmSelectTemplate::btnFavorite_Click", [&] {
    std::wstring sEntryID = SelectedEntryID();
    auto item = Need(mTanvelo::GetTemplate(sEntryID));
    bool isFavorite = false;
    IsFavoriteNode(treFolders->SelectedItem(), isFavorite);
    if (isFavorite) {
      mTanvelo::UnmarkFavoriteTemplate(item, true);
    } else {
      mTanvelo::MarkFavoriteTemplate(item, true);
    }
    ReloadItem(sEntryID, true, L"");
    UpdateButtons();
  });
}

void frmSelectTemplate::btnDefault_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnDefault->Enabled()) return;
  Trap(L"frmSelectTemplate::btnSetDefault_Click", [&] {
    std::wstring sEntryID = SelectedEntryID();
    // Taken for "not the default", a refused read would make the default again what the user
    // asked to clear.
    bool isDefault = false;
    if (!vb::Catch([&] { isDefault = mTanvelo::IsDefaultTemplate(sEntryID); }))
      return DefaultNotRead(L"frmSelectTemplate::btnSetDefault_Click",
                            L"the default template was not changed");
    if (!isDefault) {
      std::wstring former = Options().DefaultTemplateID();
      mTanvelo::SetDefaultTemplate(Need(mTanvelo::GetTemplate(sEntryID)));
      if (!former.empty()) ReloadItem(former, false, L"");
    } else {
      mTanvelo::ClearDefaultTemplate();
    }
    ReloadItem(sEntryID, true, L"");
    UpdateButtons();
  });
}

void frmSelectTemplate::btnHotkey_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnHotkey->Enabled()) return;
  vb::Ignore([&] {
    std::wstring sEntryID = SelectedEntryID(), sResult;
    if (!mForms::ShowHotkeyDialog(sEntryID, std::nullopt, std::nullopt, std::nullopt, false,
                                  sResult))
      return;
    if (!sResult.empty() && sResult != sEntryID) UpdateHotkeyCaptions(sResult);
    UpdateHotkeyCaptions(sEntryID);
  });
}

// The dialog steps aside while the template is open, and its answer is given only when it
// finally closes.
void frmSelectTemplate::btnEdit_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnEdit->Enabled()) return;
  ItemPtr item;
  std::wstring sEntryID;
  vb::Ignore([&] { item = GetSelectedTemplate(); });
  vb::Ignore([&] { sEntryID = SelectedEntryID(); });
  Hide();
  vb::Ignore([&] { mTanvelo::DisplayTemplate(item, true); });
  ReloadItem(sEntryID, true, L"");
  vb::Ignore([&] { Show(forms::vbModal); });
}

void frmSelectTemplate::btnMove_Click() {
  vb::Ignore([&] { UpdateButtons(); });
  if (!btnMove->Enabled()) return;
  Trap(L"frmSelectTemplate::btnMove_Click", [&] {
    std::wstring sEntryID = SelectedEntryID();
    std::wstring sFolderID = Need(Need(treFolders->SelectedItem())->Parent())->Key();
    std::wstring sCurrentFolderID = sFolderID;
    int32_t position = 0;
    auto hotkey = Hotkeys().FindByTemplate(sEntryID, position);
    if (!mForms::BrowseOutlookFolder(sFolderID) || sFolderID == sCurrentFolderID) return;
    auto target = g_oApp->Session()->GetFolderFromID(sFolderID, g_oTemplatesFolder->StoreID());
    auto moved = Need(mTanvelo::GetTemplate(sEntryID))->Move(target);
    std::wstring sNewEntryID = moved->EntryID();
    if (hotkey) {
      Hotkeys().Remove(position);
      Hotkeys().Add(sNewEntryID, hotkey->Action, hotkey->KeyCode, hotkey->Shift, hotkey->Alt,
                    hotkey->Ctrl);
      Hotkeys().SaveToReg();
    }
    // The default is kept by EntryID, which a move may change.
    bool wasDefault = false;
    if (sNewEntryID != sEntryID &&
        !vb::Catch([&] { wasDefault = mTanvelo::IsDefaultTemplate(sEntryID); }))
      DefaultNotRead(L"frmSelectTemplate::btnMove_Click",
                     L"the default template may not have followed it");
    if (wasDefault) Options().SetDefaultTemplateID(sNewEntryID);
    ReloadItem(sNewEntryID, true, sEntryID);
  });
}

void frmSelectTemplate::btnHelp_Click() {
  vb::Ignore([&] { LibNorvane().ShowContextHelp(L"Tanvelo_Forward_with_a_Template.htm"); });
}
