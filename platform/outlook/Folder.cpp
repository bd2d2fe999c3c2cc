#include "platform/outlook/Folder.h"

#include <algorithm>
#include <unordered_map>

#include "platform/outlook/Changes.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Props.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/vb/Runtime.h"

namespace outlook {

namespace {
// The provider part of a StoreID as a personal-folders store writes it; the store's own uid
// follows.
constexpr const wchar_t* kStoreIdPrefix =
    L"0000000038A1BB1005E5101AA1BB08002B2A56C200006D737073742E646C6C00000000";

const wchar_t* kTableViewXml =
    L"<?xml version=\"1.0\"?>\r\n<view type=\"table\">\r\n<viewname>Messages</viewname>\r\n"
    L"<column>\r\n<heading>From</heading>\r\n<prop>urn:schemas:httpmail:fromname</prop>\r\n"
    L"<type>string</type>\r\n<width>68</width>\r\n</column>\r\n"
    L"<column>\r\n<heading>Subject</heading>\r\n<prop>urn:schemas:httpmail:subject</prop>\r\n"
    L"<type>string</type>\r\n<width>280</width>\r\n</column>\r\n</view>\r\n";
}  // namespace

Store::Store(std::wstring name, std::wstring uid)
    : name_(std::move(name)), uid_(std::move(uid)), storeId_(kStoreIdPrefix + uid_) {}

std::shared_ptr<MAPIFolder> Store::DefaultFolder(int32_t type) const {
  for (auto& [t, folder] : defaults_)
    if (t == type) return folder.lock();
  return nullptr;
}

void Store::SetDefaultFolder(int32_t type, std::shared_ptr<MAPIFolder> folder) {
  std::erase_if(defaults_, [&](auto& d) { return d.first == type; });
  defaults_.emplace_back(type, folder);
}

void View::SetXML(const std::wstring& xml) {
  xml_ = xml;
  ++xmlWrites_;
}

struct MAPIFolder::ClassIndex {
  uint64_t version = 0;
  size_t size = 0;
  std::unordered_map<std::wstring, std::shared_ptr<std::vector<std::shared_ptr<Item>>>> lists;
};

MAPIFolder::MAPIFolder(std::wstring name, int32_t defaultItemType, std::weak_ptr<NameSpace> session,
                       std::weak_ptr<outlook::Store> store)
    : name_(std::move(name)),
      defaultItemType_(defaultItemType),
      session_(std::move(session)),
      store_(std::move(store)) {
  views_.push_back(std::make_shared<View>(L"Messages", 0, kTableViewXml));
  classes_ = std::make_shared<ClassIndex>();
}

void MAPIFolder::Live() const {
  if (deleted_) vb::Raise(kErrObjectDeleted, L"The folder has been deleted.");
}

void MAPIFolder::SetName(const std::wstring& name) {
  Live();
  if (name.empty()) vb::Raise(kErrFailed, L"The folder name is not valid.");
  name_ = name;
  NoteChange();  // a kept profile saves only after a change was counted
  changes::Note(this);
}

const std::wstring& MAPIFolder::StoreID() const {
  static const std::wstring kNone;
  auto store = store_.lock();
  return store ? store->StoreID() : kNone;
}

std::shared_ptr<Object> MAPIFolder::Parent() const {
  Live();
  if (auto parent = parent_.lock()) return parent;
  return session_.lock();
}

std::shared_ptr<outlook::Folders> MAPIFolder::Folders() {
  Live();
  return std::make_shared<outlook::Folders>(shared_from_this(), session_.lock());
}

std::shared_ptr<outlook::Items> MAPIFolder::Items() {
  Live();
  if (!items_) items_ = std::make_shared<outlook::Items>(weak_from_this());
  return items_;
}

std::wstring MAPIFolder::DefaultMessageClass() const {
  return defaultItemType_ == olContactItem ? L"IPM.Contact" : L"IPM.Note";
}

void MAPIFolder::AddUserDefinedField(const std::wstring& name) {
  NoteChange();
  for (auto& f : fields_)
    if (SameText(f, name)) return;
  fields_.push_back(name);
}

void MAPIFolder::Delete() {
  Live();
  NoteChange();
  changes::Note(this);
  if (auto parent = parent_.lock()) {
    changes::Note(parent.get());
    std::erase_if(parent->children_, [&](auto& c) { return c.get() == this; });
  }
  std::vector<MAPIFolder*> stack{this};
  while (!stack.empty()) {
    MAPIFolder* f = stack.back();
    stack.pop_back();
    f->deleted_ = true;
    for (auto& item : f->contents_) item->dead_ = true;
    for (auto& c : f->children_) stack.push_back(c.get());
  }
}

namespace {
std::wstring FoldClass(const std::wstring& text) {
  std::wstring folded(text.size(), L'\0');
  for (size_t i = 0; i < text.size(); ++i) folded[i] = vb::LowerChar(text[i]);
  return folded;
}

// A class that is not text compares as empty text in a condition.
std::wstring ClassKey(const PropValue* value) {
  const std::wstring* text = value ? std::get_if<std::wstring>(value) : nullptr;
  return text ? FoldClass(*text) : std::wstring();
}

// A list handed out stays as it was: the first change after makes a copy.
std::vector<std::shared_ptr<Item>>& Owned(
    std::shared_ptr<std::vector<std::shared_ptr<Item>>>& list) {
  if (!list)
    list = std::make_shared<std::vector<std::shared_ptr<Item>>>();
  else if (list.use_count() > 1)
    list = std::make_shared<std::vector<std::shared_ptr<Item>>>(*list);
  return *list;
}
}  // namespace

std::vector<std::shared_ptr<Item>>& MAPIFolder::Contents() {
  NoteChange();
  ++version_;
  return contents_;
}

bool MAPIFolder::IndexHolds() const {
  // The size is checked too: a caller may keep the reference Contents() gave and change the
  // list later.
  return classes_ && classes_->version == version_ && classes_->size == contents_.size();
}

void MAPIFolder::File(const std::shared_ptr<Item>& item) {
  NoteChange();
  changes::NoteFiled(this, item);
  // The index of classes follows a filing as the store's does, rather than being made again.
  const bool holds = IndexHolds();
  contents_.push_back(item);
  ++version_;
  if (holds) {
    Owned(classes_->lists[ClassKey(item->Stored().props_.Peek(PR_MESSAGE_CLASS))]).push_back(item);
    classes_->version = version_;
    classes_->size = contents_.size();
  }
  if (auto session = session_.lock()) session->Indexed(item);
  Items()->ItemAdd.Raise(item);
}

void MAPIFolder::Unfile(const Item* item) {
  NoteChange();
  changes::Note(this);
  const bool holds = IndexHolds();
  std::erase_if(contents_, [&](auto& i) { return i.get() == item; });
  if (auto session = session_.lock()) session->Unindexed(*item);
  ++version_;
  if (!holds) return;
  auto it = classes_->lists.find(ClassKey(item->Stored().props_.Peek(PR_MESSAGE_CLASS)));
  if (it == classes_->lists.end()) return;
  auto& list = Owned(it->second);
  const size_t before = list.size();
  std::erase_if(list, [&](auto& i) { return i.get() == item; });
  if (before - list.size() != classes_->size - contents_.size()) return;
  classes_->version = version_;
  classes_->size = contents_.size();
}

std::shared_ptr<const std::vector<std::shared_ptr<Item>>> MAPIFolder::OfClass(
    const std::wstring& messageClass) {
  if (!IndexHolds()) {
    auto index = std::make_shared<ClassIndex>();
    index->version = version_;
    index->size = contents_.size();
    for (const auto& item : contents_)
      Owned(index->lists[ClassKey(item->Stored().props_.Peek(PR_MESSAGE_CLASS))]).push_back(item);
    classes_ = std::move(index);
  }
  static const auto kNone = std::make_shared<const std::vector<std::shared_ptr<Item>>>();
  auto it = classes_->lists.find(FoldClass(messageClass));
  if (it == classes_->lists.end()) return kNone;
  return it->second;
}

Folders::Folders(std::shared_ptr<MAPIFolder> parent, std::shared_ptr<NameSpace> session)
    : parent_(std::move(parent)), session_(std::move(session)) {}

std::vector<std::shared_ptr<MAPIFolder>> Folders::All() const {
  if (parent_) return parent_->Children();
  std::vector<std::shared_ptr<MAPIFolder>> roots;
  if (session_)
    for (auto& store : session_->Stores()) roots.push_back(store->Root());
  return roots;
}

int32_t Folders::Count() const {
  return static_cast<int32_t>(All().size());
}

std::shared_ptr<MAPIFolder> Folders::Item(int32_t index) const {
  auto all = All();
  if (index < 1 || index > static_cast<int32_t>(all.size()))
    vb::Raise(kErrBadIndex, L"Array index out of bounds.");
  return all[static_cast<size_t>(index - 1)];
}

std::shared_ptr<MAPIFolder> Folders::Item(const std::wstring& name) const {
  for (auto& f : All())
    if (SameText(f->Name(), name)) return f;
  vb::Raise(kErrNotFound, L"The attempted operation failed. An object could not be found.");
}

std::shared_ptr<MAPIFolder> Folders::Add(const std::wstring& name, int32_t type) {
  TV_FAULT_POINT(Outlook);
  if (!parent_ || !session_) vb::Raise(kErrFailed, L"Cannot create the folder.");
  if (parent_->SubfoldersDenied())
    vb::Raise(kErrFailed,
              L"Cannot create the folder. You do not have sufficient permission to perform "
              L"this operation on this object.");
  if (name.empty() || name.find(L'\\') != std::wstring::npos)
    vb::Raise(kErrFailed, L"Cannot create the folder. The folder name is not valid.");
  for (auto& f : parent_->Children())
    if (SameText(f->Name(), name))
      vb::Raise(kErrFailed, L"Cannot create the folder. A folder with that name already exists.");
  int32_t itemType = type == olFolderContacts   ? olContactItem
                     : type == olFolderCalendar ? olAppointmentItem
                     : type == olFolderTasks    ? olTaskItem
                     : type == -1               ? parent_->DefaultItemType()
                                                : olMailItem;
  auto store = parent_->Store();
  auto folder = std::make_shared<MAPIFolder>(name, itemType, session_, store);
  folder->SetEntryID(session_->NewEntryID(*store));
  folder->SetParent(parent_);
  parent_->Children().push_back(folder);
  NoteChange();
  changes::Note(parent_.get());
  return folder;
}

void Folders::Remove(int32_t index) {
  Item(index)->Delete();
}

}  // namespace outlook
