#include "test_stationfixture.h"

#include "config/settings.h"
#include "stations/stationrecord.h"
#include "stations/widgets/fichepluviometre.h"
#include "support/findchild.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using plxtest::child;

namespace {

using plx::FichePluviometre;
using plxtest::StationDatabaseTest;

class FichePluviometreTest : public StationDatabaseTest
{
protected:
    void SetUp() override
    {
        StationDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        exec(QStringLiteral(
            "INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('13047', 'Istres', '13')"));
        exec(QStringLiteral("INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('13001', "
                            "'Aix-en-Provence', '13')"));
        exec(QStringLiteral("INSERT INTO PAYS (CodePays, Nom) VALUES ('FR', 'France')"));
        exec(QStringLiteral(
            "INSERT INTO CONTACTS (CodeContact, RaisonSocial) VALUES (4, 'Syndicat des eaux')"));
        exec(QStringLiteral("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
                            "('PLUVIOMETRES.TYPEPROJECTION', 16, 'WGS84')"));
    }

    static void type(QWidget *screen, const char *field, const QString &text)
    {
        auto *edit = child<QLineEdit>(screen, field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static QString text(QWidget *screen, const char *field)
    {
        return child<QLineEdit>(screen, field)->text();
    }
    // Answers the next input dialog with text (cancels it when text is null).
    static void answerInputDialog(const QString &text)
    {
        QTimer::singleShot(0, [text] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (text.isNull()) {
                dialog->reject();
                return;
            }
            dialog->setTextValue(text);
            dialog->accept();
        });
    }
    static void choose(QWidget *screen, const char *combo, const QString &shown)
    {
        auto *box = child<QComboBox>(screen, combo);
        const int index = box->findText(shown);
        ASSERT_GE(index, 0) << combo << " " << shown.toStdString();
        box->setCurrentIndex(index);
    }
};

TEST_P(FichePluviometreTest, TypedFieldsAreSavedAndReloaded)
{
    FichePluviometre screen;
    screen.resize(1366, 768);
    EXPECT_EQ(screen.property("plxScreenKey").toString(),
              QStringLiteral("FichePluviometre:nouveau"));
    // Panels need a saved station.
    child<QPushButton>(&screen, "CmdDonnees")->click();
    EXPECT_EQ(messages.takeLast(), QStringLiteral("ERREUR: Enregister le pluviomètre avant de "
                                                  "charger ces fonctionnalités"));

    type(&screen, "TxtNomSite", QStringLiteral("Istres - L'Étang"));
    type(&screen, "TxtIdentifiant", QStringLiteral("13047001"));
    type(&screen, "TxtDateCreation", QStringLiteral("01/02/1961"));
    type(&screen, "TxtX", QStringLiteral("4,98"));
    type(&screen, "TxtY", QStringLiteral("43.51"));
    type(&screen, "TxtZ", QStringLiteral("23"));
    type(&screen, "TxtSection", QStringLiteral("AB"));
    choose(&screen, "CboCommunes", QStringLiteral("Istres - 13"));
    choose(&screen, "cboPays", QStringLiteral("France"));
    choose(&screen, "cboContacts", QStringLiteral("Syndicat des eaux"));
    choose(&screen, "CboTypeProjection", QStringLiteral("WGS84"));
    QTest::keyClicks(child<QPlainTextEdit>(&screen, "TxtCommentaire"), QStringLiteral("Abri"));
    EXPECT_TRUE(screen.hasUnsavedChanges());

    // A date that does not read is refused before anything is written.
    type(&screen, "txtDateFermeture", QStringLiteral("31/02/2020"));
    EXPECT_FALSE(screen.declencheEnregistrer());
    EXPECT_TRUE(messages.takeLast().startsWith(QStringLiteral("ERREUR: La date de fermeture")));
    EXPECT_TRUE(rowsOf(QStringLiteral("PLUVIOMETRES")).isEmpty());
    type(&screen, "txtDateFermeture", QString());

    QSignalSpy saved(&screen, &FichePluviometre::stationSaved);
    ASSERT_TRUE(screen.declencheEnregistrer());
    EXPECT_EQ(messages.takeLast(), QStringLiteral("AIDE: Enregistrement de la fiche terminée."));
    EXPECT_EQ(screen.stationCode(), QStringLiteral("1"));
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(text(&screen, "TxtCodePluviometre"), QStringLiteral("1"));
    EXPECT_TRUE(child<QLabel>(&screen, "lblMaj")->text().endsWith(QStringLiteral(" par REF")));
    EXPECT_EQ(screen.windowTitle(), QStringLiteral("Fiche pluviomètre - 13047001"));
    EXPECT_EQ(screen.property("plxScreenKey").toString(), QStringLiteral("FichePluviometre:1"));
    EXPECT_FALSE(screen.hasUnsavedChanges());

    FichePluviometre reloaded;
    ASSERT_TRUE(reloaded.ChargementFichePluviometre(QStringLiteral("1")));
    EXPECT_EQ(text(&reloaded, "TxtNomSite"), QStringLiteral("Istres - L'Étang"));
    EXPECT_EQ(text(&reloaded, "TxtDateCreation"), QStringLiteral("01/02/1961"));
    EXPECT_EQ(text(&reloaded, "txtDateFermeture"), QString());
    EXPECT_EQ(text(&reloaded, "TxtX"), QStringLiteral("4,98"));
    EXPECT_EQ(text(&reloaded, "TxtY"), QStringLiteral("43,51"));
    EXPECT_EQ(text(&reloaded, "TxtSection"), QStringLiteral("AB"));
    EXPECT_EQ(child<QComboBox>(&reloaded, "CboCommunes")->currentText(),
              QStringLiteral("Istres - 13"));
    EXPECT_EQ(child<QComboBox>(&reloaded, "cboContacts")->currentText(),
              QStringLiteral("Syndicat des eaux"));
    EXPECT_EQ(child<QComboBox>(&reloaded, "CboTypeProjection")->currentText(),
              QStringLiteral("WGS84"));
    EXPECT_EQ(child<QPlainTextEdit>(&reloaded, "TxtCommentaire")->toPlainText(),
              QStringLiteral("Abri"));
    EXPECT_FALSE(reloaded.hasUnsavedChanges());

    // The favourite button toggles the user's row.
    auto *favourite = child<QPushButton>(&reloaded, "CmdFavori");
    EXPECT_FALSE(favourite->isChecked());
    favourite->click();
    EXPECT_TRUE(favourite->isChecked());
    EXPECT_EQ(rowsOf(QStringLiteral("UTILISATEURS_FAVORIS")),
              QStringList{QStringLiteral("REF|13047001|2")});

    // A second station may not take the identifier, whatever its case.
    FichePluviometre other;
    type(&other, "TxtNomSite", QStringLiteral("Doublon"));
    type(&other, "TxtIdentifiant", QStringLiteral("13047001"));
    EXPECT_FALSE(other.declencheEnregistrer());
    EXPECT_EQ(messages.takeLast(), QStringLiteral("AIDE: L'identifiant est déjà utilisé pour un "
                                                  "autre pluviomètre. \rMerci de le modifier."));
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES")).size(), 1);
    other.setNeighbourLookup({});
    messages.clear();
    answers.push_back(false); // closing with unsaved changes: do not save
    EXPECT_TRUE(other.close());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.value(0).startsWith(QStringLiteral("QUESTION: La fiche a été modifiée.")));

