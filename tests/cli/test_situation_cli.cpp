#include "db/accesbase.h"
#include "measures/networksituation.h"
#include "measures/situationdata.h"
#include "schema/schemaupgrade.h"
#include "support/clirunner.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

using namespace plx;

namespace {

class PlxSituation : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "the command line reaches PostgreSQL through --pg";
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        AccesBase &db = AccesBase::instance();
        ASSERT_TRUE(m_scratch->connect(db));
        ASSERT_TRUE(upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok);
        plxtest::fillSituationStations(db);
        db.Deconnecter();
    }

    QStringList database() const
    {
        const ConnectionProfile &profile = m_scratch->profile();
        if (GetParam() == QLatin1String("sqlite"))
            return {QStringLiteral("--db"), profile.database};
        return {QStringLiteral("--pg"), plxtest::pgConninfo(m_scratch->serverName())};
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
};

} // namespace

// One tab-separated line per station in code order (decimal point, instants day first),
// the message only for the stations with nothing within 90 days; --stations keeps the
// order given; bad dates and unknown stations are usage errors.
TEST_P(PlxSituation, PrintsOneLinePerStation)
{
    const QString message = situationNotFoundText();
    const plxtest::CliResult all = plxtest::runPlx(
        QStringList{QStringLiteral("situation"), QStringLiteral("--date"),
                    QStringLiteral("15/06/2024")} +
        database());
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, QStringLiteral("7\tLe Pré d'Amont\t15/06/2024 23:30:00\t0.2\t"
                                      "10/03/2024 08:00:00\t\n"
                                      "8\tSans mesures\t\t\t\t%1\n")
                           .arg(message));

    const plxtest::CliResult chosen = plxtest::runPlx(
        QStringList{QStringLiteral("situation"), QStringLiteral("--stations"),
                    QStringLiteral("8,7"), QStringLiteral("--date"), QStringLiteral("20/09/2024")} +
        database());
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_EQ(chosen.out, QStringLiteral("8\tSans mesures\t\t\t\t%1\n"
                                         "7\tLe Pré d'Amont\t20/06/2024 12:00:00\t3\t"
                                         "21/06/2024 00:00:00\t%1\n")
                              .arg(message));

    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--date"), QStringLiteral("31/02/2024")},
          QStringList{QStringLiteral("--date"), QStringLiteral("2024-06-15")},
          QStringList{QStringLiteral("--date"), QStringLiteral("15/06/2024"),
                      QStringLiteral("--stations"), QStringLiteral("7,99")},
          QStringList{QStringLiteral("--stations"), QStringLiteral("7")}}) {
        const plxtest::CliResult bad =
            plxtest::runPlx(QStringList{QStringLiteral("situation")} + arguments + database());
        EXPECT_EQ(bad.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(bad.out.isEmpty());
        EXPECT_FALSE(bad.err.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, PlxSituation, PLX_ENGINES, PLX_ENGINE_NAME);
