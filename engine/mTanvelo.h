// Module mTanvelo, the template engine's procedures on Outlook items and folders: what a
// template is and how it is marked (product stamp, send mode, hotkey properties, favourite
// mark, default template), finding, opening and duplicating templates, and the small mail
// helpers the engine runs on items (body format, deleting, moving, reloading, recipients,
// time-zone bias, sample folder, reply icon).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/Main.h"
#include "platform/outlook/Forward.h"

namespace redemption {
class SafeItem;
}

namespace mTanvelo {

using ItemPtr = std::shared_ptr<outlook::Item>;
using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;

// User properties the system writes (all of Outlook's text type).
inline constexpr const wchar_t* kAddinProperty = L"NORVANE.Addin";
inline constexpr const wchar_t* kSendModeProperty = L"Norvane.Tanvelo.SendMode";
inline constexpr const wchar_t* kHotkeyProperty = L"NORVANE.TVL.HotKey";
inline constexpr const wchar_t* kHotkeyActionProperty = L"NORVANE.TVL.HotKeyAction";

// --- Marks on items ---------------------------------------------------------------------------
// The stamp's reads and writes are asked again while Outlook refuses them (up to kHeldTries):
// a mail taken for unstamped is sent with its fields unfilled.
// "" when missing, or when every read was refused.
std::wstring GetAddinProperty(const ItemPtr& item);
// False when every read was refused: whether the item is stamped is not known.
bool ReadAddinProperty(const ItemPtr& item, std::wstring& value);
// A window's Send that read its mail and let it go notes it, so that Outlook's ItemSend,
// raised next for the same Send, does not ask again; taking the note clears it.
void NoteLetGoAtSend(const ItemPtr& item);
bool TakeLetGoAtSend(const ItemPtr& item);
// Why a mail is held when Outlook refused to show its stamp (WhyNotSentUnprocessed's answer).
inline constexpr const wchar_t* kOwnerNotRead = L"Outlook refused to show whose mail it is";
// A value adds or sets the stamp; the empty value removes it. False when Outlook refused it
// (or the save) past every try; no error is left.
bool SetAddinProperty(const ItemPtr& item, const std::wstring& value, bool bSave);
bool HasAddinStamp(const ItemPtr& item);
// 1 when the property is missing; 0 (logged) when it holds no number or every read was refused.
int32_t GetSendMode(const ItemPtr& item);
// The same, False (nothing logged, no error left) when every read was refused: a mail whose
// mode is not known must not be sent as one message to all.
bool ReadSendMode(const ItemPtr& item, int32_t& nMode);
// False (logged, naming the item) when Outlook refused it past every try.
bool SetSendMode(const ItemPtr& item, int32_t nMode, bool bSave);
// False (logged by name) when Outlook refused the removal past its tries.
bool RemoveSendMode(const ItemPtr& item, bool bSave);
// Stores both texts as given and saves the item.
void SetHotkeyProperties(const ItemPtr& item, const std::wstring& sHotkey,
                         const std::wstring& sAction);
bool RemoveHotkeyProperties(const ItemPtr& item, bool bSave);
// The favourite mark: Mileage "1" from Outlook 2007, the follow-up flag before.
void MarkFavoriteTemplate(const ItemPtr& item, bool bSave);
void UnmarkFavoriteTemplate(const ItemPtr& item, bool bSave);
bool IsFavoriteTemplate(const ItemPtr& item);

// --- Default template ---------------------------------------------------------------------------
// Raises when the registry refused the default past its tries, rather than answer False.
bool IsDefaultTemplate(const std::wstring& sEntryID);
// A template becomes the default and a favourite; null clears the default (the former
// default keeps its mark). False, logged at error level, when the default was not written.
bool SetDefaultTemplate(const ItemPtr& item);
bool ClearDefaultTemplate();
// The "make default" click: the template named `sEntryID` stops being the default if it is
// one, else becomes it. Refusals are logged where they happen.
void ToggleDefaultTemplate(const ItemPtr& item, const std::wstring& sEntryID);

// --- Templates
// ------------------------------------------------------------------------------------ An unsent
// mail in the templates folder or below it.
bool IsTemplateItem(const ItemPtr& item);
// The same, raising where Outlook refused a call, so a caller can tell "no template" from "not
// known now".
bool TemplateItemOrRaise(const ItemPtr& item);
// The templates folder or a folder below it, in the same store. A look Outlook refuses is asked
// again (up to kHeldTries); still refused it is logged and answers False.
bool IsTemplateFolder(const FolderPtr& folder);
// One look, raising where Outlook refused, for callers that ask again and tell it themselves.
bool TemplateFolderOrRaise(const FolderPtr& folder);
// The template of this EntryID in the templates store, or null. With `refused`, whether null
// means Outlook refused every try (not known now) rather than no such template.
ItemPtr GetTemplate(const std::wstring& sEntryID, bool* refused = nullptr);
// False when Outlook refused the window past its tries (logged).
bool DisplayTemplate(const ItemPtr& item, bool bModal);
// A made template whose window Outlook would not open: the user is told by its subject and
// folder, so that it is looked for there rather than made again.
void SayTemplateNotOpened(const ItemPtr& item, bool bForeground);
// Makes, saves and opens a copy with a subject free in the template's folder.
void OpenTemplateDuplicate(const std::wstring& sEntryID);
// The subject with its trailing number (up to six digits) raised to the first one that no
// mail in the folder has: "Untitled" gives "Untitled1", "Offer 7" gives "Offer 8".
std::wstring GetNewTemplateSubject(const std::wstring& sFolderEntryID,
                                   const std::wstring& vSubject);

// Text for a quoted value of an Items.Restrict or Find filter: apostrophes doubled.
std::wstring FilterText(const std::wstring& text);
// Every occurrence of `from`, left to right, becomes `to`; an empty `from` changes nothing.
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);

