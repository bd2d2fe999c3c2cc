// The ribbon host: XML per ribbon id, callbacks bound by name, answers kept until invalidated,
// clicks, and the errors it reports instead of throwing at the add-in.
#include <gtest/gtest.h>

#include <map>

#include "platform/office/Ribbon.h"
#include "platform/vb/Error.h"

using namespace office;

namespace {
const wchar_t* kXml =
    LR"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" onLoad="Ribbon_OnLoad">
<ribbon><tabs><tab id="T" getLabel="Control_GetLabel">
  <group id="G" getLabel="Control_GetLabel" getVisible="Control_GetVisible">
    <splitButton id="sbtn" size="large" getVisible="Control_GetVisible">
      <button id="btn" getLabel="Control_GetLabel" onAction="Button_Action"
              getScreentip="Button_GetScreentip" getImage="Button_GetImage"/>
      <menu id="mnu">
        <button id="btnT1" getLabel="Control_GetLabel" getVisible="Control_GetVisible" onAction="Button_Action"/>
        <menuSeparator id="sep"/>
      </menu>
    </splitButton>
    <button id="btnHelp" label="Help" imageMso="Help" getEnabled="Control_GetEnabled" onAction="Button_Action"/>
  </group>
</tab></tabs></ribbon></customUI>)";

class AddIn : public IRibbonExtensibility {
 public:
  std::map<std::wstring, std::wstring> xml{{L"Microsoft.Outlook.Explorer", kXml}};
  std::map<std::wstring, bool> hidden, disabled;
  std::vector<std::wstring> actions;
  std::shared_ptr<IRibbonUI> ribbon;
  int loads = 0;
  RibbonMembers members{
      {L"Ribbon_OnLoad",
       RibbonOnLoad([this](std::shared_ptr<IRibbonUI> r) { ribbon = r, ++loads; })},
      {L"Button_Action", RibbonOnAction([this](const IRibbonControl& c) {
         actions.push_back(c.Id() + L"@" + std::any_cast<std::wstring>(c.Context()));
       })},
      {L"Control_GetLabel",
       RibbonGetLabel([](const IRibbonControl& c, std::wstring& l) { l = L"label " + c.Id(); })},
      {L"Control_GetVisible",
       RibbonGetBool([this](const IRibbonControl& c, bool& v) { v = !hidden[c.Id()]; })},
      {L"Control_GetEnabled",
       RibbonGetBool([this](const IRibbonControl& c, bool& e) { e = !disabled[c.Id()]; })},
      {L"Button_GetScreentip",
       RibbonGetText([](const IRibbonControl& c) { return L"tip " + c.Id(); })},
      {L"Button_GetImage",
       RibbonGetImage([](const IRibbonControl&) -> std::shared_ptr<win32::IPicture> {
         vb::Raise(13, L"LoadImage failed, LastError=0x715");
       })},
  };
  std::wstring GetCustomUI(const std::wstring& id) override {
    return xml.count(id) ? xml[id] : L"";
  }
  RibbonMembers RibbonCallbacks() override { return members; }
};

std::vector<std::wstring> AskedControls(const RibbonHost& host) {
  std::vector<std::wstring> asked;
  for (auto& call : host.Calls()) asked.push_back(call.attribute + L" " + call.control);
  return asked;
}
}  // namespace

TEST(RibbonHost, LoadsOnceBindsByNameAndDrawsOutsideMenus) {
  auto addin = std::make_shared<AddIn>();
  RibbonHost host(addin);
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"explorer 1"));
  host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"explorer 2"));
  EXPECT_EQ(1, addin->loads) << "one document, one onLoad";
  EXPECT_EQ(host.Ribbon(L"Microsoft.Outlook.Explorer"), addin->ribbon);
  host.ClearCalls();
  window->Draw();
  EXPECT_EQ((std::vector<std::wstring>{L"getLabel T", L"getVisible G", L"getLabel G",
                                       L"getVisible sbtn", L"getLabel btn", L"getScreentip btn",
                                       L"getImage btn", L"getEnabled btnHelp"}),
            AskedControls(host));
  EXPECT_EQ(L"label btn", window->Label(L"btn"));
  EXPECT_EQ(L"tip btn", window->Screentip(L"btn"));
  EXPECT_EQ(L"Help", window->Label(L"btnHelp")) << "a static label";
  EXPECT_EQ(L"Help", window->ImageMso(L"btnHelp"));
  EXPECT_EQ(nullptr, window->Image(L"btn"));
  ASSERT_EQ(1u, host.Errors().size()) << "the raising getImage is reported";
  EXPECT_NE(std::wstring::npos, host.Errors()[0].find(L"LoadImage failed"));
  host.ClearCalls();
  window->Draw();
  EXPECT_TRUE(host.Calls().empty()) << "answers are kept until invalidated";
  window->OpenMenu(L"mnu");
  EXPECT_EQ((std::vector<std::wstring>{L"getVisible btnT1", L"getLabel btnT1"}),
            AskedControls(host));
}

