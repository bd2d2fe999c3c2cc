#include "tests/engine_road/RoadTest.h"

#include <filesystem>

#include "dialogs/mForms.h"
#include "platform/addin/AttachmentDisk.h"
#include "tests/common/Log.h"

namespace {

const std::vector<std::wstring> kTokens = {L"%FirstName%", L"%To%"};

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

int RoadTest::OkOnly(const win32::ShownMessageBox& box) {
  if ((box.style & 0xF) != win32::MB_OK)
    throw win32::UnscriptedPrompt("question without a scripted answer: " + win32::ToAnsi(box.text));
  return win32::IDOK;
}

bool FakeJob::HasReplaces(const std::wstring& sEntryID, const std::wstring& StoreID) {
  if (world_.textUnread) vb::Raise(vb::kObjectVariableNotSet, L"held");
  // As the job does for a mail Outlook would not give: never taken for one without fields.
  if (world_.mailUnreached) vb::Raise(vb::kObjectVariableNotSet, L"the mail was not given");
  auto item = world_.session->GetItemFromID(sEntryID, StoreID);
  for (const auto& token : kTokens)
    if (item->Body().find(token) != std::wstring::npos ||
        item->Subject().find(token) != std::wstring::npos)
      return true;
  return false;
}

bool FakeJob::LoadReplaceValues(const std::wstring&, const std::wstring&, bool bWndOnTop,
                                bool bSilent, bool bIgnoreErrors) {
  world_.jobCalls.push_back(L"Load top=" + std::to_wstring(bWndOnTop) + L" silent=" +
                            std::to_wstring(bSilent) + L" ignore=" +
                            std::to_wstring(bIgnoreErrors));
  if (world_.contactUnread) vb::Raise(vb::kObjectVariableNotSet, L"held");
  return world_.loadAnswer;
}

bool FakeJob::DoReplace(const std::wstring& sEntryID, bool bLeaveEmptyReplacements,
                        bool& bWasEmptyProp, const std::wstring& StoreID, int32_t,
                        bool bSaveChanges, bool) {
  world_.jobCalls.push_back(L"Replace leave=" + std::to_wstring(bLeaveEmptyReplacements));
  if (++world_.replaces == world_.failReplaceAt) vb::Raise(5, L"the job failed");
  if (!world_.replaceAnswer) return false;
  auto item = world_.session->GetItemFromID(sEntryID, StoreID);
  std::wstring address;
  if (item->Recipients()->Count() > 0)
    if (auto entry = item->Recipients()->Item(1)->AddressEntry())
      address = entry->Type() == L"EX" ? entry->SmtpAddress() : entry->Address();
  auto found = world_.firstNames.find(outlook::Lower(address));
  std::wstring first = found == world_.firstNames.end() ? L"" : found->second;
  std::wstring to;
  for (const auto& r : *item->Recipients()) to += (to.empty() ? L"" : L"; ") + r->Name();
  auto fill = [&](std::wstring text) {
    for (const auto& [token, value] : {std::pair{kTokens[0], first}, std::pair{kTokens[1], to}}) {
      if (text.find(token) == std::wstring::npos) continue;
      if (value.empty()) bWasEmptyProp = true;
      if (!value.empty() || !bLeaveEmptyReplacements) text = Replace(text, token, value);
    }
    return text;
  };
  item->SetSubject(fill(item->Subject()));
  if (item->BodyFormat() == outlook::olFormatHTML)
    item->SetHTMLBody(fill(item->HTMLBody()));
  else
    item->SetBody(fill(item->Body()));
  if (bSaveChanges) item->Save();
  return true;
}

void RoadTest::Start(const std::wstring& version) {
  win32::ResetPlatform();
  resources::LoadModuleResources();
  redemption::Install();
  sandbox = std::make_unique<win32::files::TempSandbox>();
  addinhost::BindAttachmentsToDisk();
  g_sTempPath = L"C:\\Temp";
  p = outlook::BuildProfile({.version = version, .explorer = true});
  g_oApp = p.app;
  templates = p.root->Folders()->Add(L"Tanvelo Templates");
  g_oTemplatesFolder = templates;
  tvDrafts = p.drafts->Folders()->Add(L"Tanvelo Drafts");
  g_oDraftsFolder = tvDrafts;
  g_oLang = std::make_shared<CLang>();
  g_oLang->ItemSet(L"STR_SEND2_STOPPED", L"stopped: %d of %d");
  g_oLang->ItemSet(L"STR_SEND2_FILED_EMPTY", L"filed: %d in %s");
  g_oLang->ItemSet(L"STR_SEND2_FAILED", L"failed: nothing went out");
  g_oLang->ItemSet(L"STR_SEND2_NOT_SENT", L"not sent: waits in %s");
  g_oFrequentlyTemplates = std::make_shared<CFrequentlyTemplates>();

  // A box with only an OK button is acknowledged; every question needs a scripted answer.
  win32::msgbox::SetDefaultAnswerer(OkOnly);
  world = RoadWorld();
  world.session = p.session;
  world.firstNames = {{L"kim.roe@partner.example", L"Kim"}, {L"lee.ann@norvane.example", L"Lee"}};
  auto& s = mTanvelo::Services();
  s.CreateJob = [this] { return std::make_shared<FakeJob>(world); };
  s.ShowSelectTemplate = [this](std::wstring& id, int32_t& mode, int32_t mask, bool) {
    world.pickerAsked.push_back(id + L"|" + std::to_wstring(mode) + L"|" + std::to_wstring(mask));
    if (world.picker.empty()) throw win32::UnscriptedPrompt("template picker");
    PickerAnswer answer = world.picker.front();
    world.picker.pop_front();
    if (!answer.ok) return false;
    id = answer.entryId;
    mode = answer.mode;
    return true;
  };
  // The dialogs' own send question.
  s.AskSendMessages = mForms::AskSendMessages;
  s.ShowWait = [this] { world.waitShown = true; };
  s.HideWait = [this] { world.waitShown = false; };
  s.CloseWait = [this] { world.waitShown = false; };
}

void RoadTest::TearDown() {
  outlook::files::Bind(nullptr, nullptr);
  g_oFrequentlyTemplates.reset();
  g_oLang.reset();
  g_oTemplatesFolder.reset();
  g_oDraftsFolder.reset();
  g_oApp.reset();
}

ItemPtr RoadTest::AddTemplate(const std::wstring& subject, int32_t format, const std::wstring& body,
                              const FolderPtr& folder) {
  auto item = (folder ? folder : templates)->Items()->Add(outlook::olMailItem);
  item->SetSubject(subject);
  if (format == outlook::olFormatHTML)
    item->SetHTMLBody(body);
  else if (format == outlook::olFormatRichText)
    item->SetRTFBody(L"{\\rtf1\\ansi " + body + L"}");
  else
    item->SetBody(body);
  item->Save();
  return item;
}

void RoadTest::AddRecipient(const ItemPtr& item, const std::wstring& text, int32_t type) {
  auto r = item->Recipients()->Add(text);
  r->SetType(type);
  r->Resolve();
  item->Save();
}

std::shared_ptr<outlook::Attachment> RoadTest::AddAttachment(const ItemPtr& item,
                                                             const std::wstring& name,
                                                             const std::wstring& cid) {
  std::vector<uint8_t> bytes(name.begin(), name.end());
  auto a = item->Attachments()->AddData(name, bytes);
  if (!cid.empty()) {
    a->SetFields(outlook::PR_ATTACH_CONTENT_ID, cid);
    a->SetFields(outlook::PR_RENDERING_POSITION, -1);
  }
  item->Save();
  return a;
}

std::vector<ItemPtr> RoadTest::ItemsOf(const FolderPtr& folder) {
  return folder->Items()->All();
}

std::wstring RoadTest::Prop(const ItemPtr& item, const wchar_t* name) {
  auto property = item->UserProperties()->Find(name);
  return property ? property->Value() : L"<none>";
}

std::wstring RoadTest::Cid(const std::shared_ptr<outlook::Attachment>& attachment) {
  auto value = attachment->Fields(outlook::PR_ATTACH_CONTENT_ID);
  auto text = std::get_if<std::wstring>(&value);
  return text ? *text : L"";
}

std::vector<std::wstring> RoadTest::Boxes() {
  std::vector<std::wstring> texts;
  for (const auto& box : win32::msgbox::Shown()) texts.push_back(box.text);
  return texts;
}

bool RoadTest::Logged(const std::wstring& procedure, const std::wstring& text) {
  return text.empty() ? testlog::Logged(procedure) : testlog::LoggedContaining(procedure, text);
}

std::vector<std::string> RoadTest::FilesOnDisk() const {
  std::vector<std::string> found;
  auto drive = sandbox->Path() / "C";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(drive))
    found.push_back(std::filesystem::relative(entry.path(), drive).generic_string());
  return found;
}

int32_t RoadTest::Uses(const std::wstring& entryId, int32_t action) const {
  auto record = g_oFrequentlyTemplates->Templates().Find(entryId);
  if (!record) return 0;
  switch (action) {
    case 1:
      return record->nRepliesCount;
    case 2:
      return record->nRepliesAllCount;
    case 4:
      return record->nForwardsCount;
    default:
      return record->nNewsCount;
  }
}
