#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"

#include <QProcess>

using namespace plx;

namespace {

using plxtest::CliResult;

// plx import on the fixture's database, a real Météo-France extract holding a station of the
// register (13055001, code 12), one it lacks (13054001) and lines without rainfall.
class ImportCli : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        ASSERT_TRUE(AccesBase::instance().Execute(
            QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES "
                           "(12, 'MARSEILLE', %1)")
                .arg(sqlQuote(QStringLiteral("13055001")))));
        m_file =
            plxtest::testDataPath(QStringLiteral("imports/Q_13_latest_three_stations_extract.csv"));
    }
    CliResult plx(const QStringList &arguments)
    {
        const ConnectionProfile &profile = runProfile();
        const QStringList database =
            profile.kind == QLatin1String("POSTGRESQL")
                ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                : QStringList{QStringLiteral("--db"), profile.database};
        QProcess process;
        process.start(QStringLiteral(PLX_CLI_PATH),
                      QStringList{QStringLiteral("import")} + database +
                          QStringList{QStringLiteral("--format"), QStringLiteral("meteofrance-q"),
                                      QStringLiteral("--file"), m_file} +
                          arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    static QString lastLine(const QString &out)
    {
        return out.trimmed().section(QLatin1Char('\n'), -1);
    }
    static qint64 count(const QString &sql)
    {
        const RecordTable t = AccesBase::instance().ExtraireRecords(sql);
        return t.ok() && t.rowCount() ? t.at(0, 0).toLongLong() : -1;
    }

    QString m_file;
};

} // namespace

// The dry run prints the preview and the refused lines and writes nothing; the import then
// writes, creates the missing station when asked, and keeps what is stored the second time.
TEST_P(ImportCli, DryRunThenImport)
{
    if (!ready())
        return;
    CliResult result = plx({QStringLiteral("--dry-run")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("12\t02/01/2025\t1.6\t\t\t\t\t\tV\n")))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("ligne 2 : station inconnue : 13054001\n")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("ligne 13 : ")));
    EXPECT_EQ(lastLine(result.out),
              QStringLiteral("lignes lues 12, écrites 5, conservées 0, refusées 7"));
    EXPECT_FALSE(AccesBase::instance().tableExists(QStringLiteral("PLUVIO_12")));

    result = plx({QStringLiteral("--create-stations")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(lastLine(result.out),
              QStringLiteral("lignes lues 12, écrites 10, conservées 0, refusées 2"));
    EXPECT_TRUE(result.out.contains(QStringLiteral("pluviomètre 13 (13054001) créé : écrites 5")))
        << result.out.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_12 WHERE ModeObtention = 'I' "
                                   "AND Validite = 'V'")),
              5);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES WHERE Identifiant = "
                                   "'13054001' AND Nom = 'MARIGNANE'")),
              1);

    result = plx({QStringLiteral("--existing"), QStringLiteral("replace")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(lastLine(result.out),
              QStringLiteral("lignes lues 12, écrites 0, conservées 10, refusées 2"));

    // Usage errors: exit code 2, nothing run.
    EXPECT_EQ(plx({QStringLiteral("--station"), QStringLiteral("12"),
                   QStringLiteral("--create-stations")})
                  .exitCode,
              2);
    EXPECT_EQ(plx({QStringLiteral("--existing"), QStringLiteral("toujours")}).exitCode, 2);
    result = plx({QStringLiteral("--station"), QStringLiteral("77")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("77"))) << result.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportCli, PLX_ENGINES, PLX_ENGINE_NAME);
