#include "platform/office/Ribbon.h"

#include <algorithm>
#include <pugixml.hpp>
#include <set>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Faults.h"

namespace office {
namespace {

// Tests look at the last calls only: a long session keeps the most recent ones, so the record
// does not grow with every window opened.
constexpr size_t kKeptCalls = 4096;

void Record(std::vector<RibbonHost::Call>& calls, RibbonHost::Call call) {
  if (calls.size() >= 2 * kKeptCalls)
    calls.erase(calls.begin(), calls.end() - static_cast<std::ptrdiff_t>(kKeptCalls));
  calls.push_back(std::move(call));
}

const wchar_t* const kNamespaces[] = {L"http://schemas.microsoft.com/office/2006/01/customui",
                                      L"http://schemas.microsoft.com/office/2009/07/customui"};

// The attributes that name callbacks of controls, in the order a drawing asks them, with the
// shape of member each one needs (the index in RibbonMember).
struct CallbackKind {
  const wchar_t* attribute;
  size_t shape;
};
constexpr CallbackKind kAsked[] = {{L"getVisible", 2},
                                   {L"getEnabled", 2},
                                   {L"getLabel", 3},
                                   {L"getScreentip", 4},
                                   {L"getImage", 5}};
constexpr CallbackKind kAction{L"onAction", 1};
constexpr CallbackKind kLoad{L"onLoad", 0};

std::wstring Wide(const char* utf8) {
  return win32::MultiByteToWide(win32::CP_UTF8, utf8);
}

std::wstring LocalName(const std::wstring& name) {
  size_t colon = name.find(L':');
  return colon == std::wstring::npos ? name : name.substr(colon + 1);
}

// What Office's schema lets each modelled element carry; Office refuses a whole document with an
// attribute its schema does not declare, so a misspelt callback attribute never loads.
using Names = std::set<std::wstring>;
const Names kInsert{L"insertAfterMso", L"insertBeforeMso", L"insertAfterQ", L"insertBeforeQ"};
Names With(Names base, const Names& more) {
  base.insert(more.begin(), more.end());
  return base;
}
const Names kTab = With(kInsert, {L"id", L"idQ", L"idMso", L"tag", L"label", L"getLabel",
                                  L"visible", L"getVisible", L"keytip", L"getKeytip"});
const Names kGroup = With(kTab, {L"image", L"imageMso", L"getImage", L"screentip", L"getScreentip",
                                 L"supertip", L"getSupertip", L"autoScale", L"centerVertically"});
const Names kMenu = With(
    kGroup, {L"enabled", L"getEnabled", L"showLabel", L"getShowLabel", L"showImage",
             L"getShowImage", L"size", L"getSize", L"description", L"getDescription", L"itemSize"});
const Names kButton = With(kMenu, {L"onAction"});
const Names kSeparator = With(kInsert, {L"id", L"idQ", L"tag", L"title", L"getTitle"});
const Names kNone{};
const Names kRoot{L"xmlns", L"onLoad", L"loadImage"};
const Names kRibbon{L"startFromScratch"};

// The modelled elements with their attributes; `needsId` for controls the schema requires an id of.
struct ElementKind {
  const wchar_t* name;
  const Names* attributes;
  bool needsId;
};
const ElementKind kElements[] = {
    {L"ribbon", &kRibbon, false}, {L"tabs", &kNone, false},
    {L"tab", &kTab, true},        {L"group", &kGroup, true},
    {L"button", &kButton, true},  {L"splitButton", &kMenu, true},
    {L"menu", &kMenu, true},      {L"menuSeparator", &kSeparator, false},
};

const ElementKind* KindOf(const std::wstring& name) {
  for (const auto& kind : kElements)
    if (name == kind.name) return &kind;
  return nullptr;
}

}  // namespace

class RibbonDocument : public IRibbonUI, public std::enable_shared_from_this<RibbonDocument> {
 public:
  struct ControlNode {
    std::wstring id, kind;
    int parent = -1;
    bool inMenu = false;
    std::map<std::wstring, std::wstring> attributes;
    std::map<std::wstring, std::pair<std::wstring, RibbonMember>> bound;  // attribute -> member
  };

  RibbonHost* host = nullptr;
  std::wstring ribbonId;
  std::vector<ControlNode> controls;
  std::vector<std::weak_ptr<RibbonWindow>> windows;

