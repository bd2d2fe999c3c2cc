// An Outlook item (mail, post, contact or distribution list): its fields over one MAPI
// property bag, its recipients, attachments and user properties, and what Outlook does when
// it is saved, moved, copied, deleted, sent, opened, answered or forwarded.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"
#include "platform/outlook/Props.h"

namespace outlook {

struct ItemEvents {
  Event<bool&> Send;   // Cancel by reference; raised by Send before the item leaves
  Event<bool&> Write;  // Cancel by reference; raised by Save before the item is stored
  // Cancel by reference; raised first when its inspector closes, before any save. Only a
  // close that may ask (olPromptForSave, the user's) can be cancelled.
  Event<bool&> Close;
};

class Item : public Object, public std::enable_shared_from_this<Item> {
 public:
  // A new, unsaved item of the class in `parent` (where Save will file it).
  static std::shared_ptr<Item> Create(int32_t itemClass, const std::shared_ptr<NameSpace>& session,
                                      const std::shared_ptr<MAPIFolder>& parent);
  ~Item() override;

  int32_t Class() const override;
  std::wstring MessageClass() const;
  void SetMessageClass(const std::wstring& messageClass);
  // "" until the first Save.
  std::wstring EntryID() const;
  std::shared_ptr<MAPIFolder> Parent() const;
  std::shared_ptr<NameSpace> Session() const;
  std::shared_ptr<outlook::Application> Application() const;

  std::wstring Subject() const;
  void SetSubject(const std::wstring& subject);
  // The three bodies follow the body format: the native one is kept, the others are made
  // from it as Outlook makes them.
  std::wstring Body() const;
  void SetBody(std::wstring text);
  std::wstring HTMLBody() const;
  void SetHTMLBody(std::wstring html);
  int32_t BodyFormat() const;
  void SetBodyFormat(int32_t format);
  // The RTF body, which only Redemption reaches (PR_RTF_COMPRESSED, kept as plain RTF text).
  std::wstring RTFBody() const;
  void SetRTFBody(const std::wstring& rtf);

  bool Sent() const;
  bool Saved() const;
  bool UnRead() const;
  void SetUnRead(bool unread);
  std::wstring SenderName() const;
  std::wstring SenderEmailAddress() const;
  std::wstring SenderEmailType() const;
  // Dates as the runtime's Date; 0 when not set.
  double ReceivedTime() const;
  double CreationTime() const;
  std::wstring To() const;
  std::wstring CC() const;
  std::wstring BCC() const;
  std::wstring Mileage() const;
  void SetMileage(const std::wstring& text);
  std::wstring BillingInformation() const;
  void SetBillingInformation(const std::wstring& text);
  int32_t FlagStatus() const;
  void SetFlagStatus(int32_t status);
  // Raises on Outlook 2000, which has no FlagIcon.
  int32_t FlagIcon() const;
  void SetFlagIcon(int32_t icon);

  std::shared_ptr<outlook::Recipients> Recipients();
  std::shared_ptr<outlook::Attachments> Attachments();
  std::shared_ptr<outlook::UserProperties> UserProperties();

  // Raises Write (which may cancel), files a new item in its parent with a new EntryID, then
  // raises the folder's ItemAdd.
  void Save();
  // Stores the item as MAPI does (Redemption's SaveChanges): no Write event; a new item is
  // filed in its parent.
  void SaveChanges();
  // The moved item: this reference is dead afterwards. The EntryID changes across stores,
  // and within a store too while the session's switch asks for it.
  std::shared_ptr<Item> Move(const std::shared_ptr<MAPIFolder>& folder);
  // A saved copy in the same folder, with a new EntryID.
  std::shared_ptr<Item> Copy();
  // Into the store's Deleted Items; from Deleted Items (or unsaved), gone for good.
  void Delete();
  // Raises Send (which may cancel); needs resolved recipients; closes the inspector and
  // files the item in the Outbox.
  void Send();
  // Sends as Redemption does: the same, without raising Send.
  void Submit();
  // Opens (or activates) the item's inspector; a modal display runs the test's script for
  // modal inspectors and returns when it has closed.
  void Display(bool modal = false);
  // Closes the item's inspector: olSave, olDiscard or olPromptForSave.
  void Close(int32_t saveMode);
  std::shared_ptr<Inspector> GetInspector();

