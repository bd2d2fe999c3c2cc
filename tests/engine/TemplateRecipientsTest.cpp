// A template's recipients copied onto a reply: one that does not resolve is left off, and named,
// so that the user learns whom the reply lacks.
#include "EngineTest.h"
#include "engine/mTanveloRoad.h"
#include "platform/outlook/Recipients.h"

using namespace mTanvelo;

namespace {
class TemplateRecipients : public EngineTest {};
}  // namespace

TEST_F(TemplateRecipients, AnUnresolvedOneIsLeftOffByName) {
  struct Case {
    std::vector<std::wstring> names;  // as typed on the template; "@" ones resolve
    int32_t copied;
    std::wstring unresolved;
  };
  const Case cases[] = {
      {{L"kim.roe@partner.example"}, 1, L""},
      {{L"Nobody Known", L"kim.roe@partner.example"}, 1, L"Nobody Known"},
      {{L"Nobody Known", L"kim.roe@partner.example", L"Anne Other"},
       1,
       L"Nobody Known, Anne Other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.names));
    auto tmpl = AddMail(templates, L"with recipients");
    for (const auto& name : c.names) {
      auto recipient = tmpl->Recipients()->Add(name);
      if (name.find(L'@') != std::wstring::npos) recipient->Resolve();
    }
    auto reply = AddMail(p.inbox, L"reply");
    std::wstring unresolved, refused;
    EXPECT_EQ(c.copied,
              CopyRecipients(*reply->Recipients(), *tmpl->Recipients(), unresolved, &refused));
    EXPECT_EQ(c.unresolved, unresolved);
    EXPECT_EQ(L"", refused);
  }
}
