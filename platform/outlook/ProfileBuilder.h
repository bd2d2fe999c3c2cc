// A deterministic Outlook profile for tests and the simulated Outlook program: a user, a
// default store with the standard folders, mail in each body format from known and unknown
// senders, contacts, nested distribution lists and a second store.
#pragma once

#include <memory>
#include <string>

#include "platform/outlook/Forward.h"

namespace outlook {

struct ProfileOptions {
  std::wstring version = L"14.0.0.4760";
  std::wstring userName = L"Pat Doe";
  std::wstring userAddress = L"pat.doe@norvane.example";
  bool secondStore = true;
  // Opens an explorer on the Inbox (NewExplorer and Activate are raised while building).
  bool explorer = false;
};

struct Profile {
  std::shared_ptr<Application> app;
  std::shared_ptr<NameSpace> session;
  std::shared_ptr<Store> store, secondStore;
  std::shared_ptr<MAPIFolder> root, inbox, drafts, outbox, sent, deleted, contacts;
  std::shared_ptr<MAPIFolder> secondRoot, secondInbox;
  std::shared_ptr<AddressEntry> user;
  // Exchange user Lee Ann, SMTP partner Kim Roe (also a contact), and a list "Sales Team"
  // holding Lee Ann and the list "Support" (Kim Roe, Sam Poe).
  std::shared_ptr<AddressEntry> leeAnn, kimRoe, samPoe, salesTeam, support;
  // In the Inbox: plain from Kim Roe (To the user, Cc Lee Ann), HTML from Lee Ann with an
  // inline picture and a file, RTF from an unknown sender; in the second store's Inbox one
  // plain mail; in Sent Items one sent mail.
  std::shared_ptr<Item> plainMail, htmlMail, rtfMail, archivedMail, sentMail;
  std::shared_ptr<Item> kimContact, joContact, friendsList;
};

Profile BuildProfile(const ProfileOptions& options = {});

// A received mail filed in `folder`: from `from`, to the session's user, in `format` with
// `body` as its text (HTML: `body` is the whole HTML document).
std::shared_ptr<Item> AddReceivedMail(const std::shared_ptr<MAPIFolder>& folder,
                                      const std::shared_ptr<AddressEntry>& from,
                                      const std::wstring& subject, int32_t format,
                                      const std::wstring& body);

// A saved, unsent mail with that subject in `folder` (a template when the folder is one of
// the templates tree).
std::shared_ptr<Item> AddUnsentMail(const std::shared_ptr<MAPIFolder>& folder,
                                    const std::wstring& subject);

}  // namespace outlook
