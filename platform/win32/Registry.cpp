#include "platform/win32/Registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/win32/Faults.h"
#include "platform/win32/RegistryChanges.h"
#include "platform/win32/Reset.h"

namespace win32 {
namespace {

// Names compare as Windows compares them: every letter of code page 1252 in either case,
// the four pairs outside the Latin-1 block (S, OE, Z with caron; Y with diaeresis) too.
std::string Fold(std::string_view name) {
  std::string out(name);
  for (char& ch : out) {
    auto b = static_cast<unsigned char>(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7) || b == 0x8A || b == 0x8C ||
        b == 0x8E)
      ch = static_cast<char>(b + (b >= 0xC0 || b <= 'Z' ? 32 : 16));
    else if (b == 0x9F)
      ch = static_cast<char>(0xFF);
  }
  return out;
}

// Windows keeps a tree no deeper than this; a deeper file is damaged, not a registry.
constexpr size_t kMaxDepth = 512;

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  uint64_t order = 0;  // when it was first written: values enumerate in this order
};

struct Node {
  std::string name;
  std::string path;  // from the hive, as written; "" for the hive itself
  std::map<std::string, std::shared_ptr<Node>> keys;  // by folded name, so sorted
  bool deleted = false;

  // A key with thousands of values (usage records) is read, rewritten and emptied value by
  // value; lookups go through an index, deletions leave a gap closed before the next walk.
  Value* FindValue(std::string_view valueName) {
    auto it = index_.find(Fold(valueName));
    return it == index_.end() ? nullptr : &values_[it->second];
  }
  void AddValue(Value value) {
    index_[Fold(value.name)] = values_.size();
    values_.push_back(std::move(value));
  }
  bool EraseValue(std::string_view valueName) {
    auto it = index_.find(Fold(valueName));
    if (it == index_.end()) return false;
    erased_.push_back(it->second);
    index_.erase(it);
    return true;
  }
  // The values in the order written.
  const std::vector<Value>& Values() const {
    if (erased_.empty()) return values_;
    std::vector<bool> gone(values_.size());
    for (size_t at : erased_) gone[at] = true;
    std::vector<Value> kept;
    kept.reserve(values_.size() - erased_.size());
    for (size_t i = 0; i < values_.size(); ++i)
      if (!gone[i]) kept.push_back(std::move(values_[i]));
    values_ = std::move(kept);
    erased_.clear();
    index_.clear();
    for (size_t i = 0; i < values_.size(); ++i) index_[Fold(values_[i].name)] = i;
    return values_;
  }

 private:
  // Closing the gaps changes no value a reader can see.
  mutable std::vector<Value> values_;
  mutable std::vector<size_t> erased_;                     // positions of deleted values
  mutable std::unordered_map<std::string, size_t> index_;  // folded name -> position
};

struct Handle {
  std::shared_ptr<Node> node;
  REGSAM access;
  bool readOnlyHive;
  HKEY hive;
};

// What changed in a hive whose changes are kept, by key (folded path): enough to find it again
// when the changes are taken, so noting costs nothing of the hive's size.
struct KeyNote {
  std::string path;
  bool cleared = false;
  std::unordered_set<std::string> values;  // folded names
};
struct HiveNotes {
  bool whole = false;
  std::unordered_map<std::string, KeyNote> keys;
  uint64_t keeper = 0;
};

struct RegistryState {
  std::map<HKEY, std::shared_ptr<Node>> hives{{HKEY_CLASSES_ROOT, std::make_shared<Node>()},
                                              {HKEY_CURRENT_USER, std::make_shared<Node>()},
                                              {HKEY_LOCAL_MACHINE, std::make_shared<Node>()}};
  std::map<HKEY, bool> readOnly;
  std::map<HKEY, Handle> open;
  HKEY nextHandle = 0x100;
  uint64_t nextOrder = 1;
  std::map<HKEY, HiveNotes> notes;  // of the hives whose changes are kept
};

RegistryState& S() {
  return PlatformState<RegistryState>();
}

// Resolves a handle (predefined root or open key); nullptr when it is neither.
Handle* Resolve(HKEY key, Handle& scratch) {
  auto& s = S();
  if (auto hive = s.hives.find(key); hive != s.hives.end()) {
    scratch = Handle{hive->second, KEY_ALL_ACCESS, s.readOnly[key], key};
    return &scratch;
  }
  auto it = s.open.find(key);
  return it == s.open.end() ? nullptr : &it->second;
}

