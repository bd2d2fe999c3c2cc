#include "resources/RibbonXML.h"

namespace resources::ribbon {
namespace {

#define TV_CUSTOMUI                                                            \
  L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" " \
  L"onLoad=\"Ribbon_OnLoad\">"

const wchar_t kInspectorHead[] = TV_CUSTOMUI
    LR"(<ribbon><tabs><tab id="Norvane.Tanvelo.Tab" getLabel="Control_GetLabel" insertBeforeMso="TabInsert">)";

const wchar_t kInspectorTail[] = L"</tab></tabs></ribbon></customUI>";

// One split button of the respond group; X stands for the family name.
const wchar_t kRespondSplit[] =
    LR"(<splitButton id="sbtnX" size="large" getVisible="Control_GetVisible">)"
    LR"(<button id="btnX" getLabel="Control_GetLabel" onAction="Button_Action" getScreentip="Button_GetScreentip" getImage="Button_GetImage"/>)"
    LR"(<menu id="mnuX">)"
    LR"(<button id="btnXSub" getLabel="Control_GetLabel" onAction="Button_Action"/>)"
    LR"(<menuSeparator id="sepX"/>)"
    LR"(<button id="btnXT1" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getImage="Button_GetImage"/>)"
    LR"(<button id="btnXT2" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getImage="Button_GetImage"/>)"
    LR"(<button id="btnXT3" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getImage="Button_GetImage"/>)"
    LR"(<button id="btnXT4" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getImage="Button_GetImage"/>)"
    LR"(<button id="btnXT5" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getImage="Button_GetImage"/>)"
    LR"(</menu></splitButton>)";

const wchar_t kActionGroup[] =
    LR"(<group id="Norvane.Tanvelo.tabAction" getLabel="Control_GetLabel">)"
    LR"(<splitButton id="sbtnTemplate" size="large" getVisible="Control_GetVisible">)"
    LR"(<button id="btnTemplate" onAction="Button_Action" getScreentip="Button_GetScreentip" getImage="Button_GetImage"/>)"
    LR"(<menu id="mnuTemplate">)"
    LR"(<button id="btnProcessPersonal2" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action"/>)"
    LR"(<button id="btnOpenDuplicate" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action" getEnabled="Control_GetEnabled"/>)"
    LR"(<button id="btnHotkey" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action"/>)"
    LR"(<button id="btnChangeDefault" getVisible="Control_GetVisible" getLabel="Control_GetLabel" onAction="Button_Action"/>)"
    LR"(</menu></splitButton>)"
    LR"(<button id="btnTemplate2" size="large" onAction="Button_Action" getScreentip="Button_GetScreentip" getImage="Button_GetImage" getVisible="Control_GetVisible"/>)"
    LR"(</group>)";

const wchar_t* const kFields[] = {L"btnFullName", L"btnFirstName", L"btnMiddleName", L"btnLastName",
                                  L"btnInitials", L"btnNickname",  L"btnCompany",    L"btnTo",
                                  L"btnCC",       L"btnBCC",       L"btnMyName",     L"btnFrom"};

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::wstring RespondGroup() {
  std::wstring xml =
      LR"(<group id="Norvane.Tanvelo.tabRespond" getLabel="Control_GetLabel" getVisible="Control_GetVisible">)";
  for (const wchar_t* family : {L"Tanvelo", L"ReplyAllWith", L"ForwardWith"}) {
    // "sbtnX", "btnX", "mnuX", "sepX" and the items: X is only ever preceded by these stems.
    std::wstring split = kRespondSplit;
    for (const wchar_t* stem : {L"sbtn", L"btn", L"mnu", L"sep"})
      split =
          Replace(split, std::wstring(L"\"") + stem + L"X", std::wstring(L"\"") + stem + family);
    xml += split;
  }
  return xml + L"</group>";
}

std::wstring InsertGroup() {
  std::wstring xml =
      LR"(<group id="Norvane.Tanvelo.grpInsert" getVisible="Control_GetVisible" getLabel="Control_GetLabel">)";
  for (const wchar_t* field : kFields)
    xml += std::wstring(L"<button id=\"") + field +
           L"\" getLabel=\"Control_GetLabel\" onAction=\"Button_Action\"/>";
  return xml + L"</group>";
}

}  // namespace

const std::wstring& ReadXml() {
  static const std::wstring xml = kInspectorHead + RespondGroup() + kActionGroup + kInspectorTail;
  return xml;
}

const std::wstring& ComposeXml() {
  static const std::wstring xml =
      kInspectorHead + std::wstring(kActionGroup) + InsertGroup() + kInspectorTail;
  return xml;
}

const std::wstring& ExplorerHead() {
  static const std::wstring xml = TV_CUSTOMUI L"<ribbon><tabs>";
  return xml;
}

const std::wstring& ExplorerTail() {
  static const std::wstring xml = L"</tab></tabs></ribbon></customUI>";
  return xml;
}

