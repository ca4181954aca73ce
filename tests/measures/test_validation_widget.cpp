#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "measures/widgets/validation.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/widgets/fichepluviometre.h"
#include "support/findchild.h"
#include "support/schemadatabasetest.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;
using plxtest::child;

namespace {

const QDate kFirstDay(2024, 1, 1);

class ValidationScreenTest : public plxtest::SchemaDatabaseTest
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
    }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(sql, &error))
            << sql.toStdString() << ": " << error.toStdString();
    }

    // Daily rainfall from 01/01/2024: day i holds i + 1 mm (effective rainfall 0.5 mm);
    // the first `validated` days are validated, day 6 is controlled.
    static void fillDaily(int days, int validated = 0)
    {
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("7"), false));
        ASSERT_TRUE(db.DebutTransaction());
        for (int i = 0; i < days; ++i) {
            const QString validite = i < validated ? QStringLiteral("'V'")
                                     : i == 6      ? QStringLiteral("'C'")
                                                   : QStringLiteral("Null");
            exec(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, PluieEfficace, "
                                "Validite, Continuite, ModeObtention) VALUES (%1, %2, %3, 0.5, "
                                "%4, 0, 'A')")
                     .arg(FormatDateSQL(formatDate(kFirstDay.addDays(i)), false),
                          FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber(i + 1), validite));
        }
        ASSERT_TRUE(db.FinTransaction(true));
    }

    std::unique_ptr<Validation> openScreen()
    {
        auto screen = std::make_unique<Validation>();
        screen->resize(1366, 768);
        screen->show();
        screen->initSite(QStringLiteral("7"));
        return screen;
    }

    static void load(Validation *screen, const QDate &from, const QDate &to)
    {
        child<QLineEdit>(screen, "TxtDateDebut")->setText(formatDate(from));
        child<QLineEdit>(screen, "txtDateFin")->setText(formatDate(to));
        child<QPushButton>(screen, "CmdChargement")->click();
    }

    static QString cell(Validation *screen, int row, int column)
    {
        return screen->model()->index(row, column).data().toString();
    }

    // Types into a cell through its editor and ends with Enter, as a user does.
    static void typeInCell(Validation *screen, int row, int column, const QString &text)
    {
        ValidationGrid *grid = screen->grid();
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(index));
        ASSERT_NE(editor, nullptr) << "no editor on " << row << "," << column;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the delegate commits on a queued call
    }

    static void clickRowHeader(Validation *screen, int row)
    {
        QHeaderView *header = screen->grid()->verticalHeader();
        const QPoint at(header->width() / 2,
                        header->sectionViewportPosition(row) + header->sectionSize(row) / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    static void clickCell(Validation *screen, int row, int column)
    {
        ValidationGrid *grid = screen->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(grid->model()->index(row, column)).center());
    }
};

