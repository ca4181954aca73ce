#include "listetestdata.h"

#include "stations/listfilter.h"
#include "stations/savedlists.h"

#include <algorithm>
#include <vector>

namespace {

using plx::FilterRow;

std::vector<qint64> sorted(const QSet<qint64> &codes)
{
    std::vector<qint64> list(codes.begin(), codes.end());
    std::sort(list.begin(), list.end());
    return list;
}

class ListeFilterTest : public plxtest::ListeFixture
{
protected:
    static std::vector<qint64> selected(const std::vector<FilterRow> &rows)
    {
        const plx::ListSelection selection = plx::codesSelectedBy(plx::serializeFilter(rows), {});
        EXPECT_TRUE(selection.ok) << selection.error.toStdString();
        return sorted(selection.codes);
    }
};

} // namespace

// "Et" binds before "Ou"; text values with quotes and accents, numbers typed the French
// way, dates day first, emptiness tests on text that may be NULL.
TEST_P(ListeFilterTest, RowsSelectTheirStations)
{
    const FilterRow pau{{}, QStringLiteral("Commune"), QStringLiteral("="), QStringLiteral("pau")};
    const FilterRow high{QStringLiteral("Et"), QStringLiteral("Altitude"), QStringLiteral(">"),
                         QStringLiteral("1 000,5")};
    const FilterRow church{QStringLiteral("Ou"), QStringLiteral("Nom du site"),
                           QStringLiteral("contient"), QStringLiteral("'Égl")};
    EXPECT_EQ(selected({pau, high, church}), (std::vector<qint64>{3, 4}));
    // With "Ou" first, the "Et" still groups the last two: pau or (church and high).
    FilterRow orChurch = church;
    FilterRow andHigh = high;
    EXPECT_EQ(selected({pau, orChurch, andHigh}), (std::vector<qint64>{1, 4}));

    EXPECT_EQ(selected({{{}, QStringLiteral("Commune"), QStringLiteral("est vide"), {}}}),
              (std::vector<qint64>{2}));
    EXPECT_EQ(selected({{{}, QStringLiteral("Gestionnaire"), QStringLiteral("n'est pas vide"), {}},
                        {QStringLiteral("Et"), QStringLiteral("Identifiant"),
                         QStringLiteral("commence par"), QStringLiteral("id")}}),
              (std::vector<qint64>{1, 3}));
    EXPECT_EQ(
        selected(
            {{{}, QStringLiteral("Création"), QStringLiteral(">="), QStringLiteral("1/2/2000")}}),
        (std::vector<qint64>{1}));
    EXPECT_EQ(selected({{{}, QStringLiteral("Num"), QStringLiteral("<>"), QStringLiteral("3")},
                        {QStringLiteral("Et"), QStringLiteral("Gestionnaire"), QStringLiteral("="),
                         QStringLiteral("Régie A")}}),
              (std::vector<qint64>{1}));
    // A value that tries to close its quote stays a value.
    EXPECT_EQ(selected({{{},
                         QStringLiteral("Nom du site"),
                         QStringLiteral("="),
                         QStringLiteral("x' OR '1'='1")}}),
              std::vector<qint64>{});

    // The user's scope still applies.
    plx::session().hasStationScope = true;
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO UTILISATEURS_STATIONS (login, identifiant, "
                                   "typestation) VALUES ('LISTE', '4', 'PLUVIO')")));
    EXPECT_EQ(selected({pau}), std::vector<qint64>{4});
}

