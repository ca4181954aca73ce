#include "readertesting.h"

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

// BREST-GUIPAVAS, January 2014: 743 hours in the file, 4 of them "mq", 216.3 mm in all,
// and the literal EOF line closing the file.
TEST(Radome, BrestGuipavasMonth)
{
    CollectingSink sink;
    const ReadResult result = readPath(ImportFormat::Radome,
                                       importData("RADOMEH_HACKATON_29075001.txt"), sink);
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
    ReadResult result = readBytes(ImportFormat::Radome,
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
    EXPECT_EQ(result.error,
              QStringLiteral("Ligne 1 : le séparateur attendu est « , », ce fichier utilise « ; »."));
}
