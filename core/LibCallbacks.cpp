#include "core/LibCallbacks.h"

#include "core/COptions.h"
#include "core/Main.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"

std::wstring OnLibGetLangID() {
  std::wstring lang;
  vb::Ignore([&] { lang = Options().LangID(); });
  vb::Err().Clear();
  return lang;
}

std::wstring OnLibGetUserAddress() {
  std::wstring address;
  vb::Ignore([&] {
    if (GetAppVersion() == 9) {
      address =
          vb::CreateObject<redemption::SafeCurrentUser>(L"Redemption.SafeCurrentUser")->Address();
      return;
    }
    auto session = vb::CreateObject<redemption::RDOSession>(L"Redemption.RDOSession");
    session->Logon();
    auto user = session->CurrentUser();
    address = user->SMTPAddress();
    if (address.empty()) address = user->Address();
    session.reset();
  });
  vb::Err().Clear();
  return address;
}
