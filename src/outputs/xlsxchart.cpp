#include "outputs/xlsxchart.h"

#include "outputs/gridcell.h"

#include <QXmlStreamWriter>

namespace plx {

namespace {

const QLatin1String kChart("http://schemas.openxmlformats.org/drawingml/2006/chart");
const QLatin1String kDrawing("http://schemas.openxmlformats.org/drawingml/2006/main");
const QLatin1String kRelations("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QLatin1String
    kSheetDrawing("http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing");

// Axis ids: the category axis, the left and the right value axes.
const QLatin1String kCategoryAxis("500000001");
const QLatin1String kValueAxis("500000002");
const QLatin1String kSecondCategoryAxis("500000003");
const QLatin1String kSecondValueAxis("500000004");

QString sheetReference(const XlsxChartCells &cells, int column, int first, int last)
{
    QString sheet = cells.sheetName;
    sheet.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QString letters = QLatin1Char('$') + spreadsheetColumnName(column) + QLatin1Char('$');
    QString reference = QLatin1Char('\'') + sheet + QStringLiteral("'!") + letters +
                        QString::number(first);
    if (last != first)
        reference += QLatin1Char(':') + letters + QString::number(last);
    return reference;
}

void value(QXmlStreamWriter &xml, const QString &element, const QString &val)
{
    xml.writeEmptyElement(kChart, element);
    xml.writeAttribute(QStringLiteral("val"), val);
}

// A title of plain text: <c:title><c:tx><c:rich>...</c:rich></c:tx></c:title>.
void title(QXmlStreamWriter &xml, const QString &text, bool vertical = false)
{
    xml.writeStartElement(kChart, QStringLiteral("title"));
    xml.writeStartElement(kChart, QStringLiteral("tx"));
    xml.writeStartElement(kChart, QStringLiteral("rich"));
    xml.writeEmptyElement(kDrawing, QStringLiteral("bodyPr"));
    if (vertical)
        xml.writeAttribute(QStringLiteral("rot"), QStringLiteral("-5400000"));
    xml.writeStartElement(kDrawing, QStringLiteral("p"));
    xml.writeStartElement(kDrawing, QStringLiteral("r"));
    xml.writeTextElement(kDrawing, QStringLiteral("t"), xmlSafeText(text));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    value(xml, QStringLiteral("overlay"), QStringLiteral("0"));
    xml.writeEndElement();
}

void series(QXmlStreamWriter &xml, const NativeChart &chart, const NativeChart::Series &s, int index,
            const XlsxChartCells &cells)
{
    xml.writeStartElement(kChart, QStringLiteral("ser"));
    value(xml, QStringLiteral("idx"), QString::number(index));
    value(xml, QStringLiteral("order"), QString::number(index));
    xml.writeStartElement(kChart, QStringLiteral("tx"));
    xml.writeStartElement(kChart, QStringLiteral("strRef"));
    xml.writeTextElement(kChart, QStringLiteral("f"),
                         sheetReference(cells, s.column, cells.headingRow, cells.headingRow));
    xml.writeEndElement();
    xml.writeEndElement();
    // Explicit colours: without a theme part the office suite draws "automatic" series in
    // no colour at all.
    static const char *const palette[] = {"1F77B4", "D62728", "2CA02C", "FF7F0E", "9467BD",
                                          "8C564B", "E377C2", "7F7F7F", "BCBD22", "17BECF"};
    const QString colour = QString::fromLatin1(palette[index % 10]);
    xml.writeStartElement(kChart, QStringLiteral("spPr"));
    if (!s.bars) {
        xml.writeStartElement(kDrawing, QStringLiteral("ln"));
        xml.writeAttribute(QStringLiteral("w"), QStringLiteral("19050"));
    }
    xml.writeStartElement(kDrawing, QStringLiteral("solidFill"));
    xml.writeEmptyElement(kDrawing, QStringLiteral("srgbClr"));
    xml.writeAttribute(QStringLiteral("val"), colour);
    xml.writeEndElement();
    if (!s.bars)
        xml.writeEndElement();
    xml.writeEndElement();
    if (s.bars)
        value(xml, QStringLiteral("invertIfNegative"), QStringLiteral("0"));
    if (!s.bars) {
        xml.writeStartElement(kChart, QStringLiteral("marker"));
        value(xml, QStringLiteral("symbol"), QStringLiteral("none"));
        xml.writeEndElement();
    }
    xml.writeStartElement(kChart, QStringLiteral("cat"));
    xml.writeStartElement(kChart, chart.textCategories ? QStringLiteral("strRef")
                                                       : QStringLiteral("numRef"));
    xml.writeTextElement(kChart, QStringLiteral("f"),
                         sheetReference(cells, chart.categoryColumn, cells.firstRow, cells.lastRow));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(kChart, QStringLiteral("val"));
    xml.writeStartElement(kChart, QStringLiteral("numRef"));
    xml.writeTextElement(kChart, QStringLiteral("f"),
                         sheetReference(cells, s.column, cells.firstRow, cells.lastRow));
    xml.writeEndElement();
    xml.writeEndElement();
    if (!s.bars)
        value(xml, QStringLiteral("smooth"), QStringLiteral("0"));
    xml.writeEndElement();
}

// One bar or line group on the given pair of axes.
void group(QXmlStreamWriter &xml, const NativeChart &chart, bool bars, bool secondary,
           const XlsxChartCells &cells, int &index)
{
    std::vector<NativeChart::Series> members;
    for (const auto &s : chart.series) {
        if (s.bars == bars && s.secondaryAxis == secondary)
            members.push_back(s);
    }
    if (members.empty())
        return;
    xml.writeStartElement(kChart, bars ? QStringLiteral("barChart") : QStringLiteral("lineChart"));
    if (bars) {
        value(xml, QStringLiteral("barDir"), QStringLiteral("col"));
        value(xml, QStringLiteral("grouping"), QStringLiteral("clustered"));
    } else {
        value(xml, QStringLiteral("grouping"), QStringLiteral("standard"));
    }
    value(xml, QStringLiteral("varyColors"), QStringLiteral("0"));
    for (const auto &s : members)
        series(xml, chart, s, index++, cells);
    if (bars)
        value(xml, QStringLiteral("gapWidth"), QStringLiteral("50"));
    else
        value(xml, QStringLiteral("marker"), QStringLiteral("1"));
    value(xml, QStringLiteral("axId"), secondary ? kSecondCategoryAxis : kCategoryAxis);
    value(xml, QStringLiteral("axId"), secondary ? kSecondValueAxis : kValueAxis);
    xml.writeEndElement();
}

void categoryAxis(QXmlStreamWriter &xml, const QString &id, const QString &cross,
                  const QString &text, const QString &format, bool hidden)
{
    xml.writeStartElement(kChart, QStringLiteral("catAx"));
    value(xml, QStringLiteral("axId"), id);
    xml.writeStartElement(kChart, QStringLiteral("scaling"));
    value(xml, QStringLiteral("orientation"), QStringLiteral("minMax"));
    xml.writeEndElement();
    value(xml, QStringLiteral("delete"), hidden ? QStringLiteral("1") : QStringLiteral("0"));
    value(xml, QStringLiteral("axPos"), QStringLiteral("b"));
    if (!hidden && !text.isEmpty())
        title(xml, text);
    // The office suite shows date categories as day numbers unless told their format.
    xml.writeEmptyElement(kChart, QStringLiteral("numFmt"));
    xml.writeAttribute(QStringLiteral("formatCode"),
                       format.isEmpty() ? QStringLiteral("General") : format);
    xml.writeAttribute(QStringLiteral("sourceLinked"),
                       format.isEmpty() ? QStringLiteral("1") : QStringLiteral("0"));
    value(xml, QStringLiteral("tickLblPos"), QStringLiteral("nextTo"));
    value(xml, QStringLiteral("crossAx"), cross);
    value(xml, QStringLiteral("crosses"), QStringLiteral("autoZero"));
    value(xml, QStringLiteral("auto"), QStringLiteral("1"));
    value(xml, QStringLiteral("lblAlgn"), QStringLiteral("ctr"));
    value(xml, QStringLiteral("lblOffset"), QStringLiteral("100"));
    value(xml, QStringLiteral("noMultiLvlLbl"), QStringLiteral("0"));
    xml.writeEndElement();
}

void valueAxis(QXmlStreamWriter &xml, const QString &id, const QString &cross,
               const QString &text, bool right)
{
    xml.writeStartElement(kChart, QStringLiteral("valAx"));
    value(xml, QStringLiteral("axId"), id);
    xml.writeStartElement(kChart, QStringLiteral("scaling"));
    value(xml, QStringLiteral("orientation"), QStringLiteral("minMax"));
    xml.writeEndElement();
    value(xml, QStringLiteral("delete"), QStringLiteral("0"));
    value(xml, QStringLiteral("axPos"), right ? QStringLiteral("r") : QStringLiteral("l"));
    if (!right)
        xml.writeEmptyElement(kChart, QStringLiteral("majorGridlines"));
    if (!text.isEmpty())
        title(xml, text, true);
    xml.writeEmptyElement(kChart, QStringLiteral("numFmt"));
    xml.writeAttribute(QStringLiteral("formatCode"), QStringLiteral("General"));
    xml.writeAttribute(QStringLiteral("sourceLinked"), QStringLiteral("1"));
    value(xml, QStringLiteral("tickLblPos"), QStringLiteral("nextTo"));
    value(xml, QStringLiteral("crossAx"), cross);
    value(xml, QStringLiteral("crosses"), right ? QStringLiteral("max") : QStringLiteral("autoZero"));
    value(xml, QStringLiteral("crossBetween"), QStringLiteral("between"));
    xml.writeEndElement();
}

} // namespace

QByteArray xlsxChartXml(const NativeChart &chart, const XlsxChartCells &cells)
{
    bool secondary = false;
    for (const auto &s : chart.series)
        secondary = secondary || s.secondaryAxis;

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeNamespace(kChart, QStringLiteral("c"));
    xml.writeNamespace(kDrawing, QStringLiteral("a"));
    xml.writeNamespace(kRelations, QStringLiteral("r"));
    xml.writeStartElement(kChart, QStringLiteral("chartSpace"));
    value(xml, QStringLiteral("roundedCorners"), QStringLiteral("0"));
    xml.writeStartElement(kChart, QStringLiteral("chart"));
    if (!chart.title.isEmpty())
        title(xml, chart.title);
    value(xml, QStringLiteral("autoTitleDeleted"), chart.title.isEmpty() ? QStringLiteral("1")
                                                                        : QStringLiteral("0"));
    xml.writeStartElement(kChart, QStringLiteral("plotArea"));
    xml.writeEmptyElement(kChart, QStringLiteral("layout"));
    int index = 0;
    // Bars first so that lines are drawn over them, as on the screen.
    group(xml, chart, true, false, cells, index);
    group(xml, chart, false, false, cells, index);
    group(xml, chart, true, true, cells, index);
    group(xml, chart, false, true, cells, index);
    categoryAxis(xml, kCategoryAxis, kValueAxis, chart.categoryTitle, chart.categoryFormat, false);
    valueAxis(xml, kValueAxis, kCategoryAxis, chart.valueTitle, false);
    if (secondary) {
        categoryAxis(xml, kSecondCategoryAxis, kSecondValueAxis, QString(), QString(), true);
        valueAxis(xml, kSecondValueAxis, kSecondCategoryAxis, chart.secondaryValueTitle, true);
    }
    xml.writeEndElement(); // plotArea
    xml.writeStartElement(kChart, QStringLiteral("legend"));
    value(xml, QStringLiteral("legendPos"), QStringLiteral("b"));
    value(xml, QStringLiteral("overlay"), QStringLiteral("0"));
    xml.writeEndElement();
    value(xml, QStringLiteral("plotVisOnly"), QStringLiteral("1"));
    value(xml, QStringLiteral("dispBlanksAs"), QStringLiteral("gap"));
    xml.writeEndElement(); // chart
    xml.writeEndElement(); // chartSpace
    xml.writeEndDocument();
    return out;
}

QByteArray xlsxDrawingXml(int column, int row)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeNamespace(kSheetDrawing, QStringLiteral("xdr"));
    xml.writeNamespace(kDrawing, QStringLiteral("a"));
    xml.writeNamespace(kChart, QStringLiteral("c"));
    xml.writeNamespace(kRelations, QStringLiteral("r"));
    xml.writeStartElement(kSheetDrawing, QStringLiteral("wsDr"));
    xml.writeStartElement(kSheetDrawing, QStringLiteral("twoCellAnchor"));
    auto corner = [&](const QString &name, int c, int r) {
        xml.writeStartElement(kSheetDrawing, name);
        xml.writeTextElement(kSheetDrawing, QStringLiteral("col"), QString::number(c));
        xml.writeTextElement(kSheetDrawing, QStringLiteral("colOff"), QStringLiteral("0"));
        xml.writeTextElement(kSheetDrawing, QStringLiteral("row"), QString::number(r));
        xml.writeTextElement(kSheetDrawing, QStringLiteral("rowOff"), QStringLiteral("0"));
        xml.writeEndElement();
    };
    corner(QStringLiteral("from"), column, row);
    corner(QStringLiteral("to"), column + 12, row + 24);
    xml.writeStartElement(kSheetDrawing, QStringLiteral("graphicFrame"));
    xml.writeAttribute(QStringLiteral("macro"), QString());
    xml.writeStartElement(kSheetDrawing, QStringLiteral("nvGraphicFramePr"));
    xml.writeEmptyElement(kSheetDrawing, QStringLiteral("cNvPr"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("2"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Graphique 1"));
    xml.writeEmptyElement(kSheetDrawing, QStringLiteral("cNvGraphicFramePr"));
    xml.writeEndElement();
    xml.writeStartElement(kSheetDrawing, QStringLiteral("xfrm"));
    xml.writeEmptyElement(kDrawing, QStringLiteral("off"));
    xml.writeAttribute(QStringLiteral("x"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("y"), QStringLiteral("0"));
    xml.writeEmptyElement(kDrawing, QStringLiteral("ext"));
    xml.writeAttribute(QStringLiteral("cx"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("cy"), QStringLiteral("0"));
    xml.writeEndElement();
    xml.writeStartElement(kDrawing, QStringLiteral("graphic"));
    xml.writeStartElement(kDrawing, QStringLiteral("graphicData"));
    xml.writeAttribute(QStringLiteral("uri"), kChart);
    xml.writeEmptyElement(kChart, QStringLiteral("chart"));
    xml.writeAttribute(kRelations, QStringLiteral("id"), QStringLiteral("rId1"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement(); // graphicFrame
    xml.writeEmptyElement(kSheetDrawing, QStringLiteral("clientData"));
    xml.writeEndElement(); // twoCellAnchor
    xml.writeEndElement(); // wsDr
    xml.writeEndDocument();
    return out;
}

} // namespace plx
