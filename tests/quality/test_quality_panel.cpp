#include "base/locale.h"
#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurehistory.h"
#include "measures/measurementtable.h"
#include "measures/widgets/validation.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "quality/qualitystore.h"
#include "quality/widgets/qualitypanel.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "support/findchild.h"
#include "support/schemadatabasetest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;
using plxtest::child;

namespace {

const QDate kFirstDay(2024, 1, 1);
const QString kCode = QStringLiteral("7");

class QualityPanelTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                            "VALUES (7, 'Istres', '13047/001')"));
        fillDaily(20);
    }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(sql, &error))
            << sql.toStdString() << ": " << error.toStdString();
    }

    // Day i from 01/01/2024 holds i + 1 mm.
    static void fillDaily(int days)
    {
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, kCode, false));
        ASSERT_TRUE(db.DebutTransaction());
        for (int i = 0; i < days; ++i) {
            exec(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, Validite, "
                                "Continuite, ModeObtention) VALUES (%1, %2, %3, Null, 0, 'A')")
                     .arg(FormatDateSQL(formatDate(kFirstDay.addDays(i)), false),
                          FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber(i + 1)));
        }
        ASSERT_TRUE(db.FinTransaction(true));
    }

    // The whole table as text, to see that a decision wrote nothing there.
    static QString tableText()
    {
        const RecordTable table = AccesBase::instance().ExtraireRecords(
            QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Validite, "
                           "ModeObtention FROM PLUVIO_7 ORDER BY DateCreation"));
        EXPECT_TRUE(table.ok()) << table.error().toStdString();
        QStringList lines;
        for (int r = 0; r < table.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table.columnCount(); ++c)
                cells << table.text(r, c);
            lines << cells.join(QLatin1Char('|'));
        }
        return lines.join(QLatin1Char('\n'));
    }

    static QualityFlag flagOnDay(int index, QualityRule rule, QualitySeverity severity)
    {
        QualityFlag made;
        made.date = kFirstDay.addDays(index);
        made.parameter = 0;
        made.value = index + 1;
        made.rule = rule;
        made.severity = severity;
        made.explanation = QStringLiteral("Essai %1").arg(qualityRuleKey(rule));
        return made;
    }

    // A spike (severe) on day 4, a stuck run (warning) on day 9, a range flag (low) on 12.
    static QList<QualityFlag> craftedFlags()
    {
        return {flagOnDay(4, QualityRule::Spike, QualitySeverity::Severe),
                flagOnDay(9, QualityRule::Stuck, QualitySeverity::Warning),
                flagOnDay(12, QualityRule::Range, QualitySeverity::Info)};
    }

    static void storeCraftedFlags()
    {
        const FlagMergeResult result = saveQualityRun(AccesBase::instance(), kCode, kFirstDay,
                                                      kFirstDay.addDays(30), {}, craftedFlags());
        ASSERT_TRUE(result.ok) << result.error.toStdString();
    }

    // The editor loaded on the first 31 days, the panel open.
    std::unique_ptr<Validation> openLoaded()
    {
        auto screen = std::make_unique<Validation>();
        screen->resize(1366, 768);
        screen->show();
        QApplication::setActiveWindow(screen.get()); // for the screen's shortcuts
        screen->initSite(kCode);
        child<QLineEdit>(screen.get(), "TxtDateDebut")->setText(formatDate(kFirstDay));
        child<QLineEdit>(screen.get(), "txtDateFin")->setText(formatDate(kFirstDay.addDays(30)));
        child<QPushButton>(screen.get(), "CmdChargement")->click();
        child<QPushButton>(screen.get(), "CmdControles")->click();
        return screen;
    }

    static QTableWidget *list(Validation *screen)
    {
        return child<QTableWidget>(screen, "GrdControles");
    }

    static int currentGridRow(Validation *screen) { return screen->grid()->currentIndex().row(); }
};

} // namespace

