#include "outputs/documentfilling.h"
#include "outputs/zippackage.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>

namespace plx {

namespace {

using namespace documentfill;

const QString kWordMain =
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kPackageRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kDrawing =
    QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
const QString kDrawingMain =
    QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");
const QString kPicture = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture");
const QString kContentTypes = QStringLiteral("[Content_Types].xml");

// Word's default cell margins (0.19 cm each side), in twips.
constexpr int kCellMargin = 108;
// A4 portrait with 2.5 cm margins, for a document that states no page.
constexpr int kDefaultTextWidth = 11906 - 2 * 1417;
constexpr int kDefaultTextHeight = 16838 - 2 * 1417;
constexpr qint64 kEmuPerTwip = 635;

QString esc(const QString &text)
{
    return xmlText(text);
}

int twips(const QString &value, int fallback)
{
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok && v > 0 ? int(v) : fallback;
}

QString partFolder(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsName(const QString &part)
{
    return partFolder(part) + QStringLiteral("_rels/") + part.mid(partFolder(part).size()) +
           QStringLiteral(".rels");
}

class DocxFiller
{
public:
    DocxFiller(ZipPackage &package, const DocumentFill &fill) : m_package(package), m_fill(fill) {}

    bool run(QString *error);

private:
    struct Part
    {
        QString name;
        XmlDocument doc;
        QString w; // the main namespace's prefix, "w:"
        XmlDocument rels;
        bool relsChanged = false;
    };

    bool fillPart(const QString &name, QString *error);
    void fillBookmark(Part &part, XmlNode *start, XmlNode *end, const QString &name);
    std::unique_ptr<XmlNode> runProperties(Part &part, XmlNode *start, XmlNode *end, XmlNode *para,
                                           bool sameParagraph);
    std::vector<std::unique_ptr<XmlNode>> textRuns(Part &part, const QString &value,
                                                   const XmlNode *rPr);
    std::vector<std::unique_ptr<XmlNode>> pictureRuns(Part &part,
                                                      const std::vector<Picture> &pictures,
                                                      const XmlNode *rPr, qint64 widthTwips,
                                                      const QString &name);
    std::unique_ptr<XmlNode> measureTable(Part &part, int widthTwips);
    bool place(Part &part, XmlNode *start, XmlNode *para,
               std::vector<std::unique_ptr<XmlNode>> nodes);
    int availableWidth(Part &part, XmlNode *start) const;
    QString addMedia(Part &part, const QByteArray &data, const QString &extension);
    void ensureDefault(const QString &extension, const QString &mimeType);

    ZipPackage &m_package;
    const DocumentFill &m_fill;
    XmlDocument m_types;
    int m_textWidth = kDefaultTextWidth;
    int m_textHeight = kDefaultTextHeight;
    int m_nextDrawing = 1;
    int m_nextMedia = 1;
    QSet<QString> m_seen;
};

bool DocxFiller::run(QString *error)
{
    if (!parseXml(m_package.data(kContentTypes), &m_types, error)) {
        *error = QStringLiteral("le fichier ") + kContentTypes + QStringLiteral(" manque");
        return false;
    }
    QString mainPart;
    QStringList others;
    for (XmlNode *o : m_types.root()->childElements()) {
        if (o->localName() != QLatin1String("Override"))
            continue;
        const QString partName = o->attribute(QStringLiteral("PartName")).mid(1);
        QString type = o->attribute(QStringLiteral("ContentType"));
        if (type.contains(QLatin1String("wordprocessingml.template.main+xml"))) {
            // A template's main part becomes a document's: Word refuses a .docx that
            // still says it is a .dotx.
            type.replace(QLatin1String("template.main"), QLatin1String("document.main"));
            o->setAttribute(QStringLiteral("ContentType"), type);
        } else if (type.contains(QLatin1String("macroEnabledTemplate.main+xml"))) {
            type.replace(QLatin1String("template.macroEnabledTemplate"),
                         QLatin1String("document.macroEnabled"));
            o->setAttribute(QStringLiteral("ContentType"), type);
        }
        if (type.endsWith(QLatin1String(".main+xml")) && type.contains(QLatin1String("document")))
            mainPart = partName;
        else if (type.endsWith(QLatin1String("wordprocessingml.header+xml")) ||
                 type.endsWith(QLatin1String("wordprocessingml.footer+xml")))
            others << partName;
    }
    if (mainPart.isEmpty() || !m_package.contains(mainPart)) {
        *error = QStringLiteral("la partie principale du document manque");
        return false;
    }
    if (!fillPart(mainPart, error))
        return false;
    for (const QString &p : others) {
        if (m_package.contains(p) && !fillPart(p, error))
            return false;
    }
    m_package.set(kContentTypes, writeXml(m_types));
    return true;
}

bool DocxFiller::fillPart(const QString &name, QString *error)
{
    Part part;
    part.name = name;
    QString parseError;
    if (!parseXml(m_package.data(name), &part.doc, &parseError)) {
        *error = name + QStringLiteral(" : ") + parseError;
        return false;
    }
    XmlNode *root = part.doc.root();
    part.w = namespacePrefix(root, kWordMain, QStringLiteral("w"));
    const QString w = part.w;

    // The page of the (last) section: every picture and table is sized to its text width.
    if (XmlNode *body = root->child(w + QStringLiteral("body"))) {
        if (XmlNode *sect = body->child(w + QStringLiteral("sectPr"))) {
            const XmlNode *size = sect->child(w + QStringLiteral("pgSz"));
            const XmlNode *margins = sect->child(w + QStringLiteral("pgMar"));
            if (size && margins) {
                const int pageW = twips(size->attribute(w + QStringLiteral("w")), 11906);
                const int pageH = twips(size->attribute(w + QStringLiteral("h")), 16838);
                m_textWidth =
                    std::max(1, pageW - twips(margins->attribute(w + QStringLiteral("left")), 0) -
                                    twips(margins->attribute(w + QStringLiteral("right")), 0));
                m_textHeight =
                    std::max(1, pageH - twips(margins->attribute(w + QStringLiteral("top")), 0) -
                                    twips(margins->attribute(w + QStringLiteral("bottom")), 0));
            }
        }
    }

    std::vector<XmlNode *> starts;
    std::map<QString, XmlNode *> ends;
    root->forEachElement([&](XmlNode *e) {
        if (e->name() == w + QLatin1String("bookmarkStart"))
            starts.push_back(e);
        else if (e->name() == w + QLatin1String("bookmarkEnd"))
            ends.emplace(e->attribute(w + QStringLiteral("id")), e);
        else if (e->localName() == QLatin1String("docPr"))
            m_nextDrawing = std::max(m_nextDrawing, e->attribute(QStringLiteral("id")).toInt() + 1);
    });
    for (XmlNode *start : starts) {
        const QString bookmark = start->attribute(w + QStringLiteral("name"));
        // Word's hidden bookmarks (_GoBack, _Toc...) are not the template's.
        // A name is one bookmark: a repeated one (LibreOffice writes some twice) is filled
        // once, as Word's bookmark list holds it once.
        if (bookmark.isEmpty() || bookmark.startsWith(QLatin1Char('_')) ||
            m_seen.contains(bookmark))
            continue;
        m_seen.insert(bookmark);
        const auto end = ends.find(start->attribute(w + QStringLiteral("id")));
        fillBookmark(part, start, end == ends.end() ? nullptr : end->second, bookmark);
    }

    m_package.set(name, writeXml(part.doc));
    if (part.relsChanged)
        m_package.set(relsName(name), writeXml(part.rels));
    return true;
}

void DocxFiller::fillBookmark(Part &part, XmlNode *start, XmlNode *end, const QString &name)
{
    reportProgress(m_fill, name);
    const QString w = part.w;
    XmlNode *para = start->ancestor(w + QStringLiteral("p"));
    const bool sameParagraph = end && para && end->ancestor(w + QStringLiteral("p")) == para;
    const std::unique_ptr<XmlNode> rPr = runProperties(part, start, end, para, sameParagraph);
    if (sameParagraph)
        clearBetween(start, end);

    const Kind kind = kindOf(name);
    bool ok = true;
    if (kind == Kind::Measures) {
        if (m_fill.measures.headings.isEmpty())
            return;
        XmlNode *anchor = para;
        if (!anchor) {
            for (XmlNode *n = start->nextInOrder(); n; n = n->nextInOrder()) {
                if (n->name() == w + QLatin1String("p")) {
                    anchor = n;
                    break;
                }
            }
        }
        if (!anchor) {
            reportFailure(m_fill, name);
            return;
        }
        XmlNode *table =
            para ? anchor->insertAfter(anchor, measureTable(part, availableWidth(part, start)))
                 : anchor->insertBefore(anchor, measureTable(part, availableWidth(part, start)));
        // A cell, and Word's body, must not end on a table.
        XmlNode *next = table->nextSibling();
        while (next && !next->isElement())
            next = next->nextSibling();
        if (!next || next->name() != w + QLatin1String("p"))
            table->insertAfter(
                table, std::make_unique<XmlNode>(XmlNode::Element, w + QStringLiteral("p")));
        return;
    }

    std::vector<std::unique_ptr<XmlNode>> nodes;
    if (kind == Kind::Text) {
        nodes = textRuns(part, valueFor(name, m_fill), rPr.get());
    } else {
        std::vector<Picture> pictures;
        ok = picturesFor(name, m_fill, &pictures);
        nodes = pictureRuns(part, pictures, rPr.get(), availableWidth(part, start), name);
    }
    if (!place(part, start, para, std::move(nodes)))
        ok = false;
    if (!ok)
        reportFailure(m_fill, name);
}

std::unique_ptr<XmlNode> DocxFiller::runProperties(Part &part, XmlNode *start, XmlNode *end,
                                                   XmlNode *para, bool sameParagraph)
{
    const QString run = part.w + QStringLiteral("r");
    const QString props = part.w + QStringLiteral("rPr");
    // The first run of the bookmark's text, else the run the value will follow or precede.
    XmlNode *stop = sameParagraph ? end : (para ? para->nextAfterSubtree() : nullptr);
    for (XmlNode *n = start->nextAfterSubtree(); n && n != stop; n = n->nextInOrder()) {
        if (n->name() == run) {
            const XmlNode *p = n->child(props);
            return p ? p->clone() : nullptr;
        }
    }
    if (para) {
        XmlNode *last = nullptr;
        for (XmlNode *n = para->firstChild(); n && n != start; n = n->nextInOrder()) {
            if (n->name() == run)
                last = n;
        }
        if (last && last->child(props))
            return last->child(props)->clone();
    }
    return nullptr;
}

std::vector<std::unique_ptr<XmlNode>> DocxFiller::textRuns(Part &part, const QString &value,
                                                           const XmlNode *rPr)
{
    std::vector<std::unique_ptr<XmlNode>> out;
    if (value.isEmpty())
        return out;
    const QString w = part.w;
    QString xml = QLatin1Char('<') + w + QStringLiteral("r>");
    const QStringList all = lines(value);
    for (int i = 0; i < all.size(); ++i) {
        if (i > 0)
            xml += QLatin1Char('<') + w + QStringLiteral("br/>");
        const QStringList cells = all[i].split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size(); ++j) {
            if (j > 0)
                xml += QLatin1Char('<') + w + QStringLiteral("tab/>");
            if (!cells[j].isEmpty())
                xml += QLatin1Char('<') + w + QStringLiteral("t xml:space=\"preserve\">") +
                       esc(cells[j]) + QStringLiteral("</") + w + QStringLiteral("t>");
        }
    }
    xml += QStringLiteral("</") + w + QStringLiteral("r>");
    out = parseXmlFragment(xml);
    if (rPr && !out.empty())
        out.front()->insert(0, rPr->clone());
    return out;
}

std::vector<std::unique_ptr<XmlNode>> DocxFiller::pictureRuns(Part &part,
                                                              const std::vector<Picture> &pictures,
                                                              const XmlNode *rPr, qint64 widthTwips,
                                                              const QString &name)
{
    std::vector<std::unique_ptr<XmlNode>> out;
    XmlNode *root = part.doc.root();
    const QString w = part.w;
    const QString wp = namespacePrefix(root, kDrawing, QStringLiteral("wp"));
    const QString a = namespacePrefix(root, kDrawingMain, QStringLiteral("a"));
    const QString pic = namespacePrefix(root, kPicture, QStringLiteral("pic"));
    const QString r = namespacePrefix(root, kRelationships, QStringLiteral("r"));
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture &p = pictures[i];
        // Page width less the margins, proportions kept; a tall picture is brought back
        // to the page height.
        qint64 cx = widthTwips * kEmuPerTwip;
        qint64 cy = cx * p.pixels.height() / p.pixels.width();
        const qint64 maxCy = qint64(m_textHeight) * kEmuPerTwip;
        if (cy > maxCy) {
            cx = cx * maxCy / cy;
            cy = maxCy;
        }
        const QString pngId = addMedia(part, p.data, p.extension);
        QString blipExtension;
        if (!p.svg.isEmpty()) {
            const QString svgId = addMedia(part, p.svg, QStringLiteral("svg"));
            blipExtension = QLatin1Char('<') + a + QStringLiteral("extLst><") + a +
                            QStringLiteral("ext uri=\"{96DAC541-7B7A-43D3-8B79-37D633B846F1}\">"
                                           "<asvg:svgBlip xmlns:asvg=\"http://schemas.microsoft."
                                           "com/office/drawing/2016/SVG/main\" ") +
                            r + QStringLiteral("embed=\"") + svgId + QStringLiteral("\"/></") + a +
                            QStringLiteral("ext></") + a + QStringLiteral("extLst>");
        }
        const int id = m_nextDrawing++;
        const QString size = QStringLiteral("cx=\"%1\" cy=\"%2\"").arg(cx).arg(cy);
        const QString label = esc(name) + QLatin1Char(' ') + QString::number(i + 1);
        QString xml;
        xml += QLatin1Char('<') + w + QStringLiteral("r>");
        if (i > 0)
            xml += QLatin1Char('<') + w + QStringLiteral("br/>");
        xml += QLatin1Char('<') + w + QStringLiteral("drawing>");
        xml += QLatin1Char('<') + wp +
               QStringLiteral("inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">");
        xml += QLatin1Char('<') + wp + QStringLiteral("extent ") + size + QStringLiteral("/>");
        xml += QLatin1Char('<') + wp +
               QStringLiteral("effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>");
        xml += QLatin1Char('<') + wp +
               QStringLiteral("docPr id=\"%1\" name=\"%2\"/>").arg(id).arg(label);
        xml += QLatin1Char('<') + wp + QStringLiteral("cNvGraphicFramePr><") + a +
               QStringLiteral("graphicFrameLocks noChangeAspect=\"1\"/></") + wp +
               QStringLiteral("cNvGraphicFramePr>");
        xml += QLatin1Char('<') + a + QStringLiteral("graphic><") + a +
               QStringLiteral("graphicData uri=\"") + kPicture + QStringLiteral("\">");
        xml += QLatin1Char('<') + pic + QStringLiteral("pic><") + pic +
               QStringLiteral("nvPicPr><") + pic +
               QStringLiteral("cNvPr id=\"0\" name=\"%1\"/><").arg(label) + pic +
               QStringLiteral("cNvPicPr/></") + pic + QStringLiteral("nvPicPr>");
        xml += QLatin1Char('<') + pic + QStringLiteral("blipFill><") + a + QStringLiteral("blip ") +
               r + QStringLiteral("embed=\"") + pngId + QStringLiteral("\">") + blipExtension +
               QStringLiteral("</") + a + QStringLiteral("blip><") + a +
               QStringLiteral("stretch><") + a + QStringLiteral("fillRect/></") + a +
               QStringLiteral("stretch></") + pic + QStringLiteral("blipFill>");
        xml += QLatin1Char('<') + pic + QStringLiteral("spPr><") + a + QStringLiteral("xfrm><") +
               a + QStringLiteral("off x=\"0\" y=\"0\"/><") + a + QStringLiteral("ext ") + size +
               QStringLiteral("/></") + a + QStringLiteral("xfrm><") + a +
               QStringLiteral("prstGeom prst=\"rect\"><") + a + QStringLiteral("avLst/></") + a +
               QStringLiteral("prstGeom></") + pic + QStringLiteral("spPr>");
        xml += QStringLiteral("</") + pic + QStringLiteral("pic></") + a +
               QStringLiteral("graphicData></") + a + QStringLiteral("graphic></") + wp +
               QStringLiteral("inline></") + w + QStringLiteral("drawing></") + w +
               QStringLiteral("r>");
        for (auto &node : parseXmlFragment(xml)) {
            if (rPr)
                node->insert(0, rPr->clone());
            out.push_back(std::move(node));
        }
    }
    return out;
}

bool DocxFiller::place(Part &part, XmlNode *start, XmlNode *para,
                       std::vector<std::unique_ptr<XmlNode>> nodes)
{
    if (nodes.empty())
        return true;
    XmlNode *after = start;
    if (!para) {
        // A bookmark between paragraphs: its value opens the next paragraph.
        XmlNode *next = start->nextInOrder();
        while (next && next->name() != part.w + QLatin1String("p"))
            next = next->nextInOrder();
        if (!next)
            return false;
        XmlNode *props = next->child(part.w + QStringLiteral("pPr"));
        int index = props ? props->indexInParent() + 1 : 0;
        for (auto &n : nodes)
            next->insert(index++, std::move(n));
        return true;
    }
    for (auto &n : nodes)
        after = after->insertAfter(after, std::move(n));
    return true;
}

int DocxFiller::availableWidth(Part &part, XmlNode *start) const
{
    // In a table cell, the cell's width when the template gives it.
    if (XmlNode *cell = start->ancestor(part.w + QStringLiteral("tc"))) {
        if (XmlNode *props = cell->child(part.w + QStringLiteral("tcPr"))) {
            if (XmlNode *width = props->child(part.w + QStringLiteral("tcW"))) {
                if (width->attribute(part.w + QStringLiteral("type")) == QLatin1String("dxa")) {
                    const int value = twips(width->attribute(part.w + QStringLiteral("w")), 0);
                    if (value > 4 * kCellMargin)
                        return value - 2 * kCellMargin;
                }
            }
        }
    }
    return m_textWidth;
}

std::unique_ptr<XmlNode> DocxFiller::measureTable(Part &part, int widthTwips)
{
    const QString w = part.w;
    const MeasureTable &table = m_fill.measures;
    const std::vector<double> shares = columnShares(table);
    const int columns = int(table.headings.size());
    std::vector<int> widths;
    for (double s : shares)
        widths.push_back(std::max(300, int(std::floor(s * widthTwips))));
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c)
        numeric.push_back(numericColumn(table, c));

