#include "statementcheck.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"
#include "schema/groundwatertables.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "support/statementlog.h"
#include "support/testdatabases.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <iostream>
#include <vector>

using namespace plx;
using namespace plxtest;

namespace {

// Statements the program builds that do not run on a database it created, and why. Each
// entry: where the statement is issued (a prefix of the log's "file:line"), a pattern of
// its text, and the reason it does not count.
struct KnownFailure
{
    const char *where;
    const char *pattern;
    const char *reason;
};

const std::vector<KnownFailure> &knownFailures()
{
    static const std::vector<KnownFailure> list{
        // The screen opens whichever table the reference-table list names; the suite's
        // tests name a table of their own.
        {"src/run/widgets/referencetable.cpp:", "^SELECT \\* FROM REFTEST$",
         "a table the test made, named by the test"},
        // Reads the installation columns of an old database before moving them; it runs only
        // when the catalog shows them, which a database we create never has.
        {"src/schema/schemastations.cpp:", "FROM MODES_MESURES_PLUVIO",
         "upgrade of an older database, guarded by the catalog"},
    };
    return list;
}

const KnownFailure *knownFailure(const LoggedStatement &statement)
{
    for (const KnownFailure &known : knownFailures()) {
        if (statement.where.startsWith(QLatin1String(known.where))
            && QRegularExpression(QString::fromUtf8(known.pattern),
                                  QRegularExpression::CaseInsensitiveOption)
                   .match(statement.sql)
                   .hasMatch())
            return &known;
    }
    return nullptr;
}

// Sites whose text depends on the dialect (catalog look-ups, type words of the schema
// steps): recorded under SQLite they hold SQLite's form, which an Access file never
// receives, since the same code gives it the Access form.
bool branchesOnDialect(const QString &where)
{
    return where.startsWith(QLatin1String("src/schema/"));
}

// Texts naming the engine's own row locator (rowid, ctid: AccesBase::rowLocatorColumn),
// which the program gives only to the engine that has it.
bool namesRowLocator(const QString &sql)
{
    static const QRegularExpression locator(QStringLiteral("\\b(rowid|ctid)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return locator.match(sql).hasMatch();
}

std::vector<LoggedStatement> readLog(QString *problem)
{
    const QString path = qEnvironmentVariable("PLX_STATEMENT_REPLAY");
    if (path.isEmpty()) {
        *problem = QStringLiteral("PLX_STATEMENT_REPLAY is not set (run the whole suite with ctest)");
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *problem = QStringLiteral("no statement log at %1 (run the whole suite with ctest)").arg(path);
        return {};
    }
    std::vector<LoggedStatement> statements;
    QSet<QString> seen;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        if (seen.contains(line))
            continue;
        seen.insert(line);
        if (const std::optional<LoggedStatement> statement = LoggedStatement::fromLine(line))
            statements.push_back(*statement);
    }
    if (statements.empty())
        *problem = QStringLiteral("the statement log %1 is empty (run the whole suite with ctest)").arg(path);
    return statements;
}

// A database as "plx init --demo" makes it, on the process-wide connection; the code of
// one of its stations in station (its measurement table and reference twin exist), and
// of one of its piezometers in piezometer (its level table exists).
bool makeDemoDatabase(QString *station, QString *piezometer)
{
    AccesBase &db = AccesBase::instance();
    const UserTablesResult users = ensureDefaultUserTables(db);
    if (!users.ok) {
        ADD_FAILURE() << "user tables: " << users.error.toStdString();
        return false;
    }
    const UserTablesResult widened = upgradeUserTable(db);
    if (!widened.ok) {
        ADD_FAILURE() << "user tables: " << widened.error.toStdString();
        return false;
    }
    const SchemaUpgradeReport report = upgradeSchema(db, QStringLiteral(PLX_VERSION));
    if (!report.ok) {
        ADD_FAILURE() << "schema: " << report.error.toStdString();
        return false;
    }
    QString error;
    if (!fillDemoNetwork(db, &error)) {
        ADD_FAILURE() << "demo network: " << error.toStdString();
        return false;
    }
    const RecordTable codes = db.ExtraireRecords(
        QStringLiteral("SELECT min(CodePluviometre) FROM PLUVIOMETRES"));
    if (!codes.ok() || codes.rowCount() != 1) {
        ADD_FAILURE() << "no demo station: " << codes.error().toStdString();
        return false;
    }
    *station = measurementTableName(codes.text(0, 0)).mid(int(qstrlen("PLUVIO_")));
    const RecordTable piezometers = db.ExtraireRecords(
        QStringLiteral("SELECT min(CodePiezometre) FROM PIEZOMETRES"));
    if (!piezometers.ok() || piezometers.rowCount() != 1 || piezometers.at(0, 0).isNull()) {
        ADD_FAILURE() << "no demo piezometer: " << piezometers.error().toStdString();
        return false;
    }
    *piezometer = pzTableName(piezometers.text(0, 0)).mid(int(qstrlen("PZ_")));
    // The reference twin exists for some stations; PLUVIO_<n>_BRUTE is only ever dropped
    // or renamed by the program, so it is left absent.
    CreateMeasurementTable(db, *station, true);
    return true;
}

class Statements : public ::testing::TestWithParam<QString>
{};

// Every statement the suite saw the program issue runs on a fresh database of each engine.
TEST_P(Statements, RunOnADatabaseWeCreated)
{
    QString problem;
    const std::vector<LoggedStatement> logged = readLog(&problem);
    if (logged.empty())
        GTEST_SKIP() << problem.toStdString();

    ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connectAsRunProfile());
    QString station;
    QString piezometer;
    ASSERT_TRUE(makeDemoDatabase(&station, &piezometer));
    AccesBase &db = AccesBase::instance();
    const QString dialect = dialectName(db.dialect());

    // A site seen under this engine's dialect replays only the texts it gave there. Most
    // tests run on SQLite too, so a site seen only under PostgreSQL branches on the engine
    // (set application_name): its texts run on PostgreSQL only; a site seen only under
    // SQLite gives the plain Access form, which every engine takes.
    QHash<QString, QSet<QString>> dialectsAt;
    for (const LoggedStatement &statement : logged)
        dialectsAt[statement.where].insert(statement.dialect);

    QSet<QString> done;
    int ran = 0;
    int dataErrors = 0;
    QStringList failures;
    QStringList known;
    for (const LoggedStatement &statement : logged) {
        if (statement.mayFail)
            continue;
        if (statement.dialect != dialect
            && (statement.dialect != QLatin1String("SQLite")
                || dialectsAt.value(statement.where).contains(dialect)
                || namesRowLocator(statement.sql)))
            continue;
        const QString sql = withStationTables(statement.sql, station, piezometer);
        if (done.contains(sql))
            continue;
        done.insert(sql);
        ++ran;
        const QString error = replayStatement(db, sql);
        if (error.isEmpty())
            continue;
        if (isDataError(error)) {
            ++dataErrors;
            continue;
        }
        const QString line = QStringLiteral("%1\n    %2\n    %3")
                                 .arg(statement.where, error.trimmed(), sql.left(400));
        if (const KnownFailure *why = knownFailure(statement))
            known << line + QStringLiteral("\n    (known: %1)").arg(QString::fromUtf8(why->reason));
        else
            failures << line;
    }
    std::cout << GetParam().toStdString() << ": " << ran << " statements replayed, " << dataErrors
              << " refused for their data, " << known.size() << " known failures, "
              << failures.size() << " failures\n";
    for (const QString &line : known)
        std::cout << line.toStdString() << '\n';
    EXPECT_TRUE(failures.isEmpty()) << failures.size()
                                    << " statements did not run on a database we created:\n"
                                    << failures.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, Statements, PLX_ENGINES, PLX_ENGINE_NAME);

// Statements an Access file would receive unchanged through ODBC (the ones recorded under
// SQLite, whose text the translator gets in the same Access form) use Access SQL only.
TEST(StatementsForAccess, UseAccessSqlOnly)
{
    QString problem;
    const std::vector<LoggedStatement> logged = readLog(&problem);
    if (logged.empty())
        GTEST_SKIP() << problem.toStdString();
    QSet<QString> done;
    QStringList failures;
    int checked = 0;
    for (const LoggedStatement &statement : logged) {
        if (statement.dialect != QLatin1String("SQLite") || branchesOnDialect(statement.where)
            || namesRowLocator(statement.sql) || done.contains(statement.sql))
            continue;
        done.insert(statement.sql);
        ++checked;
        const QStringList problems = accessSyntaxProblems(statement.sql);
        if (!problems.isEmpty())
            failures << QStringLiteral("%1: %2\n    %3")
                            .arg(statement.where, problems.join(QStringLiteral(", ")),
                                 statement.sql.left(400));
    }
    std::cout << checked << " statements checked as Access SQL\n";
    EXPECT_TRUE(failures.isEmpty()) << failures.size() << " statements are not Access SQL:\n"
                                    << failures.join(QLatin1Char('\n')).toStdString();
}

// The checks themselves catch a wrong statement and leave right ones alone.
TEST(StatementChecks, CatchWrongStatements)
{
    EXPECT_EQ(accessSyntaxProblems(QStringLiteral(
                  "SELECT ucase(Nom) & ' ' & lcase([upper(x)]), iif(a, 1, 2), mid(b, 2), "
                  "t.length FROM T WHERE Nom = 'upper(x) || y' AND d >= #03/05/2024#")),
              QStringList());
    EXPECT_EQ(accessSyntaxProblems(QStringLiteral(
                  "SELECT upper (Nom) || x, CAST(a AS int), b::int FROM T ORDER BY d DESC "
                  "NULLS LAST LIMIT 1")),
              (QStringList{QStringLiteral("function upper"), QStringLiteral("operator ||"),
                           QStringLiteral("function cast"), QStringLiteral("operator ::"),
                           QStringLiteral("keyword NULLS"), QStringLiteral("keyword LIMIT")}));

    EXPECT_EQ(withStationTables(QStringLiteral("SELECT * FROM PLUVIO_12 p, pluvio_3_BRUTE, "
                                               "COURBE_REF_PLUVIO_44, PLUVIOMETRES, PK_PLUVIO_1 "
                                               "WHERE x = 'PLUVIO_12'"),
                                QStringLiteral("7")),
              QStringLiteral("SELECT * FROM PLUVIO_7 p, PLUVIO_7_BRUTE, COURBE_REF_PLUVIO_7, "
                             "PLUVIOMETRES, PK_PLUVIO_7 WHERE x = 'PLUVIO_12'"));
    EXPECT_EQ(withStationTables(QStringLiteral("CREATE UNIQUE INDEX PK_PZ_42 ON pz_42 (x); "
                                               "SELECT * FROM PZ_1, PIEZOMETRES, PZ_1_X "
                                               "WHERE t = 'PZ_1'"),
                                QStringLiteral("7"), QStringLiteral("3")),
              QStringLiteral("CREATE UNIQUE INDEX PK_PZ_3 ON PZ_3 (x); SELECT * FROM PZ_3, "
                             "PIEZOMETRES, PZ_1_X WHERE t = 'PZ_1'"));

    for (const QString &engine : testEngines()) {
        SCOPED_TRACE(engine.toStdString());
        ScratchDatabase scratch(engine);
        ASSERT_TRUE(scratch.connect());
        AccesBase &db = AccesBase::instance();
        ASSERT_TRUE(db.Execute(QStringLiteral(
            "CREATE TABLE T (Code Long NOT NULL PRIMARY KEY, Nom TEXT(20))")));
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO T (Code, Nom) VALUES (1, 'a')")));

        EXPECT_EQ(replayStatement(db, QStringLiteral("SELECT ucase(Nom) FROM T")), QString());
        EXPECT_EQ(replayStatement(db, QStringLiteral("DELETE FROM T WHERE Code = ?")), QString());
        const QString missingColumn = replayStatement(db, QStringLiteral("SELECT Absente FROM T"));
        EXPECT_FALSE(missingColumn.isEmpty());
        EXPECT_FALSE(isDataError(missingColumn)) << missingColumn.toStdString();
        const QString missingTable =
            replayStatement(db, QStringLiteral("UPDATE Absente SET Nom = 'b' WHERE Code = ?"));
        EXPECT_FALSE(missingTable.isEmpty());
        EXPECT_FALSE(isDataError(missingTable)) << missingTable.toStdString();
        EXPECT_FALSE(isDataError(replayStatement(db, QStringLiteral("SELEC Nom FROM T"))));

        const QString duplicate =
            replayStatement(db, QStringLiteral("INSERT INTO T (Code, Nom) VALUES (1, 'b')"));
        EXPECT_TRUE(isDataError(duplicate)) << duplicate.toStdString();
        // Replayed statements leave nothing behind.
        EXPECT_EQ(replayStatement(db, QStringLiteral("INSERT INTO T (Code, Nom) VALUES (2, 'b')")),
                  QString());
        EXPECT_EQ(db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM T")).text(0, 0),
                  QStringLiteral("1"));
        db.Deconnecter();
    }
}

} // namespace
