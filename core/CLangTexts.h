// The texts of a language by lower-case key. A load adds thousands at once, so keys and texts
// are kept in large blocks that never move, the entries in one array and the index is an open
// table of positions in it: a few allocations per load instead of several per entry. A text
// whose characters all lie below 256 (every text of most files) is kept one byte a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
  // Kept keys stay where they are until Clear or the table's end, a move included.
  std::pair<std::wstring_view, bool> Add(std::wstring_view prefix, std::wstring_view name,
                                         std::wstring_view text);
  // The same for a name and text of ASCII bytes (each byte the character of its value): what
  // Add of the widened name and text keeps.
  std::pair<std::wstring_view, bool> AddAscii(std::wstring_view prefix, std::string_view name,
                                              std::string_view text);
  // Replaces the text of a key (lower case already), or adds it.
  void Set(std::wstring_view key, std::wstring_view text);
  // The text of a key (lower case already), or nothing.
  std::optional<std::wstring> Find(std::wstring_view key) const;
  bool Has(std::wstring_view key) const;
  // Room for about `count` entries at once, so that a load that knows its size does not grow
  // the index step by step.
  void Reserve(size_t count);
  size_t Size() const { return m_entries.size(); }
  void Clear();

 private:
  struct Entry {
    std::wstring_view key;
    const void* text;  // bytes when narrow, else wide characters
    uint32_t length;
    bool narrow;
  };
  static constexpr uint32_t kFree = UINT32_MAX;
  // A slot of the index: the entry's position and the high half of its key's hash, so that
  // probing compares keys only when the hashes agree.
  struct Slot {
    uint32_t at = kFree;
    uint32_t hash = 0;
  };

  template <class Char>
  std::pair<std::wstring_view, bool> AddAs(std::wstring_view prefix,
                                           std::basic_string_view<Char> name);
  std::wstring_view KeepWide(std::wstring_view text);
  void KeepText(Entry& entry, std::wstring_view text);
  // Room for texts in blocks that never move: the first small, each next one twice the last
  // up to `Limit` characters; a text longer than a quarter of that gets a block of its own.
  template <class C, size_t Limit>
  class Blocks {
   public:
    C* Room(size_t count);
    // Takes back `room` when it was the last room made.
    void GiveBack(C* room, size_t count);

   private:
    std::vector<std::unique_ptr<C[]>> blocks_;
    C* next_ = nullptr;
    size_t left_ = 0;
    size_t last_ = 0;  // the size of the last block of the run
  };
  static uint32_t HashOf(std::wstring_view key);
  // The index slot that holds `key`, or the free slot where it would go.
  size_t SlotOf(uint32_t hash, std::wstring_view key) const;
  void Grow();
  void Rehash(size_t slots);

  Blocks<wchar_t, 8 * 1024> m_wide;  // small enough to come from the heap
  Blocks<char, 32 * 1024> m_narrow;
  std::vector<Entry> m_entries;
  std::vector<Slot> m_index;  // a power of two, at most half full
};
