#pragma once

#include <QProcess>
#include <QStringList>

namespace plxtest {

// One run of the command-line tool built with the tests.
struct CliResult
{
    int exitCode = -1;
    QString out, err;
};

inline CliResult runPlx(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PLX_CLI_PATH), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace plxtest
