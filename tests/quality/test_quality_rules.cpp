#include "quality/qualitydata.h"
#include "quality/qualityflag.h"
#include "quality/qualitythresholds.h"
#include "support/schemadatabasetest.h"

#include <QFile>
#include <QSet>

using namespace plx;
using plxtest::RainRecord;

namespace {

QDate day(const char *text)
{
    return QDate::fromString(QLatin1String(text), QStringLiteral("dd/MM/yyyy"));
}

// "dd/MM/yyyy rule" for each flag, joined by "|", to compare with what a case expects.
std::string flagKeys(const QualityRun &run)
{
    QStringList keys;
    for (const QualityFlag &flag : run.flags)
        keys << flag.date.toString(QStringLiteral("dd/MM/yyyy ")) + qualityRuleKey(flag.rule);
    return keys.join(QLatin1Char('|')).toStdString();
}

const QualityFlag *findFlag(const QualityRun &run, const char *date, QualityRule rule)
{
    for (const QualityFlag &flag : run.flags) {
        if (flag.date == day(date) && flag.rule == rule)
            return &flag;
    }
    return nullptr;
}

class QualityRules : public plxtest::SchemaDatabaseTest
{
protected:
    static AccesBase &db() { return AccesBase::instance(); }

    // Ten years of clean daily rain at station 1, the last one the checked window.
    QMap<QDate, double> history() const
    {
        return plxtest::cleanDailyRain(day("01/01/2010"), day("31/12/2019"), 7);
    }
    QualityRun check(const QString &code, const char *from, const char *to,
                     const QSet<QualityRule> &rules = {})
    {
        QualityRun run = runQualityRules(db(), code, day(from), day(to), rules);
        EXPECT_TRUE(run.ok) << run.error.toStdString();
        return run;
    }
};

} // namespace

// A sound series raises nothing; each fault planted in it raises its rule on its day, and
// only there: a negative value, a spike for the month, a value beyond the daily maximum
// (also a spike), a stuck gauge, a long zero run in a wet month, an accumulated total after
// missing days, and a daily total the day's hourly values do not add up to.
TEST_P(QualityRules, EachRuleFlagsItsFaultOnly)
{
    if (!ready())
        return;
    QMap<QDate, double> rain = history();
    plxtest::writeRain(db(), QStringLiteral("2"), plxtest::dailyRecords(rain));
    EXPECT_EQ(flagKeys(check(QStringLiteral("2"), "01/01/2019", "31/12/2019")), "");

    rain[day("05/02/2019")] = -2;
    rain[day("10/03/2019")] = 80;
    rain[day("10/04/2019")] = 350;
    for (int d = 1; d <= 5; ++d)
        rain[QDate(2019, 5, d)] = 3.3;
    rain[day("06/05/2019")] = 1.2;
    rain[day("31/05/2019")] = 5;
    for (int d = 1; d <= 25; ++d)
        rain[QDate(2019, 6, d)] = 0;
    rain[day("26/06/2019")] = 4;
    for (int d = 10; d <= 14; ++d)
        rain.remove(QDate(2019, 9, d));
    rain[day("15/09/2019")] = 30;
    rain[day("20/10/2019")] = 12;
    rain[day("21/10/2019")] = 25;
    std::vector<RainRecord> rows = plxtest::dailyRecords(rain);
    // Hourly values beside the daily totals of two days: 24 x (0.4 or 0.6) = 12 mm each.
    for (const char *date : {"20/10/2019", "21/10/2019"}) {
        for (int hour = 0; hour < 24; ++hour)
            rows.push_back({day(date), QTime(hour, 0), hour % 2 ? 0.6 : 0.4});
    }
    plxtest::writeRain(db(), QStringLiteral("1"), rows);

    const QualityRun run = check(QStringLiteral("1"), "01/01/2019", "31/12/2019");
    EXPECT_EQ(flagKeys(run), "05/02/2019 plage|10/03/2019 pic|10/04/2019 plage|10/04/2019 pic|"
                             "01/05/2019 bloque|01/06/2019 zeros|15/09/2019 cumul|"
                             "21/10/2019 journalier");
    for (const QualityFlag &flag : run.flags) {
        EXPECT_EQ(flag.parameter, 0);
        EXPECT_FALSE(flag.time.isValid()) << "daily records carry no time";
        EXPECT_FALSE(flag.explanation.isEmpty());
    }
    const QualityFlag *negative = findFlag(run, "05/02/2019", QualityRule::Range);
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->severity, QualitySeverity::Severe);
    EXPECT_EQ(negative->value, -2);
    EXPECT_EQ(negative->explanation, QStringLiteral("Valeur négative : -2,0 mm"));
    const QualityFlag *maximum = findFlag(run, "10/04/2019", QualityRule::Range);
    ASSERT_TRUE(maximum);
    EXPECT_EQ(maximum->explanation,
              QStringLiteral("350,0 mm au-dessus du maximum journalier de la station (300,0 mm)"));
    const QualityFlag *stuck = findFlag(run, "01/05/2019", QualityRule::Stuck);
    ASSERT_TRUE(stuck);
    EXPECT_TRUE(stuck->explanation.startsWith(
        QStringLiteral("3,3 mm 5 fois de suite (du 01/05/2019 au 05/05/2019)")))
        << stuck->explanation.toStdString();
    const QualityFlag *zeros = findFlag(run, "01/06/2019", QualityRule::ZeroRun);
    ASSERT_TRUE(zeros);
    EXPECT_TRUE(zeros->explanation.startsWith(
        QStringLiteral("25 jours de suite à 0 mm (du 01/06/2019 au 25/06/2019)")))
        << zeros->explanation.toStdString();
    const QualityFlag *daily = findFlag(run, "21/10/2019", QualityRule::DailyVsTimed);
    ASSERT_TRUE(daily);
    EXPECT_EQ(daily->explanation, QStringLiteral("Total journalier 25,0 mm, somme des 24 valeurs "
                                                 "horodatées du jour 12,0 mm"));

    // One rule asked for: only its flags; a window of a few days: only the flags inside.
    EXPECT_EQ(
        flagKeys(check(QStringLiteral("1"), "01/01/2019", "31/12/2019", {QualityRule::Stuck})),
        "01/05/2019 bloque");
    EXPECT_EQ(flagKeys(check(QStringLiteral("1"), "03/05/2019", "03/06/2019")),
              "03/05/2019 bloque|01/06/2019 zeros");
}

