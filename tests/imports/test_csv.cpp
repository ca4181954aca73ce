#include "readertesting.h"

#include "imports/csvmapping.h"
#include "imports/csvreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

namespace {
QList<QByteArray> firstLines(const QByteArray &text)
{
    return text.split('\n');
}
} // namespace

// What the guess makes of files as they come: a gauge logger's export, a pandas CSV, a
// French spreadsheet export with a separate time column and decimal commas.
TEST(CsvMapping, GuessOnRealAndUsualFiles)
{
    CsvMapping young = CsvMapping::guess(
        firstLines("date;young\n01.08.2018 00:00;0\n02.08.2018 18:30;NaN\n02.08.2018 18:40;0.2\n"));
    EXPECT_EQ(young.separator, QLatin1Char(';'));
    EXPECT_EQ(young.decimal, QLatin1Char('.'));
    EXPECT_EQ(young.headerLines, 1);
    EXPECT_EQ(young.dateColumn, 0);
    EXPECT_EQ(young.dateFormat, QStringLiteral("dd.MM.yyyy HH:mm"));
    EXPECT_EQ(young.timeColumn, -1);
    EXPECT_EQ(young.valueColumns[0], 1);

    // The first bytes of a file, its last line cut in the middle of the date.
    CsvMapping pandas = CsvMapping::guess(firstLines(
        ",RH\n2019-01-01 01:00:00,0.0\n2019-01-01 02:00:00,0.3\n2019-01-01 03:00:00,0.0\n2019-01"));
    EXPECT_EQ(pandas.separator, QLatin1Char(','));
    EXPECT_EQ(pandas.dateFormat, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(pandas.valueColumns[0], 1);

    CsvMapping french = CsvMapping::guess(
        firstLines("\xEF\xBB\xBFRelevés du poste\r\nStation;Date;Heure;Pluie (mm);Validité\r\n"
                   "P12;13/01/2024;06:00;1,5;V\r\nP12;14/01/2024;06:00;0;\r\n"));
    EXPECT_EQ(french.separator, QLatin1Char(';'));
    EXPECT_EQ(french.decimal, QLatin1Char(','));
    EXPECT_EQ(french.headerLines, 2);
    EXPECT_EQ(french.dateColumn, 1);
    EXPECT_EQ(french.dateFormat, QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(french.timeColumn, 2);
    EXPECT_EQ(french.timeFormat, QStringLiteral("HH:mm"));
    EXPECT_EQ(french.valueColumns[0], 3);
    EXPECT_EQ(french.stationColumn, 0);

    // Month first only when a "month" above 12 shows it.
    CsvMapping american =
        CsvMapping::guess(firstLines("date\tprcp\n01/13/2024\t1.5\n01/14/2024\t0\n"));
    EXPECT_EQ(american.separator, QLatin1Char('\t'));
    EXPECT_EQ(american.dateFormat, QStringLiteral("MM/dd/yyyy"));

    CsvMapping blank = CsvMapping::guess(firstLines("2024-01-13   1.5\n2024-01-14   0.0\n"));
    EXPECT_TRUE(blank.blankSeparated());
    EXPECT_EQ(blank.headerLines, 0);
    EXPECT_EQ(blank.valueColumns[0], 1);

    EXPECT_FALSE(CsvMapping::guess(firstLines("pas;de;date\n1;2;3\n")).isComplete());
}

TEST(CsvReader, RealFilesWithTheGuessedMapping)
{
    CollectingSink young;
    ReadResult result = readPath(ImportFormat::Csv, importData("Sensor_young_extract.csv"), young);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(young.rows.size(), 291u);
    ASSERT_EQ(young.refusals.size(), 8); // the NaN cells
    EXPECT_EQ(young.refusals[0].reason,
              QStringLiteral("aucune valeur (cellules vides ou manquantes)."));
    EXPECT_DOUBLE_EQ(young.total(), 100.7);
    EXPECT_EQ(young.rows.front().date, QDate(2018, 8, 1));
    EXPECT_EQ(young.rows.front().time, QTime(0, 0));
    EXPECT_FALSE(young.rows.front().isDaily());

    // A derived daily series carrying float noise: the values come back as written.
    CollectingSink derived;
    result = readPath(ImportFormat::Csv, importData("rain_260_derived_extract.csv"), derived);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(derived.rows.size(), 99u);
    EXPECT_TRUE(derived.rows.front().isDaily());
    EXPECT_EQ(derived.rows.front().values[0], 5.8);
    EXPECT_EQ(derived.rows.back().values[0], 1.8);
    EXPECT_DOUBLE_EQ(derived.total(), 230.3);
}

TEST(CsvReader, GivenMappingValidityScaleAndBadLines)
{
    CsvMapping mapping;
    mapping.separator = QLatin1Char(';');
    mapping.decimal = QLatin1Char(',');
    mapping.headerLines = 1;
    mapping.stationColumn = 0;
    mapping.dateColumn = 1;
    mapping.dateFormat = QStringLiteral("dd/MM/yyyy");
    mapping.timeColumn = 2;
    mapping.timeFormat = QStringLiteral("HH:mm");
    mapping.valueColumns = {3, -1, 4, -1, -1, -1};
    mapping.validityColumn = 5;
    mapping.validatedCodes = QStringLiteral("V, 1");
    mapping.doubtfulCodes = QStringLiteral("D");
    mapping.scale = 0.1;
    const QByteArray file = "Poste;Date;Heure;Pluie;ETP;Code\r\n"
                            "P12;13/01/2024;06:00;15;2;v\r\n"
                            "P12;14/01/2024;06:00;\"1,5\";;D\r\n"
                            "P12;30/02/2024;06:00;3;1;\r\n"
                            "P12;15/01/2024;6h;3;1;\r\n"
                            "P12;16/01/2024;06:00;beaucoup;1;\r\n"
                            "P13;17/01/2024;06:00;;;\r\n"
                            "P13;18/01/2024\r\n"
                            "P13;19/01/2024;06:00;7;;1\r\n";
    CollectingSink sink;
    const ReadResult result = readBytes(ImportFormat::Csv, file, sink, &mapping);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(sink.rows.size(), 3u);
    EXPECT_EQ(sink.rows[0].station, QStringLiteral("P12"));
    EXPECT_EQ(sink.rows[0].time, QTime(6, 0));
    EXPECT_DOUBLE_EQ(sink.rows[0].values[0], 1.5);
    EXPECT_DOUBLE_EQ(sink.rows[0].values[2], 0.2);
    EXPECT_EQ(sink.rows[0].validite, QLatin1Char('V'));
    EXPECT_DOUBLE_EQ(sink.rows[1].values[0], 0.15);
    EXPECT_FALSE(sink.rows[1].hasValue(2));
    EXPECT_TRUE(sink.rows[1].doubtful);
    EXPECT_EQ(sink.rows[2].station, QStringLiteral("P13"));
    EXPECT_EQ(sink.rows[2].validite, QLatin1Char('V'));
    ASSERT_EQ(sink.stations.size(), 2);

    ASSERT_EQ(sink.refusals.size(), 5) << sink.refusalsText().toStdString();
    EXPECT_EQ(sink.refusals[0].line, 4);
    EXPECT_EQ(sink.refusals[0].reason,
              QStringLiteral("date « 30/02/2024 » illisible ou inexistante (dd/MM/yyyy attendu)."));
    EXPECT_EQ(sink.refusals[1].reason, QStringLiteral("heure « 6h » illisible (HH:mm attendu)."));
    EXPECT_EQ(sink.refusals[2].line, 6);
    EXPECT_EQ(sink.refusals[2].reason,
              QStringLiteral("valeur « beaucoup » illisible dans la colonne 4 (Pluie)."));
    EXPECT_EQ(sink.refusals[3].reason,
              QStringLiteral("aucune valeur (cellules vides ou manquantes)."));
    EXPECT_TRUE(sink.refusals[4].reason.startsWith(QStringLiteral("ligne incomplète")));

    // The same file saved with commas: the mapping's separator is not there at all.
    QByteArray commas = file;
    commas.replace(';', ',');
    CollectingSink wrong;
    const ReadResult failed = readBytes(ImportFormat::Csv, commas, wrong, &mapping);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(
        failed.error,
        QStringLiteral("Ligne 2 : le séparateur attendu est « ; », ce fichier utilise « , »."));
    EXPECT_TRUE(wrong.rows.empty());
}

TEST(CsvMapping, SavedByNameAndReadBack)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("PLX_SETTINGS_FILE");
    qputenv("PLX_SETTINGS_FILE", dir.filePath(QStringLiteral("machine.ini")).toUtf8());

    CsvMapping mapping =
        CsvMapping::guess(firstLines("Date\tHeure\tPluie\n13/01/2024\t06:00\t1,5\n"));
    mapping.name = QStringLiteral("Pluviographe Lycée");
    mapping.valueColumns = {2, -1, -1, 0, -1, -1};
    mapping.validatedCodes = QStringLiteral("V,C;x&y=z");
    mapping.scale = 0.1;
    EXPECT_LE(mapping.toText().size(), 255); // the settings value column's width
    ASSERT_TRUE(saveCsvMapping(mapping));
    CsvMapping other = mapping;
    other.name = QStringLiteral("Ancien format");
    ASSERT_TRUE(saveCsvMapping(other));
    ASSERT_TRUE(saveCsvMapping(mapping)); // saved again: listed once
    EXPECT_FALSE(saveCsvMapping(CsvMapping{}));

    EXPECT_EQ(savedCsvMappings(),
              (QStringList{QStringLiteral("Ancien format"), QStringLiteral("Pluviographe Lycée")}));
    CsvMapping back;
    ASSERT_TRUE(loadCsvMapping(QStringLiteral("Pluviographe Lycée"), back));
    EXPECT_EQ(back.name, mapping.name);
    EXPECT_EQ(back.separator, QLatin1Char('\t'));
    EXPECT_EQ(back.decimal, QLatin1Char(','));
    EXPECT_EQ(back.dateFormat, QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(back.timeColumn, 1);
    EXPECT_EQ(back.timeFormat, QStringLiteral("HH:mm"));
    EXPECT_EQ(back.valueColumns, mapping.valueColumns);
    EXPECT_EQ(back.validatedCodes, mapping.validatedCodes);
    EXPECT_DOUBLE_EQ(back.scale, 0.1);
    EXPECT_FALSE(loadCsvMapping(QStringLiteral("Inconnu"), back));

    if (saved.isNull())
        qunsetenv("PLX_SETTINGS_FILE");
    else
        qputenv("PLX_SETTINGS_FILE", saved);
}

// Date formats read straight from the bytes, and those left to Qt, give the same instants;
// a day or hour that does not exist is refused either way.
TEST(CsvReader, DateFormatsFastAndQtPaths)
{
    struct Case
    {
        const char *format;
        const char *text;
        QDate date;
        QTime time; // invalid: a daily row, or (with no date) a refused line
    };
    const QList<Case> cases{
        {"yyyyMMddHHmm", "202401130630", QDate(2024, 1, 13), QTime(6, 30)},
        {"yyyy-MM-dd HH:mm:ss", "2024-01-13T06:30:15", QDate(2024, 1, 13), QTime(6, 30, 15)},
        {"d/M/yyyy H:mm", "3/2/2024 6:05", QDate(2024, 2, 3), QTime(6, 5)},
        {"dd.MM.yyyy", "29.02.2023", QDate(), QTime()},
        {"dd/MM/yyyy HH:mm", "13/01/2024 24:00", QDate(), QTime()},
        {"dd/MM/yyyy", "13/1/2024", QDate(), QTime()},
        {"'le' dd/MM/yyyy", "le 13/01/2024", QDate(2024, 1, 13), QTime()},
        {"dd MMM yyyy", "13 Jan 2024", QDate(2024, 1, 13), QTime()}, // Qt's month names
    };
    for (const Case &c : cases) {
        CsvMapping mapping;
        mapping.separator = QLatin1Char(';');
        mapping.decimal = QLatin1Char('.');
        mapping.headerLines = 0;
        mapping.dateColumn = 0;
        mapping.dateFormat = QString::fromLatin1(c.format);
        mapping.valueColumns[0] = 1;
        CollectingSink sink;
        const ReadResult result =
            readBytes(ImportFormat::Csv, QByteArray(c.text) + ";1.5\n", sink, &mapping);
        ASSERT_TRUE(result.ok) << c.format << ": " << result.error.toStdString();
        if (!c.date.isValid()) {
            EXPECT_TRUE(sink.rows.empty()) << c.format;
            EXPECT_EQ(sink.refusals.size(), 1) << c.format;
            continue;
        }
        ASSERT_EQ(sink.rows.size(), 1u) << c.format << " " << sink.refusalsText().toStdString();
        EXPECT_EQ(sink.rows[0].date, c.date) << c.format;
        EXPECT_EQ(sink.rows[0].time, c.time) << c.format;
    }
}
