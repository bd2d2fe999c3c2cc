#include "personalization/RL_CTexts.h"

#include <array>

#include "core/Main.h"
#include "personalization/ProtectedText.h"
#include "personalization/RL_CLib.h"
#include "personalization/RL_mMain.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"

namespace {

using ContactField = std::wstring (redemption::SafeContactItem::*)() const;

// The field table, in the order AddAll adds it within each type.
struct FieldRow {
  const wchar_t* token;
  int32_t nType;
  const wchar_t* captionId;
  int32_t numUsed;
  const wchar_t* initialText;  // the empty-field dialog's starting text
  ContactField contactField;   // contact fields only
  int32_t recipientType;       // recipient lists only
};

using SC = redemption::SafeContactItem;
constexpr std::array<FieldRow, 12> kFields = {{
    {L"%FullName%", kFieldContact, L"BTN_FULL_NAME", 5, L"Customer", &SC::FullName, 0},
    {L"%FirstName%", kFieldContact, L"BTN_FIRST_NAME", 0, L"Customer", &SC::FirstName, 0},
    {L"%MiddleName%", kFieldContact, L"BTN_MIDDLE_NAME", 0, L"", &SC::MiddleName, 0},
    {L"%LastName%", kFieldContact, L"BTN_LAST_NAME", 0, L"", &SC::LastName, 0},
    {L"%Initials%", kFieldContact, L"BTN_INITIALS", 4, L"", &SC::Initials, 0},
    {L"%Nickname%", kFieldContact, L"BTN_NICKNAME", 0, L"Friend", &SC::NickName, 0},
    {L"%Company%", kFieldContact, L"BTN_COMPANY", 3, L"", &SC::CompanyName, 0},
    {L"%To%", kFieldRecipients, L"BTN_TO", 2, L"", nullptr, 1},
    {L"%Cc%", kFieldRecipients, L"BTN_CC", 0, L"", nullptr, 2},
    {L"%Bcc%", kFieldRecipients, L"BTN_BCC", 0, L"", nullptr, 3},
    {L"%MyName%", kFieldSender, L"BTN_MY_NAME", 0, L"", nullptr, 0},
    {L"%From%", kFieldSender, L"BTN_FROM", 0, L"", nullptr, 0},
}};

const FieldRow* RowOf(const std::wstring& token) {
  for (const auto& row : kFields)
    if (EqualNoCase(row.token, token)) return &row;
  return nullptr;
}

const wchar_t* MenuPrefix(int32_t nType) {
  return nType == kFieldContact ? L"Contact Items\\" : L"Email Items\\";
}

constexpr const wchar_t* kPSETID_Common = L"{00062008-0000-0000-C000-000000000046}";
constexpr uint32_t PT_STRING8 = 0x001E;

}  // namespace

bool RL_CTexts::Has(int32_t nType) const {
  for (const auto& t : m_colTexts)
    if (t->nType == nType) return true;
  return false;
}

void RL_CTexts::AddAll() {
  Add(kFieldContact);
  Add(kFieldRecipients);
  Add(kFieldSender);
}

void RL_CTexts::Add(int32_t nType) {
  if (nType != kFieldContact && nType != kFieldRecipients && nType != kFieldSender) {
    LogError(L"RL_CTexts::Init", 0, L"invalid type - " + std::to_wstring(nType));
    return;
  }
  for (const auto& row : kFields) {
    if (row.nType != nType) continue;
    std::wstring caption = LangText(row.captionId);
    AddText(row.token, row.nType, caption.empty() ? L"" : MenuPrefix(nType) + caption, row.numUsed);
  }
}

void RL_CTexts::AddText(const std::wstring& sText, int32_t nType, const std::wstring& sMenuPath,
                        int32_t nNumUsed) {
  if (Find(sText))
    vb::Raise(457, L"This key is already associated with an element of this collection");
  auto text = std::make_shared<RL_CText>();
  text->Text = sText;
  text->MenuPath = sMenuPath.empty() ? sText : sMenuPath;
  text->nType = nType;
  text->NumUsed = nNumUsed;
  m_colTexts.push_back(std::move(text));
}

