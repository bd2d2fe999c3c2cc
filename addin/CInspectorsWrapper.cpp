#include "addin/CInspectorsWrapper.h"

#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "inspector_ui/MakeInspectorWrapper.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/vb/Runtime.h"

namespace {

constexpr const wchar_t* kNewInspector = L"CInspectorsWrapper::m_oInspectors_NewInspector";

bool SameUnsavedWindow(outlook::Inspector& a, outlook::Inspector& b) {
  return a.Caption() == b.Caption() && a.WindowState == b.WindowState && a.Left == b.Left &&
         a.Top == b.Top && a.Width == b.Width && a.Height == b.Height &&
         a.CurrentItem()->CreationTime() == b.CurrentItem()->CreationTime();
}

}  // namespace

CInspectorsWrapper::~CInspectorsWrapper() {
  Done();
}

InspectorWrapperPtr CInspectorsWrapper::FindWrapper(
    const std::shared_ptr<outlook::Inspector>& inspector) const {
  if (!inspector) return nullptr;
  auto wrappers = m_colWrappers;
  // Two new mails are alike in everything Outlook tells about them; the window itself is not.
  for (const auto& wrapper : wrappers) {
    std::shared_ptr<outlook::Inspector> bound;
    vb::Ignore([&] { bound = wrapper->GetInspector(); });
    if (bound == inspector) return wrapper;
  }
  std::wstring entryId;
  if (!vb::Catch([&] { entryId = inspector->CurrentItem()->EntryID(); })) {
    vb::Err().Clear();
    return nullptr;
  }
  for (const auto& wrapper : wrappers) {
    bool match = false;
    vb::Ignore([&] {
      auto bound = wrapper->GetInspector();
      if (!bound) return;
      if (!entryId.empty())
        match = vb::LCase(bound->CurrentItem()->EntryID()) == vb::LCase(entryId);
      else
        match = SameUnsavedWindow(*bound, *inspector);
    });
    if (match) {
      vb::Err().Clear();
      return wrapper;
    }
  }
  vb::Err().Clear();
  return nullptr;
}

void CInspectorsWrapper::Init(const std::shared_ptr<outlook::Inspectors>& inspectors) {
  if (inspectors && inspectors == m_oInspectors && m_subNewInspector) return;
  vb::Ignore([&] {
    if (!inspectors) vb::Raise(vb::kObjectVariableNotSet);
    m_oInspectors = inspectors;
    std::weak_ptr<CInspectorsWrapper> weak = weak_from_this();
    m_subNewInspector =
        inspectors->NewInspector.Subscribe([weak](std::shared_ptr<outlook::Inspector> inspector) {
          if (auto self = weak.lock()) self->m_oInspectors_NewInspector(inspector);
        });
  });
  vb::Err().Clear();
}

void CInspectorsWrapper::Done() {
  m_subNewInspector.Release();
  m_colWaiting.clear();
  m_oInspectors.reset();
  auto wrappers = std::move(m_colWrappers);
  m_colWrappers.clear();
  for (auto& wrapper : wrappers) vb::Ignore([&] { wrapper->Done(); });
  vb::Err().Clear();
}

void CInspectorsWrapper::m_oInspectors_NewInspector(
    const std::shared_ptr<outlook::Inspector>& inspector) {
  auto self = shared_from_this();
  Trap(kNewInspector, [&] {
    LogInfo(kNewInspector, L"->");
    for (size_t i = m_colWrappers.size(); i-- > 0;) {
      auto wrapper = m_colWrappers[i];
      std::shared_ptr<outlook::Inspector> bound;
      vb::Ignore([&] { bound = wrapper->GetInspector(); });
      if (!bound) {
        m_colWrappers.erase(m_colWrappers.begin() + static_cast<long>(i));
        wrapper->Done();
      }
    }
    vb::Err().Clear();
    if (!SetUp(inspector, false)) WaitForItem(inspector);
  });
}

bool CInspectorsWrapper::SetUp(const std::shared_ptr<outlook::Inspector>& inspector, bool shown) {
  // A refusal of a moment must not leave a mail window without the add-in.
  int32_t nClass = 0;
  if (!mTanvelo::Retried([&] { nClass = inspector->CurrentItem()->Class(); })) {
    LogWindowWithoutSetUp(kNewInspector, inspector, nullptr);
    return false;
  }
  if (nClass != outlook::olMail) return true;
  LogInfo(kNewInspector, L"bCreateWrapper");
  OnNewMailInspector.Raise(inspector);
  auto& make = Factories().MakeInspectorWrapper;
  if (!make) return true;
  auto wrapper = make(inspector, false);
  // A mail window without its wrapper: its Init told why.
  if (!wrapper) return false;
  m_colWrappers.push_back(wrapper);
  if (shown)
    if (auto own = std::dynamic_pointer_cast<CInspectorWrapper>(wrapper)) own->Shown();
  return true;
}

void CInspectorsWrapper::WaitForItem(const std::shared_ptr<outlook::Inspector>& inspector) {
  auto waiting = std::make_shared<Waiting>();
  waiting->inspector = inspector;
  std::weak_ptr<CInspectorsWrapper> weak = weak_from_this();
  std::weak_ptr<Waiting> entry = waiting;
  auto forget = [weak, entry] {
    if (auto self = weak.lock())
      std::erase_if(self->m_colWaiting, [&](const auto& w) { return w == entry.lock(); });
  };
  waiting->activate = inspector->Events().Activate.Subscribe([weak, entry, forget] {
    auto self = weak.lock();
    auto waited = entry.lock();
    if (!self || !waited) return;
    auto window = waited->inspector.lock();
    if (!window) return forget();
    Trap(kNewInspector, [&] {
      if (self->SetUp(window, true)) forget();
    });
  });
  waiting->close = inspector->Events().Close.Subscribe(forget);
  m_colWaiting.push_back(waiting);
}
