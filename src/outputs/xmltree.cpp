#include "outputs/xmltree.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace plx {

XmlNode::XmlNode(Kind kind, const QString &nameOrText) : m_kind(kind)
{
    if (kind == Element || kind == ProcessingInstruction)
        m_name = nameOrText;
    else
        m_text = nameOrText;
}

QString XmlNode::localName() const
{
    const qsizetype colon = m_name.indexOf(QLatin1Char(':'));
    return colon < 0 ? m_name : m_name.mid(colon + 1);
}

QString XmlNode::prefix() const
{
    const qsizetype colon = m_name.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : m_name.left(colon);
}

QString XmlNode::attribute(const QString &qualifiedName, const QString &fallback) const
{
    for (const auto &a : m_attributes) {
        if (a.first == qualifiedName)
            return a.second;
    }
    return fallback;
}

bool XmlNode::hasAttribute(const QString &qualifiedName) const
{
    for (const auto &a : m_attributes) {
        if (a.first == qualifiedName)
            return true;
    }
    return false;
}

void XmlNode::setAttribute(const QString &qualifiedName, const QString &value)
{
    for (auto &a : m_attributes) {
        if (a.first == qualifiedName) {
            a.second = value;
            return;
        }
    }
    m_attributes.append({qualifiedName, value});
}

int XmlNode::indexInParent() const
{
    if (!m_parent)
        return -1;
    const auto &siblings = m_parent->m_children;
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this)
            return int(i);
    }
    return -1;
}

XmlNode *XmlNode::firstChild() const
{
    return m_children.empty() ? nullptr : m_children.front().get();
}

XmlNode *XmlNode::nextSibling() const
{
    const int i = indexInParent();
    if (i < 0 || size_t(i + 1) >= m_parent->m_children.size())
        return nullptr;
    return m_parent->m_children[size_t(i + 1)].get();
}

XmlNode *XmlNode::previousSibling() const
{
    const int i = indexInParent();
    if (i <= 0)
        return nullptr;
    return m_parent->m_children[size_t(i - 1)].get();
}

bool XmlNode::isAncestorOf(const XmlNode *node) const
{
    for (const XmlNode *p = node ? node->m_parent : nullptr; p; p = p->m_parent) {
        if (p == this)
            return true;
    }
    return false;
}

XmlNode *XmlNode::append(std::unique_ptr<XmlNode> child)
{
    return insert(int(m_children.size()), std::move(child));
}

XmlNode *XmlNode::insert(int index, std::unique_ptr<XmlNode> child)
{
    child->m_parent = this;
    XmlNode *raw = child.get();
    m_children.insert(m_children.begin() + index, std::move(child));
    return raw;
}

XmlNode *XmlNode::insertAfter(XmlNode *sibling, std::unique_ptr<XmlNode> node)
{
    return sibling->m_parent->insert(sibling->indexInParent() + 1, std::move(node));
}

XmlNode *XmlNode::insertBefore(XmlNode *sibling, std::unique_ptr<XmlNode> node)
{
    return sibling->m_parent->insert(sibling->indexInParent(), std::move(node));
}

std::unique_ptr<XmlNode> XmlNode::take(XmlNode *child)
{
    const int i = child->indexInParent();
    if (i < 0 || child->m_parent != this)
        return {};
    std::unique_ptr<XmlNode> owned = std::move(m_children[size_t(i)]);
    m_children.erase(m_children.begin() + i);
    owned->m_parent = nullptr;
    return owned;
}

std::unique_ptr<XmlNode> XmlNode::clone() const
{
    auto copy = std::make_unique<XmlNode>(m_kind);
    copy->m_name = m_name;
    copy->m_text = m_text;
    copy->m_attributes = m_attributes;
    for (const auto &c : m_children)
        copy->append(c->clone());
    return copy;
}

XmlNode *XmlNode::child(const QString &qualifiedName) const
{
    for (const auto &c : m_children) {
        if (c->isElement() && c->m_name == qualifiedName)
            return c.get();
    }
    return nullptr;
}

std::vector<XmlNode *> XmlNode::childElements(const QString &qualifiedName) const
{
    std::vector<XmlNode *> out;
    for (const auto &c : m_children) {
        if (c->isElement() && (qualifiedName.isEmpty() || c->m_name == qualifiedName))
            out.push_back(c.get());
    }
    return out;
}

XmlNode *XmlNode::ancestor(const QString &qualifiedName)
{
    for (XmlNode *p = this; p; p = p->m_parent) {
        if (p->isElement() && p->m_name == qualifiedName)
            return p;
    }
    return nullptr;
}

void XmlNode::forEachElement(const std::function<void(XmlNode *)> &visit)
{
    // Collected first: the visitor may edit the tree.
    std::vector<XmlNode *> all;
    for (XmlNode *n = firstChild(); n && isAncestorOf(n); n = n->nextInOrder()) {
        if (n->isElement())
            all.push_back(n);
    }
    for (XmlNode *n : all)
        visit(n);
}

