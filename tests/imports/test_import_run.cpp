#include "db/accesbase.h"
#include "db/sqltext.h"
#include "imports/importrun.h"
#include "measures/measurehistory.h"
#include "measures/measurementtable.h"
#include "measures/validationdata.h"
#include "support/schemadatabasetest.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <variant>

using namespace plx;

namespace {

// What a reader would send, in order; a Stop makes the read fail there as a damaged
// file does.
struct Stop
{
    QString error;
};
using Item = std::variant<ImportedStation, ImportedRow, RefusedLine, Stop>;

class FakeReader final : public ImportReader
{
public:
    explicit FakeReader(std::vector<Item> items) : m_items(std::move(items)) {}
    ImportFormat format() const override { return ImportFormat::Csv; }
    QString timeConvention() const override { return QStringLiteral("comme la source"); }
    ReadResult read(QIODevice &, ImportSink &sink) override
    {
        ReadResult result;
        for (const Item &item : m_items) {
            ++result.linesRead;
            bool go = true;
            if (const auto *station = std::get_if<ImportedStation>(&item))
                go = sink.station(*station);
            else if (const auto *row = std::get_if<ImportedRow>(&item))
                go = sink.row(*row);
            else if (const auto *refused = std::get_if<RefusedLine>(&item))
                go = sink.refused(*refused);
            else {
                result.error = std::get<Stop>(item).error;
                return result;
            }
            if (!go) {
                result.cancelled = true;
                return result;
            }
        }
        result.ok = true;
        return result;
    }

private:
    std::vector<Item> m_items;
};

QList<ImportSource> oneFile(const char *name = "pluies.csv")
{
    ImportSource source;
    source.name = QLatin1String(name);
    source.open = [](QString *) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData("-");
        buffer->open(QIODevice::ReadOnly);
        return std::unique_ptr<QIODevice>(std::move(buffer));
    };
    return {source};
}

qint64 g_line = 0;

ImportedRow rain(const char *station, const QDate &day, double mm, bool validated = false,
                 const QTime &time = QTime())
{
    ImportedRow row;
    row.station = QLatin1String(station);
    row.date = day;
    row.time = time;
    row.setValue(0, mm);
    if (validated)
        row.validite = QLatin1Char('V');
    row.line = ++g_line;
    return row;
}

QDate jan(int d)
{
    return QDate(2024, 1, d);
}

class ImportRun : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        g_line = 0;
        addStation(12, "13055001");
    }
    static AccesBase &db() { return AccesBase::instance(); }
    static void addStation(int code, const char *identifiant)
    {
        ASSERT_TRUE(
            db().Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, "
                                        "Identifiant) VALUES (%1, %2, %3)")
                             .arg(sqlNumber(code), sqlQuote(QStringLiteral("Poste %1").arg(code)),
                                  sqlQuote(QLatin1String(identifiant)))));
    }
    static qint64 count(const QString &sql)
    {
        const RecordTable t = db().ExtraireRecords(sql);
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        return t.ok() && t.rowCount() ? t.at(0, 0).toLongLong() : -1;
    }
    // The import's history rows of station 12: (summaries, value rows).
    static std::pair<int, int> history(std::vector<HistoryEntry> *kept = nullptr)
    {
        std::vector<HistoryEntry> entries;
        HistoryFilter filter;
        filter.nature = QStringLiteral("IMPORT");
        QString error;
        EXPECT_TRUE(readHistory(db(), QStringLiteral("12"), filter, entries, &error))
            << error.toStdString();
        const auto summaries = std::count_if(entries.begin(), entries.end(), [](const auto &e) {
            return e.rowType == QLatin1Char('L');
        });
        if (kept)
            *kept = entries;
        return {int(summaries), int(entries.size() - size_t(summaries))};
    }
    static void clearHistory()
    {
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM HISTORIQUE_VALEURS")));
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM HISTORIQUE_LOTS")));
    }
    static ImportReport run(std::vector<Item> items, const ImportOptions &options = {},
                            const ImportProgress &progress = {})
    {
        FakeReader reader(std::move(items));
        return runImport(db(), oneFile(), reader, options, progress);
    }
    static QStringList stored(int code)
    {
        return plxtest::storedMeasures(db(), QString::number(code));
    }
};

} // namespace

