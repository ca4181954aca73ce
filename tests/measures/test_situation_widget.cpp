#include "base/locale.h"
#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "measures/situationdata.h"
#include "measures/widgets/situationreseau.h"
#include "measures/widgets/validation.h"
#include "outputs/widgets/gridexport.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/savedlists.h"
#include "stations/widgets/fichepluviometre.h"
#include "support/schemadatabasetest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace plx;

namespace {

class SituationWidget : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plxtest::fillSituationStations(AccesBase::instance());
    }
    void TearDown() override
    {
        if (Navigator *navigator = navigatorFor(nullptr))
            navigator->closeAllScreens();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SchemaDatabaseTest::TearDown();
    }

    // "code|instant|value|validated|observation" per row, in the grid's order.
    static QStringList shown(const SituationReseau &screen)
    {
        const QAbstractItemModel *model = screen.table()->model();
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c : {SituationReseau::ColCode, SituationReseau::ColInstant,
                          SituationReseau::ColValeur, SituationReseau::ColValidation,
                          SituationReseau::ColObservation})
                cells << model->index(r, c).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    template <typename Screen>
    static Screen *openScreen()
    {
        for (QWidget *screen : navigatorFor(nullptr)->screens()) {
            if (auto *found = qobject_cast<Screen *>(screen))
                return found;
        }
        return nullptr;
    }

    static void doubleClick(QTableView *view, int row, int column)
    {
        const QRect cell = view->visualRect(view->model()->index(row, column));
        // A double-click is a press, a release, then the double-click press and release.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }
};

} // namespace

// The visible stations in code order, French texts, the message on the station without
// data; a click on a heading sorts (stations without value after the others); typed codes
// restrict the stations and an unknown one is refused with a message.
TEST_P(SituationWidget, ShowsSortsAndRestricts)
{
    if (!ready())
        return;
    SituationReseau screen;
    screen.resize(1366, 768);
    screen.show();
    screen.setSearchDate(QDate(2024, 6, 15));
    ASSERT_TRUE(screen.Actualiser()) << messages.join('\n').toStdString();
    const QString message = situationNotFoundText();
    EXPECT_EQ(shown(screen),
              (QStringList{QStringLiteral("7|15/06/2024 23:30:00|0,2|10/03/2024 08:00:00|"),
                           QStringLiteral("8||||") + message}));
    auto *status = screen.findChild<QLabel *>(QStringLiteral("lblNombre"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(),
              QStringLiteral("2 station(s) au 15/06/2024, dont 1 sans information récente"));

    QHeaderView *header = screen.table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(SituationReseau::ColCode) + 5, 5));
    EXPECT_EQ(screen.codeAt(0), QStringLiteral("8")) << "descending code";
    screen.table()->sortByColumn(SituationReseau::ColValeur, Qt::AscendingOrder);
    EXPECT_EQ(screen.codeAt(0), QStringLiteral("7")) << "no value sorts after the values";

    auto *stations = screen.findChild<QLineEdit *>(QStringLiteral("TxtStations"));
    ASSERT_NE(stations, nullptr);
    QTest::keyClicks(stations, QStringLiteral("8, 99"));
    EXPECT_FALSE(screen.Actualiser());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.takeFirst(), QStringLiteral("ERREUR: Station inconnue ou non visible : 99"));
    EXPECT_EQ(screen.table()->model()->rowCount(), 2) << "the previous result stays";
    stations->setText(QStringLiteral("8"));
    QTest::keyClick(stations, Qt::Key_Return);
    EXPECT_EQ(shown(screen), QStringList{QStringLiteral("8||||") + message});
}

