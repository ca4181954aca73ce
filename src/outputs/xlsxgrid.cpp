#include "outputs/xlsxgrid.h"

#include "outputs/gridcell.h"
#include "outputs/xlsxchart.h"
#include "outputs/zipentries.h"

#include <QDir>
#include <QXmlStreamWriter>

#include <algorithm>

namespace plx {

namespace {

const QLatin1String kMain("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QLatin1String
    kDocumentRelationships("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// Cell styles of styles.xml, by index.
enum Style { Plain = 0, Heading = 1, DateStyle = 2, DateTimeStyle = 3, TitleStyle = 4,
             TimeStyle = 5 };

QByteArray contentTypes(bool chart)
{
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    if (chart)
        out += "<Override PartName=\"/xl/drawings/drawing1.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.drawing+xml\"/>"
               "<Override PartName=\"/xl/charts/chart1.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.drawingml.chart+xml\"/>";
    return out + "</Types>";
}

const char kPackageRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
    "</Relationships>";

const char kWorkbookRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/styles\" Target=\"styles.xml\"/>"
    "</Relationships>";

const char kSheetRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/drawing\" Target=\"../drawings/drawing1.xml\"/>"
    "</Relationships>";

const char kDrawingRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/chart\" Target=\"../charts/chart1.xml\"/>"
    "</Relationships>";

const char kStyles[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"dd/mm/yyyy hh:mm:ss\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"hh:mm:ss\"/></numFmts>"
    "<fonts count=\"3\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font>"
    "<font><b/><sz val=\"14\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill>"
    "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFDCE6F1\"/>"
    "<bgColor indexed=\"64\"/></patternFill></fill></fills>"
    "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
    "<border><left/><right/><top/><bottom style=\"thin\"><color auto=\"1\"/></bottom>"
    "<diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"6\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"2\" borderId=\"1\" xfId=\"0\" applyFont=\"1\" "
    "applyFill=\"1\" applyBorder=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"2\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"166\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

// Characters the format refuses in a sheet name.
QString sheetNameOf(const QString &name)
{
    QString cleaned = name;
    for (QChar c : QStringLiteral("[]:*?/\\"))
        cleaned.replace(c, QLatin1Char('_'));
    cleaned = xmlSafeText(cleaned).left(31);
    return cleaned.isEmpty() ? QStringLiteral("Feuil1") : cleaned;
}

Style styleOf(const GridCell &cell)
{
    switch (cell.kind) {
    case GridCell::Date:
        return DateStyle;
    case GridCell::DateTime:
        return DateTimeStyle;
    case GridCell::Time:
        return TimeStyle;
    default:
        return Plain;
    }
}

// A cell with the text of its <v> or inline string, formatted once.
struct SheetCell
{
    GridCell cell;
    QString value;
};

SheetCell sheetCellOf(const QVariant &variant)
{
    SheetCell out{gridCellOf(variant), QString()};
    if (out.cell.kind == GridCell::Text)
        out.value = out.cell.text;
    else if (out.cell.kind != GridCell::Empty)
        // 15 significant digits, as the spreadsheet itself keeps: 0.1 + 0.2 shows 0.3.
        out.value = spreadsheetNumber(out.cell.number);
    return out;
}

int widthOf(const SheetCell &sheetCell)
{
    switch (sheetCell.cell.kind) {
    case GridCell::Empty:
        return 0;
    case GridCell::Date:
        return 10;
    case GridCell::DateTime:
        return 19;
    case GridCell::Time:
        return 8;
    default:
        return int(sheetCell.value.size());
    }
}

void writeText(QXmlStreamWriter &xml, const QString &ref, const QString &text, Style style)
{
    xml.writeStartElement(QStringLiteral("c"));
    xml.writeAttribute(QStringLiteral("r"), ref);
    if (style != Plain)
        xml.writeAttribute(QStringLiteral("s"), QString::number(int(style)));
    xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
    xml.writeStartElement(QStringLiteral("is"));
    xml.writeStartElement(QStringLiteral("t"));
    xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    xml.writeCharacters(text);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

// The data rows are the bulk of a large sheet: written straight into text, several times
// faster than through the stream writer, with the same XML.
void appendCell(QString &out, const QString &letters, const QString &row, const SheetCell &sheetCell)
{
    out += QLatin1String("<c r=\"");
    out += letters;
    out += row;
    if (sheetCell.cell.kind == GridCell::Text) {
        out += QLatin1String("\" t=\"inlineStr\"><is><t xml:space=\"preserve\">");
        appendXmlEscaped(out, sheetCell.value);
        out += QLatin1String("</t></is></c>");
        return;
    }
    if (const Style style = styleOf(sheetCell.cell); style != Plain) {
        out += QLatin1String("\" s=\"");
        out += QChar(QLatin1Char(char('0' + int(style))));
    }
    out += QLatin1String("\"><v>");
    out += sheetCell.value;
    out += QLatin1String("</v></c>");
}

QByteArray dataRows(const std::vector<std::vector<SheetCell>> &cells, const QStringList &letters,
                    int firstRow)
{
    QString out;
    out.reserve(qsizetype(cells.size()) * qsizetype(letters.size()) * 32);
    for (size_t r = 0; r < cells.size(); ++r) {
        const QString row = QString::number(firstRow + int(r) + 1);
        out += QLatin1String("<row r=\"");
        out += row;
        out += QLatin1String("\">");
        for (size_t c = 0; c < cells[r].size(); ++c) {
            if (cells[r][c].cell.kind != GridCell::Empty)
                appendCell(out, letters[qsizetype(c)], row, cells[r][c]);
        }
        out += QLatin1String("</row>");
    }
    return out.toUtf8();
}

struct Layout
{
    int titleRow = 0;   // 0-based rows; titleRow -1: none
    int headingRow = 0;
    int firstDataRow = 1;
    int columns = 0;
    int lastRow = 0;    // 0-based, the last row written
};

Layout layoutOf(const XlsxGrid &grid)
{
    Layout layout;
    layout.titleRow = grid.title.isEmpty() ? -1 : 0;
    layout.headingRow = layout.titleRow + 1;
    layout.firstDataRow = layout.headingRow + 1;
    layout.columns = int(grid.headings.size());
    for (const auto &row : grid.rows)
        layout.columns = std::max(layout.columns, int(row.size()));
    layout.lastRow = layout.headingRow + int(grid.rows.size());
    return layout;
}

QString ref(int column, int row)
{
    return spreadsheetColumnName(column) + QString::number(row + 1);
}

QByteArray sheetXml(const XlsxGrid &grid, const Layout &layout)
{
    std::vector<std::vector<SheetCell>> cells;
    cells.reserve(grid.rows.size());
    std::vector<int> fitted(size_t(layout.columns), 0);
    for (int c = 0; c < grid.headings.size(); ++c)
        fitted[size_t(c)] = int(grid.headings[c].size());
    for (const auto &row : grid.rows) {
        std::vector<SheetCell> line;
        line.reserve(row.size());
        for (const QVariant &value : row) {
            line.push_back(sheetCellOf(value));
            fitted[line.size() - 1] = std::max(fitted[line.size() - 1], widthOf(line.back()));
        }
        cells.push_back(std::move(line));
    }
    QStringList letters;
    for (int c = 0; c < layout.columns; ++c)
        letters << spreadsheetColumnName(c);

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("worksheet"));
    xml.writeDefaultNamespace(kMain);
    xml.writeNamespace(kDocumentRelationships, QStringLiteral("r"));
    // Printed landscape, as wide as one page: a long list goes down several pages.
    xml.writeStartElement(QStringLiteral("sheetPr"));
    xml.writeEmptyElement(QStringLiteral("pageSetUpPr"));
    xml.writeAttribute(QStringLiteral("fitToPage"), QStringLiteral("1"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("sheetViews"));
    xml.writeStartElement(QStringLiteral("sheetView"));
    xml.writeAttribute(QStringLiteral("workbookViewId"), QStringLiteral("0"));
    xml.writeEmptyElement(QStringLiteral("pane")); // the title and headings stay in view
    xml.writeAttribute(QStringLiteral("ySplit"), QString::number(layout.firstDataRow));
    xml.writeAttribute(QStringLiteral("topLeftCell"), ref(0, layout.firstDataRow));
    xml.writeAttribute(QStringLiteral("activePane"), QStringLiteral("bottomLeft"));
    xml.writeAttribute(QStringLiteral("state"), QStringLiteral("frozen"));
    xml.writeEndElement();
    xml.writeEndElement();
    if (layout.columns > 0) {
        xml.writeStartElement(QStringLiteral("cols"));
        for (int c = 0; c < layout.columns; ++c) {
            double width = c < int(grid.columnWidths.size()) ? grid.columnWidths[size_t(c)] : 0;
            if (width <= 0)
                width = std::min(fitted[size_t(c)], 60) + 2;
            xml.writeEmptyElement(QStringLiteral("col"));
            xml.writeAttribute(QStringLiteral("min"), QString::number(c + 1));
            xml.writeAttribute(QStringLiteral("max"), QString::number(c + 1));
            xml.writeAttribute(QStringLiteral("width"), QString::number(width, 'f', 2));
            xml.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
        }
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("sheetData"));
    if (layout.titleRow >= 0) {
        xml.writeStartElement(QStringLiteral("row"));
        xml.writeAttribute(QStringLiteral("r"), QString::number(layout.titleRow + 1));
        writeText(xml, ref(0, layout.titleRow), xmlSafeText(grid.title), TitleStyle);
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("row"));
    xml.writeAttribute(QStringLiteral("r"), QString::number(layout.headingRow + 1));
    for (int c = 0; c < grid.headings.size(); ++c)
        writeText(xml, ref(c, layout.headingRow), xmlSafeText(grid.headings[c]), Heading);
    xml.writeEndElement();
    xml.writeComment(QStringLiteral("rows")); // replaced by the data rows below
    xml.writeEndElement(); // sheetData
    if (layout.columns > 0) {
        xml.writeEmptyElement(QStringLiteral("autoFilter"));
        xml.writeAttribute(QStringLiteral("ref"), ref(0, layout.headingRow) + QLatin1Char(':') +
                                                      ref(layout.columns - 1, layout.lastRow));
    }
    xml.writeEmptyElement(QStringLiteral("pageMargins"));
    for (const auto &[name, inches] : {std::pair{"left", "0.5"}, {"right", "0.5"}, {"top", "0.6"},
                                       {"bottom", "0.6"}, {"header", "0.3"}, {"footer", "0.3"}})
        xml.writeAttribute(QString::fromLatin1(name), QString::fromLatin1(inches));
    xml.writeEmptyElement(QStringLiteral("pageSetup"));
    xml.writeAttribute(QStringLiteral("paperSize"), QStringLiteral("9")); // A4
    xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("landscape"));
    xml.writeAttribute(QStringLiteral("fitToWidth"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("fitToHeight"), QStringLiteral("0"));
    if (grid.chart) {
        xml.writeEmptyElement(QStringLiteral("drawing"));
        xml.writeAttribute(kDocumentRelationships, QStringLiteral("id"), QStringLiteral("rId1"));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    out.replace("<!--rows-->", dataRows(cells, letters, layout.firstDataRow));
    return out;
}

QByteArray workbookXml(const QString &sheetName, const Layout &layout)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("workbook"));
    xml.writeDefaultNamespace(kMain);
    xml.writeNamespace(kDocumentRelationships, QStringLiteral("r"));
    xml.writeStartElement(QStringLiteral("sheets"));
    xml.writeEmptyElement(QStringLiteral("sheet"));
    xml.writeAttribute(QStringLiteral("name"), sheetName);
    xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
    xml.writeAttribute(kDocumentRelationships, QStringLiteral("id"), QStringLiteral("rId1"));
    xml.writeEndElement();
    if (layout.columns > 0) {
        // The spreadsheet application finds an autofilter's range through this name.
        QString quoted = sheetName;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        const QString range = QLatin1Char('$') + spreadsheetColumnName(0) + QLatin1Char('$') +
                              QString::number(layout.headingRow + 1) + QStringLiteral(":$") +
                              spreadsheetColumnName(layout.columns - 1) + QLatin1Char('$') +
                              QString::number(layout.lastRow + 1);
        xml.writeStartElement(QStringLiteral("definedNames"));
        xml.writeStartElement(QStringLiteral("definedName"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("_xlnm._FilterDatabase"));
        xml.writeAttribute(QStringLiteral("localSheetId"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("hidden"), QStringLiteral("1"));
        xml.writeCharacters(QLatin1Char('\'') + quoted + QStringLiteral("'!") + range);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace

QString gridWriteError(const QString &path, const QString &why)
{
    return QStringLiteral("Impossible d'écrire le classeur « %1 » : %2")
        .arg(QDir::toNativeSeparators(path), why);
}

bool exportGridToXlsx(const XlsxGrid &grid, const QString &path, QString *error)
{
    const Layout layout = layoutOf(grid);
    const QString sheetName = sheetNameOf(grid.sheetName);
    std::vector<ZipEntry> entries = {
        {QStringLiteral("[Content_Types].xml"), contentTypes(grid.chart.has_value())},
        {QStringLiteral("_rels/.rels"), QByteArray(kPackageRelationships)},
        {QStringLiteral("xl/workbook.xml"), workbookXml(sheetName, layout)},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), QByteArray(kWorkbookRelationships)},
        {QStringLiteral("xl/styles.xml"), QByteArray(kStyles)},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml(grid, layout)},
    };
    if (grid.chart) {
        XlsxChartCells cells;
        cells.sheetName = sheetName;
        cells.headingRow = layout.headingRow + 1;
        cells.firstRow = layout.firstDataRow + 1;
        cells.lastRow = std::max(layout.lastRow + 1, cells.firstRow);
        entries.push_back({QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"),
                           QByteArray(kSheetRelationships)});
        entries.push_back({QStringLiteral("xl/drawings/drawing1.xml"),
                           xlsxDrawingXml(layout.columns + 1, layout.headingRow)});
        entries.push_back({QStringLiteral("xl/drawings/_rels/drawing1.xml.rels"),
                           QByteArray(kDrawingRelationships)});
        entries.push_back(
            {QStringLiteral("xl/charts/chart1.xml"), xlsxChartXml(*grid.chart, cells)});
    }
    QString why;
    if (!writeZipEntries(path, entries, &why)) {
        if (error)
            *error = gridWriteError(path, why);
        return false;
    }
    return true;
}

} // namespace plx
