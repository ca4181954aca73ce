#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "outputs/linkedrainfall.h"
#include "outputs/spreadsheettemplate.h"
#include "outputs/zipentries.h"
#include "support/testdatabases.h"
#include "support/zipread.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using plxtest::odsCells;
using plxtest::xlsxCells;
using plxtest::zipEntry;

namespace {

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const QByteArray kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

// A chart part of the template: must come out byte for byte.
const QByteArray kChartPart = kXmlHead +
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
    "<!-- kept as written --><c:chart/></c:chartSpace>";

QByteArray cell(const char *ref, const QByteArray &inner, const char *attributes = "")
{
    return QByteArray("<c r=\"") + ref + "\"" + attributes + ">" + inner + "</c>";
}

// Two sheets, shared and inline strings, a formula, a merged cell, a style, a chart part.
QString writeXlsxTemplate(const QString &folder)
{
    const QByteArray shared = kXmlHead + "<sst " + kMainNs + " count=\"5\" uniqueCount=\"5\">"
        "<si><t>#CODE_PLUVIO</t></si>"                       // 0
        "<si><t>#COORDONNEE_Z</t></si>"                      // 1
        "<si><r><t>#NOM_</t></r><r><t>PLUVIO</t></r></si>"   // 2: rich runs
        "<si><t>#STOP</t></si>"                              // 3
        "<si><t>Titre fixe</t></si>"                         // 4
        "</sst>";
    const QByteArray sheet1 = kXmlHead + "<worksheet " + kMainNs + "><sheetData>"
        "<row r=\"1\">" + cell("A1", "<v>0</v>", " s=\"1\" t=\"s\"") +
        cell("B1", "<v>2</v>", " s=\"2\" t=\"s\"") + "<c r=\"C1\" s=\"2\"/></row>"
        "<row r=\"2\">" + cell("A2", "<v>1</v>", " t=\"s\"") +
        cell("B2", "<is><t>#COMMUNE</t></is>", " t=\"inlineStr\"") +
        cell("C2", "<f>SUM(A2,1)</f><v>1</v>") + "</row>"
        "<row r=\"3\">" + cell("A3", "<is><t>#DATE_EDITION</t></is>", " t=\"inlineStr\"") +
        cell("B3", "<v>4</v>", " t=\"s\"") + cell("C3", "<v>3</v>", " t=\"s\"") + "</row>"
        "<row r=\"4\">" + cell("A4", "<v>2</v>", " t=\"s\"") + "</row>"
        "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"B1:C1\"/></mergeCells>"
        "</worksheet>";
    const QByteArray sheet2 = kXmlHead + "<worksheet " + kMainNs + "><sheetData>"
        "<row r=\"1\">" + cell("A1", "<v>2</v>", " t=\"s\"") +
        cell("B1", "<is><t>#INCONNU</t></is>", " t=\"inlineStr\"") + "</row>"
        "<row r=\"2\">" + cell("A2", "<is><t>#DEB_RECERCHE_HISTO</t></is>", " t=\"inlineStr\"") +
        cell("B2", "<is><t>#FIN_RECERCHE_HISTO</t></is>", " t=\"inlineStr\"") +
        cell("C2", "<is><t>#DATE_CALCUL</t></is>", " t=\"inlineStr\"") + "</row>"
        "<row r=\"3\">" + cell("A3", "<is><t>#PLUVIO_TOTAL</t></is>", " t=\"inlineStr\"") +
        cell("B3", "<is><t>#PLUVIO_ANNEE_2023</t></is>", " t=\"inlineStr\"") +
        cell("C3", "<is><t>#PLUVIO_ANNEE_N-1</t></is>", " t=\"inlineStr\"") + "</row>"
        "</sheetData><drawing xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships\" r:id=\"rId1\"/></worksheet>";
    const QByteArray workbook = kXmlHead + "<workbook " + kMainNs +
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"Fiche\" sheetId=\"1\" r:id=\"rId1\"/>"
        "<sheet name=\"Pluie\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>";
    const QByteArray styles = kXmlHead + "<styleSheet " + kMainNs + "><!-- styles --></styleSheet>";
    const std::vector<plx::ZipEntry> entries = {
        {QStringLiteral("[Content_Types].xml"), kXmlHead + "<Types/>"},
        {QStringLiteral("xl/workbook.xml"), workbook},
        {QStringLiteral("xl/styles.xml"), styles},
        {QStringLiteral("xl/sharedStrings.xml"), shared},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheet1},
        {QStringLiteral("xl/worksheets/sheet2.xml"), sheet2},
        {QStringLiteral("xl/charts/chart2.xml"), kChartPart},
    };
    const QString path = folder + QStringLiteral("/modele.xlsx");
    QString why;
    EXPECT_TRUE(plx::writeZipEntries(path, entries, &why)) << why.toStdString();
    return path;
}

