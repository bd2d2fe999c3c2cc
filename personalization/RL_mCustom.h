// The library's glue to the host: the host's clipboard object around a paste.
#pragma once

namespace RL_mCustom {
void SaveHostClipboard();
void RestoreHostClipboard();
}  // namespace RL_mCustom
