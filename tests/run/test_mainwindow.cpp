#include "base/messages.h"
#include "base/userguide.h"
#include "base/widgets/helpopener.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "run/widgets/mainwindow.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

using plx::MainWindow;

// A screen offering every toolbar method, recording the calls.
class ToolScreen : public QWidget
{
    Q_OBJECT

public:
    explicit ToolScreen(const QString &title = QStringLiteral("Outils"))
    {
        setWindowTitle(title);
    }
    QStringList calls;

public slots:
    void declencheInserer() { calls << QStringLiteral("declencheInserer"); }
    void DeclencheSupprimer() { calls << QStringLiteral("DeclencheSupprimer"); }
    void DeclenchePoubelle() { calls << QStringLiteral("DeclenchePoubelle"); }
    void declencheEnregistrer() { calls << QStringLiteral("declencheEnregistrer"); }
    void DeclencheApercu() { calls << QStringLiteral("DeclencheApercu"); }
    void DeclencheExcel() { calls << QStringLiteral("DeclencheExcel"); }
    void DeclencheOutils() { calls << QStringLiteral("DeclencheOutils"); }
    void DeclencheFicheComplement() { calls << QStringLiteral("DeclencheFicheComplement"); }
    void DeclencheAide() { calls << QStringLiteral("DeclencheAide"); }
};

// A screen with none of the methods, which may refuse to close (unsaved changes kept).
// Each title is its own kind, so that several can be open at once.
class PlainScreen : public QWidget
{
    Q_OBJECT

public:
    explicit PlainScreen(const QString &title)
    {
        setWindowTitle(title);
        setProperty("plxScreenKey", title);
    }
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuse)
            event->ignore();
        else
            event->accept();
    }
};

// The main window on a fresh SQLite database brought to the current schema, with ADMIN
// logged in, a private machine store, and message boxes recorded (questions answered from
// a queue, "no" when it is empty).
class MainWindowTest : public ::testing::Test, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        m_savedProfile = plx::runProfile();
        m_db = std::make_unique<plxtest::ScratchDatabase>(QStringLiteral("sqlite"));
        ASSERT_TRUE(connect());
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        plx::clearSession();
        plx::setCurrentLogin(QStringLiteral("ADMIN"));
        plx::session().login = QStringLiteral("ADMIN");
        plx::session().isAdmin = true;
        plx::session().metaData = true;

        window = std::make_unique<MainWindow>();
        window->setVersionCheckAtStart(false);
        window->show();
        messages.clear();
    }
    void TearDown() override
    {
        window.reset();
        plx::clearSession();
        plx::AccesBase::instance().Deconnecter();
        m_db.reset();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    bool connect()
    {
        if (!m_db->connect())
            return false;
        plx::runProfile() = m_db->profile();
        plx::runProfile().kind = QStringLiteral("ACCESS");
        return true;
    }
    int logoutRows()
    {
        const plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(QStringLiteral(
            "SELECT login, module, version FROM statistiques_utilisateurs WHERE evenement='LOGOUT'"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        if (t.rowCount() > 0) {
            EXPECT_EQ(t.text(0, 0), QStringLiteral("ADMIN"));
            EXPECT_EQ(t.text(0, 1), QStringLiteral("PLXReader"));
            EXPECT_EQ(t.text(0, 2), QStringLiteral(PLX_VERSION));
        }
        return t.rowCount();
    }
    QAction *toolbarAction(int index) const
    {
        auto *action = window->findChild<QAction *>(QStringLiteral("toolbarAction") + QString::number(index));
        EXPECT_NE(action, nullptr) << index;
        return action;
    }
    // The window menu as the user sees it when opening it.
    QStringList windowMenu() const
    {
        auto *menu = window->findChild<QMenu *>(QStringLiteral("MenuFenetre"));
        EXPECT_NE(menu, nullptr);
        emit menu->aboutToShow();
        QStringList texts;
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (!action->isSeparator())
                texts << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString());
        }
        return texts;
    }
    QAction *windowMenuEntry(const QString &text) const
    {
        auto *menu = window->findChild<QMenu *>(QStringLiteral("MenuFenetre"));
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() == text)
                return action;
        }
        ADD_FAILURE() << "no window menu entry " << text.toStdString();
        return nullptr;
    }

    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<plxtest::ScratchDatabase> m_db;
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
};

const QStringList kMethods{
    QStringLiteral("declencheInserer"),     QStringLiteral("DeclencheSupprimer"),
    QStringLiteral("DeclenchePoubelle"),    QStringLiteral("declencheEnregistrer"),
    QStringLiteral("DeclencheApercu"),      QStringLiteral("DeclencheExcel"),
    QStringLiteral("DeclencheOutils"),      QStringLiteral("DeclencheFicheComplement"),
    QStringLiteral("DeclencheAide")};

} // namespace

