// What the add-in does when Outlook's windows and the templates folder report something, how
// an explorer gets its command bars, and how a hotkey reaches the active window.
#include "addin/Connect.h"
#include "commands/frmDummy.h"
#include "commands/mExplorer.h"
#include "commands/mInspector.h"
#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/SystemFiling.h"
#include "engine/mBody.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "engine/mViewXML.h"
#include "hotkeys/CHotkey.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/vb/Runtime.h"

namespace {
constexpr const wchar_t* kExplorerTab = L"Norvane.Tanvelo.Explorer.tab";
constexpr int32_t olFormatRichText = 3;
constexpr int32_t kStyleExclamation = 48;
}  // namespace

void Connect::SubscribeTrackers() {
  m_subExplorers.clear();
  m_subExplorers.push_back(m_oExplorers->OnExplorer.Subscribe(
      [this](std::shared_ptr<CExplorerWrapper> wrapper, bool bFirst, bool bNew) {
        m_oExplorers_OnExplorer(wrapper, bFirst, bNew);
      }));
  m_subExplorers.push_back(
      m_oExplorers->OnCloseAllExplorers.Subscribe([this] { m_oExplorers_OnCloseAllExplorers(); }));
  m_subExplorers.push_back(m_oExplorers->OnExplorerFolderSwitch.Subscribe(
      [this](std::shared_ptr<CExplorerWrapper> w) { m_oExplorers_OnExplorerFolderSwitch(w); }));
  m_subExplorers.push_back(m_oExplorers->OnExplorerSelectionChange.Subscribe(
      [this](std::shared_ptr<CExplorerWrapper> w) { m_oExplorers_OnExplorerSelectionChange(w); }));
  m_subExplorers.push_back(m_oExplorers->OnExplorerViewSwitch.Subscribe(
      [this](std::shared_ptr<CExplorerWrapper> w) { m_oExplorers_OnExplorerViewSwitch(w); }));
  m_subInspectors = m_oInspectors->OnNewMailInspector.Subscribe(
      [this](std::shared_ptr<outlook::Inspector> i) { m_oInspectors_OnNewMailInspector(i); });
  if (g_oApp)
    m_subItemSend = g_oApp->Events().ItemSend.Subscribe(
        [this](std::shared_ptr<outlook::Item> item, bool& cancel) {
          m_oApp_ItemSend(item, cancel);
        });
}

void Connect::m_oApp_ItemSend(const std::shared_ptr<outlook::Item>& item, bool& Cancel) {
  const wchar_t* proc = L"Connect::m_oApp_ItemSend";
  auto self = weak_from_this().lock();
  if (!Alive() || !item) return;
  // Read by its window's Send a moment ago: asked again, a refusal would hold the user's mail.
  if (mTanvelo::TakeLetGoAtSend(item)) return;
  // A window of the program stops its mail's Send before this, so a mail of the program seen
  // here was taken by none: it would leave with its tokens, or as one message to all.
  std::wstring why;
  if (!vb::Catch([&] { why = mTanvelo::WhyNotSentUnprocessed(item); }))
    why = L"it could not be checked: " + vb::Err().Description();
  vb::Err().Clear();
  if (why.empty()) return;
  Cancel = true;
  std::wstring subject;
  vb::Ignore([&] { subject = item->Subject(); });
  vb::Err().Clear();
  const bool ownerUnknown = why == mTanvelo::kOwnerNotRead;
  LogError(proc, 0,
           (ownerUnknown ? L"not sent (" : L"not sent, the mail was not personalized (") + why +
               L"): " + subject);
  const std::wstring shown = subject.empty() ? LangText(L"STR_UNTITLED_MAIL") : subject;
  vb::Ignore([&] {
    vb::MsgBox(LangText(ownerUnknown ? L"STR_SEND_OWNER_NOT_READ" : L"STR_SEND_NOT_PROCESSED"),
               kStyleExclamation, LangText(L"STR_NORECIPIENTS_TITLE", shown));
  });
  vb::Err().Clear();
}

void Connect::m_oExplorers_OnExplorer(const std::shared_ptr<CExplorerWrapper>& wrapper, bool bFirst,
                                      bool /*bNew*/) {
  auto self = weak_from_this().lock();
  if (!Alive()) return;
  Trap(L"Connect::m_oExplorers_OnExplorer", [&] {
    LogInfo(L"Connect::m_oExplorers_OnExplorer", L"");
    if (bFirst) {
      if (!Init(wrapper)) Done(true);
    } else {
      AddMenu(wrapper);
    }
  });
}

