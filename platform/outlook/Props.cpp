#include "platform/outlook/Props.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/outlook/Changes.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clock.h"

namespace outlook {

namespace {
uint64_t g_changes = 0;
}  // namespace

uint64_t ChangeCount() {
  return g_changes;
}

void NoteChange() {
  ++g_changes;
}

const PropValue* PropertyBag::Find(uint32_t tag) const {
  auto it = std::lower_bound(values_.begin(), values_.end(), PropId(tag),
                             [](const Entry& e, uint16_t id) { return e.first < id; });
  return it != values_.end() && it->first == PropId(tag) ? it->second.get() : nullptr;
}

std::shared_ptr<const PropValue> PropertyBag::PeekShared(uint32_t tag) const {
  auto it = std::lower_bound(values_.begin(), values_.end(), PropId(tag),
                             [](const Entry& e, uint16_t id) { return e.first < id; });
  return it != values_.end() && it->first == PropId(tag) ? it->second : nullptr;
}

PropValue PropertyBag::Get(uint32_t tag) const {
  const PropValue* v = Find(tag);
  return v ? *v : PropValue{};
}

void PropertyBag::Set(uint32_t tag, PropValue value) {
  if (std::holds_alternative<std::monostate>(value)) {
    NoteChange();
    changes::Note(this);
    auto it = std::lower_bound(values_.begin(), values_.end(), PropId(tag),
                               [](const Entry& e, uint16_t id) { return e.first < id; });
    if (it != values_.end() && it->first == PropId(tag)) values_.erase(it);
    return;
  }
  SetShared(tag, std::make_shared<const PropValue>(std::move(value)));
}

void PropertyBag::SetShared(uint32_t tag, std::shared_ptr<const PropValue> value) {
  NoteChange();
  changes::Note(this);
  auto it = std::lower_bound(values_.begin(), values_.end(), PropId(tag),
                             [](const Entry& e, uint16_t id) { return e.first < id; });
  if (it != values_.end() && it->first == PropId(tag))
    it->second = std::move(value);
  else
    values_.emplace(it, PropId(tag), std::move(value));
}

void PropertyBag::SetDerived(uint32_t tag, PropValue value) {
  auto shared = std::make_shared<const PropValue>(std::move(value));
  auto it = std::lower_bound(values_.begin(), values_.end(), PropId(tag),
                             [](const Entry& e, uint16_t id) { return e.first < id; });
  if (it != values_.end() && it->first == PropId(tag))
    it->second = std::move(shared);
  else
    values_.emplace(it, PropId(tag), std::move(shared));
}

void PropertyBag::Remove(uint32_t tag) {
  Set(tag, PropValue{});
}

bool PropertyBag::Has(uint32_t tag) const {
  return Find(tag) != nullptr;
}

bool PropertyBag::SharesValue(const PropertyBag& other, uint32_t tag) const {
  const PropValue *a = Find(tag), *b = other.Find(tag);
  return a && a == b;
}

std::wstring PropertyBag::Text(uint32_t tag) const {
  const PropValue* v = Find(tag);
  auto* s = v ? std::get_if<std::wstring>(v) : nullptr;
  return s ? *s : L"";
}

int32_t PropertyBag::Long(uint32_t tag, int32_t fallback) const {
  const PropValue* v = Find(tag);
  if (!v) return fallback;
  if (auto* n = std::get_if<int32_t>(v)) return *n;
  if (auto* b = std::get_if<bool>(v)) return *b ? 1 : 0;
  return fallback;
}

uint16_t NamedProps::Lookup(const std::wstring& key, bool create) {
  auto it = ids_.find(key);
  if (it != ids_.end()) return it->second;
  if (!create || next_ == 0xFFFF) return 0;
  return ids_[key] = next_++;
}

uint16_t NamedProps::Id(const std::wstring& guid, int32_t lid, bool create) {
  return Lookup(Lower(guid) + L"#" + std::to_wstring(lid), create);
}

uint16_t NamedProps::Id(const std::wstring& guid, const std::wstring& name, bool create) {
  return Lookup(Lower(guid) + L"$" + name, create);
}

// Every EntryID read as text passes here: each byte's two digits are looked up at once.
std::wstring HexOf(const std::vector<uint8_t>& bytes) {
  struct Pair {
    wchar_t high, low;
  };
  static constexpr auto kPairs = [] {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::array<Pair, 256> pairs{};
    for (size_t b = 0; b < pairs.size(); ++b) pairs[b] = {kDigits[b >> 4], kDigits[b & 15]};
    return pairs;
  }();
  std::wstring out(bytes.size() * 2, L'0');
  wchar_t* to = out.data();
  for (uint8_t b : bytes) {
    to[0] = kPairs[b].high;
    to[1] = kPairs[b].low;
    to += 2;
  }
  return out;
}

std::vector<uint8_t> BytesOfHex(const std::wstring& hex) {
  auto digit = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
  };
  std::vector<uint8_t> out;
  if (hex.size() % 2) return out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return {};
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return out;
}

namespace {
// The Date type counts days from 1899-12-30, 25,569 days before 1970-01-01.
constexpr int64_t kDateOf1970 = 25569;
}  // namespace

double Now() {
  win32::SYSTEMTIME t{};
  win32::GetLocalTime(&t);
  double days = static_cast<double>(win32::DaysFromCivil(t.wYear, t.wMonth, t.wDay) + kDateOf1970);
  return days + (t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond) / 86400.0;
}

std::wstring DateText(double date) {
  int64_t z = static_cast<int64_t>(std::floor(date)) - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  int minutes = static_cast<int>(std::lround((date - std::floor(date)) * 1440.0));
  wchar_t buf[64];
  swprintf(buf, 64, L"%u/%u/%lld %d:%02d", d, m, static_cast<long long>(y), minutes / 60,
           minutes % 60);
  return buf;
}

std::wstring Lower(std::wstring text) {
  return vb::LCase(text);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return Lower(a) == Lower(b);
}

}  // namespace outlook