TEST(RibbonHost, AnInvalidationReAsksExactlyTheInvalidatedControlInEveryWindow) {
  auto addin = std::make_shared<AddIn>();
  RibbonHost host(addin);
  auto w1 = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"e1"));
  auto w2 = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"e2"));
  w1->Draw();
  w2->Draw();
  host.ClearCalls();
  addin->disabled[L"btnHelp"] = true;
  addin->ribbon->InvalidateControl(L"btnHelp");
  addin->ribbon->InvalidateControl(L"noSuchControl");
  EXPECT_TRUE(host.Calls().empty()) << "asked at the next drawing, not at once";
  w1->Draw();
  w2->Draw();
  EXPECT_EQ((std::vector<std::wstring>{L"getEnabled btnHelp", L"getEnabled btnHelp"}),
            AskedControls(host));
  EXPECT_FALSE(w1->Enabled(L"btnHelp"));
  host.ClearCalls();
  addin->ribbon->Invalidate();
  w1->Draw();
  EXPECT_EQ(8u, host.Calls().size());
}

TEST(RibbonHost, ClicksRunOnActionWithTheWindowsContext) {
  auto addin = std::make_shared<AddIn>();
  RibbonHost host(addin);
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"e1"));
  window->Click(L"btnT1");
  window->Click(L"btn");
  EXPECT_EQ((std::vector<std::wstring>{L"btnT1@e1", L"btn@e1"}), addin->actions);

  addin->hidden[L"G"] = true;
  addin->ribbon->InvalidateControl(L"G");
  EXPECT_THROW(window->Click(L"btn"), ActionRefused) << "a hidden group hides its controls";
  EXPECT_FALSE(window->Visible(L"btnT1"));
  addin->hidden[L"G"] = false;
  addin->disabled[L"btnHelp"] = true;
  addin->ribbon->Invalidate();
  EXPECT_THROW(window->Click(L"btnHelp"), ActionRefused);
  EXPECT_THROW(window->Click(L"unknown"), ActionRefused);
  EXPECT_EQ(2u, addin->actions.size());
  addin->ribbon->ActivateTab(L"T");
  EXPECT_EQ(L"T", window->ActiveTab());
}

TEST(RibbonHost, ReportsCallbacksTheAddInLacksAndXmlItCannotUse) {
  auto addin = std::make_shared<AddIn>();
  addin->members.erase(L"Button_GetScreentip");
  addin->members[L"Control_GetEnabled"] =
      RibbonGetLabel([](const IRibbonControl&, std::wstring&) {});
  addin->xml[L"Microsoft.Outlook.Mail.Read"] = L"<customUI xmlns=\"urn:other\"/>";
  addin->xml[L"Microsoft.Outlook.Mail.Compose"] = L"<customUI";
  RibbonHost host(addin);
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
  ASSERT_EQ(2u, host.Errors().size());
  EXPECT_NE(std::wstring::npos, host.Errors()[0].find(L"Button_GetScreentip"));
  EXPECT_NE(std::wstring::npos, host.Errors()[1].find(L"Control_GetEnabled"));
  window->Draw();
  EXPECT_EQ(L"", window->Screentip(L"btn")) << "the unbound callback is not called";
  EXPECT_TRUE(window->Enabled(L"btnHelp"));

  host.OpenWindow(L"Microsoft.Outlook.Mail.Read", {});
  host.OpenWindow(L"Microsoft.Outlook.Mail.Compose", {});
  EXPECT_EQ(5u, host.Errors().size()) << "the getImage raise, the namespace and the broken XML";
  EXPECT_EQ(nullptr, host.Ribbon(L"Microsoft.Outlook.Mail.Read"));
  auto none = host.OpenWindow(L"Microsoft.Outlook.Contact", {});
  EXPECT_TRUE(none->ControlIds().empty());
  EXPECT_EQ(5u, host.Errors().size()) << "no XML is no error";
}
