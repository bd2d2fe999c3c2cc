// The XML document object of "MSXML2.DOMDocument": load a text, walk and select nodes,
// create and insert elements, read and write node values, and write the text back. Nodes
// are views into one document; a node made by createElement belongs to its document before
// it is inserted anywhere, as in MSXML.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pugi {
struct xml_node_struct;
}

namespace msxml {

struct DocumentData;
class IXMLDOMNodeList;

class IXMLDOMNode {
 public:
  IXMLDOMNode(std::shared_ptr<DocumentData> document, pugi::xml_node_struct* node);

  std::wstring nodeName() const;
  // The node and its descendants as text.
  std::wstring xml() const;
  // The text of the node and all its descendants.
  std::wstring text() const;
  // A node without a data type has its text as typed value; writing replaces its children
  // by one text node.
  std::wstring nodeTypedValue() const;
  void put_nodeTypedValue(const std::wstring& value);

  // XPath relative to this node ("column", "prop", "a/b"); raises on a bad pattern.
  std::shared_ptr<IXMLDOMNodeList> selectNodes(const std::wstring& pattern) const;
  // The first node of selectNodes, or null.
  std::shared_ptr<IXMLDOMNode> selectSingleNode(const std::wstring& pattern) const;
  std::shared_ptr<IXMLDOMNodeList> childNodes() const;
  std::shared_ptr<IXMLDOMNode> parentNode() const;

  // Moves `child` (from anywhere in the same document) to the end of this node's children.
  std::shared_ptr<IXMLDOMNode> appendChild(const std::shared_ptr<IXMLDOMNode>& child);
  // Moves `child` in front of `before`, a child of this node; a null `before` appends.
  std::shared_ptr<IXMLDOMNode> insertBefore(const std::shared_ptr<IXMLDOMNode>& child,
                                            const std::shared_ptr<IXMLDOMNode>& before);

  // The same node of the same document.
  bool IsSameNode(const IXMLDOMNode& other) const;

 private:
  friend class DOMDocument;
  std::shared_ptr<DocumentData> document_;
  pugi::xml_node_struct* node_;
};

class IXMLDOMNodeList {
 public:
  explicit IXMLDOMNodeList(std::vector<std::shared_ptr<IXMLDOMNode>> nodes)
      : nodes_(std::move(nodes)) {}
  int32_t length() const { return static_cast<int32_t>(nodes_.size()); }
  // 0-based; null past the end, as MSXML answers.
  std::shared_ptr<IXMLDOMNode> item(int32_t index) const;

 private:
  std::vector<std::shared_ptr<IXMLDOMNode>> nodes_;
};

class DOMDocument {
 public:
  DOMDocument();

  // Replaces the document by the parsed text; on a parse error the document is empty, the
  // answer is false and parseErrorReason says why.
  bool loadXML(const std::wstring& text);
  std::wstring parseErrorReason() const;
  // The whole document as text: each top-level node followed by CR LF.
  std::wstring xml() const;
  // The root element, or null for an empty document.
  std::shared_ptr<IXMLDOMNode> documentElement() const;
  std::shared_ptr<IXMLDOMNode> createElement(const std::wstring& tagName);
  std::shared_ptr<IXMLDOMNodeList> selectNodes(const std::wstring& pattern) const;
  std::shared_ptr<IXMLDOMNode> selectSingleNode(const std::wstring& pattern) const;

 private:
  std::shared_ptr<DocumentData> data_;
};

// Makes "MSXML2.DOMDocument" creatable, as an installed MSXML does.
void Install();

}  // namespace msxml
