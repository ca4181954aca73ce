#include "outputs/documentfilling.h"
#include "outputs/zippackage.h"

#include <QLocale>
#include <QSet>

#include <algorithm>
#include <functional>
#include <map>

namespace plx {

namespace {

using namespace documentfill;

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kXlink = QStringLiteral("http://www.w3.org/1999/xlink");
const QString kManifest = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString kManifestPath = QStringLiteral("META-INF/manifest.xml");
const QString kTextMime = QStringLiteral("application/vnd.oasis.opendocument.text");
const QString kTemplateMime = QStringLiteral("application/vnd.oasis.opendocument.text-template");

QString esc(const QString &text)
{
    return xmlText(text);
}

QString cm(double value)
{
    return QString::number(value, 'f', 3) + QStringLiteral("cm");
}

// An ODF length ("2cm", "20mm", "0.7874in", "56.7pt") in centimetres; -1 when unreadable.
double toCentimetres(const QString &length)
{
    static const std::map<QString, double> units{
        {QStringLiteral("cm"), 1.0},      {QStringLiteral("mm"), 0.1},
        {QStringLiteral("in"), 2.54},     {QStringLiteral("pt"), 2.54 / 72},
        {QStringLiteral("pc"), 2.54 / 6}, {QStringLiteral("px"), 2.54 / 96}};
    const QString t = length.trimmed();
    qsizetype split = t.size();
    while (split > 0 && t[split - 1].isLetter())
        --split;
    bool ok = false;
    const double number = t.left(split).toDouble(&ok);
    const auto unit = units.find(t.mid(split).toLower());
    if (!ok || unit == units.end())
        return -1;
    return number * unit->second;
}

struct Prefixes
{
    QString office, style, text, table, draw, fo, svg, xlink;
};

class OdtFiller
{
public:
    OdtFiller(ZipPackage &package, const DocumentFill &fill) : m_package(package), m_fill(fill) {}
    bool run(QString *error);

private:
    struct Part
    {
        XmlDocument doc;
        Prefixes ns;
    };

    bool fillPart(const QString &name, QString *error);
    void readPage();
    void fillBookmark(Part &part, XmlNode *start, XmlNode *end, bool point, const QString &name);
    QString styleOfFirstText(Part &part, XmlNode *start, XmlNode *stop);
    std::vector<std::unique_ptr<XmlNode>> textNodes(Part &part, const QString &value,
                                                    const QString &spanStyle);
    double cellWidth(Part &part, XmlNode *start) const;
    std::vector<std::unique_ptr<XmlNode>>
    frames(Part &part, double available, const std::vector<Picture> &pictures, const QString &name);
    std::unique_ptr<XmlNode> measureTable(Part &part, const QString &name, double width);
    void addAutomaticStyle(Part &part, const QString &styleName, const QString &xml);
    QString addPicture(const QByteArray &data, const QString &extension, const QString &mime);

