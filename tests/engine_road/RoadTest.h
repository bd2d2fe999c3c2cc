// A profile with templates and drafts folders, the TEMP folder in a file sandbox, and the
// services of the template road played as a user and the personalization library would.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Files.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/redemption/Install.h"
#include "platform/redemption/SafeItem.h"
#include "platform/support/LibNorvane.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Reset.h"
#include "resources/StringTable.h"

using ItemPtr = std::shared_ptr<outlook::Item>;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

// The personalization library's job as the road sees it: "%FirstName%" from a table by the
// first recipient's address, "%To%" from the recipients.
class FakeJob : public mTanvelo::IPersonalizationJob {
 public:
  explicit FakeJob(struct RoadWorld& world) : world_(world) {}
  bool HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) override;
  bool LoadReplaceValues(const std::wstring& sEntryID, const std::wstring& StoreID, bool bWndOnTop,
                         bool bSilent, bool bIgnoreErrors) override;
  bool DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements, bool& bWasEmptyProp,
                 const std::wstring& StoreID, int32_t ForceBodyFormat, bool bSaveChanges,
                 bool bIgnoreErrors) override;

 private:
  struct RoadWorld& world_;
};

struct PickerAnswer {
  bool ok = true;
  std::wstring entryId;
  int32_t mode = 1;
};

// What the fakes record and how they answer.
struct RoadWorld {
  std::shared_ptr<outlook::NameSpace> session;
  std::map<std::wstring, std::wstring> firstNames;  // lower-case address -> first name
  bool loadAnswer = true;                           // LoadReplaceValues
  bool textUnread = false;                          // HasReplaces raises: the text is held
  bool contactUnread = false;          // LoadReplaceValues raises: a contact was not looked up
  int32_t failReplaceAt = 0;           // the n-th DoReplace raises
  bool replaceAnswer = true;           // DoReplace (False: nothing written)
  bool mailUnreached = false;          // HasReplaces raises: Outlook would not give the mail
  std::vector<std::wstring> jobCalls;  // "Load silent=1", "Replace leave=1"...
  int32_t replaces = 0;
  std::deque<PickerAnswer> picker;
  std::vector<std::wstring> pickerAsked;  // "<entryId>|<mode>|<mask>"
  bool waitShown = false;
};

class RoadTest : public testing::Test {
 protected:
  void SetUp() override { Start(L"14.0.0.4760"); }
  void TearDown() override;

  void Start(const std::wstring& version);
  static int OkOnly(const win32::ShownMessageBox& box);

  // A template in the templates folder (or `folder`), with the body in that format.
  ItemPtr AddTemplate(const std::wstring& subject, int32_t format, const std::wstring& body,
                      const FolderPtr& folder = nullptr);
  void AddRecipient(const ItemPtr& item, const std::wstring& text, int32_t type = outlook::olTo);
  // An inline picture referenced as "cid:<cid>" in the template's HTML.
  std::shared_ptr<outlook::Attachment> AddAttachment(const ItemPtr& item, const std::wstring& name,
                                                     const std::wstring& cid = L"");

  // The items of a folder (templates road: the program drafts folder).
  static std::vector<ItemPtr> ItemsOf(const FolderPtr& folder);
  static std::wstring Prop(const ItemPtr& item, const wchar_t* name);
  static std::wstring Cid(const std::shared_ptr<outlook::Attachment>& attachment);
  // Texts of the boxes shown so far, in order.
  static std::vector<std::wstring> Boxes();
  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"");
  // Every file left below the sandbox's drive C (relative host paths).
  std::vector<std::string> FilesOnDisk() const;
  int32_t Uses(const std::wstring& entryId, int32_t action) const;

  outlook::Profile p;
  FolderPtr templates, tvDrafts;
  RoadWorld world;
  std::unique_ptr<win32::files::TempSandbox> sandbox;
};
