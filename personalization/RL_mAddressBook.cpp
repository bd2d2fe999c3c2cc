#include "personalization/RL_mAddressBook.h"

#include <algorithm>

#include "core/Main.h"
#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Recipients.h"
#include "platform/vb/Runtime.h"

namespace RL_mAddressBook {
namespace {

constexpr uint32_t PR_ADDRTYPE = 0x3002001E;
constexpr uint32_t PR_SMTP_ADDRESS = 0x39FE001E;

// The lists being opened, outermost first. A list met again on this path contains itself,
// directly or through another list, and is not opened again.
using Path = std::vector<const outlook::AddressEntry*>;

std::shared_ptr<outlook::AddressEntries> ListMembers(const outlook::AddressEntry& entry) {
  auto members = entry.Members();
  return members && members->Count() > 0 ? members : nullptr;
}

bool EntersCycle(const outlook::AddressEntry& entry, const Path& path, const wchar_t* procedure) {
  if (std::find(path.begin(), path.end(), &entry) == path.end()) return false;
  LogWarning(procedure, L"distribution list '" + entry.Name() + L"' contains itself, skipped");
  return true;
}

int32_t Extract(const std::shared_ptr<outlook::AddressEntry>& entry, RL_Recipients& collection,
                bool bSmtp, Path& path) {
  if (auto members = ListMembers(*entry)) {
    if (EntersCycle(*entry, path, L"RL_mAddressBook::ExtractFromAE")) return 0;
    path.push_back(entry.get());
    int32_t n = 0;
    for (const auto& member : *members) n += Extract(member, collection, bSmtp, path);
    path.pop_back();
    return n;
  }
  bool bLog = true;
  std::wstring address = bSmtp ? SafeGetSmtpAddress(entry, bLog) : entry->Address();
  collection.push_back({vb::Trim(entry->Name()), vb::Trim(address), 0});
  return 1;
}

int32_t CountLeaves(const std::shared_ptr<outlook::AddressEntry>& entry, Path& path) {
  auto members = ListMembers(*entry);
  if (!members) return 1;
  if (EntersCycle(*entry, path, L"RL_mAddressBook::CountRecipientEntries")) return 0;
  path.push_back(entry.get());
  int32_t n = 0;
  for (const auto& member : *members) n += CountLeaves(member, path);
  path.pop_back();
  return n;
}

}  // namespace

int32_t ExtractFromAE(const std::shared_ptr<outlook::AddressEntry>& entry,
                      RL_Recipients& collection, bool bSmtp) {
  return TrapOr(L"RL_mAddressBook::ExtractFromAE", 0, [&] {
    if (!entry) vb::Raise(vb::kObjectVariableNotSet);
    Path path;
    return Extract(entry, collection, bSmtp, path);
  });
}

int32_t ExtractRecipient(const std::shared_ptr<outlook::Recipient>& recipient,
                         RL_Recipients& collection, bool bSmtp) {
  return TrapOr(L"RL_mAddressBook::ExtractRecipient", 0, [&] {
    if (!recipient) vb::Raise(vb::kObjectVariableNotSet);
    int32_t n = ExtractFromAE(recipient->AddressEntry(), collection, bSmtp);
    int32_t type = recipient->Type();
    for (size_t i = collection.size() - static_cast<size_t>(n); i < collection.size(); ++i)
      collection[i].nType = type;
    return n;
  });
}

int32_t HeldCount(const outlook::Recipients& recipients) {
  int32_t count = 0;
  Held([&] { count = recipients.Count(); });
  return count;
}

int32_t CollectRecipients(const std::shared_ptr<outlook::Recipients>& recipients,
                          RL_Recipients& collection, bool bSmtp) {
  // Refused past its tries, raised: an empty collection would be taken for no recipients.
  const int32_t count = HeldCount(*recipients);
  vb::Ignore([&] {
    for (int32_t i = 1; i <= count; ++i) ExtractRecipient(recipients->Item(i), collection, bSmtp);
  });
  vb::Err().Clear();
  return static_cast<int32_t>(collection.size());
}

int32_t CountRecipientEntries(const std::shared_ptr<outlook::Recipients>& recipients) {
  int32_t count = 0;
  const int32_t n = HeldCount(*recipients);
  vb::Ignore([&] {
    for (int32_t i = 1; i <= n; ++i) {
      auto entry = recipients->Item(i)->AddressEntry();
      if (!entry) continue;
      Path path;
      count += CountLeaves(entry, path);
    }
  });
  vb::Err().Clear();
  return count;
}

bool ExpandRecipients(const std::shared_ptr<outlook::Recipients>& recipients) {
  constexpr const wchar_t* kProc = L"RL_mAddressBook::ExpandRecipients";
  bool replaced = false;
  for (int32_t i = HeldCount(*recipients); i >= 1; --i) {
    auto list = recipients->Item(i);
    if (!list->Resolved()) {
      LogError(kProc, 0, L"Recipient not resolved");
      continue;
    }
    auto entry = list->AddressEntry();
    if (!entry || !ListMembers(*entry)) continue;
    // A list left beside some of its members would get its own copy, one message to all of
    // them: what was added goes again and the caller stops.
    std::vector<std::shared_ptr<outlook::Recipient>> added;
    if (!vb::Catch([&] {
          RL_Recipients members;
          ExtractRecipient(list, members, true);
          for (const auto& member : members) {
            // "Name <>" would resolve by the name alone, possibly to someone else.
            if (member.Email.empty()) {
              LogWarning(kProc, L"member without address left out - '" + member.Name + L"' of '" +
                                    list->Name() + L"'");
              continue;
            }
            std::wstring text = member.Name.find(L'@') != std::wstring::npos
                                    ? member.Email
                                    : member.Name + L" <" + member.Email + L">";
            // One recipient across the tries: a try refused after the Add must not add twice.
            std::shared_ptr<outlook::Recipient> one;
            Held([&] {
              if (!one) added.push_back(one = recipients->Add(text));
              one->SetType(list->Type());
              one->Resolve();
            });
          }
          // A list none of whose members could be added stays, rather than vanish from the mail.
          if (!added.empty()) Held([&] { list->Delete(); });
        })) {
      const int32_t number = vb::Err().Number();
      const std::wstring description = vb::Err().Description();
      std::wstring name;
      vb::Ignore([&] { name = list->Name(); });
      for (const auto& one : added) vb::Ignore([&] { Held([&] { one->Delete(); }); });
      vb::Err().Clear();
      vb::Raise(number, L"the distribution list '" + name +
                            L"' could not be replaced by its members: " + description);
    }
    if (!added.empty()) replaced = true;
  }
  return replaced;
}

std::wstring SafeGetSmtpAddress(const SmtpSource& entry, bool& bLog) {
  std::wstring address;
  vb::Ignore([&] {
    address = entry.Address();
    if (isEmailAddress(address)) return;
    outlook::PropValue typeValue = entry.Fields(PR_ADDRTYPE);
    std::wstring type;
    if (auto* text = std::get_if<std::wstring>(&typeValue)) type = *text;
    if (type == L"SMTP") return;
    if (type == L"EX") {
      outlook::PropValue smtp = entry.Fields(PR_SMTP_ADDRESS);
      auto* text = std::get_if<std::wstring>(&smtp);
      address = text ? *text : L"";
      return;
    }
    if (bLog)
      LogError(L"RL_mAddressBook::SafeGetSmtpAddress", 0,
               L"strType = '" + type + L"' oSafeEntry.Address = '" + address + L"'");
  });
  vb::Err().Clear();
  return vb::LCase(address);
}

std::wstring SafeGetSmtpAddress(const std::shared_ptr<outlook::AddressEntry>& entry, bool& bLog) {
  if (!entry) return L"";
  return SafeGetSmtpAddress(
      {[&] { return entry->Address(); }, [&](uint32_t tag) { return entry->Fields(tag); }}, bLog);
}

bool isEmailAddress(const std::wstring& text) {
  size_t at = text.find(L'@');
  if (at == std::wstring::npos || at == 0) return false;
  size_t dot = text.find(L'.', at);
  return dot != std::wstring::npos && dot > at + 1 && dot + 1 < text.size();
}

}  // namespace RL_mAddressBook
