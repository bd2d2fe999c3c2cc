// Outlook as an add-in's host: it plays Outlook's order of calls on an add-in. Every new
// explorer and inspector gets Office's command bars; the add-in is connected at start-up after
// the first windows exist, its explorer ribbon is asked for (Outlook 2010) before start-up
// completes, and mail inspectors get their ribbon windows (Outlook 2007 and later). Closing the
// last explorer need not end Outlook (another program may hold it); quitting closes every
// window, then begins the shutdown and disconnects. Whatever the add-in raises is kept in
// Errors() and never reaches the caller; an add-in whose connection raised is not called again,
// as Outlook unloads it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/addin/Extensibility.h"
#include "platform/office/Ribbon.h"
#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"

namespace addinhost {

inline constexpr const wchar_t* kRibbonExplorer = L"Microsoft.Outlook.Explorer";
inline constexpr const wchar_t* kRibbonMailRead = L"Microsoft.Outlook.Mail.Read";
inline constexpr const wchar_t* kRibbonMailCompose = L"Microsoft.Outlook.Mail.Compose";

class OutlookHost {
 public:
  // From now on every new window of the application gets Office's bars; on Outlook 2007 and
  // later the events component is installed, as the add-in's setup does.
  OutlookHost(std::shared_ptr<outlook::Application> app, std::shared_ptr<IDTExtensibility2> addin);
  ~OutlookHost();
  OutlookHost(const OutlookHost&) = delete;
  OutlookHost& operator=(const OutlookHost&) = delete;

  const std::shared_ptr<outlook::Application>& Application() const { return app_; }

  // Outlook starts with `explorers` windows on the folder (0: started by another program, no
  // window), connects the add-in, asks for the explorer ribbon (14), reports start-up complete.
  void Start(const std::shared_ptr<outlook::MAPIFolder>& folder, int32_t explorers = 1);
  // The user opens a window: NewExplorer, then its first Activate when shown.
  std::shared_ptr<outlook::Explorer> OpenExplorer(
      const std::shared_ptr<outlook::MAPIFolder>& folder, bool show = true);
  void CloseExplorer(const std::shared_ptr<outlook::Explorer>& explorer);
  // The user opens an item (Display).
  std::shared_ptr<outlook::Inspector> OpenInspector(const std::shared_ptr<outlook::Item>& item);
  // Closes without saving.
  void CloseInspector(const std::shared_ptr<outlook::Inspector>& inspector);
  // The user quits: every inspector closes, then every explorer, the last one last; then
  // begin shutdown and disconnection.
  void Quit();
  // Outlook ends with no window left to close: begin shutdown and disconnection only.
  void Shutdown();
  // The add-ins dialog changed the list.
  void AddInsUpdate();
  // The user unloads the add-in in the add-ins dialog: disconnection without begin shutdown.
  void Unload() { Disconnect(ext_dm_UserClosed); }

  bool Connected() const { return connected_; }
  // The IDTExtensibility2 calls made so far, by name, in order.
  const std::vector<std::wstring>& Calls() const { return calls_; }
  // What the add-in raised, as "Member: description".
  const std::vector<std::wstring>& Errors() const { return errors_; }
  // Outlook's note of what an add-in's member raised, kept as its own calls keep it: for a test
  // that needs one from an add-in that lets none through.
  void NoteError(const std::wstring& member, const std::wstring& description) {
    errors_.push_back(member + L": " + description);
  }
  // Null below Outlook 2007 and for an add-in without a ribbon interface.
  office::RibbonHost* Ribbon() const { return ribbon_.get(); }
  // The ribbon window of an explorer or inspector, null when it has none.
  std::shared_ptr<office::RibbonWindow> RibbonWindowOf(const outlook::Object* window) const;

 private:
  template <class F>
  void Call(const wchar_t* name, F&& body);
  void OpenRibbonWindow(const std::shared_ptr<outlook::Object>& window);
  void Disconnect(int32_t mode);
  struct WindowRibbon {
    std::weak_ptr<outlook::Object> window;
    std::shared_ptr<office::RibbonWindow> ribbon;
  };

  std::shared_ptr<outlook::Application> app_;
  std::shared_ptr<IDTExtensibility2> addin_;
  std::unique_ptr<office::RibbonHost> ribbon_;
  std::map<const outlook::Object*, WindowRibbon> ribbonWindows_;
  outlook::Subscription newExplorer_, newInspector_;
  bool connected_ = false;
  std::vector<std::wstring> calls_, errors_;
  CustomArray custom_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace addinhost
