#include "stations/stationrecord.h"

#include "config/settings.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqldialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/stationcodes.h"
#include "stations/stationlist.h"

#include <utility>
#include <vector>

namespace plx {

namespace {

using Assignments = std::vector<std::pair<QString, QString>>; // column, SQL literal

QString textLiteral(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("NULL") : sqlQuote(text);
}

QString numberLiteral(std::optional<double> value)
{
    return value ? sqlNumber(*value) : QStringLiteral("NULL");
}

QString dateLiteral(const QDate &date)
{
    const QString literal = date.isValid()
                                ? FormatDateSQL(date.toString(QStringLiteral("dd/MM/yyyy")), false)
                                : QString();
    return literal.isEmpty() ? QStringLiteral("NULL") : literal;
}

QString dateTimeLiteral(const QDateTime &dateTime)
{
    return FormatDateSQL(dateTime.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")), true);
}

std::optional<double> optionalNumber(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

std::optional<int> optionalInt(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<int>(value.toInt());
}

// Writes one row keyed by its station column: an UPDATE when it exists, else an INSERT.
bool writeRow(AccesBase &db, Transaction &transaction, const QString &table,
              const QString &keyColumn, const QString &code, const Assignments &values)
{
    const QString where = QStringLiteral(" WHERE %1=%2").arg(keyColumn, code);
    const RecordTable existing =
        db.ExtraireRecords(QStringLiteral("SELECT %1 FROM %2").arg(keyColumn, table) + where);
    if (!existing.ok())
        return false;
    if (existing.rowCount() > 0) {
        QStringList assignments;
        for (const auto &[column, literal] : values)
            assignments << column + QStringLiteral("=") + literal;
        return transaction.exec(
            QStringLiteral("UPDATE %1 SET %2").arg(table, assignments.join(QStringLiteral(", "))) +
            where);
    }
    QStringList columns{keyColumn}, literals{code};
    for (const auto &[column, literal] : values) {
        columns << column;
        literals << literal;
    }
    return transaction.exec(
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, columns.join(QStringLiteral(", ")), literals.join(QStringLiteral(", "))));
}

Assignments stationValues(const StationRecord &record)
{
    return {
        {QStringLiteral("Nom"), textLiteral(record.nom)},
        {QStringLiteral("DateCreation"), dateLiteral(record.dateCreation)},
        {QStringLiteral("DateFermeture"), dateLiteral(record.dateFermeture)},
        {QStringLiteral("X"), numberLiteral(record.x)},
        {QStringLiteral("Y"), numberLiteral(record.y)},
        {QStringLiteral("TypeProjection"), numberLiteral(record.typeProjection)},
        {QStringLiteral("Altitude"), numberLiteral(record.altitude)},
        {QStringLiteral("ExpressionMesure"), QStringLiteral("2")},
        {QStringLiteral("Commentaires"), textLiteral(record.commentaires)},
        {QStringLiteral("CodeCommune"), textLiteral(record.codeCommune)},
        {QStringLiteral("CodeContact"), numberLiteral(record.codeContact)},
        {QStringLiteral("Identifiant"), textLiteral(record.identifiant)},
        {QStringLiteral("adresse"), textLiteral(record.adresse)},
        {QStringLiteral("codePays"), textLiteral(record.codePays)},
        {QStringLiteral("codeQualitoInter"), textLiteral(record.codeQualitoInter)},
        {QStringLiteral("jobExecutionId"), QStringLiteral("NULL")},
        {QStringLiteral("loginmaj"), textLiteral(record.loginMaj)},
        {QStringLiteral("datemaj"), dateTimeLiteral(record.dateMaj)},
        {QStringLiteral("codeCommuneDeclaration"), textLiteral(record.codeCommuneDeclaration)},
    };
}

Assignments geographicValues(const StationRecord &record)
{
    return {
        {QStringLiteral("carteIGN"), textLiteral(record.carteIGN)},
        {QStringLiteral("carteGeologique"), textLiteral(record.carteGeologique)},
        {QStringLiteral("parcelle"), textLiteral(record.parcelle)},
        {QStringLiteral("section"), textLiteral(record.section)},
    };
}

// Two sessions saving new stations at once must not both take max + 1: SQLite's
// transactions already begin with the write lock; PostgreSQL needs the table locked.
bool lockStationCodes(AccesBase &db, QString *error)
{
    if (db.dialect() != SqlDialect::PostgreSQL)
        return true;
    return db.executeNative(QStringLiteral("LOCK TABLE pluviometres IN SHARE ROW EXCLUSIVE MODE"),
                            error);
}

bool restrictedScope()
{
    return !session().stationScopeCondition().isEmpty();
}

} // namespace

std::optional<StationRecord> loadStation(AccesBase &db, const QString &givenCode)
{
    const QString code = normalisedStationCode(givenCode);
    if (code.isEmpty())
        return std::nullopt;
    const RecordTable row = db.ExtraireRecords(
        QStringLiteral("SELECT * FROM Pluviometres WHERE CodePluviometre=") + code);
    if (!row.ok() || row.rowCount() == 0)
        return std::nullopt;
    const auto value = [&](const char *column) -> QVariant {
        const int index = row.columnIndex(QLatin1String(column));
        return index < 0 ? QVariant() : row.at(0, index);
    };
    const auto text = [&](const char *column) {
        const int index = row.columnIndex(QLatin1String(column));
        return index < 0 ? QString() : row.text(0, index);
    };
    StationRecord record;
    record.code = code;
    record.nom = text("Nom");
    record.dateCreation = value("DateCreation").toDateTime().date();
    record.dateFermeture = value("DateFermeture").toDateTime().date();
    record.x = optionalNumber(value("X"));
    record.y = optionalNumber(value("Y"));
    record.typeProjection = optionalInt(value("TypeProjection"));
    record.altitude = optionalNumber(value("Altitude"));
    record.commentaires = text("Commentaires");
    record.codeCommune = text("CodeCommune");
    record.codeContact = optionalInt(value("CodeContact"));
    record.identifiant = text("Identifiant");
    record.adresse = text("adresse");
    record.codePays = text("codePays");
    record.codeQualitoInter = text("codeQualitoInter");
    record.codeCommuneDeclaration = text("codeCommuneDeclaration");
    record.loginMaj = text("loginmaj");
    record.dateMaj = value("datemaj").toDateTime();

    const RecordTable geo = db.ExtraireRecords(
        QStringLiteral("SELECT carteIGN, carteGeologique, parcelle, section FROM "
                       "Pluviometres_Info_Geo WHERE CodePluviometre=") +
        code);
    if (geo.ok() && geo.rowCount() > 0) {
        record.carteIGN = geo.text(0, 0);
        record.carteGeologique = geo.text(0, 1);
        record.parcelle = geo.text(0, 2);
        record.section = geo.text(0, 3);
    }
    return record;
}

QString identifierConflict(AccesBase &db, const QString &identifiant, const QString &ownCode)
{
    if (identifiant.isEmpty())
        return QString();
    QString sql = QStringLiteral("SELECT CodePluviometre, Nom FROM Pluviometres WHERE ") +
                  sameKey(QStringLiteral("Identifiant"), identifiant);
    const QString own = normalisedStationCode(ownCode);
    if (!own.isEmpty())
        sql += QStringLiteral(" AND CodePluviometre<>") + own;
    const RecordTable others = db.ExtraireRecords(sql);
    if (!others.ok())
        return QStringLiteral("Impossible de vérifier l'identifiant : ") + others.error();
    if (others.rowCount() == 0)
        return QString();
    if (!restrictedScope())
        return QStringLiteral("L'identifiant est déjà utilisé pour un autre pluviomètre. \r"
                              "Merci de le modifier.");
    const QString otherCode = normalisedStationCode(others.text(0, 0));
    const QString site = QStringLiteral("Un site ( ") + otherCode + QLatin1Char('-') +
                         others.text(0, 1) + QLatin1Char(')');
    const RecordTable visible = db.ExtraireRecords(
        QStringLiteral("SELECT * FROM Utilisateurs_stations WHERE ucase(login)=ucase(%1) AND "
                       "ucase(typestation)='PLUVIO' AND identifiant=%2")
            .arg(sqlQuote(session().login), sqlQuote(otherCode)));
    if (visible.ok() && visible.rowCount() > 0)
        return site + QStringLiteral(" utilise déjà cet identifiant. Saisissez un nouveau numéro "
                                     "BSS avant d'enregidtrer.");
    return site + QStringLiteral(" utilise déjà cet identifiant mais vous ne disposez pas des "
                                 "droits nécessaires pour le consulter. Merci de contacter votre "
                                 "administrateur.");
}

StationSaveResult saveStation(AccesBase &db, StationRecord &record, const QString &requestedCode)
{
    const QString conflict = identifierConflict(db, record.identifiant, record.code);
    if (!conflict.isEmpty())
        return {false, true, conflict};
    const bool isNew = record.code.isEmpty();
    if (isNew && !requestedCode.isEmpty()) {
        const QString refused = codeRuleViolation(db, requestedCode);
        if (!refused.isEmpty())
            return {false, true, refused};
    }

    Transaction transaction(db);
    QString error;
    if (!transaction.started() || !lockStationCodes(db, &error))
        return {false, false, transaction.started() ? error : transaction.error()};
    const QString code = !isNew                    ? normalisedStationCode(record.code)
                         : requestedCode.isEmpty() ? nextFreeStationCode(db)
                                                   : sqlNumber(requestedCode.toLongLong());
    if (code.isEmpty())
        return {false, false,
                QStringLiteral("Impossible de calculer le code du nouveau pluviomètre : ") +
                    db.lastError()};

    StationRecord written = record;
    written.code = code;
    written.loginMaj = session().login;
    // Wall-clock whole seconds, labelled as the database reads date-times back.
    const QDateTime now = QDateTime::currentDateTime();
    written.dateMaj = QDateTime(
        now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()), Qt::UTC);
    bool ok = writeRow(db, transaction, QStringLiteral("Pluviometres"),
                       QStringLiteral("CodePluviometre"), code, stationValues(written)) &&
              writeRow(db, transaction, QStringLiteral("Pluviometres_Info_Geo"),
                       QStringLiteral("CodePluviometre"), code, geographicValues(written));
    if (ok && isNew && restrictedScope()) {
        // The creator keeps sight of the station the scope would otherwise hide.
        ok = transaction.exec(QStringLiteral("DELETE FROM utilisateurs_stations where login=%1 and "
                                             "typestation='PLUVIO' and identifiant=%2 and "
                                             "modeselect='SINGLE'")
                                  .arg(sqlQuote(session().login), sqlQuote(code))) &&
             transaction.exec(QStringLiteral("INSERT INTO utilisateurs_stations (login, "
                                             "typeStation, identifiant, modeselect) VALUES "
                                             "(%1, 'PLUVIO', %2, 'SINGLE')")
                                  .arg(sqlQuote(session().login), sqlQuote(code)));
    }
    if (!ok || !transaction.commit()) {
        const QString reason = transaction.error().isEmpty() ? db.lastError() : transaction.error();
        return {false, false, QStringLiteral("L'enregistrement de la fiche a échoué : ") + reason};
    }
    record = written;
    return {true, false, QString()};
}

QString declarationCommuneLabel(AccesBase &db, const QString &codeCommune)
{
    if (codeCommune.isEmpty())
        return QStringLiteral("Aucune commune de déclaration. Cliquez pour la modifier.");
    RecordTable name =
        db.ExtraireRecords(QStringLiteral("SELECT nom FROM communes_histo where codeCommune=") +
                           sqlQuote(codeCommune));
    // A commune that never changed its name has no history row: its current name serves.
    if (!name.ok() || name.rowCount() == 0)
        name = db.ExtraireRecords(QStringLiteral("SELECT Nom FROM Communes where CodeCommune=") +
                                  sqlQuote(codeCommune));
    const QString nom = name.ok() && name.rowCount() > 0 ? name.text(0, 0) : QString();
    return nom + QStringLiteral(" [") + codeCommune + QLatin1Char(']');
}

std::optional<int> referentContact(AccesBase &db, const QString &givenCode)
{
    const QString code = normalisedStationCode(givenCode);
    if (code.isEmpty())
        return std::nullopt;
    const RecordTable role = db.ExtraireRecords(
        QStringLiteral("SELECT mac from PARAMETRES where module=%1 AND identifiant='typeReferent'")
            .arg(sqlQuote(moduleCode())));
    if (!role.ok() || role.rowCount() == 0)
        return std::nullopt;
    bool numeric = false;
    const int roleCode = role.text(0, 0).trimmed().toInt(&numeric);
    if (!numeric)
        return std::nullopt; // no role set: no referent
    const RecordTable link = db.ExtraireRecords(
        QStringLiteral("SELECT codeContact from Lien_Pluvio_Intervenants where codePluviometre=%1 "
                       "AND typeIntervenant=%2 AND codeContact is not null ORDER BY dateDebut DESC")
            .arg(code, sqlNumber(roleCode)));
    if (!link.ok() || link.rowCount() == 0)
        return std::nullopt;
    return link.at(0, 0).toInt();
}

} // namespace plx
