#include "outputs/xlsxgrid.h"

#include <QDate>
#include <QDateTime>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <gtest/gtest.h>

namespace {

QByteArray entry(const QString &archive, const QString &name)
{
    QuaZip zip(archive);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name))
        return {};
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// "ref:style:type:value" for every cell of the sheet, in order.
QStringList cells(const QByteArray &sheet)
{
    QStringList out;
    QXmlStreamReader xml(sheet);
    QString current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("c")) {
            const auto a = xml.attributes();
            current = a.value(QLatin1String("r")).toString() + QLatin1Char(':') +
                      a.value(QLatin1String("s")).toString() + QLatin1Char(':') +
                      a.value(QLatin1String("t")).toString() + QLatin1Char(':');
        } else if (xml.isStartElement() &&
                   (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t"))) {
            out << current + xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

} // namespace

// Numbers stay numbers and dates real dates (days since 30/12/1899 with a date style);
// text is escaped; empty cells are left out; the sheet is named.
TEST(ListeExport, GridBecomesAWorkbook)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Liste_des_pluviomètres.xlsx"));
    plx::XlsxGrid grid;
    grid.sheetName = QStringLiteral("Liste_des_pluviomètres");
    grid.headings = {QStringLiteral("Num"), QStringLiteral("Nom"), QStringLiteral("Création")};
    grid.rows = {{qlonglong(12), QStringLiteral("L'Église & <co>"), QDate(2000, 2, 1)},
                 {12.5, QVariant(), QDateTime(QDate(1899, 12, 31), QTime(12, 0), Qt::UTC)}};
    QString error;
    ASSERT_TRUE(plx::exportGridToXlsx(grid, path, &error)) << error.toStdString();

    EXPECT_TRUE(entry(path, QStringLiteral("xl/workbook.xml"))
                    .contains("name=\"Liste_des_pluviom\xc3\xa8tres\""));
    EXPECT_EQ(cells(entry(path, QStringLiteral("xl/worksheets/sheet1.xml"))),
              (QStringList{"A1:1:inlineStr:Num", "B1:1:inlineStr:Nom", "C1:1:inlineStr:Création",
                           "A2:::12", "B2::inlineStr:L'Église & <co>", "C2:2::36557", "A3:::12.5",
                           "C3:3::1.5"}));
    for (const char *part :
         {"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels", "xl/styles.xml"})
        EXPECT_FALSE(entry(path, QString::fromLatin1(part)).isEmpty()) << part;

    EXPECT_FALSE(
        plx::exportGridToXlsx(grid, dir.filePath(QStringLiteral("absent/x.xlsx")), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible d'écrire le classeur")))
        << error.toStdString();
}
