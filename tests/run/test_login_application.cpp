#include "test_login_support.h"

#include "run/widgets/application.h"
#include "session/session.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

using plxtest::LoginWorld;

// The program's flow as main() drives it, on real windows.
TEST(LoginApplication, CommandLineDatabaseThenChangeOfUserThenQuit)
{
    LoginWorld world(QStringLiteral("sqlite"));
    LoginWorld::setMachine("LastUser", QStringLiteral("MARIE"));
    plx::Application application;
    QSignalSpy finished(&application, &plx::Application::finished);
    application.start(QStringLiteral("\"%1\"").arg(world.database().profile().database));

    // Logged in as ADMIN without a question; the login screen is gone.
    QTRY_VERIFY(application.mainWindow() && application.mainWindow()->isVisible());
    QTRY_VERIFY(!application.loginScreen());
    EXPECT_EQ(plx::session().login, "ADMIN");
    EXPECT_TRUE(plx::session().fromCommandLine);

    // Change of user: the login screen again, on the same database, asking this time.
    QMetaObject::invokeMethod(application.mainWindow(), "changeUser");
    QTRY_VERIFY(application.loginScreen() && application.loginScreen()->isVisible());
    QTRY_VERIFY(!application.mainWindow());
    EXPECT_FALSE(plx::session().loggedIn());
    EXPECT_EQ(finished.count(), 0);
    QTest::qWait(50);
    EXPECT_FALSE(application.mainWindow()) << "no automatic login after a change of user";
    plx::Login *login = application.loginScreen();
    auto *name = login->findChild<QLineEdit *>(QStringLiteral("Txt_Nom"));
    auto *password = login->findChild<QLineEdit *>(QStringLiteral("Txt_MotPass"));
    ASSERT_TRUE(name && password);
    name->setText(QStringLiteral("admin"));
    QTest::keyClicks(password, QStringLiteral("pluie"));
    QTest::keyClick(password, Qt::Key_Return);
    QTRY_VERIFY(application.mainWindow() && application.mainWindow()->isVisible());
    EXPECT_EQ(plx::session().login, "ADMIN");
    EXPECT_EQ(LoginWorld::machine("LastUser"), "MARIE") << "a one-off database keeps the workstation's user";

    // Quitting: "no" keeps the window, "yes" ends the program.
    bool answer = false;
    plx::setMessageHandler([&](plx::MessageKind kind, const QString &text) {
        world.messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
        return answer;
    });
    application.mainWindow()->close();
    QTest::qWait(20);
    EXPECT_TRUE(application.mainWindow()->isVisible());
    EXPECT_EQ(finished.count(), 0);
    answer = true;
    application.mainWindow()->close();
    QTRY_COMPARE(finished.count(), 1);
    EXPECT_EQ(world.messages.count(), 2) << world.messages.join('\n').toStdString();
}

TEST(LoginApplication, FirstStartLogsInAsAdministratorAndTellsThePassword)
{
    LoginWorld world(QStringLiteral("sqlite"));
    plx::Application application;
    application.start(QString(), true);
    QTRY_VERIFY(application.mainWindow() && application.mainWindow()->isVisible());
    EXPECT_EQ(plx::session().login, "ADMIN");
    EXPECT_FALSE(plx::session().fromCommandLine);
    ASSERT_EQ(world.messages.size(), 1);
    EXPECT_TRUE(world.messages.first().startsWith(QStringLiteral("AIDE: Bienvenue")));
    EXPECT_TRUE(world.messages.first().contains(QStringLiteral("PLUIE")));
    // The next start proposes the administrator.
    EXPECT_EQ(LoginWorld::machine("LastUser"), "ADMIN");
}

} // namespace
