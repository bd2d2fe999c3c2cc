// The support library's callback for the About texts, answered from the language object.
#pragma once

#include "platform/support/LibNorvane.h"

// Fills the record at `texts` with the file description, comments and legal notice of the
// loaded language and answers the same address; errors are ignored.
support::VersionTexts* OnLibGetVersionTexts(support::VersionTexts* texts);
