#pragma once

#include "db/recordtable.h"

#include <QString>
#include <QVariantList>

namespace plx {

// A statement prepared once and run many times, with one value bound to each "?" mark of
// its text, in order. Bound values never become SQL text, so nothing typed can change
// the statement's meaning. Values:
//   null QVariant      NULL
//   double, int, qlonglong
//   QString            text
//   QDateTime          a wall-clock date-time, stored as the engine stores date-times
//                      (an Heure value is a QDateTime on 30/12/1899)
//   QDate              that day at midnight, as DateCreation holds it
//   QTime              the time of day as text "hh:mm:ss", to compare with TimeValue(column)
class PreparedStatement
{
public:
    virtual ~PreparedStatement() = default;

    // INSERT, UPDATE, DELETE. False (and error set) on failure.
    virtual bool exec(const QVariantList &values, QString *error = nullptr) = 0;
    // Rows the last exec() changed; -1 when the engine does not say.
    virtual qint64 affectedRows() const = 0;
    // A SELECT with the same value types as AccesBase::ExtraireRecords.
    virtual RecordTable query(const QVariantList &values) = 0;
};

} // namespace plx
