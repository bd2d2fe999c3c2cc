// Shared by the personalization tests: an Outlook profile with Redemption installed, the
// English texts, the library object, and mails and contacts made to measure.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/CLang.h"
#include "core/Main.h"
#include "personalization/RL_CLib.h"
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

namespace ptest {

inline std::string EnglishFile() {
  return testsource::ReadSourceFile("lang/EN.lng");
}

using testlog::Logged;

inline size_t LogCount(const std::wstring& procedure) {
  size_t n = 0;
  for (const auto& e : support::library::Log()) n += e.procedure == procedure;
  return n;
}

class PersonalizationTest : public testing::Test {
 protected:
  win32::files::TempSandbox sandbox;
  outlook::Profile p;
  std::shared_ptr<RL_CLib> lib;

  void SetUp() override { Start(L"14.0.0.4760"); }

  void Start(const std::wstring& version) {
    resources::LoadModuleResources();
    redemption::Install();
    std::string path = win32::ToAnsi(vb::App().Path) + "\\EN.lng";
    ASSERT_TRUE(win32::files::WriteAll(path, EnglishFile()));
    g_oLang = std::make_shared<CLang>();
    ASSERT_TRUE(g_oLang->Init(win32::FromAnsi(path), L"Tanvelo"));
    p = outlook::BuildProfile({.version = version});
    g_oApp = p.app;
    lib = std::make_shared<RL_CLib>();
    lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");
  }

  void TearDown() override {
    lib.reset();
    g_oApp.reset();
    g_oLang.reset();
  }

  // An address-book entry for someone outside the organisation.
  static std::shared_ptr<outlook::AddressEntry> Smtp(const std::wstring& name,
                                                     const std::wstring& address) {
    return std::make_shared<outlook::AddressEntry>(name, address, L"SMTP");
  }

  static void AddRecipient(const std::shared_ptr<outlook::Item>& mail,
                           const std::shared_ptr<outlook::AddressEntry>& entry,
                           int32_t type = outlook::olTo) {
    auto r = mail->Recipients()->Add(entry->Name());
    r->SetEntry(entry);
    r->SetType(type);
  }

  // A saved mail in Drafts with the body in the given format.
  std::shared_ptr<outlook::Item> Mail(const std::wstring& subject, const std::wstring& body,
                                      int32_t format = outlook::olFormatPlain) {
    auto mail = p.app->CreateItem(outlook::olMailItem);
    mail->SetSubject(subject);
    if (format == outlook::olFormatHTML)
      mail->SetHTMLBody(body);
    else if (format == outlook::olFormatRichText)
      mail->SetRTFBody(body);
    else
      mail->SetBody(body);
    mail->Save();
    return mail;
  }

  std::shared_ptr<outlook::Item> Contact(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                         const std::wstring& first, const std::wstring& last,
                                         const std::wstring& address, int slot = 1) {
    auto c = folder->Items()->Add(outlook::olContactItem);
    c->SetFirstName(first);
    c->SetLastName(last);
    c->SetFullName(first + L" " + last);
    c->SetEmailAddress(slot, address);
    c->Save();
    return c;
  }

  std::wstring Store() const { return p.store->StoreID(); }
};

}  // namespace ptest
