#include "inspector_ui/InspectorCommands.h"

#include "commands/frmDummy.h"
#include "commands/mInspector.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "platform/win32/Reset.h"

InspectorCommands::InspectorCommands() {
  DemandTanvelo_Click = [](const WrapperPtr& wrapper, int32_t nAction, const std::wstring& id,
                           bool bForeground) {
    DummyForm().DemandTanvelo_Click(wrapper, nAction, id, bForeground);
  };
  DemandWorkaround1 = [](const WrapperPtr& wrapper) { DummyForm().DemandWorkaround1(wrapper); };
  SaveAsTemplate_Click = mInspector::SaveAsTemplate_Click;
  OpenDuplicate_Click = mInspector::OpenDuplicate_Click;
  Hotkey_Click = mInspector::Hotkey_Click;
  ChangeDefault_Click = mInspector::ChangeDefault_Click;
  ProcessPersonal2_Click = [](const ItemPtr& item, bool bWordEditor) {
    mInspector::ProcessPersonal2_Click(item, bWordEditor);
  };
}

InspectorCommands& InspectorCommandsSlot() {
  return win32::PlatformState<InspectorCommands>();
}