    auto tag = [&w](const QString &rest) { return QLatin1Char('<') + w + rest; };
    auto close = [&w](const QString &name) {
        return QStringLiteral("</") + w + name + QLatin1Char('>');
    };
    auto border = [&](const char *side) {
        return tag(QString::fromLatin1(side)) +
               QStringLiteral(" %1val=\"single\" %1sz=\"4\" %1space=\"0\" %1color=\"808080\"/>")
                   .arg(w);
    };
    auto cell = [&](int c, const QString &text, const QString &fill, bool heading) {
        QString xml =
            tag(QStringLiteral("tc>")) + tag(QStringLiteral("tcPr>")) +
            tag(QStringLiteral("tcW %1w=\"%2\" %1type=\"dxa\"/>").arg(w).arg(widths[size_t(c)]));
        if (!fill.isEmpty())
            xml += tag(QStringLiteral("shd %1val=\"clear\" %1color=\"auto\" %1fill=\"%2\"/>")
                           .arg(w, fill));
        xml +=
            tag(QStringLiteral("vAlign %1val=\"center\"/>").arg(w)) + close(QStringLiteral("tcPr"));
        const QString align =
            heading || !numeric[size_t(c)] ? QStringLiteral("center") : QStringLiteral("right");
        xml += tag(QStringLiteral("p>")) + tag(QStringLiteral("pPr>")) +
               tag(QStringLiteral("spacing %1before=\"0\" %1after=\"0\" %1line=\"240\" "
                                  "%1lineRule=\"auto\"/>")
                       .arg(w)) +
               tag(QStringLiteral("jc %1val=\"%2\"/>").arg(w, align)) +
               close(QStringLiteral("pPr"));
        if (!text.isEmpty()) {
            xml += tag(QStringLiteral("r>")) + tag(QStringLiteral("rPr>"));
            if (heading)
                xml += tag(QStringLiteral("b/>"));
            xml += tag(QStringLiteral("sz %1val=\"18\"/>").arg(w)) +
                   tag(QStringLiteral("szCs %1val=\"18\"/>").arg(w)) +
                   close(QStringLiteral("rPr")) + tag(QStringLiteral("t xml:space=\"preserve\">")) +
                   esc(text) + close(QStringLiteral("t")) + close(QStringLiteral("r"));
        }
        xml += close(QStringLiteral("p")) + close(QStringLiteral("tc"));
        return xml;
    };

