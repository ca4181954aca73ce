#include "imports/importstations.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "session/session.h"

#include <QDateTime>

namespace plx {

namespace {

// The register's identifier column holds 17 characters.
constexpr int kIdentifierLength = 17;
constexpr qint64 kHighestCode = 99999;

QString keyOf(const QString &number)
{
    return number.trimmed().toUpper();
}

QString codeText(const QVariant &value)
{
    return QString::number(qint64(value.toDouble()));
}

QString optionalNumber(const std::optional<double> &value)
{
    return value ? sqlNumber(*value) : QStringLiteral("NULL");
}

} // namespace

ImportStations::ImportStations(AccesBase &db) : m_db(db) {}

bool ImportStations::load(QString *error)
{
    const RecordTable table = m_db.ExtraireRecords(QStringLiteral(
        "SELECT CodePluviometre, Identifiant FROM PLUVIOMETRES WHERE Identifiant IS NOT NULL"));
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return false;
    }
    for (int r = 0; r < table.rowCount(); ++r) {
        const QString key = keyOf(table.text(r, 1));
        // Two stations sharing an identifier break the register's rule: the first keeps it.
        if (!key.isEmpty() && !m_codes.contains(key))
            m_codes.insert(key, codeText(table.at(r, 0)));
    }
    return true;
}

QString ImportStations::codeOf(const QString &number) const
{
    const QString key = keyOf(number);
    return key.isEmpty() ? QString() : m_codes.value(key);
}

bool ImportStations::exists(const QString &code, QString *error) const
{
    const QString normal = measurementTableName(code);
    if (normal.isEmpty())
        return false;
    const RecordTable table = m_db.ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM PLUVIOMETRES WHERE CodePluviometre = ") +
        sqlNumber(code.trimmed().toDouble()));
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return false;
    }
    return table.rowCount() == 1 && table.at(0, 0).toLongLong() > 0;
}

QString ImportStations::nextCode(QString *error)
{
    if (m_highest < 0) {
        const RecordTable table =
            m_db.ExtraireRecords(QStringLiteral("SELECT Max(CodePluviometre) FROM PLUVIOMETRES"));
        if (!table.ok() || table.rowCount() != 1) {
            if (error)
                *error = table.error();
            return QString();
        }
        m_highest = qint64(table.at(0, 0).toDouble());
    }
    if (m_highest >= kHighestCode) {
        if (error)
            *error = QStringLiteral("Plus aucun code de pluviomètre libre (99999 atteint).");
        return QString();
    }
    return QString::number(m_highest + 1);
}

void ImportStations::remember(const QString &number, const QString &code)
{
    m_codes.insert(keyOf(number), code);
    m_highest = std::max(m_highest, code.toLongLong());
}

void ImportStations::forget(const QString &number)
{
    const QString code = m_codes.take(keyOf(number));
    if (!code.isEmpty() && code.toLongLong() == m_highest)
        --m_highest;
}

bool ImportStations::create(const QString &code, const ImportedStation &station, QString *error)
{
    const QString number = station.number.trimmed();
    if (number.isEmpty() || number.size() > kIdentifierLength) {
        if (error)
            *error = QStringLiteral("Le numéro de station « %1 » ne peut pas servir "
                                    "d'identifiant (17 caractères au plus).")
                         .arg(number);
        return false;
    }
    const QString name = station.name.trimmed().isEmpty() ? QStringLiteral("Station ") + number
                                                          : station.name.trimmed();
    const bool placed = station.latitude && station.longitude;
    const UserSession &user = session();
    const QString now = FormatDateSQL(formatDateTime(QDateTime::currentDateTime()), true);
    const QString login = user.login.isEmpty() ? QStringLiteral("AUTO") : user.login;
    const QString codeSql = sqlNumber(code.toLongLong());
    const QString insert =
        QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, X, Y, TypeProjection, "
                       "Altitude, Identifiant, Commentaires, loginmaj, datemaj) VALUES (") +
        QStringList{
            codeSql,
            sqlQuote(name.left(255)),
            placed ? sqlNumber(*station.longitude) : QStringLiteral("NULL"),
            placed ? sqlNumber(*station.latitude) : QStringLiteral("NULL"),
            placed ? sqlNumber(kWgs84Projection) : QStringLiteral("NULL"),
            optionalNumber(station.altitude),
            sqlQuote(number),
            sqlQuote(QStringLiteral("Créé par l'import des données de la station %1.").arg(number)),
            sqlQuote(login),
            now.isEmpty() ? QStringLiteral("NULL") : now}
            .join(QStringLiteral(", ")) +
        QLatin1Char(')');
    if (!m_db.Execute(insert, error))
        return false;
    if (placed && m_db.tableExists(QStringLiteral("PLUVIOMETRE_LOCALISATIONS")) &&
        !m_db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS (CodePluviometre, "
                                     "CodeProjection, X, Y, Z) VALUES (%1, %2, %3, %4, %5)")
                          .arg(codeSql, sqlNumber(kWgs84Projection), sqlNumber(*station.longitude),
                               sqlNumber(*station.latitude), optionalNumber(station.altitude)),
                      error))
        return false;
    // A user who sees only some stations keeps sight of the ones the import creates.
    if (user.hasStationScope && !user.isAdmin &&
        !m_db.Execute(QStringLiteral("INSERT INTO utilisateurs_stations (login, typeStation, "
                                     "identifiant, modeselect) VALUES (%1, 'PLUVIO', %2, "
                                     "'SINGLE')")
                          .arg(sqlQuote(user.login), sqlQuote(code)),
                      error))
        return false;
    remember(number, code);
    return true;
}

} // namespace plx
