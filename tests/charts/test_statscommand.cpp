#include "charts/chartengine.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"

#include <QDate>
#include <QProcess>

#include <cmath>

using namespace plx;

namespace {

// Station 5: daily rainfall 2001-2006, (year - 2000)^2 / 10 mm a day, 15/03/2003 missing,
// monthly normals 10, 20, ... 120 mm. Station 6: a measurement table without rows.
class ChartDatabase : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        AccesBase &db = AccesBase::instance();
        for (const int code : {5, 6})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (%1, %2)")
                     .arg(sqlNumber(code), sqlQuote(QStringLiteral("Station d'essai"))));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("5"), false));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("6"), false));
        QStringList rows;
        const auto flush = [&] {
            if (rows.isEmpty())
                return;
            exec(QStringLiteral("INSERT INTO PLUVIO_5 (DateCreation, Heure, Pluie, Validite, "
                                "ModeObtention) VALUES ") +
                 rows.join(QStringLiteral(", ")));
            rows.clear();
        };
        const QString midnight = FormatHeureSQL(QStringLiteral("00:00:00"));
        for (QDate d(2001, 1, 1); d <= QDate(2006, 12, 31); d = d.addDays(1)) {
            if (d == QDate(2003, 3, 15))
                continue;
            const int k = d.year() - 2000;
            rows << QStringLiteral("(%1, %2, %3, 'V', 'A')")
                        .arg(FormatDateSQL(d.toString(QStringLiteral("dd/MM/yyyy")), false),
                             midnight, sqlNumber(k * k / 10.0));
            if (rows.size() == 500)
                flush();
        }
        flush();
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) "
                            "VALUES (5, -1, %1)")
                 .arg(sqlQuote(QStringLiteral("Normales d'essai"))));
        for (int m = 1; m <= 12; ++m)
            exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur) "
                                "VALUES (5, %1, %2)")
                     .arg(sqlNumber(m), sqlNumber(10 * m)));
    }

    void exec(const QString &sql)
    {
        ASSERT_TRUE(AccesBase::instance().Execute(sql))
            << sql.left(300).toStdString() << ": " << AccesBase::instance().lastError().toStdString();
    }

    plxtest::CliResult stats(const QStringList &arguments) const
    {
        const ConnectionProfile &profile = runProfile();
        const QStringList database =
            profile.kind == QLatin1String("POSTGRESQL")
                ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                : QStringList{QStringLiteral("--db"), profile.database};
        return plxtest::runPlx(QStringList{QStringLiteral("stats")} + database + arguments);
    }
};

} // namespace

