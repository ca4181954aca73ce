#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "measures/validationstore.h"
#include "measures/widgets/historiquemodifications.h"
#include "measures/widgets/validation.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "outputs/csvgrid.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "support/findchild.h"
#include "support/schemadatabasetest.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;
using plxtest::child;

namespace {

const QDate kFirstDay(2024, 1, 1);

// The screens of several users on one database, driven as a user drives them. With
// PLX_SCREENSHOTS set, each step's picture is written there.
class MultiUserScreens : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("ALICE");
        session().isAdmin = true;
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, "
                                              "Identifiant) VALUES (7, 'Istres', '13047/001')")));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("7"), false));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(db.Execute(
                QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, Continuite, "
                               "ModeObtention) VALUES (%1, %2, %3, 0, 'A')")
                    .arg(FormatDateSQL(formatDate(kFirstDay.addDays(i)), false),
                         FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber(i + 1))));
        }
        QString error;
        ASSERT_TRUE(m_other.Connecter(runProfile(), &error)) << error.toStdString();
    }
    void TearDown() override
    {
        m_other.Deconnecter();
        SchemaDatabaseTest::TearDown();
    }

    static void typeInCell(Validation *screen, int row, int column, const QString &text)
    {
        ValidationGrid *grid = screen->grid();
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(index));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    void picture(QWidget *widget, const char *name)
    {
        const QString folder = qEnvironmentVariable("PLX_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        const QString path = folder + QLatin1Char('/') + GetParam() + QLatin1Char('_') +
                             QLatin1String(name) + QStringLiteral(".png");
        EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
    }

    AccesBase m_other; // the other user's connection
};

} // namespace

// Another user changes a row A has loaded: A's save writes A's other row, shows the
// refused one in its own style with the stored value beside A's, says how many and
// offers to reload it; reloading keeps A's other edits. The side panel then shows the
// history of the current cell.
TEST_P(MultiUserScreens, RefusedRowsAndCellHistory)
{
    if (!ready())
        return;
    auto screen = std::make_unique<Validation>();
    screen->resize(1366, 768);
    screen->show();
    screen->initSite(QStringLiteral("7"));
    child<QLineEdit>(screen.get(), "TxtDateDebut")->setText(formatDate(kFirstDay));
    child<QLineEdit>(screen.get(), "txtDateFin")->setText(formatDate(kFirstDay.addDays(20)));
    child<QPushButton>(screen.get(), "CmdChargement")->click();
    ASSERT_EQ(screen->model()->rowCount(), 10);

    ASSERT_TRUE(m_other.Execute(QStringLiteral("UPDATE PLUVIO_7 SET Pluie = 40 WHERE Pluie = 4")));
    typeInCell(screen.get(), 3, kPluieColumn, QStringLiteral("9"));
    typeInCell(screen.get(), 5, kPluieColumn, QStringLiteral("7,5"));
    typeInCell(screen.get(), 8, kPluieColumn, QStringLiteral("12"));
    answers = {false}; // not reloaded yet
    child<QPushButton>(screen.get(), "CmdEnregistrer")->click();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("QUESTION: 1 ligne(s) ont été modifiées "
                                                          "ou supprimées par un autre utilisateur")))
        << messages.last().toStdString();
    ValidationModel *model = screen->model();
    EXPECT_EQ(model->index(3, kPluieColumn).data().toString(), QStringLiteral("9  (base : 40)"));
    EXPECT_EQ(model->index(3, kPluieColumn).data(Qt::EditRole).toString(), QStringLiteral("9"));
    EXPECT_NE(model->index(3, kPluieColumn).data(Qt::BackgroundRole),
              model->index(4, kPluieColumn).data(Qt::BackgroundRole));
    EXPECT_TRUE(model->row(3).dirty);
    EXPECT_FALSE(model->row(5).dirty);
    EXPECT_EQ(child<QLabel>(screen.get(), "lblModifications")->text(),
              QStringLiteral("1 ligne modifiée"));
    picture(screen.get(), "refused_rows");

    // Reloaded: the other user's value, A's saved rows untouched.
    EXPECT_TRUE(screen->reloadConflicts());
    EXPECT_EQ(model->index(3, kPluieColumn).data().toString(), QStringLiteral("40"));
    EXPECT_EQ(model->dirtyCount(), 0);
    EXPECT_EQ(model->index(5, kPluieColumn).data().toString(), QStringLiteral("7,5"));

    // The cell's history: who changed it, when, from what.
    screen->grid()->setCurrentIndex(model->index(5, kPluieColumn));
    screen->showCellHistory();
    const QString history = child<QLabel>(screen.get(), "lblHistoriqueCellule")->text();
    EXPECT_TRUE(history.contains(QStringLiteral("ALICE"))) << history.toStdString();
    EXPECT_TRUE(history.contains(QStringLiteral("6 → 7,5"))) << history.toStdString();
    picture(screen.get(), "cell_history");
}