plx::BookmarkTable stationBookmarks()
{
    plx::BookmarkTable table;
    table.add(QStringLiteral("CODE_PLUVIO"), QStringLiteral("13055001"));
    table.add(QStringLiteral("NOM_PLUVIO"), QStringLiteral("Marseille <Obs> & co"));
    table.add(QStringLiteral("COORDONNEE_Z"), QStringLiteral("75,5"), true);
    table.add(QStringLiteral("COMMUNE"), QStringLiteral("01053"));
    return table;
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

class SpreadsheetTemplate : public ::testing::Test
{
protected:
    QTemporaryDir dir;
};

// Every marker kind on two sheets: shared strings (rich runs too) and inline strings,
// numbers only where the bookmark is numeric, "01053" kept as text, "#STOP" ending the first
// sheet only, the formula, merged cell, styles, other parts and the chart left as they were.
TEST_F(SpreadsheetTemplate, XlsxMarkersOnEverySheet)
{
    const QString templatePath = writeXlsxTemplate(dir.path());
    const plx::BookmarkTable bookmarks = stationBookmarks();
    plx::SheetFill fill;
    fill.bookmarks = &bookmarks;
    fill.periodStart = QDate(2020, 3, 1);
    fill.periodEnd = QDate(2024, 6, 30);
    const QString out = dir.filePath(QStringLiteral("rempli.xlsx"));
    QString error;
    ASSERT_TRUE(plx::fillSpreadsheetTemplate(templatePath, fill, out, &error))
        << error.toStdString();

    const QByteArray sheet1 = zipEntry(out, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_EQ(xlsxCells(sheet1),
              (QStringList{"A1:1:inlineStr:13055001", "B1:2:inlineStr:Marseille <Obs> & co",
                           "A2:::75.5", "B2::inlineStr:01053", "C2:::1", "A3::inlineStr:" + today(),
                           "B3::s:4", "A4::s:2"}))
        << "#STOP (C3) ends the first sheet: A4 keeps its marker";
    EXPECT_TRUE(sheet1.contains("<c r=\"C2\"><f>SUM(A2,1)</f><v>1</v></c>"));
    EXPECT_TRUE(sheet1.contains("<c r=\"C1\" s=\"2\"/>"));
    EXPECT_TRUE(sheet1.contains("<mergeCells count=\"1\"><mergeCell ref=\"B1:C1\"/></mergeCells>"));

    const QByteArray sheet2 = zipEntry(out, QStringLiteral("xl/worksheets/sheet2.xml"));
    EXPECT_EQ(xlsxCells(sheet2),
              (QStringList{"A1::inlineStr:Marseille <Obs> & co", "A2::inlineStr:01/01/2020",
                           "B2::inlineStr:31/12/2024", "C2::inlineStr:" + today()}))
        << "an unknown name and the rainfall markers without a database become empty";
    EXPECT_TRUE(sheet2.contains("r:id=\"rId1\"/></worksheet>"));

    EXPECT_EQ(zipEntry(out, QStringLiteral("xl/charts/chart2.xml")), kChartPart);
    EXPECT_EQ(zipEntry(out, QStringLiteral("xl/styles.xml")),
              zipEntry(templatePath, QStringLiteral("xl/styles.xml")));
    EXPECT_EQ(zipEntry(out, QStringLiteral("xl/sharedStrings.xml")),
              zipEntry(templatePath, QStringLiteral("xl/sharedStrings.xml")));
    EXPECT_TRUE(zipEntry(out, QStringLiteral("xl/workbook.xml"))
                    .contains("<calcPr fullCalcOnLoad=\"1\"/></workbook>"));

    // Without a period the search dates are the widest ones.
    fill.periodStart = fill.periodEnd = QDate();
    ASSERT_TRUE(plx::fillSpreadsheetTemplate(templatePath, fill, out, &error));
    EXPECT_EQ(xlsxCells(zipEntry(out, QStringLiteral("xl/worksheets/sheet2.xml"))).mid(1, 2),
              (QStringList{"A2::inlineStr:01/01/1900", "B2::inlineStr:31/12/2050"}));
}

// The OpenDocument route: string cells of every table, a formula and a merged cell kept,
// "#STOP" per table, numbers as floats, the other parts untouched.
TEST_F(SpreadsheetTemplate, OdsMarkersOnEveryTable)
{
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\" "
        "office:version=\"1.2\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"Fiche\"><table:table-row>"
        "<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\" "
        "calcext:value-type=\"string\" table:number-columns-spanned=\"2\">"
        "<text:p>#NOM_PLUVIO</text:p></table:table-cell><table:covered-table-cell/>"
        "<table:table-cell office:value-type=\"string\"><text:p>#COORDONNEE_Z</text:p>"
        "</table:table-cell></table:table-row><table:table-row>"
        "<table:table-cell table:formula=\"of:=[.C1]+1\" office:value-type=\"float\" "
        "office:value=\"76.5\"><text:p>76,5</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"string\"><text:p>#COMMUNE</text:p>"
        "</table:table-cell><table:table-cell office:value-type=\"string\">"
        "<text:p>#STOP</text:p></table:table-cell><table:table-cell "
        "office:value-type=\"string\"><text:p>#CODE_PLUVIO</text:p></table:table-cell>"
        "</table:table-row></table:table>"
        "<table:table table:name=\"Suite\"><table:table-row>"
        "<table:table-cell office:value-type=\"string\"><text:p>#CODE_PLUVIO</text:p>"
        "</table:table-cell><table:table-cell office:value-type=\"string\">"
        "<text:p>#DATE_EDITION</text:p></table:table-cell></table:table-row></table:table>"
        "</office:spreadsheet></office:body></office:document-content>";
    const QByteArray styles = "<?xml version=\"1.0\"?><office:document-styles/>";
    const std::vector<plx::ZipEntry> entries = {
        {QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", true},
        {QStringLiteral("content.xml"), content},
        {QStringLiteral("styles.xml"), styles},
        {QStringLiteral("Object 1/content.xml"), kChartPart},
    };
    const QString templatePath = dir.filePath(QStringLiteral("modele.ods"));
    QString error;
    ASSERT_TRUE(plx::writeZipEntries(templatePath, entries, &error));
    const plx::BookmarkTable bookmarks = stationBookmarks();
    plx::SheetFill fill;
    fill.bookmarks = &bookmarks;
    const QString out = dir.filePath(QStringLiteral("rempli.ods"));
    ASSERT_TRUE(plx::fillSpreadsheetTemplate(templatePath, fill, out, &error))
        << error.toStdString();

    EXPECT_EQ(plxtest::zipNames(out).value(0), QStringLiteral("mimetype"));
    const QByteArray filled = zipEntry(out, QStringLiteral("content.xml"));
    EXPECT_EQ(odsCells(filled),
              (QStringList{"string::Marseille <Obs> & co", "float:75.5:75,5", "|",
                           "float:76.5:76,5", "string::01053", "",
                           "string::#CODE_PLUVIO", "|"}))
        << filled.constData();
    EXPECT_TRUE(filled.contains("table:style-name=\"ce1\" table:number-columns-spanned=\"2\" "
                                "office:value-type=\"string\"><text:p>Marseille"))
        << "style and span kept, LibreOffice's stale value type dropped";
    EXPECT_TRUE(filled.contains("table:formula=\"of:=[.C1]+1\""));
    const int second = filled.indexOf("table:name=\"Suite\"");
    EXPECT_EQ(odsCells(filled.mid(second - 20).prepend(
                  "<office:document-content "
                  "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                  "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                  "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"))
                  .mid(0, 2),
              (QStringList{"string::13055001", "string::" + today()}));
    EXPECT_EQ(zipEntry(out, QStringLiteral("Object 1/content.xml")), kChartPart);
    EXPECT_EQ(zipEntry(out, QStringLiteral("styles.xml")), styles);
}

// What cannot be filled says so in French and writes nothing.
TEST_F(SpreadsheetTemplate, MissingOrUnreadableTemplate)
{
    plx::SheetFill fill;
    QString error;
    const QString out = dir.filePath(QStringLiteral("rempli.xlsx"));
    EXPECT_FALSE(plx::fillSpreadsheetTemplate(dir.filePath(QStringLiteral("absent.xlsx")), fill,
                                              out, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible de remplir le modèle")))
        << error.toStdString();
    QFile notZip(dir.filePath(QStringLiteral("faux.xlsx")));
    ASSERT_TRUE(notZip.open(QIODevice::WriteOnly));
    notZip.write("pas un classeur");
    notZip.close();
    EXPECT_FALSE(plx::fillSpreadsheetTemplate(notZip.fileName(), fill, out, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("archive"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

class SpreadsheetTemplateRainfall : public ::testing::TestWithParam<QString>
{
};

// "#PLUVIO_" markers read the rain gauge's own table (no link table in our databases):
// the period's sum, a given year's and the year before the period's last.
TEST_P(SpreadsheetTemplateRainfall, LinkedRainGaugeSums)
{
    plxtest::ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connectAsRunProfile());
    plx::AccesBase &db = plx::AccesBase::instance();
    ASSERT_TRUE(plx::CreateMeasurementTable(db, QStringLiteral("7"), false));
    for (const auto &[day, rain] :
         {std::pair{"31/12/2022", 100.0}, std::pair{"01/01/2023", 2.5},
          std::pair{"15/06/2023", 10.0}, std::pair{"02/01/2024", 4.0}}) {
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie) "
                                              "VALUES (%1, %2, %3)")
                                   .arg(plx::FormatDateSQL(QLatin1String(day), false),
                                        plx::FormatHeureSQL(QStringLiteral("00:00")),
                                        plx::sqlNumber(rain))));
    }
    QTemporaryDir dir;
    const QString templatePath = writeXlsxTemplate(dir.path());
    plx::SheetFill fill;
    fill.db = &db;
    fill.stationCode = QStringLiteral("7");
    fill.periodStart = QDate(2023, 1, 1);
    fill.periodEnd = QDate(2024, 12, 31);
    const QString out = dir.filePath(QStringLiteral("rempli.xlsx"));
    QString error;
    ASSERT_TRUE(plx::fillSpreadsheetTemplate(templatePath, fill, out, &error))
        << error.toStdString();
    EXPECT_EQ(xlsxCells(zipEntry(out, QStringLiteral("xl/worksheets/sheet2.xml"))).mid(3),
              (QStringList{"A3:::16.5", "B3:::12.5", "C3:::12.5"}));

    // Months of the year N (2024): timed values summed by day before the 1 mm test, sums
    // free of binary noise (0.1 + 0.2 + 0.9).
    for (const auto &[hour, rain] : {std::pair{"06:00", 0.1}, std::pair{"12:00", 0.2},
                                     std::pair{"18:00", 0.9}}) {
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie) "
                                              "VALUES (%1, %2, %3)")
                                   .arg(plx::FormatDateSQL(QStringLiteral("10/03/2024"), false),
                                        plx::FormatHeureSQL(QLatin1String(hour)),
                                        plx::sqlNumber(rain))));
    }
    plx::LinkedRainfall rainfall(&db, QStringLiteral("7"), fill.periodStart, fill.periodEnd);
    const auto marker = [&](const char *name) {
        const std::optional<plx::Bookmark> b = rainfall.value(QLatin1String(name));
        return b ? b->value + (b->numeric ? "#" : "") : QStringLiteral("?");
    };
    EXPECT_EQ(marker("PLUVIO_MOIS_1"), QStringLiteral("4#"));
    EXPECT_EQ(marker("PLUVIO_JOURS_1"), QStringLiteral("1#"));
    EXPECT_EQ(marker("PLUVIO_MOIS_3"), QStringLiteral("1.2#"));
    EXPECT_EQ(marker("PLUVIO_JOURS_3"), QStringLiteral("1#"));
    EXPECT_EQ(marker("PLUVIO_MOIS_6"), QString()); // no value that month
    EXPECT_EQ(marker("PLUVIO_MOIS_13"), QStringLiteral("?"));
    db.Deconnecter();
}

INSTANTIATE_TEST_SUITE_P(Engines, SpreadsheetTemplateRainfall, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
