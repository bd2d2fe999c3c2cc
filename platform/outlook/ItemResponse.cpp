// Reply, Reply to All and Forward as Outlook makes them: prefixed subject, the sender (and for
// Reply to All the other recipients but the user), the original quoted below a header in the
// original's body format, and for Forward the original's attachments (for an HTML answer its
// inline pictures).
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/BodyConvert.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"

namespace outlook {

namespace {
enum { kReply = 1, kReplyAll = 2, kForward = 3 };

std::wstring Prefixed(const wchar_t* prefix, const std::wstring& subject) {
  std::wstring p = prefix;
  if (subject.size() >= p.size() && SameText(subject.substr(0, p.size()), p)) return subject;
  return p + subject;
}

bool IsUser(const std::shared_ptr<AddressEntry>& user, const std::shared_ptr<Recipient>& r) {
  if (!user) return false;
  auto entry = r->AddressEntry();
  std::wstring address = entry ? entry->Address() : r->Name();
  std::wstring smtp = entry ? entry->SmtpAddress() : L"";
  return SameText(address, user->Address()) ||
         (!smtp.empty() && SameText(smtp, user->SmtpAddress()));
}
}  // namespace

std::shared_ptr<Item> Item::MakeResponse(int kind) {
  Live();
  // A post answers with Reply and Forward only.
  if ((class_ != olMail && class_ != olPost) || (class_ == olPost && kind == kReplyAll))
    vb::Raise(kErrNotSupported, L"Object doesn't support this property or method");
  auto session = Session();
  if (!session) vb::Raise(kErrFailed, L"The operation failed.");
  auto response = Create(olMail, session, session->GetDefaultFolder(olFolderDrafts));
  response->SetSubject(Prefixed(kind == kForward ? L"FW: " : L"RE: ", Subject()));

  auto user = session->CurrentUserEntry();
  if (kind != kForward && !SenderName().empty()) {
    auto entry = session->AddressBook().FindByAddress(SenderEmailAddress());
    if (!entry)
      entry =
          std::make_shared<AddressEntry>(SenderName(), SenderEmailAddress(),
                                         SenderEmailType().empty() ? L"SMTP" : SenderEmailType());
    response->Recipients()->Add(entry->Name())->SetEntry(entry);
  }
  if (kind == kReplyAll) {
    for (auto& r : *recipients_) {
      if (r->Type() == olBCC || IsUser(user, r)) continue;
      if (r->AddressEntry() && SameText(r->Address(), SenderEmailAddress())) continue;
      auto copy = response->Recipients()->Add(r->Name());
      copy->SetEntry(r->AddressEntry());
      copy->SetType(r->Type());
    }
  }

  std::wstring header = L"-----Original Message-----\r\nFrom: " + SenderName() + L"\r\nSent: " +
                        DateText(ReceivedTime()) + L"\r\nTo: " + To() +
                        (CC().empty() ? L"" : L"\r\nCc: " + CC()) + L"\r\nSubject: " + Subject() +
                        L"\r\n\r\n";
  // Built in one piece from the stored text: a large original is not copied on the way.
  const std::wstring& original = StoredBody();
  std::wstring plain;
  plain.reserve(4 + header.size() + original.size());
  plain.append(L"\r\n\r\n").append(header).append(original);
  switch (bodyFormat_) {
    case olFormatHTML: {
      std::wstring quoted = body::HtmlEscape(header);
      std::wstring htmlHeader;
      for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted.compare(i, 2, L"\r\n") == 0) {
          htmlHeader += L"<br>\r\n";
          ++i;
        } else {
          htmlHeader += quoted[i];
        }
      }
      // The original's body content is read where it is stored and the answer made in one
      // piece.
      std::wstring made;
      const std::wstring& source = htmlDue_ ? (made = DueHtml()) : StoredText(PR_HTML);
      std::wstring scratch;
      const std::wstring_view content = body::HtmlBodyContentView(source, scratch);
      static constexpr std::wstring_view kOpen =
          L"<html>\r\n<head>\r\n</head>\r\n<body>\r\n<div><br></div>\r\n<div>";
      static constexpr std::wstring_view kMiddle = L"</div>\r\n";
      static constexpr std::wstring_view kClose = L"\r\n</body>\r\n</html>\r\n";
      std::wstring html;
      html.reserve(kOpen.size() + htmlHeader.size() + kMiddle.size() + content.size() +
                   kClose.size());
      html.append(kOpen).append(htmlHeader).append(kMiddle).append(content).append(kClose);
      response->SetBodies(olFormatHTML, std::move(plain), std::move(html), L"");
      break;
    }
    case olFormatRichText: {
      std::wstring rtf = body::TextToRtf(plain);
      response->SetBodies(olFormatRichText, std::move(plain), L"", std::move(rtf));
      break;
    }
    default:
      response->SetBodies(olFormatPlain, std::move(plain), L"", L"");
  }
  if (kind == kForward) {
    response->attachments_->CopyFrom(*attachments_);
  } else if (bodyFormat_ == olFormatHTML) {
    // The quoted HTML still shows the original's inline pictures, so an HTML answer keeps
    // the attachments its "cid:" links name; every other attachment stays behind.
    response->attachments_->CopyInlineFrom(*attachments_, response->StoredText(PR_HTML));
  }
  response->saved_ = false;
  return response;
}

std::shared_ptr<Item> Item::Reply() {
  TV_FAULT_POINT(Outlook);
  return MakeResponse(kReply)->Handle();
}
std::shared_ptr<Item> Item::ReplyAll() {
  TV_FAULT_POINT(Outlook);
  return MakeResponse(kReplyAll)->Handle();
}
std::shared_ptr<Item> Item::Forward() {
  TV_FAULT_POINT(Outlook);
  return MakeResponse(kForward)->Handle();
}

}  // namespace outlook
