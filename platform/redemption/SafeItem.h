// Redemption's safe items: the guarded members of an Outlook item (bodies, sender,
// recipients, attachments, MAPI properties) without security prompts, over the item's own
// property store.
#pragma once

#include <memory>
#include <string>

#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace redemption {

using outlook::PropValue;

class SafeItem {
 public:
  virtual ~SafeItem() = default;
  // Item = the Outlook item; nullptr releases it.
  void SetItem(std::shared_ptr<outlook::Item> item) { item_ = std::move(item); }
  std::shared_ptr<outlook::Item> Item() const { return item_; }

  std::wstring Subject() const;
  void SetSubject(const std::wstring& subject);
  std::wstring Body() const;
  void SetBody(const std::wstring& text);
  // PR_HTML as stored: empty for a plain or RTF item.
  std::wstring HTMLBody() const;
  void SetHTMLBody(const std::wstring& html);
  std::wstring RTFBody() const;
  void SetRTFBody(const std::wstring& rtf);
  int32_t BodyFormat() const;
  std::wstring SenderName() const;
  std::wstring SenderEmailAddress() const;
  std::shared_ptr<outlook::Recipients> Recipients() const;
  std::shared_ptr<outlook::Attachments> Attachments() const;
  // MAPI properties by tag; a missing property reads as empty.
  PropValue Fields(uint32_t tag) const;
  void SetFields(uint32_t tag, PropValue value);
  // The tag (without type) of a named property; 0 when it does not exist and is not to be
  // created.
  uint32_t GetIDsFromNames(const std::wstring& guid, int32_t id, bool create = false) const;
  uint32_t GetIDsFromNames(const std::wstring& guid, const std::wstring& name,
                           bool create = false) const;
  void Save();
  // Submits without the security prompt and without Outlook's Send event.
  void Send();

 protected:
  outlook::Item& Bound() const;

 private:
  std::shared_ptr<outlook::Item> item_;
};

class SafeMailItem : public SafeItem {};
class SafePostItem : public SafeItem {};

class SafeContactItem : public SafeItem {
 public:
  std::wstring FullName() const;
  std::wstring FirstName() const;
  std::wstring MiddleName() const;
  std::wstring LastName() const;
  std::wstring Initials() const;
  std::wstring NickName() const;
  std::wstring CompanyName() const;
  std::wstring Email1Address() const;
  std::wstring Email2Address() const;
  std::wstring Email3Address() const;
};

}  // namespace redemption
