#include "base/userguide.h"
#include "base/widgets/helpopener.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "run/demonetwork.h"
#include "run/loginsequence.h"
#include "run/widgets/mainwindow.h"
#include "session/session.h"
#include "support/messagerecorder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

using plx::MainWindow;
using plx::Navigator;

// The guide the build assembled (pages and pictures), as the client finds it.
QString builtGuide()
{
    return plx::guideFolder();
}

// Every page's links and pictures lead to files of the guide; every page but the index is
// reachable from somewhere.
TEST(UserGuide, LinksAndPicturesResolve)
{
    const QString folder = builtGuide();
    ASSERT_FALSE(folder.isEmpty()) << "the build's guide folder holds no index.html";
    const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"#]*)(#[^\"]*)?\""));
    QStringList pages;
    QDirIterator it(folder, {QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files);
    while (it.hasNext())
        pages << QFileInfo(it.next()).fileName();
    ASSERT_GE(pages.size(), 20);
    QSet<QString> reached;
    for (const QString &page : pages) {
        QFile file(QDir(folder).filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.contains(QLatin1String("<html lang=\"fr\">"))) << page.toStdString();
        EXPECT_FALSE(text.contains(QLatin1String("<script"), Qt::CaseInsensitive)) << page.toStdString();
        for (auto match = reference.globalMatch(text); match.hasNext();) {
            const QString target = match.next().captured(1);
            if (target.isEmpty() || target.contains(QLatin1String("://")))
                continue;
            EXPECT_TRUE(QFileInfo(QDir(folder).filePath(target)).isFile())
                << page.toStdString() << " -> " << target.toStdString();
            reached.insert(target);
        }
        if (text.contains(QLatin1String("http-equiv=\"refresh\"")))
            continue;
        // A picture's file is a real image drawn at the screen size, not a leftover.
        for (auto match = QRegularExpression(QStringLiteral("src=\"([^\"]+\\.png)\"")).globalMatch(text);
             match.hasNext();) {
            const QImage image(QDir(folder).filePath(match.next().captured(1)));
            EXPECT_FALSE(image.isNull()) << page.toStdString();
        }
    }
    for (const QString &page : pages) {
        // The index, and the historical help file name that leads to it, are entry points.
        if (page != QLatin1String("index.html") && page != QLatin1String("docs_PLX_help_.htm")) {
            EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " is linked from no page";
        }
    }
}

// The index as a simple HTML viewer shows it: its title, and its picture loaded. With
// PLX_SCREENSHOT_DIR set, the rendering is saved there (1366×768).
TEST(UserGuide, IndexRenders)
{
    const QString folder = builtGuide();
    ASSERT_FALSE(folder.isEmpty());
    QTextBrowser browser;
    browser.resize(1366, 768);
    browser.setSource(QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("index.html"))));
    browser.show();
    QTest::qWait(100);
    EXPECT_EQ(browser.documentTitle(), QStringLiteral("Guide de PLXReader"));
    const QVariant picture = browser.document()->resource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("shots/accueil.png")));
    EXPECT_TRUE(picture.isValid());
    if (qEnvironmentVariableIsSet("PLX_SCREENSHOT_DIR"))
        browser.grab().save(qEnvironmentVariable("PLX_SCREENSHOT_DIR") + QStringLiteral("/guide-index.png"));
}

// Where the help opens for each form of the help option.
TEST(UserGuide, HelpOptionForms)
{
    QTemporaryDir copy;
    ASSERT_TRUE(QFile(QDir(copy.path()).filePath(QStringLiteral("validation.html"))).open(QIODevice::WriteOnly));
    const QString built = builtGuide();
    struct Row { QString option, page, location; };
    const Row rows[] = {
        {QString(), QStringLiteral("validation.html"), built + QStringLiteral("/validation.html")},
        {QStringLiteral("  "), QStringLiteral("index.html"), built + QStringLiteral("/index.html")},
        {copy.path(), QStringLiteral("validation.html"), copy.path() + QStringLiteral("/validation.html")},
        // A folder without the page: the historical page of the folder.
        {copy.path() + QLatin1Char('/'), QStringLiteral("journal.html"),
         copy.path() + QStringLiteral("/docs_PLX_help_.htm")},
        {QStringLiteral("http://aide.example/plx"), QStringLiteral("journal.html"),
         QStringLiteral("http://aide.example/plx/journal.html")},
        {QStringLiteral("HTTPS://aide.example/plx/"), QStringLiteral("index.html"),
         QStringLiteral("HTTPS://aide.example/plx/docs_PLX_help.htm")},
    };
    for (const Row &row : rows)
        EXPECT_EQ(plx::helpPageLocation(row.option, row.page), row.location) << row.option.toStdString();

    // The guide not installed: nothing to open without an option.
    QTemporaryDir empty;
    plx::setGuideFolder(empty.path());
    EXPECT_TRUE(plx::helpPageLocation(QString(), QStringLiteral("index.html")).isEmpty());
    plx::setGuideFolder(QString());
    EXPECT_EQ(plx::guidePageForScreen(QStringLiteral("plx::Validation")), QStringLiteral("validation.html"));
    EXPECT_EQ(plx::guidePageForScreen(QStringLiteral("UnEcranInconnu")), QStringLiteral("index.html"));
}

