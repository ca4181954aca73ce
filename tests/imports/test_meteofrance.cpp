#include "readertesting.h"

#include "imports/importreader.h"

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

// The MARSEILLE-OBS extract of the department 13 archive: every row of one station,
// 1868-1949, read through the .gz stream.
TEST(MeteoFranceQ, MarseilleExtractRowsQualityAndTotal)
{
    CollectingSink sink;
    const ReadResult result =
        readPath(ImportFormat::MeteoFranceQ,
                 importData("Q_13_13055001_MARSEILLE-OBS_1868-1949_extract.csv.gz"), sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.linesRead, 29951);
    ASSERT_EQ(sink.rows.size(), 29950u);
    EXPECT_TRUE(sink.refusals.isEmpty()) << sink.refusalsText().toStdString();
    EXPECT_DOUBLE_EQ(sink.total(), 47864.7);

    ASSERT_EQ(sink.stations.size(), 1);
    const ImportedStation &station = sink.stations.first();
    EXPECT_EQ(station.number, QStringLiteral("13055001"));
    EXPECT_EQ(station.name, QStringLiteral("MARSEILLE-OBS"));
    EXPECT_DOUBLE_EQ(station.latitude.value_or(0), 43.305667);
    EXPECT_DOUBLE_EQ(station.longitude.value_or(0), 5.394333);
    EXPECT_DOUBLE_EQ(station.altitude.value_or(0), 75);

    // QRR 1 (29,932 rows) and 0 (4 rows) are validated, 9 (14 rows) is not.
    int validated = 0, unvalidated = 0;
    for (const ImportedRow &row : sink.rows) {
        EXPECT_TRUE(row.isDaily());
        EXPECT_FALSE(row.doubtful);
        EXPECT_EQ(row.station, QStringLiteral("13055001"));
        (row.validite == QLatin1Char('V') ? validated : unvalidated)++;
    }
    EXPECT_EQ(validated, 29936);
    EXPECT_EQ(unvalidated, 14);

    const ImportedRow &first = sink.rows.front();
    EXPECT_EQ(first.date, QDate(1868, 1, 1));
    EXPECT_EQ(first.line, 2);
    const ImportedRow &fourth = sink.rows[3];
    EXPECT_EQ(fourth.date, QDate(1868, 1, 4));
    EXPECT_DOUBLE_EQ(fourth.values[0], 3.0);
    EXPECT_EQ(sink.rows.back().date, QDate(1949, 12, 31));
}

TEST(MeteoFranceQ, QualityCodesMissingValuesAndBadLines)
{
    const QByteArray file = "NUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJ;RR;QRR;TN;QTN\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200101;1.5;1;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200102;0.0;0;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200103;12.4;2;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200104;3.2;9;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200105;;;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200230;1.0;1;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200106;abc;1;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;1920-01-07;1.0;1;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217\r\n"
                            "13054001;MARIGNANE;43.437667;5.216;9;19210101;0.4;;;\r\n"
                            "13001003;AIX-EN-PROVENCE;43.533333;5.451333;217;19200108;2.0;1;;\r\n";
    CollectingSink sink;
    const ReadResult result = readBytes(ImportFormat::MeteoFranceQ, file, sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.linesRead, 12);
    ASSERT_EQ(sink.rows.size(), 6u);
    EXPECT_EQ(sink.rows[0].validite, QLatin1Char('V'));
    EXPECT_EQ(sink.rows[1].validite, QLatin1Char('V'));
    EXPECT_TRUE(sink.rows[2].validite.isNull());
    EXPECT_TRUE(sink.rows[2].doubtful);
    EXPECT_DOUBLE_EQ(sink.rows[2].values[0], 12.4);
    EXPECT_TRUE(sink.rows[3].validite.isNull());
    EXPECT_FALSE(sink.rows[3].doubtful);
    EXPECT_TRUE(sink.rows[4].validite.isNull()); // empty QRR
    EXPECT_EQ(sink.rows[4].station, QStringLiteral("13054001"));
    EXPECT_EQ(sink.rows[5].station, QStringLiteral("13001003"));
    // Each station once, even when the file comes back to it.
    ASSERT_EQ(sink.stations.size(), 2);
    EXPECT_EQ(sink.stations[1].name, QStringLiteral("MARIGNANE"));

    ASSERT_EQ(sink.refusals.size(), 5) << sink.refusalsText().toStdString();
    EXPECT_EQ(sink.refusals[0].line, 6);
    EXPECT_EQ(sink.refusals[0].reason, QStringLiteral("pas de valeur de pluie (RR vide)."));
    EXPECT_EQ(sink.refusals[1].line, 7);
    EXPECT_EQ(sink.refusals[1].reason, QStringLiteral("la date « 19200230 » n'existe pas."));
    EXPECT_EQ(sink.refusals[2].line, 8);
    EXPECT_EQ(sink.refusals[2].reason, QStringLiteral("valeur de pluie « abc » illisible."));
    EXPECT_EQ(sink.refusals[3].line, 9);
    EXPECT_TRUE(
        sink.refusals[3].reason.startsWith(QStringLiteral("date « 1920-01-07 » illisible")));
    EXPECT_EQ(sink.refusals[4].line, 10);
    EXPECT_TRUE(sink.refusals[4].reason.startsWith(QStringLiteral("ligne incomplète")));
}

