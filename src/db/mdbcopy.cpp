#include "db/mdbcopy.h"

#include "db/mdbkeys.h"
#include "db/mdbreader.h"

#include <QElapsedTimer>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>

namespace plx {

namespace {

constexpr int progressMilliseconds = 100;
constexpr int sqliteStepsPerCheck = 100000; // VM steps between checks during index builds

class Statement
{
public:
    Statement(sqlite3 *db, const QByteArray &sql)
    {
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    sqlite3_stmt *get() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

QString sqliteError(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool exec(sqlite3 *db, const QByteArray &sql)
{
    return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// SQLite compares identifiers without regard to ASCII case, as Access does for all letters;
// libmdb may also decode two Jet 3 names to the same text.
QString uniqueName(const QString &wanted, QSet<QString> *taken)
{
    QString name = wanted.isEmpty() ? QStringLiteral("Colonne") : wanted;
    const QString base = name;
    for (int n = 2; taken->contains(name.toLower()); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    taken->insert(name.toLower());
    return name;
}

void bindValue(sqlite3_stmt *stmt, int position, const MdbValue &value)
{
    switch (value.type) {
    case MdbValue::Null:
        sqlite3_bind_null(stmt, position);
        break;
    case MdbValue::Integer:
        sqlite3_bind_int64(stmt, position, value.integer);
        break;
    case MdbValue::Real:
        sqlite3_bind_double(stmt, position, value.real);
        break;
    case MdbValue::Text:
        sqlite3_bind_text(stmt, position, value.bytes.constData(), int(value.bytes.size()),
                          SQLITE_STATIC);
        break;
    case MdbValue::Blob:
        if (value.bytes.isEmpty()) // a null pointer would bind NULL
            sqlite3_bind_zeroblob(stmt, position, 0);
        else
            sqlite3_bind_blob(stmt, position, value.bytes.constData(), int(value.bytes.size()),
                              SQLITE_STATIC);
        break;
    }
}

class TableCopier
{
public:
    TableCopier(MdbReader &reader, sqlite3 *db, const MdbProgress &progress, MdbCopyReport *report)
        : m_reader(reader), m_db(db), m_progress(progress), m_report(report)
    {
    }

    bool copyAll(QString *error)
    {
        const QStringList names = m_reader.tableNames();
        // The announced counts give the progress bar its length.
        for (int i = 0; i < names.size(); ++i) {
            MdbTableInfo info;
            if (m_reader.openTable(i, &info))
                m_total += info.announcedRows;
        }
        sqlite3_progress_handler(m_db, sqliteStepsPerCheck, &TableCopier::sqliteProgress, this);
        bool ok = keepGoing();
        for (int i = 0; ok && i < names.size(); ++i) {
            Outcome outcome = copy(i, true, error);
            if (outcome == Outcome::DuplicateAutoNumber)
                outcome = copy(i, false, error);
            ok = outcome != Outcome::Failed;
        }
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        if (m_cancelled)
            *error = QStringLiteral("Import annulé.");
        if (!ok || m_cancelled)
            return false;
        for (const QString &linked : m_reader.linkedTableNames())
            m_report->warnings.append(QStringLiteral("La table liée « %1 » désigne un autre "
                                                     "fichier : elle n'est pas copiée.")
                                          .arg(linked));
        if (m_progress)
            m_progress(m_done, std::max(m_total, m_done));
        return true;
    }

private:
    enum class Outcome { Copied, Skipped, DuplicateAutoNumber, Failed };

    // Passes the figures on at most every 100 ms; false once the user cancelled.
    bool keepGoing()
    {
        if (!m_progress || m_cancelled)
            return !m_cancelled;
        if (m_sinceReport.isValid() && m_sinceReport.elapsed() < progressMilliseconds)
            return true;
        m_sinceReport.start();
        m_cancelled = !m_progress(m_done, std::max(m_total, m_done));
        return !m_cancelled;
    }

    // Index builds on long tables report too, so that the wait shows as progress.
    static int sqliteProgress(void *copier)
    {
        return static_cast<TableCopier *>(copier)->keepGoing() ? 0 : 1;
    }

    // One Access table into SQLite, inside a savepoint so that a failed attempt leaves
    // nothing behind.
    Outcome copy(int index, bool autoKey, QString *error)
    {
        MdbTableInfo info;
        if (!m_reader.openTable(index, &info)) {
            m_report->warnings.append(
                QStringLiteral("La table « %1 » n'a pas pu être lue : elle n'est pas copiée.")
                    .arg(m_reader.tableNames().value(index)));
            return Outcome::Skipped;
        }
        QSet<QString> tableNames = m_tableNames;
        QString tableName = info.name;
        if (tableName.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            tableName.prepend(QLatin1Char('_')); // a prefix SQLite keeps for itself
        tableName = uniqueName(tableName, &tableNames);

        QSet<QString> taken;
        QStringList columnNames;
        int autoColumn = -1;
        QByteArray ddl = "CREATE TABLE " + quoteIdentifier(tableName) + " (";
        for (int c = 0; c < info.columns.size(); ++c) {
            const MdbColumnInfo &column = info.columns.at(c);
            columnNames.append(uniqueName(column.name, &taken));
            // An autonumber becomes SQLite's row key, so rows added later get numbers too.
            const bool isKey = autoKey && autoColumn < 0 && column.autoNumber;
            if (isKey)
                autoColumn = c;
            ddl += (c ? ", " : "") + quoteIdentifier(columnNames.last()) + ' ' +
                   (isKey ? QByteArray("INTEGER PRIMARY KEY") : column.sqlType.toLatin1());
        }
        ddl += ')';
        if (info.columns.isEmpty())
            ddl = "CREATE TABLE " + quoteIdentifier(tableName) + " (\"_vide\")";

        if (!exec(m_db, "SAVEPOINT mdbcopy")) {
            *error = sqliteError(m_db);
            return Outcome::Failed;
        }
        auto rollback = [this] {
            exec(m_db, "ROLLBACK TO mdbcopy");
            exec(m_db, "RELEASE mdbcopy");
        };
        if (!exec(m_db, ddl)) {
            *error = QStringLiteral("La table « %1 » ne peut pas être créée : %2")
                         .arg(tableName, sqliteError(m_db));
            rollback();
            return Outcome::Failed;
        }

        const qint64 doneBefore = m_done;
        qint64 rows = 0;
        if (!info.columns.isEmpty()) {
            QByteArray insert = "INSERT INTO " + quoteIdentifier(tableName) + " VALUES (?";
            insert += QByteArray(",?").repeated(info.columns.size() - 1) + ')';
            Statement stmt(m_db, insert);
            if (!stmt.get()) {
                *error = sqliteError(m_db);
                rollback();
                return Outcome::Failed;
            }
            while (m_reader.nextRow()) {
                const std::vector<MdbValue> &values = m_reader.values();
                for (size_t c = 0; c < values.size(); ++c)
                    bindValue(stmt.get(), int(c) + 1, values[c]);
                const int rc = sqlite3_step(stmt.get());
                sqlite3_reset(stmt.get());
                if (rc != SQLITE_DONE) {
                    const bool duplicateKey = (rc & 0xff) == SQLITE_CONSTRAINT && autoColumn >= 0;
                    if (!duplicateKey)
                        *error = QStringLiteral("Copie de la table « %1 » impossible : %2")
                                     .arg(tableName, sqliteError(m_db));
                    rollback();
                    m_done = doneBefore;
                    return duplicateKey ? Outcome::DuplicateAutoNumber : Outcome::Failed;
                }
                ++rows;
                if ((++m_done & 0xff) == 0 && !keepGoing()) {
                    rollback();
                    return Outcome::Failed;
                }
            }
        }

        createIndexes(tableName, info, columnNames, autoColumn);
        if (m_cancelled) {
            rollback();
            return Outcome::Failed;
        }
        exec(m_db, "RELEASE mdbcopy");

        if (rows < info.announcedRows)
            m_report->warnings.append(
                QStringLiteral("Table « %1 » : %2 ligne(s) lue(s) sur %3 annoncée(s) ; le fichier "
                               "est peut-être endommagé.")
                    .arg(tableName)
                    .arg(rows)
                    .arg(info.announcedRows));
        else if (rows > info.announcedRows)
            m_report->warnings.append(
                QStringLiteral("Table « %1 » : %2 ligne(s) lue(s), le fichier en annonce %3.")
                    .arg(tableName)
                    .arg(rows)
                    .arg(info.announcedRows));
        for (int c = 0; c < info.columns.size(); ++c) {
            if (!info.columns.at(c).unreadableReason.isEmpty() ||
                m_reader.failedColumns()[size_t(c)])
                m_report->unreadableColumns.append(tableName + QLatin1Char('.') +
                                                   columnNames.at(c));
        }
        if (!autoKey) {
            const auto numbered = std::find_if(info.columns.cbegin(), info.columns.cend(),
                                               [](const MdbColumnInfo &c) { return c.autoNumber; });
            if (numbered != info.columns.cend())
                m_report->warnings.append(
                    QStringLiteral("Table « %1 » : la colonne « %2 » contient des numéros "
                                   "automatiques en double ; elle est copiée sans clé.")
                        .arg(tableName, numbered->name));
        }
        m_tableNames = tableNames;
        m_report->tables.append(tableName);
        m_report->rows += rows;
        return Outcome::Copied;
    }

    void createIndexes(const QString &tableName, const MdbTableInfo &info,
                       const QStringList &columnNames, int autoColumn)
    {
        auto names = [&columnNames](const QList<int> &positions) {
            QStringList list;
            for (int c : positions)
                list.append(columnNames.at(c));
            return list;
        };
        // Measurement tables are read by (DateCreation, Heure) everywhere.
        const QList<int> measurementKey = measurementKeyColumns(tableName, columnNames);
        if (!measurementKey.isEmpty())
            createKeyIndex(m_db, QStringLiteral("PK_") + tableName, tableName,
                           names(measurementKey), &m_report->warnings);

        // Access's own primary key, unless SQLite already holds it as the row key or the
        // measurement key covers it.
        QList<int> primaryKey = info.primaryKey;
        if (primaryKey.isEmpty() || (primaryKey.size() == 1 && primaryKey.first() == autoColumn))
            return;
        std::sort(primaryKey.begin(), primaryKey.end());
        QList<int> sortedMeasurement = measurementKey;
        std::sort(sortedMeasurement.begin(), sortedMeasurement.end());
        if (primaryKey == sortedMeasurement)
            return;
        createKeyIndex(m_db,
                       measurementKey.isEmpty() ? QStringLiteral("PK_") + tableName
                                                : tableName + QStringLiteral("_PrimaryKey"),
                       tableName, names(info.primaryKey), &m_report->warnings);
    }

    MdbReader &m_reader;
    sqlite3 *m_db;
    const MdbProgress &m_progress;
    MdbCopyReport *m_report;
    QSet<QString> m_tableNames; // lower case, as SQLite compares them
    qint64 m_done = 0;
    qint64 m_total = 0;
    QElapsedTimer m_sinceReport;
    bool m_cancelled = false;
};

} // namespace

bool copyAccessTables(MdbReader &reader, sqlite3 *db, const MdbProgress &progress,
                      MdbCopyReport *report, QString *error)
{
    TableCopier copier(reader, db, progress, report);
    return copier.copyAll(error);
}

} // namespace plx
