// Redemption's session objects: the safe current user, RDOSession with its current user and
// accounts, and MAPIUtils for single properties of an item.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace redemption {

using outlook::PropValue;

// The user of Outlook's running session, as an address entry.
class SafeCurrentUser {
 public:
  std::wstring Name() const;
  std::wstring Address() const;
  PropValue Fields(uint32_t tag) const;
};

class RDOAddressEntry {
 public:
  explicit RDOAddressEntry(std::shared_ptr<outlook::AddressEntry> entry)
      : entry_(std::move(entry)) {}
  std::wstring Name() const;
  std::wstring Address() const;
  std::wstring Type() const;
  // The SMTP address; empty when the entry has none.
  std::wstring SMTPAddress() const;
  PropValue Fields(uint32_t tag) const;

 private:
  std::shared_ptr<outlook::AddressEntry> entry_;
};

struct RDOAccount {
  std::wstring Name, UserName, SMTPAddress;
};

class RDOSession {
 public:
  // Logs on to the default profile: the session of the Outlook that runs. Raises when none.
  void Logon();
  void Logoff() { session_.reset(); }
  bool LoggedOn() const { return session_ != nullptr; }
  // Shares Outlook's session (NameSpace.MAPIOBJECT).
  void SetMAPIOBJECT(std::shared_ptr<outlook::NameSpace> session) { session_ = std::move(session); }
  std::shared_ptr<outlook::NameSpace> MAPIOBJECT() const { return session_; }
  std::shared_ptr<RDOAddressEntry> CurrentUser() const;
  // By account name (ignoring case); raises when there is none.
  RDOAccount Accounts(const std::wstring& name) const;
  int32_t AccountCount() const;

 private:
  const outlook::NameSpace& Session() const;
  std::shared_ptr<outlook::NameSpace> session_;
};

class MAPIUtils {
 public:
  // The tag (without type) of a named property of the item's session; 0 when it does not
  // exist and is not to be created.
  uint32_t GetIDsFromNames(const std::shared_ptr<outlook::Item>& mapiObject,
                           const std::wstring& guid, int32_t id, bool create = false) const;
  // Raises MAPI_E_NOT_FOUND when the item lacks the property.
  PropValue HrGetOneProp(const std::shared_ptr<outlook::Item>& mapiObject, uint32_t tag) const;
  void HrSetOneProp(const std::shared_ptr<outlook::Item>& mapiObject, uint32_t tag, PropValue value,
                    bool save) const;
  // Upper-case hex text of a binary value (an EntryID as Outlook writes it).
  std::wstring HrArrayToString(const PropValue& bytes) const;
};

}  // namespace redemption
