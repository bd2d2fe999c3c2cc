// The bodies of the sample templates, in folder order and, within a folder, in the order
// they are made.
#include "engine/mStandardTemplates.h"

namespace mStandardTemplates {
namespace {

const std::wstring kFullName = L"Dear <EM>%FullName%</EM>,";
const std::wstring kStaff = L"Dear staff,";
const std::wstring kMyName = L"Kind Regards,<BR><EM>%MyName%</EM>";
const std::wstring kTeam = L"Kind Regards,<BR>Managerial team";
const std::wstring kGap = L"<BR><BR>";

// One paragraph: the salutation, the paragraphs of text and the sign-off, each pair
// separated by an empty line.
std::wstring Letter(const std::wstring& salutation, std::initializer_list<std::wstring> text,
                    const std::wstring& signOff) {
  std::wstring body = L"<P>" + salutation + kGap;
  for (const auto& paragraph : text) body += paragraph + kGap;
  return body + signOff + L"</P>";
}

const std::wstring kForward = L"Forward templates";
const std::wstring kNew = L"New Message Templates";
const std::wstring kQuote = L"Quote templates";
const std::wstring kReply = L"Reply Templates";

std::wstring ReferralThanks() {
  return Letter(kFullName,
                {L"Thank you for recommending us for <EM>[topic]</EM>. Thanks to your referral "
                 L"we <EM>[achievement]</EM>.",
                 L"We greatly appreciate the trust you have placed in us."},
                kMyName);
}

std::vector<StandardTemplate> MakeList() {
  return {
      {kForward, L"custom forward",
       Letter(kFullName,
              {L"I am passing on the message below, as I think it is of interest to you."},
              kMyName + kGap + L"<EM>(The original mail attached)</EM>")},
      {kForward, L"forward with comments",
       Letter(kFullName,
              {L"I am forwarding the message below with a few comments of mine:",
               L"<EM>[comments]</EM>"},
              kMyName)},
      {kForward, L"interesting news to share",
       Letter(kFullName,
              {L"I came across <EM>[an article, a report, a web page]</EM> that I think you will "
               L"enjoy. It is <EM>[enclosed / attached]</EM> for you to read.",
               L"Let me know what you think&#8230;"},
              kMyName)},

      {kNew, L"announcing new employee",
       Letter(kStaff,
              {L"<EM>[Company name]</EM> is pleased to welcome <EM>[name]</EM>, who joins us as "
               L"<EM>[working title]</EM> on <EM>[starting date]</EM>.",
               L"Please take a moment to say hello and help make the first weeks a good start."},
              kTeam)},
      {kNew, L"company announcement",
       Letter(kStaff,
              {L"We would like to share the following news with all of you:",
               L"<EM>[announcement]</EM>", L"Thank you for your attention."},
              kTeam)},
      {kNew, L"company event",
       Letter(kStaff,
              {L"<EM>[Company or department]</EM> invites you to celebrate <EM>[occasion]</EM>.",
               L"The event takes place at <EM>[location]</EM> on <EM>[date]</EM>. Dress code: "
               L"<EM>[dress code]</EM>.",
               L"We look forward to seeing you there!"},
              kTeam)},
      {kNew, L"contact information request",
       Letter(kFullName,
              {L"To keep our records up to date, could you please send me your current contact "
               L"details?",
               L"E-mail: <EM>[e-mail]</EM><BR>Phone: <EM>[phone]</EM><BR>Address: "
               L"<EM>[address]</EM><BR>IM id: <EM>[IM id]</EM><BR>Other: <EM>[other]</EM>",
               L"Thank you for your help."},
              L"Kind Regards,<BR><EM>[your name and contact details]</EM>")},
      {kNew, L"contracts awarded",
       Letter(kStaff,
              {L"We are pleased to announce that the following contracts have been awarded to us:",
               L"<EM>[contract 1]</EM><BR><EM>[contract 2]</EM><BR><EM>[contract 3]</EM>",
               L"Thank you all for the hard work that made this possible."},
              kTeam)},
      {kNew, L"customer service survey",
       Letter(kFullName,
              {L"Your opinion matters to us. Please take a few minutes to answer our short "
               L"customer service survey at <EM>[where the survey is]</EM>.",
               L"Thank you for helping us serve you better."},
              kTeam)},
      {kNew, L"customer update - general news",
       L"<DIV>" + kFullName + kGap + L"Here is a short update on what is new:" + kGap +
           L"&nbsp;&nbsp;&nbsp;&nbsp;1. <EM>[topic 1]</EM><BR>"
           L"&nbsp;&nbsp;&nbsp;&nbsp;2. <EM>[topic 2]</EM><BR>"
           L"&nbsp;&nbsp;&nbsp;&nbsp;3. <EM>[topic 3]</EM>" +
           kGap + L"1. <EM>[topic 1]</EM><BR><EM>[text of topic 1]</EM>" + kGap +
           L"2. <EM>[topic 2]</EM><BR><EM>[text of topic 2]</EM>" + kGap +
           L"3. <EM>[topic 3]</EM><BR><EM>[text of topic 3]</EM>" + kGap + kMyName + L"</DIV>"},
      {kNew, L"follow up to our call",
       Letter(kFullName,
              {L"Thank you for taking the time to speak with me on <EM>[date]</EM>.",
               L"<EM>[message]</EM>", L"Please let me know if you have any questions."},
              kMyName)},
      {kNew, L"follow up to our meeting",
       Letter(kFullName,
              {L"Thank you for meeting with me at <EM>[location and time]</EM>.",
               L"<EM>[message]</EM>"},
              kMyName)},
      {kNew, L"press release",
       Letter(kFullName,
              {L"<EM>[Company or department]</EM> announces <EM>[topic]</EM>.",
               L"<EM>[the release]</EM>",
               L"For more information please contact <EM>[contact person]</EM>."},
              kMyName)},
      {kNew, L"promotion announcement",
       Letter(kFullName,
              {L"We are happy to tell you about <EM>[topic]</EM>.", L"<EM>[further details]</EM>"},
              kMyName)},
      {kNew, L"tanvelo registration",
       Letter(kFullName,
              {L"Thank you for registering for <EM>[list or service]</EM>. Your registration is "
               L"now complete.",
               L"Should you wish to cancel it, <EM>[cancellation instructions, for example: reply "
               L"with &#8220;unsubscribe&#8221; in the subject]</EM>."},
              kMyName)},
      {kNew, L"request for proposal",
       Letter(kFullName,
              {L"We invite you to submit a proposal for <EM>[matter of proposal]</EM>.",
               L"<EM>[details]</EM>", L"We look forward to receiving your proposal."},
              kMyName)},
      {kNew, L"thank you for the referral", ReferralThanks()},
      {kNew, L"while you were out",
       L"<P>" + kFullName + kGap + L"While you were <EM>[reason for absence]</EM>, here is what " +
           L"happened:" + kGap + L"<LI><EM>[topic 1]</EM></LI><LI><EM>[topic 2]</EM></LI>" +
           L"<LI><EM>[topic 3]</EM>" + kGap + L"It is nice to have you back!<BR>" +
           L"<EM>%MyName%</EM></LI></P>"},

      {kQuote, L"bank account information",
       Letter(kFullName,
              {L"As requested, here is our bank account information:",
               L"<EM>[the account information]</EM>"},
              kMyName)},
      {kQuote, L"directions to the office",
       Letter(kFullName,
              {L"Our office is at <EM>[address]</EM>.", L"<EM>[additional notes]</EM>",
               L"We look forward to your visit."},
              kMyName)},

      {kReply, L"directions to office from location",
       Letter(kFullName,
              {L"Here is how to reach our office from <EM>[start location]</EM>:",
               L"<EM>[directions]</EM>", L"For example: <EM>[example]</EM>"},
              kMyName)},
      {kReply, L"frequently asked questions",
       Letter(kFullName,
              {L"Thank you for your question. You will find the answer, and the answers to other "
               L"frequently asked questions, at <EM>[link or directions]</EM>."},
              kMyName)},
      {kReply, L"information request",
       Letter(
           kFullName,
           {L"Thank you for your interest in <EM>[subject]</EM>.", L"<EM>[further comments]</EM>"},
           kMyName)},
      {kReply, L"inquiry response",
       Letter(kFullName,
              {L"Thank you for your <EM>[kind of inquiry]</EM> about <EM>[topic]</EM>.",
               L"<EM>[response]</EM>"},
              kMyName)},
      {kReply, L"membership info request",
       Letter(kFullName,
              {L"Thank you for your interest in joining <EM>[club or society]</EM>. Our members "
               L"share an interest in <EM>[subjects of interest]</EM>.",
               L"We will gladly send you everything you need to become a member."},
              kMyName)},
      {kReply, L"new products & services information",
       Letter(kFullName,
              {L"Thank you for asking about <EM>[product or service]</EM>. Its main features are:",
               L"<EM>[its features]</EM>"},
              kMyName)},
      {kReply, L"thank you for the information",
       Letter(kFullName,
              {L"Thank you for the information on <EM>[topic]</EM>. With its help we "
               L"<EM>[achievement]</EM>."},
              kMyName)},
      {kReply, L"thank you for your order!",
       Letter(kFullName,
              {L"Thank you for your order of <EM>[product name]</EM>. We are preparing it and "
               L"will let you know as soon as it ships."},
              kMyName)},
      {kReply, L"thank you for your referral!", ReferralThanks()},
      {kReply, L"unsubscibe me",
       Letter(kFullName, {L"Please remove my address from <EM>[list or other]</EM>."},
              L"Thank you!<BR><EM>%MyName%</EM>")},
      {kReply, L"we received your resume",
       Letter(kFullName,
              {L"Thank you for your interest in <EM>[company name]</EM>. We have received your "
               L"resume and will review it carefully.",
               L"We will contact you when your qualifications match one of our openings."},
              kMyName)},
  };
}

}  // namespace

const std::vector<StandardTemplate>& StandardTemplateList() {
  static const std::vector<StandardTemplate> list = MakeList();
  return list;
}

std::wstring WrapPage(const std::wstring& fragment) {
  return L"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n"
         L"<HTML><HEAD><TITLE></TITLE>\r\n"
         L"<META http-equiv=Content-Type content=\"text/html; charset=us-ascii\">\r\n"
         L"<META content=\"MSHTML 6.00.2900.2627\" name=GENERATOR></HEAD>\r\n"
         L"<BODY>\r\n" +
         fragment + L"</BODY>\r\n</HTML>";
}

}  // namespace mStandardTemplates
