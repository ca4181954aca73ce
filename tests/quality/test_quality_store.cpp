#include "base/locale.h"
#include "db/accesbase.h"
#include "quality/qualitystore.h"
#include "session/session.h"
#include "support/schemadatabasetest.h"

#include <gtest/gtest.h>

using namespace plx;

namespace {

const QString kCode = QStringLiteral("12");
const QDate kMarch1(2024, 3, 1);
const QDate kMarch31(2024, 3, 31);

QualityFlag flag(int day, QualityRule rule, std::optional<double> value,
                 QualitySeverity severity = QualitySeverity::Warning, QTime time = {})
{
    QualityFlag made;
    made.date = QDate(2024, 3, day);
    made.time = time;
    made.parameter = 0;
    made.value = value;
    made.rule = rule;
    made.severity = severity;
    made.explanation = QStringLiteral("Règle « %1 » à l'essai").arg(qualityRuleKey(rule));
    return made;
}

class QualityStore : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
    }

    static std::vector<StoredFlag> read(bool withInactive = false, const QString &code = kCode)
    {
        std::vector<StoredFlag> flags;
        QString error;
        EXPECT_TRUE(readQualityFlags(AccesBase::instance(), code, kMarch1, kMarch31, flags, &error,
                                     withInactive))
            << error.toStdString();
        return flags;
    }

    static FlagMergeResult save(const QList<QualityFlag> &flags,
                                const QSet<QualityRule> &rules = {}, const QDate &from = kMarch1,
                                const QDate &to = kMarch31)
    {
        const FlagMergeResult result =
            saveQualityRun(AccesBase::instance(), kCode, from, to, rules, flags);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return result;
    }

    static const StoredFlag *find(const std::vector<StoredFlag> &flags, const QualityFlag &key)
    {
        for (const StoredFlag &stored : flags) {
            if (sameFlagKey(stored.flag, key))
                return &stored;
        }
        return nullptr;
    }
};

} // namespace