std::vector<std::string> SplitPath(const char* path) {
  std::vector<std::string> parts;
  if (path == nullptr) return parts;
  std::string part;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += *p;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

HKEY NewHandle(std::shared_ptr<Node> node, REGSAM access, bool readOnlyHive, HKEY hive) {
  auto& s = S();
  HKEY h = s.nextHandle;
  s.nextHandle += 4;
  s.open[h] = Handle{std::move(node), access, readOnlyHive, hive};
  return h;
}

std::string ChildPath(const Node& parent, const std::string& part) {
  return parent.path.empty() ? part : parent.path + "\\" + part;
}

// The note of a key of a hive whose changes are kept; nullptr when none is needed.
KeyNote* NoteKey(HKEY hive, const Node& node) {
  auto& s = S();
  auto notes = s.notes.find(hive);
  if (notes == s.notes.end() || notes->second.whole) return nullptr;
  auto& note = notes->second.keys[Fold(node.path)];
  note.path = node.path;
  return &note;
}

void NoteValue(HKEY hive, const Node& node, std::string_view name) {
  if (KeyNote* note = NoteKey(hive, node)) note->values.insert(Fold(name));
}

// A hive replaced whole: a keeper must write it all again.
void NoteWhole(HKEY hive) {
  auto& s = S();
  if (auto notes = s.notes.find(hive); notes != s.notes.end()) {
    notes->second.whole = true;
    notes->second.keys.clear();
  }
}

void MarkDeleted(Node& node) {
  node.deleted = true;
  for (auto& [_, child] : node.keys) MarkDeleted(*child);
}

// Common checks of a handle used for an operation needing `need` access.
LONG Check(HKEY key, REGSAM need, bool write, Handle& scratch, Handle*& out) {
  out = Resolve(key, scratch);
  if (out == nullptr) return ERROR_INVALID_HANDLE;
  if (out->node->deleted) return ERROR_KEY_DELETED;
  if ((out->access & need) != need) return ERROR_ACCESS_DENIED;
  if (write && out->readOnlyHive) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// A read-only hive refuses a handle asking to change it, as Windows refuses the open itself.
constexpr REGSAM kChangingAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x00010000 /*DELETE*/ |
                                   0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;

LONG CopyOut(const std::string& name, char* out, DWORD* size) {
  if (out == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(out, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out.empty() ? "-" : out;
}

// The bytes of a hex field as SaveNode writes it ("-" for none); false for anything else.
bool Unhex(const std::string& hex, std::string& out) {
  out.clear();
  if (hex == "-") return true;
  if (hex.empty() || hex.size() % 2 != 0) return false;
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  return true;
}

// Counts every change of any hive; never reset, so a reader's last look stays comparable.
uint64_t g_changes = 0;

// FNV-1a: enough to tell a damaged file from a whole one.
uint64_t Checksum(std::string_view bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

constexpr std::string_view kHiveHeader = "TANVELO-REGISTRY-HIVE 2\n";
constexpr std::string_view kOldHiveHeader = "TANVELO-REGISTRY-HIVE 1\n";

// The value types Windows defines, REG_NONE to REG_QWORD.
constexpr DWORD kLastType = 11;

void SaveNode(std::ostream& out, const Node& node, const std::string& path) {
  out << "K " << Hex(path) << "\n";
  for (const auto& v : node.Values())
    out << "V " << Hex(v.name) << " " << v.type << " "
        << Hex(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size()))
        << "\n";
  for (const auto& [_, child] : node.keys)
    SaveNode(out, *child, path.empty() ? child->name : path + "\\" + child->name);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Handle scratch, *base;
  if (LONG rc = Check(key, 0, false, scratch, base); rc != ERROR_SUCCESS) return rc;
  std::shared_ptr<Node> node = base->node;
  for (const auto& part : SplitPath(subKey)) {
    auto it = node->keys.find(Fold(part));
    if (it == node->keys.end()) return ERROR_FILE_NOT_FOUND;
    node = it->second;
  }
  if (base->readOnlyHive && (access & kChangingAccess) != 0) return ERROR_ACCESS_DENIED;
  *result = NewHandle(node, access, base->readOnlyHive, base->hive);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD, const char*, DWORD, REGSAM access,
                     const void*, HKEY* result, DWORD* disposition) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Handle scratch, *base;
  if (LONG rc = Check(key, 0, false, scratch, base); rc != ERROR_SUCCESS) return rc;
  std::shared_ptr<Node> node = base->node;
  bool created = false;
  for (const auto& part : SplitPath(subKey)) {
    auto it = node->keys.find(Fold(part));
    if (it == node->keys.end()) {
      if (base->readOnlyHive) return ERROR_ACCESS_DENIED;
      auto child = std::make_shared<Node>();
      child->name = part;
      child->path = ChildPath(*node, part);
      it = node->keys.emplace(Fold(part), child).first;
      created = true;
      ++g_changes;
      NoteKey(base->hive, *child);
    }
    node = it->second;
  }
  if (base->readOnlyHive && (access & kChangingAccess) != 0) return ERROR_ACCESS_DENIED;
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(node, access, base->readOnlyHive, base->hive);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  auto& s = S();
  if (s.hives.count(key)) return ERROR_SUCCESS;
  return s.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type, const uint8_t* data,
                    DWORD size) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, KEY_SET_VALUE, true, scratch, h); rc != ERROR_SUCCESS) return rc;
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  std::vector<uint8_t> bytes(data, data + size);
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && (bytes.empty() || bytes.back() != 0))
    bytes.push_back(0);
  std::string valueName = name ? name : "";
  Value* v = h->node->FindValue(valueName);
  // Written again as it stands: nothing for a keeper to write, so a session that changes
  // nothing writes nothing.
  if (v && v->type == type && v->data == bytes) return ERROR_SUCCESS;
  ++g_changes;
  NoteValue(h->hive, *h->node, valueName);
  if (v) {
    v->type = type;
    v->data = std::move(bytes);
  } else {
    h->node->AddValue(Value{valueName, type, std::move(bytes), S().nextOrder++});
  }
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, uint8_t* data, DWORD* size) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, KEY_QUERY_VALUE, false, scratch, h); rc != ERROR_SUCCESS) return rc;
  const Value* v = h->node->FindValue(name ? name : "");
  if (v == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = v->type;
  auto need = static_cast<DWORD>(v->data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = need;
    return ERROR_SUCCESS;
  }
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  if (*size < need) {
    *size = need;
    return ERROR_MORE_DATA;
  }
  if (need) std::memcpy(data, v->data.data(), need);
  *size = need;
  return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, const char* name) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, KEY_SET_VALUE, true, scratch, h); rc != ERROR_SUCCESS) return rc;
  if (!h->node->EraseValue(name ? name : "")) return ERROR_FILE_NOT_FOUND;
  ++g_changes;
  NoteValue(h->hive, *h->node, name ? name : "");
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, 0, true, scratch, h); rc != ERROR_SUCCESS) return rc;
  auto parts = SplitPath(subKey);
  if (parts.empty()) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<Node> parent = h->node;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = parent->keys.find(Fold(parts[i]));
    if (it == parent->keys.end()) return ERROR_FILE_NOT_FOUND;
    parent = it->second;
  }
  auto it = parent->keys.find(Fold(parts.back()));
  if (it == parent->keys.end()) return ERROR_FILE_NOT_FOUND;
  if (!it->second->keys.empty()) return ERROR_ACCESS_DENIED;
  if (KeyNote* note = NoteKey(h->hive, *it->second)) note->cleared = true;
  MarkDeleted(*it->second);
  parent->keys.erase(it);
  ++g_changes;
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  Handle scratch, *h;
  return Check(key, 0, false, scratch, h);
}

LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, DWORD* type,
                   uint8_t* data, DWORD* dataSize) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, KEY_QUERY_VALUE, false, scratch, h); rc != ERROR_SUCCESS) return rc;
  const auto& values = h->node->Values();
  if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = values[index];
  if (type != nullptr) *type = v.type;
  if (LONG rc = CopyOut(v.name, name, nameSize); rc != ERROR_SUCCESS) return rc;
  if (dataSize != nullptr) {
    auto need = static_cast<DWORD>(v.data.size());
    if (data != nullptr && *dataSize < need) {
      *dataSize = need;
      return ERROR_MORE_DATA;
    }
    if (data != nullptr && need) std::memcpy(data, v.data.data(), need);
    *dataSize = need;
  }
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, char* keyClass,
                   DWORD* classSize, void*) {
  if (LONG fault = faults::RegistryCallFails()) return fault;
  Handle scratch, *h;
  if (LONG rc = Check(key, KEY_ENUMERATE_SUB_KEYS, false, scratch, h); rc != ERROR_SUCCESS)
    return rc;
  const auto& keys = h->node->keys;
  if (index >= keys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = keys.begin();
  std::advance(it, index);
  if (keyClass != nullptr && classSize != nullptr && *classSize > 0) {
    keyClass[0] = 0;
    *classSize = 0;
  }
  return CopyOut(it->second->name, name, nameSize);
}

namespace registry {

bool HiveText(HKEY root, std::string& text) {
  auto hive = S().hives.find(root);
  if (hive == S().hives.end()) return false;
  std::ostringstream body;
  body << kHiveHeader;
  SaveNode(body, *hive->second, "");
  text = body.str();
  // The last line tells the file whole: a cut or damaged file is refused, never half read.
  size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) - 1;
  char end[64];
  std::snprintf(end, sizeof end, "E %zu %016llx\n", lines,
                static_cast<unsigned long long>(Checksum(text)));
  text += end;
  return true;
}

bool SaveHive(HKEY root, const std::string& path) {
  std::string text;
  if (!HiveText(root, text)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  return static_cast<bool>(out);
}

bool LoadHive(HKEY root, const std::string& path, std::string* error) {
  auto fail = [&](size_t line, const char* why) {
    if (error) *error = path + ", line " + std::to_string(line) + ": " + why;
    return false;
  };
  if (error) error->clear();
  auto hive = S().hives.find(root);
  if (hive == S().hives.end()) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = path + ": cannot be read";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(file)), {});
  if (text.starts_with(kHiveHeader)) {
    // Files written before the end line was kept have no way to tell they are whole.
    if (text.size() < 2 || text.back() != '\n') return fail(1, "cut short (no end line)");
    size_t last = text.rfind('\n', text.size() - 2);
    std::string end = text.substr(last + 1);
    text.resize(last + 1);
    size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) - 1;
    char expected[64];
    std::snprintf(expected, sizeof expected, "E %zu %016llx\n", lines,
                  static_cast<unsigned long long>(Checksum(text)));
    if (end != expected)
      return fail(lines + 2, "cut short or damaged (its end line does not match)");
  } else if (!text.starts_with(kOldHiveHeader)) {
    return fail(1, "not a hive file");
  }
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  auto fresh = std::make_shared<Node>();
  std::shared_ptr<Node> current = fresh;
  // A file the loader cannot hold as written is refused whole, never loaded as something else.
  for (size_t number = 2; std::getline(in, line); ++number) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
      size_t space = line.find(' ', at);
      fields.push_back(line.substr(at, space - at));
      if (space == std::string::npos) break;
      at = space + 1;
    }
    std::string name;
    if (fields[0] == "K" && fields.size() == 2) {
      if (!Unhex(fields[1], name)) return fail(number, "malformed hex");
      if (name.find('\0') != std::string::npos) return fail(number, "a NUL in a key name");
      auto parts = SplitPath(name.c_str());
      if (parts.size() > kMaxDepth) return fail(number, "keys nested too deep");
      current = fresh;
      for (const auto& part : parts) {
        auto& child = current->keys[Fold(part)];
        if (!child) {
          child = std::make_shared<Node>();
          child->name = part;
          child->path = ChildPath(*current, part);
        } else if (child->name != part) {
          return fail(number, "a key named twice in different case");
        }
        current = child;
      }
    } else if (fields[0] == "V" && fields.size() == 4) {
      std::string bytes;
      if (!Unhex(fields[1], name) || !Unhex(fields[3], bytes)) return fail(number, "malformed hex");
      if (name.find('\0') != std::string::npos) return fail(number, "a NUL in a value name");
      const std::string& typeText = fields[2];
      if (typeText.empty() || typeText.size() > 2 ||
          typeText.find_first_not_of("0123456789") != std::string::npos ||
          std::stoul(typeText) > kLastType || (typeText.size() > 1 && typeText[0] == '0'))
        return fail(number, "an unknown value type");
      // Two names one lookup cannot tell apart: whichever a program got would be chance.
      if (current->FindValue(name)) return fail(number, "a value named twice");
      current->AddValue(Value{name,
                              static_cast<DWORD>(std::stoul(typeText)),
                              {bytes.begin(), bytes.end()},
                              S().nextOrder++});
    } else {
      return fail(number, "not a key or value line");
    }
  }
  MarkDeleted(*hive->second);
  hive->second = fresh;
  ++g_changes;
  NoteWhole(root);
  return true;
}

