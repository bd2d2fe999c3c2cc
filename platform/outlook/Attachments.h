// Attachments of an item: files by value, embedded items and inline pictures (a content id
// in the attachment's MAPI properties).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace outlook {

class Attachment {
 public:
  int32_t Type() const { return type_; }
  const std::wstring& FileName() const { return fileName_; }
  const std::wstring& DisplayName() const { return displayName_; }
  void SetDisplayName(const std::wstring& name) { displayName_ = name; }
  int32_t Position() const;
  void SetPosition(int32_t position);
  int32_t Index() const;
  // Writes the content to a file; raises on an empty or too long path (MAX_PATH) or when
  // the file cannot be written.
  void SaveAsFile(const std::wstring& path) const;
  void Delete();

  // Redemption's view: PR_ATTACH_CONTENT_ID, PR_RENDERING_POSITION, PR_ATTACH_FLAGS and the
  // others by tag.
  PropValue Fields(uint32_t tag) const;
  void SetFields(uint32_t tag, PropValue value);

  const std::vector<uint8_t>& Data() const { return *data_; }
  // Whether both attachments hold the very same bytes (copies share them; for tests).
  bool SharesData(const Attachment& other) const { return data_ == other.data_; }
  std::shared_ptr<outlook::Item> EmbeddedItem() const { return embedded_; }

 private:
  friend class Attachments;
  std::weak_ptr<Attachments> owner_;
  int32_t type_ = olByValue;
  std::wstring fileName_, displayName_;
  // The content never changes once added, so copies of the item share it.
  std::shared_ptr<const std::vector<uint8_t>> data_ =
      std::make_shared<const std::vector<uint8_t>>();
  std::shared_ptr<outlook::Item> embedded_;
  PropertyBag props_;
};

class Attachments : public std::enable_shared_from_this<Attachments> {
 public:
  explicit Attachments(std::weak_ptr<outlook::Item> item) : item_(std::move(item)) {}

  int32_t Count() const { return static_cast<int32_t>(list_.size()); }
  std::shared_ptr<Attachment> Item(int32_t index) const;
  // A file path (read now, so the file may go right after) for olByValue, or with
  // `embedded` an item for olEmbeddeditem. Raises when the file cannot be read.
  std::shared_ptr<Attachment> Add(const std::wstring& source, int32_t type = olByValue,
                                  int32_t position = 0, const std::wstring& displayName = L"");
  std::shared_ptr<Attachment> AddItem(const std::shared_ptr<outlook::Item>& embedded,
                                      int32_t position = 0);
  // A ready-made attachment from bytes (the profile builder, pictures of HTML mail).
  std::shared_ptr<Attachment> AddData(const std::wstring& fileName, std::vector<uint8_t> data,
                                      int32_t type = olByValue);
  void Remove(int32_t index);
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  void Changed();
  int32_t IndexOf(const Attachment* a) const;
  void CopyFrom(const Attachments& other);
  // Only those with a content id that `html` links to as "cid:".
  void CopyInlineFrom(const Attachments& other, const std::wstring& html);

 private:
  std::weak_ptr<outlook::Item> item_;
  std::vector<std::shared_ptr<Attachment>> list_;
};

}  // namespace outlook