// What a run stores and reads back, and how a later run merges with the decisions: a
// decision holds while the value is the one decided on, open flags that no longer fire
// go, decided ones stay for the record; runs of some rules or other days leave the rest.
TEST_P(QualityStore, MergesRunsWithDecisions)
{
    const QualityFlag spike = flag(1, QualityRule::Spike, 80.4, QualitySeverity::Severe);
    const QualityFlag stuck = flag(2, QualityRule::Stuck, 5);
    const QualityFlag negative =
        flag(3, QualityRule::Range, -1, QualitySeverity::Severe, QTime(10, 0));
    const QualityFlag missed = flag(5, QualityRule::Neighbours, std::nullopt);
    FlagMergeResult merged = save({stuck, spike, negative, missed});
    EXPECT_EQ(merged.added, 4);

    std::vector<StoredFlag> flags = read();
    ASSERT_EQ(flags.size(), 4u);
    EXPECT_TRUE(sameFlagKey(flags[0].flag, spike)); // instant order
    EXPECT_DOUBLE_EQ(*flags[0].flag.value, 80.4);
    EXPECT_EQ(flags[0].flag.severity, QualitySeverity::Severe);
    EXPECT_EQ(flags[0].flag.explanation, spike.explanation); // quotes kept
    EXPECT_EQ(flags[0].status, FlagStatus::Open);
    EXPECT_TRUE(flags[0].checkedAt.isValid());
    EXPECT_EQ(flags[2].flag.time, QTime(10, 0));
    EXPECT_FALSE(flags[3].flag.value.has_value());

    // Decisions, with who and when; asking again changes nothing more.
    QString error;
    EXPECT_EQ(decideQualityFlags(AccesBase::instance(), kCode, {spike, stuck}, FlagStatus::Accepted,
                                 &error),
              2)
        << error.toStdString();
    flags = read();
    ASSERT_NE(find(flags, spike), nullptr);
    EXPECT_EQ(find(flags, spike)->status, FlagStatus::Accepted);
    EXPECT_EQ(find(flags, spike)->decidedBy, QStringLiteral("REF"));
    EXPECT_TRUE(find(flags, spike)->decidedAt.isValid());
    EXPECT_EQ(find(flags, negative)->status, FlagStatus::Open);

    // The spike fires again on the same value: kept. The stuck value changed: open again.
    // The negative value and the missed event no longer fire: gone. A new flag comes.
    QualityFlag stuckAgain = stuck;
    stuckAgain.value = 6;
    const QualityFlag zeros = flag(20, QualityRule::ZeroRun, 0, QualitySeverity::Info);
    merged = save({spike, stuckAgain, zeros});
    EXPECT_EQ(merged.kept, 1);
    EXPECT_EQ(merged.reopened, 1);
    EXPECT_EQ(merged.removed, 2);
    EXPECT_EQ(merged.added, 1);
    flags = read();
    ASSERT_EQ(flags.size(), 3u);
    EXPECT_EQ(find(flags, spike)->status, FlagStatus::Accepted);
    EXPECT_EQ(find(flags, stuck)->status, FlagStatus::Open);
    EXPECT_DOUBLE_EQ(*find(flags, stuck)->flag.value, 6);
    EXPECT_TRUE(find(flags, stuck)->decidedBy.isEmpty());
    EXPECT_EQ(find(flags, negative), nullptr);

    // A run of one rule, or over other days, leaves the other flags alone.
    merged = save({}, {QualityRule::Stuck});
    EXPECT_EQ(merged.removed, 1);
    merged = save({}, {}, QDate(2024, 4, 1), QDate(2024, 4, 30));
    EXPECT_EQ(merged.removed + merged.retired, 0);
    flags = read();
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_NE(find(flags, spike), nullptr);
    EXPECT_NE(find(flags, zeros), nullptr);

    // The accepted spike stops firing: kept, inactive, with its decision; it comes back
    // accepted when it fires again on the same value.
    merged = save({zeros});
    EXPECT_EQ(merged.retired, 1);
    EXPECT_EQ(read().size(), 1u);
    flags = read(true);
    ASSERT_NE(find(flags, spike), nullptr);
    EXPECT_FALSE(find(flags, spike)->active);
    EXPECT_EQ(find(flags, spike)->status, FlagStatus::Accepted);
    merged = save({spike, zeros});
    EXPECT_EQ(merged.kept, 1);
    flags = read();
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_TRUE(find(flags, spike)->active);
    EXPECT_EQ(find(flags, spike)->status, FlagStatus::Accepted);

    // Another station sees none of them; a bad code is refused in French.
    EXPECT_TRUE(read(true, QStringLiteral("13")).empty());
    std::vector<StoredFlag> none;
    EXPECT_FALSE(readQualityFlags(AccesBase::instance(), QStringLiteral("12' OR '1'='1"), kMarch1,
                                  kMarch31, none, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Code de station invalide")));
}

// What a validation would pass over: open severe flags after the last validated instant up
// to the mark, inclusive, decided and inactive ones left out.
TEST_P(QualityStore, CountsOpenSevereFlags)
{
    AccesBase &db = AccesBase::instance();
    const auto count = [&](const std::optional<QDateTime> &after, const QDateTime &until) {
        QString error;
        const qint64 n = countOpenFlags(db, kCode, after, until, QualitySeverity::Severe, &error);
        EXPECT_GE(n, 0) << error.toStdString();
        return n;
    };
    const QDateTime endOfMarch(kMarch31, QTime(23, 59), Qt::UTC);
    // No table yet: nothing stands in the way.
    EXPECT_EQ(count(std::nullopt, endOfMarch), 0);

    const QualityFlag first = flag(3, QualityRule::Range, -2, QualitySeverity::Severe);
    const QualityFlag timed =
        flag(10, QualityRule::Spike, 90, QualitySeverity::Severe, QTime(6, 0));
    const QualityFlag mild = flag(11, QualityRule::Stuck, 4, QualitySeverity::Warning);
    const QualityFlag decided = flag(12, QualityRule::Spike, 70, QualitySeverity::Severe);
    save({first, timed, mild, decided});
    ASSERT_EQ(decideQualityFlags(db, kCode, {decided}, FlagStatus::Accepted), 1);

    EXPECT_EQ(count(std::nullopt, endOfMarch), 2);
    const QDateTime third(QDate(2024, 3, 3), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(count(std::nullopt, third), 1); // until is inclusive
    EXPECT_EQ(count(third, endOfMarch), 1);   // after is exclusive
    EXPECT_EQ(count(third, QDateTime(QDate(2024, 3, 10), QTime(5, 59), Qt::UTC)), 0);
    EXPECT_EQ(count(third, QDateTime(QDate(2024, 3, 10), QTime(6, 0), Qt::UTC)), 1);

    // Reopening a decision counts it again.
    ASSERT_EQ(decideQualityFlags(db, kCode, {decided}, FlagStatus::Open), 1);
    EXPECT_EQ(count(std::nullopt, endOfMarch), 3);
}

INSTANTIATE_TEST_SUITE_P(Engines, QualityStore, PLX_ENGINES, PLX_ENGINE_NAME);
