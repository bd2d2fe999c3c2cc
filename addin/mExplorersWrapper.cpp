#include "addin/mExplorersWrapper.h"

#include "addin/Connect.h"
#include "core/Main.h"

namespace mExplorersWrapper {

void RaiseExplorerEvent(const std::wstring& sEvent, const EventArgs* args) {
  auto addin = g_oConnect;
  auto tracker = addin ? addin->ExplorersWrapper() : nullptr;
  if (!tracker) vb::Raise(vb::kObjectVariableNotSet);
  tracker->EventFromExplorer(sEvent, args);
}

void LogExplorerWrapperError(int32_t nNumber, const std::wstring& sDescription,
                             const std::wstring& sProc) {
  LogError(L"CExplorerWrapper::" + sProc, nNumber, sDescription);
}

void LogExplorersError(int32_t nNumber, const std::wstring& sDescription,
                       const std::wstring& sProc) {
  LogError(L"CExplorersWrapper::" + sProc, nNumber, sDescription);
}

}  // namespace mExplorersWrapper
