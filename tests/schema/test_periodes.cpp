#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "schema/periodes.h"
#include "schema/schemacatalog.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace plx;

namespace {

const PeriodeRow *rowOf(const std::vector<PeriodeRow> &rows, const char *jour)
{
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const PeriodeRow &row) {
        return row.jour == QLatin1String(jour);
    });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace

TEST(PeriodesCalendar, ValueForms)
{
    const std::vector<PeriodeRow> rows = computePeriodes(QStringLiteral("09"));
    ASSERT_EQ(rows.size(), 366u);
    EXPECT_EQ(rows.front().jour, QStringLiteral("01/01/"));
    EXPECT_EQ(rows.back().jour, QStringLiteral("31/12/"));
    ASSERT_NE(rowOf(rows, "29/02/"), nullptr);

    const struct
    {
        const char *jour, *decade, *mois, *trimestre;
    } cases[] = {
        {"01/01/", "05/01/", "15/01/", "15/02/"}, {"10/03/", "05/03/", "15/03/", "15/02/"},
        {"11/03/", "15/03/", "15/03/", "15/02/"}, {"20/03/", "15/03/", "15/03/", "15/02/"},
        {"21/03/", "25/03/", "15/03/", "15/02/"}, {"31/03/", "25/03/", "15/03/", "15/02/"},
        {"29/02/", "25/02/", "15/02/", "15/02/"}, {"01/04/", "05/04/", "15/04/", "15/05/"},
        {"30/09/", "25/09/", "15/09/", "15/08/"}, {"31/12/", "25/12/", "15/12/", "15/11/"},
    };
    for (const auto &c : cases) {
        const PeriodeRow *row = rowOf(rows, c.jour);
        ASSERT_NE(row, nullptr) << c.jour;
        EXPECT_EQ(row->decade, QLatin1String(c.decade)) << c.jour;
        EXPECT_EQ(row->mois, QLatin1String(c.mois)) << c.jour;
        EXPECT_EQ(row->trimestre, QLatin1String(c.trimestre)) << c.jour;
        EXPECT_EQ(row->annee, QStringLiteral("01/07/"));
    }
    const PeriodeRow *march10 = rowOf(rows, "10/03/");
    EXPECT_EQ(march10->jourInverse, QStringLiteral("/03/10"));
    EXPECT_EQ(march10->decadeInverse, QStringLiteral("/03/05"));
    EXPECT_EQ(march10->trimestreInverse, QStringLiteral("/02/15"));
    EXPECT_EQ(march10->anneeInverse, QStringLiteral("/07/01"));
    // Hydro_inverse is the exception: "MM/DD/".
    EXPECT_EQ(march10->hydroInverse, QStringLiteral("01/01/"));
    EXPECT_EQ(rowOf(rows, "01/09/")->hydroInverse, QStringLiteral("02/01/"));

    // The inverse column sorts by date.
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LT(rows[i - 1].jourInverse, rows[i].jourInverse) << rows[i].jour.toStdString();
}

TEST(PeriodesCalendar, HydrologicalStartMonth)
{
    const struct
    {
        const char *month, *lastFirstHalf, *firstSecondHalf;
    } cases[] = {
        {"09", "31/08/", "01/09/"}, {"10", "30/09/", "01/10/"}, {"12", "30/11/", "01/12/"}};
    for (const auto &c : cases) {
        const std::vector<PeriodeRow> rows = computePeriodes(QLatin1String(c.month));
        EXPECT_EQ(rowOf(rows, c.lastFirstHalf)->hydro, QStringLiteral("01/01/")) << c.month;
        EXPECT_EQ(rowOf(rows, c.firstSecondHalf)->hydro, QStringLiteral("01/02/")) << c.month;
        EXPECT_EQ(rowOf(rows, "01/01/")->hydro, QStringLiteral("01/01/")) << c.month;
        EXPECT_EQ(rowOf(rows, "31/12/")->hydro, QStringLiteral("01/02/")) << c.month;
    }
    for (const PeriodeRow &row : computePeriodes(QStringLiteral("01"))) {
        EXPECT_EQ(row.hydro, QStringLiteral("01/02/"));
        EXPECT_EQ(row.hydroInverse, QStringLiteral("02/01/"));
    }

    const struct
    {
        const char *in, *out;
    } months[] = {{"09", "09"},  {"9", "09"},   {" 10 ", "10"}, {"01", "01"},
                  {"12", "12"},  {"13", "09"},  {"0", "09"},    {"", "09"},
                  {"abc", "09"}, {"1.5", "09"}, {"-3", "09"}};
    for (const auto &m : months)
        EXPECT_EQ(normaliseHydroMonth(QLatin1String(m.in)), QLatin1String(m.out)) << m.in;
}