    QDir().mkpath(QStringLiteral("/tmp/shots"));
    screen.grab().save(QStringLiteral("/tmp/shots/fiche_pluviometre_%1.png").arg(GetParam()));
}

TEST_P(FichePluviometreTest, PreviousAndNextWalkTheStationsOrTheListGiven)
{
    seedStation(2, QStringLiteral("DEUX"));
    seedStation(5, QStringLiteral("CINQ"));
    seedStation(9, QStringLiteral("NEUF"));
    FichePluviometre screen;
    ASSERT_TRUE(screen.ChargementFichePluviometre(QStringLiteral("9")));
    child<QPushButton>(&screen, "CmdSuivant")->click();
    EXPECT_EQ(screen.stationCode(), QStringLiteral("2")); // wraps round
    child<QPushButton>(&screen, "CmdPrecedent")->click();
    EXPECT_EQ(screen.stationCode(), QStringLiteral("9"));

    screen.setNeighbourLookup([](const QString &code, int step) {
        return code == QLatin1String("9") && step > 0 ? QStringLiteral("5") : QString();
    });
    screen.loadNext();
    EXPECT_EQ(screen.stationCode(), QStringLiteral("5"));
    screen.loadNext();
    EXPECT_EQ(screen.stationCode(), QStringLiteral("5"));
    EXPECT_FALSE(screen.ChargementFichePluviometre(QStringLiteral("77")));
    EXPECT_EQ(messages.takeLast(), QStringLiteral("ERREUR: Impossible de charger la fiche."));
}

TEST_P(FichePluviometreTest, DeleteAsksThenClearsTheStation)
{
    seedStation(3, QStringLiteral("TROIS"));
    const QStringList before = rowsNaming(3);

    // Never saved: the question, then the screen closes and nothing is touched.
    {
        FichePluviometre fresh;
        fresh.show();
        type(&fresh, "TxtNomSite", QStringLiteral("Brouillon"));
        answers.push_back(true);
        fresh.DeclencheSupprimer();
        EXPECT_EQ(messages.takeLast(),
                  QStringLiteral("QUESTION: Etes vous sur de vouloir supprimer "
                                 "le pluviomètre Brouillon et toutes les mesures "
                                 "qu'il possède ?"));
        EXPECT_FALSE(fresh.isVisible());
        EXPECT_EQ(rowsNaming(3), before);
        EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES")).size(), 1);
    }

    FichePluviometre screen;
    ASSERT_TRUE(screen.ChargementFichePluviometre(QStringLiteral("3")));
    screen.show();
    answers.push_back(false);
    screen.DeclencheSupprimer();
    EXPECT_EQ(rowsNaming(3), before);
    EXPECT_TRUE(screen.isVisible());

    QSignalSpy deleted(&screen, &FichePluviometre::stationDeleted);
    answers.push_back(true);
    screen.DeclencheSupprimer();
    EXPECT_EQ(messages.takeLast(), QStringLiteral("AIDE: Le pluviomètre a été supprimé."));
    EXPECT_EQ(rowsNaming(3), QStringList{});
    ASSERT_EQ(deleted.count(), 1);
    EXPECT_EQ(deleted.at(0).at(0).toString(), QStringLiteral("3"));
    EXPECT_FALSE(screen.isVisible());
}

TEST_P(FichePluviometreTest, InsertGoesToTheCurrentGridWhichTheSaveWrites)
{
    seedStation(6, QStringLiteral("SIX"));
    exec(QStringLiteral("DELETE FROM EVENEMENTS_PLUVIO"));
    FichePluviometre screen;
    ASSERT_TRUE(screen.ChargementFichePluviometre(QStringLiteral("6")));
    screen.declencheInserer(); // the station tab has no grid
    EXPECT_TRUE(messages.takeLast().startsWith(QStringLiteral("AIDE: Choisissez l'onglet")));
    auto *tabs = child<QTabWidget>(&screen, "TabFiche");
    int interventions = -1;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == QLatin1String("Interventions"))
            interventions = i;
    }
    ASSERT_GE(interventions, 0);
    EXPECT_EQ(tabs->tabText(tabs->count() - 1), QStringLiteral("Historique"));
    tabs->setCurrentIndex(interventions);
    screen.declencheInserer();
    EXPECT_TRUE(screen.hasUnsavedChanges());
    ASSERT_TRUE(screen.declencheEnregistrer()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(screen.hasUnsavedChanges());
    EXPECT_EQ(rowsOf(QStringLiteral("EVENEMENTS_PLUVIO WHERE CodePluviometre=6")).size(), 1);
}

