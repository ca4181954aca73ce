#pragma once

#include <QString>

namespace plx {

// A database to connect to. kind is the profile's TypeBase: "ACCESS", "POSTGRESQL", one
// of the Oracle variants, or "ODBC" (database is then a full ODBC connection string;
// used by the command-line tool and the tests).
struct ConnectionProfile
{
    QString kind;
    QString database; // file path, database name, Oracle service or DSN
    QString server;
    QString port;
    QString user;
    QString password;
    QString applicationName = QStringLiteral("PLXReader");
    bool createIfMissing = false; // local file databases only

    bool isOracle() const { return kind.startsWith(QLatin1String("ORACLE")); }
};

// The profile in use for this run. Its kind is "ACCESS", "POSTGRESQL" or "ORACLE" once
// connected (the Oracle variants collapse); every dialect decision reads it.
ConnectionProfile &runProfile();

} // namespace plx
