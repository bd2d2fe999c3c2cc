#include "platform/outlook/Item.h"

#include <map>

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Changes.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

namespace {
const wchar_t* DefaultMessageClass(int32_t cls) {
  switch (cls) {
    case olPost:
      return L"IPM.Post";
    case olContact:
      return L"IPM.Contact";
    case olDistributionList:
      return L"IPM.DistList";
  }
  return L"IPM.Note";
}

// One stored value per kind for every new item: a restriction on the message class over a
// large folder then reads the same few bytes for each item.
std::shared_ptr<const PropValue> DefaultMessageClassValue(int32_t cls) {
  static std::map<int32_t, std::shared_ptr<const PropValue>> values;
  auto& value = values[cls];
  if (!value) value = std::make_shared<const PropValue>(std::wstring(DefaultMessageClass(cls)));
  return value;
}
}  // namespace

Item::Item(int32_t itemClass, std::weak_ptr<NameSpace> session)
    : class_(itemClass), session_(std::move(session)) {}

std::shared_ptr<Item> Item::Create(int32_t itemClass, const std::shared_ptr<NameSpace>& session,
                                   const std::shared_ptr<MAPIFolder>& parent) {
  std::shared_ptr<Item> item(new Item(itemClass, session));
  item->recipients_ = std::make_shared<outlook::Recipients>(item);
  item->attachments_ = std::make_shared<outlook::Attachments>(item);
  item->userProperties_ = std::make_shared<outlook::UserProperties>(item);
  item->parent_ = parent;
  item->props_.SetShared(PR_MESSAGE_CLASS, DefaultMessageClassValue(itemClass));
  if (itemClass == olMail || itemClass == olPost)
    item->props_.Set(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT | MSGFLAG_READ);
  item->props_.Set(PR_CREATION_TIME, Now());
  return item;
}

Item::~Item() {
  if (recipients_) recipients_->ItemGone();
}

void Item::Live() const {
  if (dead_) vb::Raise(kErrObjectDeleted, L"The item has been moved or deleted.");
}

void Item::RequireClass(int32_t cls, const wchar_t* member) const {
  Live();
  if (class_ != cls)
    vb::Raise(kErrNotSupported,
              L"Object doesn't support this property or method: " + std::wstring(member));
}

void Item::MarkChanged() {
  NoteChange();
  changes::Note(this);
  saved_ = false;
}

int32_t Item::Class() const {
  return class_;
}

std::wstring Item::MessageClass() const {
  Live();
  return props_.Text(PR_MESSAGE_CLASS);
}

void Item::SetMessageClass(const std::wstring& messageClass) {
  SetText(PR_MESSAGE_CLASS, messageClass);
}

std::wstring Item::EntryID() const {
  Live();
  return entryId_;
}

std::shared_ptr<MAPIFolder> Item::Parent() const {
  Live();
  return parent_.lock();
}

std::shared_ptr<NameSpace> Item::Session() const {
  return session_.lock();
}

std::shared_ptr<outlook::Application> Item::Application() const {
  auto s = Session();
  return s ? s->Application() : nullptr;
}

void Item::SetText(uint32_t tag, const std::wstring& value) {
  Live();
  props_.Set(tag, value);
  if (PropId(tag) == PropId(PR_MESSAGE_CLASS)) NoteReclass();
  MarkChanged();
}

std::wstring Item::Subject() const {
  Live();
  return props_.Text(PR_SUBJECT);
}

void Item::SetSubject(const std::wstring& subject) {
  TV_FAULT_POINT(Outlook);
  SetText(PR_SUBJECT, subject);
}

// --- Bodies -----------------------------------------------------------------------------------

