// MAPI properties as every item keeps them: one bag by property id, typed values, the tags
// the object model and Redemption share, named properties by property set and id or name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace outlook {

// Empty, 32-bit integer, Boolean, date (the runtime's Date: days since 1899-12-30), text,
// binary.
using PropValue =
    std::variant<std::monostate, int32_t, bool, double, std::wstring, std::vector<uint8_t>>;

inline constexpr uint32_t PT_LONG = 0x0003, PT_BOOLEAN = 0x000B, PT_SYSTIME = 0x0040,
                          PT_STRING8 = 0x001E, PT_UNICODE = 0x001F, PT_BINARY = 0x0102;

inline constexpr uint32_t PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr uint32_t PR_SENT_REPRESENTING_NAME = 0x0042001E;
inline constexpr uint32_t PR_SENDER_NAME = 0x0C1A001E;
inline constexpr uint32_t PR_SENDER_ADDRTYPE = 0x0C1E001E;
inline constexpr uint32_t PR_SENDER_EMAIL_ADDRESS = 0x0C1F001E;
inline constexpr uint32_t PR_DISPLAY_BCC = 0x0E02001E;
inline constexpr uint32_t PR_DISPLAY_CC = 0x0E03001E;
inline constexpr uint32_t PR_DISPLAY_TO = 0x0E04001E;
inline constexpr uint32_t PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
inline constexpr uint32_t PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr uint32_t PR_ENTRYID = 0x0FFF0102;
inline constexpr uint32_t PR_BODY = 0x1000001E;
inline constexpr uint32_t PR_RTF_COMPRESSED = 0x10090102;
inline constexpr uint32_t PR_HTML = 0x10130102;
inline constexpr uint32_t PR_ICON_INDEX = 0x10800003;
inline constexpr uint32_t PR_FLAG_STATUS = 0x10900003;
inline constexpr uint32_t PR_FOLLOWUP_ICON = 0x10950003;
inline constexpr uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr uint32_t PR_ADDRTYPE = 0x3002001E;
inline constexpr uint32_t PR_EMAIL_ADDRESS = 0x3003001E;
inline constexpr uint32_t PR_CREATION_TIME = 0x30070040;
inline constexpr uint32_t PR_ATTACH_METHOD = 0x37050003;
inline constexpr uint32_t PR_ATTACH_LONG_FILENAME = 0x3707001E;
inline constexpr uint32_t PR_RENDERING_POSITION = 0x370B0003;
inline constexpr uint32_t PR_ATTACH_MIME_TAG = 0x370E001E;
inline constexpr uint32_t PR_ATTACH_CONTENT_ID = 0x3712001E;
inline constexpr uint32_t PR_ATTACH_FLAGS = 0x37140003;
inline constexpr uint32_t PR_GIVEN_NAME = 0x3A06001E;
inline constexpr uint32_t PR_INITIALS = 0x3A0A001E;
inline constexpr uint32_t PR_SURNAME = 0x3A11001E;
inline constexpr uint32_t PR_COMPANY_NAME = 0x3A16001E;
inline constexpr uint32_t PR_MIDDLE_NAME = 0x3A44001E;
inline constexpr uint32_t PR_NICKNAME = 0x3A4F001E;
inline constexpr uint32_t PR_SMTP_ADDRESS = 0x39FE001E;
inline constexpr uint32_t PR_MSG_EDITOR_FORMAT = 0x59090003;

inline constexpr int32_t MSGFLAG_READ = 1, MSGFLAG_UNSENT = 8, MSGFLAG_SUBMIT = 4;

// Property sets of the named properties the object model keeps.
inline constexpr const wchar_t* PSETID_Common = L"{00062008-0000-0000-C000-000000000046}";
inline constexpr const wchar_t* PSETID_Address = L"{00062004-0000-0000-C000-000000000046}";
inline constexpr const wchar_t* PS_PUBLIC_STRINGS = L"{00020329-0000-0000-C000-000000000046}";
inline constexpr int32_t kLidMileage = 0x8534, kLidBilling = 0x8535;
inline constexpr int32_t kLidEmail1 = 0x8083, kLidEmail2 = 0x8093, kLidEmail3 = 0x80A3;

constexpr uint16_t PropId(uint32_t tag) {
  return static_cast<uint16_t>(tag >> 16);
}
constexpr uint32_t PropType(uint32_t tag) {
  return tag & 0xFFFF;
}

// Values by property id; a read with a string type answers the text whichever of the two
// string types wrote it. Values are shared between copies of a bag until one of them writes
// that property, so copying an item copies no body.
class PropertyBag {
 public:
  PropValue Get(uint32_t tag) const;
  void Set(uint32_t tag, PropValue value);
  // Stores a value other bags may hold too (a write replaces it, never changes it).
  void SetShared(uint32_t tag, std::shared_ptr<const PropValue> value);
  // Stores a value made from others the bag holds: nothing a reader sees changes, so it
  // counts as no change.
  void SetDerived(uint32_t tag, PropValue value);
  void Remove(uint32_t tag);
  bool Has(uint32_t tag) const;
  std::wstring Text(uint32_t tag) const;
  // The stored value, without a copy; nullptr when the bag has none.
  const PropValue* Peek(uint32_t tag) const { return Find(tag); }
  // The same, shared: it stays as it is when the property is written afterwards.
  std::shared_ptr<const PropValue> PeekShared(uint32_t tag) const;
  int32_t Long(uint32_t tag, int32_t fallback = 0) const;
  // Whether both bags hold the very same stored value of the property (for tests).
  bool SharesValue(const PropertyBag& other, uint32_t tag) const;
  void Prefetch() const { __builtin_prefetch(values_.data()); }
  // Asks ahead for a stored value and, for a text, for its characters.
  void PrefetchValue(uint32_t tag) const {
    if (const PropValue* v = Find(tag)) {
      __builtin_prefetch(v);
      if (const auto* text = std::get_if<std::wstring>(v)) __builtin_prefetch(text->data());
    }
  }

 private:
  using Entry = std::pair<uint16_t, std::shared_ptr<const PropValue>>;
  const PropValue* Find(uint32_t tag) const;
  // Sorted by id: an item has a few dozen properties, read far more often than written.
  std::vector<Entry> values_;
  friend struct PersistAccess;
};

// Counts every change of stored data (a property of any item, the contents of any folder),
// so that a restriction can keep its result while nothing has changed.
uint64_t ChangeCount();
void NoteChange();

// Property ids of named properties, one table per session: (set, id) or (set, name).
class NamedProps {
 public:
  // 0 when unknown and not to be created.
  uint16_t Id(const std::wstring& guid, int32_t lid, bool create);
  uint16_t Id(const std::wstring& guid, const std::wstring& name, bool create);

 private:
  uint16_t Lookup(const std::wstring& key, bool create);
  std::map<std::wstring, uint16_t> ids_;
  uint16_t next_ = 0x8000;
  friend struct PersistAccess;
};

// Upper-case hex text of bytes, and back (an odd or non-hex text gives no bytes).
std::wstring HexOf(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> BytesOfHex(const std::wstring& hex);
// The virtual clock's local time as a Date.
double Now();
// A Date as "d/m/yyyy h:mm" text for quoted headers.
std::wstring DateText(double date);
// Lower case for comparisons that ignore case.
std::wstring Lower(std::wstring text);
bool SameText(const std::wstring& a, const std::wstring& b);

}  // namespace outlook
