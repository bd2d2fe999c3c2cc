// Saving a template asks first when it has recipients; the two own toolbars come back where
// the user left them, per profile, and never off the screen.
#include "core/CWinReg.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Faults.h"
#include "platform/win32/Registry.h"
#include "tests/common/RefusedWrites.h"
#include "tests/inspector_ui/InspectorTest.h"

namespace {

class Write : public InspectorTest {
 protected:
  // Answers the recipients question with `answer` and counts it.
  void Answer(int answer) {
    win32::msgbox::SetDefaultAnswerer([this, answer](const win32::ShownMessageBox& box) {
      if ((box.style & 0xF) == win32::MB_OK) return win32::IDOK;
      ++asked;
      lastStyle = box.style;
      return answer;
    });
  }
  int asked = 0;
  int32_t lastStyle = 0;
};

TEST_F(Write, APreaddressedTemplateAsksBeforeItIsSaved) {
  auto tmpl = AddTemplate(L"Offer", L"Dear %FirstName%");
  auto w = Open(tmpl);
  const size_t itemsBefore = ItemsOf(templates).size(), deletedBefore = ItemsOf(p.deleted).size();
  int added = 0;  // what the add-in object's new-template checks listen to
  auto sub = templates->Items()->ItemAdd.Subscribe([&](ItemPtr) { ++added; });
  AddRecipient(tmpl, L"Kim Roe");
  Answer(win32::IDCANCEL);
  tmpl->Save();
  EXPECT_EQ(1, asked);
  EXPECT_EQ(LangText(L"STR_SAVE_PREADDRESSED"), Boxes().back());
  EXPECT_FALSE(tmpl->Saved());  // Cancel keeps it unsaved
  Answer(win32::IDOK);
  tmpl->Save();
  EXPECT_TRUE(tmpl->Saved());
  // Nothing was copied into the templates folder or left in Deleted Items, and the folder's
  // new-item checks never ran (they would have shown a box).
  EXPECT_EQ(itemsBefore, ItemsOf(templates).size());
  EXPECT_EQ(deletedBefore, ItemsOf(p.deleted).size());
  EXPECT_EQ(0, added);
  EXPECT_TRUE(Logged(L"CInspectorWrapper::m_oMail_Write", L"->"));
  // The template button saves it the same way.
  w->m_btnTemplate->UserClick();
  EXPECT_EQ(3, asked);
}

TEST_F(Write, NoQuestionWithoutRecipientsOrForAMailThatIsNoTemplate) {
  auto tmpl = AddTemplate(L"Offer");
  Open(tmpl);
  auto mail = MadeMail(L"Reply", L"x", 1, {L"Kim Roe"});
  Open(mail);
  tmpl->SetBody(L"changed");
  tmpl->Save();
  mail->SetBody(L"changed");
  mail->Save();
  EXPECT_TRUE(tmpl->Saved());
  EXPECT_TRUE(mail->Saved());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Write, InWordBefore2007TheQuestionComesToTheFront) {
  Start(kV2002, true);
  auto tmpl = AddTemplate(L"Offer");
  Open(tmpl);
  AddRecipient(tmpl, L"Kim Roe");
  Answer(win32::IDOK);
  tmpl->Save();
  EXPECT_TRUE(lastStyle & 0x10000);
}

class Positions : public InspectorTest {
 protected:
  void SetUp() override { Start(kV2003, true); }
  std::wstring ProfileKey() { return Options().GetProfileRegPath(); }
  int32_t Stored(const std::wstring& name) {
    CWinReg reg;
    reg.InitForRead(CWinReg::HKEY_CURRENT_USER, ProfileKey());
    return reg.GetDWordValue(name, -12345);
  }
  WrapperPtr OpenTemplate() { return Open(AddTemplate(L"Offer")); }
};

TEST_F(Positions, ANewProfileDocksTheToolbarsAtTheTopInRowThree) {
  CWinReg reg;  // the profile's key, as the add-in's first start leaves it: no places yet
  ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, ProfileKey(), true));
  auto w = OpenTemplate();
  for (const auto& bar : {w->OwnToolbar(), w->FieldToolbar()}) {
    EXPECT_EQ(office::msoBarTop, bar->Position());
    EXPECT_EQ(3, bar->RowIndex());
    EXPECT_EQ(0, bar->Left());
    EXPECT_EQ(0, bar->Top());
  }
}