// The station's header, history and window; a load puts the cursor after the last
// validated row, locks validated rows and styles controlled ones; the guards of the load.
TEST_P(ValidationScreenTest, InitialisesAndLoadsTheWindow)
{
    fillDaily(10, 3);
    auto screen = openScreen();
    auto *entete = child<QTableWidget>(screen.get(), "SprEntete");
    EXPECT_EQ(entete->item(0, 0)->text(), QStringLiteral("7"));
    EXPECT_EQ(entete->item(0, 1)->text(), QStringLiteral("13047/001"));
    EXPECT_EQ(entete->item(0, 2)->text(), QStringLiteral("Istres"));
    EXPECT_EQ(child<QLabel>(screen.get(), "lblHistorique")->text(),
              QStringLiteral("01/01/2024 - 10/01/2024"));
    EXPECT_EQ(child<QLabel>(screen.get(), "LblAnneeCalcul")->text(), QStringLiteral("(2024)"));
    const QDate today = QDate::currentDate();
    EXPECT_EQ(child<QLineEdit>(screen.get(), "TxtDateDebut")->text(),
              formatDate(today.addMonths(-3)));
    EXPECT_EQ(child<QLineEdit>(screen.get(), "txtDateFin")->text(), formatDate(today));
    // The file name drops the "/" later; the title keeps the identifier as typed.
    EXPECT_EQ(screen->exportTitle(), QStringLiteral("Validation_13047/001"));

    load(screen.get(), kFirstDay, kFirstDay.addDays(30));
    ASSERT_EQ(screen->model()->rowCount(), 10);
    EXPECT_EQ(child<QLabel>(screen.get(), "lblStatut")->text(),
              QStringLiteral("10 lignes chargées"));
    EXPECT_EQ(cell(screen.get(), 2, kDateColumn), QStringLiteral("03/01/2024"));
    EXPECT_EQ(cell(screen.get(), 2, kPluieColumn), QStringLiteral("3"));
    EXPECT_EQ(cell(screen.get(), 2, kPluieEfficaceColumn), QStringLiteral("0,5"));
    EXPECT_EQ(screen->model()->headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Param1"));
    EXPECT_TRUE(screen->grid()->isColumnHidden(kLoadedDateColumn));
    EXPECT_EQ(screen->grid()->currentIndex().row(), 3);
    EXPECT_EQ(screen->model()->lastValidatedRow(), 2);
    EXPECT_FALSE(screen->model()->flags(screen->model()->index(1, kPluieColumn)) &
                 Qt::ItemIsEditable);
    EXPECT_TRUE(screen->model()->flags(screen->model()->index(3, kPluieColumn)) &
                Qt::ItemIsEditable);
    const QModelIndex controlled = screen->model()->index(6, kPluieColumn);
    EXPECT_TRUE(controlled.data(Qt::BackgroundRole).isValid());
    EXPECT_NE(controlled.data(Qt::BackgroundRole),
              screen->model()->index(1, kPluieColumn).data(Qt::BackgroundRole));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();

    // Bad dates ask for them; a missing table says so and empties the grid.
    child<QLineEdit>(screen.get(), "txtDateFin")->setText(QStringLiteral("31/02/2024"));
    screen->chargementStation();
    EXPECT_EQ(messages.takeLast(),
              QStringLiteral("AIDE: Sélectionner un site et renseigner les dates de chargement"));
    screen->DeclencheApercu();
    EXPECT_EQ(messages.takeLast(),
              QStringLiteral("ERREUR: Renseigner les dates de début et de fin de chargement"));
    exec(QStringLiteral("DROP TABLE PLUVIO_7"));
    load(screen.get(), kFirstDay, kFirstDay.addDays(30));
    EXPECT_EQ(messages.takeLast(),
              QStringLiteral("ERREUR: La table de données pour ce site n'existe pas ou les dates "
                             "n'ont pas un format correct."));
    EXPECT_EQ(screen->model()->rowCount(), 0);
    screen->initSite(QStringLiteral("7"));
    EXPECT_FALSE(child<QLineEdit>(screen.get(), "TxtDateDebut")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(screen.get(), "CmdChargement")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(screen.get(), "cmdInsertion")->isEnabled());
}

// Typing: -3 as rainfall becomes 3 with its message, effective rainfall above rainfall is
// lowered, Enter moves down, "," or "." both read; the status line counts changed rows;
// retyping a value as it was changes nothing.
TEST_P(ValidationScreenTest, TypedValuesAreCheckedAndCounted)
{
    fillDaily(5);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(4));
    auto *changes = child<QLabel>(screen.get(), "lblModifications");
    EXPECT_EQ(changes->text(), QStringLiteral("Aucune ligne modifiée"));

    typeInCell(screen.get(), 0, kPluieColumn, QStringLiteral("-3"));
    EXPECT_EQ(messages,
              QStringList{QStringLiteral("ERREUR: La valeur de la pluie doit être positive.")});
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("3"));
    EXPECT_EQ(cell(screen.get(), 0, kObtentionColumn), QStringLiteral("M"));
    EXPECT_EQ(screen->grid()->currentIndex(), screen->model()->index(1, kPluieColumn));
    EXPECT_EQ(changes->text(), QStringLiteral("1 ligne modifiée"));

    messages.clear();
    typeInCell(screen.get(), 1, kPluieEfficaceColumn, QStringLiteral("4.5"));
    EXPECT_EQ(messages, QStringList{QStringLiteral(
                            "ERREUR: La valeur de pluie efficace doit être inférieure à la "
                            "valeur de la pluie.\rVotre saisie a été modifiée.")});
    EXPECT_EQ(cell(screen.get(), 1, kPluieEfficaceColumn), QStringLiteral("2"));
    typeInCell(screen.get(), 2, kEtpColumn, QStringLiteral("1,25"));
    EXPECT_EQ(cell(screen.get(), 2, kEtpColumn), QStringLiteral("1,25"));
    EXPECT_EQ(changes->text(), QStringLiteral("3 lignes modifiées"));
    EXPECT_TRUE(screen->isWindowModified());

    messages.clear();
    typeInCell(screen.get(), 3, kPluieColumn, QStringLiteral("4,0"));
    EXPECT_FALSE(screen->model()->row(3).dirty);
    EXPECT_EQ(changes->text(), QStringLiteral("3 lignes modifiées"));
    EXPECT_TRUE(messages.isEmpty());

    // Undo takes back the edits one by one, down to a clean grid.
    auto *undo = child<QPushButton>(screen.get(), "CmdAnnulerSaisie");
    for (int i = 0; i < 3; ++i)
        undo->click();
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("1"));
    EXPECT_EQ(changes->text(), QStringLiteral("Aucune ligne modifiée"));
    EXPECT_FALSE(undo->isEnabled());
    child<QPushButton>(screen.get(), "CmdRetablirSaisie")->click();
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("3"));
}

