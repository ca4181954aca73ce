// The journal screen's pages on a JOURNAL of 1,000,000 rows (three events a minute), next to
// reading the whole table newest first on the same connection in the same run, which is
// what a screen without pages would do before showing anything:
//   the first page, a page deep in the table (from a cursor), a filtered page (one user's
//   errors, a rarer subset) and the page after a boundary shared by equal instants.
// Each figure is the best of three runs. PostgreSQL is measured when PLX_TEST_PG_PORT names
// a running server; the benchmark creates its own database there and drops it afterwards.
#include "benchseries.h"
#include "session/journalquery.h"

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kPage = 500;

const QString kColumns = QStringLiteral(
    "(dateEvt %1, niveau integer, utilisateur varchar(50), contact varchar(50), ip varchar(50), "
    "projet varchar(50), description varchar(255))");

void report(const char *engine, AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    JournalPage page;
    QString error;
    const auto read = [&](const JournalFilter &filter, const JournalCursor &cursor) {
        if (!readJournalPage(db, filter, cursor, kPage, page, &error))
            std::fprintf(stderr, "%s: %s\n", engine, qPrintable(error));
    };
    const double first = best([&] { read({}, {}); });
    const size_t firstRows = page.rows.size();
    JournalCursor deep;
    deep.before = QDateTime(QDate(2023, 5, 1), QTime(12, 0), Qt::UTC);
    deep.skip = 1; // inside a group of three equal instants
    const double middle = best([&] { read({}, deep); });
    JournalFilter errors;
    errors.user = QStringLiteral("marie");
    errors.level = 1;
    const double filtered = best([&] { read(errors, {}); });
    const size_t filteredRows = page.rows.size();
    JournalFilter station;
    station.station = QStringLiteral("17");
    const double named = best([&] { read(station, {}); });
    qint64 all = 0;
    const double whole = best([&] {
        all = 0;
        db.readRecords(QStringLiteral("SELECT dateEvt, niveau, utilisateur, contact, ip, projet, "
                                      "description FROM JOURNAL ORDER BY dateEvt DESC"),
                       [&](const QVariant *, int) {
                           ++all;
                           return true;
                       });
    });
    std::printf("%-10s %d rows | first page of %zu: %.4f s | deep page: %.4f s | one user's "
                "errors (%zu rows): %.4f s | rain gauge 17: %.4f s\n",
                engine, kRows, firstRows, first, middle, filteredRows, filtered, named);
    std::printf("%-10s reading all %lld rows newest first: %.3f s (first page %.0f times faster)\n",
                engine, all, whole, first > 0 ? whole / first : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    AccesBase &db = AccesBase::instance();
    QString error;
    const QString users = QStringLiteral("CASE i % 4 WHEN 0 THEN 'MARIE' WHEN 1 THEN 'PAUL' "
                                         "WHEN 2 THEN 'ADMIN' ELSE 'AUTO' END");
    const QString text = QStringLiteral("'Validation du pluviomètre ' || (i % 50 + 1) || "
                                        "' : ' || i || ' mesures'");
    {
        QTemporaryDir dir;
        ConnectionProfile profile;
        profile.kind = QStringLiteral("ACCESS");
        profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
        profile.createIfMissing = true;
        const QString fill =
            QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE "
                           "i < %1) INSERT INTO JOURNAL SELECT datetime('2023-01-01', '+' || "
                           "(i / 3 * 60) || ' seconds'), i % 3 + 1, %2, NULL, '10.0.0.1', "
                           "'PLXReader', %3 FROM s")
                .arg(kRows - 1)
                .arg(users, text);
        if (db.Connecter(profile, &error) &&
            db.executeNative(QStringLiteral("CREATE TABLE JOURNAL ") + kColumns.arg(QStringLiteral("text")), &error) &&
            db.executeNative(fill, &error) &&
            db.executeNative(QStringLiteral("CREATE INDEX ind_journal ON JOURNAL (dateEvt)"), &error))
            report("SQLite", db);
        else
            std::fprintf(stderr, "SQLite: %s\n", qPrintable(error + db.lastError()));
        db.Deconnecter();
    }
    const QString port = qEnvironmentVariable("PLX_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("PostgreSQL: skipped (PLX_TEST_PG_PORT not set)\n");
        return 0;
    }
    ConnectionProfile profile;
    profile.kind = QStringLiteral("POSTGRESQL");
    profile.server = QStringLiteral("127.0.0.1");
    profile.port = port;
    profile.user = qEnvironmentVariable("PLX_TEST_PG_USER", QStringLiteral("postgres"));
    profile.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("bench_journal_%1").arg(QCoreApplication::applicationPid());
    if (!db.Connecter(profile, &error) ||
        !db.executeNative(QStringLiteral("CREATE DATABASE ") + name, &error)) {
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
        return 1;
    }
    ConnectionProfile bench = profile;
    bench.database = name;
    const QString fill =
        QStringLiteral("INSERT INTO JOURNAL SELECT timestamp '2023-01-01' + (i / 3) * interval "
                       "'1 minute', i % 3 + 1, %1, NULL, '10.0.0.1', 'PLXReader', %2 FROM "
                       "generate_series(0, %3) AS i")
            .arg(users, text)
            .arg(kRows - 1);
    if (db.Connecter(bench, &error) &&
        db.executeNative(QStringLiteral("CREATE TABLE JOURNAL ") +
                             kColumns.arg(QStringLiteral("timestamp with time zone")), &error) &&
        db.executeNative(fill, &error) &&
        db.executeNative(QStringLiteral("CREATE INDEX ind_journal ON JOURNAL (dateEvt)"), &error) &&
        db.executeNative(QStringLiteral("ANALYZE JOURNAL"), &error))
        report("PostgreSQL", db);
    if (!error.isEmpty())
        std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(error));
    db.Connecter(profile);
    db.executeNative(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name), nullptr);
    db.Deconnecter();
    return 0;
}
