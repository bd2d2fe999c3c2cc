#include "dialogs/frmImportExport.h"

#include "core/CLang.h"
#include "core/CLibNorvaneWrapper.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/mForms.h"
#include "dialogs/mImportExportWordDocs.h"
#include "engine/mTanvelo.h"
#include "platform/outlook/Outlook.h"
#include "platform/scripting/FileSystemObject.h"
#include "platform/vb/Runtime.h"

ImportExportOptions g_ImportExportParams;

namespace {

std::shared_ptr<outlook::MAPIFolder> FindFolder(const std::wstring& sEntryID) {
  return g_oApp->Session()->GetFolderFromID(sEntryID, g_oTemplatesFolder->StoreID());
}

bool FolderExists(const std::wstring& path) {
  return scripting::FileSystemObject().FolderExists(path);
}

}  // namespace

frmImportExport::frmImportExport(bool bExport)
    : Form(bExport ? L"frmExport" : L"frmImport"), m_bExport(bExport) {}

std::wstring frmImportExport::Ctx(const wchar_t* procedure) const {
  return Name() + L"::" + procedure;
}

void frmImportExport::Design() {
  SetCaption(m_bExport ? L"Tanvelo Templates - Export" : L"Tanvelo Templates - Import");
  SetBorderStyle(forms::vbFixedDialog);
  SetWidth(6420);
  SetHeight(5370);
  forms::Placed(Add<forms::Label>(L"Label1"), 120, 120, 6000, 255)
      ->SetCaption(m_bExport ? L"Export from:" : L"Import to:");
  txtOutlookFolder = forms::Placed(Add<forms::TextBox>(L"txtOutlookFolder"), 120, 390, 5640, 315);
  txtOutlookFolder->SetText(m_bExport ? L"<outlook folder>" : L"<Outlook Folder>");
  btnOpenOutlookFolder =
      forms::Placed(Add<forms::CommandButton>(L"btnOpenOutlookFolder"), 5820, 390, 375, 315);
  btnOpenOutlookFolder->SetCaption(L"...");
  btnOpenOutlookFolder->OnClick = [this] { btnOpenOutlookFolder_Click(); };
  forms::Placed(Add<forms::Label>(L"Label2"), 120, 840, 6000, 255)
      ->SetCaption(m_bExport ? L"Export to:" : L"Import from:");
  txtWindowsFolder = forms::Placed(Add<forms::TextBox>(L"txtWindowsFolder"), 120, 1110, 5640, 315);
  txtWindowsFolder->SetText(m_bExport ? L"<windows folder>" : L"<Windows Folder>");
  txtWindowsFolder->OnChange = [this] { vb::Ignore([&] { UpdateActionButton(); }); };
  btnOpenWindowsFolder =
      forms::Placed(Add<forms::CommandButton>(L"btnOpenWindowsFolder"), 5820, 1110, 375, 315);
  btnOpenWindowsFolder->SetCaption(L"...");
  btnOpenWindowsFolder->OnClick = [this] { btnOpenWindowsFolder_Click(); };
  chkIncludeSubFolders =
      forms::Placed(Add<forms::CheckBox>(L"chkIncludeSubFolders"), 120, 1560, 6000, 255);
  chkIncludeSubFolders->SetCaption(L"Include subfolders");
  auto frame = forms::Placed(Add<forms::Frame>(L"Frame1"), 120, 1920, 6075, 1335);
  frame->SetCaption(m_bExport ? L"Conflict resolution" : L"Duplicates resolution:");
  optDuplicate =
      forms::Placed(Add<forms::OptionButton>(L"optDuplicate", frame), 240, 300, 5700, 255);
  optDuplicate->SetCaption(L"Keep both (allow duplicate templates to be created)");
  optReplace = forms::Placed(Add<forms::OptionButton>(L"optReplace", frame), 240, 630, 5700, 255);
  optReplace->SetCaption(L"Replace duplicate templates");
  optLeave = forms::Placed(Add<forms::OptionButton>(L"optLeave", frame), 240, 960, 5700, 255);
  optLeave->SetCaption(L"Keep original templates");
  picProgress = forms::Placed(Add<forms::PictureBox>(L"picProgress"), 120, 3360, 6075, 855);
  m_ctlProgress =
      forms::Placed(Add<forms::ProgressBar>(L"ctlProgress", picProgress), 0, 0, 6075, 315);
  m_lblProgress = forms::Placed(Add<forms::Label>(L"lblProgress", picProgress), 0, 420, 6075, 435);
  m_lblProgress->SetCaption(L"<lblProgress>");
  forms::Placed(Add<forms::PictureBox>(L"Picture1"), 0, 4320, 6420, 30);
  btnAction = forms::Placed(Add<forms::CommandButton>(m_bExport ? L"btnExport" : L"btnImport"),
                            2520, 4440, 1215, 375);
  btnAction->SetCaption(m_bExport ? L"Export" : L"Import");
  btnAction->SetDefault(true);
  btnAction->OnClick = [this] { btnAction_Click(); };
  btnCancel = forms::Placed(Add<forms::CommandButton>(L"btnCancel"), 3840, 4440, 1215, 375);
  btnCancel->SetCaption(L"Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this] { btnCancel_Click(); };
  btnHelp = forms::Placed(Add<forms::CommandButton>(L"btnHelp"), 5160, 4440, 1035, 375);
  btnHelp->SetCaption(L"&Help");
  btnHelp->OnClick = [this] { btnHelp_Click(); };
}

void frmImportExport::Form_Load() {
  // A form shown again starts afresh: no cancel and no close left over from the last show.
  m_bIsCancelled = false;
  m_bClosingAllowed = false;
  m_sChosenFolder.clear();
  Trap(Ctx(L"Form_Load"), [&] {
    vb::Ignore([&] { DialogSupport::Localize(*this); });
    m_nRunState = 0;
    ShowProgress(false);
    vb::Ignore([&] { SetIcon(DialogSupport::MainIcon()); });
    auto& record = g_ImportExportParams;
    if (m_bExport)
      Options().GetExportOptions(record);
    else
      Options().GetImportOptions(record);
    vb::Ignore([&] {
      auto current = g_oApp->ActiveExplorer()->CurrentFolder();
      if (mTanvelo::IsTemplateFolder(current)) record.sOutlookFolderEntryID = current->EntryID();
    });
    vb::Err().Clear();
    m_sChosenFolder = record.sOutlookFolderEntryID;
    txtOutlookFolder->SetText(L"");
    if (!m_sChosenFolder.empty()) {
      std::shared_ptr<outlook::MAPIFolder> folder;
      vb::Ignore([&] { folder = FindFolder(m_sChosenFolder); });
      vb::Err().Clear();
      if (folder && mTanvelo::IsTemplateFolder(folder))
        txtOutlookFolder->SetText(GetFolderPath(folder));
      else
        m_sChosenFolder.clear();
    }
    txtWindowsFolder->SetText(record.sWindowsFolder);
    chkIncludeSubFolders->SetValue(record.bIncludeSubFolders ? 1 : 0);
    switch (record.nConflict) {
      case 0:
        optDuplicate->SetValue(true);
        break;
      case 1:
        optReplace->SetValue(true);
        break;
      case 2:
        optLeave->SetValue(true);
        break;
      default:
        optDuplicate->SetValue(true);
        LogError(Ctx(L"Form_Load"), 0,
                 L"invalid conflict resolution = " + std::to_wstring(record.nConflict));
    }
    m_lblProgress->SetCaption(L"");
    UpdateActionButton();
  });
}

void frmImportExport::Form_Unload(int32_t& cancel) {
  if (m_bClosingAllowed) return;
  if (!m_bExport) {
    // The import dialog closes only through its buttons.
    cancel = 1;
    return;
  }
  if (m_nRunState == 1) {
    // The close box asks, as Cancel does, and the window stays until the run ends.
    vb::Ignore([&] { btnCancel_Click(); });
    cancel = 1;
    return;
  }
  // Idle or finished: the close box is Cancel.
  g_ImportExportParams.bValid = false;
  m_bClosingAllowed = true;
}

void frmImportExport::ShowProgress(bool bShow) {
  picProgress->SetVisible(bShow);
  int32_t d = picProgress->Height() * (bShow ? 1 : -1);
  for (const auto& button : {btnHelp, btnAction, btnCancel}) button->SetTop(button->Top() + d);
  SetHeight(Height() + d);
}

void frmImportExport::UpdateActionButton() {
  vb::Ignore([&] {
    std::wstring path = txtWindowsFolder->Text();
    btnAction->SetEnabled(!m_sChosenFolder.empty() && !path.empty() && FolderExists(path));
  });
  vb::Err().Clear();
}

void frmImportExport::btnOpenOutlookFolder_Click() {
  vb::Ignore([&] {
    if (!mForms::BrowseOutlookFolder(m_sChosenFolder)) return;
    txtOutlookFolder->SetText(GetFolderPath(FindFolder(m_sChosenFolder)));
  });
  UpdateActionButton();
}

void frmImportExport::btnOpenWindowsFolder_Click() {
  vb::Ignore([&] {
    std::wstring path;
    if (!mForms::BrowseWindowsFolder(path, hWnd())) return;
    txtWindowsFolder->SetText(path);
  });
  UpdateActionButton();
}

bool frmImportExport::ValidateInput() {
  UpdateActionButton();
  if (m_sChosenFolder.empty()) return false;
  // Outlook refusing a look a moment (busy, held) must not clear the user's choice as gone:
  // the look is asked again, often enough to outlast such a moment, before it is taken as an
  // answer; a choice cleared is logged, so a click that did nothing is not left untold.
  std::shared_ptr<outlook::MAPIFolder> folder;
  for (int attempt = 0; attempt < kHeldTries && !folder; ++attempt)
    vb::Ignore([&] { folder = FindFolder(m_sChosenFolder); });
  if (!folder) {
    LogError(Ctx(L"ValidateInput"), std::nullopt, std::nullopt, L"Outlook folder not found");
    m_sChosenFolder.clear();
    txtOutlookFolder->SetText(L"");
    // The click did nothing: the user sees why, not a dialog that ignores the button.
    vb::MsgBox(LangText(m_bExport ? L"STR_EXPORT_NOT_STARTED" : L"STR_IMPORT_NOT_STARTED"),
               48);  // OK, exclamation
    return false;
  }
  if (txtWindowsFolder->Text().empty()) return false;
  if (!FolderExists(txtWindowsFolder->Text()) && !FolderExists(txtWindowsFolder->Text())) {
    txtWindowsFolder->SetText(L"");
    return false;
  }
  return true;
}

std::wstring frmImportExport::ResultText() const {
  const auto& run = mImportExportWordDocs::LastRun();
  if (!run.bStarted)
    return LangText(m_bExport ? L"STR_EXPORT_NOT_STARTED" : L"STR_IMPORT_NOT_STARTED");
  std::wstring counts = LangText(m_bExport ? L"STR_EXPORT_RESULT" : L"STR_IMPORT_RESULT", run.nDone,
                                 run.nSkipped, run.nFailed);
  if (run.nFailed > 0) return counts;
  return LangText(m_bExport ? L"STR_EXPORT_OK" : L"STR_IMPORT_OK") + L" " + counts;
}

void frmImportExport::btnAction_Click() {
  vb::Ignore([&] {
    if (m_nRunState == 1 || !ValidateInput()) return;
    auto& record = g_ImportExportParams;
    record.bValid = true;
    record.bIncludeSubFolders = chkIncludeSubFolders->Value() != 0;
    if (optDuplicate->Value()) {
      record.nConflict = 0;
    } else if (optReplace->Value()) {
      record.nConflict = 1;
    } else if (optLeave->Value()) {
      record.nConflict = 2;
    } else {
      record.nConflict = 0;
      LogError(Ctx(m_bExport ? L"btnExport_Click" : L"btnImport_Click"), 0, L"Invalid option");
    }
    record.sOutlookFolderEntryID = m_sChosenFolder;
    record.sWindowsFolder = txtWindowsFolder->Text();
    if (m_bExport)
      Options().SetExportOptions(record);
    else
      Options().SetImportOptions(record);
    for (forms::Control* control : std::initializer_list<forms::Control*>{
             txtOutlookFolder.get(), txtWindowsFolder.get(), btnOpenWindowsFolder.get(),
             btnOpenOutlookFolder.get(), chkIncludeSubFolders.get(), optDuplicate.get(),
             optReplace.get(), optLeave.get(), btnAction.get(), btnHelp.get()})
      control->SetEnabled(false);
    ShowProgress(true);
    m_nRunState = 1;
    if (m_bExport)
      mImportExportWordDocs::DoExport(record.sOutlookFolderEntryID, record.sWindowsFolder,
                                      record.bIncludeSubFolders, record.nConflict, this, 1);
    else
      mImportExportWordDocs::DoImport(record.sOutlookFolderEntryID, record.sWindowsFolder,
                                      record.bIncludeSubFolders, record.nConflict, this, 2);
    if (m_bIsCancelled) {
      m_bClosingAllowed = true;
      Unload();
      return;
    }
    m_lblProgress->SetCaption(ResultText());
    btnCancel->SetCaption(LangText(L"STR_OK"));
    btnHelp->SetEnabled(true);
    m_nRunState = 2;
  });
  vb::Err().Clear();
}

void frmImportExport::btnCancel_Click() {
  vb::Ignore([&] {
    if (m_nRunState != 1) {
      g_ImportExportParams.bValid = false;
      m_bClosingAllowed = true;
      Unload();
      return;
    }
    if (vb::MsgBox(LangText(m_bExport ? L"STR_CANCEL_EXPORT" : L"STR_CANCEL_IMPORT"), 36) ==
        vb::vbYes)
      m_bIsCancelled = true;
  });
  vb::Err().Clear();
}

void frmImportExport::btnHelp_Click() {
  vb::Ignore([&] {
    LibNorvane().ShowContextHelp(m_bExport ? L"export_by_tanvelo.htm" : L"Import_by_Tanvelo.htm");
  });
  vb::Err().Clear();
}

void ConnectImportExportDialogs() {
  mForms::g_fnShowExportForm = [] {
    frmExport form;
    form.Show(forms::vbModal);
  };
  mForms::g_fnShowImportForm = [] {
    frmImport form;
    form.Show(forms::vbModal);
  };
}
