#include "platform/outlook/Changes.h"

#include <utility>

namespace outlook::changes {
namespace {
bool g_keep = false;
std::unordered_set<const void*> g_changed;
std::vector<std::pair<const void*, std::weak_ptr<const void>>> g_filed;
}  // namespace

void Keep(bool on) {
  g_keep = on;
  if (!on) {
    g_changed.clear();
    g_filed.clear();
  }
}

void Note(const void* what) {
  if (g_keep) g_changed.insert(what);
}

void NoteFiled(const void* folder, std::weak_ptr<const void> item) {
  if (g_keep) g_filed.emplace_back(folder, std::move(item));
}

std::unordered_set<const void*> Take() {
  return std::exchange(g_changed, {});
}

std::vector<std::pair<const void*, std::weak_ptr<const void>>> TakeFiled() {
  return std::exchange(g_filed, {});
}

}  // namespace outlook::changes
