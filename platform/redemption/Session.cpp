#include "platform/redemption/Session.h"

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace redemption {

namespace {
std::shared_ptr<outlook::AddressEntry> RunningUser() {
  auto app = outlook::Application::Running();
  auto user = app ? app->Session()->CurrentUserEntry() : nullptr;
  if (!user) vb::Raise(outlook::kErrFailed, L"MAPI_E_LOGON_FAILED: no MAPI session.");
  return user;
}
}  // namespace

std::wstring SafeCurrentUser::Name() const {
  return RunningUser()->Name();
}
std::wstring SafeCurrentUser::Address() const {
  return RunningUser()->Address();
}
PropValue SafeCurrentUser::Fields(uint32_t tag) const {
  TV_FAULT_POINT(Redemption);
  return RunningUser()->Fields(tag);
}

std::wstring RDOAddressEntry::Name() const {
  return entry_->Name();
}
std::wstring RDOAddressEntry::Address() const {
  return entry_->Address();
}
std::wstring RDOAddressEntry::Type() const {
  return entry_->Type();
}
std::wstring RDOAddressEntry::SMTPAddress() const {
  return entry_->SmtpAddress();
}
PropValue RDOAddressEntry::Fields(uint32_t tag) const {
  return entry_->Fields(tag);
}

void RDOSession::Logon() {
  TV_FAULT_POINT(Redemption);
  auto app = outlook::Application::Running();
  if (!app) vb::Raise(outlook::kErrFailed, L"MAPI_E_LOGON_FAILED: no profile.");
  session_ = app->Session();
}

const outlook::NameSpace& RDOSession::Session() const {
  if (!session_) vb::Raise(outlook::kErrFailed, L"Not logged on. Call Logon first.");
  return *session_;
}

std::shared_ptr<RDOAddressEntry> RDOSession::CurrentUser() const {
  auto user = Session().CurrentUserEntry();
  if (!user) vb::Raise(outlook::kErrFailed, L"The current user is not known.");
  return std::make_shared<RDOAddressEntry>(user);
}

RDOAccount RDOSession::Accounts(const std::wstring& name) const {
  for (auto& a : Session().Accounts())
    if (outlook::SameText(a.Name, name)) return {a.Name, a.UserName, a.SMTPAddress};
  vb::Raise(outlook::kErrNotFound, L"Account \"" + name + L"\" not found.");
}

int32_t RDOSession::AccountCount() const {
  return static_cast<int32_t>(Session().Accounts().size());
}

uint32_t MAPIUtils::GetIDsFromNames(const std::shared_ptr<outlook::Item>& item,
                                    const std::wstring& guid, int32_t id, bool create) const {
  if (!item) vb::Raise(vb::kObjectVariableNotSet);
  auto session = item->Session();
  return session ? static_cast<uint32_t>(session->Named().Id(guid, id, create)) << 16 : 0;
}

PropValue MAPIUtils::HrGetOneProp(const std::shared_ptr<outlook::Item>& item, uint32_t tag) const {
  TV_FAULT_POINT(Redemption);
  if (!item) vb::Raise(vb::kObjectVariableNotSet);
  PropValue v = item->GetProp(tag);
  if (std::holds_alternative<std::monostate>(v) || (tag >> 16) == 0)
    vb::Raise(outlook::kErrNotFound, L"MAPI_E_NOT_FOUND");
  return v;
}

void MAPIUtils::HrSetOneProp(const std::shared_ptr<outlook::Item>& item, uint32_t tag,
                             PropValue value, bool save) const {
  TV_FAULT_POINT(Redemption);
  if (!item) vb::Raise(vb::kObjectVariableNotSet);
  item->SetProp(tag, std::move(value));
  if (save) item->SaveChanges();  // straight to the store: Outlook's Write is not raised
}

std::wstring MAPIUtils::HrArrayToString(const PropValue& bytes) const {
  if (auto* b = std::get_if<std::vector<uint8_t>>(&bytes)) return outlook::HexOf(*b);
  vb::Raise(vb::kTypeMismatch);
}

}  // namespace redemption
