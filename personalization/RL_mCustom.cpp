#include "personalization/RL_mCustom.h"

#include "core/CClipboard.h"

namespace RL_mCustom {

void SaveHostClipboard() {
  HostClipboard().Save();
}

void RestoreHostClipboard() {
  HostClipboard().Restore();
}

}  // namespace RL_mCustom
