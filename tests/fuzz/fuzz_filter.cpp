// The filter language: any text parses or is refused with an error, never a crash; a
// condition on any value, its apostrophes doubled, parses and matches that value.
#include "FuzzSupport.h"
#include "platform/outlook/Filter.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  fuzz::FreshPlatform platform;
  std::wstring value = fuzz::Text(provider, 100);
  std::wstring text = fuzz::Text(provider, 4000);

  auto lookup = [&](const std::wstring& name) -> std::optional<outlook::PropValue> {
    if (vb::LCase(name) == L"subject") return value;
    if (vb::LCase(name) == L"flagstatus") return static_cast<int32_t>(value.size());
    return std::nullopt;
  };
  vb::Catch([&] {
    outlook::Filter filter(text);
    filter.Properties();
    filter.Matches(lookup);
  });
  vb::Err().Clear();

  std::wstring quoted;
  for (wchar_t c : value) quoted += c == L'\'' ? L"''" : std::wstring(1, c);
  bool matched = false;
  bool parsed = vb::Catch(
      [&] { matched = outlook::Filter(L"[Subject] = '" + quoted + L"'").Matches(lookup); });
  if (!parsed || !matched)
    std::fprintf(stderr, "value '%s': %s\n", fuzz::Show(value).c_str(),
                 parsed ? "no match" : "refused");
  FUZZ_CHECK(parsed && matched);
  vb::Err().Clear();
  return 0;
}
