#include "platform/outlook/Persist.h"

#include <algorithm>
#include <map>

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"

namespace outlook {

struct PersistAccess {
  static const persist::Props& Values(const PropertyBag& bag) { return bag.values_; }
  static std::map<std::wstring, uint16_t>& Ids(NamedProps& named) { return named.ids_; }
  static uint16_t& Next(NamedProps& named) { return named.next_; }
  static uint64_t& NextId(NameSpace& session) { return session.nextId_; }
  static int32_t BodyFormat(const outlook::Item& item) { return item.bodyFormat_; }
  static void Unfile(outlook::Item& item) { item.filed_ = false; }
  // What the store holds of the item: never its unsaved changes.
  static std::shared_ptr<outlook::Item> Stored(const std::shared_ptr<outlook::Item>& item) {
    if (&item->Stored() == item.get()) return item;
    return std::const_pointer_cast<outlook::Item>(item->lastSaved_);
  }
  static void SetFields(outlook::Item& item, const persist::Item& saved) {
    item.bodyFormat_ = saved.bodyFormat;
    // Sorted by id, as the bag keeps them; a later duplicate of an id gives way, as a map's
    // insertion would have it.
    auto& values = item.props_.values_;
    values = saved.props;
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    values.erase(std::unique(values.begin(), values.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 values.end());
    for (auto& entry : values)
      if (!entry.second) entry.second = std::make_shared<const PropValue>();
    item.plainDue_ = false;
    item.htmlDue_ = false;
    // The class may be another now: the folder's index of classes must not hold.
    item.NoteReclass();
  }
  // Files a restored item under its own EntryID, without an ItemAdd.
  static void File(const std::shared_ptr<outlook::Item>& item,
                   const std::shared_ptr<MAPIFolder>& folder, const persist::Item& saved) {
    item->entryId_ = saved.entryId;
    item->entryIdBytes_ = std::make_shared<const PropValue>(BytesOfHex(saved.entryId));
    SetFields(*item, saved);
    item->parent_ = folder;
    item->filed_ = true;
    item->saved_ = true;
    folder->Contents().push_back(item);
  }
};

namespace persist {

bool SameProps(const Props& a, const Props& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    if (x.first != y.first) return false;
    if (x.second == y.second) return true;
    static const PropValue kNone;
    return (x.second ? *x.second : kNone) == (y.second ? *y.second : kNone);
  });
}

namespace {
bool IsMail(int32_t cls) {
  return cls == olMail || cls == olPost;
}

int32_t StoreIndex(NameSpace& session, const std::shared_ptr<MAPIFolder>& folder) {
  const auto& stores = session.Stores();
  for (size_t i = 0; i < stores.size(); ++i)
    if (stores[i] == folder->Store()) return static_cast<int32_t>(i);
  return 0;
}

// The entry a resolved recipient's record stands for. The address book's own entry, when it is
// the same, brings what the record does not hold (an Exchange user's SMTP address, a list's
// members); else the record's name, address and type make it, as Outlook's one-off entry does.
std::shared_ptr<AddressEntry> EntryOf(NameSpace* session, const Recipient& r) {
  auto same = [&](const std::shared_ptr<AddressEntry>& e) {
    return e && e->Name() == r.name && e->Address() == r.address && e->Type() == r.addressType;
  };
  if (session) {
    if (auto known = session->AddressBook().FindByAddress(r.address); same(known)) return known;
    // A personal list is the contacts folder's, found by its name (an SMTP contact's entry is
    // one made of its name and address, as here: no search for it).
    if (r.addressType == L"MAPIPDL")
      if (auto named = session->ResolveName(r.name); same(named)) return named;
  }
  return std::make_shared<AddressEntry>(r.name, r.address, r.addressType);
}

// Recipients, attachments and user properties of an item whose fields are in place.
void AddLists(const std::shared_ptr<outlook::Item>& item, const Item& it) {
  auto session = item->Session();
  for (const auto& r : it.recipients) {
    auto recipient = item->Recipients()->Add(r.name);
    recipient->SetType(r.type);
    if (r.nameOnly)
      recipient->Resolve();
    else if (r.resolved)
      recipient->SetEntry(EntryOf(session.get(), r));
  }
  for (const auto& a : it.attachments) {
    auto att = item->Attachments()->AddData(a.fileName, a.data, a.type);
    if (!a.displayName.empty()) att->SetDisplayName(a.displayName);
    for (const auto& [tag, value] : a.fields) att->SetFields(tag, value);
    if (a.position) att->SetPosition(a.position);
  }
  for (const auto& u : it.userProperties)
    item->UserProperties()->Add(u.name, u.type, false)->SetValue(u.value);
  // Adding recipients and attachments marks an item changed; it is as it was saved.
  item->SetSaved(true);
}
}  // namespace

Item TakeItem(const std::shared_ptr<outlook::Item>& live) {
  const auto item = PersistAccess::Stored(live);
  Item saved;
  saved.entryId = live->EntryID();
  saved.itemClass = item->Class();
  saved.bodyFormat = PersistAccess::BodyFormat(*item);
  // Props() makes an HTML item's plain text first, if it is still to be made.
  saved.props = PersistAccess::Values(item->Props());
  for (const auto& r : *item->Recipients()) {
    const auto entry = r->AddressEntry();
    saved.recipients.push_back({r->Name(), r->Type(), entry ? entry->Address() : L"",
                                entry ? entry->Type() : L"", entry != nullptr, false});
  }
  for (const auto& a : *item->Attachments()) {
    Attachment att{a->FileName(), a->DisplayName(), a->Type(), a->Position(), a->Data(), {}};
    for (uint32_t tag :
         {PR_ATTACH_CONTENT_ID, PR_ATTACH_MIME_TAG, PR_ATTACH_FLAGS, PR_RENDERING_POSITION}) {
      PropValue v = a->Fields(tag);
      if (!std::holds_alternative<std::monostate>(v)) att.fields.emplace_back(tag, v);
    }
    saved.attachments.push_back(std::move(att));
  }
  for (const auto& u : *item->UserProperties())
    saved.userProperties.push_back({u->Name(), u->Value(), u->Type()});
  return saved;
}

Live Counters(NameSpace& session) {
  Live live;
  live.nextId = PersistAccess::NextId(session);
  live.nextNamed = PersistAccess::Next(session.Named());
  for (const auto& [key, id] : PersistAccess::Ids(session.Named()))
    live.named.emplace_back(key, id);
  return live;
}

Live Walk(NameSpace& session, const std::function<bool(const void*)>& itemsOf) {
  Live live = Counters(session);
  std::vector<std::shared_ptr<MAPIFolder>> todo;
  for (const auto& store : session.Stores())
    if (store->Root()) todo.push_back(store->Root());
  for (size_t i = 0; i < todo.size(); ++i) {
    auto folder = todo[i];
    Folder f;
    f.entryId = folder->EntryID();
    f.name = folder->Name();
    f.store = StoreIndex(session, folder);
    f.defaultItemType = folder->DefaultItemType();
    if (auto parent = folder->ParentFolder()) f.parentId = parent->EntryID();
    live.keys.push_back(folder.get());
    live.handles.push_back(folder);
    auto& items = live.items.emplace_back();
    if (!itemsOf || itemsOf(folder.get()))
      for (const auto& item : folder->Filed())
        if (IsMail(item->Class())) items.push_back(item);
    live.folders.push_back(std::move(f));
    for (const auto& child : folder->Children())
      if (!child->IsDeleted()) todo.push_back(child);
  }
  return live;
}

Profile Take(NameSpace& session) {
  Live live = Walk(session);
  Profile saved{live.nextId, live.nextNamed, std::move(live.named), std::move(live.folders)};
  for (size_t i = 0; i < saved.folders.size(); ++i)
    for (const auto& item : live.items[i]) saved.folders[i].items.push_back(TakeItem(item));
  return saved;
}

void Restore(NameSpace& session, const Profile& saved,
             std::vector<std::shared_ptr<outlook::Item>>* made) {
  // Named properties first: the restored items' user properties must find their saved ids.
  auto& ids = PersistAccess::Ids(session.Named());
  for (const auto& [key, id] : saved.named) ids[key] = id;
  PersistAccess::Next(session.Named()) =
      std::max(PersistAccess::Next(session.Named()), saved.nextNamed);
  std::map<std::wstring, std::shared_ptr<MAPIFolder>> byId;
  std::vector<std::shared_ptr<MAPIFolder>> todo;
  for (const auto& store : session.Stores())
    if (store->Root()) todo.push_back(store->Root());
  for (size_t i = 0; i < todo.size(); ++i) {
    byId[todo[i]->EntryID()] = todo[i];
    for (const auto& child : todo[i]->Children()) todo.push_back(child);
  }
  std::map<std::wstring, const Folder*> wanted;
  for (const auto& f : saved.folders) wanted[f.entryId] = &f;
  // Folders the saved profile no longer has go first (their subtrees with them).
  for (auto it = todo.rbegin(); it != todo.rend(); ++it)
    if (!wanted.count((*it)->EntryID()) && (*it)->ParentFolder() && !(*it)->IsDeleted())
      (*it)->Delete();
  for (const auto& f : saved.folders) {
    auto folder = byId.count(f.entryId) ? byId[f.entryId] : nullptr;
    if (!folder) {
      auto parent = byId.count(f.parentId) ? byId[f.parentId] : nullptr;
      if (!parent) {  // a folder whose parent is gone cannot come back
        if (made) made->insert(made->end(), f.items.size(), nullptr);
        continue;
      }
      folder = parent->Folders()->Add(f.name, f.defaultItemType == olContactItem ? olFolderContacts
                                              : f.defaultItemType == parent->DefaultItemType()
                                                  ? -1
                                                  : olFolderInbox);
      folder->SetEntryID(f.entryId);
      byId[f.entryId] = folder;
    } else if (folder->Name() != f.name && folder->ParentFolder()) {
      folder->SetName(f.name);
    }
    std::erase_if(folder->Contents(), [](const auto& item) {
      if (!IsMail(item->Class())) return false;
      // The saved item takes its place and its EntryID; a reference still held is to nothing.
      PersistAccess::Unfile(*item);
      return true;
    });
    for (const auto& it : f.items) {
      auto item = outlook::Item::Create(it.itemClass, folder->Session(), folder);
      PersistAccess::File(item, folder, it);
      AddLists(item, it);
      if (made) made->push_back(item);
    }
  }
  PersistAccess::NextId(session) = std::max(PersistAccess::NextId(session), saved.nextId);
  NoteChange();  // folders' contents changed behind their backs: no kept search result holds
}

}  // namespace persist
}  // namespace outlook
