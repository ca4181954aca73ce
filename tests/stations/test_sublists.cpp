#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "stations/sublists.h"
#include "stations/sublistvalues.h"
#include "sublisttestsql.h"
#include "support/schemadatabasetest.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <memory>

using namespace plx;

namespace {

AccesBase &db()
{
    return AccesBase::instance();
}

using plxtest::run;

QStringList rowsOf(const char *sql)
{
    return plxtest::rowsOf(sql, QStringLiteral("dd/MM/yyyy HH:mm"));
}

// Sets a cell of a loaded row as the grid does: typed text, or a code.
void setCell(SubListRows &rows, int row, const char *column, const QVariant &value)
{
    const int at = rows.columnIndex(QString::fromLatin1(column));
    ASSERT_GE(at, 0) << column;
    rows.rows[size_t(row)].cells[size_t(at)] = value;
}

class SubListsTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        run("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (5, 'Aix')");
        run("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (6, 'Arles')");
        run("INSERT INTO RESEAUX (CodeReseau, Libelle) VALUES (1, 'Climatologique')");
        run("INSERT INTO RESEAUX (CodeReseau, Libelle) VALUES (2, 'Historique')");
        run("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
            "('PIEZOMETRES.TYPEPROJECTION', 16, 'Lambert II étendu')");
        run("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
            "('PIEZOMETRES.TYPEPROJECTION', 31, 'WGS84')");
    }

    static SubListRows load(SubListTab tab, const QString &code)
    {
        const SubListLoad loaded = loadSubList(db(), subListDescription(tab), code);
        EXPECT_TRUE(loaded.ok) << loaded.error.toStdString();
        return loaded.rows;
    }
    static QString save(SubListTab tab, const QString &code, const SubListRows &rows)
    {
        const SubListDescription &d = subListDescription(tab);
        return saveSubList(db(), d, code, rows, loadSubListChoices(db(), d));
    }
};

} // namespace

// Networks: rows added and edited in memory are written for station 5 only; a typed date
// and a chosen code read back as values; another station's rows are untouched.
TEST_P(SubListsTest, SaveReplacesOnlyTheStationsRows)
{
    run("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau, DateDebut) "
        "VALUES (6, 2, #01/31/1950#)");
    run("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau, DateDebut) "
        "VALUES (5, 2, #01/31/1950#)");
    const SubListDescription &d = subListDescription(SubListTab::Reseaux);
    SubListRows rows = load(SubListTab::Reseaux, QStringLiteral("5"));
    ASSERT_EQ(rows.rows.size(), 1u);
    setCell(rows, 0, "DateFin", QStringLiteral("31/12/1999"));
    rows.rows.push_back(rows.emptyRow(d, QStringLiteral("5")));
    setCell(rows, 1, "CodeReseau", qlonglong(1));
    setCell(rows, 1, "DateDebut", QStringLiteral(" 1/1/2000 "));
    EXPECT_EQ(save(SubListTab::Reseaux, QStringLiteral("5"), rows), QString());
    EXPECT_EQ(rowsOf("SELECT CodePluviometre, CodeReseau, DateDebut, DateFin FROM "
                     "LIEN_PLUVIO_RESEAUX ORDER BY CodePluviometre, DateDebut"),
              (QStringList{"5|2|31/01/1950 00:00|31/12/1999 00:00", "5|1|01/01/2000 00:00|",
                           "6|2|31/01/1950 00:00|"}));

    // Reloaded, saved without a change: the same rows (nothing doubled, nothing lost).
    rows = load(SubListTab::Reseaux, QStringLiteral("5"));
    EXPECT_EQ(save(SubListTab::Reseaux, QStringLiteral("5"), rows), QString());
    EXPECT_EQ(rowsOf("SELECT count(*) FROM LIEN_PLUVIO_RESEAUX WHERE CodePluviometre=5"),
              QStringList{"2"});
}

