#pragma once

#include <QStringList>

namespace plx::cli {

QString usage();
// Runs one command; returns the process exit code (0 success, 1 failure, 2 bad usage).
int run(const QString &command, const QStringList &arguments);

} // namespace plx::cli
