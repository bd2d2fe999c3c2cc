// The ribbon host over any custom UI text: it loads or reports, never throws at the host and
// never crashes; what it loads has each id once.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  std::wstring xml = fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size));
  office::RibbonHost host(std::make_shared<AddIn>(xml));
  auto window = host.OpenWindow(L"Microsoft.Outlook.Explorer", {});
  FUZZ_CHECK(window != nullptr);
  std::vector<std::wstring> ids = window->ControlIds();
  FUZZ_CHECK(std::set<std::wstring>(ids.begin(), ids.end()).size() == ids.size());
  return 0;
}
