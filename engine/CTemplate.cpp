#include "engine/CTemplate.h"

#include <vector>

#include "core/Main.h"
#include "engine/TextNumber.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Recipients.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace {

const std::wstring kCrLf = L"\r\n";

}  // namespace

void CTemplate::CopyFrom(const CTemplate& other) {
  *this = other;
}

bool CTemplate::Refresh(std::shared_ptr<redemption::SafeMailItem>& oSafeMail, bool* gone) {
  if (gone) *gone = false;
  return TrapOr(L"CTemplate.Refresh", false, [&] {
    bool refused = false;
    auto item = mTanvelo::GetTemplate(sEntryID, &refused);
    if (!item) {
      if (gone) *gone = !refused;
      return false;
    }
    sSubject = item->Subject();
    if (!oSafeMail)
      oSafeMail = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
    oSafeMail->SetItem(item);
    // Held past every try, the mark stays as it was: the record itself is sound.
    bool preaddressed = bPreaddressed;
    if (mTanvelo::Retried([&] { preaddressed = oSafeMail->Recipients()->Count() != 0; })) {
      bPreaddressed = preaddressed;
    } else {
      LogError(L"CTemplate.Refresh", vb::Err().Number(), vb::Err().Description(),
               L"the recipients mark of \"" + sSubject + L"\" was not read, kept as it was");
      vb::Err().Clear();
    }
    oSafeMail->SetItem(nullptr);
    return true;
  });
}

std::wstring CTemplate::ToString() const {
  return std::to_wstring(nRepliesCount) + kCrLf + std::to_wstring(nRepliesAllCount) + kCrLf +
         std::to_wstring(nForwardsCount) + kCrLf + std::to_wstring(nNewsCount) + kCrLf +
         (bPreaddressed ? L"1" : L"0") + kCrLf + sSubject + kCrLf + sEntryID;
}

bool CTemplate::FromString(const std::wstring& sString) {
  return Trap(L"CTemplate.FromString", [&] {
    std::vector<std::wstring> parts = vb::Split(sString, kCrLf);
    if (parts.size() < 7) vb::Raise(vb::kSubscriptOutOfRange);
    int32_t counts[4];
    for (int i = 0; i < 4; ++i) counts[i] = CLngText(parts[i]);
    bool preaddressed = CLngText(parts[4]) != 0;
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
