#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "measures/measurehistory.h"
#include "measures/measurementtable.h"
#include "measures/validationchecks.h"
#include "measures/validationdata.h"
#include "measures/validationstore.h"
#include "session/session.h"
#include "support/schemadatabasetest.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace plx;

namespace {

const QString kCode = QStringLiteral("12");

QDate day(const char *text)
{
    return *parseDate(QLatin1String(text));
}

QDateTime at(const char *text)
{
    return *parseDateTime(QLatin1String(text));
}

void type(MeasureRow &row, int column, const char *text)
{
    const QStringList messages = applyCellText(row, column, QString::fromUtf8(text));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// "instant|parameter|old|new|old validity|new validity|kind|row type|login" for each row,
// newest first (the order of plx history).
QStringList historyLines(AccesBase &db, const HistoryFilter &filter = {})
{
    std::vector<HistoryEntry> entries;
    QString error;
    EXPECT_TRUE(readHistory(db, kCode, filter, entries, &error)) << error.toStdString();
    QStringList lines;
    const auto number = [](const std::optional<double> &v) {
        return v ? formatNumber(*v) : QString();
    };
    for (const HistoryEntry &e : entries) {
        lines << QStringList{e.instant.isValid() ? formatDateTime(e.instant) : QString(),
                             e.parameter,
                             number(e.oldValue),
                             number(e.newValue),
                             e.oldValidite,
                             e.newValidite,
                             e.nature,
                             QString(e.rowType),
                             e.login}
                     .join(QLatin1Char('|'));
    }
    return lines;
}

// Two users on one database: A is the process-wide connection, B a second connection to
// the same file or server (two SQLite handles on one file, two PostgreSQL sessions).
class MultiUser : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        ASSERT_TRUE(CreateMeasurementTable(a(), kCode, false));
        QString error;
        ASSERT_TRUE(m_b.Connecter(runProfile(), &error)) << error.toStdString();
        for (int d = 1; d <= 4; ++d)
            plxtest::insertMeasure(a(), kCode, QStringLiteral("0%1/03/2024").arg(d),
                                   QStringLiteral("06:00:00"), d);
        session().login = QStringLiteral("ALICE");
    }
    void TearDown() override
    {
        m_b.Deconnecter();
        SchemaDatabaseTest::TearDown();
    }
    static AccesBase &a() { return AccesBase::instance(); }
    AccesBase &b() { return m_b; }
    std::vector<MeasureRow> load(AccesBase &db)
    {
        LoadResult result = loadWindow(db, kCode, day("01/03/2024"), day("04/03/2024"));
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return std::move(result.rows);
    }
    QStringList stored() { return plxtest::storedMeasures(a(), kCode); }
    // A save as user login.
    SaveResult save(AccesBase &db, const char *login, std::vector<MeasureRow> &rows,
                    int mark = -1)
    {
        session().login = QLatin1String(login);
        return saveRows(db, kCode, rows, mark, std::nullopt);
    }

    AccesBase m_b;
};

} // namespace

