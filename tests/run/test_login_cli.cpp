#include "test_login_support.h"

#include "schema/schemaupgrade.h"
#include "schema/usertables.h"

#include "support/clirunner.h"

namespace {

using plxtest::LoginWorld;

using plxtest::runPlx;

// plx --user NAME --password PW: the same authentication as the client's login screen.
TEST(LoginCli, UserAndPasswordOptionsAuthenticate)
{
    LoginWorld world(QStringLiteral("sqlite"));
    ASSERT_TRUE(world.connect());
    ASSERT_TRUE(plx::ensureDefaultUserTables(plx::AccesBase::instance()).ok);
    ASSERT_TRUE(plx::upgradeSchema(QStringLiteral(PLX_VERSION)).ok);
    plx::AccesBase::instance().Deconnecter();
    const QString file = world.database().profile().database;
    const QString sql = QStringLiteral("SELECT utilisateur FROM JOURNAL WHERE description = 'Login (plx)'");

    plxtest::CliResult run = runPlx({QStringLiteral("sql"), QStringLiteral("--user"), QStringLiteral("admin"),
                   QStringLiteral("--db"), file, QStringLiteral("--password"), QStringLiteral("pluie"), sql});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "ADMIN\n") << "journalled under the stored spelling";

    run = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), file, QStringLiteral("--user"),
               QStringLiteral("ADMIN"), QStringLiteral("--password"), QStringLiteral("faux"), sql});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Mot de passe erronné"))) << run.err.toStdString();
    EXPECT_EQ(run.out, "");

    run = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), file, QStringLiteral("--user"),
               QStringLiteral("x' OR '1'='1"), sql});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Utilisateur inconnu"))) << run.err.toStdString();

    run = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), file, sql, QStringLiteral("--user")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("L'option --user attend une valeur."))) << run.err.toStdString();
}

// On a database kept at standard_conforming_strings = off, "\'" ended the quoted login:
// x\') OR 1=1 -- read the administrator's row and a\ broke the statement. Through plx, on
// both engines that reach PostgreSQL (the login screen cannot name a raw ODBC string), they
// are unknown users, and a login holding \' is itself.
TEST(LoginCli, BackslashesInALoginStayInsideItsQuotesOnALegacyDatabase)
{
    const QString trap = QStringLiteral("l'eau\\'s");
    bool ran = false;
    for (const QString &engine : plxtest::testEngines()) {
        if (engine == QLatin1String("sqlite"))
            continue;
        ran = true;
        SCOPED_TRACE(engine.toStdString());
        plxtest::ScratchDatabase scratch(engine);
        ASSERT_TRUE(scratch.setServerDefault(QStringLiteral("standard_conforming_strings = off")));
        ASSERT_TRUE(scratch.connect());
        ASSERT_TRUE(plx::ensureDefaultUserTables(plx::AccesBase::instance()).ok);
        LoginWorld::addUser(trap, QStringLiteral("p\\'w"));
        plx::AccesBase::instance().Deconnecter();

        const plx::ConnectionProfile &p = scratch.profile();
        const QStringList database =
            engine == QLatin1String("odbc")
                ? QStringList{QStringLiteral("--odbc"), p.database}
                : QStringList{QStringLiteral("--pg"),
                              QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                  .arg(p.server, p.port, p.database, p.user)};
        const auto login = [&](const QString &user, const QString &password) {
            return runPlx(QStringList{QStringLiteral("sql")} + database
                          + QStringList{QStringLiteral("--user"), user, QStringLiteral("--password"),
                                        password, QStringLiteral("SELECT 1")});
        };
        for (const QString &attack : {QStringLiteral("x\\') OR 1=1 --"), QStringLiteral("a\\")}) {
            const plxtest::CliResult run = login(attack, QStringLiteral("PLUIE"));
            EXPECT_EQ(run.exitCode, 1) << attack.toStdString();
            EXPECT_TRUE(run.err.contains(QStringLiteral("Utilisateur inconnu")))
                << attack.toStdString() << ": " << run.err.toStdString();
            EXPECT_EQ(run.out, "");
        }
        const plxtest::CliResult run = login(trap, QStringLiteral("P\\'W"));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "1\n");
    }
    if (!ran)
        GTEST_SKIP() << "no PostgreSQL test server";
}

} // namespace