// Hourly series: the hourly maximum (scaled to a three-hour step), the stuck rule on timed
// values, and a timed day left alone by the daily comparison when it adds up whichever way
// the hours are counted (ending at 24:00, or from 06 to 06).
TEST_P(QualityRules, TimedSeries)
{
    if (!ready())
        return;
    std::vector<RainRecord> rows;
    for (QDate d = day("01/01/2019"); d <= day("10/01/2019"); d = d.addDays(1)) {
        const double rain = 0.5 + 0.1 * d.day();
        for (int hour = 1; hour <= 24; ++hour) {
            const double v = (hour % 3 == 0) ? rain : 0.0;
            rows.push_back({hour == 24 ? d.addDays(1) : d, QTime(hour % 24, 0), v});
        }
        rows.push_back({d, std::nullopt, 8 * rain}); // the hours ending 01:00 .. 24:00
    }
    rows.push_back({day("11/01/2019"), QTime(5, 0), 120});
    for (int hour = 8; hour <= 13; ++hour)
        rows.push_back({day("11/01/2019"), QTime(hour, 0), 1.4});
    plxtest::writeRain(db(), QStringLiteral("3"), rows);
    const QualityRun run =
        check(QStringLiteral("3"), "01/01/2019", "11/01/2019",
              {QualityRule::Range, QualityRule::Stuck, QualityRule::DailyVsTimed});
    ASSERT_EQ(flagKeys(run), "11/01/2019 plage|11/01/2019 bloque");
    EXPECT_EQ(run.flags[0].time, QTime(5, 0));
    EXPECT_EQ(run.flags[0].explanation,
              QStringLiteral("120,0 mm au-dessus du maximum horaire de la station (100,0 mm)"));
    EXPECT_EQ(run.flags[1].time, QTime(8, 0));
}

