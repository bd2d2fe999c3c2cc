// The usage record of one template: its four use counters, whether it is pre-addressed, its
// subject when last read and its EntryID, and the seven-line text form kept in the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace redemption {
class SafeMailItem;
}

class CTemplate {
 public:
  std::wstring sSubject;
  bool bPreaddressed = false;
  std::wstring sEntryID;
  int32_t nRepliesCount = 0;
  int32_t nRepliesAllCount = 0;
  int32_t nForwardsCount = 0;
  int32_t nNewsCount = 0;

  void CopyFrom(const CTemplate& other);
  // Re-reads subject and recipients from the template item; false when it is no template
  // (any more). A null `oSafeMail` is replaced by a new safe mail object the caller may reuse.
  // `gone` tells a template Outlook answered "not found" for from one it refused to read.
  bool Refresh(std::shared_ptr<redemption::SafeMailItem>& oSafeMail, bool* gone = nullptr);
  // Counts, "1"/"0", subject and EntryID, joined by CR LF.
  std::wstring ToString() const;
  bool FromString(const std::wstring& sString);

  // The counter of one use type (1, 2, 4 or 8); null for any other value.
  int32_t* UseCounter(int32_t nUseType);
  // Its value; 0 for any other value.
  int32_t UseCount(int32_t nUseType) const;
};
