#include "db/accesbase.h"
#include "support/clirunner.h"
#include "support/testdatabases.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;

namespace {

using plxtest::CliResult;
using plxtest::runPlx;

QStringList databaseArguments(const plxtest::ScratchDatabase &scratch);

CliResult sql(const plxtest::ScratchDatabase &scratch, const QString &statement)
{
    return runPlx(QStringList{QStringLiteral("sql")} + databaseArguments(scratch) + QStringList{statement});
}

QStringList databaseArguments(const plxtest::ScratchDatabase &scratch)
{
    const ConnectionProfile &p = scratch.profile();
    if (scratch.engine() == QLatin1String("sqlite"))
        return {QStringLiteral("--db"), p.database};
    if (scratch.engine() == QLatin1String("odbc"))
        return {QStringLiteral("--odbc"), p.database};
    return {QStringLiteral("--pg"), QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                        .arg(p.server, p.port, p.database, p.user)};
}

class PlxSql : public ::testing::TestWithParam<QString>
{
};

} // namespace

// The same statement answers the same text on every engine: NULL empty, dates day first,
// a time of day on its zero day, reals in their shortest form.
TEST_P(PlxSql, SameRowsOnEveryEngine)
{
    plxtest::ScratchDatabase scratch(GetParam());
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(scratch.connect(db));
    ASSERT_TRUE(db.Execute(QStringLiteral("CREATE TABLE t (id integer, nom varchar(20), v real, d timestamp)")));
    const auto insert = [&](int id, const QVariant &nom, const QVariant &v, const QVariant &d) {
        return db.Execute(QStringLiteral("INSERT INTO t VALUES (%1, %2, %3, %4)")
                              .arg(id)
                              .arg(db.engineLiteral(nom), db.engineLiteral(v), db.engineLiteral(d)));
    };
    ASSERT_TRUE(insert(1, QStringLiteral("Aix"), 0.1, QDateTime(QDate(2024, 3, 5), QTime(0, 0), Qt::UTC)));
    ASSERT_TRUE(insert(2, QVariant(), 12.5, QDateTime(QDate(1899, 12, 30), QTime(7, 30), Qt::UTC)));
    ASSERT_TRUE(insert(3, QStringLiteral("l'Étang"), QVariant(), QVariant()));
    db.Deconnecter();

    const CliResult rows = sql(scratch, QStringLiteral("SELECT id, nom, v, d FROM t ORDER BY id"));
    EXPECT_EQ(rows.exitCode, 0) << rows.err.toStdString();
    EXPECT_EQ(rows.out, QStringLiteral("1\tAix\t0.1\t05/03/2024\n"
                                         "2\t\t12.5\t30/12/1899 07:30:00\n"
                                         "3\tl'Étang\t\t\n"));

    const CliResult update = sql(scratch, QStringLiteral("UPDATE t SET nom = 'x' WHERE id = 2"));
    EXPECT_EQ(update.exitCode, 0) << update.err.toStdString();
    EXPECT_EQ(update.out, QStringLiteral("True\n"));

    const CliResult failure = sql(scratch, QStringLiteral("SELECT absent FROM t"));
    EXPECT_EQ(failure.exitCode, 1);
    EXPECT_TRUE(failure.out.isEmpty());
    EXPECT_FALSE(failure.err.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, PlxSql, PLX_ENGINES, PLX_ENGINE_NAME);

TEST(PlxUsage, HelpAndBadUsage)
{
    const CliResult help = runPlx({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("convert-mdb")));
    EXPECT_EQ(runPlx({}).exitCode, 2);
    EXPECT_EQ(runPlx({QStringLiteral("sql"), QStringLiteral("SELECT 1")}).exitCode, 2) << "no database given";
    EXPECT_EQ(runPlx({QStringLiteral("frobnicate")}).exitCode, 2);
    const CliResult missing = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), QStringLiteral("/nonexistent/x.sqlite"),
                             QStringLiteral("SELECT 1")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("introuvable")));
}

// A password-protected Access file opened to "0 table(s)" through an empty working copy:
// plx now says what it is, writes nothing, and an unprotected file still opens.
TEST(PlxAccess, AProtectedFileIsRefusedWithoutAWorkingCopy)
{
    QTemporaryDir dir;
    const QString lead = QString::fromUtf8("Ce fichier Access est protégé par un mot de passe : ");
    for (const QString &name : {QStringLiteral("protectedJet3.mdb"), QStringLiteral("password.mdb")}) {
        const QString file = dir.filePath(name);
        ASSERT_TRUE(QFile::copy(plxtest::testDataPath(QStringLiteral("mdb/") + name), file));
        const CliResult query = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), file,
                                        QStringLiteral("SELECT 1")});
        EXPECT_EQ(query.exitCode, 1);
        EXPECT_TRUE(query.err.contains(lead + QString::fromUtf8("« %1 »").arg(name)))
            << query.err.toStdString();
        EXPECT_EQ(query.out, "");
        const CliResult convert = runPlx({QStringLiteral("convert-mdb"), file, dir.filePath(QStringLiteral("copie.sqlite"))});
        EXPECT_EQ(convert.exitCode, 1);
        EXPECT_TRUE(convert.err.startsWith(lead)) << convert.err.toStdString();
        EXPECT_EQ(convert.out, "");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("password.mdb"), QStringLiteral("protectedJet3.mdb")}));

    const QString open = dir.filePath(QStringLiteral("charsetGBK.mdb"));
    ASSERT_TRUE(QFile::copy(plxtest::testDataPath(QStringLiteral("mdb/charsetGBK.mdb")), open));
    const CliResult query =
        runPlx({QStringLiteral("sql"), QStringLiteral("--db"), open, QStringLiteral("SELECT count(*) FROM table1")});
    EXPECT_EQ(query.exitCode, 0) << query.err.toStdString();
    EXPECT_EQ(query.out, "1\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("charsetGBK.plx.sqlite"))));
}
