// The template picker's tree: folders, template rows read in bulk per folder, favourite copies
// under the root, node tags, the order of every level, and rebuilding one template's nodes.
#include <algorithm>
#include <string>
#include <vector>

#include "core/COptions.h"
#include "core/Main.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/frmSelectTemplate.h"
#include "engine/mTanvelo.h"
#include "hotkeys/CHotkeys.h"
#include "platform/outlook/Outlook.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/SafeItem.h"
#include "platform/redemption/Session.h"
#include "platform/vb/Runtime.h"

using DialogSupport::Need;
using namespace std::literals;

namespace {
constexpr int32_t kFolderImage = 1, kTemplateImage = 5, kAddressedTemplateImage = 6;
const wchar_t* const kNoteFilter = L"[MessageClass] = 'IPM.Note'";
const wchar_t* const kCommonPropertySet = L"{00062008-0000-0000-C000-000000000046}";
constexpr int32_t kMileageId = 0x8534;

const std::wstring& TextOf(const outlook::PropValue& value) {
  static const std::wstring kNoText;
  auto* text = std::get_if<std::wstring>(&value);
  return text ? *text : kNoText;
}
int32_t NumberOf(const outlook::PropValue& value) {
  auto* number = std::get_if<int32_t>(&value);
  return number ? *number : 0;
}
}  // namespace

// EntryIDs of one store begin alike: compared from their ends, they differ at once.
bool frmSelectTemplate::IsDefault(std::wstring_view sEntryID) const {
  return !sEntryID.empty() && sEntryID.size() == m_sDefaultID.size() &&
         std::equal(sEntryID.rbegin(), sEntryID.rend(), m_sDefaultID.rbegin());
}

void frmSelectTemplate::FillTree() {
  vb::Ignore([&] { treFolders->Nodes().Clear(); });
  vb::Ignore([&] { m_sDefaultID = Options().DefaultTemplateID(); });
  m_unlisted.clear();
  StartTimer();
  FillNode(g_oTemplatesFolder);
  LogElapsed(L"frmSelectTemplate::FillTree", L"");
  SortTree();
}

void frmSelectTemplate::NotListed(std::wstring_view procedure, const std::wstring& sFolder,
                                  std::wstring_view what) {
  LogError(procedure, vb::Err().Number(), vb::Err().Description(),
           L"the " + std::wstring(what) + L" of \"" + sFolder + L"\" were not listed");
  vb::Err().Clear();
  m_unlisted.push_back(sFolder);
}

void frmSelectTemplate::FillNode(const FolderPtr& folder, NodePtr node) {
  Trap(L"frmSelectTemplate::FillNode"sv, [&] {
    auto& nodes = treFolders->Nodes();
    Need(folder);
    std::wstring name;
    if (!node) {
      std::wstring id;
      // Outlook busy a moment must not leave the picker empty.
      if (!mTanvelo::Retried([&] {
            id = folder->EntryID();
            name = folder->Name();
          })) {
        NotListed(L"frmSelectTemplate::FillNode"sv, L"", L"templates");
        return;
      }
      node = nodes.Add({}, forms::tvwLast, id, name, kFolderImage);
      SetNodeFlags(node, true, false, false);
    } else {
      name = node->Text;
    }
    AddItems2Tree(node, folder);
    struct Subfolder {
      FolderPtr folder;
      std::wstring id, name;
    };
    std::vector<Subfolder> subfolders;
    if (!mTanvelo::Retried([&] {
          subfolders.clear();
          for (const auto& subfolder : folder->Folders()->All())
            subfolders.push_back({subfolder, subfolder->EntryID(), subfolder->Name()});
        })) {
      NotListed(L"frmSelectTemplate::FillNode"sv, name, L"subfolders");
      return;
    }
    for (auto& [subfolder, id, subname] : subfolders) {
      auto child = nodes.Add(node, forms::tvwChild, id, subname, kFolderImage);
      SetNodeFlags(child, true, false, false);
      FillNode(subfolder, child);
    }
  });
}

