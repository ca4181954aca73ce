#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "measures/measurerow.h"
#include "measures/tabulartext.h"
#include "measures/validationchecks.h"
#include "measures/validationdata.h"
#include "measures/validationsql.h"
#include "measures/validationstore.h"
#include "support/schemadatabasetest.h"

#include <algorithm>

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

// Types text into a cell as the grid does, expecting no message.
void type(MeasureRow &row, int column, const char *text)
{
    const QStringList messages = applyCellText(row, column, QString::fromUtf8(text));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

MeasureRow newRow(const char *date, const char *time, const char *pluie)
{
    MeasureRow row = insertedRow();
    type(row, kDateColumn, date);
    type(row, kHeureColumn, time);
    type(row, kPluieColumn, pluie);
    return row;
}

const QString kPositive = QStringLiteral("La valeur de la pluie doit être positive.");
const QString kRainBelow = QStringLiteral(
    "La valeur de la pluie doit être supérieure à la valeur de la pluie efficace.\rVotre saisie "
    "a été modifiée.");
const QString kEffectiveAbove = QStringLiteral(
    "La valeur de pluie efficace doit être inférieure à la valeur de la pluie.\rVotre saisie a "
    "été modifiée.");

} // namespace

// The corrections of the rainfall columns, with their messages; a comparison needs both
// values (clearing rainfall once refilled it from the effective rainfall).
TEST(ValidationChecks, RainfallCorrections)
{
    MeasureRow row;
    EXPECT_EQ(applyCellText(row, kPluieColumn, QStringLiteral("-3")), QStringList{kPositive});
    EXPECT_EQ(cellText(row, kPluieColumn), QStringLiteral("3"));
    EXPECT_TRUE(row.dirty);
    EXPECT_EQ(row.obtention, QLatin1Char('M'));

    EXPECT_EQ(applyCellText(row, kPluieEfficaceColumn, QStringLiteral("4,5")),
              QStringList{kEffectiveAbove});
    EXPECT_EQ(cellText(row, kPluieEfficaceColumn), QStringLiteral("3"));
    EXPECT_TRUE(applyCellText(row, kPluieEfficaceColumn, QStringLiteral("2.5")).isEmpty());
    EXPECT_EQ(applyCellText(row, kPluieColumn, QStringLiteral("1")), QStringList{kRainBelow});
    EXPECT_EQ(cellText(row, kPluieColumn), QStringLiteral("2,5"));

    // Cleared rainfall stays empty; effective rainfall is then free.
    EXPECT_TRUE(applyCellText(row, kPluieColumn, QString()).isEmpty());
    EXPECT_FALSE(row.hasValue(0));
    EXPECT_TRUE(applyCellText(row, kPluieEfficaceColumn, QStringLiteral("7")).isEmpty());
    EXPECT_EQ(cellText(row, kPluieColumn), QString());

    // Negative effective rainfall and evapotranspiration are emptied; a negative rainfall
    // becomes positive before it is compared.
    EXPECT_EQ(applyCellText(row, kPluieEfficaceColumn, QStringLiteral("-1")),
              QStringList{kPositive});
    EXPECT_FALSE(row.hasValue(1));
    EXPECT_EQ(applyCellText(row, kEtpColumn, QStringLiteral("-0,2")), QStringList{kPositive});
    EXPECT_FALSE(row.hasValue(2));
    type(row, kPluieEfficaceColumn, "2");
    EXPECT_EQ(applyCellText(row, kPluieColumn, QStringLiteral("-1")),
              (QStringList{kPositive, kRainBelow}));
    EXPECT_EQ(cellText(row, kPluieColumn), QStringLiteral("2"));
    // The free parameters take negative values.
    type(row, kValeur2Column, "-0,1");
    EXPECT_EQ(cellText(row, kValeur2Column), QStringLiteral("-0,1"));

    // Text that is not a number changes nothing.
    MeasureRow clean;
    clean.setValue(0, 1.5);
    const QStringList bad = applyCellText(clean, kPluieColumn, QStringLiteral("12a"));
    ASSERT_EQ(bad.size(), 1);
    EXPECT_TRUE(bad.first().contains(QStringLiteral("12a")));
    EXPECT_EQ(clean.value(0), 1.5);
    EXPECT_FALSE(clean.dirty);
    EXPECT_TRUE(clean.obtention.isNull());
}

