#include "core/CLangTexts.h"

#include <algorithm>
#include <functional>

#include "platform/vb/Runtime.h"

namespace {
constexpr size_t kBlock = 8 * 1024;  // characters: small enough to come from the heap
}  // namespace

wchar_t* CLangTexts::Room(size_t count) {
  if (count > m_left) {
    // A text longer than a block gets a block of its own; the current one stays in use.
    if (count > kBlock / 4) {
      m_blocks.push_back(std::make_unique_for_overwrite<wchar_t[]>(count));
      return m_blocks.back().get();
    }
    m_blocks.push_back(std::make_unique_for_overwrite<wchar_t[]>(kBlock));
    m_next = m_blocks.back().get();
    m_left = kBlock;
  }
  wchar_t* room = m_next;
  m_next += count;
  m_left -= count;
  return room;
}

std::wstring_view CLangTexts::Keep(std::wstring_view text) {
  if (text.empty()) return {};
  wchar_t* room = Room(text.size());
  std::copy(text.begin(), text.end(), room);
  return {room, text.size()};
}

size_t CLangTexts::Slot(size_t hash, std::wstring_view key) const {
  const size_t mask = m_index.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    uint32_t at = m_index[slot];
    if (at == kFree) return slot;
    const Entry& entry = m_entries[at];
    if (entry.hash == hash && entry.key == key) return slot;
  }
}

void CLangTexts::Grow() {
  std::vector<uint32_t> index(m_index.empty() ? 1024 : m_index.size() * 2, kFree);
  m_index.swap(index);
  for (uint32_t at = 0; at < m_entries.size(); ++at)
    m_index[Slot(m_entries[at].hash, m_entries[at].key)] = at;
}

std::pair<std::wstring_view, bool> CLangTexts::Add(std::wstring_view prefix, std::wstring_view name,
                                                   std::wstring_view text) {
  if (2 * (m_entries.size() + 1) > m_index.size()) Grow();
  const size_t length = prefix.size() + name.size();
  wchar_t* room = Room(length);
  std::copy(prefix.begin(), prefix.end(), room);
  std::transform(name.begin(), name.end(), room + prefix.size(), [](wchar_t c) {
    return c < 0x80 ? (c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c)
                    : vb::LowerChar(c);
  });
  std::wstring_view key(room, length);
  const size_t hash = std::hash<std::wstring_view>()(key);
  const size_t slot = Slot(hash, key);
  if (m_index[slot] != kFree) {
    // A repeated key: its copy goes back to the block when it was the last thing kept.
    if (room + length == m_next) {
      m_next = room;
      m_left += length;
    }
    return {m_entries[m_index[slot]].key, false};
  }
  m_index[slot] = static_cast<uint32_t>(m_entries.size());
  if (m_entries.capacity() == m_entries.size()) m_entries.reserve(m_entries.size() * 2 + 256);
  m_entries.push_back(Entry{hash, key, Keep(text)});
  return {key, true};
}

void CLangTexts::Set(std::wstring_view key, std::wstring_view text) {
  if (2 * (m_entries.size() + 1) > m_index.size()) Grow();
  const size_t hash = std::hash<std::wstring_view>()(key);
  const size_t slot = Slot(hash, key);
  if (m_index[slot] != kFree) {
    m_entries[m_index[slot]].text = Keep(text);
    return;
  }
  m_index[slot] = static_cast<uint32_t>(m_entries.size());
  m_entries.push_back(Entry{hash, Keep(key), Keep(text)});
}

const std::wstring_view* CLangTexts::Find(std::wstring_view key) const {
  if (m_index.empty()) return nullptr;
  uint32_t at = m_index[Slot(std::hash<std::wstring_view>()(key), key)];
  return at == kFree ? nullptr : &m_entries[at].text;
}

void CLangTexts::Clear() {
  m_index.clear();
  m_entries.clear();
  m_blocks.clear();
  m_next = nullptr;
  m_left = 0;
}
