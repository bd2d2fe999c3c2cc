// The add-in module's resources: its string table, bitmaps and icons (resources/Pictures.h),
// put into the module the way the loader makes a DLL's resources available.
#pragma once

#include <cstdint>

namespace resources {

inline constexpr uint32_t IDS_COMPANY_SHORT_NAME = 602;
inline constexpr uint32_t IDS_PRODUCT_SHORT_NAME = 603;
inline constexpr uint32_t IDS_PRODUCT_CODE = 604;

// Registers every resource of the add-in with the running module (vb::App().hInstance).
// Safe to call again; the loader of the host and the tests call it once per process start.
void LoadModuleResources();

}  // namespace resources