// Dates and times: a wrong or empty text stays as typed and the row turns red until
// both cells hold valid values again.
TEST(ValidationChecks, DatesTimesAndBreaks)
{
    MeasureRow row = insertedRow();
    EXPECT_TRUE(row.dirty);
    EXPECT_EQ(cellText(row, kObtentionColumn), QStringLiteral("M"));
    EXPECT_FALSE(row.red);

    type(row, kDateColumn, "31/02/2024");
    EXPECT_TRUE(row.red);
    EXPECT_EQ(cellText(row, kDateColumn), QStringLiteral("31/02/2024"));
    EXPECT_FALSE(row.date.isValid());
    type(row, kHeureColumn, "25:00");
    type(row, kDateColumn, "5/3/2024");
    EXPECT_TRUE(row.red) << "the time is still wrong";
    EXPECT_EQ(cellText(row, kDateColumn), QStringLiteral("05/03/2024"));
    type(row, kHeureColumn, "7:30");
    EXPECT_FALSE(row.red);
    EXPECT_EQ(row.instant(), at("05/03/2024 07:30:00"));
    EXPECT_EQ(cellText(row, kHeureColumn), QStringLiteral("07:30:00"));

    for (const char *refused : {"01/01/1799", "01/01/3001", "2024-03-05", ""}) {
        type(row, kDateColumn, refused);
        EXPECT_TRUE(row.red) << refused;
    }
    type(row, kDateColumn, "31/12/3000");
    EXPECT_FALSE(row.red);

    MeasureRow loaded;
    loaded.red = true;
    toggleRupture(loaded);
    EXPECT_EQ(cellText(loaded, kRuptureColumn), QStringLiteral("R"));
    EXPECT_FALSE(loaded.red);
    EXPECT_TRUE(loaded.dirty);
    EXPECT_EQ(loaded.obtention, QLatin1Char('M'));
    toggleRupture(loaded);
    EXPECT_EQ(cellText(loaded, kRuptureColumn), QString());
}

// Blocks as spreadsheets copy them: CR LF or LF, the last newline opening no row, empty
// cells kept.
TEST(TabularText, ParseAndFormat)
{
    const QList<QStringList> block{
        {QStringLiteral("05/03/2024"), QString(), QStringLiteral("1,5")},
        {QStringLiteral("06/03/2024"), QStringLiteral("07:00:00"), QString()}};
    EXPECT_EQ(parseTabularText(QStringLiteral("05/03/2024\t\t1,5\r\n06/03/2024\t07:00:00\t\r\n")),
              block);
    EXPECT_EQ(parseTabularText(QStringLiteral("05/03/2024\t\t1,5\n06/03/2024\t07:00:00\t")), block);
    EXPECT_EQ(parseTabularText(formatTabularText(block)), block);
    EXPECT_EQ(formatTabularText({{QStringLiteral("1"), QStringLiteral("2")}}),
              QStringLiteral("1\t2\n"));
    EXPECT_EQ(parseTabularText(QStringLiteral("1\n\n2\n")),
              (QList<QStringList>{{QStringLiteral("1")}, {QString()}, {QStringLiteral("2")}}));
    EXPECT_TRUE(parseTabularText(QString()).isEmpty());
}

