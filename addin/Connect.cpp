#include "addin/Connect.h"

#include "addin/CConnectRibbon.h"
#include "commands/frmDummy.h"
#include "commands/mKeyboardHook.h"
#include "core/CClipboard.h"
#include "core/CLang.h"
#include "core/CLibNorvane.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/LibCallbacks.h"
#include "core/LibVersionTexts.h"
#include "core/Main.h"
#include "dialogs/mForms.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanveloRoad.h"
#include "hotkeys/CHotkeys.h"
#include "personalization/RL_CLib.h"
#include "platform/addin/EventsComponent.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Items.h"
#include "platform/vb/Environ.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Reset.h"

std::shared_ptr<Connect> g_oConnect;
std::shared_ptr<RL_CLib> g_oPersonalization;

namespace {

constexpr const wchar_t* kOnConnection = L"Connect::IDTExtensibility2_OnConnection";
constexpr int32_t kRectWidth = 512, kRectHeight = 378;

const bool kConnectGlobalsReset = (win32::RegisterReset([] {
                                     g_oConnect.reset();
                                     g_oPersonalization.reset();
                                   }),
                                   true);

std::wstring FileNamePart(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The support library's first callback: the sample folder of new-message templates in the
// active explorer, then a new mail from a template the user picks.
void NewMailFromTemplateForLibrary() {
  vb::Ignore([] { mTanvelo::ShowNewMessageTemplatesFolder(); });
  bool bFocus = false;
  mTanvelo::NewMailFromTemplate(L"", bFocus);
}

}  // namespace

Connect::Connect() {
  (void)kConnectGlobalsReset;
}

Connect::~Connect() {
  FreeLibHandles();
}

bool Connect::Alive() const {
  return m_state != State::NotConnected && m_state != State::ShutDown && !m_bConnectFailed;
}

void Connect::FreeLibHandles() {
  for (uint32_t handle : m_libHandles) win32::FreeHandle(handle);
  m_libHandles.clear();
}

void Connect::FillLibBlock() {
  LibInitBlock block{};
  LibNorvane().FillInitParams(block);
  const auto& screen = vb::Screen();
  double screenW = static_cast<double>(screen.Width()) / screen.TwipsPerPixelX;
  double screenH = static_cast<double>(screen.Height()) / screen.TwipsPerPixelY;
  m_rect = {vb::CLng((screenW - kRectWidth) / 2), vb::CLng((screenH - kRectHeight) / 2), kRectWidth,
            kRectHeight};
  FreeLibHandles();
  auto keep = [this](std::any value) {
    m_libHandles.push_back(win32::AllocHandle(std::move(value)));
    return m_libHandles.back();
  };
  PutBlockLong(block, 4, 2);
  PutBlockLong(block, 8, keep(std::shared_ptr<void>(g_oApp)));
  PutBlockLong(block, 16, keep(support::NewMailCallback(OnLibNewMailFromTemplate)));
  PutBlockInt16(block, 28, 0xFFFF);
  PutBlockLong(block, 40, keep(support::TextCallback(OnLibGetUserAddress)));
  PutBlockLong(block, 56, keep(&m_rect));
  PutBlockLong(block, 60, keep(support::TextCallback(OnLibGetLangID)));
  PutBlockLong(block, 64, keep(support::VersionTextsCallback(OnLibGetVersionTexts)));
  PutBlockLong(block, 172, 1);
  PutBlockLong(block, 176, 1);
  m_block = block;
}

bool Connect::StartLibrary() {
  int32_t result = 0;
  if (!vb::Catch([&] { result = LibNorvane().InitEx(vb::App().hInstance, m_block); })) {
    LogError(kOnConnection);
    return false;
  }
  if (result != 0) {
    LogError(kOnConnection, 0, L"LibNorvane.InitEx returned " + std::to_wstring(result));
    return false;
  }
  return true;
}

void Connect::OnConnection(std::shared_ptr<outlook::Application> application,
                           int32_t /*connectMode*/, std::any /*addInInst*/,
                           addinhost::CustomArray& /*custom*/) {
  auto self = weak_from_this().lock();
  m_state = State::Connected;
  m_bConnectFailed = false;
  std::wstring step;
  auto fail = [&](bool log) {
    if (log) LogError(kOnConnection, std::nullopt, std::nullopt, step);
    m_bConnectFailed = true;
    Done(true);
  };
  if (!vb::Catch([&] {
        g_oConnect = self;
        g_oApp = application;

        g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();
        m_FreqTemplates = g_oFrequentlyTemplates;
        m_subFreqTemplates = m_FreqTemplates->OnChange.Subscribe(
            [this](int32_t nAction) { m_FreqTemplates_OnChange(nAction); });

        if (GetAppVersion() >= 12) {
          m_o2007events = vb::CreateObject<o2007events::O2007Events>(o2007events::kProgID);
          m_sub2007events.push_back(m_o2007events->OnItemContextMenuDisplay.Subscribe(
              [this](std::shared_ptr<office::CommandBar> bar,
                     std::shared_ptr<outlook::Selection> selection) {
                m_o2007events_OnItemContextMenuDisplay(bar, selection);
              }));
          m_sub2007events.push_back(m_o2007events->OnContextMenuClose.Subscribe(
              [this](int32_t nMenu) { m_o2007events_OnContextMenuClose(nMenu); }));
          m_o2007events->Init(g_oApp);
        }

        vb::App().HelpFile = vb::App().Path + L"\\" + FileNamePart(vb::App().HelpFile);

        step = L"init libnorvane";
        // The library may call back as soon as it has started.
        g_fnNewMailFromTemplate = NewMailFromTemplateForLibrary;
        FillLibBlock();
      }))
    return fail(true);

  step = L"libnorvane.InitEx";
  if (!StartLibrary()) return fail(false);

  if (!vb::Catch([&] {
        step.clear();
        g_oLang = std::make_shared<CLang>();
        g_oLang->InitEx(Options().ProductCode());

        step = L"Init replacelib";
        g_oPersonalization = std::make_shared<RL_CLib>();
        g_oPersonalization->Init(
            L"Tanvelo Templates", Options().MAIN_ICON(),
            L"Software\\VB and VBA Program Settings\\Tanvelo\\Personalization");

        step.clear();
        g_sTempPath = vb::Environ(L"TEMP");
        mForms::ConnectEngineServices();
        // The keyboard hook's hotkeys reach the add-in object while it lives.
        mKeyboardHook::OnHotkeySlot() = [](const std::shared_ptr<CHotkey>& hotkey) {
          if (auto addin = g_oConnect; addin && hotkey) addin->OnHotkey(*hotkey);
        };
      }))
    return fail(true);
}

void Connect::OnStartupComplete(addinhost::CustomArray& /*custom*/) {
  auto self = weak_from_this().lock();
  if (!Alive()) return;
  vb::Ignore([&] {
    m_oExplorers = std::make_shared<CExplorersWrapper>();
    m_oInspectors = std::make_shared<CInspectorsWrapper>();
    SubscribeTrackers();
    m_state = State::Started;
    auto explorers = m_oExplorers;  // a shutdown inside the announcements releases ours
    explorers->Init(g_oApp->Explorers());
  });
  vb::Err().Clear();
}

void Connect::OnBeginShutdown(addinhost::CustomArray& /*custom*/) {
  auto self = weak_from_this().lock();
  vb::Ignore([&] {
    LogInfo(L"Connect::IDTExtensibility2_OnBeginShutdown", L"");
    Done(true);
  });
  vb::Err().Clear();
}

void Connect::OnDisconnection(int32_t /*removeMode*/, addinhost::CustomArray& /*custom*/) {
  auto self = weak_from_this().lock();
  vb::Ignore([&] {
    LogInfo(L"Connect::IDTExtensibility2_OnDisconnection", L"");
    Done(true);
  });
  ReleaseOptions();
  g_oFrequentlyTemplates.reset();
  m_subFreqTemplates.Release();
  m_FreqTemplates.reset();
  vb::Err().Clear();
}

void Connect::OnAddInsUpdate(addinhost::CustomArray& /*custom*/) {}

bool Connect::Init(const std::shared_ptr<CExplorerWrapper>& wrapper) {
  auto self = weak_from_this().lock();
  bool bSuccess = false;
  Trap(L"Connect::Init", [&] {
    bool bFirstRun = Options().FirstRun();
    SetTanveloFolder(bFirstRun);
    if (g_oTemplatesFolder) {
      m_oTanveloItems = g_oTemplatesFolder->Items();
      m_subTanveloItems = m_oTanveloItems->ItemAdd.Subscribe(
          [this](std::shared_ptr<outlook::Item> item) { m_oTanveloItems_ItemAdd(item); });
    }
    g_oDraftsFolder = GetTanveloDrafts();
    if (!m_oInspectors) vb::Raise(vb::kObjectVariableNotSet);
    m_oInspectors->Init(g_oApp->Inspectors());
    AddMenu(wrapper);
    LibNorvane().InitComplete();
    bSuccess = true;
    m_state = State::Initialised;
    Hotkeys().LoadFromReg();
    if (!g_oFrequentlyTemplates) vb::Raise(vb::kObjectVariableNotSet);
    g_oFrequentlyTemplates->RefreshAll();
    // Refreshing may drop or reorder records without a change event: the quick items drawn
    // before would name other templates than their clicks run.
    RibbonHalf().InvalidateQuickItems();
    mKeyboardHook::SetKeyboardHook();
  });
  return bSuccess;
}

bool Connect::KeepsOpenMail() const {
  if (!m_oInspectors) return false;
  bool bOpen = false;
  for (const auto& wrapper : m_oInspectors->GetWrappers())
    vb::Ignore([&] { bOpen = bOpen || (wrapper && wrapper->GetInspector()); });
  return bOpen;
}

void Connect::Done(bool bFinal) {
  // Keeps this object alive to the end even when the last owner lets go inside.
  auto self = weak_from_this().lock();
  vb::Ignore([&] { UnloadDummyForm(); });
  vb::Ignore([&] { mKeyboardHook::UnsetKeyboardHook(); });
  // The wrappers of open inspectors go only with Outlook: a mail made from a template and
  // still open must be personalized at its Send even while no explorer is open, and that Send
  // files and sends through both folders. The next start-up looks them up again anyway.
  const bool bKeepFolders = !bFinal && KeepsOpenMail();
  if (!bKeepFolders) g_oTemplatesFolder.reset();
  if (bFinal && m_oInspectors) vb::Ignore([&] { m_oInspectors->Done(); });
  if (!bKeepFolders) g_oDraftsFolder.reset();
  m_subTanveloItems.Release();
  m_oTanveloItems.reset();
  if (bFinal) {
    // Its timer's procedure would outlive the add-in: Outlook would crash at its next tick.
    vb::Ignore([] { mTanvelo::StopAskingLater(); });
    if (auto explorers = m_oExplorers) vb::Ignore([&] { explorers->Done(true); });
    g_oPersonalization.reset();
    g_oClipboard.reset();
    m_subExplorers.clear();
    m_oExplorers.reset();
    m_subInspectors.Release();
    m_subItemSend.Release();
    m_oInspectors.reset();
    if (g_oConnect.get() == this) g_oConnect.reset();
    m_sub2007events.clear();
    m_o2007events.reset();
    g_oApp.reset();
    g_fnNewMailFromTemplate = nullptr;
    mKeyboardHook::OnHotkeySlot() = nullptr;
    mTanvelo::Services() = mTanvelo::RoadServices();
    m_oRibbon.reset();
    m_state = State::ShutDown;
  } else {
    if (auto explorers = m_oExplorers) vb::Ignore([&] { explorers->Done(false); });
    if (m_state == State::Initialised) m_state = State::Started;
  }
  vb::Err().Clear();
}
