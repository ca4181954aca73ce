#include "db/sqlitefunctions.h"

#include "db/sqldates.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cmath>
#include <limits>

namespace plx {

namespace {

QByteArray utf8Arg(sqlite3_value *value)
{
    // text before bytes: the byte count is the one of the UTF-8 conversion.
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QByteArray(text, sqlite3_value_bytes(value));
}

void resultText(sqlite3_context *context, const QByteArray &utf8)
{
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// now(): the local wall-clock time in the canonical form (SQLite's datetime('now') is UTC).
void nowFunction(sqlite3_context *context, int, sqlite3_value **)
{
    const QDateTime now = QDateTime::currentDateTime();
    resultText(context, canonicalDateTime(QDateTime(now.date(), now.time(), Qt::UTC)).toUtf8());
}

// Access rounds halves to even; nearbyint does under the default rounding mode.
void resultInt32(sqlite3_context *context, double value)
{
    const double rounded = std::nearbyint(value);
    if (std::isfinite(rounded) && rounded >= std::numeric_limits<qint32>::min() &&
        rounded <= std::numeric_limits<qint32>::max())
        sqlite3_result_int(context, int(rounded));
    else
        sqlite3_result_null(context);
}

// cint(x): a 32-bit integer, or NULL for anything that is not a number in range (Access
// raises an error; a query over codes held as text must not fail on one bad row).
void cintFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 number = sqlite3_value_int64(value);
        if (number >= std::numeric_limits<qint32>::min() &&
            number <= std::numeric_limits<qint32>::max())
            sqlite3_result_int(context, int(number));
        else
            sqlite3_result_null(context);
        return;
    }
    case SQLITE_FLOAT:
        resultInt32(context, sqlite3_value_double(value));
        return;
    case SQLITE_TEXT: {
        static const QRegularExpression number(QStringLiteral(R"(^\s*[-+]?[0-9]+(\.[0-9]*)?\s*$)"));
        const QString text = QString::fromUtf8(utf8Arg(value));
        if (number.match(text).hasMatch())
            resultInt32(context, QLocale::c().toDouble(text.trimmed()));
        else
            sqlite3_result_null(context);
        return;
    }
    default:
        sqlite3_result_null(context);
    }
}

// cstr(x): the text Access gives a value: 12.0 reads "12" (SQLite's own conversion
// writes "12.0", which would give PLUVIO_12.0 for a code).
void cstrFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_FLOAT: {
        const double number = sqlite3_value_double(value);
        const bool integral = std::abs(number) < 1e15 && number == std::trunc(number);
        resultText(context,
                   integral
                       ? QByteArray::number(qint64(number))
                       : QString::number(number, 'g', QLocale::FloatingPointShortest).toUtf8());
        return;
    }
    default:
        resultText(context, utf8Arg(value));
    }
}

// cvdate(x) for what the translator cannot resolve itself: French day-first text, the
// canonical form, a time alone (on 30/12/1899), or an Access day number.
void cvdateFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    std::optional<QDateTime> result;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double days = sqlite3_value_double(value);
        if (std::isfinite(days) && std::abs(days) < 3e6) {
            const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
            result = zero.addSecs(qint64(std::llround(days * 86400.0)));
        }
        break;
    }
    case SQLITE_TEXT:
        result = parseSqlDate(QString::fromUtf8(utf8Arg(value)), DateOrder::DayFirst);
        break;
    default:
        break;
    }
    if (result)
        resultText(context, canonicalDateTime(*result).toUtf8());
    else
        sqlite3_result_null(context);
}

// upper/lower for every alphabet: SQLite's own fold ASCII only, so upper('é') stayed 'é'
// and upper(x) = upper(v) missed accented keys.
void caseFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const bool upper = sqlite3_user_data(context) != nullptr;
    QByteArray text = utf8Arg(value);
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](char c) { return uchar(c) < 0x80; });
    if (ascii) {
        text = upper ? text.toUpper() : text.toLower();
    } else {
        const QString unicode = QString::fromUtf8(text);
        text = (upper ? unicode.toUpper() : unicode.toLower()).toUtf8();
    }
    resultText(context, text);
}

} // namespace

bool registerSqliteFunctions(sqlite3 *db)
{
    if (!db)
        return false;
    constexpr int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    static int upperTag = 1;
    struct Function
    {
        const char *name;
        int flags;
        void (*call)(sqlite3_context *, int, sqlite3_value **);
        void *data;
    };
    const Function functions[] = {
        {"now", SQLITE_UTF8, nowFunction, nullptr}, {"cint", pure, cintFunction, nullptr},
        {"cstr", pure, cstrFunction, nullptr},      {"cvdate", pure, cvdateFunction, nullptr},
        {"upper", pure, caseFunction, &upperTag},   {"lower", pure, caseFunction, nullptr},
    };
    for (const Function &f : functions) {
        const int arguments = f.call == nowFunction ? 0 : 1;
        if (sqlite3_create_function_v2(db, f.name, arguments, f.flags, f.data, f.call, nullptr,
                                       nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

} // namespace plx
