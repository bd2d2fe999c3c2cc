#include "addin/CExplorerWrapper.h"

#include "addin/mExplorersWrapper.h"
#include "platform/outlook/Explorer.h"
#include "platform/win32/Clock.h"

using mExplorersWrapper::EventArgs;

CExplorerWrapper::CExplorerWrapper() : m_nLastActivate(win32::GetTickCount()) {}

CExplorerWrapper::~CExplorerWrapper() {
  Done();
}

void CExplorerWrapper::Bind(const std::shared_ptr<outlook::Explorer>& explorer) {
  m_subs.clear();
  m_oExplorer = explorer;
  if (!explorer) return;
  // The handlers hold the wrapper only weakly: the tracker owns it.
  std::weak_ptr<CExplorerWrapper> weak = weak_from_this();
  auto on = [weak](void (CExplorerWrapper::*handler)()) {
    return [weak, handler] {
      if (auto self = weak.lock()) ((*self).*handler)();
    };
  };
  auto& events = explorer->Events();
  m_subs.push_back(events.Activate.Subscribe(on(&CExplorerWrapper::m_oExplorer_Activate)));
  m_subs.push_back(events.Close.Subscribe(on(&CExplorerWrapper::m_oExplorer_Close)));
  m_subs.push_back(events.FolderSwitch.Subscribe(on(&CExplorerWrapper::m_oExplorer_FolderSwitch)));
  m_subs.push_back(
      events.SelectionChange.Subscribe(on(&CExplorerWrapper::m_oExplorer_SelectionChange)));
  m_subs.push_back(events.ViewSwitch.Subscribe(on(&CExplorerWrapper::m_oExplorer_ViewSwitch)));
}

void CExplorerWrapper::Init(const std::shared_ptr<outlook::Explorer>& explorer, bool bNew) {
  Bind(explorer);
  m_colObjects = std::make_unique<vb::Collection<std::shared_ptr<void>>>();
  EventArgs args{shared_from_this(), bNew};
  mExplorersWrapper::RaiseExplorerEvent(L"OnExplorer", &args);
}

void CExplorerWrapper::InitWaitActivate(const std::shared_ptr<outlook::Explorer>& explorer) {
  m_bWaitActivate = true;
  Bind(explorer);
}

void CExplorerWrapper::Done() {
  // The attached objects go first: they may still talk to the explorer while they end.
  auto objects = std::move(m_colObjects);
  objects.reset();
  m_subs.clear();
  m_oExplorer.reset();
}

void CExplorerWrapper::AddAssociatedObject(std::shared_ptr<void> object, const std::wstring& key) {
  if (!m_colObjects) vb::Raise(vb::kObjectVariableNotSet);
  m_colObjects->Add(std::move(object), key);
}

std::shared_ptr<void> CExplorerWrapper::GetAssociatedObject(const std::wstring& key) const {
  if (!m_colObjects) vb::Raise(vb::kObjectVariableNotSet);
  return m_colObjects->Item(key);
}

void CExplorerWrapper::RemoveAssociatedObject(const std::wstring& key) {
  if (!m_colObjects) vb::Raise(vb::kObjectVariableNotSet);
  m_colObjects->Remove(key);
}

void CExplorerWrapper::HandOn(const wchar_t* handler, const wchar_t* event) {
  auto self = shared_from_this();
  if (!vb::Catch([&] {
        EventArgs args{self};
        mExplorersWrapper::RaiseExplorerEvent(event, &args);
      }))
    mExplorersWrapper::LogExplorerWrapperError(vb::Err().Number(), vb::Err().Description(),
                                               handler);
}

void CExplorerWrapper::m_oExplorer_Activate() {
  auto self = shared_from_this();  // the announcement may end the tracker that holds us
  if (!vb::Catch([&] {
        m_nLastActivate = win32::GetTickCount();
        if (m_bWaitActivate) {
          m_bWaitActivate = false;
          Init(m_oExplorer, true);
        }
      }))
    mExplorersWrapper::LogExplorerWrapperError(vb::Err().Number(), vb::Err().Description(),
                                               L"m_oExplorer_Activate");
}

void CExplorerWrapper::m_oExplorer_Close() {
  auto self = shared_from_this();
  Done();
  if (!vb::Catch([&] { mExplorersWrapper::RaiseExplorerEvent(L"Close", nullptr); }))
    mExplorersWrapper::LogExplorerWrapperError(vb::Err().Number(), vb::Err().Description(),
                                               L"m_oExplorer_Close");
}

void CExplorerWrapper::m_oExplorer_FolderSwitch() {
  HandOn(L"m_oExplorer_FolderSwitch", L"FolderSwitch");
}

void CExplorerWrapper::m_oExplorer_SelectionChange() {
  HandOn(L"m_oExplorer_SelectionChange", L"SelectionChange");
}

void CExplorerWrapper::m_oExplorer_ViewSwitch() {
  HandOn(L"m_oExplorer_ViewSwitch", L"ViewSwitch");
}
