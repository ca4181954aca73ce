#include "base/locale.h"
#include "config/settings.h"
#include "outputs/widgets/gridexport.h"
#include "stations/bulletins.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/sublistgrid.h"
#include "stations/widgets/sublistmodel.h"
#include "support/findchild.h"
#include "support/zipread.h"
#include "test_stationfixture.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using plxtest::child;

namespace {

using plx::Bulletin;

class BulletinsTest : public plxtest::StationDatabaseTest
{
protected:
    void SetUp() override
    {
        StationDatabaseTest::SetUp();
        if (!ready())
            return;
        for (int code : {1, 2, 3})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                                "VALUES (%1, 'Site %1', 'ID%1')")
                     .arg(code));
        // Another bulletin and a station's own bulletin: no operation on a new bulletin may
        // touch them.
        exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO (CodeBulletin, Titre) VALUES (5, "
                            "'Ancien')"));
        exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO_SELECTION (CodeBulletin, "
                            "CodePluviometre) VALUES (5, 3)"));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_BULLETINS (CodePluviometre, CodeBulletin, "
                            "Titre) VALUES (1, 6, 'Propre au site')"));
    }

    static QStringList links()
    {
        const plx::RecordTable t = db().ExtraireRecords(
            QStringLiteral("SELECT CodeBulletin, CodePluviometre FROM BULLETINS_PLUVIO_SELECTION"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        QStringList rows;
        for (int r = 0; r < t.rowCount(); ++r)
            rows << QStringLiteral("%1|%2").arg(t.at(r, 0).toDouble()).arg(t.at(r, 1).toDouble());
        rows.sort();
        return rows;
    }
    static QStringList bulletinRows()
    {
        QStringList rows;
        const plx::RecordTable t = db().ExtraireRecords(
            QStringLiteral("SELECT CodeBulletin, Titre, Chapitre, DatePublication, Auteur FROM "
                           "BULLETINS_PLUVIO ORDER BY CodeBulletin"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        for (int r = 0; r < t.rowCount(); ++r)
            rows << QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(t.at(r, 0).toDouble())
                        .arg(t.text(r, 1), t.text(r, 2),
                             plx::formatDate(t.at(r, 3).toDateTime().date()), t.text(r, 4));
        return rows;
    }
};

} // namespace

// Create (highest code + 1), refuse, edit, link stations, delete with the links in one go.
TEST_P(BulletinsTest, CreateEditLinkDelete)
{
    Bulletin b;
    b.titre = QStringLiteral("  ");
    EXPECT_EQ(plx::saveBulletin(db(), b), QStringLiteral("Saisissez le titre du bulletin."));
    b.titre = QStringLiteral("Bilan de l'été");
    b.auteur = QString(51, QLatin1Char('x'));
    EXPECT_TRUE(plx::saveBulletin(db(), b).contains(QStringLiteral("50 caractères")));
    EXPECT_EQ(bulletinRows(), QStringList{"5|Ancien|||"});

    b.auteur = QStringLiteral("D'Artagnan");
    b.datePublication = QDate(2024, 2, 29);
    b.chapitre = QStringLiteral("Cumuls\nNormales");
    ASSERT_EQ(plx::saveBulletin(db(), b), QString());
    EXPECT_EQ(b.code, 6);
    b.titre = QStringLiteral("Bilan de l'été 2024");
    b.datePublication = QDate();
    ASSERT_EQ(plx::saveBulletin(db(), b), QString());
    EXPECT_EQ(bulletinRows(),
              (QStringList{"5|Ancien|||", "6|Bilan de l'été 2024|Cumuls\nNormales||D'Artagnan"}));

    // Station 3 is out of the user's sight: its link stays whatever the ticks say.
    exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO_SELECTION (CodeBulletin, "
                        "CodePluviometre) VALUES (6, 3)"));
    ASSERT_EQ(plx::writeBulletinStations(db(), 6, {1, 2}, {1, 2}), QString());
    EXPECT_EQ(links(), (QStringList{"5|3", "6|1", "6|2", "6|3"}));
    ASSERT_EQ(plx::writeBulletinStations(db(), 6, {1, 2}, {2}), QString());
    EXPECT_EQ(links(), (QStringList{"5|3", "6|2", "6|3"}));

    const plx::BulletinLoad forStation = plx::loadBulletins(db(), QStringLiteral("2"));
    ASSERT_TRUE(forStation.ok) << forStation.error.toStdString();
    ASSERT_EQ(forStation.rows.size(), 2u);
    EXPECT_FALSE(forStation.rows[0].linked);
    EXPECT_EQ(forStation.rows[0].stationCount, 1);
    EXPECT_TRUE(forStation.rows[1].linked);
    EXPECT_EQ(forStation.rows[1].stationCount, 2);

    // Deleted meanwhile by someone else: the edit is refused, nothing is recreated.
    Bulletin gone = b;
    gone.code = 99;
    EXPECT_TRUE(plx::saveBulletin(db(), gone).contains(QStringLiteral("n'existe plus")));

    ASSERT_EQ(plx::deleteBulletin(db(), 6), QString());
    EXPECT_EQ(bulletinRows(), QStringList{"5|Ancien|||"});
    EXPECT_EQ(links(), QStringList{"5|3"});
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRE_BULLETINS")).size(), 1);

    // The next new bulletin takes the highest code left + 1.
    Bulletin next;
    next.titre = QStringLiteral("Suivant");
    ASSERT_EQ(plx::saveBulletin(db(), next), QString());
    EXPECT_EQ(next.code, 6);
}

// Opened from a record: the "Lié" ticks link and unlink that station at once; a new
// bulletin starts with the station ticked; the ticks in the station list go with the save.
TEST_P(BulletinsTest, ScreenFromRecord)
{
    plx::BulletinsPluvio screen(QStringLiteral("2"));
    screen.show();
    ASSERT_EQ(screen.bulletins().size(), 1u);
    auto *list = child<QTableView>(&screen, "SprBulletins");
    auto *model = qobject_cast<QStandardItemModel *>(list->model());
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(list->isColumnHidden(0));
    model->item(0, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(links(), (QStringList{"5|2", "5|3"}));
    EXPECT_EQ(model->item(0, 6)->text(), QStringLiteral("2"));
    EXPECT_EQ(screen.checkedStations(), (QSet<qlonglong>{2, 3}));
    model->item(0, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(links(), QStringList{"5|3"});

    QTest::mouseClick(child<QPushButton>(&screen, "CmdNouveau"), Qt::LeftButton);
    EXPECT_EQ(screen.checkedStations(), QSet<qlonglong>{2});
    auto *titre = child<QLineEdit>(&screen, "TxtTitre");
    QTest::keyClicks(titre, QStringLiteral("Crue d'octobre"));
    auto *date = child<QLineEdit>(&screen, "TxtDatePublication");
    QTest::keyClicks(date, QStringLiteral("31/02/2024"));
    EXPECT_FALSE(screen.declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().contains(QStringLiteral("Date de publication incorrecte")));
    date->clear();
    QTest::keyClicks(date, QStringLiteral("15/10/2024"));
    screen.setStationChecked(1, true);
    QTest::keyClick(titre, Qt::Key_Return); // Enter saves
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(screen.currentCode(), 6);
    EXPECT_FALSE(screen.hasUnsavedChanges());
    EXPECT_EQ(links(), (QStringList{"5|3", "6|1", "6|2"}));
    EXPECT_EQ(bulletinRows().last(), QStringLiteral("6|Crue d'octobre||15/10/2024|"));

    // Delete asks; "no" keeps it, "yes" takes its links and nothing else.
    answers = {false};
    screen.DeclencheSupprimer();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().contains(QStringLiteral("2 station(s)")));
    EXPECT_EQ(bulletinRows().size(), 2);
    answers = {true};
    screen.DeclencheSupprimer();
    EXPECT_EQ(bulletinRows(), QStringList{"5|Ancien|||"});
    EXPECT_EQ(links(), QStringList{"5|3"});
    EXPECT_EQ(screen.bulletins().size(), 1u);

    // The one-click export under its title.
    QTemporaryDir dir;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"), dir.path()));
    QStringList opened;
    const auto previous = plx::setExportedFileOpener([&](const QString &path) { opened << path; });
    screen.DeclencheExcel();
    plx::setExportedFileOpener(previous);
    const QString path = dir.filePath(QStringLiteral("Liste_des_bulletins.xlsx"));
    ASSERT_EQ(opened, QStringList{path}) << messages.join('\n').toStdString();
    EXPECT_TRUE(
        plxtest::zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml")).contains("Ancien"));
    messages.clear();

    // The station's own bulletins, on the second tab: numbered within the station, saved
    // from the toolbar; another station's rows stay.
    auto *tabs = child<QTabWidget>(&screen, "TabBulletins");
    plx::SubListGrid *own = screen.stationBulletins();
    ASSERT_NE(own, nullptr);
    tabs->setCurrentWidget(own);
    screen.declencheInserer();
    ASSERT_EQ(own->model()->rowCount(), 1);
    const int title = own->model()->gridColumn(QStringLiteral("Titre"));
    EXPECT_FALSE(screen.declencheEnregistrer()); // a title is required
    ASSERT_EQ(messages.size(), 1);
    messages.clear();
    own->model()->setData(own->model()->index(0, title), QStringLiteral("Note locale"),
                          Qt::EditRole);
    EXPECT_TRUE(screen.hasUnsavedChanges());
    EXPECT_TRUE(screen.declencheEnregistrer()) << messages.join('\n').toStdString();
    const plx::RecordTable rows = db().ExtraireRecords(QStringLiteral(
        "SELECT CodePluviometre, CodeBulletin, Titre FROM PLUVIOMETRE_BULLETINS ORDER BY "
        "CodePluviometre"));
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.at(1, 0).toDouble(), 2);
    EXPECT_EQ(rows.at(1, 1).toDouble(), 1);
    EXPECT_EQ(rows.text(1, 2), QStringLiteral("Note locale"));
    EXPECT_EQ(rows.text(0, 2), QStringLiteral("Propre au site"));
    EXPECT_FALSE(screen.hasUnsavedChanges());
}

// Without the bulletins right the screen only shows.
TEST_P(BulletinsTest, ReadOnlyWithoutTheRight)
{
    plx::session().isAdmin = false;
    plx::session().rights.clear();
    plx::BulletinsPluvio screen(QStringLiteral("2"));
    screen.show();
    EXPECT_FALSE(child<QPushButton>(&screen, "CmdNouveau")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(&screen, "TxtTitre")->isReadOnly());
    auto *model =
        qobject_cast<QStandardItemModel *>(child<QTableView>(&screen, "SprBulletins")->model());
    EXPECT_FALSE(model->item(0, 0)->isCheckable());
    EXPECT_FALSE(screen.setStationLinked(5, true));
    answers = {true};
    screen.DeclencheSupprimer();
    EXPECT_EQ(bulletinRows(), QStringList{"5|Ancien|||"});
    EXPECT_EQ(links(), QStringList{"5|3"});
}

INSTANTIATE_TEST_SUITE_P(Engines, BulletinsTest, PLX_ENGINES, PLX_ENGINE_NAME);
