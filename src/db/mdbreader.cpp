#include "db/mdbreader.h"

#include "db/mdbdate.h"

#include <QFile>
#include <QtEndian>

#include <mdbtools.h>

#include <charconv>
#include <iconv.h>

namespace plx {

namespace {

// Types libmdb 1.0 has no name for.
constexpr int typeBigInt = 0x13;      // Access 2016 "Large Number"
constexpr int typeExtDateTime = 0x14; // Access 2019 "Date/Time Extended"

constexpr int primaryKeyIndex = 1;
constexpr int rowOffsetMask = 0x1fff; // the high bits of a row offset are flags
constexpr size_t defaultBindSize = MDB_BIND_SIZE;
constexpr size_t oleChunkBuffer = 2 * MDB_PGSIZE; // libmdb copies one page at a time
constexpr quint32 largestMemo = 256u << 20;       // beyond this a length is damage

enum class Kind {
    Boolean,
    Byte,
    Int16,
    Int32,
    Int64,
    Money,
    Float,
    Double,
    Numeric,
    DateTime,
    ExtDateTime,
    Text,
    Memo,
    RepId,
    Binary,
    Ole,
    Raw,
    Nothing
};

struct Column
{
    Kind kind = Kind::Raw;
    MdbColumn *col = nullptr;
    std::vector<char> oleBuffer;
};

// Bytes a fixed-width value takes; 0 for variable-width kinds. A value of another length
// (a calculated column stores a header before its result) is not read as that kind.
int fixedWidth(Kind kind)
{
    switch (kind) {
    case Kind::Byte:
        return 1;
    case Kind::Int16:
        return 2;
    case Kind::Int32:
    case Kind::Float:
        return 4;
    case Kind::Int64:
    case Kind::Money:
    case Kind::Double:
    case Kind::DateTime:
        return 8;
    case Kind::RepId:
        return 16;
    case Kind::Numeric:
        return 17;
    case Kind::ExtDateTime:
        return 42;
    default:
        return 0;
    }
}

Kind kindOf(const MdbColumn *col, MdbColumnInfo *info)
{
    auto set = [info](const char *sqlType, Kind kind) {
        info->sqlType = QString::fromLatin1(sqlType);
        return kind;
    };
    switch (col->col_type) {
    case MDB_BOOL:
        return set("INTEGER", Kind::Boolean);
    case MDB_BYTE:
        return set("INTEGER", Kind::Byte);
    case MDB_INT:
        return set("INTEGER", Kind::Int16);
    case MDB_LONGINT:
        return set("INTEGER", Kind::Int32);
    case typeBigInt:
        return set("INTEGER", Kind::Int64);
    case MDB_MONEY:
        return set("REAL", Kind::Money);
    case MDB_FLOAT:
        return set("REAL", Kind::Float);
    case MDB_DOUBLE:
        return set("REAL", Kind::Double);
    case MDB_NUMERIC:
        return set("REAL", Kind::Numeric);
    case MDB_DATETIME:
        return set("DATETIME TEXT", Kind::DateTime);
    case typeExtDateTime:
        return set("DATETIME TEXT", Kind::ExtDateTime);
    case MDB_TEXT:
        return set("TEXT", Kind::Text);
    case MDB_MEMO:
        return set("TEXT", Kind::Memo);
    case MDB_REPID:
        return set("TEXT", Kind::RepId);
    case MDB_BINARY:
        return set("BLOB", Kind::Binary);
    case MDB_OLE:
        return set("BLOB", Kind::Ole);
    case MDB_COMPLEX:
        // Attachments, multi-valued fields, version history: the row holds only a key into
        // hidden tables libmdb does not follow.
        info->unreadableReason = QStringLiteral("champ multivalué ou pièce jointe");
        return set("INTEGER", Kind::Nothing);
    default:
        info->unreadableReason = QStringLiteral("type Access %1 inconnu").arg(col->col_type);
        return set("BLOB", Kind::Raw);
    }
}

QByteArray takeGString(char *text)
{
    QByteArray bytes(text ? text : "");
    g_free(text);
    return bytes;
}

// {8-4-4-4-12} as Access shows it; libmdb 1.0 leaves out the fourth dash. The first three
// groups are stored little-endian.
QByteArray guidText(const unsigned char *b)
{
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray text("{");
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += hex[b[order[i]] >> 4];
        text += hex[b[order[i]] & 0xf];
    }
    return text + '}';
}

// A single-precision value through its shortest decimal form, so that 0.1f is stored as
// 0.1 and not as 0.100000001490116.
double floatAsDouble(float value)
{
    char text[32];
    const auto printed = std::to_chars(text, text + sizeof text, value);
    double result = value;
    std::from_chars(text, printed.ptr, result);
    return result;
}

} // namespace

