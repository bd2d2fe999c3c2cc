// One leaf address entry of a recipient, with the recipient type it came from.
#pragma once

#include <cstdint>
#include <string>

class RL_CRecipient {
 public:
  std::wstring Name;   // trimmed display name
  std::wstring Email;  // trimmed address
  int32_t nType = 0;   // 1 To, 2 Cc, 3 Bcc
};