TEST(MeteoFranceQ, FilesThatAreNotQFiles)
{
    struct Case
    {
        const char *label;
        QByteArray bytes;
        QString error;
    };
    const QList<Case> cases{
        {"empty", QByteArray(), QStringLiteral("Le fichier est vide.")},
        {"comma separated",
         "NUM_POSTE,NOM_USUEL,LAT,LON,ALTI,AAAAMMJJ,RR,QRR\n13001003,AIX,43.5,5.4,217,19200101,1.5,"
         "1\n",
         QStringLiteral("Ligne 1 : le séparateur attendu est « ; », ce fichier utilise « , ».")},
        {"hourly header", "NUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJHH;RR1;QRR1\n",
         QStringLiteral("Ligne 1 : c'est un fichier horaire (AAAAMMJJHH) : choisissez le format "
                        "Météo-France horaire.")},
        {"no header", "13001003;AIX;43.5;5.4;217;19200101;1.5;1\n",
         QStringLiteral(
             "Ligne 1 : l'en-tête Météo-France est introuvable : les colonnes NUM_POSTE, "
             "AAAAMMJJ et RR sont attendues.")},
    };
    for (const Case &c : cases) {
        CollectingSink sink;
        const ReadResult result = readBytes(ImportFormat::MeteoFranceQ, c.bytes, sink);
        EXPECT_FALSE(result.ok) << c.label;
        EXPECT_EQ(result.error, c.error) << c.label;
        EXPECT_TRUE(sink.rows.empty()) << c.label;
    }

    // A BOM and CR LF (a file saved again by a spreadsheet) read as the plain file.
    CollectingSink sink;
    const ReadResult result =
        readBytes(ImportFormat::MeteoFranceQ,
                  "\xEF\xBB\xBFNUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJ;RR;QRR\r\n"
                  "13001003;AIX;43.5;5.4;217;19200101;1.5;1\r\n",
                  sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0].validite, QLatin1Char('V'));
}

TEST(MeteoFranceH, HourlyRowsAreDatedAtTheHourTheyEnd)
{
    const QByteArray file =
        "NUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJHH;RR1;QRR1;DRR1;QDRR1;FF;QFF\n"
        "29075001;BREST-GUIPAVAS;48.444167;-4.412;94;2014010100;0.0;1;;;9.8;1\n"
        "29075001;BREST-GUIPAVAS;48.444167;-4.412;94;2014010123;1.2;2;;;9.8;1\n"
        "29075001;BREST-GUIPAVAS;48.444167;-4.412;94;2014010124;1.2;1;;;9.8;1\n";
    CollectingSink sink;
    const ReadResult result = readBytes(ImportFormat::MeteoFranceH, file, sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].time, QTime(0, 0));
    EXPECT_FALSE(sink.rows[0].isDaily());
    EXPECT_EQ(sink.rows[1].date, QDate(2014, 1, 1));
    EXPECT_EQ(sink.rows[1].time, QTime(23, 0));
    EXPECT_TRUE(sink.rows[1].doubtful);
    ASSERT_EQ(sink.refusals.size(), 1);
    EXPECT_EQ(sink.refusals[0].line, 4);
    EXPECT_DOUBLE_EQ(sink.stations.value(0).longitude.value_or(0), -4.412);

    CollectingSink daily;
    const ReadResult wrong =
        readBytes(ImportFormat::MeteoFranceH, "NUM_POSTE;NOM_USUEL;AAAAMMJJ;RR;QRR\n", daily);
    EXPECT_EQ(wrong.error, QStringLiteral("Ligne 1 : c'est un fichier quotidien (AAAAMMJJ) : "
                                          "choisissez le format Météo-France quotidien."));
}
