#pragma once

#include "cli/options.h"

#include <QStringList>
#include <QVariant>

#include <cstdio>

namespace plx::cli {

QString usage();
// Runs one command; returns the process exit code (0 success, 1 failure, 2 bad usage).
int run(const QString &command, const QStringList &arguments);

// Shared by the commands.
void print(FILE *stream, const QString &text);
// A value as a tab-separated cell, as a spreadsheet pastes it: NULL empty, dates day
// first, tabs and line breaks turned into blanks.
QString cellText(const QVariant &value);
// Connects the process-wide access object to the database of the options and logs in the
// --user given; prints the reason and returns false on failure.
bool connectDatabase(const Options &options);

} // namespace plx::cli
