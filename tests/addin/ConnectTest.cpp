#include "tests/addin/ConnectTest.h"

#include "core/CLang.h"
#include "core/Main.h"
#include "platform/forms/User.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/redemption/Install.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"
#include "tests/common/Log.h"
#include "tests/common/Source.h"

void ConnectTest::SetUp() {
  Boot(L"14.0.0.4760");
}

void ConnectTest::TearDown() {
  host.reset();
  addin.reset();
  g_oLang.reset();
}

void ConnectTest::Boot(const std::wstring& version) {
  host.reset();
  addin.reset();
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  msxml::Install();
  sandbox = std::make_unique<win32::files::TempSandbox>();
  ASSERT_FALSE(testsource::InstallEnglishFile().empty());
  p = outlook::BuildProfile({.version = version});
  g_oApp = p.app;  // so that a test can set options of this profile before the start
  addin = std::make_shared<Connect>();
  host = std::make_unique<addinhost::OutlookHost>(p.app, addin);
  menus.clear();
  wrappers.clear();
  Factories().MakeExplorerMenu = [this](const std::shared_ptr<outlook::Explorer>& explorer) {
    menus.push_back(explorer);
    return std::make_shared<int>(static_cast<int>(menus.size()));
  };
  Factories().MakeInspectorWrapper = [this](const std::shared_ptr<outlook::Inspector>& inspector,
                                            bool) -> InspectorWrapperPtr {
    auto wrapper = std::make_shared<RecordingWrapper>(inspector);
    wrappers.push_back(wrapper);
    return wrapper;
  };
  answers.clear();
  win32::msgbox::SetDefaultAnswerer([this](const win32::ShownMessageBox& box) {
    if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
    if (answers.empty())
      throw win32::UnscriptedPrompt("unexpected question: " + win32::ToAnsi(box.text));
    int answer = answers.front();
    answers.pop_front();
    return answer;
  });
}

void ConnectTest::Start(int32_t explorers) {
  host->Start(p.inbox, explorers);
}

FolderPtr ConnectTest::PrepareTemplatesFolder(const FolderPtr& parent, const std::wstring& name) {
  return parent->Folders()->Add(name, 16);
}

std::vector<std::wstring> ConnectTest::Boxes() const {
  std::vector<std::wstring> texts;
  for (const auto& box : win32::msgbox::Shown()) texts.push_back(box.text);
  return texts;
}

bool ConnectTest::Logged(const std::wstring& procedure, const std::wstring& text) {
  return testlog::Logged(procedure, text);
}

bool ConnectTest::LoggedContaining(const std::wstring& procedure, const std::wstring& fragment) {
  return testlog::LoggedContaining(procedure, fragment);
}

void ConnectTest::AcceptFolderDialog() {
  forms::QueueScript(L"frmReplyFolder", [](forms::User& u) { u.PressEnter(); });
}
