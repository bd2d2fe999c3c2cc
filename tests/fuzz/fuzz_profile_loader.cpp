// The program's profile loader over a kept profile of the older form damaged anywhere: bytes
// of the store changed and a registry file (taken over into the store) of any text. It loads or
// reports why, with a path, and never crashes; what it loads saves, and that saved profile loads
// again.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FuzzSupport.h"
#include "host/ProfileStore.h"
#include "platform/outlook/Outlook.h"
#include "tests/host/OlderProfile.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The demo profile as the program keeps it, made once for the run.
const std::string& SavedStore() {
  static const std::string store = [] {
    win32::files::TempSandbox sandbox;
    win32::ResetPlatform();
    auto profile = outlook::BuildProfile();
    fs::path path;
    {
      host::ProfileStore saved(sandbox.Path() / "seed");
      std::wstring error;
      FUZZ_CHECK(saved.Load(profile) && saved.Save(profile, error));
      path = saved.StorePath();
    }
    // The older form: the registry not in the store but in the file beside it.
    FUZZ_CHECK(olderprofile::DropRegistryFromStore(path));
    return Bytes(path);
  }();
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  std::string store = SavedStore();
  for (int n = provider.ConsumeIntegralInRange(0, 4); n > 0; --n) {
    size_t at = provider.ConsumeIntegralInRange<size_t>(0, store.size() - 1);
    store[at] = static_cast<char>(provider.ConsumeIntegral<uint8_t>());
  }
  std::string registry = provider.ConsumeBool() ? "TANVELO-REGISTRY-HIVE 1\n" : "";
  registry += provider.ConsumeRemainingBytesAsString();

  fuzz::FreshPlatformOnDisk platform;
  const fs::path dir = win32::files::Root() / "profile", again = win32::files::Root() / "again";
  fs::remove_all(dir);
  fs::remove_all(again);
  fs::create_directories(dir);
  Put(dir / "store.sqlite", store);
  Put(dir / "registry.hive", registry);
  {
    host::ProfileStore kept(dir);
    if (!kept.Ok()) return 0;
    auto profile = outlook::BuildProfile();
    if (!kept.Load(profile)) {
      FUZZ_CHECK(!kept.Error().empty());
      return 0;
    }
    host::ProfileStore copy(again);
    std::wstring error;
    FUZZ_CHECK(copy.Ok() && copy.Save(profile, error));
  }
  fuzz::FreshPlatformOnDisk next;
  auto profile = outlook::BuildProfile();
  host::ProfileStore copy(again);
  FUZZ_CHECK(copy.Ok() && copy.HasProfile());
  bool loaded = copy.Load(profile);
  if (!loaded) std::fprintf(stderr, "%s\n", fuzz::Show(copy.Error()).c_str());
  FUZZ_CHECK(loaded);
  return 0;
}
