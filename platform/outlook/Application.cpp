#include "platform/outlook/Application.h"

#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Reset.h"

namespace outlook {

namespace {
struct RunningState {
  std::weak_ptr<Application> app;
};
RunningState& Running_() {
  return win32::PlatformState<RunningState>();
}
}  // namespace

std::shared_ptr<Application> Application::Create(const std::wstring& version) {
  std::shared_ptr<Application> app(new Application(version));
  app->session_ = std::make_shared<NameSpace>(app);
  app->explorers_ = std::make_shared<outlook::Explorers>(app);
  app->inspectors_ = std::make_shared<outlook::Inspectors>(app);
  Running_().app = app;
  return app;
}

std::shared_ptr<Application> Application::Running() {
  return Running_().app.lock();
}

std::shared_ptr<NameSpace> Application::GetNamespace(const std::wstring& type) const {
  if (!SameText(type, L"MAPI")) vb::Raise(vb::kInvalidProcedureCall);
  return session_;
}

std::shared_ptr<Item> Application::CreateItem(int32_t itemType) {
  TV_FAULT_POINT(Outlook);
  switch (itemType) {
    case olMailItem:
      return Item::Create(olMail, session_, session_->GetDefaultFolder(olFolderDrafts))->Handle();
    case olPostItem:
      return Item::Create(olPost, session_, session_->GetDefaultFolder(olFolderDrafts))->Handle();
    case olContactItem:
      return Item::Create(olContact, session_, session_->GetDefaultFolder(olFolderContacts))
          ->Handle();
    case olDistributionListItem:
      return Item::Create(olDistributionList, session_,
                          session_->GetDefaultFolder(olFolderContacts))
          ->Handle();
  }
  vb::Raise(kErrFailed,
            L"Could not complete the operation. One or more parameter values are not valid.");
}

void Application::SetActiveExplorer(const std::shared_ptr<Explorer>& explorer) {
  lastExplorer_ = explorer;
  active_ = explorer;
}

void Application::SetActiveInspector(const std::shared_ptr<Inspector>& inspector) {
  lastInspector_ = inspector;
  active_ = inspector;
}

std::shared_ptr<Explorer> Application::ActiveExplorer() const {
  auto last = lastExplorer_.lock();
  if (last && !last->IsClosed()) return last;
  return explorers_->Count() ? explorers_->Item(1) : nullptr;
}

std::shared_ptr<Inspector> Application::ActiveInspector() const {
  auto last = lastInspector_.lock();
  if (last && !last->IsClosed()) return last;
  return nullptr;
}

std::shared_ptr<Object> Application::ActiveWindow() const {
  auto active = active_.lock();
  if (auto e = std::dynamic_pointer_cast<Explorer>(active); e && !e->IsClosed()) return e;
  if (auto i = std::dynamic_pointer_cast<Inspector>(active); i && !i->IsClosed()) return i;
  return ActiveExplorer();
}

bool Application::WordMail() const {
  return wordMail_.value_or(MajorVersion(version_) >= 12);
}

void Application::QueueModalInspectorScript(
    std::function<void(std::shared_ptr<Inspector>)> script) {
  modalScripts_.push_back(std::move(script));
}

std::function<void(std::shared_ptr<Inspector>)> Application::TakeModalInspectorScript() {
  if (modalScripts_.empty()) return nullptr;
  auto script = std::move(modalScripts_.front());
  modalScripts_.erase(modalScripts_.begin());
  return script;
}

int32_t MajorVersion(const std::wstring& version) {
  return static_cast<int32_t>(vb::Val(version.substr(0, version.find(L'.'))));
}

}  // namespace outlook