TEST_F(Positions, EachToolbarComesBackWhereItWasLeftInTheNextWindow) {
  auto w = OpenTemplate();
  w->FieldToolbar()->SetPosition(office::msoBarFloating);
  w->FieldToolbar()->SetLeft(300);
  w->FieldToolbar()->SetTop(200);
  w->OwnToolbar()->SetPosition(office::msoBarLeft);
  w->OwnToolbar()->SetRowIndex(2);
  w->OwnToolbar()->SetTop(-4);  // a negative place is kept as it is
  w->GetInspector()->Close(outlook::olDiscard);
  EXPECT_EQ(300, Stored(L"barInsert.Left"));
  EXPECT_EQ(-4, Stored(L"toolbar.Top"));

  auto next = OpenTemplate();
  EXPECT_EQ(office::msoBarFloating, next->FieldToolbar()->Position());
  EXPECT_EQ(300, next->FieldToolbar()->Left());
  EXPECT_EQ(200, next->FieldToolbar()->Top());
  EXPECT_EQ(office::msoBarLeft, next->OwnToolbar()->Position());
  EXPECT_EQ(2, next->OwnToolbar()->RowIndex());
  EXPECT_EQ(-4, next->OwnToolbar()->Top());
}

TEST_F(Positions, AFloatingToolbarLeftOffTheScreenComesBackOntoIt) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, ProfileKey(), true));
  reg.SetDWordValue(L"toolbar.Position", office::msoBarFloating);
  reg.SetDWordValue(L"toolbar.Left", 2500);  // a second monitor that is gone
  reg.SetDWordValue(L"toolbar.Top", -300);
  auto w = OpenTemplate();
  auto bar = w->OwnToolbar();
  EXPECT_EQ(office::msoBarFloating, bar->Position());
  EXPECT_GE(bar->Left(), 0);
  EXPECT_LE(bar->Left() + 60, vb::Screen().WidthPixels);
  EXPECT_EQ(0, bar->Top());
}

TEST_F(Positions, AValueOfAnotherTypeIsIgnored) {
  CWinReg reg;
  ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, ProfileKey(), true));
  reg.SetStringValue(L"toolbar.RowIndex", L"7");
  reg.SetDWordValue(L"toolbar.Position", office::msoBarBottom);
  auto w = OpenTemplate();
  EXPECT_EQ(3, w->OwnToolbar()->RowIndex());
  EXPECT_EQ(office::msoBarBottom, w->OwnToolbar()->Position());
}

// The stored places read at the window's opening refused for as long as the held tries and
// one more, from each call: the close never writes the bars' first places over the user's.
TEST_F(Positions, PlacesNotReadAtTheOpeningAreNotWrittenOverAtTheClose) {
  {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, ProfileKey(), true));
    reg.SetDWordValue(L"barInsert.Position", office::msoBarFloating);
    reg.SetDWordValue(L"barInsert.Left", 300);
    reg.SetDWordValue(L"barInsert.RowIndex", 5);
  }
  auto tmpl = AddTemplate(L"Offer");
  win32::faults::Start({.addinOnly = true, .countOnly = true});
  auto w = Open(tmpl);
  win32::faults::Stop();
  const uint64_t calls = win32::faults::Counts().calls;
  w->GetInspector()->Close(outlook::olDiscard);
  for (uint64_t span : {uint64_t{kHeldTries}, uint64_t{kHeldTries} + 1})
    for (uint64_t at = 1; at <= calls; ++at) {
      win32::faults::Start({.addinOnly = true, .at = at, .span = span});
      w = Open(tmpl);
      win32::faults::Stop();
      if (w && w->GetInspector()) w->GetInspector()->Close(outlook::olDiscard);
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      EXPECT_EQ(office::msoBarFloating, Stored(L"barInsert.Position")) << where;
      EXPECT_EQ(300, Stored(L"barInsert.Left")) << where;
      EXPECT_EQ(5, Stored(L"barInsert.RowIndex")) << where;
    }
}

