#include "outputs/xlsxtemplate.h"

#include "outputs/gridcell.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace plx {

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// Every <si> of sharedStrings.xml as plain text (rich runs joined, phonetic runs left out).
QStringList sharedStrings(const QByteArray &xml)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    QString current;
    int depth = 0;        // inside <si>
    bool phonetic = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("si")) {
                depth = 1;
                current.clear();
            } else if (reader.name() == QLatin1String("rPh")) {
                phonetic = true;
            } else if (depth && !phonetic && reader.name() == QLatin1String("t")) {
                current += reader.readElementText();
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("si")) {
                strings << current;
                depth = 0;
            } else if (reader.name() == QLatin1String("rPh")) {
                phonetic = false;
            }
        }
    }
    return strings;
}

struct CellSpan
{
    qint64 begin = 0, end = 0; // QString offsets of <c ...> ... </c>
    QString reference, style, type;
    bool formula = false;
    QString value;       // <v>
    QString inlineText;  // <is> text
    bool hasInline = false;
};

QString replacementCell(const CellSpan &cell, const SheetMarkers::Value &value)
{
    QString xml = QStringLiteral("<c r=\"") + escaped(cell.reference) + QLatin1Char('"');
    if (!cell.style.isEmpty())
        xml += QStringLiteral(" s=\"") + escaped(cell.style) + QLatin1Char('"');
    if (value.numeric)
        return xml + QStringLiteral("><v>") + spreadsheetNumber(value.number) +
               QStringLiteral("</v></c>");
    if (value.text.isEmpty())
        return xml + QStringLiteral("/>");
    return xml + QStringLiteral(" t=\"inlineStr\"><is><t xml:space=\"preserve\">") +
           escaped(value.text) + QStringLiteral("</t></is></c>");
}

// Rewrites the marker cells of one sheet; the rest of the text is kept as it is.
QString fillSheet(const QString &sheet, const QStringList &strings, SheetMarkers &markers)
{
    QXmlStreamReader reader(sheet);
    std::vector<std::pair<CellSpan, QString>> replacements;
    CellSpan cell;
    bool inCell = false, inInline = false;
    qint64 before = 0;
    while (!reader.atEnd()) {
        before = reader.characterOffset();
        reader.readNext();
        if (reader.isStartElement()) {
            const auto name = reader.name();
            if (name == QLatin1String("c")) {
                cell = CellSpan();
                inCell = true;
                cell.begin = before;
                const auto attributes = reader.attributes();
                cell.reference = attributes.value(QLatin1String("r")).toString();
                cell.style = attributes.value(QLatin1String("s")).toString();
                cell.type = attributes.value(QLatin1String("t")).toString();
            } else if (inCell && name == QLatin1String("f")) {
                cell.formula = true;
            } else if (inCell && name == QLatin1String("v")) {
                cell.value = reader.readElementText();
            } else if (inCell && name == QLatin1String("is")) {
                inInline = true;
                cell.hasInline = true;
            } else if (inInline && name == QLatin1String("t")) {
                cell.inlineText += reader.readElementText();
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("is")) {
                inInline = false;
            } else if (reader.name() == QLatin1String("c") && inCell) {
                inCell = false;
                cell.end = reader.characterOffset();
                if (cell.formula)
                    continue;
                QString text;
                if (cell.type == QLatin1String("s")) {
                    bool ok = false;
                    const int index = cell.value.toInt(&ok);
                    if (!ok || index < 0 || index >= strings.size())
                        continue;
                    text = strings[index];
                } else if (cell.type == QLatin1String("inlineStr")) {
                    text = cell.inlineText;
                } else {
                    continue;
                }
                if (!SheetMarkers::isMarker(text))
                    continue;
                if (SheetMarkers::isStop(text)) {
                    replacements.emplace_back(cell, replacementCell(cell, {}));
                    break;
                }
                replacements.emplace_back(cell, replacementCell(cell, markers.valueOf(text)));
            }
        }
    }
    QString out = sheet;
    for (auto it = replacements.rbegin(); it != replacements.rend(); ++it)
        out.replace(it->first.begin, it->first.end - it->first.begin, it->second);
    return out;
}

// Asks the spreadsheet to compute the formulas again on opening: their cached results
// predate the values just written.
QString withRecalculation(QString workbook)
{
    static const QRegularExpression calcPr(QStringLiteral("<calcPr\\b([^>]*?)(/?)>"));
    const QRegularExpressionMatch match = calcPr.match(workbook);
    if (match.hasMatch()) {
        if (match.captured(1).contains(QLatin1String("fullCalcOnLoad")))
            return workbook;
        workbook.insert(match.capturedStart(1), QStringLiteral(" fullCalcOnLoad=\"1\""));
        return workbook;
    }
    // calcPr goes before these elements of the workbook, when they are present.
    static const QRegularExpression after(QStringLiteral(
        "<(oleSize|customWorkbookViews|pivotCaches|smartTagPr|smartTagTypes|webPublishing|"
        "fileRecoveryPr|webPublishObjects|extLst)\\b|</workbook>"));
    const QRegularExpressionMatch next = after.match(workbook);
    if (next.hasMatch())
        workbook.insert(next.capturedStart(), QStringLiteral("<calcPr fullCalcOnLoad=\"1\"/>"));
    return workbook;
}

} // namespace

bool fillXlsxEntries(std::vector<ZipEntry> &entries, SheetMarkers &markers, QString *why)
{
    QStringList strings;
    bool workbookFound = false;
    for (const ZipEntry &entry : entries) {
        if (entry.name == QLatin1String("xl/sharedStrings.xml"))
            strings = sharedStrings(entry.data);
        workbookFound = workbookFound || entry.name == QLatin1String("xl/workbook.xml");
    }
    if (!workbookFound) {
        if (why)
            *why = QStringLiteral("ce n'est pas un classeur Excel (.xlsx).");
        return false;
    }
    static const QRegularExpression sheetName(QStringLiteral("^xl/worksheets/[^/]+\\.xml$"));
    for (ZipEntry &entry : entries) {
        if (sheetName.match(entry.name).hasMatch()) {
            const QString sheet = QString::fromUtf8(entry.data);
            const QString filled = fillSheet(sheet, strings, markers);
            if (filled != sheet)
                entry.data = filled.toUtf8();
        } else if (entry.name == QLatin1String("xl/workbook.xml")) {
            entry.data = withRecalculation(QString::fromUtf8(entry.data)).toUtf8();
        }
    }
    return true;
}

} // namespace plx
