// The job reads every contact folder once into an index; it must find, for each address, the
// contact the lookup by address finds when it searches the folders one address at a time:
// the default contacts folder first, then every contacts folder of every store depth first,
// the first contact of the first folder holding the address in any of its three slots,
// without regard to case. That lookup is written out plainly below and compared with the job
// on generated profiles.
#include <random>

#include "personalization/RL_CJob.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/Session.h"
#include "tests/personalization/PersonalizationTest.h"

using namespace ptest;

namespace {

using FolderPtr = std::shared_ptr<outlook::MAPIFolder>;
using ItemPtr = std::shared_ptr<outlook::Item>;

// The lookup by address, one folder at a time, through Redemption's table and restriction.
class PlainLookup {
 public:
  explicit PlainLookup(std::shared_ptr<outlook::NameSpace> session)
      : session_(std::move(session)) {}

  ItemPtr Find(const std::wstring& address) {
    auto defaultFolder = session_->GetDefaultFolder(outlook::olFolderContacts);
    if (auto found = InFolder(defaultFolder, address)) return found;
    auto stores = session_->Folders();
    for (int32_t i = 1; i <= stores->Count(); ++i)
      if (auto found = Walk(stores->Item(i), defaultFolder, address)) return found;
    return nullptr;
  }

 private:
  ItemPtr Walk(const FolderPtr& folder, const FolderPtr& defaultFolder,
               const std::wstring& address) {
    bool isDefault = folder->EntryID() == defaultFolder->EntryID() &&
                     folder->StoreID() == defaultFolder->StoreID();
    if (folder->Class() == 2 && folder->DefaultItemType() == outlook::olContactItem && !isDefault)
      if (auto found = InFolder(folder, address)) return found;
    auto subfolders = folder->Folders();
    for (int32_t i = 1; i <= subfolders->Count(); ++i)
      if (auto found = Walk(subfolders->Item(i), defaultFolder, address)) return found;
    return nullptr;
  }

  ItemPtr InFolder(const FolderPtr& folder, const std::wstring& address) {
    auto items = folder->Items()->Restrict(L"[MessageClass] = 'IPM.Contact'");
    auto first = items->GetFirst();
    if (!first) return nullptr;
    redemption::MAPIUtils utils;
    redemption::MAPITable table;
    table.SetItem(items);
    table.Filter().Clear();
    auto any = table.Filter().SetKind(redemption::RES_OR);
    for (int32_t id : {0x8083, 0x8093, 0x80A3}) {
      uint32_t tag = utils.GetIDsFromNames(first->MAPIOBJECT(),
                                           L"{00062004-0000-0000-C000-000000000046}", id, false);
      auto equal = any->Add(redemption::RES_PROPERTY);
      equal->relop = redemption::RELOP_EQ;
      equal->lpProp = address;
      equal->ulPropTag = (tag & 0xFFFF0000u) | 0x001E;
    }
    table.SetColumns({0x0FFF0102, 0x0037001E});
    if (!table.Filter().FindFirst(true)) return nullptr;
    auto row = table.GetRow();
    if (!row) return nullptr;
    return session_->GetItemFromID(utils.HrArrayToString((*row)[0]), folder->StoreID());
  }

  std::shared_ptr<outlook::NameSpace> session_;
};

class ContactLookup : public PersonalizationTest {
 protected:
  // Addresses as recipients give them (lower case), some beyond ASCII.
  const std::vector<std::wstring> pool{L"ann@x.example", L"bob@x.example", L"\u00E5sa@nord.example",
                                       L"cy@y.example",  L"dee@y.example", L"\u00E9mile@z.example"};

  // The same address in letters of random case.
  static std::wstring AnyCase(const std::wstring& address, std::mt19937& rng) {
    std::wstring out = address;
    for (auto& c : out)
      if (rng() % 2) c = vb::UpperChar(c);
    return out;
  }

  // A profile of contact folders (and a few others) in three stores, contacts sharing
  // addresses in every slot, case and folder; contacts named C0, C1...
  void Generate(std::mt19937& rng) {
    auto third = p.session->AddStore(L"Team");
    std::vector<FolderPtr> folders{p.contacts,
                                   p.root,
                                   p.inbox,
                                   p.secondRoot,
                                   p.secondStore->DefaultFolder(outlook::olFolderContacts),
                                   third->Root()};
    for (int n = 0, count = 3 + static_cast<int>(rng() % 5); n < count; ++n) {
      auto parent = folders[rng() % folders.size()];
      int32_t type = rng() % 5 == 0 ? outlook::olFolderInbox : outlook::olFolderContacts;
      folders.push_back(parent->Folders()->Add(L"F" + std::to_wstring(n), type));
    }
    for (int n = 0, count = 8 + static_cast<int>(rng() % 16); n < count; ++n) {
      auto c = folders[rng() % folders.size()]->Items()->Add(outlook::olContactItem);
      c->SetFullName(L"C" + std::to_wstring(n));
      for (int slot = 1; slot <= 3; ++slot)
        if (rng() % 2) c->SetEmailAddress(slot, AnyCase(pool[rng() % pool.size()], rng));
      if (rng() % 8 == 0) c->SetMessageClass(L"IPM.Contact.Vendor");  // not a plain contact
      c->Save();
    }
  }

  // What the job fills %FullName% with for each address: the contact's name, or the
  // recipient's display name ("N<k>") when it found none.
  std::vector<std::wstring> JobFinds(const std::vector<std::wstring>& addresses) {
    auto mail = Mail(L"s", L"%FullName%");
    for (size_t k = 0; k < addresses.size(); ++k)
      AddRecipient(mail, Smtp(L"N" + std::to_wstring(k), addresses[k]));
    mail->Save();
    auto job = lib->CreateJob();
    bool wasEmpty = false;
    EXPECT_TRUE(job->HasReplaces(mail->EntryID(), Store()));
    EXPECT_TRUE(job->LoadReplaceValues(mail->EntryID(), Store(), false, true, true));
    EXPECT_TRUE(job->DoReplace(mail->EntryID(), true, wasEmpty, Store(), 0, true, true));
    std::vector<std::wstring> names;
    std::wstring body = mail->Body();
    for (size_t start = 0;;) {
      size_t comma = body.find(L", ", start);
      names.push_back(body.substr(start, comma - start));
      if (comma == std::wstring::npos) break;
      start = comma + 2;
    }
    return names;
  }
};

}  // namespace

TEST_F(ContactLookup, TheIndexFindsWhatTheLookupByAddressFinds) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Start(L"14.0.0.4760");
    std::mt19937 rng(seed);
    Generate(rng);
    PlainLookup plain(p.session);
    std::vector<std::wstring> expected;
    for (size_t k = 0; k < pool.size(); ++k) {
      auto found = plain.Find(pool[k]);
      expected.push_back(found ? found->FullName() : L"N" + std::to_wstring(k));
    }
    // All recipients in one job, and each on its own.
    EXPECT_EQ(JobFinds(pool), expected);
    for (size_t k = 0; k < pool.size(); ++k) {
      bool found = expected[k][0] == L'C';
      EXPECT_EQ(JobFinds({pool[k]}), std::vector<std::wstring>{found ? expected[k] : L"N0"})
          << win32::ToAnsi(pool[k]);
    }
  }
}
