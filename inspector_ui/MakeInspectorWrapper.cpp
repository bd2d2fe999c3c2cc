#include "inspector_ui/MakeInspectorWrapper.h"

#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/vb/Error.h"

InspectorWrapperPtr MakeCInspectorWrapper(const std::shared_ptr<outlook::Inspector>& inspector,
                                          bool bModal) {
  auto wrapper = std::make_shared<CInspectorWrapper>();
  if (!wrapper->Init(inspector, bModal)) return nullptr;
  return wrapper;
}

void LogWindowWithoutSetUp(std::wstring_view procedure,
                           const std::shared_ptr<outlook::Inspector>& inspector,
                           const std::shared_ptr<outlook::Item>& item) {
  const int32_t number = vb::Err().Number();
  const std::wstring description = vb::Err().Description();
  std::wstring subject;
  // Asked again like the set-up itself: a window told without its mail names nothing.
  bool known = mTanvelo::Retried([&] {
    auto current = item ? item : inspector->CurrentItem();
    subject = current->Subject();
  });
  std::wstring context = L"the window has no add-in set-up";
  if (known) context += L" (item \"" + subject + L"\")";
  vb::Err().Set(number, description);
  LogError(procedure, std::nullopt, std::nullopt, context);
}
