// Address entries (SMTP one-offs, Exchange users, distribution lists with nested members) and
// the address book that resolves names typed as recipients.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace outlook {

class AddressEntry {
 public:
  // Type: "SMTP", "EX" or "MAPIPDL" (a personal distribution list).
  AddressEntry(std::wstring name, std::wstring address, std::wstring type,
               std::wstring smtpAddress = L"");

  const std::wstring& Name() const { return name_; }
  const std::wstring& Address() const { return address_; }
  const std::wstring& Type() const { return type_; }
  // The entries of a distribution list; nullptr for one person.
  std::shared_ptr<AddressEntries> Members() const;
  bool IsDistList() const { return distList_; }
  void AddMember(std::shared_ptr<AddressEntry> member);
  void MakeDistList() { distList_ = true; }
  // Redemption's view of the entry: PR_DISPLAY_NAME, PR_ADDRTYPE, PR_EMAIL_ADDRESS and
  // PR_SMTP_ADDRESS (for an Exchange entry its SMTP address).
  PropValue Fields(uint32_t tag) const;
  const std::wstring& SmtpAddress() const { return smtp_; }

 private:
  std::wstring name_, address_, type_, smtp_;
  bool distList_ = false;
  std::vector<std::shared_ptr<AddressEntry>> members_;
};

class AddressEntries {
 public:
  explicit AddressEntries(std::vector<std::shared_ptr<AddressEntry>> entries)
      : entries_(std::move(entries)) {}
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  std::shared_ptr<AddressEntry> Item(int32_t index) const;
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  std::vector<std::shared_ptr<AddressEntry>> entries_;
};

// The session's address book: the global list plus what the contacts folder offers.
class AddressBook {
 public:
  void Add(std::shared_ptr<AddressEntry> entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::shared_ptr<AddressEntry>>& Entries() const { return entries_; }
  // "Name <address>" and a bare SMTP address always resolve (to a known entry with that SMTP
  // address when there is one); any other text resolves when exactly one entry has it as its
  // display name, ignoring case. Nothing otherwise.
  // `extra` adds the entries of other books whose name or address is the text (see Matches),
  // and is called only when a name must be looked for.
  using ExtraMatches =
      std::function<void(const std::wstring& text, std::vector<std::shared_ptr<AddressEntry>>&)>;
  std::shared_ptr<AddressEntry> Resolve(const std::wstring& text, const ExtraMatches& extra) const;
  // Whether an entry of this name and address answers to the text a name look-up seeks.
  static bool Matches(const std::wstring& name, const std::wstring& address,
                      const std::wstring& text);
  // The entry whose address (or, for Exchange, SMTP address) is this one.
  std::shared_ptr<AddressEntry> FindByAddress(const std::wstring& address) const;

 private:
  std::vector<std::shared_ptr<AddressEntry>> entries_;
};

// Splits "Name <address>" into its parts; false for any other text.
bool SplitOneOff(const std::wstring& text, std::wstring& name, std::wstring& address);

}  // namespace outlook