// Neighbours within the radius (the register's own coordinates or a localisation row),
// weighted by distance: an isolated storm and a missed event are flagged with the
// neighbours' mean; a far station does not count.
TEST_P(QualityRules, NeighboursOnCraftedNetwork)
{
    if (!ready())
        return;
    const QMap<QDate, double> base =
        plxtest::cleanDailyRain(day("01/01/2019"), day("31/12/2019"), 11);
    plxtest::placeStation(db(), 1, 45.00, 5.00);
    plxtest::placeStation(db(), 2, 45.05, 5.00);
    plxtest::placeStation(db(), 3, 45.00, 5.10, true);
    plxtest::placeStation(db(), 4, 44.93, 4.95);
    plxtest::placeStation(db(), 5, 46.00, 5.00); // 111 km away
    const double factors[] = {1.0, 0.9, 1.1, 1.05};
    for (int code = 1; code <= 4; ++code) {
        QMap<QDate, double> series;
        for (auto it = base.cbegin(); it != base.cend(); ++it)
            series.insert(it.key(), std::round(it.value() * factors[code - 1] * 10) / 10);
        if (code == 1) {
            series[day("14/07/2019")] = 60;
            series[day("20/08/2019")] = 0;
        } else {
            series[day("14/07/2019")] = 0;
            series[day("20/08/2019")] = 20 + 5 * code;
        }
        plxtest::writeRain(db(), QString::number(code), plxtest::dailyRecords(series));
    }
    QMap<QDate, double> far;
    for (auto it = base.cbegin(); it != base.cend(); ++it)
        far.insert(it.key(), 50);
    plxtest::writeRain(db(), QStringLiteral("5"), plxtest::dailyRecords(far));

    const QualityRun run =
        check(QStringLiteral("1"), "01/01/2019", "31/12/2019", {QualityRule::Neighbours});
    ASSERT_EQ(flagKeys(run), "14/07/2019 voisins|20/08/2019 voisins");
    EXPECT_EQ(run.flags[0].severity, QualitySeverity::Severe);
    EXPECT_EQ(run.flags[0].explanation,
              QStringLiteral("60,0 mm alors que les 3 voisins ont en moyenne 0,0 mm"));
    EXPECT_EQ(run.flags[1].severity, QualitySeverity::Warning);
    EXPECT_TRUE(run.flags[1].explanation.startsWith(
        QStringLiteral("0,0 mm alors que les 3 voisins ont en moyenne")))
        << run.flags[1].explanation.toStdString();

    // A station without a position has no neighbours: nothing to compare, no flag.
    plxtest::writeRain(db(), QStringLiteral("6"), {{day("14/07/2019"), std::nullopt, 60}});
    EXPECT_TRUE(check(QStringLiteral("6"), "01/01/2019", "31/12/2019", {QualityRule::Neighbours})
                    .flags.isEmpty());
}

// Thresholds are kept per station: only what departs from the defaults is stored, a reload
// gives back what was saved, another station keeps the defaults, and the rules follow.
TEST_P(QualityRules, ThresholdsPerStation)
{
    if (!ready())
        return;
    QualityThresholds strict;
    strict.maxDaily = 50;
    strict.neighbourRadiusKm = 12.5;
    QString error;
    ASSERT_TRUE(saveQualityThresholds(db(), QStringLiteral("1"), strict, &error))
        << error.toStdString();
    ASSERT_TRUE(saveQualityThresholds(db(), QStringLiteral("2"), QualityThresholds(), &error));
    const QualityThresholdsRead one = loadQualityThresholds(db(), QStringLiteral("1"));
    ASSERT_TRUE(one.ok) << one.error.toStdString();
    EXPECT_EQ(one.thresholds, strict);
    EXPECT_EQ(loadQualityThresholds(db(), QStringLiteral("2")).thresholds, QualityThresholds());
    EXPECT_EQ(db().ExtraireRecords(QStringLiteral("SELECT count(*) FROM SEUILS_CONTROLES"))
                  .at(0, 0)
                  .toLongLong(),
              2);

    for (const char *code : {"1", "2"})
        plxtest::writeRain(db(), QLatin1String(code), {{day("01/03/2019"), std::nullopt, 60}});
    EXPECT_EQ(
        flagKeys(check(QStringLiteral("1"), "01/03/2019", "01/03/2019", {QualityRule::Range})),
        "01/03/2019 plage");
    EXPECT_TRUE(check(QStringLiteral("2"), "01/03/2019", "01/03/2019", {QualityRule::Range})
                    .flags.isEmpty());

    // Back to the defaults: no row left.
    ASSERT_TRUE(saveQualityThresholds(db(), QStringLiteral("1"), QualityThresholds(), &error));
    EXPECT_EQ(db().ExtraireRecords(QStringLiteral("SELECT count(*) FROM SEUILS_CONTROLES"))
                  .at(0, 0)
                  .toLongLong(),
              0);
    EXPECT_FALSE(
        runQualityRules(db(), QStringLiteral("abc"), day("01/03/2019"), day("01/03/2019")).ok);
}

