#include "session/journal.h"

#include "db/accesbase.h"
#include "db/recordset.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

namespace plx {

namespace {

constexpr int kDescriptionLength = 125;

int &logLevel()
{
    static int level = 2;
    return level;
}

// The workstation's first non-loopback IPv4 address, else its host name: enough to tell
// workstations apart in the journal. Looked up once.
const QString &workstationAddress()
{
    static const QString address = [] {
        const QList<QHostAddress> addresses = QNetworkInterface::allAddresses();
        for (const QHostAddress &candidate : addresses) {
            if (!candidate.isLoopback() && candidate.protocol() == QAbstractSocket::IPv4Protocol)
                return candidate.toString();
        }
        return QHostInfo::localHostName();
    }();
    return address;
}

bool appendRow(AccesBase &db, const QString &description, JournalLevel level)
{
    std::unique_ptr<Recordset> rows =
        db.OuvrirRecordset(QStringLiteral("SELECT * FROM JOURNAL where dateEvt is null"));
    if (!rows)
        return false;
    const UserSession &user = session();
    rows->addnew();
    // Wall-clock time, as every date-time of the program.
    const QDateTime now = QDateTime::currentDateTime();
    rows->setField(QStringLiteral("dateEvt"), QDateTime(now.date(), now.time(), Qt::UTC));
    rows->setField(QStringLiteral("niveau"), int(level));
    rows->setField(QStringLiteral("utilisateur"),
                   user.login.isEmpty() ? QStringLiteral("AUTO") : user.login);
    if (!user.codeContact.isEmpty())
        rows->setField(QStringLiteral("contact"), user.codeContact);
    rows->setField(QStringLiteral("ip"), workstationAddress());
    rows->setField(QStringLiteral("projet"), QStringLiteral("PLXReader"));
    rows->setField(QStringLiteral("description"), description.left(kDescriptionLength));
    const bool ok = rows->Update();
    rows->Close();
    return ok;
}

} // namespace

int journalLogLevel()
{
    return logLevel();
}

void setJournalLogLevel(int level)
{
    logLevel() = level;
}

void journal(const QString &description, JournalLevel level)
{
    if (int(level) > logLevel())
        return;
    AccesBase &db = AccesBase::instance();
    if (!db.isConnected())
        return;
    // Inside a caller's transaction the row gets a savepoint of its own: on PostgreSQL a
    // failing journal write would otherwise abort the work it records.
    if (!db.inTransaction()) {
        appendRow(db, description, level);
        return;
    }
    if (!db.DebutTransaction())
        return;
    const bool ok = appendRow(db, description, level);
    db.FinTransaction(ok);
}

void journal(const SchemaUpgradeReport &upgrade)
{
    for (const SchemaUpgradeReport::JournalRow &row : upgrade.journal)
        journal(row.text, row.error ? JournalLevel::Error : JournalLevel::Info);
}

} // namespace plx