TEST_F(MainWindowTest, ToolbarReachesTheActiveScreen)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("Application"));
    EXPECT_TRUE(window->findChild<QToolButton *>(QStringLiteral("lblBase"))->text().contains(
        QStringLiteral("Base : ")));
    EXPECT_TRUE(window->findChild<QLabel *>(QStringLiteral("lblUtilisateur"))->text().contains(
        QStringLiteral("ADMIN")));

    auto *tools = new ToolScreen;
    EXPECT_EQ(window->openScreen(tools), tools);
    for (int i = 1; i <= 9; ++i) {
        ASSERT_TRUE(toolbarAction(i)->isEnabled()) << i;
        toolbarAction(i)->trigger();
    }
    EXPECT_EQ(tools->calls, kMethods);

    // A screen without the methods: the buttons show disabled and do nothing, but help,
    // which every screen has: the guide's index for a screen without a page of its own.
    auto *plain = new PlainScreen(QStringLiteral("Sans méthodes"));
    window->openScreen(plain);
    EXPECT_EQ(window->activeScreen(), plain);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_FALSE(toolbarAction(i)->isEnabled()) << i;
        window->dispatchToolbar(i);
    }
    QList<QUrl> helpPages;
    const plx::HelpOpener previous = plx::setHelpOpener([&](const QUrl &page) {
        helpPages << page;
        return true;
    });
    EXPECT_TRUE(toolbarAction(9)->isEnabled());
    window->dispatchToolbar(9);
    plx::setHelpOpener(previous);
    ASSERT_EQ(helpPages.size(), 1);
    EXPECT_EQ(helpPages.first().fileName(), QStringLiteral("index.html"));
    EXPECT_EQ(tools->calls.size(), 9);

    // One screen per kind: opening the tools again brings the open one forward.
    auto *second = new ToolScreen;
    EXPECT_EQ(window->openScreen(second), tools);
    EXPECT_EQ(window->activeScreen(), tools);
    EXPECT_EQ(window->screens().size(), 2);
    toolbarAction(4)->trigger();
    EXPECT_EQ(tools->calls.last(), QStringLiteral("declencheEnregistrer"));

    // 0: the print and export dialog, modal, over the active screen; this screen has no
    // station templates, so it offers the screen's print.
    QString shown;
    bool templatesOffered = true;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = dialog->objectName();
        if (auto *word = dialog->findChild<QWidget *>(QStringLiteral("OptImpression1")))
            templatesOffered = word->isEnabled();
        dialog->reject();
    });
    window->dispatchToolbar(0);
    EXPECT_EQ(shown, QStringLiteral("FrmImpression"));
    EXPECT_FALSE(templatesOffered);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // 10 closes the active screen; 12 opens the code lists in front.
    window->dispatchToolbar(10);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->screens(), QList<QWidget *>{plain});
    window->dispatchToolbar(12);
    ASSERT_NE(window->activeScreen(), nullptr);
    EXPECT_EQ(window->activeScreen()->objectName(), QStringLiteral("ReferenceTable"));
    EXPECT_EQ(window->activeScreen()->windowTitle(), QStringLiteral("Codes nationaux (Sandre)"));
    EXPECT_EQ(window->screens().size(), 2);
    window->dispatchToolbar(11);
    ASSERT_NE(window->activeScreen(), nullptr);
    EXPECT_EQ(window->activeScreen()->objectName(), QStringLiteral("Administration"));
    EXPECT_EQ(window->screens().size(), 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(MainWindowTest, WindowMenuFollowsTheScreens)
{
    EXPECT_EQ(windowMenu(), (QStringList{"&Cascade", "Mosaique &horizontale", "Mosaique &verticale",
                                         "&Réorganiser les icônes"}));
    auto *alpha = new PlainScreen(QStringLiteral("Alpha"));
    auto *beta = new PlainScreen(QStringLiteral("Beta"));
    auto *gamma = new PlainScreen(QStringLiteral("Gamma"));
    window->openScreen(alpha);
    window->openScreen(beta);
    window->openScreen(gamma);
    EXPECT_EQ(windowMenu(), (QStringList{"&Cascade", "Mosaique &horizontale", "Mosaique &verticale",
                                         "&Réorganiser les icônes", "&1 Alpha", "&2 Beta",
                                         "&3 Gamma *"}));

    windowMenuEntry(QStringLiteral("&1 Alpha"))->trigger();
    EXPECT_EQ(window->activeScreen(), alpha);

    windowMenuEntry(QStringLiteral("&2 Beta"))->trigger();
    window->closeActiveScreen();
    QCoreApplication::processEvents();
    alpha->setWindowTitle(QStringLiteral("Alpha renommé"));
    const QStringList after = windowMenu();
    ASSERT_EQ(after.size(), 6) << after.join('|').toStdString();
    EXPECT_EQ(after[4].section(' ', 0, 0), QStringLiteral("&1"));
    EXPECT_TRUE(after[4].contains(QStringLiteral("Alpha renommé")));
    EXPECT_TRUE(after[5].startsWith(QStringLiteral("&2 Gamma")));

    // Horizontal tiling: one above the other, each the full width of the area.
    windowMenuEntry(QStringLiteral("Mosaique &horizontale"))->trigger();
    const int width = window->mdiArea()->viewport()->width();
    const QList<QMdiSubWindow *> subs = window->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    QList<QRect> frames;
    for (QMdiSubWindow *sub : subs) {
        if (!sub->isHidden())
            frames << sub->geometry();
    }
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[0].width(), width);
    EXPECT_EQ(frames[1].width(), width);
    EXPECT_LE(frames[0].bottom(), frames[1].top());
}

