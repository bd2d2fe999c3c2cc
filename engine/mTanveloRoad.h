// The template road of module mTanvelo: replies, replies to all and forwards made from a
// template, the merge of a template into a mail, separate personalized messages, replies to a
// selection, new mail from a template, new templates from mail and the conversion of old
// post-item templates.
//
// The road calls the personalization library directly; it reaches the dialogs and the wait
// window above it through RoadServices, which the add-in host fills at connection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/mTanvelo.h"

namespace mTanvelo {

// Action codes (bits, so that usage counters and quick-item families can use them as masks).
inline constexpr int32_t kActionReply = 1, kActionReplyAll = 2, kActionForward = 4,
                         kActionNewMail = 8;
// Selection modes: the whole mail, the inspector's selection, the reading pane's selection.
inline constexpr int32_t kSelWholeMail = 0, kSelInspector = 1, kSelReadingPane = 2;
// Send modes: one message opened for editing, or one personalized message per recipient.
inline constexpr int32_t kSendModeOne = 1, kSendModeSeparate = 2;
// Send actions of DoSend2Action: file into the target folder, or send now.
inline constexpr int32_t kSendActionFile = 0, kSendActionSend = 1;
// The subject prefix of the temporary copy a template's bodies are read from.
inline constexpr const wchar_t* kTempItemPrefix = L"TANVELO TEMP ITEM:";

// One personalization run over one mail item, addressed by EntryID and StoreID.
class IPersonalizationJob {
 public:
  virtual ~IPersonalizationJob() = default;
  // Raises when the mail cannot be read: a mail taken for one without fields leaves unfilled.
  virtual bool HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) = 0;
  virtual bool LoadReplaceValues(const std::wstring& sEntryID, const std::wstring& StoreID,
                                 bool bWndOnTop, bool bSilent, bool bIgnoreErrors) = 0;
  // bWasEmptyProp is only ever set to True.
  virtual bool DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements,
                         bool& bWasEmptyProp, const std::wstring& StoreID, int32_t ForceBodyFormat,
                         bool bSaveChanges, bool bIgnoreErrors) = 0;
};
using JobPtr = std::shared_ptr<IPersonalizationJob>;

// The per-inspector object of an open mail inspector.
class IInspectorWrapper {
 public:
  virtual ~IInspectorWrapper() = default;
  virtual std::shared_ptr<outlook::Inspector> GetInspector() = 0;
  virtual void Done() = 0;
};

// A new job of the process's personalization library (g_oLib), or null while there is none.
JobPtr CreateLibraryJob();

struct RoadServices {
  // A new personalization job; null leaves the personalization out.
  std::function<JobPtr()> CreateJob = CreateLibraryJob;
  // The template picker (option mask 3: one mail or separate mails may be chosen).
  std::function<bool(std::wstring& sEntryID, int32_t& nSendMode, int32_t nOptionMask,
                     bool bFocusTree)>
      ShowSelectTemplate;
  // The send-or-keep question; bSendNow is True exactly when the user answered No.
  std::function<void(int32_t nCount, bool& bSendNow, bool bForeground)> AskSendMessages;
  // The modeless wait window: show, hide for a moment, close.
  std::function<void()> ShowWait, HideWait, CloseWait;
};
// The process's services, back to these defaults at every platform reset. A dialog member
// may be empty: that step is then left out, a missing picker answers Cancel and without the
// send question the messages are filed, never sent unasked.
RoadServices& Services();

// True while a template action runs. An action that starts meanwhile (a timer firing inside
// a modal message box) is refused and logged.
bool IsTemplateActionRunning();

// --- Reply from a template ----------------------------------------------------------------
// Makes, stamps and personalizes the reply, reply to all or forward and opens it, or hands it
// to the separate sending. False when nothing was made.
bool DoTanvelo(const ItemPtr& oMail, int32_t& nAction, int32_t nSelMode, std::wstring sTemplateID);
// The reply merged with the template, counted and filed in the program drafts folder, or
// null. Writes back the template's EntryID and the send mode chosen in the picker.
ItemPtr CreateReply(const ItemPtr& oMail, int32_t& nAction, int32_t& nSendMode, int32_t nSelMode,
                    std::wstring& sTemplateID);

// --- Template merge ----------------------------------------------------------------------
// Merges the template's body, attachments and recipients into the target and saves it. False
// when the merge did not complete (the target may be half made); `outlookRefused` (when given)
// then tells whether Outlook refused a step past its tries, rather than the template being
// unusable (not a mail, a body without its tags).
bool InsertTemplate(ItemPtr& target, const std::wstring& sTemplateID,
                    bool* outlookRefused = nullptr);