namespace {

class PeriodesTable : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect(db));
        m_kind = std::make_unique<ScopedConnectionKind>(db);
    }
    void TearDown() override
    {
        m_kind.reset();
        db.Deconnecter();
    }

    int count(const QString &where = {})
    {
        const RecordTable rows =
            db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM PERIODES") +
                               (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
        EXPECT_TRUE(rows.ok()) << rows.error().toStdString();
        return rows.ok() ? rows.at(0, 0).toInt() : -1;
    }
    QString value(const QString &column, const QString &jour)
    {
        const RecordTable rows = db.ExtraireRecords(
            QStringLiteral("SELECT %1 FROM PERIODES WHERE jour='%2'").arg(column, jour));
        EXPECT_TRUE(rows.ok() && rows.rowCount() == 1) << rows.error().toStdString();
        return rows.rowCount() == 1 ? rows.text(0, 0) : QStringLiteral("?");
    }
    void fill(const QString &month)
    {
        QString error;
        ASSERT_TRUE(createPeriodesTable(db, &error)) << error.toStdString();
        ASSERT_TRUE(FillPeriodes(db, month, &error)) << error.toStdString();
    }

    AccesBase &db = AccesBase::instance();
    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
    std::unique_ptr<ScopedConnectionKind> m_kind;
};

} // namespace

TEST_P(PeriodesTable, FillWritesTheWholeCalendar)
{
    fill(QStringLiteral("09"));
    EXPECT_EQ(count(), 366);
    EXPECT_EQ(count(QStringLiteral("jour='29/02/'")), 1);
    EXPECT_EQ(value(QStringLiteral("decade"), QStringLiteral("10/03/")), QStringLiteral("05/03/"));
    EXPECT_EQ(value(QStringLiteral("decade"), QStringLiteral("11/03/")), QStringLiteral("15/03/"));
    EXPECT_EQ(value(QStringLiteral("decade"), QStringLiteral("31/03/")), QStringLiteral("25/03/"));
    EXPECT_EQ(value(QStringLiteral("Trimestre_inverse"), QStringLiteral("31/03/")),
              QStringLiteral("/02/15"));
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("31/08/")), QStringLiteral("01/01/"));
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("01/09/")), QStringLiteral("01/02/"));
    EXPECT_EQ(value(QStringLiteral("hydro_inverse"), QStringLiteral("01/09/")),
              QStringLiteral("02/01/"));

    // Sorted on the inverse column, the days come in calendar order, "31/12/" last.
    const RecordTable days =
        db.ExtraireRecords(QStringLiteral("SELECT jour FROM PERIODES ORDER BY jour_inverse"));
    ASSERT_EQ(days.rowCount(), 366);
    const std::vector<PeriodeRow> expected = computePeriodes(QStringLiteral("09"));
    for (int r = 0; r < days.rowCount(); ++r)
        ASSERT_EQ(days.text(r, 0), expected[size_t(r)].jour) << r;
    EXPECT_EQ(days.text(365, 0), QStringLiteral("31/12/"));

    // Filling again replaces, never appends.
    QString error;
    ASSERT_TRUE(FillPeriodes(db, QStringLiteral("09"), &error)) << error.toStdString();
    EXPECT_EQ(count(), 366);
}

TEST_P(PeriodesTable, HydrologicalUpdate)
{
    fill(QStringLiteral("09"));
    ASSERT_TRUE(UpdateHydroYear(db, QStringLiteral("10")));
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("30/09/")), QStringLiteral("01/01/"));
    EXPECT_EQ(value(QStringLiteral("hydro_inverse"), QStringLiteral("30/09/")),
              QStringLiteral("01/01/"));
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("01/10/")), QStringLiteral("01/02/"));
    EXPECT_EQ(value(QStringLiteral("hydro_inverse"), QStringLiteral("01/10/")),
              QStringLiteral("02/01/"));
    EXPECT_EQ(count(QStringLiteral("hydro='01/02/'")), 92);

    ASSERT_TRUE(UpdateHydroYear(db, QStringLiteral("01")));
    EXPECT_EQ(count(QStringLiteral("hydro='01/02/' AND hydro_inverse='02/01/'")), 366);

    ASSERT_TRUE(UpdateHydroYear(db, QStringLiteral("n'importe quoi")))
        << "anything else is September";
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("31/08/")), QStringLiteral("01/01/"));
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("01/09/")), QStringLiteral("01/02/"));
}

