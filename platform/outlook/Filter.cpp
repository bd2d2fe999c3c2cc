#include "platform/outlook/Filter.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace outlook {

struct Filter::Node {
  enum Kind { kAnd, kOr, kNot, kCond } kind = kCond;
  std::vector<std::unique_ptr<Node>> children;
  std::wstring property, op;
  PropValue value;
};

namespace {

[[noreturn]] void ParseError(const std::wstring& text, size_t at) {
  vb::Raise(kErrCannotParse, L"Cannot parse condition. Error at \"" +
                                 text.substr(std::min(at, text.size())) + L"\".");
}

class Parser {
 public:
  explicit Parser(const std::wstring& text) : t_(text) {}

  std::unique_ptr<Filter::Node> Parse() {
    auto node = Or();
    Blank();
    if (i_ != t_.size()) ParseError(t_, i_);
    return node;
  }

 private:
  void Blank() {
    while (i_ < t_.size() && std::iswspace(t_[i_])) ++i_;
  }

  bool Keyword(const wchar_t* word) {
    Blank();
    size_t n = std::wcslen(word);
    if (t_.size() - i_ < n || !SameText(t_.substr(i_, n), word)) return false;
    if (i_ + n < t_.size() && (std::iswalnum(t_[i_ + n]) || t_[i_ + n] == L'_')) return false;
    i_ += n;
    return true;
  }

  std::unique_ptr<Filter::Node> Join(Filter::Node::Kind kind,
                                     std::unique_ptr<Filter::Node> (Parser::*next)(),
                                     const wchar_t* word) {
    auto first = (this->*next)();
    if (!Keyword(word)) return first;
    auto node = std::make_unique<Filter::Node>();
    node->kind = kind;
    node->children.push_back(std::move(first));
    do node->children.push_back((this->*next)());
    while (Keyword(word));
    return node;
  }

  std::unique_ptr<Filter::Node> Or() { return Join(Filter::Node::kOr, &Parser::And, L"or"); }
  std::unique_ptr<Filter::Node> And() { return Join(Filter::Node::kAnd, &Parser::Unary, L"and"); }

  // Far deeper than any filter a program writes; deeper input is refused before it can
  // exhaust the stack.
  static constexpr int kMaxDepth = 200;

  std::unique_ptr<Filter::Node> Unary() {
    if (++depth_ > kMaxDepth) ParseError(t_, i_);
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{depth_};
    if (Keyword(L"not")) {
      auto node = std::make_unique<Filter::Node>();
      node->kind = Filter::Node::kNot;
      node->children.push_back(Unary());
      return node;
    }
    Blank();
    if (i_ < t_.size() && t_[i_] == L'(') {
      ++i_;
      auto node = Or();
      Blank();
      if (i_ >= t_.size() || t_[i_] != L')') ParseError(t_, i_);
      ++i_;
      return node;
    }
    return Condition();
  }

  std::unique_ptr<Filter::Node> Condition() {
    auto node = std::make_unique<Filter::Node>();
    Blank();
    if (i_ >= t_.size() || t_[i_] != L'[') ParseError(t_, i_);
    size_t close = t_.find(L']', i_);
    if (close == std::wstring::npos) ParseError(t_, i_);
    node->property = t_.substr(i_ + 1, close - i_ - 1);
    i_ = close + 1;
    Blank();
    static const wchar_t* kOps[] = {L"<>", L"<=", L">=", L"=", L"<", L">"};
    for (const wchar_t* op : kOps) {
      if (t_.compare(i_, std::wcslen(op), op) == 0) {
        node->op = op;
        i_ += std::wcslen(op);
        break;
      }
    }
    if (node->op.empty()) ParseError(t_, i_);
    node->value = Value();
    return node;
  }

  PropValue Value() {
    Blank();
    if (i_ >= t_.size()) ParseError(t_, i_);
    wchar_t quote = t_[i_];
    if (quote == L'\'' || quote == L'"') {
      std::wstring text;
      for (++i_;; ++i_) {
        if (i_ >= t_.size()) ParseError(t_, i_);  // unbalanced apostrophe
        if (t_[i_] == quote) {
          if (i_ + 1 < t_.size() && t_[i_ + 1] == quote) {
            text += quote;
            ++i_;
            continue;
          }
          ++i_;
          return text;
        }
        text += t_[i_];
      }
    }
    if (Keyword(L"true")) return true;
    if (Keyword(L"false")) return false;
    size_t start = i_;
    if (t_[i_] == L'-') ++i_;
    while (i_ < t_.size() && std::iswdigit(t_[i_])) ++i_;
    if (i_ == start) ParseError(t_, i_);
    return static_cast<int32_t>(std::stol(t_.substr(start, i_ - start)));
  }