// The three choices for instants the table already holds, on validated, controlled and
// plain records; identical content is not rewritten; only changed records get history rows,
// each batch one summary row.
TEST_P(ImportRun, ExistingValueChoices)
{
    if (!ready())
        return;
    const QString code = QStringLiteral("12");
    const std::vector<Item> file{rain("13055001", jan(1), 10), rain("13055001", jan(2), 20),
                                 rain("13055001", jan(3), 3), rain("13055001", jan(4), 4, true),
                                 rain("13055001", jan(5), 50, true)};
    const auto reset = [&] {
        ASSERT_TRUE(CreateMeasurementTable(db(), code, false));
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM PLUVIO_12")));
        clearHistory();
        plxtest::insertMeasure(db(), code, QStringLiteral("01/01/2024"), QStringLiteral("00:00"), 1,
                               "V");
        // A record with another parameter and a break of continuity, which a rainfall file
        // does not carry: replacing its rainfall leaves them.
        plxtest::insertMeasure(db(), code, QStringLiteral("02/01/2024"), QStringLiteral("00:00"),
                               2, nullptr, 7);
        ASSERT_TRUE(db().Execute(QStringLiteral("UPDATE PLUVIO_12 SET Continuite = 1 WHERE Pluie = 2")));
        plxtest::insertMeasure(db(), code, QStringLiteral("03/01/2024"), QStringLiteral("00:00"),
                               3);
        plxtest::insertMeasure(db(), code, QStringLiteral("04/01/2024"), QStringLiteral("00:00"), 4,
                               "C");
    };

    struct Case
    {
        ExistingValues choice;
        qint64 written, kept;
        QStringList rows;
    };
    const Case cases[] = {
        // Unvalidated: the validated 01/01 stays; 03/01 holds the same value already.
        {ExistingValues::Unvalidated,
         3,
         2,
         {QStringLiteral("01/01/2024 00:00:00|1||V|A|"),
          QStringLiteral("02/01/2024 00:00:00|20|7||I|1"),
          QStringLiteral("03/01/2024 00:00:00|3|||A|"),
          QStringLiteral("04/01/2024 00:00:00|4||V|I|"),
          QStringLiteral("05/01/2024 00:00:00|50||V|I|")}},
        {ExistingValues::Keep,
         1,
         4,
         {QStringLiteral("01/01/2024 00:00:00|1||V|A|"),
          QStringLiteral("02/01/2024 00:00:00|2|7||A|1"),
          QStringLiteral("03/01/2024 00:00:00|3|||A|"),
          QStringLiteral("04/01/2024 00:00:00|4||C|A|"),
          QStringLiteral("05/01/2024 00:00:00|50||V|I|")}},
        {ExistingValues::Replace,
         4,
         1,
         {QStringLiteral("01/01/2024 00:00:00|10|||I|"),
          QStringLiteral("02/01/2024 00:00:00|20|7||I|1"),
          QStringLiteral("03/01/2024 00:00:00|3|||A|"),
          QStringLiteral("04/01/2024 00:00:00|4||V|I|"),
          QStringLiteral("05/01/2024 00:00:00|50||V|I|")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(existingValuesKey(c.choice).toStdString());
        reset();
        ImportOptions options;
        options.existing = c.choice;
        const ImportReport report = run(file, options);
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        EXPECT_EQ(report.read, 5);
        EXPECT_EQ(report.written, c.written);
        EXPECT_EQ(report.kept, c.kept);
        EXPECT_EQ(report.refused, 0);
        EXPECT_EQ(stored(12), c.rows);
        // One summary row; a record row per changed record only (the new 05/01 has none).
        std::vector<HistoryEntry> entries;
        EXPECT_EQ(history(&entries), std::make_pair(1, int(c.written - 1)));
        ASSERT_FALSE(entries.empty());
        EXPECT_TRUE(entries.front().comment.startsWith(
            QStringLiteral("Import pluies.csv (du 01/01/2024")))
            << entries.front().comment.toStdString();
        if (c.choice == ExistingValues::Replace) {
            // Replacing a validated value is kept in the history.
            EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                                    [](const HistoryEntry &e) {
                                        return e.oldValue == 1.0 && e.newValue == 10.0 &&
                                               e.oldValidite == QLatin1String("V");
                                    }),
                      1);
        }
    }

    // The same file again changes nothing and writes no history.
    ImportOptions again;
    again.existing = ExistingValues::Replace;
    clearHistory();
    const ImportReport second = run(file, again);
    EXPECT_EQ(second.written, 0);
    EXPECT_EQ(second.kept, 5);
    EXPECT_EQ(history(), std::make_pair(0, 0));
}

