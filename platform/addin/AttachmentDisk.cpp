#include "platform/addin/AttachmentDisk.h"

#include "platform/outlook/Files.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace addinhost {

void BindAttachmentsToDisk() {
  outlook::files::Bind(
      [](const std::wstring& path) -> std::optional<outlook::files::Bytes> {
        auto bytes = win32::files::ReadAll(win32::ToAnsi(path));
        if (!bytes) return std::nullopt;
        return outlook::files::Bytes(bytes->begin(), bytes->end());
      },
      [](const std::wstring& path, const outlook::files::Bytes& data) {
        auto parent = path.substr(0, path.rfind(L'\\'));
        if (!win32::files::HostPath(win32::ToAnsi(parent))) return false;
        return win32::files::WriteAll(win32::ToAnsi(path), std::string(data.begin(), data.end()));
      });
}

}  // namespace addinhost
