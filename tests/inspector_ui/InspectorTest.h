// A profile with templates and drafts folders, the English texts, the personalization library,
// inspector windows with Outlook's bars, and a wrapper made for every mail window opened, as
// the inspectors tracker makes them. The commands above the wrapper are recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/CLang.h"
#include "core/COptions.h"
#include "core/Main.h"
#include "engine/CFrequentlyTemplates.h"
#include "engine/mTanvelo.h"
#include "engine/mTanveloRoad.h"
#include "inspector_ui/CInspectorWrapper.h"
#include "inspector_ui/InspectorCommands.h"
#include "personalization/RL_CLib.h"
#include "platform/office/CommandBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

using ItemPtr = std::shared_ptr<outlook::Item>;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;
using WrapperPtr = std::shared_ptr<CInspectorWrapper>;

inline constexpr const wchar_t* kV2000 = L"9.0.0.2711";
inline constexpr const wchar_t* kV2002 = L"10.0.6626";
inline constexpr const wchar_t* kV2003 = L"11.0.8169";
inline constexpr const wchar_t* kV2007 = L"12.0.6423";
inline constexpr const wchar_t* kV2010 = L"14.0.4760";

class InspectorTest : public testing::Test {
 protected:
  void SetUp() override { Start(kV2003); }
  void TearDown() override;
  // A fresh world on that Outlook version, Word as the mail editor or not.
  void Start(const std::wstring& version, bool wordMail = false);

  // Opens the item's window (NewInspector, then Activate) and answers its wrapper, or null.
  WrapperPtr Open(const ItemPtr& item);
  static std::shared_ptr<office::CommandBars> BarsOf(const WrapperPtr& wrapper);
  // Office's update of the window's bars.
  static void Update(const WrapperPtr& wrapper) { BarsOf(wrapper)->FireOnUpdate(); }

  ItemPtr AddTemplate(const std::wstring& subject, const std::wstring& body = L"Hello");
  // A mail the program made: stamped, with its send mode, addressed to the given recipients.
  ItemPtr MadeMail(const std::wstring& subject, const std::wstring& body, int32_t sendMode,
                   const std::vector<std::wstring>& to, int32_t format = outlook::olFormatPlain);
  static void AddRecipient(const ItemPtr& item, const std::wstring& text);
  static std::vector<ItemPtr> ItemsOf(const FolderPtr& folder) { return folder->Items()->All(); }
  static std::vector<std::wstring> Boxes();
  static bool Logged(const std::wstring& procedure, const std::wstring& text = L"");

  outlook::Profile p;
  FolderPtr templates, tvDrafts;
  std::shared_ptr<RL_CLib> lib;
  std::unique_ptr<win32::files::TempSandbox> sandbox;
  std::vector<WrapperPtr> wrappers;  // what the tracker keeps
  outlook::Subscription newInspector;
  std::vector<std::wstring> commands;  // the commands the wrapper called, as text
};
