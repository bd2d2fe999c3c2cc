// A profile with a templates folder, the English language file and the module's resources,
// for tests that drive the dialogs as a user would.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/CLang.h"
#include "core/Main.h"
#include "platform/forms/Form.h"
#include "platform/forms/User.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

class DialogTest : public testing::Test {
 protected:
  void SetUp() override { Start(Version()); }
  virtual std::wstring Version() const { return L"14.0.0.4760"; }
  void TearDown() override {
    g_oTemplatesFolder.reset();
    g_oApp.reset();
    g_oLang.reset();
  }

  void Start(const std::wstring& version) {
    resources::LoadModuleResources();
    redemption::Install();
    p = outlook::BuildProfile({.version = version, .explorer = true});
    g_oApp = p.app;
    templates = p.root->Folders()->Add(L"Tanvelo Templates");
    g_oTemplatesFolder = templates;
    g_oLang = std::make_shared<CLang>();
    ASSERT_TRUE(g_oLang->Init(InstallEnglish(), L"Tanvelo"));
  }

  std::wstring InstallEnglish() {
    std::wstring path = testsource::InstallEnglishFile();
    EXPECT_FALSE(path.empty());
    return path;
  }

  std::shared_ptr<outlook::MAPIFolder> AddFolder(const std::shared_ptr<outlook::MAPIFolder>& parent,
                                                 const std::wstring& name) {
    return parent->Folders()->Add(name);
  }

  // A saved, unsent mail in the folder.
  std::shared_ptr<outlook::Item> AddTemplate(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                             const std::wstring& subject) {
    return outlook::AddUnsentMail(folder, subject);
  }

  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"") {
    return text.empty() ? testlog::Logged(procedure) : testlog::LoggedContaining(procedure, text);
  }

  win32::files::TempSandbox sandbox;
  outlook::Profile p;
  std::shared_ptr<outlook::MAPIFolder> templates;
};
