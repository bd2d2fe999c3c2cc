#include "platform/redemption/Install.h"

#include "platform/redemption/MAPITable.h"
#include "platform/redemption/SafeInspector.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"

namespace redemption {

namespace {
template <class T>
void Register(const wchar_t* progId) {
  vb::RegisterComponent<T>(
      progId, std::function<std::shared_ptr<T>()>([] { return std::make_shared<T>(); }));
}

constexpr const wchar_t* kProgIds[] = {L"Redemption.SafeMailItem",    L"Redemption.SafePostItem",
                                       L"Redemption.SafeContactItem", L"Redemption.SafeCurrentUser",
                                       L"Redemption.SafeInspector",   L"Redemption.MAPIUtils",
                                       L"Redemption.MAPITable",       L"Redemption.RDOSession"};
}  // namespace

void Install() {
  Register<SafeMailItem>(kProgIds[0]);
  Register<SafePostItem>(kProgIds[1]);
  Register<SafeContactItem>(kProgIds[2]);
  Register<SafeCurrentUser>(kProgIds[3]);
  Register<SafeInspector>(kProgIds[4]);
  Register<MAPIUtils>(kProgIds[5]);
  Register<MAPITable>(kProgIds[6]);
  Register<RDOSession>(kProgIds[7]);
}

void Uninstall() {
  for (const wchar_t* progId : kProgIds) vb::UnregisterComponent(progId);
}

}  // namespace redemption
