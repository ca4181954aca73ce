#pragma once

#include "imports/importreader.h"

namespace plx {

// Météo-France RADOME hourly files: "," separated, a header line (numer_sta, date, rr1...),
// dates as YYYYMMDDhhmmss, "mq" for a missing value and a literal "EOF" as the last line.
// rr1 is in kg/m², that is mm.
class RadomeReader : public ImportReader
{
public:
    ImportFormat format() const override { return ImportFormat::Radome; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;
};

} // namespace plx
