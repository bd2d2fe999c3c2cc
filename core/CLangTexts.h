// The texts of a language by lower-case key. A load adds thousands at once, so keys and texts
// are kept in large blocks that never move, the entries in one array and the index is an open
// table of positions in it: a few allocations per load instead of several per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class CLangTexts {
 public:
  CLangTexts() = default;
  CLangTexts(CLangTexts&&) noexcept = default;
  CLangTexts& operator=(CLangTexts&&) noexcept = default;
  CLangTexts(const CLangTexts&) = delete;
  CLangTexts& operator=(const CLangTexts&) = delete;

  // Adds `text` under the key `prefix` (lower case already) followed by `name` in lower case.
  // Gives the kept key, and false when the key was there already (its text is left alone).
  // Kept keys and texts stay where they are until Clear or the table's end, a move included.
  std::pair<std::wstring_view, bool> Add(std::wstring_view prefix, std::wstring_view name,
                                         std::wstring_view text);
  // Replaces the text of a key (lower case already), or adds it.
  void Set(std::wstring_view key, std::wstring_view text);
  // The text of a key (lower case already), or null.
  const std::wstring_view* Find(std::wstring_view key) const;
  size_t Size() const { return m_entries.size(); }
  void Clear();

 private:
  struct Entry {
    size_t hash;
    std::wstring_view key;
    std::wstring_view text;
  };
  static constexpr uint32_t kFree = UINT32_MAX;

  std::wstring_view Keep(std::wstring_view text);
  wchar_t* Room(size_t count);
  // The index slot that holds `key`, or the free slot where it would go.
  size_t Slot(size_t hash, std::wstring_view key) const;
  void Grow();

  std::vector<std::unique_ptr<wchar_t[]>> m_blocks;
  wchar_t* m_next = nullptr;
  size_t m_left = 0;
  std::vector<Entry> m_entries;
  std::vector<uint32_t> m_index;  // positions in m_entries; a power of two, at most half full
};
