#include "platform/redemption/SafeInspector.h"

#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Inspector.h"
#include "platform/vb/Error.h"

namespace redemption {

std::wstring PlainTextEditor::SelText() const {
  return inspector_->SelectedText();
}

std::wstring RTFEditor::RTFSelText() const {
  std::wstring text = inspector_->SelectedText();
  return text.empty() ? L"" : outlook::body::TextToRtf(text);
}

std::wstring HTMLSelection::Type() const {
  return inspector_->SelectionType();
}

std::shared_ptr<HTMLRange> HTMLSelection::createRange() const {
  return std::make_shared<HTMLRange>(inspector_->SelectedHtml());
}

std::shared_ptr<HTMLSelection> HTMLEditor::Selection() const {
  return std::make_shared<HTMLSelection>(inspector_);
}

namespace {
const outlook::Inspector& Bound(const std::shared_ptr<outlook::Inspector>& i) {
  if (!i) vb::Raise(outlook::kErrFailed, L"Item property of the safe inspector is not set.");
  return *i;
}
}  // namespace

std::shared_ptr<PlainTextEditor> SafeInspector::PlainTextEditor() const {
  if (Bound(inspector_).EditorType() != outlook::olEditorText) return nullptr;
  return std::make_shared<redemption::PlainTextEditor>(inspector_);
}

std::shared_ptr<RTFEditor> SafeInspector::RTFEditor() const {
  if (Bound(inspector_).EditorType() != outlook::olEditorRTF) return nullptr;
  return std::make_shared<redemption::RTFEditor>(inspector_);
}

std::shared_ptr<HTMLEditor> SafeInspector::HTMLEditor() const {
  if (Bound(inspector_).EditorType() != outlook::olEditorHTML) return nullptr;
  return std::make_shared<redemption::HTMLEditor>(inspector_);
}

}  // namespace redemption
