#pragma once

#include <QString>
#include <QVariantList>

namespace plx {

// Rows appended to one table in bulk, inside the caller's transaction: a series of
// thousands of records costs one stream to the server, not one statement each. Values
// bind as for PreparedStatement (never SQL text), in the order of the columns given.
// Nothing else may run on the connection between the first add() and finish(): a
// PostgreSQL COPY holds it. Without finish() the rows are abandoned and the transaction
// must roll back.
class BulkInsert
{
public:
    virtual ~BulkInsert() = default;
    virtual bool add(const QVariantList &values, QString *error) = 0;
    // Ends the stream; false (error set) when the server refused a row.
    virtual bool finish(QString *error) = 0;
};

} // namespace plx
