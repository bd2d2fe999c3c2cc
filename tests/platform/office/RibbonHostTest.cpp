// The ribbon host: XML per ribbon id, callbacks bound by name, answers kept until invalidated,
// clicks, and the errors it reports instead of throwing at the add-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <stdexcept>

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

TEST(RibbonHost, NothingTheAddInRaisesReachesTheHost) {
  auto addin = std::make_shared<AddIn>();
  addin->members[L"Ribbon_OnLoad"] =
      RibbonOnLoad([](std::shared_ptr<IRibbonUI>) { throw std::runtime_error("onLoad broke"); });
  addin->members[L"Control_GetVisible"] = RibbonGetBool([](const IRibbonControl&, bool& v) {
    v = false;
    vb::Raise(91, L"Object variable not set");
  });
  addin->members[L"Button_Action"] = RibbonOnAction([](const IRibbonControl& c) {
    if (c.Id() == L"btnT1") throw win32::UnscriptedPrompt("a message box nobody answered");
    vb::Raise(13, L"Type mismatch");
  });
  RibbonHost host(addin);
  std::shared_ptr<RibbonWindow> window;
  ASSERT_NO_THROW(window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {}));
  EXPECT_FALSE(window->ControlIds().empty()) << "a failing onLoad leaves the document loaded";
  ASSERT_NO_THROW(window->Draw());
  EXPECT_TRUE(window->Visible(L"sbtn")) << "a raising getVisible leaves the XML's answer";
  EXPECT_NO_THROW(window->Click(L"btn"));
  EXPECT_THROW(window->Click(L"btnT1"), win32::UnscriptedPrompt) << "a test's prompt still ends it";
  std::vector<std::wstring> expected{L"onLoad broke", L"getVisible raised 91", L"getImage raised",
                                     L"onAction raised 13"};
  ASSERT_EQ(expected.size() + 2, host.Errors().size()) << "three getVisible answers fail";
  for (auto& text : expected) {
    bool found = false;
    for (auto& error : host.Errors()) found = found || error.find(text) != std::wstring::npos;
    EXPECT_TRUE(found) << text;
  }

  struct Failing : IRibbonExtensibility {
    bool failMembers;
    explicit Failing(bool members) : failMembers(members) {}
    std::wstring GetCustomUI(const std::wstring&) override {
      if (!failMembers) vb::Raise(5, L"no XML today");
      return kXml;
    }
    RibbonMembers RibbonCallbacks() override { vb::Raise(438, L"no members today"); }
  };
  for (bool failMembers : {false, true}) {
    RibbonHost failing(std::make_shared<Failing>(failMembers));
    ASSERT_NO_THROW(failing.OpenWindow(L"Microsoft.Outlook.Explorer", {}));
    EXPECT_EQ(nullptr, failing.Ribbon(L"Microsoft.Outlook.Explorer"));
    ASSERT_EQ(1u, failing.Errors().size());
    EXPECT_NE(std::wstring::npos,
              failing.Errors()[0].find(failMembers ? L"no members today" : L"no XML today"));
  }
}

TEST(RibbonHost, XmlTheSchemaRefusesIsNotLoadedAtAll) {
  struct Case {
    const wchar_t* find;
    const wchar_t* replace;
    const wchar_t* reported;
  };
  const Case cases[] = {
      {L"getScreentip=", L"getScreenTip=", L"getScreenTip"},
      {L"<group id=\"G\"", L"<group id=\"G\" onAction=\"Button_Action\"", L"onAction"},
      {L"<tab id=\"T\"", L"<tab id=\"T\" getEnabled=\"Control_GetEnabled\"", L"getEnabled"},
      {L"<menu id=\"mnu\">", L"<menu id=\"mnu\" onAction=\"Button_Action\">", L"onAction"},
      {L"<menuSeparator id=\"sep\"/>", L"<menuSeparator id=\"sep\" getLabel=\"Control_GetLabel\"/>",
       L"getLabel"},
      {L"<button id=\"btnHelp\"", L"<button", L"has no id"},
      {L"<menuSeparator id=\"sep\"/>", L"<buton id=\"x\"/>", L"buton"},
      {L"onLoad=\"Ribbon_OnLoad\"", L"onLoad=\"Ribbon_OnLoad\" onload=\"x\"", L"onload"},
  };
  for (const Case& c : cases) {
    auto addin = std::make_shared<AddIn>();
    std::wstring xml = kXml;
    ASSERT_NE(std::wstring::npos, xml.find(c.find)) << c.find;
    xml.replace(xml.find(c.find), std::wcslen(c.find), c.replace);
    addin->xml[L"Microsoft.Outlook.Explorer"] = xml;
    RibbonHost host(addin);
    auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
    EXPECT_TRUE(window->ControlIds().empty()) << c.replace;
    EXPECT_EQ(0, addin->loads) << "no onLoad for a refused document: " << c.replace;
    ASSERT_EQ(1u, host.Errors().size()) << c.replace;
    EXPECT_NE(std::wstring::npos, host.Errors()[0].find(c.reported)) << host.Errors()[0];
  }
}

TEST(RibbonHost, NestingNoRibbonHasIsRefusedWithoutExhaustingTheStack) {
  auto addin = std::make_shared<AddIn>();
  std::wstring xml = kXml;
  std::wstring deep;
  for (int i = 0; i < 50000; ++i) deep += L"<menu id=\"m" + std::to_wstring(i) + L"\">";
  for (int i = 0; i < 50000; ++i) deep += L"</menu>";
  xml.replace(xml.find(L"<menuSeparator id=\"sep\"/>"), 25, deep);
  addin->xml[L"Microsoft.Outlook.Explorer"] = xml;
  RibbonHost host(addin);
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
  EXPECT_TRUE(window->ControlIds().empty());
  ASSERT_EQ(1u, host.Errors().size());
  EXPECT_NE(std::wstring::npos, host.Errors()[0].find(L"deeper")) << host.Errors()[0];
}

TEST(RibbonHost, CallbackNamesBindWhateverTheirLetterCase) {
  auto addin = std::make_shared<AddIn>();
  std::wstring xml = kXml;
  for (size_t at; (at = xml.find(L"\"Button_Action\"")) != std::wstring::npos;)
    xml.replace(at, 15, L"\"BUTTON_action\"");
  addin->xml[L"Microsoft.Outlook.Explorer"] = xml;
  RibbonHost host(addin);
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"e1"));
  window->Click(L"btn");
  EXPECT_EQ((std::vector<std::wstring>{L"btn@e1"}), addin->actions);
  for (auto& error : host.Errors()) EXPECT_EQ(std::wstring::npos, error.find(L"BUTTON_action"));
}

TEST(RibbonHost, ALongSessionKeepsOnlyTheLatestCallsOnRecord) {
  auto addin = std::make_shared<AddIn>();
  RibbonHost host(addin);
  size_t most = 0;
  for (int i = 0; i < 5000; ++i) {
    auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", std::wstring(L"e"));
    window->Draw();
    window->Click(L"btn");
    most = std::max(most, host.Calls().size());
  }
  EXPECT_LE(most, 8192u);
  ASSERT_FALSE(host.Calls().empty());
  EXPECT_EQ(L"onAction", host.Calls().back().attribute);  // the latest is kept
  EXPECT_EQ(L"btn", host.Calls().back().control);
}
