// One personalization field: its token (the key), menu path, type, quick-item rank and the
// value a run computed for it.
#pragma once

#include <cstdint>
#include <string>

// Field types: a recipient list, a contact field, a field of the sending account.
inline constexpr int32_t kFieldRecipients = 2;
inline constexpr int32_t kFieldContact = 3;
inline constexpr int32_t kFieldSender = 4;

class RL_CText {
 public:
  std::wstring Text;  // the token with both percent signs
  std::wstring MenuPath;
  int32_t nType = 0;
  int32_t NumUsed = 0;  // rank among the quick menu items; 0 = none
  std::wstring Value;
};