// The mark by clicks on the row header and the X key: one row at most, never a validated
// row; a click in the break column toggles "R" and so does Space.
TEST_P(ValidationScreenTest, MarkIsUniqueAndBreaksToggle)
{
    fillDaily(8, 2);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(7));
    ValidationModel *model = screen->model();

    clickRowHeader(screen.get(), 3);
    EXPECT_EQ(model->markRow(), 3);
    EXPECT_EQ(model->headerData(3, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("X"));
    clickRowHeader(screen.get(), 5);
    EXPECT_EQ(model->markRow(), 5);
    EXPECT_EQ(model->headerData(3, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral(" "));
    int marks = 0;
    for (int r = 0; r < model->rowCount(); ++r)
        marks += model->row(r).marked ? 1 : 0;
    EXPECT_EQ(marks, 1);
    clickRowHeader(screen.get(), 1); // validated: refused
    EXPECT_EQ(model->markRow(), 5);
    clickRowHeader(screen.get(), 5);
    EXPECT_EQ(model->markRow(), -1);
    screen->grid()->setCurrentIndex(model->index(4, kPluieColumn));
    QTest::keyClick(screen->grid(), Qt::Key_X);
    EXPECT_EQ(model->markRow(), 4);
    EXPECT_EQ(model->dirtyCount(), 0); // the mark is not a change of the data...
    EXPECT_TRUE(screen->hasUnsavedChanges()); // ...but leaving would drop the validation asked

    clickCell(screen.get(), 2, kRuptureColumn);
    EXPECT_EQ(cell(screen.get(), 2, kRuptureColumn), QStringLiteral("R"));
    EXPECT_EQ(cell(screen.get(), 2, kObtentionColumn), QStringLiteral("M"));
    screen->grid()->setCurrentIndex(model->index(2, kRuptureColumn));
    QTest::keyClick(screen->grid(), Qt::Key_Space);
    EXPECT_EQ(cell(screen.get(), 2, kRuptureColumn), QString());
    clickCell(screen.get(), 0, kRuptureColumn); // validated: locked
    EXPECT_EQ(cell(screen.get(), 0, kRuptureColumn), QString());
}

// A 3 x 4 block pasted over loaded rows and past the end: every value checked, one message
// box for the paste, one undo step for the whole block; copy gives the block back.
TEST_P(ValidationScreenTest, PasteIsCheckedAndUndoneAsOneStep)
{
    fillDaily(2);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(1));
    ValidationModel *model = screen->model();
    ValidationGrid *grid = screen->grid();

    grid->setCurrentIndex(model->index(1, kDateColumn));
    grid->pasteText(QStringLiteral("02/01/2024\t06:00:00\t7,5\t1\r\n"
                                   "03/01/2024\t06:00:00\t-2\t0,5\r\n"
                                   "04/01/2024\t06:00:00\t8.25\t\r\n"));
    ASSERT_EQ(model->rowCount(), 4);
    EXPECT_EQ(messages, QStringList{QStringLiteral(
                            "ERREUR: Ligne 3, Pluie : La valeur de la pluie doit être positive.")});
    EXPECT_EQ(cell(screen.get(), 1, kHeureColumn), QStringLiteral("06:00:00"));
    EXPECT_EQ(cell(screen.get(), 1, kPluieColumn), QStringLiteral("7,5"));
    EXPECT_EQ(cell(screen.get(), 1, kPluieEfficaceColumn), QStringLiteral("1"));
    EXPECT_EQ(cell(screen.get(), 2, kPluieColumn), QStringLiteral("2"));
    EXPECT_EQ(cell(screen.get(), 3, kDateColumn), QStringLiteral("04/01/2024"));
    EXPECT_EQ(cell(screen.get(), 3, kPluieColumn), QStringLiteral("8,25"));
    EXPECT_EQ(cell(screen.get(), 3, kPluieEfficaceColumn), QString());
    EXPECT_EQ(model->dirtyCount(), 3);
    EXPECT_EQ(model->undoStack()->count(), 1);

    grid->selectionModel()->select(
        QItemSelection(model->index(1, kDateColumn), model->index(2, kPluieColumn)),
        QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(grid->selectionText(),
              QStringLiteral("02/01/2024\t06:00:00\t7,5\n03/01/2024\t06:00:00\t2\n"));

    model->undoStack()->undo();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(cell(screen.get(), 1, kHeureColumn), QStringLiteral("00:00:00"));
    EXPECT_EQ(cell(screen.get(), 1, kPluieColumn), QStringLiteral("2"));
    EXPECT_EQ(cell(screen.get(), 1, kPluieEfficaceColumn), QStringLiteral("0,5"));
    EXPECT_EQ(model->dirtyCount(), 0);
    model->undoStack()->redo();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->dirtyCount(), 3);
}