// A and B load the same window; B changes a row and saves; A changes another row and the
// same one: A's other row is written, the shared one refused and shown with B's value,
// nothing of B's lost; reloading the refused row keeps A's other edits.
TEST_P(MultiUser, SecondSaveDoesNotOverwriteTheFirst)
{
    if (!ready())
        return;
    std::vector<MeasureRow> rowsA = load(a());
    std::vector<MeasureRow> rowsB = load(b());
    ASSERT_EQ(rowsA.size(), 4u);

    type(rowsB[1], kPluieColumn, "20");
    SaveResult savedB = save(b(), "BOB", rowsB);
    ASSERT_TRUE(savedB.ok) << savedB.error.toStdString();
    EXPECT_TRUE(savedB.conflictRows.isEmpty());

    type(rowsA[0], kPluieColumn, "10");
    type(rowsA[1], kPluieColumn, "7");
    type(rowsA[3], kPluieColumn, "40");
    const SaveResult savedA = save(a(), "ALICE", rowsA);
    ASSERT_TRUE(savedA.ok) << savedA.error.toStdString();
    EXPECT_EQ(savedA.written, 2);
    EXPECT_EQ(savedA.conflictRows, QList<int>{1});
    ASSERT_EQ(savedA.conflictStored.size(), 1u);
    EXPECT_TRUE(savedA.conflictStored[0].exists);
    EXPECT_EQ(savedA.conflictStored[0].values[0], 20.0) << "B's value, to show beside A's";
    EXPECT_TRUE(rowsA[1].conflict && rowsA[1].dirty);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("01/03/2024 06:00:00|10|||M|0"),
                            QStringLiteral("02/03/2024 06:00:00|20|||M|0"),
                            QStringLiteral("03/03/2024 06:00:00|3|||A|"),
                            QStringLiteral("04/03/2024 06:00:00|40|||M|0"),
                        }));

    // A saves again without reloading: still refused, still B's value.
    type(rowsA[2], kPluieColumn, "30");
    const SaveResult again = save(a(), "ALICE", rowsA);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.conflictRows, QList<int>{1});
    EXPECT_EQ(again.written, 1);

    // Reloading the refused row takes B's record; it then saves normally.
    QList<int> gone;
    ASSERT_TRUE(reloadRows(a(), kCode, rowsA, {1}, &gone));
    EXPECT_TRUE(gone.isEmpty());
    EXPECT_FALSE(rowsA[1].dirty || rowsA[1].conflict);
    EXPECT_EQ(rowsA[1].values[0], 20.0);
    type(rowsA[1], kPluieColumn, "21");
    const SaveResult afterReload = save(a(), "ALICE", rowsA);
    EXPECT_TRUE(afterReload.ok && afterReload.conflictRows.isEmpty() && afterReload.written == 1);

    // B deletes a row A then edits: refused too, and reloading it drops it from A's grid.
    rowsB = load(b());
    session().login = QStringLiteral("BOB");
    ASSERT_EQ(deleteRows(b(), kCode, rowsB, {2}), QList<int>{2});
    type(rowsA[2], kPluieColumn, "33");
    const SaveResult deleted = save(a(), "ALICE", rowsA);
    EXPECT_EQ(deleted.conflictRows, QList<int>{2});
    EXPECT_FALSE(deleted.conflictStored.at(0).exists);
    ASSERT_TRUE(reloadRows(a(), kCode, rowsA, {2}, &gone));
    EXPECT_EQ(gone, QList<int>{2});
    EXPECT_EQ(stored().size(), 3);

    // A deletion of a row B changed since A loaded is refused as well.
    rowsA = load(a());
    rowsB = load(b());
    type(rowsB[0], kPluieColumn, "11");
    ASSERT_TRUE(save(b(), "BOB", rowsB).ok);
    QList<int> changed;
    EXPECT_TRUE(deleteRows(a(), kCode, rowsA, {0, 1}, nullptr, &changed) == QList<int>{1});
    EXPECT_EQ(changed, QList<int>{0});
    EXPECT_TRUE(stored().at(0).startsWith(QStringLiteral("01/03/2024 06:00:00|11|")));

    // A whole run of days edited (read by day range, not key by key): the same refusal.
    for (const char *d : {"02/03/2024", "03/03/2024"})
        plxtest::insertMeasure(a(), kCode, QLatin1String(d), QStringLiteral("06:00:00"), 5);
    rowsA = load(a());
    ASSERT_EQ(rowsA.size(), 4u);
    rowsB = load(b());
    type(rowsB[1], kPluieColumn, "22");
    ASSERT_TRUE(save(b(), "BOB", rowsB).ok);
    for (MeasureRow &row : rowsA)
        type(row, kPluieColumn, "50");
    const SaveResult run = save(a(), "ALICE", rowsA);
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    EXPECT_EQ(run.conflictRows, QList<int>{1});
    EXPECT_EQ(run.written, 3);
    EXPECT_TRUE(stored().at(1).startsWith(QStringLiteral("02/03/2024 06:00:00|22|")));
}

