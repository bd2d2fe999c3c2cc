#include "personalization/RL_CLib.h"

#include <algorithm>

#include "core/Main.h"
#include "personalization/RL_CJob.h"
#include "personalization/RL_CTexts.h"
#include "personalization/RL_frmDummy.h"
#include "personalization/RL_mAddressBook.h"
#include "personalization/RL_mMain.h"
#include "platform/office/CommandBars.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"
#include "platform/vb/SendKeys.h"

namespace {

std::wstring LastPart(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::shared_ptr<office::CommandBarButton> AddFieldButton(office::CommandBarControls& controls,
                                                         const RL_CText& field,
                                                         const std::wstring& sButtonTag,
                                                         bool bTemporary) {
  auto button =
      office::AsButton(controls.Add(office::msoControlButton, 0, L"", std::nullopt, bTemporary));
  button->SetStyle(office::msoButtonCaption);
  button->SetCaption(LastPart(field.MenuPath));
  button->SetTag(sButtonTag);
  button->SetParameter(field.Text);
  return button;
}

}  // namespace

RL_CLib::RL_CLib() = default;

RL_CLib::~RL_CLib() {
  Done();
  if (g_oLib == this) g_oLib = nullptr;
}

std::shared_ptr<RL_CJob> RL_CLib::CreateJob() {
  return std::make_shared<RL_CJob>();
}

bool RL_CLib::Init(const std::wstring& sAddinName, std::shared_ptr<win32::IPicture> icoForm,
                   const std::wstring& sRegPath) {
  m_sAddinName = sAddinName;
  m_icoForm = std::move(icoForm);
  m_sRegPath = sRegPath;
  g_oLib = this;
  return true;
}

std::shared_ptr<RL_CTexts> RL_CLib::GetTexts() {
  auto texts = std::make_shared<RL_CTexts>();
  texts->AddAll();
  return texts;
}

void RL_CLib::InsertText(const std::wstring& sText, bool bUseClipboard) {
  if (!bUseClipboard) {
    SendKeysEscaped(sText);
    return;
  }
  if (!m_frmDummy) {
    m_frmDummy = std::make_unique<RL_frmDummy>();
    m_frmDummy->Load();
  }
  m_frmDummy->SaveSendpasteRestore(sText);
}

void RL_CLib::SendKeysEscaped(const std::wstring& sText) {
  std::wstring keys;
  keys.reserve(sText.size() * 3);
  for (wchar_t c : sText) {
    if (std::wstring_view(L"()+^%~[]{}").find(c) != std::wstring_view::npos) {
      keys += L'{';
      keys += c;
      keys += L'}';
    } else {
      keys += c;
    }
  }
  vb::SendKeys(keys, true);
}

std::shared_ptr<office::CommandBar> RL_CLib::CreateToolbar(
    const std::shared_ptr<office::CommandBars>& oBars, const std::wstring& sToolbarName,
    const std::wstring& sButtonTag, bool bTemporary) {
  std::shared_ptr<office::CommandBar> bar;
  Trap(L"RL_CLib::CreateToolbar", [&] {
    // A missing bar is not an error.
    vb::Ignore([&] { oBars->Item(sToolbarName)->Delete(); });
    vb::Err().Clear();
    bar = oBars->Add(sToolbarName, office::msoBarTop, false, true);
    bar->SetVisible(false);
    int32_t previousType = 0;
    auto texts = GetTexts();
    for (const auto& field : *texts) {
      auto button = AddFieldButton(bar->Controls(), *field, sButtonTag, bTemporary);
      if (previousType != 0 && field->nType != previousType) button->SetBeginGroup(true);
      previousType = field->nType;
      button->SetVisible(true);
    }
    bar->SetVisible(true);
  });
  return bar;
}

std::shared_ptr<office::CommandBarPopup> RL_CLib::CreateMenu(
    const std::shared_ptr<office::CommandBar>& oBar, const std::wstring& sButtonTag,
    const std::wstring& sCaption, std::optional<int32_t> vBefore, bool bTemporary) {
  std::shared_ptr<office::CommandBarPopup> popup;
  Trap(L"RL_CLib::CreateMenu", [&] {
    popup =
        office::AsPopup(oBar->Controls().Add(office::msoControlPopup, 0, L"", vBefore, bTemporary));
    popup->SetCaption(sCaption);
    popup->SetVisible(false);
    auto texts = GetTexts();
    for (const auto& field : *texts) {
      auto current = popup;
      std::wstring path = field->MenuPath;
      for (size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\')) {
        std::wstring part = path.substr(0, slash);
        path.erase(0, slash + 1);
        std::shared_ptr<office::CommandBarPopup> sub;
        for (const auto& control : current->Controls()) {
          if (control->Caption() == part) {
            sub = office::AsPopup(control);
            break;
          }
        }
        if (!sub) {
          sub = office::AsPopup(
              current->Controls().Add(office::msoControlPopup, 0, L"", std::nullopt, bTemporary));
          sub->SetCaption(part);
        }
        current = sub;
      }
      AddFieldButton(current->Controls(), *field, sButtonTag, bTemporary)->SetVisible(true);
    }
    // The quick items: up to five fields by descending rank, the earlier one on a tie.
    std::vector<std::shared_ptr<RL_CText>> picked;
    for (int pass = 0; pass < 5; ++pass) {
      std::shared_ptr<RL_CText> best;
      for (const auto& field : *texts) {
        if (field->NumUsed < 1 || std::find(picked.begin(), picked.end(), field) != picked.end())
          continue;
        if (!best || field->NumUsed > best->NumUsed) best = field;
      }
      if (!best) break;
      picked.push_back(best);
    }
    for (size_t i = 0; i < picked.size(); ++i) {
      auto button = AddFieldButton(popup->Controls(), *picked[i], sButtonTag, bTemporary);
      if (i == 0) button->SetBeginGroup(true);
      button->SetVisible(true);
    }
    popup->SetVisible(true);
  });
  return popup;
}

void RL_CLib::Done() {
  m_icoForm.reset();
  if (m_frmDummy) {
    m_frmDummy->Unload();
    m_frmDummy.reset();
  }
}

std::wstring RL_CLib::GetCurrentUserName() {
  std::wstring name;
  vb::Ignore([&] {
    auto user = vb::CreateObject<redemption::SafeCurrentUser>(L"Redemption.SafeCurrentUser");
    name = vb::Trim(user->Name());
  });
  vb::Err().Clear();
  return name;
}

std::wstring RL_CLib::GetCurrentUserEmail() {
  std::wstring address;
  vb::Ignore([&] {
    auto user = vb::CreateObject<redemption::SafeCurrentUser>(L"Redemption.SafeCurrentUser");
    bool bLog = true;
    address = RL_mAddressBook::SafeGetSmtpAddress(
        {[&] { return user->Address(); }, [&](uint32_t tag) { return user->Fields(tag); }}, bLog);
  });
  vb::Err().Clear();
  return address;
}

void RL_CLib::ShowHelpTopic(const std::wstring& sTopic) {
  vb::MsgBox(L"Not Implemented\r\nTopic-" + sTopic);
}
