#include "tests/inspector_ui/InspectorTest.h"

#include "platform/inspector_bars/InspectorBars.h"
#include "platform/redemption/Install.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

void InspectorTest::Start(const std::wstring& version, bool wordMail) {
  wrappers.clear();
  newInspector.Release();
  lib.reset();
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  sandbox = std::make_unique<win32::files::TempSandbox>();
  g_sTempPath = L"C:\\Temp";
  std::wstring english = testsource::InstallEnglishFile();
  ASSERT_FALSE(english.empty());
  g_oLang = std::make_shared<CLang>();
  ASSERT_TRUE(g_oLang->Init(english, L"Tanvelo"));

  p = outlook::BuildProfile({.version = version, .explorer = true});
  p.app->SetWordMail(wordMail);
  g_oApp = p.app;
  templates = p.root->Folders()->Add(L"Tanvelo Templates");
  g_oTemplatesFolder = templates;
  tvDrafts = p.drafts->Folders()->Add(L"Tanvelo Drafts");
  g_oDraftsFolder = tvDrafts;
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  lib = std::make_shared<RL_CLib>();
  lib->Init(L"Tanvelo Templates", nullptr, L"Software\\Norvane\\Tanvelo\\Personalization");

  // Outlook gives each window its bars before anyone hears of it; the tracker then makes a
  // wrapper for every mail window.
  inspector_bars::Give(p.app);
  newInspector = p.app->Inspectors()->NewInspector.Subscribe(
      [this](std::shared_ptr<outlook::Inspector> inspector) {
        std::erase_if(wrappers, [](const WrapperPtr& w) { return !w->GetInspector(); });
        auto wrapper = std::make_shared<CInspectorWrapper>();
        if (wrapper->Init(inspector, false)) wrappers.push_back(wrapper);
      });

  auto& c = InspectorCommandsSlot();
  c.DemandTanvelo_Click = [this](const InspectorCommands::WrapperPtr&, int32_t nAction,
                                 const std::wstring& id, bool fg) {
    commands.push_back(L"Tanvelo " + std::to_wstring(nAction) + L" [" + id + L"] fg=" +
                       std::to_wstring(fg));
  };
  c.SaveAsTemplate_Click = [this](const std::wstring& id, bool& fg) {
    commands.push_back(L"SaveAsTemplate [" + id + L"] fg=" + std::to_wstring(fg));
  };
  c.OpenDuplicate_Click = [this](const std::wstring& id, bool fg) {
    commands.push_back(L"OpenDuplicate [" + id + L"] fg=" + std::to_wstring(fg));
  };
  c.Hotkey_Click = [this](const std::wstring& id, bool fg) {
    commands.push_back(L"Hotkey [" + id + L"] fg=" + std::to_wstring(fg));
  };
  c.ChangeDefault_Click = [this](const ItemPtr& item) {
    commands.push_back(L"ChangeDefault [" + item->EntryID() + L"]");
    if (!mTanvelo::IsTemplateItem(item)) return false;
    if (mTanvelo::IsDefaultTemplate(item->EntryID()))
      mTanvelo::ClearDefaultTemplate();
    else
      mTanvelo::SetDefaultTemplate(item);
    return true;
  };
  c.ProcessPersonal2_Click = [this](const ItemPtr& item, bool word) {
    commands.push_back(L"ProcessPersonal [" + item->EntryID() + L"] word=" + std::to_wstring(word));
  };
  commands.clear();
  // A box with only an OK button is acknowledged; every question needs a scripted answer.
  win32::msgbox::SetDefaultAnswerer([](const win32::ShownMessageBox& box) {
    if ((box.style & 0xF) != win32::MB_OK)
      throw win32::UnscriptedPrompt("question without a scripted answer: " +
                                    win32::ToAnsi(box.text));
    return win32::IDOK;
  });
}

void InspectorTest::TearDown() {
  for (auto& w : wrappers) w->Done();
  wrappers.clear();
  newInspector.Release();
  lib.reset();
  g_oFrequentlyTemplates.reset();
  g_oLang.reset();
  g_oTemplatesFolder.reset();
  g_oDraftsFolder.reset();
  g_oApp.reset();
}

WrapperPtr InspectorTest::Open(const ItemPtr& item) {
  auto inspector = p.app->Inspectors()->Add(item);
  for (const auto& w : wrappers)
    if (w->GetInspector() == inspector) return w;
  return nullptr;
}

std::shared_ptr<office::CommandBars> InspectorTest::BarsOf(const WrapperPtr& wrapper) {
  return inspector_bars::Of(wrapper->GetInspector());
}

ItemPtr InspectorTest::AddTemplate(const std::wstring& subject, const std::wstring& body) {
  auto item = templates->Items()->Add(outlook::olMailItem);
  item->SetSubject(subject);
  item->SetBody(body);
  item->Save();
  return item;
}

void InspectorTest::AddRecipient(const ItemPtr& item, const std::wstring& text) {
  auto r = item->Recipients()->Add(text);
  r->Resolve();
}

ItemPtr InspectorTest::MadeMail(const std::wstring& subject, const std::wstring& body,
                                int32_t sendMode, const std::vector<std::wstring>& to,
                                int32_t format) {
  auto item = tvDrafts->Items()->Add(outlook::olMailItem);
  item->SetSubject(subject);
  if (format == outlook::olFormatHTML)
    item->SetHTMLBody(body);
  else if (format == outlook::olFormatRichText)
    item->SetRTFBody(L"{\\rtf1\\ansi " + body + L"}");
  else
    item->SetBody(body);
  for (const auto& r : to) AddRecipient(item, r);
  mTanvelo::SetAddinProperty(item, Options().ProductCode(), false);
  mTanvelo::SetSendMode(item, sendMode, false);
  item->Save();
  return item;
}

std::vector<std::wstring> InspectorTest::Boxes() {
  std::vector<std::wstring> texts;
  for (const auto& box : win32::msgbox::Shown()) texts.push_back(box.text);
  return texts;
}

bool InspectorTest::Logged(const std::wstring& procedure, const std::wstring& text) {
  return text.empty() ? testlog::Logged(procedure) : testlog::LoggedContaining(procedure, text);
}