namespace {

// The rainfall of De Bilt by day from the extract of KNMI's daily export (RH in 0.1 mm,
// -1 below 0.05 mm) or of ECA&D's blended series (RR in 0.1 mm, Q_RR 9 missing).
std::vector<RainRecord> readDeBilt(const QString &file, bool knmi)
{
    QFile in(QStringLiteral(PLX_TEST_DATA "/quality/") + file);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << file.toStdString();
    std::vector<RainRecord> rows;
    while (!in.atEnd()) {
        const QList<QByteArray> fields = in.readLine().trimmed().split(',');
        if (fields.size() < (knmi ? 3 : 4) || fields[0].startsWith('#'))
            continue;
        const QDate date =
            QDate::fromString(QString::fromLatin1(fields[1].trimmed()), QStringLiteral("yyyyMMdd"));
        bool ok = false;
        const int tenths = fields[2].trimmed().toInt(&ok);
        if (!date.isValid() || !ok || (!knmi && (fields[3].trimmed() == "9" || tenths == -9999)))
            continue;
        rows.push_back({date, std::nullopt, tenths < 0 ? 0.0 : tenths / 10.0});
    }
    return rows;
}

} // namespace

// The real pair of De Bilt gauges (KNMI's station and ECA&D's blended series, one place):
// nine years without a false alarm at the default thresholds; with sensitive thresholds,
// flags only on November 2013, the month whose 27 days the two records disagree on.
TEST_P(QualityRules, NeighboursOnDeBiltPair)
{
    if (!ready())
        return;
    const std::vector<RainRecord> knmi =
        readDeBilt(QStringLiteral("etmgeg_260_RH_2008-2016.txt"), true);
    const std::vector<RainRecord> ecad =
        readDeBilt(QStringLiteral("RR_STAID000162_2008-2016.txt"), false);
    ASSERT_EQ(knmi.size(), 3288u);
    ASSERT_EQ(ecad.size(), 3288u);
    plxtest::placeStation(db(), 1, 52.100, 5.180);
    plxtest::placeStation(db(), 2, 52.100, 5.1794);
    plxtest::writeRain(db(), QStringLiteral("1"), knmi);
    plxtest::writeRain(db(), QStringLiteral("2"), ecad);
    QualityThresholds one;
    one.neighbourMinimum = 1;
    for (const char *code : {"1", "2"})
        ASSERT_TRUE(saveQualityThresholds(db(), QLatin1String(code), one));
    for (const char *code : {"1", "2"})
        EXPECT_TRUE(
            check(QLatin1String(code), "01/01/2008", "31/12/2016", {QualityRule::Neighbours})
                .flags.isEmpty());

    QualityThresholds sensitive = one;
    sensitive.isolatedFloor = 5;
    sensitive.isolatedRatio = 2.5;
    sensitive.wetMean = 5;
    for (const char *code : {"1", "2"})
        ASSERT_TRUE(saveQualityThresholds(db(), QLatin1String(code), sensitive));
    const QualityRun station =
        check(QStringLiteral("1"), "01/01/2008", "31/12/2016", {QualityRule::Neighbours});
    EXPECT_EQ(flagKeys(station), "02/11/2013 voisins|10/11/2013 voisins");
    ASSERT_EQ(station.flags.size(), 2);
    EXPECT_EQ(station.flags[1].explanation, QStringLiteral("9,0 mm alors que le voisin a 0,2 mm"));
    EXPECT_EQ(station.flags[1].severity, QualitySeverity::Severe);
    const QualityRun blended =
        check(QStringLiteral("2"), "01/01/2008", "31/12/2016", {QualityRule::Neighbours});
    EXPECT_EQ(flagKeys(blended), "01/11/2013 voisins|03/11/2013 voisins");
}

INSTANTIATE_TEST_SUITE_P(Engines, QualityRules, PLX_ENGINES, PLX_ENGINE_NAME);