// The main window on the demo network with ADMIN logged in; help pages are recorded
// instead of opening a browser, and modal dialogs close as soon as they show.
class GuideWindow : public ::testing::Test, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        QString error;
        ASSERT_TRUE(plx::createDemoNetwork(m_dir.filePath(QStringLiteral("demo.sqlite")), &error))
            << error.toStdString();
        plx::clearSession();
        plx::setCurrentLogin(QStringLiteral("ADMIN"));
        plx::session().login = QStringLiteral("ADMIN");
        plx::session().isAdmin = true;
        plx::session().metaData = true;
        m_previousOpener = plx::setHelpOpener([this](const QUrl &page) {
            opened << page;
            return true;
        });
        window = std::make_unique<MainWindow>();
        window->setVersionCheckAtStart(false);
        window->resize(1366, 768);
        window->show();
        const plx::RecordTable first = plx::AccesBase::instance().ExtraireRecords(QStringLiteral(
            "SELECT CodePluviometre FROM PLUVIOMETRES ORDER BY CodePluviometre"));
        ASSERT_TRUE(first.ok() && first.rowCount() > 2);
        for (int row = 0; row < 3; ++row)
            stations << first.text(row, 0);
        QObject::connect(&m_closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        m_closer.start(20);
        messages.clear();
    }
    void TearDown() override
    {
        m_closer.stop();
        window.reset();
        plx::setHelpOpener(m_previousOpener);
        plx::clearSession();
        plx::AccesBase::instance().Deconnecter();
        qunsetenv("PLX_SETTINGS_FILE");
    }

    // Opens every screen the frame can show: each menu entry that opens one, and each
    // station and overlay chart the navigation offers.
    void openEveryScreen()
    {
        const QSet<QString> notScreens = {
            QStringLiteral("MnuQuitter"), QStringLiteral("MnuChangerUtilisateur"),
            QStringLiteral("MnuImprimer"), QStringLiteral("MnuConfigurationImpression"),
            QStringLiteral("MnuAide")};
        for (QAction *menuAction : window->menuBar()->actions()) {
            QMenu *menu = menuAction->menu();
            if (!menu)
                continue;
            for (QAction *action : menu->actions()) {
                const QString name = action->objectName();
                if (!name.startsWith(QLatin1String("Mnu")) || notScreens.contains(name)
                    || action->menu())
                    continue;
                if (action->isEnabled())
                    action->trigger();
                QCoreApplication::processEvents();
            }
        }
        for (auto kind : {Navigator::StationChart::Chronicle, Navigator::StationChart::Yearly,
                          Navigator::StationChart::Yearbook, Navigator::StationChart::Normals})
            window->openStationChart(stations.first(), kind, {});
        for (auto kind : {Navigator::OverlayChart::RainGauges,
                          Navigator::OverlayChart::RainAndGroundwater})
            window->openOverlayChart(kind, stations);
        window->openStationSeries(stations.first(), {});
        QCoreApplication::processEvents();
    }

    std::unique_ptr<MainWindow> window;
    QStringList stations;
    QList<QUrl> opened;

private:
    QTemporaryDir m_dir;
    QTimer m_closer;
    plx::HelpOpener m_previousOpener;
};

// Every screen the frame opens has its own page in the guide, and F1 or the toolbar's help
// button on it asks the browser for exactly that page.
TEST_F(GuideWindow, EveryScreenOpensItsOwnPage)
{
    openEveryScreen();
    const QList<QWidget *> screens = window->screens();
    ASSERT_GE(screens.size(), 12);
    const QString guide = builtGuide();
    ASSERT_FALSE(guide.isEmpty());
    QAction *helpButton = window->findChild<QAction *>(QStringLiteral("toolbarAction9"));
    ASSERT_TRUE(helpButton);
    for (QWidget *screen : screens) {
        const QString className = QString::fromLatin1(screen->metaObject()->className());
        SCOPED_TRACE(className.toStdString());
        const QString page = plx::guidePageForScreen(className);
        EXPECT_NE(page, QStringLiteral("index.html")) << "no page for this screen";
        EXPECT_TRUE(QFileInfo(QDir(guide).filePath(page)).isFile());

        window->openScreen(screen);
        QCoreApplication::processEvents();
        ASSERT_EQ(window->activeScreen(), screen);
        opened.clear();
        QTest::keyClick(window.get(), Qt::Key_F1);
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.first(), QUrl::fromLocalFile(QDir(guide).filePath(page)));
        opened.clear();
        EXPECT_TRUE(helpButton->isEnabled());
        helpButton->trigger();
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.first().fileName(), page);
    }
    EXPECT_TRUE(messages.filter(QStringLiteral("aide")).isEmpty()) << messages.join('\n').toStdString();

    // No screen: the index.
    window->closeAllScreens();
    QCoreApplication::processEvents();
    opened.clear();
    window->showHelp();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().fileName(), QStringLiteral("index.html"));
}

} // namespace
