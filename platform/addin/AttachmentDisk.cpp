#include "platform/addin/AttachmentDisk.h"

#include "platform/outlook/Files.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace addinhost {

void BindAttachmentsToDisk() {
  outlook::files::Bind(
      [](const std::wstring& path) { return win32::files::ReadAllBytes(win32::ToAnsi(path)); },
      [](const std::wstring& path, const outlook::files::Bytes& data) {
        auto parent = path.substr(0, path.rfind(L'\\'));
        if (!win32::files::HostPath(win32::ToAnsi(parent))) return false;
        return win32::files::WriteAll(
            win32::ToAnsi(path),
            std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      });
}

}  // namespace addinhost
