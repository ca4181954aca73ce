#include "db/accesbase.h"
#include "db/bulkinsert.h"
#include "db/preparedstatement.h"
#include "db/rowcells.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "support/testdatabases.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace plx;

namespace {

class PreparedTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect(db));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("7"), false));
        insert = db.prepare(QStringLiteral(
            "INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, ModeObtention) VALUES (?, ?, ?, ?)"));
        ASSERT_TRUE(insert) << qPrintable(db.lastError());
    }
    void TearDown() override
    {
        insert.reset();
        db.Deconnecter();
    }

    static QDateTime heure(int h, int m, int s = 0)
    {
        return QDateTime(QDate(1899, 12, 30), QTime(h, m, s), Qt::UTC);
    }
    QStringList instants(const QString &where = QStringLiteral("1=1"))
    {
        QStringList list;
        const RecordTable t = db.ExtraireRecords(
            QStringLiteral("SELECT DateCreation, Heure, Pluie, ModeObtention FROM PLUVIO_7 WHERE ") + where +
            QStringLiteral(" ORDER BY DateCreation, Heure"));
        for (int r = 0; r < t.rowCount(); ++r)
            list << t.at(r, 0).toDateTime().toString(QStringLiteral("dd/MM/yyyy ")) +
                        t.at(r, 1).toDateTime().toString(QStringLiteral("HH:mm:ss ")) + t.text(r, 2) +
                        QLatin1Char(' ') + t.text(r, 3);
        return list;
    }

    AccesBase &db = AccesBase::instance();
    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
    std::unique_ptr<PreparedStatement> insert;
};

// The save of the validation editor rests on this: rows inserted with bound values and
// found again by day and time of day, before 1911 too, with text values that carry quotes.
TEST_P(PreparedTest, BoundValuesRoundTripAndFindInstants)
{
    QString error;
    ASSERT_TRUE(insert->exec({QDate(2024, 3, 5), heure(7, 30), 0.1, QStringLiteral("M")}, &error))
        << qPrintable(error);
    ASSERT_TRUE(insert->exec({QDate(2024, 3, 5), heure(7, 35), QVariant(), QStringLiteral("'")}, &error))
        << qPrintable(error);
    ASSERT_TRUE(insert->exec({QDate(1900, 1, 1), heure(0, 5), 12.5, QVariant()}, &error))
        << qPrintable(error);
    EXPECT_EQ(instants(), (QStringList{"01/01/1900 00:05:00 12.5 ", "05/03/2024 07:30:00 0.1 M",
                                       "05/03/2024 07:35:00  '"}));

    // The unique key holds whatever way the row came.
    EXPECT_FALSE(insert->exec({QDate(2024, 3, 5), heure(7, 30), 1.0, QVariant()}, &error));

    auto find = db.prepare(QStringLiteral(
        "SELECT Pluie FROM PLUVIO_7 WHERE DateCreation = ? AND TimeValue(Heure) = ?"));
    ASSERT_TRUE(find);
    const RecordTable found = find->query({QDate(2024, 3, 5), QTime(7, 30)});
    ASSERT_TRUE(found.ok()) << qPrintable(found.error());
    ASSERT_EQ(found.rowCount(), 1);
    EXPECT_DOUBLE_EQ(found.at(0, 0).toDouble(), 0.1);
    EXPECT_EQ(find->query({QDate(1900, 1, 1), QTime(0, 5)}).rowCount(), 1);
    EXPECT_EQ(find->query({QDate(2024, 3, 5), QTime(7, 31)}).rowCount(), 0);

    auto remove = db.prepare(QStringLiteral(
        "DELETE FROM PLUVIO_7 WHERE DateCreation = ? AND TimeValue(Heure) = ?"));
    ASSERT_TRUE(remove);
    ASSERT_TRUE(remove->exec({QDate(2024, 3, 5), QTime(7, 35)}, &error)) << qPrintable(error);
    EXPECT_EQ(instants().size(), 2);
    if (remove->affectedRows() >= 0) { // the literal fallback cannot say
        EXPECT_EQ(remove->affectedRows(), 1);
        ASSERT_TRUE(remove->exec({QDate(2024, 3, 5), QTime(7, 35)}, &error));
        EXPECT_EQ(remove->affectedRows(), 0);
    }

    // A wrong number of values runs nothing; a "?" inside a quoted text is no mark.
    EXPECT_FALSE(remove->exec({QDate(2024, 3, 5)}, &error));
    EXPECT_EQ(instants().size(), 2);
    auto quoted = db.prepare(QStringLiteral("UPDATE PLUVIO_7 SET ModeObtention = '?' WHERE Pluie = ?"));
    ASSERT_TRUE(quoted);
    ASSERT_TRUE(quoted->exec({12.5}, &error)) << qPrintable(error);
    EXPECT_EQ(instants(QStringLiteral("ModeObtention = '?'")).size(), 1);
}