void Connect::m_oExplorers_OnCloseAllExplorers() {
  auto self = weak_from_this().lock();
  if (!Alive()) return;
  vb::Ignore([&] {
    LogInfo(L"Connect::m_oExplorers_OnCloseAllExplorers", L"");
    Done(false);
  });
  vb::Err().Clear();
}

void Connect::m_oExplorers_OnExplorerFolderSwitch(
    const std::shared_ptr<CExplorerWrapper>& wrapper) {
  if (!Alive() || GetAppVersion() < 14 || !m_oRibbon) return;
  vb::Ignore([&] {
    auto folder = wrapper->GetObject()->CurrentFolder();
    if (mTanvelo::IsTemplateFolder(folder)) m_oRibbon->ActivateTab(kExplorerTab);
    Explorer_InvalidateRibbon(true, false, false, false, false, false);
  });
  vb::Err().Clear();
}

void Connect::m_oExplorers_OnExplorerSelectionChange(
    const std::shared_ptr<CExplorerWrapper>& /*wrapper*/) {
  if (!Alive() || GetAppVersion() < 14) return;
  vb::Ignore([&] { Explorer_InvalidateRibbon(false, true, false, false, false, false); });
  vb::Err().Clear();
}

void Connect::m_oExplorers_OnExplorerViewSwitch(const std::shared_ptr<CExplorerWrapper>& wrapper) {
  if (!Alive() || GetAppVersion() < 10) return;
  vb::Ignore([&] {
    auto explorer = wrapper->GetObject();
    auto folder = explorer->CurrentFolder();
    if (mTanvelo::IsTemplateFolder(folder)) {
      auto view = explorer->CurrentView();
      std::wstring key = vb::LCase(folder->EntryID() + view->Name());
      if (!m_colViewKeys.count(key)) {
        mViewXML::ModifyFolderView(view);
        m_colViewKeys.insert(key);
      }
    } else if (Options().ModifyTVDraftsView() &&
               folder->EntryID() == Options().TanveloDraftsEntryID()) {
      Options().SetModifyTVDraftsView(false);
    }
  });
  vb::Err().Clear();
}

void Connect::m_oInspectors_OnNewMailInspector(const std::shared_ptr<outlook::Inspector>&) {
  if (!Alive() || !m_oRibbon) return;
  vb::Ignore([&] { m_oRibbon->Invalidate(); });
  vb::Err().Clear();
}

void Connect::m_oTanveloItems_ItemAdd(const std::shared_ptr<outlook::Item>& item) {
  if (!Alive()) return;
  Trap(L"Connect::m_oTanveloItems_ItemAdd", [&] {
    LogInfo(L"Connect::m_oTanveloItems_ItemAdd", L"");
    // The checks are for what the user drops here, not for what the system files.
    if (SystemFiling::Active()) return;
    if (!item || item->Class() != outlook::olMail) return;
    if (item->Subject().empty()) vb::MsgBox(LangText(L"IDS_FILLSUBJMI"), 0);
    if (mBody::GetBodyFormat(item) == olFormatRichText) vb::MsgBox(LangText(L"IDS_DONTUSERTF"), 0);
  });
}

void Connect::AddMenu(const std::shared_ptr<CExplorerWrapper>& wrapper) {
  Trap(L"Connect::AddMenu", [&] {
    LogInfo(L"Connect::AddMenu", L"");
    auto& make = Factories().MakeExplorerMenu;
    if (!make) return;
    auto menu = make(wrapper->GetObject());
    wrapper->AddAssociatedObject(menu, L"Menu");
  });
}

void Connect::OnHotkey(const CHotkey& hotkey) {
  auto self = weak_from_this().lock();
  if (!Alive()) return;
  Trap(L"Connect::OnHotkey", [&] {
    auto window = g_oApp->ActiveWindow();
    if (!window) {
      LogInfo(L"Connect::OnHotkey", L"ActiveWindow Is Nothing");
      return;
    }
    if (auto inspector = std::dynamic_pointer_cast<outlook::Inspector>(window)) {
      auto wrapper = m_oInspectors ? m_oInspectors->FindWrapper(inspector) : nullptr;
      // Queued like an explorer's: a template action still running is waited for.
      if (wrapper)
        DummyForm().DemandTanvelo_Click(wrapper, hotkey.Action, hotkey.TemplateEntryID, false);
      return;
    }
    if (m_oExplorers && m_oExplorers->GetActiveWrapper())
      mExplorer::Explorer_Tanvelo(hotkey.Action, hotkey.TemplateEntryID, 0);
  });
}
