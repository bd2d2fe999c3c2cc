#include "engine/ContentIdRenames.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwchar>
#include <iterator>

#include "engine/RoadSupport.h"

namespace mTanvelo::road {
namespace {

// The same folding as FindNoCase: ASCII letters only.
wchar_t Fold(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c;
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

bool IsLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Which character without case to look for: "@" is rare in a body, digits are common.
int Rank(wchar_t c) {
  return c == L'@' ? 0 : IsDigit(c) ? 2 : 1;
}

std::wstring Folded(const std::wstring& text) {
  std::wstring out(text);
  for (auto& c : out) c = Fold(c);
  return out;
}

size_t LongestDigitRun(const std::wstring& text) {
  size_t longest = 0, run = 0;
  for (wchar_t c : text) {
    run = IsDigit(c) ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

// An id that cannot meet a run of digits put into the text around it (and long enough for
// the search below).
bool Batchable(const std::wstring& id) {
  return id.size() >= 4 && !IsDigit(id.front()) && !IsDigit(id.back());
}

constexpr uint32_t kHashBits = 1u << 16;
constexpr uint32_t Hash(uint32_t head) {
  return (head * 2654435761u) >> 16;
}

}  // namespace

ContentIdRenames::ContentIdRenames(std::wstring text, const std::vector<std::wstring>& ids)
    : text_(std::move(text)) {
  std::vector<std::wstring> patterns;
  for (const auto& id : ids) {
    if (!Batchable(id)) return;  // stays one replace at a time
    std::wstring folded = Folded(id);
    if (starts_.try_emplace(folded).second) patterns.push_back(std::move(folded));
    longestDigitRun_ = std::max(longestDigitRun_, LongestDigitRun(id));
  }
  batched_ = true;
  if (patterns.empty()) return;
  std::vector<std::vector<size_t>*> found;
  for (const auto& pattern : patterns) found.push_back(&starts_[pattern]);
  if (!FindByAnchors(patterns, found)) FindByHeads(patterns, found);
}

// Every id holds a character without case (the "@" of most content ids): the library's fast
// search finds each of those few characters, and only there is an id compared.
bool ContentIdRenames::FindByAnchors(const std::vector<std::wstring>& patterns,
                                     const std::vector<std::vector<size_t>*>& found) const {
  std::vector<size_t> offsets;
  std::vector<wchar_t> anchors;
  for (const auto& p : patterns) {
    size_t best = std::wstring::npos;
    for (size_t j = 0; j < p.size(); ++j) {
      if (IsLetter(p[j])) continue;
      if (best == std::wstring::npos || Rank(p[j]) < Rank(p[best])) best = j;
    }
    if (best == std::wstring::npos) return false;
    offsets.push_back(best);
    if (std::find(anchors.begin(), anchors.end(), p[best]) == anchors.end())
      anchors.push_back(p[best]);
  }
  if (anchors.size() > 3) return false;
  const wchar_t* t = text_.data();
  const size_t n = text_.size();
  std::vector<std::vector<size_t>> hits(patterns.size());
  for (wchar_t anchor : anchors) {
    for (const wchar_t* q = std::wmemchr(t, anchor, n); q;
         q = std::wmemchr(q + 1, anchor, n - static_cast<size_t>(q + 1 - t))) {
      const size_t at = static_cast<size_t>(q - t);
      for (size_t k = 0; k < patterns.size(); ++k) {
        const std::wstring& p = patterns[k];
        if (p[offsets[k]] != anchor || at < offsets[k] || at - offsets[k] + p.size() > n) continue;
        const size_t from = at - offsets[k];
        size_t j = 0;
        while (j < p.size() && Fold(t[from + j]) == p[j]) ++j;
        if (j == p.size()) found[k]->push_back(from);
      }
      if (static_cast<size_t>(q + 1 - t) >= n) break;
    }
  }
  for (auto* starts : found) std::sort(starts->begin(), starts->end());
  return true;
}

// One pass: a bit per hash of four folded characters picks the places worth comparing.
void ContentIdRenames::FindByHeads(const std::vector<std::wstring>& patterns,
                                   const std::vector<std::vector<size_t>*>& found) const {
  std::vector<uint64_t> bits(kHashBits / 64);
  std::unordered_map<uint32_t, std::vector<size_t>> byHead;
  for (size_t k = 0; k < patterns.size(); ++k) {
    uint32_t head = 0;
    for (size_t j = 0; j < 4; ++j)
      head = head << 7 | (static_cast<uint32_t>(patterns[k][j]) & 0x7F);
    bits[Hash(head) / 64] |= uint64_t{1} << (Hash(head) % 64);
    byHead[head].push_back(k);
  }
  const wchar_t* t = text_.data();
  const size_t n = text_.size();
  uint32_t head = 0;
  for (size_t i = 0; i < n; ++i) {
    head = (head << 7 | (static_cast<uint32_t>(Fold(t[i])) & 0x7F)) & 0x0FFFFFFF;
    const uint32_t h = Hash(head);
    if (i < 3 || !(bits[h / 64] >> (h % 64) & 1)) continue;
    auto bucket = byHead.find(head);
    if (bucket == byHead.end()) continue;
    const size_t at = i - 3;
    for (size_t k : bucket->second) {
      const std::wstring& p = patterns[k];
      if (at + p.size() > n) continue;
      size_t j = 0;
      while (j < p.size() && Fold(t[at + j]) == p[j]) ++j;
      if (j == p.size()) found[k]->push_back(at);
    }
  }
}

bool ContentIdRenames::Touches(size_t from, size_t length) const {
  auto after = spans_.lower_bound(from + length);
  if (after == spans_.begin()) return false;
  auto before = std::prev(after);
  return before->first + before->second.length > from;
}

bool ContentIdRenames::Links(const std::wstring& id) {
  if (batched_ && starts_.count(Folded(id)) == 0) Unbatch();
  if (!batched_) return text_.find(L"cid:" + id) != std::wstring::npos;
  static constexpr std::wstring_view kCid = L"cid:";
  for (size_t at : starts_[Folded(id)]) {
    if (at < kCid.size() || text_.compare(at - kCid.size(), kCid.size(), kCid) != 0 ||
        text_.compare(at, id.size(), id) != 0)
      continue;
    if (!Touches(at - kCid.size(), kCid.size() + id.size())) return true;
  }
  return false;
}

void ContentIdRenames::Rename(const std::wstring& id, const std::wstring& to) {
  if (batched_) {
    // The new id must be digits, longer than any run of digits in an old one.
    bool digits = !to.empty() && std::all_of(to.begin(), to.end(), IsDigit);
    if (!digits || to.size() <= longestDigitRun_ || starts_.count(Folded(id)) == 0) Unbatch();
  }
  if (!batched_) {
    text_ = ReplaceNoCase(std::move(text_), id, to);
    return;
  }
  size_t next = 0;  // a replace goes on after the text it replaced
  for (size_t at : starts_[Folded(id)]) {
    if (at < next || Touches(at, id.size())) continue;
    spans_.emplace(at, Span{id.size(), to});
    next = at + id.size();
  }
}

std::wstring& ContentIdRenames::Edit() {
  Unbatch();
  return text_;
}

std::wstring ContentIdRenames::Text() const {
  if (!batched_ || spans_.empty()) return text_;
  std::wstring out;
  size_t size = text_.size();
  for (const auto& [at, span] : spans_) size = size - span.length + span.to.size();
  out.reserve(size);
  size_t from = 0;
  for (const auto& [at, span] : spans_) {
    out.append(text_, from, at - from);
    out += span.to;
    from = at + span.length;
  }
  out.append(text_, from, std::wstring::npos);
  return out;
}

std::wstring ContentIdRenames::Take() && {
  if (!batched_ || spans_.empty()) return std::move(text_);
  size_t size = text_.size();
  bool grows = true, shrinks = true;
  for (const auto& [at, span] : spans_) {
    size = size - span.length + span.to.size();
    grows = grows && span.to.size() >= span.length;
    shrinks = shrinks && span.to.size() <= span.length;
  }
  if (size > text_.capacity() || !(grows || shrinks)) return Text();
  using Traits = std::wstring::traits_type;
  if (grows) {
    // From the end: every piece moves right, never over a piece not moved yet.
    const size_t old = text_.size();
    text_.resize(size);
    wchar_t* data = text_.data();
    size_t end = old, to = size;
    for (auto it = spans_.rbegin(); it != spans_.rend(); ++it) {
      const auto& [at, span] = *it;
      const size_t tail = end - (at + span.length);
      to -= tail;
      Traits::move(data + to, data + at + span.length, tail);
      to -= span.to.size();
      Traits::copy(data + to, span.to.data(), span.to.size());
      end = at;
    }
  } else {
    // From the start: every piece moves left.
    wchar_t* data = text_.data();
    size_t to = spans_.begin()->first;
    for (auto it = spans_.begin(); it != spans_.end(); ++it) {
      const auto& [at, span] = *it;
      Traits::copy(data + to, span.to.data(), span.to.size());
      to += span.to.size();
      const size_t from = at + span.length;
      auto next = std::next(it);
      const size_t until = next == spans_.end() ? text_.size() : next->first;
      Traits::move(data + to, data + from, until - from);
      to += until - from;
    }
    text_.resize(size);
  }
  spans_.clear();
  starts_.clear();
  batched_ = false;
  return std::move(text_);
}

void ContentIdRenames::Unbatch() {
  if (!batched_) return;
  text_ = Text();
  batched_ = false;
  spans_.clear();
  starts_.clear();
}

}  // namespace mTanvelo::road
