#pragma once

#include <QString>

namespace plx {

// Where an Access file (.mdb, .accdb, or a ZIP holding one) is worked on where no Access
// driver exists: a SQLite copy beside it (or in the user's data folder when that folder is
// read-only), made on first use and reused afterwards so that no change is lost. The
// original file is never written. Returns the working file, or an empty text and a French
// error; notice tells the user what happened. A file protected by a password is refused
// (connectionrefusal.h) and no copy is made or used.
QString accessWorkingCopy(const QString &accessPath, QString *notice, QString *error);

} // namespace plx
