#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace plx {

// A small mutable XML tree for editing office documents. Names stay as written (prefix
// included) and namespace declarations stay ordinary attributes, so a part read and
// written back keeps its prefixes, declarations and whitespace.
class XmlNode
{
public:
    enum Kind { Element, Text, CData, Comment, ProcessingInstruction };

    explicit XmlNode(Kind kind, const QString &nameOrText = {});

    Kind kind() const { return m_kind; }
    bool isElement() const { return m_kind == Element; }
    // Qualified name of an element ("w:p"), target of a processing instruction.
    const QString &name() const { return m_name; }
    // The name without its prefix.
    QString localName() const;
    QString prefix() const;
    // Text, CDATA, comment or processing-instruction data.
    const QString &text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

    QString attribute(const QString &qualifiedName, const QString &fallback = {}) const;
    bool hasAttribute(const QString &qualifiedName) const;
    void setAttribute(const QString &qualifiedName, const QString &value);
    const QList<QPair<QString, QString>> &attributes() const { return m_attributes; }

    XmlNode *parent() const { return m_parent; }
    const std::vector<std::unique_ptr<XmlNode>> &children() const { return m_children; }
    int indexInParent() const;
    XmlNode *firstChild() const;
    XmlNode *nextSibling() const;
    XmlNode *previousSibling() const;
    bool isAncestorOf(const XmlNode *node) const;

    // Tree edits; the inserted node becomes owned by this node.
    XmlNode *append(std::unique_ptr<XmlNode> child);
    XmlNode *insert(int index, std::unique_ptr<XmlNode> child);
    XmlNode *insertAfter(XmlNode *sibling, std::unique_ptr<XmlNode> node);
    XmlNode *insertBefore(XmlNode *sibling, std::unique_ptr<XmlNode> node);
    std::unique_ptr<XmlNode> take(XmlNode *child);
    std::unique_ptr<XmlNode> clone() const;

    // Child elements by qualified name; the first one or nullptr.
    XmlNode *child(const QString &qualifiedName) const;
    std::vector<XmlNode *> childElements(const QString &qualifiedName = {}) const;
    // The nearest ancestor (or this node) with that qualified name.
    XmlNode *ancestor(const QString &qualifiedName);
    // Every descendant element in document order.
    void forEachElement(const std::function<void(XmlNode *)> &visit);
    // The concatenated text of the subtree.
    QString textContent() const;
    // The node after this one's subtree in document order, climbing to ancestors.
    XmlNode *nextAfterSubtree() const;
    // The next node in document order (first child, else nextAfterSubtree).
    XmlNode *nextInOrder() const;

    // The prefix declared for a namespace URI on this node or an ancestor, with its ":"
    // ("" for the default namespace); fallback when none is declared.
    QString prefixFor(const QString &namespaceUri, const QString &fallback) const;

private:
    Kind m_kind;
    QString m_name;
    QString m_text;
    QList<QPair<QString, QString>> m_attributes;
    XmlNode *m_parent = nullptr; // not owned
    std::vector<std::unique_ptr<XmlNode>> m_children;
};

// A parsed XML part: its declaration and its root element (with the comments and
// processing instructions around it kept in the document node).
struct XmlDocument
{
    std::unique_ptr<XmlNode> document; // children: prolog nodes and the root element
    bool standalone = false;
    XmlNode *root() const;
};

// Parses a part; false with the parser's message.
bool parseXml(const QByteArray &data, XmlDocument *out, QString *error = nullptr);
// Parses a fragment of elements (namespaces declared inside it or left for the host).
std::vector<std::unique_ptr<XmlNode>> parseXmlFragment(const QString &xml);
QByteArray writeXml(const XmlDocument &doc);

} // namespace plx
