// The ribbon host over any custom UI text: it loads or reports, never throws at the host and
// never crashes; what it loads has each id once. Over custom UI a generator wrote with ids and
// labels of any characters: it loads the controls written, in order, each with its label (the
// written one, or the callback's answer), or reports the id used twice.
#include <set>

#include "FuzzSupport.h"
#include "platform/office/Ribbon.h"

namespace {

class AddIn : public office::IRibbonExtensibility {
 public:
  explicit AddIn(std::wstring xml) : xml_(std::move(xml)) {}
  std::wstring GetCustomUI(const std::wstring&) override { return xml_; }
  office::RibbonMembers RibbonCallbacks() override {
    return {{L"Button_Action", office::RibbonOnAction([](const office::IRibbonControl&) {})},
            {L"Control_GetLabel", office::RibbonGetLabel([](const office::IRibbonControl& c,
                                                            std::wstring& l) { l = c.Id(); })}};
  }

 private:
  std::wstring xml_;
};

// Characters an XML attribute holds as themselves (line ends and tabs become blanks there).
std::wstring AttributeText(FuzzedDataProvider& data) {
  std::wstring text;
  for (wchar_t c : fuzz::Text(data, 10))
    if (c >= 0x20 && c != 0xFFFE && c != 0xFFFF && !(c >= 0x7F && c <= 0x9F)) text += c;
  return text;
}

struct Control {
  std::wstring id, label;
};

void Generated(FuzzedDataProvider& data) {
  std::vector<Control> controls;
  std::wstring xml =
      L"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"><ribbon><tabs>";
  auto add = [&](const wchar_t* element, bool callback) {
    Control c{L"c" + AttributeText(data), AttributeText(data)};
    xml += std::wstring(L"<") + element + L" id=\"" + fuzz::XmlEscaped(c.id) + L"\"";
    if (callback) {
      xml += L" getLabel=\"Control_GetLabel\"";
      c.label = c.id;
    } else {
      xml += L" label=\"" + fuzz::XmlEscaped(c.label) + L"\"";
    }
    xml += L">";
    controls.push_back(c);
  };
  for (int tabs = data.ConsumeIntegralInRange(1, 3); tabs > 0; --tabs) {
    add(L"tab", false);
    for (int groups = data.ConsumeIntegralInRange(0, 3); groups > 0; --groups) {
      add(L"group", false);
      for (int buttons = data.ConsumeIntegralInRange(0, 4); buttons > 0; --buttons) {
        add(L"button", data.ConsumeBool());
        xml += L"</button>";
      }
      xml += L"</group>";
    }
    xml += L"</tab>";
  }
  xml += L"</tabs></ribbon></customUI>";

  office::RibbonHost host(std::make_shared<AddIn>(xml));
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
  FUZZ_CHECK(window != nullptr);
  std::set<std::wstring> unique;
  for (const auto& c : controls) unique.insert(c.id);
  if (unique.size() < controls.size()) {
    FUZZ_CHECK(!host.Errors().empty());
    return;
  }
  if (!host.Errors().empty())
    std::fprintf(stderr, "xml '%s'\nerror '%s'\n", fuzz::Show(xml).c_str(),
                 fuzz::Show(host.Errors()[0]).c_str());
  FUZZ_CHECK(host.Errors().empty());
  window->Draw();
  std::vector<std::wstring> ids = window->ControlIds();
  FUZZ_CHECK(ids.size() == controls.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    FUZZ_CHECK(ids[i] == controls[i].id);
    FUZZ_CHECK(window->Label(ids[i]) == controls[i].label);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring xml = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  office::RibbonHost host(std::make_shared<AddIn>(xml));
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
  FUZZ_CHECK(window != nullptr);
  std::vector<std::wstring> ids = window->ControlIds();
  FUZZ_CHECK(std::set<std::wstring>(ids.begin(), ids.end()).size() == ids.size());
  FuzzedDataProvider provider(data, size);
  Generated(provider);
  return 0;
}
