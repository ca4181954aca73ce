#include "base/locale.h"
#include "db/accesbase.h"
#include "measures/networksituation.h"
#include "measures/situationdata.h"
#include "support/schemadatabasetest.h"

#include <gtest/gtest.h>

using namespace plx;

namespace {

class NetworkSituation : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plxtest::fillSituationStations(db());
    }
    static AccesBase &db() { return AccesBase::instance(); }

    static StationSituation at(const QString &day, const QString &code = QStringLiteral("7"))
    {
        const std::vector<StationSituation> rows =
            computeSituation(db(), {{code, QStringLiteral("Nom")}}, *parseDate(day));
        EXPECT_EQ(rows.size(), 1u);
        EXPECT_TRUE(rows.front().error.isEmpty()) << rows.front().error.toStdString();
        return rows.front();
    }
};

QDateTime instant(const char *text)
{
    const QDateTime dt = *parseDateTime(QLatin1String(text));
    return QDateTime(dt.date(), dt.time(), Qt::UTC);
}

} // namespace

// Before, inside and after the series: the search day counts up to its last minute, the
// next day not; the last validated instant is that of any kind, the last value the
// rainfall's; after the series the old values stay shown.
TEST_P(NetworkSituation, LatestInformationBeforeTheSearchDate)
{
    if (!ready())
        return;
    const StationSituation before = at(QStringLiteral("31/12/2023"));
    EXPECT_FALSE(before.lastInstant.isValid());
    EXPECT_TRUE(before.lastValue.isNull());
    EXPECT_FALSE(before.lastValidated.isValid());
    EXPECT_FALSE(before.lastIntervention.isValid());
    EXPECT_TRUE(before.stale);

    const StationSituation inside = at(QStringLiteral("15/06/2024"));
    EXPECT_EQ(inside.lastInstant, instant("15/06/2024 23:30"));
    EXPECT_DOUBLE_EQ(inside.lastValue.toDouble(), 0.2);
    EXPECT_EQ(inside.lastValidated, instant("10/03/2024 08:00"));
    EXPECT_FALSE(inside.lastIntervention.isValid());
    EXPECT_FALSE(inside.stale);

    const StationSituation after = at(QStringLiteral("01/12/2024"));
    EXPECT_EQ(after.lastInstant, instant("20/06/2024 12:00"));
    EXPECT_DOUBLE_EQ(after.lastValue.toDouble(), 3);
    EXPECT_EQ(after.lastValidated, instant("21/06/2024 00:00"));
    EXPECT_EQ(after.lastIntervention, instant("15/10/2024 08:15"));
    EXPECT_EQ(after.interventionType, QStringLiteral("Visite"));
    EXPECT_EQ(after.interventionComment, QStringLiteral("Piles changées"));
    EXPECT_FALSE(after.stale) << "the intervention is recent";

    const StationSituation muchLater = at(QStringLiteral("15/01/2025"));
    EXPECT_EQ(muchLater.lastInstant, instant("20/06/2024 12:00"));
    EXPECT_TRUE(muchLater.stale);
}

// The last information (the validation of 21/06/2024 00:00) exactly 90 days before the
// search date is still recent; 91 days before it is not. A station without measurement
// table and a code that is not a station number have nothing, and no error.
TEST_P(NetworkSituation, NinetyDaysAndStationsWithoutData)
{
    if (!ready())
        return;
    const StationSituation ninety = at(QStringLiteral("19/09/2024"));
    EXPECT_EQ(ninety.lastValidated, instant("21/06/2024 00:00"));
    EXPECT_FALSE(ninety.stale);
    const StationSituation ninetyOne = at(QStringLiteral("20/09/2024"));
    EXPECT_EQ(ninetyOne.lastValidated, instant("21/06/2024 00:00"));
    EXPECT_TRUE(ninetyOne.stale);

    for (const QString &code : {QStringLiteral("8"), QStringLiteral("7 OR 1=1")}) {
        const StationSituation none = at(QStringLiteral("15/06/2024"), code);
        EXPECT_FALSE(none.lastInstant.isValid()) << code.toStdString();
        EXPECT_FALSE(none.lastValidated.isValid());
        EXPECT_FALSE(none.lastIntervention.isValid());
        EXPECT_TRUE(none.stale);
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, NetworkSituation, PLX_ENGINES, PLX_ENGINE_NAME);
