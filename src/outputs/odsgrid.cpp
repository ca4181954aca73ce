#include "outputs/odsgrid.h"

#include "outputs/gridcell.h"
#include "outputs/zipentries.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace plx {

namespace {

const QLatin1String kOffice("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QLatin1String kStyle("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QLatin1String kText("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QLatin1String kTable("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QLatin1String kFo("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QLatin1String kNumber("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
const QLatin1String kConfig("urn:oasis:names:tc:opendocument:xmlns:config:1.0");

const char kManifest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">"
    "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
    "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
    "<manifest:file-entry manifest:full-path=\"settings.xml\" manifest:media-type=\"text/xml\"/>"
    "</manifest:manifest>";

// An .xlsx width of one character is about 0.19 cm of the default font.
QString centimetres(double characters)
{
    return QString::number(std::max(characters, 1.0) * 0.19, 'f', 3) + QStringLiteral("cm");
}

void dateStyle(QXmlStreamWriter &xml, const QString &name, bool date, bool time)
{
    xml.writeStartElement(kNumber, date ? QStringLiteral("date-style")
                                        : QStringLiteral("time-style"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), name);
    auto part = [&](const char *element, bool longForm) {
        xml.writeEmptyElement(kNumber, QString::fromLatin1(element));
        if (longForm)
            xml.writeAttribute(kNumber, QStringLiteral("style"), QStringLiteral("long"));
    };
    auto separator = [&](const char *text) {
        xml.writeTextElement(kNumber, QStringLiteral("text"), QString::fromLatin1(text));
    };
    if (date) {
        part("day", true);
        separator("/");
        part("month", true);
        separator("/");
        part("year", true);
    }
    if (date && time)
        separator(" ");
    if (time) {
        part("hours", true);
        separator(":");
        part("minutes", true);
        separator(":");
        part("seconds", true);
    }
    xml.writeEndElement();
}

void cellStyle(QXmlStreamWriter &xml, const QString &name, const QString &dataStyle, bool bold,
               const QString &size = QString(), bool shaded = false)
{
    xml.writeStartElement(kStyle, QStringLiteral("style"));
    xml.writeAttribute(kStyle, QStringLiteral("name"), name);
    xml.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("table-cell"));
    if (!dataStyle.isEmpty())
        xml.writeAttribute(kStyle, QStringLiteral("data-style-name"), dataStyle);
    if (shaded) {
        xml.writeEmptyElement(kStyle, QStringLiteral("table-cell-properties"));
        xml.writeAttribute(kFo, QStringLiteral("background-color"), QStringLiteral("#dce6f1"));
        xml.writeAttribute(kFo, QStringLiteral("border-bottom"),
                           QStringLiteral("0.06pt solid #000000"));
    }
    if (bold || !size.isEmpty()) {
        xml.writeEmptyElement(kStyle, QStringLiteral("text-properties"));
        if (bold)
            xml.writeAttribute(kFo, QStringLiteral("font-weight"), QStringLiteral("bold"));
        if (!size.isEmpty())
            xml.writeAttribute(kFo, QStringLiteral("font-size"), size);
    }
    xml.writeEndElement();
}

void textCell(QXmlStreamWriter &xml, const QString &text, const QString &style = QString())
{
    xml.writeStartElement(kTable, QStringLiteral("table-cell"));
    if (!style.isEmpty())
        xml.writeAttribute(kTable, QStringLiteral("style-name"), style);
    xml.writeAttribute(kOffice, QStringLiteral("value-type"), QStringLiteral("string"));
    // Line breaks become paragraphs; runs of spaces would collapse without text:s.
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        xml.writeStartElement(kText, QStringLiteral("p"));
        xml.writeCharacters(line);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// The data cells are the bulk of a large table: written straight into text, several times
// faster than through the stream writer. Line breaks of a text become paragraphs.
void appendCell(QString &out, const GridCell &cell, const QString &shown)
{
    switch (cell.kind) {
    case GridCell::Empty:
        out += QLatin1String("<table:table-cell/>");
        return;
    case GridCell::Text:
        out += QLatin1String("<table:table-cell office:value-type=\"string\">");
        for (const QString &line : cell.text.split(QLatin1Char('\n'))) {
            out += QLatin1String("<text:p>");
            appendXmlEscaped(out, line);
            out += QLatin1String("</text:p>");
        }
        out += QLatin1String("</table:table-cell>");
        return;
    case GridCell::Number:
        out += QLatin1String("<table:table-cell office:value-type=\"float\" office:value=\"");
        out += spreadsheetNumber(cell.number);
        break;
    case GridCell::Date:
        out += QLatin1String("<table:table-cell table:style-name=\"ceDate\" "
                             "office:value-type=\"date\" office:date-value=\"");
        out += cell.date.toString(Qt::ISODate);
        break;
    case GridCell::DateTime:
        out += QLatin1String("<table:table-cell table:style-name=\"ceDateTime\" "
                             "office:value-type=\"date\" office:date-value=\"");
        out += cell.date.toString(Qt::ISODate);
        out += QLatin1Char('T');
        out += clockTime(cell.time);
        break;
    case GridCell::Time:
        out += QLatin1String("<table:table-cell table:style-name=\"ceTime\" "
                             "office:value-type=\"time\" office:time-value=\"");
        out += cell.time.toString(QStringLiteral("'PT'HH'H'mm'M'ss'S'"));
        break;
    }
    out += QLatin1String("\"><text:p>");
    out += shown;
    out += QLatin1String("</text:p></table:table-cell>");
}

QString sheetNameOf(const QString &name)
{
    QString cleaned = name;
    for (QChar c : QStringLiteral("[]:*?/\\'"))
        cleaned.replace(c, QLatin1Char('_'));
    cleaned = xmlSafeText(cleaned).left(31);
    return cleaned.isEmpty() ? QStringLiteral("Feuille1") : cleaned;
}

QByteArray contentXml(const XlsxGrid &grid, const QString &sheetName, int columns,
                      int &headingRow)
{
    // Each cell with the text it shows, formatted once.
    std::vector<std::vector<std::pair<GridCell, QString>>> cells;
    cells.reserve(grid.rows.size());
    std::vector<int> fitted(size_t(columns), 0);
    for (int c = 0; c < grid.headings.size(); ++c)
        fitted[size_t(c)] = int(grid.headings[c].size());
    for (const auto &row : grid.rows) {
        std::vector<std::pair<GridCell, QString>> line;
        line.reserve(row.size());
        for (const QVariant &value : row) {
            GridCell cell = gridCellOf(value);
            QString shown = frenchCellText(cell);
            fitted[line.size()] = std::max(fitted[line.size()], int(shown.size()));
            line.emplace_back(std::move(cell), std::move(shown));
        }
        cells.push_back(std::move(line));
    }

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    for (const auto &[uri, prefix] :
         {std::pair{kOffice, "office"}, {kStyle, "style"}, {kText, "text"}, {kTable, "table"},
          {kFo, "fo"}, {kNumber, "number"}})
        xml.writeNamespace(uri, QString::fromLatin1(prefix));
    xml.writeStartElement(kOffice, QStringLiteral("document-content"));
    xml.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(kOffice, QStringLiteral("automatic-styles"));
    dateStyle(xml, QStringLiteral("N1"), true, false);
    dateStyle(xml, QStringLiteral("N2"), true, true);
    dateStyle(xml, QStringLiteral("N3"), false, true);
    for (int c = 0; c < columns; ++c) {
        double width = c < int(grid.columnWidths.size()) ? grid.columnWidths[size_t(c)] : 0;
        if (width <= 0)
            width = std::min(fitted[size_t(c)], 60) + 2;
        xml.writeStartElement(kStyle, QStringLiteral("style"));
        xml.writeAttribute(kStyle, QStringLiteral("name"), QStringLiteral("co%1").arg(c + 1));
        xml.writeAttribute(kStyle, QStringLiteral("family"), QStringLiteral("table-column"));
        xml.writeEmptyElement(kStyle, QStringLiteral("table-column-properties"));
        xml.writeAttribute(kStyle, QStringLiteral("column-width"), centimetres(width));
        xml.writeEndElement();
    }
    cellStyle(xml, QStringLiteral("ceDate"), QStringLiteral("N1"), false);
    cellStyle(xml, QStringLiteral("ceDateTime"), QStringLiteral("N2"), false);
    cellStyle(xml, QStringLiteral("ceTime"), QStringLiteral("N3"), false);
    cellStyle(xml, QStringLiteral("ceHeading"), QString(), true, QString(), true);
    cellStyle(xml, QStringLiteral("ceTitle"), QString(), true, QStringLiteral("14pt"));
    xml.writeEndElement();

    xml.writeStartElement(kOffice, QStringLiteral("body"));
    xml.writeStartElement(kOffice, QStringLiteral("spreadsheet"));
    xml.writeStartElement(kTable, QStringLiteral("table"));
    xml.writeAttribute(kTable, QStringLiteral("name"), sheetName);
    for (int c = 0; c < columns; ++c) {
        xml.writeEmptyElement(kTable, QStringLiteral("table-column"));
        xml.writeAttribute(kTable, QStringLiteral("style-name"), QStringLiteral("co%1").arg(c + 1));
    }
    headingRow = 0;
    if (!grid.title.isEmpty()) {
        xml.writeStartElement(kTable, QStringLiteral("table-row"));
        textCell(xml, xmlSafeText(grid.title), QStringLiteral("ceTitle"));
        xml.writeEndElement();
        headingRow = 1;
    }
    xml.writeStartElement(kTable, QStringLiteral("table-row"));
    for (const QString &heading : grid.headings)
        textCell(xml, xmlSafeText(heading), QStringLiteral("ceHeading"));
    xml.writeEndElement();
    xml.writeComment(QStringLiteral("rows")); // replaced by the data rows below
    xml.writeEndElement(); // table
    if (columns > 0) {
        const QString range = QStringLiteral("'%1'.%2%3:'%1'.%4%5")
                                  .arg(sheetName, spreadsheetColumnName(0))
                                  .arg(headingRow + 1)
                                  .arg(spreadsheetColumnName(columns - 1))
                                  .arg(headingRow + 1 + int(grid.rows.size()));
        xml.writeStartElement(kTable, QStringLiteral("database-ranges"));
        xml.writeEmptyElement(kTable, QStringLiteral("database-range"));
        xml.writeAttribute(kTable, QStringLiteral("name"), QStringLiteral("__Anonymous_Sheet_DB__0"));
        xml.writeAttribute(kTable, QStringLiteral("target-range-address"), range);
        xml.writeAttribute(kTable, QStringLiteral("display-filter-buttons"), QStringLiteral("true"));
        xml.writeEndElement();
    }
    xml.writeEndElement(); // spreadsheet
    xml.writeEndElement(); // body
    xml.writeEndElement();
    xml.writeEndDocument();
    // The prefixes declared above on the root element.
    QString rows;
    rows.reserve(qsizetype(cells.size()) * columns * 60);
    for (const auto &line : cells) {
        rows += QLatin1String("<table:table-row>");
        for (const auto &[cell, shown] : line)
            appendCell(rows, cell, shown);
        rows += QLatin1String("</table:table-row>");
    }
    out.replace("<!--rows-->", rows.toUtf8());
    return out;
}

// The view settings that freeze the rows above the data.
QByteArray settingsXml(const QString &sheetName, int frozenRows)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(kOffice, QStringLiteral("office"));
    xml.writeNamespace(kConfig, QStringLiteral("config"));
    xml.writeStartElement(kOffice, QStringLiteral("document-settings"));
    xml.writeAttribute(kOffice, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(kOffice, QStringLiteral("settings"));
    auto open = [&](const char *element, const QString &name) {
        xml.writeStartElement(kConfig, QString::fromLatin1(element));
        xml.writeAttribute(kConfig, QStringLiteral("name"), name);
    };
    auto item = [&](const char *name, const char *type, const QString &value) {
        xml.writeStartElement(kConfig, QStringLiteral("config-item"));
        xml.writeAttribute(kConfig, QStringLiteral("name"), QString::fromLatin1(name));
        xml.writeAttribute(kConfig, QStringLiteral("type"), QString::fromLatin1(type));
        xml.writeCharacters(value);
        xml.writeEndElement();
    };
    open("config-item-set", QStringLiteral("ooo:view-settings"));
    open("config-item-map-indexed", QStringLiteral("Views"));
    xml.writeStartElement(kConfig, QStringLiteral("config-item-map-entry"));
    item("ViewId", "string", QStringLiteral("view1"));
    open("config-item-map-named", QStringLiteral("Tables"));
    open("config-item-map-entry", sheetName);
    item("HorizontalSplitMode", "short", QStringLiteral("0"));
    item("VerticalSplitMode", "short", QStringLiteral("2"));
    item("VerticalSplitPosition", "int", QString::number(frozenRows));
    item("ActiveSplitRange", "short", QStringLiteral("2"));
    item("PositionTop", "int", QStringLiteral("0"));
    item("PositionBottom", "int", QString::number(frozenRows));
    xml.writeEndElement();
    xml.writeEndElement();
    item("ActiveTable", "string", sheetName);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace

bool exportGridToOds(const XlsxGrid &grid, const QString &path, QString *error)
{
    int columns = int(grid.headings.size());
    for (const auto &row : grid.rows)
        columns = std::max(columns, int(row.size()));
    const QString sheetName = sheetNameOf(grid.sheetName);
    int headingRow = 0;
    const QByteArray content = contentXml(grid, sheetName, columns, headingRow);
    const std::vector<ZipEntry> entries = {
        {QStringLiteral("mimetype"), QByteArray("application/vnd.oasis.opendocument.spreadsheet"),
         true},
        {QStringLiteral("content.xml"), content},
        {QStringLiteral("settings.xml"), settingsXml(sheetName, headingRow + 1)},
        {QStringLiteral("META-INF/manifest.xml"), QByteArray(kManifest)},
    };
    QString why;
    if (!writeZipEntries(path, entries, &why)) {
        if (error)
            *error = gridWriteError(path, why);
        return false;
    }
    return true;
}

} // namespace plx
