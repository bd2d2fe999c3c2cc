// A profile's mail as plain records, and back: what a program keeping the profile on disk
// saves and restores. Folders keep their EntryIDs, mail and post items theirs with every
// property, recipient, attachment and user property; contacts and lists stay as the profile
// was built (the program changes none). Restoring raises no ItemAdd: nothing is new to Outlook.
// An item is kept as it was last saved, never with its unsaved changes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/outlook/Props.h"

namespace outlook {

class NameSpace;
class Item;
class MAPIFolder;

namespace persist {

// What Outlook keeps of a recipient: its display name and type, and once resolved the
// address and address type it resolved to, so a one-off address needs no address book to come
// back, and an unresolved one stays unresolved.
struct Recipient {
  std::wstring name;
  int32_t type = 1;
  std::wstring address, addressType;
  bool resolved = false;
  // A record of an older store, which kept the name and type alone: resolved again by its name.
  bool nameOnly = false;
};

struct Attachment {
  std::wstring fileName, displayName;
  int32_t type = 1, position = 0;
  std::vector<uint8_t> data;
  std::vector<std::pair<uint32_t, PropValue>> fields;
};

struct UserProperty {
  std::wstring name, value;
  int32_t type = 1;
};

// Values as the item stores them: a record shares them with the item (and a restored item with
// the record), so taking or restoring a large body copies none of it.
using Props = std::vector<std::pair<uint16_t, std::shared_ptr<const PropValue>>>;
// Whether both hold the same ids with equal values, in the same order.
bool SameProps(const Props& a, const Props& b);

struct Item {
  std::wstring entryId;
  int32_t itemClass = 43, bodyFormat = 1;
  Props props;
  std::vector<Recipient> recipients;
  std::vector<Attachment> attachments;
  std::vector<UserProperty> userProperties;
};

struct Folder {
  std::wstring entryId, parentId, name;
  int32_t store = 0;  // index in the session's stores
  int32_t defaultItemType = 0;
  std::vector<Item> items;  // mail and post items only
};

struct Profile {
  uint64_t nextId = 1;
  uint16_t nextNamed = 0x8000;
  std::vector<std::pair<std::wstring, uint16_t>> named;
  std::vector<Folder> folders;  // parents before children
};

Profile Take(NameSpace& session);
// Makes the session's folders and mail those of the records: folders missing from the records
// are deleted, missing ones made, mail and post items replaced. `made`, when given, gets the
// items made, in the records' order (nullptr for an item of a folder that could not come back).
void Restore(NameSpace& session, const Profile& saved,
             std::vector<std::shared_ptr<outlook::Item>>* made = nullptr);

// The session as it stands, without copying any item: what a save that writes only what
// changed compares with its last save. Folder records have no items here.
struct Live {
  uint64_t nextId = 1;
  uint16_t nextNamed = 0x8000;
  std::vector<std::pair<std::wstring, uint16_t>> named;
  std::vector<Folder> folders;    // parents before children
  std::vector<const void*> keys;  // each folder's address, as outlook::changes notes it
  std::vector<std::shared_ptr<outlook::MAPIFolder>> handles;       // each folder (Walk only)
  std::vector<std::vector<std::shared_ptr<outlook::Item>>> items;  // each folder's mail and posts
};
// `itemsOf`, when given, tells the folders (by address) whose items are wanted; the others' lists
// stay empty.
Live Walk(NameSpace& session, const std::function<bool(const void*)>& itemsOf = {});
// The session's ids and named properties alone, no folder: for a save that changed none.
Live Counters(NameSpace& session);
Item TakeItem(const std::shared_ptr<outlook::Item>& item);

}  // namespace persist
}  // namespace outlook
