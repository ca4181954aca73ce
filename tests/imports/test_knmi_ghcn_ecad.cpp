#include "readertesting.h"

#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

// De Bilt 2000: daily RH (00-24 UT) and the hourly file of January. The hourly values,
// dated at the hour they end (HH 24 at 00:00 the next day), add up to each day's RH:
// a one-hour shift would move the 00-01 UT rain into the wrong day.
TEST(Knmi, DeBiltDailyAndHourlyAgree)
{
    CollectingSink daily;
    ReadResult result = readPath(ImportFormat::Knmi, importData("etmgeg_260_2000.txt"), daily);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(daily.rows.size(), 366u);
    EXPECT_TRUE(daily.refusals.isEmpty()) << daily.refusalsText().toStdString();
    EXPECT_DOUBLE_EQ(daily.total(), 932.4);
    ASSERT_EQ(daily.stations.size(), 1);
    EXPECT_EQ(daily.stations[0].number, QStringLiteral("260"));
    int traces = 0;
    for (const ImportedRow &row : daily.rows) {
        EXPECT_TRUE(row.isDaily());
        EXPECT_EQ(row.station, QStringLiteral("260"));
        traces += row.values[0] == 0.0;
    }
    EXPECT_GE(traces, 58); // the 58 days of RH -1 are dry days

    CollectingSink hourly;
    result = readPath(ImportFormat::Knmi, importData("uurgeg_260_2000-01.txt"), hourly);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(hourly.rows.size(), 744u);
    EXPECT_EQ(hourly.rows.front().date, QDate(2000, 1, 1));
    EXPECT_EQ(hourly.rows.front().time, QTime(1, 0));
    EXPECT_EQ(hourly.rows.back().date, QDate(2000, 2, 1));
    EXPECT_EQ(hourly.rows.back().time, QTime(0, 0));
    const ImportedRow &fourth = hourly.rows[3]; // HH 4, RH -1
    EXPECT_EQ(fourth.time, QTime(4, 0));
    EXPECT_TRUE(fourth.hasValue(0));
    EXPECT_DOUBLE_EQ(fourth.values[0], 0.0);

    QMap<QDate, double> byDay;
    for (const ImportedRow &row : hourly.rows) {
        // The hour ending at 00:00 belongs to the day before.
        const QDate day = row.time == QTime(0, 0) ? row.date.addDays(-1) : row.date;
        byDay[day] += row.values[0];
    }
    int compared = 0;
    for (const ImportedRow &row : daily.rows) {
        if (row.date.month() != 1)
            continue;
        EXPECT_NEAR(byDay.value(row.date), row.values[0], 1e-9)
            << row.date.toString().toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 31);
}

