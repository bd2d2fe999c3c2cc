#include "engine/mBody.h"

#include <cstdint>
#include <functional>

#include "core/Main.h"
#include "platform/outlook/Item.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Need.h"

namespace mBody {
namespace {

using vb::Need;

std::shared_ptr<redemption::SafeItem> Safe(const ItemPtr& item) {
  auto safe = GetSafeItem(item);
  if (!safe) vb::Raise(vb::kObjectVariableNotSet);
  return safe;
}

// Asked again while refused (the item held a moment): a body read as empty would make a reply
// or a template without its text. Still refused, told naming the item, and with bRaise the
// refusal goes on to the caller.
std::wstring SafeRead(const wchar_t* procedure, const ItemPtr& item, bool bSave, bool bSwitch,
                      const std::function<std::wstring(redemption::SafeItem&)>& read,
                      bool bRaise = false) {
  std::wstring text;
  auto step = [&] {
    bool needsSave = false;
    if (bSwitch && GetBodyFormat(item) != 2) needsSave = SetBodyFormat(item, 2);
    if (Need(item)->EntryID().empty() || !item->Saved()) needsSave = true;
    if (needsSave && bSave) item->Save();
    auto safe = Safe(item);
    text = read(*safe);
    safe->SetItem(nullptr);
  };
  for (int tries = 1;; ++tries) {
    if (vb::Catch(step)) return text;
    if (tries == kHeldTries) break;
    vb::Err().Clear();
  }
  const int32_t number = vb::Err().Number();
  const std::wstring description = vb::Err().Description();
  std::wstring subject;
  vb::Catch([&] { subject = Need(item)->Subject(); });
  LogError(procedure, number, description, L"The text of \"" + subject + L"\" was not read");
  if (bRaise) vb::Raise(number, description);
  return L"";
}

void SafeWrite(const wchar_t* procedure, const ItemPtr& item,
               const std::function<void(redemption::SafeItem&)>& write) {
  Trap(procedure, [&] {
    if (Need(item)->EntryID().empty()) item->Save();
    auto safe = Safe(item);
    write(*safe);
    safe->SetItem(nullptr);
  });
}

void AppendUnicodeEscape(std::wstring& out, uint32_t unit) {
  int32_t signedUnit = unit > 0x7FFF ? static_cast<int32_t>(unit) - 0x10000 : unit;
  out += L"\\u" + std::to_wstring(signedUnit) + L"?";
}

}  // namespace

std::wstring RtfEncodeText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    auto code = static_cast<uint32_t>(c);
    if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      // A line break of the HTML source is a paragraph of the RTF: a reader ignores a bare
      // CR LF there, and the words on either side would run together.
      out += L"\\par\r\n";
      ++i;
    } else if (c == L'\r' || c == L'\n') {
      AppendUnicodeEscape(out, code);  // a lone one comes back as itself
    } else if (code < 0x80) {
      out += c;
    } else if (code > 0xFFFF) {
      code -= 0x10000;
      AppendUnicodeEscape(out, 0xD800 + (code >> 10));
      AppendUnicodeEscape(out, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUnicodeEscape(out, code);
    }
  }
  return out;
}

std::wstring HtmlToRtf(std::wstring_view html) {
  // The space ends the control word, so a leading digit or blank of the HTML stays text.
  return L"{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 " + RtfEncodeText(html) + L"}";
}

int32_t GetBodyFormat(const ItemPtr& item) {
  int32_t version = GetAppVersion();
  if (version >= 11) return Need(item)->BodyFormat();
  if (version < 10) return 0;
  int32_t format = 0;
  vb::Ignore([&] { format = Need(item)->BodyFormat(); });
  vb::Err().Clear();
  return format;
}

bool SetBodyFormat(const ItemPtr& item, int32_t nFormat) {
  int32_t version = GetAppVersion();
  if (version >= 11) {
    Need(item)->SetBodyFormat(nFormat);
    return true;
  }
  if (version < 10) return false;
  bool written = vb::Catch([&] { Need(item)->SetBodyFormat(nFormat); });
  vb::Err().Clear();
  return written;
}

std::wstring GetBody(const ItemPtr& item) {
  return Need(item)->Body();
}

void SetBody(const ItemPtr& item, const std::wstring& text) {
  Need(item)->SetBody(text);
}

std::wstring GetHTMLBody(const ItemPtr& item, bool bSwitch) {
  if (bSwitch) SetBodyFormat(item, 2);
  return Need(item)->HTMLBody();
}

void SetHTMLBody(const ItemPtr& item, std::wstring html) {
  Need(item)->SetHTMLBody(std::move(html));
}

std::wstring SafeGetBody(const ItemPtr& item, bool bSave) {
  return SafeRead(L"mBody::SafeGetBody", item, bSave, false,
                  [](redemption::SafeItem& safe) { return safe.Body(); });
}

std::wstring SafeGetBodyOrRaise(const ItemPtr& item, bool bSave) {
  return SafeRead(
      L"mBody::SafeGetBody", item, bSave, false,
      [](redemption::SafeItem& safe) { return safe.Body(); }, true);
}

std::wstring SafeGetRTFBody(const ItemPtr& item, bool bSave) {
  return SafeRead(L"mBody::SafeGetRTFBody", item, bSave, false,
                  [](redemption::SafeItem& safe) { return safe.RTFBody(); });
}

std::wstring SafeGetHTMLBody(const ItemPtr& item, bool bSave, bool bSwitch) {
  return SafeRead(L"mBody::SafeGetHTMLBody", item, bSave, bSwitch,
                  [](redemption::SafeItem& safe) { return safe.HTMLBody(); });
}

std::wstring SafeGetHTMLBodyOrRaise(const ItemPtr& item, bool bSave, bool bSwitch) {
  return SafeRead(
      L"mBody::SafeGetHTMLBody", item, bSave, bSwitch,
      [](redemption::SafeItem& safe) { return safe.HTMLBody(); }, true);
}

void SafeSetBody(const ItemPtr& item, const std::wstring& text) {
  SafeWrite(L"mBody::SafeSetBody", item, [&](redemption::SafeItem& safe) { safe.SetBody(text); });
}

void SafeSetRTFBody(const ItemPtr& item, const std::wstring& rtf) {
  SafeWrite(L"mBody::SafeSetRTFBody", item,
            [&](redemption::SafeItem& safe) { safe.SetRTFBody(rtf); });
}

void SafeSetHTMLBody(const ItemPtr& item, const std::wstring& html) {
  Trap(L"mBody::SafeSetHTMLBody", [&] {
    auto safe = Safe(item);
    safe->SetRTFBody(HtmlToRtf(html));
    safe->SetItem(nullptr);
  });
}

}  // namespace mBody
