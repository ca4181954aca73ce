#pragma once

#include "cli/options.h"

#include <QStringList>
#include <QVariant>

#include <cstdio>

namespace plx {
class AccesBase;
}

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

// Prints message as one line on stderr; returns code.
int fail(const QString &message, int code = 1);
// A number in the C locale with at most four decimals, trailing zeros dropped (sums of
// tenths of a millimetre carry binary noise beyond that); NaN is empty.
QString numberCell(double value);
// Whether the station exists among those the user may see; false with error set when the
// statement fails.
bool stationVisible(AccesBase &db, const QString &code, QString *error);

// Takes "--name VALUE" out of the positional arguments; "" when absent.
QString takeValue(Options &options, const char *name);
// Takes "--name" out of the positional arguments; whether it was there.
bool takeFlag(Options &options, const char *name);
// Prints the options' error, or the usage when there is none; returns 2.
int usageError(const Options &options);
// Asks on the terminal; "o" or "oui" is yes.
bool confirmed(const QString &question);

} // namespace plx::cli
