#include "platform/outlook/AddressBook.h"

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace outlook {

AddressEntry::AddressEntry(std::wstring name, std::wstring address, std::wstring type,
                           std::wstring smtpAddress)
    : name_(std::move(name)),
      address_(std::move(address)),
      type_(std::move(type)),
      smtp_(std::move(smtpAddress)) {
  if (smtp_.empty() && type_ == L"SMTP") smtp_ = address_;
}

std::shared_ptr<AddressEntries> AddressEntry::Members() const {
  if (!distList_) return nullptr;
  return std::make_shared<AddressEntries>(members_);
}

void AddressEntry::AddMember(std::shared_ptr<AddressEntry> member) {
  distList_ = true;
  members_.push_back(std::move(member));
}

PropValue AddressEntry::Fields(uint32_t tag) const {
  switch (tag) {
    case PR_DISPLAY_NAME:
      return name_;
    case PR_ADDRTYPE:
      return type_;
    case PR_EMAIL_ADDRESS:
      return address_;
    case PR_SMTP_ADDRESS:
      if (smtp_.empty()) return PropValue{};
      return smtp_;
  }
  return PropValue{};
}

std::shared_ptr<AddressEntry> AddressEntries::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return entries_[static_cast<size_t>(index - 1)];
}

bool SplitOneOff(const std::wstring& text, std::wstring& name, std::wstring& address) {
  size_t open = text.rfind(L'<');
  size_t close = text.rfind(L'>');
  if (open == std::wstring::npos || close == std::wstring::npos || close < open) return false;
  address = vb::Trim(text.substr(open + 1, close - open - 1));
  name = vb::Trim(text.substr(0, open));
  if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"')
    name = name.substr(1, name.size() - 2);
  if (name.empty()) name = address;
  return address.find(L'@') != std::wstring::npos;
}

std::shared_ptr<AddressEntry> AddressBook::FindByAddress(const std::wstring& address) const {
  for (auto& e : entries_) {
    if (SameText(e->Address(), address) ||
        (!e->SmtpAddress().empty() && SameText(e->SmtpAddress(), address)))
      return e;
  }
  return nullptr;
}

bool AddressBook::Matches(const std::wstring& name, const std::wstring& address,
                          const std::wstring& text) {
  return SameText(name, text) || SameText(address, text);
}

std::shared_ptr<AddressEntry> AddressBook::Resolve(const std::wstring& rawText,
                                                   const ExtraMatches& extra) const {
  std::wstring text = vb::Trim(rawText);
  if (text.empty()) return nullptr;
  std::wstring name, address;
  if (SplitOneOff(text, name, address)) {
    return std::make_shared<AddressEntry>(name, address, L"SMTP");
  }
  if (text.find(L'@') != std::wstring::npos && text.find(L' ') == std::wstring::npos) {
    if (auto known = FindByAddress(text)) return known;
    return std::make_shared<AddressEntry>(text, text, L"SMTP");
  }
  std::shared_ptr<AddressEntry> found;
  int matches = 0;
  for (auto& e : entries_) {
    if (Matches(e->Name(), e->Address(), text)) {
      found = e;
      ++matches;
    }
  }
  std::vector<std::shared_ptr<AddressEntry>> others;
  if (extra) extra(text, others);
  if (!others.empty()) found = others.back();
  matches += static_cast<int>(others.size());
  return matches == 1 ? found : nullptr;
}

}  // namespace outlook
