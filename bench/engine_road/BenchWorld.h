// The profile every road benchmark starts from: a sandbox (on a memory file system unless told
// otherwise) bound to the attachment files, the templates and drafts folders, the send question
// answered "send now".
#pragma once

#include <filesystem>
#include <memory>

#include "bench/common/Sandbox.h"
#include "core/Main.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Files.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

namespace bench {

struct World {
  std::unique_ptr<win32::files::TempSandbox> sandbox;
  outlook::Profile p;
  std::shared_ptr<outlook::MAPIFolder> drafts;

  ~World() {
    mTanvelo::Services() = mTanvelo::RoadServices();
    outlook::files::Bind(nullptr, nullptr);
    g_oTemplatesFolder.reset();
    g_oDraftsFolder.reset();
    g_oApp.reset();
  }
};

inline std::unique_ptr<World> MakeWorld(
    const std::filesystem::path& root = benchdata::MemoryRoot()) {
  auto w = std::make_unique<World>();
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  w->sandbox = std::make_unique<win32::files::TempSandbox>(root);
  outlook::files::Bind(
      [](const std::wstring& path) { return win32::files::ReadAllBytes(win32::ToAnsi(path)); },
      [](const std::wstring& path, const outlook::files::Bytes& data) {
        return win32::files::WriteAll(
            win32::ToAnsi(path),
            std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      });
  g_sTempPath = L"C:\\Temp";
  w->p = outlook::BuildProfile();
  g_oApp = w->p.app;
  g_oTemplatesFolder = w->p.root->Folders()->Add(L"Tanvelo Templates");
  w->drafts = w->p.drafts->Folders()->Add(L"Tanvelo Drafts");
  g_oDraftsFolder = w->drafts;
  mTanvelo::Services() = mTanvelo::RoadServices();
  mTanvelo::Services().AskSendMessages = [](int32_t, bool& bSendNow, bool) { bSendNow = true; };
  return w;
}

}  // namespace bench
