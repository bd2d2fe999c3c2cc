// The first start the host benchmarks begin with: the templates folder named, a template
// saved from a mail and made the default one, the Inbox shown again.
#pragma once

#include "host/Session.h"

namespace benchdata {

inline void FirstStartWithDefaultTemplate(host::Session& session) {
  for (const wchar_t* line :
       {L"answer frmReplyFolder enter", L"start", L"select \"Quarterly figures\"",
        L"answer box yes", L"ribbon click btnSaveAsTemplate", L"close",
        L"folder \"Tanvelo Templates\"", L"select \"Quarterly figures\"",
        L"ribbon click btnChangeDefaultSet", L"folder Inbox"})
    session.Run(line);
}

}  // namespace benchdata
