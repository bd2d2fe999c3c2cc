#include "engine/TextNumber.h"

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

int32_t CLngText(const std::wstring& text) {
  std::wstring t = vb::Trim(text);
  size_t i = (!t.empty() && (t[0] == L'-' || t[0] == L'+')) ? 1 : 0;
  size_t digits = 0, points = 0;
  for (; i < t.size(); ++i) {
    if (t[i] >= L'0' && t[i] <= L'9') {
      ++digits;
    } else if (t[i] == L'.' && points == 0) {
      ++points;
    } else {
      digits = 0;
      break;
    }
  }
  if (digits == 0) vb::Raise(vb::kTypeMismatch);
  return vb::CLng(vb::Val(t));
}
