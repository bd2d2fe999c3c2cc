#include "tests/commands/CommandsTest.h"

#include "core/COptions.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanveloRoad.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Files.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

namespace {

int OkOnly(const win32::ShownMessageBox& box) {
  if ((box.style & 0xF) != win32::MB_OK)
    throw win32::UnscriptedPrompt("question without a scripted answer: " + win32::ToAnsi(box.text));
  return win32::IDOK;
}

// Finds field tokens and leaves them (the road's own tests look at the replacing).
class RecordingJob : public mTanvelo::IPersonalizationJob {
 public:
  explicit RecordingJob(std::vector<std::wstring>& calls) : calls_(calls) {}
  bool HasReplaces(const std::wstring& id, const std::wstring& store) override {
    calls_.push_back(L"Has");
    auto item = g_oApp->Session()->GetItemFromID(id, store);
    return item->Body().find(L"%") != std::wstring::npos;
  }
  bool LoadReplaceValues(const std::wstring&, const std::wstring&, bool top, bool silent,
                         bool) override {
    calls_.push_back(L"Load top=" + std::to_wstring(top) + L" silent=" + std::to_wstring(silent));
    return true;
  }
  bool DoReplace(const std::wstring&, bool leave, bool&, const std::wstring&, int32_t, bool save,
                 bool) override {
    calls_.push_back(L"Replace leave=" + std::to_wstring(leave) + L" save=" +
                     std::to_wstring(save));
    return true;
  }

 private:
  std::vector<std::wstring>& calls_;
};

}  // namespace

void CommandsTest::Start(const std::wstring& version) {
  resources::LoadModuleResources();
  redemption::Install();
  sandbox = std::make_unique<win32::files::TempSandbox>();
  g_sTempPath = L"C:\\Temp";
  p = outlook::BuildProfile({.version = version, .explorer = true});
  g_oApp = p.app;
  templates = p.root->Folders()->Add(L"Tanvelo Templates");
  g_oTemplatesFolder = templates;
  tvDrafts = p.drafts->Folders()->Add(L"Tanvelo Drafts");
  g_oDraftsFolder = tvDrafts;
  g_oLang = std::make_shared<CLang>();

  ASSERT_TRUE(g_oLang->Init(testsource::InstallEnglishFile(), L"Tanvelo"));
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
  win32::msgbox::SetDefaultAnswerer(OkOnly);

  auto& s = mTanvelo::Services();
  s.CreateJob = [this] { return std::make_shared<RecordingJob>(jobCalls); };
  s.ShowSelectTemplate = [this](std::wstring& id, int32_t& mode, int32_t mask, bool) {
    pickerAsked.push_back(id + L"|" + std::to_wstring(mode) + L"|" + std::to_wstring(mask));
    if (whilePickerOpen) {
      auto act = std::move(whilePickerOpen);
      whilePickerOpen = nullptr;
      act();
    }
    if (picker.empty()) throw win32::UnscriptedPrompt("template picker");
    PickerAnswer answer = picker.front();
    picker.pop_front();
    if (!answer.ok) return false;
    id = answer.entryId;
    mode = answer.mode;
    return true;
  };
  s.ShowWait = s.HideWait = s.CloseWait = [] {};
}

void CommandsTest::TearDown() {
  g_oFrequentlyTemplates.reset();
  g_oLang.reset();
  g_oTemplatesFolder.reset();
  g_oDraftsFolder.reset();
  g_oApp.reset();
}

ItemPtr CommandsTest::AddTemplate(const std::wstring& subject, const std::wstring& body) {
  auto item = templates->Items()->Add(outlook::olMailItem);
  item->SetSubject(subject);
  item->SetBody(body);
  item->Save();
  return item;
}

void CommandsTest::ShowAndSelect(const FolderPtr& folder, std::vector<ItemPtr> items) {
  auto explorer = p.app->ActiveExplorer();
  if (explorer->CurrentFolder() != folder) explorer->SetCurrentFolder(folder);
  explorer->Select(std::move(items));
}

std::vector<std::wstring> CommandsTest::Subjects(const FolderPtr& folder) {
  std::vector<std::wstring> subjects;
  for (const auto& item : folder->Items()->All()) subjects.push_back(item->Subject());
  return subjects;
}

std::vector<std::wstring> CommandsTest::Boxes() {
  std::vector<std::wstring> texts;
  for (const auto& box : win32::msgbox::Shown()) texts.push_back(box.text);
  return texts;
}

bool CommandsTest::Logged(const std::wstring& procedure, const std::wstring& text) {
  return text.empty() ? testlog::Logged(procedure) : testlog::LoggedContaining(procedure, text);
}

int CommandsTest::Warnings(const std::wstring& procedure, const std::wstring& text) {
  int n = 0;
  for (const auto& e : support::library::Log())
    if (e.procedure == procedure && e.text == text) ++n;
  return n;
}

void CommandsTest::Wait(uint32_t ms) {
  win32::clock::Advance(ms);
}
