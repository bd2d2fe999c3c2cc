#include "platform/msxml/DOMDocument.h"

#include <pugixml.hpp>

#include "platform/vb/Error.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"

namespace msxml {

// Elements made but not yet inserted wait below a holder element of the same document, so
// that moving them in is a move within one tree. The holder is never shown.
struct DocumentData {
  pugi::xml_document doc;
  pugi::xml_node holder;
  std::wstring parseError;

  DocumentData() { Reset(); }
  void Reset() {
    doc.reset();
    holder = doc.append_child("#orphans");
  }
  bool IsShown(pugi::xml_node node) const {
    for (; node; node = node.parent())
      if (node == holder) return false;
    return true;
  }
};

namespace {

constexpr int32_t kInvalidArgument = 5;

std::string Utf8(const std::wstring& text) {
  return win32::WideToMultiByte(win32::CP_UTF8, text);
}
std::wstring Wide(std::string_view text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

std::wstring Serialize(const pugi::xml_node& node) {
  StringWriter writer;
  node.print(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return Wide(writer.out);
}

void CollectText(const pugi::xml_node& node, std::string& out) {
  if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
    out += node.value();
    return;
  }
  for (auto child : node.children()) CollectText(child, out);
}

std::vector<std::shared_ptr<IXMLDOMNode>> Select(const std::shared_ptr<DocumentData>& data,
                                                 const pugi::xml_node& context,
                                                 const std::wstring& pattern) {
  std::vector<std::shared_ptr<IXMLDOMNode>> result;
  try {
    for (const auto& found : context.select_nodes(Utf8(pattern).c_str())) {
      pugi::xml_node node = found.node();
      if (node && data->IsShown(node))
        result.push_back(std::make_shared<IXMLDOMNode>(data, node.internal_object()));
    }
  } catch (const pugi::xpath_exception& e) {
    vb::Raise(kInvalidArgument, L"Invalid pattern: " + Wide(e.what()));
  }
  return result;
}

}  // namespace

IXMLDOMNode::IXMLDOMNode(std::shared_ptr<DocumentData> document, pugi::xml_node_struct* node)
    : document_(std::move(document)), node_(node) {}

std::wstring IXMLDOMNode::nodeName() const {
  pugi::xml_node node(node_);
  switch (node.type()) {
    case pugi::node_pcdata:
      return L"#text";
    case pugi::node_cdata:
      return L"#cdata-section";
    case pugi::node_comment:
      return L"#comment";
    default:
      return Wide(node.name());
  }
}

std::wstring IXMLDOMNode::xml() const {
  return Serialize(pugi::xml_node(node_));
}

std::wstring IXMLDOMNode::text() const {
  std::string out;
  CollectText(pugi::xml_node(node_), out);
  return Wide(out);
}

std::wstring IXMLDOMNode::nodeTypedValue() const {
  pugi::xml_node node(node_);
  if (node.type() != pugi::node_element) return Wide(node.value());
  return text();
}

void IXMLDOMNode::put_nodeTypedValue(const std::wstring& value) {
  pugi::xml_node node(node_);
  if (node.type() != pugi::node_element) {
    node.set_value(Utf8(value).c_str());
    return;
  }
  while (node.first_child()) node.remove_child(node.first_child());
  if (!value.empty()) node.append_child(pugi::node_pcdata).set_value(Utf8(value).c_str());
}

std::shared_ptr<IXMLDOMNodeList> IXMLDOMNode::selectNodes(const std::wstring& pattern) const {
  return std::make_shared<IXMLDOMNodeList>(Select(document_, pugi::xml_node(node_), pattern));
}

std::shared_ptr<IXMLDOMNode> IXMLDOMNode::selectSingleNode(const std::wstring& pattern) const {
  return selectNodes(pattern)->item(0);
}

std::shared_ptr<IXMLDOMNodeList> IXMLDOMNode::childNodes() const {
  std::vector<std::shared_ptr<IXMLDOMNode>> nodes;
  for (auto child : pugi::xml_node(node_).children())
    if (document_->IsShown(child))
      nodes.push_back(std::make_shared<IXMLDOMNode>(document_, child.internal_object()));
  return std::make_shared<IXMLDOMNodeList>(std::move(nodes));
}

std::shared_ptr<IXMLDOMNode> IXMLDOMNode::parentNode() const {
  pugi::xml_node parent = pugi::xml_node(node_).parent();
  if (!parent || parent == document_->holder || parent.type() == pugi::node_document)
    return nullptr;
  return std::make_shared<IXMLDOMNode>(document_, parent.internal_object());
}

std::shared_ptr<IXMLDOMNode> IXMLDOMNode::appendChild(const std::shared_ptr<IXMLDOMNode>& child) {
  return insertBefore(child, nullptr);
}

std::shared_ptr<IXMLDOMNode> IXMLDOMNode::insertBefore(const std::shared_ptr<IXMLDOMNode>& child,
                                                       const std::shared_ptr<IXMLDOMNode>& before) {
  if (!child) vb::Raise(vb::kObjectVariableNotSet);
  if (child->document_ != document_)
    vb::Raise(kInvalidArgument, L"The node belongs to another document");
  pugi::xml_node self(node_), moving(child->node_);
  for (pugi::xml_node up = self; up; up = up.parent())
    if (up == moving) vb::Raise(kInvalidArgument, L"A node cannot be inserted below itself");
  pugi::xml_node moved;
  if (before) {
    pugi::xml_node anchor(before->node_);
    if (anchor.parent() != self)
      vb::Raise(kInvalidArgument,
                L"Insert position Node must be a Child of the Node to insert "
                L"under.");
    moved = self.insert_move_before(moving, anchor);
  } else {
    moved = self.append_move(moving);
  }
  if (!moved)
    vb::Raise(kInvalidArgument,
              L"This operation cannot be performed with a Node of "
              L"this type.");
  child->node_ = moved.internal_object();
  return child;
}

bool IXMLDOMNode::IsSameNode(const IXMLDOMNode& other) const {
  return document_ == other.document_ && node_ == other.node_;
}

std::shared_ptr<IXMLDOMNode> IXMLDOMNodeList::item(int32_t index) const {
  if (index < 0 || index >= length()) return nullptr;
  return nodes_[static_cast<size_t>(index)];
}

DOMDocument::DOMDocument() : data_(std::make_shared<DocumentData>()) {}

namespace {
constexpr int kMaxDepth = 256;
}  // namespace

bool DOMDocument::loadXML(const std::wstring& text) {
  // Nodes handed out before belong to the old tree; they stay valid views of nothing.
  data_ = std::make_shared<DocumentData>();
  std::string bytes = Utf8(text);
  unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_pi |
                     pugi::parse_comments | pugi::parse_doctype;
  pugi::xml_document parsed;
  pugi::xml_parse_result result =
      parsed.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
  if (!result || !parsed.document_element()) {
    data_->parseError =
        result ? L"XML document must have a top level element." : Wide(result.description());
    return false;
  }
  // The readers of the tree recurse: a document nested deeper than any real one is refused,
  // as MSXML refuses one past its element depth.
  struct DepthWalker : pugi::xml_tree_walker {
    bool for_each(pugi::xml_node&) override { return depth() < kMaxDepth; }
  } walker;
  if (!parsed.traverse(walker)) {
    data_->parseError = L"Element nesting deeper than " + std::to_wstring(kMaxDepth) + L" levels.";
    return false;
  }
  for (auto node : parsed.children()) data_->doc.insert_copy_before(node, data_->holder);
  return true;
}

std::wstring DOMDocument::parseErrorReason() const {
  return data_->parseError;
}

std::wstring DOMDocument::xml() const {
  std::wstring out;
  for (auto node : data_->doc.children())
    if (data_->IsShown(node)) out += Serialize(node) + L"\r\n";
  return out;
}

std::shared_ptr<IXMLDOMNode> DOMDocument::documentElement() const {
  for (auto node : data_->doc.children())
    if (node.type() == pugi::node_element && data_->IsShown(node))
      return std::make_shared<IXMLDOMNode>(data_, node.internal_object());
  return nullptr;
}

std::shared_ptr<IXMLDOMNode> DOMDocument::createElement(const std::wstring& tagName) {
  if (tagName.empty()) vb::Raise(kInvalidArgument, L"An element needs a name");
  pugi::xml_node node = data_->holder.append_child(Utf8(tagName).c_str());
  return std::make_shared<IXMLDOMNode>(data_, node.internal_object());
}

std::shared_ptr<IXMLDOMNodeList> DOMDocument::selectNodes(const std::wstring& pattern) const {
  return std::make_shared<IXMLDOMNodeList>(Select(data_, data_->doc, pattern));
}

std::shared_ptr<IXMLDOMNode> DOMDocument::selectSingleNode(const std::wstring& pattern) const {
  return selectNodes(pattern)->item(0);
}

void Install() {
  vb::RegisterComponent<DOMDocument>(L"MSXML2.DOMDocument",
                                     [] { return std::make_shared<DOMDocument>(); });
}

}  // namespace msxml
