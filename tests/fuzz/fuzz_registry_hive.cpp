// The registry's hive files. A reader of the format's own here says whether a file is one the
// registry can hold and what it means; the loader must agree on both: it loads exactly such
// files, and what a program then reads through the registry calls (keys, values in file
// order, types, bytes) is what the file says. Whatever loads, saved and loaded again, saves
// byte for byte the same.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "FuzzSupport.h"
#include "platform/win32/Registry.h"

namespace {

std::string Path(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("tanvelo-fuzz-" + std::to_string(getpid()) + "-" + name))
      .string();
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// Windows compares names without regard to case, for every letter of code page 1252.
std::string Folded(const std::string& name) {
  std::string out;
  for (char ch : name) {
    auto b = static_cast<unsigned char>(ch);
    if (b >= 'A' && b <= 'Z')
      b += 32;
    else if (b >= 0xC0 && b <= 0xDE && b != 0xD7)
      b += 32;
    else if (b == 0x8A || b == 0x8C || b == 0x8E)
      b += 16;
    else if (b == 0x9F)
      b = 0xFF;
    out += static_cast<char>(b);
  }
  return out;
}

std::optional<std::string> Bytes(const std::string& hex) {
  if (hex == "-") return std::string();
  if (hex.empty() || hex.size() % 2) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    std::string pair = hex.substr(i, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return std::nullopt;
    out += static_cast<char>(std::stoi(pair, nullptr, 16));
  }
  return out;
}

struct Value {
  std::string name;
  win32::DWORD type;
  std::string data;
};
struct Key {
  std::string name;
  std::map<std::string, Key> keys;  // by folded name
  std::vector<Value> values;
};

// The hive the file stands for, or nothing when no registry could hold it as written.
std::optional<Key> Meaning(const std::string& file) {
  Key root;
  Key* current = &root;
  std::istringstream lines(file);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::string field;
    std::istringstream split(line);
    while (std::getline(split, field, ' ')) fields.push_back(field);
    if (line.back() == ' ') fields.push_back("");
    if (fields.size() == 2 && fields[0] == "K") {
      auto path = Bytes(fields[1]);
      if (!path || path->find('\0') != std::string::npos) return std::nullopt;
      std::vector<std::string> parts;
      std::string part;
      std::istringstream names(*path);
      while (std::getline(names, part, '\\'))
        if (!part.empty()) parts.push_back(part);
      if (parts.size() > 512) return std::nullopt;
      current = &root;
      for (const auto& name : parts) {
        auto [it, added] = current->keys.try_emplace(Folded(name), Key{name, {}, {}});
        if (!added && it->second.name != name) return std::nullopt;
        current = &it->second;
      }
    } else if (fields.size() == 4 && fields[0] == "V") {
      auto name = Bytes(fields[1]);
      auto data = Bytes(fields[3]);
      const std::string& type = fields[2];
      if (!name || !data || name->find('\0') != std::string::npos) return std::nullopt;
      if (type.empty() || type.size() > 2 ||
          type.find_first_not_of("0123456789") != std::string::npos ||
          (type.size() == 2 && type[0] == '0') || std::stoi(type) > 11)
        return std::nullopt;
      for (const auto& v : current->values)
        if (Folded(v.name) == Folded(*name)) return std::nullopt;
      current->values.push_back(Value{*name, static_cast<win32::DWORD>(std::stoi(type)), *data});
    } else {
      return std::nullopt;
    }
  }
  return root;
}

// What the registry calls show of `key` is `expected`, all the way down.
void Holds(win32::HKEY key, const Key& expected) {
  static std::vector<char> name(70000);
  static std::vector<uint8_t> data(70000);
  win32::DWORD index = 0;
  for (const auto& v : expected.values) {
    win32::DWORD nameSize = static_cast<win32::DWORD>(name.size()), type = 99,
                 size = static_cast<win32::DWORD>(data.size());
    FUZZ_CHECK(win32::RegEnumValueA(key, index++, name.data(), &nameSize, nullptr, &type,
                                    data.data(), &size) == win32::ERROR_SUCCESS);
    FUZZ_CHECK(std::string(name.data(), nameSize) == v.name);
    FUZZ_CHECK(type == v.type);
    FUZZ_CHECK(std::string(reinterpret_cast<char*>(data.data()), size) == v.data);
  }
  win32::DWORD nameSize = static_cast<win32::DWORD>(name.size());
  FUZZ_CHECK(win32::RegEnumValueA(key, index, name.data(), &nameSize, nullptr, nullptr, nullptr,
                                  nullptr) == win32::ERROR_NO_MORE_ITEMS);
  index = 0;
  for (const auto& [folded, child] : expected.keys) {
    nameSize = static_cast<win32::DWORD>(name.size());
    FUZZ_CHECK(win32::RegEnumKeyExA(key, index++, name.data(), &nameSize, nullptr, nullptr, nullptr,
                                    nullptr) == win32::ERROR_SUCCESS);
    FUZZ_CHECK(std::string(name.data(), nameSize) == child.name);
    win32::HKEY sub = 0;
    FUZZ_CHECK(win32::RegOpenKeyExA(key, child.name.c_str(), 0, win32::KEY_READ, &sub) ==
               win32::ERROR_SUCCESS);
    Holds(sub, child);
    win32::RegCloseKey(sub);
  }
  nameSize = static_cast<win32::DWORD>(name.size());
  FUZZ_CHECK(win32::RegEnumKeyExA(key, index, name.data(), &nameSize, nullptr, nullptr, nullptr,
                                  nullptr) == win32::ERROR_NO_MORE_ITEMS);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  const std::string input = Path("in.reg"), first = Path("first.reg"), second = Path("second.reg");
  const std::string body(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out << "TANVELO-REGISTRY-HIVE 1\n" << body;
  }
  std::string error;
  const bool loaded = win32::registry::LoadHive(win32::HKEY_CURRENT_USER, input, &error);
  auto meaning = Meaning(body);
  if (loaded != meaning.has_value())
    std::fprintf(stderr, "loaded %d, readable %d: %s\n", loaded, meaning.has_value(),
                 error.c_str());
  FUZZ_CHECK(loaded == meaning.has_value());
  FUZZ_CHECK(loaded == error.empty());
  if (loaded) {
    Holds(win32::HKEY_CURRENT_USER, *meaning);
    FUZZ_CHECK(win32::registry::SaveHive(win32::HKEY_CURRENT_USER, first));
    FUZZ_CHECK(win32::registry::LoadHive(win32::HKEY_CURRENT_USER, first));
    FUZZ_CHECK(win32::registry::SaveHive(win32::HKEY_CURRENT_USER, second));
    FUZZ_CHECK(Read(first) == Read(second));
  }
  std::filesystem::remove(input);
  std::filesystem::remove(first);
  std::filesystem::remove(second);
  return 0;
}
