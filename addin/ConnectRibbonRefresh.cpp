// Freshness of the ribbon: Office keeps every answer until the add-in invalidates the control,
// so each change names exactly the controls whose answers it can change.
#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"

using namespace ribbonrules;

namespace {

std::vector<std::wstring> Prefixed(std::initializer_list<const wchar_t*> names) {
  std::vector<std::wstring> ids;
  for (const wchar_t* name : names) ids.push_back(Ex(name));
  return ids;
}

std::vector<std::wstring> QuickItems(const Family& f, bool explorer) {
  std::vector<std::wstring> ids;
  if (explorer) ids.push_back(Ex(L"sep" + std::wstring(f.name).substr(3) + L"Sub"));
  for (int n = 1; n <= 5; ++n) ids.push_back(QuickId(f, n, explorer));
  return ids;
}

const wchar_t* const kReasons[] = {L"FolderChanged", L"SelectionChanged", L"FreqRTemplatesChanged",
                                   L"FreqRATemplatesChanged", L"bFreqFTemplatesChanged"};

}  // namespace

const std::vector<std::wstring>& CConnectRibbon::InvalidationList(int list) {
  static const std::vector<std::vector<std::wstring>> lists = {
      Prefixed({L"grpTemplate",
                L"btnTemplate",
                L"grpDefault",
                L"btnChangeDefaultClear",
                L"btnChangeDefaultSet",
                L"btnEditTemplate",
                L"btnHotkey",
                L"btnNewFromSelTemplate",
                L"btnNewFromTemplate",
                L"btnNewTemplate",
                L"btnOpenDuplicate",
                L"btnSaveAsTemplate",
                L"btnSelAndEditTemplate",
                L"grpDrafts",
                L"btnSendDrafts",
                L"sbtnForwardWith",
                L"btnForwardWith",
                L"sbtnReplyAllWith",
                L"btnReplyAllWith",
                L"sbtnTanvelo",
                L"btnTanvelo"}),
      Prefixed({L"btnChangeDefaultClear", L"btnChangeDefaultSet", L"btnEditTemplate", L"btnHotkey",
                L"btnNewFromSelTemplate", L"btnNewFromTemplate", L"btnOpenDuplicate",
                L"btnSaveAsTemplate", L"btnSendDrafts", L"sbtnForwardWith", L"btnForwardWith",
                L"sbtnReplyAllWith", L"btnReplyAllWith", L"sbtnTanvelo", L"btnTanvelo"}),
      QuickItems(kFamilies[0], true),
      QuickItems(kFamilies[1], true),
      QuickItems(kFamilies[2], true),
      QuickItems(kFamilies[0], false),
      QuickItems(kFamilies[1], false),
      QuickItems(kFamilies[2], false),
  };
  return lists.at(static_cast<size_t>(list));
}

namespace {

using Ribbons = std::vector<std::shared_ptr<office::IRibbonUI>>;

// The one rule for an operation sent to every loaded ribbon: a refusal is logged under
// `procedure` with the ribbon's number and what was asked, and the others still hear it.
template <class F>
void EachRibbon(const Ribbons& ribbons, std::wstring_view procedure, std::wstring_view what,
                F&& call) {
  int n = 0;
  for (const auto& ribbon : Ribbons(ribbons)) {  // a call may load or drop a ribbon
    ++n;
    if (!ribbon) continue;
    TrapWithContext(procedure, std::wstring(what) + L" on ribbon " + std::to_wstring(n),
                    [&] { call(*ribbon); });
  }
}

class FanOut : public office::IRibbonUI {
 public:
  explicit FanOut(std::weak_ptr<Ribbons> ribbons) : ribbons_(std::move(ribbons)) {}
  void Invalidate() override {
    Each(L"Invalidate", [](office::IRibbonUI& r) { r.Invalidate(); });
  }
  void InvalidateControl(const std::wstring& id) override {
    Each(id, [&](office::IRibbonUI& r) { r.InvalidateControl(id); });
  }
  void ActivateTab(const std::wstring& id) override {
    Each(L"ActivateTab " + id, [&](office::IRibbonUI& r) { r.ActivateTab(id); });
  }

 private:
  template <class F>
  void Each(const std::wstring& what, F&& call) {
    if (auto ribbons = ribbons_.lock()) EachRibbon(*ribbons, L"Connect::m_oRibbon", what, call);
  }
  std::weak_ptr<Ribbons> ribbons_;
};

}  // namespace

void CConnectRibbon::InvalidateList(std::wstring_view procedure,
                                    const std::vector<std::wstring>& ids) {
  // Each control by itself: one refusal must not leave the rest (a quick item whose label no
  // longer names what its click runs) stale.
  for (const auto& id : ids)
    EachRibbon(*m_oRibbons, procedure, id, [&](office::IRibbonUI& r) { r.InvalidateControl(id); });
}

void CConnectRibbon::InvalidateControl(const std::wstring& id) {
  InvalidateList(L"Connect::Button_Action_", {id});
}

std::shared_ptr<office::IRibbonUI> CConnectRibbon::AllRibbons() {
  if (!m_oAllRibbons) m_oAllRibbons = std::make_shared<FanOut>(m_oRibbons);
  return m_oAllRibbons;
}

void CConnectRibbon::Invalidate() {
  AllRibbons()->Invalidate();
}

void CConnectRibbon::ActivateTab(const std::wstring& id) {
  AllRibbons()->ActivateTab(id);
}

void CConnectRibbon::m_FreqTemplates_OnChange(int32_t nType) {
  Trap(L"Connect::m_FreqTemplates_OnChange", [&] {
    if (!HasRibbon()) return;
    switch (nType) {
      case 1:
        InvalidateList(L"Connect::m_FreqTemplates_OnChange", InvalidationList(5));
        Explorer_InvalidateRibbon(false, false, true, false, false);
        break;
      case 2:
        InvalidateList(L"Connect::m_FreqTemplates_OnChange", InvalidationList(6));
        Explorer_InvalidateRibbon(false, false, false, true, false);
        break;
      case 4:
        InvalidateList(L"Connect::m_FreqTemplates_OnChange", InvalidationList(7));
        Explorer_InvalidateRibbon(false, false, false, false, true);
        break;
      case 8:
        break;  // no ribbon control shows the new-mail ranking
      default:
        LogError(L"Connect::m_FreqTemplates_OnChange", 0,
                 L"Invalid type = " + std::to_wstring(nType));
    }
  });
}

void CConnectRibbon::InvalidateQuickItems() {
  for (int32_t nType : {1, 2, 4}) m_FreqTemplates_OnChange(nType);
}

void CConnectRibbon::Explorer_InvalidateRibbon(bool bFolderChanged, bool bSelectionChanged,
                                               bool bFreqRTemplatesChanged,
                                               bool bFreqRATemplatesChanged,
                                               bool bFreqFTemplatesChanged) {
  Trap(L"Connect.Explorer_InvalidateRibbon", [&] {
    if (m_oFacts->AppVersion() < 14 || !HasRibbon()) return;
    const bool flags[] = {bFolderChanged, bSelectionChanged, bFreqRTemplatesChanged,
                          bFreqRATemplatesChanged, bFreqFTemplatesChanged};
    for (int i = 0; i < 5; ++i) {
      if (!flags[i]) continue;
      LogInfo(L"Connect.Explorer_InvalidateRibbon", kReasons[i], 1);
      InvalidateList(L"Connect.Explorer_InvalidateRibbon", InvalidationList(i));
    }
  });
}