TEST_P(PeriodesTable, StartUpRepair)
{
    // Missing: created and filled with the month given.
    PeriodesRepair repair = repairPeriodes(db, QStringLiteral("10"));
    ASSERT_TRUE(repair.ok) << repair.error.toStdString();
    EXPECT_TRUE(repair.rebuilt);
    EXPECT_EQ(count(), 366);
    EXPECT_EQ(value(QStringLiteral("hydro"), QStringLiteral("01/10/")), QStringLiteral("01/02/"));

    // Whole: left alone.
    repair = repairPeriodes(db, QStringLiteral("10"));
    EXPECT_TRUE(repair.ok);
    EXPECT_FALSE(repair.rebuilt);
    EXPECT_FALSE(repair.refilled);

    // 365 rows: rebuilt.
    ASSERT_TRUE(db.Execute(QStringLiteral("DELETE FROM PERIODES WHERE jour='29/02/'")));
    repair = repairPeriodes(db, QStringLiteral("09"));
    ASSERT_TRUE(repair.ok) << repair.error.toStdString();
    EXPECT_TRUE(repair.rebuilt);
    EXPECT_EQ(count(), 366);
    EXPECT_EQ(count(QStringLiteral("jour='29/02/'")), 1);

    // A null inverse column: filled again.
    ASSERT_TRUE(
        db.Execute(QStringLiteral("UPDATE PERIODES SET jour_inverse=null WHERE jour='05/05/'")));
    ASSERT_TRUE(
        db.Execute(QStringLiteral("UPDATE PERIODES SET decade_inverse=null WHERE jour='06/06/'")));
    repair = repairPeriodes(db, QStringLiteral("09"));
    ASSERT_TRUE(repair.ok) << repair.error.toStdString();
    EXPECT_TRUE(repair.refilled);
    EXPECT_FALSE(repair.rebuilt);
    EXPECT_EQ(count(QStringLiteral("jour_inverse is null OR decade_inverse is null")), 0);
    EXPECT_EQ(count(), 366);
}

// The shared start month: stored once in PARAMETRES (module 'PLX'), applied to PERIODES.
TEST_P(PeriodesTable, SharedStartMonth)
{
    EXPECT_EQ(readHydroStartMonth(db), QStringLiteral("09")) << "no PARAMETRES yet";
    SchemaWriter writer(db);
    writer.ensureTable({QStringLiteral("PARAMETRES"),
                        {{QStringLiteral("Module"), ColumnType::Text, 100},
                         {QStringLiteral("DateCreation"), ColumnType::DateTime, 0},
                         {QStringLiteral("valeur"), ColumnType::Text, 255},
                         {QStringLiteral("Identifiant"), ColumnType::Text, 100},
                         {QStringLiteral("loginMaj"), ColumnType::Text, 50}}});
    ASSERT_TRUE(writer.failures().isEmpty())
        << writer.failures().join(QLatin1Char('\n')).toStdString();
    fill(QStringLiteral("09"));

    QString error;
    ASSERT_TRUE(writeHydroStartMonth(db, QStringLiteral("10"), QStringLiteral("ADMIN"), &error))
        << error.toStdString();
    ASSERT_TRUE(writeHydroStartMonth(db, QStringLiteral("1"), QStringLiteral("ADMIN"), &error))
        << error.toStdString();
    EXPECT_EQ(readHydroStartMonth(db), QStringLiteral("01"));
    EXPECT_EQ(count(QStringLiteral("hydro='01/02/'")), 366);
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT valeur, loginMaj, DateCreation FROM PARAMETRES WHERE module='PLX' "
                       "AND identifiant='MoisDebutAnneeHydro'"));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.text(0, 0), QStringLiteral("01"));
    EXPECT_EQ(rows.text(0, 1), QStringLiteral("ADMIN"));
    EXPECT_FALSE(rows.at(0, 2).isNull());

    EXPECT_FALSE(writeHydroStartMonth(db, QStringLiteral("13"), QStringLiteral("ADMIN"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readHydroStartMonth(db), QStringLiteral("01")) << "a refused month changes nothing";

    // A value written by another client that is not a month reads as September.
    ASSERT_TRUE(
        db.Execute(QStringLiteral("UPDATE PARAMETRES SET valeur='sept' WHERE module='PLX'")));
    EXPECT_EQ(readHydroStartMonth(db), QStringLiteral("09"));
}

INSTANTIATE_TEST_SUITE_P(Engines, PeriodesTable, PLX_ENGINES, PLX_ENGINE_NAME);
