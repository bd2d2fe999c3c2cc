// The merged HTML while its inline pictures get new content ids.
//
// Each picture's old id is replaced, without regard to case, everywhere in the text, and the
// next picture counts as inline only when the text so far still links it as "cid:" (exact
// case). Done one replace over the whole text per picture, a large body with many pictures is
// scanned and rebuilt once per picture. Here every occurrence of every old id is found in one
// pass over the text as it came, the replacements are kept as a list of spans, and the text
// is built once at the end. The result is the same as replacing one id after the other: new
// ids are digits, and an old id that starts and ends with a non-digit (and holds no run of
// digits as long as a new id) can neither meet nor span a new id, so its occurrences in the
// renamed text are exactly those of the original text that no earlier replacement touched.
// Ids outside that rule, or any other edit of the text, switch to one replace at a time.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace mTanvelo::road {

class ContentIdRenames {
 public:
  // `ids`: the content ids the text may be asked about (an id not among them is still
  // answered, by a scan of its own).
  ContentIdRenames(std::wstring text, const std::vector<std::wstring>& ids);

  // Whether the text as renamed so far holds "cid:" followed by `id`, in that exact case.
  bool Links(const std::wstring& id);
  // Replaces every occurrence of `id`, without regard to case, from left to right, by `to`.
  void Rename(const std::wstring& id, const std::wstring& to);
  // The text for an edit of another kind; renames after it go one at a time.
  std::wstring& Edit();
  // The text as renamed so far.
  std::wstring Text() const;
  // The same, taken: rebuilt in the buffer the text came in when that has room for it (a
  // large body is then never copied), else built anew.
  std::wstring Take() &&;
  // Whether the renames are still kept as spans (for tests).
  bool Batched() const { return batched_; }

 private:
  struct Span {
    size_t length;
    std::wstring to;
  };
  void Unbatch();
  bool FindByAnchors(const std::vector<std::wstring>& patterns,
                     const std::vector<std::vector<size_t>*>& found) const;
  void FindByHeads(const std::vector<std::wstring>& patterns,
                   const std::vector<std::vector<size_t>*>& found) const;
  bool Touches(size_t from, size_t length) const;

  std::wstring text_;  // as it came while batched, else the renamed text itself
  bool batched_ = false;
  size_t longestDigitRun_ = 0;
  // Lower-cased id -> every start of it in the original text, overlapping ones included.
  std::unordered_map<std::wstring, std::vector<size_t>> starts_;
  std::map<size_t, Span> spans_;  // by start in the original text
};

}  // namespace mTanvelo::road