// Adds the source's recipients (lists opened) to the target, each resolved or removed again;
// the count of those that resolved, and the names of the others joined by ", ". Each step is
// asked again while Outlook refuses it; `sRefused` (when given) names those still refused,
// each logged and none left on the target.
int32_t CopyRecipients(outlook::Recipients& target, outlook::Recipients& source,
                       std::wstring& sUnresolved, std::wstring* sRefused = nullptr);
// The reply's HTML with the template's body content right after the reply's body tag, which
// takes the template's background colour and picture. Raises when either has no body tag or
// the template's body no end.
// `room`: characters to keep free beyond the merged text, for edits made to it afterwards in
// place (new content ids).
std::wstring MergeHtml(const std::wstring& target, const std::wstring& tmpl, size_t room = 0);
// Copies the RTF body, subject and by-value attachments, each refused step asked again. False
// when anything was not copied; `bodyCopied` tells whether the body and subject came over,
// `attachmentRefused` whether a by-value attachment was refused at every try (each logged by
// its number, name and the source's subject).
bool CopyBodySubjectAttachments(const ItemPtr& source, const ItemPtr& target, bool bSave,
                                bool* bodyCopied = nullptr, bool* attachmentRefused = nullptr);
// A file name that stays inside its folder: no folder separators, no "..", no reserved
// characters or device names, at most `maxLength` characters with the extension kept;
// `fallback` when nothing usable is left.
std::wstring SafeFileName(const std::wstring& name, const std::wstring& fallback,
                          size_t maxLength = 255);

// --- Separate personalized messages --------------------------------------------------------
void DoSend2Action(const ItemPtr& oItem, int32_t nSendAction, int32_t nSendMode, bool& bShow,
                   bool bUnused, const std::shared_ptr<IInspectorWrapper>& oInspectorWrapper,
                   JobPtr oJob, const FolderPtr& oFolder);
// A mail whose Send reached Outlook's own sending unprocessed (no window of the program took
// it): "" when it may leave as it is, else why not (a mail of the program for separate
// messages or with fields to fill, or one whose stamp, mode or fields Outlook refused past
// every try). Nothing is shown; the caller stops the Send and tells it.
std::wstring WhyNotSentUnprocessed(const ItemPtr& item);

// --- Replies to a selection ------------------------------------------------------------------
// A temporary copy of the mail in Outlook's Drafts folder holding only the selected text, or
// null when nothing is selected. With `refused`, whether null means Outlook refused a read of
// the selection or a step of the copy past every try (the selection not known now), rather
// than no selection.
ItemPtr CreateMailFromSelText2(const ItemPtr& oMail, bool bSilent, bool bHideWait,
                               bool* refused = nullptr);
ItemPtr CreateMailFromSelText(const std::shared_ptr<outlook::Inspector>& oInspector, bool bSilent,
                              bool* refused = nullptr);
ItemPtr CreateMailFromReadingPaneSel(const std::shared_ptr<outlook::Explorer>& oExplorer,
                                     bool bSilent, bool bHideWait, bool* refused = nullptr);
bool IsReadingPaneOn(const std::shared_ptr<outlook::Explorer>& oExplorer, bool& bKnown);

// --- New mail and new templates --------------------------------------------------------------
void NewMailFromTemplate(std::wstring sTemplateID, bool& bFocus);
// Null when nothing was made; `unstamped` (when given) is set when Outlook refused the owner
// stamp, and the copy was removed; `modeUnstored` (when given) gets the template's subject when
// Outlook refused to store separate sending on the copy, which was removed as well.
ItemPtr NewMailFromTemplate_(const std::wstring& sTemplateID,
                             const std::vector<std::wstring>& addresses, int32_t nSendMode,
                             bool* unstamped = nullptr, std::wstring* modeUnstored = nullptr);
ItemPtr NewTemplate(const FolderPtr& folder);
void NewTemplateFromMail(const std::wstring& sEntryID, const std::wstring& vStoreID,
                         bool bForeground);
bool TemplateHasRecipients(const std::wstring& sTemplateID);
void PostItems2MailItems(const FolderPtr& folder, bool& bAsked, bool& bCancelled);
// The converted mail, or null (and the post is kept) when the copy did not complete.
ItemPtr PostItem2MailItem(const ItemPtr& post);

}  // namespace mTanvelo