// Stations found by their national number, refused when unknown (with their lines), created
// when asked with a free code, the name, identifier and WGS84 coordinates of the file; a dry
// run counts the same and writes nothing, not even the journal.
TEST_P(ImportRun, StationsByNumberCreatedOrRefused)
{
    if (!ready())
        return;
    ImportedStation aix;
    aix.number = QStringLiteral("13001003");
    aix.name = QStringLiteral("AIX-EN-PROVENCE");
    aix.latitude = 43.53;
    aix.longitude = 5.44;
    aix.altitude = 173;
    // The source validated a value it also doubts: written without validation.
    ImportedRow doubted = rain("13001003", jan(2), 0, true);
    doubted.doubtful = true;
    const std::vector<Item> file{rain("13055001", jan(1), 1.5),
                                 aix,
                                 rain("13001003", jan(1), 2.5),
                                 doubted,
                                 RefusedLine{99, QStringLiteral("date inexistante : 30/02/2024")},
                                 rain("", jan(3), 1)};
    const auto journalLines = [] {
        return count(QStringLiteral("SELECT count(*) FROM JOURNAL WHERE Description LIKE "
                                    "'Import de données : %'"));
    };
    const qint64 journalBefore = journalLines();

    ImportReport report = run(file);
    EXPECT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.read, 5);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.refused, 4);
    ASSERT_EQ(report.refusedLines.size(), 4);
    EXPECT_EQ(report.refusedLines[0].second.line, 3);
    EXPECT_EQ(report.refusedLines[0].second.reason, QStringLiteral("station inconnue : 13001003"));
    EXPECT_EQ(report.refusedLines[2].second.line, 99);
    EXPECT_EQ(report.refusedLines[3].second.reason, QStringLiteral("station inconnue"));
    EXPECT_EQ(stored(12), QStringList{QStringLiteral("01/01/2024 00:00:00|1,5|||I|")});
    EXPECT_EQ(journalLines(), journalBefore + 1);

    ImportOptions options;
    options.createStations = true;
    options.dryRun = true;
    ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM PLUVIO_12")));
    const auto historyBefore = history();
    report = run(file, options);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.refused, 2);
    EXPECT_EQ(report.createdStations, QStringList{QStringLiteral("13")});
    ASSERT_GE(report.preview.size(), 5);
    EXPECT_EQ(report.preview[0].station, QStringLiteral("12"));
    EXPECT_EQ(report.preview[1].station, QStringLiteral("13"));
    EXPECT_TRUE(report.preview[3].refusal.contains(QStringLiteral("inexistante")));
    EXPECT_TRUE(stored(12).isEmpty());
    EXPECT_FALSE(db().tableExists(QStringLiteral("PLUVIO_13")));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES")), 1);
    EXPECT_EQ(history(), historyBefore);
    EXPECT_EQ(journalLines(), journalBefore + 1);

    options.dryRun = false;
    report = run(file, options);
    ASSERT_TRUE(report.createdStations == QStringList{QStringLiteral("13")});
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.doubtful, 1);
    const RecordTable created = db().ExtraireRecords(QStringLiteral(
        "SELECT Nom, Identifiant, X, Y, TypeProjection, Altitude FROM PLUVIOMETRES WHERE "
        "CodePluviometre = 13"));
    ASSERT_EQ(created.rowCount(), 1);
    EXPECT_EQ(created.text(0, 0), QStringLiteral("AIX-EN-PROVENCE"));
    EXPECT_EQ(created.text(0, 1).trimmed(), QStringLiteral("13001003"));
    EXPECT_DOUBLE_EQ(created.at(0, 2).toDouble(), 5.44);
    EXPECT_DOUBLE_EQ(created.at(0, 3).toDouble(), 43.53);
    EXPECT_EQ(created.at(0, 4).toInt(), 31);
    EXPECT_EQ(stored(13), (QStringList{QStringLiteral("01/01/2024 00:00:00|2,5|||I|"),
                                       QStringLiteral("02/01/2024 00:00:00|0|||I|")}));
    EXPECT_EQ(journalLines(), journalBefore + 2);

    // Known now: a second import finds it by its number, creates nothing.
    report = run(file, options);
    EXPECT_TRUE(report.createdStations.isEmpty());
    EXPECT_EQ(report.kept, 3);
}

