// Which stored data changed, told by address: each item whose fields, recipients or
// attachments changed, each property bag written, and each folder whose contents, name or
// subfolders changed. A program keeping a profile on disk
// reads it to write only the items that changed; nothing is noted until it turns the notes on.
#pragma once

#include <unordered_set>

namespace outlook::changes {

void Keep(bool on);
void Note(const void* what);
// What changed since the last call; the notes start again empty.
std::unordered_set<const void*> Take();

}  // namespace outlook::changes