// One table per folder with exactly these columns: opening every item would cost a round
// trip per template.
void frmSelectTemplate::AddItems2Tree(const NodePtr& node, const FolderPtr& folder) {
  struct Row {
    std::wstring id, subject;
    bool hasRecipients, favorite;
  };
  std::vector<Row> rows;
  // Read whole before any node is added, so that a read asked again lists no template twice.
  bool read = mTanvelo::Retried([&] {
    rows.clear();
    auto items = Need(folder)->Items()->Restrict(kNoteFilter);
    if (items->Count() == 0) return;
    auto table = vb::CreateObject<redemption::MAPITable>(L"Redemption.MAPITable");
    auto utils = vb::CreateObject<redemption::MAPIUtils>(L"Redemption.MAPIUtils");
    uint32_t mileageTag =
        utils->GetIDsFromNames(items->Item(1), kCommonPropertySet, kMileageId) | 0x1E;
    table->SetItem(items);
    table->SetColumns({outlook::PR_ENTRYID, outlook::PR_SUBJECT, outlook::PR_FLAG_STATUS,
                       outlook::PR_DISPLAY_TO, outlook::PR_DISPLAY_CC, outlook::PR_DISPLAY_BCC,
                       outlook::PR_MESSAGE_CLASS, outlook::PR_MESSAGE_FLAGS, mileageTag});
    bool byFlag = GetAppVersion() < 12;
    table->GoToFirst();
    while (auto row = table->GetRow()) {
      const auto& v = *row;
      bool favorite = byFlag ? NumberOf(v[2]) == 2 : TextOf(v[8]) == L"1"sv;
      bool hasRecipients = !TextOf(v[3]).empty() || !TextOf(v[4]).empty() || !TextOf(v[5]).empty();
      if ((NumberOf(v[7]) & outlook::MSGFLAG_UNSENT) == 0) continue;
      rows.push_back({utils->HrArrayToString(v[0]), TextOf(v[1]), hasRecipients, favorite});
    }
  });
  if (!read) {
    std::wstring name;
    vb::Ignore([&] { name = Need(node)->Text; });
    NotListed(L"frmSelectTemplate::AddItems2Tree"sv, name, L"templates");
    return;
  }
  for (auto& row : rows) AddItem2Tree(node, row.id, row.subject, row.hasRecipients, row.favorite);
}

void frmSelectTemplate::AddItem2Tree(const NodePtr& node, const std::wstring& sEntryID,
                                     const std::wstring& sSubject, bool bHasRecipients,
                                     bool bFavorite) {
  Trap(L"frmSelectTemplate::AddItem2Tree"sv, [&] {
    auto& nodes = treFolders->Nodes();
    int32_t image = bHasRecipients ? kAddressedTemplateImage : kTemplateImage;
    std::wstring caption;
    GetTemplateCaption(sSubject, sEntryID, caption);
    // Only a favourite's caption is needed again, for its copy under the root.
    std::wstring copyCaption;
    if (bFavorite) {
      copyCaption.reserve(caption.capacity());
      copyCaption = caption;
    }
    auto added = nodes.Add(node, forms::tvwChild, TemplateKey(sEntryID), std::move(caption), image);
    added->Bold = IsDefault(sEntryID);
    SetNodeFlags(added, false, bFavorite, bHasRecipients);
    if (!bFavorite) return;
    // Keys are unique: the root's node is the one with the root's key.
    NodePtr root = nodes.All().front();
    if (Need(node) != root) {
      auto copy =
          nodes.Add(root, forms::tvwChild, CopyKey(sEntryID), std::move(copyCaption), image);
      copy->Bold = added->Bold;
      SetNodeFlags(copy, false, bFavorite, bHasRecipients);
    }
  });
}

void frmSelectTemplate::AddItem(const NodePtr& node, const ItemPtr& item) {
  Trap(L"frmSelectTemplate::AddItem"sv, [&] {
    if (!m_oSafeItem)
      m_oSafeItem = vb::CreateObject<redemption::SafeMailItem>(L"Redemption.SafeMailItem");
    m_oSafeItem->SetItem(Need(item));
    // Held a moment, asked again; still refused, the template is listed without its mark
    // rather than left out of the tree.
    bool hasRecipients = false;
    if (!mTanvelo::Retried([&] { hasRecipients = m_oSafeItem->Recipients()->Count() != 0; })) {
      LogError(L"frmSelectTemplate::AddItem"sv, vb::Err().Number(), vb::Err().Description(),
               L"whether \"" + item->Subject() + L"\" has recipients was not read");
      vb::Err().Clear();
    }
    m_oSafeItem->SetItem(nullptr);
    bool favorite = mTanvelo::IsFavoriteTemplate(item);
    AddItem2Tree(node, item->EntryID(), item->Subject(), hasRecipients, favorite);
  });
}

void frmSelectTemplate::GetTemplateCaption(const std::wstring& sSubject,
                                           const std::wstring& sEntryID, std::wstring& sCaption) {
  sCaption.clear();
  sCaption.reserve(sSubject.size() + 1);  // and SortTree's rank letter
  sCaption += sSubject;
  int32_t position = 0;
  if (auto hotkey = Hotkeys().FindByTemplate(sEntryID, position))
    sCaption += L" (" + hotkey->DisplayKeyName() + L")";
}

// Every level lists the default template (when it is a favourite), the other favourites, the
// other templates and then the subfolders. The control sorts by text, so each text gets a rank
// letter for the sort; the letters are taken off again whatever happens, so no rank is ever
// shown. Captions keep room for the letter, so that the texts change in place.
void frmSelectTemplate::SortTree() {
  auto& nodes = treFolders->Nodes();
  size_t ranked = 0;  // Nodes keeps its own order while levels are sorted
  Trap(L"frmSelectTemplate::SortTree"sv, [&] {
    struct TakeRanksOff {
      const forms::Nodes& nodes;
      const size_t& ranked;
      ~TakeRanksOff() {
        const auto& all = nodes.All();
        for (size_t i = 0; i < ranked && i < all.size(); ++i) all[i]->Text.erase(0, 1);
      }
    } takeOff{nodes, ranked};
    m_sDefaultID = Options().DefaultTemplateID();
    for (const auto& node : nodes.All()) {
      bool folder = true, favorite = false, hasRecipients = false;
      GetNodeFlags(node, folder, favorite, hasRecipients);
      wchar_t rank = folder ? L'9'
                     : favorite
                         ? (IsDefault(std::wstring_view(node->Key()).substr(1)) ? L'0' : L'1')
                         : L'8';
      node->Text.insert(node->Text.begin(), rank);
      ++ranked;
    }
    treFolders->SetSorted(true);
    for (const auto& node : nodes.All())
      if (node->Children() > 0) node->SetSorted(true);
  });
}