TEST_P(FichePluviometreTest, ReadOnlyWithoutTheRight)
{
    seedStation(4, QStringLiteral("QUATRE"));
    plx::session().isAdmin = false;
    plx::session().rights = {QStringLiteral("PLUVIO_DATA_CONSULT")};
    FichePluviometre screen;
    ASSERT_TRUE(screen.ChargementFichePluviometre(QStringLiteral("4")));
    EXPECT_FALSE(screen.isEditable());
    EXPECT_TRUE(child<QLineEdit>(&screen, "TxtNomSite")->isReadOnly());
    EXPECT_FALSE(child<QComboBox>(&screen, "CboCommunes")->isEnabled());
    EXPECT_TRUE(child<QPlainTextEdit>(&screen, "TxtCommentaire")->isReadOnly());
    EXPECT_FALSE(screen.declencheEnregistrer());
    EXPECT_TRUE(messages.takeLast().startsWith(QStringLiteral("ERREUR: Vous ne disposez pas")));
    screen.DeclencheSupprimer();
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES")).size(), 1);
    // The favourite is the user's own choice, open to readers.
    auto *favourite = child<QPushButton>(&screen, "CmdFavori");
    EXPECT_TRUE(favourite->isChecked());
    favourite->click();
    EXPECT_FALSE(favourite->isChecked());
    EXPECT_TRUE(rowsOf(QStringLiteral("UTILISATEURS_FAVORIS")).isEmpty());
}

