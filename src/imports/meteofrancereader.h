#pragma once

#include "imports/importreader.h"

namespace plx {

// Météo-France climatological files, ";" separated with a header line: the daily "Q"
// layout (AAAAMMJJ, RR, QRR) and the hourly "H" layout (AAAAMMJJHH, RR1, QRR1). Columns
// are found by name, so a file with more or fewer parameters reads the same. Quality
// codes: 0 (protected) and 1 (validated) give "V", 2 (doubtful) an unvalidated value
// flagged doubtful, 9 or none an unvalidated value.
class MeteoFranceReader : public ImportReader
{
public:
    explicit MeteoFranceReader(bool hourly) : m_hourly(hourly) {}

    ImportFormat format() const override;
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;

private:
    bool m_hourly;
};

} // namespace plx