struct MdbReader::Private
{
    MdbHandle *mdb = nullptr;
    QList<MdbCatalogEntry *> tables;
    QStringList linked;
    MdbTableDef *table = nullptr;
    std::vector<Column> columns;
    std::vector<MdbField> fields;

    ~Private()
    {
        closeTable();
        if (mdb)
            mdb_close(mdb);
    }

    void closeTable()
    {
        if (table)
            mdb_free_tabledef(table);
        table = nullptr;
        columns.clear();
    }

    // Text in and out of the file as UTF-8, whatever MDBICONV or MDB_JET3_CHARSET say.
    bool setCodePage(const QByteArray &fileCodePage)
    {
        const iconv_t in = iconv_open("UTF-8", fileCodePage.constData());
        const iconv_t out = iconv_open(fileCodePage.constData(), "UTF-8");
        if (in == iconv_t(-1) || out == iconv_t(-1)) {
            if (in != iconv_t(-1))
                iconv_close(in);
            if (out != iconv_t(-1))
                iconv_close(out);
            return false;
        }
        mdb_iconv_close(mdb);
        mdb->iconv_in = in;
        mdb->iconv_out = out;
        return true;
    }

    bool readValue(const Column &column, const MdbField &field, MdbValue *value);
};

MdbReader::MdbReader() = default;

MdbReader::~MdbReader() = default;

bool MdbReader::open(const QString &path, const QString &jet3CodePage)
{
    d = std::make_unique<Private>();
    m_error.clear();
    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb) {
        m_error = QStringLiteral("le fichier ne peut pas être ouvert comme base Access");
        return false;
    }
    const QByteArray codePage =
        isJet3() ? jet3CodePage.trimmed().toLatin1() : QByteArrayLiteral("UTF-16LE");
    if (codePage.isEmpty() || !d->setCodePage(codePage)) {
        m_error = QStringLiteral("la page de codes « %1 » est inconnue").arg(jet3CodePage);
        return false;
    }
    GPtrArray *catalog = mdb_read_catalog(d->mdb, MDB_ANY);
    if (!catalog) {
        m_error = QStringLiteral("la liste des tables du fichier est illisible");
        return false;
    }
    bool catalogListed = false;
    for (guint i = 0; i < catalog->len; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
        const QString name = QString::fromUtf8(entry->object_name);
        if (name == QLatin1String("MSysObjects"))
            catalogListed = true;
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry) &&
            !name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
            d->tables.append(entry);
        else if (entry->object_type == MDB_LINKED_TABLE)
            d->linked.append(name);
    }
    // Every Access file lists its own catalog table; a cut-off file reads as "no tables".
    if (!catalogListed) {
        m_error = QStringLiteral("la liste des tables du fichier est illisible");
        return false;
    }
    return true;
}

bool MdbReader::isJet3() const
{
    return d && d->mdb && d->mdb->f->jet_version == MDB_VER_JET3;
}