// The keyboard alone: Ctrl+C / Ctrl+V through the clipboard, Delete clears the selected
// values, Ctrl+Z and Ctrl+Y undo and redo, Enter moves down without editing.
TEST_P(ValidationScreenTest, KeyboardDrivesTheGrid)
{
    fillDaily(4);
    exec(
        QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) VALUES (2, '', 'PLX')"));
    auto screen = openScreen();
    QApplication::setActiveWindow(screen.get());
    load(screen.get(), kFirstDay, kFirstDay.addDays(3));
    ValidationModel *model = screen->model();
    ValidationGrid *grid = screen->grid();
    grid->setFocus();

    grid->selectionModel()->select(
        QItemSelection(model->index(0, kPluieColumn), model->index(1, kPluieEfficaceColumn)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1\t0,5\n2\t0,5\n"));
    grid->selectionModel()->setCurrentIndex(model->index(2, kPluieColumn),
                                            QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(screen.get(), 2, kPluieColumn), QStringLiteral("1"));
    EXPECT_EQ(cell(screen.get(), 3, kPluieColumn), QStringLiteral("2"));
    EXPECT_EQ(model->dirtyCount(), 2);

    grid->selectionModel()->select(
        QItemSelection(model->index(0, kDateColumn), model->index(0, kEtpColumn)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(cell(screen.get(), 0, kDateColumn), QStringLiteral("01/01/2024")); // kept
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QString());
    EXPECT_EQ(cell(screen.get(), 0, kPluieEfficaceColumn), QString());
    EXPECT_EQ(model->dirtyCount(), 3);

    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("1"));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(screen.get(), 3, kPluieColumn), QStringLiteral("4"));
    EXPECT_EQ(model->dirtyCount(), 0);
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(cell(screen.get(), 3, kPluieColumn), QStringLiteral("2"));

    grid->selectionModel()->setCurrentIndex(model->index(1, kEtpColumn),
                                            QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), model->index(2, kEtpColumn));
    EXPECT_EQ(grid->indexWidget(grid->currentIndex()), nullptr); // no editor opened

    // Parameter 2 has no label: hidden, and a pasted pair lands under parameters 1 and 3.
    EXPECT_TRUE(grid->isColumnHidden(kValeur2Column));
    grid->selectionModel()->setCurrentIndex(model->index(0, kValeur1Column),
                                            QItemSelectionModel::ClearAndSelect);
    grid->pasteText(QStringLiteral("7\t9"));
    EXPECT_EQ(cell(screen.get(), 0, kValeur1Column), QStringLiteral("7"));
    EXPECT_EQ(cell(screen.get(), 0, kValeur2Column), QString());
    EXPECT_EQ(cell(screen.get(), 0, kValeur3Column), QStringLiteral("9"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// Save: an edited row and an inserted one are written and read back; a red row is refused
// with its message while the others are written; the mark validates up to its row and the
// reloaded window shows the validation; deletion asks, deletes and says so.
TEST_P(ValidationScreenTest, SavesValidatesAndDeletes)
{
    fillDaily(6);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(10));
    ValidationModel *model = screen->model();

    typeInCell(screen.get(), 1, kPluieColumn, QStringLiteral("12,5"));
    typeInCell(screen.get(), 2, kDateColumn, QStringLiteral("31/02/2024"));
    EXPECT_TRUE(model->row(2).red);
    child<QPushButton>(screen.get(), "cmdInsertion")->click();
    ASSERT_EQ(model->rowCount(), 7);
    EXPECT_EQ(screen->grid()->currentIndex(), model->index(6, kDateColumn));
    typeInCell(screen.get(), 6, kDateColumn, QStringLiteral("09/01/2024"));
    typeInCell(screen.get(), 6, kHeureColumn, QStringLiteral("08:00"));
    typeInCell(screen.get(), 6, kPluieColumn, QStringLiteral("0,2"));
    messages.clear();

    EXPECT_FALSE(screen->declencheEnregistrer());
    EXPECT_EQ(messages, QStringList{QStringLiteral(
                            "ERREUR: Certaines lignes ne sont pas saisies correctement (lignes "
                            "rouges). Merci de vérifier votre saisie afin de permettre "
                            "l'enregistrement.")});
    EXPECT_EQ(model->dirtyCount(), 1); // the red row only
    typeInCell(screen.get(), 2, kDateColumn, QStringLiteral("03/01/2024"));
    clickRowHeader(screen.get(), 3);
    messages.clear();
    EXPECT_TRUE(screen->declencheEnregistrer());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(model->dirtyCount(), 0);
    EXPECT_TRUE(child<QLabel>(screen.get(), "lblStatut")
                    ->text()
                    .startsWith(QStringLiteral("Enregistrement terminé")));

    // Reloaded from the table: values, validation up to the mark, the new row in order.
    ASSERT_EQ(model->rowCount(), 7);
    EXPECT_EQ(cell(screen.get(), 1, kPluieColumn), QStringLiteral("12,5"));
    EXPECT_EQ(cell(screen.get(), 1, kObtentionColumn), QStringLiteral("M"));
    EXPECT_EQ(cell(screen.get(), 6, kHeureColumn), QStringLiteral("08:00:00"));
    EXPECT_EQ(cell(screen.get(), 6, kPluieColumn), QStringLiteral("0,2"));
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(model->row(r).isValidated(), r <= 3) << r;
    EXPECT_EQ(model->markRow(), -1);
    EXPECT_EQ(screen->grid()->currentIndex().row(), 4);

    // Deletion: validated rows stay, the others go once the question is answered yes.
    screen->grid()->selectionModel()->select(
        QItemSelection(model->index(3, kDateColumn), model->index(5, kDateColumn)),
        QItemSelectionModel::ClearAndSelect);
    messages.clear();
    screen->DeclencheSupprimer(); // answered no
    EXPECT_EQ(model->rowCount(), 7);
    answers.push_back(true);
    screen->DeclencheSupprimer();
    EXPECT_EQ(messages,
              QStringList({QStringLiteral("QUESTION: Etes vous sûr de vouloir supprimer les "
                                          "valeurs sélectionnées ?"),
                           QStringLiteral("QUESTION: Etes vous sûr de vouloir supprimer les "
                                          "valeurs sélectionnées ?"),
                           QStringLiteral("AIDE: Suppression des valeurs effectuée.")}));
    EXPECT_EQ(model->rowCount(), 5);
    load(screen.get(), kFirstDay, kFirstDay.addDays(10));
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(cell(screen.get(), 4, kDateColumn), QStringLiteral("09/01/2024"));
}

// Previous / next follow the list's lookup; unsaved changes are asked about first, and
// the next station opens loaded when this one was.
TEST_P(ValidationScreenTest, NeighboursAskBeforeLeavingChanges)
{
    fillDaily(3);
    exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                        "VALUES (8, 'Miramas', '13063001')"));
    auto screen = openScreen();
    QStringList asked;
    screen->setNeighbourLookup([&](const QString &code, int step) {
        asked << code + QLatin1Char(':') + QString::number(step);
        return code == QLatin1String("7") ? QStringLiteral("8") : QStringLiteral("7");
    });
    load(screen.get(), kFirstDay, kFirstDay.addDays(2));
    typeInCell(screen.get(), 0, kPluieColumn, QStringLiteral("6"));
    messages.clear();
    child<QPushButton>(screen.get(), "CmdSuivant")->click(); // answered no
    EXPECT_EQ(messages, QStringList{QStringLiteral("QUESTION: Les données ont été modifiées. "
                                                   "Voulez-vous abandonner les modifications ?")});
    EXPECT_EQ(screen->stationCode(), QStringLiteral("7"));
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("6"));
    answers.push_back(true);
    child<QPushButton>(screen.get(), "CmdSuivant")->click();
    EXPECT_EQ(screen->stationCode(), QStringLiteral("8"));
    EXPECT_EQ(child<QTableWidget>(screen.get(), "SprEntete")->item(0, 2)->text(),
              QStringLiteral("Miramas"));
    EXPECT_FALSE(screen->hasUnsavedChanges());
    EXPECT_FALSE(child<QPushButton>(screen.get(), "CmdChargement")->isEnabled()); // no table
    child<QPushButton>(screen.get(), "CmdPrecedent")->click();
    EXPECT_EQ(screen->stationCode(), QStringLiteral("7"));
    EXPECT_EQ(asked,
              QStringList({QStringLiteral("7:1"), QStringLiteral("7:1"), QStringLiteral("8:-1")}));
}