    int total = 0;
    for (int v : widths)
        total += v;
    QString xml = tag(QStringLiteral("tbl>")) + tag(QStringLiteral("tblPr>")) +
                  tag(QStringLiteral("tblW %1w=\"%2\" %1type=\"dxa\"/>").arg(w).arg(total)) +
                  tag(QStringLiteral("jc %1val=\"center\"/>").arg(w)) +
                  tag(QStringLiteral("tblBorders>")) + border("top") + border("left") +
                  border("bottom") + border("right") + border("insideH") + border("insideV") +
                  close(QStringLiteral("tblBorders")) +
                  tag(QStringLiteral("tblLayout %1type=\"fixed\"/>").arg(w)) +
                  tag(QStringLiteral("tblCellMar>")) +
                  tag(QStringLiteral("top %1w=\"17\" %1type=\"dxa\"/>").arg(w)) +
                  tag(QStringLiteral("left %1w=\"57\" %1type=\"dxa\"/>").arg(w)) +
                  tag(QStringLiteral("bottom %1w=\"17\" %1type=\"dxa\"/>").arg(w)) +
                  tag(QStringLiteral("right %1w=\"57\" %1type=\"dxa\"/>").arg(w)) +
                  close(QStringLiteral("tblCellMar")) + close(QStringLiteral("tblPr")) +
                  tag(QStringLiteral("tblGrid>"));
    for (int v : widths)
        xml += tag(QStringLiteral("gridCol %1w=\"%2\"/>").arg(w).arg(v));
    xml += close(QStringLiteral("tblGrid"));
    // The heading row repeats on every page.
    xml += tag(QStringLiteral("tr>")) + tag(QStringLiteral("trPr>")) +
           tag(QStringLiteral("tblHeader/>")) + close(QStringLiteral("trPr"));
    for (int c = 0; c < columns; ++c)
        xml += cell(c, table.headings[c], QStringLiteral("D9D9D9"), true);
    xml += close(QStringLiteral("tr"));
    for (const auto &row : table.rows) {
        const QString fill = validityColour(row.validity);
        xml += tag(QStringLiteral("tr>")) + tag(QStringLiteral("trPr>")) +
               tag(QStringLiteral("cantSplit/>")) + close(QStringLiteral("trPr"));
        for (int c = 0; c < columns; ++c)
            xml += cell(c, c < row.cells.size() ? row.cells[c] : QString(), fill, false);
        xml += close(QStringLiteral("tr"));
    }
    xml += close(QStringLiteral("tbl"));
    auto nodes = parseXmlFragment(xml);
    return nodes.empty() ? std::make_unique<XmlNode>(XmlNode::Element, w + QStringLiteral("p"))
                         : std::move(nodes.front());
}

QString DocxFiller::addMedia(Part &part, const QByteArray &data, const QString &extension)
{
    const QString rels = relsName(part.name);
    if (!part.rels.document) {
        QByteArray existing = m_package.data(rels);
        if (existing.isEmpty() || !parseXml(existing, &part.rels)) {
            parseXml("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                     "<Relationships xmlns=\"" +
                         kPackageRelationships.toUtf8() + "\"/>",
                     &part.rels);
        }
    }
    XmlNode *root = part.rels.root();
    QStringList ids;
    for (XmlNode *r : root->childElements())
        ids << r->attribute(QStringLiteral("Id"));
    QString id;
    do {
        id = QStringLiteral("rIdPlx%1").arg(m_nextMedia);
        ++m_nextMedia;
    } while (ids.contains(id));
    QString file;
    do {
        file = QStringLiteral("media/plx%1.%2").arg(m_nextMedia++).arg(extension);
    } while (m_package.contains(partFolder(part.name) + file));
    m_package.set(partFolder(part.name) + file, data);

    const QString prefix = root->prefix().isEmpty() ? QString() : root->prefix() + QLatin1Char(':');
    auto rel = std::make_unique<XmlNode>(XmlNode::Element, prefix + QStringLiteral("Relationship"));
    rel->setAttribute(QStringLiteral("Id"), id);
    rel->setAttribute(QStringLiteral("Type"), kRelationships + QStringLiteral("/image"));
    rel->setAttribute(QStringLiteral("Target"), file);
    root->append(std::move(rel));
    part.relsChanged = true;

    static const std::map<QString, QString> types{
        {QStringLiteral("png"), QStringLiteral("image/png")},
        {QStringLiteral("jpeg"), QStringLiteral("image/jpeg")},
        {QStringLiteral("gif"), QStringLiteral("image/gif")},
        {QStringLiteral("svg"), QStringLiteral("image/svg+xml")}};
    const auto type = types.find(extension);
    ensureDefault(extension,
                  type == types.end() ? QStringLiteral("application/octet-stream") : type->second);
    return id;
}

void DocxFiller::ensureDefault(const QString &extension, const QString &mimeType)
{
    XmlNode *root = m_types.root();
    for (XmlNode *d : root->childElements()) {
        if (d->localName() == QLatin1String("Default") &&
            d->attribute(QStringLiteral("Extension")).compare(extension, Qt::CaseInsensitive) == 0)
            return;
    }
    const QString prefix = root->prefix().isEmpty() ? QString() : root->prefix() + QLatin1Char(':');
    auto d = std::make_unique<XmlNode>(XmlNode::Element, prefix + QStringLiteral("Default"));
    d->setAttribute(QStringLiteral("Extension"), extension);
    d->setAttribute(QStringLiteral("ContentType"), mimeType);
    root->insert(0, std::move(d));
}

} // namespace

bool fillDocx(ZipPackage &package, const DocumentFill &fill, QString *error)
{
    DocxFiller filler(package, fill);
    return filler.run(error);
}

} // namespace plx
