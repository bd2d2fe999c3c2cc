#include "personalization/RL_mMain.h"

#include "core/CClipboard.h"
#include "core/Main.h"
#include "personalization/RL_frmEmptyField.h"
#include "platform/forms/Form.h"
#include "platform/outlook/Props.h"
#include "platform/redemption/SafeItem.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/Reset.h"

RL_CLib* g_oLib = nullptr;

namespace {
const bool kLibReset = (win32::RegisterReset([] { g_oLib = nullptr; }), true);
}  // namespace

namespace RL_mMain {

EmptyFieldRequest& Request() {
  return win32::PlatformState<EmptyFieldRequest>();
}

void AskEmptyField(const std::wstring& sEmail, const std::wstring& sToken, std::wstring& sValue,
                   bool bContactFound, const std::wstring& sCaption, bool& bCancel, bool bOnTop) {
  auto& r = Request();
  r = EmptyFieldRequest{sEmail, sToken, sValue, bContactFound, bOnTop, sCaption, 0};
  {
    RL_frmEmptyField form;
    form.Show(forms::vbModal);
    form.Unload();
  }
  bCancel = r.nResult == -1;
  if (r.nResult == 0) sValue = r.sValue;
}

void SendShiftInsert() {
  CClipboard::SendChord(win32::VK_SHIFT, win32::VK_INSERT);
}

void SendCopyKeys() {
  CClipboard::SendCopyKeys();
}

void BugFixTNEF(const std::shared_ptr<redemption::SafeItem>& item, bool bSave) {
  Trap(L"RL_mMain::BugFixTNEF", [&] {
    if (!item) vb::Raise(vb::kObjectVariableNotSet);
    outlook::PropValue format = item->Fields(outlook::PR_MSG_EDITOR_FORMAT);
    auto* editor = std::get_if<int32_t>(&format);
    if (!editor || (*editor != 1 && *editor != 2)) return;
    uint32_t tag = item->GetIDsFromNames(outlook::PSETID_Common, 0x8582);
    if (tag == 0) return;
    tag |= outlook::PT_BOOLEAN;
    outlook::PropValue useTnef = item->Fields(tag);
    auto* on = std::get_if<bool>(&useTnef);
    if (!on || !*on) return;
    item->SetFields(tag, false);
    if (bSave) item->Save();
  });
}

}  // namespace RL_mMain