    ZipPackage &m_package;
    const DocumentFill &m_fill;
    XmlDocument m_manifest;
    double m_textWidth = 17.0; // cm, A4 with 2 cm margins when the template says nothing
    double m_textHeight = 25.7;
    int m_nextPicture = 1;
    int m_nextFrame = 1;
};

bool OdtFiller::run(QString *error)
{
    if (!parseXml(m_package.data(kManifestPath), &m_manifest)) {
        *error = QStringLiteral("le manifeste ") + kManifestPath + QStringLiteral(" manque");
        return false;
    }
    // A template's package type becomes a document's.
    if (m_package.data(QStringLiteral("mimetype")).trimmed() == kTemplateMime.toLatin1())
        m_package.set(QStringLiteral("mimetype"), kTextMime.toLatin1());
    const QString mp = namespacePrefix(m_manifest.root(), kManifest, QStringLiteral("manifest"));
    for (XmlNode *e : m_manifest.root()->childElements()) {
        if (e->attribute(mp + QStringLiteral("full-path")) == QLatin1String("/") &&
            e->attribute(mp + QStringLiteral("media-type")) == kTemplateMime)
            e->setAttribute(mp + QStringLiteral("media-type"), kTextMime);
    }
    if (!m_package.contains(QStringLiteral("content.xml"))) {
        *error = QStringLiteral("le contenu (content.xml) manque");
        return false;
    }
    readPage();
    if (!fillPart(QStringLiteral("content.xml"), error))
        return false;
    if (m_package.contains(QStringLiteral("styles.xml")) &&
        !fillPart(QStringLiteral("styles.xml"), error))
        return false;
    m_package.set(kManifestPath, writeXml(m_manifest));
    return true;
}

void OdtFiller::readPage()
{
    XmlDocument styles;
    if (!parseXml(m_package.data(QStringLiteral("styles.xml")), &styles))
        return;
    XmlNode *root = styles.root();
    const QString o = root->prefixFor(kOffice, QStringLiteral("office:"));
    const QString s = root->prefixFor(kStyle, QStringLiteral("style:"));
    const QString fo = root->prefixFor(kFo, QStringLiteral("fo:"));
    // The "Standard" master page's layout (the first master page when there is none).
    QString layoutName;
    if (XmlNode *masters = root->child(o + QStringLiteral("master-styles"))) {
        for (XmlNode *m : masters->childElements(s + QStringLiteral("master-page"))) {
            if (layoutName.isEmpty() ||
                m->attribute(s + QStringLiteral("name")) == QLatin1String("Standard"))
                layoutName = m->attribute(s + QStringLiteral("page-layout-name"));
        }
    }
    XmlNode *automatic = root->child(o + QStringLiteral("automatic-styles"));
    if (!automatic)
        return;
    for (XmlNode *layout : automatic->childElements(s + QStringLiteral("page-layout"))) {
        if (!layoutName.isEmpty() && layout->attribute(s + QStringLiteral("name")) != layoutName)
            continue;
        const XmlNode *p = layout->child(s + QStringLiteral("page-layout-properties"));
        if (!p)
            return;
        const double width = toCentimetres(p->attribute(fo + QStringLiteral("page-width")));
        const double height = toCentimetres(p->attribute(fo + QStringLiteral("page-height")));
        const double left = std::max(
            0.0,
            toCentimetres(p->attribute(fo + QStringLiteral("margin-left"), QStringLiteral("0cm"))));
        const double right =
            std::max(0.0, toCentimetres(p->attribute(fo + QStringLiteral("margin-right"),
                                                     QStringLiteral("0cm"))));
        const double top = std::max(
            0.0,
            toCentimetres(p->attribute(fo + QStringLiteral("margin-top"), QStringLiteral("0cm"))));
        const double bottom =
            std::max(0.0, toCentimetres(p->attribute(fo + QStringLiteral("margin-bottom"),
                                                     QStringLiteral("0cm"))));
        if (width > left + right)
            m_textWidth = width - left - right;
        if (height > top + bottom)
            m_textHeight = height - top - bottom;
        return;
    }
}

bool OdtFiller::fillPart(const QString &name, QString *error)
{
    Part part;
    QString parseError;
    if (!parseXml(m_package.data(name), &part.doc, &parseError)) {
        *error = name + QStringLiteral(" : ") + parseError;
        return false;
    }
    XmlNode *root = part.doc.root();
    const QString t = part.ns.text = namespacePrefix(root, kText, QStringLiteral("text"));
    part.ns.office = namespacePrefix(root, kOffice, QStringLiteral("office"));

    struct Found
    {
        XmlNode *start;
        bool point;
    };
    std::vector<Found> starts;
    std::map<QString, XmlNode *> ends;
    root->forEachElement([&](XmlNode *e) {
        if (e->name() == t + QLatin1String("bookmark"))
            starts.push_back({e, true});
        else if (e->name() == t + QLatin1String("bookmark-start"))
            starts.push_back({e, false});
        else if (e->name() == t + QLatin1String("bookmark-end"))
            ends.emplace(e->attribute(t + QStringLiteral("name")), e);
    });
    if (starts.empty())
        return true;
    part.ns.style = namespacePrefix(root, kStyle, QStringLiteral("style"));
    part.ns.table = namespacePrefix(root, kTable, QStringLiteral("table"));
    part.ns.draw = namespacePrefix(root, kDraw, QStringLiteral("draw"));
    part.ns.fo = namespacePrefix(root, kFo, QStringLiteral("fo"));
    part.ns.svg = namespacePrefix(root, kSvg, QStringLiteral("svg"));
    part.ns.xlink = namespacePrefix(root, kXlink, QStringLiteral("xlink"));
    QSet<QString> seen;
    for (const Found &f : starts) {
        const QString bookmark = f.start->attribute(t + QStringLiteral("name"));
        // A name is one bookmark; a repeated one (some converters write them) is filled
        // once.
        if (bookmark.isEmpty() || seen.contains(bookmark))
            continue;
        seen.insert(bookmark);
        const auto end = ends.find(bookmark);
        fillBookmark(part, f.start, f.point || end == ends.end() ? nullptr : end->second, f.point,
                     bookmark);
    }
    m_package.set(name, writeXml(part.doc));
    return true;
}

void OdtFiller::fillBookmark(Part &part, XmlNode *start, XmlNode *end, bool point,
                             const QString &name)
{
    reportProgress(m_fill, name);
    const QString t = part.ns.text;
    XmlNode *para = start->ancestor(t + QStringLiteral("p"));
    if (!para)
        para = start->ancestor(t + QStringLiteral("h"));
    if (!para) {
        reportFailure(m_fill, name);
        return;
    }
    XmlNode *endPara = end ? end->ancestor(t + QStringLiteral("p")) : nullptr;
    if (end && !endPara)
        endPara = end->ancestor(t + QStringLiteral("h"));
    const bool sameParagraph = !point && end && endPara == para;
    const QString style =
        styleOfFirstText(part, start, sameParagraph ? end : para->nextAfterSubtree());
    if (sameParagraph)
        clearBetween(start, end);

    const Kind kind = kindOf(name);
    if (kind == Kind::Measures) {
        if (!m_fill.measures.headings.isEmpty()) {
            // In a table cell, the table fits the cell.
            const double inCell = cellWidth(part, start);
            para->insertAfter(para, measureTable(part, name, inCell > 0 ? inCell : m_textWidth));
        }
        return;
    }
    bool ok = true;
    std::vector<std::unique_ptr<XmlNode>> nodes;
    if (kind == Kind::Text) {
        nodes = textNodes(part, valueFor(name, m_fill), style);
    } else {
        std::vector<Picture> pictures;
        ok = picturesFor(name, m_fill, &pictures);
        const double inCell = cellWidth(part, start);
        nodes = frames(part, inCell > 0 ? inCell : m_textWidth, pictures, name);
    }
    XmlNode *after = start;
    for (auto &n : nodes)
        after = after->insertAfter(after, std::move(n));
    if (!ok)
        reportFailure(m_fill, name);
}

QString OdtFiller::styleOfFirstText(Part &part, XmlNode *start, XmlNode *stop)
{
    const QString span = part.ns.text + QStringLiteral("span");
    for (XmlNode *n = start->nextAfterSubtree(); n && n != stop; n = n->nextInOrder()) {
        if (n->kind() != XmlNode::Text || n->text().isEmpty())
            continue;
        // The span the text sits in, unless the bookmark sits in it too (then the value
        // inherits it anyway).
        for (XmlNode *p = n->parent(); p; p = p->parent()) {
            if (p->name() == span && !p->isAncestorOf(start))
                return p->attribute(part.ns.text + QStringLiteral("style-name"));
            if (p->isAncestorOf(start))
                break;
        }
        return {};
    }
    return {};
}

std::vector<std::unique_ptr<XmlNode>> OdtFiller::textNodes(Part &part, const QString &value,
                                                           const QString &spanStyle)
{
    if (value.isEmpty())
        return {};
    const QString t = part.ns.text;
    QString xml;
    const QStringList all = lines(value);
    for (int i = 0; i < all.size(); ++i) {
        if (i > 0)
            xml += QLatin1Char('<') + t + QStringLiteral("line-break/>");
        const QString &line = all[i];
        // Spaces collapse in ODF text: every space after the first of a run, and a
        // leading one, is written as text:s.
        int spaces = 0;
        QString pending;
        auto flushSpaces = [&](bool leading) {
            if (spaces == 0)
                return;
            int literal = leading ? 0 : 1;
            if (literal)
                xml += QLatin1Char(' ');
            const int rest = spaces - literal;
            if (rest == 1)
                xml += QLatin1Char('<') + t + QStringLiteral("s/>");
            else if (rest > 1)
                xml += QLatin1Char('<') + t + QStringLiteral("s ") + t +
                       QStringLiteral("c=\"%1\"/>").arg(rest);
            spaces = 0;
        };
        bool leading = true;
        for (const QChar c : line) {
            if (c == QLatin1Char(' ')) {
                ++spaces;
                continue;
            }
            flushSpaces(leading);
            leading = false;
            if (c == QLatin1Char('\t'))
                xml += QLatin1Char('<') + t + QStringLiteral("tab/>");
            else
                xml += esc(QString(c));
        }
        flushSpaces(true);
    }
    if (!spanStyle.isEmpty())
        xml = QLatin1Char('<') + t + QStringLiteral("span ") + t + QStringLiteral("style-name=\"") +
              esc(spanStyle) + QStringLiteral("\">") + xml + QStringLiteral("</") + t +
              QStringLiteral("span>");
    return parseXmlFragment(xml);
}

std::vector<std::unique_ptr<XmlNode>> OdtFiller::frames(Part &part, double available,
                                                        const std::vector<Picture> &pictures,
                                                        const QString &name)
{
    std::vector<std::unique_ptr<XmlNode>> out;
    if (pictures.empty())
        return out;
    const Prefixes &n = part.ns;
    addAutomaticStyle(part, QStringLiteral("plxImage"),
                      QLatin1Char('<') + n.style + QStringLiteral("style ") + n.style +
                          QStringLiteral("name=\"plxImage\" ") + n.style +
                          QStringLiteral("family=\"graphic\"><") + n.style +
                          QStringLiteral("graphic-properties ") + n.style +
                          QStringLiteral("vertical-pos=\"top\" ") + n.style +
                          QStringLiteral("vertical-rel=\"baseline\" ") + n.fo +
                          QStringLiteral("border=\"none\" ") + n.fo +
                          QStringLiteral("padding=\"0cm\"/></") + n.style +
                          QStringLiteral("style>"));
    QString xml;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture &p = pictures[i];
        double width = available;
        double height = width * p.pixels.height() / p.pixels.width();
        if (height > m_textHeight) {
            width = width * m_textHeight / height;
            height = m_textHeight;
        }
        if (i > 0)
            xml += QLatin1Char('<') + n.text + QStringLiteral("line-break/>");
        auto image = [&](const QString &href, const QString &mime) {
            return QLatin1Char('<') + n.draw + QStringLiteral("image ") + n.xlink +
                   QStringLiteral("href=\"") + href + QStringLiteral("\" ") + n.xlink +
                   QStringLiteral("type=\"simple\" ") + n.xlink +
                   QStringLiteral("show=\"embed\" ") + n.xlink +
                   QStringLiteral("actuate=\"onLoad\" ") + n.draw + QStringLiteral("mime-type=\"") +
                   mime + QStringLiteral("\"/>");
        };
        xml += QLatin1Char('<') + n.draw + QStringLiteral("frame ") + n.draw +
               QStringLiteral("style-name=\"plxImage\" ") + n.draw + QStringLiteral("name=\"") +
               esc(name) + QStringLiteral("_%1\" ").arg(m_nextFrame++) + n.text +
               QStringLiteral("anchor-type=\"as-char\" ") + n.svg + QStringLiteral("width=\"") +
               cm(width) + QStringLiteral("\" ") + n.svg + QStringLiteral("height=\"") +
               cm(height) + QStringLiteral("\" ") + n.draw + QStringLiteral("z-index=\"0\">");
        // The vector version first; readers that cannot draw it take the next image.
        if (!p.svg.isEmpty())
            xml += image(addPicture(p.svg, QStringLiteral("svg"), QStringLiteral("image/svg+xml")),
                         QStringLiteral("image/svg+xml"));
        xml += image(addPicture(p.data, p.extension, p.mimeType), p.mimeType);
        xml += QStringLiteral("</") + n.draw + QStringLiteral("frame>");
    }
    return parseXmlFragment(xml);
}

std::unique_ptr<XmlNode> OdtFiller::measureTable(Part &part, const QString &name, double width)
{
    // Styles are shared by the tables of one width.
    const QString tableStyle = QStringLiteral("plxMesures%1").arg(qRound(width * 100));
    const Prefixes &n = part.ns;
    const MeasureTable &table = m_fill.measures;
    const std::vector<double> shares = columnShares(table);
    const int columns = int(table.headings.size());

    auto styleOpen = [&](const QString &styleName, const char *family) {
        return QLatin1Char('<') + n.style + QStringLiteral("style ") + n.style +
               QStringLiteral("name=\"") + styleName + QStringLiteral("\" ") + n.style +
               QStringLiteral("family=\"") + QLatin1String(family) + QStringLiteral("\">");
    };
    const QString styleClose = QStringLiteral("</") + n.style + QStringLiteral("style>");
    addAutomaticStyle(part, tableStyle,
                      styleOpen(tableStyle, "table") + QLatin1Char('<') + n.style +
                          QStringLiteral("table-properties ") + n.style +
                          QStringLiteral("width=\"") + cm(width) + QStringLiteral("\" ") + n.table +
                          QStringLiteral("align=\"center\" ") + n.fo +
                          QStringLiteral("margin-top=\"0.2cm\" ") + n.fo +
                          QStringLiteral("margin-bottom=\"0.2cm\"/>") + styleClose);
    for (int c = 0; c < columns; ++c) {
        const QString styleName = tableStyle + QStringLiteral(".C%1.%2").arg(columns).arg(c + 1);
        addAutomaticStyle(part, styleName,
                          styleOpen(styleName, "table-column") + QLatin1Char('<') + n.style +
                              QStringLiteral("table-column-properties ") + n.style +
                              QStringLiteral("column-width=\"") + cm(width * shares[size_t(c)]) +
                              QStringLiteral("\"/>") + styleClose);
    }
    auto cellStyle = [&](const QString &colour) {
        const QString styleName =
            QStringLiteral("plxMesures.") + (colour.isEmpty() ? QStringLiteral("blanc") : colour);
        addAutomaticStyle(part, styleName,
                          styleOpen(styleName, "table-cell") + QLatin1Char('<') + n.style +
                              QStringLiteral("table-cell-properties ") + n.fo +
                              QStringLiteral("background-color=\"") +
                              (colour.isEmpty() ? QStringLiteral("transparent")
                                                : QLatin1Char('#') + colour.toLower()) +
                              QStringLiteral("\" ") + n.fo + QStringLiteral("padding=\"0.05cm\" ") +
                              n.fo + QStringLiteral("border=\"0.5pt solid #808080\" ") + n.style +
                              QStringLiteral("vertical-align=\"middle\"/>") + styleClose);
        return styleName;
    };
    auto paragraphStyle = [&](const QString &styleName, const char *align, bool bold) {
        addAutomaticStyle(
            part, styleName,
            styleOpen(styleName, "paragraph") + QLatin1Char('<') + n.style +
                QStringLiteral("paragraph-properties ") + n.fo + QStringLiteral("text-align=\"") +
                QLatin1String(align) + QStringLiteral("\" ") + n.fo +
                QStringLiteral("margin-top=\"0cm\" ") + n.fo +
                QStringLiteral("margin-bottom=\"0cm\"/><") + n.style +
                QStringLiteral("text-properties ") + n.fo + QStringLiteral("font-size=\"9pt\"") +
                (bold ? QStringLiteral(" ") + n.fo + QStringLiteral("font-weight=\"bold\"")
                      : QString()) +
                QStringLiteral("/>") + styleClose);
        return styleName;
    };
    const QString headingPara = paragraphStyle(QStringLiteral("plxMesures.PT"), "center", true);
    const QString centred = paragraphStyle(QStringLiteral("plxMesures.PC"), "center", false);
    const QString right = paragraphStyle(QStringLiteral("plxMesures.PD"), "end", false);

    auto cell = [&](const QString &text, const QString &cellStyleName, const QString &paraStyle) {
        return QLatin1Char('<') + n.table + QStringLiteral("table-cell ") + n.table +
               QStringLiteral("style-name=\"") + cellStyleName + QStringLiteral("\" ") + n.office +
               QStringLiteral("value-type=\"string\"><") + n.text + QStringLiteral("p ") + n.text +
               QStringLiteral("style-name=\"") + paraStyle + QStringLiteral("\">") + esc(text) +
               QStringLiteral("</") + n.text + QStringLiteral("p></") + n.table +
               QStringLiteral("table-cell>");
    };
    const QString rowOpen = QLatin1Char('<') + n.table + QStringLiteral("table-row>");
    const QString rowClose = QStringLiteral("</") + n.table + QStringLiteral("table-row>");

    QString xml = QLatin1Char('<') + n.table + QStringLiteral("table ") + n.table +
                  QStringLiteral("name=\"") + esc(name) + QStringLiteral("\" ") + n.table +
                  QStringLiteral("style-name=\"") + tableStyle + QStringLiteral("\">");
    for (int c = 0; c < columns; ++c)
        xml += QLatin1Char('<') + n.table + QStringLiteral("table-column ") + n.table +
               QStringLiteral("style-name=\"") + tableStyle +
               QStringLiteral(".C%1.%2\"/>").arg(columns).arg(c + 1);
    const QString headingCell = cellStyle(QStringLiteral("D9D9D9"));
    xml += QLatin1Char('<') + n.table + QStringLiteral("table-header-rows>") + rowOpen;
    for (const QString &h : table.headings)
        xml += cell(h, headingCell, headingPara);
    xml += rowClose + QStringLiteral("</") + n.table + QStringLiteral("table-header-rows>");
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c)
        numeric.push_back(numericColumn(table, c));
    for (const auto &row : table.rows) {
        const QString rowCell = cellStyle(validityColour(row.validity));
        xml += rowOpen;
        for (int c = 0; c < columns; ++c)
            xml += cell(c < row.cells.size() ? row.cells[c] : QString(), rowCell,
                        numeric[size_t(c)] ? right : centred);
        xml += rowClose;
    }
    xml += QStringLiteral("</") + n.table + QStringLiteral("table>");
    auto nodes = parseXmlFragment(xml);
    return nodes.empty() ? std::make_unique<XmlNode>(XmlNode::Text) : std::move(nodes.front());
}

