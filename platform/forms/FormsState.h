// The forms runtime's process-wide state: loaded forms, the stack of modal forms and the
// scripts waiting for modal shows. Internal to platform/forms.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/User.h"

namespace forms {

class Form;

struct FormsState {
  std::vector<Form*> loaded;
  std::vector<Form*> modal;
  std::map<std::wstring, std::deque<Script>> scripts;  // by lower-cased form name
};

FormsState& State();
std::optional<Script> TakeScript(const std::wstring& formName);

}  // namespace forms