void Item::SetBodies(int32_t format, std::wstring plain, std::wstring html, std::wstring rtf) {
  Live();
  bodyFormat_ = format;
  plainDue_ = false;
  htmlDue_ = false;
  props_.Set(PR_BODY, std::move(plain));
  props_.Set(PR_HTML, html.empty() ? PropValue{} : PropValue{std::move(html)});
  props_.Set(PR_RTF_COMPRESSED, rtf.empty() ? PropValue{} : PropValue{std::move(rtf)});
  MarkChanged();
}

void Item::DerivePlain() const {
  if (!plainDue_) return;
  plainDue_ = false;
  props_.Set(PR_BODY, body::HtmlToText(props_.Text(PR_HTML)));
}

std::wstring Item::Body() const {
  Live();
  return StoredBody();
}

void Item::SetBody(std::wstring text) {
  TV_FAULT_POINT(Outlook);
  // The other body is made before the text moves into the item.
  switch (bodyFormat_) {
    case olFormatHTML: {
      std::wstring html = body::TextToHtml(text);
      return SetBodies(olFormatHTML, std::move(text), std::move(html), L"");
    }
    case olFormatRichText: {
      std::wstring rtf = body::TextToRtf(text);
      return SetBodies(olFormatRichText, std::move(text), L"", std::move(rtf));
    }
  }
  SetBodies(olFormatPlain, std::move(text), L"", L"");
}

const std::wstring& Item::StoredBody() const {
  DerivePlain();
  return StoredText(PR_BODY);
}

std::wstring Item::DueHtml() const {
  return body::TextToHtml(StoredText(PR_BODY));
}

void Item::StoreDueHtml() const {
  if (!htmlDue_) return;
  htmlDue_ = false;
  props_.SetDerived(PR_HTML, DueHtml());
}

const std::wstring& Item::StoredText(uint32_t tag) const {
  static const std::wstring kNone;
  const PropValue* v = props_.Peek(tag);
  const auto* text = v ? std::get_if<std::wstring>(v) : nullptr;
  return text ? *text : kNone;
}

std::wstring Item::HTMLBody() const {
  Live();
  if (bodyFormat_ == olFormatHTML) return htmlDue_ ? DueHtml() : props_.Text(PR_HTML);
  // Outlook keeps an RTF item's formatting in its HTML, rather than going through plain text.
  if (bodyFormat_ == olFormatRichText) return body::RtfToHtml(props_.Text(PR_RTF_COMPRESSED));
  return body::TextToHtml(Body());
}

void Item::SetHTMLBody(std::wstring html) {
  TV_FAULT_POINT(Outlook);
  SetBodies(olFormatHTML, L"", std::move(html), L"");
  plainDue_ = true;
}

int32_t Item::BodyFormat() const {
  Live();
  auto app = Application();
  if (app && MajorVersion(app->Version()) < 10)
    vb::Raise(kErrNotSupported, L"Object doesn't support this property or method");
  return bodyFormat_;
}

void Item::SetBodyFormat(int32_t format) {
  (void)BodyFormat();
  if (format == bodyFormat_) return;
  if (format != olFormatPlain && format != olFormatHTML && format != olFormatRichText)
    vb::Raise(kErrFailed, L"The property value is not valid.");
  Live();
  // The plain text stays as it is: the stored value is kept, not copied and stored again.
  const std::wstring& text = StoredBody();
  std::wstring html, rtf;
  // A plain item's HTML is made from its text when read.
  const bool htmlDue = format == olFormatHTML && bodyFormat_ != olFormatRichText;
  if (format == olFormatHTML && !htmlDue)
    // An RTF item keeps its bold, italic, underline and paragraphs.
    html = body::RtfToHtml(props_.Text(PR_RTF_COMPRESSED));
  else if (format == olFormatRichText)
    rtf = body::TextToRtf(text);
  // A body stored as something other than text reads as none, and is stored so.
  if (const PropValue* stored = props_.Peek(PR_BODY); !stored || !std::get_if<std::wstring>(stored))
    props_.Set(PR_BODY, std::wstring());
  bodyFormat_ = format;
  htmlDue_ = htmlDue;
  props_.Set(PR_HTML, html.empty() ? PropValue{} : PropValue{std::move(html)});
  props_.Set(PR_RTF_COMPRESSED, rtf.empty() ? PropValue{} : PropValue{std::move(rtf)});
  MarkChanged();
}

