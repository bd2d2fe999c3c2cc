#include "inspector_ui/MakeInspectorWrapper.h"

#include "inspector_ui/CInspectorWrapper.h"

InspectorWrapperPtr MakeCInspectorWrapper(const std::shared_ptr<outlook::Inspector>& inspector,
                                          bool bModal) {
  auto wrapper = std::make_shared<CInspectorWrapper>();
  if (!wrapper->Init(inspector, bModal)) return nullptr;
  return wrapper;
}
