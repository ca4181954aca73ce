#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Reads the tables of a Microsoft Access file through libmdb (mdbtools), one row at a time,
// with every value already converted to what SQLite stores. Never writes the file.
namespace plx {

struct MdbValue
{
    enum Type { Null, Integer, Real, Text, Blob };
    Type type = Null;
    qint64 integer = 0;
    double real = 0.0;
    QByteArray bytes; // UTF-8 for Text, raw bytes for Blob
};

struct MdbColumnInfo
{
    QString name;
    int accessType = 0;
    QString sqlType; // TEXT, INTEGER, REAL, "DATETIME TEXT" or BLOB
    bool autoNumber = false;
    // Why libmdb cannot give this column's values (empty when it can).
    QString unreadableReason;
};

struct MdbTableInfo
{
    QString name;
    QList<MdbColumnInfo> columns;
    QList<int> primaryKey;    // column positions of Access's primary key, in key order
    qint64 announcedRows = 0; // the row count the table definition gives
};

class MdbReader
{
public:
    MdbReader();
    ~MdbReader();
    MdbReader(const MdbReader &) = delete;
    MdbReader &operator=(const MdbReader &) = delete;

    // Opens read-only. Jet 3 files (Access 97 and older) store no code page: their text is
    // decoded with jet3CodePage (an iconv name such as "CP1252").
    bool open(const QString &path, const QString &jet3CodePage);
    QString errorString() const { return m_error; }
    bool isJet3() const;

    // User tables, in catalog order (system tables left out); linked tables hold no rows here.
    QStringList tableNames() const;
    QStringList linkedTableNames() const;

    // Makes a table current; false when libmdb cannot read its definition.
    bool openTable(int index, MdbTableInfo *info);
    // Advances to the next row of the current table and converts its values.
    bool nextRow();
    const std::vector<MdbValue> &values() const { return m_values; }
    // Per column: some value of the current table could not be read (stored as NULL).
    const std::vector<bool> &failedColumns() const { return m_failed; }

private:
    struct Private;
    std::unique_ptr<Private> d;
    QString m_error;
    std::vector<MdbValue> m_values;
    std::vector<bool> m_failed;
};

} // namespace plx
