// The library's main module: the library object's process-wide variable, the empty-field
// request record and its dialog launcher, simulated keystrokes, the TNEF mark fix, and texts
// from the language object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/CLang.h"

class RL_CLib;
namespace redemption {
class SafeItem;
}

// The library object while it is initialised; set by its Init, cleared when it ends.
extern RL_CLib* g_oLib;

// What the empty-field dialog is asked and what it answers.
struct EmptyFieldRequest {
  std::wstring sEmail;
  std::wstring sToken;
  std::wstring sValue;  // the initial text in, the answer out
  bool bContactFound = false;
  bool bOnTop = false;
  std::wstring sCaption;
  int16_t nResult = 0;  // 0 OK or Skip, -1 Cancel
};

namespace RL_mMain {

EmptyFieldRequest& Request();

// Shows the dialog modally; the answer lands in sValue unless it was cancelled.
void AskEmptyField(const std::wstring& sEmail, const std::wstring& sToken, std::wstring& sValue,
                   bool bContactFound, const std::wstring& sCaption, bool& bCancel, bool bOnTop);

// Shift+Insert and Ctrl+Insert (then a flush) as key events to the focused window.
void SendShiftInsert();
void SendCopyKeys();

// Clears the "use TNEF" mark of a plain-text or HTML mail.
void BugFixTNEF(const std::shared_ptr<redemption::SafeItem>& item, bool bSave);

}  // namespace RL_mMain
