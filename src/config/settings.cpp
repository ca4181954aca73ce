#include "config/settings.h"

#include "config/machinesettings.h"
#include "db/accesbase.h"
#include "db/recordset.h"
#include "db/sqltext.h"
#include "db/transaction.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

namespace plx {

namespace {

struct RunState
{
    QString login;
    // Per-user values by upper-cased key, as stored in the table ("" for NULL or for a key
    // set nowhere). Options are read at every chart creation: one query each is too slow.
    QHash<QString, QString> userValues;
};

RunState &runState()
{
    static RunState state;
    return state;
}

const QLatin1String kLastProject("LastProject");

bool isLastProject(const QString &key)
{
    return key.compare(kLastProject, Qt::CaseInsensitive) == 0;
}

bool isProfileKey(const QString &key)
{
    static const QStringList keys{
        QStringLiteral("ConnexionAutomatic"), QStringLiteral("LastUser"),
        QStringLiteral("Base"),               QStringLiteral("TypeBase"),
        QStringLiteral("ServeurBase"),        QStringLiteral("PortServeurBase"),
        QStringLiteral("UserBase"),           QStringLiteral("PassBase")};
    return keys.contains(key, Qt::CaseInsensitive);
}

bool userStoreInUse()
{
    return !runState().login.isEmpty() && AccesBase::instance().isConnected();
}

QString machineKeyPath(const QString &key, const QString &keyPath)
{
    if (!keyPath.isEmpty())
        return keyPath;
    return isLastProject(key) ? machinesettings::suiteKeyPath()
                              : machinesettings::applicationKeyPath();
}

QString cacheKey(const QString &key)
{
    return key.toUpper();
}

QString userRowCondition(const QString &key)
{
    return QStringLiteral(" WHERE ucase(parametre) = ucase(%1) and ucase(login) = ucase(%2)")
        .arg(sqlQuote(key), sqlQuote(runState().login));
}

QString userRowSelect(const QString &key)
{
    return QStringLiteral("SELECT login, parametre, valeur, datemaj FROM UTILISATEURS_PARAMETRES")
           + userRowCondition(key);
}

// Sets the user's row (the one found, or a new one) to value: NULL when empty.
bool storeUserRow(const QString &key, const QString &value)
{
    std::unique_ptr<Recordset> rows = AccesBase::instance().OuvrirRecordset(userRowSelect(key));
    if (!rows)
        return false;
    if (rows->EOF_())
        rows->addnew();
    rows->setField(QStringLiteral("login"), runState().login);
    rows->setField(QStringLiteral("parametre"), key);
    rows->setField(QStringLiteral("valeur"), value.isEmpty() ? QVariant() : QVariant(value));
    rows->setField(QStringLiteral("datemaj"), QDateTime::currentDateTime());
    const bool ok = rows->Update();
    rows->Close();
    return ok;
}

// The machine store's value, trimmed; nullopt when absent.
std::optional<QString> readMachine(const QString &key, const QString &keyPath)
{
    const std::optional<QString> raw = machinesettings::read(machineKeyPath(key, keyPath), key);
    if (!raw)
        return std::nullopt;
    return raw->trimmed();
}

QString caseFor(const QString &value, bool keepCase)
{
    return keepCase ? value : value.toUpper();
}

} // namespace

QString currentLogin()
{
    return runState().login;
}

void setCurrentLogin(const QString &login)
{
    runState().login = login;
    runState().userValues.clear();
}

void clearUserSettingsCache()
{
    runState().userValues.clear();
}

bool isMachineOnlySetting(const QString &key)
{
    return isProfileKey(key) || isLastProject(key);
}

QString LireParametre(const QString &key, const QString &keyPath, bool keepCase)
{
    if (isMachineOnlySetting(key) || !userStoreInUse())
        return caseFor(readMachine(key, keyPath).value_or(QString()), keepCase);

    QHash<QString, QString> &cache = runState().userValues;
    const auto cached = cache.constFind(cacheKey(key));
    if (cached != cache.constEnd())
        return *cached;

    const RecordTable row = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT valeur FROM UTILISATEURS_PARAMETRES") + userRowCondition(key));
    if (row.ok() && row.rowCount() > 0) {
        const QString value = row.text(0, 0);
        cache.insert(cacheKey(key), value);
        return value;
    }

    const std::optional<QString> machineValue = readMachine(key, keyPath);
    if (!row.ok()) // the table cannot be read: do not remember anything
        return caseFor(machineValue.value_or(QString()), keepCase);

    // The machine value seeds the user's own option: copied with its case, so that a later
    // keepCase read still sees it as typed.
    if (!machineValue || storeUserRow(key, *machineValue))
        cache.insert(cacheKey(key), machineValue.value_or(QString()));
    return caseFor(machineValue.value_or(QString()), keepCase);
}

bool EcrireParametre(const QString &key, const QString &value, const QString &keyPath)
{
    if (isMachineOnlySetting(key) || !userStoreInUse()) {
        // An empty string value cannot be told from a missing one in every store.
        return machinesettings::write(machineKeyPath(key, keyPath), key,
                                      value.isEmpty() ? QStringLiteral(" ") : value);
    }

    QHash<QString, QString> &cache = runState().userValues;
    cache.remove(cacheKey(key));
    // Delete and insert again as one change: a failed insert must not lose the option.
    Transaction transaction(AccesBase::instance());
    const bool ok = transaction.exec(QStringLiteral("DELETE FROM UTILISATEURS_PARAMETRES")
                                     + userRowCondition(key))
                    && storeUserRow(key, value) && transaction.commit();
    if (ok)
        cache.insert(cacheKey(key), value);
    return ok;
}

} // namespace plx