// Only a station number becomes a table name in the statements.
TEST(ValidationSql, CodeMustBeAStationNumber)
{
    EXPECT_TRUE(
        validationStatement(QStringLiteral("1; DROP TABLE X"), at("01/01/2024 00:00"), std::nullopt)
            .isEmpty());
    EXPECT_TRUE(devalidationStatement(QStringLiteral("PLUVIO_1")).isEmpty());
    EXPECT_TRUE(windowQuery(QStringLiteral("0"), day("01/01/2024"), day("02/01/2024")).isEmpty());
}

namespace {

class ValidationStore : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        ASSERT_TRUE(CreateMeasurementTable(db(), kCode, false));
    }
    static AccesBase &db() { return AccesBase::instance(); }
    void insert(const char *date, const char *time, std::optional<double> pluie,
                const char *validite = nullptr, std::optional<double> efficace = std::nullopt)
    {
        plxtest::insertMeasure(db(), kCode, QLatin1String(date), QLatin1String(time), pluie,
                               validite, efficace);
    }
    QStringList stored() { return plxtest::storedMeasures(db(), kCode); }
    std::vector<MeasureRow> load(const char *from, const char *to, int *lastValidated = nullptr)
    {
        LoadResult result = loadWindow(db(), kCode, day(from), day(to));
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        if (lastValidated)
            *lastValidated = result.lastValidatedRow;
        return std::move(result.rows);
    }
};

} // namespace

// Rows changed since the load are rewritten, the others keep their Validite; a moved
// date deletes the old instant; two rows at one instant: the later wins; a row may not
// overwrite another validated record.
TEST_P(ValidationStore, SaveWritesChangedRows)
{
    if (!ready())
        return;
    insert("01/03/2024", "06:00:00", 1);
    insert("02/03/2024", "06:00:00", 2, "C");
    insert("03/03/2024", "06:00:00", 3, "V");
    insert("04/03/2024", "06:00:00", 4, "V");
    insert("05/03/2024", "06:00:00", 5);
    std::vector<MeasureRow> rows = load("01/03/2024", "05/03/2024");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(cellText(rows[1], kObtentionColumn), QStringLiteral("A"));

    type(rows[0], kDateColumn, "10/03/2024"); // moved
    type(rows[1], kPluieColumn, "2,5");       // edited in place
    type(rows[4], kDateColumn, "03/03/2024"); // onto a validated record: refused
    rows.push_back(newRow("11/03/2024", "07:00", "8"));
    rows.push_back(newRow("11/03/2024", "07:00:00", "9"));
    rows.push_back(insertedRow()); // no date: red
    const SaveResult saved = saveRows(db(), kCode, rows, -1, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.written, 4);
    EXPECT_EQ(saved.redRows, (QList<int>{4, 7}));
    EXPECT_FALSE(saved.validated);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("02/03/2024 06:00:00|2,5|||M|0"),
                            QStringLiteral("03/03/2024 06:00:00|3||V|A|"),
                            QStringLiteral("04/03/2024 06:00:00|4||V|A|"),
                            QStringLiteral("05/03/2024 06:00:00|5|||A|"),
                            QStringLiteral("10/03/2024 06:00:00|1|||M|0"),
                            QStringLiteral("11/03/2024 07:00:00|9|||M|0"),
                        }));
    EXPECT_FALSE(rows[0].dirty);
    EXPECT_EQ(rows[0].loadedDate, day("10/03/2024")) << "the key follows the edit";
    EXPECT_TRUE(rows[4].dirty && rows[4].red);
    EXPECT_EQ(rows[4].loadedDate, day("05/03/2024"));
    EXPECT_TRUE(rows[7].dirty && rows[7].red);

    // Putting the refused row back where it was loaded writes it.
    type(rows[4], kDateColumn, "05/03/2024");
    type(rows[4], kPluieColumn, "6");
    const SaveResult again = saveRows(db(), kCode, rows, -1, std::nullopt);
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_EQ(again.written, 1);
    EXPECT_EQ(again.redRows, QList<int>{7});
    EXPECT_EQ(stored().at(3), QStringLiteral("05/03/2024 06:00:00|6|||M|0"));

    // The newest record moves (its place in the table may be given to the record written
    // next) while rows after it are rewritten where the check read them.
    std::vector<MeasureRow> reloaded = load("01/03/2024", "11/03/2024");
    ASSERT_EQ(reloaded.size(), 6u);
    type(reloaded[5], kDateColumn, "12/03/2024");
    type(reloaded[0], kPluieColumn, "7");
    type(reloaded[3], kPluieColumn, "8");
    reloaded.push_back(newRow("13/03/2024", "07:00", "10"));
    std::rotate(reloaded.begin(), reloaded.begin() + 5, reloaded.end() - 1);
    const SaveResult moved = saveRows(db(), kCode, reloaded, -1, std::nullopt);
    ASSERT_TRUE(moved.ok) << moved.error.toStdString();
    EXPECT_EQ(moved.written, 4);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("02/03/2024 06:00:00|7|||M|0"),
                            QStringLiteral("03/03/2024 06:00:00|3||V|A|"),
                            QStringLiteral("04/03/2024 06:00:00|4||V|A|"),
                            QStringLiteral("05/03/2024 06:00:00|8|||M|0"),
                            QStringLiteral("10/03/2024 06:00:00|1|||M|0"),
                            QStringLiteral("12/03/2024 07:00:00|9|||M|0"),
                            QStringLiteral("13/03/2024 07:00:00|10|||M|0"),
                        }));
}

