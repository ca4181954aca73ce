#pragma once

#include <QString>

#include <vector>

namespace plx {

// One named database of databases.properties, the definition file shared between
// workstations. Three lines per definition:
//   <name>=<kind>@<server>[:<port>]/<database>     or     <name>=access@<file path>
//   <name>.user=<account>
//   <name>.pwd=<enciphered password>
struct DatabaseDefinition
{
    QString name;
    // Upper case, as TypeBase holds it: "ACCESS", "POSTGRESQL" (written "postgres"),
    // "ORACLE", "ORACLE_XE"...
    QString kind;
    QString server; // server[:port]; empty for an Access file
    QString database; // the file path for an Access file
    QString account;
    QString password;
    // The .pwd line could not be deciphered: password is empty and must be asked for.
    // The line's text is kept and written back unchanged.
    bool passwordUnreadable = false;
    QString unreadablePasswordText;

    bool isAccess() const { return kind == QLatin1String("ACCESS"); }
    // The server part split at its ":"; no ":" gives an empty port.
    QString host() const;
    QString port() const;
    // server = host, with ":" + port when a port is given.
    void setServer(const QString &host, const QString &port);
};

// The definitions in file order; an empty or missing file gives none. Lines that cannot
// be understood are skipped: a damaged line never loses the others.
std::vector<DatabaseDefinition> LireDefinitionsBases(const QString &path);

// Rewrites the file atomically (CR LF lines) with the definitions that have a name and a
// kind. False, with the reason in *error, when the file cannot be written; the previous
// file is then left as it was.
bool EcrireDefinitionsBases(const QString &path, const std::vector<DatabaseDefinition> &definitions,
                            QString *error = nullptr);

} // namespace plx
