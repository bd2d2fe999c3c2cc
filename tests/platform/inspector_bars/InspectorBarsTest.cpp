// Inspector windows get Outlook's bars per editor; Word before 2007 shares one set between all
// the mail windows it edits.
#include <gtest/gtest.h>

#include "platform/inspector_bars/InspectorBars.h"
#include "platform/office/InspectorBars.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/vb/Error.h"

namespace {

std::shared_ptr<outlook::Inspector> Open(const outlook::Profile& p, int32_t format) {
  auto item = p.drafts->Items()->Add(outlook::olMailItem);
  if (format) item->SetBodyFormat(format);  // no BodyFormat before Outlook 2003
  item->Save();
  return p.app->Inspectors()->Add(item);
}

}  // namespace

TEST(InspectorBars, OutlooksEditorsGiveEachWindowItsOwnBarsWithTheReplyCommands) {
  auto p = outlook::BuildProfile({.version = L"11.0.5608"});
  inspector_bars::Give(p.app);
  auto plain = Open(p, outlook::olFormatPlain), html = Open(p, outlook::olFormatHTML);
  auto a = inspector_bars::Of(plain), b = inspector_bars::Of(html);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  for (int32_t id : {354, 355, 356, 2617, 31224})
    EXPECT_TRUE(a->Item(L"Standard")->FindControl(0, id)) << id;
  auto actions = office::AsPopup(a->Item(L"Menu Bar")->FindControl(office::msoControlPopup, 30131));
  ASSERT_TRUE(actions);
  EXPECT_TRUE(actions->CommandBar()->FindControl(0, 354));
  // Only the rich editors carry a formatting bar.
  EXPECT_THROW(a->Item(L"Formatting"), vb::Error);
  EXPECT_NO_THROW(b->Item(L"Formatting"));
  // A window's own toolbar does not show up in another window.
  a->Add(L"Tanvelo", office::msoBarTop, false, true);
  EXPECT_THROW(b->Item(L"Tanvelo"), vb::Error);
}

TEST(InspectorBars, WordBefore2007SharesOneSetOfBarsWithoutOutlooksCommands) {
  auto p = outlook::BuildProfile({.version = L"11.0.6626"});
  p.app->SetWordMail(true);
  inspector_bars::Give(p.app);
  auto first = Open(p, outlook::olFormatHTML), second = Open(p, outlook::olFormatPlain);
  auto bars = inspector_bars::Of(first);
  EXPECT_EQ(bars, inspector_bars::Of(second));
  EXPECT_EQ(bars, office::WordMailCommandBars());
  EXPECT_FALSE(bars->FindControl(0, 354));
  EXPECT_FALSE(bars->Item(L"Menu Bar")->FindControl(office::msoControlPopup, 30131));
  // A bar one window adds is there for the other: the name is taken.
  bars->Add(L"Tanvelo", office::msoBarTop, false, true);
  EXPECT_THROW(inspector_bars::Of(second)->Add(L"Tanvelo", office::msoBarTop, false, true),
               vb::Error);
}

TEST(InspectorBars, WordFrom2007GivesEachWindowItsOwnBars) {
  auto p = outlook::BuildProfile({.version = L"12.0.6423"});
  p.app->SetWordMail(true);
  inspector_bars::Give(p.app);
  auto first = Open(p, outlook::olFormatHTML), second = Open(p, outlook::olFormatHTML);
  EXPECT_EQ(outlook::olEditorWord, first->EditorType());
  EXPECT_NE(inspector_bars::Of(first), inspector_bars::Of(second));
  EXPECT_TRUE(inspector_bars::Of(first)->Item(L"Standard")->FindControl(0, 354));
}

TEST(InspectorBars, AWindowOpenedBeforeGiveGetsItsBarsOnFirstAsk) {
  auto p = outlook::BuildProfile({.version = L"9.0.0.2711"});
  auto inspector = Open(p, 0);
  EXPECT_FALSE(inspector->CommandBars());
  auto bars = inspector_bars::Of(inspector);
  ASSERT_TRUE(bars);
  EXPECT_EQ(bars, inspector_bars::Of(inspector));
  inspector->Close(outlook::olDiscard);
  EXPECT_FALSE(inspector_bars::Of(inspector));
}