std::wstring Item::RTFBody() const {
  Live();
  if (bodyFormat_ == olFormatRichText) return props_.Text(PR_RTF_COMPRESSED);
  // Outlook keeps an HTML item's RTF body as the HTML carried in RTF, tags and all.
  if (bodyFormat_ == olFormatHTML) return body::HtmlToRtf(HTMLBody());
  return body::TextToRtf(Body());
}

void Item::SetRTFBody(const std::wstring& rtf) {
  // RTF that carries HTML makes the item HTML again, with that HTML.
  if (std::wstring html; body::HtmlFromRtf(rtf, html)) return SetHTMLBody(std::move(html));
  SetBodies(olFormatRichText, body::RtfToText(rtf), L"", rtf);
}

// --- State and fields ------------------------------------------------------------------------

bool Item::Sent() const {
  Live();
  return (props_.Long(PR_MESSAGE_FLAGS) & MSGFLAG_UNSENT) == 0;
}

void Item::SetSentFlag(bool sent) {
  int32_t flags = props_.Long(PR_MESSAGE_FLAGS);
  props_.Set(PR_MESSAGE_FLAGS, sent ? flags & ~MSGFLAG_UNSENT : flags | MSGFLAG_UNSENT);
}

bool Item::Saved() const {
  Live();
  return saved_;
}

bool Item::UnRead() const {
  Live();
  return (props_.Long(PR_MESSAGE_FLAGS) & MSGFLAG_READ) == 0;
}

void Item::SetUnRead(bool unread) {
  Live();
  int32_t flags = props_.Long(PR_MESSAGE_FLAGS);
  props_.Set(PR_MESSAGE_FLAGS, unread ? flags & ~MSGFLAG_READ : flags | MSGFLAG_READ);
  MarkChanged();
}

std::wstring Item::SenderName() const {
  Live();
  return props_.Text(PR_SENDER_NAME);
}

std::wstring Item::SenderEmailAddress() const {
  Live();
  return props_.Text(PR_SENDER_EMAIL_ADDRESS);
}

std::wstring Item::SenderEmailType() const {
  Live();
  return props_.Text(PR_SENDER_ADDRTYPE);
}

void Item::SetSender(const std::wstring& name, const std::wstring& address,
                     const std::wstring& type) {
  props_.Set(PR_SENDER_NAME, name);
  props_.Set(PR_SENT_REPRESENTING_NAME, name);
  props_.Set(PR_SENDER_EMAIL_ADDRESS, address);
  props_.Set(PR_SENDER_ADDRTYPE, type);
}

void Item::SetReceived(double when) {
  props_.Set(PR_MESSAGE_DELIVERY_TIME, when);
}

double Item::ReceivedTime() const {
  Live();
  PropValue v = props_.Get(PR_MESSAGE_DELIVERY_TIME);
  if (auto* d = std::get_if<double>(&v)) return *d;
  return CreationTime();
}

double Item::CreationTime() const {
  Live();
  PropValue v = props_.Get(PR_CREATION_TIME);
  auto* d = std::get_if<double>(&v);
  return d ? *d : 0;
}

std::wstring Item::To() const {
  return recipients_->DisplayOf(olTo);
}
std::wstring Item::CC() const {
  return recipients_->DisplayOf(olCC);
}
std::wstring Item::BCC() const {
  return recipients_->DisplayOf(olBCC);
}

uint32_t Item::NamedTag(const wchar_t* guid, int32_t lid, uint32_t type) const {
  auto s = Session();
  if (!s) vb::Raise(kErrFailed, L"The item has no session.");
  return static_cast<uint32_t>(s->Named().Id(guid, lid, true)) << 16 | type;
}

