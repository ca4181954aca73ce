#pragma once

#include "config/connectionprofile.h"

#include <QString>
#include <QStringList>

namespace plx::cli {

// Options common to the commands that open a database.
struct Options
{
    ConnectionProfile profile;
    bool hasDatabase = false;
    QStringList positional;
    QString error; // French text of a usage error
};

// Reads --db FILE, --pg CONNINFO, --odbc STRING and collects the other arguments.
Options parseOptions(const QStringList &arguments);

} // namespace plx::cli
