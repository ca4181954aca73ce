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

} // namespace
