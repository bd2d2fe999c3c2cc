// The personalization fields: the one table of the twelve tokens, a keyed collection of
// fields in insertion order, and the loaders that compute a field's value from the recipients,
// a recipient's contact and the sending account.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "personalization/RL_CText.h"
#include "personalization/RL_mAddressBook.h"

namespace redemption {
class SafeItem;
class SafeContactItem;
}  // namespace redemption

// The answers given in the empty-field dialog during one job, by token.
using RL_Answers = std::map<std::wstring, std::wstring>;

class RL_CTexts {
 public:
  bool Has(int32_t nType) const;
  // Contact fields, then recipient lists, then the sender fields.
  void AddAll();
  void Add(int32_t nType);
  // The field with that token (ignoring case), or nothing.
  std::shared_ptr<RL_CText> Find(const std::wstring& sText) const;
  // 1-based; raises 9 out of range.
  std::shared_ptr<RL_CText> Item(int32_t index) const;
  // By token; raises 5 when there is none.
  std::shared_ptr<RL_CText> Item(const std::wstring& key) const;
  int32_t Count() const { return static_cast<int32_t>(m_colTexts.size()); }
  void Remove(int32_t index);
  auto begin() const { return m_colTexts.begin(); }
  auto end() const { return m_colTexts.end(); }

  // "%To%", "%Cc%", "%Bcc%": the entries of that recipient type as "Name <address>", joined.
  bool LoadRecipientValue(const std::wstring& sText,
                          const std::shared_ptr<redemption::SafeItem>& item,
                          const RL_Recipients& recipients, bool bSilent);
  // One contact field of one recipient, on that recipient's own fields: the contact's value,
  // names made from the display name, or (unless silent) the answer asked once per job.
  bool LoadContactValue(const std::wstring& sText,
                        const std::shared_ptr<redemption::SafeContactItem>& contact,
                        const std::wstring& sName, const std::wstring& sEmail, RL_Answers& answers,
                        const std::wstring& sCaption, bool bWndOnTop, bool bSilent);
  // "%MyName%", "%From%": the sending account's user name and address.
  bool LoadEmailValue(const std::wstring& sText, const std::shared_ptr<redemption::SafeItem>& item,
                      bool bSilent);

  struct Names {
    std::wstring full, first, last;
  };
  // Full, first and last name made from a display name without its address.
  static Names ExtractRecipientNames(const std::wstring& sDisplayName, const std::wstring& sEmail);

 private:
  void AddText(const std::wstring& sText, int32_t nType, const std::wstring& sMenuPath,
               int32_t nNumUsed);
  // The address and account name stamped on the mail; empty texts when there are none.
  static void GetAccountEmail(const std::shared_ptr<redemption::SafeItem>& item,
                              std::wstring& sEmail, std::wstring& sAccount);
  static std::wstring GetAccountName(const std::wstring& sAccount);

  std::vector<std::shared_ptr<RL_CText>> m_colTexts;
};
