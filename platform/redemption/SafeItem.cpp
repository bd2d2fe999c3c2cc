#include "platform/redemption/SafeItem.h"

#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace redemption {

outlook::Item& SafeItem::Bound() const {
  if (!item_) vb::Raise(outlook::kErrFailed, L"Item property of the safe object is not set.");
  return *item_;
}

std::wstring SafeItem::Subject() const {
  return Bound().Subject();
}
void SafeItem::SetSubject(const std::wstring& subject) {
  TV_FAULT_POINT(Redemption);
  Bound().SetSubject(subject);
}
std::wstring SafeItem::Body() const {
  TV_FAULT_POINT(Redemption);
  return Bound().Body();
}
void SafeItem::SetBody(const std::wstring& text) {
  TV_FAULT_POINT(Redemption);
  Bound().SetBody(text);
}

std::wstring SafeItem::HTMLBody() const {
  TV_FAULT_POINT(Redemption);
  PropValue v = Bound().GetProp(outlook::PR_HTML);
  auto* s = std::get_if<std::wstring>(&v);
  return s ? std::move(*s) : L"";
}

void SafeItem::SetHTMLBody(const std::wstring& html) {
  TV_FAULT_POINT(Redemption);
  Bound().SetHTMLBody(html);
}
std::wstring SafeItem::RTFBody() const {
  return Bound().RTFBody();
}
void SafeItem::SetRTFBody(const std::wstring& rtf) {
  TV_FAULT_POINT(Redemption);
  Bound().SetRTFBody(rtf);
}
int32_t SafeItem::BodyFormat() const {
  return Bound().BodyFormat();
}
std::wstring SafeItem::SenderName() const {
  return Bound().SenderName();
}
std::wstring SafeItem::SenderEmailAddress() const {
  return Bound().SenderEmailAddress();
}
// Redemption opens the message's recipient table here, which MAPI may refuse.
std::shared_ptr<outlook::Recipients> SafeItem::Recipients() const {
  TV_FAULT_POINT(Redemption);
  return Bound().Recipients();
}

std::shared_ptr<outlook::Attachments> SafeItem::Attachments() const {
  return Bound().Attachments();
}

PropValue SafeItem::Fields(uint32_t tag) const {
  return Bound().GetProp(tag);
}
void SafeItem::SetFields(uint32_t tag, PropValue value) {
  TV_FAULT_POINT(Redemption);
  Bound().SetProp(tag, std::move(value));
}

uint32_t SafeItem::GetIDsFromNames(const std::wstring& guid, int32_t id, bool create) const {
  auto session = Bound().Session();
  return session ? static_cast<uint32_t>(session->Named().Id(guid, id, create)) << 16 : 0;
}

uint32_t SafeItem::GetIDsFromNames(const std::wstring& guid, const std::wstring& name,
                                   bool create) const {
  auto session = Bound().Session();
  return session ? static_cast<uint32_t>(session->Named().Id(guid, name, create)) << 16 : 0;
}

void SafeItem::Save() {
  TV_FAULT_POINT(Redemption);
  Bound().Save();
}
void SafeItem::Send() {
  TV_FAULT_POINT(Redemption);
  Bound().Submit();
}

std::wstring SafeContactItem::FullName() const {
  return Bound().FullName();
}
std::wstring SafeContactItem::FirstName() const {
  return Bound().FirstName();
}
std::wstring SafeContactItem::MiddleName() const {
  return Bound().MiddleName();
}
std::wstring SafeContactItem::LastName() const {
  return Bound().LastName();
}
std::wstring SafeContactItem::Initials() const {
  return Bound().Initials();
}
std::wstring SafeContactItem::NickName() const {
  return Bound().NickName();
}
std::wstring SafeContactItem::CompanyName() const {
  return Bound().CompanyName();
}
std::wstring SafeContactItem::Email1Address() const {
  return Bound().EmailAddress(1);
}
std::wstring SafeContactItem::Email2Address() const {
  return Bound().EmailAddress(2);
}
std::wstring SafeContactItem::Email3Address() const {
  return Bound().EmailAddress(3);
}

}  // namespace redemption
