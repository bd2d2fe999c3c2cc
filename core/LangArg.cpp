#include "core/LangArg.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"

namespace {

constexpr int32_t kInvalidUseOfNull = 94;

// The number a text stands for, when the whole trimmed text is one.
bool ParseNumber(const std::wstring& text, double& value) {
  std::wstring t = vb::Trim(text);
  if (t.empty()) return false;
  wchar_t* end = nullptr;
  value = std::wcstod(t.c_str(), &end);
  return end == t.c_str() + t.size() && std::isfinite(value);
}

std::wstring DoubleText(double value) {
  if (std::fabs(value) < 1e15 && value == std::floor(value))
    return std::to_wstring(static_cast<int64_t>(value));
  char buffer[40];
  std::snprintf(buffer, sizeof(buffer), "%.15G", value);
  return std::wstring(buffer, buffer + std::char_traits<char>::length(buffer));
}

}  // namespace

LangArg LangArg::Null() {
  LangArg arg;
  arg.m_value = NullValue{};
  return arg;
}

LangArg LangArg::Array(std::vector<LangArg> items) {
  LangArg arg;
  arg.m_value = std::move(items);
  return arg;
}

int32_t LangArg::VarType() const {
  static constexpr int32_t kCodes[] = {vbEmpty,  vbNull,    vbInteger, vbLong,
                                       vbDouble, vbBoolean, vbString,  vbVariantArray};
  return kCodes[m_value.index()];
}

std::wstring LangArg::TypeName() const {
  static const wchar_t* kNames[] = {L"Empty",  L"Null",    L"Integer", L"Long",
                                    L"Double", L"Boolean", L"String",  L"Variant()"};
  return kNames[m_value.index()];
}

bool LangArg::IsNumeric() const {
  double unused;
  if (auto* text = std::get_if<std::wstring>(&m_value)) return ParseNumber(*text, unused);
  return !std::holds_alternative<NullValue>(m_value) && !IsArray();
}

const std::vector<LangArg>& LangArg::Items() const {
  return std::get<std::vector<LangArg>>(m_value);
}

std::wstring LangArg::ToText() const {
  switch (m_value.index()) {
    case 0:
      return L"";
    case 1:
      vb::Raise(kInvalidUseOfNull, L"Invalid use of Null");
    case 2:
      return std::to_wstring(std::get<int16_t>(m_value));
    case 3:
      return std::to_wstring(std::get<int32_t>(m_value));
    case 4:
      return DoubleText(std::get<double>(m_value));
    case 5:
      return std::get<bool>(m_value) ? L"True" : L"False";
    case 6:
      return std::get<std::wstring>(m_value);
    default:
      vb::Raise(vb::kTypeMismatch, L"Type mismatch");
  }
}

int32_t LangArg::ToLong() const {
  switch (m_value.index()) {
    case 0:
      return 0;
    case 1:
      vb::Raise(kInvalidUseOfNull, L"Invalid use of Null");
    case 2:
      return std::get<int16_t>(m_value);
    case 3:
      return std::get<int32_t>(m_value);
    case 4:
      return vb::CLng(std::get<double>(m_value));
    case 5:
      return std::get<bool>(m_value) ? -1 : 0;
    case 6: {
      double value = 0;
      if (!ParseNumber(std::get<std::wstring>(m_value), value))
        vb::Raise(vb::kTypeMismatch, L"Type mismatch");
      return vb::CLng(value);
    }
    default:
      vb::Raise(vb::kTypeMismatch, L"Type mismatch");
  }
}