const std::wstring& ExplorerPattern(ExplorerKind kind) {
  static const std::wstring patterns[] = {
      LR"(<tab id="%1" getLabel="Control_GetLabel">)",
      LR"(<group id="%1" getLabel="Control_GetLabel" getVisible="Control_GetVisible">)",
      LR"(<splitButton id="%1" size="large" getEnabled="Control_GetEnabled" getVisible="Control_GetVisible">)",
      LR"(<button id="%1" onAction="Button_Action" getScreentip="Button_GetScreentip" getLabel="Control_GetLabel" getEnabled="Control_GetEnabled" getImage="Button_GetImage"/>)",
      LR"(<menu id="%1">)",
      LR"(<button id="%1" onAction="Button_Action" getLabel="Control_GetLabel" getVisible="Control_GetVisible" getEnabled="Control_GetEnabled" getImage="Button_GetImage"/>)",
      LR"(<menuSeparator id="%1"/>)",
      LR"(<button id="%1" size="large" onAction="Button_Action" getLabel="Control_GetLabel" getVisible="Control_GetVisible" getEnabled="Control_GetEnabled" getImage="Button_GetImage"/>)",
      LR"(<button id="%1" size="large" onAction="Button_Action" getLabel="Control_GetLabel" getVisible="Control_GetVisible" getEnabled="Control_GetEnabled" imageMso="%2"/>)",
      L"</menu></splitButton>",
      L"</group>",
  };
  return patterns[static_cast<size_t>(kind)];
}

const std::vector<ExplorerElement>& ExplorerLayout() {
  using K = ExplorerKind;
  static const std::vector<ExplorerElement> layout = [] {
    std::vector<ExplorerElement> l{{K::Tab, L"tab", nullptr}, {K::Group, L"grpEmail", nullptr}};
    struct Split {
      const wchar_t *split, *button, *menu, *sub, *sep, *t[5];
    };
    const Split splits[] = {
        {L"sbtnTanvelo",
         L"btnTanvelo",
         L"mnuTanvelo",
         L"btnTanveloSub",
         L"sepTanveloSub",
         {L"btnTanveloT1", L"btnTanveloT2", L"btnTanveloT3", L"btnTanveloT4", L"btnTanveloT5"}},
        {L"sbtnReplyAllWith",
         L"btnReplyAllWith",
         L"m_mnuReplyAllWith",
         L"btnReplyAllWithSub",
         L"sepReplyAllWithSub",
         {L"btnReplyAllWithT1", L"btnReplyAllWithT2", L"btnReplyAllWithT3", L"btnReplyAllWithT4",
          L"btnReplyAllWithT5"}},
        {L"sbtnForwardWith",
         L"btnForwardWith",
         L"m_mnuForwardWith",
         L"btnForwardWithSub",
         L"sepForwardWithSub",
         {L"btnForwardWithT1", L"btnForwardWithT2", L"btnForwardWithT3", L"btnForwardWithT4",
          L"btnForwardWithT5"}},
    };
    for (const Split& s : splits) {
      l.push_back({K::SplitButton, s.split, nullptr});
      l.push_back({K::SplitButtonButton, s.button, nullptr});
      l.push_back({K::Menu, s.menu, nullptr});
      l.push_back({K::MenuButton, s.sub, nullptr});
      l.push_back({K::MenuSeparator, s.sep, nullptr});
      for (const wchar_t* item : s.t) l.push_back({K::MenuButton, item, nullptr});
      l.push_back({K::EndMenuAndSplitButton, L"", nullptr});
    }
    for (const wchar_t* b : {L"btnNewFromTemplate", L"btnNewFromSelTemplate", L"btnSaveAsTemplate"})
      l.push_back({K::LargeButton, b, nullptr});
    l.push_back({K::EndGroup, L"", nullptr});
    l.push_back({K::Group, L"grpTemplate", nullptr});
    for (const wchar_t* b :
         {L"btnTemplate", L"btnNewTemplate", L"btnOpenDuplicate", L"btnEditTemplate",
          L"btnSelAndEditTemplate", L"btnHotkey", L"btnImport", L"btnExport"})
      l.push_back({K::LargeButton, b, nullptr});
    l.push_back({K::EndGroup, L"", nullptr});
    l.push_back({K::Group, L"grpDefault", nullptr});
    l.push_back({K::LargeButton, L"btnChangeDefaultClear", nullptr});
    l.push_back({K::LargeButton, L"btnChangeDefaultSet", nullptr});
    l.push_back({K::EndGroup, L"", nullptr});
    l.push_back({K::Group, L"grpDrafts", nullptr});
    l.push_back({K::LargeButtonMso, L"btnSendDrafts", L"SendItem"});
    l.push_back({K::EndGroup, L"", nullptr});
    l.push_back({K::Group, L"grpOptions", nullptr});
    l.push_back({K::LargeButton, L"btnOptions", nullptr});
    l.push_back({K::EndGroup, L"", nullptr});
    l.push_back({K::Group, L"grpMore", nullptr});
    l.push_back({K::LargeButton, L"btnBugReport", nullptr});
    l.push_back({K::LargeButtonMso, L"btnHelp", L"Help"});
    l.push_back({K::LargeButtonMso, L"btnAbout", L"Info"});
    l.push_back({K::EndGroup, L"", nullptr});
    return l;
  }();
  return layout;
}

}  // namespace resources::ribbon
