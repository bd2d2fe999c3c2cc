// The events the add-in subscribes to, in Outlook's order, and subscriptions that end.
#include <gtest/gtest.h>

#include "platform/outlook/Application.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Outlook.h"
#include "platform/outlook/ProfileBuilder.h"
#include "platform/outlook/Recipients.h"
#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Keyboard.h"
#include "platform/win32/MessageBox.h"

using namespace outlook;

namespace {

using Log = std::vector<std::wstring>;

TEST(Events, ExplorerLifecycle) {
  Profile p = BuildProfile();
  Log log;
  std::vector<Subscription> subs;
  subs.push_back(p.app->Explorers()->NewExplorer.Subscribe([&](std::shared_ptr<Explorer> e) {
    log.push_back(L"NewExplorer");
    auto& ev = e->Events();
    subs.push_back(ev.Activate.Subscribe([&] { log.push_back(L"Activate"); }));
    subs.push_back(ev.FolderSwitch.Subscribe([&] { log.push_back(L"FolderSwitch"); }));
    subs.push_back(ev.SelectionChange.Subscribe([&] { log.push_back(L"SelectionChange"); }));
    subs.push_back(ev.ViewSwitch.Subscribe([&] { log.push_back(L"ViewSwitch"); }));
    subs.push_back(ev.Close.Subscribe(
        [&, e] { log.push_back(L"Close:" + std::to_wstring(p.app->Explorers()->Count())); }));
  }));
  auto explorer = p.app->Explorers()->Add(p.inbox);
  EXPECT_EQ(p.app->ActiveExplorer(), explorer);
  explorer->Select({p.plainMail, p.htmlMail});
  EXPECT_EQ(explorer->Selection()->Count(), 2);
  explorer->SetCurrentFolder(p.drafts);
  EXPECT_EQ(explorer->Selection()->Count(), 0);
  EXPECT_THROW(explorer->Selection()->Item(1), vb::Error);
  explorer->SetCurrentView(p.drafts->CurrentView());
  explorer->Close();
  EXPECT_EQ(log, (Log{L"NewExplorer", L"Activate", L"SelectionChange", L"FolderSwitch",
                      L"SelectionChange", L"ViewSwitch", L"Close:1"}));
  EXPECT_EQ(p.app->Explorers()->Count(), 0);
  EXPECT_EQ(p.app->ActiveExplorer(), nullptr);
  EXPECT_THROW(explorer->CurrentFolder(), vb::Error);
}

TEST(Events, InspectorAndItemEventsInOrder) {
  Profile p = BuildProfile({.version = L"11.0.0.8312"});
  Log log;
  std::vector<Subscription> subs;
  subs.push_back(p.app->Inspectors()->NewInspector.Subscribe([&](std::shared_ptr<Inspector> i) {
    log.push_back(L"NewInspector:" + i->CurrentItem()->Subject());  // item already valid
    subs.push_back(i->Events().Activate.Subscribe([&] { log.push_back(L"Activate"); }));
    subs.push_back(i->Events().Close.Subscribe([&] { log.push_back(L"InspectorClose"); }));
  }));
  auto mail = p.app->CreateItem(olMailItem);
  mail->SetSubject(L"Hello");
  subs.push_back(mail->Events().Write.Subscribe([&](bool&) { log.push_back(L"Write"); }));
  subs.push_back(mail->Events().Close.Subscribe([&](bool&) { log.push_back(L"ItemClose"); }));
  subs.push_back(mail->Events().Send.Subscribe([&](bool& cancel) {
    log.push_back(L"Send");
    cancel = true;
  }));
  subs.push_back(p.drafts->Items()->ItemAdd.Subscribe([&](std::shared_ptr<Item> item) {
    log.push_back(L"ItemAdd:" + std::to_wstring(item->Saved()));
  }));
  mail->Display();
  auto inspector = mail->GetInspector();
  EXPECT_EQ(p.app->ActiveInspector(), inspector);
  EXPECT_EQ(inspector->EditorType(), olEditorText);
  mail->Save();
  mail->Recipients()->Add(L"Lee Ann");
  mail->Send();  // cancelled: stays open and unsent
  EXPECT_FALSE(inspector->IsClosed());
  inspector->Close(olSave);
  EXPECT_THROW(inspector->CurrentItem(), vb::Error);
  // The item hears Close before it is saved.
  EXPECT_EQ(log, (Log{L"NewInspector:Hello", L"Activate", L"Write", L"ItemAdd:1", L"Send",
                      L"ItemClose", L"Write", L"InspectorClose"}));
}

// Outlook's ItemSend follows the item's own Send, only when that did not cancel, and comes
// before the item leaves; Cancel keeps it unsent with its window open. Redemption's send, past
// Outlook, raises neither.
TEST(Events, ItemSendFollowsTheItemsSendAndItsCancelKeepsTheItem) {
  struct Case {
    const char* name;
    bool itemCancels, appCancels, throughOutlook;
    Log heard;
    bool sent;
  };
  const Case cases[] = {
      {"sent", false, false, true, {L"Send", L"ItemSend:Hello:unsent"}, true},
      {"kept by ItemSend", false, true, true, {L"Send", L"ItemSend:Hello:unsent"}, false},
      {"kept by the item's Send", true, false, true, {L"Send"}, false},
      {"submitted past Outlook", false, true, false, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Profile p = BuildProfile();
    auto mail = p.app->CreateItem(olMailItem);
    mail->SetSubject(L"Hello");
    mail->Recipients()->Add(L"Lee Ann");
    mail->Display();
    auto inspector = mail->GetInspector();
    Log log;
    auto send = mail->Events().Send.Subscribe([&](bool& cancel) {
      log.push_back(L"Send");
      cancel = c.itemCancels;
    });
    auto itemSend =
        p.app->Events().ItemSend.Subscribe([&](std::shared_ptr<Item> item, bool& cancel) {
          const bool left = item->Parent() == p.app->Session()->GetDefaultFolder(olFolderOutbox);
          log.push_back(L"ItemSend:" + item->Subject() + (left ? L":left" : L":unsent"));
          cancel = c.appCancels;
        });
    if (c.throughOutlook)
      mail->Send();
    else
      mail->Submit();
    EXPECT_EQ(c.heard, log);
    EXPECT_EQ(c.sent ? 1 : 0, p.outbox->Items()->Count());
    EXPECT_EQ(c.sent, inspector->IsClosed());
  }
}

TEST(Events, ItemCloseComesBeforeTheQuestionAndCancelsOnlyACloseThatAsks) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->Display();
  mail->SetSubject(L"Changed");
  bool cancel = true;
  auto sub = mail->Events().Close.Subscribe([&](bool& c) { c = cancel; });
  mail->Close(olPromptForSave);  // cancelled before any question
  EXPECT_FALSE(mail->GetInspector()->IsClosed());
  EXPECT_TRUE(win32::msgbox::Shown().empty());
  auto inspector = mail->GetInspector();
  inspector->Close(olDiscard);  // a close that does not ask cannot be cancelled
  EXPECT_TRUE(inspector->IsClosed());

  // A handler that saves spares the user the question.
  auto other = p.app->CreateItem(olMailItem);
  other->Display();
  other->SetSubject(L"Saved by its handler");
  auto saver = other->Events().Close.Subscribe([&](bool&) { other->Save(); });
  other->Close(olPromptForSave);
  EXPECT_TRUE(win32::msgbox::Shown().empty());
  EXPECT_NE(other->EntryID(), L"");
  EXPECT_EQ(p.app->Inspectors()->Count(), 0);
}

// Closing unsaved goes back to what was last stored; saving, sending and a new item keep theirs.
TEST(Events, AClosedUnsavedItemIsWhatWasLastSaved) {
  Profile p = BuildProfile();
  auto mail = p.plainMail;
  const std::wstring subject = mail->Subject(), body = mail->Body();
  const int recipients = mail->Recipients()->Count();
  auto edit = [&](const std::wstring& text) {
    mail->SetSubject(text);
    mail->SetBody(text);
    mail->Recipients()->Add(L"Lee Ann");
    mail->UserProperties()->Add(L"Note")->SetValue(text);
  };
  auto expectSaved = [&](const std::wstring& s, const std::wstring& b, int count) {
    EXPECT_TRUE(mail->Saved());
    EXPECT_EQ(mail->Subject(), s);
    EXPECT_EQ(mail->Body(), b);
    EXPECT_EQ(mail->Recipients()->Count(), count);
  };
  mail->Display();
  edit(L"Discarded");
  mail->GetInspector()->Close(olDiscard);
  expectSaved(subject, body, recipients);
  EXPECT_EQ(mail->UserProperties()->Count(), 0);

  mail->Display();
  edit(L"Answered No");
  win32::msgbox::Answer(vb::vbNo);
  mail->Close(olPromptForSave);
  expectSaved(subject, body, recipients);

  // Without a window, and after a save: back to that save, not to the first state.
  edit(L"Kept");
  mail->Save();
  mail->SetSubject(L"Dropped");
  mail->Recipients()->Remove(1);
  mail->Close(olDiscard);
  expectSaved(L"Kept", L"Kept", recipients + 1);
  EXPECT_EQ(mail->UserProperties()->Find(L"Note")->Value(), L"Kept");

  // Sending closes the window without dropping what was typed.
  auto draft = p.app->CreateItem(olMailItem);
  draft->Save();
  draft->Display();
  draft->SetSubject(L"Typed before sending");
  draft->Recipients()->Add(L"Lee Ann");
  draft->Send();
  EXPECT_NE(p.outbox->Items()->Find(L"[Subject] = 'Typed before sending'"), nullptr);

  // A new item never saved is not filed by a discard.
  const int drafts = p.drafts->Items()->Count();
  auto fresh = p.app->CreateItem(olMailItem);
  fresh->Display();
  fresh->SetSubject(L"Never saved");
  fresh->Close(olDiscard);
  EXPECT_EQ(fresh->EntryID(), L"");
  EXPECT_EQ(p.drafts->Items()->Count(), drafts);
}

TEST(Events, ReleasedSubscriptionsHearNothing) {
  Profile p = BuildProfile();
  int adds = 0;
  Subscription sub = p.inbox->Items()->ItemAdd.Subscribe([&](std::shared_ptr<Item>) { ++adds; });
  p.plainMail->Copy();
  sub.Release();
  p.htmlMail->Copy();
  EXPECT_EQ(adds, 1);
  // Nothing is raised for subfolders, and a move raises ItemAdd on the target only.
  auto sub2 = p.inbox->Folders()->Add(L"Sub");
  int inboxAdds = 0, subAdds = 0;
  auto a = p.inbox->Items()->ItemAdd.Subscribe([&](std::shared_ptr<Item>) { ++inboxAdds; });
  auto b = sub2->Items()->ItemAdd.Subscribe([&](std::shared_ptr<Item>) { ++subAdds; });
  p.rtfMail->Move(sub2);
  EXPECT_EQ(inboxAdds, 0);
  EXPECT_EQ(subAdds, 1);
}

TEST(Events, PromptedCloseAndModalDisplayFollowTheScripts) {
  Profile p = BuildProfile();
  auto mail = p.app->CreateItem(olMailItem);
  mail->Display();
  mail->SetSubject(L"Unsaved");
  win32::msgbox::Answer(vb::vbCancel);
  mail->Close(olPromptForSave);
  EXPECT_FALSE(mail->GetInspector()->IsClosed());
  win32::msgbox::Answer(vb::vbYes);
  mail->Close(olPromptForSave);
  EXPECT_NE(mail->EntryID(), L"");
  EXPECT_EQ(win32::msgbox::Shown().size(), 2u);
  EXPECT_EQ(win32::msgbox::Shown()[1].text, L"Do you want to save changes?");

  // No closes without saving; olSave and olDiscard never ask; an unchanged item is not asked.
  auto changed = [&](const std::wstring& subject) {
    auto m = p.app->CreateItem(olMailItem);
    m->Display();
    m->SetSubject(subject);
    return m;
  };
  auto refused = changed(L"Refused");
  win32::msgbox::Answer(vb::vbNo);
  refused->Close(olPromptForSave);
  EXPECT_EQ(refused->EntryID(), L"");
  auto saved = changed(L"Saved");
  saved->Close(olSave);
  EXPECT_NE(saved->EntryID(), L"");
  auto dropped = changed(L"Dropped");
  dropped->Close(olDiscard);
  EXPECT_EQ(dropped->EntryID(), L"");
  p.plainMail->Display();
  p.plainMail->Close(olPromptForSave);
  EXPECT_EQ(win32::msgbox::Shown().size(), 3u);
  EXPECT_EQ(p.app->Inspectors()->Count(), 0);

  EXPECT_THROW(p.htmlMail->Display(true), win32::UnscriptedPrompt);
  p.htmlMail->GetInspector()->Close(olDiscard);
  bool shown = false;
  p.app->QueueModalInspectorScript([&](std::shared_ptr<Inspector> i) {
    shown = true;
    EXPECT_EQ(i->EditorType(), olEditorWord);  // Outlook 2010 edits in Word
    i->Close(olDiscard);
  });
  p.htmlMail->Display(true);
  EXPECT_TRUE(shown);
  EXPECT_EQ(p.app->Inspectors()->Count(), 0);
}

TEST(Events, EditorSelectionAndTyping) {
  Profile p = BuildProfile({.version = L"11.0.0.8312"});
  auto inspector = p.app->Inspectors()->Add(p.plainMail);
  inspector->SetSelection(6, 3);
  EXPECT_EQ(inspector->SelectedText(), L"Pat");
  inspector->TypeText(L"%FirstName%");
  EXPECT_EQ(p.plainMail->Body().substr(0, 18), L"Hello %FirstName%,");
  EXPECT_EQ(inspector->Caret(), 17);
  EXPECT_EQ(inspector->SelectionType(), L"None");
}

TEST(Events, FocusedEditorTakesKeysAtTheCaret) {
  Profile p = BuildProfile({.version = L"11.0.0.8312"});
  auto inspector = p.app->Inspectors()->Add(p.plainMail);
  win32::keyboard::SetFocus(inspector);
  inspector->SetCaret(6);
  win32::clipboard::SetText(L"%To% ");
  win32::keybd_event(win32::VK_SHIFT, 1, win32::KEYEVENTF_EXTENDEDKEY, 0);
  win32::keybd_event(win32::VK_INSERT, 1, win32::KEYEVENTF_EXTENDEDKEY, 0);
  win32::keybd_event(win32::VK_INSERT, 1, 3, 0);
  win32::keybd_event(win32::VK_SHIFT, 1, 3, 0);
  win32::SendUnicodeChar(L'!');
  EXPECT_EQ(p.plainMail->Body().substr(0, 15), L"Hello %To% !Pat");
  EXPECT_EQ(inspector->Caret(), 12);

  // Ctrl+Insert copies the selection to the clipboard.
  inspector->SetSelection(0, 5);
  win32::keyboard::Press(win32::VK_INSERT, false, true);
  EXPECT_EQ(win32::clipboard::Text(), L"Hello");
}

}  // namespace