std::wstring Item::Mileage() const {
  Live();
  return props_.Text(NamedTag(PSETID_Common, kLidMileage, PT_UNICODE));
}

void Item::SetMileage(const std::wstring& text) {
  SetText(NamedTag(PSETID_Common, kLidMileage, PT_UNICODE), text);
}

std::wstring Item::BillingInformation() const {
  Live();
  return props_.Text(NamedTag(PSETID_Common, kLidBilling, PT_UNICODE));
}

void Item::SetBillingInformation(const std::wstring& text) {
  SetText(NamedTag(PSETID_Common, kLidBilling, PT_UNICODE), text);
}

int32_t Item::FlagStatus() const {
  Live();
  return props_.Long(PR_FLAG_STATUS);
}

void Item::SetFlagStatus(int32_t status) {
  Live();
  props_.Set(PR_FLAG_STATUS, status);
  MarkChanged();
}

int32_t Item::FlagIcon() const {
  Live();
  auto app = Application();
  if (app && MajorVersion(app->Version()) < 10)
    vb::Raise(kErrNotSupported, L"Object doesn't support this property or method");
  return props_.Long(PR_FOLLOWUP_ICON);
}

void Item::SetFlagIcon(int32_t icon) {
  (void)FlagIcon();
  props_.Set(PR_FOLLOWUP_ICON, icon);
  MarkChanged();
}

std::shared_ptr<outlook::Recipients> Item::Recipients() {
  Live();
  return recipients_;
}

std::shared_ptr<outlook::Attachments> Item::Attachments() {
  Live();
  return attachments_;
}

std::shared_ptr<outlook::UserProperties> Item::UserProperties() {
  Live();
  return userProperties_;
}

// --- Contacts and lists ----------------------------------------------------------------------