// A station that was never saved has no rows and refuses a save with the fixed message.
TEST_P(SubListsTest, NothingIsWrittenBeforeTheStationExists)
{
    SubListRows rows = load(SubListTab::Reseaux, QString());
    EXPECT_TRUE(rows.rows.empty());
    EXPECT_GE(rows.columnIndex(QStringLiteral("CodeReseau")), 0); // columns known all the same
    rows.rows.push_back(rows.emptyRow(subListDescription(SubListTab::Reseaux), QString()));
    setCell(rows, 0, "CodeReseau", qlonglong(1));
    EXPECT_EQ(save(SubListTab::Reseaux, QString(), rows),
              QStringLiteral("Vous devez d'abord enregistrer le pluviomètre afin de le créer "
                             "(icone disquette dans la barre du haut)."));
    EXPECT_EQ(rowsOf("SELECT count(*) FROM LIEN_PLUVIO_RESEAUX"), QStringList{"0"});
}

// The second insert breaks a unique index: the delete and the first insert are rolled
// back, the table is as before and the reason is given.
TEST_P(SubListsTest, FailingInsertLeavesTheTableAsBefore)
{
    run("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau) VALUES (5, 2)");
    run("CREATE UNIQUE INDEX UX_TEST_RESEAUX ON LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau)");
    SubListRows rows = load(SubListTab::Reseaux, QStringLiteral("5"));
    const SubListDescription &d = subListDescription(SubListTab::Reseaux);
    for (int i = 0; i < 2; ++i) {
        rows.rows.push_back(rows.emptyRow(d, QStringLiteral("5")));
        setCell(rows, i + 1, "CodeReseau", qlonglong(1));
    }
    const QString error = save(SubListTab::Reseaux, QStringLiteral("5"), rows);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Réseaux : l'enregistrement a échoué, rien n'a "
                                                "été modifié")))
        << error.toStdString();
    EXPECT_EQ(rowsOf("SELECT CodePluviometre, CodeReseau FROM LIEN_PLUVIO_RESEAUX"),
              QStringList{"5|2"});
    EXPECT_FALSE(db().inTransaction());
}

// Rows changed by someone else since the load are not replaced: the save stops and says so.
TEST_P(SubListsTest, RowsChangedMeanwhileAreNotReplaced)
{
    run("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau) VALUES (5, 2)");
    SubListRows rows = load(SubListTab::Reseaux, QStringLiteral("5"));
    setCell(rows, 0, "CodeReseau", qlonglong(1));
    run("UPDATE LIEN_PLUVIO_RESEAUX SET DateDebut = #01/31/1950# WHERE CodePluviometre=5");
    EXPECT_EQ(save(SubListTab::Reseaux, QStringLiteral("5"), rows),
              QStringLiteral("Réseaux : ces informations ont été modifiées par un autre "
                             "utilisateur depuis leur chargement. Rechargez la fiche, puis "
                             "refaites vos modifications."));
    EXPECT_EQ(rowsOf("SELECT CodeReseau, DateDebut FROM LIEN_PLUVIO_RESEAUX"),
              QStringList{"2|31/01/1950 00:00"});
}

