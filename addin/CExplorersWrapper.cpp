#include "addin/CExplorersWrapper.h"

#include "addin/mExplorersWrapper.h"
#include "platform/outlook/Explorer.h"
#include "platform/vb/Runtime.h"

using mExplorersWrapper::LogExplorersError;

CExplorersWrapper::CExplorersWrapper() : m_colWrappers(std::make_shared<Wrappers>()) {}

CExplorersWrapper::~CExplorersWrapper() {
  Done(true);
}

CExplorersWrapper::WrapperPtr CExplorersWrapper::GetActiveWrapper() const {
  if (!m_colWrappers) return nullptr;
  WrapperPtr candidate;
  for (const auto& wrapper : *m_colWrappers) {
    if (!candidate || candidate->GetLastActivateTime() > wrapper->GetLastActivateTime())
      candidate = wrapper;
  }
  return candidate;
}

int32_t CExplorersWrapper::Count() const {
  return m_colWrappers ? static_cast<int32_t>(m_colWrappers->size()) : 0;
}

CExplorersWrapper::WrapperPtr CExplorersWrapper::Item(int32_t index) const {
  if (index < 1 || index > Count()) vb::Raise(vb::kSubscriptOutOfRange);
  return (*m_colWrappers)[static_cast<size_t>(index - 1)];
}

void CExplorersWrapper::Init(const std::shared_ptr<outlook::Explorers>& explorers) {
  auto self = shared_from_this();  // an announcement may shut the add-in down
  if (!explorers) vb::Raise(vb::kObjectVariableNotSet);
  m_oExplorers = explorers;
  std::weak_ptr<CExplorersWrapper> weak = self;
  m_subNewExplorer =
      explorers->NewExplorer.Subscribe([weak](std::shared_ptr<outlook::Explorer> explorer) {
        if (auto tracker = weak.lock()) tracker->m_oExplorers_NewExplorer(explorer);
      });
  int32_t count = explorers->Count();
  for (int32_t i = 1; i <= count; ++i) {
    auto wrapper = std::make_shared<CExplorerWrapper>();
    wrapper->Init(explorers->Item(i), false);
    if (!m_colWrappers) break;  // a shutdown ran inside the announcement
    m_colWrappers->push_back(wrapper);
  }
}

void CExplorersWrapper::Done(bool bFinal) {
  vb::Ignore([&] {
    if (auto wrappers = std::move(m_colWrappers)) {
      for (auto& wrapper : *wrappers) wrapper->Done();
    }
  });
  if (!bFinal) {
    m_colWrappers = std::make_shared<Wrappers>();
  } else {
    m_subNewExplorer.Release();
    m_oExplorers.reset();
  }
  vb::Err().Clear();
}

void CExplorersWrapper::m_oExplorers_NewExplorer(
    const std::shared_ptr<outlook::Explorer>& explorer) {
  if (!vb::Catch([&] {
        auto wrapper = std::make_shared<CExplorerWrapper>();
        wrapper->InitWaitActivate(explorer);
        if (!m_colWrappers) vb::Raise(vb::kObjectVariableNotSet);
        m_colWrappers->push_back(wrapper);
      }))
    LogExplorersError(vb::Err().Number(), vb::Err().Description(), L"m_oExplorers_NewExplorer");
}

void CExplorersWrapper::RemoveClosedWrappers() {
  if (!m_colWrappers) return;
  auto wrappers = m_colWrappers;  // the event below may replace the collection
  for (size_t i = wrappers->size(); i-- > 0;)
    if (!(*wrappers)[i]->GetObject()) wrappers->erase(wrappers->begin() + static_cast<long>(i));
  if (wrappers->empty()) OnCloseAllExplorers.Raise();
}

void CExplorersWrapper::EventFromExplorer(const std::wstring& sEvent,
                                          const std::vector<std::any>* args) {
  auto self = shared_from_this();
  std::wstring name = vb::LCase(sEvent);
  auto arg = [&](size_t index) -> const std::any& {
    if (!args || index >= args->size()) vb::Raise(vb::kInvalidProcedureCall);
    return (*args)[index];
  };
  auto wrapperArg = [&] { return std::any_cast<WrapperPtr>(arg(0)); };
  if (!vb::Catch([&] {
        if (name == L"close") {
          RemoveClosedWrappers();
        } else if (name == L"onexplorer") {
          WrapperPtr announcing = wrapperArg();
          bool bNew = std::any_cast<bool>(arg(1));
          bool bFirst = true;
          if (m_colWrappers) {
            for (const auto& wrapper : *m_colWrappers)
              if (wrapper != announcing && !wrapper->WaitingActivateEvent()) bFirst = false;
          }
          OnExplorer.Raise(announcing, bFirst, bNew);
        } else if (name == L"selectionchange") {
          OnExplorerSelectionChange.Raise(wrapperArg());
        } else if (name == L"folderswitch") {
          OnExplorerFolderSwitch.Raise(wrapperArg());
        } else if (name == L"viewswitch") {
          OnExplorerViewSwitch.Raise(wrapperArg());
        } else {
          LogExplorersError(0, L"Unsuported event raised - " + sEvent,
                            L"CExplorers::EventFromExplorer");
        }
      }))
    LogExplorersError(0, L"EventFromExplorer - " + sEvent, L"CExplorers::EventFromExplorer");
}
