#include "tests/explorer_ui/PendingDemand.h"

#include "commands/frmDummy.h"

Pending PendingDemand() {
  const auto& d = DummyForm().PendingDemand();
  return {d.nDemandAction, d.nAction, d.sTemplateID, d.oItem};
}