// --- Mail item helpers
// ---------------------------------------------------------------------------- 2 (HTML) when the
// item has an HTML body, else 1 (plain text).
int32_t GetTemplateBodyFormat(const ItemPtr& item, bool bSave, bool bSwitch);
// Plain text as a small HTML page.
std::wstring Txt2Html(const std::wstring& text);
using ::Retried;  // the store asked again while it holds an item a moment
// The same, the last refusal logged under `procedure` as an error, so that what was left
// behind is told.
bool Insist(std::wstring_view procedure, const std::function<void()>& step);
// The same for a step on an item, the log naming what was not done and the item's subject, so
// that the reader learns which mail or template lacks it.
bool Insist(std::wstring_view procedure, const ItemPtr& item, std::wstring_view what,
            const std::function<void()>& step);
// Moves the item to Deleted Items; with bForGood deletes it there too. False (logged) when it
// could not be moved, or with bForGood not deleted; the deletion is then asked again later
// (AskLater).
bool DeleteItem(const ItemPtr& item, bool bForGood);
// A step a refusal past every try kept from being done (a passing copy or a scratch folder
// that must go, a use to count): `step` (true once done) is asked again at later moments of
// the clock, one round of its own tries each, kHeldTries rounds in all; still not done, it is
// logged by `what`.
void AskLater(const std::wstring& what, std::function<bool()> step);
// The add-in's end: each step still waiting is tried once more, what stays undone is logged
// by name, and the timer goes (its procedure must not outlive the add-in).
void StopAskingLater();
std::wstring SafeGetSenderName(const ItemPtr& item);
// True when the item has recipients and all of them resolve; otherwise False, with a message
// unless silent.
bool CheckRecipientsBeforeSend(const ItemPtr& item, bool bOnTop, bool bSilent);
bool CheckRecipientsBeforeSend(const std::shared_ptr<redemption::SafeItem>& item, bool bOnTop,
                               bool bSilent);
// Minutes to add to local time to get UTC; with bDaylight, the bias of the time now in force.
int32_t GetTimeZoneBias(bool bDaylight);
// The item in the folder: moved when it lay elsewhere, else the same item. Errors go to the
// caller.
ItemPtr MoveItemToFolder(const ItemPtr& item, const FolderPtr& folder);
void ShowFolder(const FolderPtr& folder);
// The same item fetched again from its store (saved first when needed); null when that fails.
void ReloadItem(ItemPtr& item);
FolderPtr GetNewMessageTemplatesFolder();
void ShowNewMessageTemplatesFolder();
// The replied (actions 1, 2) or forwarded (4) icon on the answered mail.
void SetOriginalReplyIcon(const ItemPtr& mail, int32_t nAction);

}  // namespace mTanvelo
