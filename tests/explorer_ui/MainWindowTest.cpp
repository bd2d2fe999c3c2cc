// The main window's bars and menus as a user sees them on Outlook 2000, 2003, 2007 and 2010
// (with and without the option that brings the bars back there), for a received mail, a
// template, a draft, a contact and no selection; every add-in entry a user can click is clicked
// and what it ran is drawn beside it. The drawings are kept in tests/data/explorer_ui; set
// TV_UPDATE_GOLDEN=1 to write them anew after a deliberate change, and read the difference.
#include <cstdlib>
#include <fstream>

#include "explorer_ui/CExplorerMenu.h"
#include "platform/office/BuiltInBars.h"
#include "platform/support/LibNorvane.h"
#include "platform/win32/CodePage.h"
#include "tests/explorer_ui/Draw.h"
#include "tests/explorer_ui/ExplorerUiTest.h"

namespace {
struct Window {
  int32_t version;
  bool option;  // ShowOldControlsOn2010
  const char* name;
};

void PrintTo(const Window& w, std::ostream* os) {
  *os << w.name;
}

class MainWindow : public ExplorerUiTest, public testing::WithParamInterface<Window> {
 protected:
  void SetUp() override {
    Start(GetParam().version);
    Options().SetShowOldControlsOn2010(GetParam().option);
    auto standard = templates->Folders()->Add(L"Standard Templates");
    newMessage = standard->Folders()->Add(L"New Message Templates");
    thanks = UsedTemplate(L"Thanks & regards", 3);
    price = outlook::AddUnsentMail(templates, L"Price list");
    price->Recipients()->Add(L"kim.roe@partner.example");
    price->Save();
    for (int i = 0; i < 2; ++i) g_oFrequentlyTemplates->IncUseCount(price->EntryID(), 4);
    g_oFrequentlyTemplates->IncUseCount(thanks->EntryID(), 4);
    Options().SetDefaultTemplateID(thanks->EntryID());
    draft = outlook::AddUnsentMail(p.drafts, L"Unfinished answer");
    menu = std::make_shared<CExplorerMenu>();
    menu->Create(explorer);
  }

  // Shows the folder with these items selected, lets Office update the bars, right-clicks the
  // selection (when there is one) and draws every bar.
  std::wstring Scene(const wchar_t* title, const std::shared_ptr<outlook::MAPIFolder>& folder,
                     std::vector<std::shared_ptr<outlook::Item>> selection) {
    explorer->SetCurrentFolder(folder);
    explorer->Select(selection);
    OutlookFollowsSelection(folder, selection);
    cbars->FireOnUpdate();
    if (!selection.empty()) office::RightClick(*cbars, office::ItemContextMenuIds());
    std::wstring out = std::wstring(L"=== ") + title + L"\n";
    auto click = [&](const bars::ButtonPtr& b) { return Click(b); };
    out += draw::Bar(*cbars->Item(L"Standard"), click);
    out += draw::Bar(*cbars->Item(L"Menu Bar"), click);
    // The shortcut menu as the right-click showed it.
    if (!selection.empty()) out += draw::Bar(*cbars->Item(L"Context Menu"), click);
    return out;
  }

  // Outlook's own Reply, Reply to All and Forward: a mail can be answered and forwarded, a
  // contact only forwarded, nothing selected nothing.
  void OutlookFollowsSelection(const std::shared_ptr<outlook::MAPIFolder>& folder,
                               const std::vector<std::shared_ptr<outlook::Item>>& selection) {
    bool mail = !selection.empty() && folder->DefaultItemType() == 0;
    bool any = !selection.empty();
    auto standard = cbars->Item(L"Standard");
    standard->FindControl(0, 354)->SetEnabled(mail);
    standard->FindControl(0, 355)->SetEnabled(mail);
    standard->FindControl(0, 356)->SetEnabled(any);
  }

  // What one click ran; the window is put back as it was for the next one.
  std::wstring Click(const bars::ButtonPtr& button) {
    ran.clear();
    auto folder = explorer->CurrentFolder();
    auto selection = explorer->Selection();
    size_t calls = support::library::Calls().size();
    button->RaiseClick();
    std::wstring did;
    for (auto r : ran) {
      // Templates by subject, not by their long EntryIDs.
      for (const auto& t : {thanks, price}) {
        size_t at = r.find(t->EntryID());
        if (at != std::wstring::npos) r.replace(at, t->EntryID().size(), t->Subject());
      }
      did += (did.empty() ? L"" : L"; ") + r;
    }
    if (explorer->CurrentFolder() != folder) {
      did += L"shows " + explorer->CurrentFolder()->Name();
      std::vector<std::shared_ptr<outlook::Item>> items;
      for (int32_t i = 1; i <= selection->Count(); ++i) items.push_back(selection->Item(i));
      explorer->SetCurrentFolder(folder);
      explorer->Select(items);
    }
    for (size_t i = calls; i < support::library::Calls().size(); ++i)
      did += L"library " + win32::FromAnsi(support::library::Calls()[i].function) + L" " +
             support::library::Calls()[i].argument;
    return did;
  }

  std::shared_ptr<CExplorerMenu> menu;
  std::shared_ptr<outlook::MAPIFolder> newMessage;
  std::shared_ptr<outlook::Item> thanks, price, draft;
};

std::string Utf8(const std::wstring& text) {
  return win32::WideToMultiByte(win32::CP_UTF8, text);
}
}  // namespace

TEST_P(MainWindow, DrawsAsTheUserSeesItAndEveryEntryRunsItsCommand) {
  std::wstring out;
  out += Scene(L"received mail in the Inbox", p.inbox, {p.plainMail});
  out += Scene(L"template (the default) in the templates folder", templates, {thanks});
  out += Scene(L"draft in Drafts", p.drafts, {draft});
  out += Scene(L"contact in Contacts", p.contacts, {p.kimContact});
  out += Scene(L"nothing selected in the Inbox", p.inbox, {});
  for (const auto& e : support::library::Log())
    if (e.level >= 2) ADD_FAILURE() << win32::ToAnsi(e.procedure) << ": " << win32::ToAnsi(e.text);
  if (GetParam().version < 10) {
    EXPECT_FALSE(Logged(L"Main::SetBtnPicAndMask")) << "no bitmap for Outlook 2000";
  }
  const std::string golden = std::string("tests/data/explorer_ui/") + GetParam().name + ".txt";
  if (std::getenv("TV_UPDATE_GOLDEN")) {
    std::ofstream(testsource::SourceDir() / golden, std::ios::binary) << Utf8(out);
    GTEST_SKIP() << "written " << golden;
  }
  EXPECT_EQ(testsource::ReadSourceFile(golden), Utf8(out)) << "see " << golden;
}

INSTANTIATE_TEST_SUITE_P(Versions, MainWindow,
                         testing::Values(Window{9, false, "outlook2000"},
                                         Window{11, false, "outlook2003"},
                                         Window{12, false, "outlook2007"},
                                         Window{14, false, "outlook2010"},
                                         Window{14, true, "outlook2010_old_controls"}),
                         [](const auto& info) { return std::string(info.param.name); });