// An import's bulk path (COPY's text format on PostgreSQL): texts that COPY would read as
// separators or escapes arrive as they were, an empty text stays apart from NULL.
TEST_P(PreparedTest, BulkInsertKeepsTextsAndNulls)
{
    Transaction transaction(db);
    ASSERT_TRUE(transaction.started());
    QString error;
    auto bulk = db.bulkInsert(QStringLiteral("PLUVIO_7"),
                              {QStringLiteral("DateCreation"), QStringLiteral("Heure"),
                               QStringLiteral("Pluie"), QStringLiteral("ModeObtention")},
                              &error);
    ASSERT_TRUE(bulk) << qPrintable(error);
    const QStringList texts{QStringLiteral("\t"), QStringLiteral("\\"), QStringLiteral("\n"),
                            QString(QLatin1String(""))};
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(bulk->add({QDate(1900, 1, 1 + i), heure(0, 0), 0.1 * i, texts[i]}, &error))
            << qPrintable(error);
    ASSERT_TRUE(bulk->add({QDate(1900, 1, 9), heure(23, 59, 59), QVariant(), QVariant()}, &error));
    ASSERT_TRUE(bulk->finish(&error)) << qPrintable(error);
    ASSERT_TRUE(transaction.commit());
    const RecordTable t = db.ExtraireRecords(QStringLiteral(
        "SELECT ModeObtention, Pluie FROM PLUVIO_7 ORDER BY DateCreation"));
    ASSERT_EQ(t.rowCount(), 5);
    for (int i = 0; i < texts.size(); ++i) {
        EXPECT_FALSE(t.at(i, 0).isNull()) << i;
        EXPECT_EQ(t.text(i, 0), texts[i]) << i;
        EXPECT_DOUBLE_EQ(t.at(i, 1).toDouble(), 0.1 * i);
    }
    EXPECT_TRUE(t.at(4, 0).isNull());
    EXPECT_TRUE(t.at(4, 1).isNull());
    EXPECT_EQ(instants().last(), QStringLiteral("09/01/1900 23:59:59  "));
}

TEST_P(PreparedTest, PreparedWritesRollBackWithTheirTransaction)
{
    {
        Transaction transaction(db);
        ASSERT_TRUE(transaction.started());
        ASSERT_TRUE(insert->exec({QDate(2024, 3, 5), heure(8, 0), 1.0, QVariant()}));
        // rolled back when it goes out of scope uncommitted
    }
    EXPECT_TRUE(instants().isEmpty());
}

// Reading row by row: every row once, in order; a reader that stops ends the reading
// without an error; a failing statement reports.
TEST_P(PreparedTest, ReadRecordsStreamsAndStops)
{
    Transaction transaction(db);
    for (int i = 0; i < 41000; ++i)
        ASSERT_TRUE(insert->exec({QDate(2000, 1, 1).addDays(i / 288), heure((i % 288) / 12, (i % 12) * 5),
                                  double(i), QVariant()}));
    ASSERT_TRUE(transaction.commit());

    qint64 rows = 0;
    double sum = 0;
    bool ordered = true;
    QDateTime previous;
    QString error;
    ASSERT_TRUE(db.readRecords(
        QStringLiteral("SELECT DateCreation, Heure, Pluie FROM PLUVIO_7 ORDER BY DateCreation, Heure"),
        [&](const QVariant *values, int count) {
            EXPECT_EQ(count, 3);
            const QDateTime instant(values[0].toDateTime().date(), values[1].toDateTime().time(), Qt::UTC);
            ordered = ordered && (!previous.isValid() || previous < instant);
            previous = instant;
            sum += values[2].toDouble();
            ++rows;
            return true;
        },
        &error))
        << qPrintable(error);
    EXPECT_EQ(rows, 41000);
    EXPECT_TRUE(ordered);
    EXPECT_DOUBLE_EQ(sum, 41000.0 * 40999.0 / 2);

    rows = 0;
    EXPECT_TRUE(db.readRecords(QStringLiteral("SELECT Pluie FROM PLUVIO_7"),
                               [&](const QVariant *, int) { return ++rows < 10; }, &error));
    EXPECT_EQ(rows, 10);
    // The connection is usable afterwards, in and out of transactions.
    EXPECT_EQ(instants(QStringLiteral("Pluie < 3")).size(), 3);

    EXPECT_FALSE(db.readRecords(QStringLiteral("SELECT x FROM PLUVIO_404"),
                                [](const QVariant *, int) { return true; }, &error));
    EXPECT_TRUE(db.isMissingObjectError(error)) << qPrintable(error);
    EXPECT_EQ(instants(QStringLiteral("Pluie < 3")).size(), 3);
}

