#pragma once

#include <QString>

namespace plx {

struct SchemaUpgradeReport;

// Levels of journal events: a row is written when its level is at or below LogLevel.
enum class JournalLevel { Error = 1, Info = 2, Detail = 3 };

// Writes an event to the JOURNAL table (date, level, user or "AUTO", contact, host,
// "PLXReader", the text cut to 125 characters) when the level passes LogLevel. Never
// fails loudly: a journal that cannot be written must not stop the work it records.
void journal(const QString &description, JournalLevel level = JournalLevel::Info);

// Writes the rows a schema upgrade asked for, in order (errors at level Error).
void journal(const SchemaUpgradeReport &upgrade);

// The LogLevel in force (read from the machine store at start-up; 2 when unset).
int journalLogLevel();
void setJournalLogLevel(int level);

} // namespace plx
