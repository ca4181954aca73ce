#include "base/locale.h"
#include "config/settings.h"
#include "outputs/widgets/gridexport.h"
#include "stations/interventions.h"
#include "run/widgets/mainwindow.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listepluviometres.h"
#include "stations/widgets/listeinterventions.h"
#include "stations/widgets/rapportintervention.h"
#include "stations/widgets/sublistgrid.h"
#include "test_stationfixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

using plx::InterventionFilter;

class InterventionsTest : public plxtest::StationDatabaseTest
{
protected:
    void SetUp() override
    {
        StationDatabaseTest::SetUp();
        if (!ready())
            return;
        exec(QStringLiteral("INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('13055', "
                            "'Marseille', '13')"));
        exec(QStringLiteral("INSERT INTO CONTACTS (CodeContact, Nom) VALUES (7, 'Jeanne "
                            "Martin')"));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant, "
                            "CodeCommune, adresse, X, Y, Altitude) VALUES (1, 'Alpha', "
                            "'13055001', '13055', '2 rue du Vent', 5.37, 43.3, 75)"));
        for (int code : {2, 3})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (%1, "
                                "'Site %1')")
                     .arg(code));
        addIntervention(1, 1, "#03/05/2024#", "#12/30/1899 10:00:00#", "Visite", 7);
        // Dated on the last day of March with a time: still inside a period ending that day.
        addIntervention(1, 2, "#03/31/2024 23:30:00#", "NULL", "Panne", 0);
        addIntervention(2, 1, "#04/01/2024#", "NULL", "visite", 0);
        addIntervention(3, 1, "#01/15/2023#", "NULL", "Visite", 0);
        addIntervention(2, 2, "NULL", "NULL", "Panne", 0);
    }

    static void addIntervention(int station, int numero, const char *date, const char *time,
                                const char *type, int contact)
    {
        exec(QStringLiteral("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, "
                            "DateEvenement, heureEvenement, type, codeContact) VALUES (%1, %2, "
                            "%3, %4, '%5', %6)")
                 .arg(station)
                 .arg(numero)
                 .arg(QLatin1String(date), QLatin1String(time), QLatin1String(type),
                      contact ? QString::number(contact) : QStringLiteral("NULL")));
    }

    // "station/numero" of each row, in the list's order.
    static QStringList listed(const InterventionFilter &filter)
    {
        const plx::InterventionLoad load = plx::loadInterventions(db(), filter);
        EXPECT_TRUE(load.ok) << load.error.toStdString();
        QStringList rows;
        for (const plx::InterventionRow &row : load.rows)
            rows << QStringLiteral("%1/%2").arg(row.station).arg(row.numero);
        return rows;
    }
};

} // namespace

// Across stations, newest first (undated last); the period includes its last day whatever
// the time; station, kind (any case) and the user's scope narrow it; a quote stays a value.
TEST_P(InterventionsTest, ListFilters)
{
    EXPECT_EQ(listed({}), (QStringList{"2/1", "1/2", "1/1", "3/1", "2/2"}));
    InterventionFilter march;
    march.from = QDate(2024, 3, 1);
    march.to = QDate(2024, 3, 31);
    EXPECT_EQ(listed(march), (QStringList{"1/2", "1/1"}));
    InterventionFilter stations;
    stations.stations = {2, 3};
    EXPECT_EQ(listed(stations), (QStringList{"2/1", "3/1", "2/2"}));
    InterventionFilter kind;
    kind.type = QStringLiteral("VISITE");
    EXPECT_EQ(listed(kind), (QStringList{"2/1", "1/1", "3/1"}));
    kind.type = QStringLiteral("x' OR 'a'='a");
    EXPECT_EQ(listed(kind), QStringList{});
    EXPECT_EQ(plx::interventionTypes(db()), (QStringList{"Panne", "Visite"}));

    const plx::InterventionLoad one = plx::loadInterventions(db(), march);
    ASSERT_EQ(one.rows.size(), 2u);
    const plx::InterventionRow &visit = one.rows[1];
    EXPECT_EQ(visit.stationName, QStringLiteral("Alpha"));
    EXPECT_EQ(visit.commune, QStringLiteral("Marseille"));
    EXPECT_EQ(visit.intervenant, QStringLiteral("Jeanne Martin"));
    EXPECT_EQ(visit.time, QTime(10, 0));

    restrictScopeTo({QStringLiteral("1")});
    EXPECT_EQ(listed({}), (QStringList{"1/2", "1/1"}));
}

