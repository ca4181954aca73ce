#include "outputs/csvgrid.h"
#include "outputs/odsgrid.h"
#include "outputs/xlsxgrid.h"

#include "support/zipread.h"

#include <QDate>
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using plxtest::odsCells;
using plxtest::xlsxCells;
using plxtest::zipEntry;

namespace {

plx::XlsxGrid sampleGrid()
{
    plx::XlsxGrid grid;
    grid.sheetName = QStringLiteral("Liste_des_pluviomètres");
    grid.title = QStringLiteral("Liste_des_pluviomètres");
    grid.headings = {QStringLiteral("Num"), QStringLiteral("Nom"), QStringLiteral("Création"),
                     QStringLiteral("Commune")};
    grid.columnWidths = {12.5, 0, 0, 8};
    grid.rows = {{qlonglong(12), QStringLiteral("L'Église & <co>"), QDate(2000, 2, 1),
                  QStringLiteral("01053")},
                 {12.5, QVariant(), QDateTime(QDate(1950, 1, 2), QTime(12, 0)),
                  QStringLiteral("a;b \"c\"\nd")},
                 {-0.25, QStringLiteral("Ancien"), QDate(1899, 5, 14), QVariant()}};
    return grid;
}

} // namespace

// Numbers stay numbers and dates real dates, a code with a leading zero stays text, a date
// the serial numbering cannot hold goes as text; a title row sits above the headings,
// which are frozen and filtered; widths come from the grid where given.
TEST(GridWriters, XlsxTypedCellsTitleFreezeAndFilter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Liste_des_pluviomètres.xlsx"));
    QString error;
    ASSERT_TRUE(plx::exportGridToXlsx(sampleGrid(), path, &error)) << error.toStdString();

    const QByteArray workbook = zipEntry(path, QStringLiteral("xl/workbook.xml"));
    EXPECT_TRUE(workbook.contains("name=\"Liste_des_pluviom\xc3\xa8tres\""));
    EXPECT_TRUE(workbook.contains("_xlnm._FilterDatabase")) << workbook.constData();
    const QByteArray sheet = zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_EQ(xlsxCells(sheet),
              (QStringList{"A1:4:inlineStr:Liste_des_pluviomètres", "A2:1:inlineStr:Num",
                           "B2:1:inlineStr:Nom", "C2:1:inlineStr:Création",
                           "D2:1:inlineStr:Commune", "A3:::12", "B3::inlineStr:L'Église & <co>",
                           "C3:2::36557", "D3::inlineStr:01053", "A4:::12.5", "C4:3::18265.5",
                           "D4::inlineStr:a;b \"c\"\nd", "A5:::-0.25", "B5::inlineStr:Ancien",
                           "C5::inlineStr:14/05/1899"}));
    EXPECT_TRUE(sheet.contains("<pane ySplit=\"2\" topLeftCell=\"A3\"")) << sheet.constData();
    EXPECT_TRUE(sheet.contains("state=\"frozen\""));
    EXPECT_TRUE(sheet.contains("<autoFilter ref=\"A2:D5\"/>")) << sheet.constData();
    EXPECT_TRUE(sheet.contains("<col min=\"1\" max=\"1\" width=\"12.50\""));
    EXPECT_TRUE(sheet.contains("<col min=\"4\" max=\"4\" width=\"8.00\""));
    EXPECT_FALSE(sheet.contains("drawing"));
    for (const char *part :
         {"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels", "xl/styles.xml"})
        EXPECT_FALSE(zipEntry(path, QString::fromLatin1(part)).isEmpty()) << part;

    EXPECT_FALSE(plx::exportGrid(sampleGrid(), dir.filePath(QStringLiteral("absent/x.xlsx")),
                                 &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible d'écrire le classeur")))
        << error.toStdString();
}

// The OpenDocument spreadsheet holds the same typed content, a stored mimetype first.
TEST(GridWriters, OdsSameContent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.ods"));
    QString error;
    ASSERT_TRUE(plx::exportGrid(sampleGrid(), path, &error)) << error.toStdString();
    EXPECT_EQ(plxtest::zipNames(path).value(0), QStringLiteral("mimetype"));
    EXPECT_EQ(zipEntry(path, QStringLiteral("mimetype")),
              QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
    const QByteArray content = zipEntry(path, QStringLiteral("content.xml"));
    EXPECT_EQ(odsCells(content),
              (QStringList{"string::Liste_des_pluviomètres", "|", "string::Num", "string::Nom",
                           "string::Création", "string::Commune", "|", "float:12:12",
                           "string::L'Église & <co>", "date:2000-02-01:01/02/2000",
                           "string::01053", "|", "float:12.5:12,5", "",
                           "date:1950-01-02T12:00:00:02/01/1950 12:00:00",
                           "string::a;b \"c\"\nd", "|", "float:-0.25:-0,25", "string::Ancien",
                           "string::14/05/1899", "", "|"}));
    EXPECT_TRUE(content.contains("table:target-range-address=\"'Liste_des_pluviomètres'.A2:"
                                 "'Liste_des_pluviomètres'.D5\""))
        << content.constData();
    EXPECT_TRUE(zipEntry(path, QStringLiteral("settings.xml")).contains("VerticalSplitPosition"));
    EXPECT_FALSE(zipEntry(path, QStringLiteral("META-INF/manifest.xml")).isEmpty());
}

// The CSV bytes: BOM, ";" separator, decimal comma, French dates, CR LF, quoting.
TEST(GridWriters, CsvBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.csv"));
    QString error;
    ASSERT_TRUE(plx::exportGrid(sampleGrid(), path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QByteArray("\xEF\xBB\xBF"
                         "Num;Nom;Cr\xC3\xA9" "ation;Commune\r\n"
                         "12;L'\xC3\x89glise & <co>;01/02/2000;01053\r\n"
                         "12,5;;02/01/1950 12:00:00;\"a;b \"\"c\"\"\nd\"\r\n"
                         "-0,25;Ancien;14/05/1899;\r\n"));
}

// A chart screen's workbook: its curves as a table and a native chart whose series point
// at those cells (name from the heading, categories from the first column), bars and lines
// as drawn, with the parts the package needs to find it.
TEST(GridWriters, NativeChartReferencesTheCells)
{
    plx::XlsxGrid grid;
    grid.sheetName = QStringLiteral("Année 2024");
    grid.title = QStringLiteral("Pluie 2024");
    grid.headings = {QStringLiteral("Date"), QStringLiteral("Pluie (mm)"),
                     QStringLiteral("Cumul (mm)")};
    for (int d = 0; d < 5; ++d)
        grid.rows.push_back({QDate(2024, 1, 1).addDays(d), 1.5 * d, 1.5 * d * (d + 1) / 2});
    plx::NativeChart chart;
    chart.title = QStringLiteral("Pluviométrie 2024");
    chart.categoryTitle = QStringLiteral("Date");
    chart.valueTitle = QStringLiteral("mm");
    chart.series = {{1, true, false}, {2, false, true}};
    grid.chart = chart;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Pluie.xlsx"));
    QString error;
    ASSERT_TRUE(plx::exportGridToXlsx(grid, path, &error)) << error.toStdString();

    const QByteArray xml = zipEntry(path, QStringLiteral("xl/charts/chart1.xml"));
    ASSERT_FALSE(xml.isEmpty());
    const QString text = QString::fromUtf8(xml);
    EXPECT_TRUE(text.contains(QStringLiteral("<c:f>'Année 2024'!$B$2</c:f>"))) << xml.constData();
    EXPECT_TRUE(text.contains(QStringLiteral("<c:f>'Année 2024'!$A$3:$A$7</c:f>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<c:f>'Année 2024'!$B$3:$B$7</c:f>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<c:f>'Année 2024'!$C$3:$C$7</c:f>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<c:barChart>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<c:lineChart>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<a:t>Pluviométrie 2024</a:t>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<c:axPos val=\"r\"/>"))) << "second value axis";
    EXPECT_TRUE(zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml")).contains("<drawing r:id=\"rId1\"/>"));
    EXPECT_TRUE(zipEntry(path, QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"))
                    .contains("../drawings/drawing1.xml"));
    EXPECT_TRUE(zipEntry(path, QStringLiteral("xl/drawings/_rels/drawing1.xml.rels"))
                    .contains("../charts/chart1.xml"));
    const QByteArray types = zipEntry(path, QStringLiteral("[Content_Types].xml"));
    EXPECT_TRUE(types.contains("/xl/charts/chart1.xml"));
    EXPECT_TRUE(types.contains("/xl/drawings/drawing1.xml"));
}
