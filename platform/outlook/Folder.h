// Stores, folders, the folder collections and views.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Forward.h"

namespace outlook {

// One message store of the profile: its StoreID, its root folder and its default folders.
class Store {
 public:
  Store(std::wstring name, std::wstring uid);
  const std::wstring& DisplayName() const { return name_; }
  const std::wstring& StoreID() const { return storeId_; }
  const std::wstring& Uid() const { return uid_; }
  std::shared_ptr<MAPIFolder> Root() const { return root_; }
  void SetRoot(std::shared_ptr<MAPIFolder> root) { root_ = std::move(root); }
  // olFolderInbox... of this store; nullptr when it has none.
  std::shared_ptr<MAPIFolder> DefaultFolder(int32_t type) const;
  void SetDefaultFolder(int32_t type, std::shared_ptr<MAPIFolder> folder);

 private:
  std::wstring name_, uid_, storeId_;
  std::shared_ptr<MAPIFolder> root_;
  std::vector<std::pair<int32_t, std::weak_ptr<MAPIFolder>>> defaults_;
};

class View {
 public:
  View(std::wstring name, int32_t viewType, std::wstring xml)
      : name_(std::move(name)), viewType_(viewType), xml_(std::move(xml)) {}
  const std::wstring& Name() const { return name_; }
  // 0 table, 1 card, 2 calendar, 3 icon, 4 timeline.
  int32_t ViewType() const { return viewType_; }
  const std::wstring& XML() const { return xml_; }
  void SetXML(const std::wstring& xml);
  void Save() { ++saves_; }
  void Apply() { ++applies_; }
  // For tests: how often the XML was assigned, saved, applied.
  int32_t XmlWrites() const { return xmlWrites_; }
  int32_t Saves() const { return saves_; }

 private:
  std::wstring name_;
  int32_t viewType_;
  std::wstring xml_;
  int32_t xmlWrites_ = 0, saves_ = 0, applies_ = 0;
};

class MAPIFolder : public Object, public std::enable_shared_from_this<MAPIFolder> {
 public:
  MAPIFolder(std::wstring name, int32_t defaultItemType, std::weak_ptr<NameSpace> session,
             std::weak_ptr<outlook::Store> store);

  int32_t Class() const override { return olFolder; }
  const std::wstring& Name() const { return name_; }
  void SetName(const std::wstring& name);
  const std::wstring& EntryID() const { return entryId_; }
  const std::wstring& StoreID() const;
  // The parent folder, or the NameSpace for the root folder of a store.
  std::shared_ptr<Object> Parent() const;
  std::shared_ptr<MAPIFolder> ParentFolder() const { return parent_.lock(); }
  std::shared_ptr<outlook::Folders> Folders();
  std::shared_ptr<outlook::Items> Items();
  int32_t DefaultItemType() const { return defaultItemType_; }
  std::wstring DefaultMessageClass() const;
  std::shared_ptr<NameSpace> Session() const { return session_.lock(); }
  std::shared_ptr<outlook::Store> Store() const { return store_.lock(); }
  // The view an explorer shows for the folder (the first of its views).
  std::shared_ptr<View> CurrentView() const { return views_.empty() ? nullptr : views_.front(); }
  const std::vector<std::shared_ptr<View>>& Views() const { return views_; }
  void AddView(std::shared_ptr<View> view) { views_.push_back(std::move(view)); }
  // Fields defined on the folder by UserProperties.Add with the folder-fields flag.
  const std::vector<std::wstring>& UserDefinedFields() const { return fields_; }
  void AddUserDefinedField(const std::wstring& name);
  // Deletes the folder and its contents (into Deleted Items is not modelled: gone).
  void Delete();
  bool IsDeleted() const { return deleted_; }

  // Internal: the items filed here, in filing order. Taking them to change them (as a
  // restore does) counts as a change of the contents; readers use Filed().
  std::vector<std::shared_ptr<Item>>& Contents();
  const std::vector<std::shared_ptr<Item>>& Filed() const { return contents_; }
  void File(const std::shared_ptr<Item>& item);
  void Unfile(const Item* item);
  // The items filed here whose message class is `messageClass` (ignoring case), in filing
  // order, as the store's index of classes answers them: made on the first question after
  // the contents changed or an item here was given another class, shared until then.
  std::shared_ptr<const std::vector<std::shared_ptr<Item>>> OfClass(
      const std::wstring& messageClass);
  void NoteReclass() { ++version_; }
  void SetParent(const std::shared_ptr<MAPIFolder>& parent) { parent_ = parent; }
  void SetEntryID(std::wstring id) { entryId_ = std::move(id); }
  std::vector<std::shared_ptr<MAPIFolder>>& Children() { return children_; }
  // Internal: the user may not make subfolders here (no right to, or the mailbox is over its
  // limit); Folders.Add raises.
  void DenySubfolders(bool denied) { subfoldersDenied_ = denied; }
  bool SubfoldersDenied() const { return subfoldersDenied_; }

 private:
  void Live() const;
  bool IndexHolds() const;

  std::wstring name_;
  int32_t defaultItemType_;
  std::wstring entryId_;
  std::weak_ptr<NameSpace> session_;
  std::weak_ptr<outlook::Store> store_;
  std::weak_ptr<MAPIFolder> parent_;
  std::vector<std::shared_ptr<MAPIFolder>> children_;
  std::vector<std::shared_ptr<Item>> contents_;
  std::vector<std::shared_ptr<View>> views_;
  std::vector<std::wstring> fields_;
  std::shared_ptr<outlook::Items> items_;
  bool deleted_ = false;
  // Counts the changes of the contents and of the classes of the items in it.
  uint64_t version_ = 0;
  struct ClassIndex;
  std::shared_ptr<ClassIndex> classes_;
  bool subfoldersDenied_ = false;
};

// The subfolders of a folder, or the top-level folders (one per store) of the session.
class Folders {
 public:
  // `parent` null: the session's top level, which cannot be added to.
  Folders(std::shared_ptr<MAPIFolder> parent, std::shared_ptr<NameSpace> session);

  int32_t Count() const;
  std::shared_ptr<MAPIFolder> Item(int32_t index) const;
  // By name, ignoring case; raises when there is none.
  std::shared_ptr<MAPIFolder> Item(const std::wstring& name) const;
  // A new subfolder; the type is an OlDefaultFolders number (olFolderInbox, olFolderContacts)
  // or -1 for the parent's kind. Raises on a duplicate or empty name.
  std::shared_ptr<MAPIFolder> Add(const std::wstring& name, int32_t type = -1);
  void Remove(int32_t index);
  std::vector<std::shared_ptr<MAPIFolder>> All() const;

 private:
  std::shared_ptr<MAPIFolder> parent_;
  std::shared_ptr<NameSpace> session_;
};

}  // namespace outlook
