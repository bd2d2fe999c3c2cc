#include "platform/vb/Runtime.h"

#include <cmath>
#include <map>
#include <random>

#include "platform/win32/Clock.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"
#include "platform/win32/Resources.h"

namespace vb {
namespace {

struct Component {
  const std::type_info* type;
  Factory factory;
};

struct RuntimeState {
  std::mt19937 random{20100601u};
  std::map<std::wstring, Component> components;  // by lower-cased ProgID
  AppInfo app;
  ScreenInfo screen;
  std::function<void()> onDoEvents;
};

RuntimeState& S() {
  return win32::PlatformState<RuntimeState>();
}

}  // namespace

void Randomize(uint32_t seed) {
  S().random.seed(seed);
}

double Rnd() {
  return std::uniform_real_distribution<double>(0.0, 1.0)(S().random);
}

void RegisterComponent(const std::wstring& progId, const std::type_info& type, Factory factory) {
  S().components[LCase(progId)] = Component{&type, std::move(factory)};
}

void UnregisterComponent(const std::wstring& progId) {
  S().components.erase(LCase(progId));
}

bool IsComponentRegistered(const std::wstring& progId) {
  return S().components.count(LCase(progId)) != 0;
}

std::shared_ptr<void> CreateObjectRaw(const std::wstring& progId, const std::type_info& type) {
  auto it = S().components.find(LCase(progId));
  if (it == S().components.end()) Raise(kCantCreateObject);
  if (*it->second.type != type) Raise(kTypeMismatch);
  auto object = it->second.factory();
  if (!object) Raise(kCantCreateObject);
  return object;
}

int32_t MsgBox(const std::wstring& prompt, int32_t buttons, const std::wstring& title) {
  return win32::MessageBoxW(0, prompt, title.empty() ? App().Title : title,
                            static_cast<uint32_t>(buttons));
}

AppInfo& App() {
  return S().app;
}
ScreenInfo& Screen() {
  return S().screen;
}

std::wstring LoadResString(uint32_t id) {
  char buffer[4096];
  int n = win32::LoadStringA(App().hInstance, id, buffer, sizeof buffer);
  if (n == 0) Raise(326, L"Resource with identifier '" + std::to_wstring(id) + L"' not found");
  return win32::FromAnsi(std::string_view(buffer, static_cast<size_t>(n)));
}

void DoEvents() {
  win32::clock::RunDue();
  if (auto observer = S().onDoEvents) observer();
}

void SetDoEventsObserver(std::function<void()> observer) {
  S().onDoEvents = std::move(observer);
}

double Val(std::wstring_view text) {
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  };
  skipBlanks();
  std::string number;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
    number += static_cast<char>(text[i++]);
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      number += static_cast<char>(c);
      digits = true;
    } else if (c == L'.' && !point) {
      number += '.';
      point = true;
    } else if (c != L' ') {
      break;
    }
  }
  return digits ? std::strtod(number.c_str(), nullptr) : 0.0;
}

int32_t CLng(double value) {
  double r = std::nearbyint(value);  // the default rounding mode rounds halves to even
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(6);
  return static_cast<int32_t>(r);
}

// Case mapping of the letters an ANSI (1252) user writes: ASCII, Latin-1 and the few
// letters 1252 adds; the process runs in the "C" locale, so towlower alone knows ASCII only.
wchar_t LowerChar(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x160 || c == 0x152 || c == 0x17D) return c + 1;
  if (c == 0x178) return 0xFF;
  return c;
}

wchar_t UpperChar(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0x161 || c == 0x153 || c == 0x17E) return c - 1;
  if (c == 0xFF) return 0x178;
  return c;
}

std::wstring LCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = LowerChar(c);
  return out;
}

std::wstring UCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = UpperChar(c);
  return out;
}

std::wstring Trim(std::wstring_view text) {
  size_t b = text.find_first_not_of(L' ');
  if (b == std::wstring_view::npos) return L"";
  size_t e = text.find_last_not_of(L' ');
  return std::wstring(text.substr(b, e - b + 1));
}

std::vector<std::wstring> Split(std::wstring_view text, std::wstring_view separator) {
  std::vector<std::wstring> parts;
  if (separator.empty()) return {std::wstring(text)};
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::wstring_view::npos;
       start = at + separator.size())
    parts.emplace_back(text.substr(start, at - start));
  parts.emplace_back(text.substr(start));
  return parts;
}

int32_t InStr(int32_t start, std::wstring_view text, std::wstring_view find, bool textCompare) {
  if (start < 1) Raise(kInvalidProcedureCall);
  if (static_cast<size_t>(start) > text.size() + 1) return 0;
  if (find.empty()) return start;
  std::wstring hay(text), needle(find);
  if (textCompare) {
    hay = LCase(hay);
    needle = LCase(needle);
  }
  size_t pos = hay.find(needle, static_cast<size_t>(start - 1));
  return pos == std::wstring::npos ? 0 : static_cast<int32_t>(pos + 1);
}

}  // namespace vb
