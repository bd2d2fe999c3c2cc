#include "engine/CTemplate.h"

#include <vector>

#include "core/Main.h"
#include "platform/vb/Runtime.h"

namespace {

const std::wstring kCrLf = L"\r\n";

std::vector<std::wstring> SplitCrLf(const std::wstring& text) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(kCrLf, start)) != std::wstring::npos; start = at + 2)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// The runtime's conversion of a stored number: blanks around a signed decimal number are
// allowed, anything else is a type mismatch.
int32_t ToLong(const std::wstring& text) {
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

}  // namespace

void CTemplate::CopyFrom(const CTemplate& other) {
  *this = other;
}

std::wstring CTemplate::ToString() const {
  return std::to_wstring(nRepliesCount) + kCrLf + std::to_wstring(nRepliesAllCount) + kCrLf +
         std::to_wstring(nForwardsCount) + kCrLf + std::to_wstring(nNewsCount) + kCrLf +
         (bPreaddressed ? L"1" : L"0") + kCrLf + sSubject + kCrLf + sEntryID;
}

bool CTemplate::FromString(const std::wstring& sString) {
  return Trap(L"CTemplate.FromString", [&] {
    std::vector<std::wstring> parts = SplitCrLf(sString);
    if (parts.size() < 7) vb::Raise(vb::kSubscriptOutOfRange);
    int32_t counts[4];
    for (int i = 0; i < 4; ++i) counts[i] = ToLong(parts[i]);
    bool preaddressed = ToLong(parts[4]) != 0;
    // A subject holding CR LF spreads over several lines: the EntryID is always the last.
    std::wstring subject = parts[5];
    for (size_t i = 6; i + 1 < parts.size(); ++i) subject += kCrLf + parts[i];
    nRepliesCount = counts[0];
    nRepliesAllCount = counts[1];
    nForwardsCount = counts[2];
    nNewsCount = counts[3];
    bPreaddressed = preaddressed;
    sSubject = subject;
    sEntryID = parts.back();
  });
}

int32_t* CTemplate::UseCounter(int32_t nUseType) {
  switch (nUseType) {
    case 1:
      return &nRepliesCount;
    case 2:
      return &nRepliesAllCount;
    case 4:
      return &nForwardsCount;
    case 8:
      return &nNewsCount;
    default:
      return nullptr;
  }
}

int32_t CTemplate::UseCount(int32_t nUseType) const {
  const int32_t* count = const_cast<CTemplate*>(this)->UseCounter(nUseType);
  return count ? *count : 0;
}
