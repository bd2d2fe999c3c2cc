#include "platform/outlook/Changes.h"

#include <utility>

namespace outlook::changes {
namespace {
bool g_keep = false;
std::unordered_set<const void*> g_changed;
}  // namespace

void Keep(bool on) {
  g_keep = on;
  if (!on) g_changed.clear();
}

void Note(const void* what) {
  if (g_keep) g_changed.insert(what);
}

std::unordered_set<const void*> Take() {
  return std::exchange(g_changed, {});
}

}  // namespace outlook::changes
