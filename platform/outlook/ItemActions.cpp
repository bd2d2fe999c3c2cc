// What Outlook does to an item as a whole: filing, moving, copying, deleting, sending,
// opening and closing it.
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/Changes.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"

namespace outlook {

void Item::FileInto(const std::shared_ptr<MAPIFolder>& folder, bool newId) {
  auto session = Session();
  auto store = folder->Store();
  if (!session || !store) vb::Raise(kErrFailed, L"The operation failed.");
  if (newId || entryId_.empty()) {
    entryId_ = session->NewEntryID(*store);
    entryIdBytes_ = std::make_shared<const PropValue>(BytesOfHex(entryId_));
  }
  parent_ = folder;
  filed_ = true;
  KeepSaved();
  folder->File(shared_from_this());
}

void Item::KeepSaved() {
  bool changed = !saved_;
  saved_ = true;
  if (!filed_) return;
  const bool reclassed =
      lastSaved_ && lastSaved_->props_.Text(PR_MESSAGE_CLASS) != props_.Text(PR_MESSAGE_CLASS);
  lastSaved_ = CloneInto(parent_.lock());
  if (reclassed) NoteReclass();  // the folder's index of classes holds the stored class
  // What the store holds changed now, though the fields were written before.
  if (changed) {
    NoteChange();
    changes::Note(this);
  }
}

struct Item::Holder {
  explicit Holder(std::shared_ptr<Item> held) : item(std::move(held)) { ++item->holders_; }
  ~Holder() { item->LetGo(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  std::shared_ptr<Item> item;
};

std::shared_ptr<Item> Item::Handle() {
  auto holder = std::make_shared<Holder>(shared_from_this());
  return std::shared_ptr<Item>(holder, holder->item.get());
}

void Item::LetGo() noexcept {
  if (--holders_ > 0 || !filed_ || OpenInspector()) return;
  try {
    DiscardChanges();
  } catch (...) {
  }
}

const Item& Item::Stored() const {
  return saved_ || !lastSaved_ || !filed_ ? *this : *lastSaved_;
}

void Item::SetSaved(bool saved) {
  if (saved)
    KeepSaved();
  else
    saved_ = false;
}

void Item::DiscardChanges() {
  if (saved_ || !lastSaved_ || dead_) return;
  const win32::faults::Quiet quiet;  // Outlook's own undoing: never refused half way
  const Item& last = *lastSaved_;
  // The lists are the item's own objects, which callers may hold: emptied and filled again.
  while (userProperties_->Count()) userProperties_->Remove(1);
  while (recipients_->Count()) recipients_->Remove(1);
  while (attachments_->Count()) attachments_->Remove(1);
  props_ = last.props_;
  NoteReclass();  // the class may be another one again
  plainDue_ = last.plainDue_;
  htmlDue_ = last.htmlDue_;
  bodyFormat_ = last.bodyFormat_;
  members_ = last.members_;
  recipients_->CopyFrom(*last.recipients_);
  attachments_->CopyFrom(*last.attachments_);
  userProperties_->CopyFrom(*last.userProperties_);
  MarkChanged();
  saved_ = true;
}

void Item::Save() {
  TV_FAULT_POINT(Outlook);
  Live();
  bool cancel = false;
  events_.Write.Raise(cancel);
  if (cancel) return;
  SaveChanges();
}

void Item::SaveChanges() {
  TV_FAULT_POINT(Outlook);
  Live();
  if (filed_) {
    KeepSaved();
    return;
  }
  auto folder = parent_.lock();
  auto session = Session();
  if (fromItemsAdd_ && session && session->AddedItemsSaveToDrafts())
    folder = session->GetDefaultFolder(olFolderDrafts);
  if (!folder || folder->IsDeleted()) vb::Raise(kErrFailed, L"The operation failed.");
  FileInto(folder, true);
}

std::shared_ptr<Item> Item::CloneInto(const std::shared_ptr<MAPIFolder>& folder) const {
  auto copy = Create(class_, Session(), folder);
  copy->props_ = props_;
  copy->plainDue_ = plainDue_;
  copy->htmlDue_ = htmlDue_;
  copy->bodyFormat_ = bodyFormat_;
  copy->entryId_ = entryId_;
  copy->entryIdBytes_ = entryIdBytes_;
  copy->saved_ = saved_;
  copy->members_ = members_;
  copy->recipients_->CopyFrom(*recipients_);
  copy->attachments_->CopyFrom(*attachments_);
  copy->userProperties_->CopyFrom(*userProperties_);
  return copy;
}

std::shared_ptr<Item> Item::Snapshot() const {
  auto copy = CloneInto(parent_.lock());
  copy->entryId_.clear();
  copy->entryIdBytes_.reset();
  return copy;
}

std::shared_ptr<Item> Item::Move(const std::shared_ptr<MAPIFolder>& folder) {
  TV_FAULT_POINT(Outlook);
  Live();
  if (!folder || folder->IsDeleted()) vb::Raise(kErrFailed, L"The operation failed.");
  if (!filed_) Save();
  auto from = parent_.lock();
  auto session = Session();
  bool newId =
      !from || from->Store() != folder->Store() || (session && session->MoveAlwaysChangesEntryID());
  auto moved = CloneInto(folder);
  if (from) from->Unfile(this);
  dead_ = true;
  if (auto inspector = inspector_.lock()) {
    inspector->Rebind(moved);
    moved->inspector_ = inspector;
  }
  moved->FileInto(folder, newId);
  return moved->Handle();
}

std::shared_ptr<Item> Item::Copy() {
  TV_FAULT_POINT(Outlook);
  Live();
  if (!filed_) Save();
  auto folder = parent_.lock();
  auto copy = CloneInto(folder);
  copy->FileInto(folder, true);
  return copy->Handle();
}

void Item::Delete() {
  TV_FAULT_POINT(Outlook);
  Live();
  auto folder = parent_.lock();
  if (!filed_ || !folder) {
    dead_ = true;
    return;
  }
  auto store = folder->Store();
  auto deleted = store ? store->DefaultFolder(olFolderDeletedItems) : nullptr;
  if (!deleted || deleted == folder) {
    folder->Unfile(this);
    dead_ = true;
    return;
  }
  (void)Move(deleted);
}

void Item::Send() {
  TV_FAULT_POINT(Outlook);
  SendImpl(true);
}
void Item::Submit() {
  SendImpl(false);
}

void Item::SendImpl(bool raiseEvent) {
  RequireClass(olMail, L"Send");
  bool cancel = false;
  if (raiseEvent) events_.Send.Raise(cancel);
  if (cancel) return;
  if (auto app = raiseEvent ? Application() : nullptr) {
    app->Events().ItemSend.Raise(shared_from_this(), cancel);
    if (cancel) return;
  }
  if (recipients_->Count() == 0)
    vb::Raise(kErrFailed,
              L"There must be at least one name or distribution list in the To, Cc, or Bcc box.");
  if (!recipients_->ResolveAll())
    vb::Raise(kErrFailed, L"Outlook does not recognize one or more names.");
  auto session = Session();
  if (auto user = session ? session->CurrentUserEntry() : nullptr) {
    SetSender(user->Name(), user->Address(), user->Type());
    // The account it leaves by, as Outlook stamps it.
    if (!session->Accounts().empty()) {
      const auto& account = session->Accounts().front();
      props_.Set(NamedTag(PSETID_Common, 0x8580, PT_UNICODE), account.Name);
      props_.Set(NamedTag(PSETID_Common, 0x8581, PT_UNICODE),
                 account.Name + L"\x01" + account.SMTPAddress);
    }
  }
  props_.Set(PR_MESSAGE_FLAGS, props_.Long(PR_MESSAGE_FLAGS) | MSGFLAG_SUBMIT);
  if (auto inspector = inspector_.lock()) {
    inspector->CloseSent();  // sending closes the window without asking
  }
  auto outbox = session->GetDefaultFolder(olFolderOutbox);
  if (!filed_) {
    parent_ = outbox;
    FileInto(outbox, true);
  } else if (parent_.lock() != outbox) {
    (void)Move(outbox);
  } else {
    KeepSaved();  // already waiting in the Outbox: submitted where it is
  }
}

void Item::Display(bool modal) {
  TV_FAULT_POINT(Outlook);
  Live();
  auto app = Application();
  if (!app) vb::Raise(kErrFailed, L"The operation failed.");
  auto inspector = inspector_.lock();
  if (inspector && !inspector->IsClosed()) {
    inspector->Activate();
  } else {
    inspector = app->Inspectors()->Add(shared_from_this());
  }
  if (!modal) return;
  auto script = app->TakeModalInspectorScript();
  if (!script) throw win32::UnscriptedPrompt("modal inspector without a script");
  script(inspector);
  if (!inspector->IsClosed()) inspector->Close(olDiscard);
}

void Item::Close(int32_t saveMode) {
  TV_FAULT_POINT(Outlook);
  Live();
  if (auto inspector = inspector_.lock()) return inspector->Close(saveMode);
  if (saveMode == olSave) Save();
  if (saveMode == olDiscard) DiscardChanges();
}

std::shared_ptr<Inspector> Item::GetInspector() {
  Live();
  if (auto inspector = inspector_.lock(); inspector && !inspector->IsClosed()) return inspector;
  auto app = Application();
  if (!app) vb::Raise(kErrFailed, L"The operation failed.");
  return app->Inspectors()->Add(shared_from_this(), false);
}

}  // namespace outlook
