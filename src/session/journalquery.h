#pragma once

#include "db/sqldialect.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// What the journal screen shows: every condition is optional; an empty one keeps all rows.
struct JournalFilter
{
    std::optional<QDate> from; // first day, from midnight
    std::optional<QDate> to;   // last day, to its end
    QString user;              // utilisateur, compared without case
    QString project;           // projet (the module that wrote the row), without case
    int level = 0;             // niveau; 0 for every level
    QString station;           // a rain gauge named "pluviomètre <code>" in the description
};

struct JournalEntry
{
    QDateTime dateEvt;
    int niveau = 0;
    QString utilisateur, contact, ip, projet, description;
};

// Where a page starts in the newest-first order. Rows are ordered by dateEvt, then by
// their other columns; since the table has no key, rows sharing the boundary instant are
// counted rather than compared: skip of them were on earlier pages.
struct JournalCursor
{
    std::optional<QDateTime> before; // unset: the newest row
    int skip = 0;

    bool operator==(const JournalCursor &) const = default;
};

struct JournalPage
{
    std::vector<JournalEntry> rows;
    JournalCursor next;   // where the following page starts
    bool hasMore = false; // a following page has rows
};

// The label of a level as the screen shows it ("Erreur", "Information", "Détail"), the
// number itself for any other value.
QString journalLevelLabel(int niveau);

// The WHERE condition (Access-flavoured, values quoted) of the filter, without " WHERE ";
// "" with error set when the filter cannot be used (a station code that is not a number).
QString journalCondition(const JournalFilter &filter, QString *error = nullptr);

// The statement reading one page from cursor: the rows at or before the boundary, newest
// first, at most pageSize + skip + 1 of them (the extra one tells whether more follow).
// The dialect only decides how the order is spelt, so that the dateEvt index serves it.
QString journalPageSql(const QString &condition, const JournalCursor &cursor, int pageSize,
                       SqlDialect dialect);

// Reads one page of at most pageSize rows. Reads only that page's rows, so a table of
// millions opens as fast as a small one (the dateEvt index serves the order). False with
// error set when the filter is refused or the statement fails; page is then empty.
bool readJournalPage(AccesBase &db, const JournalFilter &filter, const JournalCursor &cursor,
                     int pageSize, JournalPage &page, QString *error = nullptr);

} // namespace plx
