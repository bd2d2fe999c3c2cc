// Outlook with the add-in loaded through the host's order of calls: a profile of a given
// version, the English texts, the shipped components, a user who answers the message boxes
// from a queue, and explorer menus and inspector wrappers that record what happens to them.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "commands/IInspectorWrapperEx.h"
#include "platform/addin/OutlookHost.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

using ItemPtr = std::shared_ptr<outlook::Item>;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

class RecordingWrapper : public IInspectorWrapperEx {
 public:
  explicit RecordingWrapper(std::shared_ptr<outlook::Inspector> inspector)
      : inspector_(std::move(inspector)) {}
  std::shared_ptr<outlook::Inspector> GetInspector() override {
    if (inspector_ && inspector_->IsClosed()) inspector_.reset();
    return inspector_;
  }
  void Done() override {
    ++dones;
    inspector_.reset();
  }
  bool IsModal() override { return false; }
  void ProcessPersonalizationsAndSend() override {}
  int dones = 0;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class ConnectTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The user takes the proposed name in the folder-name dialog.
  static void AcceptFolderDialog();
  // A new process: Outlook of that version on a new profile, the add-in about to be loaded.
  void Boot(const std::wstring& version);
  // Outlook starts with that many explorers on the Inbox; a first start answers the folder
  // dialog with OK.
  void Start(int32_t explorers = 1);
  // The templates folder as the user would have it from an earlier start.
  FolderPtr PrepareTemplatesFolder(const FolderPtr& parent, const std::wstring& name);

  std::vector<std::wstring> Boxes() const;
  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"");
  static bool LoggedContaining(const std::wstring& procedure, const std::wstring& fragment);
  // The message boxes' answers, in order; OK boxes need none.
  std::deque<int> answers;

  outlook::Profile p;
  std::shared_ptr<Connect> addin;
  std::unique_ptr<addinhost::OutlookHost> host;
  std::vector<std::shared_ptr<outlook::Explorer>> menus;  // explorers given a menu
  std::vector<std::shared_ptr<RecordingWrapper>> wrappers;
  std::unique_ptr<win32::files::TempSandbox> sandbox;
};