  int Find(const std::wstring& id) const {
    for (size_t i = 0; i < controls.size(); ++i)
      if (controls[i].id == id) return static_cast<int>(i);
    return -1;
  }

  void Invalidate() override {
    for (auto& w : windows)
      if (auto window = w.lock())
        for (auto& a : window->answers_) a.fresh = false;
  }

  void InvalidateControl(const std::wstring& id) override {
    int index = Find(id);
    if (index < 0) return;
    for (auto& w : windows)
      if (auto window = w.lock()) window->answers_[static_cast<size_t>(index)].fresh = false;
  }

  void ActivateTab(const std::wstring& id) override {
    int index = Find(id);
    if (index < 0 || controls[static_cast<size_t>(index)].kind != L"tab") return;
    for (auto& w : windows)
      if (auto window = w.lock()) window->activeTab_ = id;
  }

  void Error(const std::wstring& text) { host->errors_.push_back(ribbonId + L": " + text); }

  // Runs a call into the add-in; what it raises is reported, never passed on to the host. A
  // test's unscripted prompt or refused action still ends the test.
  template <class F>
  bool Guard(const std::wstring& what, F&& call) {
    win32::faults::AddinCode callback;
    try {
      call();
      return true;
    } catch (const win32::UnscriptedPrompt&) {
      throw;
    } catch (const vb::Error& e) {
      Error(what + L" raised " + std::to_wstring(e.Number()) + L" " + e.Description());
    } catch (const std::exception& e) {
      Error(what + L" failed: " + Wide(e.what()));
    }
    return false;
  }

  // Reports what cannot be bound and leaves it unbound; false when the XML cannot be used.
  bool Load(const std::wstring& xml, const RibbonMembers& members, RibbonMember* onLoad,
            std::wstring* onLoadName) {
    pugi::xml_document doc;
    auto parsed = doc.load_string(win32::WideToMultiByte(win32::CP_UTF8, xml).c_str());
    if (!parsed) {
      Error(L"the XML does not load: " + Wide(parsed.description()));
      return false;
    }
    // The walk below recurses: nesting no ribbon has is refused before it can exhaust the stack.
    struct DepthWalker : pugi::xml_tree_walker {
      bool for_each(pugi::xml_node&) override { return depth() < 64; }
    } walker;
    if (!doc.traverse(walker)) {
      Error(L"the XML nests its elements deeper than 64 levels");
      return false;
    }
    pugi::xml_node root = doc.document_element();
    std::wstring ns = Wide(root.attribute("xmlns").value());
    if (LocalName(Wide(root.name())) != L"customUI" ||
        (ns != kNamespaces[0] && ns != kNamespaces[1])) {
      Error(L"the root is not a customUI element of the custom UI namespace");
      return false;
    }
    for (pugi::xml_attribute a : root.attributes()) {
      std::wstring name = Wide(a.name());
      if (name.rfind(L"xmlns:", 0) != 0 && !kRoot.count(name)) {
        Error(L"customUI does not allow the attribute " + name);
        return false;
      }
    }
    if (auto name = Wide(root.attribute("onLoad").value()); !name.empty()) {
      std::pair<std::wstring, RibbonMember> member;
      if (Bind(L"customUI", kLoad, name, members, &member)) {
        *onLoad = member.second;
        *onLoadName = name;
      }
    }
    return Walk(root, -1, false, members);
  }

 private:
  bool Bind(const std::wstring& id, const CallbackKind& kind, const std::wstring& name,
            const RibbonMembers& members, std::pair<std::wstring, RibbonMember>* bound) {
    // Late binding finds a member by name whatever its letter case.
    auto it = members.find(name);
    if (it == members.end())
      it = std::find_if(members.begin(), members.end(),
                        [&](const auto& m) { return vb::LCase(m.first) == vb::LCase(name); });
    if (it == members.end()) {
      Error(L"'" + id + L"' names the callback " + kind.attribute + L"=\"" + name +
            L"\", which the add-in does not have");
      return false;
    }
    if (it->second.index() != kind.shape) {
      Error(L"'" + id + L"': the member " + name + L" does not have the shape of " +
            kind.attribute);
      return false;
    }
    *bound = {name, it->second};
    return true;
  }

