// A templates tree for the picker's tests: favourites, the default, a hotkey, templates with
// recipients and items that are no templates.
#pragma once

#include <string>
#include <vector>

#include "core/COptions.h"
#include "dialogs/mForms.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/forms/Controls.h"
#include "platform/forms/TreeView.h"
#include "tests/dialogs/DialogTest.h"

class PickerTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    Build();
  }
  void TearDown() override {
    ReleaseOptions();
    DialogTest::TearDown();
  }

  void Build() {
    welcome = AddTemplate(templates, L"Welcome");
    thanks = AddTemplate(templates, L"thanks");
    mTanvelo::MarkFavoriteTemplate(thanks, true);
    sales = AddFolder(templates, L"Sales");
    support = AddFolder(templates, L"Support");
    quote = AddTemplate(sales, L"Quote");
    prices = AddTemplate(sales, L"Price list");
    prices->Recipients()->Add(L"kim.roe@partner.example")->SetType(outlook::olBCC);
    prices->Save();
    followUp = AddTemplate(sales, L"Follow-up");
    archive = AddFolder(sales, L"Archive");
    oldOffer = AddTemplate(archive, L"Old offer");
    auto sent = AddTemplate(sales, L"Sent one");
    sent->SetSentFlag(true);
    auto post = sales->Items()->Add(outlook::olPostItem);
    post->SetSubject(L"A post");
    post->Save();
    mTanvelo::SetDefaultTemplate(quote);
    Hotkeys().Add(thanks->EntryID(), 1, 'R', false, true, true);
  }

  static std::wstring Id(const std::shared_ptr<outlook::Item>& item) { return item->EntryID(); }
  static forms::TreeView& Tree(forms::User& u) {
    return *u.GetForm().Get<forms::TreeView>(L"treFolders");
  }
  static forms::CommandButton& Button(forms::User& u, const std::wstring& name) {
    return *u.GetForm().Get<forms::CommandButton>(name);
  }
  static std::shared_ptr<forms::Node> Node(forms::User& u, const std::wstring& key) {
    return Tree(u).Nodes().Item(key);
  }
  // The texts of a node's children in tree order, joined with "|".
  static std::wstring Children(const std::shared_ptr<forms::Node>& node) {
    std::wstring all;
    for (const auto& child : node->ChildNodes()) all += (all.empty() ? L"" : L"|") + child->Text;
    return all;
  }
  // Opens the picker with the given preselection, runs the script, answers the launcher.
  bool Pick(forms::Script script, std::wstring& sEntryID, int32_t& nMode, int32_t mask = 3) {
    forms::QueueScript(L"frmSelectTemplate", std::move(script));
    bool ok = mForms::ShowSelectTemplate(sEntryID, nMode, mask, false);
    EXPECT_EQ(forms::PendingScripts(L"frmSelectTemplate"), 0u);
    return ok;
  }

  std::shared_ptr<outlook::MAPIFolder> sales, support, archive;
  std::shared_ptr<outlook::Item> welcome, thanks, quote, prices, followUp, oldOffer;
};