TEST(Knmi, PrecipitationStationAndStationList)
{
    CollectingSink sink;
    ReadResult result =
        readPath(ImportFormat::Knmi, importData("neerslaggeg_DE-BILT_550.txt"), sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(sink.rows.size(), 366u);
    EXPECT_DOUBLE_EQ(sink.total(), 974.7);
    EXPECT_EQ(sink.rows[0].date, QDate(2000, 1, 1));
    EXPECT_DOUBLE_EQ(sink.rows[0].values[0], 1.1);
    EXPECT_TRUE(
        createImportReader(ImportFormat::Knmi)->timeConvention().contains(QStringLiteral("HH 24")));

    // Recent exports list their stations with coordinates; blanks are missing values.
    const QByteArray recent = "# BRON: KONINKLIJK NEDERLANDS METEOROLOGISCH INSTITUUT (KNMI)\n"
                              "# STN         LON(east)   LAT(north)     ALT(m)  NAME\n"
                              "# 260:         5.180       52.100      1.90  De Bilt\n"
                              "# STN,YYYYMMDD,   RH\n"
                              "\n"
                              "  260,20240101,   12\n"
                              "  260,20240102,     \n"
                              "  260,20240230,    3\n"
                              "  260,20240103,   xx\n";
    CollectingSink listed;
    result = readBytes(ImportFormat::Knmi, recent, listed);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(listed.stations.size(), 1);
    EXPECT_EQ(listed.stations[0].name, QStringLiteral("De Bilt"));
    EXPECT_DOUBLE_EQ(listed.stations[0].latitude.value_or(0), 52.1);
    EXPECT_DOUBLE_EQ(listed.stations[0].longitude.value_or(0), 5.18);
    ASSERT_EQ(listed.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(listed.rows[0].values[0], 1.2);
    ASSERT_EQ(listed.refusals.size(), 3) << listed.refusalsText().toStdString();
    EXPECT_EQ(listed.refusals[0].line, 7);
    EXPECT_EQ(listed.refusals[0].reason, QStringLiteral("RH manquant (champ vide)."));
    EXPECT_EQ(listed.refusals[1].reason, QStringLiteral("la date « 20240230 » n'existe pas."));
    EXPECT_EQ(listed.refusals[2].reason, QStringLiteral("valeur de pluie « xx » illisible."));

    CollectingSink none;
    result = readBytes(ImportFormat::Knmi, "# STN;YYYYMMDD;RH\n260;20240101;12\n", none);
    EXPECT_EQ(
        result.error,
        QStringLiteral("Ligne 1 : le séparateur attendu est « , », ce fichier utilise « ; »."));
    result = readBytes(ImportFormat::Knmi, "Quelques mots\n  260,20240101,   12\n", none);
    EXPECT_EQ(result.error, QStringLiteral("Ligne 2 : l'en-tête KNMI (« # STN,YYYYMMDD,… ») est "
                                           "introuvable avant les données."));
}

// Central Park 1870-1871: PRCP lines only, traces read as 0, the days February lacks skipped.
TEST(Ghcn, CentralParkFlagsAndMissingDays)
{
    CollectingSink sink;
    ReadResult result = readPath(ImportFormat::Ghcn, importData("USW00094728_1870-1871.dly"), sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(sink.rows.size(), 730u);
    EXPECT_TRUE(sink.refusals.isEmpty()) << sink.refusalsText().toStdString();
    EXPECT_DOUBLE_EQ(sink.total(), 2302.9);
    ASSERT_EQ(sink.stations.size(), 1);
    EXPECT_EQ(sink.stations[0].number, QStringLiteral("USW00094728"));
    EXPECT_FALSE(sink.stations[0].latitude.has_value());
    EXPECT_EQ(sink.rows.front().date, QDate(1870, 1, 1));
    EXPECT_EQ(sink.rows.back().date, QDate(1871, 12, 31));

    // A Q flag makes the value doubtful; -9999 on a real day is a missing value.
    QByteArray line = "USW00094728202001PRCP";
    for (int day = 1; day <= 31; ++day) {
        if (day == 2)
            line += "   51 GW";
        else if (day == 3)
            line += "-9999   ";
        else
            line += "    0T 0";
    }
    CollectingSink flagged;
    result =
        readBytes(ImportFormat::Ghcn, "USW00094728202001TMAX  -17  Z\n" + line + "\n", flagged);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(flagged.rows.size(), 30u);
    EXPECT_FALSE(flagged.rows[0].doubtful);
    EXPECT_TRUE(flagged.rows[1].doubtful);
    EXPECT_DOUBLE_EQ(flagged.rows[1].values[0], 5.1);
    EXPECT_EQ(flagged.rows[1].line, 2);
    ASSERT_EQ(flagged.refusals.size(), 1);
    EXPECT_EQ(flagged.refusals[0].reason, QStringLiteral("le 03/01/2020 : PRCP manquant (-9999)."));

    result = readBytes(ImportFormat::Ghcn, "STATION;DATE;PRCP\n", flagged);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(
        result.error.startsWith(QStringLiteral("Ligne 1 : ce n'est pas une ligne GHCN-Daily")));
}

// De Bilt's blended series: the station from the header, the first days missing, and the
// source id changing inside the series without changing the station.
TEST(Ecad, DeBiltBlendedSeries)
{
    CollectingSink sink;
    ReadResult result =
        readPath(ImportFormat::Ecad, importData("RR_STAID000162_extract.txt"), sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(sink.rows.size(), 366u);
    EXPECT_EQ(sink.refusals.size(), 30);
    EXPECT_EQ(sink.refusals.value(0).line, 21);
    EXPECT_EQ(sink.refusals.value(0).reason, QStringLiteral("RR manquant (-9999)."));
    EXPECT_DOUBLE_EQ(sink.total(), 726.2);
    ASSERT_EQ(sink.stations.size(), 1);
    EXPECT_EQ(sink.stations[0].number, QStringLiteral("162"));
    EXPECT_EQ(sink.stations[0].name, QStringLiteral("DE BILT (NETHERLANDS)"));
    for (const ImportedRow &row : sink.rows) {
        EXPECT_EQ(row.station, QStringLiteral("162"));
        EXPECT_EQ(row.validite, QLatin1Char('V'));
    }
    EXPECT_EQ(sink.rows.back().date, QDate(2016, 11, 7));
    EXPECT_DOUBLE_EQ(sink.rows.back().values[0], 1.7);

    CollectingSink suspect;
    result = readBytes(ImportFormat::Ecad,
                       "This is the blended series of station FRANCE, BREST (STAID: 33).\n"
                       " SOUID,    DATE,   RR, Q_RR\n"
                       "100001,19500101,   42,    1\n"
                       "100001,19500132,   42,    0\n",
                       suspect);
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(suspect.rows.size(), 1u);
    EXPECT_TRUE(suspect.rows[0].doubtful);
    EXPECT_TRUE(suspect.rows[0].validite.isNull());
    EXPECT_EQ(suspect.refusals.value(0).reason,
              QStringLiteral("la date « 19500132 » n'existe pas."));
}

TEST(ImportFormats, DetectionFromContentKeysAndCaptions)
{
    auto head = [](const QString &name) {
        QString error;
        const QList<ImportSource> sources = listImportSources(importData(name), &error);
        return sources.isEmpty() ? QByteArray() : readSourceHead(sources.first());
    };
    // The content decides, whatever the name says.
    EXPECT_EQ(detectImportFormat(
                  head(QStringLiteral("Q_13_13055001_MARSEILLE-OBS_1868-1949_extract.csv.gz")),
                  QStringLiteral("x.txt")),
              ImportFormat::MeteoFranceQ);
    EXPECT_EQ(detectImportFormat("NUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJHH;RR1;QRR1\n",
                                 QStringLiteral("a.csv")),
              ImportFormat::MeteoFranceH);
    EXPECT_EQ(detectImportFormat(head(QStringLiteral("RADOMEH_HACKATON_29075001.txt")),
                                 QStringLiteral("x.csv")),
              ImportFormat::Radome);
    EXPECT_EQ(
        detectImportFormat(head(QStringLiteral("etmgeg_260_2000.txt")), QStringLiteral("x.csv")),
        ImportFormat::Knmi);
    EXPECT_EQ(
        detectImportFormat(head(QStringLiteral("uurgeg_260_2000-01.txt")), QStringLiteral("x.csv")),
        ImportFormat::Knmi);
    EXPECT_EQ(detectImportFormat(head(QStringLiteral("neerslaggeg_DE-BILT_550.txt")),
                                 QStringLiteral("x.csv")),
              ImportFormat::Knmi);
    EXPECT_EQ(detectImportFormat(head(QStringLiteral("USW00094728_1870-1871.dly")),
                                 QStringLiteral("x.csv")),
              ImportFormat::Ghcn);
    EXPECT_EQ(detectImportFormat(head(QStringLiteral("RR_STAID000162_extract.txt")),
                                 QStringLiteral("x.csv")),
              ImportFormat::Ecad);
    EXPECT_EQ(
        detectImportFormat("date;pluvio\n01.08.2018 00:00;0.0\n", QStringLiteral("pluvio.csv")),
        std::nullopt);
    EXPECT_EQ(detectImportFormat(QByteArray(), QStringLiteral("vide.csv")), std::nullopt);
    // The raw first bytes of a .gz file are looked at inflated.
    QFile gz(importData(QStringLiteral("Q_13_13055001_MARSEILLE-OBS_1868-1949_extract.csv.gz")));
    ASSERT_TRUE(gz.open(QIODevice::ReadOnly));
    EXPECT_EQ(detectImportFormat(gz.read(4096), QStringLiteral("x")), ImportFormat::MeteoFranceQ);

    for (ImportFormat format :
         {ImportFormat::MeteoFranceQ, ImportFormat::MeteoFranceH, ImportFormat::Radome,
          ImportFormat::Knmi, ImportFormat::Ghcn, ImportFormat::Ecad, ImportFormat::Csv}) {
        EXPECT_EQ(importFormatFromKey(importFormatKey(format)), format);
        EXPECT_FALSE(importFormatCaption(format).isEmpty());
        auto reader = createImportReader(format);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->format(), format);
        EXPECT_FALSE(reader->timeConvention().isEmpty());
        // Every reader says so on an empty file.
        CollectingSink sink;
        const ReadResult empty = readBytes(format, QByteArray(), sink);
        EXPECT_FALSE(empty.ok) << importFormatKey(format).toStdString();
        EXPECT_EQ(empty.error, QStringLiteral("Le fichier est vide."))
            << importFormatKey(format).toStdString();
    }
    EXPECT_EQ(importFormatFromKey(QStringLiteral("meteofrance")), std::nullopt);
}