// A save that fails half-way writes nothing and keeps every edit, with their history, for
// another try.
TEST_P(ValidationScreenTest, FailedSaveKeepsEveryEdit)
{
    fillDaily(3);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(2));
    typeInCell(screen.get(), 0, kPluieColumn, QStringLiteral("5"));
    typeInCell(screen.get(), 1, kEtpColumn, QStringLiteral("2"));
    exec(QStringLiteral("ALTER TABLE PLUVIO_7 RENAME COLUMN Etp TO EtpAncien"));
    messages.clear();
    EXPECT_FALSE(screen->declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ERREUR: L'enregistrement a échoué")))
        << messages[0].toStdString();
    EXPECT_EQ(screen->model()->dirtyCount(), 2);
    EXPECT_EQ(screen->model()->undoStack()->count(), 2);
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("5"));
    EXPECT_FALSE(screen->isBusy());
    EXPECT_TRUE(child<QPushButton>(screen.get(), "CmdEnregistrer")->isEnabled());
    const RecordTable stored = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT Pluie FROM PLUVIO_7 ORDER BY DateCreation"));
    ASSERT_TRUE(stored.ok());
    ASSERT_EQ(stored.rowCount(), 3);
    EXPECT_EQ(stored.text(0, 0).toDouble(), 1.0);
}

