// The templates folder's view definition, as Outlook hands it over, of any text: a definition
// that does not load stays as it was; one that does gets the two hotkey columns once, keeps
// every column it had with its property in order, and a second pass changes nothing. The same
// over definitions a generator wrote with column properties of any characters.
#include <algorithm>

#include "FuzzSupport.h"
#include "core/Main.h"
#include "engine/mTanvelo.h"
#include "engine/mViewXML.h"
#include "platform/msxml/DOMDocument.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Folder.h"

namespace {

// The "prop" texts of the root's columns, in order; nothing when the XML does not load.
std::optional<std::vector<std::wstring>> Props(const std::wstring& xml) {
  msxml::DOMDocument doc;
  if (!doc.loadXML(xml) || !doc.documentElement()) return std::nullopt;
  std::vector<std::wstring> props;
  auto columns = doc.documentElement()->selectNodes(L"column");
  for (int32_t i = 0; i < columns->length(); ++i) {
    auto prop = columns->item(i)->selectSingleNode(L"prop");
    props.push_back(prop ? prop->nodeTypedValue() : L"(none)");
  }
  return props;
}

void Check(const std::wstring& xml) {
  auto view = std::make_shared<outlook::View>(L"Table", 0, xml);
  auto before = Props(xml);
  mViewXML::ModifyFolderView(view);
  if (!before) {
    FUZZ_CHECK(view->XML() == xml);
    return;
  }
  auto after = Props(view->XML());
  FUZZ_CHECK(after.has_value());
  const std::wstring hotkey = mViewXML::UserPropertyPath(mTanvelo::kHotkeyProperty),
                     action = mViewXML::UserPropertyPath(mTanvelo::kHotkeyActionProperty);
  // The columns it had, in order, then those it lacked.
  std::vector<std::wstring> expected = *before;
  for (const auto& prop : {hotkey, action})
    if (std::find(before->begin(), before->end(), prop) == before->end()) expected.push_back(prop);
  if (*after != expected)
    std::fprintf(stderr, "xml '%s'\nmade '%s'\n", fuzz::Show(xml).c_str(),
                 fuzz::Show(view->XML()).c_str());
  FUZZ_CHECK(*after == expected);
  const std::wstring once = view->XML();
  mViewXML::ModifyFolderView(view);
  FUZZ_CHECK(view->XML() == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  msxml::Install();
  g_oApp = outlook::Application::Create(L"14.0.0.4760");
  Check(fuzz::Text(std::string_view(reinterpret_cast<const char*>(data), size)));

  FuzzedDataProvider provider(data, size);
  std::wstring xml = L"<?xml version=\"1.0\"?>\r\n<view type=\"table\"><viewname>" +
                     fuzz::XmlEscaped(fuzz::Text(provider, 10)) + L"</viewname>";
  for (int n = provider.ConsumeIntegralInRange(0, 6); n > 0; --n) {
    std::wstring prop = provider.ConsumeBool()
                            ? mViewXML::UserPropertyPath(mTanvelo::kHotkeyProperty)
                            : fuzz::XmlEscaped(fuzz::Text(provider, 20));
    xml += L"<column><heading>" + fuzz::XmlEscaped(fuzz::Text(provider, 8)) + L"</heading><prop>" +
           prop + L"</prop><width>" + std::to_wstring(provider.ConsumeIntegral<uint8_t>()) +
           L"</width></column>";
  }
  Check(xml + L"</view>");
  g_oApp.reset();
  return 0;
}