// B validates after A loaded: A's save neither clears B's validation (the row A changed is
// refused) nor overwrites it with its own mark; validating up to the mark afterwards
// leaves B's rows as B left them.
TEST_P(MultiUser, ValidationByAnotherUserSurvives)
{
    if (!ready())
        return;
    std::vector<MeasureRow> rowsA = load(a());
    session().login = QStringLiteral("BOB");
    ASSERT_EQ(validateUntil(b(), kCode, at("02/03/2024 06:00:00"), std::nullopt), 2);

    type(rowsA[1], kPluieColumn, "9");
    type(rowsA[2], kPluieColumn, "8");
    SaveResult saved = save(a(), "ALICE", rowsA, 3);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.conflictRows, QList<int>{1});
    EXPECT_FALSE(saved.validated) << "no validation while rows are refused";
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("01/03/2024 06:00:00|1||V|A|"),
                            QStringLiteral("02/03/2024 06:00:00|2||V|A|"),
                            QStringLiteral("03/03/2024 06:00:00|8|||M|0"),
                            QStringLiteral("04/03/2024 06:00:00|4|||A|"),
                        }));

    // Reloaded, the grid sees B's validation; A's mark then validates only the rest.
    ASSERT_TRUE(reloadRows(a(), kCode, rowsA, {1}, nullptr));
    EXPECT_TRUE(rowsA[1].isValidated());
    saved = save(a(), "ALICE", rowsA, 3);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(saved.validated);
    EXPECT_EQ(saved.validatedCount, 2);
    const QStringList lines = historyLines(a());
    // B's validation batch and A's, each one summary; A's rows in between.
    EXPECT_EQ(lines.filter(QStringLiteral("|VALIDATION|L|BOB")).size(), 1) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("|VALIDATION|L|ALICE")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("|VALIDATION|")).size(), 2) << "no per-record rows";
}

