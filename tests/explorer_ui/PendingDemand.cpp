#include "tests/explorer_ui/PendingDemand.h"

#include "addin/commands/frmDummy.h"

Pending PendingDemand() {
  const auto& d = DummyForm().PendingDemand();
  return {d.nDemandAction, d.nAction, d.sTemplateID, d.oItem};
}
