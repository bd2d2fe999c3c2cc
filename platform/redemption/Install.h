// Installing Redemption makes its objects creatable by ProgID; uninstalling takes them away
// again, so CreateObject raises 429 as on a machine without it.
#pragma once

namespace redemption {

void Install();
void Uninstall();

}  // namespace redemption