// Interventions: the ~40 columns the grid does not show are written back as loaded (yes/no
// columns included, which PostgreSQL types as boolean); numbers are kept; a new one takes
// the highest number + 1; edited and new ones are stamped with the login; the actions of a
// removed intervention go with it.
TEST_P(SubListsTest, InterventionsKeepHiddenColumnsAndNumbers)
{
    run("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement, heureEvenement, "
        "Commentaires, Graphique, params, valeurCalee, downloadData, majFirmware, dateMaj, "
        "loginMaj, dateRemplacementPileCapteur, codeCampagne) VALUES (5, 1, #03/05/2024#, "
        "#12/30/1899 07:30:00#, 'visite', 'O', 'p=1;q=''2''', 1.5, true, false, "
        "#03/06/2024 10:15:00#, 'JD', #02/01/2024#, 7)");
    run("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement, loginMaj, "
        "testTransmission) VALUES (5, 2, #03/20/2024#, 'JD', true)");
    run("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement) "
        "VALUES (5, 4, #04/01/2024#)");
    run("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement) "
        "VALUES (6, 9, #04/01/2024#)");
    for (const char *sql : {"INSERT INTO EVT_PLUVIO_ACTIONS (codePluvio, numero, idAction) "
                            "VALUES (5, 1, 1)",
                            "INSERT INTO EVT_PLUVIO_ACTIONS (codePluvio, numero, idAction) "
                            "VALUES (5, 4, 1)",
                            "INSERT INTO EVT_PLUVIO_ACTIONS (codePluvio, numero, idAction) "
                            "VALUES (6, 4, 1)"})
        run(sql);
    const char *hidden = "SELECT Numero, DateEvenement, heureEvenement, Commentaires, Graphique, "
                         "params, valeurCalee, downloadData, majFirmware, dateMaj, loginMaj, "
                         "dateRemplacementPileCapteur, codeCampagne, testTransmission FROM "
                         "EVENEMENTS_PLUVIO WHERE CodePluviometre=5 AND Numero=1";
    const QStringList before = rowsOf(hidden);

    const SubListDescription &d = subListDescription(SubListTab::Interventions);
    SubListRows rows = load(SubListTab::Interventions, QStringLiteral("5"));
    ASSERT_EQ(rows.rows.size(), 3u);
    rows.rows.pop_back(); // intervention 4 removed in the grid
    EXPECT_EQ(nextSubListNumber(db(), d, QStringLiteral("5"), rows), 5);
    setCell(rows, 1, "NC", QStringLiteral("2,5"));
    rows.rows.push_back(rows.emptyRow(d, QStringLiteral("5")));
    setCell(rows, 2, "Numero", nextSubListNumber(db(), d, QStringLiteral("5"), rows));
    setCell(rows, 2, "DateEvenement", QStringLiteral("02/05/2024"));
    setCell(rows, 2, "heureEvenement", QStringLiteral("8:05"));
    setCell(rows, 2, "ChgtPiles", QStringLiteral("O"));
    ASSERT_EQ(save(SubListTab::Interventions, QStringLiteral("5"), rows), QString());

    EXPECT_EQ(rowsOf(hidden), before);
    EXPECT_EQ(
        rowsOf("SELECT Numero, NC, ChgtPiles, heureEvenement, loginMaj, testTransmission "
               "FROM EVENEMENTS_PLUVIO WHERE CodePluviometre=5 ORDER BY Numero"),
        (QStringList{"1|||30/12/1899 07:30|JD|", "2|2.5|||REF|1", "5||O|30/12/1899 08:05|REF|"}));
    EXPECT_EQ(rowsOf("SELECT count(*) FROM EVENEMENTS_PLUVIO WHERE Numero=2 AND dateMaj > "
                     "#01/01/2025#"),
              QStringList{"1"});
    EXPECT_EQ(rowsOf("SELECT codePluvio, numero FROM EVT_PLUVIO_ACTIONS ORDER BY codePluvio"),
              (QStringList{"5|1", "6|4"}));
    EXPECT_EQ(rowsOf("SELECT Numero FROM EVENEMENTS_PLUVIO WHERE CodePluviometre=6"),
              QStringList{"9"});
}

