#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "stations/widgets/stationsublist.h"
#include "stations/widgets/sublistgrid.h"
#include "stations/widgets/sublistmodel.h"
#include "stations/widgets/sublistphotos.h"
#include "sublisttestsql.h"
#include "support/findchild.h"
#include "support/messagerecorder.h"
#include "support/schemadatabasetest.h"
#include "support/testdatabases.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;
using plxtest::child;

namespace {

using plxtest::run;

QStringList rowsOf(const char *sql)
{
    return plxtest::rowsOf(sql, QStringLiteral("dd/MM/yyyy"));
}

class SubListWidgetsTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        run("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (5, 'Aix')");
        run("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
            "('PIEZOMETRES.TYPEPROJECTION', 16, 'Lambert II étendu')");
        run("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
            "('PIEZOMETRES.TYPEPROJECTION', 31, 'WGS84')");
        m_previousChooser = SubListWidget::setFileChooser(
            [this](QWidget *, const QString &) { return chosenFile; });
    }
    void TearDown() override
    {
        if (m_previousChooser)
            SubListWidget::setFileChooser(m_previousChooser);
        SchemaDatabaseTest::TearDown();
    }

    QString chosenFile;

private:
    SubListWidget::FileChooser m_previousChooser;
};

} // namespace

// Every tab in the record's order; before the station exists each refuses an insert with
// the fixed message, and none is dirty.
TEST_P(SubListWidgetsTest, TabsAndNewStation)
{
    QWidget parent;
    const std::vector<StationSubList *> tabs = createStationSubLists(&parent);
    QStringList titles;
    for (StationSubList *tab : tabs)
        titles << tab->title();
    EXPECT_EQ(titles,
              (QStringList{"Intervenants", "Réseaux", "Modes de mesure", "Localisations",
                           "Normales", "Documents", "Photos", "Installation", "Interventions"}));
    StationSubList *localisations = tabs[3];
    localisations->setEditable(true);
    localisations->setStationCode(QString());
    EXPECT_FALSE(localisations->declencheInserer());
    EXPECT_EQ(messages, QStringList{"ERREUR: Vous devez d'abord enregistrer le pluviomètre afin "
                                    "de le créer (icone disquette dans la barre du haut)."});
    EXPECT_FALSE(localisations->isDirty());
    EXPECT_TRUE(localisations->save());
}

// The localisation grid driven by keyboard and mouse: insert, pick the projection in the
// list, type numbers, save; a second row on the same projection is refused; Delete removes
// the selected row; without the right nothing can be added.
TEST_P(SubListWidgetsTest, GridEditing)
{
    QWidget parent;
    auto *tab =
        new SubListGrid(SubListTab::Localisations, QStringLiteral("Localisations"), &parent);
    tab->setEditable(true);
    tab->setStationCode(QStringLiteral("5"));
    parent.resize(900, 500);
    parent.show();
    QTableView *grid = child<QTableView>(tab, QStringLiteral("SprLocalisations"));
    bool dirtySignal = false;
    QObject::connect(tab, &StationSubList::dirtyChanged, [&](bool dirty) { dirtySignal = dirty; });

    QTest::mouseClick(child<QPushButton>(tab, QStringLiteral("CmdAjouterLigne")), Qt::LeftButton);
    EXPECT_TRUE(dirtySignal);
    ASSERT_EQ(grid->model()->rowCount(), 1);
    // The first free projection is proposed; F2 opens the list, Down picks the next entry.
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Lambert II étendu"));
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_F2);
    auto *combo = grid->findChild<QComboBox *>(QStringLiteral("CboCellule"));
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(combo->findText(QStringLiteral("WGS84")));
    QTest::keyClick(combo, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits on a queued call
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("WGS84"));
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = grid->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("5,4"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QStringLiteral("5,4"));
    tab->declencheInserer(); // the second row takes the projection still free
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("Lambert II étendu"));
    ASSERT_TRUE(tab->save()) << messages.join('\n').toStdString();
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(rowsOf("SELECT CodeProjection, X FROM PLUVIOMETRE_LOCALISATIONS ORDER BY "
                     "CodeProjection"),
              (QStringList{"16|", "31|5.4"}));

    grid->model()->setData(grid->model()->index(1, 0), qlonglong(16), Qt::EditRole);
    EXPECT_FALSE(tab->save());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("ERREUR: Localisations, ligne 2")));
    tab->reload();
    grid->setCurrentIndex(grid->model()->index(0, 2));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    ASSERT_TRUE(tab->save());
    EXPECT_EQ(rowsOf("SELECT CodeProjection FROM PLUVIOMETRE_LOCALISATIONS"), QStringList{"31"});

    tab->setEditable(false);
    EXPECT_FALSE(tab->declencheInserer());
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(messages.size(), 1);
}

