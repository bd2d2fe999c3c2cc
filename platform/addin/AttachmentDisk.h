// Outlook's attachment files on the simulated disk, as the host gives them: what an item saves
// or reads by path is a file of win32's sandbox.
#pragma once

namespace addinhost {

// Binds outlook::files to win32::files: a path outside the sandbox is neither read nor
// written. outlook::files::Bind(nullptr, nullptr) undoes it.
void BindAttachmentsToDisk();

}  // namespace addinhost