  bool Walk(const pugi::xml_node& node, int parent, bool inMenu, const RibbonMembers& members) {
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      std::wstring kind = LocalName(Wide(child.name()));
      const ElementKind* known = KindOf(kind);
      if (!known) {
        Error(L"the element " + kind + L" is not one the host knows");
        return false;
      }
      std::wstring id = Wide(child.attribute("id").value());
      if (id.empty()) id = Wide(child.attribute("idMso").value());
      if (id.empty()) id = Wide(child.attribute("idQ").value());
      for (pugi::xml_attribute a : child.attributes())
        if (!known->attributes->count(Wide(a.name()))) {
          Error(L"'" + id + L"': " + kind + L" does not allow the attribute " + Wide(a.name()));
          return false;
        }
      if (known->needsId && id.empty()) {
        Error(L"a " + kind + L" has no id");
        return false;
      }
      int here = parent;
      if (!id.empty()) {
        if (Find(id) >= 0) {
          Error(L"the id '" + id + L"' is used twice");
          return false;
        }
        ControlNode control{id, kind, parent, inMenu, {}, {}};
        for (pugi::xml_attribute a : child.attributes())
          control.attributes[Wide(a.name())] = Wide(a.value());
        for (const CallbackKind* k = kAsked; k != std::end(kAsked); ++k)
          if (auto name = control.attributes[k->attribute]; !name.empty()) {
            std::pair<std::wstring, RibbonMember> member;
            if (Bind(id, *k, name, members, &member)) control.bound[k->attribute] = member;
          }
        if (auto name = control.attributes[kAction.attribute]; !name.empty()) {
          std::pair<std::wstring, RibbonMember> member;
          if (Bind(id, kAction, name, members, &member)) control.bound[kAction.attribute] = member;
        }
        controls.push_back(std::move(control));
        here = static_cast<int>(controls.size()) - 1;
      }
      if (!Walk(child, here, inMenu || kind == L"menu", members)) return false;
    }
    return true;
  }
};

// --- RibbonWindow -----------------------------------------------------------------------------
void RibbonWindow::Ask(size_t index) {
  auto& node = document_->controls[index];
  RibbonHost& host = *document_->host;
  Answers a;
  a.visible = node.attributes[L"visible"] != L"false";
  a.enabled = node.attributes[L"enabled"] != L"false";
  a.label = node.attributes[L"label"];
  a.screentip = node.attributes[L"screentip"];
  IRibbonControl control(node.id, context_, node.attributes[L"tag"]);
  for (const CallbackKind& kind : kAsked) {
    auto it = node.bound.find(kind.attribute);
    if (it == node.bound.end()) continue;
    Record(host.calls_, {kind.attribute, it->second.first, node.id});
    const RibbonMember& m = it->second.second;
    std::wstring attribute = kind.attribute;
    // A failed call leaves the control as the XML alone describes it.
    Answers asked = a;
    bool answered = document_->Guard(L"'" + node.id + L"': " + attribute, [&] {
      if (attribute == L"getVisible") std::get<RibbonGetBool>(m)(control, asked.visible);
      if (attribute == L"getEnabled") std::get<RibbonGetBool>(m)(control, asked.enabled);
      if (attribute == L"getLabel") std::get<RibbonGetLabel>(m)(control, asked.label);
      if (attribute == L"getScreentip") asked.screentip = std::get<RibbonGetText>(m)(control);
      if (attribute == L"getImage") asked.image = std::get<RibbonGetImage>(m)(control);
    });
    if (answered) a = std::move(asked);
  }
  a.fresh = true;
  answers_[index] = std::move(a);
}

void RibbonWindow::Draw() {
  for (size_t i = 0; i < answers_.size(); ++i)
    if (!document_->controls[i].inMenu && !answers_[i].fresh) Ask(i);
}

void RibbonWindow::OpenMenu(const std::wstring& menuId) {
  int menu = document_->Find(menuId);
  if (menu < 0) return;
  for (size_t i = 0; i < answers_.size(); ++i)
    if (document_->controls[i].parent == menu && !answers_[i].fresh) Ask(i);
}

void RibbonWindow::Click(const std::wstring& id) {
  int index = document_->Find(id);
  if (index < 0) throw ActionRefused(win32::ToAnsi(L"ribbon click on unknown control " + id));
  Draw();
  std::vector<int> chain;
  for (int i = index; i >= 0; i = document_->controls[static_cast<size_t>(i)].parent)
    chain.insert(chain.begin(), i);
  for (int i : chain)
    if (document_->controls[static_cast<size_t>(i)].kind == L"menu")
      OpenMenu(document_->controls[static_cast<size_t>(i)].id);
  if (!Visible(id) || !Enabled(id))
    throw ActionRefused(win32::ToAnsi(L"ribbon click on " + id + L" refused: " +
                                      (Visible(id) ? L"disabled" : L"hidden")));
  auto& node = document_->controls[static_cast<size_t>(index)];
  auto it = node.bound.find(kAction.attribute);
  if (it == node.bound.end()) return;
  Record(document_->host->calls_, {kAction.attribute, it->second.first, id});
  document_->Guard(L"'" + id + L"': onAction", [&] {
    std::get<RibbonOnAction>(it->second.second)(
        IRibbonControl(id, context_, node.attributes[L"tag"]));
  });
}

