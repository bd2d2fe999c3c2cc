// The support library's callbacks into the add-in that Core can answer: the language id and
// the user's own e-mail address. Both are support::TextCallback.
#pragma once

#include <string>

// COptions.LangID; errors ignored.
std::wstring OnLibGetLangID();
// The user's address: Outlook 2000 through the safe current user, later versions through a
// Redemption session's current user (SMTP address, else its address); empty when none.
std::wstring OnLibGetUserAddress();
