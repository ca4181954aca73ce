#pragma once

#include "imports/importreader.h"

namespace plx {

// NOAA GHCN-Daily ".dly" files: fixed width, one line per station, month and element,
// with 31 day slots of value (5), M, Q and S flags. Only PRCP lines are read (tenths of
// mm); the other elements are not rainfall. -9999 is a missing value or a day the month
// does not have; a Q flag (failed a quality check) makes the value doubtful; a trace
// (M flag "T") is 0 mm, as written.
class GhcnReader : public ImportReader
{
public:
    ImportFormat format() const override { return ImportFormat::Ghcn; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;
};

} // namespace plx
