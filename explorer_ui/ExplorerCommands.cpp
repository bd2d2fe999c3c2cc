#include "explorer_ui/ExplorerCommands.h"

#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "dialogs/frmDebug.h"
#include "dialogs/frmOptions.h"

ExplorerCommands DefaultExplorerCommands() {
  ExplorerCommands c;
  c.Tanvelo = mExplorer::Explorer_Tanvelo;
  c.NewFromTemplate = mExplorer::Explorer_NewFromTemplate;
  c.SaveAsTemplate = mExplorer::Explorer_SaveAsTemplate;
  c.NewTemplate = mExplorer::Explorer_NewTemplate;
  c.EditTemplate = mExplorer::Explorer_EditTemplate;
  c.OpenDuplicate = mExplorer::Explorer_OpenDuplicate;
  c.Hotkey = mExplorer::Explorer_Hotkey;
  c.SendDrafts = mExplorer::Explorer_SendDrafts;
  c.Import = mExplorer::Explorer_Import;
  c.Export = mExplorer::Explorer_Export;
  c.ChangeDefault = mExplorer::Explorer_ChangeDefault;
  c.DemandNewMailFromTemplate = [](const std::wstring& entryId, bool foreground) {
    DummyForm().DemandNewMailFromTemplate(entryId, foreground);
  };
  c.DemandSelAndEditTemplate = [] { DummyForm().DemandSelAndEditTemplace(); };
  c.ShowOptions = ShowOptionsDialog;
  c.ShowDebug = ShowDebugDialog;
  return c;
}

ExplorerCommands& TheExplorerCommands() {
  static ExplorerCommands commands = DefaultExplorerCommands();
  return commands;
}
