#include "core/LibVersionTexts.h"

#include "core/CLang.h"
#include "platform/vb/Error.h"

support::VersionTexts* OnLibGetVersionTexts(support::VersionTexts* texts) {
  // Nothing may raise back into the library.
  vb::Ignore([&] {
    if (!g_oLang || texts == nullptr) return;
    std::wstring comments = g_oLang->Item(L"LID_VI_COMMENTS");
    std::wstring description = g_oLang->Item(L"LID_VI_FILE_DESCRIPTION");
    std::wstring copyright = g_oLang->Item(L"LID_VI_LEGAL_COPYRIGHT");
    *texts = support::VersionTexts{description, comments, copyright};
  });
  vb::Err().Clear();
  return texts;
}