// Devalidation asks with "Non" as the default, clears the whole table and reloads; it
// needs the right to change data, as every editing action does.
TEST_P(ValidationScreenTest, DevalidationAndRights)
{
    fillDaily(5, 4);
    auto screen = openScreen();
    load(screen.get(), kFirstDay.addDays(2), kFirstDay.addDays(4));
    ASSERT_TRUE(screen->model()->row(0).isValidated());

    bool defaultNo = false;
    const MessageHandler recorder = setMessageHandler([&](MessageKind kind, const QString &text) {
        messages << messageTitle(kind) + QStringLiteral(": ") + text;
        defaultNo = questionDefaultsToNo();
        return true;
    });
    screen->DeclenchePoubelle();
    setMessageHandler(recorder);
    EXPECT_EQ(messages.takeFirst(),
              QStringLiteral("QUESTION: Etes vous sûr de vouloir dévalider tous les points ?"));
    EXPECT_TRUE(defaultNo);
    EXPECT_FALSE(questionDefaultsToNo());
    EXPECT_FALSE(screen->model()->row(0).isValidated());
    const RecordTable left = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM PLUVIO_7 WHERE Validite = 'V'"));
    ASSERT_TRUE(left.ok());
    EXPECT_EQ(left.text(0, 0).toInt(), 0);

    session().isAdmin = false; // no PLUVIO_DATA_MODIF
    Validation reader;
    reader.initSite(QStringLiteral("7"));
    load(&reader, kFirstDay, kFirstDay.addDays(4));
    EXPECT_FALSE(reader.model()->flags(reader.model()->index(0, kPluieColumn)) &
                 Qt::ItemIsEditable);
    EXPECT_FALSE(child<QPushButton>(&reader, "CmdEnregistrer")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&reader, "cmdInsertion")->isEnabled());
    reader.model()->toggleMark(1);
    EXPECT_EQ(reader.model()->markRow(), -1);
    messages.clear();
    reader.DeclenchePoubelle();
    EXPECT_EQ(messages, QStringList{QStringLiteral("ERREUR: Vous ne disposez pas des droits "
                                                   "nécessaires pour dévalider les données.")});
}