  const std::wstring& t_;
  size_t i_ = 0;
  int depth_ = 0;
};

int Compare(const PropValue& a, const PropValue& b) {
  auto number = [](const PropValue& v) -> std::optional<double> {
    if (auto* n = std::get_if<int32_t>(&v)) return *n;
    if (auto* f = std::get_if<bool>(&v)) return *f ? -1 : 0;  // True is -1 in filters
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (std::holds_alternative<std::monostate>(v)) return 0;
    return std::nullopt;
  };
  static const std::wstring kEmpty;
  auto text = [](const PropValue& v) -> const std::wstring& {
    if (auto* s = std::get_if<std::wstring>(&v)) return *s;
    return kEmpty;
  };
  auto na = number(a), nb = number(b);
  if (na && nb) return *na < *nb ? -1 : *na > *nb ? 1 : 0;
  // Lower case compared character by character, as comparing the lower-cased texts would.
  const std::wstring &sa = text(a), &sb = text(b);
  const size_t n = std::min(sa.size(), sb.size());
  for (size_t i = 0; i < n; ++i) {
    if (sa[i] == sb[i]) continue;
    wchar_t ca = vb::LowerChar(sa[i]), cb = vb::LowerChar(sb[i]);
    if (ca != cb) return std::char_traits<wchar_t>::lt(ca, cb) ? -1 : 1;
  }
  return sa.size() < sb.size() ? -1 : sa.size() > sb.size() ? 1 : 0;
}

bool Evaluate(const Filter::Node& node, const Filter::StoredLookup& lookup) {
  switch (node.kind) {
    case Filter::Node::kAnd:
      for (auto& c : node.children)
        if (!Evaluate(*c, lookup)) return false;
      return true;
    case Filter::Node::kOr:
      for (auto& c : node.children)
        if (Evaluate(*c, lookup)) return true;
      return false;
    case Filter::Node::kNot:
      return !Evaluate(*node.children[0], lookup);
    case Filter::Node::kCond:
      break;
  }
  PropValue scratch;
  const PropValue* value = lookup(node.property, scratch);
  if (!value) {
    vb::Raise(kErrCannotParse,
              L"The property \"" + node.property + L"\" in the condition is not valid.");
  }
  // An empty string property compares as empty text, not as 0.
  static const PropValue kEmptyText = std::wstring();
  if (std::holds_alternative<std::monostate>(*value) &&
      std::holds_alternative<std::wstring>(node.value))
    value = &kEmptyText;
  int c = Compare(*value, node.value);
  const std::wstring& op = node.op;
  if (op == L"=") return c == 0;
  if (op == L"<>") return c != 0;
  if (op == L"<") return c < 0;
  if (op == L"<=") return c <= 0;
  if (op == L">") return c > 0;
  return c >= 0;
}

}  // namespace

Filter::Filter(const std::wstring& text) : root_(Parser(text).Parse()) {
  if (root_->kind == Node::kCond && root_->op == L"=")
    if (auto* value = std::get_if<std::wstring>(&root_->value))
      sole_ = std::make_unique<std::pair<std::wstring, std::wstring>>(root_->property, *value);
}
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;

bool Filter::Matches(const Lookup& lookup) const {
  return Evaluate(*root_, [&](const std::wstring& name, PropValue& scratch) -> const PropValue* {
    auto value = lookup(name);
    if (!value) return nullptr;
    scratch = std::move(*value);
    return &scratch;
  });
}

bool Filter::MatchesStored(const StoredLookup& lookup) const {
  return Evaluate(*root_, lookup);
}

std::vector<std::wstring> Filter::Properties() const {
  std::vector<std::wstring> names;
  std::vector<const Node*> stack{root_.get()};
  while (!stack.empty()) {
    const Node* node = stack.back();
    stack.pop_back();
    if (node->kind == Node::kCond) names.push_back(node->property);
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
      stack.push_back(it->get());
  }
  return names;
}

}  // namespace outlook