// Validating with no validated row loaded reaches every record up to the mark, older than
// the window too; the next validation only touches records after the last validated one.
TEST_P(ValidationStore, ValidationAndDevalidation)
{
    if (!ready())
        return;
    insert("15/06/2023", "00:00:00", 1);
    insert("01/03/2024", "06:00:00", 2);
    insert("02/03/2024", "06:00:00", 3);
    insert("02/03/2024", "18:00:00", 4);
    insert("03/03/2024", "06:00:00", 5, "C");
    int lastValidated = 0;
    std::vector<MeasureRow> rows = load("01/03/2024", "03/03/2024", &lastValidated);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(lastValidated, -1);
    type(rows[0], kPluieColumn, "2,5");

    // The mark on 02/03 06:00: 15/06/2023, 01/03 (rewritten first) and 02/03 06:00.
    SaveResult saved = saveRows(db(), kCode, rows, 1, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(saved.validated);
    EXPECT_EQ(saved.validatedCount, 3);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("15/06/2023 00:00:00|1||V|A|"),
                            QStringLiteral("01/03/2024 06:00:00|2,5||V|M|0"),
                            QStringLiteral("02/03/2024 06:00:00|3||V|A|"),
                            QStringLiteral("02/03/2024 18:00:00|4|||A|"),
                            QStringLiteral("03/03/2024 06:00:00|5||C|A|"),
                        }));
    EXPECT_TRUE(rows[0].isValidated() && rows[1].isValidated());
    EXPECT_FALSE(rows[2].isValidated());

    // An older record devalidated by hand stays so: the next validation starts after the
    // last validated row loaded.
    ASSERT_TRUE(db().Execute(QStringLiteral("UPDATE PLUVIO_12 SET Validite='' WHERE Pluie = 1")));
    rows = load("01/03/2024", "03/03/2024", &lastValidated);
    ASSERT_EQ(lastValidated, 1);
    const QDateTime after = rows[size_t(lastValidated)].instant();
    EXPECT_EQ(lastValidatedInstant(db(), kCode), after);
    saved = saveRows(db(), kCode, rows, 3, after);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.validatedCount, 2);
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("15/06/2023 00:00:00|1|||A|"),
                            QStringLiteral("01/03/2024 06:00:00|2,5||V|M|0"),
                            QStringLiteral("02/03/2024 06:00:00|3||V|A|"),
                            QStringLiteral("02/03/2024 18:00:00|4||V|A|"),
                            QStringLiteral("03/03/2024 06:00:00|5||V|A|"),
                        }));
    // Nothing after the last validated one: nothing changes.
    EXPECT_EQ(validateUntil(db(), kCode, at("03/03/2024 06:00"), at("03/03/2024 06:00")), 0);

    // Devalidation clears the whole table, controlled records too.
    ASSERT_TRUE(db().Execute(QStringLiteral("UPDATE PLUVIO_12 SET Validite='C' WHERE Pluie = 1")));
    EXPECT_EQ(devalidateAll(db(), kCode), 5);
    for (const QString &row : stored())
        EXPECT_EQ(row.section(QLatin1Char('|'), 3, 3), QString()) << row.toStdString();
    EXPECT_EQ(lastValidatedInstant(db(), kCode), std::nullopt);
    const RecordTable journalled = db().ExtraireRecords(QStringLiteral(
        "SELECT count(*) FROM JOURNAL WHERE Description LIKE 'Dévalidation du pluviomètre 12%'"));
    EXPECT_EQ(journalled.text(0, 0), QStringLiteral("1"));
}

