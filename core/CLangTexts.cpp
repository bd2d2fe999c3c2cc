#include "core/CLangTexts.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <type_traits>

#include "platform/vb/Runtime.h"

namespace {
// A section of a few lines (the version, the add-in's list of sections) needs far less than a
// block: blocks start small.
constexpr size_t kFirstBlock = 256;
}  // namespace

template <class C, size_t Limit>
C* CLangTexts::Blocks<C, Limit>::Room(size_t count) {
  if (count > left_) {
    // A text longer than a block gets a block of its own; the current one stays in use.
    if (count > Limit / 4) {
      blocks_.push_back(std::make_unique_for_overwrite<C[]>(count));
      return blocks_.back().get();
    }
    do last_ = last_ == 0 ? kFirstBlock : std::min(Limit, 2 * last_);
    while (last_ < count);
    blocks_.push_back(std::make_unique_for_overwrite<C[]>(last_));
    next_ = blocks_.back().get();
    left_ = last_;
  }
  C* room = next_;
  next_ += count;
  left_ -= count;
  return room;
}

template <class C, size_t Limit>
void CLangTexts::Blocks<C, Limit>::GiveBack(C* room, size_t count) {
  if (room + count == next_) {
    next_ = room;
    left_ += count;
  } else if (!blocks_.empty() && blocks_.back().get() == room) {
    blocks_.pop_back();
  }
}

std::wstring_view CLangTexts::KeepWide(std::wstring_view text) {
  if (text.empty()) return {};
  wchar_t* room = m_wide.Room(text.size());
  std::copy(text.begin(), text.end(), room);
  return {room, text.size()};
}

void CLangTexts::KeepText(Entry& entry, std::wstring_view text) {
  entry.length = static_cast<uint32_t>(text.size());
  entry.narrow = true;
  entry.text = nullptr;
  if (text.empty()) return;
  // Narrowed and checked in one pass; the rare text that does not fit goes back.
  const size_t n = text.size();
  char* room = m_narrow.Room(n);
  uint32_t seen = 0;
  for (size_t i = 0; i < n; ++i) {
    seen |= static_cast<uint32_t>(text[i]);
    room[i] = static_cast<char>(text[i]);
  }
  if (seen < 0x100) {
    entry.text = room;
    return;
  }
  m_narrow.GiveBack(room, n);
  entry.narrow = false;
  entry.text = KeepWide(text).data();
}

namespace {
// FNV-1a over the characters, so that Add can hash a key while it lower-cases it.
constexpr uint32_t kHashStart = 2166136261u;
inline uint32_t HashStep(uint32_t hash, wchar_t c) {
  return (hash ^ static_cast<uint32_t>(c)) * 16777619u;
}
}  // namespace

uint32_t CLangTexts::HashOf(std::wstring_view key) {
  uint32_t hash = kHashStart;
  for (wchar_t c : key) hash = HashStep(hash, c);
  return hash;
}

size_t CLangTexts::SlotOf(uint32_t hash, std::wstring_view key) const {
  const size_t mask = m_index.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& s = m_index[slot];
    if (s.at == kFree) return slot;
    if (s.hash == hash && m_entries[s.at].key == key) return slot;
  }
}

void CLangTexts::Grow() {
  Rehash(m_index.empty() ? 1024 : m_index.size() * 2);
}

void CLangTexts::Rehash(size_t slots) {
  std::vector<Slot> old(slots);
  m_index.swap(old);
  const size_t mask = m_index.size() - 1;
  for (const Slot& s : old) {
    if (s.at == kFree) continue;
    size_t slot = s.hash & mask;
    while (m_index[slot].at != kFree) slot = (slot + 1) & mask;
    m_index[slot] = s;
  }
}

// Keeps the key and makes its entry, with an empty text; false when the key was there.
template <class Char>
std::pair<std::wstring_view, bool> CLangTexts::AddAs(std::wstring_view prefix,
                                                     std::basic_string_view<Char> name) {
  if (2 * (m_entries.size() + 1) > m_index.size()) Grow();
  const size_t length = prefix.size() + name.size();
  wchar_t* room = m_wide.Room(length);
  uint32_t hash = kHashStart;
  wchar_t* at = room;
  for (wchar_t c : prefix) {
    *at++ = c;
    hash = HashStep(hash, c);
  }
  for (Char ch : name) {
    auto c = static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(ch));
    c = c < 0x80 ? (c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c) : vb::LowerChar(c);
    *at++ = c;
    hash = HashStep(hash, c);
  }
  std::wstring_view key(room, length);
  const size_t slot = SlotOf(hash, key);
  if (m_index[slot].at != kFree) {
    // A repeated key: its copy goes back.
    m_wide.GiveBack(room, length);
    return {m_entries[m_index[slot].at].key, false};
  }
  m_index[slot] = Slot{static_cast<uint32_t>(m_entries.size()), hash};
  if (m_entries.capacity() == m_entries.size()) m_entries.reserve(m_entries.size() * 2 + 256);
  m_entries.push_back(Entry{key, nullptr, 0, true});
  return {key, true};
}

std::pair<std::wstring_view, bool> CLangTexts::Add(std::wstring_view prefix, std::wstring_view name,
                                                   std::wstring_view text) {
  auto added = AddAs(prefix, name);
  if (added.second) KeepText(m_entries.back(), text);
  return added;
}

std::pair<std::wstring_view, bool> CLangTexts::AddAscii(std::wstring_view prefix,
                                                        std::string_view name,
                                                        std::string_view text) {
  auto added = AddAs(prefix, name);
  if (!added.second) return added;
  // ASCII is kept one byte a character as it stands.
  Entry& entry = m_entries.back();
  entry.length = static_cast<uint32_t>(text.size());
  if (!text.empty()) {
    char* room = m_narrow.Room(text.size());
    std::memcpy(room, text.data(), text.size());
    entry.text = room;
  }
  return added;
}

void CLangTexts::Set(std::wstring_view key, std::wstring_view text) {
  if (2 * (m_entries.size() + 1) > m_index.size()) Grow();
  const uint32_t hash = HashOf(key);
  const size_t slot = SlotOf(hash, key);
  if (m_index[slot].at != kFree) {
    KeepText(m_entries[m_index[slot].at], text);
    return;
  }
  m_index[slot] = Slot{static_cast<uint32_t>(m_entries.size()), hash};
  m_entries.push_back(Entry{KeepWide(key), nullptr, 0, true});
  KeepText(m_entries.back(), text);
}

std::optional<std::wstring> CLangTexts::Find(std::wstring_view key) const {
  if (m_index.empty()) return std::nullopt;
  uint32_t at = m_index[SlotOf(HashOf(key), key)].at;
  if (at == kFree) return std::nullopt;
  const Entry& entry = m_entries[at];
  if (!entry.narrow) return std::wstring(static_cast<const wchar_t*>(entry.text), entry.length);
  std::wstring text(entry.length, L'\0');
  const auto* bytes = static_cast<const unsigned char*>(entry.text);
  std::copy(bytes, bytes + entry.length, text.begin());
  return text;
}

bool CLangTexts::Has(std::wstring_view key) const {
  return !m_index.empty() && m_index[SlotOf(HashOf(key), key)].at != kFree;
}

void CLangTexts::Reserve(size_t count) {
  size_t slots = m_index.empty() ? 1024 : m_index.size();
  while (slots < 2 * (count + 1)) slots *= 2;
  if (slots > m_index.size()) Rehash(slots);
  m_entries.reserve(count);
}

void CLangTexts::Clear() {
  m_index.clear();
  m_entries.clear();
  m_wide = {};
  m_narrow = {};
}
