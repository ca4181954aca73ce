#include "outputs/documentnumber.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"

namespace plx {

namespace {

const QString kRead = QStringLiteral("SELECT identifiant FROM PARAMETRES WHERE module='DOC_ID'");

// Server engines lock the row (or the table while the row is missing); SQLite's
// transaction already holds the write lock.
bool locksRows(const AccesBase &db)
{
    return db.dialect() == SqlDialect::PostgreSQL || db.dialect() == SqlDialect::Oracle;
}

RecordTable readLocked(AccesBase &db)
{
    if (locksRows(db))
        return db.queryNative(db.translate(kRead) + QStringLiteral(" FOR UPDATE"));
    return db.ExtraireRecords(kRead);
}

std::optional<qint64> fail(QString *error, const QString &message)
{
    if (error)
        *error = QStringLiteral("Impossible d'attribuer un numéro de document : ") + message;
    return std::nullopt;
}

} // namespace

std::optional<qint64> takeDocumentNumber(AccesBase &db, QString *error)
{
    Transaction transaction(db);
    if (!transaction.started())
        return fail(error, transaction.error());
    RecordTable current = readLocked(db);
    if (current.ok() && current.rowCount() == 0 && locksRows(db)) {
        // No row to lock: serialise the creators, then look again.
        QString lockError;
        if (!db.executeNative(QStringLiteral("LOCK TABLE parametres IN SHARE ROW EXCLUSIVE MODE"),
                              &lockError))
            return fail(error, lockError);
        current = readLocked(db);
    }
    if (!current.ok())
        return fail(error, current.error());

    qint64 number = 1;
    if (current.rowCount() == 0) {
        if (!transaction.exec(QStringLiteral("INSERT INTO PARAMETRES (Module, Identifiant) VALUES "
                                             "('DOC_ID', ") +
                              sqlQuote(QString::number(number)) + QStringLiteral(")")))
            return fail(error, transaction.error());
    } else {
        const QString stored = current.text(0, 0).trimmed();
        bool ok = true;
        const qint64 previous = stored.isEmpty() ? 0 : stored.toLongLong(&ok);
        if (!ok || previous < 0)
            return fail(
                error,
                QStringLiteral("la valeur enregistrée « %1 » n'est pas un nombre.").arg(stored));
        number = previous + 1;
        if (!transaction.exec(QStringLiteral("UPDATE PARAMETRES SET identifiant=") +
                              sqlQuote(QString::number(number)) +
                              QStringLiteral(" WHERE module='DOC_ID'")))
            return fail(error, transaction.error());
    }
    if (!transaction.commit())
        return fail(error, transaction.error());
    return number;
}

} // namespace plx
