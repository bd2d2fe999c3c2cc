// A profile with templates and drafts folders, the English texts, and the template road's
// dialogs played by the test: a picker answering from a queue and a personalization job that
// records what it was asked.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/IInspectorWrapperEx.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

using ItemPtr = std::shared_ptr<outlook::Item>;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

struct PickerAnswer {
  bool ok = true;
  std::wstring entryId;
  int32_t mode = 1;
};
inline const PickerAnswer kCancel{false, L"", 1};

// The inspector wrapper as the inspector layer will make it, reduced to what the commands
// call; it records its calls.
class FakeWrapper : public IInspectorWrapperEx {
 public:
  explicit FakeWrapper(std::shared_ptr<outlook::Inspector> inspector)
      : inspector_(std::move(inspector)) {}
  std::shared_ptr<outlook::Inspector> GetInspector() override { return inspector_; }
  void Done() override {
    calls.push_back(L"Done");
    inspector_.reset();
  }
  bool IsModal() override { return false; }
  void ProcessPersonalizationsAndSend() override {
    calls.push_back(L"Send");
    if (onSend) onSend();
  }
  std::vector<std::wstring> calls;
  std::function<void()> onSend;

 private:
  std::shared_ptr<outlook::Inspector> inspector_;
};

class CommandsTest : public testing::Test {
 protected:
  void SetUp() override { Start(L"14.0.0.4760"); }
  void TearDown() override;
  void Start(const std::wstring& version);

  // A template (unsent mail) in the templates folder, plain text.
  ItemPtr AddTemplate(const std::wstring& subject, const std::wstring& body = L"Hello");
  // Shows the folder in the active explorer and selects these of its items.
  void ShowAndSelect(const FolderPtr& folder, std::vector<ItemPtr> items);
  // Mails in the folder, by subject.
  static std::vector<std::wstring> Subjects(const FolderPtr& folder);
  static std::vector<std::wstring> Boxes();
  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"");
  static int Warnings(const std::wstring& procedure, const std::wstring& text);
  // Runs the timers due within `ms`.
  static void Wait(uint32_t ms);

  outlook::Profile p;
  FolderPtr templates, tvDrafts;
  std::deque<PickerAnswer> picker;
  std::vector<std::wstring> pickerAsked;  // "<entryId>|<mode>|<mask>"
  std::function<void()> whilePickerOpen;  // what the user does while the picker is open
  std::vector<std::wstring> jobCalls;
  std::unique_ptr<win32::files::TempSandbox> sandbox;
};