// Cells read in place say what the whole row says, on cells other modules may have
// written: a text in a number column, a code after spaces or beyond ASCII, a date without
// a time, nulls.
TEST_P(PreparedTest, CellsReadInPlaceAgreeWithRows)
{
    ASSERT_TRUE(db.Execute(QStringLiteral(
        "INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, ModeObtention, Validite) VALUES "
        "(#03/01/2024#, #12/30/1899 06:30:00#, 2.5, 'M', 'V')")));
    ASSERT_TRUE(db.Execute(QStringLiteral(
        "INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, ModeObtention, Validite) VALUES "
        "(#03/02/2024#, NULL, NULL, 'É', ' ')")));
    if (db.dialect() == SqlDialect::SQLite) { // columns that keep what they are given
        ASSERT_TRUE(db.Execute(QStringLiteral("UPDATE PLUVIO_7 SET Pluie = '7,25 mm' WHERE Heure IS NULL")));
        ASSERT_TRUE(db.Execute(QStringLiteral("UPDATE PLUVIO_7 SET ModeObtention = '  M' WHERE Pluie = 2.5")));
    }
    const QString sql = QStringLiteral(
        "SELECT DateCreation, Heure, Pluie, ModeObtention, Validite FROM PLUVIO_7 ORDER BY DateCreation");
    QStringList expected, read;
    ASSERT_TRUE(db.readRecords(sql, [&](const QVariant *values, int count) {
        EXPECT_EQ(count, 5);
        const QDateTime day = values[0].toDateTime(), time = values[1].toDateTime();
        const auto first = [](const QVariant &v) {
            const QString text = v.toString().trimmed();
            return text.isEmpty() ? QStringLiteral("-") : text.left(1);
        };
        expected << day.date().toString(Qt::ISODate) + QLatin1Char(' ') +
                        (time.isValid() ? time.time().toString() : QStringLiteral("-")) +
                        QLatin1Char(' ') +
                        (values[2].isNull() ? QStringLiteral("-") : QString::number(values[2].toDouble())) +
                        QLatin1Char(' ') + first(values[3]) + first(values[4]);
        return true;
    }));
    ASSERT_TRUE(db.readCells(sql, [&](const RowCells &cells) {
        EXPECT_EQ(cells.count(), 5);
        const QTime time = cells.dayAndTime(1).second;
        const auto first = [&](int c) {
            const QChar code = cells.firstChar(c);
            return code.isNull() ? QStringLiteral("-") : QString(code);
        };
        read << cells.dayAndTime(0).first.toString(Qt::ISODate) + QLatin1Char(' ') +
                    (time.isValid() ? time.toString() : QStringLiteral("-")) + QLatin1Char(' ') +
                    (cells.isNull(2) ? QStringLiteral("-") : QString::number(cells.number(2))) +
                    QLatin1Char(' ') + first(3) + first(4);
        return true;
    }));
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.value(0), QStringLiteral("2024-03-01 06:30:00 2.5 MV"));
    EXPECT_TRUE(read.value(1).startsWith(QStringLiteral("2024-03-02 - ")));
    EXPECT_TRUE(read.value(1).endsWith(QStringLiteral(" É-")));
}

INSTANTIATE_TEST_SUITE_P(Engines, PreparedTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
