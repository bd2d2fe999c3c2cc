// The runtime's error model: a failing call raises vb::Error (number, description), as a COM
// call raises an error; the current error (Err) is what a trapping procedure reads and clears.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/win32/MessageBox.h"

namespace vb {

class Error : public std::runtime_error {
 public:
  Error(int32_t number, std::wstring description);
  int32_t Number() const { return number_; }
  const std::wstring& Description() const { return description_; }

 private:
  int32_t number_;
  std::wstring description_;
};

// Numbers the runtime itself raises.
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kObjectVariableNotSet = 91;
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kCantCreateObject = 429;
inline constexpr int32_t kInternalError = 51;

// The current error of the thread.
class ErrObject {
 public:
  int32_t Number() const { return number_; }
  const std::wstring& Description() const { return description_; }
  void Set(int32_t number, std::wstring description);
  void Clear();

 private:
  int32_t number_ = 0;
  std::wstring description_;
};

ErrObject& Err();

// Raises an error; a description left empty takes the runtime's text for the number.
[[noreturn]] void Raise(int32_t number, std::wstring description = L"");

// The runtime's own description of an error number ("Object variable or With block variable
// not set" for 91...), empty when it has none.
std::wstring DescriptionOf(int32_t number);

// Runs `body`; an error it raises becomes the current error and the answer is false. The
// trap of a procedure that handles its errors, and (with the result ignored) of a statement
// run under "resume next". Only a scripting fault of a test (UnscriptedPrompt) passes through.
template <class F>
bool Catch(F&& body) {
  try {
    body();
    return true;
  } catch (const Error& e) {
    Err().Set(e.Number(), e.Description());
  } catch (const win32::UnscriptedPrompt&) {
    throw;
  } catch (const std::exception& e) {
    Err().Set(kInternalError,
              std::wstring(e.what(), e.what() + std::char_traits<char>::length(e.what())));
  }
  return false;
}

// One statement whose error is ignored: the current error is set and execution goes on.
template <class F>
void Ignore(F&& statement) {
  (void)Catch(std::forward<F>(statement));
}

}  // namespace vb