// A save that fails half-way writes neither values nor history; the history then holds a
// row per changed value of an edit, a deletion, a validation and a devalidation, with who
// did it; a revert puts a batch back as a new change, and is refused as a whole for a
// record changed since.
TEST_P(MultiUser, HistoryAndRevert)
{
    if (!ready())
        return;
    if (GetParam() == QLatin1String("sqlite")) {
        ASSERT_TRUE(a().Execute(
            QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON PLUVIO_12 WHEN NEW.Pluie = 666 "
                           "BEGIN SELECT RAISE(ABORT, 'refus'); END")));
    } else {
        ASSERT_TRUE(a().executeNative(
            QStringLiteral("CREATE FUNCTION refus() RETURNS trigger AS $$ BEGIN "
                           "IF NEW.Pluie = 666 THEN RAISE EXCEPTION 'refus'; END IF; "
                           "RETURN NEW; END $$ LANGUAGE plpgsql"),
            nullptr));
        ASSERT_TRUE(a().executeNative(QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON "
                                                     "pluvio_12 FOR EACH ROW EXECUTE FUNCTION "
                                                     "refus()"),
                                      nullptr));
    }
    std::vector<MeasureRow> rows = load(a());
    type(rows[0], kPluieColumn, "1,5");
    type(rows[1], kDateColumn, "06/03/2024"); // moved: deleted at 02/03, added at 06/03
    MeasureRow added = insertedRow();
    type(added, kDateColumn, "07/03/2024");
    type(added, kHeureColumn, "06:00");
    type(added, kPluieColumn, "666");
    rows.push_back(added);
    const QStringList before = stored();
    EXPECT_FALSE(save(a(), "ALICE", rows).ok);
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(historyLines(a()).isEmpty()) << "a failed save leaves no history";

    type(rows[4], kPluieColumn, "7");
    const SaveResult saved = save(a(), "ALICE", rows);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_FALSE(saved.batch.isEmpty());
    EXPECT_EQ(historyLines(a()),
              (QStringList{QStringLiteral("||||||SAISIE|L|ALICE"),
                           QStringLiteral("01/03/2024 06:00:00|Pluie|1|1,5|||SAISIE|M|ALICE"),
                           QStringLiteral("02/03/2024 06:00:00|Pluie|2||||SAISIE|S|ALICE"),
                           QStringLiteral("06/03/2024 06:00:00|Pluie||2|||SAISIE|A|ALICE"),
                           QStringLiteral("07/03/2024 06:00:00|Pluie||7|||SAISIE|A|ALICE")}));

    // Validation and devalidation: one summary row each, whatever their size.
    session().login = QStringLiteral("BOB");
    ASSERT_EQ(validateUntil(a(), kCode, at("06/03/2024 06:00:00"), std::nullopt), 4);
    ASSERT_EQ(devalidateAll(a(), kCode), 4);
    rows = load(a());
    ASSERT_EQ(deleteRows(a(), kCode, rows, {1}), QList<int>{1}); // 03/03
    QStringList lines = historyLines(a());
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.filter(QStringLiteral("|DEVALIDATION|L|BOB")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("|VALIDATION|L|BOB")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("|SUPPRESSION|")),
              QStringList{QStringLiteral("03/03/2024 06:00:00|Pluie|3||||SUPPRESSION|S|BOB")});
    // The filters: period of the measurements (summaries over it included), user, kind.
    HistoryFilter filter;
    filter.from = day("06/03/2024");
    filter.to = day("06/03/2024");
    EXPECT_EQ(historyLines(a(), filter).size(), 4) << "06/03 added, save, validation and "
                                                      "devalidation summaries";
    filter = {};
    filter.login = QStringLiteral("alice");
    EXPECT_EQ(historyLines(a(), filter).size(), 5);
    filter.nature = QStringLiteral("SUPPRESSION");
    EXPECT_TRUE(historyLines(a(), filter).isEmpty());

    // A cell's history: its own rows and the summaries whose range holds it.
    const std::vector<HistoryEntry> cell =
        cellHistory(a(), kCode, at("01/03/2024 06:00:00"), QStringLiteral("Pluie"));
    ASSERT_EQ(cell.size(), 3u);
    EXPECT_EQ(cell[0].nature, QStringLiteral("DEVALIDATION")) << "newest first";
    EXPECT_EQ(cell[1].nature, QStringLiteral("VALIDATION"));
    EXPECT_EQ(cell[2].oldValue, 1.0);
    EXPECT_EQ(cell[2].newValue, 1.5);

    // The revert of the first save: refused while 01/03 differs from what it left...
    rows = load(a());
    type(rows[0], kPluieColumn, "5");
    ASSERT_TRUE(save(a(), "BOB", rows).ok);
    const QStringList beforeRevert = stored();
    RevertResult revert = revertBatch(a(), kCode, saved.batch);
    EXPECT_FALSE(revert.ok);
    EXPECT_EQ(revert.changedSince, QList<QDateTime>{at("01/03/2024 06:00:00")});
    EXPECT_EQ(stored(), beforeRevert);

    // ... and done as a new change once it is back to what the save left.
    rows = load(a());
    type(rows[0], kPluieColumn, "1,5");
    ASSERT_TRUE(save(a(), "BOB", rows).ok);
    session().login = QStringLiteral("CLAIRE");
    revert = revertBatch(a(), kCode, saved.batch);
    ASSERT_TRUE(revert.ok) << revert.error.toStdString();
    EXPECT_EQ(revert.records, 4);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("01/03/2024 06:00:00|1|||M|0"),
                            QStringLiteral("02/03/2024 06:00:00|2|||M|0"),
                            QStringLiteral("04/03/2024 06:00:00|4|||A|"),
                        }));
    filter = {};
    filter.nature = QStringLiteral("ANNULATION");
    EXPECT_EQ(historyLines(a(), filter).size(), 5) << historyLines(a(), filter).join(QLatin1Char('\n')).toStdString();
    // A summary-only batch cannot be reverted.
    std::vector<HistoryEntry> all;
    ASSERT_TRUE(readHistory(a(), kCode, {}, all));
    const auto devalidation = std::find_if(all.begin(), all.end(), [](const HistoryEntry &e) {
        return e.nature == QLatin1String("DEVALIDATION");
    });
    ASSERT_NE(devalidation, all.end());
    EXPECT_FALSE(revertBatch(a(), kCode, devalidation->batch).ok);
}


