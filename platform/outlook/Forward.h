// Names of the object model's classes, for headers that only pass them around.
#pragma once

#include <cstdint>
#include <memory>

namespace outlook {

class Application;
class NameSpace;
class Store;
class MAPIFolder;
class Folders;
class View;
class Items;
class Item;
class Recipients;
class Recipient;
class AddressEntry;
class AddressEntries;
class AddressBook;
class Attachments;
class Attachment;
class UserProperties;
class UserProperty;
class Explorers;
class Explorer;
class Selection;
class Inspectors;
class Inspector;

// What a late-bound caller can ask of any object: its Class (olFolder, olNamespace, olMail...).
class Object {
 public:
  virtual ~Object() = default;
  virtual int32_t Class() const = 0;
};

// Every kind of item is one class: its Class tells mail (43), post (45), contact (40) and
// distribution list (69) apart, and members of another kind raise as Outlook's do.
using MailItem = Item;
using PostItem = Item;
using ContactItem = Item;
using DistListItem = Item;

// Class numbers (OlObjectClass) and item types (OlItemType) the system meets.
inline constexpr int32_t olApplication = 0, olNamespace = 1, olFolder = 2, olContact = 40,
                         olMail = 43, olPost = 45, olDistributionList = 69, olAppointment = 26;
inline constexpr int32_t olMailItem = 0, olContactItem = 2, olPostItem = 6,
                         olDistributionListItem = 7;
// Default folders (OlDefaultFolders).
inline constexpr int32_t olFolderDeletedItems = 3, olFolderOutbox = 4, olFolderSentMail = 5,
                         olFolderInbox = 6, olFolderContacts = 10, olFolderDrafts = 16;
// Calendar and task folders, and their item types.
inline constexpr int32_t olFolderCalendar = 9, olFolderTasks = 13, olAppointmentItem = 1,
                         olTaskItem = 3;
// Body formats, recipient types, attachment types, editors, close modes.
inline constexpr int32_t olFormatUnspecified = 0, olFormatPlain = 1, olFormatHTML = 2,
                         olFormatRichText = 3;
inline constexpr int32_t olOriginator = 0, olTo = 1, olCC = 2, olBCC = 3;
inline constexpr int32_t olByValue = 1, olByReference = 4, olEmbeddeditem = 5, olOLE = 6;
inline constexpr int32_t olEditorText = 1, olEditorHTML = 2, olEditorRTF = 3, olEditorWord = 4;
inline constexpr int32_t olSave = 0, olDiscard = 1, olPromptForSave = 2;
inline constexpr int32_t olText = 1;

// Errors Outlook raises, as the numbers its callers see.
inline constexpr int32_t kErrNotFound = static_cast<int32_t>(0x8004010F);
inline constexpr int32_t kErrObjectDeleted = static_cast<int32_t>(0x8004010A);
inline constexpr int32_t kErrBadIndex = static_cast<int32_t>(0x8002000B);
inline constexpr int32_t kErrFailed = static_cast<int32_t>(0x80004005);
inline constexpr int32_t kErrNotSupported = 438;

}  // namespace outlook
