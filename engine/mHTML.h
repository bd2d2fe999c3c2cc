// Module mHTML: one HTML start tag taken apart into its name and attributes, one attribute
// read, and a body tag rebuilt with one attribute set.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mHTML {

// The position of the body start tag's "<" and of the ">" that ends it: the first "<body"
// (any case, followed by a blank, "/" or ">") outside comments; a ">" inside a quoted attribute
// value does not end it. Both npos when there is none.
std::pair<size_t, size_t> FindBodyTag(const std::wstring& html);

// Splits the first start tag of `sTag`. Values keep their quotes, double or single; an
// attribute without "=" has the empty value, so both lists have the same length. False (and
// a log entry) when the text holds no "<" or no ">" after it, or an "=" without a name.
bool SplitTag(const std::wstring& sTag, std::wstring& sTagName, std::vector<std::wstring>& names,
              std::vector<std::wstring>& values);

// The trimmed value of the first attribute of that name (any case), or the empty text.
std::wstring ExtractTagParam(const std::wstring& sTag, const std::wstring& sParam);

// "<body " & sParam & "=" & sValue, then the tag's other attributes, then ">". The caller
// quotes sValue as needed. A tag that cannot be split gives "<body >".
std::wstring InsertTagParam(const std::wstring& sTag, const std::wstring& sParam,
                            const std::wstring& sValue);

}  // namespace mHTML