double OdtFiller::cellWidth(Part &part, XmlNode *start) const
{
    // In a table cell, the widths of the columns it spans (from their automatic styles)
    // less the cell's padding; -1 when the template does not give them.
    const QString tb = part.ns.table;
    XmlNode *cell = start->ancestor(tb + QStringLiteral("table-cell"));
    XmlNode *row = cell ? cell->parent() : nullptr;
    XmlNode *table = cell ? cell->ancestor(tb + QStringLiteral("table")) : nullptr;
    if (!table || !row)
        return -1;
    auto count = [&](XmlNode *e, const QString &attribute) {
        return std::max(1, e->attribute(tb + attribute, QStringLiteral("1")).toInt());
    };
    int first = 0;
    for (XmlNode *c : row->childElements()) {
        if (c == cell)
            break;
        first += count(c, QStringLiteral("number-columns-repeated"));
    }
    const int spanned = count(cell, QStringLiteral("number-columns-spanned"));
    std::vector<QString> columnStyles;
    std::function<void(XmlNode *)> columns = [&](XmlNode *container) {
        for (XmlNode *c : container->childElements()) {
            if (c->name() == tb + QLatin1String("table-column")) {
                for (int i = 0; i < count(c, QStringLiteral("number-columns-repeated")); ++i)
                    columnStyles.push_back(c->attribute(tb + QStringLiteral("style-name")));
            } else if (c->name() == tb + QLatin1String("table-columns") ||
                       c->name() == tb + QLatin1String("table-header-columns") ||
                       c->name() == tb + QLatin1String("table-column-group")) {
                columns(c);
            }
        }
    };
    columns(table);
    // Column widths are absolute (style:column-width) or relative shares of the table's
    // width (style:rel-column-width, "1000*"), the table spanning the margins by default.
    const QString st = part.ns.style;
    std::map<QString, XmlNode *> styles;
    if (XmlNode *automatic =
            part.doc.root()->child(part.ns.office + QStringLiteral("automatic-styles"))) {
        for (XmlNode *s : automatic->childElements())
            styles[s->attribute(st + QStringLiteral("name"))] = s;
    }
    auto property = [&](const QString &styleName, const QString &element,
                        const QString &attribute) {
        const auto found = styles.find(styleName);
        XmlNode *props = found == styles.end() ? nullptr : found->second->child(st + element);
        return props ? props->attribute(attribute) : QString();
    };
    const QString columnProps = QStringLiteral("table-column-properties");
    double absolute = 0, relative = 0, relativeTotal = 0;
    bool allAbsolute = true, allRelative = true;
    for (size_t i = 0; i < columnStyles.size(); ++i) {
        const double abs = toCentimetres(
            property(columnStyles[i], columnProps, st + QStringLiteral("column-width")));
        QString rel =
            property(columnStyles[i], columnProps, st + QStringLiteral("rel-column-width"));
        rel.remove(QLatin1Char('*'));
        const double share = rel.toDouble();
        const bool inCell = int(i) >= first && int(i) < first + spanned;
        if (inCell) {
            allAbsolute = allAbsolute && abs > 0;
            absolute += abs;
            relative += share;
        }
        allRelative = allRelative && share > 0;
        relativeTotal += share;
    }
    if (columnStyles.size() < size_t(first + spanned))
        return -1;
    double width = -1;
    if (allAbsolute) {
        width = absolute;
    } else if (allRelative && relativeTotal > 0) {
        const double tableWidth = toCentimetres(
            property(table->attribute(tb + QStringLiteral("style-name")),
                     QStringLiteral("table-properties"), st + QStringLiteral("width")));
        width = (tableWidth > 0 ? tableWidth : m_textWidth) * relative / relativeTotal;
    }
    if (width <= 0)
        return -1;
    // Less the cell's padding on both sides.
    const QString cellStyle = cell->attribute(tb + QStringLiteral("style-name"));
    const QString cellProps = QStringLiteral("table-cell-properties");
    const QString fo = part.ns.fo;
    double padding = 0.2;
    const double all =
        toCentimetres(property(cellStyle, cellProps, fo + QStringLiteral("padding")));
    const double left =
        toCentimetres(property(cellStyle, cellProps, fo + QStringLiteral("padding-left")));
    const double right =
        toCentimetres(property(cellStyle, cellProps, fo + QStringLiteral("padding-right")));
    if (left >= 0 || right >= 0)
        padding = std::max(0.0, left) + std::max(0.0, right);
    else if (all >= 0)
        padding = 2 * all;
    return width > padding + 0.5 ? width - padding : -1;
}

