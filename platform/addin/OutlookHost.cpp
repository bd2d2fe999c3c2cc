#include "platform/addin/OutlookHost.h"

#include <exception>

#include "platform/addin/EventsComponent.h"
#include "platform/office/BuiltInBars.h"
#include "platform/office/ExplorerBars.h"
#include "platform/office/InspectorBars.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/WindowBars.h"
#include "platform/vb/Error.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"
#include "platform/win32/MessageBox.h"

namespace addinhost {

namespace {
// Outlook's menu bar follows the folder shown: a contact folder's Actions menu is not a mail
// folder's. Set now and at each switch, before the add-in hears of it.
outlook::Subscription ShowActionsMenuOfTheFolder(const std::shared_ptr<outlook::Explorer>& explorer,
                                                 const std::shared_ptr<office::CommandBars>& bars) {
  auto show = [weakExplorer = std::weak_ptr<outlook::Explorer>(explorer),
               weakBars = std::weak_ptr<office::CommandBars>(bars)] {
    win32::faults::Quiet outlooks;
    auto e = weakExplorer.lock();
    auto b = weakBars.lock();
    if (!e || !b || e->IsClosed()) return;
    auto folder = e->CurrentFolder();
    office::ShowActionsMenuFor(*b, folder && folder->DefaultItemType() == outlook::olContactItem);
  };
  show();
  return explorer->Events().FolderSwitch.Subscribe(show);
}
}  // namespace

OutlookHost::OutlookHost(std::shared_ptr<outlook::Application> app,
                         std::shared_ptr<IDTExtensibility2> addin)
    : app_(std::move(app)), addin_(std::move(addin)) {
  std::weak_ptr<bool> alive = alive_;
  // The bars get no parent: the Application owns its windows, and a window's bars holding the
  // Application would keep both alive for ever.
  const int32_t version = outlook::MajorVersion(app_->Version());
  // Each explorer's watch on its folder; a closed one's is let go when the next explorer comes.
  struct FolderWatch {
    std::weak_ptr<outlook::Explorer> explorer;
    outlook::Subscription subscription;
  };
  auto folderSwitches = std::make_shared<std::vector<FolderWatch>>();
  outlook::SetCommandBarsMaker(
      [alive, version,
       folderSwitches](const std::shared_ptr<outlook::Object>& window) -> std::shared_ptr<void> {
        if (alive.expired()) return nullptr;  // this host has ended
        if (auto explorer = std::dynamic_pointer_cast<outlook::Explorer>(window)) {
          auto bars = office::MakeOutlookExplorerBars(version);
          std::erase_if(*folderSwitches, [](const FolderWatch& watch) {
            auto watched = watch.explorer.lock();
            return !watched || watched->IsClosed();
          });
          folderSwitches->push_back({explorer, ShowActionsMenuOfTheFolder(explorer, bars)});
          return bars;
        }
        // An inspector's bars depend on its editor; Word before 2007 shares one set.
        int32_t editor = office::kEditorText;
        if (auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(window))
          vb::Ignore([&] { editor = inspector->EditorType(); });
        return office::MakeInspectorCommandBarsFor(editor, version);
      });
  int32_t major = outlook::MajorVersion(app_->Version());
  if (major >= 12) {
    o2007events::Install();
    if (auto ribbon = std::dynamic_pointer_cast<office::IRibbonExtensibility>(addin_))
      ribbon_ = std::make_unique<office::RibbonHost>(ribbon);
  }
  // The ribbon of a new window is made after the window's own event has gone round.
  newExplorer_ =
      app_->Explorers()->NewExplorer.Subscribe([this](std::shared_ptr<outlook::Explorer> explorer) {
        if (connected_) OpenRibbonWindow(explorer);
      });
  newInspector_ = app_->Inspectors()->NewInspector.Subscribe(
      [this](std::shared_ptr<outlook::Inspector> inspector) {
        if (connected_) OpenRibbonWindow(inspector);
      });
}

OutlookHost::~OutlookHost() = default;

template <class F>
void OutlookHost::Call(const wchar_t* name, F&& body) {
  calls_.emplace_back(name);
  win32::faults::AddinCode addin;
  try {
    body();
  } catch (const vb::Error& e) {
    NoteError(name, e.Description());
  } catch (const win32::UnscriptedPrompt&) {
    throw;
  } catch (const std::exception& e) {
    NoteError(name, win32::FromAnsi(e.what()));
  }
}

namespace {

bool IsClosed(const std::shared_ptr<outlook::Object>& window) {
  if (auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(window))
    return inspector->IsClosed();
  if (auto explorer = std::dynamic_pointer_cast<outlook::Explorer>(window))
    return explorer->IsClosed();
  return !window;
}

}  // namespace

void OutlookHost::OpenRibbonWindow(const std::shared_ptr<outlook::Object>& window) {
  win32::faults::Quiet outlooksOwn;
  if (!ribbon_) return;
  std::wstring id;
  std::any context;
  if (auto explorer = std::dynamic_pointer_cast<outlook::Explorer>(window)) {
    if (outlook::MajorVersion(app_->Version()) < 14) return;  // 2007 explorers keep bars
    id = kRibbonExplorer;
    context = explorer;
  } else if (auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(window)) {
    auto item = inspector->CurrentItem();
    if (!item || item->Class() != outlook::olMail) return;
    id = item->Sent() ? kRibbonMailRead : kRibbonMailCompose;
    context = inspector;
  } else {
    return;
  }
  // A window closed by its item (sent, closed from code) leaves with its ribbon.
  std::erase_if(ribbonWindows_,
                [](const auto& entry) { return IsClosed(entry.second.window.lock()); });
  ribbonWindows_[window.get()] = {window, ribbon_->OpenWindow(id, context)};
}

void OutlookHost::Start(const std::shared_ptr<outlook::MAPIFolder>& folder, int32_t explorers) {
  for (int32_t i = 0; i < explorers; ++i) app_->Explorers()->Add(folder);
  bool raised = false;
  Call(L"OnConnection", [&] {
    try {
      addin_->OnConnection(app_, ext_cm_Startup, std::any(), custom_);
    } catch (...) {
      raised = true;
      throw;
    }
  });
  if (raised) return;
  connected_ = true;
  for (auto& explorer : *app_->Explorers()) OpenRibbonWindow(explorer);
  Call(L"OnStartupComplete", [&] { addin_->OnStartupComplete(custom_); });
}

std::shared_ptr<outlook::Explorer> OutlookHost::OpenExplorer(
    const std::shared_ptr<outlook::MAPIFolder>& folder, bool show) {
  return app_->Explorers()->Add(folder, show);
}

void OutlookHost::CloseExplorer(const std::shared_ptr<outlook::Explorer>& explorer) {
  ribbonWindows_.erase(explorer.get());
  explorer->Close();
}

std::shared_ptr<outlook::Inspector> OutlookHost::OpenInspector(
    const std::shared_ptr<outlook::Item>& item) {
  item->Display();
  return item->GetInspector();
}

void OutlookHost::CloseInspector(const std::shared_ptr<outlook::Inspector>& inspector) {
  ribbonWindows_.erase(inspector.get());
  if (!inspector->IsClosed()) inspector->Close(outlook::olDiscard);
}

void OutlookHost::Quit() {
  while (app_->Inspectors()->Count() > 0) CloseInspector(app_->Inspectors()->Item(1));
  while (app_->Explorers()->Count() > 0) CloseExplorer(app_->Explorers()->Item(1));
  Shutdown();
}

void OutlookHost::Shutdown() {
  if (connected_) Call(L"OnBeginShutdown", [&] { addin_->OnBeginShutdown(custom_); });
  Disconnect(ext_dm_HostShutdown);
}

void OutlookHost::AddInsUpdate() {
  if (connected_) Call(L"OnAddInsUpdate", [&] { addin_->OnAddInsUpdate(custom_); });
}

void OutlookHost::Disconnect(int32_t mode) {
  if (!connected_) return;
  connected_ = false;
  Call(L"OnDisconnection", [&] { addin_->OnDisconnection(mode, custom_); });
}

std::shared_ptr<office::RibbonWindow> OutlookHost::RibbonWindowOf(
    const outlook::Object* window) const {
  auto it = ribbonWindows_.find(window);
  if (it == ribbonWindows_.end() || it->second.window.lock().get() != window) return nullptr;
  return it->second.ribbon;
}

}  // namespace addinhost