// Stopping a load keeps the grid as it was and the screen usable; closing during a load
// stops it first.
TEST_P(ValidationScreenTest, CancelledLoadKeepsTheScreenUsable)
{
    fillDaily(6);
    auto screen = openScreen();
    load(screen.get(), kFirstDay, kFirstDay.addDays(1));
    ASSERT_EQ(screen->model()->rowCount(), 2);
    typeInCell(screen.get(), 0, kPluieColumn, QStringLiteral("9"));

    bool disabledMeanwhile = false;
    QTimer::singleShot(0, screen.get(), [&] {
        disabledMeanwhile = screen->isBusy() &&
                            !child<QPushButton>(screen.get(), "CmdChargement")->isEnabled() &&
                            !child<QPushButton>(screen.get(), "CmdEnregistrer")->isEnabled();
        child<QPushButton>(screen.get(), "CmdAnnulerChargement")->click();
    });
    answers.push_back(true); // abandon the edit to load another window
    load(screen.get(), kFirstDay, kFirstDay.addDays(5));
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_FALSE(screen->isBusy());
    EXPECT_EQ(screen->model()->rowCount(), 2);
    EXPECT_EQ(cell(screen.get(), 0, kPluieColumn), QStringLiteral("9"));
    EXPECT_TRUE(child<QPushButton>(screen.get(), "CmdChargement")->isEnabled());
    EXPECT_FALSE(child<QProgressBar>(screen.get(), "PrgAvancement")->isVisible());

    answers.push_back(true);
    load(screen.get(), kFirstDay, kFirstDay.addDays(5));
    EXPECT_EQ(screen->model()->rowCount(), 6);

    // Closing while loading: the load stops, then the screen closes.
    QTimer::singleShot(0, screen.get(), [&] { screen->close(); });
    load(screen.get(), kFirstDay, kFirstDay.addDays(5));
    EXPECT_FALSE(screen->isVisible());
}

// The record's "Données" button opens the editor on its station, loaded, and the export
// writes the workbook.
TEST_P(ValidationScreenTest, RecordOpensTheEditorAndGridExports)
{
    fillDaily(3);
    exec(QStringLiteral("UPDATE PLUVIO_7 SET DateCreation = %1")
             .arg(FormatDateSQL(formatDate(QDate::currentDate().addDays(-1)), false)) +
         QStringLiteral(" WHERE Pluie = 1"));
    FichePluviometre record;
    ASSERT_TRUE(record.ChargementFichePluviometre(QStringLiteral("7")));
    child<QPushButton>(&record, "CmdDonnees")->click();
    Validation *editor = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<Validation *>(top))
            editor = found;
    }
    ASSERT_NE(editor, nullptr) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(editor->stationCode(), QStringLiteral("7"));
    EXPECT_EQ(editor->model()->rowCount(), 1); // the last three months
    const plx::XlsxGrid exported = editor->exportGrid();
    EXPECT_EQ(exported.title, QStringLiteral("Validation_") + editor->exportTitle().mid(11));
    ASSERT_EQ(exported.rows.size(), 1u);
    EXPECT_EQ(exported.headings.first(), QStringLiteral("Date"));
    EXPECT_EQ(exported.headings.last(), QStringLiteral("Validité"));
    EXPECT_EQ(exported.rows[0][0].typeId(), QMetaType::QDate);
    bool previewed = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *preview = QApplication::activeModalWidget()) {
            previewed = true;
            preview->close();
        }
    });
    editor->DeclencheApercu();
    EXPECT_TRUE(previewed);
    editor->close();
}

INSTANTIATE_TEST_SUITE_P(Engines, ValidationScreenTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