void OdtFiller::addAutomaticStyle(Part &part, const QString &styleName, const QString &xml)
{
    XmlNode *root = part.doc.root();
    const QString automaticName = part.ns.office + QStringLiteral("automatic-styles");
    XmlNode *automatic = root->child(automaticName);
    if (!automatic) {
        // Automatic styles come before the body (or the master styles).
        int index = 0;
        for (XmlNode *c : root->childElements()) {
            const QString local = c->localName();
            if (local == QLatin1String("body") || local == QLatin1String("master-styles")) {
                index = c->indexInParent();
                break;
            }
            index = c->indexInParent() + 1;
        }
        automatic = root->insert(index, std::make_unique<XmlNode>(XmlNode::Element, automaticName));
    }
    for (XmlNode *s : automatic->childElements()) {
        if (s->attribute(part.ns.style + QStringLiteral("name")) == styleName)
            return;
    }
    for (auto &node : parseXmlFragment(xml))
        automatic->append(std::move(node));
}

QString OdtFiller::addPicture(const QByteArray &data, const QString &extension, const QString &mime)
{
    QString path;
    do {
        path = QStringLiteral("Pictures/plx%1.%2").arg(m_nextPicture++).arg(extension);
    } while (m_package.contains(path));
    m_package.set(path, data);
    XmlNode *root = m_manifest.root();
    const QString mp = namespacePrefix(root, kManifest, QStringLiteral("manifest"));
    auto entry = std::make_unique<XmlNode>(XmlNode::Element, mp + QStringLiteral("file-entry"));
    entry->setAttribute(mp + QStringLiteral("full-path"), path);
    entry->setAttribute(mp + QStringLiteral("media-type"), mime);
    root->append(std::move(entry));
    return path;
}

} // namespace

bool fillOdt(ZipPackage &package, const DocumentFill &fill, QString *error)
{
    OdtFiller filler(package, fill);
    return filler.run(error);
}

} // namespace plx
