#include "outputs/xlsxgrid.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <algorithm>

namespace plx {

namespace {

const QLatin1String kMain("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QLatin1String kRelationships("http://schemas.openxmlformats.org/package/2006/relationships");
const QLatin1String
    kDocumentRelationships("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// Cell styles of styles.xml, by index.
enum Style { Plain = 0, Heading = 1, Date = 2, DateTime = 3 };

const char kContentTypes[] =
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
    "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

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

const char kStyles[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"dd/mm/yyyy hh:mm:ss\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
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
    cleaned = cleaned.left(31);
    return cleaned.isEmpty() ? QStringLiteral("Feuil1") : cleaned;
}

// XML 1.0 has no place for most control characters: they are dropped.
QString xmlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            out += c;
    }
    return out;
}

// "A", "B", ... "Z", "AA": the column letters of a cell reference.
QString columnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(QLatin1Char('A' + char((n - 1) % 26))));
    return name;
}

// Days since 30/12/1899, the spreadsheet's date numbering, with the time as a fraction.
double serialOf(const QDateTime &value)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(value.date());
    return double(days) + value.time().msecsSinceStartOfDay() / 86400000.0;
}

struct Cell
{
    enum Kind { Empty, Number, Text } kind = Empty;
    QString value;
    Style style = Plain;
    int width = 0;
};

Cell cellOf(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: {
        const QString number = QString::number(value.toDouble(), 'g', 17);
        return {Cell::Number, number, Plain, int(QString::number(value.toDouble()).size())};
    }
    case QMetaType::QDate:
        if (!value.toDate().isValid())
            return {};
        return {Cell::Number, QString::number(serialOf(QDateTime(value.toDate(), QTime(0, 0)))),
                Date, 10};
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        if (!dateTime.isValid())
            return {};
        const bool midnight = dateTime.time() == QTime(0, 0);
        return {Cell::Number, QString::number(serialOf(dateTime), 'g', 17),
                midnight ? Date : DateTime, midnight ? 10 : 19};
    }
    default: {
        const QString text = xmlText(value.toString());
        return {Cell::Text, text, Plain, int(text.size())};
    }
    }
}

void writeCell(QXmlStreamWriter &xml, int row, int column, const Cell &cell)
{
    xml.writeStartElement(QStringLiteral("c"));
    xml.writeAttribute(QStringLiteral("r"), columnName(column) + QString::number(row + 1));
    if (cell.style != Plain)
        xml.writeAttribute(QStringLiteral("s"), QString::number(int(cell.style)));
    if (cell.kind == Cell::Number) {
        xml.writeTextElement(QStringLiteral("v"), cell.value);
    } else {
        xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        xml.writeStartElement(QStringLiteral("is"));
        xml.writeStartElement(QStringLiteral("t"));
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml.writeCharacters(cell.value);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

QByteArray sheetXml(const XlsxGrid &grid)
{
    // Cells first, so that the column widths (written before the data) fit them.
    std::vector<std::vector<Cell>> cells;
    cells.reserve(grid.rows.size() + 1);
    std::vector<Cell> headings;
    for (const QString &heading : grid.headings)
        headings.push_back({Cell::Text, xmlText(heading), Heading, int(heading.size())});
    cells.push_back(std::move(headings));
    for (const auto &row : grid.rows) {
        std::vector<Cell> line;
        line.reserve(row.size());
        for (const QVariant &value : row)
            line.push_back(cellOf(value));
        cells.push_back(std::move(line));
    }
    std::vector<int> widths;
    for (const auto &line : cells) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].width);
    }

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("worksheet"));
    xml.writeDefaultNamespace(kMain);
    xml.writeStartElement(QStringLiteral("sheetViews"));
    xml.writeStartElement(QStringLiteral("sheetView"));
    xml.writeAttribute(QStringLiteral("workbookViewId"), QStringLiteral("0"));
    xml.writeEmptyElement(QStringLiteral("pane")); // the heading row stays in view
    xml.writeAttribute(QStringLiteral("ySplit"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("topLeftCell"), QStringLiteral("A2"));
    xml.writeAttribute(QStringLiteral("activePane"), QStringLiteral("bottomLeft"));
    xml.writeAttribute(QStringLiteral("state"), QStringLiteral("frozen"));
    xml.writeEndElement();
    xml.writeEndElement();
    if (!widths.empty()) {
        xml.writeStartElement(QStringLiteral("cols"));
        for (size_t c = 0; c < widths.size(); ++c) {
            xml.writeEmptyElement(QStringLiteral("col"));
            xml.writeAttribute(QStringLiteral("min"), QString::number(c + 1));
            xml.writeAttribute(QStringLiteral("max"), QString::number(c + 1));
            xml.writeAttribute(QStringLiteral("width"),
                               QString::number(std::min(widths[c], 60) + 2));
            xml.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
        }
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("sheetData"));
    for (size_t r = 0; r < cells.size(); ++r) {
        xml.writeStartElement(QStringLiteral("row"));
        xml.writeAttribute(QStringLiteral("r"), QString::number(r + 1));
        for (size_t c = 0; c < cells[r].size(); ++c) {
            if (cells[r][c].kind != Cell::Empty)
                writeCell(xml, int(r), int(c), cells[r][c]);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QByteArray workbookXml(const QString &sheetName)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("workbook"));
    xml.writeDefaultNamespace(kMain);
    xml.writeNamespace(kDocumentRelationships, QStringLiteral("r"));
    xml.writeStartElement(QStringLiteral("sheets"));
    xml.writeEmptyElement(QStringLiteral("sheet"));
    xml.writeAttribute(QStringLiteral("name"), sheetNameOf(sheetName));
    xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
    xml.writeAttribute(kDocumentRelationships, QStringLiteral("id"), QStringLiteral("rId1"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool addEntry(QuaZip &zip, const QString &name, const QByteArray &content)
{
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
        return false;
    const bool written = entry.write(content) == content.size();
    entry.close();
    return written && entry.getZipError() == 0;
}

} // namespace

bool exportGridToXlsx(const XlsxGrid &grid, const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Impossible d'écrire le classeur « %1 » : %2")
                         .arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    if (!QFileInfo(path).absoluteDir().exists())
        return fail(QStringLiteral("le dossier n'existe pas."));
    // Zipped in memory: QuaZip closes its device when done, which a QSaveFile cannot take.
    QByteArray archive;
    {
        QBuffer buffer(&archive);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            return fail(QStringLiteral("l'archive ne peut pas être créée."));
        bool ok = addEntry(zip, QStringLiteral("[Content_Types].xml"), QByteArray(kContentTypes)) &&
                  addEntry(zip, QStringLiteral("_rels/.rels"), QByteArray(kPackageRelationships)) &&
                  addEntry(zip, QStringLiteral("xl/workbook.xml"), workbookXml(grid.sheetName)) &&
                  addEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"),
                           QByteArray(kWorkbookRelationships)) &&
                  addEntry(zip, QStringLiteral("xl/styles.xml"), QByteArray(kStyles)) &&
                  addEntry(zip, QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml(grid));
        zip.close();
        if (!ok || zip.getZipError() != 0)
            return fail(QStringLiteral("l'écriture de l'archive a échoué."));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size())
        return fail(file.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace plx
