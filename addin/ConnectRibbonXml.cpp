// The customUI documents by ribbon id and the callbacks Office binds by name.
#include "addin/CConnectRibbon.h"
#include "addin/ConnectRibbonRules.h"
#include "inspector_ui/CItemContextMenu.h"

using namespace ribbonrules;
namespace rx = resources::ribbon;

CConnectRibbon::CConnectRibbon(std::shared_ptr<IRibbonFacts> facts,
                               std::shared_ptr<IRibbonCommands> commands)
    : m_oFacts(std::move(facts)), m_oCommands(std::move(commands)) {}

CConnectRibbon::~CConnectRibbon() = default;

std::wstring CConnectRibbon::GetCustomUI(const std::wstring& ribbonId) {
  std::wstring xml;
  vb::Ignore([&] {
    if (ribbonId == rx::kReadId || ribbonId == rx::kComposeId) {
      xml = MailItem_GetCustomUI(ribbonId);
    } else if (ribbonId == rx::kExplorerId && m_oFacts->AppVersion() >= 14) {
      xml = Explorer_GetCustomUI();
    }
  });
  vb::Err().Clear();
  return xml;
}

std::wstring CConnectRibbon::MailItem_GetCustomUI(const std::wstring& ribbonId) {
  if (ribbonId == rx::kReadId) return rx::ReadXml();
  if (ribbonId == rx::kComposeId) return rx::ComposeXml();
  return L"";
}

std::wstring CConnectRibbon::Explorer_GetCustomUI() {
  auto fill = [](std::wstring text, const std::wstring& mark, const std::wstring& value) {
    for (size_t at = text.find(mark); at != std::wstring::npos;
         at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
    return text;
  };
  std::wstring xml = rx::ExplorerHead();
  for (const auto& element : rx::ExplorerLayout()) {
    std::wstring part = fill(rx::ExplorerPattern(element.kind), L"%1", Ex(element.name));
    if (element.imageMso) part = fill(part, L"%2", element.imageMso);
    xml += part;
  }
  return xml + rx::ExplorerTail();
}

office::RibbonMembers CConnectRibbon::RibbonCallbacks() {
  using namespace office;
  return {
      {L"Ribbon_OnLoad", RibbonOnLoad([this](std::shared_ptr<IRibbonUI> r) { Ribbon_OnLoad(r); })},
      {L"Button_Action", RibbonOnAction([this](const IRibbonControl& c) { Button_Action(c); })},
      {L"Control_GetEnabled",
       RibbonGetBool([this](const IRibbonControl& c, bool& v) { Control_GetEnabled(c, v); })},
      {L"Control_GetVisible",
       RibbonGetBool([this](const IRibbonControl& c, bool& v) { Control_GetVisible(c, v); })},
      {L"Control_GetLabel", RibbonGetLabel([this](const IRibbonControl& c, std::wstring& l) {
         Control_GetLabel(c, l);
       })},
      {L"Button_GetScreentip",
       RibbonGetText([this](const IRibbonControl& c) { return Button_GetScreentip(c); })},
      {L"Button_GetImage",
       RibbonGetImage([this](const IRibbonControl& c) { return Button_GetImage(c); })},
  };
}

void CConnectRibbon::Ribbon_OnLoad(std::shared_ptr<office::IRibbonUI> ribbon) {
  if (!ribbon) return;
  for (const auto& known : *m_oRibbons)
    if (known == ribbon) return;
  m_oRibbons->push_back(std::move(ribbon));
}