// The report holds the station, the date, the intervener, the findings, the actions (typed
// and ticked) and the comments, escaped; a number that is not there says so.
TEST_P(InterventionsTest, ReportText)
{
    exec(QStringLiteral("UPDATE EVENEMENTS_PLUVIO SET probleme='Auget bloqué', solution="
                        "'Nettoyage de l''auget', Commentaires='Accès <difficile> & boueux', "
                        "ChgtPiles='O', Volt=12.6, downloadData=true, dateCloture=#03/07/2024# "
                        "WHERE CodePluviometre=1 AND Numero=1"));
    exec(QStringLiteral("INSERT INTO EVT_PLUVIO_ACTIONS (codePluvio, numero, idAction, "
                        "codeProbleme, codeSolution) VALUES (1, 1, 1, 4, 9)"));
    const plx::InterventionReport report = plx::interventionReport(db(), 1, 1);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.title, QStringLiteral("Rapport d'intervention n° 1 - Alpha"));
    for (const char *expected :
         {"Alpha", "13055001", "Marseille (13)", "2 rue du Vent", "5,37 ; 43,3",
          "05/03/2024 à 10:00", "Visite", "07/03/2024", "Jeanne Martin", "Auget bloqué",
          "Nettoyage de l'auget", "Changement des piles", "Téléchargement des données", "12,6",
          "problème code 4", "solution code 9", "Accès &lt;difficile&gt; &amp; boueux"})
        EXPECT_TRUE(report.html.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(report.html.contains(QStringLiteral("Test de la transmission")));

    const plx::InterventionReport missing = plx::interventionReport(db(), 1, 9);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("n'existe pas")));
}

// The screen: filters typed and chosen, a wrong date refused, the export under its title,
// Enter opening the record on the intervention, and the record's report button.
TEST_P(InterventionsTest, ScreenAndRecord)
{
    plx::ListeInterventions screen({2, 3});
    screen.resize(1366, 768);
    screen.show();
    EXPECT_EQ(screen.rows().size(), 3u); // the list's selection to start with
    auto *station = screen.findChild<QComboBox *>(QStringLiteral("CboPluviometre"));
    ASSERT_NE(station, nullptr);
    station->setCurrentIndex(0);
    auto *from = screen.findChild<QLineEdit *>(QStringLiteral("TxtDateDebut"));
    QTest::keyClicks(from, QStringLiteral("32/03/2024"));
    EXPECT_FALSE(screen.Actualiser());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().contains(QStringLiteral("Date incorrecte")));
    from->clear();
    QTest::keyClicks(from, QStringLiteral("01/03/2024"));
    QTest::keyClick(from, Qt::Key_Return);
    ASSERT_EQ(screen.rows().size(), 3u);
    auto *type = screen.findChild<QComboBox *>(QStringLiteral("CboType"));
    type->setCurrentIndex(type->findText(QStringLiteral("Panne")));
    ASSERT_TRUE(screen.Actualiser());
    ASSERT_EQ(screen.rows().size(), 1u);

    QTemporaryDir dir;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"), dir.path()));
    QStringList opened;
    const auto previous = plx::setExportedFileOpener([&](const QString &path) { opened << path; });
    screen.DeclencheExcel();
    plx::setExportedFileOpener(previous);
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("Liste_des_interventions.xlsx"))})
        << messages.join('\n').toStdString();
    messages.clear();

    // Enter on the row: the record of station 1, on its interventions tab, row n° 2.
    auto *table = screen.findChild<QTableView *>(QStringLiteral("SprInterventions"));
    QTest::keyClick(table, Qt::Key_Return);
    plx::FichePluviometre *record = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *r = qobject_cast<plx::FichePluviometre *>(top); r && r->isVisible())
            record = r;
    ASSERT_NE(record, nullptr) << messages.join('\n').toStdString();
    EXPECT_EQ(record->stationCode(), QStringLiteral("1"));
    auto *tabs = record->findChild<QTabWidget *>(QStringLiteral("TabFiche"));
    auto *grid = qobject_cast<plx::SubListGrid *>(tabs->currentWidget());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->objectName(), QStringLiteral("OngletInterventions"));
    EXPECT_EQ(grid->grid()->currentIndex().row(), grid->findRow(QStringLiteral("Numero"), 2));

    QStringList shown;
    const auto viewer = plx::setReportViewer(
        [&](QWidget *, const QString &title, const QString &html) { shown << title << html; });
    QTest::mouseClick(grid->findChild<QPushButton *>(QStringLiteral("CmdRapportIntervention")),
                      Qt::LeftButton);
    plx::setReportViewer(viewer);
    ASSERT_EQ(shown.size(), 2) << messages.join('\n').toStdString();
    EXPECT_EQ(shown[0], QStringLiteral("Rapport d'intervention n° 2 - Alpha"));
    EXPECT_TRUE(shown[1].contains(QStringLiteral("31/03/2024")));
    record->close();
}

// The Fichier menu opens both screens; from the list, its selected stations go along.
TEST_P(InterventionsTest, OpenedFromTheMenuAndTheList)
{
    plx::MainWindow window;
    window.setVersionCheckAtStart(false);
    window.show();
    window.openStationList();
    auto *list = qobject_cast<plx::ListePluviometres *>(window.activeScreen());
    ASSERT_NE(list, nullptr);
    auto *grid = list->findChild<QTableView *>(QStringLiteral("SprPluviometres"));
    grid->selectRow(1); // station 2, sorted by code
    window.findChild<QAction *>(QStringLiteral("MnuListeInterventions"))->trigger();
    auto *screen = qobject_cast<plx::ListeInterventions *>(window.activeScreen());
    ASSERT_NE(screen, nullptr) << messages.join('\n').toStdString();
    EXPECT_EQ(screen->rows().size(), 2u);
    window.findChild<QAction *>(QStringLiteral("MnuBulletins"))->trigger();
    EXPECT_NE(qobject_cast<plx::BulletinsPluvio *>(window.activeScreen()), nullptr);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, InterventionsTest, PLX_ENGINES, PLX_ENGINE_NAME);