// A failing insert in the middle of a save leaves the table exactly as before and every
// row still to be saved; the refused value then saved once fixed.
TEST_P(ValidationStore, FailingInsertLeavesTableAsBefore)
{
    if (!ready())
        return;
    insert("01/03/2024", "06:00:00", 1);
    insert("02/03/2024", "06:00:00", 2);
    insert("03/03/2024", "06:00:00", 3);
    const QStringList before = stored();
    if (GetParam() == QLatin1String("sqlite")) {
        ASSERT_TRUE(db().Execute(
            QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON PLUVIO_12 WHEN NEW.Pluie = 666 "
                           "BEGIN SELECT RAISE(ABORT, 'refus'); END")))
            << db().lastError().toStdString();
    } else {
        ASSERT_TRUE(db().executeNative(
            QStringLiteral("CREATE FUNCTION refus() RETURNS trigger AS $$ BEGIN "
                           "IF NEW.Pluie = 666 THEN RAISE EXCEPTION 'refus'; END IF; "
                           "RETURN NEW; END $$ LANGUAGE plpgsql"),
            nullptr));
        ASSERT_TRUE(
            db().executeNative(QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON "
                                              "pluvio_12 FOR EACH ROW EXECUTE FUNCTION refus()"),
                               nullptr));
    }
    std::vector<MeasureRow> rows = load("01/03/2024", "03/03/2024");
    type(rows[0], kDateColumn, "09/03/2024"); // moved
    type(rows[1], kPluieColumn, "7");         // rewritten in place
    rows.push_back(newRow("12/03/2024", "06:00", "666"));
    const SaveResult saved = saveRows(db(), kCode, rows, 1, std::nullopt);
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.error.contains(QStringLiteral("refus"))) << saved.error.toStdString();
    EXPECT_FALSE(saved.validated);
    EXPECT_EQ(stored(), before);
    for (const int r : {0, 1, 3})
        EXPECT_TRUE(rows[size_t(r)].dirty && !rows[size_t(r)].red) << r;
    EXPECT_EQ(rows[0].loadedDate, day("01/03/2024"));

    type(rows[3], kPluieColumn, "6");
    const SaveResult fixed = saveRows(db(), kCode, rows, -1, std::nullopt);
    ASSERT_TRUE(fixed.ok) << fixed.error.toStdString();
    EXPECT_EQ(stored(), (QStringList{
                            QStringLiteral("02/03/2024 06:00:00|7|||M|0"),
                            QStringLiteral("03/03/2024 06:00:00|3|||A|"),
                            QStringLiteral("09/03/2024 06:00:00|1|||M|0"),
                            QStringLiteral("12/03/2024 06:00:00|6|||M|0"),
                        }));
}

