// The add-in interface Office hosts drive a COM add-in through: connection, start-up complete,
// begin shutdown, disconnection, and the add-ins list changing.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <vector>

namespace outlook {
class Application;
}

namespace addinhost {

// How the add-in was connected.
inline constexpr int32_t ext_cm_AfterStartup = 0, ext_cm_Startup = 1, ext_cm_External = 2,
                         ext_cm_CommandLine = 3;
// Why it is disconnected.
inline constexpr int32_t ext_dm_HostShutdown = 0, ext_dm_UserClosed = 1;

// The custom array every call carries; Outlook passes it empty.
using CustomArray = std::vector<std::any>;

class IDTExtensibility2 {
 public:
  virtual ~IDTExtensibility2() = default;
  // `addInInst` is the COMAddIn object Office keeps for the add-in.
  virtual void OnConnection(std::shared_ptr<outlook::Application> application, int32_t connectMode,
                            std::any addInInst, CustomArray& custom) = 0;
  virtual void OnDisconnection(int32_t removeMode, CustomArray& custom) = 0;
  virtual void OnAddInsUpdate(CustomArray& custom) = 0;
  virtual void OnStartupComplete(CustomArray& custom) = 0;
  virtual void OnBeginShutdown(CustomArray& custom) = 0;
};

}  // namespace addinhost