// Each check names the tab and the row; nothing is written while one fails.
TEST_P(SubListsTest, RowChecks)
{
    struct Case
    {
        SubListTab tab;
        std::vector<std::vector<std::pair<const char *, QVariant>>> rows;
        QString expected;
    };
    const std::vector<Case> cases{
        {SubListTab::Reseaux,
         {{{"CodeReseau", qlonglong(1)}, {"DateDebut", QStringLiteral("31/02/2024")}}},
         QStringLiteral("Réseaux, ligne 1, colonne « Début » : « 31/02/2024 » n'est pas "
                        "une date valide (jj/mm/aaaa).")},
        {SubListTab::Reseaux,
         {{{"CodeReseau", qlonglong(1)}},
          {{"CodeReseau", qlonglong(2)},
           {"DateDebut", QStringLiteral("02/01/2024")},
           {"DateFin", QStringLiteral("01/01/2024")}}},
         QStringLiteral("Réseaux, ligne 2 : la date « 01/01/2024 » (Fin) est antérieure à la "
                        "date « 02/01/2024 » (Début).")},
        {SubListTab::Reseaux,
         {{{"CodeReseau", qlonglong(3)}}},
         QStringLiteral("Réseaux, ligne 1 : le code 3 n'existe pas dans la liste « Réseau ».")},
        {SubListTab::Reseaux,
         {{{"DateDebut", QStringLiteral("02/01/2024")}}},
         QStringLiteral("Réseaux, ligne 1 : la colonne « Réseau » doit être renseignée.")},
        {SubListTab::Localisations,
         {{{"CodeProjection", qlonglong(16)}, {"X", QStringLiteral("12,5")}},
          {{"CodeProjection", qlonglong(31)}, {"X", QStringLiteral("5.25")}},
          {{"CodeProjection", qlonglong(16)}}},
         QStringLiteral("Localisations, ligne 3 : « Lambert II étendu » figure déjà sur une "
                        "autre ligne (une seule ligne par projection).")},
        {SubListTab::Localisations,
         {{{"CodeProjection", qlonglong(16)}, {"Z", QStringLiteral("12a")}}},
         QStringLiteral("Localisations, ligne 1, colonne « Z » : « 12a » n'est pas un nombre.")},
        {SubListTab::Normales,
         {{{"Mois", qlonglong(1)}}, {{"Mois", qlonglong(2)}}, {{"Mois", qlonglong(1)}}},
         QStringLiteral("Normales, ligne 3 : « Janvier » figure déjà sur une autre ligne (une "
                        "seule ligne par mois).")},
        {SubListTab::Normales,
         {{{"Mois", qlonglong(13)}}},
         QStringLiteral("Normales, ligne 1 : le code 13 n'existe pas dans la liste « Mois ».")},
        {SubListTab::Documents,
         {{{"CodeDocument", qlonglong(1)},
           {"Emplacement", QStringLiteral("/tmp/a.pdf")},
           {"MotCle", QString(25, QLatin1Char('x'))}}},
         QStringLiteral("Documents, ligne 1, colonne « Mot clé » : « %1 » dépasse 24 caractères.")
             .arg(QString(25, QLatin1Char('x')))},
        {SubListTab::Interventions,
         {{{"Numero", qlonglong(1)},
           {"DateEvenement", QStringLiteral("02/05/2024")},
           {"heureEvenement", QStringLiteral("25:00")}}},
         QStringLiteral("Interventions, ligne 1, colonne « Heure » : « 25:00 » n'est pas une "
                        "heure valide (hh:mm:ss).")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        const SubListDescription &d = subListDescription(c.tab);
        SubListRows rows = load(c.tab, QStringLiteral("5"));
        for (const auto &cells : c.rows) {
            rows.rows.push_back(rows.emptyRow(d, QStringLiteral("5")));
            for (const auto &[column, value] : cells)
                setCell(rows, int(rows.rows.size()) - 1, column, value);
        }
        EXPECT_EQ(save(c.tab, QStringLiteral("5"), rows), c.expected);
        EXPECT_TRUE(load(c.tab, QStringLiteral("5")).rows.empty());
    }
}

// A code missing from its list is kept when it was loaded so (the demo's manager role has no
// list entry) but cannot be chosen anew.
TEST_P(SubListsTest, LoadedCodesOutsideTheirListAreKept)
{
    run("INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (3, 'Météo-France')");
    run("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, TypeIntervenant)"
        " VALUES (5, 3, 0)");
    SubListRows rows = load(SubListTab::Intervenants, QStringLiteral("5"));
    EXPECT_EQ(save(SubListTab::Intervenants, QStringLiteral("5"), rows), QString());
    setCell(rows, 0, "TypeIntervenant", qlonglong(1));
    EXPECT_EQ(
        save(SubListTab::Intervenants, QStringLiteral("5"), rows),
        QStringLiteral("Intervenants, ligne 1 : le code 1 n'existe pas dans la liste « Rôle »."));
    EXPECT_EQ(rowsOf("SELECT CodeIntervenant, TypeIntervenant FROM LIEN_PLUVIO_INTERVENANTS"),
              QStringList{"3|0"});
}

// The normals' title lives in the row Mois = -1, apart from the month rows; an emptied title
// removes that row.
TEST_P(SubListsTest, NormalsTitleRow)
{
    run("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) VALUES (5, -1, "
        "'1991-2020')");
    run("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur) VALUES (5, 1, 60.5)");
    const SubListDescription &d = subListDescription(SubListTab::Normales);
    SubListRows rows = load(SubListTab::Normales, QStringLiteral("5"));
    ASSERT_EQ(rows.rows.size(), 1u);
    const int titre = rows.columnIndex(QStringLiteral("Titre"));
    ASSERT_FALSE(rows.title.cells.empty());
    EXPECT_EQ(rows.title.cells[size_t(titre)].toString(), QStringLiteral("1991-2020"));
    rows.title.cells[size_t(titre)] = QStringLiteral("Normales 1981-2010");
    rows.rows.push_back(rows.emptyRow(d, QStringLiteral("5")));
    setCell(rows, 1, "Mois", qlonglong(2));
    setCell(rows, 1, "etp", QStringLiteral("12,25"));
    ASSERT_EQ(save(SubListTab::Normales, QStringLiteral("5"), rows), QString());
    EXPECT_EQ(rowsOf("SELECT Mois, Valeur, Titre, etp FROM PLUVIOMETRE_NORMALES ORDER BY Mois"),
              (QStringList{"-1||Normales 1981-2010|", "1|60.5||", "2|||12.25"}));

    rows = load(SubListTab::Normales, QStringLiteral("5"));
    rows.title.cells[size_t(titre)] = QString();
    ASSERT_EQ(save(SubListTab::Normales, QStringLiteral("5"), rows), QString());
    EXPECT_EQ(rowsOf("SELECT Mois FROM PLUVIOMETRE_NORMALES ORDER BY Mois"),
              (QStringList{"1", "2"}));
}

SubListColumn cellColumn(SubListKind kind, int maxLength = 0)
{
    SubListColumn column;
    column.name = column.heading = QStringLiteral("C");
    column.kind = kind;
    column.maxLength = maxLength;
    return column;
}

// Cell values: what is typed converts, what cannot is refused with a reason, a quote in a
// text cannot change the statement.
TEST(SubListValues, Literals)
{
    const SubListColumn number = cellColumn(SubListKind::Number);
    QString problem;
    EXPECT_EQ(subListLiteral(&number, QStringLiteral("1 234,5"), &problem),
              QStringLiteral("1234.5"));
    EXPECT_EQ(subListLiteral(&number, QStringLiteral("  "), &problem), QStringLiteral("NULL"));
    EXPECT_EQ(subListLiteral(&number, QStringLiteral("1,2,3"), &problem), QString());
    EXPECT_EQ(problem, QStringLiteral("n'est pas un nombre"));
    const SubListColumn text = cellColumn(SubListKind::Text, 10);
    EXPECT_EQ(subListLiteral(&text, QStringLiteral("l'eau"), &problem), QStringLiteral("'l''eau'"));
    const SubListColumn code = cellColumn(SubListKind::Choice);
    EXPECT_EQ(subListLiteral(&code, 2.5, &problem), QString());
    EXPECT_EQ(problem, QStringLiteral("n'est pas un code entier"));
    const SubListColumn flag = cellColumn(SubListKind::Flag);
    EXPECT_TRUE(subListCellChecked(QStringLiteral("o")));
    EXPECT_TRUE(subListCellChecked(qlonglong(-1)));
    EXPECT_FALSE(subListCellChecked(QStringLiteral("N")));
    EXPECT_EQ(subListCheckedValue(flag, true), QVariant(QStringLiteral("O")));
    // Unknown columns go back as read; a date before 1800 cannot be written and says so.
    EXPECT_EQ(subListLiteral(nullptr, QStringLiteral("a'b"), &problem), QStringLiteral("'a''b'"));
    EXPECT_EQ(subListLiteral(nullptr, QVariant(), &problem), QStringLiteral("NULL"));
    const SubListColumn date = cellColumn(SubListKind::Date);
    EXPECT_EQ(subListLiteral(&date, QDateTime(QDate(1700, 1, 1), QTime(0, 0), Qt::UTC), &problem),
              QString());
    EXPECT_FALSE(problem.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, SubListsTest, PLX_ENGINES, PLX_ENGINE_NAME);
