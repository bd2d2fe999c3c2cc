#include "resources/StringTable.h"

#include "platform/vb/Runtime.h"
#include "platform/win32/Resources.h"
#include "resources/Pictures.h"

namespace resources {

void LoadModuleResources() {
  const uint32_t module = vb::App().hInstance;
  win32::resources::AddString(module, IDS_COMPANY_SHORT_NAME, L"Norvane");
  win32::resources::AddString(module, IDS_PRODUCT_SHORT_NAME, L"Tanvelo");
  win32::resources::AddString(module, IDS_PRODUCT_CODE, L"Tanvelo");
  LoadModulePictures(module);
}

}  // namespace resources
