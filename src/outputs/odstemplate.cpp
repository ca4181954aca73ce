#include "outputs/xlsxtemplate.h"

#include "outputs/gridcell.h"

#include <QXmlStreamReader>

namespace plx {

namespace {

const QLatin1String kOffice("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QLatin1String kText("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QLatin1String kTable("urn:oasis:names:tc:opendocument:xmlns:table:1.0");

struct Prefixes
{
    QString office = QStringLiteral("office");
    QString text = QStringLiteral("text");
};

// The attributes a new value replaces: the old value and its type.
bool isValueAttribute(const QXmlStreamAttribute &attribute)
{
    const auto name = attribute.name();
    if (attribute.namespaceUri() == kOffice)
        return name.endsWith(QLatin1String("value")) || name == QLatin1String("value-type") ||
               name == QLatin1String("currency");
    // LibreOffice's own copy of the value type.
    return name == QLatin1String("value-type");
}

QString replacementCell(const QString &qualifiedName, const QXmlStreamAttributes &attributes,
                        const Prefixes &prefixes, const SheetMarkers::Value &value)
{
    QString xml = QLatin1Char('<') + qualifiedName;
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (isValueAttribute(attribute))
            continue;
        xml += QLatin1Char(' ') + attribute.qualifiedName().toString() + QStringLiteral("=\"") +
               attribute.value().toString().toHtmlEscaped() + QLatin1Char('"');
    }
    if (value.numeric) {
        xml += QLatin1Char(' ') + prefixes.office + QStringLiteral(":value-type=\"float\" ") +
               prefixes.office + QStringLiteral(":value=\"") +
               spreadsheetNumber(value.number) + QLatin1Char('"');
    } else if (!value.text.isEmpty()) {
        xml += QLatin1Char(' ') + prefixes.office + QStringLiteral(":value-type=\"string\"");
    } else {
        return xml + QStringLiteral("/>");
    }
    QString shown = value.text;
    if (value.numeric)
        shown.replace(QLatin1Char('.'), QLatin1Char(','));
    xml += QLatin1Char('>');
    for (const QString &line : shown.split(QLatin1Char('\n')))
        xml += QLatin1Char('<') + prefixes.text + QStringLiteral(":p>") + line.toHtmlEscaped() +
               QStringLiteral("</") + prefixes.text + QStringLiteral(":p>");
    return xml + QStringLiteral("</") + qualifiedName + QLatin1Char('>');
}

struct Replacement
{
    qint64 begin, end;
    QString xml;
};

QString fillContent(const QString &content, SheetMarkers &markers)
{
    QXmlStreamReader reader(content);
    Prefixes prefixes;
    std::vector<Replacement> replacements;
    bool stopped = false; // "#STOP" met in the current table
    qint64 before = 0;
    while (!reader.atEnd()) {
        before = reader.characterOffset();
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("table") &&
            reader.namespaceUri() == kTable) {
            stopped = false;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        for (const QXmlStreamNamespaceDeclaration &declaration : reader.namespaceDeclarations()) {
            if (declaration.namespaceUri() == kOffice)
                prefixes.office = declaration.prefix().toString();
            else if (declaration.namespaceUri() == kText)
                prefixes.text = declaration.prefix().toString();
        }
        if (stopped || reader.name() != QLatin1String("table-cell") ||
            reader.namespaceUri() != kTable)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        const QString qualifiedName = reader.qualifiedName().toString();
        const qint64 begin = before;
        const bool formula = attributes.hasAttribute(kTable, QStringLiteral("formula"));
        const bool string =
            attributes.value(kOffice, QStringLiteral("value-type")) == QLatin1String("string");
        // The cell's text: its paragraphs, line by line.
        QStringList paragraphs;
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("p") && reader.namespaceUri() == kText)
                paragraphs << reader.readElementText(QXmlStreamReader::IncludeChildElements);
            else
                reader.skipCurrentElement();
        }
        const qint64 end = reader.characterOffset();
        const QString text = paragraphs.join(QLatin1Char('\n'));
        if (formula || !string || !SheetMarkers::isMarker(text))
            continue;
        if (SheetMarkers::isStop(text)) {
            stopped = true;
            replacements.push_back({begin, end, replacementCell(qualifiedName, attributes,
                                                                prefixes, {})});
            continue;
        }
        replacements.push_back({begin, end, replacementCell(qualifiedName, attributes, prefixes,
                                                            markers.valueOf(text))});
    }
    QString out = content;
    for (auto it = replacements.rbegin(); it != replacements.rend(); ++it)
        out.replace(it->begin, it->end - it->begin, it->xml);
    return out;
}

} // namespace

bool fillOdsEntries(std::vector<ZipEntry> &entries, SheetMarkers &markers, QString *why)
{
    for (ZipEntry &entry : entries) {
        if (entry.name != QLatin1String("content.xml"))
            continue;
        const QString content = QString::fromUtf8(entry.data);
        const QString filled = fillContent(content, markers);
        if (filled != content)
            entry.data = filled.toUtf8();
        return true;
    }
    if (why)
        *why = QStringLiteral("ce n'est pas un classeur OpenDocument (.ods).");
    return false;
}

} // namespace plx