TEST_F(Positions, PlacesSavedUnderRegistryRefusalsAreStoredOrTold) {
  WrapperPtr w;
  std::vector<std::pair<std::wstring, int32_t>> places;  // as the bars stand at the close
  refused::SweepBoth(
      {[&] {
         {
           CWinReg reg;
           ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, ProfileKey(), true));
           for (const wchar_t* bar : {L"toolbar", L"barInsert"})
             for (const wchar_t* field : {L".Left", L".Top", L".Position", L".RowIndex"})
               reg.DeleteValue(bar + std::wstring(field));
         }
         w = OpenTemplate();
         w->FieldToolbar()->SetPosition(office::msoBarFloating);
         w->FieldToolbar()->SetLeft(300);
         w->FieldToolbar()->SetTop(200);
         w->OwnToolbar()->SetPosition(office::msoBarLeft);
         w->OwnToolbar()->SetRowIndex(2);
         places.clear();
         for (const auto& [key, bar] : {std::pair{L"toolbar", w->OwnToolbar()},
                                        std::pair{L"barInsert", w->FieldToolbar()}}) {
           places.emplace_back(key + std::wstring(L".Left"), bar->Left());
           places.emplace_back(key + std::wstring(L".Top"), bar->Top());
           places.emplace_back(key + std::wstring(L".Position"), bar->Position());
           places.emplace_back(key + std::wstring(L".RowIndex"), bar->RowIndex());
         }
       },
       [&] { w->GetInspector()->Close(outlook::olDiscard); },
       [&] {
         for (const auto& [name, value] : places)
           if (Stored(name) != value) return false;
         return true;
       },
       [&](size_t from) {
         for (const auto& [name, value] : places)
           if (refused::Told(from, {L"not written", ProfileKey() + L" \"" + name + L"\"",
                                    L"\"" + std::to_wstring(value) + L"\""}))
             return true;
         return false;
       }});
}

}  // namespace

// The template's recipients, read for the question before a save, are asked for again while
// Outlook refuses them; refused past every try, the save still goes on and the log names the
// template saved without the question.
TEST_F(Write, RecipientsRefusedAMomentStillAskAndRefusedForGoodSaveAndNameTheTemplate) {
  auto tmpl = AddTemplate(L"Offer", L"Dear %FirstName%");
  Open(tmpl);
  AddRecipient(tmpl, L"Kim Roe");
  Answer(win32::IDOK);
  auto save = [&] {
    tmpl->SetBody(L"changed " + std::to_wstring(asked));
    vb::Catch([&] { tmpl->Save(); });
    win32::faults::Stop();
    vb::Err().Clear();
  };
  win32::faults::Start({.addinOnly = true, .countOnly = true});
  save();
  const uint64_t calls = win32::faults::Counts().calls;
  ASSERT_EQ(1, asked);
  for (uint64_t span : {uint64_t{kHeldTries} - 1, uint64_t{kHeldTries}}) {
    int unasked = 0;
    for (uint64_t at = 1; at <= calls; ++at) {
      const int before = asked;
      const size_t logged = support::library::Log().size();
      win32::faults::Start({.addinOnly = true, .at = at, .span = span});
      save();
      const std::string where = std::to_string(span) + " calls from " + std::to_string(at);
      bool named = false;
      for (size_t i = logged; i < support::library::Log().size(); ++i)
        named = named || support::library::Log()[i].text.find(
                             L"\"Offer\" was saved without the question") != std::wstring::npos;
      EXPECT_TRUE(tmpl->Saved()) << where;
      if (asked == before + 1) continue;
      ++unasked;
      EXPECT_TRUE(named) << where << ": neither asked nor told";
    }
    EXPECT_EQ(span >= uint64_t{kHeldTries}, unasked > 0) << span;
  }
}