QStringList MdbReader::tableNames() const
{
    QStringList names;
    if (d) {
        for (const MdbCatalogEntry *entry : d->tables)
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

QStringList MdbReader::linkedTableNames() const
{
    return d ? d->linked : QStringList();
}

bool MdbReader::openTable(int index, MdbTableInfo *info)
{
    *info = MdbTableInfo();
    if (!d || index < 0 || index >= d->tables.size())
        return false;
    d->closeTable();
    d->table = mdb_read_table(d->tables.at(index));
    if (!d->table || !mdb_read_columns(d->table))
        return false;
    MdbTableDef *table = d->table;
    info->name = QString::fromUtf8(d->tables.at(index)->object_name);
    info->announcedRows = table->num_rows;

    d->columns.resize(table->num_cols);
    for (guint i = 0; i < table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        MdbColumnInfo column;
        column.name = QString::fromUtf8(col->name);
        column.accessType = col->col_type;
        column.autoNumber = col->is_long_auto && col->col_type == MDB_LONGINT;
        d->columns[i].kind = kindOf(col, &column);
        d->columns[i].col = col;
        info->columns.append(column);
    }
    // libmdb hands long values over only through a bound buffer.
    for (guint i = 0; i < table->num_cols; ++i) {
        if (d->columns[i].kind == Kind::Ole) {
            d->columns[i].oleBuffer.assign(oleChunkBuffer, 0);
            mdb_bind_column(table, int(i) + 1, d->columns[i].oleBuffer.data(), nullptr);
        }
    }
    mdb_read_indices(table); // returns NULL even when it succeeds
    if (table->indices) {
        for (guint i = 0; i < table->num_idxs && info->primaryKey.isEmpty(); ++i) {
            const auto *idx = static_cast<const MdbIndex *>(g_ptr_array_index(table->indices, i));
            if (idx->index_type != primaryKeyIndex)
                continue;
            for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
                const int position = idx->key_col_num[k] - 1;
                if (position < 0 || position >= int(table->num_cols)) {
                    info->primaryKey.clear();
                    break;
                }
                info->primaryKey.append(position);
            }
        }
    }
    mdb_rewind_table(table);
    d->fields.assign(table->num_cols, MdbField());
    m_values.assign(table->num_cols, MdbValue());
    m_failed.assign(table->num_cols, false);
    return true;
}

bool MdbReader::nextRow()
{
    if (!d || !d->table || !mdb_fetch_row(d->table))
        return false;
    MdbTableDef *table = d->table;
    MdbHandle *mdb = d->mdb;
    // mdb_fetch_row does not tell a NULL from an empty text: crack the row again (it is
    // still in the page buffer) to read the null bits ourselves.
    int rowStart = 0;
    size_t rowSize = 0;
    const bool cracked =
        mdb_find_row(mdb, int(table->cur_row) - 1, &rowStart, &rowSize) == 0 &&
        mdb_crack_row(table, rowStart & rowOffsetMask, rowSize, d->fields.data()) >= 0;
    for (MdbValue &value : m_values)
        value = MdbValue();
    for (size_t i = 0; i < d->columns.size(); ++i) {
        const MdbField &field = d->fields[i];
        const size_t column = cracked ? size_t(field.colnum) : i;
        if (!cracked || column >= d->columns.size()) {
            m_failed[i] = true;
            continue;
        }
        if (!d->readValue(d->columns[column], field, &m_values[column]))
            m_failed[column] = true;
    }
    return true;
}

bool MdbReader::Private::readValue(const Column &column, const MdbField &field, MdbValue *value)
{
    const unsigned char *page = mdb->pg_buf;
    const int start = field.start;
    if (column.kind == Kind::Boolean) {
        // A yes/no value lives in the null mask: a set bit means yes.
        value->type = MdbValue::Integer;
        value->integer = field.is_null ? 0 : 1;
        return true;
    }
    if (field.is_null || column.kind == Kind::Nothing)
        return true;
    const int width = fixedWidth(column.kind);
    if (start < 0 || field.siz < 0 || start + field.siz > int(sizeof mdb->pg_buf) ||
        (width && field.siz != width))
        return false;

    switch (column.kind) {
    case Kind::Byte:
        value->type = MdbValue::Integer;
        value->integer = page[start];
        return true;
    case Kind::Int16:
        value->type = MdbValue::Integer;
        value->integer = qFromLittleEndian<qint16>(page + start);
        return true;
    case Kind::Int32:
        value->type = MdbValue::Integer;
        value->integer = qFromLittleEndian<qint32>(page + start);
        return true;
    case Kind::Int64:
        value->type = MdbValue::Integer;
        value->integer = qFromLittleEndian<qint64>(page + start);
        return true;
    case Kind::Money: // a 64-bit count of ten-thousandths
        value->type = MdbValue::Real;
        value->real = double(qFromLittleEndian<qint64>(page + start)) / 10000.0;
        return true;
    case Kind::Float:
        value->type = MdbValue::Real;
        value->real = floatAsDouble(mdb_get_single(mdb->pg_buf, start));
        return true;
    case Kind::Double:
        value->type = MdbValue::Real;
        value->real = mdb_get_double(mdb->pg_buf, start);
        return true;
    case Kind::Numeric: {
        bool ok = false;
        const QByteArray text = takeGString(
            mdb_numeric_to_string(mdb, start, column.col->col_scale, column.col->col_prec));
        value->real = text.toDouble(&ok);
        value->type = ok ? MdbValue::Real : MdbValue::Null;
        return ok;
    }
    case Kind::DateTime:
    case Kind::ExtDateTime: {
        // libmdb 1.0 prints dates before 1900 as "1900-01-00": convert the raw value here.
        const QString text = column.kind == Kind::DateTime
                                 ? accessDateTimeText(mdb_get_double(mdb->pg_buf, start))
                                 : accessExtendedDateTimeText(QByteArrayView(
                                       reinterpret_cast<const char *>(page + start), field.siz));
        if (text.isNull())
            return false;
        value->type = MdbValue::Text;
        value->bytes = text.toLatin1();
        return true;
    }
    case Kind::Text:
        value->type = MdbValue::Text;
        value->bytes = takeGString(mdb_col_to_string(mdb, mdb->pg_buf, start, MDB_TEXT, field.siz));
        return true;
    case Kind::Memo: {
        value->type = MdbValue::Text;
        if (field.siz < MDB_MEMO_OVERHEAD)
            return true;
        // libmdb cuts a memo at its bind size: make room for the whole text in UTF-8.
        const quint32 length = quint32(mdb_get_int32(mdb->pg_buf, start)) & 0x3fffffffu;
        if (length > largestMemo) {
            value->type = MdbValue::Null;
            return false;
        }
        mdb_set_bind_size(mdb, std::max(defaultBindSize, size_t(length) * 3 + 64));
        value->bytes = takeGString(mdb_col_to_string(mdb, mdb->pg_buf, start, MDB_MEMO, field.siz));
        mdb_set_bind_size(mdb, defaultBindSize);
        return true;
    }
    case Kind::RepId:
        value->type = MdbValue::Text;
        value->bytes = guidText(page + start);
        return true;
    case Kind::Binary:
    case Kind::Raw:
        value->type = MdbValue::Blob;
        value->bytes = QByteArray(reinterpret_cast<const char *>(page + start), field.siz);
        return true;
    case Kind::Ole: {
        value->type = MdbValue::Blob;
        if (field.siz < MDB_MEMO_OVERHEAD)
            return true;
        const quint32 length = quint32(mdb_get_int32(mdb->pg_buf, start)) & 0x3fffffffu;
        size_t size = 0;
        void *data = mdb_ole_read_full(mdb, column.col, &size);
        value->bytes = QByteArray(static_cast<const char *>(data), qsizetype(size));
        free(data);
        return size == length;
    }
    case Kind::Boolean:
    case Kind::Nothing:
        break;
    }
    return true;
}

} // namespace plx