// A station whose writing fails keeps nothing of what it wrote while the others complete;
// a file that breaks off takes back the station it was reading.
TEST_P(ImportRun, FailingStationWritesNothing)
{
    if (!ready())
        return;
    addStation(13, "13002001");
    addStation(14, "13003001");
    // Station 13's table lacks the value columns: its inserts fail.
    ASSERT_TRUE(db().Execute(
        QStringLiteral("CREATE TABLE PLUVIO_13 (DateCreation DateTime, Heure DateTime)")));
    std::vector<Item> file;
    for (const char *number : {"13055001", "13002001", "13003001"}) {
        for (int d = 1; d <= 3; ++d)
            file.push_back(rain(number, jan(d), d));
    }
    ImportReport report = run(file);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.error.contains(QStringLiteral("Pluviomètre 13")))
        << report.error.toStdString();
    EXPECT_EQ(report.written, 6);
    EXPECT_EQ(report.failed, 3);
    EXPECT_EQ(stored(12).size(), 3);
    EXPECT_EQ(stored(14).size(), 3);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_13")), 0);
    ASSERT_EQ(report.stations.size(), 3);
    EXPECT_FALSE(report.stations[1].error.isEmpty());
    EXPECT_EQ(report.stations[2].written, 3);

    ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM PLUVIO_12")));
    ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM PLUVIO_14")));
    const std::vector<Item> broken{rain("13055001", jan(1), 1), rain("13003001", jan(1), 1),
                                   rain("13003001", jan(2), 2),
                                   Stop{QStringLiteral("Ligne 4 : archive tronquée.")}};
    report = run(broken);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.error.contains(QStringLiteral("archive tronquée")));
    EXPECT_EQ(stored(12).size(), 1);
    EXPECT_TRUE(stored(14).isEmpty());
}

// Stopping through the progress takes back the station being read, even the blocks it
// already wrote; the stations finished before stay. Long series cross several blocks.
TEST_P(ImportRun, CancelAndLongSeries)
{
    if (!ready())
        return;
    addStation(13, "13002001");
    std::vector<Item> file{rain("13055001", jan(1), 1)};
    const QDate start(1900, 1, 1);
    for (int d = 0; d < 20000; ++d)
        file.push_back(rain("13002001", start.addDays(d), d % 7, d % 2 == 0));
    int calls = 0;
    ImportReport report = run(file, {}, [&](qint64, qint64) { return ++calls < 3; });
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(stored(12).size(), 1);
    EXPECT_FALSE(db().tableExists(QStringLiteral("PLUVIO_13")))
        << "made in the rolled back transaction";
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES")), 2);

    report = run(file);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.written, 20000);
    EXPECT_EQ(report.kept, 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_13 WHERE ModeObtention = 'I'")),
              20000);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_13 WHERE Validite = 'V'")), 10000);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_13 WHERE Pluie = 6")), 2857);
    const auto duplicateRefused = [](const char *table) {
        return !db().tryExecute(QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie) "
                                               "SELECT DateCreation, Heure, 0 FROM %1 WHERE "
                                               "Pluie = 2")
                                    .arg(QLatin1String(table)));
    };
    EXPECT_TRUE(duplicateRefused("PLUVIO_13")) << "the table is indexed once loaded";

    // A new station's file going back in time, one day given again blocks later: each
    // instant stored once, the later value kept.
    addStation(14, "13003001");
    std::vector<Item> back;
    for (int d = 19999; d >= 0; --d)
        back.push_back(rain("13003001", start.addDays(d), 1));
    back.push_back(rain("13003001", start.addDays(19999), 2));
    report = run(back);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_14")), 20000);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_14 WHERE Pluie = 2")), 1);
    EXPECT_TRUE(duplicateRefused("PLUVIO_14"));

    // Again, in reverse order and forced onto one station: every instant found stored.
    std::vector<Item> reversed(file.rbegin(), file.rend() - 1);
    ImportOptions options;
    options.station = QStringLiteral("13");
    options.existing = ExistingValues::Keep;
    report = run(reversed, options);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.written, 0);
    EXPECT_EQ(report.kept, 20000);

    options.station = QStringLiteral("77");
    report = run(reversed, options);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, QStringLiteral("Le pluviomètre 77 n'existe pas."));
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportRun, PLX_ENGINES, PLX_ENGINE_NAME);
