// Temporary mails that hold only the text the user selected, for replies to a selection.
#include "core/CClipboard.h"
#include "engine/RoadSupport.h"
#include "platform/office/CommandBars.h"
#include "platform/redemption/SafeInspector.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/CodePage.h"

namespace mTanvelo {
namespace {

using namespace road;

constexpr int32_t kReadingPaneOff = 7223;
constexpr int32_t kButtonDown = -1;
const wchar_t* const kMenuBar = L"Menu Bar";

struct ClipboardText {
  std::wstring text, html;
  bool refused = false;  // the clipboard held past every try: the selection is not known
};

const wchar_t* const kCopyProc = L"mTanvelo::CopySelection";

// Another program may hold the clipboard a moment: opening it is asked again.
bool OpenHeldClipboard() {
  for (int attempt = 0; attempt < kHeldTries; ++attempt)
    if (win32::OpenClipboard(0)) return true;
  return false;
}

// The clipboard's text; empty, logged and `refused` when the clipboard stays refused.
std::wstring ReadClipboardText(bool& refused) {
  std::wstring text;
  if (!OpenHeldClipboard()) {
    LogError(kCopyProc, 0, L"the clipboard could not be opened to read the selection");
    refused = true;
    return text;
  }
  uint32_t handle = 0;
  if (win32::IsClipboardFormatAvailable(win32::CF_TEXT)) {
    for (int attempt = 0; attempt < kHeldTries && handle == 0; ++attempt)
      handle = win32::GetClipboardData(win32::CF_TEXT);
    if (handle == 0) {
      LogError(kCopyProc, 0, L"the selection could not be read from the clipboard");
      refused = true;
    }
  }
  if (handle != 0) {
    const uint8_t* bytes = win32::GlobalLock(handle);
    if (bytes) {
      std::string ansi(reinterpret_cast<const char*>(bytes), win32::GlobalSize(handle));
      text = win32::FromAnsi(ansi.substr(0, ansi.find('\0')));
      win32::GlobalUnlock(handle);
    }
  }
  win32::CloseClipboard();
  return text;
}

// The selection of the focused window through the clipboard; the user's clipboard is put
// back whatever happens. With `readingPane`, a copy of whole messages (the message list had
// the focus) counts as no selection.
ClipboardText CopySelection(bool bHideWait, bool readingPane) {
  ClipboardText out;
  CClipboard& clipboard = HostClipboard();
  Quietly([&] { clipboard.Save(); });
  // Held by another program past every try, the user's clipboard was not read: a copy would
  // write over it for good.
  if (!clipboard.Taken()) {
    Quietly([&] { clipboard.Restore(); });
    LogError(kCopyProc, 0,
             L"the selection was not copied into the mail, another program holds the clipboard");
    out.refused = true;
    return out;
  }
  // Not emptied, the clipboard's old text would pass for the selection: nothing is copied.
  bool emptied = false;
  Quietly([&] {
    if (!OpenHeldClipboard()) return;
    win32::EmptyClipboard();
    win32::CloseClipboard();
    emptied = true;
  });
  if (!emptied) {
    LogError(kCopyProc, 0, L"the clipboard could not be emptied to copy the selection");
    Quietly([&] { clipboard.Restore(); });
    out.refused = true;
    return out;
  }
  if (bHideWait) HideWait();
  Quietly([&] { CClipboard::SendCopyKeys(); });
  if (bHideWait) {
    ShowWait();
    vb::DoEvents();
  }
  bool wholeMessages = false;
  if (readingPane) {
    Quietly([&] { clipboard.dbgEnumFormats(); });
    Quietly([&] { wholeMessages = clipboard.IsFormatAvialable(L"RenPrivateMessages"); });
  }
  if (!wholeMessages) {
    Quietly([&] { out.text = ReadClipboardText(out.refused); });
    Quietly([&] { out.html = clipboard.GetHtmlFormat(); });
  }
  // Giving the user's clipboard back outweighs a few more asks: held past a round of tries,
  // it is asked a second round after the pending messages ran (told if still refused).
  Quietly([&] {
    if (clipboard.TryRestore()) return;
    vb::DoEvents();
    clipboard.Restore();
  });
  return out;
}

// A step of the store asked again while refused (an item held open a moment); still refused
// past every try it raises, and `refused` tells the caller the selection was not known, so
// that the whole mail is not answered in its place.
void Held(bool* refused, const std::function<void()>& step) {
  if (Retried(step)) return;
  if (refused) *refused = true;
  vb::Raise(vb::Err().Number(), vb::Err().Description());
}

// A copy of the mail in Outlook's Drafts folder; `fill` writes the selection into it.
ItemPtr MakeTemporaryMail(const ItemPtr& mail,
                          const std::function<void(const ItemPtr&, redemption::SafeItem&)>& fill,
                          bool* refused) {
  // Each step asked again while refused (the copy held a moment): given up, the whole mail would
  // be answered in the selection's place.
  FolderPtr drafts;
  ItemPtr copy, made;
  Held(refused, [&] {
    drafts = Session()->GetDefaultFolder(outlook::olFolderDrafts);
    copy = Need(Need(mail)->Copy());
  });
  const bool done = Retried([&] {
    auto parent = Need(copy->Parent());
    if (parent->StoreID() != drafts->StoreID() || parent->EntryID() != drafts->EntryID())
      copy = Need(copy->Move(drafts));
    auto safe = Need(GetSafeItem(copy));
    fill(copy, *safe);
    safe->SetItem(nullptr);
    copy->Save();
    const std::wstring entryId = copy->EntryID();
    made = Session()->GetItemFromID(entryId, drafts->StoreID());
  });
  if (!done) {
    // A duplicate of the received mail must not stay behind where the copy landed.
    const int32_t number = vb::Err().Number();
    const std::wstring description = vb::Err().Description();
    DeleteItem(copy, true);
    if (refused) *refused = true;
    vb::Raise(number, description);
  }
  return made;
}

ItemPtr MailFromClipboard(const wchar_t* proc, const ItemPtr& mail, const ClipboardText& clip,
                          bool bSilent, bool* refused) {
  if (clip.refused) {
    if (refused) *refused = true;
    return nullptr;
  }
  if (clip.text.empty()) {
    if (!bSilent) Say(L"STR_SELECT_PART_OF_MESSAGE", 0);
    return nullptr;
  }
  return MakeTemporaryMail(
      mail,
      [&](const ItemPtr&, redemption::SafeItem& safe) {
        if (!clip.html.empty()) {
          size_t body = FindNoCase(clip.html, L"<body");
          if (body != std::wstring::npos) {
            safe.SetHTMLBody(clip.html.substr(body));
            return;
          }
          LogError(proc, 0, L"no body tag, sHtmlText = \r\n" + clip.html);
        }
        safe.SetBody(clip.text);
      },
      refused);
}

std::shared_ptr<office::CommandBarControl> FindIn(const std::shared_ptr<office::CommandBar>& bar) {
  return bar ? bar->FindControl(0, kReadingPaneOff, L"", false, true) : nullptr;
}

}  // namespace

ItemPtr CreateMailFromSelText2(const ItemPtr& oMail, bool bSilent, bool bHideWait, bool* refused) {
  const wchar_t* proc = L"mTanvelo::CreateMailFromSelText2";
  if (refused) *refused = false;
  return TrapOr(proc, ItemPtr(), [&] {
    ClipboardText clip = CopySelection(bHideWait, false);
    return MailFromClipboard(proc, oMail, clip, bSilent, refused);
  });
}

ItemPtr CreateMailFromSelText(const std::shared_ptr<outlook::Inspector>& oInspector, bool bSilent,
                              bool* refused) {
  const wchar_t* proc = L"mTanvelo::CreateMailFromSelText";
  if (refused) *refused = false;
  return TrapOr(proc, ItemPtr(), [&]() -> ItemPtr {
    Need(oInspector);
    // The reads of the window and its selection are held calls, asked again while refused: a
    // read given up would answer the whole mail in the selection's place.
    ItemPtr mail;
    bool isMail = false;
    Held(refused, [&] {
      mail = oInspector->CurrentItem();
      isMail = mail && mail->Class() == outlook::olMail;
    });
    if (!isMail) {
      if (!bSilent) Say(L"IDS_TVNEEDMAILITEM", 48);
      return nullptr;
    }
    redemption::SafeInspector safeInspector;
    safeInspector.SetItem(oInspector);
    int32_t editor = 0;
    Held(refused, [&] { editor = oInspector->EditorType(); });
    std::wstring selection, type;
    switch (editor) {
      case outlook::olEditorText:
        LogInfo(proc, L"olEditorText");
        Held(refused, [&] { selection = Need(safeInspector.PlainTextEditor())->SelText(); });
        break;
      case outlook::olEditorRTF:
        LogInfo(proc, L"olEditorRTF");
        Held(refused, [&] { selection = Need(safeInspector.RTFEditor())->RTFSelText(); });
        break;
      case outlook::olEditorHTML: {
        LogInfo(proc, L"olEditorHTML");
        Held(refused, [&] {
          auto range = Need(Need(safeInspector.HTMLEditor())->Selection());
          type = range->Type();
          selection.clear();
          if (vb::LCase(type) != L"none") selection = Need(range->createRange())->htmlText();
        });
        LogInfo(proc, L"oSafeInspector.HTMLEditor.Selection.Type = '" + type + L"'");
        break;
      }
      case outlook::olEditorWord:
        LogInfo(proc, L"olEditorWord");
        Held(refused, [&] { selection = oInspector->SelectedText(); });
        break;
      default:
        LogError(proc, 0, L"Invalid EditorType - " + std::to_wstring(editor));
        vb::Raise(vb::kTypeMismatch);
    }
    if (selection.empty()) {
      if (!bSilent) Say(L"STR_SELECT_PART_OF_MESSAGE", 0);
      return nullptr;
    }
    LogInfo(proc, L"SelText='" + selection + L"'");
    // The selected HTML goes in place of the body's content; the copy's body is the mail's.
    std::wstring html;
    if (editor == outlook::olEditorHTML) {
      Held(refused, [&] { html = mail->HTMLBody(); });
      size_t open = FindNoCase(html, L"<body");
      size_t close = open == std::wstring::npos ? open : html.find(L'>', open);
      size_t end = close == std::wstring::npos ? close : FindNoCase(html, L"</body>", close);
      if (end == std::wstring::npos) vb::Raise(vb::kInvalidProcedureCall, L"no body tag");
      html = html.substr(0, close + 1) + selection + html.substr(end);
    }
    return MakeTemporaryMail(
        mail,
        [&](const ItemPtr&, redemption::SafeItem& safe) {
          if (editor == outlook::olEditorRTF)
            safe.SetRTFBody(selection);
          else if (editor == outlook::olEditorHTML)
            safe.SetHTMLBody(html);
          else
            safe.SetBody(selection);
        },
        refused);
  });
}

ItemPtr CreateMailFromReadingPaneSel(const std::shared_ptr<outlook::Explorer>& oExplorer,
                                     bool bSilent, bool bHideWait, bool* refused) {
  const wchar_t* proc = L"mTanvelo::CreateMailFromReadingPaneSel";
  if (refused) *refused = false;
  return TrapOr(proc, ItemPtr(), [&]() -> ItemPtr {
    Need(oExplorer);
    int32_t count = 0;
    ItemPtr mail;
    bool isMail = false;
    Held(refused, [&] {
      auto selection = Need(oExplorer->Selection());
      count = selection->Count();
      if (count == 1) {
        mail = selection->Item(1);
        isMail = Need(mail)->Class() == outlook::olMail;
      }
    });
    if (count != 1) {
      LogInfo(proc, L"oExplorer.Selection.Count <> 1");
      return nullptr;
    }
    if (!isMail) {
      LogInfo(proc, L"oExplorer.Selection.Item(1).Class <> olMail");
      return nullptr;
    }
    bool bKnown = false;
    bool on = IsReadingPaneOn(oExplorer, bKnown);
    if (!bKnown) {
      LogWarning(proc, L"cant determine if reading pane is on");
    } else if (!on) {
      LogInfo(proc, L"Reading pane is off");
      return nullptr;
    }
    ClipboardText clip = CopySelection(bHideWait, true);
    return MailFromClipboard(proc, mail, clip, bSilent, refused);
  });
}

bool IsReadingPaneOn(const std::shared_ptr<outlook::Explorer>& oExplorer, bool& bKnown) {
  (void)oExplorer;  // the active explorer's bars decide, as Outlook shows one reading pane
  bool on = false;
  Quietly([&] {
    auto explorer = Need(Need(g_oApp)->ActiveExplorer());
    auto bars = std::static_pointer_cast<office::CommandBars>(Need(explorer->CommandBars()));
    std::shared_ptr<office::CommandBarControl> control;
    Quietly([&] { control = FindIn(bars->Item(kMenuBar)); });
    for (int32_t i = 1; !control && i <= bars->Count(); ++i) control = FindIn(bars->Item(i));
    auto button = std::dynamic_pointer_cast<office::CommandBarButton>(control);
    if (!button) return;
    bKnown = true;
    on = button->State() != kButtonDown;
  });
  return on;
}

}  // namespace mTanvelo