std::shared_ptr<RL_CText> RL_CTexts::Find(const std::wstring& sText) const {
  for (const auto& t : m_colTexts)
    if (EqualNoCase(t->Text, sText)) return t;
  return nullptr;
}

std::shared_ptr<RL_CText> RL_CTexts::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(vb::kSubscriptOutOfRange);
  return m_colTexts[static_cast<size_t>(index - 1)];
}

std::shared_ptr<RL_CText> RL_CTexts::Item(const std::wstring& key) const {
  auto text = Find(key);
  if (!text) vb::Raise(vb::kInvalidProcedureCall);
  return text;
}

void RL_CTexts::Remove(int32_t index) {
  if (index < 1 || index > Count()) vb::Raise(vb::kSubscriptOutOfRange);
  m_colTexts.erase(m_colTexts.begin() + (index - 1));
}

bool RL_CTexts::LoadRecipientValue(const std::wstring& sText,
                                   const std::shared_ptr<redemption::SafeItem>& /*item*/,
                                   const RL_Recipients& recipients, bool /*bSilent*/) {
  constexpr const wchar_t* kProc = L"RL_CTexts::LoadRecipientValue";
  return TrapOr(kProc, false, [&] {
    const FieldRow* row = RowOf(sText);
    if (!row || row->nType != kFieldRecipients) {
      LogError(kProc, 0, L"invalid replacement - " + sText);
      return false;
    }
    if (recipients.empty()) return false;
    std::wstring value;
    for (const auto& r : recipients) {
      if (r.nType != row->recipientType) continue;
      if (!value.empty()) value += L", ";
      value += r.Name;
      if (FindNoCase(r.Name, r.Email) == std::wstring::npos) value += L" <" + r.Email + L">";
    }
    Item(sText)->Value = std::move(value);
    return true;
  });
}

RL_CTexts::Names RL_CTexts::ExtractRecipientNames(const std::wstring& sDisplayName,
                                                  const std::wstring& sEmail) {
  Names names;
  Trap(L"RL_CTexts::ExtractRecipientNames", [&] {
    std::wstring text = sDisplayName;
    if (!sEmail.empty()) {
      for (size_t at = FindNoCase(text, sEmail); at != std::wstring::npos;
           at = FindNoCase(text, sEmail, at + 1))
        text.replace(at, sEmail.size(), L" ");
    }
    for (wchar_t& c : text)
      if (std::wstring_view(L"'()<>\",;").find(c) != std::wstring_view::npos) c = L' ';
    text = vb::Trim(text);
    size_t pos = 0;
    while (pos < text.size()) {
      size_t blank = text.find(L' ', pos);
      std::wstring word = text.substr(pos, blank == std::wstring::npos ? blank : blank - pos);
      if (!word.empty()) names.full += (names.full.empty() ? L"" : L" ") + word;
      if (blank == std::wstring::npos) break;
      pos = blank + 1;
    }
    size_t blank = names.full.find(L' ');
    if (blank != std::wstring::npos) {
      names.first = names.full.substr(0, blank);
      names.last = names.full.substr(blank + 1);
    }
  });
  return names;
}