namespace {

// pg_ctl on the test script's server (tools/plx-dev.sh exports where it lives).
bool pgCtl(const QStringList &arguments)
{
    const QString ctl = qEnvironmentVariable("PLX_TEST_PG_CTL");
    const QString data = qEnvironmentVariable("PLX_TEST_PG_DATA");
    const QString osUser = qEnvironmentVariable("PLX_TEST_PG_OSUSER");
    QStringList command{ctl, QStringLiteral("-D"), data, QStringLiteral("-w")};
    command += arguments;
    if (!osUser.isEmpty())
        command = QStringList{QStringLiteral("-u"), osUser, QStringLiteral("--")} + command;
    const QString program = osUser.isEmpty() ? command.takeFirst() : QStringLiteral("runuser");
    QProcess process;
    process.start(program, command);
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The options the server was started with, for starting it again after a stop.
QString serverOptions()
{
    QFile file(qEnvironmentVariable("PLX_TEST_PG_DATA") + QStringLiteral("/postmaster.opts"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QStringList parts = QString::fromUtf8(file.readAll()).trimmed().split(QLatin1Char(' '));
    parts.removeFirst(); // the server program
    const qsizetype d = parts.indexOf(QStringLiteral("\"-D\""));
    if (d >= 0)
        parts.remove(d, 2); // pg_ctl gives it
    return parts.join(QLatin1Char(' '));
}

} // namespace

// The server stopped and started under a connected client: the next statement succeeds
// without a new login; a save whose connection drops half-way writes nothing, says so and
// keeps the edits, and succeeds when repeated; a save during an outage names the server,
// and succeeds once it is back.
TEST_P(MultiUser, ServerGoesAwayAndComesBack)
{
    if (!ready())
        return;
    if (GetParam() != QLatin1String("postgresql") || qEnvironmentVariable("PLX_TEST_PG_DATA").isEmpty())
        GTEST_SKIP() << "a server the test may restart";
    QStringList states;
    a().setLinkObserver([&](AccesBase::LinkState state, const QString &server, const QString &) {
        states << QStringLiteral("%1 %2").arg(int(state)).arg(server);
    });
    const QString options = serverOptions();
    ASSERT_FALSE(options.isEmpty());
    std::vector<MeasureRow> rows = load(a());
    ASSERT_TRUE(pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("restart")}));
    QString error;
    ASSERT_TRUE(m_b.Connecter(runProfile(), &error)) << error.toStdString();

    rows = load(a());
    ASSERT_EQ(rows.size(), 4u) << "read on a new connection, no new login";
    const QString server = QStringLiteral("127.0.0.1:") + qEnvironmentVariable("PLX_TEST_PG_PORT");
    EXPECT_EQ(states, (QStringList{QStringLiteral("1 ") + server, QStringLiteral("2 ") + server}));

    // The connection cut while the save writes: nothing stays, the edits stay in the rows.
    type(rows[0], kPluieColumn, "10");
    type(rows[1], kPluieColumn, "20");
    const QStringList before = stored();
    bool cut = false;
    SaveResult saved = saveRows(a(), kCode, rows, -1, std::nullopt, [&](qint64, qint64) {
        if (!cut) {
            cut = true;
            EXPECT_TRUE(b().queryNative(QStringLiteral(
                                            "SELECT pg_terminate_backend(pid) FROM "
                                            "pg_stat_activity WHERE datname = current_database() "
                                            "AND pid <> pg_backend_pid()"))
                            .ok());
        }
        return true;
    });
    ASSERT_TRUE(cut);
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.error.contains(server)) << saved.error.toStdString();
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(rows[0].dirty && rows[1].dirty);
    saved = saveRows(a(), kCode, rows, -1, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.written, 2);

    // The server down: the save says which server does not answer, and writes once back.
    ASSERT_TRUE(pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")}));
    type(rows[2], kPluieColumn, "30");
    saved = saveRows(a(), kCode, rows, -1, std::nullopt);
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.error.contains(server)) << saved.error.toStdString();
    ASSERT_TRUE(pgCtl({QStringLiteral("-o"), options, QStringLiteral("-l"),
                       qEnvironmentVariable("PLX_TEST_PG_DATA") + QStringLiteral("/../log.restart"),
                       QStringLiteral("start")}));
    saved = saveRows(a(), kCode, rows, -1, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.written, 1);
    EXPECT_TRUE(stored().at(2).startsWith(QStringLiteral("03/03/2024 06:00:00|30|")));
    a().setLinkObserver({});
}

INSTANTIATE_TEST_SUITE_P(Engines, MultiUser, PLX_ENGINES, PLX_ENGINE_NAME);
