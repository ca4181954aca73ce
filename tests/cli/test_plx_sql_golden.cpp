// plx sql prints the same bytes as tests/data/plx_sql_golden_<engine>.txt, written by the
// tool as it was before its output was made faster: any change of a date, a time, a real,
// an integer or a text cell shows here. One file per engine: PostgreSQL keeps Double
// columns as 4-byte reals, and its ODBC driver hands some reals over as text.
//
// To see the difference after a deliberate change of format:
//   PLX_WRITE_GOLDEN=FILE test_cli --gtest_filter='*PlxSqlGolden*/sqlite'
// writes what the tool prints now into FILE.
#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "measures/measurementtable.h"
#include "support/testdatabases.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;

namespace {

QStringList connectionArguments(const plxtest::ScratchDatabase &scratch)
{
    const ConnectionProfile &p = scratch.profile();
    if (scratch.engine() == QLatin1String("sqlite"))
        return {QStringLiteral("--db"), p.database};
    if (scratch.engine() == QLatin1String("odbc"))
        return {QStringLiteral("--odbc"), p.database};
    return {QStringLiteral("--pg"), QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                        .arg(p.server, p.port, p.database, p.user)};
}

// The bytes plx writes on its standard output, unchanged.
QByteArray plxOutput(const plxtest::ScratchDatabase &scratch, const QString &statement,
                     int *exitCode)
{
    QProcess process;
    process.start(QStringLiteral(PLX_CLI_PATH), QStringList{QStringLiteral("sql")} +
                                                    connectionArguments(scratch) +
                                                    QStringList{statement});
    process.waitForFinished(60000);
    *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QDateTime timeOfDay(int hour, int minute, int second)
{
    return at(1899, 12, 30, hour, minute, second);
}

// A table of every kind of cell, and the measurement table of station 1.
bool fill(AccesBase &db)
{
    if (!db.Execute(
            QStringLiteral("CREATE TABLE cells (id integer, nom varchar(40), v real, d double, "
                           "n integer, dt datetime)")))
        return false;
    std::unique_ptr<PreparedStatement> cell = db.prepare(
        QStringLiteral("INSERT INTO cells (id, nom, v, d, n, dt) VALUES (?, ?, ?, ?, ?, ?)"));
    const QVariant null;
    const QList<QVariantList> cells{
        {1, QStringLiteral("Aix"), 0.1, 0.1, 0, at(2024, 3, 5)},
        {2, null, 12.5, 12.5, 2147483647, at(2024, 3, 5, 14, 7, 9)},
        {3, QStringLiteral("l'Étang-Salé"), -3.25, -3.25, -2147483647, timeOfDay(7, 30, 0)},
        {4, QStringLiteral("tab\there, line\nbreak"), null, 1e-07, -1, timeOfDay(0, 0, 1)},
        {5, QString(), 1e+20, 123456789.125, 42, at(1899, 12, 30)},
        {6, QStringLiteral("Ωμέγα ✓"), 100000, 0.30000000000000004, 1000000,
         at(1850, 1, 2, 23, 59, 59)},
        {7, QStringLiteral("  espaces  "), -0.5, -1.3, null, at(9999, 12, 31, 23, 59, 59)},
        {8, null, null, null, null, null},
    };
    for (const QVariantList &values : cells) {
        if (!cell || !cell->exec(values))
            return false;
    }
    if (!CreateMeasurementTable(db, QStringLiteral("1"), false))
        return false;
    std::unique_ptr<PreparedStatement> measure = db.prepare(QStringLiteral(
        "INSERT INTO PLUVIO_1 (DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, "
        "Continuite, ModeObtention, Validite) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QList<QVariantList> measures{
        {at(2016, 7, 1), timeOfDay(0, 0, 0), 0.0, 0.0, null, 21.5, 0, QStringLiteral("A"),
         QStringLiteral("C")},
        {at(2016, 7, 1), timeOfDay(0, 5, 0), 0.2, 0.1, 0.3, -1.2999999999999998, 0,
         QStringLiteral("A"), QStringLiteral("V")},
        {at(2016, 7, 1), timeOfDay(23, 55, 0), 11.9, 6.9, 4.8, 2.4000000000000004, 1,
         QStringLiteral("M"), QString()},
        {at(2016, 7, 2), timeOfDay(12, 0, 0), null, null, null, null, null, null, null},
    };
    for (const QVariantList &values : measures) {
        if (!measure || !measure->exec(values))
            return false;
    }
    return true;
}

class PlxSqlGolden : public ::testing::TestWithParam<QString>
{
};

} // namespace

TEST_P(PlxSqlGolden, SameBytesAsTheGoldenFile)
{
    plxtest::ScratchDatabase scratch(GetParam());
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    ASSERT_TRUE(fill(db)) << db.lastError().toStdString();
    db.Deconnecter();

    QByteArray printed;
    for (const QString &statement :
         {QStringLiteral("SELECT * FROM cells ORDER BY id"),
          QStringLiteral("SELECT * FROM PLUVIO_1 ORDER BY DateCreation, Heure"),
          QStringLiteral("SELECT count(*), max(dt), min(d), sum(n) FROM cells"),
          QStringLiteral("SELECT id FROM cells WHERE id > 100")}) {
        int exitCode = -1;
        const QByteArray out = plxOutput(scratch, statement, &exitCode);
        EXPECT_EQ(exitCode, 0) << statement.toStdString();
        printed += "-- " + statement.toUtf8() + '\n' + out;
    }

    const QString write = qEnvironmentVariable("PLX_WRITE_GOLDEN");
    if (!write.isEmpty()) {
        QFile file(write);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(printed);
    }
    QFile golden(QStringLiteral(PLX_TEST_DATA "/plx_sql_golden_%1.txt").arg(GetParam()));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    const QByteArray expected = golden.readAll();
    EXPECT_EQ(printed.size(), expected.size());
    EXPECT_EQ(printed.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Engines, PlxSqlGolden, PLX_ENGINES, PLX_ENGINE_NAME);

// A make-table statement has no rows to stream: on PostgreSQL it runs whole, as before.
TEST(PlxSqlGolden, SelectIntoOnPostgreSql)
{
    if (!plxtest::testEngines().contains(QStringLiteral("postgresql")))
        GTEST_SKIP() << "no PostgreSQL server";
    plxtest::ScratchDatabase scratch(QStringLiteral("postgresql"));
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    ASSERT_TRUE(fill(db)) << db.lastError().toStdString();
    db.Deconnecter();

    int exitCode = -1;
    EXPECT_TRUE(plxOutput(scratch,
                          QStringLiteral("SELECT id, nom INTO copie FROM cells WHERE id < 3"),
                          &exitCode)
                    .isEmpty());
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(plxOutput(scratch, QStringLiteral("SELECT * FROM copie ORDER BY id"), &exitCode),
              QByteArray("1\tAix\n2\t\n"));
    EXPECT_EQ(exitCode, 0);
}
