#include "dialogs/frmHotkey.h"

#include "core/CLang.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/mForms.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Outlook.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Window.h"

using mForms::HotkeyParams;

namespace {
constexpr int32_t kA = 'A', kZ = 'Z';

}  // namespace

void frmHotkey::Design() {
  SetCaption(L"Tanvelo Templates - Hotkey for %s");
  SetBorderStyle(forms::vbFixedDialog);
  SetWidth(5055);
  SetHeight(3630);
  auto frame1 = forms::Placed(Add<forms::Frame>(L"Frame1"), 120, 120, 2895, 1455);
  frame1->SetCaption(L"Hotkey for");
  optReply = forms::Placed(Add<forms::OptionButton>(L"optReply", frame1), 240, 300, 2535, 255);
  optReply->SetCaption(L"&Tanvelo");
  optReplyAll =
      forms::Placed(Add<forms::OptionButton>(L"optReplyAll", frame1), 240, 660, 2535, 255);
  optReplyAll->SetCaption(L"Reply to &all with");
  optForward = forms::Placed(Add<forms::OptionButton>(L"optForward", frame1), 240, 1020, 2535, 255);
  optForward->SetCaption(L"&Forward with");
  auto frame2 = forms::Placed(Add<forms::Frame>(L"Frame2"), 120, 1680, 2895, 1335);
  frame2->SetCaption(L"Hotkey combination");
  forms::Placed(Add<forms::Label>(L"Label1", frame2), 240, 360, 615, 255)->SetCaption(L"Ctrl +");
  optAlt = forms::Placed(Add<forms::OptionButton>(L"optAlt", frame2), 900, 300, 855, 255);
  optAlt->SetCaption(L"&Alt");
  optShift = forms::Placed(Add<forms::OptionButton>(L"optShift", frame2), 900, 600, 855, 255);
  optShift->SetCaption(L"&Shift");
  cboLetters = forms::Placed(Add<forms::ComboBox>(L"cboLetters", frame2), 1860, 300, 855, 315);
  forms::Placed(Add<forms::Label>(L"Label3", frame2), 240, 960, 2535, 255)
      ->SetCaption(L"*Starred letters are occupied");
  btnOK = forms::Placed(Add<forms::CommandButton>(L"btnOK"), 3240, 210, 1575, 375);
  btnOK->SetCaption(L"OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this] { btnOK_Click(); };
  btnCancel = forms::Placed(Add<forms::CommandButton>(L"btnCancel"), 3240, 690, 1575, 375);
  btnCancel->SetCaption(L"Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this] { btnCancel_Click(); };
  btnRemove = forms::Placed(Add<forms::CommandButton>(L"btnRemove"), 3240, 1170, 1575, 375);
  btnRemove->SetCaption(L"Remove");
  btnRemove->OnClick = [this] { btnRemove_Click(); };
  btnHelp = forms::Placed(Add<forms::CommandButton>(L"btnHelp"), 3240, 2640, 1575, 375);
  btnHelp->SetCaption(L"Help");
  btnHelp->OnClick = [this] { btnHelp_Click(); };
}

void frmHotkey::Form_Load() {
  const std::wstring& sEntryID = HotkeyParams.sTemplateEntryID;
  vb::Ignore([&] { DialogSupport::Localize(*this); });
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
  vb::Ignore([&] {
    cboLetters->Clear();
    for (wchar_t c = kA; c <= kZ; ++c) cboLetters->AddItem(std::wstring(1, c));
  });
  // Letters of other templates are starred; this template's own letter is not.
  vb::Ignore([&] {
    for (const auto& hotkey : Hotkeys()) {
      if (hotkey->TemplateEntryID == sEntryID) continue;
      int32_t index = hotkey->KeyCode - kA;
      if (index >= 0 && index < cboLetters->ListCount() && cboLetters->List(index)[0] != L'*')
        cboLetters->SetList(index, L"*" + cboLetters->List(index));
    }
  });
  vb::Ignore([&] {
    std::wstring caption = Caption(), subject;
    // A template Outlook would not hand over leaves its name out, never its place.
    vb::Ignore([&] { subject = DialogSupport::Need(mTanvelo::GetTemplate(sEntryID))->Subject(); });
    m_sSubject = subject;
    for (size_t at = caption.find(L"%s"); at != std::wstring::npos;
         at = caption.find(L"%s", at + subject.size()))
      caption.replace(at, 2, subject);
    if (subject.empty()) caption = vb::Trim(caption);
    SetCaption(caption);
  });
  vb::Ignore([&] { (HotkeyParams.bAlt ? optAlt : optShift)->SetValue(true); });
  vb::Ignore([&] {
    switch (HotkeyParams.nAction) {
      case 2:
        optReplyAll->SetValue(true);
        break;
      case 4:
        optForward->SetValue(true);
        break;
      default:
        optReply->SetValue(true);
    }
  });
  vb::Ignore([&] {
    int32_t index = cboLetters->ListCount() - 1;
    if (HotkeyParams.nKeyCode >= kA && HotkeyParams.nKeyCode <= kZ) {
      index = HotkeyParams.nKeyCode - kA;
    } else {
      for (int32_t i = 0; i < cboLetters->ListCount(); ++i)
        if (cboLetters->List(i)[0] != L'*') {
          index = i;
          break;
        }
    }
    cboLetters->SetListIndex(index);
  });
  vb::Ignore([&] {
    int32_t position = 0;
    btnRemove->SetEnabled(Hotkeys().FindByTemplate(sEntryID, position) != nullptr);
  });
  vb::Ignore([&] {
    if (HotkeyParams.bOnTop)
      win32::SetWindowPos(hWnd(), win32::HWND_TOPMOST, 0, 0, 0, 0,
                          win32::SWP_NOMOVE | win32::SWP_NOSIZE);
  });
  m_bActivated = false;
  vb::Ignore([&] { UpdateOKButton(); });
}

void frmHotkey::Form_Activate() {
  if (m_bActivated) return;
  m_bActivated = true;
  if (HotkeyParams.bOnTop) vb::Ignore([&] { btnCancel->SetFocus(); });
}

void frmHotkey::UpdateOKButton() {
  btnOK->SetEnabled(cboLetters->ListIndex() >= 0 &&
                    (optReply->Value() || optReplyAll->Value() || optForward->Value()) &&
                    (optAlt->Value() || optShift->Value()));
}

void frmHotkey::btnOK_Click() {
  const std::wstring& sEntryID = HotkeyParams.sTemplateEntryID;
  vb::Ignore([&] { UpdateOKButton(); });
  if (!btnOK->Enabled()) return;
  vb::Ignore([&] { HotkeyParams.nKeyCode = kA + cboLetters->ListIndex(); });
  vb::Ignore([&] { HotkeyParams.bAlt = optAlt->Value(); });
  vb::Ignore([&] {
    if (optForward->Value()) {
      HotkeyParams.nAction = 4;
    } else if (optReplyAll->Value()) {
      HotkeyParams.nAction = 2;
    } else {
      HotkeyParams.nAction = 1;
      if (!optReply->Value()) LogError(L"frmHotkey::OK", 0, std::wstring(L"Invalid action"));
    }
  });
  bool refused = false;
  // Changed with its template out of reach, the binding and the template's own record of it
  // would part: nothing is changed, and the user's template is named.
  CHotkey asked;
  asked.KeyCode = HotkeyParams.nKeyCode;
  asked.Ctrl = true;
  asked.Alt = HotkeyParams.bAlt;
  asked.Shift = !HotkeyParams.bAlt;
  auto own = TemplateOrTell(L"The hotkey " + asked.DisplayKeyName() + L" was not given", refused);
  if (refused) {
    Unload();
    return;
  }
  // A letter belongs to one template at most, whatever its modifiers.
  vb::Ignore([&] {
    auto other = Hotkeys().FindByKey(HotkeyParams.nKeyCode);
    if (!other || other->TemplateEntryID == sEntryID) return;
    auto otherItem = mTanvelo::GetTemplate(other->TemplateEntryID);
    if (otherItem) {
      std::wstring question =
          LangText(L"STR_HOTKEY_VALIDATE", otherItem->Subject(), other->DisplayActionName());
      if (vb::MsgBox(question, 36) != vb::vbYes) {
        refused = true;
        return;
      }
      vb::Ignore([&] { mTanvelo::SetHotkeyProperties(otherItem, L"", L""); });
    }
    vb::Ignore([&] { Hotkeys().Remove(other->BuildKey()); });
    HotkeyParams.sResult = other->TemplateEntryID;
  });
  if (refused) return;
  vb::Ignore([&] {
    int32_t position = 0;
    if (auto own = Hotkeys().FindByTemplate(sEntryID, position)) Hotkeys().Remove(own->BuildKey());
  });
  std::shared_ptr<CHotkey> added;
  vb::Ignore([&] {
    added = Hotkeys().Add(sEntryID, HotkeyParams.nAction, HotkeyParams.nKeyCode, !HotkeyParams.bAlt,
                          HotkeyParams.bAlt, true);
  });
  vb::Ignore([&] {
    auto item = own;
    mTanvelo::SetHotkeyProperties(item, DialogSupport::Need(added)->DisplayKeyName(),
                                  added->DisplayActionName());
  });
  bool saved = false;
  vb::Ignore([&] { saved = Hotkeys().SaveToReg(); });
  if (!saved)
    LogError(L"frmHotkey::OK", std::nullopt, std::nullopt,
             L"The hotkey " + asked.DisplayKeyName() + L" of the template " + m_sSubject +
                 L" may be gone at the next start: the registry refused it");
  HotkeyParams.bOK = true;
  Unload();
}

void frmHotkey::btnRemove_Click() {
  vb::Ignore([&] {
    int32_t position = 0;
    auto own = Hotkeys().FindByTemplate(HotkeyParams.sTemplateEntryID, position);
    if (!own) return;
    bool refused = false;
    auto item =
        TemplateOrTell(L"The hotkey " + own->DisplayKeyName() + L" was not removed", refused);
    if (refused) return;
    if (item) vb::Ignore([&] { mTanvelo::SetHotkeyProperties(item, L"", L""); });
    vb::Ignore([&] { Hotkeys().Remove(own->BuildKey()); });
    bool saved = false;
    vb::Ignore([&] { saved = Hotkeys().SaveToReg(); });
    if (!saved) {
      // Still in the registry, it would come back at the next start: it is kept whole now.
      LogError(L"frmHotkey::Remove", std::nullopt, std::nullopt,
               L"The hotkey " + own->DisplayKeyName() + L" of the template " + m_sSubject +
                   L" was not removed: the registry refused it");
      vb::Ignore([&] {
        Hotkeys().Add(own->TemplateEntryID, own->Action, own->KeyCode, own->Shift, own->Alt,
                      own->Ctrl);
      });
      if (item)
        vb::Ignore([&] {
          mTanvelo::SetHotkeyProperties(item, own->DisplayKeyName(), own->DisplayActionName());
        });
      return;
    }
    HotkeyParams.sResult = own->TemplateEntryID;
    HotkeyParams.bOK = true;
  });
  Unload();
}

std::shared_ptr<outlook::Item> frmHotkey::TemplateOrTell(const std::wstring& sWhat, bool& refused) {
  refused = false;
  auto item = mTanvelo::GetTemplate(HotkeyParams.sTemplateEntryID, &refused);
  vb::Err().Clear();
  if (!item && refused)
    LogError(L"frmHotkey", std::nullopt, std::nullopt,
             sWhat + L": Outlook refused the template " + m_sSubject);
  return item;
}

void frmHotkey::btnCancel_Click() {
  Unload();
}

void frmHotkey::btnHelp_Click() {
  vb::Ignore(
      [&] { LibNorvane().ShowContextHelp(L"Assign_Hotkey_Combination_for_Template_Action.htm"); });
}
