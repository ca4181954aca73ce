#include "session/journalquery.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"

#include <QRegularExpression>

namespace plx {

namespace {

const QString kColumns = QStringLiteral(
    "dateEvt, niveau, utilisateur, contact, ip, projet, description");
// The columns after dateEvt make the order total enough to be the same at every read;
// rows equal on all of them are interchangeable.
const QString kTies = QStringLiteral(", utilisateur, description, niveau, projet, contact, ip");

// PostgreSQL and Oracle get "NULLS LAST" on every DESC from the translator, an order the
// plain dateEvt index does not give: the first page then sorted the whole table (0.6 s on
// a million rows instead of milliseconds). No NULL date is read, so the index's own order
// means the same rows.
QString dateOrder(SqlDialect dialect)
{
    const bool nullsFirstOnDesc = dialect == SqlDialect::PostgreSQL || dialect == SqlDialect::Oracle;
    return QStringLiteral(" ORDER BY dateEvt DESC") +
           (nullsFirstOnDesc ? QStringLiteral(" NULLS FIRST") : QString()) + kTies;
}

QString instantLiteral(const QDateTime &instant)
{
    return FormatDateSQL(instant.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")), true);
}

QString dayLiteral(const QDate &day)
{
    return FormatDateSQL(day.toString(QStringLiteral("dd/MM/yyyy")), false);
}

QDateTime toSeconds(QDateTime instant)
{
    const QTime t = instant.time();
    instant.setTime(QTime(t.hour(), t.minute(), t.second()));
    return instant;
}

} // namespace

QString journalLevelLabel(int niveau)
{
    switch (niveau) {
    case 1:
        return QStringLiteral("Erreur");
    case 2:
        return QStringLiteral("Information");
    case 3:
        return QStringLiteral("Détail");
    default:
        return QString::number(niveau);
    }
}

QString journalCondition(const JournalFilter &filter, QString *error)
{
    QStringList parts{QStringLiteral("dateEvt is not null")};
    if (filter.from)
        parts << QStringLiteral("dateEvt >= ") + dayLiteral(*filter.from);
    if (filter.to)
        parts << QStringLiteral("dateEvt < ") + dayLiteral(filter.to->addDays(1));
    const QString user = filter.user.trimmed();
    if (!user.isEmpty())
        parts << QStringLiteral("ucase(utilisateur) = ucase(") + sqlQuote(user) + QLatin1Char(')');
    const QString project = filter.project.trimmed();
    if (!project.isEmpty())
        parts << QStringLiteral("ucase(projet) = ucase(") + sqlQuote(project) + QLatin1Char(')');
    if (filter.level > 0)
        parts << QStringLiteral("niveau = ") + sqlNumber(filter.level);
    const QString station = filter.station.trimmed();
    if (!station.isEmpty()) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
        if (!digits.match(station).hasMatch()) {
            if (error)
                *error = QStringLiteral("Le code du pluviomètre doit être un nombre : « %1 ».")
                             .arg(station);
            return QString();
        }
        // The program names a station as "pluviomètre <code>" (or "Pluviomètre <code>"),
        // followed by a blank or punctuation: 12 must not match 123, nor a count of 12.
        // Digits hold no LIKE wildcard.
        const QString padded = QStringLiteral("(description & ' ')");
        QStringList words;
        for (const QString &after : {QStringLiteral(" "), QStringLiteral(":"),
                                     QStringLiteral(","), QStringLiteral(".")})
            words << padded + QStringLiteral(" like ") +
                         sqlQuote(QStringLiteral("%luviomètre ") + station + after +
                                  QLatin1Char('%'));
        parts << QLatin1Char('(') + words.join(QStringLiteral(" or ")) + QLatin1Char(')');
    }
    return parts.join(QStringLiteral(" and "));
}

QString journalPageSql(const QString &condition, const JournalCursor &cursor, int pageSize,
                       SqlDialect dialect)
{
    QString where = condition;
    if (cursor.before)
        where += QStringLiteral(" and dateEvt <= ") + instantLiteral(*cursor.before);
    return QStringLiteral("SELECT TOP ") + sqlNumber(qint64(pageSize) + cursor.skip + 1) +
           QLatin1Char(' ') + kColumns + QStringLiteral(" FROM JOURNAL WHERE ") + where + dateOrder(dialect);
}

bool readJournalPage(AccesBase &db, const JournalFilter &filter, const JournalCursor &cursor,
                     int pageSize, JournalPage &page, QString *error)
{
    page = JournalPage{};
    QString refusal;
    const QString condition = journalCondition(filter, &refusal);
    if (condition.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    pageSize = qMax(1, pageSize);
    int seen = 0;
    int extra = 0;
    const auto reader = [&](const QVariant *v, int) {
        if (seen++ < cursor.skip)
            return true;
        if (int(page.rows.size()) == pageSize) {
            extra = 1;
            return false;
        }
        JournalEntry e;
        e.dateEvt = toSeconds(v[0].toDateTime());
        e.niveau = v[1].toInt();
        e.utilisateur = v[2].toString();
        e.contact = v[3].toString();
        e.ip = v[4].toString();
        e.projet = v[5].toString();
        e.description = v[6].toString();
        page.rows.push_back(std::move(e));
        return true;
    };
    if (!db.readRecords(journalPageSql(condition, cursor, pageSize, db.dialect()), reader, error)) {
        page = JournalPage{};
        return false;
    }
    page.hasMore = extra > 0;
    if (page.rows.empty()) {
        page.next = cursor;
        return true;
    }
    // The next page starts after the rows shown at the last instant of this one.
    const QDateTime last = page.rows.back().dateEvt;
    int atLast = 0;
    for (auto it = page.rows.rbegin(); it != page.rows.rend() && it->dateEvt == last; ++it)
        ++atLast;
    if (cursor.before && *cursor.before == last)
        atLast += cursor.skip;
    page.next = {last, atLast};
    return true;
}

} // namespace plx
