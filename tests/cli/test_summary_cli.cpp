#include "db/accesbase.h"
#include "measures/historiquedata.h"
#include "schema/schemaupgrade.h"
#include "support/clirunner.h"
#include "support/testdatabases.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace plx;

// plx summary prints the record's summary grid: the header line, then the visible rows,
// tab-separated; usage errors say so and change nothing.
TEST(PlxSummary, PrintsTheGridOfAStation)
{
    plxtest::ScratchDatabase scratch(QStringLiteral("sqlite"));
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    ASSERT_TRUE(upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok);
    const int year = QDate::currentDate().year();
    plxtest::fillHistoriqueStation(db, QStringLiteral("7"), year);
    db.Deconnecter();
    const QString file = scratch.profile().database;

    const plxtest::CliResult result =
        plxtest::runPlx({QStringLiteral("summary"), QStringLiteral("--station"),
                         QStringLiteral("7"), QStringLiteral("--db"), file});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString y = QString::number(year);
    QStringList expected{
        QStringLiteral("Donnée\tDeb histo\tFin histo\tValeurs\tValeurs %1\t"
                       "Cumul %1\tNb Jours %1\tContrôle\tValidation\tDate Max\tMax")
            .arg(y)};
    expected += plxtest::expectedHistorique(year).replaceInStrings(QStringLiteral("|"),
                                                                   QStringLiteral("\t"));
    EXPECT_EQ(result.out, expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    const plxtest::CliResult noTable =
        plxtest::runPlx({QStringLiteral("summary"), QStringLiteral("--db"), file,
                         QStringLiteral("--station"), QStringLiteral("12")});
    EXPECT_EQ(noTable.exitCode, 0) << noTable.err.toStdString();
    EXPECT_TRUE(noTable.out.endsWith(QStringLiteral("\nParam2\t\t\t\t\t\t\t\t\t\t\n")))
        << noTable.out.toStdString();

    const plxtest::CliResult badCode =
        plxtest::runPlx({QStringLiteral("summary"), QStringLiteral("--station"),
                         QStringLiteral("7;"), QStringLiteral("--db"), file});
    EXPECT_EQ(badCode.exitCode, 2);
    EXPECT_EQ(badCode.err, QStringLiteral("Code de station invalide : 7;\n"));
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--db"), file},
          QStringList{QStringLiteral("--station"), QStringLiteral("7")},
          QStringList{QStringLiteral("--db"), file, QStringLiteral("--station")}}) {
        const plxtest::CliResult usage =
            plxtest::runPlx(QStringList{QStringLiteral("summary")} + arguments);
        EXPECT_EQ(usage.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(usage.err.contains(QStringLiteral("summary [BASE] --station CODE")));
    }
}
