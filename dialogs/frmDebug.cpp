#include "dialogs/frmDebug.h"

#include <string>

#include "core/CLibNorvaneWrapper.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/win32/Reset.h"

namespace {

struct DebugForm {
  std::unique_ptr<frmDebug> form;
};

using Setter = void (COptions::*)(bool);

std::shared_ptr<forms::CheckBox> Switch(std::shared_ptr<forms::CheckBox> box,
                                        const wchar_t* caption, int32_t top, int32_t width) {
  box->Move(240, top, width, 255);
  box->SetCaption(caption);
  return box;
}

}  // namespace

void ShowDebugDialog() {
  auto& form = win32::PlatformState<DebugForm>().form;
  if (!form) form = std::make_unique<frmDebug>();
  form->Show(forms::vbModeless);
}

void frmDebug::Design() {
  SetCaption(L"Debug");
  SetBorderStyle(forms::vbFixedToolWindow);
  SetWidth(5940);
  SetHeight(4095);
  chkUseDebugButton =
      Switch(Add<forms::CheckBox>(L"chkUseDebugButton"),
             L"Show Debug button in \"File->Import/Export By Tanvelo\" menu", 240, 5295);
  chkShowImportExportTempFiles = Switch(Add<forms::CheckBox>(L"chkShowImportExportTempFiles"),
                                        L"Show intermediate files during import/export", 600, 5295);
  chkUseKeyboardHook = Switch(Add<forms::CheckBox>(L"chkUseKeyboardHook"),
                              L"Use Keyboard Hook (Outlook restart is needed)", 960, 5295);
  chkShowOldControlsOn2007 =
      Switch(Add<forms::CheckBox>(L"chkShowOldControlsOn2007"),
             L"Show old controls on 2007 (inspector->addins tab)", 1320, 5415);
  chkShowOldControlsOn2010 =
      Switch(Add<forms::CheckBox>(L"chkShowOldControlsOn2010"),
             L"Show old controls on 2010 (explorer->addins tab)", 1680, 5415);
  // Each click is stored at once; there is no OK or Cancel.
  auto store = [this](forms::CheckBox& box, Setter setter) {
    box.OnClick = [this, &box, setter] {
      if (m_bLoading) return;
      vb::Ignore([&] { (Options().*setter)(box.Value() != 0); });
      vb::Err().Clear();
    };
  };
  store(*chkUseDebugButton, &COptions::SetUseDebugButton);
  store(*chkShowImportExportTempFiles, &COptions::SetShowImportExportTempFiles);
  store(*chkUseKeyboardHook, &COptions::SetUseKeyboardHook);
  store(*chkShowOldControlsOn2007, &COptions::SetShowOldControlsOn2007);
  store(*chkShowOldControlsOn2010, &COptions::SetShowOldControlsOn2010);
  forms::Placed(Add<forms::Label>(L"Label1"), 240, 2160, 4455, 255)
      ->SetCaption(L"Context Help Link:");
  txtContextHelpLink =
      forms::Placed(Add<forms::TextBox>(L"txtContextHelpLink"), 240, 2400, 4455, 375);
  txtContextHelpLink->SetText(L"Setting_Tanvelo_Options.htm");
  btnShowHelp = forms::Placed(Add<forms::CommandButton>(L"btnShowHelp"), 4680, 2400, 975, 375);
  btnShowHelp->SetCaption(L"Show");
  btnShowHelp->OnClick = [this] { btnShowHelp_Click(); };
  btnTest = forms::Placed(Add<forms::CommandButton>(L"btnTest"), 240, 3000, 1215, 495);
  btnTest->SetCaption(L"_Test");
  btnTest->OnClick = [this] { btnTest_Click(); };
  btnClose = forms::Placed(Add<forms::CommandButton>(L"btnClose"), 2760, 3000, 1335, 495);
  btnClose->SetCaption(L"Close");
  btnClose->SetCancel(true);
  btnClose->OnClick = [this] { btnClose_Click(); };
  btnBugReport = forms::Placed(Add<forms::CommandButton>(L"btnBugReport"), 4200, 3000, 1335, 495);
  btnBugReport->SetCaption(L"Bug Report");
  btnBugReport->OnClick = [this] { btnBugReport_Click(); };
}

void frmDebug::Form_Load() {
  // Filling the boxes raises their Click: what is written back is what was read.
  m_bLoading = true;
  auto fill = [](forms::CheckBox& box, bool value) {
    box.SetValue(value ? forms::vbChecked : forms::vbUnchecked);
  };
  vb::Ignore([&] { fill(*chkUseDebugButton, Options().UseDebugButton()); });
  vb::Ignore([&] { fill(*chkShowImportExportTempFiles, Options().ShowImportExportTempFiles()); });
  vb::Ignore([&] { fill(*chkUseKeyboardHook, Options().UseKeyboardHook()); });
  vb::Ignore([&] { fill(*chkShowOldControlsOn2007, Options().ShowOldControlsOn2007()); });
  vb::Ignore([&] { chkShowOldControlsOn2007->SetEnabled(GetAppVersion() >= 12); });
  vb::Ignore([&] { fill(*chkShowOldControlsOn2010, Options().ShowOldControlsOn2010()); });
  vb::Ignore([&] { chkShowOldControlsOn2010->SetEnabled(GetAppVersion() >= 14); });
  m_bLoading = false;
  vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
  vb::Err().Clear();
}

void frmDebug::btnShowHelp_Click() {
  vb::Ignore([&] { LibNorvane().ShowContextHelp(txtContextHelpLink->Text()); });
  vb::Err().Clear();
}

void frmDebug::btnBugReport_Click() {
  vb::Ignore([&] { Unload(); });
  vb::Ignore([] { LibNorvane().ReportProblem(); });
  vb::Err().Clear();
}

void frmDebug::btnClose_Click() {
  vb::Ignore([&] { Unload(); });
  vb::Err().Clear();
}

void frmDebug::btnTest_Click() {
  const wchar_t* context = L"Test";
  std::shared_ptr<office::CommandBars> bars;
  vb::Ignore([&] {
    bars = std::static_pointer_cast<office::CommandBars>(
        DialogSupport::Need(DialogSupport::Need(g_oApp)->ActiveExplorer())->CommandBars());
  });
  if (!bars) {
    vb::Err().Clear();
    return;
  }
  int32_t count = 0;
  vb::Ignore([&] { count = bars->Count(); });
  for (int32_t i = 1; i <= count; ++i) {
    std::shared_ptr<office::CommandBar> bar;
    vb::Ignore([&] { bar = DialogSupport::Need(bars->Item(i)); });
    if (!bar) continue;
    vb::Ignore([&] {
      LogInfo(context, L"CommandBar[" + std::to_wstring(i) + L"].Name = " + bar->Name());
    });
    int32_t controls = 0;
    vb::Ignore([&] { controls = bar->Controls().Count(); });
    for (int32_t j = 1; j <= controls; ++j) {
      std::shared_ptr<office::CommandBarControl> control;
      vb::Ignore([&] { control = DialogSupport::Need(bar->Controls().Item(j)); });
      if (!control) continue;
      const std::wstring index = L"Control[" + std::to_wstring(j) + L"]";
      vb::Ignore([&] { LogInfo(context, index + L".Caption = " + control->Caption()); });
      vb::Ignore([&] { LogInfo(context, index + L".ID = " + std::to_wstring(control->Id())); });
    }
  }
  vb::Err().Clear();
}
