// The registry's hive files: whatever file loads, its hive saved and loaded again is the same
// hive, byte for byte.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshPlatform platform;
  const std::string input = Path("in.reg"), first = Path("first.reg"), second = Path("second.reg");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out << "TANVELO-REGISTRY-HIVE 1\n";
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (win32::registry::LoadHive(win32::HKEY_CURRENT_USER, input)) {
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