void SetReadOnly(HKEY root, bool readOnly) {
  S().readOnly[root] = readOnly;
}

size_t OpenHandleCount() {
  return S().open.size();
}

uint64_t ChangeCount() {
  return g_changes;
}

// Never reset: a keeper from before a reset is never taken for a later one.
uint64_t g_keepers = 0;

uint64_t KeepChanges(HKEY root, bool whole) {
  S().notes[root] = {whole, {}, ++g_keepers};
  return g_keepers;
}

bool ChangesKept(HKEY root, uint64_t keeper) {
  auto notes = S().notes.find(root);
  return notes != S().notes.end() && notes->second.keeper == keeper;
}

namespace {

ValueRecord RecordOf(const Value& v) {
  return {Fold(v.name), v.name, false, v.type, v.data, v.order};
}

void ListAll(const Node& node, std::vector<KeyRecord>& out) {
  KeyRecord key{Fold(node.path), node.path, false, false, {}};
  for (const auto& v : node.Values()) key.values.push_back(RecordOf(v));
  out.push_back(std::move(key));
  for (const auto& [_, child] : node.keys) ListAll(*child, out);
}

Node* FindFolded(Node& hive, const std::string& folded) {
  Node* node = &hive;
  for (size_t at = 0; !folded.empty() && at <= folded.size();) {
    size_t end = std::min(folded.find('\\', at), folded.size());
    auto child = node->keys.find(folded.substr(at, end - at));
    if (child == node->keys.end()) return nullptr;
    node = child->second.get();
    at = end + 1;
  }
  return node;
}

}  // namespace

