// The SendKeys statement: a text in the runtime's key syntax typed at the keyboard focus.
// Covered: plain characters, "+", "^" and "%" (Shift, Ctrl, Alt) for the next key or a group
// in parentheses, "~" (Enter), a character in braces ("{%}", "{{}") and the named keys
// {ENTER}, {TAB}, {BS}, {ESC} and {INSERT}. Anything else raises 5, as the runtime does.
#pragma once

#include <string>

namespace vb {

// Letters, digits and the blank go out as their keys (Shift for capitals); any other
// character is typed by its code. Everything is processed before the call returns, so `wait`
// changes nothing here.
void SendKeys(const std::wstring& keys, bool wait = false);

}  // namespace vb
