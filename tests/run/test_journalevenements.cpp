#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"
#include "outputs/widgets/gridexport.h"
#include "run/demonetwork.h"
#include "run/loginsequence.h"
#include "run/widgets/journalevenements.h"
#include "run/widgets/mainwindow.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using plx::AccesBase;
using plx::JournalEvenements;
using plx::MainWindow;

AccesBase &db() { return AccesBase::instance(); }

// count rows, one a minute from 01/03/2025 08:00, MARIE then PAUL, every third an error
// naming rain gauge 7.
void addRows(int count)
{
    QString error;
    auto insert = db().prepare(QStringLiteral("INSERT INTO JOURNAL (dateEvt, niveau, utilisateur, "
                                              "ip, projet, description) VALUES (?, ?, ?, ?, ?, ?)"),
                               &error);
    ASSERT_TRUE(insert) << error.toStdString();
    const QDateTime start(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        const bool fault = i % 3 == 0;
        ASSERT_TRUE(insert->exec(
            {start.addSecs(60 * i), fault ? 1 : 2,
             i % 2 ? QStringLiteral("PAUL") : QStringLiteral("MARIE"), QStringLiteral("10.0.0.5"),
             QStringLiteral("PLXReader"),
             fault ? QStringLiteral("Dévalidation du pluviomètre 7 : %1 mesures").arg(i)
                   : QStringLiteral("Login")},
            &error))
            << error.toStdString();
    }
}

class JournalScreenTest : public ::testing::Test, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        m_savedProfile = plx::runProfile();
        m_db = std::make_unique<plxtest::ScratchDatabase>(QStringLiteral("sqlite"));
        ASSERT_TRUE(m_db->connect());
        plx::runProfile() = m_db->profile();
        plx::runProfile().kind = QStringLiteral("ACCESS");
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM JOURNAL")));
        plx::clearSession();
        plx::setCurrentLogin(QStringLiteral("ADMIN"));
        plx::session().login = QStringLiteral("ADMIN");
        plx::session().isAdmin = true;
        window = std::make_unique<MainWindow>();
        window->setVersionCheckAtStart(false);
        window->show();
        messages.clear();
    }
    void TearDown() override
    {
        window.reset();
        plx::clearSession();
        db().Deconnecter();
        m_db.reset();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }
    QAction *journalAction() const
    {
        return window->findChild<QAction *>(QStringLiteral("MnuJournal"));
    }

    QTemporaryDir m_dir;
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
    std::unique_ptr<plxtest::ScratchDatabase> m_db;
    std::unique_ptr<MainWindow> window;
};

TEST_F(JournalScreenTest, AdministratorPagesFiltersAndExports)
{
    addRows(12);
    ASSERT_NE(journalAction(), nullptr);
    auto *screen = qobject_cast<JournalEvenements *>(window->openJournal());
    ASSERT_NE(screen, nullptr) << messages.join('\n').toStdString();
    screen->setPageSize(5);
    auto *next = screen->findChild<QPushButton *>(QStringLiteral("CmdPageSuivante"));
    auto *previous = screen->findChild<QPushButton *>(QStringLiteral("CmdPagePrecedente"));
    auto *count = screen->findChild<QLabel *>(QStringLiteral("lblNombre"));
    const QAbstractItemModel *model = screen->table()->model();
    ASSERT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("01/03/2025 08:11:00"));
    EXPECT_FALSE(previous->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_EQ(count->text(), QStringLiteral("Page 3 : événements 11 à 12"));
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(count->text(), QStringLiteral("Page 2 : événements 6 à 10 (d'autres suivent)"));
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("01/03/2025 08:06:00"));

    // Filters typed and Enter: the errors naming rain gauge 7 of MARIE (i = 0, 6).
    QTest::keyClicks(screen->findChild<QLineEdit *>(QStringLiteral("TxtUtilisateur")),
                     QStringLiteral("marie"));
    auto *level = screen->findChild<QComboBox *>(QStringLiteral("CboNiveau"));
    level->setCurrentIndex(level->findText(QStringLiteral("Erreur")));
    auto *station = screen->findChild<QLineEdit *>(QStringLiteral("TxtPluviometre"));
    QTest::keyClicks(station, QStringLiteral("7"));
    QTest::keyClick(station, Qt::Key_Return);
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(1, 6).data().toString(),
              QStringLiteral("Dévalidation du pluviomètre 7 : 0 mesures"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("Erreur"));
    EXPECT_EQ(screen->pageNumber(), 1);

    // Bad input: a French message, the rows shown stay.
    QTest::keyClicks(station, QStringLiteral("x"));
    EXPECT_FALSE(screen->Actualiser());
    auto *from = screen->findChild<QLineEdit *>(QStringLiteral("TxtDateDebut"));
    station->clear();
    QTest::keyClicks(from, QStringLiteral("31/02/2025"));
    EXPECT_FALSE(screen->Actualiser());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("doit être un nombre")));
    EXPECT_TRUE(messages[1].contains(QStringLiteral("Date incorrecte")));
    EXPECT_EQ(model->rowCount(), 2);
    messages.clear();

    // The toolbar's export writes the rows shown.
    QTemporaryDir out;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"), out.path()));
    QStringList opened;
    const auto previousOpener =
        plx::setExportedFileOpener([&](const QString &path) { opened << path; });
    EXPECT_TRUE(window->invokeOnActiveScreen("DeclencheExcel"));
    plx::setExportedFileOpener(previousOpener);
    ASSERT_EQ(opened.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(opened.first().endsWith(QStringLiteral("Journal_des_evenements.xlsx")))
        << opened.first().toStdString();
    EXPECT_EQ(screen->journalGrid().rows.size(), 2u);
}

TEST_F(JournalScreenTest, RefusedToOtherUsers)
{
    addRows(3);
    plx::session().login = QStringLiteral("MARIE");
    plx::session().isAdmin = false;
    plx::session().rights = {QStringLiteral("PLUVIO_DATA_MODIF")};
    EXPECT_EQ(window->openJournal(), nullptr);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(),
              QStringLiteral("ERREUR: Le journal des événements est réservé aux administrateurs."));
    EXPECT_TRUE(window->findChildren<JournalEvenements *>().isEmpty());
    // The Options menu hides the entry when it opens.
    auto *menu = qobject_cast<QMenu *>(journalAction()->parent());
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    EXPECT_FALSE(journalAction()->isVisible());
    plx::session().isAdmin = true;
    emit menu->aboutToShow();
    EXPECT_TRUE(journalAction()->isVisible());
}

// With PLX_SCREENSHOTS=<folder>, draws the screen on the demo network at 1366x768.
TEST(JournalScreenshot, DemoNetwork)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the screen";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(plx::createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const plx::ScopedConnectionKind kind(db());
    addRows(40);
    JournalEvenements screen;
    screen.resize(1366, 768);
    screen.show();
    QCoreApplication::processEvents();
    QDir().mkpath(out);
    EXPECT_TRUE(screen.grab().save(QDir(out).filePath(QStringLiteral("journal.png"))));
    db().Deconnecter();
}

} // namespace
