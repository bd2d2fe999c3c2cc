// Which stored data changed, told by address: each item whose fields, recipients or
// attachments changed, each property bag written, and each folder whose contents, name or
// subfolders changed. A program keeping a profile on disk
// reads it to write only the items that changed; nothing is noted until it turns the notes on.
#pragma once

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace outlook::changes {

void Keep(bool on);
void Note(const void* what);
// An item filed in a folder (added at its end): the folder's other items are as they were.
void NoteFiled(const void* folder, std::weak_ptr<const void> item);
// What changed since the last call; the notes start again empty.
std::unordered_set<const void*> Take();
// The items filed since the last call, with their folders.
std::vector<std::pair<const void*, std::weak_ptr<const void>>> TakeFiled();

}  // namespace outlook::changes