// Window bounds (the end day whole, even a DateCreation carrying a time), the values and
// codes of each column, times on 30/12/1899 exactly as written in a zone whose offset
// before 1911 has seconds, progress, and a cancelled load that keeps nothing.
TEST_P(ValidationStore, LoadWindow)
{
    if (!ready())
        return;
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Paris");
    insert("28/02/2024", "23:59:59", 1);
    insert("29/02/2024", "00:09:21", 0.1, "V", 0.1);
    insert("01/03/2024 23:00", "23:00:00", std::nullopt, "C");
    insert("02/03/2024", "00:00:00", 9);
    ASSERT_TRUE(db().Execute(QStringLiteral(
        "UPDATE PLUVIO_12 SET Continuite = 1, Etp = 2.5, Valeur3 = -1 WHERE Validite = 'V'")));
    int lastValidated = -2;
    std::vector<MeasureRow> rows = load("29/02/2024", "01/03/2024", &lastValidated);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(lastValidated, 0);
    const MeasureRow &first = rows[0];
    EXPECT_EQ(first.heure, QTime(0, 9, 21));
    EXPECT_EQ(first.loadedHeure, QTime(0, 9, 21));
    EXPECT_EQ(first.loadedDate, day("29/02/2024"));
    const QStringList cells{cellText(first, kPluieColumn),    cellText(first, kPluieEfficaceColumn),
                            cellText(first, kEtpColumn),      cellText(first, kValeur1Column),
                            cellText(first, kValeur3Column),  cellText(first, kRuptureColumn),
                            cellText(first, kObtentionColumn)};
    EXPECT_EQ(cells, (QStringList{QStringLiteral("0,1"), QStringLiteral("0,1"),
                                  QStringLiteral("2,5"), QString(), QStringLiteral("-1"),
                                  QStringLiteral("R"), QStringLiteral("A")}));
    EXPECT_TRUE(first.isValidated());
    EXPECT_EQ(rows[1].heure, QTime(23, 0));
    EXPECT_EQ(rows[1].validite, QLatin1Char('C'));
    EXPECT_FALSE(rows[1].hasValue(0));

    // The key read back finds its record exactly: a save of the row in place goes
    // through the index.
    const std::unique_ptr<PreparedStatement> update = db().prepare(updateMeasurePrepared(kCode));
    ASSERT_TRUE(update);
    ASSERT_TRUE(update->exec({0.2, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), 0,
                              QStringLiteral("M"), first.loadedDate,
                              QDateTime(QDate(1899, 12, 30), first.loadedHeure, Qt::UTC)}));
    EXPECT_EQ(update->affectedRows(), 1);

    // A time written by the save reads back unchanged.
    rows.push_back(newRow("04/03/2024", "00:04:39", "1"));
    ASSERT_TRUE(saveRows(db(), kCode, rows, -1, std::nullopt).ok);
    rows = load("04/03/2024", "04/03/2024");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].heure, QTime(0, 4, 39));
    if (savedTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedTz);

    // Thousands of timed rows: progress to the end, or a stop that keeps nothing.
    {
        Transaction transaction(db());
        const std::unique_ptr<PreparedStatement> insertRow =
            db().prepare(insertMeasurePrepared(kCode));
        ASSERT_TRUE(insertRow);
        const QDateTime start = at("01/01/2020 00:00");
        for (int i = 0; i < 10000; ++i) {
            const QDateTime t = start.addSecs(300 * i);
            ASSERT_TRUE(insertRow->exec(
                {t.date(), QDateTime(QDate(1899, 12, 30), t.time(), Qt::UTC), double(i), QVariant(),
                 QVariant(), QVariant(), QVariant(), QVariant(), 0, QStringLiteral("A")}));
        }
        ASSERT_TRUE(transaction.commit());
    }
    qint64 lastDone = 0, lastTotal = 0;
    LoadResult all = loadWindow(db(), kCode, day("01/01/2020"), day("31/12/2020"),
                                [&](qint64 done, qint64 total) {
                                    EXPECT_GE(done, lastDone);
                                    lastDone = done;
                                    lastTotal = total;
                                    return true;
                                });
    ASSERT_TRUE(all.ok);
    ASSERT_EQ(all.rows.size(), 10000u);
    EXPECT_EQ(lastDone, 10000);
    EXPECT_EQ(lastTotal, 10000);
    EXPECT_EQ(all.rows[9999].instant(), at("01/01/2020 00:00").addSecs(300 * 9999));
    EXPECT_EQ(all.rows[9999].value(0), 9999);

    LoadResult stopped = loadWindow(db(), kCode, day("01/01/2020"), day("31/12/2020"),
                                    [](qint64 done, qint64) { return done < 5000; });
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.rows.empty());

    const LoadResult missing =
        loadWindow(db(), QStringLiteral("99"), day("01/01/2020"), day("31/12/2020"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, QStringLiteral("La table de données pour ce site n'existe pas ou les "
                                            "dates n'ont pas un format correct."));
}

