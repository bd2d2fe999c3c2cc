// Typing into an inspector's editor on every Outlook version.
#include <gtest/gtest.h>

#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"

TEST(EditorTyping, TextTypedAtTheCaretLandsInTheBodyOnEveryVersion) {
  for (const wchar_t* version : {L"9.0.0.2711", L"11.0.8169", L"14.0.4760"}) {
    auto p = outlook::BuildProfile({.version = version});
    auto item = p.drafts->Items()->Add(outlook::olMailItem);
    item->SetBody(L"Dear ,");
    auto inspector = p.app->Inspectors()->Add(item);
    inspector->SetCaret(5);
    inspector->TypeText(L"Kim");
    EXPECT_EQ(L"Dear Kim,", item->Body()) << version;
  }
}
