// The hand-off through which an explorer wrapper passes its events, by name, to the explorers
// tracker of the add-in object, and the error entries of both explorer classes.
#pragma once

#include <any>
#include <cstdint>
#include <string>
#include <vector>

namespace mExplorersWrapper {

using EventArgs = std::vector<std::any>;

// Raises 91 when the add-in object or its tracker is gone (after a final shutdown).
void RaiseExplorerEvent(const std::wstring& sEvent, const EventArgs* args);
void LogExplorerWrapperError(int32_t nNumber, const std::wstring& sDescription,
                             const std::wstring& sProc);
void LogExplorersError(int32_t nNumber, const std::wstring& sDescription,
                       const std::wstring& sProc);

}  // namespace mExplorersWrapper