// The labels shown before loading: history, and counts whose lower day is excluded.
TEST_P(ValidationStore, SiteOverview)
{
    if (!ready())
        return;
    EXPECT_FALSE(readSiteOverview(db(), QStringLiteral("99")).tableExists);
    SiteOverview empty = readSiteOverview(db(), kCode);
    EXPECT_TRUE(empty.tableExists);
    EXPECT_FALSE(empty.last.isValid());
    EXPECT_TRUE(empty.historique.isEmpty());

    insert("01/06/2023", "00:00:00", 1);
    insert("01/01/2024", "12:00:00", 1);
    insert("02/01/2024", "00:00:00", 1);
    insert("09/02/2024", "06:00:00", 1);
    insert("10/02/2024", "06:00:00", 1);
    insert("10/03/2024 12:00", "12:00:00", 1);
    insert("10/03/2024", "13:00:00", 1);
    const SiteOverview o = readSiteOverview(db(), kCode);
    EXPECT_EQ(o.first, day("01/06/2023"));
    EXPECT_EQ(o.last, day("10/03/2024"));
    EXPECT_EQ(o.historique, QStringLiteral("01/06/2023 - 10/03/2024"));
    EXPECT_EQ(o.anneeCalcul, QStringLiteral("(2024)"));
    EXPECT_EQ(o.dateCalcul, QStringLiteral("(10/03/2024)"));
    EXPECT_EQ(o.donneesAnnee, QStringLiteral("5/69"));
    EXPECT_EQ(o.donneesJ30, QStringLiteral("3/30"));
    EXPECT_EQ(o.donneesPeriode, QStringLiteral("6/283"));
}

// Deletion goes by the key as loaded, skips validated rows and lets rows never saved go.
TEST_P(ValidationStore, DeleteRowsByLoadedKey)
{
    if (!ready())
        return;
    insert("01/03/2024", "06:00:00", 1);
    insert("02/03/2024", "06:00:00", 2, "V");
    insert("03/03/2024", "06:00:00", 3);
    insert("04/03/2024", "06:00:00", 4);
    std::vector<MeasureRow> rows = load("01/03/2024", "04/03/2024");
    type(rows[0], kDateColumn, "03/03/2024"); // the shown date is not the record's
    rows.push_back(newRow("05/03/2024", "06:00", "5"));
    QString error;
    const QList<int> gone = deleteRows(db(), kCode, rows, {4, 1, 0}, &error);
    EXPECT_EQ(gone, (QList<int>{0, 4})) << error.toStdString();
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("02/03/2024 06:00:00|2||V|A|"),
                                     QStringLiteral("03/03/2024 06:00:00|3|||A|"),
                                     QStringLiteral("04/03/2024 06:00:00|4|||A|")}));
}

INSTANTIATE_TEST_SUITE_P(Engines, ValidationStore, PLX_ENGINES, PLX_ENGINE_NAME);
