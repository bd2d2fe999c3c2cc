// One argument of a text by id: a value of the automation types the texts are filled with,
// carrying the type code and type name that the formatting's warnings quote.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class LangArg {
 public:
  // VarType codes.
  static constexpr int32_t vbEmpty = 0, vbNull = 1, vbInteger = 2, vbLong = 3, vbDouble = 5,
                           vbString = 8, vbBoolean = 11, vbVariantArray = 8204;

  LangArg() = default;  // Empty
  LangArg(int16_t value) : m_value(value) {}
  LangArg(int32_t value) : m_value(value) {}
  // Other integers go over as Long, as a count handed to a text would.
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, int16_t> && !std::same_as<T, int32_t> &&
           !std::same_as<T, wchar_t> && !std::same_as<T, char>) LangArg(T value)
      : m_value(static_cast<int32_t>(value)) {}
  LangArg(double value) : m_value(value) {}
  LangArg(bool value) : m_value(value) {}
  LangArg(const wchar_t* text) : m_value(std::wstring(text)) {}
  LangArg(std::wstring text) : m_value(std::move(text)) {}
  LangArg(std::wstring_view text) : m_value(std::wstring(text)) {}

  static LangArg Null();
  // A list of values handed on as one argument ("Variant()").
  static LangArg Array(std::vector<LangArg> items);

  int32_t VarType() const;
  std::wstring TypeName() const;
  bool IsNumeric() const;
  bool IsArray() const { return std::holds_alternative<std::vector<LangArg>>(m_value); }
  const std::vector<LangArg>& Items() const;
  // CStr: raises 94 for Null and 13 for a list.
  std::wstring ToText() const;
  // CLng: halves to even; raises 13 for text that is no number, 94 for Null, 6 on overflow.
  int32_t ToLong() const;

 private:
  struct NullValue {};
  std::variant<std::monostate, NullValue, int16_t, int32_t, double, bool, std::wstring,
               std::vector<LangArg>>
      m_value;
};