#define TV_CONTACT_FIELD(Name, Tag)             \
  std::wstring Item::Name() const {             \
    RequireClass(olContact, L## #Name);         \
    return props_.Text(Tag);                    \
  }                                             \
  void Item::Set##Name(const std::wstring& v) { \
    RequireClass(olContact, L## #Name);         \
    SetText(Tag, v);                            \
  }
TV_CONTACT_FIELD(FirstName, PR_GIVEN_NAME)
TV_CONTACT_FIELD(MiddleName, PR_MIDDLE_NAME)
TV_CONTACT_FIELD(LastName, PR_SURNAME)
TV_CONTACT_FIELD(Initials, PR_INITIALS)
TV_CONTACT_FIELD(NickName, PR_NICKNAME)
TV_CONTACT_FIELD(CompanyName, PR_COMPANY_NAME)
#undef TV_CONTACT_FIELD

std::wstring Item::FullName() const {
  RequireClass(olContact, L"FullName");
  std::wstring full = props_.Text(PR_DISPLAY_NAME);
  if (!full.empty()) return full;
  std::wstring first = props_.Text(PR_GIVEN_NAME), last = props_.Text(PR_SURNAME);
  return first.empty() || last.empty() ? first + last : first + L" " + last;
}

void Item::SetFullName(const std::wstring& v) {
  RequireClass(olContact, L"FullName");
  SetText(PR_DISPLAY_NAME, v);
}

std::wstring Item::EmailAddress(int n) const {
  RequireClass(olContact, L"EmailAddress");
  static constexpr int32_t kLids[] = {kLidEmail1, kLidEmail2, kLidEmail3};
  if (n < 1 || n > 3) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return props_.Text(NamedTag(PSETID_Address, kLids[n - 1], PT_UNICODE));
}

void Item::SetEmailAddress(int n, const std::wstring& address) {
  RequireClass(olContact, L"EmailAddress");
  static constexpr int32_t kLids[] = {kLidEmail1, kLidEmail2, kLidEmail3};
  if (n < 1 || n > 3) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  SetText(NamedTag(PSETID_Address, kLids[n - 1], PT_UNICODE), address);
}

std::wstring Item::DLName() const {
  RequireClass(olDistributionList, L"DLName");
  return props_.Text(PR_DISPLAY_NAME);
}

void Item::SetDLName(const std::wstring& name) {
  RequireClass(olDistributionList, L"DLName");
  SetText(PR_DISPLAY_NAME, name);
  SetText(PR_SUBJECT, name);
}

int32_t Item::MemberCount() const {
  RequireClass(olDistributionList, L"MemberCount");
  return static_cast<int32_t>(members_.size());
}

void Item::AddMember(std::shared_ptr<AddressEntry> member) {
  RequireClass(olDistributionList, L"AddMember");
  members_.push_back(std::move(member));
  MarkChanged();
}

std::shared_ptr<AddressEntry> Item::ListEntry() const {
  RequireClass(olDistributionList, L"ListEntry");
  auto entry = std::make_shared<AddressEntry>(props_.Text(PR_DISPLAY_NAME),
                                              props_.Text(PR_DISPLAY_NAME), L"MAPIPDL");
  entry->MakeDistList();
  for (auto& m : members_) entry->AddMember(m);
  return entry;
}

// --- The property store ----------------------------------------------------------------------

const PropertyBag& Item::Props() const {
  Live();
  DerivePlain();
  StoreDueHtml();
  return props_;
}

PropValue Item::GetProp(uint32_t tag) const {
  Live();
  if (PropId(tag) == PropId(PR_BODY)) DerivePlain();
  if (PropId(tag) == PropId(PR_HTML) && htmlDue_) return DueHtml();
  switch (tag) {
    case PR_ENTRYID:
      if (entryId_.empty() || !entryIdBytes_) return PropValue{};
      return *entryIdBytes_;
    case PR_DISPLAY_TO:
      return To();
    case PR_DISPLAY_CC:
      return CC();
    case PR_DISPLAY_BCC:
      return BCC();
    case PR_MSG_EDITOR_FORMAT:
      if (!props_.Has(tag))
        return bodyFormat_ == olFormatHTML ? 2 : bodyFormat_ == olFormatRichText ? 3 : 1;
      break;
  }
  return props_.Get(tag);
}

std::shared_ptr<const PropValue> Item::SharedProp(uint32_t tag) const {
  Live();
  if (tag == PR_ENTRYID) {
    if (!entryId_.empty() && entryIdBytes_) return entryIdBytes_;
  } else if (PropId(tag) != PropId(PR_BODY) && tag != PR_DISPLAY_TO && tag != PR_DISPLAY_CC &&
             tag != PR_DISPLAY_BCC && tag != PR_MSG_EDITOR_FORMAT &&
             !(htmlDue_ && PropId(tag) == PropId(PR_HTML))) {
    if (auto stored = props_.PeekShared(tag)) return stored;
    // A property the item does not hold reads as empty: one empty value serves every such
    // read (a table of contacts asks for three addresses where most hold one).
    static const auto kNone = std::make_shared<const PropValue>();
    return kNone;
  }
  PropValue value = GetProp(tag);
  // Most templates are addressed to nobody: their three display columns share one empty text.
  static const auto kNoText = std::make_shared<const PropValue>(std::wstring());
  if (auto* text = std::get_if<std::wstring>(&value); text && text->empty()) return kNoText;
  return std::make_shared<const PropValue>(std::move(value));
}

void Item::SetProp(uint32_t tag, PropValue value) {
  Live();
  auto text = [&] {
    auto* s = std::get_if<std::wstring>(&value);
    return s ? *s : std::wstring();
  };
  switch (tag) {
    case PR_BODY:
      return SetBody(text());
    case PR_HTML:
      return SetHTMLBody(text());
    case PR_RTF_COMPRESSED:
      return SetRTFBody(text());
    case PR_ENTRYID:
      vb::Raise(kErrFailed, L"The property cannot be written.");
  }
  // A raw write of either body leaves the plain body as it was made from the HTML before, and
  // the HTML as it was made from the plain text.
  if (PropId(tag) == PropId(PR_HTML) || PropId(tag) == PropId(PR_BODY)) {
    DerivePlain();
    StoreDueHtml();
  }
  props_.Set(tag, std::move(value));
  if (PropId(tag) == PropId(PR_MESSAGE_CLASS)) NoteReclass();
  MarkChanged();
}

void Item::NoteReclass() const {
  if (auto folder = parent_.lock()) folder->NoteReclass();
}

namespace {
const wchar_t* const kContactFilterFields[] = {L"fullname",     L"firstname",     L"lastname",
                                               L"companyname",  L"email1address", L"email2address",
                                               L"email3address"};
const wchar_t* const kFilterFields[] = {L"messageclass",
                                        L"subject",
                                        L"sendername",
                                        L"senderemailaddress",
                                        L"flagstatus",
                                        L"unread",
                                        L"sent",
                                        L"to",
                                        L"cc",
                                        L"mileage",
                                        L"billinginformation"};

// The filter's field names, lower-cased once per filter rather than once per item read.
const std::wstring& LowerName(const std::wstring& rawName) {
  static std::wstring raw, lower;
  if (rawName != raw) {
    lower = Lower(rawName);
    raw = rawName;
  }
  return lower;
}

}  // namespace

bool Item::IsFilterField(const std::wstring& rawName) {
  const std::wstring& name = LowerName(rawName);
  for (const wchar_t* f : kFilterFields)
    if (name == f) return true;
  for (const wchar_t* f : kContactFilterFields)
    if (name == f) return true;
  return false;
}

bool Item::IsClassField(const std::wstring& name) {
  return LowerName(name) == L"messageclass";
}

const PropValue* Item::FilterValue(const std::wstring& rawName, PropValue& scratch) const {
  static const PropValue kNone;
  auto stored = [&](uint32_t tag) {
    const PropValue* v = props_.Peek(tag);
    return v ? v : &kNone;
  };
  auto made = [&](PropValue value) {
    scratch = std::move(value);
    return &scratch;
  };
  const std::wstring& name = LowerName(rawName);
  if (name == L"messageclass") return stored(PR_MESSAGE_CLASS);
  if (name == L"subject") return stored(PR_SUBJECT);
  if (name == L"sendername") return stored(PR_SENDER_NAME);
  if (name == L"senderemailaddress") return stored(PR_SENDER_EMAIL_ADDRESS);
  if (name == L"flagstatus") return made(props_.Long(PR_FLAG_STATUS));
  if (name == L"unread") return made(UnRead());
  if (name == L"sent") return made(Sent());
  if (name == L"to") return made(To());
  if (name == L"cc") return made(CC());
  if (name == L"mileage") return made(Mileage());
  if (name == L"billinginformation") return made(BillingInformation());
  for (const wchar_t* f : kContactFilterFields) {
    if (name != f) continue;
    if (class_ != olContact) return &kNone;  // a field this kind of item does not have
    if (name == L"fullname") return made(FullName());
    if (name == L"firstname") return stored(PR_GIVEN_NAME);
    if (name == L"lastname") return stored(PR_SURNAME);
    if (name == L"companyname") return stored(PR_COMPANY_NAME);
    return made(EmailAddress(name.back() - L'0'));
  }
  // A field defined on the folder is known for every item there, empty where unset.
  if (auto folder = parent_.lock()) {
    for (auto& field : folder->UserDefinedFields()) {
      if (!SameText(field, rawName)) continue;
      if (auto p = userProperties_->Find(rawName)) return made(p->Value());
      return &kNone;
    }
  }
  return nullptr;
}

}  // namespace outlook
