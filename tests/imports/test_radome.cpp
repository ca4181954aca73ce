#include "readertesting.h"

#include "imports/radomereader.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

// BREST-GUIPAVAS, January 2014: 743 hours in the file, 4 of them "mq", 216.3 mm in all,
// and the literal EOF line closing the file.
TEST(Radome, BrestGuipavasMonth)
{
    CollectingSink sink;
    const ReadResult result =
        readPath(ImportFormat::Radome, importData("RADOMEH_HACKATON_29075001.txt"), sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.linesRead, 745); // header, 743 hours, EOF
    EXPECT_EQ(sink.rows.size(), 739u);
    ASSERT_EQ(sink.refusals.size(), 4) << sink.refusalsText().toStdString();
    for (const RefusedLine &line : sink.refusals)
        EXPECT_EQ(line.reason, QStringLiteral("rr1 manquant (mq).")) << line.line;
    EXPECT_DOUBLE_EQ(sink.total(), 216.3);

    ASSERT_EQ(sink.stations.size(), 1);
    EXPECT_EQ(sink.stations[0].number, QStringLiteral("29075001"));
    const ImportedRow &first = sink.rows.front();
    EXPECT_EQ(first.date, QDate(2014, 1, 1));
    EXPECT_EQ(first.time, QTime(0, 0));
    EXPECT_EQ(first.line, 2);
    EXPECT_TRUE(first.validite.isNull());
    EXPECT_EQ(sink.rows.back().date, QDate(2014, 1, 31));
    EXPECT_EQ(sink.rows.back().time, QTime(23, 0));
}

TEST(Radome, BadFiles)
{
    const QByteArray header = "numer_sta,date,date_insert,td,t,rr1,pres\n";
    CollectingSink sink;
    ReadResult result =
        readBytes(ImportFormat::Radome,
                  header + "29075001,20140101000000,20140101000354,279.3,282.8,0.2,99350\n"
                           "29075001,20140132010000,20140101010359,279.0,282.7,0.0,99270\n"
                           "29075001,20140101020000,20140101020359,279.0,282.7,pluie,99270\n"
                           "EOF\n"
                           "29075001,20140101030000,20140101030359,279.0,282.7,0.0,99270\n",
                  sink);
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(sink.rows.size(), 1u);
    ASSERT_EQ(sink.refusals.size(), 3) << sink.refusalsText().toStdString();
    EXPECT_EQ(sink.refusals[0].reason, QStringLiteral("la date « 20140132010000 » n'existe pas."));
    EXPECT_EQ(sink.refusals[1].reason, QStringLiteral("valeur de pluie « pluie » illisible."));
    EXPECT_EQ(sink.refusals[2].line, 6);
    EXPECT_EQ(sink.refusals[2].reason, QStringLiteral("ligne après la marque de fin EOF."));

    CollectingSink semicolons;
    result = readBytes(ImportFormat::Radome, "numer_sta;date;rr1\n29075001;20140101000000;0.0\n",
                       semicolons);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(
        result.error,
        QStringLiteral("Ligne 1 : le séparateur attendu est « , », ce fichier utilise « ; »."));
}

// The network's station list names the stations and places them; 29236001 is one of the
// nine files the list lacks, so it arrives with its number only.
TEST(Radome, StationListAddsNamesAndCoordinates)
{
    QFile file(importData("weather_stations.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QHash<QString, ImportedStation> stations = readRadomeStationList(file);
    EXPECT_EQ(stations.size(), 49);
    EXPECT_FALSE(stations.contains(QStringLiteral("29236001")));
    const ImportedStation brest = stations.value(QStringLiteral("29075001"));
    EXPECT_EQ(brest.name, QStringLiteral("BREST-GUIPAVAS"));
    EXPECT_NEAR(brest.latitude.value_or(0), 48 + 26 / 60.0 + 36 / 3600.0, 1e-9);
    EXPECT_NEAR(brest.longitude.value_or(0), -(4 + 24 / 60.0 + 42 / 3600.0), 1e-9);
    EXPECT_DOUBLE_EQ(brest.altitude.value_or(0), 94);
    EXPECT_EQ(parseDmsCoordinate(QStringLiteral("48°26'61N")), std::nullopt);
    EXPECT_NEAR(parseDmsCoordinate(QStringLiteral("43° 18' 20.4\" S")).value_or(0), -43.3056667,
                1e-6);

    RadomeReader reader;
    reader.setStationList(stations);
    QString error;
    for (const QString &path :
         {importData("RADOMEH_HACKATON_29075001.txt"), importData("RADOMEH_extract.tar.gz")}) {
        for (const ImportSource &source : listImportSources(path, &error)) {
            auto device = source.open(&error);
            ASSERT_TRUE(device) << error.toStdString();
            CollectingSink sink;
            ASSERT_TRUE(reader.read(*device, sink).ok);
            ASSERT_EQ(sink.stations.size(), 1);
            const ImportedStation &seen = sink.stations[0];
            if (seen.number == QStringLiteral("29236001")) {
                EXPECT_TRUE(seen.name.isEmpty());
                EXPECT_FALSE(seen.latitude.has_value());
            } else {
                EXPECT_FALSE(seen.name.isEmpty()) << seen.number.toStdString();
                EXPECT_TRUE(seen.latitude.has_value());
            }
        }
    }
}
