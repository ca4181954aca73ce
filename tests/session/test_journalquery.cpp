#include "session/journalquery.h"

#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using plx::AccesBase;
using plx::JournalCursor;
using plx::JournalFilter;
using plx::JournalPage;

constexpr int kRows = 100000;
const QDateTime kStart(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);

// Row i: three rows share each second (so page boundaries fall inside groups of equal
// instants), users, levels and modules in turn, a station code 1..50 and i in the text.
QString userOf(int i) { return QStringList{"MARIE", "PAUL", "ADMIN", "AUTO"}[i % 4]; }
int levelOf(int i) { return i % 3 + 1; }
QString projectOf(int i) { return i % 5 == 0 ? QStringLiteral("PLXQualito") : QStringLiteral("PLXReader"); }
int stationOf(int i) { return i % 50 + 1; }
QDateTime instantOf(int i) { return kStart.addSecs(i / 3 * 60); }

class JournalQueryTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "engine-neutral SQL; SQLite and PostgreSQL cover it";
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_db->connect());
        plx::runProfile() = m_db->profile();
        plx::clearSession();
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM JOURNAL")));
        fill();
    }
    void TearDown() override
    {
        plx::clearSession();
        db().Deconnecter();
        m_db.reset();
    }
    static AccesBase &db() { return AccesBase::instance(); }

    static void fill()
    {
        QString error;
        ASSERT_TRUE(db().DebutTransaction(&error)) << error.toStdString();
        auto insert = db().prepare(
            QStringLiteral("INSERT INTO JOURNAL (dateEvt, niveau, utilisateur, contact, ip, "
                           "projet, description) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            &error);
        ASSERT_TRUE(insert) << error.toStdString();
        for (int i = 0; i < kRows; ++i) {
            ASSERT_TRUE(insert->exec({instantOf(i), levelOf(i), userOf(i), QVariant(),
                                      QStringLiteral("10.0.0.1"), projectOf(i),
                                      QStringLiteral("Validation du pluviomètre %1 : %2 mesures")
                                          .arg(stationOf(i))
                                          .arg(i)},
                                     &error))
                << error.toStdString();
        }
        // 25 identical rows at one instant: more than a page of 10 shares the boundary.
        for (int i = 0; i < 25; ++i)
            ASSERT_TRUE(insert->exec({kStart.addDays(400), 2, QStringLiteral("LOT"), QVariant(),
                                      QStringLiteral("10.0.0.2"), QStringLiteral("LOT"),
                                      QStringLiteral("Import")},
                                     &error));
        ASSERT_TRUE(db().FinTransaction(true, &error)) << error.toStdString();
    }

    // Every page of the filter in turn; fails on an unordered row.
    static std::vector<plx::JournalEntry> readAll(const JournalFilter &filter, int pageSize,
                                                  int *pages = nullptr)
    {
        std::vector<plx::JournalEntry> all;
        JournalCursor cursor;
        for (int n = 0;; ++n) {
            JournalPage page;
            QString error;
            EXPECT_TRUE(plx::readJournalPage(db(), filter, cursor, pageSize, page, &error))
                << error.toStdString();
            EXPECT_LE(int(page.rows.size()), pageSize);
            for (const plx::JournalEntry &e : page.rows) {
                if (!all.empty()) {
                    EXPECT_GE(all.back().dateEvt, e.dateEvt) << "not newest first";
                }
                all.push_back(e);
            }
            if (!page.hasMore || page.rows.empty()) {
                if (pages)
                    *pages = n + 1;
                return all;
            }
            cursor = page.next;
        }
    }
    // The i of each row ("... : i mesures").
    static std::multiset<int> numbers(const std::vector<plx::JournalEntry> &rows)
    {
        std::multiset<int> out;
        for (const plx::JournalEntry &e : rows)
            out.insert(e.description.section(QLatin1Char(' '), -2, -2).toInt());
        return out;
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_db;
};

TEST_P(JournalQueryTest, PagesCoverEveryRowOnceNewestFirst)
{
    JournalFilter all;
    all.project = QStringLiteral("PLXReader");
    // 1000 is not a multiple of 3: most boundaries split a group of equal instants.
    const std::vector<plx::JournalEntry> rows = readAll(all, 1000);
    ASSERT_EQ(rows.size(), size_t(kRows / 5 * 4));
    const std::multiset<int> seen = numbers(rows);
    std::multiset<int> expected;
    for (int i = 0; i < kRows; ++i)
        if (i % 5 != 0)
            expected.insert(i);
    EXPECT_TRUE(seen == expected) << "rows lost or repeated across pages";
    EXPECT_EQ(rows.front().dateEvt, instantOf(kRows - 1));

    // More equal instants than a page: 10, 10, 5 and nothing repeated.
    JournalFilter lot;
    lot.user = QStringLiteral("lot"); // without case
    int pages = 0;
    EXPECT_EQ(readAll(lot, 10, &pages).size(), 25u);
    EXPECT_EQ(pages, 3);

    // The first page of the whole table: the newest rows, and the "more" flag.
    JournalPage first;
    ASSERT_TRUE(plx::readJournalPage(db(), JournalFilter{}, {}, 100, first));
    ASSERT_EQ(first.rows.size(), 100u);
    EXPECT_TRUE(first.hasMore);
    EXPECT_EQ(first.rows.front().projet, QStringLiteral("LOT"));
}

TEST_P(JournalQueryTest, FiltersCombineAndStationCodesMatchWholeWords)
{
    JournalFilter filter;
    filter.from = QDate(2024, 1, 2);
    filter.to = QDate(2024, 1, 3); // the whole last day
    filter.user = QStringLiteral("Marie");
    filter.level = 1;
    filter.station = QStringLiteral("1");
    const std::vector<plx::JournalEntry> rows = readAll(filter, 500);
    std::multiset<int> expected;
    for (int i = 0; i < kRows; ++i) {
        const QDate day = instantOf(i).date();
        if (day >= *filter.from && day <= *filter.to && userOf(i) == QLatin1String("MARIE") &&
            levelOf(i) == 1 && stationOf(i) == 1)
            expected.insert(i);
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(numbers(rows) == expected) << rows.size() << " rows, " << expected.size()
                                           << " expected (code 1 must not match 10..19)";

    JournalFilter module;
    module.project = QStringLiteral("plxqualito");
    module.to = QDate(2023, 12, 31);
    EXPECT_TRUE(readAll(module, 100).empty());

    // A code that is not a number is refused in French; a quote cannot reach the SQL.
    JournalFilter bad;
    bad.station = QStringLiteral("12' or '1'='1");
    JournalPage page;
    QString error;
    EXPECT_FALSE(plx::readJournalPage(db(), bad, {}, 10, page, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("doit être un nombre"))) << error.toStdString();
    JournalFilter quoted;
    quoted.user = QStringLiteral("O'Brien");
    EXPECT_TRUE(readAll(quoted, 10).empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, JournalQueryTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