TEST_F(MainWindowTest, QuitAsksAndWritesTheLogout)
{
    answers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(messages, QStringList{"QUESTION: Etes vous sûr de vouloir quitter PLXReader ?"});
    EXPECT_EQ(logoutRows(), 0);

    answers = {true};
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    // Quitting closes the program's connection.
    EXPECT_FALSE(plx::AccesBase::instance().isConnected());
    ASSERT_TRUE(connect());
    EXPECT_EQ(logoutRows(), 1);
    const plx::RecordTable journal = plx::AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT utilisateur FROM JOURNAL WHERE description='Logout'"));
    ASSERT_TRUE(journal.ok()) << journal.error().toStdString();
    ASSERT_EQ(journal.rowCount(), 1);
    EXPECT_EQ(journal.text(0, 0), QStringLiteral("ADMIN"));
}

// A screen that keeps its unsaved changes stops quitting, changing user and switching
// profile; once it lets go, changing user goes through without the quit question.
TEST_F(MainWindowTest, RefusingScreenStopsTheClosing)
{
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("ConnexionAutomatic"), QStringLiteral("OUI")));
    auto *first = new PlainScreen(QStringLiteral("Premier"));
    auto *keeper = new PlainScreen(QStringLiteral("Modifié"));
    auto *last = new PlainScreen(QStringLiteral("Dernier"));
    window->openScreen(first);
    window->openScreen(keeper);
    window->openScreen(last);
    keeper->refuse = true;

    EXPECT_FALSE(window->closeAllScreens());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->screens(), (QList<QWidget *>{keeper, last}));
    EXPECT_EQ(window->activeScreen(), keeper);

    QSignalSpy changeUser(window.get(), &MainWindow::changeUserRequested);
    QSignalSpy profile(window.get(), &MainWindow::profileChanged);
    window->changeUser();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(changeUser.count(), 0);
    EXPECT_EQ(plx::LireParametre(QStringLiteral("ConnexionAutomatic")), QStringLiteral("OUI"));
    EXPECT_FALSE(window->closeForProfileChange());
    EXPECT_EQ(profile.count(), 0);
    answers = {true};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(logoutRows(), 0);

    keeper->refuse = false;
    messages.clear();
    window->changeUser();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(changeUser.count(), 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(plx::LireParametre(QStringLiteral("ConnexionAutomatic")), QStringLiteral("NON"));
    EXPECT_TRUE(window->screens().isEmpty());
    // The user left but the program goes on: the connection stays for the login screen.
    ASSERT_TRUE(plx::AccesBase::instance().isConnected());
    EXPECT_EQ(logoutRows(), 1);
}

TEST_F(MainWindowTest, HelpAndPrintingReportWhatIsMissing)
{
    struct Row { const char *option; const char *location; };
    const Row rows[] = {
        {"", ""},
        {"  ", ""},
        {"/opt/plx/aide", "/opt/plx/aide/docs_PLX_help_.htm"},
        {"/opt/plx/aide/", "/opt/plx/aide/docs_PLX_help_.htm"},
        {"C:\\PLX\\Aide\\", "C:\\PLX\\Aide\\docs_PLX_help_.htm"},
        {"http://aide.example/plx", "http://aide.example/plx/docs_PLX_help.htm"},
        {"HTTPS://aide.example/plx/", "HTTPS://aide.example/plx/docs_PLX_help.htm"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(MainWindow::helpLocation(QString::fromUtf8(row.option)), QString::fromUtf8(row.location))
            << row.option;

    // The shipped guide missing too.
    QTemporaryDir noGuide;
    plx::setGuideFolder(noGuide.path());
    window->showHelp();
    plx::setGuideFolder(QString());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.takeFirst(),
              QStringLiteral("ERREUR: L'aide n'est pas installée ou le paramètrage n'est pas "
                             "correct. Merci de vérifier le chemin dans l'écran d'administration."));

    QTemporaryDir helpDir;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("FichierAide"), helpDir.path()));
    window->showHelp();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.takeFirst(), QStringLiteral("ERREUR: Impossible d'ouvrir le fichier d'aide: ")
                                        + helpDir.path() + QStringLiteral("/docs_PLX_help_.htm"));

    // Nothing to print without a screen; with one, this machine has no printer.
    window->printActiveScreen();
    EXPECT_TRUE(messages.isEmpty());
    window->openScreen(new PlainScreen(QStringLiteral("À imprimer")));
    window->printActiveScreen();
    EXPECT_EQ(messages, QStringList{"ERREUR: Aucune imprimante n'est configurée."});
}

#include "test_mainwindow.moc"
