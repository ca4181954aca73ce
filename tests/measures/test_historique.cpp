#include "db/accesbase.h"
#include "db/transaction.h"
#include "measures/historique.h"
#include "measures/historiquedata.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <memory>

using namespace plx;

namespace {

constexpr int kYear = 2024;

QStringList visibleRows(const std::vector<HistoriqueRow> &rows)
{
    QStringList texts;
    for (const HistoriqueRow &row : rows) {
        if (!row.hidden)
            texts << QStringList(row.cells.begin(), row.cells.end()).join(QLatin1Char('|'));
    }
    return texts;
}

class Historique : public ::testing::TestWithParam<QString>, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect());
        const SchemaUpgradeReport report = upgradeSchema(db(), QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
    }
    void TearDown() override
    {
        db().Deconnecter();
        m_scratch.reset();
    }
    static AccesBase &db() { return AccesBase::instance(); }

    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
};

} // namespace

// Every column of every kind: first and last dates of DateCreation values carrying a time,
// counts of rows (two on one day count twice), the year's cumulation without binary noise,
// rows above 0, 31/12 at 23:00 inside its year, the earliest of equal maxima, a year
// without rain above 0 left empty, no cumulation for the free parameters, the labels of
// PARAMETRAGE_DATA (missing row "Param2", empty label hidden).
TEST_P(Historique, EveryColumnOfEveryKind)
{
    plxtest::fillHistoriqueStation(db(), QStringLiteral("7"), kYear);
    const std::vector<HistoriqueRow> rows = computeHistorique(db(), QStringLiteral("7"), kYear);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(visibleRows(rows), plxtest::expectedHistorique(kYear));
    EXPECT_TRUE(rows[5].hidden);
    EXPECT_TRUE(rows[5].cells[Donnee].isEmpty());
    EXPECT_TRUE(rows[5].cells[Valeurs].isEmpty()) << "a hidden kind is not computed";

    // The year after: the one 01/01 row of the year; a year without any value is empty,
    // not "0".
    const std::vector<HistoriqueRow> next = computeHistorique(db(), QStringLiteral("7"), kYear + 1);
    EXPECT_EQ(next[0].cells[ValeursAnnee], QStringLiteral("1"));
    EXPECT_EQ(next[0].cells[CumulAnnee], QStringLiteral("4"));
    EXPECT_EQ(next[0].cells[NbJoursAnnee], QStringLiteral("1"));
    const std::vector<HistoriqueRow> later =
        computeHistorique(db(), QStringLiteral("7"), kYear + 5);
    for (const HistoriqueColumn column : {ValeursAnnee, CumulAnnee, NbJoursAnnee})
        EXPECT_TRUE(later[0].cells[column].isEmpty()) << column;
    EXPECT_EQ(later[0].cells[Valeurs], QStringLiteral("7"));

    // Sums as the values were typed: PostgreSQL sums its 4-byte reals in 4 bytes, where
    // 16777216 + 1 is still 16777216, and doubles add 0.1 and 0.2 to 0.30000000000000004.
    const ScopedConnectionKind kind(db());
    ASSERT_TRUE(CreateMeasurementTable(db(), QStringLiteral("10"), false));
    for (const auto &[day, rain] : {std::pair{"01/03/2024", 16777216.0},
                                    std::pair{"02/03/2024", 1.0}, std::pair{"03/03/2024", 1.0},
                                    std::pair{"01/03/2023", 0.1}, std::pair{"02/03/2023", 0.2}}) {
        ASSERT_TRUE(
            db().Execute(QStringLiteral("INSERT INTO PLUVIO_10 (DateCreation, Heure, Pluie) "
                                        "VALUES (%1, %2, %3)")
                             .arg(FormatDateSQL(QLatin1String(day), false),
                                  FormatHeureSQL(QStringLiteral("00:00")), sqlNumber(rain))));
    }
    EXPECT_EQ(computeHistorique(db(), QStringLiteral("10"), kYear)[0].cells[CumulAnnee],
              QStringLiteral("16777218"));
    EXPECT_EQ(computeHistorique(db(), QStringLiteral("10"), kYear - 1)[0].cells[CumulAnnee],
              QStringLiteral("0,3"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// A station without measurement table, and a code that names no table, show the labels
// alone and say nothing; the kinds come in their fixed order with their columns.
TEST_P(Historique, LabelsAloneWithoutMeasurements)
{
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) "
                                            "VALUES (2, Null, 'PLX')")));
    for (const QString &code : {QStringLiteral("8"), QStringLiteral("8 OR 1=1"), QString()}) {
        const std::vector<HistoriqueRow> rows = computeHistorique(db(), code, kYear);
        EXPECT_EQ(visibleRows(rows),
                  QStringList({QStringLiteral("Pluie||||||||||"),
                               QStringLiteral("Pluie efficace||||||||||"),
                               QStringLiteral("ETP||||||||||"), QStringLiteral("Param1||||||||||"),
                               QStringLiteral("Param3||||||||||")}))
            << code.toStdString();
        EXPECT_TRUE(rows[4].hidden) << "a null label hides its parameter";
    }
    EXPECT_TRUE(messages.isEmpty());

    QStringList columns;
    for (const DataKind &kind : dataKinds(db()))
        columns << kind.column + QString::number(kind.parameter);
    EXPECT_EQ(columns.join(QLatin1Char(',')),
              QStringLiteral("pluie1,pluieefficace2,etp3,valeur14,valeur25,valeur36"));
}

// Inside an open save transaction a second creation, of either variant, must not abort
// it (PostgreSQL aborts a transaction on any failed statement) nor say anything.
TEST_P(Historique, CreatingTablesTwiceInsideATransaction)
{
    ASSERT_TRUE(CreateMeasurementTable(db(), QStringLiteral("9"), true));
    {
        Transaction transaction(db());
        ASSERT_TRUE(transaction.started());
        for (const bool reference : {false, true}) {
            EXPECT_TRUE(CreateMeasurementTable(db(), QStringLiteral("9"), reference));
            EXPECT_TRUE(CreateMeasurementTable(db(), QStringLiteral("9"), reference));
        }
        const ScopedConnectionKind kind(db());
        EXPECT_TRUE(transaction.exec(
            QStringLiteral("INSERT INTO COURBE_REF_PLUVIO_9 "
                           "(DateCreation, Heure, Pluie) VALUES (") +
            FormatDateSQL(QStringLiteral("01/01/2020"), false) + QStringLiteral(", ") +
            FormatHeureSQL(QStringLiteral("00:00")) + QStringLiteral(", 1)")));
        EXPECT_TRUE(transaction.commit()) << transaction.error().toStdString();
    }
    const RecordTable count =
        db().ExtraireRecords(QStringLiteral("SELECT count(*) FROM COURBE_REF_PLUVIO_9"));
    ASSERT_TRUE(count.ok()) << count.error().toStdString();
    EXPECT_EQ(count.text(0, 0), QStringLiteral("1"));
    EXPECT_TRUE(messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, Historique, PLX_ENGINES, PLX_ENGINE_NAME);
