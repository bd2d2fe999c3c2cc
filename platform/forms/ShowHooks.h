// What a program playing the user learns of modal dialogs: each modal show as it happens, and
// a last chance to answer a show nobody queued a script for (a person at a prompt). Both are
// empty after a platform reset; tests keep queuing scripts and never need them.
#pragma once

#include <functional>
#include <optional>

#include "platform/forms/User.h"

namespace forms {

class Form;

// Called at each modal show, before its script runs.
void SetShowObserver(std::function<void(Form&)> observer);
// Asked for a script when none is queued for the form; nothing keeps the unscripted failure.
void SetFallbackScript(std::function<std::optional<Script>(Form&)> fallback);

// Internal to the forms runtime.
void NotifyShow(Form& form);
std::optional<Script> FallbackScript(Form& form);

}  // namespace forms