TEST_P(FichePluviometreTest, TypedCodesWhenTheOptionAllowsThem)
{
    plx::setCurrentLogin(QStringLiteral("REF"));
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("ModifierCodeInterne"), QStringLiteral("OUI")));
    seedStation(2, QStringLiteral("DEUX"));
    FichePluviometre screen;
    EXPECT_FALSE(child<QPushButton>(&screen, "CmdModifierCode")->isHidden());

    // A new station: a refused entry stops the save, then the typed code is taken.
    type(&screen, "TxtNomSite", QStringLiteral("Nouvelle"));
    answerInputDialog(QStringLiteral("2"));
    EXPECT_FALSE(screen.declencheEnregistrer());
    EXPECT_EQ(messages.takeLast(), QStringLiteral("AIDE: Le code saisi existe déjà. Merci de "
                                                  "reessayer en saisissant un nouveau numéro."));
    answerInputDialog(QStringLiteral("70"));
    ASSERT_TRUE(screen.declencheEnregistrer());
    EXPECT_EQ(screen.stationCode(), QStringLiteral("70"));

    // The code change: cancelled, refused, then done.
    QSignalSpy changed(&screen, &FichePluviometre::codeChanged);
    answerInputDialog(QString());
    screen.changeCode();
    answerInputDialog(QStringLiteral("-3"));
    screen.changeCode();
    EXPECT_EQ(messages.takeLast(), QStringLiteral("AIDE: Le code saisi doit être positif. Merci de "
                                                  "reessayer."));
    EXPECT_EQ(changed.count(), 0);
    answerInputDialog(QStringLiteral("71"));
    screen.changeCode();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0), (QVariantList{QStringLiteral("70"), QStringLiteral("71")}));
    EXPECT_EQ(screen.stationCode(), QStringLiteral("71"));
    EXPECT_EQ(text(&screen, "TxtCodePluviometre"), QStringLiteral("71"));
    EXPECT_EQ(screen.property("plxScreenKey").toString(), QStringLiteral("FichePluviometre:71"));
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES_INFO_GEO")).size(), 2);
    EXPECT_EQ(rowsNaming(71), (QStringList{QStringLiteral("PLUVIOMETRES=1"),
                                           QStringLiteral("PLUVIOMETRES_INFO_GEO=1")}));
}

INSTANTIATE_TEST_SUITE_P(Engines, FichePluviometreTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
