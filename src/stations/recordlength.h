#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace plx {

// The span of a station's measurements: first and last DateCreation of PLUVIO_<code>.
struct RecordLength
{
    QDate first;
    QDate last;
    bool isEmpty() const { return !first.isValid() || !last.isValid(); }
};

// "dd/MM/yyyy – dd/MM/yyyy (n ans)", n the whole years covered; "" when empty.
QString formatRecordLength(const RecordLength &length);

// Called after each station with (done, total); returning false stops the run.
using RecordLengthProgress = std::function<bool(int done, int total)>;

struct RecordLengthRun
{
    std::map<qint64, RecordLength> lengths; // stations without measurements are left out
    bool cancelled = false;
};

// The spans of the stations, one query each; a station without a measurement table has
// none.
RecordLengthRun computeRecordLengths(const std::vector<qint64> &codes,
                                     const RecordLengthProgress &progress = {});

} // namespace plx
