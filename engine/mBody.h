// Module mBody: the body of an Outlook item in each of its forms (plain text, HTML, RTF) and
// its body format, read and written on the item or through its Redemption safe item, and HTML
// written into an item as RTF that carries the HTML.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/outlook/Forward.h"

namespace mBody {

using ItemPtr = std::shared_ptr<outlook::Item>;

// The body format (0 none, 1 plain, 2 HTML, 3 RTF): read from Outlook 2003 on, tried on
// Outlook 2002 (0 when the item refuses), never touched before.
int32_t GetBodyFormat(const ItemPtr& item);
// True when written: always from Outlook 2003 on, when no error occurred on Outlook 2002,
// never before.
bool SetBodyFormat(const ItemPtr& item, int32_t nFormat);

// On the item itself; errors go to the caller.
std::wstring GetBody(const ItemPtr& item);
void SetBody(const ItemPtr& item, const std::wstring& text);
// With bSwitch the item is made HTML first.
std::wstring GetHTMLBody(const ItemPtr& item, bool bSwitch);
void SetHTMLBody(const ItemPtr& item, std::wstring html);

// Through the Redemption safe item; errors are logged and give the empty text. Readers save
// an unsaved or changed item first when bSave allows; writers save an item that has no
// EntryID yet.
std::wstring SafeGetBody(const ItemPtr& item, bool bSave);
std::wstring SafeGetRTFBody(const ItemPtr& item, bool bSave);
// With bSwitch the item is made HTML first (and then counts as changed).
std::wstring SafeGetHTMLBody(const ItemPtr& item, bool bSave, bool bSwitch);
// The same, the refusal raised once it is logged: for a caller that must not go on with a
// text it did not read (a merge would make a mail without the template's text).
std::wstring SafeGetBodyOrRaise(const ItemPtr& item, bool bSave);
std::wstring SafeGetHTMLBodyOrRaise(const ItemPtr& item, bool bSave, bool bSwitch);
void SafeSetBody(const ItemPtr& item, const std::wstring& text);
void SafeSetRTFBody(const ItemPtr& item, const std::wstring& rtf);
// Writes the HTML as RTF that carries it (the item is not saved first).
void SafeSetHTMLBody(const ItemPtr& item, const std::wstring& html);

// Text as RTF content: backslash and braces escaped, every character outside ASCII as a
// Unicode escape "\uN?" (UTF-16 units, N signed 16-bit).
std::wstring RtfEncodeText(std::wstring_view text);
// The RTF that carries the HTML: "{\rtf1\ansi\ansicpg1252\fromhtml1 " & the encoded HTML & "}";
// the HTML's line breaks become \par, so a reader sees them.
std::wstring HtmlToRtf(std::wstring_view html);

}  // namespace mBody