QString XmlNode::textContent() const
{
    if (m_kind == Text || m_kind == CData)
        return m_text;
    QString out;
    for (const auto &c : m_children)
        out += c->textContent();
    return out;
}

XmlNode *XmlNode::nextAfterSubtree() const
{
    for (const XmlNode *n = this; n; n = n->m_parent) {
        if (XmlNode *s = n->nextSibling())
            return s;
    }
    return nullptr;
}

XmlNode *XmlNode::nextInOrder() const
{
    if (XmlNode *c = firstChild())
        return c;
    return nextAfterSubtree();
}

QString XmlNode::prefixFor(const QString &namespaceUri, const QString &fallback) const
{
    for (const XmlNode *n = this; n; n = n->m_parent) {
        for (const auto &a : n->m_attributes) {
            if (a.second != namespaceUri)
                continue;
            if (a.first == QLatin1String("xmlns"))
                return QString();
            if (a.first.startsWith(QLatin1String("xmlns:")))
                return a.first.mid(6) + QLatin1Char(':');
        }
    }
    return fallback;
}

XmlNode *XmlDocument::root() const
{
    if (!document)
        return nullptr;
    for (const auto &c : document->children()) {
        if (c->isElement())
            return c.get();
    }
    return nullptr;
}

namespace {

void readInto(QXmlStreamReader &reader, XmlNode *top, bool *standalone = nullptr)
{
    XmlNode *current = top;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (standalone)
                *standalone = reader.isStandaloneDocument();
            break;
        case QXmlStreamReader::StartElement: {
            auto e = std::make_unique<XmlNode>(XmlNode::Element, reader.qualifiedName().toString());
            for (const auto &a : reader.attributes())
                e->setAttribute(a.qualifiedName().toString(), a.value().toString());
            current = current->append(std::move(e));
            break;
        }
        case QXmlStreamReader::EndElement:
            if (current->parent())
                current = current->parent();
            break;
        case QXmlStreamReader::Characters:
            current->append(std::make_unique<XmlNode>(
                reader.isCDATA() ? XmlNode::CData : XmlNode::Text, reader.text().toString()));
            break;
        case QXmlStreamReader::Comment:
            current->append(std::make_unique<XmlNode>(XmlNode::Comment, reader.text().toString()));
            break;
        case QXmlStreamReader::ProcessingInstruction: {
            auto pi = std::make_unique<XmlNode>(XmlNode::ProcessingInstruction,
                                                reader.processingInstructionTarget().toString());
            pi->setText(reader.processingInstructionData().toString());
            current->append(std::move(pi));
            break;
        }
        default:
            break;
        }
    }
}

void writeNode(QXmlStreamWriter &w, const XmlNode &n)
{
    switch (n.kind()) {
    case XmlNode::Element:
        if (n.children().empty()) {
            w.writeEmptyElement(n.name());
        } else {
            w.writeStartElement(n.name());
        }
        for (const auto &a : n.attributes())
            w.writeAttribute(a.first, a.second);
        for (const auto &c : n.children())
            writeNode(w, *c);
        if (!n.children().empty())
            w.writeEndElement();
        break;
    case XmlNode::Text:
        w.writeCharacters(n.text());
        break;
    case XmlNode::CData:
        w.writeCDATA(n.text());
        break;
    case XmlNode::Comment:
        w.writeComment(n.text());
        break;
    case XmlNode::ProcessingInstruction:
        w.writeProcessingInstruction(n.name(), n.text());
        break;
    }
}

} // namespace

bool parseXml(const QByteArray &data, XmlDocument *out, QString *error)
{
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    out->document = std::make_unique<XmlNode>(XmlNode::Element);
    out->standalone = false;
    readInto(reader, out->document.get(), &out->standalone);
    if (reader.hasError()) {
        if (error)
            *error = reader.errorString();
        return false;
    }
    if (!out->root()) {
        if (error)
            *error = QStringLiteral("document vide");
        return false;
    }
    return true;
}

std::vector<std::unique_ptr<XmlNode>> parseXmlFragment(const QString &xml)
{
    QXmlStreamReader reader(QLatin1String("<plx-fragment>") + xml +
                            QLatin1String("</plx-fragment>"));
    reader.setNamespaceProcessing(false);
    XmlNode top(XmlNode::Element);
    readInto(reader, &top);
    std::vector<std::unique_ptr<XmlNode>> out;
    XmlNode *wrapper = top.firstChild();
    if (!wrapper || reader.hasError())
        return out;
    while (XmlNode *c = wrapper->firstChild())
        out.push_back(wrapper->take(c));
    return out;
}

QByteArray writeXml(const XmlDocument &doc)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(false);
    if (doc.standalone)
        w.writeStartDocument(QStringLiteral("1.0"), true);
    else
        w.writeStartDocument(QStringLiteral("1.0"));
    for (const auto &c : doc.document->children())
        writeNode(w, *c);
    w.writeEndDocument();
    return out;
}

} // namespace plx
