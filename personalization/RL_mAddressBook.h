// Recipients and the address book: the recipients of an item as a flat list of leaf address
// entries (distribution lists opened, also nested ones), their count, the replacement of lists
// among an item's recipients by their members, and the SMTP address of an entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "personalization/RL_CRecipient.h"
#include "platform/outlook/Props.h"

namespace outlook {
class AddressEntry;
class Recipient;
class Recipients;
}  // namespace outlook

using RL_Recipients = std::vector<RL_CRecipient>;

namespace RL_mAddressBook {

// True when at least one distribution list was replaced by its members. Raises (naming the list)
// when one could not be: sent as it stands, its copy would go to all its members as one.
bool ExpandRecipients(const std::shared_ptr<outlook::Recipients>& recipients);
// Raises when Outlook refused the recipients' count past its tries: taken for none, separate
// messages would go out as one.
int32_t CountRecipientEntries(const std::shared_ptr<outlook::Recipients>& recipients);
// The recipients' count, asked again while refused; past every try the last refusal is raised.
int32_t HeldCount(const outlook::Recipients& recipients);
// Appends the leaf entries of every recipient; answers the collection's size afterwards.
int32_t CollectRecipients(const std::shared_ptr<outlook::Recipients>& recipients,
                          RL_Recipients& collection, bool bSmtp);
// The number of leaf entries added, each with the recipient's type.
int32_t ExtractRecipient(const std::shared_ptr<outlook::Recipient>& recipient,
                         RL_Recipients& collection, bool bSmtp);
int32_t ExtractFromAE(const std::shared_ptr<outlook::AddressEntry>& entry,
                      RL_Recipients& collection, bool bSmtp);

// What an address entry offers for its SMTP address: its Address and its MAPI Fields.
struct SmtpSource {
  std::function<std::wstring()> Address;
  std::function<outlook::PropValue(uint32_t)> Fields;
};
// The lower-cased SMTP address; errors are passed over and what was read so far is answered.
std::wstring SafeGetSmtpAddress(const SmtpSource& entry, bool& bLog);
std::wstring SafeGetSmtpAddress(const std::shared_ptr<outlook::AddressEntry>& entry, bool& bLog);
bool isEmailAddress(const std::wstring& text);

}  // namespace RL_mAddressBook
