#pragma once

#include "db/recordtable.h"

#include <QDate>
#include <QString>

// Helpers shared by the station collector and the shared collectors.
namespace plx::collect {

// A cell as a report shows it: "" for NULL, "dd/MM/yyyy" for a date (with the time when
// it has one), a number with a decimal comma, text as stored.
QString cellText(const RecordTable &rows, int row, int column);
// A number column read as a code ("12" for 12.0, "" for NULL): codes stay text.
QString codeText(const RecordTable &rows, int row, int column);

// "Current" for a dated link, the one rule of every report: started on or before today
// and not ended before today, compared by day. table is the link table's name.
QString currentLinkCondition(const QString &table, const QDate &today);
// The link ended before today.
QString endedLinkCondition(const QString &table, const QDate &today);

} // namespace plx::collect