// The window's flags listed and marked in the grid; next / previous by button and key
// select the flagged cell; the filters narrow the list.
TEST_P(QualityPanelTest, ListsMarksAndNavigates)
{
    storeCraftedFlags();
    auto screen = openLoaded();
    QualityPanel *panel = screen->qualityPanel();
    ASSERT_FALSE(panel->isHidden());
    EXPECT_TRUE(child<QPushButton>(screen.get(), "CmdControles")->isChecked());
    QTableWidget *flags = list(screen.get());
    ASSERT_EQ(flags->rowCount(), 3);
    EXPECT_EQ(flags->item(0, 0)->text(), QStringLiteral("05/01/2024"));
    EXPECT_EQ(flags->item(0, 1)->text(), QStringLiteral("Pluie"));
    EXPECT_EQ(flags->item(0, 2)->text(), QStringLiteral("5"));
    EXPECT_EQ(flags->item(0, 3)->text(), qualityRuleCaption(QualityRule::Spike));
    EXPECT_EQ(flags->item(0, 4)->text(), QStringLiteral("forte"));
    EXPECT_EQ(flags->item(0, 5)->text(), QStringLiteral("Essai pic"));
    EXPECT_EQ(child<QLabel>(screen.get(), "lblControles")->text(),
              QStringLiteral("3 contrôle(s) à traiter"));

    // Flagged cells stand out and explain themselves; their neighbours do not.
    ValidationModel *model = screen->model();
    const QModelIndex spike = model->index(4, kPluieColumn);
    EXPECT_TRUE(spike.data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->index(5, kPluieColumn).data(Qt::BackgroundRole).isValid());
    EXPECT_NE(spike.data(Qt::BackgroundRole),
              model->index(12, kPluieColumn).data(Qt::BackgroundRole));
    EXPECT_TRUE(spike.data(Qt::ToolTipRole).toString().contains(QStringLiteral("Essai pic")));

    auto *next = child<QPushButton>(screen.get(), "CmdControleSuivant");
    auto *previous = child<QPushButton>(screen.get(), "CmdControlePrecedent");
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(screen->grid()->currentIndex(), model->index(4, kPluieColumn));
    EXPECT_TRUE(child<QLabel>(screen.get(), "lblDetailControle")
                    ->text()
                    .contains(QStringLiteral("Essai pic")));
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(currentGridRow(screen.get()), 9);
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(currentGridRow(screen.get()), 4);
    QTest::mouseClick(previous, Qt::LeftButton); // wraps round to the last
    EXPECT_EQ(currentGridRow(screen.get()), 12);
    // F3 from the grid, as a user walking through the values does.
    screen->grid()->setFocus();
    QTest::keyClick(screen->grid(), Qt::Key_F3);
    EXPECT_EQ(currentGridRow(screen.get()), 4);
    QTest::keyClick(screen->grid(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(currentGridRow(screen.get()), 12);
    // Moving in the list moves the grid too.
    flags->setFocus();
    QTest::keyClick(flags, Qt::Key_Up);
    EXPECT_EQ(currentGridRow(screen.get()), 9);

    auto *severity = child<QComboBox>(screen.get(), "CboSeverite");
    severity->setCurrentIndex(severity->findText(QStringLiteral("forte")));
    ASSERT_EQ(flags->rowCount(), 1);
    EXPECT_EQ(flags->item(0, 0)->text(), QStringLiteral("05/01/2024"));
    severity->setCurrentIndex(0);
    auto *rule = child<QComboBox>(screen.get(), "CboRegle");
    rule->setCurrentIndex(rule->findData(qualityRuleKey(QualityRule::Stuck)));
    ASSERT_EQ(flags->rowCount(), 1);
    EXPECT_EQ(flags->item(0, 0)->text(), QStringLiteral("10/01/2024"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();

    EXPECT_TRUE(child<QPushButton>(screen.get(), "CmdSeuils")->isEnabled());
    // The toolbar's slot hides the panel and shows it again.
    screen->DeclencheControles();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(child<QPushButton>(screen.get(), "CmdControles")->isChecked());
}

// Accepting keeps every value as it is, records who saw the flag and survives a reload;
// the accepted cell is no longer marked.
TEST_P(QualityPanelTest, AcceptingChangesNoValue)
{
    storeCraftedFlags();
    const QString before = tableText();
    {
        auto screen = openLoaded();
        QTest::mouseClick(child<QPushButton>(screen.get(), "CmdControleSuivant"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(screen.get(), "CmdAccepter"), Qt::LeftButton);
        EXPECT_EQ(tableText(), before);
        EXPECT_EQ(screen->model()->dirtyCount(), 0);
        EXPECT_EQ(list(screen.get())->rowCount(), 2);
        EXPECT_FALSE(screen->model()->index(4, kPluieColumn).data(Qt::BackgroundRole).isValid());
    }
    auto screen = openLoaded();
    QTableWidget *flags = list(screen.get());
    ASSERT_EQ(flags->rowCount(), 2);
    EXPECT_EQ(flags->item(0, 0)->text(), QStringLiteral("10/01/2024"));
    child<QCheckBox>(screen.get(), "ChkTraites")->setChecked(true);
    ASSERT_EQ(flags->rowCount(), 3);
    EXPECT_TRUE(flags->item(0, 0)->toolTip().contains(QStringLiteral("acceptée par REF")));
    const std::vector<StoredFlag> &stored = screen->qualityPanel()->flags();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].status, FlagStatus::Accepted);
    EXPECT_EQ(stored[0].decidedBy, QStringLiteral("REF"));
    EXPECT_FALSE(screen->model()->index(4, kPluieColumn).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// "Corriger" opens the flagged cell's editor; the saved correction goes to the history as
// a correction and closes the flag. Validating past an open severe flag asks first, naming
// how many; "Non" validates nothing.
TEST_P(QualityPanelTest, CorrectsAndGuardsTheValidation)
{
    storeCraftedFlags();
    auto screen = openLoaded();
    ValidationModel *model = screen->model();
    ValidationGrid *grid = screen->grid();

    // Marking row 6 would validate the severe spike of row 4.
    QHeaderView *header = grid->verticalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->width() / 2,
                             header->sectionViewportPosition(6) + header->sectionSize(6) / 2));
    ASSERT_EQ(model->markRow(), 6);
    messages.clear();
    answers = {false};
    EXPECT_FALSE(screen->declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
              QStringLiteral("QUESTION: 1 contrôle de sévérité forte n'est pas traité dans la "
                             "période à valider. Valider quand même ?"));
    EXPECT_EQ(model->markRow(), 6); // kept for another try
    const RecordTable validated = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM PLUVIO_7 WHERE Validite = 'V'"));
    ASSERT_TRUE(validated.ok());
    EXPECT_EQ(validated.at(0, 0).toLongLong(), 0);

    // Correct the spike through the grid's editor, then validate: nothing left to ask.
    QTableWidget *flags = list(screen.get());
    flags->setCurrentCell(0, 0);
    QTest::mouseClick(child<QPushButton>(screen.get(), "CmdCorriger"), Qt::LeftButton);
    const QModelIndex spike = model->index(4, kPluieColumn);
    EXPECT_EQ(grid->currentIndex(), spike);
    auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(spike));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("4,5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(model->row(4).dirty);
    model->undoStack()->undo(); // the normal path: undo and redo work on it
    EXPECT_EQ(model->index(4, kPluieColumn).data().toString(), QStringLiteral("5"));
    model->undoStack()->redo();
    EXPECT_EQ(model->index(4, kPluieColumn).data().toString(), QStringLiteral("4,5"));
    messages.clear();
    EXPECT_TRUE(screen->declencheEnregistrer());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();

    std::vector<HistoryEntry> entries;
    HistoryFilter filter;
    filter.nature = historyNatureCode(HistoryNature::Correction);
    QString error;
    ASSERT_TRUE(readHistory(AccesBase::instance(), kCode, filter, entries, &error))
        << error.toStdString();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].instant.date(), kFirstDay.addDays(4));
    EXPECT_EQ(entries[0].newValue, std::optional<double>(4.5));
    std::vector<StoredFlag> stored;
    ASSERT_TRUE(
        readQualityFlags(AccesBase::instance(), kCode, kFirstDay, kFirstDay.addDays(30), stored));
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].status, FlagStatus::Corrected);
    EXPECT_EQ(stored[1].status, FlagStatus::Open);
    EXPECT_TRUE(model->row(6).isValidated());
}

