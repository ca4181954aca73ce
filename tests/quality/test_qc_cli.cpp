#include "db/accesbase.h"
#include "quality/qualitydata.h"
#include "schema/schemaupgrade.h"
#include "support/clirunner.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

using namespace plx;

namespace {

class PlxQc : public ::testing::TestWithParam<QString>
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
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, "
                                              "Identifiant) VALUES (1, 'Essai', '01')")));
        std::vector<plxtest::RainRecord> rows{{QDate(2019, 5, 1), std::nullopt, -1.5}};
        for (int d = 2; d <= 6; ++d)
            rows.push_back({QDate(2019, 5, d), std::nullopt, 3.3});
        rows.push_back({QDate(2019, 5, 7), std::nullopt, 2});
        rows.push_back({QDate(2019, 5, 8), QTime(7, 0), 0.4});
        plxtest::writeRain(db, QStringLiteral("1"), rows);
        db.Deconnecter();
    }

    plxtest::CliResult qc(const QStringList &arguments) const
    {
        const ConnectionProfile &profile = m_scratch->profile();
        const QStringList database =
            GetParam() == QLatin1String("sqlite")
                ? QStringList{QStringLiteral("--db"), profile.database}
                : QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(m_scratch->serverName())};
        return plxtest::runPlx(QStringList{QStringLiteral("qc")} + database + arguments);
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
};

} // namespace

// One tab-separated line per flag (instant, parameter, value with a decimal point, rule key,
// severity, explanation); --rules narrows the rules; bad options are usage errors naming
// what is wrong, an unknown station a failure.
TEST_P(PlxQc, PrintsOneLinePerFlag)
{
    const QStringList window{QStringLiteral("--station"), QStringLiteral("1"),
                             QStringLiteral("--from"),    QStringLiteral("01/05/2019"),
                             QStringLiteral("--to"),      QStringLiteral("31/05/2019")};
    const QString expected = QStringLiteral(
        "01/05/2019\tPluie\t-1.5\tplage\tforte\tValeur négative : -1,5 mm\n"
        "02/05/2019\tPluie\t3.3\tbloque\tmoyenne\t3,3 mm 5 fois de suite (du 02/05/2019 au "
        "06/05/2019) : capteur bloqué ?\n");
    const plxtest::CliResult all = qc(window);
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, expected);

    const plxtest::CliResult stuck =
        qc(window + QStringList{QStringLiteral("--rules"), QStringLiteral("bloque,voisins")});
    ASSERT_EQ(stuck.exitCode, 0) << stuck.err.toStdString();
    EXPECT_EQ(stuck.out, expected.section(QLatin1Char('\n'), 1, 1) + QLatin1Char('\n'));

    const plxtest::CliResult unknownRule =
        qc(window + QStringList{QStringLiteral("--rules"), QStringLiteral("plage,pics")});
    EXPECT_EQ(unknownRule.exitCode, 2);
    EXPECT_TRUE(unknownRule.err.startsWith(QStringLiteral("Règle inconnue : pics (règles : plage, "
                                                          "pic, bloque")))
        << unknownRule.err.toStdString();
    const plxtest::CliResult badDate =
        qc({QStringLiteral("--station"), QStringLiteral("1"), QStringLiteral("--from"),
            QStringLiteral("31/02/2019"), QStringLiteral("--to"), QStringLiteral("31/05/2019")});
    EXPECT_EQ(badDate.exitCode, 2);
    EXPECT_TRUE(badDate.err.contains(QStringLiteral("31/02/2019")));
    const plxtest::CliResult reversed =
        qc({QStringLiteral("--station"), QStringLiteral("1"), QStringLiteral("--from"),
            QStringLiteral("31/05/2019"), QStringLiteral("--to"), QStringLiteral("01/05/2019")});
    EXPECT_EQ(reversed.exitCode, 2);
    const plxtest::CliResult unknown =
        qc({QStringLiteral("--station"), QStringLiteral("9"), QStringLiteral("--from"),
            QStringLiteral("01/05/2019"), QStringLiteral("--to"), QStringLiteral("31/05/2019")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, PlxQc, PLX_ENGINES, PLX_ENGINE_NAME);