HiveChanges TakeChanges(HKEY root) {
  auto& s = S();
  HiveChanges out;
  auto notes = s.notes.find(root);
  auto hive = s.hives.find(root);
  if (notes == s.notes.end() || hive == s.hives.end()) return out;
  if (notes->second.whole) {
    out.whole = true;
    ListAll(*hive->second, out.keys);
  } else {
    for (auto& [folded, note] : notes->second.keys) {
      KeyRecord key{folded, note.path, false, note.cleared, {}};
      Node* node = FindFolded(*hive->second, folded);
      if (node == nullptr) {
        key.gone = true;
      } else {
        key.path = node->path;
        for (const auto& name : note.values) {
          if (const Value* v = node->FindValue(name))
            key.values.push_back(RecordOf(*v));
          else
            key.values.push_back({name, {}, true, REG_NONE, {}, 0});
        }
        std::sort(key.values.begin(), key.values.end(),
                  [](const auto& a, const auto& b) { return a.folded < b.folded; });
      }
      out.keys.push_back(std::move(key));
    }
    std::sort(out.keys.begin(), out.keys.end(),
              [](const auto& a, const auto& b) { return a.folded < b.folded; });
  }
  notes->second.whole = false;
  notes->second.keys.clear();
  return out;
}

void PutBackChanges(HKEY root, const HiveChanges& changes) {
  auto& s = S();
  auto notes = s.notes.find(root);
  if (notes == s.notes.end() || notes->second.whole) return;
  if (changes.whole) {
    notes->second.whole = true;
    notes->second.keys.clear();
    return;
  }
  for (const auto& key : changes.keys) {
    auto& note = notes->second.keys[key.folded];
    if (note.path.empty()) note.path = key.path;
    note.cleared = note.cleared || key.cleared;
    for (const auto& v : key.values) note.values.insert(v.folded);
  }
}

bool PutHive(HKEY root, const std::vector<KeyRecord>& keys, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (error) error->clear();
  auto& s = S();
  auto hive = s.hives.find(root);
  if (hive == s.hives.end()) return fail("no such hive");
  auto fresh = std::make_shared<Node>();
  uint64_t last = 0;
  for (const auto& key : keys) {
    if (key.path.find('\0') != std::string::npos) return fail("a NUL in a key name");
    auto parts = SplitPath(key.path.c_str());
    if (parts.size() > kMaxDepth) return fail("keys nested too deep");
    Node* node = fresh.get();
    for (const auto& part : parts) {
      auto& child = node->keys[Fold(part)];
      if (!child) {
        child = std::make_shared<Node>();
        child->name = part;
        child->path = ChildPath(*node, part);
      }
      node = child.get();
    }
    std::vector<const ValueRecord*> values;
    for (const auto& v : key.values) values.push_back(&v);
    std::stable_sort(values.begin(), values.end(),
                     [](const auto* a, const auto* b) { return a->order < b->order; });
    for (const auto* v : values) {
      if (v->name.find('\0') != std::string::npos) return fail("a NUL in a value name");
      if (node->FindValue(v->name)) return fail("a value named twice in " + key.path);
      node->AddValue(Value{v->name, v->type, v->data, v->order});
      last = std::max(last, v->order);
    }
  }
  MarkDeleted(*hive->second);
  hive->second = fresh;
  s.nextOrder = std::max(s.nextOrder, last + 1);
  ++g_changes;
  NoteWhole(root);
  return true;
}

}  // namespace registry
}  // namespace win32
