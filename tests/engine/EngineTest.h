// A profile with a templates folder, Redemption and MSXML installed, for the engine's tests.
#pragma once

#include <gtest/gtest.h>

#include "core/CLang.h"
#include "core/Main.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"

class EngineTest : public testing::Test {
 protected:
  void SetUp() override { Start(L"14.0.0.4760"); }

  // A new process on a new profile of that Outlook version.
  void Start(const std::wstring& version) {
    win32::ResetPlatform();
    resources::LoadModuleResources();
    redemption::Install();
    msxml::Install();
    p = outlook::BuildProfile({.version = version, .explorer = true});
    g_oApp = p.app;
    templates = p.root->Folders()->Add(L"Tanvelo Templates");
    g_oTemplatesFolder = templates;
  }

  // A saved, unsent mail in the folder.
  std::shared_ptr<outlook::Item> AddMail(const std::shared_ptr<outlook::MAPIFolder>& folder,
                                         const std::wstring& subject) {
    return outlook::AddUnsentMail(folder, subject);
  }

  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"") {
    return testlog::Logged(procedure, text);
  }

  outlook::Profile p;
  std::shared_ptr<outlook::MAPIFolder> templates;
};