void frmSelectTemplate::GetNodeFlags(const NodePtr& node, bool& bFolder, bool& bFavorite,
                                     bool& bHasRecipients) {
  vb::Ignore([&] {
    std::wstring_view tag = Need(node)->Tag;
    // The tag is "folder;favourite;recipients", each "1" or "0".
    std::wstring_view parts[3];
    size_t count = 1;
    for (size_t start = 0, at = 0;; ++at) {
      if (at < tag.size() && tag[at] != L';') continue;
      parts[count - 1] = tag.substr(start, at - start);
      if (at == tag.size() || count == 3) break;
      start = at + 1;
      ++count;
    }
    auto isOne = [](std::wstring_view part) { return part.size() == 1 && part[0] == L'1'; };
    bFolder = tag.empty() || isOne(parts[0]);
    bFavorite = count > 1 && isOne(parts[1]);
    bHasRecipients = count > 2 && isOne(parts[2]);
  });
}

void frmSelectTemplate::SetNodeFlags(const NodePtr& node, bool bFolder, bool bFavorite,
                                     bool bHasRecipients) {
  vb::Ignore([&] {
    auto flag = [](bool b) { return b ? L'1' : L'0'; };
    Need(node)->Tag = {flag(bFolder), L';', flag(bFavorite), L';', flag(bHasRecipients)};
  });
}

void frmSelectTemplate::IsFavoriteNode(const NodePtr& node, bool& bFavorite) {
  bool folder = true, hasRecipients = false;
  bFavorite = false;
  GetNodeFlags(node, folder, bFavorite, hasRecipients);
}

void frmSelectTemplate::ReloadItem(const std::wstring& sEntryID, bool bSelect,
                                   std::wstring sFormerEntryID) {
  if (sFormerEntryID.empty()) sFormerEntryID = sEntryID;
  Trap(L"frmSelectTemplate::ReloadItem"sv, [&] {
    auto& nodes = treFolders->Nodes();
    m_sDefaultID = Options().DefaultTemplateID();
    bool copySelected = false;
    vb::Ignore([&] { copySelected = nodes.Item(CopyKey(sFormerEntryID))->Selected(); });
    vb::Ignore([&] { nodes.Remove(CopyKey(sFormerEntryID)); });
    vb::Ignore([&] { nodes.Remove(TemplateKey(sFormerEntryID)); });
    if (auto item = mTanvelo::GetTemplate(sEntryID)) {
      AddItem(nodes.Item(item->Parent()->EntryID()), item);
      SortTree();
    }
    if (bSelect) {
      NodePtr node;
      if (copySelected) vb::Ignore([&] { node = nodes.Item(CopyKey(sEntryID)); });
      if (!node) node = nodes.Item(TemplateKey(sEntryID));
      node->SetSelected(true);
      node->EnsureVisible();
    }
  });
}

void frmSelectTemplate::UpdateHotkeyCaptions(const std::wstring& sEntryID) {
  auto& nodes = treFolders->Nodes();
  auto item = mTanvelo::GetTemplate(sEntryID);
  for (const wchar_t* kind : {L"F", L"N"}) {
    vb::Ignore([&] {
      if (!item) {
        nodes.Remove(kind + sEntryID);
        return;
      }
      std::wstring caption;
      GetTemplateCaption(item->Subject(), sEntryID, caption);
      nodes.Item(kind + sEntryID)->Text = caption;
    });
  }
}

void frmSelectTemplate::GetNonClientSize(int32_t& nWidth, int32_t& nHeight) {
  win32::RECT window, client;
  win32::GetWindowRect(hWnd(), &window);
  win32::GetClientRect(hWnd(), &client);
  nWidth =
      ((window.right - window.left) - (client.right - client.left)) * vb::Screen().TwipsPerPixelX;
  nHeight =
      ((window.bottom - window.top) - (client.bottom - client.top)) * vb::Screen().TwipsPerPixelY;
}

void frmSelectTemplate::AddWindowStyle(win32::HWND hwnd, int32_t nBits) {
  win32::SetWindowLongA(hwnd, win32::GWL_STYLE,
                        win32::GetWindowLongA(hwnd, win32::GWL_STYLE) | nBits);
}

void frmSelectTemplate::ChangeWindowExStyle(win32::HWND hwnd, int32_t nAdd, int32_t nRemove) {
  int32_t style = win32::GetWindowLongA(hwnd, win32::GWL_EXSTYLE);
  win32::SetWindowLongA(hwnd, win32::GWL_EXSTYLE, (style | nAdd) & ~nRemove);
}