// The history screen: the station's changes with filters, an export, and the revert of
// a batch refused while one of its records changed since, then done.
TEST_P(MultiUserScreens, HistoryScreen)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    LoadResult loaded = loadWindow(db, QStringLiteral("7"), kFirstDay, kFirstDay.addDays(9));
    ASSERT_TRUE(loaded.ok);
    loaded.rows[0].setValue(0, 1.5);
    loaded.rows[0].dirty = true;
    loaded.rows[1].setValue(0, 2.5);
    loaded.rows[1].dirty = true;
    const SaveResult saved = saveRows(db, QStringLiteral("7"), loaded.rows, 4, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();

    HistoriqueModifications screen(QStringLiteral("7"));
    screen.resize(1200, 500);
    screen.show();
    ASSERT_EQ(screen.entries().size(), 4u) << "validation summary, save summary, two values";
    EXPECT_EQ(screen.entries()[0].nature, QStringLiteral("VALIDATION"));
    picture(&screen, "history_screen");

    child<QComboBox>(&screen, "CboNature")->setCurrentIndex(1); // Saisie
    child<QPushButton>(&screen, "CmdFiltrer")->click();
    EXPECT_EQ(screen.entries().size(), 3u);
    child<QLineEdit>(&screen, "TxtDateDebut")->setText(QStringLiteral("02/01/2024"));
    child<QPushButton>(&screen, "CmdFiltrer")->click();
    EXPECT_EQ(screen.entries().size(), 2u) << "the save's summary and 02/01";
    child<QLineEdit>(&screen, "TxtDateDebut")->setText(QStringLiteral("32/01/2024"));
    EXPECT_FALSE(screen.refresh());
    EXPECT_EQ(messages.takeLast(),
              QStringLiteral("ERREUR: Date incorrecte : « 32/01/2024 » (attendu jj/mm/aaaa)."));
    child<QLineEdit>(&screen, "TxtDateDebut")->clear();
    child<QComboBox>(&screen, "CboNature")->setCurrentIndex(0);
    ASSERT_TRUE(screen.refresh());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("historique.xlsx"));
    EXPECT_TRUE(exportGrid(screen.historyGrid(), path));
    EXPECT_GT(QFileInfo(path).size(), 0);

    // The save's batch: refused while 02/01 is validated since, then reverted.
    screen.table()->selectRow(1);
    answers = {true};
    EXPECT_FALSE(screen.revertSelectedBatch());
    EXPECT_TRUE(messages.takeLast().startsWith(QStringLiteral("ERREUR: L'annulation du lot est "
                                                              "refusée")));
    ASSERT_TRUE(db.Execute(QStringLiteral("UPDATE PLUVIO_7 SET Validite = Null")));
    screen.table()->selectRow(1);
    answers = {true};
    EXPECT_TRUE(screen.revertSelectedBatch());
    EXPECT_EQ(messages.takeLast(),
              QStringLiteral("AIDE: Lot annulé : 2 mesure(s) remise(s) comme avant."));
    const RecordTable values = db.ExtraireRecords(
        QStringLiteral("SELECT Pluie FROM PLUVIO_7 ORDER BY DateCreation"));
    EXPECT_EQ(values.at(0, 0).toDouble(), 1.0);
    EXPECT_EQ(values.at(1, 0).toDouble(), 2.0);
    EXPECT_EQ(screen.entries()[0].nature, QStringLiteral("ANNULATION"));
}

INSTANTIATE_TEST_SUITE_P(Engines, MultiUserScreens, PLX_ENGINES, PLX_ENGINE_NAME);
