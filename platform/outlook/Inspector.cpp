#include "platform/outlook/Inspector.h"

#include <algorithm>

#include "platform/outlook/Application.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/WindowBars.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/vb/Runtime.h"

namespace outlook {

Inspector::Inspector(std::weak_ptr<outlook::Application> app, std::shared_ptr<Item> item)
    : app_(std::move(app)), item_(std::move(item)) {}

std::shared_ptr<Item> Inspector::CurrentItem() const {
  TV_FAULT_POINT(Outlook);
  if (closed_ || !item_ || item_->IsDead())
    vb::Raise(kErrObjectDeleted, L"The item has been moved or deleted.");
  return item_->Handle();
}

int32_t Inspector::EditorType() const {
  auto item = CurrentItem();
  auto app = app_.lock();
  if (app && app->WordMail() && item->Class() == olMail) return olEditorWord;
  if (app && MajorVersion(app->Version()) < 10) return olEditorText;
  switch (item->BodyFormat()) {
    case olFormatHTML:
      return olEditorHTML;
    case olFormatRichText:
      return olEditorRTF;
  }
  return olEditorText;
}

std::wstring Inspector::Caption() const {
  std::wstring subject = CurrentItem()->Subject();
  return (subject.empty() ? L"Untitled" : subject) + L" - Message";
}

void Inspector::Activate() {
  CurrentItem();
  if (auto app = app_.lock()) app->SetActiveInspector(shared_from_this());
  events_.Activate.Raise();
}

void Inspector::Close(int32_t saveMode) {
  if (closed_) return;
  auto item = item_;
  if (item && !item->IsDead()) {
    // The item hears Close first, while it can still save itself and spare the question;
    // only a close that may ask (a user's, or olPromptForSave) can be cancelled.
    bool cancel = false;
    item->Events().Close.Raise(cancel);
    if (cancel && saveMode == olPromptForSave) return;
    if (item->IsDead()) {
      // A handler moved or deleted it: nothing is left to save.
    } else if (saveMode == olPromptForSave && !item->Saved()) {
      int32_t answer = vb::MsgBox(L"Do you want to save changes?", 3 + 48, L"Microsoft Outlook");
      if (answer == vb::vbCancel) return;
      if (answer == vb::vbYes)
        item->Save();
      else
        item->DiscardChanges();
    } else if (saveMode == olSave) {
      item->Save();
    } else if (saveMode == olDiscard) {
      item->DiscardChanges();
    }
  }
  Shut();
}

void Inspector::CloseSent() {
  if (closed_) return;
  bool cancel = false;
  if (item_ && !item_->IsDead()) item_->Events().Close.Raise(cancel);
  Shut();
}

void Inspector::Shut() {
  auto item = item_;
  auto self = shared_from_this();  // the collection may hold the last reference
  events_.Close.Raise();
  closed_ = true;
  if (item) item->SetInspector(nullptr);
  // The window was the last to hold it: what was not saved is gone.
  if (item && item->holders_ == 0 && item->filed_) item->DiscardChanges();
  if (auto app = app_.lock()) app->Inspectors()->Remove(this);
}

void Inspector::SetSelection(int32_t start, int32_t length) {
  int32_t size = static_cast<int32_t>(CurrentItem()->StoredBody().size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
  caret_ = selStart_ + selLength_;
}

void Inspector::SetCaret(int32_t position) {
  SetSelection(position, 0);
}

std::wstring Inspector::SelectedText() const {
  auto item = CurrentItem();
  const std::wstring& text = item->StoredBody();
  if (selStart_ >= static_cast<int32_t>(text.size())) return L"";
  return text.substr(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_));
}

std::wstring Inspector::SelectedHtml() const {
  return body::HtmlEscape(SelectedText());
}

void Inspector::TypeText(const std::wstring& text) {
  auto item = CurrentItem();
  // The new text is built once at its size from the stored one (not from a copy of it), which
  // goes when it is replaced.
  const std::wstring& old = item->StoredBody();
  const size_t start = std::min(static_cast<size_t>(selStart_), old.size());
  const size_t end = start + std::min(static_cast<size_t>(selLength_), old.size() - start);
  // Outlook 2000 has no BodyFormat to ask: its editor keeps the body as text.
  bool html = false;
  try {
    html = item->BodyFormat() == olFormatHTML;
  } catch (const vb::Error&) {
  }
  size_t typed = text.size();
  if (html) {
    // The HTML editor types into the markup, which keeps its formatting and inline pictures.
    for (size_t k = 0; k < text.size(); ++k)
      if ((text[k] == L'\r' && (k + 1 == text.size() || text[k + 1] != L'\n')) ||
          (text[k] == L'\n' && (k == 0 || text[k - 1] != L'\r')))
        ++typed;  // a line break shows as CR LF
    item->SetHTMLBody(body::TypeIntoHtml(item->HTMLBody(), start, end - start, text));
  } else {
    std::wstring body;
    body.reserve(old.size() - (end - start) + text.size());
    body.append(old, 0, start).append(text).append(old, end, std::wstring::npos);
    item->SetBody(std::move(body));
  }
  selStart_ = static_cast<int32_t>(start + typed);
  selLength_ = 0;
  caret_ = selStart_;
}

std::shared_ptr<Inspector> Inspectors::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return list_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Inspector> Inspectors::Add(const std::shared_ptr<outlook::Item>& item, bool show) {
  auto inspector = std::make_shared<Inspector>(app_, item);
  inspector->SetCommandBars(MakeCommandBars(inspector));
  item->SetInspector(inspector);
  list_.push_back(inspector);
  NewInspector.Raise(inspector);
  if (show && !inspector->IsClosed()) inspector->Activate();
  return inspector;
}

void Inspectors::Remove(const Inspector* inspector) {
  std::erase_if(list_, [&](auto& i) { return i.get() == inspector; });
}

}  // namespace outlook