  std::shared_ptr<Item> Reply();
  std::shared_ptr<Item> ReplyAll();
  std::shared_ptr<Item> Forward();

  // Contact fields.
  std::wstring FullName() const;
  void SetFullName(const std::wstring& v);
  std::wstring FirstName() const;
  void SetFirstName(const std::wstring& v);
  std::wstring MiddleName() const;
  void SetMiddleName(const std::wstring& v);
  std::wstring LastName() const;
  void SetLastName(const std::wstring& v);
  std::wstring Initials() const;
  void SetInitials(const std::wstring& v);
  std::wstring NickName() const;
  void SetNickName(const std::wstring& v);
  std::wstring CompanyName() const;
  void SetCompanyName(const std::wstring& v);
  // n = 1, 2 or 3.
  std::wstring EmailAddress(int n) const;
  void SetEmailAddress(int n, const std::wstring& address);
  std::wstring Email1Address() const { return EmailAddress(1); }

  // Distribution-list fields: the list's name and its members (entries, lists nest).
  std::wstring DLName() const;
  void SetDLName(const std::wstring& name);
  int32_t MemberCount() const;
  void AddMember(std::shared_ptr<AddressEntry> member);
  // The address entry that stands for this list in the address book.
  std::shared_ptr<AddressEntry> ListEntry() const;

  ItemEvents& Events() { return events_; }

  // The one property store, shared with Redemption. Reads of PR_ENTRYID, PR_DISPLAY_TO/CC/BCC
  // are made from the item; writes of the body tags keep the bodies in step.
  const PropertyBag& Props() const;
  PropValue GetProp(uint32_t tag) const;
  // The same value as stored, shared rather than copied (made afresh when it is derived).
  std::shared_ptr<const PropValue> SharedProp(uint32_t tag) const;
  // Ask the processor ahead of a read (a table walk's coming rows), a step at a time: the
  // item's own fields, then what they point to, then the stored values of the columns.
  void PrefetchFields() const {
    __builtin_prefetch(&entryIdBytes_);
    __builtin_prefetch(&props_);
    __builtin_prefetch(&recipients_);
  }
  void PrefetchProps() const {
    props_.Prefetch();
    __builtin_prefetch(entryIdBytes_.get());
    __builtin_prefetch(recipients_.get());
  }
  void PrefetchProp(uint32_t tag) const {
    if (tag != PR_ENTRYID) return props_.PrefetchValue(tag);
    if (auto* bytes =
            entryIdBytes_ ? std::get_if<std::vector<uint8_t>>(entryIdBytes_.get()) : nullptr)
      __builtin_prefetch(bytes->data());
  }
  void SetProp(uint32_t tag, PropValue value);
  // Redemption's MAPIOBJECT of the item.
  std::shared_ptr<Item> MAPIOBJECT() { return Handle(); }

  // A reference handed to a holder outside the store (a program, a test). While one is held,
  // or the item's window is open, the item keeps its unsaved changes; when the last holder lets
  // go, a filed item is again what was last stored, as it is when Outlook reads it afresh.
  std::shared_ptr<Item> Handle();
  // What the store holds of the item: the item itself while saved (or never filed), else what
  // it was last saved as.
  const Item& Stored() const;