// Double-click: on the value columns the validation editor, elsewhere the record, both
// through the navigator; the export writes typed cells under the screen's title.
TEST_P(SituationWidget, OpensAndExports)
{
    if (!ready())
        return;
    session().isAdmin = true; // the validation editor asks for the right to consult
    SituationReseau screen(QStringList{QStringLiteral("7")});
    screen.resize(1366, 768);
    screen.show();
    screen.setSearchDate(QDate(2024, 6, 15));
    ASSERT_TRUE(screen.Actualiser());

    doubleClick(screen.table(), 0, SituationReseau::ColValeur);
    Validation *series = openScreen<Validation>();
    ASSERT_NE(series, nullptr) << messages.join('\n').toStdString();
    EXPECT_TRUE(series->windowTitle().contains(QStringLiteral("7")))
        << series->windowTitle().toStdString();
    doubleClick(screen.table(), 0, SituationReseau::ColNom);
    EXPECT_NE(openScreen<FichePluviometre>(), nullptr);

    QTemporaryDir dir;
    ASSERT_TRUE(EcrireParametre(QStringLiteral("CheminExport"), dir.path()));
    QStringList opened;
    const auto previous = setExportedFileOpener([&](const QString &path) { opened << path; });
    auto *exportButton = screen.findChild<QPushButton *>(QStringLiteral("CmdExporter"));
    ASSERT_NE(exportButton, nullptr);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    setExportedFileOpener(previous);
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("Situation_du_réseau.xlsx"))})
        << messages.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, SituationWidget, PLX_ENGINES, PLX_ENGINE_NAME);

// With PLX_SCREENSHOTS=<folder>, draws the screen on the demo network at 1366x768.
TEST(SituationScreenshot, DemoNetwork)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the screen";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const ScopedConnectionKind kind(AccesBase::instance());
    SituationReseau screen;
    screen.resize(1366, 768);
    screen.show();
    // A few weeks after the demo's last daily values: recent and older stations side by side.
    screen.setSearchDate(QDate(2026, 3, 31));
    ASSERT_TRUE(screen.Actualiser());
    QCoreApplication::processEvents();
    QDir().mkpath(out);
    EXPECT_TRUE(screen.grab().save(QDir(out).filePath(QStringLiteral("situation.png"))));
    AccesBase::instance().Deconnecter();
}

// The stations can come from a saved list (shown in the field as soon as it is chosen);
// "the list's selection" with no station list open asks for one instead of searching every
// station; typing codes goes back to the typed codes.
TEST_P(SituationWidget, SavedListGivesItsStations)
{
    if (!ready())
        return;
    session().login = QStringLiteral("ADMIN");
    session().isAdmin = true;
    const SavedListResult list =
        createSavedListFromCodes(QStringLiteral("Secteur d'O'Brien"), {8}, false);
    ASSERT_TRUE(list.ok) << list.error.toStdString();

    SituationReseau screen;
    screen.show();
    screen.setSearchDate(QDate(2024, 6, 15));
    auto *combo = screen.findChild<QComboBox *>(QStringLiteral("CboListe"));
    auto *stations = screen.findChild<QLineEdit *>(QStringLiteral("TxtStations"));
    ASSERT_TRUE(combo && stations);
    const int index = combo->findData(list.code);
    ASSERT_GE(index, 2);
    EXPECT_EQ(combo->itemText(index), QStringLiteral("Secteur d'O'Brien [%1]").arg(list.code));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    EXPECT_EQ(stations->text(), QStringLiteral("8"));
    ASSERT_TRUE(screen.Actualiser()) << messages.join('\n').toStdString();
    EXPECT_EQ(shown(screen), QStringList{QStringLiteral("8||||") + situationNotFoundText()});

    combo->setCurrentIndex(1);
    EXPECT_FALSE(screen.Actualiser());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("AIDE: Sélectionnez d'abord")));
    EXPECT_EQ(screen.table()->model()->rowCount(), 1) << "the previous result stays";

    stations->clear();
    QTest::keyClicks(stations, QStringLiteral("7"));
    EXPECT_EQ(combo->currentIndex(), 0);
    ASSERT_TRUE(screen.Actualiser());
    EXPECT_EQ(screen.codeAt(0), QStringLiteral("7"));
}