bool RL_CTexts::LoadContactValue(const std::wstring& sText,
                                 const std::shared_ptr<redemption::SafeContactItem>& contact,
                                 const std::wstring& sName, const std::wstring& sEmail,
                                 RL_Answers& answers, const std::wstring& sCaption, bool bWndOnTop,
                                 bool bSilent) {
  constexpr const wchar_t* kProc = L"RL_CTexts::LoadContactValue";
  return TrapOr(kProc, false, [&] {
    const FieldRow* row = RowOf(sText);
    auto field = Find(sText);
    if (!row || row->nType != kFieldContact || !field) {
      LogError(kProc, 0, L"invalid replacement - " + sText);
      return false;
    }
    std::wstring value = contact ? ((*contact).*(row->contactField))() : L"";
    if (value.empty() &&
        (row->contactField == &SC::FullName || row->contactField == &SC::FirstName ||
         row->contactField == &SC::LastName)) {
      Names names = ExtractRecipientNames(sName, sEmail);
      value = row->contactField == &SC::FullName    ? names.full
              : row->contactField == &SC::FirstName ? names.first
                                                    : names.last;
    }
    if (value.empty()) {
      // The same address met before in this job already has its value.
      if (!field->Value.empty()) return true;
      if (bSilent) return false;
      auto remembered = answers.find(row->token);
      if (remembered != answers.end()) {
        value = remembered->second;
      } else {
        value = row->initialText;
        bool cancel = false;
        RL_mMain::AskEmptyField(sEmail, row->token, value, contact != nullptr, sCaption, cancel,
                                bWndOnTop);
        if (cancel) return false;
        answers.emplace(row->token, value);
      }
    }
    field->Value = value;
    return true;
  });
}

void RL_CTexts::GetAccountEmail(const std::shared_ptr<redemption::SafeItem>& item,
                                std::wstring& sEmail, std::wstring& sAccount) {
  constexpr const wchar_t* kProc = L"RL_CTexts::GetAccountEmail";
  Trap(kProc, [&] {
    auto utils = vb::CreateObject<redemption::MAPIUtils>(L"Redemption.MAPIUtils");
    auto mapiObject = item->Item()->MAPIOBJECT();
    // A mail that never had an account chosen has neither property: that is no error.
    auto read = [&](int32_t id) {
      std::wstring text;
      vb::Ignore([&] {
        uint32_t tag = utils->GetIDsFromNames(mapiObject, kPSETID_Common, id, false);
        if (tag == 0) return;
        auto value = utils->HrGetOneProp(mapiObject, tag | PT_STRING8);
        if (auto* s = std::get_if<std::wstring>(&value)) text = *s;
      });
      vb::Err().Clear();
      return text;
    };
    std::wstring stamp = read(0x8581);
    sAccount = read(0x8580);
    if (stamp.empty()) return;
    size_t separator = stamp.find(L'\x01');
    if (separator == std::wstring::npos) {
      LogInfo(kProc, L"unknown format - " + stamp);
      return;
    }
    std::wstring rest = stamp.substr(separator + 1);
    sEmail = rest.substr(0, rest.find(L'\x01'));
  });
}

std::wstring RL_CTexts::GetAccountName(const std::wstring& sAccount) {
  std::wstring name;
  vb::Ignore([&] {
    auto session = vb::CreateObject<redemption::RDOSession>(L"Redemption.RDOSession");
    session->SetMAPIOBJECT(g_oApp->Session()->MAPIOBJECT());
    name = session->Accounts(sAccount).UserName;
  });
  vb::Err().Clear();
  return name;
}

bool RL_CTexts::LoadEmailValue(const std::wstring& sText,
                               const std::shared_ptr<redemption::SafeItem>& item,
                               bool /*bSilent*/) {
  constexpr const wchar_t* kProc = L"RL_CTexts::LoadEmailValue";
  return TrapOr(kProc, false, [&] {
    const FieldRow* row = RowOf(sText);
    if (!row || row->nType != kFieldSender || !Find(sText)) {
      LogError(kProc, 0, L"invalid replacement - " + sText);
      return false;
    }
    if (!item) vb::Raise(vb::kObjectVariableNotSet);
    std::wstring email, account, name;
    GetAccountEmail(item, email, account);
    if (!account.empty() && GetAppVersion() >= 10) name = GetAccountName(account);
    if (name.empty() || email.empty()) {
      name = RL_CLib::GetCurrentUserName();
      email = RL_CLib::GetCurrentUserEmail();
    }
    std::wstring value = name;
    if (EqualNoCase(row->token, L"%From%") && !email.empty()) value += L" <" + email + L">";
    Find(sText)->Value = value;
    return true;
  });
}
