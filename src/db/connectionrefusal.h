#pragma once

#include <QString>

// Connections the database layer refuses on purpose, for a reason the user has to read as
// it is: a password-protected Access file, a PostgreSQL server on which quoting would not be
// safe. Connecter's error text is then one of these sentences; the screens show it instead
// of their general "the connection did not work", which would send the user to the settings.
namespace plx {

// "Ce fichier Access est protégé par un mot de passe : …" and what to do about it; the
// archive is named when the file came out of a ZIP.
QString protectedAccessFileRefusal(const QString &fileName, const QString &archiveName = {});

// The server would not turn standard_conforming_strings on; serverSays is its answer.
QString unsafeQuotingRefusal(const QString &serverSays);

// True when error is one of the refusals above.
bool isConnectionRefusal(const QString &error);

} // namespace plx