// Only the list's columns and the known operators reach the SQL; values must fit the field.
TEST_P(ListeFilterTest, BuilderRefusesWhatItCannotWriteSafely)
{
    const struct
    {
        FilterRow row;
        const char *error;
    } refused[] = {
        {{{},
          QStringLiteral("Nom; DROP TABLE PLUVIOMETRES"),
          QStringLiteral("="),
          QStringLiteral("1")},
         "Le champ"},
        {{{}, QStringLiteral("CodeCommune"), QStringLiteral("="), QStringLiteral("1")}, "Le champ"},
        {{{}, QStringLiteral("Commune"), QStringLiteral("LIKE"), QStringLiteral("a")},
         "L'opérateur"},
        {{{}, QStringLiteral("Commune"), QStringLiteral("= 1 OR 1 ="), QStringLiteral("a")},
         "L'opérateur"},
        {{{}, QStringLiteral("Altitude"), QStringLiteral(">"), QStringLiteral("1 OR 1=1")},
         "La valeur"},
        {{{}, QStringLiteral("Création"), QStringLiteral("<"), QStringLiteral("2000-01-01")},
         "La valeur"},
        {{{}, QStringLiteral("Altitude"), QStringLiteral("contient"), QStringLiteral("1")},
         "L'opérateur"},
    };
    for (const auto &[row, error] : refused) {
        const plx::FilterWhere where = plx::buildFilterWhere({row});
        EXPECT_FALSE(where.ok) << row.field.toStdString() << ' ' << row.op.toStdString();
        EXPECT_TRUE(where.error.startsWith(QString::fromUtf8(error))) << where.error.toStdString();
    }
    const FilterRow ok{{}, QStringLiteral("Commune"), QStringLiteral("="), QStringLiteral("a")};
    FilterRow badJoiner = ok;
    badJoiner.joiner = QStringLiteral("AND 1=1 OR");
    EXPECT_FALSE(plx::buildFilterWhere({ok, badJoiner}).ok);
    EXPECT_FALSE(plx::buildFilterWhere({}).ok);

    // Saving refuses the same rows and writes nothing.
    const plx::SavedListResult saved =
        plx::createSavedListFromFilter(QStringLiteral("Mauvaise"), {refused[0].row}, false);
    EXPECT_FALSE(saved.ok);
    const plx::RecordTable lists = plx::AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM Utilisateurs_Listes"));
    EXPECT_EQ(lists.at(0, 0).toLongLong(), 0);
}

// The stored text reads back as the same rows, whatever the value holds.
TEST(ListeFilterText, RoundTrip)
{
    const std::vector<FilterRow> rows = {
        {{},
         QStringLiteral("Commune"),
         QStringLiteral("contient"),
         QStringLiteral("a\tb\nc\\d 'e' \\t")},
        {QStringLiteral("Ou"), QStringLiteral("Commune"), QStringLiteral("est vide"), {}},
        {QStringLiteral("Et"), QStringLiteral("Nom du site"), QStringLiteral("="), QString()},
    };
    const auto back = plx::parseFilter(plx::serializeFilter(rows));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, rows);
    EXPECT_FALSE(plx::parseFilter(QStringLiteral("Commune = Pau")).has_value());
}

TEST(ListeFilterText, StoredQueryMustBeOneReadOnlySelect)
{
    for (const char *sql : {"SELECT CodePluviometre FROM PLUVIOMETRES",
                            "  select CodePluviometre from Pluviometres where Nom = 'DROP';  ",
                            "SELECT p.CodePluviometre FROM PLUVIOMETRES p WHERE p.Nom LIKE 'a%'"})
        EXPECT_TRUE(plx::isSingleReadOnlySelect(QString::fromUtf8(sql))) << sql;
    for (const char *sql :
         {"", "  ", "DELETE FROM PLUVIOMETRES", "SELECT 1; DELETE FROM PLUVIOMETRES",
          "SELECT CodePluviometre INTO copie FROM PLUVIOMETRES",
          "SELECT * FROM PLUVIOMETRES FOR UPDATE", "UPDATE PLUVIOMETRES SET Nom='x'",
          "WITH x AS (DELETE FROM PLUVIOMETRES RETURNING *) SELECT * FROM x",
          "/* SELECT */ DROP TABLE PLUVIOMETRES"})
        EXPECT_FALSE(plx::isSingleReadOnlySelect(QString::fromUtf8(sql))) << sql;
}

INSTANTIATE_TEST_SUITE_P(Engines, ListeFilterTest, PLX_ENGINES, PLX_ENGINE_NAME);