// "Lancer les contrôles" runs the rules over the loaded window and lists what they found;
// a second run keeps the decisions taken meanwhile.
TEST_P(QualityPanelTest, RunsTheRulesOverTheWindow)
{
    auto screen = openLoaded();
    QDate ranFrom, ranTo;
    int runs = 0;
    screen->setQualityRunner([&](AccesBase &, const QString &code, const QDate &from,
                                 const QDate &to, const QualityProgress &progress) {
        EXPECT_EQ(code, kCode);
        ranFrom = from;
        ranTo = to;
        ++runs;
        EXPECT_TRUE(progress(1, 2));
        QualityRun run;
        run.ok = true;
        run.flags = craftedFlags();
        return run;
    });
    EXPECT_EQ(list(screen.get())->rowCount(), 0);
    QTest::mouseClick(child<QPushButton>(screen.get(), "CmdLancerControles"), Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ranFrom, kFirstDay);
    EXPECT_EQ(ranTo, kFirstDay.addDays(30));
    EXPECT_EQ(list(screen.get())->rowCount(), 3);
    EXPECT_EQ(child<QLabel>(screen.get(), "lblStatut")->text(),
              QStringLiteral("Contrôles terminés : 3 valeur(s) signalée(s)"));
    // The first flag is shown at once.
    EXPECT_EQ(currentGridRow(screen.get()), 4);

    QTest::mouseClick(child<QPushButton>(screen.get(), "CmdAccepter"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(screen.get(), "CmdLancerControles"), Qt::LeftButton);
    EXPECT_EQ(list(screen.get())->rowCount(), 2);
    EXPECT_EQ(child<QLabel>(screen.get(), "lblStatut")->text(),
              QStringLiteral("Contrôles terminés : 3 valeur(s) signalée(s), 1 déjà acceptée(s)"));

    // "Arrêter" during a run keeps what was stored.
    screen->setQualityRunner([&](AccesBase &, const QString &, const QDate &, const QDate &,
                                 const QualityProgress &progress) {
        auto *stop = child<QPushButton>(screen.get(), "CmdAnnulerChargement");
        EXPECT_TRUE(stop->isVisible());
        EXPECT_FALSE(child<QPushButton>(screen.get(), "CmdLancerControles")->isEnabled());
        QTest::mouseClick(stop, Qt::LeftButton);
        QualityRun run;
        run.cancelled = !progress(1, 2);
        return run;
    });
    QTest::mouseClick(child<QPushButton>(screen.get(), "CmdLancerControles"), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>(screen.get(), "lblStatut")->text(),
              QStringLiteral("Contrôles arrêtés : les contrôles enregistrés n'ont pas changé"));
    EXPECT_EQ(list(screen.get())->rowCount(), 2);

    // A run that fails says why and keeps what was stored.
    screen->setQualityRunner(
        [](AccesBase &, const QString &, const QDate &, const QDate &, const QualityProgress &) {
            QualityRun run;
            run.error = QStringLiteral("voisins introuvables");
            return run;
        });
    messages.clear();
    screen->lancerControles();
    EXPECT_EQ(messages, QStringList{QStringLiteral("ERREUR: Les contrôles n'ont pas pu être "
                                                   "passés : voisins introuvables")});
    EXPECT_EQ(list(screen.get())->rowCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, QualityPanelTest, PLX_ENGINES, PLX_ENGINE_NAME);

// With PLX_SCREENSHOTS=<folder>, draws the editor with the panel open on a demo station
// whose series was given a spike and a stuck run, at 1366x768.
TEST(QualityPanelScreenshot, DemoNetwork)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the screen";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    AccesBase &db = AccesBase::instance();
    const ScopedConnectionKind kind(db);
    session().login = QStringLiteral("ADMIN");
    session().isAdmin = true;

    // The first station with a daily series, and its last day.
    QString code;
    QDate last;
    const RecordTable stations = db.ExtraireRecords(
        QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES ORDER BY CodePluviometre"));
    ASSERT_TRUE(stations.ok());
    for (int r = 0; r < stations.rowCount() && code.isEmpty(); ++r) {
        const QString candidate = stations.text(r, 0);
        if (!db.tableExists(QStringLiteral("PLUVIO_") + candidate))
            continue;
        const RecordTable end = db.ExtraireRecords(QStringLiteral("SELECT max(DateCreation) FROM "
                                                                  "PLUVIO_") +
                                                   candidate);
        if (end.ok() && end.rowCount() == 1 && !end.at(0, 0).isNull()) {
            code = candidate;
            const QVariant value = end.at(0, 0);
            last =
                (value.typeId() == QMetaType::QDateTime ? value.toDateTime()
                                                        : parseDatabaseDateTime(value.toString()))
                    .date();
        }
    }
    ASSERT_FALSE(code.isEmpty());
    const auto setRain = [&](const QDate &day, double value) {
        QString why;
        EXPECT_TRUE(
            db.Execute(QStringLiteral("UPDATE PLUVIO_%1 SET Pluie = %2, Validite = Null "
                                      "WHERE DateCreation = %3")
                           .arg(code, sqlNumber(value), FormatDateSQL(formatDate(day), false)),
                       &why))
            << why.toStdString();
    };
    setRain(last.addDays(-24), 186.4); // a spike
    for (int d = -14; d <= -10; ++d)
        setRain(last.addDays(d), 4.2); // a stuck gauge

    Validation screen;
    screen.resize(1366, 768);
    screen.show();
    ASSERT_TRUE(screen.initSite(code));
    screen.findChild<QLineEdit *>(QStringLiteral("TxtDateDebut"))
        ->setText(formatDate(last.addDays(-60)));
    screen.findChild<QLineEdit *>(QStringLiteral("txtDateFin"))->setText(formatDate(last));
    screen.chargementStation();
    screen.lancerControles();
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.qualityPanel()->flags().empty());
    QDir().mkpath(out);
    EXPECT_TRUE(screen.grab().save(QDir(out).filePath(QStringLiteral("controles.png"))));
    db.Deconnecter();
}