// Documents are numbered within the station; the file comes from the chooser.
TEST_P(SubListWidgetsTest, DocumentsNumberedAndChosen)
{
    run("INSERT INTO PLUVIOMETRE_DOCUMENTS (CodePluviometre, CodeDocument, Emplacement) "
        "VALUES (5, 7, '/srv/plan.pdf')");
    QWidget parent;
    auto *tab = new SubListGrid(SubListTab::Documents, QStringLiteral("Documents"), &parent);
    tab->setEditable(true);
    tab->setStationCode(QStringLiteral("5"));
    chosenFile = QStringLiteral("/srv/photo d'ensemble.pdf");
    ASSERT_TRUE(tab->declencheInserer());
    QTest::mouseClick(child<QPushButton>(tab, QStringLiteral("CmdParcourir")), Qt::LeftButton);
    ASSERT_TRUE(tab->save()) << messages.join('\n').toStdString();
    EXPECT_EQ(rowsOf("SELECT CodeDocument, Emplacement FROM PLUVIOMETRE_DOCUMENTS ORDER BY "
                     "CodeDocument"),
              (QStringList{"7|/srv/plan.pdf", "8|/srv/photo d'ensemble.pdf"}));
}

// A new intervention gets the next number and today's date; its battery change is a check
// box kept as "O". The normals' title typed above the grid becomes the row Mois = -1.
TEST_P(SubListWidgetsTest, InterventionAndNormalsTitleThroughTheGrids)
{
    run("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement) "
        "VALUES (5, 3, #04/01/2024#)");
    QWidget parent;
    auto *interventions =
        new SubListGrid(SubListTab::Interventions, QStringLiteral("Interventions"), &parent);
    interventions->setEditable(true);
    interventions->setStationCode(QStringLiteral("5"));
    ASSERT_TRUE(interventions->declencheInserer());
    SubListModel *model = interventions->model();
    const int chgtPiles = model->gridColumn(QStringLiteral("ChgtPiles"));
    ASSERT_GE(chgtPiles, 0);
    EXPECT_TRUE(model->setData(model->index(1, chgtPiles), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(interventions->save()) << messages.join('\n').toStdString();
    EXPECT_EQ(
        rowsOf("SELECT Numero, DateEvenement, ChgtPiles FROM EVENEMENTS_PLUVIO ORDER BY "
               "Numero"),
        (QStringList{"3|01/04/2024|", QStringLiteral("4|%1|O").arg(QDate::currentDate().toString(
                                          QStringLiteral("dd/MM/yyyy")))}));

    auto *normales = new SubListGrid(SubListTab::Normales, QStringLiteral("Normales"), &parent);
    normales->setEditable(true);
    normales->setStationCode(QStringLiteral("5"));
    auto *title = child<QLineEdit>(normales, QStringLiteral("TxtTitreNormales"));
    QTest::keyClicks(title, QStringLiteral("Normales 1991-2020"));
    ASSERT_TRUE(normales->declencheInserer()); // January, the first free month
    ASSERT_TRUE(normales->save()) << messages.join('\n').toStdString();
    EXPECT_EQ(rowsOf("SELECT Mois, Titre FROM PLUVIOMETRE_NORMALES ORDER BY Mois"),
              (QStringList{"-1|Normales 1991-2020", "1|"}));
}

// Photos: the chooser fills an entry and the preview shows the picture; the installation
// form writes its one row; both reload as saved.
TEST_P(SubListWidgetsTest, PhotosAndInstallationForms)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("site.png"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(picture));

    QWidget parent;
    const std::vector<StationSubList *> tabs = createStationSubLists(&parent);
    auto *photos = qobject_cast<SubListPhotos *>(tabs[6]);
    ASSERT_NE(photos, nullptr);
    photos->setEditable(true);
    photos->setStationCode(QStringLiteral("5"));
    parent.resize(800, 500);
    parent.show();
    chosenFile = picture;
    QTest::mouseClick(child<QToolButton>(photos, QStringLiteral("CmdPhotoCarte")), Qt::LeftButton);
    EXPECT_EQ(photos->selectedPicture(), 2);
    EXPECT_FALSE(child<QLabel>(photos, QStringLiteral("ImgApercu"))->pixmap().isNull());
    ASSERT_TRUE(photos->save()) << messages.join('\n').toStdString();
    EXPECT_EQ(rowsOf("SELECT CodePluviometre, PhotoSite, PhotoCarte FROM PLUVIOMETRE_PHOTO"),
              QStringList{QStringLiteral("5||") + picture});

    StationSubList *installation = tabs[7];
    installation->setEditable(true);
    installation->setStationCode(QStringLiteral("5"));
    auto *type = child<QLineEdit>(installation, QStringLiteral("TxtTypeStation"));
    type->setFocus();
    QTest::keyClicks(type, QStringLiteral("Automatique"));
    QTest::keyClicks(child<QPlainTextEdit>(installation, QStringLiteral("TxtCommentaires")),
                     QStringLiteral("Toit"));
    ASSERT_TRUE(installation->save());
    EXPECT_EQ(rowsOf("SELECT TypeStation, commentaires FROM OUVRAGES_PLUVIO WHERE "
                     "CodePluviometre=5"),
              QStringList{"Automatique|Toit"});
    // Emptied, the form writes no row at all.
    type->selectAll();
    QTest::keyClick(type, Qt::Key_Backspace);
    child<QPlainTextEdit>(installation, QStringLiteral("TxtCommentaires"))->clear();
    ASSERT_TRUE(installation->save());
    EXPECT_EQ(rowsOf("SELECT count(*) FROM OUVRAGES_PLUVIO"), QStringList{"0"});
}

INSTANTIATE_TEST_SUITE_P(Engines, SubListWidgetsTest, PLX_ENGINES, PLX_ENGINE_NAME);
