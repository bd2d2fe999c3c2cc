#include "platform/outlook/Attachments.h"

#include "platform/outlook/Files.h"
#include "platform/outlook/Item.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/win32/CodePage.h"

namespace outlook {

namespace {
constexpr size_t kMaxPath = 260;

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
}  // namespace

int32_t Attachment::Position() const {
  return props_.Long(PR_RENDERING_POSITION, 0);
}

void Attachment::SetPosition(int32_t position) {
  props_.Set(PR_RENDERING_POSITION, position);
  if (auto o = owner_.lock()) o->Changed();
}

int32_t Attachment::Index() const {
  auto o = owner_.lock();
  return o ? o->IndexOf(this) : 0;
}

void Attachment::SaveAsFile(const std::wstring& path) const {
  TV_FAULT_POINT(Outlook);
  if (path.empty() || path.size() >= kMaxPath)
    vb::Raise(kErrFailed, L"Cannot save the attachment. Path does not exist.");
  std::vector<uint8_t> embedded;
  if (type_ == olEmbeddeditem && embedded_) {
    std::string text = win32::ToAnsi(embedded_->Subject() + L"\r\n" + embedded_->Body());
    embedded.assign(text.begin(), text.end());
  }
  if (!files::Write(path, type_ == olEmbeddeditem && embedded_ ? embedded : *data_))
    vb::Raise(kErrFailed, L"Cannot save the attachment. Cannot create file: " + FileNameOf(path));
}

void Attachment::Delete() {
  auto o = owner_.lock();
  if (!o) vb::Raise(kErrObjectDeleted, L"The attachment has been deleted.");
  o->Remove(o->IndexOf(this));
}

PropValue Attachment::Fields(uint32_t tag) const {
  switch (tag) {
    case PR_ATTACH_METHOD:
      return type_ == olEmbeddeditem ? 5 : type_ == olOLE ? 6 : 1;
    case PR_ATTACH_LONG_FILENAME:
      return fileName_;
    case PR_DISPLAY_NAME:
      return displayName_;
  }
  return props_.Get(tag);
}

void Attachment::SetFields(uint32_t tag, PropValue value) {
  props_.Set(tag, std::move(value));
  if (auto o = owner_.lock()) o->Changed();
}

std::shared_ptr<Attachment> Attachments::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return list_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Attachment> Attachments::Add(const std::wstring& source, int32_t type,
                                             int32_t position, const std::wstring& displayName) {
  TV_FAULT_POINT(Outlook);
  if (type != olByValue && type != olByReference)
    vb::Raise(kErrFailed,
              L"Could not complete the operation. One or more parameter values are not valid.");
  auto data = files::Read(source);
  if (!data)
    vb::Raise(kErrFailed, L"Cannot find this file. Verify the path and file name are correct.");
  auto a = AddData(FileNameOf(source), std::move(*data), olByValue);
  if (!displayName.empty()) a->displayName_ = displayName;
  if (position) a->props_.Set(PR_RENDERING_POSITION, position);
  return a;
}

std::shared_ptr<Attachment> Attachments::AddItem(const std::shared_ptr<outlook::Item>& embedded,
                                                 int32_t position) {
  if (!embedded) vb::Raise(vb::kObjectVariableNotSet);
  auto a = std::make_shared<Attachment>();
  a->owner_ = weak_from_this();
  a->type_ = olEmbeddeditem;
  a->embedded_ = embedded->Snapshot();
  a->displayName_ = embedded->Subject();
  if (position) a->props_.Set(PR_RENDERING_POSITION, position);
  list_.push_back(a);
  Changed();
  return a;
}

std::shared_ptr<Attachment> Attachments::AddData(const std::wstring& fileName,
                                                 std::vector<uint8_t> data, int32_t type) {
  auto a = std::make_shared<Attachment>();
  a->owner_ = weak_from_this();
  a->type_ = type;
  a->fileName_ = fileName;
  a->displayName_ = fileName;
  a->data_ = std::make_shared<const std::vector<uint8_t>>(std::move(data));
  list_.push_back(a);
  Changed();
  return a;
}

void Attachments::Remove(int32_t index) {
  if (index < 1 || index > Count()) vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  list_.erase(list_.begin() + (index - 1));
  Changed();
}

void Attachments::Changed() {
  if (auto item = item_.lock()) item->MarkChanged();
}

int32_t Attachments::IndexOf(const Attachment* a) const {
  for (size_t i = 0; i < list_.size(); ++i)
    if (list_[i].get() == a) return static_cast<int32_t>(i + 1);
  return 0;
}

void Attachments::CopyFrom(const Attachments& other) {
  for (auto& a : other.list_) {
    auto copy = std::make_shared<Attachment>(*a);
    copy->owner_ = weak_from_this();
    list_.push_back(copy);
  }
}

void Attachments::CopyInlineFrom(const Attachments& other, const std::wstring& html) {
  const std::wstring text = Lower(html);
  for (auto& a : other.list_) {
    const PropValue id = a->props_.Get(PR_ATTACH_CONTENT_ID);
    auto* cid = std::get_if<std::wstring>(&id);
    if (!cid || cid->empty() || text.find(L"cid:" + Lower(*cid)) == std::wstring::npos) continue;
    auto copy = std::make_shared<Attachment>(*a);
    copy->owner_ = weak_from_this();
    list_.push_back(copy);
  }
}

}  // namespace outlook