bool RibbonWindow::Has(const std::wstring& id) const {
  return document_->Find(id) >= 0;
}

const RibbonWindow::Answers& RibbonWindow::AnswersOf(const std::wstring& id) const {
  int index = document_->Find(id);
  if (index < 0) vb::Raise(5, L"no ribbon control " + id);
  return answers_[static_cast<size_t>(index)];
}

bool RibbonWindow::Visible(const std::wstring& id) const {
  for (int i = document_->Find(id); i >= 0; i = document_->controls[static_cast<size_t>(i)].parent)
    if (!answers_[static_cast<size_t>(i)].visible) return false;
  return document_->Find(id) >= 0;
}

bool RibbonWindow::Enabled(const std::wstring& id) const {
  for (int i = document_->Find(id); i >= 0; i = document_->controls[static_cast<size_t>(i)].parent)
    if (!answers_[static_cast<size_t>(i)].enabled) return false;
  return document_->Find(id) >= 0;
}

std::wstring RibbonWindow::Label(const std::wstring& id) const {
  return AnswersOf(id).label;
}
std::wstring RibbonWindow::Screentip(const std::wstring& id) const {
  return AnswersOf(id).screentip;
}
std::shared_ptr<win32::IPicture> RibbonWindow::Image(const std::wstring& id) const {
  return AnswersOf(id).image;
}
std::wstring RibbonWindow::ImageMso(const std::wstring& id) const {
  AnswersOf(id);
  auto& attributes = document_->controls[static_cast<size_t>(document_->Find(id))].attributes;
  auto it = attributes.find(L"imageMso");
  return it == attributes.end() ? L"" : it->second;
}

std::vector<std::wstring> RibbonWindow::ControlIds() const {
  std::vector<std::wstring> ids;
  for (auto& c : document_->controls) ids.push_back(c.id);
  return ids;
}

// --- RibbonHost -------------------------------------------------------------------------------
RibbonHost::RibbonHost(std::shared_ptr<IRibbonExtensibility> addin) : addin_(std::move(addin)) {}

std::shared_ptr<RibbonWindow> RibbonHost::OpenWindow(const std::wstring& ribbonId,
                                                     std::any context) {
  auto& document = documents_[ribbonId];
  if (!document) {
    document = std::make_shared<RibbonDocument>();
    document->host = this;
    document->ribbonId = ribbonId;
    std::wstring xml;
    RibbonMembers members;
    RibbonMember onLoad;
    std::wstring onLoadName;
    bool loaded =
        document->Guard(L"GetCustomUI", [&] { xml = addin_->GetCustomUI(ribbonId); }) &&
        !xml.empty() &&
        document->Guard(L"the add-in's members", [&] { members = addin_->RibbonCallbacks(); }) &&
        document->Load(xml, members, &onLoad, &onLoadName);
    if (!loaded) document->controls.clear();
    if (loaded && std::holds_alternative<RibbonOnLoad>(onLoad) && std::get<RibbonOnLoad>(onLoad)) {
      Record(calls_, {L"onLoad", onLoadName, L"customUI"});
      document->Guard(L"onLoad", [&] { std::get<RibbonOnLoad>(onLoad)(document); });
    }
  }
  auto window = std::shared_ptr<RibbonWindow>(new RibbonWindow());
  window->document_ = document;
  window->context_ = std::move(context);
  window->answers_.resize(document->controls.size());
  // Closed windows leave the list, so an invalidation costs the windows open, not all ever.
  std::erase_if(document->windows, [](const auto& w) { return w.expired(); });
  document->windows.push_back(window);
  return window;
}

std::shared_ptr<IRibbonUI> RibbonHost::Ribbon(const std::wstring& ribbonId) const {
  auto it = documents_.find(ribbonId);
  return it == documents_.end() || it->second->controls.empty() ? nullptr : it->second;
}

}  // namespace office
