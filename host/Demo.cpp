#include "host/Program.h"

namespace host {

const std::vector<std::wstring>& DemoScript() {
  static const std::vector<std::wstring> kDemo = {
      L"# Outlook 2010 starts for the first time with Tanvelo; it asks where the templates go.",
      L"answer frmReplyFolder enter",
      L"start",
      L"show folder Inbox",
      L"# Kim Roe wrote to Pat, with Lee Ann in copy.",
      L"select \"Quarterly figures\"",
      L"show mail",
      L"expect ribbon btnReplyAllWith label is \"Reply to all\"",
      L"# Reply to all with a template: the picker opens; Pat picks a sample template and",
      L"# separate mails, one per recipient, each with its own greeting.",
      L"answer frmSelectTemplate node treFolders \"Tanvelo Templates/Standard Templates/Reply "
      L"Templates/thank you for the information\"; choose optSeparateMails; click btnOK",
      L"# Send them now rather than keep them as drafts.",
      L"answer box no",
      L"ribbon click btnReplyAllWithSub",
      L"expect box \"Keep the personalized messages\"",
      L"folder Outbox",
      L"expect folder Outbox count 2",
      L"select #1",
      L"show mail",
      L"expect mail to is \"Kim Roe\"",
      L"expect mail body has \"Dear Kim Roe,\"",
      L"select #2",
      L"show mail",
      L"expect mail cc is \"Lee Ann\"",
      L"expect mail body has \"Dear Lee Ann,\"",
      L"quit",
  };
  return kDemo;
}

std::string DemoTitle() {
  return "The demo: Outlook 2010 with Tanvelo replies to all from a template picked in the "
         "picker, as one personalized mail per recipient, and sends them.";
}

std::string DemoSummary() {
  return "Demo done: one template made two mails, to Kim Roe and to Lee Ann, each with its own "
         "greeting, both sent.\n"
         "Next: build/host/tanvelo-outlook for the prompt (`help` lists the commands), or a "
         "script of the lines above; tests/scenarios/ holds more.";
}

}  // namespace host
