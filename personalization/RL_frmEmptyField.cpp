#include "personalization/RL_frmEmptyField.h"

#include "core/CLang.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Window.h"

namespace {

// Replaces the first "%s" only, as each label's places are filled in turn.
std::wstring ReplaceFirst(std::wstring text, const std::wstring& value) {
  size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, value);
  return text;
}

}  // namespace

void RL_frmEmptyField::Design() {
  SetCaption(L"Missing field value");
  SetBorderStyle(forms::vbFixedDialog);
  lblPersonalization = Add<forms::Label>(L"lblPersonalization");
  lblPersonalization->SetCaption(L"Personalization item %s");
  lbl1a = Add<forms::Label>(L"lbl1a");
  lbl1a->SetCaption(
      L"The %s for recipient \"%s\" is not found. To include recipient's %s into template "
      L"please enter it here:");
  lbl2a = Add<forms::Label>(L"lbl2a");
  lbl2a->SetCaption(
      L"Note: Entered personalization will be used for all the other e-mails, when %s is not "
      L"found.");
  lbl1b = Add<forms::Label>(L"lbl1b");
  lbl1b->SetCaption(
      L"The contact for \"%s\" is not found. To include recipient's %s into e-mail please enter "
      L"it here:");
  lbl2b = Add<forms::Label>(L"lbl2b");
  lbl2b->SetCaption(
      L"Note: Entered personalization will be used for all the other e-mails, when contact is "
      L"not found.");
  txtValue = Add<forms::TextBox>(L"txtValue");
  btnOK = Add<forms::CommandButton>(L"btnOK");
  btnOK->SetCaption(L"OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this] { btnOK_Click(); };
  btnSkip = Add<forms::CommandButton>(L"btnSkip");
  btnSkip->SetCaption(L"Skip");
  btnSkip->OnClick = [this] { btnSkip_Click(); };
  btnCancel = Add<forms::CommandButton>(L"btnCancel");
  btnCancel->SetCaption(L"Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this] { btnCancel_Click(); };
  btnHelp = Add<forms::CommandButton>(L"btnHelp");
  btnHelp->SetCaption(L"Help");
  btnHelp->OnClick = [this] { btnHelp_Click(); };
}

void RL_frmEmptyField::Form_Load() {
  if (g_oLang) g_oLang->LocalizeForm(*this);
  auto& r = RL_mMain::Request();
  if (g_oLib) SetIcon(g_oLib->GetIcon());
  r.nResult = 0;
  lblPersonalization->SetCaption(ReplaceFirst(lblPersonalization->Caption(), r.sToken));
  if (r.bContactFound) {
    std::wstring text = lbl1a->Caption();
    for (const auto* value : {&r.sToken, &r.sEmail, &r.sToken}) text = ReplaceFirst(text, *value);
    lbl1a->SetCaption(text);
    lbl2a->SetCaption(ReplaceFirst(lbl2a->Caption(), r.sToken));
    lbl1b->SetVisible(false);
    lbl2b->SetVisible(false);
  } else {
    lbl1b->SetCaption(ReplaceFirst(ReplaceFirst(lbl1b->Caption(), r.sEmail), r.sToken));
    lbl1a->SetVisible(false);
    lbl2a->SetVisible(false);
  }
  txtValue->SetText(r.sValue);
  if (r.bOnTop)
    win32::SetWindowPos(hWnd(), win32::HWND_TOPMOST, 0, 0, 0, 0,
                        win32::SWP_NOMOVE | win32::SWP_NOSIZE);
  SetCaption(r.sCaption);
  m_bFirstActivate = true;
}

void RL_frmEmptyField::Form_Activate() {
  if (!m_bFirstActivate) return;
  m_bFirstActivate = false;
  if (RL_mMain::Request().bOnTop) txtValue->SetFocus();
}

void RL_frmEmptyField::btnOK_Click() {
  auto& r = RL_mMain::Request();
  if (txtValue->Text().empty()) {
    vb::MsgBox(LangText(L"STR_EMPTY_FIELD", r.sToken));
    txtValue->SetFocus();
    return;
  }
  r.nResult = 0;
  r.sValue = txtValue->Text();
  Unload();
}

void RL_frmEmptyField::btnSkip_Click() {
  auto& r = RL_mMain::Request();
  r.nResult = 0;
  r.sValue.clear();
  Unload();
}

void RL_frmEmptyField::btnCancel_Click() {
  RL_mMain::Request().nResult = -1;
  Unload();
}

void RL_frmEmptyField::btnHelp_Click() {
  RL_CLib::ShowHelpTopic(L"Insert_Process_Personalization_Items.htm");
}
