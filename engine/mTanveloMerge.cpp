// The merge of a template into a reply or forward, its recipient step, and the plain copy of
// body, subject and attachments from one item to another.
#include "engine/ContentIdRenames.h"
#include "engine/RoadSupport.h"
#include "engine/SystemFiling.h"
#include "engine/mBody.h"
#include "engine/mHTML.h"
#include "personalization/RL_mAddressBook.h"
#include "platform/redemption/SafeItem.h"
#include "platform/vb/Runtime.h"

namespace mTanvelo {
namespace {

using namespace road;

std::wstring TextOf(const outlook::PropValue& value) {
  if (auto text = std::get_if<std::wstring>(&value)) return *text;
  return L"";
}

int32_t LongOf(const outlook::PropValue& value) {
  if (auto number = std::get_if<int32_t>(&value)) return *number;
  return 0;
}

// The HTML body of an item, or its plain body made into HTML. A text not read raises: merged
// as empty, the mail would go on without the template's text or the quoted mail.
std::wstring HtmlOf(const ItemPtr& item) {
  std::wstring html = mBody::SafeGetHTMLBodyOrRaise(item, true, true);
  if (html.empty()) return Txt2Html(mBody::SafeGetBodyOrRaise(item, true));
  return html;
}

int32_t FormatOf(const ItemPtr& item) {
  int32_t format = mBody::GetBodyFormat(item);
  if (format != 0) return format;
  return mBody::SafeGetHTMLBodyOrRaise(item, true, true).empty() ? outlook::olFormatPlain
                                                                 : outlook::olFormatHTML;
}

// The body tag (mHTML::FindBodyTag); raises when there is none.
std::pair<size_t, size_t> BodyTag(const std::wstring& html, const wchar_t* whose) {
  auto tag = mHTML::FindBodyTag(html);
  if (tag.second == std::wstring::npos)
    vb::Raise(vb::kInvalidProcedureCall, std::wstring(L"no body tag in the ") + whose);
  return tag;
}

}  // namespace

std::wstring MergeHtml(const std::wstring& target, const std::wstring& tmpl, size_t room) {
  auto [targetOpen, targetClose] = BodyTag(target, L"reply");
  auto [tmplOpen, tmplClose] = BodyTag(tmpl, L"template");
  size_t tmplEnd = FindNoCase(tmpl, L"</body>", tmplClose);
  if (tmplEnd == std::wstring::npos)
    vb::Raise(vb::kInvalidProcedureCall, L"no end of the body in the template");

  const std::wstring tmplTag = tmpl.substr(tmplOpen, tmplClose - tmplOpen + 1);
  std::wstring bgcolor = mHTML::ExtractTagParam(tmplTag, L"bgcolor");
  std::wstring background = mHTML::ExtractTagParam(tmplTag, L"background");
  std::wstring tag = target.substr(targetOpen, targetClose - targetOpen + 1);
  if (!bgcolor.empty()) tag = mHTML::InsertTagParam(tag, L"bgcolor", bgcolor);
  if (!background.empty()) {
    if (background.find(L'"') == std::wstring::npos) background = L'"' + background + L'"';
    tag = mHTML::InsertTagParam(tag, L"background", background);
  }
  // Built in one piece: the template's part is most of a large body.
  const std::wstring_view before(target.data(), targetOpen),
      inner(tmpl.data() + tmplClose + 1, tmplEnd - tmplClose - 1),
      after(target.data() + targetClose + 1, target.size() - targetClose - 1);
  std::wstring merged;
  merged.reserve(before.size() + tag.size() + inner.size() + after.size() + room);
  merged.append(before).append(tag).append(inner).append(after);
  return merged;
}

namespace {

void AddOleNote(std::wstring& merged, bool plain, const std::wstring& name) {
  if (plain) {
    merged = L" << OLE Object: " + name + L" >> \r\n" + merged;
    return;
  }
  size_t close = mHTML::FindBodyTag(merged).second;
  if (close == std::wstring::npos) vb::Raise(vb::kInvalidProcedureCall, L"no body tag");
  merged.insert(close + 1, L"<EM><U><FONT color=#808080> &lt;&lt; OLE Object: " + name +
                               L" &gt;&gt; </FONT></U></EM>");
}

// Template attachments into the target: inline pictures under new content ids (the HTML is
// rewritten to match), other files by value, OLE objects as a note in the text.
void MergeAttachments(const ItemPtr& tmpl, ItemPtr& target, const std::wstring& sTemplateID,
                      bool plain, std::wstring& merged) {
  std::shared_ptr<outlook::Attachments> attachments;
  int32_t count = 0;
  Held([&] {
    attachments = tmpl->Attachments();
    count = attachments->Count();
  });
  if (count == 0) return;
  std::shared_ptr<redemption::SafeItem> safeTmpl;
  Held([&] { safeTmpl = Need(GetSafeItem(tmpl)); });
  // The content ids that may be renamed, read ahead so that the text is searched once for all
  // of them; the loop reads each again where it did before.
  std::vector<std::wstring> ids;
  if (!plain) {
    Quietly([&] {
      for (int32_t i = 1; i <= count; ++i) {
        if (attachments->Item(i)->Type() != outlook::olByValue) continue;
        std::wstring id =
            TextOf(safeTmpl->Attachments()->Item(i)->Fields(outlook::PR_ATTACH_CONTENT_ID));
        if (!id.empty()) ids.push_back(std::move(id));
      }
    });
  }
  ContentIdRenames text(std::move(merged), ids);
  std::shared_ptr<redemption::SafeItem> safeTarget;
  TempFolder folder(TempPath() + L"\\TV" + sTemplateID);
  for (int32_t i = 1; i <= count; ++i) {
    std::shared_ptr<outlook::Attachment> attachment;
    int32_t type = 0;
    std::wstring name, fileName, cid;
    Held([&] {
      attachment = attachments->Item(i);
      type = attachment->Type();
      name = attachment->DisplayName();
      fileName = attachment->FileName();
      if (!plain && type == outlook::olByValue)
        cid = TextOf(safeTmpl->Attachments()->Item(i)->Fields(outlook::PR_ATTACH_CONTENT_ID));
    });
    if (type == outlook::olOLE) {
      AddOleNote(text.Edit(), plain, name);
      continue;
    }
    if (type != outlook::olByValue) continue;
    // An attachment without a content id is a plain file, whatever "cid:" the quoted mail has.
    bool inlinePicture = !cid.empty() && text.Links(cid);
    std::wstring path = folder.FileFor(fileName, std::to_wstring(i));
    outlook::PropValue position;
    Held([&] {
      attachment->SaveAsFile(path);
      position = attachment->Fields(outlook::PR_RENDERING_POSITION);
    });
    // One attachment object across the tries: a try refused after the Add must not add twice.
    std::shared_ptr<outlook::Attachment> added;
    if (inlinePicture) {
      std::wstring newCid = GetRandomString(23, 10);
      text.Rename(cid, newCid);
      Held([&] {
        if (!safeTarget) safeTarget = Need(GetSafeItem(target));
        if (!added) added = safeTarget->Attachments()->Add(path, outlook::olByValue);
        if (!std::holds_alternative<std::monostate>(position))
          added->SetFields(outlook::PR_RENDERING_POSITION, position);
        added->SetFields(outlook::PR_ATTACH_CONTENT_ID, newCid);
      });
    } else {
      const int32_t at = LongOf(position) != 0 ? 1 : 0;
      Held([&] { target->Attachments()->Add(path, outlook::olByValue, at); });
    }
    folder.DeleteFile();
    folder.Remove();
  }
  merged = std::move(text).Take();
}

}  // namespace

bool InsertTemplate(ItemPtr& target, const std::wstring& sTemplateID, bool* outlookRefused) {
  SystemFiling filing;
  const wchar_t* proc = L"mTanvelo::InsertTemplate";
  ItemPtr copy;
  bool merged = false, templateAtFault = false;
  // Each of Outlook's steps is asked again while refused (Held): one refusal must not cost the
  // reply, nor blame a sound template.
  Trap(proc, [&] {
    ItemPtr tmpl;
    int32_t itemClass = 0;
    Held([&] {
      tmpl = Need(Session()->GetItemFromID(sTemplateID, TemplatesRoot()->StoreID()));
      itemClass = tmpl->Class();
    });
    if (itemClass != outlook::olMail && itemClass != outlook::olPost) {
      LogError(proc, 0, L"Invalid template, class = " + std::to_wstring(itemClass));
      templateAtFault = true;
      return;
    }
    // The bodies are read from a copy, so that the template itself is never switched or saved.
    // Kept before the move, so that a failed move does not leave a duplicate template behind.
    Held([&] { copy = Need(tmpl->Copy()); });
    Held([&] { copy = Need(copy->Move(Session()->GetDefaultFolder(outlook::olFolderDrafts))); });
    Held([&] { copy->SetSubject(kTempItemPrefix + copy->Subject()); });

    int32_t targetFormat = 0, copyFormat = 0;
    Held([&] { targetFormat = FormatOf(target); });
    Held([&] { copyFormat = FormatOf(copy); });
    const bool plain =
        targetFormat == outlook::olFormatPlain && copyFormat == outlook::olFormatPlain;
    // Room for the inline pictures' new content ids, so that they are written in place.
    int32_t attachmentCount = 0;
    Held([&] { attachmentCount = tmpl->Attachments()->Count(); });
    const size_t room = static_cast<size_t>(attachmentCount) * 256;
    std::wstring text;
    if (plain) {
      text = mBody::SafeGetBodyOrRaise(copy, true) + mBody::SafeGetBodyOrRaise(target, true);
    } else {
      std::wstring targetHtml = HtmlOf(target), tmplHtml = HtmlOf(copy);
      // A body without its tags is the template's own fault, not Outlook's.
      templateAtFault = true;
      text = MergeHtml(targetHtml, tmplHtml, room);
      templateAtFault = false;
    }
    DeleteItem(copy, true);
    copy = nullptr;

    MergeAttachments(tmpl, target, sTemplateID, plain, text);

    std::shared_ptr<redemption::SafeItem> safeTmpl;
    std::shared_ptr<outlook::Recipients> tmplRecipients, targetRecipients;
    int32_t recipientCount = 0;
    Held([&] {
      safeTmpl = Need(GetSafeItem(tmpl));
      tmplRecipients = Need(safeTmpl->Recipients());
      recipientCount = tmplRecipients->Count();
    });
    if (recipientCount > 0) {
      Held([&] { targetRecipients = Need(Need(GetSafeItem(target))->Recipients()); });
      // Those that do not resolve the user agreed to leave out; one Outlook refused was promised.
      std::wstring unresolved, refused;
      CopyRecipients(*targetRecipients, *tmplRecipients, unresolved, &refused);
      if (!refused.empty()) {
        std::wstring subject;
        Quietly([&] { subject = target->Subject(); });
        LogError(proc, 0,
                 L"the template's recipients " + refused + L" could not be added to \"" + subject +
                     L"\", so it was not made");
        return;
      }
    }
    Held([&] {
      if (plain)
        mBody::SetBody(target, text);
      else
        mBody::SetHTMLBody(target, text);
    });
    Held([&] { target->Save(); });
    merged = true;
  });
  // A merge that stopped half way leaves no prefixed copy behind in Outlook's Drafts.
  if (copy) DeleteItem(copy, true);
  if (outlookRefused) *outlookRefused = !merged && !templateAtFault;
  return merged;
}

int32_t CopyRecipients(outlook::Recipients& target, outlook::Recipients& source,
                       std::wstring& sUnresolved, std::wstring* sRefused) {
  const wchar_t* proc = L"mTanvelo::CopyRecipients";
  sUnresolved.clear();
  if (sRefused) sRefused->clear();
  int32_t count = 0;
  auto refused = [&](const std::wstring& name) {
    if (sRefused) *sRefused += (sRefused->empty() ? L"" : L", ") + name;
  };
  const bool ran = Trap(proc, [&] {
    int32_t n = 0;
    if (!Retried([&] { n = source.Count(); }))
      vb::Raise(vb::Err().Number(), vb::Err().Description());
    for (int32_t i = 1; i <= n; ++i) {
      // Each template recipient on its own and asked again: one that gave nothing (a refusal,
      // which the collection passes over) costs only itself, and is named.
      RL_Recipients records;
      std::wstring name;
      bool unresolved = false;
      const bool collected = Retried([&] {
        records.clear();
        auto recipient = Need(source.Item(i));
        name = recipient->Name();
        unresolved = !recipient->AddressEntry();
        if (unresolved) return;
        // SMTP addresses: an Exchange address typed as "Name <...>" would not resolve back.
        if (RL_mAddressBook::ExtractRecipient(recipient, records, true) == 0)
          vb::Raise(outlook::kErrFailed, L"no address could be read for '" + name + L"'");
      });
      if (collected && unresolved) {
        // The user was asked about these before the reply was made.
        sUnresolved += (sUnresolved.empty() ? L"" : L", ") + name;
        LogWarning(proc, L"Cant resolve recipient name=" + name);
        continue;
      }
      if (!collected) {
        LogError(proc, vb::Err().Number(), vb::Err().Description());
        vb::Err().Clear();
        refused(name.empty() ? L"#" + std::to_wstring(i) : name);
        continue;
      }
      for (const auto& record : records) {
        // "Name <>" would resolve by the name alone, possibly to someone else.
        if (record.Email.empty()) {
          LogWarning(proc, L"member without address left out - '" + record.Name + L"'");
          continue;
        }
        const std::wstring text = FindNoCase(record.Name, record.Email) != std::wstring::npos
                                      ? record.Email
                                      : record.Name + L" <" + record.Email + L">";
        // One recipient object across the tries: a try refused after the Add must not add the
        // recipient twice.
        std::shared_ptr<outlook::Recipient> added;
        bool resolved = false;
        const bool done = Retried([&] {
          if (!added) added = Need(target.Add(text));
          added->SetType(record.nType);
          resolved = added->Resolve();
        });
        if (done && resolved) {
          ++count;
          continue;
        }
        // Left half set (a Bcc taken for a To would show the address to all) or unresolved.
        const int32_t number = done ? 0 : vb::Err().Number();
        const std::wstring description = done ? L"" : vb::Err().Description();
        vb::Err().Clear();
        if (added && !Retried([&] { target.Remove(added->Index()); })) {
          vb::Err().Clear();
          LogError(proc, 0, L"recipient left on the reply half set - " + text);
        }
        if (done) {
          sUnresolved += (sUnresolved.empty() ? L"" : L", ") + record.Name;
          LogWarning(proc,
                     L"Cant resolve recipient name=" + record.Name + L", email=" + record.Email);
          continue;
        }
        LogError(proc, number, description, L"recipient not added - " + text);
        refused(text);
      }
    }
  });
  // Stopped before the recipients could be counted: none was copied, and none may be taken
  // for copied.
  if (!ran && sRefused && sRefused->empty()) *sRefused = L"(all)";
  return count;
}

bool CopyBodySubjectAttachments(const ItemPtr& source, const ItemPtr& target, bool bSave,
                                bool* bodyCopied, bool* attachmentRefused) {
  const wchar_t* proc = L"mTanvelo::CopyBodySubjectAttachments";
  bool complete = false;
  if (bodyCopied) *bodyCopied = false;
  if (attachmentRefused) *attachmentRefused = false;
  // Each step Outlook or Redemption may refuse a moment is asked again: one refusal would
  // leave an empty "Untitled" copy or an attachment short.
  auto held = [](const std::function<void()>& step) {
    if (!Retried(step)) vb::Raise(vb::Err().Number(), vb::Err().Description());
  };
  Trap(proc, [&] {
    std::shared_ptr<redemption::SafeItem> src, dst;
    held([&] {
      int32_t itemClass = Need(source)->Class();
      if (itemClass == outlook::olMail)
        src = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
      else if (itemClass == outlook::olPost)
        src = vb::CreateObject<redemption::SafePostItem>(L"Redemption.SafePostItem");
      if (!src) return;
      src->SetItem(source);
      dst = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
      dst->SetItem(target);
      dst->SetRTFBody(src->RTFBody());
      dst->SetSubject(src->Subject());
      dst->Save();
    });
    if (!src) {
      LogError(proc, 0, L"Src not mail or post item");
      return;
    }
    if (bodyCopied) *bodyCopied = true;

    bool all = true;
    std::shared_ptr<outlook::Attachments> attachments;
    int32_t count = 0;
    held([&] {
      attachments = src->Attachments();
      count = attachments->Count();
    });
    if (count > 0) {
      TempFolder folder(TempPath() + L"\\" + source->EntryID());
      std::wstring subject;
      Quietly([&] { subject = src->Subject(); });
      for (int32_t i = 1; i <= count; ++i) {
        std::shared_ptr<outlook::Attachment> attachment;
        int32_t type = 0, position = 0;
        std::wstring name, fileName;
        // Each attachment on its own: one refused at every try is named, the next still tried.
        const bool copiedOne = vb::Catch([&] {
          held([&] {
            attachment = attachments->Item(i);
            type = attachment->Type();
            name = attachment->DisplayName();
            fileName = attachment->FileName();
            position = attachment->Position();
          });
          if (type != outlook::olByValue) {
            LogWarning(proc, L"attachment not copied: " + name);
            all = false;
            return;
          }
          std::wstring path = folder.FileFor(fileName, std::to_wstring(i));
          outlook::PropValue cid;
          held([&] {
            attachment->SaveAsFile(path);
            cid = attachment->Fields(outlook::PR_ATTACH_CONTENT_ID);
          });
          std::shared_ptr<outlook::Attachment> added;
          held([&] {
            added = dst->Attachments()->Add(path, outlook::olByValue, std::min(position, 1));
          });
          if (!TextOf(cid).empty())
            held([&] { added->SetFields(outlook::PR_ATTACH_CONTENT_ID, cid); });
        });
        folder.DeleteFile();
        if (copiedOne) continue;
        all = false;
        if (attachmentRefused) *attachmentRefused = true;
        LogError(proc, vb::Err().Number(), vb::Err().Description(),
                 L"attachment " + std::to_wstring(i) + L" '" + name + L"' of '" + subject +
                     L"' not copied");
        vb::Err().Clear();
      }
    }
    if (bSave) held([&] { dst->Save(); });
    complete = all;
  });
  return complete;
}

}  // namespace mTanvelo
