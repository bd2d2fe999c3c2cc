// Redemption's SafeInspector: the selection in an inspector's plain, RTF or HTML editor.
#pragma once

#include <memory>
#include <string>

#include "platform/outlook/Forward.h"

namespace redemption {

class PlainTextEditor {
 public:
  explicit PlainTextEditor(std::shared_ptr<outlook::Inspector> i) : inspector_(std::move(i)) {}
  std::wstring SelText() const;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class RTFEditor {
 public:
  explicit RTFEditor(std::shared_ptr<outlook::Inspector> i) : inspector_(std::move(i)) {}
  // The selection as an RTF document; empty when nothing is selected.
  std::wstring RTFSelText() const;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class HTMLRange {
 public:
  explicit HTMLRange(std::wstring html) : html_(std::move(html)) {}
  const std::wstring& htmlText() const { return html_; }

 private:
  std::wstring html_;
};

class HTMLSelection {
 public:
  explicit HTMLSelection(std::shared_ptr<outlook::Inspector> i) : inspector_(std::move(i)) {}
  // "Text", or "None" when nothing is selected.
  std::wstring Type() const;
  std::shared_ptr<HTMLRange> createRange() const;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class HTMLEditor {
 public:
  explicit HTMLEditor(std::shared_ptr<outlook::Inspector> i) : inspector_(std::move(i)) {}
  std::shared_ptr<HTMLSelection> Selection() const;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class SafeInspector {
 public:
  void SetItem(std::shared_ptr<outlook::Inspector> inspector) { inspector_ = std::move(inspector); }
  std::shared_ptr<outlook::Inspector> Item() const { return inspector_; }
  // Each is nothing unless the inspector uses that editor.
  std::shared_ptr<redemption::PlainTextEditor> PlainTextEditor() const;
  std::shared_ptr<redemption::RTFEditor> RTFEditor() const;
  std::shared_ptr<redemption::HTMLEditor> HTMLEditor() const;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

}  // namespace redemption