  // Internal.
  void MarkChanged();
  bool IsDead() const { return dead_; }
  bool InFolder() const { return filed_; }
  // A detached copy (an embedded attachment's item).
  std::shared_ptr<Item> Snapshot() const;
  void SetSender(const std::wstring& name, const std::wstring& address, const std::wstring& type);
  void SetReceived(double when);
  void SetSentFlag(bool sent);
  // Saved marks the item as stored as it stands: what a discard goes back to.
  void SetSaved(bool saved);
  // Closed unsaved (olDiscard, or "No" to the question): a filed item goes back to what was
  // last stored; a new one, never stored, keeps nothing to go back to and is left as it is.
  void DiscardChanges();
  void SetInspector(const std::shared_ptr<Inspector>& inspector) { inspector_ = inspector; }
  std::shared_ptr<Inspector> OpenInspector() const { return inspector_.lock(); }
  // The value a filter condition reads for a property name, without copying a stored value:
  // the value itself, or `scratch` holding a value made for the read; nullptr for an unknown
  // name.
  const PropValue* FilterValue(const std::wstring& name, PropValue& scratch) const;
  // Whether Restrict and Find accept the name as a built-in field of any item (the bodies,
  // EntryID and Class are refused); user-defined fields count only on their folder.
  static bool IsFilterField(const std::wstring& name);
  // Whether a filter condition on the name reads the message class.
  static bool IsClassField(const std::wstring& name);

 private:
  Item(int32_t itemClass, std::weak_ptr<NameSpace> session);
  void Live() const;
  void RequireClass(int32_t cls, const wchar_t* member) const;
  std::shared_ptr<Item> CloneInto(const std::shared_ptr<MAPIFolder>& folder) const;
  std::shared_ptr<Item> MakeResponse(int kind);
  void SendImpl(bool raiseEvent);
  void FileInto(const std::shared_ptr<MAPIFolder>& folder, bool newId);
  void SetBodies(int32_t format, std::wstring plain, std::wstring html, std::wstring rtf);
  void SetText(uint32_t tag, const std::wstring& value);
  // The plain body of an HTML item is made from the HTML when it is first read, not at every
  // write of the HTML.
  void DerivePlain() const;
  // The plain body as stored (made first if due), for reads within the substitute that need
  // no copy of it.
  const std::wstring& StoredBody() const;
  // A plain item made HTML keeps its text and makes the HTML from it when read: each read
  // makes it afresh, and only a read of the whole property bag stores it.
  std::wstring DueHtml() const;
  void StoreDueHtml() const;
  // A stored text as it is ("" when the item holds none).
  const std::wstring& StoredText(uint32_t tag) const;
  // The folder's index of classes no longer holds.
  void NoteReclass() const;
  uint32_t NamedTag(const wchar_t* guid, int32_t lid, uint32_t type) const;
  void KeepSaved();
  void LetGo() noexcept;
  struct Holder;

  int32_t class_;
  std::weak_ptr<NameSpace> session_;
  std::weak_ptr<MAPIFolder> parent_;
  std::wstring entryId_;
  // PR_ENTRYID, made when the EntryID is given; shared with the rows of tables that read it.
  std::shared_ptr<const PropValue> entryIdBytes_;
  bool filed_ = false;
  bool saved_ = false;
  bool dead_ = false;
  int32_t bodyFormat_ = olFormatPlain;
  mutable PropertyBag props_;
  mutable bool plainDue_ = false;  // PR_BODY is still to be made from PR_HTML
  mutable bool htmlDue_ = false;   // PR_HTML is still to be made from PR_BODY
  std::shared_ptr<outlook::Recipients> recipients_;
  std::shared_ptr<outlook::Attachments> attachments_;
  std::shared_ptr<outlook::UserProperties> userProperties_;
  std::vector<std::shared_ptr<AddressEntry>> members_;
  std::weak_ptr<Inspector> inspector_;
  ItemEvents events_;

  bool fromItemsAdd_ = false;
  int32_t holders_ = 0;  // handles held outside the store
  // The item as last stored (fields and lists), while it is filed.
  std::shared_ptr<const Item> lastSaved_;

  friend class MAPIFolder;
  friend class NameSpace;
  friend class Inspector;
  friend class Items;
  friend struct PersistAccess;
};

}  // namespace outlook