// The series is read once into columns: instants from DateCreation and Heure, nulls as
// NaN, the codes as letters; the normals with their title.
TEST_P(ChartDatabase, SeriesAndNormalsRead)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    exec(QStringLiteral("INSERT INTO PLUVIO_6 (DateCreation, Heure, Pluie, Valeur2, Validite, "
                        "ModeObtention) VALUES (%1, %2, Null, 2.5, 'c', 'I'), (%3, %4, 0.1, Null, "
                        "Null, Null)")
             .arg(FormatDateSQL(QStringLiteral("02/01/1868"), false),
                  FormatHeureSQL(QStringLiteral("07:30:00")),
                  FormatDateSQL(QStringLiteral("01/01/1868"), false),
                  FormatHeureSQL(QStringLiteral("23:55:00"))));
    QString error;
    const auto timed = loadStationSeries(db, QStringLiteral("6"), &error);
    ASSERT_TRUE(timed) << error.toStdString();
    ASSERT_EQ(timed->t.size(), 2u);
    EXPECT_TRUE(timed->timed);
    EXPECT_EQ(timed->t[0], QDateTime(QDate(1868, 1, 1), QTime(23, 55), Qt::UTC).toSecsSinceEpoch());
    EXPECT_EQ(timed->t[1], QDateTime(QDate(1868, 1, 2), QTime(7, 30), Qt::UTC).toSecsSinceEpoch());
    EXPECT_NEAR(timed->values[0][0], 0.1, 1e-6);
    EXPECT_TRUE(std::isnan(timed->values[0][1]));
    EXPECT_EQ(timed->values[4][1], 2.5);
    EXPECT_EQ(timed->validite[1], 'C');
    EXPECT_EQ(timed->obtention[1], 'I');
    EXPECT_EQ(timed->validite[0], 0);

    const auto daily = loadStationSeries(db, QStringLiteral("5"), &error);
    ASSERT_TRUE(daily);
    EXPECT_EQ(daily->t.size(), 2190u);
    EXPECT_FALSE(daily->timed);
    const StationNormals normals = loadStationNormals(db, QStringLiteral("5"));
    EXPECT_TRUE(normals.hasMonths);
    EXPECT_EQ(normals.title, QStringLiteral("Normales d'essai"));
    EXPECT_EQ(normals.pluie[11], 120);
    EXPECT_TRUE(std::isnan(normals.etp[0]));
    EXPECT_FALSE(loadStationNormals(db, QStringLiteral("6")).hasMonths);

    // No table: an empty series; not a station code: an error.
    const auto none = loadStationSeries(db, QStringLiteral("77"), &error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->t.empty());
    EXPECT_EQ(loadStationSeries(db, QStringLiteral("5 OR 1=1"), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

// plx stats prints the yearly chart's curves: a header, a row per step, tab-separated
// with a decimal point and empty cells, then the number of years; errors in one line.
TEST_P(ChartDatabase, StatsCommand)
{
    if (!ready())
        return;
    plxtest::CliResult r = stats({QStringLiteral("--station"), QStringLiteral("5")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15) << r.out.toStdString(); // header, 12 months, years, ""
    EXPECT_EQ(lines[0], QStringLiteral("pas\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10"));
    EXPECT_EQ(lines[1], QStringLiteral("janv.\t111.6\t3.1\t34.1\t77.5\t10.54\t21.7\t36.58\t55.18"
                                       "\t27.9\t10"));
    EXPECT_EQ(lines[3], QStringLiteral("mars\t111.6\t3.1\t35.65\t77.5\t\t\t\t\t31\t30"));
    EXPECT_EQ(lines[13], QStringLiteral("annees\t5"));

    // The year 2003 selected, cumulated: March is its incomplete month.
    r = stats({QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--cumul"),
               QStringLiteral("--selected-year"), QStringLiteral("2003")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("févr.\t53.1\t"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[12].endsWith(QStringLiteral("\t780"))) << lines[12].toStdString();

    r = stats({QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--mode"),
               QStringLiteral("CUMUL_ANNUEL"), QStringLiteral("--year"), QStringLiteral("hydro")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 10) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("pas\t1"));
    EXPECT_EQ(lines[2], QStringLiteral("2001-2002\t109.4"));
    EXPECT_EQ(lines[8], QStringLiteral("annees\t4"));

    r = stats({QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--mode"),
               QStringLiteral("CUMUL_MENSUEL")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0].count(QLatin1Char('\t')), 12);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("2003\t27.9\t25.2\t27\t"))) << lines[3].toStdString();

    const struct
    {
        QStringList arguments;
        int exitCode;
        QString message;
    } errors[] = {
        {{QStringLiteral("--station"), QStringLiteral("99")}, 1,
         QStringLiteral("Station inconnue : 99\n")},
        {{QStringLiteral("--station"), QStringLiteral("6")}, 1,
         QStringLiteral("La station 6 n'a aucune mesure.\n")},
        {{QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--param"),
          QStringLiteral("3")},
         1, QStringLiteral("La station 5 n'a aucune valeur pour ce paramètre.\n")},
        {{QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--mode"),
          QStringLiteral("ANNUEL")},
         2,
         QStringLiteral("Mode invalide : ANNUEL (attendu : EDITION, CUMUL_MENSUEL ou "
                        "CUMUL_ANNUEL)\n")},
        {{QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--param"),
          QStringLiteral("7")},
         2, QStringLiteral("Paramètre invalide : 7 (attendu : 1 à 6)\n")},
        {{QStringLiteral("--station"), QStringLiteral("5"), QStringLiteral("--year")}, 2,
         QStringLiteral("L'option --year attend une valeur.\n")},
        {{QStringLiteral("--station"), QStringLiteral("5'; DROP TABLE PLUVIO_5; --")}, 2,
         QStringLiteral("Code de station invalide : 5'; DROP TABLE PLUVIO_5; --\n")},
    };
    for (const auto &e : errors) {
        SCOPED_TRACE(e.arguments.join(QLatin1Char(' ')).toStdString());
        r = stats(e.arguments);
        EXPECT_EQ(r.exitCode, e.exitCode);
        EXPECT_EQ(r.err, e.message);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ChartDatabase, PLX_ENGINES, PLX_ENGINE_NAME);
