#include "platform/outlook/ProfileBuilder.h"

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"

namespace outlook {

namespace {

constexpr const wchar_t* kOrg = L"/O=NORVANE/OU=EXCHANGE ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=";

std::shared_ptr<MAPIFolder> AddDefault(const std::shared_ptr<Store>& store,
                                       const std::wstring& name, int32_t type) {
  auto folder = store->Root()->Folders()->Add(name, type);
  store->SetDefaultFolder(type, folder);
  return folder;
}

std::shared_ptr<Store> AddStandardStore(NameSpace& session, const std::wstring& name) {
  auto store = session.AddStore(name);
  AddDefault(store, L"Deleted Items", olFolderDeletedItems);
  AddDefault(store, L"Inbox", olFolderInbox);
  AddDefault(store, L"Outbox", olFolderOutbox);
  AddDefault(store, L"Sent Items", olFolderSentMail);
  AddDefault(store, L"Drafts", olFolderDrafts);
  AddDefault(store, L"Contacts", olFolderContacts);
  return store;
}

std::shared_ptr<AddressEntry> Exchange(const std::wstring& name, const std::wstring& alias,
                                       const std::wstring& smtp) {
  return std::make_shared<AddressEntry>(name, kOrg + alias, L"EX", smtp);
}

void AddRecipient(const std::shared_ptr<Item>& item, const std::shared_ptr<AddressEntry>& entry,
                  int32_t type) {
  auto r = item->Recipients()->Add(entry->Name());
  r->SetEntry(entry);
  r->SetType(type);
}

std::shared_ptr<Item> AddContact(const std::shared_ptr<MAPIFolder>& folder,
                                 const std::wstring& first, const std::wstring& last,
                                 const std::wstring& company, int email,
                                 const std::wstring& address) {
  auto c = folder->Items()->Add(olContactItem);
  c->SetFirstName(first);
  c->SetLastName(last);
  c->SetFullName(first + L" " + last);
  c->SetCompanyName(company);
  c->SetInitials(first.substr(0, 1) + L"." + last.substr(0, 1) + L".");
  c->SetEmailAddress(email, address);
  c->SetSubject(first + L" " + last);
  c->Save();
  return c;
}

}  // namespace

std::shared_ptr<Item> AddUnsentMail(const std::shared_ptr<MAPIFolder>& folder,
                                    const std::wstring& subject) {
  auto item = folder->Items()->Add(olMailItem);
  item->SetSubject(subject);
  item->Save();
  return item;
}

std::shared_ptr<Item> AddReceivedMail(const std::shared_ptr<MAPIFolder>& folder,
                                      const std::shared_ptr<AddressEntry>& from,
                                      const std::wstring& subject, int32_t format,
                                      const std::wstring& body) {
  auto session = folder->Session();
  auto mail = Item::Create(olMail, session, folder);
  mail->SetSubject(subject);
  mail->SetSender(from->Name(), from->Address(), from->Type());
  if (auto user = session->CurrentUserEntry()) AddRecipient(mail, user, olTo);
  if (format == olFormatHTML) {
    mail->SetHTMLBody(body);
  } else if (format == olFormatRichText) {
    mail->SetRTFBody(body::TextToRtf(body));
  } else {
    mail->SetBody(body);
  }
  mail->SetSentFlag(true);
  mail->SetReceived(Now());
  mail->Save();
  return mail->Handle();
}

Profile BuildProfile(const ProfileOptions& options) {
  Profile p;
  p.app = Application::Create(options.version);
  p.session = p.app->Session();
  auto& session = *p.session;

  p.user = Exchange(options.userName, L"PDOE", options.userAddress);
  session.SetCurrentUser(p.user);
  session.AddAccount({L"Norvane Mail", options.userName, options.userAddress});
  p.leeAnn = Exchange(L"Lee Ann", L"LANN", L"lee.ann@norvane.example");
  p.kimRoe = std::make_shared<AddressEntry>(L"Kim Roe", L"kim.roe@partner.example", L"SMTP");
  p.samPoe = Exchange(L"Sam Poe", L"SPOE", L"sam.poe@norvane.example");
  p.support = Exchange(L"Support", L"SUPPORT", L"support@norvane.example");
  p.support->AddMember(p.kimRoe);
  p.support->AddMember(p.samPoe);
  p.salesTeam = Exchange(L"Sales Team", L"SALES", L"sales@norvane.example");
  p.salesTeam->AddMember(p.leeAnn);
  p.salesTeam->AddMember(p.support);
  for (auto& e : {p.user, p.leeAnn, p.samPoe, p.support, p.salesTeam}) session.AddressBook().Add(e);

  p.store = AddStandardStore(session, L"Mailbox - " + options.userName);
  p.root = p.store->Root();
  p.inbox = p.store->DefaultFolder(olFolderInbox);
  p.drafts = p.store->DefaultFolder(olFolderDrafts);
  p.outbox = p.store->DefaultFolder(olFolderOutbox);
  p.sent = p.store->DefaultFolder(olFolderSentMail);
  p.deleted = p.store->DefaultFolder(olFolderDeletedItems);
  p.contacts = p.store->DefaultFolder(olFolderContacts);

  p.kimContact =
      AddContact(p.contacts, L"Kim", L"Roe", L"Partner Ltd", 1, L"kim.roe@partner.example");
  p.kimContact->SetNickName(L"Kimmy");
  p.kimContact->Save();
  p.joContact = AddContact(p.contacts, L"Jo", L"Bloggs", L"", 2, L"jo@bloggs.example");
  p.friendsList = p.contacts->Items()->Add(olDistributionListItem);
  p.friendsList->SetDLName(L"Friends");
  p.friendsList->AddMember(p.kimRoe);
  p.friendsList->AddMember(
      std::make_shared<AddressEntry>(L"Jo Bloggs", L"jo@bloggs.example", L"SMTP"));
  p.friendsList->Save();

  p.plainMail = AddReceivedMail(p.inbox, p.kimRoe, L"Quarterly figures", olFormatPlain,
                                L"Hello Pat,\r\n\r\nthe figures are attached.\r\n\r\nKim");
  AddRecipient(p.plainMail, p.leeAnn, olCC);
  p.plainMail->Save();

  p.htmlMail = AddReceivedMail(
      p.inbox, p.leeAnn, L"Team lunch", olFormatHTML,
      L"<html><head><style>p{margin:0}</style></head><body lang=EN-US>"
      L"<p>Hi <b>Pat</b>,</p><p>lunch on Friday?</p>"
      L"<p><img src=\"cid:image001.png@01D00000.00000000\"></p><p>Lee</p></body></html>");
  // A real picture (one red pixel), so a page saved from the mail shows it.
  auto picture = p.htmlMail->Attachments()->AddData(
      L"image001.png",
      {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
       0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
       0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08,
       0xD7, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D,
       0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82});
  picture->SetFields(PR_ATTACH_CONTENT_ID, std::wstring(L"image001.png@01D00000.00000000"));
  picture->SetFields(PR_ATTACH_FLAGS, 4);
  picture->SetPosition(-1);
  p.htmlMail->Attachments()->AddData(L"menu.txt", {'S', 'o', 'u', 'p'});
  p.htmlMail->Save();

  p.rtfMail = AddReceivedMail(
      p.inbox, std::make_shared<AddressEntry>(L"Stranger", L"stranger@elsewhere.example", L"SMTP"),
      L"Offer", olFormatRichText, L"Dear customer,\r\nwe have an offer for you.");

  p.sentMail = AddReceivedMail(p.sent, p.user, L"Minutes", olFormatPlain, L"The minutes.");

  if (options.secondStore) {
    p.secondStore = AddStandardStore(session, L"Archive");
    p.secondRoot = p.secondStore->Root();
    p.secondInbox = p.secondStore->DefaultFolder(olFolderInbox);
    p.archivedMail = AddReceivedMail(p.secondInbox, p.kimRoe, L"Old news", olFormatPlain, L"Old.");
  }
  if (options.explorer) p.app->Explorers()->Add(p.inbox);
  return p;
}

}  // namespace outlook
